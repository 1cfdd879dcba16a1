// labels: the texts of a drawing and the stake numbers read from them.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "checks/stakelabels.h"
#include "commands/labels.h"
#include "dxf/dxfreader.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "图形中的桩号标注及从中读出的桩号。\n"
    "按图形中的顺序输出模型空间的每个桩号标注（TEXT、MTEXT、块属性、插入块中的\n"
    "文字、Gradix的标注）：去掉格式代码的文字，然后是桩号栏所取的桩号。";

struct LabelsOptions {
    std::string drawing;
};

Outcome run(const LabelsOptions& o, CommandContext& c) {
    const Drawing drawing = readDrawing(o.drawing);
    addFileNotes(c, o.drawing, drawing.notes);
    forEachStakeLabel(drawing, 1, {}, [&](const StakeLabel& label) { c.out << labelLine(label) << '\n'; });
    return Outcome::done();
}

}  // namespace

void addLabelsCommand(CommandRegistry& registry) {
    auto o = std::make_shared<LabelsOptions>();
    CLI::App* command = registry.command("labels", DESCRIPTION);
    command->add_option("--drawing", o->drawing, "读取的DXF图形")->type_name("IN.dxf")->required();
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
