// Sampling and point location on a 150 km road of 999 elements: the
// program's evaluators (element found by bisection, series carried from term
// to term) beside the literal ones (element found by a scan from the first
// element, series terms formed with pow() and a recursive factorial).
#include <benchmark/benchmark.h>

#include <cmath>

#include "alignment/alignment.h"
#include "support/literal_alignment.h"
#include "support/long_alignment.h"

namespace {

using namespace gradix;

const Alignment& longRoad() {
    static const Alignment road = [] {
        Alignment al;
        testroads::loadLongAlignment(al);
        return al;
    }();
    return road;
}

const SampleTable& longRoadSamples() {
    static const SampleTable samples = [] {
        SampleTable s;
        buildSampleTable(longRoad(), s);
        return s;
    }();
    return samples;
}

// A picked point 15 m left of the road at chainage 76,543.21 (mid-road).
struct Pick {
    double x, y;
};
Pick pickedPoint() {
    double x = 0, y = 0, b = 0;
    PointAtChainage(longRoad(), testroads::LONG_START_CHAINAGE + 75543.21, x, y, b);
    const double offset = 15.0;
    return {x + offset * std::sin(b), y - offset * std::cos(b)};
}

void BM_SampleTable_Fast(benchmark::State& state) {
    const Alignment& road = longRoad();
    for (auto _ : state) {
        SampleTable s;
        buildSampleTable(road, s);
        benchmark::DoNotOptimize(s.sampleX.data());
    }
}

void BM_SampleTable_Literal(benchmark::State& state) {
    const Alignment& road = longRoad();
    for (auto _ : state) {
        SampleTable s;
        literal::buildSampleTable(road, s);
        benchmark::DoNotOptimize(s.sampleX.data());
    }
}

void BM_LocatePoint_Fast(benchmark::State& state) {
    const Alignment& road = longRoad();
    SampleTable s = longRoadSamples();
    const Pick p = pickedPoint();
    for (auto _ : state) benchmark::DoNotOptimize(locatePoint(road, s, p.x, p.y));
}

void BM_LocatePoint_Literal(benchmark::State& state) {
    const Alignment& road = longRoad();
    SampleTable s = longRoadSamples();
    const Pick p = pickedPoint();
    for (auto _ : state) benchmark::DoNotOptimize(literal::locatePoint(road, s, p.x, p.y));
}

// The chainage search alone, without the nearest-sample scan that both share.
void BM_FootSearch_Fast(benchmark::State& state) {
    const Alignment& road = longRoad();
    const Pick p = pickedPoint();
    const double c = testroads::LONG_START_CHAINAGE + 75543.0;
    for (auto _ : state) benchmark::DoNotOptimize(js_qzdzh(road, c - 1, c + 1, 0, 0, p.x, p.y));
}

void BM_FootSearch_Literal(benchmark::State& state) {
    const Alignment& road = longRoad();
    const Pick p = pickedPoint();
    const double c = testroads::LONG_START_CHAINAGE + 75543.0;
    for (auto _ : state) benchmark::DoNotOptimize(literal::js_qzdzh(road, c - 1, c + 1, 0, 0, p.x, p.y));
}

constexpr int REPETITIONS = 9;

}  // namespace

BENCHMARK(BM_SampleTable_Fast)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(BM_SampleTable_Literal)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(BM_LocatePoint_Fast)->Unit(benchmark::kMicrosecond)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(BM_LocatePoint_Literal)->Unit(benchmark::kMicrosecond)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(BM_FootSearch_Fast)->Unit(benchmark::kMicrosecond)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(BM_FootSearch_Literal)->Unit(benchmark::kMicrosecond)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
