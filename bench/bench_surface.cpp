// The road surface on the 150 km road of the pick benchmarks: a million
// stake-and-offset evaluations, and the subgrade design table every 20 m.
// A superelevation run every 500 m (about 1,200 rows) and a widening every
// kilometre (about 600 rows) make the tables as long as a real road's.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "long_project.h"
#include "setout/subgradetable.h"
#include "surface/surface.h"
#include "support/temp_folder.h"

namespace {

using namespace gradix;

constexpr double RUN_SPACING = 500.0;     // m between superelevation runs
constexpr double WIDENING_SPACING = 1000.0;
constexpr int EVALUATIONS = 1000000;

const Project& longProject() {
    static const Project project = [] {
        Project p;
        bench::loadLongProject(p);
        std::string sup, wid;
        const double start = testroads::LONG_START_CHAINAGE, end = start + testroads::LONG_LENGTH;
        for (double at = start; at < end; at += RUN_SPACING) {
            // Normal crown, 60 m of runoff to 6 %, 200 m held, back again.
            for (auto [d, l, r] : {std::tuple{0.0, -2, -2}, {20.0, -2, 0}, {60.0, -6, 6}, {260.0, -6, 6},
                                   {300.0, -2, 0}, {320.0, -2, -2}})
                sup += std::to_string(l) + " " + std::to_string(l) + " " + std::to_string(l) + " " +
                       std::to_string(at + d) + " " + std::to_string(r) + " " + std::to_string(r) + " " +
                       std::to_string(r) + "\n";
        }
        for (double at = start; at < end; at += WIDENING_SPACING) {
            wid += "0.75 2.5 7.5 1.5 " + std::to_string(at) + " 1.5 7.5 2.5 0.75\n";
            wid += "0.75 2.5 8.3 1.5 " + std::to_string(at + 60) + " 1.5 7.5 2.5 0.75 高次\n";
            wid += "0.75 2.5 8.3 1.5 " + std::to_string(at + 260) + " 1.5 7.5 2.5 0.75\n";
            wid += "0.75 2.5 7.5 1.5 " + std::to_string(at + 320) + " 1.5 7.5 2.5 0.75\n";
        }
        testing::TempFolder folder("long-surface");
        p.surface.pivot = Pivot::MedianEdge;
        readSuperelevationFile(folder.write("long.sup", sup), p.breaks, p.surface);
        readWidthFile(folder.write("long.wid", wid), p.breaks, p.surface);
        prepareSurface(p.surface);
        return p;
    }();
    return project;
}

void BM_SurfacePoint_Million(benchmark::State& state) {
    const Project& p = longProject();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> along(testroads::LONG_START_CHAINAGE,
                                                 testroads::LONG_START_CHAINAGE + testroads::LONG_LENGTH),
        across(-12.0, 12.0);
    std::vector<std::pair<double, double>> points(EVALUATIONS);
    for (auto& pt : points) pt = {along(random), across(random)};
    for (auto _ : state) {
        double sum = 0.0;
        for (const auto& [chainage, offset] : points) sum += surfacePointAt(p.surface, p.profile, chainage, offset).elevation;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * EVALUATIONS);
}

void BM_SubgradeTable_150km(benchmark::State& state) {
    const Project& p = longProject();
    SubgradeTableOptions options;
    options.every = 20.0;
    for (auto _ : state) {
        const std::vector<SubgradeRow> rows =
            *subgradeRows(p.surface, p.profile, p.breaks, &p.alignment, options);
        const std::string text = tableText(subgradeTableColumns(rows, p.breaks, false), TableFormat::Tsv);
        benchmark::DoNotOptimize(text.data());
        state.counters["rows"] = static_cast<double>(rows.size());
    }
}

BENCHMARK(BM_SurfacePoint_Million)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_SubgradeTable_150km)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
