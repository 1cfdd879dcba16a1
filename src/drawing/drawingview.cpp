#include "drawing/drawingview.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "text/angles.h"

namespace gradix {

namespace {

const QColor BACKGROUND(33, 40, 48);
const QColor REFERENCE_COLOUR(0, 190, 200, 170);
const QColor SELECTION_COLOUR(90, 170, 255);
const QColor SNAP_COLOUR(255, 220, 0);
constexpr double SNAP_MARK_PX = 5;
const QColor RUBBER_ZOOM(255, 255, 255, 30);
const QColor RUBBER_WINDOW(60, 120, 255, 50);     // left to right: wholly inside
const QColor RUBBER_CROSSING(60, 200, 90, 50);    // right to left: crossing too
constexpr int FONT_PIXELS = 100;                  // the reference font; texts are scaled from it
constexpr double FALLBACK_CAP_HEIGHT = 0.7;       // of the pixel size, when the font tells none
constexpr double PICK_APERTURE_PX = 5;            // a click picks what lies this close
constexpr double EXTENTS_MARGIN = 0.95;           // share of the view the extents fill
constexpr double EMPTY_EXTENT = 100;              // drawing units shown for an empty drawing
constexpr double MIN_SCALE = 1e-9;
constexpr double MAX_SCALE = 1e9;
constexpr double TINY_TEXT_PX = 1.5;              // smaller texts show as a line
constexpr double DOT_PX = 1;                      // entities smaller than this show as a dot
constexpr double SIMPLIFY_PX = 0.7;               // reference-line points closer than this on screen merge
constexpr double TICK_HALF_PX = 6;
constexpr double TICK_MIN_SPACING_PX = 12;       // closer ticks are thinned out
constexpr std::size_t MAX_TICK_STEP = 1000000;
constexpr double TICK_LABEL_MIN_SPACING_PX = 60;  // labels only when ticks stand this far apart
constexpr double TICK_LABEL_OFFSET_PX = 9;
constexpr int TICK_LABEL_PIXELS = 11;
constexpr double POINT_MARK_PX = 3;

QPointF qt(Point2 p) { return {p.x, p.y}; }

QTransform qt(const Affine& t) { return QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty); }

// The line work as Qt draws it. Qt's arcs run anticlockwise on a y-down
// screen; the drawing's y is up.
QPainterPath painterPath(const std::vector<PathStep>& steps) {
    QPainterPath path;
    for (const PathStep& s : steps) {
        switch (s.kind) {
            case PathStep::Kind::Move: path.moveTo(qt(s.point)); break;
            case PathStep::Kind::Line: path.lineTo(qt(s.point)); break;
            case PathStep::Kind::Arc:
                path.arcTo(QRectF(s.point.x - s.radius, s.point.y - s.radius, 2 * s.radius, 2 * s.radius),
                           radiansToDegrees(-s.start), radiansToDegrees(-s.sweep));
                break;
            case PathStep::Kind::Circle: path.addEllipse(qt(s.point), s.radius, s.radius); break;
        }
    }
    return path;
}

bool straight(const std::vector<PathStep>& steps) {
    return std::all_of(steps.begin(), steps.end(), [](const PathStep& s) {
        return s.kind == PathStep::Kind::Move || s.kind == PathStep::Kind::Line;
    });
}

// The font's measures; a text is as wide as its characters, each measured
// once (shaping every text of a big plan would take seconds).
TextMetrics metricsOf(const QFont& font, double capHeight) {
    const auto metrics = std::make_shared<QFontMetricsF>(font);
    const auto widths = std::make_shared<std::unordered_map<char32_t, double>>();
    return {[metrics, widths](const std::string& text) {
                double width = 0;
                for (const char32_t c : QString::fromStdString(text).toUcs4()) {
                    const auto [at, fresh] = widths->try_emplace(c, 0.0);
                    if (fresh) at->second = metrics->horizontalAdvance(QString::fromUcs4(&c, 1));
                    width += at->second;
                }
                return width;
            },
            capHeight, metrics->descent()};
}

}  // namespace

