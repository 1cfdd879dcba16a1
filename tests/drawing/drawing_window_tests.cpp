// The drawing window, offscreen, driven by synthesized mouse and key events:
// picks (clicked, typed, cancelled), selections (click, window, crossing),
// zoom and pan, what it draws, saving and closing, and the CAD link over it.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <numbers>

#include "drawing/drawingwindow.h"
#include "drawing/labelauditpanel.h"
#include "dxf/dxfreader.h"
#include "drawing/windowcad.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;

using ScriptDialogs = testing::ScriptedDrawingDialogs;

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void mouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(w, &event);
}

void click(QWidget* w, QPointF pos, Qt::MouseButton button = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonPress, pos, button, button);
    mouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

void drag(QWidget* w, QPointF from, QPointF to, Qt::MouseButton button = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonPress, from, button, button);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, button);
    mouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

void key(QWidget* w, int k, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// Runs actions once the window's local event loop is waiting.
void whenWaiting(std::function<void()> actions) { QTimer::singleShot(0, std::move(actions)); }

// A drawing of two stake labels inside (0,0)-(100,50) and a red line from
// (-50,-50) to (200,-50) below them.
std::shared_ptr<Drawing> labelledDrawing() {
    auto d = std::make_shared<Drawing>(newDrawing());
    d->addLayer("red").color = 1;
    DrawingEntity a;
    a.kind = EntityKind::Text;
    a.text = "K1+200";
    a.x = 10, a.y = 10, a.height = 5;
    d->entities.push_back(a);
    DrawingEntity b;
    b.kind = EntityKind::MText;
    b.text = "{\\L桩号：K1+300\\P高程：12.3456}";
    b.x = 50, b.y = 40, b.height = 4;
    d->entities.push_back(b);
    DrawingEntity line;
    line.kind = EntityKind::Line;
    line.layer = "red";
    line.x = -50, line.y = -50, line.x2 = 200, line.y2 = -50;
    d->entities.push_back(line);
    return d;
}

class DrawingWindowTest : public ::testing::Test {
protected:
    void SetUp() override { open(labelledDrawing()); }
    void open(std::shared_ptr<Drawing> drawing) {
        window = std::make_unique<DrawingWindow>(std::move(drawing), &dialogs);
        window->resize(WIDTH, HEIGHT);
        window->show();
        settle();
        view = window->view();
        // A known view: drawing (50, 0) at the centre, 4 pixels a unit.
        view->setView(QPointF(50, 0), 4);
    }
    ScriptDialogs dialogs;
    std::unique_ptr<DrawingWindow> window;
    DrawingView* view = nullptr;
};

TEST_F(DrawingWindowTest, ClickPicksThePointUnderTheCursor) {
    const QPointF at = view->toScreen(QPointF(20, 30));
    whenWaiting([&] { click(view, at); });
    const std::optional<CadPoint> p = window->pickPoint("点取计算结果显示插入点:");
    ASSERT_TRUE(p);
    EXPECT_NEAR((*p)[0], 20, 1e-9);
    EXPECT_NEAR((*p)[1], 30, 1e-9);
    EXPECT_EQ((*p)[2], 0);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(view->mode(), DrawingView::Mode::Idle);
    ASSERT_FALSE(window->history().isEmpty());
    EXPECT_TRUE(window->history().back().startsWith("点取计算结果显示插入点:"));
}

TEST_F(DrawingWindowTest, EscCancelsAPick) {
    whenWaiting([&] { key(view, Qt::Key_Escape); });
    EXPECT_FALSE(window->pickPoint("===点取设计线范围任意点：==="));
    EXPECT_EQ(window->history().back(), CANCELLED_MESSAGE);
    // Esc in the command line cancels too.
    whenWaiting([&] { key(window->commandLine(), Qt::Key_Escape); });
    EXPECT_FALSE(window->pickPoint("again"));
    EXPECT_FALSE(window->isBusy());
}

TEST_F(DrawingWindowTest, PointTypedAsXY) {
    whenWaiting([&] {
        // Typing in the view goes to the command line; a bad point is refused and the pick waits on.
        key(view, Qt::Key_A, "a");
        key(window->commandLine(), Qt::Key_Return);
        EXPECT_EQ(window->history().back(), INVALID_POINT_MESSAGE);
        window->commandLine()->setText(" 452300.5 , -3e2 ");
        key(window->commandLine(), Qt::Key_Return);
    });
    const std::optional<CadPoint> p = window->pickPoint("pick");
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (CadPoint{452300.5, -300, 0}));
}

