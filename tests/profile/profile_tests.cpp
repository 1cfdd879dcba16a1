// The grade-point table: the profile file, its preparation, and the design
// elevation and tangent grade, checked against worked and textbook cases and
// against the literal scan from grade point 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "profile/profile.h"
#include "stakes/stakes.h"
#include "support/chain_breaks.h"
#include "support/literal_profile.h"
#include "support/recording_sink.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "text/failures.h"
#include "text/messages.h"

using namespace gradix;
namespace fs = std::filesystem;

namespace {

// Worked results are decimal numbers that binary doubles hold only nearly:
// the formulas come out within a few units in the last place of values
// around 100 m, far inside this.
constexpr double NEAR_M = 1e-9;

// One grade point as written in a file: chainage, elevation, radius (m).
struct Point {
    double K, H, R;
};

// A prepared table of the given grade points.
Profile prepared(const std::vector<Point>& points) {
    Profile p;
    const int n = static_cast<int>(points.size());
    p.gradePointCount = static_cast<std::int16_t>(n);
    for (auto* a : {&p.gradePointChainage, &p.gradePointElevation, &p.curveRadius}) a->assign(n + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        p.gradePointChainage[i] = points[i - 1].K;
        p.gradePointElevation[i] = points[i - 1].H;
        p.curveRadius[i] = points[i - 1].R;
    }
    PrepareProfile(p);
    return p;
}

// The worked crest: grades +0.02 and -0.02 meeting at 200 under radius 2000.
const std::vector<Point> CREST = {{0, 100, 0}, {200, 104, 2000}, {400, 100, 0}};

const ChainBreakTable NO_BREAKS;
using gradix::testing::JUMP_AHEAD;
using gradix::testing::RecordingSink;
using gradix::testing::STEP_BACK;

// Each test reads its profile files from a folder of its own.
class ProfileFile : public ::testing::Test {
protected:
    std::string put(const std::string& text) { return dir_.writeNext(text, "road", ".zdm"); }
    ProfileRead read(const std::string& text, const ChainBreakTable& table = NO_BREAKS) {
        return readProfileFile(put(text), table, sink, profile);
    }
    // The failure of reading text, which must be a DataError.
    DataError failure(const std::string& text, const ChainBreakTable& table = NO_BREAKS) {
        const std::string path = put(text);
        try {
            readProfileFile(path, table, sink, profile);
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), path);
            return e;
        }
        ADD_FAILURE() << "no DataError for " << text;
        return DataError("none");
    }
    static std::string points(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += std::to_string(10 * i) + " " + std::to_string(100 + i % 7) + "\n";
        return text;
    }

    Profile profile;
    RecordingSink sink;
    gradix::testing::TempFolder dir_{"profile"};
};

// Outcome of one evaluation: the bits of the result, or a failure.
struct Outcome {
    bool failed;
    std::uint64_t bits;
    bool operator==(const Outcome&) const = default;
};
template <class F>
Outcome outcomeOf(F f) {
    try {
        return {false, std::bit_cast<std::uint64_t>(f())};
    } catch (const DataError&) {
        return {true, 0};
    }
}

}  // namespace

// ------------------------------------------------------------ profile file

TEST_F(ProfileFile, RadiusComesOnlyFromALineOfExactlyThreeFields) {
    ASSERT_EQ(read("0 100\n1000 100 5000\n2000 90 0\n3000 95\n4000 97 5000 x\n5000 99\n"), ProfileRead::Loaded);
    ASSERT_EQ(profile.gradePointCount, 6);
    EXPECT_EQ(profile.curveRadius[2], 5000.0);
    EXPECT_EQ(profile.curveRadius[3], 0.0);
    EXPECT_EQ(profile.curveRadius[4], 0.0);
    EXPECT_EQ(profile.curveRadius[5], 0.0);  // a fourth field drops the third
    EXPECT_EQ(profile.tangentLength[3], 0.0);
}

TEST_F(ProfileFile, TabsAndRunsOfSpacesSeparateLikeOneSpace) {
    ASSERT_EQ(read("  0\t  100\n1000      105 \t 3000\t\n2000\t\t100\n"), ProfileRead::Loaded);
    const Profile loose = profile;
    ASSERT_EQ(read("0 100\n1000 105 3000\n2000 100\n"), ProfileRead::Loaded);
    EXPECT_EQ(loose.gradePointChainage, profile.gradePointChainage);
    EXPECT_EQ(loose.gradePointElevation, profile.gradePointElevation);
    EXPECT_EQ(loose.curveRadius, profile.curveRadius);
}

