#include <gtest/gtest.h>

#include <cmath>

#include "geometry/profile.h"

using namespace vornex;

namespace {

Road roadWithGrades(std::initializer_list<GradePoint> points, int method) {
    Road road;
    road.calcMethod = method;
    road.gradePoints = points;
    return road;
}

// +2 % up to the grade point at 1000 (elevation 120), then -1 %; R = 10000.
Road crestRoad(int method) {
    return roadWithGrades({{0, 100, 0}, {1000, 120, 10000}, {2000, 110, 0}}, method);
}

}  // namespace

TEST(VerticalCurve, TraditionalCrestElements) {
    const Road road = crestRoad(kTraditionalMethod);
    const VerticalCurve vc = verticalCurve(road, 1, kTraditionalMethod);
    EXPECT_NEAR(vc.gradeChange, -0.03, 1e-12);
    EXPECT_NEAR(vc.tangent1, 150.0, 1e-9);
    EXPECT_NEAR(vc.tangent2, 150.0, 1e-9);
    EXPECT_NEAR(vc.externalDistance, 1.125, 1e-9);
    EXPECT_NEAR(vc.aux, 150.0, 1e-9);
    EXPECT_NEAR(vc.backDistance, 1000.0, 1e-12);
    EXPECT_NEAR(vc.aheadDistance, 1000.0, 1e-12);

    // The end points carry only their one grade.
    const VerticalCurve first = verticalCurve(road, 0, kTraditionalMethod);
    EXPECT_NEAR(first.aheadGrade, 0.02, 1e-12);
    EXPECT_EQ(first.backGrade, 0.0);
    EXPECT_EQ(first.tangent2, 0.0);
    const VerticalCurve last = verticalCurve(road, 2, kTraditionalMethod);
    EXPECT_NEAR(last.backGrade, -0.01, 1e-12);
    EXPECT_EQ(last.aheadGrade, 0.0);
    EXPECT_EQ(last.tangent1, 0.0);
}

TEST(VerticalCurve, ExactCrestMatchesCircleTangentToBothGrades) {
    const Road road = crestRoad(kExactMethod);
    const VerticalCurve vc = verticalCurve(road, 1, kExactMethod);
    // Closed forms of a circle of radius R tangent to both grade lines: tangent
    // length R·tan(Δ/2) along each line, external distance R·(sec(Δ/2) - 1).
    const double a1 = std::atan(0.02), a2 = std::atan(-0.01);
    const double half = (a1 - a2) / 2;
    const double T = 10000 * std::tan(half);
    EXPECT_NEAR(vc.tangent1, T * std::cos(a1), 1e-6);
    EXPECT_NEAR(vc.tangent2, T * std::cos(a2), 1e-6);
    EXPECT_LT(vc.tangent1, 150.0);
    EXPECT_LT(vc.tangent2, 150.0);
    EXPECT_NEAR(vc.externalDistance, 10000 * (1 / std::cos(half) - 1), 1e-6);
    EXPECT_NEAR(vc.externalDistance, 1.125, 0.001);

    // The centre lies R below the back grade line at its tangent point.
    const double ts = 1000 - T * std::cos(a1), tz = 120 - T * std::sin(a1);
    const double cs = ts + 10000 * std::sin(a1), cz = tz - 10000 * std::cos(a1);
    // ...and equally far from the ahead grade line z = 120 - 0.01 (s - 1000).
    EXPECT_NEAR(std::fabs(-0.01 * (cs - 1000) + 120 - cz) / std::hypot(1.0, 0.01), 10000.0, 1e-6);
    for (double s : {ts + 1, 900.0, 1000.0, 1050.0, 1000 + vc.tangent2 - 1}) {
        const double expected = cz + std::sqrt(10000.0 * 10000.0 - (s - cs) * (s - cs));
        EXPECT_NEAR(designElevation(road, s).elevation, expected, 1e-6) << s;
    }
}

