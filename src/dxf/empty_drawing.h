// Gradix's own empty drawing (empty.dxf beside this header), built into the
// program: an AutoCAD 2000 (AC1015) DXF with code page ANSI_936, the standard
// tables (layer "0", text style "Standard", line types ByBlock, ByLayer and
// Continuous), the model and paper space blocks and their layouts, and no
// entities. Handles: tables 1-A, objects C-29, seed 30.
#pragma once

#include <string_view>

namespace gradix {

extern const std::string_view EMPTY_DRAWING_DXF;

}  // namespace gradix
