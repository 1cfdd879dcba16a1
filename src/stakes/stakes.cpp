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
// Breaks a table can hold: slot 0 and the sentinel's slot are not breaks.
constexpr int MAX_CHAIN_BREAKS = BREAK_SLOTS - 2;
// The whole-number test of sj_dlstr_11 compares millimetres.
constexpr double MILLIMETRES_PER_METRE = 1000.0;
constexpr int WHOLE_DECIMALS = 0;    // "0"
constexpr int STAKE_DECIMALS = 3;    // "0.000"

bool isStretchLetter(char c) { return c >= FIRST_STRETCH_LETTER && c <= LAST_STRETCH_LETTER; }

// The number of breaks in force, checked against the table's slots.
int breaksInForce(const ChainBreakTable& table) {
    const int n = table.chainBreakCount;
    if (n < 0 || n > MAX_CHAIN_BREAKS)
        throw DataError(msg::chainBreakCount(n));
    return n;
}

// Messages of the refused stakes that the conversion itself finds.
constexpr const char* EMPTY_STAKE_MESSAGE = "请输入桩号！";

std::string unknownLetterMessage(const std::string& trimmed) { return "桩号" + trimmed + "的断链标识不存在，请修改！"; }
std::string unreadableMessage(const std::string& trimmed) { return "桩号" + trimmed + "无法识别，请修改！"; }

StakeQualification refused(std::string_view given, std::string message, std::string reason) {
    return {std::string(given), std::move(message), std::move(reason)};
}

// Skips the characters the leading-number rule ignores, from position i.
std::size_t skipIgnored(std::string_view text, std::size_t i) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    return i;
}

}  // namespace

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
    if (isStretchLetter(t.front())) {
        // Stretch L follows L-1 breaks: beyond the last stretch it names
        // nothing, and its conversion would read slots that hold no break.
        const int stretch = t.front() - FIRST_STRETCH_LETTER + 1;
        if (stretch > n + 1)
            return refused(zhstr, unknownLetterMessage(t),
                           msg::letterBeyondLastStretch(t.front(), static_cast<char>(FIRST_STRETCH_LETTER + n)));
        if (!hasLeadingDigit(std::string_view(t).substr(1)))
            return refused(zhstr, unreadableMessage(t), msg::NO_NUMBER_AFTER_LETTER);
        return {std::string(zhstr), "", ""};
    }
    if (!hasLeadingDigit(t)) return refused(zhstr, unreadableMessage(t), msg::NO_NUMBER_IN_STAKE);
    if (n == 0) return {std::string(zhstr), "", ""};

    const double v = LeadingNumber(t);
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
    return {std::string(1, static_cast<char>(FIRST_STRETCH_LETTER + m - 1)) + t, "", ""};
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
    const std::string t = trimBlanks(dlzhstr);
    if (t.empty()) return 0.0;
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
    const char letter =
        m <= LAST_NUMBERED_STRETCH ? static_cast<char>(FIRST_STRETCH_LETTER + m - 1) : LAST_STRETCH_LETTER;
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

}  // namespace gradix
