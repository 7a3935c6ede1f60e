#include "tables/survey_tree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scripted_prompter.h"
#include "tables/survey_tables.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
namespace st = survey_table;

// Texts and codes of a tree, one "text code index" line per item, children indented.
std::vector<std::string> outline(const std::vector<SurveyTreeItem>& tree, const std::string& indent = "") {
    std::vector<std::string> out;
    for (const SurveyTreeItem& i : tree) {
        out.push_back(indent + i.text + " " + std::to_string(i.code) + " " + std::to_string(i.index));
        for (const std::string& line : outline(i.children, indent + "  ")) out.push_back(line);
    }
    return out;
}

const std::filesystem::path kExamples = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples";

TEST(SurveyTree, LevelingTreeAndSelection) {
    LevelingModule m;
    EXPECT_EQ(outline(levelingTree(m)), (std::vector<std::string>{"观测数据 0 -1"}));
    EXPECT_EQ(m.selection, (SurveySelection{-1, -1}));

    ScriptedPrompter p;
    ASSERT_TRUE(openLevelingModule(m, kExamples / "demo.lev", p));
    const std::vector<SurveyTreeItem> tree = levelingTree(m);
    std::vector<std::string> expected = {"已知点 -10021 -1"};
    for (const char* line : {"计算成果 0 -1", "  平差概况 -10054 -1", "  往返测高差成果 -10051 -1", "  高程路线闭合差 -10050 -1", "  控制点成果表 -10053 -1",
                             "  高差平差成果表 -10052 -1"}) {
        expected.push_back(line);
    }
    expected.push_back("观测数据 0 -1");
    for (int i = 0; i < m.network.sectionCount(); ++i) {
        const LevelingSection& s = m.network.section(i);
        // An excluded section is listed, marked.
        expected.push_back("  " + text::gbkToUtf8(s.startName.str()) + " -- " + text::gbkToUtf8(s.endName.str()) +
                           (s.excluded ? "（不参与平差）" : "") + " -10020 " + std::to_string(i));
    }
    EXPECT_EQ(outline(tree), expected);
    int excluded = 0;
    for (const SurveyTreeItem& run : tree[2].children) {
        excluded += run.excluded;
        EXPECT_EQ(run.excluded, m.network.section(run.index).excluded != 0);
    }
    EXPECT_EQ(excluded, 1);  // A5 -- BM4 of the demo
    EXPECT_EQ(m.selection, (SurveySelection{-1, -1}));  // a new file selects nothing

    // Selecting a section shows its readings; a result item shows its table.
    const SurveyTreeItem& second = tree[2].children.at(1);
    selectSurveyItem(m.selection, second);
    EXPECT_EQ(m.selection, (SurveySelection{st::kReadings, 1}));
    Grid g = buildLevelingTable(m, m.selection.tableCode, m.selection.index);
    EXPECT_EQ(g.code, st::kReadings);
    EXPECT_EQ(g.rowCount(), m.network.stationCount(1) + 1);  // its stations and 合计
    EXPECT_EQ(findSurveyItem(tree, m.selection), &second);
    selectSurveyItem(m.selection, tree[1].children[2]);
    EXPECT_EQ(m.selection, (SurveySelection{st::kLevelingClosures, -1}));

    // A failed open keeps the selection; closing clears it and the tree.
    EXPECT_FALSE(openLevelingModule(m, kExamples / "missing.lev", p));
    EXPECT_EQ(m.selection, (SurveySelection{st::kLevelingClosures, -1}));
    closeLevelingModule(m);
    EXPECT_EQ(m.selection, (SurveySelection{-1, -1}));
    EXPECT_EQ(outline(levelingTree(m)), (std::vector<std::string>{"观测数据 0 -1"}));
    EXPECT_EQ(findSurveyItem(levelingTree(m), {st::kLevelingClosures, -1}), nullptr);
}

TEST(SurveyTree, ControlTreeListsStationsAndResults) {
    ControlModule m;
    ScriptedPrompter p;
    ASSERT_TRUE(openControlModule(m, kExamples / "demo.con", p));
    const std::vector<SurveyTreeItem> tree = controlTree(m);
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(outline({tree[0], tree[1]}), (std::vector<std::string>{"已知点 -10030 -1", "方位角观测数据 -10032 -1"}));
    EXPECT_EQ(tree[3].text, "观测数据");
    ASSERT_EQ(tree[3].children.size(), m.network.stations.size());
    for (std::size_t i = 0; i < m.network.stations.size(); ++i) {
        EXPECT_EQ(tree[3].children[i].text, text::gbkToUtf8(m.network.stations[i].name.str()));
        EXPECT_EQ(tree[3].children[i].code, st::kObservations);
        EXPECT_EQ(tree[3].children[i].index, static_cast<int>(i));
    }
    // Every result item selects a table the control module builds.
    EXPECT_EQ(tree[2].text, "计算成果");
    std::vector<int> codes;
    for (const SurveyTreeItem& r : tree[2].children) {
        codes.push_back(r.code);
        EXPECT_EQ(buildControlTable(m, r.code).code, r.code);
        EXPECT_GT(buildControlTable(m, r.code).columnCount(), 0) << r.text;
    }
    EXPECT_EQ(codes, (std::vector<int>{st::kControlSummary, st::kDistancesForwardReturn, st::kControlForwardReturn, st::kControlClosures, st::kCoordinates,
                                       st::kDirections, st::kAzimuths, st::kDistances, st::kControlHeightDifferences, st::kPointErrors,
                                       st::kPlaneClosures}));
    closeControlModule(m);
    EXPECT_EQ(outline(controlTree(m)), (std::vector<std::string>{"观测数据 0 -1"}));
}

}  // namespace
}  // namespace vornex
