#include "app/views/drawing_pane.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QToolBar>

#include "app/views/graph_view.h"
#include "app/views/section_view.h"

namespace vornex::app {
namespace {

QAction* action(DrawingPane& pane, const char* tip) {
    for (QAction* a : pane.findChild<QToolBar*>()->actions())
        if (a->toolTip() == QString::fromUtf8(tip)) return a;
    ADD_FAILURE() << tip;
    return nullptr;
}

TEST(DrawingPane, ToolbarDrivesThePlanAndZoomOutGreysAtItsFloor) {
    Road road;
    AlignmentElement e;
    e.length = 500;
    road.elements = {e};
    DrawingPane pane;
    pane.resize(600, 400);
    pane.setRoad(&road, 0.0001);
    QAction* out = action(pane, "缩小图形");
    EXPECT_TRUE(out->isEnabled());
    out->trigger();
    EXPECT_DOUBLE_EQ(pane.plan()->zoom(), 0.5);
    EXPECT_FALSE(out->isEnabled());
    action(pane, "放大图形")->trigger();
    action(pane, "放大图形")->trigger();
    EXPECT_DOUBLE_EQ(pane.plan()->zoom(), 1.5);
    action(pane, "平移图形")->trigger();
    EXPECT_EQ(pane.plan()->mode(), CGraphView::Mode::Pan);
    action(pane, "按住鼠标左键拖动一个窗口显示图形")->trigger();
    EXPECT_EQ(pane.plan()->mode(), CGraphView::Mode::WindowZoom);
    EXPECT_FALSE(action(pane, "平移图形")->isChecked());
    action(pane, "显示全部图形")->trigger();
    EXPECT_DOUBLE_EQ(pane.plan()->zoom(), 1);
    EXPECT_EQ(pane.plan()->mode(), CGraphView::Mode::None);

    // A queried point goes to the cross section at its station.
    pane.showPoint(250, -3.2, 101.5);
    EXPECT_DOUBLE_EQ(pane.section()->station(), 250);
    pane.setPage(DrawingPane::Section);
    EXPECT_EQ(pane.page(), DrawingPane::Section);
}

}  // namespace
}  // namespace vornex::app
