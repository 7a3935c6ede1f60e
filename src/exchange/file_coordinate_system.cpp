// The coordinate systems of exchange files that are grids the program knows.
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "exchange/exchange.h"

namespace vornex::exchange {
namespace {

using geodesy::Ellipsoid;

// Runs of EPSG codes, one code per zone: the Gauss-Krüger grids of the three
// Chinese datums, written with the zone number in front of y ("zone 13") or
// without it ("CM 75E"), as the EPSG registry numbers them.
struct ZoneCodes {
    int first, last;
    Ellipsoid ellipsoid;
    int width;
    bool prefix;
    int firstZone;
};
constexpr ZoneCodes kZoneCodes[] = {
    {4491, 4501, Ellipsoid::Cgcs2000, 6, true, 13},   {4502, 4512, Ellipsoid::Cgcs2000, 6, false, 13},
    {4513, 4533, Ellipsoid::Cgcs2000, 3, true, 25},   {4534, 4554, Ellipsoid::Cgcs2000, 3, false, 25},
    {2327, 2337, Ellipsoid::Xian80, 6, true, 13},     {2338, 2348, Ellipsoid::Xian80, 6, false, 13},
    {2349, 2369, Ellipsoid::Xian80, 3, true, 25},     {2370, 2390, Ellipsoid::Xian80, 3, false, 25},
    {21413, 21423, Ellipsoid::Beijing54, 6, true, 13}, {21473, 21483, Ellipsoid::Beijing54, 6, false, 13},
    {2401, 2421, Ellipsoid::Beijing54, 3, true, 25},  {2422, 2442, Ellipsoid::Beijing54, 3, false, 25},
};
// WGS 84 / UTM zone 1N..60N and 1S..60S.
constexpr int kUtmNorth = 32600, kUtmSouth = 32700;
constexpr double kUtmScale = 0.9996;
constexpr double kUtmSouthNorthing = 10000000.0;

bool gaussZone(Ellipsoid e, int zone, int width, bool prefix, geodesy::CoordinateSystem& out) {
    geodesy::CoordinateSystem s;
    s.ellipsoid = e;
    if (!geodesy::setZone(s, zone, width)) return false;
    s.zonePrefix = prefix;
    out = s;
    return true;
}

bool utmZone(Ellipsoid e, int zone, bool south, geodesy::CoordinateSystem& out) {
    if (zone < 1 || zone > 60) return false;
    geodesy::CoordinateSystem s;
    s.ellipsoid = e;
    s.zone = 0;  // UTM zones are not the program's 6° zones: the meridian alone
    s.centralMeridian = 6.0 * zone - 183.0;
    s.centralScale = kUtmScale;
    s.falseNorthing = south ? kUtmSouthNorthing : 0.0;
    out = s;
    return true;
}

bool fromEpsg(std::string_view code, geodesy::CoordinateSystem& out) {
    // "4548", "EPSG:4548" or "EPSG 4548".
    std::string digits;
    for (char c : code) {
        if (std::isdigit(static_cast<unsigned char>(c))) digits.push_back(c);
        else if (!digits.empty()) return false;  // "4548a", "45 48"
    }
    if (digits.empty() || digits.size() > 6) return false;
    const int n = std::stoi(digits);
    for (const ZoneCodes& r : kZoneCodes)
        if (n >= r.first && n <= r.last) return gaussZone(r.ellipsoid, r.firstZone + (n - r.first), r.width, r.prefix, out);
    if (n > kUtmNorth && n <= kUtmNorth + 60) return utmZone(Ellipsoid::Wgs84, n - kUtmNorth, false, out);
    if (n > kUtmSouth && n <= kUtmSouth + 60) return utmZone(Ellipsoid::Wgs84, n - kUtmSouth, true, out);
    return false;
}

// Lower case without blanks, underscores, hyphens, dots and apostrophes, so
// that "Xi'an 1980", "XIAN_1980" and "xian-1980" read alike.
std::string squeezed(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c == ' ' || c == '_' || c == '-' || c == '.' || c == '\'' || c == '\t') continue;
        s.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return s;
}

bool has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

bool ellipsoidNamed(const std::string& s, Ellipsoid& out) {
    struct Alias {
        const char* text;
        Ellipsoid ellipsoid;
    };
    static const Alias kAliases[] = {
        {"cgcs2000", Ellipsoid::Cgcs2000},   {"chinageodeticcoordinatesystem2000", Ellipsoid::Cgcs2000},
        {"2000国家大地坐标系", Ellipsoid::Cgcs2000}, {"xian1980", Ellipsoid::Xian80},
        {"xian80", Ellipsoid::Xian80},       {"西安80", Ellipsoid::Xian80},
        {"西安1980", Ellipsoid::Xian80},     {"iag75", Ellipsoid::Xian80},
        {"iag1975", Ellipsoid::Xian80},      {"beijing1954", Ellipsoid::Beijing54},
        {"beijing54", Ellipsoid::Beijing54}, {"北京54", Ellipsoid::Beijing54},
        {"北京1954", Ellipsoid::Beijing54},  {"krasovsky", Ellipsoid::Beijing54},
        {"krassowsky", Ellipsoid::Beijing54}, {"wgs84", Ellipsoid::Wgs84},
        {"wgs1984", Ellipsoid::Wgs84},
    };
    for (const Alias& a : kAliases) {
        if (has(s, a.text)) {
            out = a.ellipsoid;
            return true;
        }
    }
    return false;
}

// The number written right after `key` in `s` (-1 when none), and what follows it.
int numberAfter(const std::string& s, const char* key, char* next = nullptr) {
    for (std::size_t at = s.find(key); at != std::string::npos; at = s.find(key, at + 1)) {
        std::size_t i = at + std::strlen(key);
        int n = 0, digits = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && digits < 4) {
            n = n * 10 + (s[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0) continue;
        if (next) *next = i < s.size() ? s[i] : '\0';
        return n;
    }
    return -1;
}

// A name such as "CGCS2000 / 3-degree Gauss-Kruger zone 38",
// "Xian 1980 / Gauss-Kruger CM 117E" or "WGS 84 / UTM zone 50N"; the ellipsoid
// from the name, else from `datum`.
bool fromName(std::string_view name, const std::string& datum, geodesy::CoordinateSystem& out) {
    const std::string s = squeezed(name);
    if (s.empty()) return false;
    Ellipsoid e{};
    if (!ellipsoidNamed(s, e) && !ellipsoidNamed(datum, e)) return false;
    if (has(s, "utm")) {
        char hemisphere = 'n';
        const int zone = numberAfter(s, "utmzone", &hemisphere);
        return zone > 0 && utmZone(e, zone, hemisphere == 's', out);
    }
    if (!has(s, "gausskruger") && !has(s, "gausskrüger") && !has(s, "gauss") && !has(s, "高斯")) return false;
    const int width = has(s, "3degree") || has(s, "3度") || has(s, "3°") ? 3 : 6;
    if (const int zone = numberAfter(s, "zone"); zone > 0) return gaussZone(e, zone, width, true, out);
    char east = '\0';
    const int cm = numberAfter(s, "cm", &east);
    if (cm <= 0 || east != 'e') return false;
    // A meridian of a zone of that width is that zone; any other stands alone.
    const int zone = width == 3 ? cm / 3 : (cm + 3) / 6;
    if (gaussZone(e, zone, width, false, out) && out.centralMeridian == cm) return true;
    geodesy::CoordinateSystem a;
    a.ellipsoid = e;
    a.zone = 0;
    a.centralMeridian = cm;
    out = a;
    return true;
}

}  // namespace

bool knownCoordinateSystem(const FileCoordinateSystem& file, geodesy::CoordinateSystem& out) {
    geodesy::CoordinateSystem s;
    bool found = !file.epsgCode.empty() && fromEpsg(file.epsgCode, s);
    const std::string datum = squeezed(file.datum + " " + file.ellipsoid);
    for (const std::string* text : {&file.name, &file.projection, &file.description, &file.wkt}) {
        if (found) break;
        found = fromName(*text, datum, s);
    }
    if (!found || !geodesy::checkSystem(s).empty()) return false;
    out = s;
    return true;
}

}  // namespace vornex::exchange
