// vornex-cli level and control, run as a program on the example files.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "adjust/demo_networks.h"
#include "adjust/survey_network.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::readAll;
using testing::TempDir;

using testing::CliRun;

CliRun run(const TempDir& dir, const std::string& args) { return testing::runCli(dir.path(), args); }

const std::string kDemoLev = std::string(VORNEX_SOURCE_DIR) + "/examples/demo.lev";
const std::string kDemoCon = std::string(VORNEX_SOURCE_DIR) + "/examples/demo.con";

std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

TEST(CliSurvey, LevelTables) {
    TempDir dir;
    CliRun r = run(dir, "level " + kDemoLev + " --table points");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "点名\t高程(m)\t中误差(mm)\t备注");
    EXPECT_NE(r.out.find("BM1\t 52.3456\t"), std::string::npos);
    EXPECT_NE(r.out.find("水准点B3\t"), std::string::npos);
    // Weighting by stations changes the closure table's length column; the file stays as it was.
    const std::string before = readAll(kDemoLev);
    r = run(dir, "level " + kDemoLev + " --table -10050 --weighting stations");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "点号序列\t测站数\t闭合差(mm)\t限差(mm)\t备注");
    EXPECT_EQ(readAll(kDemoLev), before);
    r = run(dir, "level " + kDemoLev + " --table readings --section 1 --format csv");
    ASSERT_EQ(r.status, 0);
    // The eight readings, then the checks of each station; a 合计 row ends the section.
    EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")),
              "后尺黑面上丝,后尺黑面下丝,后尺黑面中丝,后尺红面中丝,前尺黑面上丝,前尺黑面下丝,前尺黑面中丝,前尺红面中丝,"
              "后视距,前视距,视距差,累积视距差,后尺K+黑-红,前尺K+黑-红,黑红面高差之差");
    EXPECT_NE(r.out.find("\r\n合计,"), std::string::npos);
    r = run(dir, "level " + kDemoLev + " --table summary");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "项目\t数值\t说明");
    EXPECT_NE(r.out.find("\n多余观测数 r\t5\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n整体检验\t"), std::string::npos) << r.out;
    r = run(dir, "level " + kDemoLev + " --table closures --encoding gbk");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(text::gbkToUtf8(firstLine(r.out)), "点号序列\t长度(km)\t闭合差(mm)\t限差(mm)\t备注");
}

TEST(CliSurvey, ControlTables) {
    TempDir dir;
    CliRun r = run(dir, "control " + kDemoCon + " --table point-errors");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "点名\tMx(mm)\tMy(mm)\tM(mm)\tA(mm)\tB(mm)\tF(度 分)\t(mm)");
    r = run(dir, "control " + kDemoCon + " --table observations --station 0");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("K2\t  0°00′00.0″\t"), std::string::npos);  // a direction of exactly 0
    r = run(dir, "control " + kDemoCon + " --table summary");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n平面网\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n迭代次数\t"), std::string::npos) << r.out;
    r = run(dir, "control " + kDemoCon);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(firstLine(r.out), "点名\t坐标X(m)\t坐标Y(m)\t高程(m)\t备注");
}

TEST(CliSurvey, ExitCodes) {
    TempDir dir;
    EXPECT_EQ(run(dir, "level").status, 2);
    EXPECT_EQ(run(dir, "level " + kDemoLev + " --table nosuch").status, 2);
    EXPECT_EQ(run(dir, "level " + kDemoLev + " --table directions").status, 2);  // a control table
    EXPECT_EQ(run(dir, "level " + kDemoLev + " --weighting often").status, 2);
    EXPECT_EQ(run(dir, "control " + kDemoCon + " --format xml").status, 2);
    CliRun r = run(dir, "level " + (dir / "missing.lev").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    // A network whose point reaches no known height: the message on standard error.
    SurveyNetwork net;
    LevelingSection s;
    s.startName = "X";
    s.endName = "Y";
    s.stations.resize(1);
    s.stations[0].readings = {150000, 0, 130000, 0, 0, 0, 0, 0};
    net.sections = {s};
    writeSurveyFile(dir / "lonely.lev", levelingFileBytes(net));
    r = run(dir, "level " + (dir / "lonely.lev").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("近似高程计算失败！"), std::string::npos);
}

TEST(CliSurvey, DoubtfulControlResultPrintsAndFails) {
    // The example network with a gross error of 1 m in one slope distance: the
    // tables are printed, the message names sigma0, and the status is 1.
    TempDir dir;
    SurveyNetwork net = demoControlNetwork();
    net.stations[0].observations[1].distance += 1.0;
    writeSurveyFile(dir / "gross.con", controlFileBytes(net));
    CliRun r = run(dir, "control " + (dir / "gross.con").string() + " --table points");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(firstLine(r.out), "点名\t坐标X(m)\t坐标Y(m)\t高程(m)\t备注");
    EXPECT_NE(r.out.find("C1\t"), std::string::npos);
    EXPECT_NE(r.err.find("平差结果可疑：单位权中误差"), std::string::npos) << r.err;
    // The example itself is clean.
    EXPECT_EQ(run(dir, "control " + kDemoCon + " --table points").status, 0);
}

TEST(CliSurvey, PlaneClosuresAndRefraction) {
    TempDir dir;
    CliRun r = run(dir, "control " + kDemoCon + " --table plane-closures");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "类别\t点号序列\t角数\t角度闭合差(″)\t限差(″)\t边数\t导线长(m)\tfx(mm)\tfy(mm)\tf(mm)\t限差(mm)\t全长相对闭合差\t备注");
    EXPECT_NE(r.out.find("\n三角形\tK1 - K2 - C1\t3\t"), std::string::npos) << r.out;
    // The correction in use goes to standard error once; k = 0 keeps the
    // curvature of the earth, none leaves the heights uncorrected.
    EXPECT_EQ(r.err, "大气折光系数: 0.14\n");
    const std::string corrected = run(dir, "control " + kDemoCon + " --table points").out;
    r = run(dir, "control " + kDemoCon + " --table closures --refraction 0");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "大气折光系数: 0\n");
    EXPECT_NE(r.out.find("K2 - C3 - C5 - K2\t  2.43\t   5.8\t"), std::string::npos) << r.out;
    r = run(dir, "control " + kDemoCon + " --table points --refraction none");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "球气差改正: 不改正\n");
    EXPECT_NE(r.out, corrected);
    r = run(dir, "network " + kDemoCon + " --refraction none");
    EXPECT_EQ(r.err, "球气差改正: 不改正\n");
    // No height from a zenith angle: nothing to report.
    SurveyNetwork plain = demoControlNetwork();
    plain.control.observationType = kSlopeDistance;
    writeSurveyFile(dir / "plain.con", controlFileBytes(plain));
    r = run(dir, "control " + (dir / "plain.con").string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* bad : {"abc", "2", "nan", ""}) EXPECT_EQ(run(dir, "control " + kDemoCon + " --refraction '" + bad + "'").status, 2) << bad;
}