TEST_F(DrawingWindowTest, ASecondWaitIsRefused) {
    whenWaiting([&] {
        EXPECT_THROW(window->pickPoint("nested"), CadError);
        EXPECT_THROW(window->selectEntities(), CadError);
        key(view, Qt::Key_Escape);
    });
    EXPECT_FALSE(window->pickPoint("outer"));
}

TEST_F(DrawingWindowTest, WindowSelectionTakesWhatLiesWhollyInside) {
    whenWaiting([&] {
        // Left to right around both labels, short of the line.
        drag(view, view->toScreen(QPointF(0, 70)), view->toScreen(QPointF(150, 0)));
        EXPECT_EQ(view->selection().size(), 2u);
        key(view, Qt::Key_Return);
    });
    const auto chosen = window->selectEntities();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(view->selection().empty());
}

TEST_F(DrawingWindowTest, CrossingSelectionAlsoTakesWhatItCrosses) {
    whenWaiting([&] {
        // Right to left over the middle of the long line and the first label only.
        drag(view, view->toScreen(QPointF(40, 20)), view->toScreen(QPointF(5, -60)));
        click(view, view->toScreen(QPointF(60, 0)), Qt::RightButton);  // a right click ends it
    });
    const auto chosen = window->selectEntities();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (std::vector<std::size_t>{0, 2}));
}

TEST_F(DrawingWindowTest, ClickPicksAnEntityAndEscCancelsTheSelection) {
    whenWaiting([&] {
        click(view, view->toScreen(QPointF(120, -50.5)));  // half a unit (2 px) off the line
        click(view, view->toScreen(QPointF(12, 11)));      // on the label "K1+200"
        EXPECT_EQ(view->selection(), (std::vector<std::size_t>{2, 0}));
        click(view, view->toScreen(QPointF(120, -30)));    // on nothing
        EXPECT_EQ(view->selection().size(), 2u);
        key(view, Qt::Key_Escape);
    });
    EXPECT_FALSE(window->selectEntities());
    whenWaiting([&] {
        click(view, view->toScreen(QPointF(12, 11)));
        key(window->commandLine(), Qt::Key_Return);
    });
    const auto chosen = window->selectEntities();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, std::vector<std::size_t>{0});
}

TEST_F(DrawingWindowTest, WheelZoomsAboutTheCursorAndMiddleButtonPans) {
    const QPointF cursor(200, 150);
    const QPointF under = view->toDrawing(cursor);
    QWheelEvent wheel(cursor, view->mapToGlobal(cursor), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_NEAR(view->pixelsPerUnit(), 4 * 1.2, 1e-12);
    EXPECT_NEAR(view->toDrawing(cursor).x(), under.x(), 1e-9);
    EXPECT_NEAR(view->toDrawing(cursor).y(), under.y(), 1e-9);
    const QPointF before = view->viewCentre();
    drag(view, QPointF(300, 300), QPointF(348, 276), Qt::MiddleButton);
    EXPECT_NEAR(view->viewCentre().x(), before.x() - 48 / view->pixelsPerUnit(), 1e-9);
    EXPECT_NEAR(view->viewCentre().y(), before.y() - 24 / view->pixelsPerUnit(), 1e-9);
    // Space held, the left button pans as well.
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(view, &space);
    const QPointF spaced = view->viewCentre();
    drag(view, QPointF(300, 300), QPointF(310, 300));
    EXPECT_NEAR(view->viewCentre().x(), spaced.x() - 10 / view->pixelsPerUnit(), 1e-9);
}

TEST_F(DrawingWindowTest, ZoomExtentsTakesInTheReferenceLine) {
    open(std::make_shared<Drawing>(newDrawing()));
    ReferenceAlignment road;
    road.line = {{4539000, 452000}, {4540000, 452000}, {4541000, 453000}};  // X north, Y east
    window->setReferenceAlignment(road);
    view->zoomExtents();
    // The line spans 1000 m east and 2000 m north: the height decides.
    EXPECT_NEAR(view->viewCentre().x(), 452500, 1e-6);
    EXPECT_NEAR(view->viewCentre().y(), 4540000, 1e-6);
    EXPECT_NEAR(view->pixelsPerUnit(), view->height() / 2000.0 * 0.95, 1e-9);
}

// Counts pixels close to a colour in a rectangle of the view.
int pixelsNear(const QImage& image, const QRect& r, QColor c, int tolerance = 40) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) <
                tolerance)
                ++n;
        }
    return n;
}

