#include "geometry/point_to_station.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/direction_range.h"
#include "geometry/plane.h"

namespace vornex {
namespace detail {
void pointAtStationOn(std::span<const AlignmentElement> elements, int index, double chainage,
                      double tolerance, double offset, double sideAngle, AlignmentPoint& point);
}  // namespace detail

namespace {

constexpr double kDegToRad = kPi / 180.0;

bool sameRadius(const AlignmentElement& e) { return std::fabs(e.startRadius - e.endRadius) < 0.0001; }

double distance(double ax, double ay, double bx, double by) {
    double dx = ax - bx, dy = ay - by;
    return std::sqrt(dx * dx + dy * dy);
}

// The samples of the coarse pass that belong to element i: its start point and
// the midpoints of the chords to the next element's start (to its own end for
// the last element). An arc of more than 180 degrees is cut into equal pieces of
// at most 180 degrees, each contributing its chord midpoint (at most 64 pieces:
// arcs of many full turns are not roads).
template <typename Fn>
void forEachCoarseSample(std::span<const AlignmentElement> elements, int i, double tol, Fn&& fn) {
    const AlignmentElement e = planeElement(elements[i]);
    fn(e.x, e.y);
    double cx = e.x, cy = e.y;
    if (sameRadius(e) && e.startRadius != 0) {
        double angle = 180.0 * e.length / (std::fabs(e.startRadius) * kPi);
        if (angle > 180.0 && std::isfinite(angle)) {
            double pieces = std::min(std::ceil(angle / 180.0), 64.0);
            double remaining = angle;
            for (int j = 1; remaining > 180.0 && j < pieces; ++j) {
                AlignmentPoint s = pointOnElement(e, e.length * j / pieces, tol);
                fn((cx + s.x) / 2.0, (cy + s.y) / 2.0);
                cx = s.x;
                cy = s.y;
                remaining -= 180.0;
            }
        }
    }
    double nx, ny;
    if (i + 1 < static_cast<int>(elements.size())) {
        nx = elements[i + 1].x;
        ny = elements[i + 1].y;
    } else {
        AlignmentPoint end = pointOnElement(e, e.length, tol);
        nx = end.x;
        ny = end.y;
    }
    fn((cx + nx) / 2.0, (cy + ny) / 2.0);
}

// Coarse pass without an index: the element owning the nearest sample, ties to
// the earlier element.
int nearestElementScan(std::span<const AlignmentElement> elements, double px, double py, double tol) {
    double best = kNoValue;
    int nearest = 0;
    for (int i = 0; i < static_cast<int>(elements.size()); ++i) {
        forEachCoarseSample(elements, i, tol, [&](double x, double y) {
            double d = distance(px, py, x, y);
            if (d < best) {
                best = d;
                nearest = i;
            }
        });
    }
    return nearest;
}

// Signed distance of P to the right of the tangent through Q.
double rightOffset(double px, double py, const AlignmentPoint& q) {
    double a = q.azimuth * kDegToRad;
    return -(px - q.x) * std::sin(a) + (py - q.y) * std::cos(a);
}

struct Foot {
    double station = 0;
    double offset = 0;
    bool before = false;    // a straight that the point lies before
    bool settled = true;    // the point lies on the normal at the foot
};

Foot footOnStraight(const AlignmentElement& e, double px, double py) {
    PolarVector v = joinPoints(px - e.x, py - e.y);
    double delta = (v.azimuth - e.startAzimuth) * kDegToRad;
    double along = v.distance * std::cos(delta);
    Foot f;
    f.offset = v.distance * std::sin(delta);
    f.before = along < -0.001;
    f.station = e.startStation + along;
    return f;
}

// What the feet on one element take from the element alone, worked out once per
// element by an index (by the same expressions, so the feet come out the same).
struct ElementFrame {
    double cosStart = 0, sinStart = 0;  // of the start azimuth
    double cosEnd = 0, sinEnd = 0;      // of the end azimuth (spirals)
    double cx = 0, cy = 0;              // centre (circles)
    double turn = kNoValue;             // radians the tangent turns along a spiral
    double startBearing = 0;            // direction from the centre to the start (circles)
    double arcAngle = 0;                // degrees (circles)
    // Circles: the directions from the centre whose foot lies within the element
    // (a millimetre beyond either end included), and how close to either end of
    // them a direction must be for the station itself to decide (radians).
    DirectionRange footRange;
    double footMargin = 0;
};

void circleFrame(const AlignmentElement& e, ElementFrame& f) {
    double r = std::fabs(e.startRadius);
    bool right = e.startRadius > 0;
    PlanePoint c = polarOffset(r, e.startAzimuth + (right ? 90.0 : -90.0));
    f.cx = e.x + c.x;
    f.cy = e.y + c.y;
    f.startBearing = normalizeAngle(e.startAzimuth + (right ? -90.0 : 90.0));
    f.arcAngle = e.length / r / kDegToRad;
    // The foot's station is start + r·swept: within a millimetre of the element
    // when swept lies in [−0.001/r, (length + 0.001)/r], turning the way the arc does.
    const double reach = 0.001 / r / kDegToRad;
    if (std::isfinite(reach) && std::isfinite(e.startStation) && std::isfinite(f.arcAngle) && f.arcAngle >= 0) {
        const double span = f.arcAngle + 2.0 * reach;
        f.footRange = DirectionRange(right ? f.startBearing - reach : f.startBearing - f.arcAngle - reach, span);
        // Rounding of the station (of its size) and of the angles, in radians.
        f.footMargin = 1e-9 + 1e-12 * (std::fabs(e.startStation) + std::fabs(e.length) + 1.0) / r;
    }
}

Foot footOnCircle(const AlignmentElement& e, const ElementFrame& frame, double px, double py) {
    double r = std::fabs(e.startRadius);
    bool right = e.startRadius > 0;
    PolarVector v = joinPoints(px - frame.cx, py - frame.cy);
    Foot f;
    f.offset = right ? r - v.distance : v.distance - r;
    // Station from the angle swept from the start radius to the foot radius in
    // the turning direction. The gap beyond the arc's end is split in the middle:
    // its far half counts as before the start. Unlike the chord length this
    // holds for arcs of more than 180 degrees.
    double startBearing = frame.startBearing;
    double swept = right ? normalizeAngle(v.azimuth - startBearing) : normalizeAngle(startBearing - v.azimuth);
    double arcAngle = frame.arcAngle;
    if (arcAngle < 360.0 && swept > 180.0 + arcAngle / 2.0) swept -= 360.0;
    f.station = e.startStation + r * swept * kDegToRad;
    return f;
}

// The sharper end radius of a spiral, with its sign.
double sharperRadius(const AlignmentElement& e) {
    const double r1 = e.startRadius, r2 = e.endRadius;
    return r1 == 0 ? r2 : r2 == 0 ? r1 : (std::fabs(r1) < std::fabs(r2) ? r1 : r2);
}

// True when no foot on spiral e can be taken for P, so that its Newton steps
// may be skipped. The distance along the tangent from Q(s) to P,
// a(s) = (P − Q(s))·T(s), has the derivative −1 + κ(s) (P − Q(s))·N(s); where
// |P − Q(s)| stays below half the sharper radius (|P − Q(0)| + s bounds it) it
// falls by at least half of every step in s, also along the straight
// extensions. Clearly negative at the start or clearly positive at the end,
// it is then nowhere near 0 within the element and the millimetre beyond
// either end, where a foot is taken. The margin covers the series' truncation
// (terms below `tol`) and rounding many times over; a point the test cannot
// decide gets the Newton steps.
// Farther out: where the tangent turns by θ < 1 rad along the whole spiral
// (curvature of one sign), a(s) ≥ (P − E)·T(L) − |P − E|·θ, since the chord
// from Q(s) to the end E leans forward along T(s); so a point beyond the end by
// more than |P − E|·θ (and the margin and the millimetre) has no foot, and by
// the same bound one before the start by more than |P − Q(0)|·θ has none.
bool spiralMisses(const AlignmentElement& e, const AlignmentPoint& end, const ElementFrame& frame, double px,
                  double py, double tol) {
    const double margin = 0.01 + 20.0 * tol;
    const double before = (px - e.x) * frame.cosStart + (py - e.y) * frame.sinStart;
    const double beyond = (px - end.x) * frame.cosEnd + (py - end.y) * frame.sinEnd;
    // Nothing to tell when the point lies neither clearly before nor clearly beyond.
    if (!(before < -margin || beyond > margin)) return false;
    const double fromStart = distance(px, py, e.x, e.y);
    const double reach = fromStart + e.length + 2.0 * margin;
    if (reach < 0.5 * std::fabs(sharperRadius(e))) return true;
    if (!(frame.turn < 1.0)) return false;
    const double wide = margin + 0.001;
    if (before < -(fromStart * (frame.turn + 1e-6) + wide)) return true;
    return beyond > distance(px, py, end.x, end.y) * (frame.turn + 1e-6) + wide;
}

void straightFrame(const AlignmentElement& e, ElementFrame& f) {
    const double a0 = e.startAzimuth * kDegToRad;
    f.cosStart = std::cos(a0);
    f.sinStart = std::sin(a0);
}

void spiralFrame(const AlignmentElement& e, const AlignmentPoint& end, ElementFrame& f) {
    straightFrame(e, f);
    const double a1 = end.azimuth * kDegToRad;
    f.cosEnd = std::cos(a1);
    f.sinEnd = std::sin(a1);
    // The turn of the tangent, from the curvatures at the ends (linear between);
    // none where the curvature changes sign.
    const double k1 = e.startRadius == 0 ? 0.0 : 1.0 / e.startRadius;
    const double k2 = e.endRadius == 0 ? 0.0 : 1.0 / e.endRadius;
    f.turn = k1 * k2 >= 0 ? e.length * (std::fabs(k1) + std::fabs(k2)) / 2.0 : kNoValue;
}

// `end` is pointOnElement(e, e.length, tol).
Foot footOnSpiral(const AlignmentElement& e, const AlignmentPoint& end, double px, double py, double tol) {
    // First estimate: radial projection onto the circle through the spiral's
    // ends whose radius is twice the sharper end radius.
    double rc = 2.0 * sharperRadius(e);
    PlanePoint centre;
    double s = 0;
    if (circleCentre(false, e.x, e.y, end.x, end.y, rc, centre)) {
        PolarVector v = joinPoints(px - centre.x, py - centre.y);
        PlanePoint foot = polarOffset(std::fabs(rc), v.azimuth);
        double chord = distance(centre.x + foot.x, centre.y + foot.y, e.x, e.y);
        s = 2.0 * std::fabs(rc) * std::asin(std::min(1.0, chord / (2.0 * std::fabs(rc))));
    } else {
        // The spiral's chord is longer than that circle allows: start from the
        // projection onto the start tangent.
        PolarVector v = joinPoints(px - e.x, py - e.y);
        s = std::clamp(v.distance * std::cos((v.azimuth - e.startAzimuth) * kDegToRad), 0.0, e.length);
    }
    // Newton steps on the angle N between the tangent's normal at Q(s) and the
    // direction Q→P. Moving Q by ds turns the direction to P by ds/d and the
    // tangent by κ·ds, so dN/ds = −(1/d − side·κ) with κ positive to the right.
    for (int step = 0; step < 99; ++step) {
        AlignmentPoint q = pointOnElement(e, s, tol);
        PolarVector v = joinPoints(px - q.x, py - q.y);
        double qa = q.azimuth * kDegToRad;
        double along = (px - q.x) * std::cos(qa) + (py - q.y) * std::sin(qa);
        if (v.distance < 1e-12) break;  // P is on the curve
        double lambda = normalizeAngle(v.azimuth - q.azimuth);
        double side = lambda > 180.0 ? -1.0 : 1.0;
        double n = side < 0 ? lambda - 270.0 : 90.0 - lambda;
        double den = 1.0 / v.distance - side * elementCurvature(e, s);
        if (std::fabs(den) < 1e-12) break;  // P at the centre of curvature: every s is a foot
        double ds = n * kDegToRad / den;
        if (!std::isfinite(ds)) break;
        s += ds;
        if (std::fabs(along) < 0.0001 || s > e.length + 0.001) break;
    }
    Foot f;
    AlignmentPoint q = pointOnElement(e, s, tol);
    double qa = q.azimuth * kDegToRad;
    f.station = e.startStation + s;
    f.offset = rightOffset(px, py, q);
    // Steps that ran out without reaching the normal give no foot.
    f.settled = std::fabs((px - q.x) * std::cos(qa) + (py - q.y) * std::sin(qa)) <= 0.001;
    return f;
}

// Fine pass from the element before the nearest one on; -1 when no element
// takes the foot. The first element that takes it wins, except that a foot
// found before the nearest element is compared with the feet on the elements up
// to the nearest one and the one closest to the point is kept (ties to the
// earlier element): inside a loop the normal through a point also crosses the
// element before, far away.
int finePass(std::span<const AlignmentElement> elements, int nearest, double px, double py, double tol,
             StationOffset& result) {
    const int n = static_cast<int>(elements.size());
    int k = std::max(nearest - 1, 0);
    int lowestTried = k;
    int found = -1;
    Foot best;
    while (k < n) {
        const AlignmentElement e = planeElement(elements[k]);
        Foot f;
        if (sameRadius(e) && e.startRadius == 0) {
            f = footOnStraight(e, px, py);
            if (f.before) {
                // Step back only to an element not tried yet. Coming back here
                // from the previous element means the point lies past that
                // element's end and before this straight: the wedge outside an
                // angle point (or before the road's start), which no element
                // takes.
                if (found < 0 && k >= 1 && k - 1 < lowestTried) {
                    lowestTried = --k;
                    continue;
                }
                if (found < 0) return -1;
            }
        } else if (sameRadius(e)) {
            ElementFrame frame;
            circleFrame(e, frame);
            f = footOnCircle(e, frame, px, py);
        } else {
            const AlignmentPoint end = pointOnElement(e, e.length, tol);
            ElementFrame frame;
            spiralFrame(e, end, frame);
            if (spiralMisses(e, end, frame, px, py, tol))
                f.settled = false;  // no foot here, as the steps would have found
            else
                f = footOnSpiral(e, end, px, py, tol);
        }
        bool inside = !f.before && f.settled && e.startStation - 0.001 <= f.station &&
                      f.station <= e.startStation + e.length + 0.001;
        if (inside && (found < 0 || std::fabs(f.offset) < std::fabs(best.offset))) {
            found = k;
            best = f;
        }
        if (found >= 0 && k >= nearest) break;
        ++k;
    }
    if (found < 0) return -1;
    result.station = best.station;
    result.offset = best.offset;
    result.sideAngle = best.offset < 0 ? 270.0 : 90.0;
    return found;
}

// ---- the fine pass followed cheaply ------------------------------------------------

// What the cheap walk knows of the fine pass at some step: the next element, the
// lowest element tried and the foot kept, its |offset| within `slack` (infinite:
// not known).
struct WalkState {
    int k = 0;
    int lowestTried = 0;
    int found = -1;
    double offset = 0;
    double slack = 0;
};

struct Walk {
    std::span<const AlignmentElement> planes;
    const AlignmentPoint* ends;
    const ElementFrame* frames;
    std::span<const char> wanted;
    int nearest;
    double px, py, tol;
};

constexpr double kUnknown = std::numeric_limits<double>::infinity();

// Follows finePass step by step without its costly feet: on a straight the
// foot by projection on the tangent (it differs from the polar form by rounding
// only, far below `slack`), on a circle the very foot finePass takes, and on a
// spiral only the test that skips the Newton steps. Where a cheap foot cannot
// settle a step both ways are followed. True when some way may end with the
// foot on a wanted element, or when the walk cannot be followed cheaply (the
// caller then runs finePass itself); false when every way ends without a foot
// or with the foot on an element not wanted.
bool mayEndOnWanted(const Walk& w, WalkState st, int depth) {
    if (depth > 8) return true;
    const int n = static_cast<int>(w.planes.size());
    while (st.k < n) {
        const int k = st.k;
        const AlignmentElement& e = w.planes[static_cast<std::size_t>(k)];
        const ElementFrame& fr = w.frames[k];
        // The foot on this element: inside 0 no, 1 yes, 2 perhaps.
        int inside = 0;
        double offset = 0, slack = 0;
        if (sameRadius(e) && e.startRadius == 0) {
            const double dx = w.px - e.x, dy = w.py - e.y;
            const double along = dx * fr.cosStart + dy * fr.sinStart;
            offset = std::fabs(dy * fr.cosStart - dx * fr.sinStart);
            // The polar form turns the azimuth difference into degrees and back;
            // with azimuths of a sane size that costs less than a nanometre per kilometre.
            slack = 1e-7 + 1e-9 * (std::fabs(dx) + std::fabs(dy));
            if (!(std::fabs(e.startAzimuth) < 1e4) || !std::isfinite(along) || !std::isfinite(offset)) return true;
            if (along > -0.001 - slack && along < -0.001 + slack) return true;
            if (along < -0.001) {
                if (st.found < 0 && k >= 1 && k - 1 < st.lowestTried) {
                    st.lowestTried = --st.k;
                    continue;
                }
                if (st.found < 0) return false;  // the wedge outside an angle point: no foot
            } else {
                const double station = e.startStation + along;
                const double lo = e.startStation - 0.001, hi = e.startStation + e.length + 0.001;
                const double s = slack + 1e-13 * (std::fabs(e.startStation) + std::fabs(e.length) + std::fabs(along) + 1);
                if (!(std::fabs(station - lo) > s && std::fabs(station - hi) > s)) return true;
                inside = lo <= station && station <= hi ? 1 : 0;
            }
        } else if (sameRadius(e)) {
            // The offset as footOnCircle gives it; whether the foot lies within
            // the element by its direction from the centre, where that is sure.
            const double dx = w.px - fr.cx, dy = w.py - fr.cy;
            const double r = std::fabs(e.startRadius), d = std::sqrt(dx * dx + dy * dy);
            offset = std::fabs(e.startRadius > 0 ? r - d : d - r);
            const int sure = fr.footRange.classify(dx, dy, fr.footMargin);
            if (sure != DirectionRange::kUnsure) {
                inside = sure == DirectionRange::kInside;
            } else {
                const Foot f = footOnCircle(e, fr, w.px, w.py);
                inside = !f.before && f.settled && e.startStation - 0.001 <= f.station &&
                         f.station <= e.startStation + e.length + 0.001;
                offset = std::fabs(f.offset);
            }
        } else {
            inside = spiralMisses(e, w.ends[k], fr, w.px, w.py, w.tol) ? 0 : 2;
            slack = kUnknown;
        }
        // The foot not taken, taken as the first, taken over the one kept, or the
        // one kept held; where more than one may be, each way is followed.
        bool keep = inside != 1, take = inside != 0;
        if (take && st.found >= 0) {
            const bool surelyCloser = offset + slack < st.offset - st.slack;
            const bool surelyNot = offset - slack > st.offset + st.slack;
            take = !surelyNot;
            keep = keep || !surelyCloser;
        }
        st.k = k + 1;
        if (take && keep) {
            WalkState taken = st;
            taken.found = k;
            taken.offset = offset;
            taken.slack = slack;
            for (const WalkState& way : {taken, st}) {
                if (way.found >= 0 && k >= w.nearest) {
                    if (w.wanted[static_cast<std::size_t>(way.found)]) return true;
                } else if (mayEndOnWanted(w, way, depth + 1)) {
                    return true;
                }
            }
            return false;
        }
        if (take) {
            st.found = k;
            st.offset = offset;
            st.slack = slack;
        }
        if (st.found >= 0 && k >= w.nearest) return w.wanted[static_cast<std::size_t>(st.found)] != 0;
    }
    return st.found >= 0 && w.wanted[static_cast<std::size_t>(st.found)] != 0;
}

// The foot on a straight by projection on its tangent: `along` and |offset|
// within `slack` of what footOnStraight gives (the polar form turns the azimuth
// difference into degrees and back; with azimuths of a sane size that costs less
// than a nanometre per kilometre). False where that cannot be trusted.
bool cheapStraightFoot(const AlignmentElement& e, const ElementFrame& fr, double px, double py, double& along,
                       double& offset, double& slack) {
    const double dx = px - e.x, dy = py - e.y;
    along = dx * fr.cosStart + dy * fr.sinStart;
    offset = std::fabs(dy * fr.cosStart - dx * fr.sinStart);
    slack = 1e-7 + 1e-9 * (std::fabs(dx) + std::fabs(dy));
    return std::fabs(e.startAzimuth) < 1e4 && std::isfinite(along) && std::isfinite(offset);
}

bool footInside(const AlignmentElement& e, const Foot& f) {
    return !f.before && f.settled && e.startStation - 0.001 <= f.station && f.station <= e.startStation + e.length + 0.001;
}

// finePass on an index, working a foot out exactly only where a step needs it
// (a cheap foot too close to a threshold, two feet too close in offset to tell
// which is closer) and for the foot kept at the end: the same steps and the same
// answer, with fewer arctangents.
int finePassLazy(const Walk& w, StationOffset& result) {
    const int n = static_cast<int>(w.planes.size());
    const double px = w.px, py = w.py;
    const auto exactFoot = [&](int i) {
        const AlignmentElement& e = w.planes[static_cast<std::size_t>(i)];
        if (sameRadius(e) && e.startRadius == 0) return footOnStraight(e, px, py);
        if (sameRadius(e)) return footOnCircle(e, w.frames[i], px, py);
        return footOnSpiral(e, w.ends[i], px, py, w.tol);
    };
    int k = std::max(w.nearest - 1, 0);
    int lowestTried = k;
    int found = -1;
    Foot best;
    bool bestExact = false;
    double bestOffset = 0, bestSlack = 0;
    while (k < n) {
        const AlignmentElement& e = w.planes[static_cast<std::size_t>(k)];
        const ElementFrame& fr = w.frames[k];
        Foot f;
        bool exact = false, inside = false;
        double offset = 0, slack = 0;
        if (sameRadius(e) && e.startRadius == 0) {
            double along = 0;
            const bool cheap = cheapStraightFoot(e, fr, px, py, along, offset, slack) &&
                               !(along > -0.001 - slack && along < -0.001 + slack);
            if (!cheap) f = footOnStraight(e, px, py), exact = true;
            if (cheap ? along < -0.001 : f.before) {
                if (found < 0 && k >= 1 && k - 1 < lowestTried) {
                    lowestTried = --k;
                    continue;
                }
                if (found < 0) return -1;
            } else if (!exact) {
                const double station = e.startStation + along;
                const double lo = e.startStation - 0.001, hi = e.startStation + e.length + 0.001;
                const double margin =
                    slack + 1e-13 * (std::fabs(e.startStation) + std::fabs(e.length) + std::fabs(along) + 1);
                if (std::fabs(station - lo) > margin && std::fabs(station - hi) > margin) {
                    inside = lo <= station && station <= hi;
                } else {
                    f = footOnStraight(e, px, py), exact = true;
                    inside = footInside(e, f);
                }
            } else {
                inside = footInside(e, f);
            }
            if (exact) offset = std::fabs(f.offset), slack = 0;
        } else if (sameRadius(e)) {
            const double dx = px - fr.cx, dy = py - fr.cy;
            const double r = std::fabs(e.startRadius), d = std::sqrt(dx * dx + dy * dy);
            offset = std::fabs(e.startRadius > 0 ? r - d : d - r);  // as footOnCircle gives it
            const int sure = fr.footRange.classify(dx, dy, fr.footMargin);
            if (sure != DirectionRange::kUnsure) {
                inside = sure == DirectionRange::kInside;
            } else {
                f = footOnCircle(e, fr, px, py), exact = true;
                inside = footInside(e, f);
            }
        } else {
            if (spiralMisses(e, w.ends[k], fr, px, py, w.tol)) f.settled = false;
            else f = footOnSpiral(e, w.ends[k], px, py, w.tol);
            exact = true;
            inside = footInside(e, f);
            offset = std::fabs(f.offset);
        }
        if (inside) {
            bool take = found < 0;
            if (!take) {
                if (offset + slack < bestOffset - bestSlack) {
                    take = true;
                } else if (!(offset - slack > bestOffset + bestSlack)) {
                    // Too close to tell by the cheap feet: by the exact ones.
                    if (!exact) f = exactFoot(k), exact = true;
                    if (!bestExact) best = exactFoot(found), bestExact = true;
                    take = std::fabs(f.offset) < std::fabs(best.offset);
                    offset = std::fabs(f.offset), slack = 0;
                    bestOffset = std::fabs(best.offset), bestSlack = 0;
                }
            }
            if (take) {
                found = k;
                best = f;
                bestExact = exact;
                bestOffset = offset;
                bestSlack = slack;
            }
        }
        if (found >= 0 && k >= w.nearest) break;
        ++k;
    }
    if (found < 0) return -1;
    if (!bestExact) best = exactFoot(found);
    result.station = best.station;
    result.offset = best.offset;
    result.sideAngle = best.offset < 0 ? 270.0 : 90.0;
    return found;
}

// Implicit 2-d tree over the coarse samples: nodes are the medians of
// alternating axes, stored in place.
struct Sample {
    double x, y;
    int element;
};

void buildTree(std::vector<Sample>& s, std::size_t lo, std::size_t hi, int axis) {
    if (hi - lo <= 1) return;
    std::size_t mid = lo + (hi - lo) / 2;
    std::nth_element(s.begin() + lo, s.begin() + mid, s.begin() + hi, [axis](const Sample& a, const Sample& b) {
        return axis == 0 ? a.x < b.x : a.y < b.y;
    });
    buildTree(s, lo, mid, 1 - axis);
    buildTree(s, mid + 1, hi, 1 - axis);
}

struct Nearest {
    double best = kNoValue;
    int element = 0;
};

// Same answer as nearestElementScan: the smallest distance, ties to the lowest
// element. A subtree is skipped only when its axis gap alone already exceeds
// the best distance (rounding is monotone, so no sample in it can tie).
void searchTree(const std::vector<Sample>& s, std::size_t lo, std::size_t hi, int axis, double px, double py,
                Nearest& nr) {
    if (lo >= hi) return;
    std::size_t mid = lo + (hi - lo) / 2;
    const Sample& m = s[mid];
    double d = distance(px, py, m.x, m.y);
    if (d < nr.best || (d == nr.best && nr.best < kNoValue && m.element < nr.element)) {
        nr.best = d;
        nr.element = m.element;
    }
    if (hi - lo == 1) return;
    double diff = axis == 0 ? px - m.x : py - m.y;
    bool leftFirst = diff < 0;
    auto visitFar = [&](std::size_t a, std::size_t b) {
        if (!(std::sqrt(diff * diff) > nr.best)) searchTree(s, a, b, 1 - axis, px, py, nr);
    };
    if (leftFirst) {
        searchTree(s, lo, mid, 1 - axis, px, py, nr);
        visitFar(mid + 1, hi);
    } else {
        searchTree(s, mid + 1, hi, 1 - axis, px, py, nr);
        visitFar(lo, mid);
    }
}

// The coarse samples bucketed in a uniform grid of square cells, for the usual
// query near the road: the rings of cells around the point are searched until
// the nearest sample found is closer than any cell not yet searched. Gives the
// tree's answer (the smallest distance, ties to the lowest element); a point
// farther out than a few rings, or data the grid cannot hold, goes to the tree.
struct SampleGrid {
    bool usable = false;
    double x0 = 0, y0 = 0, cell = 1;
    int nx = 0, ny = 0;
    std::vector<int> start;  // first sample of each cell (row by row), and the end
    std::vector<Sample> samples;

