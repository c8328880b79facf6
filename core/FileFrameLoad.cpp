#include "core/FileFrameLoad.h"

#include "core/FrameStoreHolder.h"
#include "core/KorvexGlobal.h"

namespace korvex {
namespace {

// Copies go to a sink in runs of at most this many frames of one direction.
constexpr int kCopyRunFrames = 4096;

// What reading one block found.
struct BlockRead {
    bool readable = true;
    long long transmitted = 0;
};

}  // namespace

CFileFrameLoad::CFileFrameLoad(CKorvexGlobal& global, FileRecords records)
    : global(global), records(std::move(records)) {}

void CFileFrameLoad::Begin() {
    sinks = global.CurrentSinks();
    if (sinks.empty()) return;
    sinks.front()->SetCapacity(records.count);
    auto* holder = dynamic_cast<CFrameStoreHolder*>(sinks.front());
    adopting = holder != nullptr && records.count > 0 ? holder->HeldFrameStore() : nullptr;
    if (adopting != nullptr)
        adoption = adopting->Adopt(records.Records(), records.count, 0, records.file);
    for (std::size_t i = adopting != nullptr ? 1 : 0; i < sinks.size(); ++i)
        copySinks.push_back(sinks[i]);
}

FileLoadEnd CFileFrameLoad::Run(const PassSplit& split) {
    const _VCI_CAN_OBJ* const frames = records.Records();
    FileLoadEnd end = FileLoadEnd::kDone;
    const bool finished = RunSplitPass<BlockRead>(
        records.count, split,
        [&](std::int64_t begin, std::int64_t stop, BlockRead& read) {
            // The pages are read in first, so that a disk error shows here as
            // a refusal rather than as a signal at the first touch.
            read.readable = records.file->Populate(
                records.offset + static_cast<std::size_t>(begin) * sizeof(_VCI_CAN_OBJ),
                static_cast<std::size_t>(stop - begin) * sizeof(_VCI_CAN_OBJ));
            read.transmitted = 0;
            if (!read.readable) return;
            for (std::int64_t i = begin; i < stop; ++i)
                read.transmitted += frames[i].SendType == kSendTypeTransmitted;
        },
        [&](std::int64_t begin, std::int64_t stop, BlockRead& read) {
            if (!read.readable) {
                end = FileLoadEnd::kUnreadable;
                return false;
            }
            if (adopting != nullptr && !adopting->Reveal(adoption, static_cast<int>(stop))) {
                end = FileLoadEnd::kSuperseded;
                return false;
            }
            HandCopies(frames + begin, static_cast<int>(stop - begin));
            transmitted += read.transmitted;
            loaded.store(stop, std::memory_order_release);
            return true;
        });
    if (!finished && end == FileLoadEnd::kDone) end = FileLoadEnd::kCancelled;
    return end;
}

bool CFileFrameLoad::HandOverUnread() {
    if (adopting == nullptr || !copySinks.empty()) return false;
    if (!adopting->Reveal(adoption, records.count)) return false;
    records.file->AdviseSequential();
    unread = true;
    loaded.store(records.count, std::memory_order_release);
    return true;
}

void CFileFrameLoad::HandCopies(const _VCI_CAN_OBJ* frames, int count) {
    if (copySinks.empty()) return;
    int start = 0;
    while (start < count) {
        // A sink takes a run with one received flag; each sink gets its own
        // copy, since it may mark the frames it is handed.
        const bool sent = frames[start].SendType == kSendTypeTransmitted;
        int end = start + 1;
        while (end < count && end - start < kCopyRunFrames &&
               (frames[end].SendType == kSendTypeTransmitted) == sent)
            ++end;
        for (CDataShowBase* sink : copySinks) {
            copyRun.assign(frames + start, frames + end);
            sink->AddFrames(copyRun.data(), end - start, sent ? 0 : 1);
        }
        start = end;
    }
}

void CFileFrameLoad::End() {
    if (unread) {
        global.CountUnreadFileFrames(static_cast<std::uint64_t>(Loaded()));
    } else {
        global.CountFileFrames(static_cast<std::uint64_t>(Loaded()),
                               static_cast<std::uint64_t>(transmitted));
    }
    for (CDataShowBase* sink : sinks) sink->Redraw();
}

}  // namespace korvex