TEST_F(DrawingWindowTest, DrawsLayerColoursChineseTextAndTheReferenceLine) {
    view->setView(QPointF(50, -5), 4);
    ReferenceAlignment road;
    road.line = {{-30, -40}, {-30, 140}};  // a road due east, between the labels and the line
    road.ticks = {{-30, 0, std::numbers::pi / 2, ""}};
    window->setReferenceAlignment(road);
    settle();
    const QImage image = view->grab().toImage();
    const QPoint lineAt = view->toScreen(QPointF(100, -50)).toPoint();
    EXPECT_GT(pixelsNear(image, QRect(lineAt.x() - 20, lineAt.y() - 2, 40, 5), Qt::red), 20);  // red by its layer
    // The Chinese MTEXT at (50, 40), 4 high: white glyphs below its insertion point.
    const QPoint textAt = view->toScreen(QPointF(50, 40)).toPoint();
    EXPECT_GT(pixelsNear(image, QRect(textAt.x(), textAt.y(), 60, 24), Qt::white, 120), 30);
    if (const char* keep = std::getenv("GRADIX_KEEP_IMAGE")) image.save(keep);
    const QPoint roadAt = view->toScreen(QPointF(60, -30)).toPoint();
    EXPECT_GT(pixelsNear(image, QRect(roadAt.x() - 20, roadAt.y() - 2, 40, 5), QColor(0, 190, 200), 150), 10);
}

// The view keeps what it drew between repaints: it must still show every
// change, whether of the drawing, the view or the reference line.
TEST_F(DrawingWindowTest, KeptDrawingFollowsEveryChange) {
    const QColor road(0, 190, 200);
    ReferenceAlignment line;
    line.line = {{-30, -40}, {-30, 140}};
    window->setReferenceAlignment(line);
    settle();
    const auto count = [&](QPointF at, QColor colour, int tolerance) {
        const QPoint s = view->toScreen(at).toPoint();
        return pixelsNear(view->grab().toImage(), QRect(s.x() - 20, s.y() - 2, 40, 5), colour, tolerance);
    };
    EXPECT_GT(count(QPointF(60, -30), road, 150), 10);
    EXPECT_EQ(count(QPointF(50, 20), Qt::red, 40), 0);

    // A line added to the drawing, then the view moved: both show at once.
    DrawingEntity added;
    added.kind = EntityKind::Line;
    added.layer = "red";
    added.x = 0, added.y = 20, added.x2 = 100, added.y2 = 20;
    added.added = true;
    window->drawing().entities.push_back(added);
    window->drawingChanged();
    EXPECT_GT(count(QPointF(50, 20), Qt::red, 40), 20);
    view->setView(QPointF(60, 0), 4);
    EXPECT_GT(count(QPointF(50, 20), Qt::red, 40), 20);
    EXPECT_GT(count(QPointF(60, -30), road, 150), 10);

    // A reference line moved, then taken away.
    line.line = {{-10, -40}, {-10, 140}};
    window->setReferenceAlignment(line);
    EXPECT_GT(count(QPointF(60, -10), road, 150), 10);
    EXPECT_LT(count(QPointF(60, -30), road, 150), 3);
    window->setReferenceAlignment({});
    EXPECT_LT(count(QPointF(60, -10), road, 150), 3);
}

class DrawingFiles : public DrawingWindowTest {
protected:
    void SetUp() override {
        temp.write("plan.dxf", newDrawing().bytes);
        open(std::make_shared<Drawing>(newDrawing()));
        ASSERT_TRUE(window->openFile(QString::fromStdString((folder / "plan.dxf").string())));
    }
    void TearDown() override { window.reset(); }
    void annotate() {
        window->document().ModelSpace().AddMText({1, 2, 0}, 0, "K1+200");
    }
    gradix::testing::TempFolder temp{"window"};
    const fs::path& folder = temp.path();
};

