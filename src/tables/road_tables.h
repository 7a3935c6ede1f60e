// Road result tables: read-only Grids computed from the current road.
#pragma once

#include "model/road.h"
#include "tables/grid.h"
#include "tables/table_codes.h"

namespace vornex {

// True for the six road result codes (table_code::kCurveElements to kStructureStakeout).
bool isRoadResultCode(int code);

// The table for a result code; a missing road or an unknown code gives an empty
// Grid with the table's columns (no rows). `interval` is the coordinate table's
// step in metres of design station.
Grid buildRoadTable(const RoadProject& project, int road, int code, double interval = 100);

// Curve-element table (intersection-point roads): three rows per point.
Grid buildCurveElementTable(const RoadProject& project, int road);
// Element table: one row per element and the final "ZD" row.
Grid buildElementTable(const RoadProject& project, int road);
// Coordinate table: every full `interval` of design station, every chain break
// and every main point. A road that needs more than kMaxCoordinateRows rows gets
// that many and a last row saying the table was cut (kCoordinateTableCutText).
Grid buildCoordinateTable(const RoadProject& project, int road, double interval = 100);
// Grade points with their vertical curves.
Grid buildVerticalCurveTable(const RoadProject& project, int road);
// Structure stake-out: three rows (X, Y, Z) per structure.
Grid buildStructureStakeoutTable(const RoadProject& project, int road);
// Bridge positions of the road's current bridge: a row per pier, then its piles.
Grid buildBridgePositionTable(const RoadProject& project, int road);

// Maximum number of computed rows of the coordinate table: a bound on work (a
// 100 km road at 5 m is 20,000 rows plus main points), not on use.
inline constexpr int kMaxCoordinateRows = 100000;
// Text of the last row of a coordinate table that was cut at kMaxCoordinateRows.
inline constexpr const char* kCoordinateTableCutText = "表格已截断：超过100000行，请加大桩号间隔";

// Steps the coordinate table offers (metres); any other positive step may be typed.
inline constexpr double kCoordinateIntervals[] = {100, 50, 20, 10, 5};
// Smallest and largest step accepted for the coordinate table (metres).
inline constexpr double kMinCoordinateInterval = 0.1;
inline constexpr double kMaxCoordinateInterval = 100000;
// True for a step the coordinate table accepts.
bool validCoordinateInterval(double interval);

// The coordinate table's step: the continuous chainage of the next row after
// `chainage` (the next full interval of design station, cut short at a chain
// break and at the end of the element that holds `chainage`, kept within the
// road). Returns `chainage` itself when the road ends there.
double nextTableStation(const Road& road, double chainage, double interval = 100);

}  // namespace vornex
