#include "document/project_file.h"

#include <gtest/gtest.h>

#include "geometry/tunnel.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>

#include "model/scramble.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::ScriptedPrompter;
using testing::TempDir;

Bytes toBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

Name12 gbk(const char* utf8) { return Name12(std::string_view(text::utf8ToGbk(utf8))); }

RoadProject newProject() {
    RoadProject p;
    Road road;
    road.name = Name12("Road01");
    p.roads.push_back(road);
    p.currentRoad = 0;
    return p;
}

// A project with records of every kind and two roads of both curve forms.
RoadProject richProject() {
    RoadProject p;
    p.projectName = FixedText<24>(std::string_view(text::utf8ToGbk("沪宁高速改建工程")));
    p.password = FixedText<12>("(SECRET)");
    p.precision = 0.0005;
    p.controlPoints = {{gbk("导线点1"), Name12("GPS"), 3521000.125, 512000.5, 12.25},
                       {Name12("C2"), Name12(""), 3521100.75, 512050.25, -3.5}};

    Road a;
    a.name = gbk("主线");
    a.stationPrefix = FixedText<2>("AK");
    a.calcMethod = 1;
    a.intersectionPoints = {{Name12("QD"), Name12("l0"), 1000, 2000, 0, 0, 0, 0, 0, 0, 0},
                            {Name12("JD1"), Name12(""), 1300, 2400, 7.5, 500, 600, 80, -90, -200, 0},
                            {Name12("ZD"), Name12(""), 1500, 2300, 0, 0, 0, 0, 0, 0, 0}};
    a.elements = {{Name12("QD"), Name12(""), 1000, 2000, 53.13, 0, 400, 53.13, 0, 0},
                  {Name12("ZH"), Name12("x"), 1240, 2320, 53.13, 400, 80, 53.13, 0, 600}};
    a.gradePoints = {{0, 10, 0}, {500, 15.5, 3000}, {900, 12, 0}};
    a.chainBreaks = {{350.5, 360}};
    a.plates = {{1, 1, 3.75, 2, 0.5, 0.2, 0, 0, -1, -1}, {1, 7, 0.5, 2, 0, 0, -1, -1, -1, -1},
                {2, 1, 3.75, 2, 0.5, 0.2, 1, 2, 0, 0}};
    a.slopeTemplates = {{gbk("边坡模板0"), {{0, {2, 4, 0, 0, 0}}, {2, {0.5, 0.5, 0.4, 0.6, 0.6}}}},
                        {Name12("T1"), {}}};
    a.slopeAssignments = {{0, 0, 1, 0, 1}, {400, 1, 1, 0, 0}};
    a.widthChanges = {{100, 0, 1, 4.25}, {50, 2, 0, 3.5}, {80, 2, 3, 4.0}};
    a.crossfallChanges = {{120, 2, 2, -2.5}};
    a.structures = {{0x10002, 250, 75.5, 8, 9, 4, 11.5, 1.5}};
    Bridge bridge{gbk("桥梁0"), 1, 600, 120, 6, 6.5, -0.25, {}};
    bridge.piers = {{gbk("六个汉字名称"), 600, 90, {{Name12("Z1"), 0, 1, -2, 9}, {Name12("Z2"), 1, 3521000, 512000, 8}}},
                    {Name12("1"), 630, 85.5, {}}};
    a.bridges = {bridge, Bridge{Name12("B2"), 0, 700, 10, 1, 1, 0, {}}};
    TunnelTemplate tt{gbk("隧道断面0"), 0.5, 7.2, 7.4, 7.6, {}, {}, {}};
    tt.excavation = {{1, -2, -5.5, kNoValue}, {0, 2, 5.5, -1}};
    tt.primary = {{0.5, 1, 6, 45}};
    tt.secondary = {{0.25, 0.5, kNoValue, 0}};
    a.tunnelTemplates = {tt};
    Tunnel tunnel{gbk("隧道0"), 800, 90, 2, {}, {}, {}};
    tunnel.slopeRules = {{2.5, 0}};
    tunnel.stationRules = {{800, 1, 0}, {890, 0, 0}};
    tunnel.blastHoles = {{Name12("P1"), 5.5, -1.25}};
    a.tunnels = {tunnel};
    a.currentBridge = 0;
    a.currentPier = 1;
    a.currentTunnel = 0;

    Road b;
    b.name = Name12("Ramp");
    b.curveForm = 1;
    b.elements = {{Name12("QD"), Name12(""), 10, 20, 30, 0, 100, 30, 0, -250}};

    Road manual;
    manual.name = Name12(kManualRoadName);
    manual.gradePoints = {{1, 2, 3}};

    p.roads = {a, manual, b};
    p.currentRoad = 0;
    return p;
}

