// The tables of the two survey modules (station readings, observations, and
// every adjustment result) as Grids, and the values of the modules' property
// panes as data. Result columns are filled only when the adjustment has
// results; standard errors stay empty when sigma0 has no value (no redundancy).
#pragma once

#include <string>
#include <vector>

#include "adjust/survey_modules.h"
#include "tables/grid.h"

namespace vornex {

namespace survey_table {
// Leveling module.
inline constexpr int kReadings = -10020;
inline constexpr int kLevelingKnownPoints = -10021;
inline constexpr int kLevelingClosures = -10050;
inline constexpr int kLevelingForwardReturn = -10051;
inline constexpr int kLevelingHeightDifferences = -10052;
inline constexpr int kLevelingPoints = -10053;
inline constexpr int kLevelingSummary = -10054;  // 平差概况
// Control module.
inline constexpr int kControlKnownPoints = -10030;
inline constexpr int kObservations = -10031;
inline constexpr int kKnownAzimuths = -10032;
inline constexpr int kCoordinates = -10033;
inline constexpr int kDirections = -10034;
inline constexpr int kAzimuths = -10035;
inline constexpr int kDistances = -10036;
inline constexpr int kControlHeightDifferences = -10037;
inline constexpr int kPointErrors = -10038;
inline constexpr int kDistancesForwardReturn = -10039;
inline constexpr int kControlForwardReturn = -10040;
inline constexpr int kControlClosures = -10043;
inline constexpr int kPlaneClosures = -10044;  // 平面闭合差
inline constexpr int kControlSummary = -10045;  // 平差概况
}  // namespace survey_table

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
