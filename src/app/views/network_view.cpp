#include "app/views/network_view.h"

#include "app/looks.h"
#include "app/views/label_placement.h"

#include <QDoubleSpinBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vornex::app {

const QColor NetworkView::kEllipseColour(0, 0, 230);
const QColor NetworkView::kOverLimitColour(230, 0, 0);
const QColor NetworkView::kHighlightColour(255, 140, 0);

namespace {
constexpr double kMargin = 0.92;   // the plot fills 92 % of the pane at zoom 1
constexpr double kPad = 36;        // pixels kept free for names at the edges
constexpr double kMarkRadius = 4.5;
constexpr double kZoomFactor = 1.25;  // per wheel notch
constexpr double kMinZoom = 0.2;
constexpr double kMaxZoom = 1e4;
// A new file's ellipses get a magnification that makes the largest semi-major
// axis about this share of the network's larger side.
constexpr double kEllipseShare = 0.1;

// 1, 2 or 5 times a power of ten, at most v.
double niceBelow(double v) {
    if (!(v > 0) || !std::isfinite(v)) return 1;
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= v * (1 + 1e-12)) return m * p;
    return p;
}
}  // namespace

// The drawing surface: paints and takes the mouse for its view.
class NetworkCanvas : public QWidget {
public:
    explicit NetworkCanvas(NetworkView* view) : QWidget(view), view_(view) {
        setAccessibleName(QStringLiteral("网图"));
        setMinimumSize(120, 80);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        view_->paint(p);
    }
    void wheelEvent(QWheelEvent* e) override {
        const int notches = e->angleDelta().y() / 120;
        if (notches != 0) view_->wheel(e->position(), notches);
        e->accept();
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        dragging_ = true;
        last_ = e->position();
        setCursor(Qt::ClosedHandCursor);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!dragging_) return;
        view_->origin_ += e->position() - last_;
        last_ = e->position();
        update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !dragging_) return;
        view_->origin_ += e->position() - last_;
        dragging_ = false;
        unsetCursor();
        update();
    }

private:
    NetworkView* view_;
    bool dragging_ = false;
    QPointF last_;
};

NetworkView::NetworkView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("网图"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 0);
    magnificationLabel_ = new QLabel(QStringLiteral("椭圆放大倍数"), this);
    magnificationBox_ = new QDoubleSpinBox(this);
    magnificationBox_->setAccessibleName(QStringLiteral("椭圆放大倍数"));
    magnificationBox_->setToolTip(QStringLiteral("误差椭圆相对网图的放大倍数"));
    magnificationBox_->setRange(1, 1e8);
    magnificationBox_->setDecimals(0);
    magnificationBox_->setSingleStep(1000);
    magnificationBox_->setValue(magnification_);
    magnificationLabel_->setBuddy(magnificationBox_);
    limitLabel_ = new QLabel(QStringLiteral("椭圆限差(mm)"), this);
    limitBox_ = new QDoubleSpinBox(this);
    limitBox_->setAccessibleName(QStringLiteral("椭圆限差(mm)"));
    limitBox_->setToolTip(QStringLiteral("长半轴超过此值的点以红色显示；0 不检查"));
    limitBox_->setRange(0, 10000);
    limitBox_->setDecimals(1);
    limitBox_->setSingleStep(0.5);
    limitBox_->setSpecialValueText(QStringLiteral("不检查"));
    limitLabel_->setBuddy(limitBox_);
    showAll_ = new QToolButton(this);
    showAll_->setText(QStringLiteral("显示全部"));
    showAll_->setToolTip(QStringLiteral("显示全部图形"));
    showAll_->setAccessibleName(QStringLiteral("显示全部图形"));
    bar->addWidget(magnificationLabel_);
    bar->addWidget(magnificationBox_);
    bar->addSpacing(8);
    bar->addWidget(limitLabel_);
    bar->addWidget(limitBox_);
    bar->addSpacing(8);
    bar->addWidget(showAll_);
    bar->addStretch(1);
    layout->addLayout(bar);
    canvas_ = new NetworkCanvas(this);
    layout->addWidget(canvas_, 1);

    connect(magnificationBox_, &QDoubleSpinBox::valueChanged, this, &NetworkView::setMagnification);
    connect(limitBox_, &QDoubleSpinBox::valueChanged, this, &NetworkView::setLimit);
    connect(showAll_, &QToolButton::clicked, this, &NetworkView::showAll);
    syncControls();
}