TEST_F(ProfileFile, FirstEmptyLineEndsTheTable) {
    ASSERT_EQ(read("0 100\r\n1000 110\r\n \t \r\n2000 120\r\n3000\r\n"), ProfileRead::Loaded);
    EXPECT_EQ(profile.gradePointCount, 2);
    EXPECT_EQ(profile.gradePointChainage.size(), 3u);
}

TEST_F(ProfileFile, ElevationOfLettersReadsAsZeroWithoutMessage) {
    ASSERT_EQ(read("0 abc\n100 1.5m\n"), ProfileRead::Loaded);
    EXPECT_EQ(profile.gradePointElevation[1], 0.0);
    EXPECT_EQ(profile.gradePointElevation[2], 1.5);
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(ProfileFile, SingleFieldIsAFormatFailureKeepingTheLinesBefore) {
    const DataError e = failure("0 100\n200 104\n300\n400 100\n");
    EXPECT_STREQ(e.what(), FORMAT_TEXT);
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(profile.gradePointCount, 2);
    EXPECT_EQ(profile.gradePointElevation[2], 104.0);
    EXPECT_FALSE(profile.curveEndsAscending);
}

TEST_F(ProfileFile, StakeIsCheckedBeforeTheFormOfItsLine) {
    ASSERT_EQ(read("4000 100\n4150\n", JUMP_AHEAD), ProfileRead::StakeRefused);
    EXPECT_EQ(sink.events, (std::vector<std::string>{"activate", "数据有误|桩号4150不应存在4100和4180之间，请修改！"}));
    EXPECT_EQ(profile.gradePointCount, 1);
}

TEST_F(ProfileFile, RefusedStakeEndsTheReadingUnprepared) {
    ASSERT_EQ(read("2000 100\n2200 104 2000\n2400 100\n"), ProfileRead::Loaded);
    ASSERT_EQ(read("2000 100\n2320 101\n2400 102\n", STEP_BACK), ProfileRead::StakeRefused);
    EXPECT_EQ(sink.events.back(), "数据有误|程序不能判断桩号2320所属的断链区间，需添加断链标识A、B、C...");
    EXPECT_EQ(profile.gradePointCount, 1);
    EXPECT_FALSE(profile.curveEndsAscending);
}

TEST_F(ProfileFile, StretchLettersGiveContinuousChainages) {
    ASSERT_EQ(read("2000 100\nA2320 101\nB2320 102\n2400 103\n", STEP_BACK), ProfileRead::Loaded);
    EXPECT_EQ(profile.gradePointChainage, (std::vector<double>{0, 2000, 2320, 2370, 2450}));
    EXPECT_NEAR(DesignElevation(profile, dlstr_sj(STEP_BACK, "B2320")), 102.0, NEAR_M);
    EXPECT_NEAR(DesignElevation(profile, dlstr_sj(STEP_BACK, "B2310")), 101.8, NEAR_M);
    EXPECT_NEAR(DesignGrade(profile, 2360), 0.02, NEAR_M);
}

TEST_F(ProfileFile, TwoStakesOfOneChainageAreAFormatFailure) {
    // B2300 is where the break lies: chainage 2350, as A2350.
    const DataError e = failure("2000 100\nA2350 101\nB2300 102\n", STEP_BACK);
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(failure("0 100\n100 101\n100 102\n200 103\n").line(), 3);
}

TEST_F(ProfileFile, StretchLetterBeyondTheTableIsRefused) {
    EXPECT_EQ(read("0 100\nW100 101\n"), ProfileRead::StakeRefused);
    EXPECT_EQ(profile.gradePointCount, 1);
}

TEST_F(ProfileFile, TangentLengthWhereTheGradeDoesNotChangeIsAFormatFailure) {
    EXPECT_EQ(failure("0 100\n100 101 -50\n200 102\n").line(), 2);
}

TEST_F(ProfileFile, OverflowingGradeIsAFormatFailure) {
    EXPECT_EQ(failure("0 1e308\n1 -1e308\n").line(), 2);
}

TEST_F(ProfileFile, FileWithoutGradePointIsAFormatFailure) {
    EXPECT_EQ(failure("").line(), 1);
    EXPECT_EQ(failure("\n0 100\n100 101\n").line(), 1);
    EXPECT_EQ(profile.gradePointCount, 0);
    EXPECT_THROW(DesignElevation(profile, 0), DataError);
}

TEST_F(ProfileFile, SingleGradePointLoadsButAnswersOnlyBeforeIt) {
    ASSERT_EQ(read("0 100\n1000 120\n"), ProfileRead::Loaded);  // leaves a grade of 0.02 behind
    ASSERT_EQ(read("500 100 3000\n"), ProfileRead::Loaded);
    EXPECT_EQ(DesignElevation(profile, 400), 100.0);
    EXPECT_EQ(DesignGrade(profile, 400), 0.0);
    EXPECT_THROW(DesignElevation(profile, 500), DataError);
    EXPECT_THROW(DesignGrade(profile, 600), DataError);
    EXPECT_THROW(DesignAt(profile, 500), DataError);
}

TEST_F(ProfileFile, HoldsAtMost32767GradePoints) {
    ASSERT_EQ(read(points(MAX_GRADE_POINTS)), ProfileRead::Loaded);
    EXPECT_EQ(profile.gradePointCount, MAX_GRADE_POINTS);
    EXPECT_EQ(failure(points(MAX_GRADE_POINTS + 1)).line(), MAX_GRADE_POINTS + 1);
    EXPECT_EQ(profile.gradePointCount, MAX_GRADE_POINTS);
}

TEST_F(ProfileFile, UnreachableFilesKeepTheTable) {
    ASSERT_EQ(read("0 100\n200 104 2000\n400 100\n"), ProfileRead::Loaded);
    try {
        readProfileFile("", NO_BREAKS, sink, profile);
        ADD_FAILURE() << "an empty path was read";
    } catch (const FileAccessError& e) {
        EXPECT_STREQ(e.what(), CANCELLED_TEXT);
    }
    EXPECT_THROW(readProfileFile(dir_.file("nowhere.zdm"), NO_BREAKS, sink, profile), DataError);
    EXPECT_EQ(profile.gradePointCount, 3);
    EXPECT_NEAR(DesignElevation(profile, 180), 103.5, NEAR_M);
}

TEST_F(ProfileFile, ShorterFileReplacesTheTable) {
    ASSERT_EQ(read("0 100\n200 104 2000\n400 100\n600 90\n"), ProfileRead::Loaded);
    ASSERT_EQ(read("0 50\n100 51\n"), ProfileRead::Loaded);
    EXPECT_EQ(profile.gradePointCount, 2);
    EXPECT_EQ(profile.curveEndChainage, (std::vector<double>{0, 0, 100}));
    EXPECT_NEAR(DesignElevation(profile, 150), 51.5, NEAR_M);
}

// With a report: a radius lost on a line of four fields and data after the
// empty line that ends the table are noted; in check mode a refused line is
// a refusal, the next line is read and nothing is prepared.
TEST_F(ProfileFile, ReportNotesAndCheckModeRefusals) {
    const struct {
        const char* text;
        bool checkMode;
        std::vector<LineNote> notes, refusals;
        std::vector<long> entryLines;
    } cases[] = {
        {"0 100\n600 112 8000 ;变坡点1\n1200 106\n", false, {{2, "第2行有4个字段：竖曲线半径未读入"}}, {}, {1, 2, 3}},
        {"0 100\n600 112 ;变坡点 1\n1200 106 0 x\n", false, {}, {}, {1, 2, 3}},  // nothing lost: the third fields read 0
        {"0 100\r\r\n600 112\r\r\n1200 106\r\r\n", false, {{2, "第2行为空行，其后还有2行数据未读入"}}, {}, {1}},
        {"0 100\n600 112\n\n \t \n", false, {}, {}, {1, 2}},
        {"0 100\n650\nW700 101 3000\n600 112 8000\n4150 104\n1200 106\n", true, {},
         {{2, "该行只有一个字段；变坡点需要桩号和高程"}, {3, "桩号W700的断链标识不存在，请修改！"},
          {5, "桩号4150不应存在4100和4180之间，请修改！"}},
         {1, 4, 6}},
    };
    for (const auto& c : cases) {
        ReadReport report;
        report.checkMode = c.checkMode;
        ASSERT_EQ(readProfileFile(put(c.text), JUMP_AHEAD, sink, profile, &report), ProfileRead::Loaded) << c.text;
        EXPECT_EQ(report.notes, c.notes) << c.text;
        EXPECT_EQ(report.refusals, c.refusals) << c.text;
        EXPECT_EQ(report.entryLines, c.entryLines) << c.text;
        EXPECT_EQ(profile.gradePointCount, static_cast<int>(c.entryLines.size())) << c.text;
        EXPECT_EQ(profile.curveEndsAscending, !c.checkMode) << c.text;  // prepared unless checking
    }
    EXPECT_TRUE(sink.events.empty());  // check mode shows no stake message
}

TEST_F(ProfileFile, FileOfAnotherKindIsRefusedWithItsOption) {
    const DataError e = failure("0\n3345678.123,512345.678,0.6\n1,400\n");
    EXPECT_EQ(e.reason(), msg::IS_ICD_FILE);
    EXPECT_EQ(e.line(), 0);
    EXPECT_TRUE(sink.events.empty());
}

// -------------------------------------------------------- PrepareProfile

TEST(PrepareProfile, WorkedCrestCurve) {
    const Profile p = prepared(CREST);
    EXPECT_NEAR(p.segmentGrade[1], 0.02, 1e-15);
    EXPECT_NEAR(p.segmentGrade[2], -0.02, 1e-15);
    EXPECT_EQ(p.gradeChange, (std::vector<double>{0, 0, p.segmentGrade[2] - p.segmentGrade[1], 0}));
    EXPECT_NEAR(p.tangentLength[2], 40.0, NEAR_M);
    EXPECT_EQ(p.tangentLength[1], 0.0);
    EXPECT_EQ(p.tangentLength[3], 0.0);
    EXPECT_EQ(p.curveEndChainage[1], 0.0);
    EXPECT_NEAR(p.curveEndChainage[2], 240.0, NEAR_M);
    EXPECT_EQ(p.curveEndChainage[3], 400.0);
    EXPECT_TRUE(p.curveEndsAscending);
}

TEST(PrepareProfile, TangentLengthBecomesTheEquivalentRadius) {
    // Grades +0.02 then -0.02: change -0.04; -80 asks for T = 80 m.
    const Profile p = prepared({{0, 100, 0}, {1000, 120, -80}, {2000, 100, 0}});
    EXPECT_NEAR(p.gradeChange[2], -0.04, 1e-15);
    EXPECT_NEAR(p.curveRadius[2], 4000.0, NEAR_M);
    EXPECT_NEAR(p.tangentLength[2], 80.0, NEAR_M);
}

TEST(PrepareProfile, RadiiAtTheEndsAreIgnored) {
    const Profile p = prepared({{0, 100, 5000}, {100, 102, -30}});
    EXPECT_EQ(p.tangentLength, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(p.curveEndChainage, (std::vector<double>{0, 0, 100}));
    EXPECT_NEAR(DesignGrade(p, 0), 0.02, 1e-15);
    EXPECT_NEAR(DesignElevation(p, 100), 102.0, NEAR_M);
}

TEST(PrepareProfile, OverlappingCurvesAreScannedFromTheFirstPoint) {
    // T(2) = 0.04 * 5000 / 2 = 100 reaches past the curve end at point 3.
    const Profile p = prepared({{0, 100, 0}, {100, 102, 5000}, {150, 101, 100}, {300, 104, 0}});
    EXPECT_FALSE(p.curveEndsAscending);
    for (double x = 0; x <= 300; x += 2.5) {
        EXPECT_EQ(DesignElevation(p, x), literal::DesignElevation(p, x)) << x;
        EXPECT_EQ(DesignGrade(p, x), literal::DesignGrade(p, x)) << x;
    }
}

// ------------------------------------------ design elevation and grade

TEST(DesignElevation, WorkedCrestCurve) {
    const Profile p = prepared(CREST);
    EXPECT_NEAR(DesignElevation(p, 180), 103.5, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, 180), 0.01, 1e-15);
    EXPECT_NEAR(DesignElevation(p, 200), 103.6, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, 200), 0.0, 1e-15);
    // The curve meets the grade lines at its start and end.
    EXPECT_NEAR(DesignElevation(p, 160), 103.2, NEAR_M);
    EXPECT_NEAR(DesignElevation(p, 240), 103.2, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, 240), -0.02, 1e-15);
}

