// elements: the prepared element chain and the end of the alignment.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "text/numbers.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "准备好的平面单元链。\n"
    "输出每个单元的起点（序号、类型、里程、X、Y、方位角、起点半径、\n"
    "终点半径、长度），最后一行为线形终点。类型为 line、arc、\n"
    "entering-spiral、exit-spiral 或 partial-spiral。";

struct ElementsOptions {
    ProjectOptions project;
};

const char* kindName(ElementKind kind) {
    switch (kind) {
        case ElementKind::Line: return "line";
        case ElementKind::Arc: return "arc";
        case ElementKind::EnteringSpiral: return "entering-spiral";
        case ElementKind::ExitSpiral: return "exit-spiral";
        case ElementKind::PartialSpiral: return "partial-spiral";
    }
    return "line";
}

Outcome run(const ElementsOptions& o, CommandContext& c) {
    o.project.requireAlignment();
    if (Outcome loaded = o.project.load(c.project); !loaded) return loaded;
    const Alignment& al = c.project.alignment;
    const int n = al.elemCount;
    std::ostream& out = c.out;
    for (int i = 1; i <= n; ++i) {
        out << i << TAB << kindName(elementKind(al.elemStartRadius[i], al.elemEndRadius[i])) << TAB
            << shortestText(al.elemChainage[i]) << TAB << shortestText(al.elemStartX[i]) << TAB
            << shortestText(al.elemStartY[i]) << TAB << shortestText(al.elemStartBearing[i]) << TAB
            << shortestText(al.elemStartRadius[i]) << TAB << shortestText(al.elemEndRadius[i]) << TAB
            << shortestText(al.elemLength[i]) << '\n';
    }
    out << "end" << TAB << TAB << shortestText(al.elemChainage[n + 1]) << TAB << shortestText(al.elemStartX[n + 1])
        << TAB << shortestText(al.elemStartY[n + 1]) << TAB << shortestText(al.elemStartBearing[n + 1]) << '\n';
    return Outcome::done();
}

}  // namespace

void addElementsCommand(CommandRegistry& registry) {
    auto o = std::make_shared<ElementsOptions>();
    CLI::App* command = registry.command("elements", DESCRIPTION);
    o->project.addLandXml(command, o->project.addIcd(command));
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
