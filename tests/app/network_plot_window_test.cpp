// The network plot in the main window: shown in the drawing row of the active
// survey module with a file loaded, following the module and its closure table.
#include <QAction>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/survey_controller.h"
#include "app/work_view.h"
#include "tables/road_tables.h"
#include "app/survey_table_view.h"
#include "app/survey_views.h"
#include "app/views/network_view.h"
#include "app_fixture.h"
#include "grid/grid_view.h"
#include "tables/survey_tables.h"

namespace vornex::app {
namespace {

TEST(NetworkPlotWindow, TheActiveSurveyModuleShowsItsNetwork) {
    testing::isolateSettings();
    const std::filesystem::path examples = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";
    testing::TempDir dir;
    std::filesystem::copy_file(examples / "demo.con", dir / "demo.con");
    std::filesystem::copy_file(examples / "demo.lev", dir / "demo.lev");
    testing::ScriptedAppPrompter prompter;
    MainWindow window(&prompter);
    window.resize(1200, 800);
    window.show();
    testing::settle();
    NetworkView* plot = window.networkView();
    ASSERT_NE(plot, nullptr);
    EXPECT_FALSE(plot->isVisibleTo(&window));  // the road module draws the road

    // A control file opens in its module: the plot shows its points.
    ASSERT_TRUE(window.openFile(QString::fromStdString((dir / "demo.con").string())));
    EXPECT_EQ(window.currentModule(), kControlModule);
    EXPECT_TRUE(plot->isVisibleTo(&window));
    EXPECT_FALSE(window.drawingPane()->isVisibleTo(&window));
    testing::settle();
    EXPECT_GT(plot->height(), 100);
    ASSERT_EQ(plot->kind(), NetworkView::Kind::Control);
    EXPECT_EQ(plot->plot().points.size(), 7u);
    EXPECT_EQ(plot->plot().ellipses.size(), 5u);
    EXPECT_TRUE(std::any_of(plot->plot().points.begin(), plot->plot().points.end(),
                            [](const NetworkPoint& p) { return p.name == "导线点4"; }));

    // A row of the closure table picks out its path.
    ASSERT_TRUE(window.planeView()->selectItem(survey_table::kControlClosures, -1));
    testing::settle();
    ASSERT_GT(window.surveyTableView()->grid().rowCount(), 1);
    window.surveyTableView()->table()->setCurrentCell(1, 0);
    EXPECT_EQ(plot->highlightedClosure(), 1);

    // The 图形窗口 command hides and shows the row here too.
    window.action("drawing")->trigger();
    EXPECT_FALSE(plot->isVisibleTo(&window));
    window.action("drawing")->trigger();
    EXPECT_TRUE(plot->isVisibleTo(&window));

    // The leveling module draws its route; the road module its road again.
    ASSERT_TRUE(window.openFile(QString::fromStdString((dir / "demo.lev").string())));
    EXPECT_EQ(window.currentModule(), kLevelingModule);
    EXPECT_EQ(plot->kind(), NetworkView::Kind::Route);
    EXPECT_EQ(plot->route().points.size(), 9u);
    EXPECT_EQ(plot->highlightedClosure(), -1);
    window.showModule(0);
    EXPECT_FALSE(plot->isVisibleTo(&window));
    EXPECT_TRUE(window.drawingPane()->isVisibleTo(&window));
    testing::settle();
    EXPECT_GT(window.drawingPane()->height(), 100);
    // Closing the file empties the plot and hides the row.
    window.showModule(kControlModule);
    EXPECT_TRUE(plot->isVisibleTo(&window));
    window.survey().close(kControlModule);
    EXPECT_FALSE(plot->isVisibleTo(&window));
    EXPECT_EQ(plot->kind(), NetworkView::Kind::None);
}

}  // namespace
}  // namespace vornex::app

namespace vornex::app {
namespace {

// A result table of the road module hides the road drawing; that says nothing
// about the survey modules, whose plot still shows when a file opens there, and
// going back to the road module keeps its drawing hidden.
TEST(NetworkPlotWindow, TheRoadModulesHiddenDrawingDoesNotHideThePlot) {
    testing::isolateSettings();
    const std::filesystem::path examples = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";
    testing::ScriptedAppPrompter prompter;
    MainWindow window(&prompter);
    window.resize(1200, 800);
    window.show();
    ASSERT_TRUE(window.openFile(QString::fromStdString((examples / "demo.rod").string())));
    ASSERT_TRUE(window.workView()->selectCode(table_code::kCoordinates));
    EXPECT_FALSE(window.drawingPane()->isVisibleTo(&window));
    EXPECT_FALSE(window.action("drawing")->isChecked());

    ASSERT_TRUE(window.openFile(QString::fromStdString((examples / "demo.con").string())));
    EXPECT_TRUE(window.networkView()->isVisibleTo(&window));
    EXPECT_TRUE(window.action("drawing")->isChecked());

    window.showModule(0);
    EXPECT_FALSE(window.drawingPane()->isVisibleTo(&window));
    EXPECT_FALSE(window.action("drawing")->isChecked());
}

}  // namespace
}  // namespace vornex::app
