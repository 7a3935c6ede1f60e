#include "adjust/network_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <unordered_map>

#include "adjust/plane_closures.h"
#include "geometry/angles.h"
#include "text/text.h"

namespace vornex {
namespace {

std::string utf8(const std::string& gbk) { return text::gbkToUtf8(gbk); }

std::uint64_t pairKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

// Point sequences of the closure rows, mapped from the adjustment's point
// indices to the plot's by name.
std::vector<std::vector<int>> closurePathsByName(const CLevelingAdjust& a,
                                                 const std::unordered_map<std::string, int>& plotIndex) {
    std::vector<std::vector<int>> paths;
    if (!a.adjusted) return paths;  // the closure table lists nothing then
    paths.reserve(a.closures.size());
    for (const ClosureRecord& c : a.closures) {
        std::vector<int> path;
        for (std::int32_t p : c.points()) {
            int at = -1;
            if (p >= 0 && p < a.pointCount) {
                auto it = plotIndex.find(a.pointNames[static_cast<std::size_t>(p)]);
                if (it != plotIndex.end()) at = it->second;
            }
            path.push_back(at);
        }
        paths.push_back(std::move(path));
    }
    return paths;
}

// ---- Layout of a graph --------------------------------------------------------

// Hash key of the square cell (cx, cy) of a spatial grid.
std::uint64_t cellKey(long long cx, long long cy) {
    return (static_cast<std::uint64_t>(cx) << 32) ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(cy));
}

// Hop counts from `start` over the adjacency lists; -1 where not reached, and
// nothing beyond `radius` hops.
void hops(const std::vector<std::vector<int>>& adjacent, int start, int radius, std::vector<int>& out,
          std::vector<int>& reached) {
    for (int r : reached) out[static_cast<std::size_t>(r)] = -1;
    reached.clear();
    std::deque<int> queue{start};
    out[static_cast<std::size_t>(start)] = 0;
    reached.push_back(start);
    while (!queue.empty()) {
        const int i = queue.front();
        queue.pop_front();
        const int d = out[static_cast<std::size_t>(i)];
        if (d >= radius) continue;
        for (int j : adjacent[static_cast<std::size_t>(i)]) {
            if (out[static_cast<std::size_t>(j)] >= 0) continue;
            out[static_cast<std::size_t>(j)] = d + 1;
            reached.push_back(j);
            queue.push_back(j);
        }
    }
}

struct Target {
    int j;
    double d;  // wanted distance
    double w;  // weight d^-2
};

// Full graph distances up to this many points; beyond, each point keeps its
// near neighbourhood and a fixed set of pivots, which holds the work per sweep
// near linear in the size of the network.
constexpr int kFullPairs = 800;
constexpr int kNearRadius = 3;
constexpr int kPivots = 40;
constexpr double kWorkPerLayout = 2e7;  // pair visits over all sweeps
constexpr double kSeparation = 0.3;     // minimum distance between points, in edge lengths
constexpr std::uint32_t kSeed = 20120315;

// Last resort when pushing pairs apart did not settle (a crowded, folded
// layout): every free point moves to the nearest node of a lattice of the
// separation's spacing that no earlier point holds and no anchor stands near.
void snapToLattice(std::vector<PlanPoint>& at, const std::vector<char>& fixed, double separation) {
    const double s = separation * 1.01;
    std::unordered_map<std::uint64_t, std::vector<PlanPoint>> anchorCells;
    for (std::size_t i = 0; i < at.size(); ++i)
        if (fixed[i])
            anchorCells[cellKey(static_cast<long long>(std::floor(at[i].x / s)), static_cast<long long>(std::floor(at[i].y / s)))]
                .push_back(at[i]);
    auto nearAnchor = [&](const PlanPoint& p) {
        const long long cx = static_cast<long long>(std::floor(p.x / s)), cy = static_cast<long long>(std::floor(p.y / s));
        for (long long dx = -1; dx <= 1; ++dx)
            for (long long dy = -1; dy <= 1; ++dy) {
                auto it = anchorCells.find(cellKey(cx + dx, cy + dy));
                if (it == anchorCells.end()) continue;
                for (const PlanPoint& a : it->second)
                    if (std::hypot(a.x - p.x, a.y - p.y) < separation * 1.0001) return true;
            }
        return false;
    };
    std::unordered_map<std::uint64_t, char> taken;
    for (std::size_t i = 0; i < at.size(); ++i) {
        if (fixed[i]) continue;
        const long long ix = std::llround(at[i].x / s), iy = std::llround(at[i].y / s);
        for (long long ring = 0;; ++ring) {
            double best = 1e300;
            long long bx = 0, by = 0;
            for (long long dx = -ring; dx <= ring; ++dx)
                for (long long dy = -ring; dy <= ring; ++dy) {
                    if (std::max(std::llabs(dx), std::llabs(dy)) != ring) continue;
                    const PlanPoint node{static_cast<double>(ix + dx) * s, static_cast<double>(iy + dy) * s};
                    if (taken.count(cellKey(ix + dx, iy + dy)) || nearAnchor(node)) continue;
                    const double d = std::hypot(node.x - at[i].x, node.y - at[i].y);
                    if (d < best) best = d, bx = ix + dx, by = iy + dy;
                }
            if (best < 1e300) {
                taken[cellKey(bx, by)] = 1;
                at[i] = {static_cast<double>(bx) * s, static_cast<double>(by) * s};
                break;
            }
        }
    }
}

// Places every point: anchors (given coordinates) stay; the others follow the
// stress majorisation of Gansner, Koren and North (2004), which draws a chain
// straight and a loop round, so that graph distance shows as distance on the
// page. Then no two points are left closer than the minimum separation.
void layoutGraph(RouteSchematic& r, std::vector<std::optional<PlanPoint>> given) {
    const int n = static_cast<int>(r.points.size());
    const auto un = static_cast<std::size_t>(n);
    if (n == 0) return;
    std::vector<std::vector<int>> adjacent(un);
    for (const RouteEdge& e : r.edges) {
        if (e.from == e.to) continue;
        adjacent[static_cast<std::size_t>(e.from)].push_back(e.to);
        adjacent[static_cast<std::size_t>(e.to)].push_back(e.from);
    }

    // Graph distances (hops) to the points each point is drawn towards.
    const bool full = n <= kFullPairs;
    std::vector<int> pivots;
    if (!full)
        for (int k = 0; k < kPivots; ++k) pivots.push_back(static_cast<int>(static_cast<long long>(k) * n / kPivots));
    std::vector<std::vector<int>> pivotHops;
    std::vector<int> dist(un, -1), reached;
    int diameter = 1;
    for (int p : pivots) {
        hops(adjacent, p, n, dist, reached);
        pivotHops.push_back(dist);
        for (int h : dist) diameter = std::max(diameter, h);
    }
    std::vector<std::vector<std::pair<int, int>>> near(un);  // (j, hops)
    for (int i = 0; i < n; ++i) {
        hops(adjacent, i, full ? n : kNearRadius, dist, reached);
        for (int j : reached)
            if (j != i) {
                near[static_cast<std::size_t>(i)].push_back({j, dist[static_cast<std::size_t>(j)]});
                diameter = std::max(diameter, dist[static_cast<std::size_t>(j)]);
            }
        std::sort(near[static_cast<std::size_t>(i)].begin(), near[static_cast<std::size_t>(i)].end());
    }

    // Anchors: known points with coordinates of their own, when at least two
    // distinct ones exist. The edge length then follows from the anchors' spread.
    std::vector<int> anchors;
    for (int i = 0; i < n; ++i)
        if (given[static_cast<std::size_t>(i)]) anchors.push_back(i);
    double unit = 1;
    auto distance = [](const PlanPoint& a, const PlanPoint& b) { return std::hypot(a.x - b.x, a.y - b.y); };
    if (anchors.size() >= 2) {
        double geo = 0, graph = 0, spread = 0;
        for (std::size_t a = 0; a < anchors.size(); ++a) {
            hops(adjacent, anchors[a], n, dist, reached);
            for (std::size_t b = a + 1; b < anchors.size(); ++b) {
                const double g = distance(*given[static_cast<std::size_t>(anchors[a])], *given[static_cast<std::size_t>(anchors[b])]);
                spread = std::max(spread, g);
                const int h = dist[static_cast<std::size_t>(anchors[b])];
                if (h > 0) geo += g, graph += h;
            }
        }
        unit = graph > 0 ? geo / graph : spread / std::max(1.0, std::sqrt(static_cast<double>(n)));
        if (!(unit > 0) || !std::isfinite(unit)) unit = 1;
    }
    const double separation = kSeparation * unit;
    // Anchors standing on (or next to) an earlier anchor are laid out like the
    // rest, so that both stay visible.
    {
        std::vector<int> kept;
        for (int a : anchors) {
            bool clash = false;
            for (int k : kept)
                if (distance(*given[static_cast<std::size_t>(a)], *given[static_cast<std::size_t>(k)]) < separation) clash = true;
            if (clash) {
                given[static_cast<std::size_t>(a)].reset();
            } else {
                kept.push_back(a);
            }
        }
        anchors = kept;
    }
    if (anchors.size() < 2) {
        for (int a : anchors) given[static_cast<std::size_t>(a)].reset();
        anchors.clear();
        unit = 1;
    }
    r.geographic = !anchors.empty();
    r.unit = unit;
    r.minimumSeparation = kSeparation * unit;

    // Start: anchors at their place, the others at pseudo-random places from a
    // fixed seed (std::mt19937's sequence is fixed by the standard), spread over
    // the anchors' extent or over a square that holds n points.
    std::mt19937 random(kSeed);
    auto uniform = [&random] { return static_cast<double>(random()) / 4294967296.0; };
    PlanExtents box;
    for (int a : anchors) box.add(*given[static_cast<std::size_t>(a)]);
    if (box.empty) {
        box.add({0, 0});
        const double side = std::sqrt(static_cast<double>(n)) * unit;
        box.add({side, side});
    }
    std::vector<PlanPoint> at(un);
    std::vector<char> fixed(un, 0);
    for (int i = 0; i < n; ++i) {
        const double u = uniform(), v = uniform();
        if (given[static_cast<std::size_t>(i)]) {
            at[static_cast<std::size_t>(i)] = *given[static_cast<std::size_t>(i)];
            fixed[static_cast<std::size_t>(i)] = 1;
        } else {
            at[static_cast<std::size_t>(i)] = {box.minX + u * (box.maxX - box.minX), box.minY + v * (box.maxY - box.minY)};
        }
    }

    // Targets per point: graph distance x unit, weight d^-2. Points in another
    // component are kept a diameter apart, weakly.
    std::vector<std::vector<Target>> targets(un);
    std::size_t pairs = 0;
    for (int i = 0; i < n; ++i) {
        auto& t = targets[static_cast<std::size_t>(i)];
        std::map<int, int> wanted(near[static_cast<std::size_t>(i)].begin(), near[static_cast<std::size_t>(i)].end());
        for (std::size_t k = 0; k < pivots.size(); ++k)
            if (pivots[k] != i) {
                const int h = pivotHops[k][static_cast<std::size_t>(i)];
                wanted.emplace(pivots[k], h < 0 ? diameter + 1 : h);
            }
        if (full)
            for (int j = 0; j < n; ++j)
                if (j != i) wanted.emplace(j, diameter + 1);
        for (auto [j, h] : wanted) {
            const double d = h * unit;
            t.push_back({j, d, 1.0 / (d * d)});
        }
        pairs += t.size();
    }
    const int sweeps = std::clamp(static_cast<int>(kWorkPerLayout / std::max<std::size_t>(pairs, 1)), 8, 400);
    for (int s = 0; s < sweeps; ++s) {
        double moved = 0;
        for (int i = 0; i < n; ++i) {
            if (fixed[static_cast<std::size_t>(i)]) continue;
            PlanPoint& p = at[static_cast<std::size_t>(i)];
            double sx = 0, sy = 0, sw = 0;
            for (const Target& t : targets[static_cast<std::size_t>(i)]) {
                const PlanPoint& q = at[static_cast<std::size_t>(t.j)];
                const double dx = p.x - q.x, dy = p.y - q.y;
                const double len = std::sqrt(dx * dx + dy * dy);
                if (len > 1e-12 * unit) {
                    sx += t.w * (q.x + t.d * dx / len);
                    sy += t.w * (q.y + t.d * dy / len);
                } else {
                    sx += t.w * q.x;
                    sy += t.w * q.y;
                }
                sw += t.w;
            }
            if (sw <= 0) continue;
            const PlanPoint next{sx / sw, sy / sw};
            moved = std::max(moved, distance(next, p));
            p = next;
        }
        if (moved < 1e-4 * unit) break;
    }

    // Separation: pairs closer than the minimum are pushed apart along the line
    // joining them (a fixed direction when they coincide), anchors staying put.
    // Cells of the separation's size find the close pairs.
    const double sep = r.minimumSeparation * 1.0001;
    bool resolved = false;
    for (int pass = 0; pass < 200; ++pass) {
        std::unordered_map<std::uint64_t, std::vector<int>> cells;
        auto cellOf = [&](const PlanPoint& p) {
            return std::pair<long long, long long>(static_cast<long long>(std::floor(p.x / sep)),
                                                   static_cast<long long>(std::floor(p.y / sep)));
        };
        for (int i = 0; i < n; ++i) {
            auto [cx, cy] = cellOf(at[static_cast<std::size_t>(i)]);
            cells[cellKey(cx, cy)].push_back(i);
        }
        bool pushed = false;
        for (int i = 0; i < n; ++i) {
            auto [cx, cy] = cellOf(at[static_cast<std::size_t>(i)]);
            for (long long dx = -1; dx <= 1; ++dx)
                for (long long dy = -1; dy <= 1; ++dy) {
                    auto it = cells.find(cellKey(cx + dx, cy + dy));
                    if (it == cells.end()) continue;
                    for (int j : it->second) {
                        if (j <= i) continue;
                        PlanPoint& p = at[static_cast<std::size_t>(i)];
                        PlanPoint& q = at[static_cast<std::size_t>(j)];
                        double ux = q.x - p.x, uy = q.y - p.y;
                        const double len = std::hypot(ux, uy);
                        if (len >= r.minimumSeparation) continue;
                        const bool fi = fixed[static_cast<std::size_t>(i)] != 0, fj = fixed[static_cast<std::size_t>(j)] != 0;
                        if (fi && fj) continue;
                        if (len > 1e-9 * unit) {
                            ux /= len, uy /= len;
                        } else {
                            const double t = 2.399963229728653 * (i + 1) + 0.5 * j;  // golden angle
                            ux = std::cos(t), uy = std::sin(t);
                        }
                        const double gap = sep * 1.05 - len;
                        const double shareI = fi ? 0.0 : fj ? 1.0 : 0.5;
                        p.x -= ux * gap * shareI, p.y -= uy * gap * shareI;
                        q.x += ux * gap * (1 - shareI), q.y += uy * gap * (1 - shareI);
                        pushed = true;
                    }
                }
        }
        if (!pushed) {
            resolved = true;
            break;
        }
    }
    if (!resolved) snapToLattice(at, fixed, r.minimumSeparation);
    for (int i = 0; i < n; ++i) r.points[static_cast<std::size_t>(i)].at = at[static_cast<std::size_t>(i)];
}

// Coordinates a known point gives the layout: any but 0, 0 (which files use
// for "none").
std::optional<PlanPoint> givenCoordinates(const ControlPoint& cp) {
    if (!std::isfinite(cp.x) || !std::isfinite(cp.y) || (cp.x == 0 && cp.y == 0)) return std::nullopt;
    return PlanPoint{cp.x, cp.y};
}

struct RouteBuilder {
    RouteSchematic r;
    std::vector<std::optional<PlanPoint>> given;
    std::unordered_map<std::string, int> index;  // GBK name -> point
    std::unordered_map<std::uint64_t, int> edgeIndex;

