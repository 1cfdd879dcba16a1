#include "views/viewlabels.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "text/angles.h"

namespace gradix {

namespace {

ScreenPoint screenPoint(QPointF p) { return {p.x(), p.y()}; }

// The box of all runs: one run's turned box, or the upright box around several.
LabelBox boxOf(const PendingLabel& l) {
    const QFontMetricsF metrics(l.font);
    const QPointF down(-l.direction.y(), l.direction.x());
    std::vector<LabelBox> boxes;
    for (const LabelRun& r : l.runs)
        boxes.push_back(LabelBox::ofText(screenPoint(l.origin + l.direction * r.at.x() + down * r.at.y()),
                                         screenPoint(l.direction), metrics.horizontalAdvance(r.text),
                                         metrics.ascent(), metrics.descent()));
    if (boxes.size() == 1) return boxes.front();
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const LabelBox& b : boxes)
        for (const ScreenPoint& c : b.corners) {
            left = std::min(left, c.x);
            top = std::min(top, c.y);
            right = std::max(right, c.x);
            bottom = std::max(bottom, c.y);
        }
    return LabelBox::upright(left, top, right, bottom);
}

PendingLabel made(PendingLabel l, int priority) {
    l.candidate = {boxOf(l), priority};
    return l;
}

}  // namespace

QString PendingLabel::text() const {
    QStringList lines;
    for (const LabelRun& r : runs) lines << r.text;
    return lines.join(u' ');
}

PendingLabel textLabel(const QString& text, const QFont& font, const QColor& colour, QPointF origin,
                       QPointF direction, int priority, QLineF leader) {
    return made({{{text, QPointF(0, 0)}}, font, colour, origin, direction, leader, {}}, priority);
}

PendingLabel stackedLabel(const QStringList& lines, const QFont& font, const QColor& colour, QPointF centre,
                          int priority, QLineF leader) {
    const QFontMetricsF metrics(font);
    PendingLabel l{{}, font, colour, centre, QPointF(1, 0), leader, {}};
    const auto n = static_cast<double>(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        l.runs.push_back({lines[i], QPointF(-metrics.horizontalAdvance(lines[i]) / 2,
                                            -(n - 1 - static_cast<double>(i)) * metrics.height())});
    return made(std::move(l), priority);
}

PendingLabel acrossLabel(const QString& text, const QFont& font, const QColor& colour, QPointF c, QPointF across,
                         double offset, double gap, int priority) {
    const QFontMetricsF metrics(font);
    const double advance = metrics.horizontalAdvance(text);
    const QPointF end = c + across * offset;
    // Read upright: a label pointing left runs back towards the road.
    const bool flip = across.x() < 0;
    const QPointF direction = flip ? -across : across;
    const QPointF down(-direction.y(), direction.x());  // below the baseline, on a y-down screen
    const double middle = (metrics.ascent() - metrics.descent()) / 2;
    const QPointF origin = (flip ? end + across * (advance + gap) : end + across * gap) + down * middle;
    return textLabel(text, font, colour, origin, direction, priority, QLineF(c, end));
}

PendingLabel besideLabel(const QString& text, const QFont& font, const QColor& colour, QPointF anchor,
                         QPointF away, int priority) {
    const QFontMetricsF metrics(font);
    const double w = metrics.horizontalAdvance(text);
    const double h = metrics.ascent() + metrics.descent();
    const double left = away.x() >= 0 ? anchor.x() : anchor.x() - w;
    const double top = away.y() >= 0 ? anchor.y() : anchor.y() - h;
    return textLabel(text, font, colour, QPointF(left, top + metrics.ascent()), QPointF(1, 0), priority);
}

std::vector<const PendingLabel*> drawPlacedLabels(QPainter& p, const std::vector<PendingLabel>& labels, QSizeF size,
                                                  const std::vector<LabelBox>& obstacles, double unit) {
    std::vector<LabelCandidate> candidates;
    candidates.reserve(labels.size());
    for (const PendingLabel& l : labels) candidates.push_back(l.candidate);
    const std::vector<bool> kept = placeLabels(candidates, size.width(), size.height(), obstacles);
    std::vector<const PendingLabel*> drawn;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!kept[i]) continue;
        const PendingLabel& l = labels[i];
        p.setPen(QPen(l.colour, unit));
        if (!l.leader.isNull()) p.drawLine(l.leader);
        p.setFont(l.font);
        p.save();
        p.translate(l.origin);
        p.rotate(radiansToDegrees(std::atan2(l.direction.y(), l.direction.x())));
        for (const LabelRun& r : l.runs) p.drawText(r.at, r.text);
        p.restore();
        drawn.push_back(&l);
    }
    return drawn;
}

}  // namespace gradix
