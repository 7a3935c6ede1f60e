// The check of a project's numbers after reading: a value that a computation
// reads must be a finite number. NaN or an infinity there would spread into
// every coordinate and table of the road; such a file is refused with a message
// that names the road, the record and the field. Values that are only stored
// and written back (labels' numbers, the derived arrival azimuth, control
// points, blast holes, bridge widths, unused slope-row values) are left as they
// are, so an old file never becomes unreadable over them. A finite but huge
// value (1e308) is read; what it leads to is checked where results are made.
#pragma once

#include <string>
#include <vector>

#include "model/road.h"

namespace vornex {

// Empty when every value read by a computation is finite; otherwise the message
// for the first one that is not (UTF-8), for example
// "项目文件含有无效数值，不能读入：路线“A1”线元表第3行的“起点半径”不是有限数（nan）。"
std::string nonFiniteProjectValue(double precision, const std::vector<Road>& roads);

}  // namespace vornex
