// Plane geometry of the drawing window in drawing coordinates (x right, y
// up, drawing units): points, axis-aligned boxes, affine maps, and the
// distance and crossing tests that picking and window selection use.
// Standard library only.
#pragma once

#include <algorithm>
#include <vector>

namespace gradix {

struct Point2 {
    double x = 0;
    double y = 0;
    bool operator==(const Point2&) const = default;
};

// An axis-aligned box; x0 <= x1 and y0 <= y1 for a box that holds anything.
struct Box {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    bool operator==(const Box&) const = default;
    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    Point2 centre() const { return {(x0 + x1) / 2, (y0 + y1) / 2}; }
    bool contains(Point2 p) const { return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1; }
    // Whether the two boxes share a point (a box with a NaN side meets everything,
    // so that a test after it decides).
    bool meets(const Box& b) const { return !(b.x1 < x0 || b.x0 > x1 || b.y1 < y0 || b.y0 > y1); }
    // Whether b lies wholly inside this box.
    bool holds(const Box& b) const { return b.x0 >= x0 && b.x1 <= x1 && b.y0 >= y0 && b.y1 <= y1; }
    Box grown(double d) const { return {x0 - d, y0 - d, x1 + d, y1 + d}; }
};

// The smallest box around points; the zero box when there are none.
Box boundsOf(const std::vector<Point2>& points);
// The box around a and b.
Box unite(const Box& a, const Box& b);

// An affine map of the plane: (x, y) -> (a x + c y + tx, b x + d y + ty).
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    Point2 map(Point2 p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // This map after first: p -> map(first.map(p)).
    Affine after(const Affine& first) const;
    static Affine translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine rotation(double radians);
    static Affine scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
};

// The distance from p to the segment a-b.
double segmentDistance(Point2 p, Point2 a, Point2 b);
// Whether p lies inside the polygon (even-odd rule; the polygon closes itself).
bool insidePolygon(Point2 p, const std::vector<Point2>& polygon);
// Whether the segment a-b meets the box r.
bool segmentMeetsBox(Point2 a, Point2 b, const Box& r);

}  // namespace gradix
