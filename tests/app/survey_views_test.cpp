// The leveling and control-survey modules in the main window: the panes with
// their trees and properties, the survey tables in the result column, the
// property edits that rewrite the data file, and opening survey files.
#include <QAction>
#include <QDir>
#include <QBrush>
#include <QHeaderView>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "adjust/demo_networks.h"
#include "adjust/survey_network.h"
#include "app/property_grid.h"
#include "app/survey_controller.h"
#include "app/survey_table_view.h"
#include "app/survey_views.h"
#include "app/table_view.h"
#include "app/views/network_view.h"
#include "app/work_view.h"
#include "app_fixture.h"
#include "grid/grid_printer.h"
#include "tables/survey_tables.h"

namespace vornex::app {
namespace {

namespace st = survey_table;
using testing::ScriptedAppPrompter;
using testing::TempDir;

const std::filesystem::path kExamples = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";

QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

QStringList topTexts(const QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) texts << tree->topLevelItem(i)->text(0);
    return texts;
}

class SurveyViews : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        QSettings().remove(QString::fromLatin1(kRefractionKey));
        QSettings().remove(QString::fromLatin1(kCurvatureKey));
        // Copies: the edits write into the file.
        std::filesystem::copy_file(kExamples / "demo.lev", lev);
        std::filesystem::copy_file(kExamples / "demo.con", con);
        window = std::make_unique<MainWindow>(&prompter);
        window->resize(1200, 800);
    }
    SurveyController& survey() { return window->survey(); }
    SurveyTableView* table() { return window->surveyTableView(); }
    PropertyGrid* levelGrid() { return window->levelView()->properties(); }
    PropertyGrid* planeGrid() { return window->planeView()->properties(); }
    // Opens through the pane's open command and its file dialog.
    bool openWithCommand(int module, const std::filesystem::path& file) {
        window->showModule(module);
        prompter.fileNames.push_back(file.string());
        window->action("surveyOpen")->trigger();
        return survey().filePath(module) == qpath(file);
    }
    bool select(int module, int code, int index = -1) {
        SurveyModuleView* pane = module == kLevelingModule ? static_cast<SurveyModuleView*>(window->levelView())
                                                           : window->planeView();
        const bool found = pane->selectItem(code, index);
        testing::settle();
        return found;
    }
    QModelIndex cellWithText(const QString& text) const {
        QAbstractItemModel* m = window->surveyTableView()->table()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                if (m->index(r, c).data().toString().trimmed() == text) return m->index(r, c);
        return {};
    }

    TempDir dir;
    std::filesystem::path lev = dir / "demo.lev";
    std::filesystem::path con = dir / "demo.con";
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(SurveyViews, OpeningTheDemosFillsThePanesAndTrees) {
    window->showModule(kLevelingModule);
    // Nothing loaded: only "观测数据", empty values, close disabled.
    QTreeWidget* tree = window->levelView()->tree();
    EXPECT_EQ(topTexts(tree), QStringList{QStringLiteral("观测数据")});
    EXPECT_TRUE(levelGrid()->value("file").isEmpty());
    EXPECT_FALSE(levelGrid()->isEditable("weighting"));
    EXPECT_FALSE(window->action("surveyClose")->isEnabled());

    ASSERT_TRUE(openWithCommand(kLevelingModule, lev));
    EXPECT_EQ(topTexts(tree), (QStringList{QStringLiteral("已知点"), QStringLiteral("计算成果"), QStringLiteral("观测数据")}));
    const int sections = survey().leveling().network.sectionCount();
    ASSERT_GT(sections, 0);
    EXPECT_EQ(tree->topLevelItem(2)->childCount(), sections);
    EXPECT_TRUE(tree->topLevelItem(2)->isExpanded());
    EXPECT_EQ(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("BM1 -- A1"));
    EXPECT_EQ(tree->topLevelItem(1)->childCount(), 5);  // 平差概况 first
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        EXPECT_EQ((*it)->data(0, Qt::AccessibleTextRole).toString(), (*it)->text(0));
    EXPECT_EQ(levelGrid()->value("file"), qpath(lev));
    EXPECT_EQ(levelGrid()->value("class"), QStringLiteral("三等水准"));
    EXPECT_EQ(levelGrid()->value("weighting"), QStringLiteral("测段长度"));
    EXPECT_EQ(levelGrid()->value("coefficient"), QStringLiteral(" 12.0"));
    EXPECT_TRUE(levelGrid()->isEditable("weighting"));
    EXPECT_TRUE(levelGrid()->isEditable("coefficient"));
    EXPECT_FALSE(levelGrid()->isEditable("class"));
    EXPECT_TRUE(window->action("surveyClose")->isEnabled());
    EXPECT_EQ(window->recentFiles().value(0), qpath(lev));
    // The description of the current property shows under the list.
    QTreeView* view = levelGrid()->view();
    const QModelIndex group = view->model()->index(0, 0);
    view->setCurrentIndex(view->model()->index(3, 0, group));
    EXPECT_EQ(levelGrid()->descriptionText(), QStringLiteral("平差计算时采用的定权方式。"));

    // The section group: filled for a section, empty for anything else.
    EXPECT_TRUE(levelGrid()->value("sectionStart").isEmpty());
    ASSERT_TRUE(select(kLevelingModule, st::kReadings, 0));
    EXPECT_EQ(levelGrid()->value("sectionStart"), QStringLiteral("BM1"));
    EXPECT_EQ(levelGrid()->value("sectionEnd"), QStringLiteral("A1"));
    EXPECT_FALSE(levelGrid()->value("stationCount").isEmpty());
    ASSERT_TRUE(select(kLevelingModule, st::kLevelingPoints));
    EXPECT_TRUE(levelGrid()->value("sectionStart").isEmpty());
    // Refresh rebuilds the tree and the table on the same selection.
    QSignalSpy changed(&survey(), &SurveyController::changed);
    window->action("surveyRefresh")->trigger();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(tree->currentItem()->data(0, kSurveyCodeRole).toInt(), st::kLevelingPoints);
    EXPECT_EQ(table()->grid().code, st::kLevelingPoints);

    ASSERT_TRUE(openWithCommand(kControlModule, con));
    tree = window->planeView()->tree();
    EXPECT_EQ(topTexts(tree), (QStringList{QStringLiteral("已知点"), QStringLiteral("方位角观测数据"),
                                           QStringLiteral("计算成果"), QStringLiteral("观测数据")}));
    EXPECT_EQ(tree->topLevelItem(3)->childCount(), int(survey().control().network.stations.size()));
    EXPECT_EQ(planeGrid()->value("type"), QStringLiteral("斜距+垂角"));
    EXPECT_EQ(planeGrid()->value("angleSigma"), QStringLiteral("2.0"));
    EXPECT_TRUE(planeGrid()->isEditable("angleSigma"));
    EXPECT_FALSE(planeGrid()->isEditable("stationName"));
    ASSERT_TRUE(select(kControlModule, st::kObservations, 0));
    EXPECT_FALSE(planeGrid()->value("stationName").isEmpty());
    EXPECT_FALSE(planeGrid()->value("instrumentHeight").isEmpty());

    // Close empties the pane again; the other module keeps its file.
    window->action("surveyClose")->trigger();
    testing::settle();
    EXPECT_EQ(topTexts(tree), QStringList{QStringLiteral("观测数据")});
    EXPECT_TRUE(planeGrid()->value("angleSigma").isEmpty());
    EXPECT_TRUE(planeGrid()->value("stationName").isEmpty());
    EXPECT_FALSE(window->action("surveyClose")->isEnabled());
    EXPECT_EQ(table()->grid().columnCount(), 0);
    EXPECT_TRUE(survey().isLoaded(kLevelingModule));
}

