// The drawing-label audit: stake notations read from labels, the example
// plan's labels all agreeing with its road, and a moved label, a mislabelled
// stake and a stale annotation found.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "checks/labelaudit.h"
#include "dxf/dxfreader.h"
#include "support/recording_sink.h"
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

}  // namespace
}  // namespace gradix
