#include "alignment/sampleindex.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace gradix {

namespace {

// A box is left out only when its least possible distance exceeds the best
// distance by this relative and absolute margin. The computed distance of a
// sample differs from the exact one by a few units in the last place (the
// differences of coordinates of the same magnitude are exact, the square,
// sum and root round once each), far below 1e-12 relative; the absolute part
// covers a best distance of zero. So a sample whose computed distance could
// equal or undercut the best is never left out, and ties keep the lowest index.
constexpr double PRUNE_RELATIVE_MARGIN = 1e-12;
constexpr double PRUNE_ABSOLUTE_MARGIN = 1e-9;  // m

// Least distance (m) from the point to the box; 0 inside.
double boxDistance(double minX, double minY, double maxX, double maxY, double px, double py) {
    const double dx = std::max({minX - px, 0.0, px - maxX});
    const double dy = std::max({minY - py, 0.0, py - maxY});
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

SampleIndex::SampleIndex(const std::vector<double>& sampleX, const std::vector<double>& sampleY, std::size_t count)
    : x_(sampleX.begin(), sampleX.begin() + static_cast<std::ptrdiff_t>(count + 1)),
      y_(sampleY.begin(), sampleY.begin() + static_cast<std::ptrdiff_t>(count + 1)),
      count_(count) {
    assert(count >= 1);
    nodes_.reserve(2 * (count / SAMPLE_INDEX_LEAF + 1));
    build(1, count);
}

int SampleIndex::build(std::size_t first, std::size_t last) {
    const int id = static_cast<int>(nodes_.size());
    nodes_.push_back({x_[first], y_[first], x_[first], y_[first], first, last, -1, -1});
    if (last - first + 1 <= SAMPLE_INDEX_LEAF) {
        Node& leaf = nodes_[static_cast<std::size_t>(id)];
        for (std::size_t i = first; i <= last; ++i) {
            leaf.minX = std::min(leaf.minX, x_[i]);
            leaf.maxX = std::max(leaf.maxX, x_[i]);
            leaf.minY = std::min(leaf.minY, y_[i]);
            leaf.maxY = std::max(leaf.maxY, y_[i]);
        }
        return id;
    }
    const std::size_t middle = first + (last - first) / 2;
    const int left = build(first, middle);
    const int right = build(middle + 1, last);
    const Node& a = nodes_[static_cast<std::size_t>(left)];
    const Node& b = nodes_[static_cast<std::size_t>(right)];
    Node& node = nodes_[static_cast<std::size_t>(id)];
    node.minX = std::min(a.minX, b.minX);
    node.minY = std::min(a.minY, b.minY);
    node.maxX = std::max(a.maxX, b.maxX);
    node.maxY = std::max(a.maxY, b.maxY);
    node.left = left;
    node.right = right;
    return id;
}

std::size_t SampleIndex::nearest(double pointX, double pointY) const {
    std::size_t best = 0;
    double bestDistance = INFINITY;
    const auto prunable = [&](double boxLow) {
        return boxLow > bestDistance * (1.0 + PRUNE_RELATIVE_MARGIN) + PRUNE_ABSOLUTE_MARGIN;
    };
    // Depth-first with an explicit stack; the depth is about log2(count / leaf).
    struct Pending {
        int node;
        double low;
    };
    std::vector<Pending> stack;
    stack.reserve(64);
    stack.push_back({0, 0.0});
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        if (prunable(p.low)) continue;
        const Node& n = nodes_[static_cast<std::size_t>(p.node)];
        if (n.left < 0) {
            for (std::size_t i = n.first; i <= n.last; ++i) {
                const double dx = pointX - x_[i];
                const double dy = pointY - y_[i];
                const double d = std::sqrt(dx * dx + dy * dy);
                if (d < bestDistance || (d == bestDistance && i < best)) {
                    bestDistance = d;
                    best = i;
                }
            }
            continue;
        }
        const Node& a = nodes_[static_cast<std::size_t>(n.left)];
        const Node& b = nodes_[static_cast<std::size_t>(n.right)];
        const double da = boxDistance(a.minX, a.minY, a.maxX, a.maxY, pointX, pointY);
        const double db = boxDistance(b.minX, b.minY, b.maxX, b.maxY, pointX, pointY);
        // The nearer child is taken first (pushed last).
        if (da <= db) {
            stack.push_back({n.right, db});
            stack.push_back({n.left, da});
        } else {
            stack.push_back({n.left, da});
            stack.push_back({n.right, db});
        }
    }
    return best;
}

}  // namespace gradix
