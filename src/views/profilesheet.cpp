#include "views/profilesheet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "views/profilemodel.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr double MM_PER_M = 1000.0;
// Text heights and band layout, millimetres of paper.
constexpr double TEXT_HEIGHT = 3.0;
constexpr double SMALL_TEXT_HEIGHT = 2.5;
constexpr double TEXT_GAP = 1.0;
constexpr double BAND_GAP = 10.0;            // between the grid's foot and the first band
constexpr double GRADE_BAND_HEIGHT = 15.0;
constexpr double STAKE_BAND_HEIGHT = 15.0;
constexpr double TICK_LENGTH = 2.0;
constexpr double LABELLED_TICK_LENGTH = 4.0;
constexpr double CAPTION_WIDTH = 30.0;       // left of x = 0: band captions and elevations
constexpr double CURVE_LABEL_RISE = 15.0;    // curve bracket above the higher of H and the design line
constexpr double CURVE_LEG = 3.0;
constexpr double MIN_GRID_SPACING = 5.0;     // elevation grid lines at least this far apart
constexpr double ROTATED = 90.0;             // degrees: texts written up the sheet
// Elevation grid steps tried in turn (m): the first at least MIN_GRID_SPACING apart.
constexpr double GRID_STEPS[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
constexpr double MAX_PAPER_MM = 1e6;         // a sheet larger than this (1 km of paper) is refused

// ACI colours of the layers.
constexpr int GREY = 8, RED = 1, GREEN = 3, WHITE = 7, MAGENTA = 6, CYAN = 4;

// TEXT justifications (group codes 72 and 73).
constexpr int H_LEFT = 0, H_CENTRE = 1, H_RIGHT = 2;
constexpr int V_BASELINE = 0, V_MIDDLE = 2;

// The layers in the order of their table.
struct LayerSpec {
    const char* name;
    int colour;
};
constexpr LayerSpec LAYERS[] = {{SHEET_GRID_LAYER, GREY},  {SHEET_DESIGN_LAYER, RED},  {SHEET_CURVE_LAYER, GREEN},
                                {SHEET_GRADE_LAYER, WHITE}, {SHEET_STAKE_LAYER, WHITE}, {SHEET_BREAK_LAYER, MAGENTA},
                                {SHEET_NOTE_LAYER, CYAN}};

// Group-code and value pairs of a DXF text file, with the handles of its objects.
class DxfPairs {
public:
    void pair(int code, std::string_view value) {
        out_ += std::to_string(code);
        out_ += '\n';
        out_ += value;
        out_ += '\n';
    }
    void number(int code, double value) {
        if (!std::isfinite(value)) throw DataError(msg::SHEET_COORDINATE_NOT_FINITE);
        pair(code, shortestText(value));
    }
    void integer(int code, long long value) { pair(code, std::to_string(value)); }
    void point(int code, double x, double y) {
        number(code, x);
        number(code + 10, y);
        number(code + 20, 0.0);
    }
    std::string handle() { return hex(next_++); }
    std::uint64_t nextHandle() const { return next_; }
    static std::string hex(std::uint64_t h) {
        static constexpr char DIGITS[] = "0123456789ABCDEF";
        std::string s;
        do {
            s.insert(s.begin(), DIGITS[h % 16]);
            h /= 16;
        } while (h);
        return s;
    }
    std::string& text() { return out_; }

private:
    std::string out_;
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

Handles takeHandles(DxfPairs& w) {
    Handles h;
    for (std::string* s : {&h.vportTable, &h.ltypeTable, &h.layerTable, &h.styleTable, &h.viewTable, &h.ucsTable,
                           &h.appidTable, &h.dimstyleTable, &h.blockRecordTable, &h.vport, &h.byBlock, &h.byLayer,
                           &h.continuous, &h.standardStyle, &h.sheetStyle, &h.appid, &h.dimstyle, &h.modelRecord,
                           &h.paperRecord, &h.modelBlock, &h.modelEnd, &h.paperBlock, &h.paperEnd, &h.root,
                           &h.groups, &h.layouts, &h.mlineStyles, &h.mlineStandard, &h.plotStyles, &h.normal,
                           &h.modelLayout, &h.paperLayout})
        *s = w.handle();
    h.layers.push_back(w.handle());
    for (std::size_t i = 0; i < std::size(LAYERS); ++i) h.layers.push_back(w.handle());
    return h;
}

// The entities of the sheet, in model space.
class Entities {
public:
    Entities(DxfPairs& w, std::string owner) : w_(w), owner_(std::move(owner)) {}

    void line(const char* layer, double x1, double y1, double x2, double y2) {
        head("LINE", layer);
        w_.pair(100, "AcDbLine");
        w_.point(10, x1, y1);
        w_.point(11, x2, y2);
    }
    void polyline(const char* layer, const std::vector<std::pair<double, double>>& points) {
        head("LWPOLYLINE", layer);
        w_.pair(100, "AcDbPolyline");
        w_.integer(90, static_cast<long long>(points.size()));
        w_.integer(70, 0);
        for (const auto& [x, y] : points) {
            w_.number(10, x);
            w_.number(20, y);
        }
    }
    // A TEXT aligned at (x, y) by its horizontal and vertical justification.
    void text(const char* layer, double x, double y, double height, std::string_view content, int hAlign = H_LEFT,
              int vAlign = V_BASELINE, double rotationDegrees = 0) {
        head("TEXT", layer);
        w_.pair(100, "AcDbText");
        w_.point(10, x, y);
        w_.number(40, height);
        w_.pair(1, content);
        if (rotationDegrees != 0) w_.number(50, rotationDegrees);
        w_.pair(7, SHEET_TEXT_STYLE);
        if (hAlign != H_LEFT || vAlign != V_BASELINE) {
            w_.integer(72, hAlign);
            w_.point(11, x, y);
        }
        w_.pair(100, "AcDbText");
        if (vAlign != V_BASELINE) w_.integer(73, vAlign);
    }

private:
    void head(const char* type, const char* layer) {
        w_.pair(0, type);
        w_.pair(5, w_.handle());
        w_.pair(330, owner_);
        w_.pair(100, "AcDbEntity");
        w_.pair(8, layer);
    }
    DxfPairs& w_;
    std::string owner_;
};

void tableHead(DxfPairs& w, const char* name, const std::string& handle, int count) {
    w.pair(0, "TABLE");
    w.pair(2, name);
    w.pair(5, handle);
    w.pair(330, "0");
    w.pair(100, "AcDbSymbolTable");
    w.integer(70, count);
}

void recordHead(DxfPairs& w, const char* type, const std::string& handle, const std::string& table,
                const char* subclass, int handleCode = 5) {
    w.pair(0, type);
    w.pair(handleCode, handle);
    w.pair(330, table);
    w.pair(100, "AcDbSymbolTableRecord");
    w.pair(100, subclass);
}

void writeHeader(DxfPairs& w, double x0, double y0, double x1, double y1, std::size_t& seedAt) {
    w.pair(0, "SECTION");
    w.pair(2, "HEADER");
    w.pair(9, "$ACADVER");
    w.pair(1, "AC1032");
    w.pair(9, "$DWGCODEPAGE");
    w.pair(3, "ANSI_1252");
    w.pair(9, "$INSBASE");
    w.point(10, 0, 0);
    w.pair(9, "$EXTMIN");
    w.point(10, x0, y0);
    w.pair(9, "$EXTMAX");
    w.point(10, x1, y1);
    w.pair(9, "$CLAYER");
    w.pair(8, "0");
    w.pair(9, "$TEXTSTYLE");
    w.pair(7, SHEET_TEXT_STYLE);
    w.pair(9, "$INSUNITS");
    w.integer(70, 4);  // millimetres
    w.pair(9, "$MEASUREMENT");
    w.integer(70, 1);  // metric
    w.pair(9, "$HANDSEED");
    w.pair(5, "");
    seedAt = w.text().size() - 1;  // the seed goes in once every handle is taken
    w.pair(0, "ENDSEC");
    w.pair(0, "SECTION");
    w.pair(2, "CLASSES");
    for (const char* cls : {"ACDBDICTIONARYWDFLT", "ACDBPLACEHOLDER", "LAYOUT"}) {
        w.pair(0, "CLASS");
        w.pair(1, cls);
        w.pair(2, std::string_view(cls) == "LAYOUT" ? "AcDbLayout"
                  : std::string_view(cls) == "ACDBPLACEHOLDER" ? "AcDbPlaceHolder"
                                                               : "AcDbDictionaryWithDefault");
        w.pair(3, "ObjectDBX Classes");
        w.integer(90, 0);
        w.integer(280, 0);
        w.integer(281, 0);
    }
    w.pair(0, "ENDSEC");
}

void writeTables(DxfPairs& w, const Handles& h) {
    w.pair(0, "SECTION");
    w.pair(2, "TABLES");
    tableHead(w, "VPORT", h.vportTable, 1);
    recordHead(w, "VPORT", h.vport, h.vportTable, "AcDbViewportTableRecord");
    w.pair(2, "*Active");
    w.integer(70, 0);
    w.point(10, 0, 0);
    w.number(11, 1);
    w.number(21, 1);
    w.pair(0, "ENDTAB");

    tableHead(w, "LTYPE", h.ltypeTable, 3);
    for (const auto& [handle, name, description] :
         {std::tuple{h.byBlock, "ByBlock", ""}, std::tuple{h.byLayer, "ByLayer", ""},
          std::tuple{h.continuous, "Continuous", "Solid line"}}) {
        recordHead(w, "LTYPE", handle, h.ltypeTable, "AcDbLinetypeTableRecord");
        w.pair(2, name);
        w.integer(70, 0);
        w.pair(3, description);
        w.integer(72, 65);
        w.integer(73, 0);
        w.number(40, 0);
    }
    w.pair(0, "ENDTAB");

    tableHead(w, "LAYER", h.layerTable, static_cast<int>(h.layers.size()));
    for (std::size_t i = 0; i < h.layers.size(); ++i) {
        recordHead(w, "LAYER", h.layers[i], h.layerTable, "AcDbLayerTableRecord");
        w.pair(2, i == 0 ? "0" : LAYERS[i - 1].name);
        w.integer(70, 0);
        w.integer(62, i == 0 ? WHITE : LAYERS[i - 1].colour);
        w.pair(6, "Continuous");
        w.integer(370, -3);
        w.pair(390, h.normal);
    }
    w.pair(0, "ENDTAB");

    tableHead(w, "STYLE", h.styleTable, 2);
    for (const auto& [handle, name, font, bigFont] :
         {std::tuple{h.standardStyle, "Standard", "txt", ""},
          std::tuple{h.sheetStyle, SHEET_TEXT_STYLE, SHEET_FONT, SHEET_BIG_FONT}}) {
        recordHead(w, "STYLE", handle, h.styleTable, "AcDbTextStyleTableRecord");
        w.pair(2, name);
        w.integer(70, 0);
        w.number(40, 0);
        w.number(41, 1);
        w.number(50, 0);
        w.integer(71, 0);
        w.number(42, TEXT_HEIGHT);
        w.pair(3, font);
        w.pair(4, bigFont);
    }
    w.pair(0, "ENDTAB");

    tableHead(w, "VIEW", h.viewTable, 0);
    w.pair(0, "ENDTAB");
    tableHead(w, "UCS", h.ucsTable, 0);
    w.pair(0, "ENDTAB");
    tableHead(w, "APPID", h.appidTable, 1);
    recordHead(w, "APPID", h.appid, h.appidTable, "AcDbRegAppTableRecord");
    w.pair(2, "ACAD");
    w.integer(70, 0);
    w.pair(0, "ENDTAB");

    tableHead(w, "DIMSTYLE", h.dimstyleTable, 1);
    w.pair(100, "AcDbDimStyleTable");
    w.integer(71, 0);
    recordHead(w, "DIMSTYLE", h.dimstyle, h.dimstyleTable, "AcDbDimStyleTableRecord", 105);
    w.pair(2, "Standard");
    w.integer(70, 0);
    w.pair(0, "ENDTAB");

    tableHead(w, "BLOCK_RECORD", h.blockRecordTable, 2);
    recordHead(w, "BLOCK_RECORD", h.modelRecord, h.blockRecordTable, "AcDbBlockTableRecord");
    w.pair(2, "*Model_Space");
    w.pair(340, h.modelLayout);
    recordHead(w, "BLOCK_RECORD", h.paperRecord, h.blockRecordTable, "AcDbBlockTableRecord");
    w.pair(2, "*Paper_Space");
    w.pair(340, h.paperLayout);
    w.pair(0, "ENDTAB");
    w.pair(0, "ENDSEC");
}

void writeBlocks(DxfPairs& w, const Handles& h) {
    w.pair(0, "SECTION");
    w.pair(2, "BLOCKS");
    for (const auto& [begin, end, record, name, paper] :
         {std::tuple{h.modelBlock, h.modelEnd, h.modelRecord, "*Model_Space", false},
          std::tuple{h.paperBlock, h.paperEnd, h.paperRecord, "*Paper_Space", true}}) {
        w.pair(0, "BLOCK");
        w.pair(5, begin);
        w.pair(330, record);
        w.pair(100, "AcDbEntity");
        if (paper) w.integer(67, 1);
        w.pair(8, "0");
        w.pair(100, "AcDbBlockBegin");
        w.pair(2, name);
        w.integer(70, 0);
        w.point(10, 0, 0);
        w.pair(3, name);
        w.pair(1, "");
        w.pair(0, "ENDBLK");
        w.pair(5, end);
        w.pair(330, record);
        w.pair(100, "AcDbEntity");
        if (paper) w.integer(67, 1);
        w.pair(8, "0");
        w.pair(100, "AcDbBlockEnd");
    }
    w.pair(0, "ENDSEC");
}

void dictionary(DxfPairs& w, const std::string& handle, const std::string& owner,
                const std::vector<std::pair<const char*, std::string>>& entries) {
    w.pair(0, "DICTIONARY");
    w.pair(5, handle);
    w.pair(330, owner);
    w.pair(100, "AcDbDictionary");
    w.integer(281, 1);
    for (const auto& [name, entry] : entries) {
        w.pair(3, name);
        w.pair(350, entry);
    }
}

void layout(DxfPairs& w, const std::string& handle, const std::string& owner, const char* name, int order,
            const std::string& record, double x1, double y1) {
    w.pair(0, "LAYOUT");
    w.pair(5, handle);
    w.pair(330, owner);
    w.pair(100, "AcDbPlotSettings");
    w.pair(1, "");
    w.pair(2, "none_device");
    w.pair(4, "");
    w.pair(6, "");
    for (int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141}) w.number(code, 0);
    w.number(142, 1);
    w.number(143, 1);
    w.integer(70, order == 0 ? 1024 : 0);
    w.integer(72, 1);
    w.integer(73, 0);
    w.integer(74, 5);
    w.pair(7, "");
    w.integer(75, 16);
    w.number(147, 1);
    w.number(148, 0);
    w.number(149, 0);
    w.pair(100, "AcDbLayout");
    w.pair(1, name);
    w.integer(70, 1);
    w.integer(71, order);
    w.number(10, 0);
    w.number(20, 0);
    w.number(11, x1);
    w.number(21, y1);
    w.point(12, 0, 0);
    w.point(14, 0, 0);
    w.point(15, x1, y1);
    w.number(146, 0);
    w.point(13, 0, 0);
    w.point(16, 1, 0);
    w.number(17, 0);
    w.number(27, 1);
    w.number(37, 0);
    w.integer(76, 0);
    w.pair(330, record);
}

void writeObjects(DxfPairs& w, const Handles& h, double x1, double y1) {
    w.pair(0, "SECTION");
    w.pair(2, "OBJECTS");
    dictionary(w, h.root, "0",
               {{"ACAD_GROUP", h.groups}, {"ACAD_LAYOUT", h.layouts}, {"ACAD_MLINESTYLE", h.mlineStyles},
                {"ACAD_PLOTSTYLENAME", h.plotStyles}});
    dictionary(w, h.groups, h.root, {});
    dictionary(w, h.layouts, h.root, {{"Layout1", h.paperLayout}, {"Model", h.modelLayout}});
    dictionary(w, h.mlineStyles, h.root, {{"Standard", h.mlineStandard}});
    w.pair(0, "ACDBDICTIONARYWDFLT");
    w.pair(5, h.plotStyles);
    w.pair(330, h.root);
    w.pair(100, "AcDbDictionary");
    w.integer(281, 1);
    w.pair(3, "Normal");
    w.pair(350, h.normal);
    w.pair(100, "AcDbDictionaryWithDefault");
    w.pair(340, h.normal);
    w.pair(0, "ACDBPLACEHOLDER");
    w.pair(5, h.normal);
    w.pair(330, h.plotStyles);
    w.pair(0, "MLINESTYLE");
    w.pair(5, h.mlineStandard);
    w.pair(330, h.mlineStyles);
    w.pair(100, "AcDbMlineStyle");
    w.pair(2, "Standard");
    w.integer(70, 0);
    w.pair(3, "");
    w.integer(62, 256);
    w.number(51, 90);
    w.number(52, 90);
    w.integer(71, 2);
    for (double offset : {0.5, -0.5}) {
        w.number(49, offset);
        w.integer(62, 256);
        w.pair(6, "BYLAYER");
    }
    layout(w, h.modelLayout, h.layouts, "Model", 0, h.modelRecord, x1, y1);
    layout(w, h.paperLayout, h.layouts, "Layout1", 1, h.paperRecord, x1, y1);
    w.pair(0, "ENDSEC");
}

double gridStep(double verticalScale) {
    for (double step : GRID_STEPS)
        if (step * MM_PER_M / verticalScale >= MIN_GRID_SPACING) return step;
    return GRID_STEPS[std::size(GRID_STEPS) - 1];
}

}  // namespace

