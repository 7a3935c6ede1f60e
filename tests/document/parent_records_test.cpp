#include "document/parent_records.h"

#include <gtest/gtest.h>

#include "support/scripted_prompter.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;

Name12 gbkName(const char* utf8) {
    Name12 n;
    n.assignUtf8(utf8);
    return n;
}

TEST(ParentRecords, NewRecordsTakeTheSmallestFreeNumber) {
    Road road;
    ScriptedPrompter prompter;
    EXPECT_EQ(addParentRecord(road, ParentKind::Bridge, prompter), 0);
    EXPECT_EQ(addParentRecord(road, ParentKind::Bridge, prompter), 1);
    road.bridges[0].name = gbkName("主桥");
    EXPECT_EQ(addParentRecord(road, ParentKind::Bridge, prompter), 2);
    EXPECT_EQ(road.bridges[2].name.utf8(), "桥梁0");

    EXPECT_EQ(addParentRecord(road, ParentKind::Pier, prompter, 1), 0);
    EXPECT_EQ(addParentRecord(road, ParentKind::Pier, prompter, 1), 1);
    EXPECT_EQ(road.bridges[1].piers[1].name.utf8(), "1");
    EXPECT_EQ(addParentRecord(road, ParentKind::Pier, prompter, 7), -1);  // no such bridge

    EXPECT_EQ(addParentRecord(road, ParentKind::SlopeTemplate, prompter), 0);
    EXPECT_EQ(road.slopeTemplates[0].name.utf8(), "边坡模板0");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(ParentRecords, ATunnelNeedsATemplateFirst) {
    Road road;
    ScriptedPrompter prompter;
    EXPECT_EQ(addParentRecord(road, ParentKind::Tunnel, prompter), -1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], "请先定义隧道断面模板.");
    EXPECT_TRUE(road.tunnels.empty());

    EXPECT_EQ(addParentRecord(road, ParentKind::TunnelTemplate, prompter), 0);
    EXPECT_EQ(road.tunnelTemplates[0].name.utf8(), "隧道断面0");
    EXPECT_EQ(addParentRecord(road, ParentKind::Tunnel, prompter), 0);
    EXPECT_EQ(road.tunnels[0].name.utf8(), "隧道0");
}

TEST(ParentRecords, TemplatesInUseAreNotDeletedAndIndicesFollowADelete) {
    Road road;
    ScriptedPrompter prompter;
    for (int i = 0; i < 3; ++i) addParentRecord(road, ParentKind::SlopeTemplate, prompter);
    SlopeAssignment a;
    a.leftFill = 2;
    a.leftCut = 2;
    a.rightFill = 0;
    a.rightCut = 2;
    road.slopeAssignments.push_back(a);

    prompter.yesNoAnswers = {true};
    EXPECT_FALSE(deleteParentRecord(road, ParentKind::SlopeTemplate, 0, prompter));
    EXPECT_EQ(prompter.shown.back(), "不能删除边坡模板.\n有边坡参数引用该边坡模板.");
    EXPECT_EQ(road.slopeTemplates.size(), 3u);

    // Template 1 is unused: after its delete, the assignment still names the same templates.
    EXPECT_TRUE(deleteParentRecord(road, ParentKind::SlopeTemplate, 1, prompter));
    ASSERT_EQ(road.slopeTemplates.size(), 2u);
    EXPECT_EQ(road.slopeTemplates[1].name.utf8(), "边坡模板2");
    EXPECT_EQ(road.slopeAssignments[0].leftFill, 1);
    EXPECT_EQ(road.slopeAssignments[0].rightFill, 0);
    EXPECT_EQ(road.slopeAssignments[0].rightCut, 1);

    // Tunnel rules keep naming the same tunnel-section template.
    for (int i = 0; i < 3; ++i) addParentRecord(road, ParentKind::TunnelTemplate, prompter);
    addParentRecord(road, ParentKind::Tunnel, prompter);
    road.tunnels[0].stationRules.push_back({100.0, 2, 2});
    road.tunnels[0].slopeRules.push_back({1.5, 0});
    prompter.yesNoAnswers = {true, true};
    EXPECT_FALSE(deleteParentRecord(road, ParentKind::TunnelTemplate, 2, prompter));
    EXPECT_TRUE(deleteParentRecord(road, ParentKind::TunnelTemplate, 1, prompter));
    EXPECT_EQ(road.tunnels[0].stationRules[0].templateIndex, 1);
    EXPECT_EQ(road.tunnels[0].slopeRules[0].templateIndex, 0);
}

