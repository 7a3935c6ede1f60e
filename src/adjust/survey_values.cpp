#include "adjust/survey_values.h"

#include <cmath>
#include <initializer_list>
#include <utility>

#include "text/text.h"

namespace vornex {
namespace {

using Field = std::pair<const char*, double>;

const char* valueText(double v) { return std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf"; }

// The message for the first field that is not finite; empty when all are.
std::string firstNonFinite(const std::string& where, std::initializer_list<Field> fields) {
    for (const auto& [name, value] : fields)
        if (!std::isfinite(value))
            return text::format("数据文件含有无效数值，不能读入：%s的“%s”不是有限数（%s）。", where.c_str(), name,
                                valueText(value));
    return {};
}

std::string knownPointName(const ControlPoint& p, std::size_t i) {
    return text::format("已知点第%zu行“%s”", i + 1, p.name.utf8().c_str());
}

}  // namespace

std::string nonFiniteLevelingValue(const SurveyNetwork& net) {
    std::string bad = firstNonFinite("参数", {{"闭合差系数", net.leveling.closureCoefficient}});
    for (std::size_t i = 0; bad.empty() && i < net.knownPoints.size(); ++i)
        bad = firstNonFinite(knownPointName(net.knownPoints[i], i), {{"高程", net.knownPoints[i].h}});
    return bad;
}

std::string nonFiniteControlValue(const SurveyNetwork& net) {
    const ControlHeader& h = net.control;
    const int type = h.observationType;
    const bool heights = type == kHeightDifference || type == kDistanceAndHeight || type == kSlopeAndZenith;
    const bool vertical = type != kHorizontalDistance;
    const bool prism = type == kSlopeAndZenith;
    std::string bad = firstNonFinite("参数", {{"测角中误差", h.angleSigma},
                                              {"测距固定误差", h.distanceFixedError},
                                              {"测距比例误差", h.distancePpm},
                                              {"方位角中误差", h.azimuthSigma},
                                              {"方位角闭合差系数", h.azimuthClosureCoefficient},
                                              {"导线闭合差系数", h.traverseClosureCoefficient},
                                              {"三角形闭合差限值", h.triangleClosureLimit},
                                              {"高差闭合差系数", h.heightClosureCoefficient}});
    for (std::size_t i = 0; bad.empty() && i < net.knownPoints.size(); ++i) {
        const ControlPoint& p = net.knownPoints[i];
        bad = firstNonFinite(knownPointName(p, i), {{"X", p.x}, {"Y", p.y}, {"高程", heights ? p.h : 0.0}});
    }
    for (std::size_t i = 0; bad.empty() && i < net.knownAzimuths.size(); ++i)
        bad = firstNonFinite(text::format("已知方位角第%zu行", i + 1), {{"方位角", net.knownAzimuths[i].azimuth}});
    for (std::size_t s = 0; bad.empty() && s < net.stations.size(); ++s) {
        const SurveyStation& st = net.stations[s];
        const std::string station = text::format("测站第%zu站“%s”", s + 1, st.name.utf8().c_str());
        bad = firstNonFinite(station, {{"仪器高", prism ? st.instrumentHeight : 0.0}});
        for (std::size_t k = 0; bad.empty() && k < st.observations.size(); ++k) {
            const SurveyObservation& o = st.observations[k];
            bad = firstNonFinite(
                station + text::format("第%zu个观测“%s”", k + 1, o.targetName.utf8().c_str()),
                {{"方向值", o.direction},
                 {"距离", o.distance},
                 {type == kHeightDifference || type == kDistanceAndHeight ? "高差" : "天顶距",
                  vertical ? o.verticalOrHeight : 0.0},
                 {"棱镜高", prism ? o.targetHeight : 0.0}});
        }
    }
    return bad;
}

}  // namespace vornex