// Straight lines of one colour in screen pixels, drawn in one call, and
// dots set straight into the layer's pixels: most of a plan is short
// straight work, and zoomed out most of it is smaller than a pixel. A change
// of colour draws the lines gathered first, so that later entities still
// cover earlier ones.
class DrawingView::Batch {
public:
    Batch(QPainter& p, QImage& layer)
        : p_(p), bits_(layer.bits()), bytesPerLine_(layer.bytesPerLine()), width_(layer.width()),
          height_(layer.height()), ratio_(layer.devicePixelRatio()) {}
    ~Batch() { flush(); }
    void line(QRgb colour, QPointF a, QPointF b) {
        if (colour != colour_) {
            flush();
            colour_ = colour;
        }
        lines_.emplace_back(a, b);
    }
    void dot(QRgb colour, QPointF at) {
        if (!lines_.empty() && colour != colour_) flush();
        const double x = std::floor(at.x() * ratio_);
        const double y = std::floor(at.y() * ratio_);
        if (!(x >= 0 && y >= 0 && x < width_ && y < height_)) return;
        reinterpret_cast<QRgb*>(bits_ + static_cast<qsizetype>(y) * bytesPerLine_)[static_cast<qsizetype>(x)] = colour;
    }
    void flush() {
        if (lines_.empty()) return;
        QPen pen(QColor::fromRgb(colour_), 0);
        pen.setCosmetic(true);
        p_.resetTransform();
        p_.setPen(pen);
        p_.setBrush(Qt::NoBrush);
        p_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
        lines_.clear();
    }

private:
    QPainter& p_;
    uchar* bits_;
    qsizetype bytesPerLine_;
    int width_;
    int height_;
    double ratio_;
    QRgb colour_ = 0;
    std::vector<QLineF> lines_;
};

DrawingView::DrawingView(QWidget* parent)
    : QWidget(parent),
      navigation_(*this, {[this](QPointF at, double factor) { zoomAbout(at, factor); },
                          [this](QPointF d) { setView(centre_ - QPointF(d.x() / scale_, -d.y() / scale_), scale_); },
                          [this] { zoomExtents(); }}) {
    setObjectName("drawingView");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    font_.setFamilies({"Noto Sans CJK SC", "Noto Sans SC", "Noto Sans CJK", "WenQuanYi Micro Hei", "sans-serif"});
    font_.setPixelSize(FONT_PIXELS);
    font_.setStyleStrategy(QFont::PreferOutline);
    const double cap = QFontMetricsF(font_).capHeight();
    fontCapHeight_ = cap > 0 ? cap : FONT_PIXELS * FALLBACK_CAP_HEIGHT;
    shapes_ = std::make_unique<DrawingShapes>(metricsOf(font_, fontCapHeight_));
}

DrawingView::~DrawingView() = default;

void DrawingView::setDrawing(std::shared_ptr<const Drawing> drawing) {
    drawing_ = std::move(drawing);
    selection_.clear();
    entityLayerKey_.reset();
    shapes_->setDrawing(drawing_.get());
    index_.build(shapes_->model());
    updateLooks();
    zoomExtents();
}

void DrawingView::drawingChanged() {
    if (!drawing_) return;
    if (drawing_->entities.size() < shapes_->model().size()) {
        // Entities taken away (only ever at the end): shaped and indexed afresh.
        shapes_->setDrawing(drawing_.get());
        index_.build(shapes_->model());
        updateLooks();
    } else {
        const std::size_t layers = drawing_->layers.size();
        const std::vector<std::size_t> shaped = shapes_->update();
        for (std::size_t i : shaped) index_.update(shapes_->model(), i);
        // A new layer may colour or show entities that named it before it existed.
        if (layers != layersLooked_) {
            updateLooks();
        } else {
            for (std::size_t i : shaped) updateLook(i);
        }
    }
    entityLayerKey_.reset();
    update();
}

void DrawingView::updateLooks() {
    looks_.clear();
    layersLooked_ = drawing_ ? drawing_->layers.size() : 0;
    for (std::size_t i = 0; drawing_ && i < shapes_->model().size(); ++i) updateLook(i);
}

