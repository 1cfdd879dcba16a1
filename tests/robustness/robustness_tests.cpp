// Hostile input through every reader: the chain-break file, the profile file,
// the ICD file and the stake file of the compute command. Each input ends as
// the reader's rules say: loaded with the values the rules give, a stake
// refused with its message, or one of the two failure kinds with the file
// (and, where a line is to blame, the line) in its detail. Never a crash, a
// hang or a value that is not finite. The cases found by the fuzz targets
// close each group.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "commands/compute.h"
#include "commands/scripted_ui.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "text/failures.h"
#include "text/textfile.h"

using namespace gradix;
using gradix::testing::ScriptedUi;
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

std::string nul(const std::string& before, const std::string& after) { return before + '\0' + after; }

// A folder of its own per test, readable by every account (so that a child
// without privileges reaches the files in it), removed afterwards.
class Robustness : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        dir_ = fs::temp_directory_path() / ("gradix-robustness-" + std::to_string(seed()));
        fs::create_directories(dir_);
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string put(const std::string& bytes) {
        const fs::path p = dir_ / ("input" + std::to_string(++files_) + ".txt");
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    // A file that only its owner could read, if its owner were not root.
    std::string locked(const std::string& bytes) {
        const std::string p = put(bytes);
        fs::permissions(p, fs::perms::none);
        return p;
    }
    std::string folder() const { return dir_.string(); }

    fs::path dir_;
    int files_ = 0;
};

// The data failure of path at line (0: any line or none).
::testing::AssertionResult dataFailureAt(const std::function<void()>& read, const std::string& path, long line) {
    try {
        read();
    } catch (const DataError& e) {
        if (std::string(e.what()) != FORMAT_TEXT) return ::testing::AssertionFailure() << "text " << e.what();
        if (e.file() != path) return ::testing::AssertionFailure() << "detail " << e.detail();
        if (line != 0 && e.line() != line) return ::testing::AssertionFailure() << "detail " << e.detail();
        return ::testing::AssertionSuccess();
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure() << "another failure: " << e.what();
    }
    return ::testing::AssertionFailure() << "no failure";
}

// Runs read on path as an account that file permissions bind, and expects
// the data failure located at path. As root this forks a child that becomes
// "nobody"; returns false (with the reason) when that cannot be done.
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

std::string repeatLines(int count, const std::function<std::string(int)>& line) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += line(i);
    return text;
}

// ---------------------------------------------------------------- chain breaks

class ChainBreakRobustness : public Robustness {
protected:
    ChainBreakTable read(const std::string& bytes) {
        ChainBreakTable t;
        readChainBreakFile(put(bytes), t);
        return t;
    }
    ::testing::AssertionResult refused(const std::string& bytes, long line) {
        const std::string p = put(bytes);
        ChainBreakTable t;
        return dataFailureAt([&] { readChainBreakFile(p, t); }, p, line);
    }
};

TEST_F(ChainBreakRobustness, NanAndInfinityAreNoNumbers) {
    EXPECT_TRUE(refused("nan 0\n", 1));
    EXPECT_TRUE(refused("2350 2300\n2400 inf\n", 2));
    EXPECT_TRUE(refused("-Infinity 0\n", 1));
    EXPECT_TRUE(refused("0x10 0\n", 1));
}

TEST_F(ChainBreakRobustness, LargestDoublesLoadAndBeyondIsAFailure) {
    const ChainBreakTable t = read("1e308 -1e308\n");
    EXPECT_EQ(t.chainBreakCount, 1);
    EXPECT_EQ(t.breakBackStake[1], 1e308);
    EXPECT_EQ(t.breakAheadStake[1], -1e308);
    EXPECT_TRUE(refused("1e309 0\n", 1));
    EXPECT_TRUE(refused("0 -2e308\n", 1));
}

TEST_F(ChainBreakRobustness, NegativeZeroIsABreakNotTheNoBreakMark) {
    const ChainBreakTable t = read("-0 0\n");
    EXPECT_EQ(t.chainBreakCount, 1);
    EXPECT_TRUE(std::signbit(t.breakBackStake[1]));
}

