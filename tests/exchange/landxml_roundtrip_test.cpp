#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "document/project_file.h"
#include "exchange/exchange.h"
#include "exchange/landxml.h"
#include "geometry/alignment.h"
#include "geometry/profile.h"
#include "geometry/stations.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

const std::filesystem::path kDemoFile = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.rod";

RoadProject demoProject() {
    RoadProject project;
    ScriptedPrompter prompter;
    EXPECT_GT(readProject(project, kDemoFile, prompter), 0);
    return project;
}

// Same coordinates, elevations and station texts every 10 m to 0.1 mm.
void expectSameRoad(const Road& back, const Road& road) {
    EXPECT_EQ(back.name, road.name);
    EXPECT_EQ(back.calcMethod, road.calcMethod);
    EXPECT_EQ(back.chainBreaks, road.chainBreaks);
    ASSERT_EQ(back.gradePoints.size(), road.gradePoints.size());
    for (std::size_t i = 0; i < road.gradePoints.size(); ++i) {
        EXPECT_DOUBLE_EQ(back.gradePoints[i].station, road.gradePoints[i].station);
        EXPECT_DOUBLE_EQ(back.gradePoints[i].elevation, road.gradePoints[i].elevation);
        EXPECT_NEAR(back.gradePoints[i].verticalRadius, road.gradePoints[i].verticalRadius, 1e-6);
    }
    const double start = alignmentStart(road), end = alignmentEnd(road);
    EXPECT_NEAR(alignmentStart(back), start, 1e-9);
    EXPECT_NEAR(alignmentEnd(back), end, 1e-6);
    int samples = 0;
    for (double s = start;; s += 10) {
        if (s > end) s = end;
        AlignmentPoint a, b;
        pointAtStation(road, s, 0.0001, 0, 90, a);
        pointAtStation(back, s, 0.0001, 0, 90, b);
        EXPECT_NEAR(b.x, a.x, 1e-4) << "station " << s;
        EXPECT_NEAR(b.y, a.y, 1e-4) << "station " << s;
        EXPECT_NEAR(designElevation(back, s).elevation, designElevation(road, s).elevation, 1e-4) << s;
        EXPECT_EQ(formatStation(back, s, true), formatStation(road, s, true));
        ++samples;
        if (s == end) break;
    }
    EXPECT_GT(samples, 10);
}

TEST(LandXmlRoundTrip, DemoRoadsComeBackTheSame) {
    const RoadProject demo = demoProject();
    ASSERT_EQ(demo.roads.size(), 2u);
    const std::vector<int> all{0, 1};
    const std::string xml = exchange::writeLandXml(demo, all);
    for (const Road& road : demo.roads) {
        SCOPED_TRACE(road.name.utf8());
        exchange::ImportOptions options;
        options.alignment = road.name.utf8();
        exchange::ImportResult back = exchange::readLandXml(xml, options, nullptr);
        ASSERT_EQ(back.status, exchange::kExchangeOk) << back.error;
        EXPECT_TRUE(back.notes.empty()) << back.notes.front();
        EXPECT_EQ(back.controlPoints, demo.controlPoints);
        expectSameRoad(back.road, road);
    }
}

// Elements the demo lacks: a spiral whose curvature changes sign (written as
// two spirals), an angle point between two straights, and a circular profile.
TEST(LandXmlRoundTrip, InflectionSpiralsAnglePointsAndCircularProfiles) {
    RoadProject project;
    Road road;
    road.name = "S";
    road.curveForm = 1;
    road.calcMethod = kExactMethod;
    auto add = [&](double length, double r1, double r2) {
        AlignmentElement e;
        e.length = length;
        e.startRadius = r1;
        e.endRadius = r2;
        road.elements.push_back(e);
    };
    add(120, 0, 0);
    add(80, 0, 0);  // its own azimuth below: an angle point
    add(90, -300, 400);
    add(50, 400, 400);
    add(60, 400, 0);
    road.elements[0].x = 2500000.25;
    road.elements[0].y = 38500000.75;
    road.elements[0].startAzimuth = road.elements[0].arrivalAzimuth = 200;
    road.elements[0].startStation = 3000;
    road.elements[1].startAzimuth = 215;
    propagateElements(road, 0, 0.0001);
    road.gradePoints = {{3000, 50, 0}, {3150, 53, 6000}, {3300, 51, 9000}, {3400, 52, 0}};
    project.roads.push_back(road);
    const std::vector<int> one{0};
    const std::string xml = exchange::writeLandXml(project, one);
    EXPECT_NE(xml.find("<CircCurve"), std::string::npos);
    exchange::ImportResult back = exchange::readLandXml(xml, {}, nullptr);
    ASSERT_EQ(back.status, exchange::kExchangeOk) << back.error;
    // The two circular curves overlap (their tangents add up to more than the
    // 150 m between their grade points) and the second runs past the last grade
    // point: kept as they are, and told.
    ASSERT_EQ(back.notes.size(), 2u);
    EXPECT_NE(back.notes[0].find("K3+150.000"), std::string::npos) << back.notes[0];
    EXPECT_NE(back.notes[1].find("K3+400.000"), std::string::npos) << back.notes[1];
    for (const std::string& n : back.notes) EXPECT_NE(n.find("重叠"), std::string::npos) << n;
    EXPECT_EQ(back.road.gradePoints, road.gradePoints);
    EXPECT_EQ(back.road.elements.size(), 6u);  // the inflection spiral in two
    expectSameRoad(back.road, road);
}

