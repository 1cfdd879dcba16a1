// compute: the design elevation and grade of single stakes, or of a stake
// file in the result-file layout.
#include <CLI/CLI.hpp>

#include <iterator>
#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/compute.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "桩号处的设计高程和纵坡。\n"
    "按窗口的算法逐个输出 桩号、设计高程、纵坡（%）。作为参数给出的桩号\n"
    "须在纵断面范围内；桩号文件中的桩号不检查范围：超出纵断面的按端部\n"
    "纵坡外推，每个这样的桩号在标准错误给出一行提示。\n"
    "--format table：单个桩号输出 桩号⇥高程⇥纵坡，桩号文件按结果文件的\n"
    "格式输出；tsv：桩号（K写法）、里程、高程和纵坡（比值），数值完整，\n"
    "无表头；csv、xlsx：同逐桩坐标表的约定（csv为带BOM的UTF-8、CR LF、\n"
    "中文表头；xlsx须给出 --out）。\n"
    "--offset 给出偏距（右正）时按横断面（--sup、--wid，未给出的按3.75 m\n"
    "车道、-2 %路拱）求每个桩号每个偏距处的路面设计高程和横坡：table 每行\n"
    "桩号⇥偏距⇥高程⇥横坡（%），土路肩边缘以外为 beyond-edge；tsv、csv、\n"
    "xlsx：桩号、里程、偏距、路面设计高程、横坡、纵坡、备注。";
constexpr const char* TABLE_FORMAT = "table";

struct ComputeOptions {
    ProjectOptions project;
    SurfaceOptions surface;
    std::string offsets;
    CLI::Option* offsetOption = nullptr;
    std::string format = TABLE_FORMAT;
    FileOption stakes, out;
    bool keepGoing = false;
    std::vector<std::string> arguments;
};

// The stakes of the stake file, or of standard input for "-".
std::vector<std::string> stakeFileLines(const ComputeOptions& o, std::istream& in) {
    if (o.stakes.path != STANDARD_STREAM) return readStakeFile(o.stakes.path);
    return stakesOfLines(
        splitLines(decodeText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()))));
}

// The single stakes given as arguments, each tested against the profile's
// range; with keepGoing a refused stake is said on err and left out.
Outcome computeArguments(const ComputeOptions& o, CommandContext& c, std::vector<StakeResult>& results,
                         std::vector<Outcome>& refusals) {
    for (const std::string& typed : o.arguments) {
        StakeResult r;
        const Outcome computed = computeStake(c.project, typed, RangeTest::WithinProfile, r);
        if (computed.isDone()) {
            results.push_back(std::move(r));
            continue;
        }
        if (!o.keepGoing) return computed;
        refusals.push_back(computed);
    }
    return Outcome::done();
}

// The text of the table and tsv formats, or nothing for csv and xlsx (the
// table of the results).
std::string resultText(const ComputeOptions& o, const Project& project, const std::vector<StakeResult>& results) {
    if (o.format == "tsv") return tableText(resultTable(results, project.breaks), TableFormat::Tsv);
    if (o.format == "csv") return tableText(resultTable(results, project.breaks), TableFormat::Csv);
    if (o.stakes.given()) return resultFileText(results);
    // Single stakes as the clipboard would hold them, one per line.
    std::string text;
    for (const StakeResult& r : results)
        text += r.stake + TAB + formatFixed(r.elevation, RESULT_DECIMALS) + TAB + formatPercent(r.grade) + '\n';
    return text;
}

// The text or table of the results at the offsets.
void emitOffsets(const ComputeOptions& o, CommandContext& c, const std::vector<StakeResult>& results, bool toFile) {
    const std::vector<OffsetResult> points = offsetResults(c.project.surface, results, offsetList(o.offsets));
    if (o.format == "xlsx") {
        writeXlsx(offsetResultTable(points, c.project.breaks), o.out.path);
        return;
    }
    std::string text;
    if (o.format == "tsv" || o.format == "csv") {
        text = tableText(offsetResultTable(points, c.project.breaks),
                         o.format == "tsv" ? TableFormat::Tsv : TableFormat::Csv);
    } else {
        for (const OffsetResult& r : points) {
            text += r.stake->stake + TAB + shortDecimal(r.offset) + TAB;
            text += r.point.beyondEdge ? std::string(NOTE_BEYOND_EDGE)
                                       : formatFixed(r.point.elevation, RESULT_DECIMALS) + TAB +
                                             formatPercent(r.point.crossSlope);
            text += '\n';
        }
    }
    if (toFile)
        writeFileAtomically(o.out.path, text);
    else
        c.out << text;
}

