// Adjustment of a network of height differences with fixed known heights:
// the sections of a leveling file, or the trigonometric height differences of a
// control survey (prepared by CPlaneNetAdjust). Heights, residuals, the
// standard error of unit weight, standard errors, and the closures of lines
// between known points and of loops with their tolerances.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "adjust/adjust_base.h"
#include "adjust/survey_network.h"
#include "model/prompter.h"

namespace vornex {

// One closure: [0] length value (1000 x the summed weight quantities: metres,
// or stations x 1000), [1] misclosure and [2] tolerance in 0.1 mm, [3..] the
// point indices of the path.
struct ClosureRecord {
    std::vector<std::int32_t> values;
    std::int32_t lengthValue() const { return values.at(0); }
    std::int32_t misclosure() const { return values.at(1); }
    std::int32_t tolerance() const { return values.at(2); }
    std::vector<std::int32_t> points() const { return {values.begin() + 3, values.end()}; }
};

// Result of the shortest-path search from one point.
struct PathSearch {
    std::vector<int> predecessor;  // -1 not reached; the start is its own predecessor
    std::vector<double> cost;      // summed 1/p (km or stations)
    std::vector<double> height;    // accumulated height difference from the start (m)
};

class CLevelingAdjust : public CAdjustBase {
public:
    static constexpr double kUnknownHeight = -9999.9;

    double closureCoefficient = 20.0;
    bool weightByStations = false;  // closure lengths are station counts
    std::vector<double> heights;      // m, approximate then adjusted
    std::vector<double> corrections;  // m, last solution
    std::vector<std::int32_t> fromIndex, toIndex;
    std::vector<double> observed;   // m, from -> to
    std::vector<double> quantity;   // weight quantity q: m, km or stations (p = scale / q)
    std::vector<double> weight;
    std::vector<double> residual;   // m
    double sigma0 = 0;              // m; meaningful only when hasSigma0
    bool hasSigma0 = false;         // false without redundancy
    std::vector<ClosureRecord> closures;
    // The listing stopped at its bounds before every line and loop was listed
    // (a network far larger than real ones, or a hostile file): `closures` is
    // the part listed.
    bool closuresCut = false;
    // Search steps the whole listing may take: some seconds of work, far above
    // what real networks need.
    std::size_t closureWorkLimit = std::size_t{1} << 25;
    std::vector<MergedRun> runs;  // every run merged into the observations, in the order added
    bool listClosures = true;  // solveHeights() also lists the closures

    void reset();

    // Fills the adjustment from a leveling network: known points first, then the
    // points of every section that is not excluded; forward and return runs merged.
    // A section without stations or without length carries no weight and is not
    // used as an observation (its points are still entered).
    void buildFromLeveling(const SurveyNetwork& network);

    // Building blocks, also used for the height network of a control survey.
    // Enters the known points (heights from H) and sets knownCount.
    void enterKnownPoints(const std::vector<ControlPoint>& known);
    // Merges a run into an earlier observation between the same two points
    // (either direction; the observation keeps the mean of all its runs) or
    // appends it. q > 0 is the weight quantity; `source` and `item` say where
    // the run came from (see MergedRun).
    void addRun(int from, int to, double h, double q, int source = -1, int item = -1);
    // Sets pointCount and observationCount and the weights p = scale / q.
    void finishBuild(double weightScale);

    // Approximate heights, solution, residuals, sigma0 and closures.
    // 1 when results exist, 0 otherwise (the reason is shown).
    int solveHeights(Prompter& prompter);

    // Standard errors in mm (0 without sigma0): height of point i, and the
    // adjusted height difference of observation k.
    double heightStandardError(int i) const;
    double observationStandardError(int k) const;

    // The shortest-path search of the closures: passes over the observations in
    // order (skipping `ignore`), relaxing both directions, until a pass changes
    // nothing. With every cost positive the result of the passes comes from a
    // search by cost and a search by the time each point settles in the passes,
    // in O(m log m); otherwise it is done by events, which visit only the
    // observations whose ends changed. Both give the path, cost and height of
    // the full passes.
    // With a `target` the search stops once the target is settled: its path,
    // cost and height are still exactly those of the full passes, while other
    // points may be left unreached or with provisional values.
    PathSearch searchPaths(int start, int ignore, int target = -1) const;

private:
    // Buffers of the search, reused from one search to the next.
    struct SearchSpace {
        PathSearch result;
        std::vector<int> queuedPass;
        std::vector<int> touchedPoints, touchedObservations;
        std::vector<int> reachedPass;  // of the search in pass order
        std::vector<char> settled;
    };
    void search(SearchSpace& space, int start, int ignore, int target) const;
    void searchInOrder(SearchSpace& space, int start, int ignore, int target) const;
    bool approximateHeights();
    void computeClosures();
    void buildIncidence();

    std::vector<std::vector<int>> incidence_;  // observations at each point, ascending
    std::unordered_map<std::uint64_t, int> runIndex_;  // point pair -> its observation
    struct RunSum {
        double h = 0, q = 0;  // sums over the merged runs (h in the observation's direction)
        int count = 0;
    };
    std::vector<RunSum> runSums_;
    bool positiveCosts_ = false;                       // every 1/p > 0: searches in cost order
    mutable std::size_t closureWork_ = 0;              // search steps of the closure listing
};

// Truncation towards zero into an int32, clamped (NaN gives 0).
std::int32_t truncateToInt32(double v);

}  // namespace vornex
