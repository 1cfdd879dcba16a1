// The command 检查标注 of the drawing window: the stake labels of the open
// drawing audited against the loaded project's alignment (see
// checks/labelaudit.h). The labels reported are marked in red over the view
// and listed in a panel; a click on a row zooms to its label.
#pragma once

#include <QDockWidget>

#include <functional>
#include <optional>
#include <string>

#include "checks/labelaudit.h"

class QLabel;
class QTableWidget;

namespace gradix {

class DrawingWindow;

// Menu, command and panel captions.
inline constexpr const char* CHECK_MENU_CAPTION = "检查";
inline constexpr const char* LABEL_AUDIT_CAPTION = "检查标注";
inline constexpr const char* NO_ALIGNMENT_TEXT = "未加载平面线形，请先在主窗口以平面模式初始化。";

// What the drawing's labels are audited against: the loaded project's
// alignment and its samples, its chain breaks, its profile (nullptr for
// none) and the annotation's line name. The pointers stay valid until the
// audit returns.
struct LabelAuditSource {
    const Alignment* alignment = nullptr;
    SampleTable* samples = nullptr;
    const ChainBreakTable* breaks = nullptr;
    const Profile* profile = nullptr;
    std::string lineName;
};

// Answers the source, or nothing when no alignment is loaded.
using LabelAuditProvider = std::function<std::optional<LabelAuditSource>()>;

// Sets the provider every drawing window's 检查标注 asks (the main window's
// project; there is one per program).
void setLabelAuditProvider(LabelAuditProvider provider);

class LabelAuditPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit LabelAuditPanel(DrawingWindow* window);

    // Audits the window's drawing, lists and marks the labels reported, and
    // shows the panel. A failure of the evaluation is listed in the summary.
    void runAudit();
    const LabelAudit& result() const { return audit_; }

private:
    void zoomTo(int row);

    DrawingWindow* window_;
    QTableWidget* list_;
    QLabel* summary_;
    QWidget* marks_;  // transparent, over the view
    LabelAudit audit_;
};

// Adds the menu 检查 with the command 检查标注 to the window, and its panel
// (hidden until the command runs).
LabelAuditPanel* addLabelAuditCommand(DrawingWindow* window);

}  // namespace gradix
