// The profile's label model and the profile sheet on the example project;
// the sheet is read back with ezdxf (sheet_check.py), an independent reader.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "text/failures.h"
#include "text/numbers.h"
#include "stakes/stakes.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "support/chain_breaks.h"
#include "views/example_project.h"
#include "views/labelplacement.h"
#include "views/planmodel.h"
#include "views/profilemodel.h"
#include "views/profilesheet.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;

constexpr const char* PYTHON = "/usr/bin/python3";
constexpr int CHECKER_SKIP = 77;
const std::string CHECKER = std::string(GRADIX_SOURCE_DIR) + "/tests/views/sheet_check.py";
// Vertices are written with round-trip precision; mapped back through the
// scales they may differ from DesignAt by the rounding of x · scale / 1000.
constexpr double ELEVATION_TOLERANCE = 1e-6;  // m, what the sheet promises
constexpr double PAPER_TOLERANCE = 1e-9;      // mm, positions written exactly
constexpr double BREAK_SIDE = 1e-6;           // m either side of a chainage, to read both stakes of a break

TEST(ProfileLabelModel, LabelsOfTheExampleProject) {
    const ExampleProject& project = exampleProject();
    const ProfileLabelModel model = buildProfileModel(project.profile, project.breaks);
    std::map<std::string, std::string> curves;
    for (const GradePointLabel& g : model.gradePoints) curves[g.stake] = g.curve;
    // By hand: R 8000, grades +0.02 and -0.01, T = 8000 · 0.03 / 2 = 120, E = 120² / 16000.
    // Stakes as every output writes them: the stretch letter and K notation.
    EXPECT_EQ(curves["AK0+600.000"], "R=8000 T=120 E=0.900");
    EXPECT_EQ(curves["AK0+000.000"], "");  // the ends have no curve
    EXPECT_EQ(curves["CK5+200.000"], "");
    ASSERT_EQ(model.chainBreaks.size(), 2u);
    EXPECT_EQ(model.chainBreaks[0].text, "断链 K2+350.000=K2+300.000 长链 50.000 m");
    EXPECT_EQ(model.chainBreaks[0].chainage, 2350);
    EXPECT_EQ(model.chainBreaks[1].text, "断链 K4+100.000=K4+180.000 短链 80.000 m");
    EXPECT_EQ(model.chainBreaks[1].chainage, 4150);
    ASSERT_FALSE(model.gradeLines.empty());
    EXPECT_EQ(model.gradeLines[0].gradeText, "2.000%");
    EXPECT_EQ(model.gradeLines[0].lengthText, "600.000");
}

