#include "setout/stakestable.h"

#include <algorithm>
#include <cmath>

#include "text/failures.h"
#include "text/numbers.h"
#include "text/messages.h"

namespace gradix {

namespace {

// Two places nearer than this (m) along the road are one row.
constexpr double SAME_PLACE = MIN_STAKE_INTERVAL;
constexpr double HALF = 0.5;
// Columns: decimals of coordinates, elevations and grades, and widths.
constexpr int COORDINATE_DECIMALS = 3;
constexpr int ELEVATION_DECIMALS = 4;
constexpr int GRADE_DECIMALS = 4;
constexpr double STAKE_WIDTH = 16, NUMBER_WIDTH = 14, BEARING_WIDTH = 16, NAME_WIDTH = 8;

bool isSpiral(ElementKind k) {
    return k == ElementKind::EnteringSpiral || k == ElementKind::ExitSpiral || k == ElementKind::PartialSpiral;
}

using Place = StakePlace;

// The regular stakes of one stretch: the whole numbers m from first to last
// whose m × every of stake lies in the range; shift is stake value minus
// chainage in the stretch.
struct StretchRun {
    int stretch;
    long long first, last;
    double shift;
};

// Stake numbers m from here on are no longer all whole doubles: m + 1 may
// round to m, and a loop over them would never end.
constexpr double MOST_STAKE_NUMBER = 9007199254740992.0;  // 2^53

// The runs of regular stakes of every stretch within from to to, counted in
// whole numbers. Break k lies where the value carried past the breaks before
// it reaches its back stake; stretch k+1 numbers on from its ahead stake.
// Raises DataError for stake numbers beyond MOST_STAKE_NUMBER and for more
// than MAX_STAKE_TABLE_ROWS stakes in all.
std::vector<StretchRun> regularStakeRuns(const ChainBreakTable& breaks, double from, double to, double every) {
    const int breakCount = breaksInForce(breaks);
    std::vector<StretchRun> runs;
    long long count = 0;
    double shift = 0.0;
    double stretchStart = -INFINITY;
    for (int k = 1; k <= breakCount + 1; ++k) {
        const double stretchEnd = k <= breakCount ? breaks.breakBackStake[k] - shift : INFINITY;
        const double low = std::max({from, stretchStart}), high = std::min(to, stretchEnd);
        if (low <= high) {
            const double first = std::ceil((low + shift) / every), last = std::floor((high + shift) / every);
            if (!(std::fabs(first) < MOST_STAKE_NUMBER && std::fabs(last) < MOST_STAKE_NUMBER))
                throw DataError(msg::tooManyRows(every, MAX_STAKE_TABLE_ROWS));
            if (first <= last) {
                runs.push_back({k, static_cast<long long>(first), static_cast<long long>(last), shift});
                count += runs.back().last - runs.back().first + 1;
                if (static_cast<double>(count) > MAX_STAKE_TABLE_ROWS)
                    throw DataError(msg::tooManyRows(every, MAX_STAKE_TABLE_ROWS));
            }
        }
        if (k <= breakCount) {
            shift += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
            stretchStart = stretchEnd;
        }
    }
    return runs;
}

std::string offsetName(double d) {
    return std::string(d < 0.0 ? "左" : "右") + shortDecimal(std::fabs(d));
}

}  // namespace

std::string jointName(ElementKind before, ElementKind after) {
    const bool fromLine = before == ElementKind::Line, toLine = after == ElementKind::Line;
    const bool fromArc = before == ElementKind::Arc, toArc = after == ElementKind::Arc;
    if (fromLine && toLine) return {};
    if (fromLine) return toArc ? "ZY" : "ZH";
    if (toLine) return fromArc ? "YZ" : "HZ";
    if (fromArc && toArc) return "GQ";
    if (fromArc) return "YH";
    if (toArc) return "HY";
    return isSpiral(before) && isSpiral(after) ? POINT_SPIRAL_TO_SPIRAL : "";
}

std::vector<StakePlace> stakePlaces(const Alignment* alignment, const ChainBreakTable& breaks, double start,
                                    double end, double from, double to, double every) {
    if (!(std::isfinite(every) && every > 0.0))
        throw DataError(msg::stakeIntervalNotPositive(every));
    if (!(std::isfinite(from) && std::isfinite(to) && from <= to))
        throw DataError(msg::rangeEmpty(from, to));
    if (every < MIN_STAKE_INTERVAL) throw DataError(msg::stakeIntervalTooSmall(every, MIN_STAKE_INTERVAL));
    const std::vector<StretchRun> runs = regularStakeRuns(breaks, from, to, every);
    const int breakCount = breaksInForce(breaks);
    const auto inRange = [&](double c) { return from <= c && c <= to; };

    std::vector<Place> places;
    // Main points: the start, the joints, the middle of every arc, the end.
    places.push_back({start, stretchStakeOf(breaks, start), POINT_START});
    for (int i = 1; alignment && i <= alignment->elemCount; ++i) {
        const Alignment& al = *alignment;
        const ElementKind kind = elementKind(al.elemStartRadius[i], al.elemEndRadius[i]);
        if (i > 1) {
            const std::string name = jointName(elementKind(al.elemStartRadius[i - 1], al.elemEndRadius[i - 1]), kind);
            if (!name.empty()) places.push_back({al.elemChainage[i], stretchStakeOf(breaks, al.elemChainage[i]), name});
        }
        if (kind == ElementKind::Arc) {
            const double middle = al.elemChainage[i] + HALF * al.elemLength[i];
            places.push_back({middle, stretchStakeOf(breaks, middle), "QZ"});
        }
    }
    places.push_back({end, stretchStakeOf(breaks, end), POINT_END});

    // The regular stakes of each stretch, m × every for the whole numbers m
    // of its run (multiplied, never accumulated), and both sides of every
    // chain break.
    for (const StretchRun& run : runs)
        for (long long m = run.first; m <= run.last; ++m) {
            const double value = static_cast<double>(m) * every;
            places.push_back({value - run.shift, {run.stretch, value}, ""});
        }
    double shift = 0.0;
    for (int k = 1; k <= breakCount; ++k) {
        const double at = breaks.breakBackStake[k] - shift;
        places.push_back({at, {k, breaks.breakBackStake[k]}, POINT_CHAIN_BREAK});
        places.push_back({at, {k + 1, breaks.breakAheadStake[k]}, POINT_CHAIN_BREAK});
        shift += breaks.breakAheadStake[k] - breaks.breakBackStake[k];
    }
    places.erase(std::remove_if(places.begin(), places.end(), [&](const Place& p) { return !inRange(p.chainage); }),
                 places.end());
    std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        return a.chainage != b.chainage ? a.chainage < b.chainage : a.stake.stretch < b.stake.stretch;
    });

    // One row per place and stretch: a regular stake at a named place takes
    // the named place's chainage and adds its name.
    std::vector<Place> merged;
    for (const Place& p : places) {
        bool joined = false;
        for (std::size_t j = merged.size(); j-- > 0 && p.chainage - merged[j].chainage < SAME_PLACE;) {
            Place& q = merged[j];
            if (q.stake.stretch != p.stake.stretch) continue;
            if (q.name.empty()) {
                q.name = p.name;
                q.chainage = p.chainage;
                q.stake = p.stake;
            } else if (!p.name.empty() && q.name != p.name) {
                q.name += "/" + p.name;
            }
            joined = true;
            break;
        }
        if (!joined) merged.push_back(p);
    }
    std::stable_sort(merged.begin(), merged.end(), [](const Place& a, const Place& b) {
        return a.chainage != b.chainage ? a.chainage < b.chainage : a.stake.stretch < b.stake.stretch;
    });

    return merged;
}

