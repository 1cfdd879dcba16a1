// Form1, the program's working window: the stake and result fields, the
// mode controls, the command buttons and the red status line. Its handlers
// read the controls through a Form, run a command and are done; the order
// of work of each command lives in src/commands.
#pragma once

#include "gradix/version.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cad/cad.h"
#include "cadmodel/referencealignment.h"
#include "app/setoutdialogs.h"
#include "commands/drawingcommands.h"
#include "commands/form.h"
#include "commands/project.h"
#include "commands/projectfiles.h"
#include "commands/settings.h"
#include "commands/exports.h"
#include "commands/tables.h"
#include "commands/userinterface.h"

class QLineEdit;
class QMenu;
class QVBoxLayout;
class QUrl;

namespace gradix {

class HelpWindow;
class QtForm;
class QtUserInterface;
class RoadViews;
class ViewsUserInterface;

// The user manual, beside the program as the help is.
inline constexpr const char* MANUAL_FILE_NAME = "manual.md";
// The window's title.
inline constexpr const char* WINDOW_TITLE = GRADIX_TITLE;
// Background of the field that has the input focus: light green.
inline const QColor FOCUS_BACKGROUND{192, 255, 192};
// The four text fields are set in 宋体 at this size (points).
inline constexpr double FIELD_FONT_POINTS = 10.5;

// What the status line adds after an initialisation whose reading noticed
// something without refusing it (Project::notes), listed by 检查数据:
// "（读入提示2条，见“检查→检查数据”）".
std::string loadNotesStatus(std::size_t notes);

// The font of the four text fields: 宋体 (SimSun) where installed, otherwise
// an installed Chinese serif font (Noto Serif CJK SC and the like).
QFont fieldFont();

// What the window needs from outside.
struct WindowSetup {
    // The program's folder: gradix.ini, the help and examples/ beside it.
    QString programFolder;
    // The user's configuration folder, where gradix.ini goes instead when
    // the program's folder cannot be written (an installed copy).
    std::string configFolder;
    // The dialogs and message boxes; null gives the window's own Qt ones.
    UserInterface* ui = nullptr;
    // The drawing the two drawing commands work on and the messenger of a
    // failed connection; null gives the window's own: Gradix's drawing
    // window and a message box. Both must outlive the window.
    CadConnector* connector = nullptr;
    CadMessenger* messenger = nullptr;
};

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Builds Form1 in its starting state, centres it on the screen and
    // reads the rotation angle from the settings file into Text9.
    explicit MainWindow(const WindowSetup& setup);
    ~MainWindow() override;

    // Each command handler runs its command and shows its outcome (the boxes
    // "数据有误" and "错误", or the drawing's message); true when it was done.
    // The initialisation command (Command4). After a complete run in
    // alignment mode the drawing window shows the alignment now loaded as
    // its reference line; what the reading noticed (Project::notes) is
    // counted in the status line (loadNotesStatus) and listed by 检查数据.
    // A refused stake of the profile shows its file and line in the box's
    // details, as a failure does.
    bool runInitialise();
    // The compute command's click handler (Command3), also run by Enter in
    // Text1.
    bool runCompute();
    // Pick-and-annotate (xpcmdbutton4): a point picked near the road gets
    // its stake, elevation and grade in the window and as an annotation in
    // the drawing.
    bool runPickAndAnnotate();
    // Select-and-compute (xpcmdbutton3): the last stake label selected in
    // the drawing is computed.
    bool runSelectAndCompute();

    // The profile and plan views beside the classic panel, and the
    // cross-section view once the project has a surface. They show the
    // project loaded, mark the stake computed (typed, a stake file's last
    // stake, picked or selected), and a click on them sets 桩号 and computes
    // as Enter would.
    RoadViews* roadViews() const { return views_; }
    // Loads a project as 初 始 化 does, its file dialogs answered by files
    // (the ICD file, which ticks Check1, or the chain-break file, then the
    // profile). True when it completed.
    bool openProject(const std::vector<std::string>& files);
    // Loads a project of the mode and files given (Check1 set to its mode),
    // as 初 始 化 does; a dialog the files do not answer is shown. True when
    // it completed.
    bool openProject(const ProjectFiles& project);

