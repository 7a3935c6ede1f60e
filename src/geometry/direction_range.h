// A range of directions tested without trigonometry: whether the direction of a
// coordinate difference lies in a clockwise sweep, told by the signs of two
// cross products. A direction within `margin` radians of either end is left
// unsure, for the caller to settle with the azimuth itself; everywhere else the
// answer is the one the azimuth gives, without its arctangent.
#pragma once

#include <cmath>

#include "geometry/angles.h"

namespace vornex {

class DirectionRange {
public:
    DirectionRange() = default;
    // Directions whose clockwise angle from `from` (degrees) lies in [0, span].
    DirectionRange(double from, double span) {
        // Sweeps of about half a turn or a whole turn (or no numbers) stay unsure.
        if (!(std::isfinite(from) && span >= 0 && span < 359.99 && std::fabs(span - 180.0) > 0.01)) return;
        const double a = toRadians(from), b = toRadians(from + span);
        ax_ = std::cos(a), ay_ = std::sin(a);
        bx_ = std::cos(b), by_ = std::sin(b);
        kind_ = span < 180.0 ? kNarrow : kWide;
    }

    static constexpr int kOutside = 0, kInside = 1, kUnsure = -1;

    // The direction of (dx, dy) (X northing, Y easting).
    int classify(double dx, double dy, double margin) const {
        if (kind_ == kNone) return kUnsure;
        // |d|·sin of the clockwise angle from each end to d.
        const double fromA = ax_ * dy - ay_ * dx, fromB = bx_ * dy - by_ * dx;
        // The ends themselves are off by rounding only (1e-16 of a radian).
        const double m = (margin + 1e-15) * (std::fabs(dx) + std::fabs(dy));
        if (!(m > 0) || !std::isfinite(m)) return kUnsure;
        if (kind_ == kNarrow) {
            // Less than half a turn: clockwise of the start and anticlockwise of the end.
            if (fromA > m && fromB < -m) return kInside;
            if (fromA < -m || fromB > m) return kOutside;
        } else {
            // More than half a turn: all but the narrow gap from the end round to the start.
            if (fromB > m && fromA < -m) return kOutside;
            if (fromB < -m || fromA > m) return kInside;
        }
        return kUnsure;
    }

private:
    static constexpr int kNone = 0, kNarrow = 1, kWide = 2;
    int kind_ = kNone;
    double ax_ = 0, ay_ = 0, bx_ = 0, by_ = 0;
};

}  // namespace vornex
