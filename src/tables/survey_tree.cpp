#include "tables/survey_tree.h"

#include "tables/survey_tables.h"
#include "text/text.h"

namespace vornex {
namespace {

namespace st = survey_table;

SurveyTreeItem item(std::string text, int code, std::vector<SurveyTreeItem> children = {}) {
    return SurveyTreeItem{std::move(text), code, -1, std::move(children)};
}

std::string utf8(const Name12& n) { return text::gbkToUtf8(n.str()); }

}  // namespace

std::vector<SurveyTreeItem> levelingTree(const LevelingModule& m) {
    const SurveyNetwork& net = m.network;
    SurveyTreeItem data = item("观测数据", 0);
    if (net.loadedKind() != SurveyFileKind::Leveling) return {data};
    for (int i = 0; i < net.sectionCount(); ++i) {
        const LevelingSection& s = net.section(i);
        SurveyTreeItem run{utf8(s.startName) + " -- " + utf8(s.endName), st::kReadings, i, {}};
        if (s.excluded) {
            run.text += "（不参与平差）";
            run.excluded = true;
        }
        data.children.push_back(std::move(run));
    }
    return {item("已知点", st::kLevelingKnownPoints),
            item("计算成果", 0,
                 {item("平差概况", st::kLevelingSummary), item("往返测高差成果", st::kLevelingForwardReturn), item("高程路线闭合差", st::kLevelingClosures),
                  item("控制点成果表", st::kLevelingPoints), item("高差平差成果表", st::kLevelingHeightDifferences)}),
            std::move(data)};
}

std::vector<SurveyTreeItem> controlTree(const ControlModule& m) {
    const SurveyNetwork& net = m.network;
    SurveyTreeItem data = item("观测数据", 0);
    if (net.loadedKind() != SurveyFileKind::Control) return {data};
    for (std::size_t i = 0; i < net.stations.size(); ++i) {
        data.children.push_back({utf8(net.stations[i].name), st::kObservations, static_cast<int>(i), {}});
    }
    return {item("已知点", st::kControlKnownPoints), item("方位角观测数据", st::kKnownAzimuths),
            item("计算成果", 0,
                 {item("平差概况", st::kControlSummary), item("往返测边长成果", st::kDistancesForwardReturn), item("往返测高差成果", st::kControlForwardReturn),
                  item("高程路线闭合差", st::kControlClosures), item("控制点成果表", st::kCoordinates),
                  item("方向平差成果表", st::kDirections), item("方位角平差成果表", st::kAzimuths),
                  item("边长平差成果表", st::kDistances), item("高差平差成果表", st::kControlHeightDifferences),
                  item("点位误差", st::kPointErrors), item("平面闭合差", st::kPlaneClosures)}), std::move(data)};
}

void selectSurveyItem(SurveySelection& selection, const SurveyTreeItem& item) {
    selection.tableCode = item.code;
    selection.index = item.index;
}

const SurveyTreeItem* findSurveyItem(const std::vector<SurveyTreeItem>& tree, const SurveySelection& selection) {
    for (const SurveyTreeItem& i : tree) {
        if (i.code == selection.tableCode && i.index == selection.index) return &i;
        if (const SurveyTreeItem* found = findSurveyItem(i.children, selection)) return found;
    }
    return nullptr;
}

}  // namespace vornex
