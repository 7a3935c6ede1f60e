// vornex-cli new, info and convert, run as a separate program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <filesystem>
#include <string>

#include "model/records.h"
#include "model/scramble.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vornex::testing::readAll;
using vornex::testing::TempDir;
using vornex::testing::writeAll;

using vornex::testing::CliRun;

class ProjectCliTest : public ::testing::Test {
protected:
    TempDir dir;

    CliRun cli(const std::string& args) { return vornex::testing::runCli(dir.path(), args); }
    std::string path(const std::string& name) { return (dir / name).string(); }
};

// A project file of version 65, made field by field: no password, no stored
// element list (the reader computes it from the intersection points), 20
// control-point slots, plates of 40 bytes and a road section that ends after
// the crossfall changes.
std::string version65File() {
    const int v = 65;
    const unsigned char h = vornex::scrambleByte(v);
    std::string f;
    auto raw = [&f](std::initializer_list<int> bytes) {
        for (int b : bytes) f.push_back(static_cast<char>(b));
    };
    auto int32 = [&](int value) {
        for (int shift = 24; shift >= 0; shift -= 8) f.push_back(static_cast<char>(((value >> shift) & 0xFF) ^ h));
    };
    auto image = [&f](vornex::RecordImage img, vornex::RecordKind kind) {
        vornex::scramble(img, 65, kind);
        f.append(reinterpret_cast<const char*>(img.data()), img.size());
    };
    raw({0, 0, 0, v});
    raw({0, 0, 0, 0});                                     // reserved
    for (int i = 0; i < 24; ++i) f.push_back(static_cast<char>(h));  // empty project name
    vornex::RecordImage precision(8);
    double p = 0.0005;
    std::memcpy(precision.data(), &p, 8);
    for (int i = 7; i >= 0; --i) f.push_back(static_cast<char>(precision[static_cast<std::size_t>(i)] ^ h));
    int32(1);  // one control point, twenty slots
    vornex::ControlPoint cp;
    cp.name = "BM1";
    cp.x = 3400100.5;
    cp.y = 500200.25;
    cp.h = 88.125;
    image(vornex::makeImage(cp), vornex::RecordKind::ControlPoint);
    for (int i = 1; i < 20; ++i) image(vornex::makeImage(vornex::ControlPoint{}), vornex::RecordKind::ControlPoint);
    int32(1);  // one road
    std::string name = "OLD";
    name.resize(12, '\0');
    for (int i = 11; i >= 0; --i) f.push_back(static_cast<char>(name[static_cast<std::size_t>(i)] ^ h));
    raw({h, 'K' ^ h});  // prefix "K", its two bytes swapped
    int32(0);           // 交点法
    int32(0);           // 传统算法
    int32(3);
    const double xy[3][3] = {{3400000, 500000, 0}, {3400000, 500200, 100}, {3400200, 500200, 0}};
    for (const auto& row : xy) {
        vornex::IntersectionPoint ip;
        ip.x = row[0];
        ip.y = row[1];
        ip.radius = row[2];
        ip.station = 1000;
        image(vornex::makeImage(ip), vornex::RecordKind::IntersectionPoint);
    }
    for (int list = 0; list < 6; ++list) int32(0);  // grade points ... crossfall changes
    return f;
}

TEST_F(ProjectCliTest, NewWritesTheEmptyProject) {
    CliRun run = cli("new " + path("n.rod"));
    ASSERT_EQ(run.status, 0) << run.err;
    std::string bytes = readAll(dir / "n.rod");
    ASSERT_EQ(bytes.size(), 134u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\0\x53", 4));

    CliRun info = cli("info " + path("n.rod"));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "version\t83\nproject\t\npassword\tnone\nprecision(m)\t0.0001\ncontrol-points\t0\nroads\t1\n\n"
              "road\tname\tprefix\tcurve-form\tcalc-method\tintersection-points\telements\tgrade-points\tchain-breaks"
              "\tplates\twidth-changes\tcrossfall-changes\tslope-templates\tslope-template-rows\tslope-assignments"
              "\tstructures\tbridges\tpiers\tpiles\ttunnel-templates\tcontour-elements\ttunnels"
              "\ttunnel-slope-rules\ttunnel-station-rules\tblast-holes\n"
              "0\tRoad01\tK\t交点法\t传统算法\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n");
}

TEST_F(ProjectCliTest, ConvertUpgradesAnOldFileAsSaveDoes) {
    writeAll(dir / "old.rod", version65File());
    CliRun run = cli("convert " + path("old.rod") + " " + path("new.rod"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("v0.9以前项目不能读取边坡数据."), std::string::npos) << run.err;

    CliRun info = cli("info " + path("new.rod") + " --encoding gbk");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("version\t83\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("precision(m)\t0.0005\n"), std::string::npos);
    EXPECT_NE(info.out.find("control-points\t1\n"), std::string::npos);
    // The element list was computed from the three points: straight, arc, straight.
    EXPECT_NE(info.out.find("0\tOLD\tK\t\xBD\xBB\xB5\xE3\xB7\xA8\t"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\t3\t3\t0\t"), std::string::npos) << info.out;

    // A current file converts to itself, byte for byte.
    ASSERT_EQ(cli("convert " + path("new.rod") + " " + path("again.rod")).status, 0);
    EXPECT_TRUE(readAll(dir / "again.rod") == readAll(dir / "new.rod"));
    // A protected project converts without its password and keeps it.
    std::string locked = readAll(dir / "new.rod");
    locked.replace(4, 4, "(AB)");
    writeAll(dir / "locked.rod", locked);
    ASSERT_EQ(cli("convert " + path("locked.rod") + " " + path("locked2.rod")).status, 0);
    EXPECT_TRUE(readAll(dir / "locked2.rod") == locked);
    EXPECT_NE(cli("info " + path("locked2.rod")).out.find("password\tset\n"), std::string::npos);

    // Converting in place works (the save is atomic).
    ASSERT_EQ(cli("convert " + path("old.rod") + " " + path("old.rod")).status, 0);
    EXPECT_TRUE(readAll(dir / "old.rod") == readAll(dir / "new.rod"));
}

TEST_F(ProjectCliTest, FailuresAndBadUsage) {
    std::string newer("\0\0\0\x54", 4);
    newer += std::string(100, '\0');
    writeAll(dir / "newer.rod", newer);
    writeAll(dir / "cut.rod", version65File().substr(0, 300));
    struct Case {
        std::string args;
        int status;
    };
    for (const Case& c : {Case{"info " + path("missing.rod"), 1},
                          Case{"info " + path("newer.rod"), 1},
                          Case{"info " + path("cut.rod"), 1},
                          Case{"convert " + path("newer.rod") + " " + path("x.rod"), 1},
                          Case{"new " + path("no/such/folder/x.rod"), 1},
                          Case{"new", 2},
                          Case{"new a.rod b.rod", 2},
                          Case{"info", 2},
                          Case{"info a.rod --encoding latin1", 2},
                          Case{"info a.rod --road 1", 2},
                          Case{"convert " + path("a.rod"), 2}}) {
        CliRun run = cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << c.args;
        EXPECT_TRUE(run.out.empty()) << c.args;
    }
    EXPECT_FALSE(fs::exists(dir / "x.rod"));
    EXPECT_NE(cli("info " + path("newer.rod")).err.find("不能读入高版本项目"), std::string::npos);
}

}  // namespace
