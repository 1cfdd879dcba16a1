// The example project of examples/ (road.dl and road.zdm), loaded once.
#pragma once

#include <string>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "stakes/recording_sink.h"
#include "stakes/stakes.h"

namespace gradix {

struct ExampleProject {
    ChainBreakTable breaks;
    Profile profile;

    ExampleProject() {
        readChainBreakFile(std::string(GRADIX_EXAMPLES) + "/road.dl", breaks);
        RecordingSink sink;
        readProfileFile(std::string(GRADIX_EXAMPLES) + "/road.zdm", breaks, sink, profile);
    }
    // The chainage (m) of a stake text such as "B2320".
    double chainageOf(const std::string& stake) const { return dlstr_sj(breaks, stake); }
};

inline const ExampleProject& exampleProject() {
    static const ExampleProject project;
    return project;
}

}  // namespace gradix
