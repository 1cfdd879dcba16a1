// LandXML reading and writing: the published rail and road files of
// ../shared/data/ifc4x-if against their own tables, the reader's rules on
// small files written here, and the round trip of Gradix's own projects.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "alignment/stn02_project.h"
#include "landxml/landxml.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "support/recording_sink.h"
#include "surface/superelevationruns.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

using namespace gradix;
namespace fs = std::filesystem;

namespace {

const fs::path DATA = fs::path(GRADIX_SHARED_DATA) / "ifc4x-if";

// Tolerances, each with its reason; STAKE_TOLERANCE and
// TANGENT_POINT_TOLERANCE are the STN02 ones of stn02_project.h.
// The same points printed with the same digits in two files.
constexpr double SAME_AXIS_TOLERANCE = 1e-6;  // m
// Round trip: points written in shortest form read back exactly; bearings
// derived again from them carry the rounding of the coordinates.
constexpr double ROUND_TRIP_TOLERANCE = 1e-9;  // m and rad

// Skips the test unless the shared file exists.
#define REQUIRE_SHARED(path) GRADIX_NEED(fs::is_regular_file(path), "shared test data absent: " << (path))

// A scratch folder for the files the tests write, removed afterwards.
class Scratch {
public:
    std::string put(const std::string& name, const std::string& text) const { return folder_.write(name, text); }

private:
    gradix::testing::TempFolder folder_{"landxml"};
};

// The point and bearing at a chainage.
struct Placed {
    double x, y, bearing;
};
Placed at(const Alignment& al, double chainage) {
    Placed p{};
    PointAtChainage(al, chainage, p.x, p.y, p.bearing);
    return p;
}

// A small file around one alignment's CoordGeom and extra children.
std::string landXml(const std::string& geometry, const std::string& extra = "",
                    const std::string& units = "<Metric linearUnit=\"meter\" directionUnit=\"radians\"/>") {
    return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">\n<Units>" + units +
           "</Units>\n<Alignments>\n<Alignment name=\"R1\" staStart=\"100\">\n<CoordGeom>\n" + geometry +
           "</CoordGeom>\n" + extra + "</Alignment>\n</Alignments>\n</LandXML>\n";
}
// A 100 m line north from (1000, 2000), then an arc of R 200 to the right
// (cw) of length 100, each with its points.
const std::string LINE = "<Line dir=\"0\" length=\"100\"><Start>1000 2000</Start><End>1100 2000</End></Line>\n";
std::string arc(double endGap = 0.0) {
    const double a = 100.0 / 200.0;
    return "<Curve rot=\"cw\" radius=\"200\" length=\"100\"><Start>1100 2000</Start><Center>1100 2200</Center><End>" +
           shortestText(1100 + 200 * std::sin(a) + endGap) + " " + shortestText(2200 - 200 * std::cos(a)) +
           "</End></Curve>\n";
}
const std::string PROFILE = "<Profile><ProfAlign name=\"P1\"><PVI>100 10</PVI><ParaCurve length=\"40\">150 11</ParaCurve>"
                            "<CircCurve length=\"1\" radius=\"3000\">170 10.5</CircCurve><PVI>200 10</PVI></ProfAlign>"
                            "</Profile>\n";

// A Superelevation of the six stations (m) and the rate (%), as child elements.
std::string superelevation(const std::array<double, 6>& at, double percent, const std::string& more = "") {
    static const char* const names[] = {"BeginRunoutSta", "BeginRunoffSta", "FullSuperSta",
                                        "RunoffSta",      "StartofRunoutSta", "EndofRunoutSta"};
    std::string s = "<Superelevation>";
    for (std::size_t i = 0; i < at.size(); ++i) {
        s += std::string("<") + names[i] + ">" + shortestText(at[i]) + "</" + names[i] + ">";
        if (i == 2) s += "<FullSuperelev>" + shortestText(percent) + "</FullSuperelev>";
    }
    return s + more + "</Superelevation>\n";
}

// An ASCII text in UTF-16 (unit 2) or UTF-32 (unit 4) after its byte-order mark.
std::string wide(const std::string& ascii, std::size_t unit, bool bigEndian) {
    std::string out;
    for (const char32_t c : U"\uFEFF" + std::u32string(ascii.begin(), ascii.end()))
        for (std::size_t k = 0; k < unit; ++k) out += static_cast<char>((c >> (8 * (bigEndian ? unit - 1 - k : k))) & 0xFF);
    return out;
}

// The slope table of a file's runs on the default crown.
ChainageTable slopesOf(const LandXmlProject& p) {
    Surface surface;
    setRunSlopes(surface, p.superelevation, crownSection());
    return surface.slopes;
}

}  // namespace

