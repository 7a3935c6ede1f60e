// Side slopes beyond the road edge: where a slope template's line reaches a given
// height, which assignment is in force at a station, and how a measured point
// lies against the designed slope.
#pragma once

#include "model/road.h"

namespace vornex {

// SlopeTemplateRow::rowType values evaluated by slopeReach; other types (河堤边坡,
// 中心点偏移, unknown codes) are passed over.
inline constexpr int kSlopePlatform = 0;        // 平台: width, slope %
inline constexpr int kSlopeRectDitch = 1;       // 矩形边沟: inner height, bottom width, outer height
inline constexpr int kSlopeTrapezoidDitch = 2;  // 梯形边沟: inner h, inner w, bottom w, outer h, outer w
inline constexpr int kSlopeFixedHeight = 3;     // 定高放坡: slope height, gradient 1:n
inline constexpr int kSlopeFree = 4;            // 自由放坡: gradient 1:n

struct SlopeReach {
    double distance = 0;       // horizontal distance out from the road edge
    double heightReached = 0;  // height (signed, like the input) reached on the last fixed-height slope
};

// Horizontal distance from the road edge at which the template's slope line
// reaches `height` relative to the edge (> 0 above: a cut; < 0 below: a fill).
// Rows are taken from the edge outwards, each using up part of the height; when
// the rows run out the distance reached so far is the result.
SlopeReach slopeReach(const SlopeTemplate& slopeTemplate, double height);
// The same for the road's template `templateIndex`; zeros for an index outside the list.
SlopeReach slopeReach(const Road& road, int templateIndex, double height);

// Index of the slope assignment in force at the chainage: the last one in list
// order whose station is at most 0.0005 m ahead; the first one when none is; -1
// when the road has none.
int slopeAssignmentAt(const Road& road, double chainage);

// True when a bridge covers the chainage (start to start + length, inclusive,
// the chainage taken 0.0005 m ahead).
bool onBridge(const Road& road, double chainage);

// Slope check of a measured point at chainage `chainage`, lateral offset `offset`
// (negative left) and elevation `elevation`: the designed slope's reach at the
// point's height above the road edge minus the point's distance beyond the edge.
// Positive: the point lies inside the designed slope; negative: beyond it.
// kNoValue on bridges and in tunnels, and when no slope template applies.
double slopeCheck(const Road& road, double chainage, double offset, double elevation);

}  // namespace vornex
