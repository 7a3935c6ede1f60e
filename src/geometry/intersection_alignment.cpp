#include "geometry/intersection_alignment.h"

#include <cmath>
#include <cstddef>
#include <optional>
#include <span>

#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/point_to_station.h"
#include "model/field_rules.h"

namespace vornex {

namespace {

// Elements shorter than this are left out of a rebuilt element list.
constexpr double kShortestElement = 0.0001;
// Deflections this close to 0 or 180 degrees carry no curve: the sliding fit
// divides by sin α.
constexpr double kStraightTurn = 1e-8;
// Radii this large (an empty cell holds 1e18) stand for a straight.
constexpr double kHugeRadius = 1e17;

double signedTurn(double turn) {
    double t = normalizeAngle(turn);
    return t > 180 ? t - 360 : t;
}

PolarVector legBetween(const IntersectionPoint& a, const IntersectionPoint& b) {
    return joinPoints(b.x - a.x, b.y - a.y);
}

bool samePlace(const IntersectionPoint& a, const IntersectionPoint& b) {
    return a.x == b.x && a.y == b.y;
}

AlignmentElement makeElement(double length, double startRadius, double endRadius) {
    AlignmentElement e;
    e.length = length;
    e.startRadius = startRadius;
    e.endRadius = endRadius;
    return e;
}

double endChainage(std::span<const AlignmentElement> elements) {
    if (elements.empty()) return 0;
    return elements.back().startStation + elements.back().length;
}

// Spiral parameter squared of a spiral from the outer radius `outer` (0: a
// straight) to the circle radius R over `length`: A² = R·Ls for a full spiral,
// |R·R1·Ls / (R − R1)| for a partial one.
double spiralParameterSquared(double R, double outer, double length) {
    if (outer == 0) return R * length;
    if (outer == R) return 0;  // constant curvature: no spiral parameter
    return std::fabs(R * outer * length / (R - outer));
}

// Turn of a spiral in degrees. A spiral whose outer radius equals R turns like
// an arc of its length.
double spiralTurn(double R, double outer, double length, double a2) {
    if (length == 0) return 0;
    if (outer != 0 && outer == R) return length / R * 180 / kPi;
    double beta = a2 * 90 / (R * R * kPi);
    if (outer != 0) beta -= a2 * 90 / (outer * outer * kPi);
    return beta;
}

// One step of the walk along the polygon: from point `from` to point `next`,
// with the chainage gained between their stations and the curve in between.
struct Span {
    int next = 0;
    double increment = 0;
    bool curve = false;
    CurveElements elements;
};

// Curve spans of a road, computed once per point.
class SpanWalker {
public:
    SpanWalker(const Road& road, double tolerance)
        : road_(road), tolerance_(tolerance), cache_(road.intersectionPoints.size()) {}

    // The span that starts at point k (k < n − 1), or nothing when the point
    // cannot be read. A point whose curve cannot be formed over a run of virtual
    // members (the run's first point has no curve) is walked leg by leg, as is a
    // member point itself: the polygon is then followed through every point.
    const Span* from(int k) {
        auto& slot = cache_[static_cast<std::size_t>(k)];
        if (slot) return &*slot;
        CurveResult r = computeCurve(road_, k, tolerance_);
        if (r.status == -3) return nullptr;
        Span s;
        s.elements = r.curve;
        bool hasCurve = r.status >= 0 && r.curve.curveLength > 0 &&
                        normalizeSpiralInputs(point(k)).radius > 0 && k > 0;
        if (r.status < 0 || (!hasCurve && r.status > k + 1)) {
            s.next = k + 1;
            s.increment = legBetween(point(k), point(k + 1)).distance;
        } else {
            s.next = r.status;
            s.curve = hasCurve;
            const CurveElements& c = r.curve;
            s.increment = c.outLegLength - c.tangent1 - c.tangent2 + c.curveLength;
        }
        slot = s;
        return &*slot;
    }

