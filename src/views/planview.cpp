#include "views/planview.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "text/angles.h"
#include "text/failures.h"
#include "text/numbers.h"

namespace gradix {

namespace {

const QColor LINE_COLOUR(235, 235, 235);
const QColor ARC_COLOUR(255, 170, 60);
const QColor SPIRAL_COLOUR(90, 200, 255);
const QColor TICK_COLOUR(190, 198, 206);
const QColor MAIN_POINT_COLOUR(110, 220, 120);
const QColor MARK_COLOUR(255, 215, 0);
const QColor HOVER_COLOUR(120, 200, 255);
const QColor READOUT_BACKGROUND(20, 24, 30, 220);
constexpr double FIT_MARGIN = 0.8;  // share of the view the road fills, room left for its labels
constexpr double TEXT_PX = 11;
constexpr double SMALL_TEXT_PX = 10;
constexpr double TICK_HALF_PX = 4;
constexpr double LABELLED_TICK_HALF_PX = 7;
constexpr double MIN_TICK_SPACING_PX = 6;
constexpr double MIN_LABEL_SPACING_PX = 70;
constexpr double MAIN_POINT_OFFSET_PX = 16;
constexpr double MIN_MAIN_POINT_SPACING_PX = 28;  // main-point labels closer than this to the last are left out
constexpr double MIN_MARK_SPACING_PX = 10;        // main points closer than this to the last are not marked
constexpr double SIMPLIFY_PX = 0.5;
constexpr double ARROW_PX = 36;                    // length of the north arrow
constexpr double ARROW_MARGIN_PX = 22;
constexpr double MARK_RADIUS_PX = 5;
constexpr double DOUBLING_PX = 0.6;               // the second stroke of an element, below the first
constexpr double POINT_MARK_PX = 3;               // half the side of a main point's square
constexpr int OFFSET_DECIMALS = 3;
constexpr double NICE_STEPS[] = {1, 2, 5};
constexpr int MAX_DECADES = 12;

double niceMultiple(double base, double pixelsPerUnit, double minimum) {
    double decade = 1;
    for (int d = 0; d < MAX_DECADES; ++d, decade *= 10)
        for (double m : NICE_STEPS)
            if (base * m * decade * pixelsPerUnit >= minimum) return m * decade;
    return decade;
}

QColor colourOf(PlanElementKind kind) {
    switch (kind) {
        case PlanElementKind::Arc: return ARC_COLOUR;
        case PlanElementKind::Spiral: return SPIRAL_COLOUR;
        default: return LINE_COLOUR;
    }
}

}  // namespace

PlanView::PlanView(QWidget* parent) : RoadView(parent) { setObjectName("planView"); }

QString PlanView::setAlignment(const Alignment& alignment, const SampleTable& samples) {
    try {
        PlanLabelModel model = buildPlanModel(alignment);
        SampleTable table = samples;
        if (table.sampleChainage.empty()) buildSampleTable(alignment, table);
        alignment_ = alignment;
        samples_ = std::move(table);
        model_ = std::move(model);
    } catch (const GradixError& error) {
        clear();
        return QString::fromStdString(error.detail());
    }
    marked_.reset();
    hover_.reset();
    zoomExtents();
    return {};
}

void PlanView::clear() {
    model_ = PlanLabelModel{};
    samples_ = SampleTable{};
    marked_.reset();
    hover_.reset();
    roadChanged();
}

void PlanView::zoomExtents() {
    fitted_ = true;
    viewport_ = PlanViewport::fitting(model_, std::max(1, width()), std::max(1, height()), FIT_MARGIN);
    roadChanged();
}

void PlanView::setMarkedChainage(std::optional<double> chainage) {
    marked_ = chainage;
    update();
}

std::optional<PlanReadout> PlanView::readoutAt(QPointF position) {
    if (!hasAlignment() || samples_.sampleCount < 1) return std::nullopt;
    try {
        return planReadout(alignment_, samples_, viewport_.at(position.x(), position.y()));
    } catch (const GradixError&) {
        return std::nullopt;
    }
}

QString PlanView::readoutText(const PlanReadout& r) {
    const QString side = r.offset > 0 ? QStringLiteral("右 ") : r.offset < 0 ? QStringLiteral("左 ") : QString();
    return QStringLiteral("桩号 %1  偏距 %2%3 m")
        .arg(QString::fromStdString(r.stake), side,
             QString::fromStdString(formatFixed(std::abs(r.offset), OFFSET_DECIMALS)));
}

void PlanView::zoomView(QPointF position, double factor) { viewport_.zoomAbout(position.x(), position.y(), factor); }

void PlanView::panView(QPointF delta) { viewport_.pan(delta.x(), delta.y()); }

void PlanView::hoverAt(QPointF position) {
    hover_ = readoutAt(position);
    emit readoutChanged(hover_ ? readoutText(*hover_) : QString());
}

void PlanView::hoverEnded() {
    hover_.reset();
    emit readoutChanged(QString());
}

void PlanView::clickedAt(QPointF position) {
    const std::optional<PlanReadout> r = readoutAt(position);
    if (r) emit chainageClicked(r->chainage);
}

void PlanView::sizeChanged() {
    viewport_.width = std::max(1, width());
    viewport_.height = std::max(1, height());
}

PlanViewport PlanView::scaledTo(QSizeF size) const {
    PlanViewport v = viewport_;
    const double k = size.width() / std::max(1.0, viewport_.width);
    v.width = size.width();
    v.height = size.height();
    v.pixelsPerMetre = viewport_.pixelsPerMetre * k;
    return v;
}

void PlanView::paintRoad(QPainter& p, QSizeF size, double unit) const {
    const PlanViewport v = scaledTo(size);
    const QRectF screen = QRectF(QPointF(0, 0), size).adjusted(-20 * unit, -20 * unit, 20 * unit, 20 * unit);
    const QFont font = viewFont(TEXT_PX * unit);
    const QFont small = viewFont(SMALL_TEXT_PX * unit);
    const QFontMetricsF smallMetrics(small);
    const auto toScreen = [&](const PlanPoint& q) { return QPointF(v.px(q.x), v.py(q.y)); };
    p.setRenderHint(QPainter::Antialiasing, true);

    // The elements in the colour of their kind; stretches off the view left out.
    for (const PlanElement& e : model_.elements) {
        p.setPen(QPen(colourOf(e.kind), unit));
        QPolygonF line;
        for (std::size_t i = 0; i < e.points.size(); ++i) {
            const QPointF s = toScreen(e.points[i]);
            const bool last = i + 1 == e.points.size();
            if (line.isEmpty() || last || std::abs(s.x() - line.back().x()) >= SIMPLIFY_PX ||
                std::abs(s.y() - line.back().y()) >= SIMPLIFY_PX)
                line.push_back(s);
        }
        if (!line.boundingRect().intersects(screen) && line.size() > 2) continue;
        // A thin pen twice, half a pixel apart: the raster engine's cosmetic
        // path draws that in a fraction of the time a wide pen's outline takes.
        p.drawPolyline(line);
        p.translate(0, DOUBLING_PX * unit);
        p.drawPolyline(line);
        p.resetTransform();
    }

    // Ticks across the road every 20 m where they stand apart; labels every
    // 100 m, or a multiple of it that leaves room.
    const double labelMultiple = niceMultiple(PLAN_LABEL_STEP, v.pixelsPerMetre, MIN_LABEL_SPACING_PX * unit);
    const bool allTicks = PLAN_TICK_STEP * v.pixelsPerMetre >= MIN_TICK_SPACING_PX * unit;
    p.setFont(small);
    p.setPen(QPen(TICK_COLOUR, unit));
    for (const PlanTick& t : model_.ticks) {
        const bool labelled =
            !t.label.empty() && std::fmod(std::round(t.chainage / PLAN_LABEL_STEP), labelMultiple) == 0;
        if (!labelled && !allTicks) continue;
        const QPointF c = toScreen(t.at);
        if (!screen.contains(c)) continue;
        // The road runs (sin b, cos b) east and north, (sin b, -cos b) on screen; the tick across it.
        const QPointF across(std::cos(t.bearing), std::sin(t.bearing));
        const double half = (labelled ? LABELLED_TICK_HALF_PX : TICK_HALF_PX) * unit;
        p.drawLine(c - across * half, c + across * half);
        if (labelled) p.drawText(c - across * (half + 2 * unit) - QPointF(0, 0), QString::fromStdString(t.label));
    }

    // The main points, their name and stake across the road on the other side.
    p.setFont(font);
    QPointF lastLabel(1e300, 1e300);
    QPointF lastMark(1e300, 1e300);
    for (const PlanMainPoint& m : model_.mainPoints) {
        const QPointF c = toScreen(m.at);
        if (!screen.contains(c)) continue;
        // Main points crowded together on screen are neither marked nor labelled.
        if (QLineF(c, lastMark).length() < MIN_MARK_SPACING_PX * unit) continue;
        lastMark = c;
        p.setPen(QPen(MAIN_POINT_COLOUR, unit));
        p.setBrush(Qt::NoBrush);
        const double half = POINT_MARK_PX * unit;
        p.drawRect(QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half));
        if (QLineF(c, lastLabel).length() < MIN_MAIN_POINT_SPACING_PX * unit) continue;
        lastLabel = c;
        const QPointF across(std::cos(m.bearing), std::sin(m.bearing));
        const QPointF end = c + across * MAIN_POINT_OFFSET_PX * unit;
        p.drawLine(c, end);
        p.save();
        p.translate(end);
        double angle = radiansToDegrees(std::atan2(across.y(), across.x()));
        const bool flip = angle > 90 || angle < -90;  // keep the text upright
        if (flip) angle += 180;
        p.rotate(angle);
        const QString text = QString::fromStdString(m.name + " " + m.stake);
        const double advance = QFontMetricsF(font).horizontalAdvance(text);
        p.drawText(QPointF(flip ? -advance - 2 * unit : 2 * unit, 4 * unit), text);
        p.restore();
    }

