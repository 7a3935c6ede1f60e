// Control-survey module: the cost of the plane closure table (平面闭合差)
// against the adjustment it belongs to, on a 500-point network of braced
// quadrilaterals (every quadrilateral gives triangles) with a traverse along
// its edge and a known azimuth between two unknown points. The table should
// add no more than a tenth to the adjustment time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "adjust/plane_closures.h"
#include "adjust/survey_modules.h"
#include "model/prompter.h"
#include "tables/survey_tables.h"

namespace {

using namespace vornex;

std::string gridName(int i, int j) { return "G" + std::to_string(i) + "_" + std::to_string(j); }

SurveyNetwork controlGrid(int rows, int cols) {
    SurveyNetwork net;
    auto at = [](int i, int j) {
        return PlanePoint{3000000 + 300.0 * i + 40 * std::sin(1.3 * j + i), 500000 + 300.0 * j + 40 * std::cos(0.7 * i + 2 * j)};
    };
    for (auto [i, j] : {std::pair{0, 0}, {0, cols - 1}, {rows - 1, 0}, {rows - 1, cols - 1}}) {
        const PlanePoint p = at(i, j);
        net.knownPoints.push_back({gridName(i, j).c_str(), "", p.x, p.y, 0});
    }
    {
        const PlanePoint a = at(rows / 2, cols / 2), b = at(rows / 2, cols / 2 + 1);
        net.knownAzimuths.push_back({gridName(rows / 2, cols / 2).c_str(), gridName(rows / 2, cols / 2 + 1).c_str(),
                                     joinPoints(b.x - a.x, b.y - a.y).azimuth});
    }
    net.control.observationType = kHorizontalDistance;
    net.control.angleSigma = 2;
    net.control.azimuthSigma = 2;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    net.control.triangleClosureLimit = 9;
    net.control.azimuthClosureCoefficient = 5;
    net.control.traverseClosureCoefficient = 10;
    int n = 0;
    auto sight = [&](SurveyStation& s, PlanePoint a, int ti, int tj, double zero, bool distance) {
        const PlanePoint b = at(ti, tj);
        SurveyObservation o;
        o.targetName = gridName(ti, tj).c_str();
        const PolarVector v = joinPoints(b.x - a.x, b.y - a.y);
        o.direction = normalizeAngle(v.azimuth - zero + 1.5 * std::sin(++n * 0.9) / 3600);
        if (distance) o.distance = v.distance + 0.002 * std::sin(++n * 1.1);
        s.observations.push_back(o);
    };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            SurveyStation s;
            s.name = gridName(i, j).c_str();
            const PlanePoint a = at(i, j);
            const double zero = 17.0 * ((i * cols + j) % 20);
            // Neighbours by direction and distance, all four diagonals by direction.
            const int nb[8][3] = {{0, 1, 1}, {1, 0, 1}, {0, -1, 1}, {-1, 0, 1}, {1, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {-1, -1, 0}};
            for (const auto& d : nb) {
                const int ti = i + d[0], tj = j + d[1];
                if (ti < 0 || tj < 0 || ti >= rows || tj >= cols) continue;
                sight(s, a, ti, tj, zero, d[2] != 0);
            }
            net.stations.push_back(s);
        }
    // A traverse outside row 0 (row -1) from the corner G0_0 to the corner on the
    // same row, each end oriented on the other.
    const int last = cols - 1;
    sight(net.stations[0], at(0, 0), -1, 0, 17.0 * 0, true);
    sight(net.stations[0], at(0, 0), 0, last, 17.0 * 0, false);
    sight(net.stations[static_cast<std::size_t>(last)], at(0, last), -1, last, 17.0 * (last % 20), true);
    sight(net.stations[static_cast<std::size_t>(last)], at(0, last), 0, 0, 17.0 * (last % 20), false);
    for (int j = 0; j < cols; ++j) {
        SurveyStation s;
        s.name = gridName(-1, j).c_str();
        const PlanePoint a = at(-1, j);
        sight(s, a, j == 0 ? 0 : -1, j == 0 ? 0 : j - 1, 11.0 * j, true);
        sight(s, a, j == last ? 0 : -1, j == last ? last : j + 1, 11.0 * j, true);
        net.stations.push_back(s);
    }
    return net;
}

void BM_ControlGrid500Adjust(benchmark::State& state) {
    ControlModule m;
    m.network = controlGrid(20, 25);
    DefaultAnswerPrompter prompter;
    for (auto _ : state) {
        solveControlModule(m, prompter);
        if (!m.plane.adjusted || m.plane.doubtful) state.SkipWithError("no clean solution");
        benchmark::DoNotOptimize(m.plane.sigma0);
    }
    state.counters["points"] = m.plane.pointCount;
}

void BM_ControlGrid500PlaneClosures(benchmark::State& state) {
    ControlModule m;
    m.network = controlGrid(20, 25);
    DefaultAnswerPrompter prompter;
    solveControlModule(m, prompter);
    int rows = 0;
    for (auto _ : state) {
        const Grid g = buildControlTable(m, survey_table::kPlaneClosures);
        rows = g.rowCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
    int traverses = 0;
    for (const GridRow& row : buildControlTable(m, survey_table::kPlaneClosures).rows) traverses += row.cells[0].text == "导线";
    state.counters["traverses"] = traverses;
}

// The closures alone, without the table's text.
void BM_ControlGrid500ClosuresOnly(benchmark::State& state) {
    ControlModule m;
    m.network = controlGrid(20, 25);
    DefaultAnswerPrompter prompter;
    solveControlModule(m, prompter);
    for (auto _ : state) {
        const PlaneClosures c = computePlaneClosures(m.plane);
        benchmark::DoNotOptimize(c.triangles.size());
    }
}

BENCHMARK(BM_ControlGrid500Adjust)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ControlGrid500ClosuresOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ControlGrid500PlaneClosures)->Unit(benchmark::kMillisecond);

}  // namespace
