// The horizontal alignment: ICD file, element chain, clothoid series, point
// at a chainage, sample table and the chainage of a point.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "support/literal_alignment.h"
#include "support/long_alignment.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "text/failures.h"

using namespace gradix;
namespace fs = std::filesystem;

namespace {

const double PI = 4.0 * std::atan(1.0);
constexpr double TENTH_MM = 1e-4;

class IcdFileTest : public ::testing::Test {
protected:
    std::string put(const std::string& text) { return dir_.writeNext(text, "road", ".ICD"); }
    // Loads text as an ICD file into al (breaks get a count to be cleared).
    void load(const std::string& text) {
        breaks.chainBreakCount = 3;
        dqicd(put(text), al, breaks, PI);
    }
    // The failure of loading text.
    DataError loadFailure(const std::string& text) {
        try {
            load(text);
        } catch (const DataError& e) {
            return e;
        }
        ADD_FAILURE() << "no DataError for:\n" << text;
        return DataError("none");
    }
    static std::string records(int count) {
        std::string text = "0\n0,0,0\n";
        for (int i = 0; i < count; ++i) text += "1,10\n";
        return text;
    }
    Alignment al;
    ChainBreakTable breaks;
    gradix::testing::TempFolder dir_{"alignment"};
};

const std::string EXAMPLE_ICD =
    "1000\n"
    "3000000.000,500000.000,0.7853981634\n"
    ";; straight, spiral, arc, spiral, straight\n"
    "1,100\n"
    "3,150,250,1\n"
    "2,250,80,1\n"
    "4,150,250,1\n"
    "1,50\n"
    "0\n";

// A chain prepared from hand-written elements, starting at chainage 0 at
// (0, 0) with bearing 0 unless given.
struct Element {
    double r1, r2, length;
};
Alignment chainOf(const std::vector<Element>& elements, double startBearingDeg = 0.0, double startChainage = 0.0) {
    Alignment al;
    al.icdStartChainage = startChainage;
    al.icdStartBearing = startBearingDeg;
    int i = 0;
    for (const Element& e : elements) {
        ++i;
        al.elemStartRadius[i] = e.r1;
        al.elemEndRadius[i] = e.r2;
        al.elemLength[i] = e.length;
    }
    al.elemCount = static_cast<std::int16_t>(i);
    PrepareAlignment(al);
    return al;
}

constexpr double INF = INFINITE_RADIUS;

struct Point {
    double x = 0, y = 0, b = 0;
};
Point at(const Alignment& al, double chainage) {
    Point p;
    PointAtChainage(al, chainage, p.x, p.y, p.b);
    return p;
}

}  // namespace

// ------------------------------------------------------------------ ICD file

TEST_F(IcdFileTest, ExampleFileGivesTheChain) {
    load(EXAMPLE_ICD);
    ASSERT_EQ(al.elemCount, 5);
    EXPECT_EQ(breaks.chainBreakCount, 0);
    EXPECT_TRUE(al.chainagesAscending);
    const double chainages[] = {1000, 1100, 1190, 1270, 1360, 1410};
    const double bearings[] = {0.785398, 0.785398, 0.965398, 1.285398, 1.465398, 1.465398};
    const double xs[] = {3000000, 3000070.7107, 3000130.3349, 3000164.6534, 3000179.4486, 3000184.7088};
    const double ys[] = {500000, 500070.7107, 500137.9540, 500209.8415, 500298.4857, 500348.2082};
    for (int i = 1; i <= 6; ++i) {
        EXPECT_NEAR(al.elemChainage[i], chainages[i - 1], 1e-9) << i;
        EXPECT_NEAR(al.elemStartBearing[i], bearings[i - 1], 1e-6) << i;
        EXPECT_NEAR(al.elemStartX[i], xs[i - 1], TENTH_MM) << i;
        EXPECT_NEAR(al.elemStartY[i], ys[i - 1], TENTH_MM) << i;
    }
    EXPECT_EQ(al.elemStartRadius[2], INF);
    EXPECT_EQ(al.elemEndRadius[2], 250.0);
    EXPECT_EQ(al.elemStartRadius[4], 250.0);
    EXPECT_EQ(al.elemEndRadius[4], INF);
}

TEST_F(IcdFileTest, FieldsMaySitBehindCommasOrBlanks) {
    for (const char* record : {"1,100", "1 100", "1 , 100", "   1   ,   100   ", "1,100,7,8"}) {
        load(std::string("0\n0,0,0\n") + record + "\n");
        ASSERT_EQ(al.elemCount, 1) << record;
        EXPECT_EQ(al.elemLength[1], 100.0) << record;
    }
}

TEST_F(IcdFileTest, KindCodeDecidesWhereTheRecordsEnd) {
    // Skipped: blank lines and ";;" comments. Ending: a single ";", a code
    // outside 1..6 or a fraction, tab-separated fields, a line of tabs.
    load("0\n0,0,0\n\n;; note\n1.0,10\n\n1,20\n;x\n1,30\n");
    EXPECT_EQ(al.elemCount, 2);
    for (const char* end : {"1.5,10", "7,10", "1\t10", "\t\t", "x,10", "0"}) {
        load(std::string("0\n0,0,0\n1,5\n") + end + "\n1,30\n");
        EXPECT_EQ(al.elemCount, 1) << end;
    }
}

