// Hostile input through every reader: the chain-break file, the profile file,
// the ICD file and the stake file of the compute command. Each input ends as
// the reader's rules say: loaded with the values the rules give, a stake
// refused with its message, or one of the two failure kinds with the file
// (and, where a line is to blame, the line) in its detail. Never a crash, a
// hang or a value that is not finite.
//
// One table of hostile inputs (NaN and infinity, the largest doubles, -0,
// empty and missing fields, a line of a mebibyte, capacities and a hundred
// thousand lines, line ends, byte-order marks and GB18030, NUL bytes) runs
// through the reader each row names; a folder or an unreadable file is given
// to every reader; the stake file's way through the compute command closes.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "commands/compute.h"
#include "commands/projectfiles.h"
#include "profile/profile.h"
#include "setout/stakestable.h"
#include "setout/table.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "surface/surface.h"
#include "support/chain_breaks.h"
#include "support/file_bytes.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "text/failures.h"
#include "text/textfile.h"

using namespace gradix;
using gradix::testing::ScriptedUi;
using gradix::testing::TempFolder;
namespace fs = std::filesystem;

namespace {

// The byte-order mark some Windows editors put before UTF-8 text.
const std::string BOM = "\xEF\xBB\xBF";
// A line of a mebibyte, and a file of a hundred thousand lines.
constexpr std::size_t ONE_MB = 1 << 20;
constexpr int MANY_LINES = 100000;
// Exit codes of a check run in a child process.
constexpr int CHILD_PASSED = 0;
constexpr int CHILD_NO_FAILURE = 1;
constexpr int CHILD_WRONG_FAILURE = 2;
constexpr int CHILD_CANNOT_DROP = 77;

// "断链" (chain break) and "变坡点" (grade point) as a Chinese Windows tool
// writes them: GB18030 bytes, not valid UTF-8.
const std::string GB_CHAIN_BREAK = "\xB6\xCF\xC1\xB4";
const std::string GB_GRADE_POINT = "\xB1\xE4\xC6\xC2\xB5\xE3";
const std::string UTF8_GRADE_POINT = "变坡点";

// π as the program forms it, handed to dqicd.
const double PI = 4.0 * std::atan(1.0);

std::string nul(const std::string& before, const std::string& after) { return before + '\0' + after; }
std::string mb(char c) { return std::string(ONE_MB, c); }

std::string repeatLines(int count, const std::function<std::string(int)>& line) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += line(i);
    return text;
}

// ---------------------------------------------------------------- the readers

enum class Reader { ChainBreaks, Profile, Icd, StakeFile, Superelevation, Widths };

const char* nameOf(Reader r) {
    switch (r) {
    case Reader::ChainBreaks: return "ChainBreaks";
    case Reader::Profile: return "Profile";
    case Reader::Icd: return "Icd";
    case Reader::StakeFile: return "StakeFile";
    case Reader::Superelevation: return "Superelevation";
    case Reader::Widths: return "Widths";
    }
    return "";
}

// What a reader left, whether it loaded, refused or failed.
struct Loaded {
    ChainBreakTable breaks;
    Profile profile;
    Alignment alignment;
    std::vector<StakeResult> stakes;
    Surface surface;
    ScriptedUi ui;  // what the person was told
};

// The project the stake file is evaluated on: grade points 0/100, 2000/140
// (radius 8000) and 5000/110, with the chain breaks of table.
Project stakeProject(const ChainBreakTable& table) {
    Project project;
    project.profile.gradePointCount = 3;
    project.profile.gradePointChainage = {0, 0, 2000, 5000};
    project.profile.gradePointElevation = {0, 100, 140, 110};
    project.profile.curveRadius = {0, 0, 8000, 0};
    PrepareProfile(project.profile);
    project.breaks = table;
    return project;
}

// Reads path with reader into out (the profile and the stake evaluation under
// the chain breaks of table); false when a stake was refused. Raises what the
// reader raises.
bool readWith(Reader reader, const std::string& path, const ChainBreakTable& table, Loaded& out) {
    switch (reader) {
    case Reader::ChainBreaks: readChainBreakFile(path, out.breaks); return true;
    case Reader::Profile: return readProfileFile(path, table, out.ui, out.profile) == ProfileRead::Loaded;
    case Reader::Icd: {
        ChainBreakTable breaks;
        dqicd(path, out.alignment, breaks, PI);
        return true;
    }
    case Reader::StakeFile: {
        Project project = stakeProject(table);
        const Outcome outcome = evaluateStakes(project, readStakeFile(path), path, out.stakes);
        out.ui.show(outcome);
        const bool evaluated = outcome.kind != OutcomeKind::Refused;
        for (const StakeResult& r : out.stakes)
            EXPECT_TRUE(std::isfinite(r.chainage) && std::isfinite(r.elevation) && std::isfinite(r.grade)) << r.stake;
        return evaluated;
    }
    case Reader::Superelevation: readSuperelevationFile(path, table, out.surface); return true;
    case Reader::Widths: readWidthFile(path, table, out.surface); return true;
    }
    return true;
}

// Reads path with a line reader in check mode into out and report; for the
// profile, then prepares what was accepted (the check's own next step).
// Raises what the reader or the preparation raises.
void readChecking(Reader reader, const std::string& path, const ChainBreakTable& table, Loaded& out,
                  ReadReport& report) {
    report.checkMode = true;
    switch (reader) {
    case Reader::ChainBreaks: readChainBreakFile(path, out.breaks, &report); return;
    case Reader::Profile:
        readProfileFile(path, table, out.ui, out.profile, &report);
        if (report.refusals.empty() && out.profile.gradePointCount > 0) PrepareProfile(out.profile);
        return;
    case Reader::Icd: {
        ChainBreakTable breaks;
        dqicd(path, out.alignment, breaks, PI, &report);
        return;
    }
    case Reader::StakeFile: return;
    case Reader::Superelevation: readSuperelevationFile(path, table, out.surface, &report); return;
    case Reader::Widths: readWidthFile(path, table, out.surface, &report); return;
    }
}

