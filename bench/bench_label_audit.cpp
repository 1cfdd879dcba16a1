// The label audit of a big plan: 50,000 stake labels along the 150 km road of
// 999 elements (one every 3 m), each located on the road by the pick path and
// compared with its stake where its baseline meets the road. The labels
// stand 6 m off the road, written across it, as a plan writes them.
#include <benchmark/benchmark.h>

#include <cmath>

#include "support/long_alignment.h"
#include "checks/labelaudit.h"
#include "text/numbers.h"

namespace {

using namespace gradix;

constexpr int LABELS = 50000;
constexpr double LABEL_OFFSET = 6.0;  // m, to the right of the road

void BM_AuditLabels_LongRoad(benchmark::State& state) {
    Alignment alignment;
    testroads::loadLongAlignment(alignment);
    SampleTable samples;
    buildSampleTable(alignment, samples);
    Drawing plan;
    const double start = alignment.elemChainage[1];
    const double length = alignment.elemChainage[alignment.elemCount + 1] - start;
    for (int k = 0; k < LABELS; ++k) {
        const double chainage = start + length * (k + 0.5) / LABELS;
        double X = 0, Y = 0, bearing = 0;
        PointAtChainage(alignment, chainage, X, Y, bearing);
        DrawingEntity label;
        label.kind = EntityKind::Text;
        // The drawing's x is east and y north; right of the road is bearing + 90°.
        label.x = Y + LABEL_OFFSET * std::cos(bearing);
        label.y = X - LABEL_OFFSET * std::sin(bearing);
        label.rotation = -bearing;  // along the normal to the right: east turned by the bearing, clockwise
        label.text = formatKilometreStake(std::round(chainage * 1000) / 1000);
        plan.entities.push_back(label);
    }
    ChainBreakTable noBreaks;
    std::size_t reported = 0;
    for (auto _ : state) {
        const LabelAudit audit = auditLabels(plan, alignment, samples, noBreaks, nullptr, LabelAuditOptions{});
        reported = audit.findings.size();
        benchmark::DoNotOptimize(reported);
    }
    state.counters["reported"] = static_cast<double>(reported);
    state.SetItemsProcessed(state.iterations() * LABELS);
}

BENCHMARK(BM_AuditLabels_LongRoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
