// The setting-out commands of gradix-cli (coords --offset, locate --points,
// table stakes, table curves), apart from the parsing of the command line:
// each takes the loaded project and the values of its options.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "commands/project.h"
#include "setout/table.h"

namespace gradix::setoutcli {

// A usage mistake in an option's value; the command line shows it with the
// command's usage.
struct BadOption {
    std::string message;
};

// Where a table goes: its format and the file (stdout when none; xlsx needs one).
struct TableTarget {
    TableFormat format = TableFormat::Tsv;
    std::optional<std::string> file;
};

// Reads --offset D[,D...]: metres, positive to the right. Raises BadOption.
std::vector<double> offsetList(const std::string& text);

// Reads --format and --out. Raises BadOption for an unknown format or xlsx
// without a file.
TableTarget tableTarget(const std::string* format, const std::string* out);

// Writes the table to its target: a file written beside and renamed into
// place, or out.
void emitTable(const Table& table, const TableTarget& target, std::ostream& out);

// coords: CHAINAGE, X, Y, BEARING and, per offset, the side point's X and Y.
void writeCoordsRow(std::ostream& out, const Alignment& alignment, double chainage, const std::vector<double>& offsets);

struct LocatePointsOptions {
    std::string pointsFile;
    double maxOffset = 100.0;  // m
    bool keepGoing = false;
    TableTarget target;
};

// locate --points: every point of the file located and written as NAME STAKE
// CHAINAGE OFFSET ELEVATION GRADE DZ NOTE. A bad line fails (DataError);
// with keepGoing each is reported on err (message and detail) and the
// number of lines left out is answered once the good points are written.
std::size_t locatePoints(Project& project, bool withProfile, const LocatePointsOptions& options, std::ostream& out,
                  std::ostream& err);

// The continuous chainage (m) of a stake text typed for --from or --to,
// through the stretch letters of breaks; nullopt when zh_dlstr refuses it
// (its message in refusal).
std::optional<double> stakeChainage(const ChainBreakTable& breaks, const std::string& stake, std::string& refusal);

}  // namespace gradix::setoutcli
