#include "drawing/drawingview.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "dxf/dxfstructure.h"
#include "dxf/mtext.h"

namespace gradix {

namespace {

const QColor BACKGROUND(33, 40, 48);
const QColor REFERENCE_COLOUR(0, 190, 200, 170);
const QColor SELECTION_COLOUR(90, 170, 255);
const QColor RUBBER_WINDOW(60, 120, 255, 50);     // left to right: wholly inside
const QColor RUBBER_CROSSING(60, 200, 90, 50);    // right to left: crossing too
constexpr int FONT_PIXELS = 100;                  // the reference font; texts are scaled from it
constexpr double PICK_APERTURE_PX = 5;            // a click picks what lies this close
constexpr double DRAG_THRESHOLD_PX = 4;           // a press moved further is a drag
constexpr double WHEEL_STEP = 120;                // one notch of the wheel
constexpr double ZOOM_PER_NOTCH = 1.2;
constexpr double EXTENTS_MARGIN = 0.95;           // share of the view the extents fill
constexpr double EMPTY_EXTENT = 100;              // drawing units shown for an empty drawing
constexpr double MIN_SCALE = 1e-9;
constexpr double MAX_SCALE = 1e9;
constexpr double TINY_TEXT_PX = 1.5;              // smaller texts show as a line
constexpr double SIMPLIFY_PX = 0.7;               // reference-line points closer than this on screen merge
constexpr double TICK_HALF_PX = 6;
constexpr double TICK_MIN_SPACING_PX = 12;       // closer ticks are thinned out
constexpr std::size_t MAX_TICK_STEP = 1000000;
constexpr double TICK_LABEL_MIN_SPACING_PX = 60;  // labels only when ticks stand this far apart
constexpr double TICK_LABEL_OFFSET_PX = 9;
constexpr int TICK_LABEL_PIXELS = 11;
constexpr double POINT_MARK_PX = 3;
constexpr double ARC_OUTLINE_STEP = 2.0 * std::numbers::pi / 180;  // 2 degrees a chord for picking
constexpr int CIRCLE_OUTLINE_CHORDS = 180;
constexpr double POLYLINE_OUTLINE_TOLERANCE = 1e-4;  // of the polyline's size, for picking
constexpr double MTEXT_LINE_SPACING = 5.0 / 3.0;
constexpr int MAX_BLOCK_DEPTH = 8;
constexpr double DEGREES_PER_RADIAN = 180.0 / std::numbers::pi;

// One run of text placed in the text's own frame (x along the text, y up).
struct PlacedRun {
    TextRun run;
    double x = 0;         // start of the run on the baseline
    double baseline = 0;
    double k = 1;         // drawing units per font pixel
    double widthFactor = 1;
};

struct TextLayout {
    std::vector<PlacedRun> runs;
    QRectF box;           // in the text's frame
    QPointF anchor;       // the frame's origin in drawing coordinates
    double rotation = 0;  // of the frame, radians
};

QRectF boundsOf(const std::vector<QPointF>& points) {
    if (points.empty()) return {};
    double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
    for (const QPointF& p : points) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

QRectF unite(const QRectF& a, const QRectF& b, bool aEmpty) {
    if (aEmpty) return b;
    return QRectF(QPointF(std::min(a.left(), b.left()), std::min(a.top(), b.top())),
                  QPointF(std::max(a.right(), b.right()), std::max(a.bottom(), b.bottom())));
}

double segmentDistance(QPointF p, QPointF a, QPointF b) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x() - (a.x() + t * dx), p.y() - (a.y() + t * dy));
}

bool insidePolygon(QPointF p, const std::vector<QPointF>& polygon) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[j];
        if ((a.y() > p.y()) != (b.y() > p.y()) &&
            p.x() < (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()) + a.x())
            inside = !inside;
    }
    return inside;
}

// Whether segment a-b meets rectangle r (Liang-Barsky clipping).
bool segmentMeetsRect(QPointF a, QPointF b, const QRectF& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

// Qt's arcs run anticlockwise on a y-down screen; the drawing's y is up.
void arcTo(QPainterPath& path, double cx, double cy, double r, double start, double sweep) {
    path.arcTo(QRectF(cx - r, cy - r, 2 * r, 2 * r), -start * DEGREES_PER_RADIAN, -sweep * DEGREES_PER_RADIAN);
}

double arcSweep(double start, double end) {
    double sweep = end - start;
    while (sweep <= 0) sweep += 2 * std::numbers::pi;
    return sweep;
}

}  // namespace

