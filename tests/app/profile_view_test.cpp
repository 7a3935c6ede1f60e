#include "app/views/profile_view.h"

#include <gtest/gtest.h>

#include <QImage>

#include "geometry/profile.h"

namespace vornex::app {
namespace {

// The design line's y in pixel column x: the middle of the run of design-coloured pixels.
std::optional<double> designPixel(const QImage& img, int x) {
    int first = -1, last = -1;
    for (int y = 0; y < img.height(); ++y) {
        QColor c = img.pixelColor(x, y);
        if (c.red() > 150 && c.green() < 80 && c.blue() < 80) {
            if (first < 0) first = y;
            last = y;
        }
    }
    if (first < 0) return std::nullopt;
    return (first + last) / 2.0;
}

TEST(ProfileView, ElevationsReadBackFromTheDrawing) {
    Road road;
    road.gradePoints = {{0, 100, 0}, {500, 110, 10000}, {900, 106, 5000}, {1200, 115, 0}};
    AlignmentElement straight;
    straight.length = 1200;
    road.elements = {straight};
    ProfileView view;
    view.resize(900, 500);
    view.setRoad(&road);
    QImage img = view.grab().toImage();
    // At three stations (on a grade, on the crest, in the sag) the line drawn in
    // that column reads back through the axis as the design elevation.
    for (double c : {200.0, 500.0, 900.0}) {
        const int x = static_cast<int>(std::lround(view.toScreen(c, 0).x()));
        auto y = designPixel(img, x);
        ASSERT_TRUE(y) << c;
        const double pixel = view.elevationAt(0) - view.elevationAt(1);  // metres per pixel
        EXPECT_NEAR(view.elevationAt(*y), designElevation(road, view.chainageAt(x)).elevation, 1.5 * pixel) << c;
    }
    EXPECT_NEAR(view.chainageAt(view.toScreen(321, 0).x()), 321, 1e-9);
}

}  // namespace
}  // namespace vornex::app
