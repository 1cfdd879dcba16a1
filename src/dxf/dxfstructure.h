// The layout of a DXF file's bytes, ASCII or binary: its group pairs with
// their byte offsets, its sections, tables and table entries, the handles in
// use. One scan goes over the file once; it keeps the layout that the
// lossless writer needs to know where to insert what Gradix adds, and hands
// every group pair to a visitor on the way, which is how the reader
// (dxfreader.h) decodes the entities in the same pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gradix {

// One group pair: a code and its value.
struct DxfPair {
    int code = 0;
    bool binary = false;      // from a binary DXF: value holds the value's bytes as stored
    std::string_view value;   // ASCII: the value line without its line end; binary: a string without
                              // its terminating zero, or the bytes of a number (a view into the bytes)
    std::size_t begin = 0;    // offset of the code (line)
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0; // end of the value, before its line end (ASCII) or terminating zero
    std::size_t end = 0;      // offset after the pair
    long line = 0;            // ASCII: 1-based line number of the code line; binary: 0
};

// The kinds of value a group code carries (in a binary DXF, how it is stored).
enum class DxfValueKind { String, Real, Int16, Int32, Int64, Bool, BinaryChunk };
DxfValueKind dxfValueKind(int code);

// The value of a pair as a string: an ASCII value line as it is (blanks
// kept), a binary string without its terminating zero.
inline std::string_view pairString(const DxfPair& p) { return p.value; }
// The value as a string without leading and trailing blanks (names, handles).
std::string_view pairName(const DxfPair& p);
// The value as a number, read with std::from_chars (ASCII) or as stored
// (binary). A value that is not a decimal number ("nan", text, nothing)
// gives fallback; a decimal number beyond the range of double gives an
// infinity of its sign (so that it fails a finiteness check), one too
// small for it 0.
double pairReal(const DxfPair& p, double fallback = 0);
// The value as an integer; a real value is truncated, one that is not a
// number or beyond the range of long long gives fallback.
long long pairInteger(const DxfPair& p, long long fallback = 0);

// One entry of a table (a LAYER, a STYLE, a UCS ...), pairs [first, last).
struct DxfTableEntry {
    std::string type;         // "LAYER"
    std::string rawName;      // its code 2 value as the file's bytes hold it
    std::string handle;       // code 5 (105 for DIMSTYLE), "" when none
    std::size_t firstPair = 0;
    std::size_t lastPair = 0;
};

// One table of the TABLES section.
struct DxfTable {
    std::string name;         // "LAYER", upper case
    std::string handle;       // "" when the table has none (R12)
    std::size_t tablePair = 0;               // index of its 0/TABLE pair
    std::optional<std::size_t> countPair;    // index of its code 70 (entry count) pair
    std::size_t endTabPair = 0;              // index of its 0/ENDTAB pair
    std::vector<DxfTableEntry> entries;
};

// One section, pairs [sectionPair, endSecPair].
struct DxfSection {
    std::string name;         // "HEADER", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS" ...
    std::size_t sectionPair = 0;
    std::size_t endSecPair = 0;
};

struct DxfStructure {
    // Every group pair (scanDxf), or for a layout scan the pairs of the
    // HEADER and TABLES sections and the section and end-of-file markers:
    // the indices below refer to this vector.
    std::vector<DxfPair> pairs;
    std::vector<DxfSection> sections;
    std::vector<DxfTable> tables;
    std::string acadVersion;              // $ACADVER, "" when absent
    std::string codePage;                 // $DWGCODEPAGE, "" when absent
    std::string currentLayer;             // $CLAYER as the bytes hold it, "" when absent
    std::string currentTextStyle;         // $TEXTSTYLE as the bytes hold it, "" when absent
    int insertionUnits = 0;               // $INSUNITS, 0 when absent
    std::optional<std::size_t> handseedPair;  // index of the value pair of $HANDSEED
    std::uint64_t highestHandle = 0;      // highest handle defined (codes 5 and 105); 0 when none
    bool hasHandles = false;              // whether any object carries a handle
    std::string modelSpaceRecord;         // handle of the *Model_Space block record, "" when none
    std::optional<std::size_t> eofPair;   // index of the 0/EOF pair
    std::size_t dataEnd = 0;              // offset after the last group pair read
    long dataEndLine = 0;                 // ASCII: the line of the last value read; binary: 0
    std::string lineEnd = "\n";           // the file's line end, "\r\n" or "\n" (ASCII)
    bool binary = false;                  // a binary DXF
    int binaryCodeBytes = 2;              // binary: 1 for the one-byte group codes of R12 and older, else 2

    const DxfSection* section(std::string_view name) const;
    const DxfTable* table(std::string_view name) const;
    // Where a section of this file ends: the index of its ENDSEC pair, or,
    // where a damaged file leaves it open, of the next section's SECTION
    // pair or the end-of-file marker, else pairs.size().
    std::size_t sectionEnd(const DxfSection& section) const;
    // Whether the file was cut short: no end-of-file marker, and a binary
    // file (which programs alone write) or the last section left open. An
    // ASCII file whose sections are closed but lacks the marker is damaged,
    // not cut, and takes additions.
    bool endsEarly() const {
        return !eofPair && (binary || (!sections.empty() && sections.back().endSecPair <= sections.back().sectionPair));
    }
};

// What a scan hands over on its way: every group pair, with the name of
// the section it is in ("" outside any section).
class DxfPairVisitor {
public:
    virtual ~DxfPairVisitor() = default;
    // A section starts (its SECTION pair and name have been read).
    virtual void sectionStarts(std::string_view name) = 0;
    // A group pair inside the section named last, markers included.
    virtual void pair(const DxfPair& p) = 0;
};

// The 22 bytes a binary DXF file starts with.
inline constexpr std::string_view BINARY_DXF_SENTINEL{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// Scans the bytes of an ASCII or binary DXF file and keeps every group
// pair. A line that does not hold a group code where one is due, a last
// code line without a value, or a binary file that ends inside a pair
// raises DataError with the line (ASCII) or byte offset (binary).
DxfStructure scanDxf(std::string_view bytes);

// The same scan into out, keeping only the layout (see DxfStructure::pairs),
// handing every pair to visitor (when not null) in file order. The visitor
// may read out as it grows: the header's values are there once the next
// section starts.
void scanDxfLayout(std::string_view bytes, DxfStructure& out, DxfPairVisitor* visitor);

// How many objects (code 0 pairs: entities, table entries, markers) the
// bytes hold, up to the first pair the scan would refuse: the most entities
// a reading can give, so that their list is made once at its size.
std::size_t countDxfObjects(std::string_view bytes);

// Parses a hexadecimal handle ("3B"); nothing for an empty or malformed one.
std::optional<std::uint64_t> parseHandle(std::string_view text);

// A handle as DXF writes it: upper-case hex without leading zeros.
std::string formatHandle(std::uint64_t handle);

// Upper-cases the ASCII letters of a name: table names compare without case.
std::string foldName(std::string_view name);

}  // namespace gradix
