// A spatial index over the bounds of a drawing's entities, so that a
// repaint, a pick and a window or crossing selection look only at what lies
// near: a static R-tree packed once per drawing (sort-tile-recursive: the
// boxes sorted into vertical slices by x, each slice into runs by y, NODE_SIZE
// a node), and a short list of the entities appended or reshaped since,
// looked at on every query and packed into the tree once it grows long.
// Standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "drawing/entityshapes.h"
#include "drawing/planegeometry.h"

namespace gradix {

class ShapeIndex {
public:
    // Entries of a node of the tree.
    static constexpr std::size_t NODE_SIZE = 16;

    // Packs the bounds of shapes (those with an outline) into the tree.
    void build(const std::vector<EntityShape>& shapes);
    // Entity index was appended or reshaped: its shape is shapes[index].
    void update(const std::vector<EntityShape>& shapes, std::size_t index);
    // The entities whose bounds meet box, ascending and each once (a box with
    // a side that is not finite meets every query).
    std::vector<std::size_t> query(const Box& box) const;
    std::size_t size() const { return count_; }
    // The box around every entity indexed (not finite when one of them is not).
    Box bounds() const;

private:
    struct Node {
        Box box;
        std::uint32_t first = 0;  // the first child: a node of the level below, or an entry
        std::uint32_t count = 0;
    };

    std::vector<Box> entryBoxes_;             // leaf entries, in tree order
    std::vector<std::uint32_t> entryIds_;     // the entity of each entry
    std::vector<std::vector<Node>> levels_;   // levels_[0] over the entries, the last one the root
    std::vector<std::uint32_t> loose_;        // entities outside the tree: appended, reshaped, not finite
    std::vector<Box> looseBoxes_;
    std::size_t count_ = 0;                   // entities known (the highest index + 1)
};

// Whether entity index is to be looked at (its layer shown ...).
using ShapeFilter = std::function<bool(std::size_t index)>;

// The entity nearest p within aperture (drawing units) among candidates
// (ascending), the later one on equal distance (it is drawn on top);
// nothing when none is that close.
std::optional<std::size_t> nearestShape(const std::vector<EntityShape>& shapes,
                                        const std::vector<std::size_t>& candidates, Point2 p, double aperture,
                                        const ShapeFilter& shown);
// The candidates (ascending) wholly inside r, or with crossing also those
// that meet it; ascending.
std::vector<std::size_t> shapesInBox(const std::vector<EntityShape>& shapes,
                                     const std::vector<std::size_t>& candidates, const Box& r, bool crossing,
                                     const ShapeFilter& shown);

}  // namespace gradix
