// The DXF file as data: text encodings and escapes, the layout scan, reading
// through dxflib, the writer without additions (written files checked by
// ezdxf, an independent reader), MTEXT and percent codes, and polyline
// flattening. The annotation saved through the CAD interface is tested in
// tests/cadmodel.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "dxf/drawing.h"
#include "dxf/dxfencoding.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "dxf/mtext.h"
#include "support/drawing_texts.h"
#include "support/dxf_checker.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "text/failures.h"
#include "text/messages.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;
using testing::checkerAvailable;
using testing::CheckerRun;
using testing::dxf;
using testing::ezdxfOriginals;
using testing::ezdxfTexts;
using testing::gradixTexts;
using testing::runChecker;
using testing::stn02Plan;
using testing::TempFolder;
using testing::writeBytes;

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
        EXPECT_EQ(e.reason(), msg::groupCodeExpected(msg::dxfLine(3), "abc"));
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
    const DrawingEntity& heavy = d.entities[6];
    EXPECT_TRUE(heavy.heavy);
    ASSERT_EQ(heavy.vertices.size(), 2u);
    EXPECT_EQ(heavy.vertices[0].bulge, -0.5);
}

TEST(DxfReader, TablesHeaderAndHandles) {
    REQUIRE_EZDXF();
    const Drawing d = readDrawing((ezdxfOriginals() / "plan_r2000_936.dxf").string());
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
    std::vector<std::string> files = {(ezdxfOriginals() / "plan_r2000_936.dxf").string(),
                                      (ezdxfOriginals() / "plan_r2018.dxf").string()};
    GRADIX_NEED(fs::exists(stn02Plan()), "the STN02 plan of ../shared/data is not present");
    files.push_back(stn02Plan());
    for (const std::string& file : files) {
        const Drawing d = readDrawing(file);
        const auto mine = gradixTexts(d);
        EXPECT_FALSE(mine.empty()) << file;
        EXPECT_EQ(mine, ezdxfTexts(file)) << file;
    }
    const auto labels = gradixTexts(readDrawing((ezdxfOriginals() / "plan_r2000_936.dxf").string()));
    ASSERT_GE(labels.size(), 4u);
    EXPECT_EQ(labels[1].second, "里程K0+500");
    EXPECT_EQ(labels[2].second, "{\\L桩号：K1+000\\P高程：12.3456}");
    EXPECT_GT(labels[3].second.size(), 250u);  // an MTEXT of many chunks
}

TEST(DxfReader, ThirdPartyPlanWithOverlongLine) {
    GRADIX_NEED(fs::exists(stn02Plan()), "the STN02 plan of ../shared/data is not present");
    const Drawing d = readDrawing(stn02Plan());
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
    EXPECT_EQ(d.notes[0], msg::entitiesDropped(2, "", "2A"));
    EXPECT_EQ(d.notes[1], msg::entitiesDropped(1, "B", ""));
    EXPECT_EQ(d.bytes, bytes);  // what is left out of the view stays in the file
}

// A drawing that ends before its EOF is read with a note of where, and refused for saving.
TEST(DxfReader, DrawingCutShortIsReadWithANoteAndNotSaved) {
    const std::string text = dxf({"0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|1", "20|2", "1|K1+200"});
    std::string binary(BINARY_DXF_SENTINEL);  // two-byte codes, string values
    for (const char* pair : {"\0\0SECTION", "\x02\0ENTITIES", "\0\0TEXT", "\x08\0" "0", "\x01\0K1+200"})
        binary += std::string(pair, 2 + std::strlen(pair + 2)) + '\0';
    const std::vector<std::pair<std::string, std::string>> cases = {  // bytes, note ("" for a whole drawing)
        {text + dxf({"0|ENDSEC", "0|EOF"}), ""},
        {text + dxf({"0|LINE", "8|0", "10|5"}), msg::drawingEndsEarly(msg::dxfLine(20))},
        {binary, msg::drawingEndsEarly(msg::dxfByte(binary.size()))}};
    for (const auto& [bytes, note] : cases) {
        Drawing d = readDrawingBytes(bytes, "cut.dxf");
        EXPECT_EQ(d.entities.at(0).text, "K1+200") << note;
        EXPECT_EQ(d.notes, note.empty() ? std::vector<std::string>{} : std::vector{note});
        d.addMText({0, 0, 0}, 0, "K1+300");
        if (note.empty()) EXPECT_NE(savedDrawingBytes(d).find("K1+300"), std::string::npos);
        else EXPECT_THROW(try { savedDrawingBytes(d); } catch (const DataError& e) {
                EXPECT_EQ(e.detail(), "cut.dxf：" + std::string(msg::DRAWING_INCOMPLETE));
                throw;
            }, DataError);
    }
}

