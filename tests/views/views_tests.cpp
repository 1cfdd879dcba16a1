// The profile's label model and the profile sheet on the example project;
// the sheet is read back with ezdxf (sheet_check.py), an independent reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "text/failures.h"
#include "text/numbers.h"
#include "stakes/stakes.h"
#include "support/dxf_checker.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "support/chain_breaks.h"
#include "views/example_project.h"
#include "views/labelplacement.h"
#include "views/planmodel.h"
#include "views/profilemodel.h"
#include "views/profilesheet.h"
#include "landxml/landxml.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;

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
            (void)profileSheets({p, noBreaks}, {});
        } catch (const DataError&) {
            // refused: too long to draw, or a sheet larger than the paper allows
        }
    }
}

// Scales and stake steps at the edges of what can be drawn give sheets or
// the data failure, never a sheet of millions of grid lines or stakes.
TEST(ProfileSheet, ExtremeScalesAreDrawnOrRefusedButNeverHang) {
    const gradix::ExampleProject& project = gradix::exampleProject();
    const struct {
        const char* name;
        double hs, vs, every;
    } rows[] = {{"1:1e-9 along", 1e-9, 200, 20}, {"1:1e12 along", 1e12, 200, 20}, {"1:1e12 up", 2000, 1e12, 20},
                {"1:1e-9 up", 2000, 1e-9, 20},   {"a stake every micrometre", 2000, 200, 1e-6}};
    for (const auto& r : rows) {
        gradix::ProfileSheetOptions o;
        o.horizontalScale = r.hs, o.verticalScale = r.vs, o.every = r.every;
        try {
            EXPECT_FALSE(gradix::profileSheets({project.profile, project.breaks}, o).dxf.empty()) << r.name;
        } catch (const gradix::DataError&) {
            // refused: more sheets or stakes than a drawing takes, or a rise no frame holds
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

// Curves of one R and one grade change print one E, whatever the last bits
// of their tangent lengths: E comes from R and T as printed (25² / 10000 =
// 0.0625, which rounds to 0.062 for each of them).
TEST(ProfileLabelModel, CurvesOfOneShapePrintOneExternal) {
    Profile p;
    p.gradePointCount = 5;
    p.gradePointChainage = {0, 0, 100, 200.3, 300.7, 400};
    p.gradePointElevation = {0, 0, 1, 1, 2.004, 2.004};
    p.curveRadius = {0, 0, 5000, 5000, 5000, 0};
    PrepareProfile(p);
    for (int j : {2, 3, 4}) EXPECT_EQ(curveLabel(p, j), "R=5000 T=25 E=0.062") << "grade point " << j;
}

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

using testing::SheetReading;

// The origin and scales that a sheet's note states.
ProfileSheetFrame frameFromNote(const SheetReading& sheet) {
    for (const SheetReading::Text& t : sheet.on(SHEET_NOTE_LAYER)) {
        ProfileSheetFrame f{};
        if (std::sscanf(t.text.c_str(), "原点 X=%lf Y=%lf 里程=%lf 高程=%lf 横向比例=1:%lf 竖向比例=1:%lf", &f.originX,
                        &f.originY, &f.originChainage, &f.originElevation, &f.horizontalScale, &f.verticalScale) == 6)
            return f;
    }
    ADD_FAILURE() << "no note of the origin on the sheet";
    return {};
}

struct SheetCase {
    const char* name;
    ProfileSheetOptions options;
};

// Sheets one a file, at the scales and over the range given.
ProfileSheetOptions split(double hs = DEFAULT_HORIZONTAL_SCALE, double vs = DEFAULT_VERTICAL_SCALE,
                          std::optional<double> from = {}, std::optional<double> to = {}) {
    ProfileSheetOptions o;
    o.horizontalScale = hs, o.verticalScale = vs, o.fromChainage = from, o.toChainage = to;
    o.split = true;
    return o;
}

TEST(ProfileSheet, ReadByEzdxfMatchesDesignAt) {
    REQUIRE_EZDXF();
    const ExampleProject& project = exampleProject();
    const SheetCase cases[] = {
        {"whole road at the default scales", split()},
        {"B2200 to C4700 at 1:1000 and 1:100", split(1000, 100, project.chainageOf("B2200"), project.chainageOf("C4700"))},
    };
    const testing::TempFolder folder;
    for (const SheetCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ProfileSheets sheets = profileSheets({project.profile, project.breaks}, c.options);
        const std::vector<std::string> files = profileSheetFiles(folder.file("profile.dxf"), sheets.dxf.size(), true);
        writeProfileSheets(files, sheets);
        std::vector<std::string> breaksSeen;
        for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const SheetReading sheet = testing::readSheet(file);
        ASSERT_EQ(sheet.status, 0) << sheet.output;
        EXPECT_EQ(sheet.auditErrors, 0) << sheet.auditMessages;
        EXPECT_EQ(sheet.version, "AC1032");
        EXPECT_EQ(sheet.styles.at("jp"), "fsdb_e.shx|fsdb.shx");
        const ProfileSheetFrame frame = frameFromNote(sheet);
        EXPECT_EQ(frame.horizontalScale, c.options.horizontalScale);
        EXPECT_EQ(frame.verticalScale, c.options.verticalScale);
        const auto chainageAt = [&](double x) {
            return frame.originChainage + (x - frame.originX) * frame.horizontalScale / 1000;
        };

        // Every vertex on DesignAt at its stake.
        ASSERT_GE(sheet.vertices.size(), 2u);
        std::vector<double> chainages;
        for (const auto& [x, y] : sheet.vertices) {
            const double chainage = chainageAt(x);
            const double elevation = frame.originElevation + (y - frame.originY) * frame.verticalScale / 1000;
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

        // Every stake label stands under its own tick, and names its stake.
        const std::vector<SheetReading::Text> labels = sheet.on(SHEET_BAND_LAYERS[4]);
        ASSERT_FALSE(labels.empty());
        for (const SheetReading::Text& label : labels) {
            const bool onTick = std::any_of(sheet.lines.begin(), sheet.lines.end(), [&](const SheetReading::Line& t) {
                return t.layer == SHEET_BAND_LAYERS[4] && std::abs(t.x1 - label.x) < PAPER_TOLERANCE && t.y2 > label.y;
            });
            EXPECT_TRUE(onTick) << label.text << " at x " << label.x;
            // In the one stake notation (stretch letter and K notation); at a
            // chain break both stakes stand at one place: the back one and the ahead one.
            const double at = chainageAt(label.x);
            const auto names = [&](int decimals) {
                return label.text == formatStake(project.breaks, at - BREAK_SIDE, decimals) ||
                       label.text == formatStake(project.breaks, at + BREAK_SIDE, decimals);
            };
            EXPECT_TRUE(names(0) || names(3)) << label.text << " at chainage " << at;
        }
        for (const SheetReading::Text& t : sheet.on(SHEET_BREAK_LAYER)) breaksSeen.push_back(t.text);
        }
        // Each chain break in the range with its note ("K2+350.000=K2+300.000 长链 50.000 m").
        std::vector<std::string> notes;
        for (int k = 1; k <= project.breaks.chainBreakCount; ++k) {
            const double at = project.chainageOf(k == 1 ? "B2300" : "C4180");
            if (at >= sheets.pages.front().fromChainage && at <= sheets.pages.back().toChainage)
                notes.push_back(chainBreakEquation(project.breaks, k));
        }
        EXPECT_EQ(breaksSeen, notes);
    }
}

// The files of a split set: the sheet's number after a hyphen, before the extension.
TEST(ProfileSheet, SplitSheetsAreNumberedBeforeTheExtension) {
    const struct {
        const char* path;
        int number;
        const char* file;
    } rows[] = {{"profile.dxf", 1, "profile-1.dxf"}, {"out/纵断面.DXF", 12, "out/纵断面-12.DXF"}, {"sheets", 2, "sheets-2.dxf"}};
    for (const auto& r : rows) EXPECT_EQ(splitSheetPath(r.path, r.number), r.file) << r.path;
}

// A road drawn onto sheets with every band it can have, as a case of the test below.
struct BandedRoad {
    const char* name;
    ChainBreakTable breaks;
    Profile profile;
    Alignment alignment;
    Surface surface;
    GroundLine ground;
    ProfileSheetOptions options;
};

BandedRoad exampleWithEveryBand() {
    const ExampleProject& p = exampleProject();
    BandedRoad r{"the example road with its surface and a ground line", p.breaks, p.profile, p.alignment, {}, {}, {}};
    readSuperelevationFile(testing::example("road.sup"), r.breaks, r.surface);
    readWidthFile(testing::example("road.wid"), r.breaks, r.surface);
    prepareSurface(r.surface);
    r.ground = {{0, 1000, 2500, 5170}, {98, 113, 110, 118}};
    r.options.projectName = "示例公路", r.options.date = "2026-12-09";
    return r;
}

const std::string STN02_FILE = std::string(GRADIX_SHARED_DATA) + "/ifc4x-if/STN02/Alignment_STN02.xml";

BandedRoad stn02() {
    LandXmlProject x = readLandXml(STN02_FILE);
    BandedRoad r{"STN02 on A2 sheets, one a file, stakes every 50 m", x.breaks, x.profile, x.alignment, {}, {}, {}};
    r.options.paper = PaperSize::A2, r.options.split = true, r.options.every = 50;
    return r;
}

// Each band's texts stand at their stakes and say what the road has there,
// the title block names its sheet, no two texts cross and ezdxf finds nothing
// to mend. Stakes of the bands: whole multiples of the step (0 decimals) or
// the named places (3 decimals).
TEST(ProfileSheet, EveryBandSaysWhatTheRoadHasAtItsStakes) {
    REQUIRE_EZDXF();
    GRADIX_NEED(fs::exists(STN02_FILE), "the STN02 alignment is not in " << STN02_FILE);
    const testing::TempFolder folder;
    for (const BandedRoad& r : {exampleWithEveryBand(), stn02()}) {
        SCOPED_TRACE(r.name);
        const ProfileSheetSource source{r.profile, r.breaks, &r.alignment, r.surface.loaded() ? &r.surface : nullptr,
                                        r.ground.chainage.empty() ? nullptr : &r.ground};
        const ProfileSheets sheets = profileSheets(source, r.options);
        const std::vector<std::string> files = profileSheetFiles(folder.file("sheet.dxf"), sheets.dxf.size(), r.options.split);
        writeProfileSheets(files, sheets);
        std::size_t levelGrades = 0, planTexts = 0, slopeTexts = 0;
        for (std::size_t f = 0; f < files.size(); ++f) {
            const SheetReading read = testing::readSheet(files[f]);
            ASSERT_EQ(read.status, 0) << read.output;
            EXPECT_EQ(read.auditErrors, 0) << read.auditMessages;
            EXPECT_TRUE(read.overlaps.empty()) << read.overlaps.front().first << " / " << read.overlaps.front().second;
            for (const ProfileSheetPage& page : sheets.pages) {
                if (r.options.split && page.number != static_cast<int>(f) + 1) continue;
                SCOPED_TRACE("sheet " + std::to_string(page.number));
                const auto mine = [&](const std::string& layer) {
                    std::vector<SheetReading::Text> out;
                    for (const SheetReading::Text& t : read.on(layer))
                        if (t.x > page.paper.x0 && t.x < page.paper.x1) out.push_back(t);
                    return out;
                };
                const ProfileSheetFrame& o = page.origin;
                const auto at = [&](double x) { return o.originChainage + (x - o.originX) * o.horizontalScale / 1000; };
                const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
                // The title block.
                std::vector<std::string> title;
                for (const SheetReading::Text& t : mine(SHEET_FRAME_LAYER)) title.push_back(t.text);
                for (const std::string& expected :
                     {std::string("纵断面图"), std::to_string(page.number) + "/" + std::to_string(sheets.pages.size()),
                      std::string("横1:2000 竖1:200"), formatStake(r.breaks, page.fromChainage) + "～" + formatStake(r.breaks, page.toChainage)})
                    EXPECT_NE(std::find(title.begin(), title.end(), expected), title.end()) << expected;
                if (!r.options.projectName.empty()) {
                    EXPECT_NE(std::find(title.begin(), title.end(), r.options.projectName), title.end());
                }
                // The stakes, and at each the design elevation, the ground and the fill.
                const std::vector<SheetReading::Text> stakes = mine(SHEET_BAND_LAYERS[4]);
                ASSERT_GT(stakes.size(), 3u);
                for (const SheetReading::Text& s : stakes) {
                    const double c = at(s.x);
                    const bool regular = s.text == formatStake(r.breaks, c, 0);
                    EXPECT_TRUE(regular || s.text == formatStake(r.breaks, c + 1e-6) || s.text == formatStake(r.breaks, c - 1e-6))
                        << s.text << " at " << c;
                    if (regular) {
                        EXPECT_NEAR(std::remainder(stakeValueAt(r.breaks, c), r.options.every), 0, 1e-6) << s.text;
                    }
                }
                const auto stakeAt = [&](double x) {
                    return std::any_of(stakes.begin(), stakes.end(), [&](const SheetReading::Text& s) { return near(s.x, x); });
                };
                for (const auto& [band, value] :
                     std::vector<std::pair<std::size_t, std::function<std::optional<double>(double)>>>{
                         {1, [&](double c) { return std::optional(DesignAt(r.profile, c).elevation); }},
                         {0, [&](double c) { return r.ground.chainage.empty() ? std::nullopt : r.ground.at(c); }},
                         {2, [&](double c) -> std::optional<double> {
                              const auto g = r.ground.chainage.empty() ? std::nullopt : r.ground.at(c);
                              return g ? std::optional(DesignAt(r.profile, c).elevation - *g) : std::nullopt;
                          }}}) {
                    for (const SheetReading::Text& t : mine(SHEET_BAND_LAYERS[band])) {
                        EXPECT_TRUE(stakeAt(t.x)) << t.text << " of " << SHEET_BAND_LAYERS[band] << " has no stake";
                        const std::optional<double> v = value(at(t.x));
                        ASSERT_TRUE(v) << t.text;
                        EXPECT_EQ(t.text, formatFixed(*v, 3)) << SHEET_BAND_LAYERS[band] << " at " << at(t.x);
                    }
                    if (band != 1 && !r.ground.chainage.empty()) {
                        EXPECT_FALSE(mine(SHEET_BAND_LAYERS[band]).empty());
                    }
                }
                // The grades: level where 0.000 % is printed, and each text the grade there.
                const auto gradeAt = [&](double c) {
                    int i = 1;
                    while (i + 1 < r.profile.gradePointCount && r.profile.gradePointChainage[i + 1] < c) ++i;
                    return r.profile.segmentGrade[i];
                };
                for (const SheetReading::Line& l : read.lines) {
                    if (l.layer != SHEET_BAND_LAYERS[3] || near(l.x1, l.x2) || l.x1 < page.paper.x0 || l.x1 > page.paper.x1)
                        continue;
                    const double grade = gradeAt(at((l.x1 + l.x2) / 2));
                    const bool level = formatPercent(grade, 3) == "0.000";
                    EXPECT_EQ(l.y1 == l.y2, level) << "grade " << grade << " at " << at(l.x1);
                    levelGrades += level;
                }
                for (const SheetReading::Text& t : mine(SHEET_BAND_LAYERS[3]))
                    if (t.text.ends_with("%")) {
                        EXPECT_EQ(t.text, formatPercent(gradeAt(at(t.x)), 3) + "%");
                    }
                // The plan: each arc's radius over the arc.
                for (const SheetReading::Text& t : mine(SHEET_BAND_LAYERS[5])) {
                    if (!t.text.starts_with("R=")) continue;
                    ++planTexts;
                    const double c = at(t.x);
                    int i = 1;
                    while (i < r.alignment.elemCount && r.alignment.elemChainage[i + 1] < c) ++i;
                    EXPECT_EQ(t.text, "R=" + formatTrimmed(std::abs(r.alignment.elemStartRadius[i]), 3)) << c;
                }
                // The superelevation, half a millimetre either side of its stake.
                for (const SheetReading::Text& t : mine(SHEET_BAND_LAYERS[6])) {
                    const bool left = t.text.starts_with("左");
                    const Section section = sectionAt(r.surface, at(t.x + (left ? 0.5 : -0.5)));
                    const double slope = section.of(left ? Side::Left : Side::Right).slope[1] * 100;
                    EXPECT_EQ(t.text, (left ? "左" : "右") + formatTrimmed(slope, 3) + "%");
                    ++slopeTexts;
                }
            }
        }
        EXPECT_GT(planTexts, 0u);
        // The example's superelevation; STN02's level grades around its equation.
        EXPECT_GT(r.surface.loaded() ? slopeTexts : levelGrades, 0u);
    }
}

}  // namespace
}  // namespace gradix
