#include "text/text.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cstdarg>
#include <cstdio>
#include <iconv.h>
#include <mutex>
#include <vector>

namespace vornex::text {
namespace {

// One iconv conversion of a whole buffer. `replacement` is written for every input
// sequence that cannot be converted, and one input byte is skipped so that the
// conversion always makes progress.
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, std::size_t skipOnError) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(in);  // no converter on this system: pass bytes through
    }
    std::string out;
    out.reserve(in.size() * 2 + 4);
    std::vector<char> buf(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = buf.data();
        std::size_t outLeft = buf.size();
        std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf.data(), static_cast<std::size_t>(outPtr - buf.data()));
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (truncated sequence at the end): replace and skip.
        out.append(replacement);
        std::size_t skip = std::min(inLeft, skipOnError);
        if (from[0] == 'U') {
            // A well-formed UTF-8 character that has no GBK form is skipped whole;
            // a malformed sequence one byte at a time.
            auto* p = reinterpret_cast<const unsigned char*>(inPtr);
            std::size_t len = p[0] >= 0xF8 ? 1 : p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 1;
            bool wellFormed = len <= inLeft;
            for (std::size_t k = 1; wellFormed && k < len; ++k) wellFormed = (p[k] & 0xC0) == 0x80;
            skip = wellFormed ? len : 1;
        }
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    }
    iconv_close(cd);
    return out;
}

const char* gbkName() {
    // Code page 936 is glibc's "CP936" (GBK plus the euro sign at 0x80).
    static const char* name = [] {
        iconv_t cd = iconv_open("UTF-8", "CP936");
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(cd);
            return "CP936";
        }
        return "GBK";
    }();
    return name;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
    bool ascii = true;
    for (unsigned char c : gbk) ascii = ascii && c < 0x80;
    if (ascii) return std::string(gbk);
    return convert("UTF-8", gbkName(), gbk, "\xEF\xBF\xBD", 1);
}

std::string utf8ToGbk(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8) ascii = ascii && c < 0x80;
    if (ascii) return std::string(utf8);
    return convert(gbkName(), "UTF-8", utf8, "?", 1);
}

std::string cutGbk(std::string_view gbk, std::size_t maxBytes) {
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        std::size_t len = 1;
        if (isGbkLeadByte(static_cast<unsigned char>(gbk[pos])) && pos + 1 < gbk.size()) len = 2;
        if (pos + len > maxBytes) break;
        pos += len;
    }
    return std::string(gbk.substr(0, pos));
}

std::string format(const char* fmt, ...) {
    char small[256];
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0) {
        va_end(ap2);
        return {};
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        va_end(ap2);
        return std::string(small, static_cast<std::size_t>(n));
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, ap2);
    va_end(ap2);
    return out;
}

// printf's "%.*f" of a finite value of the usual sizes (below 2^64 units of the
// last decimal, up to 9 decimals) by integer arithmetic: the value is m·2^e
// exactly, so m·10^precision shifted by e, rounded half to even on the bits
// shifted out, is the decimal printf rounds to (the exact binary value, ties to
// even). Returns the length written to `out`, or 0 where it does not apply.
int fixedDigits(double value, int precision, char* out) {
    static constexpr std::uint64_t kPow10[] = {1,      10,      100,      1000,      10000,
                                               100000, 1000000, 10000000, 100000000, 1000000000};
    if (precision < 0 || precision > 9) return 0;
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0x7ff) return 0;  // infinite or not a number
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int e = -1074;  // subnormal
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        e = biased - 1075;
    }
    using U128 = unsigned __int128;
    const U128 scaled = static_cast<U128>(mantissa) * kPow10[precision];  // below 2^83
    std::uint64_t q = 0;
    if (e >= 0) {
        if (e > 10) return 0;
        const U128 v = scaled << e;
        if (v >> 64) return 0;
        q = static_cast<std::uint64_t>(v);
    } else if (e >= -100) {  // further down everything shifts out below one half: 0
        const int shift = -e;
        U128 whole = scaled >> shift;
        const U128 rest = scaled - (whole << shift);
        const U128 half = static_cast<U128>(1) << (shift - 1);
        if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
        if (whole >> 64) return 0;
        q = static_cast<std::uint64_t>(whole);
    }
    // Digits from the last, two at a time; the decimals by a constant divisor
    // for the usual precisions.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char digits[32];
    char* p = digits + sizeof digits;
    std::uint64_t whole = 0, part = 0;
    switch (precision) {
        case 3: whole = q / 1000, part = q % 1000; break;
        case 4: whole = q / 10000, part = q % 10000; break;
        default: whole = q / kPow10[precision], part = q % kPow10[precision]; break;
    }
    for (int k = precision; k > 0;) {
        if (k >= 2) {
            p -= 2;
            std::memcpy(p, kPairs + 2 * (part % 100), 2);
            part /= 100;
            k -= 2;
        } else {
            *--p = static_cast<char>('0' + part % 10);
            part /= 10;
            --k;
        }
    }
    if (precision > 0) *--p = '.';
    while (whole >= 100) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * (whole % 100), 2);
        whole /= 100;
    }
    if (whole >= 10) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * whole, 2);
    } else {
        *--p = static_cast<char>('0' + whole);
    }
    int len = 0;
    if (bits >> 63) out[len++] = '-';  // printf keeps the sign of a negative value shown as 0
    const auto n = static_cast<int>(digits + sizeof digits - p);
    std::memcpy(out + len, p, static_cast<std::size_t>(n));
    len += n;
    return len;
}

void appendFixed(std::string& out, double value, int precision, int width) {
    // Finite values of up to 1e308 need at most 309 digits, a sign, a point and the decimals.
    char buf[400];
    int n = fixedDigits(value, precision, buf);
    if (n == 0 && std::isfinite(value) && precision >= 0 && precision <= 40) {
        const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
        if (r.ec == std::errc()) n = static_cast<int>(r.ptr - buf);
    }
    if (n == 0) {
        // Infinities and NaN (printf's own spelling of their signs) and odd precisions.
        out += format("%*.*f", width, precision, value);
        return;
    }
    if (n < width) out.append(static_cast<std::size_t>(width - n), ' ');
    out.append(buf, static_cast<std::size_t>(n));
}

double parseNumber(std::string_view s) {
    const char* b = s.data();
    const char* e = b + s.size();
    while (b != e && (*b == ' ' || *b == '\t')) ++b;
    double v = 0;
    // from_chars reads the plain decimal forms strtod reads, to the same correctly
    // rounded value; anything else (a '+', hexadecimal, a value out of range, other
    // leading blanks, a number followed by more text) goes to strtod itself.
    if (b != e && *b != '+') {
        const auto r = std::from_chars(b, e, v);
        if (r.ec == std::errc() && r.ptr == e) return v;
    }
    return std::strtod(std::string(s).c_str(), nullptr);
}

std::string_view trim(std::string_view s) {
    const char* ws = " \t\r\n";
    std::size_t b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

}  // namespace vornex::text
