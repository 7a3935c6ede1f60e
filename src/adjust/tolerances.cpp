#include "adjust/tolerances.h"

namespace vornex {
namespace {

// Indexed by 观测等级 (0 四等 .. 3 一等).
constexpr LevelingLimits kLevelingLimits[4] = {
    // 四等水准
    {
        20.0,  // forwardReturn: 20 sqrt(K)               GB/T 12898-2009
        20.0,  // closureByLength: 20 sqrt(L)             GB/T 12898-2009
        6.0,   // closureByStations: 6 sqrt(n)            GB 50026
        5.0,   // sightDifference: 5 m                    GB/T 12898-2009
        10.0,  // cumulativeSightDifference: 10 m         GB/T 12898-2009
        3.0,   // redBlackReading: 3 mm                   GB/T 12898-2009
        5.0,   // redBlackHeightDifference: 5 mm          GB/T 12898-2009
    },
    // 三等水准
    {
        12.0,  // forwardReturn: 12 sqrt(K)               GB/T 12898-2009
        12.0,  // closureByLength: 12 sqrt(L)             GB/T 12898-2009
        4.0,   // closureByStations: 4 sqrt(n)            GB 50026
        3.0,   // sightDifference: 3 m                    GB/T 12898-2009
        6.0,   // cumulativeSightDifference: 6 m          GB/T 12898-2009
        2.0,   // redBlackReading: 2 mm                   GB/T 12898-2009
        3.0,   // redBlackHeightDifference: 3 mm          GB/T 12898-2009
    },
    // 二等水准: station checks are not in this table (no marks).
    {
        4.0,  // forwardReturn: 4 sqrt(K)                 GB/T 12897-2006
        4.0,  // closureByLength: 4 sqrt(L)               GB/T 12897-2006
        6.0,  // closureByStations: 6 sqrt(n), the program's long-standing default
        0, 0, 0, 0,
    },
    // 一等水准: station checks are not in this table (no marks).
    {
        1.8,  // forwardReturn: 1.8 sqrt(K)               GB/T 12897-2006
        2.0,  // closureByLength: 2 sqrt(L)               GB/T 12897-2006
        6.0,  // closureByStations: 6 sqrt(n), the program's long-standing default
        0, 0, 0, 0,
    },
};

}  // namespace

const LevelingLimits& levelingLimits(std::int32_t levelClass) {
    if (levelClass < kFourthOrder || levelClass > kFirstOrder) return kLevelingLimits[kFourthOrder];
    return kLevelingLimits[levelClass];
}

double defaultClosureCoefficient(std::int32_t levelClass, std::int32_t weighting) {
    const LevelingLimits& l = levelingLimits(levelClass);
    return weighting == 1 ? l.closureByStations : l.closureByLength;
}

}  // namespace vornex
