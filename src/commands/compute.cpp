#include "commands/compute.h"

#include "commands/trap.h"
#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr int RESULT_DECIMALS = 4;      // "0.0000"
constexpr double PERCENT = 100.0;       // grades are shown in percent
constexpr const char* RESULT_LINE_END = "\r\n";

// Moves the line being built to a column (1-based), as a print tab does: pad
// with spaces, or start a new line when the text already reaches beyond it.
void tabTo(std::string& out, std::size_t& column, std::size_t target) {
    if (column > target) {
        out += RESULT_LINE_END;
        column = 1;
    }
    out.append(target - column, ' ');
    column = target;
}

void print(std::string& out, std::size_t& column, const std::string& text) {
    out += text;
    column += codePointCount(text);
}

bool computeSingleStake(Project& project, Form& form, UserInterface& ui) {
    const std::string typed = form.text(Control::Text1);
    const std::string qualified = zh_dlstr(project.breaks, typed, ui, project.stakeAccepted);
    if (project.stakeAccepted == 0) return false;
    const double chainage = dlstr_sj(project.breaks, qualified);

    const Profile& profile = project.profile;
    const int n = profile.gradePointCount;
    if (n < 1) throw DataError("no grade point is loaded");
    if (!(profile.gradePointChainage[1] <= chainage && chainage <= profile.gradePointChainage[n])) {
        ui.activateMainWindow();
        ui.showMessage(DATA_PROBLEM_TITLE, outOfProfileMessage(trimBlanks(typed)));
        form.setFocus(Control::Text1);
        return false;
    }
    const DesignPoint design = DesignAt(profile, chainage);
    form.setText(Control::Text2, formatFixed(design.elevation, RESULT_DECIMALS));
    form.setText(Control::Text3, formatFixed(PERCENT * design.grade, RESULT_DECIMALS));
    ui.setClipboard(form.text(Control::Text1) + '\t' + form.text(Control::Text2) + '\t' +
                    form.text(Control::Text3));
    return true;
}

bool computeStakeFile(Project& project, UserInterface& ui) {
    const std::string stakePath = ui.openFile(STAKES_DIALOG);
    std::vector<StakeResult> results;
    {
        const std::vector<std::string> stakes = readStakeFile(stakePath);
        try {
            if (!evaluateStakes(project, stakes, ui, results)) return false;
        } catch (GradixError& e) {
            e.locate(stakePath, static_cast<long>(results.size()) + 1);
            throw;
        }
    }
    const std::string resultPath = ui.saveFile(RESULT_DIALOG);
    writeFileAtomically(resultPath, resultFileText(results));
    return true;
}

}  // namespace

std::vector<std::string> readStakeFile(const std::string& path) {
    std::vector<std::string> stakes;
    for (const std::string& line : readTextLines(path)) {
        std::string stake = trimBlanks(line);
        if (stake.empty()) break;
        stakes.push_back(std::move(stake));
    }
    return stakes;
}

bool evaluateStakes(Project& project, const std::vector<std::string>& stakes, MessageSink& sink,
                    std::vector<StakeResult>& results) {
    results.reserve(std::min<std::size_t>(stakes.size(), MAX_STAKES));
    for (const std::string& stake : stakes) {
        if (results.size() >= static_cast<std::size_t>(MAX_STAKES))
            throw DataError("more than 32767 stakes");
        const std::string qualified = zh_dlstr(project.breaks, stake, sink, project.stakeAccepted);
        if (project.stakeAccepted == 0) return false;
        const double chainage = dlstr_sj(project.breaks, qualified);
        const DesignPoint design = DesignAt(project.profile, chainage);
        results.push_back({stake, chainage, design.elevation, design.grade});
    }
    return true;
}

std::string resultFileText(const std::vector<StakeResult>& results) {
    std::string out;
    for (const StakeResult& r : results) {
        std::size_t column = 1;
        print(out, column, r.stake);
        tabTo(out, column, ELEVATION_COLUMN);
        print(out, column, formatFixed(r.elevation, RESULT_DECIMALS));
        tabTo(out, column, GRADE_COLUMN);
        print(out, column, formatFixed(PERCENT * r.grade, RESULT_DECIMALS));
        out += RESULT_LINE_END;
    }
    return out;
}

std::string outOfProfileMessage(const std::string& trimmedStake) {
    return "桩号" + trimmedStake + "超出纵断面数据文件，请修改！";
}

bool compute(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings) {
    return runTrapped(ui, [&] {
        settings.SaveSettings(form.text(Control::Text9));
        if (form.isChecked(Control::Option1)) return computeSingleStake(project, form, ui);
        return computeStakeFile(project, ui);
    });
}

}  // namespace gradix
