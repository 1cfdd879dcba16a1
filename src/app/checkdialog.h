// The command 检查数据 of the main window: the data check of the loaded
// project's files (see checks/datacheck.h), its findings in a list that the
// person can copy (Ctrl+C or 复制: the rows as tab-separated text).
#pragma once

#include <QDialog>

#include <vector>

#include "checks/datacheck.h"
#include "commands/project.h"
#include "commands/userinterface.h"

class QLabel;
class QMenuBar;
class QTableWidget;

namespace gradix {

inline constexpr const char* CHECK_DATA_MENU_CAPTION = "检查";
inline constexpr const char* CHECK_DATA_CAPTION = "检查数据";
inline constexpr const char* COPY_CAPTION = "复制";
inline constexpr const char* NOT_INITIALISED_TEXT = "尚未初始化：请先读入项目数据。";
inline constexpr const char* CLEAN_TEXT = "未发现问题。";

// The files the project was loaded from, as the data check takes them (a
// LandXML file's own profile when the profile came with it).
CheckedFiles checkedFilesOf(const Project& project);

// The findings as the list shows them: 严重性, 文件, 行, 内容.
class CheckDialog : public QDialog {
    Q_OBJECT
public:
    // ui puts the copied rows on the clipboard; it must outlive the dialog.
    CheckDialog(std::vector<Finding> findings, const QString& summary, UserInterface& ui, QWidget* parent);

    // The selected rows (all rows when none is selected) as tab-separated
    // lines, put on the clipboard.
    void copyRows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    UserInterface& ui_;
    QTableWidget* list_;
};

class MainWindow;

// Adds the menu 检查 with 检查数据 to bar (the dialog checks the window's
// project), and lets the drawing windows' 检查标注 audit against that project.
void addCheckMenu(QMenuBar* bar, MainWindow& window);

}  // namespace gradix