TEST(DesignElevation, EndsOfTheProfileAndBeyond) {
    const Profile p = prepared(CREST);
    EXPECT_EQ(DesignElevation(p, 0), 100.0);
    EXPECT_NEAR(DesignGrade(p, 0), 0.02, 1e-15);
    EXPECT_NEAR(DesignElevation(p, 400), 100.0, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, 400), -0.02, 1e-15);
    EXPECT_NEAR(DesignElevation(p, -50), 99.0, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, -50), 0.02, 1e-15);
    EXPECT_NEAR(DesignElevation(p, 450), 99.0, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, 1e6), -0.02, 1e-15);
}

TEST(DesignElevation, GradePointOnACurveLiesOffItsTangentPoint) {
    // Crest at 200 (T 40, R 2000) and sag at 600 (T 60, R 6000).
    const Profile p = prepared({{0, 100, 0}, {200, 104, 2000}, {600, 96, 6000}, {1000, 96, 0}});
    EXPECT_NEAR(DesignElevation(p, 200), 104.0 - 40.0 * 40.0 / 4000.0, NEAR_M);
    EXPECT_NEAR(DesignElevation(p, 600), 96.0 + 60.0 * 60.0 / 12000.0, NEAR_M);
    EXPECT_NEAR(DesignGrade(p, 600), (-0.02 + 0.0) / 2, 1e-15);
    EXPECT_NEAR(DesignGrade(p, 660), 0.0, 1e-15);
}