// gtest shows a row by its reader and input, not its bytes.
void PrintTo(Reader r, std::ostream* out) { *out << nameOf(r); }

// How a hostile input ends: loaded, a stake refused, or a data failure
// naming the file at a line (ANY_LINE: at any line or none). UNLOCATED: a
// data failure of the evaluation after the file was read, which knows no file.
constexpr long LOADS = -1;
constexpr long REFUSED = -2;
constexpr long UNLOCATED = -3;
constexpr long ANY_LINE = 0;

struct Hostile {
    Reader reader;
    const char* input;                                 // what is hostile, for the test name
    std::string bytes;                                 // the file
    long outcome;                                      // LOADS, REFUSED, UNLOCATED or the failing line
    std::function<void(const Loaded&)> check = {};     // on what the reader left, also after a failure
    ChainBreakTable table = {};                        // the chain breaks in force
};

// ------------------------------------------------------------ the inputs

std::string chainBreakLines(int count, const char* end) {
    return repeatLines(count, [end](int i) { return std::to_string(1000 * i) + " " + std::to_string(1000 * i - 10) + end; });
}
std::string gradePointLines(int count) {
    return repeatLines(count, [](int i) { return std::to_string(10 * i) + " " + std::to_string(100 + i % 7) + "\n"; });
}
std::string icdRecords(int count) { return "0\n0,0,0\n" + repeatLines(count, [](int) { return "1,10\n"; }); }
std::string stakeLines(int count) {
    return repeatLines(count, [](int i) { return std::to_string(i % 5000) + "\n"; });
}

std::vector<Hostile> chainBreakInputs() {
    const Reader R = Reader::ChainBreaks;
    const auto nineteen = [](const Loaded& l) {
        const ChainBreakTable& t = l.breaks;
        ASSERT_EQ(t.chainBreakCount, 19);
        EXPECT_EQ(t.breakBackStake[1], 1000);
        EXPECT_EQ(t.breakBackStake[20], BREAK_SENTINEL);
        // The last stretch, "T", converts with all nineteen breaks.
        EXPECT_DOUBLE_EQ(dlstr_sj(t, "T20000"), 20000 + 19 * 10);
    };
    const auto twoBreaks = [](const Loaded& l) {
        ASSERT_EQ(l.breaks.chainBreakCount, 2);
        EXPECT_EQ(l.breaks.breakBackStake[1], 2350);
        EXPECT_EQ(l.breaks.breakAheadStake[2], 4180);
    };
    const auto oneBreak = [](const Loaded& l) { EXPECT_EQ(l.breaks.chainBreakCount, 1); };
    return {
        // NaN and infinity are no numbers.
        {R, "NanOrInfinity", "nan 0\n", 1},
        {R, "NanOrInfinity", "2350 2300\n2400 inf\n", 2},
        {R, "NanOrInfinity", "-Infinity 0\n", 1},
        {R, "NanOrInfinity", "0x10 0\n", 1},
        // The largest doubles load; beyond them is a failure.
        {R, "LargestDoubles", "1e308 -1e308\n", LOADS,
         [](const Loaded& l) {
             EXPECT_EQ(l.breaks.chainBreakCount, 1);
             EXPECT_EQ(l.breaks.breakBackStake[1], 1e308);
             EXPECT_EQ(l.breaks.breakAheadStake[1], -1e308);
         }},
        {R, "BeyondTheDoubles", "1e309 0\n", 1},
        {R, "BeyondTheDoubles", "0 -2e308\n", 1},
        // -0 is a break, not the no-break mark.
        {R, "NegativeZero", "-0 0\n", LOADS,
         [](const Loaded& l) {
             EXPECT_EQ(l.breaks.chainBreakCount, 1);
             EXPECT_TRUE(std::signbit(l.breaks.breakBackStake[1]));
         }},
        // A line with one field is a failure at its line.
        {R, "OneField", "2350 2300\n4100\n", 2},
        {R, "OneField", "2350\t \t\n", 1},
        // Megabyte lines read as their fields.
        {R, "MegabyteLine", "2350 2300 " + mb('x') + "\n", LOADS, oneBreak},
        {R, "MegabyteLine", "2350" + mb(' ') + "2300\n", LOADS,
         [](const Loaded& l) { EXPECT_EQ(l.breaks.chainBreakCount, 1); EXPECT_EQ(l.breaks.breakAheadStake[1], 2300); }},
        {R, "MegabyteLine", "1" + mb('0') + " 0\n", 1},
        // A hundred thousand lines stop at the twentieth, nineteen stored.
        {R, "HundredThousandLines", chainBreakLines(MANY_LINES, "\n"), 20,
         [](const Loaded& l) {
             EXPECT_EQ(l.breaks.chainBreakCount, 19);
             EXPECT_EQ(l.breaks.breakBackStake[20], BREAK_SENTINEL);
         }},
        // Nineteen lines load (also with CR-only line ends and a byte-order mark), twenty are a failure.
        {R, "Capacity", chainBreakLines(19, "\n"), LOADS, nineteen},
        {R, "Capacity", BOM + chainBreakLines(19, "\r"), LOADS, nineteen},
        {R, "Capacity", chainBreakLines(20, "\n"), 20},
        {R, "Capacity", chainBreakLines(20, "\r\n"), 20},
        // Line ends, marks and code pages read alike.
        {R, "LineEnds", "2350 2300\n4100 4180\n", LOADS, twoBreaks},
        {R, "LineEnds", "2350 2300\r\n4100 4180\r\n", LOADS, twoBreaks},
        {R, "LineEnds", "2350 2300\r4100 4180\r", LOADS, twoBreaks},
        {R, "ByteOrderMark", BOM + "2350 2300\r\n4100 4180", LOADS, twoBreaks},
        {R, "Gb18030", "2350 2300 " + GB_CHAIN_BREAK + "\r\n4100 4180 " + GB_CHAIN_BREAK + "\r\n", LOADS, twoBreaks},
        // NUL bytes spoil only the field they stand in.
        {R, "NulBytes", nul("2350", " 2300\n"), 1},
        {R, "NulBytes", "2350 2300\n" + nul("4100 4180", "\n"), 2},
        {R, "NulBytes", nul("2350 2300 a", "b\n"), LOADS, oneBreak},
    };
}

