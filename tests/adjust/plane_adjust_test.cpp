#include "adjust/plane_adjust.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "support/reference_adjust.h"
#include "text/text.h"
#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

constexpr double kRho = 206264.80624709636;

double azimuthRad(PlanePoint a, PlanePoint b) {
    double t = std::atan2(b.y - a.y, b.x - a.x);
    return t < 0 ? t + 2 * kPi : t;
}

// Observations made from true coordinates with small deterministic errors.
struct Maker {
    std::map<std::string, PlanePoint> truth;
    int counter = 0;
    double noise(double scale) { return scale * std::sin(12.9898 * ++counter + 4.1414); }
    SurveyStation station(const std::string& name, const std::vector<std::pair<std::string, int>>& targets,
                          double orientationDeg, double angleNoiseSec = 2, double distNoise = 0.002) {
        // flags: 1 direction, 2 distance
        SurveyStation s;
        s.name = name.c_str();
        s.instrumentHeight = 1.5;
        for (auto& [t, flags] : targets) {
            SurveyObservation o;
            o.targetName = t.c_str();
            const PlanePoint a = truth.at(name), b = truth.at(t);
            if (flags & 1) {
                double d = azimuthRad(a, b) * 180 / kPi - orientationDeg + noise(angleNoiseSec) / 3600;
                d = std::fmod(d, 360);
                if (d < 0) d += 360;
                o.direction = d;
            }
            if (flags & 2) o.distance = std::hypot(b.x - a.x, b.y - a.y) + noise(distNoise);
            s.observations.push_back(o);
        }
        return s;
    }
};

// The independent adjustment of tests/support, per point Qxx, Qyy, Qxy.
struct Reference {
    std::map<std::string, PlanePoint> xy;
    std::map<std::string, std::array<double, 3>> q;
    double sigma0 = 0;
};

Reference referenceAdjust(const SurveyNetwork& net, const std::map<std::string, PlanePoint>& start) {
    const testing::ReferencePlane r = testing::referencePlaneAdjust(net, start);
    Reference ref;
    ref.xy = r.xy;
    ref.sigma0 = r.sigma0;
    for (std::size_t i = 0; i < r.names.size(); ++i) ref.q[r.names[i]] = {r.Q[2 * i][2 * i], r.Q[2 * i + 1][2 * i + 1], r.Q[2 * i][2 * i + 1]};
    return ref;
}

// Five stations: two known, three unknown; directions everywhere, some distances
// measured both ways, one known azimuth.
SurveyNetwork triangulation(Maker& mk, double angleNoise = 2, double distNoise = 0.002) {
    mk.truth = {{"K1", {1000, 1000}}, {"K2", {1000, 1800}}, {"P1", {1600, 1200}}, {"P2", {1550, 1900}}, {"P3", {600, 1450}}};
    SurveyNetwork net;
    net.knownPoints = {{"K1", "", 1000, 1000, 10}, {"K2", "", 1000, 1800, 12}};
    net.knownAzimuths.push_back({"K1", "K2", 90.0});
    net.control.observationType = kHorizontalDistance;
    net.control.angleSigma = 2.5;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    net.control.azimuthSigma = 1.5;
    net.stations = {
        mk.station("K1", {{"K2", 3}, {"P1", 3}, {"P3", 3}}, 12.3, angleNoise, distNoise),
        mk.station("K2", {{"P2", 3}, {"P1", 1}, {"K1", 1}, {"P3", 3}}, 200.1, angleNoise, distNoise),
        mk.station("P1", {{"P2", 3}, {"K1", 3}, {"K2", 1}}, 0, angleNoise, distNoise),
        mk.station("P2", {{"K2", 1}, {"P1", 3}}, 95, angleNoise, distNoise),
        mk.station("P3", {{"K1", 1}, {"K2", 1}}, 310, angleNoise, distNoise),
    };
    return net;
}

