// The window Form1 driven as an engineer drives it: the real widgets found
// by their object names, the dialogs answered from a script, and the Qt
// dialogs and message boxes checked on their own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "alignment/alignment.h"
#include "app/aboutbox.h"
#include "app/checkdialog.h"
#include "app/drawinglink.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "app/qtform.h"
#include "app/qtuserinterface.h"
#include "app/roadviews.h"
#include "app/setoutdialogs.h"
#include "cadmodel/batchcad.h"
#include "dxf/dxfreader.h"
#include "drawing/windowcad.h"
#include "support/dxf_checker.h"
#include "support/file_bytes.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "support/worked_examples.h"
#include "text/failures.h"
#include "profile/profile.h"
#include "stakes/stakes.h"
#include "text/numbers.h"
#include "views/planview.h"
#include "views/profileview.h"
#include "views/sectionview.h"

namespace fs = std::filesystem;
using gradix::Control;
using gradix::MainWindow;
using gradix::testing::ScriptedUi;

namespace {

constexpr int MODAL_WAIT_MS = 5000;  // a modal box appears well within this

// A fresh folder per test, standing for the program's folder.
struct Folder : gradix::testing::TempFolder {
    Folder() : TempFolder("app") {}
    QString qfolder() const { return QString::fromStdString(folder()); }
};

using gradix::testing::CREST_PROFILE;
using gradix::testing::readBytes;
using gradix::testing::SHORT_ICD;
using gradix::testing::SHORT_ICD_PROFILE;
constexpr const char* NO_BREAKS = gradix::testing::NO_BREAKS_FILE;

// The window over a program folder of its own, with scripted dialogs.
struct Session {
    Folder dir;
    ScriptedUi ui;
    std::unique_ptr<MainWindow> window;

    Session() { open(); }
    void open() {
        window = std::make_unique<MainWindow>(gradix::WindowSetup{dir.qfolder(), "", &ui});
        window->show();
    }

    template <class Widget = QWidget>
    Widget* child(const char* name) const {
        auto* w = window->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* field(const char* name) const { return child<QLineEdit>(name); }
    QString text(const char* name) const {
        if (auto* edit = window->findChild<QLineEdit*>(QLatin1String(name))) return edit->text();
        if (auto* label = window->findChild<QLabel*>(QLatin1String(name))) return label->text();
        return child<QAbstractButton>(name)->text();
    }
    bool enabled(const char* name) const { return child(name)->isEnabled(); }
    void click(const char* name) const { QTest::mouseClick(child(name), Qt::LeftButton); }
    std::string status() const { return text("Label1").toStdString(); }

    // Initialises through the Command4 button with the given answers.
    void initialise(std::deque<std::string> answers) {
        ui.answers = std::move(answers);
        click("Command4");
        ui.events.clear();
    }
    void initialiseCrest() { initialise({dir.write("b.dl", NO_BREAKS), dir.write("p.zdm", CREST_PROFILE)}); }
    void initialiseAlignment() {
        child<QCheckBox>("Check1")->setChecked(true);
        initialise({dir.write("line.ICD", SHORT_ICD), dir.write("line.zdm", SHORT_ICD_PROFILE)});
    }
};

// Runs check on the modal widget once it is up, then closes it, while the
// code under test waits in its exec().
void whenModalAppears(std::function<void(QWidget*)> check) {
    auto* timer = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, started, check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && (*started += 10) < MODAL_WAIT_MS) return;
        timer->stop();
        timer->deleteLater();
        if (!modal) return;
        check(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible()) dialog->reject();
    });
    timer->start(10);
}

// Names the dialog lists in its current folder, once the folder is read.
std::set<std::string> listedNames(QFileDialog& dialog, std::size_t expected) {
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    std::set<std::string> names;
    if (!view) return names;
    (void)QTest::qWaitFor(
        [&] {
            names.clear();
            QAbstractItemModel* model = view->model();
            for (int r = 0; r < model->rowCount(view->rootIndex()); ++r)
                names.insert(model->index(r, 0, view->rootIndex()).data().toString().toStdString());
            return names.size() == expected;
        },
        MODAL_WAIT_MS);
    return names;
}

// ---------------------------------------------------------------- controls

TEST(WindowControls, EveryControlHasItsNameCaptionAndStartingState) {
    Session s;
    EXPECT_EQ(s.window->objectName(), "Form1");
    EXPECT_EQ(s.window->windowTitle(), "Gradix V2.5");

    const struct {
        const char* name;
        const char* caption;
        bool enabled;
    } table[] = {
        {"Frame1", "初始化", true},
        {"Check1", "计算CAD中获取坐标对应的桩号", true},
        {"Frame2", "计算结果", true},
        {"Option1", "单个桩号", true},
        {"Option2", "读取桩号文件", true},
        {"Label4", "桩号", true},
        {"Text1", "", false},
        {"Label5", "高程", true},
        {"Text2", "", false},
        {"Label2", "切线纵坡", true},
        {"Text3", "", false},
        {"Label14", "旋转角度", true},
        {"Text9", "0", true},
        {"Command4", "  初 始 化", true},
        {"Command3", "  计   算", false},
        {"xpcmdbutton3", "   选择并计算", false},
        {"xpcmdbutton4", "   点取并计算", false},
        {"xpcmdbutton2", "  帮  助", true},
        {"xpcmdbutton1", "  更多软件", true},
        {"Command2", "  退  出", true},
        {"Label1", "请先初始化读取断链、纵断面资料", true},
    };
    for (const auto& row : table) {
        QWidget* w = s.child(row.name);
        ASSERT_NE(w, nullptr);
        const QString caption = qobject_cast<QGroupBox*>(w) ? static_cast<QGroupBox*>(w)->title() : s.text(row.name);
        EXPECT_EQ(caption.toStdString(), row.caption) << row.name;
        EXPECT_EQ(w->isEnabled(), row.enabled) << row.name;
    }
    EXPECT_FALSE(s.child<QCheckBox>("Check1")->isChecked());
    EXPECT_TRUE(s.child<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(s.child<QRadioButton>("Option2")->isChecked());
}

TEST(WindowControls, FramesHoldTheirControlsAndTheStatusLineIsRed) {
    Session s;
    EXPECT_EQ(s.child("Check1")->parentWidget(), s.child("Frame1"));
    for (const char* name : {"Option1", "Option2", "Label4", "Text1", "Label5", "Text2", "Label2", "Text3",
                             "Label14", "Text9"})
        EXPECT_EQ(s.child(name)->parentWidget(), s.child("Frame2")) << name;
    EXPECT_EQ(s.child("Label1")->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST(WindowControls, TextFieldsUseSongtiOrAChineseSerifAtTenAndAHalfPoints) {
    Session s;
    for (const char* name : {"Text1", "Text2", "Text3", "Text9"}) {
        const QFont font = s.field(name)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), gradix::FIELD_FONT_POINTS) << name;
        ASSERT_FALSE(font.families().isEmpty());
        EXPECT_EQ(font.families().front(), "SimSun") << name;
        // What the font system really gives must be one of the families asked
        // for: 宋体 itself or an installed Chinese serif, never a Latin font.
        const QString used = QFontInfo(font).family();
        EXPECT_TRUE(font.families().contains(used)) << name << " is set in " << used.toStdString();
    }
}

TEST(WindowControls, CenterFormPutsTheWindowCentredAcrossAndAThirdDown) {
    EXPECT_EQ(gradix::centredPosition(QRect(0, 0, 1920, 1080), QSize(420, 300)), QPoint(750, 260));
    EXPECT_EQ(gradix::centredPosition(QRect(1920, 0, 1280, 1024), QSize(400, 301)), QPoint(2360, 241));

    Session s;
    const QRect screen = s.window->screen()->geometry();
    gradix::CenterForm(*s.window);
    EXPECT_EQ(s.window->frameGeometry().topLeft(),
              gradix::centredPosition(screen, s.window->frameGeometry().size()));
}

// ------------------------------------------------------------ mode switches

TEST(WindowModes, Check1OnlyChangesTheStatusTextBeforeAndAfterInitialisation) {
    Session s;
    auto* check1 = s.child<QCheckBox>("Check1");
    s.click("Check1");
    EXPECT_TRUE(check1->isChecked());
    EXPECT_EQ(s.status(), gradix::STATUS_START_ALIGNMENT);
    s.click("Check1");
    EXPECT_EQ(s.status(), gradix::STATUS_START_BREAKS);

    s.initialiseCrest();
    s.click("Check1");
    EXPECT_EQ(s.status(), gradix::STATUS_START_ALIGNMENT);
    for (const char* name : {"Text1", "Command3", "xpcmdbutton3"}) EXPECT_TRUE(s.enabled(name)) << name;
    EXPECT_FALSE(s.enabled("xpcmdbutton4"));
    // A click on the option already selected runs its handler again.
    s.click("Option1");
    EXPECT_EQ(s.status(), gradix::STATUS_SINGLE);
}

TEST(WindowModes, OptionsBeforeInitialisationChangeNoStatusAndEnableNothing) {
    Session s;
    s.click("Option2");
    EXPECT_TRUE(s.child<QRadioButton>("Option2")->isChecked());
    EXPECT_EQ(s.status(), gradix::STATUS_START_BREAKS);
    s.click("Option1");
    EXPECT_EQ(s.status(), gradix::STATUS_START_BREAKS);
    for (const char* name : {"Text1", "Text2", "Text3", "xpcmdbutton3", "Command3"})
        EXPECT_FALSE(s.enabled(name)) << name;
}

TEST(WindowModes, AfterAnAlignmentInitialisationTheOptionsMoveBetweenTheTwoModes) {
    Session s;
    s.initialiseAlignment();
    ASSERT_EQ(s.status(), gradix::STATUS_SINGLE_CAD);

    s.click("Option2");
    EXPECT_EQ(s.status(), gradix::STATUS_FILE);
    for (const char* name : {"Text1", "Text2", "Text3", "xpcmdbutton3"}) EXPECT_FALSE(s.enabled(name)) << name;
    for (const char* name : {"Command3", "Command4", "xpcmdbutton4"}) EXPECT_TRUE(s.enabled(name)) << name;

    s.click("Option1");
    EXPECT_EQ(s.status(), gradix::STATUS_SINGLE);
    for (const char* name : {"Text1", "Text2", "Text3", "xpcmdbutton3", "Command3", "xpcmdbutton4"})
        EXPECT_TRUE(s.enabled(name)) << name;
}

// -------------------------------------------------------------- field focus

TEST(WindowFocus, EnteringAFieldSelectsItAllInLightGreenAndLeavingGivesTheColourBack) {
    Session s;
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));
    QLineEdit* text9 = s.field("Text9");
    text9->setText("12.5");
    const QColor normal = text9->palette().color(QPalette::Base);
    ASSERT_NE(normal, gradix::FOCUS_BACKGROUND);

    QTest::mouseClick(text9, Qt::LeftButton);
    QTest::qWait(0);  // the selection made again after the click has placed the cursor
    EXPECT_TRUE(text9->hasFocus());
    EXPECT_EQ(text9->selectedText(), "12.5");
    EXPECT_EQ(text9->palette().color(QPalette::Base), gradix::FOCUS_BACKGROUND);

    s.child("Check1")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(text9->palette().color(QPalette::Base), normal);
}

TEST(WindowFocus, EnterInTheStakeFieldRunsTheComputeCommand) {
    Session s;
    s.initialiseCrest();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));
    QLineEdit* text1 = s.field("Text1");
    text1->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(text1, "100");
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_EQ(s.text("Text2"), "102.0000");
    EXPECT_EQ(s.text("Text3"), "2.0000");
    EXPECT_EQ(s.ui.clipboard, "100\t102.0000\t2.0000");
}

// ----------------------------------------------------------- initialisation

TEST(WindowInitialise, ChainBreakModeAsksBreaksThenProfileThroughTheWindow) {
    Session s;
    s.field("Text9")->setText("30");
    s.ui.answers = {s.dir.write("road.dl", "2350 2300\n"), s.dir.write("road.zdm", "2000 100\nB2400 104\n")};
    s.click("Command4");

    EXPECT_EQ(s.ui.events, (std::vector<std::string>{"open CommonDialog3 读取断链资料",
                                                     "open CommonDialog4 读取纵断面设计资料"}));
    EXPECT_EQ(readBytes(s.dir.file("gradix.ini")), "30\r\n");
    EXPECT_TRUE(s.window->project().initialised);
    EXPECT_EQ(s.window->project().breaks.chainBreakCount, 1);
    EXPECT_EQ(s.status(), gradix::STATUS_SINGLE);
    for (const char* name : {"Text1", "Text2", "Text3", "xpcmdbutton3", "Command3"}) EXPECT_TRUE(s.enabled(name));
    EXPECT_FALSE(s.enabled("xpcmdbutton4"));
}

