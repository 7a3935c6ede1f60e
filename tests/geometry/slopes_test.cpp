#include <gtest/gtest.h>

#include <cmath>

#include "geometry/cross_section.h"
#include "geometry/slopes.h"

using namespace vornex;

namespace {

SlopeTemplateRow row(int type, double v1 = 0, double v2 = 0, double v3 = 0, double v4 = 0, double v5 = 0) {
    return SlopeTemplateRow{type, {v1, v2, v3, v4, v5}};
}

SlopeTemplate slopeTemplate(std::initializer_list<SlopeTemplateRow> rows) {
    SlopeTemplate t;
    t.rows = rows;
    return t;
}

}  // namespace

TEST(SlopeReach, RowsUseUpTheHeight) {
    const SlopeTemplate cutSlope = slopeTemplate({row(kSlopeFixedHeight, 2, 1.5), row(kSlopeFree, 1)});
    const SlopeTemplate fillWithPlatform = slopeTemplate({row(kSlopePlatform, 2, -2), row(kSlopeFree, 1.5)});
    const SlopeTemplate risingPlatform = slopeTemplate({row(kSlopePlatform, 2, 2), row(kSlopeFree, 1)});
    // Ditches: inner height 0.6, outer height 0.8 (the outer top 0.2 above the edge).
    const SlopeTemplate rectDitch = slopeTemplate({row(kSlopeRectDitch, 0.6, 0.4, 0.8), row(kSlopeFree, 1)});
    const SlopeTemplate trapDitch =
        slopeTemplate({row(kSlopeTrapezoidDitch, 0.6, 0.3, 0.4, 0.8, 0.4), row(kSlopeFree, 1)});
    const SlopeTemplate levelTrapDitch =
        slopeTemplate({row(kSlopeTrapezoidDitch, 0.5, 0.3, 0.4, 0.5, 0.3), row(kSlopeFree, 1.5)});
    const SlopeTemplate skipped =
        slopeTemplate({row(5, 3, 120), row(7, 1, 2, 3, 4, 5), row(kSlopeFree, 2), row(kSlopeFree, 9)});
    const SlopeTemplate platformOnly = slopeTemplate({row(kSlopePlatform, 2, -2)});
    const SlopeTemplate empty;

    struct Case { const char* what; const SlopeTemplate* t; double height; double reach; };
    const Case cases[] = {
        {"cut on the fixed-height slope", &cutSlope, 1.0, 1.5},
        {"cut 3 m: 2 m at 1:1.5, then 1 m at 1:1", &cutSlope, 3.0, 3 + 1},
        {"fill 3 m, mirrored", &cutSlope, -3.0, 4.0},
        {"fill: platform lowers 0.04, then 0.96 at 1:1.5", &fillWithPlatform, -1.0, 2 + 0.96 * 1.5},
        {"cut: a falling platform needs 0.04 more", &fillWithPlatform, 1.0, 2 + 1.04 * 1.5},
        {"cut ending on a rising platform", &risingPlatform, 0.03, 1.5},
        {"cut passing a rising platform", &risingPlatform, 1.0, 2 + 0.96},
        {"cut ending in a rectangular ditch", &rectDitch, 0.1, 0.4},
        {"cut beyond a rectangular ditch", &rectDitch, 0.5, 0.4 + 0.3},
        // The outer wall rises from the bottom (0.6 below the edge, 0.7 out) to
        // its top (0.2 above, 1.1 out): 0.1 above the edge lies 0.35 along it.
        {"cut ending on a trapezoidal ditch's outer wall", &trapDitch, 0.1, 0.7 + 0.4 * 0.7 / 0.8},
        {"cut at the outer wall's top", &trapDitch, 0.2, 1.1},
        {"cut beyond a trapezoidal ditch", &trapDitch, 0.5, 1.1 + 0.3},
        {"fill passes a level trapezoidal ditch", &levelTrapDitch, -2.0, 1.0 + 2 * 1.5},
        {"river-bank and centre-offset rows are passed over", &skipped, 1.0, 2.0},
        {"rows run out", &platformOnly, 5.0, 2.0},
        {"no rows", &empty, 5.0, 0.0},
        {"level with the edge", &cutSlope, 0.0, 0.0},
    };
    for (const Case& c : cases) EXPECT_NEAR(slopeReach(*c.t, c.height).distance, c.reach, 1e-9) << c.what;
}