TEST_F(ChainBreakRobustness, ALineWithOneFieldIsAFailureAtItsLine) {
    EXPECT_TRUE(refused("2350 2300\n4100\n", 2));
    EXPECT_TRUE(refused("2350\t \t\n", 1));
}

TEST_F(ChainBreakRobustness, MegabyteLinesReadAsTheirFields) {
    EXPECT_EQ(read("2350 2300 " + std::string(ONE_MB, 'x') + "\n").chainBreakCount, 1);
    const ChainBreakTable t = read("2350" + std::string(ONE_MB, ' ') + "2300\n");
    EXPECT_EQ(t.chainBreakCount, 1);
    EXPECT_EQ(t.breakAheadStake[1], 2300);
    EXPECT_TRUE(refused("1" + std::string(ONE_MB, '0') + " 0\n", 1));
}

TEST_F(ChainBreakRobustness, AHundredThousandLinesStopAtTheTwentieth) {
    const std::string p = put(repeatLines(MANY_LINES, [](int i) { return std::to_string(1000 * i) + " " +
                                                                          std::to_string(1000 * i - 10) + "\n"; }));
    ChainBreakTable t;
    EXPECT_TRUE(dataFailureAt([&] { readChainBreakFile(p, t); }, p, 20));
    EXPECT_EQ(t.chainBreakCount, 19);
    EXPECT_EQ(t.breakBackStake[20], BREAK_SENTINEL);
}

TEST_F(ChainBreakRobustness, NineteenLinesLoadTwentyAreAFailure) {
    const auto lines = [](int count, const char* end) {
        return repeatLines(count, [end](int i) { return std::to_string(1000 * i) + " " +
                                                        std::to_string(1000 * i - 10) + end; });
    };
    // Also with CR-only line ends and a byte-order mark.
    for (const std::string& text : {lines(19, "\n"), BOM + lines(19, "\r")}) {
        const ChainBreakTable t = read(text);
        ASSERT_EQ(t.chainBreakCount, 19);
        EXPECT_EQ(t.breakBackStake[1], 1000);
        EXPECT_EQ(t.breakBackStake[20], BREAK_SENTINEL);
        // The last stretch, "T", converts with all nineteen breaks.
        EXPECT_DOUBLE_EQ(dlstr_sj(t, "T20000"), 20000 + 19 * 10);
    }
    EXPECT_TRUE(refused(lines(20, "\n"), 20));
    EXPECT_TRUE(refused(lines(20, "\r\n"), 20));
}

TEST_F(ChainBreakRobustness, LineEndsMarksAndCodePagesReadAlike) {
    for (const std::string& text :
         {std::string("2350 2300\n4100 4180\n"), std::string("2350 2300\r\n4100 4180\r\n"),
          std::string("2350 2300\r4100 4180\r"), BOM + "2350 2300\r\n4100 4180",
          "2350 2300 " + GB_CHAIN_BREAK + "\r\n4100 4180 " + GB_CHAIN_BREAK + "\r\n"}) {
        const ChainBreakTable t = read(text);
        ASSERT_EQ(t.chainBreakCount, 2) << text;
        EXPECT_EQ(t.breakBackStake[1], 2350);
        EXPECT_EQ(t.breakAheadStake[2], 4180);
    }
}

TEST_F(ChainBreakRobustness, NulBytesSpoilOnlyTheFieldTheyStandIn) {
    EXPECT_TRUE(refused(nul("2350", " 2300\n"), 1));
    EXPECT_TRUE(refused("2350 2300\n" + nul("4100 4180", "\n"), 2));
    EXPECT_EQ(read(nul("2350 2300 a", "b\n")).chainBreakCount, 1);
}

TEST_F(ChainBreakRobustness, AFolderOrAnUnreadableFileIsADataFailure) {
    ChainBreakTable t;
    EXPECT_TRUE(dataFailureAt([&] { readChainBreakFile(folder(), t); }, folder(), 0));
    const std::string p = locked("2350 2300\n");
    if (const auto skip = expectUnreadable([&] { readChainBreakFile(p, t); }, p)) GTEST_SKIP() << *skip;
}

// ---------------------------------------------------------------- profile

