// The designed cross-section at a station as drawable polylines: the finished
// surface across both halves (plates with their crossfalls and curb steps), the
// subgrade under it (each plate lowered by its layer thickness) and the side
// slopes from each road edge, in the section plane of the cross-section view:
// offset from the centreline (right positive) and height above the centreline
// design elevation.
#pragma once

#include <vector>

#include "geometry/tunnel.h"
#include "model/road.h"

namespace vornex {

struct SectionPoint {
    double offset = 0;  // metres from the centreline, right positive
    double height = 0;  // metres above the centreline design elevation
    bool operator==(const SectionPoint&) const = default;
};

using SectionPolyline = std::vector<SectionPoint>;

// Where the side slopes are drawn to: the ground height on each side relative to
// that side's road edge (> 0 above: the cut template; < 0 below: the fill template).
// kNoValue draws the fill template down to kDefaultSlopeDepth.
struct SectionGround {
    double left = 1e18;
    double right = 1e18;
};
inline constexpr double kDefaultSlopeDepth = 2.0;

// One contour of a tunnel section (excavation line, primary support or secondary
// lining), each half from the crown outward.
struct TunnelOutline {
    RecordKind contour = RecordKind::ExcavationContour;
    SectionPolyline right;
    SectionPolyline left;
};

struct DesignedSection {
    double chainage = 0;
    bool hasElevation = false;   // the profile covers the station
    double centreElevation = 0;  // design elevation of the centreline (when hasElevation)
    SectionPolyline surface;     // left outer edge -> centre -> right outer edge
    SectionPolyline subgrade;    // the same stretch, lowered by each plate's layer thickness
    SectionPolyline leftSlope;   // from the left road edge outwards (empty: no template applies)
    SectionPolyline rightSlope;  // from the right road edge outwards
    bool onBridge = false;       // a bridge covers the station (no slopes)
    bool inTunnel = false;       // a tunnel covers the station (no slopes)
    std::vector<TunnelOutline> tunnel;  // the contours of the section in force (in a tunnel)
};

// The designed section of `road` at continuous chainage `chainage`.
DesignedSection designedSection(const Road& road, double chainage, const SectionGround& ground = {});

// The contour of a tunnel section as polylines in the section plane: the crown at
// (startOffset, startHeight), straights as they are, arcs sampled so that no
// chord strays more than `chordError` from the arc. Each half is walked from the
// crown, the right half leaving to the right and the left half to the left.
TunnelOutline tunnelOutline(TunnelSection section, double chordError = 0.005);

// The outline of a slope template from the road edge (0, 0) outwards until it
// reaches `height` (> 0 a cut, < 0 a fill), following the rows as the slope check
// evaluates them: its last point lies at the template's reach for that height.
// Offsets here count outwards from the edge.
SectionPolyline slopeOutline(const SlopeTemplate& slopeTemplate, double height);

}  // namespace vornex
