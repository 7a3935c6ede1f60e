#include "geometry/intersection_alignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/stations.h"

namespace vornex {
namespace {

constexpr double kMm = 0.001;
constexpr double kTol = 0.0001;

double rad(double deg) { return deg * kPi / 180; }

struct IpRow {
    double x, y;
    double radius = 0, spiralIn = 0, spiralOut = 0, startRadius = 0, endRadius = 0;
};

Road roadFrom(std::initializer_list<IpRow> rows) {
    Road road;
    int k = 0;
    for (const IpRow& r : rows) {
        IntersectionPoint p;
        p.name = ("JD" + std::to_string(k++)).c_str();
        p.x = r.x;
        p.y = r.y;
        p.radius = r.radius;
        p.spiralIn = r.spiralIn;
        p.spiralOut = r.spiralOut;
        p.startRadius = r.startRadius;
        p.endRadius = r.endRadius;
        road.intersectionPoints.push_back(p);
    }
    return road;
}

PlanePoint along(PlanePoint from, double distance, double azimuth) {
    PlanePoint d{distance * std::cos(rad(azimuth)), distance * std::sin(rad(azimuth))};
    return {from.x + d.x, from.y + d.y};
}

// Shift p and tangent offset q of a full clothoid of length Ls ending at
// radius R, from its end point found by Simpson integration of
// (cos θ(s), sin θ(s)) with θ(s) = s²/(2·R·Ls): a reference independent of
// the series the alignment code sums.
struct ShiftAndOffset {
    double p = 0, q = 0;
};
ShiftAndOffset clothoidShift(double R, double Ls) {
    if (Ls == 0) return {};
    const int n = 2000;
    const double h = Ls / n;
    double X = 0, Y = 0;
    for (int k = 0; k <= n; ++k) {
        double s = k * h;
        double w = (k == 0 || k == n) ? 1 : (k % 2 ? 4 : 2);
        double th = s * s / (2 * R * Ls);
        X += w * std::cos(th);
        Y += w * std::sin(th);
    }
    X *= h / 3;
    Y *= h / 3;
    double tau = Ls / (2 * R);
    return {Y - R * (1 - std::cos(tau)), X - R * std::sin(tau)};
}

// Three-point road: incoming leg at azimuth 37.5 into P1, turning by alpha.
Road threePointRoad(double alpha, double R, double Ls1, double Ls2, double R1 = 0, double R2 = 0) {
    const PlanePoint p1{3400512.345, 500234.567};
    const PlanePoint p0 = along(p1, 3000, 37.5 + 180);
    const PlanePoint p2 = along(p1, 3000, 37.5 + alpha);
    return roadFrom({{p0.x, p0.y}, {p1.x, p1.y, R, Ls1, Ls2, R1, R2}, {p2.x, p2.y}});
}

TEST(IntersectionCurve, SymmetricSpiralCurvesMatchClosedForms) {
    int checkedAgainstTextbook = 0;
    for (double alphaDeg : {5.0, 20.0, 45.0, 90.0, 120.0, 150.0}) {
        for (double R : {60.0, 150.0, 400.0, 2000.0}) {
            const double maxLs = std::min(R, 200.0);
            for (double fraction : {0.0, 0.25, 0.5, 0.75, 1.0}) {
                const double Ls = fraction * maxLs;
                const double alpha = rad(alphaDeg);
                if (Ls / R >= alpha) continue;  // no arc left
                for (double sign : {1.0, -1.0}) {
                    SCOPED_TRACE(testing::Message() << "alpha " << sign * alphaDeg << " R " << R << " Ls " << Ls);
                    Road road = threePointRoad(sign * alphaDeg, R, Ls, Ls);
                    CurveResult r = computeCurve(road, 1, kTol);
                    ASSERT_EQ(r.status, 2);
                    const CurveElements& c = r.curve;

                    // Exact shift and offset (no series truncation).
                    ShiftAndOffset so = clothoidShift(R, Ls);
                    double T = (R + so.p) * std::tan(alpha / 2) + so.q;
                    double E = (R + so.p) / std::cos(alpha / 2) - R;
                    EXPECT_NEAR(c.tangent1, T, kMm);
                    EXPECT_NEAR(c.tangent2, T, kMm);
                    EXPECT_NEAR(c.externalDistance, E, kMm);
                    EXPECT_NEAR(c.curveLength, R * alpha + Ls, kMm);
                    EXPECT_NEAR(c.deflection, sign * alphaDeg, 1e-9);
                    EXPECT_NEAR(c.spiral1Parameter, std::sqrt(R * Ls), 1e-9);

                    // The textbook closed forms truncate their series; compare
                    // where the first dropped terms stay below half a millimetre.
                    double dropped = std::pow(Ls, 5) / (34560 * std::pow(R, 4)) +
                                     std::pow(Ls, 6) / (506880 * std::pow(R, 5)) / std::cos(alpha / 2);
                    if (dropped < 0.0005) {
                        double p = Ls * Ls / (24 * R) - std::pow(Ls, 4) / (2688 * std::pow(R, 3));
                        double q = Ls / 2 - std::pow(Ls, 3) / (240 * R * R);
                        EXPECT_NEAR(c.tangent1, (R + p) * std::tan(alpha / 2) + q, kMm);
                        EXPECT_NEAR(c.externalDistance, (R + p) / std::cos(alpha / 2) - R, kMm);
                        ++checkedAgainstTextbook;
                    }
                }
            }
        }
    }
    EXPECT_GT(checkedAgainstTextbook, 50);
}

TEST(IntersectionCurve, AsymmetricAndPartialSpiralsMatchClosedForms) {
    // T1 = (R + p2)/sin α − (R + p1)/tan α + q1 and symmetrically for T2.
    struct Case {
        double alpha, R, Ls1, Ls2;
    };
    for (Case k : {Case{50, 300, 40, 80}, Case{-72, 180, 90, 30}, Case{25, 1200, 0, 150},
                   Case{-110, 90, 60, 0}}) {
        SCOPED_TRACE(testing::Message() << "alpha " << k.alpha << " R " << k.R);
        Road road = threePointRoad(k.alpha, k.R, k.Ls1, k.Ls2);
        CurveResult r = computeCurve(road, 1, kTol);
        ASSERT_EQ(r.status, 2);
        double a = rad(std::fabs(k.alpha));
        ShiftAndOffset s1 = clothoidShift(k.R, k.Ls1), s2 = clothoidShift(k.R, k.Ls2);
        EXPECT_NEAR(r.curve.tangent1, (k.R + s2.p) / std::sin(a) - (k.R + s1.p) / std::tan(a) + s1.q, kMm);
        EXPECT_NEAR(r.curve.tangent2, (k.R + s1.p) / std::sin(a) - (k.R + s2.p) / std::tan(a) + s2.q, kMm);
        EXPECT_NEAR(r.curve.curveLength, k.R * a + (k.Ls1 + k.Ls2) / 2, kMm);
    }

    // A partial spiral from R1 = 400 to R = 200 over 60 m is the last 60 m of a
    // 120 m full spiral: same parameter, and it turns by 60·(1/400 + 1/200)/2.
    Road partial = threePointRoad(40, 200, 60, 60, 400, 0);
    CurveResult r = computeCurve(partial, 1, kTol);
    EXPECT_NEAR(r.curve.spiral1Parameter, std::sqrt(24000.0), 1e-9);
    double beta1 = 60 * (1.0 / 400 + 1.0 / 200) / 2;
    double beta2 = 60 / 400.0;
    EXPECT_NEAR(r.curve.curveLength, 200 * (rad(40) - beta1 - beta2) + 120, 1e-6);
}

TEST(IntersectionCurve, SpiralInputsAreNormalised) {
    struct Case {
        double R, Ls, outer;
        double wantLs, wantOuter;
    };
    for (Case k : {Case{200, 0, -80, 32, 0},                        // parameter, full spiral
                   Case{200, 60, -std::sqrt(24000.0), 60, 400},     // parameter, partial spiral
                   Case{200, -60, 0, 60, 0},                        // negative length
                   Case{200, 60, -std::sqrt(12000.0), 60, 0},       // A² = Ls·R: reaches a straight
                   Case{200, 90, -std::sqrt(12000.0), 90, 0},       // would be negative
                   Case{0, 0, -80, 0, 0}}) {                        // no curve to lead into
        IntersectionPoint p;
        p.radius = k.R;
        p.spiralIn = k.Ls;
        p.startRadius = k.outer;
        p.spiralOut = k.Ls;
        p.endRadius = k.outer;
        IntersectionPoint n = normalizeSpiralInputs(p);
        EXPECT_NEAR(n.spiralIn, k.wantLs, 1e-9) << k.R << " " << k.Ls << " " << k.outer;
        EXPECT_NEAR(n.startRadius, k.wantOuter, 1e-6);
        EXPECT_NEAR(n.spiralOut, k.wantLs, 1e-9);
        EXPECT_NEAR(n.endRadius, k.wantOuter, 1e-6);
    }
    // The parameter form gives the same curve as the length form.
    Road byParameter = threePointRoad(60, 200, 0, 0, -80, -80);
    Road byLength = threePointRoad(60, 200, 32, 32);
    EXPECT_NEAR(computeCurve(byParameter, 1, kTol).curve.tangent1,
                computeCurve(byLength, 1, kTol).curve.tangent1, 1e-9);
}

TEST(IntersectionCurve, PlainCircularCurveAndItsMainPoints) {
    Road road = roadFrom({{0, 0}, {0, 200, 100}, {200, 200}});
    road.intersectionPoints[0].station = 1000;
    ASSERT_EQ(buildElementsFromIntersectionPoints(road, 0, kTol), 1);
    CurveResult r = computeCurve(road, 1, kTol);
    EXPECT_NEAR(r.curve.tangent1, 100, 1e-6);
    EXPECT_NEAR(r.curve.tangent2, 100, 1e-6);
    EXPECT_NEAR(r.curve.curveLength, 157.0796, 1e-4);
    EXPECT_NEAR(r.curve.externalDistance, 41.4214, 1e-3);
    EXPECT_NEAR(r.curve.deflection, -90, 1e-9);  // east, then north: a left turn
    EXPECT_EQ(r.curve.spiral1Parameter, 0);

    std::vector<IntersectionPointCurve> table = curveTable(road, kTol);
    ASSERT_EQ(table.size(), 3u);
    const IntersectionPointCurve& jd = table[1];
    EXPECT_NEAR(jd.station, 1200, 1e-9);
    EXPECT_EQ(jd.zh, kNoValue);
    EXPECT_EQ(jd.hz, kNoValue);
    EXPECT_NEAR(jd.hyZy, 1100, 1e-6);
    EXPECT_NEAR(jd.qz, 1100 + 78.5398, 1e-4);
    EXPECT_NEAR(jd.yhYz, 1100 + 157.0796, 1e-4);
    EXPECT_NEAR(jd.arcLength, 157.0796, 1e-4);
    EXPECT_NEAR(table[0].straightLength, 100, 1e-6);
    EXPECT_NEAR(jd.straightLength, 100, 1e-6);
    EXPECT_EQ(table[2].straightLength, kNoValue);
    EXPECT_NEAR(table[2].station, 1000 + 100 + 157.0796 + 100, 1e-4);

    // The main points lie where the stations say.
    AlignmentPoint qz;
    ASSERT_EQ(pointAtStation(road, jd.qz, kTol, 0, 90, qz), 1);
    double d = std::hypot(qz.x - 0, qz.y - 200);
    EXPECT_NEAR(d, 41.4214, 1e-3);
    ASSERT_EQ(road.elements.size(), 3u);
    EXPECT_EQ(road.elements[1].name.str(), "ZY");
    EXPECT_EQ(road.elements[2].name.str(), "YZ");
    EXPECT_NEAR(road.elements[1].startRadius, -100, 1e-12);
}

// The rebuilt elements reproduce the polygon: every main point sits on its
// tangent at T1/T2 from its intersection point, and the road ends at the last point.
void expectElementsFollowPolygon(const Road& road) {
    std::vector<IntersectionPointCurve> table = curveTable(road, kTol);
    const auto& pts = road.intersectionPoints;
    for (std::size_t k = 1; k + 1 < pts.size(); ++k) {
        const IntersectionPointCurve& row = table[k];
        if (row.status < 0 || row.curve.curveLength == 0) continue;
        SCOPED_TRACE(testing::Message() << "point " << k);
        const IntersectionPoint& p1 = pts[k];
        const IntersectionPoint& p2 = pts[static_cast<std::size_t>(row.status) - 1];
        PolarVector in = joinPoints(p1.x - pts[k - 1].x, p1.y - pts[k - 1].y);
        AlignmentPoint start, end;
        pointAtStation(road, row.station - row.curve.tangent1, kTol, 0, 90, start);
        pointAtStation(road, row.station - row.curve.tangent1 + row.curve.curveLength, kTol, 0, 90, end);
        PlanePoint wantStart = along({p1.x, p1.y}, row.curve.tangent1, in.azimuth + 180);
        PlanePoint wantEnd = along({p2.x, p2.y}, row.curve.tangent2, row.curve.outAzimuth);
        EXPECT_NEAR(start.x, wantStart.x, kTol);
        EXPECT_NEAR(start.y, wantStart.y, kTol);
        EXPECT_NEAR(end.x, wantEnd.x, kTol);
        EXPECT_NEAR(end.y, wantEnd.y, kTol);
        EXPECT_NEAR(std::remainder(end.azimuth - row.curve.outAzimuth, 360), 0, 1e-6);
    }
    AlignmentPoint last;
    pointAtStation(road, pts.back().station, kTol, 0, 90, last);
    EXPECT_NEAR(last.x, pts.back().x, kTol);
    EXPECT_NEAR(last.y, pts.back().y, kTol);
}

Road realisticRoad() {
    return roadFrom({{3402100.000, 501200.000},
                     {3402580.125, 501655.340, 600, 120, 120},          // symmetric spirals
                     {3402790.480, 502410.770, 450, 80, 140},           // asymmetric
                     {3403350.215, 502730.905, 900, 100, 60, 1800, 0},  // partial first spiral
                     {3403720.660, 503390.120, 0},                      // angle point
                     {3404010.000, 503700.000, 350, 0, 0, -160, -160},  // spirals by parameter
                     {3404500.000, 503750.000}});
}

TEST(IntersectionAlignment, RebuiltElementsFollowThePolygon) {
    Road road = realisticRoad();
    road.intersectionPoints[0].station = 2350.0;
    ASSERT_EQ(buildElementsFromIntersectionPoints(road, 0, kTol), 1);
    expectElementsFollowPolygon(road);
    EXPECT_EQ(road.elements.front().name.str(), "QD");
    EXPECT_NEAR(road.elements.front().startStation, 2350.0, 1e-9);
    // Stations along the polygon: each step is d − T1 − T2 + L of the point before.
    for (std::size_t k = 1; k < road.intersectionPoints.size(); ++k) {
        CurveResult r = computeCurve(road, static_cast<int>(k - 1), kTol);
        const CurveElements& c = r.curve;
        EXPECT_NEAR(road.intersectionPoints[k].station - road.intersectionPoints[k - 1].station,
                    c.outLegLength - c.tangent1 - c.tangent2 + c.curveLength, 1e-9);
    }
    // The angle point leaves a kink between two straights.
    bool kink = false;
    for (std::size_t i = 1; i < road.elements.size(); ++i) {
        if (road.elements[i].name.str() == "ZZ") kink = true;
    }
    EXPECT_TRUE(kink);
}

TEST(IntersectionAlignment, StationsFromAnyReferencePointAgree) {
    Road fromStart = realisticRoad();
    fromStart.intersectionPoints[0].station = 2350.0;
    ASSERT_EQ(computeIntersectionStations(fromStart, 0, kTol), 1);
    for (int ref : {3, 4, 6}) {
        Road road = realisticRoad();
        road.intersectionPoints[static_cast<std::size_t>(ref)].station =
            fromStart.intersectionPoints[static_cast<std::size_t>(ref)].station;
        ASSERT_EQ(computeIntersectionStations(road, ref, kTol), 1);
        for (std::size_t k = 0; k < road.intersectionPoints.size(); ++k) {
            EXPECT_NEAR(road.intersectionPoints[k].station, fromStart.intersectionPoints[k].station, 1e-7)
                << "reference " << ref << " point " << k;
        }
    }
    Road road = realisticRoad();
    EXPECT_EQ(computeIntersectionStations(road, 7, kTol), -3);
    EXPECT_EQ(computeIntersectionStations(road, -1, kTol), -3);
    EXPECT_EQ(buildElementsFromIntersectionPoints(road, 9, kTol), -3);
}

TEST(IntersectionAlignment, VirtualIntersectionEqualsTheCurveAtTheTangentsCrossing) {
    // Tangents P0→A and B→P3 cross at V; the curve of A with B joined (B radius
    // −1) is the curve of the single point V.
    const PlanePoint p0{3400000, 500000}, v{3400800, 500300};
    const double in = joinPoints(v.x - p0.x, v.y - p0.y).azimuth;
    const double out = in + 64.5;
    const PlanePoint a = along(v, 95, in + 180), b = along(v, 120, out), p3 = along(v, 900, out);
    Road virt = roadFrom({{p0.x, p0.y}, {a.x, a.y, 250, 70, 70}, {b.x, b.y, -1}, {p3.x, p3.y}});
    Road single = roadFrom({{p0.x, p0.y}, {v.x, v.y, 250, 70, 70}, {p3.x, p3.y}});
    virt.intersectionPoints[0].station = single.intersectionPoints[0].station = 500;

    CurveResult rv = computeCurve(virt, 1, kTol);
    CurveResult rs = computeCurve(single, 1, kTol);
    EXPECT_EQ(rv.status, 3);
    EXPECT_EQ(computeCurve(virt, 2, kTol).status, kVirtualMember);
    EXPECT_NEAR(rv.curve.deflection, 64.5, 1e-9);
    EXPECT_NEAR(rv.curve.tangent1, rs.curve.tangent1 - 95, kMm);
    EXPECT_NEAR(rv.curve.tangent2, rs.curve.tangent2 - 120, kMm);
    EXPECT_NEAR(rv.curve.curveLength, rs.curve.curveLength, 1e-9);
    EXPECT_GT(rv.curve.externalDistance, 0);

    ASSERT_EQ(buildElementsFromIntersectionPoints(virt, 0, kTol), 1);
    ASSERT_EQ(buildElementsFromIntersectionPoints(single, 0, kTol), 1);
    EXPECT_NEAR(virt.intersectionPoints[3].station, single.intersectionPoints[2].station, kMm);
    ASSERT_EQ(virt.elements.size(), single.elements.size());
    for (std::size_t i = 0; i < virt.elements.size(); ++i) {
        EXPECT_NEAR(virt.elements[i].x, single.elements[i].x, kMm);
        EXPECT_NEAR(virt.elements[i].y, single.elements[i].y, kMm);
    }
    expectElementsFollowPolygon(virt);

    // The table marks the member and measures straights from the run's end.
    std::vector<IntersectionPointCurve> table = curveTable(virt, kTol);
    EXPECT_EQ(table[2].status, kVirtualMember);
    EXPECT_EQ(table[2].straightLength, kNoValue);
    EXPECT_NEAR(table[1].straightLength, 780 - rv.curve.tangent2, kMm);

    // A member as reference point: its predecessor is a straight distance back,
    // and the point after the run still follows the curve.
    Road fromMember = virt;
    ASSERT_EQ(computeIntersectionStations(fromMember, 2, kTol), 1);
    EXPECT_NEAR(fromMember.intersectionPoints[1].station,
                virt.intersectionPoints[2].station - std::hypot(b.x - a.x, b.y - a.y), 1e-9);
    EXPECT_NEAR(fromMember.intersectionPoints[3].station - fromMember.intersectionPoints[1].station,
                virt.intersectionPoints[3].station - virt.intersectionPoints[1].station, 1e-9);
}

TEST(IntersectionAlignment, VirtualPairBeyondTheTangentPoints) {
    // 90° right, R 100 about the tangents' crossing V: T = 100 from V. The pair's
    // points lie on the tangents at signed distances from V; one of them beyond
    // the curve's start or end makes that tangent negative.
    const PlanePoint p0{3400000, 500000}, v{3401000, 500000}, p3{3401000, 501000};
    struct Case {
        const char* what;
        double before, after;  // P1 this far before V, P2 this far after V
    };
    const Case cases[] = {
        {"both within the tangents", 60, 40},
        {"P1 50 m before the curve start", 150, 50},
        {"P2 300 m past the curve end", 50, 400},
        {"both beyond", 130, 250},
    };
    for (const Case& c : cases) {
        const PlanePoint a = along(v, c.before, 180), b = along(v, c.after, 90);
        Road road = roadFrom({{p0.x, p0.y}, {a.x, a.y, 100}, {b.x, b.y, -1}, {p3.x, p3.y}});
        road.intersectionPoints[0].station = 0;
        const CurveResult r = computeCurve(road, 1, kTol);
        EXPECT_NEAR(r.curve.tangent1, 100 - c.before, 1e-6) << c.what;
        EXPECT_NEAR(r.curve.tangent2, 100 - c.after, 1e-6) << c.what;
        ASSERT_EQ(buildElementsFromIntersectionPoints(road, 0, kTol), 1) << c.what;
        // The road runs 900 m north, a quarter circle, 900 m east: it ends on P3.
        EXPECT_NEAR(road.intersectionPoints[3].station, 900 + 50 * kPi + 900, 1e-6) << c.what;
        AlignmentPoint end;
        ASSERT_EQ(pointAtStation(road, road.intersectionPoints[3].station, kTol, 0, 90, end), 1) << c.what;
        EXPECT_NEAR(end.x, p3.x, 1e-4) << c.what;
        EXPECT_NEAR(end.y, p3.y, 1e-4) << c.what;
        expectElementsFollowPolygon(road);
    }
}

TEST(IntersectionAlignment, PointsWithoutCurve) {
    // Collinear point with a radius, an angle point, and radii on the end points.
    Road road = roadFrom({{0, 0, 300}, {100, 0, 200}, {200, 0, 0}, {200, 100, 0}, {300, 100, 500}});
    road.intersectionPoints[0].station = 0;
    ASSERT_EQ(buildElementsFromIntersectionPoints(road, 0, kTol), 1);
    EXPECT_EQ(computeCurve(road, 0, kTol).status, 1);
    EXPECT_EQ(computeCurve(road, 4, kTol).status, 4);
    EXPECT_EQ(computeCurve(road, 1, kTol).curve.curveLength, 0);
    EXPECT_EQ(computeCurve(road, 5, kTol).status, -3);
    for (const AlignmentElement& e : road.elements) {
        EXPECT_EQ(e.startRadius, 0);
        EXPECT_EQ(e.endRadius, 0);
    }
    ASSERT_EQ(road.elements.size(), 4u);
    EXPECT_NEAR(road.elements[1].startAzimuth, 0, 1e-12);  // collinear: same azimuth
    EXPECT_NEAR(road.elements[2].startAzimuth, 90, 1e-12);
    EXPECT_NEAR(road.elements[3].startAzimuth, 0, 1e-12);
    EXPECT_NEAR(road.intersectionPoints[4].station, 400, 1e-9);

    // A virtual member after an angle point has no curve to join: the polygon
    // is followed through it.
    Road angled = roadFrom({{0, 0}, {100, 0, 0}, {200, 50, -1}, {300, 50}});
    ASSERT_EQ(buildElementsFromIntersectionPoints(angled, 0, kTol), 1);
    double polygon = 100 + std::hypot(100, 50) + 100;
    EXPECT_NEAR(angled.intersectionPoints[3].station, polygon, 1e-9);
    EXPECT_NEAR(alignmentEnd(angled) - alignmentStart(angled), polygon, 1e-9);
}

TEST(IntersectionAlignment, TouchingCurvesLeaveNoZeroStraight) {
    // Two 90° circular curves whose tangents meet exactly: no straight between.
    Road road = roadFrom({{0, 0}, {0, 200, 100}, {200, 200, 100}, {200, 400}});
    ASSERT_EQ(buildElementsFromIntersectionPoints(road, 0, kTol), 1);
    ASSERT_EQ(road.elements.size(), 4u);
    EXPECT_EQ(road.elements[1].name.str(), "ZY");
    EXPECT_EQ(road.elements[2].name.str(), "YY");
    EXPECT_EQ(road.elements[3].name.str(), "YZ");
    std::vector<IntersectionPointCurve> table = curveTable(road, kTol);
    EXPECT_NEAR(table[1].straightLength, 0, 1e-9);
}

TEST(IntersectionAlignment, SpiralsLongerThanTheDeflectionGetNoArc) {
    // Each spiral turns 28.6°, the deflection is only 30°.
    Road road = threePointRoad(30, 100, 100, 100);
    CurveResult r = computeCurve(road, 1, kTol);
    EXPECT_NEAR(r.curve.curveLength, 200, 1e-9);
    ASSERT_EQ(buildElementsFromIntersectionPoints(road, 0, kTol), 1);
    int spirals = 0, arcs = 0;
    for (const AlignmentElement& e : road.elements) {
        char t = elementTypeLetter(e);
        spirals += t == 'H';
        arcs += t == 'Y';
    }
    EXPECT_EQ(spirals, 2);
    EXPECT_EQ(arcs, 0);
    // Stations of the points agree with the chainage of the elements laid.
    std::vector<IntersectionPointCurve> table = curveTable(road, kTol);
    EXPECT_NEAR(road.elements[2].startStation + road.elements[2].length, table[1].hz, 1e-9);
}

TEST(IntersectionAlignment, DegenerateLists) {
    Road empty;
    EXPECT_EQ(buildElementsFromIntersectionPoints(empty, 0.0001), 1);
    EXPECT_TRUE(empty.elements.empty());
    EXPECT_EQ(computeCurve(empty, 0, kTol).status, -3);
    Road one = roadFrom({{5, 5, 100}});
    EXPECT_EQ(buildElementsFromIntersectionPoints(one, 0.0001), 1);
    EXPECT_TRUE(one.elements.empty());
    // Coincident points and a run of members to the end must not hang or crash.
    Road odd = roadFrom({{0, 0}, {0, 0, 100, 20, 20}, {10, 10, -1}, {10, 10, -1}, {20, 10, -1}});
    EXPECT_EQ(buildElementsFromIntersectionPoints(odd, 0.0001), 1);
    for (const AlignmentElement& e : odd.elements) EXPECT_TRUE(std::isfinite(e.x));

    // A damaged file: a point without coordinates and absurd spiral inputs.
    Road damaged = roadFrom({{0, 0}, {std::nan(""), 100, 200, 30, 30}, {100, 100, 1e300, 1e300, -1e300}, {200, 0}});
    EXPECT_EQ(buildElementsFromIntersectionPoints(damaged, 0.0001), 1);

    // A very long virtual run with the reference at its far end walks each
    // point once (a zigzag so that every leg turns).
    Road zigzag;
    for (int k = 0; k < 60000; ++k) {
        IntersectionPoint p;
        p.x = 10.0 * k;
        p.y = (k % 2) * 3.0;
        p.radius = k == 1 ? 50 : -1;
        zigzag.intersectionPoints.push_back(p);
    }
    zigzag.intersectionPoints.back().station = 1e6;
    EXPECT_EQ(buildElementsFromIntersectionPoints(zigzag, 59999, 0.0001), 1);
    EXPECT_EQ(curveTable(zigzag, 0.0001).size(), 60000u);
}

}  // namespace
}  // namespace vornex
