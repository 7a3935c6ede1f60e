#include "adjust/survey_network.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

// An independent little encoder of the stored form, written from the file
// description: big-endian numbers, reversed 12-byte names, XOR with
// (5 key + 123) mod 256 when key >= 62.
struct Enc {
    std::int32_t key;
    std::uint8_t mask() const { return key >= 62 ? static_cast<std::uint8_t>((5 * key + 123) % 256) : 0; }
    std::string x(std::string s) const {
        for (char& c : s) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ mask());
        return s;
    }
    std::string i32(std::int32_t v) const {
        std::string s(4, '\0');
        for (int k = 0; k < 4; ++k) s[static_cast<std::size_t>(k)] = static_cast<char>(static_cast<std::uint32_t>(v) >> (24 - 8 * k));
        return x(s);
    }
    std::string f64(double d) const {
        std::uint64_t v;
        std::memcpy(&v, &d, 8);
        std::string s(8, '\0');
        for (int k = 0; k < 8; ++k) s[static_cast<std::size_t>(k)] = static_cast<char>(v >> (56 - 8 * k));
        return x(s);
    }
    std::string name(const std::string& n) const {
        std::string s = n;
        s.resize(12, '\0');
        return x(std::string(s.rbegin(), s.rend()));
    }
    std::string keyBytes() const {
        std::string s(4, '\0');
        for (int k = 0; k < 4; ++k) s[static_cast<std::size_t>(k)] = static_cast<char>(static_cast<std::uint32_t>(key) >> (24 - 8 * k));
        return s;
    }
    std::string marker() const { return x("~~~~"); }
    // Control-point slot: names transformed only for key >= 62.
    std::string point(const std::string& n, double X, double Y, double H) const {
        std::string padded = n;
        padded.resize(12, '\0');
        std::string s = key >= 62 ? name(n) : padded;
        s += '\0';
        s += key >= 62 ? name("") : std::string(12, '\0');
        s += std::string(3, '\0');
        return s + f64(X) + f64(Y) + f64(H);
    }
    std::string emptyPoint() const { return std::string(52, '\0'); }
    std::string section(const std::string& a, const std::string& b, std::uint16_t sel, std::uint16_t excl, std::int32_t date) const {
        return name(a) + name(b) + i32(static_cast<std::int32_t>((std::uint32_t{excl} << 16) | sel)) + i32(date);
    }
    std::string station(std::array<std::int32_t, 8> r) const {
        std::string s = marker();
        for (auto v : r) s += i32(v);
        return s;
    }
};

std::string levelingHead(const Enc& e, std::int32_t cls, std::int32_t instr, std::int32_t weighting, double coef) {
    std::string s = e.keyBytes() + e.point("BM1", 1000, 2000, 50.0) + e.point("BM2", 1100, 2100, 52.5);
    for (int i = 2; i < 10; ++i) s += e.emptyPoint();
    s += e.i32(cls) + e.i32(instr) + e.i32(weighting);
    if (e.key > 81) s += e.f64(coef);
    return s;
}

