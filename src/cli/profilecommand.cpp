// profile: the prepared grade-point table.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "text/numbers.h"

namespace gradix::cli {

namespace {

constexpr const char* DESCRIPTION =
    "准备好的变坡点表。\n"
    "输出 i K H R g w T E：序号、里程、高程、竖曲线半径、其后坡段的\n"
    "坡度（比值）、坡差、切线长、竖曲线终点里程。";

struct ProfileOptions {
    ProjectOptions project;
};

Outcome run(const ProfileOptions& o, CommandContext& c) {
    o.project.requireProfileGiven();
    if (Outcome loaded = o.project.load(c.project); !loaded) return loaded;
    o.project.requireProfile(c.project);
    const Profile& p = c.project.profile;
    const int n = p.gradePointCount;
    for (int i = 1; i <= n; ++i) {
        const double g = i < n ? p.segmentGrade[i] : 0.0;
        c.out << i << TAB << shortestText(p.gradePointChainage[i]) << TAB << shortestText(p.gradePointElevation[i])
              << TAB << shortestText(p.curveRadius[i]) << TAB << shortestText(g) << TAB
              << shortestText(p.gradeChange[i]) << TAB << shortestText(p.tangentLength[i]) << TAB
              << shortestText(p.curveEndChainage[i]) << '\n';
    }
    return Outcome::done();
}

}  // namespace

void addProfileCommand(CommandRegistry& registry) {
    auto o = std::make_shared<ProfileOptions>();
    CLI::App* command = registry.command("profile", DESCRIPTION);
    o->project.addProfile(command);
    o->project.addAlignmentChoice(command);
    registry.onRun(command, [o](CommandContext& c) { return run(*o, c); });
}

}  // namespace gradix::cli