TEST(PlaneNetAdjust, MatchesAnIndependentSolution) {
    // The iteration stops once the corrections are below 1 cm, so what is left of
    // the solution is of the order of the square of the last correction: with
    // observation errors of 0.5 mm and 0.5 arc-second it is below 1e-8 m. The
    // direction residuals come from the linearised equations of the last
    // solution, which leaves sigma0 within a few parts in 1e7 of the exact value.
    Maker mk;
    SurveyNetwork net = triangulation(mk, 0.5, 0.0005);
    for (NormalSolver solver : {NormalSolver::Dense, NormalSolver::Envelope}) {
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        plane.setSolver(solver);
        EXPECT_EQ(heights.pointCount, 0);  // type 0: plane only
        EXPECT_EQ(plane.pointNames, (std::vector<std::string>{"K1", "K2", "P1", "P3", "P2"}));
        EXPECT_EQ(plane.stationSetCount(), 5);
        EXPECT_EQ(plane.distanceCount(), 6);  // K1-P1 and P1-P2 merged from both ends
        ScriptedPrompter p;
        ASSERT_EQ(plane.adjustPlane(p), 1);
        EXPECT_TRUE(p.shown.empty());
        EXPECT_LE(plane.solutions, 3);
        Reference ref = referenceAdjust(net, mk.truth);
        ASSERT_TRUE(plane.hasSigma0);
        EXPECT_NEAR(plane.sigma0, ref.sigma0, 1e-6 * ref.sigma0);
        for (int i = 2; i < plane.pointCount; ++i) {
            const std::string& n = plane.pointNames[static_cast<std::size_t>(i)];
            EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].x, ref.xy[n].x, 1e-8) << n;
            EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].y, ref.xy[n].y, 1e-8) << n;
            PointError e = plane.pointError(i);
            ASSERT_TRUE(e.shown);
            // Q is that of the last solution, linearised before its correction.
            EXPECT_NEAR(e.mx, ref.sigma0 * std::sqrt(ref.q[n][0]), 1e-5 * e.mx);
            EXPECT_NEAR(e.my, ref.sigma0 * std::sqrt(ref.q[n][1]), 1e-5 * e.my);
            // The ellipse axes are the eigenvalues of the covariance.
            const double s2 = plane.sigma0 * plane.sigma0;
            const double a = s2 * plane.cofactor(2 * i, 2 * i), b = s2 * plane.cofactor(2 * i + 1, 2 * i + 1), c = s2 * plane.cofactor(2 * i, 2 * i + 1);
            const double mean = (a + b) / 2, rad = std::sqrt((a - b) * (a - b) / 4 + c * c);
            EXPECT_NEAR(e.a * e.a, mean + rad, 1e-14);
            EXPECT_NEAR(e.b * e.b, mean - rad, 1e-14);
            // F: the direction of the major axis, in [0, pi).
            const double f = e.f;
            EXPECT_NEAR(a * std::cos(f) * std::cos(f) + b * std::sin(f) * std::sin(f) + 2 * c * std::sin(f) * std::cos(f), mean + rad, 1e-14);
        }
        // Residuals are computed - observed from the final coordinates.
        for (int k = 0; k < plane.distanceCount(); ++k) {
            EXPECT_NEAR(plane.distanceResidual[static_cast<std::size_t>(k)],
                        plane.distance(plane.distanceFrom[static_cast<std::size_t>(k)], plane.distanceTo[static_cast<std::size_t>(k)]) - plane.distanceValue[static_cast<std::size_t>(k)], 1e-12);
        }
        EXPECT_GT(plane.distanceStandardError(2, 4), 0);
        EXPECT_GT(plane.azimuthStandardError(2, 4), 0);
        EXPECT_EQ(plane.azimuthStandardError(0, 1), 0);  // between known points: below 1e-8, shown as 0
    }
}

