#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/angles.h"
#include "geometry/tunnel.h"

using namespace vornex;

namespace {

ContourElement element(double dh, double dd, double radius = kNoValue, double angle = kNoValue) {
    return ContourElement{dh, dd, radius, angle};
}

// A half circle of radius 5 on vertical walls 3 m high: the crown 5 above the
// design line, the arch springing at the design line, the walls down to -3.
// The walls are straights (radius 0) and serve both halves.
std::vector<ContourElement> archOnWalls() {
    return {element(-5, 5, 5), element(-5, -5, -5), element(-3, 0, 0)};
}

// The same contour with the arcs given only by radius and central angle.
std::vector<ContourElement> archOnWallsByAngles() {
    return {element(kNoValue, kNoValue, 5, 45), element(kNoValue, kNoValue, -5, 45),
            element(kNoValue, kNoValue, 5, 45), element(kNoValue, kNoValue, -5, 45), element(-3, 0, 0)};
}

TunnelTemplate tunnelTemplate(double designOffset, double crown, std::vector<ContourElement> contour) {
    TunnelTemplate t;
    t.designOffset = designOffset;
    t.excavationCrown = crown;
    t.primaryCrown = crown - 0.2;
    t.secondaryCrown = crown - 0.5;
    t.excavation = contour;
    t.primary = contour;
    t.secondary = contour;
    return t;
}

TunnelSection section(double startOffset, double startHeight, std::vector<ContourElement> elements) {
    return TunnelSection{startOffset, startHeight, std::move(elements)};
}

void expectDistance(double actual, double expected, const char* what, int row) {
    if (expected == kNoValue) {
        EXPECT_EQ(actual, kNoValue) << what << " row " << row;
    } else {
        EXPECT_NEAR(actual, expected, 1e-6) << what << " row " << row;
    }
}

}  // namespace

TEST(Tunnel, StationBand) {
    Road road;
    Tunnel a;
    a.startStation = 1000;
    a.length = 200;
    Tunnel b = a;
    b.startStation = 1100;  // overlaps: the first tunnel wins
    road.tunnels = {a, b};
    struct Case { double station; int tunnel; };
    const Case cases[] = {{999.9995, 0}, {999.999, -1}, {1150, 0}, {1199.999, 0}, {1199.9996, 1}, {1300, -1}};
    for (const Case& c : cases) EXPECT_EQ(tunnelAtStation(road, c.station), c.tunnel) << c.station;
    EXPECT_EQ(tunnelAtStation(Road{}, 1000), -1);
}

TEST(ContourElementTurn, FillsChordAndAngle) {
    struct Case {
        const char* what;
        ContourElement in;
        double incoming;
        double dh, dd, angle, exit;
    };
    const double q = 5.0 / std::sqrt(2.0);  // half of the quarter chord
    const Case cases[] = {
        {"right arc by radius and angle", element(kNoValue, kNoValue, 5, 90), 90, -5, 5, 90, 180},
        {"left arc by radius and angle", element(kNoValue, kNoValue, -5, 90), 270, -5, -5, 90, 180},
        {"half of the quarter", element(kNoValue, 2, 5, 45), 90,
         -5 * (1 - std::cos(kPi / 4)), 5 * std::sin(kPi / 4), 45, 135},
        {"angle from the chord", element(-5, 5, 5, 0), 90, -5, 5, 90, 180},
        {"empty angle from the chord", element(-5, 5, 5), 90, -5, 5, 90, 180},
        {"chord of 10, radius 5, angle -1", element(0, 10, 5, -1), 90, 0, 10, 180, 180},
        {"-1: the longer arc", element(-5, 5, 5, -1), 90, -5, 5, 270, 270},
        {"straight", element(-3, 0, 0), 123, -3, 0, kNoValue, 180},
        {"straight with empty radius", element(-q, q), 0, -q, q, kNoValue, 135},
        {"no chord and nothing to make it from", element(kNoValue, 1, 5), 77, 0, 0, kNoValue, 77},
    };
    for (const Case& c : cases) {
        ContourElement e = c.in;
        const double exit = contourElementTurn(e, c.incoming);
        EXPECT_NEAR(e.heightDifference, c.dh, 1e-9) << c.what;
        EXPECT_NEAR(e.horizontalDistance, c.dd, 1e-9) << c.what;
        if (c.angle != kNoValue) {
            EXPECT_NEAR(e.centralAngle, c.angle, 1e-9) << c.what;
        }
        EXPECT_NEAR(exit, c.exit, 1e-9) << c.what;
    }
    ContourElement quarter = element(kNoValue, kNoValue, 5, 90);
    contourElementTurn(quarter, 90);
    EXPECT_NEAR(std::hypot(quarter.heightDifference, quarter.horizontalDistance), 7.071, 0.0005);
}

