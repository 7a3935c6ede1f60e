// Every data-entry table typed the way a person types it: into the empty last
// row, with the keyboard only (characters, Tab between cells, Return at the end,
// F2 and the arrow keys for a choice), and the stored record compared with the
// typed values field by field.
#include <QApplication>
#include <QComboBox>
#include <QAction>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/table_view.h"
#include "app/tree_items.h"
#include "app/work_view.h"
#include "app_fixture.h"
#include "grid/grid_view.h"
#include "model/enum_texts.h"

namespace vornex::app {
namespace {

using testing::ScriptedAppPrompter;
using testing::TempDir;
namespace ic = table_code;

// One cell of a typed row: a text typed character by character, or the choice
// with this text picked from the cell's list with the arrow keys.
struct Key {
    std::string text;
    bool choice = false;
};
Key T(std::string t) { return {std::move(t), false}; }
Key C(std::string t) { return {std::move(t), true}; }

struct TypedRow {
    const char* name;
    std::vector<int> path;  // data-tree item of the table
    int side = 1;           // side selector of the plate and contour tables
    std::vector<std::vector<Key>> rows;  // rows typed one after another, from column 0 on
    bool backward = false;  // the (only) row typed from its last cell leftward with Shift+Tab
    std::function<void(const RoadProject&, const Road&)> check;
};

// A fresh project's road with the parents the child tables need: one plate on
// each side, a slope template, a tunnel-section template, a tunnel and a bridge
// with one pier, every child list empty.
RoadProject newProjectWithParents() {
    testing::ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    RoadProject p = doc.project();
    Road& road = p.roads.at(0);
    road.plates = {CrossSectionPlate{}, CrossSectionPlate{}};
    road.plates[0].side = 1;
    road.plates[0].width = 3.5;
    road.plates[1].side = 2;
    road.plates[1].width = 3.5;
    SlopeTemplate st;
    st.name.assignUtf8("S1");
    road.slopeTemplates = {st, st};
    road.slopeTemplates[1].name.assignUtf8("S2");
    TunnelTemplate tt;
    tt.name.assignUtf8("T1");
    road.tunnelTemplates = {tt, tt};
    road.tunnelTemplates[1].name.assignUtf8("T2");
    Tunnel tunnel;
    tunnel.name.assignUtf8("SD1");
    road.tunnels = {tunnel};
    Bridge bridge;
    bridge.name.assignUtf8("QL1");
    Pier pier;
    pier.name.assignUtf8("D1");
    bridge.piers = {pier};
    road.bridges = {bridge};
    return p;
}

class TypedRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        file = dir / "new.rod";
        RoadProject project = newProjectWithParents();
        ASSERT_EQ(writeProject(project, file), 1);
        window = std::make_unique<MainWindow>(&prompter);
        window->resize(1200, 800);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    GridView* table() { return window->tableView()->table(); }
    QWidget* focus() { return QApplication::focusWidget(); }

    // Picks `text` in the choice cell under the cursor: F2 opens the list where
    // it is not open yet, each Down takes the next choice (and closes the list).
    void choose(const std::string& text) {
        for (int step = 0; step < 12; ++step) {
            auto* box = qobject_cast<QComboBox*>(focus());
            if (!box) {
                QTest::keyClick(table(), Qt::Key_F2);
                box = qobject_cast<QComboBox*>(focus());
                ASSERT_NE(box, nullptr) << "no choice list opens for " << text;
            }
            const int want = box->findText(QString::fromStdString(text));
            ASSERT_GE(want, 0) << "not a choice: " << text;
            if (box->currentIndex() == want) {
                QTest::keyClick(box, Qt::Key_Return);
                return;
            }
            QTest::keyClick(box, box->currentIndex() < want ? Qt::Key_Down : Qt::Key_Up);
            testing::settle();
        }
        FAIL() << "choice not reached: " << text;
    }
    // Types the characters into whatever has the keyboard focus, as keys go.
    void typeText(const std::string& text) {
        for (QChar ch : QString::fromStdString(text)) QTest::keyClicks(focus(), QString(ch));
    }
    void typeRow(const std::vector<Key>& keys, bool backward) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i > 0) QTest::keyClick(focus(), backward ? Qt::Key_Backtab : Qt::Key_Tab,
                                       backward ? Qt::ShiftModifier : Qt::NoModifier);
            testing::settle();
            const Key& k = keys[backward ? keys.size() - 1 - i : i];
            if (k.choice) choose(k.text);
            else typeText(k.text);
        }
        QTest::keyClick(focus(), Qt::Key_Return);
        testing::settle();
    }

    TempDir dir;
    std::filesystem::path file;
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

