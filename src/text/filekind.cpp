#include "text/filekind.h"

#include <array>
#include <filesystem>
#include <string_view>
#include <vector>

#include "text/ascii.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view UTF16_LE_BOM = "\xFF\xFE";
constexpr std::string_view UTF16_BE_BOM = "\xFE\xFF";
constexpr std::string_view BINARY_DXF_SENTINEL = "AutoCAD Binary DXF";
constexpr std::string_view DXF_COMMENT_CODE = "999";
constexpr std::string_view DXF_ENTITY_CODE = "0";
constexpr std::string_view DXF_SECTION = "SECTION";
constexpr std::string_view LANDXML_ROOT = "LandXML";
constexpr std::string_view ICD_COMMENT = ";;";
constexpr std::size_t ICD_HEADER_ITEMS = 4;
// Kind codes of ICD element records: 1 straight to 6 partial spiral.
constexpr double FIRST_ICD_KIND = 1.0;
constexpr double LAST_ICD_KIND = 6.0;
// A stake may carry a stretch letter and the K of the kilometre notation.
constexpr std::size_t MOST_STAKE_LETTERS = 2;
constexpr char KILOMETRE_SEPARATOR = '+';

// The head of a file as text: a byte-order mark dropped, UTF-16 turned
// into its ASCII bytes (enough to tell XML by).
std::string headText(std::string bytes) {
    const std::string_view b = bytes;
    if (b.starts_with(UTF8_BOM)) return bytes.substr(UTF8_BOM.size());
    if (b.starts_with(UTF16_LE_BOM) || b.starts_with(UTF16_BE_BOM)) {
        std::string ascii;
        for (const char c : b.substr(UTF16_LE_BOM.size()))
            if (c != '\0') ascii += c;
        return ascii;
    }
    return bytes;
}

// The lines of the head; the last one is dropped when the head cuts it.
std::vector<std::string> headLines(const std::string& text, bool cut) {
    std::vector<std::string> lines = splitLines(text);
    if (cut && !lines.empty()) lines.pop_back();
    return lines;
}

// Whether the root element of an XML text is LandXML: declarations,
// comments and a document type may come before it.
bool isLandXml(std::string_view t) {
    for (;;) {
        t = trimmedView(t, ASCII_WHITE_SPACE, "");
        if (!t.starts_with('<')) return false;
        const auto skipPast = [&t](std::string_view end) {
            const std::size_t at = t.find(end);
            if (at == std::string_view::npos) return false;
            t.remove_prefix(at + end.size());
            return true;
        };
        if (t.starts_with("<?")) {
            if (!skipPast("?>")) return false;
        } else if (t.starts_with("<!--")) {
            if (!skipPast("-->")) return false;
        } else if (t.starts_with("<!")) {
            if (!skipPast(">")) return false;
        } else {
            t.remove_prefix(1);
            const std::string_view name = t.substr(0, t.find_first_of(" \t\n\r/>"));
            const std::size_t colon = name.rfind(':');
            return (colon == std::string_view::npos ? name : name.substr(colon + 1)) == LANDXML_ROOT;
        }
    }
}

bool isDxf(std::string_view head, const std::vector<std::string>& lines) {
    if (head.starts_with(BINARY_DXF_SENTINEL)) return true;
    std::size_t i = 0;
    const auto line = [&lines](std::size_t k) { return trimmedView(lines[k], ASCII_WHITE_SPACE, ASCII_WHITE_SPACE); };
    while (i + 1 < lines.size() && line(i) == DXF_COMMENT_CODE) i += 2;
    return i + 1 < lines.size() && line(i) == DXF_ENTITY_CODE && line(i + 1) == DXF_SECTION;
}

bool allNumbers(const std::vector<std::string>& fields) {
    for (const std::string& f : fields)
        if (!parseStrictNumber(f)) return false;
    return true;
}

