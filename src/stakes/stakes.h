// Stake text (桩号) and continuous chainage: the three conversions and the
// small text helper of the annotation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stakes/chainbreaks.h"
#include "stakes/messages.h"

namespace gradix {

// A stake text checked against the chain-break table: the qualified text,
// or the message of the data-problem box ("数据有误") that refuses it.
struct StakeQualification {
    std::string text;     // the qualified text; the text as given when refused
    std::string refusal;  // "" when accepted, else the message for the person
    std::string reason;   // why it was refused, for a failure's detail line
    bool accepted() const { return refusal.empty(); }
};

// Qualifies a stake text with the letter of its stretch, or refuses it:
// an empty text ("请输入桩号！"), a stretch letter beyond stretch
// chainBreakCount + 1 ("桩号B2320的断链标识不存在，请修改！", with the text
// trimmed), a text from which the leading-number rule reads no digit
// ("桩号abc无法识别，请修改！"), a stake value in the gap of a forward break or
// in the overlap of a backward break (the text as given). A text that
// already carries a capital letter, or meets a table without breaks, comes
// back unchanged.
// Raises DataError for a stake value beyond the double range (leading-number
// rule) and for a table whose count lies outside 0..19.
StakeQualification qualifyStake(const ChainBreakTable& table, std::string_view zhstr);

// Whether the leading-number rule reads at least one digit from text (blanks,
// tabs and line feeds skipped, an optional sign, an optional point).
bool hasLeadingDigit(std::string_view text);

// zh_dlstr: qualifies a stake text with the letter of its stretch, as
// qualifyStake does. Sets stakeAccepted to 1, or to 0 after showing the
// refusal through sink (the main window brought to the front first, then the
// message titled "数据有误"); the text is then returned unchanged.
// Raises what qualifyStake raises.
std::string zh_dlstr(const ChainBreakTable& table, std::string_view zhstr, MessageSink& sink,
                     std::int16_t& stakeAccepted);

// dlstr_sj: continuous chainage (m) of a qualified or plain stake text.
// Raises DataError for a stretch letter beyond "U" (beyond the table's slots).
double dlstr_sj(const ChainBreakTable& table, std::string_view dlzhstr);

// sj_dlstr_11: qualified stake text of a chainage (m): the letter (when the
// table has breaks) and the value as "0" when whole, else "0.000".
// Raises DataError only for a table whose count lies outside 0..19.
std::string sj_dlstr_11(const ChainBreakTable& table, double sjzh);

// GetStrP: the 1-based position, as decimal text, of the last character of
// sFilename (counted in characters) that occurs in temp; "0" when none.
std::string GetStrP(std::string_view sFilename, std::string_view temp);

}  // namespace gradix
