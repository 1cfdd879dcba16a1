#include "dxf/dxfstructure.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "dxf/groupcodes.h"
#include "text/ascii.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr int HEX = 16;
constexpr std::size_t QUOTED_CODE = 40;        // characters of a bad code line quoted in a failure
constexpr unsigned char EXTENDED_CODE = 255;   // a one-byte code of 255: a two-byte code follows
constexpr std::size_t REAL_BYTES = 8;
constexpr std::size_t INT16_BYTES = 2;
constexpr std::size_t INT32_BYTES = 4;
constexpr std::size_t INT64_BYTES = 8;
constexpr std::size_t BOOL_BYTES = 1;

std::string_view trim(std::string_view s) { return trimmedView(s, " \t", " \t\r"); }

// One line of the bytes: [begin, contentEnd) its text, next the offset after its line end.
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t next;
};

Line lineAt(std::string_view bytes, std::size_t begin) {
    const void* found = std::memchr(bytes.data() + begin, '\n', bytes.size() - begin);
    const std::size_t lf = found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data())
                                 : bytes.size();
    const std::size_t next = found ? lf + 1 : bytes.size();
    std::size_t contentEnd = lf;
    if (contentEnd > begin && bytes[contentEnd - 1] == '\r') --contentEnd;
    return {begin, contentEnd, next};
}

std::string lineText(long line) { return msg::dxfLine(line); }
std::string byteText(std::size_t offset) { return msg::dxfByte(offset); }

// Reads the group pairs of ASCII DXF bytes one at a time.
class AsciiPairs {
public:
    explicit AsciiPairs(std::string_view bytes) : bytes_(bytes) {}

    bool next(DxfPair& pair) {
        if (offset_ >= bytes_.size()) return false;
        const Line codeLine = lineAt(bytes_, offset_);
        const std::string_view codeText = trim(bytes_.substr(codeLine.begin, codeLine.contentEnd - codeLine.begin));
        if (codeText.empty() && codeLine.next >= bytes_.size()) return false;  // a blank last line
        int code = 0;
        const auto [end, ec] = std::from_chars(codeText.data(), codeText.data() + codeText.size(), code);
        if (codeText.empty() || ec != std::errc{} || end != codeText.data() + codeText.size())
            throw DataError(msg::groupCodeExpected(lineText(line_), codeText.substr(0, QUOTED_CODE)));
        if (codeLine.next >= bytes_.size()) throw DataError(msg::noValueLine(lineText(line_)));
        const Line valueLine = lineAt(bytes_, codeLine.next);
        pair.code = code;
        pair.binary = false;
        pair.begin = codeLine.begin;
        pair.valueBegin = valueLine.begin;
        pair.valueEnd = valueLine.contentEnd;
        pair.value = bytes_.substr(valueLine.begin, valueLine.contentEnd - valueLine.begin);
        pair.end = valueLine.next;
        pair.line = line_;
        line_ += 2;
        offset_ = valueLine.next;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t offset_ = 0;
    long line_ = 1;
};

// Reads the group pairs of binary DXF bytes one at a time: a code of one
// byte (R12 and older; 255 announces a two-byte code) or two bytes, little
// endian, then the value in the form its code's kind gives.
class BinaryPairs {
public:
    BinaryPairs(std::string_view bytes, int codeBytes)
        : bytes_(bytes), codeBytes_(codeBytes), offset_(BINARY_DXF_SENTINEL.size()) {}

    bool next(DxfPair& pair) {
        if (offset_ >= bytes_.size()) return false;
        const std::size_t begin = offset_;
        int code = 0;
        if (codeBytes_ == 1) {
            code = byte(offset_++);
            if (code == EXTENDED_CODE) code = int16At(take(INT16_BYTES, begin));
        } else {
            code = int16At(take(INT16_BYTES, begin));
        }
        std::size_t valueBegin = offset_;
        std::size_t valueEnd = 0;
        switch (dxfValueKind(code)) {
            case DxfValueKind::String: {
                const void* zero = std::memchr(bytes_.data() + offset_, '\0', bytes_.size() - offset_);
                if (!zero) throw DataError(msg::binaryEndsInString(byteText(begin)));
                valueEnd = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes_.data());
                offset_ = valueEnd + 1;
                break;
            }
            case DxfValueKind::Real: valueEnd = take(REAL_BYTES, begin) + REAL_BYTES; break;
            case DxfValueKind::Int16: valueEnd = take(INT16_BYTES, begin) + INT16_BYTES; break;
            case DxfValueKind::Int32: valueEnd = take(INT32_BYTES, begin) + INT32_BYTES; break;
            case DxfValueKind::Int64: valueEnd = take(INT64_BYTES, begin) + INT64_BYTES; break;
            case DxfValueKind::Bool: valueEnd = take(BOOL_BYTES, begin) + BOOL_BYTES; break;
            case DxfValueKind::BinaryChunk: {
                const std::size_t length = byte(take(BOOL_BYTES, begin));
                valueBegin = offset_;
                valueEnd = take(length, begin) + length;
                break;
            }
        }
        pair.code = code;
        pair.binary = true;
        pair.begin = begin;
        pair.valueBegin = valueBegin;
        pair.valueEnd = valueEnd;
        pair.value = bytes_.substr(valueBegin, valueEnd - valueBegin);
        pair.end = offset_;
        pair.line = 0;
        return true;
    }

private:
    unsigned char byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    int int16At(std::size_t at) const {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(byte(at) | (byte(at + 1) << 8)));
    }
    // The offset of the next n bytes, which the pair starting at begin needs.
    std::size_t take(std::size_t n, std::size_t begin) {
        if (bytes_.size() - offset_ < n) throw DataError(msg::binaryEndsInPair(byteText(begin)));
        const std::size_t at = offset_;
        offset_ += n;
        return at;
    }

    std::string_view bytes_;
    int codeBytes_;
    std::size_t offset_;
};

