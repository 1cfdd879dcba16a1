#include "views/labelplacement.h"

#include <algorithm>
#include <numeric>

namespace gradix {

namespace {

// The extent of a box's corners projected onto an axis.
struct Extent {
    double low;
    double high;
};

Extent project(const LabelBox& box, ScreenPoint axis) {
    Extent e{1e300, -1e300};
    for (const ScreenPoint& c : box.corners) {
        const double d = c.x * axis.x + c.y * axis.y;
        e.low = std::min(e.low, d);
        e.high = std::max(e.high, d);
    }
    return e;
}

// Whether the boxes stand apart along the normal of one of a's edges.
bool separatedByAnEdgeOf(const LabelBox& a, const LabelBox& b) {
    for (std::size_t i = 0; i < a.corners.size(); ++i) {
        const ScreenPoint& p = a.corners[i];
        const ScreenPoint& q = a.corners[(i + 1) % a.corners.size()];
        const ScreenPoint normal{q.y - p.y, p.x - q.x};
        if (normal.x == 0 && normal.y == 0) continue;
        const Extent ea = project(a, normal);
        const Extent eb = project(b, normal);
        if (ea.high <= eb.low || eb.high <= ea.low) return true;
    }
    return false;
}

bool inside(const LabelBox& box, double width, double height) {
    return std::all_of(box.corners.begin(), box.corners.end(), [&](const ScreenPoint& c) {
        return c.x >= 0 && c.x <= width && c.y >= 0 && c.y <= height;
    });
}

}  // namespace

LabelBox LabelBox::ofText(ScreenPoint origin, ScreenPoint direction, double advance, double ascent, double descent) {
    // Up from the baseline is the direction turned a quarter anticlockwise on a y-down screen.
    const ScreenPoint up{direction.y, -direction.x};
    const auto at = [&](double along, double above) {
        return ScreenPoint{origin.x + direction.x * along + up.x * above, origin.y + direction.y * along + up.y * above};
    };
    return {{at(0, -descent), at(advance, -descent), at(advance, ascent), at(0, ascent)}};
}

LabelBox LabelBox::upright(double left, double top, double right, double bottom) {
    return {{ScreenPoint{left, top}, ScreenPoint{right, top}, ScreenPoint{right, bottom}, ScreenPoint{left, bottom}}};
}

bool boxesOverlap(const LabelBox& a, const LabelBox& b) {
    return !separatedByAnEdgeOf(a, b) && !separatedByAnEdgeOf(b, a);
}

std::vector<bool> placeLabels(const std::vector<LabelCandidate>& candidates, double width, double height,
                              const std::vector<LabelBox>& obstacles) {
    std::vector<std::size_t> order(candidates.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return candidates[a].priority < candidates[b].priority;
    });
    std::vector<bool> kept(candidates.size(), false);
    std::vector<LabelBox> taken = obstacles;
    std::set<int> placedGroups;
    for (std::size_t i : order) {
        const LabelCandidate& c = candidates[i];
        if (c.group >= 0 && placedGroups.count(c.group) != 0) continue;
        if (!inside(c.box, width, height)) continue;
        if (std::any_of(taken.begin(), taken.end(), [&](const LabelBox& t) { return boxesOverlap(c.box, t); }))
            continue;
        kept[i] = true;
        taken.push_back(c.box);
        if (c.group >= 0) placedGroups.insert(c.group);
    }
    return kept;
}

}  // namespace gradix
