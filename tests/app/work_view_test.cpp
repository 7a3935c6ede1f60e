#include <QComboBox>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include "app/property_grid.h"
#include "app/table_view.h"
#include "app/tree_items.h"
#include "app/work_view.h"
#include "app_fixture.h"
#include "model/record_store.h"
#include "tables/data_tables.h"
#include "tables/road_tables.h"

namespace vornex::app {
namespace {

using testing::ScriptedAppPrompter;
using testing::TempDir;

TEST(TreeItems, Classification) {
    struct Case {
        int data;
        std::optional<int> parent, grandparent;
        int folder, child;
    };
    const Case cases[] = {
        {-101, -100, std::nullopt, -1, -1},  // a category
        {-130, -100, std::nullopt, -130, -1}, {-121, -100, std::nullopt, -121, -1},
        {-114, -100, std::nullopt, -114, -1}, {-110, -100, std::nullopt, -110, -1},
        {2, -130, -100, -131, -130},  // a bridge
        {1, 2, -130, -131, -131},     // a pier
        {0, -121, -100, -122, -122},  // a slope template
        {3, -114, -100, -114, -114},  // a tunnel-section template
        {-112, 3, -114, -1, -1},      // a part of it
        {1, -110, -100, -110, -110},  // a tunnel
        {-100, std::nullopt, std::nullopt, -1, -1},
    };
    for (const Case& c : cases) {
        const ItemClass k = classifyDataItem(c.data, c.parent, c.grandparent);
        EXPECT_EQ(k.folder, c.folder) << c.data;
        EXPECT_EQ(k.child, c.child) << c.data;
    }
}

TEST(TreeItems, WhatASelectionMakesCurrent) {
    DataSelection s = dataSelection(1, 2, -130);  // pier 1 of bridge 2
    EXPECT_EQ(s.code, -131);
    EXPECT_EQ(s.pane, PropertyPane::Bridge);
    EXPECT_EQ(s.bridge, 2);
    EXPECT_EQ(s.pier, 1);
    s = dataSelection(2, -130, -100);  // bridge 2
    EXPECT_EQ(s.code, -130);
    EXPECT_EQ(s.bridge, 2);
    EXPECT_EQ(s.pier, -1);
    s = dataSelection(-130, -100, std::nullopt);
    EXPECT_TRUE(s.setsBridge);
    EXPECT_EQ(s.bridge, -1);
    s = dataSelection(-113, 1, -114);
    EXPECT_EQ(s.pane, PropertyPane::TunnelTemplate);
    EXPECT_EQ(s.tunnelTemplate, 1);
    EXPECT_EQ(s.code, -113);
    s = dataSelection(-114, -100, std::nullopt);  // the folder: no template
    EXPECT_EQ(s.tunnelTemplate, -1);
    s = dataSelection(-115, 0, -110);
    EXPECT_EQ(s.pane, PropertyPane::Tunnel);
    EXPECT_EQ(s.tunnel, 0);
    s = dataSelection(3, -121, -100);
    EXPECT_EQ(s.code, -122);
    EXPECT_EQ(s.pane, PropertyPane::Road);
    EXPECT_EQ(s.slopeTemplate, 3);
}

class WorkViewTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        file = testing::writeDemo(dir);
        window = std::make_unique<MainWindow>(&prompter);
        window->resize(1200, 800);
        window->show();
        ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
        view = window->workView();
    }
    CVornexPcDoc& doc() { return window->controller().doc(); }
    QTreeWidgetItem* find(QTreeWidget* tree, const QString& caption) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->text(0) == caption) return *it;
        return nullptr;
    }

    TempDir dir;
    std::filesystem::path file;
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
    CWorkView* view = nullptr;
};

class WorkViewTest : public WorkViewTestBase {};

