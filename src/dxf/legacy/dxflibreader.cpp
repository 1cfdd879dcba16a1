#include "dxf/legacy/dxflibreader.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "dxf/dxfencoding.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "text/failures.h"
#include "text/textfile.h"

namespace gradix::legacy {

namespace {

constexpr double DEGREES_PER_HALF_TURN = 180.0;
constexpr double FULL_TURN = 2 * std::numbers::pi;
constexpr int CODE_ROTATION = 50;
constexpr int CODE_EXTRUSION_Z = 230;
constexpr int CODE_VERTEX_COUNT = 90;    // LWPOLYLINE only
constexpr int CODE_FLAGS = 70;
constexpr int POLYLINE_CLOSED = 1;
constexpr int VERTEX_SPLINE_FRAME = 16;  // a control point of a spline-fit polyline: not drawn
constexpr int LAYER_FROZEN = 1;
constexpr int ELLIPSE_CHORDS_PER_TURN = 72;
constexpr int MIN_ELLIPSE_CHORDS = 8;
constexpr int SPLINE_CHORDS_PER_SPAN = 8;
constexpr int MAX_SPLINE_DEGREE = 11;    // no DXF writer uses more; guards de Boor's work
constexpr int FIRST_ATTACHMENT = 1;
constexpr int LAST_ATTACHMENT = 9;

double degreesToRadians(double degrees) { return degrees / DEGREES_PER_HALF_TURN * std::numbers::pi; }

// A spline waiting for its control points and knots, flattened once all are in.
struct PendingSpline {
    std::vector<DrawingEntity>* container;
    std::size_t index;
    unsigned degree = 0;
    bool closed = false;
    bool mirrored = false;
    std::vector<double> knots;
    std::vector<std::array<double, 3>> control;  // x, y, weight
    std::vector<std::array<double, 2>> fit;
};

// A point of a rational B-spline by de Boor's algorithm (span k, U[k] <= t < U[k+1]).
std::array<double, 2> deBoor(const PendingSpline& s, std::size_t k, double t) {
    const std::size_t p = s.degree;
    std::vector<std::array<double, 3>> d(p + 1);
    for (std::size_t j = 0; j <= p; ++j) {
        const auto& c = s.control[j + k - p];
        d[j] = {c[0] * c[2], c[1] * c[2], c[2]};
    }
    for (std::size_t r = 1; r <= p; ++r) {
        for (std::size_t j = p; j >= r; --j) {
            const double left = s.knots[j + k - p];
            const double right = s.knots[j + 1 + k - r];
            const double alpha = right > left ? (t - left) / (right - left) : 0.0;
            for (int c = 0; c < 3; ++c) d[j][c] = (1 - alpha) * d[j - 1][c] + alpha * d[j][c];
        }
    }
    const double w = d[p][2] != 0 ? d[p][2] : 1.0;
    return {d[p][0] / w, d[p][1] / w};
}

std::vector<PolylineVertex> flattenSpline(const PendingSpline& s) {
    std::vector<PolylineVertex> out;
    const std::size_t n = s.control.size();
    const std::size_t p = s.degree;
    const bool evaluable = p >= 1 && p <= MAX_SPLINE_DEGREE && n > p && s.knots.size() == n + p + 1 &&
                           std::is_sorted(s.knots.begin(), s.knots.end()) &&
                           std::all_of(s.knots.begin(), s.knots.end(), [](double k) { return std::isfinite(k); });
    if (evaluable) {
        for (std::size_t k = p; k < n; ++k) {
            const double a = s.knots[k];
            const double b = s.knots[k + 1];
            if (!(b > a)) continue;
            for (int i = 0; i < SPLINE_CHORDS_PER_SPAN; ++i) {
                const auto pt = deBoor(s, k, a + (b - a) * i / SPLINE_CHORDS_PER_SPAN);
                out.push_back({pt[0], pt[1], 0});
            }
        }
        // The end of the curve: the last control point of a clamped spline.
        std::size_t last = n - 1;
        while (last > p && !(s.knots[last + 1] > s.knots[last])) --last;
        const auto end = deBoor(s, std::max(last, p), s.knots[n]);
        out.push_back({end[0], end[1], 0});
    } else if (!s.fit.empty()) {
        for (const auto& f : s.fit) out.push_back({f[0], f[1], 0});
    } else {
        for (const auto& c : s.control) out.push_back({c[0], c[1], 0});
    }
    if (s.mirrored)
        for (auto& v : out) v.x = -v.x;
    return out;
}

class DrawingBuilder : public DL_CreationAdapter {
public:
    DrawingBuilder(DL_Dxf& dxf, Drawing& drawing, const DxfTextCodec& codec)
        : dxf_(dxf), drawing_(drawing), codec_(codec), target_(&drawing.entities) {}