// Profiles at the edges of the double range end, drawn or refused with the
// data failure: stakes too large for a step of one to change them once made
// the tick loop run forever.
TEST(ProfileLabelModel, ExtremeProfilesAreDrawnOrRefusedButNeverHang) {
    struct Case {
        const char* name;
        double k1, k2, k3, h;
    };
    const Case cases[] = {
        {"stakes near 1e20 m", 1e20, 1e20 + 1e5, 1e20 + 2e5, 100},
        {"a profile 1e12 m long", 0, 5e11, 1e12, 100},
        {"elevations near 1e15 m", 0, 500, 1000, 1e15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Profile p;
        p.gradePointCount = 3;
        p.gradePointChainage = {0, c.k1, c.k2, c.k3};
        p.gradePointElevation = {0, c.h, c.h + 10, c.h};
        p.curveRadius = {0, 0, 1000, 0};
        PrepareProfile(p);
        const ChainBreakTable noBreaks;
        try {
            const ProfileLabelModel model = buildProfileModel(p, noBreaks);
            EXPECT_FALSE(model.designLine.empty());
            (void)profileSheetDxf(p, noBreaks, {});
        } catch (const DataError&) {
            // refused: too long to draw, or a sheet larger than the paper allows
        }
    }
}

// ---- stakes across chain breaks ---------------------------------------------

// The plan and profile models of the example road with road.dl's breaks:
// every stake they show is the stretch letter and K notation, the ticks of a
// new stretch on its own round stakes, the break notes rounded to the
// millimetre; the plan's read-out names the stake and the offset, positive
// to the right of the road.
TEST(ViewModels, StakesAreShownInTheNumberingOfTheChainBreaks) {
    const ExampleProject& project = exampleProject();
    const PlanLabelModel plan = buildPlanModel(project.alignment, project.breaks);
    const ProfileLabelModel profile = buildProfileModel(project.profile, project.breaks);
    const auto planLabel = [&](double chainage) {
        for (const PlanTick& t : plan.ticks)
            if (std::abs(t.chainage - chainage) < 1e-9 && !t.label.empty()) return t.label;
        return std::string("(none)");
    };
    const auto profileLabel = [&](double chainage) {
        for (const StakeTick& t : profile.ticks)
            if (std::abs(t.chainage - chainage) < 1e-9 && !t.label.empty()) return t.label;
        return std::string("(none)");
    };
    const struct {
        double chainage;
        const char* label;
    } ticks[] = {
        {2300, "AK2+300"},
        {2350, "BK2+300"},  // the break: stretch B starts on a round stake of its own
        {2450, "BK2+400"},
        {2400, "(none)"},   // chainage 2400 is stake B2350, no hundred
        {4150, "BK4+100"},  // a jump ahead: B keeps its last stake, C's round stakes follow
        {4170, "CK4+200"},
        {4200, "(none)"},   // chainage 4200 is stake C4230
        {4270, "CK4+300"},
    };
    for (const auto& t : ticks) {
        EXPECT_EQ(planLabel(t.chainage), t.label) << "plan at " << t.chainage;
        EXPECT_EQ(profileLabel(t.chainage), t.label) << "profile at " << t.chainage;
    }
    ASSERT_EQ(plan.chainBreaks.size(), 2u);
    EXPECT_EQ(plan.chainBreaks[0].text, "断链 K2+350.000=K2+300.000 长链 50.000 m");
    EXPECT_NEAR(plan.chainBreaks[1].chainage, 4150, 1e-9);
    for (const PlanMainPoint& m : plan.mainPoints)
        EXPECT_TRUE(m.stake.size() > 2 && m.stake[0] >= 'A' && m.stake[0] <= 'C' && m.stake[1] == 'K') << m.stake;
    EXPECT_EQ(plan.mainPoints.back().stake, "CK5+200.000");

    // Read-outs 5 m right and left of the road at B2320 and C4600.
    SampleTable samples = project.samples;
    const struct {
        const char* stake;
        double offsetRight;
        const char* shown;
    } points[] = {{"B2320", 5, "BK2+320.000"}, {"B2320", -5, "BK2+320.000"}, {"C4600", 12.5, "CK4+600.000"}};
    for (const auto& row : points) {
        const double chainage = project.chainageOf(row.stake);
        double X = 0, Y = 0, bearing = 0;
        PointAtChainage(project.alignment, chainage, X, Y, bearing);
        // Right of a road running (cos b, sin b) north and east is (-sin b, cos b).
        const PlanPoint at{Y + row.offsetRight * std::cos(bearing), X - row.offsetRight * std::sin(bearing)};
        const PlanReadout r = planReadout(project.alignment, samples, project.breaks, at);
        EXPECT_EQ(r.stake, row.shown);
        EXPECT_NEAR(r.offset, row.offsetRight, 1e-6) << row.stake;
    }
    EXPECT_EQ(profileReadout(project.profile, project.breaks, project.chainageOf("B2320")).kilometreStake,
              "BK2+320.000");
}

// ---- label placement ---------------------------------------------------------

// Which labels are kept: the higher priority first, none over another, none
// cut at the view's edge, turned boxes compared as turned, a label of
// several places in the first that has room.
TEST(LabelPlacement, KeepsTheLabelsThatHaveRoomInOrderOfPriority) {
    const auto box = [](double l, double t, double r, double b) { return LabelBox::upright(l, t, r, b); };
    const double s = std::sqrt(0.5);
    // A 40 x 10 text turned 45 degrees, from (50, 50) down to the right.
    const LabelBox turned = LabelBox::ofText({50, 50}, {s, s}, 40, 8, 2);
    struct Row {
        const char* name;
        std::vector<LabelCandidate> candidates;
        std::vector<LabelBox> obstacles;
        std::vector<bool> kept;
    };
    const Row rows[] = {
        {"two apart", {{box(10, 10, 40, 20), 0}, {box(50, 10, 80, 20), 0}}, {}, {true, true}},
        {"overlapping: the first of one priority", {{box(10, 10, 40, 20), 1}, {box(30, 15, 60, 25), 1}}, {},
         {true, false}},
        {"overlapping: the higher priority, though later", {{box(10, 10, 40, 20), 3}, {box(30, 15, 60, 25), 0}},
         {}, {false, true}},
        {"edges touching are apart", {{box(10, 10, 40, 20), 0}, {box(40, 10, 70, 20), 0}}, {}, {true, true}},
        {"cut by the view's edge", {{box(-1, 10, 30, 20), 0}, {box(80, 90, 101, 95), 0}}, {}, {false, false}},
        {"over an obstacle", {{box(10, 10, 40, 20), 0}}, {box(35, 0, 100, 12)}, {false}},
        {"a turned box over an upright one in its way", {{turned, 0}, {box(68, 68, 75, 75), 1}}, {}, {true, false}},
        {"a turned box beside an upright one inside its bounding box", {{turned, 0}, {box(52, 70, 58, 78), 1}},
         {}, {true, true}},
        {"places of one label: the first with room",
         {{box(10, 10, 40, 20), 0, 7}, {box(10, 30, 40, 40), 0, 7}, {box(10, 50, 40, 60), 0, 7}},
         {box(0, 0, 100, 25)},
         {false, true, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(placeLabels(row.candidates, 100, 100, row.obstacles), row.kept);
    }
}

// ---- the profile's fit ---------------------------------------------------------

// The exaggeration that fits a profile's elevations: the largest of the
// rounded values whose rise still fits, within its limits.
TEST(ProfileFit, TheExaggerationFitsTheRiseIntoTheRoom) {
    const struct {
        double rise, pixelsPerMetre, room, expected;
    } rows[] = {
        {20, 0.2, 300, 60},     // 75 fits exactly: 60 is the nice value below
        {20, 0.2, 320, 80},     // 80 exactly
        {100, 1, 250, 2.5},
        {0, 0.2, 300, 1000},    // flat: counted as 1 m, 1500 held to the highest
        {1e4, 1, 300, 1},       // steeper than the view: held to the lowest
    };
    for (const auto& r : rows)
        EXPECT_DOUBLE_EQ(fittingExaggeration(r.rise, r.pixelsPerMetre, r.room, 1, 1000), r.expected)
            << r.rise << " m over " << r.room << " px";
}

// ---- the sheet through ezdxf ------------------------------------------------

struct SheetReading {
    int status = -1;
    int auditErrors = -1;
    std::string auditMessages, version, output;
    std::vector<std::pair<double, double>> vertices;
    struct Tick { double x, low, high; };
    std::vector<Tick> ticks;
    struct Label { std::string text; double x, y; };
    std::vector<Label> labels;
    std::vector<std::string> notes;
    std::vector<std::string> breaks;            // the chain-break notes
    std::map<std::string, std::string> styles;  // name -> "font|big font"
};

SheetReading readSheet(const fs::path& file) {
    SheetReading r;
    const std::string command = std::string(PYTHON) + " " + CHECKER + " " + file.string() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.empty()) continue;
        if (f[0] == "AUDIT" && f.size() >= 2) {
            r.auditErrors = std::stoi(f[1]);
            r.auditMessages = f.size() > 2 ? f[2] : "";
        } else if (f[0] == "VERSION" && f.size() == 2) {
            r.version = f[1];
        } else if (f[0] == "STYLE" && f.size() >= 3) {
            r.styles[f[1]] = f[2] + "|" + (f.size() > 3 ? f[3] : "");
        } else if (f[0] == "VERTEX" && f.size() == 3) {
            r.vertices.emplace_back(std::stod(f[1]), std::stod(f[2]));
        } else if (f[0] == "TICK" && f.size() == 4) {
            r.ticks.push_back({std::stod(f[1]), std::stod(f[2]), std::stod(f[3])});
        } else if (f[0] == "LABEL" && f.size() == 4) {
            r.labels.push_back({f[1], std::stod(f[2]), std::stod(f[3])});
        } else if (f[0] == "NOTE" && f.size() == 2) {
            r.notes.push_back(f[1]);
        } else if (f[0] == "BREAK" && f.size() == 3) {
            r.breaks.push_back(f[1]);
        }
    }
    return r;
}

// The origin and scales that the sheet's note states.
ProfileSheetFrame frameFromNote(const std::vector<std::string>& notes) {
    ProfileSheetFrame frame{};
    for (const std::string& note : notes) {
        double c = 0, e = 0, h = 0, v = 0;
        if (std::sscanf(note.c_str(), "原点 里程=%lf 高程=%lf 横向比例=1:%lf 竖向比例=1:%lf", &c, &e, &h, &v) == 4)
            return {c, e, h, v};
    }
    ADD_FAILURE() << "no note of the origin on the sheet";
    return frame;
}

struct SheetCase {
    const char* name;
    ProfileSheetOptions options;
};

TEST(ProfileSheet, ReadByEzdxfMatchesDesignAt) {
    GRADIX_NEED(fs::exists(PYTHON) && readSheet("/dev/null").status != CHECKER_SKIP,
                "ezdxf (/usr/bin/python3 with python3-ezdxf) is not installed");
    const ExampleProject& project = exampleProject();
    const SheetCase cases[] = {
        {"whole road at the default scales", {}},
        {"B2200 to C4700 at 1:1000 and 1:100",
         {1000, 100, project.chainageOf("B2200"), project.chainageOf("C4700")}},
    };
    const testing::TempFolder folder;
    for (const SheetCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = folder.file("profile.dxf");
        writeProfileSheet(file.string(), project.profile, project.breaks, c.options);
        const SheetReading sheet = readSheet(file);
        ASSERT_EQ(sheet.status, 0) << sheet.output;
        EXPECT_EQ(sheet.auditErrors, 0) << sheet.auditMessages;
        EXPECT_EQ(sheet.version, "AC1032");
        EXPECT_EQ(sheet.styles.at("jp"), "fsdb_e.shx|fsdb.shx");
        const ProfileSheetFrame frame = frameFromNote(sheet.notes);
        EXPECT_EQ(frame.horizontalScale, c.options.horizontalScale);
        EXPECT_EQ(frame.verticalScale, c.options.verticalScale);
        const auto chainageAt = [&](double x) { return frame.originChainage + x * frame.horizontalScale / 1000; };

        // Every vertex on DesignAt at its stake.
        ASSERT_GT(sheet.vertices.size(), 100u);
        std::vector<double> chainages;
        for (const auto& [x, y] : sheet.vertices) {
            const double chainage = chainageAt(x);
            const double elevation = frame.originElevation + y * frame.verticalScale / 1000;
            EXPECT_NEAR(elevation, DesignAt(project.profile, chainage).elevation, ELEVATION_TOLERANCE)
                << "vertex at chainage " << chainage;
            chainages.push_back(chainage);
        }
        // A vertex at every tangent point, none more than 1 m apart inside a curve.
        const Profile& p = project.profile;
        const double from = chainages.front(), to = chainages.back();
        for (int j = 2; j < p.gradePointCount; ++j) {
            const double s = p.gradePointChainage[j] - p.tangentLength[j];
            const double e = p.gradePointChainage[j] + p.tangentLength[j];
            for (double tangentPoint : {s, e}) {
                if (tangentPoint < from || tangentPoint > to) continue;
                const auto near = std::find_if(chainages.begin(), chainages.end(),
                                               [&](double v) { return std::abs(v - tangentPoint) < 1e-6; });
                EXPECT_NE(near, chainages.end()) << "no vertex at the tangent point " << tangentPoint;
            }
            for (std::size_t k = 1; k < chainages.size(); ++k) {
                if (chainages[k] > s && chainages[k - 1] < e) {
                    EXPECT_LE(chainages[k] - chainages[k - 1], CURVE_SAMPLE_STEP + 1e-6) << "at " << chainages[k];
                }
            }
        }

        // Every stake label stands above its own tick, and names its stake.
        ASSERT_FALSE(sheet.labels.empty());
        for (const SheetReading::Label& label : sheet.labels) {
            const bool onTick = std::any_of(sheet.ticks.begin(), sheet.ticks.end(), [&](const SheetReading::Tick& t) {
                return std::abs(t.x - label.x) < PAPER_TOLERANCE && t.high < label.y;
            });
            EXPECT_TRUE(onTick) << label.text << " at x " << label.x;
            // In the one stake notation (stretch letter and K notation), on a
            // round stake of its stretch; at a chain break both stakes stand
            // at one place: the back one and the ahead one.
            const auto stakeText = [&](double chainage) { return formatStake(project.breaks, chainage, 0); };
            const double at = chainageAt(label.x);
            EXPECT_TRUE(label.text == stakeText(at - BREAK_SIDE) || label.text == stakeText(at + BREAK_SIDE))
                << label.text << " at chainage " << at;
            EXPECT_TRUE(label.text.ends_with("00")) << label.text;
        }
        // Each chain break in the range with its note ("断链 K2+350.000=K2+300.000 长链 50.000 m").
        std::vector<std::string> notes;
        for (int k = 1; k <= project.breaks.chainBreakCount; ++k) notes.push_back(chainBreakNote(project.breaks, k));
        EXPECT_EQ(sheet.breaks, notes);
    }
}

}  // namespace
}  // namespace gradix
