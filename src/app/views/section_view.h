// The cross-section view at a station: the plates of the finished surface with
// their crossfalls and curb steps, the subgrade, the side slopes, and a queried
// point with its offsets. A station box steps by the coordinate table's interval
// and reads and shows the road's own station text. Drawn at a 1:1 scale so that
// slopes keep their true gradient.
#pragma once

#include <QDoubleSpinBox>
#include <QWidget>
#include <optional>

#include "geometry/section_drawing.h"
#include "model/road.h"

namespace vornex::app {

// A spin box over continuous chainage that shows and reads station text ("K12+345.678").
class StationSpinBox : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit StationSpinBox(QWidget* parent = nullptr);
    void setRoad(const Road* road);
    QString textFromValue(double value) const override;
    double valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;

private:
    const Road* road_ = nullptr;
};

class SectionCanvas;

class SectionView : public QWidget {
    Q_OBJECT
public:
    explicit SectionView(QWidget* parent = nullptr);
    void setRoad(const Road* road);
    // The step of the station box (the coordinate table's interval, metres).
    void setInterval(double metres);
    double interval() const;
    void setStation(double chainage);
    double station() const;
    // A point to plot: its signed offset (right positive) and elevation; nullopt clears it.
    void setQueryPoint(std::optional<QPointF> offsetAndElevation);

    const DesignedSection& section() const { return section_; }
    // Widget position (on the canvas) of a section point.
    QPointF toCanvas(const SectionPoint& p) const;
    QWidget* canvas() const;

private:
    void recompute();

    const Road* road_ = nullptr;
    DesignedSection section_;
    std::optional<QPointF> query_;
    StationSpinBox* station_ = nullptr;
    SectionCanvas* canvas_ = nullptr;
    friend class SectionCanvas;
};

}  // namespace vornex::app