// STN02: the stakes of the segment ends, the 50 m stake list across the
// equation, the vertical-curve tangent points and the end point.
TEST(LandXmlStn02, StakesPointsAndProfileMeetThePublishedTables) {
    const fs::path folder = DATA / "STN02";
    REQUIRE_SHARED(folder / "Alignment_STN02.xml");
    const LandXmlProject p = readLandXml((folder / "Alignment_STN02.xml").string());
    const Alignment& al = p.alignment;
    ASSERT_EQ(al.elemCount, 14);
    ASSERT_EQ(p.breaks.chainBreakCount, 1);
    EXPECT_DOUBLE_EQ(p.breaks.breakBackStake[1], 876.272071272522);
    EXPECT_EQ(p.breaks.breakAheadStake[1], 5350.0);
    EXPECT_TRUE(p.notes.empty()) << p.notes.front().text;
    EXPECT_TRUE(p.unitNote.empty());

    // Segment starts and ends: the published mileage with its stretch letter
    // is the chain's chainage; the chain's chainage gives back the stake.
    const auto segments = csvRows(folder / "Alignment_stationing_values_by_segment_type.csv");
    ASSERT_EQ(segments.size(), 14u);
    for (int i = 1; i <= 14; ++i) {
        const auto& row = segments[static_cast<std::size_t>(i - 1)];
        for (const auto& [field, entry] : {std::pair{2, i}, std::pair{3, i + 1}}) {
            const double stake = number(row.at(static_cast<std::size_t>(field)));
            const std::string letter = stake >= 5350.0 && !(field == 3 && i == 9) ? "B" : "A";
            EXPECT_NEAR(dlstr_sj(p.breaks, letter + row[static_cast<std::size_t>(field)]), al.elemChainage[entry],
                        STAKE_TOLERANCE)
                << "segment " << i;
        }
        if (i == 10) continue;  // the joint at the equation is named from either side
        const std::string text = sj_dlstr_11(p.breaks, al.elemChainage[i]);
        EXPECT_EQ(text[0], i >= 10 ? 'B' : 'A') << text;
        EXPECT_NEAR(number(text.substr(1)), number(row[2]), STAKE_TOLERANCE) << "segment " << i;
    }

    // The 50 m stake list: stretch letters from the equation, spacings of 50 m
    // except the first stake and the jump of the numbering.
    gradix::testing::RecordingSink sink;
    double previous = al.elemChainage[1];
    for (const auto& row : csvRows(folder / "Alignment_stationing_values_by_pace.csv")) {
        std::int16_t accepted = 0;
        const std::string qualified = zh_dlstr(p.breaks, row.at(2), sink, accepted);
        ASSERT_EQ(accepted, 1) << row[2];
        EXPECT_EQ(qualified[0], number(row[2]) >= 5350.0 ? 'B' : 'A') << row[2];
        const double chainage = dlstr_sj(p.breaks, qualified);
        const double spacing = chainage - previous;
        const double expected = row[2] == "-150" ? 3.1 : row[2] == "5350" ? 876.272071272522 - 850.0 : 50.0;
        EXPECT_NEAR(spacing, expected, 1e-9) << row[2];
        EXPECT_LT(chainage, al.elemChainage[15]);
        previous = chainage;
    }
    EXPECT_TRUE(sink.events.empty());

    // Tangent points of the vertical curves.
    ASSERT_TRUE(p.hasProfile);
    EXPECT_EQ(p.profileName, "Asse_Prf");
    const Profile& v = p.profile;
    const auto curves = csvRows(folder / "Alignment_stationing_vertical_not-constant_value.csv");
    std::size_t curve = 0;
    for (int j = 2; j < v.gradePointCount; ++j) {
        if (v.curveRadius[j] == 0.0) continue;
        ASSERT_LT(curve, curves.size());
        const auto& row = curves[curve++];
        const std::string from = sj_dlstr_11(p.breaks, v.gradePointChainage[j] - v.tangentLength[j]);
        const std::string to = sj_dlstr_11(p.breaks, v.curveEndChainage[j]);
        EXPECT_NEAR(number(from.substr(1)), number(row.at(2)), TANGENT_POINT_TOLERANCE) << from;
        EXPECT_NEAR(number(to.substr(1)), number(row.at(3)), TANGENT_POINT_TOLERANCE) << to;
    }
    EXPECT_EQ(curve, curves.size());

    // The end point at stake 5779.2225 of the ahead stretch.
    const Placed end = at(al, dlstr_sj(p.breaks, "B5779.2225"));
    EXPECT_NEAR(end.x, 4539926.1049, STAKE_TOLERANCE);
    EXPECT_NEAR(end.y, 453616.1646, STAKE_TOLERANCE);
}

// STN01 is the same axis without the equation: before it, both agree.
TEST(LandXmlStn02, Stn01IsTheSameAxisBeforeTheEquation) {
    REQUIRE_SHARED(DATA / "STN02" / "Alignment_STN02.xml");
    REQUIRE_SHARED(DATA / "STN01" / "Alignment_exchange.xml");
    const LandXmlProject two = readLandXml((DATA / "STN02" / "Alignment_STN02.xml").string());
    const LandXmlProject one = readLandXml((DATA / "STN01" / "Alignment_exchange.xml").string());
    ASSERT_EQ(one.alignment.elemCount, 9);
    EXPECT_EQ(one.breaks.chainBreakCount, 0);
    const double equation = two.breaks.breakBackStake[1];
    EXPECT_NEAR(one.alignment.elemChainage[10], equation, STAKE_TOLERANCE);
    for (double c = one.alignment.elemChainage[1]; c < equation; c += 10.0) {
        const Placed a = at(one.alignment, c), b = at(two.alignment, c);
        EXPECT_NEAR(a.x, b.x, SAME_AXIS_TOLERANCE) << c;
        EXPECT_NEAR(a.y, b.y, SAME_AXIS_TOLERANCE) << c;
    }
}