TEST_F(SurveyViews, AnOldLevelingFileShowsTheDefaultCoefficientAndKeepsItFixed) {
    SurveyNetwork old = demoLevelingNetwork();
    old.key = 81;  // written before the coefficient had a field
    old.leveling.levelClass = 0;  // 四等: 20 by section length
    const std::filesystem::path file = dir / "old.lev";
    testing::writeAll(file, levelingFileBytes(old));
    ASSERT_TRUE(window->openFile(qpath(file)));
    EXPECT_EQ(levelGrid()->value("coefficient"), QStringLiteral(" 20.0"));
    EXPECT_FALSE(levelGrid()->isEditable("coefficient"));
    EXPECT_TRUE(levelGrid()->isEditable("weighting"));
    EXPECT_FALSE(levelGrid()->enter("coefficient", QStringLiteral("5")));
}

TEST_F(SurveyViews, EveryTreeItemShowsItsTableInTheResultColumn) {
    ASSERT_TRUE(window->openFile(qpath(lev)));
    ASSERT_TRUE(window->openFile(qpath(con)));
    for (int module : {kLevelingModule, kControlModule}) {
        window->showModule(module);
        QTreeWidget* tree = module == kLevelingModule ? window->levelView()->tree() : window->planeView()->tree();
        int tables = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            tree->setCurrentItem(*it);
            testing::settle();
            const int code = (*it)->data(0, kSurveyCodeRole).toInt();
            EXPECT_EQ(table()->grid().code, code) << (*it)->text(0).toStdString();
            if (code == 0) continue;  // a folder
            ++tables;
            EXPECT_GT(table()->grid().columnCount(), 0) << code;
            EXPECT_EQ(table()->table()->model()->columnCount(), table()->grid().columnCount()) << code;
            EXPECT_TRUE(table()->title().endsWith((*it)->text(0))) << code;
            EXPECT_EQ(window->shownGrid().code, code);
        }
        EXPECT_GT(tables, 5);
    }
    // The forward/return table merges the cells of a pair of runs.
    window->showModule(kLevelingModule);
    ASSERT_TRUE(select(kLevelingModule, st::kLevelingForwardReturn));
    bool merged = false;
    for (int r = 0; r < table()->grid().rowCount(); ++r) merged = merged || table()->table()->rowSpan(r, 0) == 2;
    EXPECT_TRUE(merged);
    // The point errors have a two-level header; the coordinates have one.
    window->showModule(kControlModule);
    ASSERT_TRUE(select(kControlModule, st::kCoordinates));
    const int oneLevel = table()->table()->horizontalHeader()->sizeHint().height();
    ASSERT_TRUE(select(kControlModule, st::kPointErrors));
    EXPECT_FALSE(table()->grid().headerGroups.empty());
    EXPECT_GT(table()->table()->horizontalHeader()->sizeHint().height(), oneLevel);
    // Back in the road module the road table and its drawing show again.
    EXPECT_FALSE(window->drawingPane()->isVisibleTo(window.get()));
    window->showModule(0);
    EXPECT_EQ(&window->shownGrid(), &window->tableView()->grid());
    EXPECT_TRUE(window->drawingPane()->isVisibleTo(window.get()));
}

