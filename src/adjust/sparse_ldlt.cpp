#include "adjust/sparse_ldlt.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>

#include <algorithm>
#include <numeric>

namespace vornex {
namespace {

// Approximate minimum degree ordering of the graph (Eigen's port of the AMD
// routine): new position -> old index.
std::vector<int> minimumDegreeOrder(int n, const std::vector<std::vector<int>>& adj) {
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    if (n < 3) return order;
    // The full symmetric pattern with its diagonal, by columns.
    std::size_t total = 0;
    for (const auto& a : adj) total += a.size() + 1;
    Eigen::SparseMatrix<double, Eigen::ColMajor, int> pattern(n, n);
    pattern.resizeNonZeros(static_cast<Eigen::Index>(total));
    int* starts = pattern.outerIndexPtr();
    int* rows = pattern.innerIndexPtr();
    double* values = pattern.valuePtr();
    std::size_t pos = 0;
    for (int j = 0; j < n; ++j) {
        starts[j] = static_cast<int>(pos);
        const auto& a = adj[static_cast<std::size_t>(j)];
        auto below = std::lower_bound(a.begin(), a.end(), j);
        for (auto it = a.begin(); it != below; ++it) rows[pos++] = *it;
        rows[pos++] = j;
        for (auto it = below; it != a.end(); ++it) rows[pos++] = *it;
    }
    starts[n] = static_cast<int>(pos);
    std::fill(values, values + pos, 1.0);
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> perm;
    Eigen::AMDOrdering<int> amd;
    amd(pattern, perm);
    // The ordering lists the old index of each new position.
    if (perm.size() != n) return order;
    for (int k = 0; k < n; ++k) order[static_cast<std::size_t>(k)] = perm.indices()[k];
    return order;
}

}  // namespace

void SparseLdlt::plan(int n, const std::vector<std::vector<int>>& adjacency) {
    *this = SparseLdlt{};
    if (n <= 0) return;
    std::vector<std::vector<int>> adj = symmetricNeighbours(n, adjacency);
    perm_ = minimumDegreeOrder(n, adj);
    iperm_.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) iperm_[static_cast<std::size_t>(perm_[static_cast<std::size_t>(k)])] = k;

    // The upper triangle of the permuted matrix by columns, diagonal last.
    std::vector<std::vector<int>> upper(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int a = iperm_[static_cast<std::size_t>(i)];
        for (int j : adj[static_cast<std::size_t>(i)]) {
            const int b = iperm_[static_cast<std::size_t>(j)];
            if (a < b) upper[static_cast<std::size_t>(b)].push_back(a);
        }
    }
    adj = {};
    aStart_.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int k = 0; k < n; ++k) aStart_[static_cast<std::size_t>(k) + 1] = aStart_[static_cast<std::size_t>(k)] + upper[static_cast<std::size_t>(k)].size() + 1;
    aRow_.resize(aStart_.back());
    for (int k = 0; k < n; ++k) {
        auto& u = upper[static_cast<std::size_t>(k)];
        std::sort(u.begin(), u.end());
        u.push_back(k);
        std::copy(u.begin(), u.end(), aRow_.begin() + static_cast<std::ptrdiff_t>(aStart_[static_cast<std::size_t>(k)]));
        u = {};
    }

    // Elimination tree and column counts of the factor (the symbolic step of
    // the up-looking factorisation: row k of L is the set of tree paths from
    // the rows of column k of the matrix up to k).
    parent_.assign(static_cast<std::size_t>(n), -1);
    std::vector<int> flag(static_cast<std::size_t>(n), -1);
    std::vector<std::size_t> count(static_cast<std::size_t>(n), 0);
    for (int k = 0; k < n; ++k) {
        flag[static_cast<std::size_t>(k)] = k;
        for (std::size_t p = aStart_[static_cast<std::size_t>(k)]; p < aStart_[static_cast<std::size_t>(k) + 1]; ++p) {
            for (int i = aRow_[p]; flag[static_cast<std::size_t>(i)] != k; i = parent_[static_cast<std::size_t>(i)]) {
                if (parent_[static_cast<std::size_t>(i)] == -1) parent_[static_cast<std::size_t>(i)] = k;
                ++count[static_cast<std::size_t>(i)];
                flag[static_cast<std::size_t>(i)] = k;
            }
        }
    }
    lStart_.assign(static_cast<std::size_t>(n) + 1, 0);
    double work = 0;
    for (int j = 0; j < n; ++j) {
        const std::size_t c = count[static_cast<std::size_t>(j)];
        lStart_[static_cast<std::size_t>(j) + 1] = lStart_[static_cast<std::size_t>(j)] + c;
        work += static_cast<double>(c) * static_cast<double>(c + 3) / 2;
    }
    // Supernodes: column j+1 continues the supernode of column j when the rows
    // of j are j+1 and the rows of j+1.
    superStart_.clear();
    std::size_t widest = 0;
    for (int j = 0; j < n; ++j) {
        const auto sj = static_cast<std::size_t>(j);
        if (j == 0 || !(parent_[sj - 1] == j && count[sj - 1] == count[sj] + 1)) superStart_.push_back(sj);
        const std::size_t rows = count[superStart_.back()] + 1;
        if (rows <= kDenseBlock) widest = std::max(widest, rows);
    }
    superStart_.push_back(static_cast<std::size_t>(n));
    n_ = n;
    need_.elements = static_cast<double>(lStart_.back());
    need_.bytes = need_.elements * kBytesPerElement + static_cast<double>(aRow_.size()) * kBytesPerMatrixElement +
                  static_cast<double>(n) * kBytesPerUnknown;
    // The dense block of the widest supernode the inversion takes in one piece.
    need_.bytes += static_cast<double>(widest) * static_cast<double>(widest) * 8;
    need_.work = work;
}

