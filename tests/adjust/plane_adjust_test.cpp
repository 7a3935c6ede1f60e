#include "adjust/plane_adjust.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

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

// Independent adjustment: unknowns are the unknown points' coordinates and one
// orientation per direction set (known points left out), observation equations
// linearised by central differences, normal equations solved by Cholesky,
// iterated to full convergence.
struct Reference {
    std::map<std::string, PlanePoint> xy;
    std::map<std::string, std::array<double, 3>> q;  // Qxx, Qyy, Qxy per point
    double sigma0 = 0;
};

Reference referenceAdjust(const SurveyNetwork& net, std::map<std::string, PlanePoint> start) {
    std::map<std::string, PlanePoint> known;
    for (const ControlPoint& cp : net.knownPoints) known[cp.name.str()] = {cp.x, cp.y};
    std::vector<std::string> names;
    for (auto& [n, p] : start)
        if (!known.count(n)) names.push_back(n);
    struct Set {
        std::string station;
        std::vector<std::pair<std::string, double>> dirs;
    };
    std::vector<Set> sets;
    std::vector<std::tuple<std::string, std::string, double>> dists;
    for (const SurveyStation& st : net.stations) {
        Set s{st.name.str(), {}};
        for (const SurveyObservation& o : st.observations) {
            if (o.direction >= 0) s.dirs.push_back({o.targetName.str(), o.direction * kPi / 180});
            if (o.distance > 0) {
                bool merged = false;
                for (auto& [a, b, d] : dists)
                    if ((a == s.station && b == o.targetName.str()) || (b == s.station && a == o.targetName.str())) {
                        d = (d + o.distance) / 2;
                        merged = true;
                    }
                if (!merged) dists.push_back({s.station, o.targetName.str(), o.distance});
            }
        }
        if (!s.dirs.empty()) sets.push_back(s);
    }
    const int nu = static_cast<int>(names.size()) * 2 + static_cast<int>(sets.size());
    std::vector<double> x(static_cast<std::size_t>(nu));
    for (std::size_t i = 0; i < names.size(); ++i) {
        x[2 * i] = start[names[i]].x;
        x[2 * i + 1] = start[names[i]].y;
    }
    auto point = [&](const std::vector<double>& v, const std::string& n) -> PlanePoint {
        if (known.count(n)) return known[n];
        auto i = static_cast<std::size_t>(std::find(names.begin(), names.end(), n) - names.begin());
        return {v[2 * i], v[2 * i + 1]};
    };
    for (std::size_t s = 0; s < sets.size(); ++s) {
        x[2 * names.size() + s] = azimuthRad(point(x, sets[s].station), point(x, sets[s].dirs[0].first)) - sets[s].dirs[0].second;
    }
    const double sd = net.control.angleSigma / std::sqrt(2.0);
    auto residuals = [&](const std::vector<double>& v, std::vector<double>& weights) {
        std::vector<double> r;
        weights.clear();
        for (std::size_t s = 0; s < sets.size(); ++s)
            for (auto& [t, d] : sets[s].dirs) {
                double a = azimuthRad(point(v, sets[s].station), point(v, t)) - d - v[2 * names.size() + s];
                a = std::remainder(a, 2 * kPi);
                r.push_back(a * kRho);
                weights.push_back(1 / (sd * sd));
            }
        for (auto& [a, b, d] : dists) {
            PlanePoint p = point(v, a), q = point(v, b);
            r.push_back(std::hypot(q.x - p.x, q.y - p.y) - d);
            double sigma = net.control.distancePpm * 1e-6 * d + net.control.distanceFixedError / 1000;
            weights.push_back(1 / (sigma * sigma));
        }
        for (const KnownAzimuth& k : net.knownAzimuths) {
            double a = azimuthRad(point(v, k.fromName.str()), point(v, k.toName.str())) - k.azimuth * kPi / 180;
            r.push_back(std::remainder(a, 2 * kPi) * kRho);
            weights.push_back(1 / (net.control.azimuthSigma * net.control.azimuthSigma));
        }
        return r;
    };
    std::vector<std::vector<double>> N;
    std::vector<std::vector<double>> L;
    auto cholSolve = [&](std::vector<double> b) {
        const int n = nu;
        for (int i = 0; i < n; ++i) {
            for (int k = 0; k < i; ++k) b[static_cast<std::size_t>(i)] -= L[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] * b[static_cast<std::size_t>(k)];
            b[static_cast<std::size_t>(i)] /= L[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)];
        }
        for (int i = n - 1; i >= 0; --i) {
            for (int k = i + 1; k < n; ++k) b[static_cast<std::size_t>(i)] -= L[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)] * b[static_cast<std::size_t>(k)];
            b[static_cast<std::size_t>(i)] /= L[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)];
        }
        return b;
    };
    std::vector<double> w;
    for (int iter = 0; iter < 20; ++iter) {
        std::vector<double> r0 = residuals(x, w);
        const std::size_t m = r0.size();
        std::vector<std::vector<double>> J(m, std::vector<double>(static_cast<std::size_t>(nu)));
        for (int j = 0; j < nu; ++j) {
            const double h = j < 2 * static_cast<int>(names.size()) ? 1e-4 : 1e-8;
            std::vector<double> xp = x, xm = x, wp;
            xp[static_cast<std::size_t>(j)] += h;
            xm[static_cast<std::size_t>(j)] -= h;
            std::vector<double> rp = residuals(xp, wp), rm = residuals(xm, wp);
            for (std::size_t i = 0; i < m; ++i) J[i][static_cast<std::size_t>(j)] = (rp[i] - rm[i]) / (2 * h);
        }
        N.assign(static_cast<std::size_t>(nu), std::vector<double>(static_cast<std::size_t>(nu), 0.0));
        std::vector<double> U(static_cast<std::size_t>(nu), 0.0);
        for (std::size_t i = 0; i < m; ++i)
            for (int a = 0; a < nu; ++a) {
                U[static_cast<std::size_t>(a)] -= w[i] * J[i][static_cast<std::size_t>(a)] * r0[i];
                for (int b = 0; b < nu; ++b) N[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] += w[i] * J[i][static_cast<std::size_t>(a)] * J[i][static_cast<std::size_t>(b)];
            }
        L.assign(static_cast<std::size_t>(nu), std::vector<double>(static_cast<std::size_t>(nu), 0.0));
        for (int i = 0; i < nu; ++i)
            for (int j = 0; j <= i; ++j) {
                double s = N[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
                for (int k = 0; k < j; ++k) s -= L[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] * L[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)];
                L[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = i == j ? std::sqrt(s) : s / L[static_cast<std::size_t>(j)][static_cast<std::size_t>(j)];
            }
        std::vector<double> dx = cholSolve(U);
        double big = 0;
        for (int j = 0; j < nu; ++j) {
            x[static_cast<std::size_t>(j)] += dx[static_cast<std::size_t>(j)];
            if (j < 2 * static_cast<int>(names.size())) big = std::max(big, std::fabs(dx[static_cast<std::size_t>(j)]));
        }
        if (big < 1e-11) break;
    }
    Reference ref;
    std::vector<double> r = residuals(x, w);
    double pvv = 0;
    for (std::size_t i = 0; i < r.size(); ++i) pvv += w[i] * r[i] * r[i];
    ref.sigma0 = std::sqrt(pvv / (static_cast<double>(r.size()) - nu));
    for (std::size_t i = 0; i < names.size(); ++i) {
        ref.xy[names[i]] = point(x, names[i]);
        std::vector<double> ex(static_cast<std::size_t>(nu), 0.0), ey(static_cast<std::size_t>(nu), 0.0);
        ex[2 * i] = 1;
        ey[2 * i + 1] = 1;
        std::vector<double> cx = cholSolve(ex), cy = cholSolve(ey);
        ref.q[names[i]] = {cx[2 * i], cy[2 * i + 1], cx[2 * i + 1]};
    }
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
            // Type 4: S cos Z + instrument - prism; D = S sin Z, weight 1 / D(km).
            const double h = c.type == 4 ? 100 * 0.5 + 1.5 - 1.2 : -2.0;
            const double d = c.type == 4 ? 100 * std::sin(kPi / 3) : 100;
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
