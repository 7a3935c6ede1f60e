#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "app/table_view.h"
#include "app/views/drawing_pane.h"
#include "app/views/section_view.h"
#include "tables/road_tables.h"

#include <QComboBox>
#include <QFileInfo>
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

namespace vornex::app {
namespace {

// The coordinate table's interval: chosen or typed, kept per project file,
// 100 m for a file never set and for an unsaved project, and the cross
// section's station box steps by it.
TEST_F(TableViewTest, CoordinateIntervalIsKeptPerProjectFileAndStepsTheCrossSection) {
    window->workView()->selectCode(table_code::kCoordinates);
    TableView* view = window->tableView();
    QComboBox* box = view->intervalSelector();
    testing::settle();
    ASSERT_EQ(view->grid().code, table_code::kCoordinates);
    ASSERT_TRUE(box->isVisibleTo(window.get()));
    EXPECT_EQ(view->coordinateInterval(), 100);
    const int rowsAt100 = view->grid().rowCount();

    box->setCurrentIndex(2);  // 20 m
    emit box->activated(2);
    EXPECT_EQ(view->coordinateInterval(), 20);
    EXPECT_GT(view->grid().rowCount(), rowsAt100);
    auto* pane = qobject_cast<DrawingPane*>(window->drawingPane());
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->section()->interval(), 20);

    // A typed step; nonsense keeps the one in force.
    box->lineEdit()->setText(QStringLiteral("7.5米"));
    emit box->lineEdit()->editingFinished();
    EXPECT_EQ(view->coordinateInterval(), 7.5);
    box->lineEdit()->setText(QStringLiteral("0"));
    emit box->lineEdit()->editingFinished();
    EXPECT_EQ(view->coordinateInterval(), 7.5);
    EXPECT_EQ(box->currentText(), QStringLiteral("7.5 m"));

    // Another project file starts at 100 m; this one gets its 7.5 m back.
    const auto other = testing::writeDemo(dir, "other.rod");
    ASSERT_TRUE(window->openFile(QString::fromStdString(other.string())));
    EXPECT_EQ(view->coordinateInterval(), 100);
    EXPECT_EQ(pane->section()->interval(), 100);
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    EXPECT_EQ(view->coordinateInterval(), 7.5);

    // A new project starts at 100 m; the step chosen before its first save goes with the file.
    window->controller().newDocument();
    EXPECT_EQ(view->coordinateInterval(), 100);
    ASSERT_TRUE(view->setCoordinateInterval(10));
    const auto saved = dir / "new.rod";
    ASSERT_EQ(window->controller().save(QString::fromStdString(saved.string())), 1);
    EXPECT_EQ(storedCoordinateInterval(QFileInfo(QString::fromStdString(saved.string())).absoluteFilePath()), 10);
}

TEST(CoordinateInterval, TypedTextsAreReadAsMetresWithinTheTableLimits) {
    const struct {
        const char* text;
        double metres;
    } cases[] = {{"20", 20}, {" 20 m", 20}, {"5米", 5}, {"0.1", 0.1}, {"100000", 100000},
                 {"0.05", 0},  {"100001", 0}, {"-10", 0},   {"abc", 0}, {"", 0}, {"nan", 0}};
    for (const auto& c : cases) EXPECT_EQ(parseCoordinateInterval(QString::fromUtf8(c.text)), c.metres) << c.text;
}

}  // namespace
}  // namespace vornex::app
