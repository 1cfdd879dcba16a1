// The spatial index against the scan over every entity it replaces, on
// random drawings: clusters of every kind, a few entities far away and a few
// huge, some on layers switched off or frozen, inserts of a block; then
// after annotations are appended and reshaped (enough to repack the tree).
// Picks and window and crossing selections must be identical.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "drawing/shapeindex.h"

namespace gradix {
namespace {

constexpr std::size_t ENTITIES = 2000;
constexpr std::size_t ADDED = 1100;  // beyond the loose entities the index keeps outside its tree
constexpr int PICKS = 400;
constexpr int WINDOWS = 150;

TextMetrics narrowFont() {
    return {[](const std::string& text) { return 6.0 * static_cast<double>(text.size()); }, 10, 2};
}

class RandomDrawing {
public:
    explicit RandomDrawing(unsigned seed) : random_(seed) {
        drawing.addLayer("off").off = true;
        drawing.addLayer("frozen").frozen = true;
        drawing.addLayer("shown");
        DrawingEntity a, b;
        a.x2 = 4, b.x2 = 4, b.y2 = 3;
        drawing.blocks["MARK"] = DrawingBlock{"MARK", 0, 0, {a, b}};
        for (int c = 0; c < CLUSTERS; ++c) centres_.push_back({uniform(-5000, 5000), uniform(-5000, 5000)});
        for (std::size_t i = 0; i < ENTITIES; ++i) drawing.entities.push_back(entity());
    }

    DrawingEntity entity() {
        static constexpr EntityKind KINDS[] = {EntityKind::Line,  EntityKind::Polyline, EntityKind::Arc,
                                               EntityKind::Circle, EntityKind::Point,   EntityKind::Text,
                                               EntityKind::MText, EntityKind::Spline,  EntityKind::Insert};
        DrawingEntity e;
        e.kind = KINDS[random_() % std::size(KINDS)];
        static const char* LAYERS[] = {"0", "shown", "off", "frozen", "not in the table"};
        e.layer = LAYERS[random_() % std::size(LAYERS)];
        const Point2 at = place();
        const double size = chance(0.01) ? uniform(1e4, 1e5) : uniform(0.01, 30);
        e.x = at.x, e.y = at.y;
        e.x2 = at.x + uniform(-size, size), e.y2 = at.y + uniform(-size, size);
        e.radius = size;
        e.startAngle = uniform(0, 6.28), e.endAngle = uniform(0, 6.28);
        for (int k = 0, n = 2 + static_cast<int>(random_() % 6); k < n; ++k)
            e.vertices.push_back({at.x + uniform(-size, size), at.y + uniform(-size, size), chance(0.3) ? uniform(-1, 1) : 0});
        e.closed = chance(0.3);
        e.text = chance(0.5) ? "K1+200" : "{\\L桩号：K1+300\\P高程：12.3456}";
        e.height = uniform(0.2, 5);
        e.rotation = uniform(-3.2, 3.2);
        e.hAlign = static_cast<int>(random_() % 6), e.vAlign = static_cast<int>(random_() % 4);
        e.attachment = 1 + static_cast<int>(random_() % 9);
        e.block = chance(0.9) ? "mark" : "missing";
        e.scaleX = uniform(0.5, 3), e.scaleY = uniform(0.5, 3);
        return e;
    }

    // Near a cluster mostly, now and then far out.
    Point2 place() {
        if (chance(0.01)) return {uniform(-1e6, 1e6), uniform(-1e6, 1e6)};
        const Point2& c = centres_[random_() % centres_.size()];
        return {c.x + normal(), c.y + normal()};
    }
    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(random_); }
    double normal() { return std::normal_distribution<double>(0, 200)(random_); }
    bool chance(double p) { return uniform(0, 1) < p; }
    std::mt19937& random() { return random_; }

    Drawing drawing;

private:
    static constexpr int CLUSTERS = 6;
    std::mt19937 random_;
    std::vector<Point2> centres_;
};

// Compares picks and selections through the index with those of the scan.
void expectIndexAgreesWithScan(RandomDrawing& d, const DrawingShapes& shapes, const ShapeIndex& index) {
    const std::vector<EntityShape>& model = shapes.model();
    std::vector<std::size_t> all(model.size());
    std::iota(all.begin(), all.end(), 0);
    const ShapeFilter shown = [&](std::size_t i) { return shapes.layerShown(model[i]); };
    int picked = 0;
    for (int k = 0; k < PICKS; ++k) {
        const DrawingEntity& near = d.drawing.entities[d.random()() % d.drawing.entities.size()];
        const Point2 p = d.chance(0.8) ? Point2{near.x + d.uniform(-3, 3), near.y + d.uniform(-3, 3)} : d.place();
        const double aperture = d.chance(0.5) ? d.uniform(0.01, 1) : d.uniform(1, 50);
        const Box around = Box{p.x, p.y, p.x, p.y}.grown(2 * aperture);
        const auto scanned = nearestShape(model, all, p, aperture, shown);
        EXPECT_EQ(nearestShape(model, index.query(around), p, aperture, shown), scanned)
            << "pick at " << p.x << ", " << p.y << " within " << aperture;
        picked += scanned.has_value();
    }
    int selected = 0;
    for (int k = 0; k < WINDOWS; ++k) {
        const Point2 a = d.place();
        const double w = d.chance(0.9) ? d.uniform(1, 800) : d.uniform(1e4, 1e6);
        const Box r{a.x, a.y, a.x + w, a.y + d.uniform(1, w)};
        for (bool crossing : {false, true}) {
            const std::vector<std::size_t> scanned = shapesInBox(model, all, r, crossing, shown);
            EXPECT_EQ(shapesInBox(model, index.query(r), r, crossing, shown), scanned)
                << (crossing ? "crossing " : "window ") << r.x0 << ", " << r.y0 << " - " << r.x1 << ", " << r.y1;
            selected += !scanned.empty();
        }
    }
    // The drawings are dense enough that the comparison means something.
    EXPECT_GT(picked, PICKS / 4);
    EXPECT_GT(selected, WINDOWS / 4);
}

TEST(ShapeIndex, PicksAndSelectionsEqualTheScanOnRandomDrawings) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        RandomDrawing d(seed);
        DrawingShapes shapes(narrowFont());
        shapes.setDrawing(&d.drawing);
        ShapeIndex index;
        index.build(shapes.model());
        expectIndexAgreesWithScan(d, shapes, index);

        // Annotations appended, then one of them reshaped (its text changed).
        for (std::size_t k = 0; k < ADDED; ++k) {
            DrawingEntity e = d.entity();
            e.added = true;
            d.drawing.entities.push_back(e);
            if (k % 100 == 0 || k + 1 == ADDED) {
                for (std::size_t i : shapes.update()) index.update(shapes.model(), i);
            }
        }
        d.drawing.entities.back().text = "K99+999.999 and a much longer text";
        d.drawing.entities.back().x += 500;
        for (std::size_t i : shapes.update()) index.update(shapes.model(), i);
        expectIndexAgreesWithScan(d, shapes, index);
    }
}

}  // namespace
}  // namespace gradix