TEST(SurveyFiles, LevelingFileByHandReadsForOldAndNewKeys) {
    // key 83: XOR 0x1A and coefficient; key 81: XOR, no coefficient; key 50: no XOR at all.
    for (std::int32_t key : {83, 81, 50}) {
        SCOPED_TRACE(key);
        Enc e{key};
        std::string head = levelingHead(e, 1, 1, 1, 7.5);
        EXPECT_EQ(head.size(), key > 81 ? 544u : 536u);
        // Names of 12 bytes on both sides of the look-ahead; an empty section in the middle.
        std::string file = head + e.section("ABCDEFGHIJKL", "P1", 1, 0, 20120315) +
                           e.station({150000, 140000, 130000, 608700, 100000, 120000, 80000, 598700}) +
                           e.station({1, 2, 3, 4, 5, 6, 7, 8}) + e.section("P1", "MNOPQRSTUVWX", 0, 1, 20120316) +
                           e.section("MNOPQRSTUVWX", "BM2", 0, 0, 20120317) + e.station({9, 10, 11, 12, 13, 14, 15, 16});
        TempDir dir;
        testing::writeAll(dir / "a.lev", file);
        SurveyNetwork net;
        ScriptedPrompter p;
        ASSERT_TRUE(net.openLevelingFile(dir / "a.lev", p));
        EXPECT_EQ(net.key, key);
        ASSERT_EQ(net.knownPoints.size(), 2u);
        EXPECT_EQ(net.knownPoints[1].name.str(), "BM2");
        EXPECT_EQ(net.knownPoints[1].h, 52.5);
        EXPECT_EQ(net.leveling.levelClass, 1);
        EXPECT_EQ(net.leveling.weighting, 1);
        // Without the field: the default of the order and weighting (third order by stations).
        EXPECT_EQ(net.leveling.closureCoefficient, key > 81 ? 7.5 : 4.0);
        ASSERT_EQ(net.sectionCount(), 3);
        EXPECT_EQ(net.section(0).startName.str(), "ABCDEFGHIJKL");
        EXPECT_EQ(net.section(1).endName.str(), "MNOPQRSTUVWX");
        EXPECT_EQ(net.section(2).startName.str(), "MNOPQRSTUVWX");
        EXPECT_EQ(net.section(0).date, 20120315);
        EXPECT_EQ(net.section(0).staffSelector, 1);
        EXPECT_EQ(net.section(1).excluded, 1);
        EXPECT_EQ(net.stationCount(0), 2);
        EXPECT_EQ(net.stationCount(1), 0);
        EXPECT_EQ(net.station(0, 1).readings[7], 8);
        EXPECT_EQ(net.station(2, 0).readings[0], 9);
        EXPECT_TRUE(p.shown.empty());
        // Our writer gives these very bytes.
        EXPECT_EQ(levelingFileBytes(net), file);
    }
}

TEST(SurveyFiles, EndOfDataAndRejectedKeys) {
    Enc e{83};
    std::string head = levelingHead(e, 0, 0, 0, 20);
    TempDir dir;
    ScriptedPrompter p;
    SurveyNetwork net;
    // A record whose stored byte 4 is 0xFF ends the data normally.
    std::string end(32, '\0');
    end[4] = '\xFF';
    testing::writeAll(dir / "a.lev", head + e.section("A", "B", 0, 0, 1) + end + e.section("C", "D", 0, 0, 1));
    ASSERT_TRUE(net.openLevelingFile(dir / "a.lev", p));
    EXPECT_EQ(net.sectionCount(), 1);
    // Keys 0 and -1 reject the file.
    for (std::int32_t key : {0, -1}) {
        Enc bad{key};
        testing::writeAll(dir / "b.lev", bad.keyBytes() + head.substr(4));
        EXPECT_FALSE(net.openLevelingFile(dir / "b.lev", p));
    }
    EXPECT_FALSE(net.openLevelingFile(dir / "missing.lev", p));
    EXPECT_FALSE(net.openLevelingFile(dir.path(), p));  // a folder
}

SurveyNetwork sampleControl(std::int32_t key) {
    SurveyNetwork net;
    net.key = key;
    net.knownPoints.push_back({"K1", "note", 100, 200, 10});
    net.knownPoints.push_back({"K2", "", 300, 400, 11});
    net.knownAzimuths.push_back({"K1", "K2", 45.5});
    net.control.observationType = kSlopeAndZenith;
    net.control.reserved = 7;
    net.control.reservedFactor = 3.25;
    net.control.heightClosureCoefficient = 40;
    SurveyStation s1;
    s1.name = "STATION12345";  // 12 bytes, carried through the look-ahead
    s1.instrumentHeight = 1.5;
    SurveyObservation o;
    o.targetName = "K2";
    o.direction = 0;
    o.distance = 123.4;
    o.verticalOrHeight = 89.5;
    o.targetHeight = 1.2;
    o.trailing = {1, 2, 3};
    s1.observations.push_back(o);
    o.targetName = "TARGET-ABCDE";
    o.direction = 12.5;
    s1.observations.push_back(o);
    SurveyStation s2;
    s2.name = "EMPTYSTATION";
    SurveyStation s3;
    s3.name = "K1";
    s3.observations.push_back(o);
    net.stations = {s1, s2, s3};
    return net;
}

