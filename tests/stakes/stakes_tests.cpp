// Stake text and chainage across chain breaks, and the chain-break file.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "stakes/chainbreaks.h"
#include "stakes/roundstakes.h"
#include "stakes/stakes.h"
#include "support/chain_breaks.h"
#include "support/recording_sink.h"
#include "support/temp_folder.h"
#include "text/failures.h"

using namespace gradix;

namespace {

using Events = std::vector<std::string>;

using gradix::testing::chainBreakTable;
using gradix::testing::JUMP_AHEAD;
using gradix::testing::RecordingSink;
using gradix::testing::STEP_BACK;
const ChainBreakTable BOTH = gradix::testing::ROAD_BREAKS;
const ChainBreakTable NONE = chainBreakTable({});

const std::string AMBIGUOUS_TAIL = "所属的断链区间，需添加断链标识A、B、C...";
const char* const AMBIGUOUS_MESSAGE_K2320 = "程序不能判断桩号K2+320所属的断链区间，需添加断链标识A、B、C...";

struct Qualified {
    std::string text;
    std::int16_t accepted;
    Events events;
};

Qualified qualify(const ChainBreakTable& table, const std::string& stake) {
    RecordingSink sink;
    std::int16_t accepted = -1;
    std::string text = zh_dlstr(table, stake, sink, accepted);
    return {std::move(text), accepted, sink.events};
}

class ChainBreakFileTest : public ::testing::Test {
protected:
    std::string put(const std::string& bytes) { return dir_.writeNext(bytes, "breaks", ".dl"); }
    static std::string lines(int count) {
        std::string text;
        for (int i = 1; i <= count; ++i)
            text += std::to_string(1000 * i) + " " + std::to_string(1000 * i - 10) + "\r\n";
        return text;
    }
    gradix::testing::TempFolder dir_{"stakes"};
};

}  // namespace

// ------------------------------------------------------------------ zh_dlstr

TEST(ZhDlstr, StepBackBreakLettersTheSingleStakes) {
    EXPECT_EQ(qualify(STEP_BACK, "2200").text, "A2200");
    const Qualified after = qualify(STEP_BACK, "2400");
    EXPECT_EQ(after.text, "B2400");
    EXPECT_EQ(after.accepted, 1);
    EXPECT_TRUE(after.events.empty());
}

TEST(ZhDlstr, StakesThatOccurTwiceNeedALetter) {
    for (const char* stake : {"2320", "2300", "2350"}) {
        const Qualified q = qualify(STEP_BACK, stake);
        EXPECT_EQ(q.accepted, 0) << stake;
        EXPECT_EQ(q.text, stake);
        EXPECT_EQ(q.events, (Events{"activate", std::string("数据有误|程序不能判断桩号") + stake + AMBIGUOUS_TAIL}));
    }
}

TEST(ZhDlstr, StakesInAGapAreRefused) {
    const Qualified q = qualify(JUMP_AHEAD, "4150");
    EXPECT_EQ(q.accepted, 0);
    EXPECT_EQ(q.events, (Events{"activate", "数据有误|桩号4150不应存在4100和4180之间，请修改！"}));
    EXPECT_EQ(qualify(JUMP_AHEAD, "4100").text, "A4100");
    EXPECT_EQ(qualify(JUMP_AHEAD, "4180").text, "B4180");
}

TEST(ZhDlstr, GapMessageShowsTheTextAsGivenAndShortValues) {
    const Qualified q = qualify(chainBreakTable({{0.5, 10.25}}), " 5 ");
    EXPECT_EQ(q.events.at(1), "数据有误|桩号 5 不应存在.5和10.25之间，请修改！");
}

TEST(ZhDlstr, GapIsTestedBeforeAmbiguityOverAllBreaks) {
    // 4150 lies in the gap of break 2 although break 1 is tested first.
    const Qualified q = qualify(chainBreakTable({{4300, 4000}, {4100, 4180}}), "4150");
    EXPECT_EQ(q.events.at(1), "数据有误|桩号4150不应存在4100和4180之间，请修改！");
}

TEST(ZhDlstr, LetterCountsTheBreaksPassed) {
    EXPECT_EQ(qualify(BOTH, "2000").text, "A2000");
    EXPECT_EQ(qualify(BOTH, "3000").text, "B3000");
    EXPECT_EQ(qualify(BOTH, "5000").text, "C5000");
    EXPECT_EQ(qualify(BOTH, "  5000 ").text, "C5000");  // surrounding blanks removed
}

