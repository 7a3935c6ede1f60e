#include "adjust/adjust_base.h"

#include <new>

#include "text/text.h"

namespace vornex {

int invertPacked(double* m, int n) {
    if (n <= 0) return 1;
    // Cyclic Gauss-Jordan passes on the packed lower triangle: each pass pivots
    // on the leading element and shifts rows and columns up by one, so after n
    // passes the storage holds the inverse in the original order. The sign of
    // t[j] tells rows already pivoted (which come round at the end) from the others.
    std::vector<double> t(static_cast<std::size_t>(n));
    auto el = [m](int r, int c) -> double& {
        return m[static_cast<std::size_t>(r) * static_cast<std::size_t>(r + 1) / 2 + static_cast<std::size_t>(c)];
    };
    for (int i = 0; i < n; ++i) {
        const double a = m[0];
        if (a + 1.0 == 1.0) return 0;
        for (int j = 1; j < n; ++j) {
            const double b = el(j, 0);
            t[static_cast<std::size_t>(j)] = (j > n - 1 - i) ? b / a : -b / a;
            double* dst = &el(j - 1, 0);
            const double* src = &el(j, 1);
            for (int k = 1; k <= j; ++k) dst[k - 1] = b * t[static_cast<std::size_t>(k)] + src[k - 1];
        }
        for (int k = 1; k < n; ++k) el(n - 1, k - 1) = t[static_cast<std::size_t>(k)];
        el(n - 1, n - 1) = 1.0 / a;
    }
    return 1;
}

int CAdjustBase::pointIndex(std::string_view name) {
    std::string key(name);
    auto it = nameIndex_.find(key);
    if (it != nameIndex_.end()) return it->second;
    try {
        pointNames.push_back(key);
        int index = static_cast<int>(pointNames.size()) - 1;
        nameIndex_.emplace(std::move(key), index);
        return index;
    } catch (const std::bad_alloc&) {
        if (pointNames.size() > nameIndex_.size()) pointNames.pop_back();
        return -1;
    }
}

int CAdjustBase::findPoint(std::string_view name) const {
    auto it = nameIndex_.find(std::string(name));
    return it == nameIndex_.end() ? -1 : it->second;
}

namespace {

// Relative cost of one multiply-add of each solver, measured on leveling grids
// and plane networks: the dense inversion runs over contiguous memory, the
// envelope over contiguous rows, the sparse factor through row lists. Each
// solver's cost also counts its inverse elements, which the result tables
// always ask for: the dense inversion has them, the envelope's take about
// twice its factorisation, the sparse factor's about as much again.
constexpr double kDenseCost = 1.0;
constexpr double kEnvelopeCost = 3 * 1.5;
constexpr double kSparseCost = 2 * 4.0;
// Ordering and symbolic analysis of the sparse factor, per unknown and per
// coupling: below this much work the envelope is used without trying it.
constexpr double kSparsePlanCost = 400.0;

}  // namespace

bool CAdjustBase::beginNormals(int unknowns, const std::vector<std::vector<int>>& couplings) {
    freeNormals();
    refusal_ = Refusal::None;
    unknownCount_ = unknowns;
    auto refuse = [&](double bytes, double work) {
        neededBytes_ = bytes;
        neededWork_ = work;
        refusal_ = bytes > limits_.memoryBytes ? Refusal::Memory : Refusal::Work;
        freeNormals();
        return false;
    };
    try {
        const double n = unknowns;
        const double denseBytes = n * (n + 1) / 2 * 8, denseWork = n * n * n / 2;  // n passes of n^2 / 2
        NormalSolver chosen = solverChoice_;
        if (chosen == NormalSolver::Automatic) {
            chosen = NormalSolver::Dense;
            // A few dozen unknowns: nothing beats the dense inversion.
            if (unknowns > 32) {
                envelope_.plan(unknowns, couplings);
                const double envelopeCost = kEnvelopeCost * envelope_.need().work;
                if (envelopeCost < kDenseCost * denseWork) chosen = NormalSolver::Envelope;
                double couplingCount = 0;
                for (const auto& c : couplings) couplingCount += static_cast<double>(c.size());
                if (chosen == NormalSolver::Envelope && envelopeCost > kSparsePlanCost * (n + couplingCount)) {
                    sparse_.plan(unknowns, couplings);
                    const double sparseCost = kSparseCost * sparse_.need().work + kSparsePlanCost * (n + couplingCount);
                    if (sparseCost < envelopeCost) chosen = NormalSolver::Sparse;
                }
            }
        } else if (chosen == NormalSolver::Envelope) {
            envelope_.plan(unknowns, couplings);
        } else if (chosen == NormalSolver::Sparse) {
            sparse_.plan(unknowns, couplings);
        }
        active_ = chosen;
        if (chosen == NormalSolver::Envelope) {
            sparse_ = SparseLdlt{};
            if (!envelope_.allocate(limits_)) return refuse(envelope_.need().bytes, envelope_.need().work);
        } else if (chosen == NormalSolver::Sparse) {
            envelope_ = EnvelopeMatrix{};
            if (!sparse_.allocate(limits_)) return refuse(sparse_.need().bytes, sparse_.need().work);
        } else {
            envelope_ = EnvelopeMatrix{};
            sparse_ = SparseLdlt{};
            // The packed matrix, inverted by n passes of n^2 / 2 multiply-adds.
            if (denseBytes > limits_.memoryBytes || denseWork > limits_.work) return refuse(denseBytes, denseWork);
            packed_.assign(static_cast<std::size_t>(unknowns) * static_cast<std::size_t>(unknowns + 1) / 2, 0.0);
        }
        rhs_.assign(static_cast<std::size_t>(unknowns), 0.0);
        solution_.assign(static_cast<std::size_t>(unknowns), 0.0);
    } catch (const std::bad_alloc&) {
        // The machine had less to give than its bound promised.
        return refuse(limits_.memoryBytes + 1, 0);
    }
    return true;
}

std::string CAdjustBase::normalsRefusalMessage() const {
    constexpr double kMiB = 1024.0 * 1024.0;
    switch (refusal_) {
        case Refusal::None: break;
        case Refusal::Memory:
            return text::format("网点过多，内存不足，不能平差！\n法方程约需%.0f MB内存，本机上限%.0f MB。", neededBytes_ / kMiB,
                                limits_.memoryBytes / kMiB);
        case Refusal::Work:
            return text::format("网点过多，计算量过大，不能平差！\n法方程分解约需%.2g次乘加，上限%.2g次。", neededWork_, limits_.work);
    }
    return {};
}

void CAdjustBase::zeroNormals() {
    switch (active_) {
        case NormalSolver::Envelope: envelope_.zero(); break;
        case NormalSolver::Sparse: sparse_.zero(); break;
        default: std::fill(packed_.begin(), packed_.end(), 0.0); break;
    }
    inverted_ = false;
    std::fill(rhs_.begin(), rhs_.end(), 0.0);
}

void CAdjustBase::addNormal(int i, int j, double v) {
    switch (active_) {
        case NormalSolver::Envelope: envelope_.add(i, j, v); break;
        case NormalSolver::Sparse: sparse_.add(i, j, v); break;
        default: packed_[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))] += v; break;
    }
}

