// A table to hand over (逐桩坐标表, 竖曲线表, located survey points) and its
// three file forms: tsv (exact numbers), csv (for a double-click into a
// spreadsheet) and xlsx.
#pragma once

#include <cstddef>
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
    // The name of the table's worksheet in a workbook ("逐桩坐标表"); "Sheet1"
    // when empty.
    std::string title;
};

// Rows a worksheet holds, the header row included (Excel's limit).
inline constexpr std::size_t XLSX_SHEET_ROWS = 1048576;
// Text a cell holds, in characters (Excel's limit).
inline constexpr std::size_t XLSX_CELL_CHARACTERS = 32767;

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

// Writes the table as an xlsx workbook: the header row (bold, frozen),
// number cells holding the full double with a display format of the column's
// decimals, percent columns as percentages, bearings as d°m′s.ss″ text, the
// column widths. Rows beyond what a sheet holds (sheetRows, the header row
// included) go on to further sheets of the same header, named after the
// table: "逐桩坐标表", "逐桩坐标表 (2)", ... The workbook is made in a
// ScratchFile beside path and written with writeFileAtomically, so that a
// symbolic link is written through and a failure or a signal leaves the
// previous file; the library's own complaints never reach stderr.
// Raises FileAccessError for an empty path and DataError (located at path)
// when a cell cannot be written (a text of more than XLSX_CELL_CHARACTERS)
// or the file cannot be.
void writeXlsx(const Table& table, const std::string& path, std::size_t sheetRows = XLSX_SHEET_ROWS);

// The table in a format: tsv or csv as text (to be written or printed).
std::string tableText(const Table& table, TableFormat format);

}  // namespace gradix
