// Road tables speed: the coordinate table of a 100 km and a 1,000 km road at a
// 10 m interval, the batch computation of a 100,000-point file on a road with
// tunnels, and the curve-element table of 100,000 intersection points, end to
// end. Beside the batch and the coordinate table run their floors: trivial
// loops over the same data that read and write the same kind of text without
// any road computation, so one run prints how far each path is from them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

#include <unistd.h>

#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/intersection_alignment.h"
#include "geometry/point_to_station.h"
#include "geometry/profile.h"
#include "geometry/stations.h"
#include "model/prompter.h"
#include "tables/road_tables.h"
#include "tables/route_query.h"
#include "text/text.h"

namespace {

using namespace vornex;

// About `km` kilometres of straights, spirals and arcs turning both ways, a
// profile with a grade point every kilometre, a few chain breaks, plates on
// both sides, and a 1 km tunnel (a half circle of radius 6 m about the design
// line, as lining) in every 10 km.
RoadProject longProject(double km = 100) {
    RoadProject p;
    Road road;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> radius(400, 900), len(200, 600);
    double total = 0;
    for (int i = 0; total < km * 1000; ++i) {
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
    const int kms = static_cast<int>(km);
    for (int k = 0; k <= kms + 1; ++k) road.gradePoints.push_back({k * 1000.0, 100 + (k % 2) * 8.0, 8000});
    road.chainBreaks = {{20000, 20050}, {50000, 49900}, {80000.5, 80000}};
    road.plates = {{1, 6, 3.75, -2, 0.5, 0, -1, -1, -1, -1}, {2, 6, 3.75, -2, 0.5, 0, -1, -1, -1, -1}};
    TunnelTemplate t;
    t.excavationCrown = t.primaryCrown = t.secondaryCrown = 6;
    t.excavation = {{-6, 6, 6, 90}, {-6, -6, -6, 90}};
    t.primary = t.secondary = t.excavation;
    road.tunnelTemplates = {t};
    for (int k = 0; k < kms / 10; ++k) {
        Tunnel tunnel;
        tunnel.startStation = 5000 + 10000.0 * k;
        tunnel.length = 1000;
        tunnel.stationRules = {{tunnel.startStation, 2, 0}};
        road.tunnels.push_back(tunnel);
    }
    p.roads.push_back(road);
    return p;
}

// ---- coordinate table -------------------------------------------------------------

void coordinateTable(benchmark::State& state, double km) {
    RoadProject p = longProject(km);
    for (auto _ : state) {
        Grid g = buildCoordinateTable(p, 0, 10);
        benchmark::DoNotOptimize(g.rows.data());
        state.counters["rows"] = g.rowCount();
    }
}
void BM_CoordinateTable100km(benchmark::State& state) { coordinateTable(state, 100); }
void BM_CoordinateTable1000km(benchmark::State& state) { coordinateTable(state, 1000); }
BENCHMARK(BM_CoordinateTable100km)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoordinateTable1000km)->Unit(benchmark::kMillisecond);

// The floor of the coordinate table: the same rows with the same texts (checked
// against the table before timing), made by a plain walk along the road: a row
// every 10 m of design station, at every element end and every chain break,
// each point found through the index, each number written through <charconv>
// and the station and azimuth through the formatting the table uses, into the
// same kind of grid, reserved once.
Grid coordinateFloorGrid(const Road& road) {
    Grid g;
    g.columns.resize(6);
    g.rows.reserve(static_cast<std::size_t>(kMaxCoordinateRows) + 1);
    const AlignmentIndex index(road.elements, 0.0001);
    const ProfileSearch profile = profileSearch(road);
    const double end = alignmentEnd(road);
    const std::vector<ChainBreak>& breaks = road.chainBreaks;
    std::size_t element = 0, nextBreak = 0;
    double shift = 0;  // design station less chainage past the breaks walked
    double c = alignmentStart(road);
    for (int n = 0;; ++n) {
        if (n == kMaxCoordinateRows) {
            GridRow& cut = g.addRow(-1);
            cut.cells[0].text = kCoordinateTableCutText;
            cut.cells[0].red = true;
            break;
        }
        GridRow& row = g.addRow(-1);
        row.cells[0].text = formatStation(road, c, true);
        AlignmentPoint pt;
        index.pointAtStation(c, 0, 90, pt);
        text::appendFixed(row.cells[1].text, pt.x, 4, 8);
        text::appendFixed(row.cells[2].text, pt.y, 4, 8);
        text::appendFixed(row.cells[3].text, designElevation(road, profile, c).elevation, 3, 8);
        row.cells[4].text = formatDms(pt.azimuth);
        row.cells[5].text = pt.name;
        const double breakAt = nextBreak < breaks.size() ? breaks[nextBreak].startStation - shift : end + 1;
        if (std::fabs(c - breakAt) < 1e-6) {
            if (pt.name.empty()) row.cells[5].text = chainBreakRemark(breaks[nextBreak]);
            shift += breaks[nextBreak].endStation - breaks[nextBreak].startStation;
            ++nextBreak;
        }
        if (c >= end) break;
        // The next multiple of 10 past this row's printed station, unless a
        // break or an element end comes first.
        const double design = c + shift;
        double m = 10 * std::floor(design / 10 + 1);
        if (m - design < 0.0005) m += 10;
        double next = c + (m - design);
        if (nextBreak < breaks.size()) next = std::min(next, breaks[nextBreak].startStation - shift);
        while (element < road.elements.size() &&
               road.elements[element].startStation + road.elements[element].length <= c + 0.001)
            ++element;
        if (element < road.elements.size()) {
            const double elementEnd = road.elements[element].startStation + road.elements[element].length;
            if (elementEnd < next + 0.001) next = elementEnd;
        }
        c = std::min(next, end);
    }
    return g;
}

void coordinateFloor(benchmark::State& state, double km) {
    RoadProject p = longProject(km);
    const Road& road = p.roads[0];
    // The floor is only a floor while it writes what the table writes.
    const Grid table = buildCoordinateTable(p, 0, 10), floor = coordinateFloorGrid(road);
    for (int i = 0; i < std::max(table.rowCount(), floor.rowCount()); ++i) {
        bool same = i < table.rowCount() && i < floor.rowCount();
        for (int k = 0; same && k < 6; ++k)
            same = table.cell(i, k).text == floor.cell(i, k).text && table.cell(i, k).red == floor.cell(i, k).red;
        if (!same) {
            state.SkipWithError(("the floor's row " + std::to_string(i) + " differs from the table's").c_str());
            return;
        }
    }
    for (auto _ : state) {
        Grid g = coordinateFloorGrid(road);
        benchmark::DoNotOptimize(g.rows.data());
        state.counters["rows"] = g.rowCount();
    }
}
void BM_CoordinateFloor100km(benchmark::State& state) { coordinateFloor(state, 100); }
void BM_CoordinateFloor1000km(benchmark::State& state) { coordinateFloor(state, 1000); }
BENCHMARK(BM_CoordinateFloor100km)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoordinateFloor1000km)->Unit(benchmark::kMillisecond);

