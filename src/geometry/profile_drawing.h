// What the profile view shows of a road, computed once per change: the grade
// lines through the grade points, the design elevation line (vertical curves
// sampled finely), the tangent points of each vertical curve, a label per grade
// point (station, elevation, grade ahead in per mille) and the chain breaks.
// Positions are continuous chainage and elevation.
#pragma once

#include <string>
#include <vector>

#include "model/road.h"

namespace vornex {

struct ProfileVertex {
    double chainage = 0;
    double elevation = 0;
};

struct GradePointLabel {
    double chainage = 0;
    double elevation = 0;
    std::string station;       // K-text
    bool hasAhead = false;     // not the last point
    double gradeAhead = 0;     // per mille, rising positive
    bool hasCurve = false;
    double radius = 0;
};

struct ChainBreakLabel {
    double chainage = 0;
    std::string text;  // "短链= K..." / "长链= K..."
};

struct ProfileDrawing {
    std::vector<ProfileVertex> gradeLine;      // straight through the grade points
    std::vector<ProfileVertex> design;         // the design elevation, curves included
    std::vector<ProfileVertex> tangentPoints;  // both ends of every vertical curve
    std::vector<GradePointLabel> gradePoints;
    std::vector<ChainBreakLabel> chainBreaks;
    bool empty = true;  // no grade points
    double minChainage = 0, maxChainage = 0, minElevation = 0, maxElevation = 0;
};

// Samples per vertical curve on the design line.
inline constexpr int kProfileCurveSamples = 48;

ProfileDrawing profileDrawing(const Road& road);

}  // namespace vornex
