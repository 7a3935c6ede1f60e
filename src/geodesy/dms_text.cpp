#include "geodesy/dms_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vornex::geodesy {
namespace {

bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A plain non-negative decimal number ("12", "12.5", ".5"); false for anything else.
bool readNumber(std::string_view s, double& v) {
    if (s.empty()) return false;
    const std::size_t dot = s.find('.');
    const std::string_view whole = s.substr(0, dot);
    const std::string_view frac = dot == std::string_view::npos ? std::string_view{} : s.substr(dot + 1);
    if (!allDigits(whole) || !allDigits(frac) || (whole.empty() && frac.empty())) return false;
    v = std::strtod(std::string(s).c_str(), nullptr);
    return std::isfinite(v);
}

// Packed D.MMSSsss, digit by digit.
bool parsePacked(std::string_view s, double& degrees) {
    const std::size_t dot = s.find('.');
    const std::string_view whole = s.substr(0, dot);
    std::string frac(dot == std::string_view::npos ? std::string_view{} : s.substr(dot + 1));
    if (whole.empty() || !allDigits(whole) || !allDigits(frac) || whole.size() > 4) return false;
    while (frac.size() < 4) frac.push_back('0');
    const int minutes = (frac[0] - '0') * 10 + (frac[1] - '0');
    const std::string secondsText = frac.substr(2, 2) + "." + frac.substr(4);
    const double seconds = std::strtod(secondsText.c_str(), nullptr);
    if (minutes >= 60 || seconds >= 60.0) return false;
    degrees = std::strtod(std::string(whole).c_str(), nullptr) + minutes / 60.0 + seconds / 3600.0;
    return true;
}

// With signs: degrees, then optional minutes, then optional seconds.
bool parseSigned(std::string_view s, double& degrees) {
    static const char* const kDegree[] = {"°", "度"};
    static const char* const kMinute[] = {"′", "'", "分"};
    static const char* const kSecond[] = {"″", "\"", "秒", "''"};
    auto takeUntil = [&s](const char* const* marks, std::size_t count, std::string_view& part) {
        std::size_t best = std::string_view::npos, len = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = s.find(marks[i]);
            // The longest mark at the earliest place ('' before ').
            const std::size_t l = std::char_traits<char>::length(marks[i]);
            if (at != std::string_view::npos && (at < best || (at == best && l > len))) {
                best = at;
                len = l;
            }
        }
        if (best == std::string_view::npos) return false;
        part = s.substr(0, best);
        s.remove_prefix(best + len);
        return true;
    };
    std::string_view d, m, sec;
    if (!takeUntil(kDegree, 2, d)) return false;
    double dv = 0, mv = 0, sv = 0;
    if (!readNumber(d, dv)) return false;
    if (takeUntil(kMinute, 3, m) && !readNumber(m, mv)) return false;
    if (takeUntil(kSecond, 4, sec) && !readNumber(sec, sv)) return false;
    if (!s.empty() || mv >= 60.0 || sv >= 60.0) return false;
    degrees = dv + mv / 60.0 + sv / 3600.0;
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool parseDmsText(std::string_view text, double& degrees) {
    std::string compact;
    for (char c : trimBlanks(text))
        if (c != ' ') compact.push_back(c);
    std::string_view s = compact;
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    double v = 0;
    const bool signs = s.find_first_not_of("0123456789.") != std::string_view::npos;
    if (!(signs ? parseSigned(s, v) : parsePacked(s, v))) return false;
    degrees = negative ? -v : v;
    return true;
}

std::string formatDmsText(double degrees, int secondDecimals) {
    if (!std::isfinite(degrees)) return {};
    if (secondDecimals < 0) secondDecimals = 0;
    if (secondDecimals > 6) secondDecimals = 6;
    std::int64_t unit = 1;
    for (int i = 0; i < secondDecimals; ++i) unit *= 10;
    // Whole units of the last decimal of the seconds, rounded once.
    const auto total = static_cast<std::int64_t>(std::llround(std::fabs(degrees) * 3600.0 * static_cast<double>(unit)));
    const std::int64_t perMinute = 60 * unit, perDegree = 3600 * unit;
    const std::int64_t d = total / perDegree;
    const std::int64_t m = (total % perDegree) / perMinute;
    const std::int64_t s = total % perMinute;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld%02lld", degrees < 0 && total != 0 ? "-" : "", static_cast<long long>(d),
                  static_cast<long long>(m), static_cast<long long>(s / unit));
    std::string out = buf;
    if (secondDecimals > 0) {
        std::snprintf(buf, sizeof buf, "%0*lld", secondDecimals, static_cast<long long>(s % unit));
        out += buf;
    }
    return out;
}

}  // namespace vornex::geodesy
