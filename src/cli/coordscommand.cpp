// coords: the alignment's point and bearing at chainages, or every S metres
// from A to B, with side stakes.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "setout/stakeplaces.h"
#include "text/numbers.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "线形在里程处的坐标和方位角，可加边桩。\n"
    "输出线形在各里程处的 里程、X（北）、Y（东）、方位角（弧度），或\n"
    "自A至B每S米一行；--offset 的每个边桩再加其X、Y两列。\n"
    "里程为数（可为负）；带断链标识或K写法的（B2320、K2+320）是桩号，\n"
    "按项目的断链换算为里程。";
// More rows than this in one coordinate table is taken for a typing mistake.
constexpr double MAX_TABLE_ROWS = 1e8;

struct CoordsOptions {
    ProjectOptions project;
    std::string offset, from, to, every;
    CLI::Option* offsetOption = nullptr;
    CLI::Option* fromOption = nullptr;
    std::vector<std::string> chainages;
};

// CHAINAGE, X, Y, BEARING and, per offset, the side point's X and Y.
void writeRow(std::ostream& out, const Alignment& alignment, double chainage, const std::vector<double>& offsets) {
    double x = 0.0, y = 0.0, bearing = 0.0;
    PointAtChainage(alignment, chainage, x, y, bearing);
    out << shortestText(chainage) << TAB << shortestText(x) << TAB << shortestText(y) << TAB << shortestText(bearing);
    for (double d : offsets) {
        const PlanePoint side = sidePoint(x, y, bearing, d);
        out << TAB << shortestText(side.x) << TAB << shortestText(side.y);
    }
    out << '\n';
}

Outcome run(const CoordsOptions& o, CommandContext& c) {
    const std::vector<double> offsets = o.offsetOption->count() > 0 ? offsetList(o.offset) : std::vector<double>{};
    const bool table = o.fromOption->count() > 0;
    if (!table && o.chainages.empty()) throw UsageError{usage::NO_CHAINAGE};
    const std::vector<std::string> given = table ? std::vector<std::string>{o.from, o.to} : o.chainages;
    // What is neither a number nor a stake is a usage mistake before loading.
    for (const std::string& text : given)
        if (!namesStake(text)) numberArgument(text);
    const double step = table ? numberArgument(o.every) : 0.0;
    if (table && !(step > 0.0)) throw UsageError{usage::EVERY_NOT_POSITIVE};
    o.project.requireAlignment();

    if (Outcome loaded = o.project.load(c.project); !loaded) return loaded;
    // A plain number is a chainage; a stake with a stretch letter or in K
    // notation is converted through the project's chain breaks.
    std::vector<double> chainages;
    for (const std::string& text : given) {
        double chainage = 0.0;
        if (Outcome read = chainageArgument(c.project.breaks, text, chainage); !read) return read;
        chainages.push_back(chainage);
    }
    const Alignment& alignment = c.project.alignment;
    if (!table) {
        for (double chainage : chainages) writeRow(c.out, alignment, chainage, offsets);
        return Outcome::done();
    }
    const double start = chainages[0], end = chainages[1];
    if (start > end) throw UsageError{usage::RANGE_REVERSED};
    if ((end - start) / step > MAX_TABLE_ROWS) throw UsageError{usage::TOO_MANY_ROWS};
    // A + i·S (multiplied, not accumulated) while below B, then B itself.
    for (long i = 0;; ++i) {
        const double chainage = start + static_cast<double>(i) * step;
        if (!(chainage < end)) break;
        writeRow(c.out, alignment, chainage, offsets);
    }
    writeRow(c.out, alignment, end, offsets);
    return Outcome::done();
}

}  // namespace

void addCoordsCommand(CommandRegistry& registry) {
    auto o = std::make_shared<CoordsOptions>();
    CLI::App* command = registry.command("coords", DESCRIPTION);
    o->project.addLandXml(command, o->project.addIcd(command));
    o->offsetOption = command->add_option("--offset", o->offset, help::OFFSET)->type_name("D[,D...]");
    o->fromOption = command->add_option("--from", o->from, "表的起点里程A（米）或桩号")->type_name("A");
    CLI::Option* to = command->add_option("--to", o->to, "表的终点里程B（米）或桩号")->type_name("B");
    CLI::Option* every = command->add_option("--every", o->every, "表的步长S（米，>0）")->type_name("S");
    o->fromOption->needs(to)->needs(every);
    to->needs(o->fromOption)->needs(every);
    every->needs(o->fromOption)->needs(to);
    command->add_option(help::CHAINAGE, o->chainages, "里程（米）或桩号（或 --from、--to 和 --every）")
        ->type_name(help::CHAINAGE)
        ->excludes(o->fromOption);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
