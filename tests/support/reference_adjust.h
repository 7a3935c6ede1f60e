// Independent least-squares adjustments for checking the survey adjustments and
// their tables. Plane: unknowns are the unknown points' coordinates and one
// orientation per direction set (known points left out, not held by large
// weights), observation equations linearised by central differences, normal
// equations solved by Cholesky, iterated to full convergence. Heights: one
// unknown per unknown point, solved directly (the problem is linear).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "adjust/survey_network.h"
#include "geometry/angles.h"

namespace vornex::testing {

inline double referenceAzimuth(PlanePoint a, PlanePoint b) {
    double t = std::atan2(b.y - a.y, b.x - a.x);
    return t < 0 ? t + 2 * kPi : t;
}

// Cholesky factor of a symmetric positive definite matrix and solutions with it.
struct Cholesky {
    std::vector<std::vector<double>> L;
    explicit Cholesky(const std::vector<std::vector<double>>& N) : L(N.size(), std::vector<double>(N.size(), 0.0)) {
        const std::size_t n = N.size();
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j <= i; ++j) {
                double s = N[i][j];
                for (std::size_t k = 0; k < j; ++k) s -= L[i][k] * L[j][k];
                L[i][j] = i == j ? std::sqrt(s) : s / L[j][j];
            }
    }
    std::vector<double> solve(std::vector<double> b) const {
        const std::size_t n = L.size();
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t k = 0; k < i; ++k) b[i] -= L[i][k] * b[k];
            b[i] /= L[i][i];
        }
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t k = i + 1; k < n; ++k) b[i] -= L[k][i] * b[k];
            b[i] /= L[i][i];
        }
        return b;
    }
    std::vector<std::vector<double>> inverse() const {
        const std::size_t n = L.size();
        std::vector<std::vector<double>> q(n);
        for (std::size_t i = 0; i < n; ++i) {
            std::vector<double> e(n, 0.0);
            e[i] = 1;
            q[i] = solve(e);
        }
        return q;
    }
};

struct ReferencePlane {
    static constexpr double kRho = 206264.80624709636;
    std::vector<std::string> names;             // unknown points; unknowns 2i (X), 2i+1 (Y)
    std::map<std::string, PlanePoint> xy;       // every point, adjusted
    std::vector<std::vector<double>> Q;         // inverse normal matrix over all unknowns
    std::vector<std::vector<double>> directionResidual;  // per set, per direction (seconds)
    std::vector<double> azimuthResidual;        // per known azimuth (seconds)
    double sigma0 = 0;
    // Every observation in order (directions by set, distances, azimuths): its
    // residual, weight, and residual cofactor 1/p - J Q J^T at the solution.
    std::vector<double> residual, weight, residualCofactor;
    double pvv = 0;