TEST_F(DrawingFiles, SavingAnOpenedDrawingAsksForANewFileFirst) {
    annotate();
    EXPECT_TRUE(window->isWindowModified());
    const QString original = QString::fromStdString((folder / "plan.dxf").string());
    const QString copy = QString::fromStdString((folder / "copy").string());
    // The opened file itself: asked, refused, nothing written.
    dialogs.savePaths = {original};
    EXPECT_FALSE(window->save());
    EXPECT_EQ(dialogs.asked, (QStringList{"save as " + QString::fromStdString((folder / "plan-gradix.dxf").string()),
                                          "overwrite " + original}));
    EXPECT_EQ(fs::file_size(folder / "plan.dxf"), newDrawing().bytes.size());
    // Another file: saved (".dxf" added); the next save goes there without asking.
    dialogs.asked.clear();
    dialogs.savePaths = {copy};
    EXPECT_TRUE(window->save());
    EXPECT_TRUE(fs::exists(folder / "copy.dxf"));
    EXPECT_FALSE(window->isWindowModified());
    annotate();
    EXPECT_TRUE(window->save());
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(readDrawing((folder / "copy.dxf").string()).entities.size(), 2u);
    EXPECT_EQ(readDrawing((folder / "plan.dxf").string()).entities.size(), 0u);
}

TEST_F(DrawingFiles, ClosingWithUnsavedChangesAsks) {
    annotate();
    dialogs.unsaved = {DrawingDialogs::Unsaved::Cancel};
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(window->wasClosed());
    dialogs.unsaved = {DrawingDialogs::Unsaved::Discard};
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(window->wasClosed());
    EXPECT_FALSE(window->pickPoint("after closing"));
    window->reopen();
    EXPECT_TRUE(window->drawing().entities.empty());  // a new, empty drawing
    EXPECT_TRUE(window->drawing().path.empty());
}

TEST_F(DrawingFiles, AFileThatCannotBeReadIsReported) {
    EXPECT_FALSE(window->openFile(QString::fromStdString((folder / "missing.dxf").string())));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(OPEN_FAILED_TEXT));
    EXPECT_EQ(window->drawing().path, (folder / "plan.dxf").string());  // the drawing shown stays
}

// The CAD link: ConnectCad opens the window once, the commands' calls land in
// its drawing, and a pick waits in it.
TEST(WindowCad, ConnectCadOpensTheWindowAndDrivesIt) {
    ScriptDialogs dialogs;
    DrawingWindowConnector connector(&dialogs);
    struct Messages : CadMessenger {
        std::vector<std::string> shown;
        void showCadMessage(const std::string& t) override { shown.push_back(t); }
    } messages;
    EXPECT_EQ(connector.attach(), nullptr);
    CadApplication* app = ConnectCad(connector, messages);
    ASSERT_NE(app, nullptr);
    EXPECT_TRUE(messages.shown.empty());
    DrawingWindow* window = connector.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(app->Caption(), std::string(NEW_DRAWING_NAME) + " - " + DRAWING_WINDOW_TITLE);
    EXPECT_EQ(ConnectCad(connector, messages), app);  // attached, not opened again
    window->resize(WIDTH, HEIGHT);
    settle();
    window->view()->setView(QPointF(0, 0), 2);

    CadDocument& doc = app->ActiveDocument();
    CadLayer& layer = doc.Layers().Add("纵断面设计高程");
    doc.ActiveLayer(layer);
    whenWaiting([&] { click(window->view(), window->view()->toScreen(QPointF(30, 40))); });
    const std::optional<CadPoint> at = doc.Utility().GetPoint("点取计算结果显示插入点:");
    ASSERT_TRUE(at);
    CadMText& m = doc.ModelSpace().AddMText(*at, 0, "");
    m.TextString("{\\L桩号：K1+200\\P");
    m.Color(1);
    EXPECT_EQ(window->drawing().entities.size(), 1u);
    EXPECT_EQ(window->drawing().entities[0].layer, "纵断面设计高程");
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(window->view()->entityAt(window->view()->toScreen(QPointF(31, 39))), std::optional<std::size_t>(0));

    // Closed by the person, the window is gone for ConnectCad until it opens it again.
    dialogs.unsaved = {DrawingDialogs::Unsaved::Discard};
    window->close();
    EXPECT_EQ(connector.attach(), nullptr);
    EXPECT_EQ(ConnectCad(connector, messages), app);
    EXPECT_FALSE(window->wasClosed());
    EXPECT_TRUE(app->ActiveDocument().ModelSpace().AddMText({0, 0, 0}, 0, "").TextString().empty());
    EXPECT_EQ(window->drawing().entities.size(), 1u);  // a new drawing
}

}  // namespace
}  // namespace gradix

