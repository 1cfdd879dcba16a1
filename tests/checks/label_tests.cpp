// The drawing-label audit: stake notations read from labels, the example
// plan's labels all agreeing with its road, and a moved label, a mislabelled
// stake and a stale annotation found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "checks/labelaudit.h"
#include "dxf/dxfreader.h"
#include "landxml/landxml.h"
#include "support/dxf_checker.h"
#include "support/file_bytes.h"
#include "support/recording_sink.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "text/numbers.h"

namespace gradix {
namespace {

struct NotationCase {
    const char* text;
    int stretches;
    const char* lineName;
    bool found;
    double value;
    char letter;
};

class LabelNotation : public ::testing::TestWithParam<NotationCase> {};

TEST_P(LabelNotation, ReadsTheStakeOfALabel) {
    const NotationCase& c = GetParam();
    const std::optional<LabelStake> stake = parseLabelStake(c.text, c.stretches, c.lineName);
    ASSERT_EQ(stake.has_value(), c.found) << c.text;
    if (!stake) return;
    EXPECT_EQ(stake->value, c.value) << c.text;
    EXPECT_EQ(stake->letter, c.letter) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Notations, LabelNotation,
    ::testing::Values(NotationCase{"K1+200", 1, "", true, 1200.0, 0},
                      NotationCase{"K1+200.000", 1, "", true, 1200.0, 0},
                      NotationCase{"1+200", 1, "", true, 1200.0, 0},
                      NotationCase{"Prog=1+200.000", 1, "", true, 1200.0, 0},
                      NotationCase{"Prog=-0+150.000", 1, "", true, -150.0, 0},
                      NotationCase{"5+400.513 : F_Re", 2, "", true, 5400.513, 0},
                      NotationCase{"BK2+320", 2, "", true, 2320.0, 'B'},
                      NotationCase{"BK2+320", 1, "", true, 2320.0, 0},  // no chain break: no stretch B
                      NotationCase{"ZK3+020", 3, "", true, 3020.0, 0},  // a left line, not stretch Z
                      NotationCase{"桩号：ROADK1+200.000\n高程：106.7260", 1, "ROAD", true, 1200.0, 0},
                      NotationCase{"桩号：ROADBK2+320.000", 3, "ROAD", true, 2320.0, 'B'},
                      NotationCase{"示例道路平面图", 1, "", false, 0, 0},
                      NotationCase{"R= 1000.000", 1, "", false, 0, 0},
                      NotationCase{"-K0+005.500", 1, "", true, -5.5, 0},
                      NotationCase{"B K5+400", 3, "", true, 5400.0, 'B'},
                      NotationCase{"K1+1200", 1, "", false, 0, 0},  // metres of a kilometre or more
                      NotationCase{"K1+1200 K1+200", 1, "", true, 1200.0, 0},
                      // An annotation by its 桩号 line: a line name that ends in a digit or
                      // a letter hides no stretch letter unless the name is known.
                      NotationCase{"桩号：A1K12+345.678", 3, "", true, 12345.678, 0},
                      NotationCase{"桩号：ROADBK2+320.000", 3, "", true, 2320.0, 0},
                      NotationCase{"K9+999\n桩号：K0+005.500\n高程：1+2", 1, "", true, 5.5, 0}));

// The reader: which texts of a drawing are stake labels, and the point and
// direction each labels. A TEXT by its alignment point, an MTEXT's codes left
// out, an attribute as the text it is, a block's text at its insert (turned
// with it), Gradix's annotation by its 桩号 line with its record's pick.
struct ReadLabel {
    const char* handle;
    const char* text;
    double value;
    char letter;
    double x, y, directionDegrees;
    bool annotation, picked;
};

TEST(StakeLabelReader, ReadsEveryKindAtThePointItLabels) {
    const std::string bytes = testing::dxf(
        {"0|SECTION", "2|BLOCKS", "0|BLOCK", "8|0", "2|TICK", "70|0", "10|0", "20|0", "0|MTEXT", "8|0", "10|0.03",
         "20|0", "40|1", "1|\\C256;0+400.000 : F_Re", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|I_Tr", "0|ENDBLK",
         "0|ENDSEC", "0|SECTION", "2|ENTITIES",
         "0|TEXT", "5|A1", "8|0", "10|1", "20|1", "40|2", "50|30", "1|K0+100", "72|1", "11|5", "21|6",
         "0|TEXT", "5|A2", "8|0", "10|2", "20|3", "40|2", "1|%%uK0+200%%u",
         "0|MTEXT", "5|A3", "8|0", "10|7", "20|8", "40|2", "50|45", "1|\\C256;Prog=0+300.000",
         "0|INSERT", "5|A4", "8|0", "2|TICK", "10|100", "20|200", "50|90",
         "0|INSERT", "5|A5", "8|0", "66|1", "2|TICK", "10|0", "20|0",
         "0|ATTRIB", "5|A6", "8|0", "10|50", "20|60", "40|2", "1|K0+500", "2|STAKE", "70|0", "0|SEQEND", "8|0",
         "0|MTEXT", "5|A7", "8|0", "10|9", "20|9", "40|5", "1|{\\L桩号：ROADBK0+600.000\\P高程：1.0000\\P纵坡：0.5000%\\P",
         "1001|GRADIX", "1000|ROAD", "1010|1", "1020|2", "1030|0",
         "0|MTEXT", "5|A8", "8|0", "10|0", "20|0", "40|8", "1|示例道路平面图\\P比例 1:2000",
         "0|TEXT", "5|A9", "8|0", "10|0", "20|0", "40|2", "1|R= 1000.000", "0|ENDSEC", "0|EOF"});
    const Drawing drawing = readDrawingBytes(bytes, "");
    const ReadLabel expected[] = {
        {"A1", "K0+100", 100, 0, 5, 6, 30, false, false},
        {"A2", "K0+200", 200, 0, 2, 3, 0, false, false},
        {"A3", "Prog=0+300.000", 300, 0, 7, 8, 45, false, false},
        {"A4", "0+400.000 : F_Re", 400, 0, 100, 200, 90, false, false},
        {"A5", "0+400.000 : F_Re", 400, 0, 0, 0, 0, false, false},
        {"A6", "K0+500", 500, 0, 50, 60, 0, false, false},
        {"A7", "桩号：ROADBK0+600.000\n高程：1.0000\n纵坡：0.5000%", 600, 'B', 9, 9, 0, true, true},
    };
    const std::vector<StakeLabel> labels = readStakeLabels(drawing, 3);
    ASSERT_EQ(labels.size(), std::size(expected));
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const StakeLabel& got = labels[k];
        const ReadLabel& want = expected[k];
        EXPECT_EQ(got.handle, want.handle);
        EXPECT_EQ(got.text.substr(0, got.text.find_last_not_of('\n') + 1), want.text) << want.handle;
        EXPECT_EQ(got.stake.value, want.value) << want.handle;
        EXPECT_EQ(got.stake.letter, want.letter) << want.handle;
        EXPECT_EQ(got.x, want.x) << want.handle;
        EXPECT_EQ(got.y, want.y) << want.handle;
        EXPECT_NEAR(got.direction, want.directionDegrees * std::atan(1.0) / 45, 1e-12) << want.handle;
        EXPECT_EQ(got.annotation, want.annotation) << want.handle;
        ASSERT_EQ(got.pick.has_value(), want.picked) << want.handle;
        if (got.pick) {
            EXPECT_EQ(*got.pick, (std::array<double, 2>{1, 2}));
        }
    }
}

class ExamplePlan : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string examples = GRADIX_EXAMPLES;
        plan_ = readDrawing(examples + "/road-plan.dxf");
        ChainBreakTable ignored;
        dqicd(examples + "/road.icd", alignment_, ignored, 4.0 * std::atan(1.0));
        buildSampleTable(alignment_, samples_);
        testing::RecordingSink messages;
        readProfileFile(examples + "/road-icd.zdm", breaks_, messages, profile_);
    }
    LabelAudit audit(const Profile* profile, double tolerance = 0.01) {
        LabelAuditOptions options;
        options.tolerance = tolerance;
        options.lineName = "ROAD";
        return auditLabels(plan_, alignment_, samples_, breaks_, profile, options);
    }
    DrawingEntity* label(const std::string& text) {
        for (DrawingEntity& e : plan_.entities)
            if (e.text == text) return &e;
        return nullptr;
    }
    Drawing plan_;
    Alignment alignment_;
    SampleTable samples_;
    ChainBreakTable breaks_;
    Profile profile_;
};

