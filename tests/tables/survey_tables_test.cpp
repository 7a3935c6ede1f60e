#include "tables/survey_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "adjust/adjustment_summary.h"

#include "support/scripted_prompter.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
namespace st = survey_table;

std::vector<std::string> column(const Grid& g, int c) {
    std::vector<std::string> out;
    for (int r = 0; r < g.rowCount(); ++r) out.push_back(g.cell(r, c).text);
    return out;
}

TEST(SurveyTables, ReadingsInBothInstrumentFormats) {
    LevelingModule m;
    LevelingSection s;
    s.startName = "A";
    s.endName = "B";
    LevelingStation st;
    st.readings = {150099, 140050, 130001, 608700, 1, 120000, -250, 598700};
    s.stations = {st};
    m.network.sections = {s};
    Grid g = buildLevelingTable(m, st::kReadings, 0);
    ASSERT_EQ(g.columnCount(), 15);  // the eight readings, then the station checks
    EXPECT_EQ(g.columns[1].caption, "后尺黑面下丝");
    // Upper, lower, middle, red: integer mm with integer division.
    EXPECT_EQ(g.rows[0].cells[0].text, "1500");
    EXPECT_EQ(g.rows[0].cells[1].text, "1300");
    EXPECT_EQ(g.rows[0].cells[2].text, "1400");
    EXPECT_EQ(g.rows[0].cells[5].text, "-2");
    m.network.leveling.instrument = 1;  // DS05: "%8.2f" of reading / 100 + 0.0001
    g = buildLevelingTable(m, st::kReadings, 0);
    EXPECT_EQ(g.rows[0].cells[0].text, " 1500.99");
    EXPECT_EQ(g.rows[0].cells[4].text, "    0.01");
    EXPECT_EQ(buildLevelingTable(m, st::kReadings, 3).rowCount(), 0);
}

// A staff reading in 0.01 mm from metres.
std::int32_t hu(double metres) { return static_cast<std::int32_t>(std::llround(metres * 100000)); }

// One station of a sheet: back upper, lower, middle, red; front upper, lower, middle, red (m).
LevelingStation sheetStation(double bu, double bl, double bm, double br, double fu, double fl, double fm, double fr) {
    LevelingStation s;
    s.readings = {hu(bu), hu(bm), hu(bl), hu(br), hu(fu), hu(fm), hu(fl), hu(fr)};
    return s;
}

