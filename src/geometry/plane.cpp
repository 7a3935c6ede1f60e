#include "geometry/plane.h"

#include <cmath>

namespace vornex {
namespace {

bool finite(const PlanePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

bool solveQuadratic(double a, double b, double c, double& root1, double& root2) {
    root1 = root2 = 0;
    if (std::fabs(a) < 0.0001) {
        if (std::fabs(b) < 0.0001) return false;
        root1 = root2 = -c / b;
        return true;
    }
    double disc = b * b - 4.0 * a * c;
    if (disc < 0) {
        if (disc < -0.0001) return false;
        disc = 0;
    }
    if (!std::isfinite(disc)) return false;
    double s = std::sqrt(disc);
    root1 = (-b - s) / (2.0 * a);
    root2 = (-b + s) / (2.0 * a);
    return true;
}

bool intersectLines(double a1, double b1, double c1, double a2, double b2, double c2,
                    PlanePoint& point) {
    point = {};
    if ((a1 == 0 && b1 == 0) || (a2 == 0 && b2 == 0)) return false;
    if ((a1 == 0 && a2 == 0) || (b1 == 0 && b2 == 0)) return false;
    if (a2 != 0 && b2 != 0 && b1 / b2 == a1 / a2) return false;
    PlanePoint p;
    if (std::fabs(a1) < 0.0001) {
        p.y = -c1 / b1;
        p.x = (-b2 * p.y - c2) / a2;
    } else if (std::fabs(b1) < 0.0001) {
        p.x = -c1 / a1;
        p.y = (-a2 * p.x - c2) / b2;
    } else {
        p.x = (b2 * c1 - b1 * c2) / (b1 * a2 - a1 * b2);
        p.y = (-a1 * p.x - c1) / b1;
    }
    // Lines parallel up to rounding divide by zero above: no intersection.
    if (!finite(p)) return false;
    point = p;
    return true;
}

bool intersectLineCircle(double a, double b, double c, double centreX, double centreY,
                         double radius, PlanePoint& point1, PlanePoint& point2) {
    point1 = point2 = {};
    if ((a == 0 && b == 0) || radius == 0) return false;
    double r2 = radius * radius;
    double t1 = 0, t2 = 0;
    PlanePoint p1, p2;
    if (std::fabs(b) >= 0.0001) {
        // Y = -(a·X + c)/b substituted into the circle.
        double qa = 1.0 + a * a / (b * b);
        double qb = 2.0 * (a * c / (b * b) + a * centreY / b - centreX);
        double k = c / b + centreY;
        double qc = k * k + centreX * centreX - r2;
        if (!solveQuadratic(qa, qb, qc, t1, t2)) return false;
        p1 = {t1, -(a * t1 + c) / b};
        p2 = {t2, -(a * t2 + c) / b};
    } else {
        // The line is X = -c/a; solve for Y.
        double x = -c / a;
        double k = centreX + c / a;
        if (!solveQuadratic(1.0, -2.0 * centreY, k * k + centreY * centreY - r2, t1, t2)) return false;
        p1 = {x, t1};
        p2 = {x, t2};
    }
    if (!finite(p1) || !finite(p2)) return false;
    point1 = p1;
    point2 = p2;
    return true;
}

bool intersectCircles(double x1, double y1, double r1, double x2, double y2, double r2,
                      PlanePoint& point1, PlanePoint& point2) {
    point1 = point2 = {};
    r1 = std::fabs(r1);
    r2 = std::fabs(r2);
    double dx = x2 - x1, dy = y2 - y1;
    PlanePoint p1, p2;
    if (std::fabs(dx) < 0.002) {
        if (std::fabs(dy) < 0.0001) return false;  // concentric
        // Common chord perpendicular to the y axis of the relative frame.
        double y = (r1 * r1 + dy * dy - r2 * r2) / (2.0 * dy);
        double xx = r1 * r1 - y * y;
        if (xx < 0) {
            if (xx < -0.0001) return false;
            xx = 0;
        }
        double x = std::sqrt(xx);
        p1 = {x, y};
        p2 = {-x, y};
    } else {
        // Radical line x = k·y + t substituted into x² + y² = r1².
        double k = -dy / dx;
        double t = (dy * dy + r1 * r1 + dx * dx - r2 * r2) / (2.0 * dx);
        double ya = 0, yb = 0;
        if (!solveQuadratic(1.0 + k * k, 2.0 * t * k, t * t - r1 * r1, ya, yb)) return false;
        p1 = {k * ya + t, ya};
        p2 = {k * yb + t, yb};
        if (std::fabs(std::sqrt(dx * dx + dy * dy) - r1 - r2) < 0.001) {
            PlanePoint m{(p1.x + p2.x) / 2.0, (p1.y + p2.y) / 2.0};
            p1 = p2 = m;
        }
    }
    p1 = {p1.x + x1, p1.y + y1};
    p2 = {p2.x + x1, p2.y + y1};
    if (!finite(p1) || !finite(p2)) return false;
    point1 = p1;
    point2 = p2;
    return true;
}

bool circleCentre(bool leftSide, double x1, double y1, double x2, double y2, double radius,
                  PlanePoint& centre) {
    centre = {};
    if ((x1 == x2 && y1 == y2) || radius == 0) {
        centre = {x1, y1};
        return true;
    }
    PolarVector chord = joinPoints(x2 - x1, y2 - y1);
    double r = std::fabs(radius);
    if (!(2.0 * r >= chord.distance)) return false;
    double theta = std::acos(chord.distance / (2.0 * r)) * 180.0 / kPi;
    if (radius < 0) theta = -theta;
    double dir = leftSide ? chord.azimuth - theta : chord.azimuth + theta;
    PlanePoint d = polarOffset(r, dir);
    centre = {x1 + d.x, y1 + d.y};
    return true;
}

}  // namespace vornex
