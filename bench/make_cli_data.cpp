// Writes the data of the command-line timing runs into a folder:
//   long.ICD     the 150 km road of 999 elements (tests/support/long_alignment.h)
//   profile.zdm  a profile of 32,767 grade points, the most a profile holds
//   profile-overlap.zdm  the same grade points with radii thirty times as
//                large, so that neighbouring vertical curves overlap
//   stakes.txt   32,767 stakes along that profile, the most a stake file holds
// Usage: make_cli_data FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "support/long_alignment.h"

namespace {

constexpr int GRADE_POINTS = 32767;
constexpr int STAKES = 32767;
constexpr double GRADE_POINT_SPACING = 50.0;  // m
constexpr double START_ELEVATION = 100.0;     // m
// Grades between -1 % and +1 %, so that a grade change is at most 2 % and a
// vertical curve of at most 2000 m radius has a tangent length of at most
// 20 m: neighbouring curves never overlap on a 50 m spacing.
constexpr double MAX_GRADE = 0.01;
constexpr double MIN_RADIUS = 1500.0;  // m
constexpr double RADIUS_SPREAD = 500.0;  // m
// Thirty times those radii give tangent lengths of up to 600 m on the same
// grades: each curve reaches over many grade points on either side.
constexpr double OVERLAP_RADIUS_FACTOR = 30.0;

// A small fixed pseudo-random sequence (64-bit LCG), the same on every
// machine, so every run times the same data.
class Sequence {
public:
    // Next value in [0, 1).
    double next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;  // 2^53
    }

private:
    std::uint64_t state_ = 20240607ULL;
};

bool writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

std::string fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_cli_data FOLDER\n";
        return 64;
    }
    const std::filesystem::path folder = argv[1];
    Sequence random;

    std::string profile;
    std::string overlapping;
    double elevation = START_ELEVATION;
    for (int i = 0; i < GRADE_POINTS; ++i) {
        const double chainage = GRADE_POINT_SPACING * i;
        // Field by field (appending, not "a" + b: GCC 12 misreports that at -O3).
        std::string point = fixed(chainage, 3);
        point += ' ';
        point += fixed(elevation, 4);
        profile += point;
        overlapping += point;
        if (i > 0 && i + 1 < GRADE_POINTS) {
            const double radius = MIN_RADIUS + RADIUS_SPREAD * random.next();
            profile += ' ';
            profile += fixed(radius, 0);
            overlapping += ' ';
            overlapping += fixed(OVERLAP_RADIUS_FACTOR * radius, 0);
        }
        profile += '\n';
        overlapping += '\n';
        elevation += (2.0 * random.next() - 1.0) * MAX_GRADE * GRADE_POINT_SPACING;
    }

    std::string stakes;
    const double profileLength = GRADE_POINT_SPACING * (GRADE_POINTS - 1);
    for (int i = 0; i < STAKES; ++i) {
        stakes += fixed(profileLength * random.next(), 3);
        stakes += '\n';
    }

    if (!writeFile(folder / "long.ICD", gradix::testroads::longAlignmentIcdText()) ||
        !writeFile(folder / "profile.zdm", profile) ||
        !writeFile(folder / "profile-overlap.zdm", overlapping) || !writeFile(folder / "stakes.txt", stakes)) {
        std::cerr << "make_cli_data: cannot write into " << folder << '\n';
        return 2;
    }
    return 0;
}