    static constexpr int kMaxRing = 4;

    explicit SampleGrid(const std::vector<Sample>& all) {
        if (all.empty()) return;
        double minX = all[0].x, maxX = minX, minY = all[0].y, maxY = minY;
        for (const Sample& s : all) {
            // Coordinates beyond any survey (or not numbers) are left to the tree.
            if (!(std::fabs(s.x) < 1e9 && std::fabs(s.y) < 1e9)) return;
            minX = std::min(minX, s.x), maxX = std::max(maxX, s.x);
            minY = std::min(minY, s.y), maxY = std::max(maxY, s.y);
        }
        // About eight cells per sample over the samples' box (at most 2^22 cells),
        // at least 1 m wide and at most 4,096 along either side of the box.
        const double w = std::max(maxX - minX, 1.0), h = std::max(maxY - minY, 1.0);
        const double cells = std::min(8.0 * static_cast<double>(all.size()), 4194304.0);
        cell = std::max({std::sqrt(w * h / cells), w / 4096.0, h / 4096.0, 1.0});
        nx = static_cast<int>(w / cell) + 1;
        ny = static_cast<int>(h / cell) + 1;
        x0 = minX;
        y0 = minY;
        std::vector<int> index(all.size());
        start.assign(static_cast<std::size_t>(nx) * ny + 1, 0);
        for (std::size_t k = 0; k < all.size(); ++k) {
            index[k] = cellOf(all[k].x, all[k].y);
            ++start[static_cast<std::size_t>(index[k]) + 1];
        }
        for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
        samples.resize(all.size());
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (std::size_t k = 0; k < all.size(); ++k)
            samples[static_cast<std::size_t>(fill[static_cast<std::size_t>(index[k])]++)] = all[k];
        usable = true;
    }

