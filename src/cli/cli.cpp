#include "cli/cli.h"
#include "gradix/version.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "cadmodel/batchcad.h"
#include "cli/setoutcli.h"
#include "setout/curvestable.h"
#include "setout/stakestable.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfwriter.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "commands/labels.h"
#include "commands/project.h"
#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

const std::string VERSION_TEXT = std::string("gradix-cli ") + GRADIX_VERSION;
constexpr char TAB = '\t';
constexpr int RESULT_DECIMALS = 4;  // "0.0000"
constexpr double PERCENT = 100.0;
// More rows than this in one coordinate table is taken for a typing mistake.
constexpr double MAX_TABLE_ROWS = 1e8;

constexpr const char* MAIN_USAGE =
    "usage: gradix-cli COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Design elevation and tangent grade at a stake, from the terminal.\n"
    "\n"
    "commands:\n"
    "  chainage  [--breaks FILE] STAKE...           stake text to chainage\n"
    "  stake     [--breaks FILE] CHAINAGE...        chainage to stake text\n"
    "  compute   --profile FILE [--breaks FILE | --icd FILE] [--format table|tsv]\n"
    "            (STAKE... | --stakes FILE [--out FILE])  elevation and grade\n"
    "  coords    --icd FILE [--offset D,...] (CHAINAGE... | --from A --to B --every S)\n"
    "                                               points of the alignment and side stakes\n"
    "  elements  --icd FILE                         the prepared element chain\n"
    "  profile   --profile FILE [--breaks FILE | --icd FILE]  the prepared grade points\n"
    "  locate    --icd FILE X,Y...                  chainage and offset of surveyed points\n"
    "  locate    --icd FILE --points FILE [--profile FILE] [--max-offset M] [--keep-going]\n"
    "            [--format tsv|csv|xlsx] [--out FILE]  stake, offset and design of a point file\n"
    "  table stakes --icd FILE [--profile FILE] --every S [--offset D,...] [--from STAKE --to STAKE]\n"
    "            [--format tsv|csv|xlsx] [--out FILE]  逐桩坐标表\n"
    "  table curves --profile FILE [--breaks FILE | --icd FILE] [--format tsv|csv|xlsx] [--out FILE]\n"
    "                                               竖曲线表\n"
    "  annotate  --icd FILE --profile FILE --drawing IN.dxf --out OUT.dxf [--rotation DEG]\n"
    "            PX,PY:IX,IY...                     annotate picked points in a drawing\n"
    "  labels    --drawing IN.dxf                   the stake labels of a drawing, reduced\n"
    "\n"
    "options: --help (also after a command), --version\n"
    "exit codes: 0 done, 1 stake refused, 2 file or format failure, 64 usage error\n";

