#include "logport/Exchange.h"

#include "pipeusb/include/pipeusb.h"

namespace logport {

namespace {

// True when the packet went out and the reply came back whole. A reply that
// stopped short would pass the checks on its first bytes with zeros for the
// rest, so it counts as no reply; the checks on its bytes decide the rest.
bool Transfer(std::uint32_t readPipe, std::span<std::uint8_t> reply, std::uint32_t readTimeoutMs,
              std::uint32_t writePipe, const Packet& packet) {
    std::uint32_t received = 0;
    std::uint32_t sent = 0;
    const std::uint32_t result = WritePipeFollowReadPipeImmediate(
        readPipe, reply.data(), static_cast<std::uint32_t>(reply.size()), &received, readTimeoutMs,
        writePipe, packet.bytes.data(), static_cast<std::uint32_t>(packet.size), &sent,
        kCommandTimeoutMs);
    return result == 1 && received == reply.size();
}

}  // namespace

bool ExchangeCommand(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                     CommandReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildCommandPacket(code, payload, packet)) return false;
    return Transfer(pipes.dwPipes[kCommandIn], reply, kCommandTimeoutMs, pipes.dwPipes[kCommandOut],
                    packet) &&
           IsCommandReplyGood(reply, code);
}

bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  CommandReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildBulkPacket(code, payload, packet)) return false;
    return Transfer(pipes.dwPipes[kCommandIn], reply, kBulkReadTimeoutMs,
                    pipes.dwPipes[kCommandOut], packet) &&
           IsCommandReplyGood(reply, code);
}

bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  BulkReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildBulkPacket(code, payload, packet)) return false;
    return Transfer(pipes.dwPipes[kBulkIn], reply, kBulkReadTimeoutMs, pipes.dwPipes[kBulkOut],
                    packet) &&
           IsBulkReplyGood(reply, code);
}

}  // namespace logport
