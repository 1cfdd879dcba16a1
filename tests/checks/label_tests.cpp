// The drawing-label audit: stake notations read from labels, the example
// plan's labels all agreeing with its road, and a moved label, a mislabelled
// stake and a stale annotation found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "checks/labelaudit.h"
#include "dxf/dxfreader.h"
#include "landxml/landxml.h"
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
                      NotationCase{"R= 1000.000", 1, "", false, 0, 0}));

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
    EXPECT_EQ(result.findings[1].labelStake, "2110.000");
    EXPECT_EQ(result.findings[1].roadStake, "2100.000");
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
