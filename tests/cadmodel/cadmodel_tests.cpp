// The CAD interface over the drawing model: what the drawing commands' calls
// do to a drawing, what it refuses, selections and picks through the screen,
// the annotation of the pick command made through it and saved into each
// kind of original (every written file checked by ezdxf, an independent
// reader), and the reference line of the alignment.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "cad/cad.h"
#include "cadmodel/drawingcad.h"
#include "cadmodel/referencealignment.h"
#include "dxf/dxfencoding.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "support/drawing_texts.h"
#include "support/dxf_checker.h"
#include "support/file_bytes.h"
#include "support/scripted_cad.h"
#include "support/temp_folder.h"
#include "text/failures.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;
using testing::CheckerRun;
using testing::dxf;
using testing::ezdxfOriginals;
using testing::gradixTexts;
using testing::readBytes;
using testing::runChecker;
using testing::ScriptedCad;
using testing::stn02Plan;
using testing::TempFolder;
using testing::writeBytes;

const std::string ANNOTATION = "{\\L桩号：A1K12+345.678\\P高程：123.4567\\P纵坡：1.2345%\\P";
const std::string ANNOTATION_LAYER = "纵断面设计高程";

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
    void writeLine(const std::string&) override {}
};

// What the pick-and-annotate command does to the drawing, call for call.
struct Annotation {
    Point3 at{0, 0, 0};
    std::string text = ANNOTATION;
    double rotationDegrees = 0;
    Point3 pick{0, 0, 0};  // the point picked on the road, recorded with the annotation
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
    m.recordPick(a.pick, "A1");
}

// The expectations file of dxf_check.py for annotations made by annotate().
std::string expectations(const fs::path& folder, const std::vector<Annotation>& annotations) {
    std::string mtexts;
    for (const Annotation& a : annotations) {
        if (!mtexts.empty()) mtexts += ",";
        mtexts += "{\"text\":" + json(a.text) + ",\"style\":\"jp\",\"height\":5,\"color\":1,\"rotation\":" +
                  ScriptedCad::number(a.rotationDegrees) + ",\"insert\":" + jsonPoint(a.at) +
                  ",\"layer\":" + json(ANNOTATION_LAYER) + ",\"pick\":" + jsonPoint(a.pick) + ",\"line\":\"A1\"}";
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

// ---- the annotation saved ---------------------------------------------------

class Annotated : public ::testing::TestWithParam<std::string> {};

// The annotation of the pick command, saved into each kind of original, reads
// back in ezdxf with an audit of 0 errors, its layer, style, coordinate system
// and text as meant, and every object of the original unchanged.
TEST_P(Annotated, SavedFileKeepsOriginalAndHoldsAnnotation) {
    REQUIRE_EZDXF();
    std::string original = GetParam();
    if (original == "STN02") {
        GRADIX_NEED(fs::exists(stn02Plan()), "the STN02 plan of ../shared/data is not present");
        original = stn02Plan();
    } else if (original != "new") {
        original = (ezdxfOriginals() / original).string();
    }
    const TempFolder temp("cad");
    const fs::path& folder = temp.path();
    auto drawing = std::make_shared<Drawing>(original == "new" ? newDrawing() : readDrawing(original));
    if (original == "new") {
        original = (folder / "template.dxf").string();
        writeBytes(original, drawing->bytes);
    }
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    const std::vector<Annotation> annotations = {
        {{452300.5, 4539400.25, 0}, ANNOTATION, 90, {452310.125, 4539390.5, 0}},
        {{10, -20, 0}, ANNOTATION + std::string(200, 'x') + "长", -33.5, {-1e-7, 3.25, 0}}};
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
    // With the point picked for it, as its record.
    const std::shared_ptr<const AnnotationRecord>& record = back.entities[back.entities.size() - 2].record;
    ASSERT_NE(record, nullptr);
    EXPECT_EQ((Point3{record->pickX, record->pickY, record->pickZ}), annotations[0].pick);
    EXPECT_EQ(record->lineName, "A1");
}

INSTANTIATE_TEST_SUITE_P(Originals, Annotated,
                         ::testing::Values("plan_r2000_936.dxf", "plan_r2018.dxf", "STN02", "new"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
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
    const TempFolder temp("cad");
    const fs::path& folder = temp.path();
    writeBytes(folder / "styled.dxf", bytes);
    auto drawing = std::make_shared<Drawing>(readDrawingBytes(bytes, (folder / "styled.dxf").string()));
    ScriptScreen screen;
    DrawingDocument doc(drawing, screen);
    const Annotation a{{1, 2, 0}, ANNOTATION, 0};
    annotate(doc, a);
    EXPECT_EQ(drawing->layers.size(), 2u);  // the annotation layer of the file is handed back
    saveDrawing(*drawing, (folder / "out.dxf").string());
    const std::string saved = readBytes(folder / "out.dxf");  // the scan's values are views into it
    const DxfStructure s = scanDxf(saved);
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
    const TempFolder temp("cad");
    const fs::path& folder = temp.path();
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
    const std::string saved = savedDrawingBytes(*drawing);  // the scan's values are views into it
    const DxfStructure s = scanDxf(saved);
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
    auto drawing = std::make_shared<Drawing>(readDrawing((ezdxfOriginals() / "plan_r2000_936.dxf").string()));
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

TEST(DrawingCad, PolylinesOfBothKindsHaveTheirEntityTypeNumbers) {
    DrawingEntity lw;
    lw.kind = EntityKind::Polyline;
    lw.heavy = false;
    EXPECT_EQ(entityTypeNumber(lw), ENTITY_TYPE_LIGHT_POLYLINE);
    DrawingEntity heavy = lw;
    heavy.heavy = true;
    EXPECT_EQ(entityTypeNumber(heavy), ENTITY_TYPE_POLYLINE);
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

// With chain breaks the ticks stand on round stakes of each stretch: a
// straight road due east over chainage 0 to 1000, breaks 450=400 (stakes
// repeat) and 720=900 (stakes skipped).
TEST(DrawingGeometry, ReferenceTicksAfterAnEquationFallOnRoundStakesOfTheNewStretch) {
    std::vector<double> c, X, Y;
    for (double s = 0; s <= 1000; s += 10) {
        c.push_back(s);
        X.push_back(1000);
        Y.push_back(5000 + s);
    }
    ChainBreakTable breaks;
    breaks.chainBreakCount = 2;
    breaks.breakBackStake[1] = 450, breaks.breakAheadStake[1] = 400;
    breaks.breakBackStake[2] = 720, breaks.breakAheadStake[2] = 900;
    const std::pair<double, const char*> expected[] = {
        {0, "AK0+000"},   {100, "AK0+100"}, {200, "AK0+200"}, {300, "AK0+300"}, {400, "AK0+400"}, {450, "BK0+400"},
        {550, "BK0+500"}, {650, "BK0+600"}, {750, "BK0+700"}, {770, "CK0+900"}, {870, "CK1+000"}, {970, "CK1+100"}};
    const ReferenceAlignment r = referenceAlignmentFromSamples(c, X, Y, breaks);
    ASSERT_EQ(r.ticks.size(), std::size(expected));
    for (std::size_t k = 0; k < r.ticks.size(); ++k) {
        EXPECT_NEAR(r.ticks[k].Y, 5000 + expected[k].first, 1e-9) << expected[k].second;
        EXPECT_EQ(r.ticks[k].label, expected[k].second);
    }
}

}  // namespace
}  // namespace gradix
