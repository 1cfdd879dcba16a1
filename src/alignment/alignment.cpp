// The element chain: kinds, preparation of chainages, bearings and points,
// the point at a chainage and the sample table of the alignment.
#include "alignment/alignment.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "alignment/alignment_internal.h"
#include "alignment/sampleindex.h"
#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {

using detail::checkedElementCount;
using detail::requireFiniteAt;

// Bearings up to this many whole turns away from [0, 2π) are reduced by
// repeated subtraction or addition of 2π, which fixes the rounding of every
// bearing of the chain; further ones (only absurd data gets there, and
// subtracting 2π from 1e300 would never end) by the exact remainder.
constexpr double MAX_STEPWISE_TURNS = 1000.0;


// Largest sample count that buildSampleTable accepts: 50,000 km of road at
// one sample per metre, far beyond any road and well within memory.
constexpr double MAX_SAMPLE_COUNT = 50'000'000.0;

// Reduces a bearing to [0, 2π), 2π being 2 × π rounded to a double.
double reduceBearing(double bearing, double twoPi, int entry) {
    requireFiniteAt(bearing, msg::START_BEARING, entry);
    if (std::fabs(bearing) <= MAX_STEPWISE_TURNS * twoPi) {
        while (bearing >= twoPi) bearing -= twoPi;
        while (bearing < 0.0) bearing += twoPi;
    } else {
        bearing = std::fmod(bearing, twoPi);  // exact, |result| < 2π, sign of the bearing
        if (bearing < 0.0) bearing += twoPi;
    }
    // A tiny negative bearing raised by 2π rounds to 2π itself: that is north.
    if (bearing >= twoPi) bearing = 0.0;
    return bearing;
}

// Plane point and bearing of element i at distance d from its start.
struct ElementPoint {
    double x, y, bearing;
};

// The point of element i at distance d (m) from its start, by the formulas of
// its kind. Raises DataError on a zero radius, a zero-length spiral or an
// overflow.
ElementPoint evaluateElement(const Alignment& al, int i, double d) {
    const double r1 = al.elemStartRadius[i];
    const double r2 = al.elemEndRadius[i];
    const double length = al.elemLength[i];
    const double x0 = al.elemStartX[i];
    const double y0 = al.elemStartY[i];
    const double b0 = al.elemStartBearing[i];
    ElementPoint p{};
    switch (elementKind(r1, r2)) {
    case ElementKind::Line:
        p = {x0 + d * std::cos(b0), y0 + d * std::sin(b0), b0};
        break;
    case ElementKind::Arc: {
        const double r = r1;
        p.x = x0 + r * (std::sin(b0 + d / r) - std::sin(b0));
        p.y = y0 - r * (std::cos(b0 + d / r) - std::cos(b0));
        p.bearing = b0 + d / r2;
        break;
    }
    case ElementKind::EnteringSpiral: {
        const double a2 = length * r2;
        const double x = ClothoidX(d, a2);
        const double y = ClothoidY(d, a2);
        p.x = x0 + x * std::cos(b0) - y * std::sin(b0);
        p.y = y0 + x * std::sin(b0) + y * std::cos(b0);
        p.bearing = b0 + d * d / (2.0 * a2);
        break;
    }
    case ElementKind::ExitSpiral: {
        // Laid backward from the element's end, where the curvature is zero.
        const double xe = al.elemStartX[i + 1];
        const double ye = al.elemStartY[i + 1];
        const double be = al.elemStartBearing[i + 1];
        const double a2 = length * r1;
        const double back = length - d;
        const double x = ClothoidX(back, a2);
        const double y = ClothoidY(back, a2);
        p.x = xe - x * std::cos(be) - y * std::sin(be);
        p.y = ye - x * std::sin(be) + y * std::cos(be);
        p.bearing = be - back * back / (2.0 * a2);
        break;
    }
    case ElementKind::PartialSpiral: {
        // Through the virtual zero-curvature origin of the whole clothoid.
        const double a2 = length * r1 * r2 / (r1 - r2);
        const double l0 = a2 / r1;
        const double l = l0 + d;
        const double originBearing = b0 - l0 * l0 / (2.0 * a2);
        const double dx = ClothoidDeltaX(l0, l, a2);
        const double dy = ClothoidDeltaY(l0, l, a2);
        p.x = x0 + dx * std::cos(originBearing) - dy * std::sin(originBearing);
        p.y = y0 + dx * std::sin(originBearing) + dy * std::cos(originBearing);
        const double radiusHere = a2 / l;
        const double meanRadius = radiusHere * r1 / (radiusHere + r1);
        p.bearing = b0 + d / (2.0 * meanRadius);
        break;
    }
    }
    requireFiniteAt(p.x, msg::POINT, i);
    requireFiniteAt(p.y, msg::POINT, i);
    requireFiniteAt(p.bearing, msg::BEARING, i);
    return p;
}

}  // namespace

