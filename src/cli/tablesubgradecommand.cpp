// table subgrade: the subgrade design table (路基设计表).
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "setout/subgradetable.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "路基设计表。\n"
    "本段桩号为S整倍数的每个桩、有平面线形时的每个主点和每个断链的前后\n"
    "两侧，在线形和纵断面都有的范围内按里程排列：桩号 里程 设计高程，\n"
    "给出 --ground 时的地面高程、填高、挖深，左、右路基宽度和各部分宽度\n"
    "（土路肩、硬路肩、行车道、中间带），左、右行车道横坡，左路基边缘、\n"
    "左行车道边缘、中线、右行车道边缘、右路基边缘与设计高之差，给出\n"
    "--ground 时的施工时中桩填挖（中线的路面高程减地面高程，正为填），主点。\n"
    "横断面来自 --sup 和 --wid（未给出的按3.75 m车道、-2 %路拱）。\n"
    "地面线文件每行 桩号 高程（空格、制表符或逗号分隔），按里程内插。\n"
    "tsv：数值完整，横坡为比值，无表头；csv：带BOM的UTF-8，CR LF，中文\n"
    "表头；xlsx：同样的表头（须给出 --out）。";

struct TableSubgradeOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    FileOption ground;
    std::string every = "20";
    StakeRange range;
    TableOutput output;
};

Outcome run(const TableSubgradeOptions& o, CommandContext& c) {
    SubgradeTableOptions so;
    so.every = numberArgument(o.every);
    if (!(so.every > 0.0)) throw UsageError{usage::EVERY_NOT_POSITIVE};
    o.output.tableFormat();
    o.project.requireProfileGiven();
    std::vector<std::string> read = o.project.files();
    for (const std::string& f : o.surface.files()) read.push_back(f);
    if (o.ground.given()) read.push_back(o.ground.path);
    requireNotRead(o.output.out.path, read);
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    o.surface.load(project, true);
    if (Outcome range = o.range.read(project.breaks, so.fromChainage, so.toChainage); !range) return range;
    const GroundLine ground = o.ground.given() ? readGroundLine(o.ground.path, project.breaks) : GroundLine{};
    const Alignment* alignment = project.alignment.elemCount >= 1 ? &project.alignment : nullptr;
    const std::vector<SubgradeRow> rows = *subgradeRows(project.surface, project.profile, project.breaks, alignment,
                                                        so, o.ground.given() ? &ground : nullptr);
    o.output.emit(subgradeTableColumns(rows, project.breaks, o.ground.given()), c.out);
    return Outcome::done();
}

}  // namespace

void addTableSubgradeCommand(CommandRegistry& registry, CLI::App* table) {
    auto o = std::make_shared<TableSubgradeOptions>();
    CLI::App* command = registry.command("subgrade", DESCRIPTION, table);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    o->surface.add(command);
    o->ground.option = command->add_option("--ground", o->ground.path, "地面线文件：每行 桩号 高程")->type_name(help::FILE);
    command->add_option("--every", o->every, "桩距S（米，>0）")->type_name("S")->default_str("20");
    o->range.add(command);
    o->output.add(command, "表");
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
