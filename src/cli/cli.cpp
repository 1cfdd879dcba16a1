#include "cli/cli.h"
#include "gradix/version.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <iostream>
#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "cli/helpformat.h"
#include "cli/registry.h"
#include "commands/trap.h"
#include "stakes/stakes.h"
#include "text/messages.h"

namespace gradix {

namespace {

using cli::CommandContext;
using cli::CommandRegistry;
namespace help = cli::help;

const std::string VERSION_TEXT = std::string(help::PROGRAM) + " " + GRADIX_VERSION;

// The command line: the program and every command, each added by its unit.
class CommandLine {
public:
    CommandLine() : app_(help::DESCRIPTION, help::PROGRAM), registry_(app_) {
        app_.formatter(std::make_shared<cli::HelpFormatter>());
        app_.option_defaults()->group(help::OPTIONS_GROUP);
        app_.set_help_flag("-h,--help", help::HELP_FLAG);
        app_.footer(std::string(help::FOOTER) + help::EXIT_CODES);
        app_.require_subcommand(1);

        cli::addChainageCommand(registry_);
        cli::addStakeCommand(registry_);
        cli::addComputeCommand(registry_);
        cli::addCoordsCommand(registry_);
        cli::addElementsCommand(registry_);
        cli::addProfileCommand(registry_);
        cli::addLocateCommand(registry_);
        cli::addFitCommand(registry_);
        CLI::App* table = registry_.command("table", "交付的表格：逐桩坐标表、竖曲线表、路基设计表。");
        table->require_subcommand(1);
        cli::addTableStakesCommand(registry_, table);
        cli::addTableCurvesCommand(registry_, table);
        cli::addTableSubgradeCommand(registry_, table);
        cli::addAnnotateCommand(registry_);
        cli::addLabelsCommand(registry_);
        CLI::App* landxml = registry_.command("landxml", "LandXML文件：列出其中的线形，或把项目写成LandXML。");
        landxml->require_subcommand(1);
        cli::addLandXmlListCommand(registry_, landxml);
        cli::addLandXmlExportCommand(registry_, landxml);
        CLI::App* drawing = registry_.command("drawing", "由项目生成图形。");
        drawing->require_subcommand(1);
        cli::addDrawingProfileCommand(registry_, drawing);
        cli::addCheckCommands(registry_);
    }

    CLI::App& app() { return app_; }
    CommandRegistry& registry() { return registry_; }
    CLI::App* find(const std::string& name) {
        for (CLI::App* sub : app_.get_subcommands({}))
            if (sub->get_name() == name) return sub;
        return nullptr;
    }

private:
    CLI::App app_;
    CommandRegistry registry_;
};

// The deepest command given on the line (landxml list), whose help is asked
// or whose usage a mistake shows.
const CLI::App* innermost(const CLI::App& command) {
    for (const CLI::App* sub : command.get_subcommands({}))
        if (sub->parsed()) return innermost(*sub);
    return &command;
}

// Whether an argument beginning with a sign is a value: a number, a point
// or a stake ("-.5", "+3", "-1,-2", "-K0+005"), never an option (no option
// name begins with a digit, a point or a "+").
bool isSignedValue(const std::string& arg) {
    if (arg.size() < 2) return false;
    if (arg.front() == '+') return true;
    if (arg.front() != '-' || arg[1] == '-') return false;
    return std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.' || isKilometreNotation(arg);
}

// The command line as CLI11 is to read it: the command names, then the
// options with their values, then "--" and the arguments in the order given,
// so that an argument beginning with "-" (a negative stake or chainage) is
// never taken for an option. An option's value is taken as given ("--from
// -.5"); what follows a "--" of the person's stays an argument.
std::vector<std::string> orderedArguments(const CLI::App& root, const std::vector<std::string>& args) {
    const CLI::App* command = &root;
    std::size_t i = 0;
    std::vector<std::string> ordered;
    for (; i < args.size(); ++i) {
        const CLI::App* named = nullptr;
        for (const CLI::App* sub : command->get_subcommands({}))
            if (sub->get_name() == args[i]) named = sub;
        if (!named) break;
        ordered.push_back(args[i]);
        command = named;
    }
    std::vector<std::string> arguments;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            arguments.insert(arguments.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg.front() != '-' || isSignedValue(arg)) {
            arguments.push_back(arg);
            continue;
        }
        ordered.push_back(arg);
        const CLI::Option* option = arg.find('=') == std::string::npos ? command->get_option_no_throw(arg) : nullptr;
        if (option && option->get_items_expected_min() > 0) {
            // An option without its value is CLI11's to report, as given.
            if (i + 1 == args.size()) return args;
            ordered.push_back(args[++i]);
        }
    }
    if (!arguments.empty()) {
        ordered.push_back("--");
        ordered.insert(ordered.end(), arguments.begin(), arguments.end());
    }
    return ordered;
}

// The exit code of an outcome; a refusal or failure puts its message and
// detail on err.
int exitCodeOf(const Outcome& outcome, std::ostream& out, std::ostream& err) {
    if (outcome.kind == OutcomeKind::Done) return EXIT_OK;
    out.flush();
    switch (outcome.kind) {
        case OutcomeKind::Refused:
            err << outcome.message << '\n' << outcome.detail << '\n';
            return EXIT_REFUSED;
        case OutcomeKind::Cancelled:
            err << CANCELLED_TEXT << '\n' << msg::COMMAND_CANCELLED << '\n';
            return EXIT_FAILURE_DATA;
        default:
            err << outcome.message << '\n' << outcome.detail << '\n';
            return outcome.failure == FailureKind::Internal ? EXIT_INTERNAL : EXIT_FAILURE_DATA;
    }
}

// A usage mistake: the program and command, the mistake, and the command's
// usage line.
int usageMistake(const CLI::App& command, const std::string& message, std::ostream& err) {
    err << help::PROGRAM << cli::commandPath(&command) << "：" << message << '\n' << cli::shortUsage(command);
    return EXIT_USAGE;
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    CommandLine line;
    if (args.empty()) {
        err << line.app().help();
        return EXIT_USAGE;
    }
    const std::string& name = args.front();
    if (name == "--version") {
        out << VERSION_TEXT << '\n';
        return EXIT_OK;
    }
    if (name == "--help" || name == "-h") {
        out << line.app().help();
        return EXIT_OK;
    }
    CLI::App* command = line.find(name);
    if (!command) {
        err << help::PROGRAM << "：" << cli::usage::unknownCommand(name) << '\n' << line.app().help();
        return EXIT_USAGE;
    }
    CommandContext context{in, out, err, {}, {}, false};
    try {
        const std::vector<std::string> ordered = orderedArguments(line.app(), args);
        std::vector<std::string> reversed(ordered.rbegin(), ordered.rend());
        line.app().parse(reversed);
        const cli::CommandRun* run = line.registry().chosen();
        if (!run) return usageMistake(*innermost(*command), cli::usage::NO_SUBCOMMAND, err);
        int code = exitCodeOf(runTrapped([&] { return (*run)(context); }), out, err);
        if (code == EXIT_OK && context.findings) code = EXIT_FINDINGS;
        cli::writeNotes(context, err);
        return code;
    } catch (const CLI::CallForHelp&) {
        out << innermost(*command)->help();
        return EXIT_OK;
    } catch (const CLI::ParseError& e) {
        return usageMistake(*innermost(*command), cli::parseErrorText(e), err);
    } catch (const cli::UsageError& e) {
        return usageMistake(*innermost(*command), e.message, err);
    }
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCli(args, std::cin, out, err);
}

}  // namespace gradix
