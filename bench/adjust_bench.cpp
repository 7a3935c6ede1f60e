// Survey adjustment speed: a leveling grid of 2,000 points and 3,910 sections
// (heights with standard errors; and with every closure), and a plane network
// of 500 points with directions and distances. Each iteration builds from the
// network in memory and solves. The *Grid benchmarks give the growth with size.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "adjust/leveling_adjust.h"
#include "adjust/network_plot.h"
#include "adjust/plane_adjust.h"
#include "adjust/plane_closures.h"
#include "adjust/survey_modules.h"
#include "model/prompter.h"
#include "tables/survey_tables.h"

namespace {

using namespace vornex;

std::string gridName(char prefix, int i, int j) { return prefix + std::to_string(i) + "_" + std::to_string(j); }

// rows x cols leveling grid, one station per section, known heights at the corners.
SurveyNetwork levelingGrid(int rows, int cols) {
    SurveyNetwork net;
    auto height = [](int i, int j) { return 50.0 + 0.7 * std::sin(0.3 * i) + 0.5 * std::cos(0.2 * j); };
    for (auto [i, j] : {std::pair{0, 0}, {0, cols - 1}, {rows - 1, 0}, {rows - 1, cols - 1}}) {
        net.knownPoints.push_back({gridName('L', i, j).c_str(), "", 0, 0, height(i, j)});
    }
    int n = 0;
    auto section = [&](int i1, int j1, int i2, int j2) {
        LevelingSection s;
        s.startName = gridName('L', i1, j1).c_str();
        s.endName = gridName('L', i2, j2).c_str();
        const double dh = height(i2, j2) - height(i1, j1) + 0.001 * std::sin(++n * 1.7);
        const auto hu = static_cast<std::int32_t>(std::lround(dh * 100000));
        const std::int32_t half = 20000 + 100 * (n % 50);
        LevelingStation st;
        st.readings = {150000 + half, 150000 + hu, 150000 - half, 150000 + hu + 458700,
                       150000 + half, 150000, 150000 - half, 150000 + 468700};
        s.stations = {st};
        net.sections.push_back(s);
    };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            if (j + 1 < cols) section(i, j, i, j + 1);
            if (i + 1 < rows) section(i, j, i + 1, j);
        }
    return net;
}

void runLeveling(benchmark::State& state, int rows, int cols, bool closures) {
    const SurveyNetwork net = levelingGrid(rows, cols);
    DefaultAnswerPrompter prompter;
    for (auto _ : state) {
        CLevelingAdjust adj;
        adj.listClosures = closures;
        adj.buildFromLeveling(net);
        if (adj.solveHeights(prompter) != 1) state.SkipWithError("no solution");
        double sum = 0;
        for (int i = 0; i < adj.pointCount; ++i) sum += adj.heightStandardError(i);
        for (int k = 0; k < adj.observationCount; ++k) sum += adj.observationStandardError(k);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(adj.closures.size());
    }
    state.counters["points"] = rows * cols;
}

void BM_Leveling2000Solve(benchmark::State& state) { runLeveling(state, 40, 50, false); }
void BM_Leveling2000Closures(benchmark::State& state) { runLeveling(state, 40, 50, true); }
void BM_LevelingGridClosures(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    runLeveling(state, n, n, true);
}
BENCHMARK(BM_Leveling2000Solve)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Leveling2000Closures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LevelingGridClosures)->Arg(15)->Arg(22)->Arg(32)->Arg(45)->Unit(benchmark::kMillisecond);

// A 300 x 300 grid, 90,000 points: within the memory and work bounds of the
// normal equations, it adjusts (solution only; the standard errors of the
// tables come on first use).
void BM_Leveling90000Solve(benchmark::State& state) {
    const SurveyNetwork net = levelingGrid(300, 300);
    DefaultAnswerPrompter prompter;
    for (auto _ : state) {
        CLevelingAdjust adj;
        adj.listClosures = false;
        adj.buildFromLeveling(net);
        if (adj.solveHeights(prompter) != 1) state.SkipWithError("no solution");
        benchmark::DoNotOptimize(adj.heights.data());
    }
    state.counters["points"] = 90000;
}
BENCHMARK(BM_Leveling90000Solve)->Iterations(1)->Unit(benchmark::kMillisecond);

