#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "link/exchanges.h"
#include "link/packet.h"
#include "link/sim_server.h"
#include "link_fixture.h"

namespace vornex::link {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::SimBench;
using vornex::testing::readAll;
using vornex::testing::writeAll;

// A transport that answers every write with one fixed reply.
class FixedReplyTransport : public Transport {
public:
    explicit FixedReplyTransport(std::string reply, int* writes) : reply_(std::move(reply)), writes_(writes) {}
    bool open() override { return true; }
    void close() override {}
    std::size_t write(std::string_view p) override {
        ++*writes_;
        pending_ = true;
        return p.size();
    }
    std::size_t read(char* buffer, std::size_t maxBytes, int) override {
        if (!pending_) return 0;
        pending_ = false;
        std::size_t n = std::min(maxBytes, reply_.size());
        std::memcpy(buffer, reply_.data(), n);
        return n;
    }

private:
    std::string reply_;
    int* writes_;
    bool pending_ = false;
};

TEST(LinkTest, ConnectChecksOnlyAClosedLinkAndStatusClosesIt) {
    int writes = 0;
    CalculatorLink link([&] { return std::make_unique<FixedReplyTransport>(ackPacket(), &writes); }, 20);
    {
        LinkStatus status(link);
        EXPECT_FALSE(link.CheckLink(status));
        EXPECT_EQ(status.text, "USB设备没有初始化.");
        EXPECT_TRUE(link.ConnectLink(status));
        EXPECT_EQ(writes, 1);
        EXPECT_EQ(status.buffer[0], kTypeAck);
        EXPECT_TRUE(link.ConnectLink(status));  // open: no second check
        EXPECT_EQ(writes, 1);
    }
    EXPECT_FALSE(link.isOpen());
    char buf[8];
    EXPECT_EQ(link.WritePacket(checkPacket()), 0u);
    EXPECT_EQ(link.ReadReply(buf, sizeof buf, 10), 0u);
}

TEST(LinkTest, ReadReplyWithMaxBytesZeroReadsUpTo1024) {
    int writes = 0;
    CalculatorLink link([&] { return std::make_unique<FixedReplyTransport>(std::string(3000, 'x'), &writes); });
    ASSERT_TRUE(link.OpenLink());
    link.WritePacket(checkPacket());
    std::vector<char> buf(4096);
    EXPECT_EQ(link.ReadReply(buf.data(), 0, 10), 1024u);
    EXPECT_EQ(link.ReadReply(nullptr, 0, 10), 0u);
}

TEST(LinkTest, SilentReadWaitsWithoutSpinning) {
    SimBench b(300);
    ASSERT_TRUE(b.link.OpenLink());
    std::clock_t c0 = std::clock();
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(b.link.readReply(), "");
    auto wall = std::chrono::steady_clock::now() - t0;
    double cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
    EXPECT_GE(wall, std::chrono::milliseconds(290));
    EXPECT_LT(cpu, 0.1);
}

TEST(LinkTest, CapacityListingAndDelete) {
    SimBench b;
    fs::create_directories(b.storage / "ROAD");
    fs::create_directories(b.storage / "EMPTY");
    writeAll(b.storage / "ROOT.rod", patternBytes(10));
    writeAll(b.storage / "ROAD" / "K1.rod", patternBytes(2500));
    writeAll(b.storage / "ROAD" / "1.rod", patternBytes(7));
    ASSERT_TRUE(b.link.OpenLink());

    std::ostringstream diag;
    EXPECT_EQ(QueryStorageCapacity(b.link, diag), static_cast<long long>(b.sim->freeBytes()));
    EXPECT_EQ(diag.str(), "");

    std::vector<ListingEntry> entries;
    ASSERT_TRUE(ListStorageFiles(b.link, entries));
    std::vector<std::string> seen;
    for (auto& e : entries) seen.push_back(e.folder + "|" + e.name + "|" + std::to_string(e.size));
    EXPECT_EQ(seen, (std::vector<std::string>{"|ROOT.rod|10", "EMPTY||0", "ROAD||0", "ROAD|1.rod|7", "ROAD|K1.rod|2500"}));

    EXPECT_TRUE(DeleteStorageFile(b.link, "ROAD", "K1.rod"));
    EXPECT_FALSE(fs::exists(b.storage / "ROAD" / "K1.rod"));
    EXPECT_TRUE(fs::exists(b.storage / "ROAD" / "1.rod"));
    EXPECT_FALSE(DeleteStorageFile(b.link, "ROAD", "K1.rod"));  // gone already

    OptimizeStorage(b.link);
    auto host = b.sim->hostPackets();
    EXPECT_EQ(host[host.size() - 2], optimizePacket());
    EXPECT_EQ(host.back(), endCommandPacket());
}

TEST(LinkTest, CapacityFailuresGoToTheDiagnosticLines) {
    struct Case {
        SimulatorFaults faults;
        const char* line;
    } cases[] = {
        {{.stallAfter = 0}, "ERR: GetFlashCapacity: no proper response\n"},
        {{.stallAfter = 1}, "ERR: GetFlashCapacity: no returned command\n"},
    };
    for (const auto& c : cases) {
        SimBench b(30);
        ASSERT_TRUE(b.link.OpenLink());
        b.sim->setFaults(c.faults);
        std::ostringstream diag;
        EXPECT_EQ(QueryStorageCapacity(b.link, diag), -1);
        EXPECT_EQ(diag.str(), c.line);
    }
}

TEST(LinkTest, ListingOfAnEmptyStorageAndARefusedListing) {
    SimBench b;
    ASSERT_TRUE(b.link.OpenLink());
    std::vector<ListingEntry> entries;
    EXPECT_TRUE(ListStorageFiles(b.link, entries));
    EXPECT_TRUE(entries.empty());
    b.sim->setFaults({.garbageReplies = 1});
    EXPECT_FALSE(ListStorageFiles(b.link, entries));
}

TEST(LinkTest, SeqpacketSimulatorServesTheSameExchanges) {
    vornex::testing::TempDir dir;
    fs::create_directories(dir / "calc");
    CalcSimulator sim(dir / "calc");
    SimServer server(sim, (dir / "sock").string());
    ASSERT_TRUE(server.listen());
    std::thread serving([&] { server.run(); });

    vornex::testing::ScriptedPrompter prompter;
    CalculatorLink link(transportFactoryFor("seqpacket:" + (dir / "sock").string()), 200);
    std::string bytes = patternBytes(3000);
    writeAll(dir / "A.rod", bytes);
    {
        TransferDialogModel up(link, prompter);
        up.source = (dir / "A.rod").string();
        up.folder = "ROAD";
        up.start();
        up.runWorkerToEnd();
        EXPECT_EQ(up.result(), TransferDialogModel::Result::Ok);
    }
    EXPECT_EQ(readAll(dir / "calc" / "ROAD" / "A.rod"), bytes);
    {
        TransferDialogModel down(link, prompter);
        down.kind = TransferKind::Receive;
        down.folder = "ROAD";
        down.source = "A.rod";
        down.target = (dir / "B.rod").string();
        down.start();
        down.runWorkerToEnd();
        EXPECT_EQ(down.result(), TransferDialogModel::Result::Ok);
    }
    EXPECT_EQ(readAll(dir / "B.rod"), bytes);
    // A silent calculator behind the socket: the check fails after the time-out.
    sim.setFaults({.stallAfter = 0});
    LinkStatus status(link);
    EXPECT_FALSE(link.ConnectLink(status));
    server.stop();
    serving.join();
}

TEST(LinkTest, UsbBackendFailsCleanlyWithoutACalculator) {
    auto usb = makeUsbTransport();
    if (usb->open()) GTEST_SKIP() << "a calculator is attached";
    EXPECT_FALSE(usb->lastError().empty());
    char buf[8];
    EXPECT_EQ(usb->write(checkPacket()), 0u);
    EXPECT_EQ(usb->read(buf, sizeof buf, 10), 0u);
    CalculatorLink link(transportFactoryFor("usb"));
    LinkStatus status(link);
    EXPECT_FALSE(link.ConnectLink(status));
    EXPECT_FALSE(link.isOpen());
}

TEST(LinkTest, SimulatorKeepsItsFilesInsideTheStorageFolder) {
    SimBench b;
    ASSERT_TRUE(b.link.OpenLink());
    for (const char* folder : {"..", "a/b", "."}) {
        EXPECT_NE(AnnounceUpload(b.link, folder, 3, "x.rod", {}), AnnounceResult::Ready);
    }
    EXPECT_NE(AnnounceUpload(b.link, "ROAD", 3, "../x.rod", {}), AnnounceResult::Ready);
    EXPECT_NE(AnnounceUpload(b.link, "ROAD", 3, "", {}), AnnounceResult::Ready);
}

}  // namespace
}  // namespace vornex::link
