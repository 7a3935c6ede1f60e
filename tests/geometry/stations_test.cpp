#include "geometry/stations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "text/text.h"

namespace vornex {
namespace {

// A road whose element list covers [start, end] in one straight, with the given breaks.
Road makeRoad(double start, double end, std::vector<ChainBreak> breaks = {}) {
    Road r;
    AlignmentElement e;
    e.startStation = start;
    e.length = end - start;
    r.elements.push_back(e);
    r.chainBreaks = std::move(breaks);
    return r;
}

TEST(Stations, AlignmentRange) {
    Road r = makeRoad(100, 300);
    AlignmentElement second = r.elements[0];
    second.startStation = 300;
    second.length = 50;
    r.elements.push_back(second);
    EXPECT_EQ(alignmentStart(r), 100);
    EXPECT_EQ(alignmentEnd(r), 350);
    Road empty;
    EXPECT_EQ(alignmentStart(empty), kNoValue);
    EXPECT_EQ(alignmentEnd(empty), kNoValue);
}

TEST(Stations, DesignStationAcrossBreaks) {
    // Short chain 1000 → 1100 (design stations), then long chain 2000 → 1950,
    // which the continuous chainage reaches at 1900.
    Road r = makeRoad(0, 5000, {{1000, 1100}, {2000, 1950}});
    struct Case {
        double chainage, station;
        bool longZone;
    } cases[] = {
        {500, 500, false},  {1000, 1000, false}, {1050, 1150, false}, {1900, 2000, false},
        {1930, 1980, true}, {1950, 2000, true},  {1960, 2010, false}, {4000, 4050, false},
    };
    for (const Case& c : cases) {
        DesignStation d = toDesignStation(r, c.chainage);
        EXPECT_NEAR(d.station, c.station, 1e-9) << c.chainage;
        EXPECT_EQ(d.inLongChainZone, c.longZone) << c.chainage;
    }
}

TEST(Stations, FormatStationWithAndWithoutKilometre) {
    Road plain = makeRoad(-1000, 20000);
    Road shortChain = makeRoad(0, 5000, {{1000, 1100}});
    Road longChain = makeRoad(0, 5000, {{2000, 1950}});
    Road empty;
    struct Case {
        const Road* road;
        double chainage;
        bool km;
        const char* text;
    } cases[] = {
        {&plain, 12345.678, true, "  K12+345.678"},
        {&plain, 5.678, true, "  K0+005.678"},
        {&plain, 45.678, true, "  K0+045.678"},
        {&plain, -234.5, true, " -K0+234.500"},
        {&plain, 12999.9996, true, "  K13+000.000"},  // a hair below a kilometre rolls over
        {&plain, 12999.9994, true, "  K12+999.999"},
        {&plain, 99.9996, true, "  K0+100.000"},  // metres that round up to three digits
        {&plain, -0.0004, false, "  -0.000"},     // rounds to zero and keeps its sign
        {&plain, -999.9996, true, " -K1+000.000"},   // never "K0+1000.000"
        {&plain, 25000, true, "* K25+000.000"},      // beyond the end
        {&plain, -1500, true, "*-K1+500.000"},       // before the start
        {&plain, 20000.00005, true, "  K20+000.000"},  // within 0.0001 of the end
        {&plain, 12345.678, false, " 12345.678"},
        {&plain, 5, false, "   5.000"},
        {&plain, -234.5, false, " -234.500"},
        {&plain, 25000, false, "*25000.000"},
        {&shortChain, 1050, true, "  K1+150.000"},
        {&longChain, 2030, true, " +K1+980.000"},
        {&longChain, 2030, false, " +1980.000"},
        {&longChain, 2000, true, "  K2+000.000"},
        {&longChain, 2049.9996, true, " +K2+000.000"},  // roll-over inside the long-chain zone
        {&longChain, 2060, true, "  K2+010.000"},
        {&empty, 1000, true, "* K1+000.000"},  // a road without elements has no range
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatStation(*c.road, c.chainage, c.km), c.text) << c.chainage << (c.km ? " km" : " plain");
    }
}

TEST(Stations, FormatStationEmptyForMissingOrAbsurdValues) {
    Road r = makeRoad(0, 1000);
    for (double c : {kNoValue, 2e15, -2e15, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(formatStation(r, c, true), "") << c;
    }
    EXPECT_EQ(formatStation(r, kNoValue, false), "");
    EXPECT_NE(formatStation(r, 2e15, false), "");  // the plain form reaches further
    // Absurd chain breaks do not overflow the kilometre field.
    Road wild = makeRoad(0, 1000, {{1, 1e300}});
    EXPECT_EQ(formatStation(wild, 500, true), "");
}

TEST(Stations, FormatStationUsesTwoBytesOfThePrefix) {
    Road r = makeRoad(0, 20000);
    r.stationPrefix = FixedText<2>("AB");
    EXPECT_EQ(formatStation(r, 12345.678, true), "  AB12+345.678");
    r.stationPrefix = FixedText<2>(text::utf8ToGbk("线"));
    EXPECT_EQ(formatStation(r, 12345.678, true), "  线12+345.678");
}

TEST(Stations, TypedStationToContinuousChainage) {
    Road shortChain = makeRoad(0, 5000, {{1000, 1100}});
    Road longChain = makeRoad(0, 5000, {{2000, 1950}});
    Road outside = makeRoad(2000, 5000, {{1000, 1100}});  // break wholly before the road
    Road noElements;
    noElements.chainBreaks = {{1000, 1100}};
    Road none = makeRoad(-1000, 1000);
    // Back stations with a fraction below the millimetre print rounded; that text names the break.
    Road longFraction = makeRoad(0, 5000, {{100, 100.5}, {200.0006, 150}});
    Road shortFraction = makeRoad(0, 5000, {{200.0006, 250}});
    struct Case {
        const Road* road;
        const char* text;
        double chainage;
    } cases[] = {
        {&longFraction, "200.001", 199.5006},     // the break (its "%.3f" text)
        {&longFraction, "  K0+200.001", 199.5006},
        {&longFraction, "200.0006", 199.5006},
        {&longFraction, "200.0011", 249.5017},    // past the repeated stretch
        {&longFraction, "+200.001", 249.5016},    // second occurrence, within the millimetre
        {&longFraction, "+150", 199.5006},
        {&shortFraction, "200.001", 200.0006},
        {&shortFraction, "250", 200.0006},
        {&shortChain, "1150", 1050},
        {&shortChain, "1050", 1050},  // inside the missing stretch: as if not yet reached
        {&shortChain, "1100", 1000},  // the end station names the break's own spot
        {&shortChain, "999", 999},
        {&shortChain, "2000", 1900},
        {&longChain, "+1980", 2030},
        {&longChain, "  +1980.000", 2030},
        {&longChain, "1980", 1980},
        {&longChain, "+1950", 2000},  // second occurrence of the end station: the break's spot
        {&longChain, "+2000", 2050},
        {&longChain, "2100", 2150},
        {&longChain, "*1980", 1980},
        {&outside, "1500", 1500},
        {&noElements, "1150", 1150},
        {&none, "-234.5", -234.5},
        {&none, "*-234.500", -234.5},
        {&none, "1.5e3", 1500},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(toContinuousChainage(*c.road, c.text), c.chainage, 1e-9) << c.text;
    }
    for (const char* bad : {"", "  ", "abc", "--5", "K1", "nan", "inf"}) {
        EXPECT_EQ(toContinuousChainage(none, bad), kNoValue) << bad;
    }
}

TEST(Stations, StationTextRoundTripAcrossShortAndLongChains) {
    Road r = makeRoad(0, 10000,
                      {{1000, 1100}, {2500, 2400}, {4000, 4000.5}, {6000, 5000}, {8000, 9000}});
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> dist(0, 10000);
    std::vector<double> chainages;
    for (int i = 0; i < 2000; ++i) chainages.push_back(dist(rng));
    // The continuous chainages of the breaks and of the ends of the long-chain
    // zones, and their neighbourhoods.
    for (double spot : {1000.0, 2400.0, 2500.0, 4000.0, 5999.5, 6999.5, 8999.5}) {
        for (double d : {-0.0004, 0.0, 0.0004}) chainages.push_back(spot + d);
    }
    // Just past the end of a long-chain zone the text rounds to the break's start
    // station without "+", which names its first occurrence: not a round trip.
    std::erase_if(chainages, [](double c) { return c == 2500.0 + 0.0004 || c == 6999.5 + 0.0004; });
    for (double c : chainages) {
        std::string text = formatStation(r, c, false);
        double back = toContinuousChainage(r, text);
        EXPECT_NEAR(back, c, 0.0005 + 1e-9) << c << " \"" << text << "\"";
    }
}

TEST(Stations, ChainBreakCaptions) {
    struct Case {
        ChainBreak b;
        const char* value;
        const char* remark;
    } cases[] = {
        {{1000, 1100}, "短链长度  100.000m", "短链= K1+100.000"},
        {{2000, 1950}, "长链长度   50.000m", "长链= K1+950.000"},
        {{5, 5.5}, "短链长度    0.500m", "短链= K0+005.500"},
        {{12345, 12345}, "长链长度    0.000m", "长链= K12+345.000"},
        {{-500, -450}, "短链长度   50.000m", "短链= -K0+450.000"},
        {{3000, 1999.9996}, "长链长度 1000.000m", "长链= K2+000.000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chainBreakValueText(c.b), c.value);
        EXPECT_EQ(chainBreakRemark(c.b), c.remark);
    }
    EXPECT_EQ(chainBreakRemark({0, 1e300}), "");
    EXPECT_EQ(chainBreakRemark({0, std::nan("")}), "");
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

// Every form of station text a user may type or paste from a table, and text
// that is no station.
TEST(StationText, ReadsKilometreTextAndPlainNumbers) {
    Road road = makeRoad(0, 20000, {{2000, 1950}});  // a long chain: 1950..2000 twice
    road.stationPrefix = "AK";
    struct Case {
        const char* text;
        bool ok;
        double station;
        bool plus;
    };
    const Case cases[] = {
        {"AK12+345.678", true, 12345.678, false},
        {"  AK12+345.678", true, 12345.678, false},  // as the tables print it
        {"ak12+345.678", true, 12345.678, false},    // letters in either case
        {" +AK1+980.000", true, 1980, true},         // long-chain zone
        {" -AK0+234.500", true, -234.5, false},
        {"* AK12+345.678", true, 12345.678, false},  // outside the road
        {"12+100", true, 12100, false},              // no prefix typed
        {"AK0+000", true, 0, false},
        {"12345.678", true, 12345.678, false},       // plain numbers read as always
        {"+1980", true, 1980, true},
        {" -234.5", true, -234.5, false},
        {"*100", true, 100, false},
        {"AK12+1000", false, 0, false},              // metres below 1000 only
        {"AK12+", false, 0, false},
        {"AK+100", false, 0, false},
        {"BK12+100", false, 0, false},               // another road's prefix
        {"AK12+100x", false, 0, false},
        {"++AK1+980", false, 0, false},
        {"", false, 0, false},
        {"K", false, 0, false},
    };
    for (const Case& c : cases) {
        TypedStation t;
        SCOPED_TRACE(c.text);
        ASSERT_EQ(parseStationText(road, c.text, t), c.ok);
        if (!c.ok) continue;
        EXPECT_DOUBLE_EQ(t.station, c.station);
        EXPECT_EQ(t.plus, c.plus);
    }
}

// The text a table prints for a chainage reads back as that chainage, chain
// breaks and the long-chain mark included; a Chinese prefix works as well.
TEST(StationText, FormattedStationsReadBack) {
    for (const char* prefix : {"K", "\xB6\xAB" /* 东 in GBK */, ""}) {
        Road road = makeRoad(-500, 20000, {{1000, 1100}, {2000, 1950}});
        road.stationPrefix = prefix;
        for (double c : {-234.5, 0.0, 999.9996, 1050.0, 1930.0, 2030.0, 12345.678, 19999.999}) {
            const std::string shown = formatStation(road, c, true);
            SCOPED_TRACE(shown);
            EXPECT_NEAR(toContinuousChainage(road, shown), c, 0.0006);
        }
    }
}

}  // namespace
}  // namespace vornex