TEST(ContourElementTurn, CompletedHalvesChainFromTheCrown) {
    // Two 45° arcs per half end where one 90° arc does.
    TunnelSection s = section(0, 5, archOnWallsByAngles());
    completeSection(s);
    EXPECT_NEAR(s.elements[0].heightDifference + s.elements[2].heightDifference, -5, 1e-9);
    EXPECT_NEAR(s.elements[0].horizontalDistance + s.elements[2].horizontalDistance, 5, 1e-9);
    EXPECT_NEAR(s.elements[1].heightDifference + s.elements[3].heightDifference, -5, 1e-9);
    EXPECT_NEAR(s.elements[1].horizontalDistance + s.elements[3].horizontalDistance, -5, 1e-9);
}

TEST(BreakDistances, ArchOnWallsAgainstExactGeometry) {
    // Points relative to the tunnel centre: (height, offset) and the exact
    // distances to the half circle x² + y² = 25 (y >= 0... heights >= 0) and the
    // walls at offsets ±5 from height 0 to -3.
    struct Case { double height, offset, vertical, horizontal, normal; };
    const double N = kNoValue;
    const Case cases[] = {
        {1, 2, std::sqrt(21.0) - 1, std::sqrt(24.0) - 2, 5 - std::sqrt(5.0)},    // inside under the arch
        {2, -3, 4 - 2, -std::sqrt(21.0) + 3, 5 - std::sqrt(13.0)},              // inside, left
        {3, 4, 0, 0, 0},                                                       // on the arch
        {0, 5, 0, 0, 0},                                                       // on the springing
        {4, 4, -1, -1, 5 - std::sqrt(32.0)},                                   // outside above
        {0.5, 5.5, N, std::sqrt(24.75) - 5.5, 5 - std::sqrt(30.5)},            // outside beside the arch
        {-1, 6, N, -1, -1},                                                    // outside beside a wall
        {-1, 4, 4, 1, 1},                                                      // inside near a wall
        {-2.5, 0, 7.5, 5, 5},                                                  // inside above the floor
        {-4, 0, 9, N, -std::sqrt(26.0)},                                       // below the floor: outside
    };
    const auto check = [&](const TunnelSection& s, double designOffset, const char* what) {
        for (std::size_t k = 0; k < std::size(cases); ++k) {
            const Case& c = cases[k];
            const BreakDistances d = breakDistances(s, c.offset + designOffset, c.height);
            const int row = static_cast<int>(k);
            expectDistance(d.vertical, c.vertical, what, row);
            if (c.horizontal != N && c.offset == 0) {  // both walls equally far: either sign
                EXPECT_NEAR(std::fabs(d.horizontal), c.horizontal, 1e-6) << what << " row " << row;
            } else {
                expectDistance(d.horizontal, c.horizontal, what, row);
            }
            expectDistance(d.normal, c.normal, what, row);
        }
    };
    check(section(0, 5, archOnWalls()), 0, "chords");
    check(section(0, 5, archOnWallsByAngles()), 0, "angles");
    // A tunnel whose centre lies 1.5 m right of the road centreline.
    check(section(1.5, 5, archOnWalls()), 1.5, "offset centre");
}

