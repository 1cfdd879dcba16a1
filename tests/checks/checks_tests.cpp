// The data check: the example project checks clean, and each kind of finding
// is found on a small file made for it, with its severity, line and figures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "checks/datacheck.h"
#include "support/temp_folder.h"
#include "text/messages.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;

std::string findingsText(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& f : findings)
        text += std::string(severityName(f.severity)) + " " + fs::path(f.file).filename().string() + ":" +
                std::to_string(f.line) + " " + f.text + "\n";
    return text;
}

TEST(DataCheck, TheExampleProjectChecksClean) {
    const std::string examples = GRADIX_EXAMPLES;
    const std::vector<Finding> breaks =
        checkProject({examples + "/road.zdm", examples + "/road.dl", "", ""}, CheckRules{});
    EXPECT_TRUE(breaks.empty()) << findingsText(breaks);
    const std::vector<Finding> icd =
        checkProject({examples + "/road-icd.zdm", "", examples + "/road.icd", ""}, CheckRules{});
    EXPECT_TRUE(icd.empty()) << findingsText(icd);
}

// One small project made for one finding.
struct FindingCase {
    const char* name;
    const char* breaks;   // chain-break file, "" for none
    const char* icd;      // ICD file, "" for none
    const char* profile;  // profile file
    CheckRules rules;
    Severity severity;
    const char* file;  // "breaks", "icd" or "profile"
    long line;
    const char* text;  // a part of the finding's text
    const char* landxml = "";  // LandXML file, "" for none
};

class Findings : public ::testing::TestWithParam<FindingCase> {
protected:
    std::string write(const char* name, const char* text) { return *text ? folder_.write(name, text) : ""; }
    testing::TempFolder folder_{"check"};
};

constexpr const char* STRAIGHT_ICD = "0\n0,0,0\n1,1000\n0\n";
constexpr const char* GOOD_PROFILE = "0 100\n400 104 2000\n1000 100\n";
// LandXML around elements written on lines 4 and on (points "north east").
#define LANDXML(elements)                                                                                  \
    "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">\n"              \
    "<Units><Metric linearUnit=\"meter\" directionUnit=\"radians\"/></Units><Alignments><Alignment name=\"R\">" \
    "<CoordGeom>\n" elements "</CoordGeom></Alignment></Alignments></LandXML>\n"
#define NORTH_LINE "<Line><Start>0 0</Start><End>100 0</End></Line>\n"

TEST_P(Findings, AreReportedWithTheirPlaceAndFigures) {
    const FindingCase& c = GetParam();
    const CheckedFiles files{write("p.zdm", c.profile), write("b.dl", c.breaks), write("a.icd", c.icd),
                             write("a.xml", c.landxml)};
    const std::vector<Finding> found = checkProject(files, c.rules);
    const std::string expectedFile = std::string(c.file) == "breaks" ? files.breaks
                                     : std::string(c.file) == "icd"   ? files.icd
                                     : std::string(c.file) == "landxml" ? files.landxml
                                                                        : files.profile;
    bool seen = false;
    for (const Finding& f : found)
        seen = seen || (f.severity == c.severity && f.file == expectedFile && f.line == c.line &&
                        f.text.find(c.text) != std::string::npos);
    EXPECT_TRUE(seen) << "expected " << severityName(c.severity) << " line " << c.line << " \"" << c.text
                      << "\"; found:\n"
                      << findingsText(found);
    EXPECT_EQ(hasErrors(found), c.severity == Severity::Error) << findingsText(found);
}