TEST_F(ExamplePlan, EveryLabelAgreesWithTheRoad) {
    const LabelAudit result = audit(&profile_);
    EXPECT_EQ(result.labels, 52u);  // K0+000 to K5+100, every 100 m
    EXPECT_TRUE(result.findings.empty()) << result.findings.front().text;
}

TEST_F(ExamplePlan, AMovedOrMislabelledStakeIsReported) {
    DrawingEntity* moved = label("K1+300");
    DrawingEntity* renamed = label("K2+100");
    ASSERT_TRUE(moved && renamed);
    // One centimetre along the road (the straight at K1+300 runs at the
    // bearing of its tick's normal turned a quarter).
    const double turn = moved->rotation;  // the label is written along the road's normal
    moved->x += 0.01 * -std::sin(turn);
    moved->y += 0.01 * std::cos(turn);
    renamed->text = "K2+110";
    const LabelAudit result = audit(nullptr, 0.005);
    ASSERT_EQ(result.findings.size(), 2u);
    EXPECT_EQ(result.findings[0].text, "K1+300");
    EXPECT_NEAR(std::fabs(result.findings[0].difference), 0.01, 1e-4);
    EXPECT_EQ(result.findings[1].labelStake, "K2+110.000");
    EXPECT_EQ(result.findings[1].roadStake, "K2+100.000");
    EXPECT_NEAR(result.findings[1].difference, 10.0, 1e-6);
}

