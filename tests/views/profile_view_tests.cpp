// The profile and plan views offscreen on the example project: where the
// design line stands and what the cursor reads out, how the profile fills the
// view, the plan's labels, the exports' paper and the empty views.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include <functional>
#include <random>

#include "views/example_project.h"
#include "views/profileview.h"

namespace gradix {
namespace {

constexpr int VIEW_WIDTH = 1200;
constexpr int VIEW_HEIGHT = 700;
constexpr double PIXEL = 1.0;  // the design line may stand this far from the true elevation

// The y of the design line as drawn (its polyline between the vertices
// around chainage) at chainage.
double drawnY(const ProfileLabelModel& model, const ProfileViewport& v, double chainage) {
    const auto& line = model.designLine;
    const auto after = std::lower_bound(line.begin(), line.end(), chainage,
                                        [](const RoadPoint& p, double c) { return p.chainage < c; });
    if (after == line.begin()) return v.y(after->elevation);
    const RoadPoint& a = *(after - 1);
    const RoadPoint& b = *after;
    const double xa = v.x(a.chainage), xb = v.x(b.chainage), x = v.x(chainage);
    return v.y(a.elevation) + (v.y(b.elevation) - v.y(a.elevation)) * (x - xa) / (xb - xa);
}

class ProfileViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(VIEW_WIDTH, VIEW_HEIGHT);
        ASSERT_EQ(view.setProfile(project.profile, project.breaks), QString());
    }
    const ExampleProject& project = exampleProject();
    ProfileView view;
};

TEST_F(ProfileViewTest, DesignLineStandsOnTheDesignElevation) {
    for (const char* stake : {"B2320", "C4600"}) {
        const double chainage = project.chainageOf(stake);
        const double truth = DesignAt(project.profile, chainage).elevation;
        // The whole road in view, then zoomed in 200 times about the stake.
        view.zoomExtents();
        for (double zoom : {1.0, 200.0}) {
            SCOPED_TRACE(std::string(stake) + " at zoom " + std::to_string(zoom));
            const ProfileViewport& v = view.viewport();
            view.zoomAt(QPointF(v.x(chainage), v.y(truth)), zoom);
            EXPECT_NEAR(drawnY(view.model(), view.viewport(), chainage), view.viewport().y(truth), PIXEL);
        }
    }
}

TEST_F(ProfileViewTest, HoverReadsOutDesignAtUnderTheCursor) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> x(0, VIEW_WIDTH), y(0, VIEW_HEIGHT);
    for (int i = 0; i < 100; ++i) {
        const QPointF at(x(random), y(random));
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        ASSERT_TRUE(view.hoverReadout().has_value());
        const ProfileReadout& r = *view.hoverReadout();
        const double chainage = view.viewport().chainageAt(at.x());
        const DesignPoint d = DesignAt(project.profile, chainage);
        EXPECT_EQ(r.chainage, chainage);
        EXPECT_EQ(r.elevation, d.elevation);
        EXPECT_EQ(r.grade, d.grade);
        EXPECT_EQ(r.stake, sj_dlstr_11(project.breaks, chainage));
    }
}

}  // namespace
}  // namespace gradix

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "views/planview.h"