Outcome run(const ComputeOptions& o, CommandContext& c) {
    if (!o.stakes.given() && o.arguments.empty()) throw UsageError{usage::NO_STAKE};
    const bool atOffsets = o.offsetOption->count() > 0;
    if (atOffsets) offsetList(o.offsets);  // a usage mistake before anything is read
    std::vector<std::string> read = o.project.files();
    for (const std::string& f : o.surface.files()) read.push_back(f);
    if (o.stakes.given()) read.push_back(o.stakes.path);
    requireNotRead(o.out.path, read);
    const bool toFile = o.out.given() && o.out.path != STANDARD_STREAM;
    if (o.format == "xlsx" && !toFile) throw UsageError{usage::XLSX_NEEDS_FILE};
    o.project.requireProfileGiven();
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    o.surface.load(project, atOffsets);

    std::vector<StakeResult> results;
    std::vector<Outcome> refusals;
    const std::string name = o.stakes.path == STANDARD_STREAM ? STANDARD_INPUT_NAME : o.stakes.path;
    if (o.stakes.given()) {
        // Stake-file mode: no range test; without keepGoing a refused stake
        // writes nothing.
        if (Outcome evaluated =
                evaluateStakes(project, stakeFileLines(o, c.in), name, results, o.keepGoing ? &refusals : nullptr);
            !evaluated)
            return evaluated;
        c.notes = extrapolationNotes(project, results, name);
    } else {
        // A stake that fails prints nothing; the lines before it stay.
        Outcome computed = Outcome::done();
        try {
            computed = computeArguments(o, c, results, refusals);
        } catch (const GradixError&) {
            if (!toFile) c.out << resultText(o, project, results);
            throw;
        }
        if (!computed) {
            if (!toFile) c.out << resultText(o, project, results);
            return computed;
        }
    }
    for (const Outcome& refused : refusals) c.err << refused.message << '\n' << refused.detail << '\n';

    if (atOffsets)
        emitOffsets(o, c, results, toFile);
    else if (o.format == "xlsx")
        writeXlsx(resultTable(results, project.breaks), o.out.path);
    else if (toFile)
        writeFileAtomically(o.out.path, resultText(o, project, results));
    else
        c.out << resultText(o, project, results);
    if (refusals.empty()) return Outcome::done();
    return Outcome::refused(report::stakesRefused(refusals.size()),
                            o.stakes.given() ? msg::located(name, 0, report::stakesLeftOut(refusals.size()))
                                             : report::stakesLeftOut(refusals.size()));
}

}  // namespace

void addComputeCommand(CommandRegistry& registry) {
    auto o = std::make_shared<ComputeOptions>();
    CLI::App* command = registry.command("compute", DESCRIPTION);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    o->surface.add(command);
    o->offsetOption = command->add_option("--offset", o->offsets, help::OFFSET)->type_name("D[,D...]");
    allowOnly(command->add_option("--format", o->format, "table（默认）、tsv、csv 或 xlsx（须给出 --out）"),
              {TABLE_FORMAT, "tsv", "csv", "xlsx"})
        ->type_name("table|tsv|csv|xlsx");
    o->stakes.option = command->add_option("--stakes", o->stakes.path, "桩号文件，每行一个桩号（- 读标准输入）")
                           ->type_name(help::FILE);
    o->out.option = command->add_option("--out", o->out.path, "结果的文件（- 或不给：标准输出）")->type_name(help::FILE);
    command->add_flag("--keep-going", o->keepGoing,
                      "被拒绝的桩号在标准错误给出其消息和行，其余照算，最后以退出码1结束");
    command->add_option(help::STAKE, o->arguments, "桩号（或 --stakes 文件）")
        ->type_name(help::STAKE)
        ->excludes(o->stakes.option);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
