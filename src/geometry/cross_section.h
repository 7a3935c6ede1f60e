// Standard cross-section (标准横断面): plate widths and crossfalls along the road,
// with their transitions between change points, and the height of the finished
// surface beside the centreline.
#pragma once

#include "model/road.h"

namespace vornex {

// CrossSectionPlate::side values.
inline constexpr int kLeftSide = 1;   // 左路幅
inline constexpr int kRightSide = 2;  // 右路幅

// Side selected by a side angle: left when the angle is above 180, else right.
int sideOfAngle(double sideAngle);

// Index (into road.plates) of the k-th plate of `side`, counting from 0 at the
// centreline outwards; -1 when there is none.
int plateOfSide(const Road& road, int side, int k);

// Transition shape S(t), 0 <= t <= 1, of the change codes 0 (linear), 1 (cubic
// parabola 3t² - 2t³) and 2 (quartic parabola 4t³ - 3t⁴); other codes are linear.
double transitionShape(int transition, double t);

// Width (m) of plate `plate` at continuous chainage `chainage`. Without change
// points the plate's standard width; before its first change point the first
// change point's value; after the last one the last one's value; in between the
// transition of the earlier change point, its shape measured from the narrower
// end. A change point up to 0.0005 m ahead counts as reached. 0 for a plate index
// outside the list.
double plateWidth(const Road& road, int plate, double chainage);

// Crossfall (per cent, from the centre outwards) of a plate, by the same rules.
// Only code 1 (cubic) shapes a crossfall transition; every other code is linear.
double plateCrossfall(const Road& road, int plate, double chainage);

// Sum of the widths of all plates of `side` at the chainage.
double halfWidth(const Road& road, int side, double chainage);

// Height of the finished surface above the centreline design elevation at the
// lateral distance `offset` (>= 0) on the side chosen by sideAngle, summing
// crossfall·width and curb steps plate by plate. A negative offset stands for the
// outer edge of that side; beyond the last plate the outer-edge height holds.
double surfaceHeight(const Road& road, double chainage, double offset, double sideAngle);

// Index (into road.plates) of the plate under the lateral distance `offset` on
// the side chosen by sideAngle (a negative offset is the outer edge, so the last
// plate); -1 beyond the last plate or when the side has none.
int plateAtOffset(const Road& road, double chainage, double offset, double sideAngle);

}  // namespace vornex