std::vector<Hostile> profileInputs() {
    const Reader R = Reader::Profile;
    const auto threePoints = [](const Loaded& l) {
        const Profile& p = l.profile;
        ASSERT_EQ(p.gradePointCount, 3);
        EXPECT_EQ(p.gradePointChainage[1], 500);
        EXPECT_EQ(p.curveRadius[2], 2000);
        EXPECT_EQ(p.gradePointElevation[3], 100);
    };
    const ChainBreakTable road = gradix::testing::ROAD_BREAKS;
    return {
        // Under the leading-number rule text without a digit is 0; a stake
        // without a digit is no stake.
        {R, "NanOrInfinity", "0 100\n100 nan\n200 inf\n300 -inf 5000\n400 10\n", LOADS,
         [](const Loaded& l) {
             const Profile& p = l.profile;
             ASSERT_EQ(p.gradePointCount, 5);
             EXPECT_EQ(p.gradePointElevation[2], 0);
             EXPECT_EQ(p.gradePointElevation[3], 0);
             EXPECT_EQ(p.gradePointElevation[4], 0);
             EXPECT_TRUE(std::isfinite(DesignElevation(p, 350)));
         }},
        // The largest doubles load where the grades stay finite.
        {R, "LargestDoubles", "0 1e308\n100 1e308\n", LOADS,
         [](const Loaded& l) {
             EXPECT_EQ(DesignElevation(l.profile, 50), 1e308);
             EXPECT_EQ(DesignGrade(l.profile, 50), 0.0);
         }},
        // A rise of 2e308 overflows: the grade is no number.
        {R, "BeyondTheDoubles", "0 -1e308\n1e308 1e308\n", 2},
        {R, "BeyondTheDoubles", "0 100\n1e309 101\n", 2},
        {R, "BeyondTheDoubles", "0 100\n100 1e309\n", 2},
        // A chainage no road reaches, as LandXML refuses it.
        {R, "BeyondAnyRoad", "0 100\n5e9 101\n", 2},
        {R, "BeyondTheDoubles", "0 100\n100 110 1e309\n200 100\n", 2},
        // A radius of -0 is no tangent length.
        {R, "NegativeZero", "-0 100\n100 110 -0\n200 100\n", LOADS,
         [](const Loaded& l) {
             EXPECT_EQ(l.profile.tangentLength[2], 0.0);
             EXPECT_EQ(DesignElevation(l.profile, 100), 110);
             EXPECT_EQ(DesignElevation(l.profile, -0.0), 100);
         }},
        {R, "OneField", "0 100\n100\n200 100\n", 2},
        {R, "OneField", "0 100\n\t100\t\n", 2},
        {R, "MegabyteLine", "0 100\n100 110 " + mb('x') + "\n200" + mb(' ') + "100\n", LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.profile.gradePointCount, 3);
             EXPECT_EQ(l.profile.curveRadius[2], 0);  // three fields: the radius "xxx…" reads as 0
             EXPECT_EQ(l.profile.gradePointElevation[3], 100);
         }},
        {R, "MegabyteLine", "0 100\n100 1" + mb('0') + "\n", 2},
        // Grade points up to 32767.
        {R, "Capacity", gradePointLines(MAX_GRADE_POINTS), LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.profile.gradePointCount, MAX_GRADE_POINTS);
             EXPECT_EQ(DesignElevation(l.profile, 10.0 * MAX_GRADE_POINTS), 100 + MAX_GRADE_POINTS % 7);
         }},
        {R, "Capacity", gradePointLines(MAX_GRADE_POINTS + 1), MAX_GRADE_POINTS + 1},
        {R, "HundredThousandLines", gradePointLines(MANY_LINES), MAX_GRADE_POINTS + 1},
        {R, "LineEnds", "500 100\n600 110 2000\n700 100\n", LOADS, threePoints},
        {R, "LineEnds", "500 100\r\n600 110 2000\r\n700 100\r\n", LOADS, threePoints},
        {R, "LineEnds", "500 100\r600 110 2000\r700 100\r", LOADS, threePoints},
        {R, "ByteOrderMark", BOM + "500 100\n600 110 2000\n700 100", LOADS, threePoints},
        {R, "Gb18030", "500 100 0 " + GB_GRADE_POINT + "\n600 110 2000\n700 100 0 " + GB_GRADE_POINT + "\n", LOADS,
         threePoints},
        // NUL bytes end the number they follow.
        {R, "NulBytes", nul("0 100\n100", " 110\n") + nul("200 100", "x\n"), LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.profile.gradePointCount, 3);
             EXPECT_EQ(l.profile.gradePointChainage[2], 100);
             EXPECT_EQ(l.profile.gradePointElevation[3], 100);
         }},
        // Stake letters beyond the table, and stakes in a gap.
        {R, "NanOrInfinity", "nan 100\n400 10\n", REFUSED},
        {R, "StretchLetter", "0 100\nW100 101\n", REFUSED, {}, road},
        {R, "StretchLetter", "0 100\nB1e309 101\n", 2, {}, road},
        {R, "StakeInAGap", "4000 100\n4150 101\n", REFUSED,
         [](const Loaded& l) {
             EXPECT_EQ(l.ui.events.size(), 2u);  // the window brought forward, then the message
         },
         road},
    };
}

