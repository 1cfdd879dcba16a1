// Chainage and offset of a plane point: bisection of a chainage bracket on
// the distance to the point, and the side of the alignment the point lies on.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "alignment/alignment.h"
#include "alignment/alignment_internal.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Guard on the passes of the bisection. Halving a bracket of doubles until
// its midpoint meets an end takes at most about 2100 passes (from the widest
// finite bracket down to adjacent doubles near 0), so the guard is never
// reached by a finite bracket.
constexpr int MAX_SEARCH_PASSES = 5000;

// Entries of a probe record.
constexpr int PROBE_CHAINAGE = 0;
constexpr int PROBE_X = 1;
constexpr int PROBE_Y = 2;
constexpr int PROBE_DISTANCE = 3;
constexpr int PROBE_SIZE = 4;

// Entries of a point pair.
constexpr int PAIR_X = 0;
constexpr int PAIR_Y = 1;

// Evaluates the alignment at the probe's chainage into its X and Y (a probe
// whose point is not assigned keeps the X and Y it held) and its distance to
// the target.
void evaluateProbe(const Alignment& al, ProbeRecord& probe, const ProbeRecord& target) {
    double bearing = 0.0;
    PointAtChainage(al, probe[PROBE_CHAINAGE], probe[PROBE_X], probe[PROBE_Y], bearing);
    probe[PROBE_DISTANCE] = www(probe, target);
    if (!std::isfinite(probe[PROBE_DISTANCE]))
        throw DataError(msg::distanceNotFinite(probe[PROBE_CHAINAGE]));
}

void copyProbe(const ProbeRecord& from, ProbeRecord& to) {
    for (int k = 0; k < PROBE_SIZE; ++k) to[k] = from[k];
}

// Newton steps of refineFoot: each at least doubles the correct digits once
// within reach, so a handful settles any start the bisection leaves.
constexpr int MAX_REFINE_STEPS = 16;
// A step shorter than this (m) ends the refinement: the rounding of plane
// coordinates of a few thousand kilometres is 5e-10 m.
constexpr double SETTLED_STEP = 1e-10;
// Below this the Newton denominator 1 − κ·n is taken for a point near the
// centre of curvature, where the plain projection step is used instead.
constexpr double LEAST_DENOMINATOR = 0.1;
// The refined foot may lie this much (m) farther from the point than the pick
// (rounding of the distances); farther, the pick stands.
constexpr double NOT_FARTHER = 1e-8;

// Curvature (1/m, positive when the bearing increases) of element i at
// distance d (m) from its start; zero on the straight extensions (i = 0 or
// n + 1). Along a clothoid it changes linearly with arc length.
double curvatureAt(const Alignment& al, int i, double d) {
    if (i < 1 || i > al.elemCount) return 0.0;
    const auto k = [](double r) { return r == INFINITE_RADIUS ? 0.0 : 1.0 / r; };
    const double k1 = k(al.elemStartRadius[i]), k2 = k(al.elemEndRadius[i]);
    const double length = al.elemLength[i];
    return length > 0.0 ? k1 + (k2 - k1) * d / length : k1;
}

// The element (0 before the start, n + 1 beyond the end) whose chainage
// range holds s; at a joint, the one on the side of the step (ahead: the
// later one).
int elementHolding(const Alignment& al, double s, bool ahead) {
    const auto first = al.elemChainage.begin() + 1;
    const auto last = al.elemChainage.begin() + al.elemCount + 2;
    const auto bound = ahead ? std::upper_bound(first, last, s) : std::lower_bound(first, last, s);
    return static_cast<int>(bound - first);
}

}  // namespace

double www(const ProbeRecord& aaa, const ProbeRecord& bbb) {
    const double dx = bbb[PROBE_X] - aaa[PROBE_X];
    const double dy = bbb[PROBE_Y] - aaa[PROBE_Y];
    return std::sqrt(dx * dx + dy * dy);
}

double bxfwj(const PointPair& p1, const PointPair& p2) {
    const double pi = PI;
    const double dx = p2[PAIR_X] - p1[PAIR_X];
    const double dy = p2[PAIR_Y] - p1[PAIR_Y];
    if (!std::isfinite(dx) || !std::isfinite(dy)) throw DataError(msg::DIRECTION_NOT_FINITE);
    if (dx != 0.0) {
        const double a = std::atan(dy / dx);
        if (a >= 0.0) return dx > 0.0 ? a : a + pi;
        return dx > 0.0 ? a + 2.0 * pi : a + pi;
    }
    // Due east, or due west (also for two equal points).
    return dy > 0.0 ? pi / 2.0 : 3.0 * pi / 2.0;
}

std::int16_t zypsgn1(const PointPair& p1, const PointPair& p2, const PointPair& p3) {
    const double pi = PI;
    const double a1 = bxfwj(p1, p2);
    const double a2 = bxfwj(p2, p3);
    double diff = a2 - a1;
    if (diff < -pi)
        diff += 2.0 * pi;
    else if (diff > pi)
        diff -= 2.0 * pi;
    return diff > 0.0 ? std::int16_t{-1} : std::int16_t{1};
}

