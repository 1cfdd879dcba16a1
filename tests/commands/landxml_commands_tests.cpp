// A LandXML file as the project of alignment mode: which dialogs come, the
// station equations converting typed and picked stakes as chain-break mode
// does, the profile that comes with the file, and the reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "cadmodel/batchcad.h"
#include "commands/compute.h"
#include "commands/drawingcommands.h"
#include "commands/initialise.h"
#include "commands/landxmlproject.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "dxf/dxfreader.h"
#include "text/messages.h"
#include "text/messages.h"

namespace msg = gradix::msg;

namespace fs = std::filesystem;
using gradix::Control;

namespace {

const fs::path DATA = fs::path(GRADIX_SHARED_DATA) / "ifc4x-if";
const std::string OPEN_ALIGNMENT = "open CommonDialog2 读取平面ICD资料";
const std::string OPEN_PROFILE = "open CommonDialog4 读取纵断面设计资料";

// Answers the choice of alignment and profile from the test, recording what
// was offered.
struct ChoosingUi : gradix::testing::ScriptedUi {
    std::optional<gradix::LandXmlChoice> choice;
    std::vector<std::string> offered;
    std::optional<gradix::LandXmlChoice> chooseLandXml(
        const std::vector<gradix::LandXmlAlignmentSummary>& alignments) override {
        for (const auto& a : alignments) offered.push_back(a.name + ":" + std::to_string(a.profiles.size()));
        events.push_back("choose");
        return choice;
    }
};

struct Session {
    Session() {
        form.setChecked(Control::Check1, true);
        form.setChecked(Control::Option1, true);
    }
    std::string write(const std::string& name, const std::string& text) const { return dir.write(name, text); }
    // Computes the typed stake; the elevation field, or the refusal's message.
    std::string computeStake(const std::string& stake) {
        form.setText(Control::Text1, stake);
        const gradix::Outcome outcome = gradix::compute(project, form, ui, settings);
        return outcome ? form.text(Control::Text2) : outcome.message;
    }
    gradix::testing::TempFolder dir{"landxml-commands"};
    gradix::Project project;
    gradix::FormState form;
    ChoosingUi ui;
    gradix::SettingsFile settings = gradix::SettingsFile::discarding();
};

// Two alignments, the second with two profiles and an equation, no profile
// with the first; in US survey feet.
const std::string TWO_ALIGNMENTS =
    "<LandXML><Units><Imperial linearUnit=\"USSurveyFoot\"/></Units><Alignments>\n"
    "<Alignment name=\"R1\" staStart=\"0\"><CoordGeom><Line><Start>0 0</Start><End>100 0</End></Line></CoordGeom>"
    "</Alignment>\n"
    "<Alignment name=\"R2\" staStart=\"0\"><CoordGeom><Line><Start>0 0</Start><End>0 100</End></Line></CoordGeom>\n"
    "<StaEquation staInternal=\"50\" staAhead=\"80\"/>\n"
    "<Profile><ProfAlign name=\"P1\"><PVI>0 10</PVI><PVI>100 20</PVI></ProfAlign>"
    "<ProfAlign name=\"P2\"><PVI>0 0</PVI><PVI>100 10</PVI></ProfAlign></Profile></Alignment>\n"
    "</Alignments></LandXML>\n";

}  // namespace

// STN02: one dialog, the equation in force for typed and refused stakes.
TEST(LandXmlProject, AlignmentModeTakesAlignmentEquationsAndProfileFromTheFile) {
    const fs::path file = DATA / "STN02" / "Alignment_STN02.xml";
    GRADIX_NEED(fs::is_regular_file(file), "shared test data absent: " << file);
    Session s;
    s.ui.answers = {file.string()};
    ASSERT_TRUE(gradix::initialise(s.project, s.form, s.ui, s.settings));
    EXPECT_EQ(s.ui.events, std::vector<std::string>{OPEN_ALIGNMENT});  // no choice, no profile dialog
    EXPECT_EQ(s.form.text(Control::Label1), gradix::STATUS_SINGLE_CAD);
    EXPECT_EQ(s.project.breaks.chainBreakCount, 1);
    EXPECT_EQ(s.project.icdFileName, file.string());
    // Published heights: 2 m on the level stretch across the equation, 4 m at the end.
    EXPECT_EQ(s.computeStake("5400.513"), "2.0000");
    EXPECT_EQ(s.computeStake("B5779.2225"), "4.0000");
    EXPECT_EQ(s.computeStake("2000"), "桩号2000不应存在876.272071272522和5350之间，请修改！");
}

