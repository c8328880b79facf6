#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "core/frame/CycleBuffer.h"
#include "tests/support/FrameFactory.h"

namespace {

using korvex::test::FrameFromCounter;
using korvex::test::IsFrameFromCounter;

// One thread pushes frames built from a counter while another reads them with
// Get. Every frame read must be whole, and the frames read one after another
// must never go back in time. The worker only reports; this thread checks.
TEST(CycleBufferConcurrency, ReaderNeverSeesATornOrOutOfOrderFrame) {
    constexpr std::uint32_t kFrames = 1'000'000;
    CCycleBuffer<_VCI_CAN_OBJ> buffer;
    buffer.Reset(4096);
    std::atomic<bool> done{false};

    std::uint64_t reads = 0;
    std::uint64_t torn = 0;
    std::uint64_t backwards = 0;
    std::thread reader([&] {
        std::uint32_t last = 0;
        bool any = false;
        _VCI_CAN_OBJ f{};
        while (!done.load(std::memory_order_acquire)) {
            const int count = buffer.GetCount();
            // The newest frame: its counter never decreases between reads.
            if (count > 0 && buffer.Get(count - 1, &f)) {
                ++reads;
                if (!IsFrameFromCounter(f)) ++torn;
                if (any && f.ID < last) ++backwards;
                last = f.ID;
                any = true;
            }
        }
    });

    for (std::uint32_t n = 1; n <= kFrames; ++n) buffer.Push(FrameFromCounter(n));
    done.store(true, std::memory_order_release);
    reader.join();

    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(backwards, 0u);
    EXPECT_GT(reads, 0u);

    // What is left is the newest 4096 frames, whole and in order.
    ASSERT_EQ(buffer.GetCount(), 4096);
    _VCI_CAN_OBJ f{};
    for (int i = 0; i < 4096; ++i) {
        ASSERT_TRUE(buffer.Get(i, &f));
        ASSERT_EQ(f.ID, kFrames - 4095 + static_cast<std::uint32_t>(i));
        ASSERT_TRUE(IsFrameFromCounter(f));
    }
}

// A reader walking the buffer oldest to newest while it is filled without
// drops (as the bus analysis does with GrowIfFull) sees consecutive counters.
TEST(CycleBufferConcurrency, GrowingBufferReadInOrderWhileFilled) {
    constexpr std::uint32_t kFrames = 200'000;
    CCycleBuffer<_VCI_CAN_OBJ> buffer;
    std::atomic<bool> done{false};
    std::uint64_t gaps = 0;
    std::uint64_t torn = 0;
    int readUpTo = 0;

    std::thread reader([&] {
        _VCI_CAN_OBJ f{};
        while (true) {
            const bool finished = done.load(std::memory_order_acquire);
            while (buffer.Get(readUpTo, &f)) {
                if (!IsFrameFromCounter(f)) ++torn;
                if (f.ID != static_cast<std::uint32_t>(readUpTo) + 1) ++gaps;
                ++readUpTo;
            }
            if (finished) break;
        }
    });

    for (std::uint32_t n = 1; n <= kFrames; ++n) {
        buffer.GrowIfFull();
        buffer.Push(FrameFromCounter(n));
    }
    done.store(true, std::memory_order_release);
    reader.join();

    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(gaps, 0u);
    EXPECT_EQ(readUpTo, static_cast<int>(kFrames));
}

}  // namespace
