// Angles and their units, once for the whole program: π, degrees and
// radians, and the reduction of an angle to one turn. Every reduction here
// is bounded: a sweep or a direction is found by the exact remainder, never
// by adding whole turns in a loop (1e20 radians would take forever).
#pragma once

#include <cmath>
#include <numbers>

namespace gradix {

// π (rad). std::numbers::pi is the double nearest π, which is also what
// four times the arctangent of 1 gives in double arithmetic: the way the
// profile and alignment formulas form π.
inline constexpr double PI = std::numbers::pi;
// One whole turn (rad).
inline constexpr double FULL_TURN = 2.0 * PI;
// Degrees in half a turn.
inline constexpr double HALF_TURN_DEGREES = 180.0;
// Degrees in one turn.
inline constexpr double FULL_TURN_DEGREES = 360.0;
// Grads (gon) in one turn.
inline constexpr double FULL_TURN_GRADS = 400.0;

// Degrees to radians: degrees × π / 180 (in this order, as the alignment
// file's start bearing is converted).
inline constexpr double degreesToRadians(double degrees) { return degrees * PI / HALF_TURN_DEGREES; }

// Radians to degrees: radians × 180 / π.
inline constexpr double radiansToDegrees(double radians) { return radians * HALF_TURN_DEGREES / PI; }

// The direction of an angle (rad) within one turn, in [0, 2π): the exact
// remainder, raised by a turn when negative. NaN and infinities give NaN.
inline double angleInTurn(double radians) {
    double r = std::remainder(radians, FULL_TURN);  // exact, in [-π, π]
    if (r < 0.0) r += FULL_TURN;
    // A tiny negative remainder raised by 2π rounds to 2π itself: that is 0.
    return r >= FULL_TURN ? 0.0 : r;
}

// The signed difference to (rad) − from, reduced to [-π, π]: how far and
// which way the direction turns.
inline double angleDifference(double from, double to) { return std::remainder(to - from, FULL_TURN); }

// The counter-clockwise sweep (rad) of an arc from the start angle to the
// end angle, in (0, 2π]: equal directions sweep a whole turn, as a DXF ARC
// or ELLIPSE whose end equals its start is a whole circle. Angles that are
// not finite give a whole turn.
inline double counterClockwiseSweep(double start, double end) {
    if (!std::isfinite(start) || !std::isfinite(end)) return FULL_TURN;
    const double sweep = angleInTurn(end - start);
    return sweep > 0.0 ? sweep : FULL_TURN;
}

}  // namespace gradix
