#include "tables/data_tables.h"
#include "tables/data_table_parts.h"
#include "tables/locked_cells.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <type_traits>

#include "document/edits.h"
#include "geometry/angles.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "model/field_rules.h"
#include "model/record_store.h"
#include "text/text.h"

namespace vornex {
namespace tc = table_code;

namespace data_table_parts {

// ---- choice texts --------------------------------------------------------------

// Slope-template row types offered in the type combo, in code order.
std::vector<std::string> slopeTypeChoices() {
    std::vector<std::string> out;
    for (int c : slopeRowTypeCodes()) out.push_back(slopeRowTypeText(c));
    return out;
}

int slopeTypeCode(const std::string& t) {
    for (int c : slopeRowTypeCodes())
        if (slopeRowTypeText(c) == t) return c;
    return 0;
}

const std::vector<std::string>& pileModeChoices() {
    static const std::vector<std::string> choices = {pileModeText(0), pileModeText(1)};
    return choices;
}

const std::vector<std::string>& methodChoices() {
    static const std::vector<std::string> choices = {structureMethodText(1), structureMethodText(0)};
    return choices;
}

// 线型 of an element as the table offers it: the type and the turn in one.
const std::vector<std::string>& elementTypeChoices() {
    static const std::vector<std::string> choices = {"直线", "左转缓", "右转缓", "左转圆", "右转圆"};
    return choices;
}

// Transitions offered in a change table's combo: the three shown in the table.
std::vector<std::string> transitionComboChoices() {
    const auto& all = transitionChoices();
    return std::vector<std::string>(all.begin(), all.begin() + std::min<std::size_t>(3, all.size()));
}

// ---- cell text -----------------------------------------------------------------

std::string fmt(const char* f, double v) { return text::format(f, v); }

// A number as typed: the leading decimal number of the cell, 0 when the cell is
// empty or holds none; a value that does not fit a double reads as 0 as well.
double readNumber(const std::string& s) { return *readTypedNumber(s, NumberText::Leading); }

bool isBlank(const std::string& s) { return text::trim(s).empty(); }

double readStation(const Road& road, const std::string& s) {
    double c = isBlank(s) ? kNoValue : toContinuousChainage(road, s);
    if (c == kNoValue || !std::isfinite(c)) c = toContinuousChainage(road, 0.0, false);
    return c;
}

// A design station typed into a chain-break cell (stored as typed, not
// converted): the road's K-text, or a number read as every number cell reads it.
double readDesignStation(const Road& road, const std::string& s) {
    TypedStation typed;
    return parseKilometreText(road, s, typed) ? typed.station : readNumber(s);
}

// Plain station text of the data tables: typed back as a real number, "+" kept.
std::string stationText(const Road& road, double c) { return formatStation(road, c, false); }

// A DMS angle cell as typed: packed 度.分秒 to degrees.
double readDms(const std::string& s) { return dmsToDegrees(readNumber(s)); }

// ---- grid helpers --------------------------------------------------------------

GridColumn column(const std::string& caption, int width, const std::string& hint) {
    GridColumn c;
    c.caption = caption;
    c.width = width;
    c.hint = hint;
    return c;
}

void setCell(GridRow& row, int col, std::string textValue, bool editable, const std::vector<std::string>& choices) {
    GridCell& c = row.cells.at(static_cast<std::size_t>(col));
    c.text = std::move(textValue);
    c.editable = editable;
    c.choices = choices;
}

const std::string& cellText(const GridRow& r, int col) {
    static const std::string empty;
    if (col < 0 || col >= static_cast<int>(r.cells.size())) return empty;
    return r.cells[static_cast<std::size_t>(col)].text;
}

const std::string& cellText(const Grid& grid, int row, int col) {
    static const std::string empty;
    if (row < 0 || row >= grid.rowCount()) return empty;
    const GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    if (col < 0 || col >= static_cast<int>(r.cells.size())) return empty;
    return r.cells[static_cast<std::size_t>(col)].text;
}

bool isContourCode(int code) {
    return code == tc::kExcavationContour || code == tc::kPrimaryContour || code == tc::kSecondaryContour;
}
bool isChangeCode(int code) { return code == tc::kWidthChanges || code == tc::kCrossfallChanges; }
bool hasSideSelector(int code) { return code == tc::kPlates || isContourCode(code); }

// Side of a contour element: the sign of its radius (left half negative, the
// "not given" marker -1e18 of a left straight included).
int contourSide(const ContourElement& e) { return e.radius < 0 ? 1 : 2; }

// ---- table builders --------------------------------------------------------------

std::vector<std::string> slopeTemplateNames(const Road& road) {
    std::vector<std::string> names;
    for (const SlopeTemplate& t : road.slopeTemplates) names.push_back(t.name.utf8());
    return names;
}

std::vector<std::string> tunnelTemplateNames(const Road& road) {
    std::vector<std::string> names;
    for (const TunnelTemplate& t : road.tunnelTemplates) names.push_back(t.name.utf8());
    return names;
}

std::string nameAt(const std::vector<std::string>& names, int i) {
    return (i >= 0 && i < static_cast<int>(names.size())) ? names[static_cast<std::size_t>(i)] : std::string();
}

// Text of a value cell that is left empty when the value was never given.
std::string optional(const char* f, double v) { return v == kNoValue || v == -kNoValue ? std::string() : fmt(f, v); }

// The table's columns, by its descriptor.
void columnsFor(Grid& g, int code, const Road* road, const DataTableContext& ctx) {
    if (const DataTableKind* kind = dataTableKind(code)) kind->columns({g.columns, code, road, ctx});
}

// Key of a change-table row: the station in whole millimetres (truncated).
std::int64_t stationKey(double station) {
    double k = std::trunc(station * 1000.0);
    if (!(k > -9.0e18 && k < 9.0e18)) return 0;
    return static_cast<std::int64_t>(k);
}

// Plate index of each plate column of a change table (columns 2 on).
std::vector<int> changeColumns(const Road& road) {
    std::vector<int> left, right;
    for (int i = 0; i < static_cast<int>(road.plates.size()); ++i)
        (road.plates[static_cast<std::size_t>(i)].side == 1 ? left : right).push_back(i);
    std::vector<int> cols(left.rbegin(), left.rend());
    cols.insert(cols.end(), right.begin(), right.end());
    return cols;
}

void buildChangeTable(Grid& g, const Road& road, bool width, bool editable) {
    const std::vector<int> cols = changeColumns(road);
    const auto& list = width ? road.widthChanges : road.crossfallChanges;
    const std::vector<std::string> comboTransitions = transitionComboChoices();

    GridRow& standard = g.addRow(-1);
    setCell(standard, 0, width ? "标准断面宽度" : "标准断面坡度", false);
    for (std::size_t k = 0; k < cols.size(); ++k) {
        const auto& pl = road.plates[static_cast<std::size_t>(cols[k])];
        setCell(standard, static_cast<int>(k) + 2, fmt("%7.2f", width ? pl.width : pl.crossfall), false);
    }

    // Rows keyed by station in whole millimetres, ascending.
    std::vector<std::int64_t> keys;
    std::vector<GridRow> rows;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        const PlateChange& ch = list[static_cast<std::size_t>(i)];
        auto colIt = std::find(cols.begin(), cols.end(), ch.plateIndex);
        std::int64_t key = stationKey(ch.station);
        auto pos = std::lower_bound(keys.begin(), keys.end(), key);
        std::size_t r = static_cast<std::size_t>(pos - keys.begin());
        if (pos == keys.end() || *pos != key) {
            keys.insert(pos, key);
            GridRow row;
            row.cells.resize(g.columns.size());
            row.recordIndex = i;
            setCell(row, 0, stationText(road, ch.station), editable);
            setCell(row, 1, transitionText(ch.transition), editable, comboTransitions);
            for (std::size_t k = 0; k < cols.size(); ++k) setCell(row, static_cast<int>(k) + 2, "", editable);
            rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(r), std::move(row));
        }
        if (colIt == cols.end()) continue;  // names no plate: not shown
        GridCell& cell = rows[r].cells[static_cast<std::size_t>(colIt - cols.begin()) + 2];
        cell.text = fmt("%7.2f", ch.value);
        cell.recordIndex = i;
    }
    for (auto& row : rows) g.rows.push_back(std::move(row));
    if (editable) {
        GridRow& empty = g.addRow(-1);
        setCell(empty, 0, "", true);
        setCell(empty, 1, "", true, comboTransitions);
        for (std::size_t k = 0; k < cols.size(); ++k) setCell(empty, static_cast<int>(k) + 2, "", true);
    }
}

