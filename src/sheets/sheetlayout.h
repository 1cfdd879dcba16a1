// The layout of a drawing sheet as Chinese road design drawings hand it over:
// the paper (A3, A2, A1), the frame with its binding margin, the title block
// along the frame's foot, the bands of a longitudinal profile (纵断面图) under
// its grid, and the placing of texts so that no two of them cross.
//
// Every length is in millimetres of paper, x to the right and y up from the
// paper's lower left corner.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gradix {

enum class PaperSize { A3, A2, A1 };

// "A3", "A2", "A1" (upper or lower case); none for any other name.
std::optional<PaperSize> paperSizeNamed(std::string_view name);
const char* paperSizeName(PaperSize size);

// A rectangle of the sheet.
struct SheetRect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    // Whether the two share more than an edge.
    bool overlaps(const SheetRect& other) const {
        return x0 < other.x1 && other.x0 < x1 && y0 < other.y1 && other.y0 < y1;
    }
    bool contains(const SheetRect& other) const {
        return x0 <= other.x0 && other.x1 <= x1 && y0 <= other.y0 && other.y1 <= y1;
    }
};

// Text heights (mm of paper): the texts of the bands, the title block and the
// labels above the line; the note of the origin in the top margin.
inline constexpr double SHEET_TEXT_HEIGHT = 3.5;
inline constexpr double SHEET_NOTE_HEIGHT = 2.5;
// The width factor of the sheet's text style; the advance of a character
// below is what it takes at that factor in the fonts a sheet names
// (fsdb_e.shx and its big font) or a plotter substitutes for them.
inline constexpr double SHEET_WIDTH_FACTOR = 0.8;
inline constexpr double NARROW_ADVANCE = 0.75;  // of the height: Latin letters, digits, signs
inline constexpr double WIDE_ADVANCE = 1.0;     // of the height: Chinese characters

// How a text stands at its point: the codes 72 and 73 of a DXF TEXT.
enum class TextAlign { Left = 0, Centre = 1, Right = 2 };
enum class TextBase { Baseline = 0, Bottom = 1, Middle = 2, Top = 3 };

// A text of the sheet: its point, height, content, how it stands at the
// point, and whether it runs up the sheet (turned a quarter to the left).
struct SheetText {
    double x = 0, y = 0;
    double height = SHEET_TEXT_HEIGHT;
    std::string content;
    TextAlign align = TextAlign::Left;
    TextBase base = TextBase::Baseline;
    bool upright = false;
    const char* layer = "0";
};

// The length along its run (mm) of a text of UTF-8 content at height.
double textAdvance(std::string_view content, double height);
// The box a text takes: its run by textAdvance, its height from the baseline
// up (descenders are left to the gaps between rows).
SheetRect textBox(const SheetText& text);

// The texts placed so far on a sheet: a text is placed only where its box
// crosses no other's, and within the room it is given.
class TextPlacer {
public:
    // Places the text when its box lies within room and crosses no placed
    // box (kept at least gap apart); answers whether it did.
    bool place(const SheetText& text, const SheetRect& room, double gap = GAP);
    // Keeps the box free of texts (a line or a frame's own text).
    void reserve(const SheetRect& box) { boxes_.push_back(box); }
    const std::vector<SheetText>& texts() const { return texts_; }
    static constexpr double GAP = 0.5;

private:
    std::vector<SheetRect> boxes_;
    std::vector<SheetText> texts_;
};

// The bands of a profile sheet under its grid, top to bottom.
enum class ProfileBand {
    Ground,          // 地面高程
    Design,          // 设计高程
    CutFill,         // 填挖高度
    Grade,           // 坡度/坡长
    Stake,           // 里程桩号
    Plan,            // 直线及平曲线
    Superelevation,  // 超高
};
inline constexpr std::size_t PROFILE_BANDS = 7;
// The caption of a band in the caption column ("地面高程").
const char* profileBandCaption(ProfileBand band);

// Where everything of a profile sheet lies on the paper.
struct ProfileSheetLayout {
    PaperSize size = PaperSize::A3;
    SheetRect paper;                 // the whole paper
    SheetRect frame;                 // the frame (图框) within the margins
    SheetRect titleBlock;            // along the frame's foot
    SheetRect captions;              // the caption column, left in the frame, over the grid and the bands
    SheetRect plot;                  // where the road goes along (x) over the grid and bands
    SheetRect grid;                  // the grid over the plot's width
    std::array<SheetRect, PROFILE_BANDS> bands{};  // full width of the frame, by ProfileBand
    // Above the line, in the grid: the two rows of curve labels and break
    // notes (the first from below), the curve brackets, and under them the
    // grade points' stake and elevation running up the sheet.
    double labelRow = 0, upperLabelRow = 0;  // baselines
    double bracket = 0;
    double lineTop = 0;              // the line stays at or below this
    double lineBottom = 0;           // and at or above this
    const SheetRect& band(ProfileBand b) const { return bands[static_cast<std::size_t>(b)]; }
};

ProfileSheetLayout profileSheetLayout(PaperSize size);

// A cell of the title block: its caption and its text, side by side.
struct TitleCell {
    std::string caption;
    std::string value;
    double valueWidth = 0;  // mm; the cell of 工程名称 takes what the others leave
};

// The caption cells of the title block, mm wide each.
inline constexpr double TITLE_CAPTION_WIDTH = 18.0;

// The title block's cells laid out in titleBlock, left to right: the lines
// (cell borders) and texts, each text centred in its cell. A text wider than
// its cell is refused (DataError naming the caption), never drawn across.
struct TitleBlockDrawing {
    std::vector<SheetRect> cells;    // caption and value cells in turn
    std::vector<SheetText> texts;
};
TitleBlockDrawing titleBlockDrawing(const SheetRect& titleBlock, const std::vector<TitleCell>& cells,
                                    const char* layer);

}  // namespace gradix
