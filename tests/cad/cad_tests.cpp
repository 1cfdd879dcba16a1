// The drawing link without a screen: text encodings of DXF files, the layout
// scan, reading through dxflib, the lossless writer (every written file
// checked by ezdxf, an independent reader), the CAD interface over the
// drawing model, and ConnectCad.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "cad/scripted_cad.h"
#include "cad/cad.h"
#include "cadmodel/drawingcad.h"
#include "dxf/dxfencoding.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "dxf/mtext.h"
#include "cadmodel/referencealignment.h"
#include "text/failures.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;

constexpr const char* PYTHON = "/usr/bin/python3";
constexpr int CHECKER_SKIP = 77;
const std::string CHECKER = std::string(GRADIX_SOURCE_DIR) + "/tests/cad/dxf_check.py";
const std::string STN02 =
    std::string(GRADIX_SHARED_DATA) + "/ifc4x-if/STN02/Alignment_2D_with_stationing_values.dxf";
const std::string ANNOTATION = "{\\L桩号：A1K12+345.678\\P高程：123.4567\\P纵坡：1.2345%\\P";
const std::string ANNOTATION_LAYER = "纵断面设计高程";

// ---- helpers ----------------------------------------------------------------

struct CheckerRun {
    int status = -1;
    std::string output;
};

