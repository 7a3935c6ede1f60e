#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "exchange/exchange.h"
#include "exchange/landxml.h"
#include "geometry/alignment.h"
#include "geometry/profile.h"
#include "geometry/stations.h"
#include "independent_road.h"
#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using exchange::ImportOptions;
using exchange::ImportResult;
using exchange::readLandXml;
using testing::IndependentRoad;
using testing::Piece;
using testing::Pose;

ImportResult import(const std::string& xml, const ImportOptions& options = {}) {
    return readLandXml(xml, options, nullptr);
}

std::string joined(const std::vector<std::string>& notes) {
    std::string out;
    for (const std::string& n : notes) out += n + "\n";
    return out;
}

bool mentions(const std::vector<std::string>& notes, const std::string& text) {
    return joined(notes).find(text) != std::string::npos;
}

// Every 10 m (and at the end) the imported road lies within 0.1 mm of the
// independent one.
void expectSameRoad(const Road& road, const IndependentRoad& expected) {
    ASSERT_FALSE(road.elements.empty());
    EXPECT_NEAR(alignmentStart(road), expected.startStation, 1e-9);
    EXPECT_NEAR(alignmentEnd(road), expected.endStation(), 1e-6);
    for (double s = expected.startStation;; s += 10) {
        if (s > expected.endStation()) s = expected.endStation();
        AlignmentPoint p;
        ASSERT_EQ(pointAtStation(road, s, 0.0001, 0, 90, p), 1);
        const Pose q = expected.at(s);
        EXPECT_NEAR(p.x, q.x, 1e-4) << "station " << s;
        EXPECT_NEAR(p.y, q.y, 1e-4) << "station " << s;
        if (s == expected.endStation()) break;
    }
}

struct GeometryCase {
    const char* what;
    IndependentRoad road;
};

// Hand-made alignments of every element kind; the file carries coordinates
// computed independently of the geometry layer.
TEST(LandXmlImport, ElementsMatchIndependentCoordinates) {
    const GeometryCase cases[] = {
        {"line-curve-line", {{1000, 2000, 0}, 500, {{100, 0, 0}, {100 * M_PI, 200, 200}, {50, 0, 0}}}},
        {"spiral-curve-spiral",
         {{3400000, 500000, 30}, 0, {{80, 0, 0}, {60, 0, 300}, {100, 300, 300}, {60, 300, 0}, {80, 0, 0}}}},
        {"left spiral-curve-spiral",
         {{3400000, 500000, 350}, 0, {{50, 0, 0}, {40, 0, -150}, {30, -150, -150}, {40, -150, 0}, {50, 0, 0}}}},
        {"egg-shaped spiral between arcs",
         {{100, 100, 90}, 1000, {{50, 0, 0}, {40, 0, 400}, {80, 400, 400}, {60, 400, 200}, {70, 200, 200}, {30, 200, 0}}}},
        {"spiral into spiral (no arc)", {{0, 0, 45}, 0, {{30, 0, 0}, {70, 0, 250}, {70, 250, 0}, {30, 0, 0}}}},
        {"reverse curve through zero curvature", {{0, 0, 120}, 0, {{60, 0, -200}, {60, -200, 0}, {60, 0, 180}, {40, 180, 180}}}},
        {"Gauss-Krüger zone prefix", {{3456789.1234, 39567890.5678, 271.5}, 23456.789, {{250, 0, 0}, {120, -600, -600}, {10, 0, 0}}}},
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.what);
        ImportResult r = import(testing::landXml(testing::alignment("A1", c.road)));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.curveForm, 1);
        EXPECT_EQ(r.road.elements.size(), c.road.pieces.size());
        EXPECT_TRUE(r.notes.empty()) << joined(r.notes);
        expectSameRoad(r.road, c.road);
    }
}

TEST(LandXmlImport, KeepsEveryDigitOfLargeCoordinates) {
    IndependentRoad road{{3456789.123456789, 39567890.987654321, 10}, 0, {{100, 0, 0}}};
    ImportResult r = import(testing::landXml(testing::alignment("GK", road)));
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    EXPECT_EQ(r.road.elements[0].x, 3456789.123457);  // the file's six decimals, unrounded further
    EXPECT_EQ(r.road.elements[0].y, 39567890.987654);
}

