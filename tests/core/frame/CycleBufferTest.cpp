#include "core/frame/CycleBuffer.h"

#include <gtest/gtest.h>

#include <new>
#include <thread>
#include <vector>

namespace {

std::vector<int> Contents(CCycleBuffer<int>& buffer) {
    std::vector<int> out;
    int value = 0;
    for (int i = 0; buffer.Get(i, &value); ++i) out.push_back(value);
    return out;
}

TEST(CycleBuffer, NewBufferIsEmptyAndGetCopiesNothing) {
    CCycleBuffer<int> buffer;
    int value = 42;
    EXPECT_EQ(buffer.GetCount(), 0);
    EXPECT_EQ(buffer.IsChanged(), 0);
    EXPECT_FALSE(buffer.Get(0, &value));
    EXPECT_EQ(value, 42);
}

TEST(CycleBuffer, PushAfterResetZeroAllocatesTheFirstBlock) {
    CCycleBuffer<int> buffer;
    buffer.Reset(0);
    buffer.Push(7);
    EXPECT_EQ(buffer.GetCapacity(), 1024);
    EXPECT_EQ(Contents(buffer), std::vector<int>{7});
}

TEST(CycleBuffer, ReserveOfNothingLeavesTheFirstPushToAllocate) {
    for (int n : {0, -5}) {
        CCycleBuffer<int> buffer;
        buffer.Reserve(n);
        buffer.Push(7);
        buffer.Push(8);
        EXPECT_EQ(buffer.GetCapacity(), 1024) << n;
        EXPECT_EQ(Contents(buffer), (std::vector<int>{7, 8})) << n;
    }
}

TEST(CycleBuffer, FullBufferDropsTheOldestAndWrapsAround) {
    CCycleBuffer<int> buffer;
    buffer.Reset(3);
    for (int v : {1, 2, 3, 4}) buffer.Push(v);
    EXPECT_EQ(buffer.GetCount(), 3);
    EXPECT_EQ(Contents(buffer), (std::vector<int>{2, 3, 4}));
    int value = 0;
    EXPECT_FALSE(buffer.Get(3, &value));

    // Keep going well past several wraps: always the newest three, in order.
    for (int v = 5; v <= 11; ++v) buffer.Push(v);
    EXPECT_EQ(Contents(buffer), (std::vector<int>{9, 10, 11}));
}

TEST(CycleBuffer, ReserveKeepsWrappedContentsInOrder) {
    CCycleBuffer<int> buffer;
    buffer.Reset(4);
    for (int v = 1; v <= 6; ++v) buffer.Push(v);  // array holds 5 6 3 4, head at 2
    ASSERT_EQ(Contents(buffer), (std::vector<int>{3, 4, 5, 6}));
    buffer.Reserve(6);
    EXPECT_EQ(buffer.GetCapacity(), 6);
    EXPECT_EQ(Contents(buffer), (std::vector<int>{3, 4, 5, 6}));
    buffer.Push(7);
    buffer.Push(8);
    EXPECT_EQ(Contents(buffer), (std::vector<int>{3, 4, 5, 6, 7, 8}));
    buffer.Push(9);
    EXPECT_EQ(Contents(buffer), (std::vector<int>{4, 5, 6, 7, 8, 9}));

    buffer.Reserve(2);  // never shrinks
    EXPECT_EQ(buffer.GetCapacity(), 6);
    EXPECT_EQ(buffer.GetCount(), 6);
}

TEST(CycleBuffer, GrowIfFullKeepsEveryElement) {
    CCycleBuffer<int> buffer;
    for (int v = 0; v < 1024; ++v) buffer.Push(v);
    ASSERT_EQ(buffer.GetCapacity(), 1024);
    buffer.GrowIfFull();
    EXPECT_EQ(buffer.GetCapacity(), 2048);
    buffer.Push(1024);
    const std::vector<int> contents = Contents(buffer);
    ASSERT_EQ(contents.size(), 1025u);
    for (int v = 0; v <= 1024; ++v) EXPECT_EQ(contents[static_cast<size_t>(v)], v);

    buffer.GrowIfFull();  // not full: nothing changes
    EXPECT_EQ(buffer.GetCapacity(), 2048);
}

TEST(CycleBuffer, ClearKeepsTheArrayResetFreesIt) {
    CCycleBuffer<int> buffer;
    buffer.Reset(3);
    for (int v : {1, 2, 3, 4}) buffer.Push(v);
    buffer.Clear();
    EXPECT_EQ(buffer.GetCount(), 0);
    EXPECT_EQ(buffer.GetCapacity(), 3);
    buffer.Push(5);
    EXPECT_EQ(Contents(buffer), std::vector<int>{5});

    buffer.Reset(5);
    EXPECT_EQ(buffer.GetCount(), 0);
    EXPECT_EQ(buffer.GetCapacity(), 5);
    EXPECT_EQ(buffer.IsChanged(), 1);
    for (int v = 1; v <= 5; ++v) buffer.Push(v);
    EXPECT_EQ(Contents(buffer), (std::vector<int>{1, 2, 3, 4, 5}));
}

struct FailingAllocator {
    static inline bool fail = false;
    static int* Allocate(int n) {
        if (fail) throw std::bad_alloc();
        return new int[static_cast<size_t>(n)];
    }
    static void Free(int* p) { delete[] p; }
};

TEST(CycleBuffer, FailedAllocationLeavesTheBufferAsItWasAndUnlocked) {
    CCycleBuffer<int, FailingAllocator> buffer;
    buffer.Reset(3);
    for (int v : {1, 2, 3, 4}) buffer.Push(v);

    FailingAllocator::fail = true;
    EXPECT_THROW(buffer.Reserve(10), std::bad_alloc);
    EXPECT_THROW(buffer.GrowIfFull(), std::bad_alloc);
    FailingAllocator::fail = false;

    EXPECT_EQ(buffer.GetCapacity(), 3);
    int value = 0;
    std::vector<int> contents;
    for (int i = 0; buffer.Get(i, &value); ++i) contents.push_back(value);
    EXPECT_EQ(contents, (std::vector<int>{2, 3, 4}));

    // The lock was released on the way out: another thread can still use it.
    std::thread other([&] { buffer.Push(5); });
    other.join();
    EXPECT_EQ(buffer.GetCount(), 3);
}

TEST(CycleBuffer, FailedFirstAllocationLeavesNoArray) {
    CCycleBuffer<int, FailingAllocator> buffer;
    FailingAllocator::fail = true;
    EXPECT_THROW(buffer.Push(1), std::bad_alloc);
    FailingAllocator::fail = false;
    EXPECT_EQ(buffer.GetCount(), 0);
    buffer.Push(1);
    EXPECT_EQ(buffer.GetCapacity(), 1024);
}

}  // namespace

namespace {

// Pushing a run must leave what pushing its items one by one leaves, from
// any fill and head position, also after later pushes.
TEST(CycleBuffer, PushRunEqualsPushingEachItem) {
    for (int capacity : {0, 1, 3, 5}) {
        for (int before : {0, 2, 4, 7}) {
            for (int length : {0, 1, 3, 5, 11}) {
                CCycleBuffer<int> one;
                CCycleBuffer<int> run;
                one.Reset(capacity);
                run.Reset(capacity);
                int next = 0;
                for (int i = 0; i < before; ++i, ++next) {
                    one.Push(next);
                    run.Push(next);
                }
                std::vector<int> items;
                for (int i = 0; i < length; ++i) items.push_back(next + i);
                for (int item : items) one.Push(item);
                run.PushRun(items.data(), length);
                one.Push(-1);
                run.Push(-1);
                EXPECT_EQ(Contents(run), Contents(one))
                    << capacity << " " << before << " " << length;
                EXPECT_EQ(run.GetCapacity(), one.GetCapacity());
            }
        }
    }
}

}  // namespace
