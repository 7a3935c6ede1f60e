// The workbench as the user drives it: the main window on the demo (tree
// selection -> table built and shown) and a typed cell of a 5,000-row table
// stored through the document controller (undo snapshot, store, re-show).
#include <benchmark/benchmark.h>

#include <QImage>
#include <filesystem>

#include "app/main_window.h"
#include "app/table_view.h"
#include "app/work_view.h"
#include "document/demo_project.h"
#include "document/project_file.h"

namespace {

using namespace vornex;

struct QuietPrompter : app::AppPrompter {
    void message(std::string_view, PromptIcon = PromptIcon::Warning) override {}
    bool askYesNo(std::string_view, bool d, PromptIcon) override { return d; }
    PasswordAnswer askPassword(PasswordDialogMode, std::string_view) override { return {}; }
    app::SaveAnswer askSaveChanges(std::string_view) override { return app::SaveAnswer::Discard; }
    std::string openFileName(std::string_view) override { return {}; }
    std::string saveFileName(std::string_view, std::string_view) override { return {}; }
};

std::filesystem::path writeTemp(RoadProject p, const char* name) {
    const auto file = std::filesystem::temp_directory_path() / name;
    writeProject(p, file);
    return file;
}

// Switching between a data table and a result table of the demo in the main window.
void BM_AppSwitchDemoTables(benchmark::State& state) {
    const auto file = writeTemp(makeDemoProject(), "vornex-bench-demo.rod");
    QuietPrompter prompter;
    app::MainWindow window(&prompter);
    window.resize(1366, 768);
    window.openFile(QString::fromStdString(file.string()));
    QImage image(window.tableView()->size(), QImage::Format_ARGB32_Premultiplied);
    bool data = false;
    for (auto _ : state) {
        data = !data;
        window.workView()->selectCode(data ? -103 : -10003);
        window.tableView()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_AppSwitchDemoTables)->Unit(benchmark::kMillisecond);

// One typed cell of a 5,000-row grade-point table: undo snapshot, per-field
// store and the one row re-shown. The counter says how many whole tables were
// shown per edit (0: only the row).
void BM_AppTypedCell5000(benchmark::State& state) {
    RoadProject p;
    Road road;
    road.name = "Road01";
    for (int i = 0; i < 5000; ++i) road.gradePoints.push_back({i * 20.0, 100 + (i % 7) * 0.5, 3000});
    p.roads.push_back(road);
    const auto file = writeTemp(p, "vornex-bench-5000.rod");
    QuietPrompter prompter;
    app::MainWindow window(&prompter);
    window.resize(1366, 768);
    window.openFile(QString::fromStdString(file.string()));
    window.workView()->selectCode(-105);
    app::TableView* table = window.tableView();
    const int rebuildsBefore = table->rebuildCount();
    int n = 0;
    for (auto _ : state) {
        table->editCell(2500, 1, QString::number(100 + (++n % 1000) * 0.001, 'f', 4));
    }
    state.counters["tables_shown_per_edit"] =
        benchmark::Counter(double(table->rebuildCount() - rebuildsBefore) / double(std::max(n, 1)));
    state.counters["rows_shown_per_edit"] = benchmark::Counter(double(table->rowUpdateCount()) / double(std::max(n, 1)));
    std::filesystem::remove(file);
}
BENCHMARK(BM_AppTypedCell5000)->Unit(benchmark::kMillisecond);

}  // namespace
