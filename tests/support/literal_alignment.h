// The reference algorithms of the alignment, step by step as described,
// against which the fast evaluators are checked and timed: factorial by
// recursion, series terms with pow(), element search by a scan from the
// first element, bearing reduction by repeated steps of 2π, and the point
// search that stops on two equal successive midpoint distances. The tests
// hold the program's evaluators against them and the benchmarks time both.
//
// Meant for realistic data only: the reduction loops and the series would
// not end on absurd bearings or terms, so those throw DataError here too.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "alignment/alignment.h"
#include "text/failures.h"

namespace gradix::literal {

inline double pi() { return 4.0 * std::atan(1.0); }

inline double Factorial(std::int16_t n) {
    if (n < 0) throw DataError("negative factorial");
    if (n == 0) return 1.0;
    return literal::Factorial(static_cast<std::int16_t>(n - 1)) * n;
}

// One series: term n = (-1)^n (l2^k - l1^k) / (2 a2)^j / j! / k with
// k = 4n + kBase, j = 2n + jBase; without difference the l1 power is absent.
inline double series(bool difference, int kBase, int jBase, double l1, double l2, double a2) {
    double sum = 0.0;
    double last = 100.0;
    std::int16_t n = 0;
    while (!(std::fabs(last) < 1e-20)) {
        const int k = 4 * n + kBase;
        const int j = 2 * n + jBase;
        const double fact = literal::Factorial(static_cast<std::int16_t>(j));
        const double powerW = std::pow(2.0 * a2, j);
        const double powers = difference ? std::pow(l2, k) - std::pow(l1, k) : std::pow(l2, k);
        if (!std::isfinite(fact) || !std::isfinite(powerW) || !std::isfinite(powers))
            throw DataError("literal series overflows");
        const double term = std::pow(-1.0, n) * powers / powerW / fact / k;
        if (!std::isfinite(term)) throw DataError("literal series term not finite");
        sum += term;
        last = term;
        n = static_cast<std::int16_t>(n + 1);
    }
    return sum;
}

inline double ClothoidX(double l, double a2) { return series(false, 1, 0, 0.0, l, a2); }
inline double ClothoidY(double l, double a2) { return series(false, 3, 1, 0.0, l, a2); }
inline double ClothoidDeltaX(double l1, double l2, double a2) { return series(true, 1, 0, l1, l2, a2); }
inline double ClothoidDeltaY(double l1, double l2, double a2) { return series(true, 3, 1, l1, l2, a2); }

enum class Kind { Line, Arc, Entering, Exit, Partial };

inline Kind kindOf(double r1, double r2) {
    if (r1 == INFINITE_RADIUS && r2 == INFINITE_RADIUS) return Kind::Line;
    if (r1 == r2 && r1 != INFINITE_RADIUS) return Kind::Arc;
    if (r1 == INFINITE_RADIUS && r2 != INFINITE_RADIUS) return Kind::Entering;
    if (r1 != INFINITE_RADIUS && r2 == INFINITE_RADIUS) return Kind::Exit;
    return Kind::Partial;
}

inline void PrepareAlignment(Alignment& al) {
    const int n = al.elemCount;
    if (n < 0 || n + 1 > ELEMENT_CAPACITY) throw DataError("literal: subscript out of range");
    const double p = pi();
    std::vector<double> deflection(ELEMENT_CAPACITY + 1), dX(ELEMENT_CAPACITY + 1), dY(ELEMENT_CAPACITY + 1);
    al.icdStartBearing = al.icdStartBearing * p / 180;
    al.elemChainage[1] = al.icdStartChainage;
    for (int i = 1; i <= n; ++i) al.elemChainage[i + 1] = al.elemLength[i] + al.elemChainage[i];
    for (int i = 1; i <= n; ++i) {
        const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], l = al.elemLength[i];
        switch (kindOf(r1, r2)) {
        case Kind::Line: deflection[i] = 0; break;
        case Kind::Arc: deflection[i] = l / r1; break;
        case Kind::Entering: deflection[i] = l / (2 * r2); break;
        case Kind::Exit: deflection[i] = l / (2 * r1); break;
        case Kind::Partial: deflection[i] = (r2 + r1) * l / 2 / r1 / r2; break;
        }
    }
    al.elemStartBearing[1] = al.icdStartBearing;
    for (int i = 1; i <= n; ++i) al.elemStartBearing[i + 1] = al.elemStartBearing[i] + deflection[i];
    for (int i = 1; i <= n + 1; ++i) {
        if (!std::isfinite(al.elemStartBearing[i]) || std::fabs(al.elemStartBearing[i]) > 1e6)
            throw DataError("literal: the reduction would not end");
        while (al.elemStartBearing[i] >= 2 * p) al.elemStartBearing[i] = al.elemStartBearing[i] - 2 * p;
        while (al.elemStartBearing[i] < 0) al.elemStartBearing[i] = al.elemStartBearing[i] + 2 * p;
    }
    for (int i = 1; i <= n; ++i) {
        const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], l = al.elemLength[i];
        const double b = al.elemStartBearing[i], be = al.elemStartBearing[i + 1];
        switch (kindOf(r1, r2)) {
        case Kind::Line:
            dX[i] = std::cos(b) * l;
            dY[i] = std::sin(b) * l;
            break;
        case Kind::Arc:
            dX[i] = (std::sin(l / r1 + b) - std::sin(b)) * r1;
            dY[i] = -r1 * (std::cos(l / r1 + b) - std::cos(b));
            break;
        case Kind::Entering: {
            const double a2 = l * r2;
            const double x = literal::ClothoidX(l, a2), y = literal::ClothoidY(l, a2);
            dX[i] = x * std::cos(b) - y * std::sin(b);
            dY[i] = x * std::sin(b) + y * std::cos(b);
            break;
        }
        case Kind::Exit: {
            const double a2 = l * r1;
            const double x = literal::ClothoidX(l, a2), y = literal::ClothoidY(l, a2);
            dX[i] = x * std::cos(be) + y * std::sin(be);
            dY[i] = x * std::sin(be) - y * std::cos(be);
            break;
        }
        case Kind::Partial: {
            const double a2 = l * r1 * r2 / (r1 - r2);
            const double l1 = a2 / r1, l2 = a2 / r2;
            const double t = b - std::pow(l1, 2) / 2 / a2;
            const double pp = literal::ClothoidDeltaX(l1, l2, a2), q = literal::ClothoidDeltaY(l1, l2, a2);
            dX[i] = std::cos(t) * pp - std::sin(t) * q;
            dY[i] = std::sin(t) * pp + std::cos(t) * q;
            break;
        }
        }
    }
    al.elemStartX[1] = al.icdStartX;
    al.elemStartY[1] = al.icdStartY;
    for (int i = 1; i <= n; ++i) {
        al.elemStartX[i + 1] = al.elemStartX[i] + dX[i];
        al.elemStartY[i + 1] = al.elemStartY[i] + dY[i];
    }
}

