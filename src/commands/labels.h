// Stake labels read from a drawing: "K12+345.678", "ZK3+020", "Prog=0+850.000".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gradix {

// Reduces a drawing text to a stake number text: every ASCII letter, "=" and
// "+" is deleted, the rest trimmed of blanks and read with LeadingNumber,
// and the value written back as short decimal text ("12345.678", ".5", "0").
// Raises DataError when the number is beyond the double range.
std::string reduceStakeLabel(std::string_view text);

// The stake number of a drawing text as reduceStakeLabel writes it, or none
// when no digit can be read from what the reduction keeps (a title, a text
// that starts with formatting codes or Chinese words).
// Raises DataError when the number is beyond the double range.
std::optional<std::string> labelStake(std::string_view text);

}  // namespace gradix
