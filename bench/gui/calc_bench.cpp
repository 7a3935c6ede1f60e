// The transfer dialog's "取消" during a 1 MB upload to a simulated calculator
// that has stopped answering, its worker waiting in a read: how long cancel
// takes to return to the window, and how long until the first event queued
// after it is processed. Both are measured on the window's thread.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "app/dialogs/casio_com_dialog.h"
#include "link/calculator_link.h"
#include "link/simulator.h"
#include "link/transport.h"

namespace {

using namespace vornex;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct SilentPrompter : Prompter {
    void message(std::string_view, PromptIcon = PromptIcon::Warning) override {}
    bool askYesNo(std::string_view, bool d, PromptIcon) override { return d; }
    PasswordAnswer askPassword(PasswordDialogMode, std::string_view) override { return {}; }
};

// Processes events until `done` holds; false after 20 s.
template <class Done>
bool pumpUntil(Done done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 20000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// what 0: cancel() returning; 1: the first event queued after it processed.
void BM_CalcCancel(benchmark::State& state, int what) {
    std::random_device rd;
    const fs::path dir = fs::temp_directory_path() / ("vornex-bench-calc-" + std::to_string(rd()));
    fs::create_directories(dir / "calc");
    const fs::path source = dir / "big.rod";
    {
        std::string bytes(1024 * 1024, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        std::ofstream(source, std::ios::binary) << bytes;
    }
    auto sim = std::make_shared<link::CalcSimulator>(dir / "calc", 4u * 1024 * 1024);
    // A slow calculator: an unanswered read waits 400 ms.
    link::CalculatorLink calc([sim] { return link::makeSimTransport(sim); }, 400);
    SilentPrompter prompter;
    for (auto _ : state) {
        sim->setFaults({});
        app::CCasioComDialog dialog(calc, prompter);
        dialog.model().source = source.string();
        dialog.model().target = "BIG.rod";
        dialog.show();
        dialog.startTransfer();
        if (!pumpUntil([&] { return dialog.progressBar()->value() >= 2 || !dialog.running(); }) ||
            !dialog.running()) {
            state.SkipWithError("the transfer did not start");
            break;
        }
        link::SimulatorFaults stall;
        stall.stallAfter = 0;
        sim->setFaults(stall);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the worker now waits on its read

        bool queuedRan = false;
        const auto t0 = Clock::now();
        dialog.cancelTransfer();
        const auto returned = Clock::now();
        QTimer::singleShot(0, [&] { queuedRan = true; });
        while (!queuedRan) QCoreApplication::processEvents();
        const auto firstEvent = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>((what == 0 ? returned : firstEvent) - t0).count());

        // The cancelled worker ends on its own; the next round waits for it.
        app::CCasioComDialog::waitForPendingCancels();
        calc.waitUntilFree(10000);
    }
    app::CCasioComDialog::waitForPendingCancels();
    calc.waitUntilFree(10000);
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK_CAPTURE(BM_CalcCancel, returns, 0)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CalcCancel, first_event, 1)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);

}  // namespace