TEST(WindowInitialise, AlignmentModeReadsTheIcdFileAndEnablesThePick) {
    Session s;
    s.initialiseAlignment();
    EXPECT_EQ(s.window->project().icdFileName, s.dir.file("line.ICD"));
    EXPECT_EQ(s.window->project().samples.sampleCount, 12.0);
    EXPECT_EQ(s.status(), gradix::STATUS_SINGLE_CAD);
    EXPECT_TRUE(s.enabled("xpcmdbutton4"));
}

TEST(WindowInitialise, CancelledDialogShowsTheCancelMessageAndLoadsNothing) {
    Session s;
    s.ui.answers = {""};
    s.click("Command4");
    EXPECT_EQ(s.ui.events.back(), "error 错误: 读取文件被取消！");
    EXPECT_TRUE(fs::exists(s.dir.file("gradix.ini")));

    s.ui.events.clear();
    s.ui.answers = {s.dir.write("b.dl", "2350 2300\n4100 4180\n"), ""};
    s.click("Command4");
    EXPECT_EQ(s.ui.events.back(), "error 错误: 读取文件被取消！");
    EXPECT_EQ(s.window->project().breaks.chainBreakCount, 0);  // nothing of a failed run is in force
    EXPECT_FALSE(s.window->project().initialised);
    EXPECT_FALSE(s.enabled("Command3"));
    EXPECT_EQ(s.status(), gradix::STATUS_START_BREAKS);
}

TEST(WindowInitialise, BadFileShowsTheFormatMessageWithFileAndLineInTheDetails) {
    Session s;
    const std::string profile = s.dir.write("bad.zdm", "0 100\n200 104\n300\n");
    s.ui.answers = {s.dir.write("b.dl", NO_BREAKS), profile};
    s.click("Command4");
    EXPECT_EQ(s.ui.events.back(), "error 错误: 数据文件格式有误！");
    ASSERT_EQ(s.ui.errorDetails.size(), 1u);
    EXPECT_NE(s.ui.errorDetails[0].find(profile + "，第3行"), std::string::npos) << s.ui.errorDetails[0];
    EXPECT_FALSE(s.enabled("Command3"));
}

TEST(WindowInitialise, TheExampleProjectLoadsInBothModes) {
    const fs::path examples = GRADIX_EXAMPLES;
    if (!fs::exists(examples / "road.icd")) GTEST_SKIP() << "no example project in " << examples;
    Session s;
    s.initialise({(examples / "road.dl").string(), (examples / "road.zdm").string()});
    ASSERT_TRUE(s.window->project().initialised) << (s.ui.events.empty() ? "" : s.ui.events.back());
    s.field("Text1")->setText("B2320");
    s.click("Command3");
    EXPECT_EQ(s.text("Text2"), "112.0480");
    EXPECT_EQ(s.text("Text3"), "-0.9600");

    s.click("Check1");
    s.initialise({(examples / "road.icd").string(), (examples / "road-icd.zdm").string()});
    EXPECT_EQ(s.status(), gradix::STATUS_SINGLE_CAD);
    EXPECT_EQ(s.window->project().breaks.chainBreakCount, 0);
    s.field("Text1")->setText("2370");
    s.click("Command3");
    EXPECT_EQ(s.text("Text2"), "112.0480");

    // The same road as LandXML: alignment, equations and profile in one file.
    s.initialise({(examples / "road.xml").string()});
    EXPECT_EQ(s.window->project().breaks.chainBreakCount, 2);
    s.field("Text1")->setText("B2320");
    s.click("Command3");
    EXPECT_EQ(s.text("Text2"), "112.0480");
}

// ------------------------------------------------------------------ compute

TEST(WindowCompute, SingleStakeFillsTheResultFieldsAndTheClipboard) {
    Session s;
    s.initialiseCrest();
    s.field("Text1")->setText("180");
    s.field("Text9")->setText("90");
    s.click("Command3");
    EXPECT_EQ(s.text("Text2"), "103.5000");
    EXPECT_EQ(s.text("Text3"), "1.0000");
    EXPECT_EQ(s.ui.clipboard, "180\t103.5000\t1.0000");
    EXPECT_EQ(readBytes(s.dir.file("gradix.ini")), "90\r\n");
}

TEST(WindowCompute, StakeOutsideTheProfileGetsTheRangeMessageAndTheFocusGoesBackToTheStake) {
    Session s;
    s.initialiseCrest();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));
    s.field("Text1")->setText("180");
    s.click("Command3");
    s.ui.events.clear();
    s.field("Text1")->setText(" 500 ");
    s.field("Text9")->setFocus(Qt::TabFocusReason);
    s.click("Command3");
    EXPECT_EQ(s.ui.events, (std::vector<std::string>{"activate", "message 数据有误: 桩号500超出纵断面数据文件，请修改！"}));
    EXPECT_EQ(QApplication::focusWidget(), s.field("Text1"));
    EXPECT_EQ(s.text("Text2"), "103.5000");
}

TEST(WindowCompute, StakeFileWritesTheResultFileAndKeepsTheStakeTextAsRead) {
    Session s;
    s.initialiseCrest();
    s.click("Option2");
    const std::string result = s.dir.file("out.txt");
    s.ui.answers = {s.dir.write("stakes.txt", "100\n  300 pier \n"), result};
    s.click("Command3");
    EXPECT_EQ(s.ui.events,
              (std::vector<std::string>{"open CommonDialog1 读取桩号文件", "save CommonDialog7 另存桩号、高程文件"}));
    EXPECT_EQ(readBytes(result),
              "100           102.0000       2.0000\r\n"
              "300 pier      102.0000       -2.0000\r\n");
}

TEST(WindowCompute, DrawingButtonsRunTheirHooksWhichRunTheComputeHandler) {
    Session s;
    s.initialiseCrest();
    int picks = 0;
    s.window->onSelectAndCompute = [&] {
        s.window->form().setText(Control::Text1, "100");
        s.window->runCompute();
    };
    s.window->onPickAndCompute = [&] { ++picks; };
    s.click("xpcmdbutton3");
    EXPECT_EQ(s.text("Text2"), "102.0000");
    s.window->form().setEnabled(Control::xpcmdbutton4, true);
    s.click("xpcmdbutton4");
    EXPECT_EQ(picks, 1);
}

// ------------------------------------------------------ drawing commands

// A straight road of 250 m northward from (0, 0) at chainage 0 and its profile.
constexpr const char* NORTH_ICD = "0\n0,0,0\n1,250\n";
constexpr const char* NORTH_PROFILE = "0 100\n250 105\n";

// A drawing program that cannot be reached: nothing runs and nothing starts.
struct NoDrawingProgram : gradix::CadConnector {
    int starts = 0;
    gradix::CadApplication* attach() override { return nullptr; }
    gradix::CadApplication& start() override {
        ++starts;
        throw gradix::CadError("无法打开绘图窗口：没有可用的显示");
    }
    void activate(const std::string&) override {}
};

using AnsweredDrawingDialogs = gradix::testing::ScriptedDrawingDialogs;

// Types the points into the command line of the drawing window, one per
// pick, as the picks come; the window may not be open yet.
class PickTyper {
public:
    PickTyper(gradix::DrawingWindowConnector& connector, std::deque<QString> points)
        : connector_(connector), points_(std::move(points)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    std::size_t left() const { return points_.size(); }

private:
    void poll() {
        gradix::DrawingWindow* window = connector_.window();
        if (!window || watched_) return;
        watched_ = true;
        QObject::connect(window, &gradix::DrawingWindow::waitingChanged, window, [this, window](bool waiting) {
            if (waiting) QTimer::singleShot(0, window, [this, window] { type(*window); });
        });
        if (window->isBusy()) type(*window);
    }
    void type(gradix::DrawingWindow& window) {
        if (points_.empty() || !window.isBusy()) return;
        window.commandLine()->setText(points_.front());
        points_.pop_front();
        QTest::keyClick(window.commandLine(), Qt::Key_Return);
    }

    gradix::DrawingWindowConnector& connector_;
    std::deque<QString> points_;
    QTimer timer_;
    bool watched_ = false;
};

// The window over a drawing given in advance, picks and selections queued.
struct DrawingSession {
    std::shared_ptr<gradix::Drawing> drawing = std::make_shared<gradix::Drawing>(gradix::newDrawing());
    gradix::BatchCad cad{drawing};
    Session s;
    DrawingSession() { s.window->setDrawingLink(&cad, &cad); }
    std::size_t entities() const { return drawing->entities.size(); }
};

gradix::DrawingEntity textEntity(const std::string& text) {
    gradix::DrawingEntity e;
    e.kind = gradix::EntityKind::Text;
    e.text = text;
    return e;
}

TEST(WindowDrawing, PickAfterAnAlignmentInitialisationFillsTheFieldsAndAnnotatesTheDrawing) {
    DrawingSession d;
    d.s.field("Text9")->setText("90");
    d.s.initialiseAlignment();
    ASSERT_TRUE(d.s.enabled("xpcmdbutton4"));
    // Drawing x is east, y north: (0.5, 4) lies half a metre east of the
    // road at chainage 1004.
    d.cad.screen().points = {{0.5, 4, 0}, {3, 4, 0}};
    d.s.click("xpcmdbutton4");

    // The foot found off the road is the stake to the millimetre.
    EXPECT_EQ(d.s.text("Text1"), "1004.000");
    EXPECT_EQ(d.s.text("Text2"), "50.4000");
    EXPECT_EQ(d.s.text("Text3"), "10.0000");
    EXPECT_EQ(d.s.ui.clipboard, "1004.000\t50.4000\t10.0000");
    EXPECT_EQ(d.s.status(), gradix::STATUS_SINGLE_CAD);
    for (const char* name : {"Text1", "Text2", "Text3", "Command3", "xpcmdbutton3", "xpcmdbutton4"})
        EXPECT_TRUE(d.s.enabled(name)) << name;
    EXPECT_EQ(readBytes(d.s.dir.file("gradix.ini")), "90\r\n");
    EXPECT_EQ(d.cad.screen().prompts,
              (std::vector<std::string>{"===点取设计线范围任意点：===", "点取计算结果显示插入点:"}));

    ASSERT_EQ(d.entities(), 1u);
    const gradix::DrawingEntity& note = d.drawing->entities.back();
    EXPECT_EQ(note.kind, gradix::EntityKind::MText);
    EXPECT_EQ(note.text, "{\\L桩号：LINEK1+004.000\\P高程：50.4000\\P纵坡：10.0000%\\P");
    EXPECT_EQ(note.layer, "纵断面设计高程");
    EXPECT_EQ(note.style, "jp");
    EXPECT_EQ(note.x, 3.0);
    EXPECT_EQ(note.y, 4.0);
    EXPECT_DOUBLE_EQ(note.rotation, d.s.window->project().pi / 2);
}

TEST(WindowDrawing, SelectedStakeLabelIsComputedInTheWindow) {
    DrawingSession d;
    d.s.initialiseCrest();
    d.drawing->entities = {textEntity("K0+100"), gradix::DrawingEntity{}, textEntity("K0+150")};
    d.cad.screen().selections = {{0, 1, 2}};
    d.s.click("xpcmdbutton3");

    // Only the last label counts; the line between is no label.
    EXPECT_EQ(d.s.text("Text1"), "150");
    EXPECT_EQ(d.s.text("Text2"), "103.0000");
    EXPECT_EQ(d.s.text("Text3"), "2.0000");
    EXPECT_EQ(d.s.ui.events,
              (std::vector<std::string>{"activate", "clipboard 150\t103.0000\t2.0000"}));
    EXPECT_EQ(d.entities(), 3u);  // the drawing gains nothing

    // A selection without any text leaves the stake field empty and still
    // computes, which refuses the empty stake.
    d.cad.screen().selections = {{1}};
    d.s.click("xpcmdbutton3");
    EXPECT_EQ(d.s.text("Text1"), "");
    EXPECT_EQ(d.s.text("Text2"), "103.0000");
    EXPECT_EQ(d.s.ui.events.back(), "message 数据有误: 请输入桩号！");
}

TEST(WindowDrawing, CancelledPickAddsNothing) {
    DrawingSession d;
    d.s.initialiseAlignment();
    d.s.click("xpcmdbutton4");  // Esc at the pick near the road
    EXPECT_EQ(d.s.text("Text1"), "");
    EXPECT_EQ(d.s.ui.clipboard, "");
    EXPECT_EQ(d.entities(), 0u);

    d.cad.screen().points = {{0, 6, 0}};  // Esc at the insertion point
    d.s.click("xpcmdbutton4");
    EXPECT_EQ(d.s.text("Text1"), "1006");
    EXPECT_EQ(d.s.text("Text2"), "50.6000");
    EXPECT_EQ(d.entities(), 0u);
    EXPECT_EQ(d.s.status(), gradix::STATUS_SINGLE_CAD);
}

TEST(WindowDrawing, FailedConnectionShowsTheMessageBoxAndTheCommandStops) {
    NoDrawingProgram nothing;
    Session s;
    s.window->setDrawingLink(&nothing, nullptr);  // the window's own message box
    s.initialiseAlignment();
    s.field("Text9")->setText("45");
    s.field("Text1")->setText("1002");

    for (const char* button : {"xpcmdbutton4", "xpcmdbutton3"}) {
        std::vector<std::string> seen;
        whenModalAppears([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen.push_back(box->text().toStdString());
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        });
        s.click(button);
        EXPECT_EQ(seen, (std::vector<std::string>{"无法打开绘图窗口：没有可用的显示"})) << button;
    }
    EXPECT_EQ(nothing.starts, 2);
    // Nothing after the connection ran: no settings written, no stake computed.
    EXPECT_EQ(readBytes(s.dir.file("gradix.ini")), "0\r\n");
    EXPECT_EQ(s.text("Text1"), "1002");
    EXPECT_EQ(s.text("Text2"), "");
    EXPECT_TRUE(s.ui.events.empty());
}

TEST(WindowDrawing, ReferenceLineIsTheAlignmentWithATickEveryHundredMetres) {
    EXPECT_EQ(gradix::stakeTickLabel(gradix::ChainBreakTable{}, 1200), "K1+200");
    EXPECT_EQ(gradix::stakeTickLabel(gradix::ChainBreakTable{}, 0), "K0+000");

    DrawingSession d;
    EXPECT_TRUE(d.s.window->referenceAlignment().empty());
    d.s.child<QCheckBox>("Check1")->setChecked(true);
    d.s.initialise({d.s.dir.write("north.ICD", NORTH_ICD), d.s.dir.write("north.zdm", NORTH_PROFILE)});
    const gradix::ReferenceAlignment& line = d.s.window->referenceAlignment();
    ASSERT_EQ(line.line.size(), 251u);  // the samples 0, 1, ... 250 m, none beyond the ends
    EXPECT_EQ(line.line.front().X, 0.0);
    EXPECT_NEAR(line.line.back().X, 250.0, 1e-9);
    EXPECT_NEAR(line.line.back().Y, 0.0, 1e-9);
    ASSERT_EQ(line.ticks.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(line.ticks[i].X, 100.0 * static_cast<double>(i), 1e-9);
        EXPECT_NEAR(line.ticks[i].bearing, 0.0, 1e-12);
    }
    EXPECT_EQ(line.ticks[1].label, "K0+100");

    // A chain-break initialisation keeps the alignment, and so the line.
    d.s.child<QCheckBox>("Check1")->setChecked(false);
    d.s.initialiseCrest();
    EXPECT_EQ(d.s.window->referenceAlignment().line.size(), 251u);
}

TEST(WindowDrawing, PickAndComputeOpensTheDrawingWindowWithTheRoadAsReferenceLine) {
    Session s;  // the window's own link: Gradix's drawing window
    auto* connector = dynamic_cast<gradix::DrawingWindowConnector*>(&s.window->cadConnector());
    ASSERT_NE(connector, nullptr);
    s.child<QCheckBox>("Check1")->setChecked(true);
    s.initialise({s.dir.write("north.ICD", NORTH_ICD), s.dir.write("north.zdm", NORTH_PROFILE)});
    EXPECT_EQ(connector->window(), nullptr);  // nothing opens before it is needed

    PickTyper typer(*connector, {"2,120", "10,120"});
    s.click("xpcmdbutton4");
    EXPECT_EQ(typer.left(), 0u);
    gradix::DrawingWindow* window = connector->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->view()->referenceAlignment().line.size(), 251u);
    EXPECT_EQ(window->view()->referenceAlignment().ticks.size(), 3u);
    EXPECT_EQ(s.text("Text1"), "120.000");
    EXPECT_EQ(s.text("Text2"), "102.4000");
    ASSERT_EQ(window->drawing().entities.size(), 1u);
    EXPECT_EQ(window->drawing().entities.back().text, "{\\L桩号：NORTHK0+120.000\\P高程：102.4000\\P纵坡：2.0000%\\P");