    int cellOf(double x, double y) const {
        const int i = std::clamp(static_cast<int>(std::floor((x - x0) / cell)), 0, nx - 1);
        const int j = std::clamp(static_cast<int>(std::floor((y - y0) / cell)), 0, ny - 1);
        return j * nx + i;
    }

    // The nearest sample so far, and the square of its distance with a margin:
    // a sample farther than that cannot win or tie, and skips the square root.
    struct Search {
        double px, py;
        double best = kNoValue;
        double limit = kNoValue * kNoValue;
        int element = 0;
    };

    void visitCell(int i, int j, Search& sr) const {
        if (i < 0 || j < 0 || i >= nx || j >= ny) return;
        const std::size_t c = static_cast<std::size_t>(j) * static_cast<std::size_t>(nx) + static_cast<std::size_t>(i);
        const Sample* m = samples.data() + start[c];
        const Sample* end = samples.data() + start[c + 1];
        for (; m != end; ++m) {
            const double dx = sr.px - m->x, dy = sr.py - m->y;
            const double d2 = dx * dx + dy * dy;
            if (d2 > sr.limit) continue;
            const double d = std::sqrt(d2);  // as distance() gives it
            if (d < sr.best || (d == sr.best && sr.best < kNoValue && m->element < sr.element)) {
                sr.best = d;
                sr.limit = d * d * (1.0 + 1e-14);
                sr.element = m->element;
            }
        }
    }

