#include "adjust/leveling_adjust.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "adjust/envelope.h"

#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

// One station whose mean height difference is h (m, a multiple of 0.01 mm) with
// back and front sight lengths in m, for a back staff of 4687 (first station,
// selector 0): the red-face difference is the black one minus 100 mm.
LevelingStation stationFor(double h, double back, double front) {
    LevelingStation s;
    const auto hu = static_cast<std::int32_t>(std::llround(h * 100000));
    s.readings[0] = 200000 + static_cast<std::int32_t>(std::llround(back * 1000));
    s.readings[2] = 200000;
    s.readings[4] = 200000 + static_cast<std::int32_t>(std::llround(front * 1000));
    s.readings[6] = 200000;
    s.readings[1] = 150000 + hu;
    s.readings[5] = 150000;
    s.readings[3] = s.readings[1] + 458700;
    s.readings[7] = s.readings[5] + 468700;
    return s;
}

struct Leg {
    const char* from;
    const char* to;
    double h;       // m
    double length;  // m (split evenly between back and front sights)
    int stations = 1;
    bool excluded = false;
};

SurveyNetwork network(std::vector<ControlPoint> known, const std::vector<Leg>& runs, int weighting = 0) {
    SurveyNetwork net;
    net.knownPoints = std::move(known);
    net.leveling.weighting = weighting;
    net.leveling.closureCoefficient = 20;
    for (const Leg& r : runs) {
        LevelingSection s;
        s.startName = r.from;
        s.endName = r.to;
        s.excluded = r.excluded ? 1 : 0;
        // Stations alternate staffs; the first carries the whole difference, the
        // others measure nothing (their two faces cancel by the staff constants).
        for (int j = 0; j < r.stations; ++j) {
            LevelingStation st = stationFor(j == 0 ? r.h : 0.0, r.length / r.stations / 2, r.length / r.stations / 2);
            if (j % 2 == 1) {  // back staff 4787 on odd stations: red difference is black + 100 mm
                st.readings[3] = st.readings[1] + 478700;
                st.readings[7] = st.readings[5] + 468700;
            }
            s.stations.push_back(st);
        }
        net.sections.push_back(s);
    }
    return net;
}

