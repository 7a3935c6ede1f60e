// Approximate coordinates of a plane network, the starting point of the
// iteration. First a local frame (intersection from the first station's
// directions, or polar propagation from the first distance) is fitted onto the
// known points; where that leaves points out, the known frame is filled
// directly by intersection and propagation and, for networks these cannot
// reach, by forward intersection by directions from two oriented stations,
// resection by directions to three or more placed points, and intersection of
// two distances (the side chosen by a further observation).
//
// Azimuths are taken as the argument of the complex number x + iy (x north,
// y east): a clockwise azimuth from north is then an ordinary angle, and the
// circle constructions below need no case analysis.
#include <algorithm>
#include <cmath>
#include <complex>
#include <string>

#include "adjust/plane_adjust.h"
#include "text/text.h"

namespace vornex {
namespace {

using Complex = std::complex<double>;

constexpr double kTwoPi = 2 * kPi;
// Two rays or two circles meeting at less than this angle fix nothing useful.
const double kMinSine = std::sin(10.0 * kPi / 180);

Complex toComplex(const PlanePoint& p) { return {p.x, p.y}; }
PlanePoint toPoint(Complex z) { return {z.real(), z.imag()}; }
bool finite(Complex z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

}  // namespace

int CPlaneNetAdjust::Frame::missing() const {
    return static_cast<int>(std::count(has.begin(), has.end(), 0));
}

double CPlaneNetAdjust::directionInSet(int set, int target, bool& found) const {
    const auto& m = setDirections_[static_cast<std::size_t>(set)];
    auto it = m.find(target);
    found = it != m.end();
    return found ? it->second : 0.0;
}

bool CPlaneNetAdjust::angleAt(int point, int from, int to, double& angle) const {
    // The first set of the point that holds both targets: direction(to) - direction(from).
    for (int s : setsOfStation_[static_cast<std::size_t>(point)]) {
        bool fa = false, fb = false;
        const double a = directionInSet(s, from, fa);
        if (!fa) continue;
        const double b = directionInSet(s, to, fb);
        if (!fb) continue;
        angle = b - a;
        if (angle < 0) angle += kTwoPi;
        return true;
    }
    return false;
}

bool CPlaneNetAdjust::intersect(Frame& frame) const {
    const int initial = frame.missing();
    // Pairs of targets looked at; a hostile set of thousands of directions must
    // not keep the search busy for hours.
    std::size_t pairs = 0;
    constexpr std::size_t kMaxPairs = std::size_t{1} << 27;
    for (int pass = 0; pass <= initial && frame.missing() > 0; ++pass) {
        bool progress = false;
        for (int s = 0; s < stationSetCount(); ++s) {
            const int p = stationPoint[static_cast<std::size_t>(s)];
            if (frame.has[static_cast<std::size_t>(p)]) continue;
            const int begin = setStart[static_cast<std::size_t>(s)], end = setStart[static_cast<std::size_t>(s) + 1];
            bool fixed = false;
            for (int ja = begin; ja < end && !fixed; ++ja) {
                const int a = directionTarget[static_cast<std::size_t>(ja)];
                if (a == p || !frame.has[static_cast<std::size_t>(a)]) continue;
                for (int jb = ja + 1; jb < end && !fixed; ++jb) {
                    if (++pairs > kMaxPairs) return false;
                    const int b = directionTarget[static_cast<std::size_t>(jb)];
                    if (b == p || b == a || !frame.has[static_cast<std::size_t>(b)]) continue;
                    double alpha, beta;
                    if (!angleAt(a, b, p, alpha) || !angleAt(b, p, a, beta)) continue;
                    const double gamma = directionValue[static_cast<std::size_t>(jb)] - directionValue[static_cast<std::size_t>(ja)];
                    const double sA = std::sin(alpha), sB = std::sin(beta), sP = std::sin(gamma);
                    if (std::fabs(sP) < 1e-12) continue;  // A, B and P in one line: no intersection
                    const PlanePoint& A = frame.xy[static_cast<std::size_t>(a)];
                    const PlanePoint& B = frame.xy[static_cast<std::size_t>(b)];
                    PlanePoint P;
                    if (gamma > kPi) {
                        // A -> P is A -> B turned by alpha, of length AB sin(beta) / sin(gamma).
                        const double c = std::cos(alpha), dx = B.x - A.x, dy = B.y - A.y;
                        P.x = A.x + (c * dx - sA * dy) * sB / sP;
                        P.y = A.y + sB * (c * dy + sA * dx) / sP;
                    } else {
                        // B -> P is B -> A turned back by beta, of length AB sin(alpha) / sin(gamma).
                        const double c = std::cos(beta), dx = A.x - B.x, dy = A.y - B.y;
                        P.x = B.x + sA * (c * dx + sB * dy) / sP;
                        P.y = B.y + sA * (c * dy - sB * dx) / sP;
                    }
                    if (!std::isfinite(P.x) || !std::isfinite(P.y)) continue;
                    frame.xy[static_cast<std::size_t>(p)] = P;
                    frame.has[static_cast<std::size_t>(p)] = 1;
                    fixed = true;
                    progress = true;
                }
            }
        }
        if (!progress) break;
    }
    return frame.missing() == 0;
}

bool CPlaneNetAdjust::propagate(Frame& frame, bool useAzimuths) const {
    const int limit = pointCount - knownCount;
    for (int pass = 0; frame.missing() > 0; ++pass) {
        if (pass > limit) return false;
        bool progress = false;
        for (int s = 0; s < stationSetCount(); ++s) {
            const int st = stationPoint[static_cast<std::size_t>(s)];
            if (!frame.has[static_cast<std::size_t>(st)]) continue;
            const int begin = setStart[static_cast<std::size_t>(s)], end = setStart[static_cast<std::size_t>(s) + 1];
            const PlanePoint S = frame.xy[static_cast<std::size_t>(st)];
            // Orientation from the first direction whose azimuth is known.
            bool oriented = false;
            double orientation = 0, reference = 0;
            for (int k = begin; k < end && !oriented; ++k) {
                const int t = directionTarget[static_cast<std::size_t>(k)];
                if (t != st && frame.has[static_cast<std::size_t>(t)]) {
                    const PlanePoint& T = frame.xy[static_cast<std::size_t>(t)];
                    orientation = toRadians(joinPoints(T.x - S.x, T.y - S.y).azimuth);
                    oriented = true;
                } else if (useAzimuths) {
                    // Known azimuths belong to the known frame: in a local frame they
                    // would turn the station by the frame's unknown rotation.
                    for (int a = 0; a < azimuthCount() && !oriented; ++a) {
                        const int f = azimuthFrom[static_cast<std::size_t>(a)], to = azimuthTo[static_cast<std::size_t>(a)];
                        if (f == st && to == t) {
                            orientation = azimuthValue[static_cast<std::size_t>(a)];
                            oriented = true;
                        } else if (f == t && to == st) {
                            orientation = reduceTwoPi(azimuthValue[static_cast<std::size_t>(a)] + kPi);
                            oriented = true;
                        }
                    }
                }
                if (oriented) reference = directionValue[static_cast<std::size_t>(k)];
            }
            if (!oriented) continue;
            for (int j = begin; j < end; ++j) {
                const int t = directionTarget[static_cast<std::size_t>(j)];
                if (frame.has[static_cast<std::size_t>(t)]) continue;
                const int d = findDistance(st, t);
                if (d < 0) continue;
                const double az = directionValue[static_cast<std::size_t>(j)] + orientation - reference;
                const double len = distanceValue[static_cast<std::size_t>(d)];
                frame.xy[static_cast<std::size_t>(t)] = {S.x + len * std::cos(az), S.y + len * std::sin(az)};
                frame.has[static_cast<std::size_t>(t)] = 1;
                progress = true;
            }
        }
        if (!progress) return false;
    }
    return true;
}

int CPlaneNetAdjust::transform(const Frame& local, Frame& real) const {
    // The first pair of known points present in both frames gives scale and rotation.
    for (int i = 0; i < knownCount; ++i) {
        if (!local.has[static_cast<std::size_t>(i)]) continue;
        for (int j = i + 1; j < knownCount; ++j) {
            if (!local.has[static_cast<std::size_t>(j)]) continue;
            const PlanePoint& li = local.xy[static_cast<std::size_t>(i)];
            const PlanePoint& lj = local.xy[static_cast<std::size_t>(j)];
            const PlanePoint& ki = real.xy[static_cast<std::size_t>(i)];
            const PlanePoint& kj = real.xy[static_cast<std::size_t>(j)];
            const PolarVector l = joinPoints(lj.x - li.x, lj.y - li.y);
            const PolarVector k = joinPoints(kj.x - ki.x, kj.y - ki.y);
            if (!(l.distance > 0) || !(k.distance > 0)) continue;
            const double scale = k.distance / l.distance;
            const double rotation = k.azimuth - l.azimuth;
            for (int q = knownCount; q < pointCount; ++q) {
                if (!local.has[static_cast<std::size_t>(q)]) continue;
                const PlanePoint& lq = local.xy[static_cast<std::size_t>(q)];
                const PolarVector v = joinPoints(lq.x - li.x, lq.y - li.y);
                double az = v.azimuth + rotation;
                if (scale * v.distance < 0) az += 180.0;
                const double len = std::fabs(scale * v.distance);
                real.xy[static_cast<std::size_t>(q)] = {ki.x + len * std::cos(toRadians(az)), ki.y + len * std::sin(toRadians(az))};
                real.has[static_cast<std::size_t>(q)] = 1;
            }
            return real.missing();
        }
    }
    return real.missing();
}

bool CPlaneNetAdjust::approximateCoordinates(Prompter& prompter) {
    const auto n = static_cast<std::size_t>(pointCount);
    Frame real;
    real.xy = coordinates;
    real.has.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<std::int32_t>(i) < knownCount) {
            real.has[i] = 1;
        } else {
            real.xy[i] = {kUnknownX, 0};
        }
    }
    bool done = false;
    if (knownCount < 2) {
        prompter.message("已知点少于 2 个");
    } else {
        if (stationSetCount() > 0) {
            Frame local;
            local.xy.assign(n, PlanePoint{kUnknownX, 0});
            local.has.assign(n, 0);
            const int st = stationPoint[0], first = directionTarget[0];
            local.xy[static_cast<std::size_t>(st)] = {0, 0};
            local.has[static_cast<std::size_t>(st)] = 1;
            if (first != st) {
                local.xy[static_cast<std::size_t>(first)] = {1000, 0};
                local.has[static_cast<std::size_t>(first)] = 1;
            }
            intersect(local);
            done = transform(local, real) == 0;
        }
        if (!done && distanceCount() > 0) {
            Frame local;
            local.xy.assign(n, PlanePoint{kUnknownX, 0});
            local.has.assign(n, 0);
            const int a = distanceFrom[0], b = distanceTo[0];
            local.xy[static_cast<std::size_t>(a)] = {0, 0};
            local.has[static_cast<std::size_t>(a)] = 1;
            local.xy[static_cast<std::size_t>(b)] = {distanceValue[0], 0};
            local.has[static_cast<std::size_t>(b)] = 1;
            propagate(local, false);
            done = transform(local, real) == 0;
        }
        if (!done) {
            if (stationSetCount() > 0) done = intersect(real);
            if (!done) done = propagate(real, true);
            // Then forward intersection, resection and intersection of distances,
            // in turns with the two above, while any of them places a point.
            while (!done) {
                const int before = real.missing();
                forwardIntersect(real);
                resect(real);
                intersectDistances(real);
                if (real.missing() > 0 && stationSetCount() > 0) intersect(real);
                if (real.missing() > 0) propagate(real, true);
                done = real.missing() == 0;
                if (real.missing() == before) break;
            }
        }
    }
    coordinates = real.xy;
    if (done) return true;
    std::string text = "下列点计算不出近似坐标:\n";
    for (std::size_t i = 0; i < n; ++i) {
        if (!real.has[i]) text += "\n  " + text::gbkToUtf8(pointNames[i]);
    }
    prompter.message(text);
    return false;
}

