// Number reading and writing, data-line preparation, text files and failures.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "text/angles.h"
#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/textfile.h"
#include "text/unicode.h"
#include "support/temp_folder.h"
#include "text/messages.h"
#include "text/filekind.h"

using namespace gradix;
namespace fs = std::filesystem;

namespace {

// A folder of its own for each test that touches files, removed afterwards.
class TextFileTest : public ::testing::Test {
protected:
    std::string put(const std::string& name, const std::string& bytes) { return dir_.write(name, bytes); }
    std::string path(const std::string& name) const { return dir_.file(name); }
    std::vector<std::string> names() const { return dir_.names(); }
    gradix::testing::TempFolder dir_{"text"};
};

using Lines = std::vector<std::string>;

}  // namespace

// ---------------------------------------------------------------- failures

TEST(Failures, KindsCarryTheFixedTexts) {
    EXPECT_STREQ(FileAccessError("x").what(), "读取文件被取消！");
    EXPECT_STREQ(DataError("x").what(), "数据文件格式有误！");
}

TEST(Failures, DetailNamesFileLineAndReason) {
    DataError bare("too few fields");
    EXPECT_EQ(bare.detail(), "too few fields");
    DataError inFile("the file does not exist");
    inFile.locate("road.dl");
    EXPECT_EQ(inFile.detail(), "road.dl：the file does not exist");
    DataError onLine("too few fields");
    onLine.locate("road.dl", 7);
    EXPECT_EQ(onLine.detail(), "road.dl，第7行：too few fields");
    EXPECT_EQ(onLine.file(), "road.dl");
    EXPECT_EQ(onLine.line(), 7);
}

TEST(Failures, InnermostPlaceWins) {
    DataError e("bad field");
    e.locate("stakes.txt", 3);
    e.locate("other.txt", 9);
    EXPECT_EQ(e.detail(), "stakes.txt，第3行：bad field");
    // The same file without a line yet may learn its line from an outer layer.
    DataError f("bad field");
    f.locate("road.zdm");
    f.locate("road.zdm", 4);
    EXPECT_EQ(f.detail(), "road.zdm，第4行：bad field");
}

