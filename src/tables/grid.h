// A table as data: what the grid shows, GUI-free. Every table builder returns a
// Grid; the Qt grid only displays and edits it, and vornex-cli prints the very
// same cells.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vornex {

// A value few cells have (a combo's choices, a cell's own tip), kept behind one
// pointer so that the plain cells of a long table stay small: a coordinate table
// of 100,000 rows holds 600,000 cells. It reads as a const T (empty when unset)
// and is set by assigning a T; copies are deep, as for the T itself.
template <class T>
class SparseValue {
public:
    SparseValue() = default;
    SparseValue(const SparseValue& other) : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    SparseValue(SparseValue&&) noexcept = default;
    SparseValue& operator=(const SparseValue& other) {
        if (this != &other) value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    SparseValue& operator=(SparseValue&&) noexcept = default;
    SparseValue& operator=(T value) {
        if (value.empty()) value_.reset();
        else if (value_) *value_ = std::move(value);
        else value_ = std::make_unique<T>(std::move(value));
        return *this;
    }

    const T& get() const { return value_ ? *value_ : kEmpty; }
    operator const T&() const { return get(); }
    bool empty() const { return !value_; }  // an empty T is never kept
    std::size_t size() const { return get().size(); }
    auto begin() const { return get().begin(); }
    auto end() const { return get().end(); }
    decltype(auto) operator[](std::size_t i) const { return get()[i]; }

    friend bool operator==(const SparseValue& a, const SparseValue& b) { return a.get() == b.get(); }
    friend bool operator==(const SparseValue& a, const T& b) { return a.get() == b; }

private:
    inline static const T kEmpty{};
    std::unique_ptr<T> value_;
};

struct GridCell {
    std::string text;                    // UTF-8, exactly as shown (leading blanks kept)
    SparseValue<std::vector<std::string>> choices;  // non-empty: a combo cell with these texts
    SparseValue<std::string> hint;       // title tip of this cell, overriding the column's when non-empty
    int rowSpan = 1;                     // > 1: this cell covers the cells below it
    int columnSpan = 1;                  // > 1: this cell covers the cells to its right
    int recordIndex = -1;                // record shown by this cell where a row shows several (-1: the row's)
    bool editable = false;
    bool red = false;                    // red text (a mark such as an exceeded limit)
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
