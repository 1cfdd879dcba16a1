// The label model of the cross-section (横断面) at one stake: the surface
// from the left edge of the subgrade to the right one, through the break
// points (the centreline and each component's outer edge), each component's
// width and cross slope, and the elevation of every break point, in road
// coordinates (offset positive right, elevation, metres) with their texts.
// The section view only places it on the screen; tests check this model.
#pragma once

#include <string>
#include <vector>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"
#include "surface/surface.h"

namespace gradix {

// Decimals of the section's widths, slopes (in %) and elevations.
inline constexpr int SECTION_DECIMALS = 3;

// A break point of the surface: the centreline or a component's outer edge.
struct SectionBreakPoint {
    double offset = 0;          // m, positive right
    double elevation = 0;       // m
    std::string elevationText;  // "112.345"
};

// A component of one side between two break points.
struct SectionPart {
    Side side = Side::Right;
    Component component = Component::Carriageway;
    double fromOffset = 0;      // m, the inner edge (nearer the centreline)
    double toOffset = 0;        // m, the outer edge
    double slope = 0;           // ratio, positive rising away from the centreline
    std::string widthText;      // "3.750"
    std::string slopeText;      // "-2.000%"
};

struct SectionModel {
    double chainage = 0;          // m
    std::string stake;            // formatStake: "BK5+400.513"
    double designElevation = 0;   // m, on the design line
    std::string designText;       // "112.345"
    // From the left edge to the right edge, the centreline among them;
    // components without width give no point of their own.
    std::vector<SectionBreakPoint> points;
    std::vector<SectionPart> parts;  // left side outward-in, then the right side inside-out
    double lowestElevation = 0;
    double highestElevation = 0;
    bool empty() const { return points.empty(); }
};

// Builds the section of a loaded surface at a chainage, the design
// elevation from the profile (DesignElevation), each break point's elevation
// from surfacePointOf. Raises what the profile's evaluation raises.
SectionModel buildSectionModel(const Surface& surface, const Profile& profile, const ChainBreakTable& breaks,
                               double chainage);

// How the section fits a view of width × height pixels: the same scale in
// both directions times verticalExaggeration, the section's width over
// margin of the view's width and its rise within the band from plotTop to
// plotBottom. Pixel x grows right, y down.
struct SectionViewport {
    double centreOffset = 0;
    double centreElevation = 0;
    double pixelsPerMetre = 1;
    double verticalExaggeration = 1;
    double width = 1;
    double height = 1;

    double x(double offset) const { return width / 2 + (offset - centreOffset) * pixelsPerMetre; }
    double y(double elevation) const {
        return height / 2 - (elevation - centreElevation) * pixelsPerMetre * verticalExaggeration;
    }
    static SectionViewport fitting(const SectionModel& model, double width, double height, double plotTop,
                                   double plotBottom, double verticalExaggeration, double margin = 0.9);
};

}  // namespace gradix
