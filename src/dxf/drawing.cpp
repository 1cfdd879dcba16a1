#include "dxf/drawing.h"

#include <algorithm>
#include <cmath>

#include "dxf/dxfstructure.h"
#include "text/messages.h"

namespace gradix {

namespace {

// The standard ACI palette (index 0 is "by block" and has no colour of its own).
constexpr std::array<std::uint32_t, 256> ACI_PALETTE = {
    0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0, 0xFF0000,
    0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F, 0x4C0000, 0x4C2626, 0x260000, 0x261313, 0xFF3F00, 0xFF9F7F,
    0xA52900, 0xA56752, 0x7F1F00, 0x7F4F3F, 0x4C1300, 0x4C2F26, 0x260900, 0x261713, 0xFF7F00, 0xFFBF7F, 0xA55200,
    0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x4C3926, 0x261300, 0x261C13, 0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152,
    0x7F5F00, 0x7F6F3F, 0x4C3900, 0x4C4226, 0x261C00, 0x262113, 0xFFFF00, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00,
    0x7F7F3F, 0x4C4C00, 0x4C4C26, 0x262600, 0x262613, 0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552, 0x5F7F00, 0x6F7F3F,
    0x394C00, 0x424C26, 0x1C2600, 0x212613, 0x7FFF00, 0xBFFF7F, 0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00,
    0x394C26, 0x132600, 0x1C2613, 0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552, 0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26,
    0x092600, 0x172613, 0x00FF00, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F, 0x004C00, 0x264C26, 0x002600,
    0x132613, 0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567, 0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F, 0x002609, 0x135817,
    0x00FF7F, 0x7FFFBF, 0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13581C, 0x00FFBF,
    0x7FFFDF, 0x00A57C, 0x52A591, 0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42, 0x00261C, 0x135858, 0x00FFFF, 0x7FFFFF,
    0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F, 0x004C4C, 0x264C4C, 0x002626, 0x135858, 0x00BFFF, 0x7FDFFF, 0x007CA5,
    0x5291A5, 0x005F7F, 0x3F6F7F, 0x00394C, 0x26427E, 0x001C26, 0x135858, 0x007FFF, 0x7FBFFF, 0x0052A5, 0x527CA5,
    0x003F7F, 0x3F5F7F, 0x00264C, 0x26397E, 0x001326, 0x131C58, 0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5, 0x001F7F,
    0x3F4F7F, 0x00134C, 0x262F7E, 0x000926, 0x131758, 0x0000FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F,
    0x00004C, 0x26267E, 0x000026, 0x131358, 0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5, 0x1F007F, 0x4F3F7F, 0x13004C,
    0x2F267E, 0x090026, 0x171358, 0x7F00FF, 0xBF7FFF, 0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39267E,
    0x130026, 0x1C1358, 0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5, 0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C, 0x1C0026,
    0x581358, 0xFF00FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F, 0x4C004C, 0x4C264C, 0x260026, 0x581358,
    0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291, 0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642, 0x26001C, 0x581358, 0xFF007F,
    0xFF7FBF, 0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x4C2639, 0x260013, 0x58131C, 0xFF003F, 0xFF7F9F,
    0xA50029, 0xA55267, 0x7F001F, 0x7F3F4F, 0x4C0013, 0x4C262F, 0x260009, 0x581317, 0x000000, 0x656565, 0x666666,
    0x999999, 0xCCCCCC, 0xFFFFFF
};

constexpr std::size_t MAX_TABLE_NAME = 255;
constexpr std::string_view FORBIDDEN_NAME_CHARACTERS = "<>/\\\":;?*|=`";
constexpr const char* DEFAULT_FONT_FILE = "txt";
// Axis points closer than this (relative to the coordinates' size) do not span a plane.
constexpr double AXIS_TOLERANCE = 1e-12;
constexpr double QUARTER_TURNS_PER_BULGE = 4.0;  // included angle = 4 atan(bulge)

template <class T>
T* findByName(std::vector<T>& items, std::string_view name) {
    const auto folded = [](std::string_view s) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return out;
    };
    const std::string wanted = folded(name);
    for (T& item : items)
        if (folded(item.name) == wanted) return &item;
    return nullptr;
}

void requireTableName(std::string_view name, const char* what) {
    if (!isValidTableName(name)) throw DrawingError(msg::invalidTableName(what, name));
}

bool finite3(const Point3& p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

Point3 minus(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Point3& a) { return std::sqrt(dot(a, a)); }

}  // namespace

std::uint32_t aciColor(int index) {
    if (index < 1 || index >= static_cast<int>(ACI_PALETTE.size())) return ACI_PALETTE[COLOR_WHITE];
    return ACI_PALETTE[static_cast<std::size_t>(index)];
}

bool isValidTableName(std::string_view name) {
    if (name.empty() || name.size() > MAX_TABLE_NAME) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (FORBIDDEN_NAME_CHARACTERS.find(c) != std::string_view::npos) return false;
    }
    return true;
}

