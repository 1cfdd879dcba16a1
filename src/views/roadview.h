// What the profile view and the plan view share: the picture of the road
// drawn into a layer that is kept until the view changes (as the drawing
// window keeps its entities), the cursor's marks painted over it, the
// navigation of every view (viewnavigation.h: the wheel zooming about the
// cursor, the middle button or a left drag panning), a click (a press and
// release without a drag), the text of an empty view and the export for a
// report, drawn in the colours of paper (a white ground).
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include "views/labelplacement.h"
#include "views/viewnavigation.h"

#include <vector>

class QPainter;

namespace gradix {

// The font of the views' labels: an installed Chinese sans-serif font.
QFont viewFont(double pixelSize);

// What an empty view says.
inline constexpr const char* EMPTY_VIEW_TEXT = "初始化后显示纵断面和平面";

// A colour of the views on the screen (a dark ground) and on paper (the
// exports, a white ground).
struct Ink {
    QColor screen;
    QColor paper;
    const QColor& on(bool onPaper) const { return onPaper ? paper : screen; }
};
// The ground of the views.
inline const Ink GROUND{QColor(33, 40, 48), QColor(Qt::white)};
// What both long views draw alike: chain breaks, the stake computed, the
// place under the cursor and the read-out's ground.
inline const Ink BREAK_INK{QColor(230, 100, 230), QColor(160, 0, 160)};
inline const Ink MARK_INK{QColor(255, 215, 0), QColor(200, 120, 0)};
inline const QColor HOVER_COLOUR(120, 200, 255);
inline const QColor READOUT_BACKGROUND(20, 24, 30, 220);

class RoadView : public QWidget {
    Q_OBJECT
public:
    explicit RoadView(QWidget* parent = nullptr);

    // Writes the part of the road in view to path (PNG, SVG or PDF by the
    // extension) at 1:scaleDenominator on paper (the profile's vertical
    // scale divided by its exaggeration), on a white ground. Returns "" when
    // written, else what went wrong.
    QString exportTo(const QString& path, double scaleDenominator);
    // The paper size (mm) of that export.
    QSizeF paperSize(double scaleDenominator) const;
    // Whether there is a road to show and to export.
    bool showsRoad() const { return hasRoad(); }
    // Shows the whole road.
    virtual void zoomExtents() = 0;
    // Zooms by factor about a widget position (the wheel's step is 1.2).
    void zoomAt(QPointF position, double factor);
    // Moves the picture by a distance in pixels (as a middle-button drag).
    void panBy(QPointF delta);

    // A label as the last paint on the screen drew it (the labels that had
    // no room are not drawn).
    struct ShownLabel {
        QString text;
        LabelBox box;
    };
    const std::vector<ShownLabel>& shownLabels() const { return shown_; }

signals:
    void exportRequested();  // the context menu's "导出图片…"

protected:
    // Road metres per widget pixel along the view, for paperSize.
    virtual double metresPerPixel() const = 0;
    virtual bool hasRoad() const = 0;
    // Paints the road (what the layer keeps) onto a device of size pixels,
    // the view's picture scaled to it; unit is the device's pixels per
    // screen pixel of the widget's line widths and texts; onPaper chooses
    // the colours of an export.
    virtual void paintRoad(QPainter& p, QSizeF size, double unit, bool onPaper) const = 0;
    // Paints the marks that follow the cursor or the computed stake.
    virtual void paintMarks(QPainter& p, QSizeF size, double unit, bool onPaper) const = 0;
    virtual void zoomView(QPointF position, double factor) = 0;
    virtual void panView(QPointF delta) = 0;
    virtual void hoverAt(QPointF position) = 0;
    virtual void hoverEnded() = 0;
    virtual void clickedAt(QPointF position) = 0;
    virtual void sizeChanged() = 0;

    // The road changed: the layer is drawn again at the next paint.
    void roadChanged();
    // The views' navigation; zoomExtents marks the view fitted.
    ViewNavigation navigation_;
    // The labels of the last paint on the screen (paintRoad keeps them).
    mutable std::vector<ShownLabel> shown_;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPixmap layer_;
    bool layerValid_ = false;
    bool leftDown_ = false;
    QPointF pressPos_;
};

}  // namespace gradix
