#include "dxf/dxfencoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <memory>

#include "text/failures.h"

namespace gradix {

namespace {

constexpr std::string_view REPLACEMENT_UTF8 = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::uint32_t REPLACEMENT_CHARACTER = 0xFFFD;
constexpr std::uint32_t LAST_CODE_POINT = 0x10FFFF;
constexpr std::uint32_t FIRST_HIGH_SURROGATE = 0xD800;
constexpr std::uint32_t FIRST_LOW_SURROGATE = 0xDC00;
constexpr std::uint32_t LAST_SURROGATE = 0xDFFF;
constexpr std::uint32_t FIRST_SUPPLEMENTARY = 0x10000;
constexpr int SURROGATE_BITS = 10;
constexpr std::uint32_t SURROGATE_MASK = 0x3FF;
constexpr int HEX = 16;
constexpr std::size_t ESCAPE_HEX_DIGITS = 4;          // \U+XXXX and the XXXX of \M+nXXXX
constexpr std::size_t UNICODE_ESCAPE_LENGTH = 7;      // \U+XXXX
constexpr std::size_t MULTIBYTE_ESCAPE_LENGTH = 8;    // \M+nXXXX
constexpr std::string_view DEFAULT_CHARSET = "CP1252";
constexpr std::string_view UNKNOWN_PAGE_CHARSET = "GB18030";  // a file that names no code page
constexpr std::size_t ACADVER_PREFIX = 2;             // "AC" of "AC1015"
// Output room per input byte: no supported charset gives more than 3 UTF-8
// bytes for one input byte (a lone byte to U+FFFD or a BMP character).
constexpr std::size_t UTF8_BYTES_PER_INPUT_BYTE = 3;
constexpr std::size_t MIN_OUTPUT_ROOM = 16;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at i (1 to 4), 0 when malformed.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = at(i);
    const std::size_t left = s.size() - i;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) return left >= 2 && isContinuation(at(i + 1)) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3) return 0;
        const unsigned char b1 = at(i + 1);
        const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
        return b1 >= low && b1 <= high && isContinuation(at(i + 2)) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4) return 0;
        const unsigned char b1 = at(i + 1);
        const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
        return b1 >= low && b1 <= high && isContinuation(at(i + 2)) && isContinuation(at(i + 3)) ? 4 : 0;
    }
    return 0;
}

// The code point of the well-formed sequence of length n at i.
std::uint32_t codePointAt(std::string_view s, std::size_t i, std::size_t n) {
    const auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[k])); };
    switch (n) {
        case 1: return at(i);
        case 2: return ((at(i) & 0x1F) << 6) | (at(i + 1) & 0x3F);
        case 3: return ((at(i) & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F);
        default:
            return ((at(i) & 0x07) << 18) | ((at(i + 1) & 0x3F) << 12) | ((at(i + 2) & 0x3F) << 6) |
                   (at(i + 3) & 0x3F);
    }
}

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

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

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > LAST_CODE_POINT || (cp >= FIRST_HIGH_SURROGATE && cp <= LAST_SURROGATE)) cp = REPLACEMENT_CHARACTER;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < FIRST_SUPPLEMENTARY) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

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
        if (!std::isspace(static_cast<unsigned char>(c))) page += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
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
    if (isAscii(bytes)) return std::string(bytes);
    if (charset == "UTF-8") {
        // Keep what is well-formed, replace each stray byte.
        std::string out;
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t n = sequenceLength(bytes, i);
            if (n == 0) {
                out += REPLACEMENT_UTF8;
                ++i;
            } else {
                out.append(bytes.substr(i, n));
                i += n;
            }
        }
        return out;
    }
    const iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw DataError("this system cannot decode the drawing's code page " + charset);
    const std::unique_ptr<void, IconvCloser> closer(cd);
    std::string out(bytes.size() * UTF8_BYTES_PER_INPUT_BYTE + MIN_OUTPUT_ROOM, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            // Cannot happen with the room reserved above; grow all the same.
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: one byte that does not decode becomes U+FFFD.
        if (outLeft < REPLACEMENT_UTF8.size()) {
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
        std::copy(REPLACEMENT_UTF8.begin(), REPLACEMENT_UTF8.end(), outPtr);
        outPtr += REPLACEMENT_UTF8.size();
        outLeft -= REPLACEMENT_UTF8.size();
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
    }
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
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
        if (isValidUtf8(utf8Text)) return std::string(utf8Text);
        return decodeCharset(utf8Text, "UTF-8");
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
        const std::size_t n = sequenceLength(utf8Text, i);
        if (n == 1) {
            out += utf8Text[i++];
            continue;
        }
        const std::uint32_t cp = n == 0 ? REPLACEMENT_CHARACTER : codePointAt(utf8Text, i, n);
        i += n == 0 ? 1 : n;
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
