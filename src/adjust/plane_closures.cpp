#include "adjust/plane_closures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>

namespace vornex {
namespace {

constexpr double kTwoPi = 2 * kPi;

std::uint64_t pairKey(int a, int b) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

// The observation lists of a plane adjustment, indexed for the closure walks.
class Observations {
public:
    explicit Observations(const CPlaneNetAdjust& p) : p_(p), sets_(static_cast<std::size_t>(p.pointCount)) {
        // Per set its targets sorted, each with its first direction, in one array.
        directions_.reserve(p.directionValue.size());
        offsets_.reserve(static_cast<std::size_t>(p.stationSetCount()) + 1);
        offsets_.push_back(0);
        for (int s = 0; s < p.stationSetCount(); ++s) {
            sets_[static_cast<std::size_t>(p.stationPoint[static_cast<std::size_t>(s)])].push_back(s);
            const auto begin = directions_.size();
            for (int j = p.setStart[static_cast<std::size_t>(s)]; j < p.setStart[static_cast<std::size_t>(s) + 1]; ++j) {
                directions_.push_back({p.directionTarget[static_cast<std::size_t>(j)], p.directionValue[static_cast<std::size_t>(j)]});
            }
            const auto first = directions_.begin() + static_cast<std::ptrdiff_t>(begin);
            std::stable_sort(first, directions_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
            directions_.erase(std::unique(first, directions_.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                              directions_.end());
            offsets_.push_back(directions_.size());
        }
        distances_.reserve(2 * static_cast<std::size_t>(p.distanceCount()));
        for (int k = 0; k < p.distanceCount(); ++k) {
            const int a = p.distanceFrom[static_cast<std::size_t>(k)], b = p.distanceTo[static_cast<std::size_t>(k)];
            distances_[pairKey(a, b)] = distances_[pairKey(b, a)] = p.distanceValue[static_cast<std::size_t>(k)];
        }
        for (int k = 0; k < p.azimuthCount(); ++k) {
            const int a = p.azimuthFrom[static_cast<std::size_t>(k)], b = p.azimuthTo[static_cast<std::size_t>(k)];
            const double v = p.azimuthValue[static_cast<std::size_t>(k)];
            azimuths_.emplace(pairKey(a, b), v);
            azimuths_.emplace(pairKey(b, a), std::fmod(v + kPi, kTwoPi));
        }
    }

    bool known(int i) const { return i < p_.knownCount; }
    const std::vector<int>& setsOf(int point) const { return sets_[static_cast<std::size_t>(point)]; }
    int setStart(int s) const { return p_.setStart[static_cast<std::size_t>(s)]; }
    int setEnd(int s) const { return p_.setStart[static_cast<std::size_t>(s) + 1]; }
    int target(int j) const { return p_.directionTarget[static_cast<std::size_t>(j)]; }

    // Clockwise angle at `point` from `from` to `to`, from the first set of the point that holds both.
    bool angle(int point, int from, int to, int& set, double& value) const {
        for (int s : setsOf(point)) {
            double a = 0, b = 0;
            if (!direction(s, from, a) || !direction(s, to, b)) continue;
            value = b - a;
            if (value < 0) value += kTwoPi;
            set = s;
            return true;
        }
        return false;
    }
    bool direction(int set, int target, double& value) const {
        const auto first = directions_.begin() + static_cast<std::ptrdiff_t>(offsets_[static_cast<std::size_t>(set)]);
        const auto last = directions_.begin() + static_cast<std::ptrdiff_t>(offsets_[static_cast<std::size_t>(set) + 1]);
        auto it = std::lower_bound(first, last, target, [](const auto& e, int t) { return e.first < t; });
        if (it == last || it->first != target) return false;
        value = it->second;
        return true;
    }
    bool distance(int a, int b, double& d) const {
        auto it = distances_.find(pairKey(a, b));
        if (it == distances_.end()) return false;
        d = it->second;
        return true;
    }
    // Azimuth from a to b known without the adjustment: a known azimuth, or both points known.
    bool knownAzimuth(int a, int b, double& az) const {
        auto it = azimuths_.find(pairKey(a, b));
        if (it != azimuths_.end()) {
            az = it->second;
            return true;
        }
        if (!known(a) || !known(b) || a == b) return false;
        const PlanePoint& A = p_.coordinates[static_cast<std::size_t>(a)];
        const PlanePoint& B = p_.coordinates[static_cast<std::size_t>(b)];
        if (A.x == B.x && A.y == B.y) return false;
        az = std::atan2(B.y - A.y, B.x - A.x);
        if (az < 0) az += kTwoPi;
        return true;
    }
    const PlanePoint& xy(int i) const { return p_.coordinates[static_cast<std::size_t>(i)]; }

private:
    const CPlaneNetAdjust& p_;
    std::vector<std::vector<int>> sets_;
    std::vector<std::pair<int, double>> directions_;
    std::vector<std::size_t> offsets_;
    std::unordered_map<std::uint64_t, double> distances_;
    std::unordered_map<std::uint64_t, double> azimuths_;
};

// The interior angle of a triangle at a vertex: the clockwise angle or its complement to 360 degrees.
double interior(double a) { return a > kPi ? kTwoPi - a : a; }

void findTriangles(const CPlaneNetAdjust& p, const Observations& obs, PlaneClosures& out) {
    for (int s = 0; s < p.stationSetCount(); ++s) {
        const int a = p.stationPoint[static_cast<std::size_t>(s)];
        for (int j = obs.setStart(s); j < obs.setEnd(s); ++j) {
            const int b = obs.target(j);
            if (b <= a) continue;
            for (int k = obs.setStart(s); k < obs.setEnd(s); ++k) {
                const int c = obs.target(k);
                if (c <= b) continue;
                const std::array<int, 3> tri{a, b, c};
                int set = 0;
                double alpha, beta, gamma;
                if (!obs.angle(a, b, c, set, alpha) || !obs.angle(b, c, a, set, beta) || !obs.angle(c, a, b, set, gamma)) continue;
                const double w = interior(alpha) + interior(beta) + interior(gamma) - kPi;
                out.triangles.push_back({tri, w * CPlaneNetAdjust::kRho});
            }
        }
    }
    // In point order; a triangle seen from several sets of its first point once.
    auto byPoints = [](const TriangleClosure& x, const TriangleClosure& y) { return x.points < y.points; };
    std::sort(out.triangles.begin(), out.triangles.end(), byPoints);
    out.triangles.erase(std::unique(out.triangles.begin(), out.triangles.end(),
                                    [](const TriangleClosure& x, const TriangleClosure& y) { return x.points == y.points; }),
                        out.triangles.end());
}

// The azimuth of the first leg start -> first, oriented at the start by a
// sighting to another known point or along a known azimuth (the first such
// target of the first set that holds both). False without one.
bool orientLeg(const Observations& obs, int start, int first, int exclude, double& az) {
    for (int s : obs.setsOf(start)) {
        for (int j = obs.setStart(s); j < obs.setEnd(s); ++j) {
            const int back = obs.target(j);
            int set = 0;
            double known = 0, angle = 0;
            if (back == first || back == start || back == exclude || !obs.knownAzimuth(start, back, known)) continue;
            if (!obs.angle(start, back, first, set, angle)) continue;
            az = std::fmod(known + angle, kTwoPi);
            return true;
        }
    }
    return false;
}

// The closure of the traverse along `path` (known start, stations, known end),
// oriented at its start (the caller has reversed a path oriented only at its
// end). False when an angle or a leg is missing.
bool computeTraverse(const Observations& obs, const std::vector<int>& path, TraverseClosure& t) {
    const int start = path.front(), end = path.back();
    double az = 0;
    if (!orientLeg(obs, start, path[1], -1, az)) return false;
    std::vector<double> azimuths, lengths;
    int angles = 1;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        double d = 0, angle = 0;
        int set = 0;
        if (i > 0) {
            if (!obs.angle(path[i], path[i - 1], path[i + 1], set, angle)) return false;
            az = std::fmod(az + kPi + angle, kTwoPi);
            ++angles;
        }
        if (!obs.distance(path[i], path[i + 1], d)) return false;
        azimuths.push_back(az);
        lengths.push_back(d);
    }
    t = TraverseClosure{};
    t.points = path;
    // Orientation at the end: a known azimuth from the end point or a sighting to
    // another known point (for a closed traverse, the start's own back sight).
    const int prev = path[path.size() - 2];
    for (int s : obs.setsOf(end)) {
        for (int j = obs.setStart(s); j < obs.setEnd(s) && !t.hasAngular; ++j) {
            const int y = obs.target(j);
            double known = 0, angle = 0;
            int set = 0;
            if (y == prev || y == end || !obs.knownAzimuth(end, y, known) || !obs.angle(end, prev, y, set, angle)) continue;
            t.angular = wrapPi(az + kPi + angle - known) * CPlaneNetAdjust::kRho;
            t.hasAngular = true;
            ++angles;
        }
        if (t.hasAngular) break;
    }
    t.angleCount = angles;
    t.legCount = static_cast<int>(lengths.size());
    // Coordinates with the angular closure spread evenly over the angles
    // (leg i carries i + 1 of them).
    const double perAngle = t.hasAngular ? t.angular / CPlaneNetAdjust::kRho / angles : 0.0;
    double x = obs.xy(start).x, y = obs.xy(start).y;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const double a = azimuths[i] - perAngle * static_cast<double>(i + 1);
        x += lengths[i] * std::cos(a);
        y += lengths[i] * std::sin(a);
        t.length += lengths[i];
    }
    t.fx = x - obs.xy(end).x;
    t.fy = y - obs.xy(end).y;
    return true;
}

// Traverse lines of a network: paths along legs with a distance from a known
// point to a known point (or back to its start), through unknown stations only,
// each station once, with an angle at every station. Per pair of known points
// the path through the most stations (cross-ties are left out, as a traverse
// book leaves them), found by exhaustive search within kMaxTraverseSteps steps;
// then, from the longest down, a path whose legs all lie in paths already
// taken is left out.
class TraverseSearch {
public:
    TraverseSearch(const CPlaneNetAdjust& p, const Observations& obs) : p_(p), obs_(obs), legs_(static_cast<std::size_t>(p.pointCount)) {
        for (int k = 0; k < p.distanceCount(); ++k) {
            const int a = p.distanceFrom[static_cast<std::size_t>(k)], b = p.distanceTo[static_cast<std::size_t>(k)];
            if (a == b) continue;
            legs_[static_cast<std::size_t>(a)].push_back(b);
            legs_[static_cast<std::size_t>(b)].push_back(a);
        }
        for (auto& l : legs_) {
            std::sort(l.begin(), l.end());
            l.erase(std::unique(l.begin(), l.end()), l.end());
        }
        visited_.assign(static_cast<std::size_t>(p.pointCount), 0);
    }

