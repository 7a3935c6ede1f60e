#include "geometry/profile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "geometry/angles.h"
#include "geometry/cross_section.h"

namespace vornex {

namespace {

double gradeBetween(const GradePoint& a, const GradePoint& b) {
    const double ds = b.station - a.station;
    return ds != 0 ? (b.elevation - a.elevation) / ds : 0.0;
}

// Direction of a grade line in the plane whose first axis is elevation and whose
// second axis is station, measured like an azimuth: a level grade points at 90,
// a rising one below 90. Two points at the same station carry no grade (as in
// gradeBetween), so they count as level rather than as a vertical line.
double gradeDirection(const GradePoint& a, const GradePoint& b) {
    const double ds = b.station - a.station;
    if (ds == 0) return 90.0;
    return joinPoints(b.elevation - a.elevation, ds).azimuth;
}


}  // namespace

VerticalCurve verticalCurve(const Road& road, int index, int method) {
    VerticalCurve vc;
    const auto& gp = road.gradePoints;
    const int n = static_cast<int>(gp.size());
    if (index < 0 || index >= n) return vc;
    const auto at = [&](int k) -> const GradePoint& { return gp[static_cast<std::size_t>(k)]; };

    if (index == 0) {
        if (n > 1) {
            vc.aheadGrade = gradeBetween(at(0), at(1));
            vc.aheadDistance = at(1).station - at(0).station;
        }
        return vc;
    }
    if (index == n - 1) {
        vc.backGrade = gradeBetween(at(n - 2), at(n - 1));
        vc.backDistance = at(n - 1).station - at(n - 2).station;
        return vc;
    }

    const GradePoint& prev = at(index - 1);
    const GradePoint& here = at(index);
    const GradePoint& next = at(index + 1);
    const double R = here.verticalRadius;
    vc.backGrade = gradeBetween(prev, here);
    vc.aheadGrade = gradeBetween(here, next);
    vc.gradeChange = vc.aheadGrade - vc.backGrade;
    vc.backDistance = here.station - prev.station;
    vc.aheadDistance = next.station - here.station;

    if (method == kExactMethod) {
        // Circular arc tangent to both grade lines: with the half deflection δ the
        // tangent length along the grade lines is R·tan δ and the external
        // distance R·(sec δ - 1); T1 and T2 are their horizontal projections.
        const double u = gradeDirection(prev, here);
        const double v = gradeDirection(here, next);
        const double delta = toRadians((v - u) / 2.0);
        const double T = std::fabs(std::tan(delta) * R);
        vc.tangent1 = T * std::sin(toRadians(u));
        vc.tangent2 = T * std::sin(toRadians(v));
        vc.externalDistance = R * (1.0 / std::cos(delta) - 1.0);
        vc.aux = u;
    } else {
        // Quadratic parabola: T = |ω|·R/2, E = T²/(2R).
        const double T = std::fabs(vc.gradeChange) * R / 2.0;
        vc.tangent1 = T;
        vc.tangent2 = T;
        vc.externalDistance = R != 0 ? T * T / (2.0 * R) : 0.0;
        vc.aux = T;
    }
    return vc;
}

namespace {

// The design elevation on grade point i's curve or tangents.
ProfileElevation elevationAt(const Road& road, int i, const VerticalCurve& vc, double c, double offset) {
    ProfileElevation result;
    const auto& gp = road.gradePoints;
    const int method = road.calcMethod;
    const GradePoint& point = gp[static_cast<std::size_t>(i)];
    const double f = c - point.station;
    double z = point.elevation + f * (f > 0 ? vc.aheadGrade : vc.backGrade);

    if (point.station - vc.tangent1 < c && c < point.station + vc.tangent2) {
        const bool sag = vc.gradeChange > 0;
        const double R = point.verticalRadius;
        if (method == kExactMethod) {
            // Centre of the arc, |R| from the curve start at right angles to the
            // back grade line, in the elevation/station plane.
            const double startElevation = point.elevation - vc.tangent1 * vc.backGrade;
            const double startStation = point.station - vc.tangent1;
            double direction = sag ? vc.aux - 90.0 : vc.aux + 90.0;
            if (R < 0) direction += 180.0;
            const PlanePoint d = polarOffset(std::fabs(R), direction);
            const double centreElevation = startElevation + d.x;
            const double centreStation = startStation + d.y;
            const double delta = c - centreStation;
            const double root = std::sqrt(std::fmax(0.0, R * R - delta * delta));
            z = sag ? centreElevation - root : centreElevation + root;
        } else {
            // Parabola ordinate x²/(2R) from the nearer curve end.
            const double x = vc.tangent1 - std::fabs(f);
            const double y = x * x / (2.0 * R);
            z += sag ? y : -y;
        }
    }

    if (offset != 0) z += surfaceHeight(road, c, std::fabs(offset), offset < 0 ? 270.0 : 90.0);

    result.elevation = z;
    result.inProfile = gp.front().station - 0.005 <= c && c <= gp.back().station + 0.005;
    return result;
}

}  // namespace

ProfileElevation designElevation(const Road& road, double chainage, double offset) {
    const auto& gp = road.gradePoints;
    const int n = static_cast<int>(gp.size());
    if (n == 0) return {};
    const double c = chainage;

    // The grade point whose curve or back tangent holds the station.
    int i = n - 1;
    VerticalCurve vc;
    for (int k = 0; k < n; ++k) {
        vc = verticalCurve(road, k, road.calcMethod);
        if (c < gp[static_cast<std::size_t>(k)].station + vc.tangent2) {
            i = k;
            break;
        }
    }
    return elevationAt(road, i, vc, c, offset);
}

ProfileSearch profileSearch(const Road& road) {
    ProfileSearch s;
    const auto& gp = road.gradePoints;
    s.curves.reserve(gp.size());
    s.reach.reserve(gp.size());
    for (std::size_t k = 0; k < gp.size(); ++k) {
        s.curves.push_back(verticalCurve(road, static_cast<int>(k), road.calcMethod));
        const double reach = gp[k].station + s.curves.back().tangent2;
        // NaN reaches (absurd input) never hold a station, as in the linear search.
        const double previous = s.reach.empty() ? -HUGE_VAL : s.reach.back();
        s.reach.push_back(std::isnan(reach) ? previous : std::fmax(previous, reach));
    }
    return s;
}

ProfileElevation designElevation(const Road& road, const ProfileSearch& search, double chainage, double offset) {
    const int n = static_cast<int>(road.gradePoints.size());
    if (n == 0 || search.reach.size() != static_cast<std::size_t>(n)) return designElevation(road, chainage, offset);
    // The first grade point whose reach passes the station is where the running
    // maximum first passes it; none: the last grade point, as in the linear search.
    const auto it = std::upper_bound(search.reach.begin(), search.reach.end(), chainage);
    const int i = it == search.reach.end() ? n - 1 : static_cast<int>(it - search.reach.begin());
    return elevationAt(road, i, search.curves[static_cast<std::size_t>(i)], chainage, offset);
}

GradePointValues gradePointValues(const Road& road, int index) {
    GradePointValues v;
    const auto& gp = road.gradePoints;
    const int n = static_cast<int>(gp.size());
    if (index < 0 || index >= n) return v;
    const GradePoint& point = gp[static_cast<std::size_t>(index)];
    const VerticalCurve vc = verticalCurve(road, index, road.calcMethod);
    v.station = point.station;
    v.elevation = point.elevation;
    v.interior = index > 0 && index < n - 1;
    if (v.interior) {
        v.sag = vc.gradeChange > 0;
        v.radius = point.verticalRadius;
        v.tangent1 = vc.tangent1;
        v.tangent2 = vc.tangent2;
        v.externalDistance = vc.externalDistance;
    }
    if (index > 0) {
        const VerticalCurve previous = verticalCurve(road, index - 1, road.calcMethod);
        v.hasBack = true;
        v.backDistance = vc.backDistance;
        v.straightLength = vc.backDistance - vc.tangent1 - previous.tangent2;
        v.gradePercent = vc.backGrade * 100.0;
    }
    return v;
}

std::string_view curveKindText(bool sag) { return sag ? "凹" : "凸"; }

}  // namespace vornex