TEST(BreakDistances, ArcOverHalfACircle) {
    // A full circle of radius 5 about the design line: the right half sweeps
    // 233.13° from the crown round the bottom to (-3, -4), the left half joins
    // the crown to the same point the short way.
    const TunnelSection s = section(0, 5, {element(-8, -4, 5, -1), element(-8, -4, -5)});
    struct Case { double height, offset, vertical, horizontal, normal; };
    const Case cases[] = {
        {-4, -2.5, -std::sqrt(18.75) + 4, -0.5, 5 - std::sqrt(22.25)},
        {-4, 1, -std::sqrt(24.0) + 4, 2, 5 - std::sqrt(17.0)},
        {-6, 0, 1, kNoValue, -1},
        {6, 0, -1, kNoValue, -1},
        {0, 7, kNoValue, -2, -2},
    };
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        const BreakDistances d = breakDistances(s, c.offset, c.height);
        expectDistance(d.vertical, c.vertical, "vertical", static_cast<int>(k));
        expectDistance(d.horizontal, c.horizontal, "horizontal", static_cast<int>(k));
        expectDistance(d.normal, c.normal, "normal", static_cast<int>(k));
    }
}

TEST(BreakDistances, EmptyContourGivesNothing) {
    const BreakDistances d = breakDistances(section(0, 5, {}), 0, 0);
    EXPECT_EQ(d.vertical, kNoValue);
    EXPECT_EQ(d.horizontal, kNoValue);
    EXPECT_EQ(d.normal, kNoValue);
}

namespace {

// Templates told apart by their crown: T0 5, T1 6, T2 7 (arches of that radius),
// T3 with one element only. Tunnel from 1000 to 1300 with station rules and, for
// the stretch after the end rule, slope rules on plate 0's crossfall.
Road ruledRoad() {
    Road road;
    for (double r : {5.0, 6.0, 7.0})
        road.tunnelTemplates.push_back(tunnelTemplate(r - 5, r, {element(-r, r, r), element(-r, -r, -r), element(-3, 0, 0)}));
    road.tunnelTemplates.push_back(tunnelTemplate(0, 9, {element(-9, 9, 9)}));
    CrossSectionPlate plate;
    plate.side = 2;
    plate.width = 3.75;
    plate.crossfall = -2;
    road.plates = {plate};
    road.crossfallChanges = {{1150, 0, 0, 0}, {1190, 0, 0, 2}};
    Tunnel t;
    t.startStation = 1000;
    t.length = 300;
    t.plateIndex = 0;
    t.stationRules = {{1000, kSuddenChange, 0}, {1050, kGradualChange, 1}, {1100, kSuddenChange, 2},
                      {1150, kStretchEnd, 0}, {1200, kSuddenChange, 1}};
    t.slopeRules = {{-2, 0}, {2, 2}};
    road.tunnels = {t};
    return road;
}

}  // namespace

