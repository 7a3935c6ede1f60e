// The project's coordinate system as a user meets it: chosen in the project's
// properties, kept per project file in the settings, and offered wherever the
// project needs a system.
#include <QAction>
#include <QSettings>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/dialogs/coordinate_conversion.h"
#include "app/main_window.h"
#include "app/project_system.h"
#include "app/property_grid.h"
#include "app/survey_controller.h"
#include "app/table_view.h"
#include "app/work_view.h"
#include "app_fixture.h"
#include "exchange/exchange.h"
#include "tables/data_tables.h"

namespace vornex::app {
namespace {

void forgetSystems() {
    testing::isolateSettings();
    QSettings().remove(QString::fromLatin1(kProjectSystemGroup));
    QSettings().remove(QString::fromLatin1(kReductionGroup));
}

TEST(ProjectSystem, ChosenInThePropertiesKeptPerFileAndOffered) {
    forgetSystems();
    testing::TempDir dir;
    const auto file = testing::writeDemo(dir);
    const std::string bytes = testing::readAll(file);
    const QString path = QString::fromStdString(file.string());
    testing::ScriptedAppPrompter prompter;
    MainWindow window(&prompter);
    ASSERT_TRUE(window.openFile(path));
    PropertyGrid* grid = window.workView()->roadGrid();
    DocumentController& c = window.controller();
    EXPECT_EQ(grid->value("csEllipsoid"), QStringLiteral("未设置"));
    EXPECT_FALSE(grid->isEditable("csZone"));
    EXPECT_FALSE(c.coordinateSystem().has_value());

    // An ellipsoid gives a system; the zone width keeps the meridian.
    ASSERT_TRUE(grid->enter("csEllipsoid", QStringLiteral("西安80（IAG-75）")));
    testing::settle();
    ASSERT_TRUE(c.coordinateSystem().has_value());
    EXPECT_EQ(c.coordinateSystem()->ellipsoid, geodesy::Ellipsoid::Xian80);
    EXPECT_EQ(c.coordinateSystem()->zone, 39);
    ASSERT_TRUE(grid->enter("csWidth", QStringLiteral("6°带")));
    testing::settle();
    EXPECT_EQ(c.coordinateSystem()->zone, 20);
    EXPECT_EQ(c.coordinateSystem()->centralMeridian, 117.0);
    ASSERT_TRUE(grid->enter("csPrefix", QStringLiteral("是")));
    ASSERT_TRUE(grid->enter("csHeight", QStringLiteral("1500")));
    testing::settle();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(c.coordinateSystem()->zonePrefix);
    EXPECT_EQ(c.coordinateSystem()->projectionHeight, 1500.0);
    EXPECT_TRUE(grid->value("csSummary").contains(QStringLiteral("6°带第20带")));

    // Refused edits tell why and change nothing.
    const auto before = c.coordinateSystem();
    for (const auto& [id, text] : {std::pair{"csZone", "61"}, std::pair{"csMeridian", "abc"},
                                   std::pair{"csFalseEasting", "2000000"}, std::pair{"csHeight", "x"}}) {
        prompter.shown.clear();
        ASSERT_TRUE(grid->enter(id, QString::fromUtf8(text))) << id;
        testing::settle();
        EXPECT_EQ(prompter.shown.size(), 1u) << id;
        EXPECT_EQ(c.coordinateSystem(), before) << id;
    }
    EXPECT_FALSE(c.modified());  // the settings, not the file
    EXPECT_EQ(testing::readAll(file), bytes);

    // Another window on the same file has it; so has the file saved under another name.
    MainWindow second(&prompter);
    ASSERT_TRUE(second.openFile(path));
    EXPECT_EQ(second.controller().coordinateSystem(), before);
    const QString other = QString::fromStdString((dir / "other.rod").string());
    ASSERT_EQ(second.controller().save(other), 1);
    EXPECT_EQ(storedProjectSystem(other), before);

    // The conversion dialog starts from it.
    testing::ScriptedPrompter quiet;
    CCoordinateConversion dialog(quiet);
    dialog.setSystem(*before);
    geodesy::ConversionSetup setup;
    QString why;
    ASSERT_TRUE(dialog.readSetup(setup, why)) << why.toStdString();
    EXPECT_EQ(setup.from, *before);

    // A control file without a choice of its own reduces on it; one with a choice keeps its own.
    const auto con = dir / "demo.con";
    std::filesystem::copy_file(std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.con", con);
    ASSERT_TRUE(window.openFile(QString::fromStdString(con.string())));
    EXPECT_EQ(window.survey().reduction().system, *before);
    EXPECT_FALSE(window.survey().reduction().enabled);
    window.showModule(0);
    ASSERT_TRUE(grid->enter("csMeridian", QStringLiteral("114.3")));
    testing::settle();
    EXPECT_EQ(c.coordinateSystem()->zone, 0);
    EXPECT_EQ(c.coordinateSystem()->centralMeridian, 114.5);
    EXPECT_FALSE(c.coordinateSystem()->zonePrefix);
    EXPECT_EQ(window.survey().reduction().system, *c.coordinateSystem());

    // 未设置 forgets it for the file.
    ASSERT_TRUE(grid->enter("csEllipsoid", QStringLiteral("未设置")));
    testing::settle();
    EXPECT_FALSE(c.coordinateSystem().has_value());
    EXPECT_FALSE(storedProjectSystem(path).has_value());
    EXPECT_EQ(grid->value("csZone"), QString());
}

// 从经纬度导入… on the control-point table: the points on the project's grid
// as one undo step, bad lines told with their numbers.
TEST(ProjectSystem, ControlPointsFromLatitudeAndLongitude) {
    forgetSystems();
    testing::TempDir dir;
    const auto file = testing::writeDemo(dir);
    testing::ScriptedAppPrompter prompter;
    MainWindow window(&prompter);
    ASSERT_TRUE(window.openFile(QString::fromStdString(file.string())));
    DocumentController& c = window.controller();
    const std::vector<ControlPoint> before = c.project().controlPoints;
    QAction* import = window.tableView()->geographicImportAction();
    ASSERT_EQ(window.tableView()->grid().code, table_code::kControlPoints);
    EXPECT_TRUE(import->isVisible());
    ASSERT_TRUE(import->isEnabled());

    const auto list = dir / "gnss.txt";
    std::ofstream(list) << "G1,30.3,114.2,1520.5\nG2 30.3\nG3,30.3,111,12\n";
    // Without a project system nothing is read: the user is told to choose one.
    prompter.fileNames = {list.string()};
    import->trigger();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].find("项目还没有坐标系"), std::string::npos);
    EXPECT_EQ(c.project().controlPoints, before);

