#include "adjust/leveling_adjust.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <unordered_map>

namespace vornex {
namespace {

constexpr double kFixedDiagonal = 1e30;  // holds a known height practically fixed
constexpr double kFar = 1e30;            // cost of a point not reached
// Upper bound of the point indices kept in all closure paths together: a
// hostile file must not make the closure listing grow without bound.
constexpr std::size_t kMaxClosureEntries = std::size_t{1} << 25;

std::int32_t misclosureTenthsMm(double w) {
    // Stored as -w in 0.1 mm; the magnitude is truncated, not rounded.
    std::int32_t magnitude = truncateToInt32(std::fabs(w) * 10000.0 + 0.01);
    return w > 0 ? -magnitude : magnitude;
}

std::uint64_t pairKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

}  // namespace

std::int32_t truncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

void CLevelingAdjust::reset() {
    CAdjustBase::reset();
    closureCoefficient = 20.0;
    weightByStations = false;
    heights.clear();
    corrections.clear();
    fromIndex.clear();
    toIndex.clear();
    observed.clear();
    quantity.clear();
    weight.clear();
    residual.clear();
    sigma0 = 0;
    hasSigma0 = false;
    closures.clear();
    closuresCut = false;
    runs.clear();
    incidence_.clear();
    runIndex_.clear();
    runSums_.clear();
}

void CLevelingAdjust::enterKnownPoints(const std::vector<ControlPoint>& known) {
    for (const ControlPoint& cp : known) {
        int i = pointIndex(cp.name.str());
        if (i < 0) continue;
        if (static_cast<std::size_t>(i) >= heights.size()) heights.resize(static_cast<std::size_t>(i) + 1, kUnknownHeight);
        heights[static_cast<std::size_t>(i)] = cp.h;
    }
    // Repeated names collapse into one point: the known points are the entries so far.
    knownCount = static_cast<std::int32_t>(pointNames.size());
}

void CLevelingAdjust::addRun(int from, int to, double h, double q, int source, int item) {
    // The earlier observation between the same two points (there is at most one,
    // since every later run is merged into it).
    // Every run counts alike: a forward and a return run give (h1 - h2) / 2 and
    // (q1 + q2) / 2, and further runs join the same mean (halving the old mean
    // with each new run would weigh the last run as much as all earlier ones).
    auto [it, fresh] = runIndex_.emplace(pairKey(from, to), static_cast<int>(observed.size()));
    if (!fresh) {
        const auto d = static_cast<std::size_t>(it->second);
        runs.push_back({it->second, fromIndex[d] == from && toIndex[d] == to, h, q, source, item});
        runSums_[d].h += fromIndex[d] == from && toIndex[d] == to ? h : -h;
        runSums_[d].q += q;
        runSums_[d].count += 1;
        observed[d] = runSums_[d].h / runSums_[d].count;
        quantity[d] = runSums_[d].q / runSums_[d].count;
        return;
    }
    runs.push_back({static_cast<int>(observed.size()), true, h, q, source, item});
    fromIndex.push_back(from);
    toIndex.push_back(to);
    observed.push_back(h);
    quantity.push_back(q);
    runSums_.push_back({h, q, 1});
}

void CLevelingAdjust::finishBuild(double weightScale) {
    pointCount = static_cast<std::int32_t>(pointNames.size());
    heights.resize(static_cast<std::size_t>(pointCount), kUnknownHeight);
    observationCount = static_cast<std::int32_t>(observed.size());
    weight.resize(observed.size());
    for (std::size_t k = 0; k < observed.size(); ++k) weight[k] = weightScale / quantity[k];
    residual.assign(observed.size(), 0.0);
    corrections.assign(static_cast<std::size_t>(pointCount), 0.0);
}

void CLevelingAdjust::buildFromLeveling(const SurveyNetwork& network) {
    reset();
    enterKnownPoints(network.knownPoints);
    for (const LevelingSection& s : network.sections) {
        if (s.excluded != 0) continue;
        pointIndex(s.startName.str());
        pointIndex(s.endName.str());
    }
    closureCoefficient = network.leveling.closureCoefficient;
    weightByStations = network.leveling.weighting == 1;
    for (int i = 0; i < network.sectionCount(); ++i) {
        const LevelingSection& s = network.section(i);
        if (s.excluded != 0) continue;
        SectionTotals t = network.sectionTotals(i);
        double q = weightByStations ? static_cast<double>(t.stationCount) : t.length();
        // A run without stations or length has no weight (and no height difference).
        if (!(q > 0) || !std::isfinite(q) || !std::isfinite(t.heightDifference)) continue;
        addRun(findPoint(s.startName.str()), findPoint(s.endName.str()), t.heightDifference, q, i);
    }
    finishBuild(weightByStations ? 1.0 : 1000.0);
}

bool CLevelingAdjust::approximateHeights() {
    const auto n = static_cast<std::size_t>(pointCount);
    std::vector<char> known(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<std::int32_t>(i) < knownCount) {
            known[i] = 1;
        } else {
            heights[i] = kUnknownHeight;
        }
    }
    const int unknown = pointCount - knownCount;
    if (unknown <= 0) return true;
    int count = 0;
    for (int pass = 0; pass <= unknown; ++pass) {
        const int before = count;
        for (std::size_t k = 0; k < observed.size(); ++k) {
            auto a = static_cast<std::size_t>(fromIndex[k]), b = static_cast<std::size_t>(toIndex[k]);
            if (known[a] && !known[b]) {
                heights[b] = heights[a] + observed[k];
                known[b] = 1;
                ++count;
            } else if (known[b] && !known[a]) {
                heights[a] = heights[b] - observed[k];
                known[a] = 1;
                ++count;
            }
        }
        if (count == unknown) return true;
        if (count == before) return false;  // a pass that sets nothing: so will every later one
    }
    return false;
}

