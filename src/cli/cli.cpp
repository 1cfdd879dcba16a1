#include "cli/cli.h"
#include "gradix/version.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "cadmodel/batchcad.h"
#include "cli/checkcli.h"
#include "cli/setoutcli.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "commands/initialise.h"
#include "commands/labels.h"
#include "commands/landxmlproject.h"
#include "commands/outcome.h"
#include "commands/project.h"
#include "commands/trap.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfwriter.h"
#include "landxml/landxml.h"
#include "setout/curvestable.h"
#include "setout/stakestable.h"
#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "views/profilesheet.h"
#include "text/messages.h"

namespace gradix {

namespace {

const std::string PROGRAM = "gradix-cli";
const std::string VERSION_TEXT = PROGRAM + " " + GRADIX_VERSION;
constexpr char TAB = '\t';
// More rows than this in one coordinate table is taken for a typing mistake.
constexpr double MAX_TABLE_ROWS = 1e8;
// The file name that stands for standard input (--stakes) or output (--out).
const std::string STANDARD_STREAM = "-";
// How standard input is named in the detail of a failure.
const std::string STANDARD_INPUT_NAME = "standard input";

constexpr const char* MAIN_DESCRIPTION = "Design elevation and tangent grade at a stake, from the terminal.";
constexpr const char* EXIT_CODES_TEXT =
    "exit codes: 0 done, 1 stake refused, 2 file or format failure, 3 check found a fault, 64 usage\n"
    "error, 70 internal error.\n"
    "On 1, 2 or 70 the first line on stderr is the message the window would show, the second the\n"
    "file, line and reason.\n";

// " drawing profile": the names of a command and of the commands it lies in.
std::string commandPath(const CLI::App* app) {
    std::string names;
    for (; app->get_parent(); app = app->get_parent()) names = " " + app->get_name() + names;
    return names;
}

// A usage error found after the options were read: the message goes to
// stderr with the command's usage line.
struct UsageError {
    std::string message;
};

// The help layout: "usage: gradix-cli COMMAND ..." first, its synopsis made
// from the options themselves, then what the command does, its arguments and
// options, and the exit codes.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        std::string usage = "usage: " + PROGRAM + commandPath(app);
        if (!app->get_subcommands({}).empty()) return usage + " COMMAND [OPTIONS] ARGUMENTS\n";
        for (const CLI::Option* opt : app->get_options()) {
            if (opt->get_positional() || opt == app->get_help_ptr()) continue;
            const std::string text = opt->get_name(false, true) + " " + opt->get_type_name();
            usage += opt->get_required() ? " " + text : " [" + text + "]";
        }
        for (const CLI::Option* opt : app->get_options()) {
            if (!opt->get_positional()) continue;
            const std::string text = opt->get_type_name() + "...";
            usage += opt->get_required() ? " " + text : " [" + text + "]";
        }
        return usage + "\n";
    }
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub) return make_expanded(app);
        return make_usage(app, name) + make_description(app) + make_positionals(app) + make_groups(app, mode) +
               make_subcommands(app, mode) + "\n" + make_footer(app);
    }
};

// Every option of every command, as read from the command line.
struct Options {
    std::string breaks, icd, profile, stakes, out, format = "table", drawing, rotation = "0";
    std::string from, to, every;
    std::string landxml, alignment, profileName, name;
    std::string hscale = shortestText(DEFAULT_HORIZONTAL_SCALE), vscale = shortestText(DEFAULT_VERTICAL_SCALE);
    std::string offset, points, maxOffset, tableFormat;
    bool keepGoing = false;
    std::vector<std::string> arguments;
    // Which options were given; a file option given as "" is a cancelled
    // dialog's path, read (and failing) as such.
    bool hasBreaks = false, hasIcd = false, hasProfile = false, hasStakes = false, hasOut = false, hasTable = false;
    bool hasLandXml = false;
    // The notes of a LandXML reading, put on stderr after the command's
    // outcome (so that a failure's message stays the first line).
    std::string* notes = nullptr;
    bool hasOffset = false, hasPoints = false, hasMaxOffset = false, hasTableFormat = false, hasRange = false;
};

double numberArgument(const std::string& text) {
    const std::optional<double> v = parseStrictNumber(text);
    if (!v) throw UsageError{"not a number: " + text};
    return *v;
}

// "X,Y" as two strict numbers.
std::pair<double, double> pairArgument(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError{"a point is X,Y: " + text};
    return {numberArgument(text.substr(0, comma)), numberArgument(text.substr(comma + 1))};
}

// Refuses a result file that is one of the files read, before anything is
// written (standard output is never one).
void requireNotRead(const std::string& out, const std::vector<std::string>& inputs) {
    if (out == STANDARD_STREAM) return;
    std::vector<std::string> files;
    for (const std::string& input : inputs)
        if (!input.empty() && input != STANDARD_STREAM) files.push_back(input);
    if (namesOneOf(out, files)) throw UsageError{"--out must not be one of the files read: " + out};
}

std::string stakeDetail(const std::string& stake, const std::string& reason) { return msg::stakeDetail(stake, reason); }

// The notes a load step added to project.notes from entry `from` on, to
// o.notes, one per line.
// (also when the step fails: on the way out of the scope).
struct NotesPassed {
    const Options& o;
    const Project& project;
    std::size_t from = project.notes.size();
    ~NotesPassed() {
        if (!o.notes) return;
        for (std::size_t i = from; i < project.notes.size(); ++i)
            *o.notes += msg::NOTE_PREFIX + project.notes[i] + '\n';
    }
};

