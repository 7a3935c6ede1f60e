#include "tables/route_query.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

// A north-running straight (station 0 to 1000) at a 1 % grade from 100 m, 3.75 m
// left and 3.5 m right at −2 % with a 0.3 m layer, and a tunnel from 400 to 600
// whose section is a half circle of radius 6 about the design line (crown 6 m up).
RoadProject road() {
    RoadProject p;
    Road r;
    AlignmentElement e;
    e.name = "QD";
    e.length = 1000;
    r.elements = {e};
    r.gradePoints = {{0, 100, 0}, {1000, 110, 0}};
    r.plates = {{1, 6, 3.75, -2, 0.3, 0, -1, -1, -1, -1}, {2, 6, 3.5, -2, 0.3, 0, -1, -1, -1, -1}};
    TunnelTemplate t;
    t.excavationCrown = t.secondaryCrown = 6;
    t.excavation = {{-6, 6, 6, 90}, {-6, -6, -6, 90}};
    t.secondary = t.excavation;
    r.tunnelTemplates = {t};
    Tunnel tunnel;
    tunnel.startStation = 400;
    tunnel.length = 200;
    tunnel.stationRules = {{400, 2, 0}};
    r.tunnels = {tunnel};
    p.roads.push_back(r);
    return p;
}

std::map<std::string, std::string> fields(const RoadProject& p, const RouteQueryResult& r, bool withZ = false) {
    std::map<std::string, std::string> m;
    for (auto& [k, v] : routeQueryFields(p.roads[0], r, withZ)) m[k] = v;
    return m;
}

TEST(RouteQuery, ByStationGivesPointStakesAndElevations) {
    RoadProject p = road();
    RouteQueryResult r = queryByStation(p, 0, {"100", 2, 90, std::nullopt});
    ASSERT_TRUE(r.found);
    auto f = fields(p, r);
    EXPECT_EQ(f["桩号"], "  K0+100.000");
    EXPECT_EQ(f["偏距"], "   2.000");
    EXPECT_EQ(f["角度"], "90.00000");
    EXPECT_EQ(f["坐标X"], "100.0000");
    EXPECT_EQ(f["坐标Y"], "  2.0000");
    EXPECT_EQ(f["方位角"], "  0°00′00.0″");
    EXPECT_EQ(f["设计高"], " 100.960");  // 101 − 2 % of 2 m
    EXPECT_EQ(f["路基高"], " 100.660");
    EXPECT_EQ(f["左边桩X"], "100.0000");
    EXPECT_EQ(f["左边桩Y"], " -3.7500");
    EXPECT_EQ(f["左边桩设计高"], " 100.925");
    EXPECT_EQ(f["右边桩Y"], "  3.5000");
    EXPECT_EQ(f["右边桩设计高"], " 100.930");
    for (const char* k : {"向上", "向下", "向左", "向右", "向外(欠)", "向内(超)"}) EXPECT_EQ(f[k], "   ------") << k;
    // The left side by angle 270; the field order follows the dialog.
    r = queryByStation(p, 0, {"100", 2, 270, std::nullopt});
    EXPECT_NEAR(r.y, -2, 1e-9);
    auto list = routeQueryFields(p.roads[0], r, false);
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list[5].first, "方位角");
    EXPECT_EQ(list[19].first, "向内(超)");
}

TEST(RouteQuery, ByCoordinates) {
    RoadProject p = road();
    RouteQueryResult r = queryByCoordinates(p, 0, {200, -1.5, std::nullopt});
    ASSERT_TRUE(r.found);
    auto f = fields(p, r, true);
    EXPECT_EQ(f["桩号"], "  K0+200.000");
    EXPECT_EQ(f["偏距"], "   1.500");
    EXPECT_EQ(f["角度"], "270.00000");
    EXPECT_EQ(f["坐标Z"], "");
    // Exactly on the centreline: offset 0 and the right side.
    r = queryByCoordinates(p, 0, {300, 0, 103.5});
    f = fields(p, r, true);
    EXPECT_EQ(f["偏距"], "   0.000");
    EXPECT_EQ(f["角度"], "90.00000");
    EXPECT_EQ(f["坐标Z"], "103.5000");
    RouteQueryState state;
    state.byCoordinates = true;
    rememberQuery(state, p.roads[0], r);
    EXPECT_EQ(state.station, "300.000");
    EXPECT_EQ(state.angle, 90);
    // No foot on the road: every station field empty.
    r = queryByCoordinates(p, 0, {-50, 0, std::nullopt});
    EXPECT_FALSE(r.found);
    EXPECT_EQ(fields(p, r)["桩号"], "");
    EXPECT_EQ(fields(p, r)["坐标X"], "");
    EXPECT_FALSE(queryByStation(p, 3, {"100", 0, 90, std::nullopt}).found);
}