// Point of element i at distance d from its start.
inline void evaluateElement(const Alignment& al, int i, double d, double& x, double& y, double& b) {
    const double r1 = al.elemStartRadius[i], r2 = al.elemEndRadius[i], l = al.elemLength[i];
    const double x0 = al.elemStartX[i], y0 = al.elemStartY[i], t0 = al.elemStartBearing[i];
    switch (kindOf(r1, r2)) {
    case Kind::Line:
        x = x0 + d * std::cos(t0);
        y = y0 + d * std::sin(t0);
        b = t0;
        break;
    case Kind::Arc:
        x = x0 + r1 * (std::sin(t0 + d / r1) - std::sin(t0));
        y = y0 - r1 * (std::cos(t0 + d / r1) - std::cos(t0));
        b = t0 + d / r2;
        break;
    case Kind::Entering: {
        const double a2 = l * r2;
        const double cx = literal::ClothoidX(d, a2), cy = literal::ClothoidY(d, a2);
        x = x0 + cx * std::cos(t0) - cy * std::sin(t0);
        y = y0 + cx * std::sin(t0) + cy * std::cos(t0);
        b = t0 + std::pow(d, 2) / (2 * a2);
        break;
    }
    case Kind::Exit: {
        const double xe = al.elemStartX[i + 1], ye = al.elemStartY[i + 1], te = al.elemStartBearing[i + 1];
        const double a2 = l * r1;
        const double lb = l - d;
        const double cx = literal::ClothoidX(lb, a2), cy = literal::ClothoidY(lb, a2);
        x = xe - cx * std::cos(te) - cy * std::sin(te);
        y = ye - cx * std::sin(te) + cy * std::cos(te);
        b = te - std::pow(lb, 2) / (2 * a2);
        break;
    }
    case Kind::Partial: {
        const double a2 = l * r1 * r2 / (r1 - r2);
        const double l0 = a2 / r1;
        const double ll = l0 + d;
        const double ts = t0 - std::pow(l0, 2) / (2 * a2);
        const double dx = literal::ClothoidDeltaX(l0, ll, a2), dy = literal::ClothoidDeltaY(l0, ll, a2);
        x = x0 + dx * std::cos(ts) - dy * std::sin(ts);
        y = y0 + dx * std::sin(ts) + dy * std::cos(ts);
        const double rho = a2 / ll;
        const double rm = rho * r1 / (rho + r1);
        b = t0 + d / (2 * rm);
        break;
    }
    }
}