    int point(const std::string& gbk, bool known = false) {
        auto [it, fresh] = index.emplace(gbk, static_cast<int>(r.points.size()));
        if (fresh) {
            r.points.push_back({utf8(gbk), {}, known});
            given.emplace_back();
        }
        return it->second;
    }
    void known(const std::vector<ControlPoint>& points) {
        for (const ControlPoint& cp : points) {
            const bool fresh = index.find(cp.name.str()) == index.end();
            const int i = point(cp.name.str(), true);
            if (fresh) given[static_cast<std::size_t>(i)] = givenCoordinates(cp);
        }
    }
    void run(int from, int to, int source, bool excluded) {
        auto [it, fresh] = edgeIndex.emplace(pairKey(from, to), static_cast<int>(r.edges.size()));
        if (fresh) r.edges.push_back({from, to, {}, true});
        RouteEdge& e = r.edges[static_cast<std::size_t>(it->second)];
        e.sections.push_back(source);
        e.excluded = e.excluded && excluded;
    }
};

// Lays the route out, or takes the positions of `previous` when it shows the
// same graph from the same anchors (the layout depends on nothing else).
void placeRoute(RouteSchematic& r, const std::vector<std::optional<PlanPoint>>& given, const RouteSchematic* previous) {
    r.anchors = given;
    auto sameAnchor = [](const std::optional<PlanPoint>& a, const std::optional<PlanPoint>& b) {
        return a.has_value() == b.has_value() && (!a || (a->x == b->x && a->y == b->y));
    };
    bool same = previous && previous->anchors.size() == given.size() && previous->points.size() == r.points.size() &&
                previous->edges.size() == r.edges.size();
    for (std::size_t i = 0; same && i < given.size(); ++i) same = sameAnchor(previous->anchors[i], given[i]);
    for (std::size_t i = 0; same && i < r.points.size(); ++i)
        same = previous->points[i].name == r.points[i].name && previous->points[i].known == r.points[i].known;
    for (std::size_t i = 0; same && i < r.edges.size(); ++i)
        same = previous->edges[i].from == r.edges[i].from && previous->edges[i].to == r.edges[i].to;
    if (!same) {
        layoutGraph(r, given);
        return;
    }
    for (std::size_t i = 0; i < r.points.size(); ++i) r.points[i].at = previous->points[i].at;
    r.geographic = previous->geographic;
    r.unit = previous->unit;
    r.minimumSeparation = previous->minimumSeparation;
}

}  // namespace

