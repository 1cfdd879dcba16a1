// The worked examples the tests share: small project files whose answers are
// worked out by hand, and the example project shipped in examples/.
#pragma once

#include <string>

namespace gradix::testing {

// The worked crest curve: grade points at 0, 200 and 400 m with elevations
// 100, 104 and 100 m and radius 2000 m at the middle one; grades +0.02 and
// -0.02, tangent length 40 m. At 180 m: 103.5 m and +0.01.
inline constexpr const char* CREST_PROFILE = "0 100\n200 104 2000\n400 100\n";

// A chain-break file that says there is no chain break.
inline constexpr const char* NO_BREAKS_FILE = "-1 0\n";

// The chain breaks of the example road: back 2350 ahead 2300 (stakes
// 2300..2350 occur twice) and back 4100 ahead 4180 (4100..4180 do not exist).
inline constexpr const char* ROAD_BREAKS_FILE = "2350 2300\n4100 4180\n";

// A straight of 10 m from (0, 0) northward, starting at chainage 1000, and a
// profile along it rising from 50 m to 51 m.
inline constexpr const char* SHORT_ICD = "1000\n0,0,0\n1,10\n";
inline constexpr const char* SHORT_ICD_PROFILE = "1000 50\n1010 51\n";

// The cross-section files of a road along the crest curve, one row each:
// a normal crown of -2 % (earth shoulders -4 %) and a section of 1 m median
// halves, 7.5 m carriageways, 2.5 m hard and 0.75 m earth shoulders a side.
inline constexpr const char* CROWN_SUPERELEVATION = "-4 -2 -2 0 -2 -2 -4\n";
inline constexpr const char* DIVIDED_WIDTHS = "0.75 2.5 7.5 1 0 1 7.5 2.5 0.75\n";

#ifdef GRADIX_EXAMPLES
// The path of a file of the example project (road.dl, road.zdm, road.icd,
// road-icd.zdm, stakes.txt, road-plan.dxf).
inline std::string example(const std::string& name) { return std::string(GRADIX_EXAMPLES) + "/" + name; }
#endif

}  // namespace gradix::testing
