// LandXML 1.2 alignments: reading a road from the bytes of a file and writing
// roads as a file.
//
// What maps to what:
//   Alignment/CoordGeom  Line, Curve, Spiral (clothoid)  -> elements (线元法 road)
//   Alignment/StaEquation                                 -> chain breaks (staBack -> staAhead)
//   Alignment/Profile/ProfAlign  PVI, ParaCurve, CircCurve -> grade points; a ParaCurve of
//       length L gives the radius L/|i2 - i1| (传统算法), a CircCurve its radius (精确算法)
//   CgPoints/CgPoint                                      -> control points
// Points are written "northing easting" as the format has them, which is this
// system's X then Y. Stations of elements and profiles are internal stations
// (continuous chainage); the station equations give the design stations.
// Directions are azimuths from north, clockwise, in the file's direction unit.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/exchange.h"

namespace vornex::exchange {

// Reads the alignment chosen by `options.alignment` (or the only one; with
// several and no name, `chooser` is asked, or the result is
// kExchangeChooseAlignment). The road is a 线元法 road whose elements are laid
// from the first element's start point and tangent by the element lengths and
// radii; where that disagrees with the file's own coordinates, directions or
// stations by more than 1 mm the result carries a note.
ImportResult readLandXml(std::string_view bytes, const ImportOptions& options, Prompter* chooser);

// The roads (indices into project.roads) and the project's control points as
// a LandXML 1.2 document (UTF-8). Roads without elements are left out.
std::string writeLandXml(const RoadProject& project, std::span<const int> roads);

}  // namespace vornex::exchange
