#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "link/exchanges.h"
#include "link/packet.h"
#include "link/storage.h"
#include "link_fixture.h"
#include "text/text.h"

namespace vornex::link {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::SimBench;
using vornex::testing::readAll;
using vornex::testing::writeAll;
using Result = TransferDialogModel::Result;

std::vector<int> progressValues(const std::vector<TransferNotice>& notices) {
    std::vector<int> out;
    for (auto& n : notices)
        if (n.code == kNoticeProgress) out.push_back(n.value);
    return out;
}

TEST(TransferTest, UploadOf2500BytesGoesInThreeNumberedPackets) {
    SimBench b;
    std::string bytes = patternBytes(2500);
    writeAll(b.pc / "ABC.rod", bytes);
    ASSERT_EQ(b.upload(b.pc / "ABC.rod", "ROAD", "ABC.rod"), Result::Ok);

    EXPECT_EQ(readAll(b.storage / "ROAD" / "ABC.rod"), bytes);
    auto commands = b.sent(kTypeCommand);
    EXPECT_NE(std::find(commands.begin(), commands.end(), uploadAnnouncement("ROAD", "fls0", 2500, "ABC.rod")),
              commands.end());
    auto data = b.sent(kTypeData);
    ASSERT_EQ(data.size(), 3u);
    const char* numbers[] = {"00030001", "00030002", "00030003"};
    const std::size_t raw[] = {1024, 1024, 452};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(data[i].substr(8, 8), numbers[i]);
        EXPECT_EQ(dataPacketPayload(data[i]).size(), raw[i]);
    }
    EXPECT_EQ(progressValues(b.notices), (std::vector<int>{1, 34, 67}));
    ASSERT_FALSE(b.notices.empty());
    EXPECT_EQ(b.notices.back().code, kNoticeFinished);
    EXPECT_EQ(b.notices.back().value, 1);
    EXPECT_TRUE(b.shown("传输文件成功. "));
    EXPECT_FALSE(b.link.isOpen());  // the dialog closed it
}

TEST(TransferTest, ResendRequestsUpToTheFifthSend) {
    struct Case {
        int resends;
        Result result;
        std::size_t sendsOfFirstPacket;
    } cases[] = {{4, Result::Ok, 5}, {5, Result::None, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resends);
        SimBench b;
        writeAll(b.pc / "R.rod", patternBytes(1500));
        b.sim->setFaults({.resendRequests = c.resends});
        EXPECT_EQ(b.upload(b.pc / "R.rod", "ROAD", "R.rod"), c.result);
        auto data = b.sent(kTypeData);
        std::size_t first = std::count_if(data.begin(), data.end(),
                                          [](const std::string& p) { return p.substr(8, 8) == "00020001"; });
        EXPECT_EQ(first, c.sendsOfFirstPacket);
        EXPECT_EQ(fs::exists(b.storage / "ROAD" / "R.rod"), c.result == Result::Ok);
        if (c.result != Result::Ok) {
            // Failed: abort sent, the user told to restart the calculator, "开始" usable again.
            auto host = b.sim->hostPackets();
            ASSERT_GE(host.size(), 2u);
            EXPECT_EQ(host[host.size() - 2], terminatePacket());
            EXPECT_EQ(host.back(), endCommandPacket());
            EXPECT_TRUE(b.shown(TransferDialogModel::kRestartText));
            EXPECT_EQ(b.notices.back().code, kNoticeFailed);
        }
    }
}

