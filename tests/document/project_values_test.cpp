#include "document/project_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "document/demo_project.h"
#include "document/project_file.h"
#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

struct FieldCase {
    const char* what;                                    // expected in the message (empty: a carried field)
    std::function<double&(RoadProject&)> field;
};

// The demo project with one field set to `value`, written and read back.
int readWith(const FieldCase& c, double value, RoadProject& read, ScriptedPrompter& prompter) {
    RoadProject p = makeDemoProject();
    c.field(p) = value;
    std::string bytes;
    writeProject(p, bytes);
    std::vector<unsigned char> image(bytes.begin(), bytes.end());
    return readProject(read, image, prompter);
}

Road& mainRoad(RoadProject& p) { return p.roads.at(0); }

// NaN, infinities and 1e308 in each kind of numeric field of a project file:
// a field a computation reads refuses NaN and infinities with a message that
// names the record and the field and leaves the project as it was; 1e308
// reads; a carried field keeps even NaN as it was stored.
TEST(ProjectValues, NonFiniteFieldsAreRefusedHugeOnesRead) {
    const FieldCase cases[] = {
        {"项目的“计算精度”", [](RoadProject& p) -> double& { return p.precision; }},
        {"交点表第2行的“半径”", [](RoadProject& p) -> double& { return mainRoad(p).intersectionPoints.at(1).radius; }},
        {"线元表第2行的“起点X”", [](RoadProject& p) -> double& { return mainRoad(p).elements.at(1).x; }},
        {"线元表第3行的“长度”", [](RoadProject& p) -> double& { return mainRoad(p).elements.at(2).length; }},
        {"线元表第2行的“终点半径”", [](RoadProject& p) -> double& { return mainRoad(p).elements.at(1).endRadius; }},
        {"线元表第1行的“起点方位角”", [](RoadProject& p) -> double& { return mainRoad(p).elements.at(0).startAzimuth; }},
        {"变坡点表第2行的“高程”", [](RoadProject& p) -> double& { return mainRoad(p).gradePoints.at(1).elevation; }},
        {"断链表第1行的“结束桩号”", [](RoadProject& p) -> double& { return mainRoad(p).chainBreaks.at(0).endStation; }},
        {"板块表第1行的“横坡”", [](RoadProject& p) -> double& { return mainRoad(p).plates.at(0).crossfall; }},
        {"的“参数1”", [](RoadProject& p) -> double& { return mainRoad(p).slopeTemplates.at(0).rows.at(0).values[0]; }},
        {"路幅宽度变化表第1行的“宽度”", [](RoadProject& p) -> double& { return mainRoad(p).widthChanges.at(0).value; }},
        {"构筑物表第1行的“角度”", [](RoadProject& p) -> double& { return mainRoad(p).structures.at(0).angle; }},
        {"的桩柱表第1行的“高程”", [](RoadProject& p) -> double& { return mainRoad(p).bridges.at(0).piers.at(0).piles.at(0).elevation; }},
        {"的开挖轮廓第1行的“半径”", [](RoadProject& p) -> double& { return mainRoad(p).tunnelTemplates.at(0).excavation.at(0).radius; }},
        {"的坡度定义第1行的“坡度”", [](RoadProject& p) -> double& { return mainRoad(p).tunnels.at(0).slopeRules.at(0).gradient; }},
        // Carried only: stored and written back, read by no computation.
        {"", [](RoadProject& p) -> double& { return p.controlPoints.at(0).h; }},
        {"", [](RoadProject& p) -> double& { return mainRoad(p).elements.at(1).arrivalAzimuth; }},
        {"", [](RoadProject& p) -> double& { return mainRoad(p).intersectionPoints.at(1).computed; }},
        {"", [](RoadProject& p) -> double& { return mainRoad(p).tunnels.at(0).blastHoles.at(0).offset; }},
        {"", [](RoadProject& p) -> double& { return mainRoad(p).slopeTemplates.at(0).rows.at(0).values[4]; }},
    };
    const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
    for (const FieldCase& c : cases) {
        for (double value : {kNaN, kInf, -kInf, 1e308}) {
            SCOPED_TRACE(::testing::Message() << (*c.what ? c.what : "carried field") << " = " << value);
            RoadProject read;
            read.projectName = FixedText<24>("before");
            ScriptedPrompter prompter;
            const int r = readWith(c, value, read, prompter);
            if (*c.what == '\0' || std::isfinite(value)) {
                ASSERT_EQ(r, kFormatVersion);
                const double stored = c.field(read);
                if (std::isnan(value)) EXPECT_TRUE(std::isnan(stored));
                else EXPECT_EQ(stored, value);
                continue;
            }
            EXPECT_EQ(r, kReadBadValue);
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_NE(prompter.shown[0].find(c.what), std::string::npos) << prompter.shown[0];
            EXPECT_NE(prompter.shown[0].find(std::isnan(value) ? "nan" : "inf"), std::string::npos);
            EXPECT_TRUE(read.roads.empty());
            EXPECT_EQ(read.projectName.str(), "before");
        }
    }
}

TEST(ProjectValues, MessageNamesTheRoad) {
    RoadProject p = makeDemoProject();
    p.roads.at(1).elements.at(0).startRadius = std::numeric_limits<double>::quiet_NaN();
    const std::string m = nonFiniteProjectValue(p.precision, p.roads);
    EXPECT_NE(m.find("路线“" + p.roads[1].name.utf8() + "”线元表第1行的“起点半径”"), std::string::npos) << m;
    EXPECT_TRUE(nonFiniteProjectValue(0.0001, makeDemoProject().roads).empty());
}

}  // namespace
}  // namespace vornex
