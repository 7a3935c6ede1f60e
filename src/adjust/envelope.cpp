#include "adjust/envelope.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace vornex {
namespace {

// Breadth-first levels from `start` over unvisited nodes; returns the nodes of
// the last level and the number of levels.
std::pair<std::vector<int>, int> lastLevel(int start, const std::vector<std::vector<int>>& adj,
                                           const std::vector<char>& taken, std::vector<int>& mark, int stamp) {
    std::vector<int> level{start};
    mark[static_cast<std::size_t>(start)] = stamp;
    int depth = 1;
    for (;;) {
        std::vector<int> next;
        for (int v : level) {
            for (int w : adj[static_cast<std::size_t>(v)]) {
                auto sw = static_cast<std::size_t>(w);
                if (!taken[sw] && mark[sw] != stamp) {
                    mark[sw] = stamp;
                    next.push_back(w);
                }
            }
        }
        if (next.empty()) return {level, depth};
        level = std::move(next);
        ++depth;
    }
}

// Reverse Cuthill-McKee ordering: new position -> old index. Deterministic
// (ties by index), each component started from a pseudo-peripheral node.
std::vector<int> reverseCuthillMcKee(int n, const std::vector<std::vector<int>>& adj) {
    std::vector<int> degree(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) degree[static_cast<std::size_t>(i)] = static_cast<int>(adj[static_cast<std::size_t>(i)].size());
    auto lighter = [&](int a, int b) {
        int da = degree[static_cast<std::size_t>(a)], db = degree[static_cast<std::size_t>(b)];
        return da != db ? da < db : a < b;
    };
    std::vector<char> taken(static_cast<std::size_t>(n), 0);
    std::vector<int> mark(static_cast<std::size_t>(n), -1);
    int stamp = 0;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(n));
    for (int seed = 0; seed < n; ++seed) {
        if (taken[static_cast<std::size_t>(seed)]) continue;
        // Lightest node of this component as the first guess.
        int start = seed;
        {
            auto [unused, depth] = lastLevel(seed, adj, taken, mark, ++stamp);
            (void)unused;
            (void)depth;
            for (int v = seed; v < n; ++v) {
                if (mark[static_cast<std::size_t>(v)] == stamp && lighter(v, start)) start = v;
            }
        }
        // Pseudo-peripheral node: move to the lightest node of the last level
        // while the number of levels grows.
        auto [last, depth] = lastLevel(start, adj, taken, mark, ++stamp);
        for (int iter = 0; iter < 8; ++iter) {
            int candidate = *std::min_element(last.begin(), last.end(), lighter);
            auto [candLast, candDepth] = lastLevel(candidate, adj, taken, mark, ++stamp);
            if (candDepth <= depth) break;
            start = candidate;
            last = std::move(candLast);
            depth = candDepth;
        }
        // Cuthill-McKee from the start node.
        std::size_t head = order.size();
        order.push_back(start);
        taken[static_cast<std::size_t>(start)] = 1;
        std::vector<int> fresh;
        while (head < order.size()) {
            int v = order[head++];
            fresh.clear();
            for (int w : adj[static_cast<std::size_t>(v)]) {
                if (!taken[static_cast<std::size_t>(w)]) {
                    taken[static_cast<std::size_t>(w)] = 1;
                    fresh.push_back(w);
                }
            }
            std::sort(fresh.begin(), fresh.end(), lighter);
            order.insert(order.end(), fresh.begin(), fresh.end());
        }
    }
    std::reverse(order.begin(), order.end());
    return order;
}

}  // namespace

NormalLimits machineNormalLimits() {
    static const NormalLimits limits = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        // Without an answer, assume a small machine of 4 GiB.
        const double physical = pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize)
                                                          : 4.0 * (1 << 30);
        // About ten seconds of factorisation on a current core (1e9 multiply-adds a second).
        return NormalLimits{physical / 2, 1e10};
    }();
    return limits;
}

