// The result tables of the control module checked value by value against an
// independent adjustment of the example control network (plane and
// trigonometric heights).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "adjust/demo_networks.h"
#include "support/reference_adjust.h"
#include "support/scripted_prompter.h"
#include "tables/survey_tables.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
namespace st = survey_table;

double num(const std::string& s) { return std::atof(s.c_str()); }

// " 12°34′56.7″" -> decimal degrees.
double dmsCell(const std::string& s) {
    const std::size_t deg = s.find("°"), min = s.find("′"), sec = s.find("″");
    EXPECT_TRUE(deg != std::string::npos && min != std::string::npos && sec != std::string::npos) << s;
    if (deg == std::string::npos || min == std::string::npos) return NAN;
    const double d = std::atof(s.substr(0, deg).c_str());
    const double m = std::atof(s.substr(deg + std::string("°").size()).c_str());
    const double x = std::atof(s.substr(min + std::string("′").size()).c_str());
    return d + m / 60 + x / 3600;
}

// A printed number agrees with `expected` to half a unit of its last digit.
void expectShown(const std::string& cell, double expected, double unit) {
    EXPECT_NEAR(num(cell), expected, 0.5 * unit * 1.02 + 1e-12) << "cell '" << cell << "'";
}
void expectDms(const std::string& cell, double expectedDeg) {
    double d = dmsCell(cell) - expectedDeg;
    d = std::remainder(d, 360.0);
    EXPECT_NEAR(d * 3600, 0.0, 0.051) << "cell '" << cell << "'";
}

std::string utf8(const std::string& gbk) { return text::gbkToUtf8(gbk); }

// The trigonometric height network of the file, merged as a surveyor would by
// hand: per pair of points the mean of its runs (return runs negated) and the
// mean horizontal distance; heights corrected for curvature and refraction.
struct MergedRun {
    std::string from, to;
    double hSum = 0, dSum = 0;
    int count = 0;
    double h() const { return hSum / count; }
    double dKm() const { return dSum / count / 1000; }
};

std::vector<MergedRun> heightRuns(const SurveyNetwork& net) {
    std::vector<MergedRun> runs;
    for (const SurveyStation& s : net.stations)
        for (const SurveyObservation& o : s.observations) {
            if (!(o.distance > 0) || o.targetHeight < 0) continue;
            const double z = o.verticalOrHeight * kPi / 180;
            const double d = o.distance * std::sin(z);
            // Earth curvature and refraction with k = 0.14, R = 6371 km.
            const double h = o.distance * std::cos(z) + s.instrumentHeight - o.targetHeight + (1 - 0.14) * d * d / (2 * 6371000.0);
            const std::string a = s.name.str(), b = o.targetName.str();
            bool merged = false;
            for (MergedRun& r : runs) {
                if (r.from == a && r.to == b) {
                    r.hSum += h;
                } else if (r.from == b && r.to == a) {
                    r.hSum -= h;
                } else {
                    continue;
                }
                r.dSum += d;
                ++r.count;
                merged = true;
            }
            if (!merged) runs.push_back({a, b, h, d, 1});
        }
    return runs;
}

struct Fixture {
    ControlModule m;
    testing::ReferencePlane plane;
    testing::ReferenceHeights heights;
    std::vector<MergedRun> runs;
    std::map<std::string, double> knownH;
    Fixture() {
        m.network = demoControlNetwork();
        ScriptedPrompter p;
        solveControlModule(m, p);
        EXPECT_TRUE(p.shown.empty()) << p.shown.front();
        std::map<std::string, PlanePoint> start;
        for (int i = 0; i < m.plane.pointCount; ++i) start[m.plane.pointNames[static_cast<std::size_t>(i)]] = m.plane.coordinates[static_cast<std::size_t>(i)];
        plane = testing::referencePlaneAdjust(m.network, start);
        runs = heightRuns(m.network);
        std::vector<testing::HeightObservation> obs;
        for (const MergedRun& r : runs) obs.push_back({r.from, r.to, r.h(), 1 / r.dKm()});
        for (const ControlPoint& k : m.network.knownPoints) knownH[k.name.str()] = k.h;
        heights = testing::referenceHeightAdjust(knownH, obs);
    }
    std::string name(int i) const { return m.plane.pointNames[static_cast<std::size_t>(i)]; }
};

