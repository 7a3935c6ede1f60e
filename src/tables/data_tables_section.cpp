// The cross-section tables: the standard plates, the width and crossfall
// changes (their columns; the rows are built by station in data_tables.cpp), the
// slope assignments and the rows of a slope template.
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

void plateColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("板块类型", 100, "选择板块的类型"), column("宽度(m)", 80, "输入道路的板块宽度"),
         column("横坡%", 80, "输入道路的板块横坡，从中间向两边计算"),
         column("结构层厚(m)", 90, "输入道路的板块结构层厚度"),
         column("道牙高(m)", 90, "输入道路的板块道牙高度，即本板块与下一板块的高差")};
}

void plateFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const CrossSectionPlate& r = road->plates[static_cast<std::size_t>(index)];
    set(0, plateTypeText(r.plateType), true, plateTypeChoices());
    set(1, fmt("%5.2f", r.width));
    set(2, fmt("%5.2f", r.crossfall));
    set(3, fmt("%5.2f", r.layerThickness));
    set(4, fmt("%5.2f", r.curbHeight));
}

bool plateStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    CrossSectionPlate& r = road->plates[i];
    switch (col) {
        case 0: r.plateType = choiceCode(text, plateTypeChoices()); return true;
        case 1: r.width = n; return true;
        case 2: r.crossfall = n; return true;
        case 3: r.layerThickness = n; return true;
        case 4: r.curbHeight = n; return true;
    }
    return false;
}

void plateNewRow(GridRow& row, const Road&) {
    row.cells[0].choices = plateTypeChoices();
}

void plateChangeColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    bool width = code == tc::kWidthChanges;
    c = {column("变化点桩号", 110,
                width ? "加宽变化点的桩号，实数输入，如在长链中前面加“+”" : "坡度变化点的桩号，实数输入，如在长链中前面加“+”"),
         column("变化方式", 110, "选择变化方式")};
    if (road) {
        const char* hint = width ? "该板块在变化点的宽度" : "该板块在变化点的坡度，从中间往两边计算";
        // Left plates from the outermost inward, then right plates from the innermost outward.
        std::vector<int> left, right;
        for (int i = 0; i < static_cast<int>(road->plates.size()); ++i)
            (road->plates[static_cast<std::size_t>(i)].side == 1 ? left : right).push_back(i);
        for (int k = static_cast<int>(left.size()) - 1; k >= 0; --k) {
            const auto& pl = road->plates[static_cast<std::size_t>(left[static_cast<std::size_t>(k)])];
            c.push_back(column(text::format("左－%d", k + 1) + std::string(text::trim(plateTypeText(pl.plateType))),
                               100, hint));
        }
        for (std::size_t k = 0; k < right.size(); ++k) {
            const auto& pl = road->plates[static_cast<std::size_t>(right[k])];
            c.push_back(column(text::format("右－%d", static_cast<int>(k) + 1) +
                                   std::string(text::trim(plateTypeText(pl.plateType))),
                               100, hint));
        }
    }
}

void slopeAssignmentColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("桩号", 110, "输入边坡开始的桩号"), column("左填模板", 100, "选择对应的边坡模板"),
         column("左挖模板", 100, "选择对应的边坡模板"), column("右填模板", 100, "选择对应的边坡模板"),
         column("右挖模板", 100, "选择对应的边坡模板")};
}

void slopeAssignmentFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const SlopeAssignment& r = road->slopeAssignments[static_cast<std::size_t>(index)];
    auto names = slopeTemplateNames(*road);
    set(0, stationText(*road, r.station));
    set(1, nameAt(names, r.leftFill), true, names);
    set(2, nameAt(names, r.leftCut), true, names);
    set(3, nameAt(names, r.rightFill), true, names);
    set(4, nameAt(names, r.rightCut), true, names);
}

bool slopeAssignmentStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    SlopeAssignment& r = road->slopeAssignments[i];
    if (col == 0) {
        r.station = readStation(*road, text);
        return true;
    }
    const int t = choiceCode(text, slopeTemplateNames(*road));
    switch (col) {
        case 1: r.leftFill = t; return true;
        case 2: r.leftCut = t; return true;
        case 3: r.rightFill = t; return true;
        case 4: r.rightCut = t; return true;
    }
    return false;
}

void slopeAssignmentNewRow(GridRow& row, const Road& road) {
    for (int c = 1; c <= 4; ++c) row.cells[static_cast<std::size_t>(c)].choices = slopeTemplateNames(road);
}

void slopeTemplateRowColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("边坡类型", 100, "选择边坡的类型")};
    // The value captions follow the row type; the header shows those of the first row.
    int type = 0;
    if (road && validIndex(road->slopeTemplates, ctx.slopeTemplate)) {
        const auto& rows = road->slopeTemplates[static_cast<std::size_t>(ctx.slopeTemplate)].rows;
        if (!rows.empty()) type = rows.front().rowType;
    }
    auto caps = slopeValueCaptions(type);
    for (int k = 0; k < 5; ++k)
        c.push_back(column(caps[static_cast<std::size_t>(k)].empty() ? text::format("数值%d", k + 1)
                                                                     : caps[static_cast<std::size_t>(k)],
                           90));
}

void slopeTemplateRowFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const SlopeTemplateRow& r =
        road->slopeTemplates[static_cast<std::size_t>(ctx.slopeTemplate)].rows[static_cast<std::size_t>(index)];
    set(0, slopeRowTypeText(r.rowType), true, slopeTypeChoices());
    auto caps = slopeValueCaptions(r.rowType);
    for (int k = 0; k < 5; ++k) {
        bool used = !caps[static_cast<std::size_t>(k)].empty();
        set(k + 1, used ? fmt("%5.2f", r.values[static_cast<std::size_t>(k)]) : "", used);
        // The hint of a value: its caption, or the fuller text a value has
        // (a platform's slope says which sign goes which way).
        row.cells[static_cast<std::size_t>(k) + 1].hint =
            r.rowType == 0 && k == 1 ? std::string("输入平台的坡度(%), 路基侧高为-, 低为+")
                                     : caps[static_cast<std::size_t>(k)];
    }
}

bool slopeTemplateRowStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    SlopeTemplateRow& r = road->slopeTemplates[static_cast<std::size_t>(ctx.slopeTemplate)].rows[i];
    if (col == 0) {
        r.rowType = slopeTypeCode(text);
        return true;
    }
    // Only the values the row's type uses are typed.
    const auto caps = slopeValueCaptions(r.rowType);
    if (col < 1 || col > 5 || caps[static_cast<std::size_t>(col - 1)].empty()) return false;
    r.values[static_cast<std::size_t>(col - 1)] = n;
    return true;
}

void slopeTemplateRowNewRow(GridRow& row, const Road&) {
    row.cells[0].choices = slopeTypeChoices();
}

const DataTableKind kKinds[] = {
    {{tc::kPlates}, plateColumns, plateFill, plateStore, plateNewRow},
    {{tc::kWidthChanges, tc::kCrossfallChanges}, plateChangeColumns, nullptr, nullptr, nullptr},
    {{tc::kSlopeAssignments}, slopeAssignmentColumns, slopeAssignmentFill, slopeAssignmentStore, slopeAssignmentNewRow},
    {{tc::kSlopeTemplateRows}, slopeTemplateRowColumns, slopeTemplateRowFill, slopeTemplateRowStore, slopeTemplateRowNewRow},
};

}  // namespace

const DataTableKind* sectionTableKind(int code) { return findKind(kKinds, code); }

}  // namespace vornex::data_table_parts