// Loads a LandXML alignment with its equations and (unless --profile gives
// one) its profile; the notes of the reading go to o.notes, one per line.
void loadLandXml(const Options& o, Project& project) {
    const NotesPassed passed{o, project};
    loadLandXmlAlignment(project, o.landxml, {o.alignment, o.profileName, !o.hasProfile});
}

// Loads the data files in the window's order: chain breaks, ICD or LandXML
// first, then the profile (when given).
Outcome loadProject(const Options& o, Project& project) {
    project.pi = computePi();
    if (o.hasIcd) {
        loadAlignment(project, o.icd);
    } else if (o.hasLandXml) {
        loadLandXml(o, project);
    } else if (o.hasBreaks) {
        const NotesPassed passed{o, project};
        loadChainBreaks(project, o.breaks);
    }
    const NotesPassed passed{o, project};
    return o.hasProfile ? loadProfile(project, o.profile) : Outcome::done();
}

// The alignment of a command that needs one: --icd or --landxml.
void requireAlignment(const Options& o) {
    if (!o.hasIcd && !o.hasLandXml) throw UsageError{"an alignment is needed: --icd FILE or --landxml FILE"};
}

// The profile of a command that needs one: --profile, or the one of the
// LandXML alignment. Raises DataError for a LandXML alignment without one.
void requireProfile(const Options& o, const Project& project) {
    if (o.hasProfile) return;
    if (!o.hasLandXml) throw UsageError{"a profile is needed: --profile FILE or --landxml FILE"};
    if (project.profile.gradePointCount < 1) {
        DataError error(msg::ALIGNMENT_WITHOUT_PROFILE);
        error.locate(o.landxml);
        throw error;
    }
}

// Whether a command whose profile is optional has one: --profile, or the
// profile that came with the LandXML alignment.
bool hasDesign(const Options& o, const Project& project) {
    return o.hasProfile || (o.hasLandXml && project.profile.gradePointCount > 0);
}

Outcome chainageCommand(const Options& o, std::ostream& out) {
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    for (const std::string& stake : o.arguments) {
        const StakeQualification q = qualifyStake(project.breaks, stake);
        if (!q.accepted()) return Outcome::refused(q.refusal, stakeDetail(stake, q.reason));
        // A stake that fails prints nothing: its line is written once complete.
        const double chainage = dlstr_sj(project.breaks, q.text);
        out << q.text << TAB << shortestText(chainage) << '\n';
    }
    return Outcome::done();
}

Outcome stakeCommand(const Options& o, std::ostream& out) {
    std::vector<double> chainages;
    for (const std::string& text : o.arguments) chainages.push_back(numberArgument(text));
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    for (double chainage : chainages) out << sj_dlstr_11(project.breaks, chainage) << '\n';
    return Outcome::done();
}

void writeTsvRow(std::ostream& out, const StakeResult& r) {
    out << r.stake << TAB << shortestText(r.chainage) << TAB << shortestText(r.elevation) << TAB
        << shortestText(r.grade) << '\n';
}

Outcome computeCommand(const Options& o, std::istream& in, std::ostream& out) {
    if (!o.hasStakes && o.arguments.empty()) throw UsageError{"no stake given"};
    if (o.hasStakes) requireNotRead(o.out, {o.stakes, o.profile, o.breaks, o.icd, o.landxml});
    if (!o.hasProfile && !o.hasLandXml) throw UsageError{"a profile is needed: --profile FILE or --landxml FILE"};
    const bool tsv = o.format == "tsv";
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    requireProfile(o, project);

    if (!o.hasStakes) {
        // Single-stake mode, one argument after the other, as Text1 would hold it.
        for (const std::string& typed : o.arguments) {
            StakeResult r;
            if (Outcome computed = computeStake(project, typed, RangeTest::WithinProfile, r); !computed)
                return computed;
            if (tsv)
                writeTsvRow(out, r);
            else
                out << typed << TAB << formatFixed(r.elevation, RESULT_DECIMALS) << TAB
                    << formatPercent(r.grade) << '\n';
        }
        return Outcome::done();
    }

    // Stake-file mode: no range test; a refused stake writes nothing.
    const bool fromInput = o.stakes == STANDARD_STREAM;
    const std::string name = fromInput ? STANDARD_INPUT_NAME : o.stakes;
    const std::vector<std::string> stakes =
        fromInput ? stakesOfLines(splitLines(decodeText(
                        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()))))
                  : readStakeFile(o.stakes);
    std::vector<StakeResult> results;
    if (Outcome evaluated = evaluateStakes(project, stakes, name, results); !evaluated) return evaluated;
    std::string text;
    if (tsv) {
        std::ostringstream rows;
        for (const StakeResult& r : results) writeTsvRow(rows, r);
        text = rows.str();
    } else {
        text = resultFileText(results);
    }
    if (o.hasOut && o.out != STANDARD_STREAM)
        writeFileAtomically(o.out, text);
    else
        out << text;
    return Outcome::done();
}

// Runs a setting-out helper, turning its option mistakes into usage errors.
template <class F>
auto withOptions(F&& run) {
    try {
        return run();
    } catch (const setoutcli::BadOption& e) {
        throw UsageError{e.message};
    }
}

