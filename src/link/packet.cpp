#include "link/packet.h"

#include <algorithm>

#include "text/text.h"

namespace vornex::link {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

Protocol7Packet extendedPacket(unsigned char type, std::string_view subtype, std::string_view data) {
    Protocol7Packet p;
    p.reserve(10 + data.size());
    p.push_back(static_cast<char>(type));
    p.append(subtype);
    p.push_back('1');
    p += text::format("%04X", static_cast<unsigned>(data.size()));
    p.append(data);
    return withChecksum(std::move(p));
}

}  // namespace

std::string packetChecksum(std::string_view body) {
    unsigned sum = 0;
    for (char c : body) sum += static_cast<unsigned char>(c);
    return text::format("%02X", (256u - (sum & 0xFFu)) & 0xFFu);
}

Protocol7Packet withChecksum(Protocol7Packet packet) {
    std::string_view body = packet;
    body.remove_prefix(body.empty() ? 0 : 1);
    packet += packetChecksum(body);
    return packet;
}

std::string escapePayload(std::string_view raw) {
    std::string out;
    out.reserve(raw.size() * 2);
    for (char c : raw) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20) {
            out.push_back('\\');
            out.push_back(static_cast<char>(b + 0x20));
        } else if (b == 0x5C) {
            out.push_back('\\');
            out.push_back('\\');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string unescapePayload(std::string_view escaped) {
    std::string out;
    out.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        auto b = static_cast<unsigned char>(escaped[i]);
        if (b != 0x5C) {
            out.push_back(static_cast<char>(b));
            continue;
        }
        if (++i >= escaped.size()) break;
        auto n = static_cast<unsigned char>(escaped[i]);
        out.push_back(static_cast<char>(n == 0x5C ? 0x5C : static_cast<unsigned char>(n - 0x20)));
    }
    return out;
}

Protocol7Packet shortPacket(unsigned char type, std::string_view subtype) {
    Protocol7Packet p;
    p.push_back(static_cast<char>(type));
    p.append(subtype);
    p.push_back('0');
    return withChecksum(std::move(p));
}

Protocol7Packet checkPacket() { return shortPacket(kTypeCheck, "00"); }
Protocol7Packet ackPacket() { return shortPacket(kTypeAck, "00"); }
Protocol7Packet ackYesPacket() { return shortPacket(kTypeAck, "01"); }
Protocol7Packet overwriteNoPacket() { return shortPacket(kTypeNegative, "03"); }
Protocol7Packet roleswapPacket() { return shortPacket(kTypeRoleswap, "00"); }
Protocol7Packet terminatePacket() { return shortPacket(kTypeTerminate, "01"); }
Protocol7Packet endCommandPacket() { return shortPacket(kTypeCommand, "00"); }

Protocol7Packet commandPacket(std::string_view subtype, const CommandFields& f) {
    if (f.folder.size() > 255 || f.name.size() > 255 || f.device.size() > 255) return {};
    std::string data = f.overwriteMode + f.dataType + text::format("%08X", static_cast<unsigned>(f.fileSize));
    data += text::format("%02X%02X0000%02X00", static_cast<unsigned>(f.folder.size()),
                         static_cast<unsigned>(f.name.size()), static_cast<unsigned>(f.device.size()));
    data += f.folder + f.name + f.device;
    return extendedPacket(kTypeCommand, subtype, data);
}

Protocol7Packet capacityQueryPacket() {
    return commandPacket("4B", {"00", "00", 0, "", "", std::string(kStorageDevice)});
}

Protocol7Packet optimizePacket() {
    return commandPacket("51", {"00", "00", 0, "", "", std::string(kStorageDevice)});
}

Protocol7Packet listingPacket() {
    return Protocol7Packet("\x01") + "4D1001C008000000000000000000400fls082";
}

Protocol7Packet uploadAnnouncement(std::string_view folder, std::string_view device, std::uint32_t fileSize,
                                   std::string_view fileName) {
    return commandPacket("45", {"00", "80", fileSize, std::string(folder), std::string(fileName), std::string(device)});
}

Protocol7Packet downloadRequest(std::string_view folder, std::string_view device, std::string_view fileName) {
    return commandPacket("44", {"00", "00", 0, std::string(folder), std::string(fileName), std::string(device)});
}

Protocol7Packet deletePacket(std::string_view folder, std::string_view fileName, std::string_view device) {
    return commandPacket("46", {"02", "80", 0, std::string(folder), std::string(fileName), std::string(device)});
}

