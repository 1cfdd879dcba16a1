#include "views/roadview.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

#include "views/viewexport.h"

namespace gradix {

namespace {

const QColor BACKGROUND(33, 40, 48);
constexpr double WHEEL_STEP = 120;       // one notch of the wheel
constexpr double ZOOM_PER_NOTCH = 1.2;
constexpr double DRAG_THRESHOLD_PX = 4;  // a press moved further is a drag, not a click
constexpr double MM_PER_M = 1000.0;
// Screen pixels per inch that the widget's sizes are meant for.
constexpr double SCREEN_DPI = 96.0;

}  // namespace

QFont viewFont(double pixelSize) {
    QFont font;
    font.setFamilies({"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei", "sans-serif"});
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    return font;
}

RoadView::RoadView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

void RoadView::roadChanged() {
    layerValid_ = false;
    update();
}

QSizeF RoadView::paperSize(double scale) const {
    const double mm = metresPerPixel() * MM_PER_M / scale;
    return QSizeF(width() * mm, height() * mm);
}

QString RoadView::exportTo(const QString& path, double scale) {
    if (!hasRoad()) return QStringLiteral("没有可导出的图形");
    if (!(std::isfinite(scale) && scale > 0)) return QStringLiteral("比例应为正数");
    const double unit = EXPORT_DPI / SCREEN_DPI;
    return exportPicture(path, paperSize(scale), [&](QPainter& p, QSizeF size) {
        p.fillRect(QRectF(QPointF(0, 0), size), BACKGROUND);
        paintRoad(p, size, unit);
        paintMarks(p, size, unit);
    });
}

void RoadView::zoomAt(QPointF position, double factor) {
    fitted_ = false;
    zoomView(position, factor);
    roadChanged();
}

void RoadView::panBy(QPointF delta) {
    fitted_ = false;
    panView(delta);
    roadChanged();
}

void RoadView::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (!layerValid_ || layer_.size() != size() * ratio) {
        if (layer_.size() != size() * ratio) {
            layer_ = QPixmap(size() * ratio);
            layer_.setDevicePixelRatio(ratio);
        }
        layer_.fill(BACKGROUND);
        if (hasRoad()) {
            QPainter layer(&layer_);
            paintRoad(layer, QSizeF(size()), 1.0);
        }
        layerValid_ = true;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, layer_);
    if (hasRoad()) paintMarks(p, QSizeF(size()), 1.0);
}

void RoadView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    lastPos_ = event->position();
    if (event->button() == Qt::MiddleButton) {
        panning_ = true;
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton) {
        leftDown_ = true;
        pressPos_ = event->position();
    }
}

void RoadView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (panning_) {
        panBy(pos - lastPos_);
    } else if (leftDown_ && QLineF(pressPos_, pos).length() > DRAG_THRESHOLD_PX) {
        // A left drag pans as well; it is no click then.
        leftDown_ = false;
        panning_ = true;
        panBy(pos - pressPos_);
    }
    lastPos_ = pos;
    if (hasRoad()) hoverAt(pos);
    update();
}

void RoadView::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        leftDown_ = false;
        unsetCursor();
        return;
    }
    if (event->button() == Qt::LeftButton && leftDown_) {
        leftDown_ = false;
        if (hasRoad()) clickedAt(event->position());
    }
}

void RoadView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        zoomExtents();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void RoadView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / WHEEL_STEP;
    if (notches != 0 && hasRoad()) {
        zoomAt(event->position(), std::pow(ZOOM_PER_NOTCH, notches));
        hoverAt(event->position());
    }
    event->accept();
}

void RoadView::leaveEvent(QEvent* event) {
    hoverEnded();
    update();
    QWidget::leaveEvent(event);
}

void RoadView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    sizeChanged();
    if (fitted_ && hasRoad()) zoomExtents();
    roadChanged();
}

void RoadView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("缩放到全图"), this, [this] { zoomExtents(); });
    menu.addAction(QStringLiteral("导出图片…"), this, [this] { emit exportRequested(); });
    menu.exec(event->globalPos());
}

}  // namespace gradix