    // Flattens the splines, then leaves out every entity whose geometry is
    // not finite (the window could neither draw nor pick it); the notes say
    // which, by handle.
    void finish() {
        for (const PendingSpline& s : splines_) (*s.container)[s.index].vertices = flattenSpline(s);
        splines_.clear();
        dropNonFinite(drawing_.entities, "");
        for (auto& [key, block] : drawing_.blocks) dropNonFinite(block.entities, block.name);
    }

    const std::string& headerLayer() const { return headerLayer_; }
    const std::string& headerTextStyle() const { return headerTextStyle_; }

    void setVariableString(const std::string& key, const std::string& value, int) override {
        if (key == "$CLAYER") headerLayer_ = codec_.decode(value);
        if (key == "$TEXTSTYLE") headerTextStyle_ = codec_.decode(value);
    }

    void addLayer(const DL_LayerData& d) override {
        DrawingLayer layer;
        layer.name = codec_.decode(d.name);
        const int color = attributes.getColor();
        layer.off = color < 0 || d.off;
        layer.color = std::abs(color);
        if (layer.color < 1 || layer.color >= COLOR_BYLAYER) layer.color = COLOR_WHITE;
        layer.frozen = (d.flags & LAYER_FROZEN) != 0;
        layer.handle = dxf_.getStringValue(5, "");
        if (!drawing_.findLayer(layer.name)) drawing_.layers.push_back(layer);
    }

    void addTextStyle(const DL_StyleData& d) override {
        if (d.name.empty()) return;  // a shape file entry, not a text style
        DrawingTextStyle style;
        style.name = codec_.decode(d.name);
        style.fontFile = codec_.decode(d.primaryFontFile);
        style.bigFontFile = codec_.decode(d.bigFontFile);
        style.height = d.fixedTextHeight;
        style.width = d.widthFactor;
        style.handle = dxf_.getStringValue(5, "");
        if (!drawing_.findTextStyle(style.name)) drawing_.styles.push_back(style);
    }

    void addBlock(const DL_BlockData& d) override {
        if (section_ != "BLOCKS") return;  // a stray BLOCK of a damaged file defines nothing
        const std::string name = codec_.decode(d.name);
        // Entities of a block belong to the block, never to model space.
        DrawingBlock& block = drawing_.blocks[foldName(name)];
        block.name = name;
        block.baseX = d.bpx;
        block.baseY = d.bpy;
        target_ = &block.entities;
        inBlock_ = true;
    }

    void endBlock() override {
        target_ = &drawing_.entities;
        inBlock_ = false;
    }

    // A section starts: a block or polyline left open by a damaged file ends
    // with the section before it.
    void beginSection(std::string name) {
        endBlock();
        inPolyline_ = false;
        mtextChunks_.clear();
        section_ = std::move(name);
    }

    void addPoint(const DL_PointData& d) override {
        DrawingEntity e = start(EntityKind::Point);
        e.x = d.x;
        e.y = d.y;
        e.z = d.z;
        keep(std::move(e));
    }

    void addLine(const DL_LineData& d) override {
        DrawingEntity e = start(EntityKind::Line);
        e.x = d.x1;
        e.y = d.y1;
        e.x2 = d.x2;
        e.y2 = d.y2;
        keep(std::move(e));
    }

    void addArc(const DL_ArcData& d) override {
        DrawingEntity e = start(EntityKind::Arc);
        e.x = d.cx;
        e.y = d.cy;
        e.radius = d.radius;
        e.startAngle = degreesToRadians(d.angle1);
        e.endAngle = degreesToRadians(d.angle2);
        if (mirrored()) {
            // Seen from below, the arc runs the other way round.
            e.x = -e.x;
            const double start = std::numbers::pi - e.endAngle;
            e.endAngle = std::numbers::pi - e.startAngle;
            e.startAngle = start;
        }
        keep(std::move(e));
    }

    void addCircle(const DL_CircleData& d) override {
        DrawingEntity e = start(EntityKind::Circle);
        e.x = mirrored() ? -d.cx : d.cx;
        e.y = d.cy;
        e.radius = d.radius;
        keep(std::move(e));
    }

