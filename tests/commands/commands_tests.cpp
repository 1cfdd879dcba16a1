// The initialisation and compute commands, driven through a scripted user
// interface and a plain form, as a person would drive the window.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "commands/compute.h"
#include "commands/initialise.h"
#include "commands/labels.h"
#include "commands/tables.h"
#include "support/file_bytes.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "support/worked_examples.h"
#include "commands/trap.h"
#include "text/numbers.h"
#include "text/messages.h"
#include "text/messages.h"

namespace msg = gradix::msg;

namespace fs = std::filesystem;
using gradix::Control;
using gradix::testing::ScriptedUi;

namespace {

using gradix::testing::CREST_PROFILE;
using gradix::testing::NO_BREAKS_FILE;
using gradix::testing::readBytes;
using gradix::testing::SHORT_ICD;
using gradix::testing::SHORT_ICD_PROFILE;
using Folder = gradix::testing::TempFolder;

struct Session {
    Folder dir{"commands"};
    gradix::Project project;
    gradix::FormState form;
    ScriptedUi ui;
    gradix::SettingsFile settings{dir.folder(), ""};
};

TEST(Initialise, ChainBreakModeAsksBreaksThenProfileAndEnablesSingleStake) {
    Session s;
    const std::string breaks = s.dir.write("road.dl", "2350 2300\n");
    const std::string profile = s.dir.write("road.zdm", "2000 100\nB2400 104\n");
    s.form.setText(Control::Text1, "old");
    s.form.setText(Control::Text9, "12.5");
    s.ui.answers = {breaks, profile};

    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events, (std::vector<std::string>{"open CommonDialog3 读取断链资料",
                                                     "open CommonDialog4 读取纵断面设计资料"}));
    EXPECT_EQ(s.form.text(Control::Text1), "");
    EXPECT_EQ(readBytes(s.settings.path()), "12.5\r\n");
    EXPECT_EQ(s.project.breaks.chainBreakCount, 1);
    EXPECT_DOUBLE_EQ(s.project.profile.gradePointChainage[2], 2450.0);
    EXPECT_TRUE(s.project.initialised);
    EXPECT_EQ(s.form.text(Control::Label1), gradix::STATUS_SINGLE);
    for (Control c : {Control::Text1, Control::Text2, Control::Text3, Control::xpcmdbutton3, Control::Command3})
        EXPECT_TRUE(s.form.isEnabled(c));
    EXPECT_FALSE(s.form.isEnabled(Control::xpcmdbutton4));
}

TEST(Initialise, AlignmentModeBuildsSamplesAndEnablesThePick) {
    Session s;
    const std::string icd = s.dir.write("line.ICD", SHORT_ICD);
    const std::string profile = s.dir.write("p.zdm", SHORT_ICD_PROFILE);
    s.project.breaks.chainBreakCount = 3;  // left from an earlier chain-break run
    s.form.setChecked(Control::Check1, true);
    s.ui.answers = {icd, profile};

    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events, (std::vector<std::string>{"open CommonDialog2 读取平面ICD资料",
                                                     "open CommonDialog4 读取纵断面设计资料"}));
    EXPECT_EQ(s.project.icdFileName, icd);
    EXPECT_EQ(s.project.breaks.chainBreakCount, 0);
    EXPECT_EQ(s.project.samples.sampleCount, 12.0);
    EXPECT_EQ(s.form.text(Control::Label1), gradix::STATUS_SINGLE_CAD);
    EXPECT_TRUE(s.form.isEnabled(Control::xpcmdbutton4));
}

TEST(Initialise, StakeFileModeOnlySetsTheStatusAndCompute) {
    Session s;
    s.form.setChecked(Control::Option2, true);
    s.ui.answers = {s.dir.write("b.dl", NO_BREAKS_FILE), s.dir.write("p.zdm", CREST_PROFILE)};

    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.form.text(Control::Label1), gradix::STATUS_FILE);
    EXPECT_TRUE(s.form.isEnabled(Control::Command3));
    for (Control c : {Control::Text1, Control::Text2, Control::Text3, Control::xpcmdbutton3, Control::xpcmdbutton4})
        EXPECT_FALSE(s.form.isEnabled(c));
}

