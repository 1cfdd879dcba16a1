// Saving a drawing without losing anything of the engineer's file.
//
// A save never regenerates the file from the model (that would drop
// everything the model does not hold). It takes the bytes of the opened file
// and inserts only what Gradix added: new LAYER, STYLE and UCS entries
// before their table's ENDTAB, with the table's entry count raised; the new
// font, big font, height and width of a STYLE entry the file already had;
// new MTEXT entities before the ENTITIES section's ENDSEC, owned by the
// model-space block record. An annotation that carries Gradix's record
// (drawing.h) gets it as extended data under GRADIX_APPLICATION (1001 the
// application, 1000 the line name, 1010/1020/1030 the point picked), and the
// application its APPID entry when no APPID table of the file holds one.
// Every new object gets a fresh handle above $HANDSEED, which is raised
// afterwards. Texts are encoded for the file's version (dxfencoding.h); the
// names of layers, styles, fonts and coordinate systems before AutoCAD 2007
// in the file's code page where it holds them, since CAD takes no \U+
// escape in a name (a Chinese layer name in an ANSI_1252 file stays escaped);
// rotations are written in degrees, as DXF stores them. R12 files, which
// have no MTEXT, get each annotation line as a TEXT, the record with the first.
#pragma once

#include <string>

#include "dxf/drawing.h"

namespace gradix {

// Gradix's own empty drawing: an AutoCAD 2000 (AC1015) DXF with code page
// ANSI_936, the standard tables (layer "0", text style "Standard", line
// types ByBlock/ByLayer/Continuous), the model and paper space blocks and
// their layouts, and no entities.
std::string emptyDrawingDxf();

// The bytes a save writes: the drawing's opened bytes with its additions
// inserted. The opened bytes themselves are left as they are, so saving
// twice gives the same file. Raises DataError when the opened bytes are not
// a DXF file it can insert into, were cut short (DxfStructure::endsEarly,
// located at the drawing's path), or an addition holds a
// value that is not finite.
std::string savedDrawingBytes(const Drawing& drawing);

// Saves the drawing to path (through a temporary file, so a failure leaves
// any file there intact); afterwards the drawing's path is path and it counts
// as unmodified. Raises FileAccessError for an empty path and DataError when
// the file cannot be written.
void saveDrawing(Drawing& drawing, const std::string& path);

}  // namespace gradix
