// 边长归算 of a control survey: the measured horizontal distances reduced to
// the projection surface and onto the Gauss-Krüger grid, and directions given
// the arc-to-chord correction, before the plane network is adjusted on the
// grid (formulas in geodesy/reduction.h). The choice is kept per file in the
// program's settings: the file has no room for it, and a file whose survey is
// not reduced is adjusted exactly as it always was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geodesy/coordinate_system.h"
#include "model/prompter.h"

namespace vornex {

class CPlaneNetAdjust;
class CLevelingAdjust;

struct ProjectionReduction {
    bool enabled = false;               // 归算到投影面; false: 不归算
    geodesy::CoordinateSystem system;   // the grid the known points are on, with its projection height
    bool hasMeanElevation = false;      // false: the mean of the heights known in the survey
    double meanElevation = 0;           // 测区平均高程, m: for lines whose two heights are not known
    bool arcToChordEveryLine = false;   // else only lines of 10 km or more

    bool operator==(const ProjectionReduction&) const = default;
};

// What the reduction did, for the tables and the summary.
struct ReductionResult {
    bool applied = false;
    std::vector<double> measuredDistance;   // per distance of the plane adjustment (m)
    std::vector<double> measuredDirection;  // per direction (radians)
    std::vector<double> arcToChord;         // per direction, seconds added (0: none)
    double latitude = 0;                    // degrees, of the known points' centre
    double radius = 0;                      // mean radius of curvature used, m
    double meanElevation = 0;               // used where a line's heights were not known, m
    int linesWithHeights = 0;               // distances reduced from their own ends' heights
    int correctedDirections = 0;            // directions given the arc-to-chord correction
};

// Reduces the distances and directions of `plane` (built, not yet adjusted) in
// place and records the measured values in `result`. Point heights come from
// `heights` where known (its known points, or all of its points once adjusted).
// Approximate coordinates are computed first without a word; when they or the
// known points' latitude cannot be had, the reason is shown, nothing is changed
// and the result is false.
bool applyProjectionReduction(CPlaneNetAdjust& plane, const CLevelingAdjust& heights, const ProjectionReduction& choice,
                              ReductionResult& result, Prompter& prompter);

// One line naming the reduction, e.g. for the adjustment's summary:
// "归算到投影面：CGCS2000，3°带第38带（中央子午线 114°），假东 500000 m，投影面高 0 m；
//  测区纬度 35.0000°，平均曲率半径 6371.0 km，平均高程 1500.000 m".
std::string describeReduction(const ProjectionReduction& choice, const ReductionResult& result);
// What follows "归算到投影面：" in describeReduction.
std::string reductionDetails(const ProjectionReduction& choice, const ReductionResult& result);
// Item of the line that names the reduction in the adjustment's summary.
inline constexpr const char* kReductionSummaryItem = "边长归算";

// The choice as one line of text for the settings, and back (false for text
// that is not such a choice; `out` is then left alone).
std::string reductionToText(const ProjectionReduction& choice);
bool reductionFromText(std::string_view text, ProjectionReduction& out);

}  // namespace vornex
