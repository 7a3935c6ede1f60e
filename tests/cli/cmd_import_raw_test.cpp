// vornex-cli import-raw, run as a separate program: raw level and total-station
// files (typed by hand) into new survey files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

using vornex::testing::CliRun;
using vornex::testing::readAll;
using vornex::testing::TempDir;
using vornex::testing::writeAll;

// BM1 (typed height 50.000) -> 7 -> BM2, one BF station each way of point 7:
// (1.500 - 1.200) + (1.400 - 1.300) = 0.400 m.
const char* const kLine =
    "410001+000000BF \n"
    "110002+00000BM1 83..10+00050000 \n"
    "110003+00000BM1 32...0+00020000 331..0+00001500 \n"
    "110004+00000007 32...0+00020000 332..0+00001200 \n"
    "110005+00000007 32...0+00025000 331..0+00001400 \n"
    "110006+00000BM2 32...0+00025000 332..0+00001300 \n";

class ImportRawCliTest : public ::testing::Test {
protected:
    TempDir dir;
    CliRun cli(const std::string& args) { return vornex::testing::runCli(dir.path(), args); }
    std::string path(const std::string& name) { return (dir / name).string(); }
};

TEST_F(ImportRawCliTest, LevelingFileIsWrittenOnceAndOpensInTheLevelCommand) {
    writeAll(dir / "line.gsi", kLine);
    CliRun ok = cli("import-raw " + path("line.gsi") + " " + path("out.lev") + " --order 三等");
    ASSERT_EQ(ok.status, 0) << ok.err;
    CliRun points = cli("level " + path("out.lev") + " --table points");
    ASSERT_EQ(points.status, 0) << points.err;
    EXPECT_NE(points.out.find("BM1\t 50.0000"), std::string::npos) << points.out;
    EXPECT_NE(points.out.find("BM2\t 50.4000"), std::string::npos) << points.out;

    // OUT is never replaced; usage errors are status 2, unreadable input 1.
    const std::string before = readAll(dir / "out.lev");
    EXPECT_EQ(cli("import-raw " + path("line.gsi") + " " + path("out.lev")).status, 1);
    EXPECT_EQ(readAll(dir / "out.lev"), before);
    EXPECT_EQ(cli("import-raw " + path("line.gsi") + " " + path("x.lev") + " --order 五等").status, 2);
    EXPECT_EQ(cli("import-raw " + path("line.gsi") + " " + path("x.lev") + " --line 0").status, 2);
    EXPECT_EQ(cli("import-raw " + path("line.gsi") + " " + path("x.con") + " --line 1").status, 2);
    EXPECT_EQ(cli("import-raw " + path("line.gsi") + " " + path("x.txt")).status, 2);
    writeAll(dir / "bad.gsi", std::string(kLine) + "110007+00000BM2 32...0+000250\n");
    CliRun bad = cli("import-raw " + path("bad.gsi") + " " + path("x.lev"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("第 7 行"), std::string::npos) << bad.err;
    CliRun wrongKind = cli("import-raw " + path("line.gsi") + " " + path("x.con"));
    EXPECT_EQ(wrongKind.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.lev"));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.con"));
}

TEST_F(ImportRawCliTest, ControlFileTakesItsKnownPointsFromAFile) {
    writeAll(dir / "ts.gsi",
             "110001+0000000A 88...0+00001500 \n"
             "110002+0000000B 21.104+00000000 22.104+09000000 32...0+00100000 \n"
             "110003+0000000C 21.104+09000000 22.104+09000000 32...0+00050000 \n");
    writeAll(dir / "known.txt", "A,1000,1000\nB,1100,1000\n");
    CliRun ok = cli("import-raw " + path("ts.gsi") + " " + path("ts.con") + " --known " + path("known.txt"));
    ASSERT_EQ(ok.status, 0) << ok.err;
    CliRun points = cli("control " + path("ts.con") + " --table points");
    ASSERT_EQ(points.status, 0) << points.err;
    EXPECT_NE(points.out.find("C\t1000.0000\t1050.0000"), std::string::npos) << points.out;
    writeAll(dir / "twice.txt", "A,1,2\nA,3,4\n");
    EXPECT_EQ(cli("import-raw " + path("ts.gsi") + " " + path("t2.con") + " --known " + path("twice.txt")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "t2.con"));
}

}  // namespace
