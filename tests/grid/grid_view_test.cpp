#include "grid/grid_view.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "document/demo_project.h"
#include "grid/grid_model.h"
#include "support/scripted_prompter.h"
#include "tables/data_tables.h"
#include "tables/survey_tables.h"

namespace vornex {
namespace {

GridCell cell(std::string text, std::vector<std::string> choices = {}) {
    GridCell c;
    c.text = std::move(text);
    c.editable = true;
    c.choices = std::move(choices);
    return c;
}

// Three columns: a name, a number and a combo; rows show records 0..n-1, then
// the empty row for new records.
Grid smallGrid(int records = 3) {
    Grid g;
    g.code = table_code::kStructures;
    g.columns = {{"名称", 60, "输入名称"}, {"数值(m)", 70, ""}, {"类型", 70, "选择类型"}};
    for (int i = 0; i < records; ++i) {
        GridRow& row = g.addRow(i);
        row.cells[0] = cell("P" + std::to_string(i + 1));
        row.cells[1] = cell("  " + std::to_string(10 * (i + 1)) + ".000");
        row.cells[2] = cell("圆管涵", {"盖板涵", "圆管涵", "通道"});
    }
    GridRow& empty = g.addRow(-1);
    for (GridCell& c : empty.cells) c.editable = true;
    empty.cells[2].choices = {"盖板涵", "圆管涵", "通道"};
    return g;
}

// Ends an in-place edit with Return; the delegate commits it from the event loop.
void pressReturn(QWidget* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

struct Recorder {
    std::vector<GridEdit> edits;
    std::function<void(const GridEdit&)> then;
    GridEditHandler handler() {
        return [this](const GridEdit& e) {
            edits.push_back(e);
            if (then) then(e);
            return true;
        };
    }
};

struct ShownView {
    GridView view;
    explicit ShownView(const Grid& g) {
        view.setGrid(g);
        view.resize(500, 300);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.setFocus();
    }
};

TEST(GridModel, ShowsTextMarksHintsAndChoices) {
    Grid g = smallGrid(2);
    g.rows[1].cells[1].red = true;
    g.rows[0].cells[0].hint = "本格提示";
    GridModel m;
    m.setGrid(g);
    ASSERT_EQ(m.rowCount(), 3);
    ASSERT_EQ(m.columnCount(), 3);
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), "  10.000");  // leading blanks kept
    EXPECT_FALSE(m.data(m.index(0, 1), Qt::ForegroundRole).isValid());
    EXPECT_EQ(m.data(m.index(1, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
    EXPECT_EQ(m.data(m.index(0, 0), Qt::ToolTipRole).toString(), "本格提示");  // the cell's own hint first
    EXPECT_EQ(m.data(m.index(1, 0), Qt::ToolTipRole).toString(), "输入名称");
    EXPECT_FALSE(m.data(m.index(1, 1), Qt::ToolTipRole).isValid());
    EXPECT_EQ(m.data(m.index(0, 2), GridModel::ChoicesRole).toStringList(), QStringList({"盖板涵", "圆管涵", "通道"}));
    EXPECT_TRUE(m.data(m.index(0, 0), GridModel::ChoicesRole).toStringList().isEmpty());
    EXPECT_EQ(m.data(m.index(1, 0), GridModel::RecordRole).toInt(), 1);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "数值(m)");
    EXPECT_EQ(m.headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(), "选择类型");
    EXPECT_EQ(m.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "1");
    EXPECT_EQ(m.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), "*");  // the row for a new record

    // Editable only where the cell is and only when an edit can be stored.
    EXPECT_FALSE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsEditable));
    m.setCellEditHandler([](int, int, const std::string&) { return true; });
    EXPECT_TRUE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsEditable));
    g.rows[0].cells[0].editable = false;
    m.setGrid(g);
    EXPECT_FALSE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsSelectable));
}

