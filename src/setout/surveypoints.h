// Surveyed points back to stake and offset (坐标反算): the point file and the
// located rows.
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
#include "text/failures.h"

namespace gradix {

// Offset (m) beyond which a located point is noted "far".
inline constexpr double DEFAULT_MAX_OFFSET = 100.0;
inline constexpr const char* NOTE_BEFORE_START = "before-start";
inline constexpr const char* NOTE_BEYOND_END = "beyond-end";
inline constexpr const char* NOTE_FAR = "far";

// A surveyed point: X north, Y east, Z height (m), what the file says of it
// (a description, or a CASS file's code), and its line in the file.
struct SurveyPoint {
    std::string name;
    double x;
    double y;
    std::optional<double> z;
    long line;
    std::string description = {};
};

struct SurveyPointFile {
    std::vector<SurveyPoint> points;
    std::vector<DataError> skipped;  // bad lines, with keepGoing only
    bool cass = false;               // read as a CASS coordinate file
};

// Reads a point file in one of two layouts (UTF-8 or GB18030; blank lines
// and what follows "#" are skipped):
// - NAME X Y [Z [DESCRIPTION]], separated by blanks, tabs or commas, the
//   description being the rest of the line;
// - a CASS coordinate file (点名,编码,Y(东),X(北)[,H]: east before north, the
//   code kept as the description, fields separated by single commas), when
//   the file's name ends in ".dat" (any case) or its first point's line has
//   four commas and a code that is empty or not a number (the cass flag says
//   which layout was read).
// Raises FileAccessError for an empty path, DataError for a missing file
// and, unless keepGoing, for the first bad line (too few fields, a
// coordinate that is not a number), located at its line; with keepGoing the
// bad lines are collected in skipped and reading goes on.
SurveyPointFile readSurveyPoints(const std::string& path, bool keepGoing, bool latLon = false);
// The same of lines already read (standard input), named name in details;
// the layout is told by the lines alone.
SurveyPointFile surveyPointsOfLines(const std::vector<std::string>& lines, const std::string& name, bool keepGoing,
                                    bool latLon = false);

// A point located on the alignment. A point before the start or beyond the
// end has no foot on the road: only its note.
struct LocatedPoint {
    std::string name;
    std::optional<std::string> stake;  // the stake of the chainage (formatStake)
    std::optional<double> chainage;    // m, of the foot
    std::optional<double> offset;      // m, positive to the right of increasing chainage
    std::optional<double> elevation;   // m, design elevation, with a profile, not for a far point
    std::optional<double> grade;       // ratio, as the elevation
    std::optional<double> dz;          // m, Z − elevation, when both are known
    std::string note;                  // "", before-start, beyond-end or far
    std::string description = {};      // the point file's
};

// Locates a point through the pick path refined (locateSurveyedPoint): the
// foot's chainage and offset exact to the rounding of the coordinates,
// the stake, the design (within the profile) and the note: before-start or
// beyond-end (the foot past an end of the alignment: nothing else), else far
// when |offset| > maxOffset (no design: the road's elevation says nothing of
// a point that far away). With a surface the elevation is the surface's at
// the point's offset (its design line on the profile), and a point beyond
// the earth shoulder's edge is noted beyond-edge without elevation or
// 高差; without one it is the centreline's. Raises DataError on an
// evaluation failure.
LocatedPoint locateSurveyPoint(const Alignment& alignment, SampleTable& samples, const ChainBreakTable& breaks,
                               const Profile* profile, const SurveyPoint& point, double maxOffset,
                               const Surface* surface = nullptr);

// The rows as a table: 点名, 桩号, 里程, 偏距, 中线设计高程 (路面设计高程 when
// located on a surface), 纵坡, 高差, 备注, and 说明 when a point has a
// description.
Table locatedPointColumns(const std::vector<LocatedPoint>& rows, bool onSurface = false);

}  // namespace gradix
