// The workbook writer where it reads bytes: the zip archive libxlsxwriter
// wrote (read back to put the exact numbers in), the worksheet XML in it,
// and the cells of a table written through the whole writer. An archive is
// rewritten or refused with the data failure, and what it writes reads back;
// a table whose texts come from the input is written or refused, never a
// crash or a file left half-written.
//
// Input layout: byte 0 chooses (bit 0) whether a table is written as well;
// the rest is the archive, the sheet XML and the texts of the table's cells.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "setout/table.h"
#include "setout/xlsxexact.h"
#include "text/failures.h"
#include "text/textfile.h"

using namespace gradix;

namespace {

// Rows of the table written, on sheets of this many rows (header included),
// so that the sheets continue.
constexpr std::size_t TABLE_ROWS = 5;
constexpr std::size_t SHEET_ROWS = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool writeTable = (data[0] & 1) != 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    // The archive: rewritten, and what is written reads again; or refused.
    const std::vector<std::vector<ExactCell>> cells = {{{0, 0, 1.5}, {1, 2, -0.0}, {3, 1, 1e308}}};
    try {
        const std::string again = withExactNumbersInWorkbook(bytes, cells);
        withExactNumbersInWorkbook(again, cells);
    } catch (const DataError&) {
    }
    // The worksheet XML: any bytes, the listed cells found or not.
    withExactNumbers(bytes, cells.front());

    if (!writeTable) return 0;
    Table table;
    table.title = "逐桩坐标表";
    table.columns = {{"桩号", ColumnKind::Text, 0, 12}, {"里程(m)", ColumnKind::Number, 3, 12},
                     {"方位角", ColumnKind::Bearing, 0, 12}};
    for (std::size_t r = 0; r < TABLE_ROWS; ++r)
        table.rows.push_back({Cell::of(bytes.substr(r * bytes.size() / TABLE_ROWS, bytes.size() / TABLE_ROWS)),
                              Cell::of(static_cast<double>(r) * 0.1), Cell::of(1.0)});
    const fuzz::InputFile target(data, 0, ".xlsx");
    try {
        writeXlsx(table, target.path(), SHEET_ROWS);
        withExactNumbersInWorkbook(readFileBytes(target.path()), {});
    } catch (const DataError&) {
    }
    // Only the workbook itself is left in the folder: no temporary of this process.
    char own[32];
    std::snprintf(own, sizeof own, ".gradix-%llx-", static_cast<unsigned long long>(getpid()));
    const std::filesystem::path folder = std::filesystem::path(target.path()).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        fuzz::require(entry.path().filename().string().rfind(own, 0) != 0, "no temporary left behind");
    return 0;
}
