// Further ways to approximate coordinates in the known frame, for networks that
// intersection and polar propagation cannot reach: forward intersection by
// directions from two oriented stations, resection by directions to three or
// more placed points, and intersection of two distances (the side chosen by a
// further observation).
//
// Azimuths are taken as the argument of the complex number x + iy (x north,
// y east): a clockwise azimuth from north is then an ordinary angle, and the
// circle constructions below need no case analysis.
#include <algorithm>
#include <cmath>
#include <complex>

#include "adjust/plane_adjust.h"

namespace vornex {
namespace {

using Complex = std::complex<double>;

constexpr double kTwoPi = 2 * kPi;
// Two rays or two circles meeting at less than this angle fix nothing useful.
const double kMinSine = std::sin(10.0 * kPi / 180);

Complex toComplex(const PlanePoint& p) { return {p.x, p.y}; }
PlanePoint toPoint(Complex z) { return {z.real(), z.imag()}; }
double wrapPi(double a) { return std::remainder(a, kTwoPi); }
bool finite(Complex z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

}  // namespace

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
