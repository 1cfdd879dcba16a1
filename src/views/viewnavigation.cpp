#include "views/viewnavigation.h"

#include <QLineF>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>

namespace gradix {

ViewNavigation::ViewNavigation(QWidget& view, Moves moves) : view_(view), moves_(std::move(moves)) {}

bool ViewNavigation::isDrag(QPointF from, QPointF to) { return QLineF(from, to).length() > DRAG_THRESHOLD_PX; }

double ViewNavigation::wheelFactor(const QWheelEvent& event) {
    const double notches = event.angleDelta().y() / WHEEL_STEP;
    return notches == 0 ? 1.0 : std::pow(ZOOM_PER_NOTCH, notches);
}

void ViewNavigation::zoomAt(QPointF position, double factor) {
    fitted_ = false;
    if (moves_.zoomAbout) moves_.zoomAbout(position, factor);
}

void ViewNavigation::panBy(QPointF delta) {
    fitted_ = false;
    if (moves_.panBy) moves_.panBy(delta);
}

bool ViewNavigation::wheel(QWheelEvent* event) {
    const double factor = wheelFactor(*event);
    event->accept();
    if (factor == 1.0) return false;
    zoomAt(event->position(), factor);
    return true;
}

void ViewNavigation::startDrag(QPointF position) {
    if (!dragging_) cursorBefore_ = view_.cursor();
    dragging_ = true;
    last_ = position;
    view_.setCursor(Qt::ClosedHandCursor);
}

bool ViewNavigation::press(QMouseEvent* event) {
    if (event->button() != Qt::MiddleButton) return false;
    startDrag(event->position());
    return true;
}

bool ViewNavigation::move(QMouseEvent* event) {
    if (!dragging_) return false;
    const QPointF at = event->position();
    panBy(at - last_);
    last_ = at;
    return true;
}

bool ViewNavigation::release(QMouseEvent* event) {
    if (!dragging_ || (event->button() != Qt::MiddleButton && event->button() != Qt::LeftButton)) return false;
    dragging_ = false;
    view_.setCursor(cursorBefore_);
    return true;
}

bool ViewNavigation::doubleClick(QMouseEvent* event) {
    if (event->button() != Qt::MiddleButton) return false;
    if (moves_.zoomExtents) moves_.zoomExtents();
    return true;
}

}  // namespace gradix