TEST(LandXmlImport, StationEquationsBecomeChainBreaks) {
    IndependentRoad road{{0, 0, 0}, 1000, {{500, 0, 0}}};
    // A short chain at internal 1100 (1100 -> 1150), then a long chain at
    // internal 1300 (design 1350 -> 1320).
    const std::string equations =
        "<StaEquation staBack=\"1350\" staAhead=\"1320\" staInternal=\"1300\"/>\n"
        "<StaEquation staBack=\"1100\" staAhead=\"1150\" staInternal=\"1100\"/>\n";
    ImportResult r = import(testing::landXml(testing::alignment("Q", road, equations)));
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    ASSERT_EQ(r.road.chainBreaks.size(), 2u);
    EXPECT_EQ(r.road.chainBreaks[0], (ChainBreak{1100, 1150}));
    EXPECT_EQ(r.road.chainBreaks[1], (ChainBreak{1350, 1320}));
    EXPECT_TRUE(r.notes.empty()) << joined(r.notes);
    EXPECT_EQ(formatStation(r.road, 1050, true), "  K1+050.000");
    EXPECT_EQ(formatStation(r.road, 1120, true), "  K1+170.000");
    EXPECT_EQ(formatStation(r.road, 1310, true), " +K1+330.000");
    EXPECT_NEAR(toContinuousChainage(r.road, "+1330"), 1310, 1e-9);

    // An internal station that does not follow from the equations before it is told.
    const std::string wrong = "<StaEquation staBack=\"1100\" staAhead=\"1150\" staInternal=\"1090\"/>\n";
    ImportResult w = import(testing::landXml(testing::alignment("Q", road, wrong)));
    ASSERT_EQ(w.status, exchange::kExchangeOk) << w.error;
    EXPECT_TRUE(mentions(w.notes, "staInternal")) << joined(w.notes);
}

std::string profile(const std::string& body) {
    return "<Profile name=\"P\"><ProfAlign name=\"design\">\n" + body + "</ProfAlign></Profile>\n";
}

TEST(LandXmlImport, ProfilesChooseTheCalculationMethod) {
    IndependentRoad road{{0, 0, 0}, 0, {{1000, 0, 0}}};
    // Grades +2 % then −1 %: ω = −0.03.
    {
        SCOPED_TRACE("parabolas: 传统算法, R = L/|ω|");
        ImportResult r = import(testing::landXml(testing::alignment(
            "P", road, profile("<PVI>0 100</PVI><ParaCurve length=\"300\">500 110</ParaCurve><PVI>1000 105</PVI>"))));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.calcMethod, kTraditionalMethod);
        ASSERT_EQ(r.road.gradePoints.size(), 3u);
        EXPECT_NEAR(r.road.gradePoints[1].verticalRadius, 10000, 1e-6);
        // At the grade point the parabola lies T²/(2R) = 1.125 below the tangents.
        EXPECT_NEAR(designElevation(r.road, 500).elevation, 110 - 1.125, 1e-9);
        // 100 m into the curve: y = x²/(2R) = 0.5 below the back tangent.
        EXPECT_NEAR(designElevation(r.road, 450).elevation, 110 - 50 * 0.02 - 0.5, 1e-9);
    }
    {
        SCOPED_TRACE("circles: 精确算法 with their radius");
        ImportResult r = import(testing::landXml(testing::alignment(
            "P", road, profile("<PVI>0 100</PVI><CircCurve radius=\"10000\" length=\"300\">500 110</CircCurve><PVI>1000 105</PVI>"))));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.calcMethod, kExactMethod);
        EXPECT_EQ(r.road.gradePoints[1].verticalRadius, 10000);
        // The circle of radius R below both grade lines and tangent to them: its
        // centre (500 + ds, 110 + dh) lies R from each line.
        const double R = 10000, n1 = std::sqrt(1 + 0.02 * 0.02), n2 = std::sqrt(1 + 0.01 * 0.01);
        const double ds = R * (n1 - n2) / 0.03, dh = -R * n2 - 0.01 * ds;
        EXPECT_NEAR(designElevation(r.road, 500).elevation, 110 + dh + std::sqrt(R * R - ds * ds), 1e-6);
    }
    {
        SCOPED_TRACE("mixed: 传统算法, each circle reported by station");
        ImportResult r = import(testing::landXml(testing::alignment(
            "P", road,
            profile("<PVI>0 100</PVI><ParaCurve length=\"300\">400 108</ParaCurve>"
                    "<CircCurve radius=\"8000\">700 105</CircCurve><PVI>1000 112</PVI>"))));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.calcMethod, kTraditionalMethod);
        EXPECT_EQ(r.road.gradePoints[2].verticalRadius, 8000);
        ASSERT_EQ(r.notes.size(), 1u) << joined(r.notes);
        EXPECT_TRUE(mentions(r.notes, "K0+700.000")) << joined(r.notes);
    }
}

