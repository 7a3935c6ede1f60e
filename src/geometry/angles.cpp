#include "geometry/angles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "model/records.h"
#include "text/text.h"

namespace vornex {

void PlanExtents::add(const PlanPoint& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    if (empty) {
        minX = maxX = p.x;
        minY = maxY = p.y;
        empty = false;
        return;
    }
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
}
double reduceTwoPi(double radians) {
    constexpr double kTwoPi = 2 * kPi;
    double a = std::fmod(radians, kTwoPi);
    if (a < 0) a += kTwoPi;
    if (a >= kTwoPi) a -= kTwoPi;
    return a;
}

double wrapPi(double radians) {
    constexpr double kTwoPi = 2 * kPi;
    // std::remainder is exact and lands in [-π, π]; the upper end folds down.
    const double r = std::remainder(radians, kTwoPi);
    return r >= kPi ? r - kTwoPi : r;
}

namespace {

constexpr double kDegToRad = kPi / 180.0;

// Degrees, minutes and seconds of an angle as shown. A few hundredths of a
// micro-degree are added first so that values stored as 29.99999998 read as 30;
// seconds within 0.0001 of 60 roll over into the minutes and the degrees.
struct DmsParts {
    int degrees = 0;
    int minutes = 0;
    double seconds = 0;
};

DmsParts splitDms(double angle) {
    DmsParts p;
    if (!std::isfinite(angle)) return p;
    double c = normalizeAngle(angle) + 1e-8;
    p.degrees = static_cast<int>(std::trunc(c));
    p.minutes = static_cast<int>(std::trunc((c - std::trunc(c)) * 60.0));
    double c60 = c * 60.0;
    p.seconds = (c60 - std::trunc(c60)) * 60.0;
    if (std::fabs(p.seconds - 60.0) < 0.0001) {
        p.seconds = 0;
        ++p.minutes;
    }
    if (p.minutes >= 60) {
        p.minutes = 0;
        ++p.degrees;
    }
    if (p.degrees >= 360) p.degrees -= 360;
    return p;
}

// printf's "%<width>d" (fill ' ') or "%0<width>d" (fill '0') of v, appended.
void appendPadded(std::string& out, int v, int width, char fill) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::size_t n = static_cast<std::size_t>(r.ptr - buf);
    std::size_t pad = n < static_cast<std::size_t>(width) ? static_cast<std::size_t>(width) - n : 0;
    const char* digits = buf;
    if (fill == '0' && v < 0) {
        out += '-';
        ++digits;
        --n;
    }
    out.append(pad, fill);
    out.append(digits, n);
}

}  // namespace

double normalizeAngle(double a) {
    double r = a - 360.0 * std::trunc(a / 360.0);
    if (r < 0) r += 360.0;
    // A tiny negative value plus 360 rounds to 360 itself; that direction is 0.
    if (r >= 360.0) r = 0;
    return r;
}

PlanePoint polarOffset(double distance, double azimuth) {
    if (distance < 0) {
        distance = -distance;
        azimuth += 180.0;
    }
    double a = azimuth * kDegToRad;
    return {distance * std::cos(a), distance * std::sin(a)};
}

PolarVector joinPoints(double dx, double dy) {
    PolarVector r;
    r.distance = std::sqrt(dx * dx + dy * dy);
    double az = 0;
    if (dy != 0) {
        if (dx != 0) {
            az = std::atan(dy / dx) / kDegToRad;
        } else {
            az = dy > 0 ? 90.0 : 270.0;
        }
    }
    if (dx < 0) az += 180.0;
    if (az < 0) az += 360.0;
    r.azimuth = normalizeAngle(az);
    return r;
}

double dmsToDegrees(double dms) {
    double c = normalizeAngle(dms) + 1e-8;
    double d = std::trunc(c);
    double m = std::trunc((c - d) * 100.0);
    double c100 = c * 100.0;
    return d + m / 60.0 + (c100 - std::trunc(c100)) / 36.0;
}

int wholeDegrees(double degrees) { return splitDms(degrees).degrees; }

int wholeMinutes(double degrees) { return splitDms(degrees).minutes; }

double displaySeconds(double degrees) { return splitDms(degrees).seconds; }

double degreesToDms(double degrees) {
    DmsParts p = splitDms(degrees);
    return p.degrees + p.minutes / 100.0 + p.seconds / 10000.0;
}

std::string formatDms(double degrees) {
    if (degrees == kNoValue || !std::isfinite(degrees)) return {};
    DmsParts p = splitDms(degrees);
    // Seconds that would print as "60.0" carry into the minutes, so that no
    // angle shows 60 seconds.
    if (p.seconds >= 59.95) {
        p.seconds = 0;
        if (++p.minutes >= 60) {
            p.minutes = 0;
            if (++p.degrees >= 360) p.degrees = 0;
        }
    }
    // "%3d°%02d′%04.1f″": minutes always two digits, seconds always four
    // characters. Written through <charconv> (long tables print one per row).
    std::string out;
    out.reserve(20);
    appendPadded(out, p.degrees, 3, ' ');
    out += "°";
    appendPadded(out, p.minutes, 2, '0');
    out += "′";
    std::string seconds;
    text::appendFixed(seconds, p.seconds, 1, 0);
    // Zeros go after the sign, as printf's 0 flag puts them.
    const std::size_t sign = !seconds.empty() && seconds[0] == '-' ? 1 : 0;
    if (seconds.size() < 4) seconds.insert(sign, 4 - seconds.size(), '0');
    out += seconds;
    out += "″";
    return out;
}

bool inClockwiseSweep(double from, double to, double test) {
    double start = normalizeAngle(from);
    auto sweepTo = [start](double a) {
        double e = normalizeAngle(a) - start;
        if (e <= 0) e += 360.0;
        if (e > 360.0) e -= 360.0;
        return e;
    };
    return sweepTo(to) >= sweepTo(test);
}

bool inSignedSweep(double from, double sweep, double test) {
    auto upTo360 = [](double a) {
        double r = normalizeAngle(a);
        return r <= 0 ? r + 360.0 : r;
    };
    double start = upTo360(sweep >= 0 ? from : from + sweep);
    double t = upTo360(test);
    return std::fabs(sweep) >= normalizeAngle(t - start);
}

}  // namespace vornex