template <class T>
T littleEndian(std::string_view v) {
    T out{};
    if (v.size() != sizeof(T)) return out;
    unsigned char raw[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) raw[i] = static_cast<unsigned char>(v[i]);
    std::memcpy(&out, raw, sizeof(T));  // the machine is little endian, as the file
    return out;
}

// The bytes of a binary file's group codes. The first pair is 0/SECTION: a
// zero code byte, then the string (one-byte codes), or two zero code bytes.
int binaryCodeBytes(std::string_view bytes) {
    const std::size_t first = BINARY_DXF_SENTINEL.size();
    return bytes.size() > first + 1 && bytes[first + 1] != '\0' ? 1 : 2;
}

// The scan proper: structure bookkeeping over the pairs as they come.
class Scanner {
public:
    Scanner(DxfStructure& s, DxfPairVisitor* visitor, bool keepAll) : s_(s), visitor_(visitor), keepAll_(keepAll) {}

    void run(std::string_view bytes) {
        if (bytes.substr(0, BINARY_DXF_SENTINEL.size()) == BINARY_DXF_SENTINEL) {
            s_.binary = true;
            s_.binaryCodeBytes = binaryCodeBytes(bytes);
            BinaryPairs pairs(bytes, s_.binaryCodeBytes);
            loop(pairs);
        } else {
            const std::size_t lf = bytes.find('\n');
            if (lf != std::string_view::npos && lf > 0 && bytes[lf - 1] == '\r') s_.lineEnd = "\r\n";
            AsciiPairs pairs(bytes);
            loop(pairs);
        }
        if (count_ == 0) throw DataError(msg::NO_DXF_DATA);
        closeEntry(s_.pairs.size());
        for (const DxfTable& table : s_.tables) {
            if (table.name != "BLOCK_RECORD") continue;
            for (const DxfTableEntry& entry : table.entries)
                if (foldName(entry.rawName) == "*MODEL_SPACE") s_.modelSpaceRecord = entry.handle;
        }
    }

private:
    template <class Pairs>
    void loop(Pairs& pairs) {
        DxfPair p;
        while (pairs.next(p)) {
            ++count_;
            s_.dataEnd = p.end;
            s_.dataEndLine = p.binary ? 0 : p.line + 1;
            const bool marker = p.code == dxfcode::TYPE;
            const std::string_view value = marker ? pairName(p) : std::string_view{};
            if (marker && value == "SECTION") {
                pendingSectionName_ = true;
                closeEntry(s_.pairs.size());
                openSection_.reset();
                openTable_ = nullptr;
                DxfSection section;
                section.sectionPair = s_.pairs.size();
                s_.sections.push_back(section);
                openSection_ = s_.sections.size() - 1;
                sectionName_.clear();
                s_.pairs.push_back(p);
                variable_.clear();
                objectHandleTaken_ = false;
                continue;
            }
            if (pendingSectionName_) {
                pendingSectionName_ = false;
                if (p.code == dxfcode::NAME) {
                    sectionName_ = foldName(pairName(p));
                    s_.sections[*openSection_].name = sectionName_;
                    s_.pairs.push_back(p);
                    if (visitor_) visitor_->sectionStarts(sectionName_);
                    continue;
                }
                if (visitor_) visitor_->sectionStarts(sectionName_);
            }
            const bool kept = keepAll_ || (marker && (value == "ENDSEC" || value == "EOF")) ||
                              (openSection_ && (sectionName_ == "HEADER" || sectionName_ == "TABLES"));
            const std::size_t index = s_.pairs.size();
            if (kept) s_.pairs.push_back(p);
            if (visitor_) visitor_->pair(p);
            if (marker) {
                objectHandleTaken_ = false;
                variable_.clear();
                if (kept) closeEntry(index);
                if (value == "EOF") {
                    s_.eofPair = index;
                    return;
                }
                if (value == "ENDSEC") {
                    if (openSection_) s_.sections[*openSection_].endSecPair = index;
                    openSection_.reset();
                    sectionName_.clear();
                    openTable_ = nullptr;
                    continue;
                }
                if (openSection_ && sectionName_ == "TABLES") tableMarker(value, index);
                continue;
            }
            if (!openSection_) continue;
            if (sectionName_ == "HEADER") {
                headerPair(p, index);
                continue;
            }
            // Later code 5 pairs of an object (a sort table's list) name other objects.
            if ((p.code == dxfcode::HANDLE || p.code == dxfcode::DIMSTYLE_HANDLE) && !objectHandleTaken_) {
                objectHandleTaken_ = true;
                if (const auto h = parseHandle(pairName(p))) {
                    s_.hasHandles = true;
                    if (*h > s_.highestHandle) s_.highestHandle = *h;
                }
            }
            if (sectionName_ != "TABLES") continue;
            if (openEntry_) {
                if (p.code == dxfcode::NAME && openEntry_->rawName.empty()) openEntry_->rawName = std::string(pairName(p));
                if ((p.code == dxfcode::HANDLE || p.code == dxfcode::DIMSTYLE_HANDLE) && openEntry_->handle.empty())
                    openEntry_->handle = std::string(pairName(p));
            } else if (openTable_ && openTable_->entries.empty()) {
                // The table's name is its first code 2 pair, before any entry.
                if (p.code == dxfcode::NAME && openTable_->name.empty()) openTable_->name = foldName(pairName(p));
                if (p.code == dxfcode::HANDLE && openTable_->handle.empty()) openTable_->handle = std::string(pairName(p));
                if (p.code == dxfcode::TABLE_COUNT && !openTable_->countPair) openTable_->countPair = index;
            }
        }
    }

