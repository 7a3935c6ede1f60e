#include "document/edits.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

// A table cell reads the leading number and stores 0 where there is none; a
// property pane takes only a whole number and refuses anything else.
TEST(TypedNumbers, CellsReadTheLeadingNumberPanesTheWholeText) {
    struct Case {
        const char* text;
        double leading;
        std::optional<double> whole;
    };
    const Case cases[] = {
        {"12.5", 12.5, 12.5},
        {"  -3.25\t", -3.25, -3.25},
        {"1e3", 1000, 1000},
        {"abc", 0, std::nullopt},
        {"12m", 12, std::nullopt},
        {"", 0, std::nullopt},
        {"   ", 0, std::nullopt},
        {"1e999", 0, std::nullopt},  // does not fit a double
        {"nan", 0, std::nullopt},
        {"+7", 7, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readTypedNumber(c.text, NumberText::Leading), c.leading) << c.text;
        EXPECT_EQ(readTypedNumber(c.text, NumberText::Whole), c.whole) << c.text;
    }
}

Road roadWithParents() {
    Road road;
    ScriptedPrompter prompter;
    addParentRecord(road, ParentKind::Bridge, prompter);
    addParentRecord(road, ParentKind::Pier, prompter, 0);
    addParentRecord(road, ParentKind::TunnelTemplate, prompter);
    addParentRecord(road, ParentKind::Tunnel, prompter);
    road.plates.resize(3);
    return road;
}

TEST(PropertyEdits, NumbersAreStoredWholeAndRefusedOtherwise) {
    Road road = roadWithParents();
    ScriptedPrompter prompter;
    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::Length, " 120.5 ", prompter));
    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::AxisOffset, "-1.25", prompter));
    EXPECT_FALSE(setBridgeField(road, 0, 0, BridgeField::LeftWidth, "abc", prompter));
    EXPECT_FALSE(setBridgeField(road, 0, 0, BridgeField::RightWidth, "12m", prompter));
    const Bridge& b = road.bridges[0];
    EXPECT_EQ(b.length, 120.5);
    EXPECT_EQ(b.axisOffset, -1.25);
    EXPECT_EQ(b.leftWidth, Bridge{}.leftWidth);
    EXPECT_EQ(b.rightWidth, Bridge{}.rightWidth);

    EXPECT_TRUE(setTunnelField(road, 0, TunnelField::Length, "850", prompter));
    EXPECT_FALSE(setTunnelField(road, 0, TunnelField::Length, "x", prompter));
    EXPECT_EQ(road.tunnels[0].length, 850);

    EXPECT_TRUE(setTunnelTemplateField(road, 0, TunnelTemplateField::DesignOffset, "0.35", prompter));
    EXPECT_TRUE(setTunnelTemplateField(road, 0, TunnelTemplateField::ExcavationCrown, "6.1", prompter));
    EXPECT_TRUE(setTunnelTemplateField(road, 0, TunnelTemplateField::PrimaryCrown, "5.9", prompter));
    EXPECT_TRUE(setTunnelTemplateField(road, 0, TunnelTemplateField::SecondaryCrown, "5.6", prompter));
    EXPECT_FALSE(setTunnelTemplateField(road, 0, TunnelTemplateField::SecondaryCrown, "", prompter));
    const TunnelTemplate& t = road.tunnelTemplates[0];
    EXPECT_EQ(t.designOffset, 0.35);
    EXPECT_EQ(t.excavationCrown, 6.1);
    EXPECT_EQ(t.primaryCrown, 5.9);
    EXPECT_EQ(t.secondaryCrown, 5.6);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(PropertyEdits, StationsAnglesChoicesAndNames) {
    Road road = roadWithParents();
    ScriptedPrompter prompter;
    // Stations are stored as continuous chainage (no chain break: the station itself).
    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::StartStation, "K1+200.5", prompter));
    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::PierStation, "1210", prompter));
    EXPECT_FALSE(setBridgeField(road, 0, 0, BridgeField::PierStation, "abc", prompter));
    EXPECT_TRUE(setTunnelField(road, 0, TunnelField::StartStation, "K2+000", prompter));
    EXPECT_NEAR(road.bridges[0].startStation, 1200.5, 1e-9);
    EXPECT_NEAR(road.bridges[0].piers[0].station, 1210, 1e-9);
    EXPECT_NEAR(road.tunnels[0].startStation, 2000, 1e-9);

    // The pier angle is typed as 度.分秒: 90°30' is 90.5°.
    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::PierAngle, "90.30", prompter));
    EXPECT_NEAR(road.bridges[0].piers[0].angle, 90.5, 1e-6);  // within 0.004″
    // A pier field without a pier changes nothing.
    EXPECT_FALSE(setBridgeField(road, 0, 5, BridgeField::PierAngle, "45", prompter));

    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::CalcType, "弯桥直做", prompter));
    EXPECT_EQ(road.bridges[0].calcType, 1);
    EXPECT_TRUE(setTunnelPlate(road, 0, 2));
    EXPECT_FALSE(setTunnelPlate(road, 0, 3));  // the road has three plates
    EXPECT_EQ(road.tunnels[0].plateIndex, 2);

    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::Name, "主桥", prompter));
    EXPECT_TRUE(setBridgeField(road, 0, 0, BridgeField::PierName, "P1", prompter));
    EXPECT_TRUE(setTunnelField(road, 0, TunnelField::Name, "一号隧道", prompter));
    EXPECT_TRUE(setTunnelTemplateField(road, 0, TunnelTemplateField::Name, "标准断面", prompter));
    EXPECT_EQ(road.bridges[0].name.utf8(), "主桥");
    EXPECT_EQ(road.bridges[0].piers[0].name.utf8(), "P1");
    EXPECT_EQ(road.tunnels[0].name.utf8(), "一号隧道");
    EXPECT_EQ(road.tunnelTemplates[0].name.utf8(), "标准断面");

    // No such record: nothing is touched.
    const Road before = road;
    EXPECT_FALSE(setBridgeField(road, 1, 0, BridgeField::Length, "1", prompter));
    EXPECT_FALSE(setTunnelField(road, -1, TunnelField::Length, "1", prompter));
    EXPECT_FALSE(setTunnelTemplateField(road, 4, TunnelTemplateField::DesignOffset, "1", prompter));
    EXPECT_EQ(road, before);
}

}  // namespace
}  // namespace vornex
