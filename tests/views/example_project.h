// The example project of examples/ (road.dl and road.zdm), loaded once.
#pragma once

#include <string>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "stakes/stakes.h"
#include "support/recording_sink.h"
#include "support/worked_examples.h"

namespace gradix {

struct ExampleProject {
    ChainBreakTable breaks;
    Profile profile;

    ExampleProject() {
        readChainBreakFile(testing::example("road.dl"), breaks);
        testing::RecordingSink sink;
        readProfileFile(testing::example("road.zdm"), breaks, sink, profile);
    }
    // The chainage (m) of a stake text such as "B2320".
    double chainageOf(const std::string& stake) const { return dlstr_sj(breaks, stake); }
};

inline const ExampleProject& exampleProject() {
    static const ExampleProject project;
    return project;
}

}  // namespace gradix
