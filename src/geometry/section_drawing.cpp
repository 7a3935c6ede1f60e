#include "geometry/section_drawing.h"

#include <algorithm>
#include <cmath>

#include "geometry/cross_section.h"
#include "geometry/profile.h"
#include "geometry/slopes.h"
#include "geometry/tunnel.h"

namespace vornex {

namespace {

constexpr double kNotGiven = 1e18;

// One half of the surface and subgrade from the centre outwards: `sign` -1 left,
// +1 right (offsets signed accordingly).
void halfSection(const Road& road, int side, double chainage, int sign, SectionPolyline& surface,
                 SectionPolyline& subgrade) {
    double w = 0, h = 0;
    surface.push_back({0, 0});
    for (int k = 0;; ++k) {
        const int p = plateOfSide(road, side, k);
        if (p < 0) break;
        const CrossSectionPlate& plate = road.plates[static_cast<std::size_t>(p)];
        const double b = plateWidth(road, p, chainage);
        const double i = plateCrossfall(road, p, chainage);
        const double t = std::isfinite(plate.layerThickness) ? plate.layerThickness : 0;
        subgrade.push_back({sign * w, h - t});
        h += i * b / 100;
        w += b;
        surface.push_back({sign * w, h});
        subgrade.push_back({sign * w, h - t});
        // The curb step to the next plate is a vertical piece of the surface; the
        // outermost plate has no next plate and the slope starts at its edge.
        if (plate.curbHeight != 0 && std::isfinite(plate.curbHeight) && plateOfSide(road, side, k + 1) >= 0) {
            h += plate.curbHeight;
            surface.push_back({sign * w, h});
        }
    }
}

// Drops points that repeat the one before (a plate without a layer or a curb adds
// none), and writes a zero offset as +0.
void tidy(SectionPolyline& line) {
    SectionPolyline out;
    for (SectionPoint p : line) {
        if (p.offset == 0) p.offset = 0.0;
        if (!out.empty() && out.back() == p) continue;
        out.push_back(p);
    }
    line.swap(out);
}

SectionPolyline mirrored(const SectionPolyline& line, double edgeOffset, double edgeHeight, int sign) {
    SectionPolyline out;
    out.reserve(line.size());
    for (const SectionPoint& p : line) out.push_back({edgeOffset + sign * p.offset, edgeHeight + p.height});
    return out;
}

bool given(double v) { return std::isfinite(v) && std::fabs(v) < 1e17; }

constexpr double kDegree = 3.14159265358979323846 / 180;

// Appends one completed contour element from the last point of `line`. In the
// section plane a direction is measured like an azimuth: 0 up (height), 90 to
// the right (offset); a positive radius turns clockwise, a negative one the other way.
void appendElement(SectionPolyline& line, const ContourElement& e, double chordError) {
    const SectionPoint p = line.back();
    const double dh = given(e.heightDifference) ? e.heightDifference : 0;
    const double dd = given(e.horizontalDistance) ? e.horizontalDistance : 0;
    const SectionPoint q{p.offset + dd, p.height + dh};
    const double chord = std::hypot(dh, dd);
    const double R = std::fabs(e.radius);
    const double theta = given(e.centralAngle) ? std::fabs(e.centralAngle) : 0;
    if (!given(e.radius) || e.radius == 0 || chord == 0 || theta <= 0 || !(R > 0)) {
        line.push_back(q);
        return;
    }
    const double s = e.radius < 0 ? -1 : 1;
    const double chordAz = std::atan2(dd, dh);                 // radians, from "up" towards "right"
    const double startAz = chordAz - s * theta * kDegree / 2;  // the tangent at the start
    // The centre lies a radius away, square to the start tangent on the turning side.
    const double cAz = startAz + s * 90 * kDegree;
    const double ch = p.height + R * std::cos(cAz), co = p.offset + R * std::sin(cAz);
    const double step = std::sqrt(8 * R * chordError);
    const int n = std::clamp(static_cast<int>(std::ceil(R * theta * kDegree / std::max(step, 1e-6))), 1, 10000);
    for (int k = 1; k < n; ++k) {
        const double az = startAz + s * theta * kDegree * k / n - s * 90 * kDegree;
        line.push_back({co + R * std::sin(az), ch + R * std::cos(az)});
    }
    line.push_back(q);  // the end point as the element gives it
}

}  // namespace

TunnelOutline tunnelOutline(TunnelSection section, double chordError) {
    completeSection(section);
    TunnelOutline out;
    out.right.push_back({section.startOffset, section.startHeight});
    out.left.push_back({section.startOffset, section.startHeight});
    for (const ContourElement& e : section.elements) {
        if (inRightHalf(e)) appendElement(out.right, e, chordError);
        if (inLeftHalf(e)) appendElement(out.left, e, chordError);
    }
    return out;
}

SectionPolyline slopeOutline(const SlopeTemplate& slopeTemplate, double height) {
    SectionPolyline out{{0, 0}};
    if (!std::isfinite(height)) return out;
    const double q = height >= 0 ? 1 : -1;
    double d = 0, h = 0, x = height;  // x: height still to go
    for (const SlopeTemplateRow& row : slopeTemplate.rows) {
        const auto& v = row.values;
        switch (row.rowType) {
            case kSlopePlatform: {
                const double b = v[0], i = v[1], e = b * i / 100;
                if (std::fabs(x) > e * q) {
                    d += b;
                    h += e;
                    x -= e;
                    out.push_back({d, h});
                } else {
                    if (i != 0) d += std::fabs(x / i * 100);
                    out.push_back({d, h + x});
                    return out;
                }
                break;
            }
            case kSlopeRectDitch: {
                const double f = (v[2] - v[0]) * q;
                out.push_back({d, h - v[0]});
                d += v[1];
                out.push_back({d, h - v[0]});
                if (std::fabs(x) <= f) {
                    out.push_back({d, h + f});
                    return out;
                }
                h += f;
                x -= f;
                out.push_back({d, h});
                break;
            }
            case kSlopeTrapezoidDitch: {
                // Inner wall down to the bottom, the bottom, then the outer wall; a
                // height used up within the ditch ends on the outer wall, as the
                // slope check measures it.
                const double h1 = v[0], w1 = v[1], w0 = v[2], h2 = v[3], w2 = v[4];
                const double f = (h2 - h1) * q;
                out.push_back({d + w1, h - h1});
                out.push_back({d + w1 + w0, h - h1});
                if (std::fabs(x) <= f) {
                    const double along = h2 > 0 ? std::clamp((q * x + h1) / h2, 0.0, 1.0) : 1.0;
                    out.push_back({d + w1 + w0 + w2 * along, h + x});
                    return out;
                }
                d += w1 + w0 + w2;
                h += f;
                x -= f;
                out.push_back({d, h});
                break;
            }
            case kSlopeFixedHeight: {
                const double hs = v[0], n = v[1];
                if (std::fabs(x) <= hs) {
                    d += std::fabs(x * n);
                    out.push_back({d, h + x});
                    return out;
                }
                d += std::fabs(hs * n);
                h += hs * q;
                x -= hs * q;
                out.push_back({d, h});
                break;
            }
            case kSlopeFree:
                d += std::fabs(x * v[0]);
                out.push_back({d, h + x});
                return out;
            default: break;  // 河堤边坡, 中心点偏移 and unknown rows are passed over
        }
    }
    return out;
}

DesignedSection designedSection(const Road& road, double chainage, const SectionGround& ground) {
    DesignedSection s;
    s.chainage = chainage;
    ProfileElevation z = designElevation(road, chainage);
    s.hasElevation = z.inProfile;
    s.centreElevation = z.elevation;

    SectionPolyline leftSurface, leftSub, rightSurface, rightSub;
    halfSection(road, 1, chainage, -1, leftSurface, leftSub);
    halfSection(road, 2, chainage, +1, rightSurface, rightSub);
    s.surface.assign(leftSurface.rbegin(), leftSurface.rend());
    s.surface.insert(s.surface.end(), rightSurface.begin() + 1, rightSurface.end());
    s.subgrade.assign(leftSub.rbegin(), leftSub.rend());
    s.subgrade.insert(s.subgrade.end(), rightSub.begin(), rightSub.end());
    tidy(s.surface);
    tidy(s.subgrade);

    s.onBridge = onBridge(road, chainage);
    s.inTunnel = tunnelAtStation(road, chainage) >= 0;
    if (s.inTunnel)
        for (RecordKind kind : {RecordKind::ExcavationContour, RecordKind::PrimaryContour, RecordKind::SecondaryContour}) {
            TunnelSection section;
            if (!tunnelSection(road, chainage, kind, section) || section.elements.empty()) continue;
            TunnelOutline outline = tunnelOutline(section);
            outline.contour = kind;
            s.tunnel.push_back(std::move(outline));
        }
    if (s.onBridge || s.inTunnel) return s;
    const int a = slopeAssignmentAt(road, chainage);
    if (a < 0) return s;
    const SlopeAssignment& assignment = road.slopeAssignments[static_cast<std::size_t>(a)];
    auto slope = [&](double groundHeight, int fillIndex, int cutIndex, const SectionPoint& edge, int sign) {
        double x = groundHeight >= kNotGiven * 0.5 || !std::isfinite(groundHeight) ? -kDefaultSlopeDepth
                                                                                     : groundHeight;
        const int t = x > 0 ? cutIndex : fillIndex;
        if (t < 0 || t >= static_cast<int>(road.slopeTemplates.size())) return SectionPolyline{};
        return mirrored(slopeOutline(road.slopeTemplates[static_cast<std::size_t>(t)], x), edge.offset,
                        edge.height, sign);
    };
    s.leftSlope = slope(ground.left, assignment.leftFill, assignment.leftCut, leftSurface.back(), -1);
    s.rightSlope = slope(ground.right, assignment.rightFill, assignment.rightCut, rightSurface.back(), +1);
    return s;
}

}  // namespace vornex
