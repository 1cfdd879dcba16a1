#include "views/sectionview.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

#include "text/numbers.h"
#include "views/roadview.h"

namespace gradix {

namespace {

const QColor SURFACE_COLOUR(255, 90, 80);
const QColor TEXT_COLOUR(230, 230, 230);
const QColor AXIS_COLOUR(150, 160, 170);
const QColor HINT_COLOUR(150, 160, 170);
constexpr double TEXT_PX = 11;
constexpr double TITLE_PX = 12;
constexpr double TITLE_BAND_PX = 24;      // the title at the top
constexpr double ELEVATION_ROOM_PX = 72;  // above the highest point: the upright elevations
constexpr double WIDTH_ROOM_PX = 40;      // below the lowest point: the widths
constexpr double TICK_PX = 4;
constexpr double LABEL_GAP_PX = 4;
constexpr double CENTRE_OVERSHOOT_PX = 18;  // the centreline beyond the surface, up and down

}  // namespace

SectionView::SectionView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sectionView"));
    setMinimumSize(160, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SectionView::setSection(const SectionModel& model) {
    model_ = model;
    update();
}

void SectionView::clear() { setSection(SectionModel{}); }

void SectionView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), GROUND.screen);
    const double w = width(), h = height();
    if (model_.empty()) {
        p.setFont(viewFont(TEXT_PX + 3));
        p.setPen(HINT_COLOUR);
        p.drawText(QRectF(rect()), Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(SECTION_HINT_TEXT));
        return;
    }
    const QFont font = viewFont(TEXT_PX);
    const QFontMetricsF metrics(font);
    // Labels of a component too narrow for them along the surface stand
    // upright below it: the fit keeps room for the longest of them.
    const auto fitted = [&](double roomBelow) {
        return SectionViewport::fitting(model_, w, h, TITLE_BAND_PX + ELEVATION_ROOM_PX, h - roomBelow,
                                        SECTION_VERTICAL_EXAGGERATION);
    };
    const auto fitsAlong = [&](const SectionPart& part, const SectionViewport& at) {
        const double room = std::abs(at.x(part.toOffset) - at.x(part.fromOffset)) - 2 * LABEL_GAP_PX;
        return std::max(metrics.horizontalAdvance(QString::fromStdString(part.widthText)),
                        metrics.horizontalAdvance(QString::fromStdString(part.slopeText))) <= room;
    };
    const auto uprightText = [](const SectionPart& part) {
        return QString::fromStdString(part.widthText) + QStringLiteral(" ") + QString::fromStdString(part.slopeText);
    };
    SectionViewport v = fitted(WIDTH_ROOM_PX);
    double upright = 0;
    for (const SectionPart& part : model_.parts)
        if (!fitsAlong(part, v)) upright = std::max(upright, metrics.horizontalAdvance(uprightText(part)));
    if (upright > 0) v = fitted(std::max(WIDTH_ROOM_PX, upright + 2 * (LABEL_GAP_PX + TICK_PX)));

    // The title: the stake and the design elevation; the exaggeration at the right.
    p.setFont(viewFont(TITLE_PX));
    p.setPen(TEXT_COLOUR);
    p.drawText(QPointF(6, TITLE_PX + 6), QStringLiteral("横断面  %1  设计高程 %2")
                                             .arg(QString::fromStdString(model_.stake),
                                                  QString::fromStdString(model_.designText)));
    const QString scale = QStringLiteral("竖向放大 %1×").arg(shortDecimal(SECTION_VERTICAL_EXAGGERATION).c_str());
    p.setFont(font);
    p.setPen(AXIS_COLOUR);
    p.drawText(QPointF(w - metrics.horizontalAdvance(scale) - 6, TITLE_PX + 6), scale);

    p.setRenderHint(QPainter::Antialiasing, true);
    // The centreline, dashed, through the surface.
    const double cx = v.x(0);
    p.setPen(QPen(AXIS_COLOUR, 1, Qt::DashDotLine));
    p.drawLine(QPointF(cx, v.y(model_.highestElevation) - CENTRE_OVERSHOOT_PX),
               QPointF(cx, v.y(model_.lowestElevation) + CENTRE_OVERSHOOT_PX));

    // The surface through its break points.
    QPolygonF surface;
    for (const SectionBreakPoint& b : model_.points) surface << QPointF(v.x(b.offset), v.y(b.elevation));
    p.setPen(QPen(SURFACE_COLOUR, 2));
    p.drawPolyline(surface);

    // Each break point: a tick and its elevation, upright, above it.
    p.setFont(font);
    for (std::size_t i = 0; i < model_.points.size(); ++i) {
        const QPointF at = surface[static_cast<int>(i)];
        p.setPen(QPen(SURFACE_COLOUR, 1));
        p.drawLine(at - QPointF(0, TICK_PX), at + QPointF(0, TICK_PX));
        p.setPen(TEXT_COLOUR);
        p.save();
        p.translate(at.x() + metrics.ascent() / 2 - metrics.descent(), at.y() - TICK_PX - LABEL_GAP_PX);
        p.rotate(-90);
        p.drawText(QPointF(0, 0), QString::fromStdString(model_.points[i].elevationText));
        p.restore();
    }

    // Each component: its slope above it, its width below it, along the
    // surface where they fit, else upright below it.
    const auto pointAt = [&](double offset) {
        for (const SectionBreakPoint& b : model_.points)
            if (b.offset == offset) return QPointF(v.x(b.offset), v.y(b.elevation));
        return QPointF(v.x(offset), v.y(model_.designElevation));
    };
    p.setPen(TEXT_COLOUR);
    for (const SectionPart& part : model_.parts) {
        const QPointF a = pointAt(part.fromOffset), b = pointAt(part.toOffset);
        const QPointF mid = (a + b) / 2;
        const QString widthText = QString::fromStdString(part.widthText);
        const QString slopeText = QString::fromStdString(part.slopeText);
        if (fitsAlong(part, v)) {
            p.drawText(QPointF(mid.x() - metrics.horizontalAdvance(slopeText) / 2, mid.y() - LABEL_GAP_PX - TICK_PX),
                       slopeText);
            p.drawText(QPointF(mid.x() - metrics.horizontalAdvance(widthText) / 2,
                               mid.y() + LABEL_GAP_PX + TICK_PX + metrics.ascent()),
                       widthText);
        } else {
            const QString both = uprightText(part);
            p.save();
            p.translate(mid.x() + metrics.ascent() / 2 - metrics.descent(),
                        mid.y() + LABEL_GAP_PX + TICK_PX + metrics.horizontalAdvance(both));
            p.rotate(-90);
            p.drawText(QPointF(0, 0), both);
            p.restore();
        }
    }
}

}  // namespace gradix