TEST(TransferTest, CancelStopsTheWorkerAndClosesTheLink) {
    for (TransferKind kind : {TransferKind::Send, TransferKind::Receive}) {
        SCOPED_TRACE(static_cast<int>(kind));
        SimBench b;
        writeAll(b.pc / "BIG.rod", patternBytes(40 * 1024));
        fs::create_directories(b.storage / "ROAD");
        writeAll(b.storage / "ROAD" / "DL.rod", patternBytes(40 * 1024));
        TransferDialogModel m(b.link, b.prompter);
        m.kind = kind;
        m.folder = "ROAD";
        m.source = kind == TransferKind::Send ? (b.pc / "BIG.rod").string() : "DL.rod";
        m.target = kind == TransferKind::Send ? "BIG.rod" : (b.pc / "DL.rod").string();
        int progressSeen = 0;
        m.onNotice = [&](const TransferNotice& n) { progressSeen += n.code == kNoticeProgress; };
        m.start();
        while (progressSeen < 3 && m.workerRunning()) m.waitForNotices(100);
        ASSERT_TRUE(m.workerRunning());
        m.cancel();  // returns at once: the worker aborts and closes the link itself
        EXPECT_EQ(m.result(), Result::Cancel);
        ASSERT_TRUE(m.waitForWorkerEnd(2000));
        EXPECT_FALSE(b.link.isOpen());
        EXPECT_FALSE(b.link.busy());
        auto host = b.sim->hostPackets();
        EXPECT_EQ(host[host.size() - 2], terminatePacket());
        EXPECT_EQ(host.back(), endCommandPacket());
        EXPECT_LE(b.sent(kTypeData).size(), 4u);
        EXPECT_FALSE(fs::exists(b.storage / "ROAD" / "BIG.rod"));
        EXPECT_FALSE(fs::exists(b.pc / "DL.rod"));
        EXPECT_EQ(std::distance(fs::directory_iterator(b.pc), fs::directory_iterator()), 1);  // no leftovers
    }
}

TEST(TransferTest, CancelDoesNotWaitOutTheRetriesOfASilentCalculator) {
    SimBench b(200);
    fs::create_directories(b.storage / "ROAD");
    writeAll(b.storage / "ROAD" / "DL.rod", patternBytes(4000));
    b.sim->setFaults({.stallAfter = 5});  // silent after the second data packet
    TransferDialogModel m(b.link, b.prompter);
    m.kind = TransferKind::Receive;
    m.folder = "ROAD";
    m.source = "DL.rod";
    m.target = (b.pc / "DL.rod").string();
    int progressSeen = 0;
    m.onNotice = [&](const TransferNotice& n) { progressSeen += n.code == kNoticeProgress; };
    m.start();
    while (progressSeen < 2 && m.workerRunning()) m.waitForNotices(100);
    ASSERT_TRUE(m.workerRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the retries
    auto t0 = std::chrono::steady_clock::now();
    m.cancel();
    EXPECT_TRUE(m.waitForWorkerEnd(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));  // the retries take 1 s
    EXPECT_FALSE(b.link.isOpen());
}

// A download of ROAD/DL.rod into the PC folder whose calculator falls silent
// after the second data packet: the model is returned with its worker sitting
// in its reads.
std::unique_ptr<TransferDialogModel> startStalledDownload(SimBench& b) {
    fs::create_directories(b.storage / "ROAD");
    writeAll(b.storage / "ROAD" / "DL.rod", patternBytes(4000));
    b.sim->setFaults({.stallAfter = 5});
    auto m = std::make_unique<TransferDialogModel>(b.link, b.prompter);
    m->kind = TransferKind::Receive;
    m->folder = "ROAD";
    m->source = "DL.rod";
    m->target = (b.pc / "DL.rod").string();
    auto progressSeen = std::make_shared<int>(0);
    m->onNotice = [progressSeen](const TransferNotice& n) { *progressSeen += n.code == kNoticeProgress; };
    m->start();
    while (*progressSeen < 2 && m->workerRunning()) m->waitForNotices(100);
    return m;
}

// The window may close while the worker runs: the model goes at once, the
// worker finishes alone (abort, link closed), and a command started meanwhile
// waits for the link instead of talking across the worker.
TEST(TransferTest, ClosingTheDialogLeavesTheWorkerToFinishAlone) {
    SimBench b(1500);  // the worker sits in a read of up to 1.5 s
    writeAll(b.pc / "UP.rod", patternBytes(100));
    {
        std::unique_ptr<TransferDialogModel> m = startStalledDownload(b);
        ASSERT_TRUE(m->workerRunning());
        auto t0 = std::chrono::steady_clock::now();
        m.reset();  // the window closed
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
    }
    EXPECT_TRUE(b.link.busy());
    b.sim->setFaults({});
    // The next transfer waits for the finishing worker, then runs on its own.
    EXPECT_EQ(b.upload(b.pc / "UP.rod", "ROAD", "UP.rod"), Result::Ok);
    EXPECT_FALSE(b.link.busy());
    auto host = b.sim->hostPackets();
    auto abort = std::find(host.begin(), host.end(), terminatePacket());
    auto firstData = std::find_if(host.begin(), host.end(), [](const std::string& p) {
        return !p.empty() && static_cast<unsigned char>(p[0]) == kTypeData;
    });
    ASSERT_NE(abort, host.end());
    EXPECT_EQ(*(abort + 1), endCommandPacket());
    EXPECT_LT(abort, firstData);  // the old worker's abort came before the new upload
    EXPECT_EQ(readAll(b.storage / "ROAD" / "UP.rod"), patternBytes(100));
    EXPECT_FALSE(fs::exists(b.pc / "DL.rod"));
}

// A worker that does not let go of the link in time: the command says the
// calculator is busy and leaves the link alone.
TEST(TransferTest, BusyLinkIsReportedNotUsed) {
    SimBench b;
    writeAll(b.pc / "UP.rod", patternBytes(100));
    b.link.beginTransfer();  // a finishing worker
    TransferDialogModel m(b.link, b.prompter);
    m.kind = TransferKind::Send;
    m.source = (b.pc / "UP.rod").string();
    m.target = "UP.rod";
    m.start();
    EXPECT_TRUE(b.shown(TransferDialogModel::kBusyText));
    EXPECT_TRUE(m.startEnabled());
    EXPECT_TRUE(b.sim->hostPackets().empty());
    EXPECT_FALSE(OptimizeStorageCommand(b.link, b.prompter));
    EXPECT_TRUE(b.sim->hostPackets().empty());
    b.link.endTransfer();
    m.start();
    m.runWorkerToEnd();
    EXPECT_EQ(m.result(), Result::Ok);
}

// Quitting the program while a transfer stalls: the window (and the model) go
// at once, and the exit's wait ends within its bound with the worker done, so
// nothing it touches is destroyed under it.
TEST(TransferTest, ExitWaitsForAStalledWorkerWithinItsBound) {
    SimBench b(300);
    {
        std::unique_ptr<TransferDialogModel> m = startStalledDownload(b);
        ASSERT_TRUE(m->workerRunning());
    }  // the window closed as the program quits
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitForTransfersAtExit(b.link));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2 * 300 + 500 + 200));
    EXPECT_FALSE(b.link.busy());
    EXPECT_FALSE(b.link.isOpen());
    EXPECT_FALSE(fs::exists(b.pc / "DL.rod"));
    EXPECT_EQ(&processLink(), &processLink());
}

