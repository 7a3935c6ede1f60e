#include "tables/data_tables.h"
#include "tables/locked_cells.h"

#include <gtest/gtest.h>

#include "document/document.h"
#include "support/scripted_prompter.h"
#include "tables/document_tables.h"
#include "tables/grid_text.h"

namespace vornex {
namespace {

namespace tc = table_code;
using testing::ScriptedPrompter;

std::vector<std::string> captions(const Grid& g) {
    std::vector<std::string> out;
    for (const auto& c : g.columns) out.push_back(c.caption);
    return out;
}

std::vector<std::string> rowTexts(const Grid& g, int row) {
    std::vector<std::string> out;
    for (const auto& c : g.rows.at(static_cast<std::size_t>(row)).cells) out.push_back(c.text);
    return out;
}

// A road with one long straight element (so that stations and chain breaks apply),
// a long chain 2000 -> 1950 and a few records of every kind.
RoadProject fixture() {
    RoadProject p;
    Road r;
    r.name = "Road01";
    AlignmentElement e;
    e.name = "QD";
    e.length = 5000;
    r.elements.push_back(e);
    r.chainBreaks.push_back({2000, 1950});
    p.roads.push_back(r);
    p.currentRoad = 0;
    return p;
}

DataTableContext context(int side = 1) {
    DataTableContext ctx;
    ctx.road = 0;
    ctx.side = side;
    return ctx;
}

// Sets the texts of row `row` and stores it.
bool typeRow(RoadProject& p, const DataTableContext& ctx, int code, int row, const std::vector<std::string>& texts) {
    Grid g = buildDataTable(p, code, ctx);
    for (std::size_t c = 0; c < texts.size(); ++c) g.rows.at(static_cast<std::size_t>(row)).cells.at(c).text = texts[c];
    return static_cast<bool>(storeDataRow(p, ctx, g, row));
}

TEST(DataTables, CaptionsOfEveryTable) {
    RoadProject p = fixture();
    p.roads[0].slopeTemplates.push_back({});
    struct Case {
        int code;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {tc::kControlPoints, {"点名", "坐标X(m)", "坐标Y(m)", "高程(m)", "备注"}},
        {tc::kChainBreaks, {"开始桩号(m)", "结束桩号(m)", "断链描述"}},
        {tc::kIntersectionPoints,
         {"交点名", "坐标X(m)", "坐标Y(m)", "前缓长度(m)", "圆半径(m)", "后缓长度(m)", "起点半径(m)", "终点半径(m)"}},
        {tc::kElements, {"长度(m)", "线型", "开始半径(m)", "结束半径(m)"}},
        {tc::kGradePoints, {"变坡点桩号(m)", "变坡点高程(m)", "竖曲线半径(m)"}},
        {tc::kPlates, {"板块类型", "宽度(m)", "横坡%", "结构层厚(m)", "道牙高(m)"}},
        {tc::kExcavationContour, {"平距(m)", "高差(m)", "半径(m)", "圆心角(度.分秒)"}},
        {tc::kBlastHoles, {"点名", "偏移(m)", "高差(m)"}},
        {tc::kTunnelSlopeRules, {"坡度1:n", "隧道模板"}},
        {tc::kTunnelStationRules, {"桩号", "变化形式", "隧道模板"}},
        {tc::kSlopeAssignments, {"桩号", "左填模板", "左挖模板", "右填模板", "右挖模板"}},
        {tc::kPiles, {"桩柱编号", "坐标方式", "纵向坐标X(m)", "横向坐标Y(m)", "高程(m)"}},
        {tc::kStructures,
         {"桩号(m)", "构筑物类型", "做 法", "夹角(度.分秒)", "宽度(m)", "左侧长度(m)", "右侧长度(m)", "中心点高程(m)",
          "横坡(%)"}},
    };
    for (const Case& c : cases) EXPECT_EQ(captions(buildDataTable(p, c.code, context())), c.captions) << c.code;
}

TEST(DataTables, RowsShowFormatsAndDisplayRules) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    IntersectionPoint a, b, c;
    a.name = "JD0";
    a.x = 1.5;
    a.radius = 300;  // not shown in the first row
    b.name = "JD1";
    b.x = 100;
    b.y = 200.12346;
    b.radius = 0;
    b.spiralIn = 40;
    c.name = "JD2";
    r.intersectionPoints = {a, b, c};
    EXPECT_EQ(rowTexts(buildDataTable(p, tc::kIntersectionPoints, context()), 0),
              (std::vector<std::string>{"JD0", "  1.5000", "  0.0000", "", "", "", "", ""}));
    EXPECT_EQ(rowTexts(buildDataTable(p, tc::kIntersectionPoints, context()), 1),
              (std::vector<std::string>{"JD1", "100.0000", "200.1235", "  40.000", "   0.000", "", "", ""}));
    // The start point's curve cells take no input, and say why; the last row's
    // take the curve it gets once a later row is typed (empty while 0).
    {
        r.intersectionPoints[2].spiralIn = 25;
        const Grid ip = buildDataTable(p, tc::kIntersectionPoints, context());
        EXPECT_EQ(rowTexts(ip, 2), (std::vector<std::string>{"JD2", "  0.0000", "  0.0000", "  25.000", "", "", "", ""}));
        for (int col = 3; col < 8; ++col) {
            EXPECT_FALSE(ip.cell(0, col).editable);
            EXPECT_FALSE(lockedCellReason(context(), ip, 0, col).empty());
            EXPECT_TRUE(ip.cell(2, col).editable);
            EXPECT_TRUE(lockedCellReason(context(), ip, 2, col).empty());
        }
        r.intersectionPoints[2].spiralIn = 0;
    }

    r.chainBreaks = {{1000, 1100}, {2000, 1950}};
    Grid cb = buildDataTable(p, tc::kChainBreaks, context());
    EXPECT_EQ(rowTexts(cb, 0), (std::vector<std::string>{"1000.000", "1100.000", "短链长度  100.000m"}));
    EXPECT_EQ(rowTexts(cb, 1), (std::vector<std::string>{"2000.000", "1950.000", "长链长度   50.000m"}));
    EXPECT_FALSE(cb.cell(0, 2).editable);

