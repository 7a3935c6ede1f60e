#include "link/bulk_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "link/packet.h"

namespace vornex::link {
namespace {

// A scripted pair of bulk endpoints. Reads take the next scripted result (a
// time-out once the script is used up); a write queues the replies scripted for
// it. Halts are recorded and cleared as the script says.
struct FakePipe : BulkPipe {
    struct Read {
        BulkStatus status;
        std::string bytes;
    };
    std::deque<Read> reads;
    std::deque<std::vector<Read>> repliesToWrites;
    std::deque<BulkStatus> writeResults;  // Ok once used up
    std::vector<std::string> written;
    std::vector<bool> clears;  // true: IN endpoint
    bool clearWorks = true;

    BulkResult readIn(unsigned char* buffer, std::size_t size, unsigned timeoutMs) override {
        if (reads.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 2u)));
            return {BulkStatus::Timeout, 0};
        }
        Read r = reads.front();
        reads.pop_front();
        const std::size_t n = std::min(size, r.bytes.size());
        std::copy_n(r.bytes.data(), n, buffer);
        return {r.status, n};
    }
    BulkResult writeOut(const unsigned char* data, std::size_t size, unsigned) override {
        BulkStatus s = BulkStatus::Ok;
        if (!writeResults.empty()) {
            s = writeResults.front();
            writeResults.pop_front();
        }
        if (s != BulkStatus::Ok) return {s, 0};
        written.emplace_back(reinterpret_cast<const char*>(data), size);
        if (!repliesToWrites.empty()) {
            for (auto& r : repliesToWrites.front()) reads.push_back(r);
            repliesToWrites.pop_front();
        }
        return {BulkStatus::Ok, size};
    }
    bool clearHalt(bool in) override {
        clears.push_back(in);
        return clearWorks;
    }
    std::string lastError() const override { return "LIBUSB_ERROR_FAKE"; }
};

// The transport over a fake pipe that the test keeps a hand on.
struct Bench {
    FakePipe* pipe = nullptr;
    std::unique_ptr<Transport> transport;
    explicit Bench(FakePipe fake = {}) {
        transport = makeBulkTransport([this, fake](std::string&) {
            auto p = std::make_unique<FakePipe>(fake);
            pipe = p.get();
            return p;
        });
        EXPECT_TRUE(transport->open());
    }
    std::string read(int timeoutMs = 30) {
        char buf[1024];
        return std::string(buf, transport->read(buf, sizeof buf, timeoutMs));
    }
};

using S = BulkStatus;

TEST(BulkTransport, ReassemblesFramesFromBulkPieces) {
    const std::string a = ackPacket(), c = checkPacket();
    FakePipe f;
    // One frame in three pieces, then two frames in one piece.
    f.reads = {{S::Ok, a.substr(0, 1)}, {S::Ok, a.substr(1, 3)}, {S::Ok, a.substr(4)}, {S::Ok, c + a}};
    Bench b(f);
    EXPECT_EQ(b.read(), a);
    EXPECT_EQ(b.read(), c);
    EXPECT_EQ(b.read(), a);
    EXPECT_EQ(b.read(), "");  // nothing more: the time-out
    // A frame cut short by the time-out is handed over as it is (the caller rejects it).
    b.pipe->reads = {{S::Ok, a.substr(0, 3)}};
    EXPECT_EQ(b.read(), a.substr(0, 3));
}

TEST(BulkTransport, ClearsAStalledEndpointAndGoesOn) {
    const std::string a = ackPacket();
    struct Case {
        const char* what;
        std::deque<FakePipe::Read> reads;
        bool clearWorks;
        std::string expected;
        std::size_t clears;
    } cases[] = {
        {"one stall", {{S::Stalled, ""}, {S::Ok, a}}, true, a, 1},
        {"stall mid-frame", {{S::Ok, a.substr(0, 2)}, {S::Stalled, ""}, {S::Ok, a.substr(2)}}, true, a, 1},
        {"clear fails", {{S::Stalled, ""}, {S::Ok, a}}, false, "", 1},
        {"stalls on and on", {{S::Stalled, ""}, {S::Stalled, ""}, {S::Stalled, ""}, {S::Stalled, ""}, {S::Ok, a}},
         true, "", static_cast<std::size_t>(kMaxHaltClears)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePipe f;
        f.reads = c.reads;
        f.clearWorks = c.clearWorks;
        Bench b(f);
        EXPECT_EQ(b.read(), c.expected);
        EXPECT_EQ(b.pipe->clears, std::vector<bool>(c.clears, true));
        if (c.expected.empty()) {
            EXPECT_NE(b.transport->lastError().find("LIBUSB_ERROR_FAKE"), std::string::npos);
        }
    }
    // A stalled OUT endpoint: cleared, and the packet written after all.
    FakePipe f;
    f.writeResults = {S::Stalled};
    Bench b(f);
    EXPECT_EQ(b.transport->write(a), a.size());
    EXPECT_EQ(b.pipe->written, std::vector<std::string>{a});
    EXPECT_EQ(b.pipe->clears, std::vector<bool>{false});
}

TEST(BulkTransport, WritePurgesStaleInputFirst) {
    const std::string a = ackPacket(), c = checkPacket();
    FakePipe f;
    f.reads = {{S::Ok, "stale"}, {S::Ok, c}};  // waiting in the device before the write
    f.repliesToWrites = {{{S::Ok, a}}};
    Bench b(f);
    EXPECT_EQ(b.transport->write(c), c.size());
    EXPECT_EQ(b.read(), a);  // only the reply to this write
    // A stall left from before is cleared by the purge, so the reply gets through.
    b.pipe->reads = {{S::Stalled, ""}};
    b.pipe->repliesToWrites = {{{S::Ok, a}}};
    EXPECT_EQ(b.transport->write(c), c.size());
    EXPECT_EQ(b.pipe->clears, std::vector<bool>{true});
    EXPECT_EQ(b.read(), a);
}

TEST(BulkTransport, AVanishedDeviceClosesTheLink) {
    FakePipe f;
    f.reads = {{S::Gone, ""}};
    Bench b(f);
    EXPECT_FALSE(b.transport->peerClosed());
    EXPECT_EQ(b.read(), "");
    EXPECT_TRUE(b.transport->peerClosed());
    EXPECT_TRUE(b.transport->open());  // a new open starts afresh
    EXPECT_FALSE(b.transport->peerClosed());
}

}  // namespace
}  // namespace vornex::link
