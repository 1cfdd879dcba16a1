// compute: the design elevation and grade of single stakes, or of a stake
// file in the result-file layout.
#include <CLI/CLI.hpp>

#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/compute.h"
#include "stakes/stakes.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "桩号处的设计高程和纵坡。\n"
    "按窗口的算法逐个输出 桩号、设计高程、纵坡（%）。作为参数给出的桩号\n"
    "须在纵断面范围内；桩号文件中的桩号不检查范围（超出纵断面的按端部\n"
    "纵坡外推）。\n"
    "--format table：单个桩号输出 桩号⇥高程⇥纵坡，桩号文件按结果文件的\n"
    "格式输出；tsv：桩号、里程、高程和纵坡（比值），数值完整。";

struct ComputeOptions {
    ProjectOptions project;
    std::string format = "table";
    FileOption stakes, out;
    std::vector<std::string> arguments;
};

// The stake as every output writes it (from its chainage), the chainage, the
// elevation and the grade (a ratio), exact.
void writeTsvRow(std::ostream& out, const ChainBreakTable& breaks, const StakeResult& r) {
    out << formatStake(breaks, r.chainage) << TAB << shortestText(r.chainage) << TAB << shortestText(r.elevation) << TAB
        << shortestText(r.grade) << '\n';
}

Outcome run(const ComputeOptions& o, CommandContext& c) {
    if (!o.stakes.given() && o.arguments.empty()) throw UsageError{usage::NO_STAKE};
    if (o.stakes.given()) {
        std::vector<std::string> read = o.project.files();
        read.push_back(o.stakes.path);
        requireNotRead(o.out.path, read);
    }
    o.project.requireProfileGiven();
    const bool tsv = o.format == "tsv";
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);

    if (!o.stakes.given()) {
        // Single-stake mode, one argument after the other, as Text1 would hold it.
        for (const std::string& typed : o.arguments) {
            StakeResult r;
            if (Outcome computed = computeStake(project, typed, RangeTest::WithinProfile, r); !computed)
                return computed;
            if (tsv)
                writeTsvRow(c.out, project.breaks, r);
            else
                c.out << typed << TAB << formatFixed(r.elevation, RESULT_DECIMALS) << TAB << formatPercent(r.grade)
                      << '\n';
        }
        return Outcome::done();
    }

    // Stake-file mode: no range test; a refused stake writes nothing.
    const bool fromInput = o.stakes.path == STANDARD_STREAM;
    const std::string name = fromInput ? STANDARD_INPUT_NAME : o.stakes.path;
    const std::vector<std::string> stakes =
        fromInput ? stakesOfLines(splitLines(decodeText(
                        std::string(std::istreambuf_iterator<char>(c.in), std::istreambuf_iterator<char>()))))
                  : readStakeFile(o.stakes.path);
    std::vector<StakeResult> results;
    if (Outcome evaluated = evaluateStakes(project, stakes, name, results); !evaluated) return evaluated;
    std::string text;
    if (tsv) {
        std::ostringstream rows;
        for (const StakeResult& r : results) writeTsvRow(rows, project.breaks, r);
        text = rows.str();
    } else {
        text = resultFileText(results);
    }
    if (o.out.given() && o.out.path != STANDARD_STREAM)
        writeFileAtomically(o.out.path, text);
    else
        c.out << text;
    return Outcome::done();
}

}  // namespace

void addComputeCommand(CommandRegistry& registry) {
    auto o = std::make_shared<ComputeOptions>();
    CLI::App* command = registry.command("compute", DESCRIPTION);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    allowOnly(command->add_option("--format", o->format, "table（默认）或 tsv"), {"table", "tsv"})
        ->type_name("table|tsv");
    o->stakes.option = command->add_option("--stakes", o->stakes.path, "桩号文件，每行一个桩号（- 读标准输入）")
                           ->type_name(help::FILE);
    o->out.option = command->add_option("--out", o->out.path, "桩号文件的结果文件（- 或不给：标准输出）")
                        ->type_name(help::FILE)
                        ->needs(o->stakes.option);
    command->add_option(help::STAKE, o->arguments, "桩号（或 --stakes 文件）")
        ->type_name(help::STAKE)
        ->excludes(o->stakes.option);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
