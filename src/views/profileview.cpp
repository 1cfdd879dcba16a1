#include "views/profileview.h"

#include "views/viewlabels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "text/angles.h"
#include "text/failures.h"
#include "text/numbers.h"

namespace gradix {

namespace {

const Ink GRID_INK{QColor(70, 80, 92), QColor(215, 215, 215)};
const Ink AXIS_INK{QColor(190, 198, 206), QColor(70, 70, 70)};
const Ink TANGENT_INK{QColor(150, 150, 150), QColor(120, 120, 120)};
const Ink DESIGN_INK{QColor(255, 90, 80), QColor(200, 30, 30)};
const Ink CURVE_INK{QColor(110, 220, 120), QColor(0, 130, 40)};
const Ink GRADE_INK{QColor(230, 230, 230), QColor(20, 20, 20)};
constexpr double FIT_MARGIN = 0.85;            // share of the view the profile fills
constexpr double MIN_EXAGGERATION = 1;
constexpr double MAX_EXAGGERATION = 1000;
constexpr double TEXT_PX = 11;
constexpr double SMALL_TEXT_PX = 10;
constexpr double AXIS_BAND_PX = 34;            // the band of stakes at the foot of the view
constexpr double AXIS_GAP_PX = 8;              // between the lowest elevation fitted and that band
constexpr double LABEL_ROOM_PX = 64;           // above the highest: a grade point's two lines, a break's note
constexpr double TICK_PX = 5;
constexpr double LABELLED_TICK_PX = 9;
constexpr double MIN_TICK_SPACING_PX = 6;      // 20 m ticks closer than this are left out
constexpr double MIN_LABEL_SPACING_PX = 80;    // stake labels at least this far apart
constexpr double MIN_GRID_SPACING_PX = 40;     // elevation lines at least this far apart
constexpr double SIMPLIFY_PX = 0.5;            // design-line vertices closer than this on screen merge
constexpr double LABEL_GAP_PX = 6;
constexpr double LABEL_RISE_PX = 26;           // grade-point labels above the higher of H and the design line
constexpr double MARK_RADIUS_PX = 4;
constexpr double DESIGN_DOUBLING_PX = 0.6;    // the second stroke of the design line, below the first
constexpr double POINT_MARK_PX = 3;            // half the side of a grade point's square
constexpr double MIN_POINT_SPACING_PX = 12;    // grade points closer than this on screen are not marked
constexpr int ELEVATION_DECIMALS = 4;
// The priorities of the labels: the computed stake first, then the chain
// breaks, the grade points and the grade lines.
constexpr int MARK_PRIORITY = 0;
constexpr int BREAK_PRIORITY = 1;
constexpr int GRADE_POINT_PRIORITY = 2;
constexpr int GRADE_LINE_PRIORITY = 3;
// Label multiples tried in turn: 1, 2, 5, 10, 20, 50 ... of the label step.
constexpr double NICE_STEPS[] = {1, 2, 5};
constexpr int MAX_DECADES = 12;
constexpr double MAX_GRID_LINES = 200;

// The smallest of 1, 2, 5, 10, 20, 50 ... times base whose spacing reaches minimum pixels.
double niceMultiple(double base, double pixelsPerUnit, double minimum) {
    double decade = 1;
    for (int d = 0; d < MAX_DECADES; ++d, decade *= 10)
        for (double m : NICE_STEPS)
            if (base * m * decade * pixelsPerUnit >= minimum) return m * decade;
    return decade;
}

template <class T>
std::size_t firstAtOrAfter(const std::vector<T>& items, double chainage) {
    return static_cast<std::size_t>(
        std::lower_bound(items.begin(), items.end(), chainage,
                         [](const T& item, double c) { return item.chainage < c; }) -
        items.begin());
}

}  // namespace

ProfileView::ProfileView(QWidget* parent) : RoadView(parent) {
    setObjectName("profileView");
    setToolTip(QString());
}

QString ProfileView::setProfile(const Profile& profile, const ChainBreakTable& breaks) {
    try {
        ProfileLabelModel model = buildProfileModel(profile, breaks);
        profile_ = profile;
        breaks_ = breaks;
        model_ = std::move(model);
    } catch (const GradixError& error) {
        clear();
        return QString::fromStdString(error.detail());
    }
    marked_.reset();
    hover_.reset();
    zoomExtents();
    return {};
}

void ProfileView::clear() {
    shown_.clear();
    profile_ = Profile{};
    model_ = ProfileLabelModel{};
    marked_.reset();
    hover_.reset();
    roadChanged();
}

void ProfileView::setViewport(const ProfileViewport& viewport) {
    navigation_.markMoved();
    viewport_ = viewport;
    viewport_.width = std::max(1, width());
    viewport_.height = std::max(1, height());
    exaggeration_ = viewport_.verticalExaggeration;
    roadChanged();
}

void ProfileView::zoomExtents() {
    navigation_.markFitted();
    const double h = std::max(1, height());
    // The elevations between the labels above the grade points and the band of stakes.
    const ProfileFit fit{FIT_MARGIN, LABEL_ROOM_PX, h - AXIS_BAND_PX - AXIS_GAP_PX, MIN_EXAGGERATION,
                         MAX_EXAGGERATION};
    viewport_ = ProfileViewport::fitting(model_, std::max(1, width()), h, fit);
    const bool changed = viewport_.verticalExaggeration != exaggeration_;
    exaggeration_ = viewport_.verticalExaggeration;
    roadChanged();
    if (changed) emit verticalExaggerationChanged(exaggeration_);
}

void ProfileView::setVerticalExaggeration(double exaggeration) {
    if (!std::isfinite(exaggeration)) return;
    const double held = std::clamp(exaggeration, MIN_EXAGGERATION, MAX_EXAGGERATION);
    if (held == exaggeration_) return;
    // One chosen by the person stays when the view's size changes.
    navigation_.markMoved();
    exaggeration_ = held;
    viewport_.verticalExaggeration = exaggeration_;
    roadChanged();
}

void ProfileView::setMarkedChainage(std::optional<double> chainage) {
    marked_ = chainage;
    roadChanged();  // its label takes its place among the others
}

std::optional<ProfileReadout> ProfileView::readoutAt(QPointF position) const {
    if (!hasProfile()) return std::nullopt;
    try {
        return profileReadout(profile_, breaks_, viewport_.chainageAt(position.x()));
    } catch (const GradixError&) {
        return std::nullopt;  // a chainage beyond what the profile can evaluate
    }
}

QString ProfileView::readoutText(const ProfileReadout& r) {
    return QStringLiteral("桩号 %1  高程 %2  纵坡 %3%")
        .arg(QString::fromStdString(r.kilometreStake),
             QString::fromStdString(formatFixed(r.elevation, ELEVATION_DECIMALS)),
             QString::fromStdString(formatPercent(r.grade, ELEVATION_DECIMALS)));
}

void ProfileView::zoomView(QPointF position, double factor) { viewport_.zoomAbout(position.x(), position.y(), factor); }

void ProfileView::panView(QPointF delta) { viewport_.pan(delta.x(), delta.y()); }

void ProfileView::hoverAt(QPointF position) {
    hoverPos_ = position;
    hover_ = readoutAt(position);
    emit readoutChanged(hover_ ? readoutText(*hover_) : QString());
}

void ProfileView::hoverEnded() {
    hover_.reset();
    emit readoutChanged(QString());
}

void ProfileView::clickedAt(QPointF position) {
    const std::optional<ProfileReadout> r = readoutAt(position);
    if (r) emit stakeClicked(QString::fromStdString(r->stake), r->chainage);
}

void ProfileView::sizeChanged() {
    viewport_.width = std::max(1, width());
    viewport_.height = std::max(1, height());
}

ProfileViewport ProfileView::scaledTo(QSizeF size) const {
    ProfileViewport v = viewport_;
    const double k = size.width() / std::max(1.0, viewport_.width);
    v.width = size.width();
    v.height = size.height();
    v.pixelsPerMetre = viewport_.pixelsPerMetre * k;
    return v;
}

void ProfileView::paintRoad(QPainter& p, QSizeF size, double unit, bool onPaper) const {
    const ProfileViewport v = scaledTo(size);
    const double w = size.width();
    const double axisTop = size.height() - AXIS_BAND_PX * unit;
    const double c0 = v.chainageAt(0);
    const double c1 = v.chainageAt(w);
    const QFont font = viewFont(TEXT_PX * unit);
    const QFont small = viewFont(SMALL_TEXT_PX * unit);
    const QFontMetricsF metrics(font);
    const QFontMetricsF smallMetrics(small);
    const auto pen = [&](const QColor& c, double width = 1, Qt::PenStyle style = Qt::SolidLine) {
        return QPen(c, width * unit, style, Qt::FlatCap, Qt::MiterJoin);
    };

    // What no label may cover: the elevations of the grid, the band of
    // stakes, the title; the labels waiting for their place.
    std::vector<LabelBox> obstacles{LabelBox::upright(0, axisTop, w, size.height())};
    std::vector<PendingLabel> labels;
    int group = 0;  // the labels that have several places to choose from

    // The grid of elevations, labelled at the left.
    p.setFont(small);
    const double pixelsPerElevationMetre = v.pixelsPerMetre * v.verticalExaggeration;
    const double gridStep = niceMultiple(0.1, pixelsPerElevationMetre, MIN_GRID_SPACING_PX * unit) * 0.1;
    const double lowest = v.elevationAt(axisTop);
    const double highest = v.elevationAt(0);
    // At most MAX_GRID_LINES, counted in whole steps, so that the loop ends
    // also where elevations are too large for a step of one to change them.
    const double firstLine = std::ceil(lowest / gridStep);
    const double lineCount = std::min(std::floor(highest / gridStep) - firstLine, MAX_GRID_LINES);
    for (double i = 0; i <= lineCount; ++i) {
        const double k = firstLine + i;
        const double y = v.y(k * gridStep);
        p.setPen(pen(GRID_INK.on(onPaper)));
        p.drawLine(QPointF(0, y), QPointF(w, y));
        p.setPen(pen(AXIS_INK.on(onPaper)));
        const QString text = QString::fromStdString(shortDecimal(k * gridStep));
        const QPointF at(2 * unit, y - 2 * unit);
        p.drawText(at, text);
        obstacles.push_back(LabelBox::upright(at.x(), at.y() - smallMetrics.ascent(),
                                              at.x() + smallMetrics.horizontalAdvance(text), at.y() + smallMetrics.descent()));
    }

    // The band of stakes: ticks every 20 m where they stand apart, labels at
    // a multiple of 100 m that leaves room, a grid line at each label.
    p.setPen(pen(AXIS_INK.on(onPaper)));
    p.drawLine(QPointF(0, axisTop), QPointF(w, axisTop));
    const double labelMultiple = niceMultiple(PROFILE_LABEL_STEP, v.pixelsPerMetre, MIN_LABEL_SPACING_PX * unit);
    const bool allTicks = PROFILE_TICK_STEP * v.pixelsPerMetre >= MIN_TICK_SPACING_PX * unit;
    p.setFont(small);
    for (std::size_t i = firstAtOrAfter(model_.ticks, c0); i < model_.ticks.size(); ++i) {
        const StakeTick& t = model_.ticks[i];
        if (t.chainage > c1) break;
        const double hundreds = t.stake / PROFILE_LABEL_STEP;
        const bool labelled = !t.label.empty() && std::fmod(std::round(hundreds), labelMultiple) == 0;
        if (!labelled && !allTicks) continue;
        const double x = v.x(t.chainage);
        if (labelled) {
            p.setPen(pen(GRID_INK.on(onPaper)));
            p.drawLine(QPointF(x, 0), QPointF(x, axisTop));
        }
        p.setPen(pen(AXIS_INK.on(onPaper)));
        p.drawLine(QPointF(x, axisTop), QPointF(x, axisTop + (labelled ? LABELLED_TICK_PX : TICK_PX) * unit));
        if (labelled) {
            const QString text = QString::fromStdString(t.label);
            p.drawText(QPointF(x - smallMetrics.horizontalAdvance(text) / 2,
                               axisTop + LABELLED_TICK_PX * unit + smallMetrics.ascent() + unit),
                       text);
        }
    }

    p.setRenderHint(QPainter::Antialiasing, true);
    // The grade lines through the grade points, dashed, with grade and length.
    const std::vector<GradePointLabel>& points = model_.gradePoints;
    p.setFont(small);
    for (const GradeLineLabel& line : model_.gradeLines) {
        if (line.toChainage < c0 || line.fromChainage > c1) continue;
        const QPointF a(v.x(line.fromChainage), v.y(line.fromElevation));
        const QPointF b(v.x(line.toChainage), v.y(line.toElevation));
        p.setPen(pen(TANGENT_INK.on(onPaper), 1, Qt::DashLine));
        p.drawLine(a, b);
        const QString text = QString::fromStdString(line.gradeText) + "  L=" + QString::fromStdString(line.lengthText);
        const double textWidth = smallMetrics.horizontalAdvance(text);
        if (b.x() - a.x() < textWidth + 2 * LABEL_GAP_PX * unit) continue;
        // Along the line, centred on its middle: above it, or below where that has no room.
        const QPointF along = (b - a) / QLineF(a, b).length();
        const QPointF up(along.y(), -along.x());
        const QPointF start = (a + b) / 2 - along * (textWidth / 2);
        for (const QPointF shift : {up * (3 * unit), -up * (3 * unit + smallMetrics.ascent())}) {
            labels.push_back(textLabel(text, small, GRADE_INK.on(onPaper), start + shift, along, GRADE_LINE_PRIORITY));
            labels.back().candidate.group = group;
        }
        ++group;
    }

    // The design line, vertex by vertex, merged where vertices share a pixel.
    const std::vector<RoadPoint>& line = model_.designLine;
    std::size_t first = firstAtOrAfter(line, c0);
    if (first > 0) --first;
    QPolygonF polygon;
    for (std::size_t i = first; i < line.size(); ++i) {
        const QPointF s(v.x(line[i].chainage), v.y(line[i].elevation));
        const bool beyond = line[i].chainage > c1;
        if (polygon.isEmpty() || beyond || std::abs(s.x() - polygon.back().x()) >= SIMPLIFY_PX ||
            std::abs(s.y() - polygon.back().y()) >= SIMPLIFY_PX)
            polygon.push_back(s);
        if (beyond) break;
    }
    // A thin pen, twice, half a pixel apart: the raster engine's cosmetic
    // path draws that in a fraction of the time a wide pen's outline takes.
    p.setPen(pen(DESIGN_INK.on(onPaper), 1));
    p.drawPolyline(polygon);
    p.translate(0, DESIGN_DOUBLING_PX * unit);
    p.drawPolyline(polygon);
    p.resetTransform();

    // The grade points: the point, its stake and elevation, its curve.
    double lastMark = -1e300;
    for (std::size_t i = firstAtOrAfter(points, c0); i < points.size(); ++i) {
        const GradePointLabel& g = points[i];
        if (g.chainage > c1) break;
        const QPointF at(v.x(g.chainage), v.y(g.elevation));
        const QPointF on(at.x(), v.y(g.designElevation));
        // Grade points crowded together on screen keep only their labels' turn.
        if (at.x() - lastMark < MIN_POINT_SPACING_PX * unit) continue;
        lastMark = at.x();
        p.setPen(pen(CURVE_INK.on(onPaper)));
        p.setBrush(Qt::NoBrush);
        const double half = POINT_MARK_PX * unit;
        p.drawRect(QRectF(at.x() - half, at.y() - half, 2 * half, 2 * half));
        if (!g.curve.empty()) {
            // The curve's extent as a bracket just above the design line's higher end.
            const double top = std::min(at.y(), on.y()) - LABEL_RISE_PX * unit / 2;
            const double s = v.x(g.curveStart);
            const double e = v.x(g.curveEnd);
            p.drawLine(QPointF(s, top + 4 * unit), QPointF(s, top));
            p.drawLine(QPointF(s, top), QPointF(e, top));
            p.drawLine(QPointF(e, top), QPointF(e, top + 4 * unit));
        }
        QStringList lines{QString::fromStdString(g.stake) + "  " + QString::fromStdString(g.elevationText)};
        if (!g.curve.empty()) lines << QString::fromStdString(g.curve);
        const double baseline = std::min(at.y(), on.y()) - LABEL_RISE_PX * unit;
        labels.push_back(stackedLabel(lines, font, GRADE_INK.on(onPaper), QPointF(at.x(), baseline),
                                      GRADE_POINT_PRIORITY, QLineF(QPointF(at.x(), baseline + 2 * unit), on)));
    }

    // The chain breaks, across the view, with their note at the top: right
    // of the line (a line or two lower where another stands in the way), or
    // else left of it.
    for (const ChainBreakNote& b : model_.chainBreaks) {
        if (b.chainage < c0 || b.chainage > c1) continue;
        const double x = v.x(b.chainage);
        p.setPen(pen(BREAK_INK.on(onPaper), 1, Qt::DashDotLine));
        p.drawLine(QPointF(x, 0), QPointF(x, axisTop));
        const QString note = QString::fromStdString(b.text);
        const double advance = metrics.horizontalAdvance(note);
        const double gap = 3 * unit;
        for (double left : {x + gap, x - gap - advance})
            for (double lower : {0.0, metrics.height(), 2 * metrics.height()}) {
                labels.push_back(textLabel(note, font, BREAK_INK.on(onPaper),
                                           QPointF(left, metrics.ascent() + 18 * unit + lower), QPointF(1, 0),
                                           BREAK_PRIORITY));
                labels.back().candidate.group = group;
            }
        ++group;
    }

    // The computed stake: a line across the view, a ring on the design line,
    // its stake, elevation and grade beside it, first of all the labels.
    if (marked_) {
        try {
            const ProfileReadout r = profileReadout(profile_, breaks_, *marked_);
            const double x = v.x(r.chainage);
            const QPointF on(x, v.y(r.elevation));
            const QColor ink = MARK_INK.on(onPaper);
            p.setPen(QPen(ink, unit, Qt::DashLine));
            p.drawLine(QPointF(x, 0), QPointF(x, axisTop));
            p.setPen(QPen(ink, 2 * unit));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(on, MARK_RADIUS_PX * unit, MARK_RADIUS_PX * unit);
            const QString text = QString::fromStdString(r.kilometreStake) + "  " +
                                 QString::fromStdString(formatFixed(r.elevation, ELEVATION_DECIMALS)) + "  " +
                                 QString::fromStdString(formatPercent(r.grade, ELEVATION_DECIMALS)) + "%";
            const double d = (MARK_RADIUS_PX + 2) * unit;
            for (const QPointF away : {QPointF(1, 1), QPointF(-1, 1), QPointF(1, -1), QPointF(-1, -1)}) {
                labels.push_back(besideLabel(text, font, ink, on + away * d, away, MARK_PRIORITY));
                labels.back().candidate.group = group;
            }
            ++group;
        } catch (const GradixError&) {
            // a stake the profile cannot evaluate is not marked
        }
    }

    // The title, top right; then the labels that have room.
    const QString scale = QStringLiteral("纵断面  竖向放大 %1×").arg(shortDecimal(v.verticalExaggeration).c_str());
    const QPointF titleAt(w - smallMetrics.horizontalAdvance(scale) - 6 * unit, smallMetrics.ascent() + 4 * unit);
    obstacles.push_back(LabelBox::upright(titleAt.x(), titleAt.y() - smallMetrics.ascent(), w,
                                          titleAt.y() + smallMetrics.descent()));
    std::vector<ShownLabel> shown;
    for (const PendingLabel* l : drawPlacedLabels(p, labels, size, obstacles, unit))
        shown.push_back({l->text(), l->candidate.box});
    if (!onPaper && unit == 1.0) shown_ = std::move(shown);
    p.setRenderHint(QPainter::Antialiasing, false);

    p.setFont(small);
    p.setPen(pen(AXIS_INK.on(onPaper)));
    p.drawText(titleAt, scale);
}

void ProfileView::paintMarks(QPainter& p, QSizeF size, double unit, bool onPaper) const {
    const ProfileViewport v = scaledTo(size);
    const double axisTop = size.height() - AXIS_BAND_PX * unit;
    const QFont font = viewFont(TEXT_PX * unit);
    const QFontMetricsF metrics(font);
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (hover_ && unit == 1.0 && !onPaper) {
        const double x = v.x(hover_->chainage);
        const QPointF on(x, v.y(hover_->elevation));
        p.setPen(QPen(HOVER_COLOUR, unit, Qt::DashLine));
        p.drawLine(QPointF(x, 0), QPointF(x, axisTop));
        p.setPen(QPen(HOVER_COLOUR, 2 * unit));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(on, MARK_RADIUS_PX * unit, MARK_RADIUS_PX * unit);
    }
    if (hover_ && unit == 1.0 && !onPaper) {
        const QString text = readoutText(*hover_);
        const QRectF box(4, 4, metrics.horizontalAdvance(text) + 12, metrics.height() + 8);
        p.setPen(Qt::NoPen);
        p.setBrush(READOUT_BACKGROUND);
        p.drawRect(box);
        p.setPen(HOVER_COLOUR);
        p.drawText(QPointF(box.left() + 6, box.top() + 4 + metrics.ascent()), text);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace gradix
