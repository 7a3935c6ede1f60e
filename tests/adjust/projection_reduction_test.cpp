// Control surveys reduced to the projection plane before the adjustment.
#include "adjust/projection_reduction.h"

#include <GeographicLib/Ellipsoid.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/survey_modules.h"
#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

constexpr double kXa = 3875000, kYa = 650000;  // 150 km east of 117°, near 35° N

SurveyObservation sight(const char* target, double direction, double distance = 0) {
    SurveyObservation o;
    o.targetName = target;
    o.direction = direction;
    o.distance = distance;
    return o;
}

SurveyStation station(const char* name, std::vector<SurveyObservation> obs) {
    SurveyStation s;
    s.name = name;
    s.observations = std::move(obs);
    return s;
}

// A traverse running due north from A in 1 km legs, oriented on B 2 km south
// of A: every leg lies 150 km from the central meridian with no change in y.
SurveyNetwork northTraverse() {
    SurveyNetwork net;
    net.knownPoints = {{"A", "", kXa, kYa, 0}, {"B", "", kXa - 2000, kYa, 0}};
    net.control.observationType = kHorizontalDistance;
    net.control.angleSigma = 2;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    net.stations = {
        station("A", {sight("B", 0), sight("P1", 180, 1000)}),
        station("P1", {sight("A", 0), sight("P2", 180, 1000)}),
        station("P2", {sight("P1", 0), sight("P3", 180, 1000)}),
    };
    return net;
}

ProjectionReduction zone39(double meanElevation) {
    ProjectionReduction r;
    r.enabled = true;
    EXPECT_TRUE(geodesy::setZone(r.system, 39, 3));
    r.hasMeanElevation = true;
    r.meanElevation = meanElevation;
    return r;
}

PlanePoint pointOf(const ControlModule& m, const char* name) {
    return m.plane.coordinates[static_cast<std::size_t>(m.plane.findPoint(name))];
}

// Every leg is reduced by the same factor, so the adjusted traverse is the
// unreduced one scaled about A by exactly that factor, worked out here from the
// formulas with R from the library's ellipsoid at the known points' latitude.
TEST(ProjectionReduction, TraverseIsScaledByTheReductionFactor) {
    ScriptedPrompter prompter;
    ControlModule plain;
    plain.network = northTraverse();
    solveControlModule(plain, prompter);
    ControlModule reduced;
    reduced.network = northTraverse();
    reduced.reduction = zone39(1500);
    solveControlModule(reduced, prompter);
    ASSERT_TRUE(plain.plane.adjusted);
    ASSERT_TRUE(reduced.plane.adjusted);
    ASSERT_TRUE(reduced.reduced.applied);

    const double a = 6378137, f = 1 / 298.257222101;
    const GeographicLib::TransverseMercator tm(a, f, 1);
    double lat, lon;
    tm.Reverse(117, kYa - 500000, kXa - 1000, lat, lon);
    const GeographicLib::Ellipsoid el(a, f);
    const double r = std::sqrt(el.MeridionalCurvatureRadius(lat) * el.TransverseCurvatureRadius(lat));
    const double scale = (1 - 1500 / (r + 1500)) * (1 + 150000.0 * 150000.0 / (2 * r * r));
    EXPECT_NEAR(scale - 1, 4.17e-5, 0.02e-5);  // about +4 cm per km

    for (const char* name : {"P1", "P2", "P3"}) {
        const PlanePoint p = pointOf(plain, name), q = pointOf(reduced, name);
        EXPECT_NEAR(q.x - kXa, scale * (p.x - kXa), 1e-4) << name;
        EXPECT_NEAR(q.y - kYa, scale * (p.y - kYa), 1e-4) << name;
    }
    EXPECT_NEAR(pointOf(reduced, "P3").x - pointOf(plain, "P3").x, 0.125, 0.001);
    // The measured values are kept beside the reduced ones.
    ASSERT_EQ(reduced.reduced.measuredDistance.size(), 3u);
    EXPECT_EQ(reduced.reduced.measuredDistance[0], 1000);
    EXPECT_NEAR(reduced.plane.distanceValue[0], 1000 * scale, 1e-6);
    EXPECT_EQ(reduced.reduced.correctedDirections, 0);  // all lines under 10 km
    // 平差概况 names the reduction, and only when it was chosen.
    ASSERT_EQ(reduced.summaryLines.size(), 1u);
    EXPECT_EQ(reduced.summaryLines[0].item, "边长归算");
    EXPECT_EQ(reduced.summaryLines[0].value, "归算到投影面");
    EXPECT_NE(reduced.summaryLines[0].remark.find("3°带第39带"), std::string::npos);
    EXPECT_TRUE(plain.summaryLines.empty());
    solveControlModule(reduced, prompter);  // solved again: still one line
    EXPECT_EQ(reduced.summaryLines.size(), 1u);
}

