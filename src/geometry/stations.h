// Continuous chainage and design stations (桩号).
//
// All alignment arithmetic runs on continuous chainage; the design station is
// what users read and type. The two agree up to the first chain break (断链) and
// are shifted at each one. A chain break (a → b) with b > a is a short chain
// (短链, stations a..b never occur); with b <= a it is a long chain (长链,
// stations b..a occur twice: the second time they are marked with "+").
#pragma once

#include <string>
#include <string_view>

#include "model/records.h"
#include "model/road.h"

namespace vornex {

// Start S and end E of a road's element list in continuous chainage; kNoValue
// when the road has no elements.
double alignmentStart(const Road& road);
double alignmentEnd(const Road& road);

struct DesignStation {
    double station = 0;            // design station (metres)
    bool inLongChainZone = false;  // second occurrence inside a long chain
};

// Continuous chainage to design station, applying the chain breaks in list order.
DesignStation toDesignStation(const Road& road, double chainage);

// Continuous chainage of the break at `index` (in table order): where its back
// station is reached, the shifts of the breaks before it taken off exactly.
// kNoValue for an index outside the list.
double chainBreakChainage(const Road& road, std::size_t index);

// Typed design station to continuous chainage. `plus` marks the second
// occurrence of a station inside a long chain. A back station with a fraction
// below the millimetre, typed as it prints (200.0006 as 200.001), names its
// break.
double toContinuousChainage(const Road& road, double designStation, bool plus);

// A station as the user typed or pasted it: the design station and the mark of
// the second occurrence inside a long chain.
struct TypedStation {
    double station = 0;  // design station (metres)
    bool plus = false;   // typed with a leading "+"
};

// Reads the road's own K-text as the tables print it: "K12+345.678",
// "  K12+345.678", " +K1+980.000" (long chain), " -K0+234.500" (negative),
// "*  K12+345.678" (a station outside the road: the "*" is ignored). The
// prefix is the road's (ASCII letters in either case) or none ("12+345.678");
// the metres are below 1000. False for any other text, plain numbers included.
bool parseKilometreText(const Road& road, std::string_view utf8Text, TypedStation& out);

// The one reading of a typed station, for every place a station is typed (the
// command line, dialogs, data-entry cells): the road's K-text as above, or a
// plain real number read as always: "*" is ignored, "+" is ignored and marks
// the long chain, the leading number is read ("12345.678", "+1980"). False
// when the text holds neither.
bool parseStationText(const Road& road, std::string_view utf8Text, TypedStation& out);

// Typed station text to continuous chainage (parseStationText, then the chain
// breaks). Text that is no station gives kNoValue.
double toContinuousChainage(const Road& road, std::string_view stationText);

// Station text (UTF-8). With kilometre: "  K12+345.678"; in a long-chain zone
// " +K12+345.678"; negative " -K0+234.500"; outside the road "*" in the first
// column. Without kilometre: " 12345.678", " +1980.000". kNoValue (or an absurd
// value) gives empty text.
std::string formatStation(const Road& road, double chainage, bool withKilometre);

// Break value shown in the chain-break table: "短链长度 %8.3fm" or "长链长度 %8.3fm".
std::string chainBreakValueText(const ChainBreak& chainBreak);

// Remark of the coordinate-table row at a chain break: "短链= K1+100.000",
// "长链= K1+950.000" (a negative end station gives "-K").
std::string chainBreakRemark(const ChainBreak& chainBreak);

}  // namespace vornex