TEST(GridModel, SetRowReshowsOneRowWithoutReset) {
    GridModel m;
    m.setGrid(smallGrid(5000));
    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);

    GridRow row = m.grid().rows[2500];
    row.cells[1].text = "  99.000";
    ASSERT_TRUE(m.setRow(2500, row));
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), m.index(2500, 0));
    EXPECT_EQ(changed[0][1].toModelIndex(), m.index(2500, 2));
    EXPECT_EQ(m.data(m.index(2500, 1), Qt::DisplayRole).toString(), "  99.000");

    // The typed-into empty row becomes a record row, and a new empty row follows.
    GridRow added = m.grid().rows[5000];
    added.recordIndex = 5000;
    added.cells[0].text = "新";
    ASSERT_TRUE(m.setRow(5000, added));
    ASSERT_TRUE(m.setRow(5001, smallGrid(0).rows[0]));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(m.headerData(5000, Qt::Vertical, Qt::DisplayRole).toString(), "5001");
    EXPECT_EQ(m.headerData(5001, Qt::Vertical, Qt::DisplayRole).toString(), "*");

    // A row of the wrong shape or beyond the end is refused and changes nothing.
    GridRow shortRow;
    shortRow.cells.resize(2);
    EXPECT_FALSE(m.setRow(0, shortRow));
    EXPECT_FALSE(m.setRow(5003, added));
    EXPECT_EQ(m.rowCount(), 5002);
    EXPECT_EQ(resets.count(), 0);
}

TEST(GridView, RedMarksStayReadableOnADarkPalette) {
    Grid g = smallGrid(1);
    g.rows[0].cells[0].red = true;
    GridView v;
    v.setGrid(g);
    const QModelIndex marked = v.gridModel()->index(0, 0);
    EXPECT_EQ(marked.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    QPalette dark = v.palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    v.setPalette(dark);
    EXPECT_EQ(marked.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 110, 110));
}

TEST(GridView, TypedCellGoesToTheHandlerAndOneRowIsReshown) {
    ShownView s(smallGrid());
    GridView& v = s.view;
    Recorder rec;
    QSignalSpy resets(v.gridModel(), &QAbstractItemModel::modelReset);
    // What the application does: store, then re-show the edited row from the record.
    rec.then = [&](const GridEdit& e) {
        GridRow row = v.grid().rows[static_cast<std::size_t>(e.row)];
        row.cells[static_cast<std::size_t>(e.column)].text = "[" + e.text + "]";
        v.setRow(e.row, row);
    };
    v.setEditHandler(rec.handler());
    EXPECT_EQ(v.accessibleName(), "数据表");

    v.setCurrentCell(1, 1);
    QTest::keyClick(&v, Qt::Key_1);  // typing starts the line edit with the key
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->accessibleName(), "数值(m)");
    QTest::keyClicks(edit, "2.5");
    pressReturn(edit);
    ASSERT_EQ(rec.edits.size(), 1u);
    EXPECT_EQ(rec.edits[0].kind, GridEdit::Kind::Cell);
    EXPECT_EQ(rec.edits[0].row, 1);
    EXPECT_EQ(rec.edits[0].column, 1);
    EXPECT_EQ(rec.edits[0].text, "12.5");
    EXPECT_EQ(v.grid().cell(1, 1).text, "[12.5]");
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(v.currentIndex(), v.gridModel()->index(1, 1));

    // Leaving a cell with its text unchanged is no edit.
    QTest::keyClick(&v, Qt::Key_F2);
    edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(edit, nullptr);
    pressReturn(edit);
    EXPECT_EQ(rec.edits.size(), 1u);
}

TEST(GridView, HandlerMayRebuildTheWholeTableWhileTheEditEnds) {
    ShownView s(smallGrid());
    GridView& v = s.view;
    Recorder rec;
    // The edit re-sorts the records: the table comes back reversed, and the
    // application may name the record the current cell goes to.
    int follow = -1;
    rec.then = [&](const GridEdit&) {
        Grid g = smallGrid();
        std::swap(g.rows[0], g.rows[2]);
        v.setGrid(g);
        if (follow >= 0) {
            EXPECT_TRUE(v.setCurrentRecord(follow, 0));
        }
        EXPECT_EQ(v.grid().rows[0].recordIndex, 2);  // the view answers with the table just given
    };
    v.setEditHandler(rec.handler());
    v.setCurrentCell(0, 0);
    QTest::keyClick(&v, Qt::Key_A);
    pressReturn(QApplication::focusWidget());
    ASSERT_EQ(rec.edits.size(), 1u);
    EXPECT_EQ(rec.edits[0].text, "a");
    for (QLineEdit* e : v.findChildren<QLineEdit*>()) EXPECT_FALSE(e->isVisible());
    // The current cell followed record 0 to its new row.
    EXPECT_EQ(v.currentRecord(), 0);
    EXPECT_EQ(v.currentIndex(), v.gridModel()->index(2, 0));
    EXPECT_TRUE(v.setCurrentRecord(1, 1));
    EXPECT_EQ(v.currentIndex(), v.gridModel()->index(1, 1));
    EXPECT_FALSE(v.setCurrentRecord(7));
    // The view is ready for the next edit.
    follow = 2;
    QTest::keyClick(&v, Qt::Key_B);
    pressReturn(QApplication::focusWidget());
    ASSERT_EQ(rec.edits.size(), 2u);
    EXPECT_EQ(rec.edits[1].text, "b");
    EXPECT_EQ(rec.edits[1].row, 1);
    EXPECT_EQ(v.currentIndex(), v.gridModel()->index(0, 0));
}

