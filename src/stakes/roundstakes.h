// The round stakes of a stretch of road, each in the numbering of its own
// stretch: after a chain break the ticks of a view fall on the round stakes
// of the new stretch, never on round chainages.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"

namespace gradix {

// A round stake: where it lies (continuous chainage, m), its stretch and
// value (m of stake, a whole multiple of the step) and that multiple.
struct RoundStake {
    double chainage = 0;
    StretchStake stake;
    double multiple = 0;     // stake.value / step, a whole number
};

// The stakes that are whole multiples of step (m of stake, > 0) between the
// chainages from and to (m, both included), in road order. Stretch k runs
// from the chainage of break k-1 (exclusive) to that of break k
// (inclusive), as sj_dlstr_11 counts them; where a stretch begins exactly on
// a round stake of its own, that stake stands at the break, unless the
// stretch before already has a stake there. None when more than most stakes
// would be made (the caller refuses the road as too long to draw).
// Raises DataError for a table whose count lies outside 0..19.
std::optional<std::vector<RoundStake>> roundStakes(const ChainBreakTable& breaks, double from, double to, double step,
                                                   std::size_t most);

// The continuous chainage (m) of each chain break in force, k = 1..n in
// order (entry k-1), as sj_dlstr_11 counts the stretches.
std::vector<double> chainBreakChainages(const ChainBreakTable& breaks);

}  // namespace gradix
