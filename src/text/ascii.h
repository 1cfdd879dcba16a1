// ASCII helpers: case folding of names and trimming of blanks. Bytes beyond
// ASCII are never changed, so the helpers are safe on UTF-8 and on raw bytes.
#pragma once

#include <string>
#include <string_view>

namespace gradix {

// The characters trimBlanks removes: spaces only (tabs are data).
inline constexpr std::string_view SPACES = " ";

// The text with the ASCII letters a to z upper-cased (names that compare
// without case, as DXF table names and line names do).
std::string upperCaseAscii(std::string_view text);

// The text without leading characters of leading and trailing characters of
// trailing.
std::string_view trimmedView(std::string_view text, std::string_view leading, std::string_view trailing);

// Removes leading and trailing spaces (not tabs).
std::string trimBlanks(std::string_view text);

}  // namespace gradix
