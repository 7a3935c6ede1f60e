// Number text of exchange files: read and written in the C locale whatever the
// process locale, with every digit a double holds kept (coordinates of several
// million metres keep their tenths of a millimetre and more).
#pragma once

#include <string>
#include <string_view>

namespace vornex::exchange {

// A decimal number with optional sign and exponent, blanks around it allowed.
// False for anything else (also for infinities and NaN).
bool parseNumber(std::string_view text, double& value);

// The shortest decimal text (no exponent) that reads back as the same double.
std::string formatNumber(double value);

// "%.*f" of the value (for messages).
std::string formatFixed(double value, int decimals);

// 1-based line number of a byte offset in a text.
int lineOfOffset(std::string_view text, long long offset);

}  // namespace vornex::exchange