std::vector<double> offsetsOf(const Options& o) {
    return o.hasOffset ? withOptions([&] { return setoutcli::offsetList(o.offset); }) : std::vector<double>{};
}

// --format and --out of the tables; --out - is standard output.
setoutcli::TableTarget tableTargetOf(const Options& o) {
    const bool toFile = o.hasOut && o.out != STANDARD_STREAM;
    return withOptions([&] {
        return setoutcli::tableTarget(o.hasTableFormat ? &o.tableFormat : nullptr, toFile ? &o.out : nullptr);
    });
}

Outcome coordsCommand(const Options& o, std::ostream& out) {
    const std::vector<double> offsets = offsetsOf(o);
    const auto writePointRow = [&](std::ostream& os, const Alignment& al, double chainage) {
        setoutcli::writeCoordsRow(os, al, chainage, offsets);
    };
    const bool table = o.hasTable;
    if (!table && o.arguments.empty()) throw UsageError{"no chainage given"};
    std::vector<double> chainages;
    for (const std::string& text : o.arguments) chainages.push_back(numberArgument(text));
    double start = 0.0, end = 0.0, step = 0.0;
    if (table) {
        start = numberArgument(o.from);
        end = numberArgument(o.to);
        step = numberArgument(o.every);
        if (!(step > 0.0)) throw UsageError{"--every must be greater than 0"};
        if (start > end) throw UsageError{"--from must not be beyond --to"};
        if ((end - start) / step > MAX_TABLE_ROWS) throw UsageError{"the table would have too many rows"};
    }
    requireAlignment(o);

    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    const Alignment& alignment = project.alignment;
    if (!table) {
        for (double chainage : chainages) writePointRow(out, alignment, chainage);
        return Outcome::done();
    }
    // A + i·S (multiplied, not accumulated) while below B, then B itself.
    for (long i = 0;; ++i) {
        const double chainage = start + static_cast<double>(i) * step;
        if (!(chainage < end)) break;
        writePointRow(out, alignment, chainage);
    }
    writePointRow(out, alignment, end);
    return Outcome::done();
}

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

Outcome elementsCommand(const Options& o, std::ostream& out) {
    requireAlignment(o);
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    const Alignment& al = project.alignment;
    const int n = al.elemCount;
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

Outcome profileCommand(const Options& o, std::ostream& out) {
    if (!o.hasProfile && !o.hasLandXml) throw UsageError{"a profile is needed: --profile FILE or --landxml FILE"};
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    requireProfile(o, project);
    const Profile& p = project.profile;
    const int n = p.gradePointCount;
    for (int i = 1; i <= n; ++i) {
        const double g = i < n ? p.segmentGrade[i] : 0.0;
        out << i << TAB << shortestText(p.gradePointChainage[i]) << TAB << shortestText(p.gradePointElevation[i])
            << TAB << shortestText(p.curveRadius[i]) << TAB << shortestText(g) << TAB
            << shortestText(p.gradeChange[i]) << TAB << shortestText(p.tangentLength[i]) << TAB
            << shortestText(p.curveEndChainage[i]) << '\n';
    }
    return Outcome::done();
}

// The profile sheet of the profile between two stakes (the whole profile
// without them), written to a DXF file that is none of the files read.
Outcome drawingProfileCommand(const Options& o) {
    requireNotRead(o.out, {o.breaks, o.icd, o.profile, o.landxml});
    if (o.out == STANDARD_STREAM) throw UsageError{"--out must name a file"};
    if (!o.hasProfile && !o.hasLandXml) throw UsageError{"a profile is needed: --profile FILE or --landxml FILE"};
    ProfileSheetOptions sheet;
    sheet.horizontalScale = numberArgument(o.hscale);
    sheet.verticalScale = numberArgument(o.vscale);
    if (!(sheet.horizontalScale > 0 && sheet.verticalScale > 0))
        throw UsageError{"the scales must be positive: 1:" + o.hscale + " and 1:" + o.vscale};
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    requireProfile(o, project);
    if (o.hasTable) {
        StakeResult from, to;
        if (Outcome a = computeStake(project, o.from, RangeTest::Extrapolate, from); !a) return a;
        if (Outcome b = computeStake(project, o.to, RangeTest::Extrapolate, to); !b) return b;
        if (!(from.chainage < to.chainage))
            throw UsageError{"--from " + o.from + " must lie before --to " + o.to + " along the road"};
        sheet.fromChainage = from.chainage;
        sheet.toChainage = to.chainage;
    }
    writeProfileSheet(o.out, project.profile, project.breaks, sheet);
    return Outcome::done();
}

// locate --points: the point file located; with --keep-going the bad lines
// are reported on err as they are met and the command ends as a failure
// naming how many were left out.
Outcome locatePointsCommand(const Options& o, std::ostream& out, std::ostream& err) {
    if (!o.arguments.empty()) throw UsageError{"give points as arguments or --points FILE, not both"};
    requireAlignment(o);
    requireNotRead(o.out, {o.points, o.icd, o.profile, o.landxml});
    setoutcli::LocatePointsOptions lo;
    lo.pointsFile = o.points;
    lo.keepGoing = o.keepGoing;
    if (o.hasMaxOffset) {
        lo.maxOffset = numberArgument(o.maxOffset);
        if (!(lo.maxOffset >= 0.0)) throw UsageError{"--max-offset must not be negative"};
    }
    lo.target = tableTargetOf(o);
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    const std::size_t skipped = setoutcli::locatePoints(project, hasDesign(o, project), lo, out, err);
    if (skipped == 0) return Outcome::done();
    DataError left(msg::badLinesLeftOut(skipped));
    left.locate(o.points);
    return Outcome::failed(left);
}

Outcome locateCommand(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.hasPoints) return locatePointsCommand(o, out, err);
    if (o.arguments.empty()) throw UsageError{"no point given (X,Y... or --points FILE)"};
    std::vector<std::pair<double, double>> points;
    for (const std::string& text : o.arguments) points.push_back(pairArgument(text));
    requireAlignment(o);
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    for (const auto& [x, y] : points) {
        const FootOfPoint foot = locatePoint(project.alignment, project.samples, x, y);
        out << shortestText(foot.ptzh) << TAB << shortestText(foot.offsetRight()) << TAB << shortestText(foot.ptx) << TAB
            << shortestText(foot.pty) << '\n';
    }
    return Outcome::done();
}