ElementKind elementKind(double startRadius, double endRadius) {
    if (startRadius == INFINITE_RADIUS && endRadius == INFINITE_RADIUS) return ElementKind::Line;
    if (startRadius == endRadius) return ElementKind::Arc;
    if (startRadius == INFINITE_RADIUS) return ElementKind::EnteringSpiral;
    if (endRadius != INFINITE_RADIUS) return ElementKind::PartialSpiral;
    return ElementKind::ExitSpiral;
}

double elementDeflection(double startRadius, double endRadius, double length) {
    switch (elementKind(startRadius, endRadius)) {
    case ElementKind::Line: return 0.0;
    case ElementKind::Arc: return length / startRadius;
    case ElementKind::EnteringSpiral: return length / (2.0 * endRadius);
    case ElementKind::ExitSpiral: return length / (2.0 * startRadius);
    case ElementKind::PartialSpiral: return (endRadius + startRadius) * length / 2.0 / startRadius / endRadius;
    }
    return 0.0;
}

void PrepareAlignment(Alignment& al) {
    al.chainagesAscending = false;
    const int n = checkedElementCount(al);

    // 1. Start bearing from decimal degrees to radians.
    al.icdStartBearing = degreesToRadians(al.icdStartBearing);

    // 2. Chainages.
    al.elemChainage[1] = al.icdStartChainage;
    requireFiniteAt(al.elemChainage[1], msg::START_CHAINAGE, 1);
    for (int i = 1; i <= n; ++i) {
        al.elemChainage[i + 1] = al.elemLength[i] + al.elemChainage[i];
        requireFiniteAt(al.elemChainage[i + 1], msg::END_CHAINAGE, i);
    }

    // 3. Deflection of each element: its length times its mean curvature.
    std::vector<double> deflection(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        const double r1 = al.elemStartRadius[i];
        const double r2 = al.elemEndRadius[i];
        const double length = al.elemLength[i];
        deflection[static_cast<std::size_t>(i)] = requireFiniteAt(elementDeflection(r1, r2, length), msg::DEFLECTION, i);
    }

    // 4. Bearings: all sums first, unreduced.
    al.elemStartBearing[1] = al.icdStartBearing;
    for (int i = 1; i <= n; ++i) {
        al.elemStartBearing[i + 1] = al.elemStartBearing[i] + deflection[static_cast<std::size_t>(i)];
        requireFiniteAt(al.elemStartBearing[i + 1], msg::END_BEARING, i);
    }

    // 5. Reduction to [0, 2π).
    for (int i = 1; i <= n + 1; ++i) al.elemStartBearing[i] = reduceBearing(al.elemStartBearing[i], FULL_TURN, i);

    // 6. Coordinate increments of each element from its start to its end.
    std::vector<double> deltaX(static_cast<std::size_t>(n) + 1, 0.0);
    std::vector<double> deltaY(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        const double r1 = al.elemStartRadius[i];
        const double r2 = al.elemEndRadius[i];
        const double length = al.elemLength[i];
        const double b = al.elemStartBearing[i];
        const double be = al.elemStartBearing[i + 1];
        double dx = 0.0;
        double dy = 0.0;
        switch (elementKind(r1, r2)) {
        case ElementKind::Line:
            dx = std::cos(b) * length;
            dy = std::sin(b) * length;
            break;
        case ElementKind::Arc: {
            const double r = r1;
            dx = (std::sin(length / r + b) - std::sin(b)) * r;
            dy = -r * (std::cos(length / r + b) - std::cos(b));
            break;
        }
        case ElementKind::EnteringSpiral: {
            // The clothoid starts at the element's start along its bearing.
            const double a2 = length * r2;
            const double x = ClothoidX(length, a2);
            const double y = ClothoidY(length, a2);
            dx = x * std::cos(b) - y * std::sin(b);
            dy = x * std::sin(b) + y * std::cos(b);
            break;
        }
        case ElementKind::ExitSpiral: {
            // The clothoid is laid backward from the element's end.
            const double a2 = length * r1;
            const double x = ClothoidX(length, a2);
            const double y = ClothoidY(length, a2);
            dx = x * std::cos(be) + y * std::sin(be);
            dy = x * std::sin(be) - y * std::cos(be);
            break;
        }
        case ElementKind::PartialSpiral: {
            // The stretch l1..l2 of a clothoid whose origin lies before the element.
            const double a2 = length * r1 * r2 / (r1 - r2);
            const double l1 = a2 / r1;
            const double l2 = a2 / r2;
            const double originBearing = b - l1 * l1 / 2.0 / a2;
            const double p = ClothoidDeltaX(l1, l2, a2);
            const double q = ClothoidDeltaY(l1, l2, a2);
            dx = std::cos(originBearing) * p - std::sin(originBearing) * q;
            dy = std::sin(originBearing) * p + std::cos(originBearing) * q;
            break;
        }
        }
        deltaX[static_cast<std::size_t>(i)] = requireFiniteAt(dx, msg::NORTH_INCREMENT, i);
        deltaY[static_cast<std::size_t>(i)] = requireFiniteAt(dy, msg::EAST_INCREMENT, i);
    }

    // 7. Points by accumulation of the increments.
    al.elemStartX[1] = al.icdStartX;
    al.elemStartY[1] = al.icdStartY;
    requireFiniteAt(al.elemStartX[1], msg::START_POINT, 1);
    requireFiniteAt(al.elemStartY[1], msg::START_POINT, 1);
    for (int i = 1; i <= n; ++i) {
        al.elemStartX[i + 1] = al.elemStartX[i] + deltaX[static_cast<std::size_t>(i)];
        al.elemStartY[i + 1] = al.elemStartY[i] + deltaY[static_cast<std::size_t>(i)];
        requireFiniteAt(al.elemStartX[i + 1], msg::END_POINT, i);
        requireFiniteAt(al.elemStartY[i + 1], msg::END_POINT, i);
    }

    al.chainagesAscending = std::is_sorted(al.elemChainage.begin() + 1, al.elemChainage.begin() + n + 2);
}