const std::map<std::string, std::string>& commandUsage() {
    static const std::map<std::string, std::string> usage{
        {"chainage",
         "usage: gradix-cli chainage [--breaks FILE] STAKE...\n"
         "Prints per stake its qualified text (with the stretch letter) and its chainage.\n"},
        {"stake",
         "usage: gradix-cli stake [--breaks FILE] CHAINAGE...\n"
         "Prints per chainage its stake text.\n"},
        {"compute",
         "usage: gradix-cli compute --profile FILE [--breaks FILE | --icd FILE] [--format table|tsv]\n"
         "                          (STAKE... | --stakes FILE [--out FILE])\n"
         "Stakes as arguments are checked against the profile's range; a stake file is not (its\n"
         "stakes are extrapolated) and is written in the result-file layout (table) or as tsv.\n"},
        {"coords",
         "usage: gradix-cli coords --icd FILE [--offset D[,D...]] (CHAINAGE... | --from A --to B --every S)\n"
         "Prints CHAINAGE, X (north), Y (east) and BEARING (radians) of the alignment, and X and Y\n"
         "of a side stake D metres to the right (negative: left) per offset, in the order given.\n"},
        {"elements",
         "usage: gradix-cli elements --icd FILE\n"
         "Prints the start of every element of the prepared chain, then the end of the alignment.\n"},
        {"profile",
         "usage: gradix-cli profile --profile FILE [--breaks FILE | --icd FILE]\n"
         "Prints the prepared grade points: i K H R g w T E.\n"},
        {"locate",
         "usage: gradix-cli locate --icd FILE X,Y...\n"
         "       gradix-cli locate --icd FILE --points FILE [--profile FILE] [--max-offset M] [--keep-going]\n"
         "                         [--format tsv|csv|xlsx] [--out FILE]\n"
         "Prints CHAINAGE, OFFSET (positive left), FOOT_X and FOOT_Y of each point (X north, Y east).\n"
         "With --points, a file of NAME X Y [Z] lines (blanks, tabs or commas; # comments), prints\n"
         "NAME STAKE CHAINAGE OFFSET ELEVATION GRADE DZ NOTE per point: OFFSET positive to the right\n"
         "(as coords --offset), ELEVATION and GRADE (ratio) with a profile, DZ = Z - ELEVATION, NOTE\n"
         "before-start, beyond-end or far (|OFFSET| > M, default 100). A bad line fails with its line\n"
         "number; --keep-going reports it on stderr, goes on and ends with exit code 2.\n"},
        {"table",
         "usage: gradix-cli table stakes --icd FILE [--profile FILE] --every S [--offset D,...]\n"
         "                               [--from STAKE --to STAKE] [--format tsv|csv|xlsx] [--out FILE]\n"
         "       gradix-cli table curves --profile FILE [--breaks FILE | --icd FILE]\n"
         "                               [--format tsv|csv|xlsx] [--out FILE]\n"
         "stakes (逐桩坐标表): a row for every stake that is a multiple of S in its stretch, every main\n"
         "point (QD ZH HY QZ YH HZ ZY YZ GQ, HH spiral to spiral, ZD) and both sides of every chain\n"
         "break: 桩号 里程 X Y 方位角, X Y per offset, 设计高程 纵坡 with a profile, 主点.\n"
         "curves (竖曲线表): per grade point 序号 桩号 里程 高程 R T E 进坡 出坡 起点 终点 凹凸 坡长.\n"
         "tsv: exact numbers, grades as ratios, bearings in radians, no header; csv: UTF-8 with BOM,\n"
         "CR LF, Chinese header, usual decimals; xlsx: the same header, full numbers (needs --out).\n"},
        {"annotate",
         "usage: gradix-cli annotate --icd FILE --profile FILE --drawing IN.dxf --out OUT.dxf\n"
         "                           [--rotation DEG] PX,PY:IX,IY...\n"
         "Per pick point PX,PY and insertion point IX,IY (drawing coordinates) adds the annotation\n"
         "of stake, elevation and grade as the window would, prints STAKE, ELEVATION, GRADE %,\n"
         "and writes OUT.dxf (never the input drawing).\n"},
        {"labels",
         "usage: gradix-cli labels --drawing IN.dxf\n"
         "Prints every TEXT and MTEXT of model space in drawing order: TEXT, then its stake number.\n"},
    };
    return usage;
}

// A usage error: the message goes to stderr with the command's usage text.
struct UsageError {
    std::string message;
};

// A stake refused by the program's own checks.
struct StakeRefusal {
    std::string message;
    std::string detail;
};

// Messages are kept until the command decides how it ends; there are no
// dialogs to show, so a command that asks for a file is cancelled.
class CliMessages : public UserInterface {
public:
    void activateMainWindow() override {}
    void showMessage(const std::string&, const std::string& text) override { last = text; }
    std::string openFile(const FileDialogSpec&) override { return ""; }
    std::string saveFile(const FileDialogSpec&) override { return ""; }
    void showError(const std::string&, const std::string& text, const std::string& detail) override {
        errorText = text;
        errorDetail = detail;
    }
    void setClipboard(const std::string&) override {}
    std::string last;
    std::string errorText;
    std::string errorDetail;
};

// The parsed command line of one subcommand.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;

    const std::string* option(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? nullptr : &it->second;
    }
};

// Options that take no value.
bool isFlag(const std::string& option) { return option == "--keep-going"; }