// The continuous chainage of a --from or --to stake of the stake table.
Outcome rangeChainage(const ChainBreakTable& breaks, const std::string& stake, std::optional<double>& chainage) {
    std::string refusal;
    chainage = setoutcli::stakeChainage(breaks, stake, refusal);
    if (!chainage) return Outcome::refused(refusal, stakeDetail(stake, msg::REFUSED_BY_CHAIN_BREAKS));
    return Outcome::done();
}

Outcome tableStakesCommand(const Options& o, std::ostream& out) {
    StakeTableOptions so;
    so.every = numberArgument(o.every);
    if (!(so.every > 0.0)) throw UsageError{"--every must be greater than 0"};
    so.offsets = offsetsOf(o);
    const setoutcli::TableTarget target = tableTargetOf(o);
    requireAlignment(o);
    requireNotRead(o.out, {o.icd, o.profile, o.landxml});
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    if (o.hasRange) {
        if (Outcome f = rangeChainage(project.breaks, o.from, so.fromChainage); !f) return f;
        if (Outcome t = rangeChainage(project.breaks, o.to, so.toChainage); !t) return t;
        if (*so.fromChainage > *so.toChainage) throw UsageError{"--from must not be beyond --to"};
    }
    const bool withProfile = hasDesign(o, project);
    const Profile* profile = withProfile ? &project.profile : nullptr;
    const std::vector<StakeRow> rows = *stakeTable(project.alignment, project.breaks, profile, so);
    setoutcli::emitTable(stakeTableColumns(rows, project.breaks, so.offsets, withProfile), target, out);
    return Outcome::done();
}

Outcome tableCurvesCommand(const Options& o, std::ostream& out) {
    const setoutcli::TableTarget target = tableTargetOf(o);
    if (!o.hasProfile && !o.hasLandXml) throw UsageError{"a profile is needed: --profile FILE or --landxml FILE"};
    requireNotRead(o.out, {o.profile, o.breaks, o.icd, o.landxml});
    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    requireProfile(o, project);
    const std::vector<CurveRow> rows = verticalCurveTable(project.profile, project.breaks);
    setoutcli::emitTable(curveTableColumns(rows, project.breaks), target, out);
    return Outcome::done();
}

// The command line as the host of pick-and-annotate: the stake is computed
// at once as a single stake, the rotation is the one given.
class BatchHost : public DrawingHost {
public:
    BatchHost(const Project& project, std::string rotation) : project_(project), rotation_(std::move(rotation)) {}
    void saveSettings() override {}
    std::string rotationText() override { return rotation_; }
    Outcome compute(const std::string& stake, std::optional<AnnotationValues>& values) override {
        StakeResult r;
        Outcome outcome = computeStake(project_, stake, RangeTest::WithinProfile, r);
        if (outcome.isDone())
            values = AnnotationValues{stake, formatFixed(r.elevation, RESULT_DECIMALS),
                                      formatPercent(r.grade)};
        last = values;
        return outcome;
    }
    void activateMainWindow() override {}
    std::optional<AnnotationValues> last;

private:
    const Project& project_;
    std::string rotation_;
};

Outcome annotateCommand(const Options& o, std::ostream& out) {
    if (o.out != STANDARD_STREAM && sameFile(o.drawing, o.out)) throw UsageError{"--out must not be the input drawing"};
    requireNotRead(o.out, {o.icd, o.profile, o.landxml});
    requireAlignment(o);
    if (!o.hasProfile && !o.hasLandXml) throw UsageError{"a profile is needed: --profile FILE or --landxml FILE"};
    std::vector<std::pair<CadPoint, CadPoint>> picks;
    for (const std::string& text : o.arguments) {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) throw UsageError{"a pick is PX,PY:IX,IY: " + text};
        const auto [px, py] = pairArgument(text.substr(0, colon));
        const auto [ix, iy] = pairArgument(text.substr(colon + 1));
        picks.push_back({{px, py, 0.0}, {ix, iy, 0.0}});
    }

    Project project;
    if (Outcome loaded = loadProject(o, project); !loaded) return loaded;
    requireProfile(o, project);
    auto drawing = std::make_shared<Drawing>(readDrawing(o.drawing));
    BatchCad cad(drawing);
    BatchHost host(project, o.rotation);
    std::string lines;
    for (const auto& [pick, insertion] : picks) {
        cad.screen().points = {pick, insertion};
        host.last.reset();
        if (Outcome picked = pickAndAnnotate(project, cad, host); !picked) return picked;
        if (!host.last) return Outcome::failed(DataError(msg::ANNOTATION_NOT_ADDED));
        lines += host.last->stake + TAB + host.last->elevation + TAB + host.last->grade + '\n';
    }
    // The values are printed once the drawing holding them is saved.
    if (o.out == STANDARD_STREAM) {
        out << savedDrawingBytes(*drawing);
        return Outcome::done();
    }
    saveDrawing(*drawing, o.out);
    out << lines;
    return Outcome::done();
}

