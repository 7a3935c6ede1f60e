#include "adjust/adjustment_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "adjust/tolerances.h"

namespace vornex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A residual cofactor below this share of the observation's own cofactor 1/p
// means the observation is not controlled by others (a leg of an open line):
// its residual is zero by construction and it cannot be tested.
constexpr double kUncontrolled = 1e-8;

// Standard normal quantile, Abramowitz & Stegun 26.2.23 (|error| < 4.5e-4):
// only a starting value, refined by Newton steps on the exact distribution.
double normalQuantile(double p) {
    const double q = p < 0.5 ? p : 1 - p;
    const double t = std::sqrt(-2 * std::log(q));
    const double z = t - (2.515517 + 0.802853 * t + 0.010328 * t * t) / (1 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t);
    return p < 0.5 ? -z : z;
}

// Density of chi2(k) at x > 0.
double chiSquareDensity(double x, double k) {
    const double h = k / 2;
    return std::exp((h - 1) * std::log(x) - x / 2 - h * std::log(2.0) - std::lgamma(h));
}

// Accumulates one observation into a running maximum of |w|.
void consider(StandardizedResidual& best, double v, double qvv, double ownCofactor, double sigma0Prior, ObservationKind kind,
              int index, int from, int to) {
    if (!(qvv > kUncontrolled * ownCofactor) || !(sigma0Prior > 0)) return;
    const double w = std::fabs(v) / (sigma0Prior * std::sqrt(qvv));
    if (!std::isfinite(w)) return;
    if (!best.valid || w > best.w) best = {true, w, kind, index, from, to};
}

// a^T Q a over the unknowns `idx` of a plane adjustment.
double quadraticForm(const CPlaneNetAdjust& p, const double* a, const int* idx, int n) {
    double q = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) q += a[i] * a[j] * p.cofactor(idx[i], idx[j]);
    }
    return q;
}

}  // namespace

double regularizedGammaP(double a, double x) {
    if (!(a > 0) || !(x >= 0)) return kNaN;
    if (x == 0) return 0;
    if (std::isinf(x)) return 1;
    const double logPrefix = -x + a * std::log(x) - std::lgamma(a);
    if (x < a + 1) {
        // Series: P = e^-x x^a / Gamma(a) * sum x^n / (a (a+1) ... (a+n)).
        double term = 1 / a, sum = term;
        for (int n = 1; n < 10000; ++n) {
            term *= x / (a + n);
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * 1e-16) break;
        }
        return std::min(1.0, sum * std::exp(logPrefix));
    }
    // Continued fraction of Q = 1 - P (modified Lentz).
    constexpr double kTiny = 1e-300;
    double b = x + 1 - a, c = 1 / kTiny, d = 1 / b, h = d;
    for (int i = 1; i < 10000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1) < 1e-16) break;
    }
    return std::max(0.0, 1 - std::exp(logPrefix) * h);
}

double chiSquareQuantile(double probability, double dof) {
    if (!(probability > 0 && probability < 1) || !(dof > 0) || !std::isfinite(dof)) return kNaN;
    const double k = dof;
    // Start: Wilson-Hilferty (chi2/k)^(1/3) ~ N(1 - 2/(9k), 2/(9k)); in the
    // lower tail of few degrees of freedom, where it fails, the leading term
    // of the series P ~ (x/2)^(k/2) / Gamma(k/2 + 1).
    const double v = 2 / (9 * k);
    const double c = 1 - v + normalQuantile(probability) * std::sqrt(v);
    const double small = 2 * std::exp((std::log(probability) + std::lgamma(k / 2 + 1)) * 2 / k);
    double x = c > 0 ? k * c * c * c : small;
    if (!(x > 0) || !std::isfinite(x)) x = k;
    // Newton steps on P(k/2, x/2) = probability, kept inside a bracket that
    // bisection narrows whenever a step would leave it.
    double lo = 0, hi = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 200; ++i) {
        const double f = regularizedGammaP(k / 2, x / 2) - probability;
        if (f < 0) lo = x;
        else hi = x;
        if (f == 0) break;
        double next = x - f / chiSquareDensity(x, k);
        if (!(next > lo && next < hi) || !std::isfinite(next)) next = std::isinf(hi) ? 2 * x : (lo + hi) / 2;
        if (std::fabs(next - x) <= 1e-14 * x) {
            x = next;
            break;
        }
        x = next;
    }
    return x;
}

