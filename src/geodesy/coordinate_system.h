// Coordinate systems of a survey: an ellipsoid, a central meridian (from a 3° or
// 6° zone or any meridian), a false easting with or without the zone number
// written in front of y, and a projection height; the Gauss-Krüger projection
// of such a system and its inverse, with the point scale factor and the
// meridian convergence.
//
// Conventions as everywhere in the program: x is the northing and y the
// easting, in metres; latitudes and longitudes are decimal degrees, east and
// north positive.
//
// Choosing an ellipsoid is no datum transformation: the same latitude and
// longitude give the grid of that ellipsoid, and nothing converts between, say,
// CGCS2000 and Xi'an 80 coordinates.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace vornex::geodesy {

enum class Ellipsoid { Cgcs2000, Xian80, Beijing54, Wgs84 };

struct EllipsoidInfo {
    Ellipsoid id;
    const char* key;   // as typed on the command line and kept in the settings
    const char* name;  // as shown (UTF-8)
    double a;          // semi-major axis, m
    double inverseFlattening;
};

// The four ellipsoids, in the order the program offers them.
inline constexpr int kEllipsoidCount = 4;
const EllipsoidInfo& ellipsoidInfo(Ellipsoid e);
const EllipsoidInfo& ellipsoidAt(int index);  // 0 .. kEllipsoidCount - 1
// False when `key` names no ellipsoid (case-insensitive: cgcs2000, xian80, beijing54, wgs84).
bool ellipsoidFromKey(std::string_view key, Ellipsoid& out);

inline constexpr double kDefaultFalseEasting = 500000.0;
// Points farther than this from the central meridian are refused: the grid is
// meant for a few degrees either side of it, and a point this far out is in
// another zone (the projection itself would still be exact there).
inline constexpr double kMaxMeridianOffset = 6.0;  // degrees
// The projection surface may lie this far above or below the ellipsoid.
inline constexpr double kMaxProjectionHeight = 10000.0;  // m

// Central meridian of zone `zone` of width 3 (3·zone, zones 1..120) or 6
// (6·zone − 3, zones 1..60). False for a zone that does not exist.
bool zoneCentralMeridian(int zone, int width, double& centralMeridian);

struct CoordinateSystem {
    Ellipsoid ellipsoid = Ellipsoid::Cgcs2000;
    double centralMeridian = 117.0;  // degrees east
    int zone = 0;                    // the zone the meridian comes from; 0: a meridian of the user's
    int zoneWidth = 3;               // 3 or 6 (with a zone)
    double falseEasting = kDefaultFalseEasting;
    bool zonePrefix = false;         // y carries the zone number in front: 38 500 000.000
    double projectionHeight = 0.0;   // height of the projection surface above the ellipsoid, m
    double centralScale = 1.0;       // scale on the central meridian (1 for Gauss-Krüger, 0.9996 for UTM)
    double falseNorthing = 0.0;

    bool operator==(const CoordinateSystem&) const = default;
};

// The system of zone `zone` of width `width` (other fields as in `base`);
// false for a zone that does not exist.
bool setZone(CoordinateSystem& system, int zone, int width);

// The system as one line of text for the settings, e.g.
// "ellipsoid=cgcs2000;cm=114;zone=38;width=3;fe=500000;prefix=0;h0=0;k0=1;fn=0",
// and back. systemFromText is false (and leaves `out` alone) for text that does
// not describe a usable system; keys it does not know are ignored.
std::string systemToText(const CoordinateSystem& system);
bool systemFromText(std::string_view text, CoordinateSystem& out);

// Empty when the system can be used, else why not (UTF-8, for the user).
std::string checkSystem(const CoordinateSystem& system);

// One line naming the system for the user, e.g.
// "CGCS2000，3°带第38带（中央子午线 114°），假东 500000 m，投影面高 0 m".
std::string describeSystem(const CoordinateSystem& system);

enum class Status {
    Ok,
    NotANumber,          // an input is not a finite number
    LatitudeOutOfRange,  // |B| > 90°
    LongitudeOutOfRange, // |L| > 360°
    TooFarFromMeridian,  // more than kMaxMeridianOffset from the central meridian
    OutsideGrid,         // x or y far outside any zone's grid
    ZonePrefixMismatch,  // y carries another zone's number
    PrefixWithoutZone,   // y carries a zone number but the system has no zone
};
// Message for the user (UTF-8); empty for Ok.
std::string statusText(Status status);

struct GridPoint {
    double x = 0;            // northing, m (false northing included)
    double y = 0;            // easting as written: false easting and any zone prefix included
    double scale = 1;        // point scale factor
    double convergence = 0;  // meridian convergence, degrees: grid north clockwise from true north
};

struct GeographicPoint {
    double latitude = 0;   // degrees
    double longitude = 0;  // degrees, in [−180, 180)
    double scale = 1;
    double convergence = 0;
};

// The Gauss-Krüger projection of one system. The projection surface at height
// H0 is the ellipsoid with both semi-axes lengthened by H0: it follows the
// surface parallel to the ellipsoid to a few millimetres at 1,500 m, where
// keeping the flattening instead would put it metres off.
class GaussProjection {
public:
    explicit GaussProjection(const CoordinateSystem& system);
    ~GaussProjection();
    GaussProjection(GaussProjection&&) noexcept;
    GaussProjection& operator=(GaussProjection&&) noexcept;

    const CoordinateSystem& system() const;

    Status toGrid(double latitude, double longitude, GridPoint& out) const;
    Status toGeographic(double x, double y, GeographicPoint& out) const;

    // Easting from the central meridian of a written y: the false easting and a
    // zone number in front (recognised by y of a million or more) taken off.
    Status eastingOf(double y, double& easting) const;
    // The written y of an easting from the central meridian.
    double writtenY(double easting) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Zone change (换带): a grid point of one system to the grid of another, through
// latitude and longitude.
Status changeZone(const GaussProjection& from, const GaussProjection& to, double x, double y, GridPoint& out);

}  // namespace vornex::geodesy
