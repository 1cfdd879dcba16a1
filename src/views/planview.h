// The plan view (平面) of a loaded alignment: straights, arcs and spirals in
// three colours, a stake tick on every round 20 m of stake and a label every
// 100 m, the main points (ZH, HY, QZ, YH, HZ, …) and the chain breaks
// labelled, a north arrow. Every stake shown is formatStake's, in the
// numbering of the chain-break table. Labels never run into each other nor
// out of the view: the computed stake's first, then the chain breaks', the
// main points' and the ticks' as room allows. The cursor reads out the stake
// and offset of the point under it (locatePoint); the computed stake is
// marked.
#pragma once

#include <optional>
#include <vector>

#include "views/labelplacement.h"
#include "views/planmodel.h"
#include "views/roadview.h"

namespace gradix {

class PlanView : public RoadView {
    Q_OBJECT
public:
    explicit PlanView(QWidget* parent = nullptr);

    // Shows a prepared alignment (copied) with the chain breaks of its
    // stakes and zooms to it; samples is its 1 m sample table (built here
    // when empty). Returns "" when shown, else why it cannot be (the view is
    // emptied then).
    QString setAlignment(const Alignment& alignment, const SampleTable& samples, const ChainBreakTable& breaks);
    void clear();
    bool hasAlignment() const { return !model_.empty(); }

    const PlanLabelModel& model() const { return model_; }
    const PlanViewport& viewport() const { return viewport_; }
    void zoomExtents() override;

    // The computed stake (chainage, m), marked on the alignment; none hides it.
    void setMarkedChainage(std::optional<double> chainage);
    std::optional<double> markedChainage() const { return marked_; }

    // Stake and offset of the point under a widget position.
    std::optional<PlanReadout> readoutAt(QPointF position);
    const std::optional<PlanReadout>& hoverReadout() const { return hover_; }
    // "桩号 BK1+234.567  偏距 左 12.345 m" (offsetText).
    static QString readoutText(const PlanReadout& readout);

signals:
    void readoutChanged(const QString& text);
    // A click near the road: the chainage (m) of the foot of the point.
    void chainageClicked(double chainage);

protected:
    double metresPerPixel() const override { return 1.0 / viewport_.pixelsPerMetre; }
    bool hasRoad() const override { return hasAlignment(); }
    void paintRoad(QPainter& p, QSizeF size, double unit, bool onPaper) const override;
    void paintMarks(QPainter& p, QSizeF size, double unit, bool onPaper) const override;
    void zoomView(QPointF position, double factor) override;
    void panView(QPointF delta) override;
    void hoverAt(QPointF position) override;
    void hoverEnded() override;
    void clickedAt(QPointF position) override;
    void sizeChanged() override;

private:
    PlanViewport scaledTo(QSizeF size) const;

    Alignment alignment_;
    SampleTable samples_;
    ChainBreakTable breaks_;
    PlanLabelModel model_;
    PlanViewport viewport_;
    std::optional<double> marked_;
    std::optional<PlanReadout> hover_;
};

// An offset as the window shows it: the side in words and the distance,
// "右 2.086 m", "左 2.086 m", "0.000 m" (offsetRight in m, positive right).
QString offsetText(double offsetRight);

}  // namespace gradix