GlobalTest globalModelTest(double pvv, double sigma0Prior, int redundancy) {
    GlobalTest t;
    if (redundancy <= 0 || !(sigma0Prior > 0) || !std::isfinite(pvv)) return t;
    t.valid = true;
    t.chi2 = pvv / (sigma0Prior * sigma0Prior);
    t.lower = chiSquareQuantile(0.025, redundancy);
    t.upper = chiSquareQuantile(0.975, redundancy);
    t.passed = t.chi2 >= t.lower && t.chi2 <= t.upper;
    return t;
}

double levelingKilometreSigma(std::int32_t levelClass) {
    // 每千米水准测量全中误差 M_W, the limit the standards set on the error of
    // one kilometre computed from loop closures (the closure limits are twice
    // it): 一等 1.0 mm, 二等 2.0 mm (GB/T 12897-2006 国家一、二等水准测量规范);
    // 三等 6.0 mm, 四等 10.0 mm (GB/T 12898-2009 国家三、四等水准测量规范).
    static constexpr double kMw[4] = {10.0, 6.0, 2.0, 1.0};  // by 观测等级 0 四等 .. 3 一等
    if (levelClass < kFourthOrder || levelClass > kFirstOrder) return kMw[kFourthOrder];
    return kMw[levelClass];
}

double levelingPriorSigma0(const SurveyNetwork& network) {
    const double perKm = levelingKilometreSigma(network.leveling.levelClass) / 1000.0;  // m per sqrt(km)
    if (network.leveling.weighting != 1) return perKm;
    double length = 0, stations = 0;
    for (int i = 0; i < network.sectionCount(); ++i) {
        if (network.section(i).excluded != 0) continue;
        const SectionTotals t = network.sectionTotals(i);
        if (!(t.stationCount > 0) || !std::isfinite(t.length())) continue;
        length += t.length();
        stations += t.stationCount;
    }
    if (!(stations > 0) || !(length > 0)) return 0;
    return perKm * std::sqrt(length / 1000.0 / stations);
}

double levelingResidualCofactor(const CLevelingAdjust& a, int k) {
    if (k < 0 || k >= a.observationCount) return 0;
    const auto sk = static_cast<std::size_t>(k);
    const int f = a.fromIndex[sk], t = a.toIndex[sk];
    const double own = 1 / a.weight[sk];
    if (f == t) return own;
    return own - (a.cofactor(f, f) + a.cofactor(t, t) - 2 * a.cofactor(f, t));
}

AdjustmentSummary summarizeHeights(const CLevelingAdjust& a, double sigma0Prior) {
    AdjustmentSummary s;
    s.unknowns = std::max(0, a.pointCount - a.knownCount);
    s.knownPoints = a.knownCount;
    s.redundancy = a.observationCount - s.unknowns;
    s.sigma0Prior = sigma0Prior;
    s.results = a.adjusted != 0;
    if (!s.results) return s;
    for (int k = 0; k < a.observationCount; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        s.pvv += a.weight[sk] * a.residual[sk] * a.residual[sk];
    }
    s.hasSigma0 = a.hasSigma0;
    s.sigma0 = a.sigma0;
    s.test = globalModelTest(s.pvv, sigma0Prior, s.redundancy);
    for (int k = 0; k < a.observationCount; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        consider(s.largest, a.residual[sk], levelingResidualCofactor(a, k), 1 / a.weight[sk], sigma0Prior,
                 ObservationKind::HeightDifference, k, a.fromIndex[sk], a.toIndex[sk]);
    }
    return s;
}

