// The check commands of gradix-cli: check (the data check of a project's
// files) and check-labels (the audit of a drawing's stake labels against
// the alignment). Both end with exit code 3 when they find a fault.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "commands/outcome.h"

namespace CLI {
class App;
}

namespace gradix::checkcli {

// The options of both commands, as read from the command line, and what the
// command found.
struct CheckOptions {
    std::string profile, breaks, icd, landxml, drawing;
    std::string maxGrade = "9", minCurve = "0";        // %, m
    std::string tolerance = "0.01", maxOffset = "50";  // m
    // Set by run: an error finding, or a label that does not agree.
    bool faultFound = false;
};

// A usage mistake found after the options were read (no alignment given).
struct UsageMistake {
    std::string message;
};

// Adds check and check-labels through makeCommand (name, description),
// which answers the new command with the program's help layout.
void addCommands(CheckOptions& options, const std::function<CLI::App*(const char*, const char*)>& makeCommand);

// Whether name is one of the commands added here.
bool isCheckCommand(const std::string& name);

// Runs check or check-labels (command is the parsed command) and writes its
// lines to out. A file that cannot be read at all raises its failure (the
// trap gives the fixed message and detail); options.faultFound tells exit
// code 3. Raises UsageMistake.
Outcome run(const CLI::App& command, CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace gradix::checkcli