TEST(LandXmlImport, TrustsCoordinatesAndLengthsAndTellsDisagreements) {
    IndependentRoad road{{0, 0, 0}, 0, {{100, 0, 0}, {50, 0, 200}, {80, 200, 200}, {20, 0, 0}}};
    const std::string good = testing::coordGeom(road);
    struct Case {
        const char* what;
        std::string from, to;
        const char* told;  // text of the expected note; empty: no note
        bool sameRoad;
    };
    const Case cases[] = {
        {"direction off by 0.5″ (rounding) is not told", "<Line staStart=\"0.000000\" length=\"100.000000\">",
         "<Line staStart=\"0.000000\" length=\"100.000000\" dir=\"0.00013\">", "", true},
        {"direction off by 20″ is told, coordinates kept", "<Line staStart=\"0.000000\" length=\"100.000000\">",
         "<Line staStart=\"0.000000\" length=\"100.000000\" dir=\"0.0056\">", "方向", true},
        {"staStart that does not follow from the lengths", "staStart=\"150.000000\"", "staStart=\"160.000000\"",
         "staStart", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string geom = good;
        std::size_t at = geom.find(c.from);
        ASSERT_NE(at, std::string::npos);
        geom.replace(at, c.from.size(), c.to);
        ImportResult r = import(testing::landXml("<Alignment name=\"T\" staStart=\"0\">" + geom + "</Alignment>"));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        if (std::string(c.told).empty()) {
            EXPECT_TRUE(r.notes.empty()) << joined(r.notes);
        } else {
            EXPECT_TRUE(mentions(r.notes, c.told)) << joined(r.notes);
        }
        if (c.sameRoad) expectSameRoad(r.road, road);
    }
}

// Pieces of road laid one after the other by the independent walk, each
// starting where the last ended but in a direction of its own: the file then has
// the angles, stubs and gaps that other programs write.
struct Part {
    double turn = 0;                 // degrees added to the direction at the part's start
    std::vector<Piece> pieces;
    double gapNorth = 0;             // metres the part's start is moved north
};
struct PartsRoad {
    std::string xml;
    std::vector<IndependentRoad> parts;  // each as laid from the file's coordinates
};
PartsRoad partsRoad(Pose start, const std::vector<Part>& parts, const std::string& attributes = "") {
    PartsRoad out;
    std::string geoms;
    Pose pose = start;
    double station = 0;
    for (const Part& p : parts) {
        pose.azimuth = std::fmod(pose.azimuth + p.turn + 360, 360);
        pose.x += p.gapNorth;
        IndependentRoad r{pose, station, p.pieces};
        out.parts.push_back(r);
        geoms += testing::coordGeom(r);
        pose = r.at(r.endStation());
        station = r.endStation();
    }
    out.xml = testing::landXml("<Alignment name=\"J\" staStart=\"0\"" + attributes + ">\n" + geoms + "</Alignment>\n");
    return out;
}

// The imported road against the file's own parts: every element starts within
// 1 mm of where the file has it and leaves in its direction within 1″, and the
// road follows each part within 1 mm every metre (the walk is independent).
void expectKeptParts(const Road& road, const std::vector<IndependentRoad>& parts, double seconds = 1.0) {
    for (const IndependentRoad& part : parts) {
        double s = part.startStation;
        for (const Piece& piece : part.pieces) {
            const Pose file = part.at(s);
            AlignmentPoint p;
            ASSERT_EQ(pointAtStation(road, s + 1e-7, 0.0001, 0, 90, p), 1);
            EXPECT_LT(std::hypot(p.x - file.x, p.y - file.y), 0.001) << "element start at " << s;
            // The direction past the angle-point straight (at most a millimetre).
            pointAtStation(road, s + 0.0015, 0.0001, 0, 90, p);
            double turn = std::remainder(p.azimuth - part.at(s + 0.0015).azimuth, 360.0);
            EXPECT_LT(std::fabs(turn) * 3600, seconds) << "element direction at " << s;
            s += piece.length;
        }
        for (double c = part.startStation; c <= part.endStation(); c += 1) {
            AlignmentPoint p;
            pointAtStation(road, c, 0.0001, 0, 90, p);
            const Pose q = part.at(c);
            EXPECT_LT(std::hypot(p.x - q.x, p.y - q.y), 0.001) << "station " << c;
        }
    }
}

// A road is taken as the file has it, not rebuilt from its first element: a
// stub shorter than a millimetre does not decide the direction, an angle where
// a straight meets a curve is kept by a short straight, and what cannot be kept
// within 1 mm and 1″ is refused with the alignment, the element and the gap.
TEST(LandXmlImport, KeepsTheFilesPositionsAndDirectionsOrRefuses) {
    const double stubTurn = 70.7 / 3600;
    {
        SCOPED_TRACE("a 0.8 mm stub whose own direction is 70.7″ off, then a spiral-to-spiral reversal");
        PartsRoad f = partsRoad({3400000, 500000, 30}, {{0, {{0.0008, 0, 0}}},
                                                      {-stubTurn, {{80, 0, 300}, {80, 300, 0}, {70, 0, -250}, {70, -250, 0}, {200, 0, 0}}}});
        ImportResult r = import(f.xml);
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_TRUE(r.notes.empty()) << joined(r.notes);
        expectKeptParts(r.road, {f.parts[1]});
        AlignmentPoint end;
        pointAtStation(r.road, alignmentEnd(r.road), 0.0001, 0, 90, end);
        const Pose fileEnd = f.parts[1].at(f.parts[1].endStation());
        EXPECT_LT(std::hypot(end.x - fileEnd.x, end.y - fileEnd.y), 0.001);
    }
    {
        SCOPED_TRACE("6.36° where a line meets an arc, 490″ where the arc meets a line, a kink between two lines");
        PartsRoad f = partsRoad({1000, 2000, 10}, {{0, {{120, 0, 0}}},
                                                  {6.36, {{150, 300, 300}}},
                                                  {490.0 / 3600, {{80, 0, 0}}},
                                                  {-12, {{60, 0, 0}, {40, -500, -500}}}});
        ImportResult r = import(f.xml);
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.elements.size(), 7u);  // two angle-point straights added
        EXPECT_TRUE(mentions(r.notes, "转折点")) << joined(r.notes);
        expectKeptParts(r.road, f.parts);
        EXPECT_NEAR(alignmentEnd(r.road), f.parts.back().endStation(), 1e-6);  // stations unchanged
    }
    {
        SCOPED_TRACE("directions counted from east, counter-clockwise, on every element: one note");
        IndependentRoad road{{0, 0, 30}, 0, {{100, 0, 0}, {60, 0, 200}, {100, 200, 200}, {50, 0, 0}}};
        std::string geom = testing::coordGeom(road);
        std::string out;
        double st = 0;
        for (std::size_t at = 0, k = 0; (at = geom.find("staStart=\"", at)) != std::string::npos && k < 4; ++k) {
            const Pose p = road.at(st);
            const char* attribute = k == 0 || k == 3 ? "dir" : "dirStart";
            geom.insert(at, std::string(attribute) + "=\"" + testing::num(std::fmod(90 - p.azimuth + 360, 360)) + "\" ");
            at += 40;
            st += road.pieces[k].length;
        }
        ImportResult r = import(testing::landXml("<Alignment name=\"E\" staStart=\"0\">" + geom + "</Alignment>"));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        ASSERT_EQ(r.notes.size(), 1u) << joined(r.notes);
        EXPECT_TRUE(mentions(r.notes, "自东起逆时针")) << joined(r.notes);
        expectSameRoad(r.road, road);
    }
    {
        SCOPED_TRACE("coordinates to the millimetre only: their rounding is no angle and no refusal");
        IndependentRoad road{{2500000, 38500000, 75}, 0,
                            {{50, 0, 0}, {25, 0, 120}, {30, 120, 120}, {25, 120, 0}, {40, 0, 0}, {35, 0, -90}, {35, -90, 0}}};
        std::string xml = testing::landXml(testing::alignment("M", road));
        for (const char* tag : {"<Start>", "<End>", "<Center>"}) {
            for (std::size_t at = xml.find(tag); at != std::string::npos; at = xml.find(tag, at + 1)) {
                const std::size_t from = at + std::strlen(tag), to = xml.find('<', from);
                double n = 0, e = 0;
                std::sscanf(xml.substr(from, to - from).c_str(), "%lf %lf", &n, &e);
                char buf[80];
                std::snprintf(buf, sizeof buf, "%.3f %.3f", n, e);
                xml.replace(from, to - from, buf);
            }
        }
        ImportResult r = import(xml);
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.road.elements.size(), road.pieces.size()) << joined(r.notes);
        // Directions are only as good as the millimetres they come from (about
        // 3″ over a chord of 50 m); positions stay within 1 mm.
        expectKeptParts(r.road, {road}, 10.0);
    }
    struct Refused {
        const char* what;
        std::vector<Part> parts;
        std::vector<std::string> told;
    };
    const Refused refused[] = {
        {"a gap of 5 mm", {{0, {{100, 0, 0}}}, {0, {{60, 0, 300}}, 0.005}}, {"线路 \"J\"", "第2个平面元素 <Spiral>", "5.0 mm"}},
        {"139″ where a spiral meets an arc", {{0, {{100, 0, 0}, {60, 0, 300}}}, {139.0 / 3600, {{50, 300, 300}}}},
         {"第3个平面元素 <Curve>", "139.0″", "1 mm 与 1″"}},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.what);
        ImportResult r = import(partsRoad({0, 0, 0}, c.parts).xml);
        EXPECT_EQ(r.status, exchange::kExchangeBadFile);
        for (const std::string& t : c.told) EXPECT_NE(r.error.find(t), std::string::npos) << r.error;
        EXPECT_TRUE(r.road.elements.empty());
    }
}

