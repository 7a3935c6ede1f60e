#include "app/views/network_view.h"

#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

#include "adjust/demo_networks.h"
#include "geometry/angles.h"
#include "support/scripted_prompter.h"

namespace vornex::app {
namespace {

using vornex::testing::ScriptedPrompter;

ControlModule demoControl() {
    ControlModule m;
    m.network = demoControlNetwork();
    ScriptedPrompter p;
    solveControlModule(m, p);
    return m;
}

LevelingModule demoLeveling() {
    LevelingModule m;
    m.network = demoLevelingNetwork();
    ScriptedPrompter p;
    solveLevelingModule(m, p);
    return m;
}

bool near(const QColor& c, const QColor& want, int tolerance = 60) {
    return std::abs(c.red() - want.red()) + std::abs(c.green() - want.green()) + std::abs(c.blue() - want.blue()) <= tolerance;
}

// The ellipse pen's blue, also where anti-aliasing mixes it with the paper.
bool bluish(const QColor& c) { return c.blue() - std::max(c.red(), c.green()) > 100; }

QImage render(NetworkView& v) { return v.canvas()->grab().toImage(); }

// Walking in from outside along a screen direction, the distance from the
// centre at which the first ellipse pixel lies (within the pen's half width
// and a pixel's rounding of the true curve).
double ellipseReach(const QImage& img, QPointF centre, QPointF dir, double from) {
    for (double r = from; r > 0; r -= 0.25) {
        const QPointF q = centre + dir * r;
        const QPoint p(static_cast<int>(std::floor(q.x())), static_cast<int>(std::floor(q.y())));  // the pixel holding q
        if (!img.rect().contains(p)) continue;
        if (bluish(img.pixelColor(p))) return r;
    }
    return 0;
}

TEST(NetworkView, EllipseIsDrawnWithItsAxesAtItsPoint) {
    const ControlModule m = demoControl();
    NetworkView v;
    v.resize(900, 700);
    v.show();
    v.setControl(&m);
    ASSERT_EQ(v.kind(), NetworkView::Kind::Control);
    // An elongated ellipse whose axes lie well away from the diagonals, where
    // mixing up north and east would go unseen.
    const ControlPlot& plot = v.plot();
    ASSERT_FALSE(plot.ellipses.empty());
    auto telling = [](const ErrorEllipse& x) { return (x.a - x.b) / x.a * std::fabs(std::cos(2 * x.f)); };
    ErrorEllipse e = plot.ellipses.front();
    for (const ErrorEllipse& x : plot.ellipses)
        if (telling(x) > telling(e)) e = x;
    ASSERT_GT(telling(e), 0.1);
    v.setMagnification(std::round(60.0 / (e.a * v.scale())));  // about 60 px at the scale before
    const double s = e.a * v.magnification() * v.scale();
    ASSERT_GT(s, 25);
    const QImage img = render(v);
    const QPointF c = v.toScreen(plot.points[static_cast<std::size_t>(e.point)].at);
    // Bearing F clockwise from north: on screen north is up, east is right.
    const QPointF major(std::sin(e.f), -std::cos(e.f)), minor(std::cos(e.f), std::sin(e.f));
    const double A = e.a * v.magnification() * v.scale(), B = e.b * v.magnification() * v.scale();
    for (double sign : {1.0, -1.0}) {
        EXPECT_NEAR(ellipseReach(img, c, major * sign, 1.5 * A), A, 2);
        EXPECT_NEAR(ellipseReach(img, c, minor * sign, 0.9 * A), B, 2);
    }
    // A scale bar is drawn in the ellipse colour at the bottom left.
    bool bar = false;
    for (int x = 12; x < 60; ++x) bar = bar || bluish(img.pixelColor(x, img.height() - 14));
    EXPECT_TRUE(bar);
}

TEST(NetworkView, PointsOverTheLimitAreRed) {
    const ControlModule m = demoControl();
    NetworkView v;
    v.resize(900, 700);
    v.show();
    v.setControl(&m);
    const ControlPlot& plot = v.plot();
    double lo = 1e9, hi = 0;
    for (const ErrorEllipse& e : plot.ellipses) lo = std::min(lo, e.a), hi = std::max(hi, e.a);
    ASSERT_LT(lo, hi);
    // The limit is typed in the pane's box, in mm.
    QDoubleSpinBox* box = nullptr;
    for (QDoubleSpinBox* b : v.findChildren<QDoubleSpinBox*>())
        if (b->accessibleName() == QStringLiteral("椭圆限差(mm)")) box = b;
    ASSERT_NE(box, nullptr);
    box->setValue((lo + hi) / 2 * 1000);
    EXPECT_DOUBLE_EQ(v.limit(), box->value());
    const QImage img = render(v);
    int red = 0;
    for (const ErrorEllipse& e : plot.ellipses) {
        const bool over = e.a > (lo + hi) / 2;
        EXPECT_EQ(v.overLimit(e.point), over);
        red += over;
        // The point's ring (and the name beside it) in red, or in no red at all.
        const QPointF c = v.toScreen(plot.points[static_cast<std::size_t>(e.point)].at);
        bool found = false;
        for (int dx = -6; dx <= 6; ++dx)
            for (int dy = -6; dy <= 6; ++dy)
                found = found || near(img.pixelColor((c + QPointF(dx, dy)).toPoint()), NetworkView::kOverLimitColour, 90);
        EXPECT_EQ(found, over) << plot.points[static_cast<std::size_t>(e.point)].name;
    }
    EXPECT_GT(red, 0);
    box->setValue(0);  // no limit
    EXPECT_FALSE(v.overLimit(plot.ellipses.front().point));
}

TEST(NetworkView, SelectedClosureRowHighlightsItsPath) {
    const LevelingModule m = demoLeveling();
    NetworkView v;
    v.resize(900, 700);
    v.show();
    v.setLeveling(&m);
    ASSERT_EQ(v.kind(), NetworkView::Kind::Route);
    const RouteSchematic& r = v.route();
    // A loop row.
    int row = -1;
    for (std::size_t k = 0; k < r.closurePaths.size(); ++k)
        if (r.closurePaths[k].front() == r.closurePaths[k].back()) row = static_cast<int>(k);
    ASSERT_GE(row, 0);
    const std::vector<int>& path = r.closurePaths[static_cast<std::size_t>(row)];
    auto onPath = [&](const RouteEdge& e) {
        for (std::size_t i = 0; i + 1 < path.size(); ++i)
            if ((path[i] == e.from && path[i + 1] == e.to) || (path[i] == e.to && path[i + 1] == e.from)) return true;
        return false;
    };
    auto litSamples = [&](const QImage& img, const RouteEdge& e) {
        const QPointF a = v.toScreen(r.points[static_cast<std::size_t>(e.from)].at);
        const QPointF b = v.toScreen(r.points[static_cast<std::size_t>(e.to)].at);
        int lit = 0;
        for (double t : {0.35, 0.5, 0.65}) lit += near(img.pixelColor((a + (b - a) * t).toPoint()), NetworkView::kHighlightColour);
        return lit;
    };
    EXPECT_EQ(v.highlightedClosure(), -1);
    const QImage plain = render(v);
    for (const RouteEdge& e : r.edges) EXPECT_EQ(litSamples(plain, e), 0);

    v.setHighlightedClosure(row);
    const QImage img = render(v);
    int pathEdges = 0;
    for (const RouteEdge& e : r.edges) {
        if (onPath(e)) {
            ++pathEdges;
            EXPECT_GE(litSamples(img, e), 2) << e.from << "-" << e.to;
        } else {
            EXPECT_LE(litSamples(img, e), 1) << e.from << "-" << e.to;
        }
    }
    EXPECT_EQ(pathEdges, static_cast<int>(path.size()) - 1);
    v.setHighlightedClosure(-1);
    EXPECT_EQ(render(v), plain);
}

// A plane-closure row lights its triangle (or traverse).
TEST(NetworkView, PlaneClosureRowHighlightsItsFigure) {
    const ControlModule m = demoControl();
    NetworkView v;
    v.resize(900, 700);
    v.show();
    v.setControl(&m);
    const ControlPlot& plot = v.plot();
    ASSERT_FALSE(plot.planeClosurePaths.empty());
    const std::vector<int>& triangle = plot.planeClosurePaths.front();
    ASSERT_EQ(triangle.size(), 4u);
    EXPECT_EQ(triangle.front(), triangle.back());
    auto lit = [&](const QImage& img) {
        int edges = 0;
        for (std::size_t i = 0; i + 1 < triangle.size(); ++i) {
            const QPointF a = v.toScreen(plot.points[static_cast<std::size_t>(triangle[i])].at);
            const QPointF b = v.toScreen(plot.points[static_cast<std::size_t>(triangle[i + 1])].at);
            int samples = 0;
            for (double t : {0.35, 0.5, 0.65})
                samples += near(img.pixelColor((a + (b - a) * t).toPoint()), NetworkView::kHighlightColour);
            edges += samples >= 2;
        }
        return edges;
    };
    EXPECT_EQ(lit(render(v)), 0);
    v.setHighlightedClosure(0, NetworkView::Closures::Plane);
    EXPECT_EQ(lit(render(v)), 3);
    v.setHighlightedClosure(-1, NetworkView::Closures::Plane);
    EXPECT_EQ(lit(render(v)), 0);
}

// A control survey of height differences only has no plane network: its
// height network is drawn as a route, with the closure rows of that network.
TEST(NetworkView, HeightsOnlyControlSurveyShowsItsRoute) {
    ControlModule m;
    m.network = demoControlNetwork();
    m.network.control.observationType = kHeightDifference;
    for (SurveyStation& st : m.network.stations)
        for (SurveyObservation& o : st.observations) o.verticalOrHeight = 0.5;  // metres now
    ScriptedPrompter p;
    solveControlModule(m, p);
    ASSERT_EQ(m.plane.pointCount, 0);
    NetworkView v;
    v.resize(600, 400);
    v.setControl(&m);
    ASSERT_EQ(v.kind(), NetworkView::Kind::Route);
    EXPECT_EQ(v.route().points.size(), static_cast<std::size_t>(m.heights.pointCount));
    EXPECT_EQ(v.route().closurePaths.size(), m.heights.closures.size());
    EXPECT_FALSE(v.findChild<QDoubleSpinBox*>()->isEnabled());  // no ellipses here
}

TEST(NetworkView, ControlsAreNamedAndTheMouseZoomsAndPans) {
    const ControlModule m = demoControl();
    NetworkView v;
    v.resize(800, 600);
    v.show();
    v.setControl(&m);
    for (QWidget* w : v.findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QToolButton*>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
    }
    QDoubleSpinBox* mag = nullptr;
    for (QDoubleSpinBox* b : v.findChildren<QDoubleSpinBox*>())
        if (b->accessibleName() == QStringLiteral("椭圆放大倍数")) mag = b;
    ASSERT_NE(mag, nullptr);
    EXPECT_DOUBLE_EQ(mag->value(), v.magnification());  // the file's own default is shown
    mag->setValue(1234);
    EXPECT_DOUBLE_EQ(v.magnification(), 1234);
    // The same file again (after an edit) keeps the user's choice.
    v.setControl(&m);
    EXPECT_DOUBLE_EQ(v.magnification(), 1234);

    // The wheel zooms about the mouse: the plan point under it stays.
    QWidget* canvas = v.canvas();
    const QPointF at(300, 200);
    const PlanPoint before = v.toPlan(at);
    QWheelEvent wheel(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(canvas, &wheel);
    EXPECT_GT(v.zoom(), 1.5);
    const PlanPoint after = v.toPlan(at);
    EXPECT_NEAR(after.x, before.x, 1e-6 / v.scale() + 1e-6);
    EXPECT_NEAR(after.y, before.y, 1e-6 / v.scale() + 1e-6);
    // A drag moves the drawing with the mouse.
    const QPointF p0 = v.toScreen(before);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QTest::mouseMove(canvas, QPoint(340, 230));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(350, 260));
    const QPointF p1 = v.toScreen(before);
    EXPECT_NEAR(p1.x() - p0.x(), 50, 1e-6);
    EXPECT_NEAR(p1.y() - p0.y(), 60, 1e-6);
    v.showAll();
    EXPECT_DOUBLE_EQ(v.zoom(), 1);

    v.clear();
    EXPECT_EQ(v.kind(), NetworkView::Kind::None);
    EXPECT_FALSE(mag->isEnabled());
}

}  // namespace
}  // namespace vornex::app
