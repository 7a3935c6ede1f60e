#include "exchange/dxf_plan.h"

namespace vornex::exchange {

std::string writeDxfPlan(const RoadProject&, std::span<const int>) { return {}; }

}  // namespace vornex::exchange