// Smaller points of other programs' files: blanks in unit names, overlapping
// vertical curves, long names, the coordinate system and what the road model
// has no place for, and notes by the thousand.
TEST(LandXmlImport, TellsEveryLossOnceAndKeepsTheCoordinateSystem) {
    IndependentRoad road{{0, 0, 0}, 0, {{1000, 0, 0}}};
    std::string xml = testing::landXml(
        testing::alignment("Sammalniementie_u", road,
                           "<CrossSects><CrossSect sta=\"10\"/><CrossSect sta=\"20\"/></CrossSects>"
                           "<Profile name=\"P\"><ProfAlign name=\"d\"><PVI>0 100</PVI><ParaCurve length=\"250\">400 104</ParaCurve>"
                           "<ParaCurve length=\"75\">415 102</ParaCurve><PVI>1000 110</PVI></ProfAlign></Profile>"),
        "<Units><Metric linearUnit=\" meter \" angularUnit=\"decimal degrees\" directionUnit=\"decimal  dd.mm.ss\"/></Units>\n"
        "<CoordinateSystem name=\"CGCS2000 / 3-degree Gauss-Kruger CM 117E\" epsgCode=\"4548\" "
        "projectedCoordinateSystemName=\"Gauss-Kruger\" horizontalDatum=\"CGCS2000\"/>\n");
    xml.insert(xml.find("</LandXML>"), "<Surfaces><Surface name=\"EG\"/></Surfaces><Roadways><Roadway name=\"R\"/></Roadways>\n");
    ImportResult r = import(xml);
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    ASSERT_TRUE(r.coordinateSystem.has_value());
    EXPECT_EQ(r.coordinateSystem->epsgCode, "4548");
    EXPECT_EQ(r.coordinateSystem->name, "CGCS2000 / 3-degree Gauss-Kruger CM 117E");
    EXPECT_EQ(r.coordinateSystem->projection, "Gauss-Kruger");
    EXPECT_EQ(r.coordinateSystem->datum, "CGCS2000");
    EXPECT_EQ(r.road.name.utf8(), "Sammalniemen");
    for (const char* told : {"Sammalniementie_u", "EPSG 4548", "横断面 (CrossSect) 2 个", "地形曲面 (Surface) 1 个",
                             "道路模型 (Roadway) 1 个", "K0+400.000", "K0+415.000", "重叠"}) {
        EXPECT_TRUE(mentions(r.notes, told)) << told << "\n" << joined(r.notes);
    }

    // 200,000 zero-length elements: ten notes and one count, not megabytes.
    std::string many = "<CoordGeom>";
    for (int i = 0; i < 200000; ++i) many += "<Line><Start>0 0</Start><End>0 0</End></Line>";
    many += "<Line><Start>0 0</Start><End>100 0</End></Line></CoordGeom>";
    ImportResult flood = import(testing::landXml("<Alignment name=\"F\">" + many + "</Alignment>"));
    ASSERT_EQ(flood.status, exchange::kExchangeOk) << flood.error;
    ASSERT_EQ(flood.notes.size(), 11u);
    EXPECT_EQ(flood.notes.back(), "… 以及另外 199990 个同类问题");

    // Input quoted in a message is cut and escaped: no terminal control, no flood.
    ImportResult hostile = import(testing::landXml(
        "<Alignment name=\"\x1b]0;owned\x07\x1b[2J" + std::string(5000, 'n') + "\"><CoordGeom><Line length=\"" +
        std::string(100000, '9') + "x\"><Start>0 0</Start><End>1 0</End></Line></CoordGeom></Alignment>"));
    EXPECT_EQ(hostile.status, exchange::kExchangeBadFile);
    EXPECT_LT(hostile.error.size(), 400u) << hostile.error.size();
    EXPECT_EQ(hostile.error.find('\x1b'), std::string::npos);
    ImportResult named = import(testing::landXml(testing::alignment("A\x1b[2J\x07", road)));
    ASSERT_EQ(named.status, exchange::kExchangeOk) << named.error;
    EXPECT_EQ(named.road.name.utf8(), "A[2J");
    EXPECT_TRUE(mentions(named.notes, "\\x1b")) << joined(named.notes);
}

