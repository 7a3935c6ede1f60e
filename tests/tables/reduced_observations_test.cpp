// The station observations of a control survey reduced to the projection
// plane: each measured distance with its reduced value beside it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "adjust/survey_modules.h"
#include "support/scripted_prompter.h"
#include "tables/survey_tables.h"

namespace vornex {
namespace {

constexpr double kXa = 3875000, kYa = 650000;  // 150 km east of 117°, near 35° N

SurveyObservation sight(const char* target, double direction, double distance = 0) {
    SurveyObservation o;
    o.targetName = target;
    o.direction = direction;
    o.distance = distance;
    return o;
}

// Two legs due north of A, the first measured both ways (10 mm apart): every
// line 150 km from the meridian with no change in y, heights unknown.
ControlModule traverse(bool reduce) {
    ControlModule m;
    SurveyNetwork& net = m.network;
    net.knownPoints = {{"A", "", kXa, kYa, 0}, {"B", "", kXa - 2000, kYa, 0}};
    net.control.observationType = kHorizontalDistance;
    net.control.angleSigma = 2;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    SurveyStation a, p1;
    a.name = "A";
    a.observations = {sight("B", 0), sight("P1", 180, 1000)};
    p1.name = "P1";
    p1.observations = {sight("A", 0, 1000.010), sight("P2", 180, 1000)};
    net.stations = {a, p1};
    if (reduce) {
        m.reduction.enabled = true;
        EXPECT_TRUE(geodesy::setZone(m.reduction.system, 39, 3));
        m.reduction.hasMeanElevation = true;
        m.reduction.meanElevation = 1500;
    }
    testing::ScriptedPrompter prompter;
    solveControlModule(m, prompter);
    return m;
}

TEST(ReducedObservations, EachMeasuredDistanceBesideItsReducedValue) {
    const ControlModule plain = traverse(false), reduced = traverse(true);
    ASSERT_TRUE(reduced.reduced.applied);
    // D' = D·(1 − Hm/(R + Hm))·(1 + ym²/2R²), Δy = 0.
    const double r = reduced.reduced.radius;
    const double factor = (1 - 1500 / (r + 1500)) * (1 + 150000.0 * 150000.0 / (2 * r * r));

    const Grid before = buildControlTable(plain, survey_table::kObservations, 1);
    const Grid after = buildControlTable(reduced, survey_table::kObservations, 1);
    ASSERT_EQ(before.columns.size(), 3u);  // unreduced: as always
    ASSERT_EQ(after.columns.size(), 4u);
    EXPECT_EQ(after.columns[3].caption, "归算边长(m)");
    ASSERT_EQ(after.rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(after.cell(row, c).text, before.cell(row, c).text);
        const double measured = std::atof(after.cell(row, 2).text.c_str());
        EXPECT_NEAR(std::atof(after.cell(row, 3).text.c_str()), measured * factor, 0.00005) << row;
    }
    // A sight without a distance shows none.
    EXPECT_EQ(buildControlTable(reduced, survey_table::kObservations, 0).cell(0, 3).text, "");
}

}  // namespace
}  // namespace vornex