    void tableMarker(std::string_view value, std::size_t index) {
        if (value == "TABLE") {
            DxfTable table;
            table.tablePair = index;
            s_.tables.push_back(table);
            openTable_ = &s_.tables.back();
        } else if (value == "ENDTAB") {
            if (openTable_) openTable_->endTabPair = index;
            openTable_ = nullptr;
        } else if (openTable_) {
            DxfTableEntry entry;
            entry.type = foldName(value);
            entry.firstPair = index;
            openTable_->entries.push_back(entry);
            openEntry_ = &openTable_->entries.back();
        }
    }

    // A header variable: its name (code 9), then its value. Only the pair
    // right after the name is its value: a damaged header may hold stray pairs.
    void headerPair(const DxfPair& p, std::size_t index) {
        if (p.code == dxfcode::VARIABLE) {
            variable_ = std::string(pairName(p));
            return;
        }
        const std::string variable = std::move(variable_);
        variable_.clear();
        if (variable == "$ACADVER" && s_.acadVersion.empty()) {
            s_.acadVersion = std::string(pairName(p));
        } else if (variable == "$DWGCODEPAGE" && s_.codePage.empty()) {
            s_.codePage = std::string(pairName(p));
        } else if (variable == "$HANDSEED" && p.code == dxfcode::HEADER_HANDSEED) {
            s_.handseedPair = index;
        } else if (variable == "$CLAYER" && s_.currentLayer.empty()) {
            s_.currentLayer = std::string(pairString(p));
        } else if (variable == "$TEXTSTYLE" && s_.currentTextStyle.empty()) {
            // Code 7, or 8 in files of old versions.
            s_.currentTextStyle = std::string(pairString(p));
        } else if (variable == "$INSUNITS" && p.code == dxfcode::HEADER_INTEGER) {
            s_.insertionUnits = static_cast<int>(pairInteger(p));
        }
    }

    void closeEntry(std::size_t index) {
        if (openEntry_) openEntry_->lastPair = index;
        openEntry_ = nullptr;
    }

    DxfStructure& s_;
    DxfPairVisitor* visitor_;
    bool keepAll_;
    std::size_t count_ = 0;
    std::optional<std::size_t> openSection_;
    std::string sectionName_;
    bool pendingSectionName_ = false;
    DxfTable* openTable_ = nullptr;
    DxfTableEntry* openEntry_ = nullptr;
    std::string variable_;
    bool objectHandleTaken_ = true;  // the first handle of each object is its own
};

}  // namespace

