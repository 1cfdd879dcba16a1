// The 2D view of a drawing in the drawing window: the model-space entities
// in their layers' colours, the loaded alignment as a reference line, zoom
// (wheel, about the cursor), pan (middle button or space-drag), zoom to
// extents, picking a point and selecting entities (a click picks one, a drag
// selects by window: left to right the entities wholly inside, right to
// left also those it crosses).
//
// What each entity draws comes from entityshapes.h, texts are placed by
// textlayout.h; a spatial index (shapeindex.h) finds what a repaint, a pick
// or a selection needs. A repaint draws what is in view; what is smaller than
// a pixel there shows as a dot in its colour.
#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "cadmodel/referencealignment.h"
#include "drawing/entityshapes.h"
#include "drawing/shapeindex.h"
#include "dxf/drawing.h"
#include "views/viewnavigation.h"

class QPainter;

namespace gradix {

class DrawingView : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Idle, PickPoint, Select };

    explicit DrawingView(QWidget* parent = nullptr);
    ~DrawingView() override;

    // Shows drawing (kept alive by the view) and zooms to its extents.
    void setDrawing(std::shared_ptr<const Drawing> drawing);
    // The drawing gained entities or changed: show it again.
    void drawingChanged();
    // The alignment's reference line and stake ticks (an empty one hides it).
    void setReferenceAlignment(ReferenceAlignment alignment);
    const ReferenceAlignment& referenceAlignment() const { return reference_; }

    void setMode(Mode mode);
    Mode mode() const { return mode_; }
    // The entities selected in Select mode, in the order they were selected.
    const std::vector<std::size_t>& selection() const { return selection_; }
    void clearSelection();

    // Zooms so that the drawing and the reference line fill the view; until
    // the view is zoomed or panned it fits them again when its size changes
    // (a drawing opened before its window was shown fills it once shown).
    void zoomExtents();
    // Whether the view shows everything as zoomExtents left it.
    bool isFitted() const { return navigation_.isFitted(); }
    // Zooms so that a rectangle in drawing coordinates fills the view.
    void zoomWindow(const QRectF& drawingRect);
    // Zooms so that a rectangle in drawing coordinates, at least minimumSpan
    // drawing units across, fills the view's share SHOW_MARGIN, its centre
    // in the view's centre: a found label with room around it.
    static constexpr double SHOW_MARGIN = 0.6;
    void zoomToShow(const QRectF& drawingRect, double minimumSpan);
    // The bounds (drawing coordinates) of the model-space entity with the
    // given handle, none when there is none.
    std::optional<QRectF> boundsOfHandle(const std::string& handle) const;
    // Zooms to show a label: its point (drawing coordinates) and the entity
    // with its handle (when found), as zoomToShow does.
    void zoomToLabel(QPointF point, const std::string& handle, double minimumSpan);
    // Zooms in (factor > 1) or out about the centre of the view.
    void zoomBy(double factor);
    // The next left drag zooms to its rectangle (as a drag with Shift held does).
    void armZoomWindow(bool armed);
    // The entities changed in place or in order (undo, redo, erase): shaped
    // and indexed afresh, the view kept.
    void reload();

    // Whether the reference line is drawn (and snapped to).
    void setReferenceShown(bool shown);
    // Object snap: a pick within SNAP_APERTURE_PX of a stake tick of the
    // reference line or of a text's insertion point takes that point.
    static constexpr double SNAP_APERTURE_PX = 6;
    void setSnapEnabled(bool enabled);
    bool snapEnabled() const { return snapEnabled_; }
    // The snap point (drawing coordinates) nearest a widget position, if any.
    std::optional<QPointF> snapPoint(QPointF screenPoint) const;
    // The view: the drawing point at the centre and pixels per drawing unit
    // (the view is then no longer fitted).
    void setView(QPointF centre, double pixelsPerUnit);
    QPointF viewCentre() const { return centre_; }
    double pixelsPerUnit() const { return scale_; }
    // Widget pixel position <-> drawing coordinates (x right, y up).
    QPointF toScreen(QPointF drawingPoint) const;
    QPointF toDrawing(QPointF screenPoint) const;

    // The entity nearest to a widget position within the pick aperture
    // (topmost on equal distance), nothing when none is that close.
    std::optional<std::size_t> entityAt(QPointF screenPoint) const;
    // The entities of a rectangle in drawing coordinates: wholly inside, or
    // with crossing also those that cross its edge.
    std::vector<std::size_t> entitiesInWindow(const QRectF& drawingRect, bool crossing) const;

