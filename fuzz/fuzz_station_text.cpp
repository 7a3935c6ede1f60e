// Fuzzes station text: typed text through toContinuousChainage on a road with
// short and long chain breaks, and the result back through formatStation.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "geometry/stations.h"

namespace {
vornex::Road makeRoad() {
    vornex::Road road;
    road.curveForm = 1;
    vornex::AlignmentElement e;
    e.startStation = 0;
    e.length = 5000;
    road.elements.push_back(e);
    road.chainBreaks.push_back({1000, 1100});  // short chain
    road.chainBreaks.push_back({2000, 1900});  // long chain
    return road;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vornex::Road road = makeRoad();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    double c = vornex::toContinuousChainage(road, text);
    (void)vornex::formatStation(road, c, true);
    (void)vornex::formatStation(road, c, false);
    return 0;
}
