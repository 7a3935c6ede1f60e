#include "link/sim_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/simulator.h"

namespace vornex::link {

SimServer::SimServer(CalcSimulator& sim, std::string socketPath) : sim_(sim), path_(std::move(socketPath)) {}

SimServer::~SimServer() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
}

bool SimServer::listen(std::string* error) {
    sockaddr_un addr{};
    if (path_.empty() || path_.size() >= sizeof(addr.sun_path)) {
        if (error) *error = "socket path empty or too long";
        return false;
    }
    listenFd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    // Bound under a temporary name and renamed once it listens: a host that
    // finds the socket at its path can connect at once (a socket that is bound
    // but not yet listening refuses connections).
    const std::string bound = path_ + ".tmp" + std::to_string(::getpid());
    if (bound.size() >= sizeof(addr.sun_path)) {
        if (error) *error = "socket path too long";
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, bound.data(), bound.size());
    ::unlink(bound.c_str());
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(listenFd_, 4) != 0 ||
        ::rename(bound.c_str(), path_.c_str()) != 0) {
        if (error) *error = path_ + ": " + std::strerror(errno);
        ::close(listenFd_);
        ::unlink(bound.c_str());
        listenFd_ = -1;
        return false;
    }
    return true;
}

void SimServer::run() {
    while (!stop_ && listenFd_ >= 0) {
        pollfd pfd{listenFd_, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        serveHost(fd);
        ::close(fd);
    }
}

void SimServer::serveHost(int fd) {
    // Larger than any packet the host sends (18 + 2048 bytes for a data packet).
    std::vector<char> buffer(16384);
    while (!stop_) {
        pollfd pfd{fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, 100);
        if (r < 0 && errno != EINTR) return;
        if (r <= 0) continue;
        ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) return;  // the host went away
        for (const auto& reply : sim_.receive(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
            if (::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) return;
        }
    }
}

}  // namespace vornex::link
