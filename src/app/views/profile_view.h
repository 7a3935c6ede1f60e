// The profile view: design elevation along the road with its grade lines,
// vertical curves and their tangent points, a label per grade point (station,
// elevation, grade ahead in per mille) and the chain breaks. Chainage runs to the
// right, elevation up, each axis scaled to fill the pane (a profile is always
// drawn with its heights exaggerated); the elevation axis is labelled.
#pragma once

#include <QWidget>

#include "geometry/profile_drawing.h"
#include "model/road.h"

namespace vornex::app {

class ProfileView : public QWidget {
    Q_OBJECT
public:
    static const QColor kDesignColour;  // the design line
    static const QColor kGradeColour;   // the grade lines
    static const QColor kChainBreakColour;  // chain-break marks and their remarks

    explicit ProfileView(QWidget* parent = nullptr);
    // Takes the road's profile (computed here once). nullptr: nothing drawn.
    void setRoad(const Road* road);
    const ProfileDrawing& drawing() const { return drawing_; }

    // The plotting area and the mapping between it and (chainage, elevation).
    QRectF plotArea() const;
    QPointF toScreen(double chainage, double elevation) const;
    double chainageAt(double x) const;
    double elevationAt(double y) const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ProfileDrawing drawing_;
};

}  // namespace vornex::app