std::vector<Hostile> icdInputs() {
    const Reader R = Reader::Icd;
    const auto twoElements = [](const Loaded& l) {
        ASSERT_EQ(l.alignment.elemCount, 2);
        EXPECT_EQ(l.alignment.icdStartChainage, 1000);
        EXPECT_EQ(l.alignment.elemChainage[3], 1180);
    };
    return {
        // NaN and infinity in the header are no numbers.
        {R, "NanOrInfinity", "nan\n0,0,0\n1,10\n", 1},
        {R, "NanOrInfinity", "0\n0,inf,0\n1,10\n", 2},
        {R, "NanOrInfinity", "0\n0,0,-infinity\n1,10\n", 2},
        // Record fields follow the leading-number rule: a straight of length "nan" is 0 m long.
        {R, "NanOrInfinity", "0\n0,0,0\n1,nan\n1,10\n", LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.alignment.elemCount, 2);
             EXPECT_EQ(l.alignment.elemLength[1], 0);
             EXPECT_EQ(l.alignment.elemChainage[3], 10);
         }},
        // The largest doubles load where the chain stays finite.
        {R, "LargestDoubles", "0\n1e308,-1e308,0\n1,10\n", LOADS,
         [](const Loaded& l) { EXPECT_EQ(l.alignment.elemStartX[2], 1e308); }},
        // Two lengths of 1e308 carry the chainage beyond the doubles.
        {R, "BeyondTheDoubles", "1e308\n0,0,0\n1,1e308\n", ANY_LINE},
        {R, "BeyondTheDoubles", "0\n0,0,0\n1,1e309\n", 3},
        {R, "BeyondTheDoubles", "1e309\n0,0,0\n1,10\n", 1},
        {R, "BeyondAnyRoad", "-5e9\n0,0,0\n1,10\n", 1},
        // The sign of dir alone is used; -0 has none, so the radius is 0.
        {R, "NegativeZero", "0\n0,0,0\n2,100,10,-0\n", ANY_LINE},
        {R, "NegativeZero", "-0\n-0,-0,-0\n1,10\n", LOADS,
         [](const Loaded& l) {
             EXPECT_EQ(l.alignment.elemStartBearing[1], 0.0);
             EXPECT_EQ(l.alignment.elemChainage[2], 10);
         }},
        // Empty header items and short records are failures at their lines.
        {R, "EmptyField", "0\n0,,0,0\n1,10\n", 2},
        {R, "OneField", "0\n0,0,0\n1,10\n2,100\n", 4},
        {R, "OneField", "0\n0,0,0\n5,100,200,1\n", 3},
        {R, "MegabyteLine", "0\n0,0,0\n;;" + mb('x') + "\n1," + mb(' ') + "10\n", LOADS,
         [](const Loaded& l) { ASSERT_EQ(l.alignment.elemCount, 1); EXPECT_EQ(l.alignment.elemLength[1], 10); }},
        {R, "MegabyteLine", "0\n0,0,0\n1,1" + mb('0') + "\n", 3},
        // Element records up to 999 load: IcdFileTest.TablesHoldNineHundredNinetyNineElements.
        // 1000 records fit the tables but leave no entry for the end of the chain.
        {R, "Capacity", icdRecords(ELEMENT_CAPACITY), ANY_LINE},
        // A hundred thousand fail at the 1001st record, on line 1003.
        {R, "HundredThousandLines", icdRecords(MANY_LINES), ELEMENT_CAPACITY + 3},
        {R, "LineEnds", "1000\n5,7,0\n1,100\n2,250,80,1\n", LOADS, twoElements},
        {R, "LineEnds", "1000\r\n5,7,0\r\n1,100\r\n2,250,80,1\r\n", LOADS, twoElements},
        {R, "LineEnds", "1000\r5,7,0\r1,100\r2,250,80,1\r", LOADS, twoElements},
        {R, "ByteOrderMark", BOM + "1000\n5,7,0\n1,100\n2,250,80,1", LOADS, twoElements},
        {R, "Gb18030", "1000\n5,7,0\n;; " + GB_CHAIN_BREAK + "\n1,100\n;; " + GB_GRADE_POINT + "\n2,250,80,1\n", LOADS,
         twoElements},
        // In a record the NUL ends the number; in the header the item is no number.
        {R, "NulBytes", nul("0\n0,0,0\n1,10", "\n"), LOADS,
         [](const Loaded& l) { EXPECT_EQ(l.alignment.elemLength[1], 10); }},
        {R, "NulBytes", nul("0", "\n0,0,0\n1,10\n"), 1},
    };
}

