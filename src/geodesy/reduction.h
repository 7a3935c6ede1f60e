// Reduction of measured distances and directions to the Gauss-Krüger plane
// (the classical corrections of a control survey's reduction, as the
// engineering-survey standard GB 50026 states them):
//
//   to the projection surface at height H0, from the line's mean elevation Hm:
//     D0 = D · (1 − (Hm − H0) / (R + Hm))
//   to the grid, with ym the mean distance of the line from the central meridian
//   and Δy the difference of its ends' y (both without the false easting):
//     D' = D0 · (1 + ym² / (2R²) + Δy² / (24R²))
//   the arc-to-chord correction of the direction from 1 to 2:
//     δ″ = ρ″ · (x1 − x2)(2y1 + y2) / (6R²)
//
// R is the mean radius of curvature √(MN) at the survey's latitude.
#pragma once

#include "geodesy/coordinate_system.h"

namespace vornex::geodesy {

inline constexpr double kRhoSeconds = 206264.80624709636;  // seconds per radian

// √(M·N) of the ellipsoid at `latitude` (degrees): a√(1 − e²) / (1 − e² sin²B).
double meanRadius(Ellipsoid ellipsoid, double latitude);

// D0 of a horizontal distance at mean elevation `meanElevation` on the
// projection surface at `projectionHeight`.
double reduceToProjectionSurface(double distance, double meanElevation, double projectionHeight, double radius);

// D' of a distance on the projection surface; `meanEasting` and `dy` from the
// central meridian, without the false easting.
double reduceToGrid(double surfaceDistance, double meanEasting, double dy, double radius);

// δ″ of the direction from (x1, y1) to (x2, y2), y from the central meridian.
// Added to the observed direction it gives the direction of the chord on the grid.
double arcToChordSeconds(double x1, double y1, double x2, double y2, double radius);

// Lines at least this long get the arc-to-chord correction even when the user
// did not ask for it on every line.
inline constexpr double kArcToChordLength = 10000.0;  // m

}  // namespace vornex::geodesy
