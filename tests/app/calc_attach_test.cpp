// The calculator dialogs against the simulated calculator in its own process
// (vornex-calc-sim on a seqpacket socket): a calculator that is not there yet,
// one plugged in while the workbench runs, and one that misbehaves.
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "app/dialogs/casio_com_dialog.h"
#include "app/dialogs/casio_explor.h"
#include "calc_fixture.h"
#include "link/storage.h"

namespace vornex::app {
namespace {

namespace fs = std::filesystem;
using testing::CalcSimProcess;
using testing::calcPattern;
using testing::pumpUntil;
using testing::readBytes;
using testing::writeBytes;
using Result = link::TransferDialogModel::Result;

// A link to a socket where the simulator may or may not be serving.
struct SocketBench {
    testing::TempDir dir;
    fs::path storage = dir / "calc";
    fs::path pc = dir / "pc";
    fs::path socket = dir / "calc.sock";
    link::CalculatorLink link;
    testing::ScriptedPrompter prompter;
    CalcSimProcess sim;

    explicit SocketBench(int timeoutMs)
        : link(link::transportFactoryFor("seqpacket:" + (dir / "calc.sock").string()), timeoutMs) {
        fs::create_directories(storage);
        fs::create_directories(pc);
    }
    ~SocketBench() { link.waitUntilFree(20000); }

    // Runs a send dialog of `source` as `name` into the root to its end.
    Result send(const fs::path& source, const std::string& name) {
        CCasioComDialog d(link, prompter);
        d.model().source = source.string();
        d.model().target = name;
        d.show();
        QTest::mouseClick(d.startButton(), Qt::LeftButton);
        EXPECT_TRUE(pumpUntil([&] { return !d.isVisible() || d.startButton()->isEnabled(); }));
        return d.transferResult();
    }
    // Opens the explorer and returns the root's files, or nothing when it closed.
    QStringList rootFiles() {
        CCasioExplor e(link, prompter);
        e.show();
        // The listing runs on a worker; its outcome (or the closing after a
        // failed one) comes through the event loop.
        EXPECT_TRUE(pumpUntil([&] { return e.exchangesRunning() == 0; }));
        QStringList files;
        if (!e.isVisible()) return files;
        for (int i = 0; i < e.fileList()->topLevelItemCount(); ++i) files << e.fileList()->topLevelItem(i)->text(0);
        return files;
    }
};

// No calculator: every command says so with its own text, without waiting
// out a time-out. Plugged in later, the same link works, without a restart.
TEST(CalculatorAttachTest, CommandsSaySoUntilTheCalculatorIsPluggedIn) {
    if (!CalcSimProcess::built()) GTEST_SKIP() << "vornex-calc-sim not built";
    SocketBench b(1000);
    writeBytes(b.pc / "k1.rod", calcPattern(3000));

    EXPECT_EQ(b.send(b.pc / "k1.rod", "K1.rod"), Result::Cancel);
    EXPECT_TRUE(b.rootFiles().isEmpty());
    EXPECT_FALSE(link::OptimizeStorageCommand(b.link, b.prompter));
    EXPECT_EQ(b.prompter.shown, (std::vector<std::string>{"不能与计算器连接。\n请断开再重新连接计算器。",
                                                          "不能打开计算器端口。\n请断开再重新连接计算器。",
                                                          "不能打开计算器端口。"}));
    EXPECT_FALSE(b.link.isOpen());

    ASSERT_TRUE(b.sim.start(b.storage, b.socket));
    b.prompter.shown.clear();
    EXPECT_EQ(b.send(b.pc / "k1.rod", "K1.rod"), Result::Ok);
    EXPECT_EQ(readBytes(b.storage / "K1.rod"), calcPattern(3000));
    EXPECT_EQ(b.rootFiles(), QStringList{"K1.rod"});
    EXPECT_TRUE(link::OptimizeStorageCommand(b.link, b.prompter));
    EXPECT_EQ(b.prompter.shown, (std::vector<std::string>{"传输文件成功. ", "计算器存储内存正在优化..."}));
    EXPECT_EQ(b.sim.stop(), 0);
}

// Over the socket, a calculator that falls silent or answers garbage: the send
// fails with its message within the reply time-outs and nothing is stored.
TEST(CalculatorAttachTest, SilentOrGarbledSimulatorFailsTheSend) {
    if (!CalcSimProcess::built()) GTEST_SKIP() << "vornex-calc-sim not built";
    struct Case {
        const char* what;
        std::vector<std::string> switches;
        Result result;
        std::string lastMessage;
    } cases[] = {
        {"silent from the start", {"--stall-after", "0"}, Result::Cancel, "传输错误"},
        {"garbage from the start", {"--garbage", "1000000"}, Result::Cancel, "传输错误"},
        // Five packets of set-up (check, capacity, announcement), then two data packets.
        {"silent in the data", {"--stall-after", "7"}, Result::None, link::TransferDialogModel::kRestartText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SocketBench b(1000);  // another process answers: the link's normal reply time-out
        writeBytes(b.pc / "big.rod", calcPattern(8 * 1024));
        ASSERT_TRUE(b.sim.start(b.storage, b.socket, c.switches));
        EXPECT_EQ(b.send(b.pc / "big.rod", "BIG.rod"), c.result);
        ASSERT_FALSE(b.prompter.shown.empty());
        EXPECT_EQ(b.prompter.shown.back(), c.lastMessage);
        EXPECT_FALSE(fs::exists(b.storage / "BIG.rod"));
    }
}

}  // namespace
}  // namespace vornex::app
