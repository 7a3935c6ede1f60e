#include "adjust/network_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "adjust/demo_networks.h"
#include "geometry/angles.h"
#include "support/scripted_prompter.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

constexpr double kDeg = kPi / 180;

// Bearing of (dx north, dy east), clockwise from north, reduced to [0, pi):
// an ellipse's axis has no sense.
double axisBearing(double dx, double dy) {
    double t = std::atan2(dy, dx);
    while (t < 0) t += kPi;
    while (t >= kPi) t -= kPi;
    return t;
}

double axisGap(double a, double b) {
    const double d = std::fabs(a - b);
    return std::min(d, kPi - d);
}

struct Reach {
    double far = 0, near = 1e300, farBearing = 0, nearBearing = 0;
};

Reach reach(const std::vector<PlanPoint>& outline, const PlanPoint& c) {
    Reach r;
    for (const PlanPoint& p : outline) {
        const double d = std::hypot(p.x - c.x, p.y - c.y);
        if (d > r.far) r.far = d, r.farBearing = axisBearing(p.x - c.x, p.y - c.y);
        if (d < r.near) r.near = d, r.nearBearing = axisBearing(p.x - c.x, p.y - c.y);
    }
    return r;
}

TEST(NetworkPlot, EllipseOutlineIsTheClosedForm) {
    struct Case {
        double a, b, fDeg, magnification;
    } cases[] = {
        {0.004, 0.002, 0, 1000},      // major axis north
        {0.004, 0.002, 90, 1000},     // major axis east
        {0.0031, 0.0012, 30, 5000},
        {0.0025, 0.0025, 137, 2000},  // a circle
        {0.003, 0.0, 120, 1000},      // no minor axis: a line
    };
    const PlanPoint c{3512345.678, 512345.678};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.fDeg);
        const ErrorEllipse e{0, k.a, k.b, k.fDeg * kDeg};
        const std::vector<PlanPoint> o = ellipseOutline(c, e, k.magnification, 360);
        ASSERT_EQ(o.size(), 361u);
        EXPECT_EQ(o.front().x, o.back().x);
        EXPECT_EQ(o.front().y, o.back().y);
        const double A = k.a * k.magnification, B = k.b * k.magnification;
        // (u / A)^2 + (v / B)^2 = 1 with u along the bearing F (north = X).
        const double cf = std::cos(e.f), sf = std::sin(e.f);
        for (const PlanPoint& p : o) {
            const double dx = p.x - c.x, dy = p.y - c.y;
            const double u = dx * cf + dy * sf, v = -dx * sf + dy * cf;
            if (B > 0) {
                EXPECT_NEAR(u * u / (A * A) + v * v / (B * B), 1.0, 1e-6);
            } else {
                EXPECT_NEAR(v, 0.0, 1e-6);
            }
        }
        const Reach r = reach(o, c);
        EXPECT_NEAR(r.far, A, 1e-6);
        EXPECT_NEAR(r.near, B, 1e-6);
        if (k.a != k.b) {
            EXPECT_LT(axisGap(r.farBearing, e.f), 1e-6);
        }
    }
    // The convention itself: F = 90 degrees lies along +Y (east), X unchanged.
    const std::vector<PlanPoint> east = ellipseOutline(c, {0, 0.004, 0.002, kPi / 2}, 1000, 4);
    EXPECT_NEAR(east[0].x, c.x, 1e-9);
    EXPECT_NEAR(east[0].y, c.y + 4, 1e-9);
}

ControlModule solvedDemoControl() {
    ControlModule m;
    m.network = demoControlNetwork();
    ScriptedPrompter p;
    solveControlModule(m, p);
    EXPECT_TRUE(p.shown.empty());
    return m;
}

