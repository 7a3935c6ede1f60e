// The parts the data-entry tables share between their files: the record list
// each table shows (data_table_lists.cpp), the cell texts and stores
// (data_tables.cpp) and the row commands (data_table_commands.cpp). Internal to
// the tables layer; callers use tables/data_tables.h.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tables/data_tables.h"

namespace vornex::data_table_parts {

namespace tc = table_code;

// ---- codes ---------------------------------------------------------------------
bool isContourCode(int code);
bool isChangeCode(int code);
bool hasSideSelector(int code);
bool isAlignmentCode(int code);
// Chain breaks and slope assignments are kept sorted by station.
bool isSortedCode(int code);

// ---- record lists --------------------------------------------------------------
Road* roadAt(RoadProject& p, int index);
const Road* roadAt(const RoadProject& p, int index);
std::vector<ContourElement>* contourList(TunnelTemplate& t, int code);

template <class V>
bool validIndex(const V& v, int i) {
    return i >= 0 && i < static_cast<int>(v.size());
}

// Runs fn on the record list that table `code` shows (the generic lambda gets a
// std::vector<Record>&). Returns false when the list does not exist (no road, no
// selected parent, not a list table).
template <class Fn>
bool visitList(RoadProject& p, int code, const DataTableContext& ctx, Fn&& fn) {
    if (code == tc::kControlPoints) {
        fn(p.controlPoints);
        return true;
    }
    Road* road = roadAt(p, ctx.road);
    if (!road) return false;
    switch (code) {
        case tc::kChainBreaks: fn(road->chainBreaks); return true;
        case tc::kIntersectionPoints: fn(road->intersectionPoints); return true;
        case tc::kElements: fn(road->elements); return true;
        case tc::kGradePoints: fn(road->gradePoints); return true;
        case tc::kPlates: fn(road->plates); return true;
        case tc::kWidthChanges: fn(road->widthChanges); return true;
        case tc::kCrossfallChanges: fn(road->crossfallChanges); return true;
        case tc::kSlopeAssignments: fn(road->slopeAssignments); return true;
        case tc::kStructures: fn(road->structures); return true;
        case tc::kSlopeTemplateRows:
            if (!validIndex(road->slopeTemplates, ctx.slopeTemplate)) return false;
            fn(road->slopeTemplates[static_cast<std::size_t>(ctx.slopeTemplate)].rows);
            return true;
        case tc::kExcavationContour:
        case tc::kPrimaryContour:
        case tc::kSecondaryContour:
            if (!validIndex(road->tunnelTemplates, ctx.tunnelTemplate)) return false;
            fn(*contourList(road->tunnelTemplates[static_cast<std::size_t>(ctx.tunnelTemplate)], code));
            return true;
        case tc::kBlastHoles:
        case tc::kTunnelSlopeRules:
        case tc::kTunnelStationRules: {
            if (!validIndex(road->tunnels, road->currentTunnel)) return false;
            Tunnel& t = road->tunnels[static_cast<std::size_t>(road->currentTunnel)];
            if (code == tc::kBlastHoles) fn(t.blastHoles);
            else if (code == tc::kTunnelSlopeRules) fn(t.slopeRules);
            else fn(t.stationRules);
            return true;
        }
        case tc::kPiles: {
            if (!validIndex(road->bridges, road->currentBridge)) return false;
            Bridge& b = road->bridges[static_cast<std::size_t>(road->currentBridge)];
            if (!validIndex(b.piers, road->currentPier)) return false;
            fn(b.piers[static_cast<std::size_t>(road->currentPier)].piles);
            return true;
        }
        default: return false;
    }
}


// Whether table `code` has a list to show rows of (a parent selected).
bool listExists(const RoadProject& p, int code, const DataTableContext& ctx);
int listSize(const RoadProject& p, int code, const DataTableContext& ctx);
// Records the table shows on the current side, in list order.
std::vector<int> shownRecords(const RoadProject& p, int code, const DataTableContext& ctx);

// Plates are named by index in width and crossfall changes and tunnels: these
// keep those references on the plates they meant.
void insertPlate(Road& road, int pos, const CrossSectionPlate& plate);
void removePlate(Road& road, int pos);
void swapPlates(Road& road, int a, int b);

// Inserts a default record at list position `pos` (the list size appends).
// Returns the new index, -1 on failure.
int insertDefault(RoadProject& p, int code, const DataTableContext& ctx, int pos);
// Removes record `index`; false when there is none.
bool removeAt(RoadProject& p, int code, const DataTableContext& ctx, int index);

// ---- cells ---------------------------------------------------------------------
bool isBlank(const std::string& s);
const std::string& cellText(const GridRow& r, int col);
const std::string& cellText(const Grid& grid, int row, int col);
// Side of a contour element: the sign of its radius (left half negative).
int contourSide(const ContourElement& e);
// A contour radius typed without sign, stored on side `side` (the left half negative).
double sidedRadius(double magnitude, int side);

// One cell written by a command: grid row, column and the text now in it.
struct CellWrite {
    int row = 0;
    int col = 0;
    std::string text;
};

// What the cells of one command did, before the context is told.
struct Outcome {
    bool stored = false;
    bool structural = false;  // records added, removed or reordered
    std::set<int> records;    // records changed or added
    int first = -1;           // record of the first cell stored: the edit's record
    double station = kNoValue;  // change tables: station of the first row stored
    void touched(int index) {
        stored = true;
        records.insert(index);
        if (first < 0) first = index;
    }
};

// Stores the written cells into their records.
DataEdit storeWrites(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes);
// Sorts what must stay sorted and says what the edit changed.
DataEdit finishEdit(RoadProject& p, const DataTableContext& ctx, int code, Outcome& out);

// ---- choice texts and cell texts -----------------------------------------------
std::vector<std::string> slopeTypeChoices();
int slopeTypeCode(const std::string& t);
const std::vector<std::string>& pileModeChoices();
const std::vector<std::string>& methodChoices();
const std::vector<std::string>& elementTypeChoices();
std::vector<std::string> transitionComboChoices();
std::vector<std::string> slopeTemplateNames(const Road& road);
std::vector<std::string> tunnelTemplateNames(const Road& road);
// Name `i` of a name list; empty outside it.
std::string nameAt(const std::vector<std::string>& names, int i);

std::string fmt(const char* f, double v);
// A value formatted with `f`, empty while it holds the "not given" marker.
std::string optional(const char* f, double v);
// A number as a cell reads it (the leading number, 0 for none).
double readNumber(const std::string& s);
// A typed station as continuous chainage; a blank or unreadable one reads as the
// road's start.
double readStation(const Road& road, const std::string& s);
// A design station typed into a chain-break cell (kept as typed, not converted).
double readDesignStation(const Road& road, const std::string& s);
std::string stationText(const Road& road, double c);
double readDms(const std::string& s);
void assignName(Name12& name, const std::string& utf8);
// A magnitude with a sign, keeping a zero a plain zero.
double withSign(double magnitude, double sign);
// Turn of an element row as its 线型 cell shows it: -1 left, +1 right, 0 none.
int shownTurn(const std::string& typeText);

GridColumn column(const std::string& caption, int width, const std::string& hint = {});
void setCell(GridRow& row, int col, std::string textValue, bool editable,
             const std::vector<std::string>& choices = {});

// ---- one descriptor per table --------------------------------------------------

// What a table's functions see: the columns to set; the row a record fills; the
// record field a typed cell goes to (`n` is the text read as a number).
struct ColumnsCall {
    std::vector<GridColumn>& c;
    int code;
    const Road* road;
    const DataTableContext& ctx;
};
struct FillCall {
    GridRow& row;
    int code;
    const Road* road;
    const RoadProject& p;
    const DataTableContext& ctx;
    int index;
    int count;  // records in the list
};
struct StoreCall {
    RoadProject& p;
    Road* road;
    int code;
    const DataTableContext& ctx;
    std::size_t i;  // the record
    int col;
    const std::string& text;
    double n;
    const GridRow& row;  // as shown or edited (an element's 线型 gives a typed radius its turn)
};

// One data-entry table: its columns, how a record fills its row, how a typed
// cell is stored (false when the column shows no field) and what the row for a
// new record offers. `fill` and `store` are empty for the change tables, whose
// rows are built by station.
struct DataTableKind {
    int codes[3];  // the table codes it serves (0: none)
    void (*columns)(const ColumnsCall&);
    void (*fill)(const FillCall&);
    bool (*store)(const StoreCall&);
    void (*newRow)(GridRow& row, const Road& road);
};

template <std::size_t N>
const DataTableKind* findKind(const DataTableKind (&kinds)[N], int code) {
    for (const DataTableKind& k : kinds)
        for (int c : k.codes)
            if (c != 0 && c == code) return &k;
    return nullptr;
}

// The families, one file each, and the lookup over all of them.
const DataTableKind* routeTableKind(int code);
const DataTableKind* sectionTableKind(int code);
const DataTableKind* tunnelTableKind(int code);
const DataTableKind* structuresTableKind(int code);
const DataTableKind* dataTableKind(int code);

}  // namespace vornex::data_table_parts
