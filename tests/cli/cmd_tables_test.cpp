// vornex-cli tables, table, query and batch, run as a program.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "document/project_file.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::readAll;
using testing::TempDir;

using testing::CliRun;

CliRun cli(const TempDir& dir, const std::string& args) { return testing::runCli(dir.path(), args); }

// A 1000 m north-running straight at 1 % from 100 m, one 3.5 m plate each side.
std::string writeFixture(const TempDir& dir) {
    RoadProject p;
    Road r;
    r.name = "North";
    r.curveForm = 1;
    AlignmentElement e;
    e.name = "QD";
    e.length = 1000;
    r.elements = {e};
    r.gradePoints = {{0, 100, 0}, {1000, 110, 0}};
    r.plates = {{1, 6, 3.5, -2, 0, 0, -1, -1, -1, -1}, {2, 6, 3.5, -2, 0, 0, -1, -1, -1, -1}};
    p.roads.push_back(r);
    std::string file = (dir / "fixture.rod").string();
    EXPECT_EQ(writeProject(p, std::filesystem::path(file)), kWriteOk);
    return file;
}

TEST(CliTables, ListsTablesWithCodes) {
    TempDir dir;
    CliRun r = cli(dir, "tables");
    EXPECT_EQ(r.status, 0);
    for (const char* line : {"control-points\t-101\n", "width-changes\t-108\n", "coordinates\t-10003\n",
                             "bridge-positions\t-10005\n", "readings\t", "point-errors\t"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    EXPECT_EQ(cli(dir, "tables extra").status, 2);
}

TEST(CliTables, PrintsTablesByNameOrCode) {
    TempDir dir;
    std::string file = writeFixture(dir);
    CliRun r = cli(dir, "table " + file + " coordinates");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "桩号(m)\t坐标X(m)\t坐标Y(m)\t设计高程\t方位角\t备注\n");
    EXPECT_NE(r.out.find("  K0+100.000\t100.0000\t  0.0000\t 101.000\t  0°00′00.0″\t\n"), std::string::npos);
    EXPECT_EQ(cli(dir, "table " + file + " -10003").out, r.out);
    CliRun csv = cli(dir, "table " + file + " plates --side right --format csv --road North");
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "板块类型,宽度(m),横坡%,结构层厚(m),道牙高(m)\r\n行车道, 3.50,-2.00, 0.00, 0.00\r\n");
    // The plane table follows the road's method: this road is defined by elements.
    EXPECT_EQ(cli(dir, "table " + file + " intersection-points").out.substr(0, 9), "长度(m)");
    CliRun gbk = cli(dir, "table " + file + " grade-points --encoding gbk");
    EXPECT_EQ(gbk.out.substr(0, 4), text::utf8ToGbk("变坡"));

    // A finer step for setting-out; absurd steps and steps for other tables are usage errors.
    CliRun fine = cli(dir, "table " + file + " coordinates --interval 20");
    ASSERT_EQ(fine.status, 0) << fine.err;
    EXPECT_NE(fine.out.find("  K0+020.000\t 20.0000\t  0.0000\t 100.200\t"), std::string::npos);
    EXPECT_EQ(std::count(fine.out.begin(), fine.out.end(), '\n'), 1 + 51);
    for (const char* bad : {"0", "-5", "abc", "nan", "1e9"})
        EXPECT_EQ(cli(dir, "table " + file + " coordinates --interval " + bad).status, 2) << bad;
    EXPECT_EQ(cli(dir, "table " + file + " plates --interval 20").status, 2);

    EXPECT_EQ(cli(dir, "table " + file + " no-such-table").status, 2);
    EXPECT_EQ(cli(dir, "table " + file + " coordinates --format xml").status, 2);
    EXPECT_EQ(cli(dir, "table " + file + " coordinates --road 7").status, 1);
    EXPECT_EQ(cli(dir, "table " + (dir / "missing.rod").string() + " coordinates").status, 1);
    testing::writeAll(dir / "junk.rod", "not a project");
    EXPECT_EQ(cli(dir, "table " + (dir / "junk.rod").string() + " coordinates").status, 1);
}

TEST(CliTables, SectionPrintsTheDesignedCrossSection) {
    TempDir dir;
    std::string file = writeFixture(dir);
    CliRun r = cli(dir, "section " + file + " --station 500");
    ASSERT_EQ(r.status, 0) << r.err;
    // Two 3.5 m plates at -2 % on a 1 % grade from 100 m: centre 105 m.
    EXPECT_EQ(r.out,
              "部分\t偏距\t高差\t高程\n"
              "路面\t-3.500\t-0.070\t104.930\n路面\t0.000\t0.000\t105.000\n路面\t3.500\t-0.070\t104.930\n"
              "路基\t-3.500\t-0.070\t104.930\n路基\t0.000\t0.000\t105.000\n路基\t3.500\t-0.070\t104.930\n");
    EXPECT_EQ(cli(dir, "section " + file + " --station 1200").status, 1);
    EXPECT_EQ(cli(dir, "section " + file).status, 2);
}

