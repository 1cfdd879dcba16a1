// The data check: findings about a project's files that an engineer must
// know about. The line readers run in their check mode, so that every line
// they refuse is a finding and the reading goes on, and what they note (a
// radius not read, data after an empty line) is a warning; then overlapping
// vertical curves (under 1 cm, the rounding of exported stations, a
// warning), curves that reach beyond an end of the profile, grade points out
// of order, a profile that does not cover the alignment, chain breaks out of
// order, stakes in a gap or an ambiguous stretch, a file that is certainly
// of another kind, and the person's own limits for grades and curve lengths;
// for a LandXML file also what its reader notes (elements that do not join,
// zero-length elements, spirals whose constant does not match their length
// and radii).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "surface/surface.h"

namespace gradix {

enum class Severity { Error, Warning };

// One finding: where it is (file and 1-based line, 0 when no line applies)
// and what it is, with its figures, in the words the person reads.
struct Finding {
    Severity severity = Severity::Error;
    std::string file;
    long line = 0;
    std::string text;
};

// The person's own design rules.
struct CheckRules {
    double maxGradePercent = 9.0;  // grades steeper than this (%) are reported
    double minCurveLength = 0.0;   // vertical curves shorter than this (m) are reported; 0: off
    // The design speed (km/h) whose superelevation runoff rates apply (0:
    // the rates are not checked), and the axis the carriageway turns about.
    int designSpeed = 0;
    Pivot pivot = Pivot::Centre;
};

// The cross slopes steeper than this (ratio) are reported.
inline constexpr double MAX_CROSS_SLOPE = 0.10;
// Where a cross slope passes zero, an edge rising slower than this lets
// water stand on the carriageway.
inline constexpr double MIN_RUNOFF_RATE = 1.0 / 330.0;
// A width that changes within less than this (m) has no transition.
inline constexpr double MIN_WIDENING_LENGTH = 10.0;

// The steepest runoff rate (edge rise over length) for a design speed (km/h)
// of 120, 100, 80, 60, 40, 30 or 20 and a pivot: 1/250 … 1/100 about the
// centreline, 1/200 … 1/50 about an edge. None for another speed.
std::optional<double> maxRunoffRate(int designSpeed, Pivot pivot);

// The files of a project as the initialisation would load them: the profile,
// and either the chain-break file, the ICD alignment or a LandXML file (or
// none). Without a profile file, a LandXML file's own profile is checked.
struct CheckedFiles {
    std::string profile;
    std::string breaks;
    std::string icd;
    std::string landxml;
    // The cross-section, optional: its superelevation and width files.
    std::string superelevation = {};
    std::string widths = {};
};

// Checks the files and returns every finding in file order (chain breaks or
// alignment first, then the profile), each file's findings in line order
// (those of no line last). A file that cannot be read at all is one error
// finding with the reader's detail; the checks that need it are skipped. The
// profile is converted through the chain breaks of the lines accepted.
// Never raises for bad data.
std::vector<Finding> checkProject(const CheckedFiles& files, const CheckRules& rules);

// Whether any finding is an error.
bool hasErrors(const std::vector<Finding>& findings);

// "error" or "warning", as the tests name the severity.
const char* severityName(Severity severity);

// "错误" or "警告", as the command line and the window write the severity.
const char* severityText(Severity severity);

}  // namespace gradix