TEST_F(SurveyViews, ChangingTheWeightingRewritesTheFileAndAdjustsAgain) {
    ASSERT_TRUE(window->openFile(qpath(lev)));
    ASSERT_TRUE(select(kLevelingModule, st::kLevelingClosures));
    EXPECT_EQ(table()->grid().columns[1].caption, "长度(km)");
    const std::string before = testing::readAll(lev);
    QSignalSpy changed(&survey(), &SurveyController::changed);

    ASSERT_TRUE(levelGrid()->enter("weighting", QStringLiteral("测站数")));
    testing::settle();
    EXPECT_EQ(changed.count(), 1);
    // The tables follow at once: closures counted in stations now.
    EXPECT_EQ(table()->grid().columns[1].caption, "测站数");
    EXPECT_EQ(levelGrid()->value("weighting"), QStringLiteral("测站数"));
    EXPECT_EQ(levelGrid()->value("coefficient"), QStringLiteral("  4.0"));  // 三等 by stations
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("不能撤销")));
    // Outside tools read the message as the bar's accessible description.
    EXPECT_EQ(window->statusBar()->accessibleDescription(), window->statusBar()->currentMessage());
    EXPECT_FALSE(window->controller().canUndo());

    // Read back: only the header changed, and it holds the new weighting.
    const std::string after = testing::readAll(lev);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            EXPECT_TRUE(i >= 524 && i < 544) << "byte " << i;
        }
    SurveyNetwork reread;
    testing::ScriptedPrompter quiet;
    ASSERT_TRUE(reread.openLevelingFile(lev, quiet));
    EXPECT_EQ(reread.leveling.weighting, 1);
    EXPECT_DOUBLE_EQ(reread.leveling.closureCoefficient, 4.0);

    // A tiny coefficient puts every closure over its limit: red marks in the grid.
    ASSERT_TRUE(levelGrid()->enter("coefficient", QStringLiteral("0.01")));
    testing::settle();
    const QModelIndex mark = cellWithText(QStringLiteral("闭合差超限"));
    ASSERT_TRUE(mark.isValid());
    EXPECT_EQ(mark.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
    ASSERT_TRUE(reread.openLevelingFile(lev, quiet));
    EXPECT_NEAR(reread.leveling.closureCoefficient, 0.0101, 1e-12);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SurveyViews, ControlParametersAreWrittenAndTheResultsChange) {
    ASSERT_TRUE(window->openFile(qpath(con)));
    ASSERT_TRUE(select(kControlModule, st::kPointErrors));
    const std::string mx = table()->grid().cell(0, 1).text;
    ASSERT_TRUE(planeGrid()->enter("angleSigma", QStringLiteral("10")));
    testing::settle();
    EXPECT_EQ(planeGrid()->value("angleSigma"), QStringLiteral("10.0"));
    EXPECT_NE(table()->grid().cell(0, 1).text, mx);
    SurveyNetwork reread;
    testing::ScriptedPrompter quiet;
    ASSERT_TRUE(reread.openControlFile(con, quiet));
    EXPECT_DOUBLE_EQ(reread.control.angleSigma, 10.0);

    // Text without a number (it would store 0) and a number that is not finite
    // are refused, and the file keeps its value.
    const std::string bytes = testing::readAll(con);
    for (const char* text : {"abc", "inf", "nan"}) {
        prompter.shown.clear();
        ASSERT_TRUE(planeGrid()->enter("distancePpm", QString::fromLatin1(text)));
        testing::settle();
        ASSERT_EQ(prompter.shown.size(), 1u) << text;
        EXPECT_EQ(planeGrid()->value("distancePpm"), QStringLiteral("2.0")) << text;
        EXPECT_EQ(testing::readAll(con), bytes) << text;
    }

    // The refraction coefficient is kept in the settings, not in the file.
    ASSERT_TRUE(planeGrid()->enter("refraction", QStringLiteral("0.2")));
    testing::settle();
    EXPECT_DOUBLE_EQ(QSettings().value(QString::fromLatin1(kRefractionKey)).toDouble(), 0.2);
    EXPECT_DOUBLE_EQ(survey().control().refraction, 0.2);
    EXPECT_EQ(testing::readAll(con), bytes);
    SurveyController second(prompter);
    EXPECT_DOUBLE_EQ(second.refraction(), 0.2);
}

