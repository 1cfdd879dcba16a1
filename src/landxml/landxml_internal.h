// Helpers shared by the LandXML reader and writer; not part of the interface.
#pragma once

#include <cmath>

#include "alignment/alignment.h"

namespace gradix::landxml {

// The centre of an arc of signed radius r (m) that starts at (x, y) along the
// bearing b (rad): to the right of the direction of travel for r > 0.
struct PlanePoint {
    double x, y;  // m, north and east
};
inline PlanePoint arcCentre(double x, double y, double bearing, double r) {
    return {x - r * std::sin(bearing), y + r * std::cos(bearing)};
}

}  // namespace gradix::landxml
