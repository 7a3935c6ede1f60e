#include "link/packet.h"

#include <gtest/gtest.h>

#include <string>

namespace vornex::link {
namespace {

std::string bytes(char type, const std::string& ascii) { return std::string(1, type) + ascii; }

TEST(PacketTest, FixedShortPacketsAreByteExact) {
    EXPECT_EQ(checkPacket(), bytes('\x05', "00070"));
    EXPECT_EQ(ackPacket(), bytes('\x06', "00070"));
    EXPECT_EQ(ackYesPacket(), bytes('\x06', "0106F"));
    EXPECT_EQ(overwriteNoPacket(), bytes('\x15', "0306D"));
    EXPECT_EQ(roleswapPacket(), bytes('\x03', "00070"));
    EXPECT_EQ(terminatePacket(), bytes('\x18', "0106F"));
    EXPECT_EQ(endCommandPacket(), bytes('\x01', "00070"));
}

TEST(PacketTest, ChecksumIsTwosComplementOfByteSum) {
    // "00" "0" = 0x30 * 3 = 0x90 -> 0x70.
    EXPECT_EQ(packetChecksum("000"), "70");
    EXPECT_EQ(packetChecksum(""), "00");
    EXPECT_EQ(packetChecksum(std::string(1, '\x01')), "FF");
    EXPECT_EQ(packetChecksum("\x80\x80"), "00");  // 0x100 wraps to 0
}

TEST(PacketTest, StorageCommandsWithoutArguments) {
    EXPECT_EQ(listingPacket(), bytes('\x01', "4D1001C008000000000000000000400fls082"));
    EXPECT_EQ(listingPacket().size(), 38u);
    // The listing constant is what the generic builder makes of "4D".
    EXPECT_EQ(commandPacket("4D", {"00", "80", 0, "", "", "fls0"}), listingPacket());
    EXPECT_EQ(capacityQueryPacket(), bytes('\x01', "4B" "1" "001C" "00" "00" "00000000" "000000000400" "fls0" "8C"));
    EXPECT_EQ(capacityQueryPacket().size(), 38u);
    EXPECT_EQ(optimizePacket(), bytes('\x01', "51" "1" "001C" "00" "00" "00000000" "000000000400" "fls0" "9C"));
    EXPECT_EQ(optimizePacket().size(), 38u);
}

TEST(PacketTest, UploadAnnouncementOf2500BytesIs49Bytes) {
    Protocol7Packet p = uploadAnnouncement("ROAD", "fls0", 2500, "ABC.rod");
    EXPECT_EQ(p, bytes('\x01', "4510027" "00" "80" "000009C4" "04" "07" "00" "00" "04" "00" "ROAD" "ABC.rod" "fls0" "12"));
    EXPECT_EQ(p.size(), 49u);
}

TEST(PacketTest, DownloadAndDeleteRequests) {
    Protocol7Packet d = downloadRequest("", "fls0", "K1.rod");
    EXPECT_EQ(d.substr(0, 32), bytes('\x01', "4410022" "00" "00" "00000000" "00" "06" "00" "00" "04" "00"));
    EXPECT_EQ(d.substr(32, 10), "K1.rodfls0");
    EXPECT_EQ(d.size(), 34u + 6 + 4);
    EXPECT_TRUE(checksumValid(d));
    Protocol7Packet del = deletePacket("ROAD", "1.rod", "fls0");
    EXPECT_EQ(del.substr(0, 12), bytes('\x01', "46100250280"));
    EXPECT_EQ(del.size(), 34u + 4 + 5 + 4);
    EXPECT_TRUE(checksumValid(del));
    // Names that do not fit the two-digit length field are refused.
    EXPECT_TRUE(deletePacket("ROAD", std::string(256, 'a'), "fls0").empty());
}

TEST(PacketTest, EscapingOfControlBytesAndBackslash) {
    struct Case {
        std::string raw, escaped;
    } cases[] = {
        {std::string(3, '\0'), "\\ \\ \\ "},
        {"\\", "\\\\"},
        {"\x1f\x20\x7f", "\\\x3f\x20\x7f"},
        {"ab\nc", "ab\\*c"},
        {std::string("\xff\x5c\x00", 3), std::string("\xff\\\\\\ ", 5)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapePayload(c.raw), c.escaped);
        EXPECT_EQ(unescapePayload(c.escaped), c.raw);
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(unescapePayload(escapePayload(all)), all);
}

TEST(PacketTest, DataPacketOfZeroBytesDoublesItsPayload) {
    std::string chunk(1024, '\0');
    Protocol7Packet p = dataPacket("45", 3, 1, chunk);
    EXPECT_EQ(p.size(), 18u + 2048);
    EXPECT_EQ(p.substr(0, 16), bytes('\x02', "451" "0808" "00030001"));  // 8 + 2 * 1024 = 0x808
    EXPECT_TRUE(checksumValid(p));
    EXPECT_EQ(dataPacketPayload(p), chunk);
    Protocol7Packet empty = dataPacket("45", 3, 3, "");
    EXPECT_EQ(empty.substr(0, 16), bytes('\x02', "451" "0008" "00030003"));
    EXPECT_EQ(empty.size(), 18u);
}

TEST(PacketTest, PacketCountIsSizeOver1024PlusOne) {
    EXPECT_EQ(uploadPacketCount(1), 1u);
    EXPECT_EQ(uploadPacketCount(1023), 1u);
    EXPECT_EQ(uploadPacketCount(1024), 2u);
    EXPECT_EQ(uploadPacketCount(2500), 3u);
}

TEST(PacketTest, ReplyFieldsAndFrames) {
    Protocol7Packet cap = commandPacket("4C", {"00", "00", 0x0017A2F0, "", "", "fls0"});
    EXPECT_EQ(readHexField(cap, 12, 8), 0x0017A2F0u);
    EXPECT_EQ(readHexField(cap, 30, 8), std::nullopt);  // runs past "fls0"
    EXPECT_EQ(readHexField("\x01" "4C", 12, 8), std::nullopt);
    EXPECT_EQ(frameLength(cap.substr(0, 8)), cap.size());
    EXPECT_EQ(frameLength(ackPacket().substr(0, 4)), 6u);
    EXPECT_EQ(frameLength("\x01" "4C"), std::nullopt);
    EXPECT_EQ(frameLength("\x01" "4C1zzzz"), std::nullopt);
}

TEST(PacketTest, ListingEntries) {
    auto folder = parseListingEntry(commandPacket("4E", {"00", "00", 0, "ROAD", "", "fls0"}));
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->isFolder);
    EXPECT_EQ(folder->folder, "ROAD");
    auto file = parseListingEntry(commandPacket("4E", {"00", "80", 2500, "ROAD", "K1.rod", "fls0"}));
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->isFolder);
    EXPECT_EQ(file->folder, "ROAD");
    EXPECT_EQ(file->name, "K1.rod");
    EXPECT_EQ(file->size, 2500u);
    // Lengths that run past the reply are cut to what arrived; no overread.
    std::string hostile = bytes('\x01', "4E1001C" "00" "80" "0000000A" "FF" "FF" "00" "00" "04" "00" "AB");
    auto cut = parseListingEntry(hostile);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->folder, "AB");
    EXPECT_EQ(cut->name, "");
    EXPECT_FALSE(parseListingEntry(roleswapPacket()));
}

}  // namespace
}  // namespace vornex::link

namespace vornex::link {
namespace {

TEST(FrameBufferTest, WholeFramesFromPieces) {
    Protocol7Packet info = commandPacket("45", {"00", "80", 10, "ROAD", "A.rod", "fls0"});
    FrameBuffer f;
    f.append(info.substr(0, 3));
    EXPECT_FALSE(f.take());  // size not known yet
    f.append(info.substr(3, 20));
    EXPECT_FALSE(f.take());
    f.append(info.substr(23) + ackPacket() + roleswapPacket().substr(0, 2));
    EXPECT_EQ(f.take(), info);
    EXPECT_EQ(f.take(), ackPacket());
    EXPECT_FALSE(f.take());
    EXPECT_EQ(f.drain(), roleswapPacket().substr(0, 2));
    EXPECT_TRUE(f.empty());
    // A size field that is no number is handed out rather than waited for.
    f.append("\x01" "451zzzz000");
    EXPECT_EQ(f.take(), std::string("\x01" "451zzzz000"));
}

}  // namespace
}  // namespace vornex::link
