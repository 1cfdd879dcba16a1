#include "stakes/chainbreaks.h"

#include <optional>
#include <string>
#include <vector>

#include "text/dataline.h"
#include "text/failures.h"
#include "text/filekind.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Fields of a chain-break line that are read: back and ahead stake value.
constexpr std::size_t CHAIN_BREAK_FIELDS = 2;

double strictField(const std::string& field, const char* name) {
    const std::optional<double> value = parseStrictNumber(field);
    if (!value) throw DataError(msg::fieldNotNumber(name, field));
    return *value;
}

// Entry 0 and the sentinel after the last break, then the mark of a file
// without chain breaks: written after every reading of the file, also one that
// fails part-way, so that the table in force is always well formed.
void closeTable(ChainBreakTable& table) {
    table.breakBackStake[0] = 0.0;
    table.breakAheadStake[0] = 0.0;
    table.breakBackStake[table.chainBreakCount + 1] = BREAK_SENTINEL;
    table.breakAheadStake[table.chainBreakCount + 1] = BREAK_SENTINEL;
    if (table.breakBackStake[1] == NO_BREAK_MARK) table.chainBreakCount = 0;
}

}  // namespace

int breaksInForce(const ChainBreakTable& table) {
    const int n = table.chainBreakCount;
    if (n < 0 || n > MAX_CHAIN_BREAKS) throw DataError(msg::chainBreakCount(n));
    return n;
}

void readChainBreakFile(const std::string& path, ChainBreakTable& table, ReadReport* report) {
    // The lines are read one at a time: the reading stops at the first line
    // that ends the table or cannot be in it, whatever follows.
    TextLineReader lines(path);
    const bool checking = report != nullptr && report->checkMode;
    // A count from outside the table's slots is no table to continue from.
    if (table.chainBreakCount < 0 || table.chainBreakCount > MAX_CHAIN_BREAKS) table.chainBreakCount = 0;
    long lineNumber = 0;
    int stored = 0;
    try {
        // A file of another kind is refused before a line of it is stored;
        // the table in force is closed as after any reading.
        refuseOtherKind(path, DataFileKind::ChainBreaks);
        for (std::string line; lines.next(line);) {
            ++lineNumber;
            const std::string prepared = prepareDataLine(line);
            if (prepared.empty()) {  // the first empty line ends the table
                if (report) noteLinesAfterEmptyLine(lines, lineNumber, *report);
                break;
            }
            if (lineNumber > MAX_CHAIN_BREAKS)
                throw DataError(msg::TOO_MANY_CHAIN_BREAKS);
            const std::vector<std::string> fields = splitFields(prepared);
            double back = 0.0, ahead = 0.0;
            try {
                if (fields.size() < CHAIN_BREAK_FIELDS)
                    throw DataError(msg::CHAIN_BREAK_NEEDS_TWO_VALUES);
                // Both fields are checked before either is stored: a refused
                // line leaves its slot as it was.
                back = strictField(fields[0], msg::BACK_STAKE_VALUE);
                ahead = strictField(fields[1], msg::AHEAD_STAKE_VALUE);
            } catch (const GradixError& e) {
                if (!checking) throw;
                report->refusals.push_back({lineNumber, e.reason()});
                continue;
            }
            ++stored;
            table.breakBackStake[stored] = back;
            table.breakAheadStake[stored] = ahead;
            table.chainBreakCount = static_cast<std::int16_t>(stored);
            if (report) report->entryLines.push_back(lineNumber);
        }
    } catch (GradixError& e) {
        closeTable(table);
        e.locate(path, lineNumber);
        throw;
    }
    closeTable(table);
}

}  // namespace gradix
