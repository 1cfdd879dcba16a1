#include "views/sheetdxf.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <tuple>

#include "dxf/drawing.h"
#include "dxf/dxfstructure.h"
#include "dxf/groupcodes.h"
#include "dxf/pairwriter.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

namespace code = dxfcode;

// TEXT justifications (group codes 72 and 73).
constexpr int H_LEFT = 0;
constexpr int V_BASELINE = 0;
constexpr int WHITE = 7;  // ACI colour of layer 0

// Values of the structure every drawing holds.
constexpr int UNITS_MILLIMETRES = 4;          // $INSUNITS
constexpr int MEASUREMENT_METRIC = 1;         // $MEASUREMENT
constexpr int LTYPE_ALIGNMENT_A = 65;         // 'A', the only line-type alignment
constexpr int LINEWEIGHT_DEFAULT = -3;
constexpr int CLONING_KEEP_EXISTING = 1;
constexpr double QUARTER_TURN_DEGREES = 90.0; // multi-line style: square ends
constexpr double MLINE_HALF_WIDTH = 0.5;
constexpr int PLOT_FLAGS_MODEL = 1024;        // the model layout
constexpr int PAPER_UNITS_MILLIMETRES = 1;
constexpr int PLOT_TYPE_LAYOUT = 5;
constexpr int STANDARD_SCALE_ONE_TO_ONE = 16;
constexpr int LAYOUT_FLAGS_PSLTSCALE = 1;

// The sheet's group pairs, written by the dxf library's pair writer, and
// the handles of its objects.
class SheetPairs {
public:
    SheetPairs& pair(int c, std::string_view value) {
        w_.pair(c, value);
        return *this;
    }
    SheetPairs& integer(int c, long long value) {
        w_.integer(c, value);
        return *this;
    }
    // A coordinate, size or angle of the sheet; one that is not finite ends the sheet.
    SheetPairs& number(int c, double value) {
        if (!std::isfinite(value)) throw DataError(msg::SHEET_COORDINATE_NOT_FINITE);
        w_.real(c, value);
        return *this;
    }
    // A point on the sheet (z = 0): codes c, c + 10 and c + 20.
    SheetPairs& point(int c, double x, double y) {
        return number(c, x).number(c + code::POINT_Y_OFFSET, y).number(c + code::POINT_Z_OFFSET, 0.0);
    }
    // A point of two coordinates: codes c and c + 10.
    SheetPairs& point2(int c, double x, double y) { return number(c, x).number(c + code::POINT_Y_OFFSET, y); }
    std::string handle() { return formatHandle(next_++); }
    std::uint64_t nextHandle() const { return next_; }
    std::string& text() { return w_.text(); }

private:
    PairWriter w_;
    std::uint64_t next_ = 1;
};

// The handles of the structure, taken before anything is written, since the
// tables, blocks and objects point at one another.
struct Handles {
    std::string vportTable, ltypeTable, layerTable, styleTable, viewTable, ucsTable, appidTable, dimstyleTable,
        blockRecordTable;
    std::string vport, byBlock, byLayer, continuous, standardStyle, sheetStyle, appid, dimstyle;
    std::vector<std::string> layers;  // "0" first
    std::string modelRecord, paperRecord, modelBlock, modelEnd, paperBlock, paperEnd;
    std::string root, groups, layouts, mlineStyles, mlineStandard, plotStyles, normal, modelLayout, paperLayout;
};

Handles takeHandles(SheetPairs& w, std::size_t layerCount) {
    Handles h;
    for (std::string* s : {&h.vportTable, &h.ltypeTable, &h.layerTable, &h.styleTable, &h.viewTable, &h.ucsTable,
                           &h.appidTable, &h.dimstyleTable, &h.blockRecordTable, &h.vport, &h.byBlock, &h.byLayer,
                           &h.continuous, &h.standardStyle, &h.sheetStyle, &h.appid, &h.dimstyle, &h.modelRecord,
                           &h.paperRecord, &h.modelBlock, &h.modelEnd, &h.paperBlock, &h.paperEnd, &h.root,
                           &h.groups, &h.layouts, &h.mlineStyles, &h.mlineStandard, &h.plotStyles, &h.normal,
                           &h.modelLayout, &h.paperLayout})
        *s = w.handle();
    h.layers.push_back(w.handle());
    for (std::size_t i = 0; i < layerCount; ++i) h.layers.push_back(w.handle());
    return h;
}

