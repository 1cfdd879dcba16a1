// What each entity of a drawing looks like in the drawing window, as plain
// geometry in drawing coordinates (x right, y up, drawing units), without a
// widget: the line work it draws (a path of lines, arcs and circles), the
// outline picking and window selection test against, its bounds, its text
// layout (TEXT, MTEXT) and, for an INSERT, the shapes of its block placed by
// the insert's transform. Standard library only.
//
//     Line, Polyline (bulges as arcs), Arc, Circle: path and outline (arcs as
//         chords of at most 2 degrees, circles as 180 chords)
//     Ellipse, Spline: the flattened vertices, as path and outline
//     Point: one outline point (the window draws a mark of fixed size there)
//     Text, MText: the corners of the text's box, an area (inside is on it)
//     Insert: the corners of its block's bounds, an area; a point at the
//         insertion when the block is missing or empty
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drawing/planegeometry.h"
#include "drawing/textlayout.h"
#include "dxf/drawing.h"

namespace gradix {

// A step of an entity's line work.
struct PathStep {
    enum class Kind { Move, Line, Arc, Circle };
    Kind kind = Kind::Move;
    Point2 point;        // Move and Line: the point; Arc and Circle: the centre
    double radius = 0;   // Arc, Circle
    double start = 0;    // Arc: start angle, radians anticlockwise
    double sweep = 0;    // Arc: radians, anticlockwise when positive
    bool operator==(const PathStep&) const = default;
};

// The line work of e: empty for points, texts and inserts, which the window
// draws in their own ways.
std::vector<PathStep> entityPath(const DrawingEntity& e);

struct EntityShape {
    Box bounds;                      // of the outline
    std::vector<Point2> outline;     // a polyline; closed when closedOutline; empty: nothing to show
    bool closedOutline = false;
    bool area = false;               // a text box or a block's frame: inside counts as on it
    std::shared_ptr<const TextLayout> text;  // TEXT and MTEXT
    int layer = -1;                  // index into Drawing::layers; -1 when the table lacks it
};

// The entities of a block, shaped about the block's base point.
struct BlockShapes {
    std::vector<EntityShape> shapes;
    Box bounds;
    bool building = false;           // guards blocks that insert themselves
};

// Blocks nest at most this deep; deeper inserts show nothing.
inline constexpr int MAX_BLOCK_DEPTH = 8;

// The shapes of a drawing's model space, and of its blocks as inserts need them.
class DrawingShapes {
public:
    explicit DrawingShapes(TextMetrics metrics) : metrics_(std::move(metrics)) {}

    // Shapes every model-space entity of drawing (null: none). The drawing
    // must outlive its shapes or the next call.
    void setDrawing(const Drawing* drawing);
    // Shapes what changed since: entities appended and those Gradix added
    // (an added text changes with each property set); the indices shaped anew.
    std::vector<std::size_t> update();

    const Drawing* drawing() const { return drawing_; }
    const std::vector<EntityShape>& model() const { return shapes_; }
    // The shape of e at block depth depth.
    EntityShape shapeOf(const DrawingEntity& e, int depth) const;
    // The shapes of the block insert shows, built on first use; null when it
    // is missing, nested too deep or inserts itself.
    const BlockShapes* blockOf(const DrawingEntity& insert, int depth) const;
    // Block coordinates to the coordinates insert stands in.
    static Affine insertTransform(const DrawingEntity& insert, const DrawingBlock& block);
    const DrawingBlock* blockDefinition(const DrawingEntity& insert) const;
    // Whether the layer of a shape is shown (not off, not frozen).
    bool layerShown(const EntityShape& s) const;

private:
    int layerIndex(const std::string& name) const;

    TextMetrics metrics_;
    const Drawing* drawing_ = nullptr;
    std::vector<EntityShape> shapes_;
    std::size_t layersSeen_ = 0;                          // layer count when the layers were looked up
    mutable std::map<std::string, BlockShapes> blocks_;  // by folded block name
};

// The distance from p to what s shows: 0 inside an area.
double shapeDistance(const EntityShape& s, Point2 p);
// Whether s meets the box r (crosses its edge, lies in it, or, an area, holds it).
bool shapeMeetsBox(const EntityShape& s, const Box& r);

}  // namespace gradix
