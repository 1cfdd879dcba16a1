// Stake labels read from a drawing: "K12+345.678", "ZK3+020", "Prog=0+850.000",
// Gradix's own annotation. Select-and-compute and `gradix-cli labels` read
// them through the one label reader (checks/stakelabels.h); the classic
// reduction of a text to its digits stays for the tools that ask for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cad/cad.h"
#include "checks/stakelabels.h"

namespace gradix {

// Reduces a drawing text to a stake number text: every ASCII letter, "=" and
// "+" is deleted, the rest trimmed of blanks and read with LeadingNumber,
// and the value written back as short decimal text ("12345.678", ".5", "0").
// Raises DataError when the number is beyond the double range.
std::string reduceStakeLabel(std::string_view text);

// A selected object's label as select-and-compute reads it: its plain text
// on one line and the stake it names, as the stake field takes it ("1200",
// "B2320"), none when it names no stake.
struct SelectedLabel {
    std::string text;
    std::optional<std::string> stake;
};

// The label of a selected object: a TEXT's or an MTEXT's own text, or of a
// block reference the first text of its block that names a stake (its first
// text when none does); none for an object that shows no text. stretchCount
// and lineName as parseLabelStake takes them.
std::optional<SelectedLabel> selectedLabel(const CadEntity& entity, int stretchCount, std::string_view lineName);

// The line `gradix-cli labels` prints for a label: its plain text on one
// line, a tab, its stake as the stake field takes it ("K1+200⇥1200").
std::string labelLine(const StakeLabel& label);

}  // namespace gradix