namespace gradix {
namespace {

// 检查标注 over the example plan with one label renamed: the label is listed
// and marked, and a click on its row brings it into the middle of the view,
// the whole text with room around it.
TEST(LabelAuditCommand, ListsMarksAndZoomsToTheLabelReported) {
    const std::string examples = GRADIX_EXAMPLES;
    Alignment alignment;
    ChainBreakTable breaks;
    dqicd(examples + "/road.icd", alignment, breaks, 4.0 * std::atan(1.0));
    SampleTable samples;
    buildSampleTable(alignment, samples);
    auto plan = std::make_shared<Drawing>(readDrawing(examples + "/road-plan.dxf"));
    DrawingEntity* renamed = nullptr;
    for (DrawingEntity& e : plan->entities)
        if (e.text == "K2+100") renamed = &e;
    ASSERT_NE(renamed, nullptr);
    renamed->text = "K2+110";
    const QPointF label(renamed->x, renamed->y);
    ScriptDialogs dialogs;
    DrawingWindow window(plan, &dialogs);
    window.resize(WIDTH, HEIGHT);
    window.show();
    settle();
    auto* panel = window.findChild<LabelAuditPanel*>("labelAuditPanel");
    auto* action = window.findChild<QAction*>("actionLabelAudit");
    ASSERT_TRUE(panel && action);

    setLabelAuditProvider([] { return std::optional<LabelAuditSource>(); });
    action->trigger();
    EXPECT_EQ(window.findChild<QLabel*>("labelAuditSummary")->text(), QString::fromUtf8(NO_ALIGNMENT_TEXT));

    setLabelAuditProvider([&] { return std::optional<LabelAuditSource>({&alignment, &samples, &breaks, nullptr, ""}); });
    action->trigger();
    settle();
    auto* list = window.findChild<QTableWidget*>("labelFindingList");
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 2)->text(), "K2+110.000");
    EXPECT_EQ(list->item(0, 5)->text(), "右 6.000");  // the label stands 6 m right of the road
    EXPECT_TRUE(panel->isVisible());
    // The mark: red pixels around the label once it is in view.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0, 0)).center());
    settle();
    const std::optional<QRectF> text = window.view()->boundsOfHandle(renamed->handle);
    ASSERT_TRUE(text.has_value());
    const QRectF onScreen =
        QRectF(window.view()->toScreen(text->topLeft()), window.view()->toScreen(text->bottomRight())).normalized();
    const QRectF margin = QRectF(window.view()->rect()).adjusted(20, 20, -20, -20);
    EXPECT_TRUE(margin.contains(onScreen)) << "label at " << onScreen.x() << "," << onScreen.y() << " size "
                                           << onScreen.width() << "x" << onScreen.height();
    // The mark: red around the label, gone with the mark layer (the road's
    // own layer is red too).
    DrawingView* view = window.view();
    const QPoint centre = view->toScreen(label).toPoint();
    const auto redAround = [&] {
        const QImage shot = view->grab().toImage();
        int red = 0;
        for (int dx = -12; dx <= 12; ++dx)
            for (int dy = -12; dy <= 12; ++dy) red += shot.pixelColor(centre + QPoint(dx, dy)) == QColor(Qt::red);
        return red;
    };
    const int marked = redAround();
    view->findChild<QWidget*>("labelMarks")->hide();
    EXPECT_GT(marked, redAround());
    setLabelAuditProvider({});
}

}  // namespace
}  // namespace gradix

#include "views/profileview.h"