    // False when the search went beyond its bound (nothing is listed then).
    bool run(std::vector<TraverseClosure>& out) {
        for (int a = 0; a < p_.knownCount && !stopped_; ++a) {
            path_ = {a};
            visited_[static_cast<std::size_t>(a)] = 1;
            for (int first : legs_[static_cast<std::size_t>(a)]) {
                if (obs_.known(first)) continue;  // a leg between known points holds no station
                extend(first);
                if (stopped_) break;
            }
            visited_[static_cast<std::size_t>(a)] = 0;
        }
        if (stopped_) return false;
        std::vector<Candidate> chosen;
        chosen.reserve(best_.size());
        for (auto& [key, c] : best_) chosen.push_back(std::move(c));
        // The longest first; equals in the order of their known points.
        std::sort(chosen.begin(), chosen.end(), [](const Candidate& x, const Candidate& y) {
            if (x.path.size() != y.path.size()) return x.path.size() > y.path.size();
            return x.key < y.key;
        });
        std::set<std::uint64_t> covered;
        std::vector<std::pair<std::uint64_t, TraverseClosure>> rows;
        for (Candidate& c : chosen) {
            bool fresh = false;
            for (std::size_t i = 0; i + 1 < c.path.size(); ++i) fresh |= !covered.count(legKey(c.path[i], c.path[i + 1]));
            if (!fresh) continue;
            std::vector<int> path = c.path;
            if (!c.startOriented) std::reverse(path.begin(), path.end());
            TraverseClosure t;
            if (!computeTraverse(obs_, path, t)) continue;
            for (std::size_t i = 0; i + 1 < c.path.size(); ++i) covered.insert(legKey(c.path[i], c.path[i + 1]));
            rows.push_back({c.key, std::move(t)});
        }
        // Listed in the order of their known points.
        std::stable_sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
        for (auto& r : rows) out.push_back(std::move(r.second));
        return true;
    }

private:
    struct Candidate {
        std::uint64_t key = 0;  // the pair of known points, smaller first
        std::vector<int> path;
        bool startOriented = false;
        bool bothOriented = false;
    };

