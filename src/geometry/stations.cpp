#include "geometry/stations.h"

#include <charconv>
#include <cstdlib>
#include <cmath>
#include <string>

#include "text/text.h"

namespace vornex {
namespace {

// Stations at or beyond this magnitude are not printed (they overflow the
// kilometre field and mean nothing on a road).
constexpr double kLargestKilometreStation = 1.0e15;
constexpr double kLargestPlainStation = 1.0e17;

// Kilometres and "%7.3f" metres (zero-filled to seven characters) of a
// non-negative station. Metres that round up to 1000.000 carry into the
// kilometre.
struct KmMetres {
    long long km = 0;
    std::string metres;
};

KmMetres splitKilometre(double absStation) {
    KmMetres r;
    double km = std::trunc(absStation / 1000.0);
    double m = std::fabs(absStation - 1000.0 * km);
    std::string text;
    text::appendFixed(text, m, 3, 7);
    if (text.size() > 7) {  // 999.9995.. printed as 1000.000
        km += 1;
        text = "000.000";
    }
    for (std::size_t i = 0; i < 2 && i < text.size(); ++i) {
        if (text[i] == ' ') text[i] = '0';
    }
    r.km = static_cast<long long>(km);
    r.metres = text;
    return r;
}

// Chainages closer than this are one spot: far below the printed millimetre,
// above the rounding of a few additions (relative part for large stations).
double sameSpot(double c) { return 1e-8 + 1e-14 * std::fabs(c); }

// A station as its "%.3f" text reads back.
double millimetreText(double station) { return std::atof(text::format("%.3f", station).c_str()); }

}  // namespace

double alignmentStart(const Road& road) {
    if (road.elements.empty()) return kNoValue;
    return road.elements.front().startStation;
}

double alignmentEnd(const Road& road) {
    if (road.elements.empty()) return kNoValue;
    const AlignmentElement& e = road.elements.back();
    return e.startStation + e.length;
}

DesignStation toDesignStation(const Road& road, double chainage) {
    DesignStation r;
    double c = chainage;
    for (const ChainBreak& b : road.chainBreaks) {
        // A break's own spot belongs to the back chain. The spot found by
        // chainBreakChainage may differ from the back station by rounding in
        // the last bits once earlier shifts are added back: it still counts.
        if (b.startStation >= c - sameSpot(c)) break;
        c += b.endStation - b.startStation;
        // The shifted value lies in the repeated stretch [end, start] of a long chain.
        r.inLongChainZone = b.startStation >= c;
    }
    r.station = c;
    return r;
}

double chainBreakChainage(const Road& road, std::size_t index) {
    if (index >= road.chainBreaks.size()) return kNoValue;
    double shift = 0;
    for (std::size_t k = 0; k < index; ++k) shift += road.chainBreaks[k].endStation - road.chainBreaks[k].startStation;
    return road.chainBreaks[index].startStation - shift;
}

double toContinuousChainage(const Road& road, double s0, bool plus) {
    double s = alignmentStart(road);
    double e = alignmentEnd(road);
    double acc = s0;
    for (const ChainBreak& brk : road.chainBreaks) {
        double a = brk.startStation, b = brk.endStation;
        // Breaks wholly outside the road do not shift anything.
        if ((a < s && b < s) || (a > e && b > e)) continue;
        double d = a - b;  // >= 0 long chain, < 0 short chain
        // A back station with a fraction below the millimetre prints rounded
        // (200.0006 as 200.001); that text, typed back, names the break itself
        // and not a station just past it on the ahead chain.
        if (!plus && s0 > a && std::fabs(s0 - millimetreText(a)) < sameSpot(s0)) {
            acc -= s0 - a;
            s0 = a;
        }
        // The end station b of a break names the break's own spot (where the
        // ahead chain begins), so a typed b counts as past the break.
        if (!plus) {
            if (d >= 0) {
                if (s0 <= a) break;
            } else {
                if (s0 < b) break;
            }
            acc += d;
        } else if (s0 <= a) {
            if (s0 < b) break;
            acc += d;
            if (s0 != a) break;
        } else {
            if (acc < b) break;
            acc += d;
        }
    }
    return acc;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `text` starts with `prefix`, ASCII letters compared in either case.
bool startsWithPrefix(std::string_view text, std::string_view prefix) {
    if (prefix.empty() || text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lowerAscii(text[i]) != lowerAscii(prefix[i])) return false;
    return true;
}

// "KM+MMM.mmm" without prefix: whole kilometres, "+", metres below 1000.
bool readKilometreBody(std::string_view body, double& metresTotal) {
    std::size_t i = 0;
    while (i < body.size() && isDigit(body[i])) ++i;
    if (i == 0 || i > 15 || i >= body.size() || body[i] != '+') return false;
    double km = 0;
    auto [kmEnd, kmEc] = std::from_chars(body.data(), body.data() + i, km);
    if (kmEc != std::errc() || kmEnd != body.data() + i) return false;
    std::string_view rest = body.substr(i + 1);
    if (rest.empty() || !isDigit(rest.front())) return false;
    double metres = 0;
    auto [mEnd, mEc] = std::from_chars(rest.data(), rest.data() + rest.size(), metres, std::chars_format::fixed);
    if (mEc != std::errc() || mEnd != rest.data() + rest.size() || !(metres < 1000.0)) return false;
    metresTotal = km * 1000.0 + metres;
    return std::isfinite(metresTotal);
}

}  // namespace

bool parseKilometreText(const Road& road, std::string_view utf8Text, TypedStation& out) {
    std::string_view v = text::trim(utf8Text);
    // The marks before the K-text: "*" outside the road, "+" long chain, "-" negative.
    bool plus = false, negative = false;
    while (!v.empty()) {
        char c = v.front();
        if (c == '+') {
            if (plus) return false;
            plus = true;
        } else if (c == '-') {
            if (negative) return false;
            negative = true;
        } else if (c != '*' && c != ' ' && c != '\t') {
            break;
        }
        v.remove_prefix(1);
    }
    const std::string prefix = std::string(text::trim(text::gbkToUtf8(road.stationPrefix.str())));
    double value = 0;
    bool read = false;
    if (startsWithPrefix(v, prefix)) read = readKilometreBody(v.substr(prefix.size()), value);
    if (!read) read = readKilometreBody(v, value);  // no prefix typed ("12+345.678")
    if (!read) return false;
    out.station = negative ? -value : value;
    out.plus = plus;
    return true;
}

bool parseStationText(const Road& road, std::string_view utf8Text, TypedStation& out) {
    if (parseKilometreText(road, utf8Text, out)) return true;
    // A plain number, read as it always was.
    std::string t(utf8Text);
    bool plus = false;
    for (char& ch : t) {
        if (ch == '*') {
            ch = ' ';
        } else if (ch == '+') {
            ch = ' ';
            plus = true;
        }
    }
    std::string_view v = text::trim(t);
    // A leading sign is the only thing before the digits that from_chars does not take.
    bool negative = false;
    if (!v.empty() && v.front() == '-') {
        negative = true;
        v.remove_prefix(1);
        v = text::trim(v);
        if (!v.empty() && v.front() == '-') return false;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    (void)end;
    if (ec != std::errc() || !std::isfinite(value)) return false;
    out.station = negative ? -value : value;
    out.plus = plus;
    return true;
}

double toContinuousChainage(const Road& road, std::string_view stationText) {
    TypedStation typed;
    if (!parseStationText(road, stationText, typed)) return kNoValue;
    return toContinuousChainage(road, typed.station, typed.plus);
}

std::string formatStation(const Road& road, double chainage, bool withKilometre) {
    if (chainage == kNoValue || !std::isfinite(chainage)) return {};
    double limit = withKilometre ? kLargestKilometreStation : kLargestPlainStation;
    if (std::fabs(chainage) / limit > 1.0) return {};
    double start = alignmentStart(road), end = alignmentEnd(road);
    bool outside = chainage + 0.0001 < start || chainage - 0.0001 > end;

    std::string prefix = text::gbkToUtf8(road.stationPrefix.str());
    DesignStation ds = toDesignStation(road, chainage);
    double s = ds.station;
    if (!std::isfinite(s) || std::fabs(s) / limit > 1.0) return {};  // absurd chain breaks
    // Written through <charconv> ("%lld" kilometres, "%7.3f" metres): long
    // tables print one per row.
    std::string out;
    out.reserve(16 + prefix.size());
    auto appendKilometre = [&](const KmMetres& km) {
        out += prefix;
        char digits[24];
        const auto r = std::to_chars(digits, digits + sizeof digits, km.km);
        out.append(digits, r.ptr);
        out += '+';
        out += km.metres;
    };
    if (ds.inLongChainZone) {
        out = " +";
        if (withKilometre) appendKilometre(splitKilometre(std::fabs(s)));
        else text::appendFixed(out, s, 3, 7);
    } else if (withKilometre) {
        // A station a hair below a kilometre prints as the next kilometre (000.000),
        // never as 1000.000.
        double a = std::fabs(s);
        if (std::trunc(a / 1000.0) < std::trunc((a + 0.0005) / 1000.0)) a += 0.0005;
        out = "  ";
        appendKilometre(splitKilometre(a));
    } else {
        // The minus sign stands directly before the digits.
        out = " ";
        text::appendFixed(out, s, 3, 7);
    }
    if (s < 0 && withKilometre) out[1] = '-';
    if (outside) out[0] = '*';
    return out;
}

std::string chainBreakValueText(const ChainBreak& chainBreak) {
    double a = chainBreak.startStation, b = chainBreak.endStation;
    if (a < b) return text::format("短链长度 %8.3fm", b - a);
    return text::format("长链长度 %8.3fm", a - b);
}

std::string chainBreakRemark(const ChainBreak& chainBreak) {
    double a = chainBreak.startStation, b = chainBreak.endStation;
    if (!(std::fabs(b) <= kLargestKilometreStation)) return {};
    KmMetres km = splitKilometre(std::fabs(b));
    const char* kind = a < b ? "短链" : "长链";
    return text::format(b < 0 ? "%s= -K%lld+%s" : "%s= K%lld+%s", kind, km.km, km.metres.c_str());
}

}  // namespace vornex