TEST(CliTables, QueryPrintsFieldsInDialogOrder) {
    TempDir dir;
    std::string file = writeFixture(dir);
    CliRun r = cli(dir, "query " + file + " --station 100 --offset 2 --side left");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "桩号\t  K0+100.000\n偏距\t   2.000\n角度\t270.00000\n坐标X\t100.0000\n坐标Y\t -2.0000\n"
              "方位角\t  0°00′00.0″\n设计高\t 100.960\n路基高\t 100.960\n"
              "左边桩X\t100.0000\n左边桩Y\t -3.5000\n左边桩设计高\t 100.930\n"
              "右边桩X\t100.0000\n右边桩Y\t  3.5000\n右边桩设计高\t 100.930\n"
              "向上\t   ------\n向下\t   ------\n向左\t   ------\n向右\t   ------\n向外(欠)\t   ------\n"
              "向内(超)\t   ------\n");
    CliRun xy = cli(dir, "query " + file + " --xy 250 1 --z 103");
    ASSERT_EQ(xy.status, 0) << xy.err;
    EXPECT_NE(xy.out.find("桩号\t  K0+250.000\n偏距\t   1.000\n角度\t90.00000\n坐标X\t250.0000\n坐标Y\t  1.0000\n"
                          "坐标Z\t103.0000\n"),
              std::string::npos)
        << xy.out;
    EXPECT_EQ(cli(dir, "query " + file + " --xy -50 0").status, 1);
    EXPECT_EQ(cli(dir, "query " + file).status, 2);
    EXPECT_EQ(cli(dir, "query " + file + " --station 1 --xy 1 2").status, 2);
    EXPECT_EQ(cli(dir, "query " + file + " --station 1 --side up").status, 2);
}

TEST(CliTables, BatchShowsProgressOnATerminalOnly) {
    TempDir dir;
    std::string file = writeFixture(dir);
    testing::writeAll(dir / "pts.txt", "A,100,2,101\n");
    // Piped: no progress text on standard error.
    CliRun piped = cli(dir, "batch " + file + " " + (dir / "pts.txt").string());
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err, "");
    // On a terminal (a pseudo-terminal from script(1)): the share read, ending at 100 %.
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    const std::string log = (dir / "tty.log").string();
    const std::string cmd = "script -qec '" VORNEX_CLI_PATH " batch " + file + " " + (dir / "pts.txt").string() +
                            "' " + log + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_NE(testing::readAll(log).find("100%"), std::string::npos);
}

TEST(CliTables, BatchWritesTheResultFile) {
    TempDir dir;
    std::string file = writeFixture(dir);
    testing::writeAll(dir / "pts.txt", "A,100,2,101\nB,1,2\n");
    CliRun r = cli(dir, "batch " + file + " " + (dir / "pts.txt").string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "计算完成。\n" + (dir / "pts0.txt").string() + "\n");
    const std::string none = "1000000000000000000.000";
    EXPECT_EQ(readAll(dir / "pts0.txt"), "A,100.0000,  2.0000,101.0000," + none + "," + none + "," + none + "\n");
    EXPECT_EQ(cli(dir, "batch " + file + " " + (dir / "none.txt").string()).status, 1);
}

// The station text the tables print is accepted wherever a station is typed;
// text that is no station says so.
TEST(CliTables, QueryReadsTheRoadsOwnStationText) {
    TempDir dir;
    std::string file = writeFixture(dir);
    const std::string plain = cli(dir, "query " + file + " --station 250.5").out;
    for (const char* text : {"K0+250.500", "'  K0+250.500'", "k0+250.5", "0+250.500"}) {
        CliRun r = cli(dir, "query " + file + " --station " + text);
        EXPECT_EQ(r.status, 0) << text << ": " << r.err;
        EXPECT_EQ(r.out, plain) << text;
    }
    CliRun bad = cli(dir, "query " + file + " --station X0+250");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot read the station X0+250"), std::string::npos) << bad.err;

    // The cross-section command reads stations the same way.
    CliRun section = cli(dir, "section " + file + " --station 250.5");
    ASSERT_EQ(section.status, 0) << section.err;
    CliRun kText = cli(dir, "section " + file + " --station ' K0+250.500'");
    EXPECT_EQ(kText.status, 0) << kText.err;
    EXPECT_EQ(kText.out, section.out);
    bad = cli(dir, "section " + file + " --station X0+250");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot read the station X0+250"), std::string::npos) << bad.err;
}

// A finite but huge value reads; results that overflow are an error (exit 1),
// never a table or a point of "nan" with exit 0.
TEST(CliTables, OverflowingResultsFail) {
    TempDir dir;
    RoadProject p;
    Road r;
    r.name = "Huge";
    r.curveForm = 1;
    AlignmentElement e;
    e.name = "QD";
    e.length = 1000;
    r.elements = {e};
    r.gradePoints = {{0, 1e308, 0}, {1000, -1e308, 0}};  // the grade overflows
    p.roads.push_back(r);
    const std::string file = (dir / "huge.rod").string();
    ASSERT_EQ(writeProject(p, std::filesystem::path(file)), kWriteOk);
    CliRun table = cli(dir, "table " + file + " coordinates");
    EXPECT_EQ(table.status, 1);
    EXPECT_NE(table.err.find("not a finite number"), std::string::npos) << table.err;
    EXPECT_EQ(cli(dir, "table " + file + " elements").status, 0);  // the stored values themselves are finite
    CliRun query = cli(dir, "query " + file + " --station 500");
    EXPECT_EQ(query.status, 1);
    EXPECT_NE(query.err.find("not a finite number"), std::string::npos) << query.err;
    EXPECT_EQ(query.out.find("nan"), std::string::npos);
}

}  // namespace
}  // namespace vornex
