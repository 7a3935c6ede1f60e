#include "link/exchanges.h"

#include <iostream>

namespace vornex::link {

long long QueryStorageCapacity(CalculatorLink& link) { return QueryStorageCapacity(link, std::cout); }

long long QueryStorageCapacity(CalculatorLink& link, std::ostream& diag) {
    link.WritePacket(capacityQueryPacket());
    std::string r = link.readReply(100);
    if (firstByte(r) != kTypeAck) {
        diag << "ERR: GetFlashCapacity: no proper response\n" << std::flush;
        return -1;
    }
    link.WritePacket(roleswapPacket());
    r = link.readReply(100);
    if (firstByte(r) != kTypeCommand) {
        diag << "ERR: GetFlashCapacity: no returned command\n" << std::flush;
        return -1;
    }
    long long capacity = readHexField(r, 12, 8).value_or(0);
    link.WritePacket(ackPacket());
    link.readReply(100);
    return capacity;
}

void OptimizeStorage(CalculatorLink& link) {
    link.WritePacket(optimizePacket());
    link.WritePacket(endCommandPacket());
}

void AbortTransfer(CalculatorLink& link) {
    link.WritePacket(terminatePacket());
    link.WritePacket(endCommandPacket());
}

AnnounceResult AnnounceUpload(CalculatorLink& link, std::string_view folder, std::uint32_t fileSize,
                              std::string_view fileName, const std::function<bool()>& askOverwrite) {
    Protocol7Packet p = uploadAnnouncement(folder, kStorageDevice, fileSize, fileName);
    if (p.empty()) return AnnounceResult::Failed;
    link.WritePacket(p);
    std::string r = link.readReply(128);
    if (firstByte(r) == kTypeNegative) {
        if (!askOverwrite || !askOverwrite()) {
            link.WritePacket(overwriteNoPacket());
            link.readReply(128);
            return AnnounceResult::Declined;
        }
        link.WritePacket(ackYesPacket());
        r = link.readReply(128);
    }
    return firstByte(r) == kTypeAck ? AnnounceResult::Ready : AnnounceResult::Failed;
}

PacketResult SendDataPacket(CalculatorLink& link, std::string_view packet, const std::function<bool()>& stop) {
    for (int send = 1;; ++send) {
        link.WritePacket(packet);
        std::string r = link.readReply(kReplyBufferSize);
        if (r.empty()) return link.peerClosed() ? PacketResult::Closed : PacketResult::NoReply;
        if (firstByte(r) == kTypeAck) return PacketResult::Acked;
        if (firstByte(r) != kTypeNegative || !subtypeIs(r, "01")) return PacketResult::Rejected;
        if (send >= kMaxSends) return PacketResult::ResendLimit;
        if (stop && stop()) return PacketResult::Stopped;
    }
}

bool RequestDownload(CalculatorLink& link, std::string_view folder, std::string_view fileName) {
    Protocol7Packet p = downloadRequest(folder, kStorageDevice, fileName);
    if (p.empty()) return false;
    link.WritePacket(p);
    std::string r = link.readReply(kReplyBufferSize);
    return firstByte(r) != kTypeNegative;
}

bool ListStorageFiles(CalculatorLink& link, std::vector<ListingEntry>& entries, std::size_t maxEntries,
                      bool* cutShort) {
    if (cutShort) *cutShort = false;
    link.WritePacket(listingPacket());
    if (firstByte(link.readReply(kReplyBufferSize)) != kTypeAck) return false;
    link.WritePacket(roleswapPacket());
    std::string r = link.readReply(kReplyBufferSize);
    while (entries.size() < maxEntries) {
        auto e = parseListingEntry(r);
        if (!e) break;
        entries.push_back(std::move(*e));
        link.WritePacket(ackPacket());
        r = link.readReply(kReplyBufferSize);
    }
    if (cutShort) *cutShort = parseListingEntry(r).has_value();
    return true;
}

bool DeleteStorageFile(CalculatorLink& link, std::string_view folder, std::string_view fileName) {
    Protocol7Packet p = deletePacket(folder, fileName, kStorageDevice);
    if (p.empty()) return false;
    link.WritePacket(p);
    std::string r = link.readReply(kReplyBufferSize);
    if (firstByte(r) == kTypeNegative) {
        link.WritePacket(ackYesPacket());
        r = link.readReply(kReplyBufferSize);
    }
    return firstByte(r) == kTypeAck;
}

}  // namespace vornex::link