// Fills one row of the table (the record's texts and editability).
void fillRow(GridRow& row, int code, const Road* road, const RoadProject& p, const DataTableContext& ctx, int index,
             int count) {
    const DataTableKind* kind = dataTableKind(code);
    if (kind && kind->fill) kind->fill({row, code, road, p, ctx, index, count});
}

// Whether record `index` of table `code` belongs to the shown side.
bool onShownSide(const RoadProject& p, int code, const DataTableContext& ctx, int index) {
    if (!hasSideSelector(code)) return true;
    const Road* road = roadAt(p, ctx.road);
    if (!road) return false;
    if (code == tc::kPlates) return road->plates[static_cast<std::size_t>(index)].side == ctx.side;
    if (isContourCode(code)) {
        auto& list = *contourList(const_cast<Road*>(road)->tunnelTemplates[static_cast<std::size_t>(ctx.tunnelTemplate)], code);
        return contourSide(list[static_cast<std::size_t>(index)]) == ctx.side;
    }
    return true;
}

// Record indices shown by the table, in row order.
std::vector<int> shownRecords(const RoadProject& p, int code, const DataTableContext& ctx) {
    std::vector<int> out;
    int n = listSize(p, code, ctx);
    for (int i = 0; i < n; ++i)
        if (onShownSide(p, code, ctx, i)) out.push_back(i);
    return out;
}