TEST(SlopeReach, HeightReachedOnTheLastFixedHeightSlope) {
    const SlopeTemplate t = slopeTemplate({row(kSlopeFixedHeight, 2, 1.5), row(kSlopeFixedHeight, 3, 1), row(kSlopeFree, 1)});
    EXPECT_NEAR(slopeReach(t, 1.0).heightReached, 1.0, 1e-12);
    EXPECT_NEAR(slopeReach(t, 4.0).heightReached, 2.0, 1e-12);
    EXPECT_NEAR(slopeReach(t, 9.0).heightReached, 3.0, 1e-12);
    EXPECT_NEAR(slopeReach(t, -4.0).heightReached, -2.0, 1e-12);

    Road road;
    road.slopeTemplates = {t};
    EXPECT_NEAR(slopeReach(road, 0, 4.0).distance, 3 + 2, 1e-12);
    EXPECT_EQ(slopeReach(road, 1, 4.0).distance, 0.0);
}

TEST(SlopeAssignment, InForceAtAStation) {
    Road road;
    EXPECT_EQ(slopeAssignmentAt(road, 50), -1);
    road.slopeAssignments = {{0, 0, 0, 0, 0}, {100, 1, 1, 1, 1}, {200, 0, 1, 0, 1}};
    struct Case { double station; int index; };
    const Case cases[] = {{-10, 0}, {50, 0}, {99.9996, 1}, {99.9990, 0}, {150, 1}, {200, 2}, {5000, 2}};
    for (const Case& c : cases) EXPECT_EQ(slopeAssignmentAt(road, c.station), c.index) << c.station;
}

namespace {

// A level road at elevation 100 with a 3.75 m carriageway at -2 % and a 0.75 m
// shoulder at -4 % on each side: the edges 4.5 m out lie at 99.895.
Road slopedRoad() {
    Road road;
    road.gradePoints = {{0, 100, 0}, {1000, 100, 0}};
    for (int side : {kLeftSide, kRightSide}) {
        CrossSectionPlate carriageway;
        carriageway.side = side;
        carriageway.width = 3.75;
        carriageway.crossfall = -2;
        CrossSectionPlate shoulder = carriageway;
        shoulder.width = 0.75;
        shoulder.crossfall = -4;
        road.plates.push_back(carriageway);
        road.plates.push_back(shoulder);
    }
    road.slopeTemplates = {
        slopeTemplate({row(kSlopeFixedHeight, 2, 1.5), row(kSlopeFree, 1)}),  // 0: cut
        slopeTemplate({row(kSlopeFree, 1.5)}),                                 // 1: fill
        slopeTemplate({row(kSlopeFree, 0.5)}),                                 // 2: steep cut
    };
    // Left cut uses the steep template, right cut the stepped one.
    road.slopeAssignments = {{0, 1, 2, 1, 0}};
    return road;
}

}  // namespace

TEST(SlopeCheck, MeasuredPointAgainstTheDesignedSlope) {
    const Road road = slopedRoad();
    const double edge = 100 - 0.105;
    struct Case { const char* what; double offset; double elevation; double value; };
    const Case cases[] = {
        {"cut 3 m above, 3 m beyond the edge: inside", 7.5, edge + 3, 4.0 - 3.0},
        {"cut 3 m above, 5.5 m beyond: outside", 10.0, edge + 3, 4.0 - 5.5},
        {"fill 2 m below", 6.0, edge - 2, 3.0 - 1.5},
        {"left cut takes the left template", -7.5, edge + 3, 1.5 - 3.0},
        {"left fill", -6.0, edge - 2, 3.0 - 1.5},
        {"within 0.01 m of the edge counts as level", 5.0, edge + 0.009, -0.5},
    };
    for (const Case& c : cases) EXPECT_NEAR(slopeCheck(road, 500, c.offset, c.elevation), c.value, 1e-9) << c.what;
}

TEST(SlopeCheck, NotOnBridgesTunnelsOrWithoutData) {
    Road road = slopedRoad();
    Bridge bridge;
    bridge.startStation = 300;
    bridge.length = 50;
    road.bridges = {bridge};
    Tunnel tunnel;
    tunnel.startStation = 600;
    tunnel.length = 100;
    road.tunnels = {tunnel};
    EXPECT_TRUE(onBridge(road, 299.9996));
    EXPECT_TRUE(onBridge(road, 349.999));
    EXPECT_FALSE(onBridge(road, 350.001));
    EXPECT_EQ(slopeCheck(road, 320, 7.5, 102), kNoValue);
    EXPECT_EQ(slopeCheck(road, 650, 7.5, 102), kNoValue);
    EXPECT_NE(slopeCheck(road, 500, 7.5, 102), kNoValue);

    Road noAssignment = slopedRoad();
    noAssignment.slopeAssignments.clear();
    EXPECT_EQ(slopeCheck(noAssignment, 500, 7.5, 102), kNoValue);
    Road badTemplate = slopedRoad();
    badTemplate.slopeAssignments[0].rightCut = 7;
    EXPECT_EQ(slopeCheck(badTemplate, 500, 7.5, 102), kNoValue);
    Road noProfile = slopedRoad();
    noProfile.gradePoints.clear();
    EXPECT_EQ(slopeCheck(noProfile, 500, 7.5, 102), kNoValue);
}