TEST(ControlTables, PlaneResultsAgreeWithAnIndependentAdjustment) {
    Fixture f;
    const ControlModule& m = f.m;
    ASSERT_TRUE(m.plane.adjusted);
    ASSERT_FALSE(m.plane.doubtful);
    EXPECT_NEAR(m.plane.sigma0, f.plane.sigma0, 1e-5 * f.plane.sigma0);

    // Known azimuths: the stored value in degrees, minutes and seconds.
    Grid ka = buildControlTable(m, st::kKnownAzimuths);
    ASSERT_EQ(ka.rowCount(), 1);
    EXPECT_EQ(ka.cell(0, 0).text, "K1");
    EXPECT_EQ(ka.cell(0, 1).text, "K2");
    expectDms(ka.cell(0, 2).text, m.network.knownAzimuths[0].azimuth);

    // Coordinates.
    Grid c = buildControlTable(m, st::kCoordinates);
    for (int r = 0; r < c.rowCount(); ++r) {
        const std::string n = text::utf8ToGbk(c.cell(r, 0).text);
        ASSERT_TRUE(f.plane.xy.count(n)) << c.cell(r, 0).text;
        expectShown(c.cell(r, 1).text, f.plane.xy[n].x, 1e-4);
        expectShown(c.cell(r, 2).text, f.plane.xy[n].y, 1e-4);
        const double h = f.knownH.count(n) ? f.knownH[n] : f.heights.height.at(n);
        expectShown(c.cell(r, 3).text, h, 1e-4);
    }

    // Directions: corrections relative to the set's first direction, adjusted
    // directions, azimuths and their standard errors.
    Grid d = buildControlTable(m, st::kDirections);
    ASSERT_EQ(d.rowCount(), m.plane.directionCount());
    int row = 0;
    for (std::size_t s = 0; s < f.plane.directionResidual.size(); ++s) {
        const std::string station = f.name(m.plane.stationPoint[s]);
        const auto& res = f.plane.directionResidual[s];
        for (std::size_t j = 0; j < res.size(); ++j, ++row) {
            SCOPED_TRACE(row);
            const std::string target = f.name(m.plane.directionTarget[static_cast<std::size_t>(row)]);
            EXPECT_EQ(d.cell(row, 0).text, j == 0 ? utf8(station) : "");
            EXPECT_EQ(d.cell(row, 1).text, utf8(target));
            const double observed = m.plane.directionValue[static_cast<std::size_t>(row)] * 180 / kPi;
            expectDms(d.cell(row, 2).text, observed);
            const double correction = res[j] - res[0];
            if (j == 0) {
                EXPECT_EQ(d.cell(row, 3).text, "");
            } else {
                expectShown(d.cell(row, 3).text, correction, 0.01);
            }
            expectDms(d.cell(row, 4).text, observed + correction / 3600);
            expectDms(d.cell(row, 5).text, testing::referenceAzimuth(f.plane.xy[station], f.plane.xy[target]) * 180 / kPi);
            expectShown(d.cell(row, 6).text, f.plane.azimuthError(station, target), 0.01);
        }
    }

    // The known azimuth after adjustment.
    Grid az = buildControlTable(m, st::kAzimuths);
    ASSERT_EQ(az.rowCount(), 1);
    expectShown(az.cell(0, 3).text, f.plane.azimuthResidual[0], 0.01);
    expectDms(az.cell(0, 4).text, m.network.knownAzimuths[0].azimuth + f.plane.azimuthResidual[0] / 3600);
    expectShown(az.cell(0, 5).text, f.plane.azimuthError("K1", "K2"), 0.01);

    // Distances: the mean of each line's measurements, its residual, adjusted value
    // and standard errors.
    Grid ds = buildControlTable(m, st::kDistances);
    ASSERT_EQ(ds.rowCount(), m.plane.distanceCount());
    for (int r = 0; r < ds.rowCount(); ++r) {
        SCOPED_TRACE(r);
        const std::string a = text::utf8ToGbk(ds.cell(r, 0).text), b = text::utf8ToGbk(ds.cell(r, 1).text);
        double sum = 0;
        int count = 0;
        for (const SurveyStation& s : m.network.stations)
            for (const SurveyObservation& o : s.observations)
                if (o.distance > 0 && ((s.name.str() == a && o.targetName.str() == b) || (s.name.str() == b && o.targetName.str() == a))) {
                    sum += testing::referenceHorizontal(m.network, o);
                    ++count;
                }
        ASSERT_GT(count, 0);
        const double observed = sum / count, adjusted = f.plane.distance(a, b), sigma = f.plane.distanceError(a, b);
        expectShown(ds.cell(r, 2).text, observed, 1e-4);
        expectShown(ds.cell(r, 3).text, (adjusted - observed) * 1000, 0.01);
        expectShown(ds.cell(r, 4).text, adjusted, 1e-4);
        expectShown(ds.cell(r, 5).text, sigma * 1000, 0.01);
        if (sigma == 0) {  // between known points
            EXPECT_EQ(ds.cell(r, 6).text, "");
            continue;
        }
        ASSERT_EQ(ds.cell(r, 6).text.rfind("1/", 0), 0u);
        EXPECT_NEAR(num(ds.cell(r, 6).text.substr(2)), adjusted / sigma, 1e-4 * adjusted / sigma + 1);
    }

    // Point errors and error ellipses from the covariance of each unknown point.
    Grid pe = buildControlTable(m, st::kPointErrors);
    int shown = 0;
    for (int r = 0; r < pe.rowCount(); ++r) {
        const std::string n = text::utf8ToGbk(pe.cell(r, 0).text);
        SCOPED_TRACE(n);
        const int i = f.plane.unknown(n);
        ASSERT_GE(i, 0);
        ++shown;
        const double s2 = f.plane.sigma0 * f.plane.sigma0;
        const double qxx = s2 * f.plane.Q[2 * static_cast<std::size_t>(i)][2 * static_cast<std::size_t>(i)];
        const double qyy = s2 * f.plane.Q[2 * static_cast<std::size_t>(i) + 1][2 * static_cast<std::size_t>(i) + 1];
        const double qxy = s2 * f.plane.Q[2 * static_cast<std::size_t>(i)][2 * static_cast<std::size_t>(i) + 1];
        expectShown(pe.cell(r, 1).text, std::sqrt(qxx) * 1000, 0.01);
        expectShown(pe.cell(r, 2).text, std::sqrt(qyy) * 1000, 0.01);
        expectShown(pe.cell(r, 3).text, std::sqrt(qxx + qyy) * 1000, 0.01);
        // Semi-axes: square roots of the covariance's eigenvalues; F: the major axis's direction.
        const double mean = (qxx + qyy) / 2, rad = std::hypot((qxx - qyy) / 2, qxy);
        expectShown(pe.cell(r, 4).text, std::sqrt(mean + rad) * 1000, 0.01);
        expectShown(pe.cell(r, 5).text, std::sqrt(mean - rad) * 1000, 0.01);
        double major = 0.5 * std::atan2(2 * qxy, qxx - qyy) * 180 / kPi;
        if (major < 0) major += 180;
        EXPECT_NEAR(std::remainder(dmsCell(pe.cell(r, 6).text) - major, 180.0) * 60, 0.0, 0.05);
        expectShown(pe.cell(r, 7).text, f.heights.heightError.at(n), 0.01);
    }
    EXPECT_EQ(shown, m.plane.pointCount - m.plane.knownCount);
}

