#include "geometry/angles.h"
#include "geometry/direction_range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/records.h"

namespace vornex {
namespace {

TEST(Angles, NormalizeAngleIntoZeroTo360) {
    struct Case {
        double in, out;
    } cases[] = {{0, 0}, {359.5, 359.5}, {360, 0}, {370, 10}, {720, 0}, {-90, 270}, {-450, 270}, {-1e-15, 0}};
    for (const Case& c : cases) {
        double r = normalizeAngle(c.in);
        EXPECT_NEAR(r, c.out, 1e-12) << c.in;
        EXPECT_GE(r, 0.0) << c.in;
        EXPECT_LT(r, 360.0) << c.in;
    }
}

TEST(Angles, WrapPiIsHalfOpenAndExact) {
    const double below = std::nextafter(kPi, 0.0);
    struct Case {
        double in, out;
    } cases[] = {
        {0, 0},         {kPi, -kPi},           {-kPi, -kPi},          {3 * kPi, -kPi}, {-3 * kPi, -kPi},
        {below, below}, {-below, -below},      {-1e-9, -1e-9},        {1e-9, 1e-9},
        // Across the seam a misclosure stays small.
        {2 * kPi - 0.25, -0.25}, {0.25 - 2 * kPi, 0.25}, {5 * 2 * kPi + 0.5, 0.5},
    };
    for (const Case& c : cases) {
        const double r = wrapPi(c.in);
        EXPECT_NEAR(r, c.out, 1e-14) << c.in;
        EXPECT_GE(r, -kPi) << c.in;
        EXPECT_LT(r, kPi) << c.in;
    }
    // Exact: a small difference keeps every bit, which a detour over [0, 2π) would lose.
    EXPECT_EQ(wrapPi(-1e-7), -1e-7);
    EXPECT_EQ(wrapPi(below), below);
    EXPECT_TRUE(std::isnan(wrapPi(INFINITY)));
    EXPECT_TRUE(std::isnan(wrapPi(NAN)));
}

TEST(Angles, JoinPointsQuadrantsAndDegenerateCases) {
    struct Case {
        double dx, dy, dist, az;
    } cases[] = {
        {0, 0, 0, 0},          {-1, 0, 1, 180},   {0, -1, 1, 270},  {0, 1, 1, 90},        {1, 0, 1, 0},
        {1, 1, std::sqrt(2.0), 45},  {-1, 1, std::sqrt(2.0), 135}, {-1, -1, std::sqrt(2.0), 225},
        {1, -1, std::sqrt(2.0), 315}, {3, 4, 5, std::atan2(4.0, 3.0) * 180 / kPi},
    };
    for (const Case& c : cases) {
        PolarVector v = joinPoints(c.dx, c.dy);
        EXPECT_NEAR(v.distance, c.dist, 1e-12) << c.dx << "," << c.dy;
        EXPECT_NEAR(v.azimuth, c.az, 1e-12) << c.dx << "," << c.dy;
    }
}

TEST(Angles, PolarOffsetInvertsJoinPointsAndTurnsNegativeDistances) {
    PlanePoint d = polarOffset(10, 30);
    EXPECT_NEAR(d.x, 10 * std::sqrt(3.0) / 2, 1e-12);
    EXPECT_NEAR(d.y, 5, 1e-12);
    PlanePoint back = polarOffset(-10, 30);
    EXPECT_NEAR(back.x, -d.x, 1e-12);
    EXPECT_NEAR(back.y, -d.y, 1e-12);
    for (double az = 0.5; az < 360; az += 17.25) {
        PlanePoint p = polarOffset(123.456, az);
        PolarVector v = joinPoints(p.x, p.y);
        EXPECT_NEAR(v.distance, 123.456, 1e-9);
        EXPECT_NEAR(v.azimuth, az, 1e-9);
    }
}

TEST(Angles, PackedDmsConversions) {
    struct Case {
        double dms, degrees;
    } cases[] = {
        {30.3, 30.5},
        {123.4530, 123 + 45 / 60.0 + 30 / 3600.0},
        {10.30155, 10 + 30 / 60.0 + 15.5 / 3600.0},
        {0.0001, 1 / 3600.0},
        {-90, 270},  // brought into [0, 360) first
    };
    for (const Case& c : cases) EXPECT_NEAR(dmsToDegrees(c.dms), c.degrees, 1e-7) << c.dms;

    // The 1e-8 degree nudge against representation error shows as a few 1e-9 here.
    EXPECT_NEAR(degreesToDms(30.5), 30.3, 1e-8);
    EXPECT_NEAR(degreesToDms(123 + 45 / 60.0 + 30 / 3600.0), 123.4530, 1e-8);
    EXPECT_NEAR(degreesToDms(29.99999998), 30.0, 1e-12);
    for (double dms : {12.3456, 0.5959, 359.5959, 45.0}) {
        EXPECT_NEAR(degreesToDms(dmsToDegrees(dms)), dms, 3e-8) << dms;
    }
}

TEST(Angles, WholeDegreesAndMinutesRollOver) {
    struct Case {
        double deg;
        int d, m;
    } cases[] = {
        {30.5, 30, 30},       {29.99999998, 30, 0}, {359.99999999, 0, 0}, {-90, 270, 0},
        {12.25, 12, 15},      {0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wholeDegrees(c.deg), c.d) << c.deg;
        EXPECT_EQ(wholeMinutes(c.deg), c.m) << c.deg;
    }
    EXPECT_NEAR(displaySeconds(29.99999998), 0, 1e-9);
}

TEST(Angles, FormatDmsZeroFillsAndNeverShowsSixtySeconds) {
    struct Case {
        double deg;
        const char* text;
    } cases[] = {
        {5.5, "  5°30′00.0″"},
        {123.4, "123°24′00.0″"},
        {-90, "270°00′00.0″"},
        {29.99999998, " 30°00′00.0″"},
        {5.3 / 3600, "  0°00′05.3″"},
        {45 + 7 / 60.0 + 12.24 / 3600, " 45°07′12.2″"},
        // 59.97 seconds would round to "60.0": carried into the minute and degree.
        {12 + 34 / 60.0 + 59.97 / 3600, " 12°35′00.0″"},
        {359 + 59 / 60.0 + 59.96 / 3600, "  0°00′00.0″"},
        // Seconds that round up to two digits, and ones that round to zero.
        {100 + 5 / 60.0 + 9.96 / 3600, "100°05′10.0″"},
        {7 + 0.04 / 3600, "  7°00′00.0″"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatDms(c.deg), c.text) << c.deg;
    EXPECT_EQ(formatDms(kNoValue), "");
    EXPECT_EQ(formatDms(std::nan("")), "");
    EXPECT_EQ(wholeDegrees(std::nan("")), 0);
}

TEST(Angles, ClockwiseSweep) {
    struct Case {
        double from, to, test;
        bool in;
    } cases[] = {
        {350, 10, 0, true},  {350, 10, 20, false}, {350, 10, 10, true},  {10, 350, 180, true},
        {30, 60, 30, false},  // the start itself counts as a full turn
        {30, 30, 30, true},   {30, 60, 390, false}, {30, 60, 405, true},
    };
    for (const Case& c : cases) EXPECT_EQ(inClockwiseSweep(c.from, c.to, c.test), c.in) << c.from << " " << c.to << " " << c.test;
}

TEST(Angles, SignedSweep) {
    struct Case {
        double from, sweep, test;
        bool in;
    } cases[] = {
        {10, 30, 40, true},   {10, 30, 41, false}, {10, 30, 10, true},  {10, -30, 0, true},
        {10, -30, 340, true}, {10, -30, 339, false}, {10, -30, 20, false}, {350, 20, 5, true},
    };
    for (const Case& c : cases) EXPECT_EQ(inSignedSweep(c.from, c.sweep, c.test), c.in) << c.from << " " << c.sweep << " " << c.test;
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

// A range of directions answers as the azimuth does wherever it is sure, also
// just inside and outside its ends, and is unsure only within its margin.
TEST(Angles, DirectionRangeAgreesWithTheAzimuth) {
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> angle(-720, 720), unit(0, 1);
    int sure = 0, unsure = 0;
    for (double span : {0.0, 0.5, 90.0, 179.9, 180.1, 270.0, 359.0}) {
        for (int i = 0; i < 4000; ++i) {
            const double from = angle(rng);
            const DirectionRange range(from, span);
            // Every fourth direction within a millionth of a degree of an end.
            double dir = angle(rng);
            if (i % 4 == 0) dir = (i % 8 ? from : from + span) + (unit(rng) - 0.5) * 2e-6;
            const double length = std::pow(10.0, 6 * unit(rng) - 2);
            const PlanePoint d = polarOffset(length, dir);
            const int got = range.classify(d.x, d.y, 1e-9);
            if (got == DirectionRange::kUnsure) {
                ++unsure;
                continue;
            }
            ++sure;
            const bool inside = normalizeAngle(joinPoints(d.x, d.y).azimuth - from) <= span;
            ASSERT_EQ(got == DirectionRange::kInside, inside) << from << " " << span << " " << dir;
        }
    }
    EXPECT_GT(sure, 20000);
    EXPECT_LT(unsure, 1000);  // about a twentieth of those near an end
    // About half a turn or a whole turn, and no number: always unsure.
    EXPECT_EQ(DirectionRange(10, 180).classify(1, 0, 1e-9), DirectionRange::kUnsure);
    EXPECT_EQ(DirectionRange(10, 359.995).classify(1, 0, 1e-9), DirectionRange::kUnsure);
    EXPECT_EQ(DirectionRange(std::nan(""), 90).classify(1, 0, 1e-9), DirectionRange::kUnsure);
    EXPECT_EQ(DirectionRange(0, 90).classify(0, 0, 1e-9), DirectionRange::kUnsure);
}

}  // namespace
}  // namespace vornex
