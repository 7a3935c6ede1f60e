#include "exchange/dxf_plan.h"

#include <dxflib/dl_dxf.h>
#include <dxflib/dl_writer_ascii.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <sstream>

#include "exchange/numbers.h"
#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/stations.h"
#include "text/text.h"

namespace vornex::exchange {
namespace {

constexpr double kDegToRad = kPi / 180.0;
constexpr double kTickLength = 3.0;     // m, to the left of the centre line
constexpr double kTextHeight = 2.0;     // m
constexpr double kMarkRadius = 0.5;     // m, circle at a main point
// Largest distance between a spiral and its polyline (m): a millimetre, with
// room to spare for the polyline's own rounding.
constexpr double kChordError = 0.0005;
// Most vertices of one spiral's polyline (an absurd spiral of a huge file
// still ends).
constexpr int kMaxSpiralPieces = 100000;

// dxflib's ASCII writer made to write into a stream, so that the file goes
// through the program's own write door (whole or not at all) without being
// built in memory first.
class StreamWriter : public DL_WriterA {
public:
    StreamWriter(std::ostream& out, DL_Codes::version version) : DL_WriterA("", version), out_(out) {}
    void dxfReal(int gc, double value) const override {
        std::string v = formatNumber(value);
        if (v.find('.') == std::string::npos) v += ".0";
        code(gc);
        out_ << v << '\n';
    }
    void dxfInt(int gc, int value) const override {
        code(gc);
        out_ << value << '\n';
    }
    void dxfHex(int gc, int value) const override {
        code(gc);
        out_ << text::format("%X\n", static_cast<unsigned>(value));
    }
    void dxfString(int gc, const char* value) const override {
        code(gc);
        out_ << value << '\n';
    }
    void dxfString(int gc, const std::string& value) const override {
        code(gc);
        out_ << value << '\n';
    }

private:
    void code(int gc) const { out_ << text::format("%3d\n", gc); }
    std::ostream& out_;
};

// CAD's X is the easting (this system's Y), its Y the northing (X).
struct CadPoint {
    double x, y;
};
CadPoint cad(double northing, double easting) { return {easting, northing}; }
CadPoint cad(const AlignmentPoint& p) { return cad(p.x, p.y); }

// An azimuth (clockwise from north) as a CAD angle (counter-clockwise from east).
double cadAngle(double azimuth) { return normalizeAngle(90.0 - azimuth); }

class PlanWriter {
public:
    PlanWriter(const RoadProject& project, StreamWriter& dw, double tickInterval, long long tickBudget)
        : project_(project), dw_(dw), tickInterval_(tickInterval), ticksLeft_(tickBudget) {}

    void road(const Road& road);

private:
    DL_Attributes on(const char* layer) const { return DL_Attributes(layer, 256, 0, "BYLAYER", 1.0); }
    void line(const char* layer, CadPoint a, CadPoint b) {
        dxf_.writeLine(dw_, DL_LineData(a.x, a.y, 0, b.x, b.y, 0), on(layer));
    }
    void polyline(const char* layer, const std::vector<CadPoint>& points) {
        dxf_.writePolyline(dw_, DL_PolylineData(static_cast<int>(points.size()), 0, 0, 0), on(layer));
        for (const CadPoint& p : points) dxf_.writeVertex(dw_, DL_VertexData(p.x, p.y, 0, 0));
        dxf_.writePolylineEnd(dw_);
    }
    // Text (GBK bytes) at a point, turned by `angle` degrees (CAD).
    void label(const char* layer, CadPoint at, const std::string& gbk, double angle) {
        dxf_.writeText(dw_, DL_TextData(at.x, at.y, 0, at.x, at.y, 0, kTextHeight, 1.0, 0, 0, 0, gbk, "Standard",
                                        angle * kDegToRad),
                       on(layer));
    }
    void element(const AlignmentElement& e, double tol);
    void stationTicks(const Road& road, double tol);
    void mainPoints(const Road& road, double tol);
    void intersectionPolygon(const Road& road);

