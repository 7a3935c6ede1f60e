#include "document/parent_records.h"

#include <string>
#include <vector>

#include "model/field_rules.h"
#include "text/text.h"

namespace vornex {

namespace {

// The list of names of `kind` as pointers into the road, so that one piece of code
// adds, removes and renames in every list. Empty when the list does not exist.
struct NameList {
    std::vector<Name12*> names;
    bool exists = false;
};

template <typename T>
NameList namesOf(std::vector<T>& list) {
    NameList out;
    out.exists = true;
    for (T& r : list) out.names.push_back(&r.name);
    return out;
}

NameList namesOf(Road& road, ParentKind kind, int bridge) {
    switch (kind) {
        case ParentKind::SlopeTemplate: return namesOf(road.slopeTemplates);
        case ParentKind::Bridge: return namesOf(road.bridges);
        case ParentKind::Pier:
            if (bridge < 0 || bridge >= static_cast<int>(road.bridges.size())) return {};
            return namesOf(road.bridges[bridge].piers);
        case ParentKind::TunnelTemplate: return namesOf(road.tunnelTemplates);
        case ParentKind::Tunnel: return namesOf(road.tunnels);
    }
    return {};
}

template <typename T>
void eraseAt(std::vector<T>& list, int index) {
    list.erase(list.begin() + index);
}

// An index into a list from which entry `removed` went: later entries move up one.
void shiftAfterRemoval(std::int32_t& ref, int removed) {
    if (ref > removed) --ref;
}

// A current-record index after entry `removed` went: -1 when it was the current one.
void currentAfterRemoval(std::int32_t& current, int removed) {
    if (current == removed) current = -1;
    else shiftAfterRemoval(current, removed);
}

bool slopeTemplateInUse(const Road& road, int index) {
    for (const SlopeAssignment& a : road.slopeAssignments)
        if (a.leftFill == index || a.leftCut == index || a.rightFill == index || a.rightCut == index) return true;
    return false;
}

bool tunnelTemplateInUse(const Road& road, int index) {
    for (const Tunnel& t : road.tunnels) {
        for (const TunnelSlopeRule& r : t.slopeRules)
            if (r.templateIndex == index) return true;
        for (const TunnelStationRule& r : t.stationRules)
            if (r.templateIndex == index) return true;
    }
    return false;
}

const char* duplicateMessage(ParentKind kind) {
    switch (kind) {
        case ParentKind::SlopeTemplate: return "边坡模板已经存在，请重新输入。";
        case ParentKind::Bridge: return "桥梁名称已经存在，请重新输入。";
        case ParentKind::Pier: return "墩台编号已经存在，请重新输入。";
        case ParentKind::TunnelTemplate: return "隧道断面模板已经存在，请重新输入。";
        case ParentKind::Tunnel: return "隧道名称已经存在，请重新输入。";
    }
    return "";
}

}  // namespace

int addParentRecord(Road& road, ParentKind kind, Prompter& prompter, int bridge) {
    switch (kind) {
        case ParentKind::SlopeTemplate: {
            SlopeTemplate t;
            t.name = newSlopeTemplateName(road);
            road.slopeTemplates.push_back(t);
            return static_cast<int>(road.slopeTemplates.size()) - 1;
        }
        case ParentKind::Bridge: {
            Bridge b;
            b.name = newBridgeName(road);
            road.bridges.push_back(b);
            return static_cast<int>(road.bridges.size()) - 1;
        }
        case ParentKind::Pier: {
            if (bridge < 0 || bridge >= static_cast<int>(road.bridges.size())) return -1;
            Bridge& b = road.bridges[bridge];
            Pier p;
            p.name = newPierName(b);
            b.piers.push_back(p);
            return static_cast<int>(b.piers.size()) - 1;
        }
        case ParentKind::TunnelTemplate: {
            TunnelTemplate t;
            t.name = newTunnelTemplateName(road);
            road.tunnelTemplates.push_back(t);
            return static_cast<int>(road.tunnelTemplates.size()) - 1;
        }
        case ParentKind::Tunnel: {
            if (road.tunnelTemplates.empty()) {
                prompter.message("请先定义隧道断面模板.");
                return -1;
            }
            Tunnel t;
            t.name = newTunnelName(road);
            road.tunnels.push_back(t);
            return static_cast<int>(road.tunnels.size()) - 1;
        }
    }
    return -1;
}

bool deleteParentRecord(Road& road, ParentKind kind, int index, Prompter& prompter, int bridge) {
    NameList list = namesOf(road, kind, bridge);
    if (!list.exists || index < 0 || index >= static_cast<int>(list.names.size())) return false;

    if (kind == ParentKind::SlopeTemplate && slopeTemplateInUse(road, index)) {
        prompter.message("不能删除边坡模板.\n有边坡参数引用该边坡模板.");
        return false;
    }
    // A tunnel rule without its template would select some other section at its
    // stations; refuse as for slope templates.
    if (kind == ParentKind::TunnelTemplate && tunnelTemplateInUse(road, index)) {
        prompter.message("不能删除隧道断面模板.\n有隧道引用该隧道断面模板.");
        return false;
    }
    std::string question = "您是否真的要删除“" + list.names[index]->utf8() + "”?";
    if (!prompter.askYesNo(question, false, PromptIcon::Question)) return false;

    switch (kind) {
        case ParentKind::SlopeTemplate:
            eraseAt(road.slopeTemplates, index);
            for (SlopeAssignment& a : road.slopeAssignments) {
                shiftAfterRemoval(a.leftFill, index);
                shiftAfterRemoval(a.leftCut, index);
                shiftAfterRemoval(a.rightFill, index);
                shiftAfterRemoval(a.rightCut, index);
            }
            break;
        case ParentKind::Bridge:
            eraseAt(road.bridges, index);
            if (road.currentBridge == index) road.currentPier = -1;
            currentAfterRemoval(road.currentBridge, index);
            break;
        case ParentKind::Pier:
            eraseAt(road.bridges[bridge].piers, index);
            if (road.currentBridge == bridge) currentAfterRemoval(road.currentPier, index);
            break;
        case ParentKind::TunnelTemplate:
            eraseAt(road.tunnelTemplates, index);
            for (Tunnel& t : road.tunnels) {
                for (TunnelSlopeRule& r : t.slopeRules) shiftAfterRemoval(r.templateIndex, index);
                for (TunnelStationRule& r : t.stationRules) shiftAfterRemoval(r.templateIndex, index);
            }
            break;
        case ParentKind::Tunnel:
            eraseAt(road.tunnels, index);
            currentAfterRemoval(road.currentTunnel, index);
            break;
    }
    return true;
}

bool renameParentRecord(Road& road, ParentKind kind, int index, std::string_view utf8, Prompter& prompter,
                        int bridge) {
    NameList list = namesOf(road, kind, bridge);
    if (!list.exists || index < 0 || index >= static_cast<int>(list.names.size())) return false;
    std::string gbk = text::nameFromUtf8(text::trim(utf8));
    if (gbk.empty()) return false;
    for (int i = 0; i < static_cast<int>(list.names.size()); ++i) {
        if (i != index && list.names[i]->equals(gbk)) {
            prompter.message(duplicateMessage(kind));
            return false;
        }
    }
    list.names[index]->assign(gbk);
    return true;
}

std::string parentRecordName(const Road& road, ParentKind kind, int index, int bridge) {
    auto nameAt = [index](const auto& list) -> std::string {
        if (index < 0 || index >= static_cast<int>(list.size())) return {};
        return list[index].name.utf8();
    };
    switch (kind) {
        case ParentKind::SlopeTemplate: return nameAt(road.slopeTemplates);
        case ParentKind::Bridge: return nameAt(road.bridges);
        case ParentKind::Pier:
            if (bridge < 0 || bridge >= static_cast<int>(road.bridges.size())) return {};
            return nameAt(road.bridges[bridge].piers);
        case ParentKind::TunnelTemplate: return nameAt(road.tunnelTemplates);
        case ParentKind::Tunnel: return nameAt(road.tunnels);
    }
    return {};
}

}  // namespace vornex