    r.elements.push_back({});
    r.elements[1].startStation = 5000;
    r.elements[1].length = 80;
    r.elements[1].startRadius = -200;
    r.elements[1].endRadius = -200;
    Grid el = buildDataTable(p, tc::kElements, context());
    EXPECT_EQ(rowTexts(el, 0), (std::vector<std::string>{"5000.000", "直线", "", ""}));
    EXPECT_EQ(rowTexts(el, 1), (std::vector<std::string>{"  80.000", "左转圆", " 200.000", " 200.000"}));

    Structure s;
    s.kindAndMethod = (1 << 16) | 2;
    s.station = 2030;  // second occurrence of 1980 in the long chain
    s.angle = 90.5;
    s.width = 4;
    p.roads[0].chainBreaks = {{2000, 1950}};
    r.structures = {s};
    EXPECT_EQ(rowTexts(buildDataTable(p, tc::kStructures, context()), 0),
              (std::vector<std::string>{" +1980.000", "通道", "斜交正做", " 90.30000", "  4.0000", "  0.0000", "  0.0000",
                                        "  0.0000", "  0.0000"}));

    r.plates = {{1, 9, 3.5, 2, 0.3, 0.2, -1, -1, -1, -1}, {2, 1, 3.75, 1.5, 0, 0, -1, -1, -1, -1}};
    EXPECT_EQ(rowTexts(buildDataTable(p, tc::kPlates, context(1)), 0),
              (std::vector<std::string>{"绿化带", " 3.50", " 2.00", " 0.30", " 0.20"}));
    Grid right = buildDataTable(p, tc::kPlates, context(2));
    EXPECT_EQ(right.side, 2);
    EXPECT_EQ(right.rows[0].recordIndex, 1);
    EXPECT_EQ(right.cell(0, 0).text, "机动车道 ");
}

TEST(DataTables, ContourShowsAbsoluteRadiusMinusOneAndEmptyNoValue) {
    RoadProject p = fixture();
    TunnelTemplate t;
    t.excavation = {{1.25, -2.5, -5.5, -1}, {0, 3, 5.5, 30.5}, {kNoValue, 1, kNoValue, kNoValue}};
    p.roads[0].tunnelTemplates = {t};
    DataTableContext left = context(1);
    left.tunnelTemplate = 0;
    Grid g = buildDataTable(p, tc::kExcavationContour, left);
    ASSERT_EQ(g.rowCount(), 2);  // one left element and the empty row
    EXPECT_EQ(rowTexts(g, 0), (std::vector<std::string>{" -2.5000", "  1.2500", "   5.500", "-1"}));
    DataTableContext right = context(2);
    right.tunnelTemplate = 0;
    Grid r = buildDataTable(p, tc::kExcavationContour, right);
    ASSERT_EQ(r.rowCount(), 3);
    EXPECT_EQ(rowTexts(r, 0), (std::vector<std::string>{"  3.0000", "  0.0000", "   5.500", " 30.3000"}));
    EXPECT_EQ(rowTexts(r, 1), (std::vector<std::string>{"  1.0000", "", "", ""}));
    EXPECT_EQ(r.rows[1].recordIndex, 2);
}

TEST(DataTables, EmptyLastRowOnlyWhenEditableAndParentSelected) {
    RoadProject p = fixture();
    DataTableContext ctx = context();
    EXPECT_EQ(buildDataTable(p, tc::kGradePoints, ctx).rowCount(), 1);
    ctx.editable = false;
    Grid ro = buildDataTable(p, tc::kGradePoints, ctx);
    EXPECT_EQ(ro.rowCount(), 0);
    ctx.editable = true;
    // No slope template, tunnel or pier selected: no rows at all.
    for (int code : {tc::kSlopeTemplateRows, tc::kBlastHoles, tc::kPiles, tc::kExcavationContour})
        EXPECT_EQ(buildDataTable(p, code, ctx).rowCount(), 0) << code;
    p.roads[0].bridges.push_back({});
    p.roads[0].bridges[0].piers.push_back({});
    p.roads[0].currentBridge = 0;
    p.roads[0].currentPier = 0;
    EXPECT_EQ(buildDataTable(p, tc::kPiles, ctx).rowCount(), 1);
}

TEST(DataTables, ParseRules) {
    RoadProject p = fixture();
    DataTableContext ctx = context();
    int applied = 0;
    ctx.alignmentChanged = [&](RoadProject&, int road) {
        EXPECT_EQ(road, 0);
        ++applied;
    };
    Road& r = p.roads[0];
    r.intersectionPoints.resize(3);
    // A name of 20 characters keeps its first 12 bytes; empty radius 0; spiral lengths absolute.
    ASSERT_TRUE(typeRow(p, ctx, tc::kIntersectionPoints, 1,
                        {"ABCDEFGHIJKLMNOPQRST", "10", "20", "-35", "", "-40", "-100", "0"}));
    EXPECT_EQ(r.intersectionPoints[1].name.str(), "ABCDEFGHIJKL");
    EXPECT_EQ(r.intersectionPoints[1].radius, 0);
    EXPECT_EQ(r.intersectionPoints[1].spiralIn, 35);
    EXPECT_EQ(r.intersectionPoints[1].spiralOut, 40);
    EXPECT_EQ(r.intersectionPoints[1].startRadius, -100);  // a spiral parameter keeps its sign
    EXPECT_EQ(applied, 1);
    ASSERT_TRUE(typeRow(p, ctx, tc::kIntersectionPoints, 1, {"甲乙丙丁戊己庚", "10", "20", "", "-1"}));
    EXPECT_EQ(r.intersectionPoints[1].name.utf8(), "甲乙丙丁戊己");
    EXPECT_EQ(r.intersectionPoints[1].radius, -1);

    // Stations: "+" marks the second occurrence in the long chain 2000 -> 1950.
    r.gradePoints.resize(2);
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 0, {"+1980", "12.5", "3000"}));
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 1, {"1980", "", "abc"}));
    EXPECT_DOUBLE_EQ(r.gradePoints[0].station, 2030);
    EXPECT_DOUBLE_EQ(r.gradePoints[1].station, 1980);
    EXPECT_EQ(r.gradePoints[1].elevation, 0);
    EXPECT_EQ(r.gradePoints[1].verticalRadius, 0);

    // Structure angle folding and choice texts that match nothing.
    r.structures.resize(1);
    ASSERT_TRUE(typeRow(p, ctx, tc::kStructures, 0, {"100", "箱涵", "斜交正做", "200.3000", "8"}));
    EXPECT_NEAR(r.structures[0].angle, 20.5, 1e-7);
    EXPECT_EQ(r.structures[0].structureKind(), 0);
    EXPECT_EQ(r.structures[0].method(), 1);
    ASSERT_TRUE(typeRow(p, ctx, tc::kStructures, 0, {"100", "天桥", "x", "45"}));
    EXPECT_EQ(r.structures[0].structureKind(), 3);
    EXPECT_EQ(r.structures[0].method(), 0);

    // Piles: a mode other than "绝对坐标" is relative.
    r.bridges.resize(1);
    r.bridges[0].piers.resize(1);
    r.currentBridge = 0;
    r.currentPier = 0;
    ASSERT_TRUE(typeRow(p, ctx, tc::kPiles, 0, {"P1", "绝对坐标", "1", "2", "3"}));
    ASSERT_TRUE(typeRow(p, ctx, tc::kPiles, 1, {"P2", "whatever", "1", "2", "3"}));
    ASSERT_EQ(r.bridges[0].piers[0].piles.size(), 2u);
    EXPECT_EQ(r.bridges[0].piers[0].piles[0].coordMode, 1);
    EXPECT_EQ(r.bridges[0].piers[0].piles[1].coordMode, 0);

    // Slope-template rows: values a type does not use are 0 and not editable.
    r.slopeTemplates.resize(1);
    ctx.slopeTemplate = 0;
    ASSERT_TRUE(typeRow(p, ctx, tc::kSlopeTemplateRows, 0, {"定高放坡", "8", "1.5", "7", "7", "7"}));
    const SlopeTemplateRow& row = r.slopeTemplates[0].rows[0];
    EXPECT_EQ(row.rowType, 3);
    EXPECT_EQ(row.values, (std::array<double, 5>{8, 1.5, 0, 0, 0}));
    Grid st = buildDataTable(p, tc::kSlopeTemplateRows, ctx);
    EXPECT_TRUE(st.cell(0, 2).editable);
    EXPECT_FALSE(st.cell(0, 3).editable);
    EXPECT_EQ(st.cell(0, 3).text, "");
    EXPECT_EQ(st.columns[1].caption, "坡高(m)");
    EXPECT_EQ(st.cell(0, 2).hint, "坡度(1:n)");
    EXPECT_FALSE(lockedCellReason(ctx, st, 0, 3).empty());
    // A platform's slope has the fuller hint that says which sign goes which way.
    ASSERT_TRUE(typeRow(p, ctx, tc::kSlopeTemplateRows, 1, {"平台", "2", "-4"}));
    st = buildDataTable(p, tc::kSlopeTemplateRows, ctx);
    EXPECT_EQ(st.cell(1, 1).hint, "宽度(m)");
    EXPECT_EQ(st.cell(1, 2).hint, "输入平台的坡度(%), 路基侧高为-, 低为+");
}

