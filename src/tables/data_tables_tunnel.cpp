// The tunnel tables: the three contours of a tunnel-section template, and a
// tunnel's blast holes, slope rules and station rules.
// Each table's columns, how a record fills its row, how a typed cell is stored
// and what the row for a new record offers, side by side.
#include <cmath>
#include <string>
#include <vector>

#include "geometry/angles.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "model/field_rules.h"
#include "tables/data_table_parts.h"

namespace vornex::data_table_parts {

namespace {

void contourColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("平距(m)", 90, "与上一点的相对水平距离，左 (-) 右 (+) "),
         column("高差(m)", 90, "与上一点的相对高差，下 (-) 上 (+) "),
         column("半径(m)", 90, "圆弧拱元的半径"),
         column("圆心角(度.分秒)", 120,
                "圆弧拱元的圆心角，不输或0为根据平距和高差进行计算，-1为根据平距和高差进行计算且圆心角大于180度")};
}

void contourFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    auto& list = *contourList(const_cast<Road*>(road)->tunnelTemplates[static_cast<std::size_t>(ctx.tunnelTemplate)],
                              code);
    const ContourElement& r = list[static_cast<std::size_t>(index)];
    set(0, optional("%8.4f", r.horizontalDistance));
    set(1, optional("%8.4f", r.heightDifference));
    set(2, optional("%8.3f", std::fabs(r.radius)));
    std::string angle;
    if (r.centralAngle == kNoValue) angle = "";
    else if (r.centralAngle < 0) angle = "-1";
    else angle = fmt("%8.4f", degreesToDms(r.centralAngle));
    set(3, angle);
}

bool contourStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    ContourElement& r = (*contourList(road->tunnelTemplates[static_cast<std::size_t>(ctx.tunnelTemplate)], code))[i];
    // An empty cell is a value not given (computed from the others), as the
    // table shows it: it stays kNoValue rather than becoming 0.
    const double v = isBlank(text) ? kNoValue : n;
    switch (col) {
        case 0: r.horizontalDistance = v; return true;
        case 1: r.heightDifference = v; return true;
        case 2: r.radius = sidedRadius(std::fabs(v), contourSide(r)); return true;
        case 3: r.centralAngle = v == kNoValue ? kNoValue : v < 0 ? -1.0 : v == 0 ? 0.0 : dmsToDegrees(v); return true;
    }
    return false;
}

void blastHoleColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("点名", 90, "炮眼点的名称"), column("偏移(m)", 90, "与隧道中线的水平偏移，左 (-) 右 (+) "),
         column("高差(m)", 90, "与高程设计线的高差")};
}

void blastHoleFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const BlastHole& r =
        road->tunnels[static_cast<std::size_t>(road->currentTunnel)].blastHoles[static_cast<std::size_t>(index)];
    set(0, r.name.utf8());
    set(1, fmt("%8.4f", r.offset));
    set(2, fmt("%8.4f", r.heightDifference));
}

bool blastHoleStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    BlastHole& r = road->tunnels[static_cast<std::size_t>(road->currentTunnel)].blastHoles[i];
    switch (col) {
        case 0: assignName(r.name, text); return true;
        case 1: r.offset = n; return true;
        case 2: r.heightDifference = n; return true;
    }
    return false;
}

void tunnelSlopeRuleColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("坡度1:n", 90, "输入路面横坡1:n"), column("隧道模板", 110, "请选择对应坡度的隧道模板")};
}

void tunnelSlopeRuleFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const TunnelSlopeRule& r =
        road->tunnels[static_cast<std::size_t>(road->currentTunnel)].slopeRules[static_cast<std::size_t>(index)];
    auto names = tunnelTemplateNames(*road);
    set(0, fmt("%7.2f", r.gradient));
    set(1, nameAt(names, r.templateIndex), true, names);
}

bool tunnelSlopeRuleStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    TunnelSlopeRule& r = road->tunnels[static_cast<std::size_t>(road->currentTunnel)].slopeRules[i];
    if (col == 0) r.gradient = n;
    else if (col == 1) r.templateIndex = choiceCode(text, tunnelTemplateNames(*road));
    else return false;
    return true;
}

void tunnelSlopeRuleNewRow(GridRow& row, const Road& road) {
    row.cells[1].choices = tunnelTemplateNames(road);
}

void tunnelStationRuleColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("桩号", 110, "输入隧道模板变化点的桩号"), column("变化形式", 100, "选择隧道断面的变化形式"),
         column("隧道模板", 110, "选择该桩号的隧道模板")};
}

void tunnelStationRuleFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const TunnelStationRule& r =
        road->tunnels[static_cast<std::size_t>(road->currentTunnel)].stationRules[static_cast<std::size_t>(index)];
    auto names = tunnelTemplateNames(*road);
    set(0, stationText(*road, r.station));
    set(1, stationRuleFormText(r.changeForm), true, stationRuleFormChoices());
    set(2, nameAt(names, r.templateIndex), true, names);
}

bool tunnelStationRuleStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    TunnelStationRule& r = road->tunnels[static_cast<std::size_t>(road->currentTunnel)].stationRules[i];
    switch (col) {
        case 0: r.station = readStation(*road, text); return true;
        case 1: r.changeForm = stationRuleFormCode(text); return true;
        case 2: r.templateIndex = choiceCode(text, tunnelTemplateNames(*road)); return true;
    }
    return false;
}

void tunnelStationRuleNewRow(GridRow& row, const Road& road) {
    row.cells[1].choices = stationRuleFormChoices();
    row.cells[2].choices = tunnelTemplateNames(road);
}

const DataTableKind kKinds[] = {
    {{tc::kExcavationContour, tc::kPrimaryContour, tc::kSecondaryContour}, contourColumns, contourFill, contourStore, nullptr},
    {{tc::kBlastHoles}, blastHoleColumns, blastHoleFill, blastHoleStore, nullptr},
    {{tc::kTunnelSlopeRules}, tunnelSlopeRuleColumns, tunnelSlopeRuleFill, tunnelSlopeRuleStore, tunnelSlopeRuleNewRow},
    {{tc::kTunnelStationRules}, tunnelStationRuleColumns, tunnelStationRuleFill, tunnelStationRuleStore, tunnelStationRuleNewRow},
};

}  // namespace

const DataTableKind* tunnelTableKind(int code) { return findKind(kKinds, code); }

}  // namespace vornex::data_table_parts
