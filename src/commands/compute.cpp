#include "commands/compute.h"

#include <algorithm>
#include <filesystem>

#include "commands/trap.h"
#include "commands/userinterface.h"
#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

constexpr const char* RESULT_LINE_END = "\r\n";
constexpr const char* RESULT_FILE_SUFFIX = "-高程.txt";  // after the stake file's name

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

// Columns of the results table: decimals and widths.
constexpr int CHAINAGE_DECIMALS = 3;
constexpr double STAKE_WIDTH = 16, NUMBER_WIDTH = 14;

Outcome computeSingleStake(const Project& project, Form& form, UserInterface& ui, ComputeReport& report) {
    StakeResult r;
    const Outcome outcome = computeStake(project, form.text(Control::Text1), RangeTest::WithinProfile, r);
    if (!outcome.isDone()) {
        // The stake must be corrected where it was typed.
        if (r.outsideProfile) form.setFocus(Control::Text1);
        return outcome;
    }
    form.setText(Control::Text2, formatFixed(r.elevation, RESULT_DECIMALS));
    form.setText(Control::Text3, formatPercent(r.grade));
    ui.setClipboard(form.text(Control::Text1) + '\t' + form.text(Control::Text2) + '\t' +
                    form.text(Control::Text3));
    report.results.push_back(std::move(r));
    return outcome;
}

// Asks for the result file until the one chosen is none of the files read.
std::string askResultFile(UserInterface& ui, const std::vector<std::string>& inputs, const std::string& suggestion) {
    std::string path = ui.saveFileSuggesting(RESULT_DIALOG, suggestion);
    while (namesOneOf(path, inputs)) {
        ui.activateMainWindow();
        ui.showMessage(DATA_PROBLEM_TITLE, RESULT_IS_INPUT_MESSAGE);
        path = ui.saveFileSuggesting(RESULT_DIALOG, suggestion);
    }
    return path;
}

Outcome computeStakeFile(const Project& project, Form& form, UserInterface& ui, ComputeReport& report) {
    const std::string stakePath = ui.openFile(STAKES_DIALOG);
    std::vector<StakeResult> results;
    Outcome outcome = evaluateStakes(project, readStakeFile(stakePath), stakePath, results);
    if (!outcome.isDone()) {
        outcome.detailShown = true;  // which line of the file was refused
        return outcome;
    }
    std::vector<std::string> inputs = project.inputFiles();
    inputs.push_back(stakePath);
    const std::string resultPath = askResultFile(ui, inputs, suggestedResultFile(stakePath));
    writeFileAtomically(resultPath, resultFileText(results));
    report.results = std::move(results);
    report.resultFile = resultPath;
    form.setText(Control::Label1,
                 stakeFileWrittenStatus(report.results.size(), resultPath, report.outsideProfile()));
    return outcome;
}

std::string stakeDetail(std::string_view stake, const std::string& reason) { return msg::stakeDetail(stake, reason); }

}  // namespace

Outcome computeStake(const Project& project, std::string_view stake, RangeTest range, StakeResult& result) {
    result = StakeResult{std::string(stake)};
    const StakeQualification q = qualifyStake(project.breaks, stake);
    if (!q.accepted()) return Outcome::refused(q.refusal, stakeDetail(stake, q.reason));
    result.chainage = dlstr_sj(project.breaks, q.text);

    const Profile& profile = project.profile;
    const int n = profile.gradePointCount;
    if (n < 1) throw DataError(msg::NO_GRADE_POINT_LOADED);
    const double first = profile.gradePointChainage[1], last = profile.gradePointChainage[n];
    result.outsideProfile = !(first <= result.chainage && result.chainage <= last);
    if (result.outsideProfile && range == RangeTest::WithinProfile)
        return Outcome::refused(outOfProfileMessage(trimBlanks(stake)),
                                stakeDetail(stake, msg::outsideProfile(result.chainage, first, last)));
    const DesignPoint design = DesignAt(profile, result.chainage);
    result.elevation = design.elevation;
    result.grade = design.grade;
    return Outcome::done();
}

std::vector<std::string> readStakeFile(const std::string& path) {
    // One stake past the most a file may hold is enough for evaluateStakes
    // to refuse the file at that line; the rest is never read.
    std::vector<std::string> stakes;
    TextLineReader reader(path);
    for (std::string line; stakes.size() <= static_cast<std::size_t>(MAX_STAKES) && reader.next(line);) {
        std::string stake = trimBlanks(line);
        if (stake.empty()) break;
        stakes.push_back(std::move(stake));
    }
    return stakes;
}

std::vector<std::string> stakesOfLines(const std::vector<std::string>& lines) {
    std::vector<std::string> stakes;
    for (const std::string& line : lines) {
        if (stakes.size() > static_cast<std::size_t>(MAX_STAKES)) break;
        std::string stake = trimBlanks(line);
        if (stake.empty()) break;
        stakes.push_back(std::move(stake));
    }
    return stakes;
}

Outcome evaluateStakes(const Project& project, const std::vector<std::string>& stakes, const std::string& file,
                       std::vector<StakeResult>& results, std::vector<Outcome>* refusals) {
    results.reserve(std::min<std::size_t>(stakes.size(), MAX_STAKES));
    long line = 0;
    try {
        for (const std::string& stake : stakes) {
            ++line;
            if (line > MAX_STAKES) throw DataError(msg::TOO_MANY_STAKES);
            StakeResult r;
            const Outcome outcome = computeStake(project, stake, RangeTest::Extrapolate, r);
            if (!outcome.isDone()) {
                Outcome located = Outcome::refused(outcome.message, msg::located(file, line, outcome.detail));
                if (!refusals) return located;
                refusals->push_back(std::move(located));
                continue;
            }
            r.line = line;
            results.push_back(std::move(r));
        }
    } catch (GradixError& e) {
        e.locate(file, line);
        throw;
    }
    return Outcome::done();
}

