#include "text/utf8.h"

#include "text/text.h"

namespace vornex::text {

bool isWellFormedUtf8(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // The lead byte fixes the length and the range of the second byte; the
        // remaining bytes are 80..BF (Unicode, Table 3-7).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;   // overlong below U+0800
            if (c == 0xED) high = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;   // overlong below U+10000
            if (c == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (s.size() - i < length) return false;
        if (byte(i + 1) < low || byte(i + 1) > high) return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((byte(i + k) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

std::string utf8OrGbkToUtf8(std::string_view bytes) {
    return isWellFormedUtf8(bytes) ? std::string(bytes) : gbkToUtf8(bytes);
}

}  // namespace vornex::text