// The entities of the sheet, in model space.
class Entities {
public:
    Entities(SheetPairs& w, std::string owner) : w_(w), owner_(std::move(owner)) {}

    void line(const char* layer, double x1, double y1, double x2, double y2) {
        head("LINE", layer);
        w_.pair(code::SUBCLASS, "AcDbLine");
        w_.point(code::START, x1, y1);
        w_.point(code::END, x2, y2);
    }
    void polyline(const char* layer, const std::vector<std::pair<double, double>>& points) {
        head("LWPOLYLINE", layer);
        w_.pair(code::SUBCLASS, "AcDbPolyline");
        w_.integer(code::VERTEX_COUNT, static_cast<long long>(points.size()));
        w_.integer(code::FLAGS, 0);
        for (const auto& [x, y] : points) w_.point2(code::X, x, y);
    }
    // A TEXT aligned at (x, y) by its horizontal and vertical justification.
    void text(const char* layer, double x, double y, double height, std::string_view content, int hAlign = H_LEFT,
              int vAlign = V_BASELINE, double rotationDegrees = 0) {
        head("TEXT", layer);
        w_.pair(code::SUBCLASS, "AcDbText");
        w_.point(code::START, x, y);
        w_.number(code::TEXT_HEIGHT, height);
        w_.pair(code::PRIMARY_TEXT, content);
        if (rotationDegrees != 0) w_.number(code::ROTATION, rotationDegrees);
        w_.number(code::TEXT_WIDTH_FACTOR, SHEET_WIDTH_FACTOR);
        w_.pair(code::TEXT_STYLE, SHEET_TEXT_STYLE);
        if (hAlign != H_LEFT || vAlign != V_BASELINE) {
            w_.integer(code::TEXT_H_ALIGN, hAlign);
            w_.point(code::END, x, y);
        }
        w_.pair(code::SUBCLASS, "AcDbText");
        if (vAlign != V_BASELINE) w_.integer(code::TEXT_V_ALIGN, vAlign);
    }

private:
    void head(const char* type, const char* layer) {
        w_.pair(code::TYPE, type);
        w_.pair(code::HANDLE, w_.handle());
        w_.pair(code::OWNER, owner_);
        w_.pair(code::SUBCLASS, "AcDbEntity");
        w_.pair(code::LAYER, layer);
    }
    SheetPairs& w_;
    std::string owner_;
};

void tableHead(SheetPairs& w, const char* name, const std::string& handle, int count) {
    w.pair(code::TYPE, "TABLE");
    w.pair(code::NAME, name);
    w.pair(code::HANDLE, handle);
    w.pair(code::OWNER, "0");
    w.pair(code::SUBCLASS, "AcDbSymbolTable");
    w.integer(code::TABLE_COUNT, count);
}

void recordHead(SheetPairs& w, const char* type, const std::string& handle, const std::string& table,
                const char* subclass, int handleCode = code::HANDLE) {
    w.pair(code::TYPE, type);
    w.pair(handleCode, handle);
    w.pair(code::OWNER, table);
    w.pair(code::SUBCLASS, "AcDbSymbolTableRecord");
    w.pair(code::SUBCLASS, subclass);
}

