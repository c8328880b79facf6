#include "logport/Exchange.h"

#include "pipeusb/include/pipeusb_diag.h"

namespace logport {

namespace {

// True when the packet went out and its reply came back whole. A reply that
// stopped short would pass the checks on its first bytes with zeros for the
// rest, so it counts as no reply; the checks on its bytes decide the rest.
// A whole reply that does not echo the request belongs to another one: what
// may follow it is drained, so that the next try reads its own reply.
bool Transfer(std::uint32_t readPipe, std::span<std::uint8_t> reply, std::uint32_t readTimeoutMs,
              std::uint32_t writePipe, const Packet& packet, std::uint8_t replyStart) {
    std::uint32_t received = 0;
    std::uint32_t sent = 0;
    const std::uint32_t result = WritePipeFollowReadPipeImmediate(
        readPipe, reply.data(), static_cast<std::uint32_t>(reply.size()), &received, readTimeoutMs,
        writePipe, packet.bytes.data(), static_cast<std::uint32_t>(packet.size), &sent,
        kCommandTimeoutMs);
    if (result != 1 || received != reply.size()) return false;
    if (EchoesRequest(reply, replyStart, packet.bytes[1])) return true;
    PipeUsb_DrainPipe(readPipe);
    return false;
}

}  // namespace

bool ExchangeCommand(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                     CommandReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildCommandPacket(code, payload, packet)) return false;
    return Transfer(pipes.dwPipes[kCommandIn], reply, kCommandTimeoutMs, pipes.dwPipes[kCommandOut],
                    packet, kCommandStart) &&
           IsCommandReplyGood(reply, code);
}

bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  CommandReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildBulkPacket(code, payload, packet)) return false;
    return Transfer(pipes.dwPipes[kCommandIn], reply, kBulkReadTimeoutMs,
                    pipes.dwPipes[kCommandOut], packet, kCommandStart) &&
           IsCommandReplyGood(reply, code);
}

bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  BulkReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildBulkPacket(code, payload, packet)) return false;
    return Transfer(pipes.dwPipes[kBulkIn], reply, kBulkReadTimeoutMs, pipes.dwPipes[kBulkOut],
                    packet, kBulkStart) &&
           IsBulkReplyGood(reply, code);
}

}  // namespace logport
