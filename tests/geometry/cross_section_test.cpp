#include <gtest/gtest.h>

#include <cmath>

#include "geometry/cross_section.h"

using namespace vornex;

namespace {

CrossSectionPlate plate(int side, double width, double crossfall, double curb = 0) {
    CrossSectionPlate p;
    p.side = side;
    p.width = width;
    p.crossfall = crossfall;
    p.curbHeight = curb;
    return p;
}

PlateChange change(double station, int plateIndex, int transition, double value) {
    return PlateChange{station, plateIndex, transition, value};
}

// Left: 3.75 m carriageway at -2 % and a 0.75 m shoulder at -4 %.
// Right: the same carriageway with a 0.15 m curb to a 2 m sidewalk at +1.5 %.
Road twoSidedRoad() {
    Road road;
    road.plates = {plate(kLeftSide, 3.75, -2), plate(kRightSide, 3.75, -2, 0.15),
                   plate(kLeftSide, 0.75, -4), plate(kRightSide, 2.0, 1.5)};
    return road;
}

}  // namespace

TEST(CrossSection, PlatesOfASide) {
    const Road road = twoSidedRoad();
    EXPECT_EQ(plateOfSide(road, kLeftSide, 0), 0);
    EXPECT_EQ(plateOfSide(road, kLeftSide, 1), 2);
    EXPECT_EQ(plateOfSide(road, kRightSide, 1), 3);
    EXPECT_EQ(plateOfSide(road, kRightSide, 2), -1);
    EXPECT_EQ(plateOfSide(road, kLeftSide, -1), -1);
    EXPECT_NEAR(halfWidth(road, kLeftSide, 0), 4.5, 1e-12);
    EXPECT_NEAR(halfWidth(road, kRightSide, 0), 5.75, 1e-12);
    EXPECT_EQ(halfWidth(Road{}, kLeftSide, 0), 0.0);
}

