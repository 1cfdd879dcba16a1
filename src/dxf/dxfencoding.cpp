#include "dxf/dxfencoding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "text/ascii.h"
#include "text/failures.h"

namespace gradix {

namespace {

constexpr int SURROGATE_BITS = 10;
constexpr std::uint32_t SURROGATE_MASK = 0x3FF;
constexpr int HEX = 16;
constexpr std::size_t ESCAPE_HEX_DIGITS = 4;          // \U+XXXX and the XXXX of \M+nXXXX
constexpr std::size_t UNICODE_ESCAPE_LENGTH = 7;      // \U+XXXX
constexpr std::size_t MULTIBYTE_ESCAPE_LENGTH = 8;    // \M+nXXXX
constexpr std::string_view DEFAULT_CHARSET = "CP1252";
constexpr std::string_view UNKNOWN_PAGE_CHARSET = CHARSET_GB18030;  // a file that names no code page
constexpr std::size_t ACADVER_PREFIX = 2;             // "AC" of "AC1015"

// Reads ESCAPE_HEX_DIGITS hex digits at s[i]; false when they are not there.
bool readHex4(std::string_view s, std::size_t i, std::uint32_t& value) {
    if (i + ESCAPE_HEX_DIGITS > s.size()) return false;
    const char* first = s.data() + i;
    const char* last = first + ESCAPE_HEX_DIGITS;
    if (!std::all_of(first, last, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return false;
    return std::from_chars(first, last, value, HEX).ec == std::errc{};
}

// The character set of the n of a \M+nXXXX escape: 1 Japanese, 2 traditional
// Chinese, 3 Korean (Wansung), 4 Korean (Johab), 5 simplified Chinese.
const char* multibyteCharset(char n) {
    switch (n) {
        case '1': return "CP932";
        case '2': return "CP950";
        case '3': return "CP949";
        case '4': return "JOHAB";
        case '5': return "GB18030";
        default: return nullptr;
    }
}

}  // namespace

int dxfVersionNumber(std::string_view acadVersion) {
    while (!acadVersion.empty() && std::isspace(static_cast<unsigned char>(acadVersion.back())))
        acadVersion.remove_suffix(1);
    if (acadVersion.size() <= ACADVER_PREFIX || (acadVersion[0] != 'A' && acadVersion[0] != 'a'))
        return DXF_R12;
    int number = 0;
    const char* first = acadVersion.data() + ACADVER_PREFIX;
    const char* last = acadVersion.data() + acadVersion.size();
    const auto [end, ec] = std::from_chars(first, last, number);
    if (ec != std::errc{} || end != last || number <= 0) return DXF_R12;
    return number;
}

std::string codePageCharset(std::string_view dwgCodePage) {
    std::string page;
    for (char c : dwgCodePage)
        if (!std::isspace(static_cast<unsigned char>(c))) page += c;
    page = upperCaseAscii(page);
    if (page == "UTF8" || page == "UTF-8") return "UTF-8";
    if (page == "ANSI_936" || page == "GB2312" || page == "GBK") return "GB18030";
    if (page == "ANSI_932") return "CP932";
    if (page == "ANSI_949") return "CP949";
    if (page == "ANSI_950" || page == "BIG5") return "CP950";
    if (page == "ANSI_1361" || page == "JOHAB") return "JOHAB";
    constexpr std::string_view ANSI = "ANSI_";
    constexpr std::string_view DOS = "DOS";
    std::string_view digits;
    if (page.starts_with(ANSI)) digits = std::string_view(page).substr(ANSI.size());
    else if (page.starts_with(DOS)) digits = std::string_view(page).substr(DOS.size());
    if (!digits.empty() &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        return "CP" + std::string(digits);
    return std::string(DEFAULT_CHARSET);
}

std::string decodeCharset(std::string_view bytes, const std::string& charset) {
    return decodeCodePage(bytes, charset.c_str());
}

std::string decodeDxfEscapes(std::string_view s) {
    if (s.find('\\') == std::string_view::npos) return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i++];
            continue;
        }
        const char kind = s[i + 1];
        if (kind == '\\') {  // an escaped backslash stays escaped
            out.append("\\\\");
            i += 2;
            continue;
        }
        std::uint32_t value = 0;
        if ((kind == 'U' || kind == 'u') && i + 2 < s.size() && s[i + 2] == '+' && readHex4(s, i + 3, value)) {
            i += UNICODE_ESCAPE_LENGTH;
            if (value >= FIRST_HIGH_SURROGATE && value < FIRST_LOW_SURROGATE) {
                // A high surrogate joins the low surrogate of the next escape.
                std::uint32_t low = 0;
                if (i + UNICODE_ESCAPE_LENGTH <= s.size() && s[i] == '\\' && (s[i + 1] == 'U' || s[i + 1] == 'u') &&
                    s[i + 2] == '+' && readHex4(s, i + 3, low) && low >= FIRST_LOW_SURROGATE && low <= LAST_SURROGATE) {
                    i += UNICODE_ESCAPE_LENGTH;
                    appendUtf8(out, FIRST_SUPPLEMENTARY + (((value - FIRST_HIGH_SURROGATE) << SURROGATE_BITS) |
                                                          (low - FIRST_LOW_SURROGATE)));
                } else {
                    appendUtf8(out, REPLACEMENT_CHARACTER);
                }
            } else {
                appendUtf8(out, value);  // a lone low surrogate becomes U+FFFD there
            }
            continue;
        }
        if ((kind == 'M' || kind == 'm') && i + 3 < s.size() && s[i + 2] == '+' && multibyteCharset(s[i + 3]) &&
            readHex4(s, i + 4, value)) {
            const char pair[2] = {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
            const std::string_view bytes = (value >> 8) == 0 ? std::string_view(pair + 1, 1) : std::string_view(pair, 2);
            std::string decoded;
            try {
                decoded = decodeCharset(bytes, multibyteCharset(s[i + 3]));
            } catch (const DataError&) {
                decoded = std::string(REPLACEMENT_UTF8);
            }
            out += decoded;
            i += MULTIBYTE_ESCAPE_LENGTH;
            continue;
        }
        out += s[i++];
    }
    return out;
}

DxfTextCodec::DxfTextCodec(std::string_view acadVersion, std::string_view dwgCodePage)
    : version_(dxfVersionNumber(acadVersion)),
      charset_(codePageCharset(dwgCodePage)),
      codePageGiven_(dwgCodePage.find_first_not_of(" \t") != std::string_view::npos) {}

std::string DxfTextCodec::decode(std::string_view raw) const {
    if (isAscii(raw)) return decodeDxfEscapes(raw);
    if ((utf8() || !codePageGiven_) && isValidUtf8(raw)) return decodeDxfEscapes(raw);
    return decodeDxfEscapes(decodeCharset(raw, codePageGiven_ ? charset_ : std::string(UNKNOWN_PAGE_CHARSET)));
}

std::string DxfTextCodec::encode(std::string_view utf8Text) const {
    if (utf8()) {
        return toValidUtf8(utf8Text);
    }
    std::string out;
    out.reserve(utf8Text.size());
    constexpr std::array<char, HEX> DIGITS = {'0', '1', '2', '3', '4', '5', '6', '7',
                                              '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    const auto escape = [&](std::uint32_t unit) {
        out += "\\U+";
        for (int shift = 12; shift >= 0; shift -= 4) out += DIGITS[(unit >> shift) & 0xF];
    };
    for (std::size_t i = 0; i < utf8Text.size();) {
        const Utf8Character c = decodeUtf8At(utf8Text, i);
        if (c.wellFormed && c.length == 1) {
            out += utf8Text[i++];
            continue;
        }
        const std::uint32_t cp = c.codePoint;  // U+FFFD for a malformed byte
        i += c.length;
        if (cp >= FIRST_SUPPLEMENTARY) {
            const std::uint32_t v = cp - FIRST_SUPPLEMENTARY;
            escape(FIRST_HIGH_SURROGATE + (v >> SURROGATE_BITS));
            escape(FIRST_LOW_SURROGATE + (v & SURROGATE_MASK));
        } else {
            escape(cp);
        }
    }
    return out;
}

}  // namespace gradix
