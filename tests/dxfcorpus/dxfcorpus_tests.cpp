// The DXF reader and the lossless saver on real drawings written by other
// programs (../shared/data/dxf, SOURCES.txt names each) and on binary
// drawings made by ezdxf, checked against ezdxf as an independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/drawing_texts.h"
#include "support/dxf_checker.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "dxf/dxfencoding.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "text/failures.h"

namespace gradix {
namespace {

namespace fs = std::filesystem;

constexpr int CHECKER_UNREADABLE = 3;  // ezdxf cannot read the file: there is nothing to compare with
const std::string CHECKER = std::string(GRADIX_SOURCE_DIR) + "/tests/dxfcorpus/dxfcorpus_check.py";
const fs::path CORPUS = fs::path(GRADIX_SHARED_DATA) / "dxf";
const std::string ANNOTATION = "{\\L桩号：K1+200.000\\P高程：123.4560}";
const std::string ANNOTATION_LAYER = "纵断面设计高程";
const std::string ABSENT = "absent";
// The point picked for the annotation, recorded with it, and its line name.
const AnnotationRecord PICK{10.5, -20.25, 0, "线路1"};

std::string quoted(const std::string& s) { return "'" + s + "'"; }

testing::CheckerRun runCorpusCheck(const std::string& arguments) {
    return testing::runPythonScript(CHECKER, arguments);
}

using testing::dxf;
using testing::readBytes;
using testing::TempFolder;

using Labels = std::vector<std::pair<std::string, std::string>>;

// The texts as `gradix-cli labels` lists them.
Labels gradixLabels(const Drawing& d) { return testing::gradixTexts(d); }

// The labels ezdxf reads; nothing when it cannot read the file (unreadable is then set).
Labels ezdxfLabels(const fs::path& path, std::string* unreadable = nullptr) {
    const testing::CheckerRun run = runCorpusCheck("labels " + quoted(path.string()));
    Labels out;
    if (run.status == CHECKER_UNREADABLE && unreadable) {
        *unreadable = run.output;
        return out;
    }
    EXPECT_EQ(run.status, 0) << run.output;
    return gradix::testing::hexTextLines(run.output);
}

// What the pick-and-annotate command adds to a drawing.
void annotate(Drawing& d) {
    d.activeLayer = d.addLayer(ANNOTATION_LAYER).name;
    DrawingTextStyle& style = d.addTextStyle("jp");
    if (style.added) {
        style.fontFile = "fsdb_e.shx";
        style.bigFontFile = "fsdb.shx";
    }
    d.activeTextStyle = style.name;
    d.addUcs("xy", {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    const std::size_t added = d.addMText({10, 20, 0}, 0, ANNOTATION);
    d.entities[added].record = std::make_shared<const AnnotationRecord>(PICK);
}

// Gradix's record of the annotation read back from a saved drawing: it goes
// with the annotation (with its first line in R12).
void expectRecordReadBack(const Drawing& back) {
    const auto recorded = std::find_if(back.entities.begin(), back.entities.end(),
                                       [](const DrawingEntity& e) { return e.record != nullptr; });
    ASSERT_NE(recorded, back.entities.end());
    EXPECT_NE(recorded->text.find("K1+200.000"), std::string::npos);
    EXPECT_EQ(recorded->record->pickX, PICK.pickX);
    EXPECT_EQ(recorded->record->pickY, PICK.pickY);
    EXPECT_EQ(recorded->record->lineName, PICK.lineName);
}

// ---- the corpus ---------------------------------------------------------------

// The corpus files SOURCES.txt names, or one placeholder that skips.
std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    std::ifstream sources(CORPUS / "SOURCES.txt");
    std::string line;
    while (std::getline(sources, line)) {
        const std::string name = line.substr(0, line.find('\t'));
        if (line.find('\t') != std::string::npos && fs::exists(CORPUS / name)) files.push_back(name);
    }
    if (files.empty()) files.push_back(ABSENT);
    return files;
}

class CorpusFile : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        GRADIX_NEED(GetParam() != ABSENT, "the DXF corpus " << CORPUS << " is not present");
        path = CORPUS / GetParam();
    }
    fs::path path;
};

TEST_P(CorpusFile, LabelsReadAsEzdxfReadsThem) {
    REQUIRE_EZDXF();
    const Drawing d = readDrawing(path.string());
    std::string unreadable;
    const Labels reference = ezdxfLabels(path, &unreadable);
    if (!unreadable.empty()) GTEST_SKIP() << unreadable;
    EXPECT_EQ(gradixLabels(d), reference);
}

TEST_P(CorpusFile, AnnotatedSaveKeepsEveryOriginalObject) {
    REQUIRE_EZDXF();
    Drawing d = readDrawing(path.string());
    annotate(d);
    const TempFolder folder("dxfcorpus");
    const fs::path written = folder.file("annotated.dxf");
    saveDrawing(d, written.string());
    const testing::CheckerRun run =
        runCorpusCheck("check " + quoted(written.string()) + " " + quoted(path.string()) + " " + quoted(ANNOTATION));
    if (run.status == CHECKER_UNREADABLE) GTEST_SKIP() << run.output;
    EXPECT_EQ(run.status, 0) << run.output;
    const Drawing back = readDrawing(written.string());
    ASSERT_FALSE(back.entities.empty());
    EXPECT_EQ(back.entities.size(), d.entities.size() + (dxfVersionNumber(back.acadVersion) <= DXF_R12 ? 1 : 0));
    expectRecordReadBack(back);
}

// Cut short or with a line that is not a group code, a drawing is read as far
// as it goes or refused with the data failure and its reason.
TEST_P(CorpusFile, DamagedCopiesAreReadOrRefusedWithAReason) {
    const std::string bytes = readBytes(path);
    std::vector<std::string> damaged;
    for (const std::size_t parts : {3, 2}) damaged.push_back(bytes.substr(0, bytes.size() / parts));
    std::string garbled = bytes;
    const std::size_t middle = garbled.find('\n', garbled.size() / 2);
    if (middle != std::string::npos) garbled.insert(middle + 1, "not a code\n");
    damaged.push_back(garbled);
    for (const std::string& copy : damaged) {
        try {
            const Drawing d = readDrawingBytes(copy, "damaged.dxf");
            for (const DrawingEntity& e : d.entities) EXPECT_TRUE(hasFiniteGeometry(e));
        } catch (const DataError& e) {
            EXPECT_FALSE(e.reason().empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SharedData, CorpusFile, ::testing::ValuesIn(corpusFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.rfind('.'));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// ---- binary DXF -----------------------------------------------------------------

// The same plan written by ezdxf as ASCII and as binary DXF, once for the run.
const fs::path& twins() {
    static const TempFolder folder("dxf-twins");
    static const bool made = [] {
        const testing::CheckerRun run = runCorpusCheck("twins " + folder.folder());
        if (run.status != 0) ADD_FAILURE() << "making the twins failed: " << run.output;
        return run.status == 0;
    }();
    (void)made;
    return folder.path();
}

class BinaryTwin : public ::testing::TestWithParam<std::string> {
protected:
    fs::path ascii() const { return twins() / ("plan_" + GetParam() + ".dxf"); }
    fs::path binary() const { return twins() / ("plan_" + GetParam() + "_bin.dxf"); }
};

TEST_P(BinaryTwin, ReadsLikeItsAsciiTwin) {
    REQUIRE_EZDXF();
    const Drawing a = readDrawing(ascii().string());
    const Drawing b = readDrawing(binary().string());
    ASSERT_TRUE(b.bytes.starts_with(BINARY_DXF_SENTINEL));
    EXPECT_EQ(b.acadVersion, a.acadVersion);
    EXPECT_EQ(b.codePage, a.codePage);
    ASSERT_EQ(b.layers.size(), a.layers.size());
    for (std::size_t i = 0; i < a.layers.size(); ++i) {
        EXPECT_EQ(b.layers[i].name, a.layers[i].name);
        EXPECT_EQ(b.layers[i].color, a.layers[i].color);
    }
    ASSERT_EQ(b.entities.size(), a.entities.size());
    EXPECT_FALSE(a.entities.empty());
    for (std::size_t i = 0; i < a.entities.size(); ++i) {
        const DrawingEntity& x = a.entities[i];
        const DrawingEntity& y = b.entities[i];
        EXPECT_EQ(y.kind, x.kind) << i;
        EXPECT_EQ(y.layer, x.layer) << i;
        EXPECT_EQ(y.handle, x.handle) << i;
        EXPECT_EQ(y.text, x.text) << i;
        // ASCII holds the shortest round-trip text of each double: the same number.
        EXPECT_EQ(y.x, x.x) << i;
        EXPECT_EQ(y.y, x.y) << i;
        EXPECT_EQ(y.x2, x.x2) << i;
        EXPECT_EQ(y.radius, x.radius) << i;
        EXPECT_EQ(y.endAngle, x.endAngle) << i;
        EXPECT_EQ(y.rotation, x.rotation) << i;
        ASSERT_EQ(y.vertices.size(), x.vertices.size()) << i;
        for (std::size_t k = 0; k < x.vertices.size(); ++k) {
            EXPECT_EQ(y.vertices[k].x, x.vertices[k].x);
            EXPECT_EQ(y.vertices[k].bulge, x.vertices[k].bulge);
        }
    }
    EXPECT_EQ(gradixLabels(b), ezdxfLabels(binary()));
}

TEST_P(BinaryTwin, SavedBinaryReadsBackInEzdxfWithTheAnnotation) {
    REQUIRE_EZDXF();
    Drawing d = readDrawing(binary().string());
    annotate(d);
    const TempFolder folder("dxfcorpus");
    const fs::path written = folder.file("annotated.dxf");
    saveDrawing(d, written.string());
    const std::string saved = readBytes(written);
    ASSERT_TRUE(saved.starts_with(BINARY_DXF_SENTINEL));
    EXPECT_GT(saved.size(), d.bytes.size());
    const testing::CheckerRun run =
        runCorpusCheck("check " + quoted(written.string()) + " " + quoted(binary().string()) + " " + quoted(ANNOTATION));
    EXPECT_EQ(run.status, 0) << run.output;
    const Drawing back = readDrawing(written.string());
    EXPECT_NE(back.findLayer(ANNOTATION_LAYER), nullptr);
    ASSERT_FALSE(back.entities.empty());
    if (GetParam() != "R12") {
        EXPECT_EQ(back.entities.back().text, ANNOTATION);
    }
    expectRecordReadBack(back);
}

INSTANTIATE_TEST_SUITE_P(Versions, BinaryTwin, ::testing::Values("R12", "R2000", "R2018"));

// ---- findings of the fuzz target ---------------------------------------------------

TEST(DxfFindings, ModelSpaceIsWhatTheEntitiesSectionsHold) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"an entity after ENDSEC, outside any section",
         dxf({"0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|IN", "0|ENDSEC", "0|TEXT", "8|0",
              "10|0", "20|0", "40|1", "1|OUTSIDE", "0|EOF"}),
         {"IN"}},
        {"a block's entities after its section's ENDSEC",
         dxf({"0|SECTION", "2|BLOCKS", "0|BLOCK", "2|B", "10|0", "20|0", "0|ENDSEC", "0|TEXT", "8|0", "10|0", "20|0",
              "40|1", "1|STRAY", "0|SECTION", "2|ENTITIES", "0|TEXT", "8|0", "10|0", "20|0", "40|1", "1|IN",
              "0|ENDSEC", "0|EOF"}),
         {"IN"}},
    };
    for (const Case& c : cases) {
        const Drawing d = readDrawingBytes(c.bytes, "");
        std::vector<std::string> texts;
        for (const auto& label : gradixLabels(d)) texts.push_back(label.second);
        EXPECT_EQ(texts, c.texts) << c.what;
        for (const auto& [name, block] : d.blocks) EXPECT_TRUE(block.entities.empty()) << c.what;
    }
}

// A header variable's value is the pair right after its name: a stray
// handle pair further on in a damaged header is not the handle seed.
TEST(DxfFindings, OnlyThePairAfterHandseedIsRaised) {
    const std::string bytes = dxf({"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1015", "9|$HANDSEED", "5|30",
                                   "0|ENDBLK", "5|1D", "0|ENDSEC", "0|SECTION", "2|ENTITIES", "0|ENDSEC", "0|EOF"});
    Drawing d = readDrawingBytes(bytes, "");
    annotate(d);
    const std::string saved = savedDrawingBytes(d);
    EXPECT_NE(saved.find("ENDBLK\n5\n1D\n"), std::string::npos);
    const DxfStructure s = scanDxf(saved);
    ASSERT_TRUE(s.handseedPair);
    EXPECT_GT(*parseHandle(pairName(s.pairs[*s.handseedPair])), 0x30u);
}

// Every seed of the fuzz target, the findings among them, read, annotated,
// saved and read again gives back its model-space entities, then the
// annotation on its layer (also in a binary file of code page ANSI_937, whose
// bytes do not read back).
TEST(DxfFindings, SavedSeedsGiveBackTheirEntities) {
    const fs::path seeds = fs::path(GRADIX_SOURCE_DIR) / "fuzz" / "corpus" / "fuzz_dxf";
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(seeds)) {
        ++files;
        const std::string name = entry.path().filename().string();
        Drawing d = readDrawingBytes(readBytes(entry.path()), name);
        const std::vector<DrawingEntity> original = d.entities;
        annotate(d);
        if (scanDxf(d.bytes).endsEarly()) {  // a seed cut short: refused for saving, never torn further
            EXPECT_THROW(savedDrawingBytes(d), DataError) << name;
            continue;
        }
        const Drawing back = readDrawingBytes(savedDrawingBytes(d), name);
        ASSERT_GT(back.entities.size(), original.size()) << name;
        EXPECT_NE(back.findLayer(ANNOTATION_LAYER), nullptr) << name;  // in any code page
        EXPECT_EQ(back.entities.back().layer, ANNOTATION_LAYER) << name;
        for (std::size_t i = 0; i < original.size(); ++i) {
            EXPECT_EQ(back.entities[i].kind, original[i].kind) << name << " " << i;
            EXPECT_EQ(back.entities[i].handle, original[i].handle) << name << " " << i;
            EXPECT_EQ(back.entities[i].text, original[i].text) << name << " " << i;
        }
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
}  // namespace gradix
