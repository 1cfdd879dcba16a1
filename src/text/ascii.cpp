#include "text/ascii.h"

namespace gradix {

namespace {

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string upperCaseAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view trimmedView(std::string_view text, std::string_view leading, std::string_view trailing) {
    const std::size_t first = text.find_first_not_of(leading);
    if (first == std::string_view::npos) return {};
    text.remove_prefix(first);
    const std::size_t last = text.find_last_not_of(trailing);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string trimBlanks(std::string_view text) { return std::string(trimmedView(text, SPACES, SPACES)); }

std::string trimWhiteSpace(std::string_view text) {
    return std::string(trimmedView(text, ASCII_WHITE_SPACE, ASCII_WHITE_SPACE));
}

}  // namespace gradix
