// drawing profile: the longitudinal profile sheet (纵断面图) as a DXF drawing.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/compute.h"
#include "setout/subgradetable.h"
#include "text/numbers.h"
#include "views/profilesheet.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "纵断面图（DXF）。\n"
    "把纵断面图写成DXF图形（AutoCAD 2018，UTF-8），单位为图纸上的毫米，\n"
    "按比例能放下的每段道路一张图纸（默认A3），各有图框和图标栏（工程名称、\n"
    "图名、桩号范围、比例、图号N/M、日期）及其高程标尺；线上为变坡点桩号和\n"
    "高程、竖曲线R T E、断链说明；网格下为地面高程、设计高程、填挖高度、\n"
    "坡度/坡长、里程桩号、直线及平曲线（有平面线形时）、超高（给出 --sup\n"
    "或 --wid 时）各栏。各图在模型空间并排，--split 时每张图一个文件\n"
    "（NAME-1.dxf、NAME-2.dxf……）。放不下的标注略去并提示。";

// The texts of the title block --title sets, by their caption.
constexpr const char* TITLE_PROJECT = "工程名称";
constexpr const char* TITLE_DATE = "日期";

struct SheetOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    FileOption ground;
    std::string out;
    std::string hscale = shortestText(DEFAULT_HORIZONTAL_SCALE), vscale = shortestText(DEFAULT_VERTICAL_SCALE);
    std::string paper = "A3";
    std::string every = shortestText(DEFAULT_BAND_STAKE_STEP);
    std::vector<std::string> titles;
    bool split = false;
    std::string from, to;
    CLI::Option* fromOption = nullptr;
};

// --title CAPTION=TEXT into the title block's texts.
void readTitles(const std::vector<std::string>& titles, ProfileSheetOptions& sheet) {
    for (const std::string& title : titles) {
        const std::size_t equals = title.find('=');
        const std::string caption = title.substr(0, equals);
        if (equals == std::string::npos || (caption != TITLE_PROJECT && caption != TITLE_DATE))
            throw UsageError{usage::titleNotRead(title)};
        (caption == TITLE_PROJECT ? sheet.projectName : sheet.date) = title.substr(equals + 1);
    }
}

// The profile sheets of the profile between two stakes (the whole profile
// without them; a stake beyond the profile is refused, as compute refuses
// it), written to DXF files that are none of the files read.
Outcome run(const SheetOptions& o, CommandContext& c) {
    std::vector<std::string> read = o.project.files();
    for (const std::string& f : o.surface.files()) read.push_back(f);
    if (o.ground.given()) read.push_back(o.ground.path);
    requireNotRead(o.out, read);
    if (o.out == STANDARD_STREAM) throw UsageError{usage::OUT_NEEDS_FILE};
    o.project.requireProfileGiven();
    ProfileSheetOptions sheet;
    sheet.horizontalScale = numberArgument(o.hscale);
    sheet.verticalScale = numberArgument(o.vscale);
    if (!(sheet.horizontalScale > 0 && sheet.verticalScale > 0))
        throw UsageError{usage::scalesNotPositive(o.hscale, o.vscale)};
    sheet.every = numberArgument(o.every);
    if (!(sheet.every > 0)) throw UsageError{usage::EVERY_NOT_POSITIVE};
    sheet.paper = *paperSizeNamed(o.paper);
    sheet.split = o.split;
    readTitles(o.titles, sheet);
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    o.surface.load(project);
    if (o.fromOption->count() > 0) {
        StakeResult from, to;
        if (Outcome a = computeStake(project, o.from, RangeTest::WithinProfile, from); !a) return a;
        if (Outcome b = computeStake(project, o.to, RangeTest::WithinProfile, to); !b) return b;
        if (!(from.chainage < to.chainage)) throw UsageError{usage::sheetRangeReversed(o.from, o.to)};
        sheet.fromChainage = from.chainage;
        sheet.toChainage = to.chainage;
    }
    const GroundLine ground = o.ground.given() ? readGroundLine(o.ground.path, project.breaks) : GroundLine{};
    const ProfileSheetSource source{project.profile, project.breaks,
                                    project.alignment.elemCount >= 1 ? &project.alignment : nullptr,
                                    o.surface.given() ? &project.surface : nullptr,
                                    o.ground.given() ? &ground : nullptr};
    ProfileSheets sheets;
    try {
        sheets = profileSheets(source, sheet);
    } catch (GradixError& error) {
        error.locate(o.out);
        throw;
    }
    const std::vector<std::string> files = profileSheetFiles(o.out, sheets.dxf.size(), o.split);
    for (const std::string& f : files) requireNotRead(f, read);
    writeProfileSheets(files, sheets);
    for (std::string& note : sheets.notes) c.notes.push_back(std::move(note));
    return Outcome::done();
}

}  // namespace

void addDrawingProfileCommand(CommandRegistry& registry, CLI::App* drawing) {
    auto o = std::make_shared<SheetOptions>();
    CLI::App* command = registry.command("profile", DESCRIPTION, drawing);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    o->surface.add(command);
    o->ground.option = command->add_option("--ground", o->ground.path, "地面线文件：每行 桩号 高程")->type_name(help::FILE);
    command->add_option("--out", o->out, "写出的图（不能是读取的文件）")->type_name("FILE.dxf")->required();
    allowOnly(command->add_option("--paper", o->paper, "图纸 A3、A2 或 A1（默认A3）"), {"A3", "A2", "A1"})->type_name("SIZE");
    command->add_option("--every", o->every, "各栏的桩距S（米，>0，默认20）")->type_name("S");
    command->add_option("--title", o->titles, "图标栏文字：工程名称=… 或 日期=…（可重复）")->type_name("CAPTION=TEXT");
    command->add_flag("--split", o->split, "每张图一个文件：NAME-1.dxf、NAME-2.dxf……");
    command->add_option("--hscale", o->hscale, "水平比例 1:N（默认2000）")->type_name("N");
    command->add_option("--vscale", o->vscale, "竖向比例 1:N（默认200）")->type_name("N");
    o->fromOption = command->add_option("--from", o->from, "图的起点桩号（默认纵断面的起点）")->type_name(help::STAKE);
    CLI::Option* to = command->add_option("--to", o->to, "图的终点桩号（默认纵断面的终点）")->type_name(help::STAKE);
    o->fromOption->needs(to);
    to->needs(o->fromOption);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
