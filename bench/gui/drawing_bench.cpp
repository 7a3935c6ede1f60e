// The road drawings: repainting the plan of a 100 km road of 5,000 elements (the
// polylines are computed once per change, not per paint), and computing them.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <random>

#include "app/views/graph_view.h"
#include "geometry/alignment.h"
#include "geometry/plan_drawing.h"

namespace {

using namespace vornex;

// Straight, spiral, arc, spiral groups turning both ways: 5,000 elements, 100 km.
Road longRoad() {
    Road road;
    road.curveForm = 1;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> radius(400, 900);
    for (int i = 0; road.elements.size() < 5000; ++i) {
        const double r = radius(rng) * (i % 2 ? -1 : 1);
        const double lengths[4] = {20, 20, 20, 20};
        const double radii[4][2] = {{0, 0}, {0, r}, {r, r}, {r, 0}};
        for (int k = 0; k < 4; ++k) {
            AlignmentElement e;
            e.length = lengths[k];
            e.startRadius = radii[k][0];
            e.endRadius = radii[k][1];
            road.elements.push_back(e);
        }
    }
    road.elements[0].x = 3400000;
    road.elements[0].y = 500000;
    road.elements[0].startAzimuth = road.elements[0].arrivalAzimuth = 30;
    propagateElements(road, 0, 0.0001);
    return road;
}

void BM_PlanRepaint100km(benchmark::State& state) {
    static const Road road = longRoad();
    app::CGraphView view;
    view.resize(1200, 800);
    view.setRoad(&road, 0.0001);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        view.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PlanRepaint100km)->Unit(benchmark::kMillisecond);

void BM_PlanGeometry100km(benchmark::State& state) {
    static const Road road = longRoad();
    for (auto _ : state) benchmark::DoNotOptimize(planDrawing(road, 0.0001).pieces.size());
}
BENCHMARK(BM_PlanGeometry100km)->Unit(benchmark::kMillisecond);

}  // namespace