TEST(Initialise, CancelledFirstDialogReportsCancelAfterSavingSettings) {
    Session s;
    s.ui.answers = {""};

    EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events,
              (std::vector<std::string>{"open CommonDialog3 读取断链资料", "error 错误: 读取文件被取消！"}));
    EXPECT_EQ(readBytes(s.settings.path()), "0\r\n");
    EXPECT_FALSE(s.project.initialised);
    EXPECT_FALSE(s.form.isEnabled(Control::Command3));
}

TEST(Initialise, CancelledProfileLoadsNothingOfTheRun) {
    Session s;
    s.ui.answers = {s.dir.write("b.dl", "2350 2300\n4100 4180\n"), ""};

    EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events.back(), "error 错误: 读取文件被取消！");
    EXPECT_EQ(s.project.breaks.chainBreakCount, 0);  // the chain breaks read are not in force
    EXPECT_FALSE(s.project.initialised);
}

TEST(Initialise, BadProfileLineIsAFormatFailureWithFileAndLine) {
    Session s;
    const std::string profile = s.dir.write("bad.zdm", "0 100\n200 104\n300\n");
    s.ui.answers = {s.dir.write("b.dl", NO_BREAKS_FILE), profile};

    EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events.back(), "error 错误: 数据文件格式有误！");
    ASSERT_EQ(s.ui.errorDetails.size(), 1u);
    EXPECT_EQ(s.ui.errorDetails[0], msg::located(profile, 3, msg::SINGLE_FIELD_LINE));
}

// What the readers notice without refusing goes to the project's notes, as
// "FILE：TEXT"; the next load says only what it noticed itself.
TEST(Initialise, ReadersNotesAreTheProjectsNotes) {
    Session s;
    const std::string breaks = s.dir.write("road.dl", "2350 2300\r\r\n4100 4180\r\r\n");
    const std::string profile = s.dir.write("road.zdm", "2000 100\nB2400 104 8000 ;变坡点\nB2600 101\n");
    s.ui.answers = {breaks, profile};
    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.project.notes, (std::vector<std::string>{msg::located(breaks, 0, msg::linesLeftAfterEmptyLine(2, 1)),
                                                         msg::located(profile, 0, msg::radiusNotRead(2, 4))}));
    s.ui.answers = {s.dir.write("b.dl", NO_BREAKS_FILE), s.dir.write("p.zdm", CREST_PROFILE)};
    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
    EXPECT_TRUE(s.project.notes.empty());
}

// A file of another kind is a format failure whose detail names the option
// that reads it, as gradix-cli says it.
TEST(Initialise, FileOfAnotherKindIsNamedInTheDetail) {
    Session s;
    const std::string xml = s.dir.write("road.dl", "<?xml version=\"1.0\"?>\n<LandXML/>\n");
    s.ui.answers = {xml};
    EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "error 错误: 数据文件格式有误！");
    EXPECT_EQ(s.ui.errorDetails, (std::vector<std::string>{msg::located(xml, 0, msg::IS_LANDXML_FILE)}));
}

TEST(Initialise, MissingFileIsAFormatFailure) {
    Session s;
    s.ui.answers = {s.dir.file("nowhere.dl")};
    EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "error 错误: 数据文件格式有误！");
}

TEST(Initialise, RefusedProfileStakeEndsQuietlyWithTheStakeMessage) {
    Session s;
    s.project.initialised = true;  // an earlier run completed
    s.ui.answers = {s.dir.write("b.dl", "2350 2300\n"), s.dir.write("p.zdm", "2000 100\n2320 101\n")};

    EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events.back(),
              "message 数据有误: 程序不能判断桩号2320所属的断链区间，需添加断链标识A、B、C...");
    EXPECT_EQ(s.ui.events[s.ui.events.size() - 2], "activate");
    EXPECT_TRUE(s.project.initialised);
    EXPECT_FALSE(s.form.isEnabled(Control::Command3));
}

// A session initialised on the crest-curve profile without chain breaks.
struct CrestSession : Session {
    CrestSession() {
        ui.answers = {dir.write("b.dl", NO_BREAKS_FILE), dir.write("p.zdm", CREST_PROFILE)};
        EXPECT_TRUE(ui.show(gradix::initialise(project, form, ui, settings)));
        ui.events.clear();
    }
};

