#include "surface/superelevationruns.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace gradix {

namespace {

// The slope table's carriageway columns; each side's three columns lie
// together, the left ones first.
constexpr std::size_t LEFT_CARRIAGEWAY = 2, RIGHT_CARRIAGEWAY = 3;

std::size_t index(RunStation s) { return static_cast<std::size_t>(s); }

double carriagewaySlope(const Section& s, Side side) {
    return s.of(side).slope[static_cast<std::size_t>(Component::Carriageway)];
}

// The rows of the slope table as they are built: each side's carriageway
// slope, the shoulders taking it.
class SlopeRows {
public:
    explicit SlopeRows(ChainageTable& table) : table_(table) {}

    void add(double chainage, double left, double right) {
        if (table_.rows() > 0 && !(chainage > table_.chainage(table_.rows() - 1))) return;  // the same row again
        const double row[SLOPE_COLUMNS] = {left, left, left, right, right, right};
        table_.addRow(chainage, row);
    }

private:
    ChainageTable& table_;
};

}  // namespace

std::size_t misplacedStation(const SuperelevationRun& run) {
    for (std::size_t i = 1; i < RUN_STATIONS; ++i) {
        const bool mayMeet = i == index(RunStation::Runoff);
        const double here = run.station[i], before = run.station[i - 1];
        if (mayMeet ? !(here >= before) : !(here > before)) return i;
    }
    return RUN_STATIONS;
}

void setRunSlopes(Surface& surface, const std::vector<SuperelevationRun>& runs, const Section& normal) {
    if (runs.empty()) {
        setUniformSlopes(surface, normal);
        return;
    }
    surface.slopes = ChainageTable(SLOPE_COLUMNS);
    SlopeRows rows(surface.slopes);
    const double crownLeft = carriagewaySlope(normal, Side::Left), crownRight = carriagewaySlope(normal, Side::Right);
    for (const SuperelevationRun& run : runs) {
        const bool rightOuter = !(run.rate < 0.0);
        const double e = std::fabs(run.rate);
        const double innerCrown = rightOuter ? crownLeft : crownRight;
        // A row of the outer and the inner side's slopes.
        const auto add = [&](RunStation s, double outer, double inner) {
            rows.add(run.at(s), rightOuter ? inner : outer, rightOuter ? outer : inner);
        };
        // Where the outer side, rising linearly from level at `level` to +e
        // at `full`, meets the inner side's crown reversed: the section is a
        // plane from there on. None where e does not exceed that crown.
        const auto plane = [&](double level, double full) -> std::optional<double> {
            if (!(e > -innerCrown)) return std::nullopt;
            const double at = level + (full - level) * (-innerCrown / e);
            if (!(std::min(level, full) < at && at < std::max(level, full))) return std::nullopt;
            return at;
        };
        const auto addPlane = [&](std::optional<double> at) {
            if (at) rows.add(*at, rightOuter ? innerCrown : -innerCrown, rightOuter ? -innerCrown : innerCrown);
        };
        rows.add(run.at(RunStation::BeginRunout), crownLeft, crownRight);
        add(RunStation::BeginRunoff, 0.0, innerCrown);
        addPlane(plane(run.at(RunStation::BeginRunoff), run.at(RunStation::FullSuper)));
        add(RunStation::FullSuper, e, -e);
        add(RunStation::Runoff, e, -e);
        addPlane(plane(run.at(RunStation::StartOfRunout), run.at(RunStation::Runoff)));
        add(RunStation::StartOfRunout, 0.0, innerCrown);
        rows.add(run.at(RunStation::EndOfRunout), crownLeft, crownRight);
    }
    surface.slopes.index();
}

SurfaceRuns superelevationRunsOf(const Surface& surface) {
    SurfaceRuns out;
    const ChainageTable& t = surface.slopes;
    const std::size_t n = t.rows();
    const double crownLeft = carriagewaySlope(surface.normal, Side::Left);
    const double crownRight = carriagewaySlope(surface.normal, Side::Right);
    // Each row's carriageway slopes, those a row has no value for
    // interpolated through it.
    std::vector<double> left(n), right(n);
    for (std::size_t r = 0; r < n; ++r) {
        left[r] = t.valueAt(r, LEFT_CARRIAGEWAY, t.chainage(r));
        right[r] = t.valueAt(r, RIGHT_CARRIAGEWAY, t.chainage(r));
    }
    const auto isNormal = [&](std::size_t r) { return left[r] == crownLeft && right[r] == crownRight; };

    for (std::size_t r = 1; r < n; ++r) {
        if (isNormal(r)) continue;
        const std::size_t first = r - 1;
        std::size_t last = r;
        while (last < n && !isNormal(last)) ++last;
        if (last == n) {
            out.notRuns.push_back({t.chainage(first), t.chainage(n - 1)});
            break;
        }
        r = last;

        const bool rightOuter = *std::max_element(right.begin() + first, right.begin() + last + 1) >=
                                *std::max_element(left.begin() + first, left.begin() + last + 1);
        const std::vector<double>& outer = rightOuter ? right : left;
        const std::vector<double>& inner = rightOuter ? left : right;
        const double e = *std::max_element(outer.begin() + first, outer.begin() + last + 1);
        // Where the outer side is level between row a (below) and row b.
        const auto level = [&](std::size_t a, std::size_t b) {
            if (outer[b] == 0.0) return t.chainage(b);
            if (outer[a] == 0.0) return t.chainage(a);
            return t.chainage(a) + (t.chainage(b) - t.chainage(a)) * (-outer[a] / (outer[b] - outer[a]));
        };
        std::size_t up = first + 1, down = last - 1;
        while (up < last && !(outer[up] >= 0.0)) ++up;
        while (down > first && !(outer[down] >= 0.0)) --down;
        std::optional<std::size_t> fullFrom, fullTo;
        for (const bool planeOnly : {true, false}) {
            for (std::size_t i = first + 1; i < last; ++i)
                if (outer[i] == e && (!planeOnly || inner[i] == -e)) {
                    if (!fullFrom) fullFrom = i;
                    fullTo = i;
                }
            if (fullFrom) break;
        }
        if (!(e >= 0.0) || up == last || !fullFrom) {
            out.notRuns.push_back({t.chainage(first), t.chainage(last)});
            continue;
        }
        SuperelevationRun run;
        run.rate = rightOuter ? e : -e;
        run.at(RunStation::BeginRunout) = t.chainage(first);
        run.at(RunStation::BeginRunoff) = level(up - 1, up);
        run.at(RunStation::FullSuper) = t.chainage(*fullFrom);
        run.at(RunStation::Runoff) = t.chainage(*fullTo);
        run.at(RunStation::StartOfRunout) = level(down + 1, down);
        run.at(RunStation::EndOfRunout) = t.chainage(last);
        if (misplacedStation(run) < RUN_STATIONS)
            out.notRuns.push_back({t.chainage(first), t.chainage(last)});
        else
            out.runs.push_back(run);
    }
    return out;
}

}  // namespace gradix