AdjustmentSummary summarizePlane(const CPlaneNetAdjust& p) {
    AdjustmentSummary s;
    s.unknowns = 2 * std::max(0, p.pointCount - p.knownCount) + p.stationSetCount();
    s.knownPoints = p.knownCount;
    s.redundancy = p.directionCount() + p.distanceCount() + p.azimuthCount() - s.unknowns;
    s.sigma0Prior = 1;
    s.results = p.adjusted != 0 && p.pointCount > 0;
    if (!s.results) return s;
    s.pvv = p.pvv;
    s.hasSigma0 = p.hasSigma0;
    s.sigma0 = p.sigma0;
    s.test = globalModelTest(s.pvv, 1.0, s.redundancy);
    constexpr double rho = CPlaneNetAdjust::kRho;
    // Coefficients of the linearised observations at the adjusted coordinates,
    // as the last iteration formed them (seconds per metre for angles).
    auto angleRow = [&](int f, int t, double* a) {
        const PlanePoint& A = p.coordinates[static_cast<std::size_t>(f)];
        const PlanePoint& B = p.coordinates[static_cast<std::size_t>(t)];
        const double dx = B.x - A.x, dy = B.y - A.y, s2 = dx * dx + dy * dy;
        if (!(s2 > 1e-12)) return false;
        a[0] = rho * dy / s2, a[1] = -rho * dx / s2, a[2] = -rho * dy / s2, a[3] = rho * dx / s2;
        return true;
    };
    const double dirOwn = std::max(p.directionSigma * p.directionSigma, 1e-15);
    for (int set = 0; set < p.stationSetCount(); ++set) {
        const int st = p.stationPoint[static_cast<std::size_t>(set)];
        for (int j = p.setStart[static_cast<std::size_t>(set)]; j < p.setStart[static_cast<std::size_t>(set) + 1]; ++j) {
            const int t = p.directionTarget[static_cast<std::size_t>(j)];
            double a[5];
            if (!angleRow(st, t, a)) continue;
            a[4] = -1;
            const int idx[5] = {2 * st, 2 * st + 1, 2 * t, 2 * t + 1, 2 * p.pointCount + set};
            consider(s.largest, p.directionResidual[static_cast<std::size_t>(j)], dirOwn - quadraticForm(p, a, idx, 5), dirOwn,
                     1.0, ObservationKind::Direction, j, st, t);
        }
    }
    for (int k = 0; k < p.distanceCount(); ++k) {
        const int f = p.distanceFrom[static_cast<std::size_t>(k)], t = p.distanceTo[static_cast<std::size_t>(k)];
        const PlanePoint& A = p.coordinates[static_cast<std::size_t>(f)];
        const PlanePoint& B = p.coordinates[static_cast<std::size_t>(t)];
        const double dx = B.x - A.x, dy = B.y - A.y, d = std::hypot(dx, dy);
        if (!(d > 1e-9)) continue;
        const double a[4] = {-dx / d, -dy / d, dx / d, dy / d};
        const int idx[4] = {2 * f, 2 * f + 1, 2 * t, 2 * t + 1};
        const double sigma = p.ppmFactor * p.distanceValue[static_cast<std::size_t>(k)] + p.fixedError;
        const double own = sigma * sigma + 1e-15;
        consider(s.largest, p.distanceResidual[static_cast<std::size_t>(k)], own - quadraticForm(p, a, idx, 4), own, 1.0,
                 ObservationKind::Distance, k, f, t);
    }
    const double azOwn = p.azimuthSigmaPrior * p.azimuthSigmaPrior + 1e-15;
    for (int k = 0; k < p.azimuthCount(); ++k) {
        const int f = p.azimuthFrom[static_cast<std::size_t>(k)], t = p.azimuthTo[static_cast<std::size_t>(k)];
        double a[4];
        if (!angleRow(f, t, a)) continue;
        const int idx[4] = {2 * f, 2 * f + 1, 2 * t, 2 * t + 1};
        consider(s.largest, p.azimuthResidual[static_cast<std::size_t>(k)], azOwn - quadraticForm(p, a, idx, 4), azOwn, 1.0,
                 ObservationKind::Azimuth, k, f, t);
    }
    return s;
}

}  // namespace vornex