// ---- storing cells -------------------------------------------------------------------

void assignName(Name12& name, const std::string& utf8) { name.assignUtf8(utf8); }

bool isSortedCode(int code) { return code == tc::kChainBreaks || code == tc::kSlopeAssignments; }

// Edits whose effect reaches beyond their own list: derived alignment records,
// the station texts of every table, the plate columns of the change tables.
bool editChangesEverything(int code) {
    return isAlignmentCode(code) || code == tc::kChainBreaks || code == tc::kPlates;
}

// A value that builds up a magnitude with a sign, keeping a zero a plain zero.
double withSign(double magnitude, double sign) { return magnitude == 0 ? 0.0 : sign * magnitude; }

// A contour radius (typed without sign) stored on side `side`: the left half
// negative. A straight on the left half (radius empty or 0) keeps the "not given"
// marker with the left half's sign, -1e18, so that it stays on its half.
double sidedRadius(double magnitude, int side) {
    if (side != 1) return magnitude;
    if (magnitude == 0 || magnitude == kNoValue) return -kNoValue;
    return -magnitude;
}

// Turn of an element row as its 线型 cell shows it: -1 left, +1 right, 0 none (a straight).
int shownTurn(const std::string& typeText) {
    if (typeText.rfind("左", 0) == 0) return -1;
    if (typeText.rfind("右", 0) == 0) return 1;
    return 0;
}

// Text that record `index` shows in column `col` (as the table shows it).
std::string shownText(const RoadProject& p, int code, const DataTableContext& ctx, int index, int col) {
    GridRow row;
    row.cells.resize(16);
    fillRow(row, code, roadAt(p, ctx.road), p, ctx, index, listSize(p, code, ctx));
    return col >= 0 && col < static_cast<int>(row.cells.size()) ? row.cells[static_cast<std::size_t>(col)].text
                                                                  : std::string();
}

