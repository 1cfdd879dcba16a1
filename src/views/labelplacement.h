// Where the labels of a view go: each label is a box on the screen (a
// rectangle, turned with its text), and a label that would run into one of
// higher priority, or out of the view, is left out rather than drawn over
// another or cut at the edge.
#pragma once

#include <array>
#include <set>
#include <vector>

namespace gradix {

// A point on the screen (pixels, x to the right, y down).
struct ScreenPoint {
    double x = 0;
    double y = 0;
};

// The box of a label: the four corners of its rectangle in order around it.
struct LabelBox {
    std::array<ScreenPoint, 4> corners{};

    // The box of a text that runs from origin along direction (a unit
    // vector), with its baseline through origin: ascent above it, descent
    // below, advance long (pixels).
    static LabelBox ofText(ScreenPoint origin, ScreenPoint direction, double advance, double ascent, double descent);
    // An upright rectangle.
    static LabelBox upright(double left, double top, double right, double bottom);
};

// Whether two boxes share more than an edge or a corner.
bool boxesOverlap(const LabelBox& a, const LabelBox& b);

// A label to place: its box and its priority (0 first, then 1, ...). The
// places one label may take are candidates of one group (a number >= 0):
// only the first of them that has room is kept.
struct LabelCandidate {
    LabelBox box;
    int priority = 0;
    int group = -1;  // none: a label with one place
};

// Which labels are drawn: in order of priority (labels of one priority in
// the order given), each label that lies wholly inside the view (0..width,
// 0..height), overlaps neither an obstacle nor a label kept before it, and
// whose group has no place kept yet. One flag per candidate, in the
// candidates' order.
std::vector<bool> placeLabels(const std::vector<LabelCandidate>& candidates, double width, double height,
                              const std::vector<LabelBox>& obstacles = {});

}  // namespace gradix