TEST_F(WorkViewTest, EveryRoadItemShowsItsTable) {
    const Road& road = doc().project().roads[0];
    ASSERT_EQ(road.curveForm, 0);
    ASSERT_FALSE(road.bridges.empty());
    ASSERT_FALSE(road.bridges[0].piers.empty());
    ASSERT_FALSE(road.tunnels.empty());
    ASSERT_FALSE(road.tunnelTemplates.empty());
    ASSERT_FALSE(road.slopeTemplates.empty());
    const QString bridge = QString::fromStdString(road.bridges[0].name.utf8());
    const QString pier = QString::fromStdString(road.bridges[0].piers[0].name.utf8());
    const QString slope = QString::fromStdString(road.slopeTemplates[0].name.utf8());
    struct Case {
        QString caption;
        int code;         // the document's current code
        int table;        // the table shown (0: none)
        QString column0;  // its first caption
    };
    const Case cases[] = {
        {QStringLiteral("控制点"), -101, -101, QStringLiteral("点名")},
        {QStringLiteral("断链数据"), -102, -102, QStringLiteral("开始桩号(m)")},
        {QStringLiteral("平面设计线"), -103, -103, QStringLiteral("交点名")},
        {QStringLiteral("纵断面设计"), -105, -105, QStringLiteral("变坡点桩号(m)")},
        {QStringLiteral("标准横断面"), -106, -106, QStringLiteral("板块类型")},
        {QStringLiteral("路幅宽度变化"), -108, -108, QStringLiteral("变化点桩号")},
        {QStringLiteral("路幅坡度变化"), -109, -109, QStringLiteral("变化点桩号")},
        {QStringLiteral("构筑物"), -132, -132, QStringLiteral("桩号(m)")},
        {QStringLiteral("边坡参数"), -120, -120, QStringLiteral("桩号")},
        {slope, -122, -122, QStringLiteral("边坡类型")},
        {QStringLiteral("边坡模板"), -121, 0, {}},
        {QStringLiteral("桥梁"), -130, 0, {}},
        {bridge, -130, 0, {}},
        {pier, -131, -131, QStringLiteral("桩柱编号")},
        {QStringLiteral("开挖线"), -111, -111, QStringLiteral("平距(m)")},
        {QStringLiteral("初支"), -112, -112, QStringLiteral("平距(m)")},
        {QStringLiteral("二衬"), -113, -113, QStringLiteral("平距(m)")},
        {QStringLiteral("坡度定义"), -116, -116, QStringLiteral("坡度1:n")},
        {QStringLiteral("桩号定义"), -117, -117, QStringLiteral("桩号")},
        {QStringLiteral("炮眼点"), -115, -115, QStringLiteral("点名")},
        {QStringLiteral("数据输入"), -100, 0, {}},
    };
    for (const Case& c : cases) {
        QTreeWidgetItem* item = find(view->dataTree(), c.caption);
        ASSERT_NE(item, nullptr) << c.caption.toStdString();
        view->dataTree()->setCurrentItem(item);
        EXPECT_EQ(doc().currentTable, c.code) << c.caption.toStdString();
        const Grid& g = window->tableView()->grid();
        if (c.table == 0) {
            EXPECT_EQ(g.columnCount(), 0) << c.caption.toStdString();
        } else {
            EXPECT_EQ(g.code, c.table) << c.caption.toStdString();
            ASSERT_GT(g.columnCount(), 0) << c.caption.toStdString();
            EXPECT_EQ(QString::fromStdString(g.columns[0].caption), c.column0) << c.caption.toStdString();
            EXPECT_GT(g.rowCount(), 1) << c.caption.toStdString();  // records and the empty row
        }
        EXPECT_TRUE(window->drawingPane()->isVisibleTo(window.get())) << c.caption.toStdString();
    }
    // The pier made its bridge and itself current.
    view->dataTree()->setCurrentItem(find(view->dataTree(), pier));
    EXPECT_EQ(doc().currentRoad()->currentBridge, 0);
    EXPECT_EQ(doc().currentRoad()->currentPier, 0);
    EXPECT_EQ(view->currentGrid(), view->bridgeGrid());
    EXPECT_EQ(view->bridgeGrid()->value("pierName"), pier);

    // The results tree: every result code, and the drawing hides.
    view->setResultsMode(true);
    for (const TreeEntry& e : resultItems()) {
        QTreeWidgetItem* item = find(view->resultsTree(), e.caption);
        ASSERT_NE(item, nullptr);
        view->resultsTree()->setCurrentItem(item);
        EXPECT_EQ(doc().currentTable, e.code);
        EXPECT_EQ(window->tableView()->grid().code, e.code) << e.caption.toStdString();
        EXPECT_GT(window->tableView()->grid().columnCount(), 0);
        EXPECT_FALSE(window->tableView()->isEditable());
        EXPECT_FALSE(window->drawingPane()->isVisibleTo(window.get()));
    }
    // A data selection shows the drawing again.
    view->setResultsMode(false);
    view->dataTree()->setCurrentItem(find(view->dataTree(), QStringLiteral("纵断面设计")));
    EXPECT_TRUE(window->drawingPane()->isVisibleTo(window.get()));
}

