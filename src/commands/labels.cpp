#include "commands/labels.h"

#include "text/dataline.h"
#include "text/numbers.h"

namespace gradix {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string reduceStakeLabel(std::string_view text) {
    // The kilometre notation only adds letters, "=" and "+" around the
    // digits; deleting them leaves the metres. Other characters stay, so a
    // label that starts with Chinese text reads as 0.
    std::string kept;
    kept.reserve(text.size());
    for (char c : text)
        if (!isAsciiLetter(c) && c != '=' && c != '+') kept += c;
    return shortDecimal(LeadingNumber(trimBlanks(kept)));
}

}  // namespace gradix
