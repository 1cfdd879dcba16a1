// How closely the pick path finds the chainage of a foot. js_qzdzh bisects
// on the distance to the point, which near the foot is flat:
// d(s) ≈ |D| + (s − s0)² / 2|D| for an offset D. The computed distances carry
// the rounding of the plane coordinates, u = one unit in the last place of
// their magnitude (4.7e-10 m at 3.3e6 m), so chainages whose distances
// differ by less than u cannot be told apart: |s − s0| ≲ sqrt(2|D|u), for
// D = 30 m at 3.3e6 m about 1.7e-4 m. Twice that (and never less than 1e-6 m
// or than for D = 1 m) is the tolerance of a located chainage; it still
// catches any fault of a fifth of a millimetre or more.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace gradix {

inline double footChainageTolerance(double offset, double coordinate) {
    const double u = std::nextafter(std::fabs(coordinate), std::numeric_limits<double>::infinity()) - std::fabs(coordinate);
    return std::max(1e-6, 2.0 * std::sqrt(2.0 * std::max(std::fabs(offset), 1.0) * u));
}

}  // namespace gradix