TEST_F(SurveyViews, CurvatureCorrectionIsAChoiceOfItsOwn) {
    // A coefficient of 0 stored before the choice existed meant no correction:
    // it is read once as 不改正 (with the default coefficient) and stored so.
    QSettings().setValue(QString::fromLatin1(kRefractionKey), 0.0);
    QSettings().remove(QString::fromLatin1(kCurvatureKey));  // the window's controller stored it
    {
        SurveyController old(prompter);
        EXPECT_FALSE(old.curvatureCorrection());
        EXPECT_DOUBLE_EQ(old.refraction(), kDefaultRefraction);
        EXPECT_FALSE(QSettings().value(QString::fromLatin1(kCurvatureKey), true).toBool());
    }
    // From then on k = 0 is the curvature of the earth only.
    QSettings().setValue(QString::fromLatin1(kRefractionKey), 0.0);
    QSettings().setValue(QString::fromLatin1(kCurvatureKey), true);
    SurveyController now(prompter);
    EXPECT_TRUE(now.curvatureCorrection());
    EXPECT_DOUBLE_EQ(now.refraction(), 0.0);

    // The pane's choice re-adjusts and is kept in the settings, not in the file.
    ASSERT_TRUE(window->openFile(qpath(con)));
    EXPECT_EQ(planeGrid()->value("curvature"), QStringLiteral("改正"));
    const std::string bytes = testing::readAll(con);
    const double before = survey().control().heights.heights.at(3);
    ASSERT_TRUE(planeGrid()->enter("curvature", QStringLiteral("不改正")));
    testing::settle();
    EXPECT_FALSE(survey().control().correctCurvature);
    EXPECT_FALSE(QSettings().value(QString::fromLatin1(kCurvatureKey)).toBool());
    EXPECT_NE(survey().control().heights.heights.at(3), before);
    EXPECT_EQ(planeGrid()->value("curvature"), QStringLiteral("不改正"));
    EXPECT_EQ(testing::readAll(con), bytes);
}