    int unknown(const std::string& n) const {
        auto it = std::find(names.begin(), names.end(), n);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
    // sigma0 * sqrt(a' Q a) of a function of the coordinates of two points.
    double functionError(const std::string& a, const std::string& b, const std::array<double, 4>& c) const {
        const int ia = unknown(a), ib = unknown(b);
        std::vector<std::pair<int, double>> terms;
        if (ia >= 0) terms.insert(terms.end(), {{2 * ia, c[0]}, {2 * ia + 1, c[1]}});
        if (ib >= 0) terms.insert(terms.end(), {{2 * ib, c[2]}, {2 * ib + 1, c[3]}});
        double q = 0;
        for (auto [i, ci] : terms)
            for (auto [j, cj] : terms) q += ci * cj * Q[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
        return sigma0 * std::sqrt(std::max(0.0, q));
    }
    double azimuthError(const std::string& a, const std::string& b) const {  // seconds
        const PlanePoint p = xy.at(a), q = xy.at(b);
        const double dx = q.x - p.x, dy = q.y - p.y, s2 = dx * dx + dy * dy;
        return functionError(a, b, {kRho * dy / s2, -kRho * dx / s2, -kRho * dy / s2, kRho * dx / s2});
    }
    double distanceError(const std::string& a, const std::string& b) const {  // m
        const PlanePoint p = xy.at(a), q = xy.at(b);
        const double dx = q.x - p.x, dy = q.y - p.y, s = std::hypot(dx, dy);
        return functionError(a, b, {-dx / s, -dy / s, dx / s, dy / s});
    }
    double distance(const std::string& a, const std::string& b) const {
        const PlanePoint p = xy.at(a), q = xy.at(b);
        return std::hypot(q.x - p.x, q.y - p.y);
    }
};

// Horizontal distance of an observation: slope distances (types 1 and 4) are
// reduced with the zenith angle.
inline double referenceHorizontal(const SurveyNetwork& net, const SurveyObservation& o) {
    const int type = net.control.observationType;
    if (type == kSlopeDistance || type == kSlopeAndZenith) return o.distance * std::fabs(std::sin(o.verticalOrHeight * kPi / 180));
    return o.distance;
}

// `start` holds approximate coordinates of every point (known ones are taken from the network).
inline ReferencePlane referencePlaneAdjust(const SurveyNetwork& net, std::map<std::string, PlanePoint> start) {
    constexpr double kRho = ReferencePlane::kRho;
    std::map<std::string, PlanePoint> known;
    for (const ControlPoint& cp : net.knownPoints) known[cp.name.str()] = {cp.x, cp.y};
    ReferencePlane ref;
    for (auto& [n, p] : start)
        if (!known.count(n)) ref.names.push_back(n);
    struct Set {
        std::string station;
        std::vector<std::pair<std::string, double>> dirs;
    };
    std::vector<Set> sets;
    std::vector<std::tuple<std::string, std::string, double, int>> dists;  // sum and count of each line
    for (const SurveyStation& st : net.stations) {
        Set s{st.name.str(), {}};
        for (const SurveyObservation& o : st.observations) {
            if (o.direction >= 0) s.dirs.push_back({o.targetName.str(), o.direction * kPi / 180});
            if (o.distance > 0) {
                const double d = referenceHorizontal(net, o);
                bool merged = false;
                for (auto& [a, b, sum, count] : dists)
                    if ((a == s.station && b == o.targetName.str()) || (b == s.station && a == o.targetName.str())) {
                        sum += d;
                        ++count;
                        merged = true;
                    }
                if (!merged) dists.push_back({s.station, o.targetName.str(), d, 1});
            }
        }
        if (!s.dirs.empty()) sets.push_back(s);
    }
    const std::size_t np = ref.names.size();
    const std::size_t nu = 2 * np + sets.size();
    std::vector<double> x(nu);
    for (std::size_t i = 0; i < np; ++i) {
        x[2 * i] = start[ref.names[i]].x;
        x[2 * i + 1] = start[ref.names[i]].y;
    }
    auto point = [&](const std::vector<double>& v, const std::string& n) -> PlanePoint {
        if (known.count(n)) return known[n];
        const auto i = static_cast<std::size_t>(ref.unknown(n));
        return {v[2 * i], v[2 * i + 1]};
    };
    for (std::size_t s = 0; s < sets.size(); ++s)
        x[2 * np + s] = referenceAzimuth(point(x, sets[s].station), point(x, sets[s].dirs[0].first)) - sets[s].dirs[0].second;
    const double sd = net.control.angleSigma / std::sqrt(2.0);
    auto residuals = [&](const std::vector<double>& v, std::vector<double>& weights) {
        std::vector<double> r;
        weights.clear();
        for (std::size_t s = 0; s < sets.size(); ++s)
            for (auto& [t, d] : sets[s].dirs) {
                const double a = referenceAzimuth(point(v, sets[s].station), point(v, t)) - d - v[2 * np + s];
                r.push_back(std::remainder(a, 2 * kPi) * kRho);
                weights.push_back(1 / (sd * sd));
            }
        for (auto& [a, b, sum, count] : dists) {
            const double d = sum / count;
            const PlanePoint p = point(v, a), q = point(v, b);
            r.push_back(std::hypot(q.x - p.x, q.y - p.y) - d);
            const double sigma = net.control.distancePpm * 1e-6 * d + net.control.distanceFixedError / 1000;
            weights.push_back(1 / (sigma * sigma));
        }
        for (const KnownAzimuth& k : net.knownAzimuths) {
            const double a = referenceAzimuth(point(v, k.fromName.str()), point(v, k.toName.str())) - k.azimuth * kPi / 180;
            r.push_back(std::remainder(a, 2 * kPi) * kRho);
            weights.push_back(1 / (net.control.azimuthSigma * net.control.azimuthSigma));
        }
        return r;
    };
    std::vector<double> w;
    std::vector<std::vector<double>> N, J;
    for (int iter = 0; iter < 30; ++iter) {
        const std::vector<double> r0 = residuals(x, w);
        const std::size_t m = r0.size();
        J.assign(m, std::vector<double>(nu));
        for (std::size_t j = 0; j < nu; ++j) {
            const double h = j < 2 * np ? 1e-4 : 1e-8;
            std::vector<double> xp = x, xm = x, wp;
            xp[j] += h;
            xm[j] -= h;
            const std::vector<double> rp = residuals(xp, wp), rm = residuals(xm, wp);
            for (std::size_t i = 0; i < m; ++i) J[i][j] = (rp[i] - rm[i]) / (2 * h);
        }
        N.assign(nu, std::vector<double>(nu, 0.0));
        std::vector<double> U(nu, 0.0);
        for (std::size_t i = 0; i < m; ++i)
            for (std::size_t a = 0; a < nu; ++a) {
                U[a] -= w[i] * J[i][a] * r0[i];
                for (std::size_t b = 0; b < nu; ++b) N[a][b] += w[i] * J[i][a] * J[i][b];
            }
        const std::vector<double> dx = Cholesky(N).solve(U);
        double big = 0;
        for (std::size_t j = 0; j < nu; ++j) {
            x[j] += dx[j];
            if (j < 2 * np) big = std::max(big, std::fabs(dx[j]));
        }
        if (big < 1e-11) break;
    }
    const std::vector<double> r = residuals(x, w);
    double pvv = 0;
    for (std::size_t i = 0; i < r.size(); ++i) pvv += w[i] * r[i] * r[i];
    ref.sigma0 = std::sqrt(pvv / (static_cast<double>(r.size()) - static_cast<double>(nu)));
    ref.Q = Cholesky(N).inverse();
    ref.residual = r;
    ref.weight = w;
    ref.pvv = pvv;
    for (std::size_t i = 0; i < r.size(); ++i) {
        double q = 0;
        for (std::size_t a = 0; a < nu; ++a)
            for (std::size_t b = 0; b < nu; ++b) q += J[i][a] * ref.Q[a][b] * J[i][b];
        ref.residualCofactor.push_back(1 / w[i] - q);
    }
    for (auto& [n, p] : start) ref.xy[n] = point(x, n);
    for (auto& [n, p] : known) ref.xy[n] = p;
    std::size_t k = 0;
    for (const Set& s : sets) {
        ref.directionResidual.emplace_back();
        for (std::size_t j = 0; j < s.dirs.size(); ++j) ref.directionResidual.back().push_back(r[k++]);
    }
    k += dists.size();
    for (std::size_t a = 0; a < net.knownAzimuths.size(); ++a) ref.azimuthResidual.push_back(r[k++]);
    return ref;
}

// Height network: observations (from, to, h, weight) with fixed known heights.
struct ReferenceHeights {
    std::map<std::string, double> height;
    std::map<std::string, double> heightError;  // mm
    std::vector<double> residual;                 // m, per observation
    std::vector<double> observationError;         // mm, per observation
    std::vector<double> residualCofactor;         // per observation: 1/p - a Q a^T
    double sigma0 = 0;
    double pvv = 0;
};

struct HeightObservation {
    std::string from, to;
    double h = 0;  // m
    double p = 0;  // weight
};

inline ReferenceHeights referenceHeightAdjust(const std::map<std::string, double>& known,
                                              const std::vector<HeightObservation>& obs) {
    std::vector<std::string> names;
    for (const HeightObservation& o : obs)
        for (const std::string* n : {&o.from, &o.to})
            if (!known.count(*n) && std::find(names.begin(), names.end(), *n) == names.end()) names.push_back(*n);
    const std::size_t n = names.size();
    auto idx = [&](const std::string& s) -> int {
        auto it = std::find(names.begin(), names.end(), s);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    };
    // v = H_to - H_from - h: with known heights moved to the constant term.
    std::vector<std::vector<double>> N(n, std::vector<double>(n, 0.0));
    std::vector<double> U(n, 0.0);
    for (const HeightObservation& o : obs) {
        const int a = idx(o.from), b = idx(o.to);
        double c = -o.h;
        if (a < 0) c -= known.at(o.from);
        if (b < 0) c += known.at(o.to);
        std::vector<std::pair<int, double>> t;
        if (a >= 0) t.push_back({a, -1});
        if (b >= 0) t.push_back({b, 1});
        for (auto [i, ci] : t) {
            U[static_cast<std::size_t>(i)] -= o.p * ci * c;
            for (auto [j, cj] : t) N[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] += o.p * ci * cj;
        }
    }
    Cholesky ch(N);
    const std::vector<double> x = ch.solve(U);
    const auto Q = ch.inverse();
    ReferenceHeights ref;
    auto H = [&](const std::string& s) { return idx(s) < 0 ? known.at(s) : x[static_cast<std::size_t>(idx(s))]; };
    double pvv = 0;
    for (const HeightObservation& o : obs) {
        const double v = H(o.to) - H(o.from) - o.h;
        ref.residual.push_back(v);
        pvv += o.p * v * v;
    }
    ref.sigma0 = std::sqrt(pvv / static_cast<double>(obs.size() - n));
    ref.pvv = pvv;
    for (std::size_t i = 0; i < n; ++i) {
        ref.height[names[i]] = x[i];
        ref.heightError[names[i]] = ref.sigma0 * std::sqrt(Q[i][i]) * 1000;
    }
    for (const HeightObservation& o : obs) {
        const int a = idx(o.from), b = idx(o.to);
        double q = 0;
        if (a >= 0) q += Q[static_cast<std::size_t>(a)][static_cast<std::size_t>(a)];
        if (b >= 0) q += Q[static_cast<std::size_t>(b)][static_cast<std::size_t>(b)];
        if (a >= 0 && b >= 0) q -= 2 * Q[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
        ref.observationError.push_back(ref.sigma0 * std::sqrt(q) * 1000);
        ref.residualCofactor.push_back(1 / o.p - q);
    }
    return ref;
}

}  // namespace vornex::testing
