// check and check-labels: the data check of a project's files and the audit
// of a drawing's stake labels against the alignment. Both end with exit code
// 3 when they find a fault.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "checks/datacheck.h"
#include "checks/labelaudit.h"
#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/drawingcommands.h"
#include "commands/initialise.h"
#include "commands/landxmlproject.h"
#include "dxf/dxfreader.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::cli {

namespace {

constexpr int METRE_DECIMALS = 3;  // stake differences and offsets, "0.000" (mm)

constexpr const char* CHECK_DESCRIPTION =
    "检查项目的数据文件。\n"
    "每条发现输出为 SEVERITY FILE LINE TEXT（严重程度、文件、行号、内容，\n"
    "以制表符分隔；严重程度为 错误 或 警告，无行号时为0）：竖曲线重叠、\n"
    "切线长超过坡段的一半、变坡点顺序错误、纵断面未覆盖线形、断链顺序\n"
    "错误或间距小于断链长度、桩号位于空缺或不明确的区间、零长度单元、\n"
    "LandXML中不相接的单元和参数A不符的缓和曲线、坡度超过 --max-grade、\n"
    "竖曲线短于 --min-curve；给出 --sup、--wid 时还有：横坡超过±10 %、\n"
    "超高渐变率大于 --speed 的限值（--pivot centre 按中线旋转，其余按边线\n"
    "旋转）、横坡过零处渐变率小于1/330、加宽过渡段短于10 m。\n"
    "有错误时退出码为3（只有警告时为0）。\n"
    "不给 --profile 时检查 --landxml 中的纵断面。";
constexpr const char* CHECK_LABELS_DESCRIPTION =
    "检查图形中的桩号标注与线路是否一致。\n"
    "模型空间的每个桩号标注（TEXT、MTEXT、属性、插入在标注点的块中的\n"
    "文字）在线路上定位；桩号与线路桩号之差超过 --tolerance、或离线路\n"
    "超过 --max-offset 的标注输出为 HANDLE TEXT LABEL_STAKE ROAD_STAKE\n"
    "DIFFERENCE OFFSET（句柄、文字、标注桩号、线路桩号、差值、偏距，\n"
    "以制表符分隔，单位米，偏距右正），有更多说明时第七列为 NOTE（far；\n"
    "给出纵断面时，高程或纵坡已过时的Gradix标注）。有标注输出时退出码\n"
    "为3。";

struct CheckOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    std::string maxGrade = "9", minCurve = "0";  // %, m
    int speed = 0;                                // km/h; 0: no runoff rates
};

struct CheckLabelsOptions {
    ProjectOptions project;
    std::string drawing;
    std::string tolerance = "0.01", maxOffset = "50";  // m
};

double numberOf(const std::string& text) { return parseStrictNumber(text).value_or(0.0); }

// Every file given must at least be there and decode: a project that cannot
// be read at all is a failure, not a finding. A LandXML file is XML, read as
// bytes by its reader with no limit on a line's length: here only whether it
// can be opened, as compute does.
void requireReadable(const ProjectOptions& o) {
    for (const std::string& path : o.files()) {
        if (o.landxml.given() && path == o.landxml.path) readFileBytes(path, 1);
        else readTextLines(path);
    }
}

Outcome check(const CheckOptions& o, CommandContext& c) {
    o.project.requireProfileGiven();
    requireReadable(o.project);
    CheckedFiles files;
    files.profile = o.project.profile.path;
    if (o.project.landxml.given())
        files.landxml = o.project.landxml.path;
    else if (o.project.icd.given())
        files.icd = o.project.icd.path;
    else if (o.project.breaks.given())
        files.breaks = o.project.breaks.path;
    files.superelevation = o.surface.superelevation.given() ? o.surface.superelevation.path : "";
    files.widths = o.surface.widths.given() ? o.surface.widths.path : "";
    for (const std::string& path : o.surface.files()) readTextLines(path);
    CheckRules rules;
    rules.maxGradePercent = numberOf(o.maxGrade);
    rules.minCurveLength = numberOf(o.minCurve);
    rules.designSpeed = o.speed;
    rules.pivot = *pivotNamed(o.surface.pivot);
    const std::vector<Finding> findings = checkProject(files, rules);
    for (const Finding& f : findings)
        c.out << severityText(f.severity) << TAB << f.file << TAB << f.line << TAB << f.text << '\n';
    c.findings = hasErrors(findings);
    return Outcome::done();
}

