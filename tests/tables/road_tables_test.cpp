#include "tables/road_tables.h"

#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "geometry/alignment.h"
#include "geometry/intersection_alignment.h"
#include "tables/route_query.h"
#include "text/text.h"
#include "support/road_fixtures.h"

namespace vornex {
namespace {

namespace tc = table_code;
constexpr double kRad = 3.141592653589793 / 180;

std::vector<std::string> rowTexts(const Grid& g, int row) {
    std::vector<std::string> out;
    for (const auto& c : g.rows.at(static_cast<std::size_t>(row)).cells) out.push_back(c.text);
    return out;
}

double num(const Grid& g, int row, int col) { return std::atof(g.cell(row, col).text.c_str()); }

AlignmentElement element(const char* name, double x, double y, double azimuth, double station, double length,
                         double r1, double r2) {
    return vornex::testing::elementAt(name, x, y, azimuth, station, length, r1, r2);
}

// North-running straight of 250 m, a right arc R = 500 of 100 m, a straight of
// 200 m (end at 550); a short chain 120 -> 130 and a long chain 400 -> 350.
RoadProject breakRoad() {
    const double R = 500, a = 100.0 / R;
    RoadProject p;
    Road r;
    r.curveForm = 1;
    r.elements = {element("QD", 0, 0, 0, 0, 250, 0, 0), element("ZY", 250, 0, 0, 250, 100, R, R),
                  element("YZ", 250 + R * std::sin(a), R * (1 - std::cos(a)), a / kRad, 350, 200, 0, 0)};
    r.chainBreaks = {{120, 130}, {400, 350}};
    p.roads.push_back(r);
    return p;
}

TEST(RoadTables, CoordinateTableCutsAtChainBreaksAndMainPoints) {
    RoadProject p = breakRoad();
    Grid g = buildCoordinateTable(p, 0);
    ASSERT_EQ(g.columnCount(), 6);
    EXPECT_EQ(g.columns[3].caption, "设计高程");
    std::vector<std::string> stations, remarks;
    for (int i = 0; i < g.rowCount(); ++i) {
        stations.push_back(g.cell(i, 0).text);
        remarks.push_back(g.cell(i, 5).text);
    }
    // Continuous 0, 100, 120 (short chain), 190, 250 (ZY), 290, 350 (YZ), 390 (long
    // chain), 440 (design 400 at the end of the repeated stretch), 540, 550 (ZD).
    EXPECT_EQ(stations, (std::vector<std::string>{"  K0+000.000", "  K0+100.000", "  K0+120.000", "  K0+200.000",
                                                  "  K0+260.000", "  K0+300.000", "  K0+360.000", "  K0+400.000",
                                                  " +K0+400.000", "  K0+500.000", "  K0+510.000"}));
    EXPECT_EQ(remarks, (std::vector<std::string>{"QD", "", "短链= K0+130.000", "", "ZY", "", "YZ", "长链= K0+350.000", "",
                                                 "", "ZD"}));
    // Closed forms: the straight, then the arc at 40 m from its start.
    EXPECT_EQ(g.cell(1, 1).text, "100.0000");
    EXPECT_EQ(g.cell(1, 2).text, "  0.0000");
    EXPECT_NEAR(num(g, 5, 1), 250 + 500 * std::sin(0.08), 0.00006);
    EXPECT_NEAR(num(g, 5, 2), 500 * (1 - std::cos(0.08)), 0.00006);
    EXPECT_EQ(g.cell(1, 4).text, "  0°00′00.0″");
    // No profile: the elevation cells stay empty.
    for (int i = 0; i < g.rowCount(); ++i) EXPECT_EQ(g.cell(i, 3).text, "") << i;
}

TEST(RoadTables, CoordinateTableAtAFinerIntervalKeepsBreaksAndMainPoints) {
    RoadProject p = breakRoad();
    Grid g = buildCoordinateTable(p, 0, 20);
    std::vector<std::string> stations, remarks;
    for (int i = 0; i < g.rowCount(); ++i) {
        stations.push_back(g.cell(i, 0).text);
        remarks.push_back(g.cell(i, 5).text);
    }
    // Every 20 m of design station, the short chain 120 -> 130 (design 130 is the
    // next row, then 140), ZY at design 260, YZ at 360, the long chain at 400 and
    // its repeated stretch +360 ... +400, and ZD at design 510.
    const std::vector<std::string> expected = {
        "  K0+000.000", "  K0+020.000", "  K0+040.000", "  K0+060.000", "  K0+080.000", "  K0+100.000",
        "  K0+120.000", "  K0+140.000", "  K0+160.000", "  K0+180.000", "  K0+200.000", "  K0+220.000",
        "  K0+240.000", "  K0+260.000", "  K0+280.000", "  K0+300.000", "  K0+320.000", "  K0+340.000",
        "  K0+360.000", "  K0+380.000", "  K0+400.000", " +K0+360.000", " +K0+380.000", " +K0+400.000",
        "  K0+420.000", "  K0+440.000", "  K0+460.000", "  K0+480.000", "  K0+500.000", "  K0+510.000"};
    EXPECT_EQ(stations, expected);
    EXPECT_EQ(remarks[6], "短链= K0+130.000");
    EXPECT_EQ(remarks[13], "ZY");
    EXPECT_EQ(remarks[18], "YZ");
    EXPECT_EQ(remarks[20], "长链= K0+350.000");
    EXPECT_EQ(remarks.back(), "ZD");
}

TEST(RoadTables, NextStationAcrossChainBreaks) {
    Road r;
    r.elements = {element("QD", 0, 0, 0, 0, 5000, 0, 0)};
    // A long chain whose repeated stretch holds a full hundred, and a short chain
    // whose missing stretch holds one.
    r.chainBreaks = {{1000, 1150}, {2000, 1850}};
    struct Case {
        double from, next;
    };
    const Case cases[] = {
        {950, 1000},    // the short chain's spot
        {1000, 1050},   // design 1200 (1100 does not exist)
        {1050, 1150},   // design 1300
        {1800, 1850},   // design 2000 is the long chain's spot
        {1850, 1900},   // +1900, second occurrence
        {1900, 2000},   // +2000, end of the repeated stretch
        {2000, 2100},   // design 2100
        {4995, 5000},   // the end of the road
        {5000, 5000},   // and no further
    };
    for (const Case& c : cases) EXPECT_NEAR(nextTableStation(r, c.from), c.next, 1e-9) << c.from;
}

// Chain breaks whose back station has a fraction below the millimetre, on both
// sides of each rounding step, long and short chains, at several intervals. The
// expected rows come from an independent walk of the continuous chainage along a
// 500 m north-running straight (X = chainage) with a grade of 1 % from 100 m.
TEST(RoadTables, ChainBreakFractionsKeepEveryRowInItsPlace) {
    struct Case {
        std::vector<ChainBreak> breaks;
    };
    const Case cases[] = {
        {{{200.0, 150}}},    {{{200.0004, 150}}}, {{{200.0006, 150}}}, {{{200.0009, 150}}},
        {{{200.0051, 150}}}, {{{200.0099, 150}}}, {{{199.9996, 150}}}, {{{200.0006, 250}}},
        {{{200.0009, 250}}}, {{{199.9994, 250}}}, {{{120.0006, 119.9}, {300.0007, 200}}},
        {{{100.0005, 110}, {250.0009, 249.9991}}},
    };
    for (const Case& cs : cases) {
        for (double interval : {5.0, 20.0, 100.0}) {
            RoadProject p;
            Road r;
            r.elements = {element("QD", 0, 0, 0, 0, 500, 0, 0)};
            r.chainBreaks = cs.breaks;
            // Independent walk: stretches of constant shift (design − continuous).
            struct Row {
                double c, design;
                bool plus;
                std::string remark;
            };
            std::vector<Row> expected{{0, 0, false, "QD"}};
            double shift = 0, from = 0;
            bool zonePlus = false;
            double zoneEnd = -1, firstBreakAt = -1;
            // A multiple less than 0.5 mm before a break becomes the break's row, and
            // one less than 1 mm before the end of the road becomes the end's row.
            auto addMultiples = [&](double to, double margin) {
                for (double m = interval * std::floor((from + shift + 1e-6) / interval + 1); m - shift <= to - margin + 1e-9;
                     m += interval)
                    expected.push_back({m - shift, m, zonePlus && m <= zoneEnd, ""});
            };
            for (const ChainBreak& b : cs.breaks) {
                double at = b.startStation - shift;
                if (firstBreakAt < 0) firstBreakAt = at;
                addMultiples(at, 0.0005);
                double kmB = std::trunc(b.endStation / 1000);
                expected.push_back({at, b.startStation, zonePlus && b.startStation <= zoneEnd,
                                    text::format("%s= K%d+%07.3f", b.startStation < b.endStation ? "短链" : "长链",
                                                 static_cast<int>(kmB), b.endStation - 1000 * kmB)});
                from = at;
                shift += b.endStation - b.startStation;
                zonePlus = b.endStation < b.startStation;
                zoneEnd = b.startStation;
            }
            addMultiples(500, 0.001);
            if (expected.back().c < 500 - 1e-9) expected.push_back({500, 500 + shift, false, "ZD"});
            r.gradePoints = {{0, 100, 0}, {firstBreakAt, 100 + 0.01 * firstBreakAt, 0}, {500, 105, 0}};
            p.roads.push_back(r);

            Grid g = buildCoordinateTable(p, 0, interval);
            const std::string what = text::format("breaks %.4f->%.4f interval %g", cs.breaks[0].startStation,
                                                  cs.breaks[0].endStation, interval);
            ASSERT_EQ(g.rowCount(), static_cast<int>(expected.size())) << what;
            for (int i = 0; i < g.rowCount(); ++i) {
                const Row& e = expected[static_cast<std::size_t>(i)];
                std::string text = text::format("%sK0+%07.3f", e.plus ? " +" : "  ", e.design);
                EXPECT_EQ(g.cell(i, 0).text, text) << what << " row " << i;
                EXPECT_NEAR(num(g, i, 1), e.c, 0.00006) << what << " row " << i;
                EXPECT_NEAR(num(g, i, 3), 100 + 0.01 * e.c, 0.0006) << what << " row " << i;
                if (!e.remark.empty()) {
                    EXPECT_EQ(g.cell(i, 5).text, e.remark) << what << " row " << i;
                }
                // The query reads the printed station back to the same spot. (A
                // station 0.4 mm past a long chain's back station 199.9996 prints
                // as the break does and names the break.)
                bool breakText = false;
                for (const ChainBreak& b : cs.breaks)
                    breakText = breakText || (e.remark.empty() && text == text::format("  K0+%07.3f", b.startStation));
                if (e.plus || breakText) continue;
                RouteQueryResult q = queryByStation(p, 0, {g.cell(i, 0).text, 0, 90, std::nullopt});
                ASSERT_TRUE(q.found) << what << " row " << i;
                EXPECT_NEAR(q.x, e.c, 0.0006) << what << " row " << i;
            }
            // The vertical-curve table shows the grade point on the first break
            // with the break's back station.
            Grid v = buildVerticalCurveTable(p, 0);
            EXPECT_EQ(v.cell(1, 0).text, text::format("  K0+%07.3f", cs.breaks[0].startStation)) << what;
        }
    }
}

TEST(RoadTables, CoordinateTableElevationsAndRowLimit) {
    RoadProject p = breakRoad();
    p.roads[0].chainBreaks.clear();
    p.roads[0].gradePoints = {{0, 100, 0}, {550, 111, 0}};
    Grid g = buildCoordinateTable(p, 0);
    EXPECT_EQ(g.cell(1, 3).text, " 102.000");  // 2 % grade
    // A 200 km straight: 2001 stations at 100 m; at 1 m the table is cut at the
    // row bound and says so in a last red row.
    RoadProject longRoad;
    Road r;
    r.elements = {element("QD", 0, 0, 45, 0, 200000, 0, 0)};
    longRoad.roads.push_back(r);
    Grid big = buildCoordinateTable(longRoad, 0);
    EXPECT_EQ(big.rowCount(), 2001);
    EXPECT_EQ(big.cell(2000, 0).text, "  K200+000.000");
    Grid cut = buildCoordinateTable(longRoad, 0, 1);
    ASSERT_EQ(cut.rowCount(), kMaxCoordinateRows + 1);
    EXPECT_EQ(cut.cell(kMaxCoordinateRows - 1, 0).text, "  K99+999.000");
    EXPECT_EQ(cut.cell(kMaxCoordinateRows, 0).text, kCoordinateTableCutText);
    EXPECT_TRUE(cut.cell(kMaxCoordinateRows, 0).red);
    EXPECT_EQ(buildCoordinateTable(longRoad, 0, 0).rowCount(), 0);  // no step, no table
    // A station that is not a multiple of the interval steps to the next multiple.
    EXPECT_DOUBLE_EQ(nextTableStation(r, 123.4), 200);
    EXPECT_DOUBLE_EQ(nextTableStation(r, 200000), 200000);
    EXPECT_EQ(buildCoordinateTable(longRoad, 5).rowCount(), 0);
}

// Steps whose multiples the floating division lands a hair below (7.3, 0.1) and
// steps that are no whole number of millimetres (0.1004) go on to the end of the
// road, a row at every multiple, instead of ending after the first rows.
TEST(RoadTables, CoordinateTableReachesTheEndAtAnyStep) {
    RoadProject p;
    Road r;
    r.elements = {element("QD", 0, 0, 0, 12000, 100, 0, 0)};
    p.roads.push_back(r);
    for (double interval : {7.3, 0.1, 0.1004, 2.7, 33.3}) {
        // Expected: the start, every multiple of the step more than 1 mm before
        // the end, and the end.
        std::vector<double> stations{12000};
        for (long k = static_cast<long>(std::floor(12000 / interval)) + 1; k * interval < 12100 - 0.001; ++k)
            if (k * interval > 12000.0005) stations.push_back(k * interval);
        stations.push_back(12100);
        Grid g = buildCoordinateTable(p, 0, interval);
        ASSERT_EQ(g.rowCount(), static_cast<int>(stations.size())) << interval;
        for (int i = 0; i < g.rowCount(); ++i) {
            const double m = stations[static_cast<std::size_t>(i)];
            EXPECT_EQ(g.cell(i, 0).text, text::format("  K12+%07.3f", m - 12000)) << interval << " row " << i;
            EXPECT_NEAR(num(g, i, 1), m - 12000, 0.00006) << interval << " row " << i;
        }
    }
}

TEST(RoadTables, ElementTableEndsWithZd) {
    RoadProject p;
    Road r;
    const double R = 500;
    r.elements = {element("QD", 0, 0, 0, 0, 100, 0, 0), element("ZH", 100, 0, 0, 100, 100, 0, -R),
                  element("HY", 0, 0, 0, 200, 0.0004, -R, -R), element("YH", 0, 0, 0, 200.0004, 50, -R, -2 * R)};
    p.roads.push_back(r);
    propagateElements(p.roads[0], 0, 0.0001);
    Grid g = buildElementTable(p, 0);
    ASSERT_EQ(g.rowCount(), 5);
    EXPECT_EQ(rowTexts(g, 0), (std::vector<std::string>{"QD", "  K0+000.000", "  0.0000", "  0.0000", "  0°00′00.0″",
                                                        "直线", " 100.000", ""}));
    EXPECT_EQ(g.cell(1, 5).text, "左转缓");
    EXPECT_EQ(g.cell(1, 7).text, text::format("A=%8.3f", std::sqrt(100.0 * 500)));
    EXPECT_EQ(g.cell(2, 5).text, "左转圆");
    EXPECT_EQ(g.cell(2, 6).text, "0.000");
    EXPECT_EQ(g.cell(2, 7).text, "R= 500.000");
    EXPECT_EQ(g.cell(3, 7).text, text::format("A=%8.3f", std::sqrt(50.0 * 500 * 1000 / 500)));
    EXPECT_EQ(g.cell(4, 0).text, "ZD");
    EXPECT_EQ(g.cell(4, 1).text, "  K0+250.000");
    EXPECT_EQ(g.cell(4, 5).text, "");
    EXPECT_FALSE(g.cell(4, 2).text.empty());
}

TEST(RoadTables, CurveElementTableAgainstClosedForms) {
    RoadProject p;
    Road r;
    IntersectionPoint a, b, c;
    a.name = "JD0";
    b.name = "JD1";
    b.x = 1000;
    b.radius = 500;
    b.spiralIn = b.spiralOut = 100;
    c.name = "JD2";
    c.x = 1000;
    c.y = 1000;
    r.intersectionPoints = {a, b, c};
    p.roads.push_back(r);
    ASSERT_EQ(buildElementsFromIntersectionPoints(p.roads[0], 0, 0.0001), 1);
    Grid g = buildCurveElementTable(p, 0);
    ASSERT_EQ(g.columnCount(), 24);
    ASSERT_EQ(g.rowCount(), 9);
    EXPECT_EQ(g.cell(3, 1).text, "JD1");
    EXPECT_EQ(g.cell(3, 5).text, "右  90°00′00.0″");
    // Symmetric spirals: p = Ls²/24R − Ls⁴/2688R³, q = Ls/2 − Ls³/240R²,
    // T = (R + p)·tan(α/2) + q, L = R·α + Ls, E = (R + p)/cos(α/2) − R.
    const double R = 500, Ls = 100, alpha = 90 * kRad;
    double pp = Ls * Ls / (24 * R) - std::pow(Ls, 4) / (2688 * std::pow(R, 3));
    double q = Ls / 2 - std::pow(Ls, 3) / (240 * R * R);
    double T = (R + pp) * std::tan(alpha / 2) + q;
    EXPECT_NEAR(num(g, 3, 6), T, 0.0011);
    EXPECT_NEAR(num(g, 3, 7), T, 0.0011);
    EXPECT_NEAR(num(g, 3, 9), 500, 1e-9);
    EXPECT_NEAR(num(g, 3, 8), std::sqrt(R * Ls), 0.0011);
    EXPECT_NEAR(num(g, 3, 12), R * alpha - Ls, 0.0011);
    EXPECT_NEAR(num(g, 3, 14), R * alpha + Ls, 0.0011);
    EXPECT_NEAR(num(g, 3, 15), (R + pp) / std::cos(alpha / 2) - R, 0.0011);
    // ZH lies T before JD1 on the first leg; HZ T after it on the second.
    EXPECT_NEAR(num(g, 4, 16), 1000 - T, 0.0002);
    EXPECT_NEAR(num(g, 5, 16), 0, 0.0002);
    EXPECT_NEAR(num(g, 4, 20), 1000, 0.0002);
    EXPECT_NEAR(num(g, 5, 20), T, 0.0002);
    // Legs: length, straight (leg − T) and azimuth in the third row of the block.
    EXPECT_EQ(g.cell(2, 21).text, "1000.000");
    EXPECT_NEAR(num(g, 2, 22), 1000 - T, 0.0011);
    EXPECT_FALSE(g.cell(2, 22).red);
    EXPECT_EQ(g.cell(5, 23).text, " 90°00′00.0″");
    // Start and end points show only their name, station and coordinates.
    EXPECT_EQ(g.cell(6, 1).text, "JD2");
    EXPECT_EQ(g.cell(6, 5).text, "");
    EXPECT_EQ(g.cell(6, 3).text, "1000.0000");
}

TEST(RoadTables, CurveElementTableVirtualPointAndOverlap) {
    RoadProject p;
    Road r;
    IntersectionPoint pts[4];
    const double xy[4][2] = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};
    for (int i = 0; i < 4; ++i) {
        pts[i].name.assign(text::format("JD%d", i));
        pts[i].x = xy[i][0];
        pts[i].y = xy[i][1];
        r.intersectionPoints.push_back(pts[i]);
    }
    // Two curves whose tangents (2000 m each) overrun the 1000 m leg between them.
    r.intersectionPoints[1].radius = 2000;
    r.intersectionPoints[2].radius = 2000;
    p.roads.push_back(r);
    buildElementsFromIntersectionPoints(p.roads[0], 0, 0.0001);
    Grid g = buildCurveElementTable(p, 0);
    ASSERT_EQ(g.rowCount(), 12);
    EXPECT_LT(num(g, 5, 22), -0.001);
    EXPECT_TRUE(g.cell(5, 22).red);

