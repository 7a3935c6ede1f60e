#include "adjust/projection_reduction.h"

#include <cmath>
#include <cstdlib>

#include "adjust/leveling_adjust.h"
#include "adjust/plane_adjust.h"
#include "geodesy/reduction.h"
#include "text/text.h"

namespace vornex {
namespace {

// Height of a plane point where the survey knows it: a known point of the height
// network, or any of its points once it is adjusted.
bool knownHeight(const CLevelingAdjust& heights, const std::string& name, double& h) {
    const int i = heights.findPoint(name);
    if (i < 0 || (i >= heights.knownCount && !heights.adjusted)) return false;
    h = heights.heights[static_cast<std::size_t>(i)];
    return std::isfinite(h);
}

}  // namespace

bool applyProjectionReduction(CPlaneNetAdjust& plane, const CLevelingAdjust& heights, const ProjectionReduction& choice,
                              ReductionResult& result, Prompter& prompter) {
    result = {};
    if (!choice.enabled || plane.pointCount <= 0) return false;
    if (std::string why = geodesy::checkSystem(choice.system); !why.empty()) {
        prompter.message("边长未归算：" + why);
        return false;
    }
    // Where the lines lie: approximate coordinates from the measured values
    // (the reduction changes a line by parts per ten thousand at most, far below
    // what would move the corrections). adjustPlane computes them again and
    // reports any failure itself.
    DefaultAnswerPrompter silent;
    if (!plane.approximateCoordinates(silent)) return false;
    const geodesy::GaussProjection grid(choice.system);
    const auto n = static_cast<std::size_t>(plane.pointCount);
    std::vector<double> easting(n, 0.0);
    std::vector<char> placed(n, 0);
    double sumX = 0, sumY = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PlanePoint& p = plane.coordinates[i];
        if (p.x == CPlaneNetAdjust::kUnknownX) continue;
        if (grid.eastingOf(p.y, easting[i]) != geodesy::Status::Ok) {
            prompter.message("边长未归算：点 " + text::gbkToUtf8(plane.pointNames[i]) + " 的 Y 坐标不在所选投影带内（" +
                             geodesy::statusText(grid.eastingOf(p.y, easting[i])) + "）");
            return false;
        }
        placed[i] = 1;
        if (static_cast<std::int32_t>(i) < plane.knownCount) {
            sumX += p.x;
            sumY += p.y;
        }
    }
    geodesy::GeographicPoint centre;
    const double kc = plane.knownCount > 0 ? plane.knownCount : 1;
    if (const geodesy::Status st = grid.toGeographic(sumX / kc, sumY / kc, centre); st != geodesy::Status::Ok) {
        prompter.message("边长未归算：已知点的坐标不在所选坐标系的投影带内（" + geodesy::statusText(st) + "）");
        return false;
    }
    result.latitude = centre.latitude;
    result.radius = geodesy::meanRadius(choice.system.ellipsoid, centre.latitude);
    const double r = result.radius;

    // Heights of the points, and the survey's mean elevation where a line's are unknown.
    std::vector<double> height(n, 0.0);
    std::vector<char> hasHeight(n, 0);
    double sumH = 0;
    int countH = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (knownHeight(heights, plane.pointNames[i], height[i])) {
            hasHeight[i] = 1;
            sumH += height[i];
            ++countH;
        }
    }
    result.meanElevation = choice.hasMeanElevation ? choice.meanElevation : countH > 0 ? sumH / countH : 0.0;

    result.measuredDistance = plane.distanceValue;
    for (int k = 0; k < plane.distanceCount(); ++k) {
        const auto sk = static_cast<std::size_t>(k);
        const auto a = static_cast<std::size_t>(plane.distanceFrom[sk]), b = static_cast<std::size_t>(plane.distanceTo[sk]);
        double hm = result.meanElevation;
        if (hasHeight[a] && hasHeight[b]) {
            hm = (height[a] + height[b]) / 2;
            ++result.linesWithHeights;
        }
        const double d0 = geodesy::reduceToProjectionSurface(plane.distanceValue[sk], hm, choice.system.projectionHeight, r);
        // Without both ends placed the line keeps only the reduction to the surface.
        plane.distanceValue[sk] = placed[a] && placed[b]
                                      ? geodesy::reduceToGrid(d0, (easting[a] + easting[b]) / 2, easting[b] - easting[a], r)
                                      : d0;
    }

    result.measuredDirection = plane.directionValue;
    result.arcToChord.assign(plane.directionValue.size(), 0.0);
    for (int s = 0; s < plane.stationSetCount(); ++s) {
        const auto st = static_cast<std::size_t>(plane.stationPoint[static_cast<std::size_t>(s)]);
        for (int j = plane.setStart[static_cast<std::size_t>(s)]; j < plane.setStart[static_cast<std::size_t>(s) + 1]; ++j) {
            const auto sj = static_cast<std::size_t>(j);
            const auto t = static_cast<std::size_t>(plane.directionTarget[sj]);
            if (!placed[st] || !placed[t]) continue;
            const PlanePoint& p1 = plane.coordinates[st];
            const PlanePoint& p2 = plane.coordinates[t];
            const double length = std::hypot(p2.x - p1.x, p2.y - p1.y);
            if (!choice.arcToChordEveryLine && length < geodesy::kArcToChordLength) continue;
            const double delta = geodesy::arcToChordSeconds(p1.x, easting[st], p2.x, easting[t], r);
            result.arcToChord[sj] = delta;
            plane.directionValue[sj] += delta / geodesy::kRhoSeconds;
            ++result.correctedDirections;
        }
    }
    result.applied = true;
    return true;
}

std::string describeReduction(const ProjectionReduction& choice, const ReductionResult& result) {
    if (!result.applied) return "边长不归算";
    return "归算到投影面：" + reductionDetails(choice, result);
}

std::string reductionDetails(const ProjectionReduction& choice, const ReductionResult& result) {
    std::string d = geodesy::describeSystem(choice.system);
    d += text::format("；测区纬度 %.4f°，平均曲率半径 %.1f km，平均高程 %.3f m", result.latitude, result.radius / 1000,
                      result.meanElevation);
    if (result.correctedDirections > 0) d += text::format("；方向改化 %d 个", result.correctedDirections);
    return d;
}

std::string reductionToText(const ProjectionReduction& c) {
    std::string t = geodesy::systemToText(c.system);
    t += text::format(";reduce=%d;arc=%d", c.enabled ? 1 : 0, c.arcToChordEveryLine ? 1 : 0);
    if (c.hasMeanElevation) t += text::format(";hm=%.17g", c.meanElevation);
    return t;
}

bool reductionFromText(std::string_view text, ProjectionReduction& out) {
    ProjectionReduction c;
    if (!geodesy::systemFromText(text, c.system)) return false;
    // The reduction's own keys after the system's.
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t semi = rest.find(';');
        const std::string_view item = rest.substr(0, semi);
        rest.remove_prefix(semi == std::string_view::npos ? rest.size() : semi + 1);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = item.substr(0, eq);
        const std::string value(item.substr(eq + 1));
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        const bool number = !value.empty() && *end == '\0' && std::isfinite(v);
        if (key == "reduce" && number) c.enabled = v != 0;
        else if (key == "arc" && number) c.arcToChordEveryLine = v != 0;
        else if (key == "hm") {
            if (!number) return false;
            c.hasMeanElevation = true;
            c.meanElevation = v;
        }
    }
    out = c;
    return true;
}

}  // namespace vornex