    // The menus around the classic panel (menus.cpp): 文件 (打开项目…,
    // 最近项目, 载入超高和宽度…, 打开图形…, 退出), 输出, 视图, 帮助 (帮助, 关于).
    // The projects remembered, newest first, beside the settings file.
    const RecentProjects& recentProjects() const { return recent_; }
    // 最近项目 → entry index: loads it; a file that is gone is named in a
    // message and nothing is loaded (the entry stays, for a drive that
    // comes back). True when it loaded.
    bool openRecentProject(std::size_t index);
    // 打开图形…: asks for a DXF file and opens it in the drawing window,
    // without starting a command. True when it was opened.
    bool openDrawing();
    // Data files dropped on the window: sorted by extension into the order
    // of the initialisation and loaded, or a message says why they are not.
    bool openDroppedFiles(const std::vector<std::string>& paths);
    // The project's page of the about box: the user manual (manual.md)
    // beside the program (installed: in its data folder).
    QUrl projectPage() const;
    // The page 更多软件 opens: the project's web address CMake configures,
    // or else the user manual.
    QUrl webPage() const;
    // "导出纵断面图…": asks for a DXF file (never one of the files read),
    // writes the profile sheet at 1:2000 and 1:200 and opens it in the
    // drawing window. True when it was written.
    bool exportProfileSheet();
    // "导出图片…": asks for a PNG, SVG or PDF file and writes the profile view
    // (or the plan view) at the scale chosen beside the button.
    bool exportViewPicture(bool plan);
    // The entries of the menu "输出": each asks its dialog (execDialog,
    // by default modal) and makes its table into the file chosen; a long run
    // shows a progress bar that can cancel it; the status line says what was
    // written. A refused field is said and the dialog shown again with what
    // was typed; each dialog keeps its fields for the next time. True when a
    // file was written.
    bool runStakeTable(const StakeTableRequest& request);
    bool runCurveTable(const CurveTableRequest& request);
    bool runLocatePoints(const LocateRequest& request);
    // "路基设计表…", enabled once the project has a surface.
    bool runSubgradeTable(const SubgradeTableRequest& request);
    // "放样点文件…": the stake-out points in the project's systems.
    bool runStakeout(const StakeoutRequest& request);
    // 文件 → "载入超高和宽度…": the two files into the project in force
    // (loadSurfaceFiles); the section view and 路基设计表 follow. True when loaded.
    bool runLoadSurface();
    // 文件 → 项目设置…: the project's coordinate system and fit, checked,
    // set and remembered with the project; false when cancelled or refused.
    bool runProjectSettings();
    // The systems set as 项目设置 sets them (the dialog's fields given).
    bool applyProjectSystems(const ProjectSystemsRequest& request);
    // Shows a dialog of the menu "输出"; true when it was accepted.
    std::function<bool(SetoutDialog&)> execDialog;

    // Links the drawing commands to connector and messenger (each must
    // outlive the window or the next link); null gives the window's own.
    // The alignment loaded goes to the new connector's drawing window.
    void setDrawingLink(CadConnector* connector, CadMessenger* messenger);
    CadConnector& cadConnector() { return *connector_; }
    CadMessenger& cadMessenger() { return *messenger_; }
    // The reference line of the alignment last loaded (empty before one is).
    const ReferenceAlignment& referenceAlignment() const { return reference_; }

    // The files of the last initialisation when it did not complete (a
    // failure or a refused stake); none once one has. 检查数据 checks them.
    const std::optional<ProjectFiles>& failedLoad() const { return failedLoad_; }

    // The loaded project, the controls, the person's side and the settings
    // file, for the drawing commands.
    Project& project() { return project_; }
    Form& form();
    UserInterface& ui() { return *ui_; }
    const SettingsFile& settings() const { return settings_; }

    // The help file beside the program (folder rule of gradix.ini), or in
    // the data folder of an installed copy.
    QString helpFile() const;
    // The help window, created on the first use of the help button.
    HelpWindow* helpWindow() const { return help_; }