// AL01: 11 alignments, 118 clothoids (20 partial), one zero-length curve
// skipped; every element evaluated by the chain meets its neighbours' points.
TEST(LandXmlAl01, EveryElementMeetsTheNextElementsStart) {
    const fs::path file = DATA / "AL01" / "BC001_Alignment.xml";
    REQUIRE_SHARED(file);
    const std::vector<LandXmlAlignmentSummary> list = listLandXml(file.string());
    ASSERT_EQ(list.size(), 11u);
    int spirals = 0, partial = 0, skipped = 0;
    double worst = 0.0;
    for (const LandXmlAlignmentSummary& s : list) {
        const LandXmlProject p = readLandXml(file.string(), {s.name, ""});
        const Alignment& al = p.alignment;
        for (const LandXmlNote& note : p.notes) 
            for (const char* kind : {"Line", "Curve", "Spiral"}) skipped += note.text == msg::zeroLengthSkipped(kind);
        for (int i = 1; i <= al.elemCount; ++i) {
            const ElementKind kind = elementKind(al.elemStartRadius[i], al.elemEndRadius[i]);
            spirals += kind != ElementKind::Line && kind != ElementKind::Arc;
            partial += kind == ElementKind::PartialSpiral;
            // Both ends as the chain evaluates the element (an exit spiral is
            // laid back from its end, every other kind on from its start).
            const Placed first = at(al, al.elemChainage[i]);
            const Placed last = at(al, std::nextafter(al.elemChainage[i + 1], al.elemChainage[i]));
            const double gap = std::max(std::hypot(first.x - al.elemStartX[i], first.y - al.elemStartY[i]),
                                        std::hypot(last.x - al.elemStartX[i + 1], last.y - al.elemStartY[i + 1]));
            worst = std::max(worst, gap);
            EXPECT_LT(gap, JOINT_WARNING_GAP) << s.name << " element " << i;
        }
        EXPECT_TRUE(p.hasProfile) << s.name;
    }
    EXPECT_EQ(spirals, 118);
    EXPECT_EQ(partial, 20);
    EXPECT_EQ(skipped, 1);
    RecordProperty("worst_joint_m", shortestText(worst));
}

// Civil 3D files: decimal degrees, negative staStart, a profile over part of
// its alignment (reported), profiles past the alignment end (not reported).
TEST(LandXmlCivil3d, LoadWithTheirReports) {
    struct Case {
        const char* file;
        std::size_t alignments;
        std::vector<std::string> partlyCovered;  // alignments whose profile is reported
        const char* pastTheEnd;     // one whose profile runs past its end
    };
    for (const Case& c : {Case{"BC003_AL01/BC003_AL01_alignments.xml", 4, {"SAN1_COM", "SAN1_XG-B02"}, nullptr},
                          Case{"BC003_ALX2/BC003_ALX2_Cabling_alignments.xml", 7, {}, "A2"}}) {
        const fs::path file = DATA / c.file;
        REQUIRE_SHARED(file);
        const std::vector<LandXmlAlignmentSummary> list = listLandXml(file.string());
        ASSERT_EQ(list.size(), c.alignments) << c.file;
        for (const LandXmlAlignmentSummary& s : list) {
            const LandXmlProject p = readLandXml(file.string(), {s.name, ""});
            EXPECT_EQ(p.alignment.elemChainage[1], s.staStart) << s.name;
            bool reported = false;
            for (const LandXmlNote& note : p.notes) {
                reported = reported || note.text.find("覆盖") != std::string::npos;
                EXPECT_EQ(note.text.find("不符合任何已知的方向约定"), std::string::npos) << note.text;
                EXPECT_EQ(note.text.find("与由其点算得的方位角相差"), std::string::npos) << note.text;
            }
            EXPECT_EQ(reported, std::count(c.partlyCovered.begin(), c.partlyCovered.end(), s.name) == 1) << s.name;
            if (c.pastTheEnd && s.name == c.pastTheEnd) {
                EXPECT_GT(p.profile.gradePointChainage[p.profile.gradePointCount],
                          p.alignment.elemChainage[p.alignment.elemCount + 1]);
            }
        }
    }
    const fs::path al01 = DATA / "BC003_AL01/BC003_AL01_alignments.xml";
    REQUIRE_SHARED(al01);
    EXPECT_LT(readLandXml(al01.string(), {"SAN1_XD-B02", ""}).alignment.elemChainage[1], 0.0);
}