TEST(LandXmlImport, ZeroLengthAndUnsupportedElementsAreToldByNameAndPosition) {
    IndependentRoad road{{0, 0, 0}, 0, {{100, 0, 0}, {60, 0, 300}, {50, 300, 300}}};
    std::string geom = testing::coordGeom(road);
    // A zero-length line between the first two elements.
    geom.insert(geom.find("<Spiral"), "<Line length=\"0\"><Start>100 0</Start><End>100 0</End></Line>\n");
    std::string bloss = geom;
    bloss.replace(bloss.find("spiType=\"clothoid\""), 18, "spiType=\"bloss\"");
    std::string chord = geom;
    chord.replace(chord.find("<Curve "), 7, "<Curve crvType=\"chord\" ");
    struct Case {
        const char* what;
        std::string geom;
        std::vector<std::string> told;
    };
    const Case cases[] = {
        {"zero-length element left out", geom, {"第2个平面元素 <Line>", "长度为零"}},
        {"non-clothoid spiral", bloss, {"第3个平面元素 <Spiral>", "bloss"}},
        {"chord-defined curve", chord, {"第4个平面元素 <Curve>", "crvType=\"chord\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportResult r = import(testing::landXml("<Alignment name=\"U\" staStart=\"0\">" + c.geom + "</Alignment>"));
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        for (const std::string& t : c.told) EXPECT_TRUE(mentions(r.notes, t)) << t << "\n" << joined(r.notes);
        EXPECT_EQ(r.road.elements.size(), 3u);
        expectSameRoad(r.road, road);
    }
}