Outcome labelsCommand(const Options& o, std::ostream& out) {
    const Drawing drawing = readDrawing(o.drawing);
    forEachStakeLabel(drawing, 1, {}, [&](const StakeLabel& label) { out << labelLine(label) << '\n'; });
    return Outcome::done();
}

// landxml list: one line per alignment of the file.
Outcome landXmlListCommand(const Options& o, std::ostream& out) {
    out << formatLandXmlList(listLandXml(o.landxml));
    return Outcome::done();
}

// landxml export: the ICD alignment, its chain breaks (read with the
// alignment; the profile's lettered stakes read through them) and the
// profile, written as LandXML 1.2.
Outcome landXmlExportCommand(const Options& o, std::ostream& out) {
    requireNotRead(o.out, {o.icd, o.profile, o.breaks});
    Project project;
    project.pi = computePi();
    loadAlignment(project, o.icd);
    if (o.hasBreaks) readChainBreakFile(o.breaks, project.breaks);
    if (Outcome loaded = loadProfile(project, o.profile); !loaded) return loaded;
    const LandXmlExport data{o.name, &project.alignment, &project.breaks, &project.profile};
    if (o.out == STANDARD_STREAM)
        out << landXmlText(data);
    else
        writeLandXml(o.out, data);
    return Outcome::done();
}

// The exit code of an outcome; a refusal or failure puts its message and
// detail on err.
int exitCodeOf(const Outcome& outcome, std::ostream& out, std::ostream& err) {
    if (outcome.kind == OutcomeKind::Done) return EXIT_OK;
    out.flush();
    switch (outcome.kind) {
        case OutcomeKind::Refused:
            err << outcome.message << '\n' << outcome.detail << '\n';
            return EXIT_REFUSED;
        case OutcomeKind::Cancelled:
            err << CANCELLED_TEXT << '\n' << msg::COMMAND_CANCELLED << '\n';
            return EXIT_FAILURE_DATA;
        default:
            err << outcome.message << '\n' << outcome.detail << '\n';
            return outcome.failure == FailureKind::Internal ? EXIT_INTERNAL : EXIT_FAILURE_DATA;
    }
}

