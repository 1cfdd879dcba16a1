#include "views/planmodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stakes/stakes.h"
#include "text/failures.h"
#include "stakes/roundstakes.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Most points of a plan model: an alignment longer than this many chords is
// refused, not drawn.
constexpr std::size_t MAX_PLAN_POINTS = 4000000;
constexpr double MIN_PIXELS_PER_METRE = 1e-6;
constexpr double MAX_PIXELS_PER_METRE = 1e4;
constexpr double MIN_EXTENT = 1.0;  // m shown of an alignment without extent

PlanElementKind planKind(ElementKind kind) {
    switch (kind) {
        case ElementKind::Line: return PlanElementKind::Line;
        case ElementKind::Arc: return PlanElementKind::Arc;
        default: return PlanElementKind::Spiral;
    }
}

// The name of the joint between an element of kind a and the next of kind b;
// "" where two straights meet.
std::string jointName(ElementKind a, ElementKind b) {
    using K = ElementKind;
    if (a == K::Line && b == K::Line) return "";
    if (a == K::Line && b == K::EnteringSpiral) return "ZH";
    if (a == K::Line && b == K::Arc) return "ZY";
    if ((a == K::EnteringSpiral || a == K::PartialSpiral) && b == K::Arc) return "HY";
    if (a == K::Arc && (b == K::ExitSpiral || b == K::PartialSpiral)) return "YH";
    if (a == K::ExitSpiral && b == K::Line) return "HZ";
    if (a == K::Arc && b == K::Line) return "YZ";
    return "GQ";
}

struct Located {
    PlanPoint at;
    double bearing;
};

Located pointAt(const Alignment& alignment, double chainage) {
    double X = 0, Y = 0, bearing = 0;
    PointAtChainage(alignment, chainage, X, Y, bearing);
    if (!(std::isfinite(X) && std::isfinite(Y) && std::isfinite(bearing)))
        throw DataError(msg::alignmentNoPointAt(chainage));
    return {{Y, X}, bearing};  // drawing x is east
}

}  // namespace