class ProfileRobustness : public Robustness {
protected:
    Profile read(const std::string& bytes, const ChainBreakTable& table = {}) {
        Profile p;
        ScriptedUi ui;
        EXPECT_EQ(readProfileFile(put(bytes), table, ui, p), ProfileRead::Loaded);
        return p;
    }
    ::testing::AssertionResult refused(const std::string& bytes, long line, const ChainBreakTable& table = {}) {
        const std::string path = put(bytes);
        Profile p;
        ScriptedUi ui;
        return dataFailureAt([&] { readProfileFile(path, table, ui, p); }, path, line);
    }
    static ChainBreakTable roadBreaks() {
        ChainBreakTable t;
        t.chainBreakCount = 2;
        t.breakBackStake = {0, 2350, 4100, BREAK_SENTINEL};
        t.breakAheadStake = {0, 2300, 4180, BREAK_SENTINEL};
        return t;
    }
};

TEST_F(ProfileRobustness, NanAndInfinityInElevationsReadAsZeroAndAsStakesAreRefused) {
    // Under the leading-number rule text without a digit is 0; a stake
    // without a digit is no stake.
    const Profile p = read("0 100\n100 nan\n200 inf\n300 -inf 5000\n400 10\n");
    ASSERT_EQ(p.gradePointCount, 5);
    Profile q;
    ScriptedUi ui;
    EXPECT_EQ(readProfileFile(put("nan 100\n400 10\n"), {}, ui, q), ProfileRead::StakeRefused);
    EXPECT_EQ(p.gradePointElevation[2], 0);
    EXPECT_EQ(p.gradePointElevation[3], 0);
    EXPECT_EQ(p.gradePointElevation[4], 0);
    EXPECT_TRUE(std::isfinite(DesignElevation(p, 350)));
}

TEST_F(ProfileRobustness, LargestDoublesLoadWhereTheGradesStayFinite) {
    const Profile level = read("0 1e308\n100 1e308\n");
    EXPECT_EQ(DesignElevation(level, 50), 1e308);
    EXPECT_EQ(DesignGrade(level, 50), 0.0);
    // A rise of 2e308 overflows: the grade is no number.
    EXPECT_TRUE(refused("0 -1e308\n1e308 1e308\n", 2));
    EXPECT_TRUE(refused("0 100\n1e309 101\n", 2));
    EXPECT_TRUE(refused("0 100\n100 1e309\n", 2));
    EXPECT_TRUE(refused("0 100\n100 110 1e309\n200 100\n", 2));
}

TEST_F(ProfileRobustness, NegativeZeroRadiusIsNoTangentLength) {
    const Profile p = read("-0 100\n100 110 -0\n200 100\n");
    EXPECT_EQ(p.tangentLength[2], 0.0);
    EXPECT_EQ(DesignElevation(p, 100), 110);
    EXPECT_EQ(DesignElevation(p, -0.0), 100);
}

TEST_F(ProfileRobustness, ALineWithOneFieldIsAFailureAtItsLine) {
    EXPECT_TRUE(refused("0 100\n100\n200 100\n", 2));
    EXPECT_TRUE(refused("0 100\n\t100\t\n", 2));
}

TEST_F(ProfileRobustness, MegabyteLinesReadAsTheirFields) {
    const Profile p = read("0 100\n100 110 " + std::string(ONE_MB, 'x') + "\n200" + std::string(ONE_MB, ' ') +
                           "100\n");
    ASSERT_EQ(p.gradePointCount, 3);
    EXPECT_EQ(p.curveRadius[2], 0);  // three fields: the radius "xxx…" reads as 0
    EXPECT_EQ(p.gradePointElevation[3], 100);
    EXPECT_TRUE(refused("0 100\n100 1" + std::string(ONE_MB, '0') + "\n", 2));
}

