#include "geometry/plan_drawing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/alignment.h"
#include "support/road_fixtures.h"

namespace vornex {
namespace {

using vornex::testing::elementAt;

// Distance from point p to the chord a-b.
double toChord(const PlanPoint& p, const PlanPoint& a, const PlanPoint& b) {
    double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0) return std::hypot(p.x - a.x, p.y - a.y);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / len;
}

TEST(PlanDrawing, PiecesFollowTheElementsWithinTheChordError) {
    // North-running straight, a right spiral 0 -> R 150 over 80 m, the arc R 150
    // over 120 m, the spiral back, and a straight.
    Road road;
    road.curveForm = 1;
    road.elements = {elementAt("QD", 0, 0, 0, 0, 100, 0, 0), elementAt("", 0, 0, 0, 0, 80, 0, 150),
                     elementAt("", 0, 0, 0, 0, 120, 150, 150), elementAt("", 0, 0, 0, 0, 80, 150, 0),
                     elementAt("", 0, 0, 0, 0, 100, 0, 0)};
    ASSERT_EQ(propagateElements(road, 0, 0.0001), 1);
    PlanDrawing d = planDrawing(road, 0.0001);
    ASSERT_EQ(d.pieces.size(), 5u);
    EXPECT_EQ(d.pieces[0].kind, PlanPieceKind::Straight);
    EXPECT_EQ(d.pieces[1].kind, PlanPieceKind::Spiral);
    EXPECT_EQ(d.pieces[2].kind, PlanPieceKind::Arc);
    EXPECT_EQ(d.pieces[0].points.size(), 2u);
    EXPECT_TRUE(d.intersectionPoints.empty());
    ASSERT_EQ(d.elementStarts.size(), 5u);
    EXPECT_EQ(d.elementStarts[1].name, "ZH");

    for (std::size_t i = 0; i < d.pieces.size(); ++i) {
        const PlanPiece& piece = d.pieces[i];
        const AlignmentElement& e = road.elements[i];
        // Ends at the element's own start and end points.
        AlignmentPoint end = pointOnElement(e, e.length, 0.0001);
        EXPECT_NEAR(piece.points.front().x, e.x, 1e-9);
        EXPECT_NEAR(piece.points.back().x, end.x, 1e-9);
        EXPECT_NEAR(piece.points.back().y, end.y, 1e-9);
        // Between two samples, the true curve (probed at the mid-length) stays
        // within the chord error of the chord.
        const std::size_t n = piece.points.size() - 1;
        for (std::size_t k = 0; k < n; ++k) {
            AlignmentPoint mid = pointOnElement(e, e.length * (k + 0.5) / n, 0.0001);
            EXPECT_LE(toChord({mid.x, mid.y}, piece.points[k], piece.points[k + 1]), kPlanChordError + 1e-9)
                << i << " " << k;
        }
        // Every sample of the arc lies on its circle (centre to the right of the start tangent).
        if (piece.kind == PlanPieceKind::Arc) {
            double az = e.startAzimuth * 3.141592653589793 / 180;
            double cx = e.x + 150 * std::cos(az + 3.141592653589793 / 2);
            double cy = e.y + 150 * std::sin(az + 3.141592653589793 / 2);
            for (const PlanPoint& p : piece.points) EXPECT_NEAR(std::hypot(p.x - cx, p.y - cy), 150, 1e-6);
        }
    }
    // The spirals are sampled at least every 10 m.
    EXPECT_GE(d.pieces[1].points.size(), 9u);

    // The extents hold every point.
    for (const PlanPiece& piece : d.pieces)
        for (const PlanPoint& p : piece.points) {
            EXPECT_GE(p.x, d.extents.minX);
            EXPECT_LE(p.x, d.extents.maxX);
            EXPECT_GE(p.y, d.extents.minY);
            EXPECT_LE(p.y, d.extents.maxY);
        }
    EXPECT_NEAR(d.extents.minX, 0, 1e-9);
}

TEST(PlanDrawing, IntersectionPolygonAndAbsurdElements) {
    Road road;
    IntersectionPoint a, b;
    a.name = "JD0";
    b.name = "JD1";
    b.x = 300;
    b.y = -40;
    road.intersectionPoints = {a, b};
    PlanDrawing d = planDrawing(road, 0.0001);
    ASSERT_EQ(d.intersectionPoints.size(), 2u);
    EXPECT_EQ(d.intersectionPoints[1].name, "JD1");
    EXPECT_DOUBLE_EQ(d.extents.minY, -40);
    EXPECT_DOUBLE_EQ(d.extents.maxX, 300);

    // A huge arc or a NaN length neither hangs nor exhausts memory.
    Road bad;
    bad.curveForm = 1;
    bad.elements = {elementAt("QD", 0, 0, 0, 0, 1e12, 0.001, 0.001), elementAt("", 0, 0, 0, 0, NAN, 100, 100)};
    PlanDrawing b2 = planDrawing(bad, 0.0001);
    EXPECT_LE(b2.pieces[0].points.size(), 100001u);
    EXPECT_EQ(b2.pieces[1].points.size(), 2u);
}

}  // namespace
}  // namespace vornex
