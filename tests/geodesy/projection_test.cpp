// The Gauss-Krüger projection against published worked examples, closed forms
// and the library's independent exact transverse Mercator.
#include "geodesy/coordinate_system.h"

#include <GeographicLib/Ellipsoid.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <GeographicLib/TransverseMercatorExact.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace vornex::geodesy {
namespace {

constexpr double kMm = 0.001;
constexpr double kDeg = 3.141592653589793 / 180.0;

double dms(int d, int m, double s) { return d + m / 60.0 + s / 3600.0; }

CoordinateSystem zoneSystem(Ellipsoid e, int zone, int width) {
    CoordinateSystem s;
    s.ellipsoid = e;
    EXPECT_TRUE(setZone(s, zone, width));
    return s;
}

// Meridian arc from the equator to `latitude` on the surface at height h above
// the ellipsoid: ∫ (M(φ) + h) dφ by Simpson's rule, independent of any series.
double meridianArc(const EllipsoidInfo& e, double latitude, double h = 0) {
    const double f = 1 / e.inverseFlattening, e2 = f * (2 - f);
    auto m = [&](double phi) {
        const double s = std::sin(phi);
        return e.a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5) + h;
    };
    const int n = 20000;  // even
    const double b = latitude * kDeg, step = b / n;
    double sum = m(0) + m(b);
    for (int i = 1; i < n; ++i) sum += (i % 2 ? 4 : 2) * m(i * step);
    return sum * step / 3;
}

// "A guide to coordinate systems in Great Britain" (Ordnance Survey), worked
// example of the National Grid projection (Airy 1830, k0 = 0.9996012717, true
// origin 49°N 2°W, false origin E 400 km, N −100 km): φ = 52°39′27.2531″ N,
// λ = 1°43′4.5177″ E gives E = 651 409.903 m, N = 313 177.270 m. This checks the
// library's transverse Mercator itself against an independent published computation.
TEST(GaussProjection, LibraryAgreesWithThePublishedNationalGridExample) {
    const double a = 6377563.396, b = 6356256.909;
    const GeographicLib::TransverseMercator tm(a, (a - b) / a, 0.9996012717);
    double e0, n0, e, n;
    tm.Forward(-2, 49, -2, e0, n0);
    tm.Forward(-2, dms(52, 39, 27.2531), dms(1, 43, 4.5177), e, n);
    EXPECT_NEAR(e + 400000, 651409.903, kMm);
    EXPECT_NEAR(n - n0 - 100000, 313177.270, kMm);
    double lat, lon;
    tm.Reverse(-2, 651409.903 - 400000, 313177.270 + 100000 + n0, lat, lon);
    EXPECT_NEAR(lat, dms(52, 39, 27.2531), 0.001 / 3600);
    EXPECT_NEAR(lon, dms(1, 43, 4.5177), 0.001 / 3600);
}

// Textbook exercise of the Gauss projection on the Krasovsky ellipsoid (Beijing
// 54): B = 30°30′, L = 114°20′ in the 6° zone 19 (central meridian 111°) gives
// x = 3 380 330.773 m.
TEST(GaussProjection, KrasovskyTextbookExample) {
    CoordinateSystem s = zoneSystem(Ellipsoid::Beijing54, 19, 6);
    s.zonePrefix = true;
    GridPoint g;
    ASSERT_EQ(GaussProjection(s).toGrid(30.5, dms(114, 20, 0), g), Status::Ok);
    EXPECT_NEAR(g.x, 3380330.773, kMm);
    EXPECT_GT(g.y, 19500000);  // east of the meridian, zone number in front
    // Convergence of the sphere's first order, γ ≈ Δλ sin B, to the second-order terms.
    EXPECT_NEAR(g.convergence, (114 + 20 / 60.0 - 111) * std::sin(30.5 * kDeg), 0.01);
}

TEST(GaussProjection, CentralMeridianIsTheMeridianArc) {
    for (int i = 0; i < kEllipsoidCount; ++i) {
        const EllipsoidInfo& e = ellipsoidAt(i);
        CoordinateSystem s = zoneSystem(e.id, 39, 3);
        const GaussProjection p(s);
        for (double lat : {0.0, 18.0, 30.5, 45.0, 54.0, 89.0}) {
            GridPoint g;
            ASSERT_EQ(p.toGrid(lat, 117, g), Status::Ok);
            EXPECT_NEAR(g.x, meridianArc(e, lat), kMm) << e.key << " " << lat;
            EXPECT_NEAR(g.y, 500000, kMm);
            EXPECT_NEAR(g.scale, 1, 1e-12);
            EXPECT_NEAR(g.convergence, 0, 1e-12);
        }
    }
}

