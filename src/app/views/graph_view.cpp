#include "app/views/graph_view.h"

#include "app/looks.h"
#include "app/views/label_placement.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "geometry/stations.h"

namespace vornex::app {

const QColor CGraphView::kPolygonColour(0, 255, 0);
const QColor CGraphView::kArcColour(255, 0, 0);
const QColor CGraphView::kSpiralColour(200, 0, 200);

namespace {
constexpr double kMinZoom = 0.5;
constexpr double kZoomStep = 0.5;
constexpr double kMargin = 0.9;  // the road fills 90 % of the pane at zoom 1
constexpr double kMarkRadius = 5;
}  // namespace

CGraphView::CGraphView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("线形图"));
    setMouseTracking(true);
    setMinimumSize(120, 80);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

CGraphView::~CGraphView() = default;

void CGraphView::setRoad(const Road* road, double precision) {
    road_ = road;
    precision_ = precision;
    drawing_ = road ? planDrawing(*road, precision) : PlanDrawing{};
    index_ = road ? std::make_unique<AlignmentIndex>(road->elements, curveTolerance(precision)) : nullptr;
    pieceBounds_.clear();
    for (const PlanPiece& piece : drawing_.pieces) {
        PlanExtents b;
        for (const PlanPoint& q : piece.points) b.add(q);
        pieceBounds_.push_back(b.empty ? QRectF() : QRectF(QPointF(b.minY, b.minX), QPointF(b.maxY, b.maxX)));
    }
    const PlanExtents& e = drawing_.extents;
    centre_ = e.empty ? QPointF() : QPointF((e.minY + e.maxY) / 2, (e.minX + e.maxX) / 2);
    update();
}

void CGraphView::setTunnelOutlines(std::vector<TunnelOutline> outlines) {
    outlines_ = std::move(outlines);
    update();
}

void CGraphView::paintOutlines(QPainter& p) {
    // The section plane: offset to the right, height up, at 1:1 and fitted.
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (const TunnelOutline& o : outlines_)
        for (const SectionPolyline* line : {&o.right, &o.left})
            for (const SectionPoint& q : *line) {
                x0 = std::min(x0, q.offset), x1 = std::max(x1, q.offset);
                y0 = std::min(y0, q.height), y1 = std::max(y1, q.height);
            }
    if (x0 > x1) return;
    const double w = std::max(x1 - x0, 0.1), h = std::max(y1 - y0, 0.1);
    const double s = kMargin * std::min((width() - 40) / w, (height() - 40) / h) * zoom_;
    auto at = [&](const SectionPoint& q) {
        return QPointF(width() / 2.0 + (q.offset - (x0 + x1) / 2) * s + origin_.x(),
                       height() / 2.0 - (q.height - (y0 + y1) / 2) * s + origin_.y());
    };
    const QColor colours[3] = {kArcColour, kSpiralColour, QColor(0, 120, 200)};
    const char* names[3] = {"开挖线", "初支", "二衬"};
    for (std::size_t i = 0; i < outlines_.size(); ++i) {
        const int c = std::clamp(static_cast<int>(outlines_[i].contour) - static_cast<int>(RecordKind::ExcavationContour), 0, 2);
        p.setPen(QPen(lineInk(colours[c], palette()), 2));
        for (const SectionPolyline* line : {&outlines_[i].right, &outlines_[i].left}) {
            QPolygonF poly;
            for (const SectionPoint& q : *line) poly << at(q);
            p.drawPolyline(poly);
        }
        p.setPen(textInk(colours[c], palette()));
        p.drawText(QPointF(10, 20 + 16 * static_cast<double>(i)), QString::fromUtf8(names[c]));
    }
    p.setPen(QPen(lineInk(palette().color(QPalette::Mid), palette()), 1, Qt::DashLine));
    const QPointF centre = at({0, 0});
    p.drawLine(QPointF(centre.x(), 0), QPointF(centre.x(), height()));
    p.drawLine(QPointF(0, centre.y()), QPointF(width(), centre.y()));
}

