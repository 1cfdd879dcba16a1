// The compute command: the single stake typed in Text1, or a stake file to a
// result file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/form.h"
#include "commands/outcome.h"
#include "commands/project.h"
#include "commands/settings.h"
#include "commands/userinterface.h"
#include "setout/table.h"

namespace gradix {

// Result-file columns (1-based) of the elevation and of the grade.
inline constexpr std::size_t ELEVATION_COLUMN = 15;
inline constexpr std::size_t GRADE_COLUMN = 30;
// Most stakes a stake file may hold (a 16-bit count).
inline constexpr int MAX_STAKES = 32767;

// Message of a result file chosen that is one of the files read.
inline constexpr const char* RESULT_IS_INPUT_MESSAGE = "结果文件不能是读取的数据文件，请另选文件！";

// The result file offered for a stake file: NAME-高程.txt beside it.
std::string suggestedResultFile(const std::string& stakePath);
// The status line after a stake file was computed: how many stakes went to
// which file (its name), "已写入3个桩号的高程：FILE"; when some lie outside
// the profile (extrapolated), how many: "已写入3个桩号的高程，其中2个超出纵断面（外推）".
std::string stakeFileWrittenStatus(std::size_t stakes, const std::string& resultPath, std::size_t outsideProfile = 0);

// One stake and its result.
struct StakeResult {
    std::string stake;           // the stake text as given (a stake file's line trimmed)
    double chainage = 0.0;       // m
    double elevation = 0.0;      // m
    double grade = 0.0;          // ratio
    bool outsideProfile = false; // the chainage lies before the first or beyond the last grade point
    long line = 0;               // the stake file's line (1-based); 0 for a single stake
};

// What a run of the compute command produced: the stakes computed (the
// single stake, or every stake of the stake file, in order) and the result
// file a stake file's results went to.
struct ComputeReport {
    std::vector<StakeResult> results;
    std::string resultFile;
    // How many results were extrapolated beyond the profile.
    std::size_t outsideProfile() const;
};

// Runs the compute command in the mode chosen by Option1, under one error
// trap. Single stake: the stake of Text1 goes to Text2, Text3 and the
// clipboard, or is refused (a stake outside the profile also puts the focus
// back into Text1). Stake file: asks for the stake file and the result file
// (again, after the message RESULT_IS_INPUT_MESSAGE, while the result file
// chosen is one of the files read; the dialog offers suggestedResultFile)
// and writes the results, which the status line then says
// (stakeFileWrittenStatus, with the stakes extrapolated beyond the
// profile); a refused stake's box shows its file and line in the details.
// Shows nothing of its outcome; report holds what was computed (nothing
// when the run did not end done).
Outcome compute(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings, ComputeReport& report);
// The same, for a caller that needs no report.
Outcome compute(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings);

// Whether computeStake holds a chainage to the grade points' range.
enum class RangeTest {
    WithinProfile,  // a stake outside the profile is refused (single stakes)
    Extrapolate,    // every accepted stake is evaluated (stake files)
};

// computeStake: converts a stake text (qualifyStake, then dlstr_sj) and
// evaluates the profile at its chainage into result. Answers Done, or
// Refused with the message of the box "数据有误" and a detail naming the
// stake and the reason (also for a stake outside the profile under
// RangeTest::WithinProfile). Raises DataError for a stake beyond the double
// range, a project without grade points and a result that overflows.
Outcome computeStake(const Project& project, std::string_view stake, RangeTest range, StakeResult& result);

// The stake texts of the lines of a stake file: each line trimmed of
// blanks; the first empty line ends the list, and it holds at most
// MAX_STAKES + 1 stakes (one more than a file may hold, which
// evaluateStakes refuses at its line).
std::vector<std::string> stakesOfLines(const std::vector<std::string>& lines);

// Reads the stake texts of a stake file as stakesOfLines does, line by line:
// the lines after the last stake taken are never read. Raises
// FileAccessError for an empty path, DataError for a missing file and what
// TextLineReader raises.
std::vector<std::string> readStakeFile(const std::string& path);

// Evaluates the stakes of a stake file (read from file, named in details)
// with RangeTest::Extrapolate, each result carrying its line. Answers Done
// with every result, or Refused at the first refused stake (its detail
// "FILE，第N行：reason"), results then holding the stakes before it. Given
// refusals, a refused stake is added there (its outcome, the detail located
// at its line) and the rest is evaluated. Raises DataError for more than
// 32767 stakes and what computeStake raises, located at the stake's line.
Outcome evaluateStakes(const Project& project, const std::vector<std::string>& stakes, const std::string& file,
                       std::vector<StakeResult>& results, std::vector<Outcome>* refusals = nullptr);

// The notes of the results of a stake file (read from file) that were
// extrapolated beyond the profile, one per stake, as
// "FILE，第N行：桩号"X"：里程C在纵断面范围A至B之外，已按纵坡外推".
std::vector<std::string> extrapolationNotes(const Project& project, const std::vector<StakeResult>& results,
                                            const std::string& file);

// The results as a table, as the other tables are handed over: 桩号 (the
// stake of the chainage, formatStake), 里程, 设计高程, 纵坡.
Table resultTable(const std::vector<StakeResult>& results, const ChainBreakTable& breaks);

// The surface at each result's stake and each offset (m, positive right),
// its design line on the result's elevation: one per result and offset, in
// that order (the offsets of a stake together).
struct OffsetResult {
    const StakeResult* stake = nullptr;
    double offset = 0.0;
    SurfacePoint point;
};
std::vector<OffsetResult> offsetResults(const Surface& surface, const std::vector<StakeResult>& results,
                                        const std::vector<double>& offsets);

// Those as a table: 桩号, 里程, 偏距, 路面设计高程, 横坡, 纵坡, 备注
// (beyond-edge where the offset lies beyond the earth shoulder's edge: no
// elevation or cross slope).
Table offsetResultTable(const std::vector<OffsetResult>& results, const ChainBreakTable& breaks);

// The result-file text: per stake the stake text from column 1, the
// elevation "0.0000" from column 15 and the grade in percent "0.0000" from
// column 30 (a new line where the text before already reaches the column),
// each line ended by CR LF. Columns count characters.
std::string resultFileText(const std::vector<StakeResult>& results);

// The range message of the single-stake mode.
std::string outOfProfileMessage(const std::string& trimmedStake);

}  // namespace gradix
