// The in-process simulated calculator behind the Transport interface. Replies are
// produced when the host writes; a read with nothing queued waits on a condition
// variable until the time-out (or close) so it does not spin.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "link/simulator.h"
#include "link/transport.h"

namespace vornex::link {

namespace {

class SimTransport : public Transport {
public:
    explicit SimTransport(std::shared_ptr<CalcSimulator> sim) : sim_(std::move(sim)) {}

    bool open() override {
        std::lock_guard lock(mutex_);
        open_ = true;
        replies_.clear();
        peerClosed_ = false;
        return true;
    }
    void close() override {
        std::lock_guard lock(mutex_);
        open_ = false;
        replies_.clear();
        cv_.notify_all();
    }
    std::size_t write(std::string_view packet) override {
        std::lock_guard lock(mutex_);
        if (!open_) return 0;
        replies_.clear();  // purge
        for (auto& r : sim_->receive(packet)) replies_.push_back(std::move(r));
        cv_.notify_all();
        return packet.size();
    }
    std::size_t read(char* buffer, std::size_t maxBytes, int timeoutMs) override {
        std::unique_lock lock(mutex_);
        if (replies_.empty() && sim_->linkClosed()) {
            peerClosed_ = true;
            return 0;
        }
        cv_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                     [&] { return !open_ || !replies_.empty(); });
        if (!open_ || replies_.empty()) return 0;
        std::string r = std::move(replies_.front());
        replies_.pop_front();
        std::size_t n = std::min(maxBytes, r.size());
        std::memcpy(buffer, r.data(), n);
        return n;
    }

private:
    std::shared_ptr<CalcSimulator> sim_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::string> replies_;
    bool open_ = false;
};

}  // namespace

std::unique_ptr<Transport> makeSimTransport(std::shared_ptr<CalcSimulator> sim) {
    return std::make_unique<SimTransport>(std::move(sim));
}

}  // namespace vornex::link