    const RoadProject& project_;
    StreamWriter& dw_;
    DL_Dxf dxf_;
    double tickInterval_;
    long long ticksLeft_;
};

void PlanWriter::element(const AlignmentElement& e, double tol) {
    const AlignmentPoint end = pointOnElement(e, e.length, tol);
    const char t = elementTypeLetter(e);
    if (t == 'Z') {
        line(kLayerCentreLine, cad(e.x, e.y), cad(end));
        return;
    }
    if (t == 'Y') {
        const double r = std::fabs(e.startRadius);
        const PlanePoint c = polarOffset(r, e.startAzimuth + (e.startRadius > 0 ? 90.0 : -90.0));
        const double cx = e.x + c.x, cy = e.y + c.y;
        const double from = cadAngle(joinPoints(e.x - cx, e.y - cy).azimuth);
        const double to = cadAngle(joinPoints(end.x - cx, end.y - cy).azimuth);
        // CAD arcs run counter-clockwise: a right turn (clockwise on the map) is
        // written from its end to its start.
        const CadPoint centre = cad(cx, cy);
        if (e.startRadius > 0) {
            dxf_.writeArc(dw_, DL_ArcData(centre.x, centre.y, 0, r, to, from), on(kLayerCentreLine));
        } else {
            dxf_.writeArc(dw_, DL_ArcData(centre.x, centre.y, 0, r, from, to), on(kLayerCentreLine));
        }
        return;
    }
    // A spiral as a polyline: a chord c of a curve of radius R stands off it by
    // about c²/(8R), so chords of √(8·R·e) keep within e of the sharpest radius.
    double rMin = 0;
    for (double r : {e.startRadius, e.endRadius}) {
        if (r != 0) rMin = rMin == 0 ? std::fabs(r) : std::min(rMin, std::fabs(r));
    }
    const double chord = std::sqrt(8.0 * rMin * kChordError);
    const int pieces = static_cast<int>(std::clamp(std::ceil(e.length / chord), 2.0, double(kMaxSpiralPieces)));
    std::vector<CadPoint> points;
    points.reserve(static_cast<std::size_t>(pieces) + 1);
    for (int k = 0; k <= pieces; ++k) points.push_back(cad(pointOnElement(e, e.length * k / pieces, tol)));
    polyline(kLayerCentreLine, points);
}

void PlanWriter::stationTicks(const Road& road, double tol) {
    const double start = alignmentStart(road), end = alignmentEnd(road);
    // Between chain breaks the design station is the chainage plus a shift; a
    // break applies beyond the chainage where its back station falls.
    struct Stretch {
        double from, to, shift;
    };
    std::vector<Stretch> stretches;
    double shift = 0, from = start;
    for (const ChainBreak& b : road.chainBreaks) {
        const double at = b.startStation - shift;
        if (at >= end) break;
        if (at > from) {
            stretches.push_back({from, at, shift});
            from = at;
        }
        shift += b.endStation - b.startStation;
    }
    stretches.push_back({from, end, shift});
    // The ticks come in order of chainage: the element that holds each one is
    // found by walking on from the last, not by a search from the start.
    const std::span<const AlignmentElement> elements(road.elements);
    std::size_t at = 0;
    auto pointAt = [&](double c, double offset, AlignmentPoint& p) {
        while (at + 1 < elements.size() && c >= elements[at].startStation + elements[at].length) ++at;
        pointAtStation(elements.subspan(at), c, tol, offset, 270, p);
    };
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const Stretch& st = stretches[i];
        // Whole multiples of the interval; a stretch after a break leaves out
        // its first chainage, which shows the back station.
        long long k = static_cast<long long>(std::ceil((st.from + st.shift) / tickInterval_ - 1e-9));
        if (i > 0 && k * tickInterval_ - st.shift <= st.from + 1e-9) ++k;
        for (; k * tickInterval_ - st.shift <= st.to + 1e-9 && ticksLeft_ > 0; ++k, --ticksLeft_) {
            const double c = k * tickInterval_ - st.shift;
            AlignmentPoint on, off, textAt;
            pointAt(c, 0, on);
            pointAt(c, kTickLength, off);
            pointAt(c, kTickLength + 0.5, textAt);
            line(kLayerStations, cad(on), cad(off));
            const std::string kText = text::utf8ToGbk(std::string(text::trim(formatStation(road, c, true))));
            label(kLayerStations, cad(textAt), kText, cadAngle(on.azimuth - 90.0));  // reading away from the road
        }
    }
}

void PlanWriter::mainPoints(const Road& road, double tol) {
    auto mark = [&](const AlignmentPoint& p, const std::string& name, double chainage) {
        dxf_.writeCircle(dw_, DL_CircleData(cad(p).x, cad(p).y, 0, kMarkRadius), on(kLayerMainPoints));
        // The name 1.5 m to the right of the point, square to the road.
        const PlanePoint d = polarOffset(1.5, p.azimuth + 90.0);
        AlignmentPoint at = p;
        at.x += d.x;
        at.y += d.y;
        const std::string k = text::utf8ToGbk(name + " " + std::string(text::trim(formatStation(road, chainage, true))));
        label(kLayerMainPoints, cad(at), k, cadAngle(p.azimuth + 90.0));
    };
    for (const AlignmentElement& e : road.elements) {
        AlignmentPoint p = pointOnElement(e, 0, tol);
        mark(p, e.name.utf8(), e.startStation);
    }
    const AlignmentElement& last = road.elements.back();
    mark(pointOnElement(last, last.length, tol), "ZD", last.startStation + last.length);
    // The road's name beside its start.
    const AlignmentElement& first = road.elements.front();
    AlignmentPoint at = pointOnElement(first, 0, tol);
    const PlanePoint d = polarOffset(8.0, first.startAzimuth + 270.0);
    at.x += d.x;
    at.y += d.y;
    label(kLayerMainPoints, cad(at), road.name.str(), cadAngle(first.startAzimuth));
}

void PlanWriter::intersectionPolygon(const Road& road) {
    if (road.curveForm != 0 || road.intersectionPoints.size() < 2) return;
    std::vector<CadPoint> points;
    for (const IntersectionPoint& p : road.intersectionPoints) points.push_back(cad(p.x, p.y));
    polyline(kLayerIntersections, points);
    for (const IntersectionPoint& p : road.intersectionPoints) {
        CadPoint at = cad(p.x, p.y);
        label(kLayerIntersections, {at.x + 1.0, at.y + 1.0}, p.name.str(), 0);
    }
}

void PlanWriter::road(const Road& road) {
    const double tol = curveTolerance(project_.precision);
    for (const AlignmentElement& e : road.elements) element(e, tol);
    stationTicks(road, tol);
    mainPoints(road, tol);
    intersectionPolygon(road);
}

}  // namespace

