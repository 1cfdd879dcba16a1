// ASCII helpers: case folding of names, comparisons without case and
// trimming of blanks. Bytes beyond ASCII are never changed, so the helpers
// are safe on UTF-8 and on raw bytes.
#pragma once

#include <string>
#include <string_view>

namespace gradix {

// The characters trimBlanks removes: spaces only (tabs are data).
inline constexpr std::string_view SPACES = " ";
// White space as XML and most text formats count it: space, tab, line feed,
// carriage return, vertical tab and form feed.
inline constexpr std::string_view ASCII_WHITE_SPACE = " \t\n\r\v\f";

// Whether a byte is an ASCII control character: C0 (NUL to U+001F, tab and
// line ends included) or DEL.
constexpr bool isControlCharacter(char c) {
    constexpr unsigned char FIRST_PRINTABLE = 0x20;
    constexpr unsigned char DELETE = 0x7F;
    const auto byte = static_cast<unsigned char>(c);
    return byte < FIRST_PRINTABLE || byte == DELETE;
}

// The text with the ASCII letters a to z upper-cased (names that compare
// without case, as DXF table names and line names do).
std::string upperCaseAscii(std::string_view text);

// Whether a and b are equal when the ASCII letters are compared without case.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Whether text ends with suffix, the ASCII letters compared without case
// (".XML" ends "road.xml").
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix);

// The text without leading characters of leading and trailing characters of
// trailing.
std::string_view trimmedView(std::string_view text, std::string_view leading, std::string_view trailing);

// Removes leading and trailing spaces (not tabs).
std::string trimBlanks(std::string_view text);

// Removes leading and trailing ASCII_WHITE_SPACE (the text of an XML
// attribute or element around its value).
std::string trimWhiteSpace(std::string_view text);

}  // namespace gradix