// What the reader reports and what it refuses, on small files.
TEST(LandXmlReader, RefusesWithFileLineAndReason) {
    struct Case {
        const char* what;
        std::string text;
        long line;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"not XML", "LandXML?\n", 1, msg::notLandXml("")},
        {"another root", "<?xml version=\"1.0\"?>\n<Road/>\n", 2, msg::wrongRoot("Road")},
        {"no alignment", "<LandXML>\n<Units/>\n</LandXML>\n", 1, msg::NO_ALIGNMENT_IN_FILE},
        {"missing rot", landXml("<Curve radius=\"5\" length=\"1\"><Start>0 0</Start><End>1 0</End></Curve>\n"), 7,
         msg::missingPart("Curve", "rot")},
        {"unreadable attribute", landXml("<Line length=\"1O\"><Start>0 0</Start><End>10 0</End></Line>\n"), 7,
         msg::attributeNotNumber("Line", "length", "1O")},
        {"unknown spiral", landXml(LINE + "<Spiral spiType=\"cubic\" rot=\"cw\" radiusStart=\"INF\" radiusEnd=\"500\" "
                                          "length=\"30\"><Start>1100 2000</Start><End>1130 2000</End></Spiral>\n"),
         8, msg::spiTypeUnsupported("cubic")},
        {"ends early", landXml(LINE).substr(0, 200), 5, msg::notLandXml("")},
        {"curve of no radius", landXml(LINE + "<Curve rot=\"cw\" length=\"10\"><Start>1100 2000</Start><End>1110 2000</End></Curve>\n"),
         8, msg::CURVE_NO_RADIUS},
        {"curve of no length", landXml(LINE + "<Curve rot=\"cw\" radius=\"50\"><Start>1100 2000</Start><End>1110 2000</End></Curve>\n"),
         8, msg::CURVE_NO_LENGTH},
        {"an ICD file", "0\n3345678.123,512345.678,0.6\n1,400\n", 0, msg::IS_ICD_FILE},
        {"unknown unit", landXml(LINE, "", "<Imperial linearUnit=\"yard\"/>"), 3, msg::unknownLinearUnit("yard")},
        {"joint apart", landXml(LINE + arc() + LINE), 8, "Curve（第2个线元）的终点距"},
        {"unsymmetric curve",
         landXml(LINE, "<Profile><ProfAlign name=\"P\"><PVI>100 1</PVI><UnsymParaCurve lengthIn=\"5\" "
                       "lengthOut=\"9\">150 2</UnsymParaCurve><PVI>200 1</PVI></ProfAlign></Profile>\n"),
         9, msg::unsymParaCurve(150)},
        {"absurd staAhead", landXml(LINE, "<StaEquation staInternal=\"150\" staAhead=\"1e308\"/>\n"), 9,
         msg::stationBeyond("staAhead", 1e308, MAX_STATION)},
        {"absurd PVI station", landXml(LINE, "<Profile><ProfAlign name=\"P\"><PVI>100 1</PVI>\n<PVI>-5e9 2</PVI>"
                                             "</ProfAlign></Profile>\n"),
         10, msg::stationBeyond("PVI", -5e9, MAX_STATION)},
        {"UTF-16, lines of the file", wide(landXml("<Line length=\"1O\"><Start>0 0</Start><End>10 0</End></Line>\n"), 2, false),
         7, msg::attributeNotNumber("Line", "length", "1O")},
        {"UTF-32, lines of the file", wide(landXml("\n\n<Line length=\"x\"><Start>0 0</Start><End>10 0</End></Line>\n"), 4, true),
         9, msg::attributeNotNumber("Line", "length", "x")},
        {"PVIs out of order",
         landXml(LINE, "<Profile><ProfAlign name=\"P\"><PVI>100 1</PVI><PVI>150 2</PVI>\n<PVI>140 1</PVI>"
                       "</ProfAlign></Profile>\n"),
         10, msg::gradePointOrder("PVI", 140, 150)},
    };
    Scratch scratch;
    for (const Case& c : cases) {
        const std::string path = scratch.put("case.xml", c.text);
        try {
            readLandXml(path);
            ADD_FAILURE() << c.what << ": read";
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), path) << c.what;
            EXPECT_EQ(e.line(), c.line) << c.what << ": " << e.detail();
            EXPECT_NE(e.reason().find(c.reason), std::string::npos) << c.what << ": " << e.detail();
        }
    }
    EXPECT_THROW(readLandXml(""), FileAccessError);
    EXPECT_THROW(readLandXml(scratch.put("ok.xml", landXml(LINE)), {"R2", ""}), DataError);

    // 100 MB of nonsense inside an unclosed LandXML element.
    std::string nonsense = "<LandXML><Alignments><Alignment name=\"x\">";
    const std::string words = "lorem <ipsum> & dolor ]]> sit \"amet\" 3.14 ";
    while (nonsense.size() < 100'000'000) nonsense += words;
    EXPECT_THROW(readLandXml(scratch.put("nonsense.xml", nonsense)), DataError);
}

