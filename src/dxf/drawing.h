// The drawing model behind the drawing window: the layers, text styles and
// coordinate systems of a DXF drawing, its model-space entities as far as the
// window shows them, and what Gradix added since the file was opened.
//
// The model never replaces the file: the bytes of the opened file are kept in
// `bytes`, and saving (dxfwriter.h) inserts only what is marked `added` or
// `changed` here. All texts are UTF-8; lengths and coordinates are in drawing
// units; angles in radians, anticlockwise from the drawing's x axis.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gradix {

// ACI colour numbers with a meaning of their own.
inline constexpr int COLOR_BYBLOCK = 0;
inline constexpr int COLOR_BYLAYER = 256;
inline constexpr int COLOR_RED = 1;
inline constexpr int COLOR_WHITE = 7;  // white on a dark background, black on a light one
inline constexpr int NO_TRUE_COLOR = -1;

// The AutoCAD text height a new text takes when its style has none ($TEXTSIZE).
inline constexpr double DEFAULT_TEXT_HEIGHT = 2.5;
inline constexpr const char* DEFAULT_TEXT_STYLE = "Standard";
inline constexpr const char* DEFAULT_LAYER = "0";

// The RGB value (0xRRGGBB) of an ACI colour 1..255; 7 is white. Other numbers give white.
std::uint32_t aciColor(int index);

enum class EntityKind { Line, Polyline, Arc, Circle, Ellipse, Spline, Point, Text, MText, Insert };

// A polyline vertex; bulge = tan(included angle / 4) of the arc to the next
// vertex, positive anticlockwise, 0 for a straight segment.
struct PolylineVertex {
    double x = 0;
    double y = 0;
    double bulge = 0;
};

// Gradix's application name: its entry in a drawing's APPID table and the
// name of the extended data (XDATA) of the annotations it writes.
inline constexpr const char* GRADIX_APPLICATION = "GRADIX";

// What Gradix records with an annotation it writes, as the annotation's
// extended data under GRADIX_APPLICATION: the point picked on the road for
// it (drawing coordinates, drawing units) and the line name its 桩号 line
// carries before the stake ("ROAD" of "桩号：ROADK1+200.000").
struct AnnotationRecord {
    double pickX = 0, pickY = 0, pickZ = 0;
    std::string lineName;
};

struct DrawingEntity {
    EntityKind kind = EntityKind::Line;
    int color = COLOR_BYLAYER;       // ACI 0..256
    int trueColor = NO_TRUE_COLOR;   // 0xRRGGBB when the entity has a true colour
    int attachment = 1;              // MTEXT attachment 1 (top left) .. 9 (bottom right)
    int hAlign = 0;                  // TEXT horizontal justification (0 left, 1 centre, 2 right, 3 aligned, 4 middle, 5 fit)
    int vAlign = 0;                  // TEXT vertical justification (0 baseline, 1 bottom, 2 middle, 3 top)
    bool closed = false;
    bool heavy = false;              // a POLYLINE rather than a LWPOLYLINE
    bool added = false;              // added by Gradix, not in the opened file's bytes
    std::string layer = DEFAULT_LAYER;
    double x = 0, y = 0, z = 0;      // LINE start, centre, insertion point, POINT
    double x2 = 0, y2 = 0;           // LINE end; TEXT alignment point
    double radius = 0;               // ARC, CIRCLE
    double startAngle = 0;           // ARC, radians
    double endAngle = 0;             // ARC, radians (anticlockwise from start)
    std::vector<PolylineVertex> vertices;  // POLYLINE/LWPOLYLINE; ELLIPSE and SPLINE flattened
    std::string text;                // TEXT/MTEXT content, UTF-8, format codes kept
    std::string style = DEFAULT_TEXT_STYLE;
    double height = DEFAULT_TEXT_HEIGHT;  // text height
    double rotation = 0;             // TEXT, MTEXT, INSERT rotation, radians
    double widthFactor = 1;          // TEXT width factor
    double boxWidth = 0;             // MTEXT reference width, 0 = no wrapping
    std::string block;               // INSERT: block name
    double scaleX = 1, scaleY = 1;   // INSERT scale
    std::string handle;              // as the file writes it, "" when unknown
    // Gradix's record of an annotation (its extended data); null for every
    // other entity. Shared: copies of the entity (the undo steps) hold the same.
    std::shared_ptr<const AnnotationRecord> record;
};

using Point3 = std::array<double, 3>;

// A change the drawing refuses (a table name CAD would not accept, a value
// that is not finite); what() describes it for the person.
class DrawingError : public std::runtime_error {
public:
    explicit DrawingError(const std::string& description) : std::runtime_error(description) {}
};

// A block definition: what an INSERT draws, about its base point.
struct DrawingBlock {
    std::string name;
    double baseX = 0;
    double baseY = 0;
    std::vector<DrawingEntity> entities;
};

