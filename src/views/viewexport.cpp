#include "views/viewexport.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>

namespace gradix {

namespace {

constexpr double INCHES_PER_METRE = 1000.0 / MM_PER_INCH;

}  // namespace

std::optional<ExportFormat> exportFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "png") return ExportFormat::Png;
    if (suffix == "svg") return ExportFormat::Svg;
    if (suffix == "pdf") return ExportFormat::Pdf;
    return std::nullopt;
}

QString exportPicture(const QString& path, QSizeF paper, const std::function<void(QPainter&, QSizeF)>& paint) {
    const std::optional<ExportFormat> format = exportFormatOf(path);
    if (!format) return QStringLiteral("只能导出为 PNG、SVG 或 PDF 文件：%1").arg(path);
    if (!(paper.width() > 0 && paper.height() > 0 && paper.width() <= MAX_EXPORT_MM &&
          paper.height() <= MAX_EXPORT_MM))
        return QStringLiteral("图幅 %1 × %2 mm 超出范围（最大 %3 mm）")
            .arg(paper.width(), 0, 'f', 1)
            .arg(paper.height(), 0, 'f', 1)
            .arg(MAX_EXPORT_MM);
    const QSize pixels(std::max(1, int(std::lround(paper.width() / MM_PER_INCH * EXPORT_DPI))),
                       std::max(1, int(std::lround(paper.height() / MM_PER_INCH * EXPORT_DPI))));
    switch (*format) {
        case ExportFormat::Png: {
            if (double(pixels.width()) * pixels.height() > MAX_PNG_PIXELS)
                return QStringLiteral("图片 %1 × %2 像素过大，请选用更小的比例或导出为 PDF、SVG")
                    .arg(pixels.width())
                    .arg(pixels.height());
            QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
            image.setDotsPerMeterX(int(std::lround(EXPORT_DPI * INCHES_PER_METRE)));
            image.setDotsPerMeterY(int(std::lround(EXPORT_DPI * INCHES_PER_METRE)));
            {
                QPainter p(&image);
                paint(p, QSizeF(pixels));
            }
            if (!image.save(path, "PNG")) return QStringLiteral("文件无法写入：%1").arg(path);
            return {};
        }
        case ExportFormat::Svg: {
            QSvgGenerator svg;
            svg.setFileName(path);
            svg.setResolution(EXPORT_DPI);
            svg.setSize(pixels);
            svg.setViewBox(QRect(QPoint(0, 0), pixels));
            svg.setTitle(QFileInfo(path).completeBaseName());
            QPainter p;
            if (!p.begin(&svg)) return QStringLiteral("文件无法写入：%1").arg(path);
            paint(p, QSizeF(pixels));
            p.end();
            return {};
        }
        case ExportFormat::Pdf: {
            QPdfWriter pdf(path);
            pdf.setResolution(EXPORT_DPI);
            pdf.setPageSize(QPageSize(paper, QPageSize::Millimeter));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter p;
            if (!p.begin(&pdf)) return QStringLiteral("文件无法写入：%1").arg(path);
            const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
            paint(p, QSizeF(page.size()));
            p.end();
            return {};
        }
    }
    return {};
}

}  // namespace gradix