void writeHeader(SheetPairs& w, double x0, double y0, double x1, double y1, std::size_t& seedAt) {
    w.pair(code::TYPE, "SECTION");
    w.pair(code::NAME, "HEADER");
    w.pair(code::VARIABLE, "$ACADVER");
    w.pair(code::HEADER_VERSION, "AC1032");
    w.pair(code::VARIABLE, "$DWGCODEPAGE");
    w.pair(code::HEADER_CODE_PAGE, "ANSI_1252");
    w.pair(code::VARIABLE, "$INSBASE");
    w.point(code::HEADER_POINT, 0, 0);
    w.pair(code::VARIABLE, "$EXTMIN");
    w.point(code::HEADER_POINT, x0, y0);
    w.pair(code::VARIABLE, "$EXTMAX");
    w.point(code::HEADER_POINT, x1, y1);
    w.pair(code::VARIABLE, "$CLAYER");
    w.pair(code::HEADER_LAYER, "0");
    w.pair(code::VARIABLE, "$TEXTSTYLE");
    w.pair(code::HEADER_TEXT_STYLE, SHEET_TEXT_STYLE);
    w.pair(code::VARIABLE, "$INSUNITS");
    w.integer(code::HEADER_INTEGER, UNITS_MILLIMETRES);
    w.pair(code::VARIABLE, "$MEASUREMENT");
    w.integer(code::HEADER_INTEGER, MEASUREMENT_METRIC);
    w.pair(code::VARIABLE, "$HANDSEED");
    w.pair(code::HEADER_HANDSEED, "");
    seedAt = w.text().size() - 1;  // the seed goes in once every handle is taken
    w.pair(code::TYPE, "ENDSEC");
    w.pair(code::TYPE, "SECTION");
    w.pair(code::NAME, "CLASSES");
    for (const char* cls : {"ACDBDICTIONARYWDFLT", "ACDBPLACEHOLDER", "LAYOUT"}) {
        w.pair(code::TYPE, "CLASS");
        w.pair(code::CLASS_DXF_NAME, cls);
        w.pair(code::CLASS_CPP_NAME, std::string_view(cls) == "LAYOUT"            ? "AcDbLayout"
                                     : std::string_view(cls) == "ACDBPLACEHOLDER" ? "AcDbPlaceHolder"
                                                                                  : "AcDbDictionaryWithDefault");
        w.pair(code::CLASS_APPLICATION, "ObjectDBX Classes");
        w.integer(code::CLASS_PROXY_FLAGS, 0);
        w.integer(code::CLASS_WAS_PROXY, 0);
        w.integer(code::CLASS_IS_ENTITY, 0);
    }
    w.pair(code::TYPE, "ENDSEC");
}

