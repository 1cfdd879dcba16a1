#include "text/unicode.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "text/failures.h"
#include "text/messages.h"

namespace gradix {

namespace {

// The first code points of two- and three-byte forms.
constexpr std::uint32_t FIRST_TWO_BYTE = 0x80;
constexpr std::uint32_t FIRST_THREE_BYTE = 0x800;
constexpr unsigned char CONTINUATION_MASK = 0xC0;
constexpr unsigned char CONTINUATION_TAG = 0x80;
constexpr unsigned char PAYLOAD_BITS = 0x3F;  // of a continuation byte
constexpr int PAYLOAD_SHIFT = 6;
// Output room per input byte of iconv: no supported character set gives more
// than 3 UTF-8 bytes for one input byte (a lone byte to U+FFFD, or a character
// of the Basic Multilingual Plane); four-byte input forms give at most 4.
constexpr std::size_t UTF8_BYTES_PER_INPUT_BYTE = 3;
constexpr std::size_t MIN_OUTPUT_ROOM = 16;

bool isContinuation(unsigned char c) { return (c & CONTINUATION_MASK) == CONTINUATION_TAG; }

// Length of the well-formed sequence at i (1 to 4), 0 when malformed.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = at(i);
    const std::size_t left = s.size() - i;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) return left >= 2 && isContinuation(at(i + 1)) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3) return 0;
        const unsigned char b1 = at(i + 1);
        const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;  // no surrogates
        return b1 >= low && b1 <= high && isContinuation(at(i + 2)) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4) return 0;
        const unsigned char b1 = at(i + 1);
        const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;   // no overlong forms
        const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;  // at most U+10FFFF
        return b1 >= low && b1 <= high && isContinuation(at(i + 2)) && isContinuation(at(i + 3)) ? 4 : 0;
    }
    return 0;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

}  // namespace

Utf8Character decodeUtf8At(std::string_view text, std::size_t i) {
    const std::size_t n = sequenceLength(text, i);
    if (n == 0) return {REPLACEMENT_CHARACTER, 1, false};
    const auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(text[k])); };
    // The lead byte keeps 7, 5, 4 or 3 payload bits.
    static constexpr std::uint32_t LEAD_BITS[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t cp = at(i) & LEAD_BITS[n];
    for (std::size_t k = 1; k < n; ++k) cp = (cp << PAYLOAD_SHIFT) | (at(i + k) & PAYLOAD_BITS);
    return {cp, n, true};
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > LAST_CODE_POINT || (cp >= FIRST_HIGH_SURROGATE && cp <= LAST_SURROGATE)) cp = REPLACEMENT_CHARACTER;
    const auto continuation = [&](int shift) {
        out += static_cast<char>(CONTINUATION_TAG | ((cp >> shift) & PAYLOAD_BITS));
    };
    if (cp < FIRST_TWO_BYTE) {
        out += static_cast<char>(cp);
    } else if (cp < FIRST_THREE_BYTE) {
        out += static_cast<char>(0xC0 | (cp >> PAYLOAD_SHIFT));
        continuation(0);
    } else if (cp < FIRST_SUPPLEMENTARY) {
        out += static_cast<char>(0xE0 | (cp >> (2 * PAYLOAD_SHIFT)));
        continuation(PAYLOAD_SHIFT);
        continuation(0);
    } else {
        out += static_cast<char>(0xF0 | (cp >> (3 * PAYLOAD_SHIFT)));
        continuation(2 * PAYLOAD_SHIFT);
        continuation(PAYLOAD_SHIFT);
        continuation(0);
    }
}

std::vector<std::string_view> utf8Characters(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = decodeUtf8At(text, i).length;
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

std::size_t codePointCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += decodeUtf8At(text, i).length) ++count;
    return count;
}

std::string toValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Character c = decodeUtf8At(bytes, i);
        if (c.wellFormed) out.append(bytes.substr(i, c.length));
        else out.append(REPLACEMENT_UTF8);
        i += c.length;
    }
    return out;
}

