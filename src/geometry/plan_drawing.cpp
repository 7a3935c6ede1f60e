#include "geometry/plan_drawing.h"

#include <algorithm>
#include <cmath>

#include "geometry/alignment.h"

namespace vornex {

namespace {

// Longest step along a curve of radius r whose chord stays within e of it:
// the sagitta of a chord c is c²/8r, so c = sqrt(8·r·e).
double stepForRadius(double r, double e) { return std::sqrt(8 * std::fabs(r) * e); }

constexpr double kSpiralStep = 10;   // the plan always samples spirals at least this finely
constexpr int kMaxSamples = 100000;  // per element: an absurd element cannot exhaust memory

}  // namespace

PlanDrawing planDrawing(const Road& road, double precision, double chordError) {
    PlanDrawing d;
    const double tol = curveTolerance(precision);
    if (!(chordError > 0)) chordError = kPlanChordError;
    if (road.curveForm == 0)
        for (const IntersectionPoint& ip : road.intersectionPoints) {
            d.intersectionPoints.push_back({{ip.x, ip.y}, ip.name.utf8()});
            d.extents.add({ip.x, ip.y});
        }
    for (std::size_t i = 0; i < road.elements.size(); ++i) {
        const AlignmentElement& e = road.elements[i];
        d.elementStarts.push_back({{e.x, e.y}, e.name.utf8()});
        PlanPiece piece;
        piece.element = static_cast<int>(i);
        piece.startStation = e.startStation;
        const char type = elementTypeLetter(e);
        piece.kind = type == 'Z' ? PlanPieceKind::Straight : type == 'Y' ? PlanPieceKind::Arc : PlanPieceKind::Spiral;
        const double length = std::isfinite(e.length) ? std::max(0.0, e.length) : 0;
        int n = 1;
        if (piece.kind != PlanPieceKind::Straight && length > 0) {
            // The tightest radius of the element sets the step.
            double rMin = 0;
            for (double r : {e.startRadius, e.endRadius})
                if (r != 0 && std::isfinite(r) && (rMin == 0 || std::fabs(r) < rMin)) rMin = std::fabs(r);
            double step = rMin > 0 ? stepForRadius(rMin, chordError) : kSpiralStep;
            if (piece.kind == PlanPieceKind::Spiral) step = std::min(step, kSpiralStep);
            n = static_cast<int>(std::clamp(std::ceil(length / step), 1.0, static_cast<double>(kMaxSamples)));
        }
        piece.points.reserve(static_cast<std::size_t>(n) + 1);
        for (int k = 0; k <= n; ++k) {
            AlignmentPoint p = pointOnElement(e, length * k / n, tol);
            piece.points.push_back({p.x, p.y});
            d.extents.add({p.x, p.y});
        }
        d.pieces.push_back(std::move(piece));
    }
    return d;
}

}  // namespace vornex
