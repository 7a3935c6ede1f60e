// An alignment computed independently of the geometry layer, for checking
// imported roads: each piece is integrated numerically from its curvature
// (composite Simpson over the heading φ(s) = k1·s + (k2 − k1)·s²/(2L)), and
// the LandXML text of the pieces is written from those coordinates.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vornex::testing {

struct Pose {
    double x = 0, y = 0;  // northing, easting
    double azimuth = 0;   // degrees, clockwise from north
};

// One piece: a straight (both radii 0), an arc (equal radii) or a clothoid;
// radii positive to the right, 0 infinite.
struct Piece {
    double length = 0;
    double r1 = 0, r2 = 0;
};

inline double curvature(double r) { return r == 0 ? 0.0 : 1.0 / r; }

// Pose at distance s along a piece that starts at `start`.
inline Pose walkPiece(const Pose& start, const Piece& p, double s) {
    const double k1 = curvature(p.r1), k2 = curvature(p.r2);
    const double a0 = start.azimuth * M_PI / 180.0;
    auto heading = [&](double u) { return a0 + k1 * u + (k2 - k1) * u * u / (2.0 * p.length); };
    const int n = 2000;  // even
    const double h = s / n;
    double sx = 0, sy = 0;
    for (int i = 0; i <= n; ++i) {
        const double w = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
        const double phi = heading(i * h);
        sx += w * std::cos(phi);
        sy += w * std::sin(phi);
    }
    Pose out;
    out.x = start.x + sx * h / 3;
    out.y = start.y + sy * h / 3;
    out.azimuth = std::fmod(heading(s) * 180.0 / M_PI + 3600.0, 360.0);
    return out;
}

struct IndependentRoad {
    Pose start;
    double startStation = 0;
    std::vector<Piece> pieces;

    double endStation() const {
        double s = startStation;
        for (const Piece& p : pieces) s += p.length;
        return s;
    }
    // Pose at a continuous station within the road.
    Pose at(double station) const {
        Pose pose = start;
        double s = station - startStation;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const Piece& p = pieces[i];
            if (s <= p.length || i + 1 == pieces.size()) return walkPiece(pose, p, s);
            pose = walkPiece(pose, p, p.length);
            s -= p.length;
        }
        return pose;
    }
};

inline std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    return buf;
}

inline std::string pointText(const Pose& p) { return num(p.x) + " " + num(p.y); }

// The CoordGeom elements of the road: Line, Curve (with its centre) and clothoid
// Spiral, each with Start and End.
inline std::string coordGeom(const IndependentRoad& road) {
    std::string out = "<CoordGeom>\n";
    Pose pose = road.start;
    double station = road.startStation;
    for (const Piece& p : road.pieces) {
        const Pose end = walkPiece(pose, p, p.length);
        const std::string ends = "<Start>" + pointText(pose) + "</Start><End>" + pointText(end) + "</End>";
        const char* rot = (p.r1 != 0 ? p.r1 : p.r2) > 0 ? "cw" : "ccw";
        if (p.r1 == 0 && p.r2 == 0) {
            out += "<Line staStart=\"" + num(station) + "\" length=\"" + num(p.length) + "\">" + ends + "</Line>\n";
        } else if (p.r1 == p.r2) {
            const double side = p.r1 > 0 ? 90 : -90;
            const double a = (pose.azimuth + side) * M_PI / 180;
            Pose c{pose.x + std::fabs(p.r1) * std::cos(a), pose.y + std::fabs(p.r1) * std::sin(a), 0};
            out += "<Curve rot=\"" + std::string(rot) + "\" radius=\"" + num(std::fabs(p.r1)) + "\" length=\"" +
                   num(p.length) + "\" staStart=\"" + num(station) + "\"><Start>" + pointText(pose) +
                   "</Start><Center>" + pointText(c) + "</Center><End>" + pointText(end) + "</End></Curve>\n";
        } else {
            auto radius = [](double r) { return r == 0 ? std::string("INF") : num(std::fabs(r)); };
            out += "<Spiral rot=\"" + std::string(rot) + "\" spiType=\"clothoid\" length=\"" + num(p.length) +
                   "\" radiusStart=\"" + radius(p.r1) + "\" radiusEnd=\"" + radius(p.r2) + "\" staStart=\"" +
                   num(station) + "\">" + ends + "</Spiral>\n";
        }
        pose = end;
        station += p.length;
    }
    return out + "</CoordGeom>\n";
}

// A whole LandXML document around the given Alignment contents.
inline std::string landXml(const std::string& alignments, const std::string& units = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\" date=\"2024-01-01\" "
           "time=\"00:00:00\">\n" +
           (units.empty() ? std::string("<Units><Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" "
                                        "volumeUnit=\"cubicMeter\" angularUnit=\"decimal degrees\" "
                                        "directionUnit=\"decimal degrees\"/></Units>\n")
                          : units) +
           "<Alignments>\n" + alignments + "</Alignments>\n</LandXML>\n";
}

inline std::string alignment(const std::string& name, const IndependentRoad& road, const std::string& extra = "") {
    return "<Alignment name=\"" + name + "\" staStart=\"" + num(road.startStation) + "\">\n" + coordGeom(road) +
           extra + "</Alignment>\n";
}

}  // namespace vornex::testing
