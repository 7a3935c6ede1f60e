#include "geometry/section_drawing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/cross_section.h"
#include "geometry/slopes.h"

namespace vornex {
namespace {

CrossSectionPlate plate(int side, double width, double crossfall, double layer = 0, double curb = 0) {
    CrossSectionPlate p;
    p.side = side;
    p.plateType = 6;
    p.width = width;
    p.crossfall = crossfall;
    p.layerThickness = layer;
    p.curbHeight = curb;
    return p;
}

SlopeTemplateRow row(int type, double v1, double v2 = 0, double v3 = 0, double v4 = 0, double v5 = 0) {
    return {type, {v1, v2, v3, v4, v5}};
}

void expectLine(const SectionPolyline& got, const SectionPolyline& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].offset, want[i].offset, 1e-9) << i;
        EXPECT_NEAR(got[i].height, want[i].height, 1e-9) << i;
    }
}

TEST(SectionDrawing, SurfaceAndSubgradeFollowPlatesAndCurbs) {
    Road road;
    // Right: 3.75 m at -2 % with a 0.15 m curb, then a 0.75 m shoulder at -4 %.
    // Left: one 5 m plate at +1.5 %. Layers 0.7 m and 0.3 m.
    road.plates = {plate(2, 3.75, -2, 0.7, 0.15), plate(2, 0.75, -4, 0.3), plate(1, 5, 1.5, 0.5)};
    road.gradePoints = {{0, 100, 0}, {1000, 110, 0}};
    DesignedSection s = designedSection(road, 500);
    EXPECT_TRUE(s.hasElevation);
    EXPECT_NEAR(s.centreElevation, 105, 1e-9);
    expectLine(s.surface, {{-5, 0.075}, {0, 0}, {3.75, -0.075}, {3.75, 0.075}, {4.5, 0.045}});
    expectLine(s.subgrade, {{-5, 0.075 - 0.5}, {0, -0.5}, {0, -0.7}, {3.75, -0.775}, {3.75, 0.075 - 0.3},
                            {4.5, 0.045 - 0.3}});
    // The surface agrees with the surface height of every plate edge.
    for (const SectionPoint& p : {s.surface[0], s.surface[2], s.surface[4]}) {
        double h = surfaceHeight(road, 500, std::fabs(p.offset), p.offset < 0 ? 270 : 90);
        EXPECT_NEAR(p.height, h, 1e-9) << p.offset;
    }
    EXPECT_TRUE(s.leftSlope.empty());  // no slope assignment
}

TEST(SectionDrawing, SlopeOutlineEndsAtTheTemplateReach) {
    SlopeTemplate fixedThenFree;
    fixedThenFree.rows = {row(kSlopeFixedHeight, 2, 1.5), row(kSlopeFree, 1)};
    // A cut 3 m high: 2 m at 1:1.5, then 1 m at 1:1.
    expectLine(slopeOutline(fixedThenFree, 3), {{0, 0}, {3, 2}, {4, 3}});
    expectLine(slopeOutline(fixedThenFree, -1), {{0, 0}, {1.5, -1}});

    SlopeTemplate platformFirst;
    platformFirst.rows = {row(kSlopePlatform, 2, -2), row(kSlopeFixedHeight, 8, 1.5), row(kSlopeFree, 1.75)};
    SlopeTemplate ditch;
    ditch.rows = {row(kSlopeRectDitch, 0.6, 0.5, 0.4), row(kSlopeFree, 1.5)};
    SlopeTemplate trapezoid;
    trapezoid.rows = {row(kSlopeTrapezoidDitch, 0.6, 0.4, 0.5, 0.8, 0.3), row(kSlopePlatform, 1, 0),
                      row(kSlopeFixedHeight, 4, 1)};
    // Whatever the rows, the outline's last point lies at the reach the slope
    // check uses, and at the height asked for where the rows reach it.
    struct Case {
        const SlopeTemplate* t;
        double height;
    };
    const Case cases[] = {{&platformFirst, -1}, {&platformFirst, -9}, {&platformFirst, 12}, {&ditch, 2},
                          {&ditch, -2},         {&trapezoid, 3},      {&trapezoid, 0.1},   {&fixedThenFree, 0}};
    for (const Case& c : cases) {
        SectionPolyline line = slopeOutline(*c.t, c.height);
        ASSERT_FALSE(line.empty());
        EXPECT_NEAR(line.back().offset, slopeReach(*c.t, c.height).distance, 1e-9) << c.height;
        for (std::size_t i = 1; i < line.size(); ++i) EXPECT_GE(line[i].offset, line[i - 1].offset) << c.height;
    }
    EXPECT_NEAR(slopeOutline(platformFirst, -1).back().height, -1, 1e-9);
}

