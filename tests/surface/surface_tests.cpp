// The road surface: the textbook superelevation and widening of a two-lane
// road worked by hand, both files' readers, and the elevation formula against
// a plain evaluation of its own at random stakes and offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/chain_breaks.h"
#include "surface/surface.h"
#include "support/temp_folder.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {
namespace {

using testing::TempFolder;

constexpr double EXACT = 1e-9;
const ChainBreakTable NO_BREAKS = testing::chainBreakTable({});

// A road without median, B = 7 m, i_G = 2 %, i_h = 6 %, turned about the
// inner edge over 55 m, widened by 0.8 m on the inner side: the outer side
// (right) reaches +2 % at 18.333 m, then the one plane slope 6 % at 55 m.
Surface textbookRoad(const std::string& widening) {
    TempFolder folder("surface");
    const std::string sup = folder.write("road.sup",
                                         "示例路 超高\n"
                                         ";; 左土路肩 左硬路肩 左行车道 桩号 右行车道 右硬路肩 右土路肩\n"
                                         "-2 -2 -2 0 -2 -2 -2\n"
                                         "9999\t9999\t-2\t18.333333333333333\t2\t9999\t9999\n"
                                         "-6,-6,-6,55,6,6,6\n");
    const std::string wid = folder.write("road.wid",
                                         "0 0 3.5 0 0 0 3.5 0 0\n"
                                         "0 0 4.3 0 55 0 3.5 0 0 " + widening + "\n");
    Surface s;
    s.pivot = Pivot::InnerEdge;
    readSuperelevationFile(sup, NO_BREAKS, s);
    readWidthFile(wid, NO_BREAKS, s);
    prepareSurface(s);
    return s;
}

TEST(Surface, TextbookSuperelevationAndWideningByHand) {
    const Surface s = textbookRoad("比例");
    struct Case {
        double chainage;
        double outerSlope;   // %
        double centre;       // m above the design elevation
        double outerEdge;    // m
    };
    for (const Case& c : {Case{10, 0.1818181818, 0.0, 0.0063636364}, Case{30, 3.2727272727, 0.0445454545, 0.1590909091},
                          Case{55, 6.0, 0.14, 0.35}}) {
        SCOPED_TRACE(c.chainage);
        const Section section = sectionAt(s, c.chainage);
        const SurfacePoint centre = surfacePointOf(s, section, 0.0, 0.0);
        const SurfacePoint edge = surfacePointOf(s, section, 0.0, 3.5);
        EXPECT_NEAR(edge.crossSlope * 100, c.outerSlope, 1e-8);
        EXPECT_NEAR(centre.elevation, c.centre, 1e-8);
        EXPECT_NEAR(edge.elevation, c.outerEdge, 1e-8);
        EXPECT_TRUE(surfacePointOf(s, section, 0.0, 3.5001).beyondEdge);
    }
    // The inner side widens by 0.8 m over 55 m: in proportion, or by the
    // fourth-degree curve.
    const Surface smooth = textbookRoad("高次");
    for (auto [chainage, linear, fourth] : {std::tuple{20.0, 0.2909090909, 0.1119049245}, {27.5, 0.40, 0.25}}) {
        EXPECT_NEAR(sectionAt(s, chainage).of(Side::Left).width[1] - 3.5, linear, 1e-9);
        EXPECT_NEAR(sectionAt(smooth, chainage).of(Side::Left).width[1] - 3.5, fourth, 1e-9);
    }
    // Before the first row and after the last the end rows hold.
    EXPECT_EQ(sectionAt(s, -100), sectionAt(s, 0));
    EXPECT_EQ(sectionAt(s, 900), sectionAt(s, 55));
}

// A plain evaluation of the same formula: the rows scanned, the columns
// interpolated on their own rows, the heights summed break point by break
// point.
double plainColumn(const ChainageTable& t, std::size_t column, double x) {
    struct Row {
        double at, value;
        bool smooth;
    };
    std::vector<Row> rows;
    for (std::size_t r = 0; r < t.rows(); ++r)
        if (!std::isnan(t.value(r, column))) rows.push_back({t.chainage(r), t.value(r, column), t.smoothInto(r)});
    if (x <= rows.front().at) return rows.front().value;
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (x < rows[i].at) {
            const double k = (x - rows[i - 1].at) / (rows[i].at - rows[i - 1].at);
            return rows[i - 1].value + (rows[i].value - rows[i - 1].value) * (rows[i].smooth ? k * k * k * (4 - 3 * k) : k);
        }
    return rows.back().value;
}

double plainHeight(const double widths[4], const double slopes[4], double d) {
    double h = 0, at = 0;
    for (int c = 0; c < 4; ++c) {
        const double end = at + widths[c];
        if (d <= end) return h + (d - at) * slopes[c];
        h += widths[c] * slopes[c];
        at = end;
    }
    return h + (d - at) * slopes[3];
}

TEST(Surface, FormulaAgreesWithAPlainEvaluation) {
    TempFolder folder("surface");
    const std::string sup = folder.write("a.sup",
                                         "-3 -2 -2 100 -2 -2 -3\n"
                                         "-4 -3 -2 160 0 -3 9999\n"
                                         "-7 -6 -5 220 5 5 4\n"
                                         "-7 -6 -5 300 5 5 4\n"
                                         "-3 -2 -2 420 -2 -2 -3\n");
    const std::string wid = folder.write("a.wid",
                                         "0.75 2.5 7.5 1.5 100 1.5 7.5 2.5 0.75\n"
                                         "0.75 2.5 8.3 1.5 200 1.5 7.5 2.5 0.75 高次\n"
                                         "0.75 2.5 8.3 1.5 320 1.5 7.5 2.5 0.75\n"
                                         "0.75 2.5 7.5 1.5 400 1.5 7.5 2.5 0.75\n");
    Profile flat;
    flat.gradePointCount = 2;
    flat.gradePointChainage = {0, 0, 1000};
    flat.gradePointElevation = {0, 100, 100};
    flat.curveRadius = {0, 0, 0};
    PrepareProfile(flat);
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> along(50, 470), across(-13, 13);
    for (DesignLine line : {DesignLine::Centre, DesignLine::MedianEdge, DesignLine::SubgradeEdge})
        for (Pivot pivot : {Pivot::Centre, Pivot::InnerEdge, Pivot::MedianEdge}) {
            Surface s;
            s.designLine = line;
            s.pivot = pivot;
            readSuperelevationFile(sup, NO_BREAKS, s);
            readWidthFile(wid, NO_BREAKS, s);
            prepareSurface(s);
            for (int i = 0; i < 200; ++i) {
                const double x = along(random), o = across(random);
                // Left and right: widths and slopes from the centreline out.
                double w[2][4], g[2][4], n[2][4], ng[2][4];
                for (int side = 0; side < 2; ++side)
                    for (int c = 0; c < 4; ++c) {
                        const std::size_t wc = side == 0 ? 3 - c : 4 + c;
                        w[side][c] = plainColumn(s.widths, wc, x);
                        n[side][c] = plainColumn(s.widths, wc, 100);
                        const std::size_t sc = side == 0 ? 3 - c : 2 + c;
                        g[side][c] = c == 0 ? 0.0 : plainColumn(s.slopes, sc, x);
                        ng[side][c] = c == 0 ? 0.0 : plainColumn(s.slopes, sc, 100);
                    }
                const int side = o < 0 ? 0 : 1;
                const auto S = [&](double at) { return plainHeight(w[at < 0 ? 0 : 1], g[at < 0 ? 0 : 1], std::fabs(at)); };
                const auto N = [&](double at) { return plainHeight(n[at < 0 ? 0 : 1], ng[at < 0 ? 0 : 1], std::fabs(at)); };
                const double sign = side == 0 ? -1 : 1;
                double design = 0, pivotAt = 0;
                if (line == DesignLine::MedianEdge) design = sign * n[side][0];
                if (line == DesignLine::SubgradeEdge) design = sign * (n[side][0] + n[side][1] + n[side][2] + n[side][3]);
                if (pivot == Pivot::MedianEdge) pivotAt = sign * n[side][0];
                if (pivot == Pivot::InnerEdge) {
                    const int lower = g[1][1] < g[0][1] ? 1 : 0;
                    pivotAt = (lower == 0 ? -1 : 1) * (n[lower][0] + n[lower][1]);
                }
                const SurfacePoint p = surfacePointAt(s, flat, x, o);
                const double total = w[side][0] + w[side][1] + w[side][2] + w[side][3];
                ASSERT_EQ(p.beyondEdge, std::fabs(o) > total) << x << " " << o;
                if (p.beyondEdge) continue;
                EXPECT_NEAR(p.elevation, 100 + N(pivotAt) - N(design) + S(o) - S(pivotAt), EXACT) << x << " " << o;
            }
        }
}

// The row lookup by buckets of chainage answers what a bisection of all the
// rows answers, also where rows crowd into one bucket or lie a rounding apart.
TEST(Surface, RowLookupAgreesWithABisectionOfAllRows) {
    ChainageTable t(1);
    const std::vector<double> at = {-3, 0, 1e-3, 2e-3, 1000, std::nextafter(1000.0, 2000.0), 1000.0005, 4999.9, 5000};
    for (double c : at) t.addRow(c, &c);
    t.index();
    std::mt19937 random(5);
    std::uniform_real_distribution<double> anywhere(-10, 5010);
    std::vector<double> probes = at;
    for (int i = 0; i < 20000; ++i) probes.push_back(anywhere(random));
    for (double x : probes) {
        const auto above = std::upper_bound(at.begin(), at.end(), x);
        const std::size_t expected = above == at.begin() ? 0 : static_cast<std::size_t>(above - at.begin()) - 1;
        ASSERT_EQ(t.rowOf(x), expected) << x;
    }
}

TEST(Surface, ReadersRefuseBadRowsAtTheirLine) {
    TempFolder folder("surface");
    struct Case {
        const char* name;
        bool widths;
        std::string text;
        long line;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"few fields", false, "-2 -2 -2 0 -2 -2\n", 1, msg::sectionFieldCount(msg::SUPERELEVATION_ROW, 6, "7")},
        {"not a number", false, "-2 -2 -2 0 -2 -2 -2\n-2 -2 -2x 10 -2 -2 -2\n", 2,
         msg::sectionValueNotNumber("左行车道", "-2x")},
        {"backwards", false, "-2 -2 -2 20 -2 -2 -2\n-2 -2 -2 10 -2 -2 -2\n", 2, msg::rowNotAhead(10, 20)},
        {"no value in a column", false, "-2 -2 9999 0 -2 -2 -2\n", 0, msg::columnWithoutValue("左行车道")},
        {"empty", false, ";; nothing\n\n", 0, msg::sectionFileEmpty(msg::SUPERELEVATION_ROW)},
        {"negative width", true, "0 0 3.5 0 0 0 -3.5 0 0\n", 1, msg::widthNegative("右行车道", -3.5)},
        {"unknown transition", true, "0 0 3.5 0 0 0 3.5 0 0\n0 0 4 0 9 0 3.5 0 0 抛物线\n", 2,
         msg::transitionUnknown("抛物线")},
        {"ten fields in a slope row", false, "-2 -2 -2 0 -2 -2 -2 1\n", 1,
         msg::sectionFieldCount(msg::SUPERELEVATION_ROW, 8, "7")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.writeNext(c.text, "bad", c.widths ? ".wid" : ".sup");
        Surface s;
        try {
            c.widths ? readWidthFile(path, NO_BREAKS, s) : readSuperelevationFile(path, NO_BREAKS, s);
            ADD_FAILURE() << "read";
        } catch (const DataError& e) {
            EXPECT_EQ(e.detail(), msg::located(path, c.line, c.reason));
        }
    }
    // A stake the chain breaks refuse is refused with their message, and in
    // check mode every bad line is a finding while the others are read.
    const std::string lettered = folder.write("b.sup", "-2 -2 -2 A2400 -2 -2 -2\n-2 -2 -2 B2320 -2 -2 -2\n-2 x\n");
    Surface s;
    ReadReport report;
    report.checkMode = true;
    readSuperelevationFile(lettered, testing::STEP_BACK, s, &report);
    ASSERT_EQ(report.refusals.size(), 2u);
    EXPECT_EQ(report.refusals[0].line, 1);
    EXPECT_EQ(report.refusals[1].line, 3);
    EXPECT_EQ(s.slopes.rows(), 1u);
}

TEST(Surface, SubgradeEdgeNeedsASymmetricNormalSection) {
    TempFolder folder("surface");
    Surface s;
    s.designLine = DesignLine::SubgradeEdge;
    readSuperelevationFile(folder.write("a.sup", "-3 -2 -2 0 -2 -2 -3\n"), NO_BREAKS, s);
    readWidthFile(folder.write("a.wid", "0.75 0 3.5 0 0 0 3.75 0 0.75\n"), NO_BREAKS, s);
    EXPECT_THROW(prepareSurface(s), DataError);
    // The same road measured from its centre is fine.
    s.designLine = DesignLine::Centre;
    EXPECT_NO_THROW(prepareSurface(s));
}

}  // namespace
}  // namespace gradix