std::vector<Hostile> stakeFileInputs() {
    const Reader R = Reader::StakeFile;
    const auto stakes = [](std::vector<std::string> texts, double secondChainage) {
        return [texts, secondChainage](const Loaded& l) {
            ASSERT_EQ(l.stakes.size(), texts.size());
            for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(l.stakes[i].stake, texts[i]);
            if (texts.size() > 1) {
                EXPECT_EQ(l.stakes[1].chainage, secondChainage);
            }
        };
    };
    const auto lineEnds = stakes({"100", "2000 grade point"}, 2000);
    return {
        // A stake in which no digit can be read is refused.
        {R, "NanOrInfinity", "nan\n", REFUSED},
        {R, "NanOrInfinity", "100\ninf\n", REFUSED, [](const Loaded& l) { EXPECT_EQ(l.stakes.size(), 1u); }},
        {R, "NanOrInfinity", "-inf m\n", REFUSED},
        // The largest doubles extrapolate; beyond them is a failure.
        {R, "LargestDoubles", "1e308\n-1e308\n-0\n", LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.stakes.size(), 3u);
             EXPECT_DOUBLE_EQ(l.stakes[0].grade, -0.01);
             EXPECT_DOUBLE_EQ(l.stakes[1].grade, 0.02);
             EXPECT_EQ(l.stakes[2].elevation, 100);
         }},
        {R, "BeyondTheDoubles", "0\n1e309\n", UNLOCATED},
        // The first empty line ends the list.
        {R, "EmptyLine", "100\n   \n200\n", LOADS, [](const Loaded& l) { EXPECT_EQ(l.stakes.size(), 1u); }},
        {R, "EmptyLine", "\n100\n", LOADS, [](const Loaded& l) { EXPECT_TRUE(l.stakes.empty()); }},
        // Megabyte lines keep their text.
        {R, "MegabyteLine", "100 " + mb('x') + "\n" + mb(' ') + "200\n", LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.stakes.size(), 2u);
             EXPECT_EQ(l.stakes[0].chainage, 100);
             EXPECT_EQ(l.stakes[0].stake.size(), ONE_MB + 4);
             EXPECT_EQ(l.stakes[1].stake, "200");
             const std::string text = resultFileText(l.stakes);
             EXPECT_EQ(text.substr(ONE_MB + 4, 2), "\r\n");  // the elevation starts a line of its own
         }},
        {R, "MegabyteLine", "1" + mb('0') + "\n", UNLOCATED},
        // As many stakes as a stake file holds.
        {R, "Capacity", stakeLines(MAX_STAKES), LOADS,
         [](const Loaded& l) { EXPECT_EQ(l.stakes.size(), static_cast<std::size_t>(MAX_STAKES)); }},
        {R, "LineEnds", "100\n2000 grade point\n", LOADS, lineEnds},
        {R, "LineEnds", "100\r\n2000 grade point\r\n", LOADS, lineEnds},
        {R, "LineEnds", "100\r2000 grade point\r", LOADS, lineEnds},
        {R, "ByteOrderMark", BOM + "100\n2000 grade point", LOADS, lineEnds},
        // Decoded, then written in UTF-8.
        {R, "Gb18030", "2000 " + GB_GRADE_POINT + "\r\n", LOADS, stakes({"2000 " + UTF8_GRADE_POINT}, 0)},
        // NUL bytes end the number and stay in the text.
        {R, "NulBytes", nul("150", "x\n"), LOADS,
         [](const Loaded& l) {
             ASSERT_EQ(l.stakes.size(), 1u);
             EXPECT_EQ(l.stakes[0].chainage, 150);
             EXPECT_EQ(l.stakes[0].stake, nul("150", "x"));
         }},
        // Stretch letters beyond the table are a data failure; what came before stays.
        {R, "StretchLetter", "A100\nW100\n", REFUSED, [](const Loaded& l) { EXPECT_EQ(l.stakes.size(), 1u); },
         gradix::testing::ROAD_BREAKS},
    };
}

// The cross-section files: every value strict and finite, rows in order,
// whatever the bytes around them.
std::vector<Hostile> sectionInputs() {
    const Reader S = Reader::Superelevation, W = Reader::Widths;
    const std::string crown = "-3 -2 -2 0 -2 -2 -3\n";
    const auto rows = [](std::size_t n) {
        return [n](const Loaded& l) { EXPECT_EQ(l.surface.slopes.rows() + l.surface.widths.rows(), n); };
    };
    return {
        {S, "NanOrInfinity", crown + "nan -2 -2 10 -2 -2 -3\n", 2},
        {S, "NanOrInfinity", crown + "-3 -2 -2 inf -2 -2 -3\n", 2},
        {W, "BeyondTheDoubles", "0 0 1e309 0 0 0 3.5 0 0\n", 1},
        {S, "LargestDoubles", crown + "-3 -2 -2 1e308 -2 -2 -3\n", LOADS, rows(2)},
        {S, "MegabyteLine", crown + "-3 -2 -2 10 -2 -2 " + mb('3') + "\n", 2},
        {S, "MegabyteLine", mb(' ') + crown, LOADS, rows(1)},
        {W, "Capacity", repeatLines(100000, [](int i) { return "0 0 3.5 0 " + std::to_string(i) + " 0 3.5 0 0\n"; }),
         LOADS, rows(100000)},
        {S, "LineEnds", "-3 -2 -2 0 -2 -2 -3\r\r\n-3 -2 -2 9 -2 -2 -3\r", LOADS, rows(2)},
        {S, "ByteOrderMark", BOM + "路名\n" + crown, LOADS, rows(1)},
        {W, "Gb18030", GB_GRADE_POINT + "\r\n0 0 3.5 0 0 0 3.5 0 0 \xB8\xDF\xB4\xCE\n", LOADS, rows(1)},
        {S, "NulBytes", nul("-3 -2", " -2 0 -2 -2 -3\n"), 1},
        // The stake's number ends at a NUL, as every stake's does.
        {S, "NulBytes", nul("-3 -2 -2 0", " -2 -2 -3\n"), LOADS, rows(1)},
        {W, "RowsOutOfOrder", "0 0 3.5 0 10 0 3.5 0 0\n0 0 3.5 0 10 0 3.5 0 0\n", 2},
        {S, "StretchLetter", crown + "-3 -2 -2 W100 -2 -2 -3\n", 2, {}, gradix::testing::ROAD_BREAKS},
    };
}

std::vector<Hostile> hostileInputs() {
    std::vector<Hostile> all;
    for (auto inputs : {chainBreakInputs(), profileInputs(), icdInputs(), stakeFileInputs(), sectionInputs()})
        for (Hostile& h : inputs) all.push_back(std::move(h));
    return all;
}

// ------------------------------------------------------------ the suites

// A folder of its own per test (see TempFolder), the reader's files in it.
class Robustness : public ::testing::Test {
protected:
    std::string put(const std::string& bytes) { return dir_.writeNext(bytes, "input"); }
    std::string folder() const { return dir_.folder(); }
    TempFolder dir_{"robustness"};
};

// The data failure of read at path and line (ANY_LINE: any line or none).
::testing::AssertionResult dataFailureAt(const std::function<void()>& read, const std::string& path, long line) {
    try {
        read();
    } catch (const DataError& e) {
        if (std::string(e.what()) != FORMAT_TEXT) return ::testing::AssertionFailure() << "text " << e.what();
        if (e.file() != path) return ::testing::AssertionFailure() << "detail " << e.detail();
        if (line != ANY_LINE && e.line() != line) return ::testing::AssertionFailure() << "detail " << e.detail();
        return ::testing::AssertionSuccess();
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure() << "another failure: " << e.what();
    }
    return ::testing::AssertionFailure() << "no failure";
}