// ---- Control network ------------------------------------------------------------

ControlPlot controlPlot(const ControlModule& m) {
    ControlPlot plot;
    const CPlaneNetAdjust& p = m.plane;
    const int n = std::min<int>(p.pointCount, static_cast<int>(p.coordinates.size()));
    std::vector<int> plotIndex(static_cast<std::size_t>(std::max(n, 0)), -1);
    std::unordered_map<std::string, int> byName;
    for (int i = 0; i < n; ++i) {
        const PlanePoint& c = p.coordinates[static_cast<std::size_t>(i)];
        if (c.x >= CPlaneNetAdjust::kUnknownX || !std::isfinite(c.x) || !std::isfinite(c.y)) continue;
        plotIndex[static_cast<std::size_t>(i)] = static_cast<int>(plot.points.size());
        byName.emplace(p.pointNames[static_cast<std::size_t>(i)], static_cast<int>(plot.points.size()));
        plot.points.push_back({utf8(p.pointNames[static_cast<std::size_t>(i)]), {c.x, c.y}, i < p.knownCount});
    }

    // Lines from the stations' sightings: a target sighted by direction or by
    // distance. Known azimuths are not sightings and draw no line.
    const bool plane = m.network.control.observationType != kHeightDifference;
    std::unordered_map<std::uint64_t, int> lineIndex;
    std::vector<std::pair<bool, bool>> sightedFrom;  // (from `from`, from `to`)
    for (const SurveyStation& st : m.network.stations) {
        auto si = byName.find(st.name.str());
        if (si == byName.end() || !plane) continue;
        for (const SurveyObservation& o : st.observations) {
            const bool direction = o.direction >= 0, distance = o.distance > 0;
            if (!direction && !distance) continue;
            auto ti = byName.find(o.targetName.str());
            if (ti == byName.end() || ti->second == si->second) continue;
            auto [it, fresh] = lineIndex.emplace(pairKey(si->second, ti->second), static_cast<int>(plot.lines.size()));
            if (fresh) {
                plot.lines.push_back({si->second, ti->second, false, false, false});
                sightedFrom.push_back({false, false});
            }
            NetworkLine& line = plot.lines[static_cast<std::size_t>(it->second)];
            line.direction = line.direction || direction;
            line.distance = line.distance || distance;
            auto& s = sightedFrom[static_cast<std::size_t>(it->second)];
            (line.from == si->second ? s.first : s.second) = true;
        }
    }
    for (std::size_t k = 0; k < plot.lines.size(); ++k) plot.lines[k].oneWay = !(sightedFrom[k].first && sightedFrom[k].second);

    // Ellipses of the point-error table: the same figures, the same points.
    if (p.adjusted && p.hasSigma0) {
        for (int i = p.knownCount; i < n; ++i) {
            if (plotIndex[static_cast<std::size_t>(i)] < 0) continue;
            const PointError e = p.pointError(i);
            if (!e.shown) continue;
            plot.ellipses.push_back({plotIndex[static_cast<std::size_t>(i)], e.a, e.b, e.f});
        }
    }
    plot.closurePaths = closurePathsByName(m.heights, byName);

    // The rows of the plane-closure table, in its order.
    const PlaneClosures closures = computePlaneClosures(p);
    auto toPlot = [&](int i) { return i >= 0 && i < n ? plotIndex[static_cast<std::size_t>(i)] : -1; };
    for (const TriangleClosure& t : closures.triangles)
        plot.planeClosurePaths.push_back({toPlot(t.points[0]), toPlot(t.points[1]), toPlot(t.points[2]), toPlot(t.points[0])});
    for (const TraverseClosure& t : closures.traverses) {
        std::vector<int> path;
        path.reserve(t.points.size());
        for (int i : t.points) path.push_back(toPlot(i));
        plot.planeClosurePaths.push_back(std::move(path));
    }
    return plot;
}