TEST_F(WorkViewTest, PlaneItemFollowsTheRoadMethod) {
    ASSERT_EQ(doc().project().roads[1].curveForm, 1);  // 匝道A by elements
    view->dataTree()->setCurrentItem(find(view->dataTree(), QStringLiteral("平面设计线")));
    EXPECT_EQ(window->tableView()->grid().code, -103);
    window->controller().setCurrentRoad(1);
    EXPECT_EQ(view->roadSelector()->currentText(), QStringLiteral("匝道A"));
    EXPECT_EQ(doc().currentTable, -104);  // the tree was rebuilt with the road's code
    EXPECT_EQ(window->tableView()->grid().code, -104);
    // A stored -103 on a road by elements still shows the element table.
    doc().currentTable = -103;
    window->tableView()->rebuild();
    EXPECT_EQ(window->tableView()->grid().code, -104);
    EXPECT_EQ(window->tableView()->grid().columns[0].caption, "长度(m)");
}

TEST_F(WorkViewTest, RoadRenameRefusesADuplicateName) {
    PropertyGrid* grid = view->roadGrid();
    ASSERT_EQ(grid->value("roadName"), QStringLiteral("主线"));
    ASSERT_TRUE(grid->enter("roadName", QStringLiteral("匝道A")));
    testing::settle();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], "路线名已存在， 请重新输入。");
    EXPECT_EQ(doc().project().roads[0].name.utf8(), "主线");
    EXPECT_EQ(grid->value("roadName"), QStringLiteral("主线"));  // the old name shows again
    EXPECT_FALSE(window->controller().modified());
    EXPECT_FALSE(window->controller().canUndo());
    // A free name is stored, undoable, and the selector follows.
    ASSERT_TRUE(grid->enter("roadName", QStringLiteral("干线")));
    testing::settle();
    EXPECT_EQ(doc().project().roads[0].name.utf8(), "干线");
    EXPECT_EQ(view->roadSelector()->itemText(0), QStringLiteral("干线"));
    EXPECT_TRUE(window->controller().modified());
    window->controller().undo();
    EXPECT_EQ(doc().project().roads[0].name.utf8(), "主线");
    EXPECT_EQ(view->roadSelector()->itemText(0), QStringLiteral("主线"));
}