NetworkView::~NetworkView() = default;

QWidget* NetworkView::canvas() const { return canvas_; }

void NetworkView::setControl(const ControlModule* m) {
    plot_ = m ? controlPlot(*m) : ControlPlot{};
    const RouteSchematic previousRoute = std::move(route_);
    route_ = RouteSchematic{};
    kind_ = Kind::None;
    if (!plot_.points.empty()) {
        kind_ = Kind::Control;
    } else if (m && m->heights.pointCount > 0) {
        // Heights only: the height network as a route schematic.
        route_ = controlHeightRoute(*m, &previousRoute);
        kind_ = Kind::Route;
    }
    const std::string file = m && kind_ != Kind::None ? m->network.filePath.string() + "|" + m->network.fileName : "";
    if (kind_ == Kind::Control && file != shownFile_) {
        // A new file: ellipses at a share of the network's size.
        const PlanExtents e = controlPlotExtents(plot_, 0);
        double largest = 0;
        for (const ErrorEllipse& el : plot_.ellipses) largest = std::max(largest, el.a);
        const double side = std::max(e.maxX - e.minX, e.maxY - e.minY);
        if (largest > 0 && side > 0) {
            magnification_ = std::clamp(niceBelow(kEllipseShare * side / largest), magnificationBox_->minimum(),
                                        magnificationBox_->maximum());
        }
        zoom_ = 1;
        origin_ = QPointF();
    }
    shownFile_ = file;
    refit();
}

void NetworkView::setLeveling(const LevelingModule* m) {
    plot_ = ControlPlot{};
    // The same graph keeps its drawing (a parameter edit, a refresh).
    route_ = m ? levelingRoute(*m, &route_) : RouteSchematic{};
    kind_ = route_.points.empty() ? Kind::None : Kind::Route;
    const std::string file = m && kind_ != Kind::None ? m->network.filePath.string() : "";
    if (file != shownFile_) {
        zoom_ = 1;
        origin_ = QPointF();
    }
    shownFile_ = file;
    refit();
}

void NetworkView::clear() {
    plot_ = ControlPlot{};
    route_ = RouteSchematic{};
    kind_ = Kind::None;
    shownFile_.clear();
    highlighted_ = -1;
    refit();
}

void NetworkView::setMagnification(double m) {
    if (!(m > 0) || !std::isfinite(m) || m == magnification_) return;
    magnification_ = m;
    refit();
}

void NetworkView::setLimit(double mm) {
    if (!(mm >= 0) || !std::isfinite(mm) || mm == limit_) return;
    limit_ = mm;
    syncControls();
    canvas_->update();
}

void NetworkView::setHighlightedClosure(int row, Closures table) {
    highlighted_ = row < 0 ? -1 : row;
    highlightedTable_ = table;
    canvas_->update();
}

bool NetworkView::overLimit(int point) const {
    if (kind_ != Kind::Control || !(limit_ > 0)) return false;
    for (const ErrorEllipse& e : plot_.ellipses)
        if (e.point == point) return e.a * 1000 > limit_;
    return false;
}

void NetworkView::syncControls() {
    const bool ellipses = kind_ == Kind::Control;
    for (QWidget* w : {static_cast<QWidget*>(magnificationBox_), static_cast<QWidget*>(limitBox_),
                       static_cast<QWidget*>(magnificationLabel_), static_cast<QWidget*>(limitLabel_)}) {
        w->setEnabled(ellipses);
        w->setVisible(ellipses);
    }
    // The canvas takes its new size now, so that its mapping holds at once.
    layout()->activate();
    const QSignalBlocker b1(magnificationBox_), b2(limitBox_);
    magnificationBox_->setValue(magnification_);
    limitBox_->setValue(limit_);
}

void NetworkView::refit() {
    extents_ = kind_ == Kind::Control ? controlPlotExtents(plot_, magnification_)
               : kind_ == Kind::Route  ? routeExtents(route_)
                                       : PlanExtents{};
    centre_ = extents_.empty ? PlanPoint{} : PlanPoint{(extents_.minX + extents_.maxX) / 2, (extents_.minY + extents_.maxY) / 2};
    syncControls();
    canvas_->update();
}