int CLevelingAdjust::solveHeights(Prompter& prompter) {
    adjusted = 0;
    hasSigma0 = false;
    sigma0 = 0;
    closures.clear();
    if (pointCount <= 0) return 0;
    if (!approximateHeights()) {
        prompter.message("近似高程计算失败！");
        return 0;
    }
    const auto n = static_cast<std::size_t>(pointCount);
    std::vector<std::vector<int>> couplings(n);
    for (std::size_t k = 0; k < observed.size(); ++k) couplings[static_cast<std::size_t>(fromIndex[k])].push_back(toIndex[k]);
    if (!beginNormals(pointCount, couplings)) {
        prompter.message(normalsRefusalMessage());
        return 0;
    }
    // Two-term observations: v = H_b - H_a - h.
    for (std::size_t k = 0; k < observed.size(); ++k) {
        const int a = fromIndex[k], b = toIndex[k];
        if (a == b) continue;  // a run that returns to its start fixes no height
        const double p = weight[k];
        const double d = p * (observed[k] - (heights[static_cast<std::size_t>(b)] - heights[static_cast<std::size_t>(a)]));
        rhs_[static_cast<std::size_t>(a)] -= d;
        rhs_[static_cast<std::size_t>(b)] += d;
        addNormalDiagonal(a, p);
        addNormalDiagonal(b, p);
        addNormal(a, b, -p);
    }
    for (int i = 0; i < knownCount; ++i) setNormalDiagonal(i, kFixedDiagonal);
    if (invertNormals() == 0) {
        prompter.message("\n法方程系数矩阵降秩!");
        return 0;
    }
    solve();
    corrections = solution_;
    for (std::size_t i = 0; i < n; ++i) heights[i] += corrections[i];

    double pvv = 0;
    for (std::size_t k = 0; k < observed.size(); ++k) {
        residual[k] = heights[static_cast<std::size_t>(toIndex[k])] - heights[static_cast<std::size_t>(fromIndex[k])] - observed[k];
        pvv += weight[k] * residual[k] * residual[k];
    }
    const int redundancy = observationCount + knownCount - pointCount;
    if (redundancy > 0) {
        sigma0 = std::sqrt(pvv / redundancy);
        hasSigma0 = true;
    }
    // Absurd values (a known height of 1e308) overflow: that is no result.
    if (!std::isfinite(pvv) || !std::all_of(heights.begin(), heights.end(), [](double h) { return std::isfinite(h); })) {
        hasSigma0 = false;
        sigma0 = 0;
        prompter.message("平差计算错误：结果不是有限数。");
        return 0;
    }
    adjusted = 1;
    buildIncidence();
    if (listClosures) computeClosures();
    return 1;
}