TEST(ZhDlstr, SomeTextsComeBackUnchanged) {
    for (const char* stake : {" B2320 ", "A1", "2320"}) {
        const Qualified q = qualify(stake == std::string("2320") ? NONE : STEP_BACK, stake);
        EXPECT_EQ(q.text, stake);
        EXPECT_EQ(q.accepted, 1);
        EXPECT_TRUE(q.events.empty());
    }
    // A tab is no blank: the first character is then no capital letter, and
    // the leading-number rule, which skips the tab, reads no digit.
    EXPECT_EQ(qualify(STEP_BACK, "\tB2400").events.at(1), "数据有误|桩号\tB2400无法识别，请修改！");
}

TEST(ZhDlstr, LowerCaseIsNoStretchLetter) {
    // "b2320" reads no digit under the leading-number rule: it is no stake.
    EXPECT_EQ(qualify(STEP_BACK, "b2320").events.at(1), "数据有误|桩号b2320无法识别，请修改！");
}

TEST(ZhDlstr, StakeBeyondTheDoubleRangeIsADataFailure) {
    RecordingSink sink;
    std::int16_t accepted = 0;
    EXPECT_THROW(zh_dlstr(STEP_BACK, "1e999", sink, accepted), DataError);
}

// ------------------------------------------------------------------ dlstr_sj

TEST(DlstrSj, LetteredStakesUndoTheirBreaks) {
    EXPECT_EQ(dlstr_sj(STEP_BACK, "B2320"), 2370.0);
    EXPECT_EQ(dlstr_sj(STEP_BACK, "A2320"), 2320.0);
    EXPECT_EQ(dlstr_sj(JUMP_AHEAD, "B4180"), 4100.0);
    EXPECT_EQ(dlstr_sj(BOTH, "C5000"), 5000.0 - 4180 + 4100 - 2300 + 2350);
    EXPECT_EQ(dlstr_sj(STEP_BACK, "  B2320 "), 2370.0);
    EXPECT_EQ(dlstr_sj(STEP_BACK, "B 2320"), 2370.0);
}

TEST(DlstrSj, PlainStakesAreTheirValue) {
    EXPECT_EQ(dlstr_sj(NONE, "1234.5"), 1234.5);
    EXPECT_EQ(dlstr_sj(STEP_BACK, " 2320"), 2320.0);
    EXPECT_EQ(dlstr_sj(STEP_BACK, ""), 0.0);
    EXPECT_EQ(dlstr_sj(STEP_BACK, "   "), 0.0);
}

TEST(DlstrSj, LettersBeyondTheSlotsAreADataFailure) {
    EXPECT_NO_THROW(dlstr_sj(STEP_BACK, "U100"));  // reaches slot 20, the last
    for (const char* stake : {"V100", "Y1", "Z1"}) EXPECT_THROW(dlstr_sj(STEP_BACK, stake), DataError) << stake;
}

TEST(DlstrSj, LettersBeyondTheLastStretchAreNotRefused) {
    // Slot 2 holds the sentinel on both sides: it shifts nothing.
    EXPECT_EQ(dlstr_sj(STEP_BACK, "C100"), 150.0);
}

