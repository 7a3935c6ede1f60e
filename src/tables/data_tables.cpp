#include "tables/data_tables.h"
#include "tables/data_table_parts.h"
#include "tables/locked_cells.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <type_traits>

#include "document/edits.h"
#include "geometry/angles.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "model/field_rules.h"
#include "model/record_store.h"
#include "text/text.h"

namespace vornex {
namespace tc = table_code;

namespace data_table_parts {

// ---- choice texts --------------------------------------------------------------

// Slope-template row types offered in the type combo, in code order.
std::vector<std::string> slopeTypeChoices() {
    std::vector<std::string> out;
    for (int c : slopeRowTypeCodes()) out.push_back(slopeRowTypeText(c));
    return out;
}

int slopeTypeCode(const std::string& t) {
    for (int c : slopeRowTypeCodes())
        if (slopeRowTypeText(c) == t) return c;
    return 0;
}

const std::vector<std::string>& pileModeChoices() {
    static const std::vector<std::string> choices = {pileModeText(0), pileModeText(1)};
    return choices;
}

const std::vector<std::string>& methodChoices() {
    static const std::vector<std::string> choices = {structureMethodText(1), structureMethodText(0)};
    return choices;
}

// 线型 of an element as the table offers it: the type and the turn in one.
const std::vector<std::string>& elementTypeChoices() {
    static const std::vector<std::string> choices = {"直线", "左转缓", "右转缓", "左转圆", "右转圆"};
    return choices;
}

// Transitions offered in a change table's combo: the three shown in the table.
std::vector<std::string> transitionComboChoices() {
    const auto& all = transitionChoices();
    return std::vector<std::string>(all.begin(), all.begin() + std::min<std::size_t>(3, all.size()));
}

// ---- cell text -----------------------------------------------------------------

std::string fmt(const char* f, double v) { return text::format(f, v); }

// A number as typed: the leading decimal number of the cell, 0 when the cell is
// empty or holds none; a value that does not fit a double reads as 0 as well.
double readNumber(const std::string& s) { return *readTypedNumber(s, NumberText::Leading); }

bool isBlank(const std::string& s) { return text::trim(s).empty(); }

double readStation(const Road& road, const std::string& s) {
    double c = isBlank(s) ? kNoValue : toContinuousChainage(road, s);
    if (c == kNoValue || !std::isfinite(c)) c = toContinuousChainage(road, 0.0, false);
    return c;
}

// A design station typed into a chain-break cell (stored as typed, not
// converted): the road's K-text, or a number read as every number cell reads it.
double readDesignStation(const Road& road, const std::string& s) {
    TypedStation typed;
    return parseKilometreText(road, s, typed) ? typed.station : readNumber(s);
}

// Plain station text of the data tables: typed back as a real number, "+" kept.
std::string stationText(const Road& road, double c) { return formatStation(road, c, false); }

// A DMS angle cell as typed: packed 度.分秒 to degrees.
double readDms(const std::string& s) { return dmsToDegrees(readNumber(s)); }

// ---- grid helpers --------------------------------------------------------------

GridColumn column(const std::string& caption, int width, const std::string& hint = {}) {
    GridColumn c;
    c.caption = caption;
    c.width = width;
    c.hint = hint;
    return c;
}

void setCell(GridRow& row, int col, std::string textValue, bool editable,
             const std::vector<std::string>& choices = {}) {
    GridCell& c = row.cells.at(static_cast<std::size_t>(col));
    c.text = std::move(textValue);
    c.editable = editable;
    c.choices = choices;
}

const std::string& cellText(const GridRow& r, int col) {
    static const std::string empty;
    if (col < 0 || col >= static_cast<int>(r.cells.size())) return empty;
    return r.cells[static_cast<std::size_t>(col)].text;
}

const std::string& cellText(const Grid& grid, int row, int col) {
    static const std::string empty;
    if (row < 0 || row >= grid.rowCount()) return empty;
    const GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    if (col < 0 || col >= static_cast<int>(r.cells.size())) return empty;
    return r.cells[static_cast<std::size_t>(col)].text;
}

bool isContourCode(int code) {
    return code == tc::kExcavationContour || code == tc::kPrimaryContour || code == tc::kSecondaryContour;
}
bool isChangeCode(int code) { return code == tc::kWidthChanges || code == tc::kCrossfallChanges; }
bool hasSideSelector(int code) { return code == tc::kPlates || isContourCode(code); }

// Side of a contour element: the sign of its radius (left half negative, the
// "not given" marker -1e18 of a left straight included).
int contourSide(const ContourElement& e) { return e.radius < 0 ? 1 : 2; }

// ---- table builders --------------------------------------------------------------

std::vector<std::string> slopeTemplateNames(const Road& road) {
    std::vector<std::string> names;
    for (const SlopeTemplate& t : road.slopeTemplates) names.push_back(t.name.utf8());
    return names;
}

std::vector<std::string> tunnelTemplateNames(const Road& road) {
    std::vector<std::string> names;
    for (const TunnelTemplate& t : road.tunnelTemplates) names.push_back(t.name.utf8());
    return names;
}

std::string nameAt(const std::vector<std::string>& names, int i) {
    return (i >= 0 && i < static_cast<int>(names.size())) ? names[static_cast<std::size_t>(i)] : std::string();
}

// Text of a value cell that is left empty when the value was never given.
std::string optional(const char* f, double v) { return v == kNoValue || v == -kNoValue ? std::string() : fmt(f, v); }

void columnsFor(Grid& g, int code, const Road* road, const RoadProject& p, const DataTableContext& ctx) {
    const char* kStationHintTail = "，实数输入，如在长链中前面加“+”";
    auto& c = g.columns;
    switch (code) {
        case tc::kControlPoints:
            c = {column("点名", 100, "1~12个字符"), column("坐标X(m)", 110, "输入控制点的X坐标值"),
                 column("坐标Y(m)", 110, "输入控制点的Y坐标值"), column("高程(m)", 90, "输入控制点的高程"),
                 column("备注", 120, "控制点的备注")};
            break;
        case tc::kChainBreaks:
            c = {column("开始桩号(m)", 110, "输入断链的开始桩号，用实数表示。如K123+456.789输入为123456.789"),
                 column("结束桩号(m)", 110, "输入断链的结束桩号，用实数表示。如K123+456.789输入为123456.789"),
                 column("断链描述", 150, "自动计算出来的断链值")};
            break;
        case tc::kIntersectionPoints:
            c = {column("交点名", 90, "1~12个字符交点的名称"), column("坐标X(m)", 110, "输入交点的X坐标值"),
                 column("坐标Y(m)", 110, "输入交点的Y坐标值"), column("前缓长度(m)", 90, "输入第一缓和曲线的长度"),
                 column("圆半径(m)", 90, "输入该交点所控制曲线的圆曲线半径，-1为与下一交点构成虚交曲线"),
                 column("后缓长度(m)", 90, "输入第二缓和曲线的长度"),
                 column("起点半径(m)", 90, "输入第一缓和曲线起点的半径，直线为0，负值为回旋参数A"),
                 column("终点半径(m)", 90, "输入第二缓和曲线终点的半径，直线为0，负值为回旋参数A")};
            break;
        case tc::kElements:
            c = {column("长度(m)", 100, "输入线元的长度"), column("线型", 80, "选择线元的线型，左转或右转决定半径的方向"),
                 column("开始半径(m)", 100, "输入线元的开始半径，直线为0"),
                 column("结束半径(m)", 100, "输入线元的结束半径，直线为0")};
            break;
        case tc::kGradePoints:
            c = {column("变坡点桩号(m)", 110, "输入竖曲线变坡点的桩号，实数输入，如在长链中前面加“+”"),
                 column("变坡点高程(m)", 110, "输入变坡点的高程"), column("竖曲线半径(m)", 110, "输入竖曲线的曲线半径")};
            break;
        case tc::kPlates:
            c = {column("板块类型", 100, "选择板块的类型"), column("宽度(m)", 80, "输入道路的板块宽度"),
                 column("横坡%", 80, "输入道路的板块横坡，从中间向两边计算"),
                 column("结构层厚(m)", 90, "输入道路的板块结构层厚度"),
                 column("道牙高(m)", 90, "输入道路的板块道牙高度，即本板块与下一板块的高差")};
            break;
        case tc::kWidthChanges:
        case tc::kCrossfallChanges: {
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
            break;
        }
        case tc::kExcavationContour:
        case tc::kPrimaryContour:
        case tc::kSecondaryContour:
            c = {column("平距(m)", 90, "与上一点的相对水平距离，左 (-) 右 (+) "),
                 column("高差(m)", 90, "与上一点的相对高差，下 (-) 上 (+) "),
                 column("半径(m)", 90, "圆弧拱元的半径"),
                 column("圆心角(度.分秒)", 120,
                        "圆弧拱元的圆心角，不输或0为根据平距和高差进行计算，-1为根据平距和高差进行计算且圆心角大于180度")};
            break;
        case tc::kBlastHoles:
            c = {column("点名", 90, "炮眼点的名称"), column("偏移(m)", 90, "与隧道中线的水平偏移，左 (-) 右 (+) "),
                 column("高差(m)", 90, "与高程设计线的高差")};
            break;
        case tc::kTunnelSlopeRules:
            c = {column("坡度1:n", 90, "输入路面横坡1:n"), column("隧道模板", 110, "请选择对应坡度的隧道模板")};
            break;
        case tc::kTunnelStationRules:
            c = {column("桩号", 110, "输入隧道模板变化点的桩号"), column("变化形式", 100, "选择隧道断面的变化形式"),
                 column("隧道模板", 110, "选择该桩号的隧道模板")};
            break;
        case tc::kSlopeAssignments:
            c = {column("桩号", 110, "输入边坡开始的桩号"), column("左填模板", 100, "选择对应的边坡模板"),
                 column("左挖模板", 100, "选择对应的边坡模板"), column("右填模板", 100, "选择对应的边坡模板"),
                 column("右挖模板", 100, "选择对应的边坡模板")};
            break;
        case tc::kSlopeTemplateRows: {
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
            break;
        }
        case tc::kPiles:
            c = {column("桩柱编号", 90, "桩柱的编号"), column("坐标方式", 90, "选择桩柱的坐标方式"),
                 column("纵向坐标X(m)", 110, "相对坐标时为与墩台轴线的垂直距离，绝对坐标时为X坐标"),
                 column("横向坐标Y(m)", 110, "相对坐标时为沿墩台轴线与线路中线交点的距离，绝对坐标时为Y坐标"),
                 column("高程(m)", 90, "桩顶或其它高程，不参与计算")};
            break;
        case tc::kStructures:
            c = {column("桩号(m)", 110, std::string("输入结构物所在的桩号") + kStationHintTail),
                 column("构筑物类型", 90, "选择构筑物的类型"),
                 column("做 法", 90, "输入结构物的做法，斜做即平行四边形做法，正做即长方形做法"),
                 column("夹角(度.分秒)", 110, "线路前进方向顺时针至结构物轴线的夹角"),
                 column("宽度(m)", 90, "输入结构物的全宽，只支持轴线在结构物中间的形式"),
                 column("左侧长度(m)", 90, "结构物在中线左侧的长度"), column("右侧长度(m)", 90, "结构物在中线右侧的长度"),
                 column("中心点高程(m)", 100, "结构物轴线与中线交点的高程"), column("横坡(%)", 80, "结构物轴线从左至右的横坡")};
            break;
        default: break;
    }
    (void)p;
}

// Key of a change-table row: the station in whole millimetres (truncated).
std::int64_t stationKey(double station) {
    double k = std::trunc(station * 1000.0);
    if (!(k > -9.0e18 && k < 9.0e18)) return 0;
    return static_cast<std::int64_t>(k);
}

// Plate index of each plate column of a change table (columns 2 on).
std::vector<int> changeColumns(const Road& road) {
    std::vector<int> left, right;
    for (int i = 0; i < static_cast<int>(road.plates.size()); ++i)
        (road.plates[static_cast<std::size_t>(i)].side == 1 ? left : right).push_back(i);
    std::vector<int> cols(left.rbegin(), left.rend());
    cols.insert(cols.end(), right.begin(), right.end());
    return cols;
}

void buildChangeTable(Grid& g, const Road& road, bool width, bool editable) {
    const std::vector<int> cols = changeColumns(road);
    const auto& list = width ? road.widthChanges : road.crossfallChanges;
    const std::vector<std::string> comboTransitions = transitionComboChoices();

    GridRow& standard = g.addRow(-1);
    setCell(standard, 0, width ? "标准断面宽度" : "标准断面坡度", false);
    for (std::size_t k = 0; k < cols.size(); ++k) {
        const auto& pl = road.plates[static_cast<std::size_t>(cols[k])];
        setCell(standard, static_cast<int>(k) + 2, fmt("%7.2f", width ? pl.width : pl.crossfall), false);
    }

    // Rows keyed by station in whole millimetres, ascending.
    std::vector<std::int64_t> keys;
    std::vector<GridRow> rows;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        const PlateChange& ch = list[static_cast<std::size_t>(i)];
        auto colIt = std::find(cols.begin(), cols.end(), ch.plateIndex);
        std::int64_t key = stationKey(ch.station);
        auto pos = std::lower_bound(keys.begin(), keys.end(), key);
        std::size_t r = static_cast<std::size_t>(pos - keys.begin());
        if (pos == keys.end() || *pos != key) {
            keys.insert(pos, key);
            GridRow row;
            row.cells.resize(g.columns.size());
            row.recordIndex = i;
            setCell(row, 0, stationText(road, ch.station), editable);
            setCell(row, 1, transitionText(ch.transition), editable, comboTransitions);
            for (std::size_t k = 0; k < cols.size(); ++k) setCell(row, static_cast<int>(k) + 2, "", editable);
            rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(r), std::move(row));
        }
        if (colIt == cols.end()) continue;  // names no plate: not shown
        GridCell& cell = rows[r].cells[static_cast<std::size_t>(colIt - cols.begin()) + 2];
        cell.text = fmt("%7.2f", ch.value);
        cell.recordIndex = i;
    }
    for (auto& row : rows) g.rows.push_back(std::move(row));
    if (editable) {
        GridRow& empty = g.addRow(-1);
        setCell(empty, 0, "", true);
        setCell(empty, 1, "", true, comboTransitions);
        for (std::size_t k = 0; k < cols.size(); ++k) setCell(empty, static_cast<int>(k) + 2, "", true);
    }
}

