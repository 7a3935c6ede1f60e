// Networks that only forward intersection, resection or intersection of
// distances can start: each adjusts and agrees with an independent adjustment.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "adjust/plane_adjust.h"
#include "support/reference_adjust.h"
#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

// Observations from true coordinates with small deterministic errors.
struct Net {
    std::map<std::string, PlanePoint> truth;
    SurveyNetwork net;
    int counter = 0;
    double noise(double scale) { return scale * std::sin(12.9898 * ++counter + 4.1414); }
    Net() {
        net.control.observationType = kHorizontalDistance;
        net.control.angleSigma = 2;
        net.control.azimuthSigma = 2;
        net.control.distanceFixedError = 2;
        net.control.distancePpm = 2;
    }
    void known(std::initializer_list<const char*> names) {
        for (const char* n : names) net.knownPoints.push_back({n, "", truth.at(n).x, truth.at(n).y, 0});
    }
    // Targets: name, 1 direction, 2 distance.
    void station(const std::string& n, const std::vector<std::pair<std::string, int>>& targets) {
        SurveyStation s;
        s.name = n.c_str();
        const double zero = 41.0 * static_cast<double>(net.stations.size()) + 7;
        for (auto& [t, flags] : targets) {
            SurveyObservation o;
            o.targetName = t.c_str();
            const PlanePoint a = truth.at(n), b = truth.at(t);
            if (flags & 1) o.direction = normalizeAngle(joinPoints(b.x - a.x, b.y - a.y).azimuth - zero + noise(2) / 3600);
            if (flags & 2) o.distance = std::hypot(b.x - a.x, b.y - a.y) + noise(0.002);
            s.observations.push_back(o);
        }
        net.stations.push_back(s);
    }
    // Adjusts and compares with the independent solution started from the truth.
    void expectAdjusts() {
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        ScriptedPrompter p;
        ASSERT_TRUE(plane.approximateCoordinates(p)) << p.shown.front();
        // Approximations within the effect of the measuring errors.
        for (int i = plane.knownCount; i < plane.pointCount; ++i) {
            const std::string& n = plane.pointNames[static_cast<std::size_t>(i)];
            EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].x, truth.at(n).x, 0.05) << n;
            EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].y, truth.at(n).y, 0.05) << n;
        }
        ASSERT_EQ(plane.adjustPlane(p), 1) << p.shown.front();
        EXPECT_TRUE(p.shown.empty()) << p.shown.front();
        const testing::ReferencePlane ref = testing::referencePlaneAdjust(net, truth);
        for (int i = plane.knownCount; i < plane.pointCount; ++i) {
            const std::string& n = plane.pointNames[static_cast<std::size_t>(i)];
            EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].x, ref.xy.at(n).x, 1e-6) << n;
            EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].y, ref.xy.at(n).y, 1e-6) << n;
        }
        if (plane.hasSigma0) {
            EXPECT_NEAR(plane.sigma0, ref.sigma0, 1e-4 * ref.sigma0 + 1e-9);
        }
    }
};

TEST(PlaneApproximation, ResectionFromKnownPoints) {
    // Directions only, at the unknown station, to four known points; then the
    // same with three (no redundancy: the point is fixed exactly).
    Net n;
    n.truth = {{"A", {5000, 5000}}, {"B", {5800, 5300}}, {"C", {5400, 6200}}, {"D", {4500, 5900}}, {"P", {5200, 5600}}};
    n.known({"A", "B", "C", "D"});
    n.station("P", {{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}});
    SCOPED_TRACE("four");
    n.expectAdjusts();
    n.net.stations[0].observations.pop_back();
    SCOPED_TRACE("three");
    n.expectAdjusts();
}

TEST(PlaneApproximation, ForwardIntersectionFromKnownStations) {
    // P and Q are never occupied: directions from A, B and C only.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {100, 900}}, {"C", {-600, 500}}, {"P", {700, 300}}, {"Q", {650, 1100}}};
    n.known({"A", "B", "C"});
    n.station("A", {{"B", 1}, {"P", 1}, {"Q", 1}, {"C", 1}});
    n.station("B", {{"Q", 1}, {"A", 1}, {"P", 1}});
    n.expectAdjusts();
}

TEST(PlaneApproximation, TrilaterationChoosesTheSideOfAFurtherDistance) {
    // Distances only. Each point has two distances to placed points and a third
    // that tells the two circle crossings apart.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {0, 800}}, {"C", {-700, 400}}, {"P", {600, 300}}, {"Q", {700, 900}}, {"R", {-300, -500}}};
    n.known({"A", "B", "C"});
    n.station("P", {{"A", 2}, {"B", 2}, {"C", 2}, {"Q", 2}});
    n.station("Q", {{"B", 2}, {"A", 2}});
    n.station("R", {{"A", 2}, {"C", 2}, {"P", 2}});
    n.expectAdjusts();
}

TEST(PlaneApproximation, MixedNetwork) {
    // P by resection, then Q by forward intersection from A and P, then R by
    // the distances from B and Q with its side told by the direction from A.
    Net n;
    n.truth = {{"A", {1000, 1000}}, {"B", {1900, 1200}}, {"C", {1500, 2100}}, {"P", {1400, 1500}},
               {"Q", {2000, 1800}}, {"R", {2400, 1300}}};
    n.known({"A", "B", "C"});
    n.station("P", {{"A", 1}, {"B", 1}, {"C", 1}, {"Q", 1}});
    n.station("A", {{"B", 1}, {"Q", 1}, {"R", 1}});
    n.station("R", {{"B", 2}, {"Q", 2}});
    n.expectAdjusts();
}

TEST(PlaneApproximation, AmbiguousPointsAreNamed) {
    // Two distances from two known points and nothing else: either crossing of
    // the circles fits, so the point is reported instead of guessed.
    Net n;
    n.truth = {{"A", {0, 0}}, {"B", {0, 800}}, {"P", {600, 300}}};
    n.known({"A", "B"});
    n.station("P", {{"A", 2}, {"B", 2}});
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(n.net, heights);
    ScriptedPrompter p;
    EXPECT_EQ(plane.adjustPlane(p), 0);
    EXPECT_EQ(p.shown, (std::vector<std::string>{"下列点计算不出近似坐标:\n\n  P"}));
}

}  // namespace
}  // namespace vornex
