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

bool CAdjustBase::beginNormals(int unknowns, const std::vector<std::vector<int>>& couplings) {
    freeNormals();
    refusal_ = Refusal::None;
    unknownCount_ = unknowns;
    envelopeActive_ = solverChoice_ == NormalSolver::Envelope ||
                      (solverChoice_ == NormalSolver::Automatic && unknowns > kDenseLimit);
    auto refuse = [&](double bytes, double work) {
        neededBytes_ = bytes;
        neededWork_ = work;
        refusal_ = bytes > limits_.memoryBytes ? Refusal::Memory : Refusal::Work;
        freeNormals();
        return false;
    };
    try {
        if (envelopeActive_) {
            if (!envelope_.build(unknowns, couplings, limits_)) {
                return refuse(envelope_.need().bytes, envelope_.need().work);
            }
        } else {
            // The packed matrix, inverted by n passes of n^2 / 2 multiply-adds.
            const double n = unknowns;
            const double bytes = n * (n + 1) / 2 * 8, work = n * n * n / 2;
            if (bytes > limits_.memoryBytes || work > limits_.work) return refuse(bytes, work);
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
    if (envelopeActive_) {
        envelope_.zero();
    } else {
        std::fill(packed_.begin(), packed_.end(), 0.0);
    }
    envelopeInverted_ = false;
    std::fill(rhs_.begin(), rhs_.end(), 0.0);
}

void CAdjustBase::addNormal(int i, int j, double v) {
    if (envelopeActive_) {
        envelope_.add(i, j, v);
    } else {
        packed_[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(j))] += v;
    }
}

void CAdjustBase::setNormalDiagonal(int i, double v) {
    if (envelopeActive_) {
        envelope_.setDiagonal(i, v);
    } else {
        packed_[packedIndex(static_cast<std::size_t>(i), static_cast<std::size_t>(i))] = v;
    }
}

void CAdjustBase::addNormalDiagonal(int i, double v) { addNormal(i, i, v); }

void CAdjustBase::freeNormals() {
    unknownCount_ = 0;
    packed_ = {};
    rhs_ = {};
    solution_ = {};
    envelope_ = EnvelopeMatrix{};
    envelopeActive_ = false;
    envelopeInverted_ = false;
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
    envelopeInverted_ = false;
    if (envelopeActive_) return envelope_.factor();
    return invertPacked(packed_.data(), unknownCount_);
}

void CAdjustBase::solve() {
    if (envelopeActive_) {
        envelope_.solve(rhs_, solution_);
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
    if (envelopeActive_) {
        if (!envelopeInverted_) {
            envelope_.invertInEnvelope();
            envelopeInverted_ = true;
        }
        return envelope_.inverse(i, j);
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
