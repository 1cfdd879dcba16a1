// The loaded alignment as the drawing window shows it: a thin reference line
// with a stake tick every 100 m, so that a point can be picked near the road
// even in an empty drawing. It is not part of the drawing and never saved.
//
// Points are surveying plane points (X north, Y east, metres); the window
// draws X as the drawing's y and Y as its x.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "stakes/chainbreaks.h"

namespace gradix {

// A point of the plane: X north, Y east, metres.
struct ReferencePoint {
    double X = 0;
    double Y = 0;
};

// A stake tick: where it stands, the bearing of the road there (radians from
// north toward east) and an optional label ("K1+200"; "" for none).
struct ReferenceTick {
    double X = 0;
    double Y = 0;
    double bearing = 0;
    std::string label;
};

struct ReferenceAlignment {
    std::vector<ReferencePoint> line;
    std::vector<ReferenceTick> ticks;
    bool empty() const { return line.empty(); }
};

// The default spacing of the stake ticks, metres of chainage.
inline constexpr double REFERENCE_TICK_SPACING = 100.0;

// Builds the reference line from samples along the alignment (chainage in
// metres, ascending, with their X north and Y east) and a tick at every
// whole multiple of spacing (metres) between the first and the last
// chainage, placed by linear interpolation between the samples around it,
// with the bearing of that stretch. label, when given, names each tick from
// its chainage. Samples that are not finite are left out; the three vectors
// must be of the same length (the shortest one counts otherwise).
ReferenceAlignment referenceAlignmentFromSamples(const std::vector<double>& chainage, const std::vector<double>& X,
                                                 const std::vector<double>& Y,
                                                 double spacing = REFERENCE_TICK_SPACING,
                                                 const std::function<std::string(double)>& label = {});

// Most ticks of a reference line: a longer road gets the line alone.
inline constexpr std::size_t MAX_REFERENCE_TICKS = 4000000;

// The same line with the ticks of a road with chain breaks: at every whole
// multiple of spacing (metres of stake) in each stretch's own numbering, so
// that after an equation they fall on round stakes of the new stretch, each
// labelled in the one stake notation ("K1+200", "BK5+400"). Where both
// stakes of a break are round, the tick of the back stretch stands. Raises
// DataError for a table whose count lies outside 0..19.
ReferenceAlignment referenceAlignmentFromSamples(const std::vector<double>& chainage, const std::vector<double>& X,
                                                 const std::vector<double>& Y, const ChainBreakTable& breaks,
                                                 double spacing = REFERENCE_TICK_SPACING);

}  // namespace gradix