bool CPlaneNetAdjust::orientation(int set, const Frame& frame, double& omega) const {
    // Azimuth minus direction of the first target with coordinates, or of a
    // known azimuth (the known frame only calls this).
    const int st = stationPoint[static_cast<std::size_t>(set)];
    const auto sst = static_cast<std::size_t>(st);
    if (!frame.has[sst]) return false;
    const Complex s = toComplex(frame.xy[sst]);
    for (int j = setStart[static_cast<std::size_t>(set)]; j < setStart[static_cast<std::size_t>(set) + 1]; ++j) {
        const int t = directionTarget[static_cast<std::size_t>(j)];
        const double r = directionValue[static_cast<std::size_t>(j)];
        if (t != st && frame.has[static_cast<std::size_t>(t)]) {
            const Complex d = toComplex(frame.xy[static_cast<std::size_t>(t)]) - s;
            if (std::abs(d) > 0) {
                omega = std::arg(d) - r;
                return true;
            }
        }
        for (int a = 0; a < azimuthCount(); ++a) {
            const int f = azimuthFrom[static_cast<std::size_t>(a)], to = azimuthTo[static_cast<std::size_t>(a)];
            if ((f == st && to == t) || (f == t && to == st)) {
                omega = azimuthValue[static_cast<std::size_t>(a)] + (f == st ? 0.0 : kPi) - r;
                return true;
            }
        }
    }
    return false;
}

