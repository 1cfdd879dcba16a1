// The setting-out commands of gradix-cli end to end on the example project:
// side stakes, a point file with a bad line, the two tables, the xlsx target,
// the LandXML forms (and STN02's vertical curves through them) and the usage
// mistakes.
#include <gtest/gtest.h>

#include "alignment/stn02_project.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/external_program.h"
#include "support/test_data.h"
#include "text/dataline.h"

namespace {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string shellQuote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string example(const std::string& name) { return std::string(GRADIX_EXAMPLES) + "/" + name; }

class SetoutCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("gradix-setout-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    // gradix-cli with args, and input on its standard input.
    CliRun run(const std::vector<std::string>& args, const std::string& input = "") {
        std::string command = shellQuote(GRADIX_CLI_PATH);
        for (const std::string& a : args) command += ' ' + shellQuote(a);
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        command += " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " <" +
                   shellQuote(write("stdin", input));
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out), readBytes(err)};
    }
    fs::path dir_;
};

}  // namespace

// coords --offset: X and Y of each side stake after the centre point, in the
// order given; on the first straight (bearing 0.6) by hand: X − D sin 0.6,
// Y + D cos 0.6.
TEST_F(SetoutCli, CoordsWithOffsetsAddsTheSideStakes) {
    const CliRun r = run({"coords", "--icd", example("road.icd"), "--offset", "-7.5,10", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream row(r.out);
    std::vector<double> v;
    for (double x; row >> x;) v.push_back(x);
    ASSERT_EQ(v.size(), 8u) << r.out;
    EXPECT_NEAR(v[4], 3345678.123 + 7.5 * std::sin(0.6), 1e-9);
    EXPECT_NEAR(v[5], 512345.678 - 7.5 * std::cos(0.6), 1e-9);
    EXPECT_NEAR(v[6], 3345678.123 - 10 * std::sin(0.6), 1e-9);
    EXPECT_NEAR(v[7], 512345.678 + 10 * std::cos(0.6), 1e-9);
}

// A point file with a bad line: without --keep-going nothing is written and
// the line is named; with it the good points are written, the bad line is
// reported on stderr and the exit code says that a line was left out.
TEST_F(SetoutCli, LocatePointsNamesTheBadLineOrGoesOn) {
    const std::string points = write("points.txt", "P1 3346479.656 513201.859 107\nbad 1\nP2 3345900,512500\n");
    const std::vector<std::string> base{"locate", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"),
                                        "--points", points};
    CliRun r = run(base);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "数据文件格式有误！\n" + points + "，第2行：点的格式为 点名 X Y [Z [说明]]；该行有2个字段\n");

    std::vector<std::string> going = base;
    going.push_back("--keep-going");
    r = run(going);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "数据文件格式有误！\n" + points + "，第2行：点的格式为 点名 X Y [Z [说明]]；该行有2个字段\n" +
                         "数据文件格式有误！\n" + points + "：有1行有误，已略去；其余的点已写出\n");
    std::istringstream lines(r.out);
    std::string p1, p2, extra;
    std::getline(lines, p1);
    std::getline(lines, p2);
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_EQ(p1.substr(0, 14), "P1\tK1+200.000\t") << p1;
    EXPECT_EQ(p2.substr(0, 14), "P2\tK0+270.260\t") << p2;
}

