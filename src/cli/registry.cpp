#include "cli/registry.h"

#include <CLI/CLI.hpp>

#include <ostream>

#include "cli/clitexts.h"
#include "text/messages.h"

namespace gradix::cli {

void writeNotes(const CommandContext& context, std::ostream& err) {
    for (const std::vector<std::string>* notes : {&context.project.notes, &context.notes})
        for (const std::string& note : *notes) err << msg::NOTE_PREFIX << note << '\n';
}

void addFileNotes(CommandContext& context, const std::string& file, const std::vector<std::string>& notes) {
    for (const std::string& note : notes) context.notes.push_back(msg::located(file, 0, note));
}

CommandRegistry::CommandRegistry(CLI::App& root) : root_(root) {}

CLI::App* CommandRegistry::command(const std::string& name, const std::string& description, CLI::App* parent) {
    CLI::App* sub = (parent ? parent : &root_)->add_subcommand(name, description);
    sub->formatter(root_.get_formatter());
    sub->footer(help::EXIT_CODES);
    sub->group(help::COMMANDS_GROUP);
    sub->set_help_flag("-h,--help", help::HELP_FLAG);
    return sub;
}

void CommandRegistry::onRun(CLI::App* command, CommandRun run) {
    command->callback([this, command, run = std::move(run)] {
        chosen_ = run;
        chosenCommand_ = command;
    });
}

}  // namespace gradix::cli
