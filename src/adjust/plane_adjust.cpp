#include "adjust/plane_adjust.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>

#include "text/text.h"

namespace vornex {
namespace {

constexpr double kKnownPointDiagonal = 1e20;  // holds a known point practically fixed
constexpr double kConvergence = 0.01;         // m
constexpr double kResidualRho = 206264.806247;
// Beyond these a result is reported as doubtful.
constexpr double kDoubtfulSigma0 = 10.0;
constexpr double kDoubtfulCorrection = 0.001;  // m, largest correction of the last solution

// 1 / sigma^2; a zero prior would give an infinite weight, so it is held finite.
double priorWeight(double sigma) {
    const double s2 = sigma * sigma;
    return 1.0 / (s2 > 0 ? s2 : 1e-15);
}

std::uint64_t pairKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}


}  // namespace

void CPlaneNetAdjust::reset() {
    CAdjustBase::reset();
    coordinates.clear();
    stationPoint.clear();
    setStart.assign(1, 0);
    directionTarget.clear();
    directionValue.clear();
    directionResidual.clear();
    azimuthFrom.clear();
    azimuthTo.clear();
    azimuthValue.clear();
    azimuthResidual.clear();
    distanceFrom.clear();
    distanceTo.clear();
    distanceValue.clear();
    distanceResidual.clear();
    distanceRuns.clear();
    pvv = 0;
    sigma0 = 0;
    hasSigma0 = false;
    solutions = 0;
    lastCorrection = 0;
    doubtful = false;
    setsOfStation_.clear();
    setDirections_.clear();
    distanceIndex_.clear();
    couplings_.clear();
    directionCoefficients_.clear();
}

double trigonometricHeight(double slope, double zenithDegrees, double instrumentHeight, double prismHeight,
                           double refraction, bool correct) {
    const double z = toRadians(zenithDegrees);
    double h = slope * std::cos(z) + instrumentHeight - prismHeight;
    if (correct) {
        const double d = slope * std::fabs(std::sin(z));
        h += (1 - refraction) * d * d / (2 * kEarthRadius);
    }
    return h;
}

