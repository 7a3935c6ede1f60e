// The record list behind each data-entry table, and adding, removing and
// reordering records in it with the plate references kept.
#include <functional>
#include <type_traits>

#include "model/record_store.h"
#include "tables/data_table_parts.h"

namespace vornex::data_table_parts {

Road* roadAt(RoadProject& p, int index) {
    if (index < 0 || index >= static_cast<int>(p.roads.size())) return nullptr;
    return &p.roads[static_cast<std::size_t>(index)];
}
const Road* roadAt(const RoadProject& p, int index) {
    if (index < 0 || index >= static_cast<int>(p.roads.size())) return nullptr;
    return &p.roads[static_cast<std::size_t>(index)];
}

std::vector<ContourElement>* contourList(TunnelTemplate& t, int code) {
    if (code == tc::kExcavationContour) return &t.excavation;
    if (code == tc::kPrimaryContour) return &t.primary;
    if (code == tc::kSecondaryContour) return &t.secondary;
    return nullptr;
}

// Whether table `code` has a list to show rows of (a parent selected).
bool listExists(const RoadProject& p, int code, const DataTableContext& ctx) {
    return visitList(const_cast<RoadProject&>(p), code, ctx, [](auto&) {});
}

int listSize(const RoadProject& p, int code, const DataTableContext& ctx) {
    int n = 0;
    visitList(const_cast<RoadProject&>(p), code, ctx, [&](auto& v) { n = static_cast<int>(v.size()); });
    return n;
}

// ---- plate references ----------------------------------------------------------
// Width and crossfall changes and tunnels name plates by index; inserting,
// removing or swapping plates keeps those references on the plates they meant.

void remapPlateRefs(Road& road, const std::function<int(int)>& map) {
    for (auto* list : {&road.widthChanges, &road.crossfallChanges}) {
        std::vector<PlateChange> kept;
        for (PlateChange c : *list) {
            int m = map(c.plateIndex);
            if (m < 0) continue;  // its plate is gone: the change goes with it
            c.plateIndex = m;
            kept.push_back(c);
        }
        *list = std::move(kept);
    }
    for (Tunnel& t : road.tunnels) {
        int m = map(t.plateIndex);
        t.plateIndex = m < 0 ? 0 : m;
    }
    rebuildWidthLinks(road);
    rebuildCrossfallLinks(road);
}

void insertPlate(Road& road, int pos, const CrossSectionPlate& plate) {
    road.plates.insert(road.plates.begin() + pos, plate);
    remapPlateRefs(road, [pos](int i) { return i >= pos ? i + 1 : i; });
}

void removePlate(Road& road, int pos) {
    road.plates.erase(road.plates.begin() + pos);
    remapPlateRefs(road, [pos](int i) { return i == pos ? -1 : (i > pos ? i - 1 : i); });
}

void swapPlates(Road& road, int a, int b) {
    std::swap(road.plates[static_cast<std::size_t>(a)], road.plates[static_cast<std::size_t>(b)]);
    remapPlateRefs(road, [a, b](int i) { return i == a ? b : (i == b ? a : i); });
}

// ---- new records -----------------------------------------------------------------

template <class T>
T defaultRecord(int code, const DataTableContext& ctx) {
    T r{};
    if constexpr (std::is_same_v<T, CrossSectionPlate>) {
        r.side = ctx.side == 2 ? 2 : 1;
    } else if constexpr (std::is_same_v<T, ContourElement>) {
        // Never given: radius and angle hold kNoValue; on the left half the
        // radius carries the minus sign that keeps the element on its side.
        r.radius = ctx.side == 1 ? -kNoValue : kNoValue;
        r.centralAngle = kNoValue;
        (void)code;
    }
    return r;
}

bool isAlignmentCode(int code) { return code == tc::kIntersectionPoints || code == tc::kElements; }

// Inserts a default record at list position `pos` (the list size appends).
// Returns the new index, -1 on failure.
int insertDefault(RoadProject& p, int code, const DataTableContext& ctx, int pos) {
    if (isChangeCode(code)) return -1;
    if (code == tc::kControlPoints && p.controlPoints.size() >= 20) return -1;  // a project holds 20
    if (code == tc::kPlates) {
        Road* road = roadAt(p, ctx.road);
        if (!road || pos < 0 || pos > static_cast<int>(road->plates.size())) return -1;
        insertPlate(*road, pos, defaultRecord<CrossSectionPlate>(code, ctx));
        return pos;
    }
    int result = -1;
    visitList(p, code, ctx, [&](auto& v) {
        using T = typename std::decay_t<decltype(v)>::value_type;
        if (pos < 0 || pos > static_cast<int>(v.size())) return;
        v.insert(v.begin() + pos, defaultRecord<T>(code, ctx));
        result = pos;
    });
    return result;
}

bool removeAt(RoadProject& p, int code, const DataTableContext& ctx, int index) {
    if (code == tc::kPlates) {
        Road* road = roadAt(p, ctx.road);
        if (!road || !validIndex(road->plates, index)) return false;
        removePlate(*road, index);
        return true;
    }
    bool done = false;
    visitList(p, code, ctx, [&](auto& v) {
        if (!validIndex(v, index)) return;
        v.erase(v.begin() + index);
        done = true;
    });
    return done;
}

}  // namespace vornex::data_table_parts