void CAdjustBase::setNormalDiagonal(int i, double v) {
    switch (active_) {
        case NormalSolver::Envelope: envelope_.setDiagonal(i, v); break;
        case NormalSolver::Sparse: sparse_.setDiagonal(i, v); break;
        default: packed_[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(i))] = v; break;
    }
}

void CAdjustBase::addNormalDiagonal(int i, double v) { addNormal(i, i, v); }

void CAdjustBase::freeNormals() {
    unknownCount_ = 0;
    packed_ = {};
    rhs_ = {};
    solution_ = {};
    envelope_ = EnvelopeMatrix{};
    sparse_ = SparseLdlt{};
    active_ = NormalSolver::Dense;
    inverted_ = false;
}

void CAdjustBase::accumulateObservation(const double* a, const int* m, int k, double p, double w) {
    // N += p a a^T, U -= p a w.
    for (int i = 0; i < k; ++i) {
        const double c = p * a[i];
        rhs_[static_cast<std::size_t>(m[i])] -= w * c;
        for (int j = 0; j < k; ++j) {
            if (m[j] >= m[i]) addNormal(m[i], m[j], c * a[j]);
        }
    }
}

int CAdjustBase::invertNormals() {
    inverted_ = false;
    switch (active_) {
        case NormalSolver::Envelope: return envelope_.factor();
        case NormalSolver::Sparse: return sparse_.factor();
        default: return invertPacked(packed_.data(), unknownCount_);
    }
}

void CAdjustBase::solve() {
    if (active_ == NormalSolver::Envelope) {
        envelope_.solve(rhs_, solution_);
        return;
    }
    if (active_ == NormalSolver::Sparse) {
        sparse_.solve(rhs_, solution_);
        return;
    }
    const auto n = static_cast<std::size_t>(unknownCount_);
    solution_.assign(n, 0.0);
    // x = N^-1 U over the packed triangle: row i left of the diagonal, then down column i.
    for (std::size_t i = 0; i < n; ++i) {
        const double* row = &packed_[i * (i + 1) / 2];
        double s = 0;
        for (std::size_t j = 0; j <= i; ++j) s += row[j] * rhs_[j];
        for (std::size_t j = i + 1; j < n; ++j) s += packed_[j * (j + 1) / 2 + i] * rhs_[j];
        solution_[i] = s;
    }
}

double CAdjustBase::cofactor(int i, int j) const {
    if (i < 0 || j < 0 || i >= unknownCount_ || j >= unknownCount_) return 0;
    if (active_ == NormalSolver::Envelope) {
        if (!inverted_) {
            envelope_.invertInEnvelope();
            inverted_ = true;
        }
        return envelope_.inverse(i, j);
    }
    if (active_ == NormalSolver::Sparse) {
        if (!inverted_) {
            sparse_.invertSelected();
            inverted_ = true;
        }
        return sparse_.inverse(i, j);
    }
    return packed_[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))];
}

void CAdjustBase::reset() {
    adjusted = 0;
    pointCount = 0;
    pointNames.clear();
    nameIndex_.clear();
    knownCount = 0;
    observationCount = 0;
    freeNormals();
}

}  // namespace vornex
