// Fixed-size GBK text fields as they stand in records and files: N bytes,
// zero-filled after the text. Names are held as bytes; conversion to UTF-8
// happens at the edge (tables, command line, user interface).
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "text/text.h"

namespace vornex {

template <std::size_t N>
struct FixedText {
    std::array<char, N> bytes{};

    FixedText() = default;
    // GBK bytes, cut to N bytes on whole characters.
    FixedText(std::string_view gbk) { assign(gbk); }  // NOLINT: implicit on purpose
    FixedText(const char* gbk) { assign(gbk); }       // NOLINT

    // The text up to its first zero byte (GBK bytes).
    std::string str() const {
        std::size_t n = 0;
        while (n < N && bytes[n] != '\0') ++n;
        return std::string(bytes.data(), n);
    }
    std::string utf8() const { return text::gbkToUtf8(str()); }
    bool empty() const { return bytes[0] == '\0'; }

    // Stores GBK bytes cut to N bytes without splitting a character; zero fill.
    void assign(std::string_view gbk) {
        std::string cut = text::cutGbk(gbk, N);
        bytes.fill('\0');
        std::memcpy(bytes.data(), cut.data(), cut.size());
    }
    void assignUtf8(std::string_view utf8) { assign(text::utf8ToGbk(utf8)); }

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.bytes == b.bytes; }
    // Compares the text (up to the first zero byte) with GBK bytes.
    bool equals(std::string_view gbk) const { return str() == gbk; }
};

using Name12 = FixedText<12>;

}  // namespace vornex
