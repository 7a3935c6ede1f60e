#include "adjust/adjust_base.h"

#include <gtest/gtest.h>

#include <random>

#include "adjust/envelope.h"
#include "adjust/sparse_ldlt.h"

namespace vornex {
namespace {

struct Probe : CAdjustBase {
    using CAdjustBase::beginNormals;
    using CAdjustBase::setNormalDiagonal;
};

TEST(AdjustBase, PointIndexKeepsOrderAndFindsRepeats) {
    Probe a;
    EXPECT_EQ(a.pointIndex("K1"), 0);
    EXPECT_EQ(a.pointIndex("P"), 1);
    EXPECT_EQ(a.pointIndex("K1"), 0);
    EXPECT_EQ(a.pointIndex(std::string("P\0x", 3)), 2);  // byte-exact
    EXPECT_EQ(a.pointNames, (std::vector<std::string>{"K1", "P", std::string("P\0x", 3)}));
    EXPECT_EQ(a.findPoint("Q"), -1);
    a.reset();
    EXPECT_TRUE(a.pointNames.empty());
    EXPECT_EQ(a.pointIndex("P"), 0);
}

// A random symmetric positive definite matrix (full form).
std::vector<std::vector<double>> randomSpd(int n, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<std::vector<double>> b(static_cast<std::size_t>(n), std::vector<double>(static_cast<std::size_t>(n)));
    for (auto& row : b)
        for (double& v : row) v = u(rng);
    std::vector<std::vector<double>> a(static_cast<std::size_t>(n), std::vector<double>(static_cast<std::size_t>(n), 0.0));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double s = i == j ? n : 0.0;
            for (int k = 0; k < n; ++k) s += b[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] * b[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)];
            a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = s;
        }
    return a;
}

TEST(AdjustBase, InvertPackedGivesTheInverse) {
    double one[] = {4.0};
    ASSERT_EQ(invertPacked(one, 1), 1);
    EXPECT_DOUBLE_EQ(one[0], 0.25);

    std::mt19937 rng(3);
    for (int n : {2, 3, 7, 20}) {
        auto a = randomSpd(n, rng);
        std::vector<double> packed;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) packed.push_back(a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
        ASSERT_EQ(invertPacked(packed.data(), n), 1);
        // A * A^-1 = I.
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = 0;
                for (int k = 0; k < n; ++k) s += a[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] * packed[packedIndex(static_cast<std::size_t>(k), static_cast<std::size_t>(j))];
                EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12) << n << " " << i << " " << j;
            }
    }
}

TEST(AdjustBase, ZeroPivotIsSingular) {
    // Second unknown reached by no observation.
    double m[] = {2.0, 0.0, 0.0, 1.0, 0.0, 3.0};
    EXPECT_EQ(invertPacked(m, 3), 0);
    EnvelopeMatrix e;
    ASSERT_TRUE(e.build(3, {{2}, {}, {}}));
    e.add(0, 0, 2);
    e.add(0, 2, 1);
    e.add(2, 2, 3);
    EXPECT_EQ(e.factor(), 0);
    SparseLdlt f;
    ASSERT_TRUE(f.build(3, {{2}, {}, {}}));
    f.add(0, 0, 2);
    f.add(0, 2, 1);
    f.add(2, 2, 3);
    EXPECT_EQ(f.factor(), 0);
}

TEST(AdjustBase, EnvelopeMatchesTheDenseInverse) {
    // A sparse ring with chords: solution and every inverse element agree.
    std::mt19937 rng(11);
    const int n = 60;
    std::vector<std::vector<int>> adj(n);
    std::vector<std::vector<double>> a(n, std::vector<double>(n, 0.0));
    auto couple = [&](int i, int j, double v) {
        adj[static_cast<std::size_t>(i)].push_back(j);
        a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] -= v;
        a[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] -= v;
        a[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] += v;
        a[static_cast<std::size_t>(j)][static_cast<std::size_t>(j)] += v;
    };
    std::uniform_real_distribution<double> u(0.5, 2);
    for (int i = 0; i < n; ++i) couple(i, (i + 1) % n, u(rng));
    for (int i = 0; i < n; i += 7) couple(i, (i * 13 + 5) % n, u(rng));
    a[0][0] += 1e30;  // one fixed unknown, as the adjustments do
    EnvelopeMatrix e;
    ASSERT_TRUE(e.build(n, adj));
    std::vector<double> packed;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            packed.push_back(a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
            if (a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] != 0) e.add(i, j, a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
        }
    EXPECT_LT(e.elementCount(), packed.size());
    ASSERT_EQ(invertPacked(packed.data(), n), 1);
    ASSERT_EQ(e.factor(), 1);
    e.invertInEnvelope();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double d = packed[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))];
            EXPECT_NEAR(e.inverse(i, j), d, 1e-12 * (1 + std::fabs(d))) << i << " " << j;
        }
    std::vector<double> b(n), x;
    for (double& v : b) v = u(rng);
    e.solve(b, x);
    for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int j = 0; j < n; ++j) s += packed[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))] * b[static_cast<std::size_t>(j)];
        EXPECT_NEAR(x[static_cast<std::size_t>(i)], s, 1e-10);
    }
}

