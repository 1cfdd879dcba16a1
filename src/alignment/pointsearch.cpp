// Chainage and offset of a plane point: bisection of a chainage bracket on
// the distance to the point, and the side of the alignment the point lies on.
#include <cmath>
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

}  // namespace

double www(const ProbeRecord& aaa, const ProbeRecord& bbb) {
    const double dx = bbb[PROBE_X] - aaa[PROBE_X];
    const double dy = bbb[PROBE_Y] - aaa[PROBE_Y];
    return std::sqrt(dx * dx + dy * dy);
}

double bxfwj(const PointPair& p1, const PointPair& p2) {
    const double pi = detail::circlePi();
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
    const double pi = detail::circlePi();
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

}  // namespace gradix