    // A new alignment reaches the open window at once.
    s.initialise({s.dir.write("short.ICD", "0\n0,0,0\n1,50\n"), s.dir.write("short.zdm", "0 100\n50 101\n")});
    EXPECT_EQ(window->view()->referenceAlignment().line.size(), 51u);
}

TEST(WindowDrawing, ExitAsksAboutUnsavedAnnotationsAndCancelKeepsBothWindowsOpen) {
    AnsweredDrawingDialogs dialogs;
    gradix::DrawingWindowConnector connector(&dialogs);
    Session s;
    s.window->setDrawingLink(&connector, nullptr);
    s.initialiseAlignment();
    PickTyper typer(connector, {"0,3", "2,3"});
    s.click("xpcmdbutton4");
    ASSERT_NE(connector.window(), nullptr);
    ASSERT_EQ(connector.window()->drawing().entities.size(), 1u);

    s.click("Command2");  // the person cancels
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(s.window->isVisible());
    EXPECT_TRUE(connector.window()->isVisible());

    s.window->close();  // closing Form1 asks as well
    EXPECT_EQ(dialogs.asked.size(), 2);
    EXPECT_TRUE(s.window->isVisible());

    dialogs.unsaved = {gradix::DrawingDialogs::Unsaved::Discard};
    s.click("Command2");
    EXPECT_EQ(dialogs.asked.size(), 3);  // asked once, not again while every window closes
    EXPECT_FALSE(s.window->isVisible());
    EXPECT_FALSE(connector.window()->isVisible());
}

// What a newcomer does with the example project: opens the plan, picks the
// road at K1+200 and places the annotation, selects the label K1+200 and
// gets its elevation, saves beside the plan; ezdxf reads the saved file.
TEST(WindowDrawing, TheExamplePlanIsPickedSelectedAndSaved) {
    const fs::path examples = GRADIX_EXAMPLES;
    if (!fs::exists(examples / "road-plan.dxf")) GTEST_SKIP() << "no example plan in " << examples;
    AnsweredDrawingDialogs dialogs;
    Folder out;
    dialogs.savePaths = {QString::fromStdString(out.file("annotated.dxf"))};
    gradix::DrawingWindowConnector connector(&dialogs);
    Session s;
    s.window->setDrawingLink(&connector, nullptr);
    s.field("Text9")->setText("30");
    s.child<QCheckBox>("Check1")->setChecked(true);
    s.initialise({(examples / "road.icd").string(), (examples / "road-icd.zdm").string()});

    connector.start();
    gradix::DrawingWindow* window = connector.window();
    ASSERT_NE(window, nullptr);
    const QString plan = QString::fromStdString((examples / "road-plan.dxf").string());
    ASSERT_TRUE(window->openFile(plan));
    const std::size_t original = window->drawing().entities.size();
    const gradix::DrawingEntity* label = nullptr;
    for (const gradix::DrawingEntity& e : window->drawing().entities)
        if (e.kind == gradix::EntityKind::Text && e.text == "K1+200") label = &e;
    ASSERT_NE(label, nullptr);
    const QPointF labelAt(label->x, label->y);

    double north = 0, east = 0, bearing = 0;
    gradix::PointAtChainage(s.window->project().alignment, 1200, north, east, bearing);
    const QString road = QString::number(east, 'f', 4) + "," + QString::number(north, 'f', 4);
    {
        PickTyper typer(connector, {road, QString::number(east + 20, 'f', 4) + "," + QString::number(north, 'f', 4)});
        s.click("xpcmdbutton4");
        EXPECT_EQ(typer.left(), 0u);
    }
    EXPECT_EQ(s.text("Text1"), "1200.000");
    EXPECT_EQ(s.text("Text2"), "106.7260");
    EXPECT_EQ(s.text("Text3"), "0.1000");
    ASSERT_EQ(window->drawing().entities.size(), original + 1);
    EXPECT_EQ(window->drawing().entities.back().text, "{\\L桩号：ROADK1+200.000\\P高程：106.7260\\P纵坡：0.1000%\\P");
    if (const char* keep = std::getenv("GRADIX_DRAWING_SCREENSHOT")) {
        // The picture of the README: the window after this pick.
        window->resize(1000, 640);
        window->view()->setView(QPointF(east + 25, north - 5), 4);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window->grab().save(QString::fromLocal8Bit(keep));
    }

    // The label clicked where it stands, the selection ended with Enter.
    s.field("Text1")->clear();
    window->view()->setView(labelAt, 20);
    QObject::connect(window, &gradix::DrawingWindow::waitingChanged, window, [window, labelAt](bool waiting) {
        if (!waiting || window->view()->mode() != gradix::DrawingView::Mode::Select) return;
        QTimer::singleShot(0, window, [window, labelAt] {
            gradix::DrawingView* view = window->view();
            QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier,
                              (view->toScreen(labelAt) + QPointF(5, -5)).toPoint());
            QTest::keyClick(view, Qt::Key_Return);
        });
    });
    s.click("xpcmdbutton3");
    EXPECT_EQ(s.text("Text1"), "1200");
    EXPECT_EQ(s.text("Text2"), "106.7260");

    ASSERT_TRUE(window->save());
    EXPECT_EQ(dialogs.suggested, QString::fromStdString((examples / "road-plan-gradix.dxf").string()));
    EXPECT_FALSE(window->isWindowModified());
    const std::string saved = out.file("annotated.dxf");
    const gradix::Drawing back = gradix::readDrawing(saved);
    ASSERT_EQ(back.entities.size(), original + 1);
    EXPECT_EQ(back.entities.back().text, "{\\L桩号：ROADK1+200.000\\P高程：106.7260\\P纵坡：0.1000%\\P");

    REQUIRE_EZDXF();
    const gradix::testing::CheckerRun check = gradix::testing::runChecker("check " + saved);
    EXPECT_EQ(check.status, 0) << check.output << "ezdxf finds fault with " << saved;
}

// ------------------------------------------------------ drawing window tools

// Answers the drawing window's waits in order, each once it waits: a point
// typed ("x,y"), "Esc", or any action on the window.
class WindowScript {
public:
    using Step = std::function<void(gradix::DrawingWindow&)>;
    WindowScript(gradix::DrawingWindow& window, std::deque<Step> steps) : steps_(std::move(steps)) {
        connection_ = QObject::connect(&window, &gradix::DrawingWindow::waitingChanged, &window, [this, &window](bool waiting) {
            if (waiting) QTimer::singleShot(0, &window, [this, &window] { next(window); });
        });
    }
    static Step typed(const QString& point) {
        return [point](gradix::DrawingWindow& w) {
            if (point == "Esc") {
                QTest::keyClick(w.commandLine(), Qt::Key_Escape);
                return;
            }
            w.commandLine()->setText(point);
            QTest::keyClick(w.commandLine(), Qt::Key_Return);
        };
    }
    ~WindowScript() { QObject::disconnect(connection_); }
    std::size_t left() const { return steps_.size(); }

private:
    void next(gradix::DrawingWindow& window) {
        if (steps_.empty() || !window.isBusy()) return;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(window);
    }
    std::deque<Step> steps_;
    QMetaObject::Connection connection_;
};