// The table's texts that carry values: the place of a detail, a numbered
// grade point, a system error, each as the person reads it.
TEST(Messages, TextsWithValuesReadAsWritten) {
    struct Case {
        std::string text, expected;
    };
    const Case cases[] = {
        {msg::located("road.zdm", 12, "该行只有一个字段"), "road.zdm，第12行：该行只有一个字段"},
        {msg::located("road.zdm", 0, "文件不存在"), "road.zdm：文件不存在"},
        {msg::located("", 5, "文件不存在"), "文件不存在"},
        {msg::equalGradePointStakes(3, 4), "第3个变坡点与第4个变坡点桩号相同"},
        {msg::stakeDetail("K1\t", msg::EMPTY_STAKE), "桩号\"K1\\x09\"：桩号为空"},
        {msg::systemError(ENOENT), "没有该文件或文件夹"},
        {msg::tangentWithoutGradeChange(0.5, 2), "第2个变坡点给出切线长0.5 m，但该处纵坡没有变化"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, c.expected);
}

TEST(Failures, RequireFiniteRejectsNanAndInfinity) {
    EXPECT_EQ(requireFinite(2.5, "grade"), 2.5);
    EXPECT_THROW(requireFinite(std::numeric_limits<double>::quiet_NaN(), "grade"), DataError);
    EXPECT_THROW(requireFinite(-std::numeric_limits<double>::infinity(), "grade"), DataError);
}

// ---------------------------------------------------------- leading number

TEST(Angles, ReductionsAreBoundedForAnyFiniteAngle) {
    // π as the profile and alignment formulas form it.
    EXPECT_EQ(PI, 4.0 * std::atan(1.0));
    const struct {
        double start, end;  // rad
        double sweep;       // counter-clockwise, (0, 2π]
    } arcs[] = {
        {0, PI / 2, PI / 2},
        {PI / 2, 0, 1.5 * PI},
        {1.0, 1.0, FULL_TURN},            // equal ends: a whole circle
        {0, 3 * PI, PI},                  // beyond a turn: the direction counts
        {0, 1e20, angleInTurn(1e20)},     // returns at once (a loop of 2π steps would not)
        {-1e20, 0, angleInTurn(1e20)},
        {0, -1e20, angleInTurn(-1e20)},
        {0, HUGE_VAL, FULL_TURN},         // not finite: a whole circle
    };
    for (const auto& a : arcs) {
        const double sweep = counterClockwiseSweep(a.start, a.end);
        EXPECT_NEAR(sweep, a.sweep, 1e-12) << a.start << " → " << a.end;
        EXPECT_GT(sweep, 0.0);
        EXPECT_LE(sweep, FULL_TURN);
    }
    for (double a : {-1e20, -7.0, -0.0, 0.0, 1e-300, FULL_TURN, 1e20, -1e-17}) {
        const double r = angleInTurn(a);
        EXPECT_TRUE(r >= 0.0 && r < FULL_TURN) << a << " gives " << r;
    }
    EXPECT_NEAR(angleDifference(0.1, FULL_TURN - 0.1), -0.2, 1e-15);
    EXPECT_DOUBLE_EQ(degreesToRadians(HALF_TURN_DEGREES), PI);
    EXPECT_DOUBLE_EQ(radiansToDegrees(PI / 2), 90.0);
}

TEST(LeadingNumber, SpacesTabsAndLineFeedsAnywhereAreIgnored) {
    EXPECT_EQ(LeadingNumber(" 1 2\t3\n.5 "), 123.5);
    EXPECT_EQ(LeadingNumber("- 5"), -5.0);
    EXPECT_EQ(LeadingNumber("1 e 3"), 1000.0);
    // Only line feeds: a carriage return ends the number.
    EXPECT_EQ(LeadingNumber("1\r2"), 1.0);
}

TEST(LeadingNumber, ReadingStopsAtTheFirstCharacterThatDoesNotFit) {
    EXPECT_EQ(LeadingNumber("2350abc"), 2350.0);
    EXPECT_EQ(LeadingNumber("12.5.3"), 12.5);
    EXPECT_EQ(LeadingNumber("1,5"), 1.0);
    EXPECT_EQ(LeadingNumber("+7"), 7.0);
    EXPECT_EQ(LeadingNumber("1-2"), 1.0);
    EXPECT_EQ(LeadingNumber(std::string("12\0" "3", 4)), 12.0);
}

TEST(LeadingNumber, NoDigitGivesZero) {
    for (const char* text : {"", "abc", ".", "-", "+", "e5", ".e5", "--1", "K12+345", "\t\n"})
        EXPECT_EQ(LeadingNumber(text), 0.0) << text;
}

TEST(LeadingNumber, ExponentNeedsADigitAfterLetterAndSign) {
    EXPECT_EQ(LeadingNumber("1e"), 1.0);
    EXPECT_EQ(LeadingNumber("1e+"), 1.0);
    EXPECT_EQ(LeadingNumber("1E-x"), 1.0);
    EXPECT_EQ(LeadingNumber("1e5"), 1e5);
    EXPECT_EQ(LeadingNumber("2.5E-3"), 0.0025);
    EXPECT_EQ(LeadingNumber("1e+2e3"), 100.0);
}

TEST(LeadingNumber, OnlyAsciiDigitsCount) {
    EXPECT_EQ(LeadingNumber("１２"), 0.0);  // full-width digits
    EXPECT_EQ(LeadingNumber("1２"), 1.0);
}

TEST(LeadingNumber, ResultIsTheCorrectlyRoundedValue) {
    EXPECT_EQ(LeadingNumber("0.1"), 0.1);
    EXPECT_EQ(LeadingNumber("0.1000000000000000055511151231257827021181583404541015625"), 0.1);
    // Halfway between two doubles: ties go to even; a digit beyond decides.
    EXPECT_EQ(LeadingNumber("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(LeadingNumber("9007199254740993.000000000001"), 9007199254740994.0);
    EXPECT_EQ(LeadingNumber("2.4703282292062328e-324"), std::numeric_limits<double>::denorm_min());
}

TEST(LeadingNumber, BeyondTheDoubleRangeIsADataFailure) {
    EXPECT_THROW(LeadingNumber("1e309"), DataError);
    EXPECT_THROW(LeadingNumber("-1e400"), DataError);
    EXPECT_THROW(LeadingNumber("1" + std::string(400, '0')), DataError);
    EXPECT_THROW(LeadingNumber("1e99999999999999999999999"), DataError);
    // Too small for a double reads as zero of its sign.
    EXPECT_EQ(LeadingNumber("1e-400"), 0.0);
    EXPECT_TRUE(std::signbit(LeadingNumber("-1e-400")));
    EXPECT_EQ(LeadingNumber("0e99999"), 0.0);
    EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1e300"), 1e-101);
}

TEST(LeadingNumber, AgreesWithTheCLibraryOnRandomTexts) {
    // Reference: strtod in the "C" locale on the text without spaces, tabs and
    // line feeds (strtod reads the same grammar once hex and inf are left out).
    const std::string alphabet = "0123456789..eE+-- \t\nk";
    std::mt19937 random(2350);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (std::size_t i = random() % 12; i > 0; --i) text += alphabet[random() % alphabet.size()];
        std::string stripped;
        for (const char c : text)
            if (c != ' ' && c != '\t' && c != '\n') stripped += c;
        errno = 0;
        const double expected = std::strtod(stripped.c_str(), nullptr);
        if (errno == ERANGE && std::isinf(expected)) {
            EXPECT_THROW(LeadingNumber(text), DataError) << text;
        } else {
            EXPECT_EQ(LeadingNumber(text), expected) << '"' << text << '"';
        }
    }
}

// ----------------------------------------------------------- strict number

TEST(StrictNumber, PlainFormsPass) {
    EXPECT_EQ(parseStrictNumber("1."), 1.0);
    EXPECT_EQ(parseStrictNumber(".5"), 0.5);
    EXPECT_EQ(parseStrictNumber("-1"), -1.0);
    EXPECT_EQ(parseStrictNumber("+2.5e3"), 2500.0);
    EXPECT_EQ(parseStrictNumber("1E-2"), 0.01);
    EXPECT_EQ(parseStrictNumber("1.e2"), 100.0);
    EXPECT_EQ(parseStrictNumber("0"), 0.0);
}

TEST(StrictNumber, AnythingElseFails) {
    for (const char* text : {"", ".", "-", "inf", "nan", "infinity", "0x10", "1,5", "1e", "1e+", " 1", "1 ",
                             "2350m", "abc", "+-1", "1.2.3", "１", "1d5", ".e1", "e1", "1\t"})
        EXPECT_FALSE(parseStrictNumber(text).has_value()) << '"' << text << '"';
}

TEST(StrictNumber, BeyondTheDoubleRangeFails) {
    EXPECT_FALSE(parseStrictNumber("1e309").has_value());
    EXPECT_FALSE(parseStrictNumber("-" + std::string(310, '9')).has_value());
    EXPECT_EQ(parseStrictNumber("1e-400"), 0.0);
}

// ----------------------------------------------------------- short decimal

TEST(ShortDecimal, FixedFormWithoutZeroBeforeThePoint) {
    EXPECT_EQ(shortDecimal(4100), "4100");
    EXPECT_EQ(shortDecimal(2350.25), "2350.25");
    EXPECT_EQ(shortDecimal(0.5), ".5");
    EXPECT_EQ(shortDecimal(-0.5), "-.5");
    EXPECT_EQ(shortDecimal(0.0001), ".0001");
    EXPECT_EQ(shortDecimal(-0.0), "0");
    EXPECT_EQ(shortDecimal(0.1 + 0.2), ".3");
    EXPECT_EQ(shortDecimal(1.0 / 3.0), ".333333333333333");
    EXPECT_EQ(shortDecimal(-2.0 / 3.0), "-.666666666666667");
    EXPECT_EQ(shortDecimal(999999999999999.0), "999999999999999");
}

TEST(ShortDecimal, ExponentFormOutsideTheFixedRange) {
    EXPECT_EQ(shortDecimal(1e15), "1E+15");
    EXPECT_EQ(shortDecimal(1e-5), "1E-05");
    EXPECT_EQ(shortDecimal(1.5e20), "1.5E+20");
    EXPECT_EQ(shortDecimal(-1e-300), "-1E-300");
    EXPECT_EQ(shortDecimal(123456789012345678.0), "1.23456789012346E+17");
    // Rounding to 15 digits may carry into the next decade.
    EXPECT_EQ(shortDecimal(999999999999999.9), "1E+15");
    EXPECT_EQ(shortDecimal(0.0000999999999999999), "9.99999999999999E-05");
    EXPECT_EQ(shortDecimal(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324");
}

TEST(ShortDecimal, NonFiniteValuesAreWrittenNotFatal) {
    EXPECT_EQ(shortDecimal(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(shortDecimal(-std::numeric_limits<double>::infinity()), "-Inf");
}

// ----------------------------------------------------------- fixed formats

TEST(FormatFixed, RoundsTheExactBinaryValue) {
    EXPECT_EQ(formatFixed(134.5625, 4), "134.5625");
    EXPECT_EQ(formatFixed(1234.5678, 3), "1234.568");
    EXPECT_EQ(formatFixed(2320.0, 0), "2320");
    // 1.0005 is stored just below 1.0005; 0.0625 exactly halfway rounds to even.
    EXPECT_EQ(formatFixed(1.0005, 3), "1.000");
    EXPECT_EQ(formatFixed(1.0625, 3), "1.062");
    EXPECT_EQ(formatFixed(2.5, 0), "2");
    EXPECT_EQ(formatFixed(3.5, 0), "4");
    EXPECT_EQ(formatFixed(1e20, 3), "100000000000000000000.000");
}

TEST(FormatFixed, ValueRoundingToZeroHasNoMinus) {
    EXPECT_EQ(formatFixed(-0.0, 0), "0");
    EXPECT_EQ(formatFixed(-0.0004, 3), "0.000");
    EXPECT_EQ(formatFixed(-0.00004, 4), "0.0000");
    EXPECT_EQ(formatFixed(-0.4, 0), "0");
    EXPECT_EQ(formatFixed(-0.0006, 3), "-0.001");
}

TEST(FormatFixed, AgreesWithPrintfOnRandomValues) {
    std::mt19937_64 random(4180);
    std::uniform_real_distribution<double> metres(-1e6, 1e6);
    char expected[64];
    for (int round = 0; round < 20000; ++round) {
        // Values near millimetre halves probe the rounding of the binary value.
        const double v = round % 2 ? metres(random) : std::round(metres(random) * 2000.0) / 2000.0;
        for (const int decimals : {0, 3, 4}) {
            std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
            std::string want = expected;
            if (want.front() == '-' && want.find_first_not_of("0.", 1) == std::string::npos) want.erase(0, 1);
            EXPECT_EQ(formatFixed(v, decimals), want) << v;
        }
    }
}

TEST(FormatFixed, ShortestTextReadsBack) {
    EXPECT_EQ(shortestText(0.1), "0.1");
    EXPECT_EQ(shortestText(2370.25), "2370.25");
    const double x = 1.0 / 7.0;
    EXPECT_EQ(parseStrictNumber(shortestText(x)), x);
}

TEST(KilometreStake, DrawingNotation) {
    EXPECT_EQ(formatKilometreStake(12345.678), "K12+345.678");
    EXPECT_EQ(formatKilometreStake(5.5), "K0+005.500");
    EXPECT_EQ(formatKilometreStake(0.0), "K0+000.000");
    EXPECT_EQ(formatKilometreStake(1000.0), "K1+000.000");
    EXPECT_EQ(formatKilometreStake(123456789.5), "K123456+789.500");
}

TEST(KilometreStake, RoundsToTheMillimetreBeforeSplitting) {
    EXPECT_EQ(formatKilometreStake(999.9996), "K1+000.000");
    EXPECT_EQ(formatKilometreStake(1999.9994), "K1+999.999");
}

TEST(KilometreStake, NegativeAndNonFiniteValues) {
    EXPECT_EQ(formatKilometreStake(-5.5), "-K0+005.500");
    EXPECT_EQ(formatKilometreStake(-1234.5), "-K1+234.500");
    EXPECT_EQ(formatKilometreStake(-0.0001), "K0+000.000");
    EXPECT_EQ(formatKilometreStake(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(formatKilometreStake(std::numeric_limits<double>::infinity()), "inf");
}

// Numbers are read and written with "." whatever the locale says.
TEST(Locale, NumbersKeepThePointUnderACommaLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE"}) {
        if (std::setlocale(LC_ALL, name) && std::string(std::localeconv()->decimal_point) == ",") {
            found = name;
            break;
        }
    }
    if (!found) {
        std::setlocale(LC_ALL, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed (tried de_DE, fr_FR, ru_RU)";
    }
    std::locale::global(std::locale(found));
    EXPECT_EQ(LeadingNumber("2370.25"), 2370.25);
    EXPECT_EQ(parseStrictNumber("1.5"), 1.5);
    EXPECT_FALSE(parseStrictNumber("1,5").has_value());
    EXPECT_EQ(formatFixed(134.5625, 4), "134.5625");
    EXPECT_EQ(shortDecimal(2350.25), "2350.25");
    EXPECT_EQ(shortDecimal(1.5e20), "1.5E+20");
    EXPECT_EQ(shortestText(0.25), "0.25");
    EXPECT_EQ(formatKilometreStake(5.5), "K0+005.500");
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, saved.c_str());
}

// --------------------------------------------------------------- data lines

TEST(DataLine, BlanksAreSpacesOnly) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(trimBlanks("   "), "");
}

TEST(DataLine, TabsAndSpaceRunsBecomeOneSeparator) {
    EXPECT_EQ(prepareDataLine("  1000\t  100 \t\t 5000  "), "1000 100 5000");
    EXPECT_EQ(prepareDataLine("\t2350\t2300\t"), "2350 2300");
    EXPECT_EQ(prepareDataLine(" \t \t "), "");
    EXPECT_EQ(prepareDataLine("桩号  一"), "桩号 一");
}

TEST(DataLine, EveryRunOfTwoTo200SpacesEndsAsOne) {
    for (std::size_t run = 1; run <= 200; ++run) {
        const std::string line = "a" + std::string(run, ' ') + "b" + std::string(run, ' ') + "c";
        EXPECT_EQ(prepareDataLine(line), "a b c") << run << " spaces";
        EXPECT_EQ(prepareIcdLine(line), "a b c") << run << " spaces";
    }
}

// The preparation as it reads, step by step: for k = 50 down to 2, trim,
// replace every run of k spaces (left to right) by one space, trim.
std::string literalCollapse(std::string line) {
    const auto trim = [](const std::string& t) {
        const std::size_t a = t.find_first_not_of(' ');
        return a == std::string::npos ? std::string() : t.substr(a, t.find_last_not_of(' ') - a + 1);
    };
    for (std::size_t k = 50; k >= 2; --k) {
        line = trim(line);
        const std::string run(k, ' ');
        std::string out;
        std::size_t from = 0;
        for (std::size_t at = line.find(run); at != std::string::npos; at = line.find(run, from)) {
            out += line.substr(from, at - from) + " ";
            from = at + k;
        }
        line = trim(out + line.substr(from));
    }
    return line;
}

TEST(DataLine, SkippedStepsGiveTheLiteralResult) {
    // Lines of words and space runs of every length up to 300, against the
    // step-by-step preparation (skipping steps that cannot match is safe).
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> longRun(0, 300);
    std::uniform_int_distribution<std::size_t> shortRun(0, 3);
    std::uniform_int_distribution<int> pieces(1, 8);
    for (int trial = 0; trial < 2000; ++trial) {
        auto& run = trial % 3 == 0 ? shortRun : longRun;
        std::string line;
        for (int p = pieces(random); p > 0; --p) line += std::string(run(random), ' ') + "x1";
        line += std::string(run(random), ' ');
        ASSERT_EQ(prepareIcdLine(line), literalCollapse(line)) << '"' << line << '"';
        ASSERT_EQ(prepareDataLine(line), literalCollapse(line)) << '"' << line << '"';
    }
}

TEST(DataLine, IcdLinesTurnCommasIntoSpacesAndKeepTabs) {
    EXPECT_EQ(prepareIcdLine("1,100"), "1 100");
    EXPECT_EQ(prepareIcdLine("  1 ,  100 "), "1 100");
    EXPECT_EQ(prepareIcdLine("3000000.000,500000.000,0.7853981634"), "3000000.000 500000.000 0.7853981634");
    EXPECT_EQ(prepareIcdLine("1\t100"), "1\t100");
    EXPECT_EQ(prepareIcdLine(",,"), "");
}

TEST(DataLine, SkippedIcdLines) {
    EXPECT_TRUE(isSkippedIcdLine(""));
    EXPECT_TRUE(isSkippedIcdLine(";; straight, spiral"));
    EXPECT_FALSE(isSkippedIcdLine("; one semicolon"));
    EXPECT_FALSE(isSkippedIcdLine("1 100"));
}

TEST(DataLine, SplitAtSingleSpaces) {
    EXPECT_EQ(splitFields("1250 134.562 8000"), (Lines{"1250", "134.562", "8000"}));
    EXPECT_EQ(splitFields("a  b"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitFields(""), (Lines{""}));
    EXPECT_EQ(splitFields("a\tb"), (Lines{"a\tb"}));
}

// ------------------------------------------------------------------ encodings

TEST(Encoding, ValidUtf8IsKept) {
    EXPECT_EQ(decodeText("桩号 2350"), "桩号 2350");
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" "2350 2300"), "2350 2300");  // BOM dropped
    EXPECT_EQ(decodeText("a\xEF\xBB\xBF"), "a\xEF\xBB\xBF");          // only a leading one
    EXPECT_EQ(decodeText(std::string("1\0 2", 4)), std::string("1\0 2", 4));
}

TEST(Encoding, OtherBytesAreReadAsGb18030) {
    EXPECT_EQ(decodeText("\xD7\xAE\xBA\xC5 2350"), "桩号 2350");
    EXPECT_EQ(decodeText("\xB6\xCF\xC1\xB4"), "断链");
    EXPECT_EQ(decodeText("\x95\x32\x82\x36"), "\xF0\xA0\x80\x80");  // four-byte form, U+20000
    EXPECT_EQ(decodeText(std::string("\xD7\xAE\0\xBA\xC5", 5)), std::string("桩\0号", 7));
}

TEST(Encoding, UndecodableBytesBecomeReplacementCharacters) {
    EXPECT_EQ(decodeText("A\xFF" "B"), "A\xEF\xBF\xBD" "B");
    EXPECT_EQ(decodeText("\xD7\xAE\x81\x30"), "桩\xEF\xBF\xBD" "0");  // four-byte form cut short
    EXPECT_EQ(decodeText("\xD7"), "\xEF\xBF\xBD");
    // Surrogates and overlong forms are not UTF-8: the text goes to GB18030.
    EXPECT_NE(decodeText("\xED\xA0\x80"), "\xED\xA0\x80");
    EXPECT_NE(decodeText("\xC0\xAF"), "\xC0\xAF");
}

TEST(Encoding, EveryByteSequenceDecodesToValidUtf8) {
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 40, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        const std::string text = decodeText(bytes);
        EXPECT_EQ(decodeText(text), text);  // valid UTF-8 comes back as it is
    }
}

TEST(Encoding, LineEnds) {
    EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\n"), (Lines{"a"}));
    EXPECT_EQ(splitLines("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(splitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("\r\r\n"), (Lines{"", ""}));
    EXPECT_EQ(splitLines(""), Lines{});
}

TEST(Encoding, CodePointsNotBytes) {
    EXPECT_EQ(codePointCount("桩号ab"), 4u);
    EXPECT_EQ(codePointCount(""), 0u);
}

// ------------------------------------------------------------------ text files

TEST_F(TextFileTest, ReadsGb18030WithCrLfLines) {
    const std::string p = put("road.dl", "2350 2300 \xB6\xCF\xC1\xB4\r\n4100 4180\r\n");
    EXPECT_EQ(readTextLines(p), (Lines{"2350 2300 断链", "4100 4180"}));
}

TEST_F(TextFileTest, ReadsBomAndCrOnlyLines) {
    const std::string p = put("road.zdm", "\xEF\xBB\xBF" "1000 100\r2000 110");
    EXPECT_EQ(readTextLines(p), (Lines{"1000 100", "2000 110"}));
    EXPECT_EQ(readTextLines(put("empty.txt", "")), Lines{});
}

TEST_F(TextFileTest, EmptyPathIsACancelledDialog) {
    EXPECT_THROW(readTextLines(""), FileAccessError);
    EXPECT_THROW(writeFileAtomically("", "x"), FileAccessError);
}

TEST_F(TextFileTest, MissingFileOrFolderIsADataFailureAtThePath) {
    const std::string missing = path("none.dl");
    try {
        readTextLines(missing);
        FAIL() << "no failure";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), missing);
        EXPECT_STREQ(e.what(), FORMAT_TEXT);
    }
    EXPECT_THROW(readFileBytes(dir_.folder()), DataError);
}

TEST_F(TextFileTest, UnreadableFileIsADataFailure) {
    const std::string p = put("locked.dl", "2350 2300\n");
    fs::permissions(p, fs::perms::none);
    if (std::FILE* f = std::fopen(p.c_str(), "rb")) {
        std::fclose(f);
        GTEST_SKIP() << "this account reads files whatever their permissions";
    }
    EXPECT_THROW(readTextLines(p), DataError);
}

TEST_F(TextFileTest, AtomicWriteReplacesAndLeavesNoTemporary) {
    const std::string p = path("result.txt");
    writeFileAtomically(p, "first\r\n");
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeFileAtomically(p, "桩号\r\n");
    EXPECT_EQ(readFileBytes(p), "桩号\r\n");
    EXPECT_EQ(names(), Lines{"result.txt"});
    EXPECT_EQ(fs::status(p).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TextFileTest, FailedWriteKeepsWhatWasThere) {
    fs::create_directory(dir_.path() / "folder");
    EXPECT_THROW(writeFileAtomically(path("folder"), "x"), DataError);
    EXPECT_TRUE(fs::is_directory(dir_.path() / "folder"));
    EXPECT_THROW(writeFileAtomically(path("no/such/place.txt"), "x"), DataError);
    EXPECT_EQ(names(), Lines{"folder"});
}

TEST_F(TextFileTest, WriteThroughALinkReplacesItsTarget) {
    const std::string target = put("gradix.ini", "0\r\n");
    fs::create_symlink(target, dir_.path() / "link.ini");
    writeFileAtomically(path("link.ini"), "15\r\n");
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "link.ini"));
    EXPECT_EQ(readFileBytes(target), "15\r\n");
}

// ------------------------------------------------------------------ the toolkit

// One rule for malformed UTF-8 everywhere: a byte that does not start a
// well-formed sequence is a character of its own, read as U+FFFD.
TEST(Utf8, MalformedBytesAreOneCharacterEach) {
    struct Case {
        std::string bytes;
        Lines characters;
        std::string valid;  // toValidUtf8
    };
    const std::string R = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"a桩\xF0\xA0\x80\x80", {"a", "桩", "\xF0\xA0\x80\x80"}, "a桩\xF0\xA0\x80\x80"},
        {"a\x80" "b", {"a", "\x80", "b"}, "a" + R + "b"},               // stray continuation byte
        {"\xE6\xA1", {"\xE6", "\xA1"}, R + R},                          // cut short
        {"\xE6\xA1" "2", {"\xE6", "\xA1", "2"}, R + R + "2"},          // cut short by ASCII
        {"\xC0\xAF", {"\xC0", "\xAF"}, R + R},                          // overlong "/"
        {"\xED\xA0\x80", {"\xED", "\xA0", "\x80"}, R + R + R},         // surrogate
        {"\xF4\x90\x80\x80", {"\xF4", "\x90", "\x80", "\x80"}, R + R + R + R},  // beyond U+10FFFF
        {"\xFF\xFE", {"\xFF", "\xFE"}, R + R},
        {"", {}, ""},
    };
    for (const Case& c : cases) {
        Lines split;
        for (const std::string_view ch : utf8Characters(c.bytes)) split.emplace_back(ch);
        EXPECT_EQ(split, c.characters) << c.bytes;
        EXPECT_EQ(codePointCount(c.bytes), c.characters.size()) << c.bytes;
        EXPECT_EQ(toValidUtf8(c.bytes), c.valid) << c.bytes;
        EXPECT_EQ(isValidUtf8(c.bytes), c.bytes == c.valid) << c.bytes;
        EXPECT_EQ(decodeCodePage(c.bytes, CHARSET_UTF8), c.valid) << c.bytes;
        // Each character decodes to the code point that encodes back to it.
        for (std::size_t i = 0; i < c.bytes.size();) {
            const Utf8Character ch = decodeUtf8At(c.bytes, i);
            std::string again;
            appendUtf8(again, ch.codePoint);
            EXPECT_EQ(again, ch.wellFormed ? c.bytes.substr(i, ch.length) : R) << c.bytes << " at " << i;
            i += ch.length;
        }
    }
}

// A quoted field is one line of valid text of at most 40 characters.
TEST(Failures, QuotedFieldsAreShortAndPrintable) {
    struct Case {
        std::string field;
        std::string quoted;
    };
    const std::string forty(QUOTED_CHARACTERS, '7');
    const std::string chinese40 = [] {
        std::string s;
        for (std::size_t i = 0; i < QUOTED_CHARACTERS; ++i) s += "桩";
        return s;
    }();
    const Case cases[] = {
        {"2350x", "\"2350x\""},
        {"", "\"\""},
        {forty, "\"" + forty + "\""},
        {forty + "7", "\"" + forty + "…\""},
        {chinese40 + "号", "\"" + chinese40 + "…\""},
        {std::string("1\0" "2", 3), "\"1\\x002\""},
        {"\xFF\xB6\xCF", "\"\\xFF\\xB6\\xCF\""},  // not UTF-8: every byte escaped
        {"a\tb\r\x7F", "\"a\\x09b\\x0D\\x7F\""},
        {"C:\\road", "\"C:\\\\road\""},
        {std::string(1 << 20, '\0'), "\"" + [] {
             std::string s;
             for (std::size_t i = 0; i < QUOTED_CHARACTERS; ++i) s += "\\x00";
             return s;
         }() + "…\""},
    };
    for (const Case& c : cases) EXPECT_EQ(quotedField(c.field), c.quoted) << c.quoted;
    // A number of a million digits is quoted, not written out.
    try {
        LeadingNumber("1" + std::string(1 << 20, '0'));
        FAIL() << "no failure";
    } catch (const DataError& e) {
        EXPECT_EQ(e.reason(), msg::numberBeyondDouble("1" + std::string(QUOTED_CHARACTERS, '0')));
    }
}

// Line by line, the reader gives what decoding and splitting the whole file
// gives, also where a chunk of the reading cuts a line end or a character.
TEST_F(TextFileTest, LineReaderGivesTheLinesOfTheWholeFile) {
    const std::size_t chunk = std::size_t{1} << 16;  // the reader's chunk
    const std::string cutAtChunk(chunk - 1, 'x');
    const std::string files[] = {
        "", "a", "a\r\nb\nc\rd", "a\n\n", "\r\r\n", "\xEF\xBB\xBF" "1000 100\r2000 110",
        "2350 2300 \xB6\xCF\xC1\xB4\r\n4100 4180\r\n",
        cutAtChunk + "\r\nnext",                    // CR LF across two chunks
        cutAtChunk + "\rnext",                       // a lone CR at a chunk's end
        cutAtChunk + "桩\n",                          // UTF-8 across two chunks
        "桩号 1\n" + cutAtChunk + "x\xB6\xCF\n",    // UTF-8 first, a GB18030 byte in the next chunk
        std::string("1\0 2\n\xD7", 6),
    };
    int n = 0;
    for (const std::string& bytes : files) {
        const std::string p = put("file" + std::to_string(n++), bytes);
        TextLineReader reader(p);
        Lines lines;
        for (std::string line; reader.next(line);) lines.push_back(line);
        EXPECT_EQ(lines, splitLines(decodeText(bytes))) << bytes.substr(0, 20);
        EXPECT_EQ(reader.lineNumber(), static_cast<long>(lines.size()));
        EXPECT_EQ(readTextLines(p), lines);
    }
}

// A line longer than any data line ends the reading at that line, without
// reading the rest of the file.
TEST_F(TextFileTest, LineReaderRefusesAnOverlongLine) {
    const std::string p = put("garbage.zdm", "0 100\n" + std::string(MAX_LINE_BYTES + 1, '\xFF') + "\n1 2\n");
    TextLineReader reader(p);
    std::string line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "0 100");
    try {
        reader.next(line);
        FAIL() << "no failure";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), p);
        EXPECT_EQ(e.line(), 2);
    }
    // Exactly the longest line is still read.
    const std::string longest = put("long.zdm", std::string(MAX_LINE_BYTES, '1') + "\n");
    EXPECT_EQ(readTextLines(longest).at(0).size(), MAX_LINE_BYTES);
}

