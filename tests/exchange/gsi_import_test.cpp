// GSI raw files into survey files. The fixtures are typed by hand from the
// word layout (WI, information, sign, data, blank); the expected heights and
// coordinates are computed by hand in the comments.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "adjust/survey_modules.h"
#include "exchange/exchange.h"
#include "exchange/gsi_import.h"
#include "exchange/gsi_words.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex {
namespace {

using exchange::RawImportOptions;
using exchange::RawImportResult;
using exchange::RawKind;

// A BFFB line BM1 - 1 - A1 - BM2 (0.01 mm readings), BM1 = 100.00000 typed at
// the start, BM2 = 100.52200 typed at the end, with the level's station results.
//   station 1: (1.52345 - 1.20111 + 1.52343 - 1.20113) / 2 = 0.32232, sights 25.123 / 24.987
//   station 2: (1.40000 - 1.10020 + 1.40002 - 1.10024) / 2 = 0.29979, sights 30.000 / 30.500
//   station 3: (0.98765 - 1.08760 + 0.98769 - 1.08762) / 2 = -0.09994, sights 20.000 / 21.000
const char* const kBffbLine =
    "410001+0000BFFB \r\n"
    "110002+00000BM1 83..18+10000000 \r\n"
    "110003+00000BM1 32...8+02512300 331.08+00152345 \r\n"
    "110004+00000001 32...8+02498700 332.08+00120111 \r\n"
    "110005+00000001 32...8+02498700 336.08+00120113 \r\n"
    "110006+00000BM1 32...8+02512300 335.08+00152343 \r\n"
    "110007+00000001 571.08+00032232 572.08+00032232 573.08+00013600 574.08+05011000 \r\n"
    "110008+00000001 32...8+03000000 331.08+00140000 \r\n"
    "110009+000000A1 32...8+03050000 332.08+00110020 \r\n"
    "110010+000000A1 32...8+03050000 336.08+00110024 \r\n"
    "110011+00000001 32...8+03000000 335.08+00140002 \r\n"
    "110012+000000A1 571.08+00029979 572.08+00062211 573.08-00036400 574.08+11061000 \r\n"
    "110013+000000A1 32...8+02000000 331.08+00098765 \r\n"
    "110014+00000BM2 32...8+02100000 332.08+00108760 \r\n"
    "110015+00000BM2 32...8+02100000 336.08+00108762 \r\n"
    "110016+000000A1 32...8+02000000 335.08+00098769 \r\n"
    "110017+00000BM2 571.08-00009994 572.08+00052217 573.08-00136400 574.08+15161000 \r\n"
    "110018+00000BM2 83..18+10052200 \r\n";

// A BF line BM2 - 5 - A1 in GSI-16 with millimetre readings and an intermediate
// sight at point 99:  (1.235 - 1.543) + (1.333 - 1.111) = -0.086.
const char* const kBfLine =
    "*410019+00000000000000BF \n"
    "*110020+0000000000000BM2 32...0+0000000000015000 331..0+0000000000001235 \n"
    "*110021+0000000000000005 32...0+0000000000016000 332..0+0000000000001543 \n"
    "*110022+0000000000000099 32...0+0000000000010000 333..0+0000000000001111 \n"
    "*110023+0000000000000005 32...0+0000000000017000 331..0+0000000000001333 \n"
    "*110024+00000000000000A1 32...0+0000000000018000 332..0+0000000000001111 \n";

RawImportResult convert(const std::string& text, const RawImportOptions& options = {}) {
    return exchange::convertRaw(text, options);
}

std::string knownNames(const SurveyNetwork& n) {
    std::string s;
    for (const ControlPoint& p : n.knownPoints) s += p.name.str() + "=" + std::to_string(p.h) + " ";
    return s;
}

bool hasNote(const RawImportResult& r, const std::string& part) {
    for (const std::string& n : r.notes) {
        if (n.find(part) != std::string::npos) return true;
    }
    return false;
}

TEST(GsiWords, BothWidthsBlockNumbersAndUnits) {
    std::vector<exchange::gsi::Block> blocks;
    std::string error;
    ASSERT_TRUE(exchange::gsi::readBlocks(
        "110012+0000A110 21.102+19723700 31..00+00045179\n"
        "*11....+000000000000PT-7 22.104-0000000009012345 32...8+0000000001234567 \n"
        "11....+00000012 21.105+32000000 33...1+00001000 87...6+00015000 88...7+00050000\n",
        blocks, error))
        << error;
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].blockNumber, 12);
    EXPECT_EQ(blocks[0].words[0].index, 11);
    EXPECT_EQ(exchange::gsi::pointName(blocks[0].words[0]), "A110");
    EXPECT_EQ(exchange::gsi::pointName(blocks[1].words[0]), "PT-7");
    EXPECT_TRUE(blocks[1].wide);
    EXPECT_EQ(blocks[2].blockNumber, -1);
    struct Case {
        int block, word;
        bool angle;
        double expected;
    };
    const Case cases[] = {
        {0, 1, true, 197.237 * 0.9},                        // gon
        {0, 2, false, 45.179},                              // m, last digit mm
        {1, 1, true, -(90 + 12 / 60.0 + 34.5 / 3600.0)},    // DDDMMSSs with a sign
        {1, 2, false, 12.34567},                            // m, last digit 0.01 mm
        {2, 1, true, 180.0},                                // 3200 mil
        {2, 2, false, 1.0 * 0.3048},                        // ft, last digit 1/1000
        {2, 3, false, 1.5},                                 // m, last digit 0.1 mm
        {2, 4, false, 5.0 * 0.3048},                        // ft, last digit 1/10000
    };
    for (const Case& c : cases) {
        const auto& b = blocks[static_cast<std::size_t>(c.block)];
        const auto& w = b.words[static_cast<std::size_t>(c.word)];
        double v = 0;
        ASSERT_TRUE(c.angle ? exchange::gsi::angleValue(b, w, v, error) : exchange::gsi::lengthValue(b, w, v, error))
            << error;
        EXPECT_NEAR(v, c.expected, 1e-9) << w.raw;
    }
    // Angles are no lengths and a missing unit is never guessed.
    double v = 0;
    EXPECT_FALSE(exchange::gsi::lengthValue(blocks[0], blocks[0].words[1], v, error));
    EXPECT_NE(error.find("第 1 行第 2 个字"), std::string::npos) << error;
    EXPECT_FALSE(exchange::gsi::angleValue(blocks[1], blocks[1].words[0], v, error));
}