double CLevelingAdjust::heightStandardError(int i) const {
    if (!hasSigma0 || i < 0 || i >= pointCount) return 0;
    return sigma0 * std::sqrt(std::max(0.0, cofactor(i, i))) * 1000.0;
}

double CLevelingAdjust::observationStandardError(int k) const {
    if (!hasSigma0 || k < 0 || k >= observationCount) return 0;
    const int a = fromIndex[static_cast<std::size_t>(k)], b = toIndex[static_cast<std::size_t>(k)];
    const double q = cofactor(a, a) + cofactor(b, b) - 2 * cofactor(a, b);
    return sigma0 * std::sqrt(std::max(0.0, q)) * 1000.0;
}

void CLevelingAdjust::buildIncidence() {
    positiveCosts_ = true;
    for (double p : weight) {
        const double c = 1.0 / p;
        if (!(c > 0) || !std::isfinite(c)) positiveCosts_ = false;
    }
    incidence_.assign(static_cast<std::size_t>(pointCount), {});
    for (std::size_t k = 0; k < observed.size(); ++k) {
        incidence_[static_cast<std::size_t>(fromIndex[k])].push_back(static_cast<int>(k));
        if (toIndex[k] != fromIndex[k]) incidence_[static_cast<std::size_t>(toIndex[k])].push_back(static_cast<int>(k));
    }
}

PathSearch CLevelingAdjust::searchPaths(int start, int ignore, int target) const {
    SearchSpace space;
    search(space, start, ignore, target);
    return std::move(space.result);
}

void CLevelingAdjust::search(SearchSpace& space, int start, int ignore, int target) const {
    const auto n = static_cast<std::size_t>(pointCount);
    PathSearch& r = space.result;
    if (r.predecessor.size() != n || space.queuedPass.size() != observed.size()) {
        r.predecessor.assign(n, -1);
        r.cost.assign(n, kFar);
        r.height.assign(n, 0.0);
        space.queuedPass.assign(observed.size(), -1);
    } else {
        // Only what the last search touched needs resetting.
        for (int v : space.touchedPoints) {
            const auto sv = static_cast<std::size_t>(v);
            r.predecessor[sv] = -1;
            r.cost[sv] = kFar;
            r.height[sv] = 0.0;
        }
        for (int j : space.touchedObservations) space.queuedPass[static_cast<std::size_t>(j)] = -1;
    }
    space.touchedPoints.clear();
    space.touchedObservations.clear();
    if (start < 0 || static_cast<std::size_t>(start) >= n || incidence_.size() != n) return;
    r.predecessor[static_cast<std::size_t>(start)] = start;
    r.cost[static_cast<std::size_t>(start)] = 0;
    space.touchedPoints.push_back(start);
    if (positiveCosts_) {
        searchInOrder(space, start, ignore, target);
        return;
    }

    // Events: an observation needs a look only when one of its ends changed since
    // its last look. A change while looking at k schedules the observations of
    // that point later in the same pass (index > k) or in the next pass.
    std::priority_queue<int, std::vector<int>, std::greater<int>> current;
    std::vector<int> next;
    std::vector<int>& queuedPass = space.queuedPass;  // pass in which an observation is queued
    int pass = 0;
    auto schedule = [&](int point, int position) {
        closureWork_ += incidence_[static_cast<std::size_t>(point)].size();
        for (int j : incidence_[static_cast<std::size_t>(point)]) {
            if (j == ignore) continue;
            const int when = j > position ? pass : pass + 1;
            int& queued = queuedPass[static_cast<std::size_t>(j)];
            if (queued >= when) continue;
            if (queued < 0) space.touchedObservations.push_back(j);
            queued = when;
            if (when == pass) {
                current.push(j);
            } else {
                next.push_back(j);
            }
        }
    };
    auto change = [&](std::size_t v, std::size_t from, double cost, double height, int k) {
        if (r.predecessor[v] < 0) space.touchedPoints.push_back(static_cast<int>(v));
        r.predecessor[v] = static_cast<int>(from);
        r.cost[v] = cost;
        r.height[v] = height;
        schedule(static_cast<int>(v), k);
    };
    schedule(start, -1);
    for (;;) {
        while (!current.empty()) {
            const int k = current.top();
            current.pop();
            ++closureWork_;
            const auto sk = static_cast<std::size_t>(k);
            const auto a = static_cast<std::size_t>(fromIndex[sk]);
            const auto b = static_cast<std::size_t>(toIndex[sk]);
            if (r.predecessor[a] < 0 && r.predecessor[b] < 0) continue;
            const double c = 1.0 / weight[sk];
            const double viaA = r.cost[a] + c, viaB = r.cost[b] + c;
            if (viaA < r.cost[b]) {
                change(b, a, viaA, r.height[a] + observed[sk], k);
            } else if (viaB < r.cost[a]) {
                change(a, b, viaB, r.height[b] - observed[sk], k);
            }
        }
        if (next.empty()) break;
        ++pass;
        for (int j : next) current.push(j);
        next.clear();
    }
}

