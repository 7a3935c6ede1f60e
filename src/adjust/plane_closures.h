// Closures of a plane control network computed from the observations alone,
// before any adjustment: the angular misclosure of every triangle whose three
// angles were observed, and the angular and coordinate closures of every
// traverse (a chain of stations with one leg forward at each, from a known
// point to a known point, oriented by known points or known azimuths).
#pragma once

#include <array>
#include <vector>

#include "adjust/plane_adjust.h"

namespace vornex {

struct TriangleClosure {
    std::array<int, 3> points{};  // point indices of the plane adjustment
    double misclosure = 0;        // seconds: sum of the three angles - 180 degrees
};

struct TraverseClosure {
    std::vector<int> points;  // known start, the traverse points, known end
    int angleCount = 0;       // angles used in the azimuth transfer (start and end included)
    bool hasAngular = false;  // both ends oriented: the angular closure exists
    double angular = 0;       // seconds: transferred - known azimuth at the end
    int legCount = 0;
    double length = 0;        // m, sum of the legs
    double fx = 0, fy = 0;    // m: computed - known end, after distributing the angular closure
    double f() const;
};

struct PlaneClosures {
    std::vector<TriangleClosure> triangles;
    std::vector<TraverseClosure> traverses;
};

// Works on the observation lists and the known coordinates of a built plane
// adjustment (adjusted or not).
PlaneClosures computePlaneClosures(const CPlaneNetAdjust& plane);

}  // namespace vornex