// The tables: csv with the byte-order mark and the Chinese header, tsv rows,
// xlsx into a file, and the usage mistakes.
TEST_F(SetoutCli, TablesInEveryFormatAndTheirUsageMistakes) {
    CliRun r = run({"table", "curves", "--profile", example("road-icd.zdm"), "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1),
              "\xEF\xBB\xBF序号,桩号,里程(m),高程(m),半径R(m),切线长T(m),外距E(m),进坡(%),出坡(%),起点桩号,终点桩号,凹凸,"
              "坡长(m)\r\n");
    r = run({"table", "stakes", "--icd", example("road.icd"), "--every", "20", "--from", "380", "--to", "400"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "K0+380.000\t380\t3345991.750533666\t512560.24213989015\t0.6000000000000001\t\n"
              "K0+400.000\t400\t3346008.257245964\t512571.53498935804\t0.6000000000000001\tZH\n");
    const std::string xlsx = (dir_ / "stakes.xlsx").string();
    r = run({"table", "stakes", "--icd", example("road.icd"), "--every", "50", "--format", "xlsx", "--out", xlsx});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readBytes(xlsx).substr(0, 2), "PK");

    const std::vector<std::vector<std::string>> mistakes{
        {"table", "stakes", "--icd", example("road.icd"), "--every", "20", "--format", "xlsx"},
        {"table", "stakes", "--icd", example("road.icd"), "--every", "20", "--offset", "5,x"},
        {"table", "stakes", "--icd", example("road.icd")},
        {"table", "lines", "--icd", example("road.icd")},
        {"locate", "--icd", example("road.icd"), "--keep-going", "1,2"},
    };
    for (const auto& args : mistakes) EXPECT_EQ(run(args).exitCode, 64) << args[1];
}

// --landxml in place of --icd, --breaks and --profile: the alignment, its
// equations as chain breaks (stakes with stretch letters) and its profile
// unless --profile gives one.
TEST_F(SetoutCli, TablesAndPointsTakeALandXmlProject) {
    const std::string xml = example("road.xml");
    const std::string points = write("points.txt", "P1 3346479.656 513201.859 107\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string outStart;
    };
    const std::vector<Case> cases{
        {{"table", "stakes", "--landxml", xml, "--every", "100", "--from", "A300", "--to", "400"}, 0,
         "AK0+300.000\t300\t3345925.723684473\t512515.0707420186\t0.6000000000001755\t106\t0.02\t\n"
         "AK0+400.000\t400\t3346008.257245964\t512571.53498935804\t0.6000000000007867\t108\t0.02\tZH\n"},
        {{"table", "curves", "--landxml", xml}, 0, "1\tAK0+000.000\t0\t100\t\t\t\t\t0.02\t\t\t\t600\n"},
        {{"table", "curves", "--landxml", xml, "--profile", example("road.zdm")}, 0,
         "1\tAK0+000.000\t0\t100\t\t\t\t\t0.02\t\t\t\t600\n"},
        {{"locate", "--landxml", xml, "--points", points}, 0, "P1\tAK1+200.000\t1199.9996568599354\t"},
        {{"table", "curves", "--icd", example("road.icd")}, 64, ""},
        {{"table", "stakes", "--every", "100"}, 64, ""},
        {{"table", "stakes", "--landxml", xml, "--icd", example("road.icd"), "--every", "100"}, 64, ""},
    };
    for (const Case& c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << " " << c.args.size() << ": " << r.err;
        EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart) << c.args[1];
    }
}

