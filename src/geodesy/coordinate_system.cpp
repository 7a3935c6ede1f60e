#include "geodesy/coordinate_system.h"

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/TransverseMercator.hpp>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

namespace vornex::geodesy {
namespace {

// Defining constants of the four ellipsoids (semi-major axis, inverse flattening).
const std::array<EllipsoidInfo, kEllipsoidCount> kEllipsoids = {{
    {Ellipsoid::Cgcs2000, "cgcs2000", "CGCS2000", 6378137.0, 298.257222101},
    {Ellipsoid::Xian80, "xian80", "西安80（IAG-75）", 6378140.0, 298.257},
    {Ellipsoid::Beijing54, "beijing54", "北京54（克拉索夫斯基）", 6378245.0, 298.3},
    {Ellipsoid::Wgs84, "wgs84", "WGS 84", 6378137.0, 298.257223563},
}};

// A written y of a million metres or more carries the zone number in front
// (a zone's eastings, false easting included, stay well below a million).
constexpr double kPrefixUnit = 1e6;
// Farther than this from the central meridian, or from the equator, no zone's grid reaches.
constexpr double kMaxEasting = 1.5e6;
constexpr double kMaxNorthing = 1.1e7;

// Into [−180, 180).
double wrapLongitude(double d) {
    double r = std::fmod(d + 180.0, 360.0);
    if (r < 0) r += 360.0;
    return r - 180.0;
}

std::string numberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

}  // namespace

const EllipsoidInfo& ellipsoidInfo(Ellipsoid e) {
    for (const EllipsoidInfo& info : kEllipsoids)
        if (info.id == e) return info;
    return kEllipsoids[0];
}

const EllipsoidInfo& ellipsoidAt(int index) {
    return kEllipsoids[static_cast<std::size_t>(index >= 0 && index < kEllipsoidCount ? index : 0)];
}

bool ellipsoidFromKey(std::string_view key, Ellipsoid& out) {
    std::string lower;
    for (char c : key) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    for (const EllipsoidInfo& info : kEllipsoids) {
        if (lower == info.key) {
            out = info.id;
            return true;
        }
    }
    return false;
}

bool zoneCentralMeridian(int zone, int width, double& centralMeridian) {
    if (width == 3 && zone >= 1 && zone <= 120) {
        centralMeridian = 3.0 * zone;
        return true;
    }
    if (width == 6 && zone >= 1 && zone <= 60) {
        centralMeridian = 6.0 * zone - 3.0;
        return true;
    }
    return false;
}

bool setZone(CoordinateSystem& system, int zone, int width) {
    double cm = 0;
    if (!zoneCentralMeridian(zone, width, cm)) return false;
    system.zone = zone;
    system.zoneWidth = width;
    system.centralMeridian = cm;
    return true;
}

std::string checkSystem(const CoordinateSystem& s) {
    if (!std::isfinite(s.centralMeridian) || std::fabs(s.centralMeridian) > 360.0)
        return "中央子午线应在 -360° 到 360° 之间";
    if (s.zone != 0) {
        double cm = 0;
        if (!zoneCentralMeridian(s.zone, s.zoneWidth, cm))
            return "没有这样的投影带：3°带为 1–120 带，6°带为 1–60 带";
    }
    if (!std::isfinite(s.falseEasting) || std::fabs(s.falseEasting) >= kPrefixUnit)
        return "假东应小于 1000000 m";
    if (s.zonePrefix && s.zone == 0) return "Y 坐标加带号需要给出带号";
    if (!std::isfinite(s.projectionHeight) || std::fabs(s.projectionHeight) > kMaxProjectionHeight)
        return "投影面高程应在 -10000 m 到 10000 m 之间";
    if (!std::isfinite(s.centralScale) || s.centralScale < 0.9 || s.centralScale > 1.1)
        return "中央子午线比例因子应在 0.9 到 1.1 之间";
    if (!std::isfinite(s.falseNorthing) || std::fabs(s.falseNorthing) > kMaxNorthing) return "假北超出范围";
    return {};
}

std::string describeSystem(const CoordinateSystem& s) {
    std::string d = ellipsoidInfo(s.ellipsoid).name;
    d += "，";
    if (s.zone != 0)
        d += std::to_string(s.zoneWidth) + "°带第" + std::to_string(s.zone) + "带（中央子午线 " +
             numberText(s.centralMeridian) + "°）";
    else
        d += "中央子午线 " + numberText(s.centralMeridian) + "°";
    d += "，假东 " + numberText(s.falseEasting) + " m";
    if (s.zonePrefix) d += "（Y 加带号）";
    d += "，投影面高 " + numberText(s.projectionHeight) + " m";
    if (s.centralScale != 1.0) d += "，比例因子 " + numberText(s.centralScale);
    if (s.falseNorthing != 0.0) d += "，假北 " + numberText(s.falseNorthing) + " m";
    return d;
}

std::string systemToText(const CoordinateSystem& s) {
    char buf[320];
    std::snprintf(buf, sizeof buf, "ellipsoid=%s;cm=%.17g;zone=%d;width=%d;fe=%.17g;prefix=%d;h0=%.17g;k0=%.17g;fn=%.17g",
                  ellipsoidInfo(s.ellipsoid).key, s.centralMeridian, s.zone, s.zoneWidth, s.falseEasting,
                  s.zonePrefix ? 1 : 0, s.projectionHeight, s.centralScale, s.falseNorthing);
    return buf;
}

bool systemFromText(std::string_view text, CoordinateSystem& out) {
    CoordinateSystem s;
    bool sawMeridian = false;
    while (!text.empty()) {
        const std::size_t semi = text.find(';');
        const std::string_view item = text.substr(0, semi);
        text.remove_prefix(semi == std::string_view::npos ? text.size() : semi + 1);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = item.substr(0, eq);
        const std::string value(item.substr(eq + 1));
        if (key == "ellipsoid") {
            if (!ellipsoidFromKey(value, s.ellipsoid)) return false;
            continue;
        }
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !std::isfinite(v)) return false;
        if (key == "cm") {
            s.centralMeridian = v;
            sawMeridian = true;
        } else if (key == "zone") {
            s.zone = static_cast<int>(v);
        } else if (key == "width") {
            s.zoneWidth = static_cast<int>(v);
        } else if (key == "fe") {
            s.falseEasting = v;
        } else if (key == "prefix") {
            s.zonePrefix = v != 0;
        } else if (key == "h0") {
            s.projectionHeight = v;
        } else if (key == "k0") {
            s.centralScale = v;
        } else if (key == "fn") {
            s.falseNorthing = v;
        }
    }
    // A zone decides the meridian.
    if (s.zone != 0 && !zoneCentralMeridian(s.zone, s.zoneWidth, s.centralMeridian)) return false;
    if (!sawMeridian || !checkSystem(s).empty()) return false;
    out = s;
    return true;
}

