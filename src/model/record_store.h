// The record accessors: the one door through which callers that work by record
// kind and index (data-entry tables, document, file codec, geometry) reach the
// lists of a road and the project's control points.
//
// Records are plain values (records.h); a road holds one std::vector per kind
// and parent records hold their child lists. The accessors add the checks and
// status codes that callers rely on:
//
//   recordCount   -> number of records, 0 when the list does not exist
//   getRecord     -> true, or false for a missing list, an index outside it or
//                    a record type that does not belong to the kind
//   setRecord     -> as getRecord; a parent's child lists are kept
//   addRecord     -> the new index; -1 position beyond the count (or no room);
//                    -2 no such list (or a record type not of the kind)
//   removeRecord  -> 1; -2 no such list; -3 index outside the list
//   clearRecords  -> 1; -2 no such list
//   findByName    -> index of the first record with that name, or -1
//
// Kinds and their C++ types (RecordKind codes):
//   0 IntersectionPoint  1 AlignmentElement  2 GradePoint  3 ChainBreak
//   4 CrossSectionPlate  5 SlopeAssignment  6 SlopeTemplate  7 SlopeTemplateRow
//   9 WidthChange, 10 CrossfallChange (both PlateChange)  11 ControlPoint
//   12 Structure  13 Bridge  14 Pier  15 Pile  16 Tunnel  17 TunnelTemplate
//   18 BlastHole  19, 20, 21 ContourElement  22 TunnelSlopeRule  23 TunnelStationRule
//
// Parents: kinds 0..6, 9, 10, 12, 13, 16, 17 hang on the road and ignore
// `parent`. For the others `parent` is the index of the owning record, and a
// negative parent means the road's current one:
//   7  rows of slope template `parent` (no current: a negative parent fails)
//   14 piers of bridge `parent` (negative: currentBridge)
//   15 piles of pier `parent` of the current bridge (negative: currentPier)
//   18, 22, 23 lists of tunnel `parent` (negative: currentTunnel)
//   19, 20, 21 contours of tunnel template `parent` (a negative parent fails)
// Kind 11 lives on the project: use the RoadProject overloads, which also take a
// road index (negative: the project's currentRoad).
//
// Typed use:
//     Bridge b;
//     if (getRecord(road, RecordKind::Bridge, 0, -1, b)) { ... setRecord(road, RecordKind::Bridge, 0, -1, b); }
// Untyped use (whole rows whatever the kind): AnyRecord with getAnyRecord,
// setAnyRecord, addAnyRecord and defaultRecord.
#pragma once

#include <new>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "model/records.h"
#include "model/road.h"

