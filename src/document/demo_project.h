// The demo project shipped as examples/demo.rod: a realistic project that uses
// every kind of record, built by our own code so that the bundled file can be
// regenerated and checked byte for byte.
#pragma once

#include "model/road.h"

namespace vornex {

// Two roads and six control points:
//  - "主线" (交点法, prefix "K", from K12+000): curves with full, asymmetric,
//    partial and parameter-given spirals and a virtual intersection; a short
//    and a long chain break; grade points with vertical curves; plates on both
//    sides with width and crossfall changes; slope templates and assignments;
//    culverts and an overpass; a bridge with piers and piles; two tunnel
//    templates (horseshoe contours of straight walls and arcs) and a tunnel
//    with slope and station rules and blast holes.
//  - "匝道A" (线元法, prefix "AK"): straight, spiral, arc, spiral, straight.
// The element lists are computed; the password is empty.
RoadProject makeDemoProject();

}  // namespace vornex
