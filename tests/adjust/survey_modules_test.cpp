#include "adjust/survey_modules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "adjust/demo_networks.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

TEST(DemoFiles, CheckedInFilesAreWhatTheGeneratorMakes) {
    const std::filesystem::path dir = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";
    EXPECT_EQ(testing::readAll(dir / "demo.lev"), levelingFileBytes(demoLevelingNetwork()));
    EXPECT_EQ(testing::readAll(dir / "demo.con"), controlFileBytes(demoControlNetwork()));
}

TEST(DemoFiles, DemosAdjustWithoutMessages) {
    const std::filesystem::path dir = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";
    ScriptedPrompter p;
    LevelingModule lev;
    ASSERT_TRUE(openLevelingModule(lev, dir / "demo.lev", p));
    EXPECT_EQ(lev.network.knownPoints.size(), 4u);
    EXPECT_EQ(lev.adjust.adjusted, 1);
    EXPECT_LT(lev.adjust.observationCount, lev.network.sectionCount());  // runs merged, one excluded
    EXPECT_GT(lev.adjust.observationCount - lev.adjust.pointCount + 1, 0);  // loops
    ControlModule con;
    ASSERT_TRUE(openControlModule(con, dir / "demo.con", p));
    EXPECT_EQ(con.plane.adjusted, 1);
    EXPECT_EQ(con.heights.adjusted, 1);
    EXPECT_EQ(con.plane.azimuthCount(), 1);
    EXPECT_TRUE(p.shown.empty());
}

SurveyNetwork smallLeveling(std::int32_t key) {
    SurveyNetwork net;
    net.key = key;
    net.knownPoints = {{"A", "", 0, 0, 10}, {"B", "", 0, 0, 11}};
    net.leveling.levelClass = 1;
    LevelingSection s;
    s.startName = "A";
    s.endName = "P";
    LevelingStation st;
    st.readings = {150000, 140000, 130000, 598700, 130000, 120000, 110000, 598700};
    s.stations = {st};
    net.sections.push_back(s);
    s.startName = "P";
    s.endName = "B";
    net.sections.push_back(s);
    return net;
}