// Fills one row of the table (the record's texts and editability).
void fillRow(GridRow& row, int code, const Road* road, const RoadProject& p, const DataTableContext& ctx, int index,
             int count) {
    auto set = [&](int col, std::string t, bool editable = true, const std::vector<std::string>& ch = {}) {
        setCell(row, col, std::move(t), editable && ctx.editable, ch);
    };
    switch (code) {
        case tc::kControlPoints: {
            const ControlPoint& r = p.controlPoints[static_cast<std::size_t>(index)];
            set(0, r.name.utf8());
            set(1, fmt("%8.4f", r.x));
            set(2, fmt("%8.4f", r.y));
            set(3, fmt("%8.4f", r.h));
            set(4, r.note.utf8());
            break;
        }
        case tc::kChainBreaks: {
            const ChainBreak& r = road->chainBreaks[static_cast<std::size_t>(index)];
            set(0, fmt("%8.3f", r.startStation));
            set(1, fmt("%8.3f", r.endStation));
            set(2, chainBreakValueText(r), false);
            break;
        }
        case tc::kIntersectionPoints: {
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
            break;
        }
        case tc::kElements: {
            const AlignmentElement& r = road->elements[static_cast<std::size_t>(index)];
            // Radii unsigned; the turn shows in 线型, which is chosen like a value.
            set(0, fmt("%8.3f", r.length));
            set(1, elementTypeText(r.startRadius, r.endRadius), true, elementTypeChoices());
            bool straight = r.startRadius == 0 && r.endRadius == 0;
            set(2, straight ? "" : fmt("%8.3f", std::fabs(r.startRadius)));
            set(3, straight ? "" : fmt("%8.3f", std::fabs(r.endRadius)));
            break;
        }
        case tc::kGradePoints: {
            const GradePoint& r = road->gradePoints[static_cast<std::size_t>(index)];
            set(0, stationText(*road, r.station));
            set(1, fmt("%8.4f", r.elevation));
            set(2, fmt("%8.3f", r.verticalRadius));
            break;
        }
        case tc::kPlates: {
            const CrossSectionPlate& r = road->plates[static_cast<std::size_t>(index)];
            set(0, plateTypeText(r.plateType), true, plateTypeChoices());
            set(1, fmt("%5.2f", r.width));
            set(2, fmt("%5.2f", r.crossfall));
            set(3, fmt("%5.2f", r.layerThickness));
            set(4, fmt("%5.2f", r.curbHeight));
            break;
        }
        case tc::kExcavationContour:
        case tc::kPrimaryContour:
        case tc::kSecondaryContour: {
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
            break;
        }
        case tc::kBlastHoles: {
            const BlastHole& r =
                road->tunnels[static_cast<std::size_t>(road->currentTunnel)].blastHoles[static_cast<std::size_t>(index)];
            set(0, r.name.utf8());
            set(1, fmt("%8.4f", r.offset));
            set(2, fmt("%8.4f", r.heightDifference));
            break;
        }
        case tc::kTunnelSlopeRules: {
            const TunnelSlopeRule& r =
                road->tunnels[static_cast<std::size_t>(road->currentTunnel)].slopeRules[static_cast<std::size_t>(index)];
            auto names = tunnelTemplateNames(*road);
            set(0, fmt("%7.2f", r.gradient));
            set(1, nameAt(names, r.templateIndex), true, names);
            break;
        }
        case tc::kTunnelStationRules: {
            const TunnelStationRule& r =
                road->tunnels[static_cast<std::size_t>(road->currentTunnel)].stationRules[static_cast<std::size_t>(index)];
            auto names = tunnelTemplateNames(*road);
            set(0, stationText(*road, r.station));
            set(1, stationRuleFormText(r.changeForm), true, stationRuleFormChoices());
            set(2, nameAt(names, r.templateIndex), true, names);
            break;
        }
        case tc::kSlopeAssignments: {
            const SlopeAssignment& r = road->slopeAssignments[static_cast<std::size_t>(index)];
            auto names = slopeTemplateNames(*road);
            set(0, stationText(*road, r.station));
            set(1, nameAt(names, r.leftFill), true, names);
            set(2, nameAt(names, r.leftCut), true, names);
            set(3, nameAt(names, r.rightFill), true, names);
            set(4, nameAt(names, r.rightCut), true, names);
            break;
        }
        case tc::kSlopeTemplateRows: {
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
            break;
        }
        case tc::kPiles: {
            const Pile& r = road->bridges[static_cast<std::size_t>(road->currentBridge)]
                                .piers[static_cast<std::size_t>(road->currentPier)]
                                .piles[static_cast<std::size_t>(index)];
            set(0, r.name.utf8());
            set(1, pileModeText(r.coordMode), true, pileModeChoices());
            set(2, fmt("%8.4f", r.along));
            set(3, fmt("%8.4f", r.across));
            set(4, fmt("%8.3f", r.elevation));
            break;
        }
        case tc::kStructures: {
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
            break;
        }
        default: break;
    }
}

