// chainage: per stake its stake in the one notation of every output and its
// continuous chainage.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "stakes/stakes.h"
#include "text/numbers.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "桩号换算为里程。\n"
    "逐个输出桩号（断链标识加K写法，如BK2+320.000）和它的连续里程\n"
    "（米）。桩号可写作 2200、B2320、-.5、K2+320、BK2+320.5 或\n"
    "B K2+320；带断链标识的桩号须在该段的桩号范围内。";

struct ChainageOptions {
    ProjectOptions project;
    std::vector<std::string> stakes;
};

Outcome run(const ChainageOptions& o, CommandContext& c) {
    if (Outcome loaded = o.project.load(c.project); !loaded) return loaded;
    for (const std::string& stake : o.stakes) {
        double chainage = 0.0;
        // A stake that fails prints nothing: its line is written once complete.
        if (Outcome read = stakeArgument(c.project.breaks, stake, chainage); !read) return read;
        c.out << formatStake(c.project.breaks, chainage) << TAB << shortestText(chainage) << '\n';
    }
    return Outcome::done();
}

}  // namespace

void addChainageCommand(CommandRegistry& registry) {
    auto o = std::make_shared<ChainageOptions>();
    CLI::App* command = registry.command("chainage", DESCRIPTION);
    o->project.addLandXml(command, o->project.addBreaks(command));
    command->add_option(help::STAKE, o->stakes, "桩号，如 2200、B2320 或 K2+320")->type_name(help::STAKE)->required();
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