TEST(SurveyFiles, ControlFileRoundTripsForEveryKeyRange) {
    for (std::int32_t key : {83, 62, 61, 10, -5}) {
        SCOPED_TRACE(key);
        SurveyNetwork src = sampleControl(key);
        std::string bytes = controlFileBytes(src);
        TempDir dir;
        testing::writeAll(dir / "a.con", bytes);
        SurveyNetwork net;
        ScriptedPrompter p;
        ASSERT_TRUE(net.openControlFile(dir / "a.con", p));
        EXPECT_EQ(net.knownPoints, src.knownPoints);
        EXPECT_EQ(net.knownAzimuths, src.knownAzimuths);
        EXPECT_EQ(net.control, src.control);
        EXPECT_EQ(net.stations, src.stations);
        EXPECT_EQ(controlFileBytes(net), bytes);
    }
    // Fixed offsets: azimuth slots at 524, header at 704, stations at 784.
    Enc e{83};
    std::string bytes = controlFileBytes(sampleControl(83));
    EXPECT_EQ(bytes.substr(524, 12), e.name("K1"));
    EXPECT_EQ(bytes.substr(704 + 4, 4), e.i32(kSlopeAndZenith));
    EXPECT_EQ(bytes.substr(784, 12), e.name("STATION12345"));
    EXPECT_EQ(bytes.substr(804, 4), e.marker());
}

TEST(SurveyFiles, HeaderRewriteTouchesOnlyTheHeader) {
    TempDir dir;
    ScriptedPrompter p;
    // Leveling, key 83: 20 bytes at 524.
    SurveyNetwork src;
    src.knownPoints.push_back({"BM1", "", 0, 0, 10});
    LevelingSection s;
    s.startName = "BM1";
    s.endName = "P";
    s.stations.push_back({});
    src.sections.push_back(s);
    std::string before = levelingFileBytes(src);
    testing::writeAll(dir / "a.lev", before);
    SurveyNetwork net;
    ASSERT_TRUE(net.openLevelingFile(dir / "a.lev", p));
    net.leveling = {2, 1, 1, 4.0001};
    ASSERT_TRUE(net.rewriteLevelingHeader());
    std::string after = testing::readAll(dir / "a.lev");
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 524), before.substr(0, 524));
    EXPECT_EQ(after.substr(544), before.substr(544));
    SurveyNetwork again;
    ASSERT_TRUE(again.openLevelingFile(dir / "a.lev", p));
    EXPECT_EQ(again.leveling, net.leveling);

    // Control, key 83: 80 bytes at 704.
    std::string cbefore = controlFileBytes(sampleControl(83));
    testing::writeAll(dir / "a.con", cbefore);
    ASSERT_TRUE(net.openControlFile(dir / "a.con", p));
    net.control.angleSigma = 2.5;
    net.control.triangleClosureLimit = 9;
    ASSERT_TRUE(net.rewriteControlHeader());
    std::string cafter = testing::readAll(dir / "a.con");
    EXPECT_EQ(cafter.substr(0, 704), cbefore.substr(0, 704));
    EXPECT_EQ(cafter.substr(784), cbefore.substr(784));
    ASSERT_TRUE(again.openControlFile(dir / "a.con", p));
    EXPECT_EQ(again.control, net.control);

    // Refused: a failed read, the wrong kind, a file replaced by one with another key.
    std::string truncated = before.substr(0, before.size() - 3);
    testing::writeAll(dir / "t.lev", truncated);
    EXPECT_FALSE(net.openLevelingFile(dir / "t.lev", p));
    EXPECT_FALSE(net.rewriteLevelingHeader());
    EXPECT_EQ(testing::readAll(dir / "t.lev"), truncated);
    ASSERT_TRUE(net.openControlFile(dir / "a.con", p));
    EXPECT_FALSE(net.rewriteLevelingHeader());
    ASSERT_TRUE(net.openLevelingFile(dir / "a.lev", p));
    std::string other = before;
    other[3] = 'x';
    testing::writeAll(dir / "a.lev", other);
    EXPECT_FALSE(net.rewriteLevelingHeader());
    EXPECT_EQ(testing::readAll(dir / "a.lev"), other);
}