// The ellipse of every adjusted point against its covariance: the semi-major
// axis is the largest standard error over all bearings, found by scanning
// sigma^2(phi) = qxx cos^2 + qyy sin^2 + 2 qxy sin cos, and lies at that bearing.
TEST(NetworkPlot, ControlEllipsesFollowTheCovariance) {
    const ControlModule m = solvedDemoControl();
    const ControlPlot plot = controlPlot(m);
    const CPlaneNetAdjust& adj = m.plane;
    ASSERT_EQ(plot.points.size(), static_cast<std::size_t>(adj.pointCount));
    EXPECT_EQ(plot.ellipses.size(), static_cast<std::size_t>(adj.pointCount - adj.knownCount));
    for (const ErrorEllipse& e : plot.ellipses) {
        const int i = e.point;  // every point has coordinates: plot order is the adjustment's
        SCOPED_TRACE(plot.points[static_cast<std::size_t>(i)].name);
        EXPECT_FALSE(plot.points[static_cast<std::size_t>(i)].known);
        const double s2 = adj.sigma0 * adj.sigma0;
        const double qxx = s2 * adj.cofactor(2 * i, 2 * i), qyy = s2 * adj.cofactor(2 * i + 1, 2 * i + 1),
                     qxy = s2 * adj.cofactor(2 * i, 2 * i + 1);
        double best = -1, worst = 1e300, bestPhi = 0;
        for (int k = 0; k < 180000; ++k) {
            const double phi = k * 0.001 * kDeg;
            const double v = qxx * std::cos(phi) * std::cos(phi) + qyy * std::sin(phi) * std::sin(phi) +
                             2 * qxy * std::sin(phi) * std::cos(phi);
            if (v > best) best = v, bestPhi = phi;
            worst = std::min(worst, v);
        }
        EXPECT_NEAR(e.a, std::sqrt(best), 1e-9);
        EXPECT_NEAR(e.b, std::sqrt(worst), 1e-9);
        const PlanPoint c = plot.points[static_cast<std::size_t>(i)].at;
        const Reach r = reach(ellipseOutline(c, e, 10000, 3600), c);
        EXPECT_NEAR(r.far, e.a * 10000, 1e-6);
        if (e.a - e.b > 1e-5) {
            EXPECT_LT(axisGap(r.farBearing, bestPhi), 0.01 * kDeg);
        }
    }
}

TEST(NetworkPlot, ControlLinesAndOneWaySightings) {
    ControlModule m;
    m.network = demoControlNetwork();
    // C5 no longer sights C3: the line C3 - C5 is seen from C3 only.
    for (SurveyStation& st : m.network.stations)
        if (st.name.str() == "C5")
            std::erase_if(st.observations, [](const SurveyObservation& o) { return o.targetName.str() == "C3"; });
    ScriptedPrompter p;
    solveControlModule(m, p);
    const ControlPlot plot = controlPlot(m);
    auto named = [&](const char* n) {
        for (std::size_t i = 0; i < plot.points.size(); ++i)
            if (plot.points[i].name == n) return static_cast<int>(i);
        return -1;
    };
    auto line = [&](const char* a, const char* b) -> const NetworkLine* {
        for (const NetworkLine& l : plot.lines)
            if ((l.from == named(a) && l.to == named(b)) || (l.from == named(b) && l.to == named(a))) return &l;
        return nullptr;
    };
    EXPECT_EQ(plot.lines.size(), 13u);  // every pair sighted, each once
    const NetworkLine* oneWay = line("C3", "C5");
    ASSERT_NE(oneWay, nullptr);
    EXPECT_TRUE(oneWay->oneWay);
    EXPECT_EQ(oneWay->from, named("C3"));
    EXPECT_TRUE(oneWay->distance);
    // Sighted from both ends, the direction only at one of them.
    const NetworkLine* k2p4 = line("K2", "导线点4");
    ASSERT_NE(k2p4, nullptr);
    EXPECT_FALSE(k2p4->oneWay);
    EXPECT_TRUE(k2p4->direction);
    EXPECT_FALSE(k2p4->distance);
    EXPECT_EQ(std::count_if(plot.lines.begin(), plot.lines.end(), [](const NetworkLine& l) { return l.oneWay; }), 1);
    EXPECT_TRUE(plot.points[static_cast<std::size_t>(named("K1"))].known);
    EXPECT_FALSE(plot.points[static_cast<std::size_t>(named("导线点4"))].known);
}

