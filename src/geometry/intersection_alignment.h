// Horizontal alignment by intersection points (交点法).
//
// A road's plan is typed as a polygon of intersection points, each carrying the
// curve at that corner: an optional first spiral, a circular arc and an optional
// second spiral, possibly asymmetric and possibly partial (spirals that start or
// end at a finite radius). A point with a negative radius has no curve of its
// own and joins the curve of the point before it (virtual intersection, 虚交).
//
// The curve of one point is fitted by laying its spirals and arc as elements
// from the intersection point along the incoming tangent and sliding them back
// until the curve ends on the outgoing tangent, so every combination of spiral
// lengths and radii is exact.
#pragma once

#include <vector>

#include "model/records.h"
#include "model/road.h"

namespace vornex {

// Elements of the curve at one intersection point (all lengths in metres).
struct CurveElements {
    double tangent1 = 0;          // T1: curve start (ZH/ZY) back to the intersection point
    double tangent2 = 0;          // T2: intersection point (last of a virtual run) to the curve end
    double curveLength = 0;       // L = Ls1 + Ly + Ls2
    double externalDistance = 0;  // E: from the point (midpoint of a virtual pair) to the curve
    double deflection = 0;        // α, degrees, right positive, in (-360, 360)
    double spiral1Parameter = 0;  // A1, 0 without a first spiral
    double spiral2Parameter = 0;  // A2
    double outAzimuth = 0;        // azimuth of the outgoing leg
    double outLegLength = 0;      // from the point (last of a virtual run) to the next point
};

// Status of computeCurve for a point that is a member of a virtual run (negative radius).
inline constexpr int kVirtualMember = -6;

struct CurveResult {
    // >= 0: index of the first point after the curve's run (i + 1 normally);
    // kVirtualMember: point i has a negative radius; -3: i outside the list.
    int status = -3;
    CurveElements curve;
};

// The spiral inputs of a point as the curve computation uses them: the
// normalising read of the point (lengths made positive, a negative outer radius
// taken as the spiral parameter), with outer radii beyond any real radius
// (1e17 m and more, such as an empty cell) taken as straights.
IntersectionPoint normalizeSpiralInputs(const IntersectionPoint& point);

// Curve of point i of the road's intersection points; `tolerance` is the curve
// precision in metres (0 becomes 0.0001). Reads the points only. A virtual
// member (kVirtualMember) reports only its own outgoing leg and deflection,
// with curveLength the length of its incoming leg.
CurveResult computeCurve(const Road& road, int i, double tolerance);

// Stations of all intersection points from the station held by point
// referenceIndex, backwards and forwards along the polygon. Returns 1, or -3
// when the reference is outside a non-empty list.
int computeIntersectionStations(Road& road, int referenceIndex, double tolerance);

// Computes the stations from point referenceIndex, then rebuilds the road's
// element list from the polygon and its curves (elements shorter than 0.0001 m
// left out) and propagates it from point 0. Returns 1 or -3.
int buildElementsFromIntersectionPoints(Road& road, int referenceIndex, double tolerance);

// The same from point 0's station with the given precision: the rebuild used
// when a file without stored elements is read.
int buildElementsFromIntersectionPoints(Road& road, double precision);

// One intersection point as the curve-element table shows it.
struct IntersectionPointCurve {
    int status = -3;        // computeCurve status (kVirtualMember for a virtual member)
    CurveElements curve;    // all 0 for virtual members, first and last point
    double radius = 0;      // |R| as used (after normalising)
    double spiralIn = 0;    // Ls1 (normalised)
    double spiralOut = 0;   // Ls2 (normalised)
    double arcLength = 0;   // Ly = L - Ls1 - Ls2
    double station = 0;     // the point's station
    // Main-point stations (continuous chainage); kNoValue where the point does
    // not exist (ZH without a first spiral, HZ without a second one, and all of
    // them for a point without a curve).
    double zh = kNoValue, hyZy = kNoValue, qz = kNoValue, yhYz = kNoValue, hz = kNoValue;
    // Leg to the next point of the list: its length and azimuth (0 for the last point).
    double legLength = 0, legAzimuth = 0;
    // Straight from this curve's end to the start of the next curve (the point
    // at `status`): outLegLength - T2 - T1(next); kNoValue for virtual members
    // and the last point. Negative when the curves overlap.
    double straightLength = kNoValue;
};

// The whole curve-element table of a road (one entry per intersection point).
// Reads the points as they are: run computeIntersectionStations first.
std::vector<IntersectionPointCurve> curveTable(const Road& road, double tolerance);

}  // namespace vornex
