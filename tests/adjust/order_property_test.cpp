// The adjustment of a network does not depend on the order in which its
// observations stand in the file: shuffled sections, stations and sightings
// give the same heights, coordinates and sigma0 by point name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>

#include "adjust/demo_networks.h"
#include "adjust/leveling_adjust.h"
#include "adjust/plane_adjust.h"
#include "geometry/angles.h"
#include "support/scripted_prompter.h"

using namespace vornex;

namespace {

struct HeightResult {
    std::map<std::string, double> height;
    std::map<std::string, double> error;
    double sigma0 = 0;
};

HeightResult solve(CLevelingAdjust& adj) {
    vornex::testing::ScriptedPrompter prompter;
    EXPECT_EQ(adj.solveHeights(prompter), 1);
    EXPECT_TRUE(prompter.shown.empty());
    HeightResult r;
    for (int i = 0; i < adj.pointCount; ++i) {
        r.height[adj.pointNames[i]] = adj.heights[i];
        r.error[adj.pointNames[i]] = adj.heightStandardError(i);
    }
    r.sigma0 = adj.sigma0;
    return r;
}

void expectSame(const HeightResult& a, const HeightResult& b, double tol) {
    ASSERT_EQ(a.height.size(), b.height.size());
    for (const auto& [name, h] : a.height) {
        EXPECT_NEAR(h, b.height.at(name), tol) << name;
        EXPECT_NEAR(a.error.at(name), b.error.at(name), tol * 1000) << name;  // mm
    }
    EXPECT_NEAR(a.sigma0, b.sigma0, tol);
}

// A random leveling network: a few known points and runs between random pairs
// of a connected set of points, heights from random true values plus noise.
struct RandomLeveling {
    std::vector<ControlPoint> known;
    struct Run {
        std::string from, to;
        double h, q;
    };
    std::vector<Run> runs;

    explicit RandomLeveling(unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(0, 1);
        const int n = 6 + static_cast<int>(rng() % 25);
        std::vector<double> truth(static_cast<std::size_t>(n));
        for (double& t : truth) t = 40 + 30 * u(rng);
        auto name = [](int i) { return "P" + std::to_string(i); };
        for (int i = 0; i < 2; ++i) {
            ControlPoint cp;
            cp.name.assign(name(i));
            cp.h = truth[static_cast<std::size_t>(i)];
            known.push_back(cp);
        }
        auto run = [&](int a, int b) {
            runs.push_back({name(a), name(b), truth[static_cast<std::size_t>(b)] - truth[static_cast<std::size_t>(a)] + 0.004 * (u(rng) - 0.5),
                            0.2 + 2 * u(rng)});
        };
        for (int i = 1; i < n; ++i) run(static_cast<int>(rng() % static_cast<unsigned>(i)), i);  // a spanning tree
        for (int k = 0; k < n; ++k) run(static_cast<int>(rng() % static_cast<unsigned>(n)), static_cast<int>(rng() % static_cast<unsigned>(n)));
        runs.erase(std::remove_if(runs.begin(), runs.end(), [](const Run& r) { return r.from == r.to; }), runs.end());
    }

    HeightResult adjust(const std::vector<Run>& order) const {
        CLevelingAdjust adj;
        adj.enterKnownPoints(known);
        for (const Run& r : order) adj.addRun(adj.pointIndex(r.from), adj.pointIndex(r.to), r.h, r.q);
        adj.finishBuild(1.0);
        return solve(adj);
    }
};

}  // namespace

TEST(AdjustmentOrderProperty, RandomLevelingNetworksIgnoreObservationOrder) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE(seed);
        RandomLeveling net(seed);
        HeightResult first = net.adjust(net.runs);
        std::mt19937 rng(seed * 77);
        for (int shuffle = 0; shuffle < 3; ++shuffle) {
            auto order = net.runs;
            std::shuffle(order.begin(), order.end(), rng);
            // Half of the runs are read the other way round.
            for (auto& r : order) {
                if (rng() % 2) {
                    std::swap(r.from, r.to);
                    r.h = -r.h;
                }
            }
            expectSame(first, net.adjust(order), 1e-9);
        }
    }
}

TEST(AdjustmentOrderProperty, LevelingFileSectionsInAnyOrder) {
    const SurveyNetwork demo = demoLevelingNetwork();
    CLevelingAdjust a;
    a.buildFromLeveling(demo);
    HeightResult first = solve(a);
    std::mt19937 rng(5);
    for (int shuffle = 0; shuffle < 5; ++shuffle) {
        SurveyNetwork net = demo;
        std::shuffle(net.sections.begin(), net.sections.end(), rng);
        CLevelingAdjust b;
        b.buildFromLeveling(net);
        expectSame(first, solve(b), 1e-9);
    }
}

namespace {

struct PlaneResult {
    std::map<std::string, std::pair<double, double>> xy;
    double sigma0 = 0;
};

PlaneResult solvePlane(const SurveyNetwork& net) {
    CLevelingAdjust heights;
    CPlaneNetAdjust plane;
    plane.buildFromControlSurvey(net, heights);
    vornex::testing::ScriptedPrompter prompter;
    EXPECT_EQ(plane.adjustPlane(prompter), 1);
    PlaneResult r;
    for (int i = 0; i < plane.pointCount; ++i) r.xy[plane.pointNames[i]] = {plane.coordinates[i].x, plane.coordinates[i].y};
    r.sigma0 = plane.sigma0;
    return r;
}

}  // namespace

TEST(AdjustmentOrderProperty, ControlSurveyStationsAndSightingsInAnyOrder) {
    const SurveyNetwork demo = demoControlNetwork();
    const PlaneResult first = solvePlane(demo);
    std::mt19937 rng(11);
    for (int shuffle = 0; shuffle < 6; ++shuffle) {
        SurveyNetwork net = demo;
        std::shuffle(net.stations.begin(), net.stations.end(), rng);
        for (SurveyStation& st : net.stations) std::shuffle(st.observations.begin(), st.observations.end(), rng);
        const PlaneResult other = solvePlane(net);
        ASSERT_EQ(first.xy.size(), other.xy.size());
        // The iteration stops once corrections fall below 0.01 m, so different
        // starting values may leave differences of that order squared.
        for (const auto& [name, xy] : first.xy) {
            EXPECT_NEAR(xy.first, other.xy.at(name).first, 1e-6) << name;
            EXPECT_NEAR(xy.second, other.xy.at(name).second, 1e-6) << name;
        }
        EXPECT_NEAR(first.sigma0, other.sigma0, 1e-6);
    }
}
