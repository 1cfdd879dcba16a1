#include "setout/table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include <xlsxwriter.h>

#include "setout/xlsxexact.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr double MINUTES_PER_DEGREE = 60.0;
constexpr double SECONDS_PER_MINUTE = 60.0;
constexpr int SECOND_DECIMALS = 2;
// Hundredths of a second in a whole turn: the bearing is rounded to these.
constexpr double HUNDREDTHS_PER_SECOND = 100.0;
const char* const UTF8_BOM = "\xEF\xBB\xBF";

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// The csv or xlsx text of a cell of a text or bearing column.
std::string displayText(const Column& column, const Cell& cell) {
    if (cell.kind == Cell::Kind::Text) return cell.text;
    if (cell.kind == Cell::Kind::Empty) return {};
    switch (column.kind) {
        case ColumnKind::Bearing: return bearingDms(cell.value);
        case ColumnKind::Percent: return formatPercent(cell.value, column.decimals);
        default: return formatFixed(cell.value, column.decimals);
    }
}

// The xlsx display format of a number column: "0", "0.000", "0.0000%".
std::string numberFormat(const Column& column) {
    std::string f = "0";
    // Appended piece by piece ("." + std::string(...) trips GCC 12's -Wrestrict at -O3).
    if (column.decimals > 0) {
        f += '.';
        f.append(static_cast<std::size_t>(column.decimals), '0');
    }
    if (column.kind == ColumnKind::Percent) f += "%";
    return f;
}

// Standard error sent nowhere while the library runs a function that may
// complain there ("[ERROR] workbook_close(): ..."): its failures come back
// as results, which the writer turns into its own messages.
class QuietStderr {
public:
    QuietStderr() : saved_(-1) {
        std::fflush(stderr);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere < 0) return;
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved_ >= 0) ::dup2(nowhere, STDERR_FILENO);
        ::close(nowhere);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_;
};

// Earlier versions made the workbook in NAME.gradix-tmp beside it; one that
// an ended run left there goes with the next workbook of that name.
void removeOldTemporary(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path old = path + ".gradix-tmp";
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(old, ignored))) std::filesystem::remove(old, ignored);
}

// The name of worksheet k (0-based) of a table.
std::string sheetName(const Table& table, std::size_t k) {
    const std::string base = table.title.empty() ? "Sheet1" : table.title;
    return k == 0 ? base : base + " (" + std::to_string(k + 1) + ")";
}

