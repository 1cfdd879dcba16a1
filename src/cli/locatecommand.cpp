// locate: the chainage and offset of points, or of a file of surveyed points
// with their stakes, design and notes.
#include <CLI/CLI.hpp>

#include <iterator>
#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "setout/surveypoints.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "点的里程和偏距（坐标反算）。\n"
    "输出每个点（X北、Y东）的 里程、偏距（右正）、垂足X、垂足Y。\n"
    "--points 读测点文件（- 读标准输入；UTF-8 或 GB18030；# 后为注释）：\n"
    "每行 点名 X Y [Z [说明]]，以空格、制表符或逗号分隔；或CASS坐标数据\n"
    "点名,编码,Y(东),X(北),H（文件名以 .dat 结尾，或第一行为带编码或空编码\n"
    "的五个字段），编码作为说明。每点输出 点名 桩号 里程 偏距 设计高程\n"
    "纵坡 高差 备注 [说明]：偏距右正（同 coords --offset），有纵断面时\n"
    "给出设计高程和纵坡（tsv中纵坡为比值），高差 = Z − 设计高程。备注\n"
    "before-start、beyond-end：点在线路起点之前或终点之后，只有备注；\n"
    "far：|偏距| > --max-offset，无设计高程和高差。没有横断面时设计高程为\n"
    "中线设计高程；给出 --sup 或 --wid 时为测点偏距处的路面设计高程，\n"
    "土路肩边缘以外备注 beyond-edge，无高程和高差。有误的行连同行号报错；\n"
    "--keep-going 在标准错误报告该行并继续，最后以退出码2结束。\n"
    "--points-crs 给出测点的坐标系（EPSG:4490 为CGCS2000纬度、经度，也可为\n"
    "其他投影坐标系），经PROJ换算到 --crs 的项目坐标系（X北、Y东）后反算；\n"
    "--transform 再以四参数（和高程拟合）换算到项目的独立坐标系。在坐标系\n"
    "适用范围以外的点逐点报错，不输出结果（--keep-going 时略去这些点）。";

struct LocateOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    FieldOptions field;
    FileOption points;
    std::string maxOffset;
    CLI::Option* maxOffsetOption = nullptr;
    bool keepGoing = false;
    TableOutput output;
    std::vector<std::string> arguments;
};

// locate --points: the point file located; with --keep-going the bad lines
// are reported on err as they are met and the command ends as a failure
// naming how many were left out.
Outcome locatePoints(const LocateOptions& o, CommandContext& c) {
    if (!o.arguments.empty()) throw UsageError{usage::POINTS_TWICE};
    o.project.requireAlignment();
    std::vector<std::string> read = o.project.files();
    for (const std::string& f : o.surface.files()) read.push_back(f);
    read.push_back(o.points.path);
    for (const std::string& f : o.field.files()) read.push_back(f);
    requireNotRead(o.output.out.path, read);
    double maxOffset = DEFAULT_MAX_OFFSET;
    if (o.maxOffsetOption->count() > 0) {
        maxOffset = numberArgument(o.maxOffset);
        if (!(maxOffset >= 0.0)) throw UsageError{usage::MAX_OFFSET_NEGATIVE};
    }
    o.output.tableFormat();  // a usage mistake before anything is read
    // The systems before the road: an unknown system is told at once.
    const FieldSystems systems = o.field.systems();
    const std::optional<PointsIntoProject> into =
        systems.convertsPoints() ? std::optional<PointsIntoProject>(PointsIntoProject(systems)) : std::nullopt;
    const bool latLon = into && into->latLon();
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.surface.load(project);
    const Surface* surface = project.surface.loaded() ? &project.surface : nullptr;

    const bool fromInput = o.points.path == STANDARD_STREAM;
    const std::string name = fromInput ? STANDARD_INPUT_NAME : o.points.path;
    const SurveyPointFile file =
        fromInput ? surveyPointsOfLines(splitLines(decodeText(std::string(std::istreambuf_iterator<char>(c.in),
                                                                          std::istreambuf_iterator<char>()))),
                                        name, o.keepGoing, latLon)
                  : readSurveyPoints(o.points.path, o.keepGoing, latLon);
    if (file.cass) c.notes.push_back(msg::located(name, 0, msg::READ_AS_CASS));
    for (const DataError& e : file.skipped) c.err << e.what() << '\n' << e.detail() << '\n';
    std::vector<LocatedPoint> rows;
    rows.reserve(file.points.size());
    const Profile* profile = o.project.hasDesign(project) ? &project.profile : nullptr;
    // Every point outside a system's area is told, each on its line.
    std::size_t unconverted = 0;
    for (const SurveyPoint& given : file.points) {
        SurveyPoint p = given;
        try {
            if (into) p = into->convert(given);
        } catch (DataError& e) {
            e.locate(name, given.line);
            c.err << e.what() << '\n' << e.detail() << '\n';
            ++unconverted;
            continue;
        }
        try {
            rows.push_back(
                locateSurveyPoint(project.alignment, project.samples, project.breaks, profile, p, maxOffset, surface));
        } catch (GradixError& e) {
            e.locate(name, p.line);
            throw;
        }
    }
    if (unconverted > 0 && !o.keepGoing) {
        DataError refused(msg::pointsNotConverted(unconverted));
        refused.locate(name);
        return Outcome::failed(refused);
    }
    o.output.emit(locatedPointColumns(rows, surface != nullptr), c.out);
    const std::size_t left = file.skipped.size() + unconverted;
    if (left == 0) return Outcome::done();
    DataError leftOut(msg::badLinesLeftOut(left));
    leftOut.locate(name);
    return Outcome::failed(leftOut);
}

Outcome run(const LocateOptions& o, CommandContext& c) {
    if (o.points.given()) return locatePoints(o, c);
    if (o.arguments.empty()) throw UsageError{usage::NO_POINT};
    std::vector<std::pair<double, double>> points;
    for (const std::string& text : o.arguments) points.push_back(pairArgument(text));
    o.project.requireAlignment();
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    for (const auto& [x, y] : points) {
        const FootOfPoint foot = locatePoint(project.alignment, project.samples, x, y);
        c.out << shortestText(foot.ptzh) << TAB << shortestText(foot.offsetRight()) << TAB << shortestText(foot.ptx)
              << TAB << shortestText(foot.pty) << '\n';
    }
    return Outcome::done();
}

}  // namespace

void addLocateCommand(CommandRegistry& registry) {
    auto o = std::make_shared<LocateOptions>();
    o->project.locatesPoints = true;
    CLI::App* command = registry.command("locate", DESCRIPTION);
    o->project.addLandXml(command, o->project.addIcd(command));
    o->points.option = command->add_option("--points", o->points.path, "测点文件（- 为标准输入）")->type_name(help::FILE);
    o->project.addProfile(command)->needs(o->points.option);
    o->surface.add(command)->needs(o->points.option);
    o->field.add(command);
    o->field.addPointsCrs(command, o->points.option);
    o->maxOffsetOption =
        command->add_option("--max-offset", o->maxOffset, "偏距超过M米的点备注为 far（默认100）")
            ->type_name("M")
            ->needs(o->points.option);
    command->add_flag("--keep-going", o->keepGoing, "在标准错误报告有误的行并继续")->needs(o->points.option);
    o->output.add(command, "测点表")->needs(o->points.option);
    command->add_option("点", o->arguments, "测点（或 --points 文件）")->type_name("X,Y")->excludes(o->points.option);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