signals:
    void pointPicked(QPointF drawingPoint);  // a click in PickPoint mode
    void selectionChanged();                 // Select mode: entities added or removed
    void selectionEnded();                   // Select mode: right click
    void cancelled();                        // Esc
    void enterPressed();                     // Enter or Return
    void textTyped(const QString& text);     // printable keys, for the command line
    void cursorMoved(QPointF drawingPoint);
    void zoomWindowEnded();                  // an armed zoom window was dragged

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    class Batch;
    void updateLooks();
    void updateLook(std::size_t index);  // index: at most looks_.size()
    void paintModel(QPainter& p);
    void paintBatched(QPainter& p, Batch& batch, const DrawingEntity& e, const EntityShape& s, QRgb colour);
    void paintBlock(QPainter& p, const DrawingBlock& block, const BlockShapes& shapes, const QTransform& transform,
                    const QColor& byBlock, int depth);
    void paintEntity(QPainter& p, const DrawingEntity& e, const EntityShape& s, const QTransform& transform,
                     const QColor& colour, const QColor& byBlock, int depth);
    void paintText(QPainter& p, const DrawingEntity& e, const EntityShape& s, const QColor& colour,
                   const QColor& byBlock);
    void paintReference(QPainter& p);
    QTransform viewTransform() const;
    // The drawing box the view shows.
    Box visibleBox() const;
    // The entities and the reference line are drawn into layers of their own
    // and kept until the view, the size or what they show changes, so that a
    // repaint while a pick or a selection waits (the pick box following the
    // cursor, a prompt, a highlight) only copies them: a 150 km reference
    // line takes milliseconds to draw.
    struct LayerKey {
        QPointF centre;
        double scale = 0;
        QSize size;
        qreal pixelRatio = 0;
        bool operator==(const LayerKey&) const = default;
    };
    LayerKey layerKey() const;
    QPixmap newTransparentLayer() const;
    // The colour of an entity (or of a run of its text: trueColor, color) on its layer.
    QColor colourOf(int trueColor, int color, const EntityShape& s, const QColor& byBlock) const;
    QRgb rgbOf(int trueColor, int color, const EntityShape& s, QRgb byBlock) const;
    bool shown(std::size_t index) const;
    double apertureUnits() const;
    void zoomAbout(QPointF screenPoint, double factor);
    // The view that zoomExtents shows, set without marking it fitted.
    void showExtents();

    std::shared_ptr<const Drawing> drawing_;
    std::unique_ptr<DrawingShapes> shapes_;  // one per model-space entity, and the blocks' as inserts need them
    ShapeIndex index_;                       // over the model-space shapes
    // What a repaint needs of each model-space entity, packed close: most of
    // a big plan in view is drawn from this alone.
    struct Look {
        Box bounds;
        QRgb colour = 0;
        bool shown = false;  // an outline, on a layer shown
        bool point = false;  // a POINT: a mark of fixed size, never a dot
    };
    std::vector<Look> looks_;
    std::size_t layersLooked_ = 0;  // the drawing's layer count when looks_ was made
    ReferenceAlignment reference_;
    Box referenceBounds_;
    Mode mode_ = Mode::Idle;
    std::vector<std::size_t> selection_;
    QPointF centre_{0, 0};
    double scale_ = 1;
    QFont font_;
    double fontCapHeight_ = 1;  // cap height of font_ in its own pixels
    QImage entityLayer_;        // the background and the entities
    QPixmap referenceLayer_;    // the reference line over a transparent ground
    std::optional<LayerKey> entityLayerKey_;     // what entityLayer_ shows; none: draw it again
    std::optional<LayerKey> referenceLayerKey_;  // what referenceLayer_ shows

    // Mouse and keys.
    ViewNavigation navigation_;
    bool spaceHeld_ = false;
    bool leftDown_ = false;
    bool rubberBand_ = false;
    QPointF pressPos_;
    QPointF lastPos_;
    QPointF cursor_;
    bool cursorInside_ = false;
    bool zoomArmed_ = false;
    bool zoomDrag_ = false;      // the rubber band is a zoom window
    bool referenceShown_ = true;
    bool snapEnabled_ = true;
    std::optional<QPointF> snap_;  // the snap point under the cursor while a pick waits
};

}  // namespace gradix
