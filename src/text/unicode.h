// UTF-8 and code pages: the one place that knows how bytes become characters.
//
// Malformed bytes follow one rule everywhere: a byte that does not start a
// well-formed UTF-8 sequence (a stray continuation byte, a lead byte whose
// sequence is cut short, an overlong form, a surrogate, a code point beyond
// U+10FFFF) is one malformed character of that single byte, read as U+FFFD;
// the next character starts at the byte after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gradix {

// U+FFFD, the character that stands for bytes that do not decode.
inline constexpr std::uint32_t REPLACEMENT_CHARACTER = 0xFFFD;
inline constexpr std::string_view REPLACEMENT_UTF8 = "\xEF\xBF\xBD";
// The highest Unicode code point.
inline constexpr std::uint32_t LAST_CODE_POINT = 0x10FFFF;
// UTF-16 surrogates, which are no characters of their own (U+D800 to U+DFFF:
// high ones first), and the first code point that needs a pair of them.
inline constexpr std::uint32_t FIRST_HIGH_SURROGATE = 0xD800;
inline constexpr std::uint32_t FIRST_LOW_SURROGATE = 0xDC00;
inline constexpr std::uint32_t LAST_SURROGATE = 0xDFFF;
inline constexpr std::uint32_t FIRST_SUPPLEMENTARY = 0x10000;
// The iconv names of the character sets Gradix reads most.
inline constexpr const char* CHARSET_UTF8 = "UTF-8";
inline constexpr const char* CHARSET_GB18030 = "GB18030";

// One character of a UTF-8 text: its code point and its length in bytes.
// A malformed byte gives U+FFFD, length 1 and wellFormed false.
struct Utf8Character {
    std::uint32_t codePoint;
    std::size_t length;
    bool wellFormed;
};

// The character that starts at byte i of text (i < text.size()).
Utf8Character decodeUtf8At(std::string_view text, std::size_t i);

// Whether bytes are well-formed UTF-8 throughout.
bool isValidUtf8(std::string_view bytes);

// Whether every byte is ASCII (below 0x80).
bool isAscii(std::string_view bytes);

// Appends the UTF-8 form of a code point to out; a surrogate or a value beyond
// U+10FFFF is written as U+FFFD.
void appendUtf8(std::string& out, std::uint32_t codePoint);

// The characters of a text, each as its bytes (a malformed byte is a
// character of its own, kept as it is).
std::vector<std::string_view> utf8Characters(std::string_view text);

// Number of characters (code points) of a text, malformed bytes counting one
// each (for column layouts).
std::size_t codePointCount(std::string_view text);

// The text with every malformed byte replaced by U+FFFD.
std::string toValidUtf8(std::string_view bytes);

// The wide encodings an XML file may come in, told by its byte-order mark or,
// without one, by the zero bytes around its first "<".
enum class WideEncoding { Utf16LittleEndian, Utf16BigEndian, Utf32LittleEndian, Utf32BigEndian };
std::optional<WideEncoding> xmlWideEncoding(std::string_view bytes);
// Decodes UTF-16 or UTF-32 bytes (a byte-order mark dropped) to UTF-8. A lone
// surrogate, a code point beyond U+10FFFF and a unit cut short at the end
// become U+FFFD. Line ends are kept, so the lines are those of the file.
std::string decodeWideText(std::string_view bytes, WideEncoding encoding);

// Decodes bytes of an iconv character set ("GB18030", "CP1252", "UTF-8", ...)
// to UTF-8. A byte that does not start a decodable sequence (also a sequence
// cut short at the end) becomes U+FFFD and decoding goes on with the next byte,
// so it always ends. Raises DataError when the system has no converter for
// the character set.
std::string decodeCodePage(std::string_view bytes, const char* charset);

}  // namespace gradix
