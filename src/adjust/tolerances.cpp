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
        100.0, // maxSightLength: DS3 100 m               GB/T 12898-2009
        150.0, // maxSightLengthPrecise: DS1/DS05 150 m   GB/T 12898-2009
        0,     // minSightLength: none
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
        75.0,  // maxSightLength: DS3 75 m                GB/T 12898-2009
        100.0, // maxSightLengthPrecise: DS1/DS05 100 m   GB/T 12898-2009
        0,     // minSightLength: none
    },
    // 二等水准. Station checks: the digital-level column of GB/T 12897-2006
    // (sight length, sight differences), since a file of this order comes from
    // a digital level (the file's 4687/4787 staff pair holds no invar staff's
    // base/auxiliary constant); the two readings of one staff and the two
    // height differences are held to the 基辅分划 limits of the same standard.
    {
        4.0,  // forwardReturn: 4 sqrt(K)                 GB/T 12897-2006
        4.0,  // closureByLength: 4 sqrt(L)               GB/T 12897-2006
        6.0,  // closureByStations: 6 sqrt(n), the program's long-standing default
        1.5,  // sightDifference: 1.5 m                   GB/T 12897-2006 (digital level)
        6.0,  // cumulativeSightDifference: 6.0 m         GB/T 12897-2006 (digital level)
        0.4,  // redBlackReading: 0.4 mm                  GB/T 12897-2006 (基辅分划读数的差)
        0.6,  // redBlackHeightDifference: 0.6 mm         GB/T 12897-2006 (基辅分划所测高差的差)
        50.0, // maxSightLength: 50 m                     GB/T 12897-2006
        50.0, // maxSightLengthPrecise: 50 m              GB/T 12897-2006
        3.0,  // minSightLength: 3 m                      GB/T 12897-2006 (digital level)
    },
    // 一等水准, chosen as for 二等.
    {
        1.8,  // forwardReturn: 1.8 sqrt(K)               GB/T 12897-2006
        2.0,  // closureByLength: 2 sqrt(L)               GB/T 12897-2006
        6.0,  // closureByStations: 6 sqrt(n), the program's long-standing default
        1.0,  // sightDifference: 1.0 m                   GB/T 12897-2006 (digital level)
        3.0,  // cumulativeSightDifference: 3.0 m         GB/T 12897-2006 (digital level)
        0.3,  // redBlackReading: 0.3 mm                  GB/T 12897-2006 (基辅分划读数的差)
        0.4,  // redBlackHeightDifference: 0.4 mm         GB/T 12897-2006 (基辅分划所测高差的差)
        30.0, // maxSightLength: 30 m                     GB/T 12897-2006
        30.0, // maxSightLengthPrecise: 30 m              GB/T 12897-2006
        4.0,  // minSightLength: 4 m                      GB/T 12897-2006 (digital level)
    },
};

}  // namespace

const LevelingLimits& levelingLimits(std::int32_t levelClass) {
    if (levelClass < kFourthOrder || levelClass > kFirstOrder) return kLevelingLimits[kFourthOrder];
    return kLevelingLimits[levelClass];
}

double maxSightLength(const LevelingLimits& limits, std::int32_t instrument) {
    return instrument == 1 ? limits.maxSightLengthPrecise : limits.maxSightLength;
}

double defaultClosureCoefficient(std::int32_t levelClass, std::int32_t weighting) {
    const LevelingLimits& l = levelingLimits(levelClass);
    return weighting == 1 ? l.closureByStations : l.closureByLength;
}

}  // namespace vornex
