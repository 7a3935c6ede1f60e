// A table as data: what the grid shows, GUI-free. Every table builder returns a
// Grid; the Qt grid only displays and edits it, and vornex-cli prints the very
// same cells.
#pragma once

#include <string>
#include <vector>

namespace vornex {

struct GridCell {
    std::string text;                  // UTF-8, exactly as shown (leading blanks kept)
    bool editable = false;
    bool red = false;                  // red text (a mark such as an exceeded limit)
    std::vector<std::string> choices;  // non-empty: a combo cell with these texts
    int rowSpan = 1;                   // > 1: this cell covers the cells below it
    int columnSpan = 1;                // > 1: this cell covers the cells to its right
    int recordIndex = -1;              // record shown by this cell where a row shows several (-1: the row's)
    std::string hint;                  // title tip of this cell, overriding the column's when non-empty
};

struct GridColumn {
    std::string caption;  // header-row text
    int width = 80;       // pixels at the standard font
    std::string hint;     // title tip of the column
};

// A band of the header's upper level over `count` columns from `first` (a table
// with groups shows its header in two levels; a column outside every group shows
// its caption over both).
struct GridHeaderGroup {
    std::string caption;
    int first = 0;
    int count = 1;
};

struct GridRow {
    std::vector<GridCell> cells;
    int recordIndex = -1;  // index of the record the row shows, -1 none (e.g. the empty last row)
};

struct Grid {
    int code = 0;                     // the table code
    std::vector<GridColumn> columns;  // the fixed header row
    std::vector<GridRow> rows;        // data rows, header excluded
    int side = 0;                     // side selector shown with the table: 0 none, 1 左路幅, 2 右路幅
    std::vector<GridHeaderGroup> headerGroups;  // upper header level; empty: one header row

    int rowCount() const { return static_cast<int>(rows.size()); }
    int columnCount() const { return static_cast<int>(columns.size()); }
    const GridCell& cell(int row, int col) const { return rows.at(row).cells.at(col); }
    GridCell& cell(int row, int col) { return rows.at(row).cells.at(col); }
    // Appends a row of empty read-only cells and returns it.
    GridRow& addRow(int recordIndex = -1) {
        rows.emplace_back();
        rows.back().cells.resize(columns.size());
        rows.back().recordIndex = recordIndex;
        return rows.back();
    }
};

// The row a data-entry table offers for typing a new record: its last row, showing
// no record, with a cell that takes input. Such a row is neither numbered (it shows
// "*"), printed nor exported while it is empty; `evenTyped` also counts it while
// its cells hold text typed but not stored yet, as the row commands do.
inline bool isNewRecordRow(const Grid& grid, int row, bool evenTyped = false) {
    if (row < 0 || row != grid.rowCount() - 1) return false;
    const GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    if (r.recordIndex >= 0) return false;
    bool editable = false;
    for (const GridCell& c : r.cells) {
        if ((!evenTyped && !c.text.empty()) || c.recordIndex >= 0) return false;
        editable = editable || c.editable;
    }
    return editable;
}

}  // namespace vornex
