#include "pipeusb/sim/VirtualRecorder.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "pipeusb/sim/RecorderClock.h"

namespace pipeusb {

namespace {

constexpr std::size_t kHeaderPhasePayload = 22;
constexpr std::uint8_t kFilterTablePhase = 0xFF;
constexpr std::size_t kPresetPairBytes = 2 * kRecordSize;

bool IsPresetPairIndex(std::uint8_t k) {
    return k == 0 || k == 2 || k == 4;
}

// Payload length each request must carry (0 = no such request on that channel).
std::size_t CommandPayloadLength(std::uint8_t code) {
    switch (code) {
        case kCmdWriteBaseInfo:
            return kBaseInfoSize;
        case kCmdWritePresets:
            return 1 + kPresetPairBytes;
        case kCmdWriteFilter:
            return kHeaderPhasePayload;
        case kCmdReadBaseInfo:
        case kCmdReadPresets:
        case kCmdReadFilter:
        case kCmdClearMemory:
        case kCmdFactoryDefault:
            return 1;
        case kCmdUpload:
            return 4;
        default:
            return 0;
    }
}

std::size_t BulkPayloadLength(std::uint8_t code) {
    switch (code) {
        case kCmdReadFilter:
        case kCmdClockList:
            return 1;
        case kCmdUpload:
            return 4;
        default:
            return 0;
    }
}

// A reply carries its payload length in byte 3 and, after the payload, the XOR
// of everything before it, the way requests do.
std::size_t FinishCommandReply(std::uint8_t* reply, std::uint8_t code, std::uint8_t status,
                               std::size_t payloadLength) {
    reply[0] = kCommandStart;
    reply[1] = code;
    reply[2] = status;
    reply[3] = static_cast<std::uint8_t>(payloadLength);
    reply[kReplyPayloadOffset + payloadLength] =
        XorBytes(reply, kReplyPayloadOffset + payloadLength);
    return kCommandReplySize;
}

std::size_t FinishBulkReply(std::uint8_t* reply, std::uint8_t code, std::uint8_t status) {
    reply[0] = kBulkStart;
    reply[1] = code;
    reply[2] = status;
    reply[3] = 0;
    reply[kBulkReplySize - 1] = XorBytes(reply, kBulkReplySize - 1);
    return kBulkReplySize;
}

// Bytes of the reply payload for a refused or payload-less command.
std::size_t CommandReplyPayloadLength(std::uint8_t code, std::uint8_t status) {
    if (status != CVirtualRecorder::kStatusOk) return 0;
    switch (code) {
        case kCmdReadBaseInfo:
            return kBaseInfoSize;
        case kCmdReadPresets:
            return kPresetPairBytes;
        case kCmdReadFilter:
            return kFilterHeaderSize;
        case kCmdUpload:
            return 4;
        default:
            return 0;
    }
}

}  // namespace

CVirtualRecorder::CVirtualRecorder(RecorderImage image, std::string imagePath)
    : config_(image.config), memory_(std::move(image.memory)), imagePath_(std::move(imagePath)) {}

std::array<std::uint8_t, kClockSize> CVirtualRecorder::ClockAt(std::uint64_t nowMs) const {
    std::array<std::uint8_t, kClockSize> clock{};
    const std::uint8_t* set = config_.baseInfo.data() + kClockOffset;
    if (!clockRunning_) {
        std::memcpy(clock.data(), set, kClockSize);
        return clock;
    }
    const std::uint64_t elapsedMs = nowMs > clockSetAtMs_ ? nowMs - clockSetAtMs_ : 0;
    AdvanceClock(set, elapsedMs / 1000, clock.data());
    return clock;
}

std::size_t CVirtualRecorder::Answer(Channel channel, const std::uint8_t* packet,
                                     std::size_t length, std::uint64_t nowMs, std::uint8_t* reply) {
    const std::size_t replySize = channel == Channel::Command ? kCommandReplySize : kBulkReplySize;
    std::memset(reply, 0, replySize);
    const std::uint8_t code = packet != nullptr && length >= 2 ? packet[1] : 0;
    // Anything that is neither a command packet nor a long bulk packet (on the
    // command channel), nor a short bulk packet (on the bulk channel), is a
    // bad frame.
    std::uint8_t status = kStatusBadFrame;
    const std::uint8_t shortStart = channel == Channel::Command ? kCommandStart : kBulkStart;
    const bool longBulk = packet != nullptr && channel == Channel::Command &&
                          length == kLongBulkPacketSize && packet[0] == kBulkStart;
    const bool shortPacket =
        packet != nullptr && length == kCommandPacketSize && packet[0] == shortStart;

    if (longBulk) {
        // Long bulk packet: 0x00 0xFF in bytes 2-3, the length 2050 at the end,
        // and the checksum in the payload's last byte.
        if (packet[2] != 0x00 || packet[3] != 0xFF ||
            LoadU32(packet + kLongBulkPacketSize - 4) != kLongBulkPayload)
            status = kStatusBadFrame;
        else if (XorBytes(packet, 4 + kLongBulkPayload - 1) != packet[4 + kLongBulkPayload - 1])
            status = kStatusBadChecksum;
        else
            status = DoFilterTable(code, packet + 4, nowMs);
    } else if (shortPacket) {
        const std::size_t payloadLength = packet[2];
        if (payloadLength > kMaxPayload)
            status = kStatusBadFrame;
        else if (XorBytes(packet, 4 + payloadLength) != packet[4 + payloadLength])
            status = kStatusBadChecksum;
        else if (channel == Channel::Command)
            status = DoCommand(code, packet + 4, payloadLength, nowMs, reply);
        else
            status = DoBulk(code, packet + 4, payloadLength, reply);
    }

    if (channel == Channel::Bulk) {
        if (status != kStatusOk) std::memset(reply, 0, kBulkReplySize);
        return FinishBulkReply(reply, code, status);
    }
    const std::size_t payloadLength = CommandReplyPayloadLength(code, status);
    if (payloadLength == 0) std::memset(reply, 0, kCommandReplySize);
    return FinishCommandReply(reply, code, status, payloadLength);
}

std::uint8_t CVirtualRecorder::DoCommand(std::uint8_t code, const std::uint8_t* payload,
                                         std::size_t length, std::uint64_t nowMs,
                                         std::uint8_t* reply) {
    const std::size_t expected = CommandPayloadLength(code);
    if (expected == 0) return kStatusUnknownCommand;
    if (length != expected) return kStatusBadPayloadLength;
    std::uint8_t* out = reply + kReplyPayloadOffset;

    switch (code) {
        case kCmdWriteBaseInfo: {
            RecorderConfig next = config_;
            std::memcpy(next.baseInfo.data(), payload, kBaseInfoSize);
            // The new clock counts from now; the image gets it as it was set.
            if (!Persist(next, memory_, nowMs, true)) return kStatusStorageFailed;
            config_ = next;
            std::uint8_t probe[kClockSize];
            clockRunning_ = AdvanceClock(payload + kClockOffset, 0, probe);
            clockSetAtMs_ = nowMs;
            return kStatusOk;
        }
        case kCmdWritePresets: {
            if (!IsPresetPairIndex(payload[0])) return kStatusBadArgument;
            RecorderConfig next = config_;
            std::memcpy(next.presets.data() + payload[0] * kRecordSize, payload + 1,
                        kPresetPairBytes);
            return CommitConfig(next, nowMs);
        }
        case kCmdWriteFilter: {
            if (payload[0] != 0) return kStatusBadArgument;
            // Section starts must ascend and stay inside the table.
            std::uint32_t previous = 0;
            for (std::size_t i = 0; i < 5; ++i) {
                const std::uint32_t offset = LoadU32(payload + 1 + 4 * i);
                if (offset < previous || offset > kFilterTableSize) return kStatusBadArgument;
                previous = offset;
            }
            pendingFilterHeader_.emplace();
            std::memcpy(pendingFilterHeader_->data(), payload + 1, kFilterHeaderSize);
            return kStatusOk;
        }
        case kCmdReadBaseInfo: {
            std::memcpy(out, config_.baseInfo.data(), kBaseInfoSize);
            const auto clock = ClockAt(nowMs);
            std::memcpy(out + kClockOffset, clock.data(), kClockSize);
            return kStatusOk;
        }
        case kCmdReadPresets:
            if (!IsPresetPairIndex(payload[0])) return kStatusBadArgument;
            std::memcpy(out, config_.presets.data() + payload[0] * kRecordSize, kPresetPairBytes);
            return kStatusOk;
        case kCmdReadFilter:
            // The header as it was written: the five section offsets from
            // payload byte 0 (so the four that follow the always-0 standard
            // explicit start sit at reply bytes 8-23), then the enable byte.
            std::memcpy(out, config_.filterHeader.data(), kFilterHeaderSize);
            return kStatusOk;
        case kCmdUpload:
            StoreU32(out, static_cast<std::uint32_t>(memory_.RecordCount()));
            return kStatusOk;
        case kCmdClearMemory: {
            const RecorderMemory empty;
            if (!Persist(config_, empty, nowMs, false)) return kStatusStorageFailed;
            memory_ = empty;
            return kStatusOk;
        }
        case kCmdFactoryDefault:
            pendingFilterHeader_.reset();
            return CommitConfig(FactoryConfig(config_.baseInfo.data() + kClockOffset), nowMs);
        default:
            return kStatusUnknownCommand;
    }
}

std::uint8_t CVirtualRecorder::DoFilterTable(std::uint8_t code, const std::uint8_t* payload,
                                             std::uint64_t nowMs) {
    if (code != kCmdWriteFilter) return kStatusUnknownCommand;
    if (payload[0] != kFilterTablePhase) return kStatusBadArgument;
    if (!pendingFilterHeader_) return kStatusOutOfSequence;
    RecorderConfig next = config_;
    next.filterHeader = *pendingFilterHeader_;
    std::memcpy(next.filterTable.data(), payload + 1, kFilterTableSize);
    const std::uint8_t status = CommitConfig(next, nowMs);
    if (status == kStatusOk) pendingFilterHeader_.reset();
    return status;
}

std::uint8_t CVirtualRecorder::DoBulk(std::uint8_t code, const std::uint8_t* payload,
                                      std::size_t length, std::uint8_t* reply) {
    const std::size_t expected = BulkPayloadLength(code);
    if (expected == 0) return kStatusUnknownCommand;
    if (length != expected) return kStatusBadPayloadLength;
    std::uint8_t* out = reply + kReplyPayloadOffset;

    switch (code) {
        case kCmdReadFilter:
            std::memcpy(out, config_.filterTable.data(), kFilterTableSize);
            return kStatusOk;
        case kCmdUpload: {
            // Block numbers start at 1; block n holds records 400·(n−1) … 400·n−1.
            // A block past the end comes back empty.
            const std::uint32_t block = LoadU32(payload);
            if (block == 0) return kStatusBadArgument;
            const std::uint64_t first = static_cast<std::uint64_t>(block - 1) * kBlockRecords;
            const std::uint64_t count = memory_.RecordCount();
            if (first < count) {
                const std::uint64_t n = std::min<std::uint64_t>(kBlockRecords, count - first);
                std::memcpy(out, memory_.records.data() + first * kRecordSize, n * kRecordSize);
            }
            return kStatusOk;
        }
        case kCmdClockList: {
            const std::size_t n = std::min(memory_.ClockCount(), kMaxClockListRecords);
            out[0] = static_cast<std::uint8_t>(n);
            if (n > 0) std::memcpy(out + 1, memory_.clockRecords.data(), n * kRecordSize);
            return kStatusOk;
        }
        default:
            return kStatusUnknownCommand;
    }
}

std::uint8_t CVirtualRecorder::CommitConfig(const RecorderConfig& next, std::uint64_t nowMs) {
    if (!Persist(next, memory_, nowMs, false)) return kStatusStorageFailed;
    config_ = next;
    return kStatusOk;
}

bool CVirtualRecorder::Persist(const RecorderConfig& config, const RecorderMemory& memory,
                               std::uint64_t nowMs, bool clockJustSet) const {
    if (imagePath_.empty()) return true;
    if (clockJustSet) return SaveRecorderImage(imagePath_, config, memory);
    // The image holds the clock as it reads now, not as it was last set.
    RecorderConfig stored = config;
    const auto clock = ClockAt(nowMs);
    std::memcpy(stored.baseInfo.data() + kClockOffset, clock.data(), kClockSize);
    return SaveRecorderImage(imagePath_, stored, memory);
}

}  // namespace pipeusb
