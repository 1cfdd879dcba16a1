// TEMPORARY: the dxflib reader Gradix used before its one-parse reader, kept
// only for dxf_compare while both exist. Reading a DXF drawing through dxflib.
//
// dxflib hands over raw bytes and has pitfalls that the reading covers:
// strings are decoded by the file's version and code page (dxfencoding.h);
// a line longer than dxflib's 1024-character buffer would silently end its
// reading, so such lines are cut for dxflib (the notes tell the person; the
// saved file keeps them whole); entities inside BLOCKS come through the same
// callbacks and go to their blocks, not to model space; paper-space entities
// are left out; MTEXT arrives in chunks that are joined; angles are read from
// the file's own values so that dxflib's version-dependent units do not matter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dxf/drawing.h"

namespace gradix {
struct DxfStructure;
namespace legacy {

// The longest line, in bytes, that dxflib reads whole (its buffer holds
// 1024 characters with the terminating zero).
inline constexpr std::size_t DXFLIB_LINE_LIMIT = 1023;

// The bytes as dxflib is fed them: line ends made LF and every line cut to
// DXFLIB_LINE_LIMIT bytes (never inside a UTF-8 sequence). The 1-based
// numbers of the lines that were cut are appended to cutLines.
std::string dxflibFeed(std::string_view bytes, std::vector<long>& cutLines);

// What dxflib is fed of a scanned file: the HEADER, TABLES, BLOCKS and
// ENTITIES sections, each on its own and closed by its ENDSEC (also where
// the file leaves it open) and an end-of-file marker. Everything else
// (CLASSES, OBJECTS, anything outside a section or after the end-of-file
// marker) is left out, so that dxflib reads exactly what the lossless writer
// sees as the drawing. Lines are cut as by dxflibFeed above; the numbers of
// the cut lines (in the file) are appended to cutLines.
struct FedSection {
    std::string name;  // "ENTITIES"
    std::string text;
};
std::vector<FedSection> dxflibFeed(const DxfStructure& structure, std::vector<long>& cutLines);

// Reads a drawing from the bytes of a DXF file; path is recorded as the
// drawing's file. Raises DataError when the bytes are not an ASCII DXF file
// or the system cannot decode its code page.
Drawing readDrawingBytes(std::string bytes, const std::string& path);

}  // namespace legacy
}  // namespace gradix
