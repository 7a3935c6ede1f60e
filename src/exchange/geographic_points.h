// Control points from latitude and longitude: a GNSS list of "name,B,L,H"
// lines (B and L in 度.分秒, as `vornex-cli coords` reads them) projected onto
// the project's Gauss-Krüger grid.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geodesy/coordinate_system.h"
#include "model/road.h"

namespace vornex::exchange {

// Largest points file read (bytes).
inline constexpr std::size_t kGeographicFileLimit = 64u << 20;

struct GeographicImport {
    std::vector<ControlPoint> points;  // x, y on the grid (y as written), h as given, in file order
    std::vector<std::string> problems; // UTF-8, one per line left out: "第 3 行：…，已跳过"
    std::vector<std::string> notes;    // UTF-8: names cut to 12 bytes, points without a height
};

// Every line of a points file as read (UTF-8, or GBK as Chinese editors save
// it). A line that cannot be read or projected is left out with its line
// number; blank lines are skipped without a word.
GeographicImport readGeographicControlPoints(std::string_view bytes, const geodesy::CoordinateSystem& system);

}  // namespace vornex::exchange