void PrintTo(const Hostile& h, std::ostream* out) { *out << nameOf(h.reader) << " " << h.input; }

class HostileInput : public Robustness, public ::testing::WithParamInterface<Hostile> {};

TEST_P(HostileInput, EndsAsTheReaderRulesSay) {
    const Hostile& h = GetParam();
    const std::string path = put(h.bytes);
    Loaded loaded;
    const auto read = [&] { return readWith(h.reader, path, h.table, loaded); };
    if (h.outcome == LOADS) {
        EXPECT_TRUE(read()) << "a stake was refused";
    } else if (h.outcome == REFUSED) {
        EXPECT_FALSE(read()) << "no stake was refused";
    } else if (h.outcome == UNLOCATED) {
        EXPECT_THROW(read(), DataError);
    } else {
        EXPECT_TRUE(dataFailureAt(read, path, h.outcome));
    }
    if (h.check) h.check(loaded);

    // The check mode of the line readers reads the same input to its end:
    // where the reading loads, it accepts every line; where a line fails
    // the reading, that line is refused or fails the check as well.
    if (h.reader == Reader::StakeFile) return;
    Loaded checked;
    ReadReport report;
    std::optional<long> failedAt;
    try {
        readChecking(h.reader, path, h.table, checked, report);
    } catch (const DataError& e) {
        failedAt = e.line();
    }
    EXPECT_TRUE(checked.ui.events.empty()) << "a check showed a message";
    const bool refused = !report.refusals.empty();
    if (h.outcome == LOADS) {
        EXPECT_FALSE(refused || failedAt) << (refused ? report.refusals.front().text : "a failure");
    } else if (h.outcome == REFUSED) {
        EXPECT_TRUE(refused);
    } else if (h.outcome != UNLOCATED && h.outcome != ANY_LINE) {
        const bool lineRefused = std::any_of(report.refusals.begin(), report.refusals.end(),
                                             [&](const LineNote& r) { return r.line == h.outcome; });
        // The preparation the check runs itself knows no file and no line.
        const bool failedThere = failedAt && (*failedAt == h.outcome || (h.reader == Reader::Profile && *failedAt == 0));
        EXPECT_TRUE(lineRefused || failedThere) << "line " << h.outcome << " passed the check";
    }
}

INSTANTIATE_TEST_SUITE_P(Readers, HostileInput, ::testing::ValuesIn(hostileInputs()),
                         [](const ::testing::TestParamInfo<Hostile>& info) {
                             return std::string(nameOf(info.param.reader)) + "_" + info.param.input + "_" +
                                    std::to_string(info.index);
                         });

// Runs read on path as an account that file permissions bind, and expects
// the data failure located at path. As root this forks a child that becomes
// "nobody"; returns the reason when that cannot be done.
std::optional<std::string> expectUnreadable(const std::function<void()>& read, const std::string& path) {
    const auto check = [&]() -> int {
        try {
            read();
        } catch (const DataError& e) {
            return e.file() == path ? CHILD_PASSED : CHILD_WRONG_FAILURE;
        } catch (...) {
            return CHILD_WRONG_FAILURE;
        }
        return CHILD_NO_FAILURE;
    };
    if (::geteuid() != 0) {
        if (::access(path.c_str(), R_OK) == 0) return "this account reads files whatever their permissions";
        EXPECT_EQ(check(), CHILD_PASSED);
        return std::nullopt;
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody) return "the test runs as root and there is no account \"nobody\" to drop to";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 ||
            ::access(path.c_str(), R_OK) == 0)
            ::_exit(CHILD_CANNOT_DROP);
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return "the child that drops root did not run to its end";
    if (WEXITSTATUS(status) == CHILD_CANNOT_DROP) return "the test runs as root and cannot drop to \"nobody\"";
    EXPECT_EQ(WEXITSTATUS(status), CHILD_PASSED) << "1: read without failure, 2: another failure";
    return std::nullopt;
}

// A file each reader would load.
std::string readableFile(Reader r) {
    switch (r) {
    case Reader::ChainBreaks: return "2350 2300\n";
    case Reader::Profile: return "0 100\n100 101\n";
    case Reader::Icd: return "0\n0,0,0\n1,10\n";
    case Reader::StakeFile: return "100\n";
    case Reader::Superelevation: return "-2 -2 -2 0 -2 -2 -2\n";
    case Reader::Widths: return "0 0 3.5 0 0 0 3.5 0 0\n";
    }
    return "";
}

class EveryReader : public Robustness, public ::testing::WithParamInterface<Reader> {
protected:
    void read(const std::string& path) {
        Loaded loaded;
        readWith(GetParam(), path, {}, loaded);
    }
};

TEST_P(EveryReader, AFolderIsADataFailure) {
    EXPECT_TRUE(dataFailureAt([&] { read(folder()); }, folder(), ANY_LINE));
}

TEST_P(EveryReader, AnUnreadableFileIsADataFailure) {
    // A file that only its owner could read, if its owner were not root.
    const std::string p = put(readableFile(GetParam()));
    fs::permissions(p, fs::perms::none);
    if (const auto skip = expectUnreadable([&] { read(p); }, p)) GTEST_SKIP() << *skip;
}

INSTANTIATE_TEST_SUITE_P(Readers, EveryReader,
                         ::testing::Values(Reader::ChainBreaks, Reader::Profile, Reader::Icd, Reader::StakeFile,
                                           Reader::Superelevation, Reader::Widths),
                         [](const ::testing::TestParamInfo<Reader>& info) { return nameOf(info.param); });

// ------------------------------------------------- stake file through compute

