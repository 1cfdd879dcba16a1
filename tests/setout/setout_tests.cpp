// Setting out on the example project: side stakes located back, the stake
// table's main points and chain breaks, the vertical-curve table against the
// hand-checked curve, the survey-point file, and the three file forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <unistd.h>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "setout/curvestable.h"
#include "setout/side_points.h"
#include "setout/stakestable.h"
#include "setout/subgradetable.h"
#include "setout/surveypoints.h"
#include "setout/table.h"
#include "stakes/chainbreaks.h"
#include "support/recording_sink.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

using namespace gradix;
namespace fs = std::filesystem;

namespace {

std::string example(const char* name) { return (fs::path(GRADIX_EXAMPLES) / name).string(); }

// The example road in alignment mode, with its continuous-chainage profile.
struct ExampleRoad : ::testing::Test {
    void SetUp() override {
        ChainBreakTable none;
        dqicd(example("road.icd"), road, none, 4.0 * std::atan(1.0));
        buildSampleTable(road, samples);
        ASSERT_EQ(readProfileFile(example("road-icd.zdm"), none, sink, profile), ProfileRead::Loaded);
        dir = fs::temp_directory_path() / ("gradix-setout-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string put(const std::string& name, const std::string& text) {
        const std::string p = (dir / name).string();
        writeFileAtomically(p, text);
        return p;
    }
    Alignment road;
    SampleTable samples;
    Profile profile;
    ChainBreakTable noBreaks;
    gradix::testing::RecordingSink sink;
    fs::path dir;
};

std::vector<std::string> split(const std::string& line, char by) {
    std::vector<std::string> f(1);
    for (char c : line) {
        if (c == by)
            f.emplace_back();
        else
            f.back() += c;
    }
    return f;
}

}  // namespace

// Side points located back at the start, middle and end of every element
// of the example road: line, arc, entering and exit spiral, spiral to spiral.
TEST_F(ExampleRoad, SidePointsLocateBackToTheirChainageAndOffset) {
    // Due north, 5 m to the right is 5 m east.
    const PlanePoint east = sidePoint(100.0, 200.0, 0.0, 5.0);
    EXPECT_DOUBLE_EQ(east.x, 100.0);
    EXPECT_DOUBLE_EQ(east.y, 205.0);
    std::set<ElementKind> kinds;
    std::vector<SidePlace> places;
    for (int i = 1; i <= road.elemCount; ++i) {
        kinds.insert(elementKind(road.elemStartRadius[i], road.elemEndRadius[i]));
        for (double share : {0.02, 0.5, 0.98})
            places.push_back({road.elemChainage[i] + share * road.elemLength[i], "element " + std::to_string(i)});
    }
    EXPECT_EQ(kinds.size(), 5u);
    expectSidePointsLocateBack(road, samples, noBreaks, places);
}

// Notes, stake, design and DZ of located points.
TEST_F(ExampleRoad, LocatedPointsCarryDesignAndNotes) {
    double x = 0, y = 0, b = 0;
    PointAtChainage(road, 1200.0, x, y, b);
    const PlanePoint left = sidePoint(x, y, b, -12.0);
    const LocatedPoint p = locateSurveyPoint(road, samples, noBreaks, &profile, {"A1", left.x, left.y, 107.0, 1}, 100);
    EXPECT_EQ(p.stake, "K1+200.000");
    EXPECT_NEAR(p.chainage.value_or(NAN), 1200.0, ROUND_TRIP_TOLERANCE);
    ASSERT_TRUE(p.elevation && p.grade && p.dz);
    EXPECT_NEAR(*p.elevation, 106.7260, 5e-5);  // the README's annotation at K1+200
    EXPECT_NEAR(*p.dz, 107.0 - *p.elevation, 1e-12);
    EXPECT_EQ(p.note, "");
    // A far point keeps its foot but gets no design, nor a DZ from it.
    const PlanePoint far = sidePoint(x, y, b, 150.0);
    const LocatedPoint farAway = locateSurveyPoint(road, samples, noBreaks, &profile, {"F", far.x, far.y, 1.0, 1}, 100);
    EXPECT_EQ(farAway.note, "far");
    EXPECT_EQ(farAway.stake, "K1+200.000");
    EXPECT_FALSE(farAway.elevation || farAway.grade || farAway.dz);
    const LocatedPoint within = locateSurveyPoint(road, samples, noBreaks, &profile, {"F", far.x, far.y, 1.0, 1}, 200);
    EXPECT_EQ(within.note, "");
    EXPECT_TRUE(within.elevation && within.dz);
    // Beyond the ends along the tangents: only the note.
    const double end = road.elemChainage[road.elemCount + 1];
    for (const auto& [chainage, note] : {std::pair{-50.0, "before-start"}, std::pair{end + 50.0, "beyond-end"}}) {
        PointAtChainage(road, chainage, x, y, b);
        const LocatedPoint past = locateSurveyPoint(road, samples, noBreaks, &profile, {"E", x, y, 1.0, 1}, 100);
        EXPECT_EQ(past.note, note);
        EXPECT_FALSE(past.stake || past.chainage || past.offset || past.elevation || past.grade || past.dz) << note;
    }
}

// The point file: separators, comments, blank lines, an optional Z, GB18030
// names; a bad line fails with its line number unless reading goes on.
TEST_F(ExampleRoad, SurveyPointFileReadsEveryLineOrNamesTheBadOne) {
    const std::string good = put("good.txt",
                                 "# survey of 2026-12-08\n"
                                 "P1 3345900.5 512500.25\n"
                                 "\n"
                                 "P2\t3345901,512501,108.5   # with height\n"
                                 "\xB2\xE2\xB5\xE3 1 2 3\n");  // 测点 in GB18030
    const SurveyPointFile f = readSurveyPoints(good, false);
    ASSERT_EQ(f.points.size(), 3u);
    EXPECT_EQ(f.points[0].name, "P1");
    EXPECT_DOUBLE_EQ(f.points[0].y, 512500.25);
    EXPECT_FALSE(f.points[0].z);
    EXPECT_EQ(f.points[1].line, 4);
    EXPECT_DOUBLE_EQ(*f.points[1].z, 108.5);
    EXPECT_EQ(f.points[2].name, "测点");

    struct Bad {
        const char* line;
        std::string reason;
    };
    const Bad bad[] = {{"P1 1", msg::pointFieldCount(2)},
                       {"P1 1 2 tall 4", msg::coordinateNotNumber("Z", "tall")},
                       {"P1 1 north", msg::coordinateNotNumber("Y", "north")},
                       {"P1 1 2 nan", msg::coordinateNotNumber("Z", "nan")},
                       {"P1 1e999 2", msg::coordinateNotNumber("X", "1e999")}};
    for (const Bad& b : bad) {
        const std::string path = put("bad.txt", std::string("P0 1 2\n") + b.line + "\nP3 5 6\n");
        try {
            readSurveyPoints(path, false);
            ADD_FAILURE() << b.line;
        } catch (const DataError& e) {
            EXPECT_EQ(e.detail(), msg::located(path, 2, b.reason));
        }
        const SurveyPointFile going = readSurveyPoints(path, true);
        EXPECT_EQ(going.points.size(), 2u) << b.line;
        ASSERT_EQ(going.skipped.size(), 1u) << b.line;
        EXPECT_EQ(going.skipped[0].line(), 2);
    }
    EXPECT_THROW(readSurveyPoints("", false), FileAccessError);
    EXPECT_THROW(readSurveyPoints((dir / "missing.txt").string(), false), DataError);
}

// The two layouts of a point file: NAME X Y [Z [DESCRIPTION]], and CASS
// coordinate data (east before north, the code as the description) told by
// the file's name or by a first line only CASS has; the description column of
// the located points appears when a point has one.
TEST_F(ExampleRoad, PointFileLayoutsAndDescriptions) {
    const struct {
        const char* file;
        const char* text;
        bool cass;
        std::optional<double> z;
        const char* description;
    } cases[] = {
        {"d.txt", "P1 3345900 512500 108.5 路中 左侧\n", false, 108.5, "路中 左侧"},
        {"d.txt", "P1,3345900,512500,108.5,桩位\n", false, 108.5, "桩位"},
        {"c.dat", "P1,,512500,3345900,108.5\n", true, 108.5, ""},
        {"c.DAT", "P1,KZD,512500,3345900,\n", true, std::nullopt, "KZD"},
        {"c.txt", "# CASS\nP1,,512500,3345900,108.5\n", true, 108.5, ""},
        {"c.txt", "P1, KZD ,512500 ,3345900,108.5\n", true, 108.5, "KZD"},
    };
    for (const auto& c : cases) {
        const SurveyPointFile f = readSurveyPoints(put(c.file, c.text), false);
        EXPECT_EQ(f.cass, c.cass) << c.text;
        ASSERT_EQ(f.points.size(), 1u) << c.text;
        EXPECT_EQ(f.points[0].x, 3345900.0) << c.text;  // north
        EXPECT_EQ(f.points[0].y, 512500.0) << c.text;   // east
        EXPECT_EQ(f.points[0].z, c.z) << c.text;
        EXPECT_EQ(f.points[0].description, c.description) << c.text;
    }
    const std::string bad = put("bad.dat", "P0,,1,2,3\nP1,,512500\n");
    try {
        readSurveyPoints(bad, false);
        ADD_FAILURE() << "a CASS line of three fields";
    } catch (const DataError& e) {
        EXPECT_EQ(e.detail(), msg::located(bad, 2, msg::cassFieldCount(3)));
    }
    const auto headers = [&](const std::string& description) {
        LocatedPoint p{"P", "K0+100.000", 100.0, 1.0, {}, {}, {}, "", description};
        std::string all;
        for (const Column& column : locatedPointColumns({p}).columns) all += column.header + " ";
        return all;
    };
    EXPECT_EQ(headers(""), "点名 桩号 里程(m) 偏距(m) 中线设计高程(m) 纵坡(%) 高差(m) 备注 ");
    EXPECT_EQ(headers("路中"), "点名 桩号 里程(m) 偏距(m) 中线设计高程(m) 纵坡(%) 高差(m) 备注 说明 ");
}

// Main points of the first two curves and both sides of the chain breaks of
// road.dl laid over the road, every 100 m from 1400 to 2400 and 4100 to 4200.
TEST_F(ExampleRoad, StakeTableHasMainPointsAndBothSidesOfEveryBreak) {
    ChainBreakTable breaks;
    readChainBreakFile(example("road.dl"), breaks);
    StakeTableOptions o;
    o.every = 100;
    const auto names = [&](double from, double to) {
        o.fromChainage = from;
        o.toChainage = to;
        std::string s;
        const std::vector<StakeRow> rows = *stakeTable(road, breaks, nullptr, o);
        for (const StakeRow& r : rows)
            s += formatStake(breaks, r.stake) + (r.mainPoint.empty() ? "" : " " + r.mainPoint) + "; ";
        return s;
    };
    EXPECT_EQ(names(0, 1000),
              "AK0+000.000 QD; AK0+100.000; AK0+200.000; AK0+300.000; AK0+400.000 ZH; AK0+500.000 HY; "
              "AK0+600.000; AK0+675.000 QZ; AK0+700.000; AK0+800.000; AK0+850.000 YH; AK0+900.000; "
              "AK0+950.000 HZ; AK1+000.000; ");
    EXPECT_EQ(names(1400, 2400),
              "AK1+400.000; AK1+450.000 ZH; AK1+500.000; AK1+550.000 HY; AK1+600.000; AK1+650.000 QZ; AK1+700.000; "
              "AK1+750.000 YH; AK1+800.000 HY; AK1+900.000; AK1+950.000 QZ; AK2+000.000; AK2+100.000 YH; "
              "AK2+198.000 HZ; AK2+200.000; AK2+300.000; AK2+350.000 断链; BK2+300.000 断链; ");
    // The stakes between 4100 and 4180 do not exist; 4200 is 20 m after the break.
    EXPECT_EQ(names(4100, 4200), "BK4+100.000 断链; CK4+180.000 断链; CK4+200.000; ");
    o.fromChainage = 4100;
    const std::vector<StakeRow> rows = *stakeTable(road, breaks, nullptr, o);
    EXPECT_DOUBLE_EQ(rows.back().chainage, 4170.0);
    // Without breaks the stakes carry no letter; the end is the last row.
    o.fromChainage.reset();
    o.toChainage.reset();
    const std::vector<StakeRow> all = *stakeTable(road, noBreaks, nullptr, o);
    EXPECT_EQ(formatStake(noBreaks, all.back().stake), "K5+170.000");
    EXPECT_EQ(all.back().mainPoint, "ZD");
    // A cancelled run gives nothing.
    EXPECT_FALSE(stakeTable(road, noBreaks, nullptr, o, [](std::size_t, std::size_t) { return false; }));
    o.every = 0;
    EXPECT_THROW(stakeTable(road, noBreaks, nullptr, o), DataError);
}

// The kinds of joint the standard names do not cover.
TEST(JointNames, EveryPairOfKinds) {
    using K = ElementKind;
    EXPECT_EQ(jointName(K::Line, K::EnteringSpiral), "ZH");
    EXPECT_EQ(jointName(K::Line, K::Arc), "ZY");
    EXPECT_EQ(jointName(K::Arc, K::Line), "YZ");
    EXPECT_EQ(jointName(K::ExitSpiral, K::Line), "HZ");
    EXPECT_EQ(jointName(K::Arc, K::Arc), "GQ");
    EXPECT_EQ(jointName(K::PartialSpiral, K::Arc), "HY");
    EXPECT_EQ(jointName(K::Arc, K::PartialSpiral), "YH");
    EXPECT_EQ(jointName(K::ExitSpiral, K::EnteringSpiral), "HH");
    EXPECT_EQ(jointName(K::Line, K::Line), "");
}

// The crest at 600 of the example profile, checked by hand: R 8000, grades
// 12/600 = 2 % in and -6/600 = -1 % out, T = 8000 × 0.03 / 2 = 120,
// E = 120² / 16000 = 0.9; the last curve given by its tangent length 80.
TEST_F(ExampleRoad, CurveTableOfTheExampleProfile) {
    const std::vector<CurveRow> rows = verticalCurveTable(profile, noBreaks);
    ASSERT_EQ(rows.size(), 8u);
    const CurveRow& crest = rows[1];
    EXPECT_EQ(formatStake(noBreaks, crest.stake), "K0+600.000");
    EXPECT_DOUBLE_EQ(*crest.radius, 8000);
    EXPECT_NEAR(*crest.tangent, 120, 1e-9);
    EXPECT_NEAR(*crest.external, 0.9, 1e-12);
    EXPECT_NEAR(*crest.gradeIn, 0.02, 1e-15);
    EXPECT_NEAR(*crest.gradeOut, -0.01, 1e-15);
    EXPECT_EQ(formatStake(noBreaks, *crest.curveStart), "K0+480.000");
    EXPECT_EQ(formatStake(noBreaks, *crest.curveEnd), "K0+720.000");
    EXPECT_EQ(crest.kind, "凸");
    EXPECT_DOUBLE_EQ(*crest.slopeLength, 600);
    EXPECT_EQ(rows[6].kind, "凹");
    EXPECT_NEAR(*rows[6].tangent, 80, 1e-9);
    EXPECT_FALSE(rows.front().radius || rows.front().gradeIn);
    EXPECT_FALSE(rows.back().radius || rows.back().gradeOut || rows.back().slopeLength);
}

// The three forms of one stake table (with side stakes and the profile): the
// xlsx read back by openpyxl holds exactly the numbers of the tsv, with the
// Chinese header frozen and display formats; the csv starts with the
// byte-order mark and the header and ends its lines with CR LF.
TEST_F(ExampleRoad, TsvCsvAndXlsxHoldTheSameTable) {
    StakeTableOptions o;
    o.every = 50;
    o.offsets = {-7.5, 12.25};
    const std::vector<StakeRow> rows = *stakeTable(road, noBreaks, &profile, o);
    const Table table = stakeTableColumns(rows, noBreaks, o.offsets, true);
    ASSERT_EQ(table.columns.size(), 12u);
    const std::vector<std::string> tsv = splitLines(tsvText(table));
    ASSERT_EQ(tsv.size(), rows.size());

    const std::string csv = csvText(table);
    ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    const std::string header =
        "桩号,里程(m),X(m),Y(m),方位角,边桩左7.5 X(m),边桩左7.5 Y(m),边桩右12.25 X(m),边桩右12.25 Y(m),"
        "设计高程(m),纵坡(%),主点\r\n";
    EXPECT_EQ(csv.substr(3, header.size()), header);
    const std::vector<std::string> csvLines = splitLines(csv.substr(3));
    EXPECT_EQ(csvLines.size(), rows.size() + 1);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), std::count(csv.begin(), csv.end(), '\r'));
    // K0+000: 0.6 rad is 34°22′38.87″; elevation 100 and grade 2 % at the start.
    EXPECT_EQ(csvLines[1], "K0+000.000,0.000,3345678.123,512345.678,34°22′38.88″,3345682.358,512339.488,"
                           "3345671.206,512355.788,100.0000,2.0000,QD");

    const std::string xlsx = (dir / "table.xlsx").string();
    writeXlsx(table, xlsx);
    const std::string listing = (dir / "cells.txt").string();
    ASSERT_EQ(std::system(("/usr/bin/python3 " GRADIX_XLSX_READER " '" + xlsx + "' > '" + listing + "'").c_str()), 0);
    const std::vector<std::string> cells = splitLines(readFileBytes(listing));
    ASSERT_EQ(cells.size(), rows.size() + 3);
    EXPECT_EQ(cells[0], "A2");
    EXPECT_EQ(cells[1], "General\t0.000\t0.000\t0.000\tGeneral\t0.000\t0.000\t0.000\t0.000\t0.0000\t0.0000%\tGeneral");
    std::string tabbedHeader = header.substr(0, header.size() - 2);
    std::replace(tabbedHeader.begin(), tabbedHeader.end(), ',', '\t');
    EXPECT_EQ(cells[2], tabbedHeader);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::vector<std::string> want = split(tsv[r], '\t'), got = split(cells[r + 3], '\t');
        ASSERT_EQ(got.size(), want.size()) << cells[r + 3];
        for (std::size_t c = 0; c < want.size(); ++c) {
            if (table.columns[c].kind == ColumnKind::Bearing) {
                EXPECT_EQ(got[c], bearingDms(*parseStrictNumber(want[c])));
            } else if (table.columns[c].kind == ColumnKind::Text || want[c].empty()) {
                EXPECT_EQ(got[c], want[c]);
            } else {
                EXPECT_EQ(parseStrictNumber(got[c]), parseStrictNumber(want[c])) << "row " << r << " column " << c;
            }
        }
    }
}