// Stores the text of one cell into the field it shows of record `index`; `row`
// is the grid row as shown or edited (an element's 线型 gives the turn of a typed
// radius). False when the column shows no field.
bool storeField(RoadProject& p, int code, const DataTableContext& ctx, int index, int col, const std::string& text,
                const GridRow& row) {
    const DataTableKind* kind = dataTableKind(code);
    if (!kind || !kind->store) return false;
    return kind->store({p, roadAt(p, ctx.road), code, ctx, static_cast<std::size_t>(index), col, text,
                        readNumber(text), row});
}

// Order in which the cells of one row are stored: an element's radii before its
// 线型, so that a circle typed as "左转圆" with one radius gets it at both ends.
int storeOrder(int code, int col) { return code == tc::kElements && col == 1 ? 99 : col; }

void sortWrites(int code, std::vector<CellWrite>& writes) {
    std::stable_sort(writes.begin(), writes.end(), [code](const CellWrite& a, const CellWrite& b) {
        if (a.row != b.row) return a.row < b.row;
        return storeOrder(code, a.col) < storeOrder(code, b.col);
    });
}

void storeListCells(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes,
                    Outcome& out) {
    const int code = grid.code;
    if (!listExists(p, code, ctx)) return;
    sortWrites(code, writes);
    std::map<int, int> added;  // grid row -> the record typed into it
    for (const CellWrite& w : writes) {
        if (w.row < 0 || w.row >= grid.rowCount()) continue;
        const GridRow& row = grid.rows[static_cast<std::size_t>(w.row)];
        if (w.col < 0 || w.col >= static_cast<int>(row.cells.size())) continue;
        if (!row.cells[static_cast<std::size_t>(w.col)].editable) continue;  // shows no typed field here
        int index = row.recordIndex;
        bool isNew = false;
        if (index < 0) {
            if (auto it = added.find(w.row); it != added.end()) {
                index = it->second;
            } else {
                if (isBlank(w.text)) continue;  // nothing typed: no record
                index = insertDefault(p, code, ctx, listSize(p, code, ctx));
                if (index < 0) continue;
                added[w.row] = index;
                out.structural = true;
                out.touched(index);
            }
            isNew = true;
        } else if (index >= listSize(p, code, ctx)) {
            continue;  // the record is gone: skip the cell
        }
        if (!isNew && w.text == shownText(p, code, ctx, index, w.col)) continue;  // unchanged
        // A text that gives the value already stored (an emptied 0) changes nothing.
        bool changed = false;
        visitList(p, code, ctx, [&](auto& v) {
            const auto before = v[static_cast<std::size_t>(index)];
            if (storeField(p, code, ctx, index, w.col, w.text, row)) changed = !(v[static_cast<std::size_t>(index)] == before);
        });
        if (changed || isNew) out.touched(index);
    }
}

// Records a change-table row shows: those of its plate cells, and the change it
// stands for when that names no plate column.
std::vector<int> changeRowRecords(const GridRow& row, int listSize) {
    std::vector<int> out;
    for (std::size_t c = 2; c < row.cells.size(); ++c)
        if (row.cells[c].recordIndex >= 0 && row.cells[c].recordIndex < listSize) out.push_back(row.cells[c].recordIndex);
    if (row.recordIndex >= 0 && row.recordIndex < listSize &&
        std::find(out.begin(), out.end(), row.recordIndex) == out.end())
        out.push_back(row.recordIndex);
    return out;
}

