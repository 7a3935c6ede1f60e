#include "geometry/plane.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vornex {
namespace {

void expectPoint(const PlanePoint& p, double x, double y) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
}

TEST(Plane, SolveQuadratic) {
    struct Case {
        double a, b, c;
        bool ok;
        double r1, r2;
    } cases[] = {
        {1, -3, 2, true, 1, 2},
        {-1, 3, -2, true, 2, 1},        // root1 takes -√Δ over a negative 2a
        {0, 2, -4, true, 2, 2},         // linear
        {0.00005, 2, -4, true, 2, 2},   // |a| below 0.0001 counts as linear
        {0, 0, 1, false, 0, 0},
        {1, 2, 1.00002, true, -1, -1},  // Δ = -0.00008 counts as zero
        {1, 0, 1, false, 0, 0},
    };
    for (const Case& c : cases) {
        double r1 = 7, r2 = 7;
        EXPECT_EQ(solveQuadratic(c.a, c.b, c.c, r1, r2), c.ok) << c.a << " " << c.b << " " << c.c;
        EXPECT_NEAR(r1, c.r1, 1e-9);
        EXPECT_NEAR(r2, c.r2, 1e-9);
    }
}

TEST(Plane, IntersectLines) {
    PlanePoint p;
    ASSERT_TRUE(intersectLines(1, 1, -2, 1, -1, 0, p));
    expectPoint(p, 1, 1);
    ASSERT_TRUE(intersectLines(0, 1, -3, 1, 0, -5, p));  // Y = 3 and X = 5
    expectPoint(p, 5, 3);
    ASSERT_TRUE(intersectLines(2, 0, -8, 1, 1, -10, p));  // X = 4
    expectPoint(p, 4, 6);
    ASSERT_TRUE(intersectLines(3, -2, 1, 1, 4, -9, p));
    EXPECT_NEAR(3 * p.x - 2 * p.y + 1, 0, 1e-9);
    EXPECT_NEAR(p.x + 4 * p.y - 9, 0, 1e-9);

    struct Fail {
        double a1, b1, c1, a2, b2, c2;
    } fails[] = {
        {1, 1, 0, 2, 2, 1},     // parallel
        {0, 0, 1, 1, 1, 0},     // first line has no direction
        {0, 1, 1, 0, 2, 5},     // both horizontal in X
        {1, 0, 1, 3, 0, 5},     // both vertical in Y
        {0.00005, 1, -3, 0, 1, 5},  // nearly parallel: the X coefficient of the second is zero
    };
    for (const Fail& f : fails) {
        p = {9, 9};
        EXPECT_FALSE(intersectLines(f.a1, f.b1, f.c1, f.a2, f.b2, f.c2, p));
        expectPoint(p, 0, 0);
    }
}

TEST(Plane, IntersectLineCircle) {
    PlanePoint p1, p2;
    ASSERT_TRUE(intersectLineCircle(1, 0, -3, 0, 0, 5, p1, p2));  // X = 3
    expectPoint(p1, 3, -4);
    expectPoint(p2, 3, 4);
    ASSERT_TRUE(intersectLineCircle(1, -1, 0, 0, 0, std::sqrt(2.0), p1, p2));  // Y = X
    expectPoint(p1, -1, -1);
    expectPoint(p2, 1, 1);
    // A general line and circle: both points lie on both.
    ASSERT_TRUE(intersectLineCircle(2, 3, -40, 5, 7, 6, p1, p2));
    for (const PlanePoint& p : {p1, p2}) {
        EXPECT_NEAR(2 * p.x + 3 * p.y - 40, 0, 1e-9);
        EXPECT_NEAR(std::hypot(p.x - 5, p.y - 7), 6, 1e-9);
    }
    EXPECT_FALSE(intersectLineCircle(1, 0, -30, 0, 0, 5, p1, p2));  // misses
    EXPECT_FALSE(intersectLineCircle(1, 1, 0, 0, 0, 0, p1, p2));    // no circle
    EXPECT_FALSE(intersectLineCircle(0, 0, 1, 0, 0, 5, p1, p2));    // no line
    expectPoint(p1, 0, 0);
}

TEST(Plane, IntersectCircles) {
    PlanePoint p1, p2;
    ASSERT_TRUE(intersectCircles(0, 0, 5, 6, 0, 5, p1, p2));
    EXPECT_NEAR(p1.x, 3, 1e-9);
    EXPECT_NEAR(std::fabs(p1.y), 4, 1e-9);
    EXPECT_NEAR(p1.y, -p2.y, 1e-9);
    // Centres on one X: the chord branch.
    ASSERT_TRUE(intersectCircles(10, 20, 5, 10, 26, -5, p1, p2));
    expectPoint(p1, 14, 23);
    expectPoint(p2, 6, 23);
    // A general pair: both points on both circles.
    ASSERT_TRUE(intersectCircles(1, 2, 7, 6, -3, 4, p1, p2));
    for (const PlanePoint& p : {p1, p2}) {
        EXPECT_NEAR(std::hypot(p.x - 1, p.y - 2), 7, 1e-9);
        EXPECT_NEAR(std::hypot(p.x - 6, p.y + 3), 4, 1e-9);
    }
    // Touching from outside gives the touching point twice; within 0.001 of
    // touching the two close points (5, ±0.01) merge into their midpoint.
    ASSERT_TRUE(intersectCircles(0, 0, 5, 10, 0, 5, p1, p2));
    expectPoint(p1, 5, 0);
    expectPoint(p2, 5, 0);
    ASSERT_TRUE(intersectCircles(0, 0, 5, 10, 0, 5.00001, p1, p2));
    EXPECT_NEAR(p1.x, 4.999995, 1e-9);
    EXPECT_NEAR(p1.y, 0, 1e-9);
    EXPECT_EQ(p1, p2);
    EXPECT_FALSE(intersectCircles(0, 0, 5, 0, 0, 3, p1, p2));   // concentric
    EXPECT_FALSE(intersectCircles(0, 0, 5, 20, 0, 5, p1, p2));  // apart
    EXPECT_FALSE(intersectCircles(0, 0, 5, 0, 20, 5, p1, p2));  // apart, chord branch
    expectPoint(p1, 0, 0);
}

TEST(Plane, CircleCentre) {
    PlanePoint c;
    ASSERT_TRUE(circleCentre(false, 0, 0, 100, 100, 100, c));  // arc turning right from heading 0
    expectPoint(c, 0, 100);
    ASSERT_TRUE(circleCentre(true, 0, 0, 100, 100, 100, c));
    expectPoint(c, 100, 0);
    ASSERT_TRUE(circleCentre(false, 0, 0, 100, 100, -100, c));  // a negative radius mirrors
    expectPoint(c, 100, 0);
    ASSERT_TRUE(circleCentre(false, 3, 4, 3, 4, 50, c));
    expectPoint(c, 3, 4);
    ASSERT_TRUE(circleCentre(false, 3, 4, 9, 9, 0, c));
    expectPoint(c, 3, 4);
    EXPECT_FALSE(circleCentre(false, 0, 0, 300, 0, 100, c));  // chord longer than the diameter
    expectPoint(c, 0, 0);
}

}  // namespace
}  // namespace vornex