bool SparseLdlt::allocate(const NormalLimits& limits) {
    if (need_.bytes > limits.memoryBytes || need_.work > limits.work) return false;
    aValue_.assign(aRow_.size(), 0.0);
    lRow_.assign(lStart_.back(), 0);
    lValue_.assign(lStart_.back(), 0.0);
    d_.assign(static_cast<std::size_t>(n_), 0.0);
    return true;
}

bool SparseLdlt::build(int n, const std::vector<std::vector<int>>& adjacency, const NormalLimits& limits) {
    plan(n, adjacency);
    if (allocate(limits)) return true;
    const Need need = need_;
    *this = SparseLdlt{};
    need_ = need;
    return false;
}

std::ptrdiff_t SparseLdlt::matrixPosition(int row, int col) const {
    const auto first = aRow_.begin() + static_cast<std::ptrdiff_t>(aStart_[static_cast<std::size_t>(col)]);
    const auto last = aRow_.begin() + static_cast<std::ptrdiff_t>(aStart_[static_cast<std::size_t>(col) + 1]);
    const auto it = std::lower_bound(first, last, row);
    return it != last && *it == row ? it - aRow_.begin() : -1;
}

std::ptrdiff_t SparseLdlt::factorPosition(int row, int col) const {
    const auto first = lRow_.begin() + static_cast<std::ptrdiff_t>(lStart_[static_cast<std::size_t>(col)]);
    const auto last = lRow_.begin() + static_cast<std::ptrdiff_t>(lStart_[static_cast<std::size_t>(col) + 1]);
    const auto it = std::lower_bound(first, last, row);
    return it != last && *it == row ? it - lRow_.begin() : -1;
}

void SparseLdlt::zero() {
    std::fill(aValue_.begin(), aValue_.end(), 0.0);
    zValue_ = {};
    zDiagonal_ = {};
    inverted_ = false;
}

void SparseLdlt::add(int i, int j, double v) {
    int a = iperm_[static_cast<std::size_t>(i)], b = iperm_[static_cast<std::size_t>(j)];
    if (a > b) std::swap(a, b);
    const std::ptrdiff_t p = matrixPosition(a, b);
    if (p < 0) return;  // outside the declared structure: cannot happen for built couplings
    aValue_[static_cast<std::size_t>(p)] += v;
}

void SparseLdlt::setDiagonal(int i, double v) {
    const int a = iperm_[static_cast<std::size_t>(i)];
    aValue_[aStart_[static_cast<std::size_t>(a) + 1] - 1] = v;  // the diagonal closes its column
}