void CLevelingAdjust::searchInOrder(SearchSpace& space, int start, int ignore, int target) const {
    // With every cost positive the passes end with the least cost D of every
    // point, summed in path order as a label-setting search sums it, and each
    // point keeps the predecessor through which it first reached D (a later
    // pass can only match D, never undercut it). When that happened follows from
    // its predecessor: the observation is looked at later in the pass in which
    // the predecessor reached its own D, or else in the next pass. So a search
    // by cost and then a search by that time (pass, observation) over the
    // observations on least-cost paths give what the passes give, in
    // O(m log m) instead of a pass for every change.
    //
    // With a target both searches stop when they settle it: every point of its
    // path costs less than it, so its path, cost and height are final then,
    // while other points may keep provisional values.
    PathSearch& r = space.result;
    const auto n = static_cast<std::size_t>(pointCount);
    if (space.reachedPass.size() != n) space.reachedPass.assign(n, -1);
    if (space.settled.size() != n) space.settled.assign(n, 0);
    std::vector<char>& settled = space.settled;
    auto other = [&](std::size_t k, int v) { return fromIndex[k] == v ? toIndex[k] : fromIndex[k]; };

    // Least costs. The start is already entered by the caller.
    using CostItem = std::pair<double, int>;
    std::priority_queue<CostItem, std::vector<CostItem>, std::greater<CostItem>> byCost;
    byCost.push({0.0, start});
    while (!byCost.empty()) {
        const auto [d, v] = byCost.top();
        byCost.pop();
        ++closureWork_;
        if (settled[static_cast<std::size_t>(v)]) continue;
        settled[static_cast<std::size_t>(v)] = 1;
        if (v == target) break;
        closureWork_ += incidence_[static_cast<std::size_t>(v)].size();
        for (int k : incidence_[static_cast<std::size_t>(v)]) {
            if (k == ignore) continue;
            const auto sk = static_cast<std::size_t>(k);
            const auto w = static_cast<std::size_t>(other(sk, v));
            if (settled[w]) continue;
            const double c = d + 1.0 / weight[sk];
            if (c < r.cost[w]) {
                if (!(r.cost[w] < kFar)) space.touchedPoints.push_back(static_cast<int>(w));
                r.cost[w] = c;
                r.predecessor[w] = v;  // for now: the second search sets the one the passes keep
                byCost.push({c, static_cast<int>(w)});
            }
        }
    }

    // The time each point first reached its least cost: (pass, observation),
    // the start before the first observation of the first pass.
    struct TimeItem {
        int pass, observation, point, from;
        bool operator>(const TimeItem& o) const {
            return pass != o.pass ? pass > o.pass : observation > o.observation;
        }
    };
    std::priority_queue<TimeItem, std::vector<TimeItem>, std::greater<TimeItem>> byTime;
    std::vector<int>& reachedPass = space.reachedPass;  // pass in which a point was settled, -1 not yet
    byTime.push({0, -1, start, start});
    while (!byTime.empty()) {
        const TimeItem t = byTime.top();
        byTime.pop();
        ++closureWork_;
        const auto v = static_cast<std::size_t>(t.point);
        if (reachedPass[v] >= 0) continue;
        reachedPass[v] = t.pass;
        if (t.point != start) {
            const auto k = static_cast<std::size_t>(t.observation);
            const auto u = static_cast<std::size_t>(t.from);
            r.predecessor[v] = t.from;
            r.height[v] = toIndex[k] == t.point ? r.height[u] + observed[k] : r.height[u] - observed[k];
        }
        if (t.point == target) break;
        closureWork_ += incidence_[v].size();
        for (int k : incidence_[v]) {
            if (k == ignore) continue;
            const auto sk = static_cast<std::size_t>(k);
            const auto w = static_cast<std::size_t>(other(sk, t.point));
            if (!settled[w] || reachedPass[w] >= 0 || r.cost[v] + 1.0 / weight[sk] != r.cost[w]) continue;
            byTime.push({k > t.observation ? t.pass : t.pass + 1, k, static_cast<int>(w), t.point});
        }
    }
    for (int v : space.touchedPoints) {
        reachedPass[static_cast<std::size_t>(v)] = -1;
        settled[static_cast<std::size_t>(v)] = 0;
    }
}

