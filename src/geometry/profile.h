// Vertical profile (纵断面): grade points joined by straight grades, with a
// vertical curve at every interior grade point, and the design elevation at a
// station (optionally moved sideways onto the finished road surface).
#pragma once

#include <vector>

#include <string_view>

#include "model/road.h"

namespace vornex {

// Road::calcMethod values.
inline constexpr int kTraditionalMethod = 0;  // 传统算法: parabolic vertical curve
inline constexpr int kExactMethod = 1;        // 精确算法: circular arc in the station/elevation plane

// Elements of the vertical curve at one grade point.
struct VerticalCurve {
    double tangent1 = 0;          // T1: horizontal distance curve start -> grade point
    double tangent2 = 0;          // T2: horizontal distance grade point -> curve end
    double backDistance = 0;      // s(i) - s(i-1), 变坡点间距
    double externalDistance = 0;  // E, 外距
    double gradeChange = 0;       // ω = i2 - i1; > 0 sag (凹), otherwise crest (凸)
    double backGrade = 0;         // i1
    double aheadGrade = 0;        // i2
    double aux = 0;               // traditional: T; exact: direction of the back grade line (degrees)
    double aheadDistance = 0;     // s(i+1) - s(i)
};

// Curve elements of grade point `index` with the given method (kTraditionalMethod
// or kExactMethod). The first point has only the ahead grade and distance, the
// last only the back ones; an index outside the list gives all zeros.
VerticalCurve verticalCurve(const Road& road, int index, int method);

struct ProfileElevation {
    bool inProfile = false;  // within 0.005 m of the first .. last grade point
    double elevation = 0;
};

// Design elevation at continuous chainage `chainage`, with the road's calcMethod.
// Beyond the ends the end grades continue level (their missing grade is 0). A
// non-zero offset (negative left) adds the surface height of the cross-section
// at |offset| on that side. No grade points: not in profile, elevation 0.
ProfileElevation designElevation(const Road& road, double chainage, double offset = 0.0);

// The grade-point search of designElevation made once for a road: it takes, for
// a station, the first grade point whose curve (or back tangent) reaches past
// it; kept as running maxima of those reaches, the search is a binary one. For
// many stations of one road (drawings, long tables) this turns O(n) per
// station into O(log n). Valid until the road's grade points or method change.
struct ProfileSearch {
    std::vector<double> reach;          // running maximum of station + T2 up to each grade point
    std::vector<VerticalCurve> curves;  // verticalCurve of each grade point
};
ProfileSearch profileSearch(const Road& road);
// designElevation with the search made beforehand; the same result.
ProfileElevation designElevation(const Road& road, const ProfileSearch& search, double chainage, double offset = 0.0);

// What the grade-point table shows for one grade point (lengths in metres).
struct GradePointValues {
    double station = 0;
    double elevation = 0;
    bool interior = false;  // has a vertical curve: sag, radius, T1, T2 and E apply
    bool sag = false;       // ω > 0 (凹); ω <= 0 is a crest (凸)
    double radius = 0;
    double tangent1 = 0, tangent2 = 0;
    double externalDistance = 0;
    bool hasBack = false;         // every point after the first: the three values below apply
    double backDistance = 0;      // 变坡点间距
    double straightLength = 0;    // 直坡段长: back distance - T1 here - T2 of the previous point
    double gradePercent = 0;      // 坡度%: back grade · 100
};

// Table values of grade point `index` with the road's calcMethod; an index outside
// the list gives default values.
GradePointValues gradePointValues(const Road& road, int index);

// "凹" for a sag curve, "凸" for a crest (UTF-8).
std::string_view curveKindText(bool sag);

}  // namespace vornex
