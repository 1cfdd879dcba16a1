// The horizontal alignment: the ICD element file, the element chain, the
// geometry of each element kind and the point at a chainage.
//
// Plane conventions: X is north and Y east (m); a bearing is in radians from
// +X toward +Y; a radius is signed, positive when the bearing increases along
// the element; exactly INFINITE_RADIUS stands for a straight.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stakes/chainbreaks.h"

namespace gradix {

// The radius that stands for "no curvature".
inline constexpr double INFINITE_RADIUS = 9999.0;
// Fixed index range 1..ELEMENT_CAPACITY of every element table.
inline constexpr int ELEMENT_CAPACITY = 1000;

enum class ElementKind { Line, Arc, EnteringSpiral, ExitSpiral, PartialSpiral };

// Kind of an element from its start and end radii (exact comparisons).
ElementKind elementKind(double startRadius, double endRadius);

// The element tables, indexed from 1 (entry 0 unused), ELEMENT_CAPACITY+1
// entries each. Entry elemCount+1 of chainage, point and bearing is the end
// of the alignment.
struct Alignment {
    double icdStartChainage = 0.0;  // m
    double icdStartX = 0.0;         // m, north
    double icdStartY = 0.0;         // m, east
    double icdStartBearing = 0.0;   // radians once prepared
    std::int16_t elemCount = 0;
    std::vector<double> elemStartRadius = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    std::vector<double> elemEndRadius = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    std::vector<double> elemLength = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    std::vector<double> elemChainage = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    std::vector<double> elemStartX = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    std::vector<double> elemStartY = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    std::vector<double> elemStartBearing = std::vector<double>(ELEMENT_CAPACITY + 1, 0.0);
    // Set by PrepareAlignment: true when elemChainage[1..n+1] never
    // decreases, so that the element search may bisect.
    bool chainagesAscending = false;
};

// dqicd: reads an ICD file into alignment, converts the start bearing through
// Degdms/Dmsdeg with pi, runs PrepareAlignment and sets the chain-break count
// of breaks to 0.
// Raises FileAccessError for an empty path and DataError for a missing file,
// a file that is certainly of another kind (refuseOtherKind), a header item
// that is not a number, a record with too few fields, a 1000th record, and
// every failure of PrepareAlignment. What was stored before a failure stays
// stored. With a report (text/dataline.h), the line of each element record;
// in check mode a record of too few fields is a refusal of the report and
// the reading goes on without it.
void dqicd(const std::string& dialogfn, Alignment& alignment, ChainBreakTable& breaks, double pi,
           ReadReport* report = nullptr);

// Degdms: decimal degrees to packed degrees-minutes-seconds ±DDD.MMSSsss.
double Degdms(double deg);
// Dmsdeg: packed degrees-minutes-seconds back to decimal degrees.
double Dmsdeg(double v);

// The turning (rad) of an element from its start to its end: its length (m)
// times its mean curvature, signed like the radii (m). Not finite for a zero
// radius; the caller checks.
double elementDeflection(double startRadius, double endRadius, double length);

// Derives chainages, bearings (reduced to [0, 2π)) and points of the chain
// from the radii and lengths; icdStartBearing goes from degrees to radians.
// Raises DataError on a division by zero, an overflow or a 1000th element.
void PrepareAlignment(Alignment& alignment);

// Factorial: n! in doubles. Raises DataError when it overflows.
double Factorial(std::int16_t n);

// The clothoid series with signed squared parameter a2 = A² (m²): the point at
// arc length l (m) from the zero-curvature origin, along (X) and across (Y)
// the origin tangent, and their differences between l1 and l2. Summed until a
// term below 1e-20 has been added; each term is formed from the one before,
// agreeing with the terms formed afresh to rounding. Raises DataError when a term overflows.
double ClothoidX(double l, double a2);
double ClothoidY(double l, double a2);
double ClothoidDeltaX(double l1, double l2, double a2);
double ClothoidDeltaY(double l1, double l2, double a2);

// PointAtChainage: plane point (m) and bearing (radians) at a chainage (m),
// with straight extensions along the start and end tangents. When no step
// assigns a result (a chainage table that does not increase) the variables
// keep what they held. Raises DataError on an arithmetic fault.
void PointAtChainage(const Alignment& alignment, double chainage, double& x, double& y, double& bearing);

// The alignment sample table: one sample per metre plus one a step beyond
// each end, indices 0..sampleCount+1.
inline constexpr double SAMPLE_STEP = 1.0;
struct SampleTable {
    double sampleStep = SAMPLE_STEP;
    double sampleCount = 0.0;  // N, a whole number held as a double
    std::vector<double> sampleChainage, sampleX, sampleY, sampleDist;
    // Spatial index over samples 1..N, set by buildSampleTable; a table
    // filled by other means has none and is searched by the full scan.
    std::shared_ptr<const class SampleIndex> sampleIndex;
};

// Builds the sample table of a prepared alignment (1 m spacing, accumulated
// chainages). Raises DataError when the table would not fit in memory or an
// evaluation fails.
void buildSampleTable(const Alignment& alignment, SampleTable& samples);

// Index k in 1..N of the sample nearest to the plane point (X north, Y east),
// lowest index on ties. Fills samples.sampleDist[1..N].
std::size_t nearestSample(SampleTable& samples, double pointX, double pointY);

// The same sample as nearestSample, found through samples.sampleIndex when
// the table has one of its size (sampleDist is then left as it was), else by
// the full scan. Raises DataError as nearestSample does.
std::size_t nearestSampleIndexed(SampleTable& samples, double pointX, double pointY);

// Result of js_qzdzh: chainage of the foot (m), signed offset (m, positive
// left of increasing chainage, the sign the pick's geometry works in), foot
// point (m).
struct FootOfPoint {
    double ptzh;
    double ptd;
    double ptx;
    double pty;
    // The offset as every output gives it (m): positive to the right of
    // increasing chainage, as LandXML and the surveyor count it. The one
    // place where the pick's sign is turned.
    double offsetRight() const { return -ptd; }
};

// js_qzdzh: chainage and offset of the point (zbx, zby) by bisection of the
// chainage bracket xyqdzh..xyzdzh; (xyzdzhx, xyzdzhy) is an alignment point
// ahead of the foot. Ends when the bracket can no longer shrink.
// Raises DataError on an arithmetic fault.
FootOfPoint js_qzdzh(const Alignment& alignment, double xyqdzh, double xyzdzh, double xyzdzhx,
                     double xyzdzhy, double zbx, double zby);

// A probe of the search: chainage, X, Y, distance to the sought point.
using ProbeRecord = double[4];
// A point pair: X in entry 0, Y in entry 1.
using PointPair = double[3];

// www: plane distance between entries 1 and 2 of two probe records.
double www(const ProbeRecord& aaa, const ProbeRecord& bbb);
// zypsgn1: -1 when direction p2->p3 turns toward increasing bearing from
// direction p1->p2, else +1.
std::int16_t zypsgn1(const PointPair& p1, const PointPair& p2, const PointPair& p3);
// bxfwj: bearing in [0, 2π) of the direction p1 -> p2.
double bxfwj(const PointPair& p1, const PointPair& p2);

}  // namespace gradix