TEST_F(WorkViewTest, RoadPropertiesFollowTheDocumentRules) {
    PropertyGrid* grid = view->roadGrid();
    grid->enter("prefix", QStringLiteral("abc"));
    testing::settle();
    EXPECT_EQ(doc().currentRoad()->stationPrefix.utf8(), "AB");
    EXPECT_EQ(grid->value("prefix"), QStringLiteral("AB"));
    grid->enter("precision", QStringLiteral("0.5"));
    testing::settle();
    EXPECT_DOUBLE_EQ(doc().project().precision, 0.0005);
    grid->enter("precision", QStringLiteral("abc"));  // not a number: nothing changes
    testing::settle();
    EXPECT_DOUBLE_EQ(doc().project().precision, 0.0005);
    EXPECT_EQ(grid->value("precision"), QStringLiteral("0.5"));
    grid->enter("projectName", QString());  // empty: the stored name shows again
    testing::settle();
    EXPECT_FALSE(grid->value("projectName").isEmpty());
    EXPECT_FALSE(grid->isEditable("startX"));  // a road by intersection points
    grid->enter("curveForm", QStringLiteral("线元法"));
    testing::settle();
    EXPECT_EQ(doc().currentRoad()->curveForm, 1);
    EXPECT_TRUE(grid->isEditable("startX"));
}

// Picking a choice in the pane's combo stores it at once: no Enter and no
// leaving the cell needed.
TEST_F(WorkViewTest, APickedChoiceIsStoredAtOnce) {
    QTreeView* tree = view->roadGrid()->view();
    const QAbstractItemModel* model = tree->model();
    QModelIndex value;
    for (int g = 0; g < model->rowCount() && !value.isValid(); ++g) {
        const QModelIndex group = model->index(g, 0);
        for (int r = 0; r < model->rowCount(group); ++r)
            if (model->index(r, 0, group).data().toString() == QStringLiteral("曲线形式")) value = model->index(r, 1, group);
    }
    ASSERT_TRUE(value.isValid());
    tree->setCurrentIndex(value);
    tree->edit(value);
    auto* box = tree->findChild<QComboBox*>();
    ASSERT_NE(box, nullptr);
    const int pick = box->findText(QStringLiteral("线元法"));
    ASSERT_GE(pick, 0);
    box->setCurrentIndex(pick);
    emit box->activated(pick);
    testing::settle();
    EXPECT_EQ(doc().currentRoad()->curveForm, 1);
}

TEST_F(WorkViewTest, RoadAddAndDeleteFromTheTree) {
    QTreeWidgetItem* root = view->dataTree()->topLevelItem(0);
    QList<QAction*> actions = view->contextActions(root);
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("增加一条路线"));
    actions[0]->trigger();
    qDeleteAll(actions);
    ASSERT_EQ(doc().project().roads.size(), 3u);
    EXPECT_EQ(doc().project().roads[2].name.utf8(), "Road01");
    EXPECT_EQ(view->roadSelector()->currentText(), QStringLiteral("Road01"));
    prompter.yesNoAnswers = {true};
    actions = view->contextActions(view->dataTree()->topLevelItem(0));
    actions[1]->trigger();
    qDeleteAll(actions);
    EXPECT_EQ(prompter.shown.back(), "您是否真的要删除路线<Road01>?");
    EXPECT_EQ(doc().project().roads.size(), 2u);
    window->controller().undo();
    EXPECT_EQ(doc().project().roads.size(), 3u);
}

}  // namespace
}  // namespace vornex::app

