// Closures of a plane control network computed from the observations alone,
// before any adjustment: the angular misclosure of every triangle whose three
// angles were observed, and the angular and coordinate closures of every
// traverse line the network holds.
//
// A traverse line is a path along legs that carry a distance, from a known
// point to a known point (or back to its own start), through unknown stations
// only, each visited once, with the angle observed at every station. For each
// pair of known points the path through the most stations is taken (cross-ties
// are left out, as a traverse book leaves them); then, from the longest down, a
// path whose legs all lie in paths already taken is left out. An end is
// oriented by a sighting to another known point or a known azimuth; a line
// oriented at one end only has no angular closure, one oriented at neither end
// is not listed. The search is exhaustive within kMaxTraverseSteps steps.
#pragma once

#include <array>
#include <cstddef>
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

// Bound on the steps of the traverse search (paths extended by one leg): some
// tenths of a second; a network of a few dozen stations stays far below it.
inline constexpr std::size_t kMaxTraverseSteps = 1000000;

struct PlaneClosures {
    std::vector<TriangleClosure> triangles;
    std::vector<TraverseClosure> traverses;
    // False when the traverse search went beyond kMaxTraverseSteps: then no
    // traverse is listed.
    bool traverseSearchComplete = true;
};

// Works on the observation lists and the known coordinates of a built plane
// adjustment (adjusted or not).
PlaneClosures computePlaneClosures(const CPlaneNetAdjust& plane);

}  // namespace vornex
