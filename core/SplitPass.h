#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvex {

// How a pass over many items is split over the cores.
struct PassSplit {
    // Threads that work on blocks; 0: one per core (the environment variable
    // KORVEX_PASS_THREADS, when set, overrides it).
    unsigned threads = 0;
    // Items per block: each block is worked on by one thread and merged whole.
    // Block b holds the items b·blockItems to (b+1)·blockItems−1.
    std::int64_t blockItems = std::int64_t{1} << 16;
    // Called on the calling thread after each merged block with the items
    // merged so far and the total.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    // A pass that sees it set stops before its next block.
    const std::atomic<bool>* cancel = nullptr;
};

// The number of threads a pass with `split` uses for `items` items.
unsigned PassThreads(const PassSplit& split, std::int64_t items);

// Runs work(slot, begin, end) for the blocks [begin, end) of [0, count) on
// all cores, the calling thread among them, and merge(slot, begin, end) on the
// calling thread for each block in order, once its work is done. A work may
// thus run on the calling thread. `slotCount` blocks may be worked on ahead of
// the merge; a block's slot (block number modulo slotCount) is its own until its
// merge returns, so per-slot results are reused from block to block. A merge
// that returns false, or a cancel, ends the pass: it returns false then. An
// exception thrown by a work ends the pass and is thrown again here.
bool RunOrderedBlocks(
    std::int64_t count, const PassSplit& split, int slotCount,
    const std::function<void(int slot, std::int64_t begin, std::int64_t end)>& work,
    const std::function<bool(int slot, std::int64_t begin, std::int64_t end)>& merge);

// Bytes between data that threads write apart: two cache lines, since the
// processor fetches lines in pairs.
inline constexpr std::size_t kPassCacheLine = 128;

// The same with one Result per slot: work fills it for its block, merge takes
// it in block order. Results keep what they hold between blocks, so a work
// that clears and refills one allocates only while it grows.
template <typename Result, typename Work, typename Merge>
bool RunSplitPass(std::int64_t count, const PassSplit& split, Work&& work, Merge&& merge) {
    // Each result on cache lines of its own: threads write their results
    // (a string's length, its short text) at every item, and results that
    // shared a line would bounce it between the cores.
    struct alignas(kPassCacheLine) Slot {
        Result result{};
    };
    const int slotCount = static_cast<int>(PassThreads(split, count)) * 4;
    std::vector<Slot> results(static_cast<std::size_t>(slotCount));
    return RunOrderedBlocks(
        count, split, slotCount,
        [&](int slot, std::int64_t begin, std::int64_t end) {
            work(begin, end, results[static_cast<std::size_t>(slot)].result);
        },
        [&](int slot, std::int64_t begin, std::int64_t end) {
            return merge(begin, end, results[static_cast<std::size_t>(slot)].result);
        });
}

// Runs work(begin, end) for the blocks of [0, count) on all cores, in no
// particular order; for passes whose blocks write apart from one another.
bool RunBlocks(std::int64_t count, const PassSplit& split,
               const std::function<void(std::int64_t begin, std::int64_t end)>& work);

}  // namespace korvex