// The temporary name does not grow with the target's: a name of 252 bytes
// (84 Chinese characters), which the system takes, is written.
TEST_F(TextFileTest, AtomicWriteTakesTheLongestNames) {
    std::string name;
    for (int i = 0; i < 84; ++i) name += "桩";
    writeFileAtomically(path(name), "1\r\n");
    EXPECT_EQ(readFileBytes(path(name)), "1\r\n");
    EXPECT_EQ(names(), Lines{name});
}

// A write removes the temporaries that no running writer holds.
TEST_F(TextFileTest, AtomicWriteRemovesStaleTemporaries) {
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const auto temporary = [](pid_t pid) {
        char name[64];
        std::snprintf(name, sizeof name, ".gradix-%llx-00000000000000ab.tmp", static_cast<unsigned long long>(pid));
        return std::string(name);
    };
    struct Case {
        std::string name;
        bool kept;
    };
    const Case cases[] = {
        {temporary(ended), false},     // its writer has ended
        {temporary(getpid()), false},  // this process's, but no write of it has it open
        {temporary(getppid()), true},  // a running writer's
        {"notes.gradix-1-ab.tmp", true},
        {".gradix-zz-ab.tmp", true},
    };
    for (const Case& c : cases) put(c.name, "half a file");
    writeFileAtomically(path("result.txt"), "x");
    for (const Case& c : cases) EXPECT_EQ(fs::exists(dir_.path() / c.name), c.kept) << c.name;
}