TEST(DesignElevation, ZeroRadiusIsASharpBreak) {
    const Profile p = prepared({{0, 100, 0}, {200, 104, 0}, {400, 100, 0}});
    EXPECT_NEAR(DesignGrade(p, std::nextafter(200.0, 0.0)), 0.02, 1e-15);
    EXPECT_NEAR(DesignGrade(p, 200), -0.02, 1e-15);
    EXPECT_NEAR(DesignElevation(p, 200), 104.0, NEAR_M);
}

TEST(DesignElevation, CurveStartBelongsToTheCurve) {
    const Profile p = prepared(CREST);
    const double start = p.gradePointChainage[2] - p.tangentLength[2];
    const double below = std::nextafter(start, 0.0);
    EXPECT_NEAR(DesignElevation(p, start), DesignElevation(p, below), 1e-12);
    EXPECT_EQ(DesignGrade(p, start), p.segmentGrade[1]);  // the curve's own formula at its start
}

TEST(DesignElevation, NonFiniteChainageOrEmptyTableIsAFormatFailure) {
    const Profile p = prepared(CREST);
    EXPECT_THROW(DesignElevation(p, std::numeric_limits<double>::quiet_NaN()), DataError);
    EXPECT_THROW(DesignGrade(p, std::numeric_limits<double>::infinity()), DataError);
    const Profile steep = prepared({{0, 0, 0}, {1, 10, 0}});
    EXPECT_THROW(DesignElevation(steep, 1e308), DataError);  // the grade line overflows
    EXPECT_EQ(DesignGrade(steep, 1e308), 10.0);
    EXPECT_THROW(DesignAt(Profile{}, 0), DataError);
}

