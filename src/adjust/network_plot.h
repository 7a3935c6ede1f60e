// What the network plot of a survey module shows, computed once per change of
// the module (never per paint):
// - a control network: its points at their adjusted (or approximate)
//   coordinates, the lines along which directions or distances were observed,
//   and the error ellipse of every adjusted point;
// - a leveling network (or the height network of a control survey): the route
//   schematic, a layout of the section graph, with the point sequence of every
//   closure so that a loop can be picked out.
// Coordinates follow the surveying convention: X is the northing, Y the
// easting, bearings are clockwise from north (+X).
#pragma once

#include <string>
#include <optional>
#include <vector>

#include "adjust/survey_modules.h"
#include "geometry/angles.h"

namespace vornex {

struct NetworkPoint {
    std::string name;  // UTF-8
    PlanPoint at;
    bool known = false;
};

// A line of a control network along which something was observed.
struct NetworkLine {
    int from = -1, to = -1;  // indices into the plot's points; a one-way line was sighted from `from`
    bool direction = false;  // a direction was observed along it
    bool distance = false;   // a distance was measured along it
    bool oneWay = false;     // sighted from one end only (drawn dashed)
};

// Error ellipse of one adjusted point (values of the point-error table).
struct ErrorEllipse {
    int point = -1;  // index into the plot's points
    double a = 0;    // semi-major axis, m
    double b = 0;    // semi-minor axis, m
    double f = 0;    // bearing of the major axis, radians clockwise from north
};

struct ControlPlot {
    std::vector<NetworkPoint> points;  // points with coordinates, in the plane adjustment's order
    std::vector<NetworkLine> lines;
    std::vector<ErrorEllipse> ellipses;  // only with adjusted results and a sigma0
    // Per row of the height network's closure table, its point sequence as
    // indices into `points` (-1 for a point the plane plot does not hold).
    std::vector<std::vector<int>> closurePaths;
    // Per row of the plane-closure table (its triangles, then its traverses),
    // the same: a triangle closes on its first point, a traverse runs from its
    // known start to its known end.
    std::vector<std::vector<int>> planeClosurePaths;
};

ControlPlot controlPlot(const ControlModule& m);

// The ellipse around `centre` with its semi-axes multiplied by `magnification`,
// as a closed polyline of `segments` chords (the last point repeats the first).
std::vector<PlanPoint> ellipseOutline(const PlanPoint& centre, const ErrorEllipse& e, double magnification,
                                      int segments = 96);

// Every point and every ellipse drawn at `magnification`.
PlanExtents controlPlotExtents(const ControlPlot& plot, double magnification);

// An edge of the route schematic: the sections run between two points.
struct RouteEdge {
    int from = -1, to = -1;     // indices into the schematic's points
    std::vector<int> sections;  // section (or station) indices of the runs between them
    bool excluded = false;      // every run between them is excluded from the adjustment
};

struct RouteSchematic {
    // Known points first (list order), then the other points in the order the
    // runs name them; runs excluded from the adjustment add their points last.
    std::vector<NetworkPoint> points;
    std::vector<RouteEdge> edges;
    // Per row of the closure table, its point sequence (indices into `points`).
    std::vector<std::vector<int>> closurePaths;
    bool geographic = false;       // known points stand at their own coordinates
    double unit = 1;               // the length the layout gives one edge
    double minimumSeparation = 0;  // no two points stand closer than this
    // The coordinates the layout was given per point (known points' own); a
    // later layout of the same graph with the same anchors is the same drawing.
    std::vector<std::optional<PlanPoint>> anchors;
};

// Layout of the section graph. Known points keep their coordinates when at
// least two of them carry distinct ones (0, 0 counts as none); otherwise, and
// for every other point, a stress layout of the graph from a fixed seed. The
// result depends on nothing but the network.
//
// `previous`, when given, is the schematic shown so far: when the network's
// graph and anchors are the same (a parameter edit, a refresh) its positions are
// kept instead of laid out again, which for thousands of points is the bulk of
// the work.
RouteSchematic levelingRoute(const LevelingModule& m, const RouteSchematic* previous = nullptr);
// The same for the height network of a control survey (its runs are the
// stations' height observations).
RouteSchematic controlHeightRoute(const ControlModule& m, const RouteSchematic* previous = nullptr);

PlanExtents routeExtents(const RouteSchematic& route);

}  // namespace vornex
