#include "drawing/shapeindex.h"

#include <algorithm>
#include <cmath>

namespace gradix {

namespace {

// Loose entities beyond this many (and beyond a share of the tree) are packed into it.
constexpr std::size_t LOOSE_LIMIT = 1024;
constexpr std::size_t LOOSE_SHARE = 8;
// A query that finds more than one in this many entities is ordered by a sweep, not a sort.
constexpr std::size_t SWEEP_SHARE = 16;

bool finite(const Box& b) {
    return std::isfinite(b.x0) && std::isfinite(b.y0) && std::isfinite(b.x1) && std::isfinite(b.y1);
}

// Sorts items into runs of `size` that lie close together: vertical slices
// by x, each slice by y (sort-tile-recursive packing).
template <class T, class Centre>
void packOrder(std::vector<T>& items, std::size_t size, Centre centre) {
    const std::size_t groups = (items.size() + size - 1) / size;
    const auto slices = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(groups))));
    const std::size_t perSlice = std::max<std::size_t>(1, slices) * size;
    std::sort(items.begin(), items.end(), [&](const T& a, const T& b) { return centre(a).x < centre(b).x; });
    for (std::size_t from = 0; from < items.size(); from += perSlice) {
        const auto end = items.begin() + static_cast<std::ptrdiff_t>(std::min(items.size(), from + perSlice));
        std::sort(items.begin() + static_cast<std::ptrdiff_t>(from), end,
                  [&](const T& a, const T& b) { return centre(a).y < centre(b).y; });
    }
}

}  // namespace

void ShapeIndex::build(const std::vector<EntityShape>& shapes) {
    entryBoxes_.clear();
    entryIds_.clear();
    levels_.clear();
    loose_.clear();
    looseBoxes_.clear();
    count_ = shapes.size();
    struct Entry {
        Box box;
        std::uint32_t id;
    };
    std::vector<Entry> entries;
    entries.reserve(shapes.size());
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const EntityShape& s = shapes[i];
        if (s.outline.empty()) continue;
        if (finite(s.bounds)) {
            entries.push_back({s.bounds, static_cast<std::uint32_t>(i)});
        } else {
            loose_.push_back(static_cast<std::uint32_t>(i));
            looseBoxes_.push_back(s.bounds);
        }
    }
    if (entries.empty()) return;
    packOrder(entries, NODE_SIZE, [](const Entry& e) { return e.box.centre(); });
    for (const Entry& e : entries) {
        entryBoxes_.push_back(e.box);
        entryIds_.push_back(e.id);
    }
    // Each level groups runs of NODE_SIZE of the one below, packed again, up to one root.
    std::vector<Node> below;
    for (std::size_t first = 0; first < entryBoxes_.size(); first += NODE_SIZE) {
        Node n{entryBoxes_[first], static_cast<std::uint32_t>(first),
               static_cast<std::uint32_t>(std::min(NODE_SIZE, entryBoxes_.size() - first))};
        for (std::size_t k = first; k < first + n.count; ++k) n.box = unite(n.box, entryBoxes_[k]);
        below.push_back(n);
    }
    while (true) {
        if (below.size() > 1) packOrder(below, NODE_SIZE, [](const Node& n) { return n.box.centre(); });
        levels_.push_back(below);
        if (below.size() == 1) break;
        std::vector<Node> above;
        for (std::size_t first = 0; first < below.size(); first += NODE_SIZE) {
            Node n{below[first].box, static_cast<std::uint32_t>(first),
                   static_cast<std::uint32_t>(std::min(NODE_SIZE, below.size() - first))};
            for (std::size_t k = first; k < first + n.count; ++k) n.box = unite(n.box, below[k].box);
            above.push_back(n);
        }
        below = std::move(above);
    }
}

void ShapeIndex::update(const std::vector<EntityShape>& shapes, std::size_t index) {
    if (index >= shapes.size()) return;
    count_ = std::max(count_, index + 1);
    const auto at = std::find(loose_.begin(), loose_.end(), static_cast<std::uint32_t>(index));
    if (at != loose_.end()) {
        looseBoxes_[static_cast<std::size_t>(at - loose_.begin())] = shapes[index].bounds;
    } else {
        loose_.push_back(static_cast<std::uint32_t>(index));
        looseBoxes_.push_back(shapes[index].bounds);
    }
    if (loose_.size() > LOOSE_LIMIT && loose_.size() * LOOSE_SHARE > entryIds_.size()) build(shapes);
}

Box ShapeIndex::bounds() const {
    bool empty = levels_.empty();
    Box all = empty ? Box{} : levels_.back()[0].box;
    for (const Box& b : looseBoxes_) {
        all = empty ? b : unite(all, b);
        empty = false;
    }
    for (const Box& b : looseBoxes_)
        if (!finite(b)) return {NAN, NAN, NAN, NAN};
    return all;
}

std::vector<std::size_t> ShapeIndex::query(const Box& box) const {
    std::vector<std::size_t> found;
    for (std::size_t k = 0; k < loose_.size(); ++k)
        if (looseBoxes_[k].meets(box)) found.push_back(loose_[k]);
    if (!levels_.empty()) {
        // Depth first from the root: (level, node) pairs still to open.
        std::vector<std::pair<std::size_t, std::uint32_t>> open{{levels_.size() - 1, 0}};
        while (!open.empty()) {
            const auto [level, at] = open.back();
            open.pop_back();
            const Node& n = levels_[level][at];
            if (!n.box.meets(box)) continue;
            for (std::uint32_t k = n.first; k < n.first + n.count; ++k) {
                if (level > 0) open.emplace_back(level - 1, k);
                else if (entryBoxes_[k].meets(box)) found.push_back(entryIds_[k]);
            }
        }
    }
    if (found.size() * SWEEP_SHARE > count_) {
        std::vector<char> hit(count_, 0);
        for (std::size_t i : found) hit[i] = 1;
        found.clear();
        for (std::size_t i = 0; i < count_; ++i)
            if (hit[i]) found.push_back(i);
    } else {
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
    }
    return found;
}

std::optional<std::size_t> nearestShape(const std::vector<EntityShape>& shapes,
                                        const std::vector<std::size_t>& candidates, Point2 p, double aperture,
                                        const ShapeFilter& shown) {
    std::optional<std::size_t> best;
    double bestDistance = aperture;
    for (std::size_t i : candidates) {
        const EntityShape& s = shapes[i];
        if (s.outline.empty() || !shown(i)) continue;
        const Box& b = s.bounds;
        if (p.x < b.x0 - aperture || p.x > b.x1 + aperture || p.y < b.y0 - aperture || p.y > b.y1 + aperture)
            continue;
        const double d = shapeDistance(s, p);
        if (d <= bestDistance) {  // on equal distance the later, topmost entity wins
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

std::vector<std::size_t> shapesInBox(const std::vector<EntityShape>& shapes,
                                     const std::vector<std::size_t>& candidates, const Box& r, bool crossing,
                                     const ShapeFilter& shown) {
    std::vector<std::size_t> out;
    for (std::size_t i : candidates) {
        const EntityShape& s = shapes[i];
        if (s.outline.empty() || !shown(i)) continue;
        if (r.holds(s.bounds) || (crossing && r.meets(s.bounds) && shapeMeetsBox(s, r))) out.push_back(i);
    }
    return out;
}

}  // namespace gradix
