// table stakes: the stake table (逐桩坐标表).
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/stakeoutfile.h"
#include "setout/stakestable.h"
#include "text/messages.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "逐桩坐标表。\n"
    "本段桩号为S整倍数的每个桩、每个主点（QD ZH HY QZ YH HZ ZY YZ GQ，\n"
    "两段缓和曲线相接处为HH，ZD）和每个断链的前后两侧，按里程排列：\n"
    "桩号 里程 X Y 方位角，每个边桩的X和Y，有纵断面时的设计高程和纵坡，\n"
    "主点。\n"
    "tsv：数值完整，纵坡为比值，方位角为弧度，无表头；csv：带BOM的\n"
    "UTF-8，CR LF，中文表头，常用的小数位；xlsx：同样的表头，数值完整\n"
    "（须给出 --out）。\n"
    "ICD线形加 --breaks 时按断链分段：桩号带断链标识，--from、--to 和\n"
    "纵断面文件中的桩号按断链读入。\n"
    "--stakeout 另写放样点文件：每个桩的中桩（编码为主点名或“中桩”，H为\n"
    "设计高程）和各边桩（点名如 K1+200左7.5，编码“边桩”；给出 --sup、--wid\n"
    "时H为路面设计高程，否则为空）。--transform 换回四参数的起算坐标系，\n"
    "--out-crs 换算到所给坐标系（EPSG:4490 写纬度、经度）。";

struct TableStakesOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    FieldOptions field;
    std::string every, offset;
    CLI::Option* offsetOption = nullptr;
    StakeRange range;
    TableOutput output;
};

Outcome run(const TableStakesOptions& o, CommandContext& c) {
    StakeTableOptions so;
    so.every = numberArgument(o.every);
    if (!(so.every > 0.0)) throw UsageError{usage::EVERY_NOT_POSITIVE};
    if (o.offsetOption->count() > 0) so.offsets = offsetList(o.offset);
    o.output.tableFormat();
    o.project.requireAlignment();
    std::vector<std::string> read = o.project.files();
    for (const std::string& f : o.surface.files()) read.push_back(f);
    for (const std::string& f : o.field.files()) read.push_back(f);
    requireNotRead(o.output.out.path, read);
    if (o.field.stakeout.given()) requireNotRead(o.field.stakeout.path, read);
    if (o.surface.given()) o.project.requireProfileGiven();
    const FieldSystems systems = o.field.systems();
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.surface.load(project);
    if (Outcome range = o.range.read(project.breaks, so.fromChainage, so.toChainage); !range) return range;
    const bool withProfile = o.project.hasDesign(project);
    const Profile* profile = withProfile ? &project.profile : nullptr;
    const std::vector<StakeRow> rows = *stakeTable(project.alignment, project.breaks, profile, so);
    if (std::string note = stakeTableRangeNote(project.alignment, project.breaks, so); !note.empty())
        c.notes.push_back(std::move(note));
    // The stake-out file first: a point outside the system's area leaves both unwritten.
    if (o.field.stakeout.given()) {
        const Surface* surface = project.surface.loaded() ? &project.surface : nullptr;
        writeStakeoutFile(o.field.stakeout.path, stakeoutPointsOfTable(rows, project.breaks, so.offsets, surface),
                          systems);
    }
    o.output.emit(stakeTableColumns(rows, project.breaks, so.offsets, withProfile), c.out);
    return Outcome::done();
}

}  // namespace

void addTableStakesCommand(CommandRegistry& registry, CLI::App* table) {
    auto o = std::make_shared<TableStakesOptions>();
    CLI::App* command = registry.command("stakes", DESCRIPTION, table);
    CLI::Option* icd = o->project.addIcd(command, "平面线形ICD文件");
    // Chain breaks beside an ICD alignment: its stakes in their stretches.
    o->project.addBreaks(command)->needs(icd)->excludes(o->project.addLandXml(command, icd));
    o->project.addProfile(command);
    command->add_option("--every", o->every, "桩距S（米，>0）")->type_name("S")->required();
    o->offsetOption = command->add_option("--offset", o->offset, help::OFFSET)->type_name("D[,D...]");
    o->range.add(command);
    o->output.add(command, "表");
    CLI::Option* stakeout = o->field.addStakeout(command);
    o->field.add(command);
    o->surface.add(command)->needs(stakeout);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