// Width- and crossfall-change cells: a station or transition cell applies to
// every change of its row; a plate cell updates, removes (emptied) or adds that
// plate's change at the row's station. Removals wait until every cell is stored
// so that the record indices the grid holds stay valid meanwhile; then the list
// is ordered and the plates' links rebuilt.
void storeChangeCells(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes,
                      Outcome& out) {
    Road* road = roadAt(p, ctx.road);
    if (!road) return;
    const int code = grid.code;
    auto& list = code == tc::kWidthChanges ? road->widthChanges : road->crossfallChanges;
    const std::vector<int> cols = changeColumns(*road);
    sortWrites(code, writes);
    std::vector<int> removals;
    std::map<int, std::vector<int>> added;  // grid row -> changes appended for it
    int firstRow = -1;
    for (const CellWrite& w : writes) {
        if (w.row <= 0 || w.row >= grid.rowCount()) continue;  // row 0: the standard cross-section
        const GridRow& row = grid.rows[static_cast<std::size_t>(w.row)];
        if (w.col < 0 || w.col >= static_cast<int>(row.cells.size())) continue;
        std::vector<int> records = changeRowRecords(row, static_cast<int>(list.size()));
        for (int a : added[w.row]) records.push_back(a);
        const bool blank = isBlank(w.text);
        bool stored = false;
        if (w.col == 0 || w.col == 1) {
            if (records.empty()) continue;  // taken when the row's first value is typed
            const PlateChange& shown = list[static_cast<std::size_t>(records.front())];
            const std::string now = w.col == 0 ? stationText(*road, shown.station) : transitionText(shown.transition);
            if (w.text == now) continue;
            const double station = readStation(*road, w.text);
            const int transition = choiceCode(w.text, transitionChoices());
            for (int r : records) {
                PlateChange& c = list[static_cast<std::size_t>(r)];
                if (w.col == 0) c.station = station;
                else c.transition = transition;
            }
            stored = true;
        } else {
            const std::size_t k = static_cast<std::size_t>(w.col - 2);
            if (k >= cols.size()) continue;
            const int record = row.cells[static_cast<std::size_t>(w.col)].recordIndex;
            if (validIndex(list, record)) {
                if (blank) {
                    removals.push_back(record);
                    out.structural = true;
                } else if (w.text != fmt("%7.2f", list[static_cast<std::size_t>(record)].value)) {
                    list[static_cast<std::size_t>(record)].value = readNumber(w.text);
                } else {
                    continue;
                }
                stored = true;
            } else if (!blank) {
                // A new change at the row's station, with its transition: those of
                // the row's changes, or as typed into a row that has none yet.
                PlateChange c;
                if (!records.empty()) {
                    const PlateChange& sibling = list[static_cast<std::size_t>(records.front())];
                    c.station = sibling.station;
                    c.transition = sibling.transition;
                } else {
                    c.station = readStation(*road, cellText(grid, w.row, 0));
                    c.transition = choiceCode(cellText(grid, w.row, 1), transitionChoices());
                }
                c.plateIndex = cols[k];
                c.value = readNumber(w.text);
                list.push_back(c);
                added[w.row].push_back(static_cast<int>(list.size()) - 1);
                out.structural = true;
                stored = true;
            }
        }
        if (!stored) continue;
        out.stored = true;
        if (firstRow < 0) firstRow = w.row;
    }
    if (!out.stored) return;
    // The station the first row edited ends at, to find it again once ordered.
    if (firstRow >= 0) {
        std::vector<int> records = changeRowRecords(grid.rows[static_cast<std::size_t>(firstRow)], static_cast<int>(list.size()));
        for (int a : added[firstRow]) records.push_back(a);
        for (int r : records)
            if (std::find(removals.begin(), removals.end(), r) == removals.end()) {
                out.station = list[static_cast<std::size_t>(r)].station;
                break;
            }
    }
    std::sort(removals.rbegin(), removals.rend());
    removals.erase(std::unique(removals.begin(), removals.end()), removals.end());
    for (int i : removals)
        if (validIndex(list, i)) list.erase(list.begin() + i);
    if (code == tc::kWidthChanges) rebuildWidthLinks(*road);
    else rebuildCrossfallLinks(*road);
    if (out.station != kNoValue)
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].station == out.station) {
                out.first = static_cast<int>(i);
                break;
            }
}

