#include "geometry/tunnel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "geometry/angles.h"
#include "geometry/cross_section.h"

namespace vornex {

namespace {

constexpr double kReach = 0.0005;
constexpr double kRuleTolerance = 0.0001;
// Slack for "within the element": parameter of a straight, degrees of an arc.
constexpr double kParamSlack = 1e-9;
constexpr double kAngleSlack = 1e-7;
// Lines that miss a piece by less than this (metres) still touch it, so that a
// point level with a joint or on a wall is not lost to rounding.
constexpr double kTouch = 1e-9;

// "Not given" is 1e18 of either sign: the left half of a contour keeps the minus
// sign of its side on an empty radius.
bool given(double v) { return v != kNoValue && v != -kNoValue; }
bool isArc(const ContourElement& e) { return given(e.radius) && e.radius != 0; }
bool angleGiven(const ContourElement& e) { return given(e.centralAngle) && e.centralAngle > 0; }
double toDegrees(double radians) { return radians * 180.0 / kPi; }

const std::vector<ContourElement>& contourOf(const TunnelTemplate& t, RecordKind kind) {
    switch (kind) {
        case RecordKind::PrimaryContour: return t.primary;
        case RecordKind::SecondaryContour: return t.secondary;
        default: return t.excavation;
    }
}

double crownOf(const TunnelTemplate& t, RecordKind kind) {
    switch (kind) {
        case RecordKind::PrimaryContour: return t.primaryCrown;
        case RecordKind::SecondaryContour: return t.secondaryCrown;
        default: return t.excavationCrown;
    }
}

bool isContourKind(RecordKind kind) {
    return kind == RecordKind::ExcavationContour || kind == RecordKind::PrimaryContour ||
           kind == RecordKind::SecondaryContour;
}

double lerp(double a, double b, double w) { return a + w * (b - a); }

// ---- contour geometry -------------------------------------------------------

using Piece = BreakContour::Piece;

PlanePoint add(PlanePoint p, PlanePoint d) { return {p.x + d.x, p.y + d.y}; }
double dist(PlanePoint p, PlanePoint q) { return std::hypot(q.x - p.x, q.y - p.y); }

bool inSweep(const Piece& piece, double direction) {
    const double start = piece.sweep >= 0 ? piece.fromDir : piece.fromDir + piece.sweep;
    const double delta = normalizeAngle(direction - start);
    return delta <= std::fabs(piece.sweep) + kAngleSlack || delta >= 360.0 - kAngleSlack;
}

// inSweep for the direction of (dx, dy) from the centre: by the piece's range of
// directions where that is sure, by the azimuth otherwise.
bool inSweep(const Piece& piece, double dx, double dy) {
    const int sure = piece.range.classify(dx, dy, 1e-9);
    if (sure != DirectionRange::kUnsure) return sure == DirectionRange::kInside;
    return inSweep(piece, joinPoints(dx, dy).azimuth);
}

PlanePoint onCircle(const Piece& piece, double direction) {
    return add(piece.centre, polarOffset(piece.radius, direction));
}

// Cuts an arc where its offset turns (directions 90 and 270 from the centre), so
// that the upward ray from a point crosses each part at most once.
void cutArc(Piece& piece) {
    const double s = piece.sweep >= 0 ? 1.0 : -1.0;
    const double total = std::fabs(piece.sweep);
    std::array<double, 4> cuts{0.0, total, total, total};
    int n = 1;
    for (const double turn : {90.0, 270.0}) {
        const double delta = normalizeAngle(s > 0 ? turn - piece.fromDir : piece.fromDir - turn);
        if (delta > 0 && delta < total) cuts[static_cast<std::size_t>(n++)] = delta;
    }
    if (n == 3 && cuts[1] > cuts[2]) std::swap(cuts[1], cuts[2]);
    cuts[static_cast<std::size_t>(n)] = total;
    piece.parts = n;
    for (int k = 0; k < n; ++k) {
        const double d0 = cuts[static_cast<std::size_t>(k)], d1 = cuts[static_cast<std::size_t>(k + 1)];
        piece.partA[k] = k == 0 ? piece.a : onCircle(piece, piece.fromDir + s * d0);
        piece.partB[k] = k + 1 == n ? piece.b : onCircle(piece, piece.fromDir + s * d1);
        const double middle = piece.fromDir + s * (d0 + d1) / 2.0;
        piece.upper[k] = std::cos(toRadians(middle)) > 0;
    }
}

// Walks one half of the contour from the crown and appends its pieces; returns
// the point where the half ends.
PlanePoint buildHalf(const TunnelSection& section, bool rightHalf, std::vector<Piece>& pieces) {
    PlanePoint p{section.startHeight, section.startOffset};
    double direction = rightHalf ? 90.0 : 270.0;
    for (const ContourElement& original : section.elements) {
        if (rightHalf ? !inRightHalf(original) : !inLeftHalf(original)) continue;
        ContourElement e = original;
        const double exitDirection = contourElementTurn(e, direction);
        const PlanePoint q = add(p, {e.heightDifference, e.horizontalDistance});
        const PolarVector chord = joinPoints(q.x - p.x, q.y - p.y);
        if (chord.distance > 0) {
            Piece piece;
            piece.a = p;
            piece.b = q;
            if (isArc(e)) {
                // Centre on the perpendicular bisector of the chord: on the side of
                // the turn for an arc up to half a circle, beyond the chord for a
                // longer one. A chord longer than the diameter widens the radius.
                const double s = e.radius < 0 ? -1.0 : 1.0;
                const bool major = angleGiven(e) && e.centralAngle > 180.0;
                const double half = chord.distance / 2.0;
                const double r = std::max(std::fabs(e.radius), half);
                const double apothem = std::sqrt(std::fmax(0.0, r * r - half * half));
                const PlanePoint mid{(p.x + q.x) / 2.0, (p.y + q.y) / 2.0};
                const double side = major ? -s : s;
                piece.arc = true;
                piece.radius = r;
                piece.centre = add(mid, polarOffset(apothem, chord.azimuth + side * 90.0));
                piece.fromDir = joinPoints(p.x - piece.centre.x, p.y - piece.centre.y).azimuth;
                const double toDir = joinPoints(q.x - piece.centre.x, q.y - piece.centre.y).azimuth;
                const double magnitude = s > 0 ? normalizeAngle(toDir - piece.fromDir)
                                               : normalizeAngle(piece.fromDir - toDir);
                piece.sweep = s * magnitude;
                const double start = piece.sweep >= 0 ? piece.fromDir : piece.fromDir + piece.sweep;
                piece.range = DirectionRange(start - kAngleSlack, std::fabs(piece.sweep) + 2.0 * kAngleSlack);
                cutArc(piece);
            }
            pieces.push_back(piece);
        }
        p = q;
        direction = exitDirection;
    }
    return p;
}

// hypot(dx, dy), or infinity where it surely is not below `best`: told first by
// a square root, a few units in the last place from hypot, when the parts are of
// a size whose squares neither underflow nor overflow.
double lengthUnless(double dx, double dy, double best) {
    const auto sane = [](double v) { return v == 0 || (std::fabs(v) > 1e-150 && std::fabs(v) < 1e150); };
    if (sane(dx) && sane(dy) && std::sqrt(dx * dx + dy * dy) * (1.0 - 1e-13) > best)
        return std::numeric_limits<double>::infinity();
    return std::hypot(dx, dy);
}

// Closest distance from q to the closed piece, or infinity where it surely is
// not below `best` (so min(best, result) is what it would be with the distance).
double distanceTo(const Piece& piece, PlanePoint q, double best) {
    if (piece.arc) {
        const double dx = q.x - piece.centre.x, dy = q.y - piece.centre.y;
        // hypot(dx, dy) > 0, without hypot where the parts are numbers.
        const bool away = std::isfinite(dx) && std::isfinite(dy) ? dx != 0 || dy != 0 : std::hypot(dx, dy) > 0;
        if (away && inSweep(piece, dx, dy)) {
            const double r = lengthUnless(dx, dy, best + piece.radius);
            return std::isinf(r) && r > 0 ? r : std::fabs(r - piece.radius);
        }
        const double a = lengthUnless(piece.a.x - q.x, piece.a.y - q.y, best);
        return std::min(a, lengthUnless(piece.b.x - q.x, piece.b.y - q.y, std::min(best, a)));
    }
    const double ex = piece.b.x - piece.a.x, ey = piece.b.y - piece.a.y;
    const double len2 = ex * ex + ey * ey;
    const double t = std::clamp(((q.x - piece.a.x) * ex + (q.y - piece.a.y) * ey) / len2, 0.0, 1.0);
    return lengthUnless(piece.a.x + t * ex - q.x, piece.a.y + t * ey - q.y, best);
}

// Heights (vertical == true: at offset `fixed`) or offsets (at height `fixed`)
// where the line meets the piece.
template <typename Out>
void lineHits(const Piece& piece, bool vertical, double fixed, double along, Out&& out) {
    // Work in (u, v): u the coordinate fixed by the line, v the one along it.
    const auto u = [&](PlanePoint p) { return vertical ? p.y : p.x; };
    const auto v = [&](PlanePoint p) { return vertical ? p.x : p.y; };
    if (piece.arc) {
        const double du = fixed - u(piece.centre);
        if (std::fabs(du) > piece.radius + kTouch) return;
        const double root = std::sqrt(std::fmax(0.0, piece.radius * piece.radius - du * du));
        for (const double sign : {1.0, -1.0}) {
            const double hit = v(piece.centre) + sign * root;
            const double dx = vertical ? hit - piece.centre.x : fixed - piece.centre.x;
            const double dy = vertical ? fixed - piece.centre.y : hit - piece.centre.y;
            if (inSweep(piece, dx, dy)) out(hit);
            if (root == 0) break;
        }
        return;
    }
    const double u0 = u(piece.a), u1 = u(piece.b);
    const double v0 = v(piece.a), v1 = v(piece.b);
    if (std::fabs(u1 - u0) > kTouch) {
        const double t = (fixed - u0) / (u1 - u0);
        if (t >= -kParamSlack && t <= 1.0 + kParamSlack) out(v0 + std::clamp(t, 0.0, 1.0) * (v1 - v0));
    } else if (std::fabs(fixed - u0) <= kTouch) {
        // The line runs along the straight: its nearest point to the measured one.
        out(std::clamp(along, std::min(v0, v1), std::max(v0, v1)));
    }
}

// Counts crossings of the upward ray from q (height grows, offset fixed) with the
// piece (an arc part by part, as cutArc left it); end points are counted on one
// side only (half-open), so a ray through a joint counts it once.
int upwardCrossings(const Piece& piece, PlanePoint q) {
    const auto crosses = [&](PlanePoint a, PlanePoint b, auto heightAt) {
        if ((a.y > q.y) == (b.y > q.y)) return 0;
        return heightAt() > q.x ? 1 : 0;
    };
    if (!piece.arc) {
        const PlanePoint a = piece.a, b = piece.b;
        return crosses(a, b, [&] { return a.x + (q.y - a.y) / (b.y - a.y) * (b.x - a.x); });
    }
    int count = 0;
    for (int k = 0; k < piece.parts; ++k) {
        const bool upper = piece.upper[k];
        count += crosses(piece.partA[k], piece.partB[k], [&] {
            const double du = q.y - piece.centre.y;
            const double root = std::sqrt(std::fmax(0.0, piece.radius * piece.radius - du * du));
            return piece.centre.x + (upper ? root : -root);
        });
    }
    return count;
}

void keepSmaller(double& best, double candidate) {
    if (best == kNoValue || std::fabs(candidate) < std::fabs(best)) best = candidate;
}

// Interpolates one field: values of the same kind directly, mixed ones through
// the completed contours.
double blend(double a, double b, double completedA, double completedB, double w, bool (*isGiven)(double)) {
    if (isGiven(a) && isGiven(b)) return lerp(a, b, w);
    if (!isGiven(a) && !isGiven(b) && a == b) return a;
    return lerp(completedA, completedB, w);
}

bool lengthGiven(double v) { return given(v); }
bool centralAngleGiven(double v) { return given(v) && v > 0; }

}  // namespace

int tunnelAtStation(const Road& road, double chainage) {
    const double a = chainage + kReach;
    for (std::size_t k = 0; k < road.tunnels.size(); ++k) {
        const Tunnel& t = road.tunnels[k];
        // A station 0.0005 m before the start belongs to the tunnel; the nanometre
        // keeps that true against the rounding of c + 0.0005.
        if (t.startStation <= a + 1e-9 && a < t.startStation + t.length) return static_cast<int>(k);
    }
    return -1;
}

bool tunnelTemplateChoice(const Road& road, int tunnel, double chainage, TemplateChoice& choice) {
    choice = TemplateChoice{};
    if (tunnel < 0 || tunnel >= static_cast<int>(road.tunnels.size())) return false;
    const Tunnel& t = road.tunnels[static_cast<std::size_t>(tunnel)];
    const int templates = static_cast<int>(road.tunnelTemplates.size());
    const auto valid = [&](int i) { return i >= 0 && i < templates; };
    const double c = chainage;

    const auto& rules = t.stationRules;
    for (std::size_t k = 0; k < rules.size(); ++k) {
        const bool last = k + 1 == rules.size();
        const double from = rules[k].station - kRuleTolerance;
        const double to = last ? std::numeric_limits<double>::infinity() : rules[k + 1].station - kRuleTolerance;
        if (!(from <= c && c < to)) continue;
        const int form = rules[k].changeForm;
        if (form == kGradualChange && !last) {
            const double span = rules[k + 1].station - rules[k].station;
            choice.first = rules[k].templateIndex;
            choice.second = rules[k + 1].templateIndex;
            choice.weight = span > 0 ? std::clamp((c - rules[k].station) / span, 0.0, 1.0) : 1.0;
        } else if (form == kGradualChange || form == kSuddenChange) {
            // A gradual rule with no rule after it has nothing to run towards: it
            // holds its own template to the tunnel's end, as a sudden one does.
            choice.first = choice.second = rules[k].templateIndex;
            choice.weight = 1.0;
        } else {
            break;  // end of the station-ruled stretch
        }
        if (choice.first == choice.second) choice.weight = 1.0;
        choice.byStation = true;
        return valid(choice.first) && valid(choice.second);
    }

    const double f = plateCrossfall(road, t.plateIndex, c);
    const auto& slopes = t.slopeRules;
    for (std::size_t k = 0; k + 1 < slopes.size(); ++k) {
        const double g0 = slopes[k].gradient, g1 = slopes[k + 1].gradient;
        if (!(g0 <= f && f <= g1)) continue;
        choice.first = slopes[k].templateIndex;
        choice.second = slopes[k + 1].templateIndex;
        choice.weight = g1 != g0 ? (f - g0) / (g1 - g0) : 0.0;
        if (choice.first == choice.second) choice.weight = 1.0;
        return valid(choice.first) && valid(choice.second);
    }
    return false;
}

// -1e18 (an empty radius on the left half) is <= 0 and 1e18 >= 0: each keeps its
// half; a radius of exactly 0 serves both.
bool inLeftHalf(const ContourElement& element) { return element.radius <= 0; }
bool inRightHalf(const ContourElement& element) { return element.radius >= 0; }

double contourElementTurn(ContourElement& e, double incomingDirection) {
    const double s = e.radius < 0 ? -1.0 : 1.0;
    const double R = std::fabs(e.radius);
    if (!given(e.heightDifference) || !given(e.horizontalDistance)) {
        if (isArc(e) && angleGiven(e)) {
            const double chord = 2.0 * R * std::sin(toRadians(e.centralAngle / 2.0));
            const PlanePoint d = polarOffset(chord, incomingDirection + s * e.centralAngle / 2.0);
            e.heightDifference = d.x;
            e.horizontalDistance = d.y;
        } else {
            // Nothing to make the chord from: the element has no length.
            e.heightDifference = 0;
            e.horizontalDistance = 0;
        }
    }
    const PolarVector chord = joinPoints(e.heightDifference, e.horizontalDistance);
    if (chord.distance == 0) return normalizeAngle(incomingDirection);
    if (!isArc(e)) return chord.azimuth;
    if (!angleGiven(e)) {
        const double angle = std::fabs(2.0 * toDegrees(std::asin(std::min(1.0, chord.distance / (2.0 * R)))));
        e.centralAngle = e.centralAngle == -1.0 ? 360.0 - angle : angle;
    }
    // The chord bisects the turn: the end tangent is the chord direction turned on
    // by half the central angle.
    return normalizeAngle(chord.azimuth + s * e.centralAngle / 2.0);
}

void completeSection(TunnelSection& section) {
    double direction = 90.0;
    for (ContourElement& e : section.elements)
        if (inRightHalf(e)) direction = contourElementTurn(e, direction);
    direction = 270.0;
    for (ContourElement& e : section.elements)
        if (inLeftHalf(e)) direction = contourElementTurn(e, direction);
}

bool interpolateSection(const TunnelTemplate& a, const TunnelTemplate& b, double weight,
                        RecordKind contour, TunnelSection& section) {
    section = TunnelSection{};
    const auto& ea = contourOf(a, contour);
    const auto& eb = contourOf(b, contour);
    if (eb.size() < ea.size()) return false;
    const double w = weight;
    section.startOffset = lerp(a.designOffset, b.designOffset, w);
    section.startHeight = lerp(crownOf(a, contour), crownOf(b, contour), w);
    if (&a == &b) {
        section.elements = ea;
        return true;
    }

    TunnelSection ca{a.designOffset, crownOf(a, contour), ea};
    TunnelSection cb{b.designOffset, crownOf(b, contour), {eb.begin(), eb.begin() + static_cast<std::ptrdiff_t>(ea.size())}};
    completeSection(ca);
    completeSection(cb);
    section.elements.reserve(ea.size());
    for (std::size_t k = 0; k < ea.size(); ++k) {
        const ContourElement& x = ea[k];
        const ContourElement& y = eb[k];
        ContourElement e;
        e.heightDifference = blend(x.heightDifference, y.heightDifference, ca.elements[k].heightDifference,
                                   cb.elements[k].heightDifference, w, lengthGiven);
        e.horizontalDistance = blend(x.horizontalDistance, y.horizontalDistance, ca.elements[k].horizontalDistance,
                                     cb.elements[k].horizontalDistance, w, lengthGiven);
        // An empty radius is a straight. The element keeps its half: the sign of
        // the first template's radius (of the second's where the first is 0), a
        // left straight the "not given" marker -1e18.
        if (given(x.radius) || given(y.radius)) {
            const double r = lerp(given(x.radius) ? std::fabs(x.radius) : 0.0,
                                  given(y.radius) ? std::fabs(y.radius) : 0.0, w);
            const bool left = (x.radius != 0 ? x.radius : y.radius) < 0;
            e.radius = !left ? r : r == 0 ? -kNoValue : -r;
        } else {
            e.radius = x.radius;
        }
        e.centralAngle = blend(x.centralAngle, y.centralAngle, ca.elements[k].centralAngle,
                               cb.elements[k].centralAngle, w, centralAngleGiven);
        section.elements.push_back(e);
    }
    return true;
}

bool tunnelSection(const Road& road, double chainage, RecordKind contour, TunnelSection& section) {
    section = TunnelSection{};
    if (!isContourKind(contour)) return false;
    const int tunnel = tunnelAtStation(road, chainage);
    if (tunnel < 0) return false;
    TemplateChoice choice;
    if (!tunnelTemplateChoice(road, tunnel, chainage, choice)) return false;
    const TunnelTemplate& a = road.tunnelTemplates[static_cast<std::size_t>(choice.first)];
    const TunnelTemplate& b = road.tunnelTemplates[static_cast<std::size_t>(choice.second)];
    return interpolateSection(a, b, choice.weight, contour, section);
}

BreakContour::BreakContour(const TunnelSection& section) {
    const PlanePoint rightEnd = buildHalf(section, true, pieces_);
    const PlanePoint leftEnd = buildHalf(section, false, pieces_);
    // The straight that closes the two halves below (it gives no distances).
    closed_ = dist(rightEnd, leftEnd) > 0;
    closing_.a = rightEnd;
    closing_.b = leftEnd;
}

BreakDistances BreakContour::distances(double offset, double height) const {
    BreakDistances result;
    if (pieces_.empty()) return result;
    const PlanePoint q{height, offset};
    double nearest = std::numeric_limits<double>::infinity();
    int crossings = 0;
    for (const Piece& piece : pieces_) {
        lineHits(piece, true, q.y, q.x, [&](double h) { keepSmaller(result.vertical, h - q.x); });
        lineHits(piece, false, q.x, q.y, [&](double o) { keepSmaller(result.horizontal, o - q.y); });
        nearest = std::min(nearest, distanceTo(piece, q, nearest));
        crossings += upwardCrossings(piece, q);
    }
    if (closed_) crossings += upwardCrossings(closing_, q);
    const bool inside = crossings % 2 == 1;
    result.normal = nearest == 0 ? 0.0 : (inside ? nearest : -nearest);
    return result;
}

BreakDistances breakDistances(const TunnelSection& section, double offset, double height) {
    return BreakContour(section).distances(offset, height);
}

bool overUnderBreak(const Road& road, double chainage, double offset, double height,
                    RecordKind contour, BreakDistances& distances) {
    distances = BreakDistances{};
    TunnelSection section;
    if (!tunnelSection(road, chainage, contour, section)) return false;
    // The contour starts at the tunnel's own centre (designOffset from the road
    // centreline), so the point keeps its offset from the road centreline.
    distances = breakDistances(section, offset, height);
    return true;
}

}  // namespace vornex