// ---- batch -------------------------------------------------------------------------

// The points file of the batch benchmarks, written once: 100,000 points, three
// in four scattered up to 30 m either side of the road, one in four inside a
// tunnel (within 5 m of the centre, 0.5 to 5.5 m above the design line).
const std::string& batchInput() {
    static const std::string path = [] {
        RoadProject p = longProject();
        const Road& road = p.roads[0];
        auto dir = std::filesystem::temp_directory_path() / ("vornex-bench-batch-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const std::string input = (dir / "points.txt").string();
        std::mt19937_64 rng(11);
        std::uniform_real_distribution<double> station(0, 99000), offset(-30, 30), inside(-5, 5), unit(0, 1);
        std::uniform_int_distribution<int> tunnel(0, static_cast<int>(road.tunnels.size()) - 1);
        std::string text;
        for (int i = 0; i < 100000; ++i) {
            AlignmentPoint pt;
            double z = 100.0;
            if (i % 4 == 3) {
                const Tunnel& t = road.tunnels[static_cast<std::size_t>(tunnel(rng))];
                const double c = t.startStation + unit(rng) * t.length;
                const double w = inside(rng);
                pointAtStation(road, c, 0.0001, w, 90, pt);
                z = designElevation(road, c).elevation + 0.5 + 5 * unit(rng);
            } else {
                pointAtStation(road, station(rng), 0.0001, offset(rng), 90, pt);
            }
            text += text::format("P%d,%.4f,%.4f,%.3f\n", i, pt.x, pt.y, z);
        }
        std::FILE* f = std::fopen(input.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return input;
    }();
    // Registered after `path` is made, so it runs before `path` is destroyed.
    static const bool cleanup = (std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(batchInput()).parent_path(), ec);
    }), true);
    (void)cleanup;
    return path;
}