TEST_F(IcdFileTest, RecordsOfEachKindStoreSignedRadiiAndLengths) {
    load("0\n0,0,0\n2,300,40,-2\n3,100,200,1\n4,100,200,-1\n5,120,400,200,-1\n6,120,400,200,1\n2,9999,10,1\n");
    ASSERT_EQ(al.elemCount, 6);
    EXPECT_EQ(al.elemStartRadius[1], -300.0);
    EXPECT_EQ(al.elemLength[1], 40.0);
    EXPECT_EQ(al.elemStartRadius[2], INF);
    EXPECT_EQ(al.elemEndRadius[2], 200.0);
    EXPECT_EQ(al.elemLength[2], 50.0);
    EXPECT_EQ(al.elemStartRadius[3], -200.0);
    EXPECT_EQ(al.elemEndRadius[3], INF);
    EXPECT_EQ(al.elemStartRadius[4], -400.0);
    EXPECT_EQ(al.elemEndRadius[4], -200.0);
    EXPECT_DOUBLE_EQ(al.elemLength[4], 36.0);
    EXPECT_EQ(al.elemEndRadius[5], 200.0);
    EXPECT_DOUBLE_EQ(al.elemLength[5], 36.0);
    EXPECT_EQ(elementKind(al.elemStartRadius[6], al.elemEndRadius[6]), ElementKind::Line);
}

TEST_F(IcdFileTest, HeaderIsFourFreeFormNumbers) {
    load("1000,3000000,500000,0\n1,10\n");
    EXPECT_EQ(al.icdStartChainage, 1000.0);
    EXPECT_EQ(al.icdStartY, 500000.0);
    EXPECT_EQ(al.elemCount, 1);
    // Blanks, tabs and line breaks between items; the fourth item's line goes on as a record.
    load("  1000 \n\n 3000000\t, 500000 ,\n 0.5 1,10\n1,5\n");
    EXPECT_EQ(al.icdStartX, 3000000.0);
    EXPECT_NEAR(al.icdStartBearing, 0.5, 1e-14);
    EXPECT_EQ(al.elemCount, 2);
    EXPECT_EQ(al.elemChainage[3], 1015.0);
}

TEST_F(IcdFileTest, HeaderFailuresAreLocated) {
    struct Case {
        const char* text;
        long line;
    };
    for (const Case& c : {Case{"1000\n3000000,,500000,0\n", 2}, Case{"1000\n3000000,500000,0.5x\n", 2},
                          Case{"1000\n,3000000,500000,0\n", 2}, Case{"1000 3000000\n\n", 2},
                          Case{"1e999,0,0,0\n", 1}, Case{"nan,0,0,0\n", 1}}) {
        const DataError e = loadFailure(c.text);
        EXPECT_EQ(e.line(), c.line) << c.text;
        EXPECT_NE(e.file().find(".ICD"), std::string::npos);
        EXPECT_STREQ(e.what(), FORMAT_TEXT);
    }
}

TEST_F(IcdFileTest, ShortRecordFailsAtItsLineKeepingWhatWasStored) {
    const DataError e = loadFailure("0\n0,0,0\n1,10\n;; two\n5,100,200,300\n");
    EXPECT_EQ(e.line(), 5);
    EXPECT_EQ(al.elemCount, 1);
    EXPECT_EQ(breaks.chainBreakCount, 3);
}

TEST_F(IcdFileTest, TablesHoldNineHundredNinetyNineElements) {
    load(records(999));
    EXPECT_EQ(al.elemCount, 999);
    EXPECT_EQ(al.elemChainage[1000], 9990.0);
    loadFailure(records(1000));  // needs entry 1001 in preparation
    EXPECT_EQ(al.elemCount, 1000);
    const DataError e = loadFailure(records(1001));  // record 1001 cannot be stored
    EXPECT_EQ(e.line(), 1003);
    EXPECT_EQ(al.elemCount, 1000);
}

TEST_F(IcdFileTest, HeaderWithoutRecordsGivesAnAlignmentOfNoElement) {
    load(EXAMPLE_ICD);
    load("500\n10,20,0\n");
    EXPECT_EQ(al.elemCount, 0);
    EXPECT_EQ(al.elemChainage[1], 500.0);
    const Point p = at(al, 510);
    EXPECT_DOUBLE_EQ(p.x, 20.0);
    EXPECT_DOUBLE_EQ(p.y, 20.0);
}

TEST_F(IcdFileTest, BadRadiiAndFilesFail) {
    loadFailure("0\n0,0,0\n3,100,0,1\n");   // zero radius of a spiral
    loadFailure("0\n0,0,0\n2,100,10,0\n");  // direction 0 stores a radius of 0
    loadFailure("0\n0,0,0\n3,0,100,1\n");   // zero-length spiral
    EXPECT_THROW(dqicd(dir_.file("none.ICD"), al, breaks, PI), DataError);
    EXPECT_THROW(dqicd("", al, breaks, PI), FileAccessError);
}

