// Protocol 7.00 packets as the workbench exchanges them with an fx-9860G-family
// calculator: framing, checksum, payload escaping, the builders of every packet
// the workbench sends and the parsers for the reply bytes it looks at.
//
// Framing: type byte, two hex digits of subtype, extended flag "0"/"1", then (only
// when extended) "%04X" data size and the data part, then a "%02X" checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::link {

// A packet as raw bytes (the first byte is binary, the rest mostly ASCII).
using Protocol7Packet = std::string;

enum PacketType : unsigned char {
    kTypeCommand = 0x01,
    kTypeData = 0x02,
    kTypeRoleswap = 0x03,
    kTypeCheck = 0x05,
    kTypeAck = 0x06,
    kTypeNegative = 0x15,
    kTypeTerminate = 0x18,
};

inline constexpr std::string_view kStorageDevice = "fls0";  // the storage memory
inline constexpr std::size_t kRawChunkSize = 1024;          // raw file bytes per upload packet
inline constexpr std::size_t kShortPacketSize = 6;

// Two's complement of the byte sum of `body` (the packet from offset 1 up to the
// byte before the checksum), as two upper-case hex digits.
std::string packetChecksum(std::string_view body);

// Adds the checksum to a packet that lacks it.
Protocol7Packet withChecksum(Protocol7Packet packet);

// Escaping of data payloads: bytes below 0x20 become 0x5C, byte+0x20; 0x5C doubles.
std::string escapePayload(std::string_view raw);
// Reverse of escapePayload. A lone 0x5C at the very end is dropped.
std::string unescapePayload(std::string_view escaped);

// The fixed short packets.
Protocol7Packet checkPacket();         // 05 "00" "0"
Protocol7Packet ackPacket();           // 06 "00" "0"
Protocol7Packet ackYesPacket();        // 06 "01" "0": overwrite yes, delete confirmation
Protocol7Packet overwriteNoPacket();   // 15 "03" "0"
Protocol7Packet roleswapPacket();      // 03 "00" "0"
Protocol7Packet terminatePacket();     // 18 "01" "0"
Protocol7Packet endCommandPacket();    // 01 "00" "0": last packet of a conversation

// A short packet of any type and subtype (the simulated calculator's answers).
Protocol7Packet shortPacket(unsigned char type, std::string_view subtype);

// The six text fields of a command's data part.
struct CommandFields {
    std::string overwriteMode = "00";
    std::string dataType = "00";
    std::uint32_t fileSize = 0;
    std::string folder;  // text field 1
    std::string name;    // text field 2
    std::string device;  // text field 5
};

// An extended command packet (type 0x01). Texts longer than 255 bytes cannot be
// framed: the result is then empty.
Protocol7Packet commandPacket(std::string_view subtype, const CommandFields& f);

Protocol7Packet capacityQueryPacket();  // "4B"
Protocol7Packet optimizePacket();       // "51"
Protocol7Packet listingPacket();        // "4D", a constant
Protocol7Packet uploadAnnouncement(std::string_view folder, std::string_view device, std::uint32_t fileSize,
                                   std::string_view fileName);  // "45"
Protocol7Packet downloadRequest(std::string_view folder, std::string_view device,
                                std::string_view fileName);  // "44"
Protocol7Packet deletePacket(std::string_view folder, std::string_view fileName,
                             std::string_view device);  // "46"

// Data packet: 0x02, subtype, "1", "%04X" size, "%04X%04X" total and number, the
// escaped chunk, checksum.
Protocol7Packet dataPacket(std::string_view subtype, unsigned total, unsigned number, std::string_view rawChunk);

// Number of upload data packets for a file: size / 1024 + 1 (an exact multiple of
// 1024 therefore ends with an empty packet, which calculators expect).
unsigned uploadPacketCount(std::uint64_t fileSize);

// Reads `width` hex digits at `offset`; nothing when the reply is too short or a
// character is not a hex digit.
std::optional<std::uint32_t> readHexField(std::string_view reply, std::size_t offset, std::size_t width);

inline unsigned char firstByte(std::string_view reply) {
    return reply.empty() ? 0 : static_cast<unsigned char>(reply[0]);
}
inline bool subtypeIs(std::string_view reply, std::string_view sub) {
    return reply.size() >= 3 && reply.substr(1, 2) == sub;
}

// Decoded payload of a received data packet: data size - 8 bytes from offset 16,
// unescaped. The size is clamped to the bytes actually received.
std::string dataPacketPayload(std::string_view reply);

// Total length of the frame whose first bytes are `head`: 6 for a short packet,
// 10 + size for an extended one; nothing while too few bytes are known (or the
// size field is not hex).
std::optional<std::size_t> frameLength(std::string_view head);

// Collects the pieces in which a device delivers packets and hands them out as
// whole frames. Bytes whose size field is no number are handed out as they are
// (a reply the protocol layer rejects), so a garbled stream cannot stall it.
class FrameBuffer {
public:
    void append(std::string_view bytes) { pending_.append(bytes); }
    // The next whole frame, if one has arrived.
    std::optional<std::string> take();
    // Everything still pending (an incomplete frame when time is up).
    std::string drain();
    void clear() { pending_.clear(); }
    bool empty() const { return pending_.empty(); }

private:
    std::string pending_;
};

// A packet taken apart (used by the simulated calculator and for listing entries).
struct ParsedPacket {
    unsigned char type = 0;
    std::string subtype;
    bool extended = false;
    std::string data;  // the data part as received (not unescaped)
};
std::optional<ParsedPacket> parsePacket(std::string_view bytes);
bool checksumValid(std::string_view packet);

// Fields of a command's data part; nothing when the part is malformed.
std::optional<CommandFields> parseCommandData(std::string_view data);

// One entry of a storage listing (a command 4E from the calculator): file size
// from bytes 12-19, folder and file-name lengths from bytes 20-23, the folder name
// from offset 32 and the file name right after it. Lengths beyond the reply are
// clamped to it.
struct ListingEntry {
    std::string folder;
    std::string name;
    std::uint32_t size = 0;
    bool isFolder = false;  // a file-name length of 0 marks a folder entry
};
std::optional<ListingEntry> parseListingEntry(std::string_view reply);

}  // namespace vornex::link
