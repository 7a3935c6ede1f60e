// The coordinate conversion as a table (坐标转换): the points of a points file
// converted between latitude and longitude and a Gauss-Krüger grid, or from one
// zone to another, shown, printed, copied and exported like every table.
#pragma once

#include "geodesy/point_conversion.h"
#include "tables/grid.h"
#include "tables/table_codes.h"

namespace vornex {

// Header "点名, X(m), Y(m), 比例因子, 子午线收敛角" for grid results, or "点名, B, L,
// 比例因子, 子午线收敛角" for latitude and longitude; coordinates "%.4f", angles in
// 度.分秒 to 0.00001″, the scale factor "%.10f".
Grid coordinateConversionTable(const geodesy::ConversionOutcome& outcome, bool geographic);

}  // namespace vornex
