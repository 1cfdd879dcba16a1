// The layout of a DXF file's bytes: its group pairs with their byte offsets,
// its sections, tables and table entries, the handles in use. The lossless
// writer needs it to know where to insert what Gradix adds; the drawing's
// entities themselves are read through dxflib (dxfreader.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gradix {

// One group pair: a code line and a value line.
struct DxfPair {
    int code = 0;
    std::string_view value;   // the value line without its line end (a view into the bytes)
    std::size_t begin = 0;    // offset of the code line
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0; // end of the value, before its line end
    std::size_t end = 0;      // offset after the value line's line end
    long line = 0;            // 1-based line number of the code line
};

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
    std::vector<DxfPair> pairs;
    std::vector<DxfSection> sections;
    std::vector<DxfTable> tables;
    std::string acadVersion;              // $ACADVER, "" when absent
    std::string codePage;                 // $DWGCODEPAGE, "" when absent
    std::optional<std::size_t> handseedPair;  // index of the value pair of $HANDSEED
    std::uint64_t highestHandle = 0;      // highest handle defined (codes 5 and 105); 0 when none
    bool hasHandles = false;              // whether any object carries a handle
    std::string modelSpaceRecord;         // handle of the *Model_Space block record, "" when none
    std::optional<std::size_t> eofPair;   // index of the 0/EOF pair
    std::string lineEnd = "\n";           // the file's line end, "\r\n" or "\n"

    const DxfSection* section(std::string_view name) const;
    const DxfTable* table(std::string_view name) const;
    // Where a section of this file ends: the index of its ENDSEC pair, or,
    // where a damaged file leaves it open, of the next section's SECTION
    // pair or the end-of-file marker, else pairs.size().
    std::size_t sectionEnd(const DxfSection& section) const;
};

// Scans the bytes of an ASCII DXF file. A line that does not hold a group
// code where one is due, or a last code line without a value, raises
// DataError with the line number; a binary DXF raises DataError too (Gradix
// reads and writes ASCII DXF only).
DxfStructure scanDxf(std::string_view bytes);

// Parses a hexadecimal handle ("3B"); nothing for an empty or malformed one.
std::optional<std::uint64_t> parseHandle(std::string_view text);

// A handle as DXF writes it: upper-case hex without leading zeros.
std::string formatHandle(std::uint64_t handle);

// Upper-cases the ASCII letters of a name: table names compare without case.
std::string foldName(std::string_view name);

}  // namespace gradix