bool CPlaneNetAdjust::forwardIntersect(Frame& frame) const {
    // Rays towards every point without coordinates from every oriented set.
    struct Ray {
        int station;
        double azimuth;
    };
    std::vector<std::vector<Ray>> rays(static_cast<std::size_t>(pointCount));
    for (int s = 0; s < stationSetCount(); ++s) {
        double omega = 0;
        if (!orientation(s, frame, omega)) continue;
        const int st = stationPoint[static_cast<std::size_t>(s)];
        for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1]; ++j) {
            const int t = directionTarget[static_cast<std::size_t>(j)];
            if (t == st || frame.has[static_cast<std::size_t>(t)]) continue;
            rays[static_cast<std::size_t>(t)].push_back({st, directionValue[static_cast<std::size_t>(j)] + omega});
        }
    }
    bool progress = false;
    for (int p = 0; p < pointCount; ++p) {
        const auto& r = rays[static_cast<std::size_t>(p)];
        // The pair of rays from two stations that meet at the widest angle.
        double best = kMinSine;
        Complex point;
        bool found = false;
        for (std::size_t a = 0; a < r.size() && a < 16; ++a) {
            for (std::size_t b = a + 1; b < r.size() && b < 16; ++b) {
                if (r[a].station == r[b].station) continue;
                const double sine = std::sin(r[b].azimuth - r[a].azimuth);
                if (std::fabs(sine) <= best) continue;
                // A + t1 u1 = B + t2 u2, both in front of their station.
                const Complex A = toComplex(frame.xy[static_cast<std::size_t>(r[a].station)]);
                const Complex B = toComplex(frame.xy[static_cast<std::size_t>(r[b].station)]);
                const Complex u1 = std::polar(1.0, r[a].azimuth), u2 = std::polar(1.0, r[b].azimuth);
                const Complex d = B - A;
                const double cross = u1.real() * u2.imag() - u1.imag() * u2.real();
                const double t1 = (d.real() * u2.imag() - d.imag() * u2.real()) / cross;
                const double t2 = (d.real() * u1.imag() - d.imag() * u1.real()) / cross;
                if (!(t1 > 0) || !(t2 > 0)) continue;
                const Complex q = A + t1 * u1;
                if (!finite(q)) continue;
                best = std::fabs(sine);
                point = q;
                found = true;
            }
        }
        if (!found) continue;
        frame.xy[static_cast<std::size_t>(p)] = toPoint(point);
        frame.has[static_cast<std::size_t>(p)] = 1;
        progress = true;
    }
    return progress;
}

