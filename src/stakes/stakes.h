// Stake text (桩号) and continuous chainage: the three conversions and the
// small text helper of the annotation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stakes/chainbreaks.h"
#include "stakes/messages.h"

namespace gradix {

// zh_dlstr: qualifies a stake text with the letter of its stretch.
// Sets stakeAccepted to 1, or to 0 after showing the gap or ambiguity message
// through sink (the main window brought to the front first); the text is then
// returned unchanged. Texts that are empty, already carry a capital letter,
// or meet a table without breaks come back unchanged and accepted.
// Raises DataError for a stake value beyond the double range (leading-number
// rule) and for a table whose count lies outside 0..19.
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
