#include "stakes/stakes.h"

#include <cmath>
#include <string>
#include <vector>

#include "text/dataline.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/unicode.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Stretch letters: "A" is stretch 1, before the first chain break.
constexpr char FIRST_STRETCH_LETTER = 'A';
constexpr char LAST_STRETCH_LETTER = 'Z';
// sj_dlstr_11 names stretches "A" to "Y" by number and every later one "Z".
constexpr int LAST_NUMBERED_STRETCH = 25;
// Highest break index a stretch letter may reach: the table's last slot.
constexpr int LAST_BREAK_SLOT = BREAK_SLOTS - 1;
// K notation: the kilometre mark, the separator and metres per kilometre.
constexpr char KILOMETRE_MARK = 'K';
constexpr char KILOMETRE_MARK_LOWER = 'k';
constexpr char KILOMETRE_SEPARATOR = '+';
constexpr double METRES_PER_KILOMETRE = 1000.0;
// Stakes are written to the millimetre: one that the rounding puts up to
// half a millimetre beyond the end of its stretch still names a point of it.
constexpr double STAKE_ROUNDING = 0.0005;
// The whole-number test of sj_dlstr_11 compares millimetres.
constexpr double MILLIMETRES_PER_METRE = 1000.0;
constexpr int WHOLE_DECIMALS = 0;    // "0"
constexpr int STAKE_DECIMALS = 3;    // "0.000"

bool isStretchLetter(char c) { return c >= FIRST_STRETCH_LETTER && c <= LAST_STRETCH_LETTER; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Messages of the refused stakes that the conversion itself finds.
constexpr const char* EMPTY_STAKE_MESSAGE = "请输入桩号！";

std::string unknownLetterMessage(const std::string& trimmed) { return "桩号" + trimmed + "的断链标识不存在，请修改！"; }
std::string unreadableMessage(const std::string& trimmed) { return "桩号" + trimmed + "无法识别，请修改！"; }
std::string outsideStretchMessage(const std::string& trimmed, char letter) {
    return "桩号" + trimmed + "不在" + letter + "段桩号范围内，请修改！";
}

// The digits (and one decimal point) from position i; empty when none.
std::string_view digitsAt(std::string_view text, std::size_t& i, bool allowPoint) {
    const std::size_t from = i;
    bool point = false;
    while (i < text.size() && (isDigit(text[i]) || (allowPoint && !point && text[i] == '.'))) {
        point = point || text[i] == '.';
        ++i;
    }
    const std::string_view d = text.substr(from, i - from);
    return d.find_first_of("0123456789") == std::string_view::npos ? std::string_view{} : d;
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

StakeQualification refused(std::string_view given, std::string message, std::string reason) {
    return {std::string(given), std::move(message), std::move(reason)};
}

// Skips the characters the leading-number rule ignores, from position i.
std::size_t skipIgnored(std::string_view text, std::size_t i) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    return i;
}

}  // namespace

bool isKilometreNotation(std::string_view text) {
    for (std::size_t i = text.find(KILOMETRE_SEPARATOR); i != std::string_view::npos;
         i = text.find(KILOMETRE_SEPARATOR, i + 1)) {
        std::size_t j = i;
        while (j > 0 && isBlank(text[j - 1])) --j;
        if (j > 0 && isDigit(text[j - 1])) return true;
    }
    return false;
}

std::optional<KilometreStake> readKilometreStake(std::string_view text) {
    const std::string t = trimBlanks(text);
    const std::string_view s(t);
    if (!isKilometreNotation(s)) return std::nullopt;
    KilometreStake k;
    std::size_t i = 0;
    // A capital letter is the stretch letter unless it is the kilometre mark
    // right before the kilometres ("K2+320").
    if (i < s.size() && isStretchLetter(s[i]) && !(s[i] == KILOMETRE_MARK && i + 1 < s.size() && isDigit(s[i + 1]))) {
        k.letter = s[i];
        i = skipBlanks(s, i + 1);
    }
    const bool negative = i < s.size() && s[i] == '-';
    if (negative) ++i;
    if (i < s.size() && (s[i] == KILOMETRE_MARK || s[i] == KILOMETRE_MARK_LOWER)) ++i;
    const std::string_view kilometres = digitsAt(s, i, false);
    if (kilometres.empty()) return std::nullopt;
    i = skipBlanks(s, i);
    if (i >= s.size() || s[i] != KILOMETRE_SEPARATOR) return std::nullopt;
    i = skipBlanks(s, i + 1);
    // What follows the metres is carried along and ignored, as after the
    // number of a classic stake ("K1+200 左边桩").
    const std::string_view metres = digitsAt(s, i, true);
    if (metres.empty()) return std::nullopt;
    const double m = LeadingNumber(metres);
    if (!(m < METRES_PER_KILOMETRE)) return std::nullopt;
    const double value = LeadingNumber(kilometres) * METRES_PER_KILOMETRE + m;
    if (!std::isfinite(value)) return std::nullopt;
    k.value = negative ? -value : value;
    return k;
}

