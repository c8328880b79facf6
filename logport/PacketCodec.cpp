#include "logport/PacketCodec.h"

#include <algorithm>

namespace logport {

namespace {

std::uint8_t Xor(std::span<const std::uint8_t> bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return x;
}

bool BuildShort(std::uint8_t start, std::uint8_t code, std::span<const std::uint8_t> payload,
                Packet& out) {
    if (payload.size() > kMaxShortPayload) return false;
    out.bytes.fill(0);
    out.bytes[0] = start;
    out.bytes[1] = code;
    out.bytes[2] = static_cast<std::uint8_t>(payload.size());
    out.bytes[3] = 0;
    std::copy(payload.begin(), payload.end(), out.bytes.begin() + 4);
    const std::size_t sumAt = 4 + payload.size();
    out.bytes[sumAt] = Xor({out.bytes.data(), sumAt});
    out.size = kPacketSize;
    return true;
}

}  // namespace

bool BuildCommandPacket(std::uint8_t code, std::span<const std::uint8_t> payload, Packet& out) {
    return BuildShort(kCommandStart, code, payload, out);
}

bool BuildBulkPacket(std::uint8_t code, std::span<const std::uint8_t> payload, Packet& out) {
    if (payload.size() != kLongPayload) return BuildShort(kBulkStart, code, payload, out);
    // Long form: the length moves behind the payload, byte 3 marks the form and
    // the checksum replaces the payload's last byte.
    out.bytes.fill(0);
    out.bytes[0] = kBulkStart;
    out.bytes[1] = code;
    out.bytes[2] = 0x00;
    out.bytes[3] = 0xFF;
    std::copy(payload.begin(), payload.end(), out.bytes.begin() + 4);
    const std::size_t sumAt = 4 + kLongPayload - 1;
    out.bytes[sumAt] = Xor({out.bytes.data(), sumAt + 1});
    WriteU32(out.bytes.data() + 4 + kLongPayload, static_cast<std::uint32_t>(kLongPayload));
    out.size = kLongPacketSize;
    return true;
}

bool EchoesRequest(std::span<const std::uint8_t> reply, std::uint8_t start, std::uint8_t code) {
    return reply.size() >= 2 && reply[0] == start && reply[1] == code;
}

bool IsCommandReplyGood(const CommandReply& reply, std::uint8_t code) {
    return EchoesRequest(reply, kCommandStart, code) && (reply[2] & 0x80) == 0;
}

bool IsBulkReplyGood(const BulkReply& reply, std::uint8_t code) {
    return EchoesRequest(reply, kBulkStart, code);
}

}  // namespace logport
