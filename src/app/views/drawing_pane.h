// The drawing row of the result column: the plan, the profile and the cross
// section of the current road, switched with tabs, and the plan's toolbar
// (show all, window zoom, pan, zoom in, zoom out). The window passes the current
// road, the hint texts of some data nodes and the queried point; it learns the
// mouse position and clicks on the plan through signals.
#pragma once

#include <QWidget>
#include <optional>

#include "model/road.h"

class QAction;
class QTabWidget;

namespace vornex::app {

class CGraphView;
class ProfileView;
class SectionView;

class DrawingPane : public QWidget {
    Q_OBJECT
public:
    enum Page { Plan = 0, Profile = 1, Section = 2 };

    explicit DrawingPane(QWidget* parent = nullptr);

    // The road to draw (recomputed here once per call; call it after every change).
    void setRoad(const Road* road, double precision);
    // Red explanatory text in place of the plan (empty: the plan).
    void setHint(const QString& text);
    // A tunnel-section template's contours instead of the plan (nullptr: the plan).
    void setTunnelTemplate(const TunnelTemplate* tunnelTemplate);
    // The coordinate table's interval: the cross section's station step.
    void setInterval(double metres);
    // Shows a queried point in the cross section at its station.
    void showPoint(double chainage, double offset, std::optional<double> elevation);
    void setPage(Page page);
    Page page() const;

    CGraphView* plan() const { return plan_; }
    ProfileView* profile() const { return profile_; }
    SectionView* section() const { return section_; }

signals:
    void mouseAt(const QString& station, double offset, double x, double y);
    void elementClicked(int element);
    void intersectionPointClicked(int index);

private:
    QTabWidget* tabs_ = nullptr;
    CGraphView* plan_ = nullptr;
    ProfileView* profile_ = nullptr;
    SectionView* section_ = nullptr;
    QAction* windowZoom_ = nullptr;
    QAction* pan_ = nullptr;
    QAction* zoomOut_ = nullptr;
};

}  // namespace vornex::app