// The command line: every command with its options, each written once.
class CommandLine {
public:
    CommandLine() : app_(MAIN_DESCRIPTION, PROGRAM) {
        app_.formatter(std::make_shared<HelpFormatter>());
        app_.footer(std::string("Add --help after a command for its options. A FILE of - is standard input for\n"
                                "--stakes and standard output for --out.\n") +
                    EXIT_CODES_TEXT);
        app_.require_subcommand(1);

        CLI::App* chainage = command("chainage", "Prints per stake its qualified text (with the stretch letter) "
                                                 "and its chainage.");
        landXmlOptions(chainage, breaksOption(chainage));
        arguments(chainage, "STAKE", "STAKE", "stake texts, such as 2200 or B2320")->required();

        CLI::App* stake = command("stake", "Prints per chainage its stake text.");
        landXmlOptions(stake, breaksOption(stake));
        arguments(stake, "CHAINAGE", "CHAINAGE", "chainages in metres")->required();

        CLI::App* compute = command(
            "compute",
            "Prints STAKE, ELEVATION and GRADE % per stake, as the window computes them. Stakes as arguments\n"
            "are checked against the profile's range; a stake file is not (its stakes are extrapolated)\n"
            "and is written in the result-file layout (table) or as tsv.");
        profileOption(compute);
        alignmentOptions(compute);
        compute->add_option("--format", options_.format,
                            "table: the result-file layout (single stakes as STAKE, ELEVATION, GRADE %); "
                            "tsv: stake, chainage, elevation and grade (a ratio) in full precision")
            ->type_name("table|tsv")
            ->check(CLI::IsMember({"table", "tsv"}).description(""));
        CLI::Option* stakes =
            compute->add_option("--stakes", options_.stakes, "a stake file, one stake per line (- reads stdin)")
                ->type_name("FILE");
        compute->add_option("--out", options_.out, "the result file of --stakes (- or none: stdout)")
            ->type_name("FILE")
            ->needs(stakes);
        arguments(compute, "STAKE", "STAKE", "stake texts (or --stakes FILE)")->excludes(stakes);

        CLI::App* coords = command("coords", "Prints CHAINAGE, X (north), Y (east) and BEARING (radians) of the "
                                             "alignment at each chainage, or every S metres from A to B.");
        landXmlOptions(coords, icdOption(coords));
        offsetOption(coords);
        CLI::Option* from = coords->add_option("--from", options_.from, "first chainage of the table (m)")
                                ->type_name("A");
        CLI::Option* to = coords->add_option("--to", options_.to, "last chainage of the table (m)")->type_name("B");
        CLI::Option* every =
            coords->add_option("--every", options_.every, "step of the table (m, > 0)")->type_name("S");
        from->needs(to)->needs(every);
        to->needs(from)->needs(every);
        every->needs(from)->needs(to);
        arguments(coords, "CHAINAGE", "CHAINAGE", "chainages in metres (or --from, --to and --every)")->excludes(from);

        CLI::App* elements = command("elements", "Prints the start of every element of the prepared chain (i, kind, "
                                                 "chainage, X, Y, bearing, radii, length), then the end of the "
                                                 "alignment.");
        landXmlOptions(elements, icdOption(elements));

        CLI::App* profile = command("profile", "Prints the prepared grade points: i K H R g w T E.");
        profileOption(profile);
        alignmentOptions(profile);

        CLI::App* locate = command(
            "locate",
            "Prints CHAINAGE, OFFSET (positive right), FOOT_X and FOOT_Y of each point (X north, Y east).\n"
            "With --points, a file of NAME X Y [Z] lines (blanks, tabs or commas; # comments; UTF-8 or\n"
            "GB18030), prints NAME STAKE CHAINAGE OFFSET ELEVATION GRADE DZ NOTE per point: OFFSET positive\n"
            "to the right (as coords --offset), ELEVATION and GRADE (a ratio in tsv) with a profile,\n"
            "DZ = Z - ELEVATION, NOTE before-start, beyond-end or far (|OFFSET| > M). A bad line fails with\n"
            "its line number; --keep-going reports it on stderr, goes on and ends with exit code 2.");
        landXmlOptions(locate, icdOption(locate));
        CLI::Option* points =
            locate->add_option("--points", options_.points, "a file of surveyed points NAME X Y [Z]")->type_name("FILE");
        profileOption(locate)->needs(points);
        locate->add_option("--max-offset", options_.maxOffset, "offset beyond which a point is far (m, default 100)")
            ->type_name("M")
            ->needs(points);
        locate->add_flag("--keep-going", options_.keepGoing, "report a bad line on stderr and go on")->needs(points);
        tableOutputOptions(locate, "the located points")->needs(points);
        arguments(locate, "POINT", "X,Y", "surveyed points (or --points FILE)")->excludes(points);

        CLI::App* table = command("table", "The tables handed over: table stakes (逐桩坐标表), table curves (竖曲线表).");
        table->require_subcommand(1);
        CLI::App* stakesTable = subcommand(
            table, "stakes",
            "逐桩坐标表: a row for every stake that is a multiple of S in its stretch's numbering, every main\n"
            "point (QD ZH HY QZ YH HZ ZY YZ GQ, HH spiral to spiral, ZD) and both sides of every chain break,\n"
            "in chainage order: 桩号 里程 X Y 方位角, X and Y per offset, 设计高程 纵坡 with a profile, 主点.\n"
            "tsv: exact numbers, grades as ratios, bearings in radians, no header; csv: UTF-8 with BOM,\n"
            "CR LF, the Chinese header, usual decimals; xlsx: the same header, full numbers (needs --out).");
        landXmlOptions(stakesTable, icdOption(stakesTable));
        profileOption(stakesTable);
        stakesTable->add_option("--every", options_.every, "interval of the stakes (m, > 0)")->type_name("S")->required();
        offsetOption(stakesTable);
        CLI::Option* fromStake =
            stakesTable->add_option("--from", options_.from, "first stake of the range")->type_name("STAKE");
        CLI::Option* toStake = stakesTable->add_option("--to", options_.to, "last stake of the range")->type_name("STAKE");
        fromStake->needs(toStake);
        toStake->needs(fromStake);
        tableOutputOptions(stakesTable, "the table");
        CLI::App* curvesTable = subcommand(
            table, "curves",
            "竖曲线表: per grade point 序号 桩号 里程 高程 R T E(=T²/2R) 进坡 出坡 起点桩号 终点桩号 凹凸 坡长\n"
            "(horizontal length to the next grade point); formats as for table stakes.");
        profileOption(curvesTable);
        alignmentOptions(curvesTable);
        tableOutputOptions(curvesTable, "the table");

        CLI::App* annotate = command(
            "annotate",
            "Per pick point PX,PY and insertion point IX,IY (drawing coordinates, x east, y north) adds the\n"
            "annotation of stake, elevation and grade as the window would, writes OUT.dxf (never one of the\n"
            "files read) and then prints STAKE, ELEVATION, GRADE % per pick (not with --out -).");
        landXmlOptions(annotate, icdOption(annotate));
        profileOption(annotate);
        drawingOption(annotate)->required();
        annotate->add_option("--out", options_.out, "the annotated drawing (- for stdout)")
            ->type_name("OUT.dxf")
            ->required();
        annotate->add_option("--rotation", options_.rotation, "rotation of the annotations in degrees (default 0)")
            ->type_name("DEG");
        arguments(annotate, "PICK", "PX,PY:IX,IY", "pick point and insertion point")->required();

        CLI::App* labels = command("labels", "Prints every stake label of model space in drawing order (TEXT, MTEXT,\n"
                                             "attributes, texts of inserted blocks, Gradix's annotations): its text\n"
                                             "without codes, then its stake as the stake field takes it.");
        drawingOption(labels)->required();

        CLI::App* landxml = command("landxml", "LandXML files: the alignments they hold, and a project written as one.");
        landxml->require_subcommand(1);
        CLI::App* list = landxml->add_subcommand(
            "list", "Prints one line per alignment: NAME, STA_START, LENGTH, ELEMENTS, EQUATIONS and PROFILES "
                    "(names joined by |), tab-separated.");
        list->footer(EXIT_CODES_TEXT);
        list->add_option("FILE", options_.landxml, "the LandXML file")->type_name("FILE")->required();
        CLI::App* exporting = landxml->add_subcommand(
            "export", "Writes the ICD alignment, its chain breaks as StaEquations and the profile as LandXML 1.2\n"
                      "(metric, radians, points north east); with --breaks the profile's lettered stakes are read\n"
                      "through the chain breaks.");
        exporting->footer(EXIT_CODES_TEXT);
        icdOption(exporting)->required();
        profileOption(exporting)->required();
        breaksOption(exporting);
        exporting->add_option("--name", options_.name, "the name of the alignment and its profile")
            ->type_name("NAME")
            ->required();
        exporting->add_option("--out", options_.out, "the LandXML file written (- for stdout)")
            ->type_name("FILE.xml")
            ->required();
        CLI::App* drawing = command("drawing", "Writes a drawing made from the project.");
        drawing->require_subcommand(1);
        CLI::App* sheet = drawing->add_subcommand(
            "profile",
            "Writes the longitudinal profile sheet (纵断面图) as a DXF drawing (AutoCAD 2018, UTF-8), in\n"
            "millimetres of paper: grid, design line, vertical-curve labels, bands of grades and slope\n"
            "lengths and of stakes, chain-break notes, and the origin and scales written on the sheet.");
        sheet->footer(EXIT_CODES_TEXT);
        profileOption(sheet);
        alignmentOptions(sheet);
        sheet->add_option("--out", options_.out, "the sheet written (never one of the files read)")
            ->type_name("FILE.dxf")
            ->required();
        sheet->add_option("--hscale", options_.hscale, "horizontal scale 1:N (default 2000)")->type_name("N");
        sheet->add_option("--vscale", options_.vscale, "vertical scale 1:N (default 200)")->type_name("N");
        CLI::Option* sheetFrom =
            sheet->add_option("--from", options_.from, "first stake of the sheet (default: the profile's start)")
                ->type_name("STAKE");
        CLI::Option* sheetTo =
            sheet->add_option("--to", options_.to, "last stake of the sheet (default: the profile's end)")
                ->type_name("STAKE");
        sheetFrom->needs(sheetTo);
        sheetTo->needs(sheetFrom);
        checkcli::addCommands(checks_, [this](const char* n, const char* d) { return command(n, d); });
    }

