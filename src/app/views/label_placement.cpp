#include "app/views/label_placement.h"

#include <algorithm>
#include <limits>

namespace vornex::app {

namespace {

double overlapArea(const QRectF& a, const QRectF& b) {
    const QRectF i = a.intersected(b);
    return i.isValid() ? i.width() * i.height() : 0.0;
}

// The candidate boxes of a label of `s` beside `at`, in order of preference.
std::vector<QRectF> candidates(const QPointF& at, const QSizeF& s, double gap) {
    const double w = s.width(), h = s.height();
    const double x = at.x(), y = at.y();
    return {
        QRectF(x + gap, y - gap - h, w, h),          // upper right
        QRectF(x - gap - w, y - gap - h, w, h),      // upper left
        QRectF(x + gap, y + gap, w, h),              // lower right
        QRectF(x - gap - w, y + gap, w, h),          // lower left
        QRectF(x + gap, y - h / 2, w, h),            // right
        QRectF(x - gap - w, y - h / 2, w, h),        // left
        QRectF(x - w / 2, y - gap - h, w, h),        // above
        QRectF(x - w / 2, y + gap, w, h),            // below
    };
}

}  // namespace

std::vector<QRectF> placeLabels(const std::vector<QPointF>& anchors, const std::vector<QSizeF>& sizes,
                                const std::vector<QRectF>& obstacles, double gap) {
    std::vector<QRectF> placed;
    placed.reserve(anchors.size());
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        const QSizeF size = i < sizes.size() ? sizes[i] : QSizeF();
        QRectF best;
        double bestOverlap = std::numeric_limits<double>::infinity();
        for (const QRectF& box : candidates(anchors[i], size, gap)) {
            double overlap = 0;
            for (const QRectF& o : obstacles) overlap += overlapArea(box, o);
            for (const QRectF& o : placed) overlap += overlapArea(box, o);
            if (overlap < bestOverlap) {
                best = box;
                bestOverlap = overlap;
            }
            if (overlap == 0) break;
        }
        placed.push_back(best);
    }
    return placed;
}

}  // namespace vornex::app