// SIGTERM and SIGINT remove the temporary files being written, then end the
// process as the signal would have.
TEST_F(TextFileTest, SignalsRemoveTheTemporariesBeingWritten) {
    for (const int signal : {SIGTERM, SIGINT}) {
        const std::string temporary = put(".gradix-1-" + std::to_string(signal) + ".tmp", "half");
        const std::string other = put("kept.txt", "whole");
        const pid_t child = fork();
        if (child == 0) {
            const detail::TemporaryRegistration registration(temporary);
            raise(signal);
            _exit(1);  // not reached when the signal ends the process
        }
        ASSERT_GT(child, 0);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_FALSE(fs::exists(temporary)) << signal;
        EXPECT_TRUE(fs::exists(other)) << signal;
        EXPECT_FALSE(detail::isRegisteredTemporary(temporary));  // the child's table, not this one's
    }
}

// ------------------------------------------------------------ angles as text

TEST(AngleText, DegreesMinutesSecondsToATenthOfASecond) {
    const double SECOND = PI / 648000.0;  // one second of arc (rad)
    const struct {
        double radians;
        const char* text;
    } cases[] = {
        {1.1185235494592938e-05, "2.3″"},  // a joint of an exported alignment
        {0.0, "0.0″"},
        {59.96 * SECOND, "1′00.0″"},  // rounds up into the next minute
        {(61 + 0.94) * SECOND, "1′01.9″"},
        {0.5, "28°38′52.4″"},
        {(3600 + 5.05) * SECOND, "1°00′05.1″"},
        {-2.0 * SECOND, "-2.0″"},
        {-0.01 * SECOND, "0.0″"},  // rounds to zero: no minus
    };
    for (const auto& c : cases) EXPECT_EQ(formatAngleDms(c.radians), c.text) << c.radians;
    EXPECT_EQ(formatAngleDms(std::nan("")), "nan");
}

