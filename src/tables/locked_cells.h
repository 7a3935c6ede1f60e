// Why a cell of a data-entry table takes no input, for the status bar.
#pragma once

#include <string>

#include "tables/data_tables.h"

namespace vornex {

// Why cell (row, column) of `grid` takes no input (a result table, a read-only
// project, a value the row does not use or the table derives), for the status
// bar when the user tries to type there; empty when the cell is editable.
std::string lockedCellReason(const DataTableContext& ctx, const Grid& grid, int row, int column);

}  // namespace vornex