DxfValueKind dxfValueKind(int code) {
    using K = DxfValueKind;
    if (code >= 10 && code <= 59) return K::Real;
    if (code >= 60 && code <= 89) return K::Int16;
    if (code >= 90 && code <= 99) return K::Int32;
    if (code >= 110 && code <= 159) return K::Real;
    if (code >= 160 && code <= 169) return K::Int64;
    if (code >= 170 && code <= 189) return K::Int16;
    if (code >= 210 && code <= 239) return K::Real;
    if (code >= 260 && code <= 289) return K::Int16;
    if (code >= 290 && code <= 299) return K::Bool;
    if (code >= 310 && code <= 319) return K::BinaryChunk;
    if (code >= 370 && code <= 389) return K::Int16;
    if (code >= 400 && code <= 409) return K::Int16;
    if (code >= 420 && code <= 429) return K::Int32;
    if (code >= 440 && code <= 459) return K::Int32;
    if (code >= 460 && code <= 469) return K::Real;
    if (code == 1004) return K::BinaryChunk;
    if (code >= 1010 && code <= 1059) return K::Real;
    if (code >= 1060 && code <= 1070) return K::Int16;
    if (code == 1071) return K::Int32;
    return K::String;
}

std::string_view pairName(const DxfPair& p) { return trim(p.value); }

namespace {

// A decimal number of ASCII DXF: blanks around it and a leading '+' allowed.
std::optional<double> asciiReal(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const std::size_t digitAt = !text.empty() && text.front() == '-' ? 1 : 0;
    if (text.size() <= digitAt) return std::nullopt;
    const char first = text[digitAt];
    if (!(std::isdigit(static_cast<unsigned char>(first)) || first == '.')) return std::nullopt;  // nan, inf, text
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Beyond the range of double: an infinity, or 0 for an exponent far below zero.
        const std::size_t e = text.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
        if (tiny) return 0.0;
        return digitAt ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    if (ec != std::errc{}) return std::nullopt;
    return v;
}

}  // namespace

double pairReal(const DxfPair& p, double fallback) {
    if (!p.binary) return asciiReal(p.value).value_or(fallback);
    switch (dxfValueKind(p.code)) {
        case DxfValueKind::Real: return littleEndian<double>(p.value);
        case DxfValueKind::Int16: return littleEndian<std::int16_t>(p.value);
        case DxfValueKind::Int32: return littleEndian<std::int32_t>(p.value);
        case DxfValueKind::Int64: return static_cast<double>(littleEndian<std::int64_t>(p.value));
        case DxfValueKind::Bool: return littleEndian<std::uint8_t>(p.value);
        case DxfValueKind::String: return asciiReal(p.value).value_or(fallback);
        case DxfValueKind::BinaryChunk: return fallback;
    }
    return fallback;
}

long long pairInteger(const DxfPair& p, long long fallback) {
    if (p.binary) {
        switch (dxfValueKind(p.code)) {
            case DxfValueKind::Int16: return littleEndian<std::int16_t>(p.value);
            case DxfValueKind::Int32: return littleEndian<std::int32_t>(p.value);
            case DxfValueKind::Int64: return littleEndian<std::int64_t>(p.value);
            case DxfValueKind::Bool: return littleEndian<std::uint8_t>(p.value);
            case DxfValueKind::BinaryChunk: return fallback;
            case DxfValueKind::Real:
            case DxfValueKind::String: break;
        }
    } else {
        std::string_view text = trim(p.value);
        if (!text.empty() && text.front() == '+') text.remove_prefix(1);
        long long v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec == std::errc{} && end == text.data() + text.size()) return v;
    }
    const double real = pairReal(p, std::numeric_limits<double>::quiet_NaN());
    constexpr double LIMIT = 9.2e18;  // within the range of long long
    if (!(std::abs(real) < LIMIT)) return fallback;
    return static_cast<long long>(real);
}

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

namespace {

template <class Pairs>
std::size_t countObjects(Pairs&& pairs) {
    std::size_t count = 0;
    DxfPair p;
    try {
        while (pairs.next(p))
            if (p.code == dxfcode::TYPE) ++count;
    } catch (const DataError&) {
        // The reading proper refuses the file there.
    }
    return count;
}

}  // namespace

std::size_t countDxfObjects(std::string_view bytes) {
    if (bytes.substr(0, BINARY_DXF_SENTINEL.size()) == BINARY_DXF_SENTINEL)
        return countObjects(BinaryPairs(bytes, binaryCodeBytes(bytes)));
    return countObjects(AsciiPairs(bytes));
}

DxfStructure scanDxf(std::string_view bytes) {
    DxfStructure s;
    Scanner(s, nullptr, true).run(bytes);
    return s;
}

void scanDxfLayout(std::string_view bytes, DxfStructure& out, DxfPairVisitor* visitor) {
    out = DxfStructure{};
    Scanner(out, visitor, false).run(bytes);
}

}  // namespace gradix
