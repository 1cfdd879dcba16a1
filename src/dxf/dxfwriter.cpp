#include "dxf/dxfwriter.h"

#include <algorithm>
#include <iconv.h>

#include <charconv>
#include <cstring>
#include <cmath>
#include <optional>

#include "dxf/dxfencoding.h"
#include "dxf/dxfstructure.h"
#include "dxf/empty_drawing.h"
#include "dxf/groupcodes.h"
#include "dxf/pairwriter.h"
#include "dxf/mtext.h"
#include "text/angles.h"
#include "text/failures.h"
#include "text/textfile.h"
#include "text/messages.h"

namespace gradix {

namespace {

namespace code = dxfcode;

constexpr const char* NEW_LAYER_LINETYPE = "Continuous";
constexpr int LINEWEIGHT_DEFAULT = -3;
constexpr double LAST_HEIGHT_USED = 2.5;     // code 42 of a new style
constexpr std::size_t MTEXT_CHUNK = 250;     // bytes of one code 3 / code 1 piece
constexpr std::size_t UNICODE_ESCAPE_LENGTH = 7;  // \U+XXXX
constexpr double MTEXT_LINE_SPACING = 5.0 / 3.0;  // line pitch in text heights
constexpr int DRAWING_DIRECTION_LEFT_TO_RIGHT = 1;
// One change to the opened bytes: remove [offset, offset + removed), put text there.
struct Edit {
    std::size_t offset;
    std::size_t removed;
    std::string text;
};

constexpr std::size_t MAX_CODE_PAGE_BYTES = 8;  // of one character in any code page
// Longest string of extended data (code 1000), in bytes.
constexpr std::size_t MAX_XDATA_STRING = 255;

// A value fit for one DXF line: line breaks become the multi-line text's
// paragraph code (for MTEXT) or a space, other control characters their
// caret notation.
std::string singleLine(std::string_view text, bool mtext) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (c == '\n' || c == '\r') {
            out += mtext ? "\\P" : " ";
        } else if (c < 0x20) {
            out += '^';
            out += static_cast<char>(c + '@');
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Splits an encoded MTEXT value into pieces of at most MTEXT_CHUNK bytes,
// never inside a UTF-8 sequence or a \U+XXXX escape.
std::vector<std::string_view> mtextChunks(std::string_view text) {
    std::vector<std::string_view> chunks;
    while (text.size() > MTEXT_CHUNK) {
        std::size_t cut = MTEXT_CHUNK;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        const std::size_t lookBack = std::min(cut, UNICODE_ESCAPE_LENGTH - 1);
        const std::size_t escape = text.substr(cut - lookBack, lookBack).rfind("\\U+");
        if (escape != std::string_view::npos) cut = cut - lookBack + escape;
        if (cut == 0) cut = MTEXT_CHUNK;  // cannot happen with a chunk longer than an escape
        chunks.push_back(text.substr(0, cut));
        text.remove_prefix(cut);
    }
    chunks.push_back(text);
    return chunks;
}

class Splicer {
public:
    Splicer(const Drawing& drawing, const DxfStructure& s)
        : drawing_(drawing),
          s_(s),
          codec_(s.acadVersion, s.codePage),
          version_(dxfVersionNumber(s.acadVersion.empty() ? drawing.acadVersion : s.acadVersion)),
          nextHandle_(drawing.nextHandle) {}

    std::string run() {
        addTableEntries();
        patchChangedStyles();
        addEntities();
        raiseHandleSeed();
        std::sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
        std::string out;
        const std::string_view bytes = drawing_.bytes;
        out.reserve(bytes.size() + additionSize());
        std::size_t at = 0;
        bool lineEnded = s_.binary || bytes.empty() || bytes.back() == '\n';
        for (const Edit& e : edits_) {
            out.append(bytes.substr(at, e.offset - at));
            // Whatever is added after a last line without its line end starts on a line of its own.
            if (e.offset == bytes.size() && !lineEnded) {
                out += eol();
                lineEnded = true;
            }
            out += e.text;
            at = e.offset + e.removed;
        }
        out.append(bytes.substr(at));
        return out;
    }

private:
    bool r12() const { return version_ <= DXF_R12; }
    const std::string& eol() const { return s_.lineEnd; }
    PairWriter writer() const { return PairWriter(PairFormat{eol(), s_.binary, s_.binaryCodeBytes}); }

    std::size_t additionSize() const {
        std::size_t n = 0;
        for (const Edit& e : edits_) n += e.text.size();
        return n;
    }

    std::string freshHandle() {
        if (!drawing_.usesHandles) return {};
        return formatHandle(nextHandle_++);
    }

    std::string encoded(std::string_view text, bool mtext = false) const {
        const std::string line = singleLine(text, mtext);
        // A binary file of a version before UTF-8 holds its strings in its
        // code page (readers of binary files take the bytes as they are).
        if (s_.binary && !codec_.utf8() && !s_.codePage.empty()) return inCodePage(line);
        return codec_.encode(line);
    }

    // A table name (layer, text style, font file, coordinate system), also
    // where an entity names one: before AutoCAD 2007 in the file's code page,
    // as CAD writes names (a \U+ escape in a name is refused by the audits
    // of other readers); escapes only for a character the code page lacks.
    std::string encodedName(std::string_view name) const {
        if (!codec_.utf8() && !s_.codePage.empty()) return inCodePage(singleLine(name, false));
        return encoded(name);
    }

    // A UTF-8 text in the file's code page; a character the code page lacks
    // becomes its \U+XXXX escape. A code page whose bytes do not read back as
    // the text (one that shifts between character sets) gets the escapes.
    std::string inCodePage(std::string_view utf8) const {
        std::string out;
        iconv_t cd = iconv_open(codec_.charset().c_str(), "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1)) return codec_.encode(utf8);
        for (std::size_t i = 0; i < utf8.size();) {
            std::size_t n = 1;
            while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) ++n;
            const std::string_view character = utf8.substr(i, n);
            i += n;
            if (n == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
                out += character;
                continue;
            }
            std::string in(character);
            char buffer[MAX_CODE_PAGE_BYTES];
            char* inPtr = in.data();
            std::size_t inLeft = in.size();
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
                out += codec_.encode(character);
            else
                out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        }
        iconv_close(cd);
        // Only bytes that read back as the text, without a zero byte (which
        // would end a binary string early); else the escapes of every version.
        if (out.find('\0') != std::string::npos || codec_.decode(out) != utf8) return codec_.encode(utf8);
        return out;
    }

    // Start of an entry or entity: handle, owner, subclass markers (none in R12).
    void head(PairWriter& w, const char* type, const std::string& handle, const std::string& owner,
              std::initializer_list<const char*> subclasses) const {
        w.pair(code::TYPE, type);
        if (!handle.empty()) w.pair(code::HANDLE, handle);
        if (r12()) return;
        if (!owner.empty()) w.pair(code::OWNER, owner);
        for (const char* subclass : subclasses) w.pair(code::SUBCLASS, subclass);
    }

    // A new layer takes its line type and plot-style handle from layer "0",
    // whose values the file is sure to resolve.
    std::string layerEntry(const DrawingLayer& layer, const std::string& owner) const {
        PairWriter w = writer();
        head(w, "LAYER", layer.handle, owner, {"AcDbSymbolTableRecord", "AcDbLayerTableRecord"});
        w.pair(code::NAME, encodedName(layer.name)).pair(code::FLAGS, 0).pair(code::COLOR, layer.color);
        w.pair(code::LINETYPE, layerZeroValue(code::LINETYPE).value_or(NEW_LAYER_LINETYPE));
        if (!r12()) {
            w.pair(code::LINEWEIGHT, LINEWEIGHT_DEFAULT);
            if (const auto plotStyle = layerZeroValue(code::PLOT_STYLE)) w.pair(code::PLOT_STYLE, *plotStyle);
        }
        return w.take();
    }

    std::string styleEntry(const DrawingTextStyle& style, const std::string& owner) const {
        PairWriter w = writer();
        head(w, "STYLE", style.handle, owner, {"AcDbSymbolTableRecord", "AcDbTextStyleTableRecord"});
        w.pair(code::NAME, encodedName(style.name)).pair(code::FLAGS, 0);
        w.real(code::STYLE_FIXED_HEIGHT, style.height).real(code::STYLE_WIDTH_FACTOR, style.width);
        w.real(code::STYLE_OBLIQUE_ANGLE, 0).pair(code::STYLE_GENERATION, 0);
        w.real(code::STYLE_LAST_HEIGHT, style.height > 0 ? style.height : LAST_HEIGHT_USED);
        w.pair(code::STYLE_FONT_FILE, encodedName(style.fontFile)).pair(code::STYLE_BIG_FONT_FILE, encodedName(style.bigFontFile));
        return w.take();
    }

    std::string ucsEntry(const DrawingUcs& u, const std::string& owner) const {
        PairWriter w = writer();
        head(w, "UCS", u.handle, owner, {"AcDbSymbolTableRecord", "AcDbUCSTableRecord"});
        w.pair(code::NAME, encodedName(u.name)).pair(code::FLAGS, 0);
        w.point(code::UCS_ORIGIN, u.origin[0], u.origin[1], u.origin[2]);
        w.point(code::UCS_X_AXIS, u.xAxis[0], u.xAxis[1], u.xAxis[2]);
        w.point(code::UCS_Y_AXIS, u.yAxis[0], u.yAxis[1], u.yAxis[2]);
        if (!r12()) w.pair(code::UCS_ORTHOGRAPHIC, 0).real(code::UCS_ELEVATION, 0);
        return w.take();
    }

    // Gradix's application, registered for the extended data of its annotations.
    std::string applicationEntry(const std::string& owner) {
        PairWriter w = writer();
        head(w, "APPID", freshHandle(), owner, {"AcDbSymbolTableRecord", "AcDbRegAppTableRecord"});
        w.pair(code::NAME, GRADIX_APPLICATION).pair(code::FLAGS, 0);
        return w.take();
    }

    // Whether an annotation to save carries Gradix's record while no APPID
    // table of the file registers Gradix's application.
    bool applicationMissing() const {
        const bool recorded = std::any_of(drawing_.entities.begin(), drawing_.entities.end(),
                                          [](const DrawingEntity& e) { return e.added && e.record; });
        if (!recorded) return false;
        for (const DxfTable& table : s_.tables) {
            if (table.name != "APPID") continue;
            for (const DxfTableEntry& entry : table.entries)
                if (foldName(codec_.decode(entry.rawName)) == GRADIX_APPLICATION) return false;
        }
        return true;
    }

    // Gradix's record of an annotation as its extended data: the
    // application, the line name (when it fits one string of extended data)
    // and the point picked for it.
    void annotationRecord(PairWriter& w, const DrawingEntity& e) const {
        if (!e.record) return;
        const AnnotationRecord& r = *e.record;
        w.pair(code::XDATA_APPLICATION, GRADIX_APPLICATION);
        const std::string name = encoded(r.lineName);
        if (name.size() <= MAX_XDATA_STRING) w.pair(code::XDATA_STRING, name);
        w.point(code::XDATA_POINT_X, r.pickX, r.pickY, r.pickZ);
    }

    // The value of a code in the entry of layer "0", if the file has one.
    std::optional<std::string> layerZeroValue(int code) const {
        const DxfTable* table = s_.table("LAYER");
        if (!table) return std::nullopt;
        for (const DxfTableEntry& entry : table->entries) {
            if (entry.rawName != DEFAULT_LAYER) continue;
            for (std::size_t i = entry.firstPair; i < entry.lastPair; ++i)
                if (s_.pairs[i].code == code) return std::string(s_.pairs[i].value);
        }
        return std::nullopt;
    }

    void addTableEntries() {
        std::vector<const DrawingLayer*> layers;
        std::vector<const DrawingTextStyle*> styles;
        std::vector<const DrawingUcs*> systems;
        for (const DrawingLayer& l : drawing_.layers)
            if (l.added) layers.push_back(&l);
        for (const DrawingTextStyle& st : drawing_.styles)
            if (st.added) styles.push_back(&st);
        for (const DrawingUcs& u : drawing_.ucs)
            if (u.added) systems.push_back(&u);

        std::string newTables;  // whole tables the file lacks
        const auto place = [&](const char* name, std::size_t count, auto&& entryText) {
            if (count == 0) return;
            const DxfTable* table = s_.table(name);
            if (table && table->endTabPair > table->tablePair) {
                std::string text;
                for (std::size_t k = 0; k < count; ++k) text += entryText(k, table->handle);
                edits_.push_back({s_.pairs[table->endTabPair].begin, 0, std::move(text)});
                if (table->countPair) raiseCount(*table->countPair, count);
                return;
            }
            const std::string handle = freshHandle();
            PairWriter w = writer();
            w.pair(code::TYPE, "TABLE").pair(code::NAME, name);
            if (!handle.empty()) w.pair(code::HANDLE, handle);
            if (!r12()) w.pair(code::OWNER, "0").pair(code::SUBCLASS, "AcDbSymbolTable");
            w.pair(code::FLAGS, static_cast<int>(count));
            std::string text = w.take();
            for (std::size_t k = 0; k < count; ++k) text += entryText(k, handle);
            PairWriter end = writer();
            end.pair(code::TYPE, "ENDTAB");
            newTables += text + end.take();
        };
        place("LAYER", layers.size(), [&](std::size_t k, const std::string& owner) { return layerEntry(*layers[k], owner); });
        place("STYLE", styles.size(), [&](std::size_t k, const std::string& owner) { return styleEntry(*styles[k], owner); });
        place("UCS", systems.size(), [&](std::size_t k, const std::string& owner) { return ucsEntry(*systems[k], owner); });
        place("APPID", applicationMissing() ? 1 : 0, [&](std::size_t, const std::string& owner) { return applicationEntry(owner); });
        if (newTables.empty()) return;

        if (const DxfSection* tables = s_.section("TABLES"); tables && tables->endSecPair > tables->sectionPair) {
            edits_.push_back({s_.pairs[tables->endSecPair].begin, 0, std::move(newTables)});
            return;
        }
        // No TABLES section at all (a bare R12 file): one goes before the
        // blocks and entities, after the header.
        PairWriter open = writer();
        open.pair(code::TYPE, "SECTION").pair(code::NAME, "TABLES");
        PairWriter close = writer();
        close.pair(code::TYPE, "ENDSEC");
        edits_.push_back({sectionInsertOffset({"BLOCKS", "ENTITIES", "OBJECTS"}), 0, open.take() + newTables + close.take()});
    }

    // Where a missing section goes: before the first of the given sections,
    // else before the end-of-file marker, else after the last group pair.
    std::size_t sectionInsertOffset(std::initializer_list<const char*> before) const {
        std::optional<std::size_t> best;
        for (const char* name : before)
            if (const DxfSection* sec = s_.section(name)) {
                const std::size_t at = s_.pairs[sec->sectionPair].begin;
                if (!best || at < *best) best = at;
            }
        if (best) return *best;
        if (s_.eofPair) return s_.pairs[*s_.eofPair].begin;
        // After the last whole group pair: trailing blank lines stay at the end.
        return s_.dataEnd;
    }

    void raiseCount(std::size_t pairIndex, std::size_t added) {
        const DxfPair& p = s_.pairs[pairIndex];
        if (p.binary) {
            // The count as stored: replace the whole pair.
            const long long count = pairInteger(p, -1);
            if (count < 0) return;
            PairWriter w = writer();
            w.integer(p.code, count + static_cast<long long>(added));
            edits_.push_back({p.begin, p.end - p.begin, w.take()});
            return;
        }
        std::string_view v = p.value;
        std::size_t lead = 0;
        while (lead < v.size() && v[lead] == ' ') ++lead;
        long count = 0;
        const auto [end, ec] = std::from_chars(v.data() + lead, v.data() + v.size(), count);
        if (ec != std::errc{}) return;  // not a number: leave the file's value as it is
        const std::size_t digits = static_cast<std::size_t>(end - (v.data() + lead));
        edits_.push_back({p.valueBegin + lead, digits, std::to_string(count + static_cast<long>(added))});
    }

    // A STYLE entry of the file whose font, big font, height or width Gradix set.
    void patchChangedStyles() {
        const DxfTable* table = s_.table("STYLE");
        for (const DrawingTextStyle& style : drawing_.styles) {
            if (!style.changed || style.added || !table) continue;
            for (const DxfTableEntry& entry : table->entries) {
                if (foldName(codec_.decode(entry.rawName)) != foldName(style.name)) continue;
                patchValue(entry, code::STYLE_FONT_FILE, encodedName(style.fontFile));
                patchValue(entry, code::STYLE_BIG_FONT_FILE, encodedName(style.bigFontFile));
                patchValue(entry, code::STYLE_FIXED_HEIGHT, formatDxfReal(style.height));
                patchValue(entry, code::STYLE_WIDTH_FACTOR, formatDxfReal(style.width));
                break;
            }
        }
    }

    void patchValue(const DxfTableEntry& entry, int code, const std::string& value) {
        std::size_t after = entry.firstPair;  // where a missing pair goes: after the flags or the name
        for (std::size_t i = entry.firstPair; i < entry.lastPair; ++i) {
            const DxfPair& p = s_.pairs[i];
            if (p.code >= code::FIRST_XDATA) break;
            if (p.code == code) {
                if (p.binary) {
                    PairWriter w = writer();
                    w.pair(code, value);
                    edits_.push_back({p.begin, p.end - p.begin, w.take()});
                } else if (p.value != value) {
                    edits_.push_back({p.valueBegin, p.valueEnd - p.valueBegin, value});
                }
                return;
            }
            if (p.code == code::NAME || p.code == code::FLAGS) after = i;
        }
        PairWriter w = writer();
        w.pair(code, value);
        edits_.push_back({s_.pairs[after].end, 0, w.take()});
    }

    void addEntities() {
        std::string text;
        for (const DrawingEntity& e : drawing_.entities) {
            if (!e.added) continue;
            if (e.kind != EntityKind::MText) throw DataError(msg::ONLY_MTEXT_ADDED);
            text += r12() ? mtextAsTexts(e) : mtextEntity(e);
        }
        if (text.empty()) return;
        // At the end of the last ENTITIES section, so that the annotations
        // come last in drawing order even where a file holds more than one.
        const DxfSection* entities = nullptr;
        for (const DxfSection& sec : s_.sections)
            if (sec.name == "ENTITIES") entities = &sec;
        if (entities) {
            const std::size_t end = s_.sectionEnd(*entities);
            const std::size_t at = end < s_.pairs.size() ? s_.pairs[end].begin : s_.dataEnd;
            edits_.push_back({at, 0, std::move(text)});
            return;
        }
        PairWriter open = writer();
        open.pair(code::TYPE, "SECTION").pair(code::NAME, "ENTITIES");
        PairWriter close = writer();
        close.pair(code::TYPE, "ENDSEC");
        edits_.push_back({sectionInsertOffset({"OBJECTS", "THUMBNAILIMAGE"}), 0, open.take() + text + close.take()});
    }

    std::string mtextEntity(const DrawingEntity& e) const {
        PairWriter w = writer();
        head(w, "MTEXT", e.handle, s_.modelSpaceRecord, {"AcDbEntity"});
        w.pair(code::LAYER, encodedName(e.layer));
        if (e.color != COLOR_BYLAYER) w.pair(code::COLOR, e.color);
        w.pair(code::SUBCLASS, "AcDbMText");
        w.point(code::START, e.x, e.y, e.z);
        w.real(code::TEXT_HEIGHT, e.height).real(code::MTEXT_REFERENCE_WIDTH, e.boxWidth);
        w.pair(code::MTEXT_ATTACHMENT, e.attachment).pair(code::MTEXT_DRAWING_DIRECTION, DRAWING_DIRECTION_LEFT_TO_RIGHT);
        const std::string content = encoded(e.text, true);
        const std::vector<std::string_view> chunks = mtextChunks(content);
        for (std::size_t k = 0; k + 1 < chunks.size(); ++k) w.pair(code::MTEXT_ADDITIONAL_TEXT, chunks[k]);
        w.pair(code::PRIMARY_TEXT, chunks.back());
        w.pair(code::TEXT_STYLE, encodedName(e.style));
        w.real(code::ROTATION, radiansToDegrees(e.rotation));
        annotationRecord(w, e);
        return w.take();
    }

    // R12 has no multi-line text: each line becomes a TEXT, one line pitch
    // below the other, underlined with %%u where the line starts underlined.
    std::string mtextAsTexts(const DrawingEntity& e) {
        std::string out;
        const std::vector<TextLine> lines = parseMText(e.text, e.height);
        const double c = std::cos(e.rotation);
        const double s = std::sin(e.rotation);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            std::string line = lines[k].plain();
            if (line.empty()) continue;
            if (!lines[k].runs.empty() && lines[k].runs.front().underline) line = "%%u" + line;
            const double down = e.height * (1 + MTEXT_LINE_SPACING * static_cast<double>(k));
            PairWriter w = writer();
            const std::string handle = k == 0 ? e.handle : freshHandle();
            head(w, "TEXT", handle, "", {});
            w.pair(code::LAYER, encodedName(e.layer));
            if (e.color != COLOR_BYLAYER) w.pair(code::COLOR, e.color);
            w.point(code::START, e.x + s * down, e.y - c * down, e.z);
            w.real(code::TEXT_HEIGHT, e.height).pair(code::PRIMARY_TEXT, encoded(line));
            w.real(code::ROTATION, radiansToDegrees(e.rotation));
            w.pair(code::TEXT_STYLE, encodedName(e.style));
            // The record goes with the first line, the one of the stake.
            if (out.empty()) annotationRecord(w, e);
            out += w.take();
        }
        return out;
    }

    void raiseHandleSeed() {
        if (!drawing_.usesHandles) return;
        const std::string seed = formatHandle(nextHandle_);
        if (s_.handseedPair) {
            const DxfPair& p = s_.pairs[*s_.handseedPair];
            const auto old = parseHandle(p.value);
            if (!old || *old < nextHandle_) edits_.push_back({p.valueBegin, p.valueEnd - p.valueBegin, seed});
            return;
        }
        const DxfSection* header = s_.section("HEADER");
        if (!header || header->endSecPair <= header->sectionPair) return;
        PairWriter w = writer();
        w.pair(code::VARIABLE, "$HANDSEED").pair(code::HEADER_HANDSEED, seed);
        edits_.push_back({s_.pairs[header->endSecPair].begin, 0, w.take()});
    }

    const Drawing& drawing_;
    const DxfStructure& s_;
    DxfTextCodec codec_;
    int version_;
    std::uint64_t nextHandle_;
    std::vector<Edit> edits_;
};

}  // namespace

std::string emptyDrawingDxf() { return std::string(EMPTY_DRAWING_DXF); }

std::string savedDrawingBytes(const Drawing& drawing) {
    DxfStructure structure;
    scanDxfLayout(drawing.bytes, structure, nullptr);
    if (!drawing.hasAdditions()) return drawing.bytes;
    if (structure.endsEarly()) {
        DataError incomplete(msg::DRAWING_INCOMPLETE);
        if (!drawing.path.empty()) incomplete.locate(drawing.path);
        throw incomplete;
    }
    return Splicer(drawing, structure).run();
}

void saveDrawing(Drawing& drawing, const std::string& path) {
    const std::string bytes = savedDrawingBytes(drawing);
    try {
        writeFileAtomically(path, bytes);
    } catch (GradixError& e) {
        e.locate(path);
        throw;
    }
    drawing.path = path;
    drawing.modified = false;
}

}  // namespace gradix
