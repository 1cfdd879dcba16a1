// What the compute command hands back and says about it: the results of the
// run (the window marks the last one instead of reading the stake file
// again), the status line after a stake file, and the notes of the stakes
// a stake file extrapolates beyond the profile.
#include <gtest/gtest.h>

#include "commands/compute.h"
#include "commands/initialise.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "support/worked_examples.h"
#include "text/messages.h"

namespace {

using gradix::Control;
namespace msg = gradix::msg;

// The worked crest profile (0 to 400 m) loaded in chain-break mode without
// breaks, as the window holds it after 初始化.
struct Crest {
    gradix::testing::TempFolder dir{"compute"};
    gradix::Project project;
    gradix::FormState form;
    gradix::testing::ScriptedUi ui;
    gradix::SettingsFile settings{dir.folder(), ""};
    Crest() {
        ui.answers = {dir.write("b.dl", gradix::testing::NO_BREAKS_FILE),
                      dir.write("p.zdm", gradix::testing::CREST_PROFILE)};
        EXPECT_TRUE(ui.show(gradix::initialise(project, form, ui, settings)));
    }
};

TEST(ComputeReport, HandsBackTheResultsAndTheStatusSaysWhatWasExtrapolated) {
    const struct {
        const char* what;
        const char* stakeFile;  // nullptr: the single stake in Text1
        const char* single;
        std::vector<double> chainages;  // of the results handed back; empty when the run was refused
        std::size_t outside;
        const char* status;  // Label1 after a stake file
    } rows[] = {
        {"single stake", nullptr, "180", {180}, 0, ""},
        {"single stake refused outside the profile", nullptr, "500", {}, 0, ""},
        {"stake file within the profile", "100\n200\n300\n", "", {100, 200, 300}, 0, "已写入3个桩号的高程：out.txt"},
        {"stake file partly extrapolated", "0\n500\n-10\n", "", {0, 500, -10}, 2,
         "已写入3个桩号的高程，其中2个超出纵断面（外推）"},
        {"stake file with a refused stake", "100\nabc\n", "", {}, 0, ""},
    };
    for (const auto& row : rows) {
        Crest s;
        s.form.setChecked(Control::Option2, row.stakeFile != nullptr);
        s.form.setChecked(Control::Option1, row.stakeFile == nullptr);
        s.form.setText(Control::Text1, row.single);
        if (row.stakeFile) s.ui.answers = {s.dir.write("s.txt", row.stakeFile), s.dir.file("out.txt")};
        gradix::ComputeReport report;
        const gradix::Outcome outcome = gradix::compute(s.project, s.form, s.ui, s.settings, report);
        EXPECT_EQ(outcome.isDone(), !row.chainages.empty()) << row.what;
        std::vector<double> chainages;
        for (const gradix::StakeResult& r : report.results) chainages.push_back(r.chainage);
        EXPECT_EQ(chainages, row.chainages) << row.what;
        EXPECT_EQ(report.outsideProfile(), row.outside) << row.what;
        if (*row.status) {
            EXPECT_EQ(s.form.text(Control::Label1), row.status) << row.what;
        }
    }
}

TEST(ComputeReport, EachExtrapolatedStakeOfAFileGetsANoteAtItsLine) {
    Crest s;
    std::vector<gradix::StakeResult> results;
    std::vector<gradix::Outcome> refusals;
    // Line 2 refused and left out; lines 3 and 4 beyond the ends.
    ASSERT_TRUE(gradix::evaluateStakes(s.project, {"100", "x", "400.5", "-2 start"}, "s.txt", results, &refusals));
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].detail, msg::located("s.txt", 2, msg::stakeDetail("x", msg::NO_NUMBER_IN_STAKE)));
    EXPECT_EQ(gradix::extrapolationNotes(s.project, results, "s.txt"),
              (std::vector<std::string>{
                  msg::located("s.txt", 3, msg::stakeDetail("400.5", msg::extrapolated(400.5, 0, 400))),
                  msg::located("s.txt", 4, msg::stakeDetail("-2 start", msg::extrapolated(-2, 0, 400)))}));
}

}  // namespace
