// Small hand-made road pieces shared by the geometry and table tests.
#pragma once

#include "model/records.h"

namespace vornex::testing {

// An element starting at (x, y) with the given azimuth (degrees, also the
// arrival azimuth), continuous chainage, length and end radii.
inline AlignmentElement elementAt(const char* name, double x, double y, double azimuth, double station,
                                  double length, double r1, double r2) {
    AlignmentElement e;
    e.name = name;
    e.x = x;
    e.y = y;
    e.arrivalAzimuth = azimuth;
    e.startAzimuth = azimuth;
    e.startStation = station;
    e.length = length;
    e.startRadius = r1;
    e.endRadius = r2;
    return e;
}

}  // namespace vornex::testing