// The road's start, 0 in a new project: the typed stations are read as plain metres.
const std::vector<TypedRow>& typedRows() {
    static const std::vector<TypedRow> rows = {
        {"control point", {ic::kDataRoot, ic::kControlPoints}, 1,
         {{T("C1"), T("3400100.1234"), T("500200.5678"), T("101.125"), T("NOTE")}}, false,
         [](const RoadProject& p, const Road&) {
             ASSERT_EQ(p.controlPoints.size(), 1u);
             const ControlPoint& c = p.controlPoints[0];
             EXPECT_EQ(c.name.utf8(), "C1");
             EXPECT_EQ(c.x, 3400100.1234);
             EXPECT_EQ(c.y, 500200.5678);
             EXPECT_EQ(c.h, 101.125);
             EXPECT_EQ(c.note.utf8(), "NOTE");
         }},
        {"control point typed right to left", {ic::kDataRoot, ic::kControlPoints}, 1,
         {{T("C2"), T("10.5"), T("20.5"), T("30.5"), T("N2")}}, true,
         [](const RoadProject& p, const Road&) {
             ASSERT_EQ(p.controlPoints.size(), 1u);
             const ControlPoint& c = p.controlPoints[0];
             EXPECT_EQ(c.name.utf8(), "C2");
             EXPECT_EQ(c.x, 10.5);
             EXPECT_EQ(c.y, 20.5);
             EXPECT_EQ(c.h, 30.5);
             EXPECT_EQ(c.note.utf8(), "N2");
         }},
        {"chain break", {ic::kDataRoot, ic::kChainBreaks}, 1, {{T("1200"), T("1150.5")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.chainBreaks.size(), 1u);
             EXPECT_EQ(r.chainBreaks[0].startStation, 1200);
             EXPECT_EQ(r.chainBreaks[0].endStation, 1150.5);
         }},
        // The rows of the road as typed in the workbench: start, one curve, end.
        {"intersection points", {ic::kDataRoot, ic::kIntersectionPoints}, 1,
         {{T("QD"), T("500"), T("500")},
          {T("JD1"), T("700"), T("600"), T("40"), T("200"), T("40"), T("0"), T("0")},
          {T("ZD"), T("900"), T("500")}},
         false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.intersectionPoints.size(), 3u);
             const IntersectionPoint& jd = r.intersectionPoints[1];
             EXPECT_EQ(r.intersectionPoints[0].name.utf8(), "QD");
             EXPECT_EQ(r.intersectionPoints[0].x, 500);
             EXPECT_EQ(r.intersectionPoints[0].y, 500);
             EXPECT_EQ(jd.name.utf8(), "JD1");
             EXPECT_EQ(jd.x, 700);
             EXPECT_EQ(jd.y, 600);
             EXPECT_EQ(jd.spiralIn, 40);
             EXPECT_EQ(jd.radius, 200);
             EXPECT_EQ(jd.spiralOut, 40);
             EXPECT_EQ(r.intersectionPoints[2].name.utf8(), "ZD");
             EXPECT_EQ(r.intersectionPoints[2].x, 900);
             EXPECT_EQ(r.intersectionPoints[2].y, 500);
             // The curve acts once the end point follows: the alignment has its arcs.
             bool arc = false;
             for (const AlignmentElement& e : r.elements) arc = arc || e.startRadius != 0 || e.endRadius != 0;
             EXPECT_TRUE(arc);
         }},
        {"grade point", {ic::kDataRoot, ic::kGradePoints}, 1, {{T("350"), T("101.2345"), T("3000")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.gradePoints.size(), 1u);
             EXPECT_EQ(r.gradePoints[0].station, 350);
             EXPECT_EQ(r.gradePoints[0].elevation, 101.2345);
             EXPECT_EQ(r.gradePoints[0].verticalRadius, 3000);
         }},
        {"plate", {ic::kDataRoot, ic::kPlates}, 2,
         {{C(plateTypeText(2)), T("3.75"), T("2"), T("0.5"), T("0.2")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.plates.size(), 3u);
             const CrossSectionPlate& pl = r.plates[2];
             EXPECT_EQ(pl.side, 2);
             EXPECT_EQ(pl.plateType, 2);
             EXPECT_EQ(pl.width, 3.75);
             EXPECT_EQ(pl.crossfall, 2);
             EXPECT_EQ(pl.layerThickness, 0.5);
             EXPECT_EQ(pl.curbHeight, 0.2);
         }},
        // Station first, then the transition, then one plate's value: the station
        // and transition wait in the row until the value makes the record.
        {"width change", {ic::kDataRoot, ic::kWidthChanges}, 1,
         {{T("120"), C("三次抛物线过渡"), T(""), T("4.5")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.widthChanges.size(), 1u);
             EXPECT_EQ(r.widthChanges[0].station, 120);
             EXPECT_EQ(r.widthChanges[0].transition, 1);
             EXPECT_EQ(r.widthChanges[0].plateIndex, 1);  // the right plate: the last column
             EXPECT_EQ(r.widthChanges[0].value, 4.5);
         }},
        {"width change typed right to left", {ic::kDataRoot, ic::kWidthChanges}, 1,
         {{T("16000"), C("四次抛物线过渡"), T("9"), T("")}}, true,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.widthChanges.size(), 1u);
             EXPECT_EQ(r.widthChanges[0].station, 16000);
             EXPECT_EQ(r.widthChanges[0].transition, 2);
             EXPECT_EQ(r.widthChanges[0].plateIndex, 0);
             EXPECT_EQ(r.widthChanges[0].value, 9);
         }},
        {"crossfall change", {ic::kDataRoot, ic::kCrossfallChanges}, 1, {{T("16000"), C("线性过渡"), T("-3")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.crossfallChanges.size(), 1u);
             EXPECT_EQ(r.crossfallChanges[0].station, 16000);
             EXPECT_EQ(r.crossfallChanges[0].transition, 0);
             EXPECT_EQ(r.crossfallChanges[0].plateIndex, 0);
             EXPECT_EQ(r.crossfallChanges[0].value, -3);
         }},
        {"excavation contour, left", {ic::kDataRoot, ic::kTunnelTemplates, 1, ic::kExcavationContour}, 1,
         {{T("-1.5"), T("2.5"), T("5.25"), T("30.3")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.tunnelTemplates[1].excavation.size(), 1u);
             const ContourElement& e = r.tunnelTemplates[1].excavation[0];
             EXPECT_EQ(e.horizontalDistance, -1.5);
             EXPECT_EQ(e.heightDifference, 2.5);
             EXPECT_EQ(e.radius, -5.25);
             EXPECT_NEAR(e.centralAngle, 30.5, 1e-6);  // 30°30'
         }},
        {"primary contour, right", {ic::kDataRoot, ic::kTunnelTemplates, 0, ic::kPrimaryContour}, 2,
         {{T("1.5"), T("-2"), T("6"), T("45")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.tunnelTemplates[0].primary.size(), 1u);
             const ContourElement& e = r.tunnelTemplates[0].primary[0];
             EXPECT_EQ(e.horizontalDistance, 1.5);
             EXPECT_EQ(e.heightDifference, -2);
             EXPECT_EQ(e.radius, 6);
             EXPECT_NEAR(e.centralAngle, 45, 1e-6);
         }},
        {"secondary contour", {ic::kDataRoot, ic::kTunnelTemplates, 0, ic::kSecondaryContour}, 2,
         {{T("0.8"), T("0.4"), T(""), T("")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.tunnelTemplates[0].secondary.size(), 1u);
             const ContourElement& e = r.tunnelTemplates[0].secondary[0];
             EXPECT_EQ(e.horizontalDistance, 0.8);
             EXPECT_EQ(e.heightDifference, 0.4);
             EXPECT_EQ(e.centralAngle, kNoValue);  // left empty: computed from the others
         }},
        {"blast hole", {ic::kDataRoot, ic::kTunnels, 0, ic::kBlastHoles}, 1, {{T("B1"), T("-1.25"), T("3.5")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.tunnels[0].blastHoles.size(), 1u);
             const BlastHole& b = r.tunnels[0].blastHoles[0];
             EXPECT_EQ(b.name.utf8(), "B1");
             EXPECT_EQ(b.offset, -1.25);
             EXPECT_EQ(b.heightDifference, 3.5);
         }},
        {"tunnel slope rule", {ic::kDataRoot, ic::kTunnels, 0, ic::kTunnelSlopeRules}, 1, {{T("50"), C("T2")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.tunnels[0].slopeRules.size(), 1u);
             EXPECT_EQ(r.tunnels[0].slopeRules[0].gradient, 50);
             EXPECT_EQ(r.tunnels[0].slopeRules[0].templateIndex, 1);
         }},
        {"tunnel station rule", {ic::kDataRoot, ic::kTunnels, 0, ic::kTunnelStationRules}, 1,
         {{T("420"), C(stationRuleFormText(2)), C("T2")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.tunnels[0].stationRules.size(), 1u);
             const TunnelStationRule& s = r.tunnels[0].stationRules[0];
             EXPECT_EQ(s.station, 420);
             EXPECT_EQ(s.changeForm, 2);
             EXPECT_EQ(s.templateIndex, 1);
         }},
        {"slope assignment", {ic::kDataRoot, ic::kSlopeAssignments}, 1,
         {{T("250"), C("S2"), C("S1"), C("S2"), C("S2")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.slopeAssignments.size(), 1u);
             const SlopeAssignment& a = r.slopeAssignments[0];
             EXPECT_EQ(a.station, 250);
             EXPECT_EQ(a.leftFill, 1);
             EXPECT_EQ(a.leftCut, 0);
             EXPECT_EQ(a.rightFill, 1);
             EXPECT_EQ(a.rightCut, 1);
         }},
        {"slope template row", {ic::kDataRoot, ic::kSlopeTemplates, 1}, 1,
         {{C(slopeRowTypeText(2)), T("1.5"), T("2"), T("0.5"), T("0.4"), T("1.25")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.slopeTemplates[1].rows.size(), 1u);
             const SlopeTemplateRow& row = r.slopeTemplates[1].rows[0];
             EXPECT_EQ(row.rowType, 2);
             const std::array<double, 5> want = {1.5, 2, 0.5, 0.4, 1.25};
             for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(row.values[k], want[k]) << "value " << k;
         }},
        {"pile", {ic::kDataRoot, ic::kBridges, 0, 0}, 1,
         {{T("Z1"), C(pileModeText(1)), T("12.5"), T("-3.25"), T("98.125")}}, false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.bridges[0].piers[0].piles.size(), 1u);
             const Pile& pile = r.bridges[0].piers[0].piles[0];
             EXPECT_EQ(pile.name.utf8(), "Z1");
             EXPECT_EQ(pile.coordMode, 1);
             EXPECT_EQ(pile.along, 12.5);
             EXPECT_EQ(pile.across, -3.25);
             EXPECT_EQ(pile.elevation, 98.125);
         }},
        {"structure", {ic::kDataRoot, ic::kStructures}, 1,
         {{T("640"), C(structureKindText(2)), C(structureMethodText(0)), T("75.3"), T("8"), T("6.5"), T("7.5"),
           T("102.5"), T("1.5")}},
         false,
         [](const RoadProject&, const Road& r) {
             ASSERT_EQ(r.structures.size(), 1u);
             const Structure& s = r.structures[0];
             EXPECT_EQ(s.station, 640);
             EXPECT_EQ(s.structureKind(), 2);
             EXPECT_EQ(s.method(), 0);
             EXPECT_NEAR(s.angle, 75.5, 1e-6);  // 75°30'
             EXPECT_EQ(s.width, 8);
             EXPECT_EQ(s.leftLength, 6.5);
             EXPECT_EQ(s.rightLength, 7.5);
             EXPECT_EQ(s.centreElevation, 102.5);
             EXPECT_EQ(s.crossfall, 1.5);
         }},
    };
    return rows;
}