    checkcli::CheckOptions& checks() { return checks_; }

    CLI::App& app() { return app_; }
    Options& options() { return options_; }
    CLI::App* find(const std::string& name) {
        for (CLI::App* sub : app_.get_subcommands({}))
            if (sub->get_name() == name) return sub;
        return nullptr;
    }
    // The command that was given: name, or the subcommand of name given after it.
    CLI::App& innermost(const std::string& name) {
        CLI::App* command = find(name);
        for (CLI::App* sub : command->get_subcommands({}))
            if (sub->parsed()) return *sub;
        return *command;
    }

private:
    CLI::App* command(const char* name, const char* description) { return subcommand(&app_, name, description); }
    CLI::App* subcommand(CLI::App* parent, const char* name, const char* description) {
        CLI::App* sub = parent->add_subcommand(name, description);
        sub->formatter(app_.get_formatter());
        sub->footer(EXIT_CODES_TEXT);
        return sub;
    }
    CLI::Option* offsetOption(CLI::App* sub) {
        return sub->add_option("--offset", options_.offset,
                               "side stakes: metres to the right of increasing chainage (negative: left)")
            ->type_name("D[,D...]");
    }
    // --format tsv|csv|xlsx and --out FILE of a table; answers --format.
    CLI::Option* tableOutputOptions(CLI::App* sub, const char* what) {
        CLI::Option* format = sub->add_option("--format", options_.tableFormat,
                                              std::string("tsv (default), csv or xlsx (needs --out) for ") + what)
                                  ->type_name("tsv|csv|xlsx")
                                  ->check(CLI::IsMember({"tsv", "csv", "xlsx"}).description(""));
        sub->add_option("--out", options_.out, std::string("the file of ") + what + " (- or none: stdout)")
            ->type_name("FILE");
        return format;
    }
    // The arguments after the options; shown as form, such as STAKE or X,Y.
    CLI::Option* arguments(CLI::App* sub, const char* name, const char* form, const char* description) {
        return sub->add_option(name, options_.arguments, description)->type_name(form);
    }
    CLI::Option* breaksOption(CLI::App* sub) {
        return sub->add_option("--breaks", options_.breaks, "the chain-break file")->type_name("FILE");
    }
    CLI::Option* icdOption(CLI::App* sub) {
        return sub->add_option("--icd", options_.icd, "the ICD alignment file (chain breaks off)")->type_name("FILE");
    }
    CLI::Option* profileOption(CLI::App* sub) {
        return sub->add_option("--profile", options_.profile, "the profile file")->type_name("FILE");
    }
    CLI::Option* drawingOption(CLI::App* sub) {
        return sub->add_option("--drawing", options_.drawing, "the DXF drawing read")->type_name("IN.dxf");
    }
    // --landxml beside the alignment option given (--icd or --breaks, which
    // it excludes), with --alignment and --profile-name, which need it.
    CLI::Option* landXmlOptions(CLI::App* sub, CLI::Option* excluded) {
        CLI::Option* file = sub->add_option("--landxml", options_.landxml,
                                            "a LandXML file: alignment, station equations and profile")
                                ->type_name("FILE")
                                ->excludes(excluded);
        sub->add_option("--alignment", options_.alignment, "the alignment of --landxml (default the first)")
            ->type_name("NAME")
            ->needs(file);
        sub->add_option("--profile-name", options_.profileName,
                        "the ProfAlign of that alignment (default its first)")
            ->type_name("NAME")
            ->needs(file);
        return file;
    }
    void alignmentOptions(CLI::App* sub) {
        CLI::Option* icd = icdOption(sub);
        breaksOption(sub)->excludes(icd)->excludes(landXmlOptions(sub, icd));
    }

