#include "geometry/slopes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "geometry/cross_section.h"
#include "geometry/profile.h"
#include "geometry/tunnel.h"

namespace vornex {

namespace {

constexpr double kReach = 0.0005;

// A height within this of the road edge counts as level with it.
constexpr double kLevelBand = 0.01;

}  // namespace

SlopeReach slopeReach(const SlopeTemplate& slopeTemplate, double height) {
    SlopeReach result;
    double x = height;
    const double q = x >= 0 ? 1.0 : -1.0;  // +1 cut (point above the edge), -1 fill
    double D = 0;
    for (const SlopeTemplateRow& row : slopeTemplate.rows) {
        const auto& v = row.values;
        switch (row.rowType) {
            case kSlopePlatform: {
                // The platform's slope (%) is negative when it falls away from the road.
                const double b = v[0], i = v[1];
                const double e = b * i / 100.0;
                if (std::fabs(x) > e * q) {
                    D += b;
                    x -= e;
                    break;
                }
                if (i != 0) D += std::fabs(x / i * 100.0);
                result.distance = D;
                return result;
            }
            case kSlopeRectDitch: {
                const double h1 = v[0], w = v[1], h2 = v[2];
                D += w;
                const double f = (h2 - h1) * q;
                if (std::fabs(x) <= f) {
                    result.distance = D;
                    return result;
                }
                x -= f;
                break;
            }
            case kSlopeTrapezoidDitch: {
                const double h1 = v[0], w1 = v[1], w0 = v[2], h2 = v[3], w2 = v[4];
                const double f = (h2 - h1) * q;
                // The same test as the rectangular ditch: the height is used up
                // within the ditch when it does not exceed the outer wall's rise.
                // (Testing the signed height alone would end every fill on the ditch.)
                if (std::fabs(x) <= f) {
                    // The point's height is met on the outer wall, which rises from
                    // the ditch bottom (h1 below the edge) over h2 across its width w2.
                    const double along = h2 > 0 ? std::clamp((q * x + h1) / h2, 0.0, 1.0) : 1.0;
                    result.distance = D + w1 + w0 + w2 * along;
                    return result;
                }
                D += w1 + w0 + w2;
                x -= f;
                break;
            }
            case kSlopeFixedHeight: {
                const double h = v[0], n = v[1];
                if (std::fabs(x) <= h) {
                    D += std::fabs(x * n);
                    result.heightReached = std::fabs(x) * q;
                    result.distance = D;
                    return result;
                }
                D += std::fabs(h * n);
                x -= h * q;
                result.heightReached = h * q;
                break;
            }
            case kSlopeFree: {
                D += std::fabs(x * v[0]);
                result.distance = D;
                return result;
            }
            default:  // 河堤边坡, 中心点偏移 and unknown rows shape nothing here
                break;
        }
    }
    result.distance = D;
    return result;
}

SlopeReach slopeReach(const Road& road, int templateIndex, double height) {
    if (templateIndex < 0 || templateIndex >= static_cast<int>(road.slopeTemplates.size())) return {};
    return slopeReach(road.slopeTemplates[static_cast<std::size_t>(templateIndex)], height);
}

int slopeAssignmentAt(const Road& road, double chainage) {
    const auto& list = road.slopeAssignments;
    if (list.empty()) return -1;
    int found = 0;
    for (std::size_t k = 0; k < list.size(); ++k)
        if (list[k].station <= chainage + kReach) found = static_cast<int>(k);
    return found;
}

bool onBridge(const Road& road, double chainage) {
    const double a = chainage + kReach;
    for (const Bridge& bridge : road.bridges)
        if (bridge.startStation <= a && a <= bridge.startStation + bridge.length) return true;
    return false;
}

double slopeCheck(const Road& road, double chainage, double offset, double elevation) {
    if (road.gradePoints.empty() || onBridge(road, chainage) || tunnelAtStation(road, chainage) >= 0)
        return kNoValue;
    const int assignment = slopeAssignmentAt(road, chainage);
    if (assignment < 0) return kNoValue;

    const bool left = offset < 0;
    const double W = halfWidth(road, left ? kLeftSide : kRightSide, chainage);
    const double edge = designElevation(road, chainage, left ? -W : W).elevation;
    double x = elevation - edge;
    if (std::fabs(x) < kLevelBand) x = 0;

    const SlopeAssignment& a = road.slopeAssignments[static_cast<std::size_t>(assignment)];
    const bool cut = x > 0;
    const int templateIndex = left ? (cut ? a.leftCut : a.leftFill) : (cut ? a.rightCut : a.rightFill);
    if (templateIndex < 0 || templateIndex >= static_cast<int>(road.slopeTemplates.size())) return kNoValue;

    return slopeReach(road, templateIndex, x).distance - (std::fabs(offset) - W);
}

}  // namespace vornex
