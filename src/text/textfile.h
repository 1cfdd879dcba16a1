// Text files as the engineers' tools write them: read as bytes, decoded as
// UTF-8 when valid and as GB18030 otherwise, split into lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gradix {

// Decodes file bytes to UTF-8: a leading UTF-8 byte-order mark is dropped;
// valid UTF-8 is kept as it is; anything else is decoded as GB18030
// (bytes that GB18030 cannot decode become U+FFFD). NUL bytes are kept.
// Raises DataError only when the system has no GB18030 decoder (iconv).
std::string decodeText(std::string_view bytes);

// Splits decoded text at CR LF, LF and a lone CR; a last line without a line
// end counts, an empty text has no line.
std::vector<std::string> splitLines(std::string_view text);

// Reads a whole text file into decoded lines.
// Raises FileAccessError for an empty path (a cancelled dialog) and DataError
// for a missing file, a folder, or a file that cannot be read; the error is
// located at the path.
std::vector<std::string> readTextLines(const std::string& path);

// Reads a file's raw bytes; same failures as readTextLines.
std::string readFileBytes(const std::string& path);

// Writes bytes to a temporary file beside path and renames it into place, so
// that a failure leaves any previous file intact.
// Raises FileAccessError for an empty path and DataError when the file cannot
// be written.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// Number of Unicode code points in a UTF-8 text (for column layouts).
std::size_t codePointCount(std::string_view utf8);

}  // namespace gradix