    // False when the answer needs the tree.
    bool nearest(double px, double py, Nearest& nr) const {
        if (!usable) return false;
        const double fx = (px - x0) / cell, fy = (py - y0) / cell;
        // Far outside the grid (or not a number): the tree.
        if (!(fx > -kMaxRing && fx < nx + kMaxRing && fy > -kMaxRing && fy < ny + kMaxRing)) return false;
        const int ci = static_cast<int>(std::floor(fx)), cj = static_cast<int>(std::floor(fy));
        Search sr{px, py};
        for (int r = 0; r <= kMaxRing; ++r) {
            if (r == 0) {
                visitCell(ci, cj, sr);
            } else {
                for (int i = ci - r; i <= ci + r; ++i) {
                    visitCell(i, cj - r, sr);
                    visitCell(i, cj + r, sr);
                }
                for (int j = cj - r + 1; j <= cj + r - 1; ++j) {
                    visitCell(ci - r, j, sr);
                    visitCell(ci + r, j, sr);
                }
            }
            // Every sample not seen lies outside the block of cells searched: done
            // when every cell was seen, or when that block's nearest edge is farther
            // than the best sample (with a margin far above the rounding of cells
            // and distances).
            const double gap = std::min(std::min(fx - (ci - r), (ci + r + 1) - fx),
                                        std::min(fy - (cj - r), (cj + r + 1) - fy)) * cell;
            if ((ci - r <= 0 && cj - r <= 0 && ci + r >= nx - 1 && cj + r >= ny - 1) ||
                (sr.best < kNoValue && gap > sr.best * (1.0 + 1e-9) + 1e-6)) {
                nr.best = sr.best;
                nr.element = sr.element;
                return true;
            }
        }
        return false;
    }
};

}  // namespace

int stationOfPoint(std::span<const AlignmentElement> elements, const AlignmentPoint& point, double tolerance,
                   StationOffset& result) {
    result = {};
    if (elements.empty()) return -1;
    int nearest = nearestElementScan(elements, point.x, point.y, tolerance);
    return finePass(elements, nearest, point.x, point.y, tolerance, result);
}

int stationOfPoint(const Road& road, const AlignmentPoint& point, double tolerance, StationOffset& result) {
    return stationOfPoint(std::span<const AlignmentElement>(road.elements), point, tolerance, result);
}

bool distanceToAlignment(std::span<const AlignmentElement> elements, const AlignmentPoint& point,
                         double tolerance, double& station, double& offset) {
    StationOffset r;
    int k = stationOfPoint(elements, point, tolerance, r);
    station = r.station;
    offset = r.offset;
    return k >= 0;
}

bool distanceToAlignment(const Road& road, const AlignmentPoint& point, double tolerance, double& station,
                         double& offset) {
    return distanceToAlignment(std::span<const AlignmentElement>(road.elements), point, tolerance, station,
                               offset);
}

struct AlignmentIndex::Impl {
    std::vector<AlignmentElement> elements;
    double tolerance = 0.0001;
    std::vector<double> endMax;  // running maximum of startStation + length
    std::vector<Sample> samples;
    std::vector<AlignmentPoint> ends;  // end point of every element, as the fine pass takes it
    std::vector<ElementFrame> frames;  // frame of every element, as the fine pass takes it
    std::vector<AlignmentElement> planes;  // planeElement of every element
    SampleGrid grid{{}};
};

AlignmentIndex::AlignmentIndex() : impl_(std::make_unique<Impl>()) {}

AlignmentIndex::AlignmentIndex(std::span<const AlignmentElement> elements, double tolerance)
    : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    m.elements.assign(elements.begin(), elements.end());
    m.tolerance = tolerance;
    double run = -std::numeric_limits<double>::infinity();
    m.endMax.reserve(m.elements.size());
    for (const AlignmentElement& e : m.elements) {
        run = std::max(run, e.startStation + e.length);  // a NaN end never raises the maximum
        m.endMax.push_back(run);
    }
    std::span<const AlignmentElement> all(m.elements);
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        forEachCoarseSample(all, i, tolerance, [&](double x, double y) { m.samples.push_back({x, y, i}); });
    }
    buildTree(m.samples, 0, m.samples.size(), 0);
    m.grid = SampleGrid(m.samples);
    m.ends.reserve(m.elements.size());
    m.frames.reserve(m.elements.size());
    m.planes.reserve(m.elements.size());
    for (const AlignmentElement& e : m.elements) {
        const AlignmentElement plane = planeElement(e);
        m.ends.push_back(pointOnElement(plane, plane.length, tolerance));
        ElementFrame f;
        if (sameRadius(plane) && plane.startRadius != 0) circleFrame(plane, f);
        else if (!sameRadius(plane)) spiralFrame(plane, m.ends.back(), f);
        else straightFrame(plane, f);
        m.frames.push_back(f);
        m.planes.push_back(plane);
    }
}

