#include "geometry/alignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "geometry/point_to_station.h"

namespace vornex {
namespace {

// Composite Simpson rule; the integrands here are smooth and slowly varying.
double simpson(const std::function<double(double)>& f, double a, double b, int n = 4000) {
    double h = (b - a) / n, sum = f(a) + f(b);
    for (int i = 1; i < n; ++i) sum += f(a + i * h) * (i % 2 ? 4 : 2);
    return sum * h / 3;
}

// Independent reference for an element: the heading relative to the start is
// φ(u) = k1·u + (k2 − k1)·u²/(2ℓ) (curvature linear in arc length); the point is
// the integral of the unit tangent.
struct Reference {
    double x, y, azimuth;
};

Reference referencePoint(const AlignmentElement& e, double t) {
    double k1 = e.startRadius == 0 ? 0 : 1 / e.startRadius;
    double k2 = e.endRadius == 0 ? 0 : 1 / e.endRadius;
    double a0 = e.startAzimuth * kPi / 180;
    auto phi = [&](double u) { return k1 * u + (k2 - k1) * u * u / (2 * e.length); };
    double x = simpson([&](double u) { return std::cos(a0 + phi(u)); }, 0, t);
    double y = simpson([&](double u) { return std::sin(a0 + phi(u)); }, 0, t);
    return {e.x + x, e.y + y, normalizeAngle(e.startAzimuth + phi(t) * 180 / kPi)};
}

double azimuthDifference(double a, double b) {
    double d = normalizeAngle(a - b);
    return d > 180 ? 360 - d : d;
}

AlignmentElement element(double length, double r1, double r2, double azimuth = 0, double x = 0, double y = 0) {
    AlignmentElement e;
    e.x = x;
    e.y = y;
    e.length = length;
    e.startRadius = r1;
    e.endRadius = r2;
    e.startAzimuth = e.arrivalAzimuth = azimuth;
    return e;
}

TEST(Clothoid, MatchesNumericalIntegration) {
    struct Case {
        double L, R;
    } cases[] = {{60, 200}, {60, -200}, {120, 200}, {200, 50}, {200, -50}, {35, 1000}};
    for (const Case& c : cases) {
        for (double s : {0.5, c.L / 3, c.L / 2, c.L}) {
            double rl = 2 * c.R * c.L;
            double x = simpson([&](double u) { return std::cos(u * u / rl); }, 0, s);
            double y = simpson([&](double u) { return std::sin(u * u / rl); }, 0, s);
            ClothoidPoint p = clothoidPoint(s, c.L, c.R, 1e-14);
            EXPECT_NEAR(p.x, x, 1e-9) << c.L << " " << c.R << " s=" << s;
            EXPECT_NEAR(p.y, y, 1e-9) << c.L << " " << c.R << " s=" << s;
            EXPECT_NEAR(azimuthDifference(p.angle, s * s / rl * 180 / kPi), 0, 1e-9);
        }
    }
}

TEST(Clothoid, EndOfSixtyMetreSpiralAndDegenerateInputs) {
    ClothoidPoint p = clothoidPoint(60, 60, 200, 0.0001);
    EXPECT_NEAR(p.angle, 60.0 / 400 * 180 / kPi, 1e-9);  // 8.5944°
    EXPECT_NEAR(p.x, 59.865, 0.0005);
    EXPECT_NEAR(p.y, 2.995, 0.0005);
    // s beyond L is held at L; a tolerance of 0 means 0.0001.
    ClothoidPoint held = clothoidPoint(75, 60, 200, 0);
    EXPECT_EQ(held.x, p.x);
    EXPECT_EQ(held.y, p.y);
    struct Zero {
        double s, L, R;
    } zeros[] = {{0.00005, 60, 200}, {30, 0.00005, 200}, {1000, 1000, 0.1} /* does not converge */};
    for (const Zero& z : zeros) {
        ClothoidPoint q = clothoidPoint(z.s, z.L, z.R, 0.0001);
        EXPECT_EQ(q.x, 0);
        EXPECT_EQ(q.y, 0);
        EXPECT_EQ(q.angle, 0);
    }
}

TEST(PointOnElement, MatchesIntegratedGeometryForEveryElementKind) {
    // Straights, arcs and spirals (full, partial, growing, shrinking, both turns),
    // from an arbitrary start point and azimuth.
    struct Case {
        const char* what;
        double length, r1, r2;
    } cases[] = {
        {"straight", 80, 0, 0},
        {"right arc", 120, 150, 150},
        {"left arc", 120, -150, -150},
        {"full growing right", 60, 0, 200},
        {"full growing left", 60, 0, -200},
        {"full shrinking right", 60, 200, 0},
        {"full shrinking left", 60, -200, 0},
        {"partial growing right", 60, 400, 200},
        {"partial growing left", 60, -400, -200},
        {"partial shrinking right", 70, 150, 500},
        {"partial shrinking left", 70, -150, -500},
        {"curvature through zero", 90, 300, -200},
        {"nearly equal radii", 100, 1000, 999.9},
    };
    for (const Case& c : cases) {
        AlignmentElement e = element(c.length, c.r1, c.r2, 37.25, 1000, 2000);
        for (double t : {0.3, c.length / 4, c.length / 2, c.length * 0.9, c.length}) {
            Reference ref = referencePoint(e, t);
            AlignmentPoint p = pointOnElement(e, t, 1e-14);
            EXPECT_NEAR(p.x, ref.x, 1e-8) << c.what << " t=" << t;
            EXPECT_NEAR(p.y, ref.y, 1e-8) << c.what << " t=" << t;
            EXPECT_NEAR(azimuthDifference(p.azimuth, ref.azimuth), 0, 1e-8) << c.what << " t=" << t;
            EXPECT_TRUE(p.name.empty());
        }
        // Extensions continue straight along the end tangents.
        AlignmentPoint end = pointOnElement(e, c.length, 1e-14);
        AlignmentPoint beyond = pointOnElement(e, c.length + 10, 1e-14);
        EXPECT_NEAR(beyond.x, end.x + 10 * std::cos(end.azimuth * kPi / 180), 1e-9) << c.what;
        EXPECT_NEAR(beyond.y, end.y + 10 * std::sin(end.azimuth * kPi / 180), 1e-9) << c.what;
        EXPECT_NEAR(beyond.azimuth, end.azimuth, 1e-12) << c.what;
        AlignmentPoint before = pointOnElement(e, -10, 1e-14);
        EXPECT_NEAR(before.x, 1000 - 10 * std::cos(37.25 * kPi / 180), 1e-9) << c.what;
        EXPECT_NEAR(before.y, 2000 - 10 * std::sin(37.25 * kPi / 180), 1e-9) << c.what;
    }
}

TEST(PointOnElement, QuarterCircleAndSpiralRelations) {
    AlignmentElement arc = element(50 * kPi, 100, 100);
    AlignmentPoint p = pointOnElement(arc, 50 * kPi, 0.0001);
    EXPECT_NEAR(p.x, 100, 1e-9);
    EXPECT_NEAR(p.y, 100, 1e-9);
    EXPECT_NEAR(p.azimuth, 90, 1e-9);

    // 400 → 200 over 60 m is the last 60 m of a 120 m spiral to 200.
    AlignmentPoint partial = pointOnElement(element(60, 400, 200), 60, 0.0001);
    ClothoidPoint full120 = clothoidPoint(120, 120, 200, 0.0001);
    ClothoidPoint full60 = clothoidPoint(60, 120, 200, 0.0001);
    EXPECT_NEAR(partial.azimuth, full120.angle - full60.angle, 1e-9);
    // A shrinking spiral turns as much as the growing one.
    AlignmentPoint grow = pointOnElement(element(60, 0, 200), 60, 0.0001);
    AlignmentPoint shrink = pointOnElement(element(60, 200, 0), 60, 0.0001);
    EXPECT_NEAR(grow.azimuth, shrink.azimuth, 1e-9);
    EXPECT_NEAR(grow.azimuth, 8.5944, 0.0001);

    // Within 0.0001 of the start: the start point with the element's name.
    AlignmentElement named = element(60, 0, 200, 15, 3, 4);
    named.name = Name12("HY");
    AlignmentPoint start = pointOnElement(named, 0.00005, 0.0001);
    EXPECT_EQ(start.name, "HY");
    EXPECT_EQ(start.x, 3);
    EXPECT_EQ(start.azimuth, 15);
}

// Straight, full spiral in, arc, full spiral out, straight, and a second
// straight with its own azimuth (an angle point), stationed from 1000.
std::vector<AlignmentElement> sampleRoad() {
    std::vector<AlignmentElement> v = {element(100, 0, 0, 30, 500, 800), element(60, 0, 200), element(100, 200, 200),
                                       element(60, 200, 0),             element(100, 0, 0),  element(50, 0, 0, 150)};
    v[0].startStation = 1000;
    return v;
}

TEST(PropagateElements, ChainsPositionsAzimuthsStationsAndNames) {
    std::vector<AlignmentElement> v = sampleRoad();
    ASSERT_EQ(propagateElements(v, 0, 1e-12), 1);
    const char* names[] = {"QD", "ZH", "HY", "YH", "HZ", "ZZ"};
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_TRUE(v[i].name.equals(names[i])) << i;
    for (std::size_t i = 1; i < v.size(); ++i) {
        Reference end = referencePoint(v[i - 1], v[i - 1].length);
        EXPECT_NEAR(v[i].x, end.x, 1e-8) << i;
        EXPECT_NEAR(v[i].y, end.y, 1e-8) << i;
        EXPECT_NEAR(azimuthDifference(v[i].arrivalAzimuth, end.azimuth), 0, 1e-8) << i;
        EXPECT_NEAR(v[i].startStation, v[i - 1].startStation + v[i - 1].length, 1e-9) << i;
    }
    // Tangent-continuous except between the two straights, which keep a kink.
    for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(v[i].startAzimuth, v[i].arrivalAzimuth) << i;
    EXPECT_EQ(v[5].startAzimuth, 150);
    EXPECT_NEAR(v[5].arrivalAzimuth, 30 + 2 * 8.5944 + 100 / 200.0 * 180 / kPi, 0.0001);
}

TEST(PropagateElements, BackwardFromAMiddleReferenceAgreesWithForward) {
    std::vector<AlignmentElement> forward = sampleRoad();
    forward.pop_back();  // no kink: both directions must give the same list
    ASSERT_EQ(propagateElements(forward, 0, 1e-12), 1);
    std::vector<AlignmentElement> fromMiddle = sampleRoad();
    fromMiddle.pop_back();
    for (std::size_t i = 0; i < fromMiddle.size(); ++i) {
        fromMiddle[i].x = fromMiddle[i].y = fromMiddle[i].startStation = 0;
        fromMiddle[i].startAzimuth = fromMiddle[i].arrivalAzimuth = 0;
    }
    const int r = 2;
    fromMiddle[r].x = forward[r].x;
    fromMiddle[r].y = forward[r].y;
    fromMiddle[r].startAzimuth = fromMiddle[r].arrivalAzimuth = forward[r].startAzimuth;
    fromMiddle[r].startStation = forward[r].startStation;
    ASSERT_EQ(propagateElements(fromMiddle, r, 1e-12), 1);
    for (std::size_t i = 0; i < forward.size(); ++i) {
        EXPECT_NEAR(fromMiddle[i].x, forward[i].x, 1e-8) << i;
        EXPECT_NEAR(fromMiddle[i].y, forward[i].y, 1e-8) << i;
        EXPECT_NEAR(azimuthDifference(fromMiddle[i].startAzimuth, forward[i].startAzimuth), 0, 1e-8) << i;
        EXPECT_NEAR(fromMiddle[i].startStation, forward[i].startStation, 1e-9) << i;
        EXPECT_EQ(fromMiddle[i].name, forward[i].name) << i;
    }
}

TEST(PropagateElements, SingleEmptyAndBadReference) {
    std::vector<AlignmentElement> one = {element(10, 0, 0, 45, 1, 2)};
    AlignmentElement before = one[0];
    ASSERT_EQ(propagateElements(one, 0, 0.0001), 1);
    EXPECT_TRUE(one[0].name.equals("QD"));
    one[0].name = before.name;
    EXPECT_EQ(one[0], before);

    std::vector<AlignmentElement> none;
    EXPECT_EQ(propagateElements(none, 0, 0.0001), 1);
    std::vector<AlignmentElement> two = sampleRoad();
    EXPECT_EQ(propagateElements(two, 6, 0.0001), -3);
    EXPECT_EQ(propagateElements(two, -1, 0.0001), -3);
}

TEST(PointAtStation, NamesOffsetsAndEnds) {
    Road road;
    road.elements = sampleRoad();
    ASSERT_EQ(propagateElements(road, 0, 0.0001), 1);
    const double end = 1000 + 100 + 60 + 100 + 60 + 100 + 50;
    AlignmentPoint p;
    struct Case {
        double chainage;
        const char* name;
    } cases[] = {{1000, "QD"}, {1100, "ZH"}, {1160, "HY"}, {1260, "YH"}, {1320, "HZ"}, {1420, "ZZ"},
                 {end, "ZD"},  {1100.00005, ""}, {1130, ""}, {end - 0.001, ""}, {end + 5, ""}};
    for (const Case& c : cases) {
        ASSERT_EQ(pointAtStation(road, c.chainage, 0.0001, 0, 90, p), 1);
        EXPECT_EQ(p.name, c.name) << c.chainage;
    }

    // Beyond the ends the road continues along its end tangents.
    AlignmentPoint last;
    pointAtStation(road, end, 0.0001, 0, 90, last);
    pointAtStation(road, end + 20, 0.0001, 0, 90, p);
    EXPECT_NEAR(p.x, last.x + 20 * std::cos(150 * kPi / 180), 1e-9);
    EXPECT_NEAR(p.y, last.y + 20 * std::sin(150 * kPi / 180), 1e-9);
    pointAtStation(road, 990, 0.0001, 0, 90, p);
    EXPECT_NEAR(p.x, 500 - 10 * std::cos(30 * kPi / 180), 1e-9);
    EXPECT_NEAR(p.y, 800 - 10 * std::sin(30 * kPi / 180), 1e-9);

    // Offsets: a point to the left either way, the azimuth stays the centreline's.
    AlignmentPoint centre, a, b, right;
    pointAtStation(road, 1200, 0.0001, 0, 90, centre);
    pointAtStation(road, 1200, 0.0001, -7.5, 90, a);
    pointAtStation(road, 1200, 0.0001, 7.5, 270, b);
    pointAtStation(road, 1200, 0.0001, 7.5, 90, right);
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
    EXPECT_EQ(a.azimuth, centre.azimuth);
    double az = centre.azimuth * kPi / 180;
    EXPECT_NEAR(right.x, centre.x - 7.5 * std::sin(az), 1e-9);
    EXPECT_NEAR(right.y, centre.y + 7.5 * std::cos(az), 1e-9);

    Road empty;
    EXPECT_EQ(pointAtStation(empty, 0, 0.0001, 0, 90, p), 0);
}

TEST(PointAtStation, IndexAnswersExactlyAsTheScan) {
    Road road;
    road.elements = sampleRoad();
    propagateElements(road, 0, 0.0001);
    AlignmentIndex index(road.elements, 0.0001);
    std::vector<double> chainages = {-50, 1000, 1100, 1159.99999, 1160, 1470, 1500, std::nan("")};
    for (double c = 990; c < 1480; c += 0.37) chainages.push_back(c);
    for (double c : chainages) {
        AlignmentPoint a, b;
        ASSERT_EQ(pointAtStation(road, c, 0.0001, 3, 270, a), index.pointAtStation(c, 3, 270, b));
        EXPECT_EQ(elementAtStation(road.elements, c), index.elementAtStation(c)) << c;
        if (std::isnan(c)) continue;
        EXPECT_EQ(a.x, b.x) << c;
        EXPECT_EQ(a.y, b.y) << c;
        EXPECT_EQ(a.azimuth, b.azimuth) << c;
        EXPECT_EQ(a.name, b.name) << c;
    }
}

}  // namespace
}  // namespace vornex