// What the reader accepts with a note: joints apart by millimetres, a
// zero-length element, feet, a profile short of the alignment, a `dir` of no
// known convention; and prefixed elements and equations in staInternal order.
TEST(LandXmlReader, ReportsWhatItAccepts) {
    Scratch scratch;
    const std::string equations =
        "<x:StaEquation xmlns:x=\"urn:x\" staInternal=\"180\" staAhead=\"500\"/>\n"
        "<StaEquation staInternal=\"130\" staBack=\"130\" staAhead=\"100\" desc=\"back\"/>\n";
    const std::string geometry = LINE + "<Line length=\"0\"><Start>1100 2000</Start><End>1100 2000</End></Line>\n" +
                                 arc(0.005);
    const LandXmlProject p = readLandXml(scratch.put("a.xml", landXml(geometry, equations + PROFILE)));
    ASSERT_EQ(p.alignment.elemCount, 2);
    EXPECT_EQ(p.alignment.elemStartRadius[2], 200.0);  // rot cw: the bearing increases
    EXPECT_EQ(p.alignment.elemChainage[1], 100.0);
    EXPECT_EQ(p.alignment.elemChainage[3], 300.0);
    ASSERT_EQ(p.notes.size(), 3u);
    EXPECT_EQ(p.notes[0].line, 8);
    EXPECT_EQ(p.notes[0].text, msg::zeroLengthSkipped("Line"));
    EXPECT_EQ(p.notes[1].line, 9);
    EXPECT_NE(p.notes[1].text.find("Curve（第2个线元）的终点距其End 0.005"), std::string::npos) << p.notes[1].text;
    EXPECT_EQ(p.notes[2].text, msg::profileCover("P1", 100, 200, 100, 300));
    // Equations sorted by staInternal: 130 -> 100, then 180 carried to 150 -> 500.
    ASSERT_EQ(p.breaks.chainBreakCount, 2);
    EXPECT_EQ(p.breaks.breakBackStake[1], 130.0);
    EXPECT_EQ(p.breaks.breakAheadStake[1], 100.0);
    EXPECT_EQ(p.breaks.breakBackStake[2], 150.0);
    EXPECT_EQ(p.breaks.breakAheadStake[2], 500.0);
    EXPECT_EQ(p.breaks.breakBackStake[3], BREAK_SENTINEL);
    // ParaCurve length 40: tangent 20; CircCurve: radius 3000.
    ASSERT_EQ(p.profile.gradePointCount, 4);
    EXPECT_EQ(p.profile.tangentLength[2], 20.0);
    EXPECT_EQ(p.profile.curveRadius[3], 3000.0);
    // A curve at an end of the profile is no vertical curve (a fuzz finding
    // left its tangent length there as a negative radius).
    const LandXmlProject ends = readLandXml(scratch.put(
        "e.xml", landXml(LINE, "<Profile><ProfAlign name=\"P\"><ParaCurve length=\"40\">100 1</ParaCurve>"
                               "<CircCurve radius=\"900\">200 2</CircCurve></ProfAlign></Profile>\n")));
    EXPECT_EQ(ends.profile.curveRadius[1], 0.0);
    EXPECT_EQ(ends.profile.curveRadius[2], 0.0);

    // US survey feet: everything in metres, and said; a dir that fits no
    // convention is reported.
    const double ft = 1200.0 / 3937.0;
    const LandXmlProject f = readLandXml(scratch.put(
        "f.xml", landXml("<Line dir=\"1\" length=\"100\"><Start>1000 2000</Start><End>1100 2000</End></Line>\n",
                         PROFILE, "<Imperial linearUnit=\"USSurveyFoot\" directionUnit=\"radians\"/>")));
    EXPECT_NE(f.unitNote.find("USSurveyFoot"), std::string::npos);
    EXPECT_DOUBLE_EQ(f.alignment.elemChainage[2], 200.0 * ft);
    EXPECT_DOUBLE_EQ(f.alignment.elemStartX[2], 1100.0 * ft);
    EXPECT_DOUBLE_EQ(f.profile.gradePointElevation[2], 11.0 * ft);
    ASSERT_FALSE(f.notes.empty());
    EXPECT_EQ(f.notes[0].text, msg::dirNoConvention("Line", "dir", 1, 0)) << f.notes[0].text;

    // A note for each of 1500 zero-length elements: the first 1000 listed, the rest counted.
    std::string zeros;
    for (int i = 0; i < 1500; ++i) zeros += "<Line length=\"0\"><Start>1000 2000</Start><End>1000 2000</End></Line>\n";
    const LandXmlProject many = readLandXml(scratch.put("z.xml", landXml(zeros + LINE)));
    ASSERT_EQ(many.notes.size(), 1001u);
    EXPECT_EQ(many.notes[999].line, 1006);
    EXPECT_EQ(many.notes.back().text, msg::moreNotes(500));
}

