// The exports of the views: a picture of the profile or the plan view (PNG,
// SVG or PDF) and the profile sheet (纵断面图, DXF). Each asks for its file
// through UserInterface, never writes over a file the project was read from,
// and says what it wrote for the status line. The picture itself is drawn by
// the view behind PictureSource.
#pragma once

#include <optional>
#include <string>

#include "commands/outcome.h"
#include "commands/project.h"
#include "commands/userinterface.h"
#include "sheets/sheetlayout.h"

namespace gradix {

inline constexpr FileDialog PROFILE_SHEET_DIALOG{"profileSheetDialog", "导出纵断面图",
                                                 "DXF文件(*.dxf)|*.dxf|所有文件(*.*)|*.*"};
inline constexpr FileDialog VIEW_PICTURE_DIALOG{
    "viewPictureDialog", "导出图片", "PNG图片(*.png)|*.png|SVG图形(*.svg)|*.svg|PDF文档(*.pdf)|*.pdf"};
// The text of the box "错误" of a failed export.
inline constexpr const char* EXPORT_FAILED_TEXT = "导出失败！";

// A view that can be written as a picture (the window's profile or plan view).
class PictureSource {
public:
    virtual ~PictureSource() = default;
    // What the picture shows, for the status line: "纵断面", "平面".
    virtual std::string pictureName() const = 0;
    // Whether there is anything to write.
    virtual bool hasPicture() const = 0;
    // Writes the picture to path at 1:scale on paper; "" when written, else
    // why not (in Chinese).
    virtual std::string writePicture(const std::string& path, double scale) = 0;
};

// What an output (an export, a table) wrote: the file and the status line
// that says so.
struct OutputWritten {
    std::string file;
    std::string status;
    // Of a drawing of sheets: the first sheet's frame (mm), which the drawing
    // window shows when it opens the file.
    std::optional<SheetRect> frame;
};

// "导出图片…": asks for a file (VIEW_PICTURE_DIALOG) and writes the picture of
// view at 1:scale. Cancelled when the dialog is cancelled or there is no
// picture; Failed ("导出失败！" with the reason) for a file the project was
// read from or a picture that cannot be written. Done: written holds the
// file and "已导出纵断面图片（1:2000）：NAME".
Outcome exportViewPicture(const Project& project, UserInterface& ui, PictureSource& view, double scale,
                          OutputWritten& written);

// "导出纵断面图…": asks for a DXF file (PROFILE_SHEET_DIALOG) and writes the
// profile sheets (A3, 1:2000 and 1:200, side by side in one drawing; the plan
// band with an alignment, the 超高 band with a surface loaded). Cancelled when the dialog is cancelled
// or no profile is loaded; Failed ("导出失败！" with the reason) for a file
// the project was read from or a sheet that cannot be written. Done: written
// holds the file, "已导出N个变坡点的纵断面图：NAME" and the first sheet's frame.
Outcome exportProfileSheet(const Project& project, UserInterface& ui, OutputWritten& written);

// The status line after a file was written: "已写入N个WHAT：NAME"
// (WHAT as "桩号的逐桩坐标表"), the file by its name.
std::string writtenStatus(std::size_t count, const std::string& what, const std::string& file);

}  // namespace gradix
