#include "geometry/point_to_station.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace vornex {
namespace {

AlignmentElement element(double length, double r1, double r2) {
    AlignmentElement e;
    e.length = length;
    e.startRadius = r1;
    e.endRadius = r2;
    return e;
}

// A road from (x, y) with azimuth `azimuth` at station `station`.
Road roadOf(std::vector<AlignmentElement> elements, double x, double y, double azimuth, double station) {
    Road r;
    r.elements = std::move(elements);
    r.elements[0].x = x;
    r.elements[0].y = y;
    r.elements[0].startAzimuth = r.elements[0].arrivalAzimuth = azimuth;
    r.elements[0].startStation = station;
    propagateElements(r, 0, 0.0001);
    return r;
}

AlignmentPoint at(double x, double y) {
    AlignmentPoint p;
    p.x = x;
    p.y = y;
    return p;
}

// Straights, full and partial spirals growing and shrinking, arcs both ways, an
// angle point between two straights and an arc of 200 degrees.
Road mixedRoad() {
    std::vector<AlignmentElement> v = {
        element(150, 0, 0),       element(80, 0, 250),     element(150, 250, 250),  element(80, 250, 0),
        element(120, 0, 0),       element(70, 0, -300),    element(50, -300, -150), element(120, -150, -150),
        element(60, -150, -400),  element(40, -400, 0),    element(100, 0, 0),      element(90, 0, 0),
        element(60, 0, 120),      element(120 * 200 * kPi / 180, 120, 120),          element(60, 120, 0),
        element(80, 0, 0),
    };
    Road r = roadOf(v, 3000, 5000, 20, 500);
    // Turn the second of the two straights by 6 degrees: an angle point.
    r.elements[11].startAzimuth = r.elements[11].arrivalAzimuth + 6;
    propagateElements(r, 0, 0.0001);
    return r;
}

TEST(StationOfPoint, StraightAndCircleCases) {
    Road straight = roadOf({element(100, 0, 0)}, 0, 0, 0, 100);
    Road right = roadOf({element(50 * kPi, 100, 100)}, 0, 0, 0, 0);
    Road left = roadOf({element(50 * kPi, -100, -100)}, 0, 0, 0, 0);
    double c45 = std::cos(kPi / 4), s45 = std::sin(kPi / 4);
    struct Case {
        const char* what;
        const Road* road;
        double x, y;
        int index;
        double station, offset, sideAngle;
    } cases[] = {
        {"on the centreline", &straight, 50, 0, 0, 150, 0, 90},
        {"5 m left at 120", &straight, 20, -5, 0, 120, -5, 270},
        {"right", &straight, 70, 12.5, 0, 170, 12.5, 90},
        {"right arc, 20 m toward the centre", &right, 80 * c45, 100 - 80 * s45, 0, 25 * kPi, 20, 90},
        {"right arc, outside", &right, 110 * c45, 100 - 110 * s45, 0, 25 * kPi, -10, 270},
        {"left arc, 20 m toward the centre", &left, 80 * c45, -100 + 80 * s45, 0, 25 * kPi, -20, 270},
        {"beyond the end", &straight, 100.5, 3, -1, 0, 0, 90},
        {"before the start", &straight, -1, 0, -1, 0, 0, 90},
    };
    for (const Case& c : cases) {
        StationOffset so;
        EXPECT_EQ(stationOfPoint(*c.road, at(c.x, c.y), 0.0001, so), c.index) << c.what;
        if (c.index < 0) continue;
        EXPECT_NEAR(so.station, c.station, 1e-9) << c.what;
        EXPECT_NEAR(so.offset, c.offset, 1e-9) << c.what;
        EXPECT_EQ(so.sideAngle, c.sideAngle) << c.what;
        double station = 0, offset = 0;
        EXPECT_TRUE(distanceToAlignment(*c.road, at(c.x, c.y), 0.0001, station, offset));
        EXPECT_EQ(station, so.station);
        EXPECT_EQ(offset, so.offset);
    }
    double station = 1, offset = 1;
    EXPECT_FALSE(distanceToAlignment(straight, at(200, 0), 0.0001, station, offset));
    Road empty;
    StationOffset so;
    EXPECT_EQ(stationOfPoint(empty, at(0, 0), 0.0001, so), -1);
}

TEST(StationOfPoint, ArcOfMoreThanHalfACircle) {
    // 270 degrees of radius 100: the foot three quarters round is found at its
    // true arc length, not at the length of the shorter way round.
    Road r = roadOf({element(150 * kPi, 100, 100), element(50, 0, 0)}, 0, 0, 0, 0);
    for (double s : {30.0, 200.0, 300.0, 400.0, 460.0}) {
        AlignmentPoint p;
        pointAtStation(r, s, 0.0001, 10, 270, p);
        StationOffset so;
        ASSERT_EQ(stationOfPoint(r, p, 0.0001, so), 0) << s;
        EXPECT_NEAR(so.station, s, 1e-9);
        EXPECT_NEAR(so.offset, -10, 1e-9);
    }
}

TEST(StationOfPoint, FarOutsideASpiral) {
    // Points outside a spiral at about its end radius and beyond: the Newton
    // step divides by 1/d + κ there, which never vanishes on the outer side.
    for (double r : {100.0, -100.0}) {
        Road road = roadOf({element(80, 0, r), element(50, r, r)}, 0, 0, 10, 0);
        double outside = r > 0 ? 270 : 90;
        for (double c : {20.0, 50.0, 79.0}) {
            for (double w : {60.0, 100.0, 150.0}) {
                AlignmentPoint p;
                pointAtStation(road, c, 0.0001, w, outside, p);
                StationOffset so;
                ASSERT_EQ(stationOfPoint(road, p, 0.0001, so), 0) << r << " " << c << " " << w;
                EXPECT_NEAR(so.station, c, 1e-6) << r << " " << c << " " << w;
                EXPECT_NEAR(std::fabs(so.offset), w, 1e-6);
                EXPECT_EQ(so.sideAngle, outside);
            }
        }
    }
}

TEST(StationOfPoint, WedgeOutsideAnAnglePointFindsNothingAndStops) {
    // Two straights meeting at (100, 0) with a 30 degree right turn.
    Road r;
    r.elements = {element(100, 0, 0), element(100, 0, 0)};
    r.elements[0].startAzimuth = 0;
    r.elements[1].startAzimuth = 30;
    propagateElements(r, 0, 0.0001);
    StationOffset so;
    EXPECT_EQ(stationOfPoint(r, at(105, -20), 0.0001, so), -1);  // past the first, before the second
    EXPECT_EQ(stationOfPoint(r, at(95, 10), 0.0001, so), 0);     // inside the angle: the first straight
    EXPECT_NEAR(so.station, 95, 1e-9);
    EXPECT_EQ(stationOfPoint(r, at(100, -20), 0.0001, so), 0);  // on the first straight's end normal
    EXPECT_NEAR(so.station, 100, 1e-9);

    // A zig-zag of short straights: every point of the plane gets an answer.
    Road zig;
    for (int i = 0; i < 40; ++i) {
        zig.elements.push_back(element(10, 0, 0));
        zig.elements.back().startAzimuth = i % 2 ? 60 : 120;
    }
    propagateElements(zig, 0, 0.0001);
    AlignmentIndex index(zig.elements, 0.0001);
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> ux(-50, 250), uy(-50, 450);
    for (int i = 0; i < 2000; ++i) {
        AlignmentPoint p = at(ux(rng), uy(rng));
        StationOffset a, b;
        EXPECT_EQ(stationOfPoint(zig, p, 0.0001, a), index.stationOfPoint(p, b));
    }
    EXPECT_EQ(stationOfPoint(zig, at(std::nan(""), 0), 0.0001, so), -1);

    // A long road due north (a box of no width for the index) answers the same,
    // near it and far beyond its ends.
    Road line = roadOf(std::vector<AlignmentElement>(300, element(50, 0, 0)), 3000000, 500000, 0, 0);
    AlignmentIndex lineIndex(line.elements, 0.0001);
    std::uniform_real_distribution<double> along(2999000, 3016000), across(499992, 500008);
    for (int i = 0; i < 1000; ++i) {
        AlignmentPoint p = at(along(rng), across(rng));
        StationOffset a, b;
        ASSERT_EQ(stationOfPoint(line, p, 0.0001, a), lineIndex.stationOfPoint(p, b));
        EXPECT_EQ(a.station, b.station);
    }
}

TEST(StationOfPoint, RoundTripOnAMixedRoad) {
    Road road = mixedRoad();
    AlignmentIndex index(road.elements, 0.0001);
    const double start = road.elements.front().startStation;
    const double end = road.elements.back().startStation + road.elements.back().length;
    const double kink = road.elements[11].startStation;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> station(start, end), offset(-30, 30);
    int checked = 0;
    while (checked < 400) {
        double c = station(rng);
        double w = offset(rng);
        // Near the angle point a point on the inner side has a foot on both
        // straights; near element joins the 0.1 mm snap of the start applies.
        if (std::fabs(c - kink) < 5) continue;
        bool nearJoin = false;
        for (const AlignmentElement& e : road.elements) nearJoin = nearJoin || std::fabs(c - e.startStation) < 0.01;
        if (nearJoin) continue;
        ++checked;
        AlignmentPoint p;
        ASSERT_EQ(pointAtStation(road, c, 0.0001, std::fabs(w), w < 0 ? 270 : 90, p), 1);
        StationOffset so;
        int k = stationOfPoint(road, p, 0.0001, so);
        ASSERT_GE(k, 0) << c << " " << w;
        EXPECT_NEAR(so.station, c, 1e-6) << c << " " << w;
        EXPECT_NEAR(so.offset, w, 1e-6) << c << " " << w;
        EXPECT_EQ(so.sideAngle, w < 0 ? 270 : 90);
        // Rebuilding the point from the answer gives the point again.
        AlignmentPoint again;
        pointAtStation(road, so.station, 0.0001, std::fabs(so.offset), so.sideAngle, again);
        EXPECT_NEAR(again.x, p.x, 1e-6);
        EXPECT_NEAR(again.y, p.y, 1e-6);

        StationOffset fast;
        EXPECT_EQ(index.stationOfPoint(p, fast), k);
        EXPECT_EQ(fast.station, so.station);
        EXPECT_EQ(fast.offset, so.offset);
    }
}

TEST(StationOfPoint, FeetNearBothEndsOfEverySpiral) {
    // A spiral whose foot lies within centimetres of its start or end must still
    // take it (its Newton steps are skipped only for points clearly beyond it).
    Road road = mixedRoad();
    AlignmentIndex index(road.elements, 0.0001);
    int spirals = 0;
    for (const AlignmentElement& e : road.elements) {
        if (std::fabs(e.startRadius - e.endRadius) < 0.0001) continue;
        ++spirals;
        for (double s : {0.02, e.length / 2, e.length - 0.02}) {
            for (double w : {-60.0, -25.0, -0.5, 0.5, 25.0, 60.0}) {
                const double c = e.startStation + s;
                AlignmentPoint p;
                ASSERT_EQ(pointAtStation(road, c, 0.0001, std::fabs(w), w < 0 ? 270 : 90, p), 1);
                StationOffset so, fast;
                ASSERT_GE(stationOfPoint(road, p, 0.0001, so), 0) << c << " " << w;
                EXPECT_NEAR(so.station, c, 1e-6) << c << " " << w;
                EXPECT_NEAR(so.offset, w, 1e-6) << c << " " << w;
                ASSERT_GE(index.stationOfPoint(p, fast), 0);
                EXPECT_EQ(fast.station, so.station);
            }
        }
    }
    EXPECT_EQ(spirals, 8);
}

TEST(StationOfPoint, IndexAnswersExactlyAsTheScanAnywhere) {
    Road road = mixedRoad();
    AlignmentIndex index(road.elements, 0.0001);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (const AlignmentElement& e : road.elements) {
        minX = std::min(minX, e.x), maxX = std::max(maxX, e.x);
        minY = std::min(minY, e.y), maxY = std::max(maxY, e.y);
    }
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> ux(minX - 200, maxX + 200), uy(minY - 200, maxY + 200);
    std::vector<AlignmentPoint> points;
    for (int i = 0; i < 3000; ++i) points.push_back(at(ux(rng), uy(rng)));
    // Far out, where the nearest sample is many cells away.
    for (double d : {2e3, 2e4, 2e5}) {
        points.push_back(at(minX - d, minY - d));
        points.push_back(at(maxX + d, (minY + maxY) / 2));
        points.push_back(at((minX + maxX) / 2, maxY + d));
    }
    // Samples themselves and points equidistant from two samples test the ties.
    for (const AlignmentElement& e : road.elements) points.push_back(at(e.x, e.y));
    points.push_back(at((road.elements[3].x + road.elements[4].x) / 2, (road.elements[3].y + road.elements[4].y) / 2));
    int found = 0;
    for (const AlignmentPoint& p : points) {
        StationOffset a, b;
        int ka = stationOfPoint(road, p, 0.0001, a);
        int kb = index.stationOfPoint(p, b);
        ASSERT_EQ(ka, kb) << p.x << " " << p.y;
        EXPECT_EQ(a.station, b.station);
        EXPECT_EQ(a.offset, b.offset);
        found += ka >= 0;
    }
    EXPECT_GT(found, 100);
}

TEST(StationOfPoint, FootOnWantedElementsOnly) {
    // Whatever elements are wanted, a foot is either given exactly as
    // stationOfPoint gives it, or refused only where it is none or unwanted.
    Road road = mixedRoad();
    AlignmentIndex index(road.elements, 0.0001);
    const std::size_t n = road.elements.size();
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> station(road.elements.front().startStation - 50,
                                                   road.elements.back().startStation + 150),
        offset(-60, 60);
    int refused = 0, given = 0;
    for (int mask : {0, 1, 2, 3}) {
        std::vector<char> wanted(n);
        for (std::size_t k = 0; k < n; ++k) wanted[k] = mask == 3 || (mask == 1 && k % 3 == 0) || (mask == 2 && k % 3 != 0);
        for (int i = 0; i < 1500; ++i) {
            AlignmentPoint p;
            pointAtStation(road, station(rng), 0.0001, std::fabs(offset(rng)), i % 2 ? 90 : 270, p);
            // Every tenth point on an element's start normal or near a join.
            if (i % 10 == 0) {
                const AlignmentElement& e = road.elements[static_cast<std::size_t>(i / 10) % n];
                pointAtStation(road, e.startStation + (i % 20 ? 0.001 : -0.0009), 0.0001, i % 7, 90, p);
            }
            StationOffset a, b;
            const int ka = stationOfPoint(road, p, 0.0001, a);
            const int kb = index.stationOfPointOn(p, wanted, b);
            if (kb == AlignmentIndex::kFootNotWanted) {
                ++refused;
                EXPECT_TRUE(ka < 0 || !wanted[static_cast<std::size_t>(ka)]) << p.x << " " << p.y;
            } else {
                ++given;
                ASSERT_EQ(ka, kb) << p.x << " " << p.y;
                EXPECT_EQ(a.station, b.station);
                EXPECT_EQ(a.offset, b.offset);
            }
        }
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(given, 1500);
}

TEST(StationOfPoint, HostileElementsNeitherCrashNorHang) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double length, r1, r2;
    } cases[] = {
        {"not a number", nan, 0, 0},          {"infinite length", inf, 100, 100},
        {"negative length", -50, 0, 200},     {"tiny radius", 1000, 0.001, 0.001},
        {"tiny spiral", 1000, 0, 0.001},      {"huge length", 1e12, 0, 300},
        {"radius not a number", 50, nan, 10}, {"zero length", 0, 0, 100},
    };
    for (const Case& c : cases) {
        Road road = roadOf({element(100, 0, 0), element(c.length, c.r1, c.r2), element(100, 0, 0)}, 0, 0, 0, 0);
        AlignmentIndex index(road.elements, 0.0001);
        AlignmentPoint p;
        for (double station : {-10.0, 50.0, 150.0, 1e6, nan}) {
            EXPECT_EQ(pointAtStation(road, station, 0.0001, 2, 90, p), 1) << c.what;
        }
        for (AlignmentPoint q : {at(50, 3), at(150, -20), at(1e9, 1e9), at(nan, 0), at(inf, 0)}) {
            StationOffset a, b;
            const int k = stationOfPoint(road, q, 0.0001, a);
            EXPECT_EQ(k, index.stationOfPoint(q, b)) << c.what;
            const std::vector<char> middle = {0, 1, 0};
            const int on = index.stationOfPointOn(q, middle, b);
            EXPECT_TRUE(on == k || (on == AlignmentIndex::kFootNotWanted && k != 1)) << c.what;
        }
    }
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

// A radius far beyond any road (1e10 up to the 1e18 "no value" mark, either
// sign) is a straight, both ways: the point at a station lies on the tangent,
// and the station of that point comes back exactly, also with a curve before
// the near-straight element.
TEST(StationOfPoint, HugeRadiiAreStraightsBothWays) {
    for (double r : {1e10, 1e15, 5e17, 1e18, -1e18, -3e16}) {
        for (bool asSpiralStart : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "radius " << r << (asSpiralStart ? " spiral" : " arc"));
            // An arc of R 300 first, then the near-straight (an arc or a spiral
            // whose start radius is huge), then a straight.
            Road road = roadOf({element(100, 300, 300), asSpiralStart ? element(800, r, 0) : element(800, r, r),
                                element(100, 0, 0)},
                               1000, 2000, 30, 5000);
            const AlignmentElement& e = road.elements[1];
            // Expected: 400 m along the element's start tangent, 7.5 m to its left.
            const double a = e.startAzimuth * kPi / 180;
            const double ex = e.x + 400 * std::cos(a) + 7.5 * std::sin(a);
            const double ey = e.y + 400 * std::sin(a) - 7.5 * std::cos(a);
            AlignmentPoint p;
            ASSERT_EQ(pointAtStation(road, 5100 + 400, 0.0001, 7.5, 270, p), 1);
            EXPECT_NEAR(p.x, ex, 1e-6);
            EXPECT_NEAR(p.y, ey, 1e-6);
            EXPECT_NEAR(std::fmod(p.azimuth - e.startAzimuth + 360, 360), 0, 1e-9);
            // The straight after it goes on along the same tangent.
            EXPECT_NEAR(std::fmod(road.elements[2].startAzimuth - e.startAzimuth + 360, 360), 0, 1e-9);

            StationOffset so;
            ASSERT_EQ(stationOfPoint(road, at(ex, ey), 0.0001, so), 1);
            EXPECT_NEAR(so.station, 5500, 1e-6);
            EXPECT_NEAR(so.offset, -7.5, 1e-6);
        }
    }
}

}  // namespace
}  // namespace vornex