// The north road of 250 m in the main window with Gradix's drawing window open.
struct NorthRoadDrawing {
    AnsweredDrawingDialogs dialogs;
    gradix::DrawingWindowConnector connector{&dialogs};
    Session s;
    gradix::DrawingWindow* window = nullptr;
    NorthRoadDrawing() {
        s.window->setDrawingLink(&connector, nullptr);
        s.child<QCheckBox>("Check1")->setChecked(true);
        s.initialise({s.dir.write("north.ICD", NORTH_ICD), s.dir.write("north.zdm", NORTH_PROFILE)});
        connector.start();
        window = connector.window();
        window->resize(800, 600);
    }
    // Runs 点取并计算 with the answers given, to the command's end.
    void pick(std::deque<QString> answers) {
        std::deque<WindowScript::Step> steps;
        for (const QString& a : answers) steps.push_back(WindowScript::typed(a));
        WindowScript script(*window, std::move(steps));
        s.click("xpcmdbutton4");
        EXPECT_EQ(script.left(), 0u);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the command's end
    }
    QStringList said() const {
        QStringList lines = window->history();
        lines.removeIf([](const QString& l) { return l.startsWith("===") || l.startsWith("点取计算结果"); });
        return lines;
    }
};

TEST(WindowDrawingTools, APickEchoesItsResultAndOnlyAnAnnotationMarksTheDrawingModified) {
    const struct {
        std::deque<QString> answers;
        QStringList said;
        bool annotated;
    } cases[] = {
        {{"Esc"}, {"*取消*"}, false},
        {{"2,120", "Esc"}, {"桩号 K0+120.000  高程 102.4000  纵坡 2.0000%  偏距 右 2.000", "*取消*"}, false},
        {{"-0.5,60", "10,60"}, {"桩号 K0+060.000  高程 101.2000  纵坡 2.0000%  偏距 左 0.500"}, true},
        {{"-150,60", "Esc"},
         {"桩号 K0+060.000  高程 101.2000  纵坡 2.0000%  偏距 左 150.000", "注意：点取点离设计线 150.000 米，超过 100 米。",
          "*取消*"},
         false},
    };
    for (const auto& c : cases) {
        NorthRoadDrawing d;
        d.pick(c.answers);
        const std::string row = c.answers.front().toStdString();
        EXPECT_EQ(d.said(), c.said) << row << ": " << d.said().join('|').toStdString();
        EXPECT_EQ(d.window->isWindowModified(), c.annotated) << row;
        EXPECT_EQ(d.window->drawing().entities.size(), c.annotated ? 1u : 0u) << row;
        // The layer, style and coordinate system stay only with an annotation.
        const gradix::Drawing& drawing = d.window->drawing();
        EXPECT_EQ(drawing.findLayer("纵断面设计高程") != nullptr, c.annotated) << row;
        EXPECT_EQ(const_cast<gradix::Drawing&>(drawing).findTextStyle("jp") != nullptr, c.annotated) << row;
        EXPECT_EQ(const_cast<gradix::Drawing&>(drawing).findUcs("xy") != nullptr, c.annotated) << row;
        d.dialogs.unsaved = {gradix::DrawingDialogs::Unsaved::Discard};
        EXPECT_TRUE(d.window->close());
        EXPECT_EQ(d.dialogs.asked.size(), c.annotated ? 1 : 0) << row;  // no save question without an annotation
    }
}

TEST(WindowDrawingTools, UndoRedoAndEraseFollowTheDocumentAndItsSavedState) {
    NorthRoadDrawing d;
    d.pick({"0,50", "5,50"});
    d.pick({"0,100", "5,100"});
    Folder out;
    d.dialogs.savePaths = {QString::fromStdString(out.file("north.dxf"))};
    gradix::DrawingWindow& w = *d.window;
    const auto act = [&](const char* name) { w.findChild<QAction*>(QLatin1String(name))->trigger(); };
    EXPECT_EQ(w.findChild<QAction*>("actionUndo")->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(w.findChild<QAction*>("actionRedo")->shortcut(), QKeySequence("Ctrl+Y"));
    EXPECT_EQ(w.findChild<QAction*>("actionErase")->shortcut(), QKeySequence(QKeySequence::Delete));
    const auto selectLast = [&] {
        const gradix::DrawingEntity& e = w.drawing().entities.back();
        w.view()->setView(QPointF(e.x, e.y), 4);
        QTest::mouseClick(w.view(), Qt::LeftButton, Qt::NoModifier,
                          w.view()->toScreen(QPointF(e.x + 2, e.y - 2)).toPoint());
        ASSERT_EQ(w.view()->selection().size(), 1u);
    };
    const struct {
        const char* step;
        std::function<void()> run;
        std::size_t entities;
        bool modified;
    } steps[] = {
        {"undo", [&] { act("actionUndo"); }, 1, true},
        {"undo to the empty drawing", [&] { act("actionUndo"); }, 0, false},
        {"nothing more to undo", [&] { act("actionUndo"); }, 0, false},
        {"redo", [&] { act("actionRedo"); }, 1, true},
        {"redo", [&] { act("actionRedo"); }, 2, true},
        {"save", [&] { ASSERT_TRUE(w.save()); }, 2, false},
        {"undo after saving", [&] { act("actionUndo"); }, 1, true},
        {"redo to the saved state", [&] { act("actionRedo"); }, 2, false},
        {"erase the selected annotation",
         [&] {
             selectLast();
             act("actionErase");
         },
         1, true},
        {"undo the erase", [&] { act("actionUndo"); }, 2, false},
    };
    for (const auto& s : steps) {
        s.run();
        EXPECT_EQ(w.drawing().entities.size(), s.entities) << s.step;
        EXPECT_EQ(w.isWindowModified(), s.modified) << s.step;
    }
    EXPECT_EQ(w.drawing().entities.back().y, 100.0);  // the erased annotation came back where it was
    EXPECT_NE(w.drawing().findLayer("纵断面设计高程"), nullptr);
    act("actionUndo");
    act("actionUndo");
    EXPECT_EQ(w.drawing().findLayer("纵断面设计高程"), nullptr);  // undone with the first annotation

    // A text of the drawing's own is not Gradix's to erase.
    gradix::DrawingEntity own = textEntity("K0+100");
    own.x = 20, own.y = 20, own.height = 5;
    w.drawing().entities.push_back(own);
    w.drawingChanged();
    selectLast();
    act("actionErase");
    EXPECT_EQ(w.drawing().entities.size(), 1u);
    EXPECT_EQ(w.history().back(), gradix::NOTHING_TO_ERASE_TEXT);
}

// Object snap: a click a few pixels from the tick K2+000 of the example road
// picks the tick itself, whose stake is 2000.000; F3 turns it off.
TEST(WindowDrawingTools, ObjectSnapTakesTheStakeTickOrTheTextInsertionPoint) {
    const fs::path examples = GRADIX_EXAMPLES;
    if (!fs::exists(examples / "road.icd")) GTEST_SKIP() << "no example project in " << examples;
    AnsweredDrawingDialogs dialogs;
    gradix::DrawingWindowConnector connector(&dialogs);
    Session s;
    s.window->setDrawingLink(&connector, nullptr);
    s.child<QCheckBox>("Check1")->setChecked(true);
    s.initialise({(examples / "road.icd").string(), (examples / "road-icd.zdm").string()});
    connector.start();
    gradix::DrawingWindow& w = *connector.window();
    w.resize(800, 600);
    const gradix::ReferenceTick* k2 = nullptr;
    for (const gradix::ReferenceTick& t : w.view()->referenceAlignment().ticks)
        if (t.label == "K2+000") k2 = &t;
    ASSERT_NE(k2, nullptr);
    const QPointF tick(k2->Y, k2->X);
    gradix::DrawingEntity label = textEntity("K2+000");
    label.x = tick.x() + 40, label.y = tick.y() + 40, label.height = 5;
    w.drawing().entities.push_back(label);
    w.drawingChanged();
    w.view()->setView(tick, 1);  // a metre a pixel: 4 px off is 4 m off

    const QPointF off(4, -3);
    const struct {
        const char* what;
        QPointF near;
        bool snap;
        std::optional<QPointF> snapped;
    } cases[] = {
        {"the tick", tick, true, tick},
        {"the text's insertion point", QPointF(label.x, label.y), true, QPointF(label.x, label.y)},
        {"nothing near", tick + QPointF(20, 0), true, std::nullopt},
        {"snap off", tick, false, std::nullopt},
    };
    QAction* f3 = w.findChild<QAction*>("actionSnap");
    EXPECT_EQ(f3->shortcut(), QKeySequence(Qt::Key_F3));
    for (const auto& c : cases) {
        if (w.view()->snapEnabled() != c.snap) f3->trigger();
        EXPECT_EQ(w.snapStatus()->text(), c.snap ? gradix::SNAP_ON_TEXT : gradix::SNAP_OFF_TEXT);
        EXPECT_EQ(w.view()->snapPoint(w.view()->toScreen(c.near) + off), c.snapped) << c.what;
    }
    // Through the command: the stake of the tick to the millimetre.
    for (bool snap : {true, false}) {
        if (w.view()->snapEnabled() != snap) f3->trigger();
        WindowScript script(w, {[&](gradix::DrawingWindow& win) {
                                    QTest::mouseClick(win.view(), Qt::LeftButton, Qt::NoModifier,
                                                      (win.view()->toScreen(tick) + off).toPoint());
                                },
                                WindowScript::typed("Esc")});
        s.click("xpcmdbutton4");
        if (snap) {
            EXPECT_EQ(s.text("Text1"), "2000.000");
        } else {
            EXPECT_NE(s.text("Text1"), "2000.000");
        }
    }
}

TEST(WindowDrawingTools, SeveralSelectedStakeLabelsAreListedAndCopiedAsATable) {
    NorthRoadDrawing d;
    gradix::DrawingWindow& w = *d.window;
    const struct {
        const char* text;
        double y;
    } labels[] = {{"K0+100", 100}, {"平面图", 130}, {"K0+150", 150}, {"K0+200", 200}};
    for (const auto& l : labels) {
        gradix::DrawingEntity e = textEntity(l.text);
        e.x = 10, e.y = l.y, e.height = 5;
        w.drawing().entities.push_back(e);
    }
    w.drawingChanged();
    w.view()->setView(QPointF(20, 150), 2);
    WindowScript script(w, {[](gradix::DrawingWindow& win) {
        gradix::DrawingView* view = win.view();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, view->toScreen(QPointF(0, 220)).toPoint());
        QTest::mouseMove(view, view->toScreen(QPointF(30, 150)).toPoint());
        QTest::mouseMove(view, view->toScreen(QPointF(60, 90)).toPoint());
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, view->toScreen(QPointF(60, 90)).toPoint());
        QTest::keyClick(view, Qt::Key_Return);
    }});
    d.s.click("xpcmdbutton3");
    EXPECT_EQ(script.left(), 0u);
    EXPECT_EQ(d.s.text("Text1"), "200");  // the main window computes the last label, as before
    EXPECT_EQ(d.s.text("Text2"), "104.0000");
    EXPECT_EQ(w.stakeListText(), "标注\t桩号\t高程\t纵坡(%)\t说明\n"
                                 "K0+100\t100\t102.0000\t2.0000\t\n"
                                 "K0+150\t150\t103.0000\t2.0000\t\n"
                                 "K0+200\t200\t104.0000\t2.0000\t\n");
    QTest::mouseClick(w.findChild<QPushButton*>("copyStakeList"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w.stakeListText());
    // Another drawing: the list of the labels of the one before goes.
    ASSERT_TRUE(w.newDrawing());
    EXPECT_EQ(w.stakeList()->rowCount(), 0);
    EXPECT_FALSE(w.findChild<QDockWidget*>("stakeListDock")->isVisible());
}

TEST(WindowDrawing, TheShippedHelpExplainsTheDrawingWindowItsPromptsAndMessages) {
    const std::string help = readBytes(std::string(GRADIX_SOURCE_DIR) + "/docs/gradix.html");
    ASSERT_FALSE(help.empty());
    for (const char* text : {gradix::PICK_ROAD_PROMPT, gradix::PICK_INSERTION_PROMPT, gradix::SELECT_PROMPT,
                             gradix::ANNOTATION_LAYER, gradix::ANNOTATION_FONT, gradix::ANNOTATION_BIG_FONT,
                             gradix::CAD_LINK_FAILED_TEXT, gradix::INVALID_POINT_MESSAGE,
                             gradix::CANCELLED_MESSAGE, gradix::OPEN_FAILED_TEXT, gradix::SAVE_FAILED_TEXT,
                             gradix::DRAWING_WINDOW_TITLE, "绘图窗口正在等待另一次点取或选择。", "有未保存的修改。要保存吗？",
                             "打开(O)", "另存为(A)", "road-plan.dxf"})
        EXPECT_NE(help.find(text), std::string::npos) << text;
}

// ----------------------------------------------------------------- settings

// ---- the views beside the classic panel ---------------------------------------

