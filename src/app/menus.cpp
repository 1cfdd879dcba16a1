// The main window's menus other than 输出: 文件 with the remembered projects,
// the cross-section files and the drawing, 视图 for the views, 帮助; the window title naming the
// project's files; and data files dropped on the window.
#include <QCheckBox>
#include <algorithm>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "app/aboutbox.h"
#include "app/drawinglink.h"
#include "app/mainwindow.h"
#include "app/roadviews.h"
#include "app/setoutdialogs.h"
#include "views/planview.h"
#include "text/failures.h"
#include "views/profileview.h"

namespace gradix {

namespace {

inline constexpr FileDialog DRAWING_DIALOG{"drawingDialog", "打开图形", "DXF文件(*.dxf)|*.dxf|所有文件(*.*)|*.*"};
constexpr const char* RECENT_TITLE = "最近项目";
constexpr const char* OPEN_PROJECT_TITLE = "打开项目";
constexpr const char* TITLE_SEPARATOR = " — ";


QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Remembered as absolute paths: a project opened from another folder is the
// same project, and opens from anywhere.
std::vector<std::string> absolutePaths(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const std::string& p : paths)
        out.push_back(p.empty() ? p
                                : QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(QString::fromStdString(p))
                                                                               .absoluteFilePath()))
                                      .toStdString());
    return out;
}

QAction* namedAction(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(text(caption));
    action->setObjectName(QLatin1String(name));
    return action;
}

}  // namespace

void MainWindow::buildMenus() {
    auto* bar = findChild<QMenuBar*>(QStringLiteral("menuBar"));
    auto* classic = findChild<QWidget*>(QStringLiteral("classicPanel"));
    // The menu bar spans the whole window, the views included.
    classic->layout()->setMenuBar(nullptr);
    layout()->setMenuBar(bar);
    // The captions in the family of the fields (宋体 or its stand-in), at their own size.
    QFont captions = classic->font();
    captions.setFamilies(fieldFont().families());
    classic->setFont(captions);

    QMenu* output = findChild<QMenu*>(QStringLiteral("outputMenu"));
    auto* file = new QMenu(text("文件"), bar);
    file->setObjectName(QStringLiteral("fileMenu"));
    bar->insertMenu(output->menuAction(), file);
    QAction* openProjectAction = namedAction(file, "openProjectAction", "打开项目…");
    openProjectAction->setShortcut(QKeySequence::Open);
    connect(openProjectAction, &QAction::triggered, this, [this] { runInitialise(); });
    recentMenu_ = file->addMenu(text(RECENT_TITLE));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    QAction* loadSurfaceAction = namedAction(file, "loadSurfaceAction", "载入超高和宽度…");
    connect(loadSurfaceAction, &QAction::triggered, this, [this] { runLoadSurface(); });
    // The cross-section goes with a project loaded.
    connect(file, &QMenu::aboutToShow, this,
            [this, loadSurfaceAction] { loadSurfaceAction->setEnabled(project_.initialised); });
    QAction* settingsAction = namedAction(file, "projectSettingsAction", PROJECT_SETTINGS_CAPTION);
    connect(settingsAction, &QAction::triggered, this, [this] { runProjectSettings(); });
    QAction* openDrawingAction = namedAction(file, "openDrawingAction", "打开图形…");
    connect(openDrawingAction, &QAction::triggered, this, [this] { openDrawing(); });
    file->addSeparator();
    QAction* quit = namedAction(file, "quitAction", "退出");
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &MainWindow::exitClicked);

    // 视图 right after 输出, whatever other menus follow it.
    auto* view = new QMenu(text("视图"), bar);
    view->setObjectName(QStringLiteral("viewMenu"));
    const QList<QAction*> menus = bar->actions();
    const qsizetype outputAt = menus.indexOf(output->menuAction());
    bar->insertMenu(outputAt + 1 < menus.size() ? menus[outputAt + 1] : nullptr, view);
    QAction* extents = namedAction(view, "zoomExtentsAction", "缩放到范围");
    connect(extents, &QAction::triggered, this, [this] {
        views_->profileView()->zoomExtents();
        views_->planView()->zoomExtents();
    });
    view->addSeparator();
    QAction* profilePicture = namedAction(view, "profilePictureAction", "导出纵断面图片…");
    connect(profilePicture, &QAction::triggered, this, [this] { exportViewPicture(false); });
    QAction* planPicture = namedAction(view, "planPictureAction", "导出平面图片…");
    connect(planPicture, &QAction::triggered, this, [this] { exportViewPicture(true); });
    QAction* sheet = namedAction(view, "profileSheetAction", "导出纵断面图…");
    connect(sheet, &QAction::triggered, this, [this] { exportProfileSheet(); });
    // The exports need what they export: a profile, an alignment.
    connect(view, &QMenu::aboutToShow, this, [this, extents, profilePicture, planPicture, sheet] {
        const bool profile = views_->profileView()->hasProfile();
        extents->setEnabled(profile);
        profilePicture->setEnabled(profile);
        sheet->setEnabled(profile);
        planPicture->setEnabled(views_->planView()->hasAlignment());
    });

    QMenu* help = bar->addMenu(text("帮助"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction* helpAction = namedAction(help, "helpAction", "帮助");
    helpAction->setShortcut(QKeySequence::HelpContents);
    connect(helpAction, &QAction::triggered, this, &MainWindow::helpClicked);
    connect(namedAction(help, "aboutAction", "关于"), &QAction::triggered, this, &MainWindow::showAbout);

    const std::string settingsFolder = QFileInfo(QString::fromStdString(settings_.path())).absolutePath().toStdString();
    recent_ = RecentProjects(programFilePath(settingsFolder, RECENT_PROJECTS_FILE_NAME));
    recent_.load();
    fillRecentMenu();
    setAcceptDrops(true);
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const std::vector<ProjectFiles>& projects = recent_.projects();
    for (std::size_t i = 0; i < projects.size(); ++i) {
        // "&1 road.dl, road.zdm": the number is the menu's access key; the
        // whole paths show as the tip.
        QStringList paths;
        for (const std::string& f : projects[i].files) paths << QString::fromStdString(f);
        QString caption = QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(projectFileNames(projects[i])));
        QAction* action = recentMenu_->addAction(caption);
        action->setObjectName(QStringLiteral("recentProject%1").arg(i + 1));
        action->setToolTip(paths.join(u'\n'));
        connect(action, &QAction::triggered, this, [this, i] { openRecentProject(i); });
    }
    recentMenu_->setToolTipsVisible(true);
    recentMenu_->setEnabled(!projects.empty());
}

