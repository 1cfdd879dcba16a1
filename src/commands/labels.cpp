#include "commands/labels.h"

#include "stakes/stakes.h"
#include "text/dataline.h"
#include "text/numbers.h"

namespace gradix {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The kilometre notation only adds letters, "=" and "+" around the digits;
// deleting them leaves the metres. Other characters stay, so a label that
// starts with Chinese text reads no digit.
std::string keptOfLabel(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text)
        if (!isAsciiLetter(c) && c != '=' && c != '+') kept += c;
    return trimBlanks(kept);
}

}  // namespace

std::string reduceStakeLabel(std::string_view text) { return shortDecimal(LeadingNumber(keptOfLabel(text))); }

std::optional<std::string> labelStake(std::string_view text) {
    const std::string kept = keptOfLabel(text);
    if (!hasLeadingDigit(kept)) return std::nullopt;
    return shortDecimal(LeadingNumber(kept));
}

}  // namespace gradix
