#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "app/table_view.h"
#include "app/work_view.h"
#include "app_fixture.h"
#include "grid/grid_model.h"

namespace vornex::app {
namespace {

using testing::ScriptedAppPrompter;
using testing::TempDir;

class TableViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        // Values with more digits than the tables show: an edit must not round them.
        RoadProject p = makeDemoProject();
        p.controlPoints[0].x = 3400862.41712345;
        p.controlPoints[0].y = 499871.20549876;
        p.controlPoints[0].h = 101.88449;
        p.roads[0].gradePoints[1].elevation = 105.123456789;
        file = dir / "fine.rod";
        ASSERT_EQ(writeProject(p, file), 1);
        window = std::make_unique<MainWindow>(&prompter);
        window->resize(1200, 800);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    }
    CVornexPcDoc& doc() { return window->controller().doc(); }
    // Types `text` into cell (row, column) with the keyboard: F2, select all, type, Return.
    void type(int row, int column, const QString& text) {
        GridView* table = window->tableView()->table();
        table->setFocus();
        table->setCurrentCell(row, column);
        QTest::keyClick(table, Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, nullptr);
        ASSERT_NE(editor, table);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        testing::settle();
    }

    TempDir dir;
    std::filesystem::path file;
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(TableViewTest, TypedCellIsStoredExactlyAndTheRestOfTheRowStays) {
    window->workView()->selectCode(-101);
    const ControlPoint before = doc().project().controlPoints[0];
    type(0, 3, QStringLiteral("102.12345678"));  // 高程(m)
    const ControlPoint& after = doc().project().controlPoints[0];
    EXPECT_EQ(after.h, 102.12345678);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(after.name, before.name);
    EXPECT_EQ(after.note, before.note);
    EXPECT_EQ(window->tableView()->grid().cell(0, 3).text, "102.1235");  // shown as the table formats it
    EXPECT_TRUE(window->isWindowModified());

    // A grade point: the station and radius stay as stored while the elevation changes.
    window->workView()->selectCode(-105);
    const GradePoint g = doc().currentRoad()->gradePoints[1];
    type(1, 2, QStringLiteral("2500"));
    EXPECT_EQ(doc().currentRoad()->gradePoints[1].verticalRadius, 2500);
    EXPECT_EQ(doc().currentRoad()->gradePoints[1].elevation, g.elevation);
    EXPECT_EQ(doc().currentRoad()->gradePoints[1].station, g.station);
    // One step back restores the radius.
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc().currentRoad()->gradePoints[1].verticalRadius, g.verticalRadius);
}

TEST_F(TableViewTest, TypingShowsOnlyTheEditedRowAgain) {
    window->workView()->selectCode(-105);
    TableView* table = window->tableView();
    const int rebuilds = table->rebuildCount();
    const int rows = table->rowUpdateCount();
    type(2, 1, QStringLiteral("110.5"));
    EXPECT_EQ(table->rebuildCount(), rebuilds);
    EXPECT_EQ(table->rowUpdateCount(), rows + 1);
    EXPECT_EQ(table->grid().cell(2, 1).text, "110.5000");
}

TEST_F(TableViewTest, ReorderedChainBreakKeepsTheCurrentCellOnItsRecord) {
    window->workView()->selectCode(-102);
    const auto& breaks = doc().currentRoad()->chainBreaks;
    ASSERT_GE(breaks.size(), 2u);
    const double last = breaks.back().startStation;
    // The first break typed past the last one moves to the end of the ordered list.
    type(0, 0, QString::number(last + 1000, 'f', 3));
    ASSERT_EQ(breaks.back().startStation, last + 1000);
    GridView* table = window->tableView()->table();
    EXPECT_EQ(table->currentRecord(), int(breaks.size()) - 1);
    EXPECT_EQ(table->currentIndex().row(), int(breaks.size()) - 1);
    EXPECT_EQ(table->currentIndex().column(), 0);
}

TEST_F(TableViewTest, TypingIntoTheEmptyRowAddsARecord) {
    window->workView()->selectCode(-101);
    const std::size_t n = doc().project().controlPoints.size();
    type(int(n), 0, QStringLiteral("NEW1"));
    ASSERT_EQ(doc().project().controlPoints.size(), n + 1);
    EXPECT_EQ(doc().project().controlPoints[n].name.utf8(), "NEW1");
    EXPECT_EQ(window->tableView()->grid().rowCount(), int(n) + 2);  // the records and a new empty row
    window->controller().undo();
    EXPECT_EQ(doc().project().controlPoints.size(), n);
    EXPECT_EQ(window->tableView()->grid().rowCount(), int(n) + 1);
}

}  // namespace
}  // namespace vornex::app
