#include "adjust/survey_modules.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "adjust/tolerances.h"
#include "text/text.h"

namespace vornex {

bool openLevelingModule(LevelingModule& m, const std::filesystem::path& path, Prompter& prompter) {
    // The network takes the file only when all of it was read; until then the
    // module keeps its network and adjustment.
    if (!m.network.openLevelingFile(path, prompter)) return false;
    m.selection = {};
    solveLevelingModule(m, prompter);
    return true;
}

bool openControlModule(ControlModule& m, const std::filesystem::path& path, Prompter& prompter) {
    if (!m.network.openControlFile(path, prompter)) return false;
    m.selection = {};
    solveControlModule(m, prompter);
    return true;
}

void closeLevelingModule(LevelingModule& m) {
    m.adjust.reset();
    m.network.reset();
    m.selection = {};
}

void closeControlModule(ControlModule& m) {
    m.plane.reset();
    m.heights.reset();
    m.network.reset();
    m.selection = {};
}

void solveLevelingModule(LevelingModule& m, Prompter& prompter) {
    m.adjust.buildFromLeveling(m.network);
    m.adjust.solveHeights(prompter);
}

void solveControlModule(ControlModule& m, Prompter& prompter) {
    m.plane.buildFromControlSurvey(m.network, m.heights, m.refraction, m.correctCurvature);
    m.reduced = {};
    if (m.reduction.enabled) {
        // The heights first: the distances are reduced from the heights of their ends.
        if (m.heights.pointCount > 0) m.heights.solveHeights(prompter);
        applyProjectionReduction(m.plane, m.heights, m.reduction, m.reduced, prompter);
        m.plane.adjustPlane(prompter);
    } else {
        m.plane.adjustPlane(prompter);
        if (m.heights.pointCount > 0) m.heights.solveHeights(prompter);
    }
    // 平差概况 names the reduction only when it was chosen.
    std::erase_if(m.summaryLines, [](const SummaryLine& l) { return l.item == kReductionSummaryItem; });
    if (m.reduction.enabled)
        m.summaryLines.push_back({kReductionSummaryItem, m.reduced.applied ? "归算到投影面" : "未能归算（见提示）",
                                  m.reduced.applied ? reductionDetails(m.reduction, m.reduced) : ""});
}

void setControlRefraction(ControlModule& m, double refraction, Prompter& prompter) {
    m.refraction = refraction;
    solveControlModule(m, prompter);
}

void setControlCurvatureCorrection(ControlModule& m, bool correct, Prompter& prompter) {
    m.correctCurvature = correct;
    solveControlModule(m, prompter);
}

bool usesTrigonometricHeights(const ControlModule& m) {
    return m.network.loadedKind() == SurveyFileKind::Control && m.network.control.observationType == kSlopeAndZenith &&
           !m.heights.runs.empty();
}

std::string heightCorrectionText(const ControlModule& m) {
    return m.correctCurvature ? text::format("大气折光系数: %g", m.refraction) : std::string("球气差改正: 不改正");
}

bool levelingCoefficientEditable(const SurveyNetwork& network) { return network.key > 81; }

namespace {

// Tells the user that the header could not be written back; the caller then
// restores the values it changed, so memory and file keep agreeing.
void reportRewriteFailure(const SurveyNetwork& net, const std::string& why, Prompter& prompter) {
    prompter.message(text::format("不能改写数据文件“%s”中的参数：%s。\n参数仍为原值。",
                                  net.filePath.filename().string().c_str(), why.c_str()));
}

}  // namespace

void applyLevelingWeighting(SurveyNetwork& network, int weighting) {
    LevelingHeader& h = network.leveling;
    h.weighting = weighting;
    // Files without the field (key <= 81) keep it in memory only; the rewrite
    // leaves it out.
    h.closureCoefficient = defaultClosureCoefficient(h.levelClass, weighting);
}

bool setLevelingWeighting(LevelingModule& m, int weighting, Prompter& prompter) {
    const LevelingHeader before = m.network.leveling;
    applyLevelingWeighting(m.network, weighting);
    std::string why;
    if (!m.network.rewriteLevelingHeader(&why)) {
        m.network.leveling = before;
        reportRewriteFailure(m.network, why, prompter);
        return false;
    }
    solveLevelingModule(m, prompter);
    return true;
}

bool setLevelingClosureCoefficient(LevelingModule& m, double typed, Prompter& prompter) {
    if (!levelingCoefficientEditable(m.network)) return false;
    const LevelingHeader before = m.network.leveling;
    m.network.leveling.closureCoefficient = std::fabs(typed) + 0.0001;
    std::string why;
    if (!m.network.rewriteLevelingHeader(&why)) {
        m.network.leveling = before;
        reportRewriteFailure(m.network, why, prompter);
        return false;
    }
    solveLevelingModule(m, prompter);
    return true;
}

bool setControlParameter(ControlModule& m, ControlParameter which, std::string_view text, Prompter& prompter) {
    const double v = std::atof(std::string(text).c_str());
    const ControlHeader before = m.network.control;
    ControlHeader& h = m.network.control;
    switch (which) {
        case ControlParameter::AngleSigma: h.angleSigma = v; break;
        case ControlParameter::AzimuthSigma: h.azimuthSigma = v; break;
        case ControlParameter::DistanceFixedError: h.distanceFixedError = v; break;
        case ControlParameter::DistancePpm: h.distancePpm = v; break;
        case ControlParameter::TriangleLimit: h.triangleClosureLimit = v; break;
        case ControlParameter::AzimuthClosure: h.azimuthClosureCoefficient = v; break;
        case ControlParameter::TraverseClosure: h.traverseClosureCoefficient = v; break;
        case ControlParameter::HeightClosure: h.heightClosureCoefficient = v; break;
    }
    std::string why;
    if (!m.network.rewriteControlHeader(&why)) {
        m.network.control = before;
        reportRewriteFailure(m.network, why, prompter);
        return false;
    }
    solveControlModule(m, prompter);
    return true;
}

}  // namespace vornex