PlanLabelModel buildPlanModel(const Alignment& alignment, const ChainBreakTable& breaks) {
    PlanLabelModel m;
    const int n = alignment.elemCount;
    if (n < 1) return m;
    std::size_t points = 0;
    std::vector<ElementKind> kinds(static_cast<std::size_t>(n) + 1, ElementKind::Line);
    double lowX = std::numeric_limits<double>::infinity(), lowY = lowX;
    double highX = -lowX, highY = -lowX;
    for (int e = 1; e <= n; ++e) {
        PlanElement element;
        element.index = e;
        kinds[e] = elementKind(alignment.elemStartRadius[e], alignment.elemEndRadius[e]);
        element.kind = planKind(kinds[e]);
        element.startChainage = alignment.elemChainage[e];
        element.endChainage = alignment.elemChainage[e + 1];
        const double length = element.endChainage - element.startChainage;
        if (!std::isfinite(length)) throw DataError(msg::elementNoFiniteLength(e));
        const double chords = element.kind == PlanElementKind::Line
                                  ? 1.0
                                  : std::max(1.0, std::ceil(std::abs(length) / PLAN_SAMPLE_STEP));
        if (static_cast<double>(points) + chords > static_cast<double>(MAX_PLAN_POINTS))
            throw DataError(msg::alignmentTooLongToDraw(MAX_PLAN_POINTS));
        const auto count = static_cast<std::size_t>(chords);
        for (std::size_t k = 0; k <= count; ++k) {
            const double c = k == count ? element.endChainage
                                        : element.startChainage + length * static_cast<double>(k) / chords;
            const PlanPoint p = pointAt(alignment, c).at;
            element.points.push_back(p);
            lowX = std::min(lowX, p.x);
            lowY = std::min(lowY, p.y);
            highX = std::max(highX, p.x);
            highY = std::max(highY, p.y);
        }
        points += count + 1;
        m.elements.push_back(std::move(element));
    }
    m.lowest = {lowX, lowY};
    m.highest = {highX, highY};

    const double start = alignment.elemChainage[1];
    const double end = alignment.elemChainage[n + 1];
    const auto mainPoint = [&](std::string name, double chainage) {
        const Located l = pointAt(alignment, chainage);
        m.mainPoints.push_back({std::move(name), chainage, l.at, l.bearing, formatStake(breaks, chainage)});
    };
    mainPoint("QD", start);
    int curveFrom = 0;  // first element of the curve being passed, 0 on a straight
    for (int e = 1; e <= n; ++e) {
        if (kinds[e] != ElementKind::Line && curveFrom == 0) curveFrom = e;
        const bool curveEnds = curveFrom != 0 && (e == n || kinds[e + 1] == ElementKind::Line);
        if (curveEnds) {
            mainPoint("QZ", (alignment.elemChainage[curveFrom] + alignment.elemChainage[e + 1]) / 2);
            curveFrom = 0;
        }
        if (e < n) {
            const std::string name = jointName(kinds[e], kinds[e + 1]);
            if (!name.empty()) mainPoint(name, alignment.elemChainage[e + 1]);
        }
    }
    mainPoint("ZD", end);
    std::stable_sort(m.mainPoints.begin(), m.mainPoints.end(),
                     [](const PlanMainPoint& a, const PlanMainPoint& b) { return a.chainage < b.chainage; });

    // Ticks on the round stakes of each stretch, labelled every PLAN_LABEL_STEP of stake.
    const std::optional<std::vector<RoundStake>> stakes =
        roundStakes(breaks, start, end, PLAN_TICK_STEP, MAX_PLAN_POINTS);
    if (!stakes) throw DataError(msg::ALIGNMENT_TOO_LONG_FOR_STAKES);
    const double ticksPerLabel = PLAN_LABEL_STEP / PLAN_TICK_STEP;
    m.ticks.reserve(stakes->size());
    for (const RoundStake& r : *stakes) {
        const Located l = pointAt(alignment, r.chainage);
        const bool labelled = std::fmod(r.multiple, ticksPerLabel) == 0;
        m.ticks.push_back({r.chainage, r.stake.value, l.at, l.bearing,
                           labelled ? formatStake(breaks, r.stake, 0) : std::string()});
    }
    // The chain breaks on the road, with their notes.
    const std::vector<double> breakAt = chainBreakChainages(breaks);
    for (std::size_t k = 0; k < breakAt.size(); ++k) {
        if (!(breakAt[k] >= start && breakAt[k] <= end)) continue;
        const Located l = pointAt(alignment, breakAt[k]);
        const int index = static_cast<int>(k) + 1;
        m.chainBreaks.push_back({breakAt[k], index, l.at, l.bearing, chainBreakNote(breaks, index)});
    }
    return m;
}

PlanReadout planReadout(const Alignment& alignment, SampleTable& samples, const ChainBreakTable& breaks,
                        PlanPoint point) {
    const FootOfPoint foot = locatePoint(alignment, samples, point.y, point.x);
    return {foot.ptzh, foot.offsetRight(), formatStake(breaks, foot.ptzh)};
}

PlanViewport PlanViewport::fitting(const PlanLabelModel& model, double width, double height, double margin) {
    PlanViewport v;
    v.width = std::max(width, 1.0);
    v.height = std::max(height, 1.0);
    if (model.empty()) return v;
    const double w = std::max(model.highest.x - model.lowest.x, MIN_EXTENT);
    const double h = std::max(model.highest.y - model.lowest.y, MIN_EXTENT);
    v.pixelsPerMetre = std::clamp(std::min(v.width * margin / w, v.height * margin / h), MIN_PIXELS_PER_METRE,
                                  MAX_PIXELS_PER_METRE);
    v.centreX = (model.lowest.x + model.highest.x) / 2;
    v.centreY = (model.lowest.y + model.highest.y) / 2;
    return v;
}

void PlanViewport::zoomAbout(double sx, double sy, double factor) {
    const PlanPoint p = at(sx, sy);
    pixelsPerMetre = std::clamp(pixelsPerMetre * factor, MIN_PIXELS_PER_METRE, MAX_PIXELS_PER_METRE);
    centreX = p.x - (sx - width / 2) / pixelsPerMetre;
    centreY = p.y + (sy - height / 2) / pixelsPerMetre;
}

void PlanViewport::pan(double dx, double dy) {
    centreX -= dx / pixelsPerMetre;
    centreY += dy / pixelsPerMetre;
}

}  // namespace gradix