void DrawingView::updateLook(std::size_t i) {
    const EntityShape& s = shapes_->model()[i];
    const DrawingEntity& e = drawing_->entities[i];
    const Look look{s.bounds, rgbOf(e.trueColor, e.color, s, QColor(Qt::white).rgb()),
                    !s.outline.empty() && shapes_->layerShown(s), e.kind == EntityKind::Point};
    if (i < looks_.size()) looks_[i] = look;
    else looks_.push_back(look);
}

void DrawingView::setReferenceAlignment(ReferenceAlignment alignment) {
    reference_ = std::move(alignment);
    std::vector<Point2> points;
    points.reserve(reference_.line.size());
    for (const ReferencePoint& p : reference_.line) points.push_back({p.Y, p.X});  // drawing x is east
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

QTransform DrawingView::viewTransform() const {
    return QTransform(scale_, 0, 0, -scale_, width() / 2.0 - scale_ * centre_.x(), height() / 2.0 + scale_ * centre_.y());
}

QPointF DrawingView::toScreen(QPointF p) const {
    return QPointF(width() / 2.0 + (p.x() - centre_.x()) * scale_, height() / 2.0 - (p.y() - centre_.y()) * scale_);
}

QPointF DrawingView::toDrawing(QPointF s) const {
    return QPointF(centre_.x() + (s.x() - width() / 2.0) / scale_, centre_.y() - (s.y() - height() / 2.0) / scale_);
}

Box DrawingView::visibleBox() const {
    const QRectF r = QRectF(toDrawing(QPointF(0, height())), toDrawing(QPointF(width(), 0))).normalized();
    return {r.left(), r.top(), r.right(), r.bottom()};
}

void DrawingView::setView(QPointF centre, double pixelsPerUnit) {
    if (!std::isfinite(centre.x()) || !std::isfinite(centre.y()) || !std::isfinite(pixelsPerUnit)) return;
    navigation_.markMoved();
    centre_ = centre;
    scale_ = std::clamp(pixelsPerUnit, MIN_SCALE, MAX_SCALE);
    update();
}

void DrawingView::zoomExtents() {
    showExtents();
    navigation_.markFitted();
}

void DrawingView::showExtents() {
    Box all;
    bool empty = true;
    for (const EntityShape& s : shapes_->model()) {
        if (s.outline.empty()) continue;
        all = empty ? s.bounds : unite(all, s.bounds);
        empty = false;
    }
    if (!reference_.empty()) {
        all = empty ? referenceBounds_ : unite(all, referenceBounds_);
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
    setView(qt(all.centre()), s);
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

bool DrawingView::shown(std::size_t index) const { return shapes_->layerShown(shapes_->model()[index]); }

QRgb DrawingView::rgbOf(int trueColor, int color, const EntityShape& s, QRgb byBlock) const {
    constexpr QRgb OPAQUE = 0xFF000000u;
    if (trueColor >= 0) return static_cast<QRgb>(trueColor) | OPAQUE;
    if (color == COLOR_BYBLOCK) return byBlock;
    int aci = color;
    if (aci == COLOR_BYLAYER || aci < 0 || aci > COLOR_BYLAYER) {
        const bool known = drawing_ && s.layer >= 0 && static_cast<std::size_t>(s.layer) < drawing_->layers.size();
        aci = known ? drawing_->layers[static_cast<std::size_t>(s.layer)].color : COLOR_WHITE;
    }
    return aciColor(aci) | OPAQUE;
}

QColor DrawingView::colourOf(int trueColor, int color, const EntityShape& s, const QColor& byBlock) const {
    return QColor::fromRgb(rgbOf(trueColor, color, s, byBlock.rgb()));
}

std::optional<std::size_t> DrawingView::entityAt(QPointF screenPoint) const {
    if (!drawing_) return std::nullopt;
    const QPointF p = toDrawing(screenPoint);
    const double aperture = apertureUnits();
    // Twice the aperture: the index may only find more than the test below keeps.
    const Box near = Box{p.x(), p.y(), p.x(), p.y()}.grown(2 * aperture);
    return nearestShape(shapes_->model(), index_.query(near), {p.x(), p.y()}, aperture,
                        [this](std::size_t i) { return shown(i); });
}

std::vector<std::size_t> DrawingView::entitiesInWindow(const QRectF& rect, bool crossing) const {
    if (!drawing_) return {};
    const QRectF r = rect.normalized();
    const Box box{r.left(), r.top(), r.right(), r.bottom()};
    return shapesInBox(shapes_->model(), index_.query(box), box, crossing, [this](std::size_t i) { return shown(i); });
}

DrawingView::LayerKey DrawingView::layerKey() const { return {centre_, scale_, size(), devicePixelRatioF()}; }

QPixmap DrawingView::newTransparentLayer() const {
    const qreal ratio = devicePixelRatioF();
    QPixmap layer(size() * ratio);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    return layer;
}

void DrawingView::paintEvent(QPaintEvent*) {
    const LayerKey key = layerKey();
    if (entityLayerKey_ != key) {
        const qreal ratio = devicePixelRatioF();
        if (entityLayer_.size() != size() * ratio || entityLayer_.devicePixelRatio() != ratio) {
            entityLayer_ = QImage(size() * ratio, QImage::Format_RGB32);
            entityLayer_.setDevicePixelRatio(ratio);
        }
        entityLayer_.fill(BACKGROUND);
        if (drawing_) {
            QPainter layer(&entityLayer_);
            paintModel(layer);
        }
        entityLayerKey_ = key;
    }
    if (referenceLayerKey_ != key) {
        referenceLayer_ = QPixmap();  // none without a reference line
        if (!reference_.empty()) {
            referenceLayer_ = newTransparentLayer();
            QPainter layer(&referenceLayer_);
            paintReference(layer);
        }
        referenceLayerKey_ = key;
    }

    QPainter p(this);
    p.drawImage(0, 0, entityLayer_);
    if (drawing_) {
        // The selection, drawn over in a dashed highlight.
        QPen pen(SELECTION_COLOUR, 0, Qt::DashLine);
        pen.setCosmetic(true);
        p.setTransform(viewTransform());
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        for (std::size_t i : selection_) {
            if (i >= shapes_->model().size()) continue;
            const EntityShape& s = shapes_->model()[i];
            const std::vector<PathStep> path = entityPath(drawing_->entities[i]);
            if (!path.empty()) {
                p.drawPath(painterPath(path));
            } else if (s.outline.size() > 1) {
                QPolygonF polygon;
                for (Point2 q : s.outline) polygon << qt(q);
                p.drawPolygon(polygon);
            }
        }
        p.resetTransform();
    }
    if (!referenceLayer_.isNull()) p.drawPixmap(0, 0, referenceLayer_);
    if (rubberBand_) {
        const QRectF band = QRectF(pressPos_, lastPos_).normalized();
        const bool crossing = !zoomDrag_ && lastPos_.x() < pressPos_.x();
        p.setPen(QPen(Qt::white, 1, crossing ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(zoomDrag_ ? RUBBER_ZOOM : crossing ? RUBBER_CROSSING : RUBBER_WINDOW);
        p.drawRect(band);
    }
    if (mode_ == Mode::PickPoint && cursorInside_ && snap_) {
        // The snap point the click would take: a yellow square.
        const QPointF at = toScreen(*snap_);
        p.setPen(QPen(SNAP_COLOUR, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(at.x() - SNAP_MARK_PX, at.y() - SNAP_MARK_PX, 2 * SNAP_MARK_PX, 2 * SNAP_MARK_PX));
    }
    if (mode_ != Mode::Idle && cursorInside_) {
        // A pick box at the cursor while a pick or a selection waits.
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(cursor_.x() - PICK_APERTURE_PX, cursor_.y() - PICK_APERTURE_PX, 2 * PICK_APERTURE_PX,
                          2 * PICK_APERTURE_PX));
    }
}

// The model-space entities in view, in file order (later ones on top).
void DrawingView::paintModel(QPainter& p) {
    const Box visible = visibleBox();
    const double pixel = DOT_PX / scale_;
    const double left = width() / 2.0 - centre_.x() * scale_;  // screen x of drawing x 0
    const double top = height() / 2.0 + centre_.y() * scale_;  // screen y of drawing y 0
    Batch batch(p, entityLayer_);
    const auto paint = [&](std::size_t i) {
        const Look& look = looks_[i];
        if (!look.shown || !visible.meets(look.bounds)) return;
        if (!look.point && look.bounds.width() < pixel && look.bounds.height() < pixel) {
            const Point2 c = look.bounds.centre();
            batch.dot(look.colour, QPointF(left + c.x * scale_, top - c.y * scale_));
            return;
        }
        paintBatched(p, batch, drawing_->entities[i], shapes_->model()[i], look.colour);
    };
    // With the whole drawing in view, every entity in order; else those the index finds.
    if (visible.holds(index_.bounds())) {
        for (std::size_t i = 0; i < looks_.size(); ++i) paint(i);
    } else {
        for (std::size_t i : index_.query(visible)) paint(i);
    }
}

// One model-space entity: gathered into the batch where it is a dot or
// straight lines, drawn at once otherwise.
void DrawingView::paintBatched(QPainter& p, Batch& batch, const DrawingEntity& e, const EntityShape& s,
                               QRgb colour) {
    const double pixel = DOT_PX / scale_;
    if (e.kind != EntityKind::Point && s.bounds.width() < pixel && s.bounds.height() < pixel) {
        batch.dot(colour, toScreen(qt(s.bounds.centre())));
        return;
    }
    switch (e.kind) {
        case EntityKind::Point: {
            const QPointF c = toScreen(QPointF(e.x, e.y));
            batch.line(colour, QPointF(c.x() - POINT_MARK_PX, c.y()), QPointF(c.x() + POINT_MARK_PX, c.y()));
            batch.line(colour, QPointF(c.x(), c.y() - POINT_MARK_PX), QPointF(c.x(), c.y() + POINT_MARK_PX));
            return;
        }
        case EntityKind::Text:
        case EntityKind::MText:
            if (s.text && e.height * scale_ < TINY_TEXT_PX) {
                // Too small to read: a line where the text stands.
                batch.line(colour, toScreen(qt(s.outline[0])), toScreen(qt(s.outline[1])));
                return;
            }
            break;
        case EntityKind::Insert:
            break;
        default: {
            const std::vector<PathStep> path = entityPath(e);
            if (!straight(path)) break;
            for (std::size_t k = 1; k < path.size(); ++k)
                batch.line(colour, toScreen(qt(path[k - 1].point)), toScreen(qt(path[k].point)));
            return;
        }
    }
    batch.flush();
    paintEntity(p, e, s, viewTransform(), QColor::fromRgb(colour), QColor(Qt::white), 0);
}

void DrawingView::paintBlock(QPainter& p, const DrawingBlock& block, const BlockShapes& shapes,
                             const QTransform& transform, const QColor& byBlock, int depth) {
    for (std::size_t i = 0; i < block.entities.size() && i < shapes.shapes.size(); ++i) {
        const DrawingEntity& e = block.entities[i];
        const EntityShape& s = shapes.shapes[i];
        if (s.outline.empty() || !shapes_->layerShown(s)) continue;
        paintEntity(p, e, s, transform, colourOf(e.trueColor, e.color, s, byBlock), byBlock, depth);
    }
}

void DrawingView::paintEntity(QPainter& p, const DrawingEntity& e, const EntityShape& s, const QTransform& transform,
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
            paintText(p, e, s, colour, byBlock);
            break;
        case EntityKind::Insert: {
            if (depth >= MAX_BLOCK_DEPTH) break;
            const BlockShapes* block = shapes_->blockOf(e, depth);
            const DrawingBlock* definition = shapes_->blockDefinition(e);
            if (!block || !definition) break;
            const QTransform inner = qt(DrawingShapes::insertTransform(e, *definition)) * transform;
            paintBlock(p, *definition, *block, inner, colour, depth + 1);
            break;
        }
        default:
            p.setTransform(transform);
            p.drawPath(painterPath(entityPath(e)));
            break;
    }
    p.resetTransform();
}

void DrawingView::paintText(QPainter& p, const DrawingEntity& e, const EntityShape& s, const QColor& colour,
                            const QColor& byBlock) {
    if (!s.text) return;
    const TextLayout& layout = *s.text;
    const QTransform base = p.transform();
    const double pixelsPerUnit = std::sqrt(std::abs(base.determinant()));
    const QTransform frame = qt(layout.frame()) * base;
    if (e.height * pixelsPerUnit < TINY_TEXT_PX) {
        // Too small to read: a line where the text stands.
        p.setTransform(frame);
        const Box& b = layout.box;
        p.drawLine(QPointF(b.x0, b.y0), QPointF(b.x1, b.y0));
        return;
    }
    for (const PlacedRun& placed : layout.runs) {
        QFont f = font_;
        f.setUnderline(placed.run.underline);
        f.setOverline(placed.run.overline);
        f.setStrikeOut(placed.run.strikeout);
        p.setFont(f);
        const QColor c = placed.run.color >= 0 ? colourOf(NO_TRUE_COLOR, placed.run.color, s, byBlock) : colour;
        p.setPen(QPen(c, 0));
        QTransform t;
        t.translate(placed.x, placed.baseline);
        t.scale(placed.k * placed.widthFactor, -placed.k);  // font pixels, y down, to the text frame
        p.setTransform(t * frame);
        p.drawText(QPointF(0, 0), QString::fromStdString(placed.run.text));
    }
}

void DrawingView::paintReference(QPainter& p) {
    if (reference_.empty() || !referenceShown_) return;
    if (!referenceBounds_.meets(visibleBox())) return;
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
    if (navigation_.press(event)) return;
    if (event->button() == Qt::LeftButton && spaceHeld_) {
        navigation_.startDrag(pos);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        leftDown_ = true;
        pressPos_ = pos;
        rubberBand_ = false;
        zoomDrag_ = zoomArmed_ || (event->modifiers() & Qt::ShiftModifier);
    }
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    cursor_ = pos;
    cursorInside_ = true;
    lastPos_ = pos;
    if (!navigation_.move(event)) {
        // A drag selects (in a selection, and outside a command for erasing),
        // or zooms with Shift held or the zoom window armed.
        if (leftDown_ && (mode_ != Mode::PickPoint || zoomDrag_) && !rubberBand_ &&
            ViewNavigation::isDrag(pressPos_, pos))
            rubberBand_ = true;
        if (mode_ == Mode::PickPoint) snap_ = snapPoint(pos);
        update();
    }
    emit cursorMoved(toDrawing(pos));
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (navigation_.release(event)) return;
    if (event->button() == Qt::RightButton) {
        if (mode_ == Mode::Select) emit selectionEnded();
        return;
    }
    if (event->button() != Qt::LeftButton || !leftDown_) return;
    leftDown_ = false;
    lastPos_ = pos;
    if (rubberBand_ && zoomDrag_) {
        rubberBand_ = false;
        zoomDrag_ = false;
        zoomWindow(QRectF(toDrawing(pressPos_), toDrawing(pos)).normalized());
        if (zoomArmed_) {
            zoomArmed_ = false;
            emit zoomWindowEnded();
        }
        return;
    }
    zoomDrag_ = false;
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
        emit pointPicked(snapPoint(pos).value_or(toDrawing(pos)));
        return;
    }
    {
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
    if (!navigation_.doubleClick(event)) QWidget::mouseDoubleClickEvent(event);
}

void DrawingView::wheelEvent(QWheelEvent* event) { navigation_.wheel(event); }

void DrawingView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            rubberBand_ = false;
            leftDown_ = false;
            zoomDrag_ = false;
            if (zoomArmed_) {
                zoomArmed_ = false;
                emit zoomWindowEnded();
            }
            if (mode_ == Mode::Idle && !selection_.empty()) {
                selection_.clear();
                update();
                emit selectionChanged();
            }
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
    // A view still showing everything keeps showing everything.
    if (navigation_.isFitted()) zoomExtents();
    update();
}

}  // namespace gradix
