// Every record a road project holds, field by field in stored order.
// Records are plain values; the scrambled file images are made only where bytes
// go to or come from a file (see scramble.h).
//
// Stations. A road has two kinds of station value:
// - a continuous chainage: the distance along the centreline from the road's
//   start reading of the element list, with no jump at a chain break. Every
//   computation works in it (geometry/stations.h converts).
// - a design station: the station as a surveyor reads it on the road, which
//   jumps at each chain break (and repeats a stretch in a long chain).
// Only the two stations of a chain break are design stations. The stations of
// elements, intersection points, grade points, slope assignments, plate
// changes, structures, bridges, piers, tunnels and tunnel station rules are
// continuous chainages. Tables show and take design stations and convert.
//
// Signs. Lateral offsets are 左负右正: negative left of the centreline, positive
// right, looking in the direction of rising station. Azimuths are decimal
// degrees clockwise from north (+X); a radius is negative on a left turn. An
// angle typed as 度.分秒 is stored in decimal degrees.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/fixed_text.h"

namespace vornex {

// Marks a station, elevation or coordinate that does not exist; shown as empty text.
inline constexpr double kNoValue = 1.0e18;

// Current project-file format version; also the scrambling key of everything written.
inline constexpr std::int32_t kFormatVersion = 83;

// Name of the scratch road that lives only in memory and is never written.
inline constexpr const char* kManualRoadName = "~Manual";

enum class RecordKind : int {
    IntersectionPoint = 0,
    AlignmentElement = 1,
    GradePoint = 2,
    ChainBreak = 3,
    CrossSectionPlate = 4,
    SlopeAssignment = 5,
    SlopeTemplate = 6,
    SlopeTemplateRow = 7,
    // 8 has no record kind.
    WidthChange = 9,
    CrossfallChange = 10,
    ControlPoint = 11,
    Structure = 12,
    Bridge = 13,
    Pier = 14,
    Pile = 15,
    Tunnel = 16,
    TunnelTemplate = 17,
    BlastHole = 18,
    ExcavationContour = 19,
    PrimaryContour = 20,
    SecondaryContour = 21,
    TunnelSlopeRule = 22,
    TunnelStationRule = 23,
};

// 交点 (kind 0).
struct IntersectionPoint {
    Name12 name;
    Name12 label;  // carried through unchanged
    double x = 0, y = 0;
    double computed = 0;  // written by the intersection-point computation only
    double station = 0;   // continuous chainage, computed along the polygon
    double radius = 0;    // > 0 curve, 0 angle point, < 0 joins the previous curve (virtual intersection)
    double spiralIn = 0, spiralOut = 0;
    double startRadius = 0, endRadius = 0;  // < 0: spiral parameter A
    bool operator==(const IntersectionPoint&) const = default;
};

// 线元 (kind 1).
struct AlignmentElement {
    Name12 name;   // main-point name of the element's start ("QD", "ZH", ...)
    Name12 label;  // carried through unchanged
    double x = 0, y = 0;
    double arrivalAzimuth = 0;
    double startStation = 0;  // continuous chainage of the element's start
    double length = 0;
    double startAzimuth = 0;
    double startRadius = 0, endRadius = 0;  // 0 straight; negative turns left
    bool operator==(const AlignmentElement&) const = default;
};

// 变坡点 (kind 2).
struct GradePoint {
    double station = 0;  // continuous chainage
    double elevation = 0, verticalRadius = 0;
    bool operator==(const GradePoint&) const = default;
};

// 断链 (kind 3): both stations are design stations as typed.
struct ChainBreak {
    double startStation = 0, endStation = 0;
    bool operator==(const ChainBreak&) const = default;
};

// 板块 of the standard cross-section (kind 4), listed from the centre outward per side.
struct CrossSectionPlate {
    std::int32_t side = 1;       // 1 左路幅, 2 右路幅
    std::int32_t plateType = 0;  // see plateTypeText
    double width = 0;
    double crossfall = 0;        // per cent, from the centre outward
    double layerThickness = 0;
    double curbHeight = 0;
    // Derived links into the change lists, rebuilt before every save.
    std::int32_t firstWidthChange = -1, lastWidthChange = -1;
    std::int32_t firstCrossfallChange = -1, lastCrossfallChange = -1;
    bool operator==(const CrossSectionPlate&) const = default;
};

// 边坡参数 (kind 5): the templates from this station on.
struct SlopeAssignment {
    double station = 0;  // continuous chainage
    std::int32_t leftFill = 0, leftCut = 0, rightFill = 0, rightCut = 0;  // slope-template indices
    bool operator==(const SlopeAssignment&) const = default;
};

// Slope-template row (kind 7); the meaning of values[0..4] depends on rowType.
struct SlopeTemplateRow {
    std::int32_t rowType = 0;
    std::array<double, 5> values{};
    bool operator==(const SlopeTemplateRow&) const = default;
};

// 边坡模板 (kind 6).
struct SlopeTemplate {
    Name12 name;
    std::vector<SlopeTemplateRow> rows;
    bool operator==(const SlopeTemplate&) const = default;
};

// 路幅宽度变化 (kind 9) and 路幅坡度变化 (kind 10) share one layout.
struct PlateChange {
    double station = 0;  // continuous chainage
    std::int32_t plateIndex = 0;
    std::int32_t transition = 0;  // 0 linear, 1 cubic, 2 quartic parabola, 3 circular
    double value = 0;             // width (m) or crossfall (%)
    bool operator==(const PlateChange&) const = default;
};
using WidthChange = PlateChange;
using CrossfallChange = PlateChange;

// 控制点 (kind 11), also the known points of the survey files.
struct ControlPoint {
    Name12 name;
    Name12 note;
    double x = 0, y = 0, h = 0;
    bool operator==(const ControlPoint&) const = default;
};

// 构筑物 (kind 12).
struct Structure {
    std::int32_t kindAndMethod = 0;  // low 16 bits kind, high 16 bits method (1 rectangle, 0 parallelogram)
    double station = 0;              // continuous chainage of the structure's centre
    // Degrees, kept in [0, 180): the structure's axis turned clockwise from the
    // road's direction at the station (90: square across the road).
    double angle = 0;
    // Along the axis: the right length runs in the axis direction, the left one opposite.
    double leftLength = 0, rightLength = 0;
    double width = 0;
    double centreElevation = 0;
    double crossfall = 0;
    int structureKind() const { return kindAndMethod & 0xFFFF; }
    int method() const { return (kindAndMethod >> 16) & 0xFFFF; }
    bool operator==(const Structure&) const = default;
};

// 桩柱 (kind 15).
struct Pile {
    Name12 name;
    std::int32_t coordMode = 0;  // 0 relative, 1 absolute
    // Absolute: X and Y. Relative to the pier's centre: `along` in the direction
    // turned (angle - 90) degrees clockwise from the road's (the road's own
    // direction for a square pier), `across` 90 degrees clockwise from that.
    double along = 0, across = 0;
    double elevation = 0;
    bool operator==(const Pile&) const = default;
};

// 墩台 (kind 14).
struct Pier {
    Name12 name;
    double station = 0;  // continuous chainage
    // Degrees: the pier's axis turned clockwise from the bridge's longitudinal
    // axis (its tangent at the pier); typed as 度.分秒.
    double angle = 0;
    std::vector<Pile> piles;
    bool operator==(const Pier&) const = default;
};

// 桥梁 (kind 13).
struct Bridge {
    Name12 name;
    std::int32_t calcType = 0;  // 0 弯桥弯做, 1 弯桥直做
    double startStation = 0, length = 0;  // continuous chainage of the start
    double leftWidth = 0, rightWidth = 0;
    double axisOffset = 0;  // m from the road's design line to the bridge's axis, 左负右正
    std::vector<Pier> piers;
    bool operator==(const Bridge&) const = default;
};

// 炮眼点 (kind 18).
struct BlastHole {
    Name12 name;
    double heightDifference = 0;
    double offset = 0;
    bool operator==(const BlastHole&) const = default;
};

// Contour element of a tunnel template (kinds 19, 20, 21).
struct ContourElement {
    double heightDifference = 0;
    double horizontalDistance = 0;
    double radius = kNoValue;        // sign: < 0 left half, >= 0 right half
    double centralAngle = kNoValue;  // 0 or kNoValue computed; -1 computed and > 180
    bool operator==(const ContourElement&) const = default;
};

// 坡度定义 (kind 22).
struct TunnelSlopeRule {
    double gradient = 0;  // 1:n
    std::int32_t templateIndex = 0;
    bool operator==(const TunnelSlopeRule&) const = default;
};

// 桩号定义 (kind 23).
struct TunnelStationRule {
    double station = 0;  // continuous chainage
    std::int32_t changeForm = 0;  // 1 gradual, 2 sudden, 0 end of stretch
    std::int32_t templateIndex = 0;
    bool operator==(const TunnelStationRule&) const = default;
};

// 隧道 (kind 16).
struct Tunnel {
    Name12 name;
    double startStation = 0, length = 0;  // continuous chainage of the start
    std::int32_t plateIndex = 0;
    std::vector<TunnelSlopeRule> slopeRules;
    std::vector<TunnelStationRule> stationRules;
    std::vector<BlastHole> blastHoles;
    bool operator==(const Tunnel&) const = default;
};

// 隧道断面模板 (kind 17).
struct TunnelTemplate {
    Name12 name;
    double designOffset = 0;
    double excavationCrown = 0, primaryCrown = 0, secondaryCrown = 0;
    std::vector<ContourElement> excavation;  // kind 19
    std::vector<ContourElement> primary;     // kind 20
    std::vector<ContourElement> secondary;   // kind 21
    bool operator==(const TunnelTemplate&) const = default;
};

}  // namespace vornex