DrawingLayer* Drawing::findLayer(std::string_view name) { return findByName(layers, name); }
const DrawingLayer* Drawing::findLayer(std::string_view name) const {
    return findByName(const_cast<std::vector<DrawingLayer>&>(layers), name);
}
DrawingTextStyle* Drawing::findTextStyle(std::string_view name) { return findByName(styles, name); }
DrawingUcs* Drawing::findUcs(std::string_view name) { return findByName(ucs, name); }

std::string Drawing::takeHandle() {
    if (!usesHandles) return {};
    return formatHandle(nextHandle++);
}

DrawingLayer& Drawing::addLayer(std::string_view name) {
    if (DrawingLayer* existing = findLayer(name)) return *existing;
    requireTableName(name, msg::LAYER);
    DrawingLayer layer;
    layer.name = std::string(name);
    layer.handle = takeHandle();
    layer.added = true;
    layers.push_back(layer);
    modified = true;
    return layers.back();
}

DrawingTextStyle& Drawing::addTextStyle(std::string_view name) {
    if (DrawingTextStyle* existing = findTextStyle(name)) return *existing;
    requireTableName(name, msg::TEXT_STYLE);
    DrawingTextStyle style;
    style.name = std::string(name);
    style.fontFile = DEFAULT_FONT_FILE;
    style.handle = takeHandle();
    style.added = true;
    styles.push_back(style);
    modified = true;
    return styles.back();
}

DrawingUcs& Drawing::addUcs(std::string_view name, const Point3& origin, const Point3& xAxisPoint,
                            const Point3& yAxisPoint) {
    if (DrawingUcs* existing = findUcs(name)) return *existing;
    requireTableName(name, msg::COORDINATE_SYSTEM);
    if (!finite3(origin) || !finite3(xAxisPoint) || !finite3(yAxisPoint))
        throw DrawingError(msg::UCS_POINTS_NOT_FINITE);
    const double size = std::max({1.0, norm(origin), norm(xAxisPoint), norm(yAxisPoint)});
    const Point3 x = minus(xAxisPoint, origin);
    const double xLength = norm(x);
    if (!(xLength > AXIS_TOLERANCE * size)) throw DrawingError(msg::X_AXIS_ON_ORIGIN);
    const Point3 xUnit{x[0] / xLength, x[1] / xLength, x[2] / xLength};
    const Point3 v = minus(yAxisPoint, origin);
    const double along = dot(v, xUnit);
    const Point3 y{v[0] - along * xUnit[0], v[1] - along * xUnit[1], v[2] - along * xUnit[2]};
    const double yLength = norm(y);
    if (!(yLength > AXIS_TOLERANCE * size)) throw DrawingError(msg::Y_AXIS_ON_X_AXIS);
    DrawingUcs u;
    u.name = std::string(name);
    u.origin = origin;
    u.xAxis = xUnit;
    u.yAxis = {y[0] / yLength, y[1] / yLength, y[2] / yLength};
    u.handle = takeHandle();
    u.added = true;
    ucs.push_back(u);
    modified = true;
    return ucs.back();
}