// Grades of the profiles below: 0..200 rises 4 m (+2 %), 200..400 falls 4 m.
INSTANTIATE_TEST_SUITE_P(
    EachKind, Findings,
    ::testing::Values(
        // T = 0.04 * 8000 / 2 = 160 at 200 and at 300 (grade change -0.04 and +0.04): 200+160 > 300-160.
        FindingCase{"overlap", "", "", "0 100\n200 104 8000\n300 102 8000\n500 106\n", {}, Severity::Error,
                    "profile", 3, "第2个变坡点与第3个变坡点的竖曲线重叠220.000 m"},
        // Overlaps under 1 cm are the rounding of exported stations: T = 0.02 * 2500.2 = 50.004 at 200 and 300.
        FindingCase{"rounding-overlap", "", "", "0 100\n200 104 2500.2\n300 102 2500.2\n500 106\n", {},
                    Severity::Warning, "profile", 3, "第2个变坡点与第3个变坡点的竖曲线重叠0.008 m"},
        // T = |-4/300 - 0.04| * 8000 / 2 = 213.333 beyond the 100 m to the first point, which has no curve.
        FindingCase{"curve-beyond-the-start", "", "", "0 100\n100 104 8000\n400 100\n", {}, Severity::Warning,
                    "profile", 2, "第2个变坡点的切线长213.333 m超过到第1个变坡点（纵断面起点）的距离100.000 m：竖曲线伸出纵断面113.333 m"},
        FindingCase{"radius-not-read", "", "", "0 100\n200 104 8000 ;变坡点1\n400 100\n", {}, Severity::Warning,
                    "profile", 2, "第2行有4个字段：竖曲线半径未读入"},
        FindingCase{"lines-after-an-empty-line", "", "", "0 100\n200 104\r\r\n400 100\n", {}, Severity::Warning,
                    "profile", 3, "第3行为空行，其后还有1行数据未读入"},
        FindingCase{"landxml-for-icd", "", LANDXML(NORTH_LINE), GOOD_PROFILE, {}, Severity::Error, "icd", 0,
                    "这是LandXML文件，请用 --landxml 读入"},
        FindingCase{"equal-stakes", "", "", "0 100\n200 104\n200 105\n400 100\n", {}, Severity::Error, "profile", 3,
                    "第2个变坡点与第3个变坡点桩号相同"},
        FindingCase{"out-of-order", "", "", "0 100\n300 104\n200 105\n400 100\n", {}, Severity::Error, "profile", 3,
                    "第3个变坡点（桩号200）在第2个变坡点（桩号300）之前"},
        FindingCase{"starts-late", "", STRAIGHT_ICD, "100 100\n400 104 2000\n1000 100\n", {}, Severity::Warning,
                    "profile", 1, "起点缺100.000 m"},
        FindingCase{"ends-early", "", STRAIGHT_ICD, "0 100\n400 104 2000\n900 100\n", {}, Severity::Warning,
                    "profile", 3, "终点缺100.000 m"},
        FindingCase{"runs-past", "", STRAIGHT_ICD, "0 100\n400 104 2000\n1100 100\n", {}, Severity::Warning,
                    "profile", 3, "超出平面终点1000.000共100.000 m"},
        FindingCase{"breaks-out-of-order", "2350 2300\n2200 2250\n", "", GOOD_PROFILE, {}, Severity::Error, "breaks",
                    2, "第2个断链的断前桩号2200不在第1个断链的断后桩号2300之后"},
        FindingCase{"break-without-jump", "2350 2350\n", "", GOOD_PROFILE, {}, Severity::Warning, "breaks", 1,
                    "第1个断链的断前、断后桩号相同（2350）"},
        FindingCase{"breaks-too-close", "2350 2300\n2320 2400\n", "", "0 100\n2000 104\n", {}, Severity::Warning,
                    "breaks", 2, "第1个断链与第2个断链相距20.000 m，小于断链的长短链80.000 m"},
        FindingCase{"stake-in-gap", "4100 4180\n", "", "0 100\n4150 104\n5000 100\n", {}, Severity::Error, "profile",
                    2, "桩号4150不应存在4100和4180之间，请修改！"},
        FindingCase{"ambiguous-stake", "2350 2300\n", "", "0 100\n2320 104\n5000 100\n", {}, Severity::Error,
                    "profile", 2, "程序不能判断桩号2320所属的断链区间"},
        FindingCase{"zero-length-element", "", "0\n0,0,0\n1,500\n1,0\n1,500\n0\n", GOOD_PROFILE, {},
                    Severity::Warning, "icd", 4, "第2个线元长度为0"},
        FindingCase{"steep-grade", "", "", "0 100\n200 112\n400 100\n", CheckRules{5.0, 0.0}, Severity::Warning, "profile", 1,
                    "第1个变坡点至第2个变坡点的纵坡6.0000%超过5%"},
        FindingCase{"short-curve", "", "", "0 100\n200 104 2000\n400 100\n", CheckRules{9.0, 100.0},
                    Severity::Warning, "profile", 2, "第2个变坡点的竖曲线长80.000 m短于100.000 m"},
        FindingCase{"landxml-joint", "", "", "", {}, Severity::Warning, "landxml", 4,
                    "Line（第1个线元）的终点距", LANDXML(NORTH_LINE "<Line><Start>100.0625 0</Start><End>200 0</End></Line>\n")},
        FindingCase{"landxml-zero-length", "", "", "", {}, Severity::Warning, "landxml", 5, "长度为0的Line已略过",
                    LANDXML(NORTH_LINE "<Line><Start>100 0</Start><End>100 0</End></Line>\n"
                                       "<Line><Start>100 0</Start><End>200 0</End></Line>\n")},
        // A clothoid of L 36 m into R 100 m has A = 60 m; its end by numerical integration.
        FindingCase{"landxml-spiral-constant", "", "", "", {}, Severity::Warning, "landxml", 5,
                    "缓和曲线参数A为65.000 m，按长度36.000 m和半径应为60.000 m，相差5.000 m",
                    LANDXML(NORTH_LINE "<Spiral spiType=\"clothoid\" length=\"36\" rot=\"cw\" radiusStart=\"INF\" "
                                       "radiusEnd=\"100\" constant=\"65\"><Start>100 0</Start>"
                                       "<End>135.8835348 2.1550063</End></Spiral>\n")},
        FindingCase{"landxml-turn-in-seconds", "", "", "", {}, Severity::Warning, "landxml", 5,
                    "Line（第2个线元）起点的方位角与前一线元终点相差20.6″",
                    LANDXML(NORTH_LINE "<Line><Start>100 0</Start><End>200 0.01</End></Line>\n")},
        FindingCase{"landxml-grade-at-its-pvi", "", "", "", CheckRules{5.0, 0.0}, Severity::Warning, "landxml", 6,
                    "第1个变坡点至第2个变坡点的纵坡6.0000%超过5%",
                    "<?xml version=\"1.0\"?>\n<LandXML><Units><Metric/></Units><Alignments>\n"
                    "<Alignment name=\"R\"><CoordGeom>\n" NORTH_LINE "</CoordGeom><Profile><ProfAlign name=\"P\">\n"
                    "<PVI>0 100</PVI>\n<PVI>100 106</PVI>\n</ProfAlign></Profile></Alignment></Alignments></LandXML>\n"},
        FindingCase{"landxml-refused", "", "", "", {}, Severity::Error, "landxml", 1, "数据文件格式有误！", "LandXML?\n"}),
    [](const ::testing::TestParamInfo<FindingCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });

