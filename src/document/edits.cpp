#include "document/edits.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "geometry/angles.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "text/text.h"

namespace vornex {

namespace {

template <class T>
T* at(std::vector<T>& list, int index) {
    return index >= 0 && index < static_cast<int>(list.size()) ? &list[static_cast<std::size_t>(index)] : nullptr;
}

// Stores a number read whole from `text` into `field`.
bool storeNumber(double& field, std::string_view text) {
    const std::optional<double> v = readTypedNumber(text, NumberText::Whole);
    if (!v) return false;
    field = *v;
    return true;
}

// Stores the continuous chainage of a typed station; a text that is no station
// of the road changes nothing.
bool storeStation(const Road& road, double& field, std::string_view text) {
    const double c = toContinuousChainage(road, text);
    if (c == kNoValue) return false;
    field = c;
    return true;
}

}  // namespace

std::optional<double> readTypedNumber(std::string_view text, NumberText rule) {
    const std::string t(text::trim(text));
    const bool leading = rule == NumberText::Leading;
    if (t.empty()) return leading ? std::optional<double>(0) : std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    const bool whole = end == t.c_str() + t.size();
    if (end == t.c_str() || !std::isfinite(v) || (!leading && !whole))
        return leading ? std::optional<double>(0) : std::nullopt;
    return v;
}

bool setPrecisionText(CVornexPcDoc& doc, std::string_view text) {
    const std::optional<double> v = readTypedNumber(text, NumberText::Whole);
    return v && doc.setPrecisionMm(*v);
}

bool setBridgeField(Road& road, int bridge, int pier, BridgeField field, std::string_view text,
                    Prompter& prompter) {
    Bridge* b = at(road.bridges, bridge);
    if (!b) return false;
    Pier* p = at(b->piers, pier);
    switch (field) {
    case BridgeField::Name: return renameParentRecord(road, ParentKind::Bridge, bridge, text, prompter);
    case BridgeField::CalcType: b->calcType = bridgeCalcTypeCode(text); return true;
    case BridgeField::StartStation: return storeStation(road, b->startStation, text);
    case BridgeField::Length: return storeNumber(b->length, text);
    case BridgeField::LeftWidth: return storeNumber(b->leftWidth, text);
    case BridgeField::RightWidth: return storeNumber(b->rightWidth, text);
    case BridgeField::AxisOffset: return storeNumber(b->axisOffset, text);
    case BridgeField::PierName:
        return p && renameParentRecord(road, ParentKind::Pier, pier, text, prompter, bridge);
    case BridgeField::PierStation: return p && storeStation(road, p->station, text);
    case BridgeField::PierAngle: {
        const std::optional<double> v = readTypedNumber(text, NumberText::Whole);
        if (!p || !v) return false;
        p->angle = dmsToDegrees(*v);
        return true;
    }
    }
    return false;
}

bool setTunnelField(Road& road, int tunnel, TunnelField field, std::string_view text, Prompter& prompter) {
    Tunnel* t = at(road.tunnels, tunnel);
    if (!t) return false;
    switch (field) {
    case TunnelField::Name: return renameParentRecord(road, ParentKind::Tunnel, tunnel, text, prompter);
    case TunnelField::StartStation: return storeStation(road, t->startStation, text);
    case TunnelField::Length: return storeNumber(t->length, text);
    }
    return false;
}

bool setTunnelPlate(Road& road, int tunnel, int plate) {
    Tunnel* t = at(road.tunnels, tunnel);
    if (!t || plate < 0 || plate >= static_cast<int>(road.plates.size())) return false;
    t->plateIndex = plate;
    return true;
}

bool setTunnelTemplateField(Road& road, int tunnelTemplate, TunnelTemplateField field, std::string_view text,
                            Prompter& prompter) {
    TunnelTemplate* t = at(road.tunnelTemplates, tunnelTemplate);
    if (!t) return false;
    switch (field) {
    case TunnelTemplateField::Name:
        return renameParentRecord(road, ParentKind::TunnelTemplate, tunnelTemplate, text, prompter);
    case TunnelTemplateField::DesignOffset: return storeNumber(t->designOffset, text);
    case TunnelTemplateField::ExcavationCrown: return storeNumber(t->excavationCrown, text);
    case TunnelTemplateField::PrimaryCrown: return storeNumber(t->primaryCrown, text);
    case TunnelTemplateField::SecondaryCrown: return storeNumber(t->secondaryCrown, text);
    }
    return false;
}

}  // namespace vornex