    p.roads[0].intersectionPoints[2].radius = -1;  // JD2 joins the curve of JD1
    buildElementsFromIntersectionPoints(p.roads[0], 0, 0.0001);
    g = buildCurveElementTable(p, 0);
    EXPECT_EQ(g.cell(6, 5).text, "虚交点");
}

TEST(RoadTables, VerticalCurveTable) {
    RoadProject p = breakRoad();
    p.roads[0].chainBreaks.clear();
    p.roads[0].gradePoints = {{0, 100, 0}, {1000, 120, 10000}, {2000, 110, 0}};
    Grid g = buildVerticalCurveTable(p, 0);
    ASSERT_EQ(g.rowCount(), 3);
    EXPECT_EQ(rowTexts(g, 0), (std::vector<std::string>{"  K0+000.000", " 100.000", "", "", "", "", "", "", "", ""}));
    // +2 % then −1 %, R = 10000: T = 150, E = 1.125.
    EXPECT_EQ(rowTexts(g, 1), (std::vector<std::string>{"* K1+000.000", " 120.000", "凸", "10000.000", " 150.000",
                                                        " 150.000", "   1.125", "1000.000", " 850.000", "   2.000"}));
    EXPECT_EQ(rowTexts(g, 2)[9], "  -1.000");
}

TEST(RoadTables, StructureAndBridgeTables) {
    RoadProject p;
    Road r;
    r.elements = {element("QD", 0, 0, 0, 0, 1000, 0, 0)};
    Structure s;
    s.kindAndMethod = 1 << 16;
    s.station = 100;
    s.angle = 90;
    s.width = 4;
    s.leftLength = 10;
    s.rightLength = 12;
    s.centreElevation = 50;
    r.structures = {s};
    Bridge b;
    b.startStation = 200;
    b.length = 100;
    Pier pier;
    pier.name = "0";
    pier.station = 250;
    pier.angle = 90;
    pier.piles = {{"Z1", 0, 0, -3, 7.5}, {"Z2", 1, 5, 6, 8}};
    b.piers = {pier};
    r.bridges = {b};
    r.currentBridge = 0;
    p.roads.push_back(r);

    Grid st = buildStructureStakeoutTable(p, 0);
    ASSERT_EQ(st.columnCount(), 9);
    EXPECT_EQ(st.columns[0].caption, "桩  号");
    ASSERT_EQ(st.rowCount(), 3);
    EXPECT_EQ(rowTexts(st, 0), (std::vector<std::string>{"  K0+100.000", "坐标X(m)", "102.0000", "100.0000", " 98.0000",
                                                         "100.0000", "102.0000", "100.0000", " 98.0000"}));
    EXPECT_EQ(st.cell(1, 2).text, "-10.0000");
    EXPECT_EQ(st.cell(2, 1).text, "坐标Z(m)");
    EXPECT_EQ(st.cell(2, 5).text, "  50.000");

    Grid bp = buildBridgePositionTable(p, 0);
    ASSERT_EQ(bp.rowCount(), 3);
    EXPECT_EQ(rowTexts(bp, 0), (std::vector<std::string>{"0", "  K0+250.000", "250.0000", "  0.0000", " 90°00′00.0″"}));
    EXPECT_EQ(rowTexts(bp, 1), (std::vector<std::string>{"", "Z1", "250.0000", " -3.0000", "   7.500"}));
    EXPECT_EQ(rowTexts(bp, 2), (std::vector<std::string>{"", "Z2", "  5.0000", "  6.0000", "   8.000"}));
    p.roads[0].currentBridge = -1;
    EXPECT_EQ(buildBridgePositionTable(p, 0).rowCount(), 0);
}

}  // namespace
}  // namespace vornex