void MainWindow::projectAfterInitialise(bool done, bool alignmentMode) {
    if (!done) return;  // the project in force and its title stay
    const ProjectFiles files{alignmentMode, absolutePaths(viewsUi_->opened())};
    setWindowTitle(text(WINDOW_TITLE) + text(TITLE_SEPARATOR) + QString::fromStdString(projectFileNames(files)));
    openedFiles_ = files;
    rememberProject();
}

void MainWindow::rememberProject() {
    ProjectFiles files = openedFiles_;
    files.crs = project_.crs;
    files.transform = project_.transformFile;
    // Another Gradix may have remembered a project meanwhile: read, then add.
    recent_.load();
    recent_.remember(files);
    fillRecentMenu();
    try {
        recent_.save();
    } catch (const GradixError& e) {
        ui_->showError(ERROR_TITLE, e.what(), e.detail());
    }
}

bool MainWindow::openProject(const ProjectFiles& project) {
    findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(project.alignmentMode);
    viewsUi_->answerOpenDialogs({project.files.begin(), project.files.end()});
    const bool done = runInitialise();
    viewsUi_->answerOpenDialogs({});
    return done;
}

bool MainWindow::openProject(const std::vector<std::string>& files) {
    if (files.empty()) return false;
    return openProject(ProjectFiles{isAlignmentFile(files.front()), files});
}

bool MainWindow::openRecentProject(std::size_t index) {
    if (index >= recent_.projects().size()) return false;
    const ProjectFiles project = recent_.projects()[index];
    const std::vector<std::string> missing = missingFiles(project);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& f : missing) list += f + "\n";
        ui_->showMessage(RECENT_TITLE, "找不到项目文件：\n" + list +
                                           "\n项目仍保留在“最近项目”中，文件恢复后可再次打开。");
        return false;
    }
    // The remembered systems go with the project.
    project_.crs = project.crs;
    project_.transformFile = project.transform;
    return openProject(project);
}

bool MainWindow::openDrawing() {
    const std::string path = ui_->openFile(DRAWING_DIALOG);
    if (path.empty()) return false;  // the dialog was cancelled
    return openInDrawingWindow(*connector_, path);
}

bool MainWindow::openDroppedFiles(const std::vector<std::string>& paths) {
    const DroppedFiles dropped = sortDroppedFiles(paths);
    if (!dropped.usable()) {
        ui_->showMessage(OPEN_PROJECT_TITLE, dropped.problem);
        return false;
    }
    findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(dropped.project.alignmentMode);
    viewsUi_->answerOpenDialogs({dropped.project.files.begin(), dropped.project.files.end()});
    const bool done = runInitialise();
    // A LandXML file that brought its own profile leaves the profile dropped unread.
    const std::vector<std::string>& opened = viewsUi_->opened();
    const bool profileUnread = done && !dropped.profile.empty() &&
                               std::find(opened.begin(), opened.end(), dropped.profile) == opened.end();
    viewsUi_->answerOpenDialogs({});
    if (profileUnread)
        ui_->showMessage(OPEN_PROJECT_TITLE, "LandXML文件自带纵断面，未读取拖入的纵断面文件：" +
                                                 QFileInfo(QString::fromStdString(dropped.profile))
                                                     .fileName()
                                                     .toStdString());
    return done;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool files = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
    if (files) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    openDroppedFiles(paths);
}

QUrl MainWindow::projectPage() const {
    // The user manual travels beside the program; an installed copy keeps it in its data folder.
    const QString beside = QDir(programFolder_).filePath(text(MANUAL_FILE_NAME));
    const QString installed = QDir(programFolder_).filePath(QStringLiteral("../share/gradix/") + text(MANUAL_FILE_NAME));
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile()) return QUrl::fromLocalFile(QDir::cleanPath(installed));
    return QUrl::fromLocalFile(QFileInfo(beside).absoluteFilePath());
}

QUrl MainWindow::webPage() const {
    const QString configured = QString::fromUtf8(GRADIX_HOMEPAGE);
    return configured.isEmpty() ? projectPage() : QUrl(configured);
}

void MainWindow::showAbout() {
    AboutBox about(this, projectPage(), QUrl(QString::fromUtf8(GRADIX_HOMEPAGE)));
    about.exec();
}

}  // namespace gradix