TEST_F(SurveyViews, AFailedOpenKeepsThePreviousDataAndPane) {
    ASSERT_TRUE(window->openFile(qpath(lev)));
    ASSERT_TRUE(select(kLevelingModule, st::kLevelingPoints));
    const Grid shown = table()->grid();
    const int items = window->levelView()->tree()->topLevelItem(2)->childCount();
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {{"empty.lev", ""}, {"short.lev", std::string(100, '\x01')}};
    for (const Case& c : cases) {
        testing::writeAll(dir / c.name, c.bytes);
        prompter.shown.clear();
        EXPECT_FALSE(openWithCommand(kLevelingModule, dir / c.name)) << c.name;
        EXPECT_EQ(prompter.shown.size(), 1u) << c.name;  // told once, by the reader or the pane
        EXPECT_EQ(survey().filePath(kLevelingModule), qpath(lev));
        EXPECT_EQ(levelGrid()->value("file"), qpath(lev));
        EXPECT_EQ(window->levelView()->tree()->topLevelItem(2)->childCount(), items);
        EXPECT_EQ(table()->grid().code, shown.code);
        EXPECT_EQ(table()->grid().rowCount(), shown.rowCount());
    }
    // A missing file from the command line or recent files: the same.
    EXPECT_FALSE(window->openFile(qpath(dir / "missing.lev")));
    EXPECT_EQ(survey().filePath(kLevelingModule), qpath(lev));
}

TEST_F(SurveyViews, AFailedRewriteIsToldAndChangesNothing) {
    ASSERT_TRUE(window->openFile(qpath(lev)));
    // Read-only where that stops writing; as root it does not, and the file is
    // taken away instead (a folder in its place), which no user can write into.
    std::filesystem::permissions(lev, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
    const bool readOnlyHolds = ::access(lev.c_str(), W_OK) != 0;
    if (!readOnlyHolds) {
        std::filesystem::remove(lev);
        std::filesystem::create_directory(lev);
    }
    ASSERT_TRUE(levelGrid()->enter("weighting", QStringLiteral("测站数")));
    testing::settle();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].find("参数仍为原值"), std::string::npos) << prompter.shown[0];
    EXPECT_EQ(levelGrid()->value("weighting"), QStringLiteral("测段长度"));
    EXPECT_EQ(survey().leveling().network.leveling.weighting, 0);
    EXPECT_FALSE(window->statusBar()->currentMessage().contains(QStringLiteral("不能撤销")));
    if (readOnlyHolds) {
        EXPECT_EQ(testing::readAll(lev), testing::readAll(kExamples / "demo.lev"));
    }
}

TEST_F(SurveyViews, SurveyFilesOpenFromTheCommandLineAndRecentFilesInTheirModule) {
    ASSERT_TRUE(window->openFile(qpath(testing::writeDemo(dir))));
    EXPECT_EQ(window->currentModule(), 0);
    // The command line goes through openFile, as main() does.
    ASSERT_TRUE(window->openFile(qpath(con)));
    EXPECT_EQ(window->currentModule(), kControlModule);
    EXPECT_EQ(window->recentFiles().value(0), qpath(con));
    ASSERT_TRUE(window->openFile(qpath(lev)));
    EXPECT_EQ(window->currentModule(), kLevelingModule);
    window->showModule(0);

    // A modified project is not asked about: a survey file leaves it alone.
    window->workView()->selectCode(-101);
    ASSERT_TRUE(window->tableView()->editCell(0, 4, QStringLiteral("备注")));
    QAction* recentCon = window->findChild<QAction*>(QStringLiteral("recent2"));
    ASSERT_NE(recentCon, nullptr);
    EXPECT_EQ(recentCon->data().toString(), qpath(con));
    window->survey().close(kControlModule);
    recentCon->trigger();
    EXPECT_TRUE(prompter.saveQuestions.empty());
    EXPECT_EQ(window->currentModule(), kControlModule);
    EXPECT_TRUE(survey().isLoaded(kControlModule));
    EXPECT_TRUE(window->controller().modified());
}

