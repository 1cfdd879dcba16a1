// Superelevation runs: how one curve's carriageway turns from the normal
// crown to full superelevation and back, given by its six key stations (as
// LandXML's Superelevation element gives them), the rows of the slope table
// they make, and the runs read back from a slope table.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "surface/surface.h"

namespace gradix {

// The key stations of a run, in their order along the road:
// BeginRunout  the normal crown on both sides;
// BeginRunoff  the outer side level (0), the inner side at its normal crown;
// FullSuper    full superelevation: the outer side +e, the inner side −e;
// Runoff       the end of full superelevation (may be FullSuper itself);
// StartOfRunout  the outer side level again;
// EndOfRunout  the normal crown again.
enum class RunStation { BeginRunout = 0, BeginRunoff, FullSuper, Runoff, StartOfRunout, EndOfRunout };
inline constexpr std::size_t RUN_STATIONS = 6;

struct SuperelevationRun {
    std::array<double, RUN_STATIONS> station{};  // chainages (m)
    // The right carriageway's slope at full superelevation (ratio, positive
    // rising away from the centreline); the left one's is its opposite. So
    // a curve to the left (the right side outer) has a positive rate, a
    // curve to the right a negative one; a rate of 0 turns the right side
    // as the outer one.
    double rate = 0.0;

    double at(RunStation s) const { return station[static_cast<std::size_t>(s)]; }
    double& at(RunStation s) { return station[static_cast<std::size_t>(s)]; }
};

// The first station of a run that is not where it must be: before the
// station ahead of it in the order, or at it where the slopes would jump
// there (every station lies strictly beyond the one before, except Runoff,
// which may be FullSuper). RUN_STATIONS when the run is in order.
std::size_t misplacedStation(const SuperelevationRun& run);

// The slope table of runs in order (each in order, none beginning before the
// end of the one before) on a normal section: the normal crown of each side
// (its carriageway's slope) before, between and after the runs; within a
// run the outer side goes linearly from its crown to level at BeginRunoff,
// on to the inner side's crown reversed where it reaches it (the section
// plane from there), to +e at FullSuper, held to Runoff, and back the same
// way; the inner side holds its crown until the plane and goes to −e with
// it. Each side's shoulders take its carriageway's slope on every row.
// Rows of the same chainage (FullSuper at Runoff, one run's EndOfRunout at
// the next one's BeginRunout) make one row. An empty list makes the normal
// crown all along. The table comes back indexed.
void setRunSlopes(Surface& surface, const std::vector<SuperelevationRun>& runs, const Section& normal);

// The runs of a prepared surface: each stretch where the carriageway slopes
// depart from the normal section's, from the normal row before it to the
// normal row after it. The outer side is the one rising higher; e its
// highest slope; FullSuper and Runoff the first and last rows where the
// outer side is at +e and the inner at −e (or, on none, the outer at +e);
// BeginRunoff and StartOfRunout where the outer side first reaches level
// and last leaves it, linearly between rows. A stretch that no run can give
// (the outer side never level, no normal row after it, stations out of
// order) is listed in notRuns, by its first and last chainage.
struct SurfaceRuns {
    std::vector<SuperelevationRun> runs;
    std::vector<std::array<double, 2>> notRuns;
};
SurfaceRuns superelevationRunsOf(const Surface& surface);

}  // namespace gradix