TEST(LandXmlImport, SeveralAlignmentsAskWhichOne) {
    IndependentRoad a{{0, 0, 0}, 0, {{100, 0, 0}}}, b{{0, 0, 90}, 500, {{200, 0, 0}}};
    const std::string xml = testing::landXml(testing::alignment("主线", a) + testing::alignment("Ramp B", b));

    ImportResult unasked = readLandXml(xml, {}, nullptr);
    EXPECT_EQ(unasked.status, exchange::kExchangeChooseAlignment);
    EXPECT_EQ(unasked.alignmentNames, (std::vector<std::string>{"主线", "Ramp B"}));

    ImportOptions named;
    named.alignment = "Ramp B";
    ImportResult byName = readLandXml(xml, named, nullptr);
    ASSERT_EQ(byName.status, exchange::kExchangeOk);
    EXPECT_EQ(byName.road.name.utf8(), "Ramp B");
    EXPECT_EQ(alignmentStart(byName.road), 500);

    named.alignment = "nowhere";
    EXPECT_EQ(readLandXml(xml, named, nullptr).status, exchange::kExchangeNoSuchAlignment);

    testing::ScriptedPrompter prompter;
    prompter.choices = {0};
    ImportResult chosen = readLandXml(xml, {}, &prompter);
    ASSERT_EQ(chosen.status, exchange::kExchangeOk);
    EXPECT_EQ(chosen.road.name.utf8(), "主线");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(readLandXml(xml, {}, &prompter).status, exchange::kExchangeCancelled);  // no answer: cancelled
}