TEST(RouteQuery, TunnelReportAndBreaks) {
    RoadProject p = road();
    // 500: design elevation 105; the point 1 m right and 5 m up lies inside the circle.
    RouteQueryResult r = queryByStation(p, 0, {"500", 1, 90, 110.0});
    ASSERT_TRUE(r.inTunnel);
    EXPECT_NE(r.tunnelReport.find("  隧道参数\n  L1=    0.0  H1=    6.0\n  横坡=  -2.00\n\n"), std::string::npos)
        << r.tunnelReport;
    EXPECT_NE(r.tunnelReport.find("1    6.000  |   -6.000  |    6.000  |   90.0000\n"), std::string::npos)
        << r.tunnelReport;
    auto f = fields(p, r);
    EXPECT_EQ(f["向上"], text::format("%8.3f", std::sqrt(36.0 - 1) - 5));
    EXPECT_EQ(f["向下"], "   ------");
    EXPECT_EQ(f["向右"], text::format("%8.3f", std::sqrt(36.0 - 25) - 1));
    EXPECT_EQ(f["向外(欠)"], text::format("%8.3f", 6 - std::sqrt(26.0)));
    EXPECT_EQ(f["向内(超)"], "   ------");
    // Outside the tunnel no report.
    EXPECT_FALSE(queryByStation(p, 0, {"300", 1, 90, 110.0}).inTunnel);
}

TEST(RouteQuery, TunnelReportCompletesEachHalfFromTheCrown) {
    // Arcs given only by radius and angle: the left half's chord goes left.
    RoadProject p = road();
    p.roads[0].tunnelTemplates[0].excavation = {{kNoValue, kNoValue, 6, 90}, {kNoValue, kNoValue, -6, 90},
                                                {-2, 0, kNoValue, kNoValue}, {-2, 0, -kNoValue, kNoValue}};
    RouteQueryResult r = queryByStation(p, 0, {"500", 1, 90, 110.0});
    ASSERT_TRUE(r.inTunnel);
    for (const char* line : {"1    6.000  |   -6.000  |    6.000  |   90.0000\n",
                             "2   -6.000  |   -6.000  |   -6.000  |   90.0000\n",
                             "3    0.000  |   -2.000  |    0.000  |    0.0000\n",
                             "4    0.000  |   -2.000  |    0.000  |    0.0000\n"})
        EXPECT_NE(r.tunnelReport.find(line), std::string::npos) << line << r.tunnelReport;
}

TEST(RouteQuery, BatchFile) {
    RoadProject p = road();
    TempDir dir;
    std::string input = (dir / "pts.txt").string();
    testing::writeAll(input,
                      "P1,100,2,101\r\n"
                      "P2,100,2\n"  // two commas: skipped
                      "\n"
                      "ABCDEFGHIJKLMNOP,500,1,110\n"
                      "far,-100,0,0\n" +
                          std::string(10000, 'x') + ",1,2,3\n");  // far too long to be a point: skipped
    ScriptedPrompter prompter;
    ASSERT_EQ(batchOutputPath(input), (dir / "pts0.txt").string());
    EXPECT_EQ(batchQuery(p, 0, input, prompter), 3);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"计算完成。"});
    const std::string none = "1000000000000000000.000";
    EXPECT_EQ(testing::readAll(dir / "pts0.txt"),
              "P1,100.0000,  2.0000,101.0000," + none + "," + none + "," + none + "\n" +
                  "ABCDEFGHIJKL,500.0000,  1.0000,110.0000," + text::format("%8.3f", std::sqrt(11.0) - 1) + "," +
                  text::format("%8.3f", std::sqrt(35.0) - 5) + "," + text::format("%8.3f", 6 - std::sqrt(26.0)) +
                  "\n" + "far,-100.0000,  0.0000,  0.0000," + none + "," + none + "," + none + "\n");

    // A point whose line runs over the end of the reader's 64 KiB block is read whole.
    testing::writeAll(input, std::string(65530, 'x') + "\nP9,100,2,101\r\nP10,100,2,101");
    EXPECT_EQ(batchQuery(p, 0, input, prompter), 2);
    EXPECT_EQ(testing::readAll(dir / "pts0.txt"), "P9,100.0000,  2.0000,101.0000," + none + "," + none + "," + none +
                                                      "\nP10,100.0000,  2.0000,101.0000," + none + "," + none + "," +
                                                      none + "\n");

    // The output cannot be created: told, and nothing half-written is left.
    std::filesystem::remove(dir / "pts0.txt");
    std::filesystem::create_directory(dir / "pts0.txt");
    ScriptedPrompter failed;
    EXPECT_EQ(batchQuery(p, 0, input, failed), -2);
    EXPECT_EQ(failed.shown, std::vector<std::string>{"不能建立文件。\ncannot write " + (dir / "pts0.txt").string() +
                                                     ": Is a directory"});
    EXPECT_FALSE(std::filesystem::exists(dir / "pts0.txt.part"));
    EXPECT_EQ(batchQuery(p, 0, (dir / "missing.txt").string(), failed), -1);
    EXPECT_EQ(failed.shown.back(), (dir / "missing.txt").string() + ": No such file or directory");
}

