#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "exchange/csv_points.h"
#include "geometry/alignment.h"
#include "geometry/intersection_alignment.h"
#include "geometry/stations.h"
#include "text/text.h"

namespace vornex {
namespace {

using exchange::ImportOptions;
using exchange::ImportResult;
using exchange::readPointsCsv;

// The road the table stands for, typed in directly.
Road expectedRoad() {
    Road road;
    struct P {
        const char* name;
        double x, y, r, ls1, ls2;
    };
    const P points[] = {{"QD", 3400000, 500000, 0, 0, 0},
                        {"JD1", 3400500, 500300, 800, 150, 150},
                        {"JD2", 3400900, 500200, 600, 100, 120},
                        {"ZD", 3401500, 500600, 0, 0, 0}};
    for (const P& p : points) {
        IntersectionPoint ip;
        ip.name = p.name;
        ip.x = p.x;
        ip.y = p.y;
        ip.radius = p.r;
        ip.spiralIn = p.ls1;
        ip.spiralOut = p.ls2;
        road.intersectionPoints.push_back(ip);
    }
    buildElementsFromIntersectionPoints(road, 0, 0.0001);
    return road;
}

TEST(PointsCsv, ChineseAndEnglishTablesGiveTheSameRoad) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"GBK, Chinese header with units, commas, empty cells",
         text::utf8ToGbk("交点名,X(m),Y(m),圆半径,前缓长度,后缓长度\r\nQD,3400000,500000,,,\r\n"
                         "JD1,3400500,500300,800,150,150\r\nJD2,3400900,500200,600,100,120\r\nZD,3401500,500600,,,\r\n")},
        {"UTF-8 with byte-order mark, English header in another order, tabs",
         "\xEF\xBB\xBFname\tLs2\tR\tX\tY\tLs1\nQD\t\t\t3400000\t500000\t\nJD1\t150\t800\t3400500\t500300\t150\n"
         "JD2\t120\t600\t3400900\t500200\t100\n\nZD\t0\t0\t3401500\t500600\t0\n"},
        {"quoted fields, semicolons",
         "\"name\";\"X\";\"Y\";\"R\";\"Ls1\";\"Ls2\"\n\"QD\";3400000;500000;0;0;0\n\"JD1\";3400500;500300;800;150;150\n"
         "\"JD2\";\"3400900\";500200;600;100;120\n\"ZD\";3401500;500600;0;0;0\n"},
    };
    const Road expected = expectedRoad();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportOptions options;
        options.roadName = "测试线";
        ImportResult r = readPointsCsv(c.bytes, options);
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.curveForm, 0);
        EXPECT_EQ(r.road.name.utf8(), "测试线");
        EXPECT_EQ(r.road.intersectionPoints, expected.intersectionPoints);
        EXPECT_EQ(r.road.elements, expected.elements);
        EXPECT_TRUE(r.notes.empty());
    }
}

TEST(PointsCsv, QuotedNamesKeepSeparatorsQuotesAndLineNumbersStayTrue) {
    // A quoted name holds the separator, a doubled quote and a line break; the
    // error of a later row still names its own line.
    ImportResult r = readPointsCsv("name,X,Y\n\"QD, \"\"北\"\"\",0,0\n\"JD\n1\",100,0\nZD,200,50\n", {});
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    ASSERT_EQ(r.road.intersectionPoints.size(), 3u);
    EXPECT_EQ(r.road.intersectionPoints[0].name.utf8(), "QD, \"北\"");
    // A name loses its control characters (the line break), and the note says so.
    EXPECT_EQ(r.road.intersectionPoints[1].name.utf8(), "JD1");
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("JD\\x0a1"), std::string::npos) << r.notes[0];
    r = readPointsCsv("name,X,Y\n\"JD\n1\",100,0\nZD,2OO,50\n", {});
    EXPECT_NE(r.error.find("第4行"), std::string::npos) << r.error;
}

TEST(PointsCsv, TheCurveTableComputesAndTheRoadEndsAtItsLastPoint) {
    ImportResult r = readPointsCsv("name,X,Y,R,Ls1,Ls2\nA,0,0,,,\nB,1000,0,500,100,100\nC,1000,1000,,,\n", {});
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    // A right angle with R = 500 and Ls = 100: the elements are spiral, arc, spiral
    // between two straights.
    ASSERT_EQ(r.road.elements.size(), 5u);
    EXPECT_EQ(r.road.elements[0].name.str(), "QD");
    EXPECT_EQ(r.road.elements[1].name.str(), "ZH");
    EXPECT_EQ(r.road.elements[3].name.str(), "YH");
    std::vector<IntersectionPointCurve> table = curveTable(r.road, 0.0001);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_NEAR(table[1].curve.deflection, 90, 1e-9);
    // Spiral parameter A = √(R·Ls) for a full spiral.
    EXPECT_NEAR(table[1].curve.spiral1Parameter, std::sqrt(500.0 * 100.0), 1e-6);
    AlignmentPoint end;
    pointAtStation(r.road, alignmentEnd(r.road), 0.0001, 0, 90, end);
    EXPECT_NEAR(end.x, 1000, 1e-4);
    EXPECT_NEAR(end.y, 1000, 1e-4);
}

TEST(PointsCsv, EndPointsCarryNoCurve) {
    ImportResult r = readPointsCsv("name,X,Y,R\nA,0,0,300\nB,1000,0,500\nC,1000,1000,\n", {});
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    EXPECT_EQ(r.road.intersectionPoints.front().radius, 0);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("A"), std::string::npos);
}

TEST(PointsCsv, RefusesTablesItCannotRead) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* error;
    };
    const Case cases[] = {
        {"empty", "", "空"},
        {"no header row", "QD,0,0\nJD1,100,100\n", "表头"},
        {"header without Y", "name,X,R\nA,0,0\nB,1,1\n", "表头"},
        {"a coordinate that is not a number", "name,X,Y\nA,0,0\nB,1O0,5\n", "第3行"},
        {"an absurd coordinate", "name,X,Y\nA,0,0\nB,1e30,5\n", "第3行"},
        {"a leg longer than any element (the limit of LandXML)", "name,X,Y\nA,-999999999,0\nB,999999999,0\n", "第3行"},
        {"a hostile value, cut and escaped", "name,X,Y\nA,0,0\nB,\x1b]0;x\x07" + std::string(5000, '7') + "z,5\n",
         "\\x1b]0;x\\x07777"},
        {"a negative spiral length", "name,X,Y,R,Ls1\nA,0,0,,\nB,100,0,300,-5\nC,100,100,,\n", "第3行"},
        {"an open quote", "name,X,Y\n\"A,0,0\nB,1,1\n", "引号"},
        {"a quote inside an unquoted field", "name,X,Y\nA,0,0\nB,1\"0,5\nC,9,9\n", "第3行"},
        {"one point", "name,X,Y\nA,0,0\n", "两个"},
        {"binary", std::string("name,X,Y\n\0\0\0", 12), "零字节"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportResult r = readPointsCsv(c.bytes, {});
        EXPECT_EQ(r.status, exchange::kExchangeBadFile);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_LT(r.error.size(), 300u);
        EXPECT_TRUE(r.road.intersectionPoints.empty());
    }
}

}  // namespace
}  // namespace vornex
