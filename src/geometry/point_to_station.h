// Point to station: the chainage of a plan point's foot on the centreline and
// its signed lateral offset (the inverse of pointAtStation).
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "geometry/alignment.h"
#include "model/records.h"
#include "model/road.h"

namespace vornex {

struct StationOffset {
    double station = 0;     // continuous chainage of the foot point
    double offset = 0;      // perpendicular distance, right positive, left negative
    double sideAngle = 90;  // 90 for offset >= 0, 270 otherwise (for pointAtStation)
};

// Index of the element whose foot point receives `point` (only x and y are
// read), or -1 when no element contains the foot: beyond either end of the road,
// or in the wedge outside an angle point where two straights meet without a
// curve (the point lies past the first straight and before the second).
// The search starts at the element before the one nearest to the point (by a
// coarse pass over element starts and chord midpoints) and takes the first foot
// found, except that feet found before the nearest element compete with those
// up to it and the one closest to the point wins (inside a loop).
int stationOfPoint(std::span<const AlignmentElement> elements, const AlignmentPoint& point,
                   double tolerance, StationOffset& result);
int stationOfPoint(const Road& road, const AlignmentPoint& point, double tolerance,
                   StationOffset& result);

// stationOfPoint reduced to found / not found.
bool distanceToAlignment(std::span<const AlignmentElement> elements, const AlignmentPoint& point,
                         double tolerance, double& station, double& offset);
bool distanceToAlignment(const Road& road, const AlignmentPoint& point, double tolerance,
                         double& station, double& offset);

// A road's element list prepared for many queries: a copy of the elements with
// a station index and a spatial index over the nearest-element samples. Its
// answers are exactly those of the plain functions on the same elements with
// the same tolerance; build it once per table or batch and rebuild it after the
// elements change.
class AlignmentIndex {
public:
    AlignmentIndex();
    AlignmentIndex(std::span<const AlignmentElement> elements, double tolerance);
    ~AlignmentIndex();
    AlignmentIndex(AlignmentIndex&&) noexcept;
    AlignmentIndex& operator=(AlignmentIndex&&) noexcept;

    const std::vector<AlignmentElement>& elements() const;
    double tolerance() const;

    int elementAtStation(double chainage) const;
    int pointAtStation(double chainage, double offset, double sideAngle, AlignmentPoint& point) const;
    int stationOfPoint(const AlignmentPoint& point, StationOffset& result) const;
    // stationOfPoint for a caller that needs the foot only where it lies on
    // certain elements (`wanted`: one flag per element; a batch wants the
    // elements that reach into a tunnel). Returns kFootNotWanted, without
    // working the foot out, when the point surely has no foot or its foot lies
    // on an element not wanted; otherwise stationOfPoint's answer (which may
    // still be either of those). A `wanted` of another size wants every element.
    int stationOfPointOn(const AlignmentPoint& point, std::span<const char> wanted, StationOffset& result) const;
    static constexpr int kFootNotWanted = -2;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vornex
