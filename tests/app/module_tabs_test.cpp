#include <QAbstractButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/module_tabs.h"
#include "app_fixture.h"

namespace vornex::app {
namespace {

TEST(ModuleTabs, HitTestAtTheEdgePixels) {
    struct Case {
        int x, y, tab;
    };
    // Tab i: 3 <= x <= 21 and 38 + 80i < y < 114 + 80i.
    const Case cases[] = {
        {2, 50, -1},   {3, 50, 0},    {21, 50, 0},   {22, 50, -1},  // left and right edges
        {10, 38, -1},  {10, 39, 0},   {10, 113, 0},  {10, 114, -1}, // tab 0, top and bottom
        {10, 118, -1}, {10, 119, 1},  {10, 193, 1},  {10, 194, -1}, // tab 1
        {10, 198, -1}, {10, 199, 2},  {10, 273, 2},  {10, 274, -1}, // tab 2
        {10, 279, -1}, {10, 0, -1},   {-1, 60, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(moduleTabAt(c.x, c.y), c.tab) << c.x << "," << c.y;
    EXPECT_EQ(moduleTabOutline(1), QRect(QPoint(2, 118), QPoint(22, 194)));
}

TEST(ModuleTabs, ClicksChooseOtherTabsOnly) {
    ModuleTabs tabs(0);
    tabs.resize(25, 300);
    QSignalSpy spy(&tabs, &ModuleTabs::moduleChosen);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(10, 60));   // the selected tab
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(22, 140));  // right of the tabs
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(10, 114));  // the bound between tabs 0 and 1
    EXPECT_EQ(spy.count(), 0);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(21, 140));
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(3, 273));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toInt(), 1);
    EXPECT_EQ(spy[1][0].toInt(), 2);
}

// Each tab is a button of its own for screen readers and outside tools; pressing
// it (as they do) chooses the module like a click.
TEST(ModuleTabs, EveryTabIsANamedButton) {
    ModuleTabs tabs(0);
    tabs.resize(25, 300);
    QSignalSpy spy(&tabs, &ModuleTabs::moduleChosen);
    QStringList names;
    for (QAbstractButton* b : tabs.findChildren<QAbstractButton*>()) {
        names << b->accessibleName();
        EXPECT_EQ(moduleTabAt(b->geometry().center().x(), b->geometry().center().y()), int(names.size()) - 1);
        b->click();
    }
    EXPECT_EQ(names, moduleNames());
    ASSERT_EQ(spy.count(), 2);  // the selected tab chooses nothing
    EXPECT_EQ(spy[0][0].toInt(), 1);
    EXPECT_EQ(spy[1][0].toInt(), 2);
}

TEST(ModuleTabs, PaintsTheNamesAndTheOutline) {
    ModuleTabs tabs(1);
    tabs.resize(25, 300);
    QImage img(tabs.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    tabs.render(&img);
    // The outline of tab 1 runs along x = 2 and y = 118; tab 0 has none.
    EXPECT_NE(img.pixelColor(2, 150), QColor(Qt::white));
    EXPECT_NE(img.pixelColor(12, 118), QColor(Qt::white));
    EXPECT_NE(img.pixelColor(22, 150), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(2, 70).rgb(), img.pixelColor(0, 70).rgb());
    // Some ink inside every tab (its characters).
    for (int t = 0; t < 3; ++t) {
        int ink = 0;
        for (int y = 40 + 80 * t; y < 112 + 80 * t; ++y)
            for (int x = 4; x < 21; ++x) ink += img.pixelColor(x, y).lightness() < 128;
        EXPECT_GT(ink, 20) << t;
    }
}

TEST(ModuleTabs, SwitchTheModuleViews) {
    testing::isolateSettings();
    testing::ScriptedAppPrompter prompter;
    MainWindow w(&prompter);
    w.resize(1000, 700);
    w.show();
    EXPECT_EQ(w.currentModule(), 0);
    QWidget* road = w.moduleColumn()->currentWidget();
    auto* tabs = road->findChild<ModuleTabs*>();
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(10, 150));
    EXPECT_EQ(w.currentModule(), 1);
    auto* levelTabs = w.moduleColumn()->currentWidget()->findChild<ModuleTabs*>();
    QTest::mouseClick(levelTabs, Qt::LeftButton, {}, QPoint(10, 150));  // already selected
    EXPECT_EQ(w.currentModule(), 1);
    QTest::mouseClick(levelTabs, Qt::LeftButton, {}, QPoint(10, 60));
    EXPECT_EQ(w.currentModule(), 0);
}

}  // namespace
}  // namespace vornex::app
