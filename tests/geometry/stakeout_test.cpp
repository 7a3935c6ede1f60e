#include "geometry/stakeout.h"
#include "support/road_fixtures.h"

#include <cmath>

#include <gtest/gtest.h>

namespace vornex {
namespace {

constexpr double kRad = 3.141592653589793 / 180;

AlignmentElement element(double x, double y, double azimuth, double station, double length, double r1, double r2) {
    return vornex::testing::elementAt("QD", x, y, azimuth, station, length, r1, r2);
}

Road northRoad() {
    Road r;
    r.elements = {element(0, 0, 0, 0, 1000, 0, 0)};
    return r;
}

TEST(Stakeout, RectangularStructureOnAStraight) {
    Road road = northRoad();
    Structure s;
    s.kindAndMethod = 1 << 16;  // rectangle
    s.station = 100;
    s.angle = 90;
    s.width = 4;
    s.leftLength = 10;
    s.rightLength = 12;
    s.centreElevation = 50;
    s.crossfall = 2;
    StructureStakeout out;
    ASSERT_TRUE(structureStakeout(road, s, out));
    // Road runs north; the axis runs east. 前 is ahead (north), 左 is west.
    const double expected[7][3] = {{102, -10, 49.8}, {100, -10, 49.8}, {98, -10, 49.8}, {100, 0, 50},
                                   {102, 12, 50.24}, {100, 12, 50.24}, {98, 12, 50.24}};
    for (int k = 0; k < 7; ++k) {
        EXPECT_NEAR(out.points[k].x, expected[k][0], 1e-9) << k;
        EXPECT_NEAR(out.points[k].y, expected[k][1], 1e-9) << k;
        EXPECT_NEAR(out.points[k].z, expected[k][2], 1e-9) << k;
    }
}

TEST(Stakeout, ParallelogramEndsRunParallelToTheRoad) {
    Road road = northRoad();
    Structure s;
    s.kindAndMethod = 0;  // parallelogram
    s.station = 100;
    s.angle = 60;
    s.width = 4;
    s.leftLength = 10;
    s.rightLength = 12;
    StructureStakeout out;
    ASSERT_TRUE(structureStakeout(road, s, out));
    // Right front corner: the front edge (axis shifted 2 m to the front, i.e. towards
    // azimuth 330) meets the right end (a north line through the axis point 12 m out).
    double endY = 12 * std::sin(60 * kRad);
    double fx = 2 * std::cos(-30 * kRad), fy = 2 * std::sin(-30 * kRad);
    double t = (endY - fy) / std::sin(60 * kRad);
    EXPECT_NEAR(out.points[4].x, 100 + fx + t * std::cos(60 * kRad), 1e-9);
    EXPECT_NEAR(out.points[4].y, endY, 1e-9);
    // Middle points stay on the axis; the ends are parallel to the road (same Y).
    EXPECT_NEAR(out.points[5].x, 100 + 12 * std::cos(60 * kRad), 1e-9);
    EXPECT_NEAR(out.points[6].y, endY, 1e-9);
    EXPECT_NEAR(out.points[0].y, out.points[2].y, 1e-9);
    EXPECT_FALSE(structureStakeout(Road{}, s, out));
}

TEST(Stakeout, PiersAndPilesOnACurve) {
    const double R = 500;
    Road road;
    road.elements = {element(0, 0, 0, 0, 600, R, R)};
    auto onArc = [&](double s, double& x, double& y, double& az) {
        double a = s / R;
        x = R * std::sin(a);
        y = R * (1 - std::cos(a));
        az = a / kRad;
    };
    Bridge b;
    b.startStation = 100;
    b.length = 200;
    b.axisOffset = 2;
    Pier pier;
    pier.station = 150;
    pier.angle = 90;
    // Curved bridge: the road point at the pier, moved 2 m right.
    AlignmentPoint c;
    ASSERT_TRUE(pierCentre(road, b, pier, 0.0001, c));
    double x, y, az;
    onArc(150, x, y, az);
    EXPECT_NEAR(c.x, x + 2 * std::cos((az + 90) * kRad), 1e-6);
    EXPECT_NEAR(c.y, y + 2 * std::sin((az + 90) * kRad), 1e-6);
    EXPECT_NEAR(c.azimuth, az, 1e-7);
    // Straight bridge: along the tangent at the middle (station 200), 50 m back.
    b.calcType = 1;
    ASSERT_TRUE(pierCentre(road, b, pier, 0.0001, c));
    onArc(200, x, y, az);
    EXPECT_NEAR(c.x, x - 50 * std::cos(az * kRad) + 2 * std::cos((az + 90) * kRad), 1e-6);
    EXPECT_NEAR(c.y, y - 50 * std::sin(az * kRad) + 2 * std::sin((az + 90) * kRad), 1e-6);
    // Relative pile: 1 m along the road, 3 m along the pier axis (square to the road).
    Pile pile{"P", 0, 1, 3, 0};
    PlanePoint p = pilePosition(c, pier, pile);
    EXPECT_NEAR(p.x, c.x + std::cos(az * kRad) + 3 * std::cos((az + 90) * kRad), 1e-9);
    EXPECT_NEAR(p.y, c.y + std::sin(az * kRad) + 3 * std::sin((az + 90) * kRad), 1e-9);
    pile.coordMode = 1;
    p = pilePosition(c, pier, pile);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 3);
}

}  // namespace
}  // namespace vornex
