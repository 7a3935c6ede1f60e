// Display texts of the coded record fields, and the reverse lookup that turns a
// chosen text back into its code. Texts are UTF-8; combo cells offer the choice
// lists in code order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vornex {

// 板块类型 of a cross-section plate. Note the trailing blank of "机动车道 ".
// A code outside 0..7 shows as "绿化带".
std::string plateTypeText(int code);
const std::vector<std::string>& plateTypeChoices();

// 边坡类型 of a slope-template row: 0..5 and 7. Any other code shows as "".
std::string slopeRowTypeText(int code);
// The types offered for a new row, in code order (6 has no type).
const std::vector<int>& slopeRowTypeCodes();
int slopeRowTypeCode(std::string_view text);  // unknown text: 0 ("平台")

// 变化方式 of width and crossfall changes; a code outside 0..3 shows as "".
std::string transitionText(int code);
const std::vector<std::string>& transitionChoices();

// 构筑物类型 (low 16 bits of Structure::kindAndMethod); outside 0..3 shows as "".
std::string structureKindText(int code);
const std::vector<std::string>& structureKindChoices();

// 做法 (high 16 bits): 1 "斜交正做" (rectangle), 0 "斜交斜做" (parallelogram).
// Any code other than 1 shows as "斜交斜做".
std::string structureMethodText(int code);
int structureMethodCode(std::string_view text);  // "斜交正做" 1, else 0

// 计算类型 of a bridge: 0 "弯桥弯做", 1 "弯桥直做"; other codes show as "".
std::string bridgeCalcTypeText(int code);
int bridgeCalcTypeCode(std::string_view text);  // "弯桥直做" 1, else 0

// 坐标方式 of a pile: 1 "绝对坐标", anything else "相对坐标".
std::string pileModeText(int code);
int pileModeCode(std::string_view text);  // "绝对坐标" 1, else 0

// 变化形式 of a tunnel station rule: 1 "断面渐变", 2 "断面突变", anything else "桩号段结束".
std::string stationRuleFormText(int code);
const std::vector<std::string>& stationRuleFormChoices();  // codes 1, 2, 0 in that order
int stationRuleFormCode(std::string_view text);

// 曲线形式 and 计算方式 of a road.
std::string curveFormText(int code);   // 0 "交点法", any other "线元法"
std::string calcMethodText(int code);  // 0 "传统算法", 1 "精确算法"
int curveFormCode(std::string_view text);   // "线元法" 1, else 0
int calcMethodCode(std::string_view text);  // "传统算法" 0, else 1

// 路幅 side: 1 "左路幅", 2 "右路幅".
std::string sideText(int side);

// 线型 of an alignment element, derived from its radii: both 0 "直线"; equal
// and non-zero "左转圆"/"右转圆" by sign; different "左转缓" when either is
// negative, else "右转缓".
std::string elementTypeText(double startRadius, double endRadius);

// The code of a chosen text: its index in `choices`, or 0 when it matches none
// (an unknown text falls back to the first choice).
int choiceCode(std::string_view text, const std::vector<std::string>& choices);

}  // namespace vornex
