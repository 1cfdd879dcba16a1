#include "cadmodel/referencealignment.h"

#include <algorithm>
#include <cmath>

namespace gradix {

ReferenceAlignment referenceAlignmentFromSamples(const std::vector<double>& chainage, const std::vector<double>& X,
                                                 const std::vector<double>& Y, double spacing,
                                                 const std::function<std::string(double)>& label) {
    ReferenceAlignment out;
    const std::size_t n = std::min({chainage.size(), X.size(), Y.size()});
    std::vector<double> c;
    c.reserve(n);
    out.line.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(chainage[i]) || !std::isfinite(X[i]) || !std::isfinite(Y[i])) continue;
        if (!c.empty() && !(chainage[i] > c.back())) continue;  // keep the chainage strictly ascending
        c.push_back(chainage[i]);
        out.line.push_back({X[i], Y[i]});
    }
    if (out.line.size() < 2 || !std::isfinite(spacing) || !(spacing > 0)) return out;
    // The first whole multiple of spacing at or after the start.
    double k = std::ceil(c.front() / spacing);
    std::size_t segment = 0;
    for (double at = k * spacing; at <= c.back(); k += 1, at = k * spacing) {
        while (segment + 2 < c.size() && c[segment + 1] < at) ++segment;
        const ReferencePoint& a = out.line[segment];
        const ReferencePoint& b = out.line[segment + 1];
        const double t = (at - c[segment]) / (c[segment + 1] - c[segment]);
        ReferenceTick tick;
        tick.X = a.X + (b.X - a.X) * t;
        tick.Y = a.Y + (b.Y - a.Y) * t;
        tick.bearing = std::atan2(b.Y - a.Y, b.X - a.X);
        if (label) tick.label = label(at);
        out.ticks.push_back(std::move(tick));
    }
    return out;
}

}  // namespace gradix
