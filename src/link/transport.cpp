#include "link/transport.h"

#include <cstdlib>

#include "link/simulator.h"

namespace vornex::link {

std::string linkSpecFromEnvironment() {
    const char* v = std::getenv("VORNEX_LINK");
    return (v && *v) ? std::string(v) : std::string("usb");
}

TransportFactory transportFactoryFor(std::string_view spec, std::string* error) {
    if (spec.empty() || spec == "usb") return [] { return makeUsbTransport(); };
    if (spec.substr(0, 4) == "sim:" && spec.size() > 4) {
        auto sim = std::make_shared<CalcSimulator>(std::string(spec.substr(4)));
        return [sim] { return makeSimTransport(sim); };
    }
    if (spec.substr(0, 10) == "seqpacket:" && spec.size() > 10) {
        std::string path(spec.substr(10));
        return [path] { return makeSeqpacketTransport(path); };
    }
    if (error) *error = "unknown link '" + std::string(spec) + "' (usb, sim:DIR or seqpacket:PATH)";
    return {};
}

}  // namespace vornex::link