TEST(ComputeSingleStake, ShowsElevationAndPercentGradeAndFillsTheClipboard) {
    CrestSession s;
    s.form.setText(Control::Text1, " 180 ");
    s.form.setText(Control::Text9, "90");

    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.form.text(Control::Text2), "103.5000");
    EXPECT_EQ(s.form.text(Control::Text3), "1.0000");
    EXPECT_EQ(s.ui.clipboard, " 180 \t103.5000\t1.0000");
    EXPECT_EQ(readBytes(s.settings.path()), "90\r\n");
}

TEST(ComputeSingleStake, EndsOfTheProfileAreInsideTheRange) {
    CrestSession s;
    s.form.setText(Control::Text1, "400");
    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.form.text(Control::Text2), "100.0000");
    EXPECT_EQ(s.form.text(Control::Text3), "-2.0000");
}

TEST(ComputeSingleStake, StakeOutsideTheProfileGetsTheRangeMessageAndKeepsResults) {
    CrestSession s;
    s.form.setText(Control::Text1, "200");
    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    s.ui.events.clear();
    s.form.setText(Control::Text1, "  400.5 ");
    s.form.setFocus(Control::Text9);

    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events.back(), "message 数据有误: 桩号400.5超出纵断面数据文件，请修改！");
    EXPECT_EQ(s.form.focused(), Control::Text1);
    EXPECT_EQ(s.form.text(Control::Text2), "103.6000");
    EXPECT_EQ(s.form.text(Control::Text3), "0.0000");
}

TEST(ComputeSingleStake, EmptyStakeIsRefused) {
    CrestSession s;
    s.form.setText(Control::Text1, "");
    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "message 数据有误: 请输入桩号！");
    EXPECT_EQ(s.form.text(Control::Text2), "");
}

TEST(ComputeStakeFile, WritesTheResultFileInItsColumns) {
    CrestSession s;
    s.form.setChecked(Control::Option2, true);
    const std::string result = s.dir.file("out.txt");
    s.ui.answers = {s.dir.write("stakes.txt", "  180 \n400\n-100 start\n450\n\n300\n"), result};

    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events,
              (std::vector<std::string>{"open CommonDialog1 读取桩号文件", "save CommonDialog7 另存桩号、高程文件"}));
    EXPECT_EQ(readBytes(result),
              "180           103.5000       1.0000\r\n"
              "400           100.0000       -2.0000\r\n"
              "-100 start    98.0000        2.0000\r\n"
              "450           99.0000        -2.0000\r\n");
}

TEST(ComputeStakeFile, LongStakeTextsPushTheNextColumnToANewLine) {
    const std::vector<gradix::StakeResult> rows{
        {"12345678901234", 0, 1.5, 0.01},      // 14 characters: elevation from column 15
        {"123456789012345", 0, 1.5, -0.0125},  // 15 characters: elevation on a new line
        {"里程一二三四五六七八九十一二三", 0, 2, 0},  // 15 characters, 45 bytes
    };
    EXPECT_EQ(gradix::resultFileText(rows),
              "123456789012341.5000         1.0000\r\n"
              "123456789012345\r\n"
              "              1.5000         -1.2500\r\n"
              "里程一二三四五六七八九十一二三\r\n"
              "              2.0000         0.0000\r\n");
}

TEST(ComputeStakeFile, RefusedStakeWritesNothingAndAsksNoResultFile) {
    Session s;
    s.ui.answers = {s.dir.write("b.dl", "2350 2300\n"), s.dir.write("p.zdm", "0 100\nB3000 110\n")};
    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
    s.form.setChecked(Control::Option2, true);
    s.ui.events.clear();
    const std::string result = s.dir.write("out.txt", "previous results\r\n");
    s.ui.answers = {s.dir.write("stakes.txt", "100\n200\n2320\n400\n"), result};

    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));

    EXPECT_EQ(s.ui.events.front(), "open CommonDialog1 读取桩号文件");
    EXPECT_EQ(s.ui.events.back(),
              "message 数据有误: 程序不能判断桩号2320所属的断链区间，需添加断链标识A、B、C...");
    EXPECT_EQ(readBytes(result), "previous results\r\n");
}