namespace gradix {
namespace {

// A view as the navigation test drives it: content point <-> widget position.
struct NavigatedView {
    const char* name;
    QWidget* widget;
    std::function<QPointF(QPointF)> toContent;
    std::function<QPointF(QPointF)> toScreen;
    QWidget* sized;  // what is resized: the window around a view in a layout
};

void wheelAt(QWidget* w, QPointF at, int angle) {
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
}

// The drawing view and the road views move alike: the wheel zooms about the
// cursor, a middle drag moves the content with the cursor, a middle double
// click shows everything, and a view showing everything keeps doing so when
// its size changes (one zoomed or moved keeps its scale).
TEST(ViewNavigation, TheDrawingAndTheRoadViewsMoveAlike) {
    DrawingWindow window(labelledDrawing(), nullptr);
    window.resize(WIDTH, HEIGHT);
    window.show();
    settle();
    DrawingView* drawing = window.view();
    Profile crest;
    crest.gradePointCount = 3;
    crest.gradePointChainage = {0, 0, 200, 400};
    crest.gradePointElevation = {0, 100, 104, 100};
    crest.curveRadius = {0, 0, 2000, 0};
    PrepareProfile(crest);
    ProfileView profile;
    profile.resize(WIDTH, HEIGHT);
    profile.show();
    ASSERT_EQ(profile.setProfile(crest, ChainBreakTable{}), QString());
    const NavigatedView views[] = {
        {"drawing view", drawing, [&](QPointF s) { return drawing->toDrawing(s); },
         [&](QPointF c) { return drawing->toScreen(c); }, &window},
        {"profile view", &profile,
         [&](QPointF s) {
             return QPointF(profile.viewport().chainageAt(s.x()), profile.viewport().elevationAt(s.y()));
         },
         [&](QPointF c) { return QPointF(profile.viewport().x(c.x()), profile.viewport().y(c.y())); }, &profile},
    };
    for (const NavigatedView& v : views) {
        SCOPED_TRACE(v.name);
        QWidget* w = v.widget;
        // Pixels between two content points 100 pixels apart at the start.
        const QPointF a = v.toContent({0, 0}), b = v.toContent({100, 0});
        const auto scale = [&] { return QLineF(v.toScreen(a), v.toScreen(b)).length(); };
        const QPointF cursor(200, 150);
        const QPointF under = v.toContent(cursor);
        wheelAt(w, cursor, 120);
        EXPECT_NEAR(QLineF(v.toScreen(under), cursor).length(), 0, 1e-6);
        const QPointF held = v.toContent(QPointF(300, 300));
        drag(w, QPointF(300, 300), QPointF(348, 276), Qt::MiddleButton);
        EXPECT_NEAR(QLineF(v.toScreen(held), QPointF(348, 276)).length(), 0, 1e-6);
        // Moved: a new size keeps the scale.
        const double moved = scale();
        v.sized->resize(WIDTH / 2, HEIGHT / 2);
        settle();
        EXPECT_NEAR(scale(), moved, 1e-9);
        // Everything shown again: a new size shows everything again.
        mouse(w, QEvent::MouseButtonDblClick, QPointF(100, 100), Qt::MiddleButton, Qt::MiddleButton);
        const double fittedSmall = scale();
        v.sized->resize(WIDTH, HEIGHT);
        settle();
        EXPECT_GT(scale(), 1.5 * fittedSmall);
    }
}

// A drawing given to a window before it is shown (an exported sheet, a new
// drawing) fills the view once the window has its size: it once showed as a
// dot, fitted to the view's size before the window was laid out.
TEST(DrawingOpened, ADrawingGivenBeforeTheWindowIsShownFillsItsView) {
    auto sheet = labelledDrawing();  // content (-50,-50)-(200,45)
    DrawingWindow window(sheet, nullptr);
    window.resize(WIDTH, HEIGHT);
    window.show();
    settle();
    DrawingView* view = window.view();
    const QRectF content(view->toScreen(QPointF(-50, 45)), view->toScreen(QPointF(200, -50)));
    EXPECT_GT(std::max(content.width() / view->width(), content.height() / view->height()), 0.8)
        << content.width() << " x " << content.height() << " in " << view->width() << " x " << view->height();
    EXPECT_TRUE(QRectF(view->rect()).adjusted(-1, -1, 1, 1).contains(content.normalized()));
}

}  // namespace
}  // namespace gradix
