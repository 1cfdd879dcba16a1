// The drawing view's zoom window, zoom steps, reference-line switch and
// object snap (declared in drawingview.h).
#include <algorithm>
#include <cmath>
#include <limits>

#include "drawing/drawingview.h"

namespace gradix {

namespace {

constexpr double MIN_ZOOM_WINDOW_PX = 2;  // a smaller drag zooms nothing

}  // namespace

void DrawingView::zoomWindow(const QRectF& r) {
    const QRectF window = r.normalized();
    if (!(window.width() * scale_ >= MIN_ZOOM_WINDOW_PX || window.height() * scale_ >= MIN_ZOOM_WINDOW_PX)) return;
    const double sx = window.width() > 0 ? width() / window.width() : std::numeric_limits<double>::max();
    const double sy = window.height() > 0 ? height() / window.height() : std::numeric_limits<double>::max();
    setView(window.center(), std::min(sx, sy));
}

void DrawingView::zoomToShow(const QRectF& r, double minimumSpan) {
    const QRectF shown = r.normalized();
    const double w = std::max({shown.width(), minimumSpan, std::numeric_limits<double>::min()});
    const double h = std::max({shown.height(), minimumSpan, std::numeric_limits<double>::min()});
    const double s = std::min(std::max(1, width()) / w, std::max(1, height()) / h) * SHOW_MARGIN;
    setView(shown.center(), s);
}

std::optional<QRectF> DrawingView::boundsOfHandle(const std::string& handle) const {
    if (!drawing_ || handle.empty()) return std::nullopt;
    for (std::size_t i = 0; i < drawing_->entities.size() && i < shapes_->model().size(); ++i) {
        if (drawing_->entities[i].handle != handle) continue;
        const Box& b = shapes_->model()[i].bounds;
        if (!(b.x0 <= b.x1 && b.y0 <= b.y1)) return std::nullopt;  // an entity that draws nothing
        return QRectF(QPointF(b.x0, b.y0), QPointF(b.x1, b.y1));
    }
    return std::nullopt;
}

void DrawingView::zoomToLabel(QPointF point, const std::string& handle, double minimumSpan) {
    QRectF shown(point, point);
    if (const std::optional<QRectF> label = boundsOfHandle(handle))
        shown = QRectF(QPointF(std::min(point.x(), label->left()), std::min(point.y(), label->top())),
                       QPointF(std::max(point.x(), label->right()), std::max(point.y(), label->bottom())));
    zoomToShow(shown, minimumSpan);
}

void DrawingView::zoomBy(double factor) { zoomAbout(QPointF(width() / 2.0, height() / 2.0), factor); }

void DrawingView::armZoomWindow(bool armed) {
    zoomArmed_ = armed;
    setCursor(armed || mode_ != Mode::Idle ? Qt::CrossCursor : Qt::ArrowCursor);
}

void DrawingView::reload() {
    if (!drawing_) return;
    const std::size_t count = drawing_->entities.size();
    selection_.erase(std::remove_if(selection_.begin(), selection_.end(), [count](std::size_t i) { return i >= count; }),
                     selection_.end());
    shapes_->setDrawing(drawing_.get());
    index_.build(shapes_->model());
    updateLooks();
    entityLayerKey_.reset();
    update();
}

void DrawingView::setReferenceShown(bool shown) {
    referenceShown_ = shown;
    referenceLayerKey_.reset();
    update();
}

void DrawingView::setSnapEnabled(bool enabled) {
    snapEnabled_ = enabled;
    if (!enabled) snap_.reset();
    update();
}

std::optional<QPointF> DrawingView::snapPoint(QPointF screenPoint) const {
    if (!snapEnabled_) return std::nullopt;
    const QPointF at = toDrawing(screenPoint);
    const double aperture = SNAP_APERTURE_PX / scale_;
    std::optional<QPointF> best;
    double bestDistance = aperture;
    const auto consider = [&](double x, double y) {
        const double d = std::hypot(x - at.x(), y - at.y());
        if (d <= bestDistance) {
            bestDistance = d;
            best = QPointF(x, y);
        }
    };
    // The stake ticks of the reference line (X north, Y east).
    if (referenceShown_)
        for (const ReferenceTick& tick : reference_.ticks) consider(tick.Y, tick.X);
    // Insertion points of texts: those whose bounds the index finds near the cursor.
    if (drawing_) {
        const Box near{at.x() - aperture, at.y() - aperture, at.x() + aperture, at.y() + aperture};
        for (std::size_t i : index_.query(near)) {
            if (i >= drawing_->entities.size() || !shown(i)) continue;
            const DrawingEntity& e = drawing_->entities[i];
            if (e.kind == EntityKind::MText) consider(e.x, e.y);
            // A justified TEXT stands at its alignment point.
            if (e.kind == EntityKind::Text) {
                if (e.hAlign != 0 || e.vAlign != 0) consider(e.x2, e.y2);
                else consider(e.x, e.y);
            }
        }
    }
    return best;
}

}  // namespace gradix