StretchStake stretchStakeOf(const ChainBreakTable& table, double chainage) {
    const int n = breaksInForce(table);
    StretchStake s{1, chainage};
    for (int k = 1; k <= n; ++k) {
        // The comparison uses the value already carried past break k-1.
        if (s.value > table.breakBackStake[k]) {
            s.value = s.value + table.breakAheadStake[k] - table.breakBackStake[k];
            ++s.stretch;
        }
    }
    return s;
}

char stretchLetter(int stretch) {
    return stretch <= LAST_NUMBERED_STRETCH ? static_cast<char>(FIRST_STRETCH_LETTER + stretch - 1)
                                            : LAST_STRETCH_LETTER;
}

std::string formatStake(const ChainBreakTable& table, const StretchStake& stake, int decimals) {
    const std::string k = formatKilometreStake(stake.value, decimals);
    return breaksInForce(table) == 0 ? k : stretchLetter(stake.stretch) + k;
}

std::string formatStake(const ChainBreakTable& table, double chainage, int decimals) {
    return formatStake(table, stretchStakeOf(table, chainage), decimals);
}

std::string chainBreakEquation(const ChainBreakTable& table, int k) {
    const double back = table.breakBackStake[k], ahead = table.breakAheadStake[k];
    // Stakes are skipped where the numbering jumps ahead (短链), repeat where
    // it steps back (长链).
    const char* kind = ahead >= back ? "短链" : "长链";
    return formatKilometreStake(back) + "=" + formatKilometreStake(ahead) + " " + kind + " " +
           formatFixed(std::fabs(ahead - back), STAKE_DECIMALS) + " m";
}

std::string chainBreakNote(const ChainBreakTable& table, int k) { return "断链 " + chainBreakEquation(table, k); }

bool hasLeadingDigit(std::string_view text) {
    std::size_t i = skipIgnored(text, 0);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) i = skipIgnored(text, i + 1);
    if (i < text.size() && text[i] == '.') i = skipIgnored(text, i + 1);
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

StakeQualification qualifyStake(const ChainBreakTable& table, std::string_view zhstr) {
    const std::string t = trimBlanks(zhstr);
    if (t.empty()) return refused(zhstr, EMPTY_STAKE_MESSAGE, msg::EMPTY_STAKE);
    const int n = breaksInForce(table);

    // K notation names the same stake as the classic text of its letter and
    // value; the classic rules below then hold for it, with the text as given
    // in their messages.
    std::string classic = t;
    if (isKilometreNotation(t)) {
        const std::optional<KilometreStake> k = readKilometreStake(t);
        if (!k) return refused(zhstr, unreadableMessage(t), msg::MALFORMED_KILOMETRE_STAKE);
        classic = (k->letter ? std::string(1, k->letter) : std::string()) + shortestText(k->value);
    }
    if (isStretchLetter(classic.front())) {
        const char letter = classic.front();
        // Stretch L follows L-1 breaks: beyond the last stretch it names
        // nothing, and its conversion would read slots that hold no break.
        const int stretch = letter - FIRST_STRETCH_LETTER + 1;
        if (stretch > n + 1)
            return refused(zhstr, unknownLetterMessage(t),
                           msg::letterBeyondLastStretch(letter, static_cast<char>(FIRST_STRETCH_LETTER + n)));
        if (!hasLeadingDigit(std::string_view(classic).substr(1)))
            return refused(zhstr, unreadableMessage(t), msg::NO_NUMBER_AFTER_LETTER);
        // Stretch k runs from the ahead value of break k-1 to the back value
        // of break k; a value outside names no point of the road.
        const double v = LeadingNumber(std::string_view(classic).substr(1));
        const double low = stretch > 1 ? table.breakAheadStake[stretch - 1] : -HUGE_VAL;
        const double high = stretch <= n ? table.breakBackStake[stretch] : HUGE_VAL;
        if (v < low - STAKE_ROUNDING || v > high + STAKE_ROUNDING)
            return refused(zhstr, outsideStretchMessage(t, letter), msg::stakeOutsideStretch(letter, low, high));
        return {classic == t ? std::string(zhstr) : classic, "", ""};
    }
    if (!hasLeadingDigit(classic)) return refused(zhstr, unreadableMessage(t), msg::NO_NUMBER_IN_STAKE);
    if (n == 0) return {classic == t ? std::string(zhstr) : classic, "", ""};

    const double v = LeadingNumber(classic);
    const std::string s(zhstr);
    for (int k = 1; k <= n; ++k) {
        const double back = table.breakBackStake[k];
        const double ahead = table.breakAheadStake[k];
        if (back < v && v < ahead) {
            // Stake values between the back and the ahead value of a forward
            // break do not exist along the road.
            return refused(s, "桩号" + s + "不应存在" + shortDecimal(back) + "和" + shortDecimal(ahead) + "之间，请修改！",
                           msg::stakeInGap(back, ahead, k));
        }
    }
    for (int k = 1; k <= n; ++k) {
        const double back = table.breakBackStake[k];
        const double ahead = table.breakAheadStake[k];
        if (back > ahead && ahead <= v && v <= back) {
            // Stake values of a backward break occur twice: only a letter says which.
            return refused(s, "程序不能判断桩号" + s + "所属的断链区间，需添加断链标识A、B、C...",
                           msg::stakeOccursTwice(k));
        }
    }
    int m = 1;
    for (int k = 1; k <= n; ++k)
        if (v > table.breakBackStake[k]) ++m;
    return {std::string(1, static_cast<char>(FIRST_STRETCH_LETTER + m - 1)) + classic, "", ""};
}

