#include "app/dialogs/calc_exchange.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "calc_fixture.h"
#include "link/storage.h"

namespace vornex::app {
namespace {

using testing::CalcBench;
using testing::pumpUntil;

// Optimizing runs on a worker behind a modal busy indicator: while the
// calculator stalls, the window's thread handles a queued event with the
// indicator up; then the exchange's own text is told and the link is free.
TEST(CalcExchangeTest, OptimizeShowsABusyIndicatorAndKeepsTheWindowResponsive) {
    struct Case {
        const char* what;
        link::SimulatorFaults faults;
        const char* told;
    } cases[] = {
        {"answering", {}, link::kOptimizeStartedText},
        {"stalled", {.stallAfter = 0}, link::kOptimizeFailedText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CalcBench b(1000);
        b.sim->setFaults(c.faults);
        bool ran = false;
        bool onWindowThread = false;
        bool waiting = false;
        QString indicator;
        QTimer::singleShot(0, [&] {
            ran = true;
            onWindowThread = QThread::currentThread() == qApp->thread();
            if (auto* p = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
                indicator = p->windowTitle();
            // Stalled: the worker has written its check and waits for the reply.
            if (c.faults.stallAfter == 0)
                waiting = pumpUntil([&] { return !b.sim->hostPackets().empty(); }) && b.link.busy();
        });
        const bool sent = optimizeCalculatorStorage(b.link, b.prompter, nullptr);
        EXPECT_TRUE(ran);
        EXPECT_TRUE(onWindowThread);
        EXPECT_EQ(indicator, QStringLiteral("优化计算器存储内存"));
        EXPECT_EQ(waiting, c.faults.stallAfter == 0);
        EXPECT_EQ(sent, c.faults.stallAfter < 0);
        EXPECT_EQ(b.prompter.shown, std::vector<std::string>{c.told});
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(b.link.busy());
        EXPECT_FALSE(b.link.isOpen());
    }
}

// A link another worker holds past the wait: the calculator is busy, and the
// exchange never touched it.
TEST(CalcExchangeTest, OptimizeOnABusyLinkSaysSoAndSendsNothing) {
    CalcBench b;
    ASSERT_TRUE(b.link.claimForTransfer(0));
    EXPECT_FALSE(optimizeCalculatorStorage(b.link, b.prompter, nullptr));
    b.link.endTransfer();
    EXPECT_EQ(b.prompter.shown, std::vector<std::string>{link::TransferDialogModel::kBusyText});
    EXPECT_TRUE(b.sim->hostPackets().empty());
}

}  // namespace
}  // namespace vornex::app
