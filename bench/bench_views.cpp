// The profile and plan views under load: a 17.8 km profile with 240 vertical
// curves made here, and the 150 km road of 999 elements. Times, with the
// view 1280×800 offscreen, the repaint after a wheel step of zoom and after a
// pan (the kept layer drawn again), the repaint while only the cursor moves
// (the layer copied), and the hover read-out under the cursor. Prints the
// median and the slowest of the runs.
//
//     QT_QPA_PLATFORM=offscreen build-release/bench/bench_views [RUNS] [PICTURE_FOLDER]
//
// With a folder, also saves both views as PNG there, for a look.
#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/long_alignment.h"
#include "views/planview.h"
#include "views/profileview.h"

namespace {

using namespace gradix;
using Clock = std::chrono::steady_clock;

constexpr int DEFAULT_RUNS = 60;
constexpr int WIDTH = 1280;
constexpr int HEIGHT = 800;
constexpr double PROFILE_LENGTH = 17800;  // m
constexpr int CURVES = 240;
constexpr double TANGENT_LENGTH = 30;      // m, each curve's T
constexpr double ZOOM_STEP = 1.2;          // one wheel notch
constexpr double PAN_STEP_PX = 40;
constexpr double PICTURE_WIDTH_MM = 200;   // the pictures' paper width

// Grade points every 17.8 km / 241, grades of ±0.5 % to ±3 % by turns, each
// inner point with a curve of tangent length TANGENT_LENGTH.
Profile longProfile() {
    std::mt19937 random(178);
    std::uniform_real_distribution<double> grade(0.005, 0.03);
    Profile p;
    const int n = CURVES + 2;
    p.gradePointCount = static_cast<std::int16_t>(n);
    p.gradePointChainage.assign(n + 1, 0);
    p.gradePointElevation.assign(n + 1, 0);
    p.curveRadius.assign(n + 1, 0);
    double elevation = 500;
    double previousGrade = 0;
    for (int i = 1; i <= n; ++i) {
        p.gradePointChainage[i] = PROFILE_LENGTH * (i - 1) / (n - 1);
        p.gradePointElevation[i] = elevation;
        const double g = (i % 2 ? 1 : -1) * grade(random);
        if (i > 1 && i < n) p.curveRadius[i] = 2 * TANGENT_LENGTH / std::abs(g - previousGrade);
        elevation += g * PROFILE_LENGTH / (n - 1);
        previousGrade = g;
    }
    PrepareProfile(p);
    return p;
}

struct Figures {
    double median, slowest;
};

Figures timeRuns(int runs, const std::function<void()>& step) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        step();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void print(const char* what, Figures f) { std::printf("%-58s %8.4f ms  %8.4f ms\n", what, f.median, f.slowest); }

void moveMouse(QWidget& w, QPointF at) {
    QMouseEvent move(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
}

// Zoom and pan steps that alternate in and out, left and right, so the view stays on the road.
void timeView(const char* name, RoadView& view, int runs) {
    const QPointF centre(WIDTH / 2.0, HEIGHT / 2.0);
    int turn = 0;
    std::printf("%s\n%-58s %11s  %11s\n", name, "", "median", "slowest");
    view.zoomExtents();
    view.repaint();
    print("  repaint after a zoom (whole road in view)", timeRuns(runs, [&] {
              view.zoomAt(centre, (turn++ % 2) ? 1 / ZOOM_STEP : ZOOM_STEP);
              view.repaint();
          }));
    print("  repaint after a pan (whole road in view)", timeRuns(runs, [&] {
              view.panBy(QPointF((turn++ % 2) ? PAN_STEP_PX : -PAN_STEP_PX, 0));
              view.repaint();
          }));
    view.zoomExtents();
    view.zoomAt(centre, 20);
    view.repaint();
    print("  repaint after a zoom (1/20 of the road in view)", timeRuns(runs, [&] {
              view.zoomAt(centre, (turn++ % 2) ? 1 / ZOOM_STEP : ZOOM_STEP);
              view.repaint();
          }));
    print("  repaint after a pan (1/20 of the road in view)", timeRuns(runs, [&] {
              view.panBy(QPointF((turn++ % 2) ? PAN_STEP_PX : -PAN_STEP_PX, 0));
              view.repaint();
          }));
    view.zoomExtents();
    view.repaint();
    std::mt19937 random(1);
    std::uniform_real_distribution<double> x(0, WIDTH), y(0, HEIGHT);
    print("  cursor moved: read-out and repaint (layer copied)", timeRuns(runs, [&] {
              moveMouse(view, QPointF(x(random), y(random)));
              view.repaint();
          }));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : DEFAULT_RUNS;
    const QString pictures = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    ProfileView profileView;
    profileView.resize(WIDTH, HEIGHT);
    profileView.show();
    QApplication::processEvents();
    const Profile profile = longProfile();
    ChainBreakTable noBreaks;
    const QString refused = profileView.setProfile(profile, noBreaks);
    if (!refused.isEmpty()) {
        std::fprintf(stderr, "%s\n", refused.toLocal8Bit().constData());
        return 1;
    }
    std::printf("profile: %.1f km, %d vertical curves, %zu vertices of the design line\n", PROFILE_LENGTH / 1000,
                CURVES, profileView.model().designLine.size());
    timeView("profile view", profileView, runs);
    std::mt19937 random(2);
    std::uniform_real_distribution<double> x(0, WIDTH);
    print("  hover read-out alone (readoutAt: DesignAt and the stake)", timeRuns(runs * 10, [&] {
              const auto r = profileView.readoutAt(QPointF(x(random), HEIGHT / 2.0));
              if (!r) std::abort();
          }));

    PlanView planView;
    planView.resize(WIDTH, HEIGHT);
    planView.show();
    QApplication::processEvents();
    Alignment alignment;
    testroads::loadLongAlignment(alignment);
    SampleTable samples;
    buildSampleTable(alignment, samples);
    planView.setAlignment(alignment, samples, ChainBreakTable{});
    std::printf("plan: 150 km, %d elements\n", int(alignment.elemCount));
    timeView("plan view", planView, runs);
    print("  hover read-out alone (readoutAt: locatePoint)", timeRuns(runs, [&] {
              const auto r = planView.readoutAt(QPointF(x(random), HEIGHT / 2.0));
              if (!r) std::abort();
          }));

    if (!pictures.isEmpty()) {
        profileView.zoomExtents();
        planView.zoomExtents();
        for (const auto& [view, name] : {std::pair<RoadView*, const char*>{&profileView, "/profile.png"},
                                         std::pair<RoadView*, const char*>{&planView, "/plan.png"}}) {
            const QString failed = view->exportTo(pictures + name, view->paperSize(1).width() / PICTURE_WIDTH_MM);
            if (!failed.isEmpty()) std::fprintf(stderr, "%s\n", failed.toLocal8Bit().constData());
        }
    }
    return 0;
}
