// Writing roads as a LandXML 1.2 file.
#include <pugixml.hpp>

#include <cmath>
#include <ctime>

#include "exchange/landxml.h"
#include "exchange/numbers.h"
#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/profile.h"
#include "text/text.h"

namespace vornex::exchange {
namespace {

constexpr double kDegToRad = kPi / 180.0;

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

void setNumber(pugi::xml_node node, const char* name, double value) {
    node.append_attribute(name).set_value(formatNumber(value).c_str());
}

void addPoint(pugi::xml_node parent, const char* name, double x, double y) {
    parent.append_child(name).text().set((formatNumber(x) + " " + formatNumber(y)).c_str());
}

const char* rotationOf(double radius) { return radius > 0 ? "cw" : "ccw"; }

// One element as Line, Curve or Spiral. A spiral whose curvature changes sign
// has no single turning direction in the format: it is written as two spirals
// that meet at the point of zero curvature.
void writeElement(pugi::xml_node geom, const AlignmentElement& e, double tol) {
    const AlignmentPoint end = pointOnElement(e, e.length, tol);
    const char t = elementTypeLetter(e);
    if (t == 'Z') {
        pugi::xml_node n = geom.append_child("Line");
        setNumber(n, "staStart", e.startStation);
        setNumber(n, "length", e.length);
        setNumber(n, "dir", e.startAzimuth);
        addPoint(n, "Start", e.x, e.y);
        addPoint(n, "End", end.x, end.y);
        return;
    }
    if (t == 'Y') {
        const double r = std::fabs(e.startRadius);
        const double delta = e.length / r;  // radians
        pugi::xml_node n = geom.append_child("Curve");
        n.append_attribute("rot").set_value(rotationOf(e.startRadius));
        n.append_attribute("crvType").set_value("arc");
        setNumber(n, "staStart", e.startStation);
        setNumber(n, "length", e.length);
        setNumber(n, "radius", r);
        setNumber(n, "delta", delta / kDegToRad);
        setNumber(n, "dirStart", e.startAzimuth);
        setNumber(n, "dirEnd", end.azimuth);
        setNumber(n, "chord", joinPoints(end.x - e.x, end.y - e.y).distance);
        addPoint(n, "Start", e.x, e.y);
        PlanePoint c = polarOffset(r, e.startAzimuth + (e.startRadius > 0 ? 90.0 : -90.0));
        addPoint(n, "Center", e.x + c.x, e.y + c.y);
        addPoint(n, "End", end.x, end.y);
        if (delta < kPi * 0.99) {
            PlanePoint pi = polarOffset(r * std::tan(delta / 2), e.startAzimuth);
            addPoint(n, "PI", e.x + pi.x, e.y + pi.y);
        }
        return;
    }
    if (e.startRadius != 0 && e.endRadius != 0 && (e.startRadius > 0) != (e.endRadius > 0)) {
        const double k1 = 1.0 / e.startRadius, k2 = 1.0 / e.endRadius;
        const double tz = e.length * k1 / (k1 - k2);
        AlignmentElement first = e;
        first.length = tz;
        first.endRadius = 0;
        const AlignmentPoint z = pointOnElement(e, tz, tol);
        AlignmentElement second = e;
        second.x = z.x;
        second.y = z.y;
        second.startAzimuth = second.arrivalAzimuth = z.azimuth;
        second.startStation = e.startStation + tz;
        second.startRadius = 0;
        second.length = e.length - tz;
        writeElement(geom, first, tol);
        writeElement(geom, second, tol);
        return;
    }
    const double turnSign = e.startRadius != 0 ? e.startRadius : e.endRadius;
    pugi::xml_node n = geom.append_child("Spiral");
    n.append_attribute("rot").set_value(rotationOf(turnSign));
    n.append_attribute("spiType").set_value("clothoid");
    setNumber(n, "staStart", e.startStation);
    setNumber(n, "length", e.length);
    if (e.startRadius == 0) {
        n.append_attribute("radiusStart").set_value("INF");
    } else {
        setNumber(n, "radiusStart", std::fabs(e.startRadius));
    }
    if (e.endRadius == 0) {
        n.append_attribute("radiusEnd").set_value("INF");
    } else {
        setNumber(n, "radiusEnd", std::fabs(e.endRadius));
    }
    setNumber(n, "dirStart", e.startAzimuth);
    setNumber(n, "dirEnd", end.azimuth);
    addPoint(n, "Start", e.x, e.y);
    // PI: where the start tangent meets the end tangent.
    AlignmentElement local = e;
    local.x = local.y = 0;
    local.startAzimuth = local.arrivalAzimuth = 0;
    const AlignmentPoint le = pointOnElement(local, local.length, tol);
    const double theta = le.azimuth > 180 ? (le.azimuth - 360) * kDegToRad : le.azimuth * kDegToRad;
    if (std::fabs(std::sin(theta)) > 1e-9 && std::fabs(theta) < kPi * 0.99) {
        const double d = le.x - le.y * std::cos(theta) / std::sin(theta);
        PlanePoint pi = polarOffset(d, e.startAzimuth);
        addPoint(n, "PI", e.x + pi.x, e.y + pi.y);
    }
    addPoint(n, "End", end.x, end.y);
}

void writeProfile(pugi::xml_node alignment, const Road& road) {
    if (road.gradePoints.empty()) return;
    pugi::xml_node profile = alignment.append_child("Profile");
    profile.append_attribute("name").set_value(road.name.utf8().c_str());
    pugi::xml_node prof = profile.append_child("ProfAlign");
    prof.append_attribute("name").set_value(road.name.utf8().c_str());
    const int n = static_cast<int>(road.gradePoints.size());
    for (int i = 0; i < n; ++i) {
        const GradePoint& g = road.gradePoints[static_cast<std::size_t>(i)];
        const std::string body = formatNumber(g.station) + " " + formatNumber(g.elevation);
        const bool interior = i > 0 && i + 1 < n && g.verticalRadius != 0;
        VerticalCurve vc = interior ? verticalCurve(road, i, road.calcMethod) : VerticalCurve{};
        const double len = vc.tangent1 + vc.tangent2;
        if (!interior || len == 0) {
            prof.append_child("PVI").text().set(body.c_str());
        } else if (road.calcMethod == kExactMethod) {
            pugi::xml_node c = prof.append_child("CircCurve");
            setNumber(c, "length", len);
            setNumber(c, "radius", std::fabs(g.verticalRadius));
            c.text().set(body.c_str());
        } else {
            pugi::xml_node c = prof.append_child("ParaCurve");
            setNumber(c, "length", std::fabs(vc.gradeChange * g.verticalRadius));  // L = R·|i2 − i1|
            c.text().set(body.c_str());
        }
    }
}

}  // namespace

std::string writeLandXml(const RoadProject& project, std::span<const int> roads) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    doc.append_child(pugi::node_comment)
        .set_value(" Written by Vornex. Points are \"northing easting\"; directions are azimuths from north, "
                   "clockwise, in decimal degrees; stations of elements and profiles are internal stations "
                   "(continuous chainage), the station equations give the design stations. ");
    pugi::xml_node root = doc.append_child("LandXML");
    root.append_attribute("xmlns").set_value("http://www.landxml.org/schema/LandXML-1.2");
    root.append_attribute("version").set_value("1.2");
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char date[16], time[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &tm);
    std::strftime(time, sizeof time, "%H:%M:%S", &tm);
    root.append_attribute("date").set_value(date);
    root.append_attribute("time").set_value(time);

    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    metric.append_attribute("areaUnit").set_value("squareMeter");
    metric.append_attribute("linearUnit").set_value("meter");
    metric.append_attribute("volumeUnit").set_value("cubicMeter");
    metric.append_attribute("temperatureUnit").set_value("celsius");
    metric.append_attribute("pressureUnit").set_value("milliBars");
    metric.append_attribute("angularUnit").set_value("decimal degrees");
    metric.append_attribute("directionUnit").set_value("decimal degrees");

