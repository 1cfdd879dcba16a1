// What each entity kind draws in the drawing window, as geometry: bounds,
// outline and line work, worked by hand; texts measured with a font whose
// every character is 10 pixels wide and 10 pixels high (descent 2).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drawing/entityshapes.h"
#include "text/angles.h"

namespace gradix {
namespace {

constexpr double PI = std::numbers::pi;
constexpr double TOLERANCE = 1e-9;  // drawing units: the hand values are exact up to rounding
constexpr double CHAR_PX = 10;

TextMetrics fixedFont() {
    return {[](const std::string& text) {
                std::size_t characters = 0;  // UTF-8: count the bytes that start a character
                for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
                return CHAR_PX * static_cast<double>(characters);
            },
            10, 2};
}

DrawingEntity entity(EntityKind kind) {
    DrawingEntity e;
    e.kind = kind;
    return e;
}

using Kind = PathStep::Kind;

struct ShapeCase {
    const char* what;
    DrawingEntity entity;
    Box bounds;
    std::size_t outlinePoints;
    bool closed;
    bool area;
    std::vector<PathStep> path;
    double tolerance = TOLERANCE;
};

std::vector<ShapeCase> cases() {
    std::vector<ShapeCase> all;
    DrawingEntity line = entity(EntityKind::Line);
    line.x = 0, line.y = 0, line.x2 = 10, line.y2 = 5;
    all.push_back({"line", line, {0, 0, 10, 5}, 2, false, false, {{Kind::Move, {0, 0}}, {Kind::Line, {10, 5}}}});

    // A half circle anticlockwise from (0,0) to (10,0): bulge 1, centre (5,0), through (5,-5).
    DrawingEntity bulged = entity(EntityKind::Polyline);
    bulged.vertices = {{0, 0, 1}, {10, 0, 0}, {10, 8, 0}};
    all.push_back({"polyline with a bulge", bulged, {0, -5, 10, 8}, 0, false, false,
                   {{Kind::Move, {0, 0}}, {Kind::Arc, {5, 0}, 5, PI, PI}, {Kind::Line, {10, 8}}},
                   1e-3});  // the outline's chords stand off the arc by 1e-4 of the polyline's size
    DrawingEntity square = entity(EntityKind::Polyline);
    square.vertices = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
    square.closed = true;
    all.push_back({"closed polyline", square, {0, 0, 4, 4}, 5, true, false,
                   {{Kind::Move, {0, 0}}, {Kind::Line, {4, 0}}, {Kind::Line, {4, 4}}, {Kind::Line, {0, 4}},
                    {Kind::Line, {0, 0}}}});

    DrawingEntity arc = entity(EntityKind::Arc);
    arc.radius = 2, arc.startAngle = 0, arc.endAngle = PI / 2;
    all.push_back({"quarter arc", arc, {0, 0, 2, 2}, 0, false, false,
                   {{Kind::Move, {2, 0}}, {Kind::Arc, {0, 0}, 2, 0, PI / 2}}});
    DrawingEntity circle = entity(EntityKind::Circle);
    circle.x = 1, circle.y = 1, circle.radius = 1;
    all.push_back({"circle, 180 chords", circle, {0, 0, 2, 2}, 180, true, false, {{Kind::Circle, {1, 1}, 1}}});
    DrawingEntity spline = entity(EntityKind::Spline);
    spline.vertices = {{0, 0, 0}, {3, 1, 0}, {6, -1, 0}};
    all.push_back({"spline as its polygon", spline, {0, -1, 6, 1}, 3, false, false,
                   {{Kind::Move, {0, 0}}, {Kind::Line, {3, 1}}, {Kind::Line, {6, -1}}}});
    DrawingEntity point = entity(EntityKind::Point);
    point.x = 7, point.y = 8;
    all.push_back({"point", point, {7, 8, 7, 8}, 1, false, false, {}});

    // "AB" 5 high: 0.5 units a font pixel, 10 wide, from 1 below the baseline to 5 above.
    DrawingEntity text = entity(EntityKind::Text);
    text.text = "AB", text.height = 5, text.x = 1, text.y = 2;
    all.push_back({"text at its insertion point", text, {1, 1, 11, 7}, 4, true, true, {}});
    DrawingEntity centred = text;
    centred.hAlign = 1, centred.vAlign = 3, centred.x2 = 20, centred.y2 = 20;  // top centre at (20,20)
    all.push_back({"text by its alignment point", centred, {15, 14, 25, 20}, 4, true, true, {}});
    DrawingEntity turned = text;
    turned.rotation = PI / 2;
    all.push_back({"text turned a quarter", turned, {-4, 2, 2, 12}, 4, true, true, {}});
    // Two lines 3 high, 5 pitch apart, the block's middle centre at (0,0):
    // 2 and 6 characters (6 and 18 wide) over 8, and the descent of 0.6 below.
    DrawingEntity mtext = entity(EntityKind::MText);
    mtext.text = "AB\\P高程12.3", mtext.height = 3, mtext.attachment = 5;
    all.push_back({"mtext by its attachment", mtext, {-9, -4.6, 9, 4}, 4, true, true, {}});

    // Block "B": a line from its base (1,0) to (3,0); inserted at (10,10), turned a quarter, scale 2.
    DrawingEntity insert = entity(EntityKind::Insert);
    insert.block = "b", insert.x = 10, insert.y = 10, insert.rotation = PI / 2, insert.scaleX = 2, insert.scaleY = 2;
    all.push_back({"insert as its block's frame", insert, {10, 10, 10, 14}, 4, true, true, {}});
    DrawingEntity missing = insert;
    missing.block = "none";
    all.push_back({"insert of a missing block", missing, {10, 10, 10, 10}, 1, false, false, {}});
    return all;
}

void expectNear(const Box& a, const Box& b, double tolerance, const char* what) {
    EXPECT_NEAR(a.x0, b.x0, tolerance) << what;
    EXPECT_NEAR(a.y0, b.y0, tolerance) << what;
    EXPECT_NEAR(a.x1, b.x1, tolerance) << what;
    EXPECT_NEAR(a.y1, b.y1, tolerance) << what;
}

TEST(EntityShapes, EachKindDrawsAndOutlinesWhatItShows) {
    Drawing drawing;
    DrawingEntity blockLine = entity(EntityKind::Line);
    blockLine.x = 1, blockLine.x2 = 3;
    drawing.blocks["B"] = DrawingBlock{"B", 1, 0, {blockLine}};
    DrawingShapes shapes(fixedFont());
    shapes.setDrawing(&drawing);
    for (const ShapeCase& c : cases()) {
        const EntityShape s = shapes.shapeOf(c.entity, 0);
        expectNear(s.bounds, c.bounds, c.tolerance, c.what);
        if (c.outlinePoints) {
            EXPECT_EQ(s.outline.size(), c.outlinePoints) << c.what;
        }
        EXPECT_EQ(s.closedOutline, c.closed) << c.what;
        EXPECT_EQ(s.area, c.area) << c.what;
        EXPECT_EQ(s.text != nullptr, c.entity.kind == EntityKind::Text || c.entity.kind == EntityKind::MText)
            << c.what;
        const std::vector<PathStep> path = entityPath(c.entity);
        ASSERT_EQ(path.size(), c.path.size()) << c.what;
        for (std::size_t k = 0; k < path.size(); ++k) {
            EXPECT_EQ(path[k].kind, c.path[k].kind) << c.what << " step " << k;
            EXPECT_NEAR(path[k].point.x, c.path[k].point.x, TOLERANCE) << c.what << " step " << k;
            EXPECT_NEAR(path[k].point.y, c.path[k].point.y, TOLERANCE) << c.what << " step " << k;
            EXPECT_NEAR(path[k].radius, c.path[k].radius, TOLERANCE) << c.what << " step " << k;
            EXPECT_NEAR(path[k].start, c.path[k].start, TOLERANCE) << c.what << " step " << k;
            EXPECT_NEAR(path[k].sweep, c.path[k].sweep, TOLERANCE) << c.what << " step " << k;
        }
    }
}

// ARC angles however far beyond a turn (a file's degrees, kept in radians):
// outline and line work come back at once, one turn at most, on the circle,
// from the direction the start angle names (a loop adding whole turns never
// ended on 1e20, and 1e20 plus a chord's step rounds back to 1e20).
struct HugeArcCase {
    const char* what;
    double startDegrees;
    double endDegrees;
};

TEST(EntityShapes, ArcAnglesBeyondATurnGiveOneTurnAtMost) {
    const HugeArcCase cases[] = {{"start 1e20", 1e20, 90},  {"start -1e20", -1e20, 90}, {"end 1e20", 0, 1e20},
                                 {"end -1e20", 0, -1e20}, {"both 1e20: a circle", 1e20, 1e20}};
    DrawingShapes shapes(fixedFont());
    for (const HugeArcCase& c : cases) {
        DrawingEntity arc = entity(EntityKind::Arc);
        arc.x = 10, arc.y = 20, arc.radius = 2;
        arc.startAngle = degreesToRadians(c.startDegrees), arc.endAngle = degreesToRadians(c.endDegrees);
        const double direction = std::remainder(arc.startAngle, 2 * PI);
        const EntityShape s = shapes.shapeOf(arc, 0);
        ASSERT_GE(s.outline.size(), 2u) << c.what;
        EXPECT_LE(s.outline.size(), 181u) << c.what;  // chords of 2 degrees
        EXPECT_NEAR(s.outline[0].x, 10 + 2 * std::cos(direction), TOLERANCE) << c.what;
        EXPECT_NEAR(s.outline[0].y, 20 + 2 * std::sin(direction), TOLERANCE) << c.what;
        for (const Point2& p : s.outline) EXPECT_NEAR(std::hypot(p.x - 10, p.y - 20), 2, TOLERANCE) << c.what;
        const std::vector<PathStep> path = entityPath(arc);
        ASSERT_EQ(path.size(), 2u) << c.what;
        EXPECT_NEAR(std::remainder(path[1].start - direction, 2 * PI), 0, TOLERANCE) << c.what;
        EXPECT_GT(path[1].sweep, 0) << c.what;
        EXPECT_LE(path[1].sweep, 2 * PI) << c.what;
    }
}

// A pick and a crossing window on the shapes: inside a text's box counts as
// on it; a line counts only by its distance.
TEST(EntityShapes, DistanceAndCrossingFollowTheOutline) {
    DrawingShapes shapes(fixedFont());
    DrawingEntity text = entity(EntityKind::Text);
    text.text = "AB", text.height = 5, text.x = 1, text.y = 2;
    const EntityShape box = shapes.shapeOf(text, 0);
    EXPECT_EQ(shapeDistance(box, {5, 4}), 0);
    EXPECT_NEAR(shapeDistance(box, {14, 4}), 3, TOLERANCE);
    EXPECT_TRUE(shapeMeetsBox(box, {4, 3, 5, 4}));  // a window inside the text's box
    DrawingEntity line = entity(EntityKind::Line);
    line.x2 = 10;
    const EntityShape l = shapes.shapeOf(line, 0);
    EXPECT_NEAR(shapeDistance(l, {5, 2}), 2, TOLERANCE);
    EXPECT_TRUE(shapeMeetsBox(l, {4, -1, 5, 1}));
    EXPECT_FALSE(shapeMeetsBox(l, {4, 1, 5, 2}));
}

}  // namespace
}  // namespace gradix