TEST_F(SurveyViews, ThePointTablePrintsToPdfAndClosureRowsAreReported) {
    ASSERT_TRUE(window->openFile(qpath(con)));
    QSignalSpy rows(&survey(), &SurveyController::closureRowSelected);
    ASSERT_TRUE(select(kControlModule, st::kControlClosures));
    ASSERT_GE(rows.count(), 1);
    EXPECT_EQ(rows.last().at(0).toInt(), kControlModule);
    table()->table()->setCurrentCell(2, 0);
    EXPECT_EQ(rows.last().at(1).toInt(), 2);
    EXPECT_EQ(survey().closureRow(kControlModule), 2);
    ASSERT_TRUE(select(kControlModule, st::kCoordinates));
    EXPECT_EQ(rows.last().at(1).toInt(), -1);

    // 导出表格 as PDF: the shown survey table with its caption.
    QAction* exportTable = window->action("exportTable");
    ASSERT_TRUE(exportTable->isEnabled());
    const std::filesystem::path pdf = dir / "points.pdf";
    prompter.fileNames.push_back(pdf.string());
    exportTable->trigger();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(testing::readAll(pdf).substr(0, 5), "%PDF-");
    EXPECT_TRUE(window->action("print")->isEnabled());
    EXPECT_EQ(window->shownTableTitle(), QStringLiteral("控制点成果表"));
}

TEST_F(SurveyViews, F6MovesThroughThePanesOfTheActiveSurveyModule) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(window->openFile(qpath(con)));
    ASSERT_TRUE(select(kControlModule, st::kCoordinates));
    QWidget* expected[] = {window->planeView()->tree(), planeGrid()->view(), table()->table(),
                           window->planeView()->tree()};
    window->planeView()->tree()->clearFocus();
    for (QWidget* w : expected) {
        QTest::keyClick(window.get(), Qt::Key_F6);
        EXPECT_TRUE(w->hasFocus());
        EXPECT_EQ(window->currentModule(), kControlModule);
    }
}

// A run left out of the adjustment (A5 -- BM4 of the demo) is greyed and
// marked in the tree, and its pane says so; the data file is named in full
// however it was given.
TEST_F(SurveyViews, AnExcludedRunIsMarkedAndTheFileIsNamedInFull) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(qpath(dir.path())));
    const bool opened = window->openFile(QStringLiteral("demo.lev"));
    QDir::setCurrent(before);
    ASSERT_TRUE(opened);
    EXPECT_EQ(levelGrid()->value("file"), qpath(std::filesystem::absolute(lev)));

    QTreeWidgetItem* runs = window->levelView()->tree()->topLevelItem(2);
    QTreeWidgetItem* excluded = nullptr;
    for (int i = 0; i < runs->childCount(); ++i)
        if (runs->child(i)->text(0) == QStringLiteral("A5 -- BM4（不参与平差）")) excluded = runs->child(i);
    ASSERT_NE(excluded, nullptr);
    const QColor grey = excluded->foreground(0).color();
    EXPECT_EQ(grey, window->levelView()->tree()->palette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_NE(grey, runs->child(0)->foreground(0).color());
    EXPECT_EQ(runs->child(0)->text(0), QStringLiteral("BM1 -- A1"));

    ASSERT_TRUE(select(kLevelingModule, st::kReadings, excluded->data(0, kSurveyIndexRole).toInt()));
    EXPECT_EQ(levelGrid()->value("adjusted"), QStringLiteral("否（不参与平差）"));
    ASSERT_TRUE(select(kLevelingModule, st::kReadings, 0));
    EXPECT_EQ(levelGrid()->value("adjusted"), QStringLiteral("是"));
}

