// Serves a simulated calculator on a Unix SOCK_SEQPACKET socket: every datagram
// received is one packet from the host, every reply is sent as one datagram.
// One host at a time; a host that disconnects makes room for the next.
#pragma once

#include <atomic>
#include <string>

namespace vornex::link {

class CalcSimulator;

class SimServer {
public:
    SimServer(CalcSimulator& sim, std::string socketPath);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Creates and binds the socket (an old socket file at the path is replaced).
    bool listen(std::string* error = nullptr);
    // Serves hosts until stop() is called (checked at least every 100 ms).
    void run();
    void stop() { stop_ = true; }

private:
    void serveHost(int fd);

    CalcSimulator& sim_;
    std::string path_;
    int listenFd_ = -1;
    std::atomic<bool> stop_{false};
};

}  // namespace vornex::link