TEST(DataTables, ContourRowKeepsItsSide) {
    RoadProject p = fixture();
    p.roads[0].tunnelTemplates.resize(1);
    DataTableContext ctx = context(1);
    ctx.tunnelTemplate = 0;
    // Typing into the empty row of the left side adds a left element, even with the radius empty.
    ASSERT_TRUE(typeRow(p, ctx, tc::kExcavationContour, 0, {"-3", "1", "", "-1"}));
    ASSERT_TRUE(typeRow(p, ctx, tc::kExcavationContour, 1, {"-1", "2", "6", "45.3"}));
    const auto& list = p.roads[0].tunnelTemplates[0].excavation;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_LT(list[0].radius, 0);
    EXPECT_EQ(list[0].centralAngle, -1);
    EXPECT_EQ(list[1].radius, -6);
    EXPECT_NEAR(list[1].centralAngle, 45.5, 1e-7);
    EXPECT_EQ(buildDataTable(p, tc::kExcavationContour, ctx).rowCount(), 3);
    EXPECT_EQ(buildDataTable(p, tc::kExcavationContour, ctx).cell(0, 2).text, "");
    // Values not given stay not given when another cell of the row is edited.
    ASSERT_TRUE(typeRow(p, ctx, tc::kExcavationContour, 1, {"", "", "6", ""}));
    EXPECT_EQ(list[1], (ContourElement{kNoValue, kNoValue, -6, kNoValue}));
    EXPECT_EQ(rowTexts(buildDataTable(p, tc::kExcavationContour, ctx), 1),
              (std::vector<std::string>{"", "", "   6.000", ""}));
}

TEST(DataTables, CopyTwoRowsOfThreeCells) {
    RoadProject p = fixture();
    p.roads[0].gradePoints = {{100, 10, 0}, {200, 12.5, 3000}};
    Grid g = buildDataTable(p, tc::kGradePoints, context());
    EXPECT_EQ(copyCells(g, {0, 0, 1, 2}), " 100.000\t 10.0000\t   0.000\t\r\n 200.000\t 12.5000\t3000.000\t\r\n");
}