namespace gradix {
namespace {

// Offsets are positive to the right; the window says the side in words.
TEST(ViewTexts, OffsetsSayTheirSide) {
    const struct {
        double offsetRight;
        const char* text;
    } rows[] = {{2.086, "右 2.086 m"}, {-2.086, "左 2.086 m"}, {0.0004, "0.000 m"}, {-0.0004, "0.000 m"}};
    for (const auto& r : rows) EXPECT_EQ(offsetText(r.offsetRight).toStdString(), r.text) << r.offsetRight;
}

// The profile and the plan of the example road at several zooms, the
// computed stake marked: no label runs into another or out of the view, and
// the computed stake's label is always among them.
TEST(RoadViewLabels, NoLabelOverlapsAnotherOrLeavesTheView) {
    const ExampleProject& project = exampleProject();
    const double marked = project.chainageOf("B2320");
    PlanView plan;
    plan.resize(VIEW_WIDTH / 2, VIEW_HEIGHT / 2);
    ASSERT_EQ(plan.setAlignment(project.alignment, project.samples, project.breaks), QString());
    plan.setMarkedChainage(marked);
    double X = 0, Y = 0, bearing = 0;
    PointAtChainage(project.alignment, marked, X, Y, bearing);
    ProfileView profile;
    profile.resize(VIEW_WIDTH / 2, VIEW_HEIGHT / 2);
    ASSERT_EQ(profile.setProfile(project.profile, project.breaks), QString());
    profile.setMarkedChainage(marked);
    const double elevation = DesignAt(project.profile, marked).elevation;
    const struct {
        RoadView* view;
        std::function<QPointF()> markedAt;  // where the computed stake stands in the view
        const char* label;                  // the start of its label
    } views[] = {
        {&plan, [&] { return QPointF(plan.viewport().px(Y), plan.viewport().py(X)); }, "BK2+320.000"},
        {&profile, [&] { return QPointF(profile.viewport().x(marked), profile.viewport().y(elevation)); },
         "BK2+320.000  112.0480  -0.9600%"},
    };
    for (const auto& row : views) {
        for (double zoom : {1.0, 4.0, 20.0, 100.0}) {
            SCOPED_TRACE(row.view->objectName().toStdString() + " at zoom " + std::to_string(zoom));
            row.view->zoomExtents();
            row.view->zoomAt(row.markedAt(), zoom);
            (void)row.view->grab();  // paints
            const std::vector<RoadView::ShownLabel>& shown = row.view->shownLabels();
            ASSERT_FALSE(shown.empty());
            bool markedShown = false;
            for (std::size_t i = 0; i < shown.size(); ++i) {
                markedShown = markedShown || shown[i].text == row.label;
                for (const ScreenPoint& c : shown[i].box.corners) {
                    EXPECT_TRUE(c.x >= 0 && c.x <= row.view->width() && c.y >= 0 && c.y <= row.view->height())
                        << shown[i].text.toStdString();
                }
                for (std::size_t j = i + 1; j < shown.size(); ++j)
                    EXPECT_FALSE(boxesOverlap(shown[i].box, shown[j].box))
                        << shown[i].text.toStdString() << " over " << shown[j].text.toStdString();
            }
            EXPECT_TRUE(markedShown);
        }
    }
}

// The whole profile fills the view's height, not only its width: a 5 km road
// rising 20 m at the old fixed exaggeration of 10 took a twentieth of it.
TEST_F(ProfileViewTest, TheWholeProfileFillsTheViewsHeight) {
    view.zoomExtents();
    const ProfileViewport& v = view.viewport();
    const double top = v.y(view.model().highestElevation);
    const double bottom = v.y(view.model().lowestElevation);
    EXPECT_GT(bottom - top, 0.4 * VIEW_HEIGHT);
    EXPECT_GT(top, 0);
    EXPECT_LT(bottom, VIEW_HEIGHT - 34);  // above the band of stakes
    EXPECT_EQ(view.verticalExaggeration(), v.verticalExaggeration);
}

// Exported pictures are on white paper; an empty view says what to do.
TEST(RoadViewLooks, ExportsOnAWhiteGroundAndAnEmptyViewSaysWhatToDo) {
    const ExampleProject& project = exampleProject();
    ProfileView profile;
    PlanView plan;
    QTemporaryDir folder;
    for (RoadView* view : std::initializer_list<RoadView*>{&profile, &plan}) {
        view->resize(400, 300);
        const QImage empty = view->grab().toImage();
        const QColor ground = empty.pixelColor(2, 2);
        int written = 0;  // pixels of the text in the middle of the view
        for (int x = 0; x < empty.width(); ++x) written += empty.pixelColor(x, empty.height() / 2) != ground;
        EXPECT_GT(written, 20) << view->objectName().toStdString();
    }
    ASSERT_EQ(profile.setProfile(project.profile, project.breaks), QString());
    ASSERT_EQ(plan.setAlignment(project.alignment, project.samples, project.breaks), QString());
    for (RoadView* view : std::initializer_list<RoadView*>{&profile, &plan}) {
        const QString file = folder.filePath(view->objectName() + ".png");
        const double scale = view->paperSize(1).width() / 100;  // 100 mm across
        ASSERT_EQ(view->exportTo(file, scale), QString());
        const QImage picture(file);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.pixelColor(1, 1), QColor(Qt::white)) << view->objectName().toStdString();
        EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() - 2), QColor(Qt::white));
    }
}

}  // namespace
}  // namespace gradix