RoadRange rangeOnRoad(double start, double end, std::optional<double> from, std::optional<double> to,
                      const ChainBreakTable& breaks) {
    const auto stake = [&](double c) { return formatStake(breaks, stretchStakeOf(breaks, c)); };
    const double a = from.value_or(start), b = to.value_or(end);
    RoadRange range{std::max(a, start), std::min(b, end), {}};
    if (!(range.from <= range.to)) throw DataError(msg::rangeOffRoad(stake(a), stake(b), stake(start), stake(end)));
    // An end typed as the road's own stake (K151+000 for 150999.99999999994)
    // is the road's end, not beyond it.
    if (a < start - SAME_PLACE || b > end + SAME_PLACE) range.note = msg::rangeClippedToRoad(stake(start), stake(end));
    return range;
}

std::string stakeTableRangeNote(const Alignment& al, const ChainBreakTable& breaks, const StakeTableOptions& options) {
    if (al.elemCount < 1) return {};
    const double start = al.elemChainage[1], end = al.elemChainage[static_cast<std::size_t>(al.elemCount) + 1];
    return rangeOnRoad(start, end, options.fromChainage, options.toChainage, breaks).note;
}

std::optional<std::vector<StakeRow>> stakeTable(const Alignment& al, const ChainBreakTable& breaks,
                                                const Profile* profile, const StakeTableOptions& options,
                                                const Progress& progress) {
    const int n = al.elemCount;
    if (n < 1) throw DataError(msg::NO_ALIGNMENT_ELEMENT);
    const double start = al.elemChainage[1], end = al.elemChainage[static_cast<std::size_t>(n) + 1];
    const RoadRange range = rangeOnRoad(start, end, options.fromChainage, options.toChainage, breaks);
    const std::vector<Place> merged = stakePlaces(&al, breaks, start, end, range.from, range.to, options.every);
    std::vector<StakeRow> rows;
    rows.reserve(merged.size());
    for (std::size_t i = 0; i < merged.size(); ++i) {
        if (progress && i % 1024 == 0 && !progress(i, merged.size())) return std::nullopt;
        const Place& p = merged[i];
        StakeRow row{p.stake, p.chainage, 0.0, 0.0, 0.0, {}, std::nullopt, p.name};
        PointAtChainage(al, p.chainage, row.x, row.y, row.bearing);
        for (double d : options.offsets) row.sides.push_back(sidePoint(row.x, row.y, row.bearing, d));
        row.design = designWithin(profile, p.chainage);
        rows.push_back(std::move(row));
    }
    if (progress) progress(rows.size(), rows.size());
    return rows;
}