std::string bytesOf(RoadProject p) {
    std::string out;
    EXPECT_EQ(writeProject(p, out), 1);
    return out;
}

TEST(ProjectFile, NewProjectIsExactly134Bytes) {
    Bytes expected{0, 0, 0, 0x53};
    expected.insert(expected.end(), 16, 0);
    expected.insert(expected.end(), 24, 0x1A);
    expected.insert(expected.end(), {0x25, 0x00, 0x2C, 0xF8, 0xF1, 0x06, 0x59, 0x37});
    expected.insert(expected.end(), {0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1B});
    expected.insert(expected.end(), {0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x2B, 0x2A, 0x7E, 0x7B, 0x75, 0x48});
    expected.insert(expected.end(), {0x1A, 0x51});
    for (int i = 0; i < 15; ++i) expected.insert(expected.end(), {0x1A, 0x1A, 0x1A, 0x1A});
    EXPECT_EQ(toBytes(bytesOf(newProject())), expected);
}

TEST(ProjectFile, HeaderFields) {
    RoadProject p = newProject();
    p.password = FixedText<12>("(ABC)");
    std::string out = bytesOf(p);
    EXPECT_EQ(out.substr(4, 12), std::string("(ABC)\0\0\0\0\0\0\0", 12));
    p.projectName = FixedText<24>("P");
    out = bytesOf(p);
    EXPECT_EQ(static_cast<unsigned char>(out[43]), 'P' ^ 0x1A);  // the 24-byte block is reversed
}

TEST(ProjectFile, CurveFormDecidesTheIntersectionPointList) {
    RoadProject p = newProject();
    p.roads[0].intersectionPoints.resize(1);
    EXPECT_EQ(bytesOf(p).size(), 134u + 100u);
    p.roads[0].curveForm = 1;
    EXPECT_EQ(bytesOf(p).size(), 130u);
    RoadProject back;
    ScriptedPrompter prompter;
    const std::string out = bytesOf(p);
    ASSERT_EQ(readProject(back, toBytes(out), prompter), 83);
    EXPECT_TRUE(back.roads[0].intersectionPoints.empty());
}

TEST(ProjectFile, ManualRoadIsNeverWrittenAndSurvivesReading) {
    RoadProject p;
    Road manual;
    manual.name = Name12(kManualRoadName);
    manual.roadKey = 70;
    p.roads.push_back(manual);
    const std::string out = bytesOf(p);
    ASSERT_EQ(out.size(), 60u);
    EXPECT_EQ(out.substr(56), std::string(4, '\x1A'));
    EXPECT_EQ(p.roads[0].roadKey, 70);  // not written, not re-keyed

    RoadProject target = p;
    target.roads.push_back(Road{});  // an ordinary road: replaced by the file's
    ScriptedPrompter prompter;
    ASSERT_EQ(readProject(target, toBytes(bytesOf(newProject())), prompter), 83);
    ASSERT_EQ(target.roads.size(), 2u);
    EXPECT_TRUE(target.roads[0].isManual());
    EXPECT_EQ(target.roads[1].name, Name12("Road01"));
}

TEST(ProjectFile, NewerVersionIsRefusedAndChangesNothing) {
    Bytes bytes = toBytes(bytesOf(newProject()));
    bytes[3] = 84;
    RoadProject p = richProject();
    const RoadProject before = p;
    ScriptedPrompter prompter;
    EXPECT_EQ(readProject(p, bytes, prompter), kReadNewerVersion);
    EXPECT_EQ(p, before);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"不能读入高版本项目"});
}

TEST(ProjectFile, RoundTripOfEveryRecordKind) {
    RoadProject original = richProject();
    const std::string first = bytesOf(original);
    RoadProject back;
    ScriptedPrompter prompter;
    ASSERT_EQ(readProject(back, toBytes(first), prompter), 83);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(bytesOf(back), first);

    ASSERT_EQ(back.roads.size(), 2u);
    EXPECT_EQ(back.password, original.password);
    EXPECT_EQ(back.projectName, original.projectName);
    EXPECT_EQ(back.precision, original.precision);
    EXPECT_EQ(back.controlPoints, original.controlPoints);
    Road expectedA = original.roads[0];
    expectedA.currentBridge = 1;  // the last bridge and pier read are current
    expectedA.currentPier = 1;
    EXPECT_EQ(back.roads[0], expectedA);
    EXPECT_EQ(back.roads[1], original.roads[2]);
    for (const Road& r : back.roads) EXPECT_EQ(r.roadKey, 83);
}

