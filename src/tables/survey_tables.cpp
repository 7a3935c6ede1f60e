#include "tables/survey_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "adjust/adjustment_summary.h"
#include "adjust/plane_closures.h"
#include "adjust/tolerances.h"
#include "geometry/angles.h"
#include "tables/data_tables.h"
#include "text/text.h"

namespace vornex {
namespace {

namespace st = survey_table;
using text::format;

constexpr double kDegPerRad = 180.0 / kPi;

Grid makeGrid(int code, const std::vector<std::string>& captions) {
    Grid g;
    g.code = code;
    for (const std::string& c : captions) g.columns.push_back(GridColumn{c, 80, ""});
    return g;
}

void put(GridRow& row, int col, std::string text) { row.cells.at(static_cast<std::size_t>(col)).text = std::move(text); }

std::string nameOf(const Name12& n) { return text::gbkToUtf8(n.str()); }
std::string nameOf(const std::string& gbk) { return text::gbkToUtf8(gbk); }

std::string dms(double degrees) { return formatDms(normalizeAngle(degrees)); }

// The control-survey observation a run was taken from, or null.
const SurveyObservation* observationOf(const SurveyNetwork& net, const MergedRun& r) {
    if (r.source < 0 || r.source >= static_cast<int>(net.stations.size())) return nullptr;
    const SurveyStation& s = net.stations[static_cast<std::size_t>(r.source)];
    if (r.item < 0 || r.item >= static_cast<int>(s.observations.size())) return nullptr;
    return &s.observations[static_cast<std::size_t>(r.item)];
}

bool slopeType(int type) { return type == kSlopeDistance || type == kSlopeAndZenith; }

// ---- leveling ----

// The checks of one station as a surveyor computes them on the sheet, in whole
// units of the readings (distances in mm, staff values in 0.01 mm), so that a
// value on its limit is never marked by rounding.
struct StationCheck {
    std::int64_t back = 0, front = 0;   // 后视距, 前视距 (mm)
    std::int64_t difference = 0;        // 视距差 (mm)
    std::int64_t backK = 0, frontK = 0; // K + 黑 - 红 of each staff (0.01 mm)
    std::int64_t blackRed = 0;          // 黑红面高差之差 (0.01 mm)
};

StationCheck checkStation(const LevelingStation& s, bool back4787) {
    auto r = [&](int i) { return static_cast<std::int64_t>(s.readings[static_cast<std::size_t>(i)]); };
    StationCheck c;
    // Stadia intercept x 100 is the sight length: 0.01 mm of intercept is 1 mm of sight.
    c.back = std::llabs(r(LevelingStation::BackUpper) - r(LevelingStation::BackLower));
    c.front = std::llabs(r(LevelingStation::FrontUpper) - r(LevelingStation::FrontLower));
    c.difference = c.back - c.front;
    const std::int64_t kBack = back4787 ? 478700 : 468700, kFront = back4787 ? 468700 : 478700;
    c.backK = kBack + r(LevelingStation::BackMiddle) - r(LevelingStation::BackRedMiddle);
    c.frontK = kFront + r(LevelingStation::FrontMiddle) - r(LevelingStation::FrontRedMiddle);
    // Black-face difference minus (red-face difference +- 100 mm of staff constants).
    c.blackRed = c.backK - c.frontK;
    return c;
}

Grid readingsTable(const LevelingModule& m, int section) {
    Grid g = makeGrid(st::kReadings, {"后尺黑面上丝", "后尺黑面下丝", "后尺黑面中丝", "后尺红面中丝", "前尺黑面上丝",
                                      "前尺黑面下丝", "前尺黑面中丝", "前尺红面中丝", "后视距", "前视距", "视距差",
                                      "累积视距差", "后尺K+黑-红", "前尺K+黑-红", "黑红面高差之差"});
    const SurveyNetwork& net = m.network;
    if (section < 0 || section >= net.sectionCount()) return g;
    // Columns: upper, lower, middle, red for the back staff, then the front staff.
    static constexpr int kOrder[8] = {0, 2, 1, 3, 4, 6, 5, 7};
    const bool ds05 = net.leveling.instrument == 1;
    auto reading = [&](std::int64_t r) {
        return ds05 ? format("%8.2f", static_cast<double>(r) / 100.0 + 0.0001) : format("%lld", static_cast<long long>(r / 100));
    };
    auto metres = [](std::int64_t mm) { return format("%6.1f", static_cast<double>(mm) / 1000.0); };
    auto millimetres = [&](std::int64_t hundredths) {
        return format(ds05 ? "%6.2f" : "%5.1f", static_cast<double>(hundredths) / 100.0);
    };
    const LevelingLimits& limits = levelingLimits(net.leveling.levelClass);
    // Red over a limit of the order; an order without the limit marks nothing.
    auto mark = [](GridCell& cell, std::int64_t value, double limit, double unitsPerLimit) {
        cell.red = limit > 0 && static_cast<double>(std::llabs(value)) > limit * unitsPerLimit;
    };
    const LevelingSection& sec = net.section(section);
    std::int64_t sums[8] = {};
    StationCheck total;
    std::int64_t cumulative = 0;
    for (int j = 0; j < net.stationCount(section); ++j) {
        LevelingStation s = net.station(section, j);
        GridRow& row = g.addRow(j);
        for (int c = 0; c < 8; ++c) {
            const std::int32_t r = s.readings[static_cast<std::size_t>(kOrder[c])];
            put(row, c, ds05 ? format("%8.2f", r / 100.0 + 0.0001) : format("%d", r / 100));
            sums[c] += r;
        }
        const StationCheck c = checkStation(s, backStaffIs4787(sec.staffSelector, j));
        cumulative += c.difference;
        put(row, 8, metres(c.back));
        put(row, 9, metres(c.front));
        put(row, 10, metres(c.difference));
        put(row, 11, metres(cumulative));
        put(row, 12, millimetres(c.backK));
        put(row, 13, millimetres(c.frontK));
        put(row, 14, millimetres(c.blackRed));
        // 视线长度: over the longest or under the shortest sight of the order.
        const double longest = maxSightLength(limits, net.leveling.instrument) * 1000;
        for (int col : {8, 9}) {
            const std::int64_t sight = col == 8 ? c.back : c.front;
            row.cells[static_cast<std::size_t>(col)].red =
                (longest > 0 && static_cast<double>(sight) > longest) ||
                static_cast<double>(sight) < limits.minSightLength * 1000;
        }
        mark(row.cells[10], c.difference, limits.sightDifference, 1000);
        mark(row.cells[11], cumulative, limits.cumulativeSightDifference, 1000);
        mark(row.cells[12], c.backK, limits.redBlackReading, 100);
        mark(row.cells[13], c.frontK, limits.redBlackReading, 100);
        mark(row.cells[14], c.blackRed, limits.redBlackHeightDifference, 100);
        total.back += c.back;
        total.front += c.front;
        total.blackRed += c.blackRed;
    }
    // 合计: the sums a surveyor checks the sheet with (middle readings of each
    // face, sight lengths, their difference, and the black/red differences).
    GridRow& row = g.addRow();
    put(row, 0, "合计");
    for (int c : {2, 3, 6, 7}) put(row, c, reading(sums[c]));
    put(row, 8, metres(total.back));
    put(row, 9, metres(total.front));
    put(row, 10, metres(total.back - total.front));
    put(row, 14, millimetres(total.blackRed));
    return g;
}

Grid closuresTable(int code, const CLevelingAdjust& a, bool byStations) {
    Grid g = makeGrid(code, {"点号序列", byStations ? "测站数" : "长度(km)", "闭合差(mm)", "限差(mm)", "备注"});
    if (!a.adjusted) return g;
    for (const ClosureRecord& c : a.closures) {
        GridRow& row = g.addRow();
        std::string path;
        for (std::int32_t p : c.points()) {
            if (!path.empty()) path += " - ";
            if (p >= 0 && p < a.pointCount) path += nameOf(a.pointNames[static_cast<std::size_t>(p)]);
        }
        put(row, 0, path);
        put(row, 1, byStations ? format("%d", c.lengthValue() / 1000) : format("%6.2f", c.lengthValue() / 1000.0));
        put(row, 2, format("%6.1f", c.misclosure() / 10.0));
        put(row, 3, format("%6.1f", c.tolerance() / 10.0));
        if (std::abs(static_cast<long long>(c.tolerance())) < std::abs(static_cast<long long>(c.misclosure()))) {
            put(row, 4, "闭合差超限");
            row.cells[4].red = true;
        }
    }
    return g;
}

Grid heightDifferencesTable(int code, const CLevelingAdjust& a, bool byStations) {
    Grid g = makeGrid(code, {"起点名", "终点名", byStations ? "测站数" : "高差测段长(km)", "高差观测值(m)", "高差改正数(mm)",
                             "高差平差值(m)", "高差中误差(mm)"});
    for (int k = 0; k < a.observationCount; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        GridRow& row = g.addRow(k);
        put(row, 0, nameOf(a.pointNames[static_cast<std::size_t>(a.fromIndex[sk])]));
        put(row, 1, nameOf(a.pointNames[static_cast<std::size_t>(a.toIndex[sk])]));
        const double q = 1.0 / a.weight[sk];
        put(row, 2, byStations ? format("%d", truncateToInt32(q)) : format("%8.2f", q));
        put(row, 3, format("%8.4f", a.observed[sk]));
        if (!a.adjusted) continue;
        put(row, 4, format("%6.2f", a.residual[sk] * 1000));
        put(row, 5, format("%8.4f", a.observed[sk] + a.residual[sk]));
        if (a.hasSigma0) put(row, 6, format("%6.2f", a.observationStandardError(k)));
    }
    return g;
}

Grid levelingPointsTable(const CLevelingAdjust& a) {
    Grid g = makeGrid(st::kLevelingPoints, {"点名", "高程(m)", "中误差(mm)", "备注"});
    for (int i = 0; i < a.pointCount; ++i) {
        GridRow& row = g.addRow(i);
        const bool known = i < a.knownCount;
        put(row, 0, nameOf(a.pointNames[static_cast<std::size_t>(i)]));
        if (known || a.adjusted) put(row, 1, format("%8.4f", a.heights[static_cast<std::size_t>(i)]));
        if (a.adjusted && a.hasSigma0) put(row, 2, format("%6.2f", a.heightStandardError(i)));
        if (known) put(row, 3, "已知点");
    }
    return g;
}

// The runs of each merged observation, forward runs first, each kind in the
// order the adjustment took them: one pass over the runs, however many there are.
std::vector<std::vector<const MergedRun*>> runsByObservation(const std::vector<MergedRun>& runs, int observations) {
    std::vector<std::vector<const MergedRun*>> groups(static_cast<std::size_t>(std::max(observations, 0)));
    for (bool forward : {true, false}) {
        for (const MergedRun& r : runs) {
            if (r.forward == forward && r.observation >= 0 && r.observation < observations) {
                groups[static_cast<std::size_t>(r.observation)].push_back(&r);
            }
        }
    }
    return groups;
}

// Sums of the forward and the return runs of one observation.
struct RunMeans {
    double sum[2] = {0, 0};
    int count[2] = {0, 0};
    void add(const MergedRun& r) {
        sum[r.forward ? 0 : 1] += r.value;
        count[r.forward ? 0 : 1] += 1;
    }
    bool bothWays() const { return count[0] > 0 && count[1] > 0; }
    double forwardMean() const { return sum[0] / count[0]; }
    double returnMean() const { return sum[1] / count[1]; }
};

// The cells that stand for a whole observation span all its rows.
void spanRows(Grid& g, int first, std::initializer_list<int> columns) {
    const int n = g.rowCount() - first;
    if (n < 2) return;
    for (int col : columns) g.rows[static_cast<std::size_t>(first)].cells[static_cast<std::size_t>(col)].rowSpan = n;
}

Grid levelingForwardReturnTable(const LevelingModule& m) {
    Grid g = makeGrid(st::kLevelingForwardReturn, {"序号", "起点名", "终点名", "观测高差(m)", "较差/限差(mm)", "平均值(m)", "备注"});
    const CLevelingAdjust& a = m.adjust;
    const SurveyNetwork& net = m.network;
    const double c = levelingLimits(net.leveling.levelClass).forwardReturn;
    const auto groups = runsByObservation(a.runs, a.observationCount);
    for (int k = 0; k < a.observationCount; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        if (groups[sk].empty()) continue;
        const std::string from = nameOf(a.pointNames[static_cast<std::size_t>(a.fromIndex[sk])]);
        const std::string to = nameOf(a.pointNames[static_cast<std::size_t>(a.toIndex[sk])]);
        const int first = g.rowCount();
        RunMeans means;
        double returnLength = 0;  // m
        for (const MergedRun* r : groups[sk]) {
            GridRow& row = g.addRow(k);
            put(row, 1, r->forward ? from : to);
            put(row, 2, r->forward ? to : from);
            put(row, 3, format(r->forward ? "%9.4f" : "%8.4f", r->value));
            means.add(*r);
            if (!r->forward) {
                const bool section = r->source >= 0 && r->source < net.sectionCount();
                returnLength += section ? net.sectionTotals(r->source).length() : r->quantity;
            }
        }
        GridRow& top = g.rows[static_cast<std::size_t>(first)];
        put(top, 0, format("%d", k + 1));
        put(top, 5, format("%9.4f", a.observed[sk]));
        if (means.bothWays()) {
            const double diff = std::fabs(means.forwardMean() + means.returnMean()) * 1000;
            // Forward/return tolerance c sqrt(K) mm of the network's order, K the
            // mean length of the return runs in km.
            const double limit = c * std::sqrt(returnLength / means.count[1] / 1000.0);
            put(top, 4, format("%6.2f", diff));
            put(g.rows[static_cast<std::size_t>(first) + 1], 4, format("%6.2f", limit));
            if (limit + 0.0001 < diff) {
                put(top, 6, "超限");
                top.cells[6].red = true;
            }
        }
        spanRows(g, first, {0, 5, 6});
    }
    return g;
}

Grid knownPointsTable(int code, const SurveyNetwork& net) {
    RoadProject project;
    project.controlPoints = net.knownPoints;
    DataTableContext ctx;
    ctx.editable = false;
    Grid g = buildDataTable(project, table_code::kControlPoints, ctx);
    g.code = code;
    for (GridRow& row : g.rows)
        for (GridCell& cell : row.cells) cell.editable = false;
    return g;
}

// ---- control ----

Grid knownAzimuthsTable(const SurveyNetwork& net) {
    Grid g = makeGrid(st::kKnownAzimuths, {"测站点", "照准点", "方位角观测值"});
    for (std::size_t i = 0; i < net.knownAzimuths.size(); ++i) {
        const KnownAzimuth& a = net.knownAzimuths[i];
        GridRow& row = g.addRow(static_cast<int>(i));
        put(row, 0, nameOf(a.fromName));
        put(row, 1, nameOf(a.toName));
        put(row, 2, dms(a.azimuth));
    }
    return g;
}

// `m`, when the survey was reduced to the projection plane, adds each
// measured distance reduced to the grid beside the observation.
Grid observationsTable(const SurveyNetwork& net, int station, const ControlModule* m = nullptr) {
    const int type = net.control.observationType;
    std::vector<std::string> captions;
    switch (type) {
        case kSlopeDistance: captions = {"照准点名", "水平角(度.分秒)", "倾斜距离(m)", "垂直角(度.分秒)"}; break;
        case kHeightDifference: captions = {"照准点名", "高差(m)", "高差测段长(m)", "棱镜高(m)"}; break;
        case kDistanceAndHeight: captions = {"照准点名", "水平角(度.分秒)", "水平距离(m)", "高差(m)", "棱镜高(m)"}; break;
        case kSlopeAndZenith: captions = {"照准点名", "水平角(度.分秒)", "倾斜距离(m)", "垂直角(度.分秒)", "棱镜高(m)"}; break;
        default: captions = {"照准点名", "水平角(度.分秒)", "水平距离(m)"}; break;
    }
    const bool reduced = m && m->reduced.applied && type != kHeightDifference;
    const int cReduced = static_cast<int>(captions.size());
    if (reduced) captions.push_back("归算边长(m)");
    Grid g = makeGrid(st::kObservations, captions);
    if (station < 0 || station >= static_cast<int>(net.stations.size())) return g;
    const SurveyStation& s = net.stations[static_cast<std::size_t>(station)];
    for (std::size_t j = 0; j < s.observations.size(); ++j) {
        const SurveyObservation& o = s.observations[j];
        GridRow& row = g.addRow(static_cast<int>(j));
        put(row, 0, nameOf(o.targetName));
        if (reduced) {
            // Both reductions scale a line's distance by one factor, so each
            // measurement of the line is reduced by its merged mean's factor.
            const CPlaneNetAdjust& p = m->plane;
            for (const MergedRun& r : p.distanceRuns) {
                if (r.source != station || r.item != static_cast<int>(j)) continue;
                const auto k = static_cast<std::size_t>(r.observation);
                const double measured = k < m->reduced.measuredDistance.size() ? m->reduced.measuredDistance[k] : 0.0;
                if (measured > 0) put(row, cReduced, format("%8.4f", r.value * p.distanceValue[k] / measured));
                break;
            }
        }
        const std::string distance = o.distance > 0 ? format("%8.4f", o.distance) : "";
        if (type == kHeightDifference) {
            put(row, 1, format("%8.4f", o.verticalOrHeight));
            put(row, 2, distance);
            if (o.targetHeight >= 0) put(row, 3, format("%6.4f", o.targetHeight));
            continue;
        }
        if (o.direction >= 0) put(row, 1, dms(o.direction));
        put(row, 2, distance);
        if (type == kSlopeDistance) {
            put(row, 3, dms(o.verticalOrHeight));
        } else if (type == kDistanceAndHeight || type == kSlopeAndZenith) {
            if (o.targetHeight >= 0) {
                put(row, 3, type == kDistanceAndHeight ? format("%8.4f", o.verticalOrHeight) : dms(o.verticalOrHeight));
                put(row, 4, format("%8.4f", o.targetHeight));
            }
        }
    }
    return g;
}

Grid distancesForwardReturnTable(const ControlModule& m) {
    const int type = m.network.control.observationType;
    const bool slope = slopeType(type);
    std::vector<std::string> captions = {"序号", "起点名", "终点名"};
    if (slope) {
        captions.insert(captions.end(), {"观测斜距(m)", "垂直角", "平距(m)"});
    } else {
        captions.push_back("观测平距(m)");
    }
    const int cDiff = static_cast<int>(captions.size());
    captions.insert(captions.end(), {"较差(mm)", "平均值(m)"});
    // Reduced to the projection plane: the reduced mean beside the measured one.
    const bool reduced = m.reduced.applied;
    if (reduced) captions.push_back("归算边长(m)");
    captions.push_back("备注");
    Grid g = makeGrid(st::kDistancesForwardReturn, captions);
    if (type == kHeightDifference) return g;
    const CPlaneNetAdjust& a = m.plane;
    const SurveyNetwork& net = m.network;
    const auto groups = runsByObservation(a.distanceRuns, a.distanceCount());
    for (int k = 0; k < a.distanceCount(); ++k) {
        const auto sk = static_cast<std::size_t>(k);
        if (groups[sk].empty()) continue;
        const std::string from = nameOf(a.pointNames[static_cast<std::size_t>(a.distanceFrom[sk])]);
        const std::string to = nameOf(a.pointNames[static_cast<std::size_t>(a.distanceTo[sk])]);
        const int first = g.rowCount();
        RunMeans means;
        for (const MergedRun* r : groups[sk]) {
            GridRow& row = g.addRow(k);
            put(row, 1, r->forward ? from : to);
            put(row, 2, r->forward ? to : from);
            const SurveyObservation* o = observationOf(net, *r);
            if (slope) {
                if (o) {
                    put(row, 3, format("%9.4f", o->distance));
                    put(row, 4, dms(o->verticalOrHeight));
                }
                put(row, 5, format("%9.4f", r->value));
            } else {
                put(row, 3, format("%9.4f", r->value));
            }
            means.add(*r);
        }
        GridRow& top = g.rows[static_cast<std::size_t>(first)];
        put(top, 0, format("%d", k + 1));
        if (means.bothWays()) put(top, cDiff, format("%6.2f", std::fabs(means.returnMean() - means.forwardMean()) * 1000));
        if (reduced) {
            put(top, cDiff + 1, format("%9.4f", m.reduced.measuredDistance[sk]));
            put(top, cDiff + 2, format("%9.4f", a.distanceValue[sk]));
            spanRows(g, first, {0, cDiff, cDiff + 1, cDiff + 2, cDiff + 3});
        } else {
            put(top, cDiff + 1, format("%9.4f", a.distanceValue[sk]));
            spanRows(g, first, {0, cDiff, cDiff + 1, cDiff + 2});
        }
    }
    return g;
}

Grid controlForwardReturnTable(const ControlModule& m) {
    const int type = m.network.control.observationType;
    const bool slope = slopeType(type);
    std::vector<std::string> captions = {"序号", "起点名", "终点名"};
    if (slope) captions.insert(captions.end(), {"观测斜距(m)", "垂直角"});
    const int cH = static_cast<int>(captions.size());
    captions.insert(captions.end(), {"高差(m)", "仪器高(m)", "棱镜高(m)", "较差(mm)", "平均值(m)", "备注"});
    Grid g = makeGrid(st::kControlForwardReturn, captions);
    const CLevelingAdjust& a = m.heights;
    const SurveyNetwork& net = m.network;
    const auto groups = runsByObservation(a.runs, a.observationCount);
    for (int k = 0; k < a.observationCount; ++k) {
        const auto sk = static_cast<std::size_t>(k);
        if (groups[sk].empty()) continue;
        const std::string from = nameOf(a.pointNames[static_cast<std::size_t>(a.fromIndex[sk])]);
        const std::string to = nameOf(a.pointNames[static_cast<std::size_t>(a.toIndex[sk])]);
        const int first = g.rowCount();
        RunMeans means;
        for (const MergedRun* r : groups[sk]) {
            GridRow& row = g.addRow(k);
            put(row, 1, r->forward ? from : to);
            put(row, 2, r->forward ? to : from);
            const SurveyObservation* o = observationOf(net, *r);
            if (o && slope) {
                put(row, 3, format("%9.4f", o->distance));
                put(row, 4, dms(o->verticalOrHeight));
            }
            put(row, cH, format("%8.4f", r->value));
            if (o) {
                put(row, cH + 1, format("%6.4f", net.stations[static_cast<std::size_t>(r->source)].instrumentHeight));
                if (o->targetHeight >= 0) put(row, cH + 2, format("%6.4f", o->targetHeight));
            }
            means.add(*r);
        }
        GridRow& top = g.rows[static_cast<std::size_t>(first)];
        put(top, 0, format("%d", k + 1));
        if (means.bothWays()) put(top, cH + 3, format("%6.2f", std::fabs(means.forwardMean() + means.returnMean()) * 1000));
        put(top, cH + 4, format("%9.5f", a.observed[sk]));
        spanRows(g, first, {0, cH + 3, cH + 4, cH + 5});
    }
    return g;
}

// Row of `name` in a grid whose first column holds point names; appended when missing.
GridRow& rowForName(Grid& g, const std::string& utf8Name) {
    for (GridRow& row : g.rows) {
        if (row.cells[0].text == utf8Name) return row;
    }
    GridRow& row = g.addRow();
    put(row, 0, utf8Name);
    return row;
}

Grid coordinatesTable(const ControlModule& m) {
    Grid g = makeGrid(st::kCoordinates, {"点名", "坐标X(m)", "坐标Y(m)", "高程(m)", "备注"});
    const CPlaneNetAdjust& p = m.plane;
    for (int i = 0; i < p.pointCount; ++i) {
        GridRow& row = g.addRow(i);
        const bool known = i < p.knownCount;
        put(row, 0, nameOf(p.pointNames[static_cast<std::size_t>(i)]));
        if (known || p.adjusted) {
            put(row, 1, format("%8.4f", p.coordinates[static_cast<std::size_t>(i)].x));
            put(row, 2, format("%8.4f", p.coordinates[static_cast<std::size_t>(i)].y));
        }
        if (known) put(row, 4, "已知点");
    }
    const CLevelingAdjust& h = m.heights;
    for (int i = 0; i < h.pointCount; ++i) {
        GridRow& row = rowForName(g, nameOf(h.pointNames[static_cast<std::size_t>(i)]));
        if (h.adjusted) put(row, 3, format("%8.4f", h.heights[static_cast<std::size_t>(i)]));
        if (i < h.knownCount) put(row, 4, "已知点");
    }
    return g;
}

Grid directionsTable(const ControlModule& m) {
    // Reduced to the projection plane: the arc-to-chord correction beside the measured direction.
    const bool reduced = m.reduced.applied;
    std::vector<std::string> captions = {"测站", "照准点", "方向观测值"};
    if (reduced) captions.push_back("方向改化\"");
    const int c = static_cast<int>(captions.size());
    captions.insert(captions.end(), {"方向改正数\"", "方向平差值", "方位角", "方位角中误差\""});
    Grid g = makeGrid(st::kDirections, captions);
    const CPlaneNetAdjust& p = m.plane;
    for (int s = 0; s < p.stationSetCount(); ++s) {
        const int station = p.stationPoint[static_cast<std::size_t>(s)];
        const int begin = p.setStart[static_cast<std::size_t>(s)], end = p.setStart[static_cast<std::size_t>(s) + 1];
        for (int j = begin; j < end; ++j) {
            const auto sj = static_cast<std::size_t>(j);
            const int target = p.directionTarget[sj];
            GridRow& row = g.addRow(j);
            if (j == begin) put(row, 0, nameOf(p.pointNames[static_cast<std::size_t>(station)]));
            put(row, 1, nameOf(p.pointNames[static_cast<std::size_t>(target)]));
            const double observed = p.directionValue[sj] * kDegPerRad;
            put(row, 2, dms(reduced ? m.reduced.measuredDirection[sj] * kDegPerRad : observed));
            if (reduced) put(row, 3, format("%8.2f", m.reduced.arcToChord[sj]));
            if (!p.adjusted) continue;
            const double correction = j == begin ? 0.0 : p.directionResidual[sj] - p.directionResidual[static_cast<std::size_t>(begin)];
            if (j != begin) put(row, c, format("%8.2f", correction));
            put(row, c + 1, dms(observed + correction / 3600));
            put(row, c + 2, dms(p.azimuth(station, target) * kDegPerRad));
            if (p.hasSigma0) put(row, c + 3, format("%5.2f", p.azimuthStandardError(station, target)));
        }
    }
    return g;
}

Grid azimuthsTable(const ControlModule& m) {
    Grid g = makeGrid(st::kAzimuths, {"起点名", "终点名", "方位角观测值", "方位角改正数(\")", "方位角平差值", "方位角中误差(\")"});
    const CPlaneNetAdjust& p = m.plane;
    for (int k = 0; k < p.azimuthCount(); ++k) {
        const auto sk = static_cast<std::size_t>(k);
        GridRow& row = g.addRow(k);
        put(row, 0, nameOf(p.pointNames[static_cast<std::size_t>(p.azimuthFrom[sk])]));
        put(row, 1, nameOf(p.pointNames[static_cast<std::size_t>(p.azimuthTo[sk])]));
        const double observed = p.azimuthValue[sk] * kDegPerRad;
        put(row, 2, dms(observed));
        if (!p.adjusted) continue;
        put(row, 3, format("%6.2f", p.azimuthResidual[sk]));
        put(row, 4, dms(observed + p.azimuthResidual[sk] / 3600));
        if (p.hasSigma0) put(row, 5, format("%6.2f", p.azimuthStandardError(p.azimuthFrom[sk], p.azimuthTo[sk])));
    }
    return g;
}

Grid distancesTable(const ControlModule& m) {
    // Reduced to the projection plane: the reduced distance beside the measured one.
    const bool reduced = m.reduced.applied;
    std::vector<std::string> captions = {"起点名", "终点名", "边长观测值(m)"};
    if (reduced) captions.push_back("归算边长(m)");
    const int c = static_cast<int>(captions.size());
    captions.insert(captions.end(), {"边长改正数(mm)", "边长平差值(m)", "边长中误差(mm)", "边长相对中误差"});
    Grid g = makeGrid(st::kDistances, captions);
    const CPlaneNetAdjust& p = m.plane;
    for (int k = 0; k < p.distanceCount(); ++k) {
        const auto sk = static_cast<std::size_t>(k);
        const int f = p.distanceFrom[sk], t = p.distanceTo[sk];
        GridRow& row = g.addRow(k);
        put(row, 0, nameOf(p.pointNames[static_cast<std::size_t>(f)]));
        put(row, 1, nameOf(p.pointNames[static_cast<std::size_t>(t)]));
        put(row, 2, format("%8.4f", reduced ? m.reduced.measuredDistance[sk] : p.distanceValue[sk]));
        if (reduced) put(row, 3, format("%8.4f", p.distanceValue[sk]));
        if (!p.adjusted) continue;
        put(row, c, format("%8.2f", p.distanceResidual[sk] * 1000));
        const double s = p.distance(f, t);
        put(row, c + 1, format("%8.4f", s));
        if (!p.hasSigma0) continue;
        const double sigma = p.distanceStandardError(f, t);
        put(row, c + 2, format("%8.2f", sigma * 1000));
        // Relative error 1 / (s / sigma); with sigma 0 there is no such figure.
        if (sigma > 0) put(row, c + 3, format("1/%d", truncateToInt32(s / sigma)));
    }
    return g;
}

Grid pointErrorsTable(const ControlModule& m) {
    Grid g = makeGrid(st::kPointErrors, {"点名", "Mx(mm)", "My(mm)", "M(mm)", "A(mm)", "B(mm)", "F(度 分)", "(mm)"});
    for (int c = 1; c <= 3; ++c) g.columns[static_cast<std::size_t>(c)].hint = "坐标误差";
    for (int c = 4; c <= 6; ++c) g.columns[static_cast<std::size_t>(c)].hint = "误差椭圆";
    g.columns[7].hint = "高程中误差";
    g.headerGroups = {{"坐标误差", 1, 3}, {"误差椭圆", 4, 3}, {"高程中误差", 7, 1}};
    const CPlaneNetAdjust& p = m.plane;
    if (p.adjusted && p.hasSigma0) {
        for (int i = p.knownCount; i < p.pointCount; ++i) {
            PointError e = p.pointError(i);
            if (!e.shown) continue;
            GridRow& row = g.addRow(i);
            put(row, 0, nameOf(p.pointNames[static_cast<std::size_t>(i)]));
            put(row, 1, format("%6.2f", e.mx * 1000));
            put(row, 2, format("%6.2f", e.my * 1000));
            put(row, 3, format("%6.2f", e.m * 1000));
            put(row, 4, format("%6.2f", e.a * 1000));
            put(row, 5, format("%6.2f", e.b * 1000));
            put(row, 6, dms(e.f * kDegPerRad));
        }
    }
    const CLevelingAdjust& h = m.heights;
    for (int i = h.knownCount; i < h.pointCount; ++i) {
        GridRow& row = rowForName(g, nameOf(h.pointNames[static_cast<std::size_t>(i)]));
        if (h.adjusted && h.hasSigma0) put(row, 7, format("%6.2f", h.heightStandardError(i)));
    }
    return g;
}

// 平面闭合差: triangles, then traverses, each against the limits of the pane's
// 闭合差限差 group. A limit of 0 (the value after a reset) means none is set:
// the row shows no limit and nothing is marked.
Grid planeClosuresTable(const ControlModule& m) {
    Grid g = makeGrid(st::kPlaneClosures, {"类别", "点号序列", "角数", "角度闭合差(″)", "限差(″)", "边数", "导线长(m)", "fx(mm)",
                                           "fy(mm)", "f(mm)", "限差(mm)", "全长相对闭合差", "备注"});
    const CPlaneNetAdjust& p = m.plane;
    const ControlHeader& h = m.network.control;
    const PlaneClosures c = computePlaneClosures(p);
    g.rows.reserve(c.triangles.size() + c.traverses.size());
    // Names converted once: a network of quadrilaterals lists each point in many triangles.
    std::vector<std::string> names(static_cast<std::size_t>(p.pointCount));
    auto path = [&](const std::vector<int>& points) {
        std::string s;
        for (int i : points) {
            if (!s.empty()) s += " - ";
            std::string& n = names[static_cast<std::size_t>(i)];
            if (n.empty()) n = nameOf(p.pointNames[static_cast<std::size_t>(i)]);
            s += n;
        }
        return s;
    };
    auto mark = [](GridRow& row, int col) {
        row.cells[static_cast<std::size_t>(col)].red = true;
        row.cells[12].text = "闭合差超限";
        row.cells[12].red = true;
    };
    const double triangleLimit = h.triangleClosureLimit;
    const std::string triangleLimitText = triangleLimit > 0 ? format("%6.1f", triangleLimit) : std::string();
    for (const TriangleClosure& t : c.triangles) {
        GridRow& row = g.addRow();
        put(row, 0, "三角形");
        put(row, 1, path({t.points.begin(), t.points.end()}));
        put(row, 2, "3");
        put(row, 3, format("%6.1f", t.misclosure));
        if (triangleLimit > 0) {
            put(row, 4, triangleLimitText);
            if (std::fabs(t.misclosure) > triangleLimit) mark(row, 3);
        }
    }
    for (const TraverseClosure& t : c.traverses) {
        GridRow& row = g.addRow();
        put(row, 0, "导线");
        put(row, 1, path(t.points));
        if (t.hasAngular) {
            put(row, 2, format("%d", t.angleCount));
            put(row, 3, format("%6.1f", t.angular));
            const double limit = h.azimuthClosureCoefficient * std::sqrt(t.angleCount);
            if (limit > 0) {
                put(row, 4, format("%6.1f", limit));
                if (std::fabs(t.angular) > limit) mark(row, 3);
            }
        }
        put(row, 5, format("%d", t.legCount));
        put(row, 6, format("%9.3f", t.length));
        put(row, 7, format("%6.1f", t.fx * 1000));
        put(row, 8, format("%6.1f", t.fy * 1000));
        put(row, 9, format("%6.1f", t.f() * 1000));
        const double limit = h.traverseClosureCoefficient * std::sqrt(t.legCount);
        if (limit > 0) {
            put(row, 10, format("%6.1f", limit));
            if (t.f() * 1000 > limit) mark(row, 9);
        }
        // 1/T = f / length, shown and never marked; a closure of nothing has no T.
        if (t.f() > 0) put(row, 11, format("1/%d", truncateToInt32(t.length / t.f())));
    }
    if (!c.traverseSearchComplete) {
        GridRow& row = g.addRow();
        put(row, 0, "导线");
        put(row, 12, "导线路线过多，未计算导线闭合差");
        row.cells[12].red = true;
    }
    return g;
}

// ---- 平差概况 ----

const char* kindText(ObservationKind k) {
    switch (k) {
        case ObservationKind::HeightDifference: return "高差";
        case ObservationKind::Direction: return "方向";
        case ObservationKind::Distance: return "边长";
        case ObservationKind::Azimuth: return "方位角";
    }
    return "";
}

GridRow& summaryRow(Grid& g, std::string item, std::string value = {}, std::string remark = {}) {
    GridRow& row = g.addRow();
    put(row, 0, std::move(item));
    put(row, 1, std::move(value));
    put(row, 2, std::move(remark));
    return row;
}

// The rows every adjustment shares: counts, [pvv], sigma0, the global test and
// the largest standardized residual. `scale` turns [pvv] and sigma0 into the
// unit shown (`unit`); result rows stay empty without results.
void summaryRows(Grid& g, const AdjustmentSummary& s, const std::vector<std::string>& names, double scale,
                 const std::string& unit, const std::string& pvvRemark, const std::string& priorRemark) {
    summaryRow(g, "未知数个数", format("%d", s.unknowns));
    summaryRow(g, "已知点数", format("%d", s.knownPoints));
    GridRow& r = summaryRow(g, "多余观测数 r", format("%d", s.redundancy));
    if (s.redundancy <= 0) {
        put(r, 2, "无多余观测，不作检验");
        r.cells[1].red = s.redundancy < 0;
    }
    const std::string u = unit.empty() ? std::string() : " " + unit;
    summaryRow(g, "[pvv]", s.results ? format("%.4f", s.pvv * scale * scale) : std::string(), pvvRemark);
    summaryRow(g, "单位权中误差（验后）", s.results && s.hasSigma0 ? format("%.3f", s.sigma0 * scale) + u : std::string(),
               "σ0 = √([pvv]/r)");
    summaryRow(g, "单位权中误差（先验）", s.sigma0Prior > 0 ? format("%.3f", s.sigma0Prior * scale) + u : std::string(),
               priorRemark);
    GridRow& chi = summaryRow(g, "χ² = [pvv]/σ0²（先验）", s.test.valid ? format("%.3f", s.test.chi2) : std::string());
    summaryRow(g, "χ²(r) 95%区间", s.test.valid ? format("%.3f ～ %.3f", s.test.lower, s.test.upper) : std::string(),
                                 "双侧，α = 0.05");
    GridRow& verdict = summaryRow(g, "整体检验");
    if (s.test.valid) {
        put(verdict, 1, s.test.passed ? "通过" : "未通过");
        if (!s.test.passed) {
            verdict.cells[1].red = true;
            chi.cells[1].red = true;
            put(verdict, 2, s.test.chi2 > s.test.upper ? "χ²大于上限：观测误差大于先验精度，或有粗差"
                                                       : "χ²小于下限：先验精度定得过低");
        }
    } else if (s.results) {
        put(verdict, 2, s.redundancy <= 0 ? "无多余观测" : "无先验单位权中误差");
    }
    GridRow& w = summaryRow(g, "最大标准化残差 |w|", {}, format("|w| = |v|/(σ0·√qvv)，临界值 %.2f（α0 = 0.001）", kBaardaCritical));
    if (s.results && s.largest.valid) {
        const StandardizedResidual& l = s.largest;
        put(w, 1, format("%.2f", l.w));
        w.cells[1].red = l.rejected();
        summaryRow(g, "所在观测",
                   nameOf(names[static_cast<std::size_t>(l.from)]) + " - " + nameOf(names[static_cast<std::size_t>(l.to)]) + " " +
                       kindText(l.kind),
                   l.rejected() ? "可能含粗差" : "");
        if (l.rejected()) g.rows.back().cells[2].red = true;
    }
}

// A closure listing that stopped at its bounds says so, in red: the closure
// table is then only a part.
void closuresCutRow(Grid& g, const CLevelingAdjust& a) {
    if (!a.closuresCut) return;
    GridRow& r = summaryRow(g, "闭合差", "未列全",
                            format("网太大，闭合差只列出了前 %d 条", static_cast<int>(a.closures.size())));
    r.cells[1].red = true;
}

void appendLines(Grid& g, const std::vector<SummaryLine>& lines) {
    for (const SummaryLine& l : lines) summaryRow(g, l.item, l.value, l.remark);
}

const char* const kOrderTexts[] = {"四等水准", "三等水准", "二等水准", "一等水准"};

Grid levelingSummaryTable(const LevelingModule& m) {
    Grid g = makeGrid(st::kLevelingSummary, {"项目", "数值", "说明"});
    g.columns[0].width = 170;
    g.columns[1].width = 150;
    g.columns[2].width = 360;
    const SurveyNetwork& net = m.network;
    const CLevelingAdjust& a = m.adjust;
    if (net.loadedKind() != SurveyFileKind::Leveling) return g;
    const LevelingHeader& h = net.leveling;
    const int order = h.levelClass >= kFourthOrder && h.levelClass <= kFirstOrder ? h.levelClass : kFourthOrder;
    const bool byStations = h.weighting == 1;
    summaryRow(g, "观测等级", kOrderTexts[order]);
    summaryRow(g, "定权方式", byStations ? "测站数" : "测段长度", byStations ? "p = 1/n（n 为测站数）" : "p = 1/L（L 以 km 计）");
    appendLines(g, m.summaryLines);
    summaryRow(g, "高差观测数", format("%d", a.observationCount),
               format("%d 个测段，往返测合并后", static_cast<int>(a.runs.size())));
    const std::string standard = order >= kSecondOrder ? "GB/T 12897—2006" : "GB/T 12898—2009";
    const std::string prior =
        format("%s每千米全中误差 M_W = %.1f mm（%s）", kOrderTexts[order], levelingKilometreSigma(order), standard.c_str()) +
        (byStations ? "，按平均每站路线长化为每站" : "");
    summaryRows(g, summarizeHeights(a, levelingPriorSigma0(net)), a.pointNames, 1000.0,
                byStations ? "mm（每站）" : "mm（每√km）", byStations ? "v 以 mm 计" : "v 以 mm、L 以 km 计", prior);
    closuresCutRow(g, a);
    return g;
}

Grid controlSummaryTable(const ControlModule& m) {
    Grid g = makeGrid(st::kControlSummary, {"项目", "数值", "说明"});
    g.columns[0].width = 170;
    g.columns[1].width = 150;
    g.columns[2].width = 360;
    const SurveyNetwork& net = m.network;
    if (net.loadedKind() != SurveyFileKind::Control) return g;
    const ControlHeader& h = net.control;
    const CPlaneNetAdjust& p = m.plane;
    appendLines(g, m.summaryLines);
    if (h.observationType != kHeightDifference) {
        summaryRow(g, "平面网");
        summaryRow(g, "方向观测数", format("%d", p.directionCount()), format("%d 个测站方向组", p.stationSetCount()));
        summaryRow(g, "边长观测数", format("%d", p.distanceCount()), "往返测合并后");
        summaryRow(g, "方位角观测数", format("%d", p.azimuthCount()));
        const AdjustmentSummary s = summarizePlane(p);
        summaryRows(g, s, p.pointNames, 1.0, "", "角度以秒、边长以 m 计，权 p = 1/σ²",
                    "σ 取文件中的角度、方位、测距先验中误差");
        summaryRow(g, "迭代次数", s.results ? format("%d", p.solutions) : std::string());
        summaryRow(g, "最后一次坐标改正数", s.results ? format("%.2f mm", p.lastCorrection * 1000) : std::string(),
                   "迭代至坐标改正数不大于 10 mm");
    }
    if (h.observationType == kHeightDifference || h.observationType == kDistanceAndHeight ||
        h.observationType == kSlopeAndZenith) {
        const CLevelingAdjust& a = m.heights;
        summaryRow(g, "高程网");
        if (h.observationType == kSlopeAndZenith) {
            summaryRow(g, "球气差改正", m.correctCurvature ? format("改正（k = %.2f）", m.refraction) : std::string("不改正"),
                       m.correctCurvature ? "(1 − k)D²/2R；k = 0 时只作地球曲率改正" : "h = S·cos Z + i − v");
        }
        summaryRow(g, "高差观测数", format("%d", a.observationCount), "往返测合并后；权 p = 1/D（D 以 km 计）");
        // The height closure limit n sqrt(L) is twice the error of one
        // kilometre, as in leveling: sigma0 a priori = n / 2 mm per sqrt(km).
        const double prior = h.heightClosureCoefficient > 0 ? h.heightClosureCoefficient / 2 / 1000.0 : 0.0;
        summaryRows(g, summarizeHeights(a, prior), a.pointNames, 1000.0, "mm（每√km）", "v 以 mm、D 以 km 计",
                    prior > 0 ? format("高程闭合差系数 n = %.1f 的一半（限差为两倍中误差）", h.heightClosureCoefficient)
                              : std::string("高程闭合差系数为 0：无先验值"));
        closuresCutRow(g, a);
    }
    return g;
}

}  // namespace

const std::vector<SurveyTableName>& surveyTableNames() {
    using K = SurveyModuleKind;
    static const std::vector<SurveyTableName> names = {
        {"readings", st::kReadings, K::Leveling},
        {"known-points", st::kLevelingKnownPoints, K::Leveling},
        {"heights-fr", st::kLevelingForwardReturn, K::Leveling},
        {"closures", st::kLevelingClosures, K::Leveling},
        {"points", st::kLevelingPoints, K::Leveling},
        {"height-differences", st::kLevelingHeightDifferences, K::Leveling},
        {"known-points", st::kControlKnownPoints, K::Control},
        {"known-azimuths", st::kKnownAzimuths, K::Control},
        {"observations", st::kObservations, K::Control},
        {"distances-fr", st::kDistancesForwardReturn, K::Control},
        {"heights-fr", st::kControlForwardReturn, K::Control},
        {"closures", st::kControlClosures, K::Control},
        {"points", st::kCoordinates, K::Control},
        {"directions", st::kDirections, K::Control},
        {"azimuths", st::kAzimuths, K::Control},
        {"distances", st::kDistances, K::Control},
        {"height-differences", st::kControlHeightDifferences, K::Control},
        {"point-errors", st::kPointErrors, K::Control},
        {"plane-closures", st::kPlaneClosures, K::Control},
        {"summary", st::kLevelingSummary, K::Leveling},
        {"summary", st::kControlSummary, K::Control},
    };
    return names;
}

int surveyTableCode(const std::string& nameOrCode, SurveyModuleKind module) {
    char* end = nullptr;
    const long numeric = std::strtol(nameOrCode.c_str(), &end, 10);
    const bool isNumber = !nameOrCode.empty() && end && *end == '\0';
    for (const SurveyTableName& n : surveyTableNames()) {
        if (n.module != module) continue;
        if (isNumber ? n.code == numeric : nameOrCode == n.name) return n.code;
    }
    return 0;
}

Grid buildLevelingTable(const LevelingModule& m, int code, int index) {
    const bool byStations = m.network.leveling.weighting == 1;
    switch (code) {
        case st::kReadings: return readingsTable(m, index);
        case st::kLevelingKnownPoints: return knownPointsTable(code, m.network);
        case st::kLevelingClosures: return closuresTable(code, m.adjust, byStations);
        case st::kLevelingForwardReturn: return levelingForwardReturnTable(m);
        case st::kLevelingHeightDifferences: return heightDifferencesTable(code, m.adjust, byStations);
        case st::kLevelingPoints: return levelingPointsTable(m.adjust);
        case st::kLevelingSummary: return levelingSummaryTable(m);
        default: break;
    }
    Grid g;
    g.code = code;
    return g;
}

Grid buildControlTable(const ControlModule& m, int code, int index) {
    switch (code) {
        case st::kControlKnownPoints: return knownPointsTable(code, m.network);
        case st::kObservations: return observationsTable(m.network, index, &m);
        case st::kKnownAzimuths: return knownAzimuthsTable(m.network);
        case st::kCoordinates: return coordinatesTable(m);
        case st::kDirections: return directionsTable(m);
        case st::kAzimuths: return azimuthsTable(m);
        case st::kDistances: return distancesTable(m);
        case st::kControlHeightDifferences: return heightDifferencesTable(code, m.heights, false);
        case st::kPointErrors: return pointErrorsTable(m);
        case st::kDistancesForwardReturn: return distancesForwardReturnTable(m);
        case st::kControlForwardReturn: return controlForwardReturnTable(m);
        case st::kControlClosures: return closuresTable(code, m.heights, false);
        case st::kPlaneClosures: return planeClosuresTable(m);
        case st::kControlSummary: return controlSummaryTable(m);
        default: break;
    }
    Grid g;
    g.code = code;
    return g;
}

std::string formatSurveyDate(int date) {
    std::string s = std::to_string(date);
    if (s.size() < 5) return s;
    return s.substr(0, s.size() - 4) + "-" + s.substr(s.size() - 4, 2) + "-" + s.substr(s.size() - 2);
}

std::vector<PaneProperty> levelingPaneProperties(const LevelingModule& m, bool loaded, int section) {
    const SurveyNetwork& net = m.network;
    const LevelingHeader& h = net.leveling;
    static const char* kClasses[] = {"四等水准", "三等水准", "二等水准", "一等水准"};
    const std::string g1 = "水准测量属性", g2 = "测段属性";
    std::vector<PaneProperty> p = {
        {g1, "数据文件", "水准测量数据文件名。", loaded ? net.filePath.string() : "", false, {}},
        {g1, "观测等级", "本次水准测量对应的观测等级。",
         loaded && h.levelClass >= 0 && h.levelClass <= 3 ? kClasses[h.levelClass] : "", false, {}},
        {g1, "仪器类型", "本次水准测量使用的水准仪类型。", loaded ? (h.instrument == 1 ? "DS05水准仪" : "DS3水准仪") : "", false, {}},
        {g1, "定权方式", "平差计算时采用的定权方式。", loaded ? (h.weighting == 1 ? "测站数" : "测段长度") : "", loaded,
         {"测段长度", "测站数"}},
        {g1, "闭合差系数", "高程闭合差的系数，即n√L中的n。", loaded ? format("%5.1f", h.closureCoefficient) : "",
         loaded && levelingCoefficientEditable(net), {}},
    };
    const bool selected = loaded && section >= 0 && section < net.sectionCount();
    LevelingSection s;
    SectionTotals t;
    if (selected) {
        s = net.section(section);
        t = net.sectionTotals(section);
    }
    auto v = [&](std::string text) { return selected ? text : std::string(); };
    p.push_back({g2, "测段起点", "本测段的起始点名。", v(nameOf(s.startName)), false, {}});
    p.push_back({g2, "测段终点", "本测段的终点点名。", v(nameOf(s.endName)), false, {}});
    p.push_back({g2, "参与平差", "本测段是否参与平差；不参与的测段只列出，不进入任何计算。",
                 v(s.excluded ? "否（不参与平差）" : "是"), false, {}});
    p.push_back({g2, "观测日期", "测段的施测日期。", v(formatSurveyDate(s.date)), false, {}});
    p.push_back({g2, "标尺常数", "第一站后视标尺的常数。", v(s.staffSelector != 0 ? "4787" : "4687"), false, {}});
    p.push_back({g2, "测段高差", "本测段所测得的起、终点高差。", v(format("%8.4f", t.heightDifference)), false, {}});
    p.push_back({g2, "测段长度", "本测段起点--终点施测的路线长度。", v(format("%8.3f", t.length())), false, {}});
    p.push_back({g2, "前视距和", "本测段前视的总视距长度。", v(format("%8.2f", t.frontDistanceSum)), false, {}});
    p.push_back({g2, "后视距和", "本测段后视的总视距长度。", v(format("%8.2f", t.backDistanceSum)), false, {}});
    p.push_back({g2, "总测站数", "本测段的测站总数。", v(format("%d", t.stationCount)), false, {}});
    return p;
}

std::vector<PaneProperty> controlPaneProperties(const ControlModule& m, bool loaded, int station) {
    const SurveyNetwork& net = m.network;
    const ControlHeader& h = net.control;
    static const char* kTypes[] = {"水平距离", "倾斜距离", "高差", "平距+高差", "斜距+垂角"};
    auto num = [&](double x) { return loaded ? format("%3.1f", x) : std::string(); };
    const std::string g1 = "控制测量属性", g2 = "闭合差限差", g3 = "测站";
    std::vector<PaneProperty> p = {
        {g1, "数据文件", "控制测量数据文件名。", loaded ? net.filePath.string() : "", false, {}},
        {g1, "观测类型", "控制测量的数据类型。",
         loaded && h.observationType >= 0 && h.observationType <= 4 ? kTypes[h.observationType] : "", false, {}},
        {g1, "角度中误差", "水平角观测的先验中误差，单位:秒", num(h.angleSigma), loaded, {}},
        {g1, "方位中误差", "方位角观测的先验中误差，单位:秒", num(h.azimuthSigma), loaded, {}},
        {g1, "边长固定误差", "测距仪的固定误差，单位:mm。", num(h.distanceFixedError), loaded, {}},
        {g1, "边长比例误差", "测距仪的比例误差，单位:n/1000000", num(h.distancePpm), loaded, {}},
        {g2, "三角形", "三角形闭合差限差。", num(h.triangleClosureLimit), loaded, {}},
        {g2, "方位角系数", "方位角闭合差限差。", num(h.azimuthClosureCoefficient), loaded, {}},
        {g2, "导线全长", "导线全长闭合差限差的系数，即n√N中的n。", num(h.traverseClosureCoefficient), loaded, {}},
        {g2, "高程系数", "高程闭合差的系数，即n√L中的n。", num(h.heightClosureCoefficient), loaded, {}},
    };
    const bool selected = loaded && station >= 0 && station < static_cast<int>(net.stations.size());
    p.push_back({g3, "测站名", "测站的点名。", selected ? nameOf(net.stations[static_cast<std::size_t>(station)].name) : "", false, {}});
    p.push_back({g3, "仪器高", "测站的仪器高度。",
                 selected ? format("%5.3f", net.stations[static_cast<std::size_t>(station)].instrumentHeight) : "", false, {}});
    return p;
}

}  // namespace vornex
