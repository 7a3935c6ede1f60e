// vornex-cli import and export, run as a separate program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "document/project_file.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

using vornex::testing::CliRun;
using vornex::testing::readAll;
using vornex::testing::TempDir;
using vornex::testing::writeAll;

const std::string kDemo = std::string(VORNEX_SOURCE_DIR) + "/examples/demo.rod";

class ExchangeCliTest : public ::testing::Test {
protected:
    TempDir dir;

    CliRun cli(const std::string& args) { return vornex::testing::runCli(dir.path(), args); }
    std::string path(const std::string& name) { return (dir / name).string(); }
};

TEST_F(ExchangeCliTest, ExportThenImportEachAlignment) {
    CliRun ex = cli("export " + kDemo + " " + path("demo.xml"));
    ASSERT_EQ(ex.status, 0) << ex.err;

    // Two alignments and no choice: usage error listing both names, nothing written.
    CliRun ask = cli("import " + path("demo.xml") + " " + path("out.rod"));
    EXPECT_EQ(ask.status, 2);
    EXPECT_NE(ask.err.find("--alignment"), std::string::npos) << ask.err;
    EXPECT_NE(ask.err.find("  主线\n"), std::string::npos) << ask.err;
    EXPECT_NE(ask.err.find("  匝道A\n"), std::string::npos) << ask.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.rod"));

    CliRun im = cli("import " + path("demo.xml") + " " + path("out.rod") + " --alignment 匝道A");
    ASSERT_EQ(im.status, 0) << im.err;
    CliRun info = cli("info " + path("out.rod"));
    ASSERT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("roads\t1\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("0\t匝道A\tAK\t线元法"), std::string::npos) << info.out;

    // The output exists now: refused, and left as it was.
    const std::string before = readAll(dir / "out.rod");
    CliRun again = cli("import " + path("demo.xml") + " " + path("out.rod") + " --alignment 主线");
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(readAll(dir / "out.rod"), before);

    CliRun missing = cli("import " + path("demo.xml") + " " + path("x.rod") + " --alignment nowhere");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("主线"), std::string::npos) << missing.err;
}

TEST_F(ExchangeCliTest, ImportsATableOfIntersectionPoints) {
    writeAll(dir / "ip.csv", "交点名,X,Y,R,Ls1,Ls2\nQD,0,0,,,\nJD1,1000,0,500,100,100\nZD,1000,1000,,,\n");
    CliRun im = cli("import " + path("ip.csv") + " " + path("ip.rod"));
    ASSERT_EQ(im.status, 0) << im.err;
    CliRun table = cli("table " + path("ip.rod") + " curve-elements");
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("JD1"), std::string::npos) << table.out;
    CliRun coords = cli("table " + path("ip.rod") + " coordinates");
    ASSERT_EQ(coords.status, 0) << coords.err;
    EXPECT_NE(coords.out.find("K0+100.000"), std::string::npos) << coords.out;
}

TEST_F(ExchangeCliTest, RefusalsAndUsage) {
    writeAll(dir / "bad.xml", "<LandXML><Alignments><Alignment name=\"x\">");
    // A road whose second element starts 5 mm from where the first one ends.
    writeAll(dir / "gap.xml",
             "<LandXML><Alignments><Alignment name=\"Gap\"><CoordGeom>"
             "<Line><Start>0 0</Start><End>100 0</End></Line><Line><Start>100.005 0</Start><End>200 0</End></Line>"
             "</CoordGeom></Alignment></Alignments></LandXML>");
    struct Case {
        const char* what;
        std::string args;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"truncated LandXML", "import " + path("bad.xml") + " " + path("o.rod"), 1, "XML"},
        {"a junction that cannot be kept", "import " + path("gap.xml") + " " + path("o.rod"), 1, "5.0 mm"},
        {"missing input", "import " + path("none.xml") + " " + path("o.rod"), 1, "none.xml"},
        {"unknown input kind", "import " + path("bad.pdf") + " " + path("o.rod"), 2, "usage"},
        {"one argument", "import " + path("bad.xml"), 2, "usage"},
        {"unknown output kind", "export " + kDemo + " " + path("o.pdf"), 2, "usage"},
        {"unknown road", "export " + kDemo + " " + path("o.xml") + " --road 9", 1, "no such road"},
        {"unreadable project", "export " + path("bad.xml") + " " + path("o.xml"), 1, "cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "o.rod"));
        EXPECT_FALSE(std::filesystem::exists(dir / "o.xml"));
    }
}

// A road named as the program's scratch road is renamed, not lost.
TEST_F(ExchangeCliTest, AScratchRoadNameIsRenamedOnImport) {
    writeAll(dir / "~Manual.csv", "name,X,Y\nQD,0,0\nZD,100,0\n");
    CliRun im = cli("import " + path("~Manual.csv") + " " + path("m.rod"));
    ASSERT_EQ(im.status, 0) << im.err;
    EXPECT_NE(im.err.find("Manual"), std::string::npos) << im.err;
    CliRun info = cli("info " + path("m.rod"));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("roads\t1"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\tManual\t"), std::string::npos) << info.out;

    // Names with control characters (from files written before) are printed
    // escaped, never sent to the terminal.
    vornex::RoadProject project;
    project.roads.emplace_back();
    project.roads.back().name = "R\x1b[2J\x07";
    std::string bytes;
    vornex::writeProject(project, bytes);
    writeAll(dir / "esc.rod", bytes);
    CliRun esc = cli("info " + path("esc.rod"));
    ASSERT_EQ(esc.status, 0) << esc.err;
    EXPECT_EQ(esc.out.find('\x1b'), std::string::npos) << esc.out;
    EXPECT_NE(esc.out.find("R\\x1b[2J\\x07"), std::string::npos) << esc.out;
}

// A file naming a Gauss-Krüger zone: the note on standard error names the
// grid in the program's terms; standard output and the exit status as always.
TEST_F(ExchangeCliTest, ImportNamesTheFilesGrid) {
    ASSERT_EQ(cli("export " + kDemo + " " + path("demo.xml") + " --road 0").status, 0);
    std::string xml = readAll(dir / "demo.xml");
    const std::size_t at = xml.find("</Units>");
    ASSERT_NE(at, std::string::npos);
    xml.insert(at + 8, "<CoordinateSystem name=\"Xian 1980 / 3-degree Gauss-Kruger CM 114E\" epsgCode=\"2383\"/>");
    writeAll(dir / "cs.xml", xml);
    CliRun im = cli("import " + path("cs.xml") + " " + path("cs.rod"));
    ASSERT_EQ(im.status, 0) << im.err;
    EXPECT_EQ(im.out, "");
    EXPECT_NE(im.err.find("EPSG 2383"), std::string::npos) << im.err;
    EXPECT_NE(im.err.find("西安80（IAG-75），3°带第38带（中央子午线 114°）"), std::string::npos) << im.err;
}

}  // namespace
