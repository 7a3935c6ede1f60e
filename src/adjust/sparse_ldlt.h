// Sparse symmetric normal matrix factored as L D L^T after a fill-reducing
// ordering (approximate minimum degree), and the elements of its inverse on the
// pattern of the factor (selected inversion).
//
// A large leveling or control network is a mesh: on a grid of n points the
// envelope of envelope.h grows like n^1.5 and its factorisation like n^2,
// while a minimum-degree ordering keeps the factor near n log n. The inverse
// elements the result tables need (the diagonal, and the pairs joined by an
// observation) all lie on the pattern of the factor, and Takahashi's
// recurrences give every element there at about the cost of the factorisation.
#pragma once

#include <cstddef>
#include <vector>

#include "adjust/envelope.h"

namespace vornex {

class SparseLdlt {
public:
    // Memory per element of the factor: its value, its row and the inverse element.
    static constexpr double kBytesPerElement = 8 + 4 + 8;
    // Memory per element of the matrix itself: its value and its row.
    static constexpr double kBytesPerMatrixElement = 8 + 4;
    // Memory per unknown: ordering, pivots, column starts, tree and work vectors.
    static constexpr double kBytesPerUnknown = 96;
    // Supernodes of more than this many rows (diagonal block and rows below)
    // are inverted column by column instead of in a dense block.
    static constexpr std::size_t kDenseBlock = 2048;

    struct Need {
        double elements = 0;  // of the factor below the diagonal
        double bytes = 0;
        double work = 0;  // multiply-adds of the factorisation
    };

    // Orders the n unknowns (`adjacency[i]` lists the unknowns that share an
    // observation with i) and finds the pattern of the factor and what it needs;
    // nothing of the size of the factor is allocated yet.
    void plan(int n, const std::vector<std::vector<int>>& adjacency);
    const Need& need() const { return need_; }
    // Allocates the matrix after plan(); false (nothing allocated) when the need
    // exceeds `limits`.
    bool allocate(const NormalLimits& limits);
    // plan() and allocate() in one.
    bool build(int n, const std::vector<std::vector<int>>& adjacency, const NormalLimits& limits = machineNormalLimits());

    int size() const { return n_; }
    // Elements held for the factor (below the diagonal and the diagonal).
    std::size_t elementCount() const { return lValue_.size() + d_.size(); }

    // Zeroes the matrix (structure kept).
    void zero();
    // Adds v to element (i, j) (and (j, i)); indices in the caller's order. The
    // element must be the diagonal or a pair given to plan().
    void add(int i, int j, double v);
    void setDiagonal(int i, double v);
    double diagonal(int i) const;

    // L D L^T. 0 when a pivot d has d + 1 == 1 (singular), else 1.
    int factor();
    // x = A^-1 b (after factor), vectors in the caller's order.
    void solve(const std::vector<double>& b, std::vector<double>& x) const;
    // Computes the inverse elements on the pattern of the factor (after factor):
    // supernodes of up to `denseBlock` rows (diagonal block and rows below) in
    // one dense block, larger ones column by column.
    void invertSelected(std::size_t denseBlock = kDenseBlock);
    // Element (i, j) of the inverse; on the pattern from invertSelected(),
    // elsewhere by one extra solution.
    double inverse(int i, int j) const;

private:
    // Position of row `row` in column `col` of the factor (permuted, row > col), or -1.
    std::ptrdiff_t factorPosition(int row, int col) const;
    // Position of element (row, col) of the matrix (permuted, row <= col), or -1.
    std::ptrdiff_t matrixPosition(int row, int col) const;
    void invertColumn(std::size_t j);

    int n_ = 0;
    std::vector<int> perm_;   // new -> old
    std::vector<int> iperm_;  // old -> new
    // The matrix by columns of its upper triangle: column k holds rows <= k, ascending.
    std::vector<std::size_t> aStart_;
    std::vector<int> aRow_;
    std::vector<double> aValue_;
    // The factor by columns: column j holds the rows > j, ascending.
    std::vector<int> parent_;  // elimination tree, -1 at a root
    std::vector<std::size_t> lStart_;
    std::vector<int> lRow_;
    std::vector<double> lValue_;
    std::vector<double> d_;
    std::vector<std::size_t> superStart_;  // first column of each supernode, then n
    // The inverse on the pattern of the factor, and its diagonal.
    std::vector<double> zValue_;
    std::vector<double> zDiagonal_;
    bool inverted_ = false;
    Need need_;
};

}  // namespace vornex