TEST(SurveyTables, StationChecksOfASheetByOrder) {
    // A four-station sheet, first back staff 4687 (the pair alternates), worked by hand:
    //  st  back  front  diff  cum   K+B-R back  front  black-red
    //  1   36.6  36.8   -0.2  -0.2  -1          2      -3
    //  2   37.4  37.5   -0.1  -0.3  -1         -1       0
    //  3   89.0  84.0    5.0   4.7  -4          4      -8
    //  4   40.0  37.0    3.0   7.7   0          0       0
    LevelingModule m;
    LevelingSection s;
    s.startName = "BM1";
    s.endName = "P1";
    s.stations = {sheetStation(1.891, 1.525, 1.708, 6.396, 0.758, 0.390, 0.574, 5.359),
                  sheetStation(2.121, 1.747, 1.934, 6.722, 2.196, 1.821, 2.008, 6.696),
                  sheetStation(1.914, 1.024, 1.469, 6.160, 1.250, 0.410, 0.835, 5.618),
                  sheetStation(1.500, 1.100, 1.300, 6.087, 1.485, 1.115, 1.300, 5.987)};
    m.network.sections = {s};
    Grid g = buildLevelingTable(m, st::kReadings, 0);
    ASSERT_EQ(g.columnCount(), 15);
    std::vector<std::string> added;
    for (int c = 8; c < 15; ++c) added.push_back(g.columns[static_cast<std::size_t>(c)].caption);
    EXPECT_EQ(added, (std::vector<std::string>{"后视距", "前视距", "视距差", "累积视距差", "后尺K+黑-红", "前尺K+黑-红", "黑红面高差之差"}));
    ASSERT_EQ(g.rowCount(), 5);
    const std::vector<std::vector<std::string>> values = {
        {"  36.6", "  36.8", "  -0.2", "  -0.2", " -1.0", "  2.0", " -3.0"},
        {"  37.4", "  37.5", "  -0.1", "  -0.3", " -1.0", " -1.0", "  0.0"},
        {"  89.0", "  84.0", "   5.0", "   4.7", " -4.0", "  4.0", " -8.0"},
        {"  40.0", "  37.0", "   3.0", "   7.7", "  0.0", "  0.0", "  0.0"},
        {" 203.0", " 195.3", "   7.7", "", "", "", "-11.0"},  // 合计
    };
    for (int r = 0; r < 5; ++r) {
        std::vector<std::string> row;
        for (int c = 8; c < 15; ++c) row.push_back(g.cell(r, c).text);
        EXPECT_EQ(row, values[static_cast<std::size_t>(r)]) << r;
    }
    // The 合计 row: the middle readings summed (mm), the label in the first column.
    EXPECT_EQ(g.cell(4, 0).text, "合计");
    EXPECT_EQ(g.rows[4].recordIndex, -1);
    EXPECT_EQ((std::vector<std::string>{g.cell(4, 2).text, g.cell(4, 3).text, g.cell(4, 6).text, g.cell(4, 7).text}),
              (std::vector<std::string>{"6411", "25365", "4717", "23660"}));

    // Red over the order's limits; a value on its limit is not marked.
    // Fourth order 100 m (DS3), 5 / 10 m, 3 mm, 5 mm; third order 75 m, 3 / 6 m,
    // 2 mm, 3 mm; first order 30 m, 1 / 3 m, 0.3 mm, 0.4 mm.
    struct Case {
        int levelClass;
        std::vector<std::pair<int, int>> red;  // (row, column)
    };
    const std::vector<Case> cases = {
        {0, {{2, 12}, {2, 13}, {2, 14}}},
        {1, {{2, 8}, {2, 9}, {2, 10}, {2, 12}, {2, 13}, {2, 14}, {3, 11}}},
        {3, {{0, 8}, {0, 9}, {0, 12}, {0, 13}, {0, 14}, {1, 8}, {1, 9}, {1, 12}, {1, 13}, {2, 8}, {2, 9}, {2, 10},
             {2, 11}, {2, 12}, {2, 13}, {2, 14}, {3, 8}, {3, 9}, {3, 10}, {3, 11}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.levelClass);
        m.network.leveling.levelClass = c.levelClass;
        Grid t = buildLevelingTable(m, st::kReadings, 0);
        std::vector<std::pair<int, int>> red;
        for (int r = 0; r < t.rowCount(); ++r)
            for (int col = 0; col < t.columnCount(); ++col)
                if (t.cell(r, col).red) red.push_back({r, col});
        EXPECT_EQ(red, c.red);
    }

    // With the staff pair the other way round the constants swap: the same
    // readings now miss by 100 mm on every staff.
    m.network.sections[0].staffSelector = 1;
    Grid swapped = buildLevelingTable(m, st::kReadings, 0);
    EXPECT_EQ(swapped.cell(0, 12).text, " 99.0");
    EXPECT_EQ(swapped.cell(0, 13).text, "-98.0");
    EXPECT_EQ(swapped.cell(0, 14).text, "197.0");
}

// Leveling with runs set up by their height differences: one station each.
LevelingSection run(const char* from, const char* to, double h, double halfSight) {
    LevelingSection s;
    s.startName = from;
    s.endName = to;
    LevelingStation st;
    const auto hu = static_cast<std::int32_t>(std::llround(h * 100000));
    const auto d = static_cast<std::int32_t>(std::llround(halfSight * 500));
    st.readings = {200000 + d, 150000 + hu, 200000 - d, 150000 + hu + 458700, 200000 + d, 150000, 200000 - d, 150000 + 468700};
    s.stations = {st};
    return s;
}

TEST(SurveyTables, LevelingForwardReturnAndClosures) {
    LevelingModule m;
    m.network.knownPoints = {{"BM1", "", 0, 0, 10.0}, {"BM2", "", 0, 0, 12.0}};
    m.network.leveling.levelClass = 1;  // limit 12 sqrt(L)
    m.network.sections = {run("BM1", "P", 1.0, 500), run("P", "BM1", -1.012, 500), run("P", "BM2", 0.9990, 500)};
    ScriptedPrompter p;
    solveLevelingModule(m, p);
    ASSERT_EQ(m.adjust.adjusted, 1);
    Grid g = buildLevelingTable(m, st::kLevelingForwardReturn);
    ASSERT_EQ(g.rowCount(), 3);
    // Both runs: difference 12.00 over a limit 12 sqrt(1 km) = 12.00 -> not beyond.
    EXPECT_EQ(column(g, 3), (std::vector<std::string>{"   1.0000", " -1.0120", "   0.9990"}));
    EXPECT_EQ(column(g, 4), (std::vector<std::string>{" 12.00", " 12.00", ""}));
    EXPECT_EQ(g.cell(0, 5).text, "   1.0060");
    EXPECT_EQ(g.cell(0, 6).text, "");
    EXPECT_EQ(g.cell(0, 5).rowSpan, 2);
    // Forward only: its own height difference as the mean.
    EXPECT_EQ(g.cell(2, 0).text, "2");
    EXPECT_EQ(g.cell(2, 5).text, "   0.9990");
    // A larger difference is marked.
    m.network.sections[1] = run("P", "BM1", -1.0125, 500);
    solveLevelingModule(m, p);
    g = buildLevelingTable(m, st::kLevelingForwardReturn);
    EXPECT_EQ(g.cell(0, 6).text, "超限");
    EXPECT_TRUE(g.cell(0, 6).red);
    // The limit grows with the square root of the length: 12 sqrt(4 km) = 24 mm.
    LevelingModule longer = m;
    longer.network.sections = {run("BM1", "P", 1.0, 2000), run("P", "BM1", -1.02, 2000)};
    solveLevelingModule(longer, p);
    Grid lg = buildLevelingTable(longer, st::kLevelingForwardReturn);
    EXPECT_EQ(column(lg, 4), (std::vector<std::string>{" 20.00", " 24.00"}));
    EXPECT_EQ(lg.cell(0, 6).text, "");

    // Closure BM1 -> P -> BM2: w = 1.00625 + 0.999 - 2 = 5.25 mm; tolerance 20 sqrt(2 km) = 28.2 mm.
    Grid c = buildLevelingTable(m, st::kLevelingClosures);
    ASSERT_EQ(c.rowCount(), 1);
    EXPECT_EQ(c.columns[1].caption, "长度(km)");
    EXPECT_EQ(c.cell(0, 0).text, "BM2 - P - BM1");
    EXPECT_EQ(c.cell(0, 1).text, "  2.00");
    EXPECT_EQ(c.cell(0, 2).text, "  -5.2");
    EXPECT_EQ(c.cell(0, 3).text, "  28.2");
    EXPECT_EQ(c.cell(0, 4).text, "");
}

TEST(SurveyTables, LevelingForwardReturnShowsEveryRunAndTheAdjustedMean) {
    LevelingModule m;
    m.network.knownPoints = {{"BM1", "", 0, 0, 10.0}, {"BM2", "", 0, 0, 12.0}};
    m.network.leveling.levelClass = 1;
    LevelingSection empty;  // no stations: carries no weight and no height difference
    empty.startName = "P";
    empty.endName = "BM1";
    // BM1-P: two forward runs and one return, with the empty section between;
    // P-BM2: two forward runs only; the first return of BM1-P comes first in the file.
    m.network.sections = {run("P", "BM1", -1.004, 250), run("BM1", "P", 1.0, 500), empty,
                          run("P", "BM2", 0.999, 500), run("BM1", "P", 1.01, 1000), run("P", "BM2", 1.003, 500)};
    ScriptedPrompter p;
    solveLevelingModule(m, p);
    ASSERT_EQ(m.adjust.adjusted, 1);
    Grid g = buildLevelingTable(m, st::kLevelingForwardReturn);
    ASSERT_EQ(g.rowCount(), 5);
    // The observation runs as its first run did (P -> BM1): that run and its like
    // come first, the two runs the other way follow.
    EXPECT_EQ(column(g, 1), (std::vector<std::string>{"P", "BM1", "BM1", "P", "P"}));
    EXPECT_EQ(column(g, 3), (std::vector<std::string>{"  -1.0040", "  1.0000", "  1.0100", "   0.9990", "   1.0030"}));
    // The mean the adjustment used: (-1.004 - 1.0 - 1.01) / 3 (not the first runs' -1.0020).
    EXPECT_EQ(column(g, 5), (std::vector<std::string>{"  -1.0047", "", "", "   1.0010", ""}));
    EXPECT_NEAR(m.adjust.observed[0], -1.004667, 1e-6);
    // |forward mean + return mean| = |-1.004 + 1.005| = 1.00 mm; limit 12 sqrt(K) with
    // K = 1.5 km, the mean length of the return runs (1 and 2 km; the forward run is 0.5 km).
    EXPECT_EQ(column(g, 4), (std::vector<std::string>{"  1.00", " 14.70", "", "", ""}));
    EXPECT_EQ(g.cell(0, 0).rowSpan, 3);
    EXPECT_EQ(g.cell(0, 5).rowSpan, 3);
    EXPECT_EQ(g.cell(0, 6).rowSpan, 3);
    // Runs one way only: no difference, their mean.
    EXPECT_EQ(g.cell(3, 0).text, "2");
    EXPECT_EQ(g.cell(3, 0).rowSpan, 2);
    EXPECT_EQ(g.rows[3].recordIndex, 1);
}

TEST(SurveyTables, ForwardReturnLimitFollowsTheOrder) {
    // One section forward and back, 4 km each way: the limit is k sqrt(4) for the
    // order's k (1.8, 4, 12, 20 from first to fourth order), whatever the weighting.
    struct Case {
        int levelClass, weighting;
        const char* limit;
    };
    for (Case c : {Case{3, 0, "  3.60"}, Case{2, 0, "  8.00"}, Case{1, 0, " 24.00"}, Case{0, 0, " 40.00"}, Case{3, 1, "  3.60"}}) {
        SCOPED_TRACE(c.levelClass);
        LevelingModule m;
        m.network.knownPoints = {{"BM1", "", 0, 0, 10.0}};
        m.network.leveling.levelClass = c.levelClass;
        m.network.leveling.weighting = c.weighting;
        m.network.sections = {run("BM1", "P", 1.0, 2000), run("P", "BM1", -1.004, 2000)};
        ScriptedPrompter p;
        solveLevelingModule(m, p);
        Grid g = buildLevelingTable(m, st::kLevelingForwardReturn);
        ASSERT_EQ(g.rowCount(), 2);
        EXPECT_EQ(g.cell(1, 4).text, c.limit);
        // 4 mm of difference: beyond the first order's limit only.
        EXPECT_EQ(g.cell(0, 6).text, c.levelClass == 3 ? "超限" : "");
    }
}

TEST(SurveyTables, ClosureRemarkOnlyBeyondTheTolerance) {
    struct Case {
        std::int32_t mis, tol;
        bool marked;
    };
    for (Case k : {Case{50, 50, false}, Case{-51, 50, true}, Case{49, -50, false}}) {
        LevelingModule m;
        m.adjust.adjusted = 1;
        m.adjust.pointCount = 1;
        m.adjust.pointNames = {"A"};
        m.adjust.closures.push_back({{1000, k.mis, k.tol, 0, 0}});
        Grid g = buildLevelingTable(m, st::kLevelingClosures);
        ASSERT_EQ(g.rowCount(), 1);
        EXPECT_EQ(g.cell(0, 4).text, k.marked ? "闭合差超限" : "");
        EXPECT_EQ(g.cell(0, 4).red, k.marked);
    }
    // Weighting by stations: the station count, integer division.
    LevelingModule m;
    m.network.leveling.weighting = 1;
    m.adjust.adjusted = 1;
    m.adjust.pointCount = 1;
    m.adjust.pointNames = {"A"};
    m.adjust.closures.push_back({{12999, 0, 0, 0}});
    Grid g = buildLevelingTable(m, st::kLevelingClosures);
    EXPECT_EQ(g.columns[1].caption, "测站数");
    EXPECT_EQ(g.cell(0, 1).text, "12");
}

TEST(SurveyTables, NoRedundancyLeavesStandardErrorsEmpty) {
    LevelingModule m;
    m.network.knownPoints = {{"BM1", "", 0, 0, 10.0}};
    m.network.sections = {run("BM1", "P", 1.0, 500)};
    ScriptedPrompter p;
    solveLevelingModule(m, p);
    ASSERT_EQ(m.adjust.adjusted, 1);
    ASSERT_FALSE(m.adjust.hasSigma0);
    Grid g = buildLevelingTable(m, st::kLevelingPoints);
    EXPECT_EQ(column(g, 1), (std::vector<std::string>{" 10.0000", " 11.0000"}));
    EXPECT_EQ(column(g, 2), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(column(g, 3), (std::vector<std::string>{"已知点", ""}));
    Grid d = buildLevelingTable(m, st::kLevelingHeightDifferences);
    EXPECT_EQ(d.cell(0, 2).text, "    1.00");
    EXPECT_EQ(d.cell(0, 4).text, "  0.00");
    EXPECT_EQ(d.cell(0, 6).text, "");
}

ControlModule typedControl(int type) {
    ControlModule m;
    SurveyNetwork& net = m.network;
    net.knownPoints = {{"K1", "", 0, 0, 100}, {"K2", "", 0, 100, 101}};
    net.control.observationType = type;
    SurveyStation a;
    a.name = "K1";
    a.instrumentHeight = 1.5;
    SurveyObservation o;
    o.targetName = "K2";
    o.direction = 0;
    o.distance = 100.01;
    o.verticalOrHeight = type == kSlopeAndZenith ? 90 : 1.0;
    o.targetHeight = 1.5;
    a.observations = {o};
    SurveyStation b;
    b.name = "K2";
    b.instrumentHeight = 1.5;
    o.targetName = "K1";
    o.distance = 99.99;
    o.verticalOrHeight = type == kSlopeAndZenith ? 90 : -0.998;
    o.targetHeight = -1;
    b.observations = {o};
    net.stations = {a, b};
    ScriptedPrompter p;
    solveControlModule(m, p);
    return m;
}

TEST(SurveyTables, ObservationColumnsByType) {
    struct Case {
        int type;
        std::vector<std::string> captions;
        std::vector<std::string> row;
    };
    const std::vector<Case> cases = {
        {0, {"照准点名", "水平角(度.分秒)", "水平距离(m)"}, {"K2", "  0°00′00.0″", "100.0100"}},
        {2, {"照准点名", "高差(m)", "高差测段长(m)", "棱镜高(m)"}, {"K2", "  1.0000", "100.0100", "1.5000"}},
        {3, {"照准点名", "水平角(度.分秒)", "水平距离(m)", "高差(m)", "棱镜高(m)"}, {"K2", "  0°00′00.0″", "100.0100", "  1.0000", "  1.5000"}},
        {4, {"照准点名", "水平角(度.分秒)", "倾斜距离(m)", "垂直角(度.分秒)", "棱镜高(m)"}, {"K2", "  0°00′00.0″", "100.0100", " 90°00′00.0″", "  1.5000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ControlModule m = typedControl(c.type);
        Grid g = buildControlTable(m, st::kObservations, 0);
        std::vector<std::string> captions;
        for (const GridColumn& col : g.columns) captions.push_back(col.caption);
        EXPECT_EQ(captions, c.captions);
        ASSERT_EQ(g.rowCount(), 1);
        std::vector<std::string> row;
        for (const GridCell& cell : g.rows[0].cells) row.push_back(cell.text);
        EXPECT_EQ(row, c.row);
        // The second station's prism height is not observed: shown empty.
        Grid g2 = buildControlTable(m, st::kObservations, 1);
        if (c.type >= 2) {
            EXPECT_EQ(g2.rows[0].cells.back().text, "");
        }
    }
}

TEST(SurveyTables, ControlForwardReturnRows) {
    ControlModule m = typedControl(kDistanceAndHeight);
    Grid d = buildControlTable(m, st::kDistancesForwardReturn);
    ASSERT_EQ(d.rowCount(), 2);
    EXPECT_EQ(column(d, 3), (std::vector<std::string>{" 100.0100", "  99.9900"}));
    EXPECT_EQ(d.cell(0, 4).text, " 20.00");
    EXPECT_EQ(d.cell(0, 5).text, " 100.0000");
    EXPECT_EQ(d.cell(0, 4).rowSpan, 2);
    Grid h = buildControlTable(m, st::kControlForwardReturn);
    ASSERT_EQ(h.rowCount(), 2);
    EXPECT_EQ(h.cell(0, 6).text, "  2.00");     // |1.0 + (-0.998)| in mm
    EXPECT_EQ(h.cell(0, 7).text, "  0.99900");  // (1.0 - (-0.998)) / 2
    // Type 2 has no distance table.
    EXPECT_EQ(buildControlTable(typedControl(kHeightDifference), st::kDistancesForwardReturn).rowCount(), 0);
}

TEST(SurveyTables, PointErrorHeaderGroups) {
    Grid g = buildControlTable(ControlModule{}, st::kPointErrors);
    std::vector<std::string> bands;
    for (const GridHeaderGroup& h : g.headerGroups)
        bands.push_back(h.caption + ":" + std::to_string(h.first) + "+" + std::to_string(h.count));
    EXPECT_EQ(bands, (std::vector<std::string>{"坐标误差:1+3", "误差椭圆:4+3", "高程中误差:7+1"}));
    EXPECT_EQ(g.columns[7].caption, "(mm)");
}

TEST(SurveyTables, ControlForwardReturnShowsEveryRunTheAdjustmentUsed) {
    ControlModule m = typedControl(kDistanceAndHeight);
    // A second forward sighting K1 -> K2.
    SurveyObservation o = m.network.stations[0].observations[0];
    o.distance = 100.03;
    o.verticalOrHeight = 1.004;
    o.direction = -1;
    m.network.stations[0].observations.push_back(o);
    ScriptedPrompter p;
    solveControlModule(m, p);
    Grid d = buildControlTable(m, st::kDistancesForwardReturn);
    ASSERT_EQ(d.rowCount(), 3);
    EXPECT_EQ(column(d, 3), (std::vector<std::string>{" 100.0100", " 100.0300", "  99.9900"}));
    EXPECT_EQ(d.cell(0, 4).text, " 30.00");      // |99.99 - 100.02| in mm
    EXPECT_EQ(d.cell(0, 5).text, " 100.0100");  // the mean of all three, as adjusted
    EXPECT_EQ(d.cell(0, 4).rowSpan, 3);
    Grid h = buildControlTable(m, st::kControlForwardReturn);
    ASSERT_EQ(h.rowCount(), 3);
    EXPECT_EQ(column(h, 3), (std::vector<std::string>{"  1.0000", "  1.0040", " -0.9980"}));
    EXPECT_EQ(column(h, 5), (std::vector<std::string>{"1.5000", "1.5000", ""}));  // prism not observed: empty
    EXPECT_EQ(h.cell(0, 6).text, "  4.00");     // |1.002 - 0.998| in mm
    EXPECT_EQ(h.cell(0, 7).text, "  1.00067");  // (1.0 + 1.004 + 0.998) / 3

    // By zenith angle a sighting without a prism height gives no height: the
    // height network skips it, and so does the table.
    ControlModule z = typedControl(kSlopeAndZenith);
    Grid zh = buildControlTable(z, st::kControlForwardReturn);
    ASSERT_EQ(zh.rowCount(), 1);
    EXPECT_EQ(zh.cell(0, 1).text, "K1");
    EXPECT_EQ(zh.cell(0, 8).text, "");  // one way only: no difference
    EXPECT_EQ(zh.cell(0, 9).text, text::format("%9.5f", z.heights.observed[0]));
}

TEST(SurveyTables, PaneValues) {
    LevelingModule m;
    m.network.key = 81;
    m.network.leveling = {1, 1, 1, 20.0};
    LevelingSection s;
    s.startName = "A";
    s.endName = "B";
    s.date = 20120315;
    s.staffSelector = 2;
    m.network.sections = {s};
    auto props = levelingPaneProperties(m, true, 0);
    auto find = [&](const std::vector<PaneProperty>& v, const char* caption) {
        for (const PaneProperty& p : v)
            if (p.caption == caption) return p;
        return PaneProperty{};
    };
    EXPECT_EQ(find(props, "观测等级").value, "三等水准");
    EXPECT_EQ(find(props, "仪器类型").value, "DS05水准仪");
    EXPECT_EQ(find(props, "定权方式").value, "测站数");
    EXPECT_TRUE(find(props, "定权方式").editable);
    EXPECT_EQ(find(props, "闭合差系数").value, " 20.0");
    EXPECT_FALSE(find(props, "闭合差系数").editable);  // key <= 81
    EXPECT_EQ(find(props, "观测日期").value, "2012-03-15");
    EXPECT_EQ(find(props, "标尺常数").value, "4787");
    EXPECT_EQ(find(props, "总测站数").value, "0");
    EXPECT_EQ(find(props, "参与平差").value, "是");
    m.network.sections[0].excluded = 1;
    EXPECT_EQ(find(levelingPaneProperties(m, true, 0), "参与平差").value, "否（不参与平差）");
    m.network.sections[0].excluded = 0;
    EXPECT_EQ(find(levelingPaneProperties(m, true, -1), "测段起点").value, "");
    EXPECT_EQ(find(levelingPaneProperties(m, false, 0), "观测等级").value, "");
    m.network.key = 83;
    EXPECT_TRUE(find(levelingPaneProperties(m, true, 0), "闭合差系数").editable);

    ControlModule c = typedControl(kSlopeAndZenith);
    auto cp = controlPaneProperties(c, true, 1);
    EXPECT_EQ(find(cp, "观测类型").value, "斜距+垂角");
    EXPECT_EQ(find(cp, "角度中误差").value, "1.0");
    EXPECT_TRUE(find(cp, "高程系数").editable);
    EXPECT_EQ(find(cp, "测站名").value, "K2");
    EXPECT_EQ(find(cp, "仪器高").value, "1.500");
}

// Value and remark of the n-th row whose item is `item` in a 平差概况 table.
const GridRow* summaryItem(const Grid& g, const std::string& item, int nth = 0) {
    for (const GridRow& r : g.rows) {
        if (r.cells[0].text == item && nth-- == 0) return &r;
    }
    return nullptr;
}

TEST(SurveyTables, SummaryOfTheDemoNetworks) {
    const std::filesystem::path examples = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";
    ScriptedPrompter p;
    LevelingModule lev;
    ASSERT_TRUE(openLevelingModule(lev, examples / "demo.lev", p));
    lev.summaryLines.push_back({"附注", "甲", "乙"});
    Grid g = buildLevelingTable(lev, st::kLevelingSummary);
    ASSERT_EQ(g.columnCount(), 3);
    EXPECT_EQ(g.columns[0].caption, "项目");
    const AdjustmentSummary s = summarizeHeights(lev.adjust, levelingPriorSigma0(lev.network));
    ASSERT_TRUE(s.results && s.test.valid && s.largest.valid);
    auto value = [&](const Grid& t, const char* item, int nth = 0) {
        const GridRow* r = summaryItem(t, item, nth);
        return r ? r->cells[1].text : std::string("<missing>");
    };
    EXPECT_EQ(value(g, "附注"), "甲");
    EXPECT_EQ(value(g, "高差观测数"), std::to_string(lev.adjust.observationCount));
    EXPECT_EQ(value(g, "未知数个数"), std::to_string(lev.adjust.pointCount - lev.adjust.knownCount));
    EXPECT_EQ(value(g, "多余观测数 r"), std::to_string(s.redundancy));
    EXPECT_EQ(value(g, "单位权中误差（验后）"), text::format("%.3f mm（每√km）", lev.adjust.sigma0 * 1000));
    // 三等水准: 6 mm per kilometre.
    EXPECT_EQ(lev.network.leveling.levelClass, 1);
    EXPECT_EQ(value(g, "单位权中误差（先验）"), "6.000 mm（每√km）");
    EXPECT_EQ(value(g, "χ²(r) 95%区间"), text::format("%.3f ～ %.3f", s.test.lower, s.test.upper));
    const GridRow* verdict = summaryItem(g, "整体检验");
    ASSERT_NE(verdict, nullptr);
    EXPECT_EQ(verdict->cells[1].text, s.test.passed ? "通过" : "未通过");
    EXPECT_EQ(verdict->cells[1].red, !s.test.passed);
    EXPECT_EQ(value(g, "最大标准化残差 |w|"), text::format("%.2f", s.largest.w));

    // Weighting by stations: sigma0 a priori per station from the mean line per station.
    applyLevelingWeighting(lev.network, 1);
    solveLevelingModule(lev, p);
    double length = 0, stations = 0;
    for (int i = 0; i < lev.network.sectionCount(); ++i) {
        if (lev.network.section(i).excluded) continue;
        length += lev.network.sectionTotals(i).length();
        stations += lev.network.sectionTotals(i).stationCount;
    }
    EXPECT_EQ(value(buildLevelingTable(lev, st::kLevelingSummary), "单位权中误差（先验）"),
              text::format("%.3f mm（每站）", 6.0 * std::sqrt(length / 1000 / stations)));
    EXPECT_EQ(summaryItem(buildLevelingTable(lev, st::kLevelingSummary), "闭合差"), nullptr);

    // A closure listing stopped at its bound is told, with the part listed.
    lev.adjust.closureWorkLimit = 1;
    solveLevelingModule(lev, p);
    ASSERT_TRUE(lev.adjust.closuresCut);
    const Grid cutSummary = buildLevelingTable(lev, st::kLevelingSummary);
    const GridRow* cut = summaryItem(cutSummary, "闭合差");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->cells[2].text, text::format("网太大，闭合差只列出了前 %d 条", int(lev.adjust.closures.size())));
    EXPECT_TRUE(cut->cells[1].red);

    // Control survey: the plane network, then the height network.
    ControlModule con;
    ASSERT_TRUE(openControlModule(con, examples / "demo.con", p));
    g = buildControlTable(con, st::kControlSummary);
    ASSERT_NE(summaryItem(g, "平面网"), nullptr);
    ASSERT_NE(summaryItem(g, "高程网"), nullptr);
    EXPECT_EQ(value(g, "方向观测数"), std::to_string(con.plane.directionCount()));
    EXPECT_EQ(value(g, "单位权中误差（先验）"), "1.000");
    EXPECT_EQ(value(g, "单位权中误差（验后）"), text::format("%.3f", con.plane.sigma0));
    EXPECT_EQ(value(g, "迭代次数"), std::to_string(con.plane.solutions));
    EXPECT_EQ(value(g, "高差观测数"), std::to_string(con.heights.observationCount));
    // The height network's sigma0 a priori is half the closure coefficient per kilometre.
    EXPECT_EQ(value(g, "单位权中误差（先验）", 1), text::format("%.3f mm（每√km）", con.network.control.heightClosureCoefficient / 2));

    // A gross error of 20" in one direction is named, in red.
    SurveyObservation* bad = nullptr;
    for (SurveyObservation& o : con.network.stations[2].observations) {
        if (o.direction >= 0) bad = &o;
    }
    ASSERT_NE(bad, nullptr);
    bad->direction += 20.0 / 3600;
    solveControlModule(con, p);
    g = buildControlTable(con, st::kControlSummary);
    const GridRow* w = summaryItem(g, "最大标准化残差 |w|");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->cells[1].red);
    EXPECT_NE(value(g, "所在观测").find("方向"), std::string::npos);

    // A closed module shows an empty table.
    closeControlModule(con);
    EXPECT_EQ(buildControlTable(con, st::kControlSummary).rowCount(), 0);
}

TEST(SurveyTables, NamesAndCodes) {
    EXPECT_EQ(surveyTableCode("summary", SurveyModuleKind::Leveling), st::kLevelingSummary);
    EXPECT_EQ(surveyTableCode("summary", SurveyModuleKind::Control), st::kControlSummary);
    EXPECT_EQ(surveyTableCode("closures", SurveyModuleKind::Leveling), st::kLevelingClosures);
    EXPECT_EQ(surveyTableCode("closures", SurveyModuleKind::Control), st::kControlClosures);
    EXPECT_EQ(surveyTableCode("-10038", SurveyModuleKind::Control), st::kPointErrors);
    EXPECT_EQ(surveyTableCode("-10038", SurveyModuleKind::Leveling), 0);
    EXPECT_EQ(surveyTableCode("readings", SurveyModuleKind::Control), 0);
    EXPECT_EQ(formatSurveyDate(20120315), "2012-03-15");
}

}  // namespace
}  // namespace vornex
