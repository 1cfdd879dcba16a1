#include "commands/batchhost.h"

#include "commands/compute.h"
#include "text/numbers.h"

namespace gradix {

BatchHost::BatchHost(const Project& project, std::string rotation)
    : project_(project), rotation_(std::move(rotation)) {}

Outcome BatchHost::compute(const std::string& stake, std::optional<AnnotationValues>& values) {
    StakeResult r;
    Outcome outcome = computeStake(project_, stake, RangeTest::WithinProfile, r);
    if (outcome.isDone())
        values = AnnotationValues{stake, formatFixed(r.elevation, RESULT_DECIMALS), formatPercent(r.grade)};
    last = values;
    return outcome;
}

}  // namespace gradix
