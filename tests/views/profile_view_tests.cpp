// The profile view offscreen on the example project: where its design line
// stands and what the cursor reads out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

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
