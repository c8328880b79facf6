#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "logport/PacketCodec.h"

namespace logport {
namespace {

std::vector<std::uint8_t> Bytes(const Packet& p) {
    const auto sent = p.Sent();
    return {sent.begin(), sent.end()};
}

TEST(PacketCodec, CommandPacketIsByteExact) {
    const std::array<std::uint8_t, 1> payload{0x00};
    Packet p;
    ASSERT_TRUE(BuildCommandPacket(cmd::kClearFrames, payload, p));
    std::vector<std::uint8_t> expected(64, 0);
    expected[0] = 0x7E;
    expected[1] = 0x18;
    expected[2] = 0x01;
    expected[5] = 0x67;  // 7E ^ 18 ^ 01 ^ 00 ^ 00
    EXPECT_EQ(Bytes(p), expected);

    // A four-byte payload: length byte and checksum move with it.
    const std::array<std::uint8_t, 4> count{0x01, 0x02, 0x03, 0x04};
    ASSERT_TRUE(BuildCommandPacket(cmd::kUpload, count, p));
    EXPECT_EQ(p.size, 64u);
    EXPECT_EQ(p.bytes[2], 4);
    EXPECT_EQ(p.bytes[3], 0);
    EXPECT_EQ(p.bytes[8], 0x7E ^ 0x17 ^ 0x04 ^ 0x01 ^ 0x02 ^ 0x03 ^ 0x04);
    for (std::size_t i = 9; i < 64; ++i) EXPECT_EQ(p.bytes[i], 0) << i;
}

TEST(PacketCodec, CommandPayloadLimitIs59Bytes) {
    std::vector<std::uint8_t> payload(59, 0xA5);
    Packet p;
    ASSERT_TRUE(BuildCommandPacket(cmd::kSetPreFrame, payload, p));
    EXPECT_EQ(p.bytes[2], 59);
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < 63; ++i) x ^= p.bytes[i];
    EXPECT_EQ(p.bytes[63], x);

    payload.push_back(0);
    Packet refused;
    EXPECT_FALSE(BuildCommandPacket(cmd::kSetPreFrame, payload, refused));
    EXPECT_EQ(refused.size, 0u);
    EXPECT_FALSE(BuildBulkPacket(cmd::kUpload, payload, refused));
}

TEST(PacketCodec, ShortBulkPacketStartsWith9E) {
    const std::array<std::uint8_t, 4> block{0x03, 0x00, 0x00, 0x00};
    Packet p;
    ASSERT_TRUE(BuildBulkPacket(cmd::kUpload, block, p));
    std::vector<std::uint8_t> expected(64, 0);
    expected[0] = 0x9E;
    expected[1] = 0x17;
    expected[2] = 0x04;
    expected[4] = 0x03;
    expected[8] = 0x9E ^ 0x17 ^ 0x04 ^ 0x03;
    EXPECT_EQ(Bytes(p), expected);
}

TEST(PacketCodec, LongBulkPacketCarriesTheFilterTable) {
    std::vector<std::uint8_t> payload(kLongPayload, 0);
    payload[0] = 0xFF;
    for (std::size_t i = 1; i < 2049; ++i) payload[i] = static_cast<std::uint8_t>(i * 7);
    Packet p;
    ASSERT_TRUE(BuildBulkPacket(cmd::kSetFilter, payload, p));
    ASSERT_EQ(p.size, 2058u);
    EXPECT_EQ(p.bytes[0], 0x9E);
    EXPECT_EQ(p.bytes[1], 0x13);
    EXPECT_EQ(p.bytes[2], 0x00);
    EXPECT_EQ(p.bytes[3], 0xFF);
    for (std::size_t i = 0; i < 2049; ++i) ASSERT_EQ(p.bytes[4 + i], payload[i]) << i;
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < 2053; ++i) x ^= p.bytes[i];
    EXPECT_EQ(p.bytes[2053], x);
    EXPECT_EQ(p.bytes[2054], 0x02);
    EXPECT_EQ(p.bytes[2055], 0x08);
    EXPECT_EQ(p.bytes[2056], 0x00);
    EXPECT_EQ(p.bytes[2057], 0x00);
}

TEST(PacketCodec, CommandReplyNeedsStartEchoAndClearStatusBit7) {
    CommandReply r{};
    r[0] = 0x7E;
    r[1] = 0x14;
    r[3] = 0xFF;  // not examined
    r[2] = 0x7F;
    EXPECT_TRUE(IsCommandReplyGood(r, 0x14));
    r[2] = 0x80;
    EXPECT_FALSE(IsCommandReplyGood(r, 0x14));
    r[2] = 0x00;
    EXPECT_FALSE(IsCommandReplyGood(r, 0x15)) << "echo of another command";
    r[0] = 0x9E;
    EXPECT_FALSE(IsCommandReplyGood(r, 0x14)) << "bulk start byte on the command channel";
    EXPECT_FALSE(IsCommandReplyGood(CommandReply{}, 0x14)) << "no reply";
}

TEST(PacketCodec, BulkReplyNeedsStartAndEchoOnly) {
    BulkReply r{};
    r[0] = 0x9E;
    r[1] = 0x17;
    r[2] = 0xFF;
    r[3] = 0x80;
    r[kBulkReplySize - 1] = 0x55;
    EXPECT_TRUE(IsBulkReplyGood(r, 0x17));
    EXPECT_FALSE(IsBulkReplyGood(r, 0x1A));
    r[0] = 0x7E;
    EXPECT_FALSE(IsBulkReplyGood(r, 0x17));
}

}  // namespace
}  // namespace logport