Protocol7Packet dataPacket(std::string_view subtype, unsigned total, unsigned number, std::string_view rawChunk) {
    std::string data = text::format("%04X%04X", total & 0xFFFFu, number & 0xFFFFu);
    data += escapePayload(rawChunk);
    return extendedPacket(kTypeData, subtype, data);
}

unsigned uploadPacketCount(std::uint64_t fileSize) {
    return static_cast<unsigned>(fileSize / kRawChunkSize + 1);
}

std::optional<std::uint32_t> readHexField(std::string_view reply, std::size_t offset, std::size_t width) {
    if (width == 0 || width > 8 || offset > reply.size() || reply.size() - offset < width) return std::nullopt;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < width; ++i) {
        int d = hexValue(reply[offset + i]);
        if (d < 0) return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return v;
}

std::string dataPacketPayload(std::string_view reply) {
    auto size = readHexField(reply, 4, 4);
    if (!size || *size < 8 || reply.size() <= 16) return {};
    std::size_t n = std::min<std::size_t>(*size - 8, reply.size() - 16);
    return unescapePayload(reply.substr(16, n));
}

std::optional<std::size_t> frameLength(std::string_view head) {
    if (head.size() < 4) return std::nullopt;
    if (head[3] != '1') return kShortPacketSize;
    auto size = readHexField(head, 4, 4);
    if (!size) return std::nullopt;
    return 10 + static_cast<std::size_t>(*size);
}

std::optional<std::string> FrameBuffer::take() {
    if (pending_.empty()) return std::nullopt;
    auto len = frameLength(pending_);
    if (!len) {
        if (pending_.size() < 8) return std::nullopt;
        return drain();
    }
    if (pending_.size() < *len) return std::nullopt;
    std::string frame = pending_.substr(0, *len);
    pending_.erase(0, *len);
    return frame;
}

std::string FrameBuffer::drain() {
    std::string all;
    all.swap(pending_);
    return all;
}

std::optional<ParsedPacket> parsePacket(std::string_view bytes) {
    auto len = frameLength(bytes);
    if (!len || bytes.size() < *len) return std::nullopt;
    ParsedPacket p;
    p.type = static_cast<unsigned char>(bytes[0]);
    p.subtype = std::string(bytes.substr(1, 2));
    p.extended = bytes[3] == '1';
    if (p.extended) p.data = std::string(bytes.substr(8, *len - 10));
    return p;
}

bool checksumValid(std::string_view packet) {
    auto len = frameLength(packet);
    if (!len || packet.size() < *len) return false;
    return packet.substr(*len - 2, 2) == packetChecksum(packet.substr(1, *len - 3));
}

std::optional<CommandFields> parseCommandData(std::string_view data) {
    if (data.size() < 24) return std::nullopt;
    CommandFields f;
    f.overwriteMode = std::string(data.substr(0, 2));
    f.dataType = std::string(data.substr(2, 2));
    auto size = readHexField(data, 4, 8);
    if (!size) return std::nullopt;
    f.fileSize = *size;
    std::size_t lengths[6];
    std::size_t total = 0;
    for (int i = 0; i < 6; ++i) {
        auto l = readHexField(data, 12 + 2 * static_cast<std::size_t>(i), 2);
        if (!l) return std::nullopt;
        lengths[i] = *l;
        total += *l;
    }
    if (data.size() < 24 + total) return std::nullopt;
    std::size_t pos = 24;
    std::string fields[6];
    for (int i = 0; i < 6; ++i) {
        fields[i] = std::string(data.substr(pos, lengths[i]));
        pos += lengths[i];
    }
    f.folder = fields[0];
    f.name = fields[1];
    f.device = fields[4];
    return f;
}

std::optional<ListingEntry> parseListingEntry(std::string_view reply) {
    if (!subtypeIs(reply, "4E")) return std::nullopt;
    ListingEntry e;
    e.size = readHexField(reply, 12, 8).value_or(0);
    std::size_t folderLen = readHexField(reply, 20, 2).value_or(0);
    std::size_t nameLen = readHexField(reply, 22, 2).value_or(0);
    e.isFolder = nameLen == 0;
    std::string_view rest = reply.size() > 32 ? reply.substr(32) : std::string_view{};
    folderLen = std::min(folderLen, rest.size());
    e.folder = std::string(rest.substr(0, folderLen));
    rest.remove_prefix(folderLen);
    e.name = std::string(rest.substr(0, std::min(nameLen, rest.size())));
    return e;
}

}  // namespace vornex::link