TEST_F(IcdFileTest, StartBearingIsReducedToOneTurn) {
    load("0\n0,0,-0.5\n");
    EXPECT_NEAR(al.elemStartBearing[1], 2 * PI - 0.5, 1e-13);
    load("0\n0,0,7\n");
    EXPECT_NEAR(al.elemStartBearing[1], 7 - 2 * PI, 1e-13);
}

// ------------------------------------------------------------------ packed degrees

TEST(PackedDegrees, WorkedExamples) {
    EXPECT_NEAR(Degdms(30.5), 30.3, 1e-12);
    EXPECT_NEAR(Degdms(-45.2625), -45.1545, 1e-12);
    EXPECT_NEAR(Dmsdeg(45.1545), 45.2625, 1e-12);
    EXPECT_EQ(Degdms(0.0), 0.0);
}

TEST(PackedDegrees, RoundTripKeepsWholeMinutes) {
    // 0°29' packs to 0.29, which a·100 rounds to 28.999…: without the carry
    // back of that minute it read 0°28'100" = 0.49444°.
    EXPECT_NEAR(Dmsdeg(Degdms(29.0 / 60.0)), 29.0 / 60.0, 1e-12);
    double worst = 0;
    for (int minutes = 0; minutes < 360 * 60; ++minutes) {
        const double bearing = minutes / 60.0 * PI / 180.0;  // as written in radians in a file
        const double back = Dmsdeg(Degdms(bearing * 180.0 / PI)) * PI / 180.0;
        worst = std::max(worst, std::fabs(back - bearing));
    }
    EXPECT_LT(worst, 1e-14);
}

TEST(PackedDegrees, ValuesBeyondThirtyTwoBitDegreesFail) {
    EXPECT_NO_THROW(Dmsdeg(214748.0));
    EXPECT_THROW(Dmsdeg(214749.0), DataError);
    EXPECT_THROW(Dmsdeg(1e300), DataError);
    EXPECT_THROW(Dmsdeg(NAN), DataError);
    EXPECT_THROW(Degdms(INFINITY), DataError);
}

// ------------------------------------------------------------------ chain preparation

TEST(ChainPreparation, StraightsAndArcsEndWhereTheyShould) {
    const Alignment none = chainOf({}, 0, 250);
    EXPECT_EQ(none.elemChainage[1], 250.0);
    const Alignment line = chainOf({{INF, INF, 100}});
    EXPECT_NEAR(line.elemStartX[2], 100, 1e-12);
    EXPECT_NEAR(line.elemStartY[2], 0, 1e-12);
    const Alignment right = chainOf({{100, 100, 50 * PI}});
    EXPECT_NEAR(right.elemStartX[2], 100, 1e-9);
    EXPECT_NEAR(right.elemStartY[2], 100, 1e-9);
    EXPECT_NEAR(right.elemStartBearing[2], PI / 2, 1e-12);
    const Alignment left = chainOf({{-100, -100, 50 * PI}});
    EXPECT_NEAR(left.elemStartX[2], 100, 1e-9);
    EXPECT_NEAR(left.elemStartY[2], -100, 1e-9);
    EXPECT_NEAR(left.elemStartBearing[2], 3 * PI / 2, 1e-12);
    // -9999 is a very flat arc, not a straight.
    EXPECT_LT(chainOf({{-9999, -9999, 100}}).elemStartY[2], -0.4);
}

TEST(ChainPreparation, SpiralsEndWhereTheyShould) {
    const Alignment entering = chainOf({{INF, 200, 50}});
    EXPECT_NEAR(entering.elemStartBearing[2], 0.125, 1e-15);
    EXPECT_NEAR(entering.elemStartX[2], 49.9219, TENTH_MM);
    EXPECT_NEAR(entering.elemStartY[2], 2.0810, TENTH_MM);
    const Alignment partial = chainOf({{-400, -200, 36}});
    EXPECT_NEAR(partial.elemStartBearing[2], 2 * PI - 0.135, 1e-14);
    EXPECT_NEAR(partial.elemStartX[2], 35.9077, TENTH_MM);
    EXPECT_NEAR(partial.elemStartY[2], -2.1570, TENTH_MM);
    // An exit spiral mirrors the entering one laid backward from its end.
    const Alignment exit = chainOf({{200, INF, 50}});
    EXPECT_NEAR(exit.elemStartBearing[2], 0.125, 1e-15);
    EXPECT_NEAR(exit.elemStartX[2], 49.9219 * std::cos(0.125) + 2.0810 * std::sin(0.125), TENTH_MM);
}

TEST(ChainPreparation, FaultyTablesFail) {
    Alignment al;
    al.elemCount = 1000;
    EXPECT_THROW(PrepareAlignment(al), DataError);
    EXPECT_THROW(chainOf({{0, 0, 10}}), DataError);          // zero radius
    EXPECT_THROW(chainOf({{INF, 100, 0}}), DataError);       // zero-length spiral
    EXPECT_THROW(chainOf({{INF, INF, 1e308}, {INF, INF, 1e308}}), DataError);  // chainage overflow
    EXPECT_FALSE(chainOf({{INF, INF, 10}, {INF, INF, -5}}).chainagesAscending);
}

