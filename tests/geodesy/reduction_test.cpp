// Reduction of distances and directions to the grid: hand-computed figures,
// and the corrections against the projection of an exact geodesic.
#include "geodesy/reduction.h"

#include <GeographicLib/Ellipsoid.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace vornex::geodesy {
namespace {

TEST(Reduction, MeanRadiusIsTheGeometricMeanOfThePrincipalRadii) {
    const EllipsoidInfo& e = ellipsoidInfo(Ellipsoid::Cgcs2000);
    const GeographicLib::Ellipsoid el(e.a, 1 / e.inverseFlattening);
    for (double lat : {0.0, 25.0, 35.0, 54.0})
        EXPECT_NEAR(meanRadius(Ellipsoid::Cgcs2000, lat),
                    std::sqrt(el.MeridionalCurvatureRadius(lat) * el.TransverseCurvatureRadius(lat)), 1e-6);
}

// A 1 km line at 1,500 m elevation, 150 km east of the central meridian, running
// east-west (Δy = 1 km), with R = 6,371 km: figures worked by hand from the
// formulas.
//   elevation:  −1000 · 1500 / (6371000 + 1500)   = −0.235 386 m
//   grid:       D0 · 150000² / (2 · 6371000²)      = +0.277 099 m (of D0 = 999.764 614)
//               D0 · 1000² / (24 · 6371000²)       = +0.000 001 m
//   together                                       = +0.041 714 m per km
TEST(Reduction, OneKilometreAtFifteenHundredMetresOneHundredFiftyKilometresOut) {
    const double r = 6371000.0;
    const double d0 = reduceToProjectionSurface(1000.0, 1500.0, 0.0, r);
    EXPECT_NEAR(d0, 1000.0 - 1000.0 * 1500.0 / 6372500.0, 1e-9);
    EXPECT_NEAR(d0, 999.764614, 1e-6);
    const double grid = reduceToGrid(d0, 150000.0, 1000.0, r);
    EXPECT_NEAR(grid - d0, 0.277100, 1e-6);
    EXPECT_NEAR(grid - 1000.0, 0.041714, 1e-6);
    // A projection surface at the line's own height leaves only the grid correction.
    EXPECT_DOUBLE_EQ(reduceToProjectionSurface(1000.0, 1500.0, 1500.0, r), 1000.0);
    // 抵偿: a surface below the line (H0 = 0 here) and a line far enough out cancel.
    EXPECT_LT(std::fabs(reduceToGrid(reduceToProjectionSurface(1000.0, 1500.0, 0.0, r), 138260.0, 0.0, r) - 1000.0),
              0.0002);
}

// The corrections against the geometry they stand for: lines of an exact
// geodesic on the ellipsoid, projected with the library's transverse Mercator.
// The grid distance of the projected ends is the reduced length, and the chord's
// grid bearing is the geodesic's projected tangent plus δ.
TEST(Reduction, CorrectionsMatchTheProjectedGeodesic) {
    const EllipsoidInfo& e = ellipsoidInfo(Ellipsoid::Cgcs2000);
    const double f = 1 / e.inverseFlattening;
    const GeographicLib::Geodesic geodesic(e.a, f);
    const GeographicLib::TransverseMercator tm(e.a, f, 1);
    const double cm = 117, lat1 = 35, lon1 = 118.65;  // about 150 km east
    double y1, x1, gamma1, k1;
    tm.Forward(cm, lat1, lon1, y1, x1, gamma1, k1);
    const double r = meanRadius(Ellipsoid::Cgcs2000, lat1);
    for (double length : {1000.0, 20000.0}) {
        for (double az : {0.0, 45.0, 90.0, 200.0, 300.0}) {
            double lat2, lon2;
            geodesic.Direct(lat1, lon1, az, length, lat2, lon2);
            double y2, x2;
            tm.Forward(cm, lat2, lon2, y2, x2);
            const double reduced = reduceToGrid(length, (y1 + y2) / 2, y2 - y1, r);
            // Within 1 mm per 20 km: the formula's neglected terms.
            EXPECT_NEAR(reduced, std::hypot(x2 - x1, y2 - y1), length * 5e-8) << length << " " << az;
            const double chord = std::atan2(y2 - y1, x2 - x1) * 180 / 3.141592653589793;
            double shown = std::remainder(chord - (az - gamma1), 360.0) * 3600;
            EXPECT_NEAR(arcToChordSeconds(x1, y1, x2, y2, r), shown, 0.01) << length << " " << az;
        }
    }
}

}  // namespace
}  // namespace vornex::geodesy
