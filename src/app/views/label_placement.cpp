#include "app/views/label_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

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

// The marks and the boxes placed so far, filed by square cells about a label's
// size: a candidate is tested against the few boxes near it, not against every
// box of a network of thousands of points. Boxes are numbered marks first, then
// labels in the order placed, and summed in that order, so the totals are the
// very sums of testing against every box.
class BoxCells {
public:
    explicit BoxCells(double cell) : cell_(cell) {}

    void add(const QRectF& box) {
        const int id = static_cast<int>(boxes_.size());
        boxes_.push_back(box);
        seen_.push_back(0);
        long long x0, y0, x1, y1;
        if (!span(box, x0, y0, x1, y1) || (x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCells) {
            large_.push_back(id);  // a box over many cells (or far off) is tested always
            return;
        }
        for (long long cx = x0; cx <= x1; ++cx)
            for (long long cy = y0; cy <= y1; ++cy) cells_[key(cx, cy)].push_back(id);
    }

    // The sum of the overlaps of `box` with every box filed.
    double overlap(const QRectF& box) {
        ++stamp_;
        near_.clear();
        for (int id : large_) take(id);
        long long x0, y0, x1, y1;
        if (!span(box, x0, y0, x1, y1) || (x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCells) {
            for (int id = 0; id < static_cast<int>(boxes_.size()); ++id) take(id);
        } else {
            for (long long cx = x0; cx <= x1; ++cx)
                for (long long cy = y0; cy <= y1; ++cy)
                    if (auto it = cells_.find(key(cx, cy)); it != cells_.end())
                        for (int id : it->second) take(id);
        }
        std::sort(near_.begin(), near_.end());
        double sum = 0;
        for (int id : near_) sum += overlapArea(box, boxes_[static_cast<std::size_t>(id)]);
        return sum;
    }

private:
    static constexpr long long kMaxCells = 64;
    static constexpr double kFar = 1e12;  // beyond this a coordinate is not filed by cell

    bool span(const QRectF& r, long long& x0, long long& y0, long long& x1, long long& y1) const {
        const double l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
        if (!(std::fabs(l) < kFar && std::fabs(t) < kFar && std::fabs(rr) < kFar && std::fabs(b) < kFar)) return false;
        x0 = static_cast<long long>(std::floor(std::min(l, rr) / cell_));
        x1 = static_cast<long long>(std::floor(std::max(l, rr) / cell_));
        y0 = static_cast<long long>(std::floor(std::min(t, b) / cell_));
        y1 = static_cast<long long>(std::floor(std::max(t, b) / cell_));
        return true;
    }
    static std::uint64_t key(long long x, long long y) {
        return (static_cast<std::uint64_t>(x) << 32) ^ static_cast<std::uint32_t>(y);
    }
    void take(int id) {
        if (seen_[static_cast<std::size_t>(id)] == stamp_) return;
        seen_[static_cast<std::size_t>(id)] = stamp_;
        near_.push_back(id);
    }

    double cell_;
    std::vector<QRectF> boxes_;
    std::vector<unsigned> seen_;
    unsigned stamp_ = 0;
    std::vector<int> near_, large_;
    std::unordered_map<std::uint64_t, std::vector<int>> cells_;
};

}  // namespace

std::vector<QRectF> placeLabels(const std::vector<QPointF>& anchors, const std::vector<QSizeF>& sizes,
                                const std::vector<QRectF>& obstacles, double gap) {
    double cell = 1;
    for (const QSizeF& s : sizes)
        if (std::isfinite(s.width()) && std::isfinite(s.height())) cell = std::max({cell, s.width(), s.height()});
    BoxCells filed(std::min(cell + 2 * std::fabs(gap), 1e6));
    for (const QRectF& o : obstacles) filed.add(o);
    std::vector<QRectF> placed;
    placed.reserve(anchors.size());
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        const QSizeF size = i < sizes.size() ? sizes[i] : QSizeF();
        QRectF best;
        double bestOverlap = std::numeric_limits<double>::infinity();
        for (const QRectF& box : candidates(anchors[i], size, gap)) {
            const double overlap = filed.overlap(box);
            if (overlap < bestOverlap) {
                best = box;
                bestOverlap = overlap;
            }
            if (overlap == 0) break;
        }
        placed.push_back(best);
        filed.add(best);
    }
    return placed;
}

}  // namespace vornex::app
