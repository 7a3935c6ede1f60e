#include "app/views/section_view.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

namespace vornex::app {
namespace {

TEST(SectionView, DrawsThePlatesAndStepsByTheInterval) {
    Road road;
    AlignmentElement straight;
    straight.length = 1000;
    road.elements = {straight};
    road.gradePoints = {{0, 100, 0}, {1000, 110, 0}};
    CrossSectionPlate lane;
    lane.side = 2;
    lane.width = 7.5;
    lane.crossfall = -2;
    road.plates = {lane};
    lane.side = 1;
    road.plates.push_back(lane);

    SectionView view;
    view.resize(700, 400);
    view.setRoad(&road);
    view.setInterval(20);
    view.setStation(500);
    EXPECT_NEAR(view.section().centreElevation, 105, 1e-9);
    // The plate edges by hand: 7.5 m out at -2 %, 0.15 m below the centre.
    ASSERT_EQ(view.section().surface.size(), 3u);
    EXPECT_NEAR(view.section().surface[2].offset, 7.5, 1e-12);
    EXPECT_NEAR(view.section().surface[2].height, -0.15, 1e-12);

    // The surface is drawn through those points (1:1: a metre across is a metre up).
    QImage img = view.canvas()->grab().toImage();
    QPointF mid = view.toCanvas({3.75, -0.075});
    bool inked = false;
    for (int dy = -2; dy <= 2; ++dy) {
        QColor c = img.pixelColor(mid.toPoint() + QPoint(0, dy));
        if (c.lightness() < 128) inked = true;
    }
    EXPECT_TRUE(inked);
    QPointF o = view.toCanvas({0, 0}), right = view.toCanvas({1, 0}), up = view.toCanvas({0, 1});
    EXPECT_NEAR(right.x() - o.x(), o.y() - up.y(), 1e-9);

    // The station box reads station text and steps by the interval.
    auto* box = view.findChild<StationSpinBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("K0+500.000"));
    box->stepUp();
    EXPECT_NEAR(view.station(), 520, 1e-9);
    EXPECT_NEAR(box->valueFromText(QStringLiteral("123.4")), 123.4, 1e-9);
}

}  // namespace
}  // namespace vornex::app
