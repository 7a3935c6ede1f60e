// The limits of leveling by order (观测等级), in one table: forward/return
// differences, closures, and the checks of each station. Every figure names the
// standard it comes from beside its value in tolerances.cpp.
#pragma once

#include <cstdint>

namespace vornex {

// 观测等级 as the leveling header stores it.
enum LevelingOrder : std::int32_t {
    kFourthOrder = 0,  // 四等水准
    kThirdOrder = 1,   // 三等水准
    kSecondOrder = 2,  // 二等水准
    kFirstOrder = 3,   // 一等水准
};

struct LevelingLimits {
    // 往返测高差不符值: k * sqrt(K) mm, K the section length in km.
    double forwardReturn = 0;
    // 闭合差 by route length: n * sqrt(L) mm, L in km (the default 闭合差系数
    // when weighting by length).
    double closureByLength = 0;
    // 闭合差 by number of stations: n * sqrt(stations) mm (the default 闭合差系数
    // when weighting by stations).
    double closureByStations = 0;
    // Station checks; 0 where the order has no limit in this table.
    double sightDifference = 0;            // 视距差, m
    double cumulativeSightDifference = 0;  // 累积视距差, m
    double redBlackReading = 0;            // K + 黑 - 红 of one staff, mm
    double redBlackHeightDifference = 0;   // 黑红面高差之差, mm
    // 视线长度 of one sight, m: the longest with a DS3 level, the longest with a
    // DS05/DS1 level, and the shortest (0: none).
    double maxSightLength = 0;
    double maxSightLengthPrecise = 0;
    double minSightLength = 0;
};

// Limits of the order `levelClass` (0 四等 .. 3 一等); a value outside that
// range is taken as fourth order, as the pane's 观测等级 falls back to.
const LevelingLimits& levelingLimits(std::int32_t levelClass);

// The longest sight allowed with the file's instrument (1 DS05, else DS3), m; 0: no limit.
double maxSightLength(const LevelingLimits& limits, std::int32_t instrument);

// Default 闭合差系数 of an order for a weighting (1 by stations, else by length).
double defaultClosureCoefficient(std::int32_t levelClass, std::int32_t weighting);

}  // namespace vornex