TEST(ProjectFile, WritingRekeysRoadsAndLimitsTheCurrentTunnel) {
    RoadProject p = richProject();
    p.roads[0].roadKey = 75;
    p.roads[0].currentTunnel = 5;
    std::string out;
    writeProject(p, out);
    EXPECT_EQ(p.roads[0].roadKey, 83);
    EXPECT_EQ(p.roads[0].currentTunnel, 0);
}

TEST(ProjectFile, EveryTruncationFailsCleanly) {
    const Bytes full = toBytes(bytesOf(richProject()));
    const RoadProject before = newProject();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t n = 0; n < full.size(); ++n) {
        RoadProject p = before;
        ScriptedPrompter prompter;
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        ASSERT_EQ(readProject(p, cut, prompter), kReadDamaged) << n;
        ASSERT_EQ(p, before) << n;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(ProjectFile, HostileCounts) {
    const Bytes good = toBytes(bytesOf(newProject()));
    // Offsets: control-point count 52, road count 56, first list of the road 82.
    for (std::size_t offset : {52u, 56u, 82u, 86u, 130u}) {
        for (std::uint32_t count : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u, 1000u}) {
            Bytes bytes = good;
            for (int b = 0; b < 4; ++b)
                bytes[offset + static_cast<std::size_t>(b)] = static_cast<unsigned char>((count >> (24 - 8 * b)) ^ 0x1A);
            RoadProject p;
            ScriptedPrompter prompter;
            EXPECT_EQ(readProject(p, bytes, prompter), kReadDamaged) << offset << " " << count;
            EXPECT_TRUE(p.roads.empty());
        }
    }
    // A road section read directly reports the end inside it.
    Road road;
    Bytes cut(good.begin(), good.end() - 1);
    EXPECT_EQ(readRoad(road, cut, 60, 0.0001), 0);
    Road whole;
    EXPECT_EQ(readRoad(whole, good, 60, 0.0001), 134);
    // Not a project file at all.
    RoadProject p;
    ScriptedPrompter prompter;
    EXPECT_EQ(readProject(p, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, prompter), kReadDamaged);
    EXPECT_EQ(readProject(p, Bytes{}, prompter), kReadDamaged);
}

TEST(ProjectFile, CorruptedBytesNeverCrash) {
    const Bytes good = toBytes(bytesOf(richProject()));
    std::mt19937 rng(11);
    for (int trial = 0; trial < 3000; ++trial) {
        Bytes bytes = good;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) bytes[rng() % bytes.size()] = static_cast<unsigned char>(rng());
        if (trial % 7 == 0) bytes[3] = static_cast<unsigned char>(40 + rng() % 44);  // an older layout
        RoadProject p;
        ScriptedPrompter prompter;
        const int status = readProject(p, bytes, prompter);
        ASSERT_TRUE(status > 0 || status == kReadDamaged || status == kReadNewerVersion || status == kReadBadValue)
            << trial;
        if (status <= 0) {
            ASSERT_TRUE(p.roads.empty()) << trial;
        }
    }
}

// ----- Files of older versions, written by a small encoder of the old layouts.

class OldWriter {
public:
    explicit OldWriter(int version) : v_(version), h_(version > 61 ? scrambleByte(version) : 0) {}
    Bytes bytes;

