#include "geodesy/point_conversion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/dms_text.h"

namespace vornex::geodesy {
namespace {

TEST(DmsText, ReadsPackedAndSignedForms) {
    struct Case {
        const char* text;
        bool ok;
        double degrees;
    } cases[] = {
        {"30.301512345", true, 30 + 30 / 60.0 + 15.12345 / 3600},
        {"30.3", true, 30.5},                       // 30°30′
        {"114", true, 114},
        {"-1.5", true, -(1 + 50 / 60.0)},
        {"30°30′15.12″", true, 30 + 30 / 60.0 + 15.12 / 3600},
        {"30° 30' 15.12\"", true, 30 + 30 / 60.0 + 15.12 / 3600},
        {"30度30分", true, 30.5},
        {"114°", true, 114},
        {"30.6015", false, 0},                      // 60 minutes
        {"30.3060", false, 0},                      // 60 seconds
        {"30°75′", false, 0},
        {"abc", false, 0},
        {"", false, 0},
        {"30.30.15", false, 0},
        {"1e5", false, 0},
    };
    for (const Case& c : cases) {
        double d = -999;
        EXPECT_EQ(parseDmsText(c.text, d), c.ok) << c.text;
        if (c.ok) {
            EXPECT_NEAR(d, c.degrees, 1e-12) << c.text;
        }
    }
}

TEST(DmsText, WritesPackedWithCarry) {
    EXPECT_EQ(formatDmsText(30 + 30 / 60.0 + 15.12345 / 3600), "30.301512345");
    EXPECT_EQ(formatDmsText(30.5), "30.300000000");
    EXPECT_EQ(formatDmsText(-(1 + 2 / 60.0 + 3.5 / 3600)), "-1.020350000");
    EXPECT_EQ(formatDmsText(29.99999999999), "30.000000000");  // 59′59.99999″ rounds up into the degree
    EXPECT_EQ(formatDmsText(-1e-12), "0.000000000");
    EXPECT_EQ(formatDmsText(12.25, 1), "12.15000");
    // What is written reads back to within half a unit of its last place.
    for (double d : {0.0001, 23.456789, 117.123456789, 359.9999}) {
        double back = 0;
        ASSERT_TRUE(parseDmsText(formatDmsText(d), back));
        EXPECT_NEAR(back, d, 0.5e-5 / 3600);
    }
}

TEST(PointLines, FieldsSeparatorsAndRefusals) {
    PointLine p;
    std::string why;
    EXPECT_EQ(readPointLine("  \r", true, p, why), LineRead::Blank);
    ASSERT_EQ(readPointLine("\xEF\xBB\xBFK1,30.3,114.2,12.5\r", true, p, why), LineRead::Point);
    EXPECT_EQ(p.name, "K1");
    EXPECT_NEAR(p.first, 30.5, 1e-12);
    EXPECT_NEAR(p.second, 114 + 20 / 60.0, 1e-12);
    EXPECT_TRUE(p.hasHeight);
    EXPECT_EQ(p.height, 12.5);
    ASSERT_EQ(readPointLine("导1\t30° 30′\t114° 20′", true, p, why), LineRead::Point);
    EXPECT_EQ(p.name, "导1");
    EXPECT_FALSE(p.hasHeight);
    ASSERT_EQ(readPointLine("P2   3380330.773  38500000.5", false, p, why), LineRead::Point);
    EXPECT_EQ(p.second, 38500000.5);
    ASSERT_EQ(readPointLine("P3，3380330.773，500000", false, p, why), LineRead::Point);
    for (const char* bad : {"P4,30.3", "P5,1,2,3,4", ",30.3,114.2", "P6,x,114.2", "P7,30.3,114.2,high", "点名,B,L,H"}) {
        why.clear();
        EXPECT_EQ(readPointLine(bad, true, p, why), LineRead::Unreadable) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    EXPECT_EQ(readPointLine("P8,3380330.773,nan", false, p, why), LineRead::Unreadable);
}

TEST(PointConversion, ConvertsGoodLinesAndNamesTheBadOnes) {
    ConversionSetup s;
    s.fromGeographic = true;
    ASSERT_TRUE(setZone(s.from, 38, 3));
    const auto out = convertPointText("A,30.3,114.2\n\nB,95,114\nC,30.3,124\nD,30\nE,30.3,113.4\n", s);
    ASSERT_EQ(out.points.size(), 2u);
    EXPECT_EQ(out.points[0].name, "A");
    EXPECT_EQ(out.points[1].name, "E");
    ASSERT_EQ(out.problems.size(), 3u);
    EXPECT_EQ(out.problems[0].rfind("第 3 行：B：纬度", 0), 0u) << out.problems[0];
    EXPECT_NE(out.problems[1].find("第 4 行：C：点离中央子午线超过 6°"), std::string::npos) << out.problems[1];
    EXPECT_EQ(out.problems[2].rfind("第 5 行：", 0), 0u) << out.problems[2];

    // And back, and on into the next zone.
    ConversionSetup back;
    back.fromGeographic = false;
    back.from = s.from;
    const auto geo = convertPointText("A," + std::to_string(out.points[0].first) + "," + std::to_string(out.points[0].second), back);
    ASSERT_EQ(geo.points.size(), 1u);
    EXPECT_NEAR(geo.points[0].first, 30.5, 1e-8);
    EXPECT_NEAR(geo.points[0].second, 114 + 20 / 60.0, 1e-8);
    back.zoneChange = true;
    ASSERT_TRUE(setZone(back.to, 39, 3));
    EXPECT_EQ(checkSetup(back), "");
    EXPECT_EQ(convertPointText("A,3380000,480000", back).points.size(), 1u);
    back.to.ellipsoid = Ellipsoid::Xian80;
    EXPECT_NE(checkSetup(back), "");  // no datum change hides in a zone change
}

}  // namespace
}  // namespace vornex::geodesy