    void addEllipse(const DL_EllipseData& d) override {
        DrawingEntity e = start(EntityKind::Ellipse);
        double a1 = d.angle1;
        double a2 = d.angle2;
        if (!std::isfinite(a1) || !std::isfinite(a2)) a1 = 0, a2 = FULL_TURN;
        while (a2 <= a1) a2 += FULL_TURN;
        if (a2 - a1 > FULL_TURN) a2 = a1 + FULL_TURN;
        const int chords = std::max(MIN_ELLIPSE_CHORDS,
                                    static_cast<int>(std::ceil(ELLIPSE_CHORDS_PER_TURN * (a2 - a1) / FULL_TURN)));
        for (int i = 0; i <= chords; ++i) {
            const double t = a1 + (a2 - a1) * i / chords;
            // centre + major axis cos t + minor axis sin t; minor = ratio x (major turned a quarter).
            const double x = d.cx + d.mx * std::cos(t) - d.ratio * d.my * std::sin(t);
            const double y = d.cy + d.my * std::cos(t) + d.ratio * d.mx * std::sin(t);
            e.vertices.push_back({mirrored() ? -x : x, y, 0});
        }
        keep(std::move(e));
    }

    void addPolyline(const DL_PolylineData& d) override {
        DrawingEntity e = start(EntityKind::Polyline);
        e.closed = (d.flags & POLYLINE_CLOSED) != 0;
        e.heavy = !dxf_.hasValue(CODE_VERTEX_COUNT);
        polylineMirrored_ = mirrored();
        inPolyline_ = keep(std::move(e));
        polyline_ = {target_, target_->size() - 1};
    }

    void addVertex(const DL_VertexData& d) override {
        if (!inPolyline_) return;
        DrawingEntity& e = (*polyline_.first)[polyline_.second];
        if (e.heavy && (dxf_.getIntValue(CODE_FLAGS, 0) & VERTEX_SPLINE_FRAME) != 0) return;
        e.vertices.push_back({polylineMirrored_ ? -d.x : d.x, d.y, polylineMirrored_ ? -d.bulge : d.bulge});
    }

    void endSequence() override { inPolyline_ = false; }

    void addSpline(const DL_SplineData& d) override {
        DrawingEntity e = start(EntityKind::Spline);
        if (!keep(std::move(e))) {
            splineKept_ = false;
            return;
        }
        splineKept_ = true;
        PendingSpline s;
        s.container = target_;
        s.index = target_->size() - 1;
        s.degree = d.degree;
        s.closed = (d.flags & POLYLINE_CLOSED) != 0;
        s.mirrored = mirrored();
        splines_.push_back(std::move(s));
    }

    void addControlPoint(const DL_ControlPointData& d) override {
        if (splineKept_) splines_.back().control.push_back({d.x, d.y, std::isfinite(d.w) && d.w > 0 ? d.w : 1.0});
    }
    void addKnot(const DL_KnotData& d) override {
        if (splineKept_) splines_.back().knots.push_back(d.k);
    }
    void addFitPoint(const DL_FitPointData& d) override {
        if (splineKept_) splines_.back().fit.push_back({d.x, d.y});
    }

    void addInsert(const DL_InsertData& d) override {
        DrawingEntity e = start(EntityKind::Insert);
        e.block = codec_.decode(d.name);
        e.x = d.ipx;
        e.y = d.ipy;
        e.scaleX = d.sx;
        e.scaleY = d.sy;
        e.rotation = degreesToRadians(dxf_.getRealValue(CODE_ROTATION, 0.0));
        if (mirrored()) {
            e.x = -e.x;
            e.scaleX = -e.scaleX;
            e.rotation = -e.rotation;
        }
        keep(std::move(e));
    }

    void addMTextChunk(const std::string& chunk) override { mtextChunks_ += chunk; }

    void addMText(const DL_MTextData& d) override {
        DrawingEntity e = start(EntityKind::MText);
        e.text = codec_.decode(mtextChunks_ + d.text);
        mtextChunks_.clear();
        e.x = d.ipx;
        e.y = d.ipy;
        e.z = d.ipz;
        e.height = d.height;
        e.boxWidth = d.width;
        e.attachment = std::clamp(d.attachmentPoint, FIRST_ATTACHMENT, LAST_ATTACHMENT);
        e.style = codec_.decode(d.style);
        if (e.style.empty()) e.style = DEFAULT_TEXT_STYLE;
        // The x direction (codes 11/21) wins over the rotation (code 50, in
        // degrees whatever dxflib makes of it).
        if (d.dirx != 0 || d.diry != 0) e.rotation = std::atan2(d.diry, d.dirx);
        else e.rotation = degreesToRadians(dxf_.getRealValue(CODE_ROTATION, 0.0));
        keep(std::move(e));
    }