class StakeFileRobustness : public Robustness {
protected:
    // The compute command's file mode on bytes: the events and error details.
    ScriptedUi compute(const std::string& bytes, const std::string& resultPath) {
        ScriptedUi ui;
        ui.answers = {put(bytes), resultPath};
        FormState form;
        form.setChecked(Control::Option2, true);
        ui.show(gradix::compute(project_, form, ui, SettingsFile::discarding()));
        return ui;
    }
    std::string resultPath() const { return dir_.file("result.txt"); }
    Project project_ = stakeProject({});
};

TEST_F(StakeFileRobustness, LargestDoublesExtrapolateOrFailWhereTheyOverflow) {
    // A grade steep enough to take the extrapolation beyond the doubles.
    project_.profile.gradePointElevation = {0, 100, 1e300, 110};
    project_.profile.curveRadius = {0, 0, 0, 0};
    PrepareProfile(project_.profile);
    const ScriptedUi failed = compute("0\n-1e308\n", resultPath());
    ASSERT_EQ(failed.errorDetails.size(), 1u);
    EXPECT_NE(failed.errorDetails[0].find("，第2行："), std::string::npos) << failed.errorDetails[0];
    EXPECT_FALSE(fs::exists(resultPath()));
}

TEST_F(StakeFileRobustness, MoreThan32767StakesFailAtTheNextLine) {
    const ScriptedUi ui = compute(stakeLines(MANY_LINES), resultPath());
    ASSERT_EQ(ui.errorDetails.size(), 1u);
    EXPECT_NE(ui.errorDetails[0].find("，第32768行："), std::string::npos) << ui.errorDetails[0];
    EXPECT_FALSE(fs::exists(resultPath()));
}

TEST_F(StakeFileRobustness, ARefusedStakeWritesNothingAtAll) {
    project_.breaks = gradix::testing::ROAD_BREAKS;
    const ScriptedUi refused = compute("2200\n2320\n", resultPath());
    EXPECT_TRUE(refused.errorDetails.empty());
    EXPECT_FALSE(fs::exists(resultPath()));
}

TEST_F(StakeFileRobustness, AResultPathThatIsAFolderLeavesTheFolderAlone) {
    const ScriptedUi ui = compute("100\n", folder());
    ASSERT_EQ(ui.errorDetails.size(), 1u);
    EXPECT_NE(ui.events.back().find(FORMAT_TEXT), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder()));
}

// ------------------------------------------------- the writers at their limits

// n rows of the stake table's first two columns, K0+000.000 on, a metre apart.
Table stakeRows(std::size_t n, std::size_t textBytes = 0) {
    Table t;
    t.title = "逐桩坐标表";
    t.columns = {{"桩号", ColumnKind::Text, 0, 16}, {"里程(m)", ColumnKind::Number, 3, 14}};
    for (std::size_t i = 0; i < n; ++i)
        t.rows.push_back({Cell::of(formatStake({}, {1, static_cast<double>(i)})), Cell::of(static_cast<double>(i))});
    if (textBytes > 0 && n > 0) t.rows.front().front() = Cell::of(std::string(textBytes, 'k'));
    return t;
}

// Where a workbook is written: a plain name, through a symbolic link, a
// name of 250 characters, a folder that is not there, no name at all.
enum class Target { Plain, Link, LongName, MissingFolder, NoName };

struct WorkbookCase {
    const char* name;
    std::size_t rows, sheetRows;
    Target target;
    std::size_t textBytes;            // a first cell this long (0: the stake)
    std::vector<std::string> sheets;  // xlsx_sheets.py's lines; empty: the failure, a part of its detail:
    const char* failure = "", *detailHas = "";
};

class WorkbookLimits : public Robustness, public ::testing::WithParamInterface<WorkbookCase> {};

void PrintTo(const WorkbookCase& c, std::ostream* out) { *out << c.name; }

