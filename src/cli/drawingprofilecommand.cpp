// drawing profile: the longitudinal profile sheet (纵断面图) as a DXF drawing.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/compute.h"
#include "text/numbers.h"
#include "views/profilesheet.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "纵断面图（DXF）。\n"
    "把纵断面图写成DXF图形（AutoCAD 2018，UTF-8），单位为图纸上的毫米：\n"
    "网格、设计线、竖曲线标注、坡度坡长栏和桩号栏、断链说明，以及图上\n"
    "注明的原点和比例。";

struct SheetOptions {
    ProjectOptions project;
    std::string out;
    std::string hscale = shortestText(DEFAULT_HORIZONTAL_SCALE), vscale = shortestText(DEFAULT_VERTICAL_SCALE);
    std::string from, to;
    CLI::Option* fromOption = nullptr;
};

// The profile sheet of the profile between two stakes (the whole profile
// without them), written to a DXF file that is none of the files read.
Outcome run(const SheetOptions& o, CommandContext& c) {
    requireNotRead(o.out, o.project.files());
    if (o.out == STANDARD_STREAM) throw UsageError{usage::OUT_NEEDS_FILE};
    o.project.requireProfileGiven();
    ProfileSheetOptions sheet;
    sheet.horizontalScale = numberArgument(o.hscale);
    sheet.verticalScale = numberArgument(o.vscale);
    if (!(sheet.horizontalScale > 0 && sheet.verticalScale > 0))
        throw UsageError{usage::scalesNotPositive(o.hscale, o.vscale)};
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    if (o.fromOption->count() > 0) {
        StakeResult from, to;
        if (Outcome a = computeStake(project, o.from, RangeTest::Extrapolate, from); !a) return a;
        if (Outcome b = computeStake(project, o.to, RangeTest::Extrapolate, to); !b) return b;
        if (!(from.chainage < to.chainage)) throw UsageError{usage::sheetRangeReversed(o.from, o.to)};
        sheet.fromChainage = from.chainage;
        sheet.toChainage = to.chainage;
    }
    writeProfileSheet(o.out, project.profile, project.breaks, sheet);
    return Outcome::done();
}

}  // namespace

void addDrawingProfileCommand(CommandRegistry& registry, CLI::App* drawing) {
    auto o = std::make_shared<SheetOptions>();
    CLI::App* command = registry.command("profile", DESCRIPTION, drawing);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    command->add_option("--out", o->out, "写出的图（不能是读取的文件）")->type_name("FILE.dxf")->required();
    command->add_option("--hscale", o->hscale, "水平比例 1:N（默认2000）")->type_name("N");
    command->add_option("--vscale", o->vscale, "竖向比例 1:N（默认200）")->type_name("N");
    o->fromOption = command->add_option("--from", o->from, "图的起点桩号（默认纵断面的起点）")->type_name(help::STAKE);
    CLI::Option* to = command->add_option("--to", o->to, "图的终点桩号（默认纵断面的终点）")->type_name(help::STAKE);
    o->fromOption->needs(to);
    to->needs(o->fromOption);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