    static std::uint64_t legKey(int a, int b) { return a < b ? pairKey(a, b) : pairKey(b, a); }

    // Depth first from `first` (the station after the known start in path_),
    // with a stack of its own: a traverse of tens of thousands of stations is
    // one path, and a call per station would run out of the thread's stack.
    void extend(int first) {
        struct Frame {
            int cur, prev;
            std::size_t next = 0;  // the next leg of cur to try
        };
        std::vector<Frame> stack;
        auto enter = [&](int cur) {
            if (++steps_ > kMaxTraverseSteps) {
                stopped_ = true;
                return;
            }
            stack.push_back({cur, path_.back()});
            path_.push_back(cur);
            visited_[static_cast<std::size_t>(cur)] = 1;
        };
        enter(first);
        while (!stack.empty()) {
            const Frame f = stack.back();
            const std::vector<int>& legs = legs_[static_cast<std::size_t>(f.cur)];
            if (stopped_ || f.next >= legs.size()) {
                visited_[static_cast<std::size_t>(f.cur)] = 0;
                path_.pop_back();
                stack.pop_back();
                continue;
            }
            const int next = legs[stack.back().next++];
            if (next == f.prev) continue;
            int set = 0;
            double angle = 0;
            if (obs_.known(next)) {
                const int start = path_.front();
                // Each pair once, from its smaller known point; a closed traverse needs three legs.
                if (next < start || (next == start && path_.size() < 3)) continue;
                if (!obs_.angle(f.cur, f.prev, next, set, angle)) continue;
                path_.push_back(next);
                consider();
                path_.pop_back();
                continue;
            }
            if (visited_[static_cast<std::size_t>(next)] || !obs_.angle(f.cur, f.prev, next, set, angle)) continue;
            enter(next);
        }
    }