Table stakeTableColumns(const std::vector<StakeRow>& rows, const ChainBreakTable& breaks,
                        const std::vector<double>& offsets, bool withProfile) {
    Table t;
    t.title = "逐桩坐标表";
    t.columns.push_back({"桩号", ColumnKind::Text, 0, STAKE_WIDTH});
    t.columns.push_back({"里程(m)", ColumnKind::Number, COORDINATE_DECIMALS, NUMBER_WIDTH});
    t.columns.push_back({"X(m)", ColumnKind::Number, COORDINATE_DECIMALS, NUMBER_WIDTH});
    t.columns.push_back({"Y(m)", ColumnKind::Number, COORDINATE_DECIMALS, NUMBER_WIDTH});
    t.columns.push_back({"方位角", ColumnKind::Bearing, 0, BEARING_WIDTH});
    for (double d : offsets) {
        t.columns.push_back({"边桩" + offsetName(d) + " X(m)", ColumnKind::Number, COORDINATE_DECIMALS, NUMBER_WIDTH});
        t.columns.push_back({"边桩" + offsetName(d) + " Y(m)", ColumnKind::Number, COORDINATE_DECIMALS, NUMBER_WIDTH});
    }
    if (withProfile) {
        t.columns.push_back({"设计高程(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH});
        t.columns.push_back({"纵坡(%)", ColumnKind::Percent, GRADE_DECIMALS, NUMBER_WIDTH});
    }
    t.columns.push_back({"主点", ColumnKind::Text, 0, NAME_WIDTH});
    // Each row built in place with room for its cells: a table of a million
    // stakes is neither copied nor regrown cell by cell.
    t.rows.reserve(rows.size());
    for (const StakeRow& r : rows) {
        std::vector<Cell>& cells = t.rows.emplace_back();
        cells.reserve(t.columns.size());
        cells.push_back(Cell::of(formatStake(breaks, r.stake)));
        for (double v : {r.chainage, r.x, r.y, r.bearing}) cells.push_back(Cell::of(v));
        for (const PlanePoint& s : r.sides) {
            cells.push_back(Cell::of(s.x));
            cells.push_back(Cell::of(s.y));
        }
        if (withProfile) {
            cells.push_back(r.design ? Cell::of(r.design->elevation) : Cell::empty());
            cells.push_back(r.design ? Cell::of(r.design->grade) : Cell::empty());
        }
        cells.push_back(r.mainPoint.empty() ? Cell::empty() : Cell::of(r.mainPoint));
    }
    return t;
}

}  // namespace gradix
