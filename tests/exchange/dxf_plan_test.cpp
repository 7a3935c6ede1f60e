// The DXF plan read back by an independent reader (python3-ezdxf).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "document/project_file.h"
#include "exchange/dxf_plan.h"
#include "exchange/exchange.h"
#include "geometry/alignment.h"
#include "geometry/stations.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex {
namespace {

using testing::TempDir;

// Prints what the reader found: the code page, entity counts per type and
// layer, every text, every arc and the first line and polyline vertices.
const char* kReadBack = R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print("codepage", doc.header.get("$DWGCODEPAGE", ""))
style = doc.styles.get("Standard")
print("style", style.dxf.font, style.dxf.bigfont)
counts = {}
msp = doc.modelspace()
for e in msp:
    key = e.dxftype() + "@" + e.dxf.layer
    counts[key] = counts.get(key, 0) + 1
for k, v in sorted(counts.items()):
    print("count", k, v)
for e in msp.query("TEXT"):
    print("text", e.dxf.layer, e.dxf.insert.x, e.dxf.insert.y, e.dxf.text)
for e in msp.query("ARC"):
    print("arc", repr(e.dxf.center.x), repr(e.dxf.center.y), repr(e.dxf.radius), repr(e.dxf.start_angle), repr(e.dxf.end_angle))
for e in msp.query("LINE[layer=='CENTRELINE']"):
    print("line", repr(e.dxf.start.x), repr(e.dxf.start.y), repr(e.dxf.end.x), repr(e.dxf.end.y))
for e in msp.query("LWPOLYLINE[layer=='CENTRELINE']"):
    print("spiral", " ".join(repr(c) for p in e.get_points("xy") for c in p))
)PY";

struct ReadBack {
    std::string codepage, font, bigFont;
    std::map<std::string, int> counts;
    std::vector<std::string> texts;
    std::vector<std::vector<double>> arcs, lines, spirals;
};