inline void PointAtChainage(const Alignment& al, double chainage, double& x, double& y, double& b) {
    const int n = al.elemCount;
    if (n < 0 || n + 1 > ELEMENT_CAPACITY) throw DataError("literal: subscript out of range");
    const std::vector<double>& c = al.elemChainage;
    for (int i = 1; i <= n; ++i) {
        if ((chainage > c[i] || chainage == c[i]) && chainage < c[i + 1]) {
            literal::evaluateElement(al, i, chainage - c[i], x, y, b);
            break;
        }
    }
    if (chainage <= c[1]) {
        const double d = chainage - c[1];
        x = al.elemStartX[1] + d * std::cos(al.elemStartBearing[1]);
        y = al.elemStartY[1] + d * std::sin(al.elemStartBearing[1]);
        b = al.elemStartBearing[1];
    }
    if (chainage >= c[n + 1]) {
        const double d = chainage - c[n + 1];
        x = al.elemStartX[n + 1] + d * std::cos(al.elemStartBearing[n + 1]);
        y = al.elemStartY[n + 1] + d * std::sin(al.elemStartBearing[n + 1]);
        b = al.elemStartBearing[n + 1];
    }
}

inline void buildSampleTable(const Alignment& al, SampleTable& s) {
    const double start = al.elemChainage[1];
    const double end = al.elemChainage[al.elemCount + 1];
    s.sampleStep = 1.0;
    s.sampleCount = std::floor((end - start) / s.sampleStep) + 2;
    const auto count = static_cast<std::size_t>(s.sampleCount);
    s.sampleChainage.assign(count + 2, 0.0);
    s.sampleX.assign(count + 2, 0.0);
    s.sampleY.assign(count + 2, 0.0);
    s.sampleDist.assign(count + 2, 0.0);
    s.sampleChainage[0] = start - s.sampleStep;
    s.sampleChainage[1] = start;
    for (std::size_t i = 2; i + 1 <= count; ++i) s.sampleChainage[i] = s.sampleChainage[i - 1] + s.sampleStep;
    s.sampleChainage[count] = end;
    s.sampleChainage[count + 1] = end + s.sampleStep;
    double b = 0.0;
    for (std::size_t i = 0; i <= count + 1; ++i) literal::PointAtChainage(al, s.sampleChainage[i], s.sampleX[i], s.sampleY[i], b);
}

