// A pick on the 150 km road of 999 elements, as 点取并计算 answers it: the
// coordinate system, the nearest of 150,001 samples, the foot of the point,
// the stake text, the compute handler (elevation and grade from a profile
// over the whole road), the style and layer, and the annotation added to the
// drawing. The points come from a queue, as from a click; the drawing window
// adds its event handling and one repaint to this.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

#include "alignment/long_alignment.h"
#include "commands/batchcad.h"
#include "commands/cad/dxfreader.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "commands/scripted_ui.h"
#include "profile/profile.h"

namespace {

using namespace gradix;

constexpr double GRADE_POINT_SPACING = 1000.0;  // m
constexpr double CURVE_RADIUS = 20000.0;        // m
constexpr double PICK_OFFSET = 15.0;            // m left of the road

// The long road with a profile of grade points every kilometre, rising and
// falling by turns, each with a vertical curve.
struct LongProject {
    Project project;
    FormState form;
    testing::ScriptedUi ui;
    SettingsFile settings = SettingsFile::discarding();

    LongProject() {
        project.pi = computePi();
        testroads::loadLongAlignment(project.alignment);
        buildSampleTable(project.alignment, project.samples);
        project.icdFileName = "LONG.ICD";

        std::string text;
        const double start = testroads::LONG_START_CHAINAGE;
        const int points = static_cast<int>(testroads::LONG_LENGTH / GRADE_POINT_SPACING) + 1;
        for (int i = 0; i <= points; ++i) {
            text += std::to_string(start + i * GRADE_POINT_SPACING) + " " + std::to_string(100 + (i % 2) * 8);
            if (i > 0 && i < points) text += " " + std::to_string(CURVE_RADIUS);
            text += "\n";
        }
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("gradix_bench_pick_" + std::to_string(::getpid()) + ".zdm");
        std::ofstream(path, std::ios::binary) << text;
        testing::ScriptedUi quiet;
        const ProfileRead read = readProfileFile(path.string(), project.breaks, quiet, project.profile);
        std::filesystem::remove(path);
        if (read != ProfileRead::Loaded) throw std::runtime_error("the benchmark profile did not load");
        form.setText(Control::Text9, "30");
    }
};

void BM_PickAndAnnotate_LongRoad(benchmark::State& state) {
    LongProject p;
    auto drawing = std::make_shared<Drawing>(newDrawing());
    BatchCad cad(drawing);
    DrawingCommandContext c{p.project, p.form, p.ui, p.settings, cad, cad,
                            [&] { return compute(p.project, p.form, p.ui, p.settings); }};

    double x = 0, y = 0, bearing = 0;
    PointAtChainage(p.project.alignment, testroads::LONG_START_CHAINAGE + 75543.21, x, y, bearing);
    // Drawing x is east (the surveying y), drawing y north.
    const CadPoint picked{y - PICK_OFFSET * std::cos(bearing), x + PICK_OFFSET * std::sin(bearing), 0};
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
