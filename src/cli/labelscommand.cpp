// labels: the texts of a drawing and the stake numbers read from them.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "commands/labels.h"
#include "dxf/dxfreader.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "图形中的文字及从中读出的桩号。\n"
    "按图形中的顺序输出模型空间的每个TEXT和MTEXT：文字，然后是从中读出\n"
    "的桩号数值。";

struct LabelsOptions {
    std::string drawing;
};

Outcome run(const LabelsOptions& o, CommandContext& c) {
    const Drawing drawing = readDrawing(o.drawing);
    for (const DrawingEntity& entity : drawing.entities)
        if (entity.kind == EntityKind::Text || entity.kind == EntityKind::MText)
            c.out << entity.text << TAB << reduceStakeLabel(entity.text) << '\n';
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
