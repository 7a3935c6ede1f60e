// The structure tables: the piles of a bridge pier and the structures along the road.
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

// The tail of a station column's hint.
const char* const kStationHintTail = "，实数输入，如在长链中前面加“+”";

void pileColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("桩柱编号", 90, "桩柱的编号"), column("坐标方式", 90, "选择桩柱的坐标方式"),
         column("纵向坐标X(m)", 110, "相对坐标时为与墩台轴线的垂直距离，绝对坐标时为X坐标"),
         column("横向坐标Y(m)", 110, "相对坐标时为沿墩台轴线与线路中线交点的距离，绝对坐标时为Y坐标"),
         column("高程(m)", 90, "桩顶或其它高程，不参与计算")};
}

void pileFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const Pile& r = road->bridges[static_cast<std::size_t>(road->currentBridge)]
                        .piers[static_cast<std::size_t>(road->currentPier)]
                        .piles[static_cast<std::size_t>(index)];
    set(0, r.name.utf8());
    set(1, pileModeText(r.coordMode), true, pileModeChoices());
    set(2, fmt("%8.4f", r.along));
    set(3, fmt("%8.4f", r.across));
    set(4, fmt("%8.3f", r.elevation));
}

bool pileStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    Pile& r = road->bridges[static_cast<std::size_t>(road->currentBridge)]
                  .piers[static_cast<std::size_t>(road->currentPier)]
                  .piles[i];
    switch (col) {
        case 0: assignName(r.name, text); return true;
        case 1: r.coordMode = text == pileModeText(1) ? 1 : 0; return true;
        case 2: r.along = n; return true;
        case 3: r.across = n; return true;
        case 4: r.elevation = n; return true;
    }
    return false;
}

void pileNewRow(GridRow& row, const Road&) {
    row.cells[1].choices = pileModeChoices();
}

void structureColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("桩号(m)", 110, std::string("输入结构物所在的桩号") + kStationHintTail),
         column("构筑物类型", 90, "选择构筑物的类型"),
         column("做 法", 90, "输入结构物的做法，斜做即平行四边形做法，正做即长方形做法"),
         column("夹角(度.分秒)", 110, "线路前进方向顺时针至结构物轴线的夹角"),
         column("宽度(m)", 90, "输入结构物的全宽，只支持轴线在结构物中间的形式"),
         column("左侧长度(m)", 90, "结构物在中线左侧的长度"), column("右侧长度(m)", 90, "结构物在中线右侧的长度"),
         column("中心点高程(m)", 100, "结构物轴线与中线交点的高程"), column("横坡(%)", 80, "结构物轴线从左至右的横坡")};
}

void structureFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const Structure& r = road->structures[static_cast<std::size_t>(index)];
    int kind = r.structureKind();
    set(0, stationText(*road, r.station));
    set(1, structureKindText(kind), true, structureKindChoices());
    set(2, structureMethodText(r.method()), true, methodChoices());
    set(3, fmt("%9.5lf", degreesToDms(r.angle)));
    set(4, fmt("%8.4f", r.width));
    set(5, fmt("%8.4f", r.leftLength));
    set(6, fmt("%8.4f", r.rightLength));
    set(7, fmt("%8.4f", r.centreElevation));
    set(8, fmt("%8.4f", r.crossfall));
}

bool structureStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    Structure& r = road->structures[i];
    switch (col) {
        case 0: r.station = readStation(*road, text); return true;
        case 1: r.kindAndMethod = (r.method() << 16) | choiceCode(text, structureKindChoices()); return true;
        case 2: r.kindAndMethod = ((text == structureMethodText(1) ? 1 : 0) << 16) | r.structureKind(); return true;
        case 3: r.angle = foldStructureAngle(readDms(text)); return true;
        case 4: r.width = n; return true;
        case 5: r.leftLength = n; return true;
        case 6: r.rightLength = n; return true;
        case 7: r.centreElevation = n; return true;
        case 8: r.crossfall = n; return true;
    }
    return false;
}

void structureNewRow(GridRow& row, const Road&) {
    row.cells[1].choices = structureKindChoices();
    row.cells[2].choices = methodChoices();
}

const DataTableKind kKinds[] = {
    {{tc::kPiles}, pileColumns, pileFill, pileStore, pileNewRow},
    {{tc::kStructures}, structureColumns, structureFill, structureStore, structureNewRow},
};

}  // namespace

const DataTableKind* structuresTableKind(int code) { return findKind(kKinds, code); }

}  // namespace vornex::data_table_parts
