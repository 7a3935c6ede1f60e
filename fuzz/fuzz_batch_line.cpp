// Fuzzes the batch query's line parser, and the computation of each parsed point
// on a small road, the way the batch runs them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "geometry/point_to_station.h"
#include "tables/route_query.h"

namespace {
vornex::Road makeRoad() {
    vornex::Road road;
    road.curveForm = 1;
    vornex::AlignmentElement straight;
    straight.x = 1000;
    straight.y = 1000;
    straight.startAzimuth = 30;
    straight.arrivalAzimuth = 30;
    straight.length = 200;
    road.elements.push_back(straight);
    return road;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vornex::Road road = makeRoad();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        std::size_t nl = input.find('\n');
        std::string_view line = input.substr(0, nl);
        input = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);
        vornex::BatchPoint point;
        if (!vornex::parseBatchLine(line, point)) continue;
        vornex::AlignmentPoint pt;
        pt.x = point.x;
        pt.y = point.y;
        vornex::StationOffset so;
        (void)vornex::stationOfPoint(road, pt, 0.0001, so);
    }
    return 0;
}