inline std::size_t nearestSample(SampleTable& s, double pointX, double pointY) {
    const auto count = static_cast<std::size_t>(s.sampleCount);
    for (std::size_t i = 1; i <= count; ++i)
        s.sampleDist[i] = std::sqrt(std::pow(pointX - s.sampleX[i], 2) + std::pow(pointY - s.sampleY[i], 2));
    std::size_t k = 1;
    for (std::size_t i = 2; i <= count; ++i)
        if (s.sampleDist[i] < s.sampleDist[k]) k = i;
    return k;
}

inline double www(const double* a, const double* b) {
    return std::sqrt(std::pow(b[1] - a[1], 2) + std::pow(b[2] - a[2], 2));
}

inline double bxfwj(const double* p1, const double* p2) {
    const double p = pi();
    const double dx = p2[0] - p1[0], dy = p2[1] - p1[1];
    double r = 0.0;
    if (dx != 0) {
        const double a = std::atan(dy / dx);
        if (a >= 0 && dx > 0) r = a;
        if (a >= 0 && dx < 0) r = a + p;
        if (a < 0 && dx > 0) r = a + 2 * p;
        if (a < 0 && dx < 0) r = a + p;
    } else {
        r = dy > 0 ? p / 2 : 3 * p / 2;
    }
    return r;
}

inline int zypsgn1(const double* p1, const double* p2, const double* p3) {
    const double p = pi();
    double diff = literal::bxfwj(p2, p3) - literal::bxfwj(p1, p2);
    if (diff < -p)
        diff = diff + 2 * p;
    else if (diff > p)
        diff = diff - 2 * p;
    return diff > 0 ? -1 : 1;
}

// The search step by step as described: it stops as soon as two successive
// midpoint distances are equal.
inline FootOfPoint js_qzdzh(const Alignment& al, double q, double z, double zx, double zy, double px, double py) {
    double a[4] = {}, bb[4] = {}, m[4] = {}, t[4] = {};
    double b = 0.0;
    m[0] = (q + z) / 2;
    literal::PointAtChainage(al, m[0], m[1], m[2], b);
    t[1] = px;
    t[2] = py;
    a[0] = q;
    bb[0] = z;
    literal::PointAtChainage(al, a[0], a[1], a[2], b);
    literal::PointAtChainage(al, bb[0], bb[1], bb[2], b);
    a[3] = literal::www(a, t);
    bb[3] = literal::www(bb, t);
    m[3] = literal::www(m, t);
    double previous = 0.0;
    do {
        previous = m[3];
        if (bb[3] > a[3])
            for (int k = 0; k < 4; ++k) bb[k] = m[k];
        else
            for (int k = 0; k < 4; ++k) a[k] = m[k];
        m[0] = (bb[0] + a[0]) / 2;
        literal::PointAtChainage(al, m[0], m[1], m[2], b);
        m[3] = literal::www(m, t);
    } while (!(std::fabs(previous - m[3]) < 1e-100));
    FootOfPoint f{m[0], m[3], m[1], m[2]};
    const double p1[3] = {px, py, 0}, p2[3] = {f.ptx, f.pty, 0}, p3[3] = {zx, zy, 0};
    f.ptd = f.ptd * literal::zypsgn1(p1, p2, p3);
    return f;
}

inline FootOfPoint locatePoint(const Alignment& al, SampleTable& s, double pointX, double pointY) {
    const std::size_t k = literal::nearestSample(s, pointX, pointY);
    return literal::js_qzdzh(al, s.sampleChainage[k - 1], s.sampleChainage[k + 1], s.sampleX[k + 1], s.sampleY[k + 1], pointX,
                    pointY);
}

}  // namespace gradix::literal