TEST(ChainPreparation, HugeBearingsAreReducedWithoutEndlessLoops) {
    const Alignment al = chainOf({{1e-300, 1e-300, 1}}, 0);  // turns by 1e300 rad
    EXPECT_GE(al.elemStartBearing[2], 0.0);
    EXPECT_LT(al.elemStartBearing[2], 2 * PI);
    // A negative bearing a hair below north is north, not 2π.
    Alignment tiny = chainOf({{INF, INF, 1}}, -1e-17 * 180 / PI);
    EXPECT_EQ(tiny.elemStartBearing[1], 0.0);
}

// ------------------------------------------------------------------ clothoid series

TEST(ClothoidSeries, WorkedValues) {
    EXPECT_NEAR(ClothoidX(50, 10000), 49.921931, 1e-6);
    EXPECT_NEAR(ClothoidY(50, 10000), 2.081009, 1e-6);
    EXPECT_NEAR(ClothoidY(50, -10000), -2.081009, 1e-6);
    EXPECT_NEAR(ClothoidX(100, 30000), 99.722579, 1e-6);
    EXPECT_NEAR(ClothoidY(100, 30000), 5.544542, 1e-6);
    EXPECT_NEAR(ClothoidDeltaX(25, 50, 10000), 24.924373, 1e-6);
    EXPECT_NEAR(ClothoidDeltaY(25, 50, 10000), 1.820611, 1e-6);
    EXPECT_EQ(ClothoidX(0, 10000), 0.0);
    EXPECT_EQ(ClothoidY(0, 10000), 0.0);
    EXPECT_EQ(ClothoidDeltaY(30, 30, 10000), 0.0);
    // The exact integrals in closed form for a small deflection.
    EXPECT_NEAR(ClothoidDeltaX(-20, 20, 1000), 2 * ClothoidX(20, 1000), 1e-13);
}

TEST(ClothoidSeries, FactorialAndSeriesThatCannotSettleFail) {
    EXPECT_EQ(Factorial(0), 1.0);
    EXPECT_EQ(Factorial(10), 3628800.0);
    EXPECT_NO_THROW(Factorial(170));
    EXPECT_THROW(Factorial(171), DataError);
    EXPECT_THROW(Factorial(-1), DataError);
    EXPECT_THROW(ClothoidY(10, 0), DataError);      // zero parameter
    EXPECT_THROW(ClothoidX(1000, 100), DataError);  // deflection 5000 rad: terms overflow
    EXPECT_THROW(ClothoidX(NAN, 100), DataError);
}

// ------------------------------------------------------------------ point at chainage

TEST(PointAtChainage, StraightWithTangentExtensions) {
    const Alignment al = chainOf({{INF, INF, 100}}, 0, 100);
    const Point mid = at(al, 150), before = at(al, 50), beyond = at(al, 250);
    EXPECT_DOUBLE_EQ(mid.x, 50);
    EXPECT_DOUBLE_EQ(before.x, -50);
    EXPECT_DOUBLE_EQ(beyond.x, 150);
    EXPECT_EQ(beyond.y, 0.0);
    EXPECT_EQ(beyond.b, 0.0);
}

TEST(PointAtChainage, EveryKindStartsAtItsStoredStart) {
    for (const Element& e : std::vector<Element>{{INF, INF, 40}, {150, 150, 40}, {INF, -150, 40}, {300, 150, 40},
                                                 {-150, -300, 40}}) {
        const Alignment al = chainOf({{INF, INF, 10}, e, {INF, INF, 10}}, 30);
        const Point p = at(al, 10);  // the joint belongs to element 2, at d = 0
        EXPECT_EQ(p.x, al.elemStartX[2]);
        EXPECT_EQ(p.y, al.elemStartY[2]);
        EXPECT_EQ(p.b, al.elemStartBearing[2]);
    }
}

TEST(PointAtChainage, EndsGetTheirStoredEntries) {
    const Alignment al = chainOf({{INF, INF, 30}, {INF, 200, 50}, {200, INF, 50}}, 10, 500);
    const Point end = at(al, 630), start = at(al, 500);
    EXPECT_EQ(end.x, al.elemStartX[4]);
    EXPECT_EQ(end.y, al.elemStartY[4]);
    EXPECT_EQ(end.b, al.elemStartBearing[4]);
    EXPECT_EQ(start.x, al.elemStartX[1]);
    // The exit spiral reaches its end exactly from its own end point.
    const Point nearEnd = at(al, std::nextafter(630.0, 0.0));
    EXPECT_NEAR(nearEnd.x, end.x, 1e-9);
    EXPECT_NEAR(nearEnd.b, end.b, 1e-12);
}

TEST(PointAtChainage, PartialSpiralBearingUsesTheMeanCurvature) {
    Alignment al = chainOf({{100, 200, 50}});
    al.elemChainage[2] = 60;  // let element 1 answer at d = 50 itself
    EXPECT_NEAR(at(al, 50).b, 0.375, 1e-14);
    EXPECT_NEAR(at(al, 50).x, chainOf({{100, 200, 50}}).elemStartX[2], 1e-9);
}

