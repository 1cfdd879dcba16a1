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
#include "text/failures.h"

namespace gradix {

// Offset (m) beyond which a located point is noted "far".
inline constexpr double DEFAULT_MAX_OFFSET = 100.0;
inline constexpr const char* NOTE_BEFORE_START = "before-start";
inline constexpr const char* NOTE_BEYOND_END = "beyond-end";
inline constexpr const char* NOTE_FAR = "far";

// A surveyed point: X north, Y east, Z height (m), and its line in the file.
struct SurveyPoint {
    std::string name;
    double x;
    double y;
    std::optional<double> z;
    long line;
};

struct SurveyPointFile {
    std::vector<SurveyPoint> points;
    std::vector<DataError> skipped;  // bad lines, with keepGoing only
};

// Reads a point file: one point a line, NAME X Y [Z], separated by blanks,
// tabs or commas; "#" starts a comment; blank lines are skipped; UTF-8 or
// GB18030. Raises FileAccessError for an empty path, DataError for a missing
// file and, unless keepGoing, for the first bad line (wrong field count, a
// coordinate that is not a number), located at its line; with keepGoing the
// bad lines are collected in skipped and reading goes on.
SurveyPointFile readSurveyPoints(const std::string& path, bool keepGoing);

// A point located on the alignment.
struct LocatedPoint {
    std::string name;
    std::string stake;                 // the stake of the chainage (formatStake)
    double chainage;                   // m, of the foot
    double offset;                     // m, positive to the right of increasing chainage
    std::optional<double> elevation;   // m, design elevation, with a profile
    std::optional<double> grade;       // ratio, with a profile
    std::optional<double> dz;          // m, Z − elevation, when both are known
    std::string note;                  // "", before-start, beyond-end or far
};

// Locates a point through the pick path refined (locateSurveyedPoint): the
// foot's chainage and offset exact to the rounding of the coordinates,
// the stake, the design (within the profile) and the note (the
// foot before the start or beyond the end of the alignment, else far when
// |offset| > maxOffset). Raises DataError on an evaluation failure.
LocatedPoint locateSurveyPoint(const Alignment& alignment, SampleTable& samples, const ChainBreakTable& breaks,
                               const Profile* profile, const SurveyPoint& point, double maxOffset);

// The rows as a table: 点名, 桩号, 里程, 偏距, 设计高程, 纵坡, 高差, 备注.
Table locatedPointColumns(const std::vector<LocatedPoint>& rows);

}  // namespace gradix
