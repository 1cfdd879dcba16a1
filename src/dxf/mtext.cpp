#include "dxf/mtext.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

#include "dxf/dxfencoding.h"

namespace gradix {

namespace {

constexpr std::string_view DEGREE_SIGN = "\xC2\xB0";       // °
constexpr std::string_view PLUS_MINUS = "\xC2\xB1";        // ±
constexpr std::string_view DIAMETER_SIGN = "\xE2\x8C\x80"; // ⌀
constexpr std::size_t PERCENT_CODE_DIGITS = 3;             // %%nnn
constexpr int MAX_ACI = 256;

// The look the codes have set so far.
struct Look {
    double height = 0;
    double widthFactor = 1;
    int color = -1;
    bool underline = false;
    bool overline = false;
    bool strikeout = false;
};

class LineBuilder {
public:
    void append(std::string_view s, const Look& look) {
        if (s.empty()) return;
        std::vector<TextRun>& runs = lines_.back().runs;
        if (!runs.empty() && same(runs.back(), look)) {
            runs.back().text.append(s);
            return;
        }
        TextRun run;
        run.text = std::string(s);
        run.height = look.height;
        run.widthFactor = look.widthFactor;
        run.color = look.color;
        run.underline = look.underline;
        run.overline = look.overline;
        run.strikeout = look.strikeout;
        runs.push_back(std::move(run));
    }
    void newLine() { lines_.emplace_back(); }
    std::vector<TextLine> take() { return std::move(lines_); }

private:
    static bool same(const TextRun& r, const Look& l) {
        return r.height == l.height && r.widthFactor == l.widthFactor && r.color == l.color &&
               r.underline == l.underline && r.overline == l.overline && r.strikeout == l.strikeout;
    }
    std::vector<TextLine> lines_{TextLine{}};
};

// Reads the argument of a code up to its ';' (or the end); i is moved past it.
std::string_view argument(std::string_view text, std::size_t& i) {
    const std::size_t end = text.find(';', i);
    const std::string_view arg = text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
    i = end == std::string_view::npos ? text.size() : end + 1;
    return arg;
}

// A number argument such as "2.5" or "0.7x" (x: times the current value).
double scaledValue(std::string_view arg, double current) {
    bool relative = false;
    if (!arg.empty() && (arg.back() == 'x' || arg.back() == 'X')) {
        relative = true;
        arg.remove_suffix(1);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), value);
    if (ec != std::errc{} || !std::isfinite(value) || !(value > 0)) return current;
    return relative ? current * value : value;
}

// %% codes, shared by both kinds of text. i points at the first '%'; true
// when a code was taken (i moved past it).
bool percentCode(std::string_view text, std::size_t& i, Look& look, LineBuilder& out) {
    if (i + 2 >= text.size() || text.compare(i, 2, "%%") != 0) return false;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 2])));
    switch (c) {
        case 'u': look.underline = !look.underline; break;
        case 'o': look.overline = !look.overline; break;
        case 'k': look.strikeout = !look.strikeout; break;
        case 'd': out.append(DEGREE_SIGN, look); break;
        case 'p': out.append(PLUS_MINUS, look); break;
        case 'c': out.append(DIAMETER_SIGN, look); break;
        case '%': out.append("%", look); break;
        default: {
            if (i + 2 + PERCENT_CODE_DIGITS > text.size()) return false;
            int code = 0;
            const char* first = text.data() + i + 2;
            const auto [end, ec] = std::from_chars(first, first + PERCENT_CODE_DIGITS, code);
            if (ec != std::errc{} || end != first + PERCENT_CODE_DIGITS) return false;
            std::string character;
            appendUtf8(character, static_cast<std::uint32_t>(code));
            out.append(character, look);
            i += 2 + PERCENT_CODE_DIGITS;
            return true;
        }
    }
    i += 3;
    return true;
}

}  // namespace

std::string TextLine::plain() const {
    std::string out;
    for (const TextRun& r : runs) out += r.text;
    return out;
}

std::vector<TextLine> parseMText(std::string_view text, double height) {
    LineBuilder out;
    Look look;
    look.height = height;
    std::vector<Look> groups;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '{') {
            groups.push_back(look);
            ++i;
            continue;
        }
        if (c == '}') {
            if (!groups.empty()) {
                look = groups.back();
                groups.pop_back();
            }
            ++i;
            continue;
        }
        if (c == '^' && i + 1 < text.size()) {
            // Caret notation of control characters.
            const char next = text[i + 1];
            if (next == 'J') out.newLine();
            else if (next == 'I') out.append(" ", look);
            else if (next == ' ') out.append("^", look);
            else out.append(text.substr(i, 2), look);
            i += 2;
            continue;
        }
        if (c == '%' && percentCode(text, i, look, out)) continue;
        if (c != '\\' || i + 1 >= text.size()) {
            // Plain text up to the next code character.
            std::size_t j = i + 1;
            while (j < text.size() && text[j] != '\\' && text[j] != '{' && text[j] != '}' && text[j] != '^' &&
                   text[j] != '%')
                ++j;
            out.append(text.substr(i, j - i), look);
            i = j;
            continue;
        }
        const char code = text[i + 1];
        i += 2;
        switch (code) {
            case 'P':
            case 'N': out.newLine(); break;
            case 'L': look.underline = true; break;
            case 'l': look.underline = false; break;
            case 'O': look.overline = true; break;
            case 'o': look.overline = false; break;
            case 'K': look.strikeout = true; break;
            case 'k': look.strikeout = false; break;
            case '~': out.append(" ", look); break;
            case '\\':
            case '{':
            case '}': out.append(std::string_view(&code, 1), look); break;
            case 'H': look.height = scaledValue(argument(text, i), look.height); break;
            case 'W': look.widthFactor = scaledValue(argument(text, i), look.widthFactor); break;
            case 'C': {
                const std::string_view arg = argument(text, i);
                int aci = -1;
                const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), aci);
                if (ec == std::errc{} && aci >= 0 && aci <= MAX_ACI) look.color = aci;
                break;
            }
            case 'S': {
                std::string stacked(argument(text, i));
                for (char& s : stacked)
                    if (s == '^' || s == '#') s = '/';
                out.append(stacked, look);
                break;
            }
            case 'c':
            case 'F':
            case 'f':
            case 'Q':
            case 'T':
            case 'A':
            case 'p':
            case 'X': argument(text, i); break;
            default: out.append(text.substr(i - 2, 2), look); break;
        }
    }
    return out.take();
}

TextLine parseTextCodes(std::string_view text, double height) {
    LineBuilder out;
    Look look;
    look.height = height;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '%' && percentCode(text, i, look, out)) continue;
        std::size_t j = i + 1;
        while (j < text.size() && text[j] != '%') ++j;
        out.append(text.substr(i, j - i), look);
        i = j;
    }
    std::vector<TextLine> lines = out.take();
    return lines.front();
}

std::string mtextPlainText(std::string_view text) {
    std::string out;
    const std::vector<TextLine> lines = parseMText(text, 1);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (k) out += '\n';
        out += lines[k].plain();
    }
    return out;
}

}  // namespace gradix
