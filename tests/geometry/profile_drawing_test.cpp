#include "geometry/profile_drawing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/profile.h"

namespace vornex {
namespace {

TEST(ProfileDrawing, GradeLinesCurvesAndLabels) {
    // +2 % to -1 % at 500 with a crest R 10000 (parabola: T = R·|Δi|/2 = 150 m,
    // E = T²/2R = 1.125 m), then -1 % to +3 % at 900 with a sag R 5000 (T = 100 m).
    Road road;
    road.calcMethod = 0;
    road.gradePoints = {{0, 100, 0}, {500, 110, 10000}, {900, 106, 5000}, {1200, 115, 0}};
    road.chainBreaks = {{700, 710}};
    AlignmentElement straight;
    straight.length = 1200;
    road.elements = {straight};
    ProfileDrawing d = profileDrawing(road);
    ASSERT_FALSE(d.empty);
    ASSERT_EQ(d.gradeLine.size(), 4u);
    ASSERT_EQ(d.gradePoints.size(), 4u);
    EXPECT_NEAR(d.gradePoints[0].gradeAhead, 20, 1e-9);
    EXPECT_NEAR(d.gradePoints[1].gradeAhead, -10, 1e-9);
    EXPECT_NEAR(d.gradePoints[2].gradeAhead, 30, 1e-9);
    EXPECT_FALSE(d.gradePoints[3].hasAhead);
    EXPECT_TRUE(d.gradePoints[1].hasCurve);
    EXPECT_EQ(d.gradePoints[1].station, "  K0+500.000");
    EXPECT_EQ(d.gradePoints[2].station, "  K0+910.000");  // beyond the short chain

    // Tangent points on the grade lines, T before and after each curved point.
    ASSERT_EQ(d.tangentPoints.size(), 4u);
    const double expected[4][2] = {{350, 107}, {650, 108.5}, {800, 107}, {1000, 109}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(d.tangentPoints[k].chainage, expected[k][0], 1e-6) << k;
        EXPECT_NEAR(d.tangentPoints[k].elevation, expected[k][1], 1e-6) << k;
    }
    // The crest's middle lies E below the grade point; every design vertex is the
    // design elevation at its chainage.
    bool sawCrest = false;
    for (const ProfileVertex& v : d.design) {
        EXPECT_NEAR(v.elevation, designElevation(road, v.chainage).elevation, 1e-9);
        if (std::fabs(v.chainage - 500) < 1e-9) {
            EXPECT_NEAR(v.elevation, 110 - 1.125, 1e-6);
            sawCrest = true;
        }
    }
    EXPECT_TRUE(sawCrest);
    EXPECT_NEAR(d.maxElevation, 115, 1e-9);
    EXPECT_NEAR(d.minElevation, 100, 1e-9);
    ASSERT_EQ(d.chainBreaks.size(), 1u);
    EXPECT_NEAR(d.chainBreaks[0].chainage, 700, 1e-9);
    EXPECT_EQ(d.chainBreaks[0].text, "短链= K0+710.000");

    EXPECT_TRUE(profileDrawing(Road{}).empty);
}

}  // namespace
}  // namespace vornex