// Ends a command: orders the lists kept by station (following the edited
// record), recomputes the alignment and tells the context what changed.
DataEdit finishEdit(RoadProject& p, const DataTableContext& ctx, int code, Outcome& out) {
    DataEdit edit;
    if (!out.stored) return edit;
    edit.stored = true;
    edit.record = out.first;
    Road* road = roadAt(p, ctx.road);
    if (road && isSortedCode(code)) {
        std::vector<int> order;
        if (code == tc::kChainBreaks) sortChainBreaks(*road, &order);
        else sortSlopeAssignments(*road, &order);
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (order[i] != static_cast<int>(i)) out.structural = true;
            if (order[i] == out.first) edit.record = static_cast<int>(i);
        }
    }
    const int roadIndex = code == tc::kControlPoints ? -1 : ctx.road;
    if (editChangesEverything(code)) edit.change = DocumentChange{roadIndex, code, -1, true};
    else if (out.structural || out.records.size() != 1) edit.change = DocumentChange::ofList(roadIndex, code);
    else edit.change = DocumentChange::ofRecord(roadIndex, code, edit.record);
    if (isAlignmentCode(code) && ctx.alignmentChanged) ctx.alignmentChanged(p, ctx.road);
    if (ctx.changed) ctx.changed(p, edit.change);
    return edit;
}

DataEdit storeWrites(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes) {
    Outcome out;
    if (!ctx.editable || !isDataTableCode(grid.code)) return {};
    if (isChangeCode(grid.code)) storeChangeCells(p, ctx, grid, std::move(writes), out);
    else storeListCells(p, ctx, grid, std::move(writes), out);
    return finishEdit(p, ctx, grid.code, out);
}

const DataTableKind* dataTableKind(int code) {
    for (auto family : {routeTableKind, sectionTableKind, tunnelTableKind, structuresTableKind})
        if (const DataTableKind* kind = family(code)) return kind;
    return nullptr;
}

}  // namespace data_table_parts

using namespace data_table_parts;

// ---- public --------------------------------------------------------------------------

bool isDataTableCode(int code) {
    switch (code) {
        case tc::kControlPoints: case tc::kChainBreaks: case tc::kIntersectionPoints: case tc::kElements:
        case tc::kGradePoints: case tc::kPlates: case tc::kWidthChanges: case tc::kCrossfallChanges:
        case tc::kExcavationContour: case tc::kPrimaryContour: case tc::kSecondaryContour: case tc::kBlastHoles:
        case tc::kTunnelSlopeRules: case tc::kTunnelStationRules: case tc::kSlopeAssignments:
        case tc::kSlopeTemplateRows: case tc::kPiles: case tc::kStructures:
            return true;
        default: return false;
    }
}

int planeTableCode(const Road* road, int code) {
    if (!road) return code;
    if (code == tc::kIntersectionPoints && road->curveForm == 1) return tc::kElements;
    if (code == tc::kElements && road->curveForm == 0) return tc::kIntersectionPoints;
    return code;
}

std::vector<std::string> slopeValueCaptions(int rowType) {
    switch (rowType) {
        case 0: return {"宽度(m)", "坡度(%)", "", "", ""};
        case 1: return {"内边高度(m)", "底面宽度(m)", "外边高度(m)", "", ""};
        case 2: return {"内边高度(m)", "内边宽度(m)", "底面宽度(m)", "外边高度(m)", "外边宽度(m)"};
        case 3: return {"坡高(m)", "坡度(1:n)", "", "", ""};
        case 4: return {"坡度(1:n)", "", "", "", ""};
        case 5: return {"宽度(m)", "结束点高程(m)", "", "", ""};
        default: return {"", "", "", "", ""};
    }
}

