// The plan of roads as a DXF drawing for CAD (AutoCAD 2000 format, written with
// dxflib). CAD's X axis is the easting and its Y axis the northing: a point
// (X northing, Y easting) of this system is drawn at (Y, X), as the file's
// header comment says. Texts are GBK with $DWGCODEPAGE ANSI_936.
//
// Layers: the centre line (straights as LINE, arcs as ARC, spirals as
// polylines within 0.1 m of the curve), station ticks every 20 m of design
// station with their K-text, main points with their names, and the polygon of
// intersection points with their names.
#pragma once

#include <span>
#include <string>

#include "model/road.h"

namespace vornex::exchange {

inline constexpr const char* kLayerCentreLine = "CENTRELINE";
inline constexpr const char* kLayerStations = "STATIONS";
inline constexpr const char* kLayerMainPoints = "MAIN_POINTS";
inline constexpr const char* kLayerIntersections = "IP_POLYGON";

// The drawing of the roads (indices into project.roads) as DXF bytes.
std::string writeDxfPlan(const RoadProject& project, std::span<const int> roads);

}  // namespace vornex::exchange
