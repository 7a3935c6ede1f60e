// The table widget: showing the coordinate table of a 100 km road (built and
// drawn), switching between tables of the demo, and re-showing the one row a
// typed cell changed in a 5,000-row table.
#include <benchmark/benchmark.h>

#include <QImage>
#include <random>

#include "document/demo_project.h"
#include "geometry/alignment.h"
#include "grid/grid_view.h"
#include "tables/data_tables.h"
#include "tables/road_tables.h"

namespace {

using namespace vornex;

RoadProject longProject() {
    RoadProject p;
    Road road;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> radius(400, 900), len(200, 600);
    for (double total = 0; total < 100000;) {
        const double r = radius(rng) * (road.elements.size() % 8 ? -1 : 1);
        const double lengths[4] = {len(rng), 80, len(rng) / 2, 80};
        const double radii[4][2] = {{0, 0}, {0, r}, {r, r}, {r, 0}};
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
    p.roads.push_back(road);
    return p;
}

void paint(GridView& view, QImage& image) {
    view.render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

void BM_GridShowCoordinates100km(benchmark::State& state) {
    const RoadProject p = longProject();
    GridView view;
    view.resize(1000, 700);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    Grid other;
    for (auto _ : state) {
        view.setGrid(other);  // from another table, as the tree selection does
        view.setGrid(buildRoadTable(p, 0, table_code::kCoordinates));
        paint(view, image);
    }
    state.counters["rows"] = view.grid().rowCount();
}
BENCHMARK(BM_GridShowCoordinates100km)->Unit(benchmark::kMillisecond);

void BM_GridSwitchDemoTables(benchmark::State& state) {
    const RoadProject p = makeDemoProject();
    DataTableContext ctx;
    ctx.road = 0;
    GridView view;
    view.resize(1000, 700);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    bool data = false;
    for (auto _ : state) {
        data = !data;
        view.setGrid(data ? buildDataTable(p, table_code::kIntersectionPoints, ctx)
                          : buildRoadTable(p, 0, table_code::kCoordinates));
        paint(view, image);
    }
}
BENCHMARK(BM_GridSwitchDemoTables)->Unit(benchmark::kMillisecond);

Grid rowsTable(int rows) {
    Grid g;
    g.code = table_code::kGradePoints;
    g.columns = {{"变坡点桩号(m)", 100, ""}, {"变坡点高程(m)", 100, ""}, {"竖曲线半径(m)", 100, ""}};
    for (int r = 0; r < rows; ++r) {
        GridRow& row = g.addRow(r);
        for (int c = 0; c < 3; ++c) {
            row.cells[static_cast<std::size_t>(c)].text = std::to_string(r * 10 + c) + ".000";
            row.cells[static_cast<std::size_t>(c)].editable = true;
        }
    }
    return g;
}

// One typed cell: the edited row comes back and is re-shown alone.
void BM_GridTypedRow5000(benchmark::State& state) {
    GridView view;
    view.resize(1000, 700);
    view.setGrid(rowsTable(5000));
    view.setCurrentCell(2500, 1);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    GridRow row = view.grid().rows[2500];
    int n = 0;
    for (auto _ : state) {
        row.cells[1].text = std::to_string(++n);
        view.setRow(2500, row);
        paint(view, image);
    }
}
BENCHMARK(BM_GridTypedRow5000)->Unit(benchmark::kMillisecond);

}  // namespace