Arguments parseArguments(const std::vector<std::string>& args, std::size_t first,
                         const std::vector<std::string>& valueOptions) {
    Arguments parsed;
    bool onlyPositional = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        bool known = false;
        for (const std::string& name : valueOptions) known = known || name == a;
        if (!known) throw UsageError{"unknown option " + a};
        if (isFlag(a)) {
            if (parsed.options.count(a)) throw UsageError{"option " + a + " given twice"};
            parsed.options[a] = "";
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError{"missing argument after " + a};
        if (parsed.options.count(a)) throw UsageError{"option " + a + " given twice"};
        parsed.options[a] = args[++i];
    }
    return parsed;
}

double numberArgument(const std::string& text) {
    const std::optional<double> v = parseStrictNumber(text);
    if (!v) throw UsageError{"not a number: " + text};
    return *v;
}

// Loads the data files in the window's order: chain breaks or ICD first,
// then the profile. --icd switches chain breaks off.
class ProjectLoader {
public:
    explicit ProjectLoader(const Arguments& a) : args_(a) { project_.pi = computePi(); }

    Project& load(bool needProfile, bool needIcd) {
        const std::string* breaks = args_.option("--breaks");
        const std::string* icd = args_.option("--icd");
        const std::string* profile = args_.option("--profile");
        if (breaks && icd) throw UsageError{"--breaks and --icd exclude each other"};
        if (needIcd && !icd) throw UsageError{"missing --icd FILE"};
        if (needProfile && !profile) throw UsageError{"missing --profile FILE"};
        if (icd) {
            project_.icdFileName = *icd;
            dqicd(*icd, project_.alignment, project_.breaks, project_.pi);
            buildSampleTable(project_.alignment, project_.samples);
        } else if (breaks) {
            readChainBreakFile(*breaks, project_.breaks);
        }
        if (profile &&
            readProfileFile(*profile, project_.breaks, messages_, project_.profile) == ProfileRead::StakeRefused) {
            throw StakeRefusal{messages_.last, *profile + ", line " +
                                                   std::to_string(project_.profile.gradePointCount + 1) +
                                                   ": the stake of this grade point is refused"};
        }
        return project_;
    }

    CliMessages& messages() { return messages_; }

private:
    const Arguments& args_;
    Project project_;
    CliMessages messages_;
};

std::string qualifyOrRefuse(Project& project, CliMessages& messages, const std::string& stake) {
    const std::string qualified = zh_dlstr(project.breaks, stake, messages, project.stakeAccepted);
    if (project.stakeAccepted == 0)
        throw StakeRefusal{messages.last, "stake \"" + stake + "\": refused by the chain-break table"};
    return qualified;
}

int chainageCommand(const Arguments& a, std::ostream& out) {
    ProjectLoader loader(a);
    Project& project = loader.load(false, false);
    if (a.positional.empty()) throw UsageError{"no stake given"};
    for (const std::string& stake : a.positional) {
        const std::string qualified = qualifyOrRefuse(project, loader.messages(), stake);
        out << qualified << TAB << shortestText(dlstr_sj(project.breaks, qualified)) << '\n';
    }
    return EXIT_OK;
}

int stakeCommand(const Arguments& a, std::ostream& out) {
    if (a.positional.empty()) throw UsageError{"no chainage given"};
    std::vector<double> chainages;
    for (const std::string& text : a.positional) chainages.push_back(numberArgument(text));
    ProjectLoader loader(a);
    Project& project = loader.load(false, false);
    for (double chainage : chainages) out << sj_dlstr_11(project.breaks, chainage) << '\n';
    return EXIT_OK;
}

void writeTsvRow(std::ostream& out, const StakeResult& r) {
    out << r.stake << TAB << shortestText(r.chainage) << TAB << shortestText(r.elevation) << TAB
        << shortestText(r.grade) << '\n';
}