// The whole `vornex-cli level FILE --table points` of an n x n grid, as a user
// runs it: reading the file, the adjustment with its closures, the standard
// error of every point and the printed table. The time is the wall time of the
// process; peak_MB its peak resident memory, as /usr/bin/time reports it (the
// figure of wait4 would include this program's own peak, which a spawned
// child inherits).
void BM_LevelingCliPoints(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string stem = "vornex-bench-" + std::to_string(::getpid()) + "-" + std::to_string(n);
    const std::filesystem::path file = dir / (stem + ".lev"), peakFile = dir / (stem + ".peak");
    if (!writeSurveyFile(file, levelingFileBytes(levelingGrid(n, n)))) {
        state.SkipWithError("cannot write the grid file");
        return;
    }
    const std::string timer = "/usr/bin/time", program = VORNEX_CLI_PATH, path = file.string(), peak = peakFile.string();
    std::vector<std::string> args = {timer, "-f", "%M", "-o", peak, program, "level", path, "--table", "points"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    double peakMb = 0;
    for (auto _ : state) {
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, timer.c_str(), &quiet, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&quiet);
        int status = 0;
        if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("vornex-cli level failed (or /usr/bin/time is missing)");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        std::ifstream in(peakFile);
        double kib = 0;
        in >> kib;
        peakMb = std::max(peakMb, kib / 1024.0);
    }
    std::filesystem::remove(file);
    std::filesystem::remove(peakFile);
    state.counters["points"] = n * n;
    state.counters["peak_MB"] = peakMb;
}
BENCHMARK(BM_LevelingCliPoints)->Arg(100)->Arg(224)->Arg(300)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The forward/return table of an adjusted n x n grid whose every section is
// measured forward and back: it must grow with the number of runs, not with
// their square (the adjustment of the same grid is the yardstick).
void BM_LevelingForwardReturnTable(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    LevelingModule m;
    m.network = levelingGrid(n, n);
    const std::size_t forward = m.network.sections.size();
    for (std::size_t i = 0; i < forward; ++i) {
        LevelingSection back = m.network.sections[i];
        std::swap(back.startName, back.endName);
        for (LevelingStation& st : back.stations) {
            std::swap(st.readings[LevelingStation::BackMiddle], st.readings[LevelingStation::FrontMiddle]);
            std::swap(st.readings[LevelingStation::BackRedMiddle], st.readings[LevelingStation::FrontRedMiddle]);
        }
        m.network.sections.push_back(back);
    }
    DefaultAnswerPrompter prompter;
    m.adjust.listClosures = false;
    m.adjust.buildFromLeveling(m.network);
    if (m.adjust.solveHeights(prompter) != 1) state.SkipWithError("no solution");
    for (auto _ : state) {
        Grid g = buildLevelingTable(m, survey_table::kLevelingForwardReturn);
        benchmark::DoNotOptimize(g.rows.data());
    }
    state.counters["points"] = n * n;
    state.counters["runs"] = static_cast<double>(m.network.sections.size());
}
BENCHMARK(BM_LevelingForwardReturnTable)->Arg(30)->Arg(70)->Arg(100)->Unit(benchmark::kMillisecond);

// The station checks of the 2,000-point grid: the readings table of every
// section, with its computed columns and 合计 row (compare BM_Leveling2000Solve).
void BM_LevelingStationChecks2000(benchmark::State& state) {
    LevelingModule m;
    m.network = levelingGrid(40, 50);
    m.network.leveling.levelClass = 1;
    for (auto _ : state) {
        std::size_t cells = 0;
        for (int i = 0; i < m.network.sectionCount(); ++i) cells += buildLevelingTable(m, survey_table::kReadings, i).rows.size();
        benchmark::DoNotOptimize(cells);
    }
    state.counters["sections"] = m.network.sectionCount();
}
BENCHMARK(BM_LevelingStationChecks2000)->Unit(benchmark::kMillisecond);