std::vector<PlanPoint> ellipseOutline(const PlanPoint& centre, const ErrorEllipse& e, double magnification,
                                      int segments) {
    // Major axis along the bearing F: unit vector (cos F, sin F) in (X north,
    // Y east); the minor axis at F + 90 degrees, (-sin F, cos F).
    segments = std::max(segments, 4);
    const double a = e.a * magnification, b = e.b * magnification;
    const double cf = std::cos(e.f), sf = std::sin(e.f);
    std::vector<PlanPoint> out;
    out.reserve(static_cast<std::size_t>(segments) + 1);
    for (int k = 0; k <= segments; ++k) {
        const double t = 2 * kPi * (k % segments) / segments;
        const double u = a * std::cos(t), v = b * std::sin(t);
        out.push_back({centre.x + u * cf - v * sf, centre.y + u * sf + v * cf});
    }
    return out;
}

PlanExtents controlPlotExtents(const ControlPlot& plot, double magnification) {
    PlanExtents e;
    for (const NetworkPoint& p : plot.points) e.add(p.at);
    for (const ErrorEllipse& el : plot.ellipses) {
        // The ellipse's bounding box: half-widths sqrt(a^2 cos^2 + b^2 sin^2)
        // along X and sqrt(a^2 sin^2 + b^2 cos^2) along Y.
        const PlanPoint& c = plot.points[static_cast<std::size_t>(el.point)].at;
        const double a = el.a * magnification, b = el.b * magnification;
        const double cf = std::cos(el.f), sf = std::sin(el.f);
        const double hx = std::hypot(a * cf, b * sf), hy = std::hypot(a * sf, b * cf);
        e.add({c.x - hx, c.y - hy});
        e.add({c.x + hx, c.y + hy});
    }
    return e;
}

