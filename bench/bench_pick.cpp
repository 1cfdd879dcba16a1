// A pick on the 150 km road of 999 elements, as 点取并计算 answers it: the
// coordinate system, the nearest of 150,001 samples, the foot of the point,
// the stake text, the compute handler (elevation and grade from a profile
// over the whole road), the style and layer, and the annotation added to the
// drawing. The points come from a queue, as from a click; the drawing window
// adds its event handling and one repaint to this.
#include <benchmark/benchmark.h>

#include <memory>

#include "cadmodel/batchcad.h"
#include "dxf/dxfreader.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "long_project.h"

namespace {

using namespace gradix;

struct LongProject {
    Project project;
    FormState form;
    testing::ScriptedUi ui;
    SettingsFile settings = SettingsFile::discarding();

    LongProject() {
        bench::loadLongProject(project);
        form.setText(Control::Text9, "30");
    }
};

void BM_PickAndAnnotate_LongRoad(benchmark::State& state) {
    LongProject p;
    auto drawing = std::make_shared<Drawing>(newDrawing());
    BatchCad cad(drawing);
    DrawingCommandContext c{p.project, p.form, p.ui, p.settings, cad, cad,
                            [&] { return compute(p.project, p.form, p.ui, p.settings); }};

    const bench::DrawingPoint at = bench::longRoadPick(p.project);
    const CadPoint picked{at.x, at.y, 0};
    const CadPoint insertion{picked[0] + 20, picked[1] + 20, 0};

    for (auto _ : state) {
        cad.screen().points = {picked, insertion};
        if (!pickAndAnnotate(c)) {
            state.SkipWithError("the pick added no annotation");
            break;
        }
        state.PauseTiming();
        drawing->entities.pop_back();  // the drawing stays as it was
        p.ui.events.clear();
        state.ResumeTiming();
    }
    state.SetLabel(p.form.text(Control::Text1) + " " + p.form.text(Control::Text2));
}

BENCHMARK(BM_PickAndAnnotate_LongRoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
