// Horizontal alignment by elements (线元): straights, circular arcs and clothoid
// spirals laid end to end in continuous chainage. Radii are signed: positive
// turns right, negative turns left, 0 is a straight.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "geometry/angles.h"
#include "model/records.h"
#include "model/road.h"

namespace vornex {

// A point of the centreline (or beside it) with the centreline's forward azimuth.
struct AlignmentPoint {
    std::string name;  // main-point name (UTF-8), empty when not a main point
    double x = 0;
    double y = 0;
    double azimuth = 0;  // degrees, [0, 360)
};

// A point of a clothoid in its own frame: origin at zero curvature, heading +X.
struct ClothoidPoint {
    double x = 0;
    double y = 0;
    double angle = 0;  // tangent angle, degrees, [0, 360)
};

// Curve tolerance from the project's precision (metres); 0.0001 when unset.
double curveTolerance(double precision);

// Point at arc length s on the clothoid that reaches radius R at arc length L
// (R > 0 turns right, towards +Y). The Fresnel series is summed until both
// running terms are below `tolerance` (0 becomes 0.0001), at most 500 steps;
// a series that does not converge gives (0, 0, 0). s is limited to |L|.
ClothoidPoint clothoidPoint(double s, double L, double R, double tolerance);

// Radii at or beyond this magnitude (metres) are straights. Over any road
// element such a curve departs from its tangent by far less than the 0.1 mm of
// the coordinates, while formulas through its centre would lose their digits.
// Point at station and station of point both read radii through planeRadius,
// so the two directions agree for every radius up to the "no value" mark.
inline constexpr double kStraightRadius = 1.0e10;

// The radius the plane geometry uses: 0 (a straight) for |radius| >=
// kStraightRadius and for a radius that is not a number, else the radius.
double planeRadius(double radius);
// The element with both radii read through planeRadius.
AlignmentElement planeElement(const AlignmentElement& element);

// Type letter of an element: 'H' spiral (radii differ), 'Y' arc, 'Z' straight.
char elementTypeLetter(const AlignmentElement& element);

// Signed curvature (1/m, positive right) of the element at distance t from its
// start; linear in t between the end curvatures.
double elementCurvature(const AlignmentElement& element, double t);

// Point at distance t from the element's start. t < 0 extends the start tangent
// backwards, t > length extends the end tangent. Within 0.0001 of the start the
// start point itself is returned, carrying the element's name.
AlignmentPoint pointOnElement(const AlignmentElement& element, double t, double tolerance);

// Recomputes start points, azimuths, stations and main-point names of the whole
// list from the element at referenceIndex, which holds the known start point,
// start azimuth and start station. Two consecutive straights keep their own
// azimuths (an angle point). Returns 1, or -3 when referenceIndex is outside a
// non-empty list. An empty list returns 1 and is left alone.
int propagateElements(std::span<AlignmentElement> elements, int referenceIndex, double tolerance);
int propagateElements(Road& road, int referenceIndex, double tolerance);

// Point of the road at continuous chainage `chainage`, moved by `offset` in the
// direction azimuth + sideAngle (turned by 180 for a negative offset); the
// returned azimuth stays the centreline's. Callers pass sideAngle 90 for the
// right and 270 for the left. Chainages beyond either end continue along the end
// tangents. A chainage exactly at an element's start carries its name, the
// exact end of the road is "ZD". Returns 1, or 0 when there are no elements.
int pointAtStation(std::span<const AlignmentElement> elements, double chainage, double tolerance,
                   double offset, double sideAngle, AlignmentPoint& point);
int pointAtStation(const Road& road, double chainage, double tolerance, double offset,
                   double sideAngle, AlignmentPoint& point);

// Index of the element that holds `chainage`: the first one with
// chainage < startStation + length, else the last; -1 for an empty list.
int elementAtStation(std::span<const AlignmentElement> elements, double chainage);

}  // namespace vornex
