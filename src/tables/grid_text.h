// Plain-text forms of a Grid for the command line and the clipboard-free export:
// the header row first, then every data row, each cell exactly as the grid shows
// it (leading blanks kept, UTF-8).
#pragma once

#include <string>

#include "tables/grid.h"

namespace vornex {

// Tab-separated: cells joined by a tab, every row (header included) ended by "\n".
// A tab or line break inside a cell would break the row structure, so it is
// replaced by a blank.
std::string gridToTsv(const Grid& grid);

// RFC 4180 CSV: fields joined by commas, every record ended by CRLF; a field that
// holds a comma, a double quote, CR or LF is enclosed in double quotes with its
// quotes doubled.
std::string gridToCsv(const Grid& grid);

// A cell that shows a number which is not finite ("nan", "-nan", "inf", "-inf"
// as printf writes them, alone or inside the cell's text): the row and column
// of the first one, or false when there is none. Columns whose caption holds
// "名" carry names, which may be any text, and are not looked at.
bool findNonFiniteCell(const Grid& grid, int& row, int& column);

}  // namespace vornex