TEST(LandXmlRoundTrip, ExportedFilesAreWellFormed) {
    TempDir dir;
    const RoadProject demo = demoProject();
    exchange::ExportResult r = exchange::exportRoads(demo, -1, dir / "demo.xml");
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    const std::string cmd = "xmllint --noout " + (dir / "demo.xml").string() + " 2>" + (dir / "lint").string();
    EXPECT_EQ(std::system(cmd.c_str()), 0) << testing::readAll(dir / "lint");
}

// Exports validate against the published LandXML 1.2 schema (kept outside the
// project; its path is the CMake cache entry VORNEX_LANDXML_SCHEMA): the demo's
// roads, and a road imported from another program's file with an angle point
// added and written out again.
TEST(LandXmlRoundTrip, ExportsValidateAgainstTheSchema) {
    const std::filesystem::path schema = VORNEX_LANDXML_SCHEMA;
    if (!std::filesystem::exists(schema)) {
        GTEST_SKIP() << "the LandXML 1.2 schema is not at " << schema.string()
                     << " (set the CMake cache entry VORNEX_LANDXML_SCHEMA to validate the exports)";
    }
    TempDir dir;
    const RoadProject demo = demoProject();
    ASSERT_EQ(exchange::exportRoads(demo, -1, dir / "demo.xml").status, exchange::kExchangeOk);

    const std::string other =
        "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">"
        "<Units><Imperial linearUnit=\"foot\" areaUnit=\"squareFoot\" volumeUnit=\"cubicYard\" "
        "angularUnit=\"decimal degrees\" directionUnit=\"decimal  degrees\"/></Units>"
        "<CoordinateSystem epsgCode=\"2231\"/>"
        "<Alignments><Alignment name=\"Ramp 7\" staStart=\"100\"><CoordGeom>"
        "<Line><Start>1000 2000</Start><End>1100 2000</End></Line>"
        "<Curve rot=\"cw\" radius=\"300\" length=\"100\"><Start>1100 2000</Start>"
        "<Center>1066.1848 2298.0872</Center></Curve>"
        "</CoordGeom><Profile><ProfAlign name=\"d\"><PVI>100 50</PVI><PVI>300 52</PVI></ProfAlign></Profile>"
        "</Alignment></Alignments></LandXML>\n";
    testing::writeAll(dir / "other.xml", other);
    RoadProject imported;
    int road = -1;
    ScriptedPrompter prompter;
    ASSERT_EQ(exchange::importIntoProject(imported, dir / "other.xml", prompter, road), exchange::kExchangeOk);
    ASSERT_EQ(exchange::exportRoads(imported, road, dir / "imported.xml").status, exchange::kExchangeOk);

    for (const char* file : {"demo.xml", "imported.xml"}) {
        const std::string cmd = "xmllint --noout --nonet --schema " + schema.string() + " " + (dir / file).string() +
                                " >" + (dir / "lint").string() + " 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << file << "\n" << testing::readAll(dir / "lint");
    }
}