CheckerRun runChecker(const std::string& arguments) {
    CheckerRun run;
    const std::string command = std::string(PYTHON) + " " + CHECKER + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool checkerAvailable() {
    static const bool available = fs::exists(PYTHON) && runChecker("texts /dev/null").status != CHECKER_SKIP;
    return available;
}

#define REQUIRE_EZDXF() \
    if (!checkerAvailable()) GTEST_SKIP() << "ezdxf (/usr/bin/python3 with python3-ezdxf) is not installed"

// Temporary folders of the run, removed when the test program ends.
struct TemporaryFolders {
    std::vector<fs::path> made;
    ~TemporaryFolders() {
        std::error_code ec;
        for (const fs::path& f : made) fs::remove_all(f, ec);
    }
};

fs::path freshFolder() {
    static TemporaryFolders folders;
    std::string pattern = (fs::temp_directory_path() / "gradix-cad-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    folders.made.emplace_back(pattern);
    return pattern;
}

// The originals made by ezdxf, once for the whole run.
const fs::path& originals() {
    static const fs::path folder = [] {
        const fs::path f = freshFolder();
        const CheckerRun made = runChecker("make " + f.string());
        if (made.status != 0) ADD_FAILURE() << "making the originals failed: " << made.output;
        return f;
    }();
    return folder;
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string json(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string jsonPoint(const Point3& p) {
    return "[" + ScriptedCad::number(p[0]) + "," + ScriptedCad::number(p[1]) + "," + ScriptedCad::number(p[2]) + "]";
}

// A drawing screen that answers from a script and counts its repaints.
struct ScriptScreen : DrawingScreen {
    std::vector<std::optional<CadPoint>> points;
    std::vector<std::optional<std::vector<std::size_t>>> selections;
    int changes = 0;
    std::optional<CadPoint> pickPoint(const std::string&) override {
        if (points.empty()) return std::nullopt;
        auto p = points.front();
        points.erase(points.begin());
        return p;
    }
    std::optional<std::vector<std::size_t>> selectEntities() override {
        if (selections.empty()) return std::nullopt;
        auto s = selections.front();
        selections.erase(selections.begin());
        return s;
    }
    void drawingChanged() override { ++changes; }
};

// What the pick-and-annotate command does to the drawing, call for call.
struct Annotation {
    Point3 at{0, 0, 0};
    std::string text = ANNOTATION;
    double rotationDegrees = 0;
};

void annotate(DrawingDocument& doc, const Annotation& a) {
    CadUcs& ucs = doc.UserCoordinateSystems().Add({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
    doc.ActiveUCS(ucs);
    CadTextStyle& style = doc.TextStyles().Add("jp");
    style.fontFile("fsdb_e.shx");
    style.BigFontFile("fsdb.shx");
    style.Height(5);
    style.Width(0.75);
    CadLayer& layer = doc.Layers().Add(ANNOTATION_LAYER);
    doc.ActiveLayer(layer);
    CadMText& m = doc.ModelSpace().AddMText(a.at, 0, "");
    m.StyleName("jp");
    m.Height(5);
    m.Color(1);
    m.TextString(a.text);
    m.rotation(a.rotationDegrees / 180 * std::numbers::pi);
}

// The expectations file of dxf_check.py for annotations made by annotate().
std::string expectations(const fs::path& folder, const std::vector<Annotation>& annotations) {
    std::string mtexts;
    for (const Annotation& a : annotations) {
        if (!mtexts.empty()) mtexts += ",";
        mtexts += "{\"text\":" + json(a.text) + ",\"style\":\"jp\",\"height\":5,\"color\":1,\"rotation\":" +
                  ScriptedCad::number(a.rotationDegrees) + ",\"insert\":" + jsonPoint(a.at) +
                  ",\"layer\":" + json(ANNOTATION_LAYER) + "}";
    }
    const std::string text = "{\"layers\":[{\"name\":" + json(ANNOTATION_LAYER) +
                             "}],\"styles\":[{\"name\":\"jp\",\"font\":\"fsdb_e.shx\",\"bigfont\":\"fsdb.shx\","
                             "\"height\":5,\"width\":0.75}],\"ucs\":[{\"name\":\"xy\",\"origin\":[0,0,0],"
                             "\"xaxis\":[1,0,0],\"yaxis\":[0,1,0]}],\"mtexts\":[" +
                             mtexts + "]}";
    const fs::path path = folder / "expect.json";
    writeBytes(path, text);
    return path.string();
}

// Decodes the hex of a "TYPE<tab>hex" line of dxf_check.py texts.
std::vector<std::pair<std::string, std::string>> ezdxfTexts(const std::string& path) {
    const CheckerRun run = runChecker("texts " + path);
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string text;
        for (std::size_t i = tab + 1; i + 1 < line.size(); i += 2)
            text += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        out.emplace_back(line.substr(0, tab), text);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> gradixTexts(const Drawing& d) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const DrawingEntity& e : d.entities) {
        if (e.kind == EntityKind::Text) out.emplace_back("TEXT", e.text);
        if (e.kind == EntityKind::MText) out.emplace_back("MTEXT", e.text);
    }
    return out;
}

// A small DXF from "code|value" lines.
std::string dxf(std::initializer_list<const char*> lines, const char* eol = "\n") {
    std::string out;
    for (const char* line : lines) {
        const std::string s = line;
        const std::size_t bar = s.find('|');
        out += s.substr(0, bar) + eol + s.substr(bar + 1) + eol;
    }
    return out;
}

// ---- encodings --------------------------------------------------------------

TEST(DxfEncoding, VersionAndCodePageDecideHowBytesAreRead) {
    const std::string gbk = "\xD7\xAE\xBA\xC5";  // 桩号 in GBK
    EXPECT_EQ(DxfTextCodec("AC1015", "ANSI_936").decode(gbk), "桩号");
    EXPECT_EQ(DxfTextCodec("AC1018", "ANSI_936").decode(gbk + "K1"), "桩号K1");
    // From AC1021 the bytes are UTF-8 whatever the code page says.
    EXPECT_EQ(DxfTextCodec("AC1021", "ANSI_936").decode("桩号"), "桩号");
    EXPECT_EQ(DxfTextCodec("AC1032", "ANSI_1252").decode("桩号"), "桩号");
    // A newer file whose bytes are not UTF-8 after all is read in its code page.
    EXPECT_EQ(DxfTextCodec("AC1032", "ANSI_936").decode(gbk), "桩号");
    EXPECT_EQ(DxfTextCodec("AC1015", "ANSI_1252").decode("\xB0"), "°");
    // No code page named (old R12 files): UTF-8 when well-formed, else GB18030.
    EXPECT_EQ(DxfTextCodec("", "").decode(gbk), "桩号");
    EXPECT_EQ(DxfTextCodec("", "").decode("桩号"), "桩号");
    EXPECT_EQ(codePageCharset("ansi_936"), "GB18030");
    EXPECT_EQ(codePageCharset("ANSI_950"), "CP950");
    EXPECT_EQ(codePageCharset(""), "CP1252");
    EXPECT_EQ(dxfVersionNumber("AC1015"), DXF_R2000);
    EXPECT_EQ(dxfVersionNumber(""), DXF_R12);
    EXPECT_EQ(dxfVersionNumber("ACxyz"), DXF_R12);
}

TEST(DxfEncoding, UnicodeAndMultibyteEscapesDecode) {
    EXPECT_EQ(decodeDxfEscapes("\\U+6869\\U+53F7K1+200"), "桩号K1+200");
    EXPECT_EQ(decodeDxfEscapes("\\u+6869"), "桩");
    EXPECT_EQ(decodeDxfEscapes("\\U+D83D\\U+DE00"), "😀");  // a surrogate pair
    EXPECT_EQ(decodeDxfEscapes("\\U+D83Dx"), "\xEF\xBF\xBDx");  // a lone surrogate
    EXPECT_EQ(decodeDxfEscapes("\\M+5D7AE\\M+5BAC5"), "桩号");
    EXPECT_EQ(decodeDxfEscapes("\\M+2A8BD"), "里");
    // An escaped backslash never starts an escape; malformed escapes stay text.
    EXPECT_EQ(decodeDxfEscapes("\\\\U+6869"), "\\\\U+6869");
    EXPECT_EQ(decodeDxfEscapes("\\U+68"), "\\U+68");
    EXPECT_EQ(decodeDxfEscapes("\\M+9D7AE"), "\\M+9D7AE");
    EXPECT_EQ(decodeDxfEscapes("end\\"), "end\\");
}

TEST(DxfEncoding, OlderVersionsGetAsciiWithEscapes) {
    const DxfTextCodec r2000("AC1015", "ANSI_936");
    EXPECT_EQ(r2000.encode("桩号K1"), "\\U+6869\\U+53F7K1");
    EXPECT_EQ(r2000.encode("😀"), "\\U+D83D\\U+DE00");
    EXPECT_EQ(r2000.encode("a\xFF"), "a\\U+FFFD");  // malformed input
    const std::string mixed = "{\\L桩号：K0+005.500\\P高程：1.0000%}";
    EXPECT_EQ(r2000.decode(r2000.encode(mixed)), mixed);
    EXPECT_EQ(DxfTextCodec("AC1032", "").encode(mixed), mixed);
}

TEST(DxfEncoding, EveryByteDecodesAndEnds) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (const char* page : {"ANSI_936", "ANSI_932", "ANSI_1252", "ANSI_949"}) {
        const std::string decoded = DxfTextCodec("AC1015", page).decode(all);
        EXPECT_TRUE(isValidUtf8(decoded)) << page;
    }
}

// ---- layout scan ------------------------------------------------------------

TEST(DxfStructure, FindsSectionsTablesHandlesAndLineEnds) {
    const std::string bytes = dxf({"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1015", "9|$HANDSEED", "5|20",
                                   "0|ENDSEC", "0|SECTION", "2|TABLES", "0|TABLE", "2|LAYER", "5|2", "70|1",
                                   "0|LAYER", "5|10", "2|0", "70|0", "0|ENDTAB", "0|TABLE", "2|BLOCK_RECORD", "5|1",
                                   "70|1", "0|BLOCK_RECORD", "5|1F", "2|*Model_Space", "0|ENDTAB", "0|ENDSEC",
                                   "0|SECTION", "2|OBJECTS", "0|SORTENTSTABLE", "5|30", "331|40", "5|3F",
                                   "0|ENDSEC", "0|EOF"},
                                  "\r\n");
    const DxfStructure s = scanDxf(bytes);
    EXPECT_EQ(s.lineEnd, "\r\n");
    EXPECT_EQ(s.acadVersion, "AC1015");
    ASSERT_TRUE(s.handseedPair);
    EXPECT_EQ(s.pairs[*s.handseedPair].value, "20");
    ASSERT_NE(s.table("layer"), nullptr);
    EXPECT_EQ(s.table("LAYER")->handle, "2");
    ASSERT_TRUE(s.table("LAYER")->countPair);
    EXPECT_EQ(s.table("LAYER")->entries.at(0).rawName, "0");
    EXPECT_EQ(s.modelSpaceRecord, "1F");
    // The sort table's second code 5 names another object; the seed is not a handle.
    EXPECT_EQ(s.highestHandle, 0x30u);
    EXPECT_TRUE(s.eofPair);
    EXPECT_EQ(formatHandle(0x3b), "3B");
    EXPECT_EQ(parseHandle(" 3b "), 0x3bu);
    EXPECT_FALSE(parseHandle("xyz"));
}

TEST(DxfStructure, RefusesWhatIsNotAsciiDxf) {
    EXPECT_THROW(scanDxf("AutoCAD Binary DXF\r\n\x1a"), DataError);
    EXPECT_THROW(scanDxf(""), DataError);
    try {
        scanDxf("0\nSECTION\nabc\nHEADER\n");
        FAIL() << "a line without a group code was taken";
    } catch (const DataError& e) {
        EXPECT_NE(e.reason().find("line 3"), std::string::npos) << e.reason();
    }
    EXPECT_THROW(scanDxf("0\nSECTION\n2\n"), DataError);
}

// ---- reading ----------------------------------------------------------------

TEST(DxfReader, LineTooLongForDxflibIsCutAndReadingGoesOn) {
    const std::string longValue(1500, 'A');
    std::string bytes = dxf({"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1015", "9|$CUSTOMPROPERTY"});
    bytes += "  1\n" + longValue + "\n";
    bytes += dxf({"0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|1", "20|2", "40|2.5", "1|K1+200",
                  "0|ENDSEC", "0|EOF"});
    const Drawing d = readDrawingBytes(bytes, "plan.dxf");
    ASSERT_EQ(d.entities.size(), 1u);
    EXPECT_EQ(d.entities[0].text, "K1+200");
    EXPECT_TRUE(d.notes.empty());  // a long line is read whole: nothing to tell
    EXPECT_EQ(d.bytes, bytes);
}

TEST(DxfReader, BlockAndPaperSpaceEntitiesAreNotModelSpace) {
    const std::string bytes =
        dxf({"0|SECTION", "2|BLOCKS", "0|BLOCK", "8|0", "2|TICK", "70|0", "10|5", "20|6", "0|TEXT", "8|0", "10|0",
             "20|0", "40|1", "1|IN BLOCK", "0|ENDBLK", "0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0",
             "67|1", "10|0", "20|0", "40|1", "1|PAPER", "0|INSERT", "8|0", "2|TICK", "10|100", "20|200", "50|90",
             "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|MODEL", "0|ENDSEC", "0|EOF"});
    const Drawing d = readDrawingBytes(bytes, "");
    ASSERT_EQ(d.entities.size(), 2u);
    EXPECT_EQ(d.entities[0].kind, EntityKind::Insert);
    EXPECT_NEAR(d.entities[0].rotation, std::numbers::pi / 2, 1e-12);
    EXPECT_EQ(d.entities[1].text, "MODEL");
    const DrawingBlock& block = d.blocks.at("TICK");
    ASSERT_EQ(block.entities.size(), 1u);
    EXPECT_EQ(block.entities[0].text, "IN BLOCK");
    EXPECT_EQ(block.baseX, 5);
}

TEST(DxfReader, TextGeometryAnglesAndBulges) {
    const std::string bytes = dxf(
        {"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1032", "0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|MTEXT", "8|0",
         "10|1", "20|2", "40|3", "50|90", "3|first ", "3|second ", "1|last", "0|MTEXT", "8|0", "10|0", "20|0",
         "40|3", "11|0", "21|1", "50|45", "1|by direction", "0|TEXT", "8|0", "10|0", "20|0", "40|2", "50|30",
         "1|K0+000", "0|ARC", "8|0", "10|0", "20|0", "40|5", "50|10", "51|80", "0|ARC", "8|0", "10|3", "20|0",
         "40|5", "50|10", "51|80", "230|-1", "0|LWPOLYLINE", "8|0", "90|2", "70|1", "10|0", "20|0", "42|1",
         "10|2", "20|0", "0|POLYLINE", "8|0", "66|1", "10|0", "20|0", "70|0", "0|VERTEX", "8|0", "10|0", "20|0",
         "42|-0.5", "0|VERTEX", "8|0", "10|4", "20|0", "0|SEQEND", "8|0", "0|ENDSEC", "0|EOF"});
    const Drawing d = readDrawingBytes(bytes, "");
    ASSERT_EQ(d.entities.size(), 7u);
    EXPECT_EQ(d.entities[0].text, "first second last");  // chunks joined in order
    EXPECT_NEAR(d.entities[0].rotation, std::numbers::pi / 2, 1e-12);  // code 50 is in degrees
    EXPECT_NEAR(d.entities[1].rotation, std::numbers::pi / 2, 1e-12);  // the direction wins over code 50
    EXPECT_NEAR(d.entities[2].rotation, std::numbers::pi / 6, 1e-12);
    EXPECT_NEAR(d.entities[3].startAngle, 10 * std::numbers::pi / 180, 1e-12);
    EXPECT_NEAR(d.entities[3].endAngle, 80 * std::numbers::pi / 180, 1e-12);
    // Seen from below (extrusion -Z) the arc is mirrored.
    EXPECT_EQ(d.entities[4].x, -3);
    EXPECT_NEAR(d.entities[4].startAngle, 100 * std::numbers::pi / 180, 1e-12);
    const DrawingEntity& lw = d.entities[5];
    EXPECT_FALSE(lw.heavy);
    EXPECT_TRUE(lw.closed);
    ASSERT_EQ(lw.vertices.size(), 2u);
    EXPECT_EQ(lw.vertices[0].bulge, 1);
    EXPECT_EQ(entityTypeNumber(lw), ENTITY_TYPE_LIGHT_POLYLINE);
    const DrawingEntity& heavy = d.entities[6];
    EXPECT_TRUE(heavy.heavy);
    ASSERT_EQ(heavy.vertices.size(), 2u);
    EXPECT_EQ(heavy.vertices[0].bulge, -0.5);
    EXPECT_EQ(entityTypeNumber(heavy), ENTITY_TYPE_POLYLINE);
}

TEST(DxfReader, TablesHeaderAndHandles) {
    REQUIRE_EZDXF();
    const Drawing d = readDrawing((originals() / "plan_r2000_936.dxf").string());
    EXPECT_EQ(d.acadVersion, "AC1015");
    EXPECT_EQ(d.codePage, "ANSI_936");
    ASSERT_NE(d.findLayer("桩号"), nullptr);
    EXPECT_EQ(d.findLayer("桩号")->color, 3);
    ASSERT_NE(d.findLayer("中线"), nullptr);
    EXPECT_EQ(d.findLayer("中线")->color, 1);
    const DrawingTextStyle* hz = const_cast<Drawing&>(d).findTextStyle("HZ");
    ASSERT_NE(hz, nullptr);
    EXPECT_EQ(hz->fontFile, "hztxt.shx");
    const DxfStructure s = scanDxf(d.bytes);
    EXPECT_GT(d.nextHandle, s.highestHandle);
    EXPECT_EQ(d.activeLayer, "0");
}

TEST(DxfReader, MissingFileAndEmptyPath) {
    EXPECT_THROW(readDrawing(""), FileAccessError);
    try {
        readDrawing("/nonexistent/plan.dxf");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "/nonexistent/plan.dxf");
    }
}

// Gradix reads the stake labels exactly as the independent reader does.
TEST(DxfReader, StakeLabelsReadAsEzdxfReadsThem) {
    REQUIRE_EZDXF();
    std::vector<std::string> files = {(originals() / "plan_r2000_936.dxf").string(),
                                      (originals() / "plan_r2018.dxf").string()};
    if (fs::exists(STN02)) files.push_back(STN02);
    for (const std::string& file : files) {
        const Drawing d = readDrawing(file);
        const auto mine = gradixTexts(d);
        EXPECT_FALSE(mine.empty()) << file;
        EXPECT_EQ(mine, ezdxfTexts(file)) << file;
    }
    const auto labels = gradixTexts(readDrawing((originals() / "plan_r2000_936.dxf").string()));
    ASSERT_GE(labels.size(), 4u);
    EXPECT_EQ(labels[1].second, "里程K0+500");
    EXPECT_EQ(labels[2].second, "{\\L桩号：K1+000\\P高程：12.3456}");
    EXPECT_GT(labels[3].second.size(), 250u);  // an MTEXT of many chunks
}

TEST(DxfReader, ThirdPartyPlanWithOverlongLine) {
    if (!fs::exists(STN02)) GTEST_SKIP() << "the STN02 plan of ../shared/data is not present";
    const Drawing d = readDrawing(STN02);
    // Line 32 holds more than 1024 characters; the plan is read whole.
    EXPECT_EQ(d.entities.size(), 587u);
    EXPECT_TRUE(d.notes.empty());
    EXPECT_EQ(d.acadVersion, "AC1032");
    EXPECT_GT(d.blocks.size(), 10u);
}

// Damaged layouts: only the four drawing sections are read, each closed where
// the file leaves it open, and nothing after the end-of-file marker.
TEST(DxfReader, DamagedLayoutReadsOnlyTheDrawingSections) {
    // Two ENTITIES sections, an entity in the header, a stray block among the
    // entities and a TEXT after the end-of-file marker.
    const std::string twoSections =
        dxf({"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1015", "0|LINE", "8|0", "10|0", "20|0", "11|1", "21|1",
             "0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|1", "20|2", "40|2", "1|FIRST", "0|ENDSEC",
             "0|SECTION", "2|OBJECTS", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|IN OBJECTS", "0|ENDSEC",
             "0|SECTION", "2|ENTITIES", "0|BLOCK", "8|0", "2|STRAY", "70|0", "10|0", "20|0", "0|TEXT", "8|0",
             "10|0", "20|0", "40|1", "1|SECOND", "0|ENDBLK", "0|ENDSEC", "0|EOF", "0|TEXT", "8|0", "10|0", "20|0",
             "40|1", "1|AFTER EOF"});
    const Drawing d = readDrawingBytes(twoSections, "");
    ASSERT_EQ(gradixTexts(d).size(), 2u);
    EXPECT_EQ(gradixTexts(d)[0].second, "FIRST");
    EXPECT_EQ(gradixTexts(d)[1].second, "SECOND");
    EXPECT_EQ(d.entities.size(), 2u);  // not the header's LINE
    EXPECT_TRUE(d.blocks.empty());     // a BLOCK outside the BLOCKS section defines nothing
    // A TEXT without an alignment point is placed at its insertion point (dxflib gives NaN).
    EXPECT_EQ(d.entities[0].x2, 1);
    EXPECT_EQ(d.entities[0].y2, 2);

    // An ENTITIES section left open, and a block left open by its section's end.
    const std::string open =
        dxf({"0|SECTION", "2|BLOCKS", "0|BLOCK", "8|0", "2|OPEN", "70|0", "10|0", "20|0", "0|LINE", "8|0", "10|0",
             "20|0", "11|1", "21|0", "0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1",
             "1|K1+200", "0|EOF"});
    const Drawing o = readDrawingBytes(open, "");
    ASSERT_EQ(o.entities.size(), 1u);
    EXPECT_EQ(o.entities[0].text, "K1+200");
    ASSERT_EQ(o.blocks.count("OPEN"), 1u);
    EXPECT_EQ(o.blocks.at("OPEN").entities.size(), 1u);

    // Coordinate systems come from every UCS table, also one without its ENDTAB.
    const std::string ucs = dxf({"0|SECTION", "2|TABLES", "0|TABLE", "2|UCS", "70|1", "0|UCS", "2|FIRST", "70|0",
                                 "10|0", "20|0", "11|1", "21|0", "12|0", "22|1", "0|ENDTAB", "0|TABLE", "2|UCS",
                                 "70|1", "0|UCS", "2|SECOND", "70|0", "10|5", "20|5", "11|1", "21|0", "12|0",
                                 "22|1", "0|ENDSEC", "0|EOF"});
    const Drawing u = readDrawingBytes(ucs, "");
    ASSERT_EQ(u.ucs.size(), 2u);
    EXPECT_EQ(u.ucs[0].name, "FIRST");
    EXPECT_EQ(u.ucs[1].name, "SECOND");
}

TEST(DxfReader, NonFiniteGeometryIsLeftOutWithANote) {
    // dxflib reads "1e999" as the largest double and "nan" as 0; what overflows
    // is the geometry made from them: the axis of an ellipse, a spline over
    // knots near the largest double.
    const std::string bytes =
        dxf({"0|SECTION", "2|BLOCKS", "0|BLOCK", "8|0", "2|B", "70|0", "10|0", "20|0", "0|ELLIPSE", "8|0",
             "10|0", "20|0", "11|1e999", "21|1e999", "40|1", "41|0", "42|6", "0|ENDBLK", "0|ENDSEC", "0|SECTION",
             "2|ENTITIES", "0|ELLIPSE", "5|2A", "8|0", "10|0", "20|0", "11|-1e999", "21|1e999", "40|1e999",
             "41|0", "42|6", "0|SPLINE", "5|2B", "8|0", "71|3", "72|8", "73|4", "40|0", "40|0", "40|0", "40|0",
             "40|1e308", "40|1e308", "40|1e308", "40|1e308", "10|0", "20|0", "10|1", "20|0", "10|1", "20|1",
             "10|0", "20|1", "0|TEXT", "5|2C", "8|0", "10|1e308", "20|-0", "40|nan", "1|K1+200", "0|ENDSEC",
             "0|EOF"});
    const Drawing d = readDrawingBytes(bytes, "");
    ASSERT_EQ(d.entities.size(), 1u);
    EXPECT_EQ(d.entities[0].text, "K1+200");  // large but finite numbers are kept
    EXPECT_TRUE(d.blocks.at("B").entities.empty());
    ASSERT_EQ(d.notes.size(), 2u);
    EXPECT_EQ(d.notes[0], "2 entities (the first with handle 2A) have a coordinate, length or angle that is not "
                          "a finite number and was left out");
    EXPECT_EQ(d.notes[1], "1 entity of block B has a coordinate, length or angle that is not a finite number and "
                          "was left out");
    EXPECT_EQ(d.bytes, bytes);  // what is left out of the view stays in the file
}

// ---- saving -----------------------------------------------------------------

TEST(DxfWriter, SavingWithoutAdditionsKeepsEveryByte) {
    const std::string bytes = emptyDrawingDxf();
    Drawing d = readDrawingBytes(bytes, "");
    EXPECT_EQ(savedDrawingBytes(d), bytes);
}

TEST(DxfWriter, EmptyDrawingIsValid) {
    REQUIRE_EZDXF();
    const fs::path folder = freshFolder();
    writeBytes(folder / "empty.dxf", emptyDrawingDxf());
    const CheckerRun run = runChecker("check " + (folder / "empty.dxf").string());
    EXPECT_EQ(run.status, 0) << run.output;
    const Drawing d = newDrawing();
    EXPECT_TRUE(d.entities.empty());
    EXPECT_NE(const_cast<Drawing&>(d).findTextStyle("Standard"), nullptr);
    EXPECT_NE(d.findLayer("0"), nullptr);
    EXPECT_TRUE(d.path.empty());
    EXPECT_TRUE(d.fromTemplate);
}

class Annotated : public testing::TestWithParam<std::string> {};

// The annotation of the pick command, saved into each kind of original, reads
// back in ezdxf with an audit of 0 errors, its layer, style, coordinate system
// and text as meant, and every object of the original unchanged.
TEST_P(Annotated, SavedFileKeepsOriginalAndHoldsAnnotation) {
    REQUIRE_EZDXF();
    std::string original = GetParam();
    if (original == "STN02") {
        if (!fs::exists(STN02)) GTEST_SKIP() << "the STN02 plan of ../shared/data is not present";
        original = STN02;
    } else if (original != "new") {
        original = (originals() / original).string();
    }
    const fs::path folder = freshFolder();
    auto drawing = std::make_shared<Drawing>(original == "new" ? newDrawing() : readDrawing(original));
    if (original == "new") {
        original = (folder / "template.dxf").string();
        writeBytes(original, drawing->bytes);
    }
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    const std::vector<Annotation> annotations = {{{452300.5, 4539400.25, 0}, ANNOTATION, 90},
                                                 {{10, -20, 0}, ANNOTATION + std::string(200, 'x') + "长", -33.5}};
    for (const Annotation& a : annotations) annotate(doc, a);
    EXPECT_TRUE(drawing->modified);
    const fs::path written = folder / "annotated.dxf";
    saveDrawing(*drawing, written.string());
    EXPECT_FALSE(drawing->modified);
    EXPECT_EQ(drawing->path, written.string());
    const CheckerRun run = runChecker("check " + written.string() + " --original " + original + " --expect " +
                               expectations(folder, annotations));
    EXPECT_EQ(run.status, 0) << run.output;
    // And Gradix reads its own additions back.
    const Drawing back = readDrawing(written.string());
    ASSERT_GE(back.entities.size(), 2u);
    EXPECT_EQ(back.entities[back.entities.size() - 2].text, annotations[0].text);
    EXPECT_NEAR(back.entities[back.entities.size() - 2].rotation, std::numbers::pi / 2, 1e-12);
    EXPECT_EQ(back.entities.back().layer, ANNOTATION_LAYER);
}

INSTANTIATE_TEST_SUITE_P(Originals, Annotated,
                         testing::Values("plan_r2000_936.dxf", "plan_r2018.dxf", "STN02", "new"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.find('.'));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(DxfWriter, SecondRunReusesItemsAndSavesAgainFromTheSameBase) {
    Drawing base = newDrawing();
    auto drawing = std::make_shared<Drawing>(base);
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    annotate(doc, {});
    const std::string once = savedDrawingBytes(*drawing);
    EXPECT_EQ(savedDrawingBytes(*drawing), once);  // the opened bytes stay the base
    annotate(doc, {{5, 5, 0}, "second", 0});
    const std::string twice = savedDrawingBytes(*drawing);
    const DxfStructure s = scanDxf(twice);
    // One layer, one style, one coordinate system more than the template, whatever the runs.
    const auto count = [&](const char* table) {
        const DxfTable* t = s.table(table);
        return t ? t->entries.size() : 0u;
    };
    EXPECT_EQ(count("LAYER"), 2u);
    EXPECT_EQ(count("STYLE"), 2u);
    EXPECT_EQ(count("UCS"), 1u);
    EXPECT_EQ(s.pairs[*s.table("LAYER")->countPair].value, "2");
    EXPECT_EQ(s.pairs[*s.table("UCS")->countPair].value, "1");
    // Fresh handles above the old seed, the seed raised beyond them.
    const DxfStructure old = scanDxf(base.bytes);
    const std::uint64_t oldSeed = *parseHandle(old.pairs[*old.handseedPair].value);
    const std::uint64_t newSeed = *parseHandle(s.pairs[*s.handseedPair].value);
    EXPECT_GE(s.highestHandle, oldSeed);
    EXPECT_GT(newSeed, s.highestHandle);
    std::size_t mtexts = 0;
    for (const DxfPair& p : s.pairs)
        if (p.code == 0 && p.value == "MTEXT") ++mtexts;
    EXPECT_EQ(mtexts, 2u);
}

TEST(DxfWriter, StyleOfTheFileIsPatchedNotDuplicated) {
    REQUIRE_EZDXF();
    // An original that already has a style "jp" with other fonts, and the
    // annotation layer: both are reused, the style takes the new fonts.
    const std::string bytes = dxf(
        {"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1015", "9|$HANDSEED", "5|40", "0|ENDSEC", "0|SECTION",
         "2|TABLES", "0|TABLE", "2|LTYPE", "5|5", "330|0", "100|AcDbSymbolTable", "70|1", "0|LTYPE", "5|14",
         "330|5", "100|AcDbSymbolTableRecord", "100|AcDbLinetypeTableRecord", "2|Continuous", "70|0",
         "3|Solid line", "72|65", "73|0", "40|0.0", "0|ENDTAB", "0|TABLE", "2|LAYER", "5|2", "330|0",
         "100|AcDbSymbolTable", "70|2", "0|LAYER", "5|10", "330|2", "100|AcDbSymbolTableRecord",
         "100|AcDbLayerTableRecord", "2|0", "70|0", "62|7", "6|Continuous", "0|LAYER", "5|11", "330|2",
         "100|AcDbSymbolTableRecord", "100|AcDbLayerTableRecord", "2|\\U+7EB5\\U+65AD\\U+9762\\U+8BBE\\U+8BA1\\U+9AD8\\U+7A0B",
         "70|0", "62|2", "6|Continuous", "0|ENDTAB", "0|TABLE", "2|STYLE", "5|3", "330|0", "100|AcDbSymbolTable",
         "70|1", "0|STYLE", "5|12", "330|3", "100|AcDbSymbolTableRecord", "100|AcDbTextStyleTableRecord", "2|JP",
         "70|0", "40|0.0", "41|1.0", "50|0.0", "71|0", "42|2.5", "3|txt", "0|ENDTAB", "0|TABLE",
         "2|BLOCK_RECORD", "5|1", "330|0", "100|AcDbSymbolTable", "70|1", "0|BLOCK_RECORD", "5|1F", "330|1",
         "100|AcDbSymbolTableRecord", "100|AcDbBlockTableRecord", "2|*Model_Space", "0|ENDTAB", "0|ENDSEC",
         "0|SECTION", "2|BLOCKS", "0|BLOCK", "5|20", "330|1F", "100|AcDbEntity", "8|0", "100|AcDbBlockBegin",
         "2|*Model_Space", "70|0", "10|0", "20|0", "30|0", "3|*Model_Space", "1|", "0|ENDBLK", "5|21", "330|1F",
         "100|AcDbEntity", "8|0", "100|AcDbBlockEnd", "0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|LINE", "5|30",
         "330|1F", "100|AcDbEntity", "8|0", "100|AcDbLine", "10|0", "20|0", "30|0", "11|10", "21|0", "31|0",
         "0|ENDSEC", "0|EOF"});
    const fs::path folder = freshFolder();
    writeBytes(folder / "styled.dxf", bytes);
    auto drawing = std::make_shared<Drawing>(readDrawingBytes(bytes, (folder / "styled.dxf").string()));
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    const Annotation a{{1, 2, 0}, ANNOTATION, 0};
    annotate(doc, a);
    EXPECT_EQ(drawing->layers.size(), 2u);  // the annotation layer of the file is handed back
    saveDrawing(*drawing, (folder / "out.dxf").string());
    const DxfStructure s = scanDxf(readBytes(folder / "out.dxf"));
    EXPECT_EQ(s.table("STYLE")->entries.size(), 1u);
    EXPECT_EQ(s.table("LAYER")->entries.size(), 2u);
    EXPECT_EQ(s.pairs[*s.table("LAYER")->countPair].value, "2");
    // The file's style keeps its name "JP"; ezdxf finds it case-insensitively.
    const CheckerRun run = runChecker("check " + (folder / "out.dxf").string() + " --original " +
                               (folder / "styled.dxf").string() + " --changed 12 --expect " +
                               expectations(folder, {a}));
    EXPECT_EQ(run.status, 0) << run.output;
}

TEST(DxfWriter, R12GetsTextLinesAndMissingSectionsAreMade) {
    REQUIRE_EZDXF();
    // A bare R12 file: no header, no tables, only entities.
    const std::string bytes = dxf({"0|SECTION", "2|ENTITIES", "0|LINE", "8|0", "10|0", "20|0", "11|100", "21|0",
                                   "0|ENDSEC", "0|EOF"});
    auto drawing = std::make_shared<Drawing>(readDrawingBytes(bytes, ""));
    EXPECT_FALSE(drawing->usesHandles);
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    annotate(doc, {{10, 20, 0}, ANNOTATION, 0});
    const fs::path folder = freshFolder();
    saveDrawing(*drawing, (folder / "r12.dxf").string());
    const CheckerRun run = runChecker("check " + (folder / "r12.dxf").string());
    EXPECT_EQ(run.status, 0) << run.output;
    const Drawing back = readDrawing((folder / "r12.dxf").string());
    ASSERT_EQ(back.entities.size(), 4u);
    EXPECT_EQ(back.entities[1].text, "%%u桩号：A1K12+345.678");
    EXPECT_EQ(back.entities[3].text, "%%u纵坡：1.2345%");
    EXPECT_NEAR(back.entities[1].y, 20 - 5, 1e-9);  // first baseline one text height below the top
    EXPECT_NE(back.findLayer(ANNOTATION_LAYER), nullptr);
}

TEST(DxfWriter, InsertedLinesFollowTheFileLineEnd) {
    std::string bytes = emptyDrawingDxf();
    std::string crlf;
    for (char c : bytes) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    auto drawing = std::make_shared<Drawing>(readDrawingBytes(crlf, ""));
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    annotate(doc, {});
    const std::string out = savedDrawingBytes(*drawing);
    for (std::size_t i = 0; i < out.size(); ++i)
        if (out[i] == '\n') {
            ASSERT_TRUE(i > 0 && out[i - 1] == '\r') << "a bare LF at byte " << i;
        }
}

TEST(DxfWriter, LongTextIsSplitOutsideEscapes) {
    auto drawing = std::make_shared<Drawing>(newDrawing());
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    std::string text;
    for (int i = 0; i < 120; ++i) text += "a桩";  // 1 + 7 encoded bytes each
    annotate(doc, {{0, 0, 0}, text, 0});
    const DxfStructure s = scanDxf(savedDrawingBytes(*drawing));
    std::string joined;
    bool inMText = false;
    for (const DxfPair& p : s.pairs) {
        if (p.code == 0) inMText = p.value == "MTEXT";
        if (!inMText || (p.code != 1 && p.code != 3)) continue;
        EXPECT_LE(p.value.size(), 250u);
        const std::size_t escape = std::string(p.value).rfind("\\U+");
        if (escape != std::string::npos) {
            EXPECT_GE(p.value.size() - escape, 7u) << "an escape split between pieces";
        }
        joined += p.value;
    }
    EXPECT_EQ(decodeDxfEscapes(joined), text);
}

// Damaged layouts keep every byte of the file; what Gradix adds lands where
// the next reading finds it: after the last entity of the last ENTITIES
// section, and on lines of its own.
TEST(DxfWriter, DamagedLayoutKeepsTheFileAndAppendsAfterTheLastEntity) {
    const auto annotated = [](const std::string& bytes) {
        auto drawing = std::make_shared<Drawing>(readDrawingBytes(bytes, ""));
        ScriptScreen screen;
        DrawingDocument doc(drawing, screen);
        annotate(doc, {{10, 20, 0}, "K1+200", 0});
        return savedDrawingBytes(*drawing);
    };
    const auto lastTexts = [](const std::string& bytes) {
        const auto texts = gradixTexts(readDrawingBytes(bytes, ""));
        std::vector<std::string> out;
        for (const auto& t : texts) out.push_back(t.second);
        return out;
    };
    const std::string ver = "9|$ACADVER";
    using Texts = std::vector<std::string>;

    // Two ENTITIES sections: the annotation ends the second.
    const std::string two = dxf({"0|SECTION", "2|HEADER", ver.c_str(), "1|AC1015", "0|ENDSEC", "0|SECTION",
                                 "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|A", "0|ENDSEC",
                                 "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|B",
                                 "0|ENDSEC", "0|EOF"});
    std::string out = annotated(two);
    EXPECT_EQ(lastTexts(out), (Texts{"A", "B", "K1+200"}));
    EXPECT_GT(out.find("K1+200"), out.find("\n1\nB\n"));

    // An ENTITIES section left open before the end-of-file marker or before
    // the next section.
    const std::string unterminated = dxf({"0|SECTION", "2|HEADER", ver.c_str(), "1|AC1015", "0|ENDSEC",
                                          "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1",
                                          "1|A", "0|EOF"});
    out = annotated(unterminated);
    EXPECT_EQ(lastTexts(out), (Texts{"A", "K1+200"}));
    EXPECT_EQ(out.substr(out.size() - 6), "0\nEOF\n");
    const std::string beforeNext = dxf({"0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1",
                                        "1|A", "0|SECTION", "2|OBJECTS", "0|ENDSEC", "0|EOF"});
    out = annotated(beforeNext);
    EXPECT_EQ(lastTexts(out), (Texts{"A", "K1+200"}));
    EXPECT_LT(out.find("K1+200"), out.find("OBJECTS"));

    // Data after the end-of-file marker stays there and is not read.
    const std::string tail = dxf({"0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|A",
                                  "0|ENDSEC", "0|EOF", "999|written by another tool"});
    out = annotated(tail);
    EXPECT_EQ(lastTexts(out), (Texts{"A", "K1+200"}));
    EXPECT_EQ(out.substr(out.size() - 28), "999\nwritten by another tool\n");

    // No line end after the last line, and a trailing blank line: the sections
    // Gradix adds start on a line of their own, the blank line stays last.
    std::string bare = dxf({"0|SECTION", "2|HEADER", "9|$INSBASE", "10|0", "20|0", "0|ENDSEC"});
    bare.pop_back();
    for (const std::string& bytes : {bare, bare + "\n  \n"}) {
        out = annotated(bytes);
        ASSERT_NO_THROW(scanDxf(out)) << out;
        EXPECT_EQ(out.substr(0, bare.size() + 1), bare + "\n");
        EXPECT_EQ(lastTexts(out), (Texts{"K1+200"}));
        const Drawing back = readDrawingBytes(out, "");
        EXPECT_NE(back.findLayer(ANNOTATION_LAYER), nullptr);
        if (bytes.size() > bare.size()) {
            EXPECT_EQ(out.substr(out.size() - 4), "\n  \n");
        }
    }
}

TEST(DxfWriter, FailedSaveLeavesTheDrawingModified) {
    auto drawing = std::make_shared<Drawing>(newDrawing());
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    annotate(doc, {});
    EXPECT_THROW(saveDrawing(*drawing, "/nonexistent/folder/out.dxf"), DataError);
    EXPECT_TRUE(drawing->modified);
    EXPECT_THROW(saveDrawing(*drawing, ""), FileAccessError);
}

// ---- the CAD interface over the drawing model --------------------------------

TEST(DrawingCad, AddHandsBackTheExistingItem) {
    auto drawing = std::make_shared<Drawing>(newDrawing());
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    CadLayer& a = doc.Layers().Add(ANNOTATION_LAYER);
    EXPECT_EQ(&doc.Layers().Add(ANNOTATION_LAYER), &a);
    EXPECT_EQ(doc.Layers().Add("0").Name(), "0");
    CadTextStyle& s = doc.TextStyles().Add("jp");
    EXPECT_EQ(&doc.TextStyles().Add("JP"), &s);  // table names ignore case
    EXPECT_EQ(doc.TextStyles().Add("standard").Name(), "Standard");
    CadUcs& u = doc.UserCoordinateSystems().Add({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
    EXPECT_EQ(&doc.UserCoordinateSystems().Add({5, 5, 0}, {6, 5, 0}, {5, 6, 0}, "xy"), &u);
    EXPECT_EQ(drawing->layers.size(), 2u);
    EXPECT_EQ(drawing->styles.size(), 2u);
    EXPECT_EQ(drawing->ucs.size(), 1u);
    doc.ActiveLayer(a);
    doc.ActiveUCS(u);
    EXPECT_EQ(doc.ActiveLayerName(), ANNOTATION_LAYER);
    EXPECT_EQ(doc.ActiveUCSName(), "xy");
    // New texts go on the current layer.
    doc.ModelSpace().AddMText({0, 0, 0}, 0, "");
    EXPECT_EQ(drawing->entities.back().layer, ANNOTATION_LAYER);
    EXPECT_GT(screen.changes, 0);
}

TEST(DrawingCad, RefusesWhatCadRefuses) {
    auto drawing = std::make_shared<Drawing>(newDrawing());
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    EXPECT_THROW(doc.Layers().Add(""), CadError);
    EXPECT_THROW(doc.Layers().Add("a/b"), CadError);
    EXPECT_THROW(doc.TextStyles().Add("x*y"), CadError);
    EXPECT_THROW(doc.UserCoordinateSystems().Add({0, 0, 0}, {0, 0, 0}, {0, 1, 0}, "u"), CadError);
    EXPECT_THROW(doc.UserCoordinateSystems().Add({0, 0, 0}, {1, 0, 0}, {2, 0, 0}, "u"), CadError);
    EXPECT_THROW(doc.UserCoordinateSystems().Add({NAN, 0, 0}, {1, 0, 0}, {0, 1, 0}, "u"), CadError);
    EXPECT_THROW(doc.ModelSpace().AddMText({0, INFINITY, 0}, 0, ""), CadError);
    EXPECT_THROW(doc.ModelSpace().AddMText({0, 0, 0}, -1, ""), CadError);
    CadTextStyle& style = doc.TextStyles().Add("jp");
    EXPECT_THROW(style.Height(NAN), CadError);
    EXPECT_THROW(style.Width(0), CadError);
    CadMText& m = doc.ModelSpace().AddMText({0, 0, 0}, 0, "");
    EXPECT_THROW(m.StyleName("nosuch"), CadError);
    EXPECT_THROW(m.Height(0), CadError);
    EXPECT_THROW(m.Height(NAN), CadError);
    EXPECT_THROW(m.Color(257), CadError);
    EXPECT_THROW(m.rotation(NAN), CadError);
    EXPECT_TRUE(drawing->entities.back().text.empty());
}

TEST(DrawingCad, UcsAxesFromPoints) {
    auto drawing = std::make_shared<Drawing>(newDrawing());
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    doc.UserCoordinateSystems().Add({10, 10, 0}, {12, 10, 0}, {11, 15, 0}, "tilted");
    const DrawingUcs& u = *drawing->findUcs("tilted");
    EXPECT_EQ(u.xAxis, (Point3{1, 0, 0}));
    EXPECT_EQ(u.yAxis, (Point3{0, 1, 0}));  // made square to the x axis
}

TEST(DrawingCad, SelectionYieldsTextsInSelectionOrder) {
    REQUIRE_EZDXF();
    auto drawing = std::make_shared<Drawing>(readDrawing((originals() / "plan_r2000_936.dxf").string()));
    ScriptScreen screen;
    // The MTEXT, the line, then the TEXT "K0+000".
    std::size_t mtext = 0, line = 0, text = 0;
    for (std::size_t i = 0; i < drawing->entities.size(); ++i) {
        const DrawingEntity& e = drawing->entities[i];
        if (e.kind == EntityKind::MText && !mtext) mtext = i;
        if (e.kind == EntityKind::Line) line = i;
        if (e.kind == EntityKind::Text && e.text == "K0+000") text = i;
    }
    screen.selections = {std::vector<std::size_t>{mtext, line, text, mtext}, std::nullopt};
    DrawingDocument doc(drawing, screen);
    CadSelectionSet& set = doc.SelectionSets().Add(".7055475");
    EXPECT_THROW(doc.SelectionSets().Add(".7055475"), CadError);
    ASSERT_TRUE(set.SelectOnScreen());
    ASSERT_EQ(set.Count(), 3);  // chosen twice, held once
    EXPECT_EQ(set.Item(0).entitytype(), ENTITY_TYPE_MTEXT);
    EXPECT_EQ(set.Item(0).TextString(), "{\\L桩号：K1+000\\P高程：12.3456}");
    EXPECT_EQ(set.Item(1).entitytype(), ENTITY_TYPE_LINE);
    EXPECT_EQ(set.Item(1).TextString(), "");
    EXPECT_EQ(set.Item(2).entitytype(), ENTITY_TYPE_TEXT);
    EXPECT_EQ(set.Item(2).TextString(), "K0+000");
    EXPECT_THROW(set.Item(3), CadError);
    CadSelectionSet& cancelled = doc.SelectionSets().Add(".5");
    EXPECT_FALSE(cancelled.SelectOnScreen());
    EXPECT_EQ(cancelled.Count(), 0);
    set.Delete();
    EXPECT_NO_THROW(doc.SelectionSets().Add(".7055475"));
    // Objects of the opened file cannot be changed: a save would lose the change.
    EXPECT_THROW(doc.mtextItem(mtext).TextString("changed"), CadError);
    EXPECT_THROW(doc.mtextItem(line), CadError);
}

TEST(DrawingCad, GetPointAsksTheScreen) {
    auto drawing = std::make_shared<Drawing>(newDrawing());
    ScriptScreen screen;
    screen.points = {CadPoint{1, 2, 3}, std::nullopt};
    DrawingDocument doc(drawing, screen);
    EXPECT_EQ(doc.Utility().GetPoint("pick"), (CadPoint{1, 2, 3}));
    EXPECT_FALSE(doc.Utility().GetPoint("pick"));
}

// ---- ConnectCad ---------------------------------------------------------------

TEST(ConnectCad, AttachesStartsOrShowsTheFailure) {
    ScriptedCad running;
    EXPECT_EQ(ConnectCad(running, running), &running);
    EXPECT_TRUE(running.visible);
    EXPECT_EQ(running.activated, std::vector<std::string>{running.caption});
    EXPECT_EQ(running.log.front(), "attach");

    ScriptedCad none;
    none.running = false;
    EXPECT_EQ(ConnectCad(none, none), &none);
    EXPECT_EQ(none.log[1], "start");

    ScriptedCad failing;
    failing.running = false;
    failing.startFailure = "无法打开绘图窗口：no display";
    EXPECT_EQ(ConnectCad(failing, failing), nullptr);
    EXPECT_EQ(failing.messages, std::vector<std::string>{"无法打开绘图窗口：no display"});
    EXPECT_TRUE(failing.activated.empty());

    ScriptedCad silent;
    silent.failAt = "Visible";
    silent.failureText = "";
    EXPECT_EQ(ConnectCad(silent, silent), nullptr);
    EXPECT_EQ(silent.messages, std::vector<std::string>{CAD_LINK_FAILED_TEXT});
}

TEST(ScriptedCadRecording, RecordsEveryCallAndProperty) {
    ScriptedCad cad;
    cad.points = {CadPoint{100.5, 200, 0}};
    CadDocument& doc = cad.ActiveDocument();
    doc.TextStyles().Add("jp").Width(0.75);
    CadMText& m = doc.ModelSpace().AddMText({1, 2, 0}, 0, "");
    m.Color(1);
    EXPECT_EQ(doc.Utility().GetPoint("p"), (CadPoint{100.5, 200, 0}));
    EXPECT_FALSE(doc.Utility().GetPoint("q"));
    const std::vector<std::string> expected = {"ActiveDocument",
                                               "TextStyles.Add(jp)",
                                               "TextStyle[jp].Width=0.75",
                                               "ModelSpace.AddMText((1,2,0),0,)",
                                               "MText[1].Color=1",
                                               "GetPoint(p)",
                                               "GetPoint(q)"};
    EXPECT_EQ(cad.log, expected);
    EXPECT_EQ(cad.mtexts.at(0).color, 1);
    cad.failAt = "Layers.Add";
    EXPECT_THROW(doc.Layers().Add("x"), CadError);
}

// ---- text codes -----------------------------------------------------------------

TEST(TextCodes, MultiLineCodesForDisplay) {
    const std::vector<TextLine> lines = parseMText("{\\L桩号：K1+200\\P高程：1.0}\\P\\H2x;big\\~\\S1^2;", 2.5);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].plain(), "桩号：K1+200");
    EXPECT_TRUE(lines[0].runs[0].underline);
    EXPECT_TRUE(lines[1].runs[0].underline);  // the group lasts over the paragraph
    EXPECT_EQ(lines[2].plain(), "big 1/2");
    EXPECT_FALSE(lines[2].runs[0].underline);  // the brace ended it
    EXPECT_EQ(lines[2].runs[0].height, 5);
    EXPECT_EQ(mtextPlainText("\\C256;Sv= 109.432\\PR= 1000.000"), "Sv= 109.432\nR= 1000.000");
    EXPECT_EQ(mtextPlainText("\\fArial|b0|i0;a\\\\b\\{c\\}"), "a\\b{c}");
    EXPECT_EQ(mtextPlainText("{\\L桩号"), "桩号");  // never closed
    EXPECT_EQ(mtextPlainText("\\Qx"), "");      // an argument runs to its ';' or the end
}

TEST(TextCodes, SingleLinePercentCodes) {
    const TextLine line = parseTextCodes("%%uK1%%u+200 %%d%%p%%c %%%%%065", 3);
    EXPECT_EQ(line.plain(), "K1+200 °±⌀ %A");
    EXPECT_TRUE(line.runs[0].underline);
    EXPECT_FALSE(line.runs[1].underline);
    EXPECT_EQ(parseTextCodes("100%", 1).plain(), "100%");
}

// ---- geometry helpers -------------------------------------------------------------

TEST(DrawingGeometry, BulgesFlattenOntoTheirArcs) {
    // Bulge 1 from (0,0) to (2,0): a half circle about (1,0) through (1,-1).
    const auto points = flattenPolyline({{0, 0, 1}, {2, 0, 0}}, false, 0.001);
    ASSERT_GT(points.size(), 10u);
    for (const auto& p : points) EXPECT_NEAR(std::hypot(p[0] - 1, p[1]), 1, 1e-12);
    EXPECT_LT(points[points.size() / 2][1], 0);
    EXPECT_EQ(points.back(), (std::array<double, 2>{2, 0}));
    const auto closed = flattenPolyline({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, true, 1);
    EXPECT_EQ(closed.size(), 4u);
    EXPECT_EQ(closed.front(), closed.back());
}

TEST(DrawingGeometry, ReferenceTicksEveryHundredMetres) {
    // A straight road due east from chainage 50 to 350.
    std::vector<double> c, X, Y;
    for (double s = 50; s <= 350; s += 10) {
        c.push_back(s);
        X.push_back(1000);
        Y.push_back(5000 + s);
    }
    const ReferenceAlignment r = referenceAlignmentFromSamples(c, X, Y, REFERENCE_TICK_SPACING,
                                                               [](double s) { return std::to_string(int(s)); });
    EXPECT_EQ(r.line.size(), c.size());
    ASSERT_EQ(r.ticks.size(), 3u);
    EXPECT_NEAR(r.ticks[0].Y, 5100, 1e-9);
    EXPECT_NEAR(r.ticks[2].Y, 5300, 1e-9);
    EXPECT_NEAR(r.ticks[1].bearing, std::numbers::pi / 2, 1e-12);  // east
    EXPECT_EQ(r.ticks[1].label, "200");
    EXPECT_TRUE(referenceAlignmentFromSamples({0, NAN}, {0, 0}, {0, 0}).ticks.empty());
}

}  // namespace
}  // namespace gradix