TEST(ParentRecords, DeleteAsksFirstAndKeepsTheCurrentRecords) {
    Road road;
    ScriptedPrompter prompter;
    for (int i = 0; i < 3; ++i) addParentRecord(road, ParentKind::Bridge, prompter);
    for (int i = 0; i < 3; ++i) addParentRecord(road, ParentKind::Pier, prompter, 2);
    road.currentBridge = 2;
    road.currentPier = 2;

    prompter.yesNoAnswers = {false};
    EXPECT_FALSE(deleteParentRecord(road, ParentKind::Bridge, 0, prompter));  // answered No
    EXPECT_EQ(prompter.shown.back(), "您是否真的要删除“桥梁0”?");
    EXPECT_EQ(road.bridges.size(), 3u);

    prompter.yesNoAnswers = {true, true, true};
    EXPECT_TRUE(deleteParentRecord(road, ParentKind::Bridge, 0, prompter));
    EXPECT_EQ(road.currentBridge, 1);  // the same bridge, one place up
    EXPECT_EQ(road.currentPier, 2);
    EXPECT_TRUE(deleteParentRecord(road, ParentKind::Pier, 0, prompter, 1));
    EXPECT_EQ(road.currentPier, 1);  // the same pier
    EXPECT_TRUE(deleteParentRecord(road, ParentKind::Bridge, 1, prompter));
    EXPECT_EQ(road.currentBridge, -1);  // the current bridge went
    EXPECT_EQ(road.currentPier, -1);

    addParentRecord(road, ParentKind::TunnelTemplate, prompter);
    addParentRecord(road, ParentKind::Tunnel, prompter);
    addParentRecord(road, ParentKind::Tunnel, prompter);
    road.currentTunnel = 0;
    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(deleteParentRecord(road, ParentKind::Tunnel, 0, prompter));
    EXPECT_EQ(road.currentTunnel, -1);
    EXPECT_FALSE(deleteParentRecord(road, ParentKind::Tunnel, 5, prompter));
}

TEST(ParentRecords, RenameRefusesDuplicatesAndCutsLongNames) {
    Road road;
    ScriptedPrompter prompter;
    addParentRecord(road, ParentKind::SlopeTemplate, prompter);
    addParentRecord(road, ParentKind::SlopeTemplate, prompter);
    EXPECT_FALSE(renameParentRecord(road, ParentKind::SlopeTemplate, 1, "边坡模板0", prompter));
    EXPECT_EQ(prompter.shown.back(), "边坡模板已经存在，请重新输入。");
    EXPECT_EQ(road.slopeTemplates[1].name.utf8(), "边坡模板1");
    EXPECT_FALSE(renameParentRecord(road, ParentKind::SlopeTemplate, 1, "  ", prompter));

    EXPECT_TRUE(renameParentRecord(road, ParentKind::SlopeTemplate, 1, "路堤边坡挖方边坡", prompter));
    EXPECT_EQ(road.slopeTemplates[1].name.utf8(), "路堤边坡挖方");  // 6 characters, 12 bytes
    EXPECT_EQ(parentRecordName(road, ParentKind::SlopeTemplate, 1), "路堤边坡挖方");
    EXPECT_TRUE(renameParentRecord(road, ParentKind::SlopeTemplate, 0, "边坡模板0", prompter));  // its own name
}

}  // namespace
}  // namespace vornex
