// The network plot of a survey module, in the drawing row of the result column.
// A control survey: known points as triangles, the others as circles, with
// names; the sighted lines (dashed where sighted from one end only); the error
// ellipse of every adjusted point at an adjustable magnification with a scale
// bar in mm; points whose semi-major axis exceeds the chosen limit in red.
// A leveling network (or a control survey with heights only): the route
// schematic with its known benchmarks. The path of one closure row is
// highlighted: a loop or line of heights, a triangle or traverse of the plane. 1:1 aspect, fitted to the pane; the wheel zooms about the mouse
// and a drag pans.
#pragma once

#include <QColor>
#include <QPointF>
#include <QWidget>

#include "adjust/network_plot.h"

class QDoubleSpinBox;
class QLabel;
class QToolButton;

namespace vornex::app {

class NetworkCanvas;

class NetworkView : public QWidget {
    Q_OBJECT
public:
    enum class Kind { None, Control, Route };

    static const QColor kEllipseColour;    // error ellipses within the limit
    static const QColor kOverLimitColour;  // points (and ellipses) over the limit
    static const QColor kHighlightColour;  // the selected closure's path
    static constexpr double kDefaultMagnification = 10000;

    explicit NetworkView(QWidget* parent = nullptr);
    ~NetworkView() override;

    // The module to draw (its plot is computed here, once per call: call again
    // after every change). nullptr or nothing to draw clears the plot. A file
    // other than the last one shown gets a magnification that makes its
    // ellipses visible; the same file keeps the user's choice.
    void setControl(const ControlModule* m);
    void setLeveling(const LevelingModule* m);
    void clear();

    Kind kind() const { return kind_; }
    const ControlPlot& plot() const { return plot_; }
    const RouteSchematic& route() const { return route_; }

    void setMagnification(double m);
    double magnification() const { return magnification_; }
    // Limit on the semi-major axis in mm; 0: no limit.
    void setLimit(double mm);
    double limit() const { return limit_; }
    // The closure tables whose rows the plot highlights: the height closures
    // (高程路线闭合差, loops and lines) or a control survey's plane closures
    // (平面闭合差, triangles and traverses).
    enum class Closures { Height, Plane };
    // A row of the module's closure table; -1 none.
    void setHighlightedClosure(int row, Closures table = Closures::Height);
    int highlightedClosure() const { return highlighted_; }
    Closures highlightedTable() const { return highlightedTable_; }
    // Points of the control plot over the limit.
    bool overLimit(int point) const;

    // The drawing surface and its mapping (X north up, Y east right).
    QWidget* canvas() const;
    QPointF toScreen(const PlanPoint& p) const;
    PlanPoint toPlan(const QPointF& pos) const;
    double scale() const;  // pixels per metre
    double zoom() const { return zoom_; }
    // Where the point names of the shown plot go (in the points' order): beside
    // their marks, clear of each other, of the marks and of the error ellipses.
    std::vector<QRectF> pointLabelBoxes() const;

public slots:
    void showAll();

signals:
    void zoomChanged(double zoom);

private:
    friend class NetworkCanvas;
    void paint(QPainter& p);
    void paintControl(QPainter& p);
    void paintRoute(QPainter& p);
    void paintHighlight(QPainter& p, const std::vector<NetworkPoint>& points,
                        const std::vector<std::vector<int>>& paths);
    void paintPoint(QPainter& p, const NetworkPoint& point, const QColor& colour, const QRectF& label);
    void paintScaleBar(QPainter& p);
    void wheel(QPointF at, int notches);
    void refit();
    void syncControls();
    double baseScale() const;

    NetworkCanvas* canvas_ = nullptr;
    QDoubleSpinBox* magnificationBox_ = nullptr;
    QDoubleSpinBox* limitBox_ = nullptr;
    QLabel* magnificationLabel_ = nullptr;
    QLabel* limitLabel_ = nullptr;
    QToolButton* showAll_ = nullptr;

    Kind kind_ = Kind::None;
    ControlPlot plot_;
    RouteSchematic route_;
    PlanExtents extents_;
    std::string shownFile_;  // the control file whose magnification was chosen
    double magnification_ = kDefaultMagnification;
    double limit_ = 0;
    int highlighted_ = -1;
    Closures highlightedTable_ = Closures::Height;
    double zoom_ = 1;
    QPointF origin_;  // pan offset in pixels
    PlanPoint centre_;
};

}  // namespace vornex::app