// Each way a file may give an element after the 100 m line north: its
// radii (signed, positive turning clockwise), its length and the bearing at
// its end. The ends of the clothoids come from numerical integration (Simpson,
// 200000 steps) of L 36 m between straight and R 100 m, printed to 0.1 mm.
TEST(LandXmlReader, ElementConstructs) {
    constexpr double CHORD_BEARING_TOLERANCE = 1e-6;  // rad: ends printed to 1e-7 m over a 36 m chord
    const double a = 100.0 / 200.0;                   // the arcs: R 200 m over 100 m
    const std::string cwEnd = shortestText(1100 + 200 * std::sin(a)) + " " + shortestText(2200 - 200 * std::cos(a));
    const std::string ccwEnd = shortestText(1100 + 200 * std::sin(a)) + " " + shortestText(1800 + 200 * std::cos(a));
    const struct {
        const char* what;
        std::string element;
        double startRadius, endRadius, length, endBearing;
    } cases[] = {
        {"curve cw by its centre, without radius and length",
         "<Curve rot=\"cw\"><Start>1100 2000</Start><Center>1100 2200</Center><End>" + cwEnd + "</End></Curve>", 200,
         200, 100, a},
        {"curve ccw by its centre, without radius and length",
         "<Curve rot=\"ccw\"><Start>1100 2000</Start><Center>1100 1800</Center><End>" + ccwEnd + "</End></Curve>",
         -200, -200, 100, FULL_TURN - a},
        {"curve ccw by radius and length, without centre",
         "<Curve rot=\"ccw\" radius=\"200\" length=\"100\"><Start>1100 2000</Start><End>" + ccwEnd + "</End></Curve>",
         -200, -200, 100, FULL_TURN - a},
        {"entering spiral ccw, radiusStart spelt INFINITY",
         "<Spiral spiType=\"clothoid\" rot=\"ccw\" radiusStart=\"INFINITY\" radiusEnd=\"100\" length=\"36\">"
         "<Start>1100 2000</Start><End>1135.8835348 1997.8449937</End></Spiral>",
         INFINITE_RADIUS, -100, 36, FULL_TURN - 0.18},
        {"exit spiral cw, leaving R 100 at the line's end",
         "<Spiral spiType=\"clothoid\" rot=\"cw\" radiusStart=\"100\" radiusEnd=\"INF\" length=\"36\">"
         "<Start>1100 2000</Start><End>1135.6895993 2004.3040246</End></Spiral>",
         100, INFINITE_RADIUS, 36, 0.18},
        {"line without length", "<Line><Start>1100 2000</Start><End>1200 2000</End></Line>", INFINITE_RADIUS,
         INFINITE_RADIUS, 100, 0},
    };
    Scratch scratch;
    for (const auto& c : cases) {
        const LandXmlProject p = readLandXml(scratch.put("c.xml", landXml(LINE + c.element + "\n")));
        ASSERT_EQ(p.alignment.elemCount, 2) << c.what;
        EXPECT_EQ(p.alignment.elemStartRadius[2], c.startRadius) << c.what;
        EXPECT_EQ(p.alignment.elemEndRadius[2], c.endRadius) << c.what;
        EXPECT_NEAR(p.alignment.elemLength[2], c.length, ROUND_TRIP_TOLERANCE) << c.what;
        EXPECT_NEAR(p.alignment.elemStartBearing[3], c.endBearing, CHORD_BEARING_TOLERANCE) << c.what;
        EXPECT_TRUE(p.notes.empty()) << c.what << ": " << p.notes.front().text;  // every joint meets
    }
}

// `landxml list`: one tab-separated line per alignment.
TEST(LandXmlReader, ListsTheAlignments) {
    Scratch scratch;
    const std::string path = scratch.put("l.xml", landXml(LINE + arc(), PROFILE));
    EXPECT_EQ(formatLandXmlList(listLandXml(path)), "R1\t100\t200\t2\t0\tP1\n");
    const fs::path al01 = DATA / "AL01" / "BC001_Alignment.xml";
    REQUIRE_SHARED(al01);
    EXPECT_EQ(formatLandXmlList(listLandXml(al01.string())).substr(0, 38), "A50034A\t0\t14028.83382\t103\t0\tT50034A\nA5");
}