TEST_F(ExamplePlan, AStaleAnnotationIsFoundAfterTheProfileChanged) {
    const DrawingEntity* k1200 = label("K1+200");
    ASSERT_TRUE(k1200);
    const DesignPoint design = DesignAt(profile_, 1200.0);
    DrawingEntity annotation = *k1200;
    annotation.kind = EntityKind::MText;
    annotation.text = "{\\L桩号：ROADK1+200.000\\P高程：" + formatFixed(design.elevation, 4) + "\\P纵坡：" +
                      formatFixed(100 * design.grade, 4) + "%\\P";
    annotation.handle = "FFFF";
    plan_.entities.push_back(annotation);
    EXPECT_TRUE(audit(&profile_).findings.empty());

    Profile raised = profile_;
    for (int i = 1; i <= raised.gradePointCount; ++i) raised.gradePointElevation[i] += 0.5;
    PrepareProfile(raised);
    const LabelAudit stale = audit(&raised);
    ASSERT_EQ(stale.findings.size(), 1u);
    EXPECT_EQ(stale.findings[0].handle, "FFFF");
    EXPECT_EQ(stale.findings[0].note,
              "高程" + formatFixed(design.elevation, 4) + "应为" + formatFixed(design.elevation + 0.5, 4));
}


// Gradix's annotation of K1+200 written 30° turned, its insertion point away
// from the pick (the README's own drawing): compared at the pick its record
// holds, it agrees; without a record it can only be compared where it stands.
TEST_F(ExamplePlan, AnAnnotationIsComparedWhereItWasPicked) {
    DrawingEntity annotation;
    annotation.kind = EntityKind::MText;
    annotation.text = "{\\L桩号：ROADK1+200.000\\P高程：106.7260\\P纵坡：0.1000%\\P";
    annotation.x = 513230, annotation.y = 3346470;
    annotation.rotation = 30 * std::atan(1.0) / 45;
    annotation.handle = "FD";
    annotation.record = std::make_shared<const AnnotationRecord>(AnnotationRecord{513201.859, 3346479.656, 0, "ROAD"});
    plan_.entities.push_back(annotation);
    EXPECT_TRUE(audit(&profile_).findings.empty());
    plan_.entities.back().record = nullptr;
    const LabelAudit unrecorded = audit(&profile_);
    ASSERT_EQ(unrecorded.findings.size(), 1u);
    EXPECT_NEAR(unrecorded.findings[0].difference, -20.699, 1e-3);
}

// A label written across the road is compared where its baseline meets the
// road: K1+300 turned about its tick by up to 15° still agrees, though its
// insertion point lies a metre along the road; turned 20° it is compared at
// its foot, 6 sin 20° m on (the straight at K1+300).
struct TurnedCase {
    const char* name;
    double degrees;
    bool reported;
};

TEST_F(ExamplePlan, ALabelAcrossTheRoadIsComparedWhereItsBaselineMeetsIt) {
    const TurnedCase cases[] = {{"as drawn", 0, false}, {"turned 10°", 10, false}, {"turned -14°", -14, false},
                                {"turned 20°", 20, true}};
    DrawingEntity* label = this->label("K1+300");
    ASSERT_TRUE(label);
    const DrawingEntity drawn = *label;
    const double tickX = drawn.x - 6 * std::cos(drawn.rotation), tickY = drawn.y - 6 * std::sin(drawn.rotation);
    for (const TurnedCase& c : cases) {
        const double turned = drawn.rotation + c.degrees * std::atan(1.0) / 45;
        label->rotation = turned;
        label->x = tickX + 6 * std::cos(turned), label->y = tickY + 6 * std::sin(turned);
        const LabelAudit result = audit(nullptr);
        ASSERT_EQ(result.findings.size(), c.reported ? 1u : 0u) << c.name;
        const double along = 6 * std::sin(c.degrees * std::atan(1.0) / 45);  // m of the insertion point along the road
        if (c.reported) {
            EXPECT_NEAR(std::fabs(result.findings[0].difference), along, 1e-3) << c.name;
        }
    }
}

