// The drawing window's documents and drawing units, offscreen: a replaced
// document is released, unless a command still holds it; the units a
// drawing states are told before its first pick.
#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include "drawing/windowcad.h"
#include "dxf/dxfreader.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace gradix {
namespace {

using testing::ScriptedDrawingDialogs;
using testing::TempFolder;

void click(QWidget* w, QPointF pos) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

class WindowDocuments : public ::testing::Test {
protected:
    void SetUp() override {
        plan = QString::fromStdString(folder.write("plan.dxf", newDrawing().bytes));
        window = std::make_unique<DrawingWindow>(nullptr, &dialogs);
        window->resize(800, 600);
    }
    void TearDown() override {
        window.reset();
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('|').toStdString();
    }
    TempFolder folder{"drawingview"};
    ScriptedDrawingDialogs dialogs;
    QString plan;
    std::unique_ptr<DrawingWindow> window;
};

TEST_F(WindowDocuments, AReplacedDocumentIsReleased) {
    const std::weak_ptr<Drawing> first = window->document().sharedDrawing();
    ASSERT_TRUE(window->openFile(plan));
    EXPECT_TRUE(first.expired());
    const std::weak_ptr<Drawing> opened = window->document().sharedDrawing();
    ASSERT_TRUE(window->newDrawing());
    EXPECT_TRUE(opened.expired());
}

// A command runs from the event loop; while one of its dialogs is open the
// person opens another drawing. The document the command holds stays usable
// until the command returns to the loop.
TEST_F(WindowDocuments, ADocumentACommandHoldsLivesUntilTheCommandEnds) {
    WindowCadApplication app(*window);
    std::weak_ptr<Drawing> held;
    QEventLoop program;
    QTimer::singleShot(0, [&] {
        CadDocument& doc = app.ActiveDocument();
        held = window->document().sharedDrawing();
        QEventLoop dialog;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(window->openFile(plan));
            dialog.quit();
        });
        dialog.exec();
        ASSERT_FALSE(held.expired());
        doc.Layers().Add("纵断面设计高程");  // still the old drawing's
        EXPECT_NE(held.lock()->findLayer("纵断面设计高程"), nullptr);
        EXPECT_EQ(window->drawing().findLayer("纵断面设计高程"), nullptr);
        program.quit();
    });
    program.exec();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(held.expired());
}

// The view follows the drawing as entities come and go (an annotation undone).
TEST_F(WindowDocuments, TheViewFollowsEntitiesAddedAndTakenAway) {
    DrawingView* view = window->view();
    view->setView(QPointF(0, 0), 4);
    DrawingEntity line;
    line.x = -10, line.x2 = 10;
    line.added = true;
    window->drawing().entities.push_back(line);
    window->drawingChanged();
    const QPointF on = view->toScreen(QPointF(5, 0));
    EXPECT_EQ(view->entityAt(on), std::optional<std::size_t>(0));
    window->drawing().entities.back().y = window->drawing().entities.back().y2 = 50;  // moved away
    window->drawingChanged();
    EXPECT_EQ(view->entityAt(on), std::nullopt);
    window->drawing().entities.pop_back();
    window->drawingChanged();
    EXPECT_EQ(view->entityAt(view->toScreen(QPointF(5, 50))), std::nullopt);
    EXPECT_TRUE(view->entitiesInWindow(QRectF(-100, -100, 200, 200), true).empty());
}

TEST(DrawingUnits, EveryUnitButMetresIsTold) {
    const struct {
        int code;
        const char* note;
    } cases[] = {{0, ""},
                 {6, ""},
                 {4, "图形单位为毫米；Gradix 按米计算。"},
                 {1, "图形单位为英寸；Gradix 按米计算。"},
                 {7, "图形单位为千米；Gradix 按米计算。"},
                 {24, "图形单位为美国测量英里；Gradix 按米计算。"},
                 {25, "图形单位代码 25 未知；Gradix 按米计算。"},
                 {-1, "图形单位代码 -1 未知；Gradix 按米计算。"}};
    for (const auto& c : cases) EXPECT_EQ(drawingUnitsNote(c.code).toStdString(), c.note) << c.code;
}

TEST(DrawingUnits, ToldOnceBeforeTheFirstPick) {
    ScriptedDrawingDialogs dialogs;
    for (int units : {4, 6}) {
        auto drawing = std::make_shared<Drawing>(newDrawing());
        drawing->insertionUnits = units;
        DrawingWindow window(drawing, &dialogs);
        window.resize(800, 600);
        for (int pick = 0; pick < 2; ++pick) {
            QTimer::singleShot(0, [&] { click(window.view(), QPointF(100, 100)); });
            ASSERT_TRUE(window.pickPoint("点取计算结果显示插入点:"));
        }
        const QStringList said = window.history();
        ASSERT_EQ(said.size(), units == 4 ? 3 : 2) << said.join('|').toStdString();
        if (units == 4) {
            EXPECT_EQ(said[0], "图形单位为毫米；Gradix 按米计算。");
        }
        EXPECT_TRUE(said.back().startsWith("点取计算结果显示插入点:"));
    }
}

}  // namespace
}  // namespace gradix
