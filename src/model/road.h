// A road (路线) and a road project: the in-memory project a document owns.
#pragma once

#include <cstdint>
#include <vector>

#include "model/records.h"

namespace vornex {

struct Road {
    std::int32_t roadKey = kFormatVersion;  // scrambling key of the road's records in its source file
    std::int32_t curveForm = 0;             // 0 交点法, 1 线元法
    std::int32_t calcMethod = 0;            // 0 传统算法, 1 精确算法
    Name12 name;
    FixedText<2> stationPrefix{"K"};

    std::vector<IntersectionPoint> intersectionPoints;  // kind 0
    std::vector<AlignmentElement> elements;             // kind 1
    std::vector<GradePoint> gradePoints;                // kind 2
    std::vector<ChainBreak> chainBreaks;                // kind 3
    std::vector<CrossSectionPlate> plates;              // kind 4
    std::vector<SlopeAssignment> slopeAssignments;      // kind 5
    std::vector<SlopeTemplate> slopeTemplates;          // kind 6 (rows: kind 7)
    std::vector<WidthChange> widthChanges;              // kind 9
    std::vector<CrossfallChange> crossfallChanges;      // kind 10
    std::vector<Structure> structures;                  // kind 12
    std::vector<Bridge> bridges;                        // kind 13 (piers 14, piles 15)
    std::vector<Tunnel> tunnels;                        // kind 16 (18, 22, 23)
    std::vector<TunnelTemplate> tunnelTemplates;        // kind 17 (19, 20, 21)

    std::int32_t currentBridge = -1;
    std::int32_t currentPier = -1;
    std::int32_t currentTunnel = -1;

    bool isManual() const { return name.equals(kManualRoadName); }
    bool operator==(const Road&) const = default;
};

struct RoadProject {
    FixedText<24> projectName;
    FixedText<12> password;  // "(" + typed text + ")" or empty
    double precision = 0.0001;
    std::vector<ControlPoint> controlPoints;  // at most 20
    std::vector<Road> roads;
    std::int32_t currentRoad = -1;
    bool operator==(const RoadProject&) const = default;
};

}  // namespace vornex
