// The two drawing commands against the drawing model, with picks and
// selections given in advance: every property they set and the annotation
// text byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "cadmodel/batchcad.h"
#include "dxf/dxfreader.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using gradix::Control;

namespace {

// A straight road northward from (0, 0) at chainage 0 over 100 m, with a
// crest curve in its profile, and an empty drawing to annotate.
class DrawingCommands : public ::testing::Test {
protected:
    void SetUp() override {
        project_.pi = gradix::computePi();
        project_.icdFileName = dir_.write("north.ICD", "0\n0,0,0\n1,100\n");
        gradix::dqicd(project_.icdFileName, project_.alignment, project_.breaks, project_.pi);
        gradix::buildSampleTable(project_.alignment, project_.samples);
        gradix::testing::ScriptedUi quiet;
        ASSERT_EQ(gradix::readProfileFile(dir_.write("p.zdm", "0 100\n50 101 2000\n100 100\n"),
                                          project_.breaks, quiet, project_.profile),
                  gradix::ProfileRead::Loaded);
        form_.setText(Control::Text9, "90");
    }

    gradix::DrawingCommandContext context() {
        return {project_, form_, ui_, settings_, cad_, cad_, [this] {
                    ++computeRuns_;
                    return gradix::compute(project_, form_, ui_, settings_);
                }};
    }
    gradix::Drawing& drawing() { return *drawing_; }

    gradix::testing::TempFolder dir_{"drawing"};
    gradix::Project project_;
    gradix::FormState form_;
    gradix::testing::ScriptedUi ui_;
    gradix::SettingsFile settings_ = gradix::SettingsFile::discarding();
    std::shared_ptr<gradix::Drawing> drawing_ = std::make_shared<gradix::Drawing>(gradix::newDrawing());
    gradix::BatchCad cad_{drawing_};
    int computeRuns_ = 0;
};

TEST_F(DrawingCommands, PickAnnotatesStakeElevationAndGradeAtTheInsertionPoint) {
    // Drawing x is east, y north: the pick (0, 40) lies on the road at chainage 40.
    cad_.screen().points = {{0, 40, 0}, {20, 60, 0}};
    auto c = context();

    ASSERT_TRUE(ui_.show(gradix::pickAndAnnotate(c), &cad_));

    EXPECT_EQ(cad_.screen().prompts,
              (std::vector<std::string>{"===点取设计线范围任意点：===", "点取计算结果显示插入点:"}));
    EXPECT_EQ(form_.text(Control::Text1), "40");
    EXPECT_EQ(form_.text(Control::Text2), "100.5750");  // 100.8 - 30²/4000 on the crest
    EXPECT_EQ(form_.text(Control::Text3), "0.5000");    // 0.02 - 30/2000
    ASSERT_FALSE(drawing().entities.empty());
    const gradix::DrawingEntity& mtext = drawing().entities.back();
    EXPECT_EQ(mtext.kind, gradix::EntityKind::MText);
    EXPECT_EQ(mtext.text, "{\\L桩号：NORTHK0+040.000\\P高程：100.5750\\P纵坡：0.5000%\\P");
    EXPECT_EQ(mtext.style, "jp");
    EXPECT_EQ(mtext.height, 5.0);
    EXPECT_EQ(mtext.color, 1);
    EXPECT_DOUBLE_EQ(mtext.rotation, project_.pi / 2);
    EXPECT_EQ(mtext.layer, "纵断面设计高程");
    EXPECT_EQ(mtext.x, 20.0);
    EXPECT_EQ(mtext.y, 60.0);
    EXPECT_TRUE(mtext.added);

    const gradix::DrawingTextStyle* style = drawing().findTextStyle("jp");
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->fontFile, "fsdb_e.shx");
    EXPECT_EQ(style->bigFontFile, "fsdb.shx");
    EXPECT_EQ(style->height, 5.0);
    EXPECT_EQ(style->width, 0.75);
    EXPECT_EQ(drawing().activeLayer, "纵断面设计高程");
    EXPECT_EQ(drawing().activeUcs, "xy");
    // The point picked goes with the annotation, for the label audit.
    ASSERT_NE(mtext.record, nullptr);
    EXPECT_EQ(mtext.record->pickX, 0.0);
    EXPECT_EQ(mtext.record->pickY, 40.0);
    EXPECT_EQ(mtext.record->lineName, "NORTH");
}

