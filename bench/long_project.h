// The project of the pick benchmarks: the 150 km road of 999 elements
// (tests/support/long_alignment.h) with its 1 m samples, a profile of grade
// points every kilometre, rising and falling by turns, each with a vertical
// curve, and a point picked 15 m left of the road at mid-road.
#pragma once

#include <cmath>
#include <stdexcept>
#include <string>

#include "support/long_alignment.h"
#include "commands/project.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "profile/profile.h"

namespace gradix::bench {

inline constexpr double GRADE_POINT_SPACING = 1000.0;  // m
inline constexpr double CURVE_RADIUS = 20000.0;        // m
inline constexpr double PICK_OFFSET = 15.0;            // m left of the road
inline constexpr double PICK_CHAINAGE = testroads::LONG_START_CHAINAGE + 75543.21;

// Loads the road and the profile into project (alignment mode); raises
// std::runtime_error when the profile does not load.
inline void loadLongProject(Project& project) {
    project.pi = computePi();
    testroads::loadLongAlignment(project.alignment);
    buildSampleTable(project.alignment, project.samples);
    project.icdFileName = "LONG.ICD";

    std::string text;
    const double start = testroads::LONG_START_CHAINAGE;
    const int points = static_cast<int>(testroads::LONG_LENGTH / GRADE_POINT_SPACING) + 1;
    for (int i = 0; i <= points; ++i) {
        text += std::to_string(start + i * GRADE_POINT_SPACING) + " " + std::to_string(100 + (i % 2) * 8);
        if (i > 0 && i < points) text += " " + std::to_string(CURVE_RADIUS);
        text += "\n";
    }
    testing::TempFolder folder("long-profile");
    testing::ScriptedUi quiet;
    const ProfileRead read = readProfileFile(folder.write("long.zdm", text), project.breaks, quiet, project.profile);
    if (read != ProfileRead::Loaded) throw std::runtime_error("the profile of the long road did not load");
}

// The picked point in drawing coordinates: x east (the surveying Y), y north.
struct DrawingPoint {
    double x, y;
};
inline DrawingPoint longRoadPick(const Project& project) {
    double X = 0, Y = 0, bearing = 0;
    PointAtChainage(project.alignment, PICK_CHAINAGE, X, Y, bearing);
    return {Y - PICK_OFFSET * std::cos(bearing), X + PICK_OFFSET * std::sin(bearing)};
}

}  // namespace gradix::bench