TEST(PlaneNetAdjust, TriangleByIntersectionOnly) {
    // Three stations observing each other by directions only, two known: the third
    // point comes from intersection in the local frame and the transformation.
    Maker mk;
    mk.truth = {{"A", {5000, 5000}}, {"B", {5300, 5400}}, {"C", {5600, 4900}}};
    SurveyNetwork net;
    net.knownPoints = {{"A", "", 5000, 5000, 0}, {"B", "", 5300, 5400, 0}};
    for (const char* first : {"A", "C"}) {  // both orders of the first set
        net.stations = {mk.station(first, {{first == std::string("A") ? "B" : "A", 1}, {first == std::string("A") ? "C" : "B", 1}}, 40, 0),
                        mk.station("B", {{"C", 1}, {"A", 1}}, 170, 0),
                        mk.station(first == std::string("A") ? "C" : "A", {{"A", 1}, {"B", 1}}, 300, 0)};
        if (first == std::string("C")) net.stations[2] = mk.station("A", {{"C", 1}, {"B", 1}}, 300, 0);
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        ScriptedPrompter p;
        ASSERT_TRUE(plane.approximateCoordinates(p));
        const int c = plane.findPoint("C");
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(c)].x, 5600, 1e-6);
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(c)].y, 4900, 1e-6);
        EXPECT_EQ(plane.distanceCount(), 0);
    }
}

TEST(PlaneNetAdjust, TraverseByPolarPropagation) {
    Maker mk;
    mk.truth = {{"K0", {0, 0}}, {"K1", {100, 500}}, {"T1", {400, 900}}, {"T2", {300, 1400}}, {"K2", {600, 1800}}, {"K3", {900, 2100}}};
    SurveyNetwork net;
    net.knownPoints = {{"K0", "", 0, 0, 0}, {"K1", "", 100, 500, 0}, {"K2", "", 600, 1800, 0}, {"K3", "", 900, 2100, 0}};
    net.control.observationType = kHorizontalDistance;
    net.stations = {mk.station("K1", {{"K0", 1}, {"T1", 3}}, 0, 1, 0.001), mk.station("T1", {{"K1", 3}, {"T2", 3}}, 55, 1, 0.001),
                    mk.station("T2", {{"T1", 1}, {"K2", 3}}, 10, 1, 0.001), mk.station("K2", {{"T2", 1}, {"K3", 1}}, 250, 1, 0.001)};
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(net, heights);
    ScriptedPrompter p;
    ASSERT_EQ(plane.adjustPlane(p), 1) << (p.shown.empty() ? "" : p.shown[0]);
    Reference ref = referenceAdjust(net, mk.truth);
    for (const char* n : {"T1", "T2"}) {
        const int i = plane.findPoint(n);
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].x, ref.xy[n].x, 1e-8);
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].y, ref.xy[n].y, 1e-8);
    }
    EXPECT_NEAR(plane.sigma0, ref.sigma0, 1e-8);
}

