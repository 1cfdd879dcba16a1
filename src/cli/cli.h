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
inline constexpr int EXIT_USAGE = 64;   // unknown option, missing argument

// Runs gradix-cli with its arguments (without the program name), writing
// results to out and messages to err. Returns the exit code.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace gradix
