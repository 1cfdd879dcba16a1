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

// A plain text on one line: its line breaks as blanks, trimmed.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return trimBlanks(text);
}

SelectedLabel labelOfText(const CadText& text, int stretchCount, std::string_view lineName) {
    const std::string plain = labelPlainText(text.TextString, text.entitytype == ENTITY_TYPE_MTEXT);
    SelectedLabel label{oneLine(plain), std::nullopt};
    if (const std::optional<LabelStake> stake = parseLabelStake(plain, stretchCount, lineName))
        label.stake = stakeFieldText(*stake);
    return label;
}

}  // namespace

std::string reduceStakeLabel(std::string_view text) { return shortDecimal(LeadingNumber(keptOfLabel(text))); }

std::optional<SelectedLabel> selectedLabel(const CadEntity& entity, int stretchCount, std::string_view lineName) {
    const int type = entity.entitytype();
    if (type == ENTITY_TYPE_TEXT || type == ENTITY_TYPE_MTEXT)
        return labelOfText({type, entity.TextString()}, stretchCount, lineName);
    const std::vector<CadText> texts = entity.BlockTexts();
    if (texts.empty()) return std::nullopt;
    for (const CadText& text : texts)
        if (SelectedLabel label = labelOfText(text, stretchCount, lineName); label.stake) return label;
    return labelOfText(texts.front(), stretchCount, lineName);
}

std::string labelLine(const StakeLabel& label) {
    return oneLine(label.text) + '\t' + stakeFieldText(label.stake);
}

}  // namespace gradix