TEST_F(DrawingCommands, RepeatedPicksReuseTheStyleLayerAndCoordinateSystem) {
    cad_.screen().points = {{0, 10, 0}, {5, 10, 0}, {0, 20, 0}, {5, 20, 0}};
    auto c = context();
    ASSERT_TRUE(ui_.show(gradix::pickAndAnnotate(c), &cad_));
    const std::size_t layers = drawing().layers.size(), styles = drawing().styles.size(), ucs = drawing().ucs.size();
    ASSERT_TRUE(ui_.show(gradix::pickAndAnnotate(c), &cad_));
    EXPECT_EQ(drawing().layers.size(), layers);
    EXPECT_EQ(drawing().styles.size(), styles);
    EXPECT_EQ(drawing().ucs.size(), ucs);
    EXPECT_EQ(form_.text(Control::Text1), "20");
}

TEST_F(DrawingCommands, CancelledPicksAddNoAnnotation) {
    const std::size_t before = drawing().entities.size();
    auto c = context();
    EXPECT_FALSE(ui_.show(gradix::pickAndAnnotate(c), &cad_));  // Esc at the first pick
    EXPECT_EQ(computeRuns_, 0);

    cad_.screen().points = {{0, 30, 0}};  // Esc at the insertion point
    EXPECT_FALSE(ui_.show(gradix::pickAndAnnotate(c), &cad_));
    EXPECT_EQ(computeRuns_, 1);
    EXPECT_EQ(drawing().entities.size(), before);
    EXPECT_NE(drawing().findTextStyle("jp"), nullptr);
}

TEST_F(DrawingCommands, StakeOutsideTheProfileWritesNoStaleResults) {
    // A profile that ends at chainage 80, short of the road's end.
    ASSERT_EQ(gradix::readProfileFile(dir_.write("short.zdm", "0 100\n80 101.6\n"), project_.breaks, ui_,
                                      project_.profile),
              gradix::ProfileRead::Loaded);
    form_.setText(Control::Text2, "old");
    cad_.screen().points = {{0, 90, 0}, {5, 90, 0}};
    const std::size_t before = drawing().entities.size();
    auto c = context();

    EXPECT_FALSE(ui_.show(gradix::pickAndAnnotate(c), &cad_));

    EXPECT_EQ(ui_.events.back(), "message 数据有误: 桩号90超出纵断面数据文件，请修改！");
    EXPECT_EQ(form_.text(Control::Text2), "old");
    EXPECT_EQ(drawing().entities.size(), before);
    EXPECT_EQ(cad_.screen().prompts.size(), 1u);
}

TEST_F(DrawingCommands, PickBesideTheRoadTakesTheFootOfThePoint) {
    // 3 m east of the road: the foot is chainage 40 to within the flatness of
    // the distance near its minimum (about 5e-8 m here).
    cad_.screen().points = {{3, 40, 0}, {20, 60, 0}};
    auto c = context();
    ASSERT_TRUE(ui_.show(gradix::pickAndAnnotate(c), &cad_));
    EXPECT_NEAR(std::stod(form_.text(Control::Text1)), 40.0, 1e-6);
    EXPECT_EQ(form_.text(Control::Text2), "100.5750");
}

TEST_F(DrawingCommands, RotationWithoutANumberIsZero) {
    form_.setText(Control::Text9, "abc");
    cad_.screen().points = {{0, 10, 0}, {5, 10, 0}};
    auto c = context();
    ASSERT_TRUE(ui_.show(gradix::pickAndAnnotate(c), &cad_));
    EXPECT_EQ(drawing().entities.back().rotation, 0.0);
}

