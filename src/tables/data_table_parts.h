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

}  // namespace vornex::data_table_parts
