#include "adjust/survey_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "adjust/demo_networks.h"
#include "adjust/survey_modules.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

struct FieldCase {
    bool leveling;
    const char* what;  // expected in the message; empty: a field that is only carried
    std::function<double&(SurveyNetwork&)> field;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// NaN, infinities and 1e308 in each kind of numeric field of the leveling and
// control files: fields the adjustment reads refuse NaN and infinities with a
// message naming the record and the field; 1e308 reads; carried fields keep
// what they hold.
TEST(SurveyValues, NonFiniteFieldsAreRefusedHugeOnesRead) {
    const FieldCase cases[] = {
        {true, "已知点第1行“", [](SurveyNetwork& n) -> double& { return n.knownPoints.at(0).h; }},
        {true, "“闭合差系数”", [](SurveyNetwork& n) -> double& { return n.leveling.closureCoefficient; }},
        {true, "", [](SurveyNetwork& n) -> double& { return n.knownPoints.at(0).x; }},
        {false, "的“Y”", [](SurveyNetwork& n) -> double& { return n.knownPoints.at(1).y; }},
        {false, "的“高程”", [](SurveyNetwork& n) -> double& { return n.knownPoints.at(0).h; }},
        {false, "已知方位角第1行的“方位角”", [](SurveyNetwork& n) -> double& { return n.knownAzimuths.at(0).azimuth; }},
        {false, "“测角中误差”", [](SurveyNetwork& n) -> double& { return n.control.angleSigma; }},
        {false, "的“仪器高”", [](SurveyNetwork& n) -> double& { return n.stations.at(0).instrumentHeight; }},
        {false, "第2个观测", [](SurveyNetwork& n) -> double& { return n.stations.at(0).observations.at(1).direction; }},
        {false, "的“距离”", [](SurveyNetwork& n) -> double& { return n.stations.at(1).observations.at(0).distance; }},
        {false, "的“天顶距”", [](SurveyNetwork& n) -> double& { return n.stations.at(1).observations.at(0).verticalOrHeight; }},
        {false, "的“棱镜高”", [](SurveyNetwork& n) -> double& { return n.stations.at(1).observations.at(0).targetHeight; }},
        {false, "", [](SurveyNetwork& n) -> double& { return n.control.reservedFactor; }},
        {false, "", [](SurveyNetwork& n) -> double& { return n.stations.at(0).observations.at(0).trailing[1]; }},
    };
    TempDir dir;
    for (const FieldCase& c : cases) {
        for (double value : {kNaN, kInf, -kInf, 1e308}) {
            SCOPED_TRACE(::testing::Message() << (c.leveling ? "lev " : "con ") << (*c.what ? c.what : "carried")
                                            << " = " << value);
            SurveyNetwork net = c.leveling ? demoLevelingNetwork() : demoControlNetwork();
            if (!c.leveling) {
                ASSERT_EQ(net.control.observationType, kSlopeAndZenith);  // heights and prisms read
            }
            c.field(net) = value;
            const auto path = dir / (c.leveling ? "t.lev" : "t.con");
            testing::writeAll(path, c.leveling ? levelingFileBytes(net) : controlFileBytes(net));
            SurveyNetwork read;
            ScriptedPrompter prompter;
            const bool ok = c.leveling ? read.openLevelingFile(path, prompter) : read.openControlFile(path, prompter);
            if (*c.what == '\0' || std::isfinite(value)) {
                ASSERT_TRUE(ok);
                EXPECT_TRUE(prompter.shown.empty());
                if (std::isnan(value)) EXPECT_TRUE(std::isnan(c.field(read)));
                else EXPECT_EQ(c.field(read), value);
                continue;
            }
            EXPECT_FALSE(ok);
            EXPECT_EQ(read.loadedKind(), SurveyFileKind::None);  // the header rewrite is refused too
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_NE(prompter.shown[0].find(c.what), std::string::npos) << prompter.shown[0];
        }
    }
}

// A known height of 1e308 reads, but the adjustment overflows: it fails with a
// message, never gives NaN heights as a result.
TEST(SurveyValues, HugeKnownHeightFailsTheLevelingAdjustment) {
    TempDir dir;
    SurveyNetwork net = demoLevelingNetwork();
    net.knownPoints.at(0).h = 1e308;
    testing::writeAll(dir / "huge.lev", levelingFileBytes(net));
    LevelingModule m;
    ScriptedPrompter prompter;
    openLevelingModule(m, dir / "huge.lev", prompter);
    EXPECT_EQ(m.adjust.adjusted, 0);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back(), "平差计算错误：结果不是有限数。");
}

}  // namespace
}  // namespace vornex