    const IntersectionPoint& point(int k) const {
        return road_.intersectionPoints[static_cast<std::size_t>(k)];
    }

private:
    const Road& road_;
    double tolerance_;
    std::vector<std::optional<Span>> cache_;
};

// For every point, the first point of the virtual run it belongs to (the point
// itself when it is no member). Point 0 never joins a run.
std::vector<int> runOwners(const Road& road) {
    std::vector<int> owner(road.intersectionPoints.size());
    for (std::size_t k = 0; k < owner.size(); ++k) {
        owner[k] = (k > 0 && road.intersectionPoints[k].radius < 0) ? owner[k - 1] : static_cast<int>(k);
    }
    return owner;
}

}  // namespace

IntersectionPoint normalizeSpiralInputs(const IntersectionPoint& point) {
    IntersectionPoint p = normaliseIntersectionPoint(point);
    // An outer radius beyond any real one (an empty cell, or a parameter with
    // A² = Ls·R up to rounding) is a straight: the spiral is a full one.
    if (!(std::fabs(p.startRadius) < kHugeRadius)) p.startRadius = 0;
    if (!(std::fabs(p.endRadius) < kHugeRadius)) p.endRadius = 0;
    return p;
}

CurveResult computeCurve(const Road& road, int i, double tolerance) {
    CurveResult result;
    const auto& pts = road.intersectionPoints;
    const int n = static_cast<int>(pts.size());
    if (i < 0 || i >= n) return result;
    tolerance = curveTolerance(tolerance);
    auto at = [&pts](int k) -> const IntersectionPoint& { return pts[static_cast<std::size_t>(k)]; };
    CurveElements& ce = result.curve;

    // End points carry no curve: only the leg that touches them.
    if (i == 0 || i == n - 1) {
        if (n >= 2) {
            PolarVector leg = i == 0 ? legBetween(at(0), at(1)) : legBetween(at(i - 1), at(i));
            ce.outAzimuth = leg.azimuth;
            ce.outLegLength = leg.distance;
        }
        result.status = i == 0 ? 1 : i;
        return result;
    }

    const IntersectionPoint p = normalizeSpiralInputs(at(i));
    const bool member = p.radius < 0;
    // P1..P2 is the run of the curve: the point itself and the virtual members
    // that follow it. The last point of the road never joins a run. A member
    // point does not gather a run of its own.
    int i2 = i;
    int i3 = i + 1;
    if (!member) {
        while (i3 < n - 1 && at(i3).radius < 0) {
            i2 = i3;
            ++i3;
        }
    }
    const IntersectionPoint& P0 = at(i - 1);
    const IntersectionPoint& P1 = at(i);
    const IntersectionPoint& P2 = at(i2);
    const IntersectionPoint& P3 = at(i3);
    PolarVector v01 = legBetween(P0, P1);
    PolarVector v12 = legBetween(P1, P2);
    PolarVector v23 = legBetween(P2, P3);
    double turn1 = v12.azimuth - v01.azimuth;
    double turn2 = v23.azimuth - v12.azimuth;
    if (samePlace(P1, P2)) {
        turn2 = v23.azimuth - v01.azimuth;
        turn1 = 0;
    }
    const double alpha = signedTurn(turn1) + signedTurn(turn2);
    ce.outAzimuth = v23.azimuth;
    ce.outLegLength = v23.distance;
    ce.deflection = alpha;
    result.status = member ? kVirtualMember : i3;

    if (member) {
        ce.curveLength = v01.distance;
        return result;
    }
    const double R = p.radius;
    const double absAlpha = std::fabs(alpha);
    if (R == 0 || !std::isfinite(R) || !std::isfinite(absAlpha) || absAlpha < kStraightTurn ||
        std::fabs(absAlpha - 180) < kStraightTurn || std::fabs(absAlpha - 360) < kStraightTurn) {
        return result;
    }

    const double Ls1 = p.spiralIn, Ls2 = p.spiralOut;
    const double R1 = p.startRadius, R2 = p.endRadius;
    const double a1sq = spiralParameterSquared(R, R1, Ls1);
    const double a2sq = spiralParameterSquared(R, R2, Ls2);
    ce.spiral1Parameter = std::sqrt(a1sq);
    ce.spiral2Parameter = std::sqrt(std::fabs(a2sq));
    const double beta1 = spiralTurn(R, R1, Ls1, a1sq);
    const double beta2 = spiralTurn(R, R2, Ls2, a2sq);
    // A curve whose spirals turn more than the deflection gets no arc; its
    // length is that of the spirals actually placed, so that the stations agree
    // with the element list.
    const double Ly = R * (absAlpha - std::fabs(beta1) - std::fabs(beta2)) * kPi / 180;
    const double arc = Ly > 0 ? Ly : 0;
    ce.curveLength = arc + Ls1 + Ls2;

    // The curve laid from P1 along the incoming tangent.
    const double s = alpha < 0 ? -1 : 1;
    std::vector<AlignmentElement> curve;
    if (Ls1 > 0) curve.push_back(makeElement(Ls1, s * R1, s * R));
    if (arc > 0) curve.push_back(makeElement(arc, s * R, s * R));
    if (Ls2 > 0) curve.push_back(makeElement(Ls2, s * R, s * R2));
    if (curve.empty()) return result;
    double chainage = 0;
    for (auto& e : curve) {
        e.startStation = chainage;
        chainage += e.length;
    }
    curve[0].x = P1.x;
    curve[0].y = P1.y;
    curve[0].startAzimuth = curve[0].arrivalAzimuth = v01.azimuth;
    propagateElements(curve, 0, tolerance);
    AlignmentPoint q;
    pointAtStation(curve, endChainage(curve), tolerance, 0, 90, q);

    // Slide the curve back along the incoming tangent until its end lies on the
    // outgoing tangent. With n the unit normal of the outgoing line (to its
    // right) the end lies h = (Q - P2)·n off it, and a slide back by t moves it
    // by t·(u·n), u pointing back along the incoming tangent: t = -h / (u·n).
    // Both are signed: of a virtual pair, P1 may lie beyond the curve start
    // (T1 < 0) and P2 beyond the curve end (T2 < 0); the stations take them so.
    const PlanePoint normal = polarOffset(1, v23.azimuth + 90);
    const PlanePoint back1 = polarOffset(1, v01.azimuth + 180);
    const double h = (q.x - P2.x) * normal.x + (q.y - P2.y) * normal.y;
    const double t = -h / (back1.x * normal.x + back1.y * normal.y);
    ce.tangent1 = t;
    curve[0].x += t * back1.x;
    curve[0].y += t * back1.y;
    propagateElements(curve, 0, tolerance);
    pointAtStation(curve, endChainage(curve), tolerance, 0, 90, q);
    // T2 runs from P2 forward along the outgoing tangent to the curve end.
    const PlanePoint ahead2 = polarOffset(1, v23.azimuth);
    ce.tangent2 = (q.x - P2.x) * ahead2.x + (q.y - P2.y) * ahead2.y;

    // External distance from the intersection point (the middle of a virtual pair).
    AlignmentPoint middle;
    middle.x = (P1.x + P2.x) / 2;
    middle.y = (P1.y + P2.y) / 2;
    double station = 0, offset = 0;
    if (distanceToAlignment(curve, middle, 0.0001, station, offset)) ce.externalDistance = std::fabs(offset);
    return result;
}

int computeIntersectionStations(Road& road, int referenceIndex, double tolerance) {
    auto& pts = road.intersectionPoints;
    const int n = static_cast<int>(pts.size());
    if (n == 0) return 1;
    if (referenceIndex < 0 || referenceIndex >= n) return -3;
    tolerance = curveTolerance(tolerance);
    SpanWalker walker(road, tolerance);
    auto station = [&pts](int k) -> double& { return pts[static_cast<std::size_t>(k)].station; };
    auto leg = [&walker](int k) { return legBetween(walker.point(k), walker.point(k + 1)).distance; };
    // Members inside a span take the station of the point before them plus the
    // straight distance between the two.
    auto fillMembers = [&](int from, int to) {
        for (int m = from + 1; m < to; ++m) station(m) = station(m - 1) + leg(m - 1);
    };

    const std::vector<int> owners = runOwners(road);
    // Backwards from the reference point.
    for (int k = referenceIndex; k > 0;) {
        int j = owners[static_cast<std::size_t>(k - 1)];
        const Span* span = walker.from(j);
        if (span == nullptr) return -3;
        if (span->next == k) {
            station(j) = station(k) - span->increment;
            fillMembers(j, k);
            k = j;
        } else {
            // k is a member inside the run of j's curve.
            station(k - 1) = station(k) - leg(k - 1);
            --k;
        }
    }

    // Forwards. A reference inside a virtual run continues from the run's end.
    int k = referenceIndex;
    if (k < n - 1) {
        int owner = owners[static_cast<std::size_t>(k)];
        if (owner < k) {
            const Span* span = walker.from(owner);
            if (span == nullptr) return -3;
            if (span->next > k) {
                fillMembers(k, span->next);
                station(span->next) = station(owner) + span->increment;
                k = span->next;
            }
        }
    }
    while (k < n - 1) {
        const Span* span = walker.from(k);
        if (span == nullptr) return -3;
        fillMembers(k, span->next);
        station(span->next) = station(k) + span->increment;
        k = span->next;
    }
    return 1;
}

int buildElementsFromIntersectionPoints(Road& road, int referenceIndex, double tolerance) {
    tolerance = curveTolerance(tolerance);
    int status = computeIntersectionStations(road, referenceIndex, tolerance);
    if (status != 1) return status;
    const auto& pts = road.intersectionPoints;
    const int n = static_cast<int>(pts.size());
    std::vector<AlignmentElement> list;
    if (n < 2) {
        road.elements.clear();
        return 1;
    }
    auto station = [&pts](int k) { return pts[static_cast<std::size_t>(k)].station; };
    // Straights carry their own azimuth: between two straights it makes an angle point.
    auto straight = [](double length, double azimuth) {
        AlignmentElement e = makeElement(length, 0, 0);
        e.startAzimuth = e.arrivalAzimuth = azimuth;
        return e;
    };
    // Chainage of the end of the list built so far.
    double chainage = station(0);
    auto append = [&list, &chainage](AlignmentElement e) {
        e.startStation = chainage;
        chainage += e.length;
        list.push_back(e);
    };
    // Ends the straight at the back of the list at chainage c.
    auto cutLastStraight = [&list, &chainage](double c) {
        AlignmentElement& last = list.back();
        last.length = c - last.startStation;
        chainage = c;
    };

    SpanWalker walker(road, tolerance);
    PolarVector first = legBetween(pts[0], pts[1]);
    append(straight(first.distance, first.azimuth));
    for (int k = 1; k < n - 1;) {
        const Span* span = walker.from(k);
        if (span == nullptr) return -3;
        if (span->curve) {
            const CurveElements& ce = span->elements;
            const IntersectionPoint p = normalizeSpiralInputs(pts[static_cast<std::size_t>(k)]);
            const double s = ce.deflection < 0 ? -1 : 1;
            const double R = p.radius;
            cutLastStraight(station(k) - ce.tangent1);
            if (p.spiralIn > 0) append(makeElement(p.spiralIn, s * p.startRadius, s * R));
            append(makeElement(ce.curveLength - p.spiralIn - p.spiralOut, s * R, s * R));
            if (p.spiralOut > 0) append(makeElement(p.spiralOut, s * R, s * p.endRadius));
            append(straight(ce.outLegLength - ce.tangent2, ce.outAzimuth));
        } else {
            // An angle point: the straight before it ends at the point.
            cutLastStraight(station(k));
            PolarVector out = legBetween(pts[static_cast<std::size_t>(k)], pts[static_cast<std::size_t>(span->next)]);
            append(straight(out.distance, out.azimuth));
        }
        k = span->next;
    }

    // Leave out what is too short (also the negative straights between
    // overlapping curves) and lay the rest end to end from point 0.
    std::vector<AlignmentElement> kept;
    chainage = station(0);
    for (AlignmentElement e : list) {
        if (!(e.length >= kShortestElement)) continue;
        e.startStation = chainage;
        chainage += e.length;
        kept.push_back(e);
    }
    if (!kept.empty()) {
        kept[0].x = pts[0].x;
        kept[0].y = pts[0].y;
        kept[0].startAzimuth = kept[0].arrivalAzimuth = first.azimuth;
    }
    road.elements = std::move(kept);
    if (!road.elements.empty() && propagateElements(road, 0, tolerance) != 1) return -3;
    return 1;
}

int buildElementsFromIntersectionPoints(Road& road, double precision) {
    return buildElementsFromIntersectionPoints(road, 0, precision);
}

std::vector<IntersectionPointCurve> curveTable(const Road& road, double tolerance) {
    tolerance = curveTolerance(tolerance);
    const auto& pts = road.intersectionPoints;
    const int n = static_cast<int>(pts.size());
    std::vector<CurveResult> results;
    results.reserve(pts.size());
    for (int k = 0; k < n; ++k) results.push_back(computeCurve(road, k, tolerance));

    std::vector<IntersectionPointCurve> table(pts.size());
    for (int k = 0; k < n; ++k) {
        const auto idx = static_cast<std::size_t>(k);
        IntersectionPointCurve& row = table[idx];
        const CurveResult& r = results[idx];
        const IntersectionPoint p = normalizeSpiralInputs(pts[idx]);
        row.status = r.status;
        row.curve = r.curve;
        row.station = pts[idx].station;
        if (k + 1 < n) {
            PolarVector leg = legBetween(pts[idx], pts[idx + 1]);
            row.legLength = leg.distance;
            row.legAzimuth = leg.azimuth;
        }
        if (k == 0 || k == n - 1 || r.status < 0) {
            if (r.status >= 0 && k < n - 1) {
                const auto next = static_cast<std::size_t>(r.status);
                row.straightLength = r.curve.outLegLength - results[next].curve.tangent1;
            }
            continue;
        }
        row.radius = std::fabs(p.radius);
        if (r.curve.curveLength > 0 && p.radius > 0) {
            row.spiralIn = p.spiralIn;
            row.spiralOut = p.spiralOut;
            const CurveElements& c = r.curve;
            row.arcLength = c.curveLength - p.spiralIn - p.spiralOut;
            const double zh = row.station - c.tangent1;
            if (p.spiralIn != 0) row.zh = zh;
            row.hyZy = zh + p.spiralIn;
            row.qz = zh + p.spiralIn + row.arcLength / 2;
            row.yhYz = zh + c.curveLength - p.spiralOut;
            if (p.spiralOut != 0) row.hz = zh + c.curveLength;
        }
        const auto next = static_cast<std::size_t>(r.status);
        row.straightLength = r.curve.outLegLength - r.curve.tangent2 - results[next].curve.tangent1;
    }
    return table;
}

}  // namespace vornex
