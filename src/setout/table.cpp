#include "setout/table.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include <xlsxwriter.h>

#include "setout/xlsxexact.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

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

void writeXlsx(const Table& table, const std::string& path) {
    if (path.empty()) throw FileAccessError(msg::NO_WORKBOOK_NAME);
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path temporary = target.parent_path() / (target.filename().string() + ".gradix-tmp");
    std::error_code ignored;
    const auto fail = [&](const std::string& why) {
        fs::remove(temporary, ignored);
        DataError e(msg::workbookNotWritten(why));
        e.locate(path);
        return e;
    };

    lxw_workbook* workbook = workbook_new(temporary.string().c_str());
    if (!workbook) throw fail(msg::FILE_NOT_CREATED);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* header = workbook_add_format(workbook);
    format_set_bold(header);
    std::vector<lxw_format*> formats;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const Column& column = table.columns[c];
        const lxw_col_t col = static_cast<lxw_col_t>(c);
        worksheet_write_string(sheet, 0, col, column.header.c_str(), header);
        worksheet_set_column(sheet, col, col, column.width, nullptr);
        lxw_format* f = workbook_add_format(workbook);
        format_set_num_format(f, numberFormat(column).c_str());
        formats.push_back(f);
    }
    worksheet_freeze_panes(sheet, 1, 0);

    // The library writes a number to 16 significant digits; the exact
    // shortest text of every number cell replaces it after the workbook is
    // closed (xlsxexact.h).
    std::vector<ExactCell> exact;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const lxw_row_t row = static_cast<lxw_row_t>(r + 1);
        for (std::size_t c = 0; c < table.rows[r].size() && c < table.columns.size(); ++c) {
            const Column& column = table.columns[c];
            const Cell& cell = table.rows[r][c];
            const lxw_col_t col = static_cast<lxw_col_t>(c);
            if (cell.kind == Cell::Kind::Empty) continue;
            if (cell.kind == Cell::Kind::Text || column.kind == ColumnKind::Bearing ||
                column.kind == ColumnKind::Text || !std::isfinite(cell.value)) {
                worksheet_write_string(sheet, row, col, displayText(column, cell).c_str(), nullptr);
            } else {
                worksheet_write_number(sheet, row, col, cell.value, formats[c]);
                exact.push_back({static_cast<std::size_t>(row), c, shortestText(cell.value)});
            }
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR) throw fail(lxw_strerror(closed));
    try {
        writeExactNumbers(temporary.string(), exact);
    } catch (const GradixError& e) {
        throw fail(e.reason());
    }
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed) throw fail(msg::systemError(renamed.value()));
}

}  // namespace gradix