ReadBack readBack(const TempDir& dir, const std::filesystem::path& dxf) {
    testing::writeAll(dir / "read.py", kReadBack);
    // Debian's interpreter, where python3-ezdxf is installed (a python3 earlier on
    // the PATH may be another one).
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string cmd = python + " " + (dir / "read.py").string() + " " + dxf.string() + " >" +
                            (dir / "read.out").string() + " 2>" + (dir / "read.err").string();
    EXPECT_EQ(std::system(cmd.c_str()), 0) << testing::readAll(dir / "read.err");
    ReadBack r;
    std::istringstream in(testing::readAll(dir / "read.out"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        auto numbers = [&] {
            std::vector<double> v;
            double x;
            while (words >> x) v.push_back(x);
            return v;
        };
        if (kind == "codepage") words >> r.codepage;
        if (kind == "style") words >> r.font >> r.bigFont;
        if (kind == "count") {
            std::string key;
            int n = 0;
            words >> key >> n;
            r.counts[key] = n;
        }
        if (kind == "text") r.texts.push_back(line.substr(5));
        if (kind == "arc") r.arcs.push_back(numbers());
        if (kind == "line") r.lines.push_back(numbers());
        if (kind == "spiral") r.spirals.push_back(numbers());
    }
    return r;
}

bool hasText(const ReadBack& r, const std::string& part) {
    for (const std::string& t : r.texts) {
        if (t.find(part) != std::string::npos) return true;
    }
    return false;
}

TEST(DxfPlan, ReadsBackAsTheRoad) {
    TempDir dir;
    RoadProject demo;
    testing::ScriptedPrompter prompter;
    ASSERT_GT(readProject(demo, std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.rod", prompter), 0);
    const Road& road = demo.roads[0];  // 主线: 交点法 with chain breaks
    ASSERT_EQ(exchange::exportRoads(demo, 0, dir / "plan.dxf").status, exchange::kExchangeOk);
    ReadBack r = readBack(dir, dir / "plan.dxf");
    EXPECT_EQ(r.codepage, "ANSI_936");
    // The text style names its fonts where CAD looks for them: a shape font and
    // the GB big font for the Chinese texts.
    EXPECT_EQ(r.font, "txt.shx");
    EXPECT_EQ(r.bigFont, "gbcbig.shx");
    EXPECT_NE(testing::readAll(dir / "plan.dxf").find("X of this drawing is the easting"), std::string::npos);

    int straights = 0, arcs = 0, spirals = 0;
    for (const AlignmentElement& e : road.elements) {
        char t = elementTypeLetter(e);
        straights += t == 'Z';
        arcs += t == 'Y';
        spirals += t == 'H';
    }
    EXPECT_EQ(r.counts["LINE@CENTRELINE"], straights);
    EXPECT_EQ(r.counts["ARC@CENTRELINE"], arcs);
    EXPECT_EQ(r.counts["LWPOLYLINE@CENTRELINE"], spirals);
    EXPECT_EQ(r.counts["LWPOLYLINE@IP_POLYGON"], 1);
    EXPECT_EQ(r.counts["TEXT@IP_POLYGON"], static_cast<int>(road.intersectionPoints.size()));
    // Main points: every element's start and the end, each a circle and a text, and the road's name.
    EXPECT_EQ(r.counts["CIRCLE@MAIN_POINTS"], static_cast<int>(road.elements.size()) + 1);
    EXPECT_EQ(r.counts["TEXT@MAIN_POINTS"], static_cast<int>(road.elements.size()) + 2);
    EXPECT_TRUE(hasText(r, "主线"));  // GBK through the code page
    EXPECT_TRUE(hasText(r, "JD1"));

    // Station ticks: every design station that is a multiple of 20 m, counted
    // by walking the road a metre at a time.
    int ticks = 0;
    double last = -1;
    for (double c = alignmentStart(road); c <= alignmentEnd(road) + 1e-9; c += 0.5) {
        double d = toDesignStation(road, c).station;
        double k = std::round(d / 20);
        if (std::fabs(d - 20 * k) < 0.25 + 1e-9 && k != last) {
            ++ticks;
            last = k;
        }
    }
    EXPECT_EQ(r.counts["LINE@STATIONS"], r.counts["TEXT@STATIONS"]);
    EXPECT_NEAR(r.counts["LINE@STATIONS"], ticks, 1);  // a tick at a chain break may fall on either side
    EXPECT_TRUE(hasText(r, "K12+020.000"));

    // The first straight starts at the road's start: CAD (easting, northing).
    ASSERT_FALSE(r.lines.empty());
    EXPECT_NEAR(r.lines[0][0], road.elements[0].y, 1e-6);
    EXPECT_NEAR(r.lines[0][1], road.elements[0].x, 1e-6);

    // Every arc: its centre R from the element's start, and its two ends on the road.
    std::vector<const AlignmentElement*> arcElements;
    for (const AlignmentElement& e : road.elements) {
        if (elementTypeLetter(e) == 'Y') arcElements.push_back(&e);
    }
    ASSERT_EQ(r.arcs.size(), arcElements.size());
    for (std::size_t i = 0; i < r.arcs.size(); ++i) {
        const AlignmentElement& e = *arcElements[i];
        const std::vector<double>& a = r.arcs[i];  // cx cy r start end
        EXPECT_NEAR(a[2], std::fabs(e.startRadius), 1e-9);
        EXPECT_NEAR(std::hypot(a[0] - e.y, a[1] - e.x), a[2], 1e-6);
        // The start of the element lies at one of the arc's end angles (CCW from east).
        const double angle = std::atan2(e.x - a[1], e.y - a[0]) * 180 / M_PI;
        const double endAngle = e.startRadius > 0 ? a[4] : a[3];
        EXPECT_NEAR(std::remainder(angle - endAngle, 360.0), 0, 1e-6);
    }

    // Spirals: the drawn polyline and the road lie within a millimetre of each
    // other both ways, the road sampled every 5 cm with pointAtStation.
    ASSERT_EQ(static_cast<int>(r.spirals.size()), spirals);
    auto toSegments = [](const std::vector<double>& v, double px, double py) {
        double best = HUGE_VAL;
        for (std::size_t j = 0; j + 3 < v.size(); j += 2) {
            const double ax = v[j], ay = v[j + 1], bx = v[j + 2], by = v[j + 3];
            const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
            const double t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(px - ax - t * dx, py - ay - t * dy));
        }
        return best;
    };
    std::size_t k = 0;
    double worst = 0;
    for (const AlignmentElement& e : road.elements) {
        if (elementTypeLetter(e) != 'H') continue;
        const std::vector<double>& v = r.spirals[k++];
        ASSERT_GE(v.size(), 6u);
        std::vector<double> sampled;  // the road, CAD (easting, northing)
        for (double t = 0;; t += 0.05) {
            AlignmentPoint p;
            pointAtStation(road, e.startStation + std::min(t, e.length), 0.0001, 0, 90, p);
            sampled.push_back(p.y);
            sampled.push_back(p.x);
            if (t >= e.length) break;
        }
        for (std::size_t j = 0; j + 1 < sampled.size(); j += 2) worst = std::max(worst, toSegments(v, sampled[j], sampled[j + 1]));
        // Every vertex and the middle of every chord, against the sampled road.
        for (std::size_t j = 0; j + 1 < v.size(); j += 2) {
            worst = std::max(worst, toSegments(sampled, v[j], v[j + 1]));
            if (j + 3 < v.size()) worst = std::max(worst, toSegments(sampled, (v[j] + v[j + 2]) / 2, (v[j + 1] + v[j + 3]) / 2));
        }
    }
    EXPECT_LT(worst, 0.001);
}

// A station tick every 20 m would be too many on a long road: the step grows
// (50, 100, 500, 1000 m) and no drawing holds more than 100,000 ticks.
TEST(DxfPlan, StationTicksStayWithinBounds) {
    TempDir dir;
    auto straight = [](double length) {
        Road road;
        road.name = "L";
        AlignmentElement e;
        e.length = length;
        road.elements.push_back(e);
        return road;
    };
    struct Case {
        double length;  // m of one straight, road repeated `roads` times
        int roads;
        double step;
        long long ticks;  // counted in the written file; -1: not written (the step is enough)
    };
    const Case cases[] = {
        {1000, 1, 20, 51},
        {1999990, 1, 20, -1},
        {2000000, 1, 50, -1},
        {3000000, 2, 100, -1},
        {1e7, 20, 1000, 100000},  // 2e8 m of road: the cap holds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        RoadProject p;
        std::vector<int> all;
        for (int i = 0; i < c.roads; ++i) {
            p.roads.push_back(straight(c.length));
            all.push_back(i);
        }
        EXPECT_EQ(exchange::tickInterval(p, all), c.step);
        if (c.ticks < 0) continue;
        ASSERT_EQ(exchange::exportRoads(p, -1, dir / "ticks.dxf").status, exchange::kExchangeOk);
        // Count the tick lines by reading the file: a LINE entity on layer STATIONS.
        std::istringstream in(testing::readAll(dir / "ticks.dxf"));
        std::string line, entity, previous;
        long long ticks = 0;
        while (std::getline(in, line)) {
            if (previous == "  0") entity = line;
            if (previous == "  8" && line == exchange::kLayerStations && entity == "LINE") ++ticks;
            previous = line;
        }
        EXPECT_EQ(ticks, c.ticks);
    }
}

TEST(DxfPlan, EveryRoadWithElementsIsDrawn) {
    TempDir dir;
    RoadProject demo;
    testing::ScriptedPrompter prompter;
    ASSERT_GT(readProject(demo, std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.rod", prompter), 0);
    demo.roads.emplace_back();  // a road without elements is left out, and said so
    demo.roads.back().name = "empty";
    exchange::ExportResult result = exchange::exportRoads(demo, -1, dir / "all.dxf");
    ASSERT_EQ(result.status, exchange::kExchangeOk) << result.error;
    ASSERT_EQ(result.notes.size(), 1u);
    EXPECT_NE(result.notes[0].find("empty"), std::string::npos);
    ReadBack r = readBack(dir, dir / "all.dxf");
    EXPECT_TRUE(hasText(r, "主线"));
    EXPECT_TRUE(hasText(r, "匝道A"));
    EXPECT_TRUE(hasText(r, "AK0+020.000"));
    EXPECT_EQ(exchange::exportRoads(demo, 2, dir / "empty.dxf").status, exchange::kExchangeNoRoad);
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.dxf"));
}

}  // namespace
}  // namespace vornex