// The projection surface at height H0 is the surface parallel to the ellipsoid:
// on the central meridian x is its arc ∫ (M + H0) dφ.
TEST(GaussProjection, ProjectionHeightLiftsTheSurfaceParallelToTheEllipsoid) {
    const EllipsoidInfo& e = ellipsoidInfo(Ellipsoid::Cgcs2000);
    for (double h0 : {1500.0, -300.0}) {
        CoordinateSystem s = zoneSystem(Ellipsoid::Cgcs2000, 39, 3);
        s.projectionHeight = h0;
        for (double lat : {20.0, 35.0, 50.0}) {
            GridPoint g;
            ASSERT_EQ(GaussProjection(s).toGrid(lat, 117, g), Status::Ok);
            EXPECT_NEAR(g.x, meridianArc(e, lat, h0), 0.005) << h0 << " " << lat;
        }
    }
}

// Off the meridian: against the exact transverse Mercator (elliptic functions)
// to 1 mm, with the same scale and convergence; and back to 1e-9°.
TEST(GaussProjection, AgreesWithExactProjectionAndRoundTripsAcrossTheZone) {
    for (int i = 0; i < kEllipsoidCount; ++i) {
        const EllipsoidInfo& e = ellipsoidAt(i);
        const GeographicLib::TransverseMercatorExact exact(e.a, 1 / e.inverseFlattening, 1);
        const GaussProjection p(zoneSystem(e.id, 38, 3));  // central meridian 114°
        for (double lat = 18; lat <= 54; lat += 4) {
            for (double dl : {-3.5, -2.0, -0.7, 0.3, 1.5, 3.0, 3.5}) {
                GridPoint g;
                ASSERT_EQ(p.toGrid(lat, 114 + dl, g), Status::Ok);
                double ex, ey, egamma, ek;
                exact.Forward(114, lat, 114 + dl, ex, ey, egamma, ek);
                EXPECT_NEAR(g.x, ey, kMm) << e.key << " " << lat << " " << dl;
                EXPECT_NEAR(g.y, ex + 500000, kMm) << e.key << " " << lat << " " << dl;
                EXPECT_NEAR(g.scale, ek, 1e-9);
                EXPECT_NEAR(g.convergence, egamma, 0.001 / 3600);
                GeographicPoint back;
                ASSERT_EQ(p.toGeographic(g.x, g.y, back), Status::Ok);
                EXPECT_NEAR(back.latitude, lat, 1e-9);
                EXPECT_NEAR(back.longitude, 114 + dl, 1e-9);
                EXPECT_NEAR(back.scale, g.scale, 1e-12);
                EXPECT_NEAR(back.convergence, g.convergence, 1e-9);
            }
        }
    }
}

// 换带 between adjacent zones of both widths, there and back, to 1 mm; the
// result is the direct projection of the same point into the other zone.
TEST(GaussProjection, ZoneChangeRoundTripsBetweenAdjacentZones) {
    struct Case {
        int width, zone, lat10, lon10;  // latitude, longitude in tenths of a degree
    } cases[] = {{3, 38, 305, 1153}, {3, 39, 400, 1155}, {6, 19, 305, 1143}, {6, 20, 220, 1198}};
    for (const Case& c : cases) {
        const GaussProjection a(zoneSystem(Ellipsoid::Cgcs2000, c.zone, c.width));
        const GaussProjection b(zoneSystem(Ellipsoid::Cgcs2000, c.zone + 1, c.width));
        GridPoint inA, inB, direct, back;
        ASSERT_EQ(a.toGrid(c.lat10 / 10.0, c.lon10 / 10.0, inA), Status::Ok);
        ASSERT_EQ(changeZone(a, b, inA.x, inA.y, inB), Status::Ok);
        ASSERT_EQ(b.toGrid(c.lat10 / 10.0, c.lon10 / 10.0, direct), Status::Ok);
        EXPECT_NEAR(inB.x, direct.x, kMm);
        EXPECT_NEAR(inB.y, direct.y, kMm);
        ASSERT_EQ(changeZone(b, a, inB.x, inB.y, back), Status::Ok);
        EXPECT_NEAR(back.x, inA.x, kMm) << c.width << " " << c.zone;
        EXPECT_NEAR(back.y, inA.y, kMm) << c.width << " " << c.zone;
    }
}

