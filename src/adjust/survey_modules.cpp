#include "adjust/survey_modules.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace vornex {

bool openLevelingModule(LevelingModule& m, const std::filesystem::path& path, Prompter& prompter) {
    m.adjust.reset();
    if (!m.network.openLevelingFile(path, prompter)) return false;
    solveLevelingModule(m, prompter);
    return true;
}

bool openControlModule(ControlModule& m, const std::filesystem::path& path, Prompter& prompter) {
    m.plane.reset();
    m.heights.reset();
    if (!m.network.openControlFile(path, prompter)) return false;
    solveControlModule(m, prompter);
    return true;
}

void closeLevelingModule(LevelingModule& m) {
    m.adjust.reset();
    m.network.reset();
}

void closeControlModule(ControlModule& m) {
    m.plane.reset();
    m.heights.reset();
    m.network.reset();
}

void solveLevelingModule(LevelingModule& m, Prompter& prompter) {
    m.adjust.buildFromLeveling(m.network);
    m.adjust.solveHeights(prompter);
}

void solveControlModule(ControlModule& m, Prompter& prompter) {
    m.plane.buildFromControlSurvey(m.network, m.heights, m.refraction);
    m.plane.adjustPlane(prompter);
    if (m.heights.pointCount > 0) m.heights.solveHeights(prompter);
}

void setControlRefraction(ControlModule& m, double refraction, Prompter& prompter) {
    m.refraction = refraction;
    solveControlModule(m, prompter);
}

bool levelingCoefficientEditable(const SurveyNetwork& network) { return network.key > 81; }

bool setLevelingWeighting(LevelingModule& m, int weighting, Prompter& prompter) {
    LevelingHeader& h = m.network.leveling;
    h.weighting = weighting;
    if (levelingCoefficientEditable(m.network)) {
        const bool third = h.levelClass == 1;
        h.closureCoefficient = weighting == 1 ? (third ? 4.0 : 6.0) : (third ? 12.0 : 20.0);
    }
    const bool written = m.network.rewriteLevelingHeader();
    solveLevelingModule(m, prompter);
    return written;
}

bool setLevelingClosureCoefficient(LevelingModule& m, double typed, Prompter& prompter) {
    if (!levelingCoefficientEditable(m.network)) return false;
    m.network.leveling.closureCoefficient = std::fabs(typed) + 0.0001;
    const bool written = m.network.rewriteLevelingHeader();
    solveLevelingModule(m, prompter);
    return written;
}

bool setControlParameter(ControlModule& m, ControlParameter which, std::string_view text, Prompter& prompter) {
    const double v = std::atof(std::string(text).c_str());
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
    const bool written = m.network.rewriteControlHeader();
    solveControlModule(m, prompter);
    return written;
}

}  // namespace vornex
