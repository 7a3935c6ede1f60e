// Angles and polar coordinates.
//
// Conventions: X is the northing, Y the easting (metres). An azimuth is in
// decimal degrees, clockwise from +X, normalised into [0, 360); a right turn
// increases it. Typed and shown angles are packed degrees-minutes-seconds
// (度.分秒, D.MMSSs: 123.4530 is 123°45′30″).
#pragma once

#include <string>

namespace vornex {

inline constexpr double kPi = 3.141592653589793;

// A plane point or a coordinate difference (X northing, Y easting).
struct PlanePoint {
    double x = 0;
    double y = 0;
    bool operator==(const PlanePoint&) const = default;
};

// A point of a drawing in plane coordinates (the road's plan, a network plot).
struct PlanPoint {
    double x = 0;  // northing
    double y = 0;  // easting
};

// The box around the finite points of a drawing.
struct PlanExtents {
    bool empty = true;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    void add(const PlanPoint& p);
};

// Distance and azimuth from one point to another.
struct PolarVector {
    double distance = 0;
    double azimuth = 0;  // degrees, [0, 360)
};

// a - 360·trunc(a/360), plus 360 when negative: into [0, 360).
double normalizeAngle(double a);

inline double toRadians(double degrees) { return degrees * kPi / 180.0; }

// An angle in radians brought into [0, 2π): the remainder of fmod, plus 2π when
// negative (a tiny negative value that rounds up to 2π is taken back to 0).
double reduceTwoPi(double radians);

// A difference of angles in radians brought into [-π, π), so that a misclosure
// across the 0/2π seam stays small. Exact (IEEE remainder by 2π); a half turn,
// either way, gives -π. Not a number for an infinite or NaN input.
double wrapPi(double radians);

// Coordinate difference reached by going `distance` along `azimuth`. A negative
// distance goes the opposite way.
PlanePoint polarOffset(double distance, double azimuth);

// Distance and azimuth of the difference (dX, dY); (0, 0) gives 0 and 0.
PolarVector joinPoints(double dx, double dy);

// Packed D.MMSSs to decimal degrees (the input is first brought into [0, 360)).
double dmsToDegrees(double dms);
// Decimal degrees to packed D.MMSSs, with the roll-over of wholeDegrees/wholeMinutes.
double degreesToDms(double degrees);
// Whole degrees 0..359 of an angle, counting a minute roll-over (59′59.99995″ → next degree).
int wholeDegrees(double degrees);
// Whole minutes 0..59 of an angle; seconds within 0.0001 of 60 roll over.
int wholeMinutes(double degrees);
// Seconds with fraction of an angle as shown (0 where the minutes rolled over).
double displaySeconds(double degrees);

// Angle as shown in tables: "%3d°%2d′%4.1f″" with two-digit minutes and
// four-character seconds ("  5°30′00.0″", "123°24′00.0″"). UTF-8. kNoValue
// (or a value that is not a number) gives empty text.
std::string formatDms(double degrees);

// True when `test` lies in the clockwise sweep from `from` to `to`. A test equal
// to `from` counts as a full turn, so it lies in the sweep only when to = from.
bool inClockwiseSweep(double from, double to, double test);

// True when `test` lies in the sweep of |sweep| degrees that starts at `from`
// (sweep >= 0, clockwise) or at from + sweep (sweep < 0).
bool inSignedSweep(double from, double sweep, double test);

}  // namespace vornex
