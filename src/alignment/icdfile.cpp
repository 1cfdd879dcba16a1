// The ICD alignment file: header of the start values, element records, and
// the passage of the start bearing through packed degrees-minutes-seconds.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alignment/alignment.h"
#include "alignment/alignment_internal.h"
#include "stakes/chainbreaks.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/filekind.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Packed degrees-minutes-seconds ±DDD.MMSSsss: minutes take two decimal
// places, seconds the next two and their fraction.
constexpr double MINUTES_PER_DEGREE = 60.0;
constexpr double SECONDS_PER_DEGREE = 3600.0;
constexpr int PACKED_MINUTE_SCALE = 100;      // DDD.MM -> DDDMM
constexpr int PACKED_SECOND_SCALE = 10000;    // DDD.MMSS -> DDDMMSS
constexpr double PACKED_SECOND_SCALE_D = 10000.0;
constexpr double PACKED_MINUTE_SCALE_D = 100.0;
// The degrees times PACKED_SECOND_SCALE are formed in 32-bit integers: the
// largest whole degrees that fit.
constexpr std::int32_t MAX_PACKED_DEGREES = std::numeric_limits<std::int32_t>::max() / PACKED_SECOND_SCALE;
// The seconds field of a well-formed packed value lies in [0, 60). Rounding in
// a·100 can shave a whole minute down to the one below, so that its seconds
// come out a hair under 100 ("29'99.99999..." for 30'00"); within this window
// (in seconds) under 100 that minute is carried back.
constexpr double SECONDS_FIELD_SPAN = 100.0;
constexpr double MINUTE_CARRY_WINDOW = 1e-4;


// Start values in the header, in this order.
constexpr int HEADER_ITEMS = 4;

// Kind codes of the element records and the fields each needs after its code.
constexpr double KIND_LINE = 1.0;
constexpr double KIND_ARC = 2.0;
constexpr double KIND_ENTERING = 3.0;
constexpr double KIND_EXIT = 4.0;
constexpr double KIND_PARTIAL = 5.0;
constexpr double KIND_PARTIAL_TOO = 6.0;  // read exactly as KIND_PARTIAL
constexpr std::size_t LINE_FIELDS = 1;       // L
constexpr std::size_t ARC_FIELDS = 3;        // R, L, dir
constexpr std::size_t SPIRAL_FIELDS = 3;     // A, R, dir
constexpr std::size_t PARTIAL_FIELDS = 4;    // A, R1, R2, dir

