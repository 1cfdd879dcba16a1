// table curves: the vertical-curve table (竖曲线表).
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "setout/curvestable.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "竖曲线表。\n"
    "每个变坡点的 序号 桩号 里程 高程 R T E(=T²/2R) 进坡 出坡 起点桩号\n"
    "终点桩号 凹凸 坡长（至下一变坡点的水平距离）；格式同 table stakes。";

struct TableCurvesOptions {
    ProjectOptions project;
    TableOutput output;
};

Outcome run(const TableCurvesOptions& o, CommandContext& c) {
    o.output.tableFormat();
    o.project.requireProfileGiven();
    requireNotRead(o.output.out.path, o.project.files());
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    const std::vector<CurveRow> rows = verticalCurveTable(project.profile, project.breaks);
    o.output.emit(curveTableColumns(rows, project.breaks), c.out);
    return Outcome::done();
}

}  // namespace

void addTableCurvesCommand(CommandRegistry& registry, CLI::App* table) {
    auto o = std::make_shared<TableCurvesOptions>();
    CLI::App* command = registry.command("curves", DESCRIPTION, table);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    o->output.add(command, "表");
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