TEST(DataTables, PasteOverwritesAndAppendsPastTheEnd) {
    RoadProject p = fixture();
    p.roads[0].gradePoints = {{100, 10, 0}};
    DataTableContext ctx = context();
    ScriptedPrompter no;
    no.yesNoAnswers = {false};
    Grid g = buildDataTable(p, tc::kGradePoints, ctx);
    EXPECT_FALSE(pasteCells(p, ctx, g, 0, 0, "1\t2\r\n", no));
    EXPECT_EQ(p.roads[0].gradePoints.size(), 1u);

    ScriptedPrompter yes;
    yes.yesNoAnswers = {true};
    g = buildDataTable(p, tc::kGradePoints, ctx);
    ASSERT_TRUE(pasteCells(p, ctx, g, 0, 1, "11\t500\r\n12\t600\r\n13\t700\r\n", yes));
    EXPECT_EQ(yes.shown, std::vector<std::string>{"是否覆盖原来的数据？"});
    const auto& gp = p.roads[0].gradePoints;
    ASSERT_EQ(gp.size(), 3u);
    EXPECT_EQ(gp[0], (GradePoint{100, 11, 500}));
    EXPECT_EQ(gp[1], (GradePoint{0, 12, 600}));
    EXPECT_EQ(gp[2], (GradePoint{0, 13, 700}));
}

TEST(DataTables, PasteOfCopiedCellsLeavesTheNeighbourColumn) {
    // Copied text ends every cell with a tab; spreadsheets separate cells with tabs
    // and end rows with LF or CR LF. Both fill the same cells and nothing beyond.
    for (const char* text : {" 5.000\t 20.0000\t\r\n 6.000\t 21.0000\t\r\n", "5\t20\n6\t21\n", "5\t20\r\n6\t21"}) {
        SCOPED_TRACE(text);
        RoadProject p = fixture();
        p.roads[0].gradePoints = {{100, 10, 3000}, {200, 12.5, 4000}};
        DataTableContext ctx = context();
        ScriptedPrompter yes;
        yes.yesNoAnswers = {true};
        Grid g = buildDataTable(p, tc::kGradePoints, ctx);
        ASSERT_TRUE(pasteCells(p, ctx, g, 0, 0, text, yes));
        const auto& gp = p.roads[0].gradePoints;
        ASSERT_EQ(gp.size(), 2u);
        EXPECT_EQ(gp[0], (GradePoint{5, 20, 3000}));
        EXPECT_EQ(gp[1], (GradePoint{6, 21, 4000}));
    }
}

TEST(DataTables, InsertDeleteMove) {
    RoadProject p = fixture();
    DataTableContext ctx = context(2);
    Road& r = p.roads[0];
    r.plates = {{1, 0, 1, 0, 0, 0, -1, -1, -1, -1}, {2, 1, 2, 0, 0, 0, -1, -1, -1, -1}};
    Grid g = buildDataTable(p, tc::kPlates, ctx);  // the right plate and the empty row
    ASSERT_TRUE(insertRow(p, ctx, g, 1));          // appended with the shown side
    ASSERT_EQ(r.plates.size(), 3u);
    EXPECT_EQ(r.plates[2].side, 2);
    EXPECT_EQ(r.plates[2].width, 0);

    r.gradePoints = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    g = buildDataTable(p, tc::kGradePoints, ctx);
    ASSERT_TRUE(insertRow(p, ctx, g, 1));
    EXPECT_EQ(r.gradePoints[1], GradePoint{});
    g = buildDataTable(p, tc::kGradePoints, ctx);
    ScriptedPrompter prompter;  // default answer: No
    EXPECT_EQ(deleteRows(p, ctx, g, 1, 2, prompter), 0);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"您是否真的要删除本条记录?"});
    prompter.yesNoAnswers = {true};
    EXPECT_EQ(deleteRows(p, ctx, g, 2, 4, prompter), 2);  // the empty last row is skipped
    EXPECT_EQ(r.gradePoints, (std::vector<GradePoint>{{1, 0, 0}, {0, 0, 0}}));

    g = buildDataTable(p, tc::kGradePoints, ctx);
    EXPECT_FALSE(moveRow(p, ctx, g, 0, true));
    EXPECT_FALSE(moveRow(p, ctx, g, 1, false));  // below it is the empty row
    ASSERT_TRUE(moveRow(p, ctx, g, 1, true));
    EXPECT_EQ(r.gradePoints, (std::vector<GradePoint>{{0, 0, 0}, {1, 0, 0}}));

    // Contour rows are born with radius and angle not given, on the shown side.
    r.tunnelTemplates.resize(1);
    ctx.tunnelTemplate = 0;
    ctx.side = 1;
    g = buildDataTable(p, tc::kSecondaryContour, ctx);
    ASSERT_TRUE(insertRow(p, ctx, g, 0));
    ASSERT_EQ(r.tunnelTemplates[0].secondary.size(), 1u);
    EXPECT_EQ(r.tunnelTemplates[0].secondary[0].centralAngle, kNoValue);
    EXPECT_EQ(buildDataTable(p, tc::kSecondaryContour, ctx).rowCount(), 2);
}

TEST(DataTables, PlateEditsKeepChangeReferences) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    // Right plate first in the list, then two left plates; one width change on each.
    r.plates = {{2, 6, 3.75, 2, 0, 0, -1, -1, -1, -1}, {1, 6, 3.5, 2, 0, 0, -1, -1, -1, -1},
                {1, 0, 2, 2, 0, 0, -1, -1, -1, -1}};
    r.widthChanges = {{100, 0, 0, 4}, {100, 1, 0, 5}, {200, 2, 0, 6}};
    DataTableContext ctx = context(2);
    ScriptedPrompter yes;
    yes.yesNoAnswers = {true};
    Grid g = buildDataTable(p, tc::kPlates, ctx);
    ASSERT_EQ(deleteRows(p, ctx, g, 0, 0, yes), 1);  // the right plate goes, with its change
    ASSERT_EQ(r.plates.size(), 2u);
    EXPECT_EQ(r.widthChanges, (std::vector<PlateChange>{{100, 0, 0, 5}, {200, 1, 0, 6}}));
    ctx.side = 1;
    g = buildDataTable(p, tc::kPlates, ctx);
    ASSERT_TRUE(moveRow(p, ctx, g, 1, true));
    EXPECT_EQ(r.plates[0].width, 2);
    EXPECT_EQ(r.widthChanges, (std::vector<PlateChange>{{200, 0, 0, 6}, {100, 1, 0, 5}}));
    EXPECT_EQ(r.plates[0].firstWidthChange, 0);  // links follow the ordered list
    EXPECT_EQ(r.plates[1].firstWidthChange, 1);
}