void CPlaneNetAdjust::buildFromControlSurvey(const SurveyNetwork& net, CLevelingAdjust& heights, double refraction,
                                             bool correct) {
    reset();
    heights.reset();
    const int type = net.control.observationType;
    const bool slope = type == kSlopeDistance || type == kSlopeAndZenith;

    // Height network (types 2, 3, 4).
    if (type == kHeightDifference || type == kDistanceAndHeight || type == kSlopeAndZenith) {
        heights.enterKnownPoints(net.knownPoints);
        for (const SurveyStation& st : net.stations) {
            heights.pointIndex(st.name.str());
            for (const SurveyObservation& o : st.observations) {
                if (o.distance > 0) heights.pointIndex(o.targetName.str());
            }
        }
        heights.closureCoefficient = net.control.heightClosureCoefficient;
        heights.weightByStations = false;
        for (const SurveyStation& st : net.stations) {
            const int from = heights.findPoint(st.name.str());
            for (const SurveyObservation& o : st.observations) {
                if (!(o.distance > 0)) continue;
                double h = o.verticalOrHeight;
                double d = o.distance;
                if (type == kSlopeAndZenith) {
                    // A height by zenith angle needs the prism height: without it the run is not used.
                    if (o.targetHeight < 0) continue;
                    const double v = o.distance * std::cos(toRadians(o.verticalOrHeight));
                    h = trigonometricHeight(o.distance, o.verticalOrHeight, st.instrumentHeight, o.targetHeight, refraction, correct);
                    d = std::sqrt(std::max(0.0, o.distance * o.distance - v * v));
                }
                if (!(d > 0) || !std::isfinite(d) || !std::isfinite(h)) continue;
                heights.addRun(from, heights.findPoint(o.targetName.str()), h, d / 1000.0,
                               static_cast<int>(&st - net.stations.data()), static_cast<int>(&o - st.observations.data()));
            }
        }
        heights.finishBuild(1.0);
    }

    if (type == kHeightDifference) return;

    // Plane network: priors, points, azimuths, direction sets, distances.
    directionSigma = net.control.angleSigma / std::sqrt(2.0);
    azimuthSigmaPrior = net.control.azimuthSigma;
    fixedError = net.control.distanceFixedError / 1000.0;
    ppmFactor = net.control.distancePpm * 1e-6;

    for (const ControlPoint& cp : net.knownPoints) {
        int i = pointIndex(cp.name.str());
        if (i < 0) continue;
        if (static_cast<std::size_t>(i) >= coordinates.size()) coordinates.resize(static_cast<std::size_t>(i) + 1);
        coordinates[static_cast<std::size_t>(i)] = {cp.x, cp.y};
    }
    knownCount = static_cast<std::int32_t>(pointNames.size());
    for (const KnownAzimuth& a : net.knownAzimuths) {
        pointIndex(a.fromName.str());
        pointIndex(a.toName.str());
    }
    for (const SurveyStation& st : net.stations) {
        pointIndex(st.name.str());
        for (const SurveyObservation& o : st.observations) pointIndex(o.targetName.str());
    }
    pointCount = static_cast<std::int32_t>(pointNames.size());
    coordinates.resize(static_cast<std::size_t>(pointCount), PlanePoint{kUnknownX, 0});

    for (const KnownAzimuth& a : net.knownAzimuths) {
        azimuthFrom.push_back(findPoint(a.fromName.str()));
        azimuthTo.push_back(findPoint(a.toName.str()));
        azimuthValue.push_back(toRadians(a.azimuth));
    }

    std::unordered_map<std::uint64_t, int>& distanceIndex = distanceIndex_;
    std::vector<std::pair<double, int>> distanceSums;  // sum and count of each line's measurements
    for (const SurveyStation& st : net.stations) {
        const int station = findPoint(st.name.str());
        bool opened = false;
        for (const SurveyObservation& o : st.observations) {
            const int target = findPoint(o.targetName.str());
            if (o.direction >= 0 && std::isfinite(o.direction)) {
                if (!opened) {
                    stationPoint.push_back(station);
                    opened = true;
                }
                directionTarget.push_back(target);
                directionValue.push_back(toRadians(o.direction));
            }
            if (o.distance > 0 && std::isfinite(o.distance)) {
                const double d = slope ? o.distance * std::fabs(std::sin(toRadians(o.verticalOrHeight))) : o.distance;
                if (!(d > 0) || !std::isfinite(d) || target == station) continue;
                // Every measurement of a line counts alike: the mean of all of them.
                auto [it, fresh] = distanceIndex.emplace(pairKey(station, target), distanceCount());
                distanceRuns.push_back({it->second, fresh || distanceFrom[static_cast<std::size_t>(it->second)] == station, d, 0,
                                        static_cast<int>(&st - net.stations.data()), static_cast<int>(&o - st.observations.data())});
                if (fresh) {
                    distanceFrom.push_back(station);
                    distanceTo.push_back(target);
                    distanceValue.push_back(d);
                    distanceSums.push_back({d, 1});
                } else {
                    auto& sum = distanceSums[static_cast<std::size_t>(it->second)];
                    sum.first += d;
                    sum.second += 1;
                    distanceValue[static_cast<std::size_t>(it->second)] = sum.first / sum.second;
                }
            }
        }
        if (opened) setStart.push_back(directionCount());
    }
    directionResidual.assign(directionValue.size(), 0.0);
    azimuthResidual.assign(azimuthValue.size(), 0.0);
    distanceResidual.assign(distanceValue.size(), 0.0);
    observationCount = directionCount() + distanceCount() + azimuthCount();

    setsOfStation_.assign(static_cast<std::size_t>(pointCount), {});
    setDirections_.assign(static_cast<std::size_t>(stationSetCount()), {});
    for (int s = 0; s < stationSetCount(); ++s) {
        setsOfStation_[static_cast<std::size_t>(stationPoint[static_cast<std::size_t>(s)])].push_back(s);
        for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1]; ++j) {
            setDirections_[static_cast<std::size_t>(s)].emplace(directionTarget[static_cast<std::size_t>(j)], directionValue[static_cast<std::size_t>(j)]);
        }
    }
}

int CPlaneNetAdjust::findDistance(int a, int b) const {
    auto it = distanceIndex_.find(pairKey(a, b));
    return it == distanceIndex_.end() ? -1 : it->second;
}

double CPlaneNetAdjust::azimuth(int from, int to) const {
    const PlanePoint& a = coordinates[static_cast<std::size_t>(from)];
    const PlanePoint& b = coordinates[static_cast<std::size_t>(to)];
    return reduceTwoPi(std::atan2(b.y - a.y, b.x - a.x));
}

double CPlaneNetAdjust::distance(int from, int to) const {
    const PlanePoint& a = coordinates[static_cast<std::size_t>(from)];
    const PlanePoint& b = coordinates[static_cast<std::size_t>(to)];
    return std::hypot(b.x - a.x, b.y - a.y);
}

