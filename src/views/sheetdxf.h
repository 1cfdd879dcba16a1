// A drawing sheet as a DXF file (AutoCAD 2018, UTF-8, millimetres): the
// structure every drawing holds (header, tables, blocks, objects) around the
// lines, polylines and texts of model space, each on its layer, every text in
// the sheet's style.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sheets/sheetlayout.h"

namespace gradix {

// The text style of the sheets and its fonts.
inline constexpr const char* SHEET_TEXT_STYLE = "jp";
inline constexpr const char* SHEET_FONT = "fsdb_e.shx";
inline constexpr const char* SHEET_BIG_FONT = "fsdb.shx";

// A layer and its ACI colour.
struct SheetLayer {
    const char* name;
    int colour;
};

struct SheetLine {
    const char* layer;
    double x1, y1, x2, y2;
};

struct SheetPolyline {
    const char* layer;
    std::vector<std::pair<double, double>> points;
};

struct SheetEntities {
    std::vector<SheetLine> lines;
    std::vector<SheetPolyline> polylines;
    std::vector<SheetText> texts;
};

// The DXF text of a drawing of entities, with layers (after layer 0) in
// their table and the extents given. Raises DataError for a coordinate that
// is not finite.
std::string sheetDxf(const SheetEntities& entities, const std::vector<SheetLayer>& layers, const SheetRect& extents);

}  // namespace gradix
