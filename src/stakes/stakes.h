// Stake text (桩号) and continuous chainage: the three conversions, the one
// stake notation of every output, and the small text helper of the annotation.
//
// Stake texts come in two notations, read everywhere a stake is read:
// - classic: a number of metres in its stretch's numbering, optionally after
//   a stretch letter A–Z ("2320", "B2320", "1234.567");
// - K notation: a text holding a "+" after a digit, "[L][ ][-]K km+m"
//   ("K2+320", "K2+320.5", "BK5+400.513", "B K5+400", "2+320"): L the
//   stretch letter, km the kilometres, m the metres within the kilometre
//   (below 1000), then anything, which is ignored as after a classic stake's
//   number. A "K" right before the kilometres is the kilometre mark, so
//   "K2+320" has no stretch letter and "KK2+320" is stretch K.
// A "+" that is a sign ("+5") or an exponent's ("1e+3") is not K notation.
#pragma once

#include <cstdint>
#include <optional>
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
// trimmed), a text from which the leading-number rule reads no digit or a
// malformed K notation ("桩号abc无法识别，请修改！"), a lettered stake outside
// its stretch's range ("桩号A2400不在A段桩号范围内，请修改！": stretch k runs
// from the ahead value of break k-1 to the back value of break k, both
// included and widened by the half millimetre of the stakes' rounding; the
// first stretch has no lower end, the last no upper end), a
// stake value in the gap of a forward break or in the overlap of a backward
// break (the text as given). A classic text that carries a capital letter, or
// meets a table without breaks, comes back unchanged; a text in K notation
// comes back in the classic form it names ("BK5+400.513" as "B5400.513").
// Raises DataError for a stake value beyond the double range (leading-number
// rule) and for a table whose count lies outside 0..19.
StakeQualification qualifyStake(const ChainBreakTable& table, std::string_view zhstr);

// A stake read from K notation: the stretch letter ('A'..'Z', 0 when none)
// and the stake value in its stretch's numbering (m).
struct KilometreStake {
    char letter = 0;
    double value = 0.0;
};

// Whether a text is in K notation: it holds a "+" that follows a digit
// (blanks between them allowed).
bool isKilometreNotation(std::string_view text);

// Reads a text in K notation (see the top of this file); none when it is not
// K notation or is malformed (no kilometres, no metres, metres of 1000 or
// more). What follows the metres is ignored, as after a classic stake's number.
std::optional<KilometreStake> readKilometreStake(std::string_view text);

// A stake in its stretch's numbering: the stretch (1 for "A", before the
// first chain break) and the stake value (m).
struct StretchStake {
    int stretch = 1;
    double value = 0.0;
};

// The stretch and stake value of a chainage (m), as sj_dlstr_11 counts them:
// past break k once the value carried past the breaks before exceeds its
// back stake. Raises DataError for a table whose count lies outside 0..19.
StretchStake stretchStakeOf(const ChainBreakTable& table, double chainage);

// The letter of a stretch as sj_dlstr_11 writes it: "A" to "Y" for 1 to 25,
// "Z" for every later one.
char stretchLetter(int stretch);

// The one stake notation of every output: the stretch letter (when the
// table has breaks) and K notation, to the given decimals (3, the
// millimetre, unless told): "BK5+400.513", "K1+200.000"; with 0 decimals
// "BK5+400". Raises DataError for a table whose count lies outside 0..19.
std::string formatStake(const ChainBreakTable& table, const StretchStake& stake, int decimals = 3);
std::string formatStake(const ChainBreakTable& table, double chainage, int decimals = 3);

// The note of chain break k (1-based) as drawings and views write it:
// "断链 K0+876.272=K5+350.000 短链 4473.728 m" (the stakes and the length
// in millimetres; 短链 where stakes are skipped, 长链 where they repeat).
std::string chainBreakNote(const ChainBreakTable& table, int k);
// The same without the word 断链, as the profile sheet writes it beside the
// break's line: "K0+876.272=K5+350.000 短链 4473.728 m".
std::string chainBreakEquation(const ChainBreakTable& table, int k);

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

// The continuous chainage (m) of a stake field of a data file: qualified
// (qualifyStake), converted (dlstr_sj) and finite. Raises DataError with the
// refusal's message for a stake the chain breaks refuse.
double chainageOfStakeField(const ChainBreakTable& table, std::string_view field);

// sj_dlstr_11: qualified stake text of a chainage (m): the letter (when the
// table has breaks) and the value as "0" when whole, else "0.000".
// Raises DataError only for a table whose count lies outside 0..19.
std::string sj_dlstr_11(const ChainBreakTable& table, double sjzh);

// GetStrP: the 1-based position, as decimal text, of the last character of
// sFilename (counted in characters) that occurs in temp; "0" when none.
std::string GetStrP(std::string_view sFilename, std::string_view temp);

}  // namespace gradix