// A row of 平面闭合差 highlights its triangle or traverse in the plot.
TEST_F(SurveyViews, PlaneClosureRowsHighlightTheirFigure) {
    ASSERT_TRUE(window->openFile(qpath(con)));
    window->action("drawing")->setChecked(true);
    ASSERT_TRUE(select(kControlModule, st::kPlaneClosures));
    NetworkView* plot = window->networkView();
    const int rows = table()->table()->model()->rowCount();
    ASSERT_GT(rows, 0);
    EXPECT_EQ(static_cast<int>(plot->plot().planeClosurePaths.size()), rows);
    // Each row's path runs through the points its 点号序列 names.
    const ControlPlot& drawn = plot->plot();
    for (int r = 0; r < rows; ++r) {
        std::vector<int> path = drawn.planeClosurePaths[static_cast<std::size_t>(r)];
        if (path.size() == 4 && path.front() == path.back()) path.pop_back();  // a triangle closes
        QStringList names;
        for (int i : path) names << QString::fromStdString(drawn.points.at(static_cast<std::size_t>(i)).name);
        EXPECT_EQ(names.join(QStringLiteral(" - ")), table()->table()->model()->index(r, 1).data().toString().trimmed());
    }
    table()->table()->setCurrentIndex(table()->table()->model()->index(rows - 1, 0));
    EXPECT_EQ(plot->highlightedClosure(), rows - 1);
    EXPECT_EQ(plot->highlightedTable(), NetworkView::Closures::Plane);
    // Back to the height closures: their rows again.
    ASSERT_TRUE(select(kControlModule, st::kControlClosures));
    table()->table()->setCurrentIndex(table()->table()->model()->index(0, 0));
    EXPECT_EQ(plot->highlightedTable(), NetworkView::Closures::Height);
    EXPECT_EQ(plot->highlightedClosure(), 0);
}

// At 1280 x 800 every property of both panes is in view without scrolling,
// and the split the user drags is kept for the next window.
TEST_F(SurveyViews, AtLaptopSizeEveryPropertyIsInViewAndTheSplitIsKept) {
    for (int module : {kLevelingModule, kControlModule})
        QSettings().remove(QStringLiteral("Layout/SurveySplit%1").arg(module));
    window->resize(1280, 800);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(window->openFile(qpath(lev)));
    ASSERT_TRUE(window->openFile(qpath(con)));
    for (int module : {kLevelingModule, kControlModule}) {
        window->showModule(module);
        testing::settle();
        QTreeView* view = (module == kLevelingModule ? levelGrid() : planeGrid())->view();
        const QRect viewport = view->viewport()->rect();
        int rows = 0;
        for (int g = 0; g < view->model()->rowCount(); ++g) {
            const QModelIndex group = view->model()->index(g, 0);
            for (int r = -1; r < view->model()->rowCount(group); ++r) {
                const QModelIndex at = r < 0 ? group : view->model()->index(r, 0, group);
                if (r >= 0 && view->isRowHidden(r, group)) continue;  // details that do not apply
                EXPECT_TRUE(viewport.contains(view->visualRect(at))) << module << ": " << at.data().toString().toStdString();
                ++rows;
            }
        }
        EXPECT_GT(rows, 10);
    }

    // Drag the control pane's split down: the next window shows it so.
    QSplitter* split = window->planeView()->splitter();
    const int treeBefore = split->sizes()[0];
    QSplitterHandle* handle = split->handle(1);
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(0, 40));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 40));
    const QList<int> dragged = split->sizes();
    ASSERT_EQ(dragged[0], treeBefore + 40);
    window->close();

    ScriptedAppPrompter second;
    MainWindow again(&second);
    again.resize(1280, 800);
    again.show();
    again.showModule(kControlModule);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    testing::settle();
    EXPECT_EQ(again.planeView()->splitter()->sizes(), dragged);
    again.close();
}

}  // namespace
}  // namespace vornex::app
