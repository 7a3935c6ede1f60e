// Every road table of the bundled demo project: captions, and rows checked
// against the stored records and against closed forms.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "document/project_file.h"
#include "geometry/stations.h"
#include "model/prompter.h"
#include "tables/data_tables.h"
#include "tables/road_tables.h"
#include "text/text.h"

namespace vornex {
namespace {

namespace tc = table_code;

class DemoTables : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::path file = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.rod";
        if (!std::filesystem::exists(file)) GTEST_SKIP() << "no demo project";
        DefaultAnswerPrompter prompter;
        ASSERT_GT(readProject(project, file, prompter), 0);
        ASSERT_FALSE(project.roads.empty());
        Road& r = project.roads[0];
        r.currentBridge = r.bridges.empty() ? -1 : 0;
        r.currentPier = (r.currentBridge == 0 && !r.bridges[0].piers.empty()) ? 0 : -1;
        r.currentTunnel = r.tunnels.empty() ? -1 : 0;
        ctx.road = 0;
        ctx.slopeTemplate = r.slopeTemplates.empty() ? -1 : 0;
        ctx.tunnelTemplate = r.tunnelTemplates.empty() ? -1 : 0;
    }
    Grid table(int code) {
        return isRoadResultCode(code) ? buildRoadTable(project, 0, code) : buildDataTable(project, code, ctx);
    }
    RoadProject project;
    DataTableContext ctx;
};

TEST_F(DemoTables, CaptionsOfEveryTable) {
    struct Case {
        int code;
        int columns;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {tc::kControlPoints, 5, "点名", "备注"},
        {tc::kChainBreaks, 3, "开始桩号(m)", "断链描述"},
        {tc::kIntersectionPoints, 8, "交点名", "终点半径(m)"},
        {tc::kElements, 4, "长度(m)", "结束半径(m)"},
        {tc::kGradePoints, 3, "变坡点桩号(m)", "竖曲线半径(m)"},
        {tc::kPlates, 5, "板块类型", "道牙高(m)"},
        {tc::kStructures, 9, "桩号(m)", "横坡(%)"},
        {tc::kSlopeAssignments, 5, "桩号", "右挖模板"},
        {tc::kPiles, 5, "桩柱编号", "高程(m)"},
        {tc::kExcavationContour, 4, "平距(m)", "圆心角(度.分秒)"},
        {tc::kTunnelSlopeRules, 2, "坡度1:n", "隧道模板"},
        {tc::kTunnelStationRules, 3, "桩号", "隧道模板"},
        {tc::kBlastHoles, 3, "点名", "高差(m)"},
        {tc::kCurveElements, 24, "主点位置", "方位角"},
        {tc::kElementList, 8, "点名", "半径或回旋参数"},
        {tc::kCoordinates, 6, "桩号(m)", "备注"},
        {tc::kVerticalCurves, 10, "桩号", "坡度%"},
        {tc::kStructureStakeout, 9, "桩  号", "右 后"},
        {tc::kBridgePositions, 5, "桩柱编号", "夹角/高程"},
    };
    for (const Case& c : cases) {
        Grid g = table(c.code);
        ASSERT_EQ(g.columnCount(), c.columns) << c.code;
        EXPECT_EQ(g.columns.front().caption, c.first) << c.code;
        EXPECT_EQ(g.columns.back().caption, c.last) << c.code;
        EXPECT_GT(g.rowCount(), 1) << c.code;  // the demo fills every table
    }
}

TEST_F(DemoTables, DataRowsShowTheStoredRecords) {
    Grid cp = table(tc::kControlPoints);
    const ControlPoint& c = project.controlPoints[0];
    EXPECT_EQ(cp.cell(0, 0).text, c.name.utf8());
    EXPECT_EQ(cp.cell(0, 1).text, text::format("%8.4f", c.x));
    EXPECT_EQ(cp.cell(0, 4).text, c.note.utf8());
    Grid cb = table(tc::kChainBreaks);
    for (std::size_t i = 0; i < project.roads[0].chainBreaks.size(); ++i) {
        const ChainBreak& b = project.roads[0].chainBreaks[i];
        EXPECT_EQ(cb.cell(static_cast<int>(i), 2).text,
                  text::format(b.startStation < b.endStation ? "短链长度 %8.3fm" : "长链长度 %8.3fm",
                               std::fabs(b.endStation - b.startStation)));
    }
    // The width table shows every width change once, in its plate's column.
    Grid wc = table(tc::kWidthChanges);
    int shown = 0;
    for (int r = 1; r < wc.rowCount(); ++r)
        for (int c2 = 2; c2 < wc.columnCount(); ++c2) shown += wc.cell(r, c2).recordIndex >= 0;
    EXPECT_EQ(shown, static_cast<int>(project.roads[0].widthChanges.size()));
}

TEST_F(DemoTables, ResultRowsAgreeWithTheAlignment) {
    const Road& road = project.roads[0];
    const AlignmentElement& first = road.elements.front();
    // Coordinate rows on the first straight lie along its start azimuth.
    Grid g = table(tc::kCoordinates);
    ASSERT_GT(g.rowCount(), 2);
    double a = first.startAzimuth * 3.141592653589793 / 180;
    double step = std::ceil((first.startStation + 1e-9) / 100) * 100 - first.startStation;
    if (step == 0) step = 100;
    EXPECT_NEAR(std::atof(g.cell(1, 1).text.c_str()), first.x + step * std::cos(a), 0.00006);
    EXPECT_NEAR(std::atof(g.cell(1, 2).text.c_str()), first.y + step * std::sin(a), 0.00006);
    EXPECT_LE(g.rowCount(), kMaxCoordinateRows);
    // Every element start is a row, every chain break has its remark.
    int mains = 0, breaks = 0;
    for (int r = 0; r < g.rowCount(); ++r) {
        const std::string& remark = g.cell(r, 5).text;
        if (remark.find("链=") != std::string::npos) ++breaks;
        else if (!remark.empty()) ++mains;
    }
    EXPECT_EQ(breaks, static_cast<int>(road.chainBreaks.size()));
    EXPECT_GE(mains, static_cast<int>(road.elements.size()));  // the element starts and ZD
    // The element table's rows are the elements, then ZD at the end of the road.
    Grid el = table(tc::kElementList);
    ASSERT_EQ(el.rowCount(), static_cast<int>(road.elements.size()) + 1);
    EXPECT_EQ(el.cell(el.rowCount() - 1, 0).text, "ZD");
    EXPECT_EQ(el.cell(el.rowCount() - 1, 1).text, formatStation(road, alignmentEnd(road), true));
    // In the curve-element table ZH lies T1 before the intersection point.
    Grid ce = table(tc::kCurveElements);
    for (int r = 3; r + 2 < ce.rowCount(); r += 3) {
        if (ce.cell(r, 16).text.empty() || ce.cell(r, 6).text.empty()) continue;
        double t1 = std::atof(ce.cell(r, 6).text.c_str());
        int ip = ce.rows[static_cast<std::size_t>(r)].recordIndex;
        // T1 is shown to the millimetre: the station agrees within half of one.
        double s = road.intersectionPoints[ip].station - t1;
        const std::string& zh = ce.cell(r, 16).text;
        EXPECT_TRUE(zh == formatStation(road, s, true) || zh == formatStation(road, s - 0.0005, true) ||
                    zh == formatStation(road, s + 0.0005, true))
            << ip << " " << zh;
    }
}

}  // namespace
}  // namespace vornex