TEST_F(ProfileRobustness, GradePointsUpTo32767) {
    const auto lines = [](int count) {
        return repeatLines(count, [](int i) { return std::to_string(10 * i) + " " + std::to_string(100 + i % 7) + "\n"; });
    };
    const Profile p = read(lines(MAX_GRADE_POINTS));
    ASSERT_EQ(p.gradePointCount, MAX_GRADE_POINTS);
    EXPECT_EQ(DesignElevation(p, 10.0 * MAX_GRADE_POINTS), 100 + MAX_GRADE_POINTS % 7);
    EXPECT_TRUE(refused(lines(MAX_GRADE_POINTS + 1), MAX_GRADE_POINTS + 1));
    EXPECT_TRUE(refused(lines(MANY_LINES), MAX_GRADE_POINTS + 1));
}

TEST_F(ProfileRobustness, LineEndsMarksAndCodePagesReadAlike) {
    for (const std::string& text :
         {std::string("500 100\n600 110 2000\n700 100\n"), std::string("500 100\r\n600 110 2000\r\n700 100\r\n"),
          std::string("500 100\r600 110 2000\r700 100\r"), BOM + "500 100\n600 110 2000\n700 100",
          "500 100 0 " + GB_GRADE_POINT + "\n600 110 2000\n700 100 0 " + GB_GRADE_POINT + "\n"}) {
        const Profile p = read(text);
        ASSERT_EQ(p.gradePointCount, 3) << text;
        EXPECT_EQ(p.gradePointChainage[1], 500);
        EXPECT_EQ(p.curveRadius[2], 2000);
        EXPECT_EQ(p.gradePointElevation[3], 100);
    }
}

TEST_F(ProfileRobustness, NulBytesEndTheNumberTheyFollow) {
    const Profile p = read(nul("0 100\n100", " 110\n") + nul("200 100", "x\n"));
    ASSERT_EQ(p.gradePointCount, 3);
    EXPECT_EQ(p.gradePointChainage[2], 100);
    EXPECT_EQ(p.gradePointElevation[3], 100);
}

TEST_F(ProfileRobustness, StakeLettersBeyondTheTableAndStakesInAGap) {
    EXPECT_TRUE(refused("0 100\nB1e309 101\n", 2, roadBreaks()));
    Profile p;
    ScriptedUi ui;
    EXPECT_EQ(readProfileFile(put("0 100\nW100 101\n"), roadBreaks(), ui, p), ProfileRead::StakeRefused);
    ui.events.clear();
    EXPECT_EQ(readProfileFile(put("4000 100\n4150 101\n"), roadBreaks(), ui, p), ProfileRead::StakeRefused);
    EXPECT_EQ(ui.events.size(), 2u);  // the window brought forward, then the message
}

TEST_F(ProfileRobustness, AFolderOrAnUnreadableFileIsADataFailure) {
    Profile p;
    ScriptedUi ui;
    EXPECT_TRUE(dataFailureAt([&] { readProfileFile(folder(), {}, ui, p); }, folder(), 0));
    const std::string path = locked("0 100\n100 101\n");
    if (const auto skip = expectUnreadable([&] { readProfileFile(path, {}, ui, p); }, path)) GTEST_SKIP() << *skip;
}

// ---------------------------------------------------------------- ICD

// π as the program forms it, handed to dqicd.
const double PI = 4.0 * std::atan(1.0);

class IcdRobustness : public Robustness {
protected:
    Alignment read(const std::string& bytes) {
        Alignment a;
        ChainBreakTable breaks;
        dqicd(put(bytes), a, breaks, PI);
        return a;
    }
    ::testing::AssertionResult refused(const std::string& bytes, long line) {
        const std::string p = put(bytes);
        Alignment a;
        ChainBreakTable breaks;
        return dataFailureAt([&] { dqicd(p, a, breaks, PI); }, p, line);
    }
};

TEST_F(IcdRobustness, NanAndInfinityInTheHeaderAreNoNumbers) {
    EXPECT_TRUE(refused("nan\n0,0,0\n1,10\n", 1));
    EXPECT_TRUE(refused("0\n0,inf,0\n1,10\n", 2));
    EXPECT_TRUE(refused("0\n0,0,-infinity\n1,10\n", 2));
}

TEST_F(IcdRobustness, NanInARecordReadsAsZero) {
    // Record fields follow the leading-number rule: a straight of length "nan" is 0 m long.
    const Alignment a = read("0\n0,0,0\n1,nan\n1,10\n");
    ASSERT_EQ(a.elemCount, 2);
    EXPECT_EQ(a.elemLength[1], 0);
    EXPECT_EQ(a.elemChainage[3], 10);
}

