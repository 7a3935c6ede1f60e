// Text helpers: GBK (code page 936) <-> UTF-8, cutting GBK names to a byte budget
// without splitting a double-byte character, and printf-style formatting.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vornex::text {

// True when the byte can start a double-byte GBK character (0x81..0xFE).
inline bool isGbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// GBK bytes to UTF-8. Stops at nothing: embedded zero bytes are kept. A byte
// sequence that is not valid GBK becomes U+FFFD and conversion goes on.
std::string gbkToUtf8(std::string_view gbk);

// UTF-8 to GBK. A character that GBK cannot hold (or invalid UTF-8) becomes '?'.
std::string utf8ToGbk(std::string_view utf8);

// The longest prefix of `gbk` of at most `maxBytes` bytes made of whole characters:
// a double-byte character that would straddle the limit is dropped entirely.
std::string cutGbk(std::string_view gbk, std::size_t maxBytes);

// Typed UTF-8 text as a stored name: converted to GBK and cut to `maxBytes` bytes.
inline std::string nameFromUtf8(std::string_view utf8, std::size_t maxBytes = 12) {
    return cutGbk(utf8ToGbk(utf8), maxBytes);
}

// printf-style formatting into a std::string ("%8.4f" and friends, used verbatim).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Appends `value` exactly as printf's "%<width>.<precision>f" would write it
// (correctly rounded, ties to even, right-aligned in `width` characters), through
// std::to_chars, which does not parse a format string per number. Used where many
// numbers are written, such as the batch's result lines.
void appendFixed(std::string& out, double value, int precision, int width);

// printf's "%.<precision>f" of `value` written to `out` (room for 32 characters)
// by integer arithmetic, for finite values below 2^64 units of the last decimal
// and up to 9 decimals; returns the length, or 0 (nothing written) for any other
// value, which appendFixed handles.
int fixedDigits(double value, int precision, char* out);

// Reads a number as std::strtod would from the start of `s` (leading blanks
// skipped, the longest number prefix taken, 0 when there is none), through
// std::from_chars where that gives the same value and strtod otherwise.
double parseNumber(std::string_view s);

// Blank-trimmed copy (spaces, tabs, CR, LF at both ends).
std::string_view trim(std::string_view s);

}  // namespace vornex::text