// ----------------------------------------------------------- ASCII toolkit

TEST(Ascii, CaseFreeComparisonsLeaveOtherBytesAlone) {
    EXPECT_TRUE(equalsIgnoringCase("INF", "inf"));
    EXPECT_FALSE(equalsIgnoringCase("INF", "INFINITY"));
    EXPECT_FALSE(equalsIgnoringCase("\xC3\xA9", "\xC3\x89"));  // é and É differ beyond ASCII
    EXPECT_TRUE(endsWithIgnoringCase("road.XML", ".xml"));
    EXPECT_FALSE(endsWithIgnoringCase("xml", ".xml"));
    EXPECT_EQ(trimWhiteSpace("\r\n\t 12.5 \v\f"), "12.5");
}

// -------------------------------------------------------------- file kinds

// Only what is certainly another kind is named: a profile and a chain-break
// file differ only by their names.
TEST_F(TextFileTest, FileKindsAreToldOnlyWhenCertain) {
    const std::optional<DataFileKind> NONE;
    const struct {
        const char* name;
        std::string bytes;
        std::optional<DataFileKind> kind;
    } cases[] = {
        {"a.txt", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- by hand -->\n<LandXML version=\"1.2\">", DataFileKind::LandXml},
        {"a.icd", "<lx:LandXML xmlns:lx=\"urn:x\"/>", DataFileKind::LandXml},
        {"a.xml", std::string("\xFF\xFE<\0L\0a\0n\0d\0X\0M\0L\0>\0", 20), DataFileKind::LandXml},
        {"a.xml", "<?xml version=\"1.0\"?>\n<Road/>\n", NONE},  // XML, but no LandXML
        {"a.zdm", "  0\r\nSECTION\r\n  2\r\nHEADER\r\n", DataFileKind::DxfDrawing},
        {"a.zdm", "999\ndxfrw 0.6\n0\nSECTION\n", DataFileKind::DxfDrawing},
        {"a.dat", "AutoCAD Binary DXF\r\n\x1a", DataFileKind::DxfDrawing},
        {"a.zdm", "0\n3345678.123,512345.678,0.6\n;; note\n1,400\n", DataFileKind::IcdAlignment},
        {"a.txt", "0 100 200 0.6\n1 400\n", NONE},  // no comma, no ";;": not certainly an ICD file
        {"a.dl", "1000 990\n2000 1990\n3,000 2990\n", NONE},  // a comma slipped into a record line
        {"a.zdm", "0 100.000\n600 112 8000 ;变坡点1\nB2700 108.4 -80\nK3+400 117.5\n\n9 9 9 9\n", DataFileKind::Profile},
        {"a.SQX", "0 100\n1000 110\n", DataFileKind::Profile},
        {"a.txt", "0 100\n600 112 8000\n", NONE},
        {"a.zdm", "0 100\n600 112m 8000\n", NONE},  // an elevation that is no number: not certain
        {"a.dl", "2350 2300 长链50\n4100 4180\n", DataFileKind::ChainBreaks},
        {"a.dl", "B2350 2300\n", NONE},
        {"a.zdm", "", NONE},
    };
    for (const auto& c : cases) EXPECT_EQ(certainKindOf(put(c.name, c.bytes)), c.kind) << c.name << ": " << c.bytes;
    EXPECT_EQ(certainKindOf(path("missing.zdm")), NONE);

    const std::string xml = put("road.zdm", "<LandXML/>");
    EXPECT_NO_THROW(refuseOtherKind(xml, DataFileKind::LandXml));
    try {
        refuseOtherKind(xml, DataFileKind::Profile);
        ADD_FAILURE() << "a LandXML file was taken for a profile";
    } catch (const DataError& e) {
        EXPECT_EQ(e.detail(), msg::located(xml, 0, msg::IS_LANDXML_FILE));
    }
}
