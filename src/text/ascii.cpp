#include "text/ascii.h"

namespace gradix {

std::string upperCaseAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view trimmedView(std::string_view text, std::string_view leading, std::string_view trailing) {
    const std::size_t first = text.find_first_not_of(leading);
    if (first == std::string_view::npos) return {};
    text.remove_prefix(first);
    const std::size_t last = text.find_last_not_of(trailing);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string trimBlanks(std::string_view text) { return std::string(trimmedView(text, SPACES, SPACES)); }

}  // namespace gradix
