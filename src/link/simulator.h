// A simulated fx-9860G-family calculator: the calculator's side of every exchange
// the workbench performs, with its storage memory kept in a folder on disk
// (sub-folders are calculator folders). Used in-process ("sim:DIR") and served on
// a seqpacket socket by vornex-calc-sim. Switches make it misbehave for tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/packet.h"

namespace vornex::link {

// Misbehaviour switches. Counters count down as they take effect.
struct SimulatorFaults {
    int resendRequests = 0;  // answer the next n upload data packets with a resend request
    int dropReplies = 0;     // swallow the next n replies
    int garbageReplies = 0;  // answer the next n times with bytes that are no packet
    int stallAfter = -1;     // after n more packets answer nothing at all (-1: never)
    int closeAfter = -1;     // after n more packets close the link, as a pulled cable does (-1: never)
};

class CalcSimulator {
public:
    explicit CalcSimulator(std::filesystem::path storage, std::uint32_t capacity = 1536 * 1024);

    // Handles one packet written by the host; returns what the calculator sends
    // back (zero or one packet).
    std::vector<std::string> receive(std::string_view packet);

    void setFaults(const SimulatorFaults& f);
    SimulatorFaults faults() const;
    // Free bytes reported by the capacity query: capacity minus the stored files.
    std::uint32_t freeBytes() const;
    // True once the calculator closed the link (SimulatorFaults::closeAfter).
    bool linkClosed() const;
    // Every packet the host wrote, in order.
    std::vector<std::string> hostPackets() const;
    void clearLog();

    // The maximum raw bytes the calculator puts in one data packet.
    static constexpr std::size_t kDownloadChunk = 256;

private:
    enum class Mode {
        Idle,
        CapacityAcked,   // 4B acknowledged, waiting for the roleswap
        CapacitySent,    // 4C sent, waiting for the host's ack
        UploadAsk,       // file exists: waiting for overwrite yes / no
        UploadData,      // receiving data packets
        DownloadAcked,   // 44 acknowledged, waiting for the roleswap
        DownloadSending, // file information or data sent, waiting for acks
        ListingAcked,
        ListingSending,
        DeleteAsk,       // file exists: waiting for the confirmation
        DeleteMissing,   // file missing: the confirmation is refused as well
    };

    std::vector<std::string> handle(std::string_view packet);
    std::vector<std::string> handleCommand(const ParsedPacket& p);
    std::vector<std::string> handleData(std::string_view raw, const ParsedPacket& p);
    std::vector<std::string> nextDownloadPacket();
    std::vector<std::string> nextListingPacket();
    std::optional<std::filesystem::path> storagePath(const std::string& folder, const std::string& name) const;
    void reset();

    std::filesystem::path root_;
    std::uint32_t capacity_;
    mutable std::mutex mutex_;
    SimulatorFaults faults_;
    std::vector<std::string> log_;
    Mode mode_ = Mode::Idle;

    // Upload in progress.
    std::filesystem::path uploadPath_;
    std::uint32_t uploadSize_ = 0;
    std::string uploadData_;
    unsigned uploadNext_ = 1;
    // Download or listing in progress: the packets still to send.
    std::vector<std::string> outgoing_;
    std::size_t outgoingNext_ = 0;
};

}  // namespace vornex::link