TEST(KilometreNotation, NamesTheStakeOfItsClassicForm) {
    // Every form names the chainage of the classic text beside it; the
    // qualified text is that classic form.
    const struct {
        const ChainBreakTable& table;
        const char* typed;
        const char* qualified;
        double chainage;
    } rows[] = {
        {NONE, "K2+320", "2320", 2320},
        {NONE, "k2+320.5", "2320.5", 2320.5},
        {NONE, "2+320", "2320", 2320},
        {NONE, " K12 + 5 ", "12005", 12005},
        {NONE, "-K0+005.500", "-5.5", -5.5},
        {BOTH, "BK2+320", "B2320", 2370},
        {BOTH, "B K2+320", "B2320", 2370},
        {BOTH, "K2+200", "A2200", 2200},
        {BOTH, "K5+000.25", "C5000.25", 4970.25},
        {STEP_BACK, "AK2+320", "A2320", 2320},
        {NONE, "K1+200 左边桩", "1200", 1200},  // words after the metres are ignored
    };
    for (const auto& row : rows) {
        const StakeQualification q = qualifyStake(row.table, row.typed);
        ASSERT_TRUE(q.accepted()) << row.typed << ": " << q.refusal;
        EXPECT_EQ(q.text, row.qualified) << row.typed;
        EXPECT_EQ(dlstr_sj(row.table, q.text), row.chainage) << row.typed;
        // As a classic text, an unlettered one converts to its value alone.
        if (q.text.front() == row.typed[0] || &row.table == &NONE) {
            EXPECT_EQ(dlstr_sj(row.table, row.typed), row.chainage) << row.typed;
        }
    }
    // A sign or an exponent's "+" is no K notation: the classic forms keep
    // their meaning.
    for (const char* classic : {"+5", "1e+3", "B1e+3", "+ 2320"}) EXPECT_FALSE(isKilometreNotation(classic)) << classic;
    EXPECT_EQ(dlstr_sj(NONE, "1e+3"), 1000.0);
}

TEST(FormatStake, StretchLetterAndKNotationOfAChainage) {
    EXPECT_EQ(formatStake(BOTH, 2370.0), "BK2+320.000");
    EXPECT_EQ(formatStake(BOTH, 2350.0), "AK2+350.000");
    EXPECT_EQ(formatStake(BOTH, 4150.5), "CK4+180.500");
    EXPECT_EQ(formatStake(BOTH, 2370.0, 0), "BK2+320");
    EXPECT_EQ(formatStake(NONE, 1200.0), "K1+200.000");
    EXPECT_EQ(formatStake(NONE, -5.5), "-K0+005.500");
    // Every output stake reads back to its chainage (to the millimetre).
    for (double chainage : {0.0, 2349.9996, 2350.0004, 2399.0, 4099.9, 4100.0, 5170.0}) {
        const StakeQualification q = qualifyStake(BOTH, formatStake(BOTH, chainage));
        ASSERT_TRUE(q.accepted()) << chainage << ": " << q.refusal;
        EXPECT_NEAR(dlstr_sj(BOTH, q.text), chainage, 5e-4) << chainage;
    }
    // Rounded to the millimetre, the last stake of A lies 0.4 mm beyond the
    // break: it still names its point.
    const ChainBreakTable fine = chainBreakTable({{876.2726, 5350}});
    EXPECT_EQ(formatStake(fine, 876.2726), "AK0+876.273");
    EXPECT_TRUE(qualifyStake(fine, formatStake(fine, 876.2726)).accepted());
    EXPECT_FALSE(qualifyStake(fine, "A876.2732").accepted());
    // Break notes: 短链 where stakes are skipped, 长链 where they repeat.
    const ChainBreakTable stn02 = chainBreakTable({{876.272071272522, 5350}});
    EXPECT_EQ(chainBreakNote(stn02, 1), "断链 K0+876.272=K5+350.000 短链 4473.728 m");
    EXPECT_EQ(chainBreakNote(BOTH, 1), "断链 K2+350.000=K2+300.000 长链 50.000 m");
}