TEST(TunnelTemplateChoice, StationAndSlopeRules) {
    const Road road = ruledRoad();
    struct Case { double station; bool found; bool byStation; double crown; double offset; };
    const Case cases[] = {
        {999.9996, true, false, 6.0, 1.0},       // before the first rule: crossfall 0 -> halfway
        {1020, true, true, 5.0, 0.0},            // sudden
        {1075, true, true, 6.5, 1.5},            // gradual, halfway from T1 to T2
        {1050, true, true, 6.0, 1.0},            // gradual at its own station
        {1099.99995, true, true, 7.0, 2.0},      // within 0.0001 of the next rule
        {1125, true, true, 7.0, 2.0},
        {1160, true, false, 6.25, 1.25},         // after the end rule: crossfall 0.5 -> w = 0.625
        {1250, true, true, 6.0, 1.0},            // the last rule holds to the tunnel's end
        {1350, false, false, 0, 0},              // not in the tunnel
    };
    for (const Case& c : cases) {
        TunnelSection s;
        const bool found = tunnelSection(road, c.station, RecordKind::ExcavationContour, s);
        ASSERT_EQ(found, c.found) << c.station;
        if (!found) continue;
        TemplateChoice choice;
        ASSERT_TRUE(tunnelTemplateChoice(road, 0, c.station, choice));
        EXPECT_EQ(choice.byStation, c.byStation) << c.station;
        EXPECT_NEAR(s.startHeight, c.crown, 1e-4) << c.station;
        EXPECT_NEAR(s.startOffset, c.offset, 1e-4) << c.station;
    }

    // The lining contours start at their own crowns.
    TunnelSection lining;
    ASSERT_TRUE(tunnelSection(road, 1020, RecordKind::SecondaryContour, lining));
    EXPECT_NEAR(lining.startHeight, 4.5, 1e-12);
    ASSERT_TRUE(tunnelSection(road, 1020, RecordKind::PrimaryContour, lining));
    EXPECT_NEAR(lining.startHeight, 4.8, 1e-12);
}

TEST(TunnelTemplateChoice, GradualRuleAveragesElementByElement) {
    const Road road = ruledRoad();
    TunnelSection s;
    ASSERT_TRUE(tunnelSection(road, 1075, RecordKind::ExcavationContour, s));
    ASSERT_EQ(s.elements.size(), 3u);
    EXPECT_NEAR(s.elements[0].heightDifference, -6.5, 1e-9);
    EXPECT_NEAR(s.elements[0].horizontalDistance, 6.5, 1e-9);
    EXPECT_NEAR(s.elements[0].radius, 6.5, 1e-9);
    EXPECT_NEAR(s.elements[1].radius, -6.5, 1e-9);
    EXPECT_NEAR(s.elements[2].heightDifference, -3, 1e-9);
    EXPECT_EQ(s.elements[0].centralAngle, kNoValue);  // computed on both sides: stays to be computed
}

TEST(TunnelTemplateChoice, NothingApplies) {
    Road road = ruledRoad();
    // Crossfall beyond the last slope rule.
    road.crossfallChanges = {{1150, 0, 0, 3}};
    TunnelSection s;
    EXPECT_FALSE(tunnelSection(road, 1160, RecordKind::ExcavationContour, s));
    EXPECT_TRUE(tunnelSection(road, 1020, RecordKind::ExcavationContour, s));

    // A gradual change towards a template with fewer elements is incomplete.
    road = ruledRoad();
    road.tunnels[0].stationRules[2].templateIndex = 3;
    EXPECT_FALSE(tunnelSection(road, 1075, RecordKind::ExcavationContour, s));
    // ...but from the short template towards a longer one the short list is complete.
    road.tunnels[0].stationRules[1].templateIndex = 3;
    road.tunnels[0].stationRules[2].templateIndex = 2;
    ASSERT_TRUE(tunnelSection(road, 1075, RecordKind::ExcavationContour, s));
    EXPECT_EQ(s.elements.size(), 1u);

    // A rule naming a template that does not exist.
    road = ruledRoad();
    road.tunnels[0].stationRules[0].templateIndex = 9;
    EXPECT_FALSE(tunnelSection(road, 1020, RecordKind::ExcavationContour, s));
    // Not a contour kind.
    EXPECT_FALSE(tunnelSection(ruledRoad(), 1020, RecordKind::BlastHole, s));
}

TEST(TunnelTemplateChoice, MixedGivenAndComputedValuesInterpolateLikeWithLike) {
    const TunnelTemplate a = tunnelTemplate(0, 5, {element(-5, 5, 5)});                   // chord given
    const TunnelTemplate b = tunnelTemplate(0, 7, {element(kNoValue, kNoValue, 7, 90)});  // angle given
    TunnelSection s;
    ASSERT_TRUE(interpolateSection(a, b, 0.5, RecordKind::ExcavationContour, s));
    EXPECT_NEAR(s.elements[0].heightDifference, -6, 1e-9);
    EXPECT_NEAR(s.elements[0].horizontalDistance, 6, 1e-9);
    EXPECT_NEAR(s.elements[0].radius, 6, 1e-9);
    EXPECT_NEAR(s.elements[0].centralAngle, 90, 1e-9);
}

