// The drawing window's own work on a big plan (bench/make_big_plan.py): the
// file is read first and timed apart, then the view at 1280x800 is given the
// drawing (shapes and index built) and drawn whole; then repaints after a
// zoom and after a pan with the whole plan in view and with 2 km of road in
// view, picks under random cursor positions, and window and crossing
// selections of 100x100 pixels. Medians and the slowest of the runs.
//
//     /usr/bin/python3 bench/make_big_plan.py /tmp/plan.dxf
//     QT_QPA_PLATFORM=offscreen build-release/bench/bench_drawing_window /tmp/plan.dxf [RUNS]
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "drawing/drawingview.h"
#include "dxf/dxfreader.h"

namespace {

using namespace gradix;
using Clock = std::chrono::steady_clock;

constexpr int DEFAULT_RUNS = 40;
constexpr int WIDTH = 1280;
constexpr int HEIGHT = 800;
constexpr double ZOOM_STEP = 1.001;       // a zoom that changes the view, nothing else
constexpr double PAN_PIXELS = 7;          // a pan step, pixels
constexpr double CLOSE_VIEW_UNITS = 2000; // the width of the close view, drawing units (2 km)
constexpr double SELECTION_PIXELS = 100;
constexpr unsigned SEED = 20261208;

double ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void report(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-52s median %8.2f ms, slowest %8.2f ms\n", what, v[v.size() / 2], v.back());
}

// Repaints after alternating zooms and pans about the current view.
void repaints(DrawingView& view, int runs, const char* zoomWhat, const char* panWhat) {
    const QPointF centre = view.viewCentre();
    const double scale = view.pixelsPerUnit();
    std::vector<double> zoom, pan;
    for (int i = 0; i < runs; ++i) {
        view.setView(centre, i % 2 ? scale : scale * ZOOM_STEP);
        Clock::time_point start = Clock::now();
        view.repaint();
        zoom.push_back(ms(start, Clock::now()));
        view.setView(centre + QPointF((i % 2 ? -PAN_PIXELS : PAN_PIXELS) / scale, 0), scale);
        start = Clock::now();
        view.repaint();
        pan.push_back(ms(start, Clock::now()));
    }
    view.setView(centre, scale);
    report(zoomWhat, zoom);
    report(panWhat, pan);
}

// Where an entity stands: its first vertex, or its point.
QPointF anchorOf(const DrawingEntity& e) {
    return e.vertices.empty() ? QPointF(e.x, e.y) : QPointF(e.vertices[0].x, e.vertices[0].y);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_drawing_window PLAN.dxf [RUNS]\n");
        return 64;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : DEFAULT_RUNS;

    Clock::time_point start = Clock::now();
    auto drawing = std::make_shared<Drawing>(readDrawing(argv[1]));
    const double read = ms(start, Clock::now());

    DrawingView view;
    view.resize(WIDTH, HEIGHT);
    view.show();
    QApplication::processEvents();
    start = Clock::now();
    view.setDrawing(drawing);
    const Clock::time_point given = Clock::now();
    view.repaint();
    const Clock::time_point drawn = Clock::now();
    std::printf("%zu entities, %dx%d, %d runs\n", drawing->entities.size(), WIDTH, HEIGHT, runs);
    std::printf("%-52s %8.0f ms\n", "reading the file (apart from the window):", read);
    std::printf("%-52s %8.0f ms\n", "drawing given to the view (shapes, index):", ms(start, given));
    std::printf("%-52s %8.0f ms\n", "first paint of the whole plan:", ms(given, drawn));
    std::printf("%-52s %8.0f ms\n", "open to the whole plan drawn, reading included:", read + ms(start, drawn));

    repaints(view, runs, "repaint after a zoom, whole plan in view:", "repaint after a pan, whole plan in view:");

    // Picks and selections at random places on the road, whole plan in view.
    std::mt19937 random(SEED);
    const auto somewhere = [&] {
        return view.toScreen(anchorOf(drawing->entities[random() % drawing->entities.size()]));
    };
    std::vector<double> pick, window, crossing;
    std::size_t found = 0;
    for (int i = 0; i < runs; ++i) {
        const QPointF at = somewhere();
        start = Clock::now();
        found += view.entityAt(at).has_value();
        pick.push_back(ms(start, Clock::now()));
        const QRectF r = QRectF(view.toDrawing(at), view.toDrawing(at + QPointF(SELECTION_PIXELS, SELECTION_PIXELS)))
                             .normalized();
        start = Clock::now();
        found += view.entitiesInWindow(r, false).size();
        window.push_back(ms(start, Clock::now()));
        start = Clock::now();
        found += view.entitiesInWindow(r, true).size();
        crossing.push_back(ms(start, Clock::now()));
    }
    report("pick under the cursor, whole plan in view:", pick);
    report("window selection of 100x100 px:", window);
    report("crossing selection of 100x100 px:", crossing);

    // 2 km of road in view about an entity in the middle of the plan.
    const DrawingEntity& middle = drawing->entities[drawing->entities.size() / 2];
    view.setView(anchorOf(middle), WIDTH / CLOSE_VIEW_UNITS);
    view.repaint();
    repaints(view, runs, "repaint after a zoom, 2 km in view:", "repaint after a pan, 2 km in view:");
    pick.clear();
    for (int i = 0; i < runs; ++i) {
        const QPointF at(random() % WIDTH, random() % HEIGHT);
        start = Clock::now();
        found += view.entityAt(at).has_value();
        pick.push_back(ms(start, Clock::now()));
    }
    report("pick under the cursor, 2 km in view:", pick);
    std::printf("(%zu found)\n", found);
    return 0;
}