    void raw(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    void be(std::uint64_t u, int n) {
        for (int b = n - 1; b >= 0; --b) bytes.push_back(static_cast<unsigned char>(u >> (8 * b)) ^ h_);
    }
    void i32(std::int32_t x) { be(static_cast<std::uint32_t>(x), 4); }
    void f64(double x) { be(std::bit_cast<std::uint64_t>(x), 8); }
    void text(const std::string& s, std::size_t n = 12) {
        Bytes block(n, 0);
        std::copy(s.begin(), s.end(), block.begin());
        if (v_ > 61) std::reverse(block.begin(), block.end());
        for (auto& c : block) c ^= h_;
        raw(block);
    }
    template <class T>
    void image(const T& r, RecordKind kind) {
        RecordImage img = makeImage(r);
        scramble(img, v_, kind);
        raw(img);
    }
    void junk(std::size_t n) { bytes.insert(bytes.end(), n, 0x5A); }

private:
    int v_;
    unsigned char h_;
};

TEST(ProjectFile, ReadsVersion75) {
    OldWriter w(75);
    w.raw({0, 0, 0, 75});
    w.raw(toBytes(std::string("(PW)\0\0\0\0\0\0\0\0", 12)));
    w.junk(4);
    w.text("Old75", 24);
    w.f64(0.002);
    w.i32(2);  // two control points in twenty slots
    for (int i = 0; i < 20; ++i) w.image(ControlPoint{Name12("K" + std::to_string(i)), Name12("n"), 1.0 * i, 2, 3},
                                         RecordKind::ControlPoint);
    w.i32(1);
    // Road section.
    w.text("R75");
    w.raw({static_cast<unsigned char>(0 ^ scrambleByte(75)), static_cast<unsigned char>('Z' ^ scrambleByte(75))});
    w.i32(1);  // 线元法
    w.i32(1);
    w.i32(1);
    w.image(AlignmentElement{Name12("QD"), Name12(""), 1, 2, 3, 4, 5, 6, 7, 8}, RecordKind::AlignmentElement);
    w.i32(1);
    w.image(GradePoint{10, 20, 30}, RecordKind::GradePoint);
    w.i32(0);  // chain breaks
    w.i32(2);  // 40-byte plates
    for (int side : {1, 2}) {
        w.i32(side); w.i32(1); w.f64(3.5); w.f64(2); w.f64(0.3); w.f64(0.1);
    }
    w.i32(1);  // one old slope entry of 60 bytes, skipped
    w.junk(60);
    w.i32(2);  // width changes, linked after reading
    w.image(PlateChange{200, 1, 0, 4}, RecordKind::WidthChange);
    w.image(PlateChange{100, 1, 0, 3.75}, RecordKind::WidthChange);
    w.i32(0);  // crossfall changes
    w.i32(1);
    w.image(Structure{1, 5, 90, 1, 1, 2, 3, 4}, RecordKind::Structure);
    w.i32(1);  // a bridge without axis offset
    w.text("BR"); w.i32(1); w.f64(100); w.f64(50); w.f64(5); w.f64(6);
    w.i32(1);
    w.text("0"); w.f64(110); w.f64(90);
    w.i32(1);
    w.image(Pile{Name12("Z"), 0, 1, 2, 3}, RecordKind::Pile);
    w.i32(2);  // tunnel templates that carry their tunnels
    for (int t = 0; t < 2; ++t) {
        w.text("TT" + std::to_string(t));
        w.f64(1000 + 100 * t);  // startStation
        w.f64(50);              // length
        w.f64(7);               // excavationCrown
        w.f64(7.5); w.f64(8);   // primary, secondary
        w.f64(0.25);            // designOffset
        w.i32(1);
        w.image(ContourElement{1, 2, 3, 4}, RecordKind::ExcavationContour);
        w.i32(0);
        w.i32(0);
        w.i32(1); w.junk(32);                          // skipped 32-byte list
        for (int k = 0; k < 3; ++k) { w.i32(1); w.junk(44); }  // skipped 44-byte lists
    }

    RoadProject p;
    ScriptedPrompter prompter;
    ASSERT_EQ(readProject(p, w.bytes, prompter), 75);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"v0.9以前项目不能读取边坡数据."});
    EXPECT_EQ(p.password.str(), "(PW)");
    EXPECT_EQ(p.projectName.str(), "Old75");
    EXPECT_EQ(p.precision, 0.002);
    ASSERT_EQ(p.controlPoints.size(), 2u);
    EXPECT_EQ(p.controlPoints[1].name, Name12("K1"));
    ASSERT_EQ(p.roads.size(), 1u);
    const Road& r = p.roads[0];
    EXPECT_EQ(r.roadKey, 75);
    EXPECT_EQ(r.name, Name12("R75"));
    EXPECT_EQ(r.stationPrefix.str(), "Z");
    EXPECT_EQ(r.elements.size(), 1u);
    EXPECT_EQ(r.gradePoints, (std::vector<GradePoint>{{10, 20, 30}}));
    ASSERT_EQ(r.plates.size(), 2u);
    EXPECT_EQ(r.plates[1].side, 2);
    EXPECT_EQ(r.plates[1].curbHeight, 0.1);
    EXPECT_EQ(r.widthChanges[0].station, 100);
    EXPECT_EQ(r.plates[1].firstWidthChange, 0);
    EXPECT_EQ(r.plates[1].lastWidthChange, 1);
    EXPECT_EQ(r.plates[0].firstCrossfallChange, -1);
    EXPECT_TRUE(r.slopeTemplates.empty());
    EXPECT_EQ(r.structures[0].angle, 90);
    ASSERT_EQ(r.bridges.size(), 1u);
    EXPECT_EQ(r.bridges[0].axisOffset, 0);
    EXPECT_EQ(r.bridges[0].rightWidth, 6);
    EXPECT_EQ(r.bridges[0].piers[0].piles[0].across, 2);
    ASSERT_EQ(r.tunnelTemplates.size(), 2u);
    EXPECT_EQ(r.tunnelTemplates[1].designOffset, 0.25);
    EXPECT_EQ(r.tunnelTemplates[1].secondaryCrown, 8);
    EXPECT_EQ(r.tunnelTemplates[0].excavation, (std::vector<ContourElement>{{1, 2, 3, 4}}));
    ASSERT_EQ(r.tunnels.size(), 2u);
    EXPECT_EQ(r.tunnels[1].name, Name12("TT1"));
    EXPECT_EQ(r.tunnels[1].startStation, 1100);
    EXPECT_EQ(r.tunnels[1].length, 50);
    EXPECT_EQ(r.tunnels[1].plateIndex, 0);
    EXPECT_EQ(r.tunnels[1].stationRules, (std::vector<TunnelStationRule>{{1100, 2, 1}}));
    EXPECT_EQ(r.currentTunnel, 0);

    // Saved as the current version and read again, nothing changes.
    const std::string saved = bytesOf(p);
    RoadProject again;
    ASSERT_EQ(readProject(again, toBytes(saved), prompter), 83);
    EXPECT_EQ(bytesOf(again), saved);
}