TEST_F(TypedRowsTest, EveryTableStoresARowTypedInColumnOrder) {
    for (const TypedRow& c : typedRows()) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
        ASSERT_TRUE(window->workView()->selectPath(c.path));
        TableView* view = window->tableView();
        if (view->grid().side != 0 && view->grid().side != c.side) {
            view->sideSelector()->setCurrentIndex(c.side - 1);
            emit view->sideSelector()->activated(c.side - 1);
        }
        ASSERT_TRUE(isDataTableCode(view->grid().code));
        const int undoBefore = window->controller().undoStack().index();
        for (const std::vector<Key>& row : c.rows) {
            // The keyboard starts in the empty last row, in the row's first typed cell.
            const int last = view->grid().rowCount() - 1;
            table()->setFocus();
            table()->setCurrentCell(last, c.backward ? int(row.size()) - 1 : 0);
            typeRow(row, c.backward);
        }
        c.check(window->controller().project(), window->controller().project().roads.at(0));
        // Each stored cell is one step: undoing them all gives the new project back.
        while (window->controller().undoStack().index() > undoBefore) window->controller().undo();
        EXPECT_FALSE(window->isWindowModified());
    }
}

}  // namespace
}  // namespace vornex::app

namespace vornex::app {
namespace {

// A road typed so far: the start point, and one intersection point as the last row.
TEST_F(TypedRowsTest, ACellThatTakesNoInputSaysWhyAndTheWaitingRowShowsWhatWasTyped) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    ASSERT_TRUE(window->workView()->selectPath({ic::kDataRoot, ic::kIntersectionPoints}));
    table()->setFocus();
    table()->setCurrentCell(0, 0);
    typeRow({T("QD"), T("500"), T("500")}, false);
    // The start point's curve cells refuse keys, in place, and the status bar says why.
    table()->setCurrentCell(0, 4);
    typeText("200");
    EXPECT_EQ(table()->currentIndex().row(), 0);
    EXPECT_EQ(table()->currentIndex().column(), 4);
    EXPECT_EQ(window->controller().project().roads[0].intersectionPoints[0].radius, 0);
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("起点只有交点名和坐标；曲线要素在其后的交点上输入。"));