void PointAtChainage(const Alignment& al, double chainage, double& x, double& y, double& bearing) {
    const int n = checkedElementCount(al);
    if (std::isnan(chainage)) throw DataError(msg::CHAINAGE_NOT_A_NUMBER);
    const std::vector<double>& c = al.elemChainage;

    // The element holding the chainage: the first i with c[i] <= chainage <
    // c[i+1]. On a chainage table that never decreases there is at most one,
    // the element before the first entry above the chainage, found by
    // bisection; otherwise the table is scanned from the first element up.
    int element = 0;
    if (al.chainagesAscending) {
        const auto first = c.begin() + 1;
        const auto last = c.begin() + n + 2;
        const auto above = std::upper_bound(first, last, chainage);
        if (above != first && above != last) element = static_cast<int>(above - c.begin()) - 1;
    } else {
        for (int i = 1; i <= n; ++i) {
            if (chainage >= c[i] && chainage < c[i + 1]) {
                element = i;
                break;
            }
        }
    }

    bool assigned = false;
    ElementPoint p{};
    if (element != 0) {
        p = evaluateElement(al, element, chainage - c[element]);
        assigned = true;
    }
    // Before the start and beyond the end the road runs on along the start
    // and end tangents; the start and the end themselves get their stored
    // points.
    if (chainage <= c[1]) {
        const double d = chainage - c[1];
        p = {al.elemStartX[1] + d * std::cos(al.elemStartBearing[1]),
             al.elemStartY[1] + d * std::sin(al.elemStartBearing[1]), al.elemStartBearing[1]};
        assigned = true;
    }
    if (chainage >= c[n + 1]) {
        const double d = chainage - c[n + 1];
        p = {al.elemStartX[n + 1] + d * std::cos(al.elemStartBearing[n + 1]),
             al.elemStartY[n + 1] + d * std::sin(al.elemStartBearing[n + 1]), al.elemStartBearing[n + 1]};
        assigned = true;
    }
    if (!assigned) return;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.bearing))
        throw DataError(msg::pointAtChainageNotFinite(chainage));
    x = p.x;
    y = p.y;
    bearing = p.bearing;
}

