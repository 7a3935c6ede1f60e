#include "adjust/demo_networks.h"

#include <cmath>
#include <map>
#include <string>

#include "adjust/plane_adjust.h"
#include "geometry/angles.h"
#include "text/text.h"

namespace vornex {
namespace {

// Small repeatable measuring errors in [-1, 1].
struct Jitter {
    int n = 0;
    double next() { return std::sin(12.9898 * ++n + 78.233); }
};

// One leveling station measuring dh (m) with the given sight lengths (m).
LevelingStation levelStation(double dh, double back, double front, bool back4787, Jitter& j) {
    const double backMid = 1.4 + 0.3 * j.next();
    const double frontMid = backMid - dh;
    auto units = [](double m) { return static_cast<std::int32_t>(std::lround(m * 100000)); };
    LevelingStation s;
    const std::int32_t b = units(backMid) + static_cast<std::int32_t>(std::lround(60 * j.next()));
    const std::int32_t f = units(frontMid) + static_cast<std::int32_t>(std::lround(60 * j.next()));
    const std::int32_t halfBack = static_cast<std::int32_t>(std::lround(back * 500));
    const std::int32_t halfFront = static_cast<std::int32_t>(std::lround(front * 500));
    s.readings = {b + halfBack, b, b - halfBack, b + (back4787 ? 478700 : 468700) + static_cast<std::int32_t>(std::lround(40 * j.next())),
                  f + halfFront, f, f - halfFront, f + (back4787 ? 468700 : 478700) + static_cast<std::int32_t>(std::lround(40 * j.next()))};
    return s;
}

Name12 gbkName(const char* utf8) {
    Name12 n;
    n.assignUtf8(utf8);
    return n;
}

}  // namespace

SurveyNetwork demoLevelingNetwork() {
    const std::map<std::string, double> h = {
        {"BM1", 52.3456}, {"BM2", 58.9102}, {"BM3", 47.1180}, {"BM4", 55.0031},
        {"A1", 54.1234}, {"A2", 57.2468}, {"水准点B3", 50.9876}, {"ZD-LONGNAME1", 53.3333}, {"A5", 49.4567},
    };
    SurveyNetwork net;
    net.key = kFormatVersion;
    for (const char* k : {"BM1", "BM2", "BM3", "BM4"}) {
        net.knownPoints.push_back({gbkName(k), gbkName("水准基点"), 0, 0, h.at(k)});
    }
    net.leveling.levelClass = 1;  // 三等水准
    net.leveling.instrument = 0;  // DS3
    net.leveling.weighting = 0;   // by length
    net.leveling.closureCoefficient = 12;
    struct Leg {
        const char* from;
        const char* to;
        int stations;
        double sight;  // m per sight
        bool excluded;
    };
    const Leg legs[] = {
        {"BM1", "A1", 4, 45, false},           {"A1", "A2", 6, 50, false},
        {"A2", "BM2", 3, 40, false},           {"A2", "A1", 6, 52, false},  // return run
        {"A1", "ZD-LONGNAME1", 2, 35, false},  {"ZD-LONGNAME1", "水准点B3", 5, 48, false},
        {"水准点B3", "BM3", 4, 42, false},      {"水准点B3", "A5", 3, 38, false},
        {"A5", "BM3", 2, 30, false},           {"BM1", "ZD-LONGNAME1", 3, 44, false},
        {"A5", "BM4", 8, 55, true},            // set aside by the surveyor
        {"BM4", "A2", 7, 50, false},           {"ZD-LONGNAME1", "A1", 2, 36, false},  // return run, names exchanged
    };
    Jitter j;
    int date = 20120315;
    for (const Leg& leg : legs) {
        LevelingSection s;
        s.startName = gbkName(leg.from);
        s.endName = gbkName(leg.to);
        s.date = date++;
        s.staffSelector = static_cast<std::uint16_t>(date % 2);
        s.excluded = leg.excluded ? 1 : 0;
        const double total = h.at(leg.to) - h.at(leg.from) + (leg.excluded ? 0.05 : 0.0);
        for (int k = 0; k < leg.stations; ++k) {
            const double back = leg.sight + 2 * j.next(), front = leg.sight + 2 * j.next();
            s.stations.push_back(levelStation(total / leg.stations, back, front, backStaffIs4787(s.staffSelector, k), j));
        }
        net.sections.push_back(s);
    }
    return net;
}

SurveyNetwork demoControlNetwork() {
    struct P {
        double x, y, h;
    };
    const std::map<std::string, P> truth = {
        {"K1", {3512345.678, 512345.678, 101.234}}, {"K2", {3512890.123, 513010.456, 98.765}},
        {"C1", {3513120.500, 512480.250, 104.500}}, {"C2", {3512760.750, 512030.125, 99.875}},
        {"C3", {3513340.250, 513120.750, 102.250}}, {"导线点4", {3511980.000, 512760.500, 97.125}},
        {"C5", {3512200.125, 513400.875, 96.500}},
    };
    SurveyNetwork net;
    net.key = kFormatVersion;
    for (const char* k : {"K1", "K2"}) {
        const P& p = truth.at(k);
        net.knownPoints.push_back({gbkName(k), gbkName("控制点"), p.x, p.y, p.h});
    }
    const P& k1 = truth.at("K1");
    const P& k2 = truth.at("K2");
    net.knownAzimuths.push_back({gbkName("K1"), gbkName("K2"), joinPoints(k2.x - k1.x, k2.y - k1.y).azimuth});
    net.control.observationType = kSlopeAndZenith;
    net.control.angleSigma = 2.0;
    net.control.distanceFixedError = 2.0;
    net.control.distancePpm = 2.0;
    net.control.azimuthSigma = 1.0;
    net.control.reservedFactor = 1.0;
    net.control.azimuthClosureCoefficient = 5.0;
    net.control.traverseClosureCoefficient = 2.0;
    net.control.triangleClosureLimit = 9.0;
    net.control.heightClosureCoefficient = 40.0;

    // Station -> targets (direction always; distance flag).
    struct Sight {
        const char* target;
        bool distance;
    };
    const std::vector<std::pair<const char*, std::vector<Sight>>> plan = {
        {"K1", {{"K2", true}, {"C1", true}, {"C2", true}, {"导线点4", true}}},
        {"K2", {{"C3", true}, {"C5", true}, {"导线点4", false}, {"K1", true}, {"C1", true}}},
        {"C1", {{"C2", true}, {"K1", true}, {"K2", true}, {"C3", true}}},
        {"C2", {{"K1", true}, {"C1", false}, {"导线点4", true}}},
        {"C3", {{"K2", true}, {"C1", true}, {"C5", true}}},
        {"导线点4", {{"C5", true}, {"K2", false}, {"K1", true}, {"C2", true}}},
        {"C5", {{"导线点4", true}, {"K2", true}, {"C3", false}}},
    };
    Jitter j;
    const double instrument[] = {1.523, 1.487, 1.601, 1.455, 1.512, 1.398, 1.544};
    int si = 0;
    for (const auto& [name, sights] : plan) {
        SurveyStation st;
        st.name = gbkName(name);
        st.instrumentHeight = instrument[si];
        const P& a = truth.at(name);
        const double orientation = 37.0 * si + 11.25;  // zero direction of the instrument
        for (const Sight& s : sights) {
            const P& b = truth.at(s.target);
            SurveyObservation o;
            o.targetName = gbkName(s.target);
            const PolarVector v = joinPoints(b.x - a.x, b.y - a.y);
            o.direction = normalizeAngle(v.azimuth - orientation + 1.5 * j.next() / 3600);
            const double prism = 1.3 + 0.1 * (si % 3);
            o.targetHeight = prism;
            if (s.distance) {
                // Slope distance and zenith angle between instrument and prism.
                // As the instrument sees it: the line of sight bends with refraction
                // (k = 0.14) and the earth curves away, so the apparent rise falls
                // short by (1 - k) D^2 / 2R.
                const double dh = b.h + prism - (a.h + st.instrumentHeight) -
                                  (1 - kDefaultRefraction) * v.distance * v.distance / (2 * kEarthRadius);
                const double slope = std::hypot(v.distance, dh) + 0.0015 * j.next();
                o.distance = slope;
                o.verticalOrHeight = std::atan2(v.distance, dh) * 180 / kPi + 2.0 * j.next() / 3600;
            }
            st.observations.push_back(o);
        }
        net.stations.push_back(st);
        ++si;
    }
    // The first station's first direction is read as exactly zero.
    const double zero = net.stations[0].observations[0].direction;
    for (SurveyObservation& o : net.stations[0].observations) o.direction = normalizeAngle(o.direction - zero);
    return net;
}

}  // namespace vornex
