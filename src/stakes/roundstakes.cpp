#include "stakes/roundstakes.h"

#include <cmath>
#include <limits>

namespace gradix {

namespace {

// A stretch of the road between two chain breaks: from start (exclusive,
// except for the first stretch) to end (inclusive), its stake being
// chainage + offset.
struct Stretch {
    double start;
    double end;
    double offset;
};

std::vector<Stretch> stretchesOf(const ChainBreakTable& breaks) {
    const int n = breaksInForce(breaks);
    std::vector<Stretch> out;
    double offset = 0;
    double start = -std::numeric_limits<double>::infinity();
    for (int k = 1; k <= n; ++k) {
        const double at = breaks.breakBackStake[k] - offset;  // the chainage of break k
        out.push_back({start, at, offset});
        offset += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
        start = at;
    }
    out.push_back({start, std::numeric_limits<double>::infinity(), offset});
    return out;
}

}  // namespace

std::vector<double> chainBreakChainages(const ChainBreakTable& breaks) {
    std::vector<double> at;
    const std::vector<Stretch> stretches = stretchesOf(breaks);
    for (std::size_t k = 0; k + 1 < stretches.size(); ++k) at.push_back(stretches[k].end);
    return at;
}

std::optional<std::vector<RoundStake>> roundStakes(const ChainBreakTable& breaks, double from, double to, double step,
                                                   std::size_t most) {
    std::vector<RoundStake> out;
    if (!(step > 0) || !(from <= to)) return out;
    // Every stretch has at most (length / step + 1) stakes: bounded before any is made.
    if (!((to - from) / step <= static_cast<double>(most))) return std::nullopt;
    const std::vector<Stretch> stretches = stretchesOf(breaks);
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const Stretch& s = stretches[k];
        const double a = std::max(s.start, from);
        const double b = std::min(s.end, to);
        if (a > b) continue;
        // The stretch's first stake is its own only where the one before does not end there.
        const bool startOwned = k == 0 || s.start < from;
        const double first = std::ceil((a + s.offset) / step);
        const double last = std::floor((b + s.offset) / step);
        // Counted in whole steps, so that the loop ends also where the stake
        // values are too large for a step of one to change them.
        const double count = last - first;
        if (!(count + 1 + static_cast<double>(out.size()) <= static_cast<double>(most) + 1)) return std::nullopt;
        for (double i = 0; i <= count; ++i) {
            const double j = first + i;
            const double stake = j * step;
            const double c = stake - s.offset;
            if (c == a && !startOwned && !out.empty() && out.back().chainage == c) continue;
            out.push_back({c, {static_cast<int>(k) + 1, stake}, j});
        }
        if (out.size() > most) return std::nullopt;
    }
    return out;
}

}  // namespace gradix
