// Side stakes (边桩) and the design within the profile: the small pieces the
// setting-out tables share.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "profile/profile.h"
#include "stakes/stakes.h"

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

// The design elevation and grade at a chainage (m) when a profile is given
// and the chainage lies within its first and last grade point; else none.
std::optional<DesignPoint> designWithin(const Profile* profile, double chainage);

// Progress of a long run: called with the rows done and the rows in all;
// returning false cancels the run.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

}  // namespace gradix