// Every row reaches a sheet (never dropped at a sheet's end), the workbook
// goes through the atomic writer (a link written through, any name tsv
// takes, a failure leaving the previous file and no temporary), and a
// failure is told as the other writers tell it.
TEST_P(WorkbookLimits, KeepEveryRowOrFailLeavingThePreviousFile) {
    const WorkbookCase& c = GetParam();
    const std::string previous = "the previous workbook";
    std::string path = dir_.write("t.xlsx", previous), target = path;
    if (c.target == Target::Link) {
        path = folder() + "/link.xlsx";
        fs::create_symlink(target, path);
    } else if (c.target == Target::LongName) {
        path = target = folder() + "/" + std::string(245, 'n') + ".xlsx";
    } else if (c.target == Target::MissingFolder) {
        path = target = folder() + "/not-there/t.xlsx";
    } else if (c.target == Target::NoName) {
        path = target = "";
    }
    if (c.target == Target::Plain) gradix::testing::writeBytes(path + ".gradix-tmp", "left by an older version");
    try {
        writeXlsx(stakeRows(c.rows, c.textBytes), path, c.sheetRows);
        EXPECT_FALSE(c.sheets.empty()) << "no failure";
        const std::string listing = folder() + "/sheets.txt";
        ASSERT_EQ(std::system(("/usr/bin/python3 " GRADIX_XLSX_SHEETS " '" + target + "' > '" + listing + "'").c_str()),
                  0);
        EXPECT_EQ(splitLines(gradix::testing::readBytes(listing)), c.sheets);
        EXPECT_TRUE(c.target != Target::Link || fs::is_symlink(path));
    } catch (const GradixError& e) {
        EXPECT_TRUE(c.sheets.empty()) << e.detail();
        EXPECT_EQ(std::string(e.what()), c.failure);
        EXPECT_NE(e.detail().find(c.detailHas), std::string::npos) << e.detail();
        EXPECT_EQ(e.file(), path);
        EXPECT_TRUE(c.target != Target::Plain || gradix::testing::readBytes(path) == previous);
    }
    for (const std::string& name : dir_.names())
        EXPECT_EQ(name.find("gradix-"), std::string::npos) << "left behind: " << name;
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WorkbookLimits,
    ::testing::Values(
        WorkbookCase{"RowsBeyondASheetGoOnToTheNext", 5, 3, Target::Plain, 0,
                     {"逐桩坐标表\t3\t桩号\tK0+000.000\tK0+001.000", "逐桩坐标表 (2)\t3\t桩号\tK0+002.000\tK0+003.000",
                      "逐桩坐标表 (3)\t2\t桩号\tK0+004.000\tK0+004.000"}},
        WorkbookCase{"ASheetFilledToItsLastRow", 2, 3, Target::Plain, 0,
                     {"逐桩坐标表\t3\t桩号\tK0+000.000\tK0+001.000"}},
        WorkbookCase{"NoRowsButTheHeader", 0, XLSX_SHEET_ROWS, Target::Plain, 0, {"逐桩坐标表\t1\t桩号\t\t桩号"}},
        WorkbookCase{"ThroughASymbolicLink", 1, XLSX_SHEET_ROWS, Target::Link, 0,
                     {"逐桩坐标表\t2\t桩号\tK0+000.000\tK0+000.000"}},
        WorkbookCase{"ANameOf250Characters", 1, XLSX_SHEET_ROWS, Target::LongName, 0,
                     {"逐桩坐标表\t2\t桩号\tK0+000.000\tK0+000.000"}},
        WorkbookCase{"ATextTooLongForACell", 2, XLSX_SHEET_ROWS, Target::Plain, XLSX_CELL_CHARACTERS + 1, {},
                     FORMAT_TEXT, "单元格A2的文字超过32767个字符"},
        WorkbookCase{"AFolderThatIsNotThere", 1, XLSX_SHEET_ROWS, Target::MissingFolder, 0, {}, FORMAT_TEXT,
                     "not-there"},
        WorkbookCase{"NoNameAsTsvSaysIt", 1, XLSX_SHEET_ROWS, Target::NoName, 0, {}, CANCELLED_TEXT, "未选择文件"}),
    [](const ::testing::TestParamInfo<WorkbookCase>& info) { return std::string(info.param.name); });

// The stake table over an interval and a range: every row counted in whole
// numbers before any is made (an interval too fine to advance or too many
// rows refused at once, never a hang), and a range clipped to the road with
// a note or refused when it lies beyond it.
TEST_F(Robustness, StakeTableIntervalsAndRangesEndAsTheRulesSay) {
    const struct {
        double every, from, to;
        std::size_t rows;        // 0: refused
        const char* has;         // a part of the refusal, or of the note ("" for none)
        double first = 0, last = 0;  // chainages of the first and last rows
    } rows[] = {
        {1e-13, 1000, 1000.000001, 0, "相邻的桩无法分开"},
        {5e-4, 0, 5170, 0, "每5e-04 m一桩将超过1e+07行"},
        // 2^-17 m: the eleven stakes are exact doubles.
        {0x1p-17, 1000, 1000 + 10 * 0x1p-17, 11, "", 1000, 1000 + 10 * 0x1p-17},
        {1000, -3000, 99999, 7, "范围超出道路：道路自K0+000.000至K5+170.000", 0, 5170},
        {1000, 6000, 7000, 0, "不在道路K0+000.000至K5+170.000上"},
    };
    const std::string icd = put("0\n0,0,0\n1,5170\n");
    Loaded road;
    readWith(Reader::Icd, icd, {}, road);
    for (const auto& row : rows) {
        StakeTableOptions o;
        o.every = row.every;
        o.fromChainage = row.from;
        o.toChainage = row.to;
        try {
            const std::vector<StakeRow> table = *stakeTable(road.alignment, {}, nullptr, o);
            ASSERT_EQ(table.size(), row.rows) << row.every;
            EXPECT_EQ(table.front().chainage, row.first);
            EXPECT_EQ(table.back().chainage, row.last);
            const std::string note = stakeTableRangeNote(road.alignment, {}, o);
            EXPECT_EQ(note.empty(), !*row.has) << note;
            EXPECT_NE(note.find(row.has), std::string::npos) << note;
        } catch (const DataError& e) {
            EXPECT_EQ(row.rows, 0u) << e.reason();
            EXPECT_NE(e.reason().find(row.has), std::string::npos) << e.reason();
        }
    }
}

// The remembered projects survive a damaged file: a line of 16 MiB before
// or after them, megabytes of lines that are no project; what is written
// back is the projects and at most eight unknown lines.
TEST_F(Robustness, RecentProjectsSurviveDamagedFilesAndStaySmall) {
    const std::string projects = "breaks\ta.dl\ta.zdm\r\nalignment\tb.ICD\tb.zdm\r\n";
    const std::string longLine = std::string(MAX_LINE_BYTES, 'x') + "\r\n";
    const struct {
        const char* name;
        std::string bytes;
        std::size_t projects;
        std::size_t mostBytesWritten;
    } rows[] = {
        {"a 16 MiB line after the projects", projects + longLine, 2, projects.size()},
        {"a 16 MiB line before them", longLine + projects, 2, projects.size()},
        {"a 16 MiB line without a line end", projects + std::string(MAX_LINE_BYTES, 'x'), 2, projects.size()},
        {"20 MB of lines that are no project", projects + repeatLines(200000, [](int) { return std::string(98, 'j') + "\r\n"; }),
         2, projects.size() + 8 * 100},
    };
    for (const auto& row : rows) {
        const std::string path = put(row.bytes);
        RecentProjects recent(path);
        recent.load();
        ASSERT_EQ(recent.projects().size(), row.projects) << row.name;
        EXPECT_EQ(recent.projects()[1], (ProjectFiles{true, {"b.ICD", "b.zdm"}})) << row.name;
        recent.save();
        EXPECT_LE(fs::file_size(path), row.mostBytesWritten) << row.name;
    }
}

}  // namespace
