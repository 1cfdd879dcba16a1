// The sample index answers exactly what the full scan of the samples answers,
// so that every located point keeps the chainage and offset of the pick path.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "alignment/alignment.h"
#include "alignment/random_alignment.h"
#include "alignment/sampleindex.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// The pick path through the full scan, as it was before the index.
FootOfPoint locateByScan(const Alignment& al, SampleTable& s, double x, double y) {
    const std::size_t k = nearestSample(s, x, y);
    return js_qzdzh(al, s.sampleChainage[k - 1], s.sampleChainage[k + 1], s.sampleX[k + 1], s.sampleY[k + 1], x, y);
}

}  // namespace

// 10,000 random points on a random 999-element road: near the road (within
// 60 m of a random chainage, where the answer matters), beyond both ends,
// far off in the plane, and exactly midway between two samples (ties).
TEST(SampleIndex, LocatesExactlyAsTheScanOnARandomRoad) {
    const std::uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    Alignment road;
    testroads::loadIcdText(testroads::randomAlignmentIcdText(seed), road);
    ASSERT_EQ(road.elemCount, testroads::LONG_ELEMENTS);
    SampleTable samples;
    buildSampleTable(road, samples);
    ASSERT_TRUE(samples.sampleIndex);
    const double start = road.elemChainage[1], end = road.elemChainage[road.elemCount + 1];
    const std::size_t count = static_cast<std::size_t>(samples.sampleCount);

    std::mt19937 random(seed);
    std::uniform_real_distribution<double> along(start - 200.0, end + 200.0), across(-60.0, 60.0),
        plane(-10000.0, 10000.0), unit(0.0, 1.0);
    std::uniform_int_distribution<std::size_t> sample(1, count - 1);
    constexpr int POINTS = 10000;
    for (int p = 0; p < POINTS; ++p) {
        double x = 0, y = 0;
        switch (p % 4) {
            case 0:
            case 1: {
                double bearing = 0;
                PointAtChainage(road, along(random), x, y, bearing);
                const double d = across(random);
                x -= d * std::sin(bearing);
                y += d * std::cos(bearing);
                break;
            }
            case 2: {
                double bearing = 0;
                PointAtChainage(road, start + unit(random) * (end - start), x, y, bearing);
                x += plane(random);
                y += plane(random);
                break;
            }
            default: {
                // On the perpendicular bisector of samples k and k+1.
                const std::size_t k = sample(random);
                const double dx = samples.sampleX[k + 1] - samples.sampleX[k];
                const double dy = samples.sampleY[k + 1] - samples.sampleY[k];
                const double t = across(random);
                x = (samples.sampleX[k] + samples.sampleX[k + 1]) / 2 - t * dy;
                y = (samples.sampleY[k] + samples.sampleY[k + 1]) / 2 + t * dx;
            }
        }
        ASSERT_EQ(samples.sampleIndex->nearest(x, y), nearestSample(samples, x, y)) << "point " << p;
        const FootOfPoint indexed = locatePoint(road, samples, x, y);
        const FootOfPoint scanned = locateByScan(road, samples, x, y);
        ASSERT_EQ(indexed.ptzh, scanned.ptzh) << "point " << p;
        ASSERT_EQ(indexed.ptd, scanned.ptd) << "point " << p;
    }
}

// Equal distances keep the lowest index, as the scan does: a straight due
// east, points midway between samples and a sample table that has no index
// (filled by hand) is searched by the scan.
TEST(SampleIndex, TiesKeepTheLowestIndexAndTablesWithoutIndexAreScanned) {
    Alignment road;
    testroads::loadIcdText("0\n0,0,90\n1,100\n0\n", road);
    SampleTable samples;
    buildSampleTable(road, samples);
    for (double y : {4.5, 0.5, 50.5, 98.5})
        EXPECT_EQ(samples.sampleIndex->nearest(3.0, y), nearestSample(samples, 3.0, y)) << y;
    EXPECT_EQ(nearestSampleIndexed(samples, 0.0, 4.5), 5u);
    EXPECT_EQ(nearestSampleIndexed(samples, 7.0, -500.0), 1u);
    samples.sampleIndex.reset();
    EXPECT_EQ(nearestSampleIndexed(samples, 0.0, 4.5), 5u);
    EXPECT_THROW(nearestSampleIndexed(samples, NAN, 0.0), DataError);
}
