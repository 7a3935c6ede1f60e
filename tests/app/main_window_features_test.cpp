// The main window's drawing row, looks, table export and help, on the demo project.
#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/version.h"
#include "app/looks.h"
#include "app/table_view.h"
#include "app/views/drawing_pane.h"
#include "app/views/graph_view.h"
#include "app/work_view.h"
#include "app_fixture.h"
#include "exchange/exchange.h"
#include "grid/grid_printer.h"
#include "tables/data_tables.h"
#include "tables/road_tables.h"

namespace vornex::app {
namespace {

using testing::ScriptedAppPrompter;
using testing::TempDir;

class MainWindowFeatures : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        file = testing::writeDemo(dir);
        window = std::make_unique<MainWindow>(&prompter);
        window->resize(1200, 800);
        ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    }
    TempDir dir;
    std::filesystem::path file;
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowFeatures, TheDrawingRowShowsTheCurrentRoadAndTheHintsOfDataNodes) {
    auto* pane = qobject_cast<DrawingPane*>(window->drawingPane());
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->plan()->drawing().pieces.empty());
    EXPECT_EQ(pane->plan()->drawing().pieces.size(), window->controller().project().roads[0].elements.size());
    window->workView()->selectCode(table_code::kChainBreaks);
    testing::settle();
    EXPECT_TRUE(pane->plan()->hint().startsWith(QStringLiteral("输入断链的开始桩号")));
    window->workView()->selectCode(table_code::kGradePoints);
    testing::settle();
    EXPECT_TRUE(pane->plan()->hint().isEmpty());
    EXPECT_TRUE(window->action("queryRoute")->isEnabled());
}

TEST_F(MainWindowFeatures, LooksAreChosenFromTheViewMenuAndKept) {
    QMenu* looks = window->action("looks")->menu();
    ASSERT_NE(looks, nullptr);
    QAction* dark = looks->findChild<QAction*>(QStringLiteral("look216"), Qt::FindChildrenRecursively);
    if (!dark)
        for (QAction* a : window->findChildren<QAction*>())
            if (a->objectName() == QStringLiteral("look216")) dark = a;
    ASSERT_NE(dark, nullptr);
    dark->trigger();
    EXPECT_LT(qApp->palette().color(QPalette::Window).lightness(), 80);
    EXPECT_EQ(QSettings().value(kLookSetting).toInt(), kDarkLook);
    for (QAction* a : window->findChildren<QAction*>())
        if (a->objectName() == QStringLiteral("look214")) a->trigger();
    EXPECT_GT(qApp->palette().color(QPalette::Window).lightness(), 180);
}

TEST_F(MainWindowFeatures, TheShownTableIsExportedAsTheCommandLinePrintsIt) {
    window->workView()->selectCode(table_code::kCoordinates);
    testing::settle();
    QAction* exportTable = window->action("exportTable");
    ASSERT_NE(exportTable, nullptr);
    EXPECT_TRUE(exportTable->isEnabled());
    EXPECT_TRUE(window->action("print")->isEnabled());
    const std::string csv = (dir / "coords.csv").string();
    prompter.fileNames = {csv};
    exportTable->trigger();
    std::ifstream in(csv, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), csvExport(window->tableView()->grid()));
    EXPECT_EQ(bytes.str().substr(0, 3), "\xEF\xBB\xBF");  // a byte-order mark for spreadsheet programs
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MainWindowFeatures, ExportAndImportARoadThroughTheFileMenu) {
    const std::string xml = (dir / "main.xml").string();
    prompter.fileNames = {xml};
    window->action("export")->trigger();
    ASSERT_TRUE(std::filesystem::exists(xml)) << (prompter.shown.empty() ? "" : prompter.shown.back());
    const std::size_t roads = window->controller().project().roads.size();
    prompter.fileNames = {xml};
    window->action("import")->trigger();
    const RoadProject& p = window->controller().project();
    ASSERT_EQ(p.roads.size(), roads + 1);
    EXPECT_EQ(p.currentRoad, static_cast<int>(roads));
    EXPECT_EQ(p.roads.back().elements.size(), p.roads[0].elements.size());
    EXPECT_NE(p.roads.back().name, p.roads[0].name);  // made unique
    window->controller().undo();
    EXPECT_EQ(window->controller().project().roads.size(), roads);

    // A file that cannot be written is told with its name and reason in Chinese.
    prompter.shown.clear();
    prompter.fileNames = {(dir / "gone" / "main.dxf").string()};
    window->action("export")->trigger();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], "导出文件“main.dxf”失败：文件或它所在的文件夹不存在。");
}

// A file with several alignments asks which one; the one picked is added, a
// cancelled question adds nothing.
TEST_F(MainWindowFeatures, ImportOfSeveralAlignmentsAsksWhichOne) {
    const std::filesystem::path xml = dir / "both.xml";
    ASSERT_EQ(exchange::exportRoads(window->controller().project(), -1, xml).status, exchange::kExchangeOk);
    const RoadProject& p = window->controller().project();
    const std::size_t roads = p.roads.size();
    ASSERT_GE(roads, 2u);
    prompter.fileNames = {xml.string()};
    prompter.choices = {};
    window->action("import")->trigger();
    EXPECT_EQ(p.roads.size(), roads);
    prompter.fileNames = {xml.string()};
    prompter.choices = {1};
    window->action("import")->trigger();
    ASSERT_EQ(p.roads.size(), roads + 1);
    EXPECT_EQ(p.roads.back().elements.size(), p.roads[1].elements.size());
}

TEST(AboutBox, NamesTheVersionAndTheLicence) {
    const QString text = aboutText();
    EXPECT_TRUE(text.contains(QStringLiteral("沃尼克斯")));
    EXPECT_TRUE(text.contains(QStringLiteral("GPL-2.0-or-later")));
    // The program's version and, beside it, the version the title carries, from one place.
    EXPECT_TRUE(text.contains(QStringLiteral("版本 ") + QString::fromUtf8(kProgramVersion)));
    EXPECT_TRUE(text.contains(QString::fromUtf8(kTitleVersion)));
    EXPECT_EQ(applicationTitle(), QStringLiteral("沃尼克斯V0.9.20120223"));
}

}  // namespace
}  // namespace vornex::app
