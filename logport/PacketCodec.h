#pragma once

// Packets exchanged with the recorder. Host-to-device packets start 0x7E
// (command channel) or 0x9E (bulk channel), carry a command code, a payload and
// an XOR checksum; replies echo the start byte and the command code. Every
// multi-byte number on the wire is little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace logport {

inline constexpr std::uint8_t kCommandStart = 0x7E;
inline constexpr std::uint8_t kBulkStart = 0x9E;

inline constexpr std::size_t kPacketSize = 64;
inline constexpr std::size_t kMaxShortPayload = kPacketSize - 5;  // header 4 + checksum 1
// The filter table travels in the one long bulk form: 2050 payload bytes.
inline constexpr std::size_t kLongPayload = 2050;
inline constexpr std::size_t kLongPacketSize = 4 + kLongPayload + 4;
inline constexpr std::size_t kBulkReplySize = 9605;
inline constexpr std::size_t kReplyPayloadOffset = 4;

namespace cmd {
inline constexpr std::uint8_t kSetBaseInfo = 0x11;
inline constexpr std::uint8_t kSetPreFrame = 0x12;
inline constexpr std::uint8_t kSetFilter = 0x13;
inline constexpr std::uint8_t kGetBaseInfo = 0x14;
inline constexpr std::uint8_t kGetPreFrame = 0x15;
inline constexpr std::uint8_t kGetFilter = 0x16;
inline constexpr std::uint8_t kUpload = 0x17;
inline constexpr std::uint8_t kClearFrames = 0x18;
inline constexpr std::uint8_t kFactoryDefault = 0x19;
inline constexpr std::uint8_t kClockList = 0x1A;
}  // namespace cmd

using CommandReply = std::array<std::uint8_t, kPacketSize>;
using BulkReply = std::array<std::uint8_t, kBulkReplySize>;

// A host-to-device packet; only the first `size` bytes are sent.
struct Packet {
    std::array<std::uint8_t, kLongPacketSize> bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> Sent() const { return {bytes.data(), size}; }
};

// Command packet: 64 bytes, zero after the checksum. False (nothing built)
// when the payload exceeds 59 bytes.
bool BuildCommandPacket(std::uint8_t code, std::span<const std::uint8_t> payload, Packet& out);

// Bulk packet: the 64-byte short form, or the 2058-byte long form when the
// payload is exactly 2050 bytes. False for any other payload over 59 bytes.
bool BuildBulkPacket(std::uint8_t code, std::span<const std::uint8_t> payload, Packet& out);

// True when the reply begins with `start` and the command code: a reply to
// the request just sent. Anything else is some other request's, or garbage.
bool EchoesRequest(std::span<const std::uint8_t> reply, std::uint8_t start, std::uint8_t code);

// A command reply is good when it echoes 0x7E and the code and bit 7 of its
// status byte is clear.
bool IsCommandReplyGood(const CommandReply& reply, std::uint8_t code);

// A bulk reply is good when it echoes 0x9E and the code; it has no status.
bool IsBulkReplyGood(const BulkReply& reply, std::uint8_t code);

inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void WriteU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace logport
