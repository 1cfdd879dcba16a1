// Exporting a view for a report: PNG (QImage), SVG (QSvgGenerator) or PDF
// (QPdfWriter), chosen by the file's extension, at a paper size in
// millimetres that the view derives from a chosen scale.
#pragma once

#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

class QPainter;

namespace gradix {

enum class ExportFormat { Png, Svg, Pdf };

// Resolution of exported pictures (dots per inch of paper).
inline constexpr int EXPORT_DPI = 200;
// The largest picture an export makes (millimetres of paper a side).
inline constexpr double MAX_EXPORT_MM = 5000;
// The most pixels a PNG export holds (a 1:2000 picture of a long road at
// EXPORT_DPI would take gigabytes).
inline constexpr double MAX_PNG_PIXELS = 64e6;
inline constexpr double MM_PER_INCH = 25.4;

// The format of a file name by its extension (either case), none for another.
std::optional<ExportFormat> exportFormatOf(const QString& path);

// Paints a picture of paper size (mm) into path: paint receives a painter and
// the size of the picture in its device's pixels. Returns "" when the file
// was written, else what went wrong (an unknown extension, a size that is
// empty or beyond MAX_EXPORT_MM, a PNG beyond MAX_PNG_PIXELS, a file that
// could not be written).
QString exportPicture(const QString& path, QSizeF paperMillimetres,
                      const std::function<void(QPainter&, QSizeF)>& paint);

}  // namespace gradix
