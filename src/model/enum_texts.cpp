#include "model/enum_texts.h"

namespace vornex {

namespace {

std::string pick(const std::vector<std::string>& texts, int code) {
    if (code < 0 || code >= static_cast<int>(texts.size())) return {};
    return texts[static_cast<std::size_t>(code)];
}

}  // namespace

int choiceCode(std::string_view text, const std::vector<std::string>& choices) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i] == text) return static_cast<int>(i);
    return 0;
}

const std::vector<std::string>& plateTypeChoices() {
    static const std::vector<std::string> t{"绿化带", "机动车道 ", "非机动车道", "人行道",
                                            "硬路肩", "土路肩", "行车道",     "隔离带"};
    return t;
}

std::string plateTypeText(int code) {
    std::string s = pick(plateTypeChoices(), code);
    return s.empty() ? plateTypeChoices()[0] : s;
}

namespace {
const std::vector<std::string>& slopeRowTexts() {
    // Indexed by code; 6 has no type.
    static const std::vector<std::string> t{"平台",     "矩形边沟", "梯形边沟", "定高放坡",
                                            "自由放坡", "河堤边坡", "",         "中心点偏移"};
    return t;
}
}  // namespace

std::string slopeRowTypeText(int code) { return pick(slopeRowTexts(), code); }

const std::vector<int>& slopeRowTypeCodes() {
    static const std::vector<int> c{0, 1, 2, 3, 4, 5, 7};
    return c;
}

int slopeRowTypeCode(std::string_view text) {
    if (text.empty()) return 0;
    for (int code : slopeRowTypeCodes())
        if (slopeRowTexts()[static_cast<std::size_t>(code)] == text) return code;
    return 0;
}

const std::vector<std::string>& transitionChoices() {
    static const std::vector<std::string> t{"线性过渡", "三次抛物线过渡", "四次抛物线过渡", "圆曲线过渡"};
    return t;
}
std::string transitionText(int code) { return pick(transitionChoices(), code); }

const std::vector<std::string>& structureKindChoices() {
    static const std::vector<std::string> t{"盖板涵", "圆管涵", "通道", "天桥"};
    return t;
}
std::string structureKindText(int code) { return pick(structureKindChoices(), code); }

std::string structureMethodText(int code) { return code == 1 ? "斜交正做" : "斜交斜做"; }
int structureMethodCode(std::string_view text) { return text == "斜交正做" ? 1 : 0; }

std::string bridgeCalcTypeText(int code) {
    static const std::vector<std::string> t{"弯桥弯做", "弯桥直做"};
    return pick(t, code);
}
int bridgeCalcTypeCode(std::string_view text) { return text == "弯桥直做" ? 1 : 0; }

std::string pileModeText(int code) { return code == 1 ? "绝对坐标" : "相对坐标"; }
int pileModeCode(std::string_view text) { return text == "绝对坐标" ? 1 : 0; }

std::string stationRuleFormText(int code) {
    if (code == 1) return "断面渐变";
    if (code == 2) return "断面突变";
    return "桩号段结束";
}
const std::vector<std::string>& stationRuleFormChoices() {
    static const std::vector<std::string> t{"断面渐变", "断面突变", "桩号段结束"};
    return t;
}
int stationRuleFormCode(std::string_view text) {
    if (text == "断面渐变") return 1;
    if (text == "断面突变") return 2;
    return 0;
}

std::string curveFormText(int code) { return code == 0 ? "交点法" : "线元法"; }
std::string calcMethodText(int code) { return code == 1 ? "精确算法" : "传统算法"; }
int curveFormCode(std::string_view text) { return text == "线元法" ? 1 : 0; }
int calcMethodCode(std::string_view text) { return text == "传统算法" ? 0 : 1; }

std::string sideText(int side) { return side == 2 ? "右路幅" : "左路幅"; }

std::string elementTypeText(double startRadius, double endRadius) {
    if (startRadius == 0 && endRadius == 0) return "直线";
    if (startRadius == endRadius) return startRadius < 0 ? "左转圆" : "右转圆";
    return (startRadius < 0 || endRadius < 0) ? "左转缓" : "右转缓";
}

}  // namespace vornex
