// A crew's day and more of RTK points: 1,000,000 points in CGCS2000 latitude
// and longitude (EPSG:4490) within 50 m of the 150 km road, brought into
// its 3° zone (EPSG:4548) through PROJ and located on it (stake, offset,
// note), as locate --points --points-crs does; and the conversion alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "setout/fieldsystems.h"
#include "setout/surveypoints.h"
#include "support/long_alignment.h"

namespace {

using namespace gradix;

constexpr int POINT_COUNT = 1000000;
constexpr double POINT_SPREAD = 50.0;  // m either side

struct Field {
    Alignment alignment;
    SampleTable samples;
    ChainBreakTable breaks;
    std::vector<SurveyPoint> points;  // latitude, longitude (degrees)
};

Field& field() {
    static Field f = [] {
        Field made;
        testroads::loadLongAlignment(made.alignment);
        buildSampleTable(made.alignment, made.samples);
        const CrsConversion toLatLon("EPSG:4548", "EPSG:4490");
        std::mt19937 random(17);
        const double start = made.alignment.elemChainage[1];
        const double end = made.alignment.elemChainage[made.alignment.elemCount + 1];
        std::uniform_real_distribution<double> along(start, end), across(-POINT_SPREAD, POINT_SPREAD);
        made.points.reserve(POINT_COUNT);
        for (long i = 0; i < POINT_COUNT; ++i) {
            double x = 0, y = 0, b = 0;
            PointAtChainage(made.alignment, along(random), x, y, b);
            const PlanePoint p = sidePoint(x, y, b, across(random));
            const CrsPoint q = *toLatLon.convert({p.x, p.y});
            made.points.push_back({"P" + std::to_string(i), q.north, q.east, std::nullopt, i + 1});
        }
        return made;
    }();
    return f;
}

const FieldSystems GNSS{"EPSG:4548", "EPSG:4490", "", std::nullopt};

// All the points, converted and located.
void BM_GnssPoints_ConvertedAndLocated(benchmark::State& state) {
    Field& f = field();
    for (auto _ : state) {
        const PointsIntoProject into(GNSS);
        std::size_t located = 0;
        for (const SurveyPoint& p : f.points) {
            const LocatedPoint r = locateSurveyPoint(f.alignment, f.samples, f.breaks, nullptr, into.convert(p),
                                                     DEFAULT_MAX_OFFSET);
            located += r.chainage.has_value();
        }
        if (located != f.points.size()) state.SkipWithError("a point was not located");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * POINT_COUNT);
}
BENCHMARK(BM_GnssPoints_ConvertedAndLocated)->Unit(benchmark::kMillisecond)->Iterations(1);

// All the points through PROJ only.
void BM_GnssPoints_ConvertedOnly(benchmark::State& state) {
    Field& f = field();
    for (auto _ : state) {
        const PointsIntoProject into(GNSS);
        for (const SurveyPoint& p : f.points) benchmark::DoNotOptimize(into.convert(p));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * POINT_COUNT);
}
BENCHMARK(BM_GnssPoints_ConvertedOnly)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
