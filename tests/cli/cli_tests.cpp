// gradix-cli end to end: the built program run as a road engineer runs it,
// comparing whole outputs, result-file bytes, exit codes and the first lines
// of stderr.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/registry.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/worked_examples.h"
#include "text/messages.h"

namespace msg = gradix::msg;

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;

    std::string errLine(std::size_t n) const {
        std::istringstream s(err);
        std::string line;
        for (std::size_t i = 0; i <= n && std::getline(s, line); ++i)
            if (i == n) return line;
        return "";
    }
};

using gradix::testing::CREST_PROFILE;
using gradix::testing::example;
using gradix::testing::readBytes;

std::string shellQuote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class Cli : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) { return dir_.write(name, bytes); }
    std::string path(const std::string& name) const { return dir_.file(name); }

    CliRun run(const std::vector<std::string>& args) {
        std::string command = shellQuote(GRADIX_CLI_PATH);
        for (const std::string& a : args) command += ' ' + shellQuote(a);
        const fs::path out = dir_.path() / "stdout", err = dir_.path() / "stderr";
        command += " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out), readBytes(err)};
    }

    gradix::testing::TempFolder dir_{"cli"};
};

TEST_F(Cli, ChainageQualifiesAndConvertsStakes) {
    const std::string breaks = write("b.dl", gradix::testing::ROAD_BREAKS_FILE);
    const CliRun r = run({"chainage", "--breaks", breaks, "2200", " 2400", "B2320", "A2320", "C4180"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // C4180, the ahead side of the jump, is the same place as B4100.
    EXPECT_EQ(r.out, "AK2+200.000\t2200\nBK2+400.000\t2450\nBK2+320.000\t2370\nAK2+320.000\t2320\nBK4+100.000\t4150\n");
}

TEST_F(Cli, ChainageStopsAtTheFirstRefusalAfterTheLinesPrinted) {
    const std::string breaks = write("b.dl", gradix::testing::ROAD_BREAKS_FILE);
    CliRun r = run({"chainage", "--breaks", breaks, "2200", "4150", "2400"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "AK2+200.000\t2200\n");
    EXPECT_EQ(r.errLine(0), "桩号4150不应存在4100和4180之间，请修改！");
    EXPECT_NE(r.errLine(1), "");

    r = run({"chainage", "--breaks", breaks, "2320"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errLine(0), "程序不能判断桩号2320所属的断链区间，需添加断链标识A、B、C...");
}

TEST_F(Cli, StakeWritesQualifiedStakeTexts) {
    const std::string breaks = write("b.dl", "2350 2300\n");
    CliRun r = run({"stake", "--breaks", breaks, "2370", "2350", "2370.25", "100"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "BK2+320.000\nAK2+350.000\nBK2+320.250\nAK0+100.000\n");
    r = run({"stake", "1234", "1234.5678"});
    EXPECT_EQ(r.out, "K1+234.000\nK1+234.568\n");
}

TEST_F(Cli, ComputeSingleStakesPrintTheClipboardText) {
    const std::string profile = write("p.zdm", CREST_PROFILE);
    CliRun r = run({"compute", "--profile", profile, "180", "200", "400"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "180\t103.5000\t1.0000\n200\t103.6000\t0.0000\n400\t100.0000\t-2.0000\n");

    r = run({"compute", "--profile", profile, "--format", "tsv", "100", "400"});
    EXPECT_EQ(r.out, "K0+100.000\t100\t102\t0.02\nK0+400.000\t400\t100\t-0.02\n");
}

TEST_F(Cli, ComputeSingleStakeOutsideTheProfileIsRefused) {
    const std::string profile = write("p.zdm", CREST_PROFILE);
    const CliRun r = run({"compute", "--profile", profile, "100", " 400.5 "});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "100\t102.0000\t2.0000\n");
    EXPECT_EQ(r.errLine(0), "桩号400.5超出纵断面数据文件，请修改！");
}

TEST_F(Cli, ComputeStakeFileWritesTheResultFileLayout) {
    const std::string profile = write("p.zdm", CREST_PROFILE);
    const std::string stakes = write("s.txt", "180\n-100 start\n450\n\n300\n");
    const std::string exact = write("exact.txt", "-100 start\n450\n");
    const std::string expected =
        "180           103.5000       1.0000\r\n"
        "-100 start    98.0000        2.0000\r\n"
        "450           99.0000        -2.0000\r\n";
    CliRun r = run({"compute", "--profile", profile, "--stakes", stakes});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);

    write("out.txt", "an older result file that is replaced\r\n");
    r = run({"compute", "--profile", profile, "--stakes", stakes, "--out", path("out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(path("out.txt")), expected);

    r = run({"compute", "--profile", profile, "--stakes", exact, "--format", "tsv", "--out", path("o.tsv")});
    EXPECT_EQ(readBytes(path("o.tsv")), "-K0+100.000\t-100\t98\t0.02\nK0+450.000\t450\t99\t-0.02\n");
}

TEST_F(Cli, ComputeStakeFileWithARefusedStakeWritesNothing) {
    const std::string breaks = write("b.dl", "2350 2300\n");
    const std::string profile = write("p.zdm", "0 100\nB3000 110\n");
    const std::string stakes = write("s.txt", "100\n200\n2320\n");
    const CliRun r = run({"compute", "--breaks", breaks, "--profile", profile, "--stakes", stakes, "--out",
                       path("out.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errLine(0), "程序不能判断桩号2320所属的断链区间，需添加断链标识A、B、C...");
    EXPECT_EQ(r.errLine(1), msg::located(stakes, 3, msg::stakeDetail("2320", msg::stakeOccursTwice(1)))) << r.err;
    EXPECT_FALSE(fs::exists(path("out.txt")));
}

TEST_F(Cli, FileFailuresExitTwoWithTheFixedTextAndTheDetail) {
    const std::string profile = write("p.zdm", "0 100\n200 104\n300\n");
    CliRun r = run({"compute", "--profile", profile, "100"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(0), "数据文件格式有误！");
    EXPECT_EQ(r.errLine(1), msg::located(profile, 3, msg::SINGLE_FIELD_LINE));

    r = run({"compute", "--profile", path("missing.zdm"), "100"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(0), "数据文件格式有误！");

    r = run({"compute", "--profile", "", "100"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(0), "读取文件被取消！");

    const std::string good = write("good.zdm", CREST_PROFILE);
    const std::string stakes = write("s.txt", "100\n");
    r = run({"compute", "--profile", good, "--stakes", stakes, "--out", path("no/such/folder/out.txt")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(0), "数据文件格式有误！");
    r = run({"compute", "--profile", good, "--stakes", stakes, "--out", ""});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(0), "读取文件被取消！");
}

TEST_F(Cli, UsageErrorsExitSixtyFour) {
    EXPECT_EQ(run({}).exitCode, 64);
    EXPECT_EQ(run({"frobnicate"}).exitCode, 64);
    EXPECT_EQ(run({"chainage", "--bogus", "x", "1"}).exitCode, 64);
    EXPECT_EQ(run({"chainage", "--breaks"}).exitCode, 64);
    EXPECT_EQ(run({"compute", "100"}).exitCode, 64);
    EXPECT_EQ(run({"stake", "abc"}).exitCode, 64);
    const std::string icd = write("l.icd", "0\n0,0,0\n1,100\n");
    EXPECT_EQ(run({"coords", "--icd", icd, "--from", "10", "--to", "0", "--every", "1"}).exitCode, 64);
    EXPECT_EQ(run({"coords", "--icd", icd, "--from", "0", "--to", "10", "--every", "0"}).exitCode, 64);
    const CliRun r = run({"coords", "--icd", icd, "--from", "0", "--to", "10"});
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_NE(r.err.find("用法：gradix-cli coords"), std::string::npos);
}

TEST_F(Cli, HelpAndVersion) {
    CliRun r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("用法：gradix-cli 命令"), std::string::npos);
    for (const char* command : {"chainage", "stake", "compute", "coords", "elements", "profile", "locate"}) {
        r = run({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("用法：gradix-cli ") + command, 0), 0u) << command;
    }
    r = run({"--version"});
    EXPECT_EQ(r.out, "gradix-cli 2.5.0\n");
}

TEST_F(Cli, CoordsTableIncludesBothEnds) {
    // A straight northward from (0, 0): every point is exact.
    const std::string icd = write("l.icd", "100\n0,0,0\n1,100\n");
    const CliRun r = run({"coords", "--icd", icd, "--from", "110", "--to", "140", "--every", "12.5"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "110\t10\t0\t0\n122.5\t22.5\t0\t0\n135\t35\t0\t0\n140\t40\t0\t0\n");
}

TEST_F(Cli, ElementsListTheChainAndItsEnd) {
    const std::string icd = write("l.icd", "100\n0,0,0\n1,100\n1,50\n");
    const CliRun r = run({"elements", "--icd", icd});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "1\tline\t100\t0\t0\t0\t9999\t9999\t100\n"
              "2\tline\t200\t100\t0\t0\t9999\t9999\t50\n"
              "end\t\t250\t150\t0\t0\n");
}

TEST_F(Cli, ElementsNameEveryKind) {
    const CliRun r = run({"elements", "--icd", example("road.icd")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> kinds;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
        kinds.push_back(line.substr(a + 1, b - a - 1));
    }
    ASSERT_EQ(kinds.size(), 16u);
    EXPECT_EQ(kinds[0], "line");
    EXPECT_EQ(kinds[1], "entering-spiral");
    EXPECT_EQ(kinds[2], "arc");
    EXPECT_EQ(kinds[3], "exit-spiral");
    EXPECT_EQ(kinds[7], "partial-spiral");
    EXPECT_EQ(kinds[15], "");
}

TEST_F(Cli, ProfilePrintsThePreparedGradePoints) {
    const std::string profile = write("p.zdm", CREST_PROFILE);
    const CliRun r = run({"profile", "--profile", profile});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "1\t0\t100\t0\t0.02\t0\t0\t0\n"
              "2\t200\t104\t2000\t-0.02\t-0.04\t40\t240\n"
              "3\t400\t100\t0\t0\t0\t0\t400\n");
}

TEST_F(Cli, LocateFindsTheFootAndTheSide) {
    const std::string icd = write("l.icd", "0\n0,0,0\n1,100\n");
    const CliRun r = run({"locate", "--icd", icd, "30,5", "30,-5", "30.25,7"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Near the foot the distance is flat to double precision, so the search
    // ends within about 1e-7 m of it; 1e-6 m is far below any survey.
    const double expected[3][4] = {{30, 5, 30, 0}, {30, -5, 30, 0}, {30.25, 7, 30.25, 0}};  // east of a road to the north is right
    std::istringstream lines(r.out);
    for (const auto& row : expected) {
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream fields(line);
        for (double want : row) {
            double got = 0;
            ASSERT_TRUE(fields >> got) << line;
            EXPECT_NEAR(got, want, 1e-6) << line;
        }
    }
}

TEST_F(Cli, ExampleProjectComputesInBothModes) {
    CliRun r = run({"compute", "--breaks", example("road.dl"), "--profile", example("road.zdm"), "--stakes",
                 example("stakes.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Worked out independently of Gradix from the profile formulas.
    EXPECT_EQ(r.out,
        "0             100.0000       2.0000\r\n"
        "150           103.0000       2.0000\r\n"
        "500           109.9750       1.7500\r\n"
        "1250.5        106.8828       0.5208\r\n"
        "A2320         112.5280       -0.9600\r\n"
        "B2320         112.0480       -0.9600\r\n"
        "2800          109.7084       1.1700\r\n"
        "3500.25       116.8555       -0.6429\r\n"
        "C4180         113.0000       -0.6429\r\n"
        "C4600         110.7519       0.4869\r\n"
        "5200          120.0000       1.6167\r\n");

    // The two project forms describe the same road: the same chainage gives
    // the same elevation in either mode.
    r = run({"compute", "--breaks", example("road.dl"), "--profile", example("road.zdm"), "--format", "tsv",
             "B3000"});
    const CliRun continuous =
        run({"compute", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"), "--format", "tsv",
             "3050"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(continuous.exitCode, 0) << continuous.err;
    EXPECT_EQ(r.out.substr(r.out.find('\t')), continuous.out.substr(continuous.out.find('\t')));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}

TEST_F(Cli, LabelsListTheStakeTextsOfADrawing) {
    const CliRun r = run({"labels", "--drawing", example("road-plan.dxf")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> rows = lines(r.out);
    ASSERT_EQ(rows.size(), 52u);  // the stake labels; the title names no stake
    EXPECT_EQ(rows[0], "K0+000\t0");
    EXPECT_EQ(rows[12], "K1+200\t1200");
    EXPECT_EQ(rows[51], "K5+100\t5100");
}

TEST_F(Cli, AnnotateAddsTheAnnotationAndKeepsTheInputDrawing) {
    // The road's point at chainage 1200, in drawing terms (x east, y north).
    const CliRun at = run({"coords", "--icd", example("road.icd"), "1200"});
    const std::vector<std::string> fields = [&] {
        std::vector<std::string> f;
        std::istringstream s(at.out);
        for (std::string v; std::getline(s, v, '\t');) f.push_back(v);
        return f;
    }();
    ASSERT_EQ(fields.size(), 4u) << at.out;
    const std::string onRoad = fields[2] + "," + fields[1];
    const std::string input = example("road-plan.dxf");
    const std::string before = readBytes(input);

    const CliRun r = run({"annotate", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"), "--drawing",
                          input, "--out", path("annotated.dxf"), "--rotation", "90", onRoad + ":" + onRoad});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The sag at 1200: 106 + 132²/24000, the mean of -1 % and 1.2 %.
    EXPECT_EQ(r.out, "K1+200.000\t106.7260\t0.1000\n");
    EXPECT_EQ(readBytes(input), before);

    const std::vector<std::string> rows = lines(run({"labels", "--drawing", path("annotated.dxf")}).out);
    ASSERT_EQ(rows.size(), 53u);  // the 52 stake labels and the annotation, read by its 桩号 line
    EXPECT_EQ(rows.back(), "桩号：ROADK1+200.000 高程：106.7260 纵坡：0.1000%\t1200");
}

TEST_F(Cli, AnnotateRefusesToWriteOverItsInput) {
    const std::string copy = write("plan.dxf", readBytes(example("road-plan.dxf")));
    const CliRun r = run({"annotate", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"), "--drawing",
                          copy, "--out", copy, "1,2:3,4"});
    EXPECT_EQ(r.exitCode, 64);
}

TEST_F(Cli, AnnotateOutsideTheProfileIsRefusedAndWritesNothing) {
    const std::string profile = write("short.zdm", "0 100\n500 110\n");
    const CliRun at = run({"coords", "--icd", example("road.icd"), "1200"});
    std::istringstream s(at.out);
    std::string chainage, north, east;
    std::getline(s, chainage, '\t');
    std::getline(s, north, '\t');
    std::getline(s, east, '\t');
    const CliRun r = run({"annotate", "--icd", example("road.icd"), "--profile", profile, "--drawing",
                          example("road-plan.dxf"), "--out", path("out.dxf"), east + "," + north + ":0,0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errLine(0).rfind("桩号1200", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(path("out.dxf")));
}

}  // namespace

namespace {

// gradix-cli with bytes on its standard input.
class CliInput : public Cli {
protected:
    CliRun runWithInput(const std::vector<std::string>& args, const std::string& input) {
        const std::string in = write("stdin", input);
        std::string command = shellQuote(GRADIX_CLI_PATH);
        for (const std::string& a : args) command += ' ' + shellQuote(a);
        const fs::path out = dir_.path() / "stdout", err = dir_.path() / "stderr";
        command += " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " <" + shellQuote(in);
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out), readBytes(err)};
    }
};

TEST_F(Cli, AFailingStakePrintsNothingAndTheLinesBeforeItStay) {
    const std::string breaks = write("b.dl", "2350 2300\n");
    CliRun r = run({"chainage", "--breaks", breaks, "2200", "V100"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "AK2+200.000\t2200\n");
    r = run({"chainage", "100", "1e400"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "K0+100.000\t100\n");
    EXPECT_EQ(r.errLine(0), "数据文件格式有误！");
}

TEST_F(Cli, StakesThatNameNoStakeOfTheProjectAreRefused) {
    const std::string crest = write("p.zdm", CREST_PROFILE);
    const std::string header = write("s.txt", "stake\n100\n");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } rows[] = {
        {{"compute", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"), "B2320"},
         "桩号B2320的断链标识不存在，请修改！"},
        {{"compute", "--profile", example("road.zdm"), "100"}, "桩号B2700的断链标识不存在，请修改！"},
        {{"compute", "--breaks", example("road.dl"), "--profile", example("road.zdm"), "D100"},
         "桩号D100的断链标识不存在，请修改！"},
        {{"compute", "--profile", crest, " abc "}, "桩号abc无法识别，请修改！"},
        {{"compute", "--profile", crest, ""}, "请输入桩号！"},
        {{"chainage", "a2320"}, "桩号a2320无法识别，请修改！"},
        {{"compute", "--profile", crest, "--stakes", header}, "桩号stake无法识别，请修改！"},
    };
    for (const auto& row : rows) {
        const CliRun r = run(row.args);
        EXPECT_EQ(r.exitCode, 1) << row.args.back() << r.err;
        EXPECT_EQ(r.out, "") << row.args.back();
        EXPECT_EQ(r.errLine(0), row.message);
        EXPECT_NE(r.errLine(1), "");
    }
    EXPECT_NE(run({"compute", "--profile", crest, "--stakes", header}).errLine(1).find(msg::placeOf(header, 1) + msg::PLACE_SEPARATOR),
              std::string::npos);
}

TEST_F(Cli, AResultFileThatIsAFileReadIsAUsageErrorAndNothingIsWritten) {
    const std::string profile = write("p.zdm", CREST_PROFILE);
    const std::string stakes = write("s.txt", "100\n");
    fs::create_hard_link(profile, path("hard.zdm"));
    fs::create_symlink(stakes, path("soft.txt"));
    for (const std::string& out : {stakes, path("soft.txt"), profile, path("hard.zdm"), dir_.folder() + "/./s.txt"}) {
        const CliRun r = run({"compute", "--profile", profile, "--stakes", stakes, "--out", out});
        EXPECT_EQ(r.exitCode, 64) << out;
        EXPECT_NE(r.err.find("用法：gradix-cli compute"), std::string::npos);
    }
    EXPECT_EQ(readBytes(stakes), "100\n");
    EXPECT_EQ(readBytes(profile), CREST_PROFILE);
    const CliRun r = run({"annotate", "--icd", example("road.icd"), "--profile", profile, "--drawing",
                          example("road-plan.dxf"), "--out", path("hard.zdm"), "1,2:3,4"});
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(readBytes(profile), CREST_PROFILE);
}

TEST_F(Cli, SymbolicLinkLoopsAreNotTheSameFile) {
    fs::create_symlink(path("loop2"), path("loop1"));
    fs::create_symlink(path("loop1"), path("loop2"));
    const CliRun r = run({"annotate", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"),
                          "--drawing", path("loop1"), "--out", path("loop2"), "1,2:3,4"});
    EXPECT_EQ(r.exitCode, 2) << r.err;  // the drawing cannot be read
    EXPECT_EQ(r.errLine(0), "数据文件格式有误！");
}

TEST_F(Cli, AnnotatePrintsOnlyOnceTheDrawingIsSaved) {
    const CliRun at = run({"coords", "--icd", example("road.icd"), "1200"});
    std::istringstream s(at.out);
    std::string chainage, north, east;
    std::getline(s, chainage, '\t');
    std::getline(s, north, '\t');
    std::getline(s, east, '\t');
    const std::string pick = east + "," + north + ":0,0";
    const std::vector<std::string> args{"annotate", "--icd", example("road.icd"), "--profile",
                                        example("road-icd.zdm"), "--drawing", example("road-plan.dxf")};
    std::vector<std::string> failing = args;
    failing.insert(failing.end(), {"--out", path("no/such/folder/out.dxf"), pick});
    CliRun r = run(failing);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");

    std::vector<std::string> toOutput = args;
    toOutput.insert(toOutput.end(), {"--out=-", pick});
    r = run(toOutput);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("ROADK1+200.000"), std::string::npos);  // the drawing itself
}

TEST_F(CliInput, EqualsSignsAndTheStandardStreams) {
    const std::string profile = write("p.zdm", CREST_PROFILE);
    CliRun r = runWithInput({"compute", "--profile=" + profile, "--stakes", "-", "--out=-"}, "180\n400\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "180           103.5000       1.0000\r\n400           100.0000       -2.0000\r\n");
    r = runWithInput({"compute", "--profile", profile, "--format=tsv", "--stakes=-"}, "400\nx\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.errLine(1), msg::located("标准输入", 2, msg::stakeDetail("x", msg::NO_NUMBER_IN_STAKE))) << r.err;
}

TEST_F(Cli, EveryCommandHelpNamesEachOfItsOptions) {
    const struct {
        const char* command;
        std::vector<const char*> options;
    } rows[] = {
        {"chainage", {"--breaks", "--landxml", "--alignment", "桩号"}},
        {"stake", {"--breaks", "--landxml", "--alignment", "里程"}},
        {"compute", {"--profile", "--breaks", "--icd", "--landxml", "--alignment", "--profile-name", "--format",
                     "--stakes", "--out", "桩号"}},
        {"coords", {"--icd", "--landxml", "--alignment", "--from", "--to", "--every", "里程"}},
        {"elements", {"--icd", "--landxml", "--alignment"}},
        {"profile", {"--profile", "--breaks", "--icd", "--landxml", "--alignment", "--profile-name"}},
        {"locate", {"--icd", "--landxml", "--alignment", "X,Y"}},
        {"annotate", {"--icd", "--landxml", "--alignment", "--profile-name", "--profile", "--drawing", "--out",
                      "--rotation", "PX,PY:IX,IY"}},
        {"labels", {"--drawing"}},
    };
    for (const auto& row : rows) {
        const CliRun r = run({row.command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << row.command;
        EXPECT_EQ(r.out.rfind(std::string("用法：gradix-cli ") + row.command, 0), 0u) << r.out;
        const std::string usage = r.out.substr(0, r.out.find('\n'));
        for (const char* option : row.options)
            EXPECT_NE(usage.find(option), std::string::npos) << row.command << " " << option;
        EXPECT_NE(r.out.find("退出码"), std::string::npos) << row.command;
    }
}

// The example road written as LandXML, listed, and read back as a project:
// every stake of the stake file and the stake texts come out as with the
// ICD and chain-break files it was written from.
TEST_F(Cli, LandXmlExportListAndTheSameAnswersAsTheProjectItCameFrom) {
    const std::string xml = path("road.xml");
    CliRun r = run({"landxml", "export", "--icd", example("road.icd"), "--profile", example("road.zdm"), "--breaks",
                    example("road.dl"), "--name", "road", "--out", xml});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = run({"landxml", "list", xml});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "road\t0\t5170\t15\t2\troad\n");

    const CliRun files = run({"compute", "--breaks", example("road.dl"), "--profile", example("road.zdm"),
                              "--stakes", example("stakes.txt")});
    r = run({"compute", "--landxml", xml, "--stakes", example("stakes.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, files.out);
    // --profile beside --landxml takes the profile file, read through the equations.
    r = run({"compute", "--landxml", xml, "--profile", example("road.zdm"), "--stakes", example("stakes.txt")});
    EXPECT_EQ(r.out, files.out);
    // The profile sheets of the LandXML project are those of the profile file it came from, read through
    // its equations (the plan band, from its alignment, has no chain-break file to compare with).
    ASSERT_EQ(run({"drawing", "profile", "--landxml", xml, "--out", path("x.dxf")}).exitCode, 0);
    ASSERT_EQ(run({"drawing", "profile", "--landxml", xml, "--profile", example("road.zdm"), "--out",
                   path("f.dxf")}).exitCode, 0);
    EXPECT_TRUE(readBytes(path("x.dxf")) == readBytes(path("f.dxf")));  // not EXPECT_EQ: no diff of two drawings
    r = run({"chainage", "--landxml", xml, "B2320", "4150"});
    EXPECT_EQ(r.out, run({"chainage", "--breaks", example("road.dl"), "B2320", "4150"}).out);
    EXPECT_EQ(r.exitCode, 1);  // 4150 lies in the gap 4100 to 4180
    EXPECT_EQ(r.errLine(0), "桩号4150不应存在4100和4180之间，请修改！");
    // The points are the same; the bearings, derived again from them, to 1e-12 rad.
    const std::vector<std::string> fromXml = lines(run({"coords", "--landxml", xml, "0", "5170"}).out);
    const std::vector<std::string> fromIcd = lines(run({"coords", "--icd", example("road.icd"), "0", "5170"}).out);
    ASSERT_EQ(fromXml.size(), 2u);
    ASSERT_EQ(fromIcd.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t bearing = fromXml[i].rfind('\t');
        EXPECT_EQ(fromXml[i].substr(0, bearing), fromIcd[i].substr(0, fromIcd[i].rfind('\t')));
        EXPECT_NEAR(std::stod(fromXml[i].substr(bearing + 1)), std::stod(fromIcd[i].substr(bearing + 1)), 1e-12);
    }
}

// Notes of the reading on stderr, the choice of alignment and profile, and
// what is refused.
TEST_F(Cli, LandXmlNotesChoicesAndRefusals) {
    const std::string xml = write(
        "two.xml",
        "<LandXML><Units><Metric/></Units><Alignments>\n<Alignment name=\"R1\" staStart=\"0\"><CoordGeom>\n"
        "<Line><Start>0 0</Start><End>100 0</End></Line>\n<Line><Start>100 0</Start><End>100 0</End></Line>\n"
        "</CoordGeom></Alignment>\n<Alignment name=\"R2\" staStart=\"10\"><CoordGeom>\n"
        "<Line><Start>0 0</Start><End>0 100</End></Line></CoordGeom>\n<Profile><ProfAlign name=\"P1\"><PVI>10 1</PVI>"
        "<PVI>110 2</PVI></ProfAlign>\n<ProfAlign name=\"P2\"><PVI>10 5</PVI><PVI>110 5</PVI></ProfAlign></Profile>"
        "</Alignment>\n</Alignments></LandXML>\n");
    CliRun r = run({"coords", "--landxml", xml, "50"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "50\t50\t0\t0\n");
    EXPECT_EQ(r.err, msg::NOTE_PREFIX + msg::located(xml, 4, msg::zeroLengthSkipped("Line")) + "\n");
    r = run({"compute", "--landxml", xml, "--alignment", "R2", "--profile-name", "P2", "60"});
    EXPECT_EQ(r.out, "60\t5.0000\t0.0000\n");
    r = run({"compute", "--landxml", xml, "--alignment", "R2", "60"});
    EXPECT_EQ(r.out, "60\t1.5000\t1.0000\n");

    r = run({"compute", "--landxml", xml, "60"});  // R1 has no profile
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(1), msg::located(xml, 0, msg::ALIGNMENT_WITHOUT_PROFILE));
    EXPECT_EQ(r.errLine(2), msg::NOTE_PREFIX + msg::located(xml, 4, msg::zeroLengthSkipped("Line")));  // after the failure
    r = run({"coords", "--landxml", xml, "--alignment", "R3", "1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLine(1), msg::located(xml, 1, msg::noAlignmentNamed("R3", "R1, R2")));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"coords", "--landxml", xml, "--icd", example("road.icd"), "1"},
          {"chainage", "--landxml", xml, "--breaks", example("road.dl"), "1"},
          {"coords", "--alignment", "R2", "--icd", example("road.icd"), "1"},
          {"locate", "1,2"},
          {"landxml"},
          {"landxml", "export", "--icd", example("road.icd"), "--profile", example("road.zdm"), "--out", xml}}) {
        r = run(args);
        EXPECT_EQ(r.exitCode, 64) << args[0] << " " << args.back() << ": " << r.err;
    }
    r = run({"landxml", "list", "--help"});
    EXPECT_EQ(r.out.rfind("用法：gradix-cli landxml list 文件", 0), 0u) << r.out;
}

#ifdef GRADIX_WINDOW_PATH
TEST_F(Cli, TheWindowProgramReadsItsCommandLine) {
    const auto window = [&](const std::string& args) {
        const fs::path out = dir_.path() / "stdout", err = dir_.path() / "stderr";
        const std::string command = "QT_QPA_PLATFORM=offscreen " + shellQuote(GRADIX_WINDOW_PATH) + " " + args +
                                    " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string());
        const int status = std::system(command.c_str());
        return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out), readBytes(err)};
    };
    CliRun r = window("--help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--screenshot <FILE>"), std::string::npos) << r.out;
    EXPECT_EQ(window("--version").out, "Gradix V2.5\n");
    r = window("--bogus");
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_NE(r.err.find("gradix: Unknown option 'bogus'.\nusage: gradix"), std::string::npos) << r.err;
}
#endif

}  // namespace

namespace {

// The check commands: what they print first and their exit code.
struct CheckRun {
    const char* name;
    std::vector<std::string> args;  // "@x" stands for the file x written by the test, "%x" for examples/x
    int exitCode;
    const char* outHas;  // a part of stdout ("" for no output at all)
};

class CheckCommands : public Cli, public ::testing::WithParamInterface<CheckRun> {};

TEST_P(CheckCommands, PrintTheirFindingsAndExitWithThree) {
    const CheckRun& c = GetParam();
    write("faulty.zdm", "0 100\n200 104 8000\n300 102 8000\n500 106\n");
    write("steep.zdm", "0 100\n200 112\n400 100\n");
    std::vector<std::string> args;
    for (const std::string& a : c.args)
        args.push_back(a[0] == '@' ? path(a.substr(1)) : a[0] == '%' ? example(a.substr(1)) : a);
    const CliRun r = run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (*c.outHas)
        EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
    else
        EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CheckCommands,
    ::testing::Values(
        CheckRun{"example_clean", {"check", "--profile", "%road-icd.zdm", "--icd", "%road.icd"}, 0, ""},
        CheckRun{"overlap_is_an_error", {"check", "--profile", "@faulty.zdm"}, 3,
                 "\t3\t第2个变坡点与第3个变坡点的竖曲线重叠220.000 m"},
        CheckRun{"warnings_alone_exit_zero", {"check", "--profile", "@steep.zdm", "--max-grade", "5"}, 0,
                 "警告\t"},
        CheckRun{"unreadable_file", {"check", "--profile", "@missing.zdm"}, 2, ""},
        CheckRun{"no_profile", {"check", "--icd", "%road.icd"}, 64, ""},
        CheckRun{"labels_agree", {"check-labels", "--drawing", "%road-plan.dxf", "--icd", "%road.icd"}, 0, ""},
        // Within 5 m of the road and no farther: every label, 6 m off, is printed as far.
        CheckRun{"labels_reported",
                 {"check-labels", "--drawing", "%road-plan.dxf", "--icd", "%road.icd", "--max-offset", "5"}, 3,
                 "\tK0+000\tK0+000.000\tK0+000.000\t0.000\t6.000\tfar\n"}),
    [](const ::testing::TestParamInfo<CheckRun>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Stakes and chainages on the command line: signed numbers are arguments
// wherever they stand, K notation is read wherever a stake is, a lettered
// stake outside its stretch is refused, and every stake derived from a
// chainage is written in the one notation (stretch letter + K notation).
struct StakeRun {
    const char* name;
    std::vector<std::string> args;  // "@x": the file x written by the test, "%x": examples/x
    int exitCode;
    const char* out;                // the whole stdout; nullptr: not compared
    const char* firstErrorLine;     // "" for none
    std::vector<std::string> sameOutAs = {};  // another run whose stdout this one repeats
};

class StakeArguments : public Cli, public ::testing::WithParamInterface<StakeRun> {
protected:
    std::vector<std::string> expand(const std::vector<std::string>& args) {
        write("crest.zdm", CREST_PROFILE);
        write("line.icd", "100\n0,0,0\n1,100\n");  // northward from (0, 0) at chainage 100
        write("across.icd", "-100\n0,0,0\n1,200\n");  // northward from (0, 0) at chainage -100
        write("k.txt", "BK2+320\nK1+200\n");
        std::vector<std::string> expanded;
        for (const std::string& a : args)
            expanded.push_back(a[0] == '@' ? path(a.substr(1)) : a[0] == '%' ? example(a.substr(1)) : a);
        return expanded;
    }
};

TEST_P(StakeArguments, AreReadAndWrittenInOneNotation) {
    const StakeRun& s = GetParam();
    const CliRun r = run(expand(s.args));
    EXPECT_EQ(r.exitCode, s.exitCode) << r.err;
    if (s.out) {
        EXPECT_EQ(r.out, s.out);
    }
    if (*s.firstErrorLine) {
        EXPECT_EQ(r.errLine(0), s.firstErrorLine);
    }
    if (!s.sameOutAs.empty()) {
        EXPECT_EQ(r.out, run(expand(s.sameOutAs)).out);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StakeArguments,
    ::testing::Values(
        StakeRun{"negative_stakes_are_arguments", {"chainage", "-.5", "+3", "-K0+001.5"}, 0,
                 "-K0+000.500\t-0.5\nK0+003.000\t3\n-K0+001.500\t-1.5\n", ""},
        StakeRun{"negative_chainages_are_arguments", {"stake", "-3", "-.25"}, 0, "-K0+003.000\n-K0+000.250\n", ""},
        StakeRun{"negative_coordinates_chainage", {"coords", "--icd", "@across.icd", "-.5"}, 0, "-0.5\t99.5\t0\t0\n", ""},
        StakeRun{"after_the_double_dash", {"compute", "--profile", "@crest.zdm", "--", "100", "-0"}, 0,
                 "100\t102.0000\t2.0000\n-0\t100.0000\t2.0000\n", ""},
        StakeRun{"an_option_value_may_be_negative",
                 {"coords", "--icd", "@across.icd", "--from", "-.5", "--to", "0", "--every", "1"}, 0,
                 "-0.5\t99.5\t0\t0\n0\t100\t0\t0\n", ""},
        StakeRun{"an_option_without_value_after_arguments", {"chainage", "1", "--breaks"}, 64, "", ""},
        StakeRun{"lettered_stakes_outside_their_stretch",
                 {"chainage", "--breaks", "%road.dl", "B2", "A3000", "A2400", "C100"}, 1, "",
                 "桩号B2不在B段桩号范围内，请修改！"},
        StakeRun{"kilometre_notation_through_the_breaks",
                 {"chainage", "--breaks", "%road.dl", "A2320", "BK2+320", "B K2+320.5", "K1+200"}, 0,
                 "AK2+320.000\t2320\nBK2+320.000\t2370\nBK2+320.500\t2370.5\nAK1+200.000\t1200\n", ""},
        StakeRun{"ambiguous_kilometre_stake", {"chainage", "--breaks", "%road.dl", "K2+320"}, 1, "",
                 "程序不能判断桩号K2+320所属的断链区间，需添加断链标识A、B、C..."},
        StakeRun{"compute_echoes_the_stake_as_typed",
                 {"compute", "--breaks", "%road.dl", "--profile", "%road.zdm", "BK2+320"}, 0,
                 "BK2+320\t112.0480\t-0.9600\n", ""},
        StakeRun{"stake_file_in_kilometre_notation",
                 {"compute", "--breaks", "%road.dl", "--profile", "%road.zdm", "--stakes", "@k.txt", "--format", "tsv"},
                 0, nullptr, "", {"compute", "--breaks", "%road.dl", "--profile", "%road.zdm", "--format", "tsv",
                                  "B2320", "A1200"}},
        StakeRun{"coords_stake_through_the_equations", {"coords", "--landxml", "%road.xml", "B2320", "K1+200"}, 0,
                 nullptr, "", {"coords", "--landxml", "%road.xml", "2370", "1200"}},
        StakeRun{"coords_lettered_stake_outside_its_stretch", {"coords", "--landxml", "%road.xml", "A2400"}, 1, "",
                 "桩号A2400不在A段桩号范围内，请修改！"},
        StakeRun{"coords_neither_number_nor_stake", {"coords", "--icd", "%road.icd", "abc"}, 64, "", ""},
        StakeRun{"table_range_in_kilometre_notation",
                 {"table", "stakes", "--landxml", "%road.xml", "--every", "100", "--from", "AK0+300", "--to", "A K0+400"},
                 0, nullptr, "",
                 {"table", "stakes", "--landxml", "%road.xml", "--every", "100", "--from", "A300", "--to", "A400"}},
        StakeRun{"sheet_range_outside_a_stretch",
                 {"drawing", "profile", "--landxml", "%road.xml", "--from", "A2400", "--to", "B3000", "--out",
                  "@s.dxf"},
                 1, "", "桩号A2400不在A段桩号范围内，请修改！"},
        StakeRun{"sheet_range_beyond_the_profile",
                 {"drawing", "profile", "--breaks", "%road.dl", "--profile", "%road.zdm", "--from", "A0", "--to",
                  "C99999", "--out", "@s.dxf"},
                 1, "", "桩号C99999超出纵断面数据文件，请修改！"}),
    [](const ::testing::TestParamInfo<StakeRun>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// compute's formats, --keep-going and the notes of extrapolated stakes: the
// whole stdout and the whole stderr of each run, worked out on the crest
// profile (0 to 400 m: 102 m and 2 % at 100, 103.5 m and 1 % at 180; beyond
// the ends along ±2 %).
struct ComputeRun {
    const char* name;
    std::vector<std::string> args;  // "@x": the file x written by the test
    int exitCode;
    std::string out;
    std::string err;  // "@x" in it: the path of x
};

class ComputeRuns : public Cli, public ::testing::WithParamInterface<ComputeRun> {};

TEST_P(ComputeRuns, WriteTheirFormatsAndSayWhatWasAssumedOrLeftOut) {
    const ComputeRun& c = GetParam();
    write("crest.zdm", CREST_PROFILE);
    write("ext.txt", "0\n500\n-10\n");
    write("bad.txt", "100\nabc\n300\n");
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a[0] == '@' ? path(a.substr(1)) : a);
    std::string err = c.err;
    for (std::size_t at; (at = err.find('@')) != std::string::npos;) {
        const std::size_t end = err.find_first_of("，：", at);
        err.replace(at, end - at, path(err.substr(at + 1, end - at - 1)));
    }
    const CliRun r = run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, err);
}

const std::string CSV_HEADER = "\xEF\xBB\xBF桩号,里程(m),设计高程(m),纵坡(%)\r\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, ComputeRuns,
    ::testing::Values(
        ComputeRun{"csv_of_single_stakes", {"compute", "--profile", "@crest.zdm", "--format", "csv", "100", "180"}, 0,
                   CSV_HEADER + "K0+100.000,100.000,102.0000,2.0000\r\nK0+180.000,180.000,103.5000,1.0000\r\n",
                   ""},
        ComputeRun{"extrapolated_stakes_are_noted",
                   {"compute", "--profile", "@crest.zdm", "--stakes", "@ext.txt"}, 0,
                   "0             100.0000       2.0000\r\n"
                   "500           98.0000        -2.0000\r\n"
                   "-10           99.8000        2.0000\r\n",
                   "提示：@ext.txt，第2行：桩号\"500\"：里程500在纵断面范围0至400之外，已按纵坡外推\n"
                   "提示：@ext.txt，第3行：桩号\"-10\"：里程-10在纵断面范围0至400之外，已按纵坡外推\n"},
        ComputeRun{"keep_going_over_single_stakes",
                   {"compute", "--profile", "@crest.zdm", "--keep-going", "100", "500", "180"}, 1,
                   "100\t102.0000\t2.0000\n180\t103.5000\t1.0000\n",
                   "桩号500超出纵断面数据文件，请修改！\n桩号\"500\"：里程500在纵断面范围0至400之外\n"
                   "有1个桩号被拒绝，其余桩号的结果已写出！\n1个被拒绝的桩号已略去，其消息见上\n"},
        ComputeRun{"keep_going_over_a_stake_file",
                   {"compute", "--profile", "@crest.zdm", "--stakes", "@bad.txt", "--keep-going", "--format", "tsv"}, 1,
                   "K0+100.000\t100\t102\t0.02\nK0+300.000\t300\t102\t-0.02\n",
                   "桩号abc无法识别，请修改！\n@bad.txt，第2行：桩号\"abc\"：桩号中读不出数字\n"
                   "有1个桩号被拒绝，其余桩号的结果已写出！\n@bad.txt：1个被拒绝的桩号已略去，其消息见上\n"},
        ComputeRun{"without_keep_going_nothing_is_written",
                   {"compute", "--profile", "@crest.zdm", "--stakes", "@bad.txt", "--format", "tsv"}, 1, "",
                   "桩号abc无法识别，请修改！\n@bad.txt，第2行：桩号\"abc\"：桩号中读不出数字\n"}),
    [](const ::testing::TestParamInfo<ComputeRun>& info) { return std::string(info.param.name); });

TEST_F(Cli, ComputeXlsxNeedsAFileAndIsWrittenThere) {
    const std::string profile = write("crest.zdm", CREST_PROFILE);
    EXPECT_EQ(run({"compute", "--profile", profile, "--format", "xlsx", "100"}).exitCode, 64);
    const CliRun r = run({"compute", "--profile", profile, "--format", "xlsx", "--out", path("r.xlsx"), "100"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(path("r.xlsx")).substr(0, 2), "PK");
}

}  // namespace

namespace {

// The notes after a command's outcome: what the project's load noticed
// (Project::notes, as its readers put them there), then the command's own,
// each on its own line after "提示：".
TEST(CliNotes, TheProjectsThenTheCommandsEachPrefixed) {
    const struct {
        std::vector<std::string> project, command;
        std::string err;
    } rows[] = {
        {{}, {}, ""},
        {{"p.zdm，第4行：第4行有4个字段：竖曲线半径未读入"}, {},
         "提示：p.zdm，第4行：第4行有4个字段：竖曲线半径未读入\n"},
        {{"a.xml：长度单位foot已换算为米", "a.xml，第9行：零长度的Line已略去"}, {"s.txt，第2行：已按纵坡外推"},
         "提示：a.xml：长度单位foot已换算为米\n提示：a.xml，第9行：零长度的Line已略去\n提示：s.txt，第2行：已按纵坡外推\n"},
    };
    for (const auto& row : rows) {
        std::istringstream in;
        std::ostringstream out, err;
        gradix::cli::CommandContext context{in, out, err, {}, row.command, false};
        context.project.notes = row.project;
        gradix::cli::writeNotes(context, err);
        EXPECT_EQ(err.str(), row.err);
    }
}

}  // namespace

namespace {

// Usage mistakes, CLI11's own included, said in Chinese: the program and the
// command, the mistake (option names as written), then the command's usage.
TEST_F(Cli, UsageMistakesAreSaidInChineseWithTheCommandsUsage) {
    const std::string icd = write("l.icd", "0\n0,0,0\n1,100\n");
    const struct {
        std::vector<std::string> args;
        std::string mistake;
        std::string usageStart;
    } rows[] = {
        {{"frobnicate"}, "gradix-cli：未知命令 frobnicate", "用法：gradix-cli 命令"},
        {{"chainage", "--bogus", "x", "1"}, "gradix-cli chainage：无法识别的参数：--bogus", "用法：gradix-cli chainage"},
        {{"chainage", "1", "--breaks"}, "gradix-cli chainage：--breaks 缺少值", "用法：gradix-cli chainage"},
        {{"coords", "--icd", icd, "--from", "0", "--to", "10"}, "gradix-cli coords：--from 须与 --every 一起使用",
         "用法：gradix-cli coords"},
        {{"coords", "--icd", icd, "--landxml", icd, "1"}, "gradix-cli coords：--icd 与 --landxml 不能同时使用",
         "用法：gradix-cli coords"},
        {{"table"}, "gradix-cli table：缺少子命令", "用法：gradix-cli table 命令"},
        {{"table", "stakes", "--icd", icd}, "gradix-cli table stakes：缺少 --every", "用法：gradix-cli table stakes"},
        {{"table", "stakes", "--icd", icd, "--every", "20", "--format", "xls"},
         "gradix-cli table stakes：--format：“xls”不是可选的值（tsv、csv、xlsx）", "用法：gradix-cli table stakes"},
        {{"check", "--profile", icd, "--max-grade", "9%"}, "gradix-cli check：--max-grade：不是数：9%",
         "用法：gradix-cli check"},
        {{"compute", "100"}, "gradix-cli compute：需要纵断面：--profile 文件 或 --landxml 文件", "用法：gradix-cli compute"},
        {{"stake", "abc"}, "gradix-cli stake：不是数：abc", "用法：gradix-cli stake"},
        {{"check-labels", "--drawing", icd, "--icd", icd, "--tolerance", "-1"},
         "gradix-cli check-labels：--tolerance 不应为负", "用法：gradix-cli check-labels"},
        {{"check-labels", "--drawing", icd, "--icd", icd, "--max-offset", "0"},
         "gradix-cli check-labels：--max-offset 应大于0", "用法：gradix-cli check-labels"},
    };
    for (const auto& row : rows) {
        const CliRun r = run(row.args);
        EXPECT_EQ(r.exitCode, 64) << row.mistake;
        EXPECT_EQ(r.errLine(0), row.mistake);
        EXPECT_EQ(r.errLine(1).rfind(row.usageStart, 0), 0u) << r.err;
    }
}

}  // namespace

namespace {

// At the ends of the road and of the workbook: a table's range beyond the
// road clipped to it with a note, a chainage beyond it refused as compute
// refuses a stake beyond the profile, an interval too fine refused at once,
// a LandXML profile past its alignment warned of; a workbook without a name
// or in a folder that is not there said as tsv says it, the library silent.
struct EdgeRun {
    const char* name;
    std::vector<std::string> args;  // "@x": the file x written by the test, "%x": examples/x
    int exitCode;
    const char* outHas;             // a part of stdout ("" for none at all)
    const char* errStarts;          // the start of stderr ("" for none at all)
};

class RoadAndWorkbookEdges : public Cli, public ::testing::WithParamInterface<EdgeRun> {};

TEST_P(RoadAndWorkbookEdges, ClipReferOrRefuseAsTheRulesSay) {
    const EdgeRun& e = GetParam();
    std::string xml = readBytes(example("road.xml"));
    xml.replace(xml.find("<PVI>5170 120</PVI>"), 19, "<PVI>5300 120</PVI>");
    write("past.xml", xml);
    write("tenths.icd", "0\n0,0,0\n1,0.1\n1,0.2\n");  // ends at 0.30000000000000004
    std::vector<std::string> args;
    for (const std::string& a : e.args)
        args.push_back(a.empty() ? a : a[0] == '@' ? path(a.substr(1)) : a[0] == '%' ? example(a.substr(1)) : a);
    const CliRun r = run(args);
    EXPECT_EQ(r.exitCode, e.exitCode) << r.err;
    if (*e.outHas)
        EXPECT_NE(r.out.find(e.outHas), std::string::npos) << r.out.substr(0, 2000);
    else
        EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, std::string(e.errStarts).size()), e.errStarts) << r.err;
    if (!*e.errStarts) {
        EXPECT_EQ(r.err, "");
    }
}

const std::vector<std::string> STAKES = {"table", "stakes", "--icd", "%road.icd"};
std::vector<std::string> stakes(std::vector<std::string> more) {
    more.insert(more.begin(), STAKES.begin(), STAKES.end());
    return more;
}
const char* const CLIPPED = "提示：范围超出道路：道路自K0+000.000至K5+170.000，表只列出其间的桩\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, RoadAndWorkbookEdges,
    ::testing::Values(
        EdgeRun{"stakes_to_beyond_the_end", stakes({"--every", "1000", "--from", "4000", "--to", "99999"}), 0,
                "K5+000.000\t5000\t", CLIPPED},
        EdgeRun{"stakes_off_the_road", stakes({"--every", "1000", "--from", "6000", "--to", "7000"}), 2, "",
                "数据文件格式有误！\n范围K6+000.000至K7+000.000不在道路K0+000.000至K5+170.000上\n"},
        EdgeRun{"stakes_too_fine_to_advance", stakes({"--every", "1e-13", "--from", "1000", "--to", "1000.000001"}), 2,
                "", "数据文件格式有误！\n桩距1e-13 m小于1e-06 m：相邻的桩无法分开\n"},
        EdgeRun{"coords_beyond_the_end", {"coords", "--icd", "%road.icd", "100", "99999"}, 1, "100\t",
                "里程99999超出平面线形，请修改！\n里程99999在平面线形范围0至5170之外\n"},
        EdgeRun{"coords_table_clipped", {"coords", "--icd", "%road.icd", "--from", "-3000", "--to", "50", "--every", "50"},
                0, "0\t3345678.123\t512345.678\t", CLIPPED},
        EdgeRun{"a_table_to_the_roads_own_end",
                {"coords", "--icd", "@tenths.icd", "--from", "0", "--to", "0.3", "--every", "0.1"}, 0, "\n0.3\t", ""},
        EdgeRun{"landxml_profile_past_its_alignment", {"check", "--landxml", "@past.xml"}, 0,
                "纵断面超出平面终点5170.000共", ""},
        EdgeRun{"workbook_without_a_name", stakes({"--every", "1000", "--format", "xlsx", "--out", ""}), 2, "",
                "读取文件被取消！\n未选择文件\n"},
        EdgeRun{"tsv_without_a_name", stakes({"--every", "1000", "--format", "tsv", "--out", ""}), 2, "",
                "读取文件被取消！\n未选择文件\n"},
        EdgeRun{"workbook_in_no_folder", stakes({"--every", "1000", "--format", "xlsx", "--out", "@none/t.xlsx"}), 2,
                "", "数据文件格式有误！\n"}),
    [](const ::testing::TestParamInfo<EdgeRun>& info) { return std::string(info.param.name); });

}  // namespace
