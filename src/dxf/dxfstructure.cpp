#include "dxf/dxfstructure.h"

#include <cctype>
#include <charconv>

#include "text/ascii.h"
#include "text/failures.h"

namespace gradix {

namespace {

constexpr std::string_view BINARY_SENTINEL = "AutoCAD Binary DXF";
constexpr int HEX = 16;
constexpr int CODE_ENTITY = 0;
constexpr int CODE_NAME = 2;
constexpr int CODE_HANDLE = 5;
constexpr int CODE_DIMSTYLE_HANDLE = 105;
constexpr int CODE_VARIABLE = 9;
constexpr int CODE_TABLE_COUNT = 70;

std::string_view trim(std::string_view s) { return trimmedView(s, " \t", " \t\r"); }

// One line of the bytes: [begin, contentEnd) its text, next the offset after its line end.
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t next;
};

Line lineAt(std::string_view bytes, std::size_t begin) {
    const std::size_t lf = bytes.find('\n', begin);
    const std::size_t next = lf == std::string_view::npos ? bytes.size() : lf + 1;
    std::size_t contentEnd = lf == std::string_view::npos ? bytes.size() : lf;
    if (contentEnd > begin && bytes[contentEnd - 1] == '\r') --contentEnd;
    return {begin, contentEnd, next};
}

}  // namespace

