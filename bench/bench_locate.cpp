// Locating many surveyed points on the 150 km road of 999 elements: the
// nearest sample through the spatial index beside the full scan of all
// 150,001 samples (the answers are the same; the index test checks that),
// each followed by the foot of the point (js_qzdzh), and the cost of
// building the index with the sample table.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "alignment/alignment.h"
#include "support/long_alignment.h"
#include "alignment/sampleindex.h"

namespace {

using namespace gradix;

struct Road {
    Alignment alignment;
    SampleTable samples;
    std::vector<std::pair<double, double>> points;  // X north, Y east (m)
};

// 100,000 points within 50 m of random chainages along the whole road.
constexpr int POINT_COUNT = 100000;
constexpr double POINT_SPREAD = 50.0;  // m either side

Road& road() {
    static Road r = [] {
        Road made;
        testroads::loadLongAlignment(made.alignment);
        buildSampleTable(made.alignment, made.samples);
        std::mt19937 random(13);
        const double start = made.alignment.elemChainage[1];
        const double end = made.alignment.elemChainage[made.alignment.elemCount + 1];
        std::uniform_real_distribution<double> along(start, end), across(-POINT_SPREAD, POINT_SPREAD);
        for (int i = 0; i < POINT_COUNT; ++i) {
            double x = 0, y = 0, b = 0;
            PointAtChainage(made.alignment, along(random), x, y, b);
            const double d = across(random);
            made.points.emplace_back(x - d * std::sin(b), y + d * std::cos(b));
        }
        return made;
    }();
    return r;
}

// One point per iteration, through the index (locatePoint).
void BM_Locate_Indexed(benchmark::State& state) {
    Road& r = road();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [x, y] = r.points[i++ % r.points.size()];
        benchmark::DoNotOptimize(locatePoint(r.alignment, r.samples, x, y));
    }
}

// One point per iteration, through the full scan of the samples.
void BM_Locate_Scan(benchmark::State& state) {
    Road& r = road();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [x, y] = r.points[i++ % r.points.size()];
        const std::size_t k = nearestSample(r.samples, x, y);
        benchmark::DoNotOptimize(js_qzdzh(r.alignment, r.samples.sampleChainage[k - 1],
                                          r.samples.sampleChainage[k + 1], r.samples.sampleX[k + 1],
                                          r.samples.sampleY[k + 1], x, y));
    }
}

// The nearest sample alone, through the index and by the scan.
void BM_NearestSample_Indexed(benchmark::State& state) {
    Road& r = road();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [x, y] = r.points[i++ % r.points.size()];
        benchmark::DoNotOptimize(r.samples.sampleIndex->nearest(x, y));
    }
}

void BM_NearestSample_Scan(benchmark::State& state) {
    Road& r = road();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [x, y] = r.points[i++ % r.points.size()];
        benchmark::DoNotOptimize(nearestSample(r.samples, x, y));
    }
}

// All 100,000 points through the index, as `locate --points` runs them.
void BM_Locate_Indexed_100k(benchmark::State& state) {
    Road& r = road();
    for (auto _ : state)
        for (const auto& [x, y] : r.points) benchmark::DoNotOptimize(locatePoint(r.alignment, r.samples, x, y));
}

// Building the index over the 150,001 samples.
void BM_BuildIndex(benchmark::State& state) {
    Road& r = road();
    const std::size_t count = static_cast<std::size_t>(r.samples.sampleCount);
    for (auto _ : state) {
        SampleIndex index(r.samples.sampleX, r.samples.sampleY, count);
        benchmark::DoNotOptimize(index.size());
    }
}

}  // namespace

BENCHMARK(BM_Locate_Indexed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Locate_Scan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NearestSample_Indexed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NearestSample_Scan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Locate_Indexed_100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