// One road section of every layout: each list that a version holds, with one
// bridge, pier and tunnel template where the version has them, so that every
// version threshold of the layout is crossed.
TEST(ProjectFile, RoadSectionOfEveryVersion) {
    for (int v : {45, 49, 50, 59, 60, 61, 62, 69, 70, 71, 72, 73, 74, 75, 76, 77, 80, 81, 82, 83}) {
        OldWriter w(v);
        w.junk(7);  // the section starts at an offset
        w.text("R");
        if (v >= 62) w.raw({scrambleByte(v), static_cast<unsigned char>('Q' ^ scrambleByte(v))});
        w.i32(0);
        if (v > 59) w.i32(1);
        w.i32(2);
        w.image(IntersectionPoint{Name12("A"), Name12(""), 0, 0, 0, 0, 0, 0, 0, 0, 0}, RecordKind::IntersectionPoint);
        w.image(IntersectionPoint{Name12("B"), Name12(""), 0, 100, 0, 0, 0, 0, 0, 0, 0}, RecordKind::IntersectionPoint);
        if (v > 71) w.i32(0);  // stored elements
        w.i32(1);
        w.image(GradePoint{1, 2, 3}, RecordKind::GradePoint);
        if (v >= 50) {
            w.i32(0);  // chain breaks
            w.i32(1);
            if (v > 82) {
                w.image(CrossSectionPlate{2, 3, 4, 5, 6, 7, -1, -1, -1, -1}, RecordKind::CrossSectionPlate);
            } else {
                w.i32(2); w.i32(3); w.f64(4); w.f64(5); w.f64(6); w.f64(7);
            }
            if (v > 80) {
                w.i32(0);  // slope templates
                w.i32(0);  // slope assignments
            } else {
                w.i32(0);  // old slope entries
            }
            w.i32(0);
            w.i32(0);
        }
        if (v >= 70) {
            w.i32(0);  // structures
            w.i32(1);
            w.text("BR"); w.i32(0); w.f64(10); w.f64(20); w.f64(1); w.f64(2);
            if (v > 80) w.f64(-0.5);
            w.i32(1);
            w.text("0"); w.f64(15); w.f64(90);
            w.i32(0);  // piles
            w.i32(1);
            w.text("TT");
            if (v < 81) { w.f64(500); w.f64(60); }
            w.f64(7);
            if (v >= 74) { w.f64(7.5); w.f64(8); }
            w.f64(0.75);
            w.i32(0);
            if (v >= 73) { w.i32(0); w.i32(0); }
            if (v < 81) w.i32(0);
            if (v > 74 && v < 81) for (int k = 0; k < 3; ++k) w.i32(0);
            if (v > 76 && v < 81) for (int k = 0; k < 4; ++k) w.i32(0);
            if (v > 80) {
                w.i32(1);
                w.text("TN"); w.f64(500); w.f64(60); w.i32(1);
                w.i32(0); w.i32(0); w.i32(0);
            }
        }
        const std::size_t end = w.bytes.size();
        w.junk(3);  // whatever follows is not read

        Road road;
        road.roadKey = v;
        ASSERT_EQ(readRoad(road, w.bytes, 7, 0.0001), static_cast<long long>(end)) << v;
        EXPECT_EQ(road.name, Name12("R")) << v;
        EXPECT_EQ(road.stationPrefix.str(), v >= 62 ? "Q" : "K") << v;
        EXPECT_EQ(road.calcMethod, v > 59 ? 1 : 0) << v;
        EXPECT_EQ(road.intersectionPoints.size(), 2u) << v;
        if (v < 72) {
            EXPECT_FALSE(road.elements.empty()) << v;  // computed from the points
        }
        EXPECT_EQ(road.gradePoints, (std::vector<GradePoint>{{1, 2, 3}})) << v;
        EXPECT_EQ(road.plates.size(), v >= 50 ? 1u : 0u) << v;
        if (v >= 50) {
            EXPECT_EQ(road.plates[0].curbHeight, 7) << v;
        }
        ASSERT_EQ(road.bridges.size(), v >= 70 ? 1u : 0u) << v;
        ASSERT_EQ(road.tunnels.size(), v >= 70 ? 1u : 0u) << v;
        if (v >= 70) {
            EXPECT_EQ(road.bridges[0].axisOffset, v > 80 ? -0.5 : 0) << v;
            EXPECT_EQ(road.bridges[0].piers[0].station, 15) << v;
            EXPECT_EQ(road.tunnelTemplates[0].designOffset, 0.75) << v;
            EXPECT_EQ(road.tunnelTemplates[0].secondaryCrown, v >= 74 ? 8 : 0) << v;
            EXPECT_EQ(road.tunnels[0].startStation, 500) << v;
            EXPECT_EQ(road.tunnels[0].plateIndex, v > 80 ? 1 : 0) << v;
            EXPECT_EQ(road.currentTunnel, 0) << v;
            if (v < 81) {
                // The old tunnel holds its own template from its start on.
                EXPECT_EQ(road.tunnels[0].stationRules, (std::vector<TunnelStationRule>{{500, 2, 0}})) << v;
                TunnelSection s;
                EXPECT_TRUE(tunnelSection(road, 530, RecordKind::ExcavationContour, s)) << v;
                EXPECT_EQ(s.startHeight, 7) << v;
            }
        }
    }
}