std::vector<QRectF> CGraphView::intersectionLabelBoxes() const {
    std::vector<QPointF> anchors;
    std::vector<QSizeF> sizes;
    std::vector<QRectF> marks;
    const QFontMetricsF metrics(font());
    const double r = kMarkRadius + 1;
    for (const PlanMark& m : drawing_.intersectionPoints) {
        const QPointF at = toScreen(m.at);
        anchors.push_back(at);
        sizes.push_back(QSizeF(metrics.horizontalAdvance(QString::fromStdString(m.name)) + 2, metrics.height()));
        marks.push_back(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
    }
    for (const PlanPiece& piece : drawing_.pieces) {
        if (piece.points.empty()) continue;
        const QPointF at = toScreen(piece.points.front());
        marks.push_back(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
    }
    return placeLabels(anchors, sizes, marks, kMarkRadius + 2);
}

void CGraphView::setHint(const QString& text) {
    hint_ = text;
    update();
}

double CGraphView::baseScale() const {
    const PlanExtents& e = drawing_.extents;
    if (e.empty) return 1;
    const double w = std::max(e.maxY - e.minY, 1e-3), h = std::max(e.maxX - e.minX, 1e-3);
    // Room for the names drawn beside the points at the edges.
    const double pad = 24;
    return kMargin * std::min(std::max(width() - 2 * pad, 10.0) / w, std::max(height() - 2 * pad, 10.0) / h);
}

QPointF CGraphView::toScreen(const PlanPoint& p) const {
    const double s = scale();
    return {width() / 2.0 + (p.y - centre_.x()) * s + origin_.x(), height() / 2.0 - (p.x - centre_.y()) * s + origin_.y()};
}

PlanPoint CGraphView::toPlan(const QPointF& pos) const {
    const double s = scale();
    return {centre_.y() - (pos.y() - origin_.y() - height() / 2.0) / s,
            centre_.x() + (pos.x() - origin_.x() - width() / 2.0) / s};
}

void CGraphView::setZoom(double z) {
    // Zoom about the pane's centre: the plan point there stays there.
    const QPointF mid(width() / 2.0, height() / 2.0);
    const PlanPoint keep = toPlan(mid);
    zoom_ = std::max(kMinZoom, z);
    const QPointF now = toScreen(keep);
    origin_ += mid - now;
    emit zoomChanged(zoom_);
    update();
}

void CGraphView::showAll() {
    zoom_ = 1;
    origin_ = QPointF();
    mode_ = Mode::None;
    emit zoomChanged(zoom_);
    update();
}

void CGraphView::setWindowZoom(bool on) { mode_ = on ? Mode::WindowZoom : Mode::None; }
void CGraphView::setPan(bool on) { mode_ = on ? Mode::Pan : Mode::None; }
void CGraphView::zoomIn() { setZoom(zoom_ + kZoomStep); }
void CGraphView::zoomOut() { setZoom(zoom_ - kZoomStep); }

void CGraphView::wheelEvent(QWheelEvent* e) {
    const int notches = e->angleDelta().y() / 120;
    if (notches != 0) setZoom(zoom_ + kZoomStep * notches);
    e->accept();
}

void CGraphView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    dragStart_ = dragNow_ = e->position().toPoint();
    dragging_ = mode_ != Mode::None;
    if (mode_ != Mode::None || !road_) return;
    // A click near the road names what lies under it: an intersection point first.
    for (std::size_t i = 0; i < drawing_.intersectionPoints.size(); ++i) {
        QPointF p = toScreen(drawing_.intersectionPoints[i].at);
        if (QLineF(p, e->position()).length() <= kMarkRadius + 3) {
            emit intersectionPointClicked(static_cast<int>(i));
            return;
        }
    }
    if (!index_) return;
    PlanPoint at = toPlan(e->position());
    AlignmentPoint probe;
    probe.x = at.x;
    probe.y = at.y;
    StationOffset so;
    if (index_->stationOfPoint(probe, so) < 0) return;
    if (std::fabs(so.offset) * scale() > 6) return;  // not on the line
    emit elementClicked(index_->elementAtStation(so.station));
}

void CGraphView::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) {
        // A pan moves the drawing with the mouse; a window zoom shows its rectangle.
        const QPoint now = e->position().toPoint();
        if (mode_ == Mode::Pan) origin_ += now - dragNow_;
        dragNow_ = now;
        update();
    }
    if (!road_) return;
    PlanPoint at = toPlan(e->position());
    QString station;
    double offset = 0;
    if (index_) {
        AlignmentPoint probe;
        probe.x = at.x;
        probe.y = at.y;
        StationOffset so;
        if (index_->stationOfPoint(probe, so) >= 0) {
            station = QString::fromStdString(formatStation(*road_, so.station, true)).trimmed();
            offset = so.offset;
        }
    }
    emit mouseAt(station, offset, at.x, at.y);
}