// STN02 through its LandXML file: per vertical curve of the table, the
// radius, grades, kind and tangent points of the published curve, and the
// grade point on the published incoming grade line (tolerances of
// stn02_project.h).
TEST_F(SetoutCli, CurveTableOfStn02ReproducesThePublishedGradePoints) {
    const fs::path folder = stn02Folder();
    GRADIX_NEED(fs::is_regular_file(folder / "Alignment_STN02.xml"), "STN02 is not in " << folder);
    const CliRun r = run({"table", "curves", "--landxml", (folder / "Alignment_STN02.xml").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<VerticalSegment> vertical;
    for (const auto& f : csvRows(folder / "Alignment_vertical.csv"))
        vertical.push_back({f.at(1), number(f.at(3)), number(f.at(4)), number(f.at(5)), number(f.at(6)),
                            number(f.at(7)), f.size() > 8 && !f[8].empty() ? number(f[8]) : 0.0});
    const auto ends = csvRows(folder / "Alignment_stationing_vertical_not-constant_value.csv");
    std::istringstream lines(r.out);
    std::size_t curve = 0, rows = 0;
    for (std::string line; std::getline(lines, line); ++rows) {
        std::vector<std::string> f(1);
        for (char ch : line) {
            if (ch == '\t')
                f.emplace_back();
            else
                f.back().push_back(ch);
        }
        ASSERT_EQ(f.size(), 13u) << line;
        const double distance = number(f[2]) - START_STAKE;
        if (rows == 0) {
            EXPECT_NEAR(number(f[3]), vertical.front().height, ELEVATION_TOLERANCE);
        }
        if (f[4].empty()) continue;
        std::size_t arc = 0;
        for (std::size_t i = 0, seen = 0; i < vertical.size(); ++i)
            if (vertical[i].type == "CIRCULARARC" && seen++ == curve) arc = i;
        ASSERT_GT(arc, 0u) << line;
        const VerticalSegment &s = vertical[arc], &in = vertical[arc - 1];
        EXPECT_NEAR(number(f[4]), std::fabs(s.radius), 1e-9) << line;
        EXPECT_NEAR(number(f[7]), s.startGrade, GRADE_TOLERANCE) << line;
        EXPECT_NEAR(number(f[8]), s.endGrade, GRADE_TOLERANCE) << line;
        EXPECT_EQ(f[11], s.radius > 0 ? "凸" : "凹") << line;
        EXPECT_NEAR(number(f[3]), in.height + in.startGrade * (distance - in.distance), ELEVATION_TOLERANCE) << line;
        // Tangent points as stakes of their stretch: "AK0+324.904" is 324.904.
        const auto stakeValue = [](const std::string& t) {
            const std::size_t k = t.find('K'), plus = t.find('+');
            return number(t.substr(k + 1, plus - k - 1)) * 1000.0 + number(t.substr(plus + 1));
        };
        ASSERT_LT(curve, ends.size());
        EXPECT_NEAR(stakeValue(f[9]), number(ends[curve].at(2)), TANGENT_POINT_TOLERANCE) << line;
        EXPECT_NEAR(stakeValue(f[10]), number(ends[curve].at(3)), TANGENT_POINT_TOLERANCE) << line;
        ++curve;
    }
    EXPECT_EQ(curve, 4u);
    EXPECT_EQ(rows, 7u);
}

// An ICD alignment with a chain-break file: the stakes in their stretches
// around the step back 2350 = 2300 (both sides of the break, each stretch's
// own multiples of 100), the range and the lettered profile read through the
// breaks, and the whole table the same as that of the LandXML form of the
// example road (csv: the bearings derived again from the points agree to its
// 0.01″).
TEST_F(SetoutCli, StakeTableOfAnIcdAlignmentWithChainBreaks) {
    const std::vector<std::string> project{"table", "stakes", "--icd", example("road.icd"), "--breaks",
                                           example("road.dl"), "--profile", example("road.zdm"), "--every", "100"};
    std::vector<std::string> range = project;
    range.insert(range.end(), {"--from", "A2300", "--to", "BK2+400"});
    CliRun r = run(range);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> stakes;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        stakes.push_back(line.substr(0, tab) + " " + line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1) + " " +
                         line.substr(line.rfind('\t') + 1));
    }
    EXPECT_EQ(stakes, (std::vector<std::string>{"AK2+300.000 2300 ", "AK2+350.000 2350 断链", "BK2+300.000 2350 断链",
                                                "BK2+400.000 2450 "}));
    std::vector<std::string> csv = project;
    csv.insert(csv.end(), {"--format", "csv"});
    r = run(csv);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, run({"table", "stakes", "--landxml", example("road.xml"), "--every", "100", "--format", "csv"}).out);
    EXPECT_EQ(run({"table", "stakes", "--breaks", example("road.dl"), "--every", "100"}).exitCode, 64);
}