// Whether record `index` of table `code` belongs to the shown side.
bool onShownSide(const RoadProject& p, int code, const DataTableContext& ctx, int index) {
    if (!hasSideSelector(code)) return true;
    const Road* road = roadAt(p, ctx.road);
    if (!road) return false;
    if (code == tc::kPlates) return road->plates[static_cast<std::size_t>(index)].side == ctx.side;
    if (isContourCode(code)) {
        auto& list = *contourList(const_cast<Road*>(road)->tunnelTemplates[static_cast<std::size_t>(ctx.tunnelTemplate)], code);
        return contourSide(list[static_cast<std::size_t>(index)]) == ctx.side;
    }
    return true;
}

// Record indices shown by the table, in row order.
std::vector<int> shownRecords(const RoadProject& p, int code, const DataTableContext& ctx) {
    std::vector<int> out;
    int n = listSize(p, code, ctx);
    for (int i = 0; i < n; ++i)
        if (onShownSide(p, code, ctx, i)) out.push_back(i);
    return out;
}

// ---- storing cells -------------------------------------------------------------------

void assignName(Name12& name, const std::string& utf8) { name.assignUtf8(utf8); }

bool isSortedCode(int code) { return code == tc::kChainBreaks || code == tc::kSlopeAssignments; }

// Edits whose effect reaches beyond their own list: derived alignment records,
// the station texts of every table, the plate columns of the change tables.
bool editChangesEverything(int code) {
    return isAlignmentCode(code) || code == tc::kChainBreaks || code == tc::kPlates;
}