gradix::DrawingEntity text(gradix::EntityKind kind, const std::string& content) {
    gradix::DrawingEntity e;
    e.kind = kind;
    e.text = content;
    return e;
}

TEST_F(DrawingCommands, SelectComputesTheLastSelectedStakeLabel) {
    drawing().entities.push_back(text(gradix::EntityKind::Text, "K0+020"));
    drawing().entities.push_back(text(gradix::EntityKind::Line, ""));
    drawing().entities.push_back(text(gradix::EntityKind::MText, "K0+005.5"));
    const std::size_t n = drawing().entities.size();
    cad_.screen().selections = {{n - 1, n - 2, n - 3}};
    std::mt19937 random;
    auto c = context();

    ASSERT_TRUE(ui_.show(gradix::selectAndCompute(c, random), &cad_));

    EXPECT_EQ(form_.text(Control::Text1), "20");
    EXPECT_EQ(form_.text(Control::Text2), "100.3750");
    EXPECT_EQ(computeRuns_, 1);
    EXPECT_NE(std::find(ui_.events.begin(), ui_.events.end(), "activate"), ui_.events.end());
}

// Every kind of stake label is read by the one label reader: the codes of
// a text left out, Gradix's annotation by its 桩号 line, a block's text, and
// in a selection the last text that names a stake.
struct SelectedCase {
    const char* name;
    std::vector<gradix::DrawingEntity> selected;  // in selection order
    const char* stake;                            // put into 桩号 and computed
};

gradix::DrawingEntity blockReference() {
    gradix::DrawingEntity e = text(gradix::EntityKind::Insert, "");
    e.block = "F_RE";
    return e;
}

TEST_F(DrawingCommands, SelectReadsEveryKindOfStakeLabel) {
    drawing().blocks["F_RE"] = {"F_Re", 0, 0,
                                {text(gradix::EntityKind::Text, "I_Tr - "),
                                 text(gradix::EntityKind::MText, "\\C256;0+045.500 : F_Re - ")}};
    using gradix::EntityKind;
    const SelectedCase cases[] = {
        {"text with percent codes", {text(EntityKind::Text, "%%uK0+020%%u")}, "20"},
        {"mtext with format codes", {text(EntityKind::MText, "\\C256;Prog=0+030.000")}, "30"},
        {"Gradix's annotation",
         {text(EntityKind::MText, "{\\L桩号：NORTHK0+040.000\\P高程：100.5750\\P纵坡：0.5000%\\P")}, "40"},
        {"a block's text", {blockReference()}, "45.5"},
        {"a label, then a title", {text(EntityKind::Text, "K0+020"), text(EntityKind::MText, "平面图")}, "20"},
    };
    for (const SelectedCase& c : cases) {
        std::vector<std::size_t> indices;
        for (const gradix::DrawingEntity& e : c.selected) {
            drawing().entities.push_back(e);
            indices.push_back(drawing().entities.size() - 1);
        }
        cad_.screen().selections = {indices};
        std::mt19937 random;
        auto command = context();
        const int runs = computeRuns_;
        EXPECT_TRUE(ui_.show(gradix::selectAndCompute(command, random), &cad_)) << c.name;
        EXPECT_EQ(form_.text(Control::Text1), c.stake) << c.name;
        EXPECT_EQ(computeRuns_, runs + 1) << c.name;
    }
}

TEST_F(DrawingCommands, SelectingNoTextLeavesTheStakeEmptyAndItsComputeRefusesIt) {
    drawing().entities.push_back(text(gradix::EntityKind::Circle, ""));
    form_.setText(Control::Text1, "77");
    cad_.screen().selections = {{drawing().entities.size() - 1}};
    std::mt19937 random;
    auto c = context();
    EXPECT_FALSE(ui_.show(gradix::selectAndCompute(c, random), &cad_));
    EXPECT_EQ(form_.text(Control::Text1), "");
    EXPECT_EQ(computeRuns_, 1);
    EXPECT_EQ(ui_.events.back(), "message 数据有误: 请输入桩号！");
    EXPECT_EQ(form_.text(Control::Text2), "");
}