    void addText(const DL_TextData& d) override {
        DrawingEntity e = start(EntityKind::Text);
        e.text = codec_.decode(d.text);
        e.x = d.ipx;
        e.y = d.ipy;
        e.z = d.ipz;
        // Without an alignment point (codes 11/21) the text is placed at its insertion point.
        const bool aligned = std::isfinite(d.apx) && std::isfinite(d.apy);
        e.x2 = aligned ? d.apx : d.ipx;
        e.y2 = aligned ? d.apy : d.ipy;
        e.height = d.height;
        e.widthFactor = d.xScaleFactor;
        e.hAlign = d.hJustification;
        e.vAlign = d.vJustification;
        e.style = codec_.decode(d.style);
        if (e.style.empty()) e.style = DEFAULT_TEXT_STYLE;
        e.rotation = degreesToRadians(dxf_.getRealValue(CODE_ROTATION, 0.0));
        if (mirrored()) {
            e.x = -e.x;
            e.x2 = -e.x2;
            e.rotation = std::numbers::pi - e.rotation;
        }
        keep(std::move(e));
    }

private:
    void dropNonFinite(std::vector<DrawingEntity>& entities, const std::string& blockName) {
        std::size_t dropped = 0;
        std::string first;
        std::erase_if(entities, [&](const DrawingEntity& e) {
            if (hasFiniteGeometry(e)) return false;
            if (dropped++ == 0) first = e.handle;
            return true;
        });
        if (dropped == 0) return;
        std::string note = std::to_string(dropped) + (dropped == 1 ? " entity" : " entities");
        if (!blockName.empty()) note += " of block " + blockName;
        if (!first.empty()) note += (dropped == 1 ? " (handle " : " (the first with handle ") + first + ")";
        note += dropped == 1 ? " has" : " have";
        note += " a coordinate, length or angle that is not a finite number and was left out";
        drawing_.notes.push_back(note);
    }

    bool mirrored() { return dxf_.getRealValue(CODE_EXTRUSION_Z, 1.0) < 0; }

    DrawingEntity start(EntityKind kind) {
        DrawingEntity e;
        e.kind = kind;
        e.layer = codec_.decode(attributes.getLayer());
        if (e.layer.empty()) e.layer = DEFAULT_LAYER;
        e.color = attributes.getColor();
        e.trueColor = attributes.getColor24();
        e.handle = dxf_.getStringValue(5, "");
        return e;
    }

    // Keeps an entity in the block being read or in model space; false for
    // a paper-space entity of the ENTITIES section, which is left out.
    bool keep(DrawingEntity e) {
        // Model space is what the ENTITIES section holds (an entity in the
        // header or the tables of a damaged file is not drawn).
        if (!inBlock_ && (attributes.isInPaperSpace() || section_ != "ENTITIES")) return false;
        target_->push_back(std::move(e));
        return true;
    }

