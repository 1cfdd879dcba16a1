// The chain-break table (断链) and its file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "text/dataline.h"

namespace gradix {

// Value written into entry chainBreakCount+1 of both arrays after every reading.
inline constexpr double BREAK_SENTINEL = 5000000.0;
// Fixed slots 0..20 of each array: entry 0, at most 19 breaks, the sentinel.
inline constexpr int BREAK_SLOTS = 21;
// Breaks a table can hold: slot 0 and the sentinel's slot are no breaks.
inline constexpr int MAX_CHAIN_BREAKS = BREAK_SLOTS - 2;
// The largest magnitude of a station or chainage a road file may give (m):
// a million kilometres, far beyond any road, and small enough that every
// stake of it keeps its millimetres. A larger one is a damaged file.
inline constexpr double MAX_STATION = 1e9;
// Field 1 of the first line of a file that has no chain break.
inline constexpr double NO_BREAK_MARK = -1.0;

// The breaks of one road in road order: break k (1-based) has the back stake
// value breakBackStake[k] and the ahead stake value breakAheadStake[k], both
// in metres. Entries above chainBreakCount+1 keep values of earlier readings.
struct ChainBreakTable {
    std::int16_t chainBreakCount = 0;
    std::array<double, BREAK_SLOTS> breakBackStake{};
    std::array<double, BREAK_SLOTS> breakAheadStake{};
};

// The number of breaks in force, 0..MAX_CHAIN_BREAKS.
// Raises DataError for any other count.
int breaksInForce(const ChainBreakTable& table);

// Reads a chain-break file into table (lines prepared as profile lines; the
// first empty line ends it; fields 1 and 2 strict numbers; a first back value
// of -1 means no breaks).
// Raises FileAccessError for an empty path, DataError for a missing file, a
// line with fewer than two fields, a field that is not a number in full, or 20
// or more data lines. What was stored before a failure stays stored and is
// counted; a line is stored only once both its fields are read. Entry 0, the
// sentinel at chainBreakCount+1 and the -1 mark are applied after every reading
// of an opened file, also one that fails, so the table in force stays well formed.
// An empty file or an empty first line leaves the previous table in force.
// Failures from a line carry the path and the line number; a file that is
// certainly of another kind (refuseOtherKind) is refused before anything is
// stored.
// With a report, the reading also notes data lines after the empty line that
// ends the table (msg::linesLeftAfterEmptyLine) and gives the line of each
// break. In check mode a line of fewer than two fields or with a field that
// is not a number is a refusal of the report and the reading goes on; the
// table holds the lines accepted.
void readChainBreakFile(const std::string& path, ChainBreakTable& table, ReadReport* report = nullptr);

}  // namespace gradix