// Writing a project and reading it back gives the same tables: the example
// road (without and with its chain breaks) and STN02.
TEST(LandXmlRoundTrip, ReadingTheExportGivesTheSameTables) {
    struct Source {
        const char* what;
        Alignment alignment;
        ChainBreakTable breaks;
        Profile profile;
    };
    std::vector<Source> sources;
    const double pi = 4.0 * std::atan(1.0);
    gradix::testing::RecordingSink sink;
    const fs::path examples = GRADIX_EXAMPLES;
    for (const bool withBreaks : {false, true}) {
        Source s{withBreaks ? "road.icd, road.dl, road.zdm" : "road.icd, road-icd.zdm", {}, {}, {}};
        dqicd((examples / "road.icd").string(), s.alignment, s.breaks, pi);
        if (withBreaks) readChainBreakFile((examples / "road.dl").string(), s.breaks);
        readProfileFile((examples / (withBreaks ? "road.zdm" : "road-icd.zdm")).string(), s.breaks, sink, s.profile);
        sources.push_back(s);
    }
    const fs::path stn02 = DATA / "STN02" / "Alignment_STN02.xml";
    if (fs::is_regular_file(stn02)) {
        const LandXmlProject p = readLandXml(stn02.string());
        sources.push_back({"STN02", p.alignment, p.breaks, p.profile});
    }
    Scratch scratch;
    for (const Source& s : sources) {
        const std::string path = scratch.put("out.xml", "");
        writeLandXml(path, {"Road 1", &s.alignment, &s.breaks, &s.profile});
        const LandXmlProject back = readLandXml(path);
        EXPECT_TRUE(back.notes.empty()) << s.what << ": " << back.notes.front().text;
        EXPECT_EQ(back.alignmentName, "Road 1");
        const Alignment& a = s.alignment;
        const Alignment& b = back.alignment;
        ASSERT_EQ(b.elemCount, a.elemCount) << s.what;
        for (int i = 1; i <= a.elemCount + 1; ++i) {
            if (i <= a.elemCount) {
                EXPECT_EQ(b.elemStartRadius[i], a.elemStartRadius[i]) << s.what << " " << i;
                EXPECT_EQ(b.elemEndRadius[i], a.elemEndRadius[i]) << s.what << " " << i;
                EXPECT_EQ(b.elemLength[i], a.elemLength[i]) << s.what << " " << i;
            }
            EXPECT_EQ(b.elemChainage[i], a.elemChainage[i]) << s.what << " " << i;
            EXPECT_NEAR(b.elemStartX[i], a.elemStartX[i], ROUND_TRIP_TOLERANCE) << s.what << " " << i;
            EXPECT_NEAR(b.elemStartY[i], a.elemStartY[i], ROUND_TRIP_TOLERANCE) << s.what << " " << i;
            EXPECT_NEAR(b.elemStartBearing[i], a.elemStartBearing[i], ROUND_TRIP_TOLERANCE) << s.what << " " << i;
        }
        ASSERT_EQ(back.breaks.chainBreakCount, s.breaks.chainBreakCount) << s.what;
        for (int k = 1; k <= s.breaks.chainBreakCount; ++k) {
            EXPECT_EQ(back.breaks.breakBackStake[k], s.breaks.breakBackStake[k]) << s.what;
            EXPECT_EQ(back.breaks.breakAheadStake[k], s.breaks.breakAheadStake[k]) << s.what;
        }
        const Profile& p = s.profile;
        const Profile& q = back.profile;
        ASSERT_EQ(q.gradePointCount, p.gradePointCount) << s.what;
        for (int i = 1; i <= p.gradePointCount; ++i)
            for (const auto& [x, y] : {std::pair{&p.gradePointChainage, &q.gradePointChainage},
                                       std::pair{&p.gradePointElevation, &q.gradePointElevation},
                                       std::pair{&p.curveRadius, &q.curveRadius},
                                       std::pair{&p.tangentLength, &q.tangentLength},
                                       std::pair{&p.curveEndChainage, &q.curveEndChainage}})
                EXPECT_EQ((*y)[static_cast<std::size_t>(i)], (*x)[static_cast<std::size_t>(i)]) << s.what << " " << i;
    }
}

// Each Superelevation read into slope rows on the -2 % crown (the alignment
// straight to 200, then curving right): chainage, left and right
// carriageway, the shoulders with them; a rate raising the inside of the
// curve is noted unless the file calls it adverse.
TEST(LandXmlSuperelevation, ReadsEachTransitionIntoSlopeRows) {
    struct Row {
        double chainage, left, right;
    };
    const std::vector<Row> left7 = {{110, -0.02, -0.02}, {120, -0.02, 0},   {130, -0.02, 0.02}, {150, -0.06, 0.06},
                                    {160, -0.06, 0.06},  {180, -0.02, 0.02}, {190, -0.02, 0},    {200, -0.02, -0.02}};
    const struct {
        const char* what;
        std::string elements;
        std::vector<Row> rows;
        std::size_t notes;
    } cases[] = {
        {"curve to the left on the straight", superelevation({110, 120, 150, 160, 190, 200}, 6), left7, 0},
        {"curve to the right, attributes, full superelevation not held",
         "<Superelevation BeginRunoutSta=\"210\" BeginRunoffSta=\"220\" FullSuperSta=\"250\" FullSuperelev=\"-4\" "
         "RunoffSta=\"250\" StartofRunoutSta=\"270\" EndofRunoutSta=\"280\"/>\n",
         {{210, -0.02, -0.02}, {220, 0, -0.02}, {235, 0.02, -0.02}, {250, 0.04, -0.04}, {260, 0.02, -0.02},
          {270, 0, -0.02}, {280, -0.02, -0.02}},
         0},
        {"the inside of a right curve raised", superelevation({210, 220, 250, 250, 270, 280}, 1), {}, 1},
        {"the same called adverse", superelevation({210, 220, 250, 250, 270, 280}, 1, "<AdverseSE>adverse</AdverseSE>"),
         {}, 0},
    };
    Scratch scratch;
    for (const auto& c : cases) {
        const LandXmlProject p = readLandXml(scratch.put("s.xml", landXml(LINE + arc(), c.elements)));
        EXPECT_EQ(p.notes.size(), c.notes) << c.what;
        if (c.rows.empty()) continue;
        const ChainageTable t = slopesOf(p);
        ASSERT_EQ(t.rows(), c.rows.size()) << c.what;
        for (std::size_t r = 0; r < t.rows(); ++r) {
            EXPECT_NEAR(t.chainage(r), c.rows[r].chainage, 1e-9) << c.what << " row " << r;
            for (std::size_t col = 0; col < t.columns(); ++col)
                EXPECT_NEAR(t.value(r, col), col < 3 ? c.rows[r].left : c.rows[r].right, 1e-15)
                    << c.what << " row " << r << " column " << col;
        }
    }
}

