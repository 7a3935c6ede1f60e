#include "geometry/cross_section.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vornex {

namespace {

// A change point up to this far ahead of the station counts as reached.
constexpr double kReach = 0.0005;
// An offset up to this far beyond a plate's outer edge still lies on the plate.
constexpr double kEdgeTolerance = 0.0001;

// Circular transition of a width (code 3): the plate edge runs on a circular arc
// that leaves the narrower edge tangentially and meets the wider width at the far
// change point, the arc's radius R = (len² + Δ²)/(2Δ) following from the length
// and the change of width Δ. x is the distance from the narrower end.
double circularTransition(double narrow, double wide, double x, double len) {
    const double delta = wide - narrow;
    if (delta <= 0 || len <= 0) return narrow;
    const double R = (len * len + delta * delta) / (2.0 * delta);
    x = std::clamp(x, 0.0, len);
    return narrow + (R - std::sqrt(std::fmax(0.0, R * R - x * x)));
}

// Value of a plate on a list of change points (widths or crossfalls). The plate's
// change points are taken from the list by their plate index, in ascending station
// (list order among equal stations); after the links are rebuilt this is exactly
// the plate's stretch of the sorted list, and an edited list that has not been
// ordered again still reads correctly.
double changedValue(const std::vector<PlateChange>& changes, int plate, double standard,
                    double chainage, bool widths) {
    std::vector<const PlateChange*> points;
    for (const PlateChange& change : changes)
        if (change.plateIndex == plate) points.push_back(&change);
    if (points.empty()) return standard;
    std::stable_sort(points.begin(), points.end(),
                     [](const PlateChange* a, const PlateChange* b) { return a->station < b->station; });

    const double a = chainage + kReach;
    if (points.front()->station > a) return points.front()->value;

    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const PlateChange& previous = *points[k];
        const PlateChange& next = *points[k + 1];
        const double e = previous.station, d = next.station;
        if (!(e <= a && a < d)) continue;
        const double f = previous.value, g = next.value;
        const double len = std::fabs(d - e);
        if (len == 0) return g;
        // The shape always runs from the narrower (smaller) end.
        const double narrow = std::min(f, g), wide = std::max(f, g);
        const double fromNarrow = f <= g ? a - e : std::fabs(a - d);
        const int code = previous.transition;
        if (widths && code == 3) return circularTransition(narrow, wide, fromNarrow, len);
        const int shape = widths ? code : (code == 1 ? 1 : 0);
        return narrow + transitionShape(shape, fromNarrow / len) * (wide - narrow);
    }
    return points.back()->value;
}

const CrossSectionPlate* plateAt(const Road& road, int plate) {
    if (plate < 0 || plate >= static_cast<int>(road.plates.size())) return nullptr;
    return &road.plates[static_cast<std::size_t>(plate)];
}

}  // namespace

int sideOfAngle(double sideAngle) { return sideAngle > 180.0 ? kLeftSide : kRightSide; }

int plateOfSide(const Road& road, int side, int k) {
    if (k < 0) return -1;
    int seen = 0;
    for (std::size_t p = 0; p < road.plates.size(); ++p) {
        if (road.plates[p].side != side) continue;
        if (seen == k) return static_cast<int>(p);
        ++seen;
    }
    return -1;
}

double transitionShape(int transition, double t) {
    switch (transition) {
        case 1: return t * t * (3.0 - 2.0 * t);
        case 2: return t * t * t * (4.0 - 3.0 * t);
        default: return t;
    }
}

double plateWidth(const Road& road, int plate, double chainage) {
    const CrossSectionPlate* p = plateAt(road, plate);
    if (!p) return 0.0;
    return changedValue(road.widthChanges, plate, p->width, chainage, true);
}

double plateCrossfall(const Road& road, int plate, double chainage) {
    const CrossSectionPlate* p = plateAt(road, plate);
    if (!p) return 0.0;
    return changedValue(road.crossfallChanges, plate, p->crossfall, chainage, false);
}

double halfWidth(const Road& road, int side, double chainage) {
    double sum = 0;
    for (int k = 0;; ++k) {
        const int p = plateOfSide(road, side, k);
        if (p < 0) break;
        sum += plateWidth(road, p, chainage);
    }
    return sum;
}

double surfaceHeight(const Road& road, double chainage, double offset, double sideAngle) {
    const int side = sideOfAngle(sideAngle);
    double w = offset;
    if (w < 0) w = halfWidth(road, side, chainage);
    double W = 0, H = 0;
    for (int k = 0;; ++k) {
        const int p = plateOfSide(road, side, k);
        if (p < 0) break;
        const double b = plateWidth(road, p, chainage);
        const double i = plateCrossfall(road, p, chainage);
        if (w <= W + b + kEdgeTolerance) return H + i * (w - W) / 100.0;
        H += i * b / 100.0 + road.plates[static_cast<std::size_t>(p)].curbHeight;
        W += b;
    }
    return H;  // beyond the last plate: the outer edge with its curb step
}

int plateAtOffset(const Road& road, double chainage, double offset, double sideAngle) {
    const int side = sideOfAngle(sideAngle);
    double w = offset;
    if (w < 0) w = halfWidth(road, side, chainage);
    double W = 0;
    for (int k = 0;; ++k) {
        const int p = plateOfSide(road, side, k);
        if (p < 0) return -1;
        const double b = plateWidth(road, p, chainage);
        if (w <= W + b + kEdgeTolerance) return p;
        W += b;
    }
}

}  // namespace vornex
