// The help layout of gradix-cli, in Chinese as every other text of Gradix:
// "用法：gradix-cli COMMAND ..." first, its synopsis made from the options
// themselves, then what the command does, its arguments, options and
// subcommands, and the exit codes; and CLI11's own parse errors said in
// Chinese.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace gradix::cli {

class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter();
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
    std::string make_option_opts(const CLI::Option* opt) const override;
    std::string make_option(const CLI::Option* opt, bool is_positional) const override;
    std::string make_group(std::string group, bool is_positional, std::vector<const CLI::Option*> opts) const override;
    // The commands of a command, each with the first line of its
    // description, which says in short what it gives.
    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override;
};

// The columns a text takes on a terminal: two for a wide (CJK, full-width)
// character, one for any other.
std::size_t displayWidth(const std::string& text);

// " drawing profile": the names of a command and of the commands it lies in.
std::string commandPath(const CLI::App* command);

// The short usage of a usage mistake: the command's usage line and where its
// whole help is.
std::string shortUsage(const CLI::App& command);

// What a CLI11 parse error says, in Chinese; option names and the values
// given are quoted as written.
std::string parseErrorText(const CLI::ParseError& error);

}  // namespace gradix::cli