// The route schematic of an n x n leveling grid: laid out afresh (a file
// opened), and kept from the drawing shown (a parameter edit, a refresh).
void BM_LevelingRouteLayout(benchmark::State& state) {
    LevelingModule m;
    m.network = levelingGrid(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(levelingRoute(m).points.data());
    state.counters["points"] = static_cast<double>(state.range(0) * state.range(0));
}
BENCHMARK(BM_LevelingRouteLayout)->Arg(30)->Arg(60)->Unit(benchmark::kMillisecond);

void BM_LevelingRouteKept(benchmark::State& state) {
    LevelingModule m;
    m.network = levelingGrid(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
    const RouteSchematic shown = levelingRoute(m);
    for (auto _ : state) benchmark::DoNotOptimize(levelingRoute(m, &shown).points.data());
    state.counters["points"] = static_cast<double>(state.range(0) * state.range(0));
}
BENCHMARK(BM_LevelingRouteKept)->Arg(60)->Unit(benchmark::kMillisecond);

// rows x cols plane network on a slightly irregular grid 300 m apart: every
// station observes its 4 neighbours and the 2 forward diagonals by direction,
// its 4 neighbours by distance; four known corners. With `closing`, as a
// network whose closures are worth listing: the backward diagonals are observed
// too (every grid triangle has its three angles), a known azimuth orients the
// first corner, and two traverses of 8 new points run outside the grid from
// corner to corner (along the first and the last row), each leg measured.
SurveyNetwork planeGrid(int rows, int cols, bool closing = false) {
    SurveyNetwork net;
    auto at = [](int i, int j) {
        return PlanePoint{3000000 + 300.0 * i + 40 * std::sin(1.3 * j + i), 500000 + 300.0 * j + 40 * std::cos(0.7 * i + 2 * j)};
    };
    for (auto [i, j] : {std::pair{0, 0}, {0, cols - 1}, {rows - 1, 0}, {rows - 1, cols - 1}}) {
        PlanePoint p = at(i, j);
        net.knownPoints.push_back({gridName('P', i, j).c_str(), "", p.x, p.y, 0});
    }
    net.control.observationType = kHorizontalDistance;
    net.control.angleSigma = 2;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    int n = 0;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            SurveyStation s;
            s.name = gridName('P', i, j).c_str();
            const PlanePoint a = at(i, j);
            const double zero = 17.0 * ((i * cols + j) % 20);
            const int nb[8][3] = {{0, 1, 1}, {1, 0, 1}, {0, -1, 1}, {-1, 0, 1}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {-1, 1, 0}};
            for (const auto& d : closing ? std::span(nb) : std::span(nb).first(6)) {
                const int ti = i + d[0], tj = j + d[1];
                if (ti < 0 || tj < 0 || ti >= rows || tj >= cols) continue;
                const PlanePoint b = at(ti, tj);
                SurveyObservation o;
                o.targetName = gridName('P', ti, tj).c_str();
                const PolarVector v = joinPoints(b.x - a.x, b.y - a.y);
                o.direction = normalizeAngle(v.azimuth - zero + 1.5 * std::sin(++n * 0.9) / 3600);
                if (d[2]) o.distance = v.distance + 0.002 * std::sin(++n * 1.1);
                s.observations.push_back(o);
            }
            net.stations.push_back(s);
        }
    if (!closing) return net;
    auto observe = [&](SurveyStation& s, const PlanePoint& from, const std::string& target, const PlanePoint& to,
                       bool withDistance) {
        SurveyObservation o;
        o.targetName = target.c_str();
        const PolarVector v = joinPoints(to.x - from.x, to.y - from.y);
        o.direction = normalizeAngle(v.azimuth + 1.5 * std::sin(++n * 0.9) / 3600);
        if (withDistance) o.distance = v.distance + 0.002 * std::sin(++n * 1.1);
        s.observations.push_back(o);
    };
    {
        const PolarVector v = joinPoints(at(1, 0).x - at(0, 0).x, at(1, 0).y - at(0, 0).y);
        net.knownAzimuths.push_back({gridName('P', 0, 0).c_str(), gridName('P', 1, 0).c_str(), v.azimuth});
    }
    // A traverse from corner (i, 0), oriented towards point (back, 0) (known or of
    // known azimuth), to corner (i, cols - 1),
    // closed on the known corner `close`, `outside` metres beyond the row.
    auto traverse = [&](char prefix, int i, double outside, int back, int close) {
        const int m = 8;
        std::vector<std::pair<std::string, PlanePoint>> chain;
        chain.push_back({gridName('P', i, 0), at(i, 0)});
        for (int k = 1; k <= m; ++k) {
            const PlanePoint a = at(i, 0), b = at(i, cols - 1);
            const double t = static_cast<double>(k) / (m + 1);
            chain.push_back({std::string(1, prefix) + std::to_string(k),
                             {a.x + t * (b.x - a.x) + outside + 20 * std::sin(k * 1.3), a.y + t * (b.y - a.y)}});
        }
        chain.push_back({gridName('P', i, cols - 1), at(i, cols - 1)});
        for (std::size_t k = 0; k < chain.size(); ++k) {
            SurveyStation s;
            s.name = chain[k].first.c_str();
            const PlanePoint here = chain[k].second;
            if (k == 0) observe(s, here, gridName('P', back, 0), at(back, 0), false);
            else observe(s, here, chain[k - 1].first, chain[k - 1].second, true);
            if (k + 1 < chain.size()) observe(s, here, chain[k + 1].first, chain[k + 1].second, true);
            else observe(s, here, gridName('P', close, cols - 1), at(close, cols - 1), false);
            net.stations.push_back(s);
        }
    };
    traverse('A', 0, -400, 1, rows - 1);
    traverse('B', rows - 1, 400, 0, 0);
    return net;
}

void runPlane(benchmark::State& state, int rows, int cols) {
    const SurveyNetwork net = planeGrid(rows, cols);
    DefaultAnswerPrompter prompter;
    int solutions = 0;
    for (auto _ : state) {
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        if (plane.adjustPlane(prompter) != 1) state.SkipWithError("no solution");
        double sum = 0;
        for (int i = plane.knownCount; i < plane.pointCount; ++i) sum += plane.pointError(i).a;
        for (int k = 0; k < plane.distanceCount(); ++k) sum += plane.distanceStandardError(plane.distanceFrom[static_cast<std::size_t>(k)], plane.distanceTo[static_cast<std::size_t>(k)]);
        benchmark::DoNotOptimize(sum);
        solutions = plane.solutions;
    }
    state.counters["points"] = rows * cols;
    state.counters["iterations"] = solutions;
}

void BM_PlaneNet500(benchmark::State& state) { runPlane(state, 20, 25); }
void BM_PlaneNetGrid(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    runPlane(state, n, n);
}
// The plane closure table (平面闭合差) of the same grid with every triangle and two
// traverses closed, adjusted once; the table is built in each iteration.
void BM_PlaneNet500ClosureTable(benchmark::State& state) {
    ControlModule m;
    m.network = planeGrid(20, 25, true);
    DefaultAnswerPrompter prompter;
    solveControlModule(m, prompter);
    if (m.plane.solutions == 0) state.SkipWithError("no solution");
    int rows = 0;
    for (auto _ : state) {
        rows = buildControlTable(m, survey_table::kPlaneClosures).rowCount();
        benchmark::DoNotOptimize(rows);
    }
    const PlaneClosures closures = computePlaneClosures(m.plane);
    state.counters["rows"] = rows;
    state.counters["triangles"] = static_cast<double>(closures.triangles.size());
    state.counters["traverses"] = static_cast<double>(closures.traverses.size());
}
BENCHMARK(BM_PlaneNet500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneNet500ClosureTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaneNetGrid)->Arg(11)->Arg(16)->Arg(22)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