std::size_t Drawing::addMText(const Point3& insertion, double width, std::string_view text) {
    if (!finite3(insertion)) throw DrawingError(msg::INSERTION_NOT_FINITE);
    if (!std::isfinite(width) || width < 0) throw DrawingError(msg::TEXT_WIDTH_INVALID);
    DrawingEntity e;
    e.kind = EntityKind::MText;
    e.layer = activeLayer;
    e.style = activeTextStyle;
    const DrawingTextStyle* style = findTextStyle(activeTextStyle);
    e.height = style && style->height > 0 ? style->height : DEFAULT_TEXT_HEIGHT;
    e.x = insertion[0];
    e.y = insertion[1];
    e.z = insertion[2];
    e.boxWidth = width;
    e.text = std::string(text);
    e.handle = takeHandle();
    e.added = true;
    entities.push_back(e);
    modified = true;
    return entities.size() - 1;
}

bool Drawing::hasAdditions() const {
    const auto addedLayer = [](const DrawingLayer& l) { return l.added; };
    const auto addedStyle = [](const DrawingTextStyle& s) { return s.added || s.changed; };
    const auto addedUcs = [](const DrawingUcs& u) { return u.added; };
    const auto addedEntity = [](const DrawingEntity& e) { return e.added; };
    return std::any_of(layers.begin(), layers.end(), addedLayer) ||
           std::any_of(styles.begin(), styles.end(), addedStyle) || std::any_of(ucs.begin(), ucs.end(), addedUcs) ||
           std::any_of(entities.begin(), entities.end(), addedEntity);
}

std::vector<std::array<double, 2>> flattenPolyline(const std::vector<PolylineVertex>& vertices, bool closed,
                                                   double tolerance) {
    std::vector<std::array<double, 2>> out;
    if (vertices.empty()) return out;
    out.reserve(vertices.size() + (closed ? 1 : 0));
    const std::size_t segments = closed ? vertices.size() : vertices.size() - 1;
    out.push_back({vertices[0].x, vertices[0].y});
    for (std::size_t i = 0; i < segments; ++i) {
        const PolylineVertex& a = vertices[i];
        const PolylineVertex& b = vertices[(i + 1) % vertices.size()];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double chord = std::hypot(dx, dy);
        if (a.bulge == 0 || !std::isfinite(a.bulge) || !(chord > 0)) {
            out.push_back({b.x, b.y});
            continue;
        }
        // Centre on the left of the chord at chord (1 - bulge^2) / (4 bulge);
        // included angle 4 atan(bulge), anticlockwise when positive.
        const double offset = chord * (1 - a.bulge * a.bulge) / (QUARTER_TURNS_PER_BULGE * a.bulge);
        const double cx = (a.x + b.x) / 2 - dy / chord * offset;
        const double cy = (a.y + b.y) / 2 + dx / chord * offset;
        const double radius = std::hypot(a.x - cx, a.y - cy);
        const double sweep = QUARTER_TURNS_PER_BULGE * std::atan(a.bulge);
        int chords = 1;
        if (tolerance > 0 && tolerance < radius) {
            const double step = 2 * std::acos(1 - tolerance / radius);
            chords = static_cast<int>(std::ceil(std::abs(sweep) / step));
        } else if (!(tolerance > 0)) {
            chords = MAX_ARC_CHORDS;
        }
        chords = std::clamp(chords, 1, MAX_ARC_CHORDS);
        const double start = std::atan2(a.y - cy, a.x - cx);
        for (int k = 1; k < chords; ++k) {
            const double t = start + sweep * k / chords;
            out.push_back({cx + radius * std::cos(t), cy + radius * std::sin(t)});
        }
        out.push_back({b.x, b.y});
    }
    return out;
}

bool hasFiniteGeometry(const DrawingEntity& e) {
    const double values[] = {e.x,      e.y,          e.z,           e.x2,          e.y2,
                             e.radius, e.startAngle, e.endAngle,    e.height,      e.rotation,
                             e.widthFactor, e.boxWidth, e.scaleX, e.scaleY};
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return std::all_of(e.vertices.begin(), e.vertices.end(), [](const PolylineVertex& v) {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.bulge);
    });
}


}  // namespace gradix
