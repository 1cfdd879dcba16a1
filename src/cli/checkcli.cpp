#include "cli/checkcli.h"

#include <CLI/CLI.hpp>

#include <ostream>

#include "checks/datacheck.h"
#include "checks/labelaudit.h"
#include "commands/drawingcommands.h"
#include "commands/initialise.h"
#include "commands/landxmlproject.h"
#include "commands/project.h"
#include "dxf/dxfreader.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::checkcli {

namespace {

constexpr char TAB = '\t';
constexpr int METRE_DECIMALS = 3;  // stake differences and offsets, "0.000" (mm)
constexpr const char* CHECK = "check";
constexpr const char* CHECK_LABELS = "check-labels";

// A validator that accepts what parseStrictNumber reads.
CLI::Validator strictNumber(const char* form) {
    return CLI::Validator(
        [](std::string& text) { return parseStrictNumber(text) ? std::string() : "not a number: " + text; }, form);
}

double numberOf(const std::string& text) { return parseStrictNumber(text).value_or(0.0); }

bool given(const CLI::App& command, const char* option) {
    const CLI::Option* opt = command.get_option_no_throw(option);
    return opt && opt->count() > 0;
}

// Every file given must at least be there and decode: a project that cannot
// be read at all is a failure, not a finding.
void requireReadable(const CLI::App& command, const CheckOptions& o) {
    const std::pair<const char*, const std::string*> files[] = {
        {"--profile", &o.profile}, {"--breaks", &o.breaks}, {"--icd", &o.icd}, {"--landxml", &o.landxml}};
    for (const auto& [option, path] : files)
        if (given(command, option)) readTextLines(*path);
}

Outcome checkCommand(const CLI::App& command, CheckOptions& o, std::ostream& out) {
    if (!given(command, "--profile") && !given(command, "--landxml"))
        throw UsageMistake{"a profile is needed: --profile FILE or --landxml FILE"};
    requireReadable(command, o);
    CheckedFiles files;
    files.profile = o.profile;
    if (given(command, "--landxml"))
        files.landxml = o.landxml;
    else if (given(command, "--icd"))
        files.icd = o.icd;
    else if (given(command, "--breaks"))
        files.breaks = o.breaks;
    CheckRules rules;
    rules.maxGradePercent = numberOf(o.maxGrade);
    rules.minCurveLength = numberOf(o.minCurve);
    const std::vector<Finding> findings = checkProject(files, rules);
    for (const Finding& f : findings)
        out << severityText(f.severity) << TAB << f.file << TAB << f.line << TAB << f.text << '\n';
    o.faultFound = hasErrors(findings);
    return Outcome::done();
}

Outcome checkLabelsCommand(const CLI::App& command, CheckOptions& o, std::ostream& out, std::ostream& err) {
    const bool withLandXml = given(command, "--landxml");
    if (!given(command, "--icd") && !withLandXml)
        throw UsageMistake{"an alignment is needed: --icd FILE or --landxml FILE"};
    const bool withProfile = given(command, "--profile");
    Project project;
    project.pi = computePi();
    if (withLandXml)
        loadLandXmlAlignment(project, o.landxml, {"", "", !withProfile});
    else
        loadAlignment(project, o.icd);
    if (withProfile)
        if (Outcome loaded = loadProfile(project, o.profile); !loaded) return loaded;
    const Drawing drawing = readDrawing(o.drawing);
    LabelAuditOptions options;
    options.tolerance = numberOf(o.tolerance);
    options.maxOffset = numberOf(o.maxOffset);
    options.lineName = lineNameOf(project.icdFileName);
    const Profile* profile = project.profile.gradePointCount >= 2 ? &project.profile : nullptr;
    const LabelAudit audit =
        auditLabels(drawing, project.alignment, project.samples, project.breaks, profile, options);
    for (const LabelFinding& f : audit.findings) {
        out << f.handle << TAB << f.text << TAB << f.labelStake << TAB << f.roadStake << TAB
            << formatFixed(f.difference, METRE_DECIMALS) << TAB << formatFixed(f.offset, METRE_DECIMALS);
        if (!f.note.empty()) out << TAB << f.note;
        out << '\n';
    }
    out.flush();
    err << "labels: " << audit.labels << " read, " << audit.findings.size() << " reported\n";
    o.faultFound = !audit.findings.empty();
    return Outcome::done();
}

}  // namespace