TEST_F(DrawingCommands, CancelledSelectionComputesNothing) {
    std::mt19937 random;
    auto c = context();
    EXPECT_FALSE(ui_.show(gradix::selectAndCompute(c, random), &cad_));
    EXPECT_EQ(computeRuns_, 0);
}

TEST(DrawingNotation, AnnotationTextOfTheWorkedExample) {
    EXPECT_EQ(gradix::annotationText(gradix::lineNameOf("D:\\road\\a1.ICD"), "12345.678", "123.4567", "1.2345"),
              "{\\L桩号：A1K12+345.678\\P高程：123.4567\\P纵坡：1.2345%\\P");
}

TEST(DrawingNotation, KilometreNotationOfStakes) {
    EXPECT_EQ(gradix::kilometreNotation("12345.678"), "K12+345.678");
    EXPECT_EQ(gradix::kilometreNotation("5.5"), "K0+005.500");
    EXPECT_EQ(gradix::kilometreNotation("2000"), "K2+000.000");
    EXPECT_EQ(gradix::kilometreNotation("B2320"), "BK2+320.000");
    // A stake typed in K notation keeps its value (read as classic, "BK2+320" would be B2).
    EXPECT_EQ(gradix::kilometreNotation("BK2+320"), "BK2+320.000");
    EXPECT_EQ(gradix::kilometreNotation("K0+5.5"), "K0+005.500");
}

TEST(DrawingNotation, LineNameIsTheFileNameWithoutItsExtension) {
    EXPECT_EQ(gradix::lineNameOf("/home/survey/road.icd"), "ROAD");
    EXPECT_EQ(gradix::lineNameOf("a1.ICD"), "A1");
    EXPECT_EQ(gradix::lineNameOf("/data/线路1.ICD"), "线路1");
    EXPECT_EQ(gradix::lineNameOf("/data/a.b"), "A.B");  // too short for an extension
}

TEST(DrawingNotation, SelectionSetNamesAreShortDecimalsBelowOne) {
    std::mt19937 random(42);
    for (int i = 0; i < 100; ++i) {
        const std::string name = gradix::randomSelectionSetName(random);
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(name[0] == '.' || name == "0") << name;
        EXPECT_LE(name.size(), 12u) << name;
    }
}

}  // namespace

namespace {

TEST_F(DrawingCommands, SelectingATextWithoutAStakeNumberIsRefusedAndComputesNothing) {
    // The message shows the text without its codes.
    const std::pair<const char*, const char*> refused[] = {{"示例道路平面图\\P比例 1:2000", "示例道路平面图 比例 1:2000"},
                                                           {"PROG", "PROG"}};
    for (const auto& [label, shown] : refused) {
        drawing().entities.push_back(text(gradix::EntityKind::MText, label));
        form_.setText(Control::Text1, "77");
        cad_.screen().selections = {{drawing().entities.size() - 1}};
        std::mt19937 random;
        auto c = context();
        EXPECT_FALSE(ui_.show(gradix::selectAndCompute(c, random), &cad_)) << label;
        EXPECT_EQ(ui_.events.back(), std::string("message 数据有误: 桩号") + shown + "无法识别，请修改！");
        EXPECT_EQ(form_.text(Control::Text1), "77");
    }
    EXPECT_EQ(computeRuns_, 0);
}

TEST_F(DrawingCommands, SelectUsesTheGeneratorAsGiven) {
    drawing().entities.push_back(text(gradix::EntityKind::Text, "K0+020"));
    cad_.screen().selections = {{drawing().entities.size() - 1}};
    std::mt19937 given(42), copy(42);
    auto c = context();
    ASSERT_TRUE(ui_.show(gradix::selectAndCompute(c, given), &cad_));
    gradix::randomSelectionSetName(copy);  // the one name the command drew
    EXPECT_TRUE(given == copy);
}

}  // namespace
