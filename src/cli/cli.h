// gradix-cli: the core from a terminal, for batch work and for checking data.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace gradix {

// Exit codes of gradix-cli.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_REFUSED = 1;  // a stake refused by the program's own checks
inline constexpr int EXIT_FAILURE_DATA = 2;  // a file or format failure
inline constexpr int EXIT_FINDINGS = 3;  // check: an error found; check-labels: a label that does not agree
inline constexpr int EXIT_USAGE = 64;   // unknown option, missing argument
inline constexpr int EXIT_INTERNAL = 70;  // a fault of Gradix itself

// Runs gradix-cli with its arguments (without the program name), reading a
// stake file given as "-" from in, writing results to out and messages to
// err. Returns the exit code.
int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
// The same with standard input.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace gradix