TEST(ProjectFile, ReadsVersion61) {
    OldWriter w(61);
    w.raw({0, 0, 0, 61});
    w.junk(4);  // no password below 71, then the reserved bytes
    w.text("Plain61", 24);
    w.f64(0.001);
    w.i32(0);
    for (int i = 0; i < 20; ++i) w.junk(52);  // twenty empty slots
    w.i32(1);
    w.text(text::utf8ToGbk("老路"));  // names stand as they are below 62
    w.i32(0);  // 交点法
    w.i32(0);
    w.i32(3);
    w.image(IntersectionPoint{Name12("QD"), Name12(""), 0, 0, 0, 0, 0, 0, 0, 0, 0}, RecordKind::IntersectionPoint);
    w.image(IntersectionPoint{Name12("JD1"), Name12(""), 300, 0, 0, 1000, 200, 0, 0, 0, 0},
            RecordKind::IntersectionPoint);
    w.image(IntersectionPoint{Name12("ZD"), Name12(""), 300, 300, 0, 0, 0, 0, 0, 0, 0}, RecordKind::IntersectionPoint);
    w.i32(0);  // grade points
    w.i32(0);  // chain breaks
    w.i32(0);  // plates
    w.i32(0);  // old slope entries
    w.i32(0);  // width changes
    w.i32(0);  // crossfall changes; the section ends below 70

    // The images must really be unscrambled: the doubles are big-endian here.
    EXPECT_EQ(w.bytes[4 + 4 + 24], 0x3F);

    RoadProject p;
    ScriptedPrompter prompter;
    ASSERT_EQ(readProject(p, w.bytes, prompter), 61);
    EXPECT_EQ(p.projectName.str(), "Plain61");
    EXPECT_EQ(p.precision, 0.001);
    EXPECT_TRUE(p.password.empty());
    EXPECT_TRUE(p.controlPoints.empty());
    ASSERT_EQ(p.roads.size(), 1u);
    const Road& r = p.roads[0];
    EXPECT_EQ(r.name.utf8(), "老路");
    EXPECT_EQ(r.stationPrefix.str(), "K");
    ASSERT_EQ(r.intersectionPoints.size(), 3u);
    EXPECT_EQ(r.intersectionPoints[1].name, Name12("JD1"));
    EXPECT_EQ(r.intersectionPoints[1].x, 300);
    EXPECT_EQ(r.intersectionPoints[1].radius, 200);
    // The elements are computed from the intersection points: a 90-degree
    // corner with a 200 m arc and no spirals gives tangent, arc, tangent.
    ASSERT_GE(r.elements.size(), 3u);
    double total = 0;
    for (const AlignmentElement& e : r.elements) total += e.length;
    const double pi = 3.14159265358979323846;
    EXPECT_NEAR(total, 2 * (300 - 200) + 200 * pi / 2, 1e-3);
    EXPECT_EQ(r.currentTunnel, -1);
}

