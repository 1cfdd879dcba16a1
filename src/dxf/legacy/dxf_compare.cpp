// TEMPORARY tool, kept while the dxflib reader exists beside the one-parse
// reader: reads each DXF file given with both and prints where the drawing
// models differ (layers, styles, coordinate systems, header values, notes,
// model-space entities and blocks, field by field).
//
// usage: dxf_compare FILE...   (exit 1 when any file differs)
#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <vector>
#include <sstream>
#include <string>

#include "dxf/dxfreader.h"
#include "dxf/legacy/dxflibreader.h"
#include "text/failures.h"
#include "text/textfile.h"

using namespace gradix;

namespace {

constexpr double RELATIVE_TOLERANCE = 1e-12;
constexpr int MAX_REPORTED = 14;

struct Diff {
    std::ostringstream out;
    int count = 0;
    void add(const std::string& where, const std::string& what) {
        if (count++ < MAX_REPORTED) out << "  " << where << ": " << what << "\n";
    }
};

bool same(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return a == b || std::abs(a - b) <= RELATIVE_TOLERANCE * std::max({1.0, std::abs(a), std::abs(b)});
}

template <class T>
std::string show(const T& a, const T& b) {
    std::ostringstream s;
    s.precision(17);
    s << "dxflib " << a << " / one-parse " << b;
    return s.str();
}

void compareEntity(Diff& d, const std::string& where, const DrawingEntity& a, const DrawingEntity& b) {
#define FIELD(f)                                                        \
    if (!(a.f == b.f)) d.add(where + " " #f, show(a.f, b.f));
#define REAL(f)                                                         \
    if (!same(a.f, b.f)) d.add(where + " " #f, show(a.f, b.f));
    FIELD(layer) FIELD(color) FIELD(trueColor) REAL(x) REAL(y) REAL(z) REAL(x2) REAL(y2) REAL(radius)
    REAL(startAngle) REAL(endAngle) FIELD(closed) FIELD(heavy) FIELD(text) FIELD(style) REAL(height)
    REAL(rotation) REAL(widthFactor) REAL(boxWidth) FIELD(attachment) FIELD(hAlign) FIELD(vAlign) FIELD(block)
    REAL(scaleX) REAL(scaleY) FIELD(handle)
    if (a.kind != b.kind) d.add(where + " kind", show(static_cast<int>(a.kind), static_cast<int>(b.kind)));
    if (a.vertices.size() != b.vertices.size()) {
        d.add(where + " vertices", show(a.vertices.size(), b.vertices.size()));
    } else {
        for (std::size_t i = 0; i < a.vertices.size(); ++i)
            if (!same(a.vertices[i].x, b.vertices[i].x) || !same(a.vertices[i].y, b.vertices[i].y) ||
                !same(a.vertices[i].bulge, b.vertices[i].bulge)) {
                d.add(where + " vertex " + std::to_string(i), "differs");
                break;
            }
    }
#undef FIELD
#undef REAL
}

const char* KIND_NAMES[] = {"Line", "Polyline", "Arc", "Circle", "Ellipse", "Spline", "Point", "Text", "MText", "Insert"};

// Entities are matched by handle where both have one (the one-parse reader
// adds attributes, hatch boundaries and dimensions between them), else by order.
void compareEntities(Diff& d, const std::string& where, const std::vector<DrawingEntity>& a,
                     const std::vector<DrawingEntity>& b) {
    std::map<std::string, std::size_t> byHandle;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (!b[i].handle.empty()) byHandle.emplace(b[i].handle, i);
    std::vector<bool> matched(b.size(), false);
    std::size_t next = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::size_t j = b.size();
        if (!a[i].handle.empty()) {
            const auto found = byHandle.find(a[i].handle);
            if (found != byHandle.end()) j = found->second;
        } else {
            for (std::size_t k = next; k < b.size(); ++k)
                if (!matched[k] && b[k].kind == a[i].kind) {
                    j = k;
                    break;
                }
        }
        if (j == b.size()) {
            d.add(where + "[" + std::to_string(i) + "] " + KIND_NAMES[static_cast<int>(a[i].kind)] + " " + a[i].handle,
                  "only in dxflib");
            continue;
        }
        matched[j] = true;
        next = j + 1;
        compareEntity(d, where + "[" + std::to_string(i) + " " + a[i].handle + "]", a[i], b[j]);
    }
    std::map<std::string, int> added;
    for (std::size_t j = 0; j < b.size(); ++j)
        if (!matched[j]) ++added[KIND_NAMES[static_cast<int>(b[j].kind)]];
    for (const auto& [kind, n] : added) d.add(where + " added", std::to_string(n) + " " + kind + " only in one-parse");
}

void compare(Diff& d, const Drawing& a, const Drawing& b) {
    if (a.acadVersion != b.acadVersion) d.add("acadVersion", show(a.acadVersion, b.acadVersion));
    if (a.codePage != b.codePage) d.add("codePage", show(a.codePage, b.codePage));
    if (a.activeLayer != b.activeLayer) d.add("activeLayer", show(a.activeLayer, b.activeLayer));
    if (a.activeTextStyle != b.activeTextStyle) d.add("activeTextStyle", show(a.activeTextStyle, b.activeTextStyle));
    if (a.usesHandles != b.usesHandles) d.add("usesHandles", show(a.usesHandles, b.usesHandles));
    if (a.nextHandle != b.nextHandle) d.add("nextHandle", show(a.nextHandle, b.nextHandle));
    if (a.notes != b.notes) {
        std::string an, bn;
        for (const auto& n : a.notes) an += "[" + n + "]";
        for (const auto& n : b.notes) bn += "[" + n + "]";
        d.add("notes", show(an, bn));
    }
    if (a.layers.size() != b.layers.size()) d.add("layer count", show(a.layers.size(), b.layers.size()));
    for (std::size_t i = 0; i < std::min(a.layers.size(), b.layers.size()); ++i) {
        const auto& x = a.layers[i];
        const auto& y = b.layers[i];
        if (x.name != y.name || x.color != y.color || x.off != y.off || x.frozen != y.frozen || x.handle != y.handle)
            d.add("layer " + x.name, show(x.name + " " + std::to_string(x.color) + (x.off ? " off" : "") + (x.frozen ? " frozen" : "") + " " + x.handle,
                                          y.name + " " + std::to_string(y.color) + (y.off ? " off" : "") + (y.frozen ? " frozen" : "") + " " + y.handle));
    }
    if (a.styles.size() != b.styles.size()) d.add("style count", show(a.styles.size(), b.styles.size()));
    for (std::size_t i = 0; i < std::min(a.styles.size(), b.styles.size()); ++i) {
        const auto& x = a.styles[i];
        const auto& y = b.styles[i];
        if (x.name != y.name || x.fontFile != y.fontFile || x.bigFontFile != y.bigFontFile || !same(x.height, y.height) ||
            !same(x.width, y.width) || x.handle != y.handle)
            d.add("style " + x.name, show(x.name + " " + x.fontFile + " " + x.bigFontFile + " " + std::to_string(x.height) + " " + std::to_string(x.width),
                                          y.name + " " + y.fontFile + " " + y.bigFontFile + " " + std::to_string(y.height) + " " + std::to_string(y.width)));
    }
    if (a.ucs.size() != b.ucs.size()) d.add("ucs count", show(a.ucs.size(), b.ucs.size()));
    compareEntities(d, "entity", a.entities, b.entities);
    if (a.blocks.size() != b.blocks.size()) d.add("block count", show(a.blocks.size(), b.blocks.size()));
    for (const auto& [key, block] : a.blocks) {
        const auto found = b.blocks.find(key);
        if (found == b.blocks.end()) {
            d.add("block " + key, "missing in one-parse");
            continue;
        }
        if (!same(block.baseX, found->second.baseX) || !same(block.baseY, found->second.baseY))
            d.add("block " + key + " base", "differs");
        compareEntities(d, "block " + key, block.entities, found->second.entities);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int differing = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        std::string bytes;
        try {
            bytes = readFileBytes(path);
        } catch (const GradixError& e) {
            std::cout << path << ": cannot read: " << e.reason() << "\n";
            continue;
        }
        Drawing a, b;
        std::string errorA, errorB;
        try { a = legacy::readDrawingBytes(bytes, path); } catch (const GradixError& e) { errorA = e.reason(); }
        try { b = readDrawingBytes(bytes, path); } catch (const GradixError& e) { errorB = e.reason(); }
        Diff d;
        if (!errorA.empty() || !errorB.empty()) {
            if (errorA.empty() != errorB.empty()) d.add("failure", show(errorA, errorB));
        } else {
            compare(d, a, b);
        }
        if (d.count == 0) {
            std::cout << "SAME " << path << (errorA.empty() ? "" : " (both refuse it)") << "\n";
        } else {
            ++differing;
            std::cout << "DIFF " << path << ": " << d.count << " differences\n" << d.out.str();
        }
    }
    return differing ? 1 : 0;
}
