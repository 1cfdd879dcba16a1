// The label model of the plan (平面): the elements of a prepared alignment by
// kind, the stake ticks and labels, and the main points, in drawing
// coordinates (x east, y north, metres), as the plan view paints them.
#pragma once

#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "stakes/chainbreaks.h"

namespace gradix {

// Spacing of the plan's stake ticks and labels (metres of chainage).
inline constexpr double PLAN_TICK_STEP = 20.0;
inline constexpr double PLAN_LABEL_STEP = 100.0;
// Longest chord of a drawn curve element (metres of chainage).
inline constexpr double PLAN_SAMPLE_STEP = 2.0;

// A point of the plan in drawing coordinates: x east, y north (m).
struct PlanPoint {
    double x = 0;
    double y = 0;
};

// The three colours of the plan: straights, circular arcs, spirals (any of
// the three spiral kinds).
enum class PlanElementKind { Line, Arc, Spiral };

struct PlanElement {
    int index = 0;                  // 1-based element number
    PlanElementKind kind = PlanElementKind::Line;
    double startChainage = 0;       // m
    double endChainage = 0;
    std::vector<PlanPoint> points;  // along the element, both ends included
};

// A stake tick across the road on a round stake of its stretch, with the
// bearing of the road (radians from north toward east) and, every
// PLAN_LABEL_STEP of stake, its label (formatStake in whole metres, "BK5+400").
struct PlanTick {
    double chainage = 0;
    double stake = 0;               // m, in its stretch's numbering
    PlanPoint at;
    double bearing = 0;
    std::string label;
};

// A main point (主点) of the alignment: "QD" the start, "ZD" the end, "ZH"
// straight to spiral, "HY" spiral to arc, "QZ" the middle of a curve, "YH" arc
// to spiral, "HZ" spiral to straight, "ZY"/"YZ" straight to arc and back,
// "GQ" any other joint of two curve elements.
struct PlanMainPoint {
    std::string name;
    double chainage = 0;
    PlanPoint at;
    double bearing = 0;
    std::string stake;              // formatStake: "BK5+512.345"
};

// A chain break (断链) on the road, with its note (chainBreakNote).
struct PlanChainBreak {
    double chainage = 0;
    int index = 0;                  // k, 1-based, of the chain-break table
    PlanPoint at;
    double bearing = 0;
    std::string text;               // "断链 K0+876.272=K5+350.000 短链 4473.728 m"
};

struct PlanLabelModel {
    std::vector<PlanElement> elements;
    std::vector<PlanTick> ticks;
    std::vector<PlanMainPoint> mainPoints;
    std::vector<PlanChainBreak> chainBreaks;
    PlanPoint lowest;               // bounds of the elements
    PlanPoint highest;
    bool empty() const { return elements.empty(); }
};

// Builds the model of a prepared alignment (PointAtChainage for every point),
// its stakes in the numbering of the chain-break table.
// Raises DataError when an evaluation fails or the road is too long to draw.
PlanLabelModel buildPlanModel(const Alignment& alignment, const ChainBreakTable& breaks);

// The read-out under the cursor: the foot of the point on the alignment
// through locatePoint (drawing x east, y north), its stake (formatStake)
// and the signed offset (m, positive right).
struct PlanReadout {
    double chainage = 0;
    double offset = 0;
    std::string stake;
};
PlanReadout planReadout(const Alignment& alignment, SampleTable& samples, const ChainBreakTable& breaks,
                        PlanPoint point);

// The screen placement of the plan: drawing x to the right, y up.
struct PlanViewport {
    double centreX = 0;       // m east at the middle of the view
    double centreY = 0;       // m north
    double pixelsPerMetre = 1;
    double width = 1;         // pixels
    double height = 1;

    double px(double x) const { return width / 2 + (x - centreX) * pixelsPerMetre; }
    double py(double y) const { return height / 2 - (y - centreY) * pixelsPerMetre; }
    PlanPoint at(double sx, double sy) const {
        return {centreX + (sx - width / 2) / pixelsPerMetre, centreY - (sy - height / 2) / pixelsPerMetre};
    }
    static PlanViewport fitting(const PlanLabelModel& model, double width, double height, double margin);
    void zoomAbout(double sx, double sy, double factor);
    void pan(double dx, double dy);
};

}  // namespace gradix
