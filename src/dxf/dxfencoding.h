// Text of a DXF drawing: how its bytes become UTF-8 and back.
//
// Which encoding a drawing uses depends on its version ($ACADVER) and its code
// page ($DWGCODEPAGE): from AutoCAD 2007 (AC1021) on, every string is UTF-8
// whatever the code page says; up to AutoCAD 2004 (AC1018) strings are in the
// code page (ANSI_936 is the Chinese GBK, read as its superset GB18030), and
// characters outside it travel as \U+XXXX escapes (or, in old files, as
// \M+nXXXX multibyte escapes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/unicode.h"  // isValidUtf8, appendUtf8: the UTF-8 toolkit the DXF text uses

namespace gradix {

// The version number of a drawing: $ACADVER "AC1015" gives 1015.
inline constexpr int DXF_R12 = 1009;
inline constexpr int DXF_R2000 = 1015;
inline constexpr int DXF_R2004 = 1018;
inline constexpr int DXF_R2007 = 1021;  // the first version whose strings are UTF-8
inline constexpr int DXF_R2018 = 1032;

// dxfVersionNumber: "AC1015" gives 1015; an empty or unreadable $ACADVER
// (drawings of R12 and older often have none) gives DXF_R12.
int dxfVersionNumber(std::string_view acadVersion);

// The iconv name of the character set of a $DWGCODEPAGE value ("ANSI_936" gives
// "GB18030", "ANSI_1252" gives "CP1252", "UTF8" gives "UTF-8"); an unknown or
// empty code page gives "CP1252", AutoCAD's own default.
std::string codePageCharset(std::string_view dwgCodePage);

// Decodes bytes of the given iconv character set to UTF-8. Bytes that do not
// decode become U+FFFD and decoding goes on with the next byte, so it always
// ends. Raises DataError when the system has no converter for the charset.
std::string decodeCharset(std::string_view bytes, const std::string& charset);

// Decodes the \U+XXXX and \M+nXXXX escapes of a UTF-8 text. "\\" (an escaped
// backslash in multi-line text) is kept as it is and never starts an escape.
// A \U+ escape of a lone surrogate, or a \M+ escape that does not decode,
// becomes U+FFFD; a malformed escape is kept as plain text.
std::string decodeDxfEscapes(std::string_view utf8);

// The text codec of one drawing.
class DxfTextCodec {
public:
    // acadVersion and dwgCodePage as the header holds them ("" when absent).
    DxfTextCodec(std::string_view acadVersion, std::string_view dwgCodePage);

    // File bytes of a string value to UTF-8, escapes decoded. From AC1021 the
    // bytes are UTF-8; should they not be well-formed (a tool that wrote the
    // code page anyway) they are read in the code page instead of being lost.
    // A file without $DWGCODEPAGE (old R12 files) is read as UTF-8 when its
    // bytes are well-formed UTF-8 and as GB18030 otherwise, the code page the
    // drawings of Chinese tools come in.
    std::string decode(std::string_view raw) const;

    // A UTF-8 text as the file stores it: unchanged from AC1021, otherwise
    // every non-ASCII character as a \U+XXXX escape (characters beyond U+FFFF
    // as two escapes of their surrogate pair), so the bytes are pure ASCII and
    // mean the same in every code page. Malformed UTF-8 input becomes U+FFFD.
    std::string encode(std::string_view utf8) const;

    int version() const { return version_; }
    bool utf8() const { return version_ >= DXF_R2007; }
    const std::string& charset() const { return charset_; }

private:
    int version_;
    std::string charset_;
    bool codePageGiven_;
};

}  // namespace gradix