std::vector<std::vector<int>> symmetricNeighbours(int n, const std::vector<std::vector<int>>& adjacency) {
    std::vector<std::vector<int>> adj(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n && i < static_cast<int>(adjacency.size()); ++i) {
        for (int j : adjacency[static_cast<std::size_t>(i)]) {
            if (j < 0 || j >= n || j == i) continue;
            adj[static_cast<std::size_t>(i)].push_back(j);
            adj[static_cast<std::size_t>(j)].push_back(i);
        }
    }
    for (auto& a : adj) {
        std::sort(a.begin(), a.end());
        a.erase(std::unique(a.begin(), a.end()), a.end());
    }
    return adj;
}

void EnvelopeMatrix::plan(int n, const std::vector<std::vector<int>>& adjacency) {
    *this = EnvelopeMatrix{};
    if (n <= 0) return;
    const std::vector<std::vector<int>> adj = symmetricNeighbours(n, adjacency);
    std::vector<int> perm = reverseCuthillMcKee(n, adj);
    std::vector<int> iperm(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) iperm[static_cast<std::size_t>(perm[static_cast<std::size_t>(k)])] = k;

    std::vector<int> first(static_cast<std::size_t>(n));
    std::size_t total = 0;
    double work = 0;
    for (int r = 0; r < n; ++r) {
        int f = r;
        for (int w : adj[static_cast<std::size_t>(perm[static_cast<std::size_t>(r)])]) {
            f = std::min(f, iperm[static_cast<std::size_t>(w)]);
        }
        first[static_cast<std::size_t>(r)] = f;
        total += static_cast<std::size_t>(r - f + 1);
        work += static_cast<double>(r - f) * static_cast<double>(r - f) / 2;
    }
    need_.elements = static_cast<double>(total);
    need_.bytes = need_.elements * kBytesPerElement + static_cast<double>(n) * kBytesPerUnknown;
    need_.work = work;
    n_ = n;
    perm_ = std::move(perm);
    iperm_ = std::move(iperm);
    first_ = std::move(first);
}

bool EnvelopeMatrix::allocate(const NormalLimits& limits) {
    if (need_.bytes > limits.memoryBytes || need_.work > limits.work) return false;
    rowStart_.resize(static_cast<std::size_t>(n_));
    std::size_t pos = 0;
    for (int r = 0; r < n_; ++r) {
        rowStart_[static_cast<std::size_t>(r)] = pos;
        pos += static_cast<std::size_t>(r - first_[static_cast<std::size_t>(r)] + 1);
    }
    values_.assign(pos, 0.0);
    return true;
}

bool EnvelopeMatrix::build(int n, const std::vector<std::vector<int>>& adjacency, const NormalLimits& limits) {
    plan(n, adjacency);
    if (allocate(limits)) return true;
    const Need need = need_;
    *this = EnvelopeMatrix{};
    need_ = need;
    return false;
}

void EnvelopeMatrix::zero() {
    std::fill(values_.begin(), values_.end(), 0.0);
    inverse_.clear();
    inverted_ = false;
}

void EnvelopeMatrix::add(int i, int j, double v) {
    int a = iperm_[static_cast<std::size_t>(i)], b = iperm_[static_cast<std::size_t>(j)];
    if (a < b) std::swap(a, b);
    if (!inEnvelope(a, b)) return;  // outside the declared structure: cannot happen for built couplings
    values_[position(a, b)] += v;
}

void EnvelopeMatrix::setDiagonal(int i, double v) {
    int a = iperm_[static_cast<std::size_t>(i)];
    values_[position(a, a)] = v;
}

double EnvelopeMatrix::diagonal(int i) const {
    int a = iperm_[static_cast<std::size_t>(i)];
    return values_[position(a, a)];
}

int EnvelopeMatrix::factor() {
    std::vector<double> w;  // L_ik * d_k of the current row
    for (int i = 0; i < n_; ++i) {
        const int fi = first_[static_cast<std::size_t>(i)];
        double* row = &values_[rowStart_[static_cast<std::size_t>(i)]];  // row[k - fi]
        w.assign(static_cast<std::size_t>(i - fi), 0.0);
        double d = row[i - fi];
        for (int j = fi; j < i; ++j) {
            const int fj = first_[static_cast<std::size_t>(j)];
            const double* rj = &values_[rowStart_[static_cast<std::size_t>(j)]];
            const int k0 = std::max(fi, fj);
            double s = row[j - fi];
            for (int k = k0; k < j; ++k) s -= w[static_cast<std::size_t>(k - fi)] * rj[k - fj];
            w[static_cast<std::size_t>(j - fi)] = s;
            const double lij = s / rj[j - fj];
            row[j - fi] = lij;
            d -= s * lij;
        }
        if (d + 1.0 == 1.0) return 0;
        row[i - fi] = d;
    }
    inverse_.clear();
    inverted_ = false;
    return 1;
}

