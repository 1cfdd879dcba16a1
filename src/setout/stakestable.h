// The stake table (逐桩坐标表): centre and side-stake coordinates at every
// stake of a fixed interval, at every main point of the alignment and on both
// sides of every chain break.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "setout/stakeplaces.h"
#include "setout/table.h"
#include "stakes/chainbreaks.h"

namespace gradix {

// Names of the main points. The joint of two spirals, which the usual names
// do not cover, is "HH"; the start and end of the alignment are "QD" (起点)
// and "ZD" (终点).
inline constexpr const char* POINT_START = "QD";
inline constexpr const char* POINT_END = "ZD";
inline constexpr const char* POINT_SPIRAL_TO_SPIRAL = "HH";
// Name of the two rows of a chain break: "断链" (back side and ahead side).
inline constexpr const char* POINT_CHAIN_BREAK = "断链";

// Most rows a table may have.
inline constexpr double MAX_STAKE_TABLE_ROWS = 1e7;
// The finest interval of the regular stakes (m): places nearer than this
// along the road are one row, so stakes closer together could not be rows
// of their own.
inline constexpr double MIN_STAKE_INTERVAL = 1e-6;

// The main-point name of the joint from an element of kind before to one of
// kind after: ZH, ZY, HY, YH, HZ, YZ, GQ, HH; empty for two straights.
std::string jointName(ElementKind before, ElementKind after);

// A place of a table along the road before it is evaluated: where, its
// stake, and its main-point name ("" for a regular stake).
struct StakePlace {
    double chainage;
    StretchStake stake;
    std::string name;
};

// The places of a table over the road from start to end (m), within from
// to to: the road's start (QD) and end (ZD); with an alignment its joints and
// the middle of every arc; both sides of every chain break; the regular
// stakes every `every` m of stake in each stretch's numbering. In chainage
// order (at a chain break the back side first); a regular stake at a named
// place is that place's row. Raises DataError for an interval that is not a
// positive finite number or is finer than MIN_STAKE_INTERVAL, an empty range
// and one of more than MAX_STAKE_TABLE_ROWS regular stakes (counted in whole
// numbers before any is made).
std::vector<StakePlace> stakePlaces(const Alignment* alignment, const ChainBreakTable& breaks, double start,
                                    double end, double from, double to, double every);

struct StakeTableOptions {
    double every = 20.0;                  // m, interval of the regular stakes, > 0
    std::vector<double> offsets;          // m, side stakes, positive to the right
    std::optional<double> fromChainage;   // m, start of the range (default: start of the alignment)
    std::optional<double> toChainage;     // m, end of the range (default: its end)
};

// A table's range on a road from start to end (m): from and to (the road's
// ends where not given) clipped to the road, and a note when the range given
// reaches beyond it by more than MIN_STAKE_INTERVAL ("" when it lies on the
// road). Raises DataError for a
// range that lies wholly beyond the road.
struct RoadRange {
    double from, to;
    std::string note;
};
RoadRange rangeOnRoad(double start, double end, std::optional<double> from, std::optional<double> to,
                      const ChainBreakTable& breaks);

struct StakeRow {
    StretchStake stake;                   // stretch and stake value
    double chainage;                      // m
    double x, y, bearing;                 // m, m, radians
    std::vector<PlanePoint> sides;        // one per offset, in order
    std::optional<DesignPoint> design;    // with a profile, within it
    std::string mainPoint;                // main-point name, "断链", or empty
};

// The rows in chainage order (at a chain break, the back side first), over
// the range clipped to the alignment (rangeOnRoad; stakeTableRangeNote says
// so). A stake that is both a regular stake and a main point or a break side
// is one row. Raises DataError for an interval that is not a positive finite
// number, a range beyond the alignment or of more than MAX_STAKE_TABLE_ROWS
// rows, and every evaluation failure. Returns nothing when progress cancels
// the run.
std::optional<std::vector<StakeRow>> stakeTable(const Alignment& alignment, const ChainBreakTable& breaks,
                                                const Profile* profile, const StakeTableOptions& options,
                                                const Progress& progress = {});

// The note of a stake table whose range reaches beyond the alignment ("" for
// none): rangeOnRoad's.
std::string stakeTableRangeNote(const Alignment& alignment, const ChainBreakTable& breaks,
                                const StakeTableOptions& options);

// The rows as a table: 桩号, 里程, X, Y, 方位角, X and Y of each offset,
// 设计高程 and 纵坡 (with a profile), 主点.
Table stakeTableColumns(const std::vector<StakeRow>& rows, const ChainBreakTable& breaks,
                        const std::vector<double>& offsets, bool withProfile);

}  // namespace gradix