void writeTables(SheetPairs& w, const Handles& h, const std::vector<SheetLayer>& layers) {
    w.pair(code::TYPE, "SECTION");
    w.pair(code::NAME, "TABLES");
    tableHead(w, "VPORT", h.vportTable, 1);
    recordHead(w, "VPORT", h.vport, h.vportTable, "AcDbViewportTableRecord");
    w.pair(code::NAME, "*Active");
    w.integer(code::FLAGS, 0);
    w.point2(code::VPORT_LOWER_LEFT, 0, 0);
    w.point2(code::VPORT_UPPER_RIGHT, 1, 1);
    w.pair(code::TYPE, "ENDTAB");

    tableHead(w, "LTYPE", h.ltypeTable, 3);
    for (const auto& [handle, name, description] :
         {std::tuple{h.byBlock, "ByBlock", ""}, std::tuple{h.byLayer, "ByLayer", ""},
          std::tuple{h.continuous, "Continuous", "Solid line"}}) {
        recordHead(w, "LTYPE", handle, h.ltypeTable, "AcDbLinetypeTableRecord");
        w.pair(code::NAME, name);
        w.integer(code::FLAGS, 0);
        w.pair(code::LTYPE_DESCRIPTION, description);
        w.integer(code::LTYPE_ALIGNMENT, LTYPE_ALIGNMENT_A);
        w.integer(code::LTYPE_ELEMENT_COUNT, 0);
        w.number(code::LTYPE_PATTERN_LENGTH, 0);
    }
    w.pair(code::TYPE, "ENDTAB");

    tableHead(w, "LAYER", h.layerTable, static_cast<int>(h.layers.size()));
    for (std::size_t i = 0; i < h.layers.size(); ++i) {
        recordHead(w, "LAYER", h.layers[i], h.layerTable, "AcDbLayerTableRecord");
        w.pair(code::NAME, i == 0 ? "0" : layers[i - 1].name);
        w.integer(code::FLAGS, 0);
        w.integer(code::COLOR, i == 0 ? WHITE : layers[i - 1].colour);
        w.pair(code::LINETYPE, "Continuous");
        w.integer(code::LINEWEIGHT, LINEWEIGHT_DEFAULT);
        w.pair(code::PLOT_STYLE, h.normal);
    }
    w.pair(code::TYPE, "ENDTAB");

    tableHead(w, "STYLE", h.styleTable, 2);
    for (const auto& [handle, name, font, bigFont] :
         {std::tuple{h.standardStyle, "Standard", "txt", ""},
          std::tuple{h.sheetStyle, SHEET_TEXT_STYLE, SHEET_FONT, SHEET_BIG_FONT}}) {
        recordHead(w, "STYLE", handle, h.styleTable, "AcDbTextStyleTableRecord");
        w.pair(code::NAME, name);
        w.integer(code::FLAGS, 0);
        w.number(code::STYLE_FIXED_HEIGHT, 0);
        w.number(code::STYLE_WIDTH_FACTOR, name == std::string_view(SHEET_TEXT_STYLE) ? SHEET_WIDTH_FACTOR : 1.0);
        w.number(code::STYLE_OBLIQUE_ANGLE, 0);
        w.integer(code::STYLE_GENERATION, 0);
        w.number(code::STYLE_LAST_HEIGHT, SHEET_TEXT_HEIGHT);
        w.pair(code::STYLE_FONT_FILE, font);
        w.pair(code::STYLE_BIG_FONT_FILE, bigFont);
    }
    w.pair(code::TYPE, "ENDTAB");

    tableHead(w, "VIEW", h.viewTable, 0);
    w.pair(code::TYPE, "ENDTAB");
    tableHead(w, "UCS", h.ucsTable, 0);
    w.pair(code::TYPE, "ENDTAB");
    tableHead(w, "APPID", h.appidTable, 1);
    recordHead(w, "APPID", h.appid, h.appidTable, "AcDbRegAppTableRecord");
    w.pair(code::NAME, "ACAD");
    w.integer(code::FLAGS, 0);
    w.pair(code::TYPE, "ENDTAB");

    tableHead(w, "DIMSTYLE", h.dimstyleTable, 1);
    w.pair(code::SUBCLASS, "AcDbDimStyleTable");
    w.integer(code::DIMSTYLE_TABLE_HANDLES, 0);
    recordHead(w, "DIMSTYLE", h.dimstyle, h.dimstyleTable, "AcDbDimStyleTableRecord", code::DIMSTYLE_HANDLE);
    w.pair(code::NAME, "Standard");
    w.integer(code::FLAGS, 0);
    w.pair(code::TYPE, "ENDTAB");

    tableHead(w, "BLOCK_RECORD", h.blockRecordTable, 2);
    recordHead(w, "BLOCK_RECORD", h.modelRecord, h.blockRecordTable, "AcDbBlockTableRecord");
    w.pair(code::NAME, "*Model_Space");
    w.pair(code::BLOCK_RECORD_LAYOUT, h.modelLayout);
    recordHead(w, "BLOCK_RECORD", h.paperRecord, h.blockRecordTable, "AcDbBlockTableRecord");
    w.pair(code::NAME, "*Paper_Space");
    w.pair(code::BLOCK_RECORD_LAYOUT, h.paperLayout);
    w.pair(code::TYPE, "ENDTAB");
    w.pair(code::TYPE, "ENDSEC");
}

void writeBlocks(SheetPairs& w, const Handles& h) {
    w.pair(code::TYPE, "SECTION");
    w.pair(code::NAME, "BLOCKS");
    for (const auto& [begin, end, record, name, paper] :
         {std::tuple{h.modelBlock, h.modelEnd, h.modelRecord, "*Model_Space", false},
          std::tuple{h.paperBlock, h.paperEnd, h.paperRecord, "*Paper_Space", true}}) {
        // BLOCK and ENDBLK: the same entity head, then their own subclass.
        const auto head = [&](const char* type, const auto& handle, const char* subclass) {
            w.pair(code::TYPE, type);
            w.pair(code::HANDLE, handle);
            w.pair(code::OWNER, record);
            w.pair(code::SUBCLASS, "AcDbEntity");
            if (paper) w.integer(code::PAPER_SPACE, 1);
            w.pair(code::LAYER, "0");
            w.pair(code::SUBCLASS, subclass);
        };
        head("BLOCK", begin, "AcDbBlockBegin");
        w.pair(code::NAME, name);
        w.integer(code::FLAGS, 0);
        w.point(code::BLOCK_BASE_POINT, 0, 0);
        w.pair(code::BLOCK_NAME_AGAIN, name);
        w.pair(code::BLOCK_XREF_PATH, "");
        head("ENDBLK", end, "AcDbBlockEnd");
    }
    w.pair(code::TYPE, "ENDSEC");
}

