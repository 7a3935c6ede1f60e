// Names beside the points of a drawing that neither cover each other nor the
// marks: a greedy placement over a few candidate positions around each point.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <vector>

namespace vornex::app {

// Places one label box of `sizes[i]` beside each anchor `anchors[i]`, in the
// anchors' order: the first of eight candidate positions (upper right, upper
// left, lower right, lower left, right, left, above, below; `gap` pixels from
// the anchor) whose box overlaps neither a box placed before it nor an
// obstacle (the marks). When every candidate is taken, the one overlapping the
// least area. Returns the boxes in the anchors' order.
std::vector<QRectF> placeLabels(const std::vector<QPointF>& anchors, const std::vector<QSizeF>& sizes,
                                const std::vector<QRectF>& obstacles, double gap);

}  // namespace vornex::app
