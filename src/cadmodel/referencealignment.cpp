#include "cadmodel/referencealignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stakes/roundstakes.h"
#include "stakes/stakes.h"

namespace gradix {

namespace {

// The reference line of the samples: finite, with strictly ascending
// chainages (m), kept in c.
ReferenceAlignment lineOf(const std::vector<double>& chainage, const std::vector<double>& X,
                          const std::vector<double>& Y, std::vector<double>& c) {
    ReferenceAlignment out;
    const std::size_t n = std::min({chainage.size(), X.size(), Y.size()});
    c.reserve(n);
    out.line.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(chainage[i]) || !std::isfinite(X[i]) || !std::isfinite(Y[i])) continue;
        if (!c.empty() && !(chainage[i] > c.back())) continue;  // keep the chainage strictly ascending
        c.push_back(chainage[i]);
        out.line.push_back({X[i], Y[i]});
    }
    return out;
}

// Places ticks at ascending chainages: each by linear interpolation between
// the samples around it, with the bearing of that stretch of line.
class TickPlacer {
public:
    TickPlacer(ReferenceAlignment& out, const std::vector<double>& c) : out_(out), c_(c) {}
    void place(double at, std::string label) {
        while (segment_ + 2 < c_.size() && c_[segment_ + 1] < at) ++segment_;
        const ReferencePoint& a = out_.line[segment_];
        const ReferencePoint& b = out_.line[segment_ + 1];
        const double t = (at - c_[segment_]) / (c_[segment_ + 1] - c_[segment_]);
        ReferenceTick tick;
        tick.X = a.X + (b.X - a.X) * t;
        tick.Y = a.Y + (b.Y - a.Y) * t;
        tick.bearing = std::atan2(b.Y - a.Y, b.X - a.X);
        tick.label = std::move(label);
        out_.ticks.push_back(std::move(tick));
    }

private:
    ReferenceAlignment& out_;
    const std::vector<double>& c_;
    std::size_t segment_ = 0;
};

// Calls f with every whole multiple of step from low to high, in order:
// counted in whole steps, so that it ends also where the values are too
// large for one step to change them.
template <class F>
void forEachMultiple(double low, double high, double step, F&& f) {
    const double first = std::ceil(low / step);
    const double count = std::floor(high / step) - first;
    for (double i = 0; i <= count; ++i) f((first + i) * step);
}

}  // namespace

ReferenceAlignment referenceAlignmentFromSamples(const std::vector<double>& chainage, const std::vector<double>& X,
                                                 const std::vector<double>& Y, double spacing,
                                                 const std::function<std::string(double)>& label) {
    std::vector<double> c;
    ReferenceAlignment out = lineOf(chainage, X, Y, c);
    if (out.line.size() < 2 || !std::isfinite(spacing) || !(spacing > 0)) return out;
    TickPlacer ticks(out, c);
    forEachMultiple(c.front(), c.back(), spacing, [&](double at) { ticks.place(at, label ? label(at) : std::string()); });
    return out;
}

ReferenceAlignment referenceAlignmentFromSamples(const std::vector<double>& chainage, const std::vector<double>& X,
                                                 const std::vector<double>& Y, const ChainBreakTable& breaks,
                                                 double spacing) {
    std::vector<double> c;
    ReferenceAlignment out = lineOf(chainage, X, Y, c);
    if (out.line.size() < 2 || !std::isfinite(spacing) || !(spacing > 0)) return out;
    const std::optional<std::vector<RoundStake>> stakes =
        roundStakes(breaks, c.front(), c.back(), spacing, MAX_REFERENCE_TICKS);
    if (!stakes) return out;  // a road too long to tick: the line alone
    TickPlacer ticks(out, c);
    for (const RoundStake& r : *stakes) ticks.place(r.chainage, formatStake(breaks, r.stake, 0));
    return out;
}

}  // namespace gradix
