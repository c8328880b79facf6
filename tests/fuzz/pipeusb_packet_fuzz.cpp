// Feeds arbitrary packets to the virtual recorder's parser. Input: a sequence
// of [channel byte][u16 length][packet bytes]; bit 0 of the channel byte picks
// the bulk channel. Each packet is copied into a buffer of exactly its size so
// that any read past it is caught.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pipeusb/sim/DemoRecording.h"
#include "pipeusb/sim/VirtualRecorder.h"

using pipeusb::CVirtualRecorder;

namespace {

pipeusb::RecorderImage SmallRecording() {
    pipeusb::RecorderImage image = pipeusb::EmptyRecording();
    // 401 records (a partly used second block) and 300 clock records (more
    // than the clock list can carry).
    image.memory.records.resize(401 * pipeusb::kRecordSize, 0x5A);
    image.memory.clockRecords.resize(300 * pipeusb::kRecordSize, 0xC3);
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CVirtualRecorder recorder(SmallRecording());
    static std::array<std::uint8_t, pipeusb::kBulkReplySize> reply;
    std::size_t at = 0;
    std::uint64_t nowMs = 0;
    while (at < size) {
        const bool bulk = (data[at] & 1) != 0;
        ++at;
        std::size_t length = size - at;
        if (length >= 2) {
            length = std::min<std::size_t>(data[at] | data[at + 1] << 8, length - 2);
            at += 2;
        }
        const std::vector<std::uint8_t> packet(data + at, data + at + length);
        at += length;
        const CVirtualRecorder::Channel channel =
            bulk ? CVirtualRecorder::Channel::Bulk : CVirtualRecorder::Channel::Command;
        const std::size_t n = recorder.Answer(channel, packet.empty() ? nullptr : packet.data(),
                                              packet.size(), nowMs += 777, reply.data());
        const std::size_t expected = bulk ? pipeusb::kBulkReplySize : pipeusb::kCommandReplySize;
        const std::uint8_t start = bulk ? pipeusb::kBulkStart : pipeusb::kCommandStart;
        if (n != expected || reply[0] != start) __builtin_trap();
    }
    return 0;
}
