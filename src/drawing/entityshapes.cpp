#include "drawing/entityshapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dxf/dxfstructure.h"
#include "text/angles.h"

namespace gradix {

namespace {

constexpr double ARC_OUTLINE_STEP = degreesToRadians(2.0);  // 2 degrees a chord for picking
constexpr int MIN_ARC_CHORDS = 4;
constexpr int CIRCLE_OUTLINE_CHORDS = 180;
constexpr double POLYLINE_OUTLINE_TOLERANCE = 1e-4;  // of the polyline's size, for picking
constexpr double MIN_OUTLINE_TOLERANCE = 1e-9;       // drawing units
constexpr double TURNS_PER_BULGE = 4;                // included angle = 4 atan(bulge)

// The counter-clockwise sweep of an arc (rad), at most one turn whatever
// the angles: a file may give any finite angle.
double arcSweep(double start, double end) {
    if (!std::isfinite(start) || !std::isfinite(end)) return FULL_TURN;
    // Each end as a direction first: 1e20 - 1 rounds back to 1e20, while
    // the directions of both keep their difference.
    return counterClockwiseSweep(angleInTurn(start), angleInTurn(end));
}

// The direction an arc starts in, within one turn (rad): an angle of 1e20
// is a direction like any other, and points along the arc are found from
// it (added to 1e20 itself, every step would round away).
double arcStart(double start) { return std::isfinite(start) ? angleInTurn(start) : 0.0; }

std::vector<Point2> frameOf(const Box& b, const Affine& t) {
    return {t.map({b.x0, b.y0}), t.map({b.x1, b.y0}), t.map({b.x1, b.y1}), t.map({b.x0, b.y1})};
}

}  // namespace

std::vector<PathStep> entityPath(const DrawingEntity& e) {
    using Kind = PathStep::Kind;
    std::vector<PathStep> path;
    switch (e.kind) {
        case EntityKind::Line:
            path = {{Kind::Move, {e.x, e.y}}, {Kind::Line, {e.x2, e.y2}}};
            break;
        case EntityKind::Polyline: {
            if (e.vertices.empty()) break;
            path.push_back({Kind::Move, {e.vertices[0].x, e.vertices[0].y}});
            const std::size_t n = e.vertices.size();
            const std::size_t segments = e.closed ? n : n - 1;
            for (std::size_t i = 0; i < segments; ++i) {
                const PolylineVertex& a = e.vertices[i];
                const PolylineVertex& b = e.vertices[(i + 1) % n];
                const double chord = std::hypot(b.x - a.x, b.y - a.y);
                if (a.bulge == 0 || !std::isfinite(a.bulge) || !(chord > 0)) {
                    path.push_back({Kind::Line, {b.x, b.y}});
                    continue;
                }
                // The centre lies left of the chord at chord (1 - bulge^2) / (4 bulge).
                const double offset = chord * (1 - a.bulge * a.bulge) / (TURNS_PER_BULGE * a.bulge);
                const double cx = (a.x + b.x) / 2 - (b.y - a.y) / chord * offset;
                const double cy = (a.y + b.y) / 2 + (b.x - a.x) / chord * offset;
                path.push_back({Kind::Arc, {cx, cy}, std::hypot(a.x - cx, a.y - cy), std::atan2(a.y - cy, a.x - cx),
                                TURNS_PER_BULGE * std::atan(a.bulge)});
            }
            break;
        }
        case EntityKind::Arc: {
            const double start = arcStart(e.startAngle);
            const double sweep = arcSweep(e.startAngle, e.endAngle);
            path = {{Kind::Move, {e.x + e.radius * std::cos(start), e.y + e.radius * std::sin(start)}},
                    {Kind::Arc, {e.x, e.y}, e.radius, start, sweep}};
            break;
        }
        case EntityKind::Circle:
            path = {{Kind::Circle, {e.x, e.y}, e.radius}};
            break;
        case EntityKind::Ellipse:
        case EntityKind::Spline:
            for (const PolylineVertex& v : e.vertices)
                path.push_back({path.empty() ? Kind::Move : Kind::Line, {v.x, v.y}});
            break;
        case EntityKind::Point:
        case EntityKind::Text:
        case EntityKind::MText:
        case EntityKind::Insert:
            break;
    }
    return path;
}

void DrawingShapes::setDrawing(const Drawing* drawing) {
    drawing_ = drawing;
    shapes_.clear();
    blocks_.clear();
    layersSeen_ = drawing ? drawing->layers.size() : 0;
    if (!drawing_) return;
    shapes_.reserve(drawing_->entities.size());
    for (const DrawingEntity& e : drawing_->entities) shapes_.push_back(shapeOf(e, 0));
}

std::vector<std::size_t> DrawingShapes::update() {
    std::vector<std::size_t> shaped;
    if (!drawing_) return shaped;
    if (drawing_->layers.size() != layersSeen_) {
        // A layer added since: entities on it find it now.
        layersSeen_ = drawing_->layers.size();
        blocks_.clear();
        for (std::size_t i = 0; i < shapes_.size(); ++i)
            if (shapes_[i].layer < 0) shapes_[i].layer = layerIndex(drawing_->entities[i].layer);
    }
    for (std::size_t i = 0; i < drawing_->entities.size(); ++i) {
        if (i >= shapes_.size()) shapes_.push_back(shapeOf(drawing_->entities[i], 0));
        else if (drawing_->entities[i].added) shapes_[i] = shapeOf(drawing_->entities[i], 0);
        else continue;
        shaped.push_back(i);
    }
    return shaped;
}

int DrawingShapes::layerIndex(const std::string& name) const {
    const DrawingLayer* layer = drawing_ ? drawing_->findLayer(name) : nullptr;
    return layer ? static_cast<int>(layer - drawing_->layers.data()) : -1;
}

bool DrawingShapes::layerShown(const EntityShape& s) const {
    if (s.layer < 0 || !drawing_ || static_cast<std::size_t>(s.layer) >= drawing_->layers.size()) return true;
    const DrawingLayer& layer = drawing_->layers[static_cast<std::size_t>(s.layer)];
    return !layer.off && !layer.frozen;
}

const DrawingBlock* DrawingShapes::blockDefinition(const DrawingEntity& insert) const {
    if (!drawing_) return nullptr;
    const auto found = drawing_->blocks.find(foldName(insert.block));
    return found == drawing_->blocks.end() ? nullptr : &found->second;
}

const BlockShapes* DrawingShapes::blockOf(const DrawingEntity& insert, int depth) const {
    if (!drawing_ || depth > MAX_BLOCK_DEPTH) return nullptr;
    const std::string key = foldName(insert.block);
    const auto block = drawing_->blocks.find(key);
    if (block == drawing_->blocks.end()) return nullptr;
    auto [it, fresh] = blocks_.try_emplace(key);
    BlockShapes& shapes = it->second;
    if (!fresh) return shapes.building ? nullptr : &shapes;
    shapes.building = true;
    bool empty = true;
    for (const DrawingEntity& e : block->second.entities) {
        shapes.shapes.push_back(shapeOf(e, depth + 1));
        const EntityShape& s = shapes.shapes.back();
        if (s.outline.empty()) continue;
        shapes.bounds = empty ? s.bounds : unite(shapes.bounds, s.bounds);
        empty = false;
    }
    shapes.building = false;
    return &shapes;
}

Affine DrawingShapes::insertTransform(const DrawingEntity& insert, const DrawingBlock& block) {
    return Affine::translation(insert.x, insert.y)
        .after(Affine::rotation(insert.rotation))
        .after(Affine::scaling(insert.scaleX, insert.scaleY))
        .after(Affine::translation(-block.baseX, -block.baseY));
}

EntityShape DrawingShapes::shapeOf(const DrawingEntity& e, int depth) const {
    EntityShape s;
    s.layer = layerIndex(e.layer);
    switch (e.kind) {
        case EntityKind::Line:
            s.outline = {{e.x, e.y}, {e.x2, e.y2}};
            break;
        case EntityKind::Polyline: {
            if (e.vertices.empty()) break;
            double x0 = e.vertices[0].x, x1 = x0, y0 = e.vertices[0].y, y1 = y0;
            for (const PolylineVertex& v : e.vertices) {
                x0 = std::min(x0, v.x), x1 = std::max(x1, v.x), y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
            }
            const double size = std::max(x1 - x0, y1 - y0);
            const double tolerance = std::max(size * POLYLINE_OUTLINE_TOLERANCE, MIN_OUTLINE_TOLERANCE);
            for (const auto& p : flattenPolyline(e.vertices, e.closed, tolerance)) s.outline.push_back({p[0], p[1]});
            s.closedOutline = e.closed;
            break;
        }
        case EntityKind::Arc: {
            const double start = arcStart(e.startAngle);
            const double sweep = arcSweep(e.startAngle, e.endAngle);
            const int chords = std::max(MIN_ARC_CHORDS, static_cast<int>(std::ceil(sweep / ARC_OUTLINE_STEP)));
            for (int i = 0; i <= chords; ++i) {
                const double t = start + sweep * i / chords;
                s.outline.push_back({e.x + e.radius * std::cos(t), e.y + e.radius * std::sin(t)});
            }
            break;
        }
        case EntityKind::Circle:
            for (int i = 0; i < CIRCLE_OUTLINE_CHORDS; ++i) {
                const double t = FULL_TURN * i / CIRCLE_OUTLINE_CHORDS;
                s.outline.push_back({e.x + e.radius * std::cos(t), e.y + e.radius * std::sin(t)});
            }
            s.closedOutline = true;
            break;
        case EntityKind::Ellipse:
        case EntityKind::Spline:
            for (const PolylineVertex& v : e.vertices) s.outline.push_back({v.x, v.y});
            break;
        case EntityKind::Point:
            s.outline = {{e.x, e.y}};
            break;
        case EntityKind::Text:
        case EntityKind::MText: {
            auto layout = std::make_shared<TextLayout>(layoutText(e, metrics_));
            s.outline = layout->corners();
            s.closedOutline = true;
            s.area = true;
            s.text = std::move(layout);
            break;
        }
        case EntityKind::Insert: {
            const BlockShapes* block = blockOf(e, depth);
            const DrawingBlock* definition = blockDefinition(e);
            if (!block || block->shapes.empty() || !definition) {
                s.outline = {{e.x, e.y}};
                break;
            }
            s.outline = frameOf(block->bounds, insertTransform(e, *definition));
            s.closedOutline = true;
            s.area = true;
            break;
        }
    }
    s.bounds = boundsOf(s.outline);
    return s;
}

double shapeDistance(const EntityShape& s, Point2 p) {
    const std::vector<Point2>& o = s.outline;
    if (o.size() == 1) return std::hypot(p.x - o[0].x, p.y - o[0].y);
    double d = std::numeric_limits<double>::max();
    if (s.area && insidePolygon(p, o)) d = 0;
    for (std::size_t k = 0; k + 1 < o.size() && d > 0; ++k) d = std::min(d, segmentDistance(p, o[k], o[k + 1]));
    if (s.closedOutline && !o.empty()) d = std::min(d, segmentDistance(p, o.back(), o.front()));
    return d;
}

bool shapeMeetsBox(const EntityShape& s, const Box& r) {
    const std::vector<Point2>& o = s.outline;
    for (std::size_t k = 0; k + 1 < o.size(); ++k)
        if (segmentMeetsBox(o[k], o[k + 1], r)) return true;
    if (s.closedOutline && o.size() > 1 && segmentMeetsBox(o.back(), o.front(), r)) return true;
    if (o.size() == 1) return r.contains(o[0]);
    return s.area && insidePolygon(r.centre(), o);
}

}  // namespace gradix
