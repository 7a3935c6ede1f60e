#include "document/project_values.h"

#include <cmath>
#include <initializer_list>
#include <utility>

#include "geometry/slopes.h"
#include "text/text.h"

namespace vornex {
namespace {

using Field = std::pair<const char*, double>;

// Collects the first value that is not finite, with where it stands.
class Check {
public:
    explicit Check(std::string& message) : message_(message) {}

    bool failed() const { return !message_.empty(); }

    // `where` names the list ("线元表", "桥梁“B1”的墩台表"); rows count from 1.
    void fields(const std::string& road, const std::string& where, std::size_t row,
                std::initializer_list<Field> fields) {
        if (failed()) return;
        for (const auto& [name, value] : fields) {
            if (std::isfinite(value)) continue;
            const char* shown = std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
            message_ = text::format("项目文件含有无效数值，不能读入：%s%s第%zu行的“%s”不是有限数（%s）。",
                                    road.c_str(), where.c_str(), row + 1, name, shown);
            return;
        }
    }

private:
    std::string& message_;
};

// The values a slope-template row of each type uses (the rest are carried).
std::size_t usedSlopeValues(int rowType) {
    switch (rowType) {
        case kSlopePlatform: return 2;
        case kSlopeRectDitch: return 3;
        case kSlopeTrapezoidDitch: return 5;
        case kSlopeFixedHeight: return 2;
        case kSlopeFree: return 1;
        default: return 0;
    }
}

void checkContour(Check& c, const std::string& road, const std::string& where,
                  const std::vector<ContourElement>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        const ContourElement& e = list[i];
        c.fields(road, where, i,
                 {{"高差", e.heightDifference}, {"平距", e.horizontalDistance}, {"半径", e.radius},
                  {"圆心角", e.centralAngle}});
    }
}

void checkRoad(Check& c, const Road& road) {
    const std::string r = "路线“" + road.name.utf8() + "”";
    for (std::size_t i = 0; i < road.intersectionPoints.size(); ++i) {
        const IntersectionPoint& p = road.intersectionPoints[i];
        c.fields(r, "交点表", i,
                 {{"坐标X", p.x}, {"坐标Y", p.y}, {"桩号", p.station}, {"半径", p.radius},
                  {"第一缓和曲线长", p.spiralIn}, {"第二缓和曲线长", p.spiralOut},
                  {"起点半径", p.startRadius}, {"终点半径", p.endRadius}});
    }
    for (std::size_t i = 0; i < road.elements.size(); ++i) {
        const AlignmentElement& e = road.elements[i];
        c.fields(r, "线元表", i,
                 {{"起点X", e.x}, {"起点Y", e.y}, {"起点桩号", e.startStation}, {"长度", e.length},
                  {"起点方位角", e.startAzimuth}, {"起点半径", e.startRadius}, {"终点半径", e.endRadius}});
    }
    for (std::size_t i = 0; i < road.gradePoints.size(); ++i) {
        const GradePoint& g = road.gradePoints[i];
        c.fields(r, "变坡点表", i, {{"桩号", g.station}, {"高程", g.elevation}, {"竖曲线半径", g.verticalRadius}});
    }
    for (std::size_t i = 0; i < road.chainBreaks.size(); ++i) {
        const ChainBreak& b = road.chainBreaks[i];
        c.fields(r, "断链表", i, {{"开始桩号", b.startStation}, {"结束桩号", b.endStation}});
    }
    for (std::size_t i = 0; i < road.plates.size(); ++i) {
        const CrossSectionPlate& p = road.plates[i];
        c.fields(r, "板块表", i,
                 {{"宽度", p.width}, {"横坡", p.crossfall}, {"结构层厚度", p.layerThickness},
                  {"路缘石高度", p.curbHeight}});
    }
    for (const SlopeTemplate& t : road.slopeTemplates) {
        const std::string where = "边坡模板“" + t.name.utf8() + "”";
        for (std::size_t i = 0; i < t.rows.size(); ++i) {
            const auto& v = t.rows[i].values;
            static const char* const kNames[5] = {"参数1", "参数2", "参数3", "参数4", "参数5"};
            const std::size_t used = usedSlopeValues(t.rows[i].rowType);
            for (std::size_t k = 0; k < used; ++k) c.fields(r, where, i, {{kNames[k], v[k]}});
        }
    }
    for (std::size_t i = 0; i < road.slopeAssignments.size(); ++i)
        c.fields(r, "边坡参数表", i, {{"桩号", road.slopeAssignments[i].station}});
    for (std::size_t i = 0; i < road.widthChanges.size(); ++i)
        c.fields(r, "路幅宽度变化表", i,
                 {{"桩号", road.widthChanges[i].station}, {"宽度", road.widthChanges[i].value}});
    for (std::size_t i = 0; i < road.crossfallChanges.size(); ++i)
        c.fields(r, "路幅坡度变化表", i,
                 {{"桩号", road.crossfallChanges[i].station}, {"横坡", road.crossfallChanges[i].value}});
    for (std::size_t i = 0; i < road.structures.size(); ++i) {
        const Structure& s = road.structures[i];
        c.fields(r, "构筑物表", i,
                 {{"桩号", s.station}, {"角度", s.angle}, {"左长", s.leftLength}, {"右长", s.rightLength},
                  {"宽度", s.width}, {"中心高程", s.centreElevation}, {"横坡", s.crossfall}});
    }
    for (std::size_t i = 0; i < road.bridges.size(); ++i) {
        const Bridge& b = road.bridges[i];
        c.fields(r, "桥梁表", i, {{"起点桩号", b.startStation}, {"长度", b.length}, {"轴线偏距", b.axisOffset}});
        const std::string bridge = "桥梁“" + b.name.utf8() + "”";
        for (std::size_t k = 0; k < b.piers.size(); ++k) {
            const Pier& p = b.piers[k];
            c.fields(r, bridge + "的墩台表", k, {{"桩号", p.station}, {"角度", p.angle}});
            const std::string pier = bridge + "墩台“" + p.name.utf8() + "”的桩柱表";
            for (std::size_t j = 0; j < p.piles.size(); ++j) {
                const Pile& pile = p.piles[j];
                c.fields(r, pier, j,
                         {{"纵距", pile.along}, {"横距", pile.across}, {"高程", pile.elevation}});
            }
        }
    }
    for (const TunnelTemplate& t : road.tunnelTemplates) {
        const std::string where = "隧道断面模板“" + t.name.utf8() + "”";
        c.fields(r, where, 0,
                 {{"设计偏距", t.designOffset}, {"开挖拱顶", t.excavationCrown}, {"初衬拱顶", t.primaryCrown},
                  {"二衬拱顶", t.secondaryCrown}});
        checkContour(c, r, where + "的开挖轮廓", t.excavation);
        checkContour(c, r, where + "的初衬轮廓", t.primary);
        checkContour(c, r, where + "的二衬轮廓", t.secondary);
    }
    for (std::size_t i = 0; i < road.tunnels.size(); ++i) {
        const Tunnel& t = road.tunnels[i];
        c.fields(r, "隧道表", i, {{"起点桩号", t.startStation}, {"长度", t.length}});
        const std::string tunnel = "隧道“" + t.name.utf8() + "”";
        for (std::size_t k = 0; k < t.slopeRules.size(); ++k)
            c.fields(r, tunnel + "的坡度定义", k, {{"坡度", t.slopeRules[k].gradient}});
        for (std::size_t k = 0; k < t.stationRules.size(); ++k)
            c.fields(r, tunnel + "的桩号定义", k, {{"桩号", t.stationRules[k].station}});
    }
}

}  // namespace

std::string nonFiniteProjectValue(double precision, const std::vector<Road>& roads) {
    std::string message;
    if (!std::isfinite(precision)) {
        return text::format("项目文件含有无效数值，不能读入：项目的“计算精度”不是有限数（%s）。",
                            std::isnan(precision) ? "nan" : "inf");
    }
    Check c(message);
    for (const Road& road : roads) {
        checkRoad(c, road);
        if (c.failed()) break;
    }
    return message;
}

}  // namespace vornex