    // Beijing 54, 6° zone 19 with the zone number in y: the textbook exercise
    // B = 30°30′, L = 114°20′ gives x = 3 380 330.773 m; on the meridian y = 19 500 000 m.
    geodesy::CoordinateSystem s;
    s.ellipsoid = geodesy::Ellipsoid::Beijing54;
    ASSERT_TRUE(geodesy::setZone(s, 19, 6));
    s.zonePrefix = true;
    c.setCoordinateSystem(s);
    prompter.shown.clear();
    prompter.fileNames = {list.string()};
    import->trigger();
    const std::vector<ControlPoint>& now = c.project().controlPoints;
    ASSERT_EQ(now.size(), before.size() + 2);
    EXPECT_EQ(now[before.size()].name.utf8(), "G1");
    EXPECT_NEAR(now[before.size()].x, 3380330.773, 0.001);
    EXPECT_EQ(now[before.size()].h, 1520.5);
    EXPECT_NEAR(now[before.size() + 1].y, 19500000, 1e-6);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].find("第 2 行"), std::string::npos) << prompter.shown[0];
    EXPECT_EQ(window.tableView()->grid().rowCount(), int(now.size()) + 1);  // shown, with the empty row
    c.undo();
    EXPECT_EQ(c.project().controlPoints, before);

    // A list that cannot be read is told in the window's words, with its name.
    const auto folder = dir / "points";
    std::filesystem::create_directory(folder);
    prompter.shown.clear();
    prompter.fileNames = {folder.string()};
    import->trigger();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], "不能读取点文件“points”：这是一个文件夹，不是文件。");
    EXPECT_EQ(c.project().controlPoints, before);
}

// A LandXML file naming a Gauss-Krüger zone offers it as the project's system.
TEST(ProjectSystem, OfferedFromAnImportedLandXmlFile) {
    forgetSystems();
    testing::TempDir dir;
    const auto file = testing::writeDemo(dir);
    testing::ScriptedAppPrompter prompter;
    MainWindow window(&prompter);
    ASSERT_TRUE(window.openFile(QString::fromStdString(file.string())));
    DocumentController& c = window.controller();
    const auto xml = dir / "road.xml";
    ASSERT_EQ(exchange::exportRoads(c.project(), 0, xml).status, exchange::kExchangeOk);
    std::string text = testing::readAll(xml);
    const std::size_t at = text.find("</Units>");
    ASSERT_NE(at, std::string::npos);
    text.insert(at + 8, "<CoordinateSystem name=\"CGCS2000 / 3-degree Gauss-Kruger zone 38\" epsgCode=\"4526\"/>");
    std::ofstream(xml, std::ios::binary) << text;

    auto importFile = [&](bool answer) {
        prompter.shown.clear();
        prompter.fileNames = {xml.string()};
        prompter.yesNoAnswers = {answer};
        window.action("import")->trigger();
    };
    importFile(false);  // declined: the project stays without a system
    EXPECT_FALSE(c.coordinateSystem().has_value());
    bool asked = false;
    for (const std::string& t : prompter.shown) asked = asked || t.find("是否把它作为本项目的坐标系") != std::string::npos;
    EXPECT_TRUE(asked);

    importFile(true);
    ASSERT_TRUE(c.coordinateSystem().has_value());
    EXPECT_EQ(c.coordinateSystem()->zone, 38);
    EXPECT_TRUE(c.coordinateSystem()->zonePrefix);
    EXPECT_EQ(window.workView()->roadGrid()->value("csZone"), QStringLiteral("38"));

    // The same system again is not asked about.
    importFile(false);
    EXPECT_EQ(prompter.yesNoAnswers.size(), 1u);
    EXPECT_TRUE(c.coordinateSystem().has_value());
}

}  // namespace
}  // namespace vornex::app
