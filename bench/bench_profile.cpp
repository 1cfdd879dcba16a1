// Design elevation and grade for a whole stake file: 32767 stakes against a
// profile of 32767 grade points, the largest the program accepts. The
// program's evaluator (bisection over the curve ends) runs beside the literal
// scan from grade point 1, on the same data, so the ratio comes from one run.
// A second profile with the same grade points keeps the long curves, so that
// neighbouring curves overlap and the search goes through the table of
// indexCurveEnds instead of bisecting the curve ends.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/literal_profile.h"
#include "profile/profile.h"

namespace {

using namespace gradix;

// Grade points every 50 m with grades between -4 % and +4 % and vertical
// curves of 1000 to 20000 m radius, short enough not to overlap.
constexpr double GRADE_POINT_SPACING_M = 50.0;
constexpr double MAX_GRADE = 0.04;
constexpr double MIN_RADIUS_M = 1000.0;
constexpr double MAX_RADIUS_M = 20000.0;
constexpr double START_ELEVATION_M = 500.0;
constexpr std::uint64_t SEED = 32767;

Profile makeProfile(bool overlapping) {
    {
        std::mt19937_64 rng(SEED);
        std::uniform_real_distribution<double> grade(-MAX_GRADE, MAX_GRADE);
        std::uniform_real_distribution<double> radius(MIN_RADIUS_M, MAX_RADIUS_M);
        Profile p;
        const int n = MAX_GRADE_POINTS;
        p.gradePointCount = static_cast<std::int16_t>(n);
        for (auto* a : {&p.gradePointChainage, &p.gradePointElevation, &p.curveRadius}) a->assign(n + 1, 0.0);
        double elevation = START_ELEVATION_M;
        for (int i = 1; i <= n; ++i) {
            p.gradePointChainage[i] = GRADE_POINT_SPACING_M * (i - 1);
            p.gradePointElevation[i] = elevation;
            p.curveRadius[i] = radius(rng);
            elevation += GRADE_POINT_SPACING_M * grade(rng);
        }
        // A curve reaches at most half way along its neighbouring segments
        // (T = |w| R / 2 <= 25 m), so no two curves overlap: the radius is
        // reduced where the grade change would make it longer.
        for (int i = 2; i < n && !overlapping; ++i) {
            const double gIn = (p.gradePointElevation[i] - p.gradePointElevation[i - 1]) / GRADE_POINT_SPACING_M;
            const double gOut = (p.gradePointElevation[i + 1] - p.gradePointElevation[i]) / GRADE_POINT_SPACING_M;
            const double change = gOut > gIn ? gOut - gIn : gIn - gOut;
            if (change > 0.0 && change * p.curveRadius[i] / 2 > GRADE_POINT_SPACING_M / 2)
                p.curveRadius[i] = GRADE_POINT_SPACING_M / change;
        }
        PrepareProfile(p);
        return p;
    }
}

const Profile& longProfile() {
    static const Profile profile = makeProfile(false);
    return profile;
}

const Profile& overlappingProfile() {
    static const Profile profile = makeProfile(true);
    return profile;
}

// 32767 stake chainages spread over the whole profile, in file order (random).
const std::vector<double>& stakeChainages() {
    static const std::vector<double> stakes = [] {
        const Profile& p = longProfile();
        std::mt19937_64 rng(SEED + 1);
        std::uniform_real_distribution<double> along(p.gradePointChainage[1], p.gradePointChainage[p.gradePointCount]);
        std::vector<double> x(MAX_GRADE_POINTS);
        for (double& v : x) v = along(rng);
        return x;
    }();
    return stakes;
}

template <class Elevation, class Grade>
void evaluateAll(benchmark::State& state, Elevation elevation, Grade grade) {
    const Profile& p = longProfile();
    const std::vector<double>& stakes = stakeChainages();
    for (auto _ : state) {
        for (const double x : stakes) {
            benchmark::DoNotOptimize(elevation(p, x));
            benchmark::DoNotOptimize(grade(p, x));
        }
    }
    state.counters["curves_ascending"] = p.curveEndsAscending ? 1 : 0;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stakes.size()));
}

// The program's evaluator, as the compute command of a stake file calls it.
void BM_StakeFile_Program(benchmark::State& state) {
    evaluateAll(state, [](const Profile& p, double x) { return DesignElevation(p, x); },
                [](const Profile& p, double x) { return DesignGrade(p, x); });
}

// Elevation and grade from one interval search.
void BM_StakeFile_ProgramDesignAt(benchmark::State& state) {
    const Profile& p = longProfile();
    const std::vector<double>& stakes = stakeChainages();
    for (auto _ : state)
        for (const double x : stakes) benchmark::DoNotOptimize(DesignAt(p, x));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stakes.size()));
}

// Overlapping curves: the program's search and the literal scan.
void BM_Overlapping_ProgramDesignAt(benchmark::State& state) {
    const Profile& p = overlappingProfile();
    const std::vector<double>& stakes = stakeChainages();
    for (auto _ : state)
        for (const double x : stakes) benchmark::DoNotOptimize(DesignAt(p, x));
    state.counters["curves_ascending"] = p.curveEndsAscending ? 1 : 0;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stakes.size()));
}

void BM_Overlapping_Literal(benchmark::State& state) {
    const Profile& p = overlappingProfile();
    const std::vector<double>& stakes = stakeChainages();
    for (auto _ : state)
        for (const double x : stakes) {
            benchmark::DoNotOptimize(literal::DesignElevation(p, x));
            benchmark::DoNotOptimize(literal::DesignGrade(p, x));
        }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stakes.size()));
}

// The literal scan from grade point 1 at every call.
void BM_StakeFile_Literal(benchmark::State& state) {
    evaluateAll(state, [](const Profile& p, double x) { return literal::DesignElevation(p, x); },
                [](const Profile& p, double x) { return literal::DesignGrade(p, x); });
}

constexpr int REPETITIONS = 5;

}  // namespace

BENCHMARK(BM_StakeFile_Program)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS);
BENCHMARK(BM_StakeFile_ProgramDesignAt)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS);
BENCHMARK(BM_StakeFile_Literal)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS);
BENCHMARK(BM_Overlapping_ProgramDesignAt)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS);
BENCHMARK(BM_Overlapping_Literal)->Unit(benchmark::kMillisecond)->Repetitions(REPETITIONS);

BENCHMARK_MAIN();