TEST_F(IcdRobustness, LargestDoublesLoadWhereTheChainStaysFinite) {
    const Alignment a = read("0\n1e308,-1e308,0\n1,10\n");
    EXPECT_EQ(a.elemStartX[2], 1e308);
    // Two lengths of 1e308 carry the chainage beyond the doubles.
    EXPECT_TRUE(refused("1e308\n0,0,0\n1,1e308\n", 0));
    EXPECT_TRUE(refused("0\n0,0,0\n1,1e309\n", 3));
    EXPECT_TRUE(refused("1e309\n0,0,0\n1,10\n", 1));
}

TEST_F(IcdRobustness, NegativeZeroDirectionIsNoDirection) {
    // The sign of dir alone is used; -0 has none, so the radius is 0.
    EXPECT_TRUE(refused("0\n0,0,0\n2,100,10,-0\n", 0));
    const Alignment a = read("-0\n-0,-0,-0\n1,10\n");
    EXPECT_EQ(a.elemStartBearing[1], 0.0);
    EXPECT_EQ(a.elemChainage[2], 10);
}

TEST_F(IcdRobustness, EmptyHeaderItemsAndShortRecordsAreFailuresAtTheirLines) {
    EXPECT_TRUE(refused("0\n0,,0,0\n1,10\n", 2));
    EXPECT_TRUE(refused("0\n0,0,0\n1,10\n2,100\n", 4));
    EXPECT_TRUE(refused("0\n0,0,0\n5,100,200,1\n", 3));
}

TEST_F(IcdRobustness, MegabyteLinesReadAsTheirFields) {
    const Alignment a = read("0\n0,0,0\n;;" + std::string(ONE_MB, 'x') + "\n1," + std::string(ONE_MB, ' ') + "10\n");
    ASSERT_EQ(a.elemCount, 1);
    EXPECT_EQ(a.elemLength[1], 10);
    EXPECT_TRUE(refused("0\n0,0,0\n1,1" + std::string(ONE_MB, '0') + "\n", 3));
}

TEST_F(IcdRobustness, ElementRecordsUpTo999) {
    const auto file = [](int count) { return "0\n0,0,0\n" + repeatLines(count, [](int) { return "1,10\n"; }); };
    const Alignment a = read(file(ELEMENT_CAPACITY - 1));
    ASSERT_EQ(a.elemCount, ELEMENT_CAPACITY - 1);
    EXPECT_EQ(a.elemChainage[ELEMENT_CAPACITY], 10.0 * (ELEMENT_CAPACITY - 1));
    // 1000 records fit the tables but leave no entry for the end of the chain.
    EXPECT_TRUE(refused(file(ELEMENT_CAPACITY), 0));
    // A hundred thousand fail at the 1001st record, on line 1003.
    EXPECT_TRUE(refused(file(MANY_LINES), ELEMENT_CAPACITY + 3));
}

TEST_F(IcdRobustness, LineEndsMarksAndCodePagesReadAlike) {
    for (const std::string& text :
         {std::string("1000\n5,7,0\n1,100\n2,250,80,1\n"), std::string("1000\r\n5,7,0\r\n1,100\r\n2,250,80,1\r\n"),
          std::string("1000\r5,7,0\r1,100\r2,250,80,1\r"), BOM + "1000\n5,7,0\n1,100\n2,250,80,1",
          "1000\n5,7,0\n;; " + GB_CHAIN_BREAK + "\n1,100\n;; " + GB_GRADE_POINT + "\n2,250,80,1\n"}) {
        const Alignment a = read(text);
        ASSERT_EQ(a.elemCount, 2) << text;
        EXPECT_EQ(a.icdStartChainage, 1000);
        EXPECT_EQ(a.elemChainage[3], 1180);
    }
}

TEST_F(IcdRobustness, NulBytes) {
    // In a record the NUL ends the number; in the header the item is no number.
    const Alignment a = read(nul("0\n0,0,0\n1,10", "\n"));
    EXPECT_EQ(a.elemLength[1], 10);
    EXPECT_TRUE(refused(nul("0", "\n0,0,0\n1,10\n"), 1));
}

