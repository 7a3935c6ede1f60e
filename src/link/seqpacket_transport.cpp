// Transport over a Unix SOCK_SEQPACKET socket: one datagram is one packet each
// way, so an external simulator process can play the calculator.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/transport.h"

namespace vornex::link {

namespace {

class SeqpacketTransport : public Transport {
public:
    explicit SeqpacketTransport(std::string path) : path_(std::move(path)) {}
    ~SeqpacketTransport() override { close(); }

    bool open() override {
        close();
        sockaddr_un addr{};
        if (path_.empty() || path_.size() >= sizeof(addr.sun_path)) {
            error_ = "socket path empty or too long";
            return false;
        }
        fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            error_ = std::strerror(errno);
            return false;
        }
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path_.data(), path_.size());
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            error_ = path_ + ": " + std::strerror(errno);
            close();
            return false;
        }
        return true;
    }
    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        peerClosed_ = false;
    }
    std::size_t write(std::string_view packet) override {
        if (fd_ < 0) return 0;
        char scratch[4096];
        while (::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
        }  // purge replies nobody waited for
        ssize_t n;
        do {
            n = ::send(fd_, packet.data(), packet.size(), MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n < 0 ? 0 : static_cast<std::size_t>(n);
    }
    std::size_t read(char* buffer, std::size_t maxBytes, int timeoutMs) override {
        if (fd_ < 0 || maxBytes == 0) return 0;
        using clock = std::chrono::steady_clock;
        auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            pollfd pfd{fd_, POLLIN, 0};
            int r = ::poll(&pfd, 1, left > 0 ? static_cast<int>(left) : 0);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return 0;
            if (pfd.revents & (POLLERR | POLLNVAL)) return 0;
            if ((pfd.revents & (POLLHUP | POLLIN)) == POLLHUP) {
                peerClosed_ = true;  // the simulator went away
                return 0;
            }
            // A datagram longer than maxBytes is truncated; the rest is discarded.
            ssize_t n = ::recv(fd_, buffer, maxBytes, MSG_DONTWAIT);
            if (n > 0) return static_cast<std::size_t>(n);
            if (n == 0) {  // the peer closed (no packet of the protocol is empty)
                peerClosed_ = true;
                return 0;
            }
            if (errno != EAGAIN && errno != EINTR) return 0;
        }
    }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<Transport> makeSeqpacketTransport(std::string path) {
    return std::make_unique<SeqpacketTransport>(std::move(path));
}

}  // namespace vornex::link