TEST(DataTables, WidthChangeTableWithPlatesOnBothSides) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    r.plates = {{1, 6, 3.5, 2, 0, 0, -1, -1, -1, -1},   // left inner
                {2, 6, 3.75, 2, 0, 0, -1, -1, -1, -1},  // right inner
                {1, 3, 2, 2, 0, 0, -1, -1, -1, -1},     // left outer
                {2, 3, 2.5, 2, 0, 0, -1, -1, -1, -1}};  // right outer
    // Out of order on purpose; 300.0004 and 300.0001 share the millimetre key 300000.
    r.widthChanges = {{300.0004, 3, 1, 3.0}, {100, 0, 0, 4.0}, {300.0001, 2, 0, 2.5}, {100, 3, 0, 2.75}};
    DataTableContext ctx = context();
    Grid g = buildDataTable(p, tc::kWidthChanges, ctx);
    EXPECT_EQ(captions(g), (std::vector<std::string>{"变化点桩号", "变化方式", "左－2人行道", "左－1行车道", "右－1行车道",
                                                     "右－2人行道"}));
    ASSERT_EQ(g.rowCount(), 4);  // standard, 100, 300, empty
    EXPECT_EQ(rowTexts(g, 0), (std::vector<std::string>{"标准断面宽度", "", "   2.00", "   3.50", "   3.75", "   2.50"}));
    EXPECT_EQ(rowTexts(g, 1), (std::vector<std::string>{" 100.000", "线性过渡", "", "   4.00", "", "   2.75"}));
    EXPECT_EQ(rowTexts(g, 2), (std::vector<std::string>{" 300.000", "三次抛物线过渡", "   2.50", "", "", "   3.00"}));
    EXPECT_EQ(g.cell(1, 5).recordIndex, 3);

    // Storing row 100: update left inner, empty right outer (removed), fill right inner (appended).
    g.cell(1, 1).text = "四次抛物线过渡";
    g.cell(1, 3).text = "4.5";
    g.cell(1, 5).text = "";
    g.cell(1, 4).text = "3.9";
    ASSERT_TRUE(storeDataRow(p, ctx, g, 1));
    // Stored, then ordered by plate and station with the plate links rebuilt.
    EXPECT_EQ(r.widthChanges, (std::vector<PlateChange>{{100, 0, 2, 4.5}, {100, 1, 2, 3.9}, {300.0001, 2, 0, 2.5},
                                                        {300.0004, 3, 1, 3.0}}));
    EXPECT_EQ(r.plates[3].firstWidthChange, 3);
    // A new station typed into the empty row.
    g = buildDataTable(p, tc::kWidthChanges, ctx);
    g.cell(3, 0).text = "50";
    g.cell(3, 2).text = "1.5";
    ASSERT_TRUE(storeDataRow(p, ctx, g, 3));
    EXPECT_EQ(r.widthChanges[2], (PlateChange{50, 2, 0, 1.5}));
    g = buildDataTable(p, tc::kWidthChanges, ctx);
    EXPECT_EQ(g.cell(1, 0).text, "  50.000");
    // The standard row stores nothing and the table inserts no record.
    EXPECT_FALSE(storeDataRow(p, ctx, g, 0));
    EXPECT_FALSE(insertRow(p, ctx, g, 1));

    // Clearing a block over several rows removes exactly the records shown there,
    // although each removal shifts the list.
    g = buildDataTable(p, tc::kWidthChanges, ctx);  // rows: standard, 50, 100, 300, empty
    clearCells(p, ctx, g, {2, 3, 3, 5});
    // The change that stays keeps its station to the tenth of a millimetre.
    EXPECT_EQ(r.widthChanges, (std::vector<PlateChange>{{50, 2, 0, 1.5}, {300.0001, 2, 0, 2.5}}));
}

TEST(DataTables, SameAsSideAndSameAsPier) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    r.tunnelTemplates.resize(1);
    r.tunnelTemplates[0].primary = {{1, 2, 5, 30}, {0.5, kNoValue, kNoValue, 0}};
    DataTableContext ctx = context(1);
    ctx.tunnelTemplate = 0;
    ScriptedPrompter prompter;
    // The left side is empty: copied without asking.
    ASSERT_TRUE(sameAsSide(p, ctx, tc::kPrimaryContour, 2, prompter));
    EXPECT_TRUE(prompter.shown.empty());
    const auto& pr = r.tunnelTemplates[0].primary;
    ASSERT_EQ(pr.size(), 4u);
    EXPECT_EQ(pr[2], (ContourElement{1, -2, -5, 30}));
    EXPECT_EQ(pr[3].horizontalDistance, kNoValue);
    EXPECT_EQ(pr[3].radius, -kNoValue);
    // Now it has rows: asks, and No (the default) keeps everything.
    EXPECT_FALSE(sameAsSide(p, ctx, tc::kPrimaryContour, 2, prompter));
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"本路幅已存在数据，是否覆盖？"});

    r.plates = {{1, 6, 3.5, 2, 0, 0, -1, -1, -1, -1}, {2, 6, 3.75, 2, 0, 0, -1, -1, -1, -1}};
    r.widthChanges = {{100, 0, 0, 4}};
    prompter.yesNoAnswers = {true};
    ASSERT_TRUE(sameAsSide(p, ctx, tc::kPlates, 2, prompter));
    ASSERT_EQ(r.plates.size(), 2u);
    EXPECT_EQ(r.plates[0].side, 2);
    EXPECT_EQ(r.plates[1].side, 1);
    EXPECT_EQ(r.plates[1].width, 3.75);
    EXPECT_TRUE(r.widthChanges.empty());  // its plate was replaced

    r.bridges.resize(1);
    r.bridges[0].piers.resize(2);
    r.bridges[0].piers[0].piles = {{"A", 0, 1, 2, 3}, {"B", 1, 4, 5, 6}};
    r.bridges[0].piers[1].piles = {{"Z", 0, 0, 0, 0}};
    r.currentBridge = 0;
    r.currentPier = 1;
    ScriptedPrompter ask;
    ask.yesNoAnswers = {true};
    ASSERT_TRUE(sameAsPier(p, ctx, true, ask));
    EXPECT_EQ(ask.shown, std::vector<std::string>{"本桥墩存在桩基数据，是否覆盖？"});
    EXPECT_EQ(r.bridges[0].piers[1].piles, r.bridges[0].piers[0].piles);
    EXPECT_FALSE(sameAsPier(p, ctx, false, ask));  // no next pier
}