TEST(GaussProjection, ZoneNumberInFrontOfY) {
    CoordinateSystem s = zoneSystem(Ellipsoid::Cgcs2000, 38, 3);
    s.zonePrefix = true;
    const GaussProjection p(s);
    EXPECT_DOUBLE_EQ(p.writtenY(-1234.5), 38498765.5);
    double e = 0;
    EXPECT_EQ(p.eastingOf(38498765.5, e), Status::Ok);
    EXPECT_DOUBLE_EQ(e, -1234.5);
    EXPECT_EQ(p.eastingOf(498765.5, e), Status::Ok);  // written without the zone: read as well
    EXPECT_DOUBLE_EQ(e, -1234.5);
    EXPECT_EQ(p.eastingOf(39498765.5, e), Status::ZonePrefixMismatch);
    CoordinateSystem anyMeridian;
    anyMeridian.centralMeridian = 114.5;
    EXPECT_EQ(GaussProjection(anyMeridian).eastingOf(38498765.5, e), Status::PrefixWithoutZone);
}

TEST(GaussProjection, RefusesPointsOutsideTheZoneAndAbsurdNumbers) {
    const GaussProjection p(zoneSystem(Ellipsoid::Cgcs2000, 38, 3));
    GridPoint g;
    GeographicPoint b;
    EXPECT_EQ(p.toGrid(95, 114, g), Status::LatitudeOutOfRange);
    EXPECT_EQ(p.toGrid(-90.5, 114, g), Status::LatitudeOutOfRange);
    EXPECT_EQ(p.toGrid(30, 124, g), Status::TooFarFromMeridian);
    EXPECT_EQ(p.toGrid(30, 104, g), Status::TooFarFromMeridian);
    EXPECT_EQ(p.toGrid(std::nan(""), 114, g), Status::NotANumber);
    EXPECT_EQ(p.toGrid(30, 1e300, g), Status::LongitudeOutOfRange);
    EXPECT_EQ(p.toGeographic(3e6, 500000 - 9e5, b), Status::TooFarFromMeridian);
    EXPECT_EQ(p.toGeographic(3e6, 1400000, b), Status::ZonePrefixMismatch);  // read as zone 1
    EXPECT_EQ(p.toGeographic(1e12, 500000, b), Status::OutsideGrid);
    EXPECT_EQ(p.toGeographic(3e6, -1e200, b), Status::OutsideGrid);
    EXPECT_EQ(p.toGeographic(3e6, INFINITY, b), Status::NotANumber);
    // At the pole and on the equator the projection is defined.
    EXPECT_EQ(p.toGrid(90, 114, g), Status::Ok);
    EXPECT_EQ(p.toGrid(0, 117, g), Status::Ok);
}

TEST(CoordinateSystem, ZonesEllipsoidsAndChecks) {
    double cm = 0;
    EXPECT_TRUE(zoneCentralMeridian(38, 3, cm));
    EXPECT_EQ(cm, 114);
    EXPECT_TRUE(zoneCentralMeridian(20, 6, cm));
    EXPECT_EQ(cm, 117);
    EXPECT_FALSE(zoneCentralMeridian(0, 3, cm));
    EXPECT_FALSE(zoneCentralMeridian(61, 6, cm));
    EXPECT_FALSE(zoneCentralMeridian(20, 4, cm));
    Ellipsoid e;
    EXPECT_TRUE(ellipsoidFromKey("XiAn80", e));
    EXPECT_EQ(e, Ellipsoid::Xian80);
    EXPECT_FALSE(ellipsoidFromKey("krassowsky", e));
    CoordinateSystem s;
    EXPECT_EQ(checkSystem(s), "");
    s.zonePrefix = true;  // no zone to put in front
    EXPECT_NE(checkSystem(s), "");
    s = {};
    s.projectionHeight = 20000;
    EXPECT_NE(checkSystem(s), "");
    s = {};
    s.falseEasting = 1e6;
    EXPECT_NE(checkSystem(s), "");
}

}  // namespace
}  // namespace vornex::geodesy