// Four start values, then records: the first record a kind code with
// numbers, and commas between the start values or ";;" comments, which no
// profile or chain-break file has (a comma in a record alone may be a typing
// slip in one of those: "3,000 2990" in a chain-break file).
bool isIcd(const std::vector<std::string>& lines) {
    std::size_t items = 0;
    std::size_t i = 0;
    bool separated = false;  // a comma between the start values, or a ";;" comment line
    std::vector<std::string> record;
    for (; i < lines.size() && items < ICD_HEADER_ITEMS; ++i) {
        const std::string prepared = prepareIcdLine(lines[i]);
        if (prepared.empty()) continue;
        separated = separated || lines[i].find(',') != std::string::npos;
        std::vector<std::string> fields = splitFields(prepared);
        const std::size_t used = std::min(fields.size(), ICD_HEADER_ITEMS - items);
        for (std::size_t k = 0; k < used; ++k)
            if (!parseStrictNumber(fields[k])) return false;
        items += used;
        if (used < fields.size()) record.assign(fields.begin() + static_cast<std::ptrdiff_t>(used), fields.end());
    }
    if (items < ICD_HEADER_ITEMS) return false;
    for (; record.empty() && i < lines.size(); ++i) {
        const std::string prepared = prepareIcdLine(lines[i]);
        if (prepared.starts_with(ICD_COMMENT)) separated = true;
        if (isSkippedIcdLine(prepared)) continue;
        record = splitFields(prepared);
    }
    if (record.empty() || !allNumbers(record)) return false;
    const double kind = *parseStrictNumber(record.front());
    return separated && kind >= FIRST_ICD_KIND && kind <= LAST_ICD_KIND && kind == static_cast<int>(kind);
}

// A stake as a profile line writes it: a number, after at most a stretch
// letter and the K of the kilometre notation, or "K2+320".
bool isStakeForm(std::string_view field) {
    std::size_t letters = 0;
    while (letters < field.size() && letters < MOST_STAKE_LETTERS &&
           ((field[letters] >= 'A' && field[letters] <= 'Z') || (field[letters] >= 'a' && field[letters] <= 'z')))
        ++letters;
    field.remove_prefix(letters);
    const std::size_t plus = field.find(KILOMETRE_SEPARATOR);
    if (plus == std::string_view::npos) return parseStrictNumber(field).has_value();
    return parseStrictNumber(field.substr(0, plus)) && parseStrictNumber(field.substr(plus + 1));
}

// Whether the data lines (up to the first empty one) all have a form: a
// stake and a number (profile), or two numbers (chain breaks).
bool linesHaveForm(const std::vector<std::string>& lines, DataFileKind kind) {
    std::size_t data = 0;
    for (const std::string& line : lines) {
        const std::string prepared = prepareDataLine(line);
        if (prepared.empty()) break;
        const std::vector<std::string> fields = splitFields(prepared);
        if (fields.size() < 2 || !parseStrictNumber(fields[1])) return false;
        if (kind == DataFileKind::Profile ? !isStakeForm(fields[0]) : !parseStrictNumber(fields[0])) return false;
        ++data;
    }
    return data > 0;
}

std::optional<DataFileKind> kindByName(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    for (const char* extension : {".zdm", ".sqx"})
        if (endsWithIgnoringCase(name, extension)) return DataFileKind::Profile;
    if (endsWithIgnoringCase(name, ".dl")) return DataFileKind::ChainBreaks;
    return std::nullopt;
}

}  // namespace

std::optional<DataFileKind> certainKindOf(const std::string& path) {
    std::string bytes;
    try {
        bytes = readFileBytes(path, SNIFFED_BYTES);
    } catch (const GradixError&) {
        return std::nullopt;
    }
    const bool cut = bytes.size() == SNIFFED_BYTES;
    const std::string text = headText(std::move(bytes));
    if (isLandXml(text)) return DataFileKind::LandXml;
    const std::vector<std::string> lines = headLines(text, cut);
    if (isDxf(text, lines)) return DataFileKind::DxfDrawing;
    if (isIcd(lines)) return DataFileKind::IcdAlignment;
    const std::optional<DataFileKind> named = kindByName(path);
    if (named && linesHaveForm(lines, *named)) return named;
    return std::nullopt;
}

const char* otherKindReason(DataFileKind kind) {
    switch (kind) {
        case DataFileKind::Profile: return msg::IS_PROFILE_FILE;
        case DataFileKind::ChainBreaks: return msg::IS_CHAIN_BREAK_FILE;
        case DataFileKind::IcdAlignment: return msg::IS_ICD_FILE;
        case DataFileKind::LandXml: return msg::IS_LANDXML_FILE;
        case DataFileKind::DxfDrawing: return msg::IS_DXF_FILE;
    }
    return msg::IS_PROFILE_FILE;
}

void refuseOtherKind(const std::string& path, DataFileKind expected) {
    const std::optional<DataFileKind> kind = certainKindOf(path);
    if (!kind || *kind == expected) return;
    DataError error(otherKindReason(*kind));
    error.locate(path);
    throw error;
}

void refuseXmlOrDrawing(const std::string& path) {
    const std::optional<DataFileKind> kind = certainKindOf(path);
    if (kind != DataFileKind::LandXml && kind != DataFileKind::DxfDrawing) return;
    DataError e(otherKindReason(*kind));
    e.locate(path);
    throw e;
}

}  // namespace gradix