// Angles a file may give however far beyond a turn: every ELLIPSE parameter
// and HATCH arc edge comes back at once as at most one turn of chords on its
// curve (a loop adding whole turns never ended on 1e20).
struct HugeAngleCase {
    const char* name;
    bool hatch;         // a HATCH arc edge of radius 3 (degrees), else an ELLIPSE of axes 5 and 5 (radians)
    const char* start;  // ELLIPSE code 41, HATCH edge code 50
    const char* end;    // ELLIPSE code 42, HATCH edge code 51
};

class HugeAngles : public ::testing::TestWithParam<HugeAngleCase> {};

TEST_P(HugeAngles, ReadAtOnceAsOneTurnAtMost) {
    const HugeAngleCase& c = GetParam();
    const std::string start = c.start, end = c.end;
    const std::string entity =
        c.hatch ? dxf({"0|HATCH", "8|0", "91|1", "92|0", "93|1", "72|2", "10|10", "20|20", "40|3"}) +
                      dxf({("50|" + start).c_str(), ("51|" + end).c_str(), "73|1", "75|0"})
                : dxf({"0|ELLIPSE", "8|0", "10|10", "20|20", "11|5", "21|0", "40|1"}) +
                      dxf({("41|" + start).c_str(), ("42|" + end).c_str()});
    const Drawing d = readDrawingBytes(dxf({"0|SECTION", "2|ENTITIES"}) + entity + dxf({"0|ENDSEC", "0|EOF"}), "");
    ASSERT_EQ(d.entities.size(), 1u);
    const std::vector<PolylineVertex>& v = d.entities[0].vertices;
    ASSERT_GE(v.size(), 2u);
    EXPECT_LE(v.size(), 73u);  // 72 chords a turn
    for (const PolylineVertex& p : v) EXPECT_NEAR(std::hypot(p.x - 10, p.y - 20), c.hatch ? 3 : 5, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Parameters, HugeAngles,
                         ::testing::Values(HugeAngleCase{"ellipse_start_1e20", false, "1e20", "1"},
                                           HugeAngleCase{"ellipse_start_minus_1e20", false, "-1e20", "1"},
                                           HugeAngleCase{"ellipse_end_1e20", false, "0", "1e20"},
                                           HugeAngleCase{"ellipse_end_minus_1e20", false, "0", "-1e20"},
                                           HugeAngleCase{"hatch_arc_start_1e20", true, "1e20", "90"},
                                           HugeAngleCase{"hatch_arc_end_minus_1e20", true, "0", "-1e20"}),
                         [](const ::testing::TestParamInfo<HugeAngleCase>& info) { return std::string(info.param.name); });

// ---- saving -----------------------------------------------------------------

TEST(DxfWriter, SavingWithoutAdditionsKeepsEveryByte) {
    const std::string bytes = emptyDrawingDxf();
    Drawing d = readDrawingBytes(bytes, "");
    EXPECT_EQ(savedDrawingBytes(d), bytes);
}

// Before AutoCAD 2007 a new layer's name is written in the code page when it holds it.
TEST(DxfWriter, LayerNamesOfOlderVersionsInTheirCodePage) {
    for (const auto& [codePage, written] : {std::pair{"ANSI_936", "\xD7\xDD\xB6\xCF\xC3\xE6"},
                                            std::pair{"ANSI_1252", "\\U+7EB5\\U+65AD\\U+9762"}}) {
        std::string bytes = emptyDrawingDxf();
        Drawing d = readDrawingBytes(bytes.replace(bytes.find("ANSI_936"), 8, codePage), "");
        d.activeLayer = d.addLayer("纵断面").name;
        d.addMText({0, 0, 0}, 0, "K1+300");
        const std::string savedBytes = savedDrawingBytes(d);  // the pairs below are views into it
        const DxfStructure saved = scanDxf(savedBytes);       // the layer entry's name and the text's layer
        EXPECT_EQ(std::count_if(saved.pairs.begin(), saved.pairs.end(), [&](const DxfPair& p) { return p.value == written; }), 2);
    }
}

TEST(DxfWriter, EmptyDrawingIsValid) {
    REQUIRE_EZDXF();
    const TempFolder temp("cad");
    const fs::path& folder = temp.path();
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

}  // namespace
}  // namespace gradix
