// Helpers shared by the LandXML reader and writer; not part of the interface.
#pragma once

#include <array>
#include <cmath>

#include "alignment/alignment.h"
#include "surface/superelevationruns.h"

namespace gradix::landxml {

// The centre of an arc of signed radius r (m) that starts at (x, y) along the
// bearing b (rad): to the right of the direction of travel for r > 0.
struct PlanePoint {
    double x, y;  // m, north and east
};
inline PlanePoint arcCentre(double x, double y, double bearing, double r) {
    return {x - r * std::sin(bearing), y + r * std::cos(bearing)};
}

// The station elements of a Superelevation, in the order of RunStation.
inline constexpr std::array<const char*, RUN_STATIONS> RUN_STATION_NAMES = {
    "BeginRunoutSta", "BeginRunoffSta", "FullSuperSta", "RunoffSta", "StartofRunoutSta", "EndofRunoutSta"};
// The Superelevation's full rate, in percent, and its AdverseSE.
inline constexpr const char* FULL_SUPERELEVATION = "FullSuperelev";
inline constexpr const char* ADVERSE = "AdverseSE";
inline constexpr const char* ADVERSE_YES = "adverse";
inline constexpr const char* ADVERSE_NO = "non-adverse";
inline constexpr double PERCENT_PER_RATIO = 100.0;

// Which way the alignment turns at a chainage: 1 to the right (clockwise,
// rot="cw"), -1 to the left, 0 on a straight or beyond the ends.
inline int turnAt(const Alignment& al, double chainage) {
    for (int i = 1; i <= al.elemCount; ++i) {
        if (!(al.elemChainage[i] <= chainage && chainage < al.elemChainage[i + 1])) continue;
        const double r = al.elemStartRadius[i] != INFINITE_RADIUS ? al.elemStartRadius[i] : al.elemEndRadius[i];
        return r == INFINITE_RADIUS ? 0 : r > 0.0 ? 1 : -1;
    }
    return 0;
}

// The middle of a run's full superelevation (m).
inline double fullMiddle(const SuperelevationRun& run) {
    return (run.at(RunStation::FullSuper) + run.at(RunStation::Runoff)) / 2.0;
}

// Whether a run raises the side toward which the alignment turns at the
// middle of its full superelevation (the outer side of a curve to the right
// is the left one: a negative rate).
inline bool againstCurve(const Alignment& al, const SuperelevationRun& run) {
    const int turn = turnAt(al, fullMiddle(run));
    return (turn > 0 && run.rate > 0.0) || (turn < 0 && run.rate < 0.0);
}

}  // namespace gradix::landxml