// A value that builds up a magnitude with a sign, keeping a zero a plain zero.
double withSign(double magnitude, double sign) { return magnitude == 0 ? 0.0 : sign * magnitude; }

// A contour radius (typed without sign) stored on side `side`: the left half
// negative. A straight on the left half (radius empty or 0) keeps the "not given"
// marker with the left half's sign, -1e18, so that it stays on its half.
double sidedRadius(double magnitude, int side) {
    if (side != 1) return magnitude;
    if (magnitude == 0 || magnitude == kNoValue) return -kNoValue;
    return -magnitude;
}

// Turn of an element row as its 线型 cell shows it: -1 left, +1 right, 0 none (a straight).
int shownTurn(const std::string& typeText) {
    if (typeText.rfind("左", 0) == 0) return -1;
    if (typeText.rfind("右", 0) == 0) return 1;
    return 0;
}

// Text that record `index` shows in column `col` (as the table shows it).
std::string shownText(const RoadProject& p, int code, const DataTableContext& ctx, int index, int col) {
    GridRow row;
    row.cells.resize(16);
    fillRow(row, code, roadAt(p, ctx.road), p, ctx, index, listSize(p, code, ctx));
    return col >= 0 && col < static_cast<int>(row.cells.size()) ? row.cells[static_cast<std::size_t>(col)].text
                                                                  : std::string();
}