TEST(WindowViews, ComputedStakesAreMarkedAndAClickOnTheProfileComputesAsEnterWould) {
    Session s;
    s.initialiseCrest();
    gradix::ProfileView* profile = s.window->roadViews()->profileView();
    ASSERT_TRUE(profile->hasProfile());
    EXPECT_FALSE(s.window->roadViews()->planView()->isVisibleTo(s.window.get()));  // no alignment loaded

    s.field("Text1")->setText("180");
    QTest::keyClick(s.field("Text1"), Qt::Key_Return);
    EXPECT_EQ(profile->markedChainage(), 180.0);

    // A click at chainage 300 (the stake field then holds the stake under it).
    const gradix::ProfileViewport& v = profile->viewport();
    const QPoint at(int(std::lround(v.x(300))), int(std::lround(v.y(102))));
    const double chainage = v.chainageAt(at.x());
    QTest::mouseClick(profile, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(s.text("Text1").toStdString(), gradix::sj_dlstr_11(s.window->project().breaks, chainage));
    const gradix::DesignPoint d = gradix::DesignAt(s.window->project().profile, s.text("Text1").toDouble());
    EXPECT_EQ(s.text("Text2").toStdString(), gradix::formatFixed(d.elevation, 4));
    EXPECT_NEAR(*profile->markedChainage(), chainage, 0.0005);  // the stake text keeps millimetres

    // Stake-file mode: the file's last stake is marked; a click computes nothing.
    s.click("Option2");
    s.ui.answers = {s.dir.write("stakes.txt", "100\n250\n"), s.dir.file("out.txt")};
    s.click("Command3");
    EXPECT_EQ(profile->markedChainage(), 250.0);
    const QString before = s.text("Text1");
    QTest::mouseClick(profile, Qt::LeftButton, Qt::NoModifier, QPoint(int(v.x(50)), at.y()));
    EXPECT_EQ(s.text("Text1"), before);
}

// A project with a surface shows the section at the stake computed and
// offers the subgrade table; one without shows neither.
TEST(WindowViews, ALoadedSurfaceShowsTheSectionAndEnablesTheSubgradeTable) {
    Session s;
    auto* subgrade = s.child<QAction>("subgradeTableAction");
    const QWidget* section = s.child("sectionView");
    s.initialiseCrest();
    EXPECT_FALSE(section->isVisibleTo(s.window.get()));
    EXPECT_FALSE(subgrade->isEnabled());

    s.dir.write("road.sup", gradix::testing::CROWN_SUPERELEVATION);
    s.initialise({s.dir.file("b.dl"), s.dir.file("p.zdm"), s.dir.file("road.sup"),
                  s.dir.write("road.wid", gradix::testing::DIVIDED_WIDTHS)});
    ASSERT_TRUE(s.window->project().surface.loaded());
    EXPECT_TRUE(section->isVisibleTo(s.window.get()));
    EXPECT_TRUE(subgrade->isEnabled());
    s.field("Text1")->setText("180");
    QTest::keyClick(s.field("Text1"), Qt::Key_Return);
    EXPECT_EQ(s.window->roadViews()->sectionView()->model().stake, "K0+180.000");
}

TEST(WindowViews, TheProfileSheetIsWrittenAndOpenedInTheDrawingWindow) {
    Session s;  // the window's own link: Gradix's drawing window
    auto* connector = dynamic_cast<gradix::DrawingWindowConnector*>(&s.window->cadConnector());
    ASSERT_NE(connector, nullptr);
    s.initialiseCrest();
    const std::string sheet = s.dir.file("crest.dxf");
    s.ui.answers = {sheet};
    s.click("exportProfileSheet");
    ASSERT_TRUE(fs::exists(sheet));
    ASSERT_NE(connector->window(), nullptr);
    EXPECT_EQ(connector->window()->drawing().path, sheet);
    EXPECT_FALSE(connector->window()->drawing().entities.empty());
    // Zoomed to the first sheet's frame (A3: 25..415 mm across, 5..292 mm up), its middle in the view's.
    const gradix::DrawingView& view = *connector->window()->view();
    EXPECT_NEAR(view.viewCentre().x(), (25 + 415) / 2.0, 1e-6);
    EXPECT_NEAR(view.viewCentre().y(), (5 + 292) / 2.0, 1e-6);
    const QPointF corner = view.toDrawing(QPointF(0, 0));
    EXPECT_LE(corner.x(), 25);
    EXPECT_GT(corner.x(), -420);  // the frame fills the view, not the sheets side by side

    // A data file of the project is never written over.
    const std::string profileFile = s.dir.file("p.zdm");
    s.ui.events.clear();
    s.ui.answers = {profileFile};
    s.click("exportProfileSheet");
    EXPECT_EQ(readBytes(profileFile), CREST_PROFILE);
    ASSERT_EQ(s.ui.events.size(), 2u);
    EXPECT_EQ(s.ui.events[1], "error 错误: 导出失败！");
}

TEST(WindowSettings, TheRotationAngleComesFromTheSettingsFileOrIsZero) {
    Session missing;
    EXPECT_EQ(missing.text("Text9"), "0");

    Session empty;
    empty.dir.write("gradix.ini", "");
    empty.open();
    EXPECT_EQ(empty.text("Text9"), "0");

    Session word;
    word.dir.write("gradix.ini", "abc\r\nsecond line\r\n");
    word.open();
    EXPECT_EQ(word.text("Text9"), "abc");
    word.ui.answers = {""};
    word.click("Command4");
    EXPECT_EQ(readBytes(word.dir.file("gradix.ini")), "abc\r\n");
}

TEST(WindowSettings, AnUnwritableProgramFolderKeepsTheSettingsInTheUserConfigFolder) {
    Folder program, config;
    // An installed copy: a folder without write permission, or, for root,
    // who may write everywhere, a folder that cannot be reached.
    const bool root = ::geteuid() == 0;
    const QString programFolder = root ? program.qfolder() + "/not-there" : program.qfolder();
    if (!root) fs::permissions(program.folder(), fs::perms::owner_write, fs::perm_options::remove);
    ScriptedUi ui;
    MainWindow window({programFolder, config.file("gradix"), &ui});
    window.findChild<QLineEdit*>("Text9")->setText("45");
    ui.answers = {""};
    window.runInitialise();
    if (!root) fs::permissions(program.folder(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ui.events.back(), "error 错误: 读取文件被取消！");  // the cancelled dialog, not the settings
    EXPECT_EQ(readBytes(config.file("gradix/gradix.ini")), "45\r\n");
    MainWindow again({programFolder, config.file("gradix"), &ui});
    EXPECT_EQ(again.findChild<QLineEdit*>("Text9")->text(), "45");
}

// --------------------------------------------------- Qt dialogs and boxes

TEST(WindowDialogs, TitlesAndFileTypesAreShownExactly) {
    const struct {
        gradix::FileDialog dialog;
        QStringList texts;
    } dialogs[] = {
        {gradix::ICD_DIALOG, {"ICD文件(*.ICD)", "LandXML文件(*.xml)", "所有文件（*.*)"}},
        {gradix::BREAKS_DIALOG, {"文本文件(*.txt;*.dl)", "所有文件（*.*)"}},
        {gradix::PROFILE_DIALOG, {"文本文件(*.txt;*.zdm;*.sqx)", "所有文件(*.*)"}},
        {gradix::STAKES_DIALOG, {"桩号文件(*.txt)", "所有文件(*.*)"}},
        {gradix::RESULT_DIALOG, {"文本文件(*.txt)", "所有文件(*.*)"}},
    };
    for (const auto& d : dialogs) {
        std::unique_ptr<QFileDialog> dialog(
            gradix::createFileDialog(d.dialog, QFileDialog::AcceptOpen, QString(), nullptr));
        EXPECT_EQ(dialog->windowTitle().toStdString(), d.dialog.title);
        EXPECT_EQ(dialog->nameFilters(), d.texts) << d.dialog.name;
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->itemText(1), d.texts[1]);
    }
}

TEST(WindowDialogs, FileTypesReallyFilterAndMatchLettersInEitherCase) {
    Folder dir;
    for (const char* name : {"a.ICD", "b.icd", "c.txt", "D.TXT", "e.dl", "f.zdm", "g.XML", "noextension"})
        dir.write(name, "");

    std::unique_ptr<QFileDialog> icd(
        gradix::createFileDialog(gradix::ICD_DIALOG, QFileDialog::AcceptOpen, dir.qfolder(), nullptr));
    icd->show();
    EXPECT_EQ(listedNames(*icd, 2), (std::set<std::string>{"a.ICD", "b.icd"}));
    // The person picks the second file type, LandXML文件(*.xml), then the
    // third, 所有文件（*.*): every file.
    auto* combo = icd->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(listedNames(*icd, 1), (std::set<std::string>{"g.XML"}));
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(listedNames(*icd, 8).size(), 8u);
    QTest::keyClick(combo, Qt::Key_Up);
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(listedNames(*icd, 2), (std::set<std::string>{"a.ICD", "b.icd"}));

    std::unique_ptr<QFileDialog> breaks(
        gradix::createFileDialog(gradix::BREAKS_DIALOG, QFileDialog::AcceptOpen, dir.qfolder(), nullptr));
    breaks->show();
    EXPECT_EQ(listedNames(*breaks, 3), (std::set<std::string>{"c.txt", "D.TXT", "e.dl"}));
}

TEST(WindowDialogs, TheFirstDialogOpensInTheExamplesAndTheNextWhereTheLastFileWas) {
    Folder program;
    program.write("examples/road.dl", NO_BREAKS);
    const QString examples = gradix::findExamplesFolder(program.qfolder());
    EXPECT_EQ(examples.toStdString(), program.file("examples"));
    EXPECT_EQ(gradix::findExamplesFolder(program.qfolder() + "/nowhere"), QString());

    Folder data;
    const std::string chosen = data.write("project/road.zdm", CREST_PROFILE);
    QWidget window;
    gradix::QtUserInterface ui(window, examples);
    EXPECT_EQ(ui.dialogFolder(), examples);
    whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), examples);
        // The person types the path and presses Enter.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(chosen));
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(ui.openFile(gradix::PROFILE_DIALOG), chosen);
    EXPECT_EQ(ui.dialogFolder().toStdString(), data.file("project"));

    whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), data.file("project"));
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    });
    EXPECT_EQ(ui.saveFile(gradix::RESULT_DIALOG), "");  // cancelled
}

// Answers the file dialog that is up with a file name typed into it.
void typeIntoFileDialog(QWidget* modal, const char* expectedTitle, const QString& folder, const QString& name) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle().toStdString(), expectedTitle);
    EXPECT_EQ(dialog->directory().absolutePath(), folder);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

TEST(WindowDialogs, ANewcomerInitialisesFromTheExamplesThroughTheRealDialogs) {
    Folder program;
    program.write("examples/road.dl", "2350 2300\n");
    program.write("examples/road.zdm", "2000 100\nB2400 104\n");
    const QString examples = program.qfolder() + "/examples";
    MainWindow window({program.qfolder(), "", nullptr});
    window.show();

    whenModalAppears([&](QWidget* breaks) {
        whenModalAppears([&](QWidget* profile) {
            typeIntoFileDialog(profile, "读取纵断面设计资料", examples, "road.zdm");
        });
        typeIntoFileDialog(breaks, "读取断链资料", examples, "road.dl");
    });
    QTest::mouseClick(window.findChild<QPushButton*>("Command4"), Qt::LeftButton);

    EXPECT_TRUE(window.project().initialised);
    EXPECT_EQ(window.project().breaks.chainBreakCount, 1);
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text().toStdString(), gradix::STATUS_SINGLE);
}