    // Each typed cell is one undo step, named after its column.
    table()->setCurrentCell(1, 0);
    typeRow({T("JD1"), T("700"), T("600"), T("40"), T("200")}, false);
    EXPECT_EQ(window->controller().project().roads[0].intersectionPoints[1].radius, 200);
    QAction* undo = window->action(QStringLiteral("undo"));
    EXPECT_EQ(undo->text(), QStringLiteral("撤消 输入 圆半径(m)(&U)"));
    EXPECT_EQ(undo->toolTip(), QStringLiteral("撤消 输入 圆半径(m)"));
    undo->trigger();
    EXPECT_EQ(window->controller().project().roads[0].intersectionPoints[1].radius, 0);
    EXPECT_EQ(window->action(QStringLiteral("redo"))->text(), QStringLiteral("重做 输入 圆半径(m)(&R)"));
    EXPECT_EQ(undo->text(), QStringLiteral("撤消 输入 前缓长度(m)(&U)"));

    // A station typed into the empty change row waits there, shown, stored nowhere.
    ASSERT_TRUE(window->workView()->selectPath({ic::kDataRoot, ic::kWidthChanges}));
    const int last = window->tableView()->grid().rowCount() - 1;
    table()->setCurrentCell(last, 0);
    typeRow({T("16000")}, false);
    EXPECT_TRUE(window->controller().project().roads[0].widthChanges.empty());
    EXPECT_EQ(window->tableView()->grid().cell(last, 0).text, "16000");
    EXPECT_EQ(table()->model()->index(last, 0).data().toString(), QStringLiteral("16000"));
    // Another table and back: the row still waits with its station.
    ASSERT_TRUE(window->workView()->selectPath({ic::kDataRoot, ic::kGradePoints}));
    ASSERT_TRUE(window->workView()->selectPath({ic::kDataRoot, ic::kWidthChanges}));
    EXPECT_EQ(window->tableView()->grid().cell(last, 0).text, "16000");
    table()->setCurrentCell(last, 2);
    typeRow({T("9")}, false);
    ASSERT_EQ(window->controller().project().roads[0].widthChanges.size(), 1u);
    EXPECT_EQ(window->controller().project().roads[0].widthChanges[0].station, 16000);
    EXPECT_EQ(window->tableView()->grid().cell(window->tableView()->grid().rowCount() - 1, 0).text, "");
}

}  // namespace
}  // namespace vornex::app
