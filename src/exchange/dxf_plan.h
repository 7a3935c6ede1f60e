// The plan of roads as a DXF drawing for CAD (AutoCAD 2000 format, written with
// dxflib). CAD's X axis is the easting and its Y axis the northing: a point
// (X northing, Y easting) of this system is drawn at (Y, X), as the file's
// header comment says. Texts are GBK with $DWGCODEPAGE ANSI_936.
//
// Layers: the centre line (straights as LINE, arcs as ARC, spirals as
// polylines within a millimetre of the curve), station ticks with their K-text
// every 20 m of design station (50, 100, 500 or 1000 m where 20 m would give
// more than 100,000 ticks; never more than that), main points with their
// names, and the polygon of intersection points with their names. The text
// style's fonts: txt.shx with the big font gbcbig.shx.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <span>
#include <string>

#include "model/road.h"

namespace vornex::exchange {

inline constexpr const char* kLayerCentreLine = "CENTRELINE";
inline constexpr const char* kLayerStations = "STATIONS";
inline constexpr const char* kLayerMainPoints = "MAIN_POINTS";
inline constexpr const char* kLayerIntersections = "IP_POLYGON";

inline constexpr const char* kTextFont = "txt.shx";
inline constexpr const char* kBigFont = "gbcbig.shx";
inline constexpr long long kMaxStationTicks = 100000;
inline constexpr double kTickIntervals[] = {20, 50, 100, 500, 1000};

// The tick interval for the roads: the first of kTickIntervals that keeps the
// ticks of all of them under kMaxStationTicks.
double tickInterval(const RoadProject& project, std::span<const int> roads);

// The drawing of the roads (indices into project.roads) written to `out` as
// it is made; false when the stream failed.
bool writeDxfPlan(const RoadProject& project, std::span<const int> roads, std::ostream& out);
// The same as DXF bytes in memory.
std::string writeDxfPlan(const RoadProject& project, std::span<const int> roads);

}  // namespace vornex::exchange