double signOf(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool endsHeaderItem(char c) { return c == ',' || isBlank(c); }

// The lines of the file as the header and the records take them, one at a
// time: the line being read and its 1-based number.
struct IcdLines {
    TextLineReader reader;
    std::string text;
    bool have = false;  // whether text holds a line; false after the last

    bool advance() { return have = reader.next(text); }
    long number() const { return reader.lineNumber(); }
};

// Reads the four start values of the header as free-format items: an item
// ends at a comma, a blank or the end of its line; blanks and line breaks
// before an item are skipped and blanks before a comma count as one
// delimiter with it. Returns the column of the current line where the
// records begin: the rest of the line of the fourth item.
std::size_t readHeader(IcdLines& lines, const std::string& path, Alignment& al) {
    double* const targets[HEADER_ITEMS] = {&al.icdStartChainage, &al.icdStartX, &al.icdStartY,
                                           &al.icdStartBearing};
    std::size_t column = 0;
    for (int item = 0; item < HEADER_ITEMS; ++item) {
        // Skip blanks and line breaks before the item.
        while (lines.have) {
            while (column < lines.text.size() && isBlank(lines.text[column])) ++column;
            if (column < lines.text.size()) break;
            lines.advance();
            column = 0;
        }
        if (!lines.have) {
            DataError error(msg::headerEndsBefore(item + 1, HEADER_ITEMS));
            error.locate(path, lines.number());
            throw error;
        }
        const std::string& text = lines.text;
        const std::size_t from = column;
        while (column < text.size() && !endsHeaderItem(text[column])) ++column;
        const std::string_view field = std::string_view(text).substr(from, column - from);
        const std::optional<double> value = parseStrictNumber(field);
        if (!value) {
            DataError error(field.empty() ? msg::emptyStartValue(item + 1) : msg::startValueNotNumber(item + 1, field));
            error.locate(path, lines.number());
            throw error;
        }
        if (item == 0 && !(std::fabs(*value) <= MAX_STATION)) {
            // A start chainage no road reaches is a damaged file, refused as LandXML refuses it.
            DataError error(msg::stationBeyond("起点里程", *value, MAX_STATION));
            error.locate(path, lines.number());
            throw error;
        }
        *targets[item] = *value;
        if (item + 1 < HEADER_ITEMS) {
            // The delimiter: blanks, then at most one comma.
            while (column < text.size() && isBlank(text[column])) ++column;
            if (column < text.size() && text[column] == ',') ++column;
        }
    }
    return column;
}

// Fields after the kind code that each kind needs.
std::size_t fieldsNeeded(double kind) {
    if (kind == KIND_LINE) return LINE_FIELDS;
    if (kind == KIND_ARC) return ARC_FIELDS;
    if (kind == KIND_ENTERING || kind == KIND_EXIT) return SPIRAL_FIELDS;
    return PARTIAL_FIELDS;
}

bool isKindCode(double kind) {
    return kind == KIND_LINE || kind == KIND_ARC || kind == KIND_ENTERING || kind == KIND_EXIT ||
           kind == KIND_PARTIAL || kind == KIND_PARTIAL_TOO;
}

// The reason a record of a kind code has too few fields; nullopt when it
// has enough or its code ends the records.
std::optional<std::string> fieldsMissing(const std::vector<std::string>& fields) {
    const double kind = LeadingNumber(fields[0]);
    if (!isKindCode(kind)) return std::nullopt;
    const std::size_t needed = fieldsNeeded(kind);
    if (fields.size() >= needed + 1) return std::nullopt;
    return msg::recordFieldsMissing(fields[0], fields.size() - 1, needed);
}

// Interprets the fields of one prepared, not skipped record line. Returns
// false when its kind code ends the records; otherwise stores the element at
// index n.
bool storeRecord(const std::vector<std::string>& fields, int n, Alignment& al) {
    const double kind = LeadingNumber(fields[0]);
    if (!isKindCode(kind)) return false;
    if (const std::optional<std::string> missing = fieldsMissing(fields)) throw DataError(*missing);
    const std::size_t needed = fieldsNeeded(kind);
    std::vector<double> f(needed + 1, 0.0);
    for (std::size_t k = 1; k <= needed; ++k) f[k] = LeadingNumber(fields[k]);
    if (n > ELEMENT_CAPACITY)
        throw DataError(msg::tooManyElementRecords(ELEMENT_CAPACITY));

    const auto i = static_cast<std::size_t>(n);
    if (kind == KIND_LINE) {
        al.elemStartRadius[i] = INFINITE_RADIUS;
        al.elemEndRadius[i] = INFINITE_RADIUS;
        al.elemLength[i] = f[1];
    } else if (kind == KIND_ARC) {
        const double radius = f[1] * signOf(f[3]);
        al.elemStartRadius[i] = radius;
        al.elemEndRadius[i] = radius;
        al.elemLength[i] = f[2];
    } else if (kind == KIND_ENTERING || kind == KIND_EXIT) {
        const double a = f[1];
        const double r = f[2];
        const double radius = r * signOf(f[3]);
        al.elemStartRadius[i] = kind == KIND_ENTERING ? INFINITE_RADIUS : radius;
        al.elemEndRadius[i] = kind == KIND_ENTERING ? radius : INFINITE_RADIUS;
        // The length from the values as written, before the sign of dir.
        al.elemLength[i] = detail::requireFiniteAt(a * a / r, msg::SPIRAL_LENGTH, n);
    } else {
        const double a = f[1];
        const double r1 = f[2];
        const double r2 = f[3];
        const double direction = signOf(f[4]);
        al.elemStartRadius[i] = r1 * direction;
        al.elemEndRadius[i] = r2 * direction;
        al.elemLength[i] = detail::requireFiniteAt(a * a * std::fabs(r1 - r2) / r1 / r2, msg::SPIRAL_LENGTH, n);
    }
    return true;
}

}  // namespace

