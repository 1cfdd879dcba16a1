// ICD files through the element chain, the sample table, PointAtChainage and
// js_qzdzh: a read either succeeds with a continuous, finite chain or raises
// the data failure located at the file; every evaluation is finite or
// raises; the foot of a point lies inside its bracket.
#include <algorithm>
#include <cmath>

#include "alignment/alignment.h"
#include "fuzz_input.h"
#include "text/failures.h"

using namespace gradix;

namespace {

// Sampling more than this many metres would only measure the machine.
constexpr double MAX_SAMPLED_LENGTH = 20000.0;
// Elements of a chain whose ends are checked for continuity.
constexpr int CHECKED_ELEMENTS = 200;
// The series are accurate to about 1e-15 of the arc length up to a few
// radians from the clothoid's origin; beyond that cancellation rules (see
// clothoid.cpp), so continuity is checked only within this turning.
constexpr double ACCURATE_TURNING = 3.0;
// Continuity tolerance: absolute (m) plus relative to the coordinates and
// the element length involved, far above rounding, far below any real gap.
constexpr double CONTINUITY_ABSOLUTE = 1e-6;
constexpr double CONTINUITY_RELATIVE = 1e-9;
// Fractions of the alignment at which points are also evaluated.
constexpr double PROBE_FRACTIONS[] = {0.1, 0.37, 0.5, 0.73};
// Chainages before and after the alignment that are evaluated (m).
constexpr double BEYOND_ENDS = 5.0;

// Turning (rad) from the zero-curvature origin at the far end of a spiral
// element; 0 for lines and arcs, whose formulas have no series.
double turningFromOrigin(const Alignment& al, int i) {
    const double r1 = al.elemStartRadius[i];
    const double r2 = al.elemEndRadius[i];
    const double length = al.elemLength[i];
    switch (elementKind(r1, r2)) {
    case ElementKind::Line:
    case ElementKind::Arc: return 0.0;
    case ElementKind::EnteringSpiral: return std::fabs(length / (2.0 * r2));
    case ElementKind::ExitSpiral: return std::fabs(length / (2.0 * r1));
    case ElementKind::PartialSpiral: {
        const double a2 = length * r1 * r2 / (r1 - r2);
        const double far = std::max(std::fabs(a2 / r1), std::fabs(a2 / r2));
        return far * far / (2.0 * std::fabs(a2));
    }
    }
    return 0.0;
}

// The point at a chainage is (x, y), within the continuity tolerance (which
// also allows for the rounding of the chainage itself).
void requireNear(const Alignment& al, double chainage, double x, double y, double length, const char* what) {
    double px = 0, py = 0, bearing = 0;
    try {
        PointAtChainage(al, chainage, px, py, bearing);
    } catch (const DataError&) {
        return;  // an element the series cannot evaluate there raises, which is allowed
    }
    const double tolerance =
        CONTINUITY_ABSOLUTE + CONTINUITY_RELATIVE * (std::fabs(x) + std::fabs(y) + std::fabs(length) + std::fabs(chainage));
    fuzz::require(std::fabs(px - x) <= tolerance && std::fabs(py - y) <= tolerance, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputFile file(data, size, ".icd");
    Alignment alignment;
    ChainBreakTable breaks;
    breaks.chainBreakCount = 1;
    const double pi = 4.0 * std::atan(1.0);
    try {
        dqicd(file.path(), alignment, breaks, pi);
    } catch (const DataError& e) {
        fuzz::require(e.file() == file.path(), "a refused alignment names the file");
        fuzz::require(alignment.elemCount >= 0 && alignment.elemCount <= ELEMENT_CAPACITY, "count inside the table");
        return 0;
    }
    const int n = alignment.elemCount;
    fuzz::require(breaks.chainBreakCount == 0, "an alignment switches chain breaks off");
    fuzz::require(n >= 0 && n < ELEMENT_CAPACITY, "at most 999 elements");
    bool chainStrictlyAscending = true;
    for (int i = 1; i <= n + 1; ++i) {
        fuzz::require(fuzz::finite(alignment.elemChainage[i]) && fuzz::finite(alignment.elemStartX[i]) &&
                          fuzz::finite(alignment.elemStartY[i]),
                      "finite chain");
        fuzz::require(alignment.elemStartBearing[i] >= 0.0 && alignment.elemStartBearing[i] < 2 * pi,
                      "bearings reduced to [0, 2pi)");
        if (i <= n) {
            fuzz::require(alignment.elemChainage[i + 1] == alignment.elemLength[i] + alignment.elemChainage[i],
                          "chainages follow the lengths");
            chainStrictlyAscending = chainStrictlyAscending && alignment.elemChainage[i] < alignment.elemChainage[i + 1];
        }
    }

    // Continuity: each element starts at the stored start point and ends
    // (just before the next element takes over) at the next stored point.
    if (chainStrictlyAscending) {
        for (int i = 1; i <= n && i <= CHECKED_ELEMENTS; ++i) {
            if (!(turningFromOrigin(alignment, i) <= ACCURATE_TURNING)) continue;
            const double start = alignment.elemChainage[i];
            const double end = alignment.elemChainage[i + 1];
            const double length = alignment.elemLength[i];
            requireNear(alignment, start, alignment.elemStartX[i], alignment.elemStartY[i], length,
                        "an element starts where the chain says");
            const double justBefore = std::nextafter(end, start);
            if (justBefore > start)
                requireNear(alignment, justBefore, alignment.elemStartX[i + 1], alignment.elemStartY[i + 1], length,
                            "an element ends where the next one starts");
        }
    }

    const double start = alignment.elemChainage[1], end = alignment.elemChainage[n + 1];
    double x = 0, y = 0, bearing = 0;
    std::vector<double> probes = {start - BEYOND_ENDS, start, end, end + BEYOND_ENDS};
    for (double f : PROBE_FRACTIONS) probes.push_back(start + f * (end - start));
    for (double c : probes) {
        try {
            PointAtChainage(alignment, c, x, y, bearing);
            fuzz::require(fuzz::finite(x) && fuzz::finite(y) && fuzz::finite(bearing), "finite point");
        } catch (const DataError&) {
        }
    }
    // The start and the end of the alignment give their stored points exactly
    // (the element holding the chainage is evaluated first and may raise).
    try {
        if (start < end) {
            PointAtChainage(alignment, start, x, y, bearing);
            fuzz::require(x == alignment.elemStartX[1] && y == alignment.elemStartY[1], "the start point is stored");
        }
        if (!(start > end)) {
            PointAtChainage(alignment, end, x, y, bearing);
            fuzz::require(x == alignment.elemStartX[n + 1] && y == alignment.elemStartY[n + 1],
                          "the end point is stored");
        }
    } catch (const DataError&) {
    }

    if (!(end - start <= MAX_SAMPLED_LENGTH)) return 0;
    SampleTable samples;
    try {
        buildSampleTable(alignment, samples);
    } catch (const DataError&) {
        return 0;
    }
    const auto count = static_cast<std::size_t>(samples.sampleCount);
    fuzz::require(samples.sampleChainage.size() >= count + 2, "the sample table holds its samples");
    for (std::size_t k = 0; k <= count + 1; ++k)
        fuzz::require(fuzz::finite(samples.sampleX[k]) && fuzz::finite(samples.sampleY[k]), "finite samples");
    for (const auto& [dx, dy] : {std::pair{3.0, -4.0}, std::pair{-20.0, 7.5}}) {
        const double px = alignment.elemStartX[1] + dx, py = alignment.elemStartY[1] + dy;
        try {
            const std::size_t k = nearestSample(samples, px, py);
            const FootOfPoint foot = locatePoint(alignment, samples, px, py);
            fuzz::require(fuzz::finite(foot.ptzh) && fuzz::finite(foot.ptd) && fuzz::finite(foot.ptx) &&
                              fuzz::finite(foot.pty),
                          "finite foot of a point");
            fuzz::require(samples.sampleChainage[k - 1] <= foot.ptzh && foot.ptzh <= samples.sampleChainage[k + 1],
                          "the foot lies inside its bracket");
        } catch (const DataError&) {
        }
    }
    return 0;
}