double SparseLdlt::diagonal(int i) const {
    const int a = iperm_[static_cast<std::size_t>(i)];
    return aValue_[aStart_[static_cast<std::size_t>(a) + 1] - 1];
}

int SparseLdlt::factor() {
    // Up-looking L D L^T: row k of L solves L(0:k, 0:k) D y = A(0:k, k) over the
    // rows that the elimination tree reaches from column k of the matrix, taken
    // in topological order; each new element closes its column, so the rows of
    // every column come out ascending.
    const auto n = static_cast<std::size_t>(n_);
    std::vector<double> y(n, 0.0);
    std::vector<int> pattern(n), flag(n, -1);
    std::vector<std::size_t> filled(n, 0);
    zValue_ = {};
    zDiagonal_ = {};
    inverted_ = false;
    for (int k = 0; k < n_; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        std::size_t top = n;
        flag[sk] = k;
        for (std::size_t p = aStart_[sk]; p < aStart_[sk + 1]; ++p) {
            int i = aRow_[p];
            y[static_cast<std::size_t>(i)] += aValue_[p];
            std::size_t len = 0;
            for (; flag[static_cast<std::size_t>(i)] != k; i = parent_[static_cast<std::size_t>(i)]) {
                pattern[len++] = i;
                flag[static_cast<std::size_t>(i)] = k;
            }
            while (len > 0) pattern[--top] = pattern[--len];
        }
        double dk = y[sk];
        y[sk] = 0;
        for (; top < n; ++top) {
            const auto i = static_cast<std::size_t>(pattern[top]);
            const double yi = y[i];
            y[i] = 0;
            const std::size_t begin = lStart_[i], end = begin + filled[i];
            for (std::size_t p = begin; p < end; ++p) y[static_cast<std::size_t>(lRow_[p])] -= lValue_[p] * yi;
            const double lki = yi / d_[i];
            dk -= lki * yi;
            lRow_[end] = k;
            lValue_[end] = lki;
            ++filled[i];
        }
        if (dk + 1.0 == 1.0) return 0;
        d_[sk] = dk;
    }
    return 1;
}

void SparseLdlt::solve(const std::vector<double>& b, std::vector<double>& x) const {
    const auto n = static_cast<std::size_t>(n_);
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i) y[i] = b[static_cast<std::size_t>(perm_[i])];
    for (std::size_t j = 0; j < n; ++j) {  // L y = b, by columns
        const double yj = y[j];
        for (std::size_t p = lStart_[j]; p < lStart_[j + 1]; ++p) y[static_cast<std::size_t>(lRow_[p])] -= lValue_[p] * yj;
    }
    for (std::size_t j = 0; j < n; ++j) y[j] /= d_[j];
    for (std::size_t j = n; j-- > 0;) {  // L^T x = y
        double s = y[j];
        for (std::size_t p = lStart_[j]; p < lStart_[j + 1]; ++p) s -= lValue_[p] * y[static_cast<std::size_t>(lRow_[p])];
        y[j] = s;
    }
    x.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) x[static_cast<std::size_t>(perm_[i])] = y[i];
}

