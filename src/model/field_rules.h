// Small rules of the project data: how typed values are stored, how new records
// are named, and the normalising read of an intersection point.
#pragma once

#include <string_view>

#include "model/records.h"
#include "model/road.h"

namespace vornex {

// Station prefix as stored: ASCII letters upper-cased, cut to 2 bytes
// ("abc" -> "AB"). `typed` is UTF-8.
FixedText<2> stationPrefixFromText(std::string_view typed);

// A structure angle of 180 degrees or more is stored less 180 (200 -> 20), so
// that stored angles lie below 180; larger entries are folded the same way.
double foldStructureAngle(double degrees);

// True for the scratch road's name "~Manual".
bool isManualRoadName(const Name12& name);

// The normalising read of an intersection point:
//   spiral lengths become their absolute values; a negative start (end)
//   radius is the spiral parameter A: with a length given, the radius becomes
//   A²R / (A² - Ls·R), a result below 0.0001 (or not finite) becoming 0; with
//   no length, the length becomes A²/R and the radius 0.
// Without a curve (R <= 0) there is nothing to lead into and the radius becomes 0.
IntersectionPoint normaliseIntersectionPoint(const IntersectionPoint& point);

// Names for new records: the format with the smallest number from 0 on that
// gives a name not yet taken (GBK).
Name12 newSlopeTemplateName(const Road& road);     // "边坡模板%d"
Name12 newBridgeName(const Road& road);            // "桥梁%d"
Name12 newPierName(const Bridge& bridge);          // "%d"
Name12 newTunnelName(const Road& road);            // "隧道%d"
Name12 newTunnelTemplateName(const Road& road);    // "隧道断面%d"

}  // namespace vornex