bool CPlaneNetAdjust::resect(Frame& frame) const {
    bool progress = false;
    for (int s = 0; s < stationSetCount(); ++s) {
        const int p = stationPoint[static_cast<std::size_t>(s)];
        if (frame.has[static_cast<std::size_t>(p)]) continue;
        // Placed targets of the set (the first direction of each), at most 8.
        std::vector<std::pair<Complex, double>> t;
        for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1] && t.size() < 8; ++j) {
            const int q = directionTarget[static_cast<std::size_t>(j)];
            if (q == p || !frame.has[static_cast<std::size_t>(q)]) continue;
            const Complex z = toComplex(frame.xy[static_cast<std::size_t>(q)]);
            if (std::any_of(t.begin(), t.end(), [&](const auto& e) { return e.first == z; })) continue;
            t.push_back({z, directionValue[static_cast<std::size_t>(j)]});
        }
        if (t.size() < 3) continue;
        // For each triple A, B, C: P lies on the circle through A and B on which
        // AB subtends the observed angle (centre (A+B)/2 + i (B-A) / 2 tan(angle)),
        // and on the one through B and C; it is B mirrored in the line of the
        // centres. The triple whose centres lie farthest apart (farthest from the
        // circle through all three, where P is undetermined) is taken.
        double best = 0;
        Complex point;
        for (std::size_t a = 0; a < t.size(); ++a)
            for (std::size_t b = 0; b < t.size(); ++b)
                for (std::size_t c = a + 1; c < t.size(); ++c) {
                    if (b == a || b == c) continue;
                    const auto& [A, ra] = t[a];
                    const auto& [B, rb] = t[b];
                    const auto& [C, rc] = t[c];
                    const double alpha = rb - ra, beta = rc - rb;
                    if (std::fabs(std::sin(alpha)) < kMinSine || std::fabs(std::sin(beta)) < kMinSine) continue;
                    const Complex i(0, 1);
                    const Complex m1 = (A + B) / 2.0 + i * (B - A) / (2 * std::tan(alpha));
                    const Complex m2 = (B + C) / 2.0 + i * (C - B) / (2 * std::tan(beta));
                    const Complex d = m2 - m1;
                    const double scale = std::abs(B - A) + std::abs(C - B);
                    const double quality = std::abs(d) / scale;
                    if (!(quality > best) || quality < 1e-3) continue;
                    const Complex q = m1 + d * std::conj((B - m1) / d);
                    if (!finite(q)) continue;
                    best = quality;
                    point = q;
                }
        if (!(best > 0)) continue;
        frame.xy[static_cast<std::size_t>(p)] = toPoint(point);
        frame.has[static_cast<std::size_t>(p)] = 1;
        progress = true;
    }
    return progress;
}

