// The commands of gradix-cli as a registry: each command unit adds its
// CLI11 subcommand with its own options and registers how it runs; parsing
// the command line chooses the one given (a CLI11 callback), and runCli runs
// it under the commands' error trap.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "commands/outcome.h"
#include "commands/project.h"

namespace CLI {
class App;
}

namespace gradix::cli {

// What a command runs with: the streams, the project it loads (whose notes
// are printed after the command's outcome) and what it leaves for runCli.
struct CommandContext {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    Project project;
    // Notes of the command itself ("FILE，第N行：TEXT"), printed after the
    // project's, each prefixed msg::NOTE_PREFIX.
    std::vector<std::string> notes;
    // A check found an error (exit code 3 when the command is done).
    bool findings = false;
};

// Writes the notes of a command's run to err, after its outcome: the
// project's (what the load noticed) first, then the command's own, each on a
// line prefixed msg::NOTE_PREFIX ("提示：").
void writeNotes(const CommandContext& context, std::ostream& err);

// Adds what the reading of file noticed (a drawing's notes) to the command's
// notes, each located at the file.
void addFileNotes(CommandContext& context, const std::string& file, const std::vector<std::string>& notes);

// How a command runs once its options are read. Answers its outcome; raises
// UsageError (arguments.h) for a mistake found in the values given, and what
// the loading and evaluating raise (the trap turns it into an outcome).
using CommandRun = std::function<Outcome(CommandContext&)>;

class CommandRegistry {
public:
    // Commands are added under root, the program itself.
    explicit CommandRegistry(CLI::App& root);

    // A new command under parent (the program when none), in the program's
    // help layout, with the exit codes as its footer.
    CLI::App* command(const std::string& name, const std::string& description, CLI::App* parent = nullptr);

    // Registers run as what command does: when the command line names it,
    // CLI11 calls back once its options are read and the run is chosen.
    void onRun(CLI::App* command, CommandRun run);

    // The run the parse chose and its command; none before a parse or when
    // the command line named none.
    const CommandRun* chosen() const { return chosen_ ? &chosen_ : nullptr; }
    const CLI::App* chosenCommand() const { return chosenCommand_; }

    CLI::App& root() { return root_; }

private:
    CLI::App& root_;
    CommandRun chosen_;
    const CLI::App* chosenCommand_ = nullptr;
};

// The units of the commands, each adding its command (and its options) to
// the registry; parents are the commands the subcommand belongs to.
void addChainageCommand(CommandRegistry& registry);
void addStakeCommand(CommandRegistry& registry);
void addComputeCommand(CommandRegistry& registry);
void addCoordsCommand(CommandRegistry& registry);
void addElementsCommand(CommandRegistry& registry);
void addProfileCommand(CommandRegistry& registry);
void addLocateCommand(CommandRegistry& registry);
void addFitCommand(CommandRegistry& registry);
void addTableStakesCommand(CommandRegistry& registry, CLI::App* table);
void addTableCurvesCommand(CommandRegistry& registry, CLI::App* table);
void addTableSubgradeCommand(CommandRegistry& registry, CLI::App* table);
void addAnnotateCommand(CommandRegistry& registry);
void addLabelsCommand(CommandRegistry& registry);
void addLandXmlListCommand(CommandRegistry& registry, CLI::App* landxml);
void addLandXmlExportCommand(CommandRegistry& registry, CLI::App* landxml);
void addDrawingProfileCommand(CommandRegistry& registry, CLI::App* drawing);
void addCheckCommands(CommandRegistry& registry);

}  // namespace gradix::cli