TEST(WindowDialogs, CancellingTheRealDialogShowsTheCancelBox) {
    Folder program;
    MainWindow window({program.qfolder(), "", nullptr});
    window.show();
    std::vector<std::string> seen;
    whenModalAppears([&](QWidget* dialog) {
        seen.push_back(dialog->windowTitle().toStdString());
        whenModalAppears([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
        });
        static_cast<QDialog*>(dialog)->reject();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("Command4"), Qt::LeftButton);
    EXPECT_EQ(seen, (std::vector<std::string>{"读取断链资料", "错误: 读取文件被取消！"}));
    EXPECT_FALSE(window.project().initialised);
}

TEST(WindowDialogs, TheLandXmlDialogPicksAnAlignmentAndOneOfItsProfiles) {
    QWidget window;
    gradix::QtUserInterface ui(window, QString());
    const std::vector<gradix::LandXmlAlignmentSummary> alignments = {
        {"R1", 0.0, 100.0, 1, 0, {}}, {"R2", 50.0, 1234.5, 7, 1, {"P1", "P2"}}};
    // Cancelled: no choice.
    whenModalAppears([](QWidget*) {});
    EXPECT_FALSE(ui.chooseLandXml(alignments).has_value());

    whenModalAppears([](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), "landxmlDialog");
        auto* alignment = modal->findChild<QComboBox*>(QStringLiteral("landxmlAlignment"));
        auto* profile = modal->findChild<QComboBox*>(QStringLiteral("landxmlProfile"));
        ASSERT_NE(alignment, nullptr);
        ASSERT_NE(profile, nullptr);
        EXPECT_EQ(alignment->count(), 2);
        EXPECT_EQ(profile->itemText(0), "（无）");
        EXPECT_FALSE(profile->isEnabled());
        QTest::keyClick(alignment, Qt::Key_Down);
        EXPECT_EQ(alignment->currentText(), "R2  (1234.500 m, 7 elements)");
        ASSERT_EQ(profile->count(), 2);
        EXPECT_TRUE(profile->isEnabled());
        QTest::keyClick(profile, Qt::Key_Down);
        qobject_cast<QDialog*>(modal)->accept();
    });
    const std::optional<gradix::LandXmlChoice> choice = ui.chooseLandXml(alignments);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->alignmentName, "R2");
    EXPECT_EQ(choice->profileName, "P2");
}

TEST(WindowDialogs, ErrorBoxHasTheCriticalIconTitleTextAndTheDetails) {
    QWidget window;
    gradix::QtUserInterface ui(window, QString());
    bool seen = false;
    whenModalAppears([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->windowTitle(), "错误");
        EXPECT_EQ(box->text(), "数据文件格式有误！");
        EXPECT_EQ(box->detailedText(), "/data/p.zdm，第3行：该行只有一个字段；变坡点需要桩号和高程");
    });
    ui.showError(gradix::ERROR_TITLE, gradix::FORMAT_TEXT, "/data/p.zdm，第3行：该行只有一个字段；变坡点需要桩号和高程");
    EXPECT_TRUE(seen);
}

TEST(WindowDialogs, DataMessageHasOnlyAnOkButtonAndShowsTheStakeAsTyped) {
    QWidget window;
    gradix::QtUserInterface ui(window, QString());
    bool seen = false;
    whenModalAppears([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), "数据有误");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->text(), "桩号<b>1超出纵断面数据文件，请修改！");
    });
    ui.showMessage(gradix::DATA_PROBLEM_TITLE, "桩号<b>1超出纵断面数据文件，请修改！");
    EXPECT_TRUE(seen);
}

TEST(WindowDialogs, ClipboardGetsThePlainText) {
    QWidget window;
    gradix::QtUserInterface ui(window, QString());
    ui.setClipboard("B2320\t112.0480\t-0.9600");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "B2320\t112.0480\t-0.9600");
}

// ------------------------------------------------- help, about box and exit

TEST(WindowHelpAndExit, HelpButtonShowsTheHelpBesideTheProgram) {
    Session s;
    s.dir.write("gradix.html", "<html><body><h1>Gradix 帮助</h1><p>断链文件</p></body></html>");
    s.click("xpcmdbutton2");
    gradix::HelpWindow* help = s.window->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->browser()->toPlainText().contains("断链文件"));
    EXPECT_EQ(help->browser()->source(), QUrl::fromLocalFile(s.dir.qfolder() + "/gradix.html"));
}

TEST(WindowHelpAndExit, MissingHelpIsSaidSoInTheHelpWindow) {
    Session s;
    s.click("xpcmdbutton2");
    ASSERT_NE(s.window->helpWindow(), nullptr);
    EXPECT_TRUE(s.window->helpWindow()->browser()->toPlainText().contains("gradix.html"));
}

TEST(WindowHelpAndExit, MoreSoftwareOpensTheWebPageThenTheModalAboutBox) {
    Session s;
    std::vector<std::string> steps;
    s.window->openWebPage = [&](const QUrl& url) { steps.push_back("web " + url.toString().toStdString()); };
    whenModalAppears([&](QWidget* modal) {
        steps.push_back("about");
        EXPECT_EQ(modal->objectName(), "aboutfrm");
        EXPECT_TRUE(modal->isModal());
        const QString text = modal->findChild<QLabel*>(QStringLiteral("aboutText"))->text();
        EXPECT_TRUE(text.contains("Gradix V2.5"));
        EXPECT_TRUE(text.contains(gradix::LICENCE_NAME));
    });
    s.click("xpcmdbutton1");
    EXPECT_EQ(steps, (std::vector<std::string>{"web " + s.window->projectPage().toString().toStdString(), "about"}));
}

TEST(WindowHelpAndExit, ExitClosesEveryWindowAndSavesNothing) {
    Session s;
    s.click("xpcmdbutton2");
    s.field("Text9")->setText("77");
    s.click("Command2");
    EXPECT_FALSE(s.window->isVisible());
    EXPECT_FALSE(s.window->helpWindow()->isVisible());
    EXPECT_FALSE(fs::exists(s.dir.file("gradix.ini")));
}

TEST(WindowHelpAndExit, ClosingTheWindowClosesTheHelpToo) {
    Session s;
    s.click("xpcmdbutton2");
    ASSERT_TRUE(s.window->helpWindow()->isVisible());
    s.window->close();
    EXPECT_FALSE(s.window->helpWindow()->isVisible());
}

TEST(WindowHelpAndExit, TheShippedHelpExplainsEveryMessageAndCommand) {
    const std::string help = readBytes(std::string(GRADIX_SOURCE_DIR) + "/docs/gradix.html");
    ASSERT_FALSE(help.empty());
    for (const std::string& text : {
             std::string(gradix::CANCELLED_TEXT), std::string(gradix::FORMAT_TEXT), std::string("数据有误"),
             std::string("超出纵断面数据文件，请修改！"), std::string("不应存在"),
             std::string("所属的断链区间，需添加断链标识A、B、C..."), std::string(gradix::STATUS_START_BREAKS),
             std::string(gradix::STATUS_START_ALIGNMENT), std::string(gradix::STATUS_SINGLE),
             std::string(gradix::STATUS_FILE), std::string(gradix::STATUS_SINGLE_CAD),
             std::string(gradix::ICD_DIALOG.title), std::string(gradix::BREAKS_DIALOG.title),
             std::string(gradix::PROFILE_DIALOG.title), std::string(gradix::STAKES_DIALOG.title),
             std::string(gradix::RESULT_DIALOG.title), std::string("初 始 化"), std::string("计   算"),
             std::string("选择并计算"), std::string("点取并计算"), std::string("gradix.ini"),
             std::string("LandXML文件(*.xml)"), std::string("选择LandXML平面线和纵断面"), std::string("已换算为米"),
             // the menus, the remembered projects, the drop and gradix-cli's commands
             std::string("打开项目…"), std::string("最近项目"), std::string("打开图形…"), std::string("缩放到范围"),
             std::string("检查数据"), std::string("gradix-recent.txt"), std::string("拖放数据文件"),
             std::string("按 Esc 关闭本帮助"), std::string("<code>compute</code>"), std::string("<code>coords</code>"),
             std::string("<code>locate</code>"), std::string("<code>table stakes</code>"),
             std::string("<code>table curves</code>"), std::string("<code>landxml list</code>"),
             std::string("<code>landxml export</code>"), std::string("<code>drawing profile</code>"),
             std::string("<code>check</code>"), std::string("<code>check-labels</code>")})
        EXPECT_NE(help.find(text), std::string::npos) << text;
    // Every link of the table of contents leads to its anchor.
    for (std::size_t at = help.find("href=\"#"); at != std::string::npos; at = help.find("href=\"#", at + 1)) {
        const std::size_t start = at + std::string("href=\"#").size();
        const std::string anchor = help.substr(start, help.find('"', start) - start);
        EXPECT_NE(help.find("name=\"" + anchor + "\""), std::string::npos) << anchor;
    }
}

}  // namespace

// ------------------------------------------------------------------ output menu

// The menu "输出" holds its three entries; each dialog fills its request from
// its fields, and the stake table of the example road is written from it.
// Before an alignment is loaded the stake table is refused with a message.
TEST(WindowOutput, TheOutputMenuWritesTheTablesFromItsDialogs) {
    const fs::path examples = GRADIX_EXAMPLES;
    if (!fs::exists(examples / "road.icd")) GTEST_SKIP() << "no example project in " << examples;
    Session s;
    auto* menu = s.child<QMenu>("outputMenu");
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (QAction* a : menu->actions()) entries << a->text();
    EXPECT_EQ(entries, (QStringList{QString::fromUtf8("逐桩坐标表…"), QString::fromUtf8("竖曲线表…"),
                                    QString::fromUtf8("坐标反算…"), QString::fromUtf8("路基设计表…"),
                                    QString::fromUtf8("放样点文件…")}));

    const std::string table = (fs::path(s.dir.qfolder().toStdString()) / "stakes.csv").string();
    gradix::StakeTableRequest request;
    s.window->execDialog = [&](gradix::SetoutDialog& d) {
        d.findChild<QLineEdit*>("every")->setText("100");
        d.findChild<QLineEdit*>("offsets")->setText("-7.5, 7.5");
        d.findChild<QComboBox*>("format")->setCurrentIndex(1);  // csv
        d.findChild<QLineEdit*>("file")->setText(QString::fromStdString(table));
        request = d.stakeTableRequest();
        return false;  // the handler is run below, so that each step is checked
    };
    menu->actions().at(0)->trigger();
    EXPECT_EQ(request.every, "100");
    EXPECT_EQ(request.offsets, "-7.5, 7.5");
    EXPECT_EQ(request.format, gradix::TableFormat::Csv);
    EXPECT_EQ(request.file, table);

    EXPECT_FALSE(s.window->runStakeTable(request));
    ASSERT_FALSE(s.ui.events.empty());
    EXPECT_NE(s.ui.events.back().find("请先初始化平面线形"), std::string::npos) << s.ui.events.back();

    s.click("Check1");
    s.initialise({(examples / "road.icd").string(), (examples / "road-icd.zdm").string()});
    ASSERT_TRUE(s.window->runStakeTable(request)) << (s.ui.events.empty() ? "" : s.ui.events.back());
    std::ifstream in(table, std::ios::binary);
    std::string header;
    std::getline(in, header);
    const std::string start = "\xEF\xBB\xBF桩号,里程(m),X";
    EXPECT_EQ(header.substr(0, start.size()), start);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.substr(0, 30), "K0+000.000,0.000,3345678.123,5");
}

// ------------------------------------------- menus, remembered projects, drop

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QTranslator>

#include "app/translations.h"
#include "commands/compute.h"
#include "commands/projectfiles.h"

