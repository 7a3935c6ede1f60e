// An upload of 64 KiB to the in-process simulated calculator, through the
// transfer dialog's model and its worker thread.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "link/calculator_link.h"
#include "link/simulator.h"
#include "link/storage.h"
#include "model/prompter.h"

namespace {

namespace fs = std::filesystem;

void BM_Upload64KiB(benchmark::State& state) {
    std::random_device rd;
    const fs::path dir = fs::temp_directory_path() / ("vornex-bench-" + std::to_string(rd()));
    fs::create_directories(dir / "calc");
    std::string bytes(64 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    std::ofstream(dir / "B.rod", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    auto sim = std::make_shared<vornex::link::CalcSimulator>(dir / "calc");
    vornex::link::CalculatorLink link([sim] { return vornex::link::makeSimTransport(sim); });
    vornex::DefaultAnswerPrompter prompter;
    bool ok = true;
    for (auto _ : state) {
        vornex::link::TransferDialogModel dialog(link, prompter);
        dialog.source = (dir / "B.rod").string();
        dialog.folder = "ROAD";
        dialog.start();
        dialog.runWorkerToEnd();
        ok = ok && dialog.result() == vornex::link::TransferDialogModel::Result::Ok;
        state.PauseTiming();
        std::error_code ec;
        fs::remove(dir / "calc" / "ROAD" / "B.rod", ec);
        sim->clearLog();
        state.ResumeTiming();
    }
    if (!ok) state.SkipWithError("upload failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_Upload64KiB)->Unit(benchmark::kMillisecond);

}  // namespace