// Published vertical-curve answers: each row is one curve between two grade
// lines, evaluated at a query station. Curves without a radius are entered by
// their tangent length (half the curve length) as a negative radius.
TEST(DesignElevation, TextbookVerticalCurves) {
    const fs::path file = fs::path(GRADIX_SHARED_DATA) / "worked-examples" / "vertical_curve_examples.csv";
    GRADIX_NEED(fs::exists(file), "third-party worked examples not present: " << file);
    std::ifstream in(file);
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') continue;
        // source,pvi_station,pvi_elev,g1_pct,g2_pct,L,R,query_station,expected_elev,expected_grade_pct,note
        std::vector<std::string> f;
        std::string field;
        bool quoted = false;
        for (const char c : line) {
            if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) f.push_back(std::exchange(field, {}));
            else field += c;
        }
        f.push_back(field);
        ASSERT_GE(f.size(), 10u) << line;
        const auto num = [](const std::string& s) { return std::stod(s); };
        // The published figures are rounded to the digits printed: half a
        // unit of the last one, plus the double arithmetic's own few ulps.
        const auto tolerance = [](const std::string& s) {
            const std::size_t point = s.find('.');
            const int decimals = point == std::string::npos ? 0 : static_cast<int>(s.size() - point - 1);
            return 0.5 * std::pow(10.0, -decimals) + NEAR_M;
        };
        const double station = num(f[1]), elevation = num(f[2]), g1 = num(f[3]) / 100, g2 = num(f[4]) / 100;
        const double length = num(f[5]);
        const double radius = f[6].empty() ? -length / 2 : num(f[6]);
        const Profile p = prepared({{station - length, elevation - g1 * length, 0},
                                    {station, elevation, radius},
                                    {station + length, elevation + g2 * length, 0}});
        EXPECT_NEAR(p.tangentLength[2], length / 2, NEAR_M) << line;
        const double x = num(f[7]);
        EXPECT_NEAR(DesignElevation(p, x), num(f[8]), tolerance(f[8])) << line;
        if (!f[9].empty()) {
            EXPECT_NEAR(100 * DesignGrade(p, x), num(f[9]), tolerance(f[9])) << line;
        }
        ++rows;
    }
    EXPECT_GE(rows, 10);
}