TEST(DataTables, MenuItemsOfferedGreyedAndRemoved) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    r.gradePoints = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    DataTableContext ctx = context();
    Grid g = buildDataTable(p, tc::kGradePoints, ctx);
    auto state = [](const std::vector<DataMenuEntry>& m) {
        std::string s;
        for (const auto& e : m) s += e.enabled ? '1' : '0';
        return s;
    };
    // Clear Cut Copy Paste Insert Delete Up Down
    EXPECT_EQ(state(dataMenu(p, ctx, g, 0, 0, {}, false)), "10001101");
    EXPECT_EQ(state(dataMenu(p, ctx, g, 1, 0, {1, 0, 1, 2}, true)), "11111111");
    EXPECT_EQ(state(dataMenu(p, ctx, g, 2, 0, {}, true)), "10011110");
    EXPECT_EQ(state(dataMenu(p, ctx, g, 3, 0, {}, false)), "00001000");  // the empty last row
    EXPECT_TRUE(dataMenu(p, ctx, g, 4, 0, {}, false).empty());            // outside the grid
    ctx.editable = false;
    EXPECT_TRUE(dataMenu(p, ctx, buildDataTable(p, tc::kGradePoints, ctx), 0, 0, {}, false).empty());
    ctx.editable = true;

    auto m = dataMenu(p, context(2), buildDataTable(p, tc::kPlates, context(2)), 0, 0, {}, false);
    ASSERT_EQ(m.size(), 10u);
    EXPECT_EQ(m[8].label, "与左侧相同(&L)");
    EXPECT_TRUE(m[8].enabled);
    EXPECT_FALSE(m[9].enabled);  // the right side is shown

    r.bridges.resize(1);
    r.bridges[0].piers.resize(2);
    r.currentBridge = 0;
    r.currentPier = 0;
    m = dataMenu(p, ctx, buildDataTable(p, tc::kPiles, ctx), 0, 0, {}, false);
    ASSERT_EQ(m.size(), 10u);
    EXPECT_EQ(m[8].label, "与上一墩相同(&F)");
    EXPECT_FALSE(m[8].enabled);
    EXPECT_TRUE(m[9].enabled);
}

TEST(DataTables, ClearAndCutStoreTheEmptiedCells) {
    RoadProject p = fixture();
    p.controlPoints = {{"C1", "n", 1, 2, 3}, {"C2", "", 4, 5, 6}};
    DataTableContext ctx;  // control points need no road
    Grid g = buildDataTable(p, tc::kControlPoints, ctx);
    EXPECT_EQ(cutCells(p, ctx, g, {1, 1, 1, 2}), "  4.0000\t  5.0000\t\r\n");
    EXPECT_EQ(p.controlPoints[1], (ControlPoint{"C2", "", 0, 0, 6}));
    EXPECT_EQ(p.controlPoints[0], (ControlPoint{"C1", "n", 1, 2, 3}));
}

TEST(DataTables, EditingOneCellKeepsEveryOtherFieldBitForBit) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    r.plates = {{2, 6, 3.456, 1.234, 0.745, 0.155, -1, -1, -1, -1}};
    AlignmentElement arc;
    arc.length = 123.4567;
    arc.startRadius = arc.endRadius = 250.0004;
    r.elements.push_back(arc);
    r.gradePoints = {{1234.5678, 10.12345, 3000.0004}};
    r.structures.resize(1);
    r.structures[0].station = 100.00007;
    r.structures[0].angle = 33.123456789;
    r.structures[0].width = 4.00004;
    p.controlPoints = {{"C1", "n", 1.00001, 2.00002, 3.00003}};
    r.tunnelTemplates.resize(1);
    r.tunnelTemplates[0].excavation = {{-1.23456, 2.34567, 5.55555, 30.1234567}};
    struct Case {
        int code;
        int row, column;
        const char* typed;
        std::function<void(RoadProject&)> expect;  // the one field the cell shows
    };
    const Case cases[] = {
        {tc::kPlates, 0, 1, "3.5", [](RoadProject& q) { q.roads[0].plates[0].width = 3.5; }},
        {tc::kElements, 1, 2, "300", [](RoadProject& q) { q.roads[0].elements[1].startRadius = 300; }},
        {tc::kGradePoints, 0, 1, "11", [](RoadProject& q) { q.roads[0].gradePoints[0].elevation = 11; }},
        {tc::kStructures, 0, 4, "5", [](RoadProject& q) { q.roads[0].structures[0].width = 5; }},
        {tc::kControlPoints, 0, 0, "C2", [](RoadProject& q) { q.controlPoints[0].name = "C2"; }},
        {tc::kExcavationContour, 0, 1, "1", [](RoadProject& q) { q.roads[0].tunnelTemplates[0].excavation[0].heightDifference = 1; }},
    };
    for (const Case& c : cases) {
        DataTableContext ctx = context(2);
        ctx.tunnelTemplate = 0;
        RoadProject edited = p;
        Grid g = buildDataTable(edited, c.code, ctx);
        ASSERT_TRUE(storeDataCell(edited, ctx, g, c.row, c.column, c.typed)) << c.code;
        RoadProject expected = p;
        c.expect(expected);
        EXPECT_EQ(edited.controlPoints, expected.controlPoints) << c.code;
        EXPECT_EQ(edited.roads[0].plates, expected.roads[0].plates) << c.code;
        EXPECT_EQ(edited.roads[0].elements, expected.roads[0].elements) << c.code;
        EXPECT_EQ(edited.roads[0].gradePoints, expected.roads[0].gradePoints) << c.code;
        EXPECT_EQ(edited.roads[0].structures, expected.roads[0].structures) << c.code;
        EXPECT_EQ(edited.roads[0].tunnelTemplates[0].excavation, expected.roads[0].tunnelTemplates[0].excavation)
            << c.code;
    }
    // A whole row stored as shown (the grid's own texts) changes nothing either.
    DataTableContext ctx = context(2);
    RoadProject same = p;
    EXPECT_FALSE(storeDataRow(same, ctx, buildDataTable(same, tc::kPlates, ctx), 0));
    EXPECT_EQ(same.roads[0].plates, p.roads[0].plates);
}