std::string profileSheetDxf(const Profile& profile, const ChainBreakTable& breaks,
                            const ProfileSheetOptions& options, ProfileSheetFrame* frameOut) {
    const double hs = options.horizontalScale;
    const double vs = options.verticalScale;
    if (!(std::isfinite(hs) && hs > 0 && std::isfinite(vs) && vs > 0))
        throw DataError(msg::sheetScalesNotPositive(hs, vs));
    const ProfileLabelModel model = buildProfileModel(profile, breaks, options.fromChainage, options.toChainage);

    const double step = gridStep(vs);
    ProfileSheetFrame frame;
    frame.horizontalScale = hs;
    frame.verticalScale = vs;
    frame.originChainage = model.fromChainage;
    frame.originElevation = std::floor(model.lowestElevation / step) * step - step;
    const double top = std::ceil(model.highestElevation / step) * step + step;
    const auto X = [&](double chainage) { return (chainage - frame.originChainage) * MM_PER_M / hs; };
    const auto Y = [&](double elevation) { return (elevation - frame.originElevation) * MM_PER_M / vs; };
    const double width = X(model.toChainage);
    const double gridTop = Y(top);
    const double curveTop = gridTop + CURVE_LABEL_RISE + 2 * TEXT_HEIGHT;
    if (!(width < MAX_PAPER_MM && gridTop < MAX_PAPER_MM))
        throw DataError(msg::sheetTooLarge(MAX_PAPER_MM / MM_PER_M));
    const double gradeTop = -BAND_GAP;
    const double gradeBottom = gradeTop - GRADE_BAND_HEIGHT;
    const double stakeBottom = gradeBottom - STAKE_BAND_HEIGHT;
    if (frameOut) *frameOut = frame;

    DxfPairs w;
    const Handles h = takeHandles(w);
    std::size_t seedAt = 0;
    writeHeader(w, -CAPTION_WIDTH, stakeBottom, width, curveTop, seedAt);
    writeTables(w, h);
    writeBlocks(w, h);
    w.pair(0, "SECTION");
    w.pair(2, "ENTITIES");
    Entities e(w, h.modelRecord);

    // The grid: a line every grid step of elevation, one at every stake tick,
    // and the frame at both ends.
    const auto lines = static_cast<long long>(std::llround((top - frame.originElevation) / step));
    for (long long k = 0; k <= lines; ++k) {
        const double elevation = frame.originElevation + static_cast<double>(k) * step;
        const double y = Y(elevation);
        e.line(SHEET_GRID_LAYER, 0, y, width, y);
        e.text(SHEET_GRID_LAYER, -TEXT_GAP, y, SMALL_TEXT_HEIGHT, formatFixed(elevation, 3), H_RIGHT, V_MIDDLE);
    }
    for (double x : {0.0, width}) e.line(SHEET_GRID_LAYER, x, stakeBottom, x, gridTop);
    for (const StakeTick& t : model.ticks) e.line(SHEET_GRID_LAYER, X(t.chainage), 0, X(t.chainage), gridTop);

    // The design line, vertex by vertex on the design elevations.
    std::vector<std::pair<double, double>> design;
    design.reserve(model.designLine.size());
    for (const RoadPoint& p : model.designLine) design.emplace_back(X(p.chainage), Y(p.elevation));
    e.polyline(SHEET_DESIGN_LAYER, design);

    // Each grade point: its stake and elevation up the sheet; with a curve, a
    // bracket from its start to its end and the label "R=… T=… E=…".
    for (const GradePointLabel& g : model.gradePoints) {
        const double x = X(g.chainage);
        const double labelY = Y(std::max(g.elevation, g.designElevation)) + CURVE_LABEL_RISE;
        e.line(SHEET_CURVE_LAYER, x, Y(g.designElevation), x, labelY);
        e.text(SHEET_CURVE_LAYER, x - TEXT_GAP, Y(g.designElevation) + TEXT_GAP, SMALL_TEXT_HEIGHT,
               g.stake + " " + g.elevationText, H_LEFT, V_BASELINE, ROTATED);
        if (g.curve.empty()) continue;
        const double s = X(std::max(g.curveStart, model.fromChainage));
        const double t = X(std::min(g.curveEnd, model.toChainage));
        e.line(SHEET_CURVE_LAYER, s, labelY, t, labelY);
        e.line(SHEET_CURVE_LAYER, s, labelY, s, labelY - CURVE_LEG);
        e.line(SHEET_CURVE_LAYER, t, labelY, t, labelY - CURVE_LEG);
        e.text(SHEET_CURVE_LAYER, x, labelY + TEXT_GAP, TEXT_HEIGHT, g.curve, H_CENTRE);
    }

    // The band of grades and slope lengths: a joint at each grade point, a
    // diagonal rising or falling with the grade, the grade above, the length below.
    e.line(SHEET_GRADE_LAYER, 0, gradeTop, width, gradeTop);
    e.line(SHEET_GRADE_LAYER, 0, gradeBottom, width, gradeBottom);
    e.text(SHEET_NOTE_LAYER, -TEXT_GAP, (gradeTop + gradeBottom) / 2, TEXT_HEIGHT, "坡度(%)/坡长(m)", H_RIGHT,
           V_MIDDLE);
    for (const GradeLineLabel& l : model.gradeLines) {
        const double a = X(std::max(l.fromChainage, model.fromChainage));
        const double b = X(std::min(l.toChainage, model.toChainage));
        const double mid = (gradeTop + gradeBottom) / 2;
        if (l.fromChainage >= model.fromChainage) e.line(SHEET_GRADE_LAYER, a, gradeTop, a, gradeBottom);
        const double rise = l.grade > 0 ? 1 : l.grade < 0 ? -1 : 0;
        e.line(SHEET_GRADE_LAYER, a, mid - rise * GRADE_BAND_HEIGHT / 4, b, mid + rise * GRADE_BAND_HEIGHT / 4);
        e.text(SHEET_GRADE_LAYER, (a + b) / 2, mid + TEXT_GAP + GRADE_BAND_HEIGHT / 8, SMALL_TEXT_HEIGHT, l.gradeText,
               H_CENTRE);
        e.text(SHEET_GRADE_LAYER, (a + b) / 2, mid - TEXT_GAP - GRADE_BAND_HEIGHT / 8 - SMALL_TEXT_HEIGHT,
               SMALL_TEXT_HEIGHT, l.lengthText, H_CENTRE);
    }

    // The band of stakes: a tick every 20 m, longer and labelled every 100 m,
    // each label centred above its tick.
    e.line(SHEET_STAKE_LAYER, 0, stakeBottom, width, stakeBottom);
    e.text(SHEET_NOTE_LAYER, -TEXT_GAP, (gradeBottom + stakeBottom) / 2, TEXT_HEIGHT, "桩号", H_RIGHT, V_MIDDLE);
    for (const StakeTick& t : model.ticks) {
        const double x = X(t.chainage);
        const double length = t.label.empty() ? TICK_LENGTH : LABELLED_TICK_LENGTH;
        e.line(SHEET_STAKE_LAYER, x, stakeBottom, x, stakeBottom + length);
        if (!t.label.empty())
            e.text(SHEET_STAKE_LAYER, x, stakeBottom + LABELLED_TICK_LENGTH + TEXT_GAP, TEXT_HEIGHT, t.label,
                   H_CENTRE);
    }

    // The chain breaks: a line across grid and bands, the equation up the sheet.
    for (const ChainBreakNote& b : model.chainBreaks) {
        const double x = X(b.chainage);
        e.line(SHEET_BREAK_LAYER, x, stakeBottom, x, gridTop);
        e.text(SHEET_BREAK_LAYER, x - TEXT_GAP, TEXT_GAP, TEXT_HEIGHT, b.text, H_LEFT, V_BASELINE,
               ROTATED);
    }

    // The note of the origin and scales.
    e.text(SHEET_NOTE_LAYER, 0, curveTop + TEXT_GAP, TEXT_HEIGHT,
           "原点 里程=" + shortestText(frame.originChainage) + " 高程=" + shortestText(frame.originElevation) +
               " 横向比例=1:" + shortestText(hs) + " 竖向比例=1:" + shortestText(vs));
    e.text(SHEET_NOTE_LAYER, 0, curveTop + 2 * (TEXT_GAP + TEXT_HEIGHT), TEXT_HEIGHT * 2,
           "纵断面图 " + formatKilometreStake(stakeValueAt(breaks, model.fromChainage)) + " ~ " +
               formatKilometreStake(stakeValueAt(breaks, model.toChainage)));
    w.pair(0, "ENDSEC");

    writeObjects(w, h, width, curveTop);
    w.pair(0, "EOF");
    w.text().insert(seedAt, DxfPairs::hex(w.nextHandle()));
    return std::move(w.text());
}

void writeProfileSheet(const std::string& path, const Profile& profile, const ChainBreakTable& breaks,
                       const ProfileSheetOptions& options) {
    if (path.empty()) throw FileAccessError(msg::NO_SHEET_FILE);
    std::string bytes;
    try {
        bytes = profileSheetDxf(profile, breaks, options);
    } catch (GradixError& error) {
        error.locate(path);
        throw;
    }
    writeFileAtomically(path, bytes);
}

}  // namespace gradix