int computeCommand(const Arguments& a, std::ostream& out) {
    const std::string* format = a.option("--format");
    const bool tsv = format && *format == "tsv";
    if (format && !tsv && *format != "table") throw UsageError{"--format is table or tsv"};
    const std::string* stakesFile = a.option("--stakes");
    const std::string* outFile = a.option("--out");
    if (stakesFile && !a.positional.empty()) throw UsageError{"give stakes as arguments or --stakes FILE, not both"};
    if (!stakesFile && a.positional.empty()) throw UsageError{"no stake given"};
    if (outFile && !stakesFile) throw UsageError{"--out goes with --stakes"};

    ProjectLoader loader(a);
    Project& project = loader.load(true, false);

    if (!stakesFile) {
        // Single-stake mode, one argument after the other, as Text1 would hold it.
        const Profile& profile = project.profile;
        for (const std::string& typed : a.positional) {
            const std::string qualified = qualifyOrRefuse(project, loader.messages(), typed);
            const double chainage = dlstr_sj(project.breaks, qualified);
            const int n = profile.gradePointCount;
            if (!(profile.gradePointChainage[1] <= chainage && chainage <= profile.gradePointChainage[n]))
                throw StakeRefusal{outOfProfileMessage(trimBlanks(typed)),
                                   "stake \"" + typed + "\": chainage " + shortestText(chainage) +
                                       " lies outside the profile " + shortestText(profile.gradePointChainage[1]) +
                                       " to " + shortestText(profile.gradePointChainage[n])};
            const DesignPoint design = DesignAt(profile, chainage);
            if (tsv)
                writeTsvRow(out, {typed, chainage, design.elevation, design.grade});
            else
                out << typed << TAB << formatFixed(design.elevation, RESULT_DECIMALS) << TAB
                    << formatFixed(PERCENT * design.grade, RESULT_DECIMALS) << '\n';
        }
        return EXIT_OK;
    }

    // Stake-file mode: no range test; a refused stake writes nothing.
    std::vector<StakeResult> results;
    const std::vector<std::string> stakes = readStakeFile(*stakesFile);
    try {
        if (!evaluateStakes(project, stakes, loader.messages(), results))
            throw StakeRefusal{loader.messages().last, *stakesFile + ", line " +
                                                           std::to_string(results.size() + 1) +
                                                           ": the stake is refused by the chain-break table"};
    } catch (GradixError& e) {
        e.locate(*stakesFile, static_cast<long>(results.size()) + 1);
        throw;
    }
    std::string text;
    if (tsv) {
        std::ostringstream rows;
        for (const StakeResult& r : results) writeTsvRow(rows, r);
        text = rows.str();
    } else {
        text = resultFileText(results);
    }
    if (outFile)
        writeFileAtomically(*outFile, text);
    else
        out << text;
    return EXIT_OK;
}

// Runs a setting-out function, turning its option mistakes into usage errors.
template <class F>
auto withOptions(F&& run) {
    try {
        return run();
    } catch (const setoutcli::BadOption& e) {
        throw UsageError{e.message};
    }
}

std::vector<double> offsetsArgument(const Arguments& a) {
    const std::string* text = a.option("--offset");
    return text ? withOptions([&] { return setoutcli::offsetList(*text); }) : std::vector<double>{};
}

setoutcli::TableTarget targetArgument(const Arguments& a) {
    return withOptions([&] { return setoutcli::tableTarget(a.option("--format"), a.option("--out")); });
}