// Degrees, minutes and seconds carry when the seconds round up to 60.
TEST(BearingDms, RoundsOnceAndCarries) {
    const double pi = 4.0 * std::atan(1.0);
    EXPECT_EQ(bearingDms(0.0), "0°00′00.00″");
    EXPECT_EQ(bearingDms(pi / 2), "90°00′00.00″");
    EXPECT_EQ(bearingDms((45.0 + 30.0 / 60 + 12.346 / 3600) * pi / 180), "45°30′12.35″");
    EXPECT_EQ(bearingDms((10.0 + 59.0 / 60 + 59.996 / 3600) * pi / 180), "11°00′00.00″");
}

// The subgrade table on the example road with the default section (3.75 m
// lanes at -2 %) and a ground line: the ground interpolated between its
// stakes and none beyond them, fill or cut against the design elevation,
// the lane edges 3.75 × 2 % below the centreline, and the main points.
TEST_F(ExampleRoad, SubgradeTableFromTheGroundLineAndTheSection) {
    Surface surface;
    setUniformSlopes(surface, crownSection());
    setUniformWidths(surface, crownSection());
    prepareSurface(surface);
    const GroundLine ground = readGroundLine(put("g.txt", "示例 地面线\n;; 桩号 高程\nK0+300,110\n500\t106\n"), noBreaks);
    ASSERT_EQ(ground.chainage.size(), 2u);
    EXPECT_EQ(ground.at(400), 108.0);
    EXPECT_FALSE(ground.at(299.9));
    try {
        readGroundLine(put("bad.txt", "300 110\n200 100\n"), noBreaks);
        ADD_FAILURE();
    } catch (const DataError& e) {
        EXPECT_EQ(e.detail(), msg::located((dir / "bad.txt").string(), 2, msg::rowNotAhead(200, 300)));
    }
    SubgradeTableOptions options;
    options.every = 100;
    options.fromChainage = 300;
    options.toChainage = 600;
    const std::vector<SubgradeRow> rows = *subgradeRows(surface, profile, noBreaks, &road, options, &ground);
    const Table t = subgradeTableColumns(rows, noBreaks, true);
    const auto column = [&](const std::string& header) {
        for (std::size_t c = 0; c < t.columns.size(); ++c)
            if (t.columns[c].header == header) return c;
        ADD_FAILURE() << header;
        return std::size_t{0};
    };
    std::vector<std::string> names;
    for (const auto& row : t.rows) names.push_back(row[column("桩号")].text + " " + row[column("主点")].text);
    EXPECT_EQ(names, (std::vector<std::string>{"K0+300.000 ", "K0+400.000 ZH", "K0+500.000 HY", "K0+600.000 "}));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const std::vector<Cell>& row = t.rows[i];
        const std::optional<double> g = ground.at(rows[i].chainage);
        const double fill = g ? rows[i].designElevation - *g : 0.0;
        EXPECT_EQ(row[column("地面高程")].kind, g ? Cell::Kind::Number : Cell::Kind::Empty);
        EXPECT_EQ(row[column(fill > 0 ? "填高" : "挖深")].value, g ? std::fabs(fill) : 0.0);
        EXPECT_EQ(row[column("施工时中桩填挖")].value, g ? fill : 0.0);
        EXPECT_NEAR(row[column("左行车道边缘与设计高之差")].value, -0.075, 1e-15);
        EXPECT_EQ(row[column("右路基宽度")].value, 3.75);
    }
}
