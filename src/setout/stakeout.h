// Stake-out points (放样点) for the field software: the centre stake and
// each side stake of a row, named as the crew calls them (K1+200, K1+200左7.5),
// with the design elevation, and their CSV form 点名,X(北),Y(东),H,编码.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "setout/stakeplaces.h"
#include "setout/stakestable.h"
#include "surface/surface.h"

namespace gradix {

// Codes of the points: the centre stake (or its main-point name) and a side stake.
inline constexpr const char* CODE_CENTRE = "中桩";
inline constexpr const char* CODE_SIDE = "边桩";

// A point to set out: X north, Y east (m), or latitude, longitude (degrees)
// once converted; H (m) when known.
struct StakeoutPoint {
    std::string name;
    double x, y;
    std::optional<double> h;
    std::string code;
};

// The stake as a point's name: the stake in K notation without trailing
// zeros (K1+200, BK2+320.5), then 左 or 右 and the offset for a side stake.
std::string stakeoutName(const std::string& stake, std::optional<double> offset);

// The points of one stake: the centre (code its main-point name, or 中桩)
// with the design elevation, then a side stake per offset (code 边桩) with
// the surface's elevation at it when a surface is given, and none without
// one or beyond the earth shoulder's edge (the centreline's elevation is not
// the side stake's).
void addStakeoutPoints(std::vector<StakeoutPoint>& points, const std::string& stake, double chainage, double x,
                       double y, double bearing, const std::optional<DesignPoint>& design,
                       const std::vector<double>& offsets, const Surface* surface, const std::string& mainPoint);

// The points of the rows of a stake table.
std::vector<StakeoutPoint> stakeoutPointsOfTable(const std::vector<StakeRow>& rows, const ChainBreakTable& breaks,
                                                 const std::vector<double>& offsets, const Surface* surface);

// CSV (UTF-8 with BOM, CR LF, as csvText): 点名,X(北),Y(东),H,编码 with
// coordinates to 0.1 mm, or 点名,B(纬度),L(经度),H,编码 in degrees to 1e-9°
// (latLon).
std::string stakeoutCsv(const std::vector<StakeoutPoint>& points, bool latLon);

}  // namespace gradix
