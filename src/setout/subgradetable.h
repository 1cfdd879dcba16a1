// The subgrade design table (路基设计表): per stake the design and ground
// elevations, the widths of every component of the cross-section, the
// carriageway cross slopes and the heights of the section's edges against
// the design elevation.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "setout/stakeplaces.h"
#include "setout/table.h"
#include "stakes/chainbreaks.h"
#include "surface/surface.h"
#include "text/dataline.h"

namespace gradix {

// The ground line (地面线): rows "桩号 高程", interpolated along chainage; no
// ground before the first row or beyond the last.
struct GroundLine {
    std::vector<double> chainage;
    std::vector<double> elevation;
    // The ground elevation at a chainage, none outside the rows. O(log n).
    std::optional<double> at(double chainage) const;
};

// Reads a ground-line file: per line a stake (the project's notation) and
// an elevation, separated by blanks, tabs or commas; ";;" comment lines and
// empty lines skipped; a first line without any number names the road.
// Raises FileAccessError for an empty path and DataError, located at file
// and line, for a missing file, a line that is not a stake and a number, a
// stake refused or not beyond the line before, and a file without rows.
GroundLine readGroundLine(const std::string& path, const ChainBreakTable& breaks, ReadReport* report = nullptr);

struct SubgradeTableOptions {
    double every = 20.0;                 // m, interval of the regular stakes, > 0
    std::optional<double> fromChainage;  // m (default: the start of the road)
    std::optional<double> toChainage;    // m (default: its end)
};

// One row of the table.
struct SubgradeRow {
    StretchStake stake;
    double chainage = 0.0;               // m
    std::string mainPoint;               // main-point name, "断链", or empty
    double designElevation = 0.0;        // m, on the design line
    std::optional<double> ground;        // m, with a ground line covering the stake
    Section section;                     // widths and slopes at the stake
    // Heights (m) against the design elevation of the left subgrade edge,
    // left carriageway edge, centreline, right carriageway edge and right
    // subgrade edge.
    std::array<double, 5> edgeHeights{};
};

// The rows in chainage order: every `every` m of the range, with an
// alignment its main points, and both sides of every chain break; the range
// defaults to the alignment (or, without one, the profile's first to last
// grade point). Raises DataError for an interval that is not a positive
// finite number, a range beyond MAX_STAKE_TABLE_ROWS rows and every
// evaluation failure. Returns nothing when progress cancels the run.
std::optional<std::vector<SubgradeRow>> subgradeRows(const Surface& surface, const Profile& profile,
                                                     const ChainBreakTable& breaks, const Alignment* alignment,
                                                     const SubgradeTableOptions& options,
                                                     const GroundLine* ground = nullptr,
                                                     const Progress& progress = {});

// The rows as a table: 桩号, 设计高程, 地面高程, 填高, 挖深 (with a ground
// line), 左/右 路基宽度 and each component's width, 左/右 行车道横坡, the five
// 路基边缘与设计高之差 and 施工时中桩填挖 (with a ground line: the centreline's
// surface elevation less the ground, positive fill).
Table subgradeTableColumns(const std::vector<SubgradeRow>& rows, const ChainBreakTable& breaks, bool withGround);

}  // namespace gradix
