// The example project of examples/ (road.dl and road.zdm, and the alignment
// of road.icd, whose stakes road.dl numbers as road.xml does), loaded once.
#pragma once

#include <cmath>
#include <string>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "support/recording_sink.h"
#include "support/worked_examples.h"

namespace gradix {

struct ExampleProject {
    ChainBreakTable breaks;
    Profile profile;
    Alignment alignment;
    SampleTable samples;

    ExampleProject() {
        readChainBreakFile(testing::example("road.dl"), breaks);
        testing::RecordingSink sink;
        readProfileFile(testing::example("road.zdm"), breaks, sink, profile);
        ChainBreakTable none;  // the ICD file has no chain breaks of its own
        dqicd(testing::example("road.icd"), alignment, none, 4.0 * std::atan(1.0));
        buildSampleTable(alignment, samples);
    }
    // The chainage (m) of a stake text such as "B2320".
    double chainageOf(const std::string& stake) const { return dlstr_sj(breaks, stake); }
};

inline const ExampleProject& exampleProject() {
    static const ExampleProject project;
    return project;
}

}  // namespace gradix