std::string decodeCodePage(std::string_view bytes, const char* charset) {
    if (isAscii(bytes)) return std::string(bytes);
    if (std::string_view(charset) == CHARSET_UTF8) return toValidUtf8(bytes);
    const iconv_t cd = iconv_open(CHARSET_UTF8, charset);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw DataError(msg::charsetUnsupported(charset));
    const std::unique_ptr<void, IconvCloser> closer(cd);

    std::string out;
    std::size_t written = 0;
    std::size_t done = 0;
    const auto makeRoom = [&](std::size_t room) {
        if (out.size() - written < room) out.resize(written + room);
    };
    makeRoom(bytes.size() * UTF8_BYTES_PER_INPUT_BYTE + MIN_OUTPUT_ROOM);
    while (done < bytes.size()) {
        char* in = const_cast<char*>(bytes.data() + done);
        std::size_t inLeft = bytes.size() - done;
        char* to = out.data() + written;
        std::size_t toLeft = out.size() - written;
        const std::size_t result = iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        done = static_cast<std::size_t>(in - bytes.data());
        written = static_cast<std::size_t>(to - out.data());
        if (result != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) {
            makeRoom(out.size() * 2);  // more room than estimated; grows, so the loop ends
            continue;
        }
        // EILSEQ or EINVAL: one byte that does not decode.
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
        makeRoom(REPLACEMENT_UTF8.size() + (bytes.size() - done) * UTF8_BYTES_PER_INPUT_BYTE);
        out.replace(written, REPLACEMENT_UTF8.size(), REPLACEMENT_UTF8);
        written += REPLACEMENT_UTF8.size();
        ++done;
    }
    out.resize(written);
    return out;
}

std::optional<WideEncoding> xmlWideEncoding(std::string_view bytes) {
    const auto starts = [&](std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; };
    using namespace std::string_view_literals;
    // UTF-32 first: its little-endian mark begins with UTF-16's.
    if (starts("\x00\x00\xFE\xFF"sv) || starts("\x00\x00\x00<"sv)) return WideEncoding::Utf32BigEndian;
    if (starts("\xFF\xFE\x00\x00"sv) || starts("<\x00\x00\x00"sv)) return WideEncoding::Utf32LittleEndian;
    if (starts("\xFE\xFF"sv) || starts("\x00<\x00?"sv)) return WideEncoding::Utf16BigEndian;
    if (starts("\xFF\xFE"sv) || starts("<\x00?\x00"sv)) return WideEncoding::Utf16LittleEndian;
    return std::nullopt;
}

std::string decodeWideText(std::string_view bytes, WideEncoding encoding) {
    const bool wide32 = encoding == WideEncoding::Utf32LittleEndian || encoding == WideEncoding::Utf32BigEndian;
    const bool big = encoding == WideEncoding::Utf16BigEndian || encoding == WideEncoding::Utf32BigEndian;
    const std::size_t unit = wide32 ? 4 : 2;
    const auto unitAt = [&](std::size_t i) {
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < unit; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + (big ? k : unit - 1 - k)]);
            v = (v << 8) | b;
        }
        return v;
    };
    std::string out;
    out.reserve(bytes.size() / unit * 3 / 2 + 1);  // ASCII-heavy text: at most 1.5 bytes a UTF-16 unit
    std::size_t i = 0;
    if (bytes.size() >= unit && (unitAt(0) == 0xFEFF)) i = unit;  // the byte-order mark
    for (; i + unit <= bytes.size(); i += unit) {
        std::uint32_t c = unitAt(i);
        if (!wide32 && c >= FIRST_HIGH_SURROGATE && c < FIRST_LOW_SURROGATE && i + 2 * unit <= bytes.size()) {
            const std::uint32_t low = unitAt(i + unit);
            if (low >= FIRST_LOW_SURROGATE && low <= LAST_SURROGATE) {
                c = FIRST_SUPPLEMENTARY + ((c - FIRST_HIGH_SURROGATE) << 10) + (low - FIRST_LOW_SURROGATE);
                i += unit;
            }
        }
        appendUtf8(out, c);  // a lone surrogate or a value beyond U+10FFFF gives U+FFFD
    }
    if (i < bytes.size()) out += REPLACEMENT_UTF8;
    return out;
}

}  // namespace gradix