TEST(PointAtChainage, BisectionFindsTheSameElementAsTheScan) {
    // Zero-length elements, joints and the ends.
    Alignment al = chainOf({{INF, INF, 10}, {INF, INF, 0}, {INF, 100, 20}, {100, 100, 0}, {100, INF, 20}});
    ASSERT_TRUE(al.chainagesAscending);
    Alignment scanned = al;
    scanned.chainagesAscending = false;
    for (double c : {-1.0, 0.0, 5.0, 10.0, std::nextafter(10.0, 0.0), 15.0, 30.0, 49.0, 50.0, 51.0}) {
        const Point fast = at(al, c), slow = at(scanned, c);
        EXPECT_EQ(fast.x, slow.x) << c;
        EXPECT_EQ(fast.y, slow.y) << c;
        EXPECT_EQ(fast.b, slow.b) << c;
    }
}

TEST(PointAtChainage, UnassignedResultsKeepTheirValuesAndNaNFails) {
    Alignment al = chainOf({{INF, INF, 10}, {INF, INF, 10}});
    al.elemChainage[2] = NAN;  // a table that does not increase
    al.chainagesAscending = false;
    double x = 7, y = 8, b = 9;
    PointAtChainage(al, 5, x, y, b);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(b, 9);
    EXPECT_THROW(PointAtChainage(chainOf({}), NAN, x, y, b), DataError);
    EXPECT_THROW(PointAtChainage(chainOf({}), INFINITY, x, y, b), DataError);
}

// ------------------------------------------------------------------ sample table

TEST(SampleTable, OneSamplePerMetrePlusOneBeyondEachEnd) {
    SampleTable s;
    buildSampleTable(chainOf({{INF, INF, 10}}, 0, 1000), s);
    EXPECT_EQ(s.sampleCount, 12);
    ASSERT_EQ(s.sampleChainage.size(), 14u);
    EXPECT_EQ(s.sampleChainage[0], 999);
    EXPECT_EQ(s.sampleChainage[11], 1010);
    EXPECT_EQ(s.sampleChainage[12], 1010);
    EXPECT_EQ(s.sampleChainage[13], 1011);
    EXPECT_DOUBLE_EQ(s.sampleX[13], 11);
    EXPECT_EQ(s.sampleDist.size(), 14u);

    buildSampleTable(chainOf({{INF, INF, 10.5}}, 0, 1000), s);
    EXPECT_EQ(s.sampleCount, 12);
    EXPECT_EQ(s.sampleChainage[11], 1010);
    EXPECT_EQ(s.sampleChainage[12], 1010.5);
    EXPECT_EQ(s.sampleChainage[13], 1011.5);

    buildSampleTable(chainOf({{INF, INF, 0.4}}, 0, 1000), s);
    EXPECT_EQ(s.sampleCount, 2);
    EXPECT_EQ(s.sampleChainage, (std::vector<double>{999, 1000, 1000.4, 1001.4}));
}

TEST(SampleTable, UnsampleableLengthsFailAndKeepTheOldTable) {
    SampleTable s;
    buildSampleTable(chainOf({{INF, INF, 3}}), s);
    EXPECT_THROW(buildSampleTable(chainOf({{INF, INF, 10}, {INF, INF, -20}}), s), DataError);
    EXPECT_THROW(buildSampleTable(chainOf({{INF, INF, 1e12}}), s), DataError);
    EXPECT_EQ(s.sampleCount, 5);
}

TEST(SampleTable, NearestSampleTakesTheLowestIndexOnTies) {
    SampleTable s;
    buildSampleTable(chainOf({{INF, INF, 10}}, 90), s);  // due east: X 0, Y = chainage
    EXPECT_EQ(nearestSample(s, 0.0, 4.5), 5u);           // samples 5 and 6 are equally far
    EXPECT_EQ(nearestSample(s, 3.0, 7.2), 8u);
    EXPECT_NEAR(s.sampleDist[8], std::hypot(3.0, 0.2), 1e-12);
    EXPECT_EQ(nearestSample(s, 0.0, -50.0), 1u);  // index 0 is not searched
    EXPECT_THROW(nearestSample(s, NAN, 0.0), DataError);
    SampleTable empty;
    EXPECT_THROW(nearestSample(empty, 0.0, 0.0), DataError);
}

// ------------------------------------------------------------------ chainage of a point

// Bisection on distances settles where the distance no longer changes in
// double precision: within about offset·2e-8 m of the foot near the origin,
// and sqrt(2·offset·5e-10) m on national-grid coordinates (7e-5 m at 5 m).
constexpr double FOOT_TOLERANCE = 1e-6;

