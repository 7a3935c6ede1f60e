// Data-entry tables: one editable Grid per record list of the current road (or the
// project's control points), the parsing of an edited row back into its record,
// and the commands of the "数据输入" context menu.
//
// Rows of a built Grid are the records in list order (only those of the chosen
// side where a side selector applies); each row keeps the index of the record it
// shows. While the project is editable one empty row follows the last record
// (in the tables of a parent record only while a parent is selected); typing into
// it adds a record.
//
// Editing. Every command that changes records (storeDataCell, storeDataRow,
// clearCells, cutCells, pasteCells, insertRow, deleteRows, moveRow, sameAsSide,
// sameAsPier) works the same way:
//   - A cell's text is stored into the one field it shows; the record's other
//     fields keep their stored values bit for bit. A cell whose text is still the
//     one the record shows, and a cell the table does not let the user edit, store
//     nothing. Typing into the empty last row (or pasting past the end) adds a record.
//   - Chain breaks are kept ordered by start station and slope assignments by
//     station after every edit; the result says where the edited record went, so
//     that the grid keeps its current cell on it (rowOfRecord in the rebuilt grid).
//   - Once the command is done, and only when it changed records, the context is
//     told once: `alignmentChanged` for the plane alignment, then `changed` with
//     what changed. The document's context (tables/document_tables.h) marks the
//     document modified and tells its views there; a caller that keeps undo
//     snapshots takes one before the command.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"
#include "model/prompter.h"
#include "model/road.h"
#include "tables/grid.h"
#include "tables/table_codes.h"

namespace vornex {

// True for the data-entry codes of tables/table_codes.h that have a table (not the
// folders).
bool isDataTableCode(int code);

// The plane-alignment table follows the road's method: -103 on a road defined by
// elements becomes -104, and -104 on a road defined by intersection points -103.
// Other codes (or no road) are returned unchanged.
int planeTableCode(const Road* road, int code);

// What the data view knows besides the project: the current road, the side
// selector, the selected slope template and tunnel-section template, and whether
// the project may be edited. The current bridge, pier and tunnel are the road's.
struct DataTableContext {
    int road = -1;           // index of the current road
    int side = 1;            // side selector: 1 左路幅, 2 右路幅
    int slopeTemplate = -1;  // selected slope template (rows table)
    int tunnelTemplate = -1; // selected tunnel-section template (contour tables)
    bool editable = true;
    // Called after the horizontal alignment records of a road changed (its
    // intersection points or elements), so that the owner applies the road's
    // start values again and the derived alignment is recomputed.
    std::function<void(RoadProject&, int road)> alignmentChanged;
    // Called once at the end of every command that changed records, with what
    // changed (after alignmentChanged).
    std::function<void(RoadProject&, const DocumentChange&)> changed;
};

// What an edit command did.
struct DataEdit {
    bool stored = false;    // records changed
    int record = -1;        // index of the edited record after the edit (ordering moves it); -1 none
    DocumentChange change;  // what changed, as the context was told
    explicit operator bool() const { return stored; }
};

// The row of `grid` that shows record `record` (the row's record or, in the width-
// and crossfall-change tables, one of its plate cells); -1 when none does.
int rowOfRecord(const Grid& grid, int record);

// Builds the table for `code`; an unknown code, a missing road or a missing
// parent gives a table with its columns and no rows.
Grid buildDataTable(const RoadProject& project, int code, const DataTableContext& ctx);

// Stores the text `utf8` typed into cell (row, column) of `grid` (the table as it
// was shown; the text is written into that cell too) into the field the cell
// shows. A cell that is not editable stores nothing. A cell of the empty last row first
// adds a record with the defaults of insertRow (an empty text there adds none).
// In the change tables (-108, -109) a station or transition cell applies to every
// change of its row, and a plate cell to that plate's change at the row's station
// (an emptied cell removes it; the first value typed into the empty row makes the
// row with the station typed there). `record` of the result is the edited record.
DataEdit storeDataCell(RoadProject& project, const DataTableContext& ctx, Grid& grid, int row, int column,
                       std::string_view utf8);

// Stores row `row` of `grid` (as edited): each cell whose text differs from what
// its record shows, cell by cell as storeDataCell does. A row without a record
// (the empty last row, or a row past it) first adds a new record with the
// defaults of insertRow and takes every editable cell. Nothing stored: false.
DataEdit storeDataRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row);

