// The longitudinal profile sheets (纵断面图) as DXF drawings (AutoCAD 2018,
// UTF-8), as they are handed over: one sheet of paper (A3 unless told) per
// stretch of road that fits at the scales, each with its frame, title block
// (工程名称, 图名 纵断面图, 桩号范围, 比例, 图号 N/M, 日期) and its own
// elevation scale; above the line the grade points with stake and
// elevation, the vertical curves with R, T, E and the chain-break notes;
// under the grid the bands 地面高程, 设计高程, 填挖高度, 坡度/坡长, 里程桩号,
// 直线及平曲线 and 超高. The sheets stand side by side in model space, or
// one per file.
//
// Drawing units are millimetres of paper. On a sheet a road point (chainage
// c, elevation e, metres) stands at x = X0 + (c - originChainage) · 1000 /
// horizontalScale, y = Y0 + (e - originElevation) · 1000 / verticalScale; the
// note in the sheet's top margin reads "原点 X=… Y=… 里程=… 高程=…
// 横向比例=1:… 竖向比例=1:…" so that the sheet can be measured back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "profile/profile.h"
#include "setout/subgradetable.h"
#include "sheets/sheetlayout.h"
#include "stakes/chainbreaks.h"
#include "surface/surface.h"

namespace gradix {

inline constexpr double DEFAULT_HORIZONTAL_SCALE = 2000;  // 1:2000
inline constexpr double DEFAULT_VERTICAL_SCALE = 200;     // 1:200
inline constexpr double DEFAULT_BAND_STAKE_STEP = 20.0;   // m of stake between the bands' regular stakes

// The layers of the sheets.
inline constexpr const char* SHEET_FRAME_LAYER = "图框";
inline constexpr const char* SHEET_BAND_FRAME_LAYER = "资料栏";
inline constexpr const char* SHEET_GRID_LAYER = "纵断面网格";
inline constexpr const char* SHEET_DESIGN_LAYER = "纵断面设计线";
inline constexpr const char* SHEET_GROUND_LAYER = "地面线";
inline constexpr const char* SHEET_CURVE_LAYER = "竖曲线要素";
inline constexpr const char* SHEET_BREAK_LAYER = "断链";
inline constexpr const char* SHEET_NOTE_LAYER = "图名及说明";
// The texts and lines of each band on a layer of its own, by ProfileBand.
inline constexpr const char* SHEET_BAND_LAYERS[PROFILE_BANDS] = {"地面高程", "设计高程", "填挖高度", "坡度坡长",
                                                                 "里程桩号", "直线及平曲线", "超高"};

struct ProfileSheetOptions {
    double horizontalScale = DEFAULT_HORIZONTAL_SCALE;  // metres of road per metre of paper, along
    double verticalScale = DEFAULT_VERTICAL_SCALE;      // and up
    std::optional<double> fromChainage;                 // m; the whole profile when absent
    std::optional<double> toChainage;
    PaperSize paper = PaperSize::A3;
    double every = DEFAULT_BAND_STAKE_STEP;             // m of stake, > 0
    std::string projectName;                            // 工程名称 of the title block
    std::string date;                                   // 日期 of the title block
    bool split = false;                                 // one file per sheet
};

// What the sheets are drawn from: the profile and its chain breaks, and
// where given the alignment (the plan band), the surface (the 超高 band) and
// the ground line (the ground line, 地面高程 and 填挖高度).
struct ProfileSheetSource {
    const Profile& profile;
    const ChainBreakTable& breaks;
    const Alignment* alignment = nullptr;
    const Surface* surface = nullptr;
    const GroundLine* ground = nullptr;
};

// The origin and scales of a sheet, as its note states them.
struct ProfileSheetFrame {
    double originX = 0, originY = 0;  // mm of model space at the origin
    double originChainage = 0;        // m at x = originX
    double originElevation = 0;       // m at y = originY
    double horizontalScale = DEFAULT_HORIZONTAL_SCALE;
    double verticalScale = DEFAULT_VERTICAL_SCALE;
};

// One sheet: its number (1-based), the stretch it draws (m of chainage), its
// paper and frame in model space (mm), and its origin.
struct ProfileSheetPage {
    int number = 1;
    double fromChainage = 0, toChainage = 0;
    SheetRect paper, frame;
    ProfileSheetFrame origin;
};

struct ProfileSheets {
    std::vector<ProfileSheetPage> pages;
    std::vector<std::string> dxf;     // one drawing of every sheet, or one per sheet with split
    std::vector<std::string> notes;   // the labels left out for want of room (msg::sheetLabelLeftOut)
};

// Draws the sheets. Raises DataError for scales that are not finite positive
// numbers, a stake step that is not, a range that is not a stretch of the
// road, a stretch whose rise does not fit into a sheet at the vertical
// scale, a road of more sheets than a drawing takes, a title text too long
// for its cell, and every failure of buildProfileModel.
ProfileSheets profileSheets(const ProfileSheetSource& source, const ProfileSheetOptions& options);

// The file of sheet number (1-based) of a split set written to path: the
// sheet's number after a hyphen before the extension ("profile.dxf" gives
// "profile-1.dxf", "profile-2.dxf", ...; without an extension ".dxf").
std::string splitSheetPath(const std::string& path, int number);

// The files of the sheets written to path: path itself, or with split one
// per sheet (splitSheetPath).
std::vector<std::string> profileSheetFiles(const std::string& path, std::size_t sheets, bool split);

// Writes the drawings of sheets to files (profileSheetFiles, as many as
// sheets.dxf), each through a temporary file beside it, so that a failure
// leaves a file there whole. Raises FileAccessError for an empty path and
// DataError (located at the file) when a file cannot be written.
void writeProfileSheets(const std::vector<std::string>& files, const ProfileSheets& sheets);

}  // namespace gradix