// The STN02 plan labels its stakes ("Prog=0+450.000", "0+876.272 : F_Re")
// with blocks inserted at the labelled point; its LandXML alignment has the
// station equation 876.272 = 5+350. A copy of the drawing is edited in its
// bytes: an insert moved, a label's text changed.
struct Stn02Case {
    const char* name;
    const char* movedHandle;  // insert moved 1 cm along the road, "" for none
    const char* oldText;      // label text replaced (same length), "" for none
    const char* newText;
    double tolerance;         // m
    const char* reported;     // the handle reported, "" for none
    double difference;        // m, of the label reported
};

class Stn02Labels : public ::testing::TestWithParam<Stn02Case> {
protected:
    SampleTable samples_;
    testing::TempFolder folder_{"labels"};
};

// The bytes with the first value of group code `code` after the entity of
// handle changed to value.
std::string withGroupValue(std::string bytes, const std::string& handle, const std::string& code,
                           const std::string& value) {
    const std::size_t entity = bytes.find("INSERT\n  5\n" + handle + "\n");
    const std::size_t at = bytes.find("\n" + code + "\n", entity);
    if (entity == std::string::npos || at == std::string::npos) return bytes;
    const std::size_t from = at + code.size() + 2;
    return bytes.replace(from, bytes.find('\n', from) - from, value);
}

TEST_P(Stn02Labels, AgreeWithTheLandXmlRoadUnlessEdited) {
    const Stn02Case& c = GetParam();
    const std::string folder = std::string(GRADIX_SHARED_DATA) + "/ifc4x-if/STN02/";
    GRADIX_NEED(std::filesystem::exists(folder + "Alignment_STN02.xml"), "no STN02 data in " << folder);
    LandXmlProject road = readLandXml(folder + "Alignment_STN02.xml");
    buildSampleTable(road.alignment, samples_);
    std::string bytes = testing::readBytes(folder + "Alignment_2D_with_stationing_values.dxf");
    if (*c.movedHandle) {
        const Drawing original = readDrawingBytes(bytes, "original.dxf");
        const auto insert = std::find_if(original.entities.begin(), original.entities.end(),
                                         [&](const DrawingEntity& e) { return e.handle == c.movedHandle; });
        ASSERT_NE(insert, original.entities.end());
        const FootOfPoint foot = locatePoint(road.alignment, samples_, insert->y, insert->x);
        double X = 0, Y = 0, bearing = 0;
        PointAtChainage(road.alignment, foot.ptzh, X, Y, bearing);
        constexpr double MOVE = 0.01;  // m along the road, ahead
        bytes = withGroupValue(bytes, c.movedHandle, " 10", shortestText(insert->x + MOVE * std::sin(bearing)));
        bytes = withGroupValue(bytes, c.movedHandle, " 20", shortestText(insert->y + MOVE * std::cos(bearing)));
    }
    if (*c.oldText) bytes.replace(bytes.find(c.oldText), std::string(c.oldText).size(), c.newText);
    const Drawing plan = readDrawing(testing::writeBytes(folder_.file("plan.dxf"), bytes));
    LabelAuditOptions options;
    options.tolerance = c.tolerance;
    const LabelAudit audit = auditLabels(plan, road.alignment, samples_, road.breaks, nullptr, options);
    EXPECT_EQ(audit.labels, 57u);  // 30 "Prog=" labels (5+350 at the equation) and 27 of main points
    if (!*c.reported) {
        EXPECT_TRUE(audit.findings.empty()) << audit.findings.front().text;
        return;
    }
    ASSERT_EQ(audit.findings.size(), 1u);
    EXPECT_EQ(audit.findings[0].handle, c.reported);
    EXPECT_NEAR(audit.findings[0].difference, c.difference, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Plan, Stn02Labels,
    ::testing::Values(Stn02Case{"as_published", "", "", "", 0.001, "", 0},
                      // The label moved ahead of its stake reads less than the road there.
                      Stn02Case{"moved_1cm", "3F90", "", "", 0.005, "3F90", -0.01},
                      Stn02Case{"text_changed", "", "Prog=0+450.000", "Prog=0+460.000", 0.005, "3F9C", 10.0}),
    [](const ::testing::TestParamInfo<Stn02Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gradix
