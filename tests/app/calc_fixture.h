// A simulated calculator for the workbench's calculator dialogs: its storage
// folder, a PC folder, a link with short time-outs and a scripted prompter.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "link/calculator_link.h"
#include "link/simulator.h"
#include "link/transport.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex::testing {

struct CalcBench {
    TempDir dir;
    std::filesystem::path storage = dir / "calc";
    std::filesystem::path pc = dir / "pc";
    std::shared_ptr<link::CalcSimulator> sim;
    link::CalculatorLink link;
    ScriptedPrompter prompter;

    explicit CalcBench(int timeoutMs = 60)
        : sim(makeSim()), link([s = sim] { return link::makeSimTransport(s); }, timeoutMs) {}
    // A worker of a closed dialog may still be finishing: the link outlives it.
    ~CalcBench() { link.waitUntilFree(20000); }

    std::shared_ptr<link::CalcSimulator> makeSim() {
        std::filesystem::create_directories(storage);
        std::filesystem::create_directories(pc);
        return std::make_shared<link::CalcSimulator>(storage);
    }
    // Packets of one type the host wrote.
    int sentOfType(unsigned char type) const {
        int n = 0;
        for (auto& p : sim->hostPackets())
            if (!p.empty() && static_cast<unsigned char>(p[0]) == type) ++n;
        return n;
    }
};

// Bytes of every value in an order that is not periodic in 256.
inline std::string calcPattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Processes events until `done` holds or 20 s have passed; false on time-out.
inline bool pumpUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 20000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace vornex::testing