TEST(LandXmlImport, ConvertsUnitsExactly) {
    struct Case {
        const char* what;
        const char* units;
        double metresPerUnit;
    };
    const Case cases[] = {
        {"international feet", "<Units><Imperial linearUnit=\"foot\" angularUnit=\"grads\"/></Units>", 0.3048},
        {"US survey feet", "<Units><Imperial linearUnit=\"USSurveyFoot\" angularUnit=\"radians\"/></Units>", 1200.0 / 3937.0},
        {"millimetres", "<Units><Metric linearUnit=\"millimeter\" angularUnit=\"decimal degrees\"/></Units>", 0.001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // 1000 units north, then an arc of radius 500 units to the right over a quarter circle.
        const std::string xml = testing::landXml(
            "<Alignment name=\"U\" staStart=\"100\"><CoordGeom>"
            "<Line length=\"1000\"><Start>0 0</Start><End>1000 0</End></Line>"
            "<Curve rot=\"cw\" radius=\"500\" length=\"785.3981633974483\"><Start>1000 0</Start>"
            "<Center>1000 500</Center><End>1500 500</End></Curve></CoordGeom>"
            "<Profile><ProfAlign name=\"d\"><PVI>100 10</PVI><PVI>2000 20</PVI></ProfAlign></Profile></Alignment>",
            c.units);
        ImportResult r = import(xml);
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        // One note: the unit was converted, and exports are in metres.
        ASSERT_EQ(r.notes.size(), 1u) << joined(r.notes);
        EXPECT_TRUE(mentions(r.notes, "写成米")) << joined(r.notes);
        const double k = c.metresPerUnit;
        EXPECT_DOUBLE_EQ(alignmentStart(r.road), 100 * k);
        EXPECT_DOUBLE_EQ(r.road.elements[0].length, 1000 * k);
        EXPECT_DOUBLE_EQ(r.road.elements[1].startRadius, 500 * k);
        EXPECT_DOUBLE_EQ(r.road.gradePoints[1].elevation, 20 * k);
        AlignmentPoint end;
        pointAtStation(r.road, alignmentEnd(r.road), 0.0001, 0, 90, end);
        EXPECT_NEAR(end.x, 1500 * k, 1e-6);
        EXPECT_NEAR(end.y, 500 * k, 1e-6);
    }
}

TEST(LandXmlImport, ControlPointsBeyondTwentyAreNamed) {
    std::string points = "<CgPoints>";
    for (int i = 1; i <= 23; ++i) {
        points += "<CgPoint name=\"P" + std::to_string(i) + "\" desc=\"导线点\">" + std::to_string(3400000 + i) +
                  ".125 500000.5 12.25</CgPoint>";
    }
    points += "</CgPoints>\n";
    IndependentRoad road{{0, 0, 0}, 0, {{100, 0, 0}}};
    std::string xml = testing::landXml(testing::alignment("A", road));
    xml.insert(xml.find("<Alignments>"), points);
    ImportResult r = import(xml);
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    ASSERT_EQ(r.controlPoints.size(), 23u);
    EXPECT_EQ(r.controlPoints[0].x, 3400001.125);
    EXPECT_EQ(r.controlPoints[0].y, 500000.5);
    EXPECT_EQ(r.controlPoints[0].h, 12.25);
    EXPECT_EQ(r.controlPoints[0].note.utf8(), "导线点");

    RoadProject project;
    std::string left = exchange::addControlPoints(project, r.controlPoints);
    EXPECT_EQ(project.controlPoints.size(), 20u);
    EXPECT_NE(left.find("P21、P22、P23"), std::string::npos) << left;
}

TEST(LandXmlImport, RefusesBadFilesWithAClearError) {
    IndependentRoad road{{0, 0, 0}, 0, {{100, 0, 0}, {50, 0, 200}}};
    const std::string good = testing::landXml(testing::alignment("A", road));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        const char* error;  // part of the message
    };
    const Case cases[] = {
        {"not XML", "station,x,y\n1,2,3\n", "XML"},
        {"empty file", "", "XML"},
        {"truncated", good.substr(0, good.size() / 2), "XML"},
        {"another XML vocabulary", "<?xml version=\"1.0\"?><svg/>", "LandXML"},
        {"no alignment", testing::landXml(""), "Alignment"},
        {"unknown element in the geometry", replaced("<CoordGeom>", "<CoordGeom><Parabola length=\"5\"/>"), "<Parabola>"},
        {"length not a number", replaced("length=\"100.000000\"", "length=\"abc\""), "abc"},
        {"NaN length", replaced("length=\"100.000000\"", "length=\"NaN\""), "NaN"},
        {"absurd length", replaced("length=\"100.000000\"", "length=\"1e12\""), "1e12"},
        {"absurd coordinate", replaced("<Start>0.000000 0.000000</Start>", "<Start>1e20 0</Start>"), "1e20"},
        {"absurd radius", replaced("radiusEnd=\"200.000000\"", "radiusEnd=\"1e-9\""), "radiusEnd"},
        {"spiral of many turns", replaced("radiusEnd=\"200.000000\"", "radiusEnd=\"0.5\""), "一周"},
        {"missing turning direction", replaced("rot=\"cw\"", "rot=\"left\""), "rot"},
        {"point with one number", replaced("<Start>0.000000 0.000000</Start>", "<Start>12</Start>"), "12"},
        {"unknown unit", replaced("linearUnit=\"meter\"", "linearUnit=\"cubit\""), "cubit"},
        {"profile stations going back",
         replaced("</CoordGeom>", "</CoordGeom><Profile><ProfAlign name=\"p\"><PVI>50 1</PVI><PVI>40 2</PVI></ProfAlign></Profile>"),
         "递增"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportResult r = import(c.bytes);
        EXPECT_EQ(r.status, exchange::kExchangeBadFile);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_TRUE(r.road.elements.empty());
    }
}

}  // namespace
}  // namespace vornex
