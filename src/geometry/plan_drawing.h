// What the plan drawing shows of a road, computed once per change of the road
// (never per paint): the intersection-point polygon with its names, every
// element as a polyline fine enough to look smooth at any zoom, the main points
// at the element starts, and the extents of it all. X is the northing, Y the
// easting, as everywhere in the road data.
#pragma once

#include <string>
#include <vector>

#include "geometry/angles.h"
#include "model/road.h"

namespace vornex {

enum class PlanPieceKind { Straight, Arc, Spiral };

struct PlanPiece {
    PlanPieceKind kind = PlanPieceKind::Straight;
    int element = -1;               // index into the road's elements
    double startStation = 0;        // continuous chainage of points.front()
    std::vector<PlanPoint> points;  // from the element's start to its end
};

struct PlanMark {
    PlanPoint at;
    std::string name;  // UTF-8
};

struct PlanDrawing {
    std::vector<PlanMark> intersectionPoints;  // the polygon, in order (intersection-point roads)
    std::vector<PlanMark> elementStarts;       // a mark at each element's start, named by its main point
    std::vector<PlanPiece> pieces;
    PlanExtents extents;
};

// Largest distance between a drawn polyline and the true curve (metres).
inline constexpr double kPlanChordError = 0.005;

// The plan of `road` with curves sampled so that no chord strays more than
// `chordError` from the curve (and at least every 10 m along spirals).
PlanDrawing planDrawing(const Road& road, double precision, double chordError = kPlanChordError);

}  // namespace vornex
