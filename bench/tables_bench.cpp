// Road tables speed: the coordinate table of a 100 km road and the batch
// computation of a 100,000-point file, end to end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "geometry/alignment.h"
#include "model/prompter.h"
#include "tables/road_tables.h"
#include "tables/route_query.h"
#include "text/text.h"

namespace {

using namespace vornex;

// About 100 km of straights, spirals and arcs turning both ways, a profile with a
// grade point every kilometre, a few chain breaks and plates on both sides.
RoadProject longProject() {
    RoadProject p;
    Road road;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> radius(400, 900), len(200, 600);
    double total = 0;
    for (int i = 0; total < 100000; ++i) {
        double r = radius(rng) * (i % 2 ? -1 : 1);
        double lengths[4] = {len(rng), 80, len(rng) / 2, 80};
        double radii[4][2] = {{0, 0}, {0, r}, {r, r}, {r, 0}};
        for (int k = 0; k < 4; ++k) {
            AlignmentElement e;
            e.length = lengths[k];
            e.startRadius = radii[k][0];
            e.endRadius = radii[k][1];
            road.elements.push_back(e);
            total += lengths[k];
        }
    }
    road.elements[0].x = 3000000;
    road.elements[0].y = 500000;
    road.elements[0].startAzimuth = road.elements[0].arrivalAzimuth = 35;
    propagateElements(road, 0, 0.0001);
    for (int k = 0; k <= 101; ++k) road.gradePoints.push_back({k * 1000.0, 100 + (k % 2) * 8.0, 8000});
    road.chainBreaks = {{20000, 20050}, {50000, 49900}, {80000.5, 80000}};
    road.plates = {{1, 6, 3.75, -2, 0.5, 0, -1, -1, -1, -1}, {2, 6, 3.75, -2, 0.5, 0, -1, -1, -1, -1}};
    p.roads.push_back(road);
    return p;
}

void BM_CoordinateTable100km(benchmark::State& state) {
    RoadProject p = longProject();
    for (auto _ : state) {
        Grid g = buildCoordinateTable(p, 0);
        benchmark::DoNotOptimize(g.rows.data());
        state.counters["rows"] = g.rowCount();
    }
}
BENCHMARK(BM_CoordinateTable100km)->Unit(benchmark::kMillisecond);

// With `withProgress`, as the batch dialog runs it: a report at most every 50 ms;
// the largest gap between two reports is given as the counter max_gap_ms.
void batch100k(benchmark::State& state, bool withProgress) {
    RoadProject p = longProject();
    const Road& road = p.roads[0];
    auto dir = std::filesystem::temp_directory_path() / "vornex-bench-batch";
    std::filesystem::create_directories(dir);
    const std::string input = (dir / "points.txt").string();
    {
        // Points scattered up to 30 m either side of the road.
        std::mt19937_64 rng(11);
        std::uniform_real_distribution<double> station(0, 99000), offset(-30, 30);
        std::string text;
        for (int i = 0; i < 100000; ++i) {
            AlignmentPoint pt;
            pointAtStation(road, station(rng), 0.0001, offset(rng), 90, pt);
            text += text::format("P%d,%.4f,%.4f,%.3f\n", i, pt.x, pt.y, 100.0);
        }
        std::FILE* f = std::fopen(input.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    DefaultAnswerPrompter prompter;
    double maxGapMs = 0;
    BatchProgress progress;
    if (withProgress)
        progress.report = [&, last = std::chrono::steady_clock::time_point{}](std::uint64_t, std::uint64_t) mutable {
            const auto now = std::chrono::steady_clock::now();
            if (last != std::chrono::steady_clock::time_point{})
                maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            return true;
        };
    for (auto _ : state) {
        int n = batchQuery(p, 0, input, prompter, progress);
        benchmark::DoNotOptimize(n);
    }
    if (withProgress) state.counters["max_gap_ms"] = maxGapMs;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
void BM_Batch100k(benchmark::State& state) { batch100k(state, false); }
BENCHMARK(BM_Batch100k)->Unit(benchmark::kMillisecond);
void BM_Batch100kProgress(benchmark::State& state) { batch100k(state, true); }
BENCHMARK(BM_Batch100kProgress)->Unit(benchmark::kMillisecond);

}  // namespace
