// The longitudinal profile sheet (纵断面图) as a DXF drawing (AutoCAD 2018,
// UTF-8): the grid with its elevations, the design line as a polyline on the
// design elevations, the vertical-curve labels, the band of grades and slope
// lengths, the band of stakes, the chain-break notes, and a note of the
// scales and of the origin.
//
// Drawing units are millimetres of paper. A road point (chainage c, elevation
// e, metres) stands at x = (c - originChainage) · 1000 / horizontalScale,
// y = (e - originElevation) · 1000 / verticalScale; the note on the sheet
// reads "原点 里程=… 高程=… 横向比例=1:… 竖向比例=1:…" so that the sheet can
// be measured back.
#pragma once

#include <optional>
#include <string>

#include "profile/profile.h"
#include "stakes/chainbreaks.h"

namespace gradix {

inline constexpr double DEFAULT_HORIZONTAL_SCALE = 2000;  // 1:2000
inline constexpr double DEFAULT_VERTICAL_SCALE = 200;     // 1:200

// The layers of the sheet and its text style (the style of the annotations).
inline constexpr const char* SHEET_GRID_LAYER = "纵断面网格";
inline constexpr const char* SHEET_DESIGN_LAYER = "纵断面设计线";
inline constexpr const char* SHEET_CURVE_LAYER = "竖曲线要素";
inline constexpr const char* SHEET_GRADE_LAYER = "坡度坡长";
inline constexpr const char* SHEET_STAKE_LAYER = "里程桩号";
inline constexpr const char* SHEET_BREAK_LAYER = "断链";
inline constexpr const char* SHEET_NOTE_LAYER = "图名及说明";
inline constexpr const char* SHEET_TEXT_STYLE = "jp";
inline constexpr const char* SHEET_FONT = "fsdb_e.shx";
inline constexpr const char* SHEET_BIG_FONT = "fsdb.shx";

struct ProfileSheetOptions {
    double horizontalScale = DEFAULT_HORIZONTAL_SCALE;  // metres of road per metre of paper, along
    double verticalScale = DEFAULT_VERTICAL_SCALE;      // and up
    std::optional<double> fromChainage;                 // m; the whole profile when absent
    std::optional<double> toChainage;
};

// The origin and scales of a sheet, as its note states them.
struct ProfileSheetFrame {
    double originChainage = 0;   // m at x = 0
    double originElevation = 0;  // m at y = 0
    double horizontalScale = DEFAULT_HORIZONTAL_SCALE;
    double verticalScale = DEFAULT_VERTICAL_SCALE;
};

// The DXF text of the sheet of a prepared profile. Raises DataError for
// scales that are not finite positive numbers, a range that is not a
// stretch of the road, and every failure of buildProfileModel.
std::string profileSheetDxf(const Profile& profile, const ChainBreakTable& breaks,
                            const ProfileSheetOptions& options, ProfileSheetFrame* frame = nullptr);

// Writes the sheet to path through a temporary file beside it, so that a
// failure leaves a file there whole. Raises FileAccessError for an empty path
// and DataError when the file cannot be written or the sheet not made.
void writeProfileSheet(const std::string& path, const Profile& profile, const ChainBreakTable& breaks,
                       const ProfileSheetOptions& options);

}  // namespace gradix
