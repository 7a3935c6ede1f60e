// Exchange speed: LandXML import and export of a 5,000-element alignment, and
// the DXF plan of the same road.
#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "exchange/dxf_plan.h"
#include "exchange/landxml.h"
#include "geometry/alignment.h"

namespace {

using namespace vornex;

// 5,000 elements (or `elements`): straight, spiral, arc, spiral, turning left
// and right in turn.
RoadProject longRoad(int elements = 5000) {
    RoadProject project;
    Road road;
    road.name = "Long";
    road.curveForm = 1;
    for (int i = 0; i < elements / 4; ++i) {
        const double r = (i % 2 ? 1 : -1) * (400.0 + 10 * (i % 7));
        const double pieces[4][3] = {{80, 0, 0}, {60, 0, r}, {40, r, r}, {60, r, 0}};
        for (const auto& p : pieces) {
            AlignmentElement e;
            e.length = p[0];
            e.startRadius = p[1];
            e.endRadius = p[2];
            road.elements.push_back(e);
        }
    }
    road.elements[0].x = 3400000;
    road.elements[0].y = 39500000;
    road.elements[0].startAzimuth = road.elements[0].arrivalAzimuth = 30;
    propagateElements(road, 0, 0.0001);
    for (int i = 0; i <= 100; ++i) road.gradePoints.push_back({12000.0 * i / 10, 100.0 + (i % 3), i % 100 ? 8000.0 : 0.0});
    project.roads.push_back(road);
    return project;
}

void BM_LandXmlImport5000(benchmark::State& state) {
    const RoadProject project = longRoad();
    const std::vector<int> roads{0};
    const std::string xml = exchange::writeLandXml(project, roads);
    for (auto _ : state) {
        exchange::ImportResult r = exchange::readLandXml(xml, {}, nullptr);
        if (r.status != exchange::kExchangeOk) state.SkipWithError(r.error.c_str());
        benchmark::DoNotOptimize(r.road.elements.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(xml.size()));
}
BENCHMARK(BM_LandXmlImport5000)->Unit(benchmark::kMillisecond);

void BM_LandXmlExport5000(benchmark::State& state) {
    const RoadProject project = longRoad();
    const std::vector<int> roads{0};
    for (auto _ : state) {
        std::string xml = exchange::writeLandXml(project, roads);
        benchmark::DoNotOptimize(xml.data());
    }
}
BENCHMARK(BM_LandXmlExport5000)->Unit(benchmark::kMillisecond);

void BM_DxfPlan5000(benchmark::State& state) {
    const RoadProject project = longRoad();
    const std::vector<int> roads{0};
    for (auto _ : state) {
        std::string dxf = exchange::writeDxfPlan(project, roads);
        benchmark::DoNotOptimize(dxf.data());
    }
}
BENCHMARK(BM_DxfPlan5000)->Unit(benchmark::kMillisecond);

// Counts what is written and keeps none of it.
struct CountingBuffer : std::streambuf {
    std::size_t bytes = 0;
    int_type overflow(int_type c) override {
        ++bytes;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += static_cast<std::size_t>(n);
        return n;
    }
};

// The plan of a 100,000-element road streamed out: the time grows with the
// number of elements, not with its square (each element and tick is placed by
// walking on, not by a search from the road's start).
void BM_DxfPlanStream100000(benchmark::State& state) {
    const RoadProject project = longRoad(100000);
    const std::vector<int> roads{0};
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingBuffer buffer;
        std::ostream out(&buffer);
        if (!exchange::writeDxfPlan(project, roads, out)) state.SkipWithError("the stream failed");
        bytes = buffer.bytes;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_DxfPlanStream100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
