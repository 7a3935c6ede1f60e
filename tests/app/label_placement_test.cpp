#include "app/views/label_placement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <random>

#include "adjust/demo_networks.h"
#include "app/views/graph_view.h"
#include "app/views/network_view.h"
#include "document/project_file.h"
#include "support/scripted_prompter.h"

namespace vornex::app {
namespace {

bool overlap(const QRectF& a, const QRectF& b) { return a.intersected(b).isValid(); }

// No two boxes overlap and no box covers a mark of radius r around an anchor.
void expectClear(const std::vector<QRectF>& boxes, const std::vector<QPointF>& anchors, double r) {
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t k = i + 1; k < boxes.size(); ++k) EXPECT_FALSE(overlap(boxes[i], boxes[k])) << i << " " << k;
        for (const QPointF& a : anchors) EXPECT_FALSE(overlap(boxes[i], QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r))) << i;
    }
}

TEST(LabelPlacement, CloseNamesMoveApartAndClearOfTheMarks) {
    // Points closer than their names are long: the first keeps the upper right,
    // the others take the next free position.
    const std::vector<QPointF> anchors = {{100, 100}, {112, 100}, {100, 112}, {300, 300}};
    const std::vector<QSizeF> sizes(anchors.size(), QSizeF(30, 14));
    std::vector<QRectF> marks;
    for (const QPointF& a : anchors) marks.push_back(QRectF(a.x() - 5, a.y() - 5, 10, 10));
    const std::vector<QRectF> boxes = placeLabels(anchors, sizes, marks, 7);
    ASSERT_EQ(boxes.size(), anchors.size());
    EXPECT_EQ(boxes[0], QRectF(107, 79, 30, 14));  // upper right, the first choice
    EXPECT_EQ(boxes[3], QRectF(307, 279, 30, 14));  // a lone point keeps it too
    expectClear(boxes, anchors, 5);
    // Each name stays next to its own point.
    for (std::size_t i = 0; i < boxes.size(); ++i)
        EXPECT_LT(QLineF(boxes[i].center(), anchors[i]).length(), 40) << i;
}

// The placement by the definition: every candidate against every mark and
// every box placed before it.
std::vector<QRectF> placeByEveryBox(const std::vector<QPointF>& anchors, const std::vector<QSizeF>& sizes,
                                    const std::vector<QRectF>& obstacles, double gap) {
    auto area = [](const QRectF& a, const QRectF& b) {
        const QRectF i = a.intersected(b);
        return i.isValid() ? i.width() * i.height() : 0.0;
    };
    std::vector<QRectF> placed;
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        const double w = sizes[i].width(), h = sizes[i].height(), x = anchors[i].x(), y = anchors[i].y();
        const QRectF boxes[] = {QRectF(x + gap, y - gap - h, w, h), QRectF(x - gap - w, y - gap - h, w, h),
                                QRectF(x + gap, y + gap, w, h),     QRectF(x - gap - w, y + gap, w, h),
                                QRectF(x + gap, y - h / 2, w, h),   QRectF(x - gap - w, y - h / 2, w, h),
                                QRectF(x - w / 2, y - gap - h, w, h), QRectF(x - w / 2, y + gap, w, h)};
        QRectF best;
        double bestOverlap = std::numeric_limits<double>::infinity();
        for (const QRectF& box : boxes) {
            double overlap = 0;
            for (const QRectF& o : obstacles) overlap += area(box, o);
            for (const QRectF& o : placed) overlap += area(box, o);
            if (overlap < bestOverlap) {
                best = box;
                bestOverlap = overlap;
            }
            if (overlap == 0) break;
        }
        placed.push_back(best);
    }
    return placed;
}

TEST(LabelPlacement, ManyCrowdedPointsArePlacedAsByTestingEveryBox) {
    // Clusters denser than the names are long, a few far points, a large mark
    // and names of many lengths: the filed boxes give the very same placement.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(-60, 60), length(8, 90);
    std::vector<QPointF> anchors;
    std::vector<QSizeF> sizes;
    std::vector<QRectF> marks = {QRectF(-500, -20, 3000, 40)};
    for (int c = 0; c < 30; ++c) {
        const QPointF centre(70.0 * (c % 6), 90.0 * (c / 6));
        for (int k = 0; k < 40; ++k) {
            anchors.push_back(centre + QPointF(spread(random), spread(random)));
            sizes.push_back(QSizeF(length(random), 14));
            marks.push_back(QRectF(anchors.back().x() - 4.5, anchors.back().y() - 4.5, 9, 9));
        }
    }
    anchors.push_back({1e7, -3e6});
    sizes.push_back(QSizeF(40, 14));
    const std::vector<QRectF> filed = placeLabels(anchors, sizes, marks, 6);
    const std::vector<QRectF> every = placeByEveryBox(anchors, sizes, marks, 6);
    ASSERT_EQ(filed.size(), every.size());
    for (std::size_t i = 0; i < every.size(); ++i) EXPECT_EQ(filed[i], every[i]) << i;
}

TEST(LabelPlacement, IntersectionPointNamesOfTheDemoPlanDoNotOverlap) {
    RoadProject project;
    vornex::testing::ScriptedPrompter prompter;
    ASSERT_GT(readProject(project, std::filesystem::path(VORNEX_SOURCE_DIR) / "examples/demo.rod", prompter), 0);
    CGraphView view;
    view.resize(800, 400);
    view.setRoad(&project.roads[0], project.precision);
    std::vector<QPointF> anchors;
    for (const PlanMark& m : view.drawing().intersectionPoints) anchors.push_back(view.toScreen(m.at));
    expectClear(view.intersectionLabelBoxes(), anchors, 5);
}

TEST(LabelPlacement, PointNamesOfTheDemoNetworkKeepOffEachOtherAndTheMarks) {
    ControlModule m;
    m.network = demoControlNetwork();
    vornex::testing::ScriptedPrompter prompter;
    solveControlModule(m, prompter);
    NetworkView view;
    view.resize(900, 700);
    view.show();
    view.setControl(&m);
    std::vector<QPointF> anchors;
    for (const NetworkPoint& p : view.plot().points) anchors.push_back(view.toScreen(p.at));
    expectClear(view.pointLabelBoxes(), anchors, 4.5);
}

}  // namespace
}  // namespace vornex::app
