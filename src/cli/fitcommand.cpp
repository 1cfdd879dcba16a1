// fit: the four-parameter fit (平面四参数) of control points known in two
// systems, with the heights when asked, its report and its saved form.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "setout/controlfit.h"
#include "text/textfile.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "平面四参数：由两个坐标系中同名的控制点（每行 点名 X(北) Y(东) [H]）\n"
    "以最小二乘求 ΔX、ΔY、旋转（″，由北向东为正）和尺度（ppm），\n"
    "X = ΔX + m(x·cosθ − y·sinθ)，Y = ΔY + m(x·sinθ + y·cosθ)，至少2个点；\n"
    "输出每点的残差（计算值 − 已知值）和中误差。有4个及以上的点时，由其余点\n"
    "拟合时残差最大、且超过其余点中误差3倍和0.01 m的点列为粗差点。\n"
    "--heights 另拟合高程差 H(--to) − H(--from)：1～2个点为常数，3个及以上\n"
    "为平面（共线的点拒绝）。--out 写出四参数文件，供 locate、coords 和\n"
    "table stakes 的 --transform 使用。";

struct FitOptions {
    FileOption from, to, out;
    bool heights = false;
};

Outcome run(const FitOptions& o, CommandContext& c) {
    if (o.out.given()) requireNotRead(o.out.path, {o.from.path, o.to.path});
    const SurveyPointFile from = readSurveyPoints(o.from.path, false);
    const SurveyPointFile to = readSurveyPoints(o.to.path, false);
    const ControlFit fit = fitControlPoints(from.points, to.points, o.heights, o.from.path, o.to.path);
    if (o.out.given()) writeFileAtomically(o.out.path, fieldTransformText(fit.transform));
    c.out << fitReport(fit);
    return Outcome::done();
}

}  // namespace

void addFitCommand(CommandRegistry& registry) {
    auto o = std::make_shared<FitOptions>();
    CLI::App* command = registry.command("fit", DESCRIPTION);
    o->from.option = command->add_option("--from", o->from.path, "起算坐标系的控制点")->type_name(help::FILE)->required();
    o->to.option = command->add_option("--to", o->to.path, "目标（项目）坐标系的控制点")->type_name(help::FILE)->required();
    command->add_flag("--heights", o->heights, "同时拟合高程差");
    o->out.option = command->add_option("--out", o->out.path, "写出的四参数文件")->type_name(help::FILE);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