TEST(ComputeStakeFile, FirstLineEmptyGivesAnEmptyResultFile) {
    CrestSession s;
    s.form.setChecked(Control::Option2, true);
    const std::string result = s.dir.file("out.txt");
    s.ui.answers = {s.dir.write("stakes.txt", "   \n100\n"), result};
    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_TRUE(fs::exists(result));
    EXPECT_EQ(readBytes(result), "");
}

TEST(ComputeStakeFile, CancelledDialogsReportCancel) {
    CrestSession s;
    s.form.setChecked(Control::Option2, true);
    s.ui.answers = {""};
    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "error 错误: 读取文件被取消！");

    s.ui.answers = {s.dir.write("stakes.txt", "100\n"), ""};
    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "error 错误: 读取文件被取消！");
}

TEST(ComputeStakeFile, StretchLetterBeyondTheTableIsRefusedAndWritesNothing) {
    CrestSession s;
    s.form.setChecked(Control::Option2, true);
    const std::string stakes = s.dir.write("stakes.txt", "100\nW100\n");
    s.ui.answers = {stakes, s.dir.file("out.txt")};
    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "message 数据有误: 桩号W100的断链标识不存在，请修改！");
    EXPECT_FALSE(fs::exists(s.dir.file("out.txt")));
}

TEST(SettingsFile, MissingEmptyOrWordFiles) {
    Folder dir("commands");
    const gradix::SettingsFile settings(dir.folder(), "");
    EXPECT_EQ(settings.LoadSettings(), "0");
    dir.write("gradix.ini", "");
    EXPECT_EQ(settings.LoadSettings(), "0");
    dir.write("gradix.ini", "abc\r\nignored\r\n");
    EXPECT_EQ(settings.LoadSettings(), "abc");
    settings.SaveSettings("abc");
    EXPECT_EQ(readBytes(settings.path()), "abc\r\n");
}

TEST(SettingsFile, FolderRuleAddsTheSeparatorOnlyWhenMissing) {
    EXPECT_EQ(gradix::programFilePath("/opt/gradix", "gradix.ini"), "/opt/gradix/gradix.ini");
    EXPECT_EQ(gradix::programFilePath("/", "gradix.ini"), "/gradix.ini");
}

TEST(SettingsFile, UnwritableProgramFolderFallsBackToTheUserConfigFolder) {
    Folder dir("commands");
    const std::string config = dir.file("config/gradix");
    const gradix::SettingsFile settings(dir.file("no-such-program-folder"), config);
    EXPECT_EQ(settings.path(), config + "/gradix.ini");
    settings.SaveSettings("45");
    EXPECT_EQ(settings.LoadSettings(), "45");
}

TEST(StakeLabel, KilometreNotationReducesToMetres) {
    EXPECT_EQ(gradix::reduceStakeLabel("K12+345.678"), "12345.678");
    EXPECT_EQ(gradix::reduceStakeLabel("ZK3+020"), "3020");
    EXPECT_EQ(gradix::reduceStakeLabel("K0+005.5"), "5.5");
    EXPECT_EQ(gradix::reduceStakeLabel("  K1+200  "), "1200");
    EXPECT_EQ(gradix::reduceStakeLabel("Prog=0+850.000"), "850");
    EXPECT_EQ(gradix::reduceStakeLabel("K0+000.500"), ".5");
}

TEST(StakeLabel, TextBeforeTheNumberOrFormattingCodesGiveZero) {
    EXPECT_EQ(gradix::reduceStakeLabel("里程K1+200"), "0");
    EXPECT_EQ(gradix::reduceStakeLabel("{\\LK1+200}"), "0");
    EXPECT_EQ(gradix::reduceStakeLabel(""), "0");
}

TEST(StakeLabel, ChainBreakEquationRunsItsNumbersTogether) {
    EXPECT_EQ(gradix::reduceStakeLabel("K12+345.678=K12+340"), "12345.6781234");
    // Past fifteen digits the number keeps its exponent, which the stake
    // field reads back as the same (far too large) chainage.
    EXPECT_EQ(gradix::reduceStakeLabel(std::string("999999999999999999I\0\3%%*u", 25)), "1E+18");
    EXPECT_EQ(gradix::LeadingNumber("1E+18"), 1e18);
}

}  // namespace

