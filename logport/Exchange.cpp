#include "logport/Exchange.h"

#include "pipeusb/include/pipeusb.h"

namespace logport {

namespace {

// The transfer's own result and byte counts are not trusted: the reply
// buffer starts zeroed, and only the checks on its bytes decide the outcome.
void Transfer(std::uint32_t readPipe, std::span<std::uint8_t> reply, std::uint32_t readTimeoutMs,
              std::uint32_t writePipe, const Packet& packet) {
    std::uint32_t received = 0;
    std::uint32_t sent = 0;
    WritePipeFollowReadPipeImmediate(
        readPipe, reply.data(), static_cast<std::uint32_t>(reply.size()), &received, readTimeoutMs,
        writePipe, packet.bytes.data(), static_cast<std::uint32_t>(packet.size), &sent,
        kCommandTimeoutMs);
}

}  // namespace

bool ExchangeCommand(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                     CommandReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildCommandPacket(code, payload, packet)) return false;
    Transfer(pipes.dwPipes[kCommandIn], reply, kCommandTimeoutMs, pipes.dwPipes[kCommandOut],
             packet);
    return IsCommandReplyGood(reply, code);
}

bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  CommandReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildBulkPacket(code, payload, packet)) return false;
    Transfer(pipes.dwPipes[kCommandIn], reply, kBulkReadTimeoutMs, pipes.dwPipes[kCommandOut],
             packet);
    return IsCommandReplyGood(reply, code);
}

bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  BulkReply& reply) {
    reply.fill(0);
    Packet packet;
    if (!BuildBulkPacket(code, payload, packet)) return false;
    Transfer(pipes.dwPipes[kBulkIn], reply, kBulkReadTimeoutMs, pipes.dwPipes[kBulkOut], packet);
    return IsBulkReplyGood(reply, code);
}

}  // namespace logport
