// A simulated calculator for the workbench's calculator dialogs: its storage
// folder, a PC folder, a link with short time-outs and a scripted prompter.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>
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
        // Called from a timer's slot, the event dispatcher may not deliver the
        // workers' queued results in this nested loop: deliver them directly.
        QCoreApplication::sendPostedEvents();
    }
    return true;
}

// The simulated calculator in its own process (vornex-calc-sim), serving a
// storage folder on a seqpacket socket: the calculator as the workbench meets
// it outside the tests, behind a socket it may find there or not.
class CalcSimProcess {
public:
    CalcSimProcess() = default;
    ~CalcSimProcess() { stop(); }
    CalcSimProcess(const CalcSimProcess&) = delete;
    CalcSimProcess& operator=(const CalcSimProcess&) = delete;

    static std::filesystem::path program() {
#ifdef VORNEX_CALC_SIM_PATH
        return VORNEX_CALC_SIM_PATH;
#else
        return {};
#endif
    }
    static bool built() { return !program().empty() && std::filesystem::exists(program()); }

    // Starts it with `extra` switches ("--stall-after", "0", ...) and waits
    // until the socket takes connections; false when it never did.
    bool start(const std::filesystem::path& storage, const std::filesystem::path& socket,
               std::vector<std::string> extra = {}) {
        stop();
        std::vector<std::string> words{program().string(), "--storage", storage.string(), "--socket",
                                       socket.string()};
        words.insert(words.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const int rc = posix_spawn(&pid_, argv[0], &quiet, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (rc != 0) {
            pid_ = -1;
            return false;
        }
        for (int i = 0; i < 1000; ++i) {  // up to 10 s on a busy machine
            if (accepts(socket)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // Ends it as the user would (SIGTERM); its exit status, -1 when it was killed.
    int stop() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    // A probe connection, closed at once: the simulator then waits for the next host.
    static bool accepts(const std::filesystem::path& socket) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, socket.c_str(), sizeof(addr.sun_path) - 1);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
        ::close(fd);
        return ok;
    }

    pid_t pid_ = -1;
};

}  // namespace vornex::testing