namespace gradix {

// The pick path without a drawing: the nearest sample k (through the sample
// index), then js_qzdzh with the bracket samples k-1 and k+1 and the ahead
// point k+1.
FootOfPoint locatePoint(const Alignment& alignment, SampleTable& samples, double pointX, double pointY);

// The pick's foot made exact: Newton steps on the distance along the
// tangent, Δs = (P − F(s))·T(s) / (1 − κ(s)·(P − F(s))·N(s)) (T the unit
// tangent, N the unit normal to the right, κ the curvature in 1/m), from
// pick.ptzh, each step kept inside the element it starts in and inside the
// chainage bracket low..high (m). The bisection of js_qzdzh stops where the
// distances of the bracket ends round to the same double, up to about
// sqrt(2|D|u) from the foot (u the rounding of the coordinates: 1.7e-4 m for
// D = 30 m at 3.3e6 m); the projection is flat there no more, and settles to
// the rounding of the coordinates (about 1e-9 m). The answer keeps the pick
// when the steps would end farther from the point than the pick (by more
// than the rounding) or the chainages of the chain do not ascend. Raises
// DataError on an arithmetic fault.
FootOfPoint refineFoot(const Alignment& alignment, const FootOfPoint& pick, double low, double high, double pointX,
                       double pointY);

// A surveyed point's foot: locatePoint's answer refined by refineFoot within
// the bracket of the nearest sample. The single pick of the window keeps
// locatePoint's answer.
FootOfPoint locateSurveyedPoint(const Alignment& alignment, SampleTable& samples, double pointX, double pointY);

}  // namespace gradix