// With `withProgress`, as the batch dialog runs it: a report at most every 50 ms;
// the largest gap between two reports is given as the counter max_gap_ms.
void batch100k(benchmark::State& state, bool withProgress) {
    RoadProject p = longProject();
    const std::string& input = batchInput();
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
}
void BM_Batch100k(benchmark::State& state) { batch100k(state, false); }
BENCHMARK(BM_Batch100k)->Unit(benchmark::kMillisecond);
void BM_Batch100kProgress(benchmark::State& state) { batch100k(state, true); }
BENCHMARK(BM_Batch100kProgress)->Unit(benchmark::kMillisecond);

// The floors of the batch: read the same file, split each line at its commas,
// read X, Y and Z and write "name,X,Y,Z" ("%8.4f") and three no-value fields,
// with no road computation; once with strtod/snprintf, once with <charconv>.
template <typename Line>
void batchFloor(benchmark::State& state, Line&& line) {
    const std::string& input = batchInput();
    const std::string output = input + ".floor";
    const std::string none = text::format("%8.3f", kNoValue);
    for (auto _ : state) {
        std::FILE* in = std::fopen(input.c_str(), "rb");
        std::FILE* out = std::fopen(output.c_str(), "wb");
        std::string pending, buffer;
        std::vector<char> block(1 << 16);
        std::size_t n;
        int lines = 0;
        while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) {
            pending.append(block.data(), n);
            std::size_t start = 0, nl;
            while ((nl = pending.find('\n', start)) != std::string::npos) {
                std::string_view l(pending.data() + start, nl - start);
                start = nl + 1;
                const std::size_t c1 = l.find(','), c2 = l.find(',', c1 + 1), c3 = l.find(',', c2 + 1);
                if (c3 == std::string_view::npos) continue;
                buffer.append(l.substr(0, c1));
                line(buffer, l.substr(c1 + 1, c2 - c1 - 1), l.substr(c2 + 1, c3 - c2 - 1), l.substr(c3 + 1));
                for (int k = 0; k < 3; ++k) (buffer += ',') += none;
                buffer += '\n';
                ++lines;
            }
            pending.erase(0, start);
            std::fwrite(buffer.data(), 1, buffer.size(), out);
            buffer.clear();
        }
        std::fclose(in);
        std::fclose(out);
        benchmark::DoNotOptimize(lines);
    }
    std::remove(output.c_str());
}
void BM_BatchFloorStrtod100k(benchmark::State& state) {
    batchFloor(state, [](std::string& out, std::string_view x, std::string_view y, std::string_view z) {
        char buf[128];
        for (std::string_view f : {x, y, z}) {
            const double v = std::strtod(std::string(f).c_str(), nullptr);
            out.append(buf, static_cast<std::size_t>(std::snprintf(buf, sizeof buf, ",%8.4f", v)));
        }
    });
}
void BM_BatchFloorCharconv100k(benchmark::State& state) {
    batchFloor(state, [](std::string& out, std::string_view x, std::string_view y, std::string_view z) {
        char buf[128];
        for (std::string_view f : {x, y, z}) {
            double v = 0;
            std::from_chars(f.data(), f.data() + f.size(), v);
            const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
            out += ',';
            const auto len = static_cast<std::size_t>(r.ptr - buf);
            if (len < 8) out.append(8 - len, ' ');
            out.append(buf, len);
        }
    });
}
BENCHMARK(BM_BatchFloorStrtod100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchFloorCharconv100k)->Unit(benchmark::kMillisecond);

// ---- curve elements ------------------------------------------------------------------

// Intersection points on a zigzag 500 m apart, each with a 400 m arc between
// two 60 m spirals, and the element list computed from them (10,000 and 100,000
// points: the table must grow linearly).
void BM_CurveElementTable(benchmark::State& state) {
    RoadProject p;
    Road road;
    for (int i = 0; i < state.range(0); ++i) {
        IntersectionPoint ip;
        ip.x = 3000000 + 500.0 * i;
        ip.y = 500000 + (i % 2) * 150.0;
        ip.radius = 400;
        ip.spiralIn = ip.spiralOut = 60;
        road.intersectionPoints.push_back(ip);
    }
    buildElementsFromIntersectionPoints(road, 0.0001);
    p.roads.push_back(road);
    for (auto _ : state) {
        Grid g = buildCurveElementTable(p, 0);
        benchmark::DoNotOptimize(g.rows.data());
        state.counters["rows"] = g.rowCount();
    }
    state.counters["elements"] = static_cast<double>(p.roads[0].elements.size());
}
BENCHMARK(BM_CurveElementTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
