// The vertical-curve table (竖曲线表): one row per grade point.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "setout/stakeplaces.h"
#include "setout/table.h"
#include "stakes/chainbreaks.h"

namespace gradix {

inline constexpr const char* CREST = "凸";
inline constexpr const char* SAG = "凹";

struct CurveRow {
    int number;                          // 1..n
    double chainage;                     // m, of the grade point
    StretchStake stake;
    double elevation;                    // m
    // The vertical curve, where the grade point has one (R > 0, a grade change):
    std::optional<double> radius;        // R (m)
    std::optional<double> tangent;       // T (m)
    std::optional<double> external;      // E = T²/2R (m)
    std::optional<StretchStake> curveStart, curveEnd;  // at K − T and K + T
    std::string kind;                    // 凸 (the grade falls) or 凹 (it rises)
    std::optional<double> gradeIn;       // ratio, from the point before
    std::optional<double> gradeOut;      // ratio, to the point after
    std::optional<double> slopeLength;   // m, horizontal distance to the next grade point (坡长)
};

// The rows of a prepared profile, stakes in the numbering of breaks.
// Raises DataError for a table of chain breaks whose count is out of range.
std::vector<CurveRow> verticalCurveTable(const Profile& profile, const ChainBreakTable& breaks);

// The rows as a table: 序号, 桩号, 里程, 高程, R, T, E, 进坡, 出坡, 起点桩号,
// 终点桩号, 凹凸, 坡长.
Table curveTableColumns(const std::vector<CurveRow>& rows, const ChainBreakTable& breaks);

}  // namespace gradix
