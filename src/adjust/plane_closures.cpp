#include "adjust/plane_closures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <unordered_map>

namespace vornex {
namespace {

constexpr double kTwoPi = 2 * kPi;

double wrapPi(double a) { return std::remainder(a, kTwoPi); }

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

// Walks a traverse that leaves known point `start` towards `first`, oriented at
// the start by the direction to `back`. False when the chain is not a traverse.
bool walkTraverse(const Observations& obs, int pointCount, int start, int back, int first, TraverseClosure& t) {
    int set = 0;
    double angle = 0, az = 0, d = 0;
    if (!obs.knownAzimuth(start, back, az) || !obs.angle(start, back, first, set, angle) || !obs.distance(start, first, d)) return false;
    std::vector<double> azimuths, lengths;
    t.points = {start, first};
    az = std::fmod(az + angle, kTwoPi);
    azimuths.push_back(az);
    lengths.push_back(d);
    int angles = 1, prev = start, cur = first;
    std::vector<char> visited(static_cast<std::size_t>(pointCount), 0);
    visited[static_cast<std::size_t>(start)] = visited[static_cast<std::size_t>(first)] = 1;
    while (!obs.known(cur)) {
        // One leg forward: the only other target of the station's set with a distance.
        int next = -1;
        bool found = false;
        for (int s : obs.setsOf(cur)) {
            bool hasPrev = false;
            int forward = -1, forwardCount = 0;
            for (int j = obs.setStart(s); j < obs.setEnd(s); ++j) {
                const int q = obs.target(j);
                if (q == prev) hasPrev = true;
                double dq;
                if (q != prev && q != cur && q != forward && obs.distance(cur, q, dq)) {
                    forward = q;
                    ++forwardCount;
                }
            }
            if (!hasPrev) continue;
            if (forwardCount != 1) return false;
            next = forward;
            found = true;
            break;
        }
        if (!found || (visited[static_cast<std::size_t>(next)] && !obs.known(next))) return false;
        if (!obs.angle(cur, prev, next, set, angle) || !obs.distance(cur, next, d)) return false;
        az = std::fmod(az + kPi + angle, kTwoPi);
        azimuths.push_back(az);
        lengths.push_back(d);
        ++angles;
        t.points.push_back(next);
        visited[static_cast<std::size_t>(next)] = 1;
        prev = cur;
        cur = next;
    }
    // Orientation at the end: a known azimuth from the end point or another known point.
    for (int s : obs.setsOf(cur)) {
        for (int j = obs.setStart(s); j < obs.setEnd(s) && !t.hasAngular; ++j) {
            const int y = obs.target(j);
            double known = 0;
            if (y == prev || y == cur || !obs.knownAzimuth(cur, y, known) || !obs.angle(cur, prev, y, set, angle)) continue;
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
    t.length = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const double a = azimuths[i] - perAngle * static_cast<double>(i + 1);
        x += lengths[i] * std::cos(a);
        y += lengths[i] * std::sin(a);
        t.length += lengths[i];
    }
    t.fx = x - obs.xy(cur).x;
    t.fy = y - obs.xy(cur).y;
    return true;
}

void findTraverses(const CPlaneNetAdjust& p, const Observations& obs, PlaneClosures& out) {
    std::set<std::vector<int>> seen;
    for (int a = 0; a < p.knownCount; ++a) {
        for (int s : obs.setsOf(a)) {
            for (int j = obs.setStart(s); j < obs.setEnd(s); ++j) {
                const int first = obs.target(j);
                double d;
                if (obs.known(first) || first == a || !obs.distance(a, first, d)) continue;
                // The first target of the set that orients the start.
                for (int k = obs.setStart(s); k < obs.setEnd(s); ++k) {
                    const int back = obs.target(k);
                    double az;
                    if (back == first || back == a || !obs.knownAzimuth(a, back, az)) continue;
                    TraverseClosure t;
                    if (walkTraverse(obs, p.pointCount, a, back, first, t)) {
                        std::vector<int> reversed(t.points.rbegin(), t.points.rend());
                        if (!seen.count(t.points) && !seen.count(reversed)) {
                            seen.insert(t.points);
                            out.traverses.push_back(std::move(t));
                        }
                    }
                    break;
                }
            }
        }
    }
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