int AlignmentIndex::stationOfPointOn(const AlignmentPoint& point, std::span<const char> wanted,
                                     StationOffset& result) const {
    result = {};
    const Impl& m = *impl_;
    if (m.elements.empty()) return -1;
    Nearest nr;
    if (!m.grid.nearest(point.x, point.y, nr)) {
        nr = Nearest{};
        searchTree(m.samples, 0, m.samples.size(), 0, point.x, point.y, nr);
    }
    // The walk that may tell "not wanted" cheaply is tried only where the pass
    // does not start on wanted elements (where the foot is most likely wanted).
    const Walk w{m.planes, m.ends.data(), m.frames.data(), wanted, nr.element, point.x, point.y, m.tolerance};
    const int k = std::max(nr.element - 1, 0);
    if (wanted.size() == m.elements.size() && !wanted[static_cast<std::size_t>(k)] &&
        !wanted[static_cast<std::size_t>(nr.element)] && !mayEndOnWanted(w, WalkState{k, k, -1, 0, 0}, 0))
        return kFootNotWanted;
    return finePassLazy(w, result);
}

AlignmentIndex::~AlignmentIndex() = default;
AlignmentIndex::AlignmentIndex(AlignmentIndex&&) noexcept = default;
AlignmentIndex& AlignmentIndex::operator=(AlignmentIndex&&) noexcept = default;