DrawingView::DrawingView(QWidget* parent) : QWidget(parent) {
    setObjectName("drawingView");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    font_.setFamilies({"Noto Sans CJK SC", "Noto Sans SC", "Noto Sans CJK", "WenQuanYi Micro Hei", "sans-serif"});
    font_.setPixelSize(FONT_PIXELS);
    font_.setStyleStrategy(QFont::PreferOutline);
    const double cap = QFontMetricsF(font_).capHeight();
    fontCapHeight_ = cap > 0 ? cap : FONT_PIXELS * 0.7;
}

DrawingView::~DrawingView() = default;

void DrawingView::setDrawing(std::shared_ptr<const Drawing> drawing) {
    drawing_ = std::move(drawing);
    selection_.clear();
    rebuildShapes();
    zoomExtents();
}

void DrawingView::drawingChanged() {
    if (!drawing_) return;
    // Entities only grow, but an added text changes its look with each property set.
    for (std::size_t i = 0; i < drawing_->entities.size(); ++i) {
        if (i >= shapes_.size()) shapes_.push_back(shapeOf(drawing_->entities[i], 0));
        else if (drawing_->entities[i].added) shapes_[i] = shapeOf(drawing_->entities[i], 0);
    }
    entityLayerKey_.reset();
    update();
}

void DrawingView::setReferenceAlignment(ReferenceAlignment alignment) {
    reference_ = std::move(alignment);
    std::vector<QPointF> points;
    points.reserve(reference_.line.size());
    for (const ReferencePoint& p : reference_.line) points.emplace_back(p.Y, p.X);  // drawing x is east
    referenceBounds_ = boundsOf(points);
    referenceLayerKey_.reset();
    update();
}

void DrawingView::setMode(Mode mode) {
    mode_ = mode;
    rubberBand_ = false;
    leftDown_ = false;
    setCursor(mode == Mode::Idle ? Qt::ArrowCursor : Qt::CrossCursor);
    update();
}

void DrawingView::clearSelection() {
    selection_.clear();
    update();
}

void DrawingView::rebuildShapes() {
    entityLayerKey_.reset();
    shapes_.clear();
    blocks_.clear();
    if (!drawing_) return;
    shapes_.reserve(drawing_->entities.size());
    for (const DrawingEntity& e : drawing_->entities) shapes_.push_back(shapeOf(e, 0));
}

const DrawingView::BlockShapes* DrawingView::blockShapes(const std::string& name, int depth) const {
    if (!drawing_ || depth > MAX_BLOCK_DEPTH) return nullptr;
    const std::string key = foldName(name);
    const auto block = drawing_->blocks.find(key);
    if (block == drawing_->blocks.end()) return nullptr;
    auto [it, fresh] = blocks_.try_emplace(key);
    BlockShapes& shapes = it->second;
    if (!fresh) return shapes.building ? nullptr : &shapes;
    shapes.building = true;
    bool empty = true;
    for (const DrawingEntity& e : block->second.entities) {
        shapes.shapes.push_back(shapeOf(e, depth + 1));
        const Shape& s = shapes.shapes.back();
        if (s.outline.empty()) continue;
        shapes.bounds = unite(shapes.bounds, s.bounds, empty);
        empty = false;
    }
    shapes.building = false;
    return &shapes;
}