TEST(CrossSection, SurfaceHeight) {
    const Road road = twoSidedRoad();
    struct Case { double offset; double sideAngle; double height; };
    const Case cases[] = {
        {0, 270, 0},
        {2.0, 270, -0.04},
        {4.5, 270, -0.075 - 0.03},          // carriageway plus shoulder: -0.105
        {9.0, 270, -0.105},                 // beyond the last plate: the outer edge
        {-1, 270, -0.105},                  // a negative offset stands for the outer edge
        {3.75, 90, -0.075},                 // up to the carriageway edge (within 0.0001)
        {3.75005, 90, -0.075 - 0.000001},   // still on the carriageway
        {4.75, 90, -0.075 + 0.15 + 0.015},  // past the curb everything is 0.15 higher
        {20, 90, -0.075 + 0.15 + 0.03},
        {-1, 90, -0.075 + 0.15 + 0.03},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(surfaceHeight(road, 0, c.offset, c.sideAngle), c.height, 1e-9)
            << c.offset << " at " << c.sideAngle;
    EXPECT_EQ(surfaceHeight(Road{}, 0, 3, 90), 0.0);
}

TEST(CrossSection, PlateUnderAnOffset) {
    const Road road = twoSidedRoad();
    EXPECT_EQ(plateAtOffset(road, 0, 1.0, 270), 0);
    EXPECT_EQ(plateAtOffset(road, 0, 4.0, 270), 2);
    EXPECT_EQ(plateAtOffset(road, 0, -1, 270), 2);
    EXPECT_EQ(plateAtOffset(road, 0, 4.6, 270), -1);
    EXPECT_EQ(plateAtOffset(road, 0, 5.0, 90), 3);
}

TEST(CrossSection, WidthTransitions) {
    Road road;
    road.plates = {plate(kRightSide, 3.0, -2), plate(kRightSide, 2.0, -2)};
    struct Case { int code; double station; double width; };
    // Widening 3.5 -> 4.5 between 100 and 140, narrowing back between 200 and 240,
    // the transition code being that of the change point where it starts.
    const auto widths = [&](int code) {
        road.widthChanges = {change(100, 0, code, 3.5), change(140, 0, 0, 4.5),
                             change(200, 0, code, 4.5), change(240, 0, 0, 3.5)};
    };
    const Case cases[] = {
        {2, 120, 3.8125},                 // 3.5 + 4·0.125 - 3·0.0625
        {2, 220, 3.8125},                 // narrowing: measured from the narrow end too
        {2, 110, 3.5 + (4 * std::pow(0.25, 3) - 3 * std::pow(0.25, 4))},
        {2, 230, 3.5 + (4 * std::pow(0.25, 3) - 3 * std::pow(0.25, 4))},
        {1, 110, 3.5 + (3 * 0.0625 - 2 * std::pow(0.25, 3))},
        {1, 230, 3.5 + (3 * 0.0625 - 2 * std::pow(0.25, 3))},
        {0, 120, 4.0},
        {0, 210, 4.25},
        {2, 0, 3.5},          // before the first change point: its value, not the standard width
        {2, 99.9996, 3.5},
        {2, 139.9996, 4.5},   // within 0.0005 m of a change point: its value
        {2, 170, 4.5},
        {2, 239.9996, 3.5},
        {2, 1000, 3.5},       // after the last change point
    };
    for (const Case& c : cases) {
        widths(c.code);
        EXPECT_NEAR(plateWidth(road, 0, c.station), c.width, 1e-4) << "code " << c.code << " at " << c.station;
    }
    EXPECT_EQ(plateWidth(road, 1, 120), 2.0);  // no change points: standard width
    EXPECT_EQ(plateWidth(road, 5, 120), 0.0);
}

TEST(CrossSection, CircularWidthTransitionLeavesTheNarrowEdgeTangentially) {
    // The edge runs on a circular arc tangent to the narrower edge at the narrow
    // end and reaching the wider width at the far change point.
    Road road;
    road.plates = {plate(kRightSide, 3.0, -2)};
    road.widthChanges = {change(100, 0, 3, 3.5), change(140, 0, 0, 4.5),
                         change(200, 0, 3, 4.5), change(240, 0, 0, 3.5)};
    // Circle through (0, 0) and (40, 1) with its centre on the normal at (0, 0).
    const double R = (40.0 * 40 + 1) / 2;
    const auto arc = [&](double x) { return 3.5 + R - std::sqrt(R * R - x * x); };
    for (double x : {0.0, 5.0, 20.0, 35.0}) {
        EXPECT_NEAR(plateWidth(road, 0, 100 + x), arc(x), 1e-4) << x;
        EXPECT_NEAR(plateWidth(road, 0, 240 - x), arc(x), 1e-4) << x;
    }
    EXPECT_NEAR(plateWidth(road, 0, 139.9996), 4.5, 1e-9);
    // Smooth at the narrow end, steeper towards the wide end.
    EXPECT_LT(plateWidth(road, 0, 102) - 3.5, 0.01);
    EXPECT_GT(plateWidth(road, 0, 120), 3.7);
}

TEST(CrossSection, CrossfallTransitionsUseOnlyTheCubicShape) {
    Road road;
    road.plates = {plate(kRightSide, 3.75, -2)};
    struct Case { int code; double station; double crossfall; };
    const Case cases[] = {
        {0, 50, 0.0},
        {2, 50, 0.0},   // the quartic shape is for widths only: linear here
        {3, 25, -1.0},  // so is the circular one
        {1, 25, -2 + 4 * (3 * 0.0625 - 2 * std::pow(0.25, 3))},
        {1, 75, -2 + 4 * (1 - (3 * 0.0625 - 2 * std::pow(0.25, 3)))},
    };
    for (const Case& c : cases) {
        road.crossfallChanges = {change(0, 0, c.code, -2), change(100, 0, 0, 2)};
        EXPECT_NEAR(plateCrossfall(road, 0, c.station), c.crossfall, 2e-4) << c.code << " at " << c.station;
    }
    road.crossfallChanges.clear();
    EXPECT_EQ(plateCrossfall(road, 0, 50), -2.0);
}

TEST(CrossSection, ChangesOfEveryPlateInAnUnorderedList) {
    // The change list as left by editing: plates interleaved, stations out of order.
    Road road;
    road.plates = {plate(kLeftSide, 3.0, -2), plate(kRightSide, 3.0, -2)};
    road.widthChanges = {change(140, 0, 0, 4.5), change(0, 1, 0, 3.0), change(100, 0, 0, 3.5),
                         change(50, 1, 0, 4.0)};
    EXPECT_NEAR(plateWidth(road, 0, 120), 4.0, 1e-4);
    EXPECT_NEAR(plateWidth(road, 1, 25), 3.5, 1e-4);
    EXPECT_NEAR(plateWidth(road, 1, 120), 4.0, 1e-9);
}
