// vornex-cli calc and cg20 against the in-process simulated calculator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <chrono>
#include <string>
#include <thread>

#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vornex::testing::readAll;
using vornex::testing::TempDir;
using vornex::testing::writeAll;

using vornex::testing::CliRun;

class CalcCliTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path storage = dir / "calc";

    void SetUp() override { fs::create_directories(storage); }

    // Runs vornex-cli with `args` on the simulated calculator (or `link`).
    CliRun cli(const std::string& args, const std::string& env = "") {
        return vornex::testing::runCli(dir.path(), args,
                                       "VORNEX_LINK=sim:" + storage.string() + " VORNEX_LINK_TIMEOUT_MS=50 " + env);
    }
};

TEST_F(CalcCliTest, SendListGetDelete) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes.push_back(static_cast<char>(i * 13));
    writeAll(dir / "k1.rod", bytes);

    CliRun send = cli("calc send " + (dir / "k1.rod").string() + " --folder ROAD --name K1.rod");
    EXPECT_EQ(send.status, 0) << send.err;
    EXPECT_EQ(send.err.find("1%\n34%\n67%\n"), 0u) << send.err;
    EXPECT_NE(send.err.find("传输文件成功. \n100%\n"), std::string::npos) << send.err;
    EXPECT_EQ(readAll(storage / "ROAD" / "K1.rod"), bytes);

    // The file exists now: without --yes the overwrite question is answered no.
    CliRun again = cli("calc send " + (dir / "k1.rod").string() + " --folder ROAD --name K1.rod");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("文件<K1.rod>已经存在，是否覆盖？ no"), std::string::npos) << again.err;
    EXPECT_EQ(cli("calc send " + (dir / "k1.rod").string() + " --folder ROAD --name K1.rod --yes").status, 0);

    CliRun list = cli("calc list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "文件夹\t文件名\t文件大小\nROAD\t\t\nROAD\tK1.rod\t3000\n");

    CliRun get = cli("calc get K1.rod " + (dir / "back.rod").string() + " --folder ROAD");
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(readAll(dir / "back.rod"), bytes);

    CliRun missing = cli("calc get NONE.rod " + (dir / "none.rod").string() + " --folder ROAD");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("计算器上不能找到源文件。"), std::string::npos);

    EXPECT_EQ(cli("calc delete K1.rod --folder ROAD").status, 0);
    EXPECT_FALSE(fs::exists(storage / "ROAD" / "K1.rod"));
    EXPECT_EQ(cli("calc delete K1.rod --folder ROAD").status, 1);
}

TEST_F(CalcCliTest, CheckCapacityOptimize) {
    CliRun check = cli("calc check");
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.out, "ok\n");
    CliRun capacity = cli("calc capacity");
    EXPECT_EQ(capacity.status, 0);
    EXPECT_GT(std::stol(capacity.out), 0);
    CliRun optimize = cli("calc optimize");
    EXPECT_EQ(optimize.status, 0);
    EXPECT_NE(optimize.err.find("计算器存储内存正在优化..."), std::string::npos);
}

TEST_F(CalcCliTest, NoCalculatorAndBadUsage) {
    CliRun none = cli("calc check --link seqpacket:" + (dir / "nobody").string());
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("不能与计算器连接。"), std::string::npos);
    writeAll(dir / "a.rod", "abc");
    EXPECT_EQ(cli("calc send " + (dir / "a.rod").string() + " --link seqpacket:" + (dir / "nobody").string()).status, 1);

    for (const char* bad : {"calc", "calc fly", "calc send", "calc get ONE", "calc check --name X",
                            "calc check --link bogus", "cg20", "cg20 send", "calc list --bogus"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(cli(bad).status, 2);
    }
}

TEST_F(CalcCliTest, Cg20Send) {
    fs::create_directories(dir / "sys" / "block" / "sdb" / "device");
    writeAll(dir / "sys" / "block" / "sdb" / "device" / "vendor", "CASIO   \n");
    writeAll(dir / "sys" / "block" / "sdb" / "device" / "model", "ColorGraph      \n");
    fs::create_directories(dir / "drive");
    // The drive's device number is that of the folder playing its file system.
    struct stat st {};
    ASSERT_EQ(::stat((dir / "drive").c_str(), &st), 0);
    const std::string devno = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    writeAll(dir / "sys" / "block" / "sdb" / "dev", devno + "\n");
    writeAll(dir / "mountinfo", "40 22 " + devno + " / " + (dir / "drive").string() + " rw - vfat /dev/sdb rw\n");
    writeAll(dir / "K2.rod", "project bytes");
    std::string env = "VORNEX_SYSFS_ROOT=" + (dir / "sys").string() + " VORNEX_MOUNTINFO=" + (dir / "mountinfo").string();

    CliRun sent = cli("cg20 send " + (dir / "K2.rod").string(), env);
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(readAll(dir / "drive" / "ROAD" / "K2.rod"), "project bytes");
    CliRun noDrive = cli("cg20 send " + (dir / "K2.rod").string(),
                      "VORNEX_SYSFS_ROOT=" + (dir / "empty").string());
    EXPECT_EQ(noDrive.status, 1);
    EXPECT_NE(noDrive.err.find("fx-CG20计算器没有连接."), std::string::npos);
}

// The external simulator on a seqpacket socket, misbehaving on request.
TEST_F(CalcCliTest, ExternalSimulatorOverSeqpacket) {
    fs::path sim = fs::path(VORNEX_CLI_PATH).parent_path().parent_path().parent_path() / "tools" / "calc-sim" /
                   "vornex-calc-sim";
    if (!fs::exists(sim)) GTEST_SKIP() << "vornex-calc-sim not built";
    auto serve = [&](std::vector<std::string> extra) {
        std::vector<std::string> words{sim.string(), "--storage", storage.string(), "--socket", (dir / "sock").string()};
        words.insert(words.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        fs::remove(dir / "sock");
        pid_t pid = 0;
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        EXPECT_EQ(posix_spawn(&pid, sim.c_str(), &quiet, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&quiet);
        for (int i = 0; i < 1000 && !fs::exists(dir / "sock"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return pid;
    };
    auto stop = [](pid_t pid) {
        ::kill(pid, SIGTERM);
        int st = 0;
        ::waitpid(pid, &st, 0);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    };
    const std::string link = " --link seqpacket:" + (dir / "sock").string();
    // Another process answers: the normal reply time-out, so a busy machine
    // that is slow to schedule the simulator does not read as a silent calculator.
    const std::string timeout = "VORNEX_LINK_TIMEOUT_MS=1000";
    writeAll(dir / "a.rod", std::string(2500, '\\'));

    pid_t pid = serve({});
    CliRun sent = cli("calc send " + (dir / "a.rod").string() + " --folder ROAD" + link, timeout);
    EXPECT_EQ(sent.status, 0) << sent.err;
    CliRun got = cli("calc get a.rod " + (dir / "b.rod").string() + " --folder ROAD" + link, timeout);
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(stop(pid), 0);
    EXPECT_EQ(readAll(dir / "b.rod"), std::string(2500, '\\'));

    pid = serve({"--resend", "5"});  // the first packet is refused five times
    EXPECT_EQ(cli("calc send " + (dir / "a.rod").string() + " --name c.rod" + link, timeout).status, 1);
    stop(pid);
    pid = serve({"--stall-after", "0"});
    CliRun silent = cli("calc check" + link);
    EXPECT_EQ(silent.status, 1);
    stop(pid);
    EXPECT_FALSE(fs::exists(storage / "c.rod"));
}

}  // namespace