// The layout of a TEXT or MTEXT in its own frame, measured with the view's font.
static TextLayout layoutText(const DrawingEntity& e, const QFont& font, double capHeight) {
    TextLayout layout;
    QFontMetricsF metrics(font);
    const double descent = metrics.descent();
    const auto advance = [&](const TextRun& r) { return metrics.horizontalAdvance(QString::fromStdString(r.text)); };
    layout.rotation = e.rotation;
    if (e.kind == EntityKind::Text) {
        const TextLine line = parseTextCodes(e.text, e.height);
        const double k = e.height / capHeight;
        double width = 0;
        for (const TextRun& r : line.runs) width += advance(r) * k * e.widthFactor;
        double widthFactor = e.widthFactor;
        layout.anchor = QPointF(e.x, e.y);
        double x0 = 0;
        double baseline = 0;
        const bool byAlignmentPoint = e.hAlign != 0 || e.vAlign != 0;
        if (e.hAlign == 3 || e.hAlign == 5) {
            // Aligned and fitted texts run from the insertion to the alignment point.
            const double length = std::hypot(e.x2 - e.x, e.y2 - e.y);
            if (length > 0 && width > 0) {
                widthFactor *= length / width;
                width = length;
                layout.rotation = std::atan2(e.y2 - e.y, e.x2 - e.x);
            }
        } else if (byAlignmentPoint) {
            layout.anchor = QPointF(e.x2, e.y2);
            if (e.hAlign == 1 || e.hAlign == 4) x0 = -width / 2;
            if (e.hAlign == 2) x0 = -width;
            if (e.vAlign == 1) baseline = descent * k;
            if (e.vAlign == 2 || e.hAlign == 4) baseline = -capHeight * k / 2;
            if (e.vAlign == 3) baseline = -capHeight * k;
        }
        double x = x0;
        for (const TextRun& r : line.runs) {
            layout.runs.push_back({r, x, baseline, k, widthFactor});
            x += advance(r) * k * widthFactor;
        }
        layout.box = QRectF(QPointF(x0, baseline - descent * k), QPointF(x0 + std::max(width, e.height * 0.5),
                                                                          baseline + capHeight * k));
        return layout;
    }
    // Multi-line text: lines one pitch apart, placed by the attachment point.
    const std::vector<TextLine> lines = parseMText(e.text, e.height);
    std::vector<double> widths;
    std::vector<double> heights;
    for (const TextLine& line : lines) {
        double w = 0;
        double h = 0;
        for (const TextRun& r : line.runs) {
            w += advance(r) * r.height / capHeight * r.widthFactor;
            h = std::max(h, r.height);
        }
        widths.push_back(w);
        heights.push_back(h > 0 ? h : e.height);
    }
    double total = heights[0];
    for (std::size_t i = 1; i < heights.size(); ++i) total += MTEXT_LINE_SPACING * heights[i];
    const int attachment = std::clamp(e.attachment, 1, 9);
    const int column = (attachment - 1) % 3;
    const int row = (attachment - 1) / 3;
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    double baseline = top - heights[0];
    double left = std::numeric_limits<double>::max();
    double right = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) baseline -= MTEXT_LINE_SPACING * heights[i];
        const double x0 = column == 0 ? 0 : column == 1 ? -widths[i] / 2 : -widths[i];
        left = std::min(left, x0);
        right = std::max(right, x0 + widths[i]);
        double x = x0;
        for (const TextRun& r : lines[i].runs) {
            const double k = r.height / capHeight;
            layout.runs.push_back({r, x, baseline, k, r.widthFactor});
            x += advance(r) * k * r.widthFactor;
        }
    }
    if (!(right > left)) right = left + e.height;  // an empty text still has a place
    layout.anchor = QPointF(e.x, e.y);
    layout.box = QRectF(QPointF(left, top - total - descent * e.height / capHeight), QPointF(right, top));
    return layout;
}

static QTransform frameTransform(const TextLayout& layout) {
    QTransform t;
    t.translate(layout.anchor.x(), layout.anchor.y());
    t.rotateRadians(layout.rotation);
    return t;
}