TEST(PointLocation, FootAndSignedOffsetOnAStraight) {
    const Alignment al = chainOf({{INF, INF, 200}});
    const FootOfPoint right = js_qzdzh(al, 0, 100, 100, 0, 30, 5);
    EXPECT_NEAR(right.ptzh, 30, FOOT_TOLERANCE);
    EXPECT_NEAR(right.ptd, -5, 1e-9);
    EXPECT_NEAR(right.ptx, 30, FOOT_TOLERANCE);
    EXPECT_NEAR(right.pty, 0, 1e-12);
    EXPECT_NEAR(js_qzdzh(al, 0, 100, 100, 0, 30, -5).ptd, 5, 1e-9);
    EXPECT_NEAR(js_qzdzh(al, 0, 100, 100, 0, 42, 0).ptd, 0, 1e-12);
}

TEST(PointLocation, FootMidwayBetweenTwoMidpointsIsFound) {
    // Midpoints 30 and 30.5 are equally far from the point: stopping on
    // equal distances answered 30.5.
    const Alignment al = chainOf({{INF, INF, 100}});
    EXPECT_NEAR(js_qzdzh(al, 29, 31, 31, 0, 30.25, 7).ptzh, 30.25, FOOT_TOLERANCE);
    EXPECT_EQ(literal::js_qzdzh(al, 29, 31, 31, 0, 30.25, 7).ptzh, 30.5);
}

TEST(PointLocation, DirectionsAndSides) {
    const PointPair o{0, 0, 0};
    EXPECT_DOUBLE_EQ(bxfwj(o, PointPair{0, 1, 0}), PI / 2);
    EXPECT_DOUBLE_EQ(bxfwj(o, PointPair{0, -1, 0}), 3 * PI / 2);
    EXPECT_DOUBLE_EQ(bxfwj(o, PointPair{-1, 0, 0}), PI);
    EXPECT_DOUBLE_EQ(bxfwj(o, PointPair{1, -1, 0}), 7 * PI / 4);
    EXPECT_DOUBLE_EQ(bxfwj(o, o), 3 * PI / 2);
    // Turning by exactly π counts as toward increasing bearing, by -π not.
    EXPECT_EQ(zypsgn1(PointPair{0, -1, 0}, o, PointPair{0, -1, 0}), -1);
    EXPECT_EQ(zypsgn1(PointPair{1, 0, 0}, o, PointPair{1, 0, 0}), 1);
    ProbeRecord a{0, 1, 2, 0}, b{9, 4, 6, 0};
    EXPECT_EQ(www(a, b), 5.0);
}

TEST(PointLocation, PickedPointOnACurvedRoad) {
    Alignment al = chainOf({{INF, INF, 50}, {INF, 300, 80}, {300, 300, 100}, {300, INF, 80}, {INF, INF, 50}}, 20, 1000);
    SampleTable s;
    buildSampleTable(al, s);
    const Point onRoad = at(al, 1163.4);
    const double offset = 12.0;  // to the left of the direction of travel
    const double px = onRoad.x + offset * std::cos(onRoad.b - PI / 2);
    const double py = onRoad.y + offset * std::sin(onRoad.b - PI / 2);
    const FootOfPoint f = locatePoint(al, s, px, py);
    EXPECT_NEAR(f.ptzh, 1163.4, 1e-4);
    EXPECT_NEAR(f.ptd, offset, 1e-6);
    EXPECT_THROW(locatePoint(al, s, NAN, py), DataError);
}

// ------------------------------------------------------------------ third-party reference clothoids

TEST_F(IcdFileTest, ReferenceClothoidTablesAreMetAtEveryMetre) {
    const fs::path folder = fs::path(GRADIX_SHARED_DATA) / "rail-unit-test" / "Clothoid";
    GRADIX_NEED(fs::is_directory(folder), "no reference clothoids in " << folder);
    // Each table as one ICD element from (0, 0) at bearing 0; the mirrored
    // tables (negative radii) turn the other way, direction -1. Tolerance
    // 1e-9 m: the tables carry 16 digits and were checked against an
    // independent integration to 1e-11 m, the series meet the integrals to
    // rounding (1e-13 m measured), and A written in the record squares back
    // to A² only to an ulp; 1e-9 m keeps room for that and is still five
    // orders below the tenth of a millimetre that matters on a road.
    struct Case {
        std::string file, record;
    };
    const auto a = [](double squared) { return testroads::icdNumber(std::sqrt(squared)); };
    const double spiralA2 = 100.0 * 300.0;
    const double partialA2 = 100.0 * 1000.0 * 300.0 / 700.0;
    std::vector<Case> cases;
    for (const bool mirrored : {false, true}) {
        const std::string m = mirrored ? "-" : "";
        const std::string d = mirrored ? "-1" : "1";
        const std::string name = "Clothoid_100.0_";
        cases.push_back({name + m + "inf_" + m + "300_1_Meter.txt", "3," + a(spiralA2) + ",300," + d});
        cases.push_back({name + m + "300_" + m + "inf_1_Meter.txt", "4," + a(spiralA2) + ",300," + d});
        cases.push_back({name + m + "1000_" + m + "300_1_Meter.txt", "5," + a(partialA2) + ",1000,300," + d});
        cases.push_back({name + m + "300_" + m + "1000_1_Meter.txt", "5," + a(partialA2) + ",300,1000," + d});
    }
    double worst = 0;
    for (const Case& c : cases) {
        std::ifstream table(folder / c.file);
        ASSERT_TRUE(table) << c.file;
        load("0\n0,0,0\n" + c.record + "\n");
        double s, x, y;
        int rows = 0;
        while (table >> s >> x >> y) {
            const Point p = at(al, s);
            worst = std::max({worst, std::fabs(p.x - x), std::fabs(p.y - y)});
            EXPECT_NEAR(p.x, x, 1e-9) << c.file << " s=" << s;
            EXPECT_NEAR(p.y, y, 1e-9) << c.file << " s=" << s;
            ++rows;
        }
        EXPECT_EQ(rows, 101) << c.file;
    }
    std::cout << "reference clothoids: worst deviation " << worst << " m\n";
}

