#include "setout/subgradetable.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "setout/stakestable.h"
#include "stakes/stakes.h"
#include "text/failures.h"
#include "text/filekind.h"
#include "text/messages.h"
#include "text/numbers.h"
#include "text/textfile.h"

namespace gradix {

namespace {

constexpr int ELEVATION_DECIMALS = 3;
constexpr int WIDTH_DECIMALS = 3;
constexpr int SLOPE_DECIMALS = 2;
constexpr double STAKE_WIDTH = 16, NUMBER_WIDTH = 11, NAME_WIDTH = 8;
// Fields of a ground-line row: the stake and the elevation.
constexpr std::size_t GROUND_FIELDS = 2;

}  // namespace

std::optional<double> GroundLine::at(double c) const {
    if (chainage.empty() || !(c >= chainage.front() && c <= chainage.back())) return std::nullopt;
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(chainage.begin(), chainage.end(), c) - chainage.begin());
    if (i >= chainage.size()) return elevation.back();
    const std::size_t a = i - 1;
    return elevation[a] + (elevation[i] - elevation[a]) * ((c - chainage[a]) / (chainage[i] - chainage[a]));
}

GroundLine readGroundLine(const std::string& path, const ChainBreakTable& breaks, ReadReport* report) {
    GroundLine ground;
    readLooseRows(path, report, [&](const std::vector<std::string>& fields, long) {
        if (fields.size() != GROUND_FIELDS)
            throw DataError(msg::sectionFieldCount(msg::GROUND_ROW, fields.size(), "2"));
        const double c = chainageOfStakeField(breaks, fields[0]);
        const std::optional<double> z = parseStrictNumber(fields[1]);
        if (!z) throw DataError(msg::sectionValueNotNumber(msg::GROUND_ELEVATION, fields[1]));
        requireFinite(*z, msg::GROUND_ELEVATION);
        if (!ground.chainage.empty() && !(c > ground.chainage.back()))
            throw DataError(msg::rowNotAhead(c, ground.chainage.back()));
        ground.chainage.push_back(c);
        ground.elevation.push_back(*z);
    });
    if (ground.chainage.empty() && !(report && report->checkMode)) {
        DataError e(msg::sectionFileEmpty(msg::GROUND_ROW));
        e.locate(path);
        throw e;
    }
    return ground;
}

std::optional<std::vector<SubgradeRow>> subgradeRows(const Surface& surface, const Profile& profile,
                                                     const ChainBreakTable& breaks, const Alignment* alignment,
                                                     const SubgradeTableOptions& options, const GroundLine* ground,
                                                     const Progress& progress) {
    const int points = profile.gradePointCount;
    if (points < 1) throw DataError(msg::PROFILE_FILE_EMPTY);
    double start = profile.gradePointChainage[1], end = profile.gradePointChainage[points];
    if (alignment && alignment->elemCount >= 1) {
        start = std::max(start, alignment->elemChainage[1]);
        end = std::min(end, alignment->elemChainage[static_cast<std::size_t>(alignment->elemCount) + 1]);
    }
    // The table covers where the road has both its line and its profile.
    const double from = std::max(options.fromChainage.value_or(start), start);
    const double to = std::min(options.toChainage.value_or(end), end);
    const std::vector<StakePlace> places = stakePlaces(alignment, breaks, start, end, from, to, options.every);

    std::vector<SubgradeRow> rows;
    rows.reserve(places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (progress && i % 1024 == 0 && !progress(i, places.size())) return std::nullopt;
        const StakePlace& p = places[i];
        SubgradeRow row;
        row.stake = p.stake;
        row.chainage = p.chainage;
        row.mainPoint = p.name;
        row.designElevation = DesignElevation(profile, p.chainage);
        if (ground) row.ground = ground->at(p.chainage);
        row.section = sectionAt(surface, p.chainage);
        const SideSection& left = row.section.of(Side::Left);
        const SideSection& right = row.section.of(Side::Right);
        const double leftEdge = left.width[0] + left.width[1], rightEdge = right.width[0] + right.width[1];
        const double offsets[5] = {-left.totalWidth(), -leftEdge, 0.0, rightEdge, right.totalWidth()};
        // On a design line at 0 the surface's elevations are the heights
        // against the design elevation, without the rounding of a difference.
        for (std::size_t k = 0; k < 5; ++k)
            row.edgeHeights[k] = surfacePointOf(surface, row.section, 0.0, offsets[k]).elevation;
        rows.push_back(std::move(row));
    }
    if (progress) progress(rows.size(), rows.size());
    return rows;
}