// Profiles an engineer designs on purpose, which earlier checks reported.
TEST(DataCheck, CurvesWithinTheirRoomAreNoFindings) {
    testing::TempFolder folder{"check"};
    for (const char* profile : {
             "0 100\n200 104 8000\n400 100\n",                // T 160 of the 200 m to an end without curve
             "0 100\n200 104 2500\n300 102 2500\n500 106\n",  // T 50 and 50 between 100 m: curves touch
             "0 100\n100 104 3750.1875\n400 100\n",           // T 100.005: on the end point, to the rounding
         }) {
        const std::vector<Finding> found = checkProject({folder.writeNext(profile, "p", ".zdm"), "", "", ""}, {});
        EXPECT_TRUE(found.empty()) << profile << "\n" << findingsText(found);
    }
}

// The readers go on in check mode: every refused line of every file is a
// finding, in line order, and the breaks accepted convert the profile.
TEST(DataCheck, EveryRefusedLineOfEveryFileIsReported) {
    testing::TempFolder folder{"check"};
    const std::string breaks = folder.write("b.dl", "2350 2300\nabc 4180\n4100\n4100 4180 长链\n");
    const std::string profile =
        folder.write("p.zdm", "0 100\n600 112 8000 ;变坡点1\n650\nW700 101\n4150 104\n300 104\n\n900 100\n");
    const std::vector<Finding> found = checkProject({profile, breaks, "", ""}, {});
    EXPECT_EQ(findingsText(found),
              "error b.dl:2 断前桩号\"abc\"不是数值\n"
              "error b.dl:3 断链行需要断前桩号和断后桩号两个数值\n"
              "warning p.zdm:2 第2行有4个字段：竖曲线半径未读入\n"
              "error p.zdm:3 该行只有一个字段；变坡点需要桩号和高程\n"
              "error p.zdm:4 桩号W700的断链标识不存在，请修改！\n"
              "error p.zdm:5 桩号4150不应存在4100和4180之间，请修改！\n"
              "error p.zdm:6 第3个变坡点（桩号300）在第2个变坡点（桩号600）之前，变坡点顺序有误\n"
              "warning p.zdm:7 第7行为空行，其后还有1行数据未读入\n");

    // An ICD record of too few fields is left out and the next one read.
    const std::string icd = folder.write("a.icd", "0\n0,0,0\n1,500\n2,300\n1,0\n1,500\n0\n");
    EXPECT_EQ(findingsText(checkProject({"", "", icd, ""}, {})),
              "error a.icd:4 " + msg::recordFieldsMissing("2", 1, 3) + "\nwarning a.icd:5 第2个线元长度为0\n");
}

}  // namespace
}  // namespace gradix
