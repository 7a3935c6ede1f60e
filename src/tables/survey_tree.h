// The trees of the two survey panes as data: the item texts, the table code
// each item selects and, under "观测数据", the section or station it stands
// for. The panes show these items; selecting one sets the module's selection,
// from which the tabular view builds its table.
#pragma once

#include <string>
#include <vector>

#include "adjust/survey_modules.h"

namespace vornex {

struct SurveyTreeItem {
    std::string text;  // UTF-8, as shown
    int code = 0;      // table code the item selects; 0 for a folder that shows no table
    int index = -1;    // section or station index under "观测数据", else -1
    std::vector<SurveyTreeItem> children;
    bool excluded = false;  // a section excluded from the adjustment (shown greyed)
};

// The result tables come before the observations: a file has tens or hundreds
// of sections or stations, and the results stay in view above them.
//
// Leveling pane: "已知点", "计算成果" with its result tables, and "观测数据"
// with one child per section ("%s -- %s" of its start and end names; an
// excluded section too, marked "（不参与平差）"). With no file loaded only an empty "观测数据".
std::vector<SurveyTreeItem> levelingTree(const LevelingModule& m);
// Control pane: "已知点", "方位角观测数据", "计算成果" with its result tables,
// and "观测数据" with one child per station (its name).
std::vector<SurveyTreeItem> controlTree(const ControlModule& m);

// Selecting an item: its code, and its index (-1 for all but the children of
// "观测数据").
void selectSurveyItem(SurveySelection& selection, const SurveyTreeItem& item);
// The item a selection stands for (depth first), or null: a refresh selects it again.
const SurveyTreeItem* findSurveyItem(const std::vector<SurveyTreeItem>& tree, const SurveySelection& selection);

}  // namespace vornex
