// The command 检查数据 of the main window: the data check of the loaded
// project's files (see checks/datacheck.h), its findings in a list that the
// person can copy (Ctrl+C or 复制: the rows as tab-separated text).
#pragma once

#include <QDialog>

#include <vector>

#include "checks/datacheck.h"
#include "commands/project.h"
#include "commands/projectfiles.h"
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
// The summary's start when the files checked are those of a load that did not complete.
inline constexpr const char* FAILED_LOAD_TEXT = "初始化未完成，检查其读入的文件：";
// The severity column of a note of the reading (Project::notes).
inline constexpr const char* NOTE_SEVERITY_TEXT = "提示";

// The files the project was loaded from, as the data check takes them (a
// LandXML file's own profile when the profile came with it).
CheckedFiles checkedFilesOf(const Project& project);
// The files an initialisation read, in its order (files that were not
// chosen left out), as the data check takes them.
CheckedFiles checkedFilesOf(const ProjectFiles& load);

// A row of the list: 严重性, 文件, 行 (0 when none), 内容.
struct CheckRow {
    std::string severity;
    std::string file;
    long line = 0;
    std::string text;
    bool operator==(const CheckRow&) const = default;
};

// A note of the reading ("FILE，第N行：TEXT", "FILE：TEXT" or a text alone)
// as a row of the list, its severity 提示.
CheckRow noteRow(const std::string& note);

// The notes of the reading and the findings as the list shows them: 严重性,
// 文件, 行, 内容 (the notes first).
class CheckDialog : public QDialog {
    Q_OBJECT
public:
    // ui puts the copied rows on the clipboard; it must outlive the dialog.
    CheckDialog(std::vector<Finding> findings, const QString& summary, UserInterface& ui, QWidget* parent,
                const std::vector<std::string>& notes = {});

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