std::string statusText(Status status) {
    switch (status) {
        case Status::Ok: return {};
        case Status::NotANumber: return "坐标不是有效的数值";
        case Status::LatitudeOutOfRange: return "纬度超出 -90° 到 90°";
        case Status::LongitudeOutOfRange: return "经度超出 -360° 到 360°";
        case Status::TooFarFromMeridian: return "点离中央子午线超过 6°，不在此投影带内";
        case Status::OutsideGrid: return "坐标超出投影带的范围";
        case Status::ZonePrefixMismatch: return "Y 坐标前的带号与所选投影带不符";
        case Status::PrefixWithoutZone: return "Y 坐标带有带号，但没有给出投影带";
    }
    return "坐标无法换算";
}

struct GaussProjection::Impl {
    CoordinateSystem system;
    // Empty when the system is not usable (GeographicLib refused its axes): every
    // conversion then reports OutsideGrid rather than throwing.
    std::optional<GeographicLib::TransverseMercator> tm;
};

GaussProjection::GaussProjection(const CoordinateSystem& system) : impl_(std::make_unique<Impl>()) {
    impl_->system = system;
    const EllipsoidInfo& e = ellipsoidInfo(system.ellipsoid);
    // Projection surface at height H0: both semi-axes lengthened by H0.
    const double a = e.a + system.projectionHeight;
    const double b = e.a * (1.0 - 1.0 / e.inverseFlattening) + system.projectionHeight;
    try {
        impl_->tm.emplace(a, (a - b) / a, system.centralScale);
    } catch (const std::exception&) {
        impl_->tm.reset();
    }
}