// An index beyond the file's sections or stations is an error, as an unknown
// road is, not an empty table.
TEST(CliSurvey, IndexBeyondTheFileFails) {
    TempDir dir;
    struct Case {
        std::string args;
        int status;
    };
    const Case cases[] = {
        {"level " + kDemoLev + " --table readings --section 0", 0},
        {"level " + kDemoLev + " --table readings --section 999", 1},
        {"level " + kDemoLev + " --section 999", 1},
        {"control " + kDemoCon + " --table observations --station 0", 0},
        {"control " + kDemoCon + " --table observations --station 999", 1},
        {"control " + kDemoCon + " --table observations --station -1", 2},
    };
    for (const Case& c : cases) {
        CliRun r = run(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        if (c.status == 1) {
            EXPECT_TRUE(r.out.empty()) << c.args;
            EXPECT_NE(r.err.find(" 999 "), std::string::npos) << r.err;
        }
    }
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

// network prints what the plot draws: the ellipses agree with the point-error
// table, the schematic's layout is the same on every run, and bad input is refused.
TEST(CliSurvey, NetworkPrintsThePlotOfBothModules) {
    TempDir dir;
    CliRun con = run(dir, "network " + kDemoCon);
    ASSERT_EQ(con.status, 0) << con.err;
    EXPECT_EQ(firstLine(con.out), "点名\tX\tY\t备注\tA(mm)\tB(mm)\tF");
    const CliRun errors = run(dir, "control " + kDemoCon + " --table point-errors");
    ASSERT_EQ(errors.status, 0) << errors.err;
    // C1's A, B and F as the table shows them (its cells carry leading blanks).
    const std::size_t c1 = errors.out.find("\nC1\t");
    ASSERT_NE(c1, std::string::npos);
    std::vector<std::string> cells;
    std::string line = errors.out.substr(c1 + 1, errors.out.find('\n', c1 + 1) - c1 - 1);
    for (std::size_t p = 0; p != std::string::npos;) {
        const std::size_t q = line.find('\t', p);
        cells.push_back(line.substr(p, q == std::string::npos ? q : q - p));
        p = q == std::string::npos ? q : q + 1;
    }
    ASSERT_GE(cells.size(), 7u);
    auto trim = [](std::string s) { return s.erase(0, s.find_first_not_of(' ')); };
    const std::size_t at = con.out.find("\nC1\t");
    ASSERT_NE(at, std::string::npos);
    const std::string row = con.out.substr(at + 1, con.out.find('\n', at + 1) - at - 1);
    const std::string ellipse = "\t" + trim(cells[4]) + "\t" + trim(cells[5]) + "\t" + cells[6];
    EXPECT_EQ(row.substr(row.size() - ellipse.size()), ellipse) << row;
    EXPECT_NE(con.out.find("\n\n起点\t终点\t观测\t备注\n"), std::string::npos);

    const CliRun lev = run(dir, "network " + kDemoLev);
    ASSERT_EQ(lev.status, 0) << lev.err;
    EXPECT_EQ(firstLine(lev.out), "点名\tX\tY\t备注");
    EXPECT_NE(lev.out.find("\nBM1\t"), std::string::npos);
    EXPECT_NE(lev.out.find("\n\n起点\t终点\t测段数\t备注\n"), std::string::npos);
    EXPECT_EQ(run(dir, "network " + kDemoLev).out, lev.out);

    EXPECT_EQ(run(dir, "network " + std::string(VORNEX_SOURCE_DIR) + "/examples/demo.rod").status, 2);
    EXPECT_EQ(run(dir, "network " + (dir / "missing.lev").string()).status, 1);
}

}  // namespace
}  // namespace vornex
