// Stake files through the compute command's file mode (the stake-file
// dialog answered with the input, the result dialog with a file beside it),
// on a small project with or without chain breaks (bit 0 of the input's first
// byte decides; the rest is the stake file). The command ends in exactly one
// of three ways: a result file of one line per stake at least, with finite
// numbers in the fixed format; a refused stake told once and no result file;
// or the error box with the data failure and a detail naming the stake file.
#include <cstdio>
#include <string>
#include <vector>
#include <fstream>
#include <iterator>

#include "commands/compute.h"
#include "fuzz_input.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// A user who picks the given files and whose boxes are counted.
class ScriptedUser : public UserInterface {
public:
    std::string stakeFile;
    std::string resultFile;
    int opens = 0, saves = 0, activations = 0, messages = 0, errors = 0;
    std::string errorText, errorDetail;

    std::string openFile(const FileDialog&) override {
        ++opens;
        return stakeFile;
    }
    std::string saveFile(const FileDialog&) override {
        ++saves;
        return resultFile;
    }
    void showError(const std::string& title, const std::string& text, const std::string& detail) override {
        fuzz::require(title == ERROR_TITLE, "the error box is titled 错误");
        ++errors;
        errorText = text;
        errorDetail = detail;
    }
    void setClipboard(const std::string&) override { fuzz::require(false, "the file mode leaves the clipboard alone"); }
    void activateMainWindow() override { ++activations; }
    void showMessage(const std::string& title, const std::string&) override {
        fuzz::require(title == DATA_PROBLEM_TITLE, "stake messages are titled 数据有误");
        ++messages;
    }
};

Project makeProject(bool withBreaks) {
    Project p;
    if (withBreaks) {
        p.breaks.chainBreakCount = 2;
        p.breaks.breakBackStake = {0, 2350, 4100, BREAK_SENTINEL};
        p.breaks.breakAheadStake = {0, 2300, 4180, BREAK_SENTINEL};
    }
    p.profile.gradePointCount = 3;
    p.profile.gradePointChainage = {0, 0, 2000, 5000};
    p.profile.gradePointElevation = {0, 100, 140, 110};
    p.profile.curveRadius = {0, 0, 8000, 0};
    p.profile.segmentGrade = {0, 0, 0, 0};
    p.profile.gradeChange = {0, 0, 0, 0};
    p.profile.tangentLength = {0, 0, 0, 0};
    p.profile.curveEndChainage = {0, 0, 0, 0};
    PrepareProfile(p.profile);
    p.initialised = true;
    return p;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool fileExists(const std::string& path) { return std::ifstream(path).good(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static Project withBreaks = makeProject(true);
    static Project withoutBreaks = makeProject(false);
    Project& project = (data[0] & 1) ? withBreaks : withoutBreaks;
    fuzz::InputFile file(data + 1, size - 1, ".txt");

    ScriptedUser ui;
    ui.stakeFile = file.path();
    ui.resultFile = file.path() + ".result";
    std::remove(ui.resultFile.c_str());
    FormState form;
    form.setChecked(Control::Option2, true);
    const Outcome outcome = compute(project, form, ui, SettingsFile::discarding());
    showOutcome(outcome, ui);
    const bool produced = outcome.isDone();
    fuzz::require(ui.opens == 1, "the stake file is asked for once");

    if (produced) {
        fuzz::require(ui.errors == 0 && ui.messages == 0 && ui.saves == 1, "a result asks for the result file only");
        const std::string text = readAll(ui.resultFile);
        std::remove(ui.resultFile.c_str());
        // The file is the layout of the stakes' finite results, one line each at least.
        const std::vector<std::string> stakes = readStakeFile(file.path());
        std::vector<StakeResult> results;
        fuzz::require(evaluateStakes(project, stakes, file.path(), results).isDone() && results.size() == stakes.size(),
                      "every stake of a written result file is evaluated");
        for (const StakeResult& r : results)
            fuzz::require(fuzz::finite(r.chainage) && fuzz::finite(r.elevation) && fuzz::finite(r.grade),
                          "finite results");
        fuzz::require(text == resultFileText(results), "the result file holds the results' lines");
        std::size_t lineEnds = 0;
        for (std::size_t i = 0; i + 1 < text.size(); ++i) lineEnds += text[i] == '\r' && text[i + 1] == '\n';
        fuzz::require(lineEnds >= results.size() && (text.empty() || text.ends_with("\r\n")),
                      "one line per stake at least, each ended by CR LF");
        return 0;
    }
    fuzz::require(!fileExists(ui.resultFile), "no result file after a failure or a refused stake");
    if (ui.errors == 0) {
        fuzz::require(ui.messages == 1 && ui.activations == 1 && ui.saves == 0,
                      "a refused stake is told once and no result file is asked for");
        return 0;
    }
    fuzz::require(ui.errors == 1 && ui.messages == 0, "one error box");
    fuzz::require(ui.errorText == FORMAT_TEXT, "the data failure (the stake file exists)");
    fuzz::require(ui.errorDetail.find(file.path()) != std::string::npos, "the detail names the stake file");
    return 0;
}