TEST(PlaneNetAdjust, KnownAzimuthDoesNotTurnTheLocalFrame) {
    // A 3 x 4 grid observed to its neighbours (no triangles, so the approximations
    // come from polar propagation in a local frame), two known corners and a
    // known azimuth between two unknown points. The azimuth belongs to the known
    // frame and must not orient a station in the local one.
    Maker mk;
    auto name = [](int i, int j) { return "P" + std::to_string(i) + std::to_string(j); };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            mk.truth[name(i, j)] = {3000000 + 200.0 * i + 13 * std::sin(j + i), 500000 + 250.0 * j + 11 * std::cos(2 * i + j)};
    SurveyNetwork net;
    net.control.observationType = kHorizontalDistance;
    net.control.angleSigma = 2;
    net.control.azimuthSigma = 2;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    for (const char* k : {"P00", "P23"}) net.knownPoints.push_back({k, "", mk.truth[k].x, mk.truth[k].y, 0});
    const PlanePoint a = mk.truth["P11"], b = mk.truth["P21"];
    net.knownAzimuths.push_back({"P11", "P21", azimuthRad(a, b) * 180 / kPi + 1.0 / 3600});
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) {
            // South first: P11's first direction is the azimuth's other end, not yet placed.
            std::vector<std::pair<std::string, int>> t;
            for (auto [di, dj] : {std::pair{1, 0}, {0, 1}, {0, -1}, {-1, 0}})
                if (i + di >= 0 && i + di < 3 && j + dj >= 0 && j + dj < 4) t.push_back({name(i + di, j + dj), 3});
            net.stations.push_back(mk.station(name(i, j), t, 23.0 * (4 * i + j) + 5, 1.5, 0.0015));
        }
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(net, heights);
    ScriptedPrompter p;
    ASSERT_TRUE(plane.approximateCoordinates(p));
    for (int i = plane.knownCount; i < plane.pointCount; ++i) {
        const std::string& n = plane.pointNames[static_cast<std::size_t>(i)];
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].x, mk.truth[n].x, 0.05) << n;
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].y, mk.truth[n].y, 0.05) << n;
    }
    ASSERT_EQ(plane.adjustPlane(p), 1);
    EXPECT_TRUE(p.shown.empty()) << p.shown.front();
    EXPECT_FALSE(plane.doubtful);
    Reference ref = referenceAdjust(net, mk.truth);
    EXPECT_NEAR(plane.sigma0, ref.sigma0, 1e-5 * ref.sigma0);
    EXPECT_LT(plane.sigma0, 3);
    for (int i = plane.knownCount; i < plane.pointCount; ++i) {
        const std::string& n = plane.pointNames[static_cast<std::size_t>(i)];
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].x, ref.xy[n].x, 1e-6) << n;
        EXPECT_NEAR(plane.coordinates[static_cast<std::size_t>(i)].y, ref.xy[n].y, 1e-6) << n;
    }
}

TEST(PlaneNetAdjust, DoubtfulResultIsShownButReported) {
    Maker mk;
    SurveyNetwork net = triangulation(mk, 0.5, 0.0005);
    {
        // Clean: the last correction is below 1 mm (a check solution follows a
        // first correction between 1 mm and 1 cm) and nothing is said.
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(net, heights);
        ScriptedPrompter p;
        ASSERT_EQ(plane.adjustPlane(p), 1);
        EXPECT_TRUE(p.shown.empty());
        EXPECT_FALSE(plane.doubtful);
        EXPECT_LE(plane.lastCorrection, 0.001);
    }
    // A distance with a gross error of 0.8 m: sigma0 far above 10. The results
    // stay, with one message naming sigma0 and the last correction.
    net.stations[0].observations[1].distance += 0.8;
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(net, heights);
    ScriptedPrompter p;
    ASSERT_EQ(plane.adjustPlane(p), 1);
    EXPECT_EQ(plane.adjusted, 1);
    EXPECT_TRUE(plane.doubtful);
    EXPECT_GT(plane.sigma0, 10);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].rfind("平差结果可疑", 0), 0u) << p.shown[0];
    EXPECT_NE(p.shown[0].find(text::format("%.3f", plane.sigma0)), std::string::npos) << p.shown[0];
    EXPECT_NE(p.shown[0].find(text::format("%.2f mm", plane.lastCorrection * 1000)), std::string::npos) << p.shown[0];
    // A rebuild clears the mark.
    plane.buildFromControlSurvey(SurveyNetwork{}, heights);
    EXPECT_FALSE(plane.doubtful);
}