TEST(DataTables, StationOrderedListsStayOrderedAndTheEditFollowsItsRecord) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    r.chainBreaks = {{1000, 1100}, {2000, 1950}};
    DataTableContext ctx = context();
    // Moving the second break before the first: the list is ordered at once and
    // the edit reports where the record went.
    Grid g = buildDataTable(p, tc::kChainBreaks, ctx);
    DataEdit edit = storeDataCell(p, ctx, g, 1, 0, "500");
    ASSERT_TRUE(edit);
    EXPECT_EQ(r.chainBreaks, (std::vector<ChainBreak>{{500, 1950}, {1000, 1100}}));
    EXPECT_EQ(edit.record, 0);
    EXPECT_EQ(rowOfRecord(buildDataTable(p, tc::kChainBreaks, ctx), edit.record), 0);
    // A new break typed into the empty row lands in its place too.
    g = buildDataTable(p, tc::kChainBreaks, ctx);
    edit = storeDataCell(p, ctx, g, 2, 0, "700");
    EXPECT_EQ(edit.record, 1);
    EXPECT_EQ(r.chainBreaks[1].startStation, 700);
    // The end station typed next goes into the same record, found by its new row.
    g = buildDataTable(p, tc::kChainBreaks, ctx);
    edit = storeDataCell(p, ctx, g, rowOfRecord(g, edit.record), 1, "750");
    EXPECT_EQ(r.chainBreaks[1], (ChainBreak{700, 750}));

    // Slope assignments: inserted, pasted and moved rows keep station order.
    r.slopeAssignments = {{100, 0, 0, 0, 0}, {300, 0, 0, 0, 0}};
    g = buildDataTable(p, tc::kSlopeAssignments, ctx);
    edit = storeDataCell(p, ctx, g, 2, 0, "200");
    EXPECT_EQ(edit.record, 1);
    edit = insertRow(p, ctx, buildDataTable(p, tc::kSlopeAssignments, ctx), 3);  // station 0 goes first
    EXPECT_EQ(edit.record, 0);
    std::vector<double> stations;
    for (const SlopeAssignment& a : r.slopeAssignments) stations.push_back(a.station);
    EXPECT_EQ(stations, (std::vector<double>{0, 100, 200, 300}));
    EXPECT_FALSE(moveRow(p, ctx, buildDataTable(p, tc::kSlopeAssignments, ctx), 1, true));  // order takes it back
}

TEST(DataTables, StationsTypedAfterAChainBreakEditUseTheOrderedBreaks) {
    // The long chain 2000 -> 1950 is typed after a later short chain: "+1980"
    // lies in the long chain's second zone at once, not only after a save.
    RoadProject p = fixture();
    p.roads[0].chainBreaks = {{3000, 3100}};
    DataTableContext ctx = context();
    Grid g = buildDataTable(p, tc::kChainBreaks, ctx);
    ASSERT_TRUE(storeDataRow(p, ctx, [&] {
        g.cell(1, 0).text = "2000";
        g.cell(1, 1).text = "1950";
        return g;
    }(), 1));
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 0, {"+1980", "10"}));
    EXPECT_DOUBLE_EQ(p.roads[0].gradePoints[0].station, 2030);
}

TEST(DataTables, ElementTypeIsChosenAndRadiiAreUnsigned) {
    RoadProject p = fixture();
    Road& r = p.roads[0];
    AlignmentElement spiral;
    spiral.length = 60;
    spiral.startRadius = 0;
    spiral.endRadius = 300;
    r.elements = {spiral};
    DataTableContext ctx = context();
    Grid g = buildDataTable(p, tc::kElements, ctx);
    EXPECT_TRUE(g.cell(0, 1).editable);
    EXPECT_EQ(g.cell(0, 1).choices, (std::vector<std::string>{"直线", "左转缓", "右转缓", "左转圆", "右转圆"}));
    struct Case {
        int column;
        const char* typed;
        double start, end;
        const char* shown[3];  // 线型, 开始半径, 结束半径 afterwards
    };
    const Case cases[] = {
        {1, "左转缓", 0, -300, {"左转缓", "   0.000", " 300.000"}},       // the turn becomes the sign
        {3, "250", 0, -250, {"左转缓", "   0.000", " 250.000"}},          // typed unsigned, the row's turn
        {2, "-500", -500, -250, {"左转缓", " 500.000", " 250.000"}},      // an old signed entry keeps its sign
        {1, "右转圆", 500, 500, {"右转圆", " 500.000", " 500.000"}},      // a circle: one radius at both ends
        {1, "直线", 0, 0, {"直线", "", ""}},
        {2, "400", 400, 0, {"右转缓", " 400.000", "   0.000"}},           // a straight gets a right turn
    };
    for (const Case& c : cases) {
        g = buildDataTable(p, tc::kElements, ctx);
        ASSERT_TRUE(storeDataCell(p, ctx, g, 0, c.column, c.typed)) << c.typed;
        EXPECT_EQ(r.elements[0].startRadius, c.start) << c.typed;
        EXPECT_EQ(r.elements[0].endRadius, c.end) << c.typed;
        EXPECT_EQ(r.elements[0].length, 60) << c.typed;
        g = buildDataTable(p, tc::kElements, ctx);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(g.cell(0, k + 1).text, c.shown[k]) << c.typed << " column " << k + 1;
    }
    // A new element typed as a left circle with one radius, as a paste brings it.
    ScriptedPrompter yes;
    yes.yesNoAnswers = {true};
    g = buildDataTable(p, tc::kElements, ctx);
    ASSERT_TRUE(pasteCells(p, ctx, g, 1, 0, "80\t左转圆\t150\r\n", yes));
    ASSERT_EQ(r.elements.size(), 2u);
    EXPECT_EQ(r.elements[1].startRadius, -150);
    EXPECT_EQ(r.elements[1].endRadius, -150);
}