// ----- Saving to disk

struct FailingOps : FileSystemOps {
    long failAtOffset = -1;  // the write that would pass this offset fails
    bool failSync = false, failRename = false;
    long written = 0;
    long write(int fd, const void* data, std::size_t size) override {
        std::size_t n = std::min<std::size_t>(size, 7);  // short writes on purpose
        if (failAtOffset >= 0 && written + static_cast<long>(n) > failAtOffset) {
            n = static_cast<std::size_t>(failAtOffset - written);
            if (n == 0) {
                errno = ENOSPC;
                return -1;
            }
        }
        long r = FileSystemOps::write(fd, data, n);
        if (r > 0) written += r;
        return r;
    }
    int fsync(int fd) override { return failSync ? (errno = EIO, -1) : FileSystemOps::fsync(fd); }
    int rename(const std::filesystem::path& a, const std::filesystem::path& b) override {
        return failRename ? (errno = EXDEV, -1) : FileSystemOps::rename(a, b);
    }
};

std::size_t filesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(ProjectFile, SaveIsAtomic) {
    TempDir dir;
    const auto file = dir / "a.rod";
    RoadProject p = richProject();
    const std::string expected = bytesOf(p);

    FailingOps ok;
    ASSERT_EQ(writeProject(p, file, ok), 1);
    EXPECT_EQ(testing::readAll(file), expected);
    EXPECT_EQ(filesIn(dir.path()), 1u);

    const std::string old = "previous contents";
    for (long offset = 0; offset < static_cast<long>(expected.size()); offset += 13) {
        testing::writeAll(file, old);
        FailingOps ops;
        ops.failAtOffset = offset;
        ASSERT_EQ(writeProject(p, file, ops), kWriteFailed) << offset;
        ASSERT_EQ(testing::readAll(file), old) << offset;
        ASSERT_EQ(filesIn(dir.path()), 1u) << offset;
    }
    for (int which = 0; which < 2; ++which) {
        FailingOps ops;
        (which == 0 ? ops.failSync : ops.failRename) = true;
        EXPECT_EQ(writeProject(p, file, ops), kWriteFailed);
        EXPECT_EQ(testing::readAll(file), old);
        EXPECT_EQ(filesIn(dir.path()), 1u);
    }
    // Into a folder that does not exist: a failure, not a crash.
    EXPECT_EQ(writeProject(p, dir / "missing" / "b.rod"), kWriteFailed);
}

TEST(ProjectFile, ReadFromDisk) {
    TempDir dir;
    RoadProject p = richProject();
    ASSERT_EQ(writeProject(p, dir / "x.rod"), 1);
    RoadProject back;
    ScriptedPrompter prompter;
    EXPECT_EQ(readProject(back, dir / "x.rod", prompter), 83);
    EXPECT_EQ(back.roads.size(), 2u);
    EXPECT_EQ(readProject(back, dir / "none.rod", prompter), kReadCannotOpen);
}

}  // namespace
}  // namespace vornex