void SparseLdlt::invertSelected(std::size_t denseBlock) {
    // Z = A^-1 from Z = D^-1 L^-1 + (I - L^T) Z (Takahashi): for column j with
    // the rows S below its diagonal,
    //   Z_ij = -sum_{k in S} L_kj Z_ik   (i in S),
    //   Z_jj = 1 / d_j - sum_{k in S} L_kj Z_kj,
    // from the last column to the first. S is a clique of the filled graph, so
    // every Z_ik the sums need lies on the pattern of a later column.
    //
    // Columns are taken a supernode at a time: the columns c0..c1 of a supernode
    // have the rows c0+1..c1 and then the same rows R below c1. The Z elements
    // among R are gathered once into a dense block, and each column's sums are
    // then a dense product over a contiguous range of it.
    const auto n = static_cast<std::size_t>(n_);
    zValue_.assign(lValue_.size(), 0.0);
    zDiagonal_.assign(n, 0.0);
    std::vector<double> block, z;
    for (std::size_t s = superStart_.size() - 1; s-- > 0;) {
        const std::size_t c0 = superStart_[s], c1 = superStart_[s + 1] - 1;
        const std::size_t w = c1 - c0 + 1, r = lStart_[c1 + 1] - lStart_[c1], m = w + r;
        if (m > denseBlock) {
            for (std::size_t j = c1 + 1; j-- > c0;) invertColumn(j);
            continue;
        }
        const int* rows = lRow_.data() + lStart_[c1];  // R
        block.assign(m * m, 0.0);
        auto at = [&](std::size_t x, std::size_t y) -> double& { return block[x * m + y]; };
        for (std::size_t u = 0; u < r; ++u) {
            const auto ru = static_cast<std::size_t>(rows[u]);
            at(w + u, w + u) = zDiagonal_[ru];
            std::size_t b = u + 1;
            for (std::size_t q = lStart_[ru], end = lStart_[ru + 1]; q < end && b < r; ++q) {
                if (lRow_[q] != rows[b]) continue;
                at(w + u, w + b) = at(w + b, w + u) = zValue_[q];
                ++b;
            }
        }
        for (std::size_t j = c1 + 1; j-- > c0;) {
            const std::size_t a = j - c0, first = a + 1, count = m - first;
            const double* l = lValue_.data() + lStart_[j];  // rows j+1..c1, then R: local first..m-1
            z.assign(count, 0.0);
            double diagonal = 1.0 / d_[j];
            // z = -W l, by rows of the symmetric block (= its columns): each
            // step is an independent multiply-add over a contiguous row.
            for (std::size_t y = 0; y < count; ++y) {
                const double* row = &block[(first + y) * m + first];
                const double ly = -l[y];
                double* out = z.data();
                for (std::size_t x = 0; x < count; ++x) out[x] += row[x] * ly;
            }
            for (std::size_t x = 0; x < count; ++x) {
                at(first + x, a) = at(a, first + x) = z[x];
                zValue_[lStart_[j] + x] = z[x];
                diagonal -= l[x] * z[x];
            }
            at(a, a) = diagonal;
            zDiagonal_[j] = diagonal;
        }
    }
    inverted_ = true;
}

void SparseLdlt::invertColumn(std::size_t j) {
    // The recurrences of one column, through the stored Z of the later columns.
    const std::size_t p0 = lStart_[j], p1 = lStart_[j + 1], m = p1 - p0;
    const int* rows = lRow_.data() + p0;
    const double* l = lValue_.data() + p0;
    std::vector<double> acc(m, 0.0);
    for (std::size_t a = 0; a < m; ++a) {
        const auto k = static_cast<std::size_t>(rows[a]);
        const double lk = l[a];
        double ak = acc[a] - lk * zDiagonal_[k];
        // The rows i > k of S are among the rows of column k (both ascending):
        // Z_ij takes L_kj Z_ik, and Z_kj takes L_ij Z_ik.
        std::size_t b = a + 1;
        for (std::size_t q = lStart_[k], end = lStart_[k + 1]; q < end && b < m; ++q) {
            if (lRow_[q] != rows[b]) continue;
            const double zik = zValue_[q];
            acc[b] -= lk * zik;
            ak -= l[b] * zik;
            ++b;
        }
        acc[a] = ak;
    }
    double s = 1.0 / d_[j];
    for (std::size_t a = 0; a < m; ++a) {
        zValue_[p0 + a] = acc[a];
        s -= l[a] * acc[a];
    }
    zDiagonal_[j] = s;
}

double SparseLdlt::inverse(int i, int j) const {
    int a = iperm_[static_cast<std::size_t>(i)], b = iperm_[static_cast<std::size_t>(j)];
    if (inverted_) {
        if (a == b) return zDiagonal_[static_cast<std::size_t>(a)];
        if (a < b) std::swap(a, b);
        const std::ptrdiff_t p = factorPosition(a, b);
        if (p >= 0) return zValue_[static_cast<std::size_t>(p)];
    }
    std::vector<double> e(static_cast<std::size_t>(n_), 0.0), x;
    e[static_cast<std::size_t>(j)] = 1.0;
    solve(e, x);
    return x[static_cast<std::size_t>(i)];
}

}  // namespace vornex