// ------------------------------------------------------------------ random alignments against the literal code

namespace {

// A random alignment of 1..maxElements elements of every kind, turning both
// ways, with partial spirals toward sharper and flatter curves. Spirals are
// kept within 2 rad from their zero-curvature origin (road spirals stay far
// below); coordinates start either near 0 or on a national grid.
Alignment randomAlignment(std::mt19937_64& rng, int maxElements) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * unit(rng); };
    Alignment al;
    al.icdStartChainage = uniform(-1000, 100000);
    const bool grid = unit(rng) < 0.5;
    al.icdStartX = grid ? uniform(2.5e6, 4.5e6) : uniform(-100, 100);
    al.icdStartY = grid ? uniform(3e5, 7e5) : uniform(-100, 100);
    al.icdStartBearing = uniform(-720, 720);  // degrees
    const int n = 1 + static_cast<int>(unit(rng) * maxElements);
    for (int i = 1; i <= n; ++i) {
        const double sign = unit(rng) < 0.5 ? -1.0 : 1.0;
        const double r = sign * uniform(40, 4000);
        double r1 = INF, r2 = INF, length = uniform(1, 400);
        switch (static_cast<int>(unit(rng) * 5)) {
        case 0: break;
        case 1: r1 = r2 = r; break;
        case 2: r2 = r; length = std::min(length, 2 * std::fabs(r)); break;
        case 3: r1 = r; length = std::min(length, 2 * std::fabs(r)); break;
        default: {
            r1 = r;
            r2 = r * (unit(rng) < 0.5 ? uniform(0.2, 0.8) : uniform(1.25, 5));
            const double a2 = length * r1 * r2 / (r1 - r2);
            const double rMin = std::min(std::fabs(r1), std::fabs(r2));
            const double deflectionFromOrigin = std::fabs(a2) / (2 * rMin * rMin);
            if (deflectionFromOrigin > 2) length *= 2 / deflectionFromOrigin;
        }
        }
        al.elemStartRadius[i] = r1;
        al.elemEndRadius[i] = r2;
        al.elemLength[i] = length;
    }
    al.elemCount = static_cast<std::int16_t>(n);
    return al;
}

double angleGap(double a, double b) {
    const double d = std::fabs(std::remainder(a - b, 2 * PI));
    return d;
}

}  // namespace

TEST(AlignmentRandom, SeriesAgreeWithLiteralSums) {
    // Spiral parameters A from 10 m to 3000 m, deflections up to 3 rad from
    // the zero-curvature origin; differences measured against the arc
    // lengths (the largest term is within e³ of them).
    std::mt19937_64 rng(20240601);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double worst = 0, worstOfValue = 0;
    for (int k = 0; k < 100000; ++k) {
        const double a2 = (unit(rng) < 0.5 ? -1 : 1) * std::exp(std::log(1e2) + unit(rng) * std::log(9e4));
        const double lMax = std::sqrt(2 * 3 * std::fabs(a2));  // deflection 3 rad
        const double l1 = (unit(rng) * 2 - 1) * lMax, l2 = (unit(rng) * 2 - 1) * lMax;
        const double scale = std::fabs(l1) + std::fabs(l2);
        const double errs[] = {ClothoidX(l2, a2) - literal::ClothoidX(l2, a2),
                               ClothoidY(l2, a2) - literal::ClothoidY(l2, a2),
                               ClothoidDeltaX(l1, l2, a2) - literal::ClothoidDeltaX(l1, l2, a2),
                               ClothoidDeltaY(l1, l2, a2) - literal::ClothoidDeltaY(l1, l2, a2)};
        for (double e : errs) worst = std::max(worst, std::fabs(e) / scale);
        if (l2 != 0) {
            worstOfValue = std::max(worstOfValue, std::fabs(errs[0] / literal::ClothoidX(l2, a2)));
            worstOfValue = std::max(worstOfValue, std::fabs(errs[1] / literal::ClothoidY(l2, a2)));
        }
    }
    EXPECT_LT(worst, 1e-13);
    EXPECT_LT(worstOfValue, 1e-12);
    std::cout << "series: worst difference " << worst << " of the arc lengths, " << worstOfValue
              << " of the coordinate itself\n";
}

