#include "geometry/stakeout.h"

#include <cmath>

#include "geometry/angles.h"

namespace vornex {

bool structureStakeout(const Road& road, const Structure& s, StructureStakeout& out) {
    out = {};
    AlignmentPoint centre;
    if (pointAtStation(road, s.station, 0.0001, 0, 90, centre) != 1) return false;
    const double theta = s.angle;
    const double halfWidth = s.width / 2;
    // (u across the axis, v along it) of the seven points in table order.
    const double us[7] = {halfWidth, 0, -halfWidth, 0, halfWidth, 0, -halfWidth};
    const double vs[7] = {-s.leftLength, -s.leftLength, -s.leftLength, 0, s.rightLength, s.rightLength, s.rightLength};
    for (int k = 0; k < 7; ++k) {
        double u = us[k], v = vs[k];
        if (s.method() == 0 && u != 0) {
            // Parallelogram: the ends run parallel to the road.
            double t = theta >= 180 ? 270 - theta : 90 - theta;
            v += std::tan(t * kPi / 180) * u;
        }
        PolarVector pv = joinPoints(u, v);
        PlanePoint d = polarOffset(pv.distance, pv.azimuth + centre.azimuth + theta - 90);
        StakeoutPoint& p = out.points[static_cast<std::size_t>(k)];
        p.x = centre.x + d.x;
        p.y = centre.y + d.y;
        p.z = s.crossfall * v / 100 + s.centreElevation;
    }
    return true;
}

bool pierCentre(const Road& road, const Bridge& bridge, const Pier& pier, double tolerance, AlignmentPoint& out) {
    AlignmentPoint p;
    if (bridge.calcType == 1) {
        double middle = bridge.startStation + bridge.length / 2;
        if (pointAtStation(road, middle, tolerance, 0, 90, p) != 1) return false;
        PlanePoint d = polarOffset(pier.station - middle, p.azimuth);
        p.x += d.x;
        p.y += d.y;
    } else {
        if (pointAtStation(road, pier.station, tolerance, 0, 90, p) != 1) return false;
    }
    PlanePoint o = polarOffset(bridge.axisOffset, p.azimuth + 90);
    p.x += o.x;
    p.y += o.y;
    p.name.clear();
    out = p;
    return true;
}

PlanePoint pilePosition(const AlignmentPoint& centre, const Pier& pier, const Pile& pile) {
    if (pile.coordMode == 1) return {pile.along, pile.across};
    PolarVector pv = joinPoints(pile.along, pile.across);
    PlanePoint d = polarOffset(pv.distance, pv.azimuth + centre.azimuth + pier.angle - 90);
    return {centre.x + d.x, centre.y + d.y};
}

}  // namespace vornex
