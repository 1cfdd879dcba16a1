#include "checks/labelaudit.h"

#include <cmath>
#include <string>

#include "stakes/stakes.h"
#include "text/numbers.h"

namespace gradix {

namespace {

constexpr const char* ANNOTATION_ELEVATION = "高程：";
constexpr const char* ANNOTATION_GRADE = "纵坡：";
// Newton steps toward the point where a baseline meets the road: a few
// settle it to the rounding of the coordinates; more would mean a road that
// bends away from the baseline, and the foot is kept then.
constexpr int MAX_BASELINE_STEPS = 20;
constexpr double BASELINE_SETTLED = 1e-9;  // m of chainage between two steps

// The value after a caption such as "高程：" up to the end of its line.
std::optional<double> captionValue(std::string_view plain, std::string_view caption) {
    const std::size_t at = plain.find(caption);
    if (at == std::string_view::npos) return std::nullopt;
    const std::size_t from = at + caption.size();
    const std::size_t end = plain.find('\n', from);
    const std::string_view value = plain.substr(from, end == std::string_view::npos ? end : end - from);
    if (value.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
    return LeadingNumber(value);
}

// The chainage (m) a label's stake stands for nearest to the road's
// chainage where it labels, and the stretch (1-based) of that numbering: in
// the stretch of its letter, or, without one, in whichever stretch's
// numbering puts it nearest (at a chain break both numberings name the same
// point, and a label may give either).
std::pair<double, int> labelChainageNear(const ChainBreakTable& breaks, const LabelStake& stated,
                                         double roadChainage) {
    double best = stated.value;  // the first stretch: chainage and stake agree
    int bestStretch = 1;
    double shift = 0.0;          // the stretch's numbering less the chainage (m)
    const int first = stated.letter ? stated.letter - 'A' : 0;
    const int last = stated.letter ? first : breaks.chainBreakCount;
    for (int k = 0; k <= last; ++k) {
        if (k > 0) shift += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
        if (k < first) continue;
        const double chainage = stated.value - shift;
        if (k == first || std::fabs(chainage - roadChainage) < std::fabs(best - roadChainage)) {
            best = chainage;
            bestStretch = k + 1;
        }
    }
    return {best, bestStretch};
}

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

// The road point at a chainage in drawing terms (x east, y north) and the
// unit direction of increasing chainage there.
struct RoadPoint {
    double x, y, dx, dy;
};
RoadPoint roadAt(const Alignment& alignment, double chainage) {
    double X = 0, Y = 0, bearing = 0;
    PointAtChainage(alignment, chainage, X, Y, bearing);
    return {Y, X, std::sin(bearing), std::cos(bearing)};
}

// The chainage (m) where the baseline through the label's point meets the
// road, when the baseline runs across the road there (within
// LABEL_ACROSS_ROAD of its normal at the foot); none otherwise. Newton steps
// on the side of the baseline the road point lies, from the foot.
std::optional<double> baselineCrossing(const Alignment& alignment, const StakeLabel& label, double foot) {
    const double ux = std::cos(label.direction), uy = std::sin(label.direction);
    const RoadPoint atFoot = roadAt(alignment, foot);
    // Across the road: the baseline's component along the road is small.
    if (!(std::fabs(ux * atFoot.dx + uy * atFoot.dy) <= std::sin(LABEL_ACROSS_ROAD))) return std::nullopt;
    double c = foot;
    for (int step = 0; step < MAX_BASELINE_STEPS; ++step) {
        const RoadPoint p = step == 0 ? atFoot : roadAt(alignment, c);
        const double side = ux * (p.y - label.y) - uy * (p.x - label.x);
        const double rate = ux * p.dy - uy * p.dx;
        if (!(std::fabs(rate) > 0)) return std::nullopt;
        const double move = side / rate;
        c -= move;
        if (!std::isfinite(c)) return std::nullopt;
        if (std::fabs(move) <= BASELINE_SETTLED) return c;
    }
    return std::nullopt;
}

}  // namespace

LabelAudit auditLabels(const Drawing& drawing, const Alignment& alignment, SampleTable& samples,
                       const ChainBreakTable& breaks, const Profile* profile, const LabelAuditOptions& options) {
    const int stretches = breaksInForce(breaks) + 1;
    const bool withProfile = profile && profile->gradePointCount >= 2;
    LabelAudit audit;
    forEachStakeLabel(drawing, stretches, options.lineName, [&](const StakeLabel& label) {
        ++audit.labels;
        // The point compared: an annotation's pick, else the label's own.
        const double px = label.pick ? (*label.pick)[0] : label.x;
        const double py = label.pick ? (*label.pick)[1] : label.y;
        // Drawing x is east and y north; the alignment's X is north.
        const FootOfPoint foot = locatePoint(alignment, samples, py, px);
        double roadChainage = foot.ptzh;
        if (!label.pick)
            if (const std::optional<double> crossing = baselineCrossing(alignment, label, foot.ptzh))
                roadChainage = *crossing;
        const auto [labelChainage, labelStretch] = labelChainageNear(breaks, label.stake, roadChainage);
        const double difference = labelChainage - roadChainage;

        std::string note;
        if (std::fabs(foot.ptd) > options.maxOffset) note = "far";
        const std::optional<double> elevation = captionValue(label.text, ANNOTATION_ELEVATION);
        const std::optional<double> grade = captionValue(label.text, ANNOTATION_GRADE);
        if (withProfile && label.annotation && (elevation || grade)) {
            const int n = profile->gradePointCount;
            if (!(profile->gradePointChainage[1] <= labelChainage && labelChainage <= profile->gradePointChainage[n])) {
                note += (note.empty() ? "" : "; ") + std::string("桩号超出纵断面");
            } else {
                const DesignPoint design = DesignAt(*profile, labelChainage);
                const std::string designElevation = formatFixed(design.elevation, RESULT_DECIMALS);
                const std::string designGrade = formatPercent(design.grade);
                if (elevation && formatFixed(*elevation, RESULT_DECIMALS) != designElevation)
                    note += (note.empty() ? "" : "; ") + std::string("高程") + formatFixed(*elevation, RESULT_DECIMALS) +
                            "应为" + designElevation;
                if (grade && formatFixed(*grade, RESULT_DECIMALS) != designGrade)
                    note += (note.empty() ? "" : "; ") + std::string("纵坡") + formatFixed(*grade, RESULT_DECIMALS) +
                            "%应为" + designGrade + "%";
            }
        }
        if (std::fabs(difference) <= options.tolerance && note.empty()) return;
        audit.findings.push_back({label.handle, oneLine(label.text),
                                  formatStake(breaks, StretchStake{labelStretch, label.stake.value}),
                                  formatStake(breaks, roadChainage), difference, foot.offsetRight(), note, label.x,
                                  label.y});
    });
    return audit;
}

}  // namespace gradix
