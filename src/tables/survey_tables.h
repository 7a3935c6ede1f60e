// The tables of the two survey modules (station readings, observations, and
// every adjustment result) as Grids, and the values of the modules' property
// panes as data. Result columns are filled only when the adjustment has
// results; standard errors stay empty when sigma0 has no value (no redundancy).
#pragma once

#include <string>
#include <vector>

#include "adjust/survey_modules.h"
#include "tables/grid.h"
#include "tables/table_codes.h"

namespace vornex {

enum class SurveyModuleKind { Leveling, Control };

// Short English names of the survey tables (for the command line) with codes.
struct SurveyTableName {
    const char* name;
    int code;
    SurveyModuleKind module;
};
const std::vector<SurveyTableName>& surveyTableNames();
// Code of `name` (or of a numeric code given as text) in `module`; 0 when unknown.
int surveyTableCode(const std::string& nameOrCode, SurveyModuleKind module);

// Builds the table `code` of the leveling module; `index` is the selected
// section for the readings table. Unknown codes give an empty Grid.
Grid buildLevelingTable(const LevelingModule& m, int code, int index = -1);
// Builds the table `code` of the control module; `index` is the selected
// station for the observations table.
Grid buildControlTable(const ControlModule& m, int code, int index = -1);

// One row of a property pane.
struct PaneProperty {
    std::string group;
    std::string caption;
    std::string description;
    std::string value;                 // as shown; empty when nothing is loaded or selected
    bool editable = false;
    std::vector<std::string> choices;  // non-empty: chosen from these texts
};

// Leveling pane (groups "水准测量属性" and "测段属性"); `section` is the
// selected section or -1. `loaded` false shows every value empty.
std::vector<PaneProperty> levelingPaneProperties(const LevelingModule& m, bool loaded, int section);
// Control pane (groups "控制测量属性", "闭合差限差", "测站").
std::vector<PaneProperty> controlPaneProperties(const ControlModule& m, bool loaded, int station);

// 20120315 -> "2012-03-15".
std::string formatSurveyDate(int date);

}  // namespace vornex