// ---- Route schematics -------------------------------------------------------------

RouteSchematic levelingRoute(const LevelingModule& m, const RouteSchematic* previous) {
    RouteBuilder b;
    const SurveyNetwork& net = m.network;
    b.known(net.knownPoints);
    // The adjustment's order: points of the runs it uses, then those of the
    // excluded runs (still drawn, dashed).
    for (int pass = 0; pass < 2; ++pass)
        for (const LevelingSection& s : net.sections)
            if ((s.excluded != 0) == (pass == 1)) {
                b.point(s.startName.str());
                b.point(s.endName.str());
            }
    for (int i = 0; i < net.sectionCount(); ++i) {
        const LevelingSection& s = net.section(i);
        b.run(b.point(s.startName.str()), b.point(s.endName.str()), i, s.excluded != 0);
    }
    placeRoute(b.r, b.given, previous);
    b.r.closurePaths = closurePathsByName(m.adjust, b.index);
    return std::move(b.r);
}

RouteSchematic controlHeightRoute(const ControlModule& m, const RouteSchematic* previous) {
    RouteBuilder b;
    const CLevelingAdjust& h = m.heights;
    b.known(m.network.knownPoints);
    for (const std::string& name : h.pointNames) b.point(name);
    for (const MergedRun& run : h.runs) {
        if (run.observation < 0 || run.observation >= h.observationCount) continue;
        const auto k = static_cast<std::size_t>(run.observation);
        b.run(b.point(h.pointNames[static_cast<std::size_t>(h.fromIndex[k])]),
              b.point(h.pointNames[static_cast<std::size_t>(h.toIndex[k])]), run.source, false);
    }
    placeRoute(b.r, b.given, previous);
    b.r.closurePaths = closurePathsByName(h, b.index);
    return std::move(b.r);
}

PlanExtents routeExtents(const RouteSchematic& route) {
    PlanExtents e;
    for (const NetworkPoint& p : route.points) e.add(p.at);
    return e;
}

}  // namespace vornex
