// stake: per chainage its stake in the one notation of every output.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "stakes/stakes.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "里程换算为桩号。\n"
    "逐个输出里程（米）处的桩号（断链标识加K写法，如BK2+320.000）。";

struct StakeOptions {
    ProjectOptions project;
    std::vector<std::string> chainages;
};

Outcome run(const StakeOptions& o, CommandContext& c) {
    std::vector<double> chainages;
    for (const std::string& text : o.chainages) chainages.push_back(numberArgument(text));
    if (Outcome loaded = o.project.load(c.project); !loaded) return loaded;
    for (double chainage : chainages) c.out << formatStake(c.project.breaks, chainage) << '\n';
    return Outcome::done();
}

}  // namespace

void addStakeCommand(CommandRegistry& registry) {
    auto o = std::make_shared<StakeOptions>();
    CLI::App* command = registry.command("stake", DESCRIPTION);
    o->project.addLandXml(command, o->project.addBreaks(command));
    command->add_option(help::CHAINAGE, o->chainages, "里程（米），可为负")->type_name(help::CHAINAGE)->required();
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
