#include "app/views/graph_view.h"

#include "app/looks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

#include "document/project_file.h"
#include "support/scripted_prompter.h"

namespace vornex::app {
namespace {

RoadProject demo() {
    RoadProject p;
    vornex::testing::ScriptedPrompter prompter;
    EXPECT_GT(readProject(p, std::filesystem::path(VORNEX_SOURCE_DIR) / "examples/demo.rod", prompter), 0);
    return p;
}

// True when a pixel within `r` of `at` has (about) colour c.
bool colourNear(const QImage& img, QPointF at, const QColor& c, int r = 2) {
    for (int dx = -r; dx <= r; ++dx)
        for (int dy = -r; dy <= r; ++dy) {
            QPoint q = at.toPoint() + QPoint(dx, dy);
            if (!img.rect().contains(q)) continue;
            QColor got = img.pixelColor(q);
            if (std::abs(got.red() - c.red()) < 60 && std::abs(got.green() - c.green()) < 60 &&
                std::abs(got.blue() - c.blue()) < 60)
                return true;
        }
    return false;
}

// A point in the middle of the first piece of a kind.
PlanPoint middleOf(const PlanDrawing& d, PlanPieceKind kind) {
    for (const PlanPiece& piece : d.pieces)
        if (piece.kind == kind) return piece.points[piece.points.size() / 2];
    ADD_FAILURE() << "no piece of that kind";
    return {};
}

TEST(GraphView, DrawsThePolygonArcsAndSpiralsWhereTheMappingPutsThem) {
    RoadProject project = demo();
    CGraphView view;
    view.resize(800, 600);
    view.setRoad(&project.roads[0], project.precision);
    const PlanDrawing& d = view.drawing();
    ASSERT_GE(d.intersectionPoints.size(), 3u);

    auto check = [&](const char* when) {
        QImage img = view.grab().toImage();
        for (std::size_t i = 1; i + 1 < d.intersectionPoints.size(); ++i) {
            QPointF at = view.toScreen(d.intersectionPoints[i].at);
            if (img.rect().contains(at.toPoint())) {
                EXPECT_TRUE(colourNear(img, at, lineInk(CGraphView::kPolygonColour, view.palette()))) << when << " point " << i;
            }
        }
        QPointF arc = view.toScreen(middleOf(d, PlanPieceKind::Arc));
        QPointF spiral = view.toScreen(middleOf(d, PlanPieceKind::Spiral));
        if (img.rect().contains(arc.toPoint())) {
            EXPECT_TRUE(colourNear(img, arc, lineInk(CGraphView::kArcColour, view.palette()))) << when;
        }
        if (img.rect().contains(spiral.toPoint())) {
            EXPECT_TRUE(colourNear(img, spiral, lineInk(CGraphView::kSpiralColour, view.palette()))) << when;
        }
    };
    check("at first");

    // 1:1: a metre north is as many pixels as a metre east.
    QPointF o = view.toScreen({0, 0}), n = view.toScreen({1, 0}), e = view.toScreen({0, 1});
    EXPECT_NEAR(o.y() - n.y(), e.x() - o.x(), 1e-9);

    // Zoom in about the centre: a point's distance from the centre grows by 1.5.
    const PlanPoint ip = d.intersectionPoints[2].at;
    const QPointF mid(400, 300);
    QPointF before = view.toScreen(ip);
    view.zoomIn();
    EXPECT_DOUBLE_EQ(view.zoom(), 1.5);
    QPointF after = view.toScreen(ip);
    EXPECT_NEAR(after.x() - mid.x(), 1.5 * (before.x() - mid.x()), 1e-6);
    check("zoomed in");
    view.zoomOut();
    view.zoomOut();
    view.zoomOut();
    EXPECT_DOUBLE_EQ(view.zoom(), 0.5);  // never below 0.5

    // Pan: a drag moves the drawing by the drag vector.
    view.showAll();
    view.setPan(true);
    before = view.toScreen(ip);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(130, 80));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(160, 60));
    after = view.toScreen(ip);
    EXPECT_NEAR(after.x() - before.x(), 60, 1e-6);
    EXPECT_NEAR(after.y() - before.y(), -40, 1e-6);
    check("panned");

    // Window zoom: the dragged rectangle's centre comes to the pane's centre.
    view.showAll();
    view.setWindowZoom(true);
    const QPoint a(300, 200), b(380, 260);
    const PlanPoint target = view.toPlan(QRectF(a, b).center());
    QTest::mousePress(&view, Qt::LeftButton, {}, a);
    QTest::mouseMove(&view, b);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, b);
    EXPECT_DOUBLE_EQ(view.zoom(), 10);  // 800 / 80 and 600 / 60
    QPointF centre = view.toScreen(target);
    EXPECT_NEAR(centre.x(), 400, 1e-6);
    EXPECT_NEAR(centre.y(), 300, 1e-6);
}

TEST(GraphView, HintsMouseStatusAndClicks) {
    RoadProject project = demo();
    CGraphView view;
    view.resize(600, 400);
    view.setRoad(&project.roads[0], project.precision);
    QSignalSpy at(&view, &CGraphView::mouseAt);
    QSignalSpy clicked(&view, &CGraphView::elementClicked);
    // The middle of the first straight (well away from the intersection points):
    // its station and an offset of about 0.
    const PlanPiece* arc = nullptr;
    for (const PlanPiece& p : view.drawing().pieces)
        if (p.kind == PlanPieceKind::Straight) {
            arc = &p;
            break;
        }
    ASSERT_NE(arc, nullptr);
    const PlanPoint& a0 = arc->points.front();
    const PlanPoint& a1 = arc->points.back();
    QPoint onArc = view.toScreen({(a0.x + a1.x) / 2, (a0.y + a1.y) / 2}).toPoint();
    QMouseEvent move(QEvent::MouseMove, QPointF(onArc), view.mapToGlobal(QPointF(onArc)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    ASSERT_FALSE(at.isEmpty());
    EXPECT_TRUE(at.last()[0].toString().startsWith(QStringLiteral("K12+")));
    const double metresPerPixel = 1 / (view.toScreen({0, 1}).x() - view.toScreen({0, 0}).x());
    EXPECT_LT(std::fabs(at.last()[1].toDouble()), metresPerPixel);  // within a pixel of the arc
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(onArc), view.mapToGlobal(QPointF(onArc)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked[0][0].toInt(), arc->element);

    // A hint is drawn in red instead of the plan.
    view.setHint(QStringLiteral("输入断链的开始桩号，用实数表示。如K123+456.789输入为123456.789"));
    QImage img = view.grab().toImage();
    int red = 0;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < 80; ++y) {
            QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 90 && c.blue() < 90) ++red;
        }
    EXPECT_GT(red, 20);
}

}  // namespace
}  // namespace vornex::app
