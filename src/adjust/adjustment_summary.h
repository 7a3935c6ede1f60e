// What a surveyor checks before signing an adjustment: the counts and the
// redundancy, [pvv], the standard error of unit weight a posteriori against its
// a priori value (the global test of the model, chi-square at 95 %), and the
// largest standardized residual (Baarda's data snooping, alpha0 = 0.001).
#pragma once

#include <cstdint>

#include "adjust/leveling_adjust.h"
#include "adjust/plane_adjust.h"
#include "adjust/survey_network.h"

namespace vornex {

// Regularised lower incomplete gamma function P(a, x), a > 0, x >= 0.
double regularizedGammaP(double a, double x);
// Quantile of the chi-square distribution with `dof` > 0 degrees of freedom:
// the x with P(chi2(dof) <= x) = probability, 0 < probability < 1. NaN outside.
double chiSquareQuantile(double probability, double dof);

// Critical value of the standardized residual: Baarda's test at alpha0 = 0.001
// (two-sided normal quantile 3.29).
inline constexpr double kBaardaCritical = 3.29;

// The global test of the model: chi2 = [pvv] / sigma0_prior^2 against the
// two-sided 95 % bounds of chi2(r).
struct GlobalTest {
    bool valid = false;  // redundancy > 0 and a prior sigma0 > 0
    double chi2 = 0;
    double lower = 0, upper = 0;
    bool passed = false;
};
GlobalTest globalModelTest(double pvv, double sigma0Prior, int redundancy);

enum class ObservationKind { HeightDifference, Direction, Distance, Azimuth };

// The largest |w| = |v| / (sigma0_prior sqrt(qvv)) over the observations whose
// residual is controlled by others (qvv not vanishing).
struct StandardizedResidual {
    bool valid = false;
    double w = 0;
    ObservationKind kind = ObservationKind::HeightDifference;
    int observation = -1;    // index in the list of its kind
    int from = -1, to = -1;  // point indices of the adjustment
    bool rejected() const { return valid && w > kBaardaCritical; }
};

struct AdjustmentSummary {
    bool results = false;  // the adjustment has results
    int unknowns = 0;
    int knownPoints = 0;
    int redundancy = 0;  // may be <= 0
    double pvv = 0;      // in the units of the weights (leveling: m^2 per km or per station)
    bool hasSigma0 = false;
    double sigma0 = 0;       // a posteriori
    double sigma0Prior = 0;  // 0: there is none, and no test
    GlobalTest test;
    StandardizedResidual largest;
};

// A priori standard deviation of one kilometre of leveling of an order
// (观测等级 0 四等 .. 3 一等), in mm: the 每千米水准测量全中误差 M_W the
// national standards allow. Out-of-range orders are taken as fourth order.
double levelingKilometreSigma(std::int32_t levelClass);
// A priori sigma0 of a leveling adjustment in metres, in the unit its weights
// carry: per sqrt(km) when weighting by length; per sqrt(station) when weighting
// by stations, from the mean sight line per station of the sections used
// (sigma_station = M_W sqrt(L_km / n)). 0 when it cannot be stated.
double levelingPriorSigma0(const SurveyNetwork& network);

// Diagonal element of Qvv = Q - A Qhat A^T for one observation, in the unit of
// 1/p: 1/p - (Q_aa + Q_bb - 2 Q_ab). Needs a solved adjustment.
double levelingResidualCofactor(const CLevelingAdjust& a, int k);

// Summary of a height adjustment; `sigma0Prior` in metres (0: none).
AdjustmentSummary summarizeHeights(const CLevelingAdjust& a, double sigma0Prior);
// Summary of a plane adjustment: the weights are 1/sigma^2 from the file's
// priors, so sigma0 a priori is 1.
AdjustmentSummary summarizePlane(const CPlaneNetAdjust& p);

}  // namespace vornex