TEST(NetworkPlot, ExtentsHoldEveryPointAndEllipse) {
    const ControlPlot plot = controlPlot(solvedDemoControl());
    ASSERT_FALSE(plot.ellipses.empty());
    for (double mag : {1.0, 20000.0, 2e6}) {
        const PlanExtents e = controlPlotExtents(plot, mag);
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        auto take = [&](const PlanPoint& p) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        };
        for (const NetworkPoint& p : plot.points) take(p.at);
        for (const ErrorEllipse& el : plot.ellipses) {
            for (const PlanPoint& q : ellipseOutline(plot.points[static_cast<std::size_t>(el.point)].at, el, mag, 7200)) take(q);
        }
        // Exact box of the true ellipses; the sampled outlines lie inside it and touch it.
        const double slack = 1e-6 + 1e-4 * (maxX - minX);
        EXPECT_LE(e.minX, minX + 1e-9);
        EXPECT_GE(e.maxX, maxX - 1e-9);
        EXPECT_LE(e.minY, minY + 1e-9);
        EXPECT_GE(e.maxY, maxY - 1e-9);
        EXPECT_NEAR(e.minX, minX, slack);
        EXPECT_NEAR(e.maxX, maxX, slack);
        EXPECT_NEAR(e.minY, minY, slack);
        EXPECT_NEAR(e.maxY, maxY, slack);
    }
}

// ---- Route schematics ----

LevelingSection run(const char* from, const char* to, bool excluded = false) {
    LevelingSection s;
    s.startName = from;
    s.endName = to;
    s.excluded = excluded ? 1 : 0;
    LevelingStation st;
    st.readings = {150000, 140000, 130000, 598700, 130000, 120000, 110000, 598700};
    s.stations = {st};
    return s;
}

LevelingModule leveling(std::vector<ControlPoint> known, std::vector<LevelingSection> sections) {
    LevelingModule m;
    m.network.knownPoints = std::move(known);
    m.network.sections = std::move(sections);
    ScriptedPrompter p;
    solveLevelingModule(m, p);
    return m;
}

double nearestPair(const RouteSchematic& r) {
    double d = 1e300;
    for (std::size_t i = 0; i < r.points.size(); ++i)
        for (std::size_t j = i + 1; j < r.points.size(); ++j)
            d = std::min(d, std::hypot(r.points[i].at.x - r.points[j].at.x, r.points[i].at.y - r.points[j].at.y));
    return d;
}

double medianEdge(const RouteSchematic& r) {
    std::vector<double> d;
    for (const RouteEdge& e : r.edges) {
        const PlanPoint a = r.points[static_cast<std::size_t>(e.from)].at, b = r.points[static_cast<std::size_t>(e.to)].at;
        d.push_back(std::hypot(a.x - b.x, a.y - b.y));
    }
    std::sort(d.begin(), d.end());
    return d.empty() ? 0 : d[d.size() / 2];
}

// A parameter edit keeps the graph: the drawing shown is kept (marked here so a
// fresh layout would show); another graph or another anchor is laid out again.
TEST(NetworkPlot, TheSameGraphKeepsItsDrawingAndAnotherIsLaidOutAgain) {
    std::vector<LevelingSection> loop = {run("A", "P1"), run("P1", "P2"), run("P2", "A")};
    const LevelingModule m = leveling({{"A", "", 0, 0, 10}}, loop);
    RouteSchematic shown = levelingRoute(m);
    for (NetworkPoint& p : shown.points) p.at = {p.at.x + 1234.5, p.at.y};
    const RouteSchematic kept = levelingRoute(m, &shown);
    ASSERT_EQ(kept.points.size(), shown.points.size());
    for (std::size_t i = 0; i < kept.points.size(); ++i) EXPECT_EQ(kept.points[i].at.x, shown.points[i].at.x);
    EXPECT_EQ(kept.closurePaths, levelingRoute(m).closurePaths);

    const RouteSchematic fresh = levelingRoute(m);
    auto laidOutAgain = [&](const LevelingModule& other) {
        const RouteSchematic r = levelingRoute(other, &shown);
        return r.points.size() != shown.points.size() || r.points[0].at.x != shown.points[0].at.x;
    };
    loop.push_back(run("P2", "P3"));
    EXPECT_TRUE(laidOutAgain(leveling({{"A", "", 0, 0, 10}}, loop)));
    loop.pop_back();
    EXPECT_TRUE(laidOutAgain(leveling({{"A", "", 500, 700, 10}, {"P2", "", 900, 700, 11}}, loop)));
    EXPECT_FALSE(laidOutAgain(m));
    EXPECT_EQ(levelingRoute(m, &fresh).points[1].at.x, fresh.points[1].at.x);
}

