// Chain-break tables as the chain-break reader leaves them, written down
// directly, and the tables of the worked examples.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "stakes/chainbreaks.h"

namespace gradix::testing {

// The table of the given (back stake, ahead stake) pairs (m), in order, with
// the sentinel after the last.
inline ChainBreakTable chainBreakTable(const std::vector<std::pair<double, double>>& breaks) {
    ChainBreakTable t;
    int k = 0;
    for (const auto& [back, ahead] : breaks) {
        ++k;
        t.breakBackStake[k] = back;
        t.breakAheadStake[k] = ahead;
    }
    t.chainBreakCount = static_cast<std::int16_t>(k);
    t.breakBackStake[k + 1] = BREAK_SENTINEL;
    t.breakAheadStake[k + 1] = BREAK_SENTINEL;
    return t;
}

inline const ChainBreakTable STEP_BACK = chainBreakTable({{2350, 2300}});   // 2300..2350 occur twice
inline const ChainBreakTable JUMP_AHEAD = chainBreakTable({{4100, 4180}});  // 4100..4180 do not exist
// Both, as on the example road (ROAD_BREAKS_FILE).
inline const ChainBreakTable ROAD_BREAKS = chainBreakTable({{2350, 2300}, {4100, 4180}});

}  // namespace gradix::testing
