// A real rail alignment with a chain break, checked as a road engineer would
// check a new project: the published segment table (IFC terms) turned into an
// ICD file and a chain-break file, then the element joints, the stake texts
// and the profile compared with the tables published beside it.
//
// Conventions of the published tables: start points are (east, north); the
// start direction is a mathematical angle counter-clockwise from east, so the
// bearing from north toward east is pi/2 - direction; a positive radius turns
// counter-clockwise, which decreases our bearing (direction number -1).
// Distances along the alignment start at 0 at the start stake -153.1, so the
// continuous chainage is -153.1 + distance. The chain break sits at the
// joint of segments 9 and 10: back stake 876.272071, ahead stake 5350.
#include "alignment/stn02_project.h"

// Every joint of the element chain lands on the published start point and
// start direction of the next segment, and the chain ends on the published
// end point after the published total length.
TEST_F(Stn02, ElementJointsMeetThePublishedStartPoints) {
    ASSERT_EQ(road_.elemCount, 14);
    EXPECT_EQ(breaks_.chainBreakCount, 1);
    const ElementKind expected[] = {ElementKind::Line,          ElementKind::EnteringSpiral, ElementKind::Arc,
                                    ElementKind::ExitSpiral,    ElementKind::Line,           ElementKind::EnteringSpiral,
                                    ElementKind::Arc,           ElementKind::ExitSpiral,     ElementKind::Line,
                                    ElementKind::Line,          ElementKind::EnteringSpiral, ElementKind::Arc,
                                    ElementKind::ExitSpiral,    ElementKind::Line};
    double worstPoint = 0.0, worstBearing = 0.0;
    for (int i = 1; i <= road_.elemCount; ++i) {
        const HorizontalSegment& s = horizontal_[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(elementKind(road_.elemStartRadius[i], road_.elemEndRadius[i]), expected[i - 1]) << "segment " << i;
        // The first bend turns left (bearing falls), the other two right.
        const double bend = road_.elemStartRadius[i] != INFINITE_RADIUS ? road_.elemStartRadius[i] : road_.elemEndRadius[i];
        if (bend != INFINITE_RADIUS) {
            EXPECT_EQ(bend < 0.0, i <= 4) << "segment " << i;
            // The published radius sign (positive to the left) agrees with
            // the turn except in the last bend, H11 to H13, which the LandXML
            // of the same road also turns clockwise: a fault of the table.
            const double published = s.startRadius != 0.0 ? s.startRadius : s.endRadius;
            EXPECT_EQ((published > 0.0) == (bend < 0.0), i < 11) << "published radius sign of segment " << i;
        }
        const double dn = road_.elemStartX[i] - s.north, de = road_.elemStartY[i] - s.east;
        worstPoint = std::max(worstPoint, std::hypot(dn, de));
        EXPECT_NEAR(road_.elemStartX[i], s.north, JOINT_TOLERANCE) << "start of segment " << i;
        EXPECT_NEAR(road_.elemStartY[i], s.east, JOINT_TOLERANCE) << "start of segment " << i;
        worstBearing = std::max(worstBearing, angleGap(road_.elemStartBearing[i], bearingOf(s.direction)));
        EXPECT_LT(angleGap(road_.elemStartBearing[i], bearingOf(s.direction)), BEARING_TOLERANCE) << "segment " << i;
        // The joint evaluated through PointAtChainage from the element before
        // it, just short of the joint, leads into the stored start.
        if (i > 1) {
            double x = 0, y = 0, b = 0;
            PointAtChainage(road_, road_.elemChainage[i] - 1e-9, x, y, b);
            EXPECT_NEAR(x, road_.elemStartX[i], 1e-6) << "segment " << i;
            EXPECT_NEAR(y, road_.elemStartY[i], 1e-6) << "segment " << i;
        }
    }
    // Control values of the published test: 2D length 1458.5946 m, end point
    // (east 453616.1646, north 4539926.1049).
    const int end = road_.elemCount + 1;
    EXPECT_NEAR(road_.elemChainage[end] - road_.elemChainage[1], 1458.5946, STAKE_TOLERANCE);
    EXPECT_NEAR(road_.elemStartX[end], 4539926.1049, JOINT_TOLERANCE);
    EXPECT_NEAR(road_.elemStartY[end], 453616.1646, JOINT_TOLERANCE);
    const HorizontalSegment& last = horizontal_.back();
    EXPECT_LT(angleGap(road_.elemStartBearing[end], bearingOf(last.direction)), BEARING_TOLERANCE);
    std::cout << "STN02 joints: worst point " << worstPoint << " m, worst bearing " << worstBearing << " rad\n";
}

// The stake list every 50 m: each stake qualifies to its stretch, converts to
// a chainage 50 m from the last one (except the first, 3.1 m from the start,
// and the first after the break, which lies where the numbering jumps), and
// converts back to its own text; the ahead stake of the break itself is the
// same point as the back stake and is named by the back stretch.
TEST_F(Stn02, StakeListEveryFiftyMetresCrossesTheBreak) {
    ASSERT_EQ(paceStakes_.size(), 30u);
    double previous = START_STAKE;
    for (std::size_t k = 0; k < paceStakes_.size(); ++k) {
        const std::string& stake = paceStakes_[k];
        std::int16_t accepted = 0;
        const std::string qualified = zh_dlstr(breaks_, stake, sink_, accepted);
        ASSERT_EQ(accepted, 1) << stake;
        const bool ahead = number(stake) >= BREAK_AHEAD;
        EXPECT_EQ(qualified, (ahead ? "B" : "A") + stake);
        const double chainage = dlstr_sj(breaks_, qualified);
        const double spacing = chainage - previous;
        if (k == 0) {
            EXPECT_NEAR(spacing, 3.1, 1e-9);
        } else if (stake == "5350") {
            EXPECT_NEAR(spacing, BREAK_BACK - 850.0, 1e-9);
        } else {
            EXPECT_NEAR(spacing, 50.0, 1e-9) << stake;
        }
        previous = chainage;
        // Back to text: the break value has no exact binary form, so a whole
        // ahead stake may come back an ulp off the whole metre, which the
        // exact whole-number test writes with three decimals.
        const std::string back = stakeOf(chainage);
        if (stake == "5350") {
            EXPECT_EQ(back, "A876.272");
        } else {
            EXPECT_TRUE(back == qualified || (ahead && back == qualified + ".000")) << stake << " -> " << back;
        }
        // Every stake lies on the built road, the last one 29.2 m before its end.
        EXPECT_LT(chainage, road_.elemChainage[road_.elemCount + 1]);
    }
    EXPECT_TRUE(sink_.messages().empty());
    // A stake just past the ahead value belongs to the ahead stretch.
    EXPECT_EQ(stakeOf(BREAK_BACK + 0.001), "B5350.001");
}

// The stake texts of the segment ends through sj_dlstr_11, against the
// published mileages; the published end of segment 9, 876.2721, is the break
// rounded to 0.1 mm and lies 0.03 mm inside the gap of the numbering, so
// zh_dlstr refuses it as typed; the break is named A876.272 or B5350.
TEST_F(Stn02, SegmentEndsReadAsThePublishedStakes) {
    double worst = 0.0;
    for (int i = 1; i <= road_.elemCount; ++i) {
        const MileageRow& row = segmentEnds_[static_cast<std::size_t>(i - 1)];
        const bool ahead = i >= BREAK_SEGMENT;
        EXPECT_NEAR(road_.elemLength[i], row.to - row.from, STAKE_TOLERANCE) << "segment " << i;
        // Start of segment i; at the break the joint of the chain falls a
        // fraction of a millimetre after the back stake, into stretch B.
        const std::string start = stakeOf(road_.elemChainage[i]);
        ASSERT_FALSE(start.empty());
        EXPECT_EQ(start[0], ahead ? 'B' : 'A') << "segment " << i << ": " << start;
        EXPECT_EQ(start.size() - start.find('.'), 4u) << start;  // "0.000": none of these ends is whole
        const double value = number(start.substr(1));
        worst = std::max(worst, std::fabs(value - row.from));
        EXPECT_NEAR(value, row.from, STAKE_TOLERANCE) << "segment " << i << ": " << start;
        // The published mileage, qualified and converted, is the chain's chainage.
        if (i != BREAK_SEGMENT) {
            EXPECT_NEAR(chainageOf(formatFixed(row.from, 4)), road_.elemChainage[i], STAKE_TOLERANCE) << i;
        }
    }
    const int end = road_.elemCount + 1;
    EXPECT_EQ(stakeOf(road_.elemChainage[1]), "A-153.100");
    EXPECT_EQ(stakeOf(road_.elemChainage[2]), "A234.623");
    EXPECT_EQ(stakeOf(road_.elemChainage[11]), "B5400.513");
    EXPECT_EQ(stakeOf(road_.elemChainage[12]), "B5460.513");
    EXPECT_EQ(stakeOf(road_.elemChainage[end]), "B5779.223");  // published 5+779.2225
    EXPECT_NEAR(number(stakeOf(road_.elemChainage[end]).substr(1)), segmentEnds_.back().to, STAKE_TOLERANCE);

    // The break itself.
    EXPECT_NEAR(road_.elemChainage[BREAK_SEGMENT], BREAK_BACK, STAKE_TOLERANCE);
    EXPECT_EQ(stakeOf(BREAK_BACK), "A876.272");
    EXPECT_DOUBLE_EQ(chainageOf("B5350"), BREAK_BACK);
    EXPECT_DOUBLE_EQ(chainageOf("A876.272071"), BREAK_BACK);
    std::int16_t accepted = 1;
    const std::string refused = zh_dlstr(breaks_, "876.2721", sink_, accepted);
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(refused, "876.2721");
    ASSERT_EQ(sink_.messages().size(), 1u);
    EXPECT_EQ(sink_.messages()[0], "桩号876.2721不应存在876.272071和5350之间，请修改！");
    // Stakes of the gap between the two numberings do not exist either.
    EXPECT_EQ(zh_dlstr(breaks_, "2000", sink_, accepted), "2000");
    EXPECT_EQ(accepted, 0);
    std::cout << "STN02 segment-end stakes: worst " << worst << " m\n";
}

// The profile: grade points where the published grade lines meet, written as
// stakes of their stretch into a profile file with the vertical-curve radii,
// loaded through the chain-break table. Our parabolic curves must meet the
// published circular ones: tangent points (stakes), heights and grades at
// every segment start and end, and the heights along each curve every metre.
TEST_F(Stn02, ProfileMeetsThePublishedCircularVerticalCurves) {
    ASSERT_EQ(vertical_.size(), 10u);
    const auto chainageAt = [](double distance) { return START_STAKE + distance; };
    std::string file;
    std::vector<double> curveDistances;
    ASSERT_NO_FATAL_FAILURE(publishedGradePoints(file, curveDistances));
    const VerticalSegment& last = vertical_.back();
    Profile profile;
    ASSERT_EQ(readProfileFile(put("STN02.zdm", file), breaks_, sink_, profile), ProfileRead::Loaded) << file;
    ASSERT_EQ(profile.gradePointCount, 7) << file;
    EXPECT_TRUE(sink_.messages().empty());
    // The grade point at the joint of V5 and V6 is the break, written on its
    // ahead side: its chainage is the break's (to the 0.1 mm of the table).
    EXPECT_NEAR(profile.gradePointChainage[4], BREAK_BACK, STAKE_TOLERANCE) << file;

    // Tangent points against the published mileages of the curves.
    ASSERT_EQ(curveEnds_.size(), curveDistances.size());
    double worstTangent = 0.0;
    int curve = 0;
    for (int j = 2; j < profile.gradePointCount; ++j) {
        if (profile.curveRadius[j] == 0.0) continue;
        const MileageRow& row = curveEnds_[static_cast<std::size_t>(curve++)];
        const double start = profile.gradePointChainage[j] - profile.tangentLength[j];
        const double end = profile.curveEndChainage[j];
        const std::string startText = stakeOf(start), endText = stakeOf(end);
        const char letter = row.from >= BREAK_AHEAD ? 'B' : 'A';
        EXPECT_EQ(startText[0], letter) << startText;
        EXPECT_EQ(endText[0], letter) << endText;
        EXPECT_NEAR(number(startText.substr(1)), row.from, TANGENT_POINT_TOLERANCE) << "curve " << curve;
        EXPECT_NEAR(number(endText.substr(1)), row.to, TANGENT_POINT_TOLERANCE) << "curve " << curve;
        worstTangent = std::max({worstTangent, std::fabs(number(startText.substr(1)) - row.from),
                                 std::fabs(number(endText.substr(1)) - row.to)});
    }
    EXPECT_EQ(curve, 4);

    // Heights and grades at the start and end of every published segment.
    double worstHeight = 0.0, worstGrade = 0.0;
    for (std::size_t i = 0; i < vertical_.size(); ++i) {
        const VerticalSegment& s = vertical_[i];
        const double startChainage = chainageAt(s.distance), endChainage = chainageAt(s.distance + s.length);
        const DesignPoint atStart = DesignAt(profile, startChainage);
        const DesignPoint atEnd = DesignAt(profile, endChainage);
        worstHeight = std::max(worstHeight, std::fabs(atStart.elevation - s.height));
        worstGrade = std::max({worstGrade, std::fabs(atStart.grade - s.startGrade), std::fabs(atEnd.grade - s.endGrade)});
        EXPECT_NEAR(atStart.elevation, s.height, ELEVATION_TOLERANCE) << "segment V" << i + 1;
        EXPECT_NEAR(atStart.grade, s.startGrade, GRADE_TOLERANCE) << "segment V" << i + 1;
        EXPECT_NEAR(atEnd.grade, s.endGrade, GRADE_TOLERANCE) << "segment V" << i + 1;
        if (i + 1 < vertical_.size()) {
            EXPECT_NEAR(atEnd.elevation, vertical_[i + 1].height, ELEVATION_TOLERANCE) << "end of V" << i + 1;
        }
    }
    EXPECT_NEAR(DesignElevation(profile, chainageAt(last.distance + last.length)), 4.0, ELEVATION_TOLERANCE);

    // Along each published circle, every metre: the circle through the
    // segment's start point, tangent to its start grade, centre below for a
    // positive (crest) radius and above for a negative one.
    double worstCircle = 0.0;
    for (const VerticalSegment& s : vertical_) {
        if (s.type != "CIRCULARARC") continue;
        const double r = std::fabs(s.radius), a0 = std::atan(s.startGrade);
        const double side = s.radius > 0.0 ? 1.0 : -1.0;
        const double centreD = s.distance + side * r * std::sin(a0);
        const double centreH = s.height - side * r * std::cos(a0);
        for (double d = s.distance; d <= s.distance + s.length; d += 1.0) {
            const double circle = centreH + side * std::sqrt(r * r - (d - centreD) * (d - centreD));
            const double ours = DesignElevation(profile, chainageAt(d));
            worstCircle = std::max(worstCircle, std::fabs(ours - circle));
            EXPECT_NEAR(ours, circle, ELEVATION_TOLERANCE) << "distance " << d;
        }
    }
    std::cout << "STN02 profile: worst tangent point " << worstTangent << " m, height " << worstHeight
              << " m, grade " << worstGrade << ", along the circles " << worstCircle << " m\n";
}