void dictionary(SheetPairs& w, const std::string& handle, const std::string& owner,
                const std::vector<std::pair<const char*, std::string>>& entries) {
    w.pair(code::TYPE, "DICTIONARY");
    w.pair(code::HANDLE, handle);
    w.pair(code::OWNER, owner);
    w.pair(code::SUBCLASS, "AcDbDictionary");
    w.integer(code::DICTIONARY_CLONING, CLONING_KEEP_EXISTING);
    for (const auto& [name, entry] : entries) {
        w.pair(code::DICTIONARY_ENTRY_NAME, name);
        w.pair(code::OWNED_ENTRY, entry);
    }
}

void layout(SheetPairs& w, const std::string& handle, const std::string& owner, const char* name, int order,
            const std::string& record, double x1, double y1) {
    w.pair(code::TYPE, "LAYOUT");
    w.pair(code::HANDLE, handle);
    w.pair(code::OWNER, owner);
    w.pair(code::SUBCLASS, "AcDbPlotSettings");
    w.pair(code::PLOT_PAGE_SETUP, "");
    w.pair(code::PLOT_DEVICE, "none_device");
    w.pair(code::PLOT_PAPER, "");
    w.pair(code::PLOT_VIEW, "");
    for (int c = code::PLOT_MARGIN_FIRST; c <= code::PLOT_MARGIN_LAST; ++c) w.number(c, 0);
    w.number(code::PLOT_WINDOW_UPPER_X, 0);
    w.number(code::PLOT_WINDOW_UPPER_Y, 0);
    w.number(code::PLOT_SCALE_NUMERATOR, 1);
    w.number(code::PLOT_SCALE_DENOMINATOR, 1);
    w.integer(code::PLOT_FLAGS, order == 0 ? PLOT_FLAGS_MODEL : 0);
    w.integer(code::PLOT_PAPER_UNITS, PAPER_UNITS_MILLIMETRES);
    w.integer(code::PLOT_ROTATION, 0);
    w.integer(code::PLOT_TYPE, PLOT_TYPE_LAYOUT);
    w.pair(code::PLOT_STYLE_SHEET, "");
    w.integer(code::PLOT_STANDARD_SCALE, STANDARD_SCALE_ONE_TO_ONE);
    w.number(code::PLOT_SCALE_FACTOR, 1);
    w.number(code::PLOT_IMAGE_ORIGIN_X, 0);
    w.number(code::PLOT_IMAGE_ORIGIN_Y, 0);
    w.pair(code::SUBCLASS, "AcDbLayout");
    w.pair(code::LAYOUT_NAME, name);
    w.integer(code::LAYOUT_FLAGS, LAYOUT_FLAGS_PSLTSCALE);
    w.integer(code::LAYOUT_TAB_ORDER, order);
    w.point2(code::LAYOUT_LIMITS_MIN, 0, 0);
    w.point2(code::LAYOUT_LIMITS_MAX, x1, y1);
    w.point(code::LAYOUT_INSERTION_BASE, 0, 0);
    w.point(code::LAYOUT_EXTENTS_MIN, 0, 0);
    w.point(code::LAYOUT_EXTENTS_MAX, x1, y1);
    w.number(code::LAYOUT_ELEVATION, 0);
    w.point(code::LAYOUT_UCS_ORIGIN, 0, 0);
    w.point(code::LAYOUT_UCS_X_AXIS, 1, 0);
    w.point(code::LAYOUT_UCS_Y_AXIS, 0, 1);
    w.integer(code::LAYOUT_UCS_ORTHOGRAPHIC, 0);
    w.pair(code::OWNER, record);
}