double tickInterval(const RoadProject& project, std::span<const int> roads) {
    double length = 0;
    for (int index : roads) {
        if (index < 0 || index >= static_cast<int>(project.roads.size())) continue;
        const Road& road = project.roads[static_cast<std::size_t>(index)];
        if (road.elements.empty()) continue;
        double shortChains = 0;  // stations a short chain skips carry no tick
        for (const ChainBreak& b : road.chainBreaks) shortChains += std::max(0.0, b.startStation - b.endStation);
        length += alignmentEnd(road) - alignmentStart(road) + shortChains;
    }
    for (double step : kTickIntervals) {
        if (length / step < static_cast<double>(kMaxStationTicks)) return step;
    }
    return kTickIntervals[std::size(kTickIntervals) - 1];
}

bool writeDxfPlan(const RoadProject& project, std::span<const int> roads, std::ostream& out) {
    StreamWriter dw(out, DL_Codes::AC1015);
    DL_Dxf dxf;
    dxf.writeComment(dw, "Vornex road plan. X of this drawing is the easting and Y the northing, in metres.");
    dxf.writeHeader(dw);
    dw.dxfString(9, "$DWGCODEPAGE");  // texts are GBK
    dw.dxfString(3, "ANSI_936");
    dw.dxfString(9, "$INSUNITS");
    dw.dxfInt(70, 6);  // metres
    dw.sectionEnd();

    dw.sectionTables();
    dxf.writeVPort(dw);
    dw.tableLinetypes(3);
    dxf.writeLinetype(dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf.writeLinetype(dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf.writeLinetype(dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    dw.tableEnd();
    struct Layer {
        const char* name;
        int colour;
    };
    const Layer layers[] = {{"0", 7},           {kLayerCentreLine, 1}, {kLayerStations, 3},
                            {kLayerMainPoints, 2}, {kLayerIntersections, 5}};
    dw.tableLayers(static_cast<int>(std::size(layers)));
    for (const Layer& l : layers) {
        dxf.writeLayer(dw, DL_LayerData(l.name, 0), DL_Attributes("", l.colour, 100, "CONTINUOUS", 1.0));
    }
    dw.tableEnd();
    // The text style names its fonts in the STYLE entry itself (group codes 3
    // and 4), where CAD programs look: the shape font txt.shx with the GB
    // big font gbcbig.shx, the usual pair of Chinese drawings, so that the GBK
    // texts show in Chinese wherever those fonts (or their substitutes) exist.
    dw.tableStyle(1);
    dw.dxfString(0, "STYLE");
    dw.handle();
    dw.dxfHex(330, 3);  // the STYLE table
    dw.dxfString(100, "AcDbSymbolTableRecord");
    dw.dxfString(100, "AcDbTextStyleTableRecord");
    dw.dxfString(2, "Standard");
    dw.dxfInt(70, 0);
    dw.dxfReal(40, 0.0);  // no fixed height
    dw.dxfReal(41, 1.0);
    dw.dxfReal(50, 0.0);
    dw.dxfInt(71, 0);
    dw.dxfReal(42, kTextHeight);
    dw.dxfString(3, kTextFont);
    dw.dxfString(4, kBigFont);
    dw.tableEnd();
    dxf.writeView(dw);
    dxf.writeUcs(dw);
    dw.tableAppid(1);
    dxf.writeAppid(dw, "ACAD");
    dw.tableEnd();
    dxf.writeDimStyle(dw, 1, 1, 1, 1, 1);
    dxf.writeBlockRecord(dw);
    dw.tableEnd();
    dw.sectionEnd();

    dw.sectionBlocks();
    dxf.writeBlock(dw, DL_BlockData("*Model_Space", 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(dw, "*Model_Space");
    dxf.writeBlock(dw, DL_BlockData("*Paper_Space", 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(dw, "*Paper_Space");
    dxf.writeBlock(dw, DL_BlockData("*Paper_Space0", 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(dw, "*Paper_Space0");
    dw.sectionEnd();

    dw.sectionEntities();
    PlanWriter plan(project, dw, tickInterval(project, roads), kMaxStationTicks);
    for (int index : roads) {
        if (index < 0 || index >= static_cast<int>(project.roads.size())) continue;
        const Road& road = project.roads[static_cast<std::size_t>(index)];
        if (!road.elements.empty()) plan.road(road);
        if (!out.good()) return false;
    }
    dw.sectionEnd();
    dxf.writeObjects(dw);
    dxf.writeObjectsEnd(dw);
    dw.dxfEOF();
    return out.good();
}

std::string writeDxfPlan(const RoadProject& project, std::span<const int> roads) {
    std::ostringstream out;
    writeDxfPlan(project, roads, out);
    return out.str();
}

}  // namespace vornex::exchange