TEST(AdjustBase, SparseFactorMatchesTheDenseInverse) {
    // A ring with chords (narrow supernodes), and a grid with a long arm and a
    // few diagonals (wide ones, a tree of separators). The solution, and every
    // inverse element on the factor's pattern, in dense blocks and column by
    // column, agree with the packed inverse.
    struct Case {
        const char* name;
        int n;
        std::vector<std::pair<int, int>> couplings;
    };
    std::vector<Case> cases(2);
    cases[0] = {"ring", 60, {}};
    for (int i = 0; i < 60; ++i) cases[0].couplings.push_back({i, (i + 1) % 60});
    for (int i = 0; i < 60; i += 7) cases[0].couplings.push_back({i, (i * 13 + 5) % 60});
    const int g = 9;
    cases[1] = {"grid", g * g + 12, {}};
    for (int i = 0; i < g; ++i)
        for (int j = 0; j < g; ++j) {
            if (j + 1 < g) cases[1].couplings.push_back({i * g + j, i * g + j + 1});
            if (i + 1 < g) cases[1].couplings.push_back({i * g + j, (i + 1) * g + j});
            if (i + 1 < g && j + 1 < g && (i + j) % 4 == 0) cases[1].couplings.push_back({i * g + j, (i + 1) * g + j + 1});
        }
    for (int k = g * g; k < g * g + 12; ++k) cases[1].couplings.push_back({k - 1, k});
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> u(0.5, 2);
    for (const Case& c : cases) {
        const int n = c.n;
        std::vector<std::vector<int>> adj(static_cast<std::size_t>(n));
        std::vector<std::vector<double>> a(static_cast<std::size_t>(n), std::vector<double>(static_cast<std::size_t>(n), 0.0));
        for (auto [i, j] : c.couplings) {
            const double v = u(rng);
            adj[static_cast<std::size_t>(j)].push_back(i);  // either side may list a coupling
            a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] -= v;
            a[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] -= v;
            a[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] += v;
            a[static_cast<std::size_t>(j)][static_cast<std::size_t>(j)] += v;
        }
        a[3][3] += 1e30;  // one fixed unknown, as the adjustments do
        std::vector<double> packed;
        SparseLdlt f;
        ASSERT_TRUE(f.build(n, adj)) << c.name;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) {
                const double v = a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
                packed.push_back(v);
                if (v != 0) f.add(j, i, v);
            }
        ASSERT_EQ(invertPacked(packed.data(), n), 1);
        ASSERT_EQ(f.factor(), 1) << c.name;
        std::vector<double> b(static_cast<std::size_t>(n)), x;
        for (double& v : b) v = u(rng);
        f.solve(b, x);
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int j = 0; j < n; ++j) s += packed[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))] * b[static_cast<std::size_t>(j)];
            EXPECT_NEAR(x[static_cast<std::size_t>(i)], s, 1e-10) << c.name << " " << i;
        }
        for (std::size_t denseBlock : {SparseLdlt::kDenseBlock, std::size_t{0}}) {
            f.invertSelected(denseBlock);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j <= i; ++j) {
                    const double d = packed[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))];
                    EXPECT_NEAR(f.inverse(i, j), d, 1e-12 * (1 + std::fabs(d))) << c.name << " " << i << " " << j;
                }
        }
        EXPECT_LT(f.elementCount(), packed.size()) << c.name;
    }
}

}  // namespace
}  // namespace vornex