// Independent solution: the normal equations of the unknown heights only (known
// heights moved to the right-hand side), solved by Cholesky. Observations are
// given already merged: (from, to, h, p).
struct Obs {
    std::string from, to;
    double h, p;
};
struct Reference {
    std::map<std::string, double> heights;
    std::map<std::string, double> heightSigmaMm;
    double sigma0 = 0;
};
Reference referenceSolution(const std::map<std::string, double>& known, const std::vector<Obs>& obs) {
    std::vector<std::string> names;
    std::map<std::string, int> index;
    for (const Obs& o : obs)
        for (const std::string& n : {o.from, o.to})
            if (!known.count(n) && !index.count(n)) {
                index[n] = static_cast<int>(names.size());
                names.push_back(n);
            }
    const int n = static_cast<int>(names.size());
    std::vector<std::vector<double>> N(n, std::vector<double>(n, 0.0));
    std::vector<double> U(n, 0.0);
    for (const Obs& o : obs) {
        // v = H_to - H_from - h: coefficient +1 for to, -1 for from; constant from known heights.
        double c = -o.h;
        std::vector<std::pair<int, double>> a;
        if (known.count(o.to)) c += known.at(o.to); else a.push_back({index[o.to], 1.0});
        if (known.count(o.from)) c -= known.at(o.from); else a.push_back({index[o.from], -1.0});
        for (auto [i, ai] : a) {
            U[static_cast<std::size_t>(i)] -= o.p * ai * c;
            for (auto [j, aj] : a) N[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] += o.p * ai * aj;
        }
    }
    // Cholesky N = L L^T, then the inverse column by column.
    std::vector<std::vector<double>> L(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = N[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
            for (int k = 0; k < j; ++k) s -= L[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] * L[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)];
            L[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = i == j ? std::sqrt(s) : s / L[static_cast<std::size_t>(j)][static_cast<std::size_t>(j)];
        }
    auto solve = [&](std::vector<double> b) {
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
    std::vector<double> x = solve(U);
    Reference ref;
    auto H = [&](const std::string& name) { return known.count(name) ? known.at(name) : x[static_cast<std::size_t>(index.at(name))]; };
    double pvv = 0;
    for (const Obs& o : obs) {
        double v = H(o.to) - H(o.from) - o.h;
        pvv += o.p * v * v;
    }
    ref.sigma0 = std::sqrt(pvv / (static_cast<double>(obs.size()) - n));
    for (int i = 0; i < n; ++i) {
        std::vector<double> e(n, 0.0);
        e[static_cast<std::size_t>(i)] = 1;
        double qii = solve(e)[static_cast<std::size_t>(i)];
        ref.heights[names[static_cast<std::size_t>(i)]] = x[static_cast<std::size_t>(i)];
        ref.heightSigmaMm[names[static_cast<std::size_t>(i)]] = ref.sigma0 * std::sqrt(qii) * 1000;
    }
    return ref;
}

const std::vector<ControlPoint> kKnown = {{"BM1", "", 0, 0, 100.0}, {"BM2", "", 0, 0, 105.0}};

// A network with loops, a merged return run and an excluded section.
const std::vector<Leg> kRuns = {
    {"BM1", "P1", 1.23456, 800},  {"P1", "P2", 2.00012, 1200}, {"P2", "BM2", 1.76521, 900},
    {"P1", "P3", 0.50023, 700},   {"P3", "BM2", 3.26498, 1100}, {"P2", "P3", -1.49999, 600},
    {"P2", "P1", -2.00030, 1000}, {"P3", "BM1", 99.0, 100, 1, true},
};

TEST(LevelingAdjust, MatchesAnIndependentSolution) {
    SurveyNetwork net = network(kKnown, kRuns);
    for (NormalSolver solver : {NormalSolver::Dense, NormalSolver::Envelope}) {
        CLevelingAdjust adj;
        adj.buildFromLeveling(net);
        adj.setSolver(solver);
        ScriptedPrompter p;
        ASSERT_EQ(adj.solveHeights(p), 1);
        EXPECT_TRUE(p.shown.empty());
        // Points: known first, then in section order; the excluded section adds nothing.
        EXPECT_EQ(adj.pointNames, (std::vector<std::string>{"BM1", "BM2", "P1", "P2", "P3"}));
        ASSERT_EQ(adj.observationCount, 6);  // P2 -> P1 merged into P1 -> P2
        EXPECT_NEAR(adj.observed[1], (2.00012 + 2.00030) / 2, 1e-12);
        EXPECT_NEAR(1.0 / adj.weight[1], 1.1, 1e-12);  // mean length in km

        std::vector<Obs> obs = {{"BM1", "P1", 1.23456, 1 / 0.8}, {"P1", "P2", 2.00021, 1 / 1.1},
                                {"P2", "BM2", 1.76521, 1 / 0.9}, {"P1", "P3", 0.50023, 1 / 0.7},
                                {"P3", "BM2", 3.26498, 1 / 1.1}, {"P2", "P3", -1.49999, 1 / 0.6}};
        Reference ref = referenceSolution({{"BM1", 100.0}, {"BM2", 105.0}}, obs);
        ASSERT_TRUE(adj.hasSigma0);
        EXPECT_NEAR(adj.sigma0, ref.sigma0, 1e-8);
        for (int i = 2; i < 5; ++i) {
            EXPECT_NEAR(adj.heights[static_cast<std::size_t>(i)], ref.heights[adj.pointNames[static_cast<std::size_t>(i)]], 1e-8);
            EXPECT_NEAR(adj.heightStandardError(i), ref.heightSigmaMm[adj.pointNames[static_cast<std::size_t>(i)]], 1e-8);
        }
        EXPECT_NEAR(adj.heights[0], 100.0, 1e-12);
        EXPECT_NEAR(adj.heights[1], 105.0, 1e-12);
        for (int k = 0; k < adj.observationCount; ++k) {
            const auto sk = static_cast<std::size_t>(k);
            EXPECT_NEAR(adj.residual[sk], adj.heights[static_cast<std::size_t>(adj.toIndex[sk])] - adj.heights[static_cast<std::size_t>(adj.fromIndex[sk])] - adj.observed[sk], 1e-12);
        }
    }
}

// The closure passes exactly as described, scanning every observation in every pass.
PathSearch referencePasses(const CLevelingAdjust& a, int s, int ignore) {
    const auto n = static_cast<std::size_t>(a.pointCount);
    PathSearch r{std::vector<int>(n, -1), std::vector<double>(n, 1e30), std::vector<double>(n, 0.0)};
    r.predecessor[static_cast<std::size_t>(s)] = s;
    r.cost[static_cast<std::size_t>(s)] = 0;
    for (bool changed = true; changed;) {
        changed = false;
        for (int k = 0; k < a.observationCount; ++k) {
            if (k == ignore) continue;
            auto f = static_cast<std::size_t>(a.fromIndex[static_cast<std::size_t>(k)]), t = static_cast<std::size_t>(a.toIndex[static_cast<std::size_t>(k)]);
            if (r.predecessor[f] < 0 && r.predecessor[t] < 0) continue;
            double c = 1 / a.weight[static_cast<std::size_t>(k)];
            if (r.cost[f] + c < r.cost[t]) {
                r.predecessor[t] = static_cast<int>(f);
                r.cost[t] = r.cost[f] + c;
                r.height[t] = r.height[f] + a.observed[static_cast<std::size_t>(k)];
                changed = true;
            } else if (r.cost[t] + c < r.cost[f]) {
                r.predecessor[f] = static_cast<int>(t);
                r.cost[f] = r.cost[t] + c;
                r.height[f] = r.height[t] - a.observed[static_cast<std::size_t>(k)];
                changed = true;
            }
        }
    }
    return r;
}

TEST(LevelingAdjust, ClosureSearchFollowsThePasses) {
    // A grid of equal sections has many equally short paths: the search must
    // choose the same ones as the full passes.
    std::vector<Leg> runs;
    std::vector<std::string> names;
    const int w = 7, h = 5;
    auto nm = [&](int i, int j) { return "G" + std::to_string(i) + "_" + std::to_string(j); };
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) names.push_back(nm(i, j));
    std::vector<std::pair<std::string, std::string>> edges;
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
            if (j + 1 < w) edges.push_back({nm(i, j), nm(i, j + 1)});
            if (i + 1 < h) edges.push_back({nm(i + 1, j), nm(i, j)});
        }
    // Shuffle deterministically so the pass order matters.
    for (std::size_t k = 0; k < edges.size(); ++k) std::swap(edges[k], edges[(k * 17 + 3) % edges.size()]);
    std::vector<std::string> storage;
    storage.reserve(edges.size() * 2);
    for (std::size_t k = 0; k < edges.size(); ++k) {
        storage.push_back(edges[k].first);
        storage.push_back(edges[k].second);
    }
    for (std::size_t k = 0; k < edges.size(); ++k)
        runs.push_back({storage[2 * k].c_str(), storage[2 * k + 1].c_str(), 0.001 * static_cast<double>(k % 7), 500, 4});
    std::vector<ControlPoint> known = {{nm(0, 0).c_str(), "", 0, 0, 10}, {nm(4, 6).c_str(), "", 0, 0, 10.02}, {nm(2, 3).c_str(), "", 0, 0, 10.01}};
    for (int weighting : {0, 1}) {
        CLevelingAdjust adj;
        adj.buildFromLeveling(network(known, runs, weighting));
        ScriptedPrompter p;
        ASSERT_EQ(adj.solveHeights(p), 1);
        for (int s = 0; s < adj.pointCount; s += 5)
            for (int ignore : {-1, 3, 20}) {
                PathSearch a = adj.searchPaths(s, ignore), b = referencePasses(adj, s, ignore);
                EXPECT_EQ(a.predecessor, b.predecessor);
                EXPECT_EQ(a.cost, b.cost);
                EXPECT_EQ(a.height, b.height);
                // Aimed at one point, the search may leave far points alone, but
                // that point's path, cost and height are those of the full passes.
                for (int t = 0; t < adj.pointCount; t += 3) {
                    PathSearch c = adj.searchPaths(s, ignore, t);
                    for (int v = t, steps = 0; v >= 0 && steps <= adj.pointCount; ++steps) {
                        const auto sv = static_cast<std::size_t>(v);
                        ASSERT_EQ(c.predecessor[sv], b.predecessor[sv]);
                        EXPECT_EQ(c.cost[sv], b.cost[sv]);
                        EXPECT_EQ(c.height[sv], b.height[sv]);
                        if (v == s) break;
                        v = b.predecessor[sv];
                    }
                }
            }
        // 3 line closures, then the loops.
        int lines = 0;
        for (const ClosureRecord& c : adj.closures) lines += c.points().front() != c.points().back();
        EXPECT_EQ(lines, 3);
        EXPECT_GT(static_cast<int>(adj.closures.size()), lines);
        // Stations weighting: lengths are station counts x 1000.
        if (weighting == 1) {
            for (const ClosureRecord& c : adj.closures) EXPECT_EQ(c.lengthValue() % 4000, 0);
        }
        EXPECT_FALSE(adj.closuresCut);
        // A listing stopped by its work bound keeps what it listed and says it
        // is cut; solved again without the bound, it is whole.
        const std::vector<ClosureRecord> whole = adj.closures;
        adj.closureWorkLimit = 40;
        ASSERT_EQ(adj.solveHeights(p), 1);
        EXPECT_TRUE(adj.closuresCut);
        ASSERT_LT(adj.closures.size(), whole.size());
        for (std::size_t k = 0; k < adj.closures.size(); ++k) EXPECT_EQ(adj.closures[k].values, whole[k].values);
        adj.closureWorkLimit = std::size_t{1} << 25;
        ASSERT_EQ(adj.solveHeights(p), 1);
        EXPECT_FALSE(adj.closuresCut);
        EXPECT_EQ(adj.closures.size(), whole.size());
    }
}

