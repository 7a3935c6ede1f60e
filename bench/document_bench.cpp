// Project file speed: reading and writing a project of about 10,000 records.
#include <benchmark/benchmark.h>

#include <span>
#include <string>

#include "document/project_file.h"

namespace {

using namespace vornex;

// Two roads of 5,000 records each, spread over the common kinds.
RoadProject largeProject() {
    RoadProject p;
    for (int r = 0; r < 2; ++r) {
        Road road;
        road.name.assign(r == 0 ? "Main" : "Ramp");
        road.curveForm = 1;
        for (int i = 0; i < 2000; ++i) {
            AlignmentElement e;
            e.name.assign("HY");
            e.x = 3400000 + i;
            e.y = 500000 + i;
            e.startStation = 10.0 * i;
            e.length = 10;
            e.startRadius = 800;
            e.endRadius = 800;
            road.elements.push_back(e);
        }
        for (int i = 0; i < 1000; ++i) road.gradePoints.push_back({100.0 * i, 50.0 + i % 7, 8000});
        for (int i = 0; i < 1000; ++i) road.structures.push_back({1, 50.0 * i, 90, 10, 10, 4, 50, 1.5});
        for (int i = 0; i < 1000; ++i) road.widthChanges.push_back({20.0 * i, i % 4, 0, 3.75});
        road.plates.resize(4);
        p.roads.push_back(road);
    }
    return p;
}

void BM_ProjectWrite10k(benchmark::State& state) {
    RoadProject p = largeProject();
    std::string out;
    for (auto _ : state) {
        out.clear();
        writeProject(p, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size()));
}
BENCHMARK(BM_ProjectWrite10k)->Unit(benchmark::kMillisecond);

void BM_ProjectRead10k(benchmark::State& state) {
    RoadProject p = largeProject();
    std::string bytes;
    writeProject(p, bytes);
    DefaultAnswerPrompter prompter;
    auto span = std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    for (auto _ : state) {
        RoadProject read;
        benchmark::DoNotOptimize(readProject(read, span, prompter));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ProjectRead10k)->Unit(benchmark::kMillisecond);

}  // namespace