TEST(SurveyModules, CurvatureStaysWhenRefractionIsZero) {
    // The correction (1 - k) D^2 / 2R at D = 1000 m: k = 0 keeps the curvature
    // of the earth; not correcting gives the plain formula.
    const double zenith = 89.0, slope = 1000 / std::sin(zenith * kPi / 180);
    const double plain = slope * std::cos(zenith * kPi / 180) + 1.5 - 1.8;
    const double d2r = 1000.0 * 1000.0 / (2 * kEarthRadius);
    EXPECT_NEAR(trigonometricHeight(slope, zenith, 1.5, 1.8, 0.0), plain + d2r, 1e-9);
    EXPECT_NEAR(trigonometricHeight(slope, zenith, 1.5, 1.8, 0.14), plain + 0.86 * d2r, 1e-9);
    EXPECT_NEAR(trigonometricHeight(slope, zenith, 1.5, 1.8, 0.14, false), plain, 1e-12);

    // The example's loop K2 - C3 - C5 - K2 closes alike at k = 0 and k = 0.001.
    ScriptedPrompter p;
    auto loopClosure = [&](double k, bool correct) {
        ControlModule m;
        m.refraction = k;
        m.correctCurvature = correct;
        EXPECT_TRUE(openControlModule(m, std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.con", p));
        EXPECT_TRUE(usesTrigonometricHeights(m));
        for (const ClosureRecord& c : m.heights.closures) {
            std::string path;
            for (int i : c.points()) path += m.heights.pointNames[static_cast<std::size_t>(i)] + " ";
            if (path == "K2 C3 C5 K2 ") return c.misclosure();
        }
        ADD_FAILURE() << "no loop K2 - C3 - C5 - K2";
        return 0;
    };
    const int zero = loopClosure(0.0, true);
    EXPECT_NEAR(zero, loopClosure(0.001, true), 2);  // 0.1 mm units
    EXPECT_LT(std::abs(zero), 100);                  // within 10 mm
    EXPECT_GT(std::abs(loopClosure(0.14, false)), 500);  // uncorrected: far off
    ControlModule m;
    EXPECT_EQ(heightCorrectionText(m), "大气折光系数: 0.14");
    m.correctCurvature = false;
    EXPECT_EQ(heightCorrectionText(m), "球气差改正: 不改正");
}

TEST(SurveyModules, LevelingParameterRules) {
    TempDir dir;
    ScriptedPrompter p;
    // Weighting resets the coefficient to the order's: by length 2 / 4 / 12 / 20
    // from first to fourth order, by stations 4 for third order and 6 otherwise.
    // A typed one is |v| + 0.0001.
    struct Case {
        int levelClass, weighting;
        double coefficient;
    };
    for (Case c : {Case{1, 1, 4}, Case{0, 1, 6}, Case{3, 1, 6}, Case{1, 0, 12}, Case{0, 0, 20}, Case{2, 0, 4}, Case{3, 0, 2}}) {
        SurveyNetwork net = smallLeveling(83);
        net.leveling.levelClass = c.levelClass;
        testing::writeAll(dir / "a.lev", levelingFileBytes(net));
        LevelingModule m;
        ASSERT_TRUE(openLevelingModule(m, dir / "a.lev", p));
        EXPECT_TRUE(setLevelingWeighting(m, c.weighting, p));
        EXPECT_EQ(m.network.leveling.closureCoefficient, c.coefficient);
        EXPECT_EQ(m.adjust.weightByStations, c.weighting == 1);
        SurveyNetwork back;
        ASSERT_TRUE(back.openLevelingFile(dir / "a.lev", p));
        EXPECT_EQ(back.leveling.closureCoefficient, c.coefficient);
        EXPECT_EQ(back.leveling.weighting, c.weighting);
    }
    LevelingModule m;
    ASSERT_TRUE(openLevelingModule(m, dir / "a.lev", p));
    EXPECT_TRUE(setLevelingClosureCoefficient(m, -8, p));
    EXPECT_DOUBLE_EQ(m.network.leveling.closureCoefficient, 8.0001);
    EXPECT_DOUBLE_EQ(m.adjust.closureCoefficient, 8.0001);  // solved again with it

    // Key 81: no coefficient in the file; it is the order's (third order: 12 by
    // length, 4 by stations) and cannot be typed.
    std::string old = levelingFileBytes(smallLeveling(81));
    testing::writeAll(dir / "old.lev", old);
    ASSERT_TRUE(openLevelingModule(m, dir / "old.lev", p));
    EXPECT_FALSE(levelingCoefficientEditable(m.network));
    EXPECT_EQ(m.network.leveling.closureCoefficient, 12.0);
    EXPECT_EQ(m.adjust.closureCoefficient, 12.0);
    EXPECT_FALSE(setLevelingClosureCoefficient(m, 5, p));
    EXPECT_EQ(m.network.leveling.closureCoefficient, 12.0);
    EXPECT_TRUE(setLevelingWeighting(m, 1, p));
    EXPECT_EQ(m.network.leveling.closureCoefficient, 4.0);
    EXPECT_EQ(m.adjust.closureCoefficient, 4.0);
    std::string now = testing::readAll(dir / "old.lev");
    EXPECT_EQ(now.size(), old.size());
    EXPECT_EQ(now.substr(536), old.substr(536));  // only the 12 header bytes at 524 changed
    EXPECT_NE(now.substr(524, 12), old.substr(524, 12));
    EXPECT_TRUE(p.shown.empty());
}

TEST(SurveyModules, ControlParameterEdit) {
    TempDir dir;
    ScriptedPrompter p;
    testing::writeAll(dir / "a.con", controlFileBytes(demoControlNetwork()));
    ControlModule m;
    ASSERT_TRUE(openControlModule(m, dir / "a.con", p));
    const double before = m.plane.sigma0;
    EXPECT_TRUE(setControlParameter(m, ControlParameter::AngleSigma, "4.0秒", p));
    EXPECT_EQ(m.network.control.angleSigma, 4.0);
    EXPECT_NEAR(m.plane.directionSigma, 4.0 / std::sqrt(2.0), 1e-15);
    EXPECT_NE(m.plane.sigma0, before);
    EXPECT_TRUE(setControlParameter(m, ControlParameter::HeightClosure, "abc", p));
    EXPECT_EQ(m.network.control.heightClosureCoefficient, 0.0);  // atof of text without a number
    EXPECT_EQ(m.heights.closureCoefficient, 0.0);
    SurveyNetwork back;
    ASSERT_TRUE(back.openControlFile(dir / "a.con", p));
    EXPECT_EQ(back.control, m.network.control);
    EXPECT_EQ(back.stations, m.network.stations);
}

TEST(SurveyModules, FailedOpenKeepsTheModule) {
    TempDir dir;
    ScriptedPrompter p;
    const std::filesystem::path examples = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";
    LevelingModule lev;
    ASSERT_TRUE(openLevelingModule(lev, examples / "demo.lev", p));
    const LevelingModule before = lev;
    // A file cut inside a station record, and a file that is not there.
    const std::string bytes = levelingFileBytes(smallLeveling(83));
    testing::writeAll(dir / "cut.lev", bytes.substr(0, bytes.size() - 5));
    for (const char* name : {"cut.lev", "missing.lev"}) {
        SCOPED_TRACE(name);
        p.shown.clear();
        EXPECT_FALSE(openLevelingModule(lev, dir / name, p));
        EXPECT_EQ(p.shown.size(), name == std::string("missing.lev") ? 1u : 0u);  // a file that is not there is named
        EXPECT_EQ(lev.network.filePath, before.network.filePath);
        EXPECT_EQ(lev.network.sections, before.network.sections);
        EXPECT_EQ(lev.network.loadedKind(), SurveyFileKind::Leveling);
        EXPECT_EQ(lev.adjust.adjusted, 1);
        EXPECT_EQ(lev.adjust.heights, before.adjust.heights);
        EXPECT_EQ(lev.adjust.closures.size(), before.adjust.closures.size());
    }
    ControlModule con;
    ASSERT_TRUE(openControlModule(con, examples / "demo.con", p));
    const ControlModule cbefore = con;
    const std::string cbytes = controlFileBytes(demoControlNetwork());
    testing::writeAll(dir / "cut.con", cbytes.substr(0, cbytes.size() - 5));
    p.shown.clear();
    EXPECT_FALSE(openControlModule(con, dir / "cut.con", p));
    EXPECT_EQ(con.network.stations, cbefore.network.stations);
    EXPECT_EQ(con.plane.adjusted, 1);
    EXPECT_EQ(con.plane.coordinates.size(), cbefore.plane.coordinates.size());
    EXPECT_EQ(con.heights.heights, cbefore.heights.heights);
    EXPECT_TRUE(p.shown.empty());
}

TEST(SurveyModules, FailedHeaderRewriteIsToldAndUndone) {
    TempDir dir;
    ScriptedPrompter p;
    // The file is replaced after reading (another key), or taken away: the
    // header cannot be written back. The user is told, and memory keeps the
    // values the file still holds.
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> spoil;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"replaced", [](const std::filesystem::path& f) { testing::writeAll(f, levelingFileBytes(smallLeveling(90))); }, "文件已被改动"},
        {"removed", [](const std::filesystem::path& f) { std::filesystem::remove(f); }, "文件已不存在"},
        {"a folder", [](const std::filesystem::path& f) { std::filesystem::remove(f); std::filesystem::create_directory(f); }, "不是普通文件"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path file = dir / "a.lev";
        std::filesystem::remove_all(file);
        testing::writeAll(file, levelingFileBytes(smallLeveling(83)));
        LevelingModule m;
        ASSERT_TRUE(openLevelingModule(m, file, p));
        const LevelingHeader header = m.network.leveling;
        const std::vector<double> heights = m.adjust.heights;
        c.spoil(file);
        p.shown.clear();
        EXPECT_FALSE(setLevelingWeighting(m, 1, p));
        EXPECT_FALSE(setLevelingClosureCoefficient(m, 7, p));
        ASSERT_EQ(p.shown.size(), 2u);
        EXPECT_NE(p.shown[0].find("a.lev"), std::string::npos) << p.shown[0];
        EXPECT_NE(p.shown[0].find(c.reason), std::string::npos) << p.shown[0];
        EXPECT_EQ(m.network.leveling, header);
        EXPECT_FALSE(m.adjust.weightByStations);
        EXPECT_EQ(m.adjust.heights, heights);
    }
    // The control pane's numbers alike.
    testing::writeAll(dir / "a.con", controlFileBytes(demoControlNetwork()));
    ControlModule c;
    ASSERT_TRUE(openControlModule(c, dir / "a.con", p));
    const ControlHeader header = c.network.control;
    std::filesystem::remove(dir / "a.con");
    p.shown.clear();
    EXPECT_FALSE(setControlParameter(c, ControlParameter::AngleSigma, "9", p));
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_NE(p.shown[0].find("文件已不存在"), std::string::npos);
    EXPECT_EQ(c.network.control, header);
}

}  // namespace
}  // namespace vornex
