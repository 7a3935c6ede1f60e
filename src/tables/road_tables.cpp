#include "tables/road_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/intersection_alignment.h"
#include "geometry/point_to_station.h"
#include "geometry/profile.h"
#include "geometry/stakeout.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "text/text.h"

namespace vornex {
namespace tc = table_code;

namespace {

GridColumn column(const std::string& caption, int width) {
    GridColumn c;
    c.caption = caption;
    c.width = width;
    return c;
}

void setColumns(Grid& g, const std::vector<std::string>& captions, int width = 90) {
    for (const auto& c : captions) g.columns.push_back(column(c, width));
}

const Road* roadAt(const RoadProject& p, int index) {
    if (index < 0 || index >= static_cast<int>(p.roads.size())) return nullptr;
    return &p.roads[static_cast<std::size_t>(index)];
}

// "%8.4f", written through <charconv> (long tables print many of them).
std::string coord(double v) {
    std::string out;
    if (v != kNoValue) text::appendFixed(out, v, 4, 8);
    return out;
}

// Lengths: "%8.3f", and "0.000" for anything below a millimetre either way.
std::string length(double v) {
    if (v == kNoValue) return {};
    if (std::fabs(v) < 0.001) return "0.000";
    return text::format("%8.3f", v);
}

std::string kmStation(const Road& road, double c) { return formatStation(road, c, true); }

void set(GridRow& row, int col, std::string t, bool red = false) {
    GridCell& c = row.cells.at(static_cast<std::size_t>(col));
    c.text = std::move(t);
    c.red = red;
}

// Continuous chainage of a chain break's spot: its start station written
// "%8.3f" and read back as typed.
// A row lies on a chain break when it is this close (rows are set onto the
// break's exact chainage; the margin only absorbs rounding).
bool atSpot(double a, double b) { return std::fabs(a - b) <= 1e-8 + 1e-14 * std::fabs(a); }

}  // namespace

bool isRoadResultCode(int code) { return code <= tc::kCurveElements && code >= tc::kStructureStakeout; }

Grid buildRoadTable(const RoadProject& project, int road, int code, double interval) {
    switch (code) {
        case tc::kCurveElements: return buildCurveElementTable(project, road);
        case tc::kElementList: return buildElementTable(project, road);
        case tc::kCoordinates: return buildCoordinateTable(project, road, interval);
        case tc::kVerticalCurves: return buildVerticalCurveTable(project, road);
        case tc::kBridgePositions: return buildBridgePositionTable(project, road);
        case tc::kStructureStakeout: return buildStructureStakeoutTable(project, road);
        default: {
            Grid g;
            g.code = code;
            return g;
        }
    }
}

// ---- curve elements ---------------------------------------------------------------

Grid buildCurveElementTable(const RoadProject& project, int roadIndex) {
    Grid g;
    g.code = tc::kCurveElements;
    setColumns(g, {"主点位置", "交点名称", "桩号", "坐标X(m)", "坐标Y(m)", "转 角", "T1", "T2", "A1", "Ry", "A2", "Ls1",
                   "Ly", "Ls2", "曲线全长", "外距", "ZH桩号", "HY/ZY桩号", "QZ桩号", "YH/YZ桩号", "HZ桩号", "交点间距",
                   "直线段长", "方位角"});
    const Road* road = roadAt(project, roadIndex);
    if (!road || road->intersectionPoints.empty()) return g;
    const double tol = curveTolerance(project.precision);
    const std::vector<IntersectionPointCurve> table = curveTable(*road, tol);
    // The main points through the index: a long road's table stays linear.
    const AlignmentIndex index(road->elements, tol);
    const int n = static_cast<int>(road->intersectionPoints.size());
    for (int i = 0; i < n && i < static_cast<int>(table.size()); ++i) {
        const IntersectionPoint& ip = road->intersectionPoints[static_cast<std::size_t>(i)];
        const IntersectionPointCurve& t = table[static_cast<std::size_t>(i)];
        GridRow* rows[3];
        for (auto& r : rows) r = &g.addRow(i);
        // addRow may move the rows: take the addresses again.
        int base = g.rowCount() - 3;
        for (int k = 0; k < 3; ++k) rows[k] = &g.rows[static_cast<std::size_t>(base + k)];
        set(*rows[0], 0, "桩号");
        set(*rows[1], 0, "坐标X");
        set(*rows[2], 0, "坐标Y");
        set(*rows[0], 1, ip.name.utf8());
        set(*rows[0], 2, kmStation(*road, t.station));
        set(*rows[0], 3, coord(ip.x));
        set(*rows[0], 4, coord(ip.y));
        bool end = i == 0 || i == n - 1;
        bool virtualMember = ip.radius < 0 && !end;
        if (virtualMember) {
            set(*rows[0], 5, "虚交点");
        } else if (!end) {
            const CurveElements& c = t.curve;
            double alpha = c.deflection;
            set(*rows[0], 5, (alpha < 0 ? "左 " : "右 ") + formatDms(std::fabs(alpha)));
            set(*rows[0], 6, length(c.tangent1));
            set(*rows[0], 7, length(c.tangent2));
            if (c.spiral1Parameter != 0) set(*rows[0], 8, length(c.spiral1Parameter));
            set(*rows[0], 9, length(std::fabs(t.radius)));
            if (c.spiral2Parameter != 0) set(*rows[0], 10, length(c.spiral2Parameter));
            if (t.spiralIn != 0) set(*rows[0], 11, length(t.spiralIn));
            set(*rows[0], 12, length(t.arcLength));
            if (t.spiralOut != 0) set(*rows[0], 13, length(t.spiralOut));
            set(*rows[0], 14, length(c.curveLength));
            set(*rows[0], 15, length(c.externalDistance));
            // Main points: station, X and Y stacked in the block's three rows.
            const double mains[5] = {t.spiralIn != 0 ? t.zh : kNoValue, t.hyZy, t.qz, t.yhYz,
                                     t.spiralOut != 0 ? t.hz : kNoValue};
            for (int k = 0; k < 5; ++k) {
                double s = mains[k];
                if (s == kNoValue) continue;
                AlignmentPoint p;
                if (index.pointAtStation(s, 0, 90, p) != 1) continue;
                set(*rows[0], 16 + k, kmStation(*road, s));
                set(*rows[1], 16 + k, coord(p.x));
                set(*rows[2], 16 + k, coord(p.y));
            }
        }
        if (i < n - 1) {
            set(*rows[2], 21, length(t.legLength));
            if (t.straightLength != kNoValue) set(*rows[2], 22, length(t.straightLength), t.straightLength < -0.001);
            set(*rows[2], 23, formatDms(t.legAzimuth));
        }
    }
    return g;
}

// ---- element list ------------------------------------------------------------------

Grid buildElementTable(const RoadProject& project, int roadIndex) {
    Grid g;
    g.code = tc::kElementList;
    setColumns(g, {"点名", "桩号(m)", "坐标X(m)", "坐标Y(m)", "方位角", "线型", "曲线长", "半径或回旋参数"});
    const Road* road = roadAt(project, roadIndex);
    if (!road || road->elements.empty()) return g;
    for (int i = 0; i < static_cast<int>(road->elements.size()); ++i) {
        const AlignmentElement& e = road->elements[static_cast<std::size_t>(i)];
        GridRow& row = g.addRow(i);
        set(row, 0, e.name.utf8());
        set(row, 1, kmStation(*road, e.startStation));
        set(row, 2, coord(e.x));
        set(row, 3, coord(e.y));
        set(row, 4, formatDms(e.startAzimuth));
        set(row, 5, elementTypeText(e.startRadius, e.endRadius));
        set(row, 6, length(e.length), e.length < -0.001);
        double r1 = e.startRadius, r2 = e.endRadius;
        if (r1 != r2) {
            // Spiral parameter A = √|L·R1·R2/(R1 − R2)|, or √|L·R| from a straight.
            double a = (r1 == 0 || r2 == 0) ? std::sqrt(std::fabs(e.length * (r1 == 0 ? r2 : r1)))
                                            : std::sqrt(std::fabs(e.length * r1 * r2 / (r1 - r2)));
            set(row, 7, text::format("A=%8.3f", a));
        } else if (r1 != 0) {
            set(row, 7, text::format("R=%8.3f", std::fabs(r1)));
        }
    }
    const double end = alignmentEnd(*road);
    AlignmentPoint p;
    GridRow& zd = g.addRow(-1);
    set(zd, 0, "ZD");
    set(zd, 1, kmStation(*road, end));
    if (pointAtStation(*road, end, curveTolerance(project.precision), 0, 90, p) == 1) {
        set(zd, 2, coord(p.x));
        set(zd, 3, coord(p.y));
        set(zd, 4, formatDms(p.azimuth));
    }
    return g;
}

// ---- coordinate table -------------------------------------------------------------------

bool validCoordinateInterval(double interval) {
    return interval >= kMinCoordinateInterval && interval <= kMaxCoordinateInterval;
}

namespace {

// nextTableStation; with `index` (built on the road's elements) the element
// holding c is found by its binary search instead of a walk from the start, so
// a whole table stays linear in its rows.
double nextTableStationOn(const Road& road, const AlignmentIndex* index, double c, double interval) {
    const double start = alignmentStart(road), end = alignmentEnd(road);
    if (start == kNoValue || !(interval > 0)) return c;
    // Design station of the current row; the next multiple of the interval is
    // sought above it as its plain text reads (a row printed as 200.000 goes on
    // to 300 even when it lies at 199.9996).
    double design = toDesignStation(road, c).station;
    // One pass over the breaks in table order with their exact chainages (the
    // back station less the shifts before it): the break on this row, whose end
    // station the stationing goes on from, and the first break ahead of it.
    double nextBreak = kNoValue, shift = 0;
    for (const ChainBreak& b : road.chainBreaks) {
        const double bc = b.startStation - shift;
        shift += b.endStation - b.startStation;
        if (atSpot(bc, c)) {
            design = b.endStation;
        } else if (bc > c && nextBreak == kNoValue) {
            nextBreak = bc;
        }
    }
    // The station as its "%.3f" text reads back. For k whole millimetres that
    // text reads as k / 1000 (both are the double nearest to k/1000), and k is
    // design·1000 rounded, unless the product lies so near a half millimetre
    // that its own rounding error could decide it: then the text is written.
    const double mm = design * 1000, k = std::nearbyint(mm);
    double s = k / 1000;
    if (!(std::fabs(mm) < 0x1p52 && std::fabs(std::fabs(mm - k) - 0.5) > std::fabs(mm) * 0x1p-50)) {
        std::string printed;
        text::appendFixed(printed, design, 3, 0);
        s = text::parseNumber(printed);
    }
    double m = interval * std::trunc((s + interval) / interval);
    if (std::fabs(s - m) > interval) m -= interval;
    // The division can land a hair low (at a 7.3 m step, 29.2 / 7.3 gives
    // 3.99999...), and a multiple of a step that is no whole number of
    // millimetres can print as this row does: either way m would be this row
    // again and the table would end here. The next row is the next multiple.
    if (!(m - s >= 0.0005 && m > design)) m += interval;
    // Up to the next break the design station grows with the chainage, so the
    // target is reached on this row's own stretch; past the next break the
    // break itself is the next row. Walking the stretch (rather than reading m
    // back through the breaks) keeps every row on the right side of a break
    // whatever the fraction of its stations.
    double target = c + (m - design);
    // (a) every chain break is a row. A break less than half a millimetre past
    // the target takes the target's place, so that no row prints as the
    // break's station without being the break.
    if (nextBreak != kNoValue && nextBreak < target + 0.0005) target = nextBreak;
    // (b) every main point is a row: the end of the element that holds c (the
    // first whose end lies past c + 1 mm; the index's search finds the same one).
    if (index) {
        const int i = index->elementAtStation(c + 0.001);
        if (i >= 0) {
            const AlignmentElement& e = road.elements[static_cast<std::size_t>(i)];
            const double eEnd = e.startStation + e.length;
            if (eEnd > c + 0.001 && !(target <= eEnd - 0.001)) target = eEnd;
        }
    } else {
        for (const AlignmentElement& e : road.elements) {
            double eEnd = e.startStation + e.length;
            if (eEnd > c + 0.001) {
                if (!(target <= eEnd - 0.001)) target = eEnd;
                break;
            }
        }
    }
    if (target < start) target = start;
    if (target > end) target = end;
    if (!std::isfinite(target)) return c;
    return target;
}

}  // namespace

double nextTableStation(const Road& road, double c, double interval) {
    return nextTableStationOn(road, nullptr, c, interval);
}

Grid buildCoordinateTable(const RoadProject& project, int roadIndex, double interval) {
    Grid g;
    g.code = tc::kCoordinates;
    setColumns(g, {"桩号(m)", "坐标X(m)", "坐标Y(m)", "设计高程", "方位角", "备注"}, 110);
    const Road* road = roadAt(project, roadIndex);
    if (!road || road->elements.empty()) return g;
    const double tol = curveTolerance(project.precision);
    std::vector<double> breaks;
    for (std::size_t k = 0; k < road->chainBreaks.size(); ++k) breaks.push_back(chainBreakChainage(*road, k));
    if (!validCoordinateInterval(interval)) return g;
    const ProfileSearch profile = profileSearch(*road);
    const AlignmentIndex index(road->elements, tol);
    double c = alignmentStart(*road);
    // A row per interval, per element end and per break, and the cut row.
    const double rows = (alignmentEnd(*road) - c) / interval + static_cast<double>(road->elements.size()) +
                        static_cast<double>(breaks.size()) + 2;
    g.rows.reserve(static_cast<std::size_t>(std::isfinite(rows) ? std::clamp(rows, 0.0, kMaxCoordinateRows + 1.0) : 0.0));
    for (int n = 0;; ++n) {
        if (n == kMaxCoordinateRows) {
            GridRow& cut = g.addRow(-1);
            set(cut, 0, kCoordinateTableCutText, true);
            break;
        }
        GridRow& row = g.addRow(-1);
        set(row, 0, kmStation(*road, c));
        AlignmentPoint p;
        if (index.pointAtStation(c, 0, 90, p) == 1) {
            set(row, 1, coord(p.x));
            set(row, 2, coord(p.y));
            set(row, 4, formatDms(p.azimuth));
        }
        ProfileElevation z = designElevation(*road, profile, c);
        if (z.inProfile) {
            std::string h;
            text::appendFixed(h, z.elevation, 3, 8);
            set(row, 3, std::move(h));
        }
        std::string remark = p.name;
        if (remark.empty())
            for (std::size_t k = 0; k < breaks.size(); ++k)
                if (atSpot(breaks[k], c)) {
                    remark = chainBreakRemark(road->chainBreaks[k]);
                    break;
                }
        set(row, 5, remark);
        double next = nextTableStationOn(*road, &index, c, interval);
        if (!(next > c)) break;
        c = next;
    }
    return g;
}

// ---- vertical curves -----------------------------------------------------------------

Grid buildVerticalCurveTable(const RoadProject& project, int roadIndex) {
    Grid g;
    g.code = tc::kVerticalCurves;
    setColumns(g, {"桩号", "高程", "凹凸", "半径", "T1", "T2", "外距", "变坡点间距", "直坡段长", "坡度%"});
    const Road* road = roadAt(project, roadIndex);
    if (!road) return g;
    for (int i = 0; i < static_cast<int>(road->gradePoints.size()); ++i) {
        GradePointValues v = gradePointValues(*road, i);
        GridRow& row = g.addRow(i);
        set(row, 0, kmStation(*road, v.station));
        set(row, 1, text::format("%8.3f", v.elevation));
        if (v.interior) {
            set(row, 2, std::string(curveKindText(v.sag)));
            set(row, 3, text::format("%8.3f", v.radius));
            set(row, 4, text::format("%8.3f", v.tangent1));
            set(row, 5, text::format("%8.3f", v.tangent2));
            set(row, 6, text::format("%8.3f", v.externalDistance));
        }
        if (v.hasBack) {
            set(row, 7, text::format("%8.3f", v.backDistance));
            set(row, 8, text::format("%8.3f", v.straightLength), v.straightLength < -0.001);
            set(row, 9, text::format("%8.3f", v.gradePercent));
        }
    }
    return g;
}

// ---- structures and bridges --------------------------------------------------------------

Grid buildStructureStakeoutTable(const RoadProject& project, int roadIndex) {
    Grid g;
    g.code = tc::kStructureStakeout;
    setColumns(g, {"桩  号", "(m)", "左 前", "左 中", "左 后", "中心点", "右 前", "右 中", "右 后"});
    const Road* road = roadAt(project, roadIndex);
    if (!road) return g;
    for (int i = 0; i < static_cast<int>(road->structures.size()); ++i) {
        const Structure& s = road->structures[static_cast<std::size_t>(i)];
        StructureStakeout out;
        bool ok = structureStakeout(*road, s, out);
        int base = g.rowCount();
        for (int k = 0; k < 3; ++k) g.addRow(i);
        GridRow* rows[3] = {&g.rows[static_cast<std::size_t>(base)], &g.rows[static_cast<std::size_t>(base + 1)],
                            &g.rows[static_cast<std::size_t>(base + 2)]};
        set(*rows[0], 0, kmStation(*road, s.station));
        set(*rows[0], 1, "坐标X(m)");
        set(*rows[1], 1, "坐标Y(m)");
        set(*rows[2], 1, "坐标Z(m)");
        if (!ok) continue;
        for (int k = 0; k < 7; ++k) {
            const StakeoutPoint& p = out.points[static_cast<std::size_t>(k)];
            set(*rows[0], 2 + k, text::format("%8.4f", p.x));
            set(*rows[1], 2 + k, text::format("%8.4f", p.y));
            set(*rows[2], 2 + k, text::format("%8.3f", p.z));
        }
    }
    return g;
}

Grid buildBridgePositionTable(const RoadProject& project, int roadIndex) {
    Grid g;
    g.code = tc::kBridgePositions;
    setColumns(g, {"桩柱编号", "桩号/柱名", "X坐标(m)", "Y坐标(m)", "夹角/高程"});
    const Road* road = roadAt(project, roadIndex);
    if (!road || road->currentBridge < 0 || road->currentBridge >= static_cast<int>(road->bridges.size())) return g;
    const Bridge& b = road->bridges[static_cast<std::size_t>(road->currentBridge)];
    const double tol = curveTolerance(project.precision);
    for (int i = 0; i < static_cast<int>(b.piers.size()); ++i) {
        const Pier& pier = b.piers[static_cast<std::size_t>(i)];
        AlignmentPoint c;
        bool ok = pierCentre(*road, b, pier, tol, c);
        GridRow& row = g.addRow(i);
        set(row, 0, pier.name.utf8());
        set(row, 1, kmStation(*road, pier.station));
        if (ok) {
            set(row, 2, coord(c.x));
            set(row, 3, coord(c.y));
        }
        set(row, 4, formatDms(pier.angle));
        for (const Pile& pile : pier.piles) {
            GridRow& pr = g.addRow(i);
            set(pr, 1, pile.name.utf8());
            if (ok || pile.coordMode == 1) {
                PlanePoint p = pilePosition(c, pier, pile);
                set(pr, 2, coord(p.x));
                set(pr, 3, coord(p.y));
            }
            set(pr, 4, text::format("%8.3f", pile.elevation));
        }
    }
    return g;
}

}  // namespace vornex