void CLevelingAdjust::computeClosures() {
    closures.clear();
    closuresCut = false;
    std::size_t stored = 0;
    closureWork_ = 0;
    // True (and the listing marked cut) when a bound is reached with work left.
    auto full = [&] {
        if (stored > kMaxClosureEntries || closureWork_ > closureWorkLimit) closuresCut = true;
        return closuresCut;
    };
    const auto n = static_cast<std::size_t>(pointCount);

    // Lines between known points.
    if (knownCount >= 2) {
        for (int i = 0; i + 1 < knownCount && !full(); ++i) {
            PathSearch s = searchPaths(i, -1);
            for (int j = i + 1; j < knownCount && !full(); ++j) {
                const auto sj = static_cast<std::size_t>(j);
                if (s.predecessor[sj] < 0) continue;
                const double w = s.height[sj] + heights[static_cast<std::size_t>(i)] - heights[sj];
                ClosureRecord rec;
                rec.values = {truncateToInt32(s.cost[sj] * 1000.0), misclosureTenthsMm(w),
                              truncateToInt32(closureCoefficient * std::sqrt(s.cost[sj]) * 10.0)};
                int v = j;
                for (std::size_t steps = 0; v != i && steps <= n; ++steps) {
                    rec.values.push_back(v);
                    v = s.predecessor[static_cast<std::size_t>(v)];
                }
                rec.values.push_back(i);
                stored += rec.values.size();
                closures.push_back(std::move(rec));
            }
        }
    }

    // Loops.
    if (observationCount - pointCount + 1 > 0) {
        std::unordered_map<std::uint64_t, int> firstJoining;
        for (std::size_t k = 0; k < observed.size(); ++k) firstJoining.emplace(pairKey(fromIndex[k], toIndex[k]), static_cast<int>(k));
        std::vector<char> used(observed.size(), 0);
        SearchSpace space;
        for (std::size_t i = 0; i < observed.size(); ++i) {
            if (used[i]) continue;
            if (full()) break;
            used[i] = 1;
            const int from = fromIndex[i], to = toIndex[i];
            search(space, to, static_cast<int>(i), from);
            const PathSearch& s = space.result;
            const auto sf = static_cast<std::size_t>(from);
            if (s.predecessor[sf] < 0) continue;
            const double w = observed[i] + s.height[sf];
            const double q = 1.0 / weight[i];
            ClosureRecord rec;
            rec.values = {truncateToInt32(1000.0 * q + 1000.0 * s.cost[sf]), misclosureTenthsMm(w),
                          truncateToInt32(closureCoefficient * std::sqrt(q + s.cost[sf]) * 10.0)};
            rec.values.push_back(from);
            int v = s.predecessor[sf];
            int previous = from;
            for (std::size_t steps = 0; steps <= n; ++steps) {
                auto it = firstJoining.find(pairKey(previous, v));
                if (it != firstJoining.end()) used[static_cast<std::size_t>(it->second)] = 1;
                if (v == to) break;
                rec.values.push_back(v);
                previous = v;
                v = s.predecessor[static_cast<std::size_t>(v)];
            }
            rec.values.push_back(to);
            rec.values.push_back(from);
            stored += rec.values.size();
            closures.push_back(std::move(rec));
        }
    }
}

}  // namespace vornex
