// What the profile view and the plan view share: the picture of the road
// drawn into a layer that is kept until the view changes (as the drawing
// window keeps its entities), the cursor's marks painted over it, the wheel
// zooming about the cursor, the middle button panning, a click (a press and
// release without a drag) and the export for a report.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QWidget>

class QPainter;

namespace gradix {

// The font of the views' labels: an installed Chinese sans-serif font.
QFont viewFont(double pixelSize);

class RoadView : public QWidget {
    Q_OBJECT
public:
    explicit RoadView(QWidget* parent = nullptr);

    // Writes the part of the road in view to path (PNG, SVG or PDF by the
    // extension) at 1:scaleDenominator on paper (the profile's vertical
    // scale divided by its exaggeration). Returns "" when written, else what
    // went wrong.
    QString exportTo(const QString& path, double scaleDenominator);
    // The paper size (mm) of that export.
    QSizeF paperSize(double scaleDenominator) const;
    // Shows the whole road.
    virtual void zoomExtents() = 0;
    // Zooms by factor about a widget position (the wheel's step is 1.2).
    void zoomAt(QPointF position, double factor);
    // Moves the picture by a distance in pixels (as a middle-button drag).
    void panBy(QPointF delta);

signals:
    void exportRequested();  // the context menu's "导出图片…"

protected:
    // Road metres per widget pixel along the view, for paperSize.
    virtual double metresPerPixel() const = 0;
    virtual bool hasRoad() const = 0;
    // Paints the road (what the layer keeps) onto a device of size pixels,
    // the view's picture scaled to it; unit is the device's pixels per
    // screen pixel of the widget's line widths and texts.
    virtual void paintRoad(QPainter& p, QSizeF size, double unit) const = 0;
    // Paints the marks that follow the cursor or the computed stake.
    virtual void paintMarks(QPainter& p, QSizeF size, double unit) const = 0;
    virtual void zoomView(QPointF position, double factor) = 0;
    virtual void panView(QPointF delta) = 0;
    virtual void hoverAt(QPointF position) = 0;
    virtual void hoverEnded() = 0;
    virtual void clickedAt(QPointF position) = 0;
    virtual void sizeChanged() = 0;

    // The road changed: the layer is drawn again at the next paint.
    void roadChanged();
    // Whether the whole road is shown as zoomExtents showed it: a view not
    // zoomed or panned since fits the road again when its size changes.
    bool fitted_ = true;

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
    bool panning_ = false;
    bool leftDown_ = false;
    QPointF pressPos_;
    QPointF lastPos_;
};

}  // namespace gradix
