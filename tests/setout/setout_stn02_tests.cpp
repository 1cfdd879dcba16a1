// Setting out on the STN02 rail alignment: side stakes across its station
// equation, and the vertical-curve table against the published vertical
// segments.
#include "alignment/stn02_project.h"

#include "setout/curvestable.h"
#include "setout/side_points.h"

// Side points on both sides of the equation A0+876.272 = B5+350 locate back
// to their chainage and offset, and their stakes fall in the stretch of
// their side.
TEST_F(Stn02, SidePointsAcrossTheEquationLocateBack) {
    SampleTable samples;
    buildSampleTable(road_, samples);
    std::vector<SidePlace> places;
    for (double along : {-40.0, -5.0, -0.5, 0.5, 5.0, 40.0}) places.push_back({BREAK_BACK + along, "equation"});
    std::size_t i = 0;
    for (const LocatedPoint& p : expectSidePointsLocateBack(road_, samples, breaks_, places)) {
        const SidePlace& place = places[i++ / SIDE_OFFSETS.size()];
        ASSERT_TRUE(p.stake && p.chainage);
        EXPECT_EQ(*p.stake, formatStake(breaks_, *p.chainage));
        EXPECT_EQ(p.stake->front(), place.chainage < BREAK_BACK ? 'A' : 'B') << *p.stake;
    }
}

// The table's grade points: elevations and grades of the published segments
// on either side of each curve, the curve ends at the published tangent
// points, the radii as published.
TEST_F(Stn02, CurveTableReproducesThePublishedGradePoints) {
    std::string file;
    std::vector<double> curveDistances;
    ASSERT_NO_FATAL_FAILURE(publishedGradePoints(file, curveDistances));
    Profile profile;
    ASSERT_EQ(readProfileFile(put("STN02.zdm", file), breaks_, sink_, profile), ProfileRead::Loaded);
    const std::vector<CurveRow> rows = verticalCurveTable(profile, breaks_);
    ASSERT_EQ(rows.size(), 7u);
    // The published grade lines: V1 flat at 5, then each constant gradient.
    EXPECT_NEAR(rows.front().elevation, vertical_.front().height, ELEVATION_TOLERANCE);
    std::size_t curve = 0;
    for (const CurveRow& r : rows) {
        if (!r.radius) continue;
        ASSERT_LT(curve, curveEnds_.size());
        const MileageRow& ends = curveEnds_[curve];
        // The published arc segment of this curve and its neighbours.
        std::size_t arc = 0;
        for (std::size_t i = 0, seen = 0; i < vertical_.size(); ++i)
            if (vertical_[i].type == "CIRCULARARC" && seen++ == curve) arc = i;
        const VerticalSegment& s = vertical_[arc];
        EXPECT_NEAR(*r.radius, std::fabs(s.radius), 1e-9);
        EXPECT_NEAR(*r.gradeIn, s.startGrade, GRADE_TOLERANCE);
        EXPECT_NEAR(*r.gradeOut, s.endGrade, GRADE_TOLERANCE);
        EXPECT_EQ(r.kind, s.radius > 0 ? "凸" : "凹");
        EXPECT_NEAR(r.curveStart->value, ends.from, TANGENT_POINT_TOLERANCE);
        EXPECT_NEAR(r.curveEnd->value, ends.to, TANGENT_POINT_TOLERANCE);
        EXPECT_NEAR(r.chainage, START_STAKE + curveDistances[curve], STAKE_TOLERANCE);
        EXPECT_NEAR(*r.external, *r.tangent * *r.tangent / (2 * *r.radius), 1e-12);
        // The grade point lies on the incoming grade line.
        const VerticalSegment& in = vertical_[arc - 1];
        EXPECT_NEAR(r.elevation, in.height + in.startGrade * (curveDistances[curve] - in.distance), ELEVATION_TOLERANCE);
        ++curve;
    }
    EXPECT_EQ(curve, 4u);
    // The grade point at the joint of V5 and V6 is the equation's back side.
    EXPECT_EQ(formatStake(breaks_, rows[3].stake), "AK0+876.272");
}
