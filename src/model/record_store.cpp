#include "model/record_store.h"

#include "model/field_rules.h"

namespace vornex {

namespace {

template <class Visit>
int removeVia(Visit&& visit, int index) {
    int result = -2;
    visit([&](auto& list) {
        if (index < 0 || index >= static_cast<int>(list.size())) {
            result = -3;
            return;
        }
        // Erasing the value drops every list that hangs on it with it.
        list.erase(list.begin() + index);
        result = 1;
    });
    return result;
}

template <class Visit>
int clearVia(Visit&& visit) {
    int result = -2;
    visit([&](auto& list) {
        while (!list.empty()) list.pop_back();  // last to first
        result = 1;
    });
    return result;
}

template <class Visit>
bool swapVia(Visit&& visit, int i, int j) {
    bool ok = false;
    visit([&](auto& list) {
        auto* a = detail::at(list, i);
        auto* b = detail::at(list, j);
        if (a && b) {
            std::swap(*a, *b);
            ok = true;
        }
    });
    return ok;
}

template <class Visit>
bool getAnyVia(Visit&& visit, int index, AnyRecord& out) {
    bool ok = false;
    visit([&](auto& list) {
        if (auto* r = detail::at(list, index)) {
            out = *r;
            ok = true;
        }
    });
    return ok;
}

template <class Visit>
bool setAnyVia(Visit&& visit, int index, const AnyRecord& record) {
    bool ok = false;
    visit([&](auto& list) {
        using T = detail::ElementOf<decltype(list)>;
        if (auto* value = std::get_if<T>(&record))
            if (auto* r = detail::at(list, index)) {
                detail::assignKeepingChildren(*r, *value);
                ok = true;
            }
    });
    return ok;
}

template <class Visit>
int addAnyVia(Visit&& visit, int position, const AnyRecord& record) {
    int result = -2;
    visit([&](auto& list) {
        using T = detail::ElementOf<decltype(list)>;
        if (auto* value = std::get_if<T>(&record)) {
            const int count = static_cast<int>(list.size());
            if (position < 0) position = count;
            if (position > count) {
                result = -1;
                return;
            }
            try {
                list.insert(list.begin() + position, *value);
                result = position;
            } catch (const std::bad_alloc&) {
                result = -1;  // no room; the list is as it was
            }
        }
    });
    return result;
}

#define VIA_ROAD [&](auto&& f) { detail::visitRoadList(road, kind, parent, f); }
#define VIA_PROJECT [&](auto&& f) { detail::visitProjectList(project, road, kind, parent, f); }

// Selection sort over a list, exactly as the stored order needs it: for each
// position j, every later row that compares smaller than the row now at j is
// swapped into j.
template <class T, class Key>
void selectionSort(std::vector<T>& list, std::size_t first, std::size_t end, Key key,
                   std::vector<int>* order = nullptr) {
    if (order) {
        order->resize(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) (*order)[i] = static_cast<int>(i);
    }
    for (std::size_t j = first; j < end; ++j)
        for (std::size_t i = j + 1; i < end; ++i)
            if (key(list[i]) < key(list[j])) {
                std::swap(list[i], list[j]);
                if (order) std::swap((*order)[i], (*order)[j]);
            }
}

void rebuildLinks(std::vector<PlateChange>& changes, std::vector<CrossSectionPlate>& plates, bool width) {
    selectionSort(changes, 0, changes.size(), [](const PlateChange& c) { return c.plateIndex; });
    for (auto& p : plates) {
        (width ? p.firstWidthChange : p.firstCrossfallChange) = -1;
        (width ? p.lastWidthChange : p.lastCrossfallChange) = -1;
    }
    std::size_t start = 0;
    while (start < changes.size()) {
        std::size_t end = start + 1;
        while (end < changes.size() && changes[end].plateIndex == changes[start].plateIndex) ++end;
        selectionSort(changes, start, end, [](const PlateChange& c) { return c.station; });
        if (auto* plate = detail::at(plates, changes[start].plateIndex)) {
            (width ? plate->firstWidthChange : plate->firstCrossfallChange) = static_cast<std::int32_t>(start);
            (width ? plate->lastWidthChange : plate->lastCrossfallChange) = static_cast<std::int32_t>(end - 1);
        }
        start = end;
    }
}

template <class ListT>
int findIn(const ListT& list, std::string_view gbk) {
    using T = detail::ElementOf<ListT>;
    if constexpr (requires(const T& t) { t.name.str(); }) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].name.str() == gbk) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

bool hasRecordList(const Road& road, RecordKind kind, int parent) {
    return detail::visitRoadList(road, kind, parent, [](auto&) {});
}

int recordCount(const Road& road, RecordKind kind, int parent) {
    int n = 0;
    detail::visitRoadList(road, kind, parent, [&](auto& list) { n = static_cast<int>(list.size()); });
    return n;
}

int recordCount(const RoadProject& project, int road, RecordKind kind, int parent) {
    int n = 0;
    detail::visitProjectList(project, road, kind, parent, [&](auto& list) { n = static_cast<int>(list.size()); });
    return n;
}

bool getIntersectionPoint(const Road& road, int index, IntersectionPoint& out, bool normalise) {
    if (!getRecord(road, RecordKind::IntersectionPoint, index, -1, out)) return false;
    if (normalise) out = normaliseIntersectionPoint(out);
    return true;
}

int removeRecord(Road& road, RecordKind kind, int index, int parent) { return removeVia(VIA_ROAD, index); }
int clearRecords(Road& road, RecordKind kind, int parent) { return clearVia(VIA_ROAD); }
bool swapRecords(Road& road, RecordKind kind, int i, int j, int parent) { return swapVia(VIA_ROAD, i, j); }

int removeRecord(RoadProject& project, int road, RecordKind kind, int index, int parent) {
    return removeVia(VIA_PROJECT, index);
}
int clearRecords(RoadProject& project, int road, RecordKind kind, int parent) { return clearVia(VIA_PROJECT); }
bool swapRecords(RoadProject& project, int road, RecordKind kind, int i, int j, int parent) {
    return swapVia(VIA_PROJECT, i, j);
}

int findByName(const Road& road, RecordKind kind, std::string_view gbk, int parent) {
    int found = -1;
    detail::visitRoadList(road, kind, parent, [&](auto& list) { found = findIn(list, gbk); });
    return found;
}

bool setCurrentBridge(Road& road, int index) {
    if (index < -1 || index >= static_cast<int>(road.bridges.size())) return false;
    road.currentBridge = index;
    return true;
}

bool setCurrentPier(Road& road, int index) {
    const Bridge* b = detail::bridgeOf(road, -1);
    const int count = b ? static_cast<int>(b->piers.size()) : 0;
    if (index < -1 || index >= count) return false;
    road.currentPier = index;
    return true;
}

bool setCurrentTunnel(Road& road, int index) {
    if (index < -1 || index >= static_cast<int>(road.tunnels.size())) return false;
    road.currentTunnel = index;
    return true;
}

bool isRecordKind(RecordKind kind) {
    const int k = static_cast<int>(kind);
    return k >= 0 && k <= 23 && k != 8;
}

AnyRecord defaultRecord(RecordKind kind) {
    switch (kind) {
    case RecordKind::AlignmentElement: return AlignmentElement{};
    case RecordKind::GradePoint: return GradePoint{};
    case RecordKind::ChainBreak: return ChainBreak{};
    case RecordKind::CrossSectionPlate: return CrossSectionPlate{};
    case RecordKind::SlopeAssignment: return SlopeAssignment{};
    case RecordKind::SlopeTemplate: return SlopeTemplate{};
    case RecordKind::SlopeTemplateRow: return SlopeTemplateRow{};
    case RecordKind::WidthChange:
    case RecordKind::CrossfallChange: return PlateChange{};
    case RecordKind::ControlPoint: return ControlPoint{};
    case RecordKind::Structure: return Structure{};
    case RecordKind::Bridge: return Bridge{};
    case RecordKind::Pier: return Pier{};
    case RecordKind::Pile: return Pile{};
    case RecordKind::Tunnel: return Tunnel{};
    case RecordKind::TunnelTemplate: return TunnelTemplate{};
    case RecordKind::BlastHole: return BlastHole{};
    case RecordKind::ExcavationContour:
    case RecordKind::PrimaryContour:
    case RecordKind::SecondaryContour: return ContourElement{};
    case RecordKind::TunnelSlopeRule: return TunnelSlopeRule{};
    case RecordKind::TunnelStationRule: return TunnelStationRule{};
    default: return IntersectionPoint{};
    }
}

bool getAnyRecord(const Road& road, RecordKind kind, int index, int parent, AnyRecord& out) {
    return getAnyVia(VIA_ROAD, index, out);
}
bool setAnyRecord(Road& road, RecordKind kind, int index, int parent, const AnyRecord& record) {
    return setAnyVia(VIA_ROAD, index, record);
}
int addAnyRecord(Road& road, RecordKind kind, int parent, int position, const AnyRecord& record) {
    return addAnyVia(VIA_ROAD, position, record);
}
bool getAnyRecord(const RoadProject& project, int road, RecordKind kind, int index, int parent, AnyRecord& out) {
    return getAnyVia(VIA_PROJECT, index, out);
}
bool setAnyRecord(RoadProject& project, int road, RecordKind kind, int index, int parent, const AnyRecord& record) {
    return setAnyVia(VIA_PROJECT, index, record);
}
int addAnyRecord(RoadProject& project, int road, RecordKind kind, int parent, int position, const AnyRecord& record) {
    return addAnyVia(VIA_PROJECT, position, record);
}

void sortChainBreaks(Road& road, std::vector<int>* order) {
    selectionSort(road.chainBreaks, 0, road.chainBreaks.size(), [](const ChainBreak& c) { return c.startStation; },
                  order);
}

void sortSlopeAssignments(Road& road, std::vector<int>* order) {
    selectionSort(road.slopeAssignments, 0, road.slopeAssignments.size(),
                  [](const SlopeAssignment& s) { return s.station; }, order);
}

void rebuildWidthLinks(Road& road) { rebuildLinks(road.widthChanges, road.plates, true); }
void rebuildCrossfallLinks(Road& road) { rebuildLinks(road.crossfallChanges, road.plates, false); }

void resetRoad(Road& road) {
    road.roadKey = kFormatVersion;
    road.curveForm = 0;
    road.calcMethod = 0;
    road.stationPrefix = FixedText<2>("K");
    road.currentBridge = road.currentPier = road.currentTunnel = -1;
    for (RecordKind k : {RecordKind::IntersectionPoint, RecordKind::AlignmentElement, RecordKind::GradePoint,
                         RecordKind::ChainBreak, RecordKind::CrossSectionPlate, RecordKind::SlopeAssignment,
                         RecordKind::SlopeTemplate, RecordKind::WidthChange, RecordKind::CrossfallChange,
                         RecordKind::Structure, RecordKind::Bridge, RecordKind::TunnelTemplate, RecordKind::Tunnel})
        clearRecords(road, k);
}

}  // namespace vornex
