// The cross-section's model on sections worked out by hand: a level road at
// 100 m, one uniform section all along, the break points' offsets and
// elevations, each component's width and slope, the stake of the title.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/chain_breaks.h"
#include "surface/surface.h"
#include "views/sectionmodel.h"

namespace gradix {
namespace {

// Grade points at 0, 2500 and 5000 m, all at 100 m.
Profile levelProfile() {
    Profile p;
    p.gradePointCount = 3;
    p.gradePointChainage = {0, 0, 2500, 5000};
    p.gradePointElevation = {0, 100, 100, 100};
    p.curveRadius = {0, 0, 0, 0};
    PrepareProfile(p);
    return p;
}

// One side's widths and slopes (%), from the centreline outward: median,
// carriageway, hard shoulder, earth shoulder.
SideSection side(std::array<double, COMPONENTS> width, std::array<double, COMPONENTS> percent) {
    SideSection s;
    s.width = width;
    for (std::size_t c = 0; c < COMPONENTS; ++c) s.slope[c] = percent[c] / 100;
    return s;
}

TEST(SectionModel, BreakPointsWidthsSlopesAndElevationsOfTheSection) {
    const struct Case {
        const char* name;
        SideSection left, right;
        std::vector<double> offsets;
        std::vector<std::string> elevations;
        std::vector<std::string> widths, slopes;  // left edge to right edge
    } cases[] = {
        {"normal crown: one lane each side at -2 %",
         side({0, 3.75, 0, 0}, {0, -2, -2, -2}), side({0, 3.75, 0, 0}, {0, -2, -2, -2}),
         {-3.75, 0, 3.75},
         {"99.925", "100.000", "99.925"},
         {"3.750", "3.750"},
         {"-2.000%", "-2.000%"}},
        // Left rises 0.5 level, then 6 × 0.04 = 0.24, then falls 0.75 × 0.04;
        // the right falls 0.24 and 0.03 more.
        {"superelevated to the right, a median and both shoulders",
         side({0.5, 3.5, 2.5, 0.75}, {0, 4, 4, -4}), side({0.5, 3.5, 2.5, 0.75}, {0, -4, -4, -4}),
         {-7.25, -6.5, -4.0, -0.5, 0, 0.5, 4.0, 6.5, 7.25},
         {"100.210", "100.240", "100.140", "100.000", "100.000", "100.000", "99.860", "99.760", "99.730"},
         {"0.750", "2.500", "3.500", "0.500", "0.500", "3.500", "2.500", "0.750"},
         {"-4.000%", "4.000%", "4.000%", "0.000%", "0.000%", "-4.000%", "-4.000%", "-4.000%"}},
        // Nothing drawn beyond either edge, nor for a component without width.
        {"a widened right side, no median nor earth shoulders",
         side({0, 3.75, 0, 0}, {0, -2, -3, -4}), side({0, 3.75, 3, 0}, {0, -2, -3, -4}),
         {-3.75, 0, 3.75, 6.75},
         {"99.925", "100.000", "99.925", "99.835"},
         {"3.750", "3.750", "3.000"},
         {"-2.000%", "-2.000%", "-3.000%"}},
    };
    const Profile profile = levelProfile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Section section;
        section.of(Side::Left) = c.left;
        section.of(Side::Right) = c.right;
        Surface surface;
        setUniformWidths(surface, section);
        setUniformSlopes(surface, section);
        prepareSurface(surface);

        const SectionModel m = buildSectionModel(surface, profile, ChainBreakTable{}, 1200);
        std::vector<double> offsets;
        std::vector<std::string> elevations, widths, slopes;
        for (const SectionBreakPoint& b : m.points) {
            offsets.push_back(b.offset);
            elevations.push_back(b.elevationText);
        }
        for (const SectionPart& part : m.parts) {
            widths.push_back(part.widthText);
            slopes.push_back(part.slopeText);
        }
        EXPECT_EQ(offsets, c.offsets);
        EXPECT_EQ(elevations, c.elevations);
        EXPECT_EQ(widths, c.widths);
        EXPECT_EQ(slopes, c.slopes);
    }
}

TEST(SectionModel, TitleNamesTheStakeInItsStretch) {
    const struct {
        double chainage;
        const char* stake;
    } cases[] = {
        {1200, "AK1+200.000"},
        {2400.5, "BK2+350.500"},  // 50.5 m beyond the break back 2350 = ahead 2300
    };
    Surface surface;
    setUniformWidths(surface, crownSection());
    setUniformSlopes(surface, crownSection());
    prepareSurface(surface);
    for (const auto& c : cases) {
        const SectionModel m = buildSectionModel(surface, levelProfile(), testing::STEP_BACK, c.chainage);
        EXPECT_EQ(m.stake, c.stake) << c.chainage;
        EXPECT_EQ(m.designText, "100.000");
    }
}

}  // namespace
}  // namespace gradix