Outcome checkLabels(const CheckLabelsOptions& o, CommandContext& c) {
    LabelAuditOptions options;
    options.tolerance = numberOf(o.tolerance);
    options.maxOffset = numberOf(o.maxOffset);
    // A negative tolerance reports every label, a limit of 0 m every label as far.
    if (!(options.tolerance >= 0.0)) throw UsageError{usage::TOLERANCE_NEGATIVE};
    if (!(options.maxOffset > 0.0)) throw UsageError{usage::MAX_OFFSET_NOT_POSITIVE};
    o.project.requireAlignment();
    Project& project = c.project;
    project.pi = computePi();
    if (o.project.landxml.given())
        loadLandXmlAlignment(project, o.project.landxml.path, {"", "", !o.project.profile.given()});
    else
        loadAlignment(project, o.project.icd.path);
    if (o.project.profile.given())
        if (Outcome loaded = loadProfile(project, o.project.profile.path); !loaded) return loaded;
    const Drawing drawing = readDrawing(o.drawing);
    options.lineName = lineNameOf(project.icdFileName);
    const Profile* profile = project.profile.gradePointCount >= 2 ? &project.profile : nullptr;
    const LabelAudit audit = auditLabels(drawing, project.alignment, project.samples, project.breaks, profile, options);
    addFileNotes(c, o.drawing, drawing.notes);
    for (const LabelFinding& f : audit.findings) {
        c.out << f.handle << TAB << f.text << TAB << f.labelStake << TAB << f.roadStake << TAB
              << formatFixed(f.difference, METRE_DECIMALS) << TAB << formatFixed(f.offset, METRE_DECIMALS);
        if (!f.note.empty()) c.out << TAB << f.note;
        c.out << '\n';
    }
    c.out.flush();
    c.err << "标注：读取" << audit.labels << "个，报告" << audit.findings.size() << "个\n";
    c.findings = !audit.findings.empty();
    return Outcome::done();
}

}  // namespace

void addCheckCommands(CommandRegistry& registry) {
    auto o = std::make_shared<CheckOptions>();
    CLI::App* command = registry.command("check", CHECK_DESCRIPTION);
    o->project.addProfile(command);
    CLI::Option* breaks = o->project.addBreaks(command);
    CLI::Option* icd = o->project.addIcd(command, "平面线形ICD文件");
    CLI::Option* landxml = command->add_option("--landxml", o->project.landxml.path, help::LANDXML)->type_name(help::FILE);
    o->project.landxml.option = landxml;
    breaks->excludes(icd)->excludes(landxml);
    icd->excludes(landxml);
    numbersOnly(command->add_option("--max-grade", o->maxGrade, "坡度超过P%的报告（默认9）")->type_name("P"));
    numbersOnly(command->add_option("--min-curve", o->minCurve, "竖曲线短于M米的报告（默认0：不检查）")->type_name("M"));
    o->surface.add(command);
    allowOnly(command->add_option("--speed", o->speed, "设计速度V（km/h：120、100、80、60、40、30或20），检查超高渐变率"),
              {"120", "100", "80", "60", "40", "30", "20"})
        ->type_name("V");
    registry.onRun(command, [o](CommandContext& c) { return check(*o, c); });

    auto l = std::make_shared<CheckLabelsOptions>();
    CLI::App* labels = registry.command("check-labels", CHECK_LABELS_DESCRIPTION);
    labels->add_option("--drawing", l->drawing, "读取的DXF图形")->type_name("FILE.dxf")->required();
    CLI::Option* labelIcd = l->project.addIcd(labels, "平面线形ICD文件");
    l->project.landxml.option =
        labels->add_option("--landxml", l->project.landxml.path, help::LANDXML)->type_name(help::FILE)->excludes(labelIcd);
    l->project.addProfile(labels, "纵断面文件（检查Gradix标注的高程和纵坡）");
    numbersOnly(labels->add_option("--tolerance", l->tolerance, "桩号差不超过M米的视为一致（默认0.01）")->type_name("M"));
    numbersOnly(
        labels->add_option("--max-offset", l->maxOffset, "离线路超过M米的标注为远离（默认50）")->type_name("M"));
    registry.onRun(labels, [l](CommandContext& c) { return checkLabels(*l, c); });
}

}  // namespace gradix::cli
