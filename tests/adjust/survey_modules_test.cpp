#include "adjust/survey_modules.h"

#include <gtest/gtest.h>

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

TEST(SurveyModules, LevelingParameterRules) {
    TempDir dir;
    ScriptedPrompter p;
    // Weighting resets the coefficient for the class; a typed one is |v| + 0.0001.
    struct Case {
        int levelClass, weighting;
        double coefficient;
    };
    for (Case c : {Case{1, 1, 4}, Case{0, 1, 6}, Case{1, 0, 12}, Case{3, 0, 20}}) {
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

    // Key 81: no coefficient in the file; it shows 20 and cannot be typed.
    std::string old = levelingFileBytes(smallLeveling(81));
    testing::writeAll(dir / "old.lev", old);
    ASSERT_TRUE(openLevelingModule(m, dir / "old.lev", p));
    EXPECT_FALSE(levelingCoefficientEditable(m.network));
    EXPECT_FALSE(setLevelingClosureCoefficient(m, 5, p));
    EXPECT_EQ(m.network.leveling.closureCoefficient, 20.0);
    EXPECT_TRUE(setLevelingWeighting(m, 1, p));
    EXPECT_EQ(m.network.leveling.closureCoefficient, 20.0);
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

}  // namespace
}  // namespace vornex
