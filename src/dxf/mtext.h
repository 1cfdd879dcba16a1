// The format codes of drawing texts, interpreted for display: the multi-line
// text codes (\P new paragraph, \L underline, {} groups, \H height ...) and
// the %% codes of single-line text (%%u underline, %%d degree sign ...).
// The stored text keeps its codes; only the window and the R12 fallback of
// the writer look through them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gradix {

// A piece of text with one look.
struct TextRun {
    std::string text;          // UTF-8, no codes left
    double height = 0;         // text height, drawing units
    double widthFactor = 1;
    int color = -1;            // ACI colour of a \C code, -1 = the entity's own
    bool underline = false;
    bool overline = false;
    bool strikeout = false;
};

// One line of a text as shown.
struct TextLine {
    std::vector<TextRun> runs;
    std::string plain() const;  // the runs' texts joined
};

// Interprets a multi-line text whose base height is height. Formatting
// inside a {} group ends at its closing brace; an unclosed group lasts to the
// end. Codes the window does not draw (fonts, tracking, alignment,
// paragraph indents) are skipped with their arguments; \S a^b; shows as
// "a/b"; an unknown code shows as written. Always at least one line.
std::vector<TextLine> parseMText(std::string_view text, double height);

// Interprets a single-line text of height height: %%u and %%o toggle
// underline and overline, %%k strikeout, %%d gives °, %%p ±, %%c ⌀, %%%
// a percent sign and %%nnn the character of code nnn.
TextLine parseTextCodes(std::string_view text, double height);

// The lines of a multi-line text without its codes, joined with '\n'.
std::string mtextPlainText(std::string_view text);

}  // namespace gradix
