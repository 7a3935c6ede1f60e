// Telling UTF-8 from GBK in files that come from other programs: point lists and
// coordinate files are saved by Chinese editors in either encoding, without a mark.
#pragma once

#include <string>
#include <string_view>

namespace vornex::text {

// True when `s` is well-formed UTF-8 by the Unicode standard's table of byte
// sequences (no overlong forms, no surrogates, nothing above U+10FFFF, no
// sequence cut at the end).
bool isWellFormedUtf8(std::string_view s);

// A text file's bytes as UTF-8: kept when they are well-formed UTF-8, read as
// GBK otherwise.
std::string utf8OrGbkToUtf8(std::string_view bytes);

}  // namespace vornex::text
