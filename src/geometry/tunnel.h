// Tunnel sections: which section template applies at a station, the contour that
// results (interpolated between two templates where the rules ask for it), and
// the distances of a measured point from that contour (over/under-break).
//
// The section plane is worked like the plan: a point is (x = height above the
// design elevation line, y = horizontal offset from the road centreline, right
// positive), and directions are measured like azimuths with 0 pointing up and 90
// to the right.
#pragma once

#include <vector>

#include "geometry/angles.h"
#include "geometry/direction_range.h"
#include "model/records.h"
#include "model/road.h"

namespace vornex {

// TunnelStationRule::changeForm values.
inline constexpr int kStretchEnd = 0;       // 桩号段结束
inline constexpr int kGradualChange = 1;    // 断面渐变
inline constexpr int kSuddenChange = 2;     // 断面突变

// Index of the first tunnel with start <= chainage + 0.0005 < start + length, or -1.
int tunnelAtStation(const Road& road, double chainage);

// Templates that make the section of a tunnel at a chainage: first + weight·(second - first).
struct TemplateChoice {
    int first = -1;
    int second = -1;
    double weight = 0;
    bool byStation = false;  // chosen by a station rule (else by the slope rules)
};

// Template choice of tunnel `tunnel` at the chainage. Station rules first: rule k
// governs from its station up to 0.0001 m before the next rule's station (the
// last rule up to the tunnel's end); a gradual rule interpolates towards the next
// rule's template, a sudden one takes its own template, a stretch end leaves the
// choice to the slope rules, as does a chainage before the first rule. Slope
// rules: the first pair k, k+1 with gradient(k) <= crossfall <= gradient(k+1),
// the crossfall being that of the tunnel's plate at the chainage. False when
// nothing applies or a rule names a template that does not exist.
bool tunnelTemplateChoice(const Road& road, int tunnel, double chainage, TemplateChoice& choice);

// One contour of a section: its start point at the crown and its elements, listed
// as in the template (elements of both halves).
struct TunnelSection {
    double startOffset = 0;  // horizontal offset of the crown from the road centreline
    double startHeight = 0;  // crown height above the design elevation line
    std::vector<ContourElement> elements;
};

// True when the element belongs to the left half of its contour (radius <= 0,
// the "not given" marker -1e18 of a left straight included) or to the right half
// (radius >= 0, 1e18 included). A straight of radius exactly 0 serves both.
bool inLeftHalf(const ContourElement& element);
bool inRightHalf(const ContourElement& element);

// Contour `contour` (RecordKind::ExcavationContour, PrimaryContour or
// SecondaryContour) of template a interpolated towards template b with weight w:
// crown point and the elements paired by position. Where one template gives a
// value and the other leaves it to be computed (an empty chord, an angle of 0 or
// -1), both contours are first completed by contourElementTurn so that like is
// interpolated with like. False when b has fewer elements than a.
bool interpolateSection(const TunnelTemplate& a, const TunnelTemplate& b, double weight,
                        RecordKind contour, TunnelSection& section);

// The section of contour `contour` that applies at the chainage: false when no
// tunnel covers it, no template applies or the interpolation is incomplete.
bool tunnelSection(const Road& road, double chainage, RecordKind contour, TunnelSection& section);

// Direction at which the element leaves its end point, given the direction at
// which the contour arrives at its start. Fills in what the element leaves to be
// computed: an empty height difference or horizontal distance from the arc's
// radius and central angle (the chord leaves at the incoming direction turned by
// half the angle), an empty or non-positive central angle from the chord and the
// radius (360 minus it when the angle was typed as -1, an arc over half a circle).
// Arcs of negative radius turn left, others right.
double contourElementTurn(ContourElement& element, double incomingDirection);

// Completes every element of the section with contourElementTurn, walking each
// half from the crown: the right half leaving towards 90, the left half towards 270.
void completeSection(TunnelSection& section);

// Signed distances of a point from a contour (metres); kNoValue where none exists.
struct BreakDistances {
    double vertical = kNoValue;    // along the vertical through the point; > 0 contour above
    double horizontal = kNoValue;  // along the horizontal through the point; > 0 contour to the right
    double normal = kNoValue;      // shortest distance; > 0 point inside (under-break, 欠挖)
};

// Distances of the point at horizontal offset `offset` from the road centreline
// and `height` above the design elevation line from the section's contour. Each
// half is walked from the crown; of all candidates (over both halves) the one of
// smallest magnitude wins. The two halves are closed by a straight between their
// ends to tell inside from outside.
BreakDistances breakDistances(const TunnelSection& section, double offset, double height);

// A section's contour laid out once for the break distances of many points: the
// pieces of both halves, the straight that closes them and the parts into which
// each arc is cut for the inside test. distances() gives exactly what
// breakDistances gives for the same section; a batch keeps one per section it
// meets instead of laying the contour out again for every point.
class BreakContour {
public:
    BreakContour() = default;
    explicit BreakContour(const TunnelSection& section);

    BreakDistances distances(double offset, double height) const;

    // A straight or an arc in the section plane (x height, y offset).
    struct Piece {
        bool arc = false;
        PlanePoint a, b;       // start and end point
        PlanePoint centre;     // arcs only
        double radius = 0;     // arcs only
        double fromDir = 0;    // direction from the centre to the start point
        double sweep = 0;      // signed degrees: > 0 clockwise (a right turn)
        // An arc cut where its offset turns (into at most three parts), for the
        // inside test: each part's end points and whether it is the circle's
        // upper side.
        int parts = 0;
        PlanePoint partA[3], partB[3];
        bool upper[3] = {};
        DirectionRange range;  // the directions of the sweep, slack included
    };

private:
    std::vector<Piece> pieces_;
    bool closed_ = false;  // the halves end apart: a closing straight
    Piece closing_;
};

// Over/under-break of a measured point at the chainage against contour `contour`:
// false when no section applies there.
bool overUnderBreak(const Road& road, double chainage, double offset, double height,
                    RecordKind contour, BreakDistances& distances);

}  // namespace vornex