// Heights of the line's ends where the survey has them, the mean elevation
// elsewhere; the arc-to-chord correction on every line when asked for.
TEST(ProjectionReduction, LineHeightsAndArcToChord) {
    ScriptedPrompter prompter;
    ControlModule m;
    m.network = northTraverse();
    ProjectionReduction choice = zone39(1500);
    choice.arcToChordEveryLine = true;
    m.reduction = choice;
    solveControlModule(m, prompter);
    ASSERT_TRUE(m.reduced.applied);
    EXPECT_EQ(m.reduced.correctedDirections, 6);
    // Lines along a meridian: δ = ρ (x1 − x2)(2y1 + y2) / 6R², 150 km out about 0.4″ per km.
    const double r = m.reduced.radius;
    const int set0 = m.plane.setStart[0];
    EXPECT_NEAR(m.reduced.arcToChord[static_cast<std::size_t>(set0) + 1],
                206264.806 * (0.0 - 1000.0) * (3 * 150000.0) / (6 * r * r), 0.005);
    EXPECT_NE(describeReduction(choice, m.reduced).find("方向改化 6 个"), std::string::npos);

    // Without a mean elevation and without heights the survey counts as at 0 m.
    choice.hasMeanElevation = false;
    choice.arcToChordEveryLine = false;
    m.reduction = choice;
    solveControlModule(m, prompter);
    EXPECT_EQ(m.reduced.meanElevation, 0);
    EXPECT_EQ(m.reduced.linesWithHeights, 0);
}

// Known points that are not on the chosen grid: the user is told, and the
// survey is adjusted as measured.
TEST(ProjectionReduction, KnownPointsOffTheGridLeaveTheSurveyUnreduced) {
    ScriptedPrompter prompter;
    ControlModule m;
    m.network = northTraverse();
    m.network.knownPoints[0].y = 40000000 + kYa;  // zone 40 written in front of y
    m.network.knownPoints[1].y = 40000000 + kYa;
    m.reduction = zone39(0);
    solveControlModule(m, prompter);
    EXPECT_FALSE(m.reduced.applied);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_NE(prompter.shown.front().find("边长未归算"), std::string::npos) << prompter.shown.front();
    EXPECT_TRUE(m.plane.adjusted);
    EXPECT_EQ(m.plane.distanceValue[0], 1000);
}

TEST(ProjectionReduction, ChoiceKeptAsText) {
    ProjectionReduction c = zone39(1234.5);
    c.system.ellipsoid = geodesy::Ellipsoid::Xian80;
    c.system.projectionHeight = 800;
    c.arcToChordEveryLine = true;
    ProjectionReduction back;
    ASSERT_TRUE(reductionFromText(reductionToText(c), back));
    EXPECT_EQ(back, c);
    c.hasMeanElevation = false;  // the mean of the survey's heights
    c.meanElevation = 0;
    c.enabled = false;
    ASSERT_TRUE(reductionFromText(reductionToText(c), back));
    EXPECT_EQ(back, c);
    const ProjectionReduction before = back;
    for (const char* bad : {"", "ellipsoid=mars;cm=114", "cm=114;h0=99999", "cm=114;hm=high", "zone=200;width=3;cm=1"}) {
        EXPECT_FALSE(reductionFromText(bad, back)) << bad;
        EXPECT_EQ(back, before) << bad;
    }
}

}  // namespace
}  // namespace vornex