void CGraphView::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    const QPoint end = e->position().toPoint();
    if (mode_ == Mode::Pan) {
        origin_ += end - dragNow_;  // with the moves before, the whole drag vector
    } else if (mode_ == Mode::WindowZoom) {
        const QRectF r = QRectF(dragStart_, end).normalized();
        if (r.width() >= 3 && r.height() >= 3) {
            // The dragged window fills the pane (the smaller factor keeps it whole).
            const PlanPoint mid = toPlan(r.center());
            const double factor = std::min(width() / r.width(), height() / r.height());
            zoom_ = std::max(kMinZoom, zoom_ * factor);
            origin_ = QPointF();
            origin_ = QPointF(width() / 2.0, height() / 2.0) - toScreen(mid);
            emit zoomChanged(zoom_);
        }
    }
    update();
}

void CGraphView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!hint_.isEmpty()) {
        p.setPen(textInk(QColor(255, 0, 0), palette()));
        p.drawText(QRect(20, 40 - fontMetrics().ascent(), width() - 40, height() - 40), Qt::TextWordWrap, hint_);
        return;
    }
    if (!outlines_.empty()) {
        paintOutlines(p);
        return;
    }
    if (drawing_.extents.empty) return;
    const QColor ink = palette().color(QPalette::Text);

    // Intersection-point polygon with circles and names.
    // Every colour reaches its contrast on the look's background (lines 3:1, texts 4.5:1).
    QPen polygon(lineInk(kPolygonColour, palette()), 2);
    p.setPen(polygon);
    QPolygonF ips;
    for (const PlanMark& m : drawing_.intersectionPoints) ips << toScreen(m.at);
    p.drawPolyline(ips);
    const std::vector<QRectF> labels = intersectionLabelBoxes();
    for (std::size_t i = 0; i < drawing_.intersectionPoints.size(); ++i) {
        p.setPen(polygon);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ips[static_cast<int>(i)], kMarkRadius, kMarkRadius);
        p.setPen(ink);
        p.drawText(labels[i], Qt::AlignCenter, QString::fromStdString(drawing_.intersectionPoints[i].name));
    }

    // Elements: straights in the ink colour, arcs red, spirals magenta. Pieces off
    // the pane are skipped, and points closer than a pixel to the last one drawn
    // are left out, so a whole long road repaints as fast as a short one.
    const PlanPoint corner0 = toPlan(QPointF(-10, height() + 10)), corner1 = toPlan(QPointF(width() + 10, -10));
    const QRectF visible(QPointF(corner0.y, corner0.x), QPointF(corner1.y, corner1.x));
    QPolygonF line;
    QPointF lastMark(-1e9, -1e9);
    std::vector<QPointF> marks;
    for (std::size_t i = 0; i < drawing_.pieces.size(); ++i) {
        const PlanPiece& piece = drawing_.pieces[i];
        const QRectF& b = pieceBounds_[i];
        if (!b.isNull() && !visible.intersects(b.adjusted(-1e-6, -1e-6, 1e-6, 1e-6))) continue;
        const QColor c = lineInk(
            piece.kind == PlanPieceKind::Arc ? kArcColour : piece.kind == PlanPieceKind::Spiral ? kSpiralColour : ink,
            palette());
        line.clear();
        for (std::size_t k = 0; k < piece.points.size(); ++k) {
            const QPointF q = toScreen(piece.points[k]);
            if (k + 1 < piece.points.size() && !line.isEmpty() && std::fabs(q.x() - line.back().x()) < 0.75 &&
                std::fabs(q.y() - line.back().y()) < 0.75)
                continue;
            line << q;
        }
        p.setPen(QPen(c, 2));
        p.drawPolyline(line);
        // A circle at the element's start, unless it would sit on the one before.
        if (!line.isEmpty() && QLineF(line.front(), lastMark).length() >= 2 * kMarkRadius) {
            marks.push_back(line.front());
            lastMark = line.front();
        }
    }
    p.setPen(QPen(ink, 2));
    for (const QPointF& m : marks) p.drawEllipse(m, kMarkRadius, kMarkRadius);

    if (dragging_ && mode_ == Mode::WindowZoom) {
        p.setPen(QPen(lineInk(QColor(133, 142, 144), palette()), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(dragStart_, dragNow_).normalized());
    }
}

}  // namespace vornex::app
