// 点取并计算 through the drawing window on the 150 km road of 999 elements,
// with the whole road in view (the reference line at its longest): two clicks
// sent as mouse events the moment the window waits for them. Prints the
// median and the slowest of the runs for what a person waits for: from the
// click on the road to the stake, elevation and grade in the fields (nearest
// of 150,001 samples, foot, stake, compute, the next prompt shown), from the
// click for the insertion point to the annotation drawn, and the whole
// command, which also repaints the window as it comes to the front.
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
#include "drawing/windowcad.h"
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
    // The clicks go out the moment the window waits for them; the time of
    // each click and of each wait is kept.
    std::deque<QPointF> clicks;
    std::vector<Clock::time_point> clicked, waited;
    QObject::connect(window, &DrawingWindow::waitingChanged, window, [&](bool waiting) {
        if (!waiting) return;
        waited.push_back(Clock::now());
        if (clicks.empty()) return;
        const QPointF at = window->view()->toScreen(clicks.front());
        clicks.pop_front();
        QTimer::singleShot(0, window, [window, at, &clicked] {
            clicked.push_back(Clock::now());
            click(window->view(), at);
        });
    });

    DrawingCommandContext c{project, form, ui, settings, connector, messenger,
                            [&] { return compute(project, form, ui, settings); }};
    DrawingView* view = window->view();
    const auto ms = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    // The first run (-1) is the first pick of the session: it is reported on its own.
    std::vector<double> firstCommand, command, answer, annotation, redraw;
    for (int i = -1; i < runs; ++i) {
        QApplication::processEvents();
        clicks = {picked, picked + QPointF(20, 20)};
        clicked.clear();
        waited.clear();
        const Clock::time_point start = Clock::now();
        const bool added = pickAndAnnotate(c).isDone();
        view->repaint();
        const Clock::time_point end = Clock::now();
        if (!added || clicked.size() != 2 || waited.size() != 2) {
            std::fprintf(stderr, "run %d added no annotation\n", i + 2);
            return 1;
        }
        (i < 0 ? firstCommand : command).push_back(ms(start, end));
        if (i >= 0) {
            answer.push_back(ms(clicked[0], waited[1]));  // fields filled, the next prompt up
            annotation.push_back(ms(clicked[1], end));
        }
        window->drawing().entities.pop_back();  // the drawing stays as it was
        window->drawingChanged();
        ui.events.clear();
    }
    const QPointF centre = view->viewCentre();
    const double scale = view->pixelsPerUnit();
    for (int i = 0; i < runs; ++i) {
        view->setView(centre, i % 2 ? scale : scale * 1.001);
        const Clock::time_point start = Clock::now();
        view->repaint();
        redraw.push_back(ms(start, Clock::now()));
    }
    const auto report = [](const char* what, std::vector<double>& v) {
        std::sort(v.begin(), v.end());
        std::printf("%-48s median %6.2f ms, slowest %6.2f ms\n", what, v[v.size() / 2], v.back());
    };
    std::printf("pick and annotate on the 150 km road (stake %s, elevation %s), %d runs, %dx%d:\n",
                form.text(Control::Text1).c_str(), form.text(Control::Text2).c_str(), runs, WIDTH, HEIGHT);
    report("click on the road -> stake, elevation, grade:", answer);
    report("click for the insertion -> annotation drawn:", annotation);
    report("the whole command, window activation included:", command);
    report("the same, first pick of the session:", firstCommand);
    report("a redraw of the whole road (after a zoom):", redraw);
    window->drawing().modified = false;
    return 0;
}
