#include "sheets/sheetlayout.h"

#include <cctype>

#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

struct PaperKind {
    PaperSize size;
    const char* name;
    double width, height;  // landscape
    double margin;         // the three sides without the binding (GB/T 14689: 5 mm for A3, 10 mm above)
};
constexpr PaperKind PAPERS[] = {
    {PaperSize::A3, "A3", 420, 297, 5},
    {PaperSize::A2, "A2", 594, 420, 10},
    {PaperSize::A1, "A1", 841, 594, 10},
};
constexpr double BINDING_MARGIN = 25.0;
constexpr double TITLE_BLOCK_HEIGHT = 10.0;
constexpr double CAPTION_COLUMN_WIDTH = 30.0;
constexpr double PLOT_INSET = 5.0;  // between the caption column or the frame and the road's ends
// Band heights, top to bottom (ProfileBand order): a band of texts running up
// the sheet is as high as its longest text ("K12+345.678", "1234.567") and a gap.
constexpr double BAND_HEIGHTS[PROFILE_BANDS] = {24, 24, 22, 12, 32, 14, 20};
constexpr const char* BAND_CAPTIONS[PROFILE_BANDS] = {"地面高程", "设计高程", "填挖高度",    "坡度/坡长",
                                                      "里程桩号", "直线及平曲线", "超高"};
// Above the line (mm under the grid's top): the two label rows, the bracket,
// and the longest text running up under it with its gaps.
constexpr double UPPER_ROW_DEPTH = 6.0;
constexpr double LABEL_ROW_DEPTH = 11.0;
constexpr double BRACKET_DEPTH = 13.0;
constexpr double UPRIGHT_LABEL_DEPTH = 47.0;
constexpr double LINE_FOOT = 4.0;  // the line's lowest point above the grid's foot

const PaperKind& paperOf(PaperSize size) {
    for (const PaperKind& p : PAPERS)
        if (p.size == size) return p;
    return PAPERS[0];
}

// Whether a UTF-8 sequence starting with lead is one wide (CJK) character:
// everything of three bytes or more is taken as wide.
bool wideLead(unsigned char lead) { return lead >= 0xE0; }

}  // namespace

std::optional<PaperSize> paperSizeNamed(std::string_view name) {
    for (const PaperKind& p : PAPERS) {
        const std::string_view n = p.name;
        if (name.size() == n.size() && std::toupper(static_cast<unsigned char>(name[0])) == n[0] && name[1] == n[1])
            return p.size;
    }
    return std::nullopt;
}

const char* paperSizeName(PaperSize size) { return paperOf(size).name; }

double textAdvance(std::string_view content, double height) {
    double advance = 0;
    for (std::size_t i = 0; i < content.size();) {
        const auto lead = static_cast<unsigned char>(content[i]);
        const std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        advance += (wideLead(lead) ? WIDE_ADVANCE : NARROW_ADVANCE) * height;
        i += bytes;
    }
    return advance;
}

SheetRect textBox(const SheetText& t) {
    const double run = textAdvance(t.content, t.height);
    // Along the run (u) and across it (v), from the text's point.
    const double u0 = t.align == TextAlign::Left ? 0 : t.align == TextAlign::Centre ? -run / 2 : -run;
    const double v0 = t.base == TextBase::Middle ? -t.height / 2 : t.base == TextBase::Top ? -t.height : 0;
    if (!t.upright) return {t.x + u0, t.y + v0, t.x + u0 + run, t.y + v0 + t.height};
    // Turned a quarter to the left: the run goes up, the height to the left.
    return {t.x - v0 - t.height, t.y + u0, t.x - v0, t.y + u0 + run};
}

bool TextPlacer::place(const SheetText& text, const SheetRect& room, double gap) {
    const SheetRect box = textBox(text);
    if (!room.contains(box)) return false;
    const SheetRect padded{box.x0 - gap, box.y0 - gap, box.x1 + gap, box.y1 + gap};
    for (const SheetRect& other : boxes_)
        if (padded.overlaps(other)) return false;
    boxes_.push_back(box);
    texts_.push_back(text);
    return true;
}

const char* profileBandCaption(ProfileBand band) { return BAND_CAPTIONS[static_cast<std::size_t>(band)]; }

ProfileSheetLayout profileSheetLayout(PaperSize size) {
    const PaperKind& p = paperOf(size);
    ProfileSheetLayout l;
    l.size = size;
    l.paper = {0, 0, p.width, p.height};
    l.frame = {BINDING_MARGIN, p.margin, p.width - p.margin, p.height - p.margin};
    l.titleBlock = {l.frame.x0, l.frame.y0, l.frame.x1, l.frame.y0 + TITLE_BLOCK_HEIGHT};
    double top = l.titleBlock.y1;
    for (std::size_t b = PROFILE_BANDS; b-- > 0;) {
        l.bands[b] = {l.frame.x0, top, l.frame.x1, top + BAND_HEIGHTS[b]};
        top += BAND_HEIGHTS[b];
    }
    l.captions = {l.frame.x0, l.titleBlock.y1, l.frame.x0 + CAPTION_COLUMN_WIDTH, l.frame.y1};
    l.plot = {l.captions.x1 + PLOT_INSET, l.titleBlock.y1, l.frame.x1 - PLOT_INSET, l.frame.y1};
    l.grid = {l.plot.x0, top, l.plot.x1, l.frame.y1};
    l.upperLabelRow = l.grid.y1 - UPPER_ROW_DEPTH;
    l.labelRow = l.grid.y1 - LABEL_ROW_DEPTH;
    l.bracket = l.grid.y1 - BRACKET_DEPTH;
    l.lineTop = l.grid.y1 - UPRIGHT_LABEL_DEPTH;
    l.lineBottom = l.grid.y0 + LINE_FOOT;
    return l;
}

TitleBlockDrawing titleBlockDrawing(const SheetRect& block, const std::vector<TitleCell>& cells, const char* layer) {
    double fixed = 0;
    for (const TitleCell& c : cells) fixed += TITLE_CAPTION_WIDTH + c.valueWidth;
    const double stretch = block.width() - fixed;  // for the cells of no width of their own
    TitleBlockDrawing d;
    double x = block.x0;
    const double middle = (block.y0 + block.y1) / 2;
    for (const TitleCell& c : cells) {
        for (const auto& [text, width] : {std::pair{c.caption, TITLE_CAPTION_WIDTH},
                                          std::pair{c.value, c.valueWidth > 0 ? c.valueWidth : stretch}}) {
            const SheetRect cell{x, block.y0, x + width, block.y1};
            d.cells.push_back(cell);
            SheetText t{(cell.x0 + cell.x1) / 2, middle, SHEET_TEXT_HEIGHT, text, TextAlign::Centre,
                        TextBase::Middle, false, layer};
            if (textAdvance(text, t.height) > width - 2 * TextPlacer::GAP)
                throw DataError(msg::titleTextTooLong(c.caption, text));
            if (!text.empty()) d.texts.push_back(std::move(t));
            x += width;
        }
    }
    return d;
}

}  // namespace gradix