int coordsCommand(const Arguments& a, std::ostream& out) {
    const std::vector<double> offsets = offsetsArgument(a);
    const auto writePointRow = [&](std::ostream& o, const Alignment& al, double chainage) {
        setoutcli::writeCoordsRow(o, al, chainage, offsets);
    };
    const std::string* from = a.option("--from");
    const std::string* to = a.option("--to");
    const std::string* every = a.option("--every");
    const bool table = from || to || every;
    if (table && !(from && to && every)) throw UsageError{"--from, --to and --every go together"};
    if (table && !a.positional.empty()) throw UsageError{"give chainages or a table, not both"};
    if (!table && a.positional.empty()) throw UsageError{"no chainage given"};
    std::vector<double> chainages;
    for (const std::string& text : a.positional) chainages.push_back(numberArgument(text));
    double start = 0.0, end = 0.0, step = 0.0;
    if (table) {
        start = numberArgument(*from);
        end = numberArgument(*to);
        step = numberArgument(*every);
        if (!(step > 0.0)) throw UsageError{"--every must be greater than 0"};
        if (start > end) throw UsageError{"--from must not be beyond --to"};
        if ((end - start) / step > MAX_TABLE_ROWS) throw UsageError{"the table would have too many rows"};
    }

    ProjectLoader loader(a);
    const Alignment& alignment = loader.load(false, true).alignment;
    if (!table) {
        for (double chainage : chainages) writePointRow(out, alignment, chainage);
        return EXIT_OK;
    }
    // A + i·S (multiplied, not accumulated) while below B, then B itself.
    for (long i = 0;; ++i) {
        const double chainage = start + static_cast<double>(i) * step;
        if (!(chainage < end)) break;
        writePointRow(out, alignment, chainage);
    }
    writePointRow(out, alignment, end);
    return EXIT_OK;
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

int elementsCommand(const Arguments& a, std::ostream& out) {
    if (!a.positional.empty()) throw UsageError{"unexpected argument " + a.positional.front()};
    ProjectLoader loader(a);
    const Alignment& al = loader.load(false, true).alignment;
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
    return EXIT_OK;
}

int profileCommand(const Arguments& a, std::ostream& out) {
    if (!a.positional.empty()) throw UsageError{"unexpected argument " + a.positional.front()};
    ProjectLoader loader(a);
    const Profile& p = loader.load(true, false).profile;
    const int n = p.gradePointCount;
    for (int i = 1; i <= n; ++i) {
        const double g = i < n ? p.segmentGrade[i] : 0.0;
        out << i << TAB << shortestText(p.gradePointChainage[i]) << TAB << shortestText(p.gradePointElevation[i])
            << TAB << shortestText(p.curveRadius[i]) << TAB << shortestText(g) << TAB
            << shortestText(p.gradeChange[i]) << TAB << shortestText(p.tangentLength[i]) << TAB
            << shortestText(p.curveEndChainage[i]) << '\n';
    }
    return EXIT_OK;
}

int locatePointsCommand(const Arguments& a, std::ostream& out, std::ostream& err) {
    if (!a.positional.empty()) throw UsageError{"give points as arguments or --points FILE, not both"};
    setoutcli::LocatePointsOptions o;
    o.pointsFile = *a.option("--points");
    o.keepGoing = a.option("--keep-going") != nullptr;
    if (const std::string* m = a.option("--max-offset")) {
        o.maxOffset = numberArgument(*m);
        if (!(o.maxOffset >= 0.0)) throw UsageError{"--max-offset must not be negative"};
    }
    o.target = targetArgument(a);
    ProjectLoader loader(a);
    Project& project = loader.load(false, true);
    const bool complete = setoutcli::locatePoints(project, a.option("--profile") != nullptr, o, out, err);
    return complete ? EXIT_OK : EXIT_FAILURE_DATA;
}

int locateCommand(const Arguments& a, std::ostream& out, std::ostream& err) {
    if (a.option("--points")) return locatePointsCommand(a, out, err);
    for (const char* option : {"--profile", "--max-offset", "--keep-going", "--format", "--out"})
        if (a.option(option)) throw UsageError{std::string(option) + " goes with --points"};
    if (a.positional.empty()) throw UsageError{"no point given"};
    std::vector<std::pair<double, double>> points;
    for (const std::string& text : a.positional) {
        const std::size_t comma = text.find(',');
        if (comma == std::string::npos) throw UsageError{"a point is X,Y: " + text};
        points.emplace_back(numberArgument(text.substr(0, comma)), numberArgument(text.substr(comma + 1)));
    }
    ProjectLoader loader(a);
    Project& project = loader.load(false, true);
    for (const auto& [x, y] : points) {
        const FootOfPoint foot = locatePoint(project.alignment, project.samples, x, y);
        out << shortestText(foot.ptzh) << TAB << shortestText(foot.ptd) << TAB << shortestText(foot.ptx) << TAB
            << shortestText(foot.pty) << '\n';
    }
    return EXIT_OK;
}

CadPoint pointArgument(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError{"a point is X,Y: " + text};
    return {numberArgument(text.substr(0, comma)), numberArgument(text.substr(comma + 1)), 0.0};
}

bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

// The continuous chainage of a --from or --to stake; a refused stake ends the command.
double rangeStake(const ChainBreakTable& breaks, const std::string& stake) {
    std::string refusal;
    const std::optional<double> c = setoutcli::stakeChainage(breaks, stake, refusal);
    if (!c) throw StakeRefusal{refusal, "stake \"" + stake + "\": refused by the chain-break table"};
    return *c;
}

int tableStakesCommand(const Arguments& a, std::ostream& out) {
    const std::string* every = a.option("--every");
    if (!every) throw UsageError{"missing --every S"};
    if (a.option("--breaks")) throw UsageError{"table stakes takes --icd"};
    if (!a.option("--from") != !a.option("--to")) throw UsageError{"--from and --to go together"};
    StakeTableOptions o;
    o.every = numberArgument(*every);
    if (!(o.every > 0.0)) throw UsageError{"--every must be greater than 0"};
    o.offsets = offsetsArgument(a);
    const setoutcli::TableTarget target = targetArgument(a);
    ProjectLoader loader(a);
    Project& project = loader.load(false, true);
    if (a.option("--from")) {
        o.fromChainage = rangeStake(project.breaks, *a.option("--from"));
        o.toChainage = rangeStake(project.breaks, *a.option("--to"));
        if (*o.fromChainage > *o.toChainage) throw UsageError{"--from must not be beyond --to"};
    }
    const bool withProfile = a.option("--profile") != nullptr;
    const std::vector<StakeRow> rows =
        *stakeTable(project.alignment, project.breaks, withProfile ? &project.profile : nullptr, o);
    setoutcli::emitTable(stakeTableColumns(rows, project.breaks, o.offsets, withProfile), target, out);
    return EXIT_OK;
}

int tableCurvesCommand(const Arguments& a, std::ostream& out) {
    for (const char* option : {"--every", "--offset", "--from", "--to"})
        if (a.option(option)) throw UsageError{std::string(option) + " goes with table stakes"};
    const setoutcli::TableTarget target = targetArgument(a);
    ProjectLoader loader(a);
    Project& project = loader.load(true, false);
    setoutcli::emitTable(curveTableColumns(verticalCurveTable(project.profile, project.breaks), project.breaks),
                         target, out);
    return EXIT_OK;
}

int tableCommand(const Arguments& a, std::ostream& out) {
    if (a.positional.size() != 1) throw UsageError{"table stakes or table curves"};
    if (a.positional.front() == "stakes") return tableStakesCommand(a, out);
    if (a.positional.front() == "curves") return tableCurvesCommand(a, out);
    throw UsageError{"unknown table " + a.positional.front() + "; stakes or curves"};
}

int annotateCommand(const Arguments& a, std::ostream& out) {
    const std::string* drawingPath = a.option("--drawing");
    const std::string* outPath = a.option("--out");
    if (!drawingPath) throw UsageError{"missing --drawing IN.dxf"};
    if (!outPath) throw UsageError{"missing --out OUT.dxf"};
    if (!outPath->empty() && samePath(*drawingPath, *outPath))
        throw UsageError{"--out must not be the input drawing"};
    if (a.positional.empty()) throw UsageError{"no pick given"};
    std::vector<std::pair<CadPoint, CadPoint>> picks;
    for (const std::string& text : a.positional) {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) throw UsageError{"a pick is PX,PY:IX,IY: " + text};
        picks.emplace_back(pointArgument(text.substr(0, colon)), pointArgument(text.substr(colon + 1)));
    }

    ProjectLoader loader(a);
    Project& project = loader.load(true, true);
    auto drawing = std::make_shared<Drawing>(readDrawing(*drawingPath));
    BatchCad cad(drawing);
    FormState form;
    form.setChecked(Control::Option1, true);
    if (const std::string* rotation = a.option("--rotation")) form.setText(Control::Text9, *rotation);
    CliMessages& ui = loader.messages();
    const SettingsFile settings = SettingsFile::discarding();
    DrawingCommandContext context{project, form, ui, settings, cad, cad,
                                  [&] { return compute(project, form, ui, settings); }};

    for (const auto& [pick, insertion] : picks) {
        cad.screen().points = {pick, insertion};
        if (!pickAndAnnotate(context)) {
            if (ui.errorText == CANCELLED_TEXT) throw FileAccessError(ui.errorDetail);
            if (!ui.errorText.empty()) throw DataError(ui.errorDetail);
            if (!ui.last.empty()) throw StakeRefusal{ui.last, "the stake of the pick " + shortestText(pick[0]) + "," +
                                                                  shortestText(pick[1]) + " is refused"};
            throw DataError(cad.messages().empty() ? "the annotation could not be added" : cad.messages().back());
        }
        out << form.text(Control::Text1) << TAB << form.text(Control::Text2) << TAB << form.text(Control::Text3)
            << '\n';
    }
    saveDrawing(*drawing, *outPath);
    return EXIT_OK;
}

