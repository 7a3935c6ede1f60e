#include "app/tree_items.h"

namespace vornex::app {

namespace ic = table_code;

std::vector<TreeEntry> dataCategories(bool byElements) {
    return {
        {ic::kControlPoints, QStringLiteral("控制点")},
        {ic::kChainBreaks, QStringLiteral("断链数据")},
        {byElements ? ic::kElements : ic::kIntersectionPoints, QStringLiteral("平面设计线")},
        {ic::kGradePoints, QStringLiteral("纵断面设计")},
        {ic::kPlates, QStringLiteral("标准横断面")},
        {ic::kWidthChanges, QStringLiteral("路幅宽度变化")},
        {ic::kCrossfallChanges, QStringLiteral("路幅坡度变化")},
        {ic::kStructures, QStringLiteral("构筑物")},
        {ic::kSlopeAssignments, QStringLiteral("边坡参数")},
        {ic::kSlopeTemplates, QStringLiteral("边坡模板")},
        {ic::kBridges, QStringLiteral("桥梁")},
        {ic::kTunnelTemplates, QStringLiteral("隧道断面模板")},
        {ic::kTunnels, QStringLiteral("隧道")},
    };
}

std::vector<TreeEntry> tunnelTemplateParts() {
    return {{ic::kExcavationContour, QStringLiteral("开挖线")},
            {ic::kPrimaryContour, QStringLiteral("初支")},
            {ic::kSecondaryContour, QStringLiteral("二衬")}};
}

std::vector<TreeEntry> tunnelParts() {
    return {{ic::kTunnelSlopeRules, QStringLiteral("坡度定义")},
            {ic::kTunnelStationRules, QStringLiteral("桩号定义")},
            {ic::kBlastHoles, QStringLiteral("炮眼点")}};
}

std::vector<TreeEntry> resultItems() {
    return {{ic::kCurveElements, QStringLiteral("直曲表")},
            {ic::kElementList, QStringLiteral("线元一览表")},
            {ic::kVerticalCurves, QStringLiteral("纵坡及竖曲线表")},
            {ic::kCoordinates, QStringLiteral("逐桩坐标表")},
            {ic::kStructureStakeout, QStringLiteral("结构物坐标表")},
            {ic::kBridgePositions, QStringLiteral("桥位坐标表")}};
}

ItemClass classifyDataItem(int data, std::optional<int> parent, std::optional<int> grandparent) {
    ItemClass c;
    if (parent && (*parent == ic::kBridges || *parent == ic::kTunnelTemplates || *parent == ic::kTunnels)) {
        c.child = *parent;
    } else if (parent && *parent == ic::kSlopeTemplates) {
        c.child = ic::kSlopeTemplateRows;
    } else if (grandparent && *grandparent == ic::kBridges) {
        c.child = ic::kPiles;
    }
    if (data == ic::kBridges || data == ic::kSlopeTemplates || data == ic::kTunnelTemplates || data == ic::kTunnels) {
        c.folder = data;
    } else if (parent && *parent == ic::kBridges) {
        c.folder = ic::kPiles;
    } else {
        c.folder = c.child;
    }
    return c;
}

DataSelection dataSelection(int data, std::optional<int> parent, std::optional<int> grandparent) {
    const ItemClass c = classifyDataItem(data, parent, grandparent);
    DataSelection s;
    s.code = data;
    if (c.folder == ic::kBridges || c.folder == ic::kPiles) {
        s.pane = PropertyPane::Bridge;
        s.setsBridge = true;
        if (c.child == ic::kBridges) {  // a bridge
            s.code = ic::kBridges;
            s.bridge = data;
            s.pier = -1;
        } else if (c.child == ic::kPiles) {  // a pier of bridge `parent`
            s.code = ic::kPiles;
            s.bridge = parent.value_or(-1);
            s.pier = data;
        } else {  // the folder
            s.bridge = -1;
            s.pier = -1;
        }
    } else if (c.folder == ic::kTunnelTemplates || (data <= ic::kExcavationContour && data >= ic::kSecondaryContour)) {
        s.pane = PropertyPane::TunnelTemplate;
        s.setsTunnelTemplate = true;
        if (c.child == ic::kTunnelTemplates) s.tunnelTemplate = data;
        else if (data <= ic::kExcavationContour && data >= ic::kSecondaryContour) s.tunnelTemplate = parent.value_or(-1);
    } else if (c.folder == ic::kTunnels || (data <= ic::kBlastHoles && data >= ic::kTunnelStationRules)) {
        s.pane = PropertyPane::Tunnel;
        s.setsTunnel = true;
        if (c.child == ic::kTunnels) s.tunnel = data;
        else if (data <= ic::kBlastHoles && data >= ic::kTunnelStationRules) s.tunnel = parent.value_or(-1);
    } else {
        s.pane = PropertyPane::Road;
        if (c.child == ic::kSlopeTemplateRows) {
            s.code = ic::kSlopeTemplateRows;
            s.setsSlopeTemplate = true;
            s.slopeTemplate = data;
        }
    }
    return s;
}

}  // namespace vornex::app
