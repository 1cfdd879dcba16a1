// What a command ended with, as a value: the window shows it in its boxes,
// gradix-cli turns it into its exit code and stderr lines.
#pragma once

#include <string>

#include "cad/cad.h"
#include "commands/userinterface.h"
#include "text/failures.h"

namespace gradix {

// Text of the error box for a fault of Gradix itself (a bug, not the data).
inline constexpr const char* INTERNAL_ERROR_TEXT = "Gradix内部错误，请将详细信息告知开发者！";

enum class OutcomeKind {
    Done,       // the command did its work
    Refused,    // a program check refused the data ("数据有误")
    Failed,     // a failure ended the command
    Cancelled,  // the person stopped it (Esc at a pick); nothing to tell
};

// Which failure ended a command, and so which box tells it.
enum class FailureKind {
    FileAccess,  // "读取文件被取消！" in the box "错误"
    Data,        // "数据文件格式有误！" in the box "错误"
    Drawing,     // the drawing's own description, through the CAD messenger
    Internal,    // INTERNAL_ERROR_TEXT in the box "错误"
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::Done;
    FailureKind failure = FailureKind::Data;  // for Failed only
    // Refused: the message of the box "数据有误". Failed: the text of its box.
    std::string message;
    // Refused and Failed: which file, which line (or stake) and why.
    std::string detail;
    // Refused: whether the box shows the detail too (the line of a stake file
    // that was refused); a single stake's box has only its message.
    bool detailShown = false;

    static Outcome done() { return {}; }
    static Outcome cancelled() { return {OutcomeKind::Cancelled, FailureKind::Data, "", "", false}; }
    static Outcome refused(std::string message, std::string detail) {
        return {OutcomeKind::Refused, FailureKind::Data, std::move(message), std::move(detail), false};
    }
    // The failure a GradixError stands for: its fixed text and its detail.
    static Outcome failed(const GradixError& e);
    static Outcome drawingFailed(std::string description, std::string detail = "") {
        return {OutcomeKind::Failed, FailureKind::Drawing, std::move(description), std::move(detail), false};
    }
    static Outcome internalError(std::string detail) {
        return {OutcomeKind::Failed, FailureKind::Internal, INTERNAL_ERROR_TEXT, std::move(detail), false};
    }

    bool isDone() const { return kind == OutcomeKind::Done; }
    explicit operator bool() const { return isDone(); }
};

// Shows an outcome as the window does: a refusal brings the main window to
// the front and shows its message in the box "数据有误" (with its detail when
// detailShown); a failure of the
// data, of reaching a file or of Gradix itself shows the box "错误" with its
// text and detail; a failure of the drawing goes to messenger (to the box
// "错误" when there is none). Done and Cancelled show nothing.
void showOutcome(const Outcome& outcome, UserInterface& ui, CadMessenger* messenger = nullptr);

}  // namespace gradix
