// Adjustment of a plane control network (traverse, triangulation,
// trilateration) from a control-survey file: directions in sets with one
// orientation unknown per set, known azimuths and horizontal distances, with
// the known points held fixed. Approximate coordinates by intersection or polar
// propagation (in a local frame, then transformed onto the known points), then
// Gauss-Newton iterations to 0.01 m, residuals, sigma0 and precision figures.
// The same file's height differences form a height network that is handed to
// CLevelingAdjust.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "adjust/adjust_base.h"
#include "adjust/leveling_adjust.h"
#include "adjust/survey_network.h"
#include "geometry/angles.h"
#include "model/prompter.h"

namespace vornex {

// Earth curvature and refraction of trigonometric heights (球气差改正):
// (1 - k) D^2 / 2R is added to S cos Z. Whether to correct at all is a choice
// of its own; k = 0 corrects for the curvature of the earth only.
inline constexpr double kDefaultRefraction = 0.14;
inline constexpr double kEarthRadius = 6371000.0;  // m

// Height difference from the instrument's station mark to the target mark of a
// slope distance S (m) and zenith angle Z (degrees): S cos Z + i - v, plus, when
// `correct`, the curvature and refraction correction (1 - k) D^2 / 2R with the
// horizontal distance D = S |sin Z|.
double trigonometricHeight(double slope, double zenithDegrees, double instrumentHeight, double prismHeight,
                           double refraction, bool correct = true);

// Coordinate errors and error ellipse of one point (metres, F in radians).
struct PointError {
    bool shown = false;  // false: the point is left out (sqrt(qxx + qyy) < 0.0001)
    double mx = 0, my = 0, m = 0;
    double a = 0, b = 0, f = 0;
};

class CPlaneNetAdjust : public CAdjustBase {
public:
    // Seconds per radian (180·3600/π). The residuals of known azimuths are turned
    // into seconds with kResidualRho = 206264.806247 (plane_adjust.cpp): the same
    // figure rounded to 6 decimals, kept so that those residuals stay as they are.
    // The two differ by 1e-7 seconds per radian, which changes no printed digit.
    static constexpr double kRho = 206264.80624709636;
    static constexpr double kUnknownX = 1e30;           // X of a point without coordinates
    static constexpr int kMaxSolutions = 101;

    std::vector<PlanePoint> coordinates;  // X north, Y east (m)

    // Direction sets: set s holds directions setStart[s] .. setStart[s+1]-1.
    std::vector<std::int32_t> stationPoint;
    std::vector<std::int32_t> setStart{0};
    std::vector<std::int32_t> directionTarget;
    std::vector<double> directionValue;     // radians
    std::vector<double> directionResidual;  // seconds

    std::vector<std::int32_t> azimuthFrom, azimuthTo;
    std::vector<double> azimuthValue;     // radians
    std::vector<double> azimuthResidual;  // seconds

    std::vector<std::int32_t> distanceFrom, distanceTo;
    std::vector<double> distanceValue;     // horizontal, m
    std::vector<double> distanceResidual;  // m
    std::vector<MergedRun> distanceRuns;   // every measurement merged into the distances (horizontal, m)

    // Priors.
    double directionSigma = 1.0 / 1.4142135623730951;  // seconds
    double azimuthSigmaPrior = 1.0;                     // seconds
    double fixedError = 0.001;                          // m
    double ppmFactor = 1e-6;

    double pvv = 0;
    double sigma0 = 0;
    bool hasSigma0 = false;  // false without redundancy
    int solutions = 0;       // solutions made by the last adjustPlane()
    double lastCorrection = 0;  // m, largest coordinate correction of the last solution
    // The adjustment has results but they are not to be trusted: sigma0 above 10
    // or a last correction above 1 mm (a message naming both has been shown).
    bool doubtful = false;

    int stationSetCount() const { return static_cast<int>(stationPoint.size()); }
    int directionCount() const { return static_cast<int>(directionTarget.size()); }
    int azimuthCount() const { return static_cast<int>(azimuthFrom.size()); }
    int distanceCount() const { return static_cast<int>(distanceFrom.size()); }

    void reset();

    // Fills `heights` (observation types 2, 3, 4) and, for every type but 2, this
    // plane adjustment. Both are reset first.
    // Heights by zenith angle (type 4) carry the curvature and refraction
    // correction with coefficient `refraction` when `correct` (k = 0: curvature
    // only), none otherwise.
    void buildFromControlSurvey(const SurveyNetwork& network, CLevelingAdjust& heights,
                                double refraction = kDefaultRefraction, bool correct = true);

    // Approximate coordinates and iteration. 1 on success (or with no points),
    // 0 on failure (the reason is shown).
    int adjustPlane(Prompter& prompter);

    // Computed from the current coordinates.
    double azimuth(int from, int to) const;   // radians, [0, 2pi)
    double distance(int from, int to) const;  // m
    // Standard errors from the last solution: azimuth of a line in seconds,
    // distance in metres (0 without sigma0).
    double azimuthStandardError(int from, int to) const;
    double distanceStandardError(int from, int to) const;
    PointError pointError(int i) const;

    // Approximate coordinates only (also run by adjustPlane). False: failed,
    // with the messages shown.
    bool approximateCoordinates(Prompter& prompter);

private:
    struct Frame {
        std::vector<PlanePoint> xy;
        std::vector<char> has;
        int missing() const;
    };
    // The approximation (plane_approximation.cpp).
    bool angleAt(int point, int from, int to, double& angle) const;
    double directionInSet(int set, int target, bool& found) const;
    bool intersect(Frame& frame) const;
    // Known azimuths orient stations only when `useAzimuths` (the known frame).
    bool propagate(Frame& frame, bool useAzimuths) const;
    int transform(const Frame& local, Frame& real) const;
    // Known frame only. Each makes one sweep and returns whether it placed a point.
    bool orientation(int set, const Frame& frame, double& omega) const;
    bool forwardIntersect(Frame& frame) const;
    bool resect(Frame& frame) const;
    bool intersectDistances(Frame& frame) const;
    int findDistance(int a, int b) const;
    bool formNormals();
    double functionVariance(const double* a, const int* idx) const;

    std::vector<std::vector<int>> setsOfStation_;
    std::vector<std::unordered_map<int, double>> setDirections_;  // per set: target -> its first direction
    std::unordered_map<std::uint64_t, int> distanceIndex_;        // point pair -> distance
    std::vector<std::vector<int>> couplings_;
    std::vector<std::array<double, 4>> directionCoefficients_;  // of the last formation
};

}  // namespace vornex