DrawingView::Shape DrawingView::shapeOf(const DrawingEntity& e, int depth) const {
    Shape s;
    switch (e.kind) {
        case EntityKind::Line:
            s.outline = {QPointF(e.x, e.y), QPointF(e.x2, e.y2)};
            s.path.moveTo(e.x, e.y);
            s.path.lineTo(e.x2, e.y2);
            break;
        case EntityKind::Polyline: {
            if (e.vertices.empty()) break;
            double x0 = e.vertices[0].x, x1 = x0, y0 = e.vertices[0].y, y1 = y0;
            for (const PolylineVertex& v : e.vertices) {
                x0 = std::min(x0, v.x), x1 = std::max(x1, v.x), y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
            }
            const double size = std::max(x1 - x0, y1 - y0);
            for (const auto& p : flattenPolyline(e.vertices, e.closed, std::max(size * POLYLINE_OUTLINE_TOLERANCE, 1e-9)))
                s.outline.emplace_back(p[0], p[1]);
            s.closedOutline = e.closed;
            s.path.moveTo(e.vertices[0].x, e.vertices[0].y);
            const std::size_t n = e.vertices.size();
            const std::size_t segments = e.closed ? n : n - 1;
            for (std::size_t i = 0; i < segments; ++i) {
                const PolylineVertex& a = e.vertices[i];
                const PolylineVertex& b = e.vertices[(i + 1) % n];
                const double chord = std::hypot(b.x - a.x, b.y - a.y);
                if (a.bulge == 0 || !std::isfinite(a.bulge) || !(chord > 0)) {
                    s.path.lineTo(b.x, b.y);
                    continue;
                }
                const double offset = chord * (1 - a.bulge * a.bulge) / (4 * a.bulge);
                const double cx = (a.x + b.x) / 2 - (b.y - a.y) / chord * offset;
                const double cy = (a.y + b.y) / 2 + (b.x - a.x) / chord * offset;
                const double r = std::hypot(a.x - cx, a.y - cy);
                arcTo(s.path, cx, cy, r, std::atan2(a.y - cy, a.x - cx), 4 * std::atan(a.bulge));
            }
            break;
        }
        case EntityKind::Arc: {
            const double sweep = arcSweep(e.startAngle, e.endAngle);
            const int chords = std::max(4, static_cast<int>(std::ceil(sweep / ARC_OUTLINE_STEP)));
            for (int i = 0; i <= chords; ++i) {
                const double t = e.startAngle + sweep * i / chords;
                s.outline.emplace_back(e.x + e.radius * std::cos(t), e.y + e.radius * std::sin(t));
            }
            s.path.moveTo(s.outline.front());
            arcTo(s.path, e.x, e.y, e.radius, e.startAngle, sweep);
            break;
        }
        case EntityKind::Circle:
            for (int i = 0; i < CIRCLE_OUTLINE_CHORDS; ++i) {
                const double t = 2 * std::numbers::pi * i / CIRCLE_OUTLINE_CHORDS;
                s.outline.emplace_back(e.x + e.radius * std::cos(t), e.y + e.radius * std::sin(t));
            }
            s.closedOutline = true;
            s.path.addEllipse(QPointF(e.x, e.y), e.radius, e.radius);
            break;
        case EntityKind::Ellipse:
        case EntityKind::Spline:
            for (const PolylineVertex& v : e.vertices) s.outline.emplace_back(v.x, v.y);
            if (!s.outline.empty()) {
                s.path.moveTo(s.outline.front());
                for (std::size_t i = 1; i < s.outline.size(); ++i) s.path.lineTo(s.outline[i]);
            }
            break;
        case EntityKind::Point:
            s.outline = {QPointF(e.x, e.y)};
            break;
        case EntityKind::Text:
        case EntityKind::MText: {
            const TextLayout layout = layoutText(e, font_, fontCapHeight_);
            const QTransform t = frameTransform(layout);
            const QRectF& b = layout.box;
            s.outline = {t.map(b.topLeft()), t.map(b.topRight()), t.map(b.bottomRight()), t.map(b.bottomLeft())};
            s.closedOutline = true;
            s.area = true;
            break;
        }
        case EntityKind::Insert: {
            if (!drawing_) break;
            const BlockShapes* block = blockShapes(e.block, depth);
            const auto found = drawing_->blocks.find(foldName(e.block));
            if (!block || block->shapes.empty() || found == drawing_->blocks.end()) {
                s.outline = {QPointF(e.x, e.y)};
                break;
            }
            const QTransform t = insertTransform(e, found->second);
            const QRectF& b = block->bounds;
            s.outline = {t.map(b.topLeft()), t.map(b.topRight()), t.map(b.bottomRight()), t.map(b.bottomLeft())};
            s.closedOutline = true;
            s.area = true;
            break;
        }
    }
    s.bounds = boundsOf(s.outline);
    return s;
}

QTransform DrawingView::insertTransform(const DrawingEntity& insert, const DrawingBlock& block) const {
    QTransform t;
    t.translate(insert.x, insert.y);
    t.rotateRadians(insert.rotation);
    t.scale(insert.scaleX, insert.scaleY);
    t.translate(-block.baseX, -block.baseY);
    return t;
}

QTransform DrawingView::viewTransform() const {
    return QTransform(scale_, 0, 0, -scale_, width() / 2.0 - scale_ * centre_.x(), height() / 2.0 + scale_ * centre_.y());
}

QPointF DrawingView::toScreen(QPointF p) const {
    return QPointF(width() / 2.0 + (p.x() - centre_.x()) * scale_, height() / 2.0 - (p.y() - centre_.y()) * scale_);
}

QPointF DrawingView::toDrawing(QPointF s) const {
    return QPointF(centre_.x() + (s.x() - width() / 2.0) / scale_, centre_.y() - (s.y() - height() / 2.0) / scale_);
}

void DrawingView::setView(QPointF centre, double pixelsPerUnit) {
    if (!std::isfinite(centre.x()) || !std::isfinite(centre.y()) || !std::isfinite(pixelsPerUnit)) return;
    centre_ = centre;
    scale_ = std::clamp(pixelsPerUnit, MIN_SCALE, MAX_SCALE);
    update();
}