// Stores the text of one cell into the field it shows of record `index`; `row`
// is the grid row as shown or edited (an element's 线型 gives the turn of a typed
// radius). False when the column shows no field.
bool storeField(RoadProject& p, int code, const DataTableContext& ctx, int index, int col, const std::string& text,
                const GridRow& row) {
    Road* road = roadAt(p, ctx.road);
    const auto i = static_cast<std::size_t>(index);
    const double n = readNumber(text);
    switch (code) {
        case tc::kControlPoints: {
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
        case tc::kChainBreaks: {
            ChainBreak& r = road->chainBreaks[i];
            // A design station as typed: the road's K-text or a number.
            if (col == 0) r.startStation = readDesignStation(*road, text);
            else if (col == 1) r.endStation = readDesignStation(*road, text);
            else return false;
            return true;
        }
        case tc::kIntersectionPoints: {
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
        case tc::kElements: {
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
        case tc::kGradePoints: {
            GradePoint& r = road->gradePoints[i];
            switch (col) {
                case 0: r.station = readStation(*road, text); return true;
                case 1: r.elevation = n; return true;
                case 2: r.verticalRadius = n; return true;
            }
            return false;
        }
        case tc::kPlates: {
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
        case tc::kExcavationContour:
        case tc::kPrimaryContour:
        case tc::kSecondaryContour: {
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
        case tc::kBlastHoles: {
            BlastHole& r = road->tunnels[static_cast<std::size_t>(road->currentTunnel)].blastHoles[i];
            switch (col) {
                case 0: assignName(r.name, text); return true;
                case 1: r.offset = n; return true;
                case 2: r.heightDifference = n; return true;
            }
            return false;
        }
        case tc::kTunnelSlopeRules: {
            TunnelSlopeRule& r = road->tunnels[static_cast<std::size_t>(road->currentTunnel)].slopeRules[i];
            if (col == 0) r.gradient = n;
            else if (col == 1) r.templateIndex = choiceCode(text, tunnelTemplateNames(*road));
            else return false;
            return true;
        }
        case tc::kTunnelStationRules: {
            TunnelStationRule& r = road->tunnels[static_cast<std::size_t>(road->currentTunnel)].stationRules[i];
            switch (col) {
                case 0: r.station = readStation(*road, text); return true;
                case 1: r.changeForm = stationRuleFormCode(text); return true;
                case 2: r.templateIndex = choiceCode(text, tunnelTemplateNames(*road)); return true;
            }
            return false;
        }
        case tc::kSlopeAssignments: {
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
        case tc::kSlopeTemplateRows: {
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
        case tc::kPiles: {
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
        case tc::kStructures: {
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
        default: return false;
    }
}

// Order in which the cells of one row are stored: an element's radii before its
// 线型, so that a circle typed as "左转圆" with one radius gets it at both ends.
int storeOrder(int code, int col) { return code == tc::kElements && col == 1 ? 99 : col; }

void sortWrites(int code, std::vector<CellWrite>& writes) {
    std::stable_sort(writes.begin(), writes.end(), [code](const CellWrite& a, const CellWrite& b) {
        if (a.row != b.row) return a.row < b.row;
        return storeOrder(code, a.col) < storeOrder(code, b.col);
    });
}

void storeListCells(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes,
                    Outcome& out) {
    const int code = grid.code;
    if (!listExists(p, code, ctx)) return;
    sortWrites(code, writes);
    std::map<int, int> added;  // grid row -> the record typed into it
    for (const CellWrite& w : writes) {
        if (w.row < 0 || w.row >= grid.rowCount()) continue;
        const GridRow& row = grid.rows[static_cast<std::size_t>(w.row)];
        if (w.col < 0 || w.col >= static_cast<int>(row.cells.size())) continue;
        if (!row.cells[static_cast<std::size_t>(w.col)].editable) continue;  // shows no typed field here
        int index = row.recordIndex;
        bool isNew = false;
        if (index < 0) {
            if (auto it = added.find(w.row); it != added.end()) {
                index = it->second;
            } else {
                if (isBlank(w.text)) continue;  // nothing typed: no record
                index = insertDefault(p, code, ctx, listSize(p, code, ctx));
                if (index < 0) continue;
                added[w.row] = index;
                out.structural = true;
                out.touched(index);
            }
            isNew = true;
        } else if (index >= listSize(p, code, ctx)) {
            continue;  // the record is gone: skip the cell
        }
        if (!isNew && w.text == shownText(p, code, ctx, index, w.col)) continue;  // unchanged
        // A text that gives the value already stored (an emptied 0) changes nothing.
        bool changed = false;
        visitList(p, code, ctx, [&](auto& v) {
            const auto before = v[static_cast<std::size_t>(index)];
            if (storeField(p, code, ctx, index, w.col, w.text, row)) changed = !(v[static_cast<std::size_t>(index)] == before);
        });
        if (changed || isNew) out.touched(index);
    }
}

// Records a change-table row shows: those of its plate cells, and the change it
// stands for when that names no plate column.
std::vector<int> changeRowRecords(const GridRow& row, int listSize) {
    std::vector<int> out;
    for (std::size_t c = 2; c < row.cells.size(); ++c)
        if (row.cells[c].recordIndex >= 0 && row.cells[c].recordIndex < listSize) out.push_back(row.cells[c].recordIndex);
    if (row.recordIndex >= 0 && row.recordIndex < listSize &&
        std::find(out.begin(), out.end(), row.recordIndex) == out.end())
        out.push_back(row.recordIndex);
    return out;
}

// Width- and crossfall-change cells: a station or transition cell applies to
// every change of its row; a plate cell updates, removes (emptied) or adds that
// plate's change at the row's station. Removals wait until every cell is stored
// so that the record indices the grid holds stay valid meanwhile; then the list
// is ordered and the plates' links rebuilt.
void storeChangeCells(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes,
                      Outcome& out) {
    Road* road = roadAt(p, ctx.road);
    if (!road) return;
    const int code = grid.code;
    auto& list = code == tc::kWidthChanges ? road->widthChanges : road->crossfallChanges;
    const std::vector<int> cols = changeColumns(*road);
    sortWrites(code, writes);
    std::vector<int> removals;
    std::map<int, std::vector<int>> added;  // grid row -> changes appended for it
    int firstRow = -1;
    for (const CellWrite& w : writes) {
        if (w.row <= 0 || w.row >= grid.rowCount()) continue;  // row 0: the standard cross-section
        const GridRow& row = grid.rows[static_cast<std::size_t>(w.row)];
        if (w.col < 0 || w.col >= static_cast<int>(row.cells.size())) continue;
        std::vector<int> records = changeRowRecords(row, static_cast<int>(list.size()));
        for (int a : added[w.row]) records.push_back(a);
        const bool blank = isBlank(w.text);
        bool stored = false;
        if (w.col == 0 || w.col == 1) {
            if (records.empty()) continue;  // taken when the row's first value is typed
            const PlateChange& shown = list[static_cast<std::size_t>(records.front())];
            const std::string now = w.col == 0 ? stationText(*road, shown.station) : transitionText(shown.transition);
            if (w.text == now) continue;
            const double station = readStation(*road, w.text);
            const int transition = choiceCode(w.text, transitionChoices());
            for (int r : records) {
                PlateChange& c = list[static_cast<std::size_t>(r)];
                if (w.col == 0) c.station = station;
                else c.transition = transition;
            }
            stored = true;
        } else {
            const std::size_t k = static_cast<std::size_t>(w.col - 2);
            if (k >= cols.size()) continue;
            const int record = row.cells[static_cast<std::size_t>(w.col)].recordIndex;
            if (validIndex(list, record)) {
                if (blank) {
                    removals.push_back(record);
                    out.structural = true;
                } else if (w.text != fmt("%7.2f", list[static_cast<std::size_t>(record)].value)) {
                    list[static_cast<std::size_t>(record)].value = readNumber(w.text);
                } else {
                    continue;
                }
                stored = true;
            } else if (!blank) {
                // A new change at the row's station, with its transition: those of
                // the row's changes, or as typed into a row that has none yet.
                PlateChange c;
                if (!records.empty()) {
                    const PlateChange& sibling = list[static_cast<std::size_t>(records.front())];
                    c.station = sibling.station;
                    c.transition = sibling.transition;
                } else {
                    c.station = readStation(*road, cellText(grid, w.row, 0));
                    c.transition = choiceCode(cellText(grid, w.row, 1), transitionChoices());
                }
                c.plateIndex = cols[k];
                c.value = readNumber(w.text);
                list.push_back(c);
                added[w.row].push_back(static_cast<int>(list.size()) - 1);
                out.structural = true;
                stored = true;
            }
        }
        if (!stored) continue;
        out.stored = true;
        if (firstRow < 0) firstRow = w.row;
    }
    if (!out.stored) return;
    // The station the first row edited ends at, to find it again once ordered.
    if (firstRow >= 0) {
        std::vector<int> records = changeRowRecords(grid.rows[static_cast<std::size_t>(firstRow)], static_cast<int>(list.size()));
        for (int a : added[firstRow]) records.push_back(a);
        for (int r : records)
            if (std::find(removals.begin(), removals.end(), r) == removals.end()) {
                out.station = list[static_cast<std::size_t>(r)].station;
                break;
            }
    }
    std::sort(removals.rbegin(), removals.rend());
    removals.erase(std::unique(removals.begin(), removals.end()), removals.end());
    for (int i : removals)
        if (validIndex(list, i)) list.erase(list.begin() + i);
    if (code == tc::kWidthChanges) rebuildWidthLinks(*road);
    else rebuildCrossfallLinks(*road);
    if (out.station != kNoValue)
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].station == out.station) {
                out.first = static_cast<int>(i);
                break;
            }
}

// Ends a command: orders the lists kept by station (following the edited
// record), recomputes the alignment and tells the context what changed.
DataEdit finishEdit(RoadProject& p, const DataTableContext& ctx, int code, Outcome& out) {
    DataEdit edit;
    if (!out.stored) return edit;
    edit.stored = true;
    edit.record = out.first;
    Road* road = roadAt(p, ctx.road);
    if (road && isSortedCode(code)) {
        std::vector<int> order;
        if (code == tc::kChainBreaks) sortChainBreaks(*road, &order);
        else sortSlopeAssignments(*road, &order);
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (order[i] != static_cast<int>(i)) out.structural = true;
            if (order[i] == out.first) edit.record = static_cast<int>(i);
        }
    }
    const int roadIndex = code == tc::kControlPoints ? -1 : ctx.road;
    if (editChangesEverything(code)) edit.change = DocumentChange{roadIndex, code, -1, true};
    else if (out.structural || out.records.size() != 1) edit.change = DocumentChange::ofList(roadIndex, code);
    else edit.change = DocumentChange::ofRecord(roadIndex, code, edit.record);
    if (isAlignmentCode(code) && ctx.alignmentChanged) ctx.alignmentChanged(p, ctx.road);
    if (ctx.changed) ctx.changed(p, edit.change);
    return edit;
}

DataEdit storeWrites(RoadProject& p, const DataTableContext& ctx, const Grid& grid, std::vector<CellWrite> writes) {
    Outcome out;
    if (!ctx.editable || !isDataTableCode(grid.code)) return {};
    if (isChangeCode(grid.code)) storeChangeCells(p, ctx, grid, std::move(writes), out);
    else storeListCells(p, ctx, grid, std::move(writes), out);
    return finishEdit(p, ctx, grid.code, out);
}

}  // namespace data_table_parts

using namespace data_table_parts;

// ---- public --------------------------------------------------------------------------

bool isDataTableCode(int code) {
    switch (code) {
        case tc::kControlPoints: case tc::kChainBreaks: case tc::kIntersectionPoints: case tc::kElements:
        case tc::kGradePoints: case tc::kPlates: case tc::kWidthChanges: case tc::kCrossfallChanges:
        case tc::kExcavationContour: case tc::kPrimaryContour: case tc::kSecondaryContour: case tc::kBlastHoles:
        case tc::kTunnelSlopeRules: case tc::kTunnelStationRules: case tc::kSlopeAssignments:
        case tc::kSlopeTemplateRows: case tc::kPiles: case tc::kStructures:
            return true;
        default: return false;
    }
}

int planeTableCode(const Road* road, int code) {
    if (!road) return code;
    if (code == tc::kIntersectionPoints && road->curveForm == 1) return tc::kElements;
    if (code == tc::kElements && road->curveForm == 0) return tc::kIntersectionPoints;
    return code;
}

std::vector<std::string> slopeValueCaptions(int rowType) {
    switch (rowType) {
        case 0: return {"宽度(m)", "坡度(%)", "", "", ""};
        case 1: return {"内边高度(m)", "底面宽度(m)", "外边高度(m)", "", ""};
        case 2: return {"内边高度(m)", "内边宽度(m)", "底面宽度(m)", "外边高度(m)", "外边宽度(m)"};
        case 3: return {"坡高(m)", "坡度(1:n)", "", "", ""};
        case 4: return {"坡度(1:n)", "", "", "", ""};
        case 5: return {"宽度(m)", "结束点高程(m)", "", "", ""};
        default: return {"", "", "", "", ""};
    }
}

Grid buildDataTable(const RoadProject& project, int code, const DataTableContext& ctx) {
    Grid g;
    g.code = code;
    if (!isDataTableCode(code)) return g;
    const Road* road = roadAt(project, ctx.road);
    columnsFor(g, code, road, project, ctx);
    if (hasSideSelector(code)) g.side = ctx.side == 2 ? 2 : 1;
    if (code != tc::kControlPoints && !road) return g;
    if (isChangeCode(code)) {
        buildChangeTable(g, *road, code == tc::kWidthChanges, ctx.editable);
        return g;
    }
    if (!listExists(project, code, ctx)) return g;  // no parent selected: no rows, no empty row
    int count = listSize(project, code, ctx);
    for (int i : shownRecords(project, code, ctx)) {
        GridRow& row = g.addRow(i);
        fillRow(row, code, road, project, ctx, i, count);
    }
    if (ctx.editable) {
        GridRow& empty = g.addRow(-1);
        for (std::size_t c = 0; c < g.columns.size(); ++c) empty.cells[c].editable = true;
        // Combo cells of the empty row offer the same choices as the records'.
        if (code == tc::kPlates) empty.cells[0].choices = plateTypeChoices();
        if (code == tc::kPiles) empty.cells[1].choices = pileModeChoices();
        if (code == tc::kStructures) {
            empty.cells[1].choices = structureKindChoices();
            empty.cells[2].choices = methodChoices();
        }
        if (code == tc::kElements) empty.cells[1].choices = elementTypeChoices();
        if (code == tc::kChainBreaks) empty.cells[2].editable = false;
        if (code == tc::kSlopeAssignments)
            for (int c = 1; c <= 4; ++c) empty.cells[static_cast<std::size_t>(c)].choices = slopeTemplateNames(*road);
        if (code == tc::kTunnelSlopeRules) empty.cells[1].choices = tunnelTemplateNames(*road);
        if (code == tc::kTunnelStationRules) {
            empty.cells[1].choices = stationRuleFormChoices();
            empty.cells[2].choices = tunnelTemplateNames(*road);
        }
        if (code == tc::kSlopeTemplateRows)
            empty.cells[0].choices = slopeTypeChoices();
    }
    return g;
}

int rowOfRecord(const Grid& grid, int record) {
    if (record < 0) return -1;
    for (int r = 0; r < grid.rowCount(); ++r) {
        const GridRow& row = grid.rows[static_cast<std::size_t>(r)];
        if (row.recordIndex == record) return r;
        if (isChangeCode(grid.code))
            for (const GridCell& c : row.cells)
                if (c.recordIndex == record) return r;
    }
    return -1;
}

DataEdit storeDataCell(RoadProject& project, const DataTableContext& ctx, Grid& grid, int row, int column,
                       std::string_view utf8) {
    if (!ctx.editable || row < 0 || row >= grid.rowCount() || column < 0 || column >= grid.columnCount()) return {};
    GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    if (column >= static_cast<int>(r.cells.size()) || !r.cells[static_cast<std::size_t>(column)].editable) return {};
    // The grid keeps what was typed (a change-table row takes its station from it
    // once a value follows).
    r.cells[static_cast<std::size_t>(column)].text = std::string(utf8);
    return storeWrites(project, ctx, grid, {{row, column, std::string(utf8)}});
}

DataEdit storeDataRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row) {
    if (!ctx.editable || row < 0 || row >= grid.rowCount()) return {};
    std::vector<CellWrite> writes;
    const GridRow& r = grid.rows[static_cast<std::size_t>(row)];
    for (std::size_t c = 0; c < r.cells.size(); ++c) writes.push_back({row, static_cast<int>(c), r.cells[c].text});
    return storeWrites(project, ctx, grid, std::move(writes));
}

std::string lockedCellReason(const DataTableContext& ctx, const Grid& grid, int row, int column) {
    if (row < 0 || row >= grid.rowCount() || column < 0 || column >= grid.columnCount()) return {};
    if (!isDataTableCode(grid.code)) return "计算成果由设计数据算出，不能在表中修改。";
    if (!ctx.editable) return "项目以只读方式打开，数据不能修改。";
    if (grid.cell(row, column).editable) return {};
    switch (grid.code) {
        case tc::kChainBreaks:
            if (column == 2) return "断链描述由开始桩号和结束桩号算出，不能输入。";
            break;
        case tc::kIntersectionPoints:
            if (column >= 3) return "起点只有交点名和坐标；曲线要素在其后的交点上输入。";
            break;
        case tc::kWidthChanges:
            if (row == 0) return "标准断面宽度在“标准横断面”中修改。";
            break;
        case tc::kCrossfallChanges:
            if (row == 0) return "标准断面坡度在“标准横断面”中修改。";
            break;
        case tc::kSlopeTemplateRows:
            if (column >= 1) return "本行的边坡类型不用这个数值；先选择边坡类型。";
            break;
        default: break;
    }
    return "此单元格不能输入。";
}

}  // namespace vornex
