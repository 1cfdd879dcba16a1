#include "checks/stakelabels.h"

#include <cmath>

#include "dxf/dxfstructure.h"
#include "dxf/mtext.h"
#include "stakes/stakes.h"
#include "text/ascii.h"
#include "text/numbers.h"

namespace gradix {

namespace {

constexpr char KILOMETRE_SEPARATOR = '+';
// A label's text height does not change what it says: the codes are read at any.
constexpr double ANY_HEIGHT = 1.0;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isKilometreMark(char c) { return c == 'K' || c == 'k'; }

// The K notation around the '+' at plus, in the form readKilometreStake
// reads ("[L][-]K km+m"): the kilometres before it (with a sign and a K, in
// either order, and the stretch letter before the K when it stands alone and
// names a stretch of the road), the metres after it; the stake it names,
// or nothing when the text there is no stake.
std::optional<LabelStake> stakeAround(std::string_view t, std::size_t plus, int stretchCount) {
    std::size_t kmBegin = plus;
    while (kmBegin > 0 && isDigit(t[kmBegin - 1])) --kmBegin;
    std::size_t mEnd = plus + 1;
    while (mEnd < t.size() && isDigit(t[mEnd])) ++mEnd;
    if (kmBegin == plus || mEnd == plus + 1) return std::nullopt;
    if (mEnd < t.size() && t[mEnd] == '.') {
        ++mEnd;
        while (mEnd < t.size() && isDigit(t[mEnd])) ++mEnd;
    }
    std::size_t before = kmBegin;
    bool negative = false, mark = false;
    if (before > 0 && t[before - 1] == '-') negative = true, --before;
    if (before > 0 && isKilometreMark(t[before - 1])) {
        mark = true;
        --before;
        if (!negative && before > 0 && t[before - 1] == '-') negative = true, --before;
    }
    char letter = 0;
    if (mark) {
        std::size_t at = before;
        while (at > 0 && t[at - 1] == ' ') --at;  // "B K5+400"
        const char c = at > 0 ? t[at - 1] : 0;
        const bool standsAlone = at < 2 || !isAsciiLetter(t[at - 2]);
        if (stretchCount > 1 && c >= 'A' && c < 'A' + stretchCount && standsAlone) letter = c;
    }
    std::string token;
    if (letter) token += letter;
    if (negative) token += '-';
    if (mark) token += 'K';
    token.append(t.substr(kmBegin, mEnd - kmBegin));
    const std::optional<KilometreStake> k = readKilometreStake(token);
    if (!k) return std::nullopt;
    return LabelStake{k->value, k->letter};
}

// The 桩号 line of an annotation: the text after its caption up to the end
// of its line, the line name skipped when the line starts with it.
std::string_view stakeLine(std::string_view plain, std::string_view lineName) {
    const std::size_t at = plain.find(ANNOTATION_STAKE_CAPTION);
    std::string_view line = plain.substr(at + std::string_view(ANNOTATION_STAKE_CAPTION).size());
    line = line.substr(0, line.find('\n'));
    if (!lineName.empty() && line.substr(0, lineName.size()) == lineName) line.remove_prefix(lineName.size());
    return line;
}

// The point a TEXT labels: its alignment point when it is justified other
// than left on the baseline (that is the point its writer placed), else its
// insertion point.
void textPoint(const DrawingEntity& e, double& x, double& y) {
    constexpr int LEFT = 0, BASELINE = 0;
    const bool justified = e.hAlign != LEFT || e.vAlign != BASELINE;
    x = justified ? e.x2 : e.x;
    y = justified ? e.y2 : e.y;
}

bool isText(const DrawingEntity& e) { return e.kind == EntityKind::Text || e.kind == EntityKind::MText; }

// The direction (rad) a block's text runs in once the insert places it.
double insertedDirection(const DrawingEntity& insert, double direction) {
    const double dx = insert.scaleX * std::cos(direction), dy = insert.scaleY * std::sin(direction);
    return insert.rotation + std::atan2(dy, dx);
}

}  // namespace

std::optional<LabelStake> parseLabelStake(std::string_view plainText, int stretchCount, std::string_view lineName) {
    const std::string_view text = isAnnotationText(plainText) ? stakeLine(plainText, lineName) : plainText;
    for (std::size_t plus = text.find(KILOMETRE_SEPARATOR); plus != std::string_view::npos;
         plus = text.find(KILOMETRE_SEPARATOR, plus + 1))
        if (const std::optional<LabelStake> stake = stakeAround(text, plus, stretchCount)) return stake;
    return std::nullopt;
}

std::string stakeFieldText(const LabelStake& stake) {
    std::string text;
    if (stake.letter) text += stake.letter;
    return text + shortDecimal(stake.value);
}

std::string labelPlainText(std::string_view stored, bool multiLine) {
    // The paragraph ending an MTEXT (Gradix's annotation ends with one) adds
    // no line of its own.
    return trimWhiteSpace(multiLine ? mtextPlainText(stored) : parseTextCodes(stored, ANY_HEIGHT).plain());
}

bool isAnnotationText(std::string_view plainText) {
    return plainText.find(ANNOTATION_STAKE_CAPTION) != std::string_view::npos;
}

void forEachStakeLabel(const Drawing& drawing, int stretchCount, std::string_view lineName,
                       const std::function<void(const StakeLabel&)>& visit) {
    StakeLabel label;  // one at a time, its strings' room reused
    // A text as a label: its plain text and stake, its record's pick point.
    const auto add = [&](const DrawingEntity& text, const std::string& handle, double x, double y,
                         double direction) {
        label.text = labelPlainText(text.text, text.kind == EntityKind::MText);
        label.annotation = isAnnotationText(label.text);
        const bool named = text.record && !text.record->lineName.empty();
        const std::string_view name = named ? std::string_view(text.record->lineName) : lineName;
        const std::optional<LabelStake> stake = parseLabelStake(label.text, stretchCount, name);
        if (!stake) return;
        label.handle = handle;
        label.stake = *stake;
        label.x = x;
        label.y = y;
        label.direction = direction;
        label.pick.reset();
        if (label.annotation && text.record) label.pick = std::array<double, 2>{text.record->pickX, text.record->pickY};
        visit(label);
    };
    for (const DrawingEntity& e : drawing.entities) {
        if (e.kind == EntityKind::Text) {
            double x = 0, y = 0;
            textPoint(e, x, y);
            add(e, e.handle, x, y, e.rotation);
        } else if (e.kind == EntityKind::MText) {
            add(e, e.handle, e.x, e.y, e.rotation);
        } else if (e.kind == EntityKind::Insert) {
            // A block inserted at the labelled point: its texts label that point.
            const auto block = drawing.blocks.find(foldName(e.block));
            if (block == drawing.blocks.end()) continue;
            for (const DrawingEntity& inner : block->second.entities)
                if (isText(inner)) add(inner, e.handle, e.x, e.y, insertedDirection(e, inner.rotation));
        }
    }
}

std::vector<StakeLabel> readStakeLabels(const Drawing& drawing, int stretchCount, std::string_view lineName) {
    std::vector<StakeLabel> labels;
    forEachStakeLabel(drawing, stretchCount, lineName, [&](const StakeLabel& label) { labels.push_back(label); });
    return labels;
}

}  // namespace gradix