TEST(DataTables, LeftHalfStraightStaysOnTheLeft) {
    RoadProject p = fixture();
    p.roads[0].tunnelTemplates.resize(1);
    DataTableContext left = context(1);
    left.tunnelTemplate = 0;
    const auto& list = p.roads[0].tunnelTemplates[0].primary;
    // A wall typed with radius 0, and one with the radius left empty.
    ASSERT_TRUE(typeRow(p, left, tc::kPrimaryContour, 0, {"0", "-2.4", "0", ""}));
    ASSERT_TRUE(typeRow(p, left, tc::kPrimaryContour, 1, {"0.5", "-1", "", ""}));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].radius, -kNoValue);
    EXPECT_EQ(list[1].radius, -kNoValue);
    EXPECT_EQ(buildDataTable(p, tc::kPrimaryContour, left).rowCount(), 3);  // both rows on the left
    DataTableContext right = context(2);
    right.tunnelTemplate = 0;
    EXPECT_EQ(buildDataTable(p, tc::kPrimaryContour, right).rowCount(), 1);  // only the empty row
    // Mirrored to the right: the same order, horizontal distances negated, empty radii there.
    ScriptedPrompter prompter;
    ASSERT_TRUE(sameAsSide(p, right, tc::kPrimaryContour, 1, prompter));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[2], (ContourElement{-2.4, -0.0, kNoValue, kNoValue}));
    EXPECT_EQ(list[3], (ContourElement{-1, -0.5, kNoValue, kNoValue}));
}

TEST(DataTables, IntersectionPointEditsRecomputeTheRoad) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    DataTableContext ctx = documentTableContext(doc);
    auto type = [&](int row, const std::vector<std::string>& texts) {
        ASSERT_TRUE(typeRow(doc.project(), ctx, tc::kIntersectionPoints, row, texts));
    };
    type(0, {"JD0", "0", "0"});
    type(1, {"JD1", "1000", "0", "100", "500", "100"});  // typed as the last point: kept all the same
    EXPECT_EQ(doc.project().roads[0].intersectionPoints[1].radius, 500);
    type(2, {"JD2", "1000", "1000"});
    const Road& road = doc.project().roads[0];
    ASSERT_FALSE(road.elements.empty());
    EXPECT_TRUE(doc.modified());
    // Straight, spiral, arc, spiral, straight; the end lies 1000 m along the second leg.
    const AlignmentElement& last = road.elements.back();
    EXPECT_NEAR(last.startAzimuth, 90, 1e-6);
    EXPECT_NEAR(last.y + last.length, 1000, 1e-4);
    // Editing the end point's name keeps the hidden curve fields of that row.
    doc.project().roads[0].intersectionPoints[2].radius = 77;
    type(2, {"END", "1000", "1000"});
    EXPECT_EQ(road.intersectionPoints[2].radius, 77);
    EXPECT_EQ(planeTableCode(&road, tc::kElements), tc::kIntersectionPoints);
}

// Station cells take the road's K-text as the result tables print it (pasted
// back by users), and read plain numbers as before; chain-break cells keep the
// design station as typed.
TEST(DataTables, StationCellsTakeTheRoadsStationText) {
    RoadProject p = fixture();
    DataTableContext ctx = context();
    Road& r = p.roads[0];
    r.gradePoints.resize(4);
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 0, {"  K1+980.000", "1"}));
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 1, {" +K1+980.000", "1"}));  // long-chain zone
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 2, {"+1980", "1"}));
    ASSERT_TRUE(typeRow(p, ctx, tc::kGradePoints, 3, {"3100.5", "1"}));
    EXPECT_DOUBLE_EQ(r.gradePoints[0].station, 1980);
    EXPECT_DOUBLE_EQ(r.gradePoints[1].station, 2030);
    EXPECT_DOUBLE_EQ(r.gradePoints[2].station, 2030);
    EXPECT_DOUBLE_EQ(r.gradePoints[3].station, 3150.5);  // past the long chain of 50 m

    ASSERT_TRUE(typeRow(p, ctx, tc::kChainBreaks, 0, {"K3+000", "K2+990.5"}));
    EXPECT_EQ(r.chainBreaks[0].startStation, 3000);
    EXPECT_EQ(r.chainBreaks[0].endStation, 2990.5);
    ASSERT_TRUE(typeRow(p, ctx, tc::kChainBreaks, 0, {"2000", "1e3"}));  // numbers as any number cell reads them
    EXPECT_EQ(r.chainBreaks[0].startStation, 2000);
    EXPECT_EQ(r.chainBreaks[0].endStation, 1000);
}

}  // namespace
}  // namespace vornex