TEST(OverUnderBreak, MeasuredPointInATunnel) {
    const Road road = ruledRoad();
    BreakDistances d;
    // T0 at 1020: the arch of radius 5 about the design line, centred on the road.
    ASSERT_TRUE(overUnderBreak(road, 1020, 2, 1, RecordKind::ExcavationContour, d));
    EXPECT_NEAR(d.vertical, std::sqrt(21.0) - 1, 1e-6);
    EXPECT_NEAR(d.horizontal, std::sqrt(24.0) - 2, 1e-6);
    EXPECT_NEAR(d.normal, 5 - std::sqrt(5.0), 1e-6);
    // T2 at 1125: radius 7, its centre 2 m right of the road centreline.
    ASSERT_TRUE(overUnderBreak(road, 1125, 2 + 3, 4, RecordKind::ExcavationContour, d));
    EXPECT_NEAR(d.normal, 7 - 5, 1e-6);
    ASSERT_TRUE(overUnderBreak(road, 1125, 2 + 6, 4, RecordKind::ExcavationContour, d));
    EXPECT_NEAR(d.normal, 7 - std::sqrt(52.0), 1e-6);
    EXPECT_LT(d.normal, 0);

    EXPECT_FALSE(overUnderBreak(road, 900, 0, 1, RecordKind::ExcavationContour, d));
    EXPECT_EQ(d.vertical, kNoValue);
    EXPECT_EQ(d.normal, kNoValue);
}

namespace {

// A second, independent evaluation: the contour sampled into a fine polygon
// (each arc into 4000 chords, its centre found from the chord and radius), with
// distances to the polyline and inside by ray casting.
struct Sampled {
    std::vector<std::vector<PlanePoint>> halves;  // x height, y offset
};

Sampled sample(const TunnelSection& s) {
    Sampled out;
    for (const bool right : {true, false}) {
        std::vector<PlanePoint> line{{s.startHeight, s.startOffset}};
        for (const ContourElement& e : s.elements) {
            const bool arc = e.radius != kNoValue && e.radius != 0;
            if (right ? !(e.radius == kNoValue || e.radius >= 0) : !(e.radius != kNoValue && e.radius <= 0)) continue;
            const PlanePoint p = line.back();
            const PlanePoint q{p.x + e.heightDifference, p.y + e.horizontalDistance};
            if (arc) {
                const double k = std::hypot(e.heightDifference, e.horizontalDistance);
                const double r = std::fabs(e.radius), sign = e.radius < 0 ? -1.0 : 1.0;
                const double apothem = std::sqrt(r * r - k * k / 4);
                // Right of the chord (turning clockwise in the plane x up, y right) is (-dy, dx).
                const PlanePoint c{(p.x + q.x) / 2 + sign * -e.horizontalDistance / k * apothem,
                                   (p.y + q.y) / 2 + sign * e.heightDifference / k * apothem};
                const double a0 = std::atan2(p.y - c.y, p.x - c.x);
                double a1 = std::atan2(q.y - c.y, q.x - c.x);
                // Clockwise in this plane increases atan2(y, x).
                if (sign > 0 && a1 < a0) a1 += 2 * kPi;
                if (sign < 0 && a1 > a0) a1 -= 2 * kPi;
                for (int i = 1; i <= 4000; ++i) {
                    const double a = a0 + (a1 - a0) * i / 4000;
                    line.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
                }
                line.back() = q;
            } else {
                line.push_back(q);
            }
        }
        out.halves.push_back(line);
    }
    return out;
}

BreakDistances bruteForce(const Sampled& s, double offset, double height) {
    BreakDistances d;
    double best = 1e300;
    const auto keep = [](double& slot, double v) {
        if (slot == kNoValue || std::fabs(v) < std::fabs(slot)) slot = v;
    };
    for (const auto& line : s.halves) {
        for (std::size_t i = 0; i + 1 < line.size(); ++i) {
            const PlanePoint a = line[i], b = line[i + 1];
            const double ex = b.x - a.x, ey = b.y - a.y, len2 = ex * ex + ey * ey;
            if (len2 == 0) continue;
            const double t = std::clamp(((height - a.x) * ex + (offset - a.y) * ey) / len2, 0.0, 1.0);
            best = std::min(best, std::hypot(a.x + t * ex - height, a.y + t * ey - offset));
            if ((a.y <= offset) != (b.y <= offset)) keep(d.vertical, a.x + (offset - a.y) / ey * ex - height);
            if ((a.x <= height) != (b.x <= height)) keep(d.horizontal, a.y + (height - a.x) / ex * ey - offset);
        }
    }
    // Ray casting on the closed polygon: right half, then the left half backwards.
    std::vector<PlanePoint> polygon = s.halves[0];
    polygon.insert(polygon.end(), s.halves[1].rbegin(), s.halves[1].rend());
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const PlanePoint a = polygon[i], b = polygon[j];
        if ((a.y > offset) != (b.y > offset) && height < a.x + (offset - a.y) / (b.y - a.y) * (b.x - a.x))
            inside = !inside;
    }
    d.normal = inside ? best : -best;
    return d;
}

}  // namespace

