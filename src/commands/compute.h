// The compute command: the single stake typed in Text1, or a stake file to a
// result file.
#pragma once

#include <string>
#include <vector>

#include "commands/form.h"
#include "commands/project.h"
#include "commands/settings.h"
#include "commands/userinterface.h"

namespace gradix {

// Result-file columns (1-based) of the elevation and of the grade.
inline constexpr std::size_t ELEVATION_COLUMN = 15;
inline constexpr std::size_t GRADE_COLUMN = 30;
// Most stakes a stake file may hold (a 16-bit count).
inline constexpr int MAX_STAKES = 32767;

// Runs the compute command in the mode chosen by Option1, under one error
// trap (the error box titled "错误"). Returns true when it produced a result.
bool compute(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings);

// One stake of a stake file and its result.
struct StakeResult {
    std::string stake;   // the line with surrounding blanks removed
    double chainage;     // m
    double elevation;    // m
    double grade;        // ratio
};

// Reads the stake texts of a stake file: each line trimmed of blanks, the
// first empty line ends the list. Raises FileAccessError for an empty path,
// DataError for a missing file or more than 32767 stakes.
std::vector<std::string> readStakeFile(const std::string& path);

// Evaluates stake texts in stake-file mode (no range test). Returns false,
// with results holding what came before, when zh_dlstr refused a stake.
bool evaluateStakes(Project& project, const std::vector<std::string>& stakes, MessageSink& sink,
                    std::vector<StakeResult>& results);

// The result-file text: per stake the stake text from column 1, the
// elevation "0.0000" from column 15 and the grade in percent "0.0000" from
// column 30 (a new line where the text before already reaches the column),
// each line ended by CR LF. Columns count characters.
std::string resultFileText(const std::vector<StakeResult>& results);

// The range message of the single-stake mode.
std::string outOfProfileMessage(const std::string& trimmedStake);

}  // namespace gradix