const DxfSection* DxfStructure::section(std::string_view name) const {
    for (const DxfSection& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

std::size_t DxfStructure::sectionEnd(const DxfSection& section) const {
    if (section.endSecPair > section.sectionPair) return section.endSecPair;
    const std::size_t index = static_cast<std::size_t>(&section - sections.data());
    if (index + 1 < sections.size()) return sections[index + 1].sectionPair;
    return eofPair ? *eofPair : pairs.size();
}

const DxfTable* DxfStructure::table(std::string_view name) const {
    const std::string folded = foldName(name);
    for (const DxfTable& t : tables)
        if (t.name == folded) return &t;
    return nullptr;
}

std::optional<std::uint64_t> parseHandle(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, HEX);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string formatHandle(std::uint64_t handle) {
    char buffer[HEX + 1];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, handle, HEX);
    std::string out(buffer, end);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string foldName(std::string_view name) { return upperCaseAscii(name); }

DxfStructure scanDxf(std::string_view bytes) {
    if (bytes.substr(0, BINARY_SENTINEL.size()) == BINARY_SENTINEL)
        throw DataError("a binary DXF file; Gradix reads ASCII DXF files only");
    DxfStructure s;
    {
        const std::size_t lf = bytes.find('\n');
        if (lf != std::string_view::npos && lf > 0 && bytes[lf - 1] == '\r') s.lineEnd = "\r\n";
    }

    // 1. The group pairs, up to the end of file marker.
    std::size_t offset = 0;
    long lineNumber = 1;
    while (offset < bytes.size()) {
        const Line codeLine = lineAt(bytes, offset);
        const std::string_view codeText = trim(bytes.substr(codeLine.begin, codeLine.contentEnd - codeLine.begin));
        if (codeText.empty() && codeLine.next >= bytes.size()) break;  // a blank last line
        int code = 0;
        const auto [end, ec] = std::from_chars(codeText.data(), codeText.data() + codeText.size(), code);
        if (codeText.empty() || ec != std::errc{} || end != codeText.data() + codeText.size())
            throw DataError("line " + std::to_string(lineNumber) + ": a group code was expected, not \"" +
                            std::string(codeText.substr(0, 40)) + "\"");
        if (codeLine.next >= bytes.size())
            throw DataError("line " + std::to_string(lineNumber) + ": the group code has no value line");
        const Line valueLine = lineAt(bytes, codeLine.next);
        DxfPair pair;
        pair.code = code;
        pair.begin = codeLine.begin;
        pair.valueBegin = valueLine.begin;
        pair.valueEnd = valueLine.contentEnd;
        pair.value = bytes.substr(valueLine.begin, valueLine.contentEnd - valueLine.begin);
        pair.end = valueLine.next;
        pair.line = lineNumber;
        s.pairs.push_back(pair);
        lineNumber += 2;
        offset = valueLine.next;
        if (code == CODE_ENTITY && trim(pair.value) == "EOF") {
            s.eofPair = s.pairs.size() - 1;
            break;
        }
    }
    if (s.pairs.empty()) throw DataError("the file holds no DXF data");

    // 2. Sections, header variables, tables and their entries, handles.
    std::optional<std::size_t> openSection;
    DxfTable* openTable = nullptr;
    DxfTableEntry* openEntry = nullptr;
    std::string variable;
    bool objectHandleTaken = true;  // the first handle of each object is its own
    const auto closeEntry = [&](std::size_t index) {
        if (openEntry) openEntry->lastPair = index;
        openEntry = nullptr;
    };
    for (std::size_t i = 0; i < s.pairs.size(); ++i) {
        const DxfPair& p = s.pairs[i];
        const std::string_view value = trim(p.value);
        if (p.code == CODE_ENTITY) {
            objectHandleTaken = false;
            closeEntry(i);
            if (value == "SECTION") {
                DxfSection section;
                section.sectionPair = i;
                if (i + 1 < s.pairs.size() && s.pairs[i + 1].code == CODE_NAME)
                    section.name = foldName(trim(s.pairs[i + 1].value));
                s.sections.push_back(section);
                openSection = s.sections.size() - 1;
                variable.clear();
                continue;
            }
            if (value == "ENDSEC") {
                if (openSection) s.sections[*openSection].endSecPair = i;
                openSection.reset();
                openTable = nullptr;
                continue;
            }
            if (!openSection) continue;
            const std::string& sectionName = s.sections[*openSection].name;
            if (sectionName == "TABLES") {
                if (value == "TABLE") {
                    DxfTable table;
                    table.tablePair = i;
                    if (i + 1 < s.pairs.size() && s.pairs[i + 1].code == CODE_NAME)
                        table.name = foldName(trim(s.pairs[i + 1].value));
                    s.tables.push_back(table);
                    openTable = &s.tables.back();
                } else if (value == "ENDTAB") {
                    if (openTable) openTable->endTabPair = i;
                    openTable = nullptr;
                } else if (openTable) {
                    DxfTableEntry entry;
                    entry.type = foldName(value);
                    entry.firstPair = i;
                    openTable->entries.push_back(entry);
                    openEntry = &openTable->entries.back();
                }
            }
            continue;
        }
        if (!openSection) continue;
        const std::string& sectionName = s.sections[*openSection].name;
        if (sectionName == "HEADER") {
            if (p.code == CODE_VARIABLE) {
                variable = std::string(value);
            } else if (variable == "$ACADVER" && s.acadVersion.empty()) {
                s.acadVersion = std::string(value);
            } else if (variable == "$DWGCODEPAGE" && s.codePage.empty()) {
                s.codePage = std::string(value);
            } else if (variable == "$HANDSEED" && p.code == CODE_HANDLE) {
                s.handseedPair = i;
            }
            continue;
        }
        // Later code 5 pairs of an object (a sort table's list) name other objects.
        if ((p.code == CODE_HANDLE || p.code == CODE_DIMSTYLE_HANDLE) && !objectHandleTaken) {
            objectHandleTaken = true;
            if (const auto h = parseHandle(value)) {
                s.hasHandles = true;
                if (*h > s.highestHandle) s.highestHandle = *h;
            }
        }
        if (openEntry) {
            if (p.code == CODE_NAME && openEntry->rawName.empty()) openEntry->rawName = std::string(value);
            if ((p.code == CODE_HANDLE || p.code == CODE_DIMSTYLE_HANDLE) && openEntry->handle.empty())
                openEntry->handle = std::string(value);
        } else if (openTable && openTable->entries.empty()) {
            if (p.code == CODE_HANDLE && openTable->handle.empty()) openTable->handle = std::string(value);
            if (p.code == CODE_TABLE_COUNT && !openTable->countPair) openTable->countPair = i;
        }
    }
    closeEntry(s.pairs.size());

    for (const DxfTable& table : s.tables) {
        if (table.name != "BLOCK_RECORD") continue;
        for (const DxfTableEntry& entry : table.entries)
            if (foldName(entry.rawName) == "*MODEL_SPACE") s.modelSpaceRecord = entry.handle;
    }
    return s;
}

}  // namespace gradix