namespace {

// Qt's buttons in Chinese once its translation is installed; a folder
// without it installs nothing.
TEST(WindowChinese, QtsOwnTextsAreChineseWhereTheTranslationIsInstalled) {
    if (!QFileInfo::exists(gradix::qtTranslationsFolder() + "/qtbase_zh_CN.qm"))
        GTEST_SKIP() << "no qtbase_zh_CN.qm in " << gradix::qtTranslationsFolder().toStdString()
                     << " (Debian qt6-translations-l10n)";
    Folder empty;
    const struct {
        QString folder;
        bool installed;
        const char* save;
    } rows[] = {{empty.qfolder(), false, "&Save"}, {gradix::qtTranslationsFolder(), true, "保存"}};
    for (const auto& row : rows) {
        QTranslator translator;
        EXPECT_EQ(gradix::installQtChinese(*QApplication::instance(), translator, row.folder), row.installed);
        QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        EXPECT_TRUE(buttons.button(QDialogButtonBox::Save)->text().startsWith(QString::fromUtf8(row.save).remove('&')) ||
                    buttons.button(QDialogButtonBox::Save)->text() == QString::fromUtf8(row.save))
            << buttons.button(QDialogButtonBox::Save)->text().toStdString();
        QApplication::removeTranslator(&translator);
    }
}

// Each initialisation is remembered beside gradix.ini, whose first line stays
// the rotation; after a restart 最近项目 reloads it in one click and the
// title names its files. A project whose file is gone is said so and kept.
TEST(WindowRecentProjects, AProjectInitialisedIsReloadedFromTheMenuAfterARestart) {
    const struct {
        bool alignment;
        std::vector<std::pair<std::string, std::string>> files;  // name, content
        const char* title;
    } rows[] = {
        {false, {{"b.dl", NO_BREAKS}, {"p.zdm", CREST_PROFILE}}, "Gradix V2.5 — b.dl, p.zdm"},
        {true, {{"line.ICD", SHORT_ICD}, {"line.zdm", SHORT_ICD_PROFILE}}, "Gradix V2.5 — line.ICD, line.zdm"},
    };
    for (const auto& row : rows) {
        Session s;
        std::deque<std::string> paths;
        for (const auto& [name, content] : row.files) paths.push_back(s.dir.write(name, content));
        s.field("Text9")->setText("30");
        s.child<QCheckBox>("Check1")->setChecked(row.alignment);
        s.initialise(paths);
        ASSERT_TRUE(s.window->project().initialised);
        EXPECT_EQ(s.window->windowTitle().toStdString(), row.title);
        EXPECT_EQ(readBytes(s.dir.file("gradix.ini")), "30\r\n");
        std::string line = row.alignment ? "alignment" : "breaks";
        for (const std::string& p : paths) line += "\t" + p;
        EXPECT_EQ(readBytes(s.dir.file(gradix::RECENT_PROJECTS_FILE_NAME)), line + "\r\n");

        s.open();  // the program started again
        EXPECT_EQ(s.window->windowTitle(), "Gradix V2.5");
        ASSERT_FALSE(s.window->project().initialised);
        QAction* entry = s.child<QMenu>("recentMenu")->findChild<QAction*>("recentProject1");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->text().toStdString(), std::string("&1 ") + (row.title + std::string("Gradix V2.5 — ").size()));
        s.child<QCheckBox>("Check1")->setChecked(!row.alignment);  // the entry brings its own mode
        entry->trigger();
        EXPECT_TRUE(s.window->project().initialised);
        EXPECT_EQ(s.window->project().alignmentMode, row.alignment);
        EXPECT_EQ(s.window->windowTitle().toStdString(), row.title);
        EXPECT_EQ(readBytes(s.dir.file("gradix.ini")).substr(0, 4), "30\r\n");

        fs::remove(paths.back());
        s.ui.events.clear();
        EXPECT_FALSE(s.window->openRecentProject(0));
        ASSERT_EQ(s.ui.events.size(), 1u);
        EXPECT_NE(s.ui.events.front().find("message 最近项目: 找不到项目文件：\n" + paths.back()), std::string::npos);
        EXPECT_EQ(s.window->recentProjects().projects().size(), 1u);
    }
}

// The recent list keeps eight projects, newest first, each once, and keeps
// the lines it does not understand.
TEST(WindowRecentProjects, TheListKeepsEightNewestFirstAndLinesItDoesNotKnow) {
    Folder dir;
    const std::string path = dir.write("recent.txt", "breaks\ta.dl\ta.zdm\r\nfuture\tx\r\n");
    gradix::RecentProjects recent(path);
    recent.load();
    ASSERT_EQ(recent.projects().size(), 1u);
    for (int i = 0; i < 9; ++i) recent.remember({true, {"r" + std::to_string(i) + ".ICD", "r.zdm"}});
    recent.remember({false, {"a.dl", "a.zdm"}});
    recent.remember({false, {"bad\tname.dl", "a.zdm"}});  // cannot be one line: left out
    recent.save();
    recent.load();
    ASSERT_EQ(recent.projects().size(), gradix::MAX_RECENT_PROJECTS);
    EXPECT_EQ(recent.projects()[0], (gradix::ProjectFiles{false, {"a.dl", "a.zdm"}}));
    EXPECT_EQ(recent.projects()[1].files.front(), "r8.ICD");
    EXPECT_NE(readBytes(path).find("future\tx\r\n"), std::string::npos);
}

void drop(Session& s, const std::vector<std::string>& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    mime.setUrls(urls);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(s.window->acceptDrops());
    // Straight to the window's event handler: offscreen, Qt's drag manager
    // delivers no drop that it did not start.
    static_cast<QObject*>(s.window.get())->event(&event);
}

// Dropped files load in the order of the initialisation whatever the order
// dropped; files that make no project are said so and nothing is loaded.
TEST(WindowDrop, DroppedFilesInitialiseInTheirOrderOrAreRefusedWithAMessage) {
    const struct {
        std::vector<std::string> dropped;
        const char* outcome;  // the title after the drop, or the start of the message
    } rows[] = {
        {{"p.zdm", "b.dl"}, "Gradix V2.5 — b.dl, p.zdm"},
        {{"line.zdm", "line.ICD"}, "Gradix V2.5 — line.ICD, line.zdm"},
        {{"road.wid", "p.zdm", "b.dl", "road.sup"}, "Gradix V2.5 — b.dl, p.zdm, road.sup, road.wid"},
        {{"b.dl", "notes.doc", "p.zdm"}, "message 打开项目: 无法识别的文件：notes.doc。"},
        {{"p.zdm"}, "message 打开项目: 缺少平面ICD文件、LandXML文件或断链文件。"},
        {{"b.dl", "line.ICD", "p.zdm"}, "message 打开项目: 只能拖入一个平面或断链文件，拖入了：line.ICD、b.dl。"},
        {{"b.dl", "p.zdm", "line.zdm"}, "message 打开项目: 只能拖入一个纵断面文件，拖入了：p.zdm、line.zdm。"},
    };
    const std::map<std::string, const char*> contents = {{"b.dl", NO_BREAKS}, {"p.zdm", CREST_PROFILE},
                                                         {"line.ICD", SHORT_ICD}, {"line.zdm", SHORT_ICD_PROFILE},
                                                         {"notes.doc", "x"},
                                                         {"road.sup", gradix::testing::CROWN_SUPERELEVATION},
                                                         {"road.wid", gradix::testing::DIVIDED_WIDTHS}};
    for (const auto& row : rows) {
        Session s;
        std::vector<std::string> paths;
        for (const std::string& name : row.dropped) paths.push_back(s.dir.write(name, contents.at(name)));
        drop(s, paths);
        const std::string outcome = row.outcome;
        if (outcome.starts_with("message")) {
            ASSERT_EQ(s.ui.events.size(), 1u) << outcome;
            EXPECT_EQ(s.ui.events.front().substr(0, outcome.size()), outcome);
            EXPECT_FALSE(s.window->project().initialised);
        } else {
            EXPECT_TRUE(s.window->project().initialised) << outcome;
            EXPECT_EQ(s.window->windowTitle().toStdString(), outcome);
        }
    }
}

// The stake file's dialog path in the window: the result file offered beside
// it, the status line after writing, a refused stake's line in the details.
struct DetailUi : ScriptedUi {
    std::vector<std::string> suggestions, messageDetails;
    std::string saveFileSuggesting(const gradix::FileDialog& dialog, const std::string& suggestion) override {
        suggestions.push_back(suggestion);
        return saveFile(dialog);
    }
    void showDetailedMessage(const std::string& title, const std::string& text, const std::string& detail) override {
        messageDetails.push_back(detail);
        showMessage(title, text);
    }
};

TEST(WindowStakeFile, TheStatusSaysWhatWasWrittenTheDialogOffersNameHighAndARefusalItsLine) {
    const struct {
        const char* stakes;
        const char* status;  // "" when refused
        const char* detailEnd;
    } rows[] = {
        {"100\n200\n300\n", "已写入3个桩号的高程：out.txt", ""},
        {"100\nabc\n", "", "桩号.txt，第2行：桩号\"abc\"："},
    };
    for (const auto& row : rows) {
        Folder dir;
        DetailUi ui;
        MainWindow window({dir.qfolder(), "", &ui});
        ui.answers = {dir.write("b.dl", NO_BREAKS), dir.write("p.zdm", CREST_PROFILE)};
        window.runInitialise();
        window.findChild<QRadioButton*>("Option2")->click();
        const std::string stakes = dir.write("桩号.txt", row.stakes);
        ui.answers = {stakes, dir.file("out.txt")};
        ui.events.clear();
        window.runCompute();
        const std::string status = window.findChild<QLabel*>("Label1")->text().toStdString();
        if (*row.status) {
            EXPECT_EQ(status, row.status);
            EXPECT_EQ(ui.suggestions, std::vector<std::string>{dir.file("桩号-高程.txt")});
        } else {
            ASSERT_EQ(ui.messageDetails.size(), 1u);
            EXPECT_EQ(ui.messageDetails.front().substr(0, stakes.size()), stakes);
            EXPECT_NE(ui.messageDetails.front().find(row.detailEnd), std::string::npos) << ui.messageDetails.front();
        }
    }
    // The real dialog opens beside the stake file with the name filled in.
    QWidget owner;
    gradix::QtUserInterface qtUi(owner, QString());
    Folder dir;
    whenModalAppears([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.qfolder()).absolutePath());
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), QString::fromUtf8("桩号-高程.txt"));
    });
    qtUi.saveFileSuggesting(gradix::RESULT_DIALOG, gradix::suggestedResultFile(dir.file("桩号.txt")));
}

// After an initialisation the cursor waits in 桩号; the fields and the
// captions share one font family; Esc closes the help.
TEST(WindowDailyUse, TheCursorIsInTheStakeFieldFontsMatchAndEscClosesTheHelp) {
    Session s;
    s.initialiseCrest();
    EXPECT_EQ(s.window->focusWidget(), s.field("Text1"));
    for (const char* label : {"Label4", "Label5", "Label2", "Label14"})
        EXPECT_EQ(QFontInfo(s.child(label)->font()).family(), QFontInfo(s.field("Text1")->font()).family()) << label;

    s.click("xpcmdbutton2");
    gradix::HelpWindow* help = s.window->helpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

}  // namespace
// 检查数据 on a project whose vertical curves overlap: the finding is listed
// and copied as tab-separated rows (the whole list, or the rows selected).
TEST(WindowChecks, CheckDataListsTheFindingsToCopy) {
    Session s;
    s.initialise({s.dir.write("b.dl", NO_BREAKS), s.dir.write("p.zdm", "0 100\n200 104 8000\n300 102 8000\n500 106\n")});
    auto* action = s.child<QAction>("checkDataAction");
    ASSERT_NE(action, nullptr);
    action->trigger();
    auto* dialog = s.child<gradix::CheckDialog>("checkDialog");
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QTableWidget*>("findingList");
    ASSERT_GE(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 0)->text(), QString::fromUtf8("错误"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("copyButton"), Qt::LeftButton);
    const std::string all = s.ui.clipboard;
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), list->rowCount());
    EXPECT_EQ(all.rfind("错误\t" + s.dir.file("p.zdm") + "\t3\t第2个变坡点与第3个变坡点的竖曲线重叠", 0), 0u) << all;
    list->selectRow(list->rowCount() - 1);
    list->setFocus();
    QTest::keySequence(list, QKeySequence::Copy);
    const std::string last = all.substr(all.rfind('\n', all.size() - 2) + 1);
    EXPECT_EQ(s.ui.clipboard, list->rowCount() == 1 ? all : last);
}

// ------------------------------------------------------- daily use, outputs

namespace {

// The example project in alignment mode (road.icd, road-icd.zdm), in a session.
void initialiseExampleAlignment(Session& s) {
    s.child<QCheckBox>("Check1")->setChecked(true);
    s.initialise({gradix::testing::example("road.icd"), gradix::testing::example("road-icd.zdm")});
    ASSERT_TRUE(s.window->project().initialised);
}

// The data lines of a CSV table (its lines after the header).
std::size_t dataLines(const std::string& file) {
    const std::string bytes = readBytes(file);
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) - 1;
}

}  // namespace

