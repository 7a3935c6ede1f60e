// The plan drawing pane: the current road's intersection-point polygon (green,
// with circles and names), straights, arcs (red) and spirals (magenta) with a
// circle at each element start, at a fixed 1:1 scale so that curves keep their
// shape. Show all, window zoom, pan, zoom in and out (never below 0.5) and the
// mouse wheel. A red explanatory text replaces the plan for some data nodes. The
// status bar learns the station, offset, X and Y under the mouse; a click on the
// road names the element (or intersection point) under it.
#pragma once

#include <QPointF>
#include <QWidget>
#include <memory>
#include <vector>

#include <QRectF>

#include "geometry/plan_drawing.h"
#include "geometry/point_to_station.h"
#include "geometry/section_drawing.h"
#include "model/road.h"

namespace vornex::app {

class CGraphView : public QWidget {
    Q_OBJECT
public:
    enum class Mode { None, WindowZoom, Pan };

    // Pen colours of the plan (2 pixels wide).
    static const QColor kPolygonColour;  // RGB 0, 255, 0
    static const QColor kArcColour;      // RGB 255, 0, 0
    static const QColor kSpiralColour;   // RGB 200, 0, 200

    explicit CGraphView(QWidget* parent = nullptr);
    ~CGraphView() override;

    // Takes the road's plan (computed here once, not per paint). nullptr: nothing drawn.
    void setRoad(const Road* road, double precision);
    // A tunnel-section template drawn instead of the plan (its contours in the
    // section plane); an empty list: the plan again.
    void setTunnelOutlines(std::vector<TunnelOutline> outlines);
    const std::vector<TunnelOutline>& tunnelOutlines() const { return outlines_; }
    // A red explanatory text drawn instead of the plan (empty: the plan).
    void setHint(const QString& text);
    QString hint() const { return hint_; }

    double zoom() const { return zoom_; }
    QPointF origin() const { return origin_; }
    Mode mode() const { return mode_; }
    const PlanDrawing& drawing() const { return drawing_; }

    // Where the names of the intersection points go (in their order): beside
    // their circles, clear of each other and of the circles and element marks.
    std::vector<QRectF> intersectionLabelBoxes() const;

    // Widget position of a plan point (X northing up, Y easting right).
    QPointF toScreen(const PlanPoint& p) const;
    PlanPoint toPlan(const QPointF& pos) const;

public slots:
    void showAll();             // "显示全部图形"
    void setWindowZoom(bool on);  // "按住鼠标左键拖动一个窗口显示图形"
    void setPan(bool on);       // "平移图形"
    void zoomIn();              // "放大图形"
    void zoomOut();             // "缩小图形", not below 0.5

signals:
    // Station (K-text), signed offset, X and Y under the mouse; empty station off the road.
    void mouseAt(const QString& station, double offset, double x, double y);
    void elementClicked(int element);
    void intersectionPointClicked(int index);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void paintOutlines(QPainter& p);

private:
    double baseScale() const;  // pixels per metre at zoom 1 (the road fills the pane)
    double scale() const { return baseScale() * zoom_; }
    void setZoom(double z);

    const Road* road_ = nullptr;
    double precision_ = 0.0001;
    PlanDrawing drawing_;
    std::vector<QRectF> pieceBounds_;  // per piece, in plan (Y, X), to skip what lies off screen
    std::unique_ptr<AlignmentIndex> index_;
    QString hint_;
    std::vector<TunnelOutline> outlines_;
    double zoom_ = 1;
    QPointF origin_;     // pan offset in pixels
    QPointF centre_;     // plan point (Y, X) shown at the pane's centre at zoom 1, origin 0
    Mode mode_ = Mode::None;
    bool dragging_ = false;
    QPoint dragStart_, dragNow_;
};

}  // namespace vornex::app