    // Click handlers of the two drawing buttons: by default the two drawing
    // commands, select-and-compute (xpcmdbutton3) and pick-and-compute
    // (xpcmdbutton4).
    std::function<void()> onSelectAndCompute;
    std::function<void()> onPickAndCompute;
    // Opens the maker's web page; by default in the desktop's browser.
    std::function<void(const QUrl&)> openWebPage;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing Form1 ends the program, as the exit button does; a drawing
    // with unsaved annotations is offered for saving first.
    void closeEvent(QCloseEvent* event) override;
    // Data files dragged from the file manager (menus.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildOutputMenu(QVBoxLayout* layout);
    // The menus other than 输出 around it, the menu bar across the whole
    // window, the remembered projects read, drops accepted (menus.cpp).
    void buildMenus();
    void fillRecentMenu();
    void showAbout();
    // After 初 始 化: the title names the files, the project is remembered.
    void projectAfterInitialise(bool done, bool alignmentMode);
    void outputEntry(int kind);
    // Runs work under a progress bar that appears after a moment.
    Outcome withProgress(const QString& title, const std::function<Outcome(const Progress&)>& work);
    // The tables of 输出, their outcome shown and what they wrote in the status line.
    Outcome stakeTableOutcome(const StakeTableRequest& request);
    Outcome curveTableOutcome(const CurveTableRequest& request);
    Outcome locatePointsOutcome(const LocateRequest& request);
    Outcome subgradeTableOutcome(const SubgradeTableRequest& request);
    Outcome stakeoutOutcome(const StakeoutRequest& request);
    // Remembers the project in force (its files and systems) for 最近项目.
    void rememberProject();
    // The section view and the entries that need a surface, after it changed.
    void surfaceChanged();
    Outcome outputShown(const Outcome& outcome, const OutputWritten& written);
    void connectHandlers();
    void check1Clicked(bool checked);
    void option1Clicked();
    void option2Clicked();
    void helpClicked();
    void moreSoftwareClicked();
    void exitClicked();
    DrawingCommandContext drawingContext();
    // The views: built beside the classic panel, and what each command
    // leaves for them (mainwindowviews.cpp).
    void attachRoadViews(QWidget* classicPanel);
    void viewsAfterInitialise(bool done);
    void viewsAfterCompute();
    void stakeClickedInView(const QString& stake);
    // Closes the drawing windows of the link in use and of the window's own;
    // false when the person keeps one open for its unsaved changes.
    bool closeDrawingWindows();

    QString programFolder_;
    SettingsFile settings_;
    Project project_;
    std::unique_ptr<QtForm> form_;
    std::unique_ptr<QtUserInterface> ownUi_;
    UserInterface* ui_ = nullptr;
    std::unique_ptr<ViewsUserInterface> viewsUi_;  // wraps the interface given, for the views
    HelpWindow* help_ = nullptr;
    RoadViews* views_ = nullptr;
    RecentProjects recent_;
    QMenu* recentMenu_ = nullptr;
    std::optional<ProjectFiles> failedLoad_;
    // The dialogs of 输出, by SetoutDialogKind, made when first asked for.
    std::array<QPointer<SetoutDialog>, SETOUT_DIALOG_KINDS> setoutDialogs_;
    ProjectFiles openedFiles_;  // the files of the project in force, as remembered

    // The drawing link: the window's own and the one in use.
    std::unique_ptr<CadConnector> ownConnector_;
    std::unique_ptr<CadMessenger> ownMessenger_;
    CadConnector* connector_ = nullptr;
    CadMessenger* messenger_ = nullptr;
    ReferenceAlignment reference_;
    // Draws the names of the selection sets; seeded once per window.
    std::mt19937 random_;
};

// Where CenterForm puts a window of size frame on a screen: centred across,
// one third of the free height down.
QPoint centredPosition(const QRect& screen, const QSize& frame);

// CenterForm: moves frm to the centred position on its screen.
void CenterForm(QWidget& frm);

}  // namespace gradix
