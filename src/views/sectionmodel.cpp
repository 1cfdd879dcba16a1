#include "views/sectionmodel.h"

#include <algorithm>
#include <cmath>

#include "stakes/stakes.h"
#include "text/numbers.h"

namespace gradix {

namespace {

// The distances from the centreline of a side's component edges, with the
// component each one closes; components without width left out.
struct Edge {
    double distance;
    std::size_t component;
    double slope;
    double width;
};

std::vector<Edge> edgesOf(const SideSection& half) {
    std::vector<Edge> edges;
    double distance = 0;
    for (std::size_t c = 0; c < COMPONENTS; ++c) {
        if (!(half.width[c] > 0)) continue;
        distance += half.width[c];
        edges.push_back({distance, c, half.slope[c], half.width[c]});
    }
    return edges;
}

std::string slopeText(double slope) { return formatPercent(slope, SECTION_DECIMALS) + "%"; }

}  // namespace

SectionModel buildSectionModel(const Surface& surface, const Profile& profile, const ChainBreakTable& breaks,
                               double chainage) {
    SectionModel m;
    m.chainage = chainage;
    m.stake = formatStake(breaks, chainage);
    m.designElevation = DesignElevation(profile, chainage);
    m.designText = formatFixed(m.designElevation, SECTION_DECIMALS);
    const Section section = sectionAt(surface, chainage);
    const std::vector<Edge> left = edgesOf(section.of(Side::Left));
    const std::vector<Edge> right = edgesOf(section.of(Side::Right));

    const auto point = [&](double offset) {
        const SurfacePoint p = surfacePointOf(surface, section, m.designElevation, offset);
        m.points.push_back({offset, p.elevation, formatFixed(p.elevation, SECTION_DECIMALS)});
    };
    for (auto e = left.rbegin(); e != left.rend(); ++e) point(-e->distance);
    point(0.0);
    for (const Edge& e : right) point(e.distance);

    for (auto e = left.rbegin(); e != left.rend(); ++e)
        m.parts.push_back({Side::Left, static_cast<Component>(e->component), -(e->distance - e->width), -e->distance,
                           e->slope, formatFixed(e->width, SECTION_DECIMALS), slopeText(e->slope)});
    for (const Edge& e : right)
        m.parts.push_back({Side::Right, static_cast<Component>(e.component), e.distance - e.width, e.distance, e.slope,
                           formatFixed(e.width, SECTION_DECIMALS), slopeText(e.slope)});

    const auto [low, high] = std::minmax_element(
        m.points.begin(), m.points.end(),
        [](const SectionBreakPoint& a, const SectionBreakPoint& b) { return a.elevation < b.elevation; });
    m.lowestElevation = std::min(low->elevation, m.designElevation);
    m.highestElevation = std::max(high->elevation, m.designElevation);
    return m;
}

// The least share of a view's height the section's rise is drawn over.
constexpr double MIN_BAND_SHARE = 0.4;

SectionViewport SectionViewport::fitting(const SectionModel& model, double width, double height, double plotTop,
                                         double plotBottom, double verticalExaggeration, double margin) {
    SectionViewport v;
    v.width = width;
    v.height = height;
    v.verticalExaggeration = verticalExaggeration;
    if (model.empty()) return v;
    const double left = model.points.front().offset;
    const double right = model.points.back().offset;
    const double across = std::max(right - left, 1.0);
    const double rise = std::max(model.highestElevation - model.lowestElevation, 0.01);
    // A view too low for the labels' room still draws the section over a
    // part of its height (the labels then crowd), never as a flat line.
    const double band = std::max({plotBottom - plotTop, MIN_BAND_SHARE * height, 1.0});
    v.pixelsPerMetre = std::min(width * margin / across, band * margin / (rise * verticalExaggeration));
    v.centreOffset = (left + right) / 2;
    // The section's middle elevation in the middle of the band.
    const double middle = (model.highestElevation + model.lowestElevation) / 2;
    v.centreElevation = middle + ((plotTop + plotBottom) / 2 - height / 2) / (v.pixelsPerMetre * verticalExaggeration);
    return v;
}

}  // namespace gradix
