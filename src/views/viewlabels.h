// The labels of the road views as they wait for their place
// (labelplacement.h): their text, font, colour, where and which way they
// run, and the leader drawn with them; then those that have room, drawn.
#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

#include "views/labelplacement.h"

class QPainter;

namespace gradix {

// One line of a label: its text and where its baseline starts, in the
// label's own frame (x along its direction, y down from its origin).
struct LabelRun {
    QString text;
    QPointF at;
};

struct PendingLabel {
    std::vector<LabelRun> runs;
    QFont font;
    QColor colour;
    QPointF origin;
    QPointF direction{1, 0};  // a unit vector on the screen
    QLineF leader;            // drawn with the label; none when null
    LabelCandidate candidate;
    QString text() const;     // the lines joined by a space
};

// A text whose baseline runs from origin along direction.
PendingLabel textLabel(const QString& text, const QFont& font, const QColor& colour, QPointF origin,
                       QPointF direction, int priority, QLineF leader = {});
// Upright lines, top to bottom, each centred over centre, the last one's
// baseline through it.
PendingLabel stackedLabel(const QStringList& lines, const QFont& font, const QColor& colour, QPointF centre,
                          int priority, QLineF leader = {});
// A label across a road from c, away from it along across (a unit vector),
// upright whichever way across points, centred on a leader of length offset.
PendingLabel acrossLabel(const QString& text, const QFont& font, const QColor& colour, QPointF c, QPointF across,
                         double offset, double gap, int priority);
// An upright label beside an anchor, on the side of away (a vector): its
// box has its nearest corner at the anchor.
PendingLabel besideLabel(const QString& text, const QFont& font, const QColor& colour, QPointF anchor,
                         QPointF away, int priority);

// Places the labels in a view of size pixels around the obstacles and draws
// those that have room, with their leaders (pens unit pixels wide). The
// labels drawn, in the order given.
std::vector<const PendingLabel*> drawPlacedLabels(QPainter& p, const std::vector<PendingLabel>& labels, QSizeF size,
                                                  const std::vector<LabelBox>& obstacles, double unit);

}  // namespace gradix