const std::vector<AlignmentElement>& AlignmentIndex::elements() const { return impl_->elements; }

double AlignmentIndex::tolerance() const { return impl_->tolerance; }

int AlignmentIndex::elementAtStation(double chainage) const {
    const Impl& m = *impl_;
    const int n = static_cast<int>(m.elements.size());
    if (n == 0) return -1;
    if (std::isnan(chainage)) return n - 1;
    // The first element with chainage < its end is the first whose running
    // maximum of ends exceeds the chainage.
    auto it = std::partition_point(m.endMax.begin(), m.endMax.end(), [chainage](double e) { return !(chainage < e); });
    if (it == m.endMax.end()) return n - 1;
    return static_cast<int>(it - m.endMax.begin());
}

int AlignmentIndex::pointAtStation(double chainage, double offset, double sideAngle, AlignmentPoint& point) const {
    point = {};
    int i = elementAtStation(chainage);
    if (i < 0) return 0;
    detail::pointAtStationOn(impl_->elements, i, chainage, impl_->tolerance, offset, sideAngle, point);
    return 1;
}

// With no elements wanted in particular the cheap walk never applies: the fine pass alone.
int AlignmentIndex::stationOfPoint(const AlignmentPoint& point, StationOffset& result) const {
    return stationOfPointOn(point, {}, result);
}

}  // namespace vornex
