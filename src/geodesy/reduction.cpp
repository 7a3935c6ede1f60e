#include "geodesy/reduction.h"

#include <cmath>

namespace vornex::geodesy {

double meanRadius(Ellipsoid ellipsoid, double latitude) {
    const EllipsoidInfo& e = ellipsoidInfo(ellipsoid);
    const double f = 1.0 / e.inverseFlattening;
    const double e2 = f * (2.0 - f);
    const double s = std::sin(latitude * 3.141592653589793 / 180.0);
    return e.a * std::sqrt(1.0 - e2) / (1.0 - e2 * s * s);
}

double reduceToProjectionSurface(double distance, double meanElevation, double projectionHeight, double radius) {
    return distance * (1.0 - (meanElevation - projectionHeight) / (radius + meanElevation));
}

double reduceToGrid(double surfaceDistance, double meanEasting, double dy, double radius) {
    const double r2 = radius * radius;
    return surfaceDistance * (1.0 + meanEasting * meanEasting / (2.0 * r2) + dy * dy / (24.0 * r2));
}

double arcToChordSeconds(double x1, double y1, double x2, double y2, double radius) {
    return kRhoSeconds * (x1 - x2) * (2.0 * y1 + y2) / (6.0 * radius * radius);
}

}  // namespace vornex::geodesy
