// DXF drawings, ASCII or binary, as the drawing window opens them: a read either succeeds or
// raises the data failure; a drawing that was read holds only finite
// geometry, its current layer and text style exist, and its texts are valid
// UTF-8. A drawing that was read can take the pick-and-annotate additions
// (a layer, the "jp" style, a coordinate system and a Chinese multi-line
// text); the saved bytes then keep every byte of the original file in order,
// read again, and give back the original model-space entities followed by
// the annotation.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "cad/cad.h"
#include "dxf/dxfencoding.h"
#include "dxf/dxfreader.h"
#include "dxf/dxfstructure.h"
#include "dxf/dxfwriter.h"
#include "fuzz_input.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// Inputs beyond this size only cost time: the structure is all in the first bytes.
constexpr std::size_t MAX_INPUT_BYTES = 64 * 1024;
const char* const ANNOTATION = "K1+200.000 设计高程=123.4560";

void requireSound(const Drawing& d) {
    for (const DrawingEntity& e : d.entities) {
        fuzz::require(hasFiniteGeometry(e), "model-space geometry is finite");
        fuzz::require(isValidUtf8(e.text) && isValidUtf8(e.layer) && isValidUtf8(e.style), "entity texts are UTF-8");
    }
    for (const auto& [name, block] : d.blocks)
        for (const DrawingEntity& e : block.entities) fuzz::require(hasFiniteGeometry(e), "block geometry is finite");
    fuzz::require(d.activeLayer == DEFAULT_LAYER || d.findLayer(d.activeLayer), "the current layer exists");
    for (const DrawingLayer& l : d.layers) fuzz::require(isValidUtf8(l.name), "layer names are UTF-8");
}

std::vector<std::string_view> lines(std::string_view bytes) {
    std::vector<std::string_view> out;
    for (std::size_t begin = 0; begin < bytes.size();) {
        const std::size_t lf = bytes.find('\n', begin);
        std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
        const std::size_t next = lf == std::string_view::npos ? bytes.size() : lf + 1;
        while (end > begin && bytes[end - 1] == '\r') --end;
        out.push_back(bytes.substr(begin, end - begin));  // without its line end
        begin = next;
    }
    return out;
}

std::string_view trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Whether the saved bytes hold every line of the original, in order, with
// only lines inserted between them. The values a save raises in place (a
// table's entry count after code 70, the $HANDSEED value) may differ.
bool keepsOriginal(std::string_view original, std::string_view saved) {
    const auto before = lines(original);
    const auto after = lines(saved);
    std::size_t j = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool raisedInPlace = i % 2 == 1 && (trimmed(before[i - 1]) == "70" ||
                                                  (i >= 3 && trimmed(before[i - 2]) == "$HANDSEED"));
        if (raisedInPlace) continue;
        while (j < after.size() && after[j] != before[i]) ++j;
        if (j == after.size()) return false;
        ++j;
    }
    return true;
}

// The same for a binary drawing, pair by pair: every group pair of the
// original comes in order in the saved drawing; entry counts (code 70) and
// the $HANDSEED value may be raised.
bool keepsOriginalPairs(std::string_view original, std::string_view saved) {
    const DxfStructure before = scanDxf(original);
    const DxfStructure after = scanDxf(saved);
    std::size_t j = 0;
    for (std::size_t i = 0; i < before.pairs.size(); ++i) {
        const DxfPair& p = before.pairs[i];
        const bool raisedInPlace =
            p.code == 70 || (i > 0 && before.pairs[i - 1].code == 9 && pairName(before.pairs[i - 1]) == "$HANDSEED");
        if (raisedInPlace) continue;
        while (j < after.pairs.size() && (after.pairs[j].code != p.code || after.pairs[j].value != p.value)) ++j;
        if (j == after.pairs.size()) return false;
        ++j;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > MAX_INPUT_BYTES) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Drawing drawing;
    try {
        drawing = readDrawingBytes(bytes, "fuzz.dxf");
    } catch (const DataError&) {
        return 0;
    }
    requireSound(drawing);
    fuzz::require(!drawing.modified && !drawing.hasAdditions(), "a drawing just read is unmodified");

    const std::size_t before = drawing.entities.size();
    try {
        drawing.addUcs("xy", {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
        drawing.activeLayer = drawing.addLayer("纵断面设计高程").name;
        DrawingTextStyle& style = drawing.addTextStyle("jp");
        // An existing "jp" entry is patched in place, which the line check cannot follow.
        if (style.added) {
            style.fontFile = "fsdb_e.shx";
            style.bigFontFile = "fsdb.shx";
        }
        drawing.activeTextStyle = style.name;
        const std::size_t index = drawing.addMText({10, 20, 0}, 0, ANNOTATION);
        drawing.entities[index].rotation = 0.5;
        drawing.entities[index].height = 5;
        drawing.entities[index].color = COLOR_RED;
    } catch (const CadError&) {
        fuzz::require(false, "the annotation's additions are accepted by any drawing");
    }

    std::string saved;
    try {
        saved = savedDrawingBytes(drawing);
    } catch (const DataError&) {
        return 0;  // not a file the additions can be inserted into: nothing is written
    }
    fuzz::require(!scanDxf(bytes).endsEarly(), "a drawing cut short is never saved");
    const bool binary = std::string_view(bytes).starts_with(BINARY_DXF_SENTINEL);
    fuzz::require(binary ? keepsOriginalPairs(bytes, saved) : keepsOriginal(bytes, saved), "a save only inserts");

    Drawing again;
    try {
        again = readDrawingBytes(saved, "saved.dxf");
    } catch (const DataError&) {
        fuzz::require(false, "a saved drawing reads again");
    }
    requireSound(again);
    fuzz::require(again.entities.size() >= before + 1, "the saved drawing holds the annotation");
    for (std::size_t i = 0; i < before; ++i)
        fuzz::require(again.entities[i].kind == drawing.entities[i].kind &&
                          again.entities[i].handle == drawing.entities[i].handle &&
                          again.entities[i].text == drawing.entities[i].text,
                      "the original entities come back unchanged");
    fuzz::require(again.findLayer("纵断面设计高程") && again.findTextStyle("jp") && again.findUcs("xy"),
                  "the added table entries read back");
    return 0;
}
