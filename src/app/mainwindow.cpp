#include "app/mainwindow.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/aboutbox.h"
#include "app/drawinglink.h"
#include "app/helpwindow.h"
#include "app/qtform.h"
#include "app/qtuserinterface.h"
#include "app/roadviews.h"
#include "app/checkdialog.h"
#include "app/setoutdialogs.h"
#include "commands/compute.h"
#include "commands/initialise.h"

namespace gradix {

namespace {

// Captions of the controls. Command buttons begin with two spaces, the two
// drawing buttons with three; the inner spaces spread the short words.
constexpr const char* FRAME1_CAPTION = "初始化";
constexpr const char* CHECK1_CAPTION = "计算CAD中获取坐标对应的桩号";
constexpr const char* FRAME2_CAPTION = "计算结果";
constexpr const char* OPTION1_CAPTION = "单个桩号";
constexpr const char* OPTION2_CAPTION = "读取桩号文件";
constexpr const char* LABEL4_CAPTION = "桩号";
constexpr const char* LABEL5_CAPTION = "高程";
constexpr const char* LABEL2_CAPTION = "切线纵坡";
constexpr const char* LABEL14_CAPTION = "旋转角度";
constexpr const char* COMMAND4_CAPTION = "  初 始 化";
constexpr const char* COMMAND3_CAPTION = "  计   算";
constexpr const char* XPCMDBUTTON3_CAPTION = "   选择并计算";
constexpr const char* XPCMDBUTTON4_CAPTION = "   点取并计算";
constexpr const char* XPCMDBUTTON2_CAPTION = "  帮  助";
constexpr const char* XPCMDBUTTON1_CAPTION = "  更多软件";
constexpr const char* COMMAND2_CAPTION = "  退  出";

// 宋体 first, then Chinese serif fonts a Linux desktop has.
const QStringList FIELD_FONT_FAMILIES{
    QStringLiteral("SimSun"),
    QStringLiteral("宋体"),
    QStringLiteral("NSimSun"),
    QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("Source Han Serif SC"),
    QStringLiteral("Noto Serif CJK"),
    QStringLiteral("AR PL UMing CN"),
    QStringLiteral("Noto Sans CJK SC"),
};

constexpr int FIELD_WIDTH = 170;   // pixels: room for a stake such as B12345.678
constexpr int BUTTON_WIDTH = 118;  // pixels
constexpr int BUTTON_GROUP_GAP = 10;  // pixels between the groups of buttons
constexpr int SCREEN_HEIGHT_SHARE = 3;  // the window sits a third of the free height down
constexpr int SCREEN_WIDTH_SHARE = 2;   // and centred across
const QSize WINDOW_WITH_VIEWS(1240, 720);  // pixels: the classic panel and the views beside it
constexpr int PROGRESS_DELAY_MS = 400;  // a run shorter than this shows no progress bar

QString caption(const char* text) { return QString::fromUtf8(text); }

template <class Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* captionLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = named(new QLabel(caption(text), parent), name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* commandButton(const char* name, const char* text, QWidget* parent) {
    auto* button = named(new QPushButton(caption(text), parent), name);
    button->setMinimumWidth(BUTTON_WIDTH);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

std::string loadNotesStatus(std::size_t notes) {
    return "（读入提示" + std::to_string(notes) + "条，见“检查→检查数据”）";
}

QFont fieldFont() {
    QFont font;
    font.setFamilies(FIELD_FONT_FAMILIES);
    font.setPointSizeF(FIELD_FONT_POINTS);
    return font;
}

QPoint centredPosition(const QRect& screen, const QSize& frame) {
    return {screen.x() + (screen.width() - frame.width()) / SCREEN_WIDTH_SHARE,
            screen.y() + (screen.height() - frame.height()) / SCREEN_HEIGHT_SHARE};
}

void CenterForm(QWidget& frm) {
    const QScreen* screen = frm.screen() ? frm.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    frm.move(centredPosition(screen->geometry(), frm.frameGeometry().size()));
}

MainWindow::MainWindow(const WindowSetup& setup)
    : programFolder_(setup.programFolder),
      settings_(setup.programFolder.toStdString(), setup.configFolder),
      random_(std::random_device{}()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(caption(WINDOW_TITLE));
    buildControls();
    form_ = std::make_unique<QtForm>(*this);
    if (setup.ui) {
        ui_ = setup.ui;
    } else {
        ownUi_ = std::make_unique<QtUserInterface>(*this, findExamplesFolder(programFolder_));
        ui_ = ownUi_.get();
    }
    viewsUi_ = std::make_unique<ViewsUserInterface>(*ui_);
    ui_ = viewsUi_.get();
    openWebPage = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    onSelectAndCompute = [this] { runSelectAndCompute(); };
    onPickAndCompute = [this] { runPickAndAnnotate(); };
    DrawingLink own = makeDrawingWindowLink(this);
    ownConnector_ = std::move(own.connector);
    ownMessenger_ = std::move(own.messenger);
    setDrawingLink(setup.connector, setup.messenger);
    connectHandlers();
    buildMenus();

    // Window load: centre the window, then the rotation angle from the
    // settings file ("0" when it is missing, empty or unreadable).
    adjustSize();
    resize(size().expandedTo(WINDOW_WITH_VIEWS));
    CenterForm(*this);
    form_->setText(Control::Text9, settings_.LoadSettings());
}

MainWindow::~MainWindow() = default;

Form& MainWindow::form() { return *form_; }

void MainWindow::buildControls() {
    // Frame1: the mode of the next initialisation.
    auto* frame1 = named(new QGroupBox(caption(FRAME1_CAPTION), this), "Frame1");
    auto* check1 = named(new QCheckBox(caption(CHECK1_CAPTION), frame1), "Check1");
    auto* frame1Layout = new QHBoxLayout(frame1);
    frame1Layout->addWidget(check1);

    // Frame2: the two modes, the four fields and their labels.
    auto* frame2 = named(new QGroupBox(caption(FRAME2_CAPTION), this), "Frame2");
    auto* option1 = named(new QRadioButton(caption(OPTION1_CAPTION), frame2), "Option1");
    auto* option2 = named(new QRadioButton(caption(OPTION2_CAPTION), frame2), "Option2");
    option1->setChecked(true);
    auto* frame2Layout = new QGridLayout(frame2);
    auto* options = new QHBoxLayout;
    options->addWidget(option1);
    options->addWidget(option2);
    options->addStretch();
    frame2Layout->addLayout(options, 0, 0, 1, 2);

    const QFont font = fieldFont();
    const struct {
        const char* labelName;
        const char* labelText;
        const char* fieldName;
        bool enabled;
    } rows[] = {
        {"Label4", LABEL4_CAPTION, "Text1", false},
        {"Label5", LABEL5_CAPTION, "Text2", false},
        {"Label2", LABEL2_CAPTION, "Text3", false},
        {"Label14", LABEL14_CAPTION, "Text9", true},
    };
    int row = 1;
    for (const auto& r : rows) {
        auto* label = captionLabel(r.labelName, r.labelText, frame2);
        auto* field = named(new QLineEdit(frame2), r.fieldName);
        field->setFont(font);
        field->setMinimumWidth(FIELD_WIDTH);
        field->setEnabled(r.enabled);
        field->installEventFilter(this);
        label->setBuddy(field);
        frame2Layout->addWidget(label, row, 0);
        frame2Layout->addWidget(field, row, 1);
        ++row;
    }

    // The command buttons, in three groups: the project, the drawing, the rest.
    auto* buttons = new QVBoxLayout;
    auto* command4 = commandButton("Command4", COMMAND4_CAPTION, this);
    auto* command3 = commandButton("Command3", COMMAND3_CAPTION, this);
    auto* xpcmdbutton3 = commandButton("xpcmdbutton3", XPCMDBUTTON3_CAPTION, this);
    auto* xpcmdbutton4 = commandButton("xpcmdbutton4", XPCMDBUTTON4_CAPTION, this);
    auto* xpcmdbutton2 = commandButton("xpcmdbutton2", XPCMDBUTTON2_CAPTION, this);
    auto* xpcmdbutton1 = commandButton("xpcmdbutton1", XPCMDBUTTON1_CAPTION, this);
    auto* command2 = commandButton("Command2", COMMAND2_CAPTION, this);
    command3->setEnabled(false);
    xpcmdbutton3->setEnabled(false);
    xpcmdbutton4->setEnabled(false);
    buttons->addWidget(command4);
    buttons->addWidget(command3);
    buttons->addSpacing(BUTTON_GROUP_GAP);
    buttons->addWidget(xpcmdbutton3);
    buttons->addWidget(xpcmdbutton4);
    buttons->addSpacing(BUTTON_GROUP_GAP);
    buttons->addWidget(xpcmdbutton2);
    buttons->addWidget(xpcmdbutton1);
    buttons->addWidget(command2);
    buttons->addStretch();

    // Label1: the status line, in red.
    auto* label1 = captionLabel("Label1", STATUS_START_BREAKS, this);
    QPalette red = label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    label1->setPalette(red);

    auto* fields = new QVBoxLayout;
    fields->addWidget(frame1);
    fields->addWidget(frame2);
    fields->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(fields);
    body->addLayout(buttons);
    // The classic panel keeps its size; the views beside it take the rest.
    auto* classic = named(new QWidget(this), "classicPanel");
    auto* layout = new QVBoxLayout(classic);
    layout->addLayout(body);
    layout->addWidget(label1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    attachRoadViews(classic);
    buildOutputMenu(layout);
}

void MainWindow::buildOutputMenu(QVBoxLayout* layout) {
    auto* bar = named(new QMenuBar(this), "menuBar");
    QMenu* output = named(bar->addMenu(caption(OUTPUT_MENU_CAPTION)), "outputMenu");
    const struct {
        const char* name;
        const char* text;
        SetoutDialogKind kind;
    } entries[] = {{"stakeTableAction", STAKE_TABLE_CAPTION, SetoutDialogKind::StakeTable},
                   {"curveTableAction", CURVE_TABLE_CAPTION, SetoutDialogKind::CurveTable},
                   {"locatePointsAction", LOCATE_POINTS_CAPTION, SetoutDialogKind::LocatePoints},
                   {"subgradeTableAction", SUBGRADE_TABLE_CAPTION, SetoutDialogKind::SubgradeTable},
                   {"stakeoutAction", STAKEOUT_CAPTION, SetoutDialogKind::Stakeout}};
    for (const auto& e : entries) {
        QAction* action = output->addAction(caption(e.text));
        action->setObjectName(QLatin1String(e.name));
        const int kind = static_cast<int>(e.kind);
        connect(action, &QAction::triggered, this, [this, kind] { outputEntry(kind); });
        // The subgrade table needs the surface.
        if (e.kind == SetoutDialogKind::SubgradeTable) action->setEnabled(false);
    }
    addCheckMenu(bar, *this);
    layout->setMenuBar(bar);
    execDialog = [](SetoutDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

void MainWindow::outputEntry(int kind) {
    QPointer<SetoutDialog>& dialog = setoutDialogs_[static_cast<std::size_t>(kind)];
    if (!dialog) {
        // Made once: it keeps what was typed from one table to the next.
        const QString folder = project_.icdFileName.empty()
                                   ? findExamplesFolder(programFolder_)
                                   : QFileInfo(QString::fromStdString(project_.icdFileName)).absolutePath();
        dialog = new SetoutDialog(static_cast<SetoutDialogKind>(kind), folder, this);
    }
    // A refused field is said, then the dialog comes back with what was typed.
    while (execDialog(*dialog)) {
        Outcome outcome;
        switch (static_cast<SetoutDialogKind>(kind)) {
            case SetoutDialogKind::StakeTable: outcome = stakeTableOutcome(dialog->stakeTableRequest()); break;
            case SetoutDialogKind::CurveTable: outcome = curveTableOutcome(dialog->curveTableRequest()); break;
            case SetoutDialogKind::LocatePoints: outcome = locatePointsOutcome(dialog->locateRequest()); break;
            case SetoutDialogKind::SubgradeTable: outcome = subgradeTableOutcome(dialog->subgradeTableRequest()); break;
            case SetoutDialogKind::Stakeout: outcome = stakeoutOutcome(dialog->stakeoutRequest()); break;
        }
        if (outcome.kind != OutcomeKind::Refused || !dialog) return;
    }
}

Outcome MainWindow::withProgress(const QString& title, const std::function<Outcome(const Progress&)>& work) {
    QProgressDialog progress(title, caption("取消"), 0, 1, this);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(PROGRESS_DELAY_MS);
    return work([&progress](std::size_t done, std::size_t total) {
        progress.setMaximum(static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
        progress.setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
}

Outcome MainWindow::outputShown(const Outcome& outcome, const OutputWritten& written) {
    // What was written, also when the run then reports lines it left out.
    if (!written.status.empty()) form_->setText(Control::Label1, written.status);
    showOutcome(outcome, *ui_, messenger_);
    return outcome;
}

Outcome MainWindow::stakeTableOutcome(const StakeTableRequest& request) {
    OutputWritten written;
    const Outcome outcome = withProgress(caption("逐桩坐标表"), [&](const Progress& p) {
        return writeStakeTable(project_, request, p, &written);
    });
    return outputShown(outcome, written);
}

Outcome MainWindow::curveTableOutcome(const CurveTableRequest& request) {
    OutputWritten written;
    return outputShown(writeCurveTable(project_, request, &written), written);
}

Outcome MainWindow::locatePointsOutcome(const LocateRequest& request) {
    std::size_t skipped = 0;
    OutputWritten written;
    const Outcome outcome = withProgress(caption("坐标反算"), [&](const Progress& p) {
        return writeLocatedPoints(project_, request, skipped, p, &written);
    });
    return outputShown(outcome, written);
}

Outcome MainWindow::subgradeTableOutcome(const SubgradeTableRequest& request) {
    OutputWritten written;
    const Outcome outcome = withProgress(caption("路基设计表"), [&](const Progress& p) {
        return writeSubgradeTable(project_, request, p, &written);
    });
    return outputShown(outcome, written);
}

Outcome MainWindow::stakeoutOutcome(const StakeoutRequest& request) {
    OutputWritten written;
    const Outcome outcome = withProgress(caption("放样点文件"), [&](const Progress& p) {
        return writeStakeoutPoints(project_, request, p, &written);
    });
    return outputShown(outcome, written);
}

bool MainWindow::applyProjectSystems(const ProjectSystemsRequest& request) {
    const Outcome outcome = setProjectSystems(project_, request);
    showOutcome(outcome, *ui_, messenger_);
    if (!outcome.isDone()) return false;
    if (project_.initialised) rememberProject();
    return true;
}

bool MainWindow::runProjectSettings() {
    const QString folder = project_.icdFileName.empty()
                               ? findExamplesFolder(programFolder_)
                               : QFileInfo(QString::fromStdString(project_.icdFileName)).absolutePath();
    ProjectSettingsDialog dialog({project_.crs, project_.transformFile}, folder, this);
    // A refused field is said, then the dialog comes back with what was typed.
    while (dialog.exec() == QDialog::Accepted)
        if (applyProjectSystems(dialog.request())) return true;
    return false;
}

bool MainWindow::runStakeout(const StakeoutRequest& request) { return stakeoutOutcome(request).isDone(); }

bool MainWindow::runSubgradeTable(const SubgradeTableRequest& request) {
    return subgradeTableOutcome(request).isDone();
}

bool MainWindow::runLoadSurface() {
    std::string status;
    const Outcome outcome = loadSurfaceFiles(project_, *ui_, status);
    if (outcome) {
        form_->setText(Control::Label1, status);
        surfaceChanged();
    }
    showOutcome(outcome, *ui_, messenger_);
    return outcome.isDone();
}

void MainWindow::surfaceChanged() {
    views_->showSurface(project_);
    if (auto* action = findChild<QAction*>(QStringLiteral("subgradeTableAction")))
        action->setEnabled(project_.surface.loaded());
}

bool MainWindow::runStakeTable(const StakeTableRequest& request) { return stakeTableOutcome(request).isDone(); }

bool MainWindow::runCurveTable(const CurveTableRequest& request) { return curveTableOutcome(request).isDone(); }

bool MainWindow::runLocatePoints(const LocateRequest& request) { return locatePointsOutcome(request).isDone(); }

void MainWindow::connectHandlers() {
    auto* check1 = findChild<QCheckBox*>(QStringLiteral("Check1"));
    auto* option1 = findChild<QRadioButton*>(QStringLiteral("Option1"));
    auto* option2 = findChild<QRadioButton*>(QStringLiteral("Option2"));
    auto* text1 = findChild<QLineEdit*>(QStringLiteral("Text1"));
    const auto button = [this](const char* name) { return findChild<QPushButton*>(QLatin1String(name)); };

    // The check box's handler also runs when it is set from code. The option
    // handlers run on every click (the arrow keys click too), also on the
    // option already selected.
    connect(check1, &QCheckBox::toggled, this, &MainWindow::check1Clicked);
    connect(option1, &QRadioButton::clicked, this, &MainWindow::option1Clicked);
    connect(option2, &QRadioButton::clicked, this, &MainWindow::option2Clicked);
    // Enter in the stake field computes; the key goes on unchanged.
    connect(text1, &QLineEdit::returnPressed, this, [this] { runCompute(); });

    connect(button("Command4"), &QPushButton::clicked, this, [this] { runInitialise(); });
    connect(button("Command3"), &QPushButton::clicked, this, [this] { runCompute(); });
    connect(button("xpcmdbutton3"), &QPushButton::clicked, this, [this] {
        if (onSelectAndCompute) onSelectAndCompute();
    });
    connect(button("xpcmdbutton4"), &QPushButton::clicked, this, [this] {
        if (onPickAndCompute) onPickAndCompute();
    });
    connect(button("xpcmdbutton2"), &QPushButton::clicked, this, &MainWindow::helpClicked);
    connect(button("xpcmdbutton1"), &QPushButton::clicked, this, &MainWindow::moreSoftwareClicked);
    connect(button("Command2"), &QPushButton::clicked, this, &MainWindow::exitClicked);
}

bool MainWindow::runInitialise() {
    const bool alignmentMode = form_->isChecked(Control::Check1);
    viewsUi_->clearOpened();
    Outcome outcome = initialise(project_, *form_, *ui_, settings_);
    // A load that did not complete is what 检查数据 checks until the next one does.
    failedLoad_.reset();
    const std::vector<std::string>& opened = viewsUi_->opened();
    const bool read = std::any_of(opened.begin(), opened.end(), [](const std::string& f) { return !f.empty(); });
    if (read && (outcome.kind == OutcomeKind::Failed || outcome.kind == OutcomeKind::Refused))
        failedLoad_ = ProjectFiles{alignmentMode, opened};
    // A refused load names its file and line in the box's details, as a failed one does.
    if (outcome.kind == OutcomeKind::Refused) outcome.detailShown = true;
    projectAfterInitialise(outcome.isDone(), alignmentMode);
    // The drawing window shows the road now in force.
    if (outcome.isDone() && alignmentMode) {
        reference_ = referenceAlignmentOf(project_);
        showReferenceAlignment(*connector_, reference_);
    }
    viewsAfterInitialise(outcome.isDone());
    if (outcome.isDone() && !project_.notes.empty())
        form_->setText(Control::Label1, form_->text(Control::Label1) + loadNotesStatus(project_.notes.size()));
    showOutcome(outcome, *ui_, messenger_);
    return outcome.isDone();
}

bool MainWindow::runCompute() {
    ComputeReport report;
    const Outcome outcome = compute(project_, *form_, *ui_, settings_, report);
    // The views mark the last stake computed, as the command hands it back.
    if (outcome.isDone() && !report.results.empty()) views_->markChainage(report.results.back().chainage);
    showOutcome(outcome, *ui_, messenger_);
    return outcome.isDone();
}

DrawingCommandContext MainWindow::drawingContext() {
    // The drawing commands show what they end with, the compute's outcome
    // included: the compute handler they run shows nothing itself.
    return {project_, *form_, *ui_, settings_, *connector_, *messenger_,
            [this] { return compute(project_, *form_, *ui_, settings_); }};
}

bool MainWindow::runPickAndAnnotate() {
    DrawingCommandContext context = drawingContext();
    const Outcome outcome = pickAndAnnotate(context);
    viewsAfterCompute();
    showOutcome(outcome, *ui_, messenger_);
    return outcome.isDone();
}

bool MainWindow::runSelectAndCompute() {
    DrawingCommandContext context = drawingContext();
    const Outcome outcome = selectAndCompute(context, random_, [this](const std::vector<StakeListRow>& rows) {
        showStakeList(*connector_, rows);
    });
    viewsAfterCompute();
    showOutcome(outcome, *ui_, messenger_);
    return outcome.isDone();
}

void MainWindow::setDrawingLink(CadConnector* connector, CadMessenger* messenger) {
    connector_ = connector ? connector : ownConnector_.get();
    messenger_ = messenger ? messenger : ownMessenger_.get();
    showReferenceAlignment(*connector_, reference_);
}

QString MainWindow::helpFile() const {
    // Beside the program; an installed copy keeps it in its data folder.
    const QString beside = QString::fromStdString(programFilePath(programFolder_.toStdString(), HELP_FILE_NAME));
    const QString installed = QDir(programFolder_).filePath(QStringLiteral("../share/gradix/") + HELP_FILE_NAME);
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile()) return QDir::cleanPath(installed);
    return beside;
}

void MainWindow::check1Clicked(bool checked) {
    form_->setText(Control::Label1, checked ? STATUS_START_ALIGNMENT : STATUS_START_BREAKS);
}

void MainWindow::option1Clicked() {
    if (!project_.initialised) return;
    for (Control c : {Control::Text1, Control::Text2, Control::Text3, Control::xpcmdbutton3})
        form_->setEnabled(c, true);
    form_->setText(Control::Label1, STATUS_SINGLE);
}

void MainWindow::option2Clicked() {
    for (Control c : {Control::Text1, Control::Text2, Control::Text3, Control::xpcmdbutton3})
        form_->setEnabled(c, false);
    if (project_.initialised) form_->setText(Control::Label1, STATUS_FILE);
}

void MainWindow::helpClicked() {
    if (!help_) help_ = new HelpWindow(this);
    help_->showHelp(helpFile());
}

void MainWindow::moreSoftwareClicked() {
    if (openWebPage) openWebPage(webPage());
    showAbout();
}

void MainWindow::exitClicked() {
    // Ends the program at once: every window closes, nothing of the project
    // is saved. The drawing window lives in this program, so annotations
    // not yet saved would go with it: it asks first, and may keep it open.
    if (!closeDrawingWindows()) return;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closeDrawingWindows()) {
        event->ignore();
        return;
    }
    if (help_) help_->close();
    event->accept();
    QCoreApplication::quit();
}

bool MainWindow::closeDrawingWindows() {
    return closeDrawingWindow(*connector_) && closeDrawingWindow(*ownConnector_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field || (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut))
        return QWidget::eventFilter(watched, event);

    // Focus moving to another window (a message box, a menu) and coming back
    // is no change of field: the field keeps its colour and selection.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::FocusIn) {
        field->selectAll();
        // A mouse click places the cursor after the focus arrives; select
        // again once it has.
        if (reason == Qt::MouseFocusReason) QTimer::singleShot(0, field, &QLineEdit::selectAll);
        QPalette green = field->palette();
        green.setColor(QPalette::Base, FOCUS_BACKGROUND);
        field->setPalette(green);
    } else {
        field->setPalette(QPalette());
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace gradix