void buildSampleTable(const Alignment& al, SampleTable& samples) {
    const int n = checkedElementCount(al);
    const double start = al.elemChainage[1];
    const double end = al.elemChainage[static_cast<std::size_t>(n) + 1];
    const double length = end - start;
    if (!(length >= 0.0) || !std::isfinite(length))
        throw DataError(msg::alignmentNotSampled(length));
    const double steps = std::floor(length / SAMPLE_STEP);
    if (!(steps + 2.0 <= MAX_SAMPLE_COUNT))
        throw DataError(msg::tooManySamples(length, static_cast<long long>(MAX_SAMPLE_COUNT)));

    // Built aside and put in place only when complete, so that a failure
    // leaves no half-filled table behind.
    SampleTable table;
    table.sampleStep = SAMPLE_STEP;
    table.sampleCount = steps + 2.0;
    const std::size_t count = static_cast<std::size_t>(table.sampleCount);
    table.sampleChainage.assign(count + 2, 0.0);
    table.sampleX.assign(count + 2, 0.0);
    table.sampleY.assign(count + 2, 0.0);
    table.sampleDist.assign(count + 2, 0.0);

    table.sampleChainage[0] = start - table.sampleStep;
    table.sampleChainage[1] = start;
    // Accumulated step by step, not start + (i - 1)·step: the sample
    // chainages carry the rounding of each addition.
    for (std::size_t i = 2; i + 1 <= count; ++i)
        table.sampleChainage[i] = table.sampleChainage[i - 1] + table.sampleStep;
    table.sampleChainage[count] = end;
    table.sampleChainage[count + 1] = end + table.sampleStep;

    double x = 0.0;
    double y = 0.0;
    double bearing = 0.0;
    for (std::size_t i = 0; i <= count + 1; ++i) {
        PointAtChainage(al, table.sampleChainage[i], x, y, bearing);
        table.sampleX[i] = x;
        table.sampleY[i] = y;
    }
    table.sampleIndex = std::make_shared<const SampleIndex>(table.sampleX, table.sampleY, count);
    samples = std::move(table);
}

namespace {

// The sample count of a table, checked against its arrays.
std::size_t checkedSampleCount(const SampleTable& samples) {
    const double countValue = samples.sampleCount;
    if (!(countValue >= 1.0) || !(countValue <= MAX_SAMPLE_COUNT) || countValue != std::floor(countValue))
        throw DataError(msg::NO_SAMPLE_TABLE);
    const std::size_t count = static_cast<std::size_t>(countValue);
    if (samples.sampleX.size() < count + 2 || samples.sampleY.size() < count + 2 ||
        samples.sampleChainage.size() < count + 2 || samples.sampleDist.size() < count + 2)
        throw DataError(msg::SAMPLE_TABLE_SHORT);
    return count;
}

}  // namespace

std::size_t nearestSampleIndexed(SampleTable& samples, double pointX, double pointY) {
    if (!std::isfinite(pointX) || !std::isfinite(pointY)) throw DataError(msg::POINT_NOT_FINITE);
    const std::size_t count = checkedSampleCount(samples);
    if (samples.sampleIndex && samples.sampleIndex->size() == count)
        return samples.sampleIndex->nearest(pointX, pointY);
    return nearestSample(samples, pointX, pointY);
}

std::size_t nearestSample(SampleTable& samples, double pointX, double pointY) {
    if (!std::isfinite(pointX) || !std::isfinite(pointY)) throw DataError(msg::POINT_NOT_FINITE);
    const std::size_t count = checkedSampleCount(samples);
    for (std::size_t i = 1; i <= count; ++i) {
        const double dx = pointX - samples.sampleX[i];
        const double dy = pointY - samples.sampleY[i];
        samples.sampleDist[i] = std::sqrt(dx * dx + dy * dy);
    }
    // Strictly nearer only: on equal distances the lowest index stays.
    std::size_t best = 1;
    for (std::size_t i = 2; i <= count; ++i)
        if (samples.sampleDist[i] < samples.sampleDist[best]) best = i;
    return best;
}

}  // namespace gradix
