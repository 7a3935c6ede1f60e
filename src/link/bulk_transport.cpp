#include "link/bulk_transport.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "link/packet.h"

namespace vornex::link {
namespace {

class BulkTransport : public Transport {
public:
    explicit BulkTransport(BulkPipeOpener opener) : opener_(std::move(opener)) {}
    ~BulkTransport() override { close(); }

    bool open() override {
        close();
        std::string error;
        pipe_ = opener_ ? opener_(error) : nullptr;
        if (!pipe_) {
            error_ = error.empty() ? "no calculator" : error;
            return false;
        }
        return true;
    }

    void close() override {
        pipe_.reset();
        pending_.clear();
        peerClosed_ = false;
    }

    std::size_t write(std::string_view packet) override {
        if (!pipe_) return 0;
        purge();
        const auto* data = reinterpret_cast<const unsigned char*>(packet.data());
        for (int clears = 0;; ++clears) {
            BulkResult r = pipe_->writeOut(data, packet.size(), kBulkWriteTimeoutMs);
            if (r.status == BulkStatus::Stalled && clears < kMaxHaltClears && pipe_->clearHalt(false)) continue;
            if (r.status != BulkStatus::Ok && r.status != BulkStatus::Timeout) failed("write", r.status);
            return r.bytes;
        }
    }

    std::size_t read(char* buffer, std::size_t maxBytes, int timeoutMs) override {
        if (!pipe_ || maxBytes == 0) return 0;
        using clock = std::chrono::steady_clock;
        auto deadline = clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        int clears = 0;
        for (;;) {
            if (auto whole = pending_.take()) return deliver(*whole, buffer, maxBytes);
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) break;
            unsigned char piece[4096];
            BulkResult r = pipe_->readIn(piece, sizeof piece, static_cast<unsigned>(std::max<long long>(left, 1)));
            if (r.bytes > 0) pending_.append({reinterpret_cast<char*>(piece), std::min(r.bytes, sizeof piece)});
            if (r.status == BulkStatus::Ok || r.status == BulkStatus::Timeout || r.status == BulkStatus::Overflow)
                continue;
            // A stalled endpoint answers nothing until its halt is cleared.
            if (r.status == BulkStatus::Stalled && clears < kMaxHaltClears && pipe_->clearHalt(true)) {
                ++clears;
                continue;
            }
            failed("read", r.status);
            break;
        }
        // Time is up: hand over what arrived (an incomplete frame the caller rejects).
        return deliver(pending_.drain(), buffer, maxBytes);
    }

private:
    void failed(const char* what, BulkStatus status) {
        if (status == BulkStatus::Gone) peerClosed_ = true;
        error_ = std::string(what) + ": " + pipe_->lastError();
    }

    // Drops bytes nobody waited for: what is buffered and what the device holds.
    void purge() {
        pending_.clear();
        unsigned char scratch[4096];
        for (int i = 0; i < 64; ++i) {
            BulkResult r = pipe_->readIn(scratch, sizeof scratch, 1);
            if (r.status == BulkStatus::Stalled) {
                pipe_->clearHalt(true);  // a stall left over from before must not fail the next reply
                break;
            }
            if (r.status != BulkStatus::Ok || r.bytes == 0) break;
        }
    }

    static std::size_t deliver(const std::string& bytes, char* buffer, std::size_t maxBytes) {
        std::size_t n = std::min(maxBytes, bytes.size());
        std::memcpy(buffer, bytes.data(), n);
        return n;
    }

    BulkPipeOpener opener_;
    std::unique_ptr<BulkPipe> pipe_;
    FrameBuffer pending_;
};

}  // namespace

std::unique_ptr<Transport> makeBulkTransport(BulkPipeOpener open) {
    return std::make_unique<BulkTransport>(std::move(open));
}

}  // namespace vornex::link