// What the Superelevation reading refuses, at the element's line.
TEST(LandXmlSuperelevation, RefusesMissingAndMisorderedStations) {
    const std::string first = superelevation({110, 120, 150, 160, 190, 200}, 6);
    const struct {
        const char* what;
        std::string elements;
        std::string reason;
    } cases[] = {
        {"no rate", "<Superelevation><BeginRunoutSta>1</BeginRunoutSta></Superelevation>\n",
         msg::missingPart("Superelevation", "BeginRunoffSta")},
        {"no FullSuperelev", "<Superelevation BeginRunoutSta=\"1\" BeginRunoffSta=\"2\" FullSuperSta=\"3\" "
                             "RunoffSta=\"4\" StartofRunoutSta=\"5\" EndofRunoutSta=\"6\"/>\n",
         msg::missingPart("Superelevation", "FullSuperelev")},
        {"a station not a number", "<Superelevation BeginRunoutSta=\"1O\"/>\n",
         msg::attributeNotNumber("Superelevation", "BeginRunoutSta", "1O")},
        {"decreasing", superelevation({110, 120, 150, 140, 190, 200}, 6),
         msg::superelevationStationBefore("RunoffSta", 140, "FullSuperSta", 150)},
        {"level where full", superelevation({110, 120, 150, 160, 160, 200}, 6),
         msg::superelevationStationAt("StartofRunoutSta", "RunoffSta", 160)},
        {"overlapping the one before", first + superelevation({190, 205, 220, 230, 240, 250}, -6),
         msg::superelevationOverlap(190, 200)},
    };
    Scratch scratch;
    for (const auto& c : cases) {
        const std::string path = scratch.put("r.xml", landXml(LINE + arc(), c.elements));
        try {
            readLandXml(path);
            ADD_FAILURE() << c.what << ": read";
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.elements.find("\n<") == std::string::npos ? 10 : 11) << c.what;  // the last one
            EXPECT_EQ(e.reason(), c.reason) << c.what;
        }
    }
}

// A name XML cannot hold (a control character, bytes that are not UTF-8) is refused.
TEST(LandXmlWriter, NamesXmlCannotHoldAreRefused) {
    Scratch scratch;
    const LandXmlProject read = readLandXml(scratch.put("a.xml", landXml(LINE)));
    for (const std::string name : {"ctl\x01x", "del\x7F", "tab\tx", "gb\xD7\xDD"}) {
        try {
            landXmlText({name, &read.alignment, &read.breaks, nullptr});
            ADD_FAILURE() << name << ": written";
        } catch (const DataError& e) {
            EXPECT_EQ(e.reason(), msg::nameNotXml(name));
        }
    }
}

// Superelevation read, made a surface, derived back into runs, written and
// read again gives the same slope rows, to the last bit; the rate is written
// in the fewest digits of percent (7, not 0.07 × 100 = 7.000000000000001).
TEST(LandXmlRoundTrip, SuperelevationGivesTheSameSlopesRowForRow) {
    Scratch scratch;
    const LandXmlProject read = readLandXml(scratch.put(
        "a.xml", landXml(LINE + arc(), superelevation({110, 125, 150, 150, 175, 190}, 7) +
                                           superelevation({190, 205, 222.5, 260, 282.5, 296.125}, -2.5))));
    Surface surface;
    setRunSlopes(surface, read.superelevation, crownSection());
    setUniformWidths(surface, crownSection());
    prepareSurface(surface);
    const SurfaceRuns runs = superelevationRunsOf(surface);
    EXPECT_TRUE(runs.notRuns.empty());
    LandXmlExport data{"R1", &read.alignment, &read.breaks, nullptr};
    data.superelevation = &runs.runs;
    const std::string text = landXmlText(data);
    EXPECT_NE(text.find("<FullSuperelev>7</FullSuperelev>"), std::string::npos) << text;
    const LandXmlProject back = readLandXml(scratch.put("b.xml", text));
    EXPECT_TRUE(back.notes.empty()) << back.notes.front().text;
    const ChainageTable& a = surface.slopes;
    const ChainageTable b = slopesOf(back);
    ASSERT_EQ(b.rows(), a.rows());
    for (std::size_t r = 0; r < a.rows(); ++r) {
        EXPECT_EQ(b.chainage(r), a.chainage(r)) << r;
        for (std::size_t col = 0; col < a.columns(); ++col) EXPECT_EQ(b.value(r, col), a.value(r, col)) << r;
    }
}
