#include "setout/xlsxexact.h"

#include <algorithm>
#include <cstdint>

#include <zlib.h>

#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr std::uint32_t LOCAL_HEADER_SIGNATURE = 0x04034b50;
constexpr std::uint32_t CENTRAL_HEADER_SIGNATURE = 0x02014b50;
constexpr std::uint32_t END_OF_DIRECTORY_SIGNATURE = 0x06054b50;
constexpr std::size_t LOCAL_HEADER_SIZE = 30;
constexpr std::size_t CENTRAL_HEADER_SIZE = 46;
constexpr std::size_t END_OF_DIRECTORY_SIZE = 22;
constexpr std::size_t MAX_ARCHIVE_COMMENT = 0xFFFF;
constexpr std::uint16_t METHOD_STORED = 0;
constexpr std::uint16_t METHOD_DEFLATED = 8;
constexpr std::uint16_t FLAG_DATA_DESCRIPTOR = 0x0008;
constexpr std::uint16_t ZIP_VERSION_NEEDED = 20;
constexpr int RAW_DEFLATE_WINDOW = -MAX_WBITS;
// The most a deflate stream expands (1032:1, its longest matches).
constexpr std::size_t DEFLATE_MOST_RATIO = 1032;
constexpr int LETTERS = 26;
// Worksheet k (1-based) of a workbook is the part PREFIX k SUFFIX.
const char* const SHEET_PART_PREFIX = "xl/worksheets/sheet";
const char* const SHEET_PART_SUFFIX = ".xml";
// The largest part and archive a zip archive without its 64-bit extensions holds.
constexpr std::size_t ZIP_MOST_BYTES = 0xFFFFFFFFu;

struct Entry {
    std::string name;
    std::uint16_t flags, method, time, date;
    std::uint32_t crc, compressedSize, size;
    std::string data;  // compressed as in the archive
};

std::uint32_t read32(const std::string& b, std::size_t at) {
    if (at + 4 > b.size()) throw DataError(msg::WORKBOOK_HEADER_CUT);
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(k)]);
    return v;
}
std::uint16_t read16(const std::string& b, std::size_t at) {
    if (at + 2 > b.size()) throw DataError(msg::WORKBOOK_HEADER_CUT);
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}
void put16(std::string& b, std::uint32_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::vector<Entry> readArchive(const std::string& bytes) {
    if (bytes.size() < END_OF_DIRECTORY_SIZE) throw DataError(msg::WORKBOOK_NOT_ZIP);
    std::size_t end = std::string::npos;
    const std::size_t lowest =
        bytes.size() > END_OF_DIRECTORY_SIZE + MAX_ARCHIVE_COMMENT ? bytes.size() - END_OF_DIRECTORY_SIZE - MAX_ARCHIVE_COMMENT : 0;
    for (std::size_t at = bytes.size() - END_OF_DIRECTORY_SIZE + 1; at-- > lowest;)
        if (read32(bytes, at) == END_OF_DIRECTORY_SIGNATURE) {
            end = at;
            break;
        }
    if (end == std::string::npos) throw DataError(msg::WORKBOOK_NO_DIRECTORY);
    const std::uint16_t count = read16(bytes, end + 10);
    std::size_t at = read32(bytes, end + 16);
    std::vector<Entry> entries;
    for (std::uint16_t i = 0; i < count; ++i) {
        if (read32(bytes, at) != CENTRAL_HEADER_SIGNATURE) throw DataError(msg::WORKBOOK_DIRECTORY_DAMAGED);
        Entry e;
        e.flags = read16(bytes, at + 8);
        e.method = read16(bytes, at + 10);
        e.time = read16(bytes, at + 12);
        e.date = read16(bytes, at + 14);
        e.crc = read32(bytes, at + 16);
        e.compressedSize = read32(bytes, at + 20);
        e.size = read32(bytes, at + 24);
        const std::uint16_t nameLength = read16(bytes, at + 28);
        const std::uint16_t extraLength = read16(bytes, at + 30);
        const std::uint16_t commentLength = read16(bytes, at + 32);
        const std::size_t local = read32(bytes, at + 42);
        if (at + CENTRAL_HEADER_SIZE + nameLength > bytes.size()) throw DataError(msg::WORKBOOK_DIRECTORY_DAMAGED);
        e.name = bytes.substr(at + CENTRAL_HEADER_SIZE, nameLength);
        if (read32(bytes, local) != LOCAL_HEADER_SIGNATURE) throw DataError(msg::workbookPartDamaged(e.name));
        const std::size_t data = local + LOCAL_HEADER_SIZE + read16(bytes, local + 26) + read16(bytes, local + 28);
        if (data + e.compressedSize > bytes.size()) throw DataError(msg::workbookPartDamaged(e.name));
        e.data = bytes.substr(data, e.compressedSize);
        entries.push_back(std::move(e));
        at += CENTRAL_HEADER_SIZE + nameLength + extraLength + commentLength;
    }
    return entries;
}

std::string inflatePart(const Entry& e) {
    if (e.method == METHOD_STORED) return e.data;
    if (e.method != METHOD_DEFLATED) throw DataError(msg::workbookCompressionUnknown(e.name));
    // No deflate stream grows more than this: a larger size is a damaged
    // header, not a reason to allocate gigabytes.
    if (e.size / DEFLATE_MOST_RATIO > e.data.size()) throw DataError(msg::workbookPartDamaged(e.name));
    std::string out(e.size, '\0');
    z_stream s{};
    if (inflateInit2(&s, RAW_DEFLATE_WINDOW) != Z_OK) throw DataError(msg::NO_DECOMPRESSOR);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(e.data.data()));
    s.avail_in = static_cast<uInt>(e.data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&s, Z_FINISH);
    inflateEnd(&s);
    if (result != Z_STREAM_END || s.total_out != e.size) throw DataError(msg::workbookPartDamaged(e.name));
    return out;
}

