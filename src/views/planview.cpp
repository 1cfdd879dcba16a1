#include "views/planview.h"

#include "views/viewlabels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "stakes/stakes.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/numbers.h"

namespace gradix {

namespace {

const Ink LINE_INK{QColor(235, 235, 235), QColor(40, 40, 40)};
const Ink ARC_INK{QColor(255, 170, 60), QColor(215, 110, 0)};
const Ink SPIRAL_INK{QColor(90, 200, 255), QColor(0, 110, 190)};
const Ink TICK_INK{QColor(190, 198, 206), QColor(90, 90, 90)};
const Ink MAIN_POINT_INK{QColor(110, 220, 120), QColor(0, 130, 40)};
constexpr double FIT_MARGIN = 0.8;  // share of the view the road fills, room left for its labels
constexpr double TEXT_PX = 11;
constexpr double SMALL_TEXT_PX = 10;
constexpr double TICK_HALF_PX = 4;
constexpr double LABELLED_TICK_HALF_PX = 7;
constexpr double BREAK_TICK_HALF_PX = 10;
constexpr double MIN_TICK_SPACING_PX = 6;
constexpr double MIN_LABEL_SPACING_PX = 70;
constexpr double MAIN_POINT_OFFSET_PX = 16;
constexpr double LABEL_GAP_PX = 2;                // between a label and its leader or tick
constexpr double MIN_MARK_SPACING_PX = 10;        // main points closer than this to the last are not marked
constexpr double SIMPLIFY_PX = 0.5;
constexpr double ARROW_PX = 36;                    // length of the north arrow
constexpr double ARROW_MARGIN_PX = 22;
constexpr double MARK_RADIUS_PX = 5;
constexpr double MARK_LABEL_PX = 8;               // from the mark to its label, across and along
constexpr double DOUBLING_PX = 0.6;               // the second stroke of an element, below the first
constexpr double POINT_MARK_PX = 3;               // half the side of a main point's square
constexpr double EDGE_PX = 20;                    // what is drawn beyond the view's edge
constexpr int OFFSET_DECIMALS = 3;
constexpr double NICE_STEPS[] = {1, 2, 5};
constexpr int MAX_DECADES = 12;
// The priorities of the labels: the computed stake first, then the chain
// breaks, the main points and the stake ticks.
constexpr int MARK_PRIORITY = 0;
constexpr int BREAK_PRIORITY = 1;
constexpr int MAIN_POINT_PRIORITY = 2;
constexpr int TICK_PRIORITY = 3;

double niceMultiple(double base, double pixelsPerUnit, double minimum) {
    double decade = 1;
    for (int d = 0; d < MAX_DECADES; ++d, decade *= 10)
        for (double m : NICE_STEPS)
            if (base * m * decade * pixelsPerUnit >= minimum) return m * decade;
    return decade;
}

const Ink& inkOf(PlanElementKind kind) {
    switch (kind) {
        case PlanElementKind::Arc: return ARC_INK;
        case PlanElementKind::Spiral: return SPIRAL_INK;
        default: return LINE_INK;
    }
}

}  // namespace

QString offsetText(double offsetRight) {
    return QString::fromStdString(formatSideOffset(offsetRight, OFFSET_DECIMALS)) + QStringLiteral(" m");
}

PlanView::PlanView(QWidget* parent) : RoadView(parent) { setObjectName("planView"); }

QString PlanView::setAlignment(const Alignment& alignment, const SampleTable& samples, const ChainBreakTable& breaks) {
    try {
        PlanLabelModel model = buildPlanModel(alignment, breaks);
        SampleTable table = samples;
        if (table.sampleChainage.empty()) buildSampleTable(alignment, table);
        alignment_ = alignment;
        samples_ = std::move(table);
        breaks_ = breaks;
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
    shown_.clear();
    roadChanged();
}

void PlanView::zoomExtents() {
    navigation_.markFitted();
    viewport_ = PlanViewport::fitting(model_, std::max(1, width()), std::max(1, height()), FIT_MARGIN);
    roadChanged();
}

void PlanView::setMarkedChainage(std::optional<double> chainage) {
    marked_ = chainage;
    roadChanged();  // its label takes its place among the others
}

std::optional<PlanReadout> PlanView::readoutAt(QPointF position) {
    if (!hasAlignment() || samples_.sampleCount < 1) return std::nullopt;
    try {
        return planReadout(alignment_, samples_, breaks_, viewport_.at(position.x(), position.y()));
    } catch (const GradixError&) {
        return std::nullopt;
    }
}

QString PlanView::readoutText(const PlanReadout& r) {
    return QStringLiteral("桩号 %1  偏距 %2").arg(QString::fromStdString(r.stake), offsetText(r.offset));
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

void PlanView::paintRoad(QPainter& p, QSizeF size, double unit, bool onPaper) const {
    const PlanViewport v = scaledTo(size);
    const double edge = EDGE_PX * unit;
    const QRectF screen = QRectF(QPointF(0, 0), size).adjusted(-edge, -edge, edge, edge);
    const QFont font = viewFont(TEXT_PX * unit);
    const QFont small = viewFont(SMALL_TEXT_PX * unit);
    const auto toScreen = [&](const PlanPoint& q) { return QPointF(v.px(q.x), v.py(q.y)); };
    // The road runs (sin b, cos b) east and north, (sin b, -cos b) on screen; across it to the right:
    const auto acrossOf = [](double bearing) { return QPointF(std::cos(bearing), std::sin(bearing)); };
    p.setRenderHint(QPainter::Antialiasing, true);

    // The elements in the colour of their kind; stretches off the view left out.
    for (const PlanElement& e : model_.elements) {
        p.setPen(QPen(inkOf(e.kind).on(onPaper), unit));
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

    std::vector<PendingLabel> labels;
    int nextGroup = 0;  // the labels that have several places to choose from

    // The computed stake: a ring, its stake beside it.
    if (marked_) {
        try {
            double X = 0, Y = 0, bearing = 0;
            PointAtChainage(alignment_, *marked_, X, Y, bearing);
            const QPointF c(v.px(Y), v.py(X));
            p.setPen(QPen(MARK_INK.on(onPaper), 2 * unit));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, MARK_RADIUS_PX * unit, MARK_RADIUS_PX * unit);
            const QString text = QString::fromStdString(formatStake(breaks_, *marked_));
            // Beside the ring, on the first side of the four that has room.
            const double d = MARK_LABEL_PX * unit;
            const int group = nextGroup++;
            for (const QPointF away : {QPointF(1, -1), QPointF(1, 1), QPointF(-1, -1), QPointF(-1, 1)}) {
                labels.push_back(besideLabel(text, font, MARK_INK.on(onPaper), c + away * d, away, MARK_PRIORITY));
                labels.back().candidate.group = group;
            }
        } catch (const GradixError&) {
            // a chainage the alignment cannot place is not marked
        }
    }

    // The chain breaks: a tick across the road, the note beside it.
    for (const PlanChainBreak& b : model_.chainBreaks) {
        const QPointF c = toScreen(b.at);
        if (!screen.contains(c)) continue;
        const QPointF across = acrossOf(b.bearing);
        const double half = BREAK_TICK_HALF_PX * unit;
        p.setPen(QPen(BREAK_INK.on(onPaper), 1.5 * unit));
        p.drawLine(c - across * half, c + across * half);
        // Across the road on either side, or level beside either end of the tick.
        const QString text = QString::fromStdString(b.text);
        const QColor ink = BREAK_INK.on(onPaper);
        const int group = nextGroup++;
        const double gap = LABEL_GAP_PX * unit;
        for (PendingLabel l : {acrossLabel(text, font, ink, c, -across, half, gap, BREAK_PRIORITY),
                               acrossLabel(text, font, ink, c, across, half, gap, BREAK_PRIORITY),
                               besideLabel(text, font, ink, c - across * half, -across, BREAK_PRIORITY),
                               besideLabel(text, font, ink, c + across * half, across, BREAK_PRIORITY)}) {
            l.candidate.group = group;
            labels.push_back(std::move(l));
        }
    }

    // The main points, their name and stake across the road.
    QPointF lastMark(1e300, 1e300);
    for (const PlanMainPoint& m : model_.mainPoints) {
        const QPointF c = toScreen(m.at);
        if (!screen.contains(c)) continue;
        // Main points crowded together on screen are neither marked nor labelled.
        if (QLineF(c, lastMark).length() < MIN_MARK_SPACING_PX * unit) continue;
        lastMark = c;
        p.setPen(QPen(MAIN_POINT_INK.on(onPaper), unit));
        p.setBrush(Qt::NoBrush);
        const double half = POINT_MARK_PX * unit;
        p.drawRect(QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half));
        labels.push_back(acrossLabel(QString::fromStdString(m.name + " " + m.stake), font,
                                     MAIN_POINT_INK.on(onPaper), c, acrossOf(m.bearing), MAIN_POINT_OFFSET_PX * unit,
                                     LABEL_GAP_PX * unit, MAIN_POINT_PRIORITY));
    }

    // Ticks across the road every 20 m of stake where they stand apart;
    // labels every 100 m, or a multiple of it that leaves room.
    const double labelMultiple = niceMultiple(PLAN_LABEL_STEP, v.pixelsPerMetre, MIN_LABEL_SPACING_PX * unit);
    const bool allTicks = PLAN_TICK_STEP * v.pixelsPerMetre >= MIN_TICK_SPACING_PX * unit;
    p.setPen(QPen(TICK_INK.on(onPaper), unit));
    for (const PlanTick& t : model_.ticks) {
        const bool labelled =
            !t.label.empty() && std::fmod(std::round(t.stake / PLAN_LABEL_STEP), labelMultiple) == 0;
        if (!labelled && !allTicks) continue;
        const QPointF c = toScreen(t.at);
        if (!screen.contains(c)) continue;
        const QPointF across = acrossOf(t.bearing);
        const double half = (labelled ? LABELLED_TICK_HALF_PX : TICK_HALF_PX) * unit;
        p.drawLine(c - across * half, c + across * half);
        if (labelled)
            labels.push_back(besideLabel(QString::fromStdString(t.label), small, TICK_INK.on(onPaper),
                                         c - across * (half + LABEL_GAP_PX * unit), -across, TICK_PRIORITY));
    }

    // The north arrow, top right, and the title, bottom left: no label goes over them.
    const QPointF base(size.width() - ARROW_MARGIN_PX * unit, (ARROW_MARGIN_PX + ARROW_PX) * unit);
    const QPointF tip = base - QPointF(0, ARROW_PX * unit);
    const QString title = QStringLiteral("平面");
    const QFontMetricsF smallMetrics(small);
    const QPointF titleAt(6 * unit, size.height() - 6 * unit);
    const std::vector<LabelBox> obstacles{
        LabelBox::upright(tip.x() - 12 * unit, tip.y() - 20 * unit, base.x() + 8 * unit, base.y() + 2 * unit),
        LabelBox::upright(titleAt.x() - 2 * unit, titleAt.y() - smallMetrics.ascent() - 2 * unit,
                          titleAt.x() + smallMetrics.horizontalAdvance(title) + 2 * unit, size.height())};

    // The labels that have room, the most important first, each in the
    // first of its places that has.
    std::vector<ShownLabel> shown;
    for (const PendingLabel* l : drawPlacedLabels(p, labels, size, obstacles, unit))
        shown.push_back({l->text(), l->candidate.box});
    if (!onPaper && unit == 1.0) shown_ = std::move(shown);

    p.setPen(QPen(TICK_INK.on(onPaper), 1.5 * unit));
    p.drawLine(base, tip);
    QPolygonF head;
    head << tip << tip + QPointF(-6 * unit, 12 * unit) << tip + QPointF(6 * unit, 12 * unit);
    p.setBrush(TICK_INK.on(onPaper));
    p.drawPolygon(head);
    p.setBrush(Qt::NoBrush);
    p.setFont(font);
    p.drawText(tip + QPointF(-4 * unit, -4 * unit), QStringLiteral("N"));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(small);
    p.drawText(titleAt, title);
}

void PlanView::paintMarks(QPainter& p, QSizeF, double unit, bool onPaper) const {
    if (!hover_ || unit != 1.0 || onPaper) return;
    const QFont font = viewFont(TEXT_PX * unit);
    const QFontMetricsF metrics(font);
    p.setFont(font);
    const QString text = readoutText(*hover_);
    const QRectF box(4, 4, metrics.horizontalAdvance(text) + 12, metrics.height() + 8);
    p.setPen(Qt::NoPen);
    p.setBrush(READOUT_BACKGROUND);
    p.drawRect(box);
    p.setPen(HOVER_COLOUR);
    p.drawText(QPointF(box.left() + 6, box.top() + 4 + metrics.ascent()), text);
}

}  // namespace gradix
