// Sparse symmetric normal matrix in envelope (profile) storage with a
// reverse Cuthill-McKee ordering, factored as L D L^T in place, and the
// elements of its inverse inside the envelope (selected inversion).
//
// Large networks are sparse: a leveling point is joined to a handful of
// neighbours, so after a bandwidth-reducing ordering the envelope of the normal
// matrix is a small fraction of its n(n+1)/2 elements, and so are the cost of
// the factorisation and the inverse elements the result tables need (the
// diagonal and the pairs joined by an observation, which lie inside the envelope).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornex {

// Bounds on the normal equations of one adjustment.
struct NormalLimits {
    double memoryBytes = 0;  // memory their solution may take
    double work = 0;         // multiply-adds of the factorisation
};

// This machine's bounds: half of its physical memory, and about ten seconds of
// factorisation. The work bound is what stops a hostile file quickly: real
// networks, sparse after the ordering, stay orders of magnitude below it.
NormalLimits machineNormalLimits();

// The neighbour lists of a normal matrix's pattern made symmetric and sorted,
// without self references or indices outside 0..n-1: what each factorisation
// orders its unknowns by.
std::vector<std::vector<int>> symmetricNeighbours(int n, const std::vector<std::vector<int>>& adjacency);

class EnvelopeMatrix {
public:
    // Memory per envelope element: A (then L and D), the inverse elements, and
    // the column lists of the inversion (an int, twice over for their growth).
    static constexpr double kBytesPerElement = 8 + 8 + 8;
    // Memory per unknown: ordering, row starts and list headers.
    static constexpr double kBytesPerUnknown = 64;

    // What the envelope of the last build() needs, also when it was refused.
    struct Need {
        double elements = 0;
        double bytes = 0;
        double work = 0;  // multiply-adds of the factorisation
    };

    // Sets up the structure for n unknowns; `adjacency[i]` lists the unknowns
    // that share an observation with i. False when the envelope's memory or its
    // factorisation work exceeds `limits` (nothing is allocated then; need()
    // says by how much).
    bool build(int n, const std::vector<std::vector<int>>& adjacency, const NormalLimits& limits = machineNormalLimits());
    // build() in two steps: plan() orders the unknowns and finds the envelope
    // and what it needs, allocate() then allocates it unless the need exceeds
    // `limits` (false then, and nothing is allocated).
    void plan(int n, const std::vector<std::vector<int>>& adjacency);
    bool allocate(const NormalLimits& limits);
    const Need& need() const { return need_; }

    int size() const { return n_; }
    std::size_t elementCount() const { return values_.size(); }

    // Zeroes the matrix (structure kept).
    void zero();
    // Adds v to element (i, j) (and (j, i)); indices in the caller's order.
    // The element must lie in the structure given to build().
    void add(int i, int j, double v);
    void setDiagonal(int i, double v);
    double diagonal(int i) const;

    // L D L^T in place. 0 when a pivot d has d + 1 == 1 (singular), else 1.
    int factor();
    // x = A^-1 b (after factor), vectors in the caller's order.
    void solve(const std::vector<double>& b, std::vector<double>& x) const;
    // Computes the inverse elements inside the envelope (after factor).
    void invertInEnvelope();
    // Element (i, j) of the inverse; inside the envelope from invertInEnvelope(),
    // elsewhere by one extra solution.
    double inverse(int i, int j) const;

private:
    std::size_t position(int row, int col) const {  // permuted indices, col <= row
        return rowStart_[static_cast<std::size_t>(row)] + static_cast<std::size_t>(col - first_[static_cast<std::size_t>(row)]);
    }
    bool inEnvelope(int row, int col) const { return col >= first_[static_cast<std::size_t>(row)]; }

    int n_ = 0;
    std::vector<int> perm_;   // new -> old
    std::vector<int> iperm_;  // old -> new
    std::vector<int> first_;  // first column stored in each row
    std::vector<std::size_t> rowStart_;
    std::vector<double> values_;   // A, then L (below diagonal) and D (diagonal)
    std::vector<double> inverse_;  // inverse elements in the same layout
    std::vector<std::vector<int>> columnRows_;  // rows below the diagonal stored in each column
    bool inverted_ = false;
    Need need_;
};

}  // namespace vornex