// Picking a point in the drawing names its stake with the stretch letter.
TEST(LandXmlProject, PickedPointsGetTheStretchLetter) {
    const fs::path file = DATA / "STN02" / "Alignment_STN02.xml";
    GRADIX_NEED(fs::is_regular_file(file), "shared test data absent: " << file);
    Session s;
    gradix::loadLandXmlAlignment(s.project, file.string(), {});
    s.project.pi = gradix::computePi();
    auto drawing = std::make_shared<gradix::Drawing>(gradix::newDrawing());
    gradix::BatchCad cad(drawing);
    // Drawing x is east, y north: the published start of segment H12, then
    // an insertion point.
    cad.screen().points = {{453303.2003, 4539877.4820, 0}, {453300, 4539900, 0}};
    gradix::DrawingCommandContext c{s.project, s.form, s.ui, s.settings, cad, cad,
                                    [&] { return gradix::compute(s.project, s.form, s.ui, s.settings); }};
    ASSERT_TRUE(gradix::pickAndAnnotate(c)) << ::testing::PrintToString(s.ui.events);
    EXPECT_EQ(s.form.text(Control::Text1), "B5460.513");
    EXPECT_EQ(s.form.text(Control::Text2), "2.0000");
}

// Several alignments: the person chooses (or cancels); an alignment without
// a profile asks for the profile file, read through the equations; feet are
// said in the status line and the project's notes.
TEST(LandXmlProject, ChoiceOfAlignmentAndProfileFileWhenNoneCameWithIt) {
    Session s;
    const std::string xml = s.write("two.xml", TWO_ALIGNMENTS);
    s.ui.answers = {xml};
    EXPECT_FALSE(gradix::initialise(s.project, s.form, s.ui, s.settings));  // choice cancelled
    EXPECT_EQ(s.ui.events, (std::vector<std::string>{OPEN_ALIGNMENT, "choose"}));
    EXPECT_EQ(s.ui.offered, (std::vector<std::string>{"R1:0", "R2:2"}));
    EXPECT_FALSE(s.project.initialised);

    s.ui.events.clear();
    s.ui.choice = gradix::LandXmlChoice{"R2", "P2"};
    s.ui.answers = {xml};
    ASSERT_TRUE(gradix::initialise(s.project, s.form, s.ui, s.settings));
    EXPECT_EQ(s.ui.events.size(), 2u);  // open, choose: the window shows the notes without a box
    EXPECT_EQ(s.project.notes,
              (std::vector<std::string>{msg::located(xml, 0, msg::unitsConverted("USSurveyFoot", 1200.0 / 3937.0))}));
    EXPECT_EQ(s.form.text(Control::Label1), std::string(gradix::STATUS_SINGLE_CAD) +
                                                "（LandXML长度单位USSurveyFoot已换算为米）");
    const double ft = 1200.0 / 3937.0;
    EXPECT_DOUBLE_EQ(s.project.profile.gradePointElevation[2], 10 * ft);  // P2, not P1
    EXPECT_DOUBLE_EQ(s.project.breaks.breakAheadStake[1], 80 * ft);

    // R1 has no profile: the profile dialog follows, its lettered stakes
    // read through R1's table (no equation: plain).
    s.ui.events.clear();
    s.ui.choice = gradix::LandXmlChoice{"R1", ""};
    s.ui.answers = {xml, s.write("p.zdm", "0 1\n30 2\n")};
    ASSERT_TRUE(gradix::initialise(s.project, s.form, s.ui, s.settings));
    EXPECT_EQ(s.ui.events[2], OPEN_PROFILE);
    EXPECT_EQ(s.project.breaks.chainBreakCount, 0);
    EXPECT_EQ(s.computeStake("15"), "1.5000");
}

// A Civil 3D profile over part of its alignment: reported on loading, and a
// stake beyond it refused as for a profile file.
TEST(LandXmlProject, StakeOutsideAPartialProfileIsRefused) {
    const fs::path file = DATA / "BC003_AL01" / "BC003_AL01_alignments.xml";
    GRADIX_NEED(fs::is_regular_file(file), "shared test data absent: " << file);
    Session s;
    s.ui.choice = gradix::LandXmlChoice{"SAN1_COM", ""};
    s.ui.answers = {file.string()};
    ASSERT_TRUE(gradix::initialise(s.project, s.form, s.ui, s.settings));
    ASSERT_EQ(s.ui.events.size(), 2u);
    ASSERT_EQ(s.project.notes.size(), 1u);
    EXPECT_NE(s.project.notes[0].find("，第50行：ProfAlign\"COM_project_1\"覆盖2.146666532615至37.754140272044"),
              std::string::npos)
        << s.project.notes[0];
    EXPECT_EQ(s.computeStake("1"), "桩号1超出纵断面数据文件，请修改！");
    EXPECT_EQ(s.computeStake("20"), "5.4620");
}