GaussProjection::~GaussProjection() = default;
GaussProjection::GaussProjection(GaussProjection&&) noexcept = default;
GaussProjection& GaussProjection::operator=(GaussProjection&&) noexcept = default;

const CoordinateSystem& GaussProjection::system() const { return impl_->system; }

Status GaussProjection::toGrid(double latitude, double longitude, GridPoint& out) const {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) return Status::NotANumber;
    if (std::fabs(latitude) > 90.0) return Status::LatitudeOutOfRange;
    if (std::fabs(longitude) > 360.0) return Status::LongitudeOutOfRange;
    const CoordinateSystem& s = impl_->system;
    if (std::fabs(wrapLongitude(longitude - s.centralMeridian)) > kMaxMeridianOffset) return Status::TooFarFromMeridian;
    if (!impl_->tm) return Status::OutsideGrid;
    double easting = 0, northing = 0, gamma = 0, k = 1;
    // GeographicLib names the easting x and the northing y.
    impl_->tm->Forward(s.centralMeridian, latitude, longitude, easting, northing, gamma, k);
    out.x = northing + s.falseNorthing;
    out.y = writtenY(easting);
    out.scale = k;
    out.convergence = gamma;
    return Status::Ok;
}

Status GaussProjection::eastingOf(double y, double& easting) const {
    if (!std::isfinite(y)) return Status::NotANumber;
    const CoordinateSystem& s = impl_->system;
    double rest = y;
    if (y >= kPrefixUnit) {
        const double prefix = std::floor(y / kPrefixUnit);
        if (s.zone == 0) return Status::PrefixWithoutZone;
        if (prefix != s.zone) return Status::ZonePrefixMismatch;
        rest = y - prefix * kPrefixUnit;
    }
    easting = rest - s.falseEasting;
    return Status::Ok;
}

double GaussProjection::writtenY(double easting) const {
    const CoordinateSystem& s = impl_->system;
    return easting + s.falseEasting + (s.zonePrefix ? s.zone * kPrefixUnit : 0.0);
}

Status GaussProjection::toGeographic(double x, double y, GeographicPoint& out) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return Status::NotANumber;
    double easting = 0;
    if (Status st = eastingOf(y, easting); st != Status::Ok) return st;
    const CoordinateSystem& s = impl_->system;
    const double northing = x - s.falseNorthing;
    if (std::fabs(easting) > kMaxEasting || std::fabs(northing) > kMaxNorthing || !impl_->tm) return Status::OutsideGrid;
    double lat = 0, lon = 0, gamma = 0, k = 1;
    impl_->tm->Reverse(s.centralMeridian, easting, northing, lat, lon, gamma, k);
    if (!std::isfinite(lat) || !std::isfinite(lon)) return Status::OutsideGrid;
    if (std::fabs(wrapLongitude(lon - s.centralMeridian)) > kMaxMeridianOffset) return Status::TooFarFromMeridian;
    out.latitude = lat;
    out.longitude = wrapLongitude(lon);
    out.scale = k;
    out.convergence = gamma;
    return Status::Ok;
}

Status changeZone(const GaussProjection& from, const GaussProjection& to, double x, double y, GridPoint& out) {
    GeographicPoint g;
    if (Status st = from.toGeographic(x, y, g); st != Status::Ok) return st;
    return to.toGrid(g.latitude, g.longitude, out);
}

}  // namespace vornex::geodesy
