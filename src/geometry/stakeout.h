// Stake-out of structures (culverts, passages, footbridges crossing the road) and
// of bridge piers and piles.
#pragma once

#include <array>

#include "geometry/alignment.h"
#include "model/records.h"
#include "model/road.h"

namespace vornex {

struct StakeoutPoint {
    double x = 0, y = 0, z = 0;
};

// The seven points of a structure, in table order: 左前, 左中, 左后, 中心点,
// 右前, 右中, 右后. 前/后 lie half the width ahead of / behind the structure axis
// (measured across it), 左/右 at the left and right lengths along the axis.
struct StructureStakeout {
    std::array<StakeoutPoint, 7> points;
};

// Corners and mid points of a structure at station s with skew angle θ (clockwise
// from the road's forward direction to the structure axis). A point at u across
// the axis and v along it (v > 0 to the right) lies at centre +
// polarOffset(d, φ + azimuth + θ − 90) with (d, φ) = joinPoints(u, v); a structure
// built as a parallelogram (method 0, ends parallel to the road) has
// v += tan(90° − θ)·u. Z = crossfall·v/100 + centre elevation. False when the road
// has no elements.
bool structureStakeout(const Road& road, const Structure& structure, StructureStakeout& out);

// Centre point of a pier on the bridge axis, with the road's azimuth there. A
// straight bridge on a curve (calcType 1) runs along the tangent at the bridge's
// middle; a curved bridge (calcType 0) follows the road. The axis offset moves
// the point to the right (negative: left). False when the road has no elements.
bool pierCentre(const Road& road, const Bridge& bridge, const Pier& pier, double tolerance,
                AlignmentPoint& out);

// Plan position of a pile: its own X/Y in absolute mode; in relative mode
// `across` runs along the pier axis (at the pier angle clockwise from the road
// direction) and `along` perpendicular to it, from the pier centre.
PlanePoint pilePosition(const AlignmentPoint& pierCentre, const Pier& pier, const Pile& pile);

}  // namespace vornex
