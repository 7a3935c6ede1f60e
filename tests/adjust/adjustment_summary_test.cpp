#include "adjust/adjustment_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "adjust/demo_networks.h"
#include "support/reference_adjust.h"
#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

TEST(ChiSquare, QuantilesMatchTheTables) {
    // Percentage points of the chi-square distribution as printed in the usual
    // statistical tables, with half a unit of their last printed digit.
    struct Case {
        double p, dof, x, tolerance;
    };
    const Case cases[] = {
        {0.025, 1, 0.000982, 5e-7}, {0.975, 1, 5.024, 5e-4},   {0.5, 1, 0.455, 5e-4},
        {0.025, 2, 0.0506, 5e-5},   {0.975, 2, 7.378, 5e-4},   {0.05, 5, 1.145, 5e-4},
        {0.95, 5, 11.070, 5e-4},    {0.025, 10, 3.247, 5e-4},  {0.975, 10, 20.483, 5e-4},
        {0.025, 30, 16.791, 5e-4},  {0.975, 30, 46.979, 5e-4}, {0.025, 100, 74.222, 5e-4},
        {0.975, 100, 129.561, 5e-4}, {0.001, 3, 0.0243, 5e-5}, {0.999, 3, 16.266, 5e-4},
    };
    for (const Case& c : cases) EXPECT_NEAR(chiSquareQuantile(c.p, c.dof), c.x, c.tolerance) << c.p << " " << c.dof;
    // The quantile inverts the distribution function far into both tails and for
    // networks of a hundred thousand observations.
    for (double dof : {1.0, 4.0, 37.0, 1000.0, 150000.0}) {
        for (double p : {1e-6, 0.025, 0.5, 0.975, 1 - 1e-6}) {
            const double x = chiSquareQuantile(p, dof);
            EXPECT_NEAR(regularizedGammaP(dof / 2, x / 2), p, 1e-9 * std::max(1.0, p / (1 - p))) << p << " " << dof;
        }
    }
    EXPECT_TRUE(std::isnan(chiSquareQuantile(0, 3)));
    EXPECT_TRUE(std::isnan(chiSquareQuantile(0.5, 0)));
    // Closed form for two degrees of freedom: P = 1 - exp(-x/2).
    EXPECT_NEAR(regularizedGammaP(1, 3.0), 1 - std::exp(-3.0), 1e-15);
}

TEST(GlobalModelTest, BoundsAndVerdict) {
    const GlobalTest t = globalModelTest(12.0, 2.0, 10);  // chi2 = 12 / 4 = 3 < 3.247
    ASSERT_TRUE(t.valid);
    EXPECT_DOUBLE_EQ(t.chi2, 3.0);
    EXPECT_NEAR(t.lower, 3.247, 5e-4);
    EXPECT_NEAR(t.upper, 20.483, 5e-4);
    EXPECT_FALSE(t.passed);
    EXPECT_TRUE(globalModelTest(40.0, 2.0, 10).passed);
    EXPECT_FALSE(globalModelTest(40.0, 2.0, 0).valid);  // no redundancy
    EXPECT_FALSE(globalModelTest(40.0, 0.0, 10).valid);  // no prior
}

// Largest |w| of an independent solution: |v| / (sigma0_prior sqrt(qvv)) over
// the observations with a controlled residual.
struct Largest {
    int index = -1;
    double w = 0;
};
Largest largestOf(const std::vector<double>& v, const std::vector<double>& qvv, const std::vector<double>& p, double prior) {
    Largest best;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!(qvv[i] > 1e-8 / p[i])) continue;
        const double w = std::fabs(v[i]) / (prior * std::sqrt(qvv[i]));
        if (w > best.w) best = {static_cast<int>(i), w};
    }
    return best;
}