    DL_Dxf& dxf_;
    Drawing& drawing_;
    const DxfTextCodec& codec_;
    std::vector<DrawingEntity>* target_;
    bool inBlock_ = false;
    std::pair<std::vector<DrawingEntity>*, std::size_t> polyline_{nullptr, 0};
    bool inPolyline_ = false;
    bool polylineMirrored_ = false;
    std::string mtextChunks_;
    std::vector<PendingSpline> splines_;
    bool splineKept_ = false;
    std::string headerLayer_;
    std::string headerTextStyle_;
    std::string section_;  // the name of the section being read
};

}  // namespace

namespace {

// Appends one line (without its line end) and an LF, cut to what dxflib reads.
void appendFedLine(std::string& out, std::string_view line, long number, std::vector<long>& cutLines) {
    if (line.size() > DXFLIB_LINE_LIMIT) {
        std::size_t length = DXFLIB_LINE_LIMIT;
        // Not inside a UTF-8 sequence: step back over continuation bytes.
        while (length > 0 && (static_cast<unsigned char>(line[length]) & 0xC0) == 0x80) --length;
        line = line.substr(0, length);
        cutLines.push_back(number);
    }
    out.append(line);
    out += '\n';
}

bool fedSection(std::string_view name) {
    return name == "HEADER" || name == "TABLES" || name == "BLOCKS" || name == "ENTITIES";
}

}  // namespace

std::string dxflibFeed(std::string_view bytes, std::vector<long>& cutLines) {
    std::string out;
    out.reserve(bytes.size());
    long number = 1;
    for (std::size_t begin = 0; begin < bytes.size(); ++number) {
        const std::size_t lf = bytes.find('\n', begin);
        const std::size_t next = lf == std::string_view::npos ? bytes.size() : lf + 1;
        std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
        if (end > begin && bytes[end - 1] == '\r') --end;
        appendFedLine(out, bytes.substr(begin, end - begin), number, cutLines);
        begin = next;
    }
    return out;
}

std::vector<FedSection> dxflibFeed(const DxfStructure& structure, std::vector<long>& cutLines) {
    std::vector<FedSection> out;
    for (const DxfSection& section : structure.sections) {
        if (!fedSection(section.name)) continue;
        FedSection& fed = out.emplace_back(FedSection{section.name, {}});
        const std::size_t end = structure.sectionEnd(section);
        for (std::size_t i = section.sectionPair; i < end; ++i) {
            const DxfPair& p = structure.pairs[i];
            fed.text += std::to_string(p.code);
            fed.text += '\n';
            appendFedLine(fed.text, p.value, p.line + 1, cutLines);
        }
        fed.text += "0\nENDSEC\n0\nEOF\n";
    }
    return out;
}

Drawing readDrawingBytes(std::string bytes, const std::string& path) {
    const DxfStructure structure = scanDxf(bytes);
    const DxfTextCodec codec(structure.acadVersion, structure.codePage);
    Drawing drawing;
    drawing.path = path;
    drawing.acadVersion = structure.acadVersion.empty() ? "AC1009" : structure.acadVersion;
    drawing.codePage = structure.codePage;

    std::vector<long> cutLines;
    const std::vector<FedSection> sections = dxflibFeed(structure, cutLines);
    for (long line : cutLines)
        drawing.notes.push_back("line " + std::to_string(line) + " is longer than " +
                                std::to_string(DXFLIB_LINE_LIMIT + 1) +
                                " characters: it was cut for reading; saving keeps the whole line");

    DL_Dxf dxf;
    DrawingBuilder builder(dxf, drawing, codec);
    // One section at a time, so that the builder knows which one it is in
    // (dxflib does not say); the same reader keeps the file's version.
    for (const FedSection& section : sections) {
        builder.beginSection(section.name);
        std::istringstream feed(section.text);
        if (!dxf.in(feed, &builder)) throw DataError("dxflib could not read the drawing");
    }
    builder.finish();

    // Coordinate systems: dxflib has no callback for them; take their names
    // from every UCS table (a damaged file may hold more than one).
    for (const DxfTable& table : structure.tables) {
        if (table.name != "UCS") continue;
        for (const DxfTableEntry& entry : table.entries) {
            if (entry.rawName.empty()) continue;
            DrawingUcs u;
            u.name = codec.decode(entry.rawName);
            u.handle = entry.handle;
            if (!drawing.findUcs(u.name)) drawing.ucs.push_back(u);
        }
    }
    if (!builder.headerLayer().empty() && drawing.findLayer(builder.headerLayer()))
        drawing.activeLayer = drawing.findLayer(builder.headerLayer())->name;
    if (!builder.headerTextStyle().empty() && drawing.findTextStyle(builder.headerTextStyle()))
        drawing.activeTextStyle = drawing.findTextStyle(builder.headerTextStyle())->name;
    else if (!drawing.findTextStyle(drawing.activeTextStyle) && !drawing.styles.empty())
        drawing.activeTextStyle = drawing.styles.front().name;

    // Fresh handles start above both the handle seed and every handle in use.
    drawing.usesHandles = structure.hasHandles || dxfVersionNumber(drawing.acadVersion) > DXF_R12;
    std::uint64_t next = structure.highestHandle + 1;
    if (structure.handseedPair)
        if (const auto seed = parseHandle(structure.pairs[*structure.handseedPair].value)) next = std::max(next, *seed);
    drawing.nextHandle = next;
    drawing.bytes = std::move(bytes);
    drawing.modified = false;
    return drawing;
}

}  // namespace gradix::legacy
