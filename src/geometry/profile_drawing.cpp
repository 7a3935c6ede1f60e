#include "geometry/profile_drawing.h"

#include <algorithm>
#include <cmath>

#include "geometry/profile.h"
#include "geometry/stations.h"
#include "text/text.h"

namespace vornex {

ProfileDrawing profileDrawing(const Road& road) {
    ProfileDrawing d;
    const int n = static_cast<int>(road.gradePoints.size());
    if (n == 0) return d;
    d.empty = false;
    const ProfileSearch search = profileSearch(road);
    auto at = [&](double c) { return ProfileVertex{c, designElevation(road, search, c).elevation}; };
    for (int i = 0; i < n; ++i) {
        const GradePoint& g = road.gradePoints[static_cast<std::size_t>(i)];
        d.gradeLine.push_back({g.station, g.elevation});
        GradePointValues v = gradePointValues(road, i);
        GradePointLabel label;
        label.chainage = g.station;
        label.elevation = g.elevation;
        label.station = formatStation(road, g.station, true);
        if (i + 1 < n) {
            const GradePoint& next = road.gradePoints[static_cast<std::size_t>(i) + 1];
            const double run = next.station - g.station;
            label.hasAhead = run != 0;
            if (label.hasAhead) label.gradeAhead = (next.elevation - g.elevation) / run * 1000;
        }
        label.hasCurve = v.interior;
        label.radius = v.radius;
        d.gradePoints.push_back(label);

        if (i == 0 || i == n - 1 || !v.interior) {
            d.design.push_back(at(g.station));
            continue;
        }
        // The curve runs from T1 before the grade point to T2 after it.
        const double c0 = g.station - v.tangent1, c1 = g.station + v.tangent2;
        d.tangentPoints.push_back(at(c0));
        for (int k = 0; k <= kProfileCurveSamples; ++k) d.design.push_back(at(c0 + (c1 - c0) * k / kProfileCurveSamples));
        d.tangentPoints.push_back(at(c1));
    }
    for (std::size_t k = 0; k < road.chainBreaks.size(); ++k) {
        // The break lies where its start station is first reached.
        double c = chainBreakChainage(road, k);
        if (c == kNoValue) continue;
        d.chainBreaks.push_back({c, chainBreakRemark(road.chainBreaks[k])});
    }
    d.minChainage = d.maxChainage = d.gradeLine.front().chainage;
    d.minElevation = d.maxElevation = d.gradeLine.front().elevation;
    for (const auto* line : {&d.gradeLine, &d.design})
        for (const ProfileVertex& p : *line) {
            if (!std::isfinite(p.chainage) || !std::isfinite(p.elevation)) continue;
            d.minChainage = std::min(d.minChainage, p.chainage);
            d.maxChainage = std::max(d.maxChainage, p.chainage);
            d.minElevation = std::min(d.minElevation, p.elevation);
            d.maxElevation = std::max(d.maxElevation, p.elevation);
        }
    return d;
}

}  // namespace vornex