TEST(SectionDrawing, SlopesStartAtTheRoadEdgesAndFollowTheGround) {
    Road road;
    road.plates = {plate(1, 4, -2), plate(2, 4, -2)};
    SlopeTemplate fill, cut;
    fill.name = "fill";
    fill.rows = {row(kSlopeFree, 1.5)};
    cut.name = "cut";
    cut.rows = {row(kSlopeFree, 0.75)};
    road.slopeTemplates = {fill, cut};
    road.slopeAssignments = {{0, 0, 1, 0, 1}};
    DesignedSection s = designedSection(road, 10, {3, kNoValue});
    // Left: cut 3 m at 1:0.75 from the edge (-4, -0.08). Right: fill to the default depth.
    expectLine(s.leftSlope, {{-4, -0.08}, {-6.25, 2.92}});
    expectLine(s.rightSlope, {{4, -0.08}, {4 + 1.5 * kDefaultSlopeDepth, -0.08 - kDefaultSlopeDepth}});

    Bridge b;
    b.startStation = 5;
    b.length = 20;
    road.bridges = {b};
    DesignedSection onBridge = designedSection(road, 10);
    EXPECT_TRUE(onBridge.onBridge);
    EXPECT_TRUE(onBridge.leftSlope.empty());
    EXPECT_TRUE(onBridge.rightSlope.empty());
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

TEST(SectionDrawing, TunnelOutlineFollowsTheArcsFromTheCrown) {
    // A half circle of radius 6 about the design line: crown 6 m up, each half a
    // quarter circle given by its chord and radius (the angle left to compute).
    TunnelSection section;
    section.startOffset = 0;
    section.startHeight = 6;
    section.elements = {{-6, 6, 6, kNoValue}, {-6, -6, -6, kNoValue}};
    TunnelOutline o = tunnelOutline(section, 0.001);
    ASSERT_GT(o.right.size(), 10u);
    ASSERT_GT(o.left.size(), 10u);
    // Every point of the arcs lies on the circle, the right half on the right.
    for (const SectionPoint& p : o.right) {
        EXPECT_NEAR(std::hypot(p.offset, p.height), 6, 1e-9);
        EXPECT_GE(p.offset, -1e-9);
    }
    for (const SectionPoint& p : o.left) {
        EXPECT_NEAR(std::hypot(p.offset, p.height), 6, 1e-9);
        EXPECT_LE(p.offset, 1e-9);
    }
    EXPECT_NEAR(o.left.back().offset, -6, 1e-12);
    EXPECT_NEAR(o.left.back().height, 0, 1e-12);
    EXPECT_NEAR(o.right.back().offset, 6, 1e-12);
    // Between samples the arc stays within the chord error of the polyline.
    for (std::size_t k = 0; k + 1 < o.right.size(); ++k) {
        const SectionPoint a = o.right[k], b = o.right[k + 1];
        const double mx = (a.offset + b.offset) / 2, my = (a.height + b.height) / 2;
        EXPECT_LE(6 - std::hypot(mx, my), 0.001 + 1e-9);
    }
}

}  // namespace
}  // namespace vornex
