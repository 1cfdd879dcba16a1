// 点取并计算 through the drawing window on the 150 km road of 999 elements:
// two clicks sent as mouse events the moment the window waits for them, the
// whole command (nearest of 150,001 samples, foot, stake, elevation, grade,
// annotation) and the repaint that shows the annotation, with the whole road
// in view (the reference line at its longest). Prints the median and the
// slowest of the runs, with the view unchanged and right after a zoom.
//
//     QT_QPA_PLATFORM=offscreen build/bench/bench_pick_window [RUNS]
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <vector>

#include "app/drawinglink.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "commands/cad/windowcad.h"
#include "long_project.h"

namespace {

using namespace gradix;
using Clock = std::chrono::steady_clock;

constexpr int DEFAULT_RUNS = 40;
constexpr int WIDTH = 1280;
constexpr int HEIGHT = 800;
void click(QWidget* w, QPointF pos) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : DEFAULT_RUNS;

    Project project;
    bench::loadLongProject(project);
    FormState form;
    form.setText(Control::Text9, "30");
    testing::ScriptedUi ui;
    const SettingsFile settings = SettingsFile::discarding();

    DrawingWindowConnector connector;
    connector.setReferenceAlignment(referenceAlignmentOf(project));
    QtCadMessenger messenger;
    CadApplication* cad = ConnectCad(connector, messenger);
    DrawingWindow* window = connector.window();
    if (!cad || !window) return 1;
    window->resize(WIDTH, HEIGHT);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    window->view()->zoomExtents();
    // The window is up and drawn before the person clicks.
    for (int i = 0; i < 5; ++i) QApplication::processEvents();

    const bench::DrawingPoint at = bench::longRoadPick(project);
    const QPointF picked(at.x, at.y);
    std::deque<QPointF> clicks;
    QObject::connect(window, &DrawingWindow::waitingChanged, window, [&](bool waiting) {
        if (!waiting || clicks.empty()) return;
        const QPointF at = window->view()->toScreen(clicks.front());
        clicks.pop_front();
        QTimer::singleShot(0, window, [window, at] { click(window->view(), at); });
    });

    DrawingCommandContext c{project, form, ui, settings, connector, messenger,
                            [&] { return compute(project, form, ui, settings); }};
    DrawingView* view = window->view();
    const QPointF centre = view->viewCentre();
    const double scale = view->pixelsPerUnit();
    // Every other run starts right after a zoom, so that the view draws the
    // whole road again; the others find it drawn.
    // The first run (-1) loads the glyphs of the prompts and the annotation:
    // it is reported on its own.
    std::vector<double> first, steady, afterZoom, redraw;
    for (int i = -1; i < 2 * runs; ++i) {
        const bool zoomed = i % 2 == 1;
        view->setView(centre, zoomed ? scale * 1.001 : scale);
        if (!zoomed) QApplication::processEvents();
        clicks = {picked, picked + QPointF(20, 20)};
        const Clock::time_point start = Clock::now();
        const bool added = pickAndAnnotate(c);
        view->repaint();
        (i < 0 ? first : zoomed ? afterZoom : steady).push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!added) {
            std::fprintf(stderr, "run %d added no annotation\n", i + 1);
            return 1;
        }
        window->drawing().entities.pop_back();  // the drawing stays as it was
        window->drawingChanged();
        ui.events.clear();
    }
    for (int i = 0; i < runs; ++i) {
        view->setView(centre, i % 2 ? scale : scale * 1.001);
        const Clock::time_point start = Clock::now();
        view->repaint();
        redraw.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const auto report = [](const char* what, std::vector<double>& ms) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-44s median %6.2f ms, slowest %6.2f ms\n", what, ms[ms.size() / 2], ms.back());
    };
    std::printf("pick and annotate on the 150 km road (stake %s, elevation %s), %d runs each, %dx%d:\n",
                form.text(Control::Text1).c_str(), form.text(Control::Text2).c_str(), runs, WIDTH, HEIGHT);
    report("the first pick (glyphs loaded):", first);
    report("the whole road drawn, view unchanged:", steady);
    report("right after a zoom (the road drawn again):", afterZoom);
    report("a redraw of the whole road alone:", redraw);
    window->drawing().modified = false;
    return 0;
}