double Degdms(double deg) {
    requireFinite(deg, msg::BEARING_IN_DEGREES);
    const double s = signOf(deg);
    const double a = std::fabs(deg);
    const double d = std::floor(a);
    const double m = std::floor(MINUTES_PER_DEGREE * (a - d));
    const double sec = SECONDS_PER_DEGREE * ((a - d) - m / MINUTES_PER_DEGREE);
    const double result = s * (PACKED_SECOND_SCALE_D * d + PACKED_MINUTE_SCALE_D * m + sec) / PACKED_SECOND_SCALE_D;
    return requireFinite(result, msg::PACKED_BEARING);
}

double Dmsdeg(double v) {
    requireFinite(v, msg::PACKED_BEARING);
    const double s = signOf(v);
    const double a = std::fabs(v);
    if (!(std::floor(a) <= static_cast<double>(MAX_PACKED_DEGREES)))
        throw DataError(msg::packedBearingDegrees(v, MAX_PACKED_DEGREES));
    const auto d = static_cast<std::int32_t>(std::floor(a));
    auto m = static_cast<std::int32_t>(std::floor(a * PACKED_MINUTE_SCALE_D - d * PACKED_MINUTE_SCALE));
    double sec = a * PACKED_SECOND_SCALE_D - d * PACKED_SECOND_SCALE - m * PACKED_MINUTE_SCALE;
    if (sec >= SECONDS_FIELD_SPAN - MINUTE_CARRY_WINDOW) {
        ++m;
        sec -= SECONDS_FIELD_SPAN;
    }
    return (m / MINUTES_PER_DEGREE + d + sec / SECONDS_PER_DEGREE) * s;
}

void dqicd(const std::string& dialogfn, Alignment& alignment, ChainBreakTable& breaks, double pi,
           ReadReport* report) {
    // The lines are read one at a time: the reading stops at the record
    // that ends the chain, whatever follows.
    IcdLines lines{TextLineReader(dialogfn), std::string(), false};
    refuseOtherKind(dialogfn, DataFileKind::IcdAlignment);
    const bool checking = report != nullptr && report->checkMode;
    lines.advance();
    const std::size_t recordColumn = readHeader(lines, dialogfn, alignment);

    // The count starts afresh: a file with a header and no record gives an
    // alignment of no element rather than the elements of an earlier file.
    alignment.elemCount = 0;
    int n = 1;
    for (bool headerLine = true; lines.have; headerLine = false, lines.advance()) {
        const std::string_view text =
            headerLine ? std::string_view(lines.text).substr(recordColumn) : std::string_view(lines.text);
        try {
            const std::string prepared = prepareIcdLine(text);
            if (isSkippedIcdLine(prepared)) continue;
            const std::vector<std::string> fields = splitFields(prepared);
            if (checking) {
                if (const std::optional<std::string> missing = fieldsMissing(fields)) {
                    report->refusals.push_back({lines.number(), *missing});
                    continue;
                }
            }
            if (!storeRecord(fields, n, alignment)) break;
        } catch (GradixError& error) {
            error.locate(dialogfn, lines.number());
            throw;
        }
        if (report) report->entryLines.push_back(lines.number());
        ++n;
        alignment.elemCount = static_cast<std::int16_t>(n - 1);
    }

    try {
        alignment.icdStartBearing = Dmsdeg(Degdms(alignment.icdStartBearing * HALF_TURN_DEGREES / pi));
        PrepareAlignment(alignment);
    } catch (GradixError& error) {
        error.locate(dialogfn);
        throw;
    }
    breaks.chainBreakCount = 0;
}

}  // namespace gradix
