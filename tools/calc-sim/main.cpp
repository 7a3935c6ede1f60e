// vornex-calc-sim --storage DIR --socket PATH [switches]
// Plays an fx-9860G-family calculator for vornex-cli --link seqpacket:PATH (or
// VORNEX_LINK): its storage memory is DIR, sub-folders are calculator folders.
// Switches to misbehave, for robustness tests:
//   --resend N       answer the next N upload data packets with a resend request
//   --drop N         swallow the next N replies
//   --garbage N      answer the next N times with bytes that are no packet
//   --stall-after N  after N packets answer nothing at all
//   --capacity B     size of storage memory in bytes (default 1572864)
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "link/sim_server.h"
#include "link/simulator.h"

namespace {

vornex::link::SimServer* g_server = nullptr;

extern "C" void onSignal(int) {
    if (g_server) g_server->stop();
}

int usage() {
    std::cerr << "usage: vornex-calc-sim --storage DIR --socket PATH [--resend N] [--drop N] [--garbage N]"
                 " [--stall-after N] [--capacity BYTES]\n";
    return 2;
}

bool number(const char* text, long long& out) {
    char* end = nullptr;
    out = std::strtoll(text, &end, 10);
    return *text != '\0' && *end == '\0' && out >= 0 && out <= 0xFFFFFFFFll;
}

}  // namespace

int main(int argc, char** argv) {
    std::string storage, socketPath;
    vornex::link::SimulatorFaults faults;
    long long capacity = 1536 * 1024;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        const char* v = argv[++i];
        long long n = 0;
        if (a == "--storage") {
            storage = v;
        } else if (a == "--socket") {
            socketPath = v;
        } else if (!number(v, n)) {
            return usage();
        } else if (a == "--resend") {
            faults.resendRequests = static_cast<int>(std::min(n, 1000000ll));
        } else if (a == "--drop") {
            faults.dropReplies = static_cast<int>(std::min(n, 1000000ll));
        } else if (a == "--garbage") {
            faults.garbageReplies = static_cast<int>(std::min(n, 1000000ll));
        } else if (a == "--stall-after") {
            faults.stallAfter = static_cast<int>(std::min(n, 1000000ll));
        } else if (a == "--capacity") {
            capacity = n;
        } else {
            return usage();
        }
    }
    if (storage.empty() || socketPath.empty()) return usage();
    std::error_code ec;
    if (!std::filesystem::is_directory(storage, ec)) {
        std::cerr << "vornex-calc-sim: " << storage << ": not a folder\n";
        return 1;
    }
    vornex::link::CalcSimulator sim(storage, static_cast<std::uint32_t>(capacity));
    sim.setFaults(faults);
    vornex::link::SimServer server(sim, socketPath);
    // Stoppable before the socket appears: whoever sees it may stop us at once.
    g_server = &server;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::string error;
    if (!server.listen(&error)) {
        std::cerr << "vornex-calc-sim: " << error << "\n";
        return 1;
    }
    std::cerr << "vornex-calc-sim: serving " << storage << " on " << socketPath << "\n";
    server.run();
    g_server = nullptr;
    return 0;
}