TEST(ControlTables, HeightResultsAgreeWithAnIndependentAdjustment) {
    Fixture f;
    const ControlModule& m = f.m;
    ASSERT_TRUE(m.heights.adjusted);
    EXPECT_NEAR(m.heights.sigma0, f.heights.sigma0, 1e-9);

    Grid hd = buildControlTable(m, st::kControlHeightDifferences);
    ASSERT_EQ(hd.rowCount(), static_cast<int>(f.runs.size()));
    for (int r = 0; r < hd.rowCount(); ++r) {
        SCOPED_TRACE(r);
        const MergedRun& run = f.runs[static_cast<std::size_t>(r)];
        EXPECT_EQ(hd.cell(r, 0).text, utf8(run.from));
        EXPECT_EQ(hd.cell(r, 1).text, utf8(run.to));
        expectShown(hd.cell(r, 2).text, run.dKm(), 0.01);
        expectShown(hd.cell(r, 3).text, run.h(), 1e-4);
        expectShown(hd.cell(r, 4).text, f.heights.residual[static_cast<std::size_t>(r)] * 1000, 0.01);
        expectShown(hd.cell(r, 5).text, run.h() + f.heights.residual[static_cast<std::size_t>(r)], 1e-4);
        expectShown(hd.cell(r, 6).text, f.heights.observationError[static_cast<std::size_t>(r)], 0.01);
    }

    // Closures: the line between the two known points and every independent loop.
    // Each row is recomputed from its path: the sum of the merged height
    // differences along it minus the known height difference, the length of the
    // path, and the tolerance 40 sqrt(L) mm of the file's height coefficient.
    Grid cl = buildControlTable(m, st::kControlClosures);
    const int points = static_cast<int>(f.heights.height.size() + f.knownH.size());
    EXPECT_EQ(cl.rowCount(), 1 + static_cast<int>(f.runs.size()) - points + 1);
    ASSERT_EQ(m.network.control.heightClosureCoefficient, 40.0);
    for (int r = 0; r < cl.rowCount(); ++r) {
        SCOPED_TRACE(cl.cell(r, 0).text);
        std::vector<std::string> path;
        std::stringstream ss(cl.cell(r, 0).text);
        for (std::string part; std::getline(ss, part, '-');) {
            while (!part.empty() && part.front() == ' ') part.erase(part.begin());
            while (!part.empty() && part.back() == ' ') part.pop_back();
            path.push_back(text::utf8ToGbk(part));
        }
        ASSERT_GE(path.size(), 2u);
        double sum = 0, km = 0;
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            bool found = false;
            for (const MergedRun& run : f.runs) {
                if (run.from == path[i] && run.to == path[i + 1]) {
                    sum += run.h();
                } else if (run.from == path[i + 1] && run.to == path[i]) {
                    sum -= run.h();
                } else {
                    continue;
                }
                km += run.dKm();
                found = true;
                break;
            }
            ASSERT_TRUE(found) << path[i] << " - " << path[i + 1];
        }
        const bool loop = path.front() == path.back();
        if (!loop) sum -= f.knownH.at(path.back()) - f.knownH.at(path.front());
        const double tenths = std::trunc(std::fabs(sum) * 10000 + 0.01) * (sum < 0 ? -1 : 1);
        EXPECT_EQ(cl.cell(r, 2).text, text::format("%6.1f", tenths / 10));
        expectShown(cl.cell(r, 1).text, km, 0.01);
        EXPECT_EQ(cl.cell(r, 3).text, text::format("%6.1f", std::trunc(40 * std::sqrt(km) * 10) / 10));
        EXPECT_EQ(cl.cell(r, 4).text, std::fabs(tenths) > std::trunc(40 * std::sqrt(km) * 10) ? "闭合差超限" : "");
    }
}