    CLI::App app_;
    Options options_;
    checkcli::CheckOptions checks_;
};

// The short usage of a usage error: the command's usage line and where the
// whole help is.
std::string shortUsage(const CLI::App& command) {
    HelpFormatter formatter;
    return formatter.make_usage(&command, "") + "(" + PROGRAM + commandPath(&command) + " --help for the whole help)\n";
}

// The deepest command given on the line (landxml list), whose help is asked.
const CLI::App* helpedCommand(const CLI::App& command) {
    for (const CLI::App* sub : command.get_subcommands({}))
        if (sub->parsed()) return helpedCommand(*sub);
    return &command;
}

Outcome runCommand(const std::string& name, CommandLine& line, std::istream& in, std::ostream& out,
                   std::ostream& err, std::string& notes) {
    Options& o = line.options();
    o.notes = &notes;
    const CLI::App& sub = line.innermost(name);
    const auto given = [&sub](const char* option) {
        const CLI::Option* opt = sub.get_option_no_throw(option);
        return opt && opt->count() > 0;
    };
    o.hasBreaks = given("--breaks");
    o.hasIcd = given("--icd");
    o.hasProfile = given("--profile");
    o.hasStakes = given("--stakes");
    o.hasOut = given("--out");
    o.hasTable = given("--from");
    o.hasLandXml = given("--landxml");
    if (checkcli::isCheckCommand(name)) try {
            return checkcli::run(sub, line.checks(), out, err);
        } catch (const checkcli::UsageMistake& e) {
            throw UsageError{e.message};
        }
    if (name == "landxml") {
        // sub is the innermost command given: list or export.
        if (sub.get_name() == "list") return landXmlListCommand(o, out);
        if (sub.get_name() == "export") {
            o.hasBreaks = sub.get_option("--breaks")->count() > 0;
            return landXmlExportCommand(o, out);
        }
        throw UsageError{"landxml needs list or export"};
    }
    o.hasRange = given("--from");
    o.hasOffset = given("--offset");
    o.hasPoints = given("--points");
    o.hasMaxOffset = given("--max-offset");
    o.hasTableFormat = given("--format");
    if (name == "chainage") return chainageCommand(o, out);
    if (name == "stake") return stakeCommand(o, out);
    if (name == "compute") return computeCommand(o, in, out);
    if (name == "coords") return coordsCommand(o, out);
    if (name == "elements") return elementsCommand(o, out);
    if (name == "profile") return profileCommand(o, out);
    if (name == "locate") return locateCommand(o, out, err);
    if (name == "table") return sub.get_name() == "stakes" ? tableStakesCommand(o, out) : tableCurvesCommand(o, out);
    if (name == "annotate") return annotateCommand(o, out);
    if (name == "drawing") return drawingProfileCommand(o);
    return labelsCommand(o, out);
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    CommandLine line;
    if (args.empty()) {
        err << line.app().help();
        return EXIT_USAGE;
    }
    const std::string& name = args.front();
    if (name == "--version") {
        out << VERSION_TEXT << '\n';
        return EXIT_OK;
    }
    if (name == "--help" || name == "-h") {
        out << line.app().help();
        return EXIT_OK;
    }
    CLI::App* command = line.find(name);
    if (!command) {
        err << PROGRAM << ": unknown command " << name << '\n' << line.app().help();
        return EXIT_USAGE;
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        line.app().parse(reversed);
        std::string notes;
        int code = exitCodeOf(runTrapped([&] { return runCommand(name, line, in, out, err, notes); }), out, err);
        if (code == EXIT_OK && line.checks().faultFound) code = EXIT_FINDINGS;
        err << notes;
        return code;
    } catch (const CLI::CallForHelp&) {
        out << line.innermost(name).help();
        return EXIT_OK;
    } catch (const CLI::ParseError& e) {
        err << PROGRAM << commandPath(&line.innermost(name)) << ": " << e.what() << '\n'
            << shortUsage(line.innermost(name));
        return EXIT_USAGE;
    } catch (const UsageError& e) {
        err << PROGRAM << commandPath(&line.innermost(name)) << ": " << e.message << '\n'
            << shortUsage(line.innermost(name));
        return EXIT_USAGE;
    }
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCli(args, std::cin, out, err);
}

}  // namespace gradix