TEST(TransferTest, UploadThenDownloadGivesTheSameBytes) {
    SimBench b;
    for (std::size_t size : {1u, 255u, 256u, 1023u, 1024u, 1025u, 2048u, 63487u, 63488u, 63489u, 65536u, 204800u}) {
        SCOPED_TRACE(size);
        std::string bytes = patternBytes(size);
        std::string name = "F" + std::to_string(size) + ".bin";
        writeAll(b.pc / name, bytes);
        ASSERT_EQ(b.upload(b.pc / name, "ROAD", name), Result::Ok);
        ASSERT_EQ(b.download("ROAD", name, b.pc / ("back-" + name)), Result::Ok);
        EXPECT_EQ(readAll(b.pc / ("back-" + name)), bytes);
    }
    // An exact multiple of 1024 ends with an empty data packet (2048 -> 3 packets).
    auto data = b.sent(kTypeData);
    EXPECT_TRUE(std::any_of(data.begin(), data.end(), [](const std::string& p) {
        return p.substr(8, 8) == "00030003" && dataPacketPayload(p).empty();
    }));
    // Nothing but the finished files was left in the PC folder.
    for (auto& e : fs::directory_iterator(b.pc)) EXPECT_EQ(e.path().extension(), ".bin") << e.path();
}

TEST(TransferTest, DownloadEdgeCases) {
    SimBench b;
    fs::create_directories(b.storage / "ROAD");
    writeAll(b.storage / "ROAD" / "E.rod", "");
    writeAll(b.storage / "ROAD" / "X.rod", patternBytes(63488));
    // A roleswap right after the file information gives an empty file.
    ASSERT_EQ(b.download("ROAD", "E.rod", b.pc / "E.rod"), Result::Ok);
    EXPECT_TRUE(fs::exists(b.pc / "E.rod"));
    EXPECT_EQ(fs::file_size(b.pc / "E.rod"), 0u);
    ASSERT_EQ(b.download("ROAD", "X.rod", b.pc / "X.rod"), Result::Ok);
    EXPECT_EQ(readAll(b.pc / "X.rod"), patternBytes(63488));
    EXPECT_EQ(progressValues(b.notices).back(), 100);
    // A folder as the target is refused before the calculator is asked.
    b.sim->clearLog();
    EXPECT_EQ(b.download("ROAD", "X.rod", b.pc), Result::Cancel);
    EXPECT_TRUE(b.shown("不能建立目标文件。"));
}

