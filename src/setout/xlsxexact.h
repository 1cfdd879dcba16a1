// Exact numbers in an xlsx workbook written by libxlsxwriter. The library
// writes every number to 16 significant digits ("%.16G"), which does not
// always read back to the same double; these functions put the shortest
// round-trip text of each number cell into the worksheet instead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gradix {

// A number cell of a worksheet: 0-based row and column, and the value whose
// shortest round-trip text its value element is to hold.
struct ExactCell {
    std::size_t row;
    std::size_t column;
    double value;
};

// The cell reference of a 0-based row and column: (0, 0) is "A1", (9, 27) "AB10".
std::string cellReference(std::size_t row, std::size_t column);

// Rewrites the value element of each listed number cell of the worksheet
// XML text. The cells are listed in the order the sheet holds them (by row,
// then by column), as the library writes them.
std::string withExactNumbers(const std::string& sheetXml, const std::vector<ExactCell>& cells);

// The workbook archive (a zip archive's bytes) with worksheet k
// (xl/worksheets/sheet{k+1}.xml) carrying the exact numbers sheets[k]; the
// other parts are copied as they are. Raises DataError when the archive
// cannot be read or decompressed, a worksheet is missing, or the result
// does not fit a zip archive without its 64-bit extensions.
std::string withExactNumbersInWorkbook(const std::string& archive, const std::vector<std::vector<ExactCell>>& sheets);

}  // namespace gradix