void addCommands(CheckOptions& o, const std::function<CLI::App*(const char*, const char*)>& makeCommand) {
    CLI::App* check = makeCommand(
        CHECK,
        "The data check: prints every finding as SEVERITY FILE LINE TEXT (tab-separated; severity 错误\n"
        "or 警告, line 0 where none applies): overlapping vertical curves, tangents beyond half a\n"
        "segment, grade points out of order, a profile that does not cover the alignment, chain breaks\n"
        "out of order or closer than their jump, stakes in a gap or an ambiguous stretch, zero-length\n"
        "elements, LandXML elements that do not join and spirals whose constant A does not match,\n"
        "grades beyond --max-grade and curves shorter than --min-curve. Exit code 3 when a finding is\n"
        "an error (warnings alone: 0). Without --profile, the profile of --landxml is checked.");
    check->add_option("--profile", o.profile, "the profile file")->type_name("FILE");
    CLI::Option* breaks = check->add_option("--breaks", o.breaks, "the chain-break file")->type_name("FILE");
    CLI::Option* icd = check->add_option("--icd", o.icd, "the ICD alignment file")->type_name("FILE");
    CLI::Option* landxml =
        check->add_option("--landxml", o.landxml, "a LandXML file: alignment, equations and profile")->type_name("FILE");
    breaks->excludes(icd)->excludes(landxml);
    icd->excludes(landxml);
    check->add_option("--max-grade", o.maxGrade, "grades steeper than P % are reported (default 9)")
        ->type_name("P")
        ->check(strictNumber(""));
    check->add_option("--min-curve", o.minCurve, "vertical curves shorter than M metres are reported (default 0: off)")
        ->type_name("M")
        ->check(strictNumber(""));

    CLI::App* labels = makeCommand(
        CHECK_LABELS,
        "The drawing-label audit: every stake label of model space (TEXT, MTEXT, attributes, the texts\n"
        "of a block inserted at the labelled point) is located on the road; a label whose stake differs\n"
        "from the road's by more than --tolerance, or that lies farther than --max-offset from it, is\n"
        "printed as HANDLE TEXT LABEL_STAKE ROAD_STAKE DIFFERENCE OFFSET (tab-separated, metres,\n"
        "offset positive right), with a seventh column NOTE when there is more to say (far; with a\n"
        "profile, Gradix's annotations whose 高程 or 纵坡 are stale). Exit code 3 when a label is printed.");
    labels->add_option("--drawing", o.drawing, "the DXF drawing read")->type_name("FILE.dxf")->required();
    CLI::Option* labelIcd = labels->add_option("--icd", o.icd, "the ICD alignment file")->type_name("FILE");
    labels->add_option("--landxml", o.landxml, "a LandXML file: alignment, equations and profile")
        ->type_name("FILE")
        ->excludes(labelIcd);
    labels->add_option("--profile", o.profile, "the profile file (checks the annotations' 高程 and 纵坡)")
        ->type_name("FILE");
    labels->add_option("--tolerance", o.tolerance, "stake differences up to M metres agree (default 0.01)")
        ->type_name("M")
        ->check(strictNumber(""));
    labels->add_option("--max-offset", o.maxOffset, "labels farther than M metres from the road are far (default 50)")
        ->type_name("M")
        ->check(strictNumber(""));
}

bool isCheckCommand(const std::string& name) { return name == CHECK || name == CHECK_LABELS; }

Outcome run(const CLI::App& command, CheckOptions& options, std::ostream& out, std::ostream& err) {
    options.faultFound = false;
    return command.get_name() == CHECK ? checkCommand(command, options, out)
                                       : checkLabelsCommand(command, options, out, err);
}

}  // namespace gradix::checkcli