void DrawingView::zoomExtents() {
    QRectF all;
    bool empty = true;
    for (const Shape& s : shapes_) {
        if (s.outline.empty()) continue;
        all = unite(all, s.bounds, empty);
        empty = false;
    }
    if (!reference_.empty()) {
        all = unite(all, referenceBounds_, empty);
        empty = false;
    }
    if (empty) {
        setView(QPointF(0, 0), std::min(width(), height()) / EMPTY_EXTENT);
        return;
    }
    const double w = std::max(all.width(), 0.0);
    const double h = std::max(all.height(), 0.0);
    double s = 0;
    if (w > 0 || h > 0) {
        const double sx = w > 0 ? width() / w : std::numeric_limits<double>::max();
        const double sy = h > 0 ? height() / h : std::numeric_limits<double>::max();
        s = std::min(sx, sy) * EXTENTS_MARGIN;
    } else {
        s = std::min(width(), height()) / EMPTY_EXTENT;
    }
    setView(all.center(), s);
}

void DrawingView::zoomAbout(QPointF screenPoint, double factor) {
    const QPointF fixed = toDrawing(screenPoint);
    const double s = std::clamp(scale_ * factor, MIN_SCALE, MAX_SCALE);
    // Keep the drawing point under the cursor where it is.
    const QPointF centre(fixed.x() - (screenPoint.x() - width() / 2.0) / s,
                         fixed.y() + (screenPoint.y() - height() / 2.0) / s);
    setView(centre, s);
}

double DrawingView::apertureUnits() const { return PICK_APERTURE_PX / scale_; }

bool DrawingView::layerShown(const std::string& layer) const {
    const DrawingLayer* l = drawing_ ? drawing_->findLayer(layer) : nullptr;
    return !l || (!l->off && !l->frozen);
}

QColor DrawingView::colourOf(const DrawingEntity& e, const QColor& byBlock) const {
    if (e.trueColor >= 0) return QColor::fromRgb(static_cast<QRgb>(e.trueColor) | 0xFF000000u);
    if (e.color == COLOR_BYBLOCK) return byBlock;
    int aci = e.color;
    if (aci == COLOR_BYLAYER || aci < 0 || aci > COLOR_BYLAYER) {
        const DrawingLayer* layer = drawing_ ? drawing_->findLayer(e.layer) : nullptr;
        aci = layer ? layer->color : COLOR_WHITE;
    }
    return QColor::fromRgb(aciColor(aci) | 0xFF000000u);
}