Table subgradeTableColumns(const std::vector<SubgradeRow>& rows, const ChainBreakTable& breaks, bool withGround) {
    Table t;
    t.title = "路基设计表";
    const auto number = [&](std::string header, int decimals) {
        t.columns.push_back({std::move(header), ColumnKind::Number, decimals, NUMBER_WIDTH});
    };
    t.columns.push_back({"桩号", ColumnKind::Text, 0, STAKE_WIDTH});
    number("里程", ELEVATION_DECIMALS);
    number("设计高程", ELEVATION_DECIMALS);
    if (withGround) {
        number("地面高程", ELEVATION_DECIMALS);
        number("填高", ELEVATION_DECIMALS);
        number("挖深", ELEVATION_DECIMALS);
    }
    // Widths from the left subgrade edge to the right one, as the section reads.
    number("左路基宽度", WIDTH_DECIMALS);
    for (std::size_t c = COMPONENTS; c-- > 0;) number(std::string("左") + componentName(Component(c)), WIDTH_DECIMALS);
    for (std::size_t c = 0; c < COMPONENTS; ++c) number(std::string("右") + componentName(Component(c)), WIDTH_DECIMALS);
    number("右路基宽度", WIDTH_DECIMALS);
    t.columns.push_back({"左行车道横坡", ColumnKind::Percent, SLOPE_DECIMALS, NUMBER_WIDTH});
    t.columns.push_back({"右行车道横坡", ColumnKind::Percent, SLOPE_DECIMALS, NUMBER_WIDTH});
    for (const char* edge : {"左路基边缘", "左行车道边缘", "中线", "右行车道边缘", "右路基边缘"})
        number(std::string(edge) + "与设计高之差", ELEVATION_DECIMALS);
    if (withGround) number("施工时中桩填挖", ELEVATION_DECIMALS);
    t.columns.push_back({"主点", ColumnKind::Text, 0, NAME_WIDTH});

    t.rows.reserve(rows.size());
    for (const SubgradeRow& r : rows) {
        std::vector<Cell> cells;
        cells.reserve(t.columns.size());
        cells.push_back(Cell::of(formatStake(breaks, r.stake)));
        cells.push_back(Cell::of(r.chainage));
        cells.push_back(Cell::of(r.designElevation));
        if (withGround) {
            if (r.ground) {
                const double fill = r.designElevation - *r.ground;
                cells.push_back(Cell::of(*r.ground));
                cells.push_back(fill > 0.0 ? Cell::of(fill) : Cell::empty());
                cells.push_back(fill < 0.0 ? Cell::of(-fill) : Cell::empty());
            } else {
                cells.insert(cells.end(), 3, Cell::empty());
            }
        }
        const SideSection& left = r.section.of(Side::Left);
        const SideSection& right = r.section.of(Side::Right);
        cells.push_back(Cell::of(left.totalWidth()));
        for (std::size_t c = COMPONENTS; c-- > 0;) cells.push_back(Cell::of(left.width[c]));
        for (std::size_t c = 0; c < COMPONENTS; ++c) cells.push_back(Cell::of(right.width[c]));
        cells.push_back(Cell::of(right.totalWidth()));
        cells.push_back(Cell::of(left.slope[static_cast<std::size_t>(Component::Carriageway)]));
        cells.push_back(Cell::of(right.slope[static_cast<std::size_t>(Component::Carriageway)]));
        for (double h : r.edgeHeights) cells.push_back(Cell::of(h));
        if (withGround) {
            // The centreline as built (the design elevation moved by the
            // rotation about the pivot) against the ground: positive fill.
            cells.push_back(r.ground ? Cell::of(r.designElevation + r.edgeHeights[2] - *r.ground) : Cell::empty());
        }
        cells.push_back(Cell::of(r.mainPoint));
        t.rows.push_back(std::move(cells));
    }
    return t;
}

}  // namespace gradix