    pugi::xml_node proj = root.append_child("Project");
    proj.append_attribute("name").set_value(project.projectName.utf8().c_str());
    pugi::xml_node app = root.append_child("Application");
    app.append_attribute("name").set_value("Vornex");
    app.append_attribute("manufacturer").set_value("Vornex");
    app.append_attribute("version").set_value("0.1");

    if (!project.controlPoints.empty()) {
        pugi::xml_node cg = root.append_child("CgPoints");
        for (const ControlPoint& p : project.controlPoints) {
            pugi::xml_node n = cg.append_child("CgPoint");
            n.append_attribute("name").set_value(p.name.utf8().c_str());
            if (!p.note.empty()) n.append_attribute("desc").set_value(p.note.utf8().c_str());
            n.text().set((formatNumber(p.x) + " " + formatNumber(p.y) + " " + formatNumber(p.h)).c_str());
        }
    }

    pugi::xml_node alignments = root.append_child("Alignments");
    alignments.append_attribute("name").set_value(project.projectName.utf8().c_str());
    const double tol = curveTolerance(project.precision);
    for (int index : roads) {
        if (index < 0 || index >= static_cast<int>(project.roads.size())) continue;
        const Road& road = project.roads[static_cast<std::size_t>(index)];
        if (road.elements.empty()) continue;
        const AlignmentElement& last = road.elements.back();
        pugi::xml_node a = alignments.append_child("Alignment");
        a.append_attribute("name").set_value(road.name.utf8().c_str());
        setNumber(a, "length", last.startStation + last.length - road.elements.front().startStation);
        setNumber(a, "staStart", road.elements.front().startStation);
        pugi::xml_node geom = a.append_child("CoordGeom");
        for (const AlignmentElement& e : road.elements) writeElement(geom, e, tol);
        double shift = 0;  // design minus continuous station before each break
        for (const ChainBreak& b : road.chainBreaks) {
            pugi::xml_node q = a.append_child("StaEquation");
            setNumber(q, "staBack", b.startStation);
            setNumber(q, "staAhead", b.endStation);
            setNumber(q, "staInternal", b.startStation - shift);
            shift += b.endStation - b.startStation;
        }
        writeProfile(a, road);
        // What the format has no place for goes into a Feature of this program.
        pugi::xml_node feature = a.append_child("Feature");
        feature.append_attribute("code").set_value("Vornex");
        pugi::xml_node prefix = feature.append_child("Property");
        prefix.append_attribute("label").set_value("stationPrefix");
        prefix.append_attribute("value").set_value(road.stationPrefix.utf8().c_str());
    }
    StringWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    return writer.out;
}

}  // namespace vornex::exchange