FootOfPoint js_qzdzh(const Alignment& alignment, double xyqdzh, double xyzdzh, double xyzdzhx, double xyzdzhy,
                     double zbx, double zby) {
    ProbeRecord low{};
    ProbeRecord high{};
    ProbeRecord mid{};
    ProbeRecord target{};
    target[PROBE_X] = zbx;
    target[PROBE_Y] = zby;

    mid[PROBE_CHAINAGE] = (xyqdzh + xyzdzh) / 2.0;
    double bearing = 0.0;
    PointAtChainage(alignment, mid[PROBE_CHAINAGE], mid[PROBE_X], mid[PROBE_Y], bearing);
    low[PROBE_CHAINAGE] = xyqdzh;
    high[PROBE_CHAINAGE] = xyzdzh;
    evaluateProbe(alignment, low, target);
    evaluateProbe(alignment, high, target);
    mid[PROBE_DISTANCE] = www(mid, target);
    if (!std::isfinite(mid[PROBE_DISTANCE])) throw DataError(msg::MIDPOINT_DISTANCE_NOT_FINITE);

    // Halve the bracket toward the nearer end (the low end gives way on equal
    // distances) until the midpoint can no longer differ from both ends. Two
    // equal successive midpoint distances do not end the search: a point
    // whose foot lies midway between them is equally far from both, and
    // stopping there would answer one of them.
    for (int pass = 1;; ++pass) {
        if (pass > MAX_SEARCH_PASSES)
            throw DataError(msg::searchDidNotSettle(MAX_SEARCH_PASSES));
        if (high[PROBE_DISTANCE] > low[PROBE_DISTANCE])
            copyProbe(mid, high);
        else
            copyProbe(mid, low);
        mid[PROBE_CHAINAGE] = (high[PROBE_CHAINAGE] + low[PROBE_CHAINAGE]) / 2.0;
        evaluateProbe(alignment, mid, target);
        if (mid[PROBE_CHAINAGE] == low[PROBE_CHAINAGE] || mid[PROBE_CHAINAGE] == high[PROBE_CHAINAGE]) break;
    }

    FootOfPoint foot{};
    foot.ptzh = mid[PROBE_CHAINAGE];
    foot.ptx = mid[PROBE_X];
    foot.pty = mid[PROBE_Y];
    foot.ptd = mid[PROBE_DISTANCE];
    const PointPair sought{zbx, zby, 0.0};
    const PointPair footPoint{foot.ptx, foot.pty, 0.0};
    const PointPair ahead{xyzdzhx, xyzdzhy, 0.0};
    foot.ptd = foot.ptd * zypsgn1(sought, footPoint, ahead);
    return foot;
}

FootOfPoint locatePoint(const Alignment& alignment, SampleTable& samples, double pointX, double pointY) {
    const std::size_t k = nearestSampleIndexed(samples, pointX, pointY);
    return js_qzdzh(alignment, samples.sampleChainage[k - 1], samples.sampleChainage[k + 1], samples.sampleX[k + 1],
                    samples.sampleY[k + 1], pointX, pointY);
}

FootOfPoint refineFoot(const Alignment& al, const FootOfPoint& pick, double low, double high, double pointX,
                       double pointY) {
    const int n = detail::checkedElementCount(al);
    if (!al.chainagesAscending || !(low <= pick.ptzh && pick.ptzh <= high)) return pick;
    const double infinity = std::numeric_limits<double>::infinity();
    // The point's offset from the alignment at s: along the tangent and to
    // the right of it (m), and the alignment point.
    double fx = 0.0, fy = 0.0;
    double along = 0.0, right = 0.0;
    const auto measure = [&](double s) {
        double bearing = 0.0;
        PointAtChainage(al, s, fx, fy, bearing);
        const double ex = pointX - fx, ey = pointY - fy;
        along = ex * std::cos(bearing) + ey * std::sin(bearing);
        right = -ex * std::sin(bearing) + ey * std::cos(bearing);
        if (!std::isfinite(along) || !std::isfinite(right))
            throw DataError(msg::footDistanceNotFinite(s));
    };
    double s = pick.ptzh;
    for (int step = 0; step < MAX_REFINE_STEPS; ++step) {
        measure(s);
        const int i = elementHolding(al, s, along >= 0.0);
        const double start = i >= 1 ? al.elemChainage[i] : -infinity;
        const double end = i <= n ? al.elemChainage[i + 1] : infinity;
        double denominator = 1.0 - curvatureAt(al, i, s - start) * right;
        if (!(denominator > LEAST_DENOMINATOR)) denominator = 1.0;
        const double next = std::clamp(s + along / denominator, std::max(low, start), std::min(high, end));
        const bool settled = std::fabs(next - s) <= SETTLED_STEP;
        s = next;
        if (settled) break;
    }
    measure(s);
    const double distance = std::hypot(pointX - fx, pointY - fy);
    if (!(distance <= std::fabs(pick.ptd) + NOT_FARTHER)) return pick;
    // Positive to the left, as the pick's offset.
    return FootOfPoint{s, right > 0.0 ? -distance : distance, fx, fy};
}

FootOfPoint locateSurveyedPoint(const Alignment& alignment, SampleTable& samples, double pointX, double pointY) {
    const std::size_t k = nearestSampleIndexed(samples, pointX, pointY);
    const FootOfPoint pick = js_qzdzh(alignment, samples.sampleChainage[k - 1], samples.sampleChainage[k + 1],
                                      samples.sampleX[k + 1], samples.sampleY[k + 1], pointX, pointY);
    return refineFoot(alignment, pick, samples.sampleChainage[k - 1], samples.sampleChainage[k + 1], pointX, pointY);
}

}  // namespace gradix
