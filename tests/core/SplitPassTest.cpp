#include "core/SplitPass.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

using korvex::PassSplit;

struct BlockResult {
    std::int64_t begin = -1;
    std::vector<std::int64_t> items;
};

// Every block is worked on once, merged in order with its own slot's result,
// and the progress reaches the total: for one thread and several, blocks that
// divide the count and blocks that do not, and a count of one block.
TEST(SplitPass, BlocksAreMergedInOrderWithTheirOwnResults) {
    struct Case {
        std::int64_t count;
        std::int64_t block;
        unsigned threads;
    };
    const Case cases[] = {{0, 4, 3},    {1, 4, 3},    {100, 7, 1}, {100, 7, 2},
                          {100, 10, 3}, {5000, 3, 4}, {64, 64, 2}};
    for (const Case& c : cases) {
        PassSplit split;
        split.threads = c.threads;
        split.blockItems = c.block;
        std::int64_t lastProgress = 0;
        split.progress = [&](std::int64_t done, std::int64_t total) {
            EXPECT_GT(done, lastProgress);
            EXPECT_EQ(total, c.count);
            lastProgress = done;
        };
        std::vector<std::int64_t> merged;
        const bool done = korvex::RunSplitPass<BlockResult>(
            c.count, split,
            [](std::int64_t begin, std::int64_t end, BlockResult& out) {
                out.begin = begin;
                out.items.clear();
                for (std::int64_t i = begin; i < end; ++i) out.items.push_back(i * i);
            },
            [&](std::int64_t begin, std::int64_t end, BlockResult& in) {
                EXPECT_EQ(in.begin, begin);
                EXPECT_EQ(static_cast<std::int64_t>(in.items.size()), end - begin);
                merged.insert(merged.end(), in.items.begin(), in.items.end());
                return true;
            });
        EXPECT_TRUE(done);
        ASSERT_EQ(static_cast<std::int64_t>(merged.size()), c.count) << c.count << "/" << c.block;
        for (std::int64_t i = 0; i < c.count; ++i) ASSERT_EQ(merged[i], i * i);
        EXPECT_EQ(lastProgress, c.count);
    }
}

// A merge that refuses, a cancel and a work that throws each end the pass
// early; nothing is merged after the end and the threads are gone on return.
TEST(SplitPass, RefusedCancelledAndFailedPassesEndEarly) {
    for (unsigned threads : {1u, 3u}) {
        PassSplit split;
        split.threads = threads;
        split.blockItems = 10;
        int merges = 0;
        EXPECT_FALSE(korvex::RunOrderedBlocks(
            1000, split, 4, [](int, std::int64_t, std::int64_t) {},
            [&](int, std::int64_t begin, std::int64_t) {
                ++merges;
                return begin < 50;
            }));
        EXPECT_EQ(merges, 6) << threads;

        std::atomic<bool> cancel{false};
        split.cancel = &cancel;
        std::int64_t mergedUpTo = 0;
        EXPECT_FALSE(korvex::RunOrderedBlocks(
            1000, split, 4, [](int, std::int64_t, std::int64_t) {},
            [&](int, std::int64_t, std::int64_t end) {
                mergedUpTo = end;
                if (end == 300) cancel.store(true);
                return true;
            }));
        EXPECT_EQ(mergedUpTo, 300) << threads;
        split.cancel = nullptr;

        mergedUpTo = 0;
        EXPECT_THROW(korvex::RunOrderedBlocks(
                         1000, split, 4,
                         [](int, std::int64_t begin, std::int64_t) {
                             if (begin == 500) throw std::runtime_error("block 50");
                         },
                         [&](int, std::int64_t, std::int64_t end) {
                             mergedUpTo = end;
                             return true;
                         }),
                     std::runtime_error);
        EXPECT_LE(mergedUpTo, 500) << threads;
    }
}

// Blocks without order cover the range once, whatever the thread count.
TEST(SplitPass, UnorderedBlocksCoverTheRangeOnce) {
    std::vector<std::atomic<int>> seen(10007);
    PassSplit split;
    split.threads = 4;
    split.blockItems = 97;
    EXPECT_TRUE(korvex::RunBlocks(10007, split, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) seen[static_cast<std::size_t>(i)].fetch_add(1);
    }));
    for (const std::atomic<int>& s : seen) ASSERT_EQ(s.load(), 1);
}

}  // namespace
