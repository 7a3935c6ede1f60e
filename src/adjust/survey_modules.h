// The two survey modules as the program holds them: a leveling file with its
// height adjustment, and a control-survey file with its plane and height
// adjustments. Opening builds and solves; every parameter change rewrites the
// file's header, rebuilds and solves again.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "adjust/leveling_adjust.h"
#include "adjust/plane_adjust.h"
#include "adjust/projection_reduction.h"
#include "adjust/survey_network.h"
#include "model/prompter.h"

namespace vornex {

// What a survey module shows: the table code of the tree item selected and,
// for a section or station under "观测数据", its index. With no file loaded, or
// nothing selected since the file was opened, both are -1.
struct SurveySelection {
    int tableCode = -1;
    int index = -1;
    bool operator==(const SurveySelection&) const = default;
};

// One extra line of the adjustment summary (平差概况), for a step that changes
// how the observations are treated (a reduction chosen for the distances, say):
// shown after the module's own method lines, texts as given (UTF-8).
struct SummaryLine {
    std::string item;
    std::string value;
    std::string remark;
};

struct LevelingModule {
    SurveyNetwork network;
    CLevelingAdjust adjust;
    SurveySelection selection;
    std::vector<SummaryLine> summaryLines;
};

struct ControlModule {
    SurveyNetwork network;
    CPlaneNetAdjust plane;
    CLevelingAdjust heights;
    // 球气差改正 of trigonometric heights: 改正 (correct) with the 大气折光系数
    // k (0: the curvature of the earth only), or 不改正 (the plain S cos Z + i - v).
    // The file has no field for either, so the program keeps them in its settings.
    bool correctCurvature = true;
    double refraction = kDefaultRefraction;
    // 边长归算, kept per file in the settings; by default the survey is adjusted as measured.
    ProjectionReduction reduction;
    ReductionResult reduced;  // what the last solution reduced
    SurveySelection selection;
    std::vector<SummaryLine> summaryLines;
};

// Read, build and solve; a new file selects nothing. False when the file could
// not be read: the module then keeps the network, adjustment and selection it had.
bool openLevelingModule(LevelingModule& m, const std::filesystem::path& path, Prompter& prompter);
bool openControlModule(ControlModule& m, const std::filesystem::path& path, Prompter& prompter);
void closeLevelingModule(LevelingModule& m);
void closeControlModule(ControlModule& m);
// Rebuild and solve from the network as it stands.
void solveLevelingModule(LevelingModule& m, Prompter& prompter);
void solveControlModule(ControlModule& m, Prompter& prompter);

// The closure coefficient can be typed only in files that carry it (key > 81).
bool levelingCoefficientEditable(const SurveyNetwork& network);

// 定权方式 in memory: 1 by number of stations, anything else by section length;
// the closure coefficient becomes the order's default for that weighting (see
// adjust/tolerances.h). Nothing is written.
void applyLevelingWeighting(SurveyNetwork& network, int weighting);

// 定权方式 chosen in the pane: applyLevelingWeighting, and the header written back.
//
// These edits write the header back into the file at once. When that fails the
// user is told why, the header in memory gets its old values back (memory and
// file agree) and the result is false; on success the module is solved again.
bool setLevelingWeighting(LevelingModule& m, int weighting, Prompter& prompter);
// A typed coefficient is stored as |value| + 0.0001. False (nothing changed) when
// the file does not carry the coefficient or the rewrite failed.
bool setLevelingClosureCoefficient(LevelingModule& m, double typed, Prompter& prompter);

// The editable numbers of the control pane.
enum class ControlParameter {
    AngleSigma,           // 角度中误差
    AzimuthSigma,         // 方位中误差
    DistanceFixedError,   // 边长固定误差
    DistancePpm,          // 边长比例误差
    TriangleLimit,        // 三角形
    AzimuthClosure,       // 方位角系数
    TraverseClosure,      // 导线全长
    HeightClosure,        // 高程系数
};
// Stores the number read from `text` (as atof reads it: leading number, else 0).
// False when the rewrite failed (the old value is kept).
bool setControlParameter(ControlModule& m, ControlParameter which, std::string_view text, Prompter& prompter);
// Sets the refraction coefficient and solves again (nothing is written to the file).
void setControlRefraction(ControlModule& m, double refraction, Prompter& prompter);
// Sets 球气差改正 (true: 改正) and solves again (nothing is written to the file).
void setControlCurvatureCorrection(ControlModule& m, bool correct, Prompter& prompter);
// Whether the height network holds a height computed from a zenith angle (the
// only heights the correction and the coefficient apply to).
bool usesTrigonometricHeights(const ControlModule& m);
// "大气折光系数: k", or "球气差改正: 不改正", as the command line reports it.
std::string heightCorrectionText(const ControlModule& m);

}  // namespace vornex
