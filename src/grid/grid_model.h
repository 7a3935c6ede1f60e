// GridModel: a QAbstractTableModel over one vornex::Grid, the table as the
// tables layer built it. The model only shows the Grid; it never changes a
// record. A typed cell goes to the cell-edit handler (GridView installs it and
// forwards it to the application), and the application answers with a new Grid
// (setGrid) or one re-built row (setRow).
//
// Roles:
//   Qt::DisplayRole / Qt::EditRole   the cell text, exactly as built (UTF-8, leading blanks kept)
//   Qt::ForegroundRole               the mark colour for a red mark, none otherwise
//   Qt::ToolTipRole                  the cell's hint, else its column's hint
//   GridModel::ChoicesRole           QStringList: the texts of a combo cell (empty: a line edit)
//   GridModel::RecordRole            the record the cell shows (the cell's own, else its row's; -1 none)
// Horizontal header: DisplayRole the caption, ToolTipRole the column hint,
// GroupRole the column's header group (the band above the caption).
// Vertical header: the row number from 1; "*" on the empty row for new records.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <string>

#include "tables/grid.h"

namespace vornex {

class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int ChoicesRole = Qt::UserRole + 1;
    static constexpr int RecordRole = Qt::UserRole + 2;
    static constexpr int GroupRole = Qt::UserRole + 3;

    // Called with (row, column, typed text) when the user ends an edit of an
    // editable cell with a text different from the shown one. Returns whether the
    // edit was taken; the model itself keeps showing the old text until the
    // application re-shows the row.
    using CellEditHandler = std::function<bool(int row, int column, const std::string& text)>;

    explicit GridModel(QObject* parent = nullptr);

    const Grid& grid() const { return grid_; }

    // Shows another table (or the same table rebuilt): a model reset.
    void setGrid(Grid grid);

    // Re-shows one row: `row` < rowCount replaces that row (one dataChanged, no
    // reset); `row` == rowCount appends it. The row needs one cell per column.
    // Returns false (and changes nothing) otherwise.
    bool setRow(int row, GridRow cells);

    // Removes rows from `row` on (e.g. a shorter rebuilt table end). Returns false
    // for a row outside the table.
    bool truncate(int row);

    // First row that shows record `recordIndex` (by the row's record, then by any
    // cell's record); -1 when none does.
    int rowOfRecord(int recordIndex) const;

    // True when the table has header groups (the header shows two levels).
    bool hasGroups() const;
    // The header group over `column`, or nullptr.
    const GridHeaderGroup* groupOf(int column) const;

    // Colour of red marks (a lighter red on a dark palette; GridView sets it from
    // its palette).
    void setMarkColor(const QColor& color);
    const QColor& markColor() const { return markColor_; }

    void setCellEditHandler(CellEditHandler handler) { handler_ = std::move(handler); }
    bool hasCellEditHandler() const { return static_cast<bool>(handler_); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    const GridCell* cellAt(const QModelIndex& index) const;
    bool isNewRecordRow(int row) const;

    Grid grid_;
    CellEditHandler handler_;
    QColor markColor_{255, 0, 0};
};

}  // namespace vornex
