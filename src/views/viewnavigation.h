// The mouse and wheel navigation that the drawing window's view and the
// road views (profile, plan) share: the wheel zooms about the cursor, the
// middle button (or a chord of the view's own: space and the left button, a
// left drag) drags the picture, a press that moves no further than
// DRAG_THRESHOLD_PX is a click, a middle double click shows the whole
// content. A view is "fitted" while it shows its whole content as its zoom
// to extents left it: a fitted view fits again when its size changes, so
// that content given before the view had its size still fills it.
#pragma once

#include <QCursor>
#include <QPointF>
#include <functional>

class QMouseEvent;
class QWheelEvent;
class QWidget;

namespace gradix {

class ViewNavigation {
public:
    static constexpr double WHEEL_STEP = 120;       // angle delta of one notch of the wheel
    static constexpr double ZOOM_PER_NOTCH = 1.2;   // the scale's factor per notch
    static constexpr double DRAG_THRESHOLD_PX = 4;  // a press moved further is a drag, not a click

    // What the view does when asked: zoom by factor about a widget position
    // (which keeps its content point), move its picture by pixels, show all.
    struct Moves {
        std::function<void(QPointF position, double factor)> zoomAbout;
        std::function<void(QPointF delta)> panBy;
        std::function<void()> zoomExtents;
    };

    ViewNavigation(QWidget& view, Moves moves);

    // Zooms (a wheel) or pans (a drag); either leaves the view not fitted.
    void zoomAt(QPointF position, double factor);
    void panBy(QPointF delta);
    // The view shows everything again: fitted.
    void markFitted() { fitted_ = true; }
    bool isFitted() const { return fitted_; }
    // The view was zoomed or moved by other means (a zoom window, a view set).
    void markMoved() { fitted_ = false; }

    // The events. Each answers whether it took the event: the wheel zooms
    // about the cursor; a middle press starts a drag, whose moves pan and
    // whose release ends it (with the cursor the view had); a middle double
    // click zooms to extents.
    bool wheel(QWheelEvent* event);
    bool press(QMouseEvent* event);
    bool move(QMouseEvent* event);
    bool release(QMouseEvent* event);
    bool doubleClick(QMouseEvent* event);
    // A drag of the picture from position by the view's own chord.
    void startDrag(QPointF position);
    bool dragging() const { return dragging_; }

    // Whether a press at from that is now at to has become a drag.
    static bool isDrag(QPointF from, QPointF to);
    // The zoom factor of a wheel event (1 for none).
    static double wheelFactor(const QWheelEvent& event);

private:
    QWidget& view_;
    Moves moves_;
    bool fitted_ = true;
    bool dragging_ = false;
    QPointF last_;
    QCursor cursorBefore_;
};

}  // namespace gradix