TEST(GridView, ComboCellOffersTheChoices) {
    ShownView s(smallGrid());
    GridView& v = s.view;
    Recorder rec;
    v.setEditHandler(rec.handler());
    v.setCurrentCell(0, 2);
    v.edit(v.currentIndex());
    auto* box = qobject_cast<QComboBox*>(v.indexWidget(v.currentIndex()) ? v.indexWidget(v.currentIndex())
                                                                          : QApplication::focusWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "圆管涵");
    EXPECT_EQ(box->accessibleName(), "类型");
    box->setCurrentIndex(2);
    emit box->activated(2);
    ASSERT_EQ(rec.edits.size(), 1u);
    EXPECT_EQ(rec.edits[0].text, "通道");
    EXPECT_EQ(rec.edits[0].column, 2);
}

TEST(GridView, ClipboardKeysCopyCutPasteAndClearTheRange) {
    ShownView s(smallGrid());
    GridView& v = s.view;
    Recorder rec;
    v.setEditHandler(rec.handler());
    v.setCurrentCell(0, 0);
    v.selectionModel()->select(QItemSelection(v.gridModel()->index(0, 0), v.gridModel()->index(1, 1)),
                               QItemSelectionModel::ClearAndSelect);
    const CellRange range = v.selectedRange();
    EXPECT_EQ((std::vector<int>{range.top, range.left, range.bottom, range.right}), (std::vector<int>{0, 0, 1, 1}));

    QTest::keyClick(&v, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "P1\t  10.000\t\r\nP2\t  20.000\t\r\n");
    EXPECT_TRUE(rec.edits.empty());

    QApplication::clipboard()->clear();
    QTest::keyClick(&v, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "P1\t  10.000\t\r\nP2\t  20.000\t\r\n");
    QTest::keyClick(&v, Qt::Key_Delete);
    QApplication::clipboard()->setText("甲\t1\n乙\t2\n");  // as a spreadsheet puts it
    QTest::keyClick(&v, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(rec.edits.size(), 3u);
    EXPECT_EQ(rec.edits[0].kind, GridEdit::Kind::Cut);
    EXPECT_EQ(rec.edits[1].kind, GridEdit::Kind::Clear);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ((std::vector<int>{rec.edits[i].range.top, rec.edits[i].range.left, rec.edits[i].range.bottom,
                                    rec.edits[i].range.right}),
                  (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(rec.edits[2].kind, GridEdit::Kind::Paste);
    EXPECT_EQ(rec.edits[2].row, 0);
    EXPECT_EQ(rec.edits[2].column, 0);
    EXPECT_EQ(rec.edits[2].text, "甲\t1\n乙\t2\n");

    // Without a handler the table is read-only: copy works, nothing else is handed on.
    v.setEditHandler({});
    QTest::keyClick(&v, Qt::Key_Delete);
    QTest::keyClick(&v, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&v, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(rec.edits.size(), 3u);
    QTest::keyClick(&v, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "P1\t  10.000\t\r\nP2\t  20.000\t\r\n");
}

TEST(GridView, ContextMenuOffersGreysAndRunsTheProvidersItems) {
    RoadProject project = makeDemoProject();
    DataTableContext ctx;
    ctx.road = 0;
    Grid g = buildDataTable(project, table_code::kGradePoints, ctx);
    ShownView s(g);
    GridView& v = s.view;
    Recorder rec;
    v.setEditHandler(rec.handler());
    EXPECT_EQ(v.createContextMenu(0, 0), nullptr);  // no provider: no menu
    v.setMenuProvider([&](int row, int column, const CellRange& sel, bool clip) {
        return dataMenu(project, ctx, v.grid(), row, column, sel, clip);
    });
    QApplication::clipboard()->clear();
    v.setCurrentCell(0, 0);
    std::unique_ptr<QMenu> menu(v.createContextMenu(0, 0));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->accessibleName(), "数据输入");
    std::vector<std::string> items;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) items.push_back(a->text().toStdString() + (a->isEnabled() ? "" : " (greyed)"));
    EXPECT_EQ(items, (std::vector<std::string>{"清除(&D)", "剪切(&T)", "复制(&C)", "粘贴(&P) (greyed)", "插入一行(&I)",
                                               "删除一行(&R)", "上移一行(&U) (greyed)", "下移一行(&W)"}));
    for (QAction* a : menu->actions())
        if (a->data().toInt() == static_cast<int>(DataMenuItem::MoveDown)) a->trigger();
    ASSERT_EQ(rec.edits.size(), 1u);
    EXPECT_EQ(rec.edits[0].kind, GridEdit::Kind::Command);
    EXPECT_EQ(rec.edits[0].command, DataMenuItem::MoveDown);
    EXPECT_EQ(rec.edits[0].row, 0);
    EXPECT_EQ(rec.edits[0].range.top, 0);

    // A read-only project opens no menu.
    ctx.editable = false;
    EXPECT_EQ(v.createContextMenu(0, 0), nullptr);
    EXPECT_EQ(v.createContextMenu(-1, 0), nullptr);
}

// The whole way of an edit with the real tables: copy two rows, paste them two
// rows further down, the application storing through the core and re-building.
TEST(GridView, CopiedRowsPastedBackThroughTheCore) {
    RoadProject project = makeDemoProject();
    DataTableContext ctx;
    ctx.road = 0;
    Road& road = project.roads[0];
    ASSERT_GE(road.gradePoints.size(), 4u);
    const std::vector<GradePoint> before = road.gradePoints;
    ShownView s(buildDataTable(project, table_code::kGradePoints, ctx));
    GridView& v = s.view;
    testing::ScriptedPrompter yes;
    v.setEditHandler([&](const GridEdit& e) {
        if (e.kind != GridEdit::Kind::Paste) return false;
        Grid g = v.grid();
        yes.yesNoAnswers = {true};
        if (!pasteCells(project, ctx, g, e.row, e.column, e.text, yes)) return false;
        v.setGrid(buildDataTable(project, table_code::kGradePoints, ctx));
        return true;
    });
    v.selectionModel()->select(QItemSelection(v.gridModel()->index(0, 0), v.gridModel()->index(1, 1)),
                               QItemSelectionModel::ClearAndSelect);
    v.copyToClipboard();
    v.setCurrentCell(2, 0);
    ASSERT_TRUE(v.pasteFromClipboard());
    ASSERT_EQ(road.gradePoints.size(), before.size());
    for (int i : {2, 3}) {
        EXPECT_EQ(road.gradePoints[i].station, before[i - 2].station);
        EXPECT_EQ(road.gradePoints[i].elevation, before[i - 2].elevation);
        EXPECT_EQ(road.gradePoints[i].verticalRadius, before[i].verticalRadius);  // right of the block: untouched
    }
    EXPECT_EQ(road.gradePoints[0], before[0]);
}

TEST(GridView, SpansWidthsAndTwoLevelHeader) {
    Grid g = smallGrid();
    g.rows[0].cells[0].rowSpan = 2;
    g.rows[2].cells[1].columnSpan = 5;  // clipped to the table
    ShownView s(g);
    GridView& v = s.view;
    EXPECT_EQ(v.rowSpan(0, 0), 2);
    EXPECT_EQ(v.columnSpan(2, 1), 2);
    EXPECT_EQ(v.horizontalHeader()->sectionSize(0), std::max(60, v.horizontalHeader()->sectionSize(0)));
    EXPECT_GE(v.horizontalHeader()->sectionSize(2), 70);

    // A row re-shown without its span loses it; the others stay.
    GridRow row = v.grid().rows[0];
    row.cells[0].rowSpan = 1;
    ASSERT_TRUE(v.setRow(0, row));
    EXPECT_EQ(v.rowSpan(0, 0), 1);
    EXPECT_EQ(v.columnSpan(2, 1), 2);

    // Column widths the user set survive a rebuild of the same table.
    v.horizontalHeader()->resizeSection(1, 222);
    v.setGrid(smallGrid());
    EXPECT_EQ(v.horizontalHeader()->sectionSize(1), 222);

    const int oneLevel = v.horizontalHeader()->sizeHint().height();
    Grid errors = buildControlTable(ControlModule{}, survey_table::kPointErrors);
    v.setGrid(errors);
    EXPECT_EQ(v.gridModel()->headerData(2, Qt::Horizontal, GridModel::GroupRole).toString(), "坐标误差");
    EXPECT_EQ(v.gridModel()->headerData(0, Qt::Horizontal, GridModel::GroupRole).toString(), "");
    EXPECT_GE(v.horizontalHeader()->sizeHint().height(), 2 * oneLevel - 2);
    EXPECT_NE(v.horizontalHeader()->sectionSize(1), 222);  // another table: its own widths
}

}  // namespace
}  // namespace vornex