namespace {

// ------------------------------------------------ faults mended, one each

TEST(Initialise, AFailedRunKeepsTheProjectInForceWithItsControlsAndStatus) {
    CrestSession s;
    s.form.setChecked(Control::Check1, true);  // the next run in alignment mode
    s.form.setText(Control::Label1, gradix::STATUS_START_ALIGNMENT);
    const std::string badIcd = s.dir.write("bad.ICD", "0\n0,0,0\n2,0,10,1\n");
    for (const std::deque<std::string>& answers :
         {std::deque<std::string>{""}, {badIcd}, {s.dir.write("l.ICD", "0\n0,0,0\n1,10\n"), ""},
          {s.dir.write("l.ICD", "0\n0,0,0\n1,10\n"), s.dir.write("b.zdm", "0 100\nB5 101\n")}}) {
        s.ui.answers = answers;
        EXPECT_FALSE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings))) << answers.front();
        EXPECT_EQ(s.form.text(Control::Label1), gradix::STATUS_SINGLE) << answers.front();
        EXPECT_FALSE(s.project.alignmentMode);
        EXPECT_EQ(s.project.profile.gradePointCount, 3);
        EXPECT_TRUE(s.form.isEnabled(Control::Command3));
        EXPECT_FALSE(s.form.isEnabled(Control::xpcmdbutton4));
    }
    s.form.setText(Control::Text1, "180");
    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.form.text(Control::Text2), "103.5000");

    Session none;  // nothing loaded: the starting text of the mode chosen
    none.form.setChecked(Control::Check1, true);
    none.ui.answers = {""};
    EXPECT_FALSE(none.ui.show(gradix::initialise(none.project, none.form, none.ui, none.settings)));
    EXPECT_EQ(none.form.text(Control::Label1), gradix::STATUS_START_ALIGNMENT);
}

TEST(ComputeSingleStake, StakesWithoutANumberOrWithAnUnknownLetterAreRefused) {
    CrestSession s;
    for (const auto& [typed, message] : std::vector<std::pair<std::string, std::string>>{
             {" abc ", "桩号abc无法识别，请修改！"},
             {"a100", "桩号a100无法识别，请修改！"},
             {"B100", "桩号B100的断链标识不存在，请修改！"},
             {"  ", "请输入桩号！"}}) {
        s.form.setText(Control::Text1, typed);
        EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings))) << typed;
        EXPECT_EQ(s.ui.events.back(), "message 数据有误: " + message);
        EXPECT_EQ(s.form.text(Control::Text2), "");
    }
    s.form.setText(Control::Text1, "A100");  // the only stretch of a road without breaks
    EXPECT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
}

TEST(ComputeStakeFile, AHeaderLineIsRefusedAndNothingIsWritten) {
    CrestSession s;
    s.form.setChecked(Control::Option2, true);
    const std::string result = s.dir.file("out.txt");
    s.ui.answers = {s.dir.write("stakes.txt", "stake\n100\n"), result};
    EXPECT_FALSE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));
    EXPECT_EQ(s.ui.events.back(), "message 数据有误: 桩号stake无法识别，请修改！");
    EXPECT_FALSE(fs::exists(result));
}

TEST(ComputeStakeFile, AResultFileThatIsAFileReadIsAskedForAgain) {
    CrestSession s;
    s.form.setChecked(Control::Option2, true);
    const std::string stakes = s.dir.write("stakes.txt", "100\n");
    const std::string link = s.dir.file("profile-link.zdm");
    fs::create_symlink(s.dir.file("p.zdm"), link);
    const std::string result = s.dir.file("out.txt");
    s.ui.answers = {stakes, stakes, link, result};

    ASSERT_TRUE(s.ui.show(gradix::compute(s.project, s.form, s.ui, s.settings)));

    const std::string again = std::string("message 数据有误: ") + gradix::RESULT_IS_INPUT_MESSAGE;
    EXPECT_EQ(s.ui.events, (std::vector<std::string>{"open CommonDialog1 读取桩号文件",
                                                     "save CommonDialog7 另存桩号、高程文件", "activate", again,
                                                     "save CommonDialog7 另存桩号、高程文件", "activate", again,
                                                     "save CommonDialog7 另存桩号、高程文件"}));
    EXPECT_EQ(readBytes(stakes), "100\n");
    EXPECT_EQ(readBytes(s.dir.file("p.zdm")), CREST_PROFILE);
    EXPECT_EQ(readBytes(result), "100           102.0000       2.0000\r\n");
}