void writeObjects(SheetPairs& w, const Handles& h, double x1, double y1) {
    w.pair(code::TYPE, "SECTION");
    w.pair(code::NAME, "OBJECTS");
    dictionary(w, h.root, "0",
               {{"ACAD_GROUP", h.groups}, {"ACAD_LAYOUT", h.layouts}, {"ACAD_MLINESTYLE", h.mlineStyles},
                {"ACAD_PLOTSTYLENAME", h.plotStyles}});
    dictionary(w, h.groups, h.root, {});
    dictionary(w, h.layouts, h.root, {{"Layout1", h.paperLayout}, {"Model", h.modelLayout}});
    dictionary(w, h.mlineStyles, h.root, {{"Standard", h.mlineStandard}});
    w.pair(code::TYPE, "ACDBDICTIONARYWDFLT");
    w.pair(code::HANDLE, h.plotStyles);
    w.pair(code::OWNER, h.root);
    w.pair(code::SUBCLASS, "AcDbDictionary");
    w.integer(code::DICTIONARY_CLONING, CLONING_KEEP_EXISTING);
    w.pair(code::DICTIONARY_ENTRY_NAME, "Normal");
    w.pair(code::OWNED_ENTRY, h.normal);
    w.pair(code::SUBCLASS, "AcDbDictionaryWithDefault");
    w.pair(code::DICTIONARY_DEFAULT, h.normal);
    w.pair(code::TYPE, "ACDBPLACEHOLDER");
    w.pair(code::HANDLE, h.normal);
    w.pair(code::OWNER, h.plotStyles);
    w.pair(code::TYPE, "MLINESTYLE");
    w.pair(code::HANDLE, h.mlineStandard);
    w.pair(code::OWNER, h.mlineStyles);
    w.pair(code::SUBCLASS, "AcDbMlineStyle");
    w.pair(code::NAME, "Standard");
    w.integer(code::FLAGS, 0);
    w.pair(code::MLINESTYLE_DESCRIPTION, "");
    w.integer(code::MLINESTYLE_FILL_COLOR, COLOR_BYLAYER);
    w.number(code::MLINESTYLE_START_ANGLE, QUARTER_TURN_DEGREES);
    w.number(code::MLINESTYLE_END_ANGLE, QUARTER_TURN_DEGREES);
    w.integer(code::MLINESTYLE_ELEMENTS, 2);
    for (double offset : {MLINE_HALF_WIDTH, -MLINE_HALF_WIDTH}) {
        w.number(code::MLINESTYLE_ELEMENT_OFFSET, offset);
        w.integer(code::COLOR, COLOR_BYLAYER);
        w.pair(code::LINETYPE, "BYLAYER");
    }
    layout(w, h.modelLayout, h.layouts, "Model", 0, h.modelRecord, x1, y1);
    layout(w, h.paperLayout, h.layouts, "Layout1", 1, h.paperRecord, x1, y1);
    w.pair(code::TYPE, "ENDSEC");
}

}  // namespace

std::string sheetDxf(const SheetEntities& entities, const std::vector<SheetLayer>& layers, const SheetRect& extents) {
    SheetPairs w;
    const Handles h = takeHandles(w, layers.size());
    std::size_t seedAt = 0;
    writeHeader(w, extents.x0, extents.y0, extents.x1, extents.y1, seedAt);
    writeTables(w, h, layers);
    writeBlocks(w, h);
    w.pair(code::TYPE, "SECTION");
    w.pair(code::NAME, "ENTITIES");
    Entities e(w, h.modelRecord);
    for (const SheetLine& l : entities.lines) e.line(l.layer, l.x1, l.y1, l.x2, l.y2);
    for (const SheetPolyline& p : entities.polylines) e.polyline(p.layer, p.points);
    for (const SheetText& t : entities.texts)
        e.text(t.layer, t.x, t.y, t.height, t.content, static_cast<int>(t.align), static_cast<int>(t.base),
               t.upright ? QUARTER_TURN_DEGREES : 0.0);
    w.pair(code::TYPE, "ENDSEC");
    writeObjects(w, h, extents.x1, extents.y1);
    w.pair(code::TYPE, "EOF");
    w.text().insert(seedAt, formatHandle(w.nextHandle()));
    return std::move(w.text());
}

}  // namespace gradix
