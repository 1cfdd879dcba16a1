// Side points located back: the table of offsets every road is checked with,
// and the check itself. The foot of a surveyed point is refined by Newton
// steps after the pick's bisection, so its chainage and offset come back to
// the rounding of the plane coordinates (about 1e-9 m at 3.3e6 m); 1e-6 m
// leaves room for the clothoid series (1e-13 m) and still catches a foot
// left where the bisection stops (up to 2e-4 m for D = 60 m).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "setout/stakeplaces.h"
#include "setout/surveypoints.h"
#include "stakes/chainbreaks.h"

namespace gradix {

inline constexpr double ROUND_TRIP_TOLERANCE = 1e-6;  // m, chainage and offset

// Offsets (m, positive right): at the centre line, across a carriageway,
// beyond the fill slopes.
inline const std::vector<double> SIDE_OFFSETS{-60.0, -15.0, -0.5, 0.5, 15.0, 60.0};

// A centre-line chainage (m) to set side points out from, and what it is.
struct SidePlace {
    double chainage;
    std::string what;
};

// Every offset of SIDE_OFFSETS at every place, located back through
// locateSurveyPoint: its chainage and offset within ROUND_TRIP_TOLERANCE and
// its stake that of the chainage; answers the located points.
inline std::vector<LocatedPoint> expectSidePointsLocateBack(const Alignment& road, SampleTable& samples,
                                                            const ChainBreakTable& breaks,
                                                            const std::vector<SidePlace>& places) {
    std::vector<LocatedPoint> located;
    for (const SidePlace& place : places)
        for (double d : SIDE_OFFSETS) {
            double x = 0, y = 0, b = 0;
            PointAtChainage(road, place.chainage, x, y, b);
            const PlanePoint side = sidePoint(x, y, b, d);
            const LocatedPoint p = locateSurveyPoint(road, samples, breaks, nullptr, {"S", side.x, side.y, {}, 1}, 100);
            EXPECT_NEAR(p.chainage.value_or(NAN), place.chainage, ROUND_TRIP_TOLERANCE) << place.what << ", offset " << d;
            EXPECT_NEAR(p.offset.value_or(NAN), d, ROUND_TRIP_TOLERANCE) << place.what << ", offset " << d;
            located.push_back(p);
        }
    return located;
}

}  // namespace gradix