struct DrawingLayer {
    std::string name;
    int color = COLOR_WHITE;         // 1..255 (a layer switched off has a negative colour in the file)
    bool off = false;
    bool frozen = false;
    std::string handle;
    bool added = false;
};

struct DrawingTextStyle {
    std::string name;
    std::string fontFile;            // primary font file ("txt", "fsdb_e.shx")
    std::string bigFontFile;         // big font file for Chinese text ("fsdb.shx"), "" when none
    double height = 0;               // fixed height, 0 = set per text
    double width = 1;                // width factor
    std::string handle;
    bool added = false;
    bool changed = false;            // an entry of the file whose font, height or width Gradix set
};


// A named user coordinate system: origin and unit axis directions in world coordinates.
struct DrawingUcs {
    std::string name;
    Point3 origin{0, 0, 0};
    Point3 xAxis{1, 0, 0};
    Point3 yAxis{0, 1, 0};
    std::string handle;
    bool added = false;
};

struct Drawing {
    std::string path;                // the file opened or last saved; "" for a new drawing
    std::string bytes;               // the opened file's bytes: the base of every save
    bool fromTemplate = false;       // a new drawing started from Gradix's empty DXF
    std::string acadVersion;         // $ACADVER ("AC1015")
    std::string codePage;            // $DWGCODEPAGE ("ANSI_936")
    int insertionUnits = 0;          // $INSUNITS: 0 unitless, 6 metres, 4 millimetres ...
    std::vector<DrawingLayer> layers;
    std::vector<DrawingTextStyle> styles;
    std::vector<DrawingUcs> ucs;
    std::vector<DrawingEntity> entities;                        // model space, in file order
    std::map<std::string, DrawingBlock> blocks;                 // by folded name, for INSERT display
    std::vector<std::string> notes;  // what the person must be told about the reading
    std::string activeLayer = DEFAULT_LAYER;
    std::string activeTextStyle = DEFAULT_TEXT_STYLE;
    std::string activeUcs;           // "" = world
    bool modified = false;
    bool usesHandles = true;         // false for an R12 file written without handles
    std::uint64_t nextHandle = 1;    // the next free handle

    // Finding by name ignores ASCII case, as table names do in CAD. Null when absent.
    DrawingLayer* findLayer(std::string_view name);
    DrawingTextStyle* findTextStyle(std::string_view name);
    DrawingUcs* findUcs(std::string_view name);
    const DrawingLayer* findLayer(std::string_view name) const;

    // The layer of that name; a new layer (colour 7, marked added, fresh
    // handle) when there is none. Raises DrawingError for a name CAD refuses.
    DrawingLayer& addLayer(std::string_view name);
    // The text style of that name, or a new one (font "txt", marked added).
    // Raises DrawingError for a name CAD refuses.
    DrawingTextStyle& addTextStyle(std::string_view name);
    // The coordinate system of that name, or a new one through origin whose x
    // axis points to xAxisPoint and whose xy plane holds yAxisPoint (world
    // coordinates). An existing one is handed back unchanged. Raises DrawingError
    // for a name CAD refuses, coordinates that are not finite, or axis points
    // that do not span a plane.
    DrawingUcs& addUcs(std::string_view name, const Point3& origin, const Point3& xAxisPoint, const Point3& yAxisPoint);
    // Adds a multi-line text to model space at (x, y, z) with reference width
    // width (0 = no wrapping) on the active layer, in the active text style
    // with its fixed height (DEFAULT_TEXT_HEIGHT when it has none), colour by
    // layer; the index of the new entity. Raises DrawingError for coordinates or a
    // width that are not finite, or a negative width.
    std::size_t addMText(const Point3& insertion, double width, std::string_view text);

    // A fresh handle from the handle seed, "" when the drawing uses none.
    std::string takeHandle();
    // Whether anything Gradix added or changed is still to be saved.
    bool hasAdditions() const;
};

// Whether a layer, style or coordinate system name is one CAD accepts: not
// empty, at most 255 characters, none of < > / \ " : ; ? * | = ` and no
// control characters.
bool isValidTableName(std::string_view name);

// The points of a polyline with its bulges flattened: each arc segment
// becomes chords whose sagitta is at most tolerance (drawing units; at
// least one chord, at most MAX_ARC_CHORDS). A closed polyline repeats its
// first point at the end.
inline constexpr int MAX_ARC_CHORDS = 256;
std::vector<std::array<double, 2>> flattenPolyline(const std::vector<PolylineVertex>& vertices, bool closed,
                                                   double tolerance);

// Whether every coordinate, length and angle of an entity, its vertices
// included, is a finite number (a file may hold "1e999" or "nan").
bool hasFiniteGeometry(const DrawingEntity& entity);


}  // namespace gradix