// Every output says in the status line what it wrote: the file by its name
// and how much (the rows the file holds; the profile's grade points).
TEST(WindowDailyUse, EveryOutputSaysWhatItWrote) {
    Session s;
    initialiseExampleAlignment(s);
    const std::string points = s.dir.write("points.txt", "P1 3346479.656 513201.859 107\nP2 3345900 512500\n");
    s.child<QDoubleSpinBox>("pictureScale")->setValue(20000);
    const struct {
        const char* output;
        std::function<bool(const std::string& file)> run;
        std::function<std::string(const std::string& file)> status;
    } rows[] = {
        {"逐桩坐标表",
         [&](const std::string& f) { return s.window->runStakeTable({"100", "", "", "", gradix::TableFormat::Csv, f}); },
         [](const std::string& f) { return "已写入" + std::to_string(dataLines(f)) + "个桩号的逐桩坐标表：stakes.csv"; }},
        {"竖曲线表", [&](const std::string& f) { return s.window->runCurveTable({gradix::TableFormat::Csv, f}); },
         [](const std::string& f) { return "已写入" + std::to_string(dataLines(f)) + "个变坡点的竖曲线表：curves.csv"; }},
        {"坐标反算",
         [&](const std::string& f) {
             return s.window->runLocatePoints({points, "100", gradix::TableFormat::Csv, f});
         },
         [](const std::string&) { return std::string("已写入2个测点的坐标反算表：points.csv"); }},
        {"放样点文件", [&](const std::string& f) { return s.window->runStakeout({"100", "-7.5", "", "", "", f}); },
         [](const std::string& f) { return "已写入" + std::to_string(dataLines(f)) + "个放样点的放样点文件：stakeout.csv"; }},
        {"纵断面图片", [&](const std::string& f) { s.ui.answers = {f}; return s.window->exportViewPicture(false); },
         [](const std::string&) { return std::string("已导出纵断面图片（1:20000）：profile.svg"); }},
        {"平面图片", [&](const std::string& f) { s.ui.answers = {f}; return s.window->exportViewPicture(true); },
         [](const std::string&) { return std::string("已导出平面图片（1:20000）：plan.pdf"); }},
        {"纵断面图", [&](const std::string& f) { s.ui.answers = {f}; return s.window->exportProfileSheet(); },
         [](const std::string&) { return std::string("已导出8个变坡点的纵断面图：sheet.dxf"); }},
    };
    const char* files[] = {"stakes.csv", "curves.csv", "points.csv", "stakeout.csv", "profile.svg", "plan.pdf",
                           "sheet.dxf"};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].output);
        const std::string file = s.dir.file(files[i]);
        ASSERT_TRUE(rows[i].run(file)) << (s.ui.events.empty() ? "" : s.ui.events.back());
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(s.status(), rows[i].status(file));
    }
}

// 项目设置: an unknown system is refused and changes nothing; a known one
// converts the GNSS points of 坐标反算, and comes back with the project
// from 最近项目 in the next session.
TEST(WindowDailyUse, TheProjectSystemIsSetCheckedAndRemembered) {
    auto s = std::make_unique<Session>();
    initialiseExampleAlignment(*s);
    const std::string table = s->dir.file("gnss.csv");
    const auto locateGnss = [&] {
        return s->window->runLocatePoints(
            {gradix::testing::example("gnss.txt"), "100", gradix::TableFormat::Csv, table, "EPSG:4490"});
    };
    EXPECT_FALSE(locateGnss());  // no project system yet
    EXPECT_FALSE(s->window->applyProjectSystems({"EPSG:99999", ""}));
    EXPECT_EQ(s->window->project().crs, "");
    ASSERT_TRUE(s->window->applyProjectSystems({"EPSG:4548", ""}));
    ASSERT_TRUE(locateGnss());
    EXPECT_NE(readBytes(table).find("G4,K1+500.000,1500.000,0.000"), std::string::npos) << readBytes(table);
    Folder& kept = s->dir;
    auto next = std::make_unique<MainWindow>(gradix::WindowSetup{kept.qfolder(), "", &s->ui});
    s->window.swap(next);
    next.reset();
    ASSERT_TRUE(s->window->openRecentProject(0));
    EXPECT_EQ(s->window->project().crs, "EPSG:4548");
}

// A refused field of a dialog of 输出 is said, and the same dialog comes back
// with what was typed; opened again later it still holds it.
TEST(WindowDailyUse, AnOutputDialogKeepsItsInputAfterARefusal) {
    Session s;
    initialiseExampleAlignment(s);
    const std::string table = s.dir.file("stakes.csv");
    std::vector<std::string> seen;  // the interval each showing of the dialog found
    s.window->execDialog = [&](gradix::SetoutDialog& d) {
        auto* every = d.findChild<QLineEdit*>("every");
        seen.push_back(every->text().toStdString());
        if (seen.size() == 1) {  // typed: a range, a file, and an interval that is refused
            every->setText("0");
            d.findChild<QLineEdit*>("from")->setText("K1+000");
            d.findChild<QComboBox*>("format")->setCurrentIndex(1);
            d.findChild<QLineEdit*>("file")->setText(QString::fromStdString(table));
            return true;
        }
        if (seen.size() == 2) {
            EXPECT_EQ(d.findChild<QLineEdit*>("from")->text(), "K1+000");
            EXPECT_EQ(d.findChild<QLineEdit*>("file")->text().toStdString(), table);
            every->setText("100");
            return true;
        }
        return false;
    };
    s.child<QMenu>("outputMenu")->actions().at(0)->trigger();
    EXPECT_EQ(seen, (std::vector<std::string>{"20", "0"}));
    EXPECT_EQ(std::count(s.ui.events.begin(), s.ui.events.end(), "message 数据有误: 桩距应为大于0的数。"), 1);
    EXPECT_TRUE(fs::exists(table));
    s.child<QMenu>("outputMenu")->actions().at(0)->trigger();
    EXPECT_EQ(seen.back(), "100");
}

// A project opened by relative paths is remembered by absolute ones: started
// from another folder it opens, and opening it again does not list it twice.
TEST(WindowDailyUse, RememberedProjectsOpenFromAnyFolder) {
    Session s;
    s.dir.write("b.dl", NO_BREAKS);
    s.dir.write("p.zdm", CREST_PROFILE);
    const fs::path before = fs::current_path();
    fs::current_path(s.dir.path());
    const bool opened = s.window->openProject(std::vector<std::string>{"b.dl", "p.zdm"});
    fs::current_path("/");
    ASSERT_TRUE(opened);
    const gradix::ProjectFiles absolute{false, {s.dir.file("b.dl"), s.dir.file("p.zdm")}};
    ASSERT_EQ(s.window->recentProjects().projects().size(), 1u);
    EXPECT_EQ(s.window->recentProjects().projects()[0], absolute);
    s.open();  // started again, elsewhere
    EXPECT_TRUE(s.window->openRecentProject(0));
    EXPECT_EQ(s.window->recentProjects().projects().size(), 1u);
    fs::current_path(before);
}

// A load that does not complete shows its file and line, a refused stake of
// the profile as a failure does; 检查数据 then checks the files of that load,
// not those of the project still in force.
TEST(WindowDailyUse, AFailedLoadShowsItsPlaceAndIsWhat检查数据Checks) {
    const struct {
        const char* what;
        const char* breaks;
        const char* profile;
        const char* event;  // the box, to its text
        const char* place;  // in its details
    } rows[] = {
        {"a line the reader refuses", NO_BREAKS, "0 100\n200 104\n300\n", "error 错误: 数据文件格式有误！", "p.zdm，第3行"},
        {"a grade point in a gap of the stakes", gradix::testing::ROAD_BREAKS_FILE, "0 100\n4150 104\n5000 100\n",
         "message 数据有误: ", "p.zdm，第2行"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Folder dir;
        DetailUi ui;
        MainWindow window({dir.qfolder(), "", &ui});
        ui.answers = {dir.write("b.dl", NO_BREAKS), dir.write("ok.zdm", CREST_PROFILE)};
        ASSERT_TRUE(window.runInitialise());
        const std::string profile = dir.write("p.zdm", row.profile);
        ui.answers = {dir.write("b.dl", row.breaks), profile};
        ui.events.clear();
        EXPECT_FALSE(window.runInitialise());
        ASSERT_FALSE(ui.events.empty());
        EXPECT_EQ(ui.events.back().rfind(row.event, 0), 0u) << ui.events.back();
        const std::vector<std::string>& details = ui.errorDetails.empty() ? ui.messageDetails : ui.errorDetails;
        ASSERT_EQ(details.size(), 1u);
        EXPECT_NE(details.front().find(row.place), std::string::npos) << details.front();
        EXPECT_TRUE(window.project().initialised);  // the project before stays in force
        ASSERT_TRUE(window.failedLoad().has_value());

        window.findChild<QAction*>("checkDataAction")->trigger();
        auto* dialog = window.findChild<gradix::CheckDialog*>("checkDialog");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->findChild<QLabel*>("checkSummary")->text().startsWith(gradix::FAILED_LOAD_TEXT));
        auto* list = dialog->findChild<QTableWidget*>("findingList");
        bool ofThatLoad = false;
        for (int r = 0; r < list->rowCount(); ++r) ofThatLoad = ofThatLoad || list->item(r, 1)->text().toStdString() == profile;
        EXPECT_TRUE(ofThatLoad);
        dialog->close();
    }
}

// What the reading noticed without refusing (Project::notes) is listed by
// 检查数据 before the findings, each note's file and line in their columns.
TEST(WindowDailyUse, TheReadingsNotesAreListedWithTheirPlace) {
    const struct {
        const char* note;
        gradix::CheckRow row;
    } notes[] = {
        {"/d/p.zdm，第2行：第2行有4个字段：竖曲线半径未读入", {"提示", "/d/p.zdm", 2, "第2行有4个字段：竖曲线半径未读入"}},
        {"/d/road.xml：单位为英尺，已换算为米", {"提示", "/d/road.xml", 0, "单位为英尺，已换算为米"}},
        {"单位已换算", {"提示", "", 0, "单位已换算"}},
    };
    for (const auto& n : notes) EXPECT_EQ(gradix::noteRow(n.note), n.row) << n.note;

    Session s;
    s.initialiseCrest();
    s.window->project().notes = {std::string("/d/p.zdm，第2行：第2行有4个字段：竖曲线半径未读入")};
    s.child<QAction>("checkDataAction")->trigger();
    auto* dialog = s.child<gradix::CheckDialog>("checkDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->findChild<QLabel*>("checkSummary")->text().endsWith("读入提示1条。"));
    auto* list = dialog->findChild<QTableWidget*>("findingList");
    ASSERT_GE(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 0)->text(), "提示");
    EXPECT_EQ(list->item(0, 2)->text(), "2");
}

// The about box leads to the user manual beside the program, as the help does.
TEST(WindowDailyUse, TheAboutBoxAndTheHelpLeadToTheUserManual) {
    Session s;
    s.dir.write("manual.md", "# Gradix user manual\n");
    EXPECT_EQ(s.window->projectPage(), QUrl::fromLocalFile(s.dir.qfolder() + "/manual.md"));
    gradix::AboutBox about(s.window.get(), s.window->projectPage());
    EXPECT_TRUE(about.findChild<QLabel*>("aboutText")->text().contains(s.dir.qfolder() + "/manual.md"));
    const std::string help = readBytes(std::string(GRADIX_SOURCE_DIR) + "/docs/gradix.html");
    EXPECT_NE(help.find("href=\"manual.md\""), std::string::npos);
}

// The views of a project with station equations (road.xml, its stakes
// B…, C…): the stake computed is marked in the plan as every output writes
// it, the profile's exaggeration box shows the exaggeration the fit chose,
// and the drawing window's reference line is ticked on round stakes.
TEST(WindowViews, ThePlanMarksTheStakeAsEveryOutputWritesItAndTheBoxShowsTheFit) {
    Session s;
    s.child<QCheckBox>("Check1")->setChecked(true);
    s.initialise({gradix::testing::example("road.xml")});
    ASSERT_TRUE(s.window->project().initialised);
    gradix::RoadViews* views = s.window->roadViews();
    EXPECT_EQ(s.child<QDoubleSpinBox>("verticalExaggeration")->value(), views->profileView()->verticalExaggeration());
    s.field("Text1")->setText("B2320");
    QTest::keyClick(s.field("Text1"), Qt::Key_Return);
    (void)views->planView()->grab();
    bool marked = false;
    for (const auto& label : views->planView()->shownLabels()) marked = marked || label.text == "BK2+320.000";
    EXPECT_TRUE(marked);

    // The drawing window's reference ticks stand on round stakes too: B's first one at the break.
    const std::vector<gradix::ReferenceTick>& ticks = s.window->referenceAlignment().ticks;
    const auto first = std::find_if(ticks.begin(), ticks.end(), [](const auto& t) { return t.label == "BK2+300"; });
    ASSERT_NE(first, ticks.end());
    double X = 0, Y = 0, bearing = 0;
    gradix::PointAtChainage(s.window->project().alignment, 2350, X, Y, bearing);
    EXPECT_NEAR(first->X, X, 1e-6);
    EXPECT_NEAR(first->Y, Y, 1e-6);
    EXPECT_EQ((first + 1)->label, "BK2+400");
}
