// Exact numbers in an xlsx workbook written by libxlsxwriter. The library
// writes every number to 16 significant digits ("%.16G"), which does not
// always read back to the same double; these functions put the shortest
// round-trip text of each number cell into the worksheet instead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gradix {

// A number cell of the first worksheet: 0-based row and column, and the text
// its value element is to hold.
struct ExactCell {
    std::size_t row;
    std::size_t column;
    std::string text;
};

// The cell reference of a 0-based row and column: (0, 0) is "A1", (9, 27) "AB10".
std::string cellReference(std::size_t row, std::size_t column);

// Rewrites the value element of each listed number cell of the worksheet
// XML text.
std::string withExactNumbers(const std::string& sheetXml, const std::vector<ExactCell>& cells);

// Rewrites the workbook at path (a zip archive) with the first worksheet
// (xl/worksheets/sheet1.xml) carrying the exact numbers; the other parts are
// copied as they are. Raises DataError when the archive cannot be read,
// decompressed or written.
void writeExactNumbers(const std::string& path, const std::vector<ExactCell>& cells);

}  // namespace gradix
