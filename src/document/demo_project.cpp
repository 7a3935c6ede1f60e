#include "document/demo_project.h"

#include <string>
#include <vector>

#include "geometry/alignment.h"
#include "geometry/intersection_alignment.h"
#include "model/record_store.h"
#include "text/text.h"

namespace vornex {

namespace {

constexpr double kDemoPrecision = 0.0001;

Name12 name12(const char* utf8) {
    Name12 n;
    n.assignUtf8(utf8);
    return n;
}

ControlPoint controlPoint(const char* name, const char* note, double x, double y, double h) {
    ControlPoint p;
    p.name = name12(name);
    p.note = name12(note);
    p.x = x;
    p.y = y;
    p.h = h;
    return p;
}

IntersectionPoint ip(const char* name, double x, double y, double radius = 0, double spiralIn = 0,
                     double spiralOut = 0, double startRadius = 0, double endRadius = 0) {
    IntersectionPoint p;
    p.name = name12(name);
    p.x = x;
    p.y = y;
    p.radius = radius;
    p.spiralIn = spiralIn;
    p.spiralOut = spiralOut;
    p.startRadius = startRadius;
    p.endRadius = endRadius;
    return p;
}

CrossSectionPlate plate(int side, int type, double width, double crossfall, double layer, double curb) {
    CrossSectionPlate p;
    p.side = side;
    p.plateType = type;
    p.width = width;
    p.crossfall = crossfall;
    p.layerThickness = layer;
    p.curbHeight = curb;
    return p;
}

PlateChange change(double station, int plateIndex, int transition, double value) {
    PlateChange c;
    c.station = station;
    c.plateIndex = plateIndex;
    c.transition = transition;
    c.value = value;
    return c;
}

SlopeTemplateRow slopeRow(int type, std::vector<double> values) {
    SlopeTemplateRow r;
    r.rowType = type;
    for (std::size_t i = 0; i < values.size() && i < r.values.size(); ++i) r.values[i] = values[i];
    return r;
}

ContourElement contour(double heightDifference, double horizontalDistance, double radius, double centralAngle) {
    ContourElement e;
    e.heightDifference = heightDifference;
    e.horizontalDistance = horizontalDistance;
    e.radius = radius;
    e.centralAngle = centralAngle;
    return e;
}

// A horseshoe contour, listed half by half from the crown outward: the right
// half (a crown arc of radius `crownRadius` down to the springing line, a straight
// wall, a corner arc of radius `cornerRadius` with its central angle left for the
// computation, and a flat invert to the centre), then its mirror copy for the left
// half in the same order (horizontal distances negated, radii negative). The
// straights leave their radius empty, each with the sign of its half, so that
// every element belongs to one half only.
std::vector<ContourElement> horseshoe(double crownRadius, double wall, double cornerRadius, double halfInvert) {
    const std::vector<ContourElement> right = {
        contour(-crownRadius, crownRadius, crownRadius, 90),
        contour(-wall, 0, kNoValue, 0),
        contour(-cornerRadius, -cornerRadius, cornerRadius, kNoValue),
        contour(0, -halfInvert, kNoValue, 0),
    };
    std::vector<ContourElement> both = right;
    for (ContourElement e : right) {
        if (e.horizontalDistance != 0) e.horizontalDistance = -e.horizontalDistance;
        e.radius = -e.radius;
        both.push_back(e);
    }
    return both;
}

TunnelTemplate tunnelTemplate(const char* name, double offset, double crown, double widen) {
    TunnelTemplate t;
    t.name = name12(name);
    t.designOffset = offset;
    t.excavationCrown = crown;
    t.primaryCrown = crown - 0.25;
    t.secondaryCrown = crown - 0.6;
    const double r = 5.6 + widen;
    // The three contours share the springing line and the invert's half width.
    t.excavation = horseshoe(r, 2.4, 1.2, r - 1.2);
    t.primary = horseshoe(r - 0.25, 2.4, 0.95, r - 1.2);
    t.secondary = horseshoe(r - 0.6, 2.4, 0.6, r - 1.2);
    return t;
}

Pier pier(const char* name, double station, double angle, double elevation, bool fourPiles) {
    Pier p;
    p.name = name12(name);
    p.station = station;
    p.angle = angle;
    const std::vector<double> across = fourPiles ? std::vector<double>{-9.0, -3.0, 3.0, 9.0}
                                                 : std::vector<double>{-6.0, 0.0, 6.0};
    int k = 1;
    for (double a : across) {
        Pile pile;
        pile.name = name12((std::string(name) + "-" + std::to_string(k++)).c_str());
        pile.coordMode = 0;
        pile.along = 0;
        pile.across = a;
        pile.elevation = elevation;
        p.piles.push_back(pile);
    }
    return p;
}

Road mainRoad() {
    Road road;
    road.name = name12("主线");
    road.curveForm = 0;
    road.calcMethod = 0;
    road.stationPrefix = "K";

    road.intersectionPoints = {
        ip("QD", 3401000.000, 500000.000),
        ip("JD1", 3401494.975, 500494.975, 800, 150, 150),           // full symmetric spirals
        ip("JD2", 3401802.793, 501340.698, 600, 120, 90),            // asymmetric spirals
        ip("JD3", 3402433.201, 501833.227, 700, 80, 100, 1500, 0),   // partial first spiral
        ip("JD4", 3402783.201, 502439.445, 500, 100, 100),           // virtual intersection with JD5
        ip("JD5", 3402810.985, 502597.014, -1),
        ip("JD6", 3402654.702, 503483.341, 900, 0, 0, -300, -300),   // spirals by parameter A = 300
        ip("ZD", 3402738.206, 504077.502),
    };
    road.intersectionPoints[0].station = 12000.0;
    buildElementsFromIntersectionPoints(road, 0, kDemoPrecision);

    // A short chain of 15.25 m and a long chain of 37.62 m, both on straights
    // (design stations).
    road.chainBreaks = {{13100.000, 13115.250}, {14700.000, 14662.380}};

    road.gradePoints = {
        {12000.000, 102.350, 0},
        {12620.000, 108.550, 12000},
        {13350.000, 101.250, 18000},
        {14280.000, 112.410, 15000},
        {15150.000, 110.200, 20000},
        {16000.000, 115.300, 10000},
        {16733.229, 113.800, 0},
    };

    // Plates from the centre outward: left side 0..3, right side 4..7.
    road.plates = {
        plate(1, 7, 1.00, 0.0, 0.00, 0.20),   // 隔离带
        plate(1, 6, 7.50, -2.0, 0.72, 0.00),  // 行车道
        plate(1, 4, 2.50, -2.0, 0.72, 0.00),  // 硬路肩
        plate(1, 5, 0.75, -4.0, 0.00, 0.00),  // 土路肩
        plate(2, 7, 1.00, 0.0, 0.00, 0.20),
        plate(2, 6, 7.50, -2.0, 0.72, 0.00),
        plate(2, 4, 2.50, -2.0, 0.72, 0.00),
        plate(2, 5, 0.75, -4.0, 0.00, 0.00),
    };
    // A climbing lane widens the right shoulder; JD1 (a right turn) is
    // superelevated over its spirals: the outer (left) lane rises to +3 %.
    road.widthChanges = {
        change(13050.000, 6, 1, 2.50),
        change(13110.000, 6, 1, 3.50),
        change(13480.000, 6, 1, 3.50),
        change(13540.000, 6, 1, 2.50),
        change(15300.000, 2, 0, 2.50),
        change(15340.000, 2, 3, 3.00),
    };
    road.crossfallChanges = {
        change(12450.000, 1, 0, -2.0),
        change(12600.000, 1, 0, 3.0),
        change(12800.000, 1, 0, 3.0),
        change(12950.000, 1, 0, -2.0),
        change(12450.000, 5, 0, -2.0),
        change(12600.000, 5, 2, -3.0),
        change(12800.000, 5, 2, -3.0),
        change(12950.000, 5, 0, -2.0),
    };

    SlopeTemplate fill;
    fill.name = name12("填方一般");
    fill.rows = {slopeRow(3, {8.0, 1.5}), slopeRow(0, {2.0, 4.0}), slopeRow(4, {1.75})};
    SlopeTemplate cut;
    cut.name = name12("挖方一般");
    cut.rows = {slopeRow(2, {0.6, 0.6, 0.4, 0.6, 0.6}), slopeRow(3, {10.0, 0.75}), slopeRow(0, {2.0, -4.0}),
                slopeRow(4, {1.0})};
    SlopeTemplate rock;
    rock.name = name12("挖方石质");
    rock.rows = {slopeRow(1, {0.8, 0.6, 0.8}), slopeRow(3, {12.0, 0.5}), slopeRow(4, {0.3})};
    SlopeTemplate levee;
    levee.name = name12("河堤边坡");
    levee.rows = {slopeRow(3, {3.0, 1.5}), slopeRow(5, {3.0, 98.5})};
    road.slopeTemplates = {fill, cut, rock, levee};

    road.slopeAssignments = {
        {12000.000, 0, 1, 0, 1},
        {13300.000, 3, 1, 0, 1},
        {13780.000, 0, 2, 0, 2},
        {14600.000, 0, 1, 0, 1},
    };

    // Culverts (parallelogram and rectangle) and an overpass.
    auto structure = [](int kind, int method, double station, double angle, double left, double right, double width,
                        double elevation, double crossfall) {
        Structure s;
        s.kindAndMethod = kind | (method << 16);
        s.station = station;
        s.angle = angle;
        s.leftLength = left;
        s.rightLength = right;
        s.width = width;
        s.centreElevation = elevation;
        s.crossfall = crossfall;
        return s;
    };
    road.structures = {
        structure(0, 0, 12460.000, 75.5, 16.5, 18.0, 4.0, 103.650, 1.0),
        structure(1, 1, 13120.000, 90.0, 15.0, 15.0, 1.5, 102.800, 0.5),
        structure(2, 1, 14100.000, 105.25, 17.0, 17.5, 6.0, 106.120, -1.0),
        structure(3, 0, 16050.000, 82.0, 30.0, 30.0, 8.5, 122.400, 0.0),
    };

    Bridge bridge;
    bridge.name = name12("沙河大桥");
    bridge.calcType = 0;
    bridge.startStation = 13820.000;
    bridge.length = 180.000;
    bridge.leftWidth = 12.75;
    bridge.rightWidth = 12.75;
    bridge.axisOffset = 0.0;
    bridge.piers = {
        pier("0", 13820.000, 90.0, 104.210, false),
        pier("1", 13850.000, 90.0, 98.500, true),
        pier("2", 13880.000, 90.0, 97.850, true),
        pier("3", 13910.000, 88.5, 97.600, true),
        pier("4", 13940.000, 88.5, 98.100, true),
        pier("5", 13970.000, 90.0, 99.300, true),
        pier("6", 14000.000, 90.0, 105.020, false),
    };
    // One pile of the right abutment, 12 m right of the centre line, is set out
    // by its absolute coordinates.
    Pile absolute;
    absolute.name = name12("6-4");
    absolute.coordMode = 1;
    absolute.along = 3402122.849;
    absolute.across = 501605.981;
    absolute.elevation = 105.020;
    bridge.piers.back().piles.push_back(absolute);
    road.bridges = {bridge};
    road.currentBridge = 0;
    road.currentPier = 0;

    road.tunnelTemplates = {tunnelTemplate("标准断面", 0.0, 7.20, 0.0), tunnelTemplate("加宽断面", 0.50, 7.60, 0.5)};

    Tunnel tunnel;
    tunnel.name = name12("金山隧道");
    tunnel.startStation = 15200.000;
    tunnel.length = 520.000;
    tunnel.plateIndex = 1;
    tunnel.slopeRules = {{-2.0, 0}, {4.0, 1}};
    tunnel.stationRules = {
        {15200.000, 2, 0},
        {15460.000, 1, 0},
        {15500.000, 2, 1},
        {15640.000, 0, 1},
    };
    const char* holes[] = {"掏槽1", "掏槽2", "辅助1", "辅助2", "周边1", "周边2", "底板1"};
    const double offsets[] = {-0.6, 0.6, -2.2, 2.2, -5.3, 5.3, 0.0};
    const double heights[] = {3.2, 3.2, 4.5, 4.5, 2.0, 2.0, -1.6};
    for (int i = 0; i < 7; ++i) {
        BlastHole h;
        h.name = name12(holes[i]);
        h.offset = offsets[i];
        h.heightDifference = heights[i];
        tunnel.blastHoles.push_back(h);
    }
    road.tunnels = {tunnel};
    road.currentTunnel = 0;
    return road;
}

Road rampRoad() {
    Road road;
    road.name = name12("匝道A");
    road.curveForm = 1;
    road.calcMethod = 1;
    road.stationPrefix = "AK";
    auto element = [](double length, double startRadius, double endRadius) {
        AlignmentElement e;
        e.length = length;
        e.startRadius = startRadius;
        e.endRadius = endRadius;
        return e;
    };
    road.elements = {
        element(120.000, 0, 0),
        element(80.000, 0, -250),
        element(150.000, -250, -250),
        element(80.000, -250, 0),
        element(200.000, 0, 0),
    };
    AlignmentElement& start = road.elements.front();
    start.x = 3401320.500;
    start.y = 500410.250;
    start.startAzimuth = start.arrivalAzimuth = 120.0;
    start.startStation = 0.0;
    for (std::size_t i = 1; i < road.elements.size(); ++i) {
        road.elements[i].startStation = road.elements[i - 1].startStation + road.elements[i - 1].length;
    }
    propagateElements(road, 0, kDemoPrecision);

    road.gradePoints = {{0.000, 104.800, 0}, {260.000, 109.300, 3000}, {630.000, 106.900, 0}};
    road.plates = {plate(1, 6, 4.50, 2.0, 0.60, 0.0), plate(1, 5, 0.75, -4.0, 0.0, 0.0),
                   plate(2, 6, 4.50, -2.0, 0.60, 0.0), plate(2, 5, 0.75, -4.0, 0.0, 0.0)};
    return road;
}

}  // namespace

RoadProject makeDemoProject() {
    RoadProject project;
    project.projectName.assignUtf8("沃尼克斯示范项目");
    project.precision = kDemoPrecision;
    project.controlPoints = {
        controlPoint("GPS01", "D级GPS点", 3400862.417, 499871.205, 101.884),
        controlPoint("GPS02", "D级GPS点", 3401735.092, 500962.553, 106.312),
        controlPoint("GPS03", "D级GPS点", 3402590.740, 502108.867, 104.027),
        controlPoint("GPS04", "D级GPS点", 3402911.318, 503902.145, 114.650),
        controlPoint("DX1", "一级导线", 3401228.553, 500309.964, 103.215),
        controlPoint("DX2", "一级导线", 3402205.406, 501632.780, 99.871),
    };
    project.roads = {mainRoad(), rampRoad()};
    project.currentRoad = 0;
    return project;
}

}  // namespace vornex