TEST(LevelingAdjust, LineClosureValues) {
    // Open line BM1 -> P -> BM2 (300 m, 600 m): one line closure, no loop. w = 0.5 + 0.50125 + 0 - 1 = +1.25 mm
    // is stored as -12 (the magnitude truncated).
    std::vector<ControlPoint> known = {{"BM1", "", 0, 0, 0.0}, {"BM2", "", 0, 0, 1.0}};
    for (int weighting : {0, 1}) {
        SCOPED_TRACE(weighting);
        CLevelingAdjust adj;
        adj.buildFromLeveling(network(known, {{"BM1", "P", 0.5, 300, 2}, {"P", "BM2", 0.50125, 600, 3}}, weighting));
        ScriptedPrompter p;
        ASSERT_EQ(adj.solveHeights(p), 1);
        // Two runs, two known points, one unknown: one redundant observation, so
        // sigma0 = sqrt(pvv) with pvv = w^2 / sum(1/p) for a single condition.
        ASSERT_TRUE(adj.hasSigma0);
        const double sumQ = weighting == 0 ? 0.9 : 5.0;  // km, or stations
        EXPECT_NEAR(adj.sigma0, 0.00125 / std::sqrt(sumQ), 1e-12);
        ASSERT_EQ(adj.closures.size(), 1u);
        const ClosureRecord& c = adj.closures[0];
        EXPECT_EQ(c.misclosure(), -12);
        if (weighting == 0) {
            EXPECT_NEAR(c.lengthValue(), 900, 1);  // metres, truncated
            EXPECT_EQ(c.tolerance(), static_cast<int>(20 * std::sqrt(0.9) * 10));  // 20 sqrt(L km)
        } else {
            EXPECT_EQ(c.lengthValue(), 5000);                                  // 5 stations
            EXPECT_EQ(c.tolerance(), static_cast<int>(20 * std::sqrt(5.0) * 10));
        }
        EXPECT_EQ(c.points(), (std::vector<std::int32_t>{1, 2, 0}));  // BM2, P, BM1
        EXPECT_NEAR(adj.heights[2], 0.5 - 0.00125 * 0.3 / 0.9 * (weighting == 0) - 0.00125 * 2 / 5.0 * (weighting == 1), 1e-9);

        // Without BM2's height there is nothing redundant: no sigma0 and no closure.
        CLevelingAdjust open;
        open.buildFromLeveling(network({known[0]}, {{"BM1", "P", 0.5, 300, 2}, {"P", "BM2", 0.50125, 600, 3}}, weighting));
        ASSERT_EQ(open.solveHeights(p), 1);
        EXPECT_FALSE(open.hasSigma0);
        EXPECT_EQ(open.sigma0, 0.0);
        EXPECT_TRUE(open.closures.empty());
    }
}