void EnvelopeMatrix::solve(const std::vector<double>& b, std::vector<double>& x) const {
    std::vector<double> y(static_cast<std::size_t>(n_));
    for (int i = 0; i < n_; ++i) y[static_cast<std::size_t>(i)] = b[static_cast<std::size_t>(perm_[static_cast<std::size_t>(i)])];
    // L y = b
    for (int i = 0; i < n_; ++i) {
        const int fi = first_[static_cast<std::size_t>(i)];
        const double* row = &values_[rowStart_[static_cast<std::size_t>(i)]];
        double s = y[static_cast<std::size_t>(i)];
        for (int k = fi; k < i; ++k) s -= row[k - fi] * y[static_cast<std::size_t>(k)];
        y[static_cast<std::size_t>(i)] = s;
    }
    for (int i = 0; i < n_; ++i) y[static_cast<std::size_t>(i)] /= values_[position(i, i)];
    // L^T x = y, by columns of L^T (rows of L) from the last.
    for (int i = n_ - 1; i >= 0; --i) {
        const int fi = first_[static_cast<std::size_t>(i)];
        const double* row = &values_[rowStart_[static_cast<std::size_t>(i)]];
        const double xi = y[static_cast<std::size_t>(i)];
        for (int k = fi; k < i; ++k) y[static_cast<std::size_t>(k)] -= row[k - fi] * xi;
    }
    x.assign(static_cast<std::size_t>(n_), 0.0);
    for (int i = 0; i < n_; ++i) x[static_cast<std::size_t>(perm_[static_cast<std::size_t>(i)])] = y[static_cast<std::size_t>(i)];
}

void EnvelopeMatrix::invertInEnvelope() {
    // Z = A^-1 from L^T Z = D^-1 L^-1 (Takahashi): for i <= j,
    //   Z_ij = delta_ij / d_i - sum_{k > i} L_ki Z_kj,
    // taken from the last row upward. Every Z_kj the sum needs lies in the
    // envelope when Z_ij does, so only envelope elements are computed.
    columnRows_.assign(static_cast<std::size_t>(n_), {});
    for (int r = 0; r < n_; ++r) {
        for (int c = first_[static_cast<std::size_t>(r)]; c < r; ++c) columnRows_[static_cast<std::size_t>(c)].push_back(r);
    }
    inverse_.assign(values_.size(), 0.0);
    auto z = [&](int a, int b) -> double {  // element of Z already computed
        if (a < b) std::swap(a, b);
        return inverse_[position(a, b)];
    };
    for (int i = n_ - 1; i >= 0; --i) {
        const std::vector<int>& below = columnRows_[static_cast<std::size_t>(i)];
        for (int j : below) {
            double s = 0;
            for (int k : below) s -= values_[position(k, i)] * z(k, j);
            inverse_[position(j, i)] = s;
        }
        double s = 1.0 / values_[position(i, i)];
        for (int k : below) s -= values_[position(k, i)] * inverse_[position(k, i)];
        inverse_[position(i, i)] = s;
    }
    columnRows_.clear();
    columnRows_.shrink_to_fit();
    inverted_ = true;
}

double EnvelopeMatrix::inverse(int i, int j) const {
    int a = iperm_[static_cast<std::size_t>(i)], b = iperm_[static_cast<std::size_t>(j)];
    if (a < b) std::swap(a, b);
    if (inverted_ && inEnvelope(a, b)) return inverse_[position(a, b)];
    std::vector<double> e(static_cast<std::size_t>(n_), 0.0), x;
    e[static_cast<std::size_t>(j)] = 1.0;
    solve(e, x);
    return x[static_cast<std::size_t>(i)];
}

}  // namespace vornex