bool CPlaneNetAdjust::intersectDistances(Frame& frame) const {
    std::vector<std::vector<std::pair<int, double>>> lines(static_cast<std::size_t>(pointCount));
    for (int k = 0; k < distanceCount(); ++k) {
        const int a = distanceFrom[static_cast<std::size_t>(k)], b = distanceTo[static_cast<std::size_t>(k)];
        const double d = distanceValue[static_cast<std::size_t>(k)];
        if (frame.has[static_cast<std::size_t>(a)] && !frame.has[static_cast<std::size_t>(b)]) lines[static_cast<std::size_t>(b)].push_back({a, d});
        if (frame.has[static_cast<std::size_t>(b)] && !frame.has[static_cast<std::size_t>(a)]) lines[static_cast<std::size_t>(a)].push_back({b, d});
    }
    // Observations at each point, for checking a trial position.
    std::vector<std::vector<int>> distancesAt(static_cast<std::size_t>(pointCount));
    for (int k = 0; k < distanceCount(); ++k) {
        distancesAt[static_cast<std::size_t>(distanceFrom[static_cast<std::size_t>(k)])].push_back(k);
        distancesAt[static_cast<std::size_t>(distanceTo[static_cast<std::size_t>(k)])].push_back(k);
    }
    std::vector<std::vector<std::pair<int, int>>> sightedBy(static_cast<std::size_t>(pointCount));  // set, direction
    for (int s = 0; s < stationSetCount(); ++s) {
        for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1]; ++j) {
            sightedBy[static_cast<std::size_t>(directionTarget[static_cast<std::size_t>(j)])].push_back({s, j});
        }
    }
    // How badly a trial position of p agrees with the observations that can be
    // checked without it: distances (relative), angles and azimuths (radians).
    auto misfit = [&](int p, Complex P, int& checks) {
        double sum = 0;
        checks = 0;
        auto placed = [&](int q) { return q != p && frame.has[static_cast<std::size_t>(q)]; };
        auto at = [&](int q) { return toComplex(frame.xy[static_cast<std::size_t>(q)]); };
        for (int k : distancesAt[static_cast<std::size_t>(p)]) {
            const int a = distanceFrom[static_cast<std::size_t>(k)], b = distanceTo[static_cast<std::size_t>(k)];
            const int q = a == p ? b : a;
            if (!placed(q)) continue;
            const double d = distanceValue[static_cast<std::size_t>(k)];
            sum += std::fabs(std::abs(at(q) - P) - d) / d;
            ++checks;
        }
        // Angles at p between placed targets.
        for (int s : setsOfStation_[static_cast<std::size_t>(p)]) {
            int first = -1;
            for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1]; ++j) {
                const int t = directionTarget[static_cast<std::size_t>(j)];
                if (!placed(t)) continue;
                if (first < 0) {
                    first = j;
                    continue;
                }
                const double angle = std::arg(at(t) - P) - std::arg(at(directionTarget[static_cast<std::size_t>(first)]) - P);
                sum += std::fabs(wrapPi(angle - (directionValue[static_cast<std::size_t>(j)] - directionValue[static_cast<std::size_t>(first)])));
                ++checks;
            }
        }
        // Directions towards p from oriented stations.
        for (auto [s, j] : sightedBy[static_cast<std::size_t>(p)]) {
            const int st = stationPoint[static_cast<std::size_t>(s)];
            double omega = 0;
            if (!placed(st) || !orientation(s, frame, omega)) continue;
            sum += std::fabs(wrapPi(std::arg(P - at(st)) - directionValue[static_cast<std::size_t>(j)] - omega));
            ++checks;
        }
        for (int a = 0; a < azimuthCount(); ++a) {
            const int f = azimuthFrom[static_cast<std::size_t>(a)], t = azimuthTo[static_cast<std::size_t>(a)];
            const int q = f == p ? t : t == p ? f : -1;
            if (q < 0 || !placed(q)) continue;
            const double az = f == p ? std::arg(at(q) - P) : std::arg(P - at(q));
            sum += std::fabs(wrapPi(az - azimuthValue[static_cast<std::size_t>(a)]));
            ++checks;
        }
        return sum;
    };
    bool progress = false;
    for (int p = 0; p < pointCount; ++p) {
        const auto& l = lines[static_cast<std::size_t>(p)];
        bool placed = false;
        for (std::size_t a = 0; a < l.size() && a < 8 && !placed; ++a) {
            for (std::size_t b = a + 1; b < l.size() && b < 8 && !placed; ++b) {
                const Complex Q1 = toComplex(frame.xy[static_cast<std::size_t>(l[a].first)]);
                const Complex Q2 = toComplex(frame.xy[static_cast<std::size_t>(l[b].first)]);
                const double d1 = l[a].second, d2 = l[b].second, base = std::abs(Q2 - Q1);
                if (!(base > 0)) continue;
                // Foot of the common chord on Q1Q2 and the half chord.
                const double along = (d1 * d1 - d2 * d2 + base * base) / (2 * base);
                double h2 = d1 * d1 - along * along;
                const Complex u = (Q2 - Q1) / base;
                if (h2 < 0) {
                    // Circles that just miss each other by the measuring errors touch.
                    if (h2 < -std::pow(1e-3 * (d1 + d2), 2)) continue;
                    h2 = 0;
                }
                const double h = std::sqrt(h2);
                // Circles crossing at a small angle fix the point poorly; try another pair.
                if (h < kMinSine * std::min(d1, d2) && h > 1e-4 * base) continue;
                const Complex foot = Q1 + along * u;
                Complex chosen = foot;
                if (h > 1e-4 * base) {
                    const Complex c1 = foot + Complex(0, h) * u, c2 = foot - Complex(0, h) * u;
                    int n1 = 0, n2 = 0;
                    const double m1 = misfit(p, c1, n1), m2 = misfit(p, c2, n2);
                    // Only the two distances used here: no further observation to choose by.
                    if (n1 <= 2 && n2 <= 2) continue;
                    if (std::fabs(m1 - m2) <= 0.5 * std::max(m1, m2)) continue;  // no clear choice
                    chosen = m1 < m2 ? c1 : c2;
                }
                if (!finite(chosen)) continue;
                frame.xy[static_cast<std::size_t>(p)] = toPoint(chosen);
                frame.has[static_cast<std::size_t>(p)] = 1;
                placed = progress = true;
            }
        }
    }
    return progress;
}

}  // namespace vornex