namespace vornex {

namespace detail {

template <class RoadT>
auto* bridgeOf(RoadT& road, int index) {
    using B = std::conditional_t<std::is_const_v<RoadT>, const Bridge, Bridge>;
    if (index < 0) index = road.currentBridge;
    return index >= 0 && index < static_cast<int>(road.bridges.size())
               ? static_cast<B*>(&road.bridges[static_cast<std::size_t>(index)])
               : static_cast<B*>(nullptr);
}

template <class Vec>
auto* at(Vec& v, int index) {
    return index >= 0 && index < static_cast<int>(v.size()) ? &v[static_cast<std::size_t>(index)] : nullptr;
}

// Calls f(list) with the list of `kind` under `parent`; false when there is none.
template <class RoadT, class F>
bool visitRoadList(RoadT& road, RecordKind kind, int parent, F&& f) {
    switch (kind) {
    case RecordKind::IntersectionPoint: f(road.intersectionPoints); return true;
    case RecordKind::AlignmentElement: f(road.elements); return true;
    case RecordKind::GradePoint: f(road.gradePoints); return true;
    case RecordKind::ChainBreak: f(road.chainBreaks); return true;
    case RecordKind::CrossSectionPlate: f(road.plates); return true;
    case RecordKind::SlopeAssignment: f(road.slopeAssignments); return true;
    case RecordKind::SlopeTemplate: f(road.slopeTemplates); return true;
    case RecordKind::WidthChange: f(road.widthChanges); return true;
    case RecordKind::CrossfallChange: f(road.crossfallChanges); return true;
    case RecordKind::Structure: f(road.structures); return true;
    case RecordKind::Bridge: f(road.bridges); return true;
    case RecordKind::Tunnel: f(road.tunnels); return true;
    case RecordKind::TunnelTemplate: f(road.tunnelTemplates); return true;
    case RecordKind::SlopeTemplateRow:
        if (parent < 0) return false;
        if (auto* t = at(road.slopeTemplates, parent)) { f(t->rows); return true; }
        return false;
    case RecordKind::Pier:
        if (auto* b = bridgeOf(road, parent)) { f(b->piers); return true; }
        return false;
    case RecordKind::Pile:
        if (auto* b = bridgeOf(road, -1))
            if (auto* p = at(b->piers, parent < 0 ? road.currentPier : parent)) { f(p->piles); return true; }
        return false;
    case RecordKind::BlastHole:
    case RecordKind::TunnelSlopeRule:
    case RecordKind::TunnelStationRule:
        if (auto* t = at(road.tunnels, parent < 0 ? road.currentTunnel : parent)) {
            if (kind == RecordKind::BlastHole) f(t->blastHoles);
            else if (kind == RecordKind::TunnelSlopeRule) f(t->slopeRules);
            else f(t->stationRules);
            return true;
        }
        return false;
    case RecordKind::ExcavationContour:
    case RecordKind::PrimaryContour:
    case RecordKind::SecondaryContour:
        if (parent < 0) return false;
        if (auto* t = at(road.tunnelTemplates, parent)) {
            if (kind == RecordKind::ExcavationContour) f(t->excavation);
            else if (kind == RecordKind::PrimaryContour) f(t->primary);
            else f(t->secondary);
            return true;
        }
        return false;
    default:
        return false;  // 8, 11 (project) and codes that are no kind
    }
}

template <class ProjectT, class F>
bool visitProjectList(ProjectT& project, int road, RecordKind kind, int parent, F&& f) {
    if (kind == RecordKind::ControlPoint) {
        f(project.controlPoints);
        return true;
    }
    if (road < 0) road = project.currentRoad;
    auto* r = at(project.roads, road);
    return r != nullptr && visitRoadList(*r, kind, parent, std::forward<F>(f));
}

template <class List>
using ElementOf = typename std::remove_cvref_t<List>::value_type;

// Replaces the fields of `dst` by those of `src`, keeping dst's child lists.
template <class T>
void assignKeepingChildren(T& dst, const T& src) {
    if constexpr (std::is_same_v<T, SlopeTemplate>) {
        auto rows = std::move(dst.rows);
        dst = src;
        dst.rows = std::move(rows);
    } else if constexpr (std::is_same_v<T, Bridge>) {
        auto piers = std::move(dst.piers);
        dst = src;
        dst.piers = std::move(piers);
    } else if constexpr (std::is_same_v<T, Pier>) {
        auto piles = std::move(dst.piles);
        dst = src;
        dst.piles = std::move(piles);
    } else if constexpr (std::is_same_v<T, Tunnel>) {
        auto a = std::move(dst.slopeRules);
        auto b = std::move(dst.stationRules);
        auto c = std::move(dst.blastHoles);
        dst = src;
        dst.slopeRules = std::move(a);
        dst.stationRules = std::move(b);
        dst.blastHoles = std::move(c);
    } else if constexpr (std::is_same_v<T, TunnelTemplate>) {
        auto a = std::move(dst.excavation);
        auto b = std::move(dst.primary);
        auto c = std::move(dst.secondary);
        dst = src;
        dst.excavation = std::move(a);
        dst.primary = std::move(b);
        dst.secondary = std::move(c);
    } else {
        dst = src;
    }
}

template <class Visit, class T>
bool getRecordVia(Visit&& visit, int index, T& out) {
    bool ok = false;
    visit([&](auto& list) {
        if constexpr (std::is_same_v<ElementOf<decltype(list)>, T>) {
            if (auto* r = at(list, index)) {
                out = *r;
                ok = true;
            }
        }
    });
    return ok;
}

template <class Visit, class T>
bool setRecordVia(Visit&& visit, int index, const T& record) {
    bool ok = false;
    visit([&](auto& list) {
        if constexpr (std::is_same_v<ElementOf<decltype(list)>, T>) {
            if (auto* r = at(list, index)) {
                assignKeepingChildren(*r, record);
                ok = true;
            }
        }
    });
    return ok;
}

template <class Visit, class T>
int addRecordVia(Visit&& visit, int position, T record) {
    int result = -2;
    visit([&](auto& list) {
        if constexpr (std::is_same_v<ElementOf<decltype(list)>, T>) {
            const int count = static_cast<int>(list.size());
            if (position < 0) position = count;
            if (position > count) {
                result = -1;
                return;
            }
            try {
                list.insert(list.begin() + position, std::move(record));
                result = position;
            } catch (const std::bad_alloc&) {
                result = -1;  // no room; the list is as it was
            }
        }
    });
    return result;
}

}  // namespace detail

// The list of `kind` under `parent` when it exists and holds records of type T.
template <class T>
std::vector<T>* recordList(Road& road, RecordKind kind, int parent = -1) {
    std::vector<T>* found = nullptr;
    detail::visitRoadList(road, kind, parent, [&](auto& list) {
        if constexpr (std::is_same_v<detail::ElementOf<decltype(list)>, T>) found = &list;
    });
    return found;
}
template <class T>
const std::vector<T>* recordList(const Road& road, RecordKind kind, int parent = -1) {
    const std::vector<T>* found = nullptr;
    detail::visitRoadList(road, kind, parent, [&](auto& list) {
        if constexpr (std::is_same_v<detail::ElementOf<decltype(list)>, T>) found = &list;
    });
    return found;
}

// True when the list of `kind` under `parent` exists.
bool hasRecordList(const Road& road, RecordKind kind, int parent = -1);

int recordCount(const Road& road, RecordKind kind, int parent = -1);

template <class T>
bool getRecord(const Road& road, RecordKind kind, int index, int parent, T& out) {
    return detail::getRecordVia([&](auto&& f) { detail::visitRoadList(road, kind, parent, f); }, index, out);
}

// getRecord of kind 0 with the normalising read (see normaliseIntersectionPoint).
bool getIntersectionPoint(const Road& road, int index, IntersectionPoint& out, bool normalise);

template <class T>
bool setRecord(Road& road, RecordKind kind, int index, int parent, const T& record) {
    return detail::setRecordVia([&](auto&& f) { detail::visitRoadList(road, kind, parent, f); }, index, record);
}

// Inserts `record` at `position` (0..count; -1 or any negative appends). The
// record is stored as given, child lists included (a fresh record has none).
template <class T>
int addRecord(Road& road, RecordKind kind, int parent, int position, T record) {
    return detail::addRecordVia([&](auto&& f) { detail::visitRoadList(road, kind, parent, f); }, position,
                                std::move(record));
}

// Removes one record with everything that hangs on it (a bridge with its piers
// and their piles); later records move down by one.
int removeRecord(Road& road, RecordKind kind, int index, int parent = -1);

// Removes every record of the list (the list itself stays).
int clearRecords(Road& road, RecordKind kind, int parent = -1);

// Swaps two whole records (child lists travel with them). False when either index
// is outside the list or the list does not exist.
bool swapRecords(Road& road, RecordKind kind, int i, int j, int parent = -1);

// Index of the first record whose name equals `gbk` byte for byte, or -1. Only
// kinds with a name (0, 1, 6, 13, 14, 15, 16, 17, 18) find anything.
int findByName(const Road& road, RecordKind kind, std::string_view gbk, int parent = -1);

// Set the current parent records; -1 clears. False (nothing changed) for an
// index outside the list. Choosing a bridge does not change currentPier.
bool setCurrentBridge(Road& road, int index);
bool setCurrentPier(Road& road, int index);  // a pier of the current bridge
bool setCurrentTunnel(Road& road, int index);

// ---- Untyped rows -------------------------------------------------------

using AnyRecord = std::variant<IntersectionPoint, AlignmentElement, GradePoint, ChainBreak, CrossSectionPlate,
                               SlopeAssignment, SlopeTemplate, SlopeTemplateRow, PlateChange, ControlPoint,
                               Structure, Bridge, Pier, Pile, Tunnel, TunnelTemplate, BlastHole, ContourElement,
                               TunnelSlopeRule, TunnelStationRule>;

// A new record of the kind with its defaults (numbers 0, plate links -1,
// contour elements with radius and centralAngle kNoValue). Only meaningful when
// isRecordKind(kind); an unknown kind gives a default IntersectionPoint.
AnyRecord defaultRecord(RecordKind kind);
bool isRecordKind(RecordKind kind);  // 0..7, 9..23

bool getAnyRecord(const Road& road, RecordKind kind, int index, int parent, AnyRecord& out);
bool setAnyRecord(Road& road, RecordKind kind, int index, int parent, const AnyRecord& record);
int addAnyRecord(Road& road, RecordKind kind, int parent, int position, const AnyRecord& record);

// ---- Project door: kind 11 and roads by index --------------------------
// `road` < 0 means project.currentRoad; kind 11 ignores `road` and `parent`.

int recordCount(const RoadProject& project, int road, RecordKind kind, int parent = -1);

template <class T>
bool getRecord(const RoadProject& project, int road, RecordKind kind, int index, int parent, T& out) {
    return detail::getRecordVia([&](auto&& f) { detail::visitProjectList(project, road, kind, parent, f); }, index,
                                out);
}
template <class T>
bool setRecord(RoadProject& project, int road, RecordKind kind, int index, int parent, const T& record) {
    return detail::setRecordVia([&](auto&& f) { detail::visitProjectList(project, road, kind, parent, f); }, index,
                                record);
}
template <class T>
int addRecord(RoadProject& project, int road, RecordKind kind, int parent, int position, T record) {
    return detail::addRecordVia([&](auto&& f) { detail::visitProjectList(project, road, kind, parent, f); },
                                position, std::move(record));
}
int removeRecord(RoadProject& project, int road, RecordKind kind, int index, int parent = -1);
int clearRecords(RoadProject& project, int road, RecordKind kind, int parent = -1);
bool swapRecords(RoadProject& project, int road, RecordKind kind, int i, int j, int parent = -1);
bool getAnyRecord(const RoadProject& project, int road, RecordKind kind, int index, int parent, AnyRecord& out);
bool setAnyRecord(RoadProject& project, int road, RecordKind kind, int index, int parent, const AnyRecord& record);
int addAnyRecord(RoadProject& project, int road, RecordKind kind, int parent, int position, const AnyRecord& record);

// ---- Maintenance ------------------------------------------------------------

// Selection sorts (each later row smaller than the row at j is swapped into j),
// not a library sort: the order of equal keys reaches the file bytes. `order`,
// when given, receives for each new position the index the record had before,
// so that a caller can follow a record.
void sortChainBreaks(Road& road, std::vector<int>* order = nullptr);       // ascending by startStation
void sortSlopeAssignments(Road& road, std::vector<int>* order = nullptr);  // ascending by station

// Orders the width (crossfall) changes by plate index, each plate's run by
// station, and rebuilds the first/last links of every plate (-1 for a plate
// without changes; a run whose plate index names no plate is skipped).
void rebuildWidthLinks(Road& road);
void rebuildCrossfallLinks(Road& road);

// Header back to the defaults (key 83, 交点法, 传统算法, prefix "K", no current
// parents; the name stays) and every record list emptied.
void resetRoad(Road& road);

}  // namespace vornex