TEST(PlaneNetAdjust, ObservationTypesBuildTheirNetworks) {
    // Station S (instrument 1.5) sees K1 and K2: direction 0 is observed, a negative one is not.
    auto make = [](int type) {
        SurveyNetwork net;
        net.knownPoints = {{"K1", "", 0, 0, 100}, {"K2", "", 0, 100, 101}};
        net.control.observationType = type;
        net.control.heightClosureCoefficient = 30;
        SurveyStation s;
        s.name = "S";
        s.instrumentHeight = 1.5;
        SurveyObservation a;
        a.targetName = "K1";
        a.direction = 0;
        a.distance = 100;
        a.verticalOrHeight = type == kSlopeAndZenith || type == kSlopeDistance ? 60 : -2.0;
        a.targetHeight = 1.2;
        SurveyObservation b = a;
        b.targetName = "K2";
        b.direction = -1;
        s.observations = {a, b};
        net.stations = {s};
        return net;
    };
    struct Case {
        int type;
        bool plane;
        bool heights;
    };
    for (Case c : {Case{0, true, false}, Case{1, true, false}, Case{2, false, true}, Case{3, true, true}, Case{4, true, true}}) {
        SCOPED_TRACE(c.type);
        CPlaneNetAdjust plane;
        CLevelingAdjust heights;
        plane.buildFromControlSurvey(make(c.type), heights);
        EXPECT_EQ(plane.pointCount > 0, c.plane);
        EXPECT_EQ(heights.pointCount > 0, c.heights);
        if (c.plane) {
            EXPECT_EQ(plane.directionCount(), 1);  // 0 observed, -1 not
            ASSERT_EQ(plane.distanceCount(), 2);
            const double d = c.type == 1 || c.type == 4 ? 100 * std::sin(kPi / 3) : 100;
            EXPECT_NEAR(plane.distanceValue[0], d, 1e-12);
        }
        if (c.heights) {
            EXPECT_EQ(heights.closureCoefficient, 30);
            ASSERT_EQ(heights.observationCount, 2);
            // Type 4: S cos Z + instrument - prism + (1 - k) D^2 / 2R with k = 0.14;
            // D = S sin Z, weight 1 / D(km).
            const double d = c.type == 4 ? 100 * std::sin(kPi / 3) : 100;
            const double h = c.type == 4 ? 100 * 0.5 + 1.5 - 1.2 + 0.86 * d * d / (2 * 6371000.0) : -2.0;
            EXPECT_NEAR(heights.observed[0], h, 1e-12);
            EXPECT_NEAR(heights.weight[0], 1000 / d, 1e-9);
        }
    }
}

TEST(PlaneNetAdjust, DistanceBothWaysIsMerged) {
    SurveyNetwork net;
    net.knownPoints = {{"A", "", 0, 0, 0}, {"B", "", 0, 100, 0}};
    SurveyStation a, b;
    a.name = "A";
    b.name = "B";
    SurveyObservation o;
    o.targetName = "B";
    o.distance = 100.004;
    a.observations = {o};
    o.targetName = "A";
    o.distance = 99.998;
    b.observations = {o};
    net.stations = {a, b};
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    plane.buildFromControlSurvey(net, heights);
    ASSERT_EQ(plane.distanceCount(), 1);
    EXPECT_NEAR(plane.distanceValue[0], 100.001, 1e-12);
    // A third measurement joins the mean of all three.
    o.targetName = "A";
    o.distance = 100.004;
    net.stations[1].observations.push_back(o);
    plane.buildFromControlSurvey(net, heights);
    ASSERT_EQ(plane.distanceCount(), 1);
    EXPECT_NEAR(plane.distanceValue[0], (100.004 + 99.998 + 100.004) / 3, 1e-12);
}

