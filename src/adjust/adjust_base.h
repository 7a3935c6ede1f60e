// Common machinery of the parametric least-squares adjustments: the point
// table, the normal equations N x = U in packed symmetric storage, their
// in-place inversion and the solution.
//
// Small networks use the packed dense inverse, banded ones the envelope
// factorisation of envelope.h with the inverse elements inside the envelope,
// and large meshes the sparse factorisation of sparse_ldlt.h with the inverse
// elements on the pattern of its factor; the choice goes by the work each
// would take. All give the same solution and cofactors to rounding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "adjust/envelope.h"
#include "adjust/sparse_ldlt.h"

namespace vornex {

// Position of element (i, j) in packed lower-triangle storage, either order.
inline std::size_t packedIndex(std::size_t i, std::size_t j) {
    if (i < j) std::swap(i, j);
    return i * (i + 1) / 2 + j;
}

// Inverts the symmetric n x n matrix held as its packed lower triangle, in place,
// by n cyclic elimination passes. 0 (matrix unusable) when a pivot a has
// a + 1 == 1, else 1.
int invertPacked(double* matrix, int n);

// One measured run (a leveling section, or one sighting of a control-survey
// station) as an adjustment merged it with the other runs between the same two
// points: the forward/return tables list these, so they show what was adjusted.
struct MergedRun {
    int observation = -1;  // the merged observation it joins
    bool forward = true;   // measured from the observation's from point to its to point
    double value = 0;      // as measured, in its own direction (m)
    double quantity = 0;   // its weight quantity
    int source = -1;       // section index, or station index of a control survey
    int item = -1;         // observation index within that station (-1 for a section)
};

// Which solver the normal equations use.
enum class NormalSolver {
    Automatic,  // whichever of the three below takes the least work
    Dense,
    Envelope,
    Sparse,
};

class CAdjustBase {
public:
    int adjusted = 0;
    std::int32_t pointCount = 0;
    std::vector<std::string> pointNames;  // GBK bytes; position = point index
    std::int32_t knownCount = 0;
    std::int32_t observationCount = 0;

    CAdjustBase() = default;
    CAdjustBase(const CAdjustBase&) = default;
    CAdjustBase& operator=(const CAdjustBase&) = default;
    virtual ~CAdjustBase() = default;

    // Index of the first entry equal to `name` (byte for byte), appending it
    // when there is none; -1 when the table cannot grow.
    int pointIndex(std::string_view name);
    // Index of `name` or -1, without appending.
    int findPoint(std::string_view name) const;

    // Adds one linearised observation v = sum a_i x_(m_i) + w with weight p.
    void accumulateObservation(const double* coefficients, const int* indices, int k, double weight,
                               double misclosure);

    // Inverts (dense) or factors (envelope) N; 1 on success, 0 when singular.
    int invertNormals();
    // solution = N^-1 U.
    void solve();
    // Element (i, j) of N^-1 after invertNormals(). For the envelope path the
    // elements inside the envelope are computed on first use.
    double cofactor(int i, int j) const;

    // Empties the point table, frees the arrays, zeroes the counts.
    void reset();

    // Bounds on the normal equations (the machine's by default).
    void setNormalLimits(const NormalLimits& limits) { limits_ = limits; }
    const NormalLimits& normalLimits() const { return limits_; }
    // Why beginNormals() refused the last normal equations, as the message for
    // the user: which bound, what they would need and what is allowed.
    std::string normalsRefusalMessage() const;

    void setSolver(NormalSolver s) { solverChoice_ = s; }
    NormalSolver solver() const { return solverChoice_; }
    // The solver the last normal equations use (never Automatic).
    NormalSolver activeSolver() const { return active_; }
    bool usesEnvelope() const { return active_ == NormalSolver::Envelope; }

    const std::vector<double>& solution() const { return solution_; }
    const std::vector<double>& rightHandSide() const { return rhs_; }

protected:
    // Allocates and zeroes N and U for `unknowns` unknowns. `couplings[i]` lists
    // the unknowns that share an observation with i (used by the envelope path).
    // False when the normal equations exceed the memory or work bound (see
    // normalsRefusalMessage()).
    bool beginNormals(int unknowns, const std::vector<std::vector<int>>& couplings);
    void zeroNormals();
    void addNormal(int i, int j, double v);
    void setNormalDiagonal(int i, double v);
    void addNormalDiagonal(int i, double v);
    void freeNormals();

    int unknownCount_ = 0;
    std::vector<double> packed_;  // N, then N^-1 (dense path)
    std::vector<double> rhs_;
    std::vector<double> solution_;

private:
    enum class Refusal { None, Memory, Work };
    NormalSolver solverChoice_ = NormalSolver::Automatic;
    NormalLimits limits_ = machineNormalLimits();
    Refusal refusal_ = Refusal::None;
    double neededBytes_ = 0, neededWork_ = 0;
    NormalSolver active_ = NormalSolver::Dense;
    mutable EnvelopeMatrix envelope_;
    mutable SparseLdlt sparse_;
    mutable bool inverted_ = false;  // the envelope's or the sparse factor's inverse elements exist
    std::unordered_map<std::string, int> nameIndex_;
};

}  // namespace vornex
