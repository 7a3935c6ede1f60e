// Road geometry speed: point at station and station of point on long roads
// made of straights, spirals and arcs turning both ways.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/alignment.h"
#include "geometry/point_to_station.h"

namespace {

using namespace vornex;

// Groups of straight, spiral in, arc, spiral out, alternating right and left
// turns with radii between 300 and 600 m.
Road benchRoad(int elementCount) {
    Road road;
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> radius(300, 600), len(40, 160);
    for (int i = 0; road.elements.size() < static_cast<std::size_t>(elementCount); ++i) {
        double r = radius(rng) * (i % 2 ? -1 : 1);
        double lengths[4] = {len(rng), 60, len(rng) / 2, 60};
        double radii[4][2] = {{0, 0}, {0, r}, {r, r}, {r, 0}};
        for (int k = 0; k < 4 && road.elements.size() < static_cast<std::size_t>(elementCount); ++k) {
            AlignmentElement e;
            e.length = lengths[k];
            e.startRadius = radii[k][0];
            e.endRadius = radii[k][1];
            road.elements.push_back(e);
        }
    }
    road.elements[0].x = 3000000;
    road.elements[0].y = 500000;
    road.elements[0].startAzimuth = road.elements[0].arrivalAzimuth = 35;
    propagateElements(road, 0, 0.0001);
    return road;
}

std::vector<double> randomStations(const Road& road, int count) {
    std::mt19937_64 rng(7);
    const AlignmentElement& last = road.elements.back();
    std::uniform_real_distribution<double> c(road.elements.front().startStation, last.startStation + last.length);
    std::vector<double> out(count);
    for (double& v : out) v = c(rng);
    return out;
}

std::vector<AlignmentPoint> randomPoints(const Road& road, int count) {
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> w(-20, 20);
    std::vector<AlignmentPoint> out;
    for (double c : randomStations(road, count)) {
        AlignmentPoint p;
        double off = w(rng);
        pointAtStation(road, c, 0.0001, std::fabs(off), off < 0 ? 270 : 90, p);
        out.push_back(p);
    }
    return out;
}

// Table use: one index per table, then one call per row.
void BM_PointAtStation(benchmark::State& state) {
    Road road = benchRoad(500);
    AlignmentIndex index(road.elements, 0.0001);
    std::vector<double> stations = randomStations(road, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        AlignmentPoint p;
        index.pointAtStation(stations[i++ & 4095], 5, 90, p);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_PointAtStation);

// The same through the plain function, which scans the elements.
void BM_ScanPointAtStation(benchmark::State& state) {
    Road road = benchRoad(500);
    std::vector<double> stations = randomStations(road, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        AlignmentPoint p;
        pointAtStation(road, stations[i++ & 4095], 0.0001, 5, 90, p);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_ScanPointAtStation);

void BM_StationOfPoint(benchmark::State& state) {
    Road road = benchRoad(static_cast<int>(state.range(0)));
    AlignmentIndex index(road.elements, 0.0001);
    std::vector<AlignmentPoint> points = randomPoints(road, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        StationOffset so;
        benchmark::DoNotOptimize(index.stationOfPoint(points[i++ & 4095], so));
        benchmark::DoNotOptimize(so);
    }
}
BENCHMARK(BM_StationOfPoint)->Arg(500)->Arg(5000);

void BM_ScanStationOfPoint(benchmark::State& state) {
    Road road = benchRoad(static_cast<int>(state.range(0)));
    std::vector<AlignmentPoint> points = randomPoints(road, 4096);
    std::size_t i = 0;
    for (auto _ : state) {
        StationOffset so;
        benchmark::DoNotOptimize(stationOfPoint(road, points[i++ & 4095], 0.0001, so));
        benchmark::DoNotOptimize(so);
    }
}
BENCHMARK(BM_ScanStationOfPoint)->Arg(500)->Arg(5000);

// Building the index once per table or batch.
void BM_AlignmentIndexBuild(benchmark::State& state) {
    Road road = benchRoad(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        AlignmentIndex index(road.elements, 0.0001);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_AlignmentIndexBuild)->Arg(500)->Arg(5000);

}  // namespace
