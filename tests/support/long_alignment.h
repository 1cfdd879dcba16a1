// A long test road: 150 km of alignment in 999 elements (the most an ICD
// file may hold), as ICD text and loaded. 111 bends of nine elements each:
// straight, entering spiral, arc, partial spiral to a flatter arc, that arc,
// partial spiral back, arc, exit spiral, straight; the bends turn right and
// left in turn, with radii, parameters and lengths varying from bend to bend.
#pragma once

#include <charconv>
#include <cmath>
#include <string>

#include "alignment/alignment.h"
#include "support/temp_folder.h"

namespace gradix::testroads {

inline constexpr int LONG_BENDS = 111;
inline constexpr int LONG_ELEMENTS = 9 * LONG_BENDS;  // 999
inline constexpr double LONG_LENGTH = 150000.0;       // m, to rounding
inline constexpr double LONG_START_CHAINAGE = 1000.0;
inline constexpr double LONG_START_X = 3000000.0;     // north
inline constexpr double LONG_START_Y = 500000.0;      // east
inline constexpr double LONG_START_BEARING = 0.6;     // rad

// Shortest text that reads back to the same double.
inline std::string icdNumber(double v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

// The ICD file text of the long road.
inline std::string longAlignmentIcdText() {
    std::string text = icdNumber(LONG_START_CHAINAGE) + "\n" + icdNumber(LONG_START_X) + "," +
                       icdNumber(LONG_START_Y) + "," + icdNumber(LONG_START_BEARING) + "\n";
    text += ";; 150 km in 111 bends of nine elements\n";
    const double bendLength = LONG_LENGTH / LONG_BENDS;
    for (int c = 0; c < LONG_BENDS; ++c) {
        const double dir = c % 2 == 0 ? 1.0 : -1.0;
        const double a = 250.0 + 10.0 * (c % 5);    // spiral parameter at the ends of the bend
        const double r1 = 600.0 + 50.0 * (c % 7);   // main radius
        const double r2 = r1 + 400.0;               // flatter middle radius
        const double ap = 400.0;                    // parameter of the partial spirals
        const double straight = 300.0;
        const double arc1 = 220.0 + 10.0 * (c % 4);
        const double arc2 = 150.0;
        const double arc3 = 80.0;
        const double spiral = a * a / r1;
        const double partial = ap * ap * (r2 - r1) / r1 / r2;
        const double rest = bendLength - (straight + spiral + arc1 + partial + arc2 + partial + arc3 + spiral);
        const std::string d = icdNumber(dir);
        text += "1," + icdNumber(straight) + "\n";
        text += "3," + icdNumber(a) + "," + icdNumber(r1) + "," + d + "\n";
        text += "2," + icdNumber(r1) + "," + icdNumber(arc1) + "," + d + "\n";
        text += "5," + icdNumber(ap) + "," + icdNumber(r1) + "," + icdNumber(r2) + "," + d + "\n";
        text += "2," + icdNumber(r2) + "," + icdNumber(arc2) + "," + d + "\n";
        text += "6," + icdNumber(ap) + "," + icdNumber(r2) + "," + icdNumber(r1) + "," + d + "\n";
        text += "2," + icdNumber(r1) + "," + icdNumber(arc3) + "," + d + "\n";
        text += "4," + icdNumber(a) + "," + icdNumber(r1) + "," + d + "\n";
        text += "1," + icdNumber(rest) + "\n";
    }
    text += "0\n";
    return text;
}

// Loads ICD text into alignment through an ICD file and dqicd.
inline void loadIcdText(const std::string& text, Alignment& alignment) {
    testing::TempFolder folder("long-alignment");
    ChainBreakTable breaks;
    dqicd(folder.write("LONG.ICD", text), alignment, breaks, 4.0 * std::atan(1.0));
}

// Loads the long road into alignment.
inline void loadLongAlignment(Alignment& alignment) { loadIcdText(longAlignmentIcdText(), alignment); }

}  // namespace gradix::testroads
