// Side stakes (边桩) and the stake of a chainage in its stretch's numbering:
// the small pieces the setting-out tables share.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"

namespace gradix {

// A plane point (m, X north, Y east).
struct PlanePoint {
    double x;
    double y;
};

// The side point offset metres to the right of the direction of increasing
// chainage (negative: left) of the centre point (x, y) with bearing (radians
// from north toward east): X − D·sin θ, Y + D·cos θ.
PlanePoint sidePoint(double x, double y, double bearing, double offset);

// A stake in its stretch's numbering: the stretch (1 for "A", before the
// first chain break) and the stake value (m).
struct StretchStake {
    int stretch;
    double value;
};

// The stretch and stake value of a chainage (m), as sj_dlstr_11 counts them:
// past break k once the value carried past the breaks before exceeds its
// back stake. Raises DataError for a table whose count lies outside 0..19.
StretchStake stretchStakeOf(const ChainBreakTable& breaks, double chainage);

// A stake in drawing notation: "K1+020.000", with the stretch letter in front
// ("BK2+320.000") when the table has chain breaks.
std::string drawingStake(const ChainBreakTable& breaks, const StretchStake& stake);

// The design elevation and grade at a chainage (m) when a profile is given
// and the chainage lies within its first and last grade point; else none.
std::optional<DesignPoint> designWithin(const Profile* profile, double chainage);

// Progress of a long run: called with the rows done and the rows in all;
// returning false cancels the run.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

}  // namespace gradix