TEST(GsiWords, MalformedRowsAreRefusedWithTheirPlace) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"110001+0000BM1\n", "第 1 行第 1 个字"},                        // truncated word
        {"110001+00000BM1 32...8+025123\n", "第 1 行第 2 个字"},         // truncated at the end
        {"\n\n110001+00000BM1 32...8*02512300 \n", "第 3 行第 2 个字"},  // no sign
        {"110001+00000BM1 32...8+0251 300 \n", "第 1 行第 2 个字"},      // blank in the data
        {"110001+00000BM1X32...8+02512300 \n", "第 1 行第 1 个字"},      // no blank between words
        {"1A0001+00000BM1 \n", "第 1 行第 1 个字"},                      // index not a number
        {"110001+00000BM1 3x...8+02512300 \n", "第 1 行第 2 个字"},
        {"110001+00000BM1 339.08+00152345 \n", "不认识的字号 339"},
        {"*110001+00000BM1 \n", "GSI-16"},                              // a GSI-16 line with 8-character data
        {"110001+0000\x01" "BM1 \n", "\\x01"},
    };
    for (const Case& c : cases) {
        std::vector<exchange::gsi::Block> blocks;
        std::string error;
        EXPECT_FALSE(exchange::gsi::readBlocks(c.text, blocks, error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " -> " << error;
    }
}

TEST(GsiLeveling, BffbLineBecomesSectionsWithKnownHeightsAndAdjustsAsByHand) {
    RawImportResult r = convert(kBffbLine);
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    EXPECT_EQ(r.kind, RawKind::Leveling);
    const SurveyNetwork& net = r.network;
    EXPECT_EQ(net.leveling.levelClass, 2);  // 二等 unless told
    EXPECT_EQ(net.leveling.instrument, 1);  // readings to 0.01 mm
    ASSERT_EQ(net.sections.size(), 2u);     // point "1" is a turning point, A1 a named point
    EXPECT_EQ(net.sections[0].startName.str(), "BM1");
    EXPECT_EQ(net.sections[0].endName.str(), "A1");
    EXPECT_EQ(net.sections[0].stations.size(), 2u);
    EXPECT_EQ(net.sections[1].endName.str(), "BM2");
    EXPECT_EQ(knownNames(net), "BM1=100.000000 BM2=100.522000 ");
    // The instrument's own station results agree with the readings.
    for (const std::string& n : r.notes) EXPECT_EQ(n.find("仪器记录"), std::string::npos) << n;

    // Station 1 as the sheet stores it: the two readings of a staff differ by
    // 0.02 mm (K + 黑 - 红), the stadia give back the sight length.
    const LevelingStation& s = net.sections[0].stations[0];
    EXPECT_EQ(s.readings[LevelingStation::BackMiddle], 152345);
    EXPECT_EQ(s.readings[LevelingStation::BackRedMiddle], 152343 + 468700);
    EXPECT_EQ(s.readings[LevelingStation::FrontRedMiddle], 120113 + 478700);
    const StationReduction red = reduceStation(s, backStaffIs4787(0, 0));
    EXPECT_NEAR(red.backDistance, 25.123, 1e-9);
    EXPECT_NEAR(red.frontDistance, 24.987, 1e-9);
    EXPECT_NEAR(red.meanHeightDifference, 0.32232, 1e-9);
    EXPECT_NEAR(reduceStation(net.sections[0].stations[1], backStaffIs4787(0, 1)).meanHeightDifference, 0.29979, 1e-9);

    // Written, read back and adjusted: the misclosure 0.52217 - 0.52200 =
    // 0.17 mm is spread by length (110.610 m and 41.000 m).
    testing::TempDir dir;
    ASSERT_TRUE(writeSurveyFile(dir / "a.lev", levelingFileBytes(net)));
    LevelingModule m;
    testing::ScriptedPrompter p;
    ASSERT_TRUE(openLevelingModule(m, dir / "a.lev", p));
    ASSERT_TRUE(m.adjust.adjusted);
    const int a1 = m.adjust.findPoint("A1");
    ASSERT_GE(a1, 0);
    const double expected = 100.0 + 0.32232 + 0.29979 - 0.00017 * 110.61 / 151.61;
    EXPECT_NEAR(m.adjust.heights[static_cast<std::size_t>(a1)], expected, 1e-7);
}

TEST(GsiLeveling, EditedReadingIsReportedAgainstTheInstrumentsResults) {
    std::string edited = kBffbLine;
    const std::size_t at = edited.find("332.08+00110020");
    ASSERT_NE(at, std::string::npos);
    edited.replace(at, 15, "332.08+00110070");  // 0.5 mm on one fore reading: 0.25 mm on the station
    RawImportResult r = convert(edited);
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    EXPECT_TRUE(hasNote(r, "第 12 行：仪器记录的测站高差")) << ::testing::PrintToString(r.notes);
    EXPECT_TRUE(hasNote(r, "第 17 行：仪器记录的累积高差")) << ::testing::PrintToString(r.notes);
}

TEST(GsiLeveling, BfLineIntermediateSightsAndLineChoice) {
    const std::string both = std::string(kBffbLine) + kBfLine;
    RawImportResult all = convert(both);
    ASSERT_EQ(all.status, exchange::kExchangeOk) << all.error;
    // Every line in one survey: the BF line is BM2 -> A1, the return of A1 -> BM2.
    ASSERT_EQ(all.network.sections.size(), 3u);
    const LevelingSection& bf = all.network.sections[2];
    EXPECT_EQ(bf.startName.str(), "BM2");
    EXPECT_EQ(bf.endName.str(), "A1");
    ASSERT_EQ(bf.stations.size(), 2u);
    // A single reading is its own second reading: K + 黑 - 红 shows 0.
    const LevelingStation& s = bf.stations[0];
    EXPECT_EQ(s.readings[LevelingStation::BackRedMiddle] - s.readings[LevelingStation::BackMiddle], 468700);
    EXPECT_EQ(s.readings[LevelingStation::FrontRedMiddle] - s.readings[LevelingStation::FrontMiddle], 478700);
    EXPECT_NEAR(all.network.sectionTotals(2).heightDifference, -0.086, 1e-9);
    EXPECT_NEAR(all.network.sectionTotals(2).backDistanceSum, 32.0, 1e-9);
    EXPECT_TRUE(hasNote(all, "中间视读数（字 333）1 个")) << ::testing::PrintToString(all.notes);

    RawImportOptions second;
    second.line = 2;
    RawImportResult only = convert(both, second);
    ASSERT_EQ(only.status, exchange::kExchangeOk) << only.error;
    ASSERT_EQ(only.network.sections.size(), 1u);
    EXPECT_EQ(only.network.sections[0].startName.str(), "BM2");
    EXPECT_TRUE(only.network.knownPoints.empty());  // BM2's height belongs to line 1
    second.line = 3;
    EXPECT_NE(convert(both, second).status, exchange::kExchangeOk);
    RawImportOptions order;
    order.order = "三等";
    EXPECT_EQ(convert(both, order).network.leveling.levelClass, 1);
    order.order = "五等";
    EXPECT_NE(convert(both, order).status, exchange::kExchangeOk);
}

TEST(GsiLeveling, RefusesWhatItCannotStoreOrUnderstand) {
    const std::string line = kBffbLine;
    auto without = [&](const std::string& from) { return line.substr(0, line.find(from)); };
    auto replaced = [&](const std::string& a, const std::string& b, std::string t = "") {
        if (t.empty()) t = line;
        t.replace(t.find(a), a.size(), b);
        return t;
    };
    std::string elevenKnown;
    for (int k = 0; k < 11; ++k) {
        auto pad = [](std::string n) { return std::string(8 - n.size(), '0') + n; };
        const std::string a = pad("K" + std::to_string(k)), b = pad("K" + std::to_string(k + 1));
        const std::string ha = std::to_string(10000000 + 10000 * k), hb = std::to_string(10010000 + 10000 * k);
        elevenKnown += "410001+000000BF \n110002+" + a + " 83..18+" + ha + " \n";
        elevenKnown += "110003+" + a + " 32...8+02000000 331.08+00150000 \n";
        elevenKnown += "110004+" + b + " 32...8+02000000 332.08+00140000 \n";
        elevenKnown += "110005+" + b + " 83..18+" + hb + " \n";
    }
    struct Case {
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {without("110016"), "没有闭合"},                                    // the line stops inside a station
        {replaced("331.08+00140000", "331.09+00140000"), "单位代码 9"},     // unknown unit
        {replaced("331.08+00140000", "331..2+00140000"), "不是长度单位"},   // an angle unit on a reading
        {replaced("331.08+00140000", "331...+00140000"), "没有单位"},
        {replaced("110014+00000BM2 32...8+02100000 ", "110014+00000BM2 "), "没有视距"},
        {replaced("110011+00000001", "110011+00000007", replaced("110008+00000001", "110008+00000007")),
         "不是上一站的前视点"},
        {replaced("110018+00000BM2 83..18+10052200", "110018+00000BM1 83..18+10052200"), "已知点 BM1 的高程"},
        {elevenKnown, "最多存 10 个"},
        {line + "110019+00000BM2 21.102+01111204 \n", "既有水准读数"},
        {"110001+00000BM1 83..18+10000000 \n", "没有水准读数"},
    };
    for (const Case& c : cases) {
        RawImportResult r = convert(c.text);
        EXPECT_NE(r.status, exchange::kExchangeOk) << c.expected;
        EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.expected << " -> " << r.error;
        EXPECT_TRUE(r.network.sections.empty());
    }
    // A name over 12 characters (GSI-16 holds 16) is refused, never cut.
    const std::string longName =
        "*410001+000000000000BFFB \n"
        "*110002+00LONGBENCHMARK1 32...8+0000000002000000 331.08+0000000000150000 \n"
        "*110003+0000000000000001 32...8+0000000002000000 332.08+0000000000140000 \n"
        "*110004+0000000000000001 32...8+0000000002000000 331.08+0000000000150000 \n"
        "*110005+000000000000BM22 32...8+0000000002000000 332.08+0000000000140000 \n";
    RawImportResult r = convert(longName);
    EXPECT_NE(r.status, exchange::kExchangeOk);
    EXPECT_NE(r.error.find("LONGBENCHMARK1"), std::string::npos) << r.error;
}

TEST(GsiImport, NoiseIsRefusedCleanly) {
    std::mt19937 rng(28);
    std::string noise(10u << 20, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    RawImportResult r = convert(noise);
    EXPECT_EQ(r.status, exchange::kExchangeBadFile);
    EXPECT_NE(r.error.find("第 "), std::string::npos);
    // Printable noise of well-formed length too.
    std::string words;
    for (int k = 0; k < 2000; ++k) {
        std::string w(15, ' ');
        for (char& c : w) c = static_cast<char>(0x21 + rng() % 94);
        words += w + (k % 7 == 6 ? "\n" : " ");
    }
    EXPECT_EQ(convert(words).status, exchange::kExchangeBadFile);
}

TEST(GsiImport, WritesANewFileOnlyAndNeverReplacesOne) {
    testing::TempDir dir;
    testing::writeAll(dir / "line.gsi", kBffbLine);
    RawImportResult r;
    EXPECT_EQ(exchange::importRawFile(dir / "line.gsi", dir / "a.lev", {}, r), exchange::kExchangeOk) << r.error;
    SurveyNetwork back;
    testing::ScriptedPrompter p;
    ASSERT_TRUE(back.openLevelingFile(dir / "a.lev", p));
    EXPECT_EQ(back.sections, r.network.sections);

    testing::writeAll(dir / "old.lev", "keep me");
    EXPECT_EQ(exchange::importRawFile(dir / "line.gsi", dir / "old.lev", {}, r), exchange::kExchangeOutputExists);
    EXPECT_EQ(testing::readAll(dir / "old.lev"), "keep me");
    // The kind must match the output's extension; nothing is written otherwise.
    EXPECT_EQ(exchange::importRawFile(dir / "line.gsi", dir / "a.con", {}, r), exchange::kExchangeBadFile);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.con"));
    EXPECT_EQ(exchange::importRawFile(dir / "missing.gsi", dir / "b.lev", {}, r), exchange::kExchangeCannotRead);
    EXPECT_FALSE(std::filesystem::exists(dir / "b.lev"));
}

}  // namespace
}  // namespace vornex

