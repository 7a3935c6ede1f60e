#include "model/field_rules.h"

#include <gtest/gtest.h>

#include "model/enum_texts.h"
#include "text/text.h"

namespace vornex {
namespace {

template <class T>
T named(std::string_view gbk) {
    T t{};
    t.name = Name12(gbk);
    return t;
}

TEST(FieldRules, StationPrefix) {
    EXPECT_EQ(stationPrefixFromText("abc").str(), "AB");
    EXPECT_EQ(stationPrefixFromText("k").str(), "K");
    EXPECT_EQ(stationPrefixFromText("").str(), "");
}

TEST(FieldRules, StructureAngleFolding) {
    EXPECT_DOUBLE_EQ(foldStructureAngle(200), 20);
    EXPECT_DOUBLE_EQ(foldStructureAngle(180), 0);
    EXPECT_DOUBLE_EQ(foldStructureAngle(179.5), 179.5);
    EXPECT_DOUBLE_EQ(foldStructureAngle(0), 0);
    EXPECT_DOUBLE_EQ(foldStructureAngle(390), 30);
}

TEST(FieldRules, NormalisingRead) {
    IntersectionPoint p;
    p.radius = 200;
    p.spiralIn = -40;
    p.startRadius = -100;  // A = 100 with a given length: partial spiral
    p.spiralOut = 0;
    p.endRadius = -100;    // A = 100 without a length: full spiral
    IntersectionPoint n = normaliseIntersectionPoint(p);
    EXPECT_DOUBLE_EQ(n.spiralIn, 40);
    // Check with the clothoid relation A² = L·R·r / (r − R).
    EXPECT_NEAR(n.spiralIn * n.radius * n.startRadius / (n.startRadius - n.radius), 100.0 * 100.0, 1e-6);
    EXPECT_DOUBLE_EQ(n.spiralOut, 50);  // A² / R
    EXPECT_EQ(n.endRadius, 0);

    // A spiral longer than the full one gives no sensible radius: 0.
    p.spiralIn = 60;
    EXPECT_EQ(normaliseIntersectionPoint(p).startRadius, 0);
    p.spiralIn = 50;  // exactly the full spiral: starts on a straight
    EXPECT_EQ(normaliseIntersectionPoint(p).startRadius, 0);
    // No curve: nothing to lead into, nothing divides by zero.
    p.radius = 0;
    p.spiralOut = 0;
    n = normaliseIntersectionPoint(p);
    EXPECT_EQ(n.startRadius, 0);
    EXPECT_EQ(n.endRadius, 0);
    EXPECT_EQ(n.spiralOut, 0);
    // Positive outer radii are kept.
    p.radius = 300;
    p.startRadius = 900;
    EXPECT_EQ(normaliseIntersectionPoint(p).startRadius, 900);
}

TEST(FieldRules, SmallestFreeNames) {
    Road road;
    road.slopeTemplates.push_back(named<SlopeTemplate>(text::utf8ToGbk("边坡模板0")));
    road.slopeTemplates.push_back(named<SlopeTemplate>(text::utf8ToGbk("边坡模板2")));
    EXPECT_EQ(newSlopeTemplateName(road).utf8(), "边坡模板1");
    EXPECT_EQ(newBridgeName(road).utf8(), "桥梁0");
    road.tunnels.push_back(named<Tunnel>(text::utf8ToGbk("隧道0")));
    EXPECT_EQ(newTunnelName(road).utf8(), "隧道1");
    EXPECT_EQ(newTunnelTemplateName(road).utf8(), "隧道断面0");
    Bridge b;
    b.piers = {named<Pier>("0"), named<Pier>("1"), named<Pier>("3")};
    EXPECT_EQ(newPierName(b).str(), "2");
}

TEST(EnumTexts, CodesAndTexts) {
    EXPECT_EQ(plateTypeText(1), "机动车道 ");
    EXPECT_EQ(plateTypeText(7), "隔离带");
    EXPECT_EQ(plateTypeText(8), "绿化带");
    EXPECT_EQ(plateTypeText(-1), "绿化带");
    EXPECT_EQ(slopeRowTypeText(6), "");
    EXPECT_EQ(slopeRowTypeText(7), "中心点偏移");
    EXPECT_EQ(slopeRowTypeText(99), "");
    EXPECT_EQ(slopeRowTypeCode("中心点偏移"), 7);
    EXPECT_EQ(slopeRowTypeCode("?"), 0);
    EXPECT_EQ(choiceCode("三次抛物线过渡", transitionChoices()), 1);
    EXPECT_EQ(choiceCode("xyz", transitionChoices()), 0);
    EXPECT_EQ(choiceCode("天桥", structureKindChoices()), 3);
    EXPECT_EQ(structureMethodText(1), "斜交正做");
    EXPECT_EQ(structureMethodText(0), "斜交斜做");
    EXPECT_EQ(stationRuleFormText(0), "桩号段结束");
    EXPECT_EQ(stationRuleFormCode("断面突变"), 2);
    EXPECT_EQ(pileModeCode("x"), 0);
    EXPECT_EQ(calcMethodCode("精确算法"), 1);
    EXPECT_EQ(elementTypeText(0, 0), "直线");
    EXPECT_EQ(elementTypeText(-300, -300), "左转圆");
    EXPECT_EQ(elementTypeText(300, 300), "右转圆");
    EXPECT_EQ(elementTypeText(0, -300), "左转缓");
    EXPECT_EQ(elementTypeText(300, 0), "右转缓");
}

}  // namespace
}  // namespace vornex
