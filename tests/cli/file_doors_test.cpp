// Every command that reads or writes a file, given the kinds of path a user or a
// script can hand it: special files, long names, read-only targets, links and
// concurrent runs. Nothing may crash, hang, follow a planted link or report a
// failure as success.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vornex::testing::CliRun;
using vornex::testing::readAll;
using vornex::testing::TempDir;
using vornex::testing::writeAll;

const fs::path kDemo = fs::path(VORNEX_SOURCE_DIR) / "examples" / "demo.rod";

class FileDoorsTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path calc = dir / "calc";
    void SetUp() override {
        fs::create_directories(calc);
        fs::copy_file(kDemo, dir / "demo.rod");
        writeAll(dir / "pts.txt", "P1,2700,4300,100\nP2,2750,4350,101\n");
    }
    // A stalled command fails the test (exit 124) instead of hanging it.
    CliRun cli(const std::string& args) {
        return vornex::testing::runCli(dir.path(), args,
                                       "VORNEX_LINK=sim:" + calc.string() + " VORNEX_LINK_TIMEOUT_MS=50 timeout 20");
    }
};

TEST_F(FileDoorsTest, EveryReaderRefusesWhatIsNotARegularFileAndSaysWhatItIs) {
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    struct Kind {
        std::string path, says;
    };
    const Kind kinds[] = {
        {(dir / "folder").string(), (dir / "folder").string() + " is a directory"},
        {(dir / "fifo").string(), (dir / "fifo").string() + " is not a regular file (a FIFO)"},
        {"/dev/zero", "/dev/zero is not a regular file (a character device)"},
        {(dir / "none.rod").string(), (dir / "none.rod").string() + ": No such file or directory"},
    };
    const std::string demo = (dir / "demo.rod").string(), pts = (dir / "pts.txt").string();
    const std::vector<std::string> commands = {
        "info {}",
        "table {} elements",
        "query {} --station 100",
        "batch {} " + pts,
        "batch " + demo + " {}",
        "level {}",
        "control {}",
        "calc send {} --folder ROAD --name X.rod",
        "cg20 send {}",
    };
    for (const Kind& k : kinds) {
        for (std::string command : commands) {
            command.replace(command.find("{}"), 2, k.path);
            SCOPED_TRACE(command);
            CliRun run = cli(command);
            EXPECT_EQ(run.status, 1) << run.err;
            EXPECT_NE(run.err.find(k.says), std::string::npos) << run.err;
        }
    }
    // Nothing was written for the refused batch inputs.
    EXPECT_FALSE(fs::exists(dir / "folder0.txt"));
    EXPECT_FALSE(fs::exists(dir / "fifo0.txt"));
    EXPECT_TRUE(fs::is_empty(calc));
}

TEST_F(FileDoorsTest, EveryWriterTakesNamesOf255Bytes) {
    const std::string longRod = std::string(251, 'p') + ".rod";  // 255 bytes
    CliRun made = cli("new " + (dir / longRod).string());
    EXPECT_EQ(made.status, 0) << made.err;
    CliRun converted = cli("convert " + (dir / "demo.rod").string() + " " + (dir / longRod).string());
    EXPECT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(readAll(dir / longRod), readAll(dir / "demo.rod"));

    // The batch output is the input's stem and "0.txt": 250 + 5 bytes.
    const std::string stem(250, 'b');
    fs::copy_file(dir / "pts.txt", dir / (stem + ".txt"));
    CliRun batch = cli("batch " + (dir / "demo.rod").string() + " " + (dir / (stem + ".txt")).string());
    EXPECT_EQ(batch.status, 0) << batch.err;
    const std::string result = readAll(dir / (stem + "0.txt"));
    EXPECT_EQ(std::count(result.begin(), result.end(), '\n'), 2);

    writeAll(dir / "k.rod", "calculator bytes");
    ASSERT_EQ(cli("calc send " + (dir / "k.rod").string() + " --folder ROAD --name K.rod").status, 0);
    const std::string longOut = std::string(255, 'g');
    CliRun got = cli("calc get K.rod " + (dir / longOut).string() + " --folder ROAD");
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(readAll(dir / longOut), "calculator bytes");
}

