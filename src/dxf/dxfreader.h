// Reading a DXF drawing (R12 to 2018, ASCII or binary) into the drawing model.
//
// One scan goes over the file's group pairs once (dxfstructure.h): it keeps
// the layout the lossless writer needs and decodes, on the way, the tables
// (layers, text styles, coordinate systems), the header's current layer,
// text style and units, the blocks and the model-space entities the window
// draws and the commands select: LINE, LWPOLYLINE, POLYLINE with its
// VERTEX bulges, ARC, CIRCLE, ELLIPSE, SPLINE (its curve, else its fit or
// control polygon), POINT, INSERT with the visible attributes that follow
// it (each a TEXT after its INSERT), TEXT, MTEXT, the boundary loops of a
// HATCH (each a closed polyline) and a DIMENSION (an INSERT of the block
// that draws it). Other entities stay in the file and out of the view.
// The extended data Gradix writes with its annotations under
// GRADIX_APPLICATION is read back as their record (drawing.h).
// Strings are decoded by the file's version and code page (dxfencoding.h);
// numbers are read with std::from_chars; angles are read in degrees as the
// file stores them and kept in radians.
#pragma once

#include <string>

#include "dxf/drawing.h"

namespace gradix {

// Reads a drawing from the bytes of a DXF file; path is recorded as the
// drawing's file. Raises DataError when the bytes are not a DXF file or the
// system cannot decode its code page.
Drawing readDrawingBytes(std::string bytes, const std::string& path);

// Reads the DXF file at path. Raises FileAccessError for an empty path and
// DataError for a file that is missing, unreadable or not a DXF file; the
// error is located at the path.
Drawing readDrawing(const std::string& path);

// A new, empty drawing: Gradix's own empty DXF (dxfwriter.h) read back, with
// no file of its own yet.
Drawing newDrawing();

}  // namespace gradix