double NetworkView::baseScale() const {
    if (extents_.empty) return 1;
    // A single point (or a line) still gets a finite scale.
    double w = extents_.maxY - extents_.minY, h = extents_.maxX - extents_.minX;
    const double floor = std::max({w, h, 1e-3}) * 1e-3;
    w = std::max(w, floor), h = std::max(h, floor);
    return kMargin * std::min(std::max(canvas_->width() - 2 * kPad, 10.0) / w,
                              std::max(canvas_->height() - 2 * kPad, 10.0) / h);
}

double NetworkView::scale() const { return baseScale() * zoom_; }

QPointF NetworkView::toScreen(const PlanPoint& p) const {
    const double s = scale();
    return {canvas_->width() / 2.0 + (p.y - centre_.y) * s + origin_.x(),
            canvas_->height() / 2.0 - (p.x - centre_.x) * s + origin_.y()};
}

PlanPoint NetworkView::toPlan(const QPointF& pos) const {
    const double s = scale();
    return {centre_.x - (pos.y() - origin_.y() - canvas_->height() / 2.0) / s,
            centre_.y + (pos.x() - origin_.x() - canvas_->width() / 2.0) / s};
}

void NetworkView::showAll() {
    zoom_ = 1;
    origin_ = QPointF();
    emit zoomChanged(zoom_);
    canvas_->update();
}

void NetworkView::wheel(QPointF at, int notches) {
    // Zoom about the mouse: the plan point under it stays under it.
    const PlanPoint keep = toPlan(at);
    zoom_ = std::clamp(zoom_ * std::pow(kZoomFactor, notches), kMinZoom, kMaxZoom);
    origin_ += at - toScreen(keep);
    emit zoomChanged(zoom_);
    canvas_->update();
}

void NetworkView::paint(QPainter& p) {
    if (kind_ == Kind::None) {
        p.setPen(textInk(palette().color(QPalette::PlaceholderText), palette()));
        p.drawText(canvas_->rect(), Qt::AlignCenter, QStringLiteral("没有可显示的网图"));
        return;
    }
    if (kind_ == Kind::Control) {
        paintControl(p);
    } else {
        paintRoute(p);
    }
}