TEST(DesignElevation, TraditionalCurveAndTangents) {
    const Road road = crestRoad(kTraditionalMethod);
    struct Case { double station; double elevation; };
    const Case cases[] = {
        {500, 110},                     // back tangent
        {850, 117},                     // curve start
        {900, 118 - 50.0 * 50 / 20000},  // parabola x²/(2R) below the tangent
        {1000, 120 - 1.125},            // the grade point: E below the intersection
        {1100, 119 - 50.0 * 50 / 20000},
        {1150, 118.5},                  // curve end: already the next grade's tangent
        {1500, 115},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(designElevation(road, c.station).elevation, c.elevation, 1e-9) << c.station;
}

TEST(DesignElevation, SagCurveIsRaised) {
    for (int method : {kTraditionalMethod, kExactMethod}) {
        const Road road = roadWithGrades({{0, 100, 0}, {1000, 90, 10000}, {2000, 110, 0}}, method);
        const VerticalCurve vc = verticalCurve(road, 1, method);
        EXPECT_GT(vc.gradeChange, 0);
        EXPECT_NEAR(designElevation(road, 1000).elevation, 90 + vc.externalDistance, 1e-3) << method;
        EXPECT_NEAR(vc.externalDistance, 10000 * 0.03 * 0.03 / 8, 2e-3) << method;
    }
}

TEST(DesignElevation, ProfileBandAndLevelExtension) {
    const Road road = crestRoad(kTraditionalMethod);
    struct Case { double station; bool inProfile; double elevation; };
    const Case cases[] = {
        {-0.004, true, 100}, {-0.006, false, 100}, {-50, false, 100},
        {2000.004, true, 110}, {2000.006, false, 110}, {2100, false, 110},
    };
    for (const Case& c : cases) {
        const ProfileElevation e = designElevation(road, c.station);
        EXPECT_EQ(e.inProfile, c.inProfile) << c.station;
        EXPECT_NEAR(e.elevation, c.elevation, 1e-9) << c.station;
    }
    const ProfileElevation none = designElevation(Road{}, 10);
    EXPECT_FALSE(none.inProfile);
    EXPECT_EQ(none.elevation, 0.0);
}

TEST(DesignElevation, OffsetAddsTheSurfaceHeight) {
    Road road = crestRoad(kTraditionalMethod);
    CrossSectionPlate carriageway;
    carriageway.side = 1;
    carriageway.width = 3.75;
    carriageway.crossfall = -2;
    CrossSectionPlate shoulder = carriageway;
    shoulder.width = 0.75;
    shoulder.crossfall = -4;
    road.plates = {carriageway, shoulder};
    EXPECT_NEAR(designElevation(road, 500, -4.5).elevation, 110 - 0.105, 1e-9);
    // No plates on the right: the surface stays at the centreline height.
    EXPECT_NEAR(designElevation(road, 500, 4.5).elevation, 110, 1e-9);
}

TEST(GradePointValues, TableValues) {
    // Two curves: the straight between them is shortened by both tangents.
    const Road road = roadWithGrades(
        {{0, 100, 0}, {400, 108, 5000}, {900, 103, 8000}, {1300, 103, 0}}, kTraditionalMethod);
    const GradePointValues first = gradePointValues(road, 0);
    EXPECT_FALSE(first.interior);
    EXPECT_FALSE(first.hasBack);

    const GradePointValues second = gradePointValues(road, 1);
    EXPECT_TRUE(second.interior);
    EXPECT_FALSE(second.sag);
    EXPECT_EQ(curveKindText(second.sag), "凸");
    EXPECT_NEAR(second.tangent1, 0.03 * 5000 / 2, 1e-9);  // +2 % to -1 %
    EXPECT_NEAR(second.straightLength, 400 - 75, 1e-9);
    EXPECT_NEAR(second.gradePercent, 2.0, 1e-9);

    const GradePointValues third = gradePointValues(road, 2);
    EXPECT_TRUE(third.sag);  // -1 % to level
    EXPECT_EQ(curveKindText(third.sag), "凹");
    EXPECT_NEAR(third.tangent2, 0.01 * 8000 / 2, 1e-9);
    EXPECT_NEAR(third.externalDistance, 40.0 * 40 / 16000, 1e-9);
    EXPECT_NEAR(third.backDistance, 500, 1e-12);
    EXPECT_NEAR(third.straightLength, 500 - 40 - 75, 1e-9);
    EXPECT_NEAR(third.gradePercent, -1.0, 1e-9);

    const GradePointValues last = gradePointValues(road, 3);
    EXPECT_FALSE(last.interior);
    EXPECT_TRUE(last.hasBack);
    EXPECT_NEAR(last.straightLength, 400 - 40, 1e-9);
}

TEST(GradePointValues, NoGradeChangeIsACrestWithoutCurve) {
    const Road road = roadWithGrades({{0, 100, 0}, {100, 101, 3000}, {200, 102, 0}}, kTraditionalMethod);
    const GradePointValues v = gradePointValues(road, 1);
    EXPECT_FALSE(v.sag);
    EXPECT_EQ(v.tangent1, 0.0);
    EXPECT_EQ(v.externalDistance, 0.0);
    EXPECT_NEAR(designElevation(road, 100).elevation, 101, 1e-12);
}

TEST(DesignElevation, GradePointsAtOneStationStayFinite) {
    // Two grade points at one station carry no grade; neither method may produce
    // a vertical grade line (and with it NaN or absurd tangents).
    for (int method : {kTraditionalMethod, kExactMethod}) {
        const Road road = roadWithGrades({{0, 100, 0}, {100, 101, 3000}, {100, 105, 3000}, {300, 103, 0}}, method);
        for (double s : {50.0, 99.0, 100.0, 101.0, 200.0}) {
            const double z = designElevation(road, s).elevation;
            EXPECT_TRUE(std::isfinite(z)) << method << " " << s;
            EXPECT_GT(z, 95) << method << " " << s;
            EXPECT_LT(z, 110) << method << " " << s;
        }
    }
}

namespace vornex {
namespace {

// The prepared search finds the same grade point as the linear one, also where
// curves overlap (a short grade between two long curves), where two grade
// points share a station and for stations beyond both ends, with both methods.
TEST(DesignElevation, PreparedSearchGivesTheSameElevations) {
    Road road;
    const double points[][3] = {{0, 100, 0},      {300, 104, 20000}, {360, 101, 30000}, {360, 101, 5000},
                                {900, 112, 8000}, {1400, 95, 60000}, {1450, 96, 4000},  {2000, 90, 0}};
    for (const auto& p : points) road.gradePoints.push_back({p[0], p[1], p[2]});
    for (int method : {0, 1}) {
        road.calcMethod = method;
        const ProfileSearch search = profileSearch(road);
        for (double c = -50; c <= 2050; c += 0.37) {
            SCOPED_TRACE(c);
            const ProfileElevation linear = designElevation(road, c);
            const ProfileElevation prepared = designElevation(road, search, c);
            EXPECT_EQ(prepared.inProfile, linear.inProfile);
            if (std::isnan(linear.elevation)) EXPECT_TRUE(std::isnan(prepared.elevation));
            else EXPECT_EQ(prepared.elevation, linear.elevation);
        }
    }
}

}  // namespace
}  // namespace vornex