TEST(ControlTables, CurvatureAndRefractionOfAReciprocalPair) {
    // From A, B (north) and C (east) 1 km away, B 12.345 m and C 3.21 m higher,
    // observed by slope distance and zenith angle as the instrument sees them
    // under refraction k = 0.14 on a sphere of radius 6371 km: every apparent
    // height is short by (1 - k) D^2 / 2R = 67.5 mm. A to B is measured both ways.
    const double D = 1000, c = (1 - 0.14) * D * D / (2 * 6371000.0);
    ControlModule m;
    m.network.knownPoints = {{"A", "", 0, 0, 100}, {"W", "", 0, -500, 90}};
    m.network.control.observationType = kSlopeAndZenith;
    m.network.control.angleSigma = 2;
    m.network.control.distanceFixedError = 2;
    m.network.control.distancePpm = 2;
    auto sight = [&](const char* to, double direction, double i, double v, double rise) {
        SurveyObservation o;
        o.targetName = to;
        const double apparent = rise - i + v - c;  // S cos Z
        o.distance = std::hypot(D, apparent);
        o.verticalOrHeight = std::atan2(D, apparent) * 180 / kPi;
        o.targetHeight = v;
        o.direction = direction;
        return o;
    };
    SurveyStation a, b;
    a.name = "A";
    a.instrumentHeight = 1.52;
    a.observations = {sight("B", 0, 1.52, 1.61, 12.345), sight("C", 90, 1.52, 1.3, 3.21)};
    SurveyObservation west;
    west.targetName = "W";
    west.direction = 270;
    a.observations.push_back(west);
    b.name = "B";
    b.instrumentHeight = 1.47;
    b.observations = {sight("A", 180, 1.47, 1.35, -12.345)};
    m.network.stations = {a, b};
    struct Case {
        double k;
        bool correct;
        std::string difference;  // 较差(mm) of A - B
        double c;                // height of C
    };
    // The reciprocal mean cancels the correction; a one-way height keeps it.
    // k = 0 still corrects for the curvature of the earth: each one-way height
    // is then 0.14 D^2 / 2R too high; without the correction it is c too low.
    const double curvature = D * D / (2 * 6371000.0);
    for (const Case& k : {Case{0.14, true, "  0.00", 103.21}, Case{0.0, true, " 21.97", 103.21 + 0.14 * curvature},
                          Case{0.14, false, "134.99", 103.21 - c}}) {
        SCOPED_TRACE(k.k);
        ScriptedPrompter p;
        m.correctCurvature = k.correct;
        setControlRefraction(m, k.k, p);
        EXPECT_EQ(m.refraction, k.k);
        Grid fr = buildControlTable(m, st::kControlForwardReturn);
        ASSERT_GE(fr.rowCount(), 2);
        EXPECT_EQ(fr.cell(0, 2).text, "B");
        EXPECT_EQ(fr.cell(0, 8).text, k.difference);
        expectShown(fr.cell(0, 9).text, 12.345, 1e-5);
        ASSERT_TRUE(m.heights.adjusted);
        const int ci = m.heights.findPoint("C"), bi = m.heights.findPoint("B");
        EXPECT_NEAR(m.heights.heights[static_cast<std::size_t>(ci)], k.c, 1e-9);
        EXPECT_NEAR(m.heights.heights[static_cast<std::size_t>(bi)], 112.345, 1e-9);
    }
}

