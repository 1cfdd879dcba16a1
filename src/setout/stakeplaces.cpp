#include "setout/stakeplaces.h"

#include <cmath>

#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

PlanePoint sidePoint(double x, double y, double bearing, double offset) {
    return {x - offset * std::sin(bearing), y + offset * std::cos(bearing)};
}

std::optional<DesignPoint> designWithin(const Profile* profile, double chainage) {
    if (!profile || profile->gradePointCount < 1) return std::nullopt;
    const int n = profile->gradePointCount;
    if (!(profile->gradePointChainage[1] <= chainage && chainage <= profile->gradePointChainage[n]))
        return std::nullopt;
    return DesignAt(*profile, chainage);
}

}  // namespace gradix