TEST(ExchangeEntries, ImportToNewProjectNeverOverwritesAndLeavesNothingOnFailure) {
    TempDir dir;
    const RoadProject demo = demoProject();
    ASSERT_EQ(exchange::exportRoads(demo, 1, dir / "ramp.xml").status, exchange::kExchangeOk);

    exchange::ImportResult result;
    ASSERT_EQ(exchange::importToNewProject(dir / "ramp.xml", dir / "ramp.rod", {}, result), exchange::kExchangeOk)
        << result.error;
    RoadProject back;
    ScriptedPrompter prompter;
    ASSERT_EQ(readProject(back, dir / "ramp.rod", prompter), 83);
    ASSERT_EQ(back.roads.size(), 1u);
    expectSameRoad(back.roads[0], demo.roads[1]);
    EXPECT_EQ(back.controlPoints, demo.controlPoints);

    // An existing output stays as it is.
    const std::string before = testing::readAll(dir / "ramp.rod");
    EXPECT_EQ(exchange::importToNewProject(dir / "ramp.xml", dir / "ramp.rod", {}, result),
              exchange::kExchangeOutputExists);
    EXPECT_EQ(testing::readAll(dir / "ramp.rod"), before);

    // A refused file leaves no output and no temporary file behind.
    testing::writeAll(dir / "bad.xml", "<LandXML><Alignments><Alignment name=\"x\"><CoordGeom>");
    EXPECT_EQ(exchange::importToNewProject(dir / "bad.xml", dir / "bad.rod", {}, result), exchange::kExchangeBadFile);
    EXPECT_FALSE(result.error.empty());
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3);  // ramp.xml, ramp.rod, bad.xml
    EXPECT_EQ(exchange::importToNewProject(dir / "missing.xml", dir / "m.rod", {}, result), exchange::kExchangeCannotRead);
    EXPECT_EQ(exchange::importToNewProject(dir.path(), dir / "m.rod", {}, result), exchange::kExchangeUnknownFormat);
}

TEST(ExchangeEntries, ImportIntoTheOpenProjectMakesTheNameUnique) {
    TempDir dir;
    RoadProject demo = demoProject();
    ASSERT_EQ(exchange::exportRoads(demo, -1, dir / "demo.xml").status, exchange::kExchangeOk);
    ScriptedPrompter prompter;
    prompter.choices = {0};  // "主线"
    int index = -1;
    ASSERT_EQ(exchange::importIntoProject(demo, dir / "demo.xml", prompter, index), exchange::kExchangeOk);
    ASSERT_EQ(index, 2);
    EXPECT_EQ(demo.currentRoad, 2);
    EXPECT_EQ(demo.roads[2].name.utf8(), "主线_2");
    // The demo's six control points came again: twelve fit, the last two are named.
    EXPECT_EQ(demo.controlPoints.size(), 12u);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.front(), "文件中有多条线路，请选择要导入的线路：");

    // Cancelling the question imports nothing; a bad file is reported.
    const std::size_t roads = demo.roads.size();
    EXPECT_EQ(exchange::importIntoProject(demo, dir / "demo.xml", prompter, index), exchange::kExchangeCancelled);
    testing::writeAll(dir / "bad.csv", "x\n");
    EXPECT_EQ(exchange::importIntoProject(demo, dir / "bad.csv", prompter, index), exchange::kExchangeBadFile);
    EXPECT_EQ(demo.roads.size(), roads);
    EXPECT_NE(prompter.shown.back().find("表头"), std::string::npos);

    // A file that cannot be read is told in Chinese; the command line's result
    // keeps the English message and the reason.
    std::filesystem::create_directory(dir / "folder.xml");
    EXPECT_EQ(exchange::importIntoProject(demo, dir / "folder.xml", prompter, index), exchange::kExchangeCannotRead);
    EXPECT_EQ(prompter.shown.back(), "无法打开文件“folder.xml”：这是一个文件夹，不是文件。");
    exchange::ImportResult result;
    EXPECT_EQ(exchange::importToNewProject(dir / "folder.xml", dir / "f.rod", {}, result), exchange::kExchangeCannotRead);
    EXPECT_NE(result.error.find("is a directory"), std::string::npos) << result.error;
    EXPECT_EQ(result.fileFailure.problem, io::FileProblem::Directory);
}

TEST(ExchangeEntries, UniqueNamesStayWithinTwelveBytes) {
    RoadProject project;
    project.roads.resize(3);
    project.roads[0].name = Name12(text::utf8ToGbk("六个汉字名称"));  // 12 bytes
    project.roads[1].name = Name12(text::utf8ToGbk("六个汉字名_2"));
    project.roads[2].name = "R";
    EXPECT_EQ(exchange::uniqueRoadName(project, project.roads[0].name).utf8(), "六个汉字名_3");  // 10 bytes and "_3"
    EXPECT_EQ(exchange::uniqueRoadName(project, Name12("R")).utf8(), "R_2");
    EXPECT_EQ(exchange::uniqueRoadName(project, Name12("new")).utf8(), "new");
}

}  // namespace
}  // namespace vornex
