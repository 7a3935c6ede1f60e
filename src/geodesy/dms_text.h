// Angles as text in 度.分秒: the packed form the program types and writes
// everywhere (D.MMSSsss: 30.301512345 is 30°30′15.12345″), read digit by digit
// so no binary rounding creeps into the seconds, and the written form with
// degree, minute and second signs.
#pragma once

#include <string>
#include <string_view>

namespace vornex::geodesy {

// Reads "30.301512345", "-1.5" (= −1°50′), "30°30′15.12″", "30°30'15.12\"",
// "30度30分15.12秒" (and with the seconds or minutes left out) into decimal
// degrees. False for anything else, and for minutes or seconds of 60 or more.
bool parseDmsText(std::string_view text, double& degrees);

// Decimal degrees as packed 度.分秒 with `secondDecimals` decimals of the
// seconds (rounded, the carry taken into minutes and degrees):
// formatDmsText(30.5042, 5) == "30.301512000". A minus sign for negative angles.
std::string formatDmsText(double degrees, int secondDecimals = 5);

}  // namespace vornex::geodesy