// Everything a read fills in.
void expectSameNetwork(const SurveyNetwork& a, const SurveyNetwork& b) {
    EXPECT_EQ(a.loadedKind(), b.loadedKind());
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.fileName, b.fileName);
    EXPECT_EQ(a.filePath, b.filePath);
    EXPECT_EQ(a.knownPoints, b.knownPoints);
    EXPECT_EQ(a.leveling, b.leveling);
    EXPECT_EQ(a.control, b.control);
    EXPECT_EQ(a.sections, b.sections);
    EXPECT_EQ(a.knownAzimuths, b.knownAzimuths);
    EXPECT_EQ(a.stations, b.stations);
}

TEST(SurveyFiles, TruncatedAndHostileFilesFailCleanly) {
    SurveyNetwork lev;
    LevelingSection s;
    s.startName = "A";
    s.endName = "B";
    s.stations.resize(3);
    for (int j = 0; j < 3; ++j) s.stations[static_cast<std::size_t>(j)].readings.fill(1000 * (j + 1));
    lev.sections = {s, s};
    lev.sections[1].stations.clear();
    lev.sections.push_back(s);
    lev.knownPoints.push_back({"A", "", 1, 2, 3});
    const std::string lbytes = levelingFileBytes(lev);
    const std::string cbytes = controlFileBytes(sampleControl(83));
    TempDir dir;
    ScriptedPrompter p;
    // A good file of each kind is open before every attempt: a failed open must
    // leave it exactly as it was.
    SurveyNetwork goodLev, goodCon;
    SurveyNetwork other = lev;
    other.sections.resize(1);
    other.leveling.levelClass = 2;
    testing::writeAll(dir / "good.lev", levelingFileBytes(other));
    ASSERT_TRUE(goodLev.openLevelingFile(dir / "good.lev", p));
    testing::writeAll(dir / "good.con", controlFileBytes(sampleControl(50)));
    ASSERT_TRUE(goodCon.openControlFile(dir / "good.con", p));

    // Every prefix either fails, or is a file that ends where a record may begin
    // (fewer than 8 bytes of a list record, or part of a station marker): what
    // was read is then exactly the file up to there.
    int failed = 0;
    for (std::size_t n = 0; n <= lbytes.size(); ++n) {
        SCOPED_TRACE(n);
        testing::writeAll(dir / "t.lev", lbytes.substr(0, n));
        SurveyNetwork net = goodLev;
        if (!net.openLevelingFile(dir / "t.lev", p)) {
            ++failed;
            expectSameNetwork(net, goodLev);
            continue;
        }
        const std::string again = levelingFileBytes(net);
        EXPECT_EQ(lbytes.substr(0, again.size()), again);
        EXPECT_LT(n - again.size(), 8u);
        if (n == lbytes.size()) {
            EXPECT_EQ(net.sections, lev.sections);
            EXPECT_EQ(net.knownPoints, lev.knownPoints);
        }
    }
    EXPECT_GT(failed, 0);
    for (std::size_t n = 0; n <= cbytes.size(); ++n) {
        SCOPED_TRACE(n);
        testing::writeAll(dir / "t.con", cbytes.substr(0, n));
        SurveyNetwork net = goodCon;
        if (!net.openControlFile(dir / "t.con", p)) {
            expectSameNetwork(net, goodCon);
            continue;
        }
        const std::string again = controlFileBytes(net);
        EXPECT_EQ(cbytes.substr(0, again.size()), again);
        EXPECT_LT(n - again.size(), 8u);
        if (n == cbytes.size()) {
            EXPECT_EQ(net.stations, sampleControl(83).stations);
        }
    }
    // Random bytes: any outcome but a crash; a failed open keeps the good file,
    // a successful one holds no more than the file could carry.
    std::mt19937 rng(7);
    for (int trial = 0; trial < 50; ++trial) {
        std::string junk(static_cast<std::size_t>(rng() % 4000), '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        testing::writeAll(dir / "j.dat", junk);
        SurveyNetwork net = goodLev;
        if (net.openLevelingFile(dir / "j.dat", p)) {
            EXPECT_LE(net.sections.size(), junk.size() / 32 + 1);
        } else {
            expectSameNetwork(net, goodLev);
        }
        net = goodCon;
        if (net.openControlFile(dir / "j.dat", p)) {
            EXPECT_LE(net.stations.size(), junk.size() / 20 + 1);
        } else {
            expectSameNetwork(net, goodCon);
        }
    }
    // Random bytes may put NaN where a value is read: that refusal is the only message.
    for (const std::string& m : p.shown) EXPECT_EQ(m.rfind("数据文件含有无效数值", 0), 0u) << m;
}

TEST(SurveyFiles, StationReduction) {
    LevelingStation st;
    st.readings = {150000, 140000, 130000, 608700, 0, 120000, 0, 598700};
    StationReduction r = reduceStation(st, false);
    EXPECT_DOUBLE_EQ(r.backDistance, 20.0);
    EXPECT_DOUBLE_EQ(r.frontDistance, 0.0);
    EXPECT_DOUBLE_EQ(r.blackHeightDifference, 0.2);
    EXPECT_DOUBLE_EQ(r.redHeightDifference, 0.1);
    EXPECT_DOUBLE_EQ(r.meanHeightDifference, 0.2);
    // Back staff 4787: the red-face difference carries +100 mm, corrected by -0.05.
    st.readings[3] = 628700;
    EXPECT_DOUBLE_EQ(reduceStation(st, true).meanHeightDifference, 0.2);
    // The staff pair alternates between back and front at every station.
    EXPECT_TRUE(backStaffIs4787(1, 0));
    EXPECT_FALSE(backStaffIs4787(1, 1));
    EXPECT_FALSE(backStaffIs4787(0, 0));
    EXPECT_TRUE(backStaffIs4787(0, 1));
    // Absurd readings do not overflow.
    st.readings = {INT32_MAX, 0, INT32_MIN, 0, 0, 0, 0, 0};
    EXPECT_GT(reduceStation(st, false).backDistance, 4e6);
}

TEST(SurveyFiles, SectionTotalsAndLookup) {
    SurveyNetwork net;
    LevelingSection s;
    s.startName = "A";
    s.endName = "B";
    s.staffSelector = 0;
    // Station 0 back 4687, station 1 back 4787; both measure +0.2 m.
    LevelingStation st0, st1;
    st0.readings = {150000, 140000, 130000, 608700, 130000, 120000, 110000, 598700};
    st1.readings = {150000, 140000, 130000, 628700, 130000, 120000, 110000, 598700};
    s.stations = {st0, st1};
    net.sections.push_back(s);
    LevelingSection ex = s;
    ex.excluded = 1;
    net.sections.insert(net.sections.begin(), ex);
    SectionTotals t = net.sectionTotals(1);
    EXPECT_EQ(t.stationCount, 2);
    EXPECT_NEAR(t.heightDifference, 0.4, 1e-12);
    EXPECT_DOUBLE_EQ(t.backDistanceSum, 40.0);
    EXPECT_DOUBLE_EQ(t.frontDistanceSum, 40.0);
    EXPECT_EQ(net.findSection("A", "B"), 1);  // the excluded one is skipped
    EXPECT_EQ(net.findSection("B", "A"), -1);
}

}  // namespace
}  // namespace vornex