// After a chain break the round stakes are those of the new stretch: by hand
// from the back and ahead values (a stretch's stake = chainage + the jumps
// before it). At a break where both stretches have a round stake, the one
// before keeps it.
TEST(RoundStakes, RoundStakesFollowTheNumberingOfEachStretch) {
    const ChainBreakTable stn02 = chainBreakTable({{876.272071272522, 5350}});
    const double stn02Jump = 5350 - 876.272071272522;
    struct Row {
        const char* name;
        ChainBreakTable breaks;
        double from, to;
        std::vector<RoundStake> expected;  // chainage, {stretch, value}; the multiple not compared
    };
    const Row rows[] = {
        {"no breaks", {}, 15, 65, {{20, {1, 20}}, {40, {1, 40}}, {60, {1, 60}}}},
        {"stakes repeat (2350=2300)", STEP_BACK, 2300, 2400,
         {{2300, {1, 2300}}, {2320, {1, 2320}}, {2340, {1, 2340}}, {2350, {2, 2300}}, {2370, {2, 2320}},
          {2390, {2, 2340}}}},
        {"stakes skipped (4100=4180)", JUMP_AHEAD, 4060, 4140,
         {{4060, {1, 4060}}, {4080, {1, 4080}}, {4100, {1, 4100}}, {4120, {2, 4200}}, {4140, {2, 4220}}}},
        {"STN02's equation (K0+876.272=K5+350)", stn02, 800, 920,
         {{800, {1, 800}}, {820, {1, 820}}, {840, {1, 840}}, {860, {1, 860}}, {5360 - stn02Jump, {2, 5360}},
          {5380 - stn02Jump, {2, 5380}}}},
        {"the third stretch of the example road (C = chainage + 30)", BOTH, 4140, 4190,
         {{4150, {2, 4100}}, {4170, {3, 4200}}, {4190, {3, 4220}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<std::vector<RoundStake>> got = roundStakes(row.breaks, row.from, row.to, 20, 1000);
        ASSERT_TRUE(got.has_value());
        ASSERT_EQ(got->size(), row.expected.size());
        for (std::size_t i = 0; i < got->size(); ++i) {
            EXPECT_NEAR((*got)[i].chainage, row.expected[i].chainage, 1e-9) << i;
            EXPECT_EQ((*got)[i].stake.stretch, row.expected[i].stake.stretch) << i;
            EXPECT_NEAR((*got)[i].stake.value, row.expected[i].stake.value, 1e-9) << i;
            EXPECT_EQ((*got)[i].multiple * 20, (*got)[i].stake.value) << i;
        }
    }
    // A range of more stakes than allowed makes none (the caller refuses it).
    EXPECT_FALSE(roundStakes({}, 0, 1e6, 20, 1000).has_value());
}

// --------------------------------------------------------------- sj_dlstr_11

TEST(SjDlstr11, StepBackBreak) {
    EXPECT_EQ(sj_dlstr_11(STEP_BACK, 2370.0), "B2320");
    EXPECT_EQ(sj_dlstr_11(STEP_BACK, 2350.0), "A2350");
    EXPECT_EQ(sj_dlstr_11(STEP_BACK, 2370.25), "B2320.250");
    EXPECT_EQ(sj_dlstr_11(STEP_BACK, 2320.0), "A2320");
}

TEST(SjDlstr11, JumpAheadBreak) {
    EXPECT_EQ(sj_dlstr_11(JUMP_AHEAD, 4100.5), "B4180.500");
    EXPECT_EQ(sj_dlstr_11(JUMP_AHEAD, 4100.0), "A4100");
}

TEST(SjDlstr11, WithoutBreaksNoLetter) {
    EXPECT_EQ(sj_dlstr_11(NONE, 1234.0), "1234");
    EXPECT_EQ(sj_dlstr_11(NONE, 1234.5678), "1234.568");
    EXPECT_EQ(sj_dlstr_11(NONE, -2.5), "-2.500");
    EXPECT_EQ(sj_dlstr_11(NONE, -0.0), "0");
    // Not whole at the millimetre, but rounding to it: three zeros stay.
    EXPECT_EQ(sj_dlstr_11(NONE, 2370.0004), "2370.000");
}

TEST(SjDlstr11, EachBreakComparesTheCarriedValue) {
    // After break 1 (2350 -> 2300) chainage 4160 reads 4110, beyond 4100: C.
    EXPECT_EQ(sj_dlstr_11(BOTH, 4160.0), "C4190");
    EXPECT_EQ(sj_dlstr_11(BOTH, 4140.0), "B4090");
}

TEST(SjDlstr11, NonFiniteChainageDoesNotFail) {
    EXPECT_NO_THROW(sj_dlstr_11(BOTH, std::nan("")));
    EXPECT_NO_THROW(sj_dlstr_11(BOTH, INFINITY));
}

TEST(StakeConversions, ChainageSurvivesTheRoundTrip) {
    // Every millimetre-exact chainage comes back from its stake text, across
    // both kinds of break, and its stake text is accepted as it is.
    for (int mm = 0; mm <= 6'000'000; mm += 1250) {
        const double chainage = mm / 1000.0;
        const std::string stake = sj_dlstr_11(BOTH, chainage);
        EXPECT_NEAR(dlstr_sj(BOTH, stake), chainage, 1e-9) << stake;
        const Qualified q = qualify(BOTH, stake);
        EXPECT_EQ(q.accepted, 1);
        EXPECT_EQ(q.text, stake);
    }
}

TEST(StakeConversions, TableCountOutsideTheSlotsIsADataFailure) {
    ChainBreakTable broken = STEP_BACK;
    broken.chainBreakCount = 25;
    RecordingSink sink;
    std::int16_t accepted = 0;
    EXPECT_THROW(zh_dlstr(broken, "100", sink, accepted), DataError);
    EXPECT_THROW(sj_dlstr_11(broken, 100.0), DataError);
}

// ------------------------------------------------------------------- GetStrP

TEST(GetStrP, LastMatchingCharacterPosition) {
    EXPECT_EQ(GetStrP("C:\\abcdef\\x.icd", "\\"), "10");
    EXPECT_EQ(GetStrP("road.icd", "\\"), "0");
    EXPECT_EQ(GetStrP("", "\\"), "0");
    EXPECT_EQ(GetStrP("a/b\\c/d", "/\\"), "6");
}

TEST(GetStrP, CountsCharactersNotBytes) {
    EXPECT_EQ(GetStrP("D:\\道路\\线.icd", "\\"), "6");
    EXPECT_EQ(GetStrP("道路线", "路"), "2");
}

// --------------------------------------------------------- chain-break file

TEST_F(ChainBreakFileTest, BreakWithCommentWord) {
    ChainBreakTable t;
    readChainBreakFile(put("1000 980 comment\n"), t);
    EXPECT_EQ(t.chainBreakCount, 1);
    EXPECT_EQ(t.breakBackStake[1], 1000.0);
    EXPECT_EQ(t.breakAheadStake[1], 980.0);
    EXPECT_EQ(t.breakBackStake[0], 0.0);
    EXPECT_EQ(t.breakAheadStake[2], BREAK_SENTINEL);
}

TEST_F(ChainBreakFileTest, MinusOneMeansNoBreaks) {
    ChainBreakTable t;
    readChainBreakFile(put("-1 0\n2350 2300\n"), t);
    EXPECT_EQ(t.chainBreakCount, 0);
    EXPECT_EQ(dlstr_sj(t, "2320"), 2320.0);
    EXPECT_EQ(sj_dlstr_11(t, 2370.0), "2370");
}

TEST_F(ChainBreakFileTest, NineteenBreaksLoadTwentyFail) {
    ChainBreakTable t;
    readChainBreakFile(put(lines(19)), t);
    EXPECT_EQ(t.chainBreakCount, 19);
    EXPECT_EQ(t.breakBackStake[19], 19000.0);
    EXPECT_EQ(t.breakBackStake[20], BREAK_SENTINEL);

    ChainBreakTable u;
    try {
        readChainBreakFile(put(lines(20)), u);
        FAIL() << "20 lines were accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.line(), 20);
        EXPECT_STREQ(e.what(), "数据文件格式有误！");
    }
    EXPECT_EQ(u.chainBreakCount, 19);
    EXPECT_EQ(u.breakBackStake[20], BREAK_SENTINEL);
}

TEST_F(ChainBreakFileTest, EmptyFileOrFirstLineKeepsThePreviousTable) {
    for (const std::string text : {"", "\r\n2350 2300\r\n", "   \t\n"}) {
        ChainBreakTable t = BOTH;
        readChainBreakFile(put(text), t);
        EXPECT_EQ(t.chainBreakCount, 2);
        EXPECT_EQ(t.breakAheadStake[2], 4180.0);
        EXPECT_EQ(t.breakBackStake[3], BREAK_SENTINEL);
    }
}

TEST_F(ChainBreakFileTest, FirstEmptyLineEndsTheTable) {
    ChainBreakTable t;
    readChainBreakFile(put("2350 2300\n\n4100 4180\n"), t);
    EXPECT_EQ(t.chainBreakCount, 1);
}

TEST_F(ChainBreakFileTest, EntriesOfAnEarlierTableStayAboveTheSentinel) {
    ChainBreakTable t = chainBreakTable({{1, 2}, {3, 4}, {5, 6}});
    readChainBreakFile(put("2350 2300\n"), t);
    EXPECT_EQ(t.chainBreakCount, 1);
    EXPECT_EQ(t.breakBackStake[2], BREAK_SENTINEL);
    EXPECT_EQ(t.breakBackStake[3], 5.0);
}

TEST_F(ChainBreakFileTest, FieldsAreStrictNumbers) {
    ChainBreakTable t;
    readChainBreakFile(put("\t2350\t  2300 \n1. .5\n+1e3 -2E+1\n"), t);
    EXPECT_EQ(t.chainBreakCount, 3);
    EXPECT_EQ(t.breakAheadStake[2], 0.5);
    EXPECT_EQ(t.breakAheadStake[3], -20.0);
    for (const char* text : {"abc 2300\n", "2350 x\n", "2350m 2300\n", "2350 1,5\n", "1e999 0\n", "2350\n"}) {
        ChainBreakTable u = STEP_BACK;
        EXPECT_THROW(readChainBreakFile(put(text), u), DataError) << text;
        EXPECT_EQ(u.chainBreakCount, 1) << text;  // nothing stored: the earlier table holds
        EXPECT_EQ(u.breakBackStake[1], 2350.0) << text;
    }
}

TEST_F(ChainBreakFileTest, FailureLocatesTheLineAndKeepsWhatWasStored) {
    ChainBreakTable t;
    const std::string p = put("2350 2300\n4100 x\n");
    try {
        readChainBreakFile(p, t);
        FAIL() << "no failure";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), p);
        EXPECT_EQ(e.line(), 2);
    }
    EXPECT_EQ(t.chainBreakCount, 1);
    EXPECT_EQ(t.breakAheadStake[1], 2300.0);
    EXPECT_EQ(t.breakBackStake[2], BREAK_SENTINEL);
}

TEST_F(ChainBreakFileTest, EncodingsAndLineEnds) {
    ChainBreakTable t;
    // GB18030 comment, CR-only line ends, a BOM before the first number.
    readChainBreakFile(put("\xEF\xBB\xBF" "2350 2300 \xB6\xCF\xC1\xB4\r4100 4180\r"), t);
    EXPECT_EQ(t.chainBreakCount, 2);
    ChainBreakTable u;
    readChainBreakFile(put("2350 2300 \xB6\xCF\xC1\xB4\r\n"), u);
    EXPECT_EQ(u.chainBreakCount, 1);
    ChainBreakTable v;
    EXPECT_THROW(readChainBreakFile(put(std::string("2350\0 2300\n", 11)), v), DataError);
}

TEST_F(ChainBreakFileTest, MissingFileAndCancelledDialog) {
    ChainBreakTable t = STEP_BACK;
    EXPECT_THROW(readChainBreakFile(dir_.file("none.dl"), t), DataError);
    EXPECT_THROW(readChainBreakFile("", t), FileAccessError);
    EXPECT_EQ(t.chainBreakCount, 1);
}

// ------------------------------------------------- refusals of the conversion

TEST(QualifyStake, RefusesWhatNamesNoStakeOfTheTable) {
    // The stake as typed (trimmed) in the message; the same through
    // zh_dlstr, which shows it and clears stakeAccepted.
    const struct {
        const ChainBreakTable& table;
        const char* stake;
        const char* message;
    } rows[] = {
        {NONE, "", "请输入桩号！"},
        {STEP_BACK, "   ", "请输入桩号！"},
        {NONE, " B2320 ", "桩号B2320的断链标识不存在，请修改！"},
        {STEP_BACK, "C100", "桩号C100的断链标识不存在，请修改！"},
        {BOTH, "D100", "桩号D100的断链标识不存在，请修改！"},
        {STEP_BACK, "Z1", "桩号Z1的断链标识不存在，请修改！"},
        {NONE, "abc", "桩号abc无法识别，请修改！"},
        {STEP_BACK, "a2320", "桩号a2320无法识别，请修改！"},
        {NONE, "stake elevation", "桩号stake elevation无法识别，请修改！"},
        {NONE, "-.", "桩号-.无法识别，请修改！"},
        {STEP_BACK, "B", "桩号B无法识别，请修改！"},
        // A lettered stake outside its stretch names no point of the road.
        {BOTH, "A2400", "桩号A2400不在A段桩号范围内，请修改！"},
        {BOTH, "A3000", "桩号A3000不在A段桩号范围内，请修改！"},
        {BOTH, "B2", "桩号B2不在B段桩号范围内，请修改！"},
        {BOTH, " B4100.001", "桩号B4100.001不在B段桩号范围内，请修改！"},
        {BOTH, "C100", "桩号C100不在C段桩号范围内，请修改！"},
        {BOTH, "BK4+150", "桩号BK4+150不在B段桩号范围内，请修改！"},
        // K notation that names nothing.
        {NONE, "K2+1320", "桩号K2+1320无法识别，请修改！"},
        {NONE, "K+320", "桩号K+320的断链标识不存在，请修改！"},  // no digit before "+": classic
        {NONE, "K2+", "桩号K2+无法识别，请修改！"},
        {STEP_BACK, "K2+320", AMBIGUOUS_MESSAGE_K2320},
        {JUMP_AHEAD, "K4+150", "桩号K4+150不应存在4100和4180之间，请修改！"},
    };
    for (const auto& row : rows) {
        const StakeQualification q = qualifyStake(row.table, row.stake);
        EXPECT_FALSE(q.accepted()) << row.stake;
        EXPECT_EQ(q.refusal, row.message) << row.stake;
        EXPECT_FALSE(q.reason.empty()) << row.stake;
        const Qualified z = qualify(row.table, row.stake);
        EXPECT_EQ(z.accepted, 0) << row.stake;
        EXPECT_EQ(z.text, row.stake);
        EXPECT_EQ(z.events, (Events{"activate", std::string("数据有误|") + row.message})) << row.stake;
    }
    // A digit is read as LeadingNumber reads it: blanks skipped anywhere,
    // one sign, then one point.
    for (const char* text : {"0", "-.5", "+ 1", " . 5", "\t7", "1e999x"}) EXPECT_TRUE(hasLeadingDigit(text)) << text;
    for (const char* text : {"", "-", ".", "e5", "+-1", ".-5", "..5"}) EXPECT_FALSE(hasLeadingDigit(text)) << text;
    // The ends of a stretch belong to it; the first has no lower end, the
    // last no upper end.
    for (const char* stake : {"A2350", "B2300", "B4100", "C4180", "A-500", "C99999"})
        EXPECT_TRUE(qualifyStake(BOTH, stake).accepted()) << stake;
    EXPECT_TRUE(qualifyStake(NONE, "A2320").accepted());
    EXPECT_TRUE(qualifyStake(NONE, "-.5").accepted());
}

// With a report: the data left after an empty line is noted; in check mode a
// refused line is a refusal and the next one is read.
TEST_F(ChainBreakFileTest, ReportNotesAndCheckModeRefusals) {
    const struct {
        const char* text;
        bool checkMode;
        std::vector<LineNote> notes, refusals;
        std::vector<long> entryLines;
        int count;
    } cases[] = {
        {"2350 2300\r\r\n4100 4180\r\r\n", false, {{2, "第2行为空行，其后还有1行数据未读入"}}, {}, {1}, 1},
        {"2350 2300\n\n \t\n", false, {}, {}, {1}, 1},
        {"2350 2300\nabc 4180\n4100\n4100 4180 长链\n", true, {},
         {{2, "断前桩号\"abc\"不是数值"}, {3, "断链行需要断前桩号和断后桩号两个数值"}}, {1, 4}, 2},
    };
    for (const auto& c : cases) {
        ChainBreakTable t;
        ReadReport report;
        report.checkMode = c.checkMode;
        readChainBreakFile(put(c.text), t, &report);
        EXPECT_EQ(report.notes, c.notes) << c.text;
        EXPECT_EQ(report.refusals, c.refusals) << c.text;
        EXPECT_EQ(report.entryLines, c.entryLines) << c.text;
        EXPECT_EQ(t.chainBreakCount, c.count) << c.text;
        EXPECT_EQ(t.breakAheadStake[c.count], c.count == 1 ? 2300.0 : 4180.0) << c.text;
        EXPECT_EQ(t.breakBackStake[c.count + 1], BREAK_SENTINEL) << c.text;
    }
    ChainBreakTable t;
    ReadReport report;
    report.checkMode = true;
    EXPECT_THROW(readChainBreakFile(put("abc 1\n2350 2300\n"), t), DataError);  // without check mode
    EXPECT_THROW(readChainBreakFile(dir_.write("road.zdm", "0 100\n600 112 8000\n"), t, &report), DataError);
}