TEST(AdjustmentSummary, HeightsMatchADenseSolution) {
    // Two known heights, three unknown points, six sections (one of them an
    // open leg whose residual nothing controls); the second case has a gross
    // error of 25 mm in P2 -> P3.
    for (double blunder : {0.0, 0.025}) {
        const std::vector<testing::HeightObservation> obs = {
            {"BM1", "P1", 1.23456, 1 / 0.8}, {"P1", "P2", 2.00021, 1 / 1.1},          {"P2", "BM2", 1.76521, 1 / 0.9},
            {"P1", "P3", 0.50023, 1 / 0.7},  {"P3", "BM2", 3.26498, 1 / 1.1},         {"P2", "P3", -1.49999 + blunder, 1 / 0.6},
            {"P3", "Q1", 0.3, 1 / 0.5},
        };
        CLevelingAdjust a;
        a.enterKnownPoints({{"BM1", "", 0, 0, 100.0}, {"BM2", "", 0, 0, 105.0}});
        for (const auto& o : obs) a.addRun(a.pointIndex(o.from), a.pointIndex(o.to), o.h, 1 / o.p);
        a.finishBuild(1.0);
        ScriptedPrompter prompter;
        ASSERT_EQ(a.solveHeights(prompter), 1);

        const testing::ReferenceHeights ref = testing::referenceHeightAdjust({{"BM1", 100.0}, {"BM2", 105.0}}, obs);
        const double prior = 0.006;  // m per sqrt(km)
        const AdjustmentSummary s = summarizeHeights(a, prior);
        ASSERT_TRUE(s.results);
        EXPECT_EQ(s.unknowns, 4);
        EXPECT_EQ(s.knownPoints, 2);
        EXPECT_EQ(s.redundancy, 3);
        EXPECT_NEAR(s.pvv, ref.pvv, 1e-12);
        EXPECT_NEAR(s.sigma0, ref.sigma0, 1e-9);
        ASSERT_TRUE(s.test.valid);
        EXPECT_NEAR(s.test.chi2, ref.pvv / (prior * prior), 1e-6);
        EXPECT_NEAR(s.test.lower, 0.216, 5e-4);  // chi2(3) at 2.5 % and 97.5 %
        EXPECT_NEAR(s.test.upper, 9.348, 5e-4);
        for (int k = 0; k < a.observationCount; ++k) {
            EXPECT_NEAR(levelingResidualCofactor(a, k), ref.residualCofactor[static_cast<std::size_t>(k)], 1e-10) << k;
        }
        std::vector<double> p;
        for (const auto& o : obs) p.push_back(o.p);
        const Largest want = largestOf(ref.residual, ref.residualCofactor, p, prior);
        ASSERT_TRUE(s.largest.valid);
        EXPECT_EQ(s.largest.observation, want.index);
        EXPECT_NEAR(s.largest.w, want.w, 1e-6 * want.w);
        EXPECT_EQ(s.largest.kind, ObservationKind::HeightDifference);
        if (blunder > 0) {
            EXPECT_EQ(a.pointNames[static_cast<std::size_t>(s.largest.from)], "P2");
            EXPECT_EQ(a.pointNames[static_cast<std::size_t>(s.largest.to)], "P3");
            EXPECT_TRUE(s.largest.rejected());
            EXPECT_FALSE(s.test.passed);
        } else {
            EXPECT_FALSE(s.largest.rejected());
        }
    }
}

TEST(AdjustmentSummary, WithoutResultsOrRedundancy) {
    // An open line: no redundancy, nothing to test, counts still given.
    CLevelingAdjust a;
    a.enterKnownPoints({{"BM1", "", 0, 0, 100.0}});
    a.addRun(a.pointIndex("BM1"), a.pointIndex("P1"), 1.0, 0.5);
    a.finishBuild(1.0);
    AdjustmentSummary before = summarizeHeights(a, 0.006);
    EXPECT_FALSE(before.results);
    EXPECT_EQ(before.unknowns, 1);
    ScriptedPrompter prompter;
    ASSERT_EQ(a.solveHeights(prompter), 1);
    const AdjustmentSummary s = summarizeHeights(a, 0.006);
    EXPECT_TRUE(s.results);
    EXPECT_EQ(s.redundancy, 0);
    EXPECT_FALSE(s.hasSigma0);
    EXPECT_FALSE(s.test.valid);
    EXPECT_FALSE(s.largest.valid);  // its residual is zero by construction
}

TEST(AdjustmentSummary, PlaneMatchesADenseSolution) {
    // The demo control network, and the same with 20" added to one direction.
    for (double blunder : {0.0, 20.0}) {
        SurveyNetwork net = demoControlNetwork();
        net.control.observationType = kSlopeDistance;  // plane only: the reference knows no heights
        SurveyObservation* bad = nullptr;
        for (SurveyObservation& o : net.stations[2].observations) {
            if (o.direction >= 0) bad = &o;
        }
        ASSERT_NE(bad, nullptr);
        bad->direction += blunder / 3600;
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        ScriptedPrompter prompter;
        ASSERT_EQ(plane.adjustPlane(prompter), 1);
        std::map<std::string, PlanePoint> start;
        for (int i = 0; i < plane.pointCount; ++i)
            start[plane.pointNames[static_cast<std::size_t>(i)]] = plane.coordinates[static_cast<std::size_t>(i)];
        const testing::ReferencePlane ref = testing::referencePlaneAdjust(net, start);

        const AdjustmentSummary s = summarizePlane(plane);
        ASSERT_TRUE(s.results);
        EXPECT_EQ(s.unknowns, 2 * (plane.pointCount - plane.knownCount) + plane.stationSetCount());
        EXPECT_EQ(s.redundancy, static_cast<int>(ref.residual.size()) - static_cast<int>(ref.Q.size()));
        EXPECT_NEAR(s.pvv, ref.pvv, 1e-5 * ref.pvv);
        const Largest want = largestOf(ref.residual, ref.residualCofactor, ref.weight, 1.0);
        ASSERT_TRUE(s.largest.valid);
        // Flattened index: directions, then distances, then azimuths.
        int index = s.largest.observation;
        if (s.largest.kind == ObservationKind::Distance) index += plane.directionCount();
        if (s.largest.kind == ObservationKind::Azimuth) index += plane.directionCount() + plane.distanceCount();
        EXPECT_EQ(index, want.index);
        EXPECT_NEAR(s.largest.w, want.w, 1e-4 * want.w);
        if (blunder > 0) {
            EXPECT_EQ(s.largest.kind, ObservationKind::Direction);
            EXPECT_TRUE(s.largest.rejected());
        }
    }
}

}  // namespace
}  // namespace vornex
