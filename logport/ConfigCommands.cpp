#include "logport/ConfigCommands.h"

#include <array>
#include <cstring>
#include <memory>

#include "logport/Exchange.h"
#include "logport/RecordCodec.h"

namespace logport {

namespace {

constexpr std::size_t kFilterHeaderSize = 22;
constexpr std::uint8_t kFilterHeaderPhase = 0x00;
constexpr std::uint8_t kFilterTablePhase = 0xFF;
constexpr std::uint8_t kFilterTableRequest = 1;
// Header reply bytes 8..23 hold the last four section offsets, in record order.
constexpr std::size_t kFilterOffsetsInReply = 8;
constexpr std::size_t kFilterOffsetsBytes = 16;
constexpr std::uint32_t kPairAttempts = 3;
constexpr std::size_t kPairBytes = 2 * kRecordSize;

// The five section offsets sit between the phase byte and the enable byte.
constexpr std::size_t kFilterOffsetsSize =
    offsetof(FilterInfo, bTable) - offsetof(FilterInfo, dwStdExplicitStart);
static_assert(1 + kFilterOffsetsSize + 1 == kFilterHeaderSize);
static_assert(1 + kFilterTableSize + 1 == kLongPayload);
static_assert(kReplyPayloadOffset + kFilterTableSize <= kBulkReplySize);

bool SingleZeroCommand(const PipeSet& pipes, std::uint8_t code) {
    const std::array<std::uint8_t, 1> payload{0};
    CommandReply reply;
    return ExchangeCommand(pipes, code, payload, reply);
}

}  // namespace

bool GetBaseInfo(const PipeSet& pipes, BaseInfo& out) {
    const std::array<std::uint8_t, 1> payload{0};
    CommandReply reply;
    if (!ExchangeCommand(pipes, cmd::kGetBaseInfo, payload, reply)) return false;
    std::memcpy(&out, reply.data() + kReplyPayloadOffset, sizeof out);
    return true;
}

bool SetBaseInfo(const PipeSet& pipes, const BaseInfo& info) {
    std::array<std::uint8_t, sizeof(BaseInfo)> payload;
    std::memcpy(payload.data(), &info, sizeof info);
    CommandReply reply;
    return ExchangeCommand(pipes, cmd::kSetBaseInfo, payload, reply);
}

bool SetFilterInfo(const PipeSet& pipes, CFilterLists& lists) {
    const FilterInfo info = lists.BuildTable();
    const auto* record = reinterpret_cast<const std::uint8_t*>(&info);

    // Header: phase byte, the five section offsets, the enable byte.
    std::array<std::uint8_t, kFilterHeaderSize> header{};
    header[0] = kFilterHeaderPhase;
    std::memcpy(&header[1], record + offsetof(FilterInfo, dwStdExplicitStart), kFilterOffsetsSize);
    header[21] = info.bEnable;
    CommandReply reply;
    if (!ExchangeCommand(pipes, cmd::kSetFilter, header, reply)) return false;

    // Table: phase byte, the table, and a last byte that the checksum takes.
    std::array<std::uint8_t, kLongPayload> table{};
    table[0] = kFilterTablePhase;
    std::memcpy(&table[1], info.bTable, kFilterTableSize);
    return ExchangeBulk(pipes, cmd::kSetFilter, table, reply);
}

bool GetFilterInfo(const PipeSet& pipes, FilterInfo& out) {
    const std::array<std::uint8_t, 1> headerRequest{0};
    CommandReply reply;
    if (!ExchangeCommand(pipes, cmd::kGetFilter, headerRequest, reply)) return false;
    // The recorder does not report the enable byte or the first section's
    // start; the record is completed as the library would build it.
    out.bEnable = 1;
    out.dwStdExplicitStart = 0;
    std::memcpy(reinterpret_cast<std::uint8_t*>(&out) + offsetof(FilterInfo, dwStdGroupStart),
                reply.data() + kFilterOffsetsInReply, kFilterOffsetsBytes);

    const std::array<std::uint8_t, 1> tableRequest{kFilterTableRequest};
    auto bulk = std::make_unique<BulkReply>();
    if (!ExchangeBulk(pipes, cmd::kGetFilter, tableRequest, *bulk)) return false;
    std::memcpy(out.bTable, bulk->data() + kReplyPayloadOffset, kFilterTableSize);
    return true;
}

bool SetPreFrames(const PipeSet& pipes, const _VCI_CAN_OBJ* frames) {
    bool ok = false;
    CommandReply reply;
    for (std::uint32_t k = 0; k < LGP_PRESET_FRAMES; k += 2) {
        std::array<std::uint8_t, 1 + kPairBytes> payload{};
        payload[0] = static_cast<std::uint8_t>(k);
        const Record first = FrameToRecord(frames[k]);
        const Record second = FrameToRecord(frames[k + 1]);
        std::memcpy(&payload[1], first.data(), kRecordSize);
        std::memcpy(&payload[1 + kRecordSize], second.data(), kRecordSize);
        // A pair that fails three times is skipped; the next pair still goes.
        for (std::uint32_t attempt = 0; attempt < kPairAttempts; ++attempt) {
            ok = ExchangeCommand(pipes, cmd::kSetPreFrame, payload, reply);
            if (ok) break;
        }
    }
    return ok;
}

bool GetPreFrames(const PipeSet& pipes, _VCI_CAN_OBJ* frames) {
    std::array<std::uint8_t, LGP_PRESET_FRAMES * kRecordSize> records{};
    bool ok = false;
    CommandReply reply;
    for (std::uint32_t k = 0; k < LGP_PRESET_FRAMES; k += 2) {
        const std::array<std::uint8_t, 1> payload{static_cast<std::uint8_t>(k)};
        for (std::uint32_t attempt = 0; attempt < kPairAttempts; ++attempt) {
            ok = ExchangeCommand(pipes, cmd::kGetPreFrame, payload, reply);
            std::memcpy(&records[k * kRecordSize], reply.data() + kReplyPayloadOffset, kPairBytes);
            if (ok) break;
        }
    }
    RecordsToFrames(records.data(), LGP_PRESET_FRAMES, frames);
    return ok;
}

bool ClearFrames(const PipeSet& pipes) {
    return SingleZeroCommand(pipes, cmd::kClearFrames);
}

bool SetFactoryDefault(const PipeSet& pipes) {
    return SingleZeroCommand(pipes, cmd::kFactoryDefault);
}

}  // namespace logport
