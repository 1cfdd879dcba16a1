#include "setout/stakeout.h"

#include <cmath>

#include "stakes/stakes.h"
#include "text/numbers.h"

namespace gradix {

namespace {

constexpr int COORDINATE_DECIMALS = 4;
constexpr int DEGREE_DECIMALS = 9;
constexpr int HEIGHT_DECIMALS = 4;
constexpr double NAME_WIDTH = 18, NUMBER_WIDTH = 16;

std::string withoutTrailingZeros(std::string text) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos) return text;
    const std::size_t last = text.find_last_not_of('0');
    text.erase(last == point ? point : last + 1);
    return text;
}

}  // namespace

std::string stakeoutName(const std::string& stake, std::optional<double> offset) {
    std::string name = withoutTrailingZeros(stake);
    if (offset) name += (*offset < 0.0 ? "左" : "右") + shortestText(std::fabs(*offset));
    return name;
}

void addStakeoutPoints(std::vector<StakeoutPoint>& points, const std::string& stake, double chainage, double x,
                       double y, double bearing, const std::optional<DesignPoint>& design,
                       const std::vector<double>& offsets, const Surface* surface, const std::string& mainPoint) {
    std::optional<double> h;
    if (design) h = design->elevation;
    points.push_back({stakeoutName(stake, std::nullopt), x, y, h, mainPoint.empty() ? CODE_CENTRE : mainPoint});
    const std::optional<Section> section =
        surface && design ? std::optional<Section>(sectionAt(*surface, chainage)) : std::nullopt;
    for (double d : offsets) {
        const PlanePoint side = sidePoint(x, y, bearing, d);
        std::optional<double> sideH;
        if (section) {
            const SurfacePoint p = surfacePointOf(*surface, *section, design->elevation, d);
            if (!p.beyondEdge) sideH = p.elevation;
        }
        points.push_back({stakeoutName(stake, d), side.x, side.y, sideH, CODE_SIDE});
    }
}

std::vector<StakeoutPoint> stakeoutPointsOfTable(const std::vector<StakeRow>& rows, const ChainBreakTable& breaks,
                                                 const std::vector<double>& offsets, const Surface* surface) {
    std::vector<StakeoutPoint> points;
    points.reserve(rows.size() * (offsets.size() + 1));
    for (const StakeRow& r : rows)
        addStakeoutPoints(points, formatStake(breaks, r.stake), r.chainage, r.x, r.y, r.bearing, r.design, offsets,
                          surface, r.mainPoint);
    return points;
}

std::string stakeoutCsv(const std::vector<StakeoutPoint>& points, bool latLon) {
    const int decimals = latLon ? DEGREE_DECIMALS : COORDINATE_DECIMALS;
    Table t;
    t.columns = {{"点名", ColumnKind::Text, 0, NAME_WIDTH},
                 {latLon ? "B(纬度)" : "X(北)", ColumnKind::Number, decimals, NUMBER_WIDTH},
                 {latLon ? "L(经度)" : "Y(东)", ColumnKind::Number, decimals, NUMBER_WIDTH},
                 {"H", ColumnKind::Number, HEIGHT_DECIMALS, NUMBER_WIDTH},
                 {"编码", ColumnKind::Text, 0, NAME_WIDTH}};
    t.rows.reserve(points.size());
    for (const StakeoutPoint& p : points)
        t.rows.push_back({Cell::of(p.name), Cell::of(p.x), Cell::of(p.y), p.h ? Cell::of(*p.h) : Cell::empty(),
                          Cell::of(p.code)});
    return csvText(t);
}

}  // namespace gradix