TEST_F(FileDoorsTest, WriteFailuresSayWhyAndKeepTheOldFile) {
    writeAll(dir / "ro.rod", "read-only project");
    ::chmod((dir / "ro.rod").c_str(), 0444);
    CliRun ro = cli("convert " + (dir / "demo.rod").string() + " " + (dir / "ro.rod").string());
    EXPECT_EQ(ro.status, 1);
    EXPECT_NE(ro.err.find("cannot write " + (dir / "ro.rod").string() + ": Permission denied (the file is read-only)"),
              std::string::npos)
        << ro.err;
    EXPECT_EQ(readAll(dir / "ro.rod"), "read-only project");

    CliRun tooLong = cli("new " + (dir / (std::string(253, 'x') + ".rod")).string());
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("File name too long"), std::string::npos) << tooLong.err;

    // A download onto a FIFO neither blocks on it nor writes into it.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    writeAll(dir / "k.rod", "calculator bytes");
    ASSERT_EQ(cli("calc send " + (dir / "k.rod").string() + " --folder ROAD --name K.rod").status, 0);
    CliRun got = cli("calc get K.rod " + (dir / "fifo").string() + " --folder ROAD --yes");
    EXPECT_EQ(got.status, 1);
    EXPECT_NE(got.err.find("cannot write " + (dir / "fifo").string() + ": it is not a regular file (a FIFO)"),
              std::string::npos)
        << got.err;

    fs::create_directory(dir / "pts0.txt");
    CliRun batch = cli("batch " + (dir / "demo.rod").string() + " " + (dir / "pts.txt").string());
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("不能建立文件。\ncannot write " + (dir / "pts0.txt").string() + ": Is a directory"),
              std::string::npos)
        << batch.err;
}

TEST_F(FileDoorsTest, BatchOutputFollowsNoPlantedLinkAndConcurrentRunsStayWhole) {
    // The fixed name an earlier version wrote through is nothing special now.
    writeAll(dir / "victim", "precious");
    fs::create_symlink(dir / "victim", dir / "pts0.txt.part");
    // pts.txt and pts.csv both write pts0.txt: two runs, one output.
    std::string a, b;
    for (int i = 0; i < 4000; ++i) {
        a += "A" + std::to_string(i) + ",2700,4300,100\n";
        b += "B" + std::to_string(i) + ",2800,4400,200\n";
    }
    writeAll(dir / "pts.txt", a);
    writeAll(dir / "pts.csv", b);
    const std::string demo = (dir / "demo.rod").string();
    ASSERT_EQ(cli("batch " + demo + " " + (dir / "pts.txt").string()).status, 0);
    const std::string fromA = readAll(dir / "pts0.txt");
    EXPECT_EQ(readAll(dir / "victim"), "precious");
    ASSERT_EQ(cli("batch " + demo + " " + (dir / "pts.csv").string()).status, 0);
    const std::string fromB = readAll(dir / "pts0.txt");
    ASSERT_TRUE(fromA != fromB);

    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    for (int round = 0; round < 4; ++round) {
        auto runA = std::async(std::launch::async, [&] {
            return vornex::testing::runCli(dir / "a", "batch " + demo + " " + (dir / "pts.txt").string());
        });
        auto runB = std::async(std::launch::async, [&] {
            return vornex::testing::runCli(dir / "b", "batch " + demo + " " + (dir / "pts.csv").string());
        });
        EXPECT_EQ(runA.get().status, 0);
        EXPECT_EQ(runB.get().status, 0);
        const std::string result = readAll(dir / "pts0.txt");
        EXPECT_TRUE(result == fromA || result == fromB) << "round " << round << ": " << result.size() << " bytes";
    }
    EXPECT_EQ(readAll(dir / "victim"), "precious");
}

}  // namespace