std::optional<std::size_t> DrawingView::entityAt(QPointF screenPoint) const {
    if (!drawing_) return std::nullopt;
    const QPointF p = toDrawing(screenPoint);
    const double aperture = apertureUnits();
    std::optional<std::size_t> best;
    double bestDistance = aperture;
    for (std::size_t i = 0; i < shapes_.size(); ++i) {
        const Shape& s = shapes_[i];
        if (s.outline.empty() || !layerShown(drawing_->entities[i].layer)) continue;
        if (p.x() < s.bounds.left() - aperture || p.x() > s.bounds.right() + aperture ||
            p.y() < s.bounds.top() - aperture || p.y() > s.bounds.bottom() + aperture)
            continue;
        double d = std::numeric_limits<double>::max();
        if (s.outline.size() == 1) {
            d = std::hypot(p.x() - s.outline[0].x(), p.y() - s.outline[0].y());
        } else {
            if (s.area && insidePolygon(p, s.outline)) d = 0;
            for (std::size_t k = 0; k + 1 < s.outline.size() && d > 0; ++k)
                d = std::min(d, segmentDistance(p, s.outline[k], s.outline[k + 1]));
            if (s.closedOutline) d = std::min(d, segmentDistance(p, s.outline.back(), s.outline.front()));
        }
        if (d <= bestDistance) {  // on equal distance the later, topmost entity wins
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

std::vector<std::size_t> DrawingView::entitiesInWindow(const QRectF& rect, bool crossing) const {
    std::vector<std::size_t> out;
    if (!drawing_) return out;
    const QRectF r = rect.normalized();
    for (std::size_t i = 0; i < shapes_.size(); ++i) {
        const Shape& s = shapes_[i];
        if (s.outline.empty() || !layerShown(drawing_->entities[i].layer)) continue;
        const bool inside = s.bounds.left() >= r.left() && s.bounds.right() <= r.right() &&
                            s.bounds.top() >= r.top() && s.bounds.bottom() <= r.bottom();
        if (inside) {
            out.push_back(i);
            continue;
        }
        if (!crossing || s.bounds.right() < r.left() || s.bounds.left() > r.right() || s.bounds.bottom() < r.top() ||
            s.bounds.top() > r.bottom())
            continue;
        bool meets = false;
        for (std::size_t k = 0; k + 1 < s.outline.size() && !meets; ++k)
            meets = segmentMeetsRect(s.outline[k], s.outline[k + 1], r);
        if (!meets && s.closedOutline && s.outline.size() > 1)
            meets = segmentMeetsRect(s.outline.back(), s.outline.front(), r);
        if (!meets && s.outline.size() == 1) meets = r.contains(s.outline[0]);
        if (!meets && s.area) meets = insidePolygon(r.center(), s.outline);
        if (meets) out.push_back(i);
    }
    return out;
}

DrawingView::LayerKey DrawingView::layerKey() const { return {centre_, scale_, size(), devicePixelRatioF()}; }

QPixmap DrawingView::newLayer(bool transparent) const {
    const qreal ratio = devicePixelRatioF();
    QPixmap layer(size() * ratio);
    layer.setDevicePixelRatio(ratio);
    layer.fill(transparent ? QColor(Qt::transparent) : BACKGROUND);
    return layer;
}

void DrawingView::paintEvent(QPaintEvent*) {
    const LayerKey key = layerKey();
    if (entityLayerKey_ != key) {
        entityLayer_ = newLayer(false);
        if (drawing_) {
            QPainter layer(&entityLayer_);
            const QRectF visible =
                QRectF(toDrawing(QPointF(0, height())), toDrawing(QPointF(width(), 0))).normalized();
            paintEntities(layer, drawing_->entities, shapes_, viewTransform(), QColor(Qt::white), 0, &visible);
        }
        entityLayerKey_ = key;
    }
    if (referenceLayerKey_ != key) {
        referenceLayer_ = QPixmap();  // none without a reference line
        if (!reference_.empty()) {
            referenceLayer_ = newLayer(true);
            QPainter layer(&referenceLayer_);
            paintReference(layer);
        }
        referenceLayerKey_ = key;
    }

    QPainter p(this);
    p.drawPixmap(0, 0, entityLayer_);
    if (drawing_) {
        // The selection, drawn over in a dashed highlight.
        QPen pen(SELECTION_COLOUR, 0, Qt::DashLine);
        pen.setCosmetic(true);
        for (std::size_t i : selection_) {
            if (i >= shapes_.size()) continue;
            const Shape& s = shapes_[i];
            p.setTransform(viewTransform());
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            if (!s.path.isEmpty()) {
                p.drawPath(s.path);
            } else if (s.outline.size() > 1) {
                QPolygonF polygon(QList<QPointF>(s.outline.begin(), s.outline.end()));
                p.drawPolygon(polygon);
            }
        }
        p.resetTransform();
    }
    if (!referenceLayer_.isNull()) p.drawPixmap(0, 0, referenceLayer_);
    if (rubberBand_) {
        const QRectF band = QRectF(pressPos_, lastPos_).normalized();
        const bool crossing = lastPos_.x() < pressPos_.x();
        p.setPen(QPen(Qt::white, 1, crossing ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(crossing ? RUBBER_CROSSING : RUBBER_WINDOW);
        p.drawRect(band);
    }
    if (mode_ != Mode::Idle && cursorInside_) {
        // A pick box at the cursor while a pick or a selection waits.
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(cursor_.x() - PICK_APERTURE_PX, cursor_.y() - PICK_APERTURE_PX, 2 * PICK_APERTURE_PX,
                          2 * PICK_APERTURE_PX));
    }
}

void DrawingView::paintEntities(QPainter& p, const std::vector<DrawingEntity>& entities,
                                const std::vector<Shape>& shapes, const QTransform& transform, const QColor& byBlock,
                                int depth, const QRectF* visible) {
    for (std::size_t i = 0; i < entities.size() && i < shapes.size(); ++i) {
        const DrawingEntity& e = entities[i];
        const Shape& s = shapes[i];
        if (s.outline.empty() || !layerShown(e.layer)) continue;
        if (visible && (s.bounds.right() < visible->left() || s.bounds.left() > visible->right() ||
                        s.bounds.bottom() < visible->top() || s.bounds.top() > visible->bottom()))
            continue;
        paintEntity(p, e, s, transform, colourOf(e, byBlock), byBlock, depth);
    }
}

void DrawingView::paintEntity(QPainter& p, const DrawingEntity& e, const Shape& s, const QTransform& transform,
                              const QColor& colour, const QColor& byBlock, int depth) {
    QPen pen(colour, 0);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (e.kind) {
        case EntityKind::Point: {
            p.resetTransform();
            const QPointF c = transform.map(QPointF(e.x, e.y));
            p.drawLine(QPointF(c.x() - POINT_MARK_PX, c.y()), QPointF(c.x() + POINT_MARK_PX, c.y()));
            p.drawLine(QPointF(c.x(), c.y() - POINT_MARK_PX), QPointF(c.x(), c.y() + POINT_MARK_PX));
            break;
        }
        case EntityKind::Text:
        case EntityKind::MText:
            p.setTransform(transform);
            paintText(p, e, colour, byBlock);
            break;
        case EntityKind::Insert: {
            if (depth >= MAX_BLOCK_DEPTH) break;
            const BlockShapes* block = blockShapes(e.block, depth);
            const auto found = drawing_->blocks.find(foldName(e.block));
            if (!block || found == drawing_->blocks.end()) break;
            const QTransform inner = insertTransform(e, found->second) * transform;
            paintEntities(p, found->second.entities, block->shapes, inner, colour, depth + 1, nullptr);
            break;
        }
        default:
            p.setTransform(transform);
            p.drawPath(s.path);
            break;
    }
    p.resetTransform();
}

void DrawingView::paintText(QPainter& p, const DrawingEntity& e, const QColor& colour, const QColor& byBlock) {
    const QTransform base = p.transform();
    const double pixelsPerUnit = std::sqrt(std::abs(base.determinant()));
    const TextLayout layout = layoutText(e, font_, fontCapHeight_);
    const QTransform frame = frameTransform(layout) * base;
    if (e.height * pixelsPerUnit < TINY_TEXT_PX) {
        // Too small to read: a line where the text stands.
        p.setTransform(frame);
        const QRectF& b = layout.box;
        p.drawLine(QPointF(b.left(), b.top()), QPointF(b.right(), b.top()));
        return;
    }
    for (const PlacedRun& placed : layout.runs) {
        QFont f = font_;
        f.setUnderline(placed.run.underline);
        f.setOverline(placed.run.overline);
        f.setStrikeOut(placed.run.strikeout);
        p.setFont(f);
        QColor c = colour;
        if (placed.run.color >= 0) {
            DrawingEntity coloured = e;
            coloured.trueColor = NO_TRUE_COLOR;
            coloured.color = placed.run.color;
            c = colourOf(coloured, byBlock);
        }
        p.setPen(QPen(c, 0));
        QTransform t;
        t.translate(placed.x, placed.baseline);
        t.scale(placed.k * placed.widthFactor, -placed.k);  // font pixels, y down, to the text frame
        p.setTransform(t * frame);
        p.drawText(QPointF(0, 0), QString::fromStdString(placed.run.text));
    }
}

void DrawingView::paintReference(QPainter& p) {
    if (reference_.empty()) return;
    const QRectF visible = QRectF(toDrawing(QPointF(0, height())), toDrawing(QPointF(width(), 0))).normalized();
    if (referenceBounds_.right() < visible.left() || referenceBounds_.left() > visible.right() ||
        referenceBounds_.bottom() < visible.top() || referenceBounds_.top() > visible.bottom())
        return;
    p.resetTransform();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(REFERENCE_COLOUR, 1);
    p.setPen(pen);
    // Points within a fraction of a pixel of the last one kept add nothing, and
    // a stretch wholly off one side of the view is left out (the line breaks there).
    const QRectF screenArea = QRectF(rect()).adjusted(-1, -1, 1, 1);
    const auto outcode = [&](QPointF s) {
        return (s.x() < screenArea.left() ? 1 : 0) | (s.x() > screenArea.right() ? 2 : 0) |
               (s.y() < screenArea.top() ? 4 : 0) | (s.y() > screenArea.bottom() ? 8 : 0);
    };
    QPolygonF line;
    QPointF previous;
    int previousCode = 0;
    const auto flush = [&] {
        if (line.size() > 1) p.drawPolyline(line);
        line.clear();
    };
    for (std::size_t i = 0; i < reference_.line.size(); ++i) {
        const QPointF s = toScreen(QPointF(reference_.line[i].Y, reference_.line[i].X));
        const int code = outcode(s);
        if (i > 0 && (code & previousCode) != 0) {
            flush();
        } else {
            if (line.isEmpty() && i > 0) line.push_back(previous);
            const bool last = i + 1 == reference_.line.size();
            if (line.isEmpty() || last || std::abs(s.x() - line.back().x()) >= SIMPLIFY_PX ||
                std::abs(s.y() - line.back().y()) >= SIMPLIFY_PX)
                line.push_back(s);
        }
        previous = s;
        previousCode = code;
    }
    flush();
    // Stake ticks across the road: zoomed out, only every 2nd, 5th, 10th ...
    // so they stay apart; labelled when they stand far enough apart.
    double spacing = std::numeric_limits<double>::max();
    if (reference_.ticks.size() > 1) {
        const ReferenceTick& a = reference_.ticks[0];
        const ReferenceTick& b = reference_.ticks[1];
        spacing = std::hypot(a.X - b.X, a.Y - b.Y) * scale_;
    }
    std::size_t step = 1;
    for (std::size_t decade = 1; spacing * static_cast<double>(step) < TICK_MIN_SPACING_PX && decade < MAX_TICK_STEP;
         decade *= 10) {
        for (std::size_t m : {1u, 2u, 5u}) {
            step = decade * m;
            if (spacing * static_cast<double>(step) >= TICK_MIN_SPACING_PX) break;
        }
    }
    const bool labels = spacing * static_cast<double>(step) >= TICK_LABEL_MIN_SPACING_PX;
    QFont labelFont = font_;
    labelFont.setPixelSize(TICK_LABEL_PIXELS);
    p.setFont(labelFont);
    const QRectF screen = QRectF(rect()).adjusted(-TICK_HALF_PX, -TICK_HALF_PX, TICK_HALF_PX, TICK_HALF_PX);
    for (std::size_t i = 0; i < reference_.ticks.size(); i += step) {
        const ReferenceTick& tick = reference_.ticks[i];
        const QPointF c = toScreen(QPointF(tick.Y, tick.X));
        if (!screen.contains(c)) continue;
        // The road runs (sin b, cos b) in the drawing, (sin b, -cos b) on screen; the tick across it.
        const QPointF across(std::cos(tick.bearing), std::sin(tick.bearing));
        p.drawLine(c - across * TICK_HALF_PX, c + across * TICK_HALF_PX);
        if (labels && !tick.label.empty())
            p.drawText(c + across * TICK_LABEL_OFFSET_PX, QString::fromStdString(tick.label));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void DrawingView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPointF pos = event->position();
    lastPos_ = pos;
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        leftDown_ = true;
        pressPos_ = pos;
        rubberBand_ = false;
    }
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    cursor_ = pos;
    cursorInside_ = true;
    if (panning_) {
        const QPointF d = pos - lastPos_;
        centre_ -= QPointF(d.x() / scale_, -d.y() / scale_);
        lastPos_ = pos;
        update();
    } else {
        lastPos_ = pos;
        if (leftDown_ && mode_ == Mode::Select && !rubberBand_ &&
            QLineF(pressPos_, pos).length() > DRAG_THRESHOLD_PX)
            rubberBand_ = true;
        update();
    }
    emit cursorMoved(toDrawing(pos));
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        setCursor(mode_ == Mode::Idle ? Qt::ArrowCursor : Qt::CrossCursor);
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (mode_ == Mode::Select) emit selectionEnded();
        return;
    }
    if (event->button() != Qt::LeftButton || !leftDown_) return;
    leftDown_ = false;
    lastPos_ = pos;
    if (rubberBand_) {
        rubberBand_ = false;
        const bool crossing = pos.x() < pressPos_.x();
        const QRectF window = QRectF(toDrawing(pressPos_), toDrawing(pos)).normalized();
        bool added = false;
        for (std::size_t i : entitiesInWindow(window, crossing)) {
            if (std::find(selection_.begin(), selection_.end(), i) != selection_.end()) continue;
            selection_.push_back(i);
            added = true;
        }
        update();
        if (added) emit selectionChanged();
        return;
    }
    if (mode_ == Mode::PickPoint) {
        emit pointPicked(toDrawing(pos));
        return;
    }
    if (mode_ == Mode::Select) {
        const std::optional<std::size_t> hit = entityAt(pos);
        if (!hit) return;
        const auto at = std::find(selection_.begin(), selection_.end(), *hit);
        if (event->modifiers() & Qt::ShiftModifier) {
            if (at != selection_.end()) selection_.erase(at);  // shift-click takes it out again
        } else if (at == selection_.end()) {
            selection_.push_back(*hit);
        }
        update();
        emit selectionChanged();
    }
}

void DrawingView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        zoomExtents();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void DrawingView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / WHEEL_STEP;
    if (notches != 0) zoomAbout(event->position(), std::pow(ZOOM_PER_NOTCH, notches));
    event->accept();
}

void DrawingView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            rubberBand_ = false;
            leftDown_ = false;
            emit cancelled();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enterPressed();
            return;
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) spaceHeld_ = true;
            return;
        default:
            break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        emit textTyped(text);
        return;
    }
    QWidget::keyPressEvent(event);
}

void DrawingView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        spaceHeld_ = false;
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void DrawingView::leaveEvent(QEvent* event) {
    cursorInside_ = false;
    update();
    QWidget::leaveEvent(event);
}

void DrawingView::focusOutEvent(QFocusEvent* event) {
    spaceHeld_ = false;
    QWidget::focusOutEvent(event);
}

void DrawingView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

}  // namespace gradix
