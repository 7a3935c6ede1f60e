// The route tables: control points, chain breaks, the plane alignment (intersection
// points or elements) and the grade points.
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

void controlPointColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("点名", 100, "1~12个字符"), column("坐标X(m)", 110, "输入控制点的X坐标值"),
         column("坐标Y(m)", 110, "输入控制点的Y坐标值"), column("高程(m)", 90, "输入控制点的高程"),
         column("备注", 120, "控制点的备注")};
}

void controlPointFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const ControlPoint& r = p.controlPoints[static_cast<std::size_t>(index)];
    set(0, r.name.utf8());
    set(1, fmt("%8.4f", r.x));
    set(2, fmt("%8.4f", r.y));
    set(3, fmt("%8.4f", r.h));
    set(4, r.note.utf8());
}

bool controlPointStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    ControlPoint& r = p.controlPoints[i];
    switch (col) {
        case 0: assignName(r.name, text); return true;
        case 1: r.x = n; return true;
        case 2: r.y = n; return true;
        case 3: r.h = n; return true;
        case 4: assignName(r.note, text); return true;
    }
    return false;
}

void chainBreakColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("开始桩号(m)", 110, "输入断链的开始桩号，用实数表示。如K123+456.789输入为123456.789"),
         column("结束桩号(m)", 110, "输入断链的结束桩号，用实数表示。如K123+456.789输入为123456.789"),
         column("断链描述", 150, "自动计算出来的断链值")};
}

void chainBreakFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const ChainBreak& r = road->chainBreaks[static_cast<std::size_t>(index)];
    set(0, fmt("%8.3f", r.startStation));
    set(1, fmt("%8.3f", r.endStation));
    set(2, chainBreakValueText(r), false);
}

bool chainBreakStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    ChainBreak& r = road->chainBreaks[i];
    // A design station as typed: the road's K-text or a number.
    if (col == 0) r.startStation = readDesignStation(*road, text);
    else if (col == 1) r.endStation = readDesignStation(*road, text);
    else return false;
    return true;
}

void chainBreakNewRow(GridRow& row, const Road&) {
    row.cells[2].editable = false;  // the break's value is computed
}

void intersectionPointColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("交点名", 90, "1~12个字符交点的名称"), column("坐标X(m)", 110, "输入交点的X坐标值"),
         column("坐标Y(m)", 110, "输入交点的Y坐标值"), column("前缓长度(m)", 90, "输入第一缓和曲线的长度"),
         column("圆半径(m)", 90, "输入该交点所控制曲线的圆曲线半径，-1为与下一交点构成虚交曲线"),
         column("后缓长度(m)", 90, "输入第二缓和曲线的长度"),
         column("起点半径(m)", 90, "输入第一缓和曲线起点的半径，直线为0，负值为回旋参数A"),
         column("终点半径(m)", 90, "输入第二缓和曲线终点的半径，直线为0，负值为回旋参数A")};
}

void intersectionPointFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const IntersectionPoint& r = road->intersectionPoints[static_cast<std::size_t>(index)];
    set(0, r.name.utf8());
    set(1, fmt("%8.4f", r.x));
    set(2, fmt("%8.4f", r.y));
    // The start point carries no curve. The last row takes the curve of
    // the point it becomes once a later row is typed, so its curve cells
    // take input like the middle rows' (shown only where not 0, the end
    // point showing name and coordinates alone until a curve is typed).
    auto nz = [](double v) { return v == 0 ? std::string() : fmt("%8.3f", v); };
    if (index == 0) {
        for (int c = 3; c < 8; ++c) set(c, "", false);
    } else {
        const bool last = index == count - 1;
        set(3, nz(r.spiralIn));
        set(4, last ? nz(r.radius) : fmt("%8.3f", r.radius));
        set(5, nz(r.spiralOut));
        set(6, nz(r.startRadius));
        set(7, nz(r.endRadius));
    }
}

bool intersectionPointStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    IntersectionPoint& r = road->intersectionPoints[i];
    switch (col) {
        case 0: assignName(r.name, text); return true;
        case 1: r.x = n; return true;
        case 2: r.y = n; return true;
        case 3: r.spiralIn = std::fabs(n); return true;
        case 4: r.radius = n; return true;
        case 5: r.spiralOut = std::fabs(n); return true;
        case 6: r.startRadius = n; return true;
        case 7: r.endRadius = n; return true;
    }
    return false;
}

void elementColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("长度(m)", 100, "输入线元的长度"), column("线型", 80, "选择线元的线型，左转或右转决定半径的方向"),
         column("开始半径(m)", 100, "输入线元的开始半径，直线为0"),
         column("结束半径(m)", 100, "输入线元的结束半径，直线为0")};
}

void elementFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const AlignmentElement& r = road->elements[static_cast<std::size_t>(index)];
    // Radii unsigned; the turn shows in 线型, which is chosen like a value.
    set(0, fmt("%8.3f", r.length));
    set(1, elementTypeText(r.startRadius, r.endRadius), true, elementTypeChoices());
    bool straight = r.startRadius == 0 && r.endRadius == 0;
    set(2, straight ? "" : fmt("%8.3f", std::fabs(r.startRadius)));
    set(3, straight ? "" : fmt("%8.3f", std::fabs(r.endRadius)));
}

bool elementStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    AlignmentElement& r = road->elements[i];
    if (col == 0) {
        r.length = n;
        return true;
    }
    if (col == 1) {
        // 线型: the turn becomes the sign of both radii; a straight has none,
        // a circle one radius for both ends.
        const int type = choiceCode(text, elementTypeChoices());
        double a = std::fabs(r.startRadius), b = std::fabs(r.endRadius);
        if (type == 0) {
            a = b = 0;
        } else if (type >= 3) {
            a = b = a != 0 ? a : b;
        }
        const double s = type == 1 || type == 3 ? -1.0 : 1.0;
        r.startRadius = withSign(a, s);
        r.endRadius = withSign(b, s);
        return true;
    }
    if (col == 2 || col == 3) {
        // Typed without sign, the turn coming from the row's 线型 (on a
        // straight the other radius's, else a right turn); a typed sign,
        // as the earlier signed entries carried it, is kept.
        double v = n;
        if (v > 0) {
            int turn = shownTurn(cellText(row, 1));
            const double other = col == 2 ? r.endRadius : r.startRadius;
            if (turn == 0) turn = other < 0 ? -1 : 1;
            v = withSign(v, turn);
        }
        (col == 2 ? r.startRadius : r.endRadius) = v;
        return true;
    }
    return false;
}

void elementNewRow(GridRow& row, const Road&) {
    row.cells[1].choices = elementTypeChoices();
}

void gradePointColumns(const ColumnsCall& call) {
    const auto& [c, code, road, ctx] = call;
    c = {column("变坡点桩号(m)", 110, "输入竖曲线变坡点的桩号，实数输入，如在长链中前面加“+”"),
         column("变坡点高程(m)", 110, "输入变坡点的高程"), column("竖曲线半径(m)", 110, "输入竖曲线的曲线半径")};
}

void gradePointFill(const FillCall& call) {
    const auto& [row, code, road, p, ctx, index, count] = call;
    auto set = [&call](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(call.row, col, std::move(t), editable && call.ctx.editable, ch);
    };
    const GradePoint& r = road->gradePoints[static_cast<std::size_t>(index)];
    set(0, stationText(*road, r.station));
    set(1, fmt("%8.4f", r.elevation));
    set(2, fmt("%8.3f", r.verticalRadius));
}

bool gradePointStore(const StoreCall& call) {
    const auto& [p, road, code, ctx, i, col, text, n, row] = call;
    GradePoint& r = road->gradePoints[i];
    switch (col) {
        case 0: r.station = readStation(*road, text); return true;
        case 1: r.elevation = n; return true;
        case 2: r.verticalRadius = n; return true;
    }
    return false;
}

const DataTableKind kKinds[] = {
    {{tc::kControlPoints}, controlPointColumns, controlPointFill, controlPointStore, nullptr},
    {{tc::kChainBreaks}, chainBreakColumns, chainBreakFill, chainBreakStore, chainBreakNewRow},
    {{tc::kIntersectionPoints}, intersectionPointColumns, intersectionPointFill, intersectionPointStore, nullptr},
    {{tc::kElements}, elementColumns, elementFill, elementStore, elementNewRow},
    {{tc::kGradePoints}, gradePointColumns, gradePointFill, gradePointStore, nullptr},
};

}  // namespace

const DataTableKind* routeTableKind(int code) { return findKind(kKinds, code); }

}  // namespace vornex::data_table_parts