bool CPlaneNetAdjust::formNormals() {
    zeroNormals();
    const int orientationBase = 2 * pointCount;
    const double pDir = priorWeight(directionSigma);
    directionCoefficients_.assign(directionValue.size(), {0, 0, 0, 0});
    for (int s = 0; s < stationSetCount(); ++s) {
        const int st = stationPoint[static_cast<std::size_t>(s)];
        const int begin = setStart[static_cast<std::size_t>(s)], end = setStart[static_cast<std::size_t>(s) + 1];
        const double z = reduceTwoPi(azimuth(st, directionTarget[static_cast<std::size_t>(begin)]) -
                                   reduceTwoPi(directionValue[static_cast<std::size_t>(begin)]));
        for (int j = begin; j < end; ++j) {
            const int t = directionTarget[static_cast<std::size_t>(j)];
            const PlanePoint& S = coordinates[static_cast<std::size_t>(st)];
            const PlanePoint& T = coordinates[static_cast<std::size_t>(t)];
            const double dx = T.x - S.x, dy = T.y - S.y, s2 = dx * dx + dy * dy;
            const double w = wrapPi(reduceTwoPi(azimuth(st, t) - directionValue[static_cast<std::size_t>(j)]) - z) * kRho;
            directionResidual[static_cast<std::size_t>(j)] = w;
            if (!(s2 > 1e-12)) continue;  // coincident points: no direction to linearise
            std::array<double, 4> c = {kRho * dy / s2, -kRho * dx / s2, -kRho * dy / s2, kRho * dx / s2};
            directionCoefficients_[static_cast<std::size_t>(j)] = c;
            const double a[5] = {c[0], c[1], c[2], c[3], -1.0};
            const int idx[5] = {2 * st, 2 * st + 1, 2 * t, 2 * t + 1, orientationBase + s};
            accumulateObservation(a, idx, 5, pDir, w);
        }
    }
    for (int k = 0; k < distanceCount(); ++k) {
        const int f = distanceFrom[static_cast<std::size_t>(k)], t = distanceTo[static_cast<std::size_t>(k)];
        const double d = distanceValue[static_cast<std::size_t>(k)];
        const double sigma = ppmFactor * d + fixedError;
        const double p = 1.0 / (sigma * sigma + 1e-15);
        const PlanePoint& A = coordinates[static_cast<std::size_t>(f)];
        const PlanePoint& B = coordinates[static_cast<std::size_t>(t)];
        const double dx = B.x - A.x, dy = B.y - A.y, s = std::hypot(dx, dy);
        if (!(s > 1e-9)) continue;
        const double a[4] = {-dx / s, -dy / s, dx / s, dy / s};
        const int idx[4] = {2 * f, 2 * f + 1, 2 * t, 2 * t + 1};
        accumulateObservation(a, idx, 4, p, s - d);
    }
    const double pAz = 1.0 / (azimuthSigmaPrior * azimuthSigmaPrior + 1e-15);
    for (int k = 0; k < azimuthCount(); ++k) {
        const int f = azimuthFrom[static_cast<std::size_t>(k)], t = azimuthTo[static_cast<std::size_t>(k)];
        const PlanePoint& A = coordinates[static_cast<std::size_t>(f)];
        const PlanePoint& B = coordinates[static_cast<std::size_t>(t)];
        const double dx = B.x - A.x, dy = B.y - A.y, s2 = dx * dx + dy * dy;
        if (!(s2 > 1e-12)) continue;
        const double a[4] = {kRho * dy / s2, -kRho * dx / s2, -kRho * dy / s2, kRho * dx / s2};
        const int idx[4] = {2 * f, 2 * f + 1, 2 * t, 2 * t + 1};
        accumulateObservation(a, idx, 4, pAz, wrapPi(azimuth(f, t) - azimuthValue[static_cast<std::size_t>(k)]) * kRho);
    }
    for (int i = 0; i < knownCount; ++i) {
        addNormalDiagonal(2 * i, kKnownPointDiagonal);
        addNormalDiagonal(2 * i + 1, kKnownPointDiagonal);
    }
    return true;
}

