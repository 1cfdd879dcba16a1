// The longitudinal profile: the grade-point table (变坡点), its file, its
// preparation, and the design elevation and tangent grade at a chainage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stakes/chainbreaks.h"
#include "stakes/messages.h"
#include "text/dataline.h"

namespace gradix {

// Most grade points a profile may hold (a 16-bit count).
inline constexpr int MAX_GRADE_POINTS = 32767;

// Parallel arrays indexed from 1 (entry 0 unused), n = gradePointCount.
// Chainages, elevations, radii and lengths in metres; grades are ratios.
struct Profile {
    std::int16_t gradePointCount = 0;
    std::vector<double> gradePointChainage{0.0};  // K
    std::vector<double> gradePointElevation{0.0}; // H
    std::vector<double> curveRadius{0.0};         // R (a tangent length in the file when negative)
    std::vector<double> segmentGrade{0.0};        // g(i), point i to i+1
    std::vector<double> gradeChange{0.0};         // w(i) = g(i) - g(i-1)
    std::vector<double> tangentLength{0.0};       // T(i)
    std::vector<double> curveEndChainage{0.0};    // E(i) = K(i) + T(i)
    // Set by indexCurveEnds (PrepareProfile calls it): true when E(1..n) never
    // decreases, so that the interval search may bisect E itself.
    bool curveEndsAscending = false;
    // Where the curve ends do decrease (vertical curves that overlap), the
    // answer of the interval search between consecutive distinct curve ends:
    // for x in [overlapBreaks[k], overlapBreaks[k+1]) the interval is
    // overlapInterval[k]. Empty while the curve ends ascend or are not indexed.
    std::vector<double> overlapBreaks;
    std::vector<int> overlapInterval;
};

// What a profile reading ended with.
enum class ProfileRead {
    Loaded,        // every line read and prepared
    StakeRefused,  // zh_dlstr refused a stake and told the person; nothing prepared
};

// Reads a profile file into profile, converting each stake through zh_dlstr
// and dlstr_sj with table, then runs PrepareProfile.
// Raises FileAccessError for an empty path and DataError for a missing file,
// a file that is certainly of another kind (refuseOtherKind), a line with a
// single field, a stake letter beyond the table, more than 32767 lines, a
// file with no grade point, and every failure of PrepareProfile. What was
// read before a failure stays in profile.
// With a report, the reading also notes a line of four or more fields whose
// third field (a radius) is not read (msg::radiusNotRead) and data lines
// after the empty line that ends the table (msg::linesLeftAfterEmptyLine),
// and gives the line of each grade point. In check mode a refused stake (its
// message, not shown through sink) and a line of a single field are
// refusals of the report, the reading goes on, nothing is prepared (the
// caller prepares) and a file of no grade point is no failure.
ProfileRead readProfileFile(const std::string& path, const ChainBreakTable& table, MessageSink& sink,
                            Profile& profile, ReadReport* report = nullptr);

// Derives g, w, T, E and turns tangent lengths (negative R) into radii.
// Raises DataError on a division by zero or an overflow.
void PrepareProfile(Profile& profile);

// Indexes the curve ends E(1..n) for the interval search of the evaluators:
// bisection where they ascend, else a table of the first interval holding each
// stretch between consecutive distinct curve ends. Either way the search
// answers, in logarithmic time, what the scan from the first grade point
// answers: the first i with E(i) <= x < E(i+1), else n-1.
void indexCurveEnds(Profile& profile);

// Design elevation (m) at a chainage (m); extrapolates beyond both ends.
// Raises DataError where the table cannot answer (no grade point; a single
// grade point evaluated at or beyond it), for a chainage that is not a finite
// number, or when the result overflows.
double DesignElevation(const Profile& profile, double chainage);

// Tangent grade (ratio) at a chainage (m); same rules as DesignElevation.
double DesignGrade(const Profile& profile, double chainage);

// Both at once, with one interval search.
struct DesignPoint {
    double elevation;
    double grade;
};
DesignPoint DesignAt(const Profile& profile, double chainage);

}  // namespace gradix
