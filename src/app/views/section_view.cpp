#include "app/views/section_view.h"

#include "app/looks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "geometry/stations.h"

namespace vornex::app {

StationSpinBox::StationSpinBox(QWidget* parent) : QDoubleSpinBox(parent) {
    setDecimals(3);
    setSingleStep(100);
    setRange(0, 0);
    setKeyboardTracking(false);
    setAccessibleName(QStringLiteral("桩号"));
}

void StationSpinBox::setRoad(const Road* road) {
    road_ = road;
    if (road && !road->elements.empty()) setRange(alignmentStart(*road), alignmentEnd(*road));
    else setRange(0, 0);
}

QString StationSpinBox::textFromValue(double value) const {
    if (!road_) return QString::number(value, 'f', 3);
    return QString::fromStdString(formatStation(*road_, value, true)).trimmed();
}

double StationSpinBox::valueFromText(const QString& text) const {
    if (!road_) return text.toDouble();
    double c = toContinuousChainage(*road_, text.trimmed().toStdString());
    return c == kNoValue ? value() : c;
}

QValidator::State StationSpinBox::validate(QString&, int&) const { return QValidator::Acceptable; }

// The drawing area of the view.
class SectionCanvas : public QWidget {
public:
    explicit SectionCanvas(SectionView* view) : QWidget(view), view_(view) {
        setAccessibleName(QStringLiteral("横断面图"));
        setMinimumSize(200, 120);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
    }

    // Extents of everything drawn, and the 1:1 mapping into the canvas.
    void bounds(double& x0, double& x1, double& y0, double& y1) const {
        x0 = y0 = 1e300;
        x1 = y1 = -1e300;
        auto add = [&](double x, double y) {
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        };
        const DesignedSection& s = view_->section_;
        for (const SectionPolyline* line : {&s.surface, &s.subgrade, &s.leftSlope, &s.rightSlope})
            for (const SectionPoint& p : *line) add(p.offset, p.height);
        for (const TunnelOutline& o : s.tunnel)
            for (const SectionPolyline* line : {&o.right, &o.left})
                for (const SectionPoint& p : *line) add(p.offset, p.height);
        if (view_->query_) add(view_->query_->x(), view_->query_->y() - (s.hasElevation ? s.centreElevation : 0));
        if (x0 > x1) x0 = -10, x1 = 10, y0 = -1, y1 = 1;
        if (x1 - x0 < 1) x0 -= 0.5, x1 += 0.5;
        if (y1 - y0 < 1) y0 -= 0.5, y1 += 0.5;
    }
    QPointF map(const SectionPoint& p) const {
        double x0, x1, y0, y1;
        bounds(x0, x1, y0, y1);
        const double s = 0.85 * std::min(width() / (x1 - x0), height() / (y1 - y0));
        return {width() / 2.0 + (p.offset - (x0 + x1) / 2) * s, height() / 2.0 - (p.height - (y0 + y1) / 2) * s};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const DesignedSection& s = view_->section_;
        const QColor ink = palette().color(QPalette::Text);
        // Every line reaches 3:1 on the look's background, every text 4.5:1.
        auto line = [&](const SectionPolyline& l, QPen pen) {
            QPolygonF poly;
            for (const SectionPoint& q : l) poly << map(q);
            pen.setColor(lineInk(pen.color(), palette()));
            p.setPen(pen);
            p.drawPolyline(poly);
        };
        line(s.subgrade, QPen(palette().color(QPalette::Mid), 1, Qt::DashLine));
        line(s.leftSlope, QPen(QColor(150, 90, 30), 2));
        line(s.rightSlope, QPen(QColor(150, 90, 30), 2));
        line(s.surface, QPen(ink, 2));
        const QColor tunnelColours[3] = {QColor(255, 0, 0), QColor(200, 0, 200), QColor(0, 120, 200)};
        for (const TunnelOutline& o : s.tunnel) {
            const int c = std::clamp(static_cast<int>(o.contour) - static_cast<int>(RecordKind::ExcavationContour), 0, 2);
            line(o.right, QPen(tunnelColours[c], 2));
            line(o.left, QPen(tunnelColours[c], 2));
        }
        // The centreline and its design elevation.
        p.setPen(QPen(lineInk(QColor(0, 90, 200), palette()), 1, Qt::DashDotLine));
        const QPointF c = map({0, 0});
        p.drawLine(QPointF(c.x(), 0), QPointF(c.x(), height()));
        p.setPen(ink);
        QString title = QString::fromStdString(view_->road_ ? formatStation(*view_->road_, s.chainage, true) : "").trimmed();
        if (s.hasElevation) title += QStringLiteral("   设计高 %1").arg(s.centreElevation, 0, 'f', 3);
        if (s.onBridge) title += QStringLiteral("   桥梁");
        if (s.inTunnel) title += QStringLiteral("   隧道");
        p.drawText(QRectF(8, 4, width() - 16, 20), Qt::AlignLeft | Qt::AlignVCenter, title);
        if (view_->query_) {
            const double h = view_->query_->y() - (s.hasElevation ? s.centreElevation : 0);
            const QPointF q = map({view_->query_->x(), h});
            p.setPen(QPen(textInk(QColor(255, 0, 0), palette()), 2));
            p.drawLine(q + QPointF(-5, -5), q + QPointF(5, 5));
            p.drawLine(q + QPointF(-5, 5), q + QPointF(5, -5));
            p.drawText(q + QPointF(8, -6), QStringLiteral("偏距 %1  高程 %2").arg(view_->query_->x(), 0, 'f', 3).arg(view_->query_->y(), 0, 'f', 3));
        }
    }

private:
    SectionView* view_;
};

SectionView::SectionView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("横断面"));
    station_ = new StationSpinBox(this);
    canvas_ = new SectionCanvas(this);
    auto* bar = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("桩号"), this);
    label->setBuddy(station_);
    bar->addWidget(label);
    bar->addWidget(station_, 1);
    bar->addStretch(2);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->addLayout(bar);
    top->addWidget(canvas_, 1);
    connect(station_, &QDoubleSpinBox::valueChanged, this, [this] { recompute(); });
}

QWidget* SectionView::canvas() const { return canvas_; }

void SectionView::setRoad(const Road* road) {
    road_ = road;
    station_->setRoad(road);
    recompute();
}

void SectionView::setInterval(double metres) {
    if (metres > 0) station_->setSingleStep(metres);
}

double SectionView::interval() const { return station_->singleStep(); }

void SectionView::setStation(double chainage) {
    station_->setValue(chainage);
    recompute();
}

double SectionView::station() const { return station_->value(); }

void SectionView::setQueryPoint(std::optional<QPointF> offsetAndElevation) {
    query_ = offsetAndElevation;
    canvas_->update();
}

QPointF SectionView::toCanvas(const SectionPoint& p) const { return canvas_->map(p); }

void SectionView::recompute() {
    section_ = road_ ? designedSection(*road_, station_->value()) : DesignedSection{};
    canvas_->update();
}

}  // namespace vornex::app
