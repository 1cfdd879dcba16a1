// An independent program (GeographicLib's TransverseMercatorProj, PROJ's
// cs2cs) run as a separate process, fed its standard input from a text: the
// tests compare Gradix's results with its output.
#pragma once

#include <string>

#include "support/temp_folder.h"

namespace gradix::testing {

struct ProgramRun {
    int exitCode;  // -1 when it did not end normally
    std::string out;
};

// Whether a program of that name is on the PATH.
bool programAvailable(const std::string& name);

// Runs command (a shell command line) with input on its standard input,
// the files kept in folder.
ProgramRun runProgram(const std::string& command, const std::string& input, TempFolder& folder);

}  // namespace gradix::testing
