// Intersection points in a CSV or TSV table: one point a row with its name,
// X, Y, circle radius R and the two spiral lengths Ls1 and Ls2, under a header
// row in Chinese or English (名称/交点名/name, X/坐标X/N, Y/坐标Y/E, R/半径,
// Ls1/前缓长度, Ls2/后缓长度; the last three may be missing). UTF-8 (with or
// without a byte-order mark) or GBK; comma, semicolon or tab separated.
#pragma once

#include <string_view>

#include "exchange/exchange.h"

namespace vornex::exchange {

// An intersection-point road (交点法) named options.roadName, starting at
// station 0 at its first point, with its elements computed.
ImportResult readPointsCsv(std::string_view bytes, const ImportOptions& options);

}  // namespace vornex::exchange
