#include "link/transport.h"

#include <cstdlib>

#include "link/simulator.h"

namespace vornex::link {

std::string linkNameFromEnvironment() {
    const char* v = std::getenv("VORNEX_LINK");
    return (v && *v) ? std::string(v) : std::string("usb");
}

TransportFactory transportFactoryFor(std::string_view linkName, std::string* error) {
    if (linkName.empty() || linkName == "usb") return [] { return makeUsbTransport(); };
    if (linkName.substr(0, 4) == "sim:" && linkName.size() > 4) {
        auto sim = std::make_shared<CalcSimulator>(std::string(linkName.substr(4)));
        return [sim] { return makeSimTransport(sim); };
    }
    if (linkName.substr(0, 10) == "seqpacket:" && linkName.size() > 10) {
        std::string path(linkName.substr(10));
        return [path] { return makeSeqpacketTransport(path); };
    }
    if (error) *error = "unknown link '" + std::string(linkName) + "' (usb, sim:DIR or seqpacket:PATH)";
    return {};
}

}  // namespace vornex::link
