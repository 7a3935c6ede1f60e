// The result column's table: the document's current item code → the table
// builder of the tables layer → the grid widget. Every edit typed into the grid
// goes through the document controller as one undo step; after an edit that
// keeps the rows where they were only the edited row is shown again.
#pragma once

#include <QWidget>

#include <map>
#include <string>

#include "app/document_controller.h"
#include "grid/grid_view.h"
#include "tables/data_tables.h"
#include "tables/grid.h"

class QAction;
class QComboBox;
class QLabel;
class QToolBar;

namespace vornex::app {

// The record kind an edit of table `code` changes (-1 for none).
int recordKindOfTable(int code);
// The caption of a table (its tree item's).
QString tableTitle(int code);
// The coordinate-table interval kept in the settings for a project file (its
// absolute path); 100 m for a file without one and for an unsaved project.
double storedCoordinateInterval(const QString& projectPath);
void storeCoordinateInterval(const QString& projectPath, double metres);
// Reads a typed interval ("20", "20 m", "20米"); 0 when it is no valid step.
double parseCoordinateInterval(const QString& text);

// The code the table view builds for the document's current code: the plane
// alignment follows the road's method.
int effectiveTableCode(const CVornexPcDoc& doc);

class TableView : public QWidget {
    Q_OBJECT
public:
    explicit TableView(DocumentController& controller, QWidget* parent = nullptr);

    // Builds the table for the document's current code again.
    void rebuild();
    const Grid& grid() const { return grid_; }
    GridView* table() const { return table_; }
    QComboBox* sideSelector() const { return side_; }
    // The interval choice of 逐桩坐标表 (shown with that table only).
    QComboBox* intervalSelector() const { return interval_; }
    // 从经纬度导入… (shown with the control-point table only).
    QAction* geographicImportAction() const { return geographicImport_; }
    double coordinateInterval() const { return controller_.viewState().coordinateInterval; }
    // Takes a new interval: kept for the project file, the table rebuilt when it
    // shows. False (nothing changed) for a step outside 0.1 m .. 100 km.
    bool setCoordinateInterval(double metres);
    // How often the whole table was built and how many single rows were re-shown
    // (the speed benchmark and tests read these).
    int rebuildCount() const { return rebuilds_; }
    int rowUpdateCount() const { return rowUpdates_; }

    // The edit handler of the grid: stores the typed text of one cell; true
    // when something was stored.
    bool editCell(int row, int column, const QString& text);
    // Pastes tab-separated text at (row, column), as one undo step.
    bool paste(int row, int column, const QString& text);
    // Every edit the grid asks for (cell, paste, cut, clear, the "数据输入" commands).
    bool handleEdit(const GridEdit& edit);
    // The clipboard commands on the current selection.
    void copy();
    void cut();
    void pasteClipboard();
    bool isEditable() const;

signals:
    // The hint of the current cell (its own, else its column's), for the status bar.
    void hintChanged(const QString& hint);
    // The coordinate-table interval changed (a choice, or another project file).
    void intervalChanged(double metres);

private:
    void onChanged(int kind, int index);
    void showGrid();
    void showInterval();
    void onDocumentReplaced();
    void takeTypedInterval();
    EditScope scopeOfTable() const;
    // The station and transition typed into the empty row of a width- or
    // crossfall-change table wait there, shown, until a plate value makes the
    // row's record; they are put back into the row whenever the table is built again.
    bool keepPending(int row, int column, const QString& text);
    void showPending();
    void explainLocked(int row, int column);
    // Runs a table command on a copy of the shown grid as one edit.
    bool runEdit(const QString& label, int kind, int record, const std::function<DataEdit(Grid&)>& fn);

    DocumentController& controller_;
    Grid grid_;
    QToolBar* toolbar_;
    QComboBox* side_;
    QAction* sideAction_ = nullptr;
    QComboBox* interval_;
    QAction* intervalAction_ = nullptr;
    QAction* geographicImport_ = nullptr;
    QLabel* title_;
    GridView* table_;
    int rebuilds_ = 0;
    int rowUpdates_ = 0;
    int followRecord_ = -1;  // the record the current cell stays on after a rebuild
    std::map<int, std::string> pending_;  // column -> text waiting in the empty change row
    int pendingCode_ = 0;
    int pendingRoad_ = -1;
};

}  // namespace vornex::app