TEST(NetworkPlot, RouteLayoutIsRepeatableAndKeepsPointsApart) {
    struct Case {
        const char* what;
        LevelingModule m;
        bool geographic;
    };
    std::vector<LevelingSection> chain, loop, twoParts;
    const char* names[] = {"P1", "P2", "P3", "P4", "P5", "P6", "P7"};
    chain.push_back(run("A", "P1"));
    for (int i = 0; i + 1 < 7; ++i) chain.push_back(run(names[i], names[i + 1]));
    chain.push_back(run("P7", "B"));
    loop.push_back(run("A", "P1"));
    for (int i = 0; i + 1 < 5; ++i) loop.push_back(run(names[i], names[i + 1]));
    loop.push_back(run("P5", "A"));
    twoParts = {run("A", "P1"), run("P1", "B"), run("Q1", "Q2"), run("Q2", "Q3", true)};
    // A hub with far more spokes than fit round it at one edge's length: the
    // pushing apart does not settle and the points go onto a lattice.
    std::vector<LevelingSection> star;
    std::vector<std::string> spokes;
    for (int i = 0; i < 600; ++i) spokes.push_back("S" + std::to_string(i));
    for (const std::string& s : spokes) star.push_back(run("A", s.c_str()));
    std::vector<Case> cases;
    cases.push_back({"demo, known points all at 0,0", {}, false});
    cases.back().m.network = demoLevelingNetwork();
    {
        ScriptedPrompter p;
        solveLevelingModule(cases.back().m, p);
    }
    cases.push_back({"chain", leveling({{"A", "", 0, 0, 10}, {"B", "", 0, 0, 11}}, chain), false});
    cases.push_back({"loop", leveling({{"A", "", 0, 0, 10}}, loop), false});
    cases.push_back({"unconnected parts", leveling({{"A", "", 0, 0, 10}, {"B", "", 0, 0, 11}}, twoParts), false});
    cases.push_back({"chain between placed points", leveling({{"A", "", 1000, 2000, 10}, {"B", "", 1000, 2800, 11}}, chain), true});
    cases.push_back({"placed points on one spot",
                     leveling({{"A", "", 1000, 2000, 10}, {"B", "", 1000, 2000, 11}}, chain), false});
    cases.push_back({"crowded star", leveling({{"A", "", 0, 0, 10}}, star), false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RouteSchematic r = levelingRoute(c.m);
        const RouteSchematic again = levelingRoute(c.m);
        ASSERT_EQ(r.points.size(), again.points.size());
        for (std::size_t i = 0; i < r.points.size(); ++i) {
            EXPECT_EQ(r.points[i].at.x, again.points[i].at.x);
            EXPECT_EQ(r.points[i].at.y, again.points[i].at.y);
        }
        EXPECT_EQ(r.geographic, c.geographic);
        // Apart by the promised separation, which is a fair share of an edge.
        EXPECT_GE(nearestPair(r), r.minimumSeparation);
        EXPECT_GE(r.minimumSeparation, 0.05 * medianEdge(r));
        const PlanExtents e = routeExtents(r);
        for (const NetworkPoint& p : r.points) {
            EXPECT_TRUE(p.at.x >= e.minX && p.at.x <= e.maxX && p.at.y >= e.minY && p.at.y <= e.maxY);
        }
    }
    // Placed known points stand where their coordinates say.
    const RouteSchematic placed = levelingRoute(cases[4].m);
    EXPECT_EQ(placed.points[0].at.x, 1000);
    EXPECT_EQ(placed.points[0].at.y, 2000);
    EXPECT_EQ(placed.points[1].at.y, 2800);
    EXPECT_NEAR(placed.unit, 100, 1e-9);  // 800 m over 8 sections
}

TEST(NetworkPlot, RouteEdgesAndClosurePaths) {
    LevelingModule m;
    m.network = demoLevelingNetwork();
    ScriptedPrompter p;
    solveLevelingModule(m, p);
    const RouteSchematic r = levelingRoute(m);
    auto named = [&](const char* n) {
        for (std::size_t i = 0; i < r.points.size(); ++i)
            if (r.points[i].name == n) return static_cast<int>(i);
        return -1;
    };
    auto edge = [&](const char* a, const char* b) -> const RouteEdge* {
        for (const RouteEdge& e : r.edges)
            if ((e.from == named(a) && e.to == named(b)) || (e.from == named(b) && e.to == named(a))) return &e;
        return nullptr;
    };
    ASSERT_EQ(r.points.size(), 9u);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(r.points[static_cast<std::size_t>(i)].known);
    EXPECT_FALSE(r.points[static_cast<std::size_t>(named("水准点B3"))].known);
    // Forward and return runs share one edge; the excluded run is flagged.
    ASSERT_NE(edge("A1", "A2"), nullptr);
    EXPECT_EQ(edge("A1", "A2")->sections, (std::vector<int>{1, 3}));
    ASSERT_NE(edge("A5", "BM4"), nullptr);
    EXPECT_TRUE(edge("A5", "BM4")->excluded);
    EXPECT_FALSE(edge("BM4", "A2")->excluded);
    EXPECT_EQ(r.edges.size(), 11u);

    // Every closure row's path runs along edges; loops come back to their start.
    ASSERT_EQ(r.closurePaths.size(), m.adjust.closures.size());
    ASSERT_FALSE(r.closurePaths.empty());
    int loops = 0;
    for (std::size_t k = 0; k < r.closurePaths.size(); ++k) {
        const std::vector<int>& path = r.closurePaths[k];
        const std::vector<std::int32_t> names = m.adjust.closures[k].points();
        ASSERT_EQ(path.size(), names.size());
        for (std::size_t i = 0; i < path.size(); ++i) {
            ASSERT_GE(path[i], 0);
            EXPECT_EQ(r.points[static_cast<std::size_t>(path[i])].name,
                      text::gbkToUtf8(m.adjust.pointNames[static_cast<std::size_t>(names[i])]));
        }
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            const RouteEdge* e = edge(r.points[static_cast<std::size_t>(path[i])].name.c_str(),
                                      r.points[static_cast<std::size_t>(path[i + 1])].name.c_str());
            ASSERT_NE(e, nullptr);
            EXPECT_FALSE(e->excluded);
        }
        if (path.front() == path.back()) ++loops;
    }
    EXPECT_GT(loops, 0);
}

TEST(NetworkPlot, HeightNetworkOfAControlSurvey) {
    const ControlModule m = solvedDemoControl();
    const RouteSchematic r = controlHeightRoute(m);
    ASSERT_EQ(r.points.size(), static_cast<std::size_t>(m.heights.pointCount));
    // K1 and K2 carry their own coordinates.
    EXPECT_TRUE(r.geographic);
    EXPECT_EQ(r.points[0].at.x, m.network.knownPoints[0].x);
    EXPECT_EQ(r.edges.size(), static_cast<std::size_t>(m.heights.observationCount));
    EXPECT_EQ(r.closurePaths.size(), m.heights.closures.size());
    EXPECT_GE(nearestPair(r), r.minimumSeparation);
}

}  // namespace
}  // namespace vornex
