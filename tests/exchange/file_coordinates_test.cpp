// Coordinate systems named by exchange files, and control points read from
// latitude and longitude onto the project's grid.
#include <gtest/gtest.h>

#include <string>

#include "exchange/exchange.h"
#include "exchange/geographic_points.h"
#include "exchange/landxml.h"
#include "independent_road.h"
#include "text/text.h"

namespace vornex::exchange {
namespace {

using geodesy::CoordinateSystem;
using geodesy::Ellipsoid;

struct Expected {
    Ellipsoid ellipsoid;
    int zone;  // 0: a meridian of its own
    int width;
    bool prefix;
    double centralMeridian;
    double centralScale = 1.0;
    double falseNorthing = 0.0;
};

// The EPSG registry's numbering and names, zone by zone; the central meridian
// of zone n is 3n (3° zones) or 6n − 3 (6° zones), of UTM zone n 6n − 183.
TEST(KnownCoordinateSystem, ByEpsgCodeOrByName) {
    struct Case {
        const char* epsg;
        const char* name;
        const char* datum;
        std::optional<Expected> expected;
    };
    const Case cases[] = {
        {"4548", "", "", Expected{Ellipsoid::Cgcs2000, 39, 3, false, 117}},   // 3-degree GK CM 117E
        {"4527", "", "", Expected{Ellipsoid::Cgcs2000, 39, 3, true, 117}},    // 3-degree GK zone 39
        {"4491", "", "", Expected{Ellipsoid::Cgcs2000, 13, 6, true, 75}},     // GK zone 13
        {"4512", "", "", Expected{Ellipsoid::Cgcs2000, 23, 6, false, 135}},   // GK CM 135E
        {"2383", "", "", Expected{Ellipsoid::Xian80, 38, 3, false, 114}},     // Xian 1980 3-degree CM 114E
        {"2360", "", "", Expected{Ellipsoid::Xian80, 36, 3, true, 108}},      // Xian 1980 3-degree zone 36
        {"21417", "", "", Expected{Ellipsoid::Beijing54, 17, 6, true, 99}},   // Beijing 1954 GK zone 17
        {"21480", "", "", Expected{Ellipsoid::Beijing54, 20, 6, false, 117}}, // Beijing 1954 GK CM 117E
        {"2421", "", "", Expected{Ellipsoid::Beijing54, 45, 3, true, 135}},   // Beijing 1954 3-degree zone 45
        {"EPSG:32650", "", "", Expected{Ellipsoid::Wgs84, 0, 3, false, 117, 0.9996}},
        {"32750", "", "", Expected{Ellipsoid::Wgs84, 0, 3, false, 117, 0.9996, 10000000}},
        // An EPSG code wins over the name.
        {"4548", "Xian 1980 / Gauss-Kruger zone 19", "", Expected{Ellipsoid::Cgcs2000, 39, 3, false, 117}},
        // Without a code the program knows, the name.
        {"", "Xian 1980 / 3-degree Gauss-Kruger zone 38", "", Expected{Ellipsoid::Xian80, 38, 3, true, 114}},
        {"3857", "Beijing 1954 / Gauss-Kruger CM 117E", "", Expected{Ellipsoid::Beijing54, 20, 6, false, 117}},
        {"", "WGS 84 / UTM zone 50N", "", Expected{Ellipsoid::Wgs84, 0, 3, false, 117, 0.9996}},
        {"", "Gauss-Kruger CM 114E", "CGCS2000", Expected{Ellipsoid::Cgcs2000, 0, 3, false, 114}},  // no 6° zone's meridian
        {"", "xi'an_1980 3度带 高斯 zone 38", "", Expected{Ellipsoid::Xian80, 38, 3, true, 114}},
        // Nothing the program can take.
        {"3857", "WGS 84 / Pseudo-Mercator", "", std::nullopt},
        {"", "Gauss-Kruger zone 38", "", std::nullopt},               // no datum
        {"", "CGCS2000 / Lambert Conformal Conic", "", std::nullopt},
        {"", "CGCS2000 / 3-degree Gauss-Kruger zone 130", "", std::nullopt},  // no such zone
        {"", "WGS 84 / UTM zone 61N", "", std::nullopt},
        {"45480000000", "", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.epsg) + " | " + c.name);
        FileCoordinateSystem f;
        f.epsgCode = c.epsg;
        f.name = c.name;
        f.datum = c.datum;
        CoordinateSystem s;
        s.centralMeridian = -1;
        const bool known = knownCoordinateSystem(f, s);
        ASSERT_EQ(known, c.expected.has_value());
        if (!known) {
            EXPECT_EQ(s.centralMeridian, -1);  // left alone
            continue;
        }
        const Expected& e = *c.expected;
        EXPECT_EQ(s.ellipsoid, e.ellipsoid);
        EXPECT_EQ(s.zone, e.zone);
        if (e.zone != 0) {
            EXPECT_EQ(s.zoneWidth, e.width);
        }
        EXPECT_EQ(s.zonePrefix, e.prefix);
        EXPECT_EQ(s.centralMeridian, e.centralMeridian);
        EXPECT_EQ(s.falseEasting, 500000);
        EXPECT_EQ(s.centralScale, e.centralScale);
        EXPECT_EQ(s.falseNorthing, e.falseNorthing);
        EXPECT_EQ(s.projectionHeight, 0);
    }
}

TEST(KnownCoordinateSystem, TheImportNoteNamesIt) {
    const testing::IndependentRoad road{{0, 0, 0}, 0, {{1000, 0, 0}}};
    const std::string xml = testing::landXml(testing::alignment("A", road),
                                             "<CoordinateSystem name=\"CGCS2000 / 3-degree Gauss-Kruger zone 39\" "
                                             "epsgCode=\"4527\"/>\n");
    const ImportResult r = readLandXml(xml, {}, nullptr);
    ASSERT_EQ(r.status, kExchangeOk) << r.error;
    bool named = false;
    for (const std::string& n : r.notes) named = named || n.find("CGCS2000，3°带第39带（中央子午线 117°）") != std::string::npos;
    EXPECT_TRUE(named);
}

// Beijing 54, the 6° zone 19 with its number in front of y.
CoordinateSystem zone19() {
    CoordinateSystem s;
    s.ellipsoid = Ellipsoid::Beijing54;
    EXPECT_TRUE(geodesy::setZone(s, 19, 6));
    s.zonePrefix = true;
    return s;
}

TEST(GeographicControlPoints, ProjectedOntoTheGridWithBadLinesNamed) {
    // The textbook exercise B = 30°30′, L = 114°20′ gives x = 3 380 330.773 m;
    // a point on the central meridian (111°) has y = 19 500 000 m exactly.
    const std::string file = "\xEF\xBB\xBF" "K1,30.3,114.2,1520.5\r\n"
                             "\r\n"
                             "K2\t30°30′00″\t111°00′00″\t12\n"
                             "K3,95.0,114.2,1\n"          // latitude out of range
                             "K4,30.3\n"                  // too few fields
                             "K5,30.3,125.0,1\n"          // 14° from the meridian
                             "K6,30.3,114.2\n"            // no height
                             "一二三四五六七,30.3,114.2,2";  // longer than 12 GBK bytes
    const GeographicImport r = readGeographicControlPoints(file, zone19());
    ASSERT_EQ(r.points.size(), 4u);
    EXPECT_EQ(r.points[0].name.utf8(), "K1");
    EXPECT_NEAR(r.points[0].x, 3380330.773, 0.001);
    EXPECT_GT(r.points[0].y, 19500000);
    EXPECT_EQ(r.points[0].h, 1520.5);
    EXPECT_NEAR(r.points[1].y, 19500000, 1e-6);
    EXPECT_EQ(r.points[1].h, 12);
    EXPECT_EQ(r.points[2].h, 0);
    EXPECT_EQ(r.points[3].name.utf8(), "一二三四五六");
    ASSERT_EQ(r.problems.size(), 3u);
    EXPECT_EQ(r.problems[0].rfind("第 4 行：K3：纬度超出", 0), 0u) << r.problems[0];
    EXPECT_EQ(r.problems[1].rfind("第 5 行：", 0), 0u) << r.problems[1];
    EXPECT_EQ(r.problems[2].rfind("第 6 行：K5：", 0), 0u) << r.problems[2];
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_NE(r.notes[0].find("第 7 行"), std::string::npos);
    EXPECT_NE(r.notes[1].find("超过 12 字节"), std::string::npos) << r.notes[1];

    // The same list saved as GBK reads alike.
    const GeographicImport gbk = readGeographicControlPoints(text::utf8ToGbk("点1,30.3,114.2,3\n"), zone19());
    ASSERT_EQ(gbk.points.size(), 1u);
    EXPECT_EQ(gbk.points[0].name.utf8(), "点1");

    // A wrong file (grid coordinates, 50,000 lines of them) is told in ten lines
    // and a count, not in a line each.
    std::string grid;
    for (int i = 0; i < 50000; ++i) grid += "P" + std::to_string(i) + ",3400000.5,500000.5,10\n";
    const GeographicImport wrong = readGeographicControlPoints(grid, zone19());
    EXPECT_TRUE(wrong.points.empty());
    ASSERT_EQ(wrong.problems.size(), 11u);
    EXPECT_NE(wrong.problems.back().find("49990"), std::string::npos) << wrong.problems.back();

    // Of points past the project's 20, the message names the first 20 only.
    RoadProject project;
    std::vector<ControlPoint> many(5000);
    for (std::size_t i = 0; i < many.size(); ++i) many[i].name = Name12(("G" + std::to_string(i)).c_str());
    const std::string left = addControlPoints(project, many);
    EXPECT_EQ(project.controlPoints.size(), 20u);
    EXPECT_NE(left.find("以下 4980 个未导入：G20、G21"), std::string::npos) << left;
    EXPECT_LT(left.size(), 400u);
}

}  // namespace
}  // namespace vornex::exchange