// Points from a file or standard input in either layout: a point past an end
// of the road gets only its note, a far one no design, a description its
// column, and a CASS file (east before north) is read as such and said so.
TEST_F(SetoutCli, LocatePointsInBothLayoutsFromAFileOrStandardInput) {
    const std::vector<std::string> locate{"locate", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"),
                                          "--format", "csv", "--points"};
    const std::string header = "\xEF\xBB\xBF点名,桩号,里程(m),偏距(m),中线设计高程(m),纵坡(%),高差(m),备注";
    // P1 is the road's point at 1200 (README), 0.274 m above the design there.
    const struct {
        const char* what;
        std::string file;  // "-": standard input
        std::string input;
        std::string out;
        std::string err;
    } cases[] = {
        {"description and past the start", "points.txt",
         "P1 3346479.656 513201.859 107 路中\nA-1 3340000 500000 100\n",
         header + ",说明\r\nP1,K1+200.000,1200.000,0.000,106.7260,0.1000,0.2740,,路中\r\nA-1,,,,,,,before-start,\r\n", ""},
        {"far from the road", "points.txt", "F 3346479.656 513401.859 107\n",
         header + "\r\nF,K1+378.241,1378.241,90.719,,,,far\r\n", ""},
        {"CASS from standard input", "-", "P1,,513201.859,3346479.656,107\n",
         header + "\r\nP1,K1+200.000,1200.000,0.000,106.7260,0.1000,0.2740,\r\n",
         "提示：标准输入：按CASS坐标数据读入：点名,编码,Y(东),X(北),H（先东后北）\n"},
        {"CASS by its name", "points.dat", "P1,KZD,513201.859,3346479.656,107\n",
         header + ",说明\r\nP1,K1+200.000,1200.000,0.000,106.7260,0.1000,0.2740,,KZD\r\n", "@"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = locate;
        args.push_back(c.file == "-" ? c.file : write(c.file, c.input));
        if (c.what == std::string("far from the road")) args.insert(args.end(), {"--max-offset", "90"});
        const CliRun r = run(args, c.file == "-" ? c.input : "");
        EXPECT_EQ(r.exitCode, 0) << c.what << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_EQ(r.err, c.err == "@" ? "提示：" + (dir_ / c.file).string() + "：按CASS坐标数据读入：点名,编码,Y(东),X(北),H（先东后北）\n"
                                       : c.err)
            << c.what;
    }
}

// The cross-section through the command line on the example road (road.sup,
// road.wid; a normal crown of -2 % on 3.5 m lanes before K0+400): a side
// point on the crown lies 3.5 × 2 % below the centreline, the centreline is
// the design elevation (turned about the centre), the earth shoulder's edge
// at 5.75 m ends the surface; locate names the elevation it compares with,
// 3.5 × 2 % + 1.5 × 2 % + 0.75 × 3 % below at the earth shoulder's edge;
// the subgrade table lists the widths, and check reports a steep slope and
// a fast runoff.
TEST_F(SetoutCli, SurfaceThroughTheCommandLine) {
    const std::vector<std::string> project{"--icd", example("road.icd"), "--profile", example("road-icd.zdm"),
                                           "--sup", example("road.sup"), "--wid", example("road.wid")};
    const auto with = [&](std::vector<std::string> args, long commandWords = 1) {
        args.insert(args.begin() + commandWords, project.begin(), project.end());
        return run(args);
    };
    CliRun r = with({"compute", "--offset", "0,3.5,-5.75,5.76", "K0+100"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "K0+100\t0\t102.0000\t-2.0000\nK0+100\t3.5\t101.9300\t-2.0000\n"
              "K0+100\t-5.75\t101.8775\t-3.0000\nK0+100\t5.76\tbeyond-edge\n");

    // Without the files, the lanes and crown of --section.
    r = run({"compute", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"), "--section", "3.5,-1.5",
             "--offset", "3.5,4", "K0+100"});
    EXPECT_EQ(r.out, "K0+100\t3.5\t101.9475\t-1.5000\nK0+100\t4\tbeyond-edge\n") << r.err;

    const std::string points = write("p.txt", "P1 3345880.118 512490.113 102.5\n");
    r = with({"locate", "--points", points, "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("路面设计高程(m)"), std::string::npos) << r.out;

    r = with({"table", "subgrade", "--every", "1000"}, 2);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream rows(r.out);
    std::string first;
    std::getline(rows, first);
    EXPECT_EQ(first, "K0+000.000\t0\t100\t5.75\t0.75\t1.5\t3.5\t0\t0\t3.5\t1.5\t0.75\t5.75\t-0.02\t-0.02\t"
                     "-0.1225\t-0.07\t0\t-0.07\t-0.1225\tQD");
    EXPECT_NE(r.out.find("\tZH\n"), std::string::npos);

    const std::string steep = write("steep.sup", "-2 -2 -2 0 -2 -2 -2\n-2 -2 -2 100 -2 -2 -2\n"
                                                 "12 12 12 110 -12 -12 -12\n");
    r = run({"check", "--icd", example("road.icd"), "--profile", example("road-icd.zdm"), "--sup", steep, "--speed",
             "80"});
    EXPECT_EQ(r.exitCode, 3);
    // The default lanes of 3.75 m turned about the centreline: the left edge
    // rises 3.75 × (12 % + 2 %) in 10 m.
    EXPECT_EQ(r.out, "错误\t" + steep + "\t3\t左土路肩横坡12.00%超过±10%\n" + "错误\t" + steep +
                         "\t3\t左行车道边缘的超高渐变率1/19大于设计速度80 km/h的1/200\n" + "错误\t" + steep +
                         "\t3\t右行车道边缘的超高渐变率1/27大于设计速度80 km/h的1/200\n");
}

// The field's coordinates end to end, against cs2cs run as a separate
// program: the example's GNSS points located as their grid coordinates by
// cs2cs are, and the stake-out points in latitude and longitude that cs2cs
// takes back to the stake table's X and Y. Points outside the zone and an
// unknown system write nothing.
TEST_F(SetoutCli, FieldCoordinatesAgreeWithCs2cs) {
    GRADIX_NEED(gradix::testing::programAvailable("cs2cs"), "PROJ's cs2cs (proj-bin)");
    gradix::testing::TempFolder folder("field-cli");
    const std::vector<std::string> road = {"--icd", example("road.icd"), "--profile", example("road-icd.zdm")};
    const auto with = [&](std::vector<std::string> args) {
        args.insert(args.begin() + (args[0] == "table" ? 2 : 1), road.begin(), road.end());
        return run(args);
    };
    // cs2cs reads decimal degrees: the example's first and last lines.
    std::string grid, degrees = "30.2312965410 117.1288376500\n30.2390012085 117.1399321443\n";
    const gradix::testing::ProgramRun cs = gradix::testing::runProgram("cs2cs -f %.6f EPSG:4490 EPSG:4548", degrees, folder);
    std::istringstream lines(cs.out);
    const char* names[] = {"G1", "G4"};
    for (const char* name : names) {
        std::string x, y, z;
        lines >> x >> y >> z;
        grid += std::string(name) + " " + x + " " + y + "\n";
    }
    CliRun field = with({"locate", "--points", example("gnss.txt"), "--points-crs", "EPSG:4490", "--crs", "EPSG:4548"});
    CliRun planar = with({"locate", "--points", write("grid.txt", grid)});
    ASSERT_EQ(field.exitCode, 0) << field.err;
    ASSERT_EQ(planar.exitCode, 0) << planar.err;
    std::istringstream a(field.out), b(planar.out);
    std::vector<std::vector<std::string>> fieldRows, planarRows;
    for (std::string line; std::getline(a, line);) fieldRows.push_back(gradix::splitLooseFields(line));
    for (std::string line; std::getline(b, line);) planarRows.push_back(gradix::splitLooseFields(line));
    ASSERT_EQ(fieldRows.size(), 4u);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t row = i == 0 ? 0 : 3;
        EXPECT_EQ(fieldRows[row][1], planarRows[i][1]);
        EXPECT_NEAR(std::stod(fieldRows[row][2]), std::stod(planarRows[i][2]), 1e-5);
        EXPECT_NEAR(std::stod(fieldRows[row][3]), std::stod(planarRows[i][3]), 1e-5);
    }

    const std::string out = folder.file("stakeout.csv");
    CliRun r = with({"table", "stakes", "--every", "500", "--offset", "-3.5", "--stakeout", out, "--crs", "EPSG:4548",
                     "--out-crs", "EPSG:4490"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream csv(readBytes(out)), table(r.out);
    std::string header, line;
    std::getline(csv, header);
    EXPECT_EQ(header, "\xEF\xBB\xBF点名,B(纬度),L(经度),H,编码\r");
    std::string latLon;
    std::vector<double> expected;
    for (std::string row; std::getline(table, row);) {
        const std::vector<std::string> f = gradix::splitLooseFields(row);
        for (std::size_t k : {2, 3, 5, 6}) expected.push_back(std::stod(f[k]));
    }
    while (std::getline(csv, line)) {
        const std::vector<std::string> f = gradix::splitLooseFields(line);
        latLon += f[1] + " " + f[2] + "\n";
    }
    std::istringstream back(gradix::testing::runProgram("cs2cs -f %.6f EPSG:4490 EPSG:4548", latLon, folder).out);
    std::size_t k = 0;
    for (double x, y, z; back >> x >> y >> z; k += 2) {
        ASSERT_LT(k + 1, expected.size());
        EXPECT_NEAR(x, expected[k], 2e-4);  // 1e-9° of the file is 0.1 mm
        EXPECT_NEAR(y, expected[k + 1], 2e-4);
    }
    EXPECT_EQ(k, expected.size());

    const std::string outside = write("outside.txt", "A 30 117.1\nB 30 100\nC 45 117.1\nD 25 90\n");
    r = with({"locate", "--points", outside, "--points-crs", "EPSG:4490", "--crs", "EPSG:4548"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(outside + "，第2行：点在坐标系"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(outside + "，第4行：点在坐标系"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("有2个点无法换算"), std::string::npos) << r.err;
    r = with({"table", "stakes", "--every", "500", "--stakeout", folder.file("none.csv"), "--crs", "EPSG:1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(folder.file("none.csv")));
}