TEST(RouteQuery, BatchFollowsTheSectionAlongTheTunnel) {
    // From 450 to 550 the section narrows gradually from the half circle of radius
    // 6 to one of radius 5 (radius 6 − w at weight w), which holds to the end.
    // The points go up the tunnel and back down, so sections met before come again.
    RoadProject p = road();
    Road& r = p.roads[0];
    TunnelTemplate narrow;
    narrow.excavationCrown = narrow.secondaryCrown = 5;
    narrow.excavation = {{-5, 5, 5, 90}, {-5, -5, -5, 90}};
    narrow.secondary = narrow.excavation;
    r.tunnelTemplates.push_back(narrow);
    r.tunnels[0].stationRules = {{400, 2, 0}, {450, 1, 0}, {550, 2, 1}};
    std::vector<double> stations;
    for (double c = 410; c < 600; c += 4.5) stations.push_back(c);
    for (double c = 595; c > 400; c -= 7.25) stations.push_back(c);
    std::string lines;
    for (double c : stations) lines += text::format("P,%.4f,1,%.4f\n", c, 100 + c / 100 + 3);
    TempDir dir;
    const std::string input = (dir / "pts.txt").string();
    testing::writeAll(input, lines);
    ScriptedPrompter prompter;
    ASSERT_EQ(batchQuery(p, 0, input, prompter), static_cast<int>(stations.size()));
    const std::string out = testing::readAll(dir / "pts0.txt");
    std::size_t at = 0;
    for (double c : stations) {
        // The point 1 m right of the centre and 3 m up, inside the circle of radius R.
        const double R = 6 - std::clamp((c - 450) / 100, 0.0, 1.0);
        const double expected[3] = {std::sqrt(R * R - 9) - 1, std::sqrt(R * R - 1) - 3, R - std::sqrt(10.0)};
        const std::size_t end = out.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = out.substr(at, end - at);
        at = end + 1;
        double got[3];
        ASSERT_EQ(std::sscanf(line.c_str(), "P,%*f,%*f,%*f,%lf,%lf,%lf", &got[0], &got[1], &got[2]), 3) << line;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], expected[k], 0.0005 + 1e-9) << c << " " << line;
    }
}

