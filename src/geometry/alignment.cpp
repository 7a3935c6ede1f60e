#include "geometry/alignment.h"

#include <algorithm>
#include <cmath>

namespace vornex {
namespace {

constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;

// Beyond this tangent angle (radians) on the underlying clothoid the Fresnel
// series loses its digits to cancellation; such spirals (partial spirals whose
// end radii almost agree sit far out on a huge clothoid) are integrated directly.
constexpr double kSeriesAngleLimit = 2.0 * kPi;

struct Pose {
    double x = 0, y = 0, azimuth = 0;
};

bool sameRadius(const AlignmentElement& e) { return std::fabs(e.startRadius - e.endRadius) < 0.0001; }
bool isStraight(const AlignmentElement& e) { return sameRadius(e) && e.startRadius == 0; }

double curvatureOf(double radius) { return radius == 0 ? 0.0 : 1.0 / radius; }

// Direct evaluation of a spiral piece: heading φ(u) = k1·u + (k2 − k1)·u²/(2ℓ)
// integrated with 8-point Gauss-Legendre on panels of at most 0.2 rad turn (up
// to 320 panels: spirals of more than ten full turns are not roads).
Pose integrateSpiral(const AlignmentElement& e, double t) {
    static constexpr double kNodes[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                         0.9602898564975363};
    static constexpr double kWeights[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                           0.1012285362903763};
    double k1 = curvatureOf(e.startRadius), k2 = curvatureOf(e.endRadius);
    double len = e.length;
    auto heading = [&](double u) { return k1 * u + (k2 - k1) * u * u / (2.0 * len); };
    double maxTurn = std::max(std::fabs(k1), std::fabs(k2)) * t;
    double wanted = std::ceil(maxTurn / 0.2);
    // Beyond ten full turns the element is absurd data (a damaged file, say): one
    // panel keeps its cost at that of a short spiral instead of 320 panels of
    // trigonometry on enormous angles.
    int panels = std::isfinite(wanted) && wanted <= 320.0 ? static_cast<int>(std::max(wanted, 1.0)) : 1;
    double h = t / panels;
    double sx = 0, sy = 0;
    for (int p = 0; p < panels; ++p) {
        double mid = (p + 0.5) * h, half = 0.5 * h;
        for (int i = 0; i < 4; ++i) {
            for (double sign : {-1.0, 1.0}) {
                double phi = heading(mid + sign * kNodes[i] * half);
                sx += kWeights[i] * half * std::cos(phi);
                sy += kWeights[i] * half * std::sin(phi);
            }
        }
    }
    double a0 = e.startAzimuth * kDegToRad;
    double ca = std::cos(a0), sa = std::sin(a0);
    // Local (along, right) to (X, Y): right of azimuth a is a + 90°.
    return {e.x + sx * ca - sy * sa, e.y + sx * sa + sy * ca,
            normalizeAngle(e.startAzimuth + heading(t) * kRadToDeg)};
}

Pose evaluate(const AlignmentElement& e, double t, double tol);

// Spiral whose curvature changes sign (end radii of opposite signs): a
// shrinking spiral to the inflection point followed by a growing one.
Pose evaluateInflection(const AlignmentElement& e, double t, double tol) {
    double k1 = 1.0 / e.startRadius, k2 = 1.0 / e.endRadius;
    double tz = e.length * k1 / (k1 - k2);
    AlignmentElement first = e;
    first.length = tz;
    first.endRadius = 0;
    if (t <= tz) return evaluate(first, t, tol);
    Pose z = evaluate(first, tz, tol);
    AlignmentElement second = e;
    second.x = z.x;
    second.y = z.y;
    second.startAzimuth = z.azimuth;
    second.startRadius = 0;
    second.length = e.length - tz;
    return evaluate(second, t - tz, tol);
}

Pose evaluate(const AlignmentElement& e, double t, double tol) {
    if (planeRadius(e.startRadius) != e.startRadius || planeRadius(e.endRadius) != e.endRadius)
        return evaluate(planeElement(e), t, tol);
    const double a0 = e.startAzimuth;
    if (std::fabs(t) < 0.0001) return {e.x, e.y, normalizeAngle(a0)};
    if (t < 0) {
        PlanePoint d = polarOffset(t, a0);
        return {e.x + d.x, e.y + d.y, normalizeAngle(a0)};
    }
    if (t > e.length + 0.0001) {
        Pose end = evaluate(e, e.length, tol);
        PlanePoint d = polarOffset(t - e.length, end.azimuth);
        return {end.x + d.x, end.y + d.y, end.azimuth};
    }
    const double r1 = e.startRadius, r2 = e.endRadius;
    if (sameRadius(e)) {
        if (r1 == 0) {
            PlanePoint d = polarOffset(t, a0);
            return {e.x + d.x, e.y + d.y, normalizeAngle(a0)};
        }
        // Chord of the arc: half the central angle φ, length 2·R·sin φ, along a0 + φ.
        double phi = t * 90.0 / (kPi * r1);
        double chord = 2.0 * r1 * std::sin(phi * kDegToRad);
        PlanePoint d = polarOffset(chord, a0 + phi);
        return {e.x + d.x, e.y + d.y, normalizeAngle(a0 + 2.0 * phi)};
    }
    if (r1 != 0 && r2 != 0 && (r1 > 0) != (r2 > 0)) return evaluateInflection(e, t, tol);

    if (r1 == 0 || (r2 != 0 && std::fabs(r2) < std::fabs(r1))) {
        // Growing curvature: the piece [L0, L0 + length] of the clothoid that
        // reaches R2 at its end; L0 is where the element starts on it.
        double l0 = r1 == 0 ? 0.0 : e.length * std::fabs(r2 / (r1 - r2));
        if ((e.length + l0) / (2.0 * std::fabs(r2)) > kSeriesAngleLimit) return integrateSpiral(e, t);
        ClothoidPoint q0 = r1 == 0 ? ClothoidPoint{} : clothoidPoint(l0, l0, r1, tol);
        ClothoidPoint qt = clothoidPoint(t + l0, e.length + l0, r2, tol);
        PolarVector v = joinPoints(qt.x - q0.x, qt.y - q0.y);
        PlanePoint d = polarOffset(v.distance, v.azimuth + a0 - q0.angle);
        return {e.x + d.x, e.y + d.y, normalizeAngle(qt.angle + a0 - q0.angle)};
    }
    // Shrinking curvature: the element runs backwards along a growing clothoid of
    // radius -R1 from arc length Lf (the element's start) towards zero curvature.
    double lf = r2 == 0 ? e.length : e.length + e.length * std::fabs(r1 / (r1 - r2));
    if (lf / (2.0 * std::fabs(r1)) > kSeriesAngleLimit) return integrateSpiral(e, t);
    ClothoidPoint q0 = clothoidPoint(lf, lf, -r1, tol);
    ClothoidPoint qt = clothoidPoint(lf - t, lf, -r1, tol);
    PolarVector v = joinPoints(qt.x - q0.x, qt.y - q0.y);
    PlanePoint d = polarOffset(v.distance, v.azimuth + a0 - q0.angle + 180.0);
    return {e.x + d.x, e.y + d.y, normalizeAngle(qt.angle + a0 - q0.angle)};
}

AlignmentPoint toPoint(const Pose& p) {
    AlignmentPoint r;
    r.x = p.x;
    r.y = p.y;
    r.azimuth = p.azimuth;
    return r;
}

}  // namespace

double planeRadius(double radius) { return std::fabs(radius) < kStraightRadius ? radius : 0.0; }

AlignmentElement planeElement(const AlignmentElement& element) {
    AlignmentElement e = element;
    e.startRadius = planeRadius(e.startRadius);
    e.endRadius = planeRadius(e.endRadius);
    return e;
}

double curveTolerance(double precision) { return precision > 0 ? precision : 0.0001; }

ClothoidPoint clothoidPoint(double s, double L, double R, double tolerance) {
    if (std::fabs(s) < 0.0001 || std::fabs(L) < 0.0001) return {};
    if (!(tolerance > 0)) tolerance = 0.0001;
    s = std::min(std::fabs(s), std::fabs(L));
    if (R == 0) return {s, 0, 0};  // infinite radius: a straight
    const double theta = s * s / (2.0 * R * L);
    // X = s·Σ (−1)ⁿ θ²ⁿ / ((4n+1)(2n)!), Y = s·Σ (−1)ⁿ θ²ⁿ⁺¹ / ((4n+3)(2n+1)!),
    // each term made from the previous one.
    double x = s;
    double e = s * theta;
    double y = e / 3.0;
    bool converged = false;
    for (int k = 1; k <= 500; ++k) {
        double l = theta * e / ((2.0 * k) * (2.0 * k - 1.0));
        x -= l / (4.0 * k + 1.0);
        e = -theta * l;
        y += e / ((4.0 * k + 3.0) * (2.0 * k + 1.0));
        if (std::fabs(l) < tolerance && std::fabs(e) < tolerance) {
            converged = true;
            break;
        }
    }
    if (!converged || !std::isfinite(x) || !std::isfinite(y)) return {};
    return {x, y, normalizeAngle(theta * kRadToDeg)};
}

char elementTypeLetter(const AlignmentElement& element) {
    if (!sameRadius(element)) return 'H';
    return element.startRadius != 0 ? 'Y' : 'Z';
}

double elementCurvature(const AlignmentElement& original, double t) {
    if (t < 0 || t > original.length) return 0;  // the extensions are straight
    const AlignmentElement element = planeElement(original);
    double k1 = curvatureOf(element.startRadius);
    if (sameRadius(element)) return k1;
    double k2 = curvatureOf(element.endRadius);
    return k1 + (k2 - k1) * t / element.length;
}

AlignmentPoint pointOnElement(const AlignmentElement& element, double t, double tolerance) {
    AlignmentPoint p = toPoint(evaluate(element, t, tolerance));
    if (std::fabs(t) < 0.0001) p.name = element.name.utf8();
    return p;
}

int propagateElements(std::span<AlignmentElement> elements, int referenceIndex, double tolerance) {
    const int n = static_cast<int>(elements.size());
    if (n == 0) return 1;
    if (referenceIndex < 0 || referenceIndex >= n) return -3;
    const int r = referenceIndex;
    // Backward: element b−1 is run in reverse from the start of element b.
    for (int b = r; b >= 1; --b) {
        AlignmentElement& prev = elements[b - 1];
        const AlignmentElement& cur = elements[b];
        AlignmentElement reverse;
        reverse.x = cur.x;
        reverse.y = cur.y;
        reverse.startAzimuth = cur.startAzimuth + 180.0;
        reverse.length = prev.length;
        reverse.startRadius = -prev.endRadius;
        reverse.endRadius = -prev.startRadius;
        Pose p = evaluate(reverse, reverse.length, tolerance);
        prev.x = p.x;
        prev.y = p.y;
        prev.startStation = cur.startStation - prev.length;
        prev.startAzimuth = prev.arrivalAzimuth = normalizeAngle(p.azimuth - 180.0);
    }
    elements[0].name = Name12("QD");
    // Forward: positions after the reference element, tangent azimuths and names.
    for (int i = 1; i < n; ++i) {
        const AlignmentElement& prev = elements[i - 1];
        AlignmentElement& cur = elements[i];
        if (i > r) {
            cur.startStation = prev.startStation + prev.length;
            Pose p = evaluate(prev, prev.length, tolerance);
            cur.x = p.x;
            cur.y = p.y;
            cur.arrivalAzimuth = p.azimuth;
        }
        // Between two straights the second keeps its own azimuth: an angle point.
        if (!(isStraight(prev) && isStraight(cur))) cur.startAzimuth = cur.arrivalAzimuth;
        const char name[3] = {elementTypeLetter(prev), elementTypeLetter(cur), '\0'};
        cur.name = Name12(name);
    }
    return 1;
}

int propagateElements(Road& road, int referenceIndex, double tolerance) {
    return propagateElements(std::span<AlignmentElement>(road.elements), referenceIndex, tolerance);
}

int elementAtStation(std::span<const AlignmentElement> elements, double chainage) {
    const int n = static_cast<int>(elements.size());
    if (n == 0) return -1;
    for (int i = 0; i < n; ++i) {
        if (chainage < elements[i].startStation + elements[i].length) return i;
    }
    return n - 1;
}

namespace detail {

// pointAtStation on an element already chosen for the chainage.
void pointAtStationOn(std::span<const AlignmentElement> elements, int index, double chainage,
                      double tolerance, double offset, double sideAngle, AlignmentPoint& point) {
    const AlignmentElement& e = elements[index];
    point = toPoint(evaluate(e, chainage - e.startStation, tolerance));
    if (chainage == e.startStation) {
        point.name = e.name.utf8();
    } else if (index + 1 == static_cast<int>(elements.size()) && chainage == e.startStation + e.length) {
        point.name = "ZD";
    }
    if (offset != 0) {
        double dir = point.azimuth + sideAngle + (offset < 0 ? 180.0 : 0.0);
        PlanePoint d = polarOffset(std::fabs(offset), dir);
        point.x += d.x;
        point.y += d.y;
    }
}

}  // namespace detail

int pointAtStation(std::span<const AlignmentElement> elements, double chainage, double tolerance,
                   double offset, double sideAngle, AlignmentPoint& point) {
    point = {};
    int i = elementAtStation(elements, chainage);
    if (i < 0) return 0;
    detail::pointAtStationOn(elements, i, chainage, tolerance, offset, sideAngle, point);
    return 1;
}

int pointAtStation(const Road& road, double chainage, double tolerance, double offset,
                   double sideAngle, AlignmentPoint& point) {
    return pointAtStation(std::span<const AlignmentElement>(road.elements), chainage, tolerance, offset,
                          sideAngle, point);
}

}  // namespace vornex