TEST(ControlTables, PlaneClosuresMarkedAgainstThePaneLimits) {
    // A triangle A-B-E observed all round with 6" of misclosure, and a traverse
    // A-T1-T2-C (oriented on B and D) with 12" of angular misclosure.
    std::map<std::string, PlanePoint> truth = {{"A", {1200, 1000}}, {"B", {1000, 800}},  {"C", {1700, 1720}}, {"D", {1650, 2000}},
                                               {"T1", {1450, 1180}}, {"T2", {1500, 1500}}, {"E", {900, 1100}}};
    ControlModule m;
    SurveyNetwork& net = m.network;
    for (const char* k : {"A", "B", "C", "D"}) net.knownPoints.push_back({k, "", truth[k].x, truth[k].y, 0});
    net.control.angleSigma = 2;
    net.control.distanceFixedError = 2;
    net.control.distancePpm = 2;
    auto station = [&](const char* name, std::vector<std::pair<const char*, bool>> targets) {
        SurveyStation s;
        s.name = name;
        for (auto [t, distance] : targets) {
            SurveyObservation o;
            o.targetName = t;
            const PolarVector v = joinPoints(truth[t].x - truth[name].x, truth[t].y - truth[name].y);
            o.direction = normalizeAngle(v.azimuth - 30);
            if (distance) o.distance = v.distance;
            s.observations.push_back(o);
        }
        net.stations.push_back(s);
    };
    station("A", {{"B", false}, {"T1", true}, {"E", false}});
    station("B", {{"E", false}, {"A", false}});
    station("E", {{"B", false}, {"A", false}});
    station("T1", {{"A", true}, {"T2", true}});
    station("T2", {{"T1", true}, {"C", true}});
    station("C", {{"T2", true}, {"D", false}});
    net.stations[2].observations[1].direction += 6.0 / 3600;  // at E the angle from B to A is the inner one
    net.stations[3].observations[1].direction += 12.0 / 3600;
    struct Case {
        double triangle, azimuth, traverse;
        bool triangleRed, angularRed;
        std::string triangleLimit, angularLimit, traverseLimit;
    };
    for (const Case& c : {Case{9, 5, 10, false, true, "   9.0", "  10.0", "  17.3"}, Case{5, 7, 10, true, false, "   5.0", "  14.0", "  17.3"},
                          Case{0, 0, 0, false, false, "", "", ""}}) {
        SCOPED_TRACE(c.triangle);
        net.control.triangleClosureLimit = c.triangle;
        net.control.azimuthClosureCoefficient = c.azimuth;
        net.control.traverseClosureCoefficient = c.traverse;
        ScriptedPrompter p;
        solveControlModule(m, p);
        Grid g = buildControlTable(m, st::kPlaneClosures);
        ASSERT_EQ(g.columnCount(), 13);
        EXPECT_EQ(g.columns[3].caption, "角度闭合差(″)");
        EXPECT_EQ(g.columns[11].caption, "全长相对闭合差");
        ASSERT_EQ(g.rowCount(), 2);
        const GridRow& tri = g.rows[0];
        EXPECT_EQ(tri.cells[0].text, "三角形");
        EXPECT_EQ(tri.cells[1].text, "A - B - E");
        EXPECT_EQ(tri.cells[3].text, "   6.0");
        EXPECT_EQ(tri.cells[4].text, c.triangleLimit);
        EXPECT_EQ(tri.cells[3].red, c.triangleRed);
        EXPECT_EQ(tri.cells[12].text, c.triangleRed ? "闭合差超限" : "");
        const GridRow& tr = g.rows[1];
        EXPECT_EQ(tr.cells[0].text, "导线");
        EXPECT_EQ(tr.cells[1].text, "A - T1 - T2 - C");
        EXPECT_EQ(tr.cells[2].text, "4");
        EXPECT_EQ(tr.cells[3].text, "  12.0");
        EXPECT_EQ(tr.cells[4].text, c.angularLimit);
        EXPECT_EQ(tr.cells[3].red, c.angularRed);
        EXPECT_EQ(tr.cells[5].text, "3");
        const double length = std::hypot(250, 180) + std::hypot(50, 320) + std::hypot(200, 220);
        EXPECT_EQ(tr.cells[6].text, text::format("%9.3f", length));
        EXPECT_EQ(tr.cells[10].text, c.traverseLimit);
        EXPECT_FALSE(tr.cells[9].red);
        EXPECT_EQ(tr.cells[12].text, c.angularRed ? "闭合差超限" : "");
        // 1/T from the shown closure; never marked.
        const double f = num(tr.cells[9].text) / 1000;
        ASSERT_GT(f, 0);
        EXPECT_NEAR(num(tr.cells[11].text.substr(2)), length / f, 0.1 * length / f);
        EXPECT_FALSE(tr.cells[11].red);
    }
    EXPECT_EQ(surveyTableCode("plane-closures", SurveyModuleKind::Control), st::kPlaneClosures);
}

}  // namespace
}  // namespace vornex