Grid buildDataTable(const RoadProject& project, int code, const DataTableContext& ctx) {
    Grid g;
    g.code = code;
    if (!isDataTableCode(code)) return g;
    const Road* road = roadAt(project, ctx.road);
    columnsFor(g, code, road, ctx);
    if (hasSideSelector(code)) g.side = ctx.side == 2 ? 2 : 1;
    if (code != tc::kControlPoints && !road) return g;
    if (isChangeCode(code)) {
        buildChangeTable(g, *road, code == tc::kWidthChanges, ctx.editable);
        return g;
    }
    if (!listExists(project, code, ctx)) return g;  // no parent selected: no rows, no empty row
    int count = listSize(project, code, ctx);
    for (int i : shownRecords(project, code, ctx)) {
        GridRow& row = g.addRow(i);
        fillRow(row, code, road, project, ctx, i, count);
    }
    if (ctx.editable) {
        GridRow& empty = g.addRow(-1);
        for (std::size_t c = 0; c < g.columns.size(); ++c) empty.cells[c].editable = true;
        // Combo cells of the empty row offer the same choices as the records'.
        const DataTableKind* kind = dataTableKind(code);
        if (kind && kind->newRow && road) kind->newRow(empty, *road);
    }
    return g;
}

int rowOfRecord(const Grid& grid, int record) {
    if (record < 0) return -1;
    for (int r = 0; r < grid.rowCount(); ++r) {
        const GridRow& row = grid.rows[static_cast<std::size_t>(r)];
        if (row.recordIndex == record) return r;
        if (isChangeCode(grid.code))
            for (const GridCell& c : row.cells)
                if (c.recordIndex == record) return r;
    }
    return -1;
}

DataEdit storeDataCell(RoadProject& project, const DataTableContext& ctx, Grid& grid, int row, int column,
                       std::string_view utf8) {
    if (!ctx.editable || row < 0 || row >= grid.rowCount() || column < 0 || column >= grid.columnCount()) return {};
    GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    if (column >= static_cast<int>(r.cells.size()) || !r.cells[static_cast<std::size_t>(column)].editable) return {};
    // The grid keeps what was typed (a change-table row takes its station from it
    // once a value follows).
    r.cells[static_cast<std::size_t>(column)].text = std::string(utf8);
    return storeWrites(project, ctx, grid, {{row, column, std::string(utf8)}});
}

DataEdit storeDataRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row) {
    if (!ctx.editable || row < 0 || row >= grid.rowCount()) return {};
    std::vector<CellWrite> writes;
    const GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    for (std::size_t c = 0; c < r.cells.size(); ++c) writes.push_back({row, static_cast<int>(c), r.cells[c].text});
    return storeWrites(project, ctx, grid, std::move(writes));
}

std::string lockedCellReason(const DataTableContext& ctx, const Grid& grid, int row, int column) {
    if (row < 0 || row >= grid.rowCount() || column < 0 || column >= grid.columnCount()) return {};
    if (!isDataTableCode(grid.code)) return "计算成果由设计数据算出，不能在表中修改。";
    if (!ctx.editable) return "项目以只读方式打开，数据不能修改。";
    if (grid.cell(row, column).editable) return {};
    switch (grid.code) {
        case tc::kChainBreaks:
            if (column == 2) return "断链描述由开始桩号和结束桩号算出，不能输入。";
            break;
        case tc::kIntersectionPoints:
            if (column >= 3) return "起点只有交点名和坐标；曲线要素在其后的交点上输入。";
            break;
        case tc::kWidthChanges:
            if (row == 0) return "标准断面宽度在“标准横断面”中修改。";
            break;
        case tc::kCrossfallChanges:
            if (row == 0) return "标准断面坡度在“标准横断面”中修改。";
            break;
        case tc::kSlopeTemplateRows:
            if (column >= 1) return "本行的边坡类型不用这个数值；先选择边坡类型。";
            break;
        default: break;
    }
    return "此单元格不能输入。";
}

}  // namespace vornex
