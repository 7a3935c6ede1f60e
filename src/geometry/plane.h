// Small plane-geometry solvers. Each returns false, with its outputs set to zero,
// when the configuration is degenerate (parallel lines, concentric circles, no
// real intersection, chord longer than the diameter).
#pragma once

#include "geometry/angles.h"

namespace vornex {

// a·t² + b·t + c = 0. |a| < 0.0001 is treated as linear (both roots -c/b, false
// when |b| < 0.0001). A discriminant within -0.0001 of zero counts as zero.
// root1 = (-b - √Δ)/(2a), root2 = (-b + √Δ)/(2a).
bool solveQuadratic(double a, double b, double c, double& root1, double& root2);

// Intersection of a1·X + b1·Y + c1 = 0 and a2·X + b2·Y + c2 = 0.
bool intersectLines(double a1, double b1, double c1, double a2, double b2, double c2,
                    PlanePoint& point);

// Intersections of the line a·X + b·Y + c = 0 with the circle about
// (centreX, centreY) of radius `radius`. point1 comes from the first root.
bool intersectLineCircle(double a, double b, double c, double centreX, double centreY,
                         double radius, PlanePoint& point1, PlanePoint& point2);

// Intersections of two circles (radii taken as absolute values). Circles that
// touch from outside (within 0.001) give their touching point twice.
bool intersectCircles(double x1, double y1, double r1, double x2, double y2, double r2,
                      PlanePoint& point1, PlanePoint& point2);

// Centre of the circle of `radius` through P1 and P2. With leftSide clear and a
// positive radius it is the centre of the arc turning right from P1 to P2; a
// negative radius or leftSide mirrors it. P1 = P2 or radius 0 gives P1.
bool circleCentre(bool leftSide, double x1, double y1, double x2, double y2, double radius,
                  PlanePoint& centre);

}  // namespace vornex
