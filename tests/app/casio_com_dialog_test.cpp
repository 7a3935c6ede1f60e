#include "app/dialogs/casio_com_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "calc_fixture.h"
#include "link/packet.h"

namespace vornex::app {
namespace {

namespace fs = std::filesystem;
using testing::CalcBench;
using testing::calcPattern;
using testing::pumpUntil;
using testing::readBytes;
using testing::writeBytes;
using Result = link::TransferDialogModel::Result;

struct SendRun {
    CalcBench& bench;
    CCasioComDialog dialog;
    explicit SendRun(CalcBench& b, const fs::path& source, const std::string& folder, const std::string& name)
        : bench(b), dialog(b.link, b.prompter) {
        dialog.model().kind = link::TransferKind::Send;
        dialog.model().source = source.string();
        dialog.model().folder = folder;
        dialog.model().target = name;
        dialog.model().caption = "上传文件<" + name + ">至计算器";
        dialog.show();
    }
    ~SendRun() { CCasioComDialog::waitForPendingCancels(); }
    void clickStart() { QTest::mouseClick(dialog.startButton(), Qt::LeftButton); }
};

TEST(CasioComDialogTest, ControlsAndIdleState) {
    CalcBench b;
    CCasioComDialog d(b.link, b.prompter);
    d.model().caption = "传送项目文件<K1.rod>";
    d.show();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("传送项目文件<K1.rod>"));
    EXPECT_EQ(d.startButton()->text(), QStringLiteral("开始"));
    EXPECT_EQ(d.cancelButton()->text(), QStringLiteral("取消"));
    EXPECT_TRUE(d.startButton()->isEnabled());
    EXPECT_EQ(d.progressBar()->minimum(), 0);
    EXPECT_EQ(d.progressBar()->maximum(), 100);
    EXPECT_EQ(d.percentLabel()->text(), QStringLiteral("0%"));
    for (QWidget* w : d.findChildren<QWidget*>())
        if (qobject_cast<QPushButton*>(w) || qobject_cast<QLabel*>(w) || qobject_cast<QProgressBar*>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
    CCasioComDialog plain(b.link, b.prompter);
    plain.show();
    EXPECT_EQ(plain.windowTitle(), QStringLiteral("计算器传输"));
}

TEST(CasioComDialogTest, SendsTheFileByteForByte) {
    CalcBench b;
    fs::create_directories(b.storage / "ROAD");
    const std::string bytes = calcPattern(3000);  // three data packets
    writeBytes(b.pc / "k1.rod", bytes);
    SendRun run(b, b.pc / "k1.rod", "ROAD", "K1.rod");
    // Behind the success message the bar already shows the whole file.
    QString behindMessage;
    b.prompter.onMessage = [&](std::string_view) { behindMessage = run.dialog.progressBar()->format(); };
    run.clickStart();
    ASSERT_TRUE(pumpUntil([&] { return !run.dialog.isVisible(); }));
    EXPECT_EQ(behindMessage, QStringLiteral("3000 / 3000 字节"));
    EXPECT_EQ(run.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(run.dialog.transferResult(), Result::Ok);
    EXPECT_EQ(readBytes(b.storage / "ROAD" / "K1.rod"), bytes);
    EXPECT_EQ(run.dialog.progressBar()->value(), 100);
    EXPECT_EQ(run.dialog.percentLabel()->text(), QStringLiteral("100%"));
    EXPECT_EQ(run.dialog.progressBar()->format(), QStringLiteral("3000 / 3000 字节"));
    EXPECT_EQ(b.prompter.shown.back(), "传输文件成功. ");
}

TEST(CasioComDialogTest, OverwriteQuestionBothWays) {
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        CalcBench b;
        const std::string old = calcPattern(40);
        writeBytes(b.storage / "A.rod", old);
        const std::string fresh(1500, 'x');
        writeBytes(b.pc / "a.rod", fresh);
        b.prompter.yesNoAnswers = {yes};
        SendRun run(b, b.pc / "a.rod", "", "A.rod");
        run.clickStart();
        ASSERT_TRUE(pumpUntil([&] { return !run.dialog.isVisible(); }));
        ASSERT_FALSE(b.prompter.shown.empty());
        EXPECT_EQ(b.prompter.shown.front(), "文件<A.rod>已经存在，是否覆盖？");
        EXPECT_EQ(readBytes(b.storage / "A.rod"), yes ? fresh : old);
        EXPECT_EQ(run.dialog.transferResult(), yes ? Result::Ok : Result::Cancel);
        // Declining ends the dialog without a further message.
        if (!yes) {
            EXPECT_EQ(b.prompter.shown.size(), 1u);
        }
    }
}

// The set-up exchange after "开始" (check, capacity, announcement) runs on the
// worker: the overwrite question it meets reaches the window only after the
// click has returned, while the worker waits for the answer.
TEST(CasioComDialogTest, SetUpRunsOffTheWindowThread) {
    struct Recorder : testing::ScriptedPrompter {
        bool* inClick = nullptr;
        bool askedInClick = false;
        bool askYesNo(std::string_view t, bool d, PromptIcon i) override {
            askedInClick = *inClick;
            return ScriptedPrompter::askYesNo(t, d, i);
        }
    };
    CalcBench b;
    writeBytes(b.storage / "A.rod", "old");
    writeBytes(b.pc / "a.rod", "new bytes");
    Recorder prompter;
    bool inClick = false;
    prompter.inClick = &inClick;
    prompter.yesNoAnswers = {true};
    CCasioComDialog d(b.link, prompter);
    d.model().source = (b.pc / "a.rod").string();
    d.model().target = "A.rod";
    d.show();
    inClick = true;
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    inClick = false;
    EXPECT_FALSE(d.startButton()->isEnabled());
    ASSERT_TRUE(pumpUntil([&] { return !d.isVisible(); }));
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.front(), "文件<A.rod>已经存在，是否覆盖？");
    EXPECT_FALSE(prompter.askedInClick);
    EXPECT_EQ(d.transferResult(), Result::Ok);
    EXPECT_EQ(readBytes(b.storage / "A.rod"), "new bytes");
}

// A calculator that falls silent or answers garbage from the start: the set-up
// fails within its reply time-outs, says so, and the dialog ends with the link
// free. (Silence in the data phase: FailedTransferReturnsToIdle.)
TEST(CasioComDialogTest, SilentOrGarbledCalculatorFailsClearly) {
    struct Case {
        const char* what;
        link::SimulatorFaults faults;
    } cases[] = {
        {"silent", {.stallAfter = 0}},
        {"garbage", {.garbageReplies = 1000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CalcBench b;
        writeBytes(b.pc / "big.rod", calcPattern(8 * 1024));
        SendRun run(b, b.pc / "big.rod", "", "BIG.rod");
        b.sim->setFaults(c.faults);
        run.clickStart();
        ASSERT_TRUE(pumpUntil([&] { return !run.dialog.isVisible(); }));
        EXPECT_EQ(run.dialog.transferResult(), Result::Cancel);
        EXPECT_EQ(b.prompter.shown, std::vector<std::string>{"传输错误"});
        EXPECT_FALSE(fs::exists(b.storage / "BIG.rod"));
        ASSERT_TRUE(b.link.waitUntilFree(5000));
        EXPECT_FALSE(b.link.isOpen());
    }
}

TEST(CasioComDialogTest, FailedTransferReturnsToIdle) {
    CalcBench b;
    writeBytes(b.pc / "big.rod", calcPattern(20 * 1024));
    SendRun run(b, b.pc / "big.rod", "", "BIG.rod");
    // The calculator falls silent in the middle of the data.
    link::SimulatorFaults f;
    f.stallAfter = 8;
    b.sim->setFaults(f);
    run.clickStart();
    EXPECT_FALSE(run.dialog.startButton()->isEnabled());
    ASSERT_TRUE(pumpUntil([&] { return run.dialog.startButton()->isEnabled(); }));
    EXPECT_TRUE(run.dialog.isVisible());
    EXPECT_EQ(run.dialog.transferResult(), Result::None);
    EXPECT_EQ(run.dialog.percentLabel()->text(), QStringLiteral("0%"));
    EXPECT_EQ(run.dialog.progressBar()->value(), 0);
    EXPECT_EQ(b.prompter.shown.back(), link::TransferDialogModel::kRestartText);
    EXPECT_GE(b.sentOfType(0x18), 1);  // the abort went out
    EXPECT_FALSE(fs::exists(b.storage / "BIG.rod"));
}

TEST(CasioComDialogTest, CancelReturnsAtOnceWhileTheCalculatorStalls) {
    // A slow link: every unanswered read waits out a long time-out.
    CalcBench b(400);
    writeBytes(b.pc / "big.rod", calcPattern(1024 * 1024));
    SendRun run(b, b.pc / "big.rod", "", "BIG.rod");
    run.clickStart();
    ASSERT_TRUE(pumpUntil([&] { return run.dialog.progressBar()->value() >= 2; }));
    link::SimulatorFaults f;
    f.stallAfter = 0;
    b.sim->setFaults(f);
    QTest::qWait(50);  // the worker now waits on a reply that never comes
    ASSERT_TRUE(run.dialog.running());
    QTest::mouseClick(run.dialog.cancelButton(), Qt::LeftButton);
    // The window is free at once: the dialog has ended and a queued call runs.
    EXPECT_FALSE(run.dialog.isVisible());
    EXPECT_EQ(run.dialog.transferResult(), Result::Cancel);
    bool queuedRan = false;
    QTimer::singleShot(0, [&] { queuedRan = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(queuedRan);
    CCasioComDialog::waitForPendingCancels();
    ASSERT_TRUE(b.link.waitUntilFree(5000));  // the worker aborts and closes the link on its own thread
    EXPECT_GE(b.sentOfType(0x18), 1);  // the worker's end was followed by the abort
    EXPECT_FALSE(b.link.isOpen());
    EXPECT_FALSE(fs::exists(b.storage / "BIG.rod"));
}

TEST(CasioComDialogTest, CancelledDownloadLeavesNoPcFile) {
    CalcBench b(400);
    writeBytes(b.storage / "BIG.rod", calcPattern(256 * 1024));
    const fs::path target = b.pc / "BIG.rod";
    CCasioComDialog d(b.link, b.prompter);
    d.model().kind = link::TransferKind::Receive;
    d.model().source = "BIG.rod";
    d.model().target = target.string();
    d.setTotalBytes(256 * 1024);
    d.show();
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return d.progressBar()->value() >= 2; }));
    EXPECT_TRUE(d.progressBar()->format().endsWith(QStringLiteral(" / 262144 字节")));
    link::SimulatorFaults f;
    f.stallAfter = 0;
    b.sim->setFaults(f);
    QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    CCasioComDialog::waitForPendingCancels();
    ASSERT_TRUE(b.link.waitUntilFree(5000));  // the worker drops its temporary file as it ends
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_empty(b.pc));  // nor a temporary beside it
}

}  // namespace
}  // namespace vornex::app