TEST_F(IcdRobustness, AFolderOrAnUnreadableFileIsADataFailure) {
    Alignment a;
    ChainBreakTable breaks;
    EXPECT_TRUE(dataFailureAt([&] { dqicd(folder(), a, breaks, PI); }, folder(), 0));
    const std::string p = locked("0\n0,0,0\n1,10\n");
    if (const auto skip = expectUnreadable([&] { dqicd(p, a, breaks, PI); }, p)) GTEST_SKIP() << *skip;
}

// ---------------------------------------------------------------- stake file

class StakeFileRobustness : public Robustness {
protected:
    void SetUp() override {
        Robustness::SetUp();
        // Grade points 0/100, 2000/140 (radius 8000) and 5000/110, with the
        // chain breaks 2350 -> 2300 and 4100 -> 4180 where asked for.
        project_.profile.gradePointCount = 3;
        project_.profile.gradePointChainage = {0, 0, 2000, 5000};
        project_.profile.gradePointElevation = {0, 100, 140, 110};
        project_.profile.curveRadius = {0, 0, 8000, 0};
        PrepareProfile(project_.profile);
    }
    void withBreaks() {
        project_.breaks.chainBreakCount = 2;
        project_.breaks.breakBackStake = {0, 2350, 4100, BREAK_SENTINEL};
        project_.breaks.breakAheadStake = {0, 2300, 4180, BREAK_SENTINEL};
    }
    std::vector<StakeResult> evaluate(const std::string& bytes) {
        ScriptedUi ui;
        std::vector<StakeResult> results;
        EXPECT_TRUE(evaluateStakes(project_, readStakeFile(put(bytes)), "", results));
        for (const StakeResult& r : results)
            EXPECT_TRUE(std::isfinite(r.chainage) && std::isfinite(r.elevation) && std::isfinite(r.grade)) << r.stake;
        return results;
    }
    // The compute command's file mode on bytes: the events and error details.
    ScriptedUi compute(const std::string& bytes, const std::string& resultPath) {
        ScriptedUi ui;
        ui.answers = {put(bytes), resultPath};
        FormState form;
        form.setChecked(Control::Option2, true);
        ui.show(gradix::compute(project_, form, ui, SettingsFile::discarding()));
        return ui;
    }
    Project project_;
};

TEST_F(StakeFileRobustness, NanAndInfinityAreRefused) {
    for (const char* stakes : {"nan\n", "100\ninf\n", "-inf m\n"}) {
        std::vector<StakeResult> results;
        EXPECT_EQ(evaluateStakes(project_, readStakeFile(put(stakes)), "", results).kind, OutcomeKind::Refused)
            << stakes;
    }
}

