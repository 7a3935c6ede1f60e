#include "exchange/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/text.h"

namespace vornex::exchange {

bool parseNumber(std::string_view text, double& value) {
    text = text::trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::string formatNumber(double value) {
    if (value == 0) return "0";  // also -0
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return text::format("%.17g", value);
    return std::string(buf, end);
}

std::string formatFixed(double value, int decimals) {
    std::string s = text::format("%.*f", decimals, value);
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);  // no "-0.000"
    return s;
}

int lineOfOffset(std::string_view text, long long offset) {
    if (offset < 0) return 0;
    int line = 1;
    const std::size_t end = std::min(text.size(), static_cast<std::size_t>(offset));
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') ++line;
    }
    return line;
}

}  // namespace vornex::exchange