// Inclusive cell range of data rows (header excluded) and columns.
struct CellRange {
    int top = 0, left = 0, bottom = -1, right = -1;
    bool empty() const { return bottom < top || right < left; }
};

// The "数据输入" menu items in menu order.
enum class DataMenuItem {
    Clear,               // "清除(&D)"
    Cut,                 // "剪切(&T)"
    Copy,                // "复制(&C)"
    Paste,               // "粘贴(&P)"
    InsertRow,           // "插入一行(&I)"
    DeleteRow,           // "删除一行(&R)"
    MoveUp,              // "上移一行(&U)"
    MoveDown,            // "下移一行(&W)"
    SameAsPreviousPier,  // "与上一墩相同(&F)"
    SameAsNextPier,      // "与下一墩相同(&A)"
    SameAsLeft,          // "与左侧相同(&L)"
    SameAsRight,         // "与右侧相同(&G)"
};

struct DataMenuEntry {
    DataMenuItem item;
    std::string label;  // menu text
    bool enabled = true;
};

// Menu text of an item.
std::string dataMenuLabel(DataMenuItem item);

// The menu for a right click on cell (row, column) of `grid` with `selection`
// (empty: none): the items offered, in menu order, each enabled or greyed; items
// that are removed are absent. Empty when the menu does not open (read-only
// project, not a data-entry table, or the cell lies outside the grid).
std::vector<DataMenuEntry> dataMenu(const RoadProject& project, const DataTableContext& ctx,
                                    const Grid& grid, int row, int column,
                                    const CellRange& selection, bool clipboardHasText);

// "复制": the range as text, every cell followed by a tab and every row by CR LF
// (UTF-8; the clipboard takes it in code page 936).
std::string copyCells(const Grid& grid, const CellRange& range);

// "清除": empties every editable cell of the range and stores each emptied cell of
// a row that shows records.
DataEdit clearCells(RoadProject& project, const DataTableContext& ctx, Grid& grid, const CellRange& range);

// "剪切": copyCells, then clearCells.
std::string cutCells(RoadProject& project, const DataTableContext& ctx, Grid& grid, const CellRange& range);

// "粘贴": asks "是否覆盖原来的数据？"; on Yes writes `text` into the cells from
// (row, column) on (tab: next column, CR (LF) or LF: next row back at `column`)
// and stores every cell written; rows past the end become new records.
// `record` of the result is the record of the first cell. False when nothing
// was stored.
DataEdit pasteCells(RoadProject& project, const DataTableContext& ctx, Grid& grid, int row, int column,
                const std::string& text, Prompter& prompter);

// "插入一行": a record with the defaults inserted before the record of grid row
// `row`, or appended when `row` is the empty last row. Not in the width- and
// crossfall-change tables. `record` of the result is the new record. False when
// nothing was inserted.
DataEdit insertRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row);

// "删除一行": asks "您是否真的要删除本条记录?" (No by default); on Yes removes
// the records of grid rows top..bottom, the last first. Returns the number removed.
int deleteRows(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int top, int bottom,
               Prompter& prompter);

// "上移一行" / "下移一行": swaps the record of grid row `row` with the one shown
// above (up) or below it; `record` of the result is where the moved record is
// now. False when there is none, or when the list's station order puts it back.
DataEdit moveRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row, bool up);

// "与左侧相同" (fromSide 1) / "与右侧相同" (fromSide 2), plate and contour tables:
// replaces the shown side (ctx.side) by a copy of the other side, asking
// "本路幅已存在数据，是否覆盖？" first when the shown side has rows.
bool sameAsSide(RoadProject& project, const DataTableContext& ctx, int code, int fromSide, Prompter& prompter);

// "与上一墩相同" / "与下一墩相同", pile table: replaces the current pier's piles by
// a copy of the previous (or next) pier's, asking "本桥墩存在桩基数据，是否覆盖？"
// first when the current pier has piles.
bool sameAsPier(RoadProject& project, const DataTableContext& ctx, bool previous, Prompter& prompter);

// Captions of the five value columns of a slope-template row of type `rowType`
// (empty texts for the values the type does not use).
std::vector<std::string> slopeValueCaptions(int rowType);

}  // namespace vornex