int CPlaneNetAdjust::adjustPlane(Prompter& prompter) {
    adjusted = 0;
    hasSigma0 = false;
    sigma0 = 0;
    pvv = 0;
    solutions = 0;
    lastCorrection = 0;
    doubtful = false;
    bool checked = false;
    if (pointCount <= 0) return 1;
    if (!approximateCoordinates(prompter)) return 0;

    const int unknowns = 2 * pointCount + stationSetCount();
    couplings_.assign(static_cast<std::size_t>(unknowns), {});
    auto couple = [&](const int* idx, int k) {
        for (int i = 0; i < k; ++i) {
            for (int j = 0; j < k; ++j) {
                if (idx[j] > idx[i]) couplings_[static_cast<std::size_t>(idx[i])].push_back(idx[j]);
            }
        }
    };
    for (int s = 0; s < stationSetCount(); ++s) {
        const int st = stationPoint[static_cast<std::size_t>(s)];
        for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1]; ++j) {
            const int t = directionTarget[static_cast<std::size_t>(j)];
            const int idx[5] = {2 * st, 2 * st + 1, 2 * t, 2 * t + 1, 2 * pointCount + s};
            couple(idx, 5);
        }
    }
    for (int k = 0; k < distanceCount(); ++k) {
        const int f = distanceFrom[static_cast<std::size_t>(k)], t = distanceTo[static_cast<std::size_t>(k)];
        const int idx[4] = {2 * f, 2 * f + 1, 2 * t, 2 * t + 1};
        couple(idx, 4);
    }
    for (int k = 0; k < azimuthCount(); ++k) {
        const int f = azimuthFrom[static_cast<std::size_t>(k)], t = azimuthTo[static_cast<std::size_t>(k)];
        const int idx[4] = {2 * f, 2 * f + 1, 2 * t, 2 * t + 1};
        couple(idx, 4);
    }
    for (int i = 0; i < pointCount; ++i) {
        const int idx[2] = {2 * i, 2 * i + 1};
        couple(idx, 2);
    }
    const bool ok = beginNormals(unknowns, couplings_);
    couplings_.clear();
    if (!ok) {
        prompter.message(normalsRefusalMessage());
        return 0;
    }

    for (;;) {
        formNormals();
        if (invertNormals() == 0) {
            prompter.message("调用ca_dX函数出错：法方程系数阵不满秩！");
            return 0;
        }
        solve();
        ++solutions;
        double m = 0;
        for (int i = 0; i < pointCount; ++i) {
            PlanePoint& c = coordinates[static_cast<std::size_t>(i)];
            const double dx = solution_[static_cast<std::size_t>(2 * i)], dy = solution_[static_cast<std::size_t>(2 * i + 1)];
            c.x += dx;
            c.y += dy;
            m = std::max({m, std::fabs(dx), std::fabs(dy)});
            if (!std::isfinite(dx) || !std::isfinite(dy)) m = HUGE_VAL;
        }
        // A solution that is not finite can never converge.
        if (solutions > kMaxSolutions || m == HUGE_VAL) {
            prompter.message("平差计算错误");
            return 0;
        }
        lastCorrection = m;
        if (!(m > kConvergence)) {
            // Stopped with a correction still above 1 mm (close approximations give a
            // first correction below 1 cm): one check solution, whose correction tells
            // whether the iteration has really settled.
            if (m > kDoubtfulCorrection && !checked) {
                checked = true;
                continue;
            }
            break;
        }
    }

    // Residuals and [pvv].
    const double pDir = priorWeight(directionSigma);
    pvv = 0;
    for (int s = 0; s < stationSetCount(); ++s) {
        const int st = stationPoint[static_cast<std::size_t>(s)];
        const double dz = solution_[static_cast<std::size_t>(2 * pointCount + s)];
        for (int j = setStart[static_cast<std::size_t>(s)]; j < setStart[static_cast<std::size_t>(s) + 1]; ++j) {
            const int t = directionTarget[static_cast<std::size_t>(j)];
            const auto& c = directionCoefficients_[static_cast<std::size_t>(j)];
            double v = directionResidual[static_cast<std::size_t>(j)];
            v += c[0] * solution_[static_cast<std::size_t>(2 * st)] + c[1] * solution_[static_cast<std::size_t>(2 * st + 1)] +
                 c[2] * solution_[static_cast<std::size_t>(2 * t)] + c[3] * solution_[static_cast<std::size_t>(2 * t + 1)];
            v -= dz;
            directionResidual[static_cast<std::size_t>(j)] = v;
            pvv += v * v * pDir;
        }
    }
    for (int k = 0; k < distanceCount(); ++k) {
        const double d = distanceValue[static_cast<std::size_t>(k)];
        const double v = distance(distanceFrom[static_cast<std::size_t>(k)], distanceTo[static_cast<std::size_t>(k)]) - d;
        distanceResidual[static_cast<std::size_t>(k)] = v;
        pvv += v * v * priorWeight(ppmFactor * d + fixedError);
    }
    for (int k = 0; k < azimuthCount(); ++k) {
        const double v = wrapPi(azimuth(azimuthFrom[static_cast<std::size_t>(k)], azimuthTo[static_cast<std::size_t>(k)]) -
                                azimuthValue[static_cast<std::size_t>(k)]) *
                         kResidualRho;
        azimuthResidual[static_cast<std::size_t>(k)] = v;
        pvv += v * v * priorWeight(azimuthSigmaPrior);
    }
    const int r = directionCount() + distanceCount() + azimuthCount() - (2 * (pointCount - knownCount) + stationSetCount());
    if (r > 0) {
        sigma0 = std::sqrt(pvv / r);
        hasSigma0 = true;
    }
    adjusted = 1;
    // A false minimum (wrong approximations) or an iteration that has not settled
    // still gives tables; they are shown, but never as a clean result.
    doubtful = (hasSigma0 && !(sigma0 <= kDoubtfulSigma0)) || lastCorrection > kDoubtfulCorrection;
    if (doubtful) {
        const std::string s0 = hasSigma0 ? text::format("%.3f", sigma0) : std::string("（无多余观测）");
        prompter.message(text::format("平差结果可疑：单位权中误差 %s，最后一次迭代的最大坐标改正数 %.2f mm。\n请检查观测数据和已知数据。",
                                      s0.c_str(), lastCorrection * 1000));
    }
    return 1;
}