    // The north arrow, top right.
    const QPointF base(size.width() - ARROW_MARGIN_PX * unit, (ARROW_MARGIN_PX + ARROW_PX) * unit);
    const QPointF tip = base - QPointF(0, ARROW_PX * unit);
    p.setPen(QPen(TICK_COLOUR, 1.5 * unit));
    p.drawLine(base, tip);
    QPolygonF head;
    head << tip << tip + QPointF(-6 * unit, 12 * unit) << tip + QPointF(6 * unit, 12 * unit);
    p.setBrush(TICK_COLOUR);
    p.drawPolygon(head);
    p.setBrush(Qt::NoBrush);
    p.setFont(font);
    p.drawText(tip + QPointF(-4 * unit, -4 * unit), QStringLiteral("N"));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(small);
    const QString title = QStringLiteral("平面");
    p.drawText(QPointF(6 * unit, size.height() - 6 * unit), title);
}

void PlanView::paintMarks(QPainter& p, QSizeF size, double unit) const {
    const PlanViewport v = scaledTo(size);
    const QFont font = viewFont(TEXT_PX * unit);
    const QFontMetricsF metrics(font);
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (marked_) {
        double X = 0, Y = 0, bearing = 0;
        try {
            PointAtChainage(alignment_, *marked_, X, Y, bearing);
            const QPointF c(v.px(Y), v.py(X));
            p.setPen(QPen(MARK_COLOUR, 2 * unit));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, MARK_RADIUS_PX * unit, MARK_RADIUS_PX * unit);
            p.drawText(c + QPointF(8 * unit, -8 * unit), QString::fromStdString(formatKilometreStake(*marked_)));
        } catch (const GradixError&) {
            // a chainage the alignment cannot place is not marked
        }
    }
    if (hover_ && unit == 1.0) {
        const QString text = readoutText(*hover_);
        const QRectF box(4, 4, metrics.horizontalAdvance(text) + 12, metrics.height() + 8);
        p.setPen(Qt::NoPen);
        p.setBrush(READOUT_BACKGROUND);
        p.drawRect(box);
        p.setPen(HOVER_COLOUR);
        p.drawText(QPointF(box.left() + 6, box.top() + 4 + metrics.ascent()), text);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace gradix
