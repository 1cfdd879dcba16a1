// A table to hand over (逐桩坐标表, 竖曲线表, located survey points) and its
// three file forms: tsv (exact numbers), csv (for a double-click into a
// spreadsheet) and xlsx.
#pragma once

#include <string>
#include <vector>

namespace gradix {

// How a column's numbers are shown.
enum class ColumnKind {
    Text,     // text cells
    Number,   // a number shown with the column's decimals
    Percent,  // a ratio: exact in tsv, in percent with the decimals in csv, as a percentage in xlsx
    Bearing,  // radians: exact in tsv, d°m′s.ss″ text in csv and xlsx
};

struct Column {
    std::string header;  // the Chinese header of csv and xlsx
    ColumnKind kind = ColumnKind::Text;
    int decimals = 0;    // csv decimals and xlsx display format of numbers
    double width = 12;   // xlsx column width (characters)
};

// A cell: empty, a text, or a number (m, ratio or radians by its column).
struct Cell {
    enum class Kind { Empty, Text, Number } kind = Kind::Empty;
    std::string text;
    double value = 0.0;

    static Cell empty() { return {}; }
    static Cell of(std::string t) { return {Kind::Text, std::move(t), 0.0}; }
    static Cell of(double v) { return {Kind::Number, {}, v}; }
};

struct Table {
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
};

enum class TableFormat { Tsv, Csv, Xlsx };

// Reads "tsv", "csv" or "xlsx"; false for anything else.
bool parseTableFormat(const std::string& name, TableFormat& format);

// A bearing (radians) as degrees, minutes and seconds to 0.01″: "45°30′12.34″".
std::string bearingDms(double radians);

// Tab-separated rows without a header, numbers as their shortest round-trip
// text, percent columns as ratios, bearings in radians, lines ended by LF.
std::string tsvText(const Table& table);

// UTF-8 with a byte-order mark, lines ended by CR LF, the Chinese header row,
// numbers at their column's decimals (percent columns in percent), bearings
// as d°m′s.ss″; fields holding a comma or a quote are quoted.
std::string csvText(const Table& table);

// Writes the table as an xlsx workbook of one sheet: the header row (bold,
// frozen), number cells holding the full double with a display format of the
// column's decimals, percent columns as percentages, bearings as d°m′s.ss″
// text, the column widths. The file is written beside path and renamed into
// place. Raises FileAccessError for an empty path and DataError when the file
// cannot be written.
void writeXlsx(const Table& table, const std::string& path);

// The table in a format: tsv or csv as text (to be written or printed).
std::string tableText(const Table& table, TableFormat format);

}  // namespace gradix