TEST(Files, SameFileFollowsLinksButNotLoops) {
    Folder dir;
    const std::string file = dir.write("a.txt", "a");
    fs::create_hard_link(file, dir.file("hard.txt"));
    fs::create_symlink(file, dir.file("soft.txt"));
    fs::create_symlink(dir.file("loop2"), dir.file("loop1"));
    fs::create_symlink(dir.file("loop1"), dir.file("loop2"));
    const struct {
        std::string a, b;
        bool same;
    } rows[] = {
        {file, file, true},
        {file, dir.folder() + "/./a.txt", true},
        {file, dir.file("hard.txt"), true},
        {dir.file("soft.txt"), file, true},
        {dir.file("new.txt"), dir.folder() + "/./new.txt", true},  // one file yet to be written
        {file, dir.file("new.txt"), false},
        {dir.file("loop1"), dir.file("loop2"), false},
        {dir.file("loop1"), dir.file("loop1"), false},
        {"", "", false},
    };
    for (const auto& row : rows) EXPECT_EQ(gradix::sameFile(row.a, row.b), row.same) << row.a << " " << row.b;
}

TEST(Trap, EachExceptionBecomesItsOutcomeAndBugsAreInternalErrors) {
    using gradix::FailureKind;
    const struct {
        std::function<gradix::Outcome()> body;
        FailureKind kind;
        std::string shown;
    } rows[] = {
        {[]() -> gradix::Outcome { throw gradix::DataError("a line with a single field"); }, FailureKind::Data,
         "error 错误: 数据文件格式有误！"},
        {[]() -> gradix::Outcome { throw gradix::FileAccessError("empty path"); }, FailureKind::FileAccess,
         "error 错误: 读取文件被取消！"},
        {[]() -> gradix::Outcome { throw std::runtime_error("odd"); }, FailureKind::Data,
         "error 错误: 数据文件格式有误！"},
        {[]() -> gradix::Outcome { throw std::out_of_range("vector::at"); }, FailureKind::Internal,
         std::string("error 错误: ") + gradix::INTERNAL_ERROR_TEXT},
        {[]() -> gradix::Outcome { throw std::invalid_argument("stol"); }, FailureKind::Internal,
         std::string("error 错误: ") + gradix::INTERNAL_ERROR_TEXT},
        {[]() -> gradix::Outcome { throw gradix::CadError("名称无效"); }, FailureKind::Drawing, "error 错误: 名称无效"},
    };
    for (const auto& row : rows) {
        const gradix::Outcome outcome = gradix::runTrapped(row.body);
        EXPECT_EQ(outcome.kind, gradix::OutcomeKind::Failed) << row.shown;
        EXPECT_EQ(outcome.failure, row.kind) << row.shown;
        ScriptedUi ui;
        ui.show(outcome);
        EXPECT_EQ(ui.events, std::vector<std::string>{row.shown});
    }
    EXPECT_NE(gradix::runTrapped([]() -> gradix::Outcome { throw std::out_of_range("vector::at"); })
                  .detail.find("vector::at"),
              std::string::npos);
}

}  // namespace

namespace {

TEST(StakeFile, ReadingStopsOneStakePastTheMostAFileMayHold) {
    Folder dir;
    std::string text;
    for (int i = 0; i < gradix::MAX_STAKES + 100; ++i) text += "1\n";
    EXPECT_EQ(gradix::readStakeFile(dir.write("s.txt", text)).size(), static_cast<std::size_t>(gradix::MAX_STAKES) + 1);
}

}  // namespace

