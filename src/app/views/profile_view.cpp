#include "app/views/profile_view.h"

#include "app/looks.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vornex::app {

const QColor ProfileView::kDesignColour(200, 0, 0);
const QColor ProfileView::kGradeColour(0, 150, 0);
const QColor ProfileView::kChainBreakColour(0, 90, 200);

namespace {
constexpr int kLeft = 70, kRight = 20, kTop = 40, kBottom = 30;

// A round step for axis ticks: 1, 2 or 5 times a power of ten, near span / 6.
double tickStep(double span) {
    if (!(span > 0)) return 1;
    const double raw = span / 6, p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * p) return m * p;
    return 10 * p;
}
}  // namespace

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("纵断面图"));
    setMinimumSize(200, 120);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void ProfileView::setRoad(const Road* road) {
    drawing_ = road ? profileDrawing(*road) : ProfileDrawing{};
    update();
}

QRectF ProfileView::plotArea() const {
    return QRectF(kLeft, kTop, std::max(1, width() - kLeft - kRight), std::max(1, height() - kTop - kBottom));
}

namespace {
// The elevation range shown: the drawing's with a little room above for labels.
void elevationRange(const ProfileDrawing& d, double& lo, double& hi) {
    lo = d.minElevation;
    hi = d.maxElevation;
    double span = std::max(hi - lo, 1.0);
    lo -= 0.1 * span;
    hi += 0.2 * span;
}
}  // namespace

QPointF ProfileView::toScreen(double chainage, double elevation) const {
    const QRectF a = plotArea();
    double lo, hi;
    elevationRange(drawing_, lo, hi);
    const double c0 = drawing_.minChainage, c1 = std::max(drawing_.maxChainage, c0 + 1);
    return {a.left() + (chainage - c0) / (c1 - c0) * a.width(), a.bottom() - (elevation - lo) / (hi - lo) * a.height()};
}

double ProfileView::chainageAt(double x) const {
    const QRectF a = plotArea();
    const double c0 = drawing_.minChainage, c1 = std::max(drawing_.maxChainage, c0 + 1);
    return c0 + (x - a.left()) / a.width() * (c1 - c0);
}

double ProfileView::elevationAt(double y) const {
    const QRectF a = plotArea();
    double lo, hi;
    elevationRange(drawing_, lo, hi);
    return lo + (a.bottom() - y) / a.height() * (hi - lo);
}

void ProfileView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::Text);
    // Every colour reaches its contrast on the look's background (lines 3:1, texts 4.5:1).
    const QColor faint = lineInk(palette().color(QPalette::Mid), palette());
    if (drawing_.empty) {
        p.setPen(ink);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("没有纵断面数据"));
        return;
    }
    const QRectF a = plotArea();

    // Elevation axis with round ticks and a light grid.
    double lo, hi;
    elevationRange(drawing_, lo, hi);
    const double step = tickStep(hi - lo);
    QFont small = font();
    small.setPointSizeF(std::max(7.0, font().pointSizeF() - 1));
    p.setFont(small);
    for (double e = std::ceil(lo / step) * step; e <= hi; e += step) {
        const double y = toScreen(drawing_.minChainage, e).y();
        p.setPen(QPen(faint, 1, Qt::DotLine));
        p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        p.setPen(ink);
        p.drawText(QRectF(0, y - 8, kLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(e, 'f', step < 1 ? 1 : 0));
    }
    p.setPen(QPen(ink, 1));
    p.drawRect(a);

    // Chain breaks: a vertical mark with its remark.
    for (const ChainBreakLabel& b : drawing_.chainBreaks) {
        const double x = toScreen(b.chainage, lo).x();
        p.setPen(QPen(lineInk(kChainBreakColour, palette()), 1, Qt::DashLine));
        p.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
        p.setPen(textInk(kChainBreakColour, palette()));
        p.drawText(QPointF(x + 3, a.top() + 12), QString::fromStdString(b.text));  // at the top, clear of sag labels
    }

    // Grade lines, then the design line over them.
    QPolygonF grade;
    for (const ProfileVertex& v : drawing_.gradeLine) grade << toScreen(v.chainage, v.elevation);
    p.setPen(QPen(lineInk(kGradeColour, palette()), 1, Qt::DashLine));
    p.drawPolyline(grade);
    QPolygonF design;
    for (const ProfileVertex& v : drawing_.design) design << toScreen(v.chainage, v.elevation);
    p.setPen(QPen(lineInk(kDesignColour, palette()), 2));
    p.drawPolyline(design);
    p.setPen(QPen(lineInk(kDesignColour, palette()), 1));
    for (const ProfileVertex& v : drawing_.tangentPoints) p.drawEllipse(toScreen(v.chainage, v.elevation), 3, 3);

    // Grade-point labels: station, elevation and grade ahead, above a crest and
    // below a sag so that they stay clear of the line, and kept inside the pane.
    p.setPen(ink);
    const int n = static_cast<int>(drawing_.gradePoints.size());
    for (int i = 0; i < n; ++i) {
        const GradePointLabel& g = drawing_.gradePoints[static_cast<std::size_t>(i)];
        const QPointF at = toScreen(g.chainage, g.elevation);
        p.drawEllipse(at, 2.5, 2.5);
        QString text = QString::fromStdString(g.station).trimmed() + QStringLiteral("\n") + QString::number(g.elevation, 'f', 3);
        if (g.hasAhead) text += QStringLiteral("\n") + QString::number(g.gradeAhead, 'f', 2) + QStringLiteral("‰");
        const bool sag = i > 0 && g.hasAhead && g.gradeAhead > drawing_.gradePoints[static_cast<std::size_t>(i) - 1].gradeAhead;
        QRectF box(at.x() - 60, sag ? at.y() + 8 : at.y() - 58, 120, 50);
        // Inside the plot, clear of the elevation axis and its numbers.
        if (box.left() < a.left() + 2) box.moveLeft(a.left() + 2);
        if (box.right() > width()) box.moveRight(width());
        if (box.bottom() > height()) box.moveBottom(height());
        if (box.top() < 0) box.moveTop(0);
        p.drawText(box, Qt::AlignHCenter | (sag ? Qt::AlignTop : Qt::AlignBottom), text);
    }
}

}  // namespace vornex::app