std::string zh_dlstr(const ChainBreakTable& table, std::string_view zhstr, MessageSink& sink,
                     std::int16_t& stakeAccepted) {
    stakeAccepted = 1;
    StakeQualification q = qualifyStake(table, zhstr);
    if (!q.accepted()) {
        sink.activateMainWindow();
        sink.showMessage(DATA_PROBLEM_TITLE, q.refusal);
        stakeAccepted = 0;
    }
    return std::move(q.text);
}

double dlstr_sj(const ChainBreakTable& table, std::string_view dlzhstr) {
    std::string t = trimBlanks(dlzhstr);
    if (t.empty()) return 0.0;
    if (const std::optional<KilometreStake> k = readKilometreStake(t))
        t = (k->letter ? std::string(1, k->letter) : std::string()) + shortestText(k->value);
    if (!isStretchLetter(t.front())) return LeadingNumber(t);

    // Stretch L lies after L-1 breaks: undo them from the last to the first.
    const int breaksBefore = t.front() - FIRST_STRETCH_LETTER;
    if (breaksBefore > LAST_BREAK_SLOT)
        throw DataError(msg::letterBeyondSlots(t.front()));
    double v = LeadingNumber(std::string_view(t).substr(1));
    for (int k = breaksBefore; k >= 1; --k) v = v - table.breakAheadStake[k] + table.breakBackStake[k];
    return requireFinite(v, msg::STAKE_CHAINAGE);
}

std::string sj_dlstr_11(const ChainBreakTable& table, double sjzh) {
    const int n = breaksInForce(table);
    double v = sjzh;
    int m = 1;
    for (int k = 1; k <= n; ++k) {
        // The comparison uses the value already carried past break k-1.
        if (v > table.breakBackStake[k]) {
            v = v + table.breakAheadStake[k] - table.breakBackStake[k];
            ++m;
        }
    }
    const char letter = stretchLetter(m);
    // Whole when the integer part times 1000 equals the value times 1000.
    const bool whole = std::floor(v) * MILLIMETRES_PER_METRE == v * MILLIMETRES_PER_METRE;
    const std::string number = formatFixed(v, whole ? WHOLE_DECIMALS : STAKE_DECIMALS);
    return n != 0 ? letter + number : number;
}

std::string GetStrP(std::string_view sFilename, std::string_view temp) {
    const std::vector<std::string_view> wanted = utf8Characters(temp);
    const std::vector<std::string_view> text = utf8Characters(sFilename);
    for (std::size_t c = text.size(); c >= 1; --c)
        for (const std::string_view w : wanted)
            if (text[c - 1] == w) return std::to_string(c);
    return "0";
}

double chainageOfStakeField(const ChainBreakTable& table, std::string_view field) {
    const StakeQualification stake = qualifyStake(table, field);
    if (!stake.accepted()) throw DataError(stake.refusal);
    return requireFinite(dlstr_sj(table, stake.text), msg::STAKE_CHAINAGE);
}

}  // namespace gradix