// The tables of the menu 输出 when they do not run to the end: a cancelled
// file dialog (an empty path) fails as such, a refused field is a message
// box with its reason, a progress that stops ends the command silently; none
// writes a file.
TEST(Tables, CancelledAndRefusedRunsWriteNothing) {
    Session s;
    s.form.setChecked(Control::Check1, true);
    s.ui.answers = {gradix::testing::example("road.icd"), gradix::testing::example("road-icd.zdm")};
    ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
    const std::string points = s.dir.write("points.txt", "P1 3346479.656 513201.859 107\nP2 3345900 512500\n");
    const gradix::Progress stop = [](std::size_t, std::size_t) { return false; };
    const auto stakes = [&](std::string every, std::string offsets, std::string from, std::string to,
                            const gradix::Progress& progress = {}) {
        return [=, &s](const std::string& file) {
            return gradix::writeStakeTable(s.project, {every, offsets, from, to, gradix::TableFormat::Csv, file},
                                           progress);
        };
    };
    const auto located = [&](std::string pointsFile, std::string maxOffset, const gradix::Progress& progress = {}) {
        return [=, &s](const std::string& file) {
            std::size_t skipped = 0;
            return gradix::writeLocatedPoints(s.project, {pointsFile, maxOffset, gradix::TableFormat::Csv, file},
                                              skipped, progress);
        };
    };
    const std::string cancelled = "error 错误: 读取文件被取消！";
    const auto refused = [](const std::string& text) {
        return std::vector<std::string>{"activate", "message 数据有误: " + text};
    };
    struct Case {
        const char* what;
        std::function<gradix::Outcome(const std::string&)> run;
        bool chooseFile;  // false: the save dialog was cancelled
        std::vector<std::string> events;
    };
    const std::vector<Case> cases{
        {"stake table, save cancelled", stakes("20", "", "", ""), false, {cancelled}},
        {"curve table, save cancelled",
         [&](const std::string& file) {
             return gradix::writeCurveTable(s.project, {gradix::TableFormat::Csv, file});
         },
         false, {cancelled}},
        {"located points, save cancelled", located(points, "100"), false, {cancelled}},
        {"located points, point file cancelled", located("", "100"), true, {cancelled}},
        {"interval 0", stakes("0", "", "", ""), true, refused("桩距应为大于0的数。")},
        {"interval not a number", stakes("20m", "", "", ""), true, refused("桩距应为大于0的数。")},
        {"offset not a number", stakes("20", "7.5,x", "", ""), true, refused("边桩距应为以逗号分隔的数。")},
        {"range reversed", stakes("20", "", "500", "300"), true, refused("起点桩号不应在终点桩号之后。")},
        {"negative offset limit", located(points, "-1"), true, refused("偏距限值应为不小于0的数。")},
        {"subgrade table without a surface",
         [&](const std::string& file) {
             return gradix::writeSubgradeTable(s.project, {"20", "", "", "", gradix::TableFormat::Csv, file});
         },
         true, refused("请先初始化超高和宽度（超高文件、宽度文件）。")},
        {"stake table stopped", stakes("20", "", "", "", stop), true, {}},
        {"located points stopped", located(points, "100", stop), true, {}},
    };
    for (const Case& c : cases) {
        s.ui.events.clear();
        const std::string file = c.chooseFile ? (fs::path(s.dir.folder()) / "table.csv").string() : "";
        s.ui.show(c.run(file));
        EXPECT_EQ(s.ui.events, c.events) << c.what;
        EXPECT_FALSE(fs::exists(fs::path(s.dir.folder()) / "table.csv")) << c.what;
    }
}

// ---- the cross-section files -------------------------------------------------