std::string deflatePart(const std::string& text) {
    z_stream s{};
    if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, RAW_DEFLATE_WINDOW, MAX_MEM_LEVEL, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw DataError(msg::NO_COMPRESSOR);
    std::string out(deflateBound(&s, static_cast<uLong>(text.size())), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    s.avail_in = static_cast<uInt>(text.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&s, Z_FINISH);
    const uLong written = s.total_out;
    deflateEnd(&s);
    if (result != Z_STREAM_END) throw DataError(msg::WORKSHEET_NOT_COMPRESSED);
    out.resize(written);
    return out;
}

std::string writeArchive(const std::vector<Entry>& entries) {
    std::string out, directory;
    for (const Entry& e : entries) {
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        const std::uint16_t flags = e.flags & static_cast<std::uint16_t>(~FLAG_DATA_DESCRIPTOR);
        const auto common = [&](std::string& b) {
            put16(b, ZIP_VERSION_NEEDED);
            put16(b, flags);
            put16(b, e.method);
            put16(b, e.time);
            put16(b, e.date);
            put32(b, e.crc);
            put32(b, e.compressedSize);
            put32(b, e.size);
            put16(b, static_cast<std::uint32_t>(e.name.size()));
            put16(b, 0);  // no extra field
        };
        put32(out, LOCAL_HEADER_SIGNATURE);
        common(out);
        out += e.name;
        out += e.data;
        put32(directory, CENTRAL_HEADER_SIGNATURE);
        put16(directory, ZIP_VERSION_NEEDED);  // made by
        common(directory);
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += e.name;
    }
    if (out.size() + directory.size() > ZIP_MOST_BYTES) throw DataError(msg::WORKBOOK_TOO_LARGE);
    const std::uint32_t directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, END_OF_DIRECTORY_SIGNATURE);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(entries.size()));
    put16(out, static_cast<std::uint32_t>(entries.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

}  // namespace

std::string cellReference(std::size_t row, std::size_t column) {
    std::string letters;
    for (std::size_t c = column + 1; c > 0; c = (c - 1) / LETTERS)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % LETTERS));
    return letters + std::to_string(row + 1);
}

std::string withExactNumbers(const std::string& xml, const std::vector<ExactCell>& cells) {
    const std::string cellStart = "<c r=\"";
    std::string out;
    out.reserve(xml.size() + xml.size() / 8);
    std::size_t done = 0;
    // The sheet and the list are both in row order: one walk through each.
    std::size_t next = 0;
    std::string wanted = cells.empty() ? std::string() : cellReference(cells[0].row, cells[0].column);
    for (std::size_t at = xml.find(cellStart); at != std::string::npos && next < cells.size();
         at = xml.find(cellStart, at + 1)) {
        const std::size_t refStart = at + cellStart.size();
        const std::size_t refEnd = xml.find('"', refStart);
        if (refEnd == std::string::npos) break;
        if (xml.compare(refStart, refEnd - refStart, wanted) != 0) continue;
        const ExactCell& cell = cells[next];
        if (++next < cells.size()) wanted = cellReference(cells[next].row, cells[next].column);
        const std::size_t cellEnd = xml.find("</c>", refEnd);
        const std::size_t valueStart = xml.find("<v>", refEnd);
        if (cellEnd == std::string::npos || valueStart == std::string::npos || valueStart > cellEnd) continue;
        const std::size_t valueEnd = xml.find("</v>", valueStart);
        if (valueEnd == std::string::npos || valueEnd > cellEnd) continue;
        out.append(xml, done, valueStart + 3 - done);
        out += shortestText(cell.value);
        done = valueEnd;
    }
    out.append(xml, done, std::string::npos);
    return out;
}

std::string withExactNumbersInWorkbook(const std::string& archive, const std::vector<std::vector<ExactCell>>& sheets) {
    std::vector<Entry> entries = readArchive(archive);
    for (std::size_t k = 0; k < sheets.size(); ++k) {
        const std::string part = SHEET_PART_PREFIX + std::to_string(k + 1) + SHEET_PART_SUFFIX;
        const auto e = std::find_if(entries.begin(), entries.end(), [&](const Entry& x) { return x.name == part; });
        if (e == entries.end()) throw DataError(msg::WORKBOOK_NO_WORKSHEET);
        const std::string xml = withExactNumbers(inflatePart(*e), sheets[k]);
        if (xml.size() > ZIP_MOST_BYTES) throw DataError(msg::WORKBOOK_TOO_LARGE);
        e->data = deflatePart(xml);
        e->method = METHOD_DEFLATED;
        e->size = static_cast<std::uint32_t>(xml.size());
        e->compressedSize = static_cast<std::uint32_t>(e->data.size());
        e->crc = static_cast<std::uint32_t>(
            crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(xml.data()), static_cast<uInt>(xml.size())));
    }
    return writeArchive(entries);
}

}  // namespace gradix