TEST(RouteQuery, BatchWritesCoordinatesAsPrintfDoes) {
    // Whatever the form of a coordinate in the points file, the result file has
    // printf's "%8.4f" of the number strtod reads from it (0 where it reads none).
    std::vector<std::string> texts = {"0", "-0", "007.50", "-0.0001", "12345678901.1234", "123456789012.5",
                                      "99999999999.99995", "1.23456", "1.00005", "1.", ".5", "1e3", "+2", "-",
                                      "--1", "1.2.3", " 3.25 ", "\t-12.5", "0.0000", "-00.1", "abc", ""};
    std::mt19937_64 rng(29);
    for (int i = 0; i < 3000; ++i) {
        std::string t = i % 3 ? "" : "-";
        const int digits = 1 + static_cast<int>(rng() % 11), decimals = static_cast<int>(rng() % 6);
        for (int k = 0; k < digits; ++k) t += static_cast<char>('0' + rng() % 10);
        if (decimals) t += '.';
        for (int k = 0; k < decimals; ++k) t += static_cast<char>('0' + rng() % 10);
        texts.push_back(t);
    }
    std::string lines;
    for (const std::string& t : texts) lines += "P," + t + ",0," + t + "\n";
    RoadProject p = road();
    TempDir dir;
    const std::string input = (dir / "pts.txt").string();
    testing::writeAll(input, lines);
    ScriptedPrompter prompter;
    ASSERT_EQ(batchQuery(p, 0, input, prompter), static_cast<int>(texts.size()));
    const std::string out = testing::readAll(dir / "pts0.txt");
    std::size_t at = 0;
    for (const std::string& t : texts) {
        const double v = std::strtod(t.c_str(), nullptr);
        const std::string f = text::format("%8.4f", std::isfinite(v) ? v : 0.0);
        const std::string start = "P," + f + ",  0.0000," + f + ",";
        ASSERT_EQ(out.compare(at, start.size(), start), 0) << "[" << t << "] " << out.substr(at, start.size());
        at = out.find('\n', at) + 1;
    }
}

TEST(RouteQuery, BatchProgressAndCancel) {
    RoadProject p = road();
    TempDir dir;
    std::string input = (dir / "pts.txt").string();
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += text::format("P%d,%d,1.5,100\n", i, i % 1000);
    testing::writeAll(input, lines);

    // Every call reports the bytes read so far, rising, up to the whole file.
    std::vector<std::uint64_t> done;
    std::uint64_t total = 0;
    BatchProgress progress;
    progress.intervalMs = 1;
    progress.report = [&](std::uint64_t d, std::uint64_t t) {
        done.push_back(d);
        total = t;
        return true;
    };
    ScriptedPrompter prompter;
    EXPECT_EQ(batchQuery(p, 0, input, prompter, progress), 20000);
    ASSERT_GE(done.size(), 2u);
    EXPECT_EQ(done.front(), 0u);
    EXPECT_EQ(done.back(), lines.size());
    EXPECT_EQ(total, lines.size());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    const std::string result = testing::readAll(dir / "pts0.txt");

    // A cancel mid-way leaves the earlier result as it was and says so; a cancel
    // before the first point leaves no file at all.
    int calls = 0;
    progress.report = [&](std::uint64_t, std::uint64_t) { return ++calls < 3; };
    ScriptedPrompter cancelled;
    EXPECT_EQ(batchQuery(p, 0, input, cancelled, progress), kBatchCancelled);
    EXPECT_EQ(cancelled.shown, std::vector<std::string>{kBatchCancelledText});
    EXPECT_EQ(testing::readAll(dir / "pts0.txt"), result);
    std::filesystem::remove(dir / "pts0.txt");
    progress.report = [](std::uint64_t, std::uint64_t) { return false; };
    EXPECT_EQ(batchQuery(p, 0, input, cancelled, progress), kBatchCancelled);
    EXPECT_FALSE(std::filesystem::exists(dir / "pts0.txt"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".vornex-", 0), std::string::npos) << entry.path();
}

// A crown height of 1e308 is a number, but the breaks it gives overflow: the
// query has no result and the batch writes no file, each saying why.
TEST(RouteQuery, OverflowingResultsAreNoResults) {
    RoadProject p = road();
    TunnelTemplate& t = p.roads[0].tunnelTemplates[0];
    t.excavationCrown = t.secondaryCrown = 1e308;
    RouteQueryResult r = queryByStation(p, 0, {"500", 1, 90, 110.0});
    EXPECT_FALSE(r.found);
    EXPECT_TRUE(r.overflow);
    EXPECT_TRUE(queryByStation(p, 0, {"300", 1, 90, 110.0}).found);  // outside the tunnel all is well

    TempDir dir;
    std::string input = (dir / "pts.txt").string();
    testing::writeAll(input, "P1,100,2,101\nHUGE,500,1,110\n");
    ScriptedPrompter prompter;
    EXPECT_EQ(batchQuery(p, 0, input, prompter), kBatchNotFinite);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"点HUGE的计算结果不是有限数，计算中止。"});
    EXPECT_FALSE(std::filesystem::exists(dir / "pts0.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "pts0.txt.part"));
}

}  // namespace
}  // namespace vornex
