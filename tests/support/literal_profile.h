// The design elevation and tangent grade exactly as the profile's algorithm
// reads: each call scans the intervals from grade point 1, takes the first
// case that applies, and treats a subscript outside 1..n as a failure of the
// table (as an array indexed from 1 would). The program's evaluator must give
// the same bits; the tests and the benchmark compare them.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "text/failures.h"

namespace gradix::literal {

// Entry i of a table array indexed 1..n; outside it the table cannot answer.
inline double entry(const std::vector<double>& a, int i, int n) {
    if (i < 1 || i > n) throw DataError("subscript " + std::to_string(i) + " outside the grade-point table");
    return a[static_cast<std::size_t>(i)];
}

// Interval index: the first i = 1..n-2 with E(i) <= x < E(i+1), else n-1.
inline int intervalIndex(const Profile& p, double x) {
    const int n = p.gradePointCount;
    const auto E = [&](int i) { return entry(p.curveEndChainage, i, n); };
    for (int i = 1; i <= n - 2; ++i)
        if (E(i) <= x && x < E(i + 1)) return i;
    return n - 1;
}

// Design elevation (m) at chainage x (m).
inline double DesignElevation(const Profile& p, double x) {
    const int n = p.gradePointCount;
    const auto K = [&](int i) { return entry(p.gradePointChainage, i, n); };
    const auto H = [&](int i) { return entry(p.gradePointElevation, i, n); };
    const auto R = [&](int i) { return entry(p.curveRadius, i, n); };
    const auto g = [&](int i) { return entry(p.segmentGrade, i, n); };
    const auto w = [&](int i) { return entry(p.gradeChange, i, n); };
    const auto T = [&](int i) { return entry(p.tangentLength, i, n); };
    const auto E = [&](int i) { return entry(p.curveEndChainage, i, n); };

    double result = 0.0;
    if (x < K(1)) {
        result = H(1) + (x - K(1)) * g(1);
    } else if (x > K(n)) {
        result = H(n - 1) + (x - K(n - 1)) * g(n - 1);
    } else {
        const int i = intervalIndex(p, x);
        const double S = K(i + 1) - T(i + 1);
        if (E(i) <= x && x < S) {
            result = H(i) + ((x + T(i)) - E(i)) * g(i);
        } else if (S <= x && x < K(i + 1)) {
            const double P = H(i) + ((x + T(i)) - E(i)) * g(i);
            const double d = x + T(i + 1) - K(i + 1);
            const double y = d * d / (2.0 * R(i + 1));
            if (w(i + 1) > 0.0) result = P + y;
            else if (w(i + 1) < 0.0) result = P - y;
        } else if (K(i + 1) <= x && x < E(i + 1)) {
            const double P = H(i + 1) + (x - K(i + 1)) * g(i + 1);
            const double d = K(i + 1) + T(i + 1) - x;
            const double y = d * d / (2.0 * R(i + 1));
            if (w(i + 1) > 0.0) result = P + y;
            else if (w(i + 1) < 0.0) result = P - y;
        } else if (x == K(n)) {
            result = H(n - 1) + (x - K(n - 1)) * g(n - 1);
        }
    }
    return requireFinite(result, "the design elevation");
}

// Tangent grade (ratio) at chainage x (m).
inline double DesignGrade(const Profile& p, double x) {
    const int n = p.gradePointCount;
    const auto K = [&](int i) { return entry(p.gradePointChainage, i, n); };
    const auto R = [&](int i) { return entry(p.curveRadius, i, n); };
    const auto g = [&](int i) { return entry(p.segmentGrade, i, n); };
    const auto w = [&](int i) { return entry(p.gradeChange, i, n); };
    const auto T = [&](int i) { return entry(p.tangentLength, i, n); };
    const auto E = [&](int i) { return entry(p.curveEndChainage, i, n); };

    double result = 0.0;
    if (x < K(1)) {
        result = g(1);
    } else if (x > K(n)) {
        result = g(n - 1);
    } else {
        const int i = intervalIndex(p, x);
        const double S = K(i + 1) - T(i + 1);
        if (E(i) <= x && x < S) {
            result = g(i);
        } else if (S <= x && x < E(i + 1)) {
            if (w(i + 1) > 0.0) result = g(i) + (x - S) / R(i + 1);
            else if (w(i + 1) < 0.0) result = g(i) - (x - S) / R(i + 1);
        } else if (x == K(n)) {
            result = g(n - 1);
        }
    }
    return requireFinite(result, "the design grade");
}

}  // namespace gradix::literal