// ------------------------------------- bisection against the literal scan

namespace {

enum class Kind { Dyadic, Real, Overlapping, Raw };

// A random table. Dyadic tables hold binary fractions, so that curve ends
// meet exactly (equal E values, E(i) = S(i+1)); Overlapping ones have radii
// large enough for curves to run into each other; Raw ones are arbitrary
// arrays, not prepared, including negative tangent lengths.
Profile randomProfile(std::mt19937_64& rng, Kind kind) {
    const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const auto integer = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    const int n = integer(0, 9) == 0 ? integer(1, 3) : integer(2, 40);
    std::vector<double> steps(n);
    for (double& step : steps) step = kind == Kind::Dyadic ? 16.0 * integer(1, 8) : uniform(0.5, 300);
    std::vector<Point> pts;
    double K = kind == Kind::Dyadic ? 8.0 * integer(-100, 100) : uniform(-1000, 1000);
    double H = kind == Kind::Dyadic ? integer(-512, 512) / 8.0 : uniform(-100, 300);
    for (int i = 1; i <= n; ++i) {
        double R = 0;
        switch (integer(0, 3)) {
            case 0: break;
            case 1: R = kind == Kind::Dyadic ? 64.0 * integer(1, 8) : uniform(100, 20000); break;
            case 2:
                // Dyadic tangent lengths often reach exactly to a neighbour.
                R = kind == Kind::Dyadic ? -steps[i - 1] / integer(1, 2) : -uniform(1, 150);
                break;
            default: R = kind == Kind::Overlapping ? uniform(1e4, 1e6) : 0.0; break;
        }
        pts.push_back({K, H, R});
        K += steps[i - 1];
        H += kind == Kind::Dyadic ? steps[i - 1] * integer(-8, 8) / 64.0 : steps[i - 1] * uniform(-0.06, 0.06);
    }
    if (kind != Kind::Raw) return prepared(pts);

    Profile p;
    p.gradePointCount = static_cast<std::int16_t>(n);
    for (auto* a : {&p.gradePointChainage, &p.gradePointElevation, &p.curveRadius, &p.segmentGrade, &p.gradeChange,
                    &p.tangentLength, &p.curveEndChainage})
        a->assign(n + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        p.gradePointChainage[i] = pts[i - 1].K;
        p.gradePointElevation[i] = pts[i - 1].H;
        p.curveRadius[i] = std::fabs(pts[i - 1].R);
        p.segmentGrade[i] = uniform(-0.05, 0.05);
        p.gradeChange[i] = integer(-1, 1) * uniform(0, 0.05);
        p.tangentLength[i] = uniform(-20, 60);
        p.curveEndChainage[i] = pts[i - 1].K + (integer(0, 1) ? std::fabs(p.tangentLength[i]) : uniform(-50, 50));
    }
    indexCurveEnds(p);
    return p;
}

// Chainages worth asking: every K, S and E, their neighbouring doubles,
// points beyond both ends and some anywhere.
std::vector<double> probes(const Profile& p, std::mt19937_64& rng) {
    std::vector<double> xs;
    const int n = p.gradePointCount;
    for (int i = 1; i <= n; ++i)
        for (const double x : {p.gradePointChainage[i], p.gradePointChainage[i] - p.tangentLength[i],
                               p.curveEndChainage[i]}) {
            xs.push_back(x);
            xs.push_back(std::nextafter(x, -HUGE_VAL));
            xs.push_back(std::nextafter(x, HUGE_VAL));
        }
    const double first = p.gradePointChainage[1], last = p.gradePointChainage[n];
    std::uniform_real_distribution<double> anywhere(first - 100, last + 100);
    for (int k = 0; k < 20; ++k) xs.push_back(anywhere(rng));
    return xs;
}

}  // namespace