namespace vornex::app {
namespace {

// The data tree's context menu on the demo: parent records added, refused,
// deleted and renamed through the core commands, each one undo step.
class ParentRecordMenuTest : public WorkViewTestBase {};

QAction* findAction(const QList<QAction*>& actions, const QString& text) {
    for (QAction* a : actions)
        if (a->text() == text) return a;
    return nullptr;
}

TEST_F(ParentRecordMenuTest, AddDeleteAndRenameFromTheTree) {
    const Road& road = doc().project().roads[0];
    const std::size_t bridges = road.bridges.size();
    // Add a bridge from the folder's menu: the new item is selected.
    QList<QAction*> actions = view->contextActions(find(view->dataTree(), QStringLiteral("桥梁")));
    QAction* add = findAction(actions, QStringLiteral("增加桥梁"));
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(add->isEnabled());
    add->trigger();
    qDeleteAll(actions);
    ASSERT_EQ(road.bridges.size(), bridges + 1);
    const QString added = QString::fromStdString(road.bridges.back().name.utf8());
    ASSERT_NE(view->dataTree()->currentItem(), nullptr);
    EXPECT_EQ(view->dataTree()->currentItem()->text(0), added);
    EXPECT_EQ(doc().currentRoad()->currentBridge, int(bridges));
    EXPECT_EQ(view->currentGrid(), view->bridgeGrid());
    // A slope template in use cannot be deleted.
    const QString slope = QString::fromStdString(road.slopeTemplates[0].name.utf8());
    actions = view->contextActions(find(view->dataTree(), slope));
    QAction* del = findAction(actions, QStringLiteral("删除边坡模板"));
    ASSERT_NE(del, nullptr);
    prompter.yesNoAnswers = {true, true};
    del->trigger();
    qDeleteAll(actions);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back(), "不能删除边坡模板.\n有边坡参数引用该边坡模板.");
    EXPECT_EQ(QString::fromStdString(road.slopeTemplates[0].name.utf8()), slope);
    // Renaming to a name another template has is refused; the tree shows the old name.
    QTreeWidgetItem* second = find(view->dataTree(), QString::fromStdString(road.slopeTemplates[1].name.utf8()));
    second->setText(0, slope);
    testing::settle();
    EXPECT_EQ(prompter.shown.back(), "边坡模板已经存在，请重新输入。");
    EXPECT_NE(road.slopeTemplates[1].name.utf8(), slope.toStdString());
    EXPECT_NE(find(view->dataTree(), QString::fromStdString(road.slopeTemplates[1].name.utf8())), nullptr);
    // Deleting the new bridge; then undo brings it back, redo takes it again.
    actions = view->contextActions(find(view->dataTree(), added));
    del = findAction(actions, QStringLiteral("删除桥梁"));
    ASSERT_NE(del, nullptr);
    prompter.yesNoAnswers = {true};
    del->trigger();
    qDeleteAll(actions);
    EXPECT_EQ(road.bridges.size(), bridges);
    EXPECT_EQ(find(view->dataTree(), added), nullptr);
    window->controller().undo();
    EXPECT_EQ(road.bridges.size(), bridges + 1);
    EXPECT_NE(find(view->dataTree(), added), nullptr);
    window->controller().redo();
    EXPECT_EQ(road.bridges.size(), bridges);
}

TEST_F(ParentRecordMenuTest, TunnelNeedsATemplate) {
    // A new project's road has no tunnel-section template.
    ASSERT_TRUE(window->newDocument());
    QList<QAction*> actions = view->contextActions(find(view->dataTree(), QStringLiteral("隧道")));
    QAction* add = findAction(actions, QStringLiteral("增加隧道"));
    ASSERT_NE(add, nullptr);
    add->trigger();
    qDeleteAll(actions);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back(), "请先定义隧道断面模板.");
    EXPECT_TRUE(doc().currentRoad()->tunnels.empty());
    EXPECT_FALSE(window->controller().canUndo());
    // With a template the tunnel comes, with its three parts in the tree.
    actions = view->contextActions(find(view->dataTree(), QStringLiteral("隧道断面模板")));
    findAction(actions, QStringLiteral("增加隧道断面模板"))->trigger();
    qDeleteAll(actions);
    actions = view->contextActions(find(view->dataTree(), QStringLiteral("隧道")));
    findAction(actions, QStringLiteral("增加隧道"))->trigger();
    qDeleteAll(actions);
    ASSERT_EQ(doc().currentRoad()->tunnels.size(), 1u);
    EXPECT_NE(find(view->dataTree(), QStringLiteral("炮眼点")), nullptr);
    EXPECT_EQ(view->currentGrid(), view->tunnelGrid());
}

}  // namespace
}  // namespace vornex::app
