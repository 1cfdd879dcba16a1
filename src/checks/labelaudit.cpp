#include "checks/labelaudit.h"

#include <cmath>
#include <string>

#include "dxf/dxfstructure.h"
#include "dxf/mtext.h"
#include "stakes/stakes.h"
#include "text/numbers.h"

namespace gradix {

namespace {

constexpr double METRES_PER_KILOMETRE = 1000.0;
constexpr int STAKE_DECIMALS = 3;
constexpr const char* ANNOTATION_STAKE = "桩号：";
constexpr const char* ANNOTATION_ELEVATION = "高程：";
constexpr const char* ANNOTATION_GRADE = "纵坡：";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The number of the digits text[from, to), read exactly.
double digitsValue(std::string_view text) { return LeadingNumber(text); }

// The stake at one '+': kilometres before it, metres after it, a sign and a
// K before the kilometres, a stretch letter before the K.
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
    const double km = digitsValue(t.substr(kmBegin, plus - kmBegin));
    const double m = digitsValue(t.substr(plus + 1, mEnd - plus - 1));
    std::size_t before = kmBegin;
    bool negative = false;
    if (before > 0 && t[before - 1] == '-') {
        negative = true;
        --before;
    }
    LabelStake stake;
    if (before > 0 && (t[before - 1] == 'K' || t[before - 1] == 'k')) {
        --before;
        if (!negative && before > 0 && t[before - 1] == '-') negative = true;
        const char letter = before > 0 ? t[before - 1] : 0;
        const bool standsAlone = before < 2 || !isAsciiLetter(t[before - 2]);
        if (letter >= 'A' && letter < 'A' + stretchCount && standsAlone && stretchCount > 1) stake.letter = letter;
    }
    stake.value = (negative ? -1.0 : 1.0) * (km * METRES_PER_KILOMETRE + m);
    return stake;
}

// The value after a caption such as "高程：" up to the end of its line.
std::optional<double> captionValue(std::string_view plain, std::string_view caption) {
    const std::size_t at = plain.find(caption);
    if (at == std::string_view::npos) return std::nullopt;
    const std::size_t from = at + caption.size();
    const std::size_t end = plain.find('\n', from);
    const std::string_view value = plain.substr(from, end == std::string_view::npos ? end : end - from);
    if (value.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
    return LeadingNumber(value);
}

// The road's stake at a chainage, split as sj_dlstr_11 forms it: the value
// in the stretch's numbering and the stretch letter (0 without breaks).
LabelStake roadStakeAt(const ChainBreakTable& breaks, double chainage) {
    LabelStake s{chainage, breaks.chainBreakCount > 0 ? 'A' : char(0)};
    for (int k = 1; k <= breaks.chainBreakCount; ++k)
        if (s.value > breaks.breakBackStake[k]) {
            s.value += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
            ++s.letter;
        }
    return s;
}

// The chainage (m) a label's stake stands for nearest to the road's
// chainage at the label: in the stretch of its letter, or, without one, in
// whichever stretch's numbering puts it nearest (at a chain break both
// numberings name the same point, and a label may give either).
double labelChainageNear(const ChainBreakTable& breaks, const LabelStake& stated, double roadChainage) {
    double best = stated.value;  // the first stretch: chainage and stake agree
    double shift = 0.0;          // the stretch's numbering less the chainage (m)
    const int first = stated.letter ? stated.letter - 'A' : 0;
    const int last = stated.letter ? first : breaks.chainBreakCount;
    for (int k = 0; k <= last; ++k) {
        if (k > 0) shift += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
        if (k < first) continue;
        const double chainage = stated.value - shift;
        if (k == first || std::fabs(chainage - roadChainage) < std::fabs(best - roadChainage)) best = chainage;
    }
    return best;
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

std::string stakeText(const LabelStake& s) {
    std::string text;
    if (s.letter) text += s.letter;
    text += formatFixed(s.value, STAKE_DECIMALS);
    return text;
}

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

// One label as the audit reads it: its plain text and its point.
struct Label {
    std::string handle;
    std::string plain;
    double x;
    double y;
};

void collectLabels(const Drawing& drawing, std::vector<Label>& labels) {
    for (const DrawingEntity& e : drawing.entities) {
        if (e.kind == EntityKind::Text) {
            double x = 0, y = 0;
            textPoint(e, x, y);
            labels.push_back({e.handle, parseTextCodes(e.text, e.height).plain(), x, y});
        } else if (e.kind == EntityKind::MText) {
            labels.push_back({e.handle, mtextPlainText(e.text), e.x, e.y});
        } else if (e.kind == EntityKind::Insert) {
            // A block inserted at the labelled point: its texts label that point.
            const auto block = drawing.blocks.find(foldName(e.block));
            if (block == drawing.blocks.end()) continue;
            for (const DrawingEntity& inner : block->second.entities) {
                if (inner.kind == EntityKind::Text)
                    labels.push_back({e.handle, parseTextCodes(inner.text, inner.height).plain(), e.x, e.y});
                else if (inner.kind == EntityKind::MText)
                    labels.push_back({e.handle, mtextPlainText(inner.text), e.x, e.y});
            }
        }
    }
}

}  // namespace

std::optional<LabelStake> parseLabelStake(std::string_view plainText, int stretchCount, std::string_view lineName) {
    std::string text(plainText);
    if (!lineName.empty()) {
        const std::string prefix = std::string(ANNOTATION_STAKE) + std::string(lineName);
        const std::size_t at = text.find(prefix);
        if (at != std::string::npos) text.erase(at + std::string_view(ANNOTATION_STAKE).size(), lineName.size());
    }
    for (std::size_t plus = text.find('+'); plus != std::string::npos; plus = text.find('+', plus + 1))
        if (const std::optional<LabelStake> stake = stakeAround(text, plus, stretchCount)) return stake;
    return std::nullopt;
}

LabelAudit auditLabels(const Drawing& drawing, const Alignment& alignment, SampleTable& samples,
                       const ChainBreakTable& breaks, const Profile* profile, const LabelAuditOptions& options) {
    std::vector<Label> labels;
    collectLabels(drawing, labels);
    const int stretches = breaks.chainBreakCount + 1;
    const bool withProfile = profile && profile->gradePointCount >= 2;
    LabelAudit audit;
    for (const Label& label : labels) {
        const std::optional<LabelStake> stated = parseLabelStake(label.plain, stretches, options.lineName);
        if (!stated) continue;
        ++audit.labels;
        // Drawing x is east and y north; the alignment's X is north.
        const FootOfPoint foot = locatePoint(alignment, samples, label.y, label.x);
        const LabelStake road = roadStakeAt(breaks, foot.ptzh);
        const double labelChainage = labelChainageNear(breaks, *stated, foot.ptzh);
        const double difference = labelChainage - foot.ptzh;

        std::string note;
        if (std::fabs(foot.ptd) > options.maxOffset) note = "far";
        const std::optional<double> elevation = captionValue(label.plain, ANNOTATION_ELEVATION);
        const std::optional<double> grade = captionValue(label.plain, ANNOTATION_GRADE);
        if (withProfile && (elevation || grade)) {
            const int n = profile->gradePointCount;
            if (!(profile->gradePointChainage[1] <= labelChainage && labelChainage <= profile->gradePointChainage[n])) {
                note += (note.empty() ? "" : "; ") + std::string("桩号超出纵断面");
            } else {
                const DesignPoint design = DesignAt(*profile, labelChainage);
                const std::string designElevation = formatFixed(design.elevation, RESULT_DECIMALS);
                const std::string designGrade = formatPercent(design.grade);
                if (elevation && formatFixed(*elevation, RESULT_DECIMALS) != designElevation)
                    note += (note.empty() ? "" : "; ") + std::string("高程") + formatFixed(*elevation, RESULT_DECIMALS) +
                            "应为" + designElevation;
                if (grade && formatFixed(*grade, RESULT_DECIMALS) != designGrade)
                    note += (note.empty() ? "" : "; ") + std::string("纵坡") + formatFixed(*grade, RESULT_DECIMALS) +
                            "%应为" + designGrade + "%";
            }
        }
        if (std::fabs(difference) <= options.tolerance && note.empty()) continue;
        audit.findings.push_back({label.handle, oneLine(label.plain), stakeText(*stated), stakeText(road), difference,
                                  foot.offsetRight(), note, label.x, label.y});
    }
    return audit;
}

}  // namespace gradix