int labelsCommand(const Arguments& a, std::ostream& out) {
    const std::string* drawingPath = a.option("--drawing");
    if (!drawingPath) throw UsageError{"missing --drawing IN.dxf"};
    if (!a.positional.empty()) throw UsageError{"unexpected argument " + a.positional.front()};
    const Drawing drawing = readDrawing(*drawingPath);
    for (const DrawingEntity& entity : drawing.entities)
        if (entity.kind == EntityKind::Text || entity.kind == EntityKind::MText)
            out << entity.text << TAB << reduceStakeLabel(entity.text) << '\n';
    return EXIT_OK;
}

struct Subcommand {
    std::vector<std::string> options;
    std::function<int(const Arguments&, std::ostream&, std::ostream&)> run;
};

// A command that writes to stdout only.
template <class F>
std::function<int(const Arguments&, std::ostream&, std::ostream&)> plain(F f) {
    return [f](const Arguments& a, std::ostream& out, std::ostream&) { return f(a, out); };
}

const std::map<std::string, Subcommand>& subcommands() {
    static const std::map<std::string, Subcommand> table{
        {"chainage", {{"--breaks"}, plain(chainageCommand)}},
        {"stake", {{"--breaks"}, plain(stakeCommand)}},
        {"compute", {{"--profile", "--breaks", "--icd", "--format", "--stakes", "--out"}, plain(computeCommand)}},
        {"coords", {{"--icd", "--from", "--to", "--every", "--offset"}, plain(coordsCommand)}},
        {"elements", {{"--icd"}, plain(elementsCommand)}},
        {"profile", {{"--profile", "--breaks", "--icd"}, plain(profileCommand)}},
        {"locate",
         {{"--icd", "--points", "--profile", "--max-offset", "--keep-going", "--format", "--out"}, locateCommand}},
        {"table",
         {{"--icd", "--breaks", "--profile", "--every", "--offset", "--from", "--to", "--format", "--out"},
          plain(tableCommand)}},
        {"annotate", {{"--icd", "--profile", "--drawing", "--out", "--rotation"}, plain(annotateCommand)}},
        {"labels", {{"--drawing"}, plain(labelsCommand)}},
    };
    return table;
}

