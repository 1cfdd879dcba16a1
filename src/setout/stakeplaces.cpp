#include "setout/stakeplaces.h"

#include <cmath>

#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {
constexpr char FIRST_STRETCH_LETTER = 'A';
constexpr int MAX_CHAIN_BREAKS = BREAK_SLOTS - 2;
}  // namespace

PlanePoint sidePoint(double x, double y, double bearing, double offset) {
    return {x - offset * std::sin(bearing), y + offset * std::cos(bearing)};
}

StretchStake stretchStakeOf(const ChainBreakTable& breaks, double chainage) {
    const int n = breaks.chainBreakCount;
    if (n < 0 || n > MAX_CHAIN_BREAKS)
        throw DataError(msg::chainBreakCount(n));
    StretchStake s{1, chainage};
    for (int k = 1; k <= n; ++k)
        if (s.value > breaks.breakBackStake[k]) {
            s.value = s.value + breaks.breakAheadStake[k] - breaks.breakBackStake[k];
            ++s.stretch;
        }
    return s;
}

std::string drawingStake(const ChainBreakTable& breaks, const StretchStake& stake) {
    const std::string k = formatKilometreStake(stake.value);
    if (breaks.chainBreakCount == 0) return k;
    return std::string(1, static_cast<char>(FIRST_STRETCH_LETTER + stake.stretch - 1)) + k;
}

std::optional<DesignPoint> designWithin(const Profile* profile, double chainage) {
    if (!profile || profile->gradePointCount < 1) return std::nullopt;
    const int n = profile->gradePointCount;
    if (!(profile->gradePointChainage[1] <= chainage && chainage <= profile->gradePointChainage[n]))
        return std::nullopt;
    return DesignAt(*profile, chainage);
}

}  // namespace gradix