// After the profile the initialisation asks for the superelevation and width
// files that the profile's folder holds, a cancelled dialog meaning none of
// that kind, and with a file chosen for the design line and the pivot; the
// surface of the project in force never outlives it.
TEST(Initialise, AsksForTheCrossSectionFilesTheRoadsFolderHolds) {
    const std::string SUP = "open superelevationDialog 读取超高资料", WID = "open widthDialog 读取宽度资料";
    const struct Case {
        const char* what;
        bool supBeside, widBeside;
        std::deque<std::string> answers;  // after the profile: names in the folder, "" cancelled
        std::vector<std::string> dialogs;  // after the profile's
        bool loaded;
        const char* supFile;
        const char* widFile;
    } cases[] = {
        {"no cross-section file beside the profile", false, false, {}, {}, false, "", ""},
        {"both beside, both chosen", true, true, {"road.sup", "road.wid"}, {SUP, WID, "axes"}, true, "road.sup",
         "road.wid"},
        {"both beside, both cancelled", true, true, {"", ""}, {SUP, WID}, false, "", ""},
        {"only the widths beside", false, true, {"road.wid"}, {WID, "axes"}, true, "", "road.wid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        // A surface in force from an earlier project.
        gradix::setUniformWidths(s.project.surface, gradix::crownSection());
        gradix::setUniformSlopes(s.project.surface, gradix::crownSection());
        s.project.superelevationFileName = "old.sup";
        if (c.supBeside) s.dir.write("road.sup", gradix::testing::CROWN_SUPERELEVATION);
        if (c.widBeside) s.dir.write("road.wid", gradix::testing::DIVIDED_WIDTHS);
        s.ui.answers = {s.dir.write("b.dl", NO_BREAKS_FILE), s.dir.write("p.zdm", CREST_PROFILE)};
        for (const std::string& a : c.answers) s.ui.answers.push_back(a.empty() ? a : s.dir.file(a));

        ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
        const std::vector<std::string> dialogs(s.ui.events.begin() + 2, s.ui.events.end());
        EXPECT_EQ(dialogs, c.dialogs);
        EXPECT_EQ(s.project.surface.loaded(), c.loaded);
        EXPECT_EQ(s.project.superelevationFileName, *c.supFile ? s.dir.file(c.supFile) : "");
        EXPECT_EQ(s.project.widthFileName, *c.widFile ? s.dir.file(c.widFile) : "");
    }
}

// 文件 → 载入超高和宽度…: into the project in force, or nothing changes.
TEST(LoadSurface, LoadsIntoTheProjectInForceOrLeavesItAsItWas) {
    const struct Case {
        const char* what;
        bool initialised;
        const char* sup;  // the dialogs' answers: a file's bytes written as road.sup, or "" cancelled
        const char* wid;
        gradix::OutcomeKind outcome;
        const char* status;
        bool loaded;
        std::optional<gradix::SurfaceAxes> axes = gradix::SurfaceAxes{};  // the answer of the axes dialog
    } cases[] = {
        {"before a project", false, gradix::testing::CROWN_SUPERELEVATION, gradix::testing::DIVIDED_WIDTHS,
         gradix::OutcomeKind::Refused, "", false},
        {"both cancelled", true, "", "", gradix::OutcomeKind::Cancelled, "", false},
        {"a width file of eight fields", true, gradix::testing::CROWN_SUPERELEVATION, "1 2 3 4 0 4 3 2\n",
         gradix::OutcomeKind::Failed, "", false},
        {"both", true, gradix::testing::CROWN_SUPERELEVATION, gradix::testing::DIVIDED_WIDTHS,
         gradix::OutcomeKind::Done, "已载入超高和宽度：road.sup、road.wid", true},
        {"the superelevation only", true, gradix::testing::CROWN_SUPERELEVATION, "", gradix::OutcomeKind::Done,
         "已载入超高和宽度：road.sup、默认", true},
        {"the axes asked for and cancelled", true, gradix::testing::CROWN_SUPERELEVATION, "",
         gradix::OutcomeKind::Cancelled, "", false, std::nullopt},
        {"the axes chosen", true, gradix::testing::CROWN_SUPERELEVATION, gradix::testing::DIVIDED_WIDTHS,
         gradix::OutcomeKind::Done, "已载入超高和宽度：road.sup、road.wid", true,
         gradix::SurfaceAxes{gradix::DesignLine::MedianEdge, gradix::Pivot::InnerEdge}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        if (c.initialised) {
            s.ui.answers = {s.dir.write("b.dl", NO_BREAKS_FILE), s.dir.write("p.zdm", CREST_PROFILE)};
            ASSERT_TRUE(s.ui.show(gradix::initialise(s.project, s.form, s.ui, s.settings)));
        }
        s.ui.answers = {*c.sup ? s.dir.write("road.sup", c.sup) : "", *c.wid ? s.dir.write("road.wid", c.wid) : ""};
        s.ui.axes = c.axes;
        std::string status;
        const gradix::Outcome outcome = gradix::loadSurfaceFiles(s.project, s.ui, status);
        EXPECT_EQ(outcome.kind, c.outcome) << outcome.message << " " << outcome.detail;
        if (c.outcome == gradix::OutcomeKind::Failed) {
            EXPECT_NE(outcome.detail.find("road.wid"), std::string::npos);
        }
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(s.project.surface.loaded(), c.loaded);
        if (c.loaded) {
            EXPECT_EQ((gradix::SurfaceAxes{s.project.surface.designLine, s.project.surface.pivot}), *c.axes);
        }
    }
}