bool asksForHelp(const std::vector<std::string>& args, std::size_t first) {
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i] == "--") return false;
        if (args[i] == "--help" || args[i] == "-h") return true;
    }
    return false;
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << MAIN_USAGE;
        return EXIT_USAGE;
    }
    const std::string& name = args.front();
    if (name == "--help" || name == "-h") {
        out << MAIN_USAGE;
        return EXIT_OK;
    }
    if (name == "--version") {
        out << VERSION_TEXT << '\n';
        return EXIT_OK;
    }
    const auto command = subcommands().find(name);
    if (command == subcommands().end()) {
        err << "gradix-cli: unknown command " << name << '\n' << MAIN_USAGE;
        return EXIT_USAGE;
    }
    const std::string& usage = commandUsage().at(name);
    if (asksForHelp(args, 1)) {
        out << usage;
        return EXIT_OK;
    }
    try {
        const Arguments parsed = parseArguments(args, 1, command->second.options);
        return command->second.run(parsed, out, err);
    } catch (const UsageError& e) {
        err << "gradix-cli " << name << ": " << e.message << '\n' << usage;
        return EXIT_USAGE;
    } catch (const StakeRefusal& e) {
        out.flush();
        err << e.message << '\n' << e.detail << '\n';
        return EXIT_REFUSED;
    } catch (const GradixError& e) {
        out.flush();
        err << e.what() << '\n' << e.detail() << '\n';
        return EXIT_FAILURE_DATA;
    } catch (const std::exception& e) {
        out.flush();
        err << FORMAT_TEXT << '\n' << e.what() << '\n';
        return EXIT_FAILURE_DATA;
    }
}

}  // namespace gradix
