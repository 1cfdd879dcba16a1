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

#include <string>
#include <vector>

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
};

// The files of a project as the initialisation would load them: the profile,
// and either the chain-break file, the ICD alignment or a LandXML file (or
// none). Without a profile file, a LandXML file's own profile is checked.
struct CheckedFiles {
    std::string profile;
    std::string breaks;
    std::string icd;
    std::string landxml;
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
