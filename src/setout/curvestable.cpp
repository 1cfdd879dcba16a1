#include "setout/curvestable.h"

namespace gradix {

namespace {
constexpr double HALF = 0.5;
constexpr int LENGTH_DECIMALS = 3;
constexpr int ELEVATION_DECIMALS = 4;
constexpr int GRADE_DECIMALS = 4;
constexpr double NUMBER_WIDTH = 12, STAKE_WIDTH = 16, NARROW_WIDTH = 6;
}  // namespace

std::vector<CurveRow> verticalCurveTable(const Profile& p, const ChainBreakTable& breaks) {
    std::vector<CurveRow> rows;
    const int n = p.gradePointCount;
    for (int i = 1; i <= n; ++i) {
        CurveRow r{};
        r.number = i;
        r.chainage = p.gradePointChainage[i];
        r.stake = stretchStakeOf(breaks, r.chainage);
        r.elevation = p.gradePointElevation[i];
        if (i > 1) r.gradeIn = p.segmentGrade[i - 1];
        if (i < n) {
            r.gradeOut = p.segmentGrade[i];
            r.slopeLength = p.gradePointChainage[i + 1] - p.gradePointChainage[i];
        }
        const double radius = p.curveRadius[i], tangent = p.tangentLength[i];
        if (i > 1 && i < n && radius > 0.0 && tangent > 0.0) {
            r.radius = radius;
            r.tangent = tangent;
            r.external = tangent * tangent * HALF / radius;
            r.curveStart = stretchStakeOf(breaks, r.chainage - tangent);
            r.curveEnd = stretchStakeOf(breaks, p.curveEndChainage[i]);
            r.kind = p.gradeChange[i] < 0.0 ? CREST : SAG;
        }
        rows.push_back(r);
    }
    return rows;
}

Table curveTableColumns(const std::vector<CurveRow>& rows, const ChainBreakTable& breaks) {
    Table t;
    t.title = "竖曲线表";
    t.columns = {{"序号", ColumnKind::Number, 0, NARROW_WIDTH},
                 {"桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"里程(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {"高程(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH},
                 {"半径R(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {"切线长T(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH},
                 {"外距E(m)", ColumnKind::Number, ELEVATION_DECIMALS, NUMBER_WIDTH},
                 {"进坡(%)", ColumnKind::Percent, GRADE_DECIMALS, NUMBER_WIDTH},
                 {"出坡(%)", ColumnKind::Percent, GRADE_DECIMALS, NUMBER_WIDTH},
                 {"起点桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"终点桩号", ColumnKind::Text, 0, STAKE_WIDTH},
                 {"凹凸", ColumnKind::Text, 0, NARROW_WIDTH},
                 {"坡长(m)", ColumnKind::Number, LENGTH_DECIMALS, NUMBER_WIDTH}};
    const auto number = [](const std::optional<double>& v) { return v ? Cell::of(*v) : Cell::empty(); };
    const auto stake = [&](const std::optional<StretchStake>& s) {
        return s ? Cell::of(formatStake(breaks, *s)) : Cell::empty();
    };
    for (const CurveRow& r : rows)
        t.rows.push_back({Cell::of(static_cast<double>(r.number)), Cell::of(formatStake(breaks, r.stake)),
                          Cell::of(r.chainage), Cell::of(r.elevation), number(r.radius), number(r.tangent),
                          number(r.external), number(r.gradeIn), number(r.gradeOut), stake(r.curveStart),
                          stake(r.curveEnd), r.kind.empty() ? Cell::empty() : Cell::of(r.kind),
                          number(r.slopeLength)});
    return t;
}

}  // namespace gradix