namespace vornex {
namespace {

// One station A (instrument height 1.500) sighting B and C on both faces:
// directions 10 and 40 degrees, 2C = +6", index error +10", zenith 90 and
// 89.5 degrees, slope distances 100.00000 and 50.00190 on face left, reflector
// 1.500. With A (1000, 1000, 100) and B (1100, 1000) known, C lies at azimuth
// 30 degrees and 50.00190 sin(89.5) m from A.
const char* const kRoundGon =
    "110001+0000000A 84...0+01000000 85...0+01000000 86...0+00100000 88...0+00001500 \n"
    "110002+0000000B 21.102+01111204 22.102+10000309 31..08+10000000 87...0+00001500 \n"
    "110003+0000000C 21.102+04444537 22.102+09944753 31..08+05000190 87...0+00001500 \n"
    "110004+0000000C 21.102+24444352 22.102+30055864 \n"
    "110005+0000000B 21.102+21111019 22.102+30000309 \n";
const char* const kRoundDms =
    "*110001+000000000000000A 84...0+0000000001000000 85...0+0000000001000000 88...0+0000000000001500 \n"
    "*110002+000000000000000B 21.104+0000000001000030 22.104+0000000009000100 31..08+0000000010000000 87...0+0000000000001500 \n"
    "*110003+000000000000000C 21.104+0000000004000030 22.104+0000000008930100 31..08+0000000005000190 \n"
    "*110004+000000000000000C 21.104+0000000021959570 22.104+0000000027030100 \n"
    "*110005+000000000000000B 21.104+0000000018959570 22.104+0000000027000100 \n";

RawImportOptions knownAB() {
    RawImportOptions o;
    std::string error;
    EXPECT_TRUE(exchange::parseKnownPoints("# name,X,Y,H\nA,1000,1000,100\n\nB,1100,1000,100\n", o.knownPoints, error))
        << error;
    return o;
}

TEST(GsiControl, RoundOnBothFacesInGonAndDegreesAdjustsAsByHand) {
    for (const char* text : {kRoundGon, kRoundDms}) {
        RawImportResult r = exchange::convertRaw(text, knownAB());
        ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
        EXPECT_EQ(r.kind, RawKind::Control);
        const SurveyNetwork& net = r.network;
        EXPECT_EQ(net.control.observationType, kSlopeAndZenith);
        ASSERT_EQ(net.stations.size(), 1u);
        const SurveyStation& st = net.stations[0];
        EXPECT_EQ(st.name.str(), "A");
        EXPECT_DOUBLE_EQ(st.instrumentHeight, 1.5);
        ASSERT_EQ(st.observations.size(), 2u);
        // Reduced to the first direction, faces meaned (2C and index error taken out).
        EXPECT_NEAR(st.observations[0].direction, 0.0, 0.05 / 3600);
        EXPECT_NEAR(st.observations[1].direction, 30.0, 0.05 / 3600);
        EXPECT_NEAR(st.observations[1].verticalOrHeight, 89.5, 0.05 / 3600);
        EXPECT_NEAR(st.observations[1].distance, 50.0019, 1e-9);
        EXPECT_DOUBLE_EQ(st.observations[1].targetHeight, 1.5);
        EXPECT_TRUE(r.notes.empty() || !hasNote(r, "超过")) << ::testing::PrintToString(r.notes);

        testing::TempDir dir;
        ASSERT_TRUE(writeSurveyFile(dir / "a.con", controlFileBytes(net)));
        ControlModule m;
        testing::ScriptedPrompter p;
        ASSERT_TRUE(openControlModule(m, dir / "a.con", p));
        const int c = m.plane.findPoint("C");
        ASSERT_GE(c, 0);
        const double d = 50.0019 * std::sin(89.5 * M_PI / 180);
        EXPECT_NEAR(m.plane.coordinates[static_cast<std::size_t>(c)].x, 1000 + d * std::cos(M_PI / 6), 1e-4);
        EXPECT_NEAR(m.plane.coordinates[static_cast<std::size_t>(c)].y, 1000 + d * std::sin(M_PI / 6), 1e-4);
    }
}

TEST(GsiControl, LimitsOfTheOrderAndWhatIsRefused) {
    // C's face-right direction 12" off: its 2C becomes 18" against B's 6",
    // a variation of 12": within 四等's 13", over 二等's 9".
    std::string text = kRoundGon;
    text.replace(text.find("24444352"), 8, "24444722");  // +0.00370 gon = 11.99"
    RawImportOptions o = knownAB();
    EXPECT_FALSE(hasNote(exchange::convertRaw(text, o), "2C 互差"));
    o.order = "二等";
    RawImportResult r = exchange::convertRaw(text, o);
    ASSERT_EQ(r.status, exchange::kExchangeOk) << r.error;
    EXPECT_TRUE(hasNote(r, "测站 A 第 1 测回：2C 互差 12.0″ 超过二等限差 9.0″")) << ::testing::PrintToString(r.notes);

    // Without known heights the file holds plane observations only.
    RawImportOptions planeOnly;
    std::string error;
    ASSERT_TRUE(exchange::parseKnownPoints("A,1000,1000\nB,1100,1000\n", planeOnly.knownPoints, error)) << error;
    EXPECT_EQ(exchange::convertRaw(kRoundGon, planeOnly).network.control.observationType, kSlopeDistance);

    struct Case {
        std::string text;
        const char* expected;
    };
    std::string mixed = kRoundGon;
    mixed += "110006+0000000D 21.102+01111204 22.102+10000309 32..08+10000000 \n";
    const Case cases[] = {
        {mixed, "既有斜距"},
        {std::string(kRoundGon).replace(std::string(kRoundGon).find("21.102+04444537"), 15, "21.109+04444537"), "单位代码 9"},
        {std::string(kRoundGon).replace(std::string(kRoundGon).find("21.102+04444537"), 15, "21.100+04444537"), "不是角度单位"},
        {std::string(kRoundGon).substr(std::string(kRoundGon).find("110002")), "没有设站"},
        {"110001+0000000A 88...0+00001500 \n110002+0000000B 21.104+01000700 \n", "分或秒不小于 60"},
    };
    for (const Case& c : cases) {
        RawImportResult bad = exchange::convertRaw(c.text, knownAB());
        EXPECT_NE(bad.status, exchange::kExchangeOk) << c.expected;
        EXPECT_NE(bad.error.find(c.expected), std::string::npos) << c.expected << " -> " << bad.error;
    }
    std::vector<ControlPoint> pts;
    EXPECT_FALSE(exchange::parseKnownPoints("TOOLONGPOINTNAME,1,2\n", pts, error));
    EXPECT_NE(error.find("超过 12 个字节"), std::string::npos) << error;
    EXPECT_FALSE(exchange::parseKnownPoints("A,1,x\n", pts, error));
    EXPECT_FALSE(exchange::parseKnownPoints("A,1,2\nA,3,4\n", pts, error));
}

}  // namespace
}  // namespace vornex
