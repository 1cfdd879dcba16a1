// A random test road: 999 elements of every kind in random order, with
// random radii, lengths and turning senses, drawn from a seeded generator.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "support/long_alignment.h"

namespace gradix::testroads {

// The ICD text of a random road of LONG_ELEMENTS elements (lengths 10..60 m, about 35 km,
// radii 150..3000 m).
inline std::string randomAlignmentIcdText(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> length(10.0, 60.0), radius(150.0, 3000.0), bearing(0.0, 6.28);
    std::uniform_int_distribution<int> kind(1, 5), turn(0, 1);
    std::string text = icdNumber(LONG_START_CHAINAGE) + "\n" + icdNumber(LONG_START_X) + "," +
                       icdNumber(LONG_START_Y) + "," + icdNumber(bearing(random)) + "\n";
    for (int i = 0; i < LONG_ELEMENTS; ++i) {
        const std::string dir = turn(random) ? "1" : "-1";
        const double l = length(random), r1 = radius(random);
        double r2 = radius(random);
        if (std::fabs(r2 - r1) < 50.0) r2 = r1 + 100.0;
        switch (kind(random)) {
            case 1: text += "1," + icdNumber(l); break;
            case 2: text += "2," + icdNumber(r1) + "," + icdNumber(l) + "," + dir; break;
            case 3: text += "3," + icdNumber(std::sqrt(l * r1)) + "," + icdNumber(r1) + "," + dir; break;
            case 4: text += "4," + icdNumber(std::sqrt(l * r1)) + "," + icdNumber(r1) + "," + dir; break;
            default:
                text += "5," + icdNumber(std::sqrt(l * r1 * r2 / std::fabs(r1 - r2))) + "," + icdNumber(r1) + "," +
                        icdNumber(r2) + "," + dir;
        }
        text += "\n";
    }
    return text + "0\n";
}

}  // namespace gradix::testroads