std::vector<std::string> extrapolationNotes(const Project& project, const std::vector<StakeResult>& results,
                                            const std::string& file) {
    std::vector<std::string> notes;
    const Profile& p = project.profile;
    if (p.gradePointCount < 1) return notes;
    const double first = p.gradePointChainage[1], last = p.gradePointChainage[p.gradePointCount];
    for (const StakeResult& r : results)
        if (r.outsideProfile)
            notes.push_back(
                msg::located(file, r.line, msg::stakeDetail(r.stake, msg::extrapolated(r.chainage, first, last))));
    return notes;
}

Table resultTable(const std::vector<StakeResult>& results, const ChainBreakTable& breaks) {
    Table t;
    t.title = "设计高程";
    t.columns = {{"桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"里程(m)", ColumnKind::Number, CHAINAGE_DECIMALS, NUMBER_WIDTH},
                 {"设计高程(m)", ColumnKind::Number, RESULT_DECIMALS, NUMBER_WIDTH},
                 {"纵坡(%)", ColumnKind::Percent, RESULT_DECIMALS, NUMBER_WIDTH}};
    for (const StakeResult& r : results)
        t.rows.push_back({Cell::of(formatStake(breaks, r.chainage)), Cell::of(r.chainage), Cell::of(r.elevation),
                          Cell::of(r.grade)});
    return t;
}

std::vector<OffsetResult> offsetResults(const Surface& surface, const std::vector<StakeResult>& results,
                                        const std::vector<double>& offsets) {
    std::vector<OffsetResult> out;
    out.reserve(results.size() * offsets.size());
    for (const StakeResult& r : results) {
        const Section section = sectionAt(surface, r.chainage);
        for (double d : offsets) out.push_back({&r, d, surfacePointOf(surface, section, r.elevation, d)});
    }
    return out;
}

Table offsetResultTable(const std::vector<OffsetResult>& results, const ChainBreakTable& breaks) {
    Table t;
    t.title = "设计高程";
    t.columns = {{"桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"里程(m)", ColumnKind::Number, CHAINAGE_DECIMALS, NUMBER_WIDTH},
                 {"偏距(m)", ColumnKind::Number, CHAINAGE_DECIMALS, NUMBER_WIDTH},
                 {"路面设计高程(m)", ColumnKind::Number, RESULT_DECIMALS, NUMBER_WIDTH},
                 {"横坡(%)", ColumnKind::Percent, RESULT_DECIMALS, NUMBER_WIDTH},
                 {"纵坡(%)", ColumnKind::Percent, RESULT_DECIMALS, NUMBER_WIDTH},
                 {"备注", ColumnKind::Text, 0, NUMBER_WIDTH}};
    t.rows.reserve(results.size());
    for (const OffsetResult& r : results) {
        std::vector<Cell>& row = t.rows.emplace_back();
        row.reserve(t.columns.size());
        row.push_back(Cell::of(formatStake(breaks, r.stake->chainage)));
        row.push_back(Cell::of(r.stake->chainage));
        row.push_back(Cell::of(r.offset));
        row.push_back(r.point.beyondEdge ? Cell::empty() : Cell::of(r.point.elevation));
        row.push_back(r.point.beyondEdge ? Cell::empty() : Cell::of(r.point.crossSlope));
        row.push_back(Cell::of(r.stake->grade));
        row.push_back(r.point.beyondEdge ? Cell::of(NOTE_BEYOND_EDGE) : Cell::empty());
    }
    return t;
}

std::size_t ComputeReport::outsideProfile() const {
    return static_cast<std::size_t>(
        std::count_if(results.begin(), results.end(), [](const StakeResult& r) { return r.outsideProfile; }));
}

std::string resultFileText(const std::vector<StakeResult>& results) {
    std::string out;
    for (const StakeResult& r : results) {
        std::size_t column = 1;
        print(out, column, r.stake);
        tabTo(out, column, ELEVATION_COLUMN);
        print(out, column, formatFixed(r.elevation, RESULT_DECIMALS));
        tabTo(out, column, GRADE_COLUMN);
        print(out, column, formatPercent(r.grade));
        out += RESULT_LINE_END;
    }
    return out;
}

std::string suggestedResultFile(const std::string& stakePath) {
    const std::filesystem::path stake(stakePath);
    return (stake.parent_path() / (stake.stem().string() + RESULT_FILE_SUFFIX)).string();
}

std::string stakeFileWrittenStatus(std::size_t stakes, const std::string& resultPath, std::size_t outsideProfile) {
    const std::string written = "已写入" + std::to_string(stakes) + "个桩号的高程";
    if (outsideProfile > 0) return written + "，其中" + std::to_string(outsideProfile) + "个超出纵断面（外推）";
    return written + "：" + std::filesystem::path(resultPath).filename().string();
}

std::string outOfProfileMessage(const std::string& trimmedStake) {
    return "桩号" + trimmedStake + "超出纵断面数据文件，请修改！";
}

Outcome compute(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings, ComputeReport& report) {
    report = ComputeReport{};
    const Outcome outcome = runTrapped([&] {
        settings.SaveSettings(form.text(Control::Text9));
        if (form.isChecked(Control::Option1)) return computeSingleStake(project, form, ui, report);
        return computeStakeFile(project, form, ui, report);
    });
    if (!outcome.isDone()) report = ComputeReport{};
    return outcome;
}

Outcome compute(Project& project, Form& form, UserInterface& ui, const SettingsFile& settings) {
    ComputeReport unused;
    return compute(project, form, ui, settings, unused);
}

}  // namespace gradix
