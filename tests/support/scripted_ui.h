// A UserInterface that answers file dialogs from a script and records
// everything the commands asked of the person, in order.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "commands/outcome.h"
#include "commands/userinterface.h"

namespace gradix::testing {

class ScriptedUi : public UserInterface {
public:
    // Paths handed out by the next dialogs, open or save, in order; "" is a
    // cancelled dialog. A dialog with nothing scripted is cancelled too.
    std::deque<std::string> answers;

    // What happened, one line per event: "open CommonDialog2 读取平面ICD资料",
    // "save ...", "activate", "message 数据有误: ...", "error 错误: ...",
    // "clipboard ...".
    std::vector<std::string> events;
    std::vector<std::string> errorDetails;
    std::string clipboard;
    // The answer of the design-line and pivot dialog; nullopt cancels it.
    std::optional<SurfaceAxes> axes = SurfaceAxes{};

    std::optional<SurfaceAxes> chooseSurfaceAxes(const SurfaceAxes&) override {
        events.push_back("axes");
        return axes;
    }
    std::string openFile(const FileDialog& dialog) override {
        events.push_back(std::string("open ") + dialog.name + ' ' + dialog.title);
        return next();
    }
    std::string saveFile(const FileDialog& dialog) override {
        events.push_back(std::string("save ") + dialog.name + ' ' + dialog.title);
        return next();
    }
    void showError(const std::string& title, const std::string& text, const std::string& detail) override {
        events.push_back("error " + title + ": " + text);
        errorDetails.push_back(detail);
    }
    void setClipboard(const std::string& text) override {
        clipboard = text;
        events.push_back("clipboard " + text);
    }
    void activateMainWindow() override { events.push_back("activate"); }
    void showMessage(const std::string& title, const std::string& text) override {
        events.push_back("message " + title + ": " + text);
    }

    // Shows a command's outcome as the window does; true when it was done.
    bool show(const Outcome& outcome, CadMessenger* messenger = nullptr) {
        showOutcome(outcome, *this, messenger);
        return outcome.isDone();
    }

private:
    std::string next() {
        if (answers.empty()) return "";
        std::string path = answers.front();
        answers.pop_front();
        return path;
    }
};

}  // namespace gradix::testing