TEST(PlaneNetAdjust, FailureMessages) {
    Maker mk;
    SurveyNetwork net = triangulation(mk);
    ScriptedPrompter p;
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    // One known point only.
    SurveyNetwork one = net;
    one.knownPoints.pop_back();
    plane.buildFromControlSurvey(one, heights);
    EXPECT_EQ(plane.adjustPlane(p), 0);
    ASSERT_EQ(p.shown.size(), 2u);
    EXPECT_EQ(p.shown[0], "已知点少于 2 个");
    EXPECT_EQ(p.shown[1].rfind("下列点计算不出近似坐标:\n\n  ", 0), 0u);
    // A target reached by nothing but a name.
    p.shown.clear();
    SurveyNetwork lone = net;
    SurveyObservation o;
    o.targetName = "LONE";
    lone.stations[0].observations.push_back(o);
    plane.buildFromControlSurvey(lone, heights);
    EXPECT_EQ(plane.adjustPlane(p), 0);
    EXPECT_EQ(p.shown, (std::vector<std::string>{"下列点计算不出近似坐标:\n\n  LONE"}));
    EXPECT_EQ(plane.adjusted, 0);
    // No points at all: success without results.
    plane.buildFromControlSurvey(SurveyNetwork{}, heights);
    EXPECT_EQ(plane.adjustPlane(p), 1);
    EXPECT_EQ(plane.adjusted, 0);
}

TEST(PlaneNetAdjust, DenseAndEnvelopeAgree) {
    // A strip of braced quadrilaterals, large enough for the envelope path.
    Maker mk;
    SurveyNetwork net;
    const int len = 60;
    for (int i = 0; i < len; ++i) {
        mk.truth["U" + std::to_string(i)] = {100.0 * i + 7 * std::sin(i), 0.0 + 5 * std::cos(3 * i)};
        mk.truth["L" + std::to_string(i)] = {100.0 * i + 3 * std::cos(i), 120.0 + 4 * std::sin(2 * i)};
    }
    for (const char* k : {"U0", "L0", "U59", "L59"}) net.knownPoints.push_back({k, "", mk.truth[k].x, mk.truth[k].y, 0});
    for (int i = 0; i < len; ++i) {
        for (const char* side : {"U", "L"}) {
            std::string me = side + std::to_string(i);
            std::string other = (side[0] == 'U' ? "L" : "U") + std::to_string(i);
            std::vector<std::pair<std::string, int>> t = {{other, 3}};
            if (i > 0) t.push_back({side + std::to_string(i - 1), 3});
            if (i + 1 < len) t.push_back({side + std::to_string(i + 1), 3});
            if (i + 1 < len) t.push_back({other.substr(0, 1) + std::to_string(i + 1), 1});
            net.stations.push_back(mk.station(me, t, 17.0 * i));
        }
    }
    CPlaneNetAdjust dense, sparse;
    CLevelingAdjust h;
    dense.buildFromControlSurvey(net, h);
    sparse.buildFromControlSurvey(net, h);
    dense.setSolver(NormalSolver::Dense);
    ScriptedPrompter p;
    ASSERT_EQ(dense.adjustPlane(p), 1) << ::testing::PrintToString(p.shown);
    ASSERT_EQ(sparse.adjustPlane(p), 1);
    EXPECT_TRUE(sparse.usesEnvelope());
    EXPECT_EQ(dense.solutions, sparse.solutions);
    EXPECT_NEAR(dense.sigma0, sparse.sigma0, 1e-9);
    for (int i = 0; i < dense.pointCount; ++i) {
        EXPECT_NEAR(dense.coordinates[static_cast<std::size_t>(i)].x, sparse.coordinates[static_cast<std::size_t>(i)].x, 1e-9);
        EXPECT_NEAR(dense.coordinates[static_cast<std::size_t>(i)].y, sparse.coordinates[static_cast<std::size_t>(i)].y, 1e-9);
        PointError a = dense.pointError(i), b = sparse.pointError(i);
        EXPECT_NEAR(a.a, b.a, 1e-9);
        EXPECT_NEAR(a.b, b.b, 1e-9);
    }
    for (int k = 0; k < dense.directionCount(); ++k) EXPECT_NEAR(dense.directionResidual[static_cast<std::size_t>(k)], sparse.directionResidual[static_cast<std::size_t>(k)], 1e-9);
    EXPECT_NEAR(dense.distanceStandardError(5, 6), sparse.distanceStandardError(5, 6), 1e-9);
}

}  // namespace
}  // namespace vornex