TEST(TransferTest, DownloadFollowsTheStreamRatherThanTheAnnouncedSize) {
    struct Case {
        const char* what;
        std::uint32_t announced;
        std::size_t sent;
        std::vector<int> progress;
    } cases[] = {{"size 0 announced", 0, 20, {100}}, {"ends short", 40, 20, {50}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vornex::testing::TempDir dir;
        vornex::testing::ScriptedPrompter prompter;
        std::deque<std::string> script{ackPacket(), ackPacket(),
                                       commandPacket("45", {"00", "80", c.announced, "ROAD", "A.rod", "fls0"}),
                                       dataPacket("45", 1, 1, patternBytes(c.sent)), roleswapPacket()};
        CalculatorLink link([&] { return std::make_unique<testing::ScriptTransport>(script); }, 20);
        TransferDialogModel d(link, prompter);
        d.kind = TransferKind::Receive;
        d.folder = "ROAD";
        d.source = "A.rod";
        d.target = (dir / "A.rod").string();
        std::vector<TransferNotice> notices;
        d.onNotice = [&](const TransferNotice& n) { notices.push_back(n); };
        d.start();
        d.runWorkerToEnd();
        EXPECT_EQ(d.result(), Result::Ok);
        EXPECT_EQ(progressValues(notices), c.progress);
        EXPECT_EQ(readAll(dir / "A.rod"), patternBytes(c.sent));
    }
}

TEST(TransferTest, MissingFileLeavesTheExistingPcFileAlone) {
    SimBench b;
    writeAll(b.pc / "K.rod", "keep me");
    b.prompter.yesNoAnswers = {true};  // yes, replace K.rod
    EXPECT_EQ(b.download("ROAD", "NONE.rod", b.pc / "K.rod"), Result::Cancel);
    EXPECT_TRUE(b.shown("计算器上不能找到源文件。"));
    EXPECT_EQ(readAll(b.pc / "K.rod"), "keep me");
    EXPECT_EQ(std::distance(fs::directory_iterator(b.pc), fs::directory_iterator()), 1);
}

TEST(TransferTest, SendChecksBeforeTouchingTheCalculator) {
    SimBench b;
    writeAll(b.pc / "EMPTY.rod", "");
    writeAll(b.pc / "x", "abc");
    struct Case {
        std::string source, name, message;
    } cases[] = {
        {"EMPTY.rod", "EMPTY.rod", "文件长度为0"},
        {"x", "ABCDEFGH.rodx", "目标文件名太长: ABCDEFGH.rodx\n计算器只允许12个字符的文件名"},
        {"x", "测量一二三.ro", "目标文件名太长: 测量一二三.ro\n计算器只允许12个字符的文件名"},
        {"missing", "M.rod", "不能打开指定文件."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        b.sim->clearLog();
        b.prompter.shown.clear();
        EXPECT_EQ(b.upload(b.pc / c.source, "ROAD", c.name), Result::Cancel);
        EXPECT_TRUE(b.shown(c.message));
        // Only the connection check went out: no capacity query, no file command.
        EXPECT_EQ(b.sim->hostPackets(), std::vector<std::string>{checkPacket()});
    }
    // Exactly 12 bytes (five Chinese characters count two each) is accepted.
    EXPECT_EQ(b.upload(b.pc / "x", "ROAD", "ABCDEFGH.rod"), Result::Ok);
    EXPECT_EQ(b.upload(b.pc / "x", "ROAD", "测量一二三.r"), Result::Ok);
    EXPECT_TRUE(fs::exists(b.storage / "ROAD" / text::utf8ToGbk("测量一二三.r")));
}

TEST(TransferTest, OverwriteQuestion) {
    SimBench b;
    fs::create_directories(b.storage / "ROAD");
    writeAll(b.storage / "ROAD" / "K1.rod", "old");
    writeAll(b.pc / "K1.rod", "new content");

    b.prompter.yesNoAnswers = {false};
    EXPECT_EQ(b.upload(b.pc / "K1.rod", "ROAD", "K1.rod"), Result::Cancel);
    EXPECT_EQ(b.prompter.shown, std::vector<std::string>{"文件<K1.rod>已经存在，是否覆盖？"});
    EXPECT_EQ(readAll(b.storage / "ROAD" / "K1.rod"), "old");
    EXPECT_EQ(b.sim->hostPackets().back(), overwriteNoPacket());

    b.prompter.yesNoAnswers = {true};
    EXPECT_EQ(b.upload(b.pc / "K1.rod", "ROAD", "K1.rod"), Result::Ok);
    EXPECT_EQ(readAll(b.storage / "ROAD" / "K1.rod"), "new content");
    auto host = b.sim->hostPackets();
    EXPECT_NE(std::find(host.begin(), host.end(), ackYesPacket()), host.end());
}

TEST(TransferTest, TooLittleSpaceOffersToOptimize) {
    SimBench b;
    b.sim = std::make_shared<CalcSimulator>(b.storage, 1000);
    CalculatorLink link([s = b.sim] { return makeSimTransport(s); }, 60);
    writeAll(b.pc / "A.rod", patternBytes(2000));
    TransferDialogModel m(link, b.prompter);
    m.source = (b.pc / "A.rod").string();
    m.target = "A.rod";
    b.prompter.yesNoAnswers = {true};
    m.start();
    EXPECT_EQ(m.result(), Result::Cancel);
    EXPECT_TRUE(b.shown("计算器空间不足，是否优化计算器存储内存。"));
    auto host = b.sim->hostPackets();
    ASSERT_GE(host.size(), 2u);
    EXPECT_EQ(host[host.size() - 2], optimizePacket());
    EXPECT_EQ(host.back(), endCommandPacket());
}

TEST(TransferTest, FailedCapacityQueryStillUploads) {
    SimBench b;
    writeAll(b.pc / "A.rod", "abc");
    ASSERT_TRUE(b.link.OpenLink());  // open already: the dialog sends no check
    b.sim->setFaults({.garbageReplies = 1});
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(b.upload(b.pc / "A.rod", "", "A.rod"), Result::Ok);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ERR: GetFlashCapacity: no proper response\n");
    EXPECT_EQ(readAll(b.storage / "A.rod"), "abc");
}

TEST(TransferTest, NoCalculatorGivesTheConnectMessages) {
    vornex::testing::TempDir dir;
    vornex::testing::ScriptedPrompter prompter;
    CalculatorLink link(transportFactoryFor("seqpacket:" + (dir / "nobody").string()), 50);
    writeAll(dir / "A.rod", "abc");
    {
        TransferDialogModel m(link, prompter);
        m.source = (dir / "A.rod").string();
        m.start();
        EXPECT_EQ(m.result(), Result::Cancel);
        TransferDialogModel d(link, prompter);
        d.kind = TransferKind::Receive;
        d.source = "A.rod";
        d.target = (dir / "B.rod").string();
        d.start();
        EXPECT_EQ(d.result(), Result::Cancel);
    }
    EXPECT_FALSE(OptimizeStorageCommand(link, prompter));
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{"不能与计算器连接。\n请断开再重新连接计算器。",
                                                        "不能与计算器连接。\n请断开再重新连接计算器。",
                                                        "不能打开计算器端口。"}));
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(fs::exists(dir / "B.rod"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(TransferTest, MisbehavingCalculatorFailsWithinTheTimeOuts) {
    struct Case {
        const char* what;
        SimulatorFaults faults;
    } cases[] = {
        {"garbage", {.garbageReplies = 100000}},
        {"silent", {.stallAfter = 0}},
        {"silent after the announcement", {.stallAfter = 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimBench b(40);
        writeAll(b.pc / "A.rod", patternBytes(5000));
        fs::create_directories(b.storage / "ROAD");
        writeAll(b.storage / "ROAD" / "D.rod", patternBytes(5000));
        auto t0 = std::chrono::steady_clock::now();
        b.sim->setFaults(c.faults);
        EXPECT_NE(b.upload(b.pc / "A.rod", "ROAD", "A.rod"), Result::Ok);
        b.sim->setFaults(c.faults);
        EXPECT_NE(b.download("ROAD", "D.rod", b.pc / "D.rod"), Result::Ok);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
        EXPECT_FALSE(fs::exists(b.storage / "ROAD" / "A.rod"));
        EXPECT_FALSE(fs::exists(b.pc / "D.rod"));
    }
}

// A transfer that fails tells why: the resend limit, the time-out, or the
// calculator closing the link.
TEST(TransferTest, FailureSaysWhy) {
    struct Case {
        const char* what;
        TransferKind kind;
        SimulatorFaults faults;
        std::string message;
    } cases[] = {
        {"resends", TransferKind::Send, {.resendRequests = 5}, "传输中断。\n原因：计算器连续要求重发同一数据包"},
        {"silent", TransferKind::Send, {.stallAfter = 5}, "传输中断。\n原因：计算器在60毫秒内没有应答（超时）。"},
        {"closed", TransferKind::Send, {.closeAfter = 5}, "传输中断。\n原因：计算器关闭了连接"},
        {"silent", TransferKind::Receive, {.stallAfter = 3}, "不能收到文件数据。\n原因：计算器在60毫秒内没有应答"},
        {"closed", TransferKind::Receive, {.closeAfter = 3}, "不能收到文件数据。\n原因：计算器关闭了连接"},
        {"closed at once", TransferKind::Receive, {.closeAfter = 2}, "不能收到计算器上的文件信息。\n原因：计算器关闭了连接"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimBench b;
        writeAll(b.pc / "A.rod", patternBytes(3000));
        fs::create_directories(b.storage / "ROAD");
        writeAll(b.storage / "ROAD" / "D.rod", patternBytes(3000));
        b.sim->setFaults(c.faults);
        auto result = c.kind == TransferKind::Send ? b.upload(b.pc / "A.rod", "ROAD", "A.rod")
                                                   : b.download("ROAD", "D.rod", b.pc / "D.rod");
        EXPECT_NE(result, Result::Ok);
        ASSERT_FALSE(b.notices.empty());
        EXPECT_EQ(b.notices.back().code, kNoticeFailed);
        EXPECT_EQ(b.notices.back().message.rfind(c.message, 0), 0u) << b.notices.back().message;
        EXPECT_TRUE(b.shown(b.notices.back().message));
        EXPECT_TRUE(b.shown(TransferDialogModel::kRestartText));
    }
}

// A listing cut short at its limit says so; one that ends at the limit does not.
TEST(TransferTest, ListingCutShortAtItsLimit) {
    SimBench b;
    for (const char* name : {"A.g1m", "B.g1m", "C.g1m"}) writeAll(b.storage / name, "x");
    for (std::size_t limit : {2u, 3u}) {
        ASSERT_TRUE(b.link.OpenLink());
        std::vector<ListingEntry> entries;
        bool cut = true;
        ASSERT_TRUE(ListStorageFiles(b.link, entries, limit, &cut));
        EXPECT_EQ(entries.size(), limit);
        EXPECT_EQ(cut, limit == 2u);
        b.link.CloseLink();
    }
}

}  // namespace
}  // namespace vornex::link
