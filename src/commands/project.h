// The project's data as loaded by the initialisation command and read by
// every computation until the next initialisation.
#pragma once

#include <cstdint>
#include <string>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "stakes/chainbreaks.h"

namespace gradix {

struct Project {
    double pi = 0.0;                  // 4 × arctangent(1), set by each initialisation
    ChainBreakTable breaks;           // chain-break mode; count 0 in alignment mode
    Profile profile;                  // the grade-point table
    Alignment alignment;              // alignment mode
    SampleTable samples;              // 1 m samples of the alignment, for the pick search
    std::string icdFileName;          // path of the last ICD file chosen
    bool initialised = false;         // true after the first complete initialisation
    std::int16_t stakeAccepted = 1;   // set by zh_dlstr
};

// 4 × arctangent(1): π as the program computes it.
double computePi();

}  // namespace gradix
