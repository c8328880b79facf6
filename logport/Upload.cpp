#include "logport/Upload.h"

#include <algorithm>
#include <array>
#include <vector>

#include "logport/Exchange.h"
#include "logport/RecordCodec.h"

namespace logport {

namespace {

constexpr std::size_t kBlockBytes = kBlockRecords * kRecordSize;
static_assert(kReplyPayloadOffset + kBlockBytes < kBulkReplySize);

using Block = std::array<std::uint8_t, kBlockBytes>;

std::array<std::uint8_t, 4> U32Payload(std::uint32_t v) {
    std::array<std::uint8_t, 4> p{};
    WriteU32(p.data(), v);
    return p;
}

bool ReadRecordCount(const PipeSet& pipes, std::uint32_t& total) {
    const auto payload = U32Payload(0);
    CommandReply reply;
    for (std::uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (ExchangeCommand(pipes, cmd::kUpload, payload, reply)) {
            total = ReadU32(&reply[kReplyPayloadOffset]);
            return true;
        }
    }
    return false;
}

enum class BlockOutcome { kReceived, kCancelled, kFailed };

// Block numbers start at 1; block n holds records 400·(n−1) … 400·n−1. The
// cancel flag is looked at before every attempt.
BlockOutcome FetchBlock(const PipeSet& pipes, const UploadCounters& counters, std::uint32_t n,
                        BulkReply& reply, Block& block) {
    const auto payload = U32Payload(n);
    for (std::uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (counters.bCancel.load()) return BlockOutcome::kCancelled;
        if (ExchangeBulk(pipes, cmd::kUpload, payload, reply)) {
            std::copy_n(reply.begin() + kReplyPayloadOffset, kBlockBytes, block.begin());
            return BlockOutcome::kReceived;
        }
    }
    return BlockOutcome::kFailed;
}

}  // namespace

std::unique_ptr<_VCI_CAN_OBJ[]> LoadFrames(const PipeSet& pipes, UploadCounters& counters,
                                           std::uint32_t& count) {
    counters.bCancel.store(false);
    std::uint32_t total = 0;
    if (!ReadRecordCount(pipes, total)) return nullptr;
    counters.dwTotal.store(total);
    counters.dwLoaded.store(0);

    // The raw blocks are kept and converted once, after the last block, into
    // one array sized exactly for the result.
    std::vector<std::unique_ptr<Block>> blocks;
    auto reply = std::make_unique<BulkReply>();
    std::uint64_t remaining = total;
    bool cutShort = false;
    for (std::uint32_t n = 1; remaining > 0 && !counters.bCancel.load(); ++n) {
        auto block = std::make_unique_for_overwrite<Block>();
        const BlockOutcome outcome = FetchBlock(pipes, counters, n, *reply, *block);
        if (outcome == BlockOutcome::kCancelled) break;
        if (outcome == BlockOutcome::kFailed) {
            // The blocks that came are exact; they are kept, and the total
            // left standing says that the upload did not end whole, whether
            // the recorder was pulled out or stopped answering.
            counters.bCancel.store(false);
            cutShort = true;
            break;
        }
        blocks.push_back(std::move(block));
        counters.dwLoaded.store(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{kBlockRecords} * n, total)));
        remaining -= std::min<std::uint64_t>(remaining, kBlockRecords);
    }

    const auto m = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{kBlockRecords} * blocks.size(), total));
    std::unique_ptr<_VCI_CAN_OBJ[]> frames(new _VCI_CAN_OBJ[m]);
    for (std::uint64_t i = 0; i < m; i += kBlockRecords) {
        const auto inBlock = std::min<std::uint64_t>(kBlockRecords, m - i);
        RecordsToFrames(blocks[i / kBlockRecords]->data(), inBlock, frames.get() + i);
    }
    count = m;
    counters.dwLoaded.store(m);
    counters.dwTotal.store(cutShort ? total : 0);
    return frames;
}

std::unique_ptr<_VCI_CAN_OBJ[]> LoadClockList(const PipeSet& pipes, std::uint8_t& count) {
    const std::array<std::uint8_t, 1> payload{0};
    auto reply = std::make_unique<BulkReply>();
    if (!ExchangeBulk(pipes, cmd::kClockList, payload, *reply)) return nullptr;
    // One count byte, then up to 255 records; the reply has room for 400.
    const std::uint8_t n = (*reply)[kReplyPayloadOffset];
    static_assert(kReplyPayloadOffset + 1 + 255 * kRecordSize <= kBulkReplySize);
    std::unique_ptr<_VCI_CAN_OBJ[]> frames(new _VCI_CAN_OBJ[n]);
    RecordsToFrames(reply->data() + kReplyPayloadOffset + 1, n, frames.get());
    count = n;
    return frames;
}

}  // namespace logport