TEST_F(StakeFileRobustness, LargestDoublesExtrapolateOrFailWhereTheyOverflow) {
    const std::vector<StakeResult> r = evaluate("1e308\n-1e308\n-0\n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_DOUBLE_EQ(r[0].grade, -0.01);
    EXPECT_DOUBLE_EQ(r[1].grade, 0.02);
    EXPECT_EQ(r[2].elevation, 100);
    ScriptedUi ui;
    std::vector<StakeResult> results;
    EXPECT_THROW(evaluateStakes(project_, readStakeFile(put("0\n1e309\n")), "", results), DataError);
    // A grade steep enough to take the extrapolation beyond the doubles.
    project_.profile.gradePointElevation = {0, 100, 1e300, 110};
    project_.profile.curveRadius = {0, 0, 0, 0};
    PrepareProfile(project_.profile);
    const std::string resultPath = (dir_ / "result.txt").string();
    const ScriptedUi failed = compute("0\n-1e308\n", resultPath);
    ASSERT_EQ(failed.errorDetails.size(), 1u);
    EXPECT_NE(failed.errorDetails[0].find(", line 2: "), std::string::npos) << failed.errorDetails[0];
    EXPECT_FALSE(fs::exists(resultPath));
}

TEST_F(StakeFileRobustness, TheFirstEmptyLineEndsTheList) {
    EXPECT_EQ(evaluate("100\n   \n200\n").size(), 1u);
    EXPECT_TRUE(evaluate("\n100\n").empty());
}

TEST_F(StakeFileRobustness, MegabyteLinesKeepTheirText) {
    const std::vector<StakeResult> r = evaluate("100 " + std::string(ONE_MB, 'x') + "\n" + std::string(ONE_MB, ' ') +
                                                "200\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].chainage, 100);
    EXPECT_EQ(r[0].stake.size(), ONE_MB + 4);
    EXPECT_EQ(r[1].stake, "200");
    const std::string text = resultFileText(r);
    EXPECT_EQ(text.substr(ONE_MB + 4, 2), "\r\n");  // the elevation starts a line of its own
    ScriptedUi ui;
    std::vector<StakeResult> results;
    EXPECT_THROW(evaluateStakes(project_, readStakeFile(put("1" + std::string(ONE_MB, '0') + "\n")), "", results),
                 DataError);
}

TEST_F(StakeFileRobustness, MoreThan32767StakesFailAtTheNextLine) {
    const std::string resultPath = (dir_ / "result.txt").string();
    const ScriptedUi ui = compute(repeatLines(MANY_LINES, [](int i) { return std::to_string(i % 5000) + "\n"; }),
                                           resultPath);
    ASSERT_EQ(ui.errorDetails.size(), 1u);
    EXPECT_NE(ui.errorDetails[0].find(", line 32768: "), std::string::npos) << ui.errorDetails[0];
    EXPECT_FALSE(fs::exists(resultPath));
    EXPECT_EQ(evaluate(repeatLines(MAX_STAKES, [](int i) { return std::to_string(i % 5000) + "\n"; })).size(),
              static_cast<std::size_t>(MAX_STAKES));
}

TEST_F(StakeFileRobustness, LineEndsMarksAndCodePagesReadAlike) {
    for (const std::string& text : {std::string("100\n2000 grade point\n"), std::string("100\r\n2000 grade point\r\n"),
                                    std::string("100\r2000 grade point\r"), BOM + "100\n2000 grade point"}) {
        const std::vector<StakeResult> r = evaluate(text);
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[0].stake, "100");
        EXPECT_EQ(r[1].stake, "2000 grade point");
        EXPECT_EQ(r[1].chainage, 2000);
    }
    const std::vector<StakeResult> r = evaluate("2000 " + GB_GRADE_POINT + "\r\n");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].stake, "2000 " + UTF8_GRADE_POINT);  // decoded, then written in UTF-8
}

TEST_F(StakeFileRobustness, NulBytesEndTheNumberAndStayInTheText) {
    const std::vector<StakeResult> r = evaluate(nul("150", "x\n"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].chainage, 150);
    EXPECT_EQ(r[0].stake, nul("150", "x"));
}

TEST_F(StakeFileRobustness, StretchLettersBeyondTheTableAreRefused) {
    withBreaks();
    std::vector<StakeResult> results;
    EXPECT_EQ(evaluateStakes(project_, readStakeFile(put("A100\nW100\n")), "", results).kind, OutcomeKind::Refused);
    EXPECT_EQ(results.size(), 1u);
    // A refused stake writes nothing at all.
    const std::string resultPath = (dir_ / "result.txt").string();
    const ScriptedUi refused = compute("2200\n2320\n", resultPath);
    EXPECT_TRUE(refused.errorDetails.empty());
    EXPECT_FALSE(fs::exists(resultPath));
}

TEST_F(StakeFileRobustness, AFolderOrAnUnreadableFileIsADataFailure) {
    EXPECT_TRUE(dataFailureAt([&] { readStakeFile(folder()); }, folder(), 0));
    const std::string p = locked("100\n");
    if (const auto skip = expectUnreadable([&] { readStakeFile(p); }, p)) GTEST_SKIP() << *skip;
}

TEST_F(StakeFileRobustness, AResultPathThatIsAFolderLeavesTheFolderAlone) {
    const ScriptedUi ui = compute("100\n", folder());
    ASSERT_EQ(ui.errorDetails.size(), 1u);
    EXPECT_NE(ui.events.back().find(FORMAT_TEXT), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder()));
}

}  // namespace