TEST(LevelingAdjust, RunsRememberTheirObservationAndSection) {
    // Sections of two lines interleaved, returns first measured backwards, one
    // excluded and one empty: each used run names its observation, direction
    // and section, so the tables need no search by names.
    std::vector<ControlPoint> known = {{"A", "", 0, 0, 0.0}};
    SurveyNetwork net = network(known, {{"A", "B", 1.0, 100},
                                        {"C", "B", -2.0, 100},
                                        {"B", "A", -1.002, 100},
                                        {"A", "B", 9.0, 100, 1, true},
                                        {"B", "C", 2.004, 100},
                                        {"A", "B", 1.004, 100}});
    LevelingSection empty;
    empty.startName = "B";
    empty.endName = "A";
    net.sections.insert(net.sections.begin() + 1, empty);  // section 1: no stations, no weight
    CLevelingAdjust adj;
    adj.buildFromLeveling(net);
    ASSERT_EQ(adj.observationCount, 2);
    struct Expected {
        int observation;
        bool forward;
        double value;
        int section;
    };
    const std::vector<Expected> expected = {{0, true, 1.0, 0}, {1, true, -2.0, 2}, {0, false, -1.002, 3},
                                            {1, false, 2.004, 5}, {0, true, 1.004, 6}};
    ASSERT_EQ(adj.runs.size(), expected.size());
    for (std::size_t r = 0; r < expected.size(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(adj.runs[r].observation, expected[r].observation);
        EXPECT_EQ(adj.runs[r].forward, expected[r].forward);
        EXPECT_NEAR(adj.runs[r].value, expected[r].value, 1e-12);
        EXPECT_EQ(adj.runs[r].source, expected[r].section);
        EXPECT_NEAR(adj.runs[r].quantity, 100, 1e-9);
    }
    // The observation holds the mean of exactly these runs.
    EXPECT_NEAR(adj.observed[0], (1.0 + 1.002 + 1.004) / 3, 1e-12);
    EXPECT_NEAR(adj.observed[1], (-2.0 - 2.004) / 2, 1e-12);
}

TEST(LevelingAdjust, LoopClosureRecord) {
    // Triangle BM1 -> A -> B -> BM1 with a misclosure of -3 mm.
    std::vector<ControlPoint> known = {{"BM1", "", 0, 0, 10.0}};
    CLevelingAdjust adj;
    adj.buildFromLeveling(network(known, {{"BM1", "A", 1.0, 1000}, {"A", "B", 2.0, 1000}, {"B", "BM1", -3.003, 2000}}));
    ScriptedPrompter p;
    ASSERT_EQ(adj.solveHeights(p), 1);
    ASSERT_EQ(adj.closures.size(), 1u);
    const ClosureRecord& c = adj.closures[0];
    // Loop of observation 0: from BM1, around through B and A, back to BM1.
    EXPECT_EQ(c.points(), (std::vector<std::int32_t>{0, 2, 1, 0}));
    EXPECT_EQ(c.lengthValue(), 4000);
    EXPECT_EQ(c.misclosure(), 30);
    EXPECT_EQ(c.tolerance(), static_cast<int>(20 * std::sqrt(4.0) * 10));
    ASSERT_TRUE(adj.hasSigma0);
}

TEST(LevelingAdjust, FailuresAndDegenerateRuns) {
    ScriptedPrompter p;
    // A point joined to no known height.
    CLevelingAdjust adj;
    adj.buildFromLeveling(network(kKnown, {{"BM1", "P1", 1, 100}, {"X", "Y", 1, 100}}));
    EXPECT_EQ(adj.solveHeights(p), 0);
    EXPECT_EQ(p.shown, (std::vector<std::string>{"近似高程计算失败！"}));
    EXPECT_EQ(adj.adjusted, 0);
    // A section without stations is no observation: it would average a zero
    // height difference into its return run.
    SurveyNetwork net = network(kKnown, {{"BM1", "P1", 1.5, 100}, {"P1", "BM2", 3.5, 100}});
    LevelingSection empty;
    empty.startName = "P1";
    empty.endName = "BM1";
    net.sections.push_back(empty);
    adj.buildFromLeveling(net);
    EXPECT_EQ(adj.observationCount, 2);
    EXPECT_NEAR(adj.observed[0], 1.5, 1e-12);
    ASSERT_EQ(adj.solveHeights(p), 1);
    EXPECT_NEAR(adj.heights[2], 101.5, 1e-9);
    EXPECT_TRUE(adj.hasSigma0);  // 2 observations + 2 known - 3 points = 1
    // No redundancy: no sigma0, no standard errors.
    adj.buildFromLeveling(network(kKnown, {{"BM1", "P1", 1.5, 100}}));
    ASSERT_EQ(adj.solveHeights(p), 1);
    EXPECT_FALSE(adj.hasSigma0);
    EXPECT_EQ(adj.heightStandardError(2), 0);
    // Nothing to adjust.
    adj.buildFromLeveling(SurveyNetwork{});
    EXPECT_EQ(adj.solveHeights(p), 0);
}

TEST(LevelingAdjust, DenseAndEnvelopeAgreeOnALargerNetwork) {
    // 18 x 18 grid, enough unknowns for the automatic choice to take the envelope path.
    std::vector<std::string> storage;
    std::vector<std::pair<int, int>> e;
    auto nm = [](int i, int j) { return "N" + std::to_string(i) + "-" + std::to_string(j); };
    const int g = 18;
    std::vector<std::string> names;
    storage.reserve(4 * g * g);
    std::vector<Leg> runs;
    for (int i = 0; i < g; ++i)
        for (int j = 0; j < g; ++j) {
            if (j + 1 < g) {
                storage.push_back(nm(i, j));
                storage.push_back(nm(i, j + 1));
            }
            if (i + 1 < g) {
                storage.push_back(nm(i, j));
                storage.push_back(nm(i + 1, j));
            }
        }
    for (std::size_t k = 0; k + 1 < storage.size(); k += 2)
        runs.push_back({storage[k].c_str(), storage[k + 1].c_str(), 0.01 * static_cast<double>((k * 7) % 11) - 0.05, 300.0 + static_cast<double>(k % 5) * 100});
    std::vector<ControlPoint> known = {{"N0-0", "", 0, 0, 50}, {nm(g - 1, g - 1).c_str(), "", 0, 0, 50.3}};
    SurveyNetwork net = network(known, runs);
    CLevelingAdjust dense, sparse;
    dense.buildFromLeveling(net);
    sparse.buildFromLeveling(net);
    dense.setSolver(NormalSolver::Dense);
    ScriptedPrompter p;
    ASSERT_EQ(dense.solveHeights(p), 1);
    ASSERT_EQ(sparse.solveHeights(p), 1);
    ASSERT_TRUE(sparse.usesEnvelope());
    ASSERT_FALSE(dense.usesEnvelope());
    EXPECT_NEAR(dense.sigma0, sparse.sigma0, 1e-9);
    for (int i = 0; i < dense.pointCount; ++i) {
        EXPECT_NEAR(dense.heights[static_cast<std::size_t>(i)], sparse.heights[static_cast<std::size_t>(i)], 1e-9);
        EXPECT_NEAR(dense.heightStandardError(i), sparse.heightStandardError(i), 1e-9);
    }
    for (int k = 0; k < dense.observationCount; ++k) EXPECT_NEAR(dense.observationStandardError(k), sparse.observationStandardError(k), 1e-9);
    ASSERT_EQ(dense.closures.size(), sparse.closures.size());
    for (std::size_t c = 0; c < dense.closures.size(); ++c) EXPECT_EQ(dense.closures[c].values, sparse.closures[c].values);
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

TEST(LevelingAdjust, RepeatedRunsGiveTheirMean) {
    // Forward, return and forward again: every run counts alike, in any order.
    CLevelingAdjust a;
    a.enterKnownPoints({{"A", "", 0, 0, 0}});
    const int A = 0, B = a.pointIndex("B");
    a.addRun(A, B, 1.003, 0.3);
    a.addRun(B, A, -0.999, 0.5);
    EXPECT_NEAR(a.observed[0], (1.003 + 0.999) / 2, 1e-15);  // two runs: the plain mean
    EXPECT_NEAR(a.quantity[0], 0.4, 1e-15);
    a.addRun(A, B, 1.000, 0.4);
    a.finishBuild(1.0);
    ASSERT_EQ(a.observationCount, 1);
    EXPECT_NEAR(a.observed[0], (1.003 + 0.999 + 1.000) / 3, 1e-15);
    EXPECT_NEAR(a.quantity[0], 0.4, 1e-15);
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

TEST(LevelingAdjust, HostileNetworkIsRefusedQuickly) {
    // 60,000 runs between random pairs of 6,000 points: no ordering makes this
    // sparse, and factoring it would take minutes. The work bound refuses it
    // before anything is factored, with a message that names that bound.
    CLevelingAdjust a;
    a.setNormalLimits({1e12, machineNormalLimits().work});  // memory is no matter here
    a.enterKnownPoints({{"N0", "", 0, 0, 0}});
    std::uint32_t x = 12345;
    auto next = [&] { return x = x * 1103515245u + 12345u, (x >> 8) % 6000; };
    for (int i = 1; i < 6000; ++i) a.addRun(a.pointIndex("N" + std::to_string(next() % static_cast<unsigned>(i))), a.pointIndex("N" + std::to_string(i)), 0.1, 1);
    for (int k = 0; k < 54000; ++k) {
        const auto p = next(), q = next();
        if (p != q) a.addRun(a.pointIndex("N" + std::to_string(p)), a.pointIndex("N" + std::to_string(q)), 0.1, 1);
    }
    a.finishBuild(1.0);
    ScriptedPrompter prompter;
    EXPECT_EQ(a.solveHeights(prompter), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].rfind("网点过多，计算量过大，不能平差！\n法方程分解约需", 0), 0u) << prompter.shown[0];
}

// n x n leveling grid, one run per edge, known heights at two corners.
CLevelingAdjust levelingGrid(int n) {
    CLevelingAdjust a;
    auto name = [](int i, int j) { return "G" + std::to_string(i) + "_" + std::to_string(j); };
    a.enterKnownPoints({{"G0_0", "", 0, 0, 0}, {name(n - 1, n - 1).c_str(), "", 0, 0, 0}});
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (j + 1 < n) a.addRun(a.pointIndex(name(i, j)), a.pointIndex(name(i, j + 1)), 0.001 * ((i + j) % 3), 1);
            if (i + 1 < n) a.addRun(a.pointIndex(name(i, j)), a.pointIndex(name(i + 1, j)), 0.001 * ((i * j) % 3), 1);
        }
    a.finishBuild(1.0);
    return a;
}

TEST(LevelingAdjust, MemoryAndWorkBoundsAreToldApart) {
    // The memory bound: a grid beyond it is refused with the memory message,
    // which names what it needs and what is allowed.
    CLevelingAdjust a = levelingGrid(40);
    a.listClosures = false;
    a.setNormalLimits({1024.0 * 1024, 1e10});
    ScriptedPrompter prompter;
    EXPECT_EQ(a.solveHeights(prompter), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].rfind("网点过多，内存不足，不能平差！\n法方程约需", 0), 0u) << prompter.shown[0];
    EXPECT_NE(prompter.shown[0].find("上限1 MB"), std::string::npos) << prompter.shown[0];
    // With room it adjusts.
    a.setNormalLimits({64.0 * 1024 * 1024, 1e10});
    EXPECT_EQ(a.solveHeights(prompter), 1);

    // A 300 x 300 grid (90,000 points) needs a few hundred MB and a few seconds
    // of factorisation: within the work bound, and within the memory bound of
    // any machine with 2 GB. The need is measured without building anything.
    std::vector<std::vector<int>> adjacency(90000);
    for (int i = 0; i < 300; ++i)
        for (int j = 0; j < 300; ++j) {
            if (j + 1 < 300) adjacency[static_cast<std::size_t>(i * 300 + j)].push_back(i * 300 + j + 1);
            if (i + 1 < 300) adjacency[static_cast<std::size_t>(i * 300 + j)].push_back((i + 1) * 300 + j);
        }
    EnvelopeMatrix e;
    EXPECT_FALSE(e.build(90000, adjacency, {0, 0}));
    EXPECT_GT(e.need().work, 1e9);
    EXPECT_LT(e.need().work, machineNormalLimits().work / 2);
    EXPECT_LT(e.need().bytes, 1024.0 * 1024 * 1024);
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

TEST(LevelingAdjust, EverySolverMatchesAnIndependentDenseSolution) {
    // A 15 x 20 grid with unequal sections and three known points: heights and
    // their standard errors from each solver equal the independent dense
    // solution to 0.01 mm, and the standard errors of the observations agree
    // between the solvers.
    const int rows = 15, cols = 20;
    auto nm = [](int i, int j) { return "S" + std::to_string(i) + "-" + std::to_string(j); };
    std::vector<std::string> storage;
    storage.reserve(4 * rows * cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            if (j + 1 < cols) storage.insert(storage.end(), {nm(i, j), nm(i, j + 1)});
            if (i + 1 < rows) storage.insert(storage.end(), {nm(i + 1, j), nm(i, j)});
        }
    std::vector<Leg> runs;
    for (std::size_t k = 0; k + 1 < storage.size(); k += 2)
        runs.push_back({storage[k].c_str(), storage[k + 1].c_str(), 0.37 * std::sin(0.1 * static_cast<double>(k)) + 0.0004 * static_cast<double>(k % 7),
                        250.0 + 90.0 * static_cast<double>(k % 11)});
    const std::map<std::string, double> knownHeights = {{nm(0, 0), 50}, {nm(rows - 1, cols - 1), 50.3}, {nm(7, 3), 49.8}};
    std::vector<ControlPoint> known;
    for (const auto& [name, h] : knownHeights) known.push_back({name.c_str(), "", 0, 0, h});
    const SurveyNetwork net = network(known, runs);

    CLevelingAdjust dense;
    dense.buildFromLeveling(net);
    dense.setSolver(NormalSolver::Dense);
    ScriptedPrompter p;
    ASSERT_EQ(dense.solveHeights(p), 1);
    std::vector<Obs> obs;
    for (int k = 0; k < dense.observationCount; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        obs.push_back({dense.pointNames[static_cast<std::size_t>(dense.fromIndex[sk])], dense.pointNames[static_cast<std::size_t>(dense.toIndex[sk])],
                       dense.observed[sk], dense.weight[sk]});
    }
    const Reference ref = referenceSolution(knownHeights, obs);

    for (NormalSolver solver : {NormalSolver::Automatic, NormalSolver::Dense, NormalSolver::Envelope, NormalSolver::Sparse}) {
        CLevelingAdjust adj;
        adj.buildFromLeveling(net);
        adj.setSolver(solver);
        ASSERT_EQ(adj.solveHeights(p), 1);
        EXPECT_EQ(adj.activeSolver(), solver == NormalSolver::Automatic ? NormalSolver::Envelope : solver);
        EXPECT_NEAR(adj.sigma0, ref.sigma0, 1e-8);
        for (int i = adj.knownCount; i < adj.pointCount; ++i) {
            const std::string& name = adj.pointNames[static_cast<std::size_t>(i)];
            EXPECT_NEAR(adj.heights[static_cast<std::size_t>(i)], ref.heights.at(name), 1e-5) << name;
            EXPECT_NEAR(adj.heightStandardError(i), ref.heightSigmaMm.at(name), 0.01) << name;
        }
        for (int k = 0; k < adj.observationCount; ++k) EXPECT_NEAR(adj.observationStandardError(k), dense.observationStandardError(k), 1e-6) << k;
        EXPECT_EQ(adj.closures.size(), dense.closures.size());
    }
}

}  // namespace
}  // namespace vornex