TEST(BreakDistances, HorseshoeAgainstASampledPolygon) {
    // Crown arch, haunches, vertical walls (shared by both halves) and an invert
    // of large radius; the halves meet again at the bottom of the invert.
    TunnelSection s = section(0.8, 6, {
        element(-3, 3 * std::sqrt(3.0), 6),       // right arch: 60° of radius 6 from the crown
        element(-3, -3 * std::sqrt(3.0), -6),     // left arch
        element(kNoValue, kNoValue, 3, 30),       // right haunch, by its angle
        element(kNoValue, kNoValue, -3, 30),      // left haunch
        element(-2.5, 0, 0),                      // walls
        element(-1.8, 0, 14),                     // right invert (offset set below)
        element(-1.8, 0, -14),                    // left invert
    });
    TunnelSection completed = s;
    completeSection(completed);
    const double halfSpan = completed.elements[0].horizontalDistance + completed.elements[2].horizontalDistance;
    EXPECT_NEAR(halfSpan, 3 * std::sqrt(3.0) + 6 * std::sin(kPi / 12) * std::sin(kPi * 165 / 180), 1e-9);
    s.elements[5].horizontalDistance = completed.elements[5].horizontalDistance = -halfSpan;
    s.elements[6].horizontalDistance = completed.elements[6].horizontalDistance = halfSpan;

    const Sampled reference = sample(completed);
    unsigned seed = 12345;
    const auto uniform = [&seed](double lo, double hi) {
        seed = seed * 1103515245u + 12345u;
        return lo + (hi - lo) * ((seed >> 8) & 0xFFFFFF) / double(0x1000000);
    };
    int inside = 0;
    for (int n = 0; n < 400; ++n) {
        const double offset = 0.8 + uniform(-10, 10), height = uniform(-9, 9);
        const BreakDistances d = breakDistances(s, offset, height);
        const BreakDistances e = bruteForce(reference, offset, height);
        EXPECT_NEAR(d.normal, e.normal, 1e-6) << offset << ", " << height;
        if (e.vertical == kNoValue) {
            EXPECT_EQ(d.vertical, kNoValue) << offset << ", " << height;
        } else {
            EXPECT_NEAR(d.vertical, e.vertical, 1e-4) << offset << ", " << height;
        }
        if (e.horizontal == kNoValue) {
            EXPECT_EQ(d.horizontal, kNoValue) << offset << ", " << height;
        } else {
            EXPECT_NEAR(d.horizontal, e.horizontal, 1e-4) << offset << ", " << height;
        }
        inside += d.normal > 0;
    }
    EXPECT_GT(inside, 80);  // the box holds points inside as well as outside
}

