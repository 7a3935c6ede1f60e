#include "model/field_rules.h"

#include <cmath>
#include <string>

#include "text/text.h"

namespace vornex {

FixedText<2> stationPrefixFromText(std::string_view typed) {
    std::string gbk = text::utf8ToGbk(typed);
    for (char& c : gbk)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return FixedText<2>(std::string_view(gbk));
}

double foldStructureAngle(double degrees) {
    if (degrees >= 180.0 && std::isfinite(degrees)) return std::fmod(degrees, 180.0);
    return degrees;
}

bool isManualRoadName(const Name12& name) { return name.equals(kManualRoadName); }

IntersectionPoint normaliseIntersectionPoint(const IntersectionPoint& point) {
    IntersectionPoint p = point;
    p.spiralIn = std::fabs(p.spiralIn);
    p.spiralOut = std::fabs(p.spiralOut);
    auto normalise = [&p](double& outerRadius, double& length) {
        if (!(outerRadius < 0)) return;
        const double a2 = outerRadius * outerRadius;
        if (!(p.radius > 0)) {  // no circular curve to lead into
            outerRadius = 0;
            return;
        }
        if (length != 0) {
            // A² = L·(R·r)/(r - R) solved for the outer radius r.
            const double r = a2 * p.radius / (a2 - length * p.radius);
            outerRadius = (std::isfinite(r) && r >= 0.0001) ? r : 0;
        } else {
            length = a2 / p.radius;  // full spiral from a straight: A² = L·R
            outerRadius = 0;
        }
    };
    normalise(p.startRadius, p.spiralIn);
    normalise(p.endRadius, p.spiralOut);
    return p;
}

namespace {

template <class List>
Name12 smallestFreeName(const char* utf8Format, const List& list) {
    for (std::size_t n = 0;; ++n) {
        Name12 candidate(std::string_view(text::utf8ToGbk(text::format(utf8Format, static_cast<int>(n)))));
        bool taken = false;
        for (const auto& r : list)
            if (r.name == candidate) {
                taken = true;
                break;
            }
        // Among list.size() + 1 distinct candidates one is free; past that the
        // cut names could repeat, so stop there whatever happens.
        if (!taken || n > list.size()) return candidate;
    }
}

}  // namespace

Name12 newSlopeTemplateName(const Road& road) { return smallestFreeName("边坡模板%d", road.slopeTemplates); }
Name12 newBridgeName(const Road& road) { return smallestFreeName("桥梁%d", road.bridges); }
Name12 newPierName(const Bridge& bridge) { return smallestFreeName("%d", bridge.piers); }
Name12 newTunnelName(const Road& road) { return smallestFreeName("隧道%d", road.tunnels); }
Name12 newTunnelTemplateName(const Road& road) { return smallestFreeName("隧道断面%d", road.tunnelTemplates); }

}  // namespace vornex
