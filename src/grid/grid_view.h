// GridView: the table widget every table of the workbench is shown on. A
// QTableView over a GridModel with
//  - the fixed header row, drawn in two levels where columns have header groups;
//  - red marks, title tips, row and column spans, the built column widths;
//  - in-place line edits, and combo boxes for cells with choices;
//  - one contiguous range selection;
//  - the "数据输入" context menu, whose items come from the menu provider;
//  - Ctrl+C / Ctrl+X / Ctrl+V / Delete as tab-separated text (the tables'
//    copyCells format: every cell followed by a tab, every row by CR LF, UTF-8).
//
// The view never changes a record. Every edit is handed to the edit handler as a
// GridEdit; the application stores it through its document controller (undo
// snapshot, core command, modified flag) and then re-shows the table:
//   - setRow(row, builtRow) after an edit that changed one row (no model reset);
//   - setGrid(grid) after edits that add, remove or reorder rows, followed by
//     setCurrentRecord(record) when the edited record moved.
// The edit handler may call setRow / setGrid / setCurrentRecord from inside the
// call. The record is stored at once (the handler runs synchronously); a new
// Grid given while the in-place editor is still being committed is shown as soon
// as the editor has closed, a moment later in the same call chain.
//
// Typical wiring in the application:
//   view->setEditHandler([&](const GridEdit& e) {
//       switch (e.kind) {
//           case GridEdit::Kind::Cell:    ...store e.text into cell (e.row, e.column)...
//           case GridEdit::Kind::Paste:   ...pasteCells(project, ctx, grid, e.row, e.column, e.text, prompter)...
//           case GridEdit::Kind::Cut:     ...cutCells(project, ctx, grid, e.range)...
//           case GridEdit::Kind::Clear:   ...clearCells(project, ctx, grid, e.range)...
//           case GridEdit::Kind::Command: ...insertRow / deleteRows / moveRow / sameAsSide / sameAsPier...
//       }
//   });
//   view->setMenuProvider([&](int row, int column, const CellRange& sel, bool clip) {
//       return dataMenu(project, ctx, view->grid(), row, column, sel, clip);
//   });
// Without an edit handler the view is read-only (copy still works); without a
// menu provider no context menu opens. Printing and export take view->grid()
// (see grid_printer.h).
#pragma once

#include <QTableView>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "tables/data_tables.h"
#include "tables/grid.h"

class QMenu;

namespace vornex {

class GridModel;

// One edit asked for by the user, for the application to carry out.
struct GridEdit {
    enum class Kind {
        Cell,     // a typed (or chosen) cell: row, column, text
        Paste,    // "粘贴" / Ctrl+V: the clipboard text, to be written from (row, column) on
        Cut,      // "剪切" / Ctrl+X: range (the view has already put its copy on the clipboard)
        Clear,    // "清除" / Delete: range
        Command,  // another "数据输入" item: command, with the clicked cell (row, column) and range
    };
    Kind kind = Kind::Cell;
    int row = -1;
    int column = -1;
    std::string text;  // UTF-8
    CellRange range;   // the selected range (Cut, Clear, Command; empty when nothing is selected)
    DataMenuItem command = DataMenuItem::Clear;
};

// Returns whether the edit was taken.
using GridEditHandler = std::function<bool(const GridEdit& edit)>;

// The context-menu items for a right click on (row, column) with `selection`:
// what dataMenu() of the tables layer returns. Empty: no menu opens.
using GridMenuProvider = std::function<std::vector<DataMenuEntry>(int row, int column, const CellRange& selection,
                                                                  bool clipboardHasText)>;

class GridView : public QTableView {
    Q_OBJECT

public:
    explicit GridView(QWidget* parent = nullptr);

    GridModel* gridModel() const { return model_; }
    const Grid& grid() const;

    // Shows `grid`. When it is the table already shown (same code and columns) the
    // current cell stays on its record (else on its row) and the column widths the
    // user set are kept; another table starts at its first cell with its own widths.
    void setGrid(const Grid& grid);
    // Re-shows one row (see GridModel::setRow); the current cell stays where it is.
    bool setRow(int row, const GridRow& cells);

    // Moves the current cell to the row that shows `record`, in `column` (-1: the
    // current column). Returns false when no row shows it.
    bool setCurrentRecord(int record, int column = -1);
    // Record of the current row (-1: none, e.g. the empty row for new records).
    int currentRecord() const;
    void setCurrentCell(int row, int column);

    // The selected range (bounding box of the selection); empty when nothing is selected.
    CellRange selectedRange() const;

    void setEditHandler(GridEditHandler handler);
    void setMenuProvider(GridMenuProvider provider) { menuProvider_ = std::move(provider); }

    // The "数据输入" menu for a right click on (row, column), or nullptr when none
    // opens. The caller owns it. Its actions carry their DataMenuItem as data.
    QMenu* createContextMenu(int row, int column);

public slots:
    // Clipboard and clearing commands on the selection (the current cell when
    // nothing is selected); the Edit menu of the application may call them too.
    void copyToClipboard();     // Ctrl+C, "复制"
    bool cutToClipboard();      // Ctrl+X, "剪切"
    bool pasteFromClipboard();  // Ctrl+V, "粘贴": from the top-left cell of the selection on
    bool clearRange();          // Delete, "清除"

signals:
    // The current cell moved (for the hint in the status bar).
    void currentCellChanged(int row, int column);
    // The user tried to type into (or open) a cell that takes no input: the key
    // is taken, not passed on, so that the application can say why.
    void editRefused(int row, int column);

protected:
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    bool handEdit(const GridEdit& edit);
    bool isLocked(const QModelIndex& index) const;
    CellRange rangeOrCurrent() const;
    bool anyEditableCell() const;
    void applySpans(int firstRow, int lastRow);
    void applyColumnWidths();
    void runMenuItem(DataMenuItem item, int row, int column);

    void showGrid(const Grid& grid);
    void applyPending();

    GridModel* model_;
    // A model reset while the delegate commits would leave the view stuck in its
    // editing state, so a table given during a commit waits for the editor to close.
    bool committing_ = false;
    std::optional<Grid> pendingGrid_;
    std::optional<std::pair<int, int>> pendingRecord_;  // record, column
    GridEditHandler editHandler_;
    GridMenuProvider menuProvider_;
};

}  // namespace vornex