    // The path in path_ reached a known point: kept when it is the best of its pair.
    void consider() {
        const int a = path_.front(), b = path_.back();
        double az = 0;
        const bool startOriented = orientLeg(obs_, a, path_[1], -1, az);
        const bool endOriented = orientLeg(obs_, b, path_[path_.size() - 2], -1, az);
        if (!startOriented && !endOriented) return;  // no azimuth to carry: no closure
        const std::uint64_t key = pairKey(a, b);
        auto it = best_.find(key);
        if (it != best_.end()) {
            const Candidate& c = it->second;
            if (c.path.size() > path_.size()) return;
            if (c.path.size() == path_.size() && (c.bothOriented || !(startOriented && endOriented))) return;
        }
        best_[key] = Candidate{key, path_, startOriented, startOriented && endOriented};
    }

    const CPlaneNetAdjust& p_;
    const Observations& obs_;
    std::vector<std::vector<int>> legs_;
    std::vector<char> visited_;
    std::vector<int> path_;
    std::map<std::uint64_t, Candidate> best_;
    std::size_t steps_ = 0;
    bool stopped_ = false;
};

void findTraverses(const CPlaneNetAdjust& p, const Observations& obs, PlaneClosures& out) {
    TraverseSearch search(p, obs);
    out.traverseSearchComplete = search.run(out.traverses);
}

}  // namespace

double TraverseClosure::f() const { return std::hypot(fx, fy); }

PlaneClosures computePlaneClosures(const CPlaneNetAdjust& plane) {
    PlaneClosures out;
    if (plane.pointCount <= 0 || static_cast<int>(plane.coordinates.size()) < plane.pointCount) return out;
    const Observations obs(plane);
    findTriangles(plane, obs, out);
    findTraverses(plane, obs, out);
    return out;
}

}  // namespace vornex
