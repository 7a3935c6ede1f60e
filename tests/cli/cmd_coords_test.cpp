// vornex-cli coords, run as a program on small points files.
#include <string>

#include <gtest/gtest.h>

#include "support/run_cli.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::CliRun;
using testing::TempDir;
using testing::writeAll;

CliRun run(const TempDir& dir, const std::string& args) { return testing::runCli(dir.path(), args); }

std::string lineOf(const std::string& out, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) at = out.find('\n', at) + 1;
    std::string line = out.substr(at, out.find('\n', at) - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();  // CSV rows end in CR LF
    return line;
}

// Latitude and longitude to the grid with the zone number in front, a GBK points
// file with a bad line and points outside the zone: the good points are
// converted, each bad line is named with its number, and the run fails.
TEST(CliCoords, GeographicToGridReportsBadLinesAndFails) {
    TempDir dir;
    writeAll(dir / "in.txt", text::utf8ToGbk("K1,30.3,114.2,12.5\n导2\t30°30′\t114°20′\n点名,B,L\nP3,95,114\nP4,30.3,124\n"));
    CliRun r = run(dir, "coords " + (dir / "in.txt").string() +
                     " --from blh --ellipsoid beijing54 --zone 19 --width 6 --zone-prefix");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lineOf(r.out, 0), "点名\tX(m)\tY(m)\t比例因子\t子午线收敛角");
    // The textbook example's x (Krasovsky, 6° zone 19): 3 380 330.773 m.
    EXPECT_EQ(lineOf(r.out, 1).substr(0, 16), "K1\t3380330.7730\t");
    EXPECT_EQ(lineOf(r.out, 1), "K1\t3380330.7730\t19820089.9696\t1.0012636272\t1.413564285");
    EXPECT_EQ(lineOf(r.out, 2).substr(0, 5 + 13), "导2\t3380330.7730\t");
    EXPECT_EQ(lineOf(r.out, 3), "");
    EXPECT_NE(r.err.find("第 3 行：B、L 应为度.分秒"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("第 4 行：P3：纬度超出"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("第 5 行：P4：点离中央子午线超过 6°"), std::string::npos) << r.err;
}

// Grid back to latitude and longitude, and 换带 to the next 3° zone and back, as CSV.
TEST(CliCoords, GridBackAndZoneChangeRoundTrip) {
    TempDir dir;
    // The textbook point (B 30°30′, L 114°20′ on Krasovsky's ellipsoid, 6° zone 19).
    writeAll(dir / "xy.txt", "A 3380330.7730 19820089.9696\n");
    CliRun r = run(dir, "coords " + (dir / "xy.txt").string() + " --from xy --ellipsoid beijing54 --zone 19 --width 6");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lineOf(r.out, 0), "点名\tB\tL\t比例因子\t子午线收敛角");
    EXPECT_EQ(lineOf(r.out, 1).substr(0, 28), "A\t30.300000000\t114.200000000");

    writeAll(dir / "xy.txt", "A 3380330.7730 38320089.9696\n");
    r = run(dir, "coords " + (dir / "xy.txt").string() + " --from xy --zone 38 --to-zone 39 --zone-prefix --format csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lineOf(r.out, 0), "点名,X(m),Y(m),比例因子,子午线收敛角");
    std::string row = lineOf(r.out, 1);
    EXPECT_EQ(row.substr(0, 4), "A,33");
    EXPECT_EQ(row.substr(row.find(',', 2) + 1, 2), "39");
    // Back again: the first x and y to 0.1 mm.
    std::string x = row.substr(2, row.find(',', 2) - 2);
    std::string rest = row.substr(row.find(',', 2) + 1);
    std::string y = rest.substr(0, rest.find(','));
    writeAll(dir / "z39.txt", "A," + x + "," + y + "\n");
    r = run(dir, "coords " + (dir / "z39.txt").string() + " --from xy --zone 39 --to-zone 38 --zone-prefix");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lineOf(r.out, 1).substr(0, 29), "A\t3380330.7730\t38320089.9696\t");
}

TEST(CliCoords, BadOptionsAndInput) {
    TempDir dir;
    writeAll(dir / "in.txt", "A,30.3,114.2\n");
    const std::string in = (dir / "in.txt").string();
    struct Case {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {in + " --zone 38", 2, "--from"},
        {in + " --from blh", 2, "--cm"},
        {in + " --from blh --cm 114 --zone 38", 2, "exclude"},
        {in + " --from blh --zone 38 --width 4", 2, "3 or 6"},
        {in + " --from blh --zone 38 --to-zone 39", 2, "--from xy"},
        {in + " --from blh --zone 38 --ellipsoid krassowsky", 1, "未知的椭球"},
        {in + " --from blh --zone 121", 1, "没有第 121 带"},
        {in + " --from blh --zone 38 --height 20000", 1, "投影面高程"},
        {in + " --from blh --cm 114 --zone-prefix", 1, "带号"},
        {(dir / "none.txt").string() + " --from blh --zone 38", 1, "none.txt"},
    };
    for (const Case& c : cases) {
        CliRun r = run(dir, "coords " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

const std::string kDemoCon = std::string(VORNEX_SOURCE_DIR) + "/examples/demo.con";

// control --reduce: the reduced distances beside the measured ones, the
// reduction named on standard error; the reduction's options need --reduce.
TEST(CliControlReduce, ReducedColumnsAndOptions) {
    TempDir dir;
    CliRun plain = run(dir, "control " + kDemoCon + " --table distances");
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(lineOf(plain.out, 0), "起点名\t终点名\t边长观测值(m)\t边长改正数(mm)\t边长平差值(m)\t边长中误差(mm)\t边长相对中误差");
    EXPECT_EQ(plain.err.find("归算"), std::string::npos);

    CliRun r = run(dir, "control " + kDemoCon + " --table distances --reduce --zone 39 --mean-elevation 100");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lineOf(r.out, 0),
              "起点名\t终点名\t边长观测值(m)\t归算边长(m)\t边长改正数(mm)\t边长平差值(m)\t边长中误差(mm)\t边长相对中误差");
    // The measured column is the unreduced run's; at about 100 m and 12 km from
    // the meridian the reduced lines are some 15 ppm shorter.
    const std::string first = lineOf(r.out, 1), before = lineOf(plain.out, 1);
    EXPECT_EQ(first.substr(0, first.find('\t', first.find('\t', 3) + 1)), before.substr(0, before.find('\t', before.find('\t', 3) + 1)));
    EXPECT_NE(r.err.find("归算到投影面：CGCS2000，3°带第39带（中央子午线 117°）"), std::string::npos) << r.err;

    for (const char* args : {" --zone 39", " --reduce", " --reduce --zone 39 --mean-elevation high"}) {
        CliRun bad = run(dir, "control " + kDemoCon + args);
        EXPECT_EQ(bad.status, 2) << args << "\n" << bad.err;
    }
    EXPECT_EQ(run(dir, "control " + kDemoCon + " --reduce --zone 39 --ellipsoid mars").status, 1);
}

}  // namespace
}  // namespace vornex
