// The label model of the longitudinal profile (纵断面): what the profile view
// and the profile sheet draw, and where, in road coordinates (continuous
// chainage and elevation, metres), with its text. The widgets and the sheet
// writer only place it on a screen or a sheet; tests check this model.
//
// Everything on the design line comes from `DesignAt`: the vertical curves are
// sampled, never redrawn from formulas of their own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"

namespace gradix {

// Spacing of the stake ticks and of their labels (metres of stake).
inline constexpr double PROFILE_TICK_STEP = 20.0;
inline constexpr double PROFILE_LABEL_STEP = 100.0;
// Longest step (metres of chainage) between two vertices of the design line
// inside a vertical curve.
inline constexpr double CURVE_SAMPLE_STEP = 1.0;

// A point of the profile: continuous chainage and elevation (m).
struct RoadPoint {
    double chainage = 0;
    double elevation = 0;
};

// A grade point (变坡点) in the range: where it stands, its stake in drawing
// notation, its elevation H (m) and, where it has a vertical curve, the
// label "R=… T=… E=…" with the curve's start S and end E (m of chainage).
struct GradePointLabel {
    int index = 0;              // 1-based grade-point number
    double chainage = 0;        // K
    double elevation = 0;       // H, the grade point itself (above the curve of a crest)
    double designElevation = 0; // DesignAt(K): on the design line
    std::string stake;          // formatStake: "BK2+600.000"
    std::string elevationText;  // "112.000"
    std::string curve;          // "R=8000 T=120 E=0.900", "" without a curve
    double curveStart = 0;      // S = K - T
    double curveEnd = 0;        // E = K + T
    bool crest = false;         // a crest curve (grade change below 0)
};

// A grade line (坡段) between two grade points: its grade and its length.
struct GradeLineLabel {
    double fromChainage = 0;
    double toChainage = 0;
    double fromElevation = 0;   // H of the two grade points (m)
    double toElevation = 0;
    double grade = 0;           // ratio
    std::string gradeText;      // "2.000%"
    std::string lengthText;     // "600.000" (horizontal length between the grade points, m)
};

// A chain break (断链) where it lies along the road, with its note.
struct ChainBreakNote {
    double chainage = 0;
    int index = 0;              // k, 1-based, of the chain-break table
    std::string text;           // chainBreakNote: "断链 K2+350.000=K2+300.000 长链 50.000 m"
};

// A stake tick of the axis on a round stake of its stretch: its chainage,
// its stake value and, every PROFILE_LABEL_STEP of stake, its label
// (formatStake in whole metres).
struct StakeTick {
    double chainage = 0;
    double stake = 0;
    std::string label;          // "BK2+300"; "" for an unlabelled tick
};

struct ProfileLabelModel {
    double fromChainage = 0;
    double toChainage = 0;
    double lowestElevation = 0;   // of the design line and the grade points shown
    double highestElevation = 0;
    std::vector<RoadPoint> designLine;  // by increasing chainage
    std::vector<GradePointLabel> gradePoints;
    std::vector<GradeLineLabel> gradeLines;
    std::vector<ChainBreakNote> chainBreaks;
    std::vector<StakeTick> ticks;
    bool empty() const { return designLine.empty(); }
};

// Builds the model of a prepared profile between two chainages (m; the whole
// profile when absent). Stakes follow the chain-break table (count 0: stake =
// chainage). The design line has a vertex at both ends, at every grade point
// and at every tangent point, and one at least every CURVE_SAMPLE_STEP inside
// vertical curves, each on DesignAt. Raises DataError for a profile that
// cannot be evaluated or a range that is not finite or empty.
ProfileLabelModel buildProfileModel(const Profile& profile, const ChainBreakTable& breaks,
                                    std::optional<double> fromChainage = std::nullopt,
                                    std::optional<double> toChainage = std::nullopt);

// The stake value (m) of a continuous chainage (m), through the chain
// breaks as sj_dlstr_11 counts them.
double stakeValueAt(const ChainBreakTable& breaks, double chainage);

// The curve label of a grade point: "R=8000 T=120 E=0.900" (R and T in m
// with at most three decimals, the external distance E = T²/2R with three,
// of R and T as printed);
// "" when the point has no curve.
std::string curveLabel(const Profile& profile, int gradePoint);

// The read-out under the cursor: the stake as every view shows it
// (formatStake: "BK2+320.457"), the stake text as the stake field takes it
// (sj_dlstr_11: "B2320.457"), and DesignAt there.
struct ProfileReadout {
    double chainage = 0;
    std::string stake;          // sj_dlstr_11, for the stake field
    std::string kilometreStake; // formatStake, as shown
    double elevation = 0;       // m
    double grade = 0;           // ratio
};
ProfileReadout profileReadout(const Profile& profile, const ChainBreakTable& breaks, double chainage);

// How a profile is fitted into a view: the share of the room the profile
// fills, the band of the view (pixels from the top) its elevations may
// take, and the range of vertical exaggerations to choose from.
struct ProfileFit {
    double margin = 0.85;
    double plotTop = 0;
    double plotBottom = 1;
    double lowestExaggeration = 1;
    double highestExaggeration = 1000;
};

// The vertical exaggeration at which a rise of rise metres takes at most
// room pixels at pixelsPerMetre along the road: the largest of 1, 1.5, 2,
// 2.5, 3, 4, 5, 6 and 8 times a power of ten that does, held to lowest and
// highest. A rise below a metre counts as a metre.
double fittingExaggeration(double rise, double pixelsPerMetre, double room, double lowest, double highest);

// The screen placement of the profile: chainage to the right, elevation up,
// exaggerated by verticalExaggeration. Pixel x grows to the right, y down.
struct ProfileViewport {
    double centreChainage = 0;       // m at the middle of the view
    double centreElevation = 0;      // m at the middle of the view
    double pixelsPerMetre = 1;       // horizontally
    double verticalExaggeration = 10;
    double width = 1;                // pixels
    double height = 1;

    double x(double chainage) const { return width / 2 + (chainage - centreChainage) * pixelsPerMetre; }
    double y(double elevation) const {
        return height / 2 - (elevation - centreElevation) * pixelsPerMetre * verticalExaggeration;
    }
    double chainageAt(double px) const { return centreChainage + (px - width / 2) / pixelsPerMetre; }
    double elevationAt(double py) const {
        return centreElevation - (py - height / 2) / (pixelsPerMetre * verticalExaggeration);
    }
    // Shows the model's whole range: along the road over margin (a share)
    // of the width, and its elevations over margin of the band of the view
    // from plotTop to plotBottom (pixels), their middle in the band's middle,
    // at the vertical exaggeration that fits them (fittingExaggeration).
    static ProfileViewport fitting(const ProfileLabelModel& model, double width, double height, const ProfileFit& fit);
    // Multiplies the scale by factor about a pixel position, which keeps its road point.
    void zoomAbout(double px, double py, double factor);
    // Moves the road under the cursor by (dx, dy) pixels.
    void pan(double dx, double dy);
};

}  // namespace gradix
