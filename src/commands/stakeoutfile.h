// The stake-out file (放样点文件) the field software imports: the points in
// the project's grid, X(北) and Y(东), or converted into the crew's system.
#pragma once

#include <string>
#include <vector>

#include "setout/fieldsystems.h"
#include "setout/stakeout.h"

namespace gradix {

// Writes the points to path, by its extension: ".xml" (any case) LandXML
// CgPoints in the project's grid (with latitude and longitude attributes when
// outCrs is geographic), anything else CSV 点名,X(北),Y(东),H,编码 (or
// 点名,B(纬度),L(经度),H,编码). The points go back through the fit and into
// outCrs first (FieldSystems). Nothing is written when a point fails.
// Raises DataError (a point outside a system's area, a system PROJ does not
// know) and the failures of writing.
void writeStakeoutFile(const std::string& path, const std::vector<StakeoutPoint>& points,
                       const FieldSystems& systems);

}  // namespace gradix