double CPlaneNetAdjust::functionVariance(const double* a, const int* idx) const {
    double q = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) q += a[i] * a[j] * cofactor(idx[i], idx[j]);
    }
    return std::fabs(q) < 1e-8 ? 0.0 : q;
}

double CPlaneNetAdjust::azimuthStandardError(int from, int to) const {
    if (!hasSigma0) return 0;
    const PlanePoint& A = coordinates[static_cast<std::size_t>(from)];
    const PlanePoint& B = coordinates[static_cast<std::size_t>(to)];
    const double dx = B.x - A.x, dy = B.y - A.y, s2 = dx * dx + dy * dy;
    if (!(s2 > 0)) return 0;
    const double a[4] = {kRho * dy / s2, -kRho * dx / s2, -kRho * dy / s2, kRho * dx / s2};
    const int idx[4] = {2 * from, 2 * from + 1, 2 * to, 2 * to + 1};
    return sigma0 * std::sqrt(std::max(0.0, functionVariance(a, idx)));
}

double CPlaneNetAdjust::distanceStandardError(int from, int to) const {
    if (!hasSigma0) return 0;
    const PlanePoint& A = coordinates[static_cast<std::size_t>(from)];
    const PlanePoint& B = coordinates[static_cast<std::size_t>(to)];
    const double dx = B.x - A.x, dy = B.y - A.y, s = std::hypot(dx, dy);
    if (!(s > 0)) return 0;
    const double a[4] = {-dx / s, -dy / s, dx / s, dy / s};
    const int idx[4] = {2 * from, 2 * from + 1, 2 * to, 2 * to + 1};
    return sigma0 * std::sqrt(std::max(0.0, functionVariance(a, idx)));
}

PointError CPlaneNetAdjust::pointError(int i) const {
    PointError e;
    if (!hasSigma0 || i < knownCount || i >= pointCount) return e;
    const double qx = cofactor(2 * i, 2 * i), qy = cofactor(2 * i + 1, 2 * i + 1), qxy0 = cofactor(2 * i, 2 * i + 1);
    const double s2 = sigma0 * sigma0;
    const double qxx = s2 * qx, qyy = s2 * qy, qxy = s2 * qxy0;
    if (!(std::sqrt(std::max(0.0, qxx + qyy)) >= 0.0001)) return e;
    e.shown = true;
    e.mx = sigma0 * std::sqrt(std::max(0.0, qx));
    e.my = sigma0 * std::sqrt(std::max(0.0, qy));
    e.m = std::sqrt(e.mx * e.mx + e.my * e.my);
    // Error ellipse from the eigenvalues of the 2 x 2 covariance.
    const double w = std::sqrt(4 * qxy * qxy + (qxx - qyy) * (qxx - qyy));
    e.a = std::sqrt(std::max(0.0, (qxx + qyy + w) / 2));
    e.b = std::sqrt(std::max(0.0, (qxx + qyy - w) / 2));
    if (std::fabs(qxy) < 1e-14) {
        e.f = qxx > qyy ? 0.0 : kPi / 2;
    } else {
        e.f = std::atan((e.a * e.a - qxx) / qxy);
        if (e.f < 0) e.f += kPi;
    }
    return e;
}

}  // namespace vornex
