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

const QColor EMPTY_TEXT_COLOUR(150, 160, 170);
constexpr double EMPTY_TEXT_PX = 14;
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

RoadView::RoadView(QWidget* parent)
    : QWidget(parent),
      navigation_(*this, {[this](QPointF at, double factor) {
                              zoomView(at, factor);
                              roadChanged();
                          },
                          [this](QPointF delta) {
                              panView(delta);
                              roadChanged();
                          },
                          [this] { zoomExtents(); }}) {
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
        p.fillRect(QRectF(QPointF(0, 0), size), GROUND.paper);
        paintRoad(p, size, unit, true);
        paintMarks(p, size, unit, true);
    });
}

void RoadView::zoomAt(QPointF position, double factor) { navigation_.zoomAt(position, factor); }

void RoadView::panBy(QPointF delta) { navigation_.panBy(delta); }

void RoadView::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (!layerValid_ || layer_.size() != size() * ratio) {
        if (layer_.size() != size() * ratio) {
            layer_ = QPixmap(size() * ratio);
            layer_.setDevicePixelRatio(ratio);
        }
        layer_.fill(GROUND.screen);
        QPainter layer(&layer_);
        if (hasRoad()) {
            paintRoad(layer, QSizeF(size()), 1.0, false);
        } else {
            layer.setFont(viewFont(EMPTY_TEXT_PX));
            layer.setPen(EMPTY_TEXT_COLOUR);
            layer.drawText(QRectF(rect()), Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(EMPTY_VIEW_TEXT));
        }
        layerValid_ = true;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, layer_);
    if (hasRoad()) paintMarks(p, QSizeF(size()), 1.0, false);
}

void RoadView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (navigation_.press(event)) return;
    if (event->button() == Qt::LeftButton) {
        leftDown_ = true;
        pressPos_ = event->position();
    }
}

void RoadView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (!navigation_.move(event) && leftDown_ && ViewNavigation::isDrag(pressPos_, pos)) {
        // A left drag pans as well; it is no click then.
        leftDown_ = false;
        navigation_.startDrag(pressPos_);
        navigation_.move(event);
    }
    if (hasRoad()) hoverAt(pos);
    update();
}

void RoadView::mouseReleaseEvent(QMouseEvent* event) {
    if (navigation_.release(event)) {
        leftDown_ = false;
        return;
    }
    if (event->button() == Qt::LeftButton && leftDown_) {
        leftDown_ = false;
        if (hasRoad()) clickedAt(event->position());
    }
}

void RoadView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!navigation_.doubleClick(event)) QWidget::mouseDoubleClickEvent(event);
}

void RoadView::wheelEvent(QWheelEvent* event) {
    if (hasRoad() && navigation_.wheel(event)) hoverAt(event->position());
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
    if (navigation_.isFitted() && hasRoad()) zoomExtents();
    roadChanged();
}

void RoadView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("缩放到全图"), this, [this] { zoomExtents(); });
    menu.addAction(QStringLiteral("导出图片…"), this, [this] { emit exportRequested(); });
    menu.exec(event->globalPos());
}

}  // namespace gradix
