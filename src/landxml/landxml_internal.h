// Helpers shared by the LandXML reader and writer; not part of the interface.
#pragma once

#include <cmath>

#include "alignment/alignment.h"

namespace gradix::landxml {

// π as the alignment module forms it: four times the arctangent of 1.
inline double circlePi() { return 4.0 * std::atan(1.0); }

// Turning (rad) of an element from its start to its end: its length (m) times
// its mean curvature, signed like the radii.
inline double elementDeflection(double startRadius, double endRadius, double length) {
    switch (elementKind(startRadius, endRadius)) {
    case ElementKind::Line: return 0.0;
    case ElementKind::Arc: return length / startRadius;
    case ElementKind::EnteringSpiral: return length / (2.0 * endRadius);
    case ElementKind::ExitSpiral: return length / (2.0 * startRadius);
    case ElementKind::PartialSpiral: return (endRadius + startRadius) * length / 2.0 / startRadius / endRadius;
    }
    return 0.0;
}

// The centre of an arc of signed radius r (m) that starts at (x, y) along the
// bearing b (rad): to the right of the direction of travel for r > 0.
struct PlanePoint {
    double x, y;  // m, north and east
};
inline PlanePoint arcCentre(double x, double y, double bearing, double r) {
    return {x - r * std::sin(bearing), y + r * std::cos(bearing)};
}

}  // namespace gradix::landxml