TEST(FastEvaluator, SameBitsAsTheLiteralScan) {
    std::mt19937_64 rng(20240607);
    constexpr int PROFILES_PER_KIND = 1500;
    int bisected = 0, scanned = 0, ties = 0, failures = 0, mismatches = 0;
    long probesDone = 0;
    std::string first;
    for (const Kind kind : {Kind::Dyadic, Kind::Real, Kind::Overlapping, Kind::Raw}) {
        for (int k = 0; k < PROFILES_PER_KIND; ++k) {
            Profile p;
            try {
                p = randomProfile(rng, kind);
            } catch (const DataError&) {
                continue;  // a tangent length where the grade does not change
            }
            const int n = p.gradePointCount;
            (p.curveEndsAscending ? bisected : scanned)++;
            // Ties: equal curve ends, or a curve ending where the next begins.
            for (int i = 1; i < n; ++i)
                if (p.curveEndsAscending &&
                    (p.curveEndChainage[i] == p.curveEndChainage[i + 1] ||
                     p.curveEndChainage[i] == p.gradePointChainage[i + 1] - p.tangentLength[i + 1]))
                    ++ties;
            for (const double x : probes(p, rng)) {
                ++probesDone;
                const Outcome e = outcomeOf([&] { return DesignElevation(p, x); });
                const Outcome g = outcomeOf([&] { return DesignGrade(p, x); });
                const Outcome le = outcomeOf([&] { return literal::DesignElevation(p, x); });
                const Outcome lg = outcomeOf([&] { return literal::DesignGrade(p, x); });
                const Outcome ae = outcomeOf([&] { return DesignAt(p, x).elevation; });
                const Outcome ag = outcomeOf([&] { return DesignAt(p, x).grade; });
                failures += le.failed;
                const bool both = !le.failed && !lg.failed;
                if (e != le || g != lg || (both && (ae != le || ag != lg)) || (!both && !ae.failed)) {
                    if (mismatches++ == 0) {
                        std::ostringstream o;
                        o.precision(17);
                        o << "kind " << static_cast<int>(kind) << ", profile " << k << ", n " << n << ", x " << x;
                        first = o.str();
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "first at " << first;
    // The comparison reaches what it is meant to cover.
    EXPECT_GT(bisected, 1000);
    EXPECT_GT(scanned, 500);
    EXPECT_GT(ties, 1000);
    EXPECT_GT(failures, 0);
    EXPECT_GT(probesDone, 500000);
}

TEST(FastEvaluator, EqualCurveEndsTakeTheLastOfThem) {
    // Grades 1/64, -1/64, 1/64 (exact in binary): the curve at 128 with
    // tangent length 64 ends at 192, where point 3 breaks sharply, so
    // E(2) = E(3) = 192.
    const Profile p = prepared({{0, 100, 0}, {128, 102, -64}, {192, 101, 0}, {320, 103, 0}});
    ASSERT_TRUE(p.curveEndsAscending);
    ASSERT_EQ(p.curveEndChainage[2], 192.0);
    ASSERT_EQ(p.curveEndChainage[3], 192.0);
    for (const double x : {32.0, 64.0, 128.0, std::nextafter(192.0, 0.0), 192.0, 320.0}) {
        EXPECT_EQ(DesignElevation(p, x), literal::DesignElevation(p, x)) << x;
        EXPECT_EQ(DesignGrade(p, x), literal::DesignGrade(p, x)) << x;
    }
    EXPECT_EQ(DesignGrade(p, 192), 1.0 / 64);
    EXPECT_EQ(DesignElevation(p, 192), 101.0);
}