TEST(BreakDistances, SymmetricSectionListedHalfByHalfFromTheCrown) {
    // A quarter arch of radius 5 from the crown, a 3 m wall and a floor back to
    // the centre, the right half first, then its mirror copy: the same order,
    // horizontal distances negated, radii negative. The straights leave their
    // radius empty: 1e18 on the right, -1e18 on the left.
    const double N = kNoValue;
    const TunnelSection s = section(0, 5, {
        element(-5, 5, 5, 90), element(-3, 0), element(0, -5),
        element(-5, -5, -5, 90), element(-3, -0.0, -N), element(0, 5, -N),
    });
    // Points on the right (height, offset) and the exact distances to the arch
    // x² + y² = 25 (x >= 0), the wall y = 5 (-3 <= x <= 0) and the floor x = -3.
    struct Case { const char* what; double height, offset, vertical, horizontal, normal; };
    const Case cases[] = {
        {"inside under the arch", 1, 2, std::sqrt(21.0) - 1, std::sqrt(24.0) - 2, 5 - std::sqrt(5.0)},
        {"on the arch", 3, 4, 0, 0, 0},
        {"outside above the arch", 4, 4, -1, -1, 5 - std::sqrt(32.0)},
        {"inside near the wall", -1, 4.9, std::sqrt(25 - 4.9 * 4.9) + 1, 0.1, 0.1},
        {"on the wall", -1, 5, 0, 0, 0},
        {"outside beside the wall", -1, 6, N, -1, -1},
        {"inside above the floor", -2.5, 1, -0.5, 4, 0.5},
        {"on the floor", -3, 2, 0, 0, 0},
        {"outside below the floor", -4, 2, 1, N, -1},
    };
    for (const Case& c : cases) {
        for (const double side : {1.0, -1.0}) {
            const BreakDistances d = breakDistances(s, side * c.offset, c.height);
            const std::string what = std::string(c.what) + (side > 0 ? " (right)" : " (left)");
            if (c.vertical == N) EXPECT_EQ(d.vertical, N) << what;
            else EXPECT_NEAR(d.vertical, c.vertical, 1e-9) << what;
            if (c.horizontal == N) EXPECT_EQ(d.horizontal, N) << what;
            else EXPECT_NEAR(d.horizontal, side * c.horizontal, 1e-9) << what;
            EXPECT_NEAR(d.normal, c.normal, 1e-9) << what;
        }
    }
    // Each half is walked on its own: the left straights are not arcs of radius 1e18.
    TunnelSection completed = s;
    completeSection(completed);
    EXPECT_NEAR(completed.elements[4].heightDifference, -3, 1e-12);
    EXPECT_EQ(completed.elements[4].radius, -N);
}

TEST(BreakDistances, InterpolationKeepsLeftStraightsOnTheirHalf) {
    const TunnelTemplate a = tunnelTemplate(0, 5, {element(-5, 5, 5, 90), element(-5, -5, -5, 90),
                                                   element(-3, 0), element(-3, 0, -kNoValue)});
    TunnelTemplate b = a;
    b.excavation[3].radius = -0.0;  // a left straight given as 0 in the second template
    TunnelSection s;
    ASSERT_TRUE(interpolateSection(a, b, 0.5, RecordKind::ExcavationContour, s));
    EXPECT_EQ(s.elements[2].radius, kNoValue);
    EXPECT_EQ(s.elements[3].radius, -kNoValue);
    EXPECT_TRUE(inLeftHalf(s.elements[3]));
    EXPECT_FALSE(inRightHalf(s.elements[3]));
}
