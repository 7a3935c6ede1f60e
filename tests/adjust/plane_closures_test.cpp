#include "adjust/plane_closures.h"

#include "adjust/demo_networks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace vornex {
namespace {

constexpr double kRho = 206264.80624709636;

// Error-free observations from true coordinates; each station's zero direction
// is turned by its own amount. Errors are added by the tests where they want them.
struct Net {
    std::map<std::string, PlanePoint> truth;
    SurveyNetwork net;
    void known(const std::string& n) { net.knownPoints.push_back({n.c_str(), "", truth[n].x, truth[n].y, 0}); }
    // targets: name and whether the distance is measured.
    SurveyStation& station(const std::string& n, const std::vector<std::pair<std::string, bool>>& targets) {
        SurveyStation s;
        s.name = n.c_str();
        const double zero = 37.0 * static_cast<double>(net.stations.size()) + 3;
        for (auto& [t, dist] : targets) {
            SurveyObservation o;
            o.targetName = t.c_str();
            const PlanePoint a = truth[n], b = truth[t];
            o.direction = normalizeAngle(joinPoints(b.x - a.x, b.y - a.y).azimuth - zero);
            if (dist) o.distance = std::hypot(b.x - a.x, b.y - a.y);
            s.observations.push_back(o);
        }
        net.stations.push_back(s);
        return net.stations.back();
    }
    SurveyObservation& obs(const std::string& station, const std::string& target) {
        for (SurveyStation& s : net.stations)
            if (s.name.str() == station)
                for (SurveyObservation& o : s.observations)
                    if (o.targetName.str() == target) return o;
        throw std::out_of_range(station + " -> " + target);
    }
    PlaneClosures closures() {
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        return computePlaneClosures(plane);
    }
};

std::vector<std::string> names(const CPlaneNetAdjust& p, const std::vector<int>& idx) {
    std::vector<std::string> out;
    for (int i : idx) out.push_back(p.pointNames[static_cast<std::size_t>(i)]);
    return out;
}

// An attached traverse A-B (known, B the backsight) -> T1 -> T2 -> C (known,
// D the foresight), with bends both ways.
Net traverse() {
    Net n;
    n.truth = {{"B", {1000, 800}}, {"A", {1200, 1000}}, {"T1", {1450, 1180}}, {"T2", {1500, 1500}}, {"C", {1700, 1720}}, {"D", {1650, 2000}}};
    for (const char* k : {"B", "A", "C", "D"}) n.known(k);
    n.station("A", {{"B", false}, {"T1", true}});
    n.station("T1", {{"A", true}, {"T2", true}});
    n.station("T2", {{"T1", true}, {"C", true}});
    n.station("C", {{"T2", true}, {"D", false}});
    return n;
}

TEST(PlaneClosures, TraverseAngularAndCoordinateClosures) {
    {
        // Error-free: nothing closes badly.
        Net n = traverse();
        PlaneClosures c = n.closures();
        ASSERT_EQ(c.traverses.size(), 1u);
        const TraverseClosure& t = c.traverses[0];
        EXPECT_EQ(t.angleCount, 4);
        EXPECT_EQ(t.legCount, 3);
        EXPECT_TRUE(t.hasAngular);
        EXPECT_NEAR(t.angular, 0, 1e-6);
        EXPECT_NEAR(t.f(), 0, 1e-9);
        const double len = std::hypot(250, 180) + std::hypot(50, 320) + std::hypot(200, 220);
        EXPECT_NEAR(t.length, len, 1e-9);
        EXPECT_TRUE(c.triangles.empty());
    }
    {
        // A leg measured 5 mm long: the closure is that leg's 5 mm along its azimuth.
        Net n = traverse();
        n.obs("T1", "T2").distance += 0.010;  // measured both ways: the line's mean is 5 mm long
        PlaneClosures c = n.closures();
        ASSERT_EQ(c.traverses.size(), 1u);
        const TraverseClosure& t = c.traverses[0];
        const double az = std::atan2(320.0, 50.0);
        EXPECT_NEAR(t.angular, 0, 1e-6);
        EXPECT_NEAR(t.fx, 0.005 * std::cos(az), 1e-9);
        EXPECT_NEAR(t.fy, 0.005 * std::sin(az), 1e-9);
        EXPECT_NEAR(t.f(), 0.005, 1e-9);
    }
    {
        // The angle at T1 read 12" too large: the transferred azimuth ends 12" clockwise.
        Net n = traverse();
        n.obs("T1", "T2").direction += 12.0 / 3600;
        PlaneClosures c = n.closures();
        ASSERT_EQ(c.traverses.size(), 1u);
        EXPECT_NEAR(c.traverses[0].angular, 12.0, 1e-6);
        // Spread over the four angles the error leaves a small coordinate closure:
        // the legs after T1 turned by 12" - 2 x 3" and 12" - 3 x 3", the first by -3".
        const double e = 3.0 / kRho;
        const double fx = (std::hypot(250, 180) * (std::cos(std::atan2(180.0, 250.0) - e) - std::cos(std::atan2(180.0, 250.0))) +
                                        std::hypot(50, 320) * (std::cos(std::atan2(320.0, 50.0) + 2 * e) - std::cos(std::atan2(320.0, 50.0))) +
                                        std::hypot(200, 220) * (std::cos(std::atan2(220.0, 200.0) + e) - std::cos(std::atan2(220.0, 200.0))));
        EXPECT_NEAR(c.traverses[0].fx, fx, 1e-9);
    }
}

TEST(PlaneClosures, ClosedLoopAndAzimuthOrientedTraverses) {
    // A loop from known A (oriented on known B) through three points back to A.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {-300, 50}}, {"P", {300, 100}}, {"Q", {350, 450}}, {"R", {-50, 380}}};
    n.known("A");
    n.known("B");
    n.station("A", {{"B", false}, {"P", true}, {"R", true}});
    n.station("P", {{"A", true}, {"Q", true}});
    n.station("Q", {{"P", true}, {"R", true}});
    n.station("R", {{"Q", true}, {"A", true}});
    n.obs("Q", "R").direction += 8.0 / 3600;
    PlaneClosures c = n.closures();
    ASSERT_EQ(c.traverses.size(), 1u);  // found once, not again backwards
    EXPECT_EQ(c.traverses[0].points.front(), c.traverses[0].points.back());
    EXPECT_EQ(c.traverses[0].angleCount, 5);
    EXPECT_NEAR(c.traverses[0].angular, 8.0, 1e-6);

    // Oriented at the start by a known azimuth only, no orientation at the end:
    // a coordinate closure without an angular one.
    Net m;
    m.truth = {{"A", {0, 0}}, {"X", {0, 500}}, {"P", {300, 100}}, {"C", {650, 200}}};
    m.known("A");
    m.known("C");
    m.net.knownAzimuths.push_back({"A", "X", 90.0});
    m.station("A", {{"X", false}, {"P", true}});
    m.station("P", {{"A", true}, {"C", true}});
    m.obs("P", "C").distance += 0.004;
    c = m.closures();
    ASSERT_EQ(c.traverses.size(), 1u);
    EXPECT_FALSE(c.traverses[0].hasAngular);
    EXPECT_EQ(c.traverses[0].angleCount, 2);
    EXPECT_NEAR(c.traverses[0].f(), 0.004, 1e-9);
}

TEST(PlaneClosures, TrianglesWithThreeObservedAngles) {
    // Two triangles sharing a side; in the third (A-C-D) only two angles are observed.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {100, 600}}, {"C", {700, 300}}, {"D", {-400, 500}}};
    n.known("A");
    n.known("B");
    n.station("A", {{"B", false}, {"C", false}, {"D", false}});
    n.station("B", {{"C", false}, {"A", false}, {"D", false}});
    n.station("C", {{"A", false}, {"B", false}});
    n.station("D", {{"A", false}, {"B", false}});
    // Clockwise from B to C at A is the outer angle: +3" on C makes the inner one 3" smaller.
    n.obs("A", "C").direction += 3.0 / 3600;
    // Clockwise from A to B at C is the outer angle too: -1" on B makes the inner one 1" larger.
    n.obs("C", "B").direction -= 1.0 / 3600;
    // Clockwise from A to B at D is the inner angle: -2" on A makes it 2" larger.
    n.obs("D", "A").direction -= 2.0 / 3600;
    PlaneClosures c = n.closures();
    ASSERT_EQ(c.triangles.size(), 2u);
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(n.net, heights);
    std::map<std::vector<std::string>, double> w;
    for (const TriangleClosure& t : c.triangles) w[names(plane, {t.points.begin(), t.points.end()})] = t.misclosure;
    const std::vector<std::string> abc = {"A", "B", "C"}, abd = {"A", "B", "D"};
    ASSERT_EQ(w.count(abc), 1u);
    ASSERT_EQ(w.count(abd), 1u);
    EXPECT_NEAR(w[abc], -2.0, 1e-6);
    EXPECT_NEAR(w[abd], 2.0, 1e-6);
}

TEST(PlaneClosures, TraverseLinesInsideNetworks) {
    // A connecting traverse A (on B) -> T1 -> T2 -> T3 -> C (on D) with a
    // cross-tie T1 - T3 observed both ways: the line through the most stations
    // is the traverse; the tie is left out, as a traverse book leaves it.
    Net n;
    n.truth = {{"B", {1000, 800}}, {"A", {1200, 1000}}, {"T1", {1450, 1180}}, {"T2", {1600, 1450}},
               {"T3", {1500, 1700}}, {"C", {1700, 1900}}, {"D", {1650, 2200}}};
    for (const char* k : {"B", "A", "C", "D"}) n.known(k);
    n.station("A", {{"B", false}, {"T1", true}});
    n.station("T1", {{"A", true}, {"T2", true}, {"T3", true}});
    n.station("T2", {{"T1", true}, {"T3", true}});
    n.station("T3", {{"T2", true}, {"T1", true}, {"C", true}});
    n.station("C", {{"T3", true}, {"D", false}});
    n.obs("T2", "T3").distance += 0.006;  // measured both ways: the line's mean is 3 mm long
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(n.net, heights);
    PlaneClosures c = computePlaneClosures(plane);
    EXPECT_TRUE(c.traverseSearchComplete);
    ASSERT_EQ(c.traverses.size(), 1u);
    const TraverseClosure& t = c.traverses[0];
    EXPECT_EQ(names(plane, t.points), (std::vector<std::string>{"A", "T1", "T2", "T3", "C"}));
    EXPECT_TRUE(t.hasAngular);
    EXPECT_EQ(t.angleCount, 5);
    EXPECT_EQ(t.legCount, 4);
    EXPECT_NEAR(t.angular, 0, 1e-6);
    EXPECT_NEAR(t.f(), 0.003, 1e-9);
    // The triangle T1 - T2 - T3 has all three angles.
    EXPECT_EQ(c.triangles.size(), 1u);

    // Without the foresight at C the line has no angular closure, only fx, fy;
    // without the backsight at A it is carried from C backwards.
    for (const char* dropped : {"D", "B"}) {
        Net m = n;
        for (SurveyStation& s : m.net.stations) {
            auto& o = s.observations;
            o.erase(std::remove_if(o.begin(), o.end(), [&](const SurveyObservation& x) { return x.targetName.str() == dropped; }),
                    o.end());
        }
        CPlaneNetAdjust p2;
        CLevelingAdjust h2;
        p2.buildFromControlSurvey(m.net, h2);
        c = computePlaneClosures(p2);
        ASSERT_EQ(c.traverses.size(), 1u) << dropped;
        const TraverseClosure& u = c.traverses[0];
        EXPECT_FALSE(u.hasAngular) << dropped;
        EXPECT_EQ(u.legCount, 4);
        EXPECT_NEAR(u.f(), 0.003, 1e-9) << dropped;
        std::vector<std::string> path = names(p2, u.points);
        if (std::string(dropped) == "B") {
            EXPECT_EQ(path.front(), "C");  // oriented at C only
        } else {
            EXPECT_EQ(path.front(), "A");
        }
    }
    // Neither end oriented: nothing to carry, no row.
    Net none = n;
    for (SurveyStation& s : none.net.stations) {
        auto& o = s.observations;
        o.erase(std::remove_if(o.begin(), o.end(),
                               [&](const SurveyObservation& x) { return x.targetName.str() == "B" || x.targetName.str() == "D"; }),
                o.end());
    }
    EXPECT_TRUE(none.closures().traverses.empty());
}

TEST(PlaneClosures, BracedQuadrilateralGivesItsTraverseLines) {
    // Every leg measured: the line between the two known points through both
    // stations, then the loops at each known point that add a leg not yet used.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {0, 500}}, {"C", {450, 520}}, {"D", {430, -20}}};
    n.known("A");
    n.known("B");
    for (const char* s : {"A", "B", "C", "D"}) {
        std::vector<std::pair<std::string, bool>> t;
        for (const char* q : {"A", "B", "C", "D"})
            if (std::string(q) != s) t.push_back({q, true});
        n.station(s, t);
    }
    PlaneClosures c = n.closures();
    EXPECT_EQ(c.triangles.size(), 4u);
    for (const TriangleClosure& t : c.triangles) EXPECT_NEAR(t.misclosure, 0, 1e-6);
    ASSERT_EQ(c.traverses.size(), 3u);
    std::set<std::pair<int, int>> legs;
    for (const TraverseClosure& t : c.traverses) {
        EXPECT_EQ(t.legCount, 3);
        EXPECT_TRUE(t.hasAngular);
        EXPECT_NEAR(t.angular, 0, 1e-6);
        EXPECT_NEAR(t.f(), 0, 1e-9);
        for (std::size_t i = 0; i + 1 < t.points.size(); ++i) legs.insert(std::minmax(t.points[i], t.points[i + 1]));
    }
    EXPECT_EQ(legs.size(), 5u);  // every leg but the base between the known points
    // Nothing built: nothing found.
    EXPECT_TRUE(computePlaneClosures(CPlaneNetAdjust{}).triangles.empty());
}

TEST(PlaneClosures, TraverseLinesOfTheExampleNetwork) {
    // The example is a braced network: its traverse lines run from known point
    // to known point through distinct unknown stations along measured legs, and
    // each brings a leg the lines before it did not use.
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(demoControlNetwork(), heights);
    const PlaneClosures c = computePlaneClosures(plane);
    ASSERT_TRUE(c.traverseSearchComplete);
    ASSERT_FALSE(c.traverses.empty());
    std::set<std::pair<int, int>> used;
    for (const TraverseClosure& t : c.traverses) {
        ASSERT_GE(t.points.size(), 3u);
        EXPECT_LT(t.points.front(), plane.knownCount);
        EXPECT_LT(t.points.back(), plane.knownCount);
        std::set<int> stations(t.points.begin() + 1, t.points.end() - 1);
        EXPECT_EQ(stations.size(), t.points.size() - 2);
        for (int s : stations) EXPECT_GE(s, plane.knownCount);
        bool fresh = false;
        for (std::size_t i = 0; i + 1 < t.points.size(); ++i) fresh |= used.insert(std::minmax(t.points[i], t.points[i + 1])).second;
        EXPECT_TRUE(fresh);
        EXPECT_EQ(t.legCount, static_cast<int>(t.points.size()) - 1);
        EXPECT_LT(t.f(), 0.02);  // the example's errors are of millimetres
    }
}

TEST(PlaneClosures, TraverseOfTensOfThousandsOfStations) {
    // One open traverse A -> T1 ... Tn -> C along a gentle zigzag: the search
    // follows it to its end (a call per station would overflow the stack).
    const int stations = 50000;
    Net n;
    n.truth = {{"B", {-300, -100}}, {"A", {0, 0}}};
    for (int i = 1; i <= stations; ++i) n.truth["T" + std::to_string(i)] = {100.0 * i, 15.0 * (i % 2)};
    n.truth["C"] = {100.0 * (stations + 1), 0};
    n.truth["D"] = {100.0 * (stations + 1) + 200, 300};
    for (const char* k : {"B", "A", "C", "D"}) n.known(k);
    n.station("A", {{"B", false}, {"T1", true}});
    for (int i = 1; i <= stations; ++i) {
        const std::string back = i == 1 ? "A" : "T" + std::to_string(i - 1);
        const std::string ahead = i == stations ? "C" : "T" + std::to_string(i + 1);
        n.station("T" + std::to_string(i), {{back, true}, {ahead, true}});
    }
    n.station("C", {{"T" + std::to_string(stations), true}, {"D", false}});
    PlaneClosures c = n.closures();
    EXPECT_TRUE(c.traverseSearchComplete);
    ASSERT_EQ(c.traverses.size(), 1u);
    EXPECT_EQ(c.traverses[0].legCount, stations + 1);
    EXPECT_LT(c.traverses[0].f(), 1e-3);
}

TEST(PlaneClosures, TraverseSearchIsBounded) {
    // A dense mesh of measured legs between two known points has more paths
    // than the search may visit: it says so and lists no traverse.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {0, 3000}}};
    const int side = 7;
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) n.truth["P" + std::to_string(i * side + j)] = {400.0 + 300 * i, 100.0 + 400 * j + 7 * i};
    n.known("A");
    n.known("B");
    auto neighbours = [&](int i, int j) {
        std::vector<std::pair<std::string, bool>> t;
        for (int di = -1; di <= 1; ++di)
            for (int dj = -1; dj <= 1; ++dj) {
                const int a = i + di, b = j + dj;
                if ((di || dj) && a >= 0 && a < side && b >= 0 && b < side) t.push_back({"P" + std::to_string(a * side + b), true});
            }
        return t;
    };
    n.station("A", {{"B", false}, {"P0", true}});
    n.station("B", {{"A", false}, {"P" + std::to_string(side - 1), true}});
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            auto t = neighbours(i, j);
            if (i == 0 && j == 0) t.push_back({"A", true});
            if (i == 0 && j == side - 1) t.push_back({"B", true});
            n.station("P" + std::to_string(i * side + j), t);
        }
    PlaneClosures c = n.closures();
    EXPECT_FALSE(c.traverseSearchComplete);
    EXPECT_TRUE(c.traverses.empty());
    EXPECT_FALSE(c.triangles.empty());
}

}  // namespace
}  // namespace vornex