std::vector<QRectF> NetworkView::pointLabelBoxes() const {
    const std::vector<NetworkPoint>& points = kind_ == Kind::Control ? plot_.points : route_.points;
    std::vector<QPointF> anchors;
    std::vector<QSizeF> sizes;
    std::vector<QRectF> marks;
    const QFontMetricsF metrics(canvas_->font());
    const double r = kMarkRadius + 2.5;
    for (const NetworkPoint& pt : points) {
        const QPointF at = toScreen(pt.at);
        anchors.push_back(at);
        sizes.push_back(QSizeF(metrics.horizontalAdvance(QString::fromStdString(pt.name)) + 2, metrics.height()));
        marks.push_back(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
    }
    if (kind_ == Kind::Control)
        for (const ErrorEllipse& e : plot_.ellipses) {
            QPolygonF poly;
            for (const PlanPoint& q : ellipseOutline(plot_.points[static_cast<std::size_t>(e.point)].at, e, magnification_))
                poly << toScreen(q);
            marks.push_back(poly.boundingRect());
        }
    return placeLabels(anchors, sizes, marks, kMarkRadius + 2);
}

void NetworkView::paintPoint(QPainter& p, const NetworkPoint& point, const QColor& colour, const QRectF& label) {
    const QPointF c = toScreen(point.at);
    p.setPen(QPen(lineInk(colour, palette()), 1.5));
    if (point.known) {
        // Known points: a filled triangle standing on its base.
        const double r = kMarkRadius + 1.5;
        QPolygonF tri;
        tri << c + QPointF(0, -r) << c + QPointF(r * 0.866, r * 0.5) << c + QPointF(-r * 0.866, r * 0.5);
        p.setBrush(colour);
        p.drawPolygon(tri);
    } else {
        p.setBrush(palette().color(QPalette::Base));
        p.drawEllipse(c, kMarkRadius, kMarkRadius);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(textInk(colour, palette()));
    p.drawText(label, Qt::AlignCenter, QString::fromStdString(point.name));
}

void NetworkView::paintHighlight(QPainter& p, const std::vector<NetworkPoint>& points,
                                 const std::vector<std::vector<int>>& paths) {
    if (highlighted_ < 0 || static_cast<std::size_t>(highlighted_) >= paths.size()) return;
    const std::vector<int>& path = paths[static_cast<std::size_t>(highlighted_)];
    QPen pen(lineInk(kHighlightColour, palette()), 5);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        if (path[i] < 0 || path[i + 1] < 0) continue;
        p.drawLine(toScreen(points[static_cast<std::size_t>(path[i])].at), toScreen(points[static_cast<std::size_t>(path[i + 1])].at));
    }
}

void NetworkView::paintControl(QPainter& p) {
    const QColor ink = palette().color(QPalette::Text);
    // Lines: solid where sighted from both ends, dashed from one end only.
    for (const NetworkLine& l : plot_.lines) {
        QPen pen(lineInk(QColor(110, 110, 110), palette()), 1.2, l.oneWay ? Qt::DashLine : Qt::SolidLine);
        p.setPen(pen);
        p.drawLine(toScreen(plot_.points[static_cast<std::size_t>(l.from)].at), toScreen(plot_.points[static_cast<std::size_t>(l.to)].at));
    }
    paintHighlight(p, plot_.points, highlightedTable_ == Closures::Plane ? plot_.planeClosurePaths : plot_.closurePaths);
    for (const ErrorEllipse& e : plot_.ellipses) {
        const PlanPoint& c = plot_.points[static_cast<std::size_t>(e.point)].at;
        QPolygonF poly;
        for (const PlanPoint& q : ellipseOutline(c, e, magnification_)) poly << toScreen(q);
        p.setPen(QPen(lineInk(overLimit(e.point) ? kOverLimitColour : kEllipseColour, palette()), 1.5));
        p.drawPolyline(poly);
    }
    const std::vector<QRectF> labels = pointLabelBoxes();
    for (std::size_t i = 0; i < plot_.points.size(); ++i)
        paintPoint(p, plot_.points[i], overLimit(static_cast<int>(i)) ? kOverLimitColour : ink, labels[i]);
    paintScaleBar(p);
}

void NetworkView::paintScaleBar(QPainter& p) {
    if (plot_.ellipses.empty()) return;
    // A bar of a round number of millimetres of the ellipses, 40 to 120 pixels long.
    const double pxPerMm = magnification_ * scale() / 1000;
    if (!(pxPerMm > 0) || !std::isfinite(pxPerMm)) return;
    const double mm = niceBelow(120 / pxPerMm);
    const double len = mm * pxPerMm;
    const QPointF start(12, canvas_->height() - 14);
    const QPointF end = start + QPointF(len, 0);
    p.setPen(QPen(lineInk(kEllipseColour, palette()), 2));
    p.drawLine(start, end);
    p.drawLine(start, start + QPointF(0, -6));
    p.drawLine(end, end + QPointF(0, -6));
    p.setPen(palette().color(QPalette::Text));
    p.drawText(end + QPointF(6, 0), QStringLiteral("%1 mm (椭圆 ×%2)").arg(mm, 0, 'g', 6).arg(magnification_, 0, 'f', 0));
}

void NetworkView::paintRoute(QPainter& p) {
    const QColor ink = palette().color(QPalette::Text);
    for (const RouteEdge& e : route_.edges) {
        // Runs set aside by the surveyor are drawn dashed and grey.
        p.setPen(e.excluded ? QPen(lineInk(QColor(150, 150, 150), palette()), 1.2, Qt::DashLine) : QPen(ink, 1.5));
        p.drawLine(toScreen(route_.points[static_cast<std::size_t>(e.from)].at),
                   toScreen(route_.points[static_cast<std::size_t>(e.to)].at));
    }
    if (highlightedTable_ == Closures::Height) paintHighlight(p, route_.points, route_.closurePaths);
    const std::vector<QRectF> labels = pointLabelBoxes();
    for (std::size_t i = 0; i < route_.points.size(); ++i) paintPoint(p, route_.points[i], ink, labels[i]);
    if (!route_.geographic) {
        p.setPen(textInk(palette().color(QPalette::PlaceholderText), palette()));
        p.drawText(QPointF(10, canvas_->height() - 10), QStringLiteral("路线示意图（未按坐标绘制）"));
    }
}

}  // namespace vornex::app