TEST(AlignmentRandom, PreparedChainAndPointsAgreeWithLiteralCode) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double worstChain = 0, worstPoint = 0;
    for (int k = 0; k < 3000; ++k) {
        const Alignment raw = randomAlignment(rng, 14);
        Alignment fast = raw, slow = raw;
        PrepareAlignment(fast);
        literal::PrepareAlignment(slow);
        const int n = fast.elemCount;
        ASSERT_TRUE(fast.chainagesAscending);
        for (int i = 1; i <= n + 1; ++i) {
            ASSERT_EQ(fast.elemChainage[i], slow.elemChainage[i]);
            ASSERT_LT(angleGap(fast.elemStartBearing[i], slow.elemStartBearing[i]), 1e-12);
            worstChain = std::max({worstChain, std::fabs(fast.elemStartX[i] - slow.elemStartX[i]),
                                   std::fabs(fast.elemStartY[i] - slow.elemStartY[i])});
        }
        // Joints, both sides of them, inside elements, and beyond both ends,
        // on one prepared table: bisection against the scan, series against pow().
        std::vector<double> chainages;
        const double s = fast.elemChainage[1], e = fast.elemChainage[n + 1];
        for (int i = 1; i <= n + 1; ++i) {
            const double c = fast.elemChainage[i];
            chainages.insert(chainages.end(), {c, std::nextafter(c, -INFINITY), std::nextafter(c, INFINITY)});
        }
        for (int j = 0; j < 20; ++j) chainages.push_back(s - 50 + (e - s + 100) * unit(rng));
        Alignment scanned = fast;  // the same evaluator choosing its element by the scan
        scanned.chainagesAscending = false;
        for (const double c : chainages) {
            Point p, q, r;
            PointAtChainage(fast, c, p.x, p.y, p.b);
            literal::PointAtChainage(fast, c, q.x, q.y, q.b);
            PointAtChainage(scanned, c, r.x, r.y, r.b);
            ASSERT_TRUE(p.x == r.x && p.y == r.y && p.b == r.b) << "element choice differs at chainage " << c;
            worstPoint = std::max({worstPoint, std::fabs(p.x - q.x), std::fabs(p.y - q.y)});
            ASSERT_LT(std::fabs(p.b - q.b), 1e-12) << "chainage " << c;
        }
    }
    EXPECT_LT(worstChain, 1e-9);
    EXPECT_LT(worstPoint, 1e-9);
    std::cout << "chain: worst " << worstChain << " m, points: worst " << worstPoint << " m\n";
}

TEST(AlignmentRandom, FootOfPointIsPerpendicularAndMatchesTheLiteralSearch) {
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double worstFoot = 0, worstAgainstLiteral = 0;
    for (int k = 0; k < 1000; ++k) {
        Alignment al = randomAlignment(rng, 6);
        PrepareAlignment(al);
        const int n = al.elemCount;
        const double s = al.elemChainage[1], e = al.elemChainage[n + 1];
        const double c = s + (e - s) * unit(rng);
        const Point onRoad = at(al, c);
        // Within a few metres, where the sample bracket holds the foot.
        const double offset = (unit(rng) * 2 - 1) * 5;
        const double px = onRoad.x - offset * std::sin(onRoad.b), py = onRoad.y + offset * std::cos(onRoad.b);
        const FootOfPoint f = js_qzdzh(al, c - 1, c + 1, 0, 0, px, py);
        const FootOfPoint g = literal::js_qzdzh(al, c - 1, c + 1, 0, 0, px, py);
        const Point foot = at(al, f.ptzh);
        worstFoot = std::max(worstFoot, std::fabs((px - foot.x) * std::cos(foot.b) + (py - foot.y) * std::sin(foot.b)));
        worstAgainstLiteral = std::max(worstAgainstLiteral, std::fabs(f.ptzh - g.ptzh));
        EXPECT_NEAR(std::fabs(f.ptd), std::fabs(offset), 1e-6);
    }
    EXPECT_LT(worstFoot, 1e-4);  // national-grid coordinates, see FOOT_TOLERANCE
    EXPECT_LT(worstAgainstLiteral, 1e-4);
    std::cout << "foot: worst along-road miss " << worstFoot << " m, against the literal search "
              << worstAgainstLiteral << " m\n";
}

TEST(AlignmentRandom, LongRoadSamplesLikeTheLiteralCode) {
    Alignment al;
    testroads::loadLongAlignment(al);
    ASSERT_EQ(al.elemCount, testroads::LONG_ELEMENTS);
    EXPECT_NEAR(al.elemChainage[testroads::LONG_ELEMENTS + 1] - al.elemChainage[1], testroads::LONG_LENGTH, 1e-6);
    SampleTable fast, slow;
    buildSampleTable(al, fast);
    literal::buildSampleTable(al, slow);
    ASSERT_EQ(fast.sampleCount, slow.sampleCount);
    ASSERT_EQ(fast.sampleChainage, slow.sampleChainage);
    double worst = 0;
    for (std::size_t i = 0; i < fast.sampleX.size(); ++i)
        worst = std::max({worst, std::fabs(fast.sampleX[i] - slow.sampleX[i]), std::fabs(fast.sampleY[i] - slow.sampleY[i])});
    EXPECT_LT(worst, 1e-9);
}
