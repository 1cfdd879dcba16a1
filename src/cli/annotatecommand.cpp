// annotate: pick-and-annotate run on a DXF drawing, with gradix-cli as its
// host.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cadmodel/batchcad.h"
#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/batchhost.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfwriter.h"
#include "stakes/stakes.h"
#include "text/messages.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "在DXF图形中点取并标注桩号、高程和纵坡。\n"
    "对每组取点PX,PY和插入点IX,IY（图形坐标，x向东、y向北），像窗口\n"
    "一样加上桩号、高程和纵坡的标注，写出 OUT.dxf（不能是读取的文件），\n"
    "然后每个取点输出 桩号 高程 纵坡%（--out - 时不输出）。";

struct AnnotateOptions {
    ProjectOptions project;
    std::string drawing, out, rotation = "0";
    std::vector<std::string> picks;
};

Outcome run(const AnnotateOptions& o, CommandContext& c) {
    if (o.out != STANDARD_STREAM && sameFile(o.drawing, o.out)) throw UsageError{usage::OUT_IS_DRAWING};
    requireNotRead(o.out, o.project.files());
    o.project.requireAlignment();
    o.project.requireProfileGiven();
    std::vector<std::pair<CadPoint, CadPoint>> picks;
    for (const std::string& text : o.picks) {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) throw UsageError{usage::notAPick(text)};
        const auto [px, py] = pairArgument(text.substr(0, colon));
        const auto [ix, iy] = pairArgument(text.substr(colon + 1));
        picks.push_back({{px, py, 0.0}, {ix, iy, 0.0}});
    }

    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    auto drawing = std::make_shared<Drawing>(readDrawing(o.drawing));
    addFileNotes(c, o.drawing, drawing->notes);
    BatchCad cad(drawing);
    BatchHost host(project, o.rotation);
    std::string lines;
    for (const auto& [pick, insertion] : picks) {
        cad.screen().points = {pick, insertion};
        host.last.reset();
        if (Outcome picked = pickAndAnnotate(project, cad, host); !picked) return picked;
        if (!host.last) return Outcome::failed(DataError(msg::ANNOTATION_NOT_ADDED));
        // The stake as every output writes it, from the stake the pick found.
        double chainage = 0.0;
        if (Outcome read = stakeArgument(project.breaks, host.last->stake, chainage); !read) return read;
        lines += formatStake(project.breaks, chainage) + TAB + host.last->elevation + TAB + host.last->grade + '\n';
    }
    // The values are printed once the drawing holding them is saved.
    if (o.out == STANDARD_STREAM) {
        c.out << savedDrawingBytes(*drawing);
        return Outcome::done();
    }
    saveDrawing(*drawing, o.out);
    c.out << lines;
    return Outcome::done();
}

}  // namespace

void addAnnotateCommand(CommandRegistry& registry) {
    auto o = std::make_shared<AnnotateOptions>();
    o->project.locatesPoints = true;
    CLI::App* command = registry.command("annotate", DESCRIPTION);
    o->project.addLandXml(command, o->project.addIcd(command));
    o->project.addProfile(command);
    command->add_option("--drawing", o->drawing, "读取的DXF图形")->type_name("IN.dxf")->required();
    command->add_option("--out", o->out, "标注后的图形（- 为标准输出）")->type_name("OUT.dxf")->required();
    command->add_option("--rotation", o->rotation, "标注的旋转角（度，默认0）")->type_name("DEG");
    command->add_option("取点", o->picks, "取点和插入点")->type_name("PX,PY:IX,IY")->required();
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