// A libxlsxwriter result: nothing when it is no error, a DataError naming the cell otherwise.
void require(lxw_error result, std::size_t row, std::size_t column) {
    if (result == LXW_NO_ERROR) return;
    const std::string cell = cellReference(row, column);
    if (result == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
        throw DataError(msg::workbookNotWritten(msg::cellTextTooLong(cell, XLSX_CELL_CHARACTERS)));
    throw DataError(msg::workbookNotWritten(msg::cellNotWritten(cell, lxw_strerror(result))));
}

struct WorkbookFree {
    void operator()(lxw_workbook* w) const { lxw_workbook_free(w); }
};

// Makes the workbook of table in file, rows beyond a sheet's sheetRows on
// further sheets; answers the number cells of each sheet for
// withExactNumbersInWorkbook.
std::vector<std::vector<ExactCell>> buildWorkbook(const Table& table, const std::string& file, std::size_t sheetRows) {
    // Row by row to the disk (beside the workbook, not in a memory-backed
    // /tmp): a million rows need no more memory than one.
    std::string folder = std::filesystem::path(file).parent_path().string();
    if (folder.empty()) folder = ".";
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    std::unique_ptr<lxw_workbook, WorkbookFree> workbook(workbook_new_opt(file.c_str(), &options));
    if (!workbook) throw DataError(msg::workbookNotWritten(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    lxw_format* header = workbook_add_format(workbook.get());
    if (!header) throw DataError(msg::workbookNotWritten(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    format_set_bold(header);
    std::vector<lxw_format*> formats;
    for (const Column& column : table.columns) {
        lxw_format* f = workbook_add_format(workbook.get());
        if (!f) throw DataError(msg::workbookNotWritten(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
        format_set_num_format(f, numberFormat(column).c_str());
        formats.push_back(f);
    }

    const std::size_t perSheet = sheetRows - 1;  // the data rows under each header
    const std::size_t sheets = std::max<std::size_t>(1, (table.rows.size() + perSheet - 1) / perSheet);
    std::vector<std::vector<ExactCell>> exact(sheets);
    for (std::size_t k = 0; k < sheets; ++k) {
        const std::string name = sheetName(table, k);
        lxw_worksheet* sheet = nullptr;
        {
            const QuietStderr quiet;
            if (workbook_validate_sheet_name(workbook.get(), name.c_str()) == LXW_NO_ERROR)
                sheet = workbook_add_worksheet(workbook.get(), name.c_str());
        }
        if (!sheet) throw DataError(msg::workbookNotWritten(msg::sheetNotAdded(name)));
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const Column& column = table.columns[c];
            const lxw_col_t col = static_cast<lxw_col_t>(c);
            require(worksheet_write_string(sheet, 0, col, column.header.c_str(), header), 0, c);
            require(worksheet_set_column(sheet, col, col, column.width, nullptr), 0, c);
        }
        worksheet_freeze_panes(sheet, 1, 0);
        // The library writes a number to 16 significant digits; the exact
        // shortest text of every number cell replaces it after the workbook
        // is closed (xlsxexact.h).
        const std::size_t first = k * perSheet, last = std::min(table.rows.size(), first + perSheet);
        for (std::size_t r = first; r < last; ++r) {
            const std::size_t at = r - first + 1;
            const lxw_row_t row = static_cast<lxw_row_t>(at);
            for (std::size_t c = 0; c < table.rows[r].size() && c < table.columns.size(); ++c) {
                const Column& column = table.columns[c];
                const Cell& cell = table.rows[r][c];
                const lxw_col_t col = static_cast<lxw_col_t>(c);
                if (cell.kind == Cell::Kind::Empty) continue;
                if (cell.kind == Cell::Kind::Text || column.kind == ColumnKind::Bearing ||
                    column.kind == ColumnKind::Text || !std::isfinite(cell.value)) {
                    require(worksheet_write_string(sheet, row, col, displayText(column, cell).c_str(), nullptr), at, c);
                } else {
                    require(worksheet_write_number(sheet, row, col, cell.value, formats[c]), at, c);
                    exact[k].push_back({at, c, cell.value});
                }
            }
        }
    }
    errno = 0;
    lxw_error closed = LXW_NO_ERROR;
    {
        const QuietStderr quiet;
        closed = workbook_close(workbook.release());
    }
    if (closed != LXW_NO_ERROR)
        throw DataError(errno != 0 ? msg::fileNotWritten(msg::systemError(errno))
                                   : msg::workbookNotWritten(lxw_strerror(closed)));
    return exact;
}

}  // namespace

bool parseTableFormat(const std::string& name, TableFormat& format) {
    if (name == "tsv")
        format = TableFormat::Tsv;
    else if (name == "csv")
        format = TableFormat::Csv;
    else if (name == "xlsx")
        format = TableFormat::Xlsx;
    else
        return false;
    return true;
}

std::string bearingDms(double radians) {
    if (!std::isfinite(radians)) return formatFixed(radians, 0);
    const double degrees = radiansToDegrees(radians);
    // Rounded once, to hundredths of a second, so that 59.999″ carries into
    // the minute instead of showing 60.00″.
    const double perDegree = MINUTES_PER_DEGREE * SECONDS_PER_MINUTE * HUNDREDTHS_PER_SECOND;
    const double total = std::round(std::fabs(degrees) * perDegree);
    const double d = std::floor(total / perDegree);
    const double rest = total - d * perDegree;
    const double m = std::floor(rest / (SECONDS_PER_MINUTE * HUNDREDTHS_PER_SECOND));
    const double s = (rest - m * SECONDS_PER_MINUTE * HUNDREDTHS_PER_SECOND) / HUNDREDTHS_PER_SECOND;
    std::string seconds = formatFixed(s, SECOND_DECIMALS);
    if (s < 10.0) seconds = "0" + seconds;
    std::string minutes = formatFixed(m, 0);
    if (m < 10.0) minutes = "0" + minutes;
    return std::string(degrees < 0.0 && total > 0.0 ? "-" : "") + formatFixed(d, 0) + "°" + minutes + "′" + seconds +
           "″";
}

std::string tsvText(const Table& table) {
    std::string out;
    for (const std::vector<Cell>& row : table.rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += '\t';
            const Cell& cell = row[c];
            if (cell.kind == Cell::Kind::Text)
                out += cell.text;
            else if (cell.kind == Cell::Kind::Number)
                out += shortestText(cell.value);
        }
        out += '\n';
    }
    return out;
}

std::string csvText(const Table& table) {
    std::string out = UTF8_BOM;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        if (c > 0) out += ',';
        out += csvField(table.columns[c].header);
    }
    out += "\r\n";
    for (const std::vector<Cell>& row : table.rows) {
        for (std::size_t c = 0; c < row.size() && c < table.columns.size(); ++c) {
            if (c > 0) out += ',';
            out += csvField(displayText(table.columns[c], row[c]));
        }
        out += "\r\n";
    }
    return out;
}

std::string tableText(const Table& table, TableFormat format) {
    return format == TableFormat::Csv ? csvText(table) : tsvText(table);
}

void writeXlsx(const Table& table, const std::string& path, std::size_t sheetRows) {
    try {
        if (path.empty()) throw FileAccessError(msg::NO_FILE_CHOSEN);
        if (sheetRows < 2) throw DataError(msg::workbookNotWritten(lxw_strerror(LXW_ERROR_PARAMETER_VALIDATION)));
        removeOldTemporary(path);
        std::string bytes;
        {
            const ScratchFile scratch(path);
            const std::vector<std::vector<ExactCell>> exact = buildWorkbook(table, scratch.path(), sheetRows);
            bytes = withExactNumbersInWorkbook(readFileBytes(scratch.path()), exact);
        }
        writeFileAtomically(path, bytes);
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
}

}  // namespace gradix
