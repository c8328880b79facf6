#include "core/frame/CycleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
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

namespace {

// The newest `capacity` of the pushed items, as a ring buffer must keep them.
std::vector<int> Newest(const std::vector<int>& pushed, int capacity) {
    const std::size_t keep = std::min(pushed.size(), static_cast<std::size_t>(capacity));
    return {pushed.end() - static_cast<std::ptrdiff_t>(keep), pushed.end()};
}

std::vector<int> ViewContents(const CCycleBuffer<int>::CView& view) {
    std::vector<int> out;
    view.ForEachRun(0, view.Count(), [&](std::int64_t first, const int* items, int n) {
        EXPECT_EQ(first, static_cast<std::int64_t>(out.size()));
        out.insert(out.end(), items, items + n);
    });
    for (std::int64_t i = 0; i < view.Count(); ++i)
        EXPECT_EQ(view[i], out[static_cast<std::size_t>(i)]) << i;
    return out;
}

// Capacities around the 65536-element pieces, filled by runs and single
// pushes until they wrap several times: Get, views and runs agree with the
// newest items at every stage.
TEST(CycleBuffer, PiecesOfStorageKeepRingOrderAcrossTheirBoundaries) {
    for (int capacity : {65535, 65536, 65537, 200001}) {
        CCycleBuffer<int> buffer;
        buffer.Reset(capacity);
        std::vector<int> pushed;
        std::vector<int> run;
        int next = 0;
        for (int round = 0; round < 7; ++round) {
            run.clear();
            const int length = round % 2 == 0 ? capacity / 3 + 17 : 1;
            for (int i = 0; i < length; ++i) run.push_back(next++);
            if (length == 1) {
                buffer.Push(run[0]);
            } else {
                buffer.PushRun(run.data(), length);
            }
            pushed.insert(pushed.end(), run.begin(), run.end());
            ASSERT_EQ(Contents(buffer), Newest(pushed, capacity)) << capacity << " " << round;
            ASSERT_EQ(ViewContents(buffer.View()), Newest(pushed, capacity)) << capacity;
        }
    }
}

// Growing a buffer whose elements do not wrap keeps them where they are,
// also when the last piece was cut short by the old capacity.
TEST(CycleBuffer, GrowingWithoutWrapKeepsEveryElement) {
    CCycleBuffer<int> buffer;
    buffer.Reset(70000);
    std::vector<int> pushed;
    for (int v = 0; v < 70000; ++v) pushed.push_back(v);
    buffer.PushRun(pushed.data(), 70000);
    const CCycleBuffer<int>::CView before = buffer.View();
    buffer.Reserve(140000);
    for (int v = 70000; v < 140000; ++v) {
        buffer.Push(v);
        pushed.push_back(v);
    }
    EXPECT_EQ(buffer.GetCapacity(), 140000);
    EXPECT_EQ(Contents(buffer), pushed);
    EXPECT_EQ(ViewContents(before), std::vector<int>(pushed.begin(), pushed.begin() + 70000));
}

// What a view shows stays as it was while the buffer goes on: overwritten
// when full, cleared and refilled, reset.
TEST(CycleBuffer, ViewKeepsWhatItShowedWhileTheBufferChanges) {
    struct Change {
        const char* name;
        void (*apply)(CCycleBuffer<int>&);
    };
    const Change changes[] = {
        {"overwrite when full",
         [](CCycleBuffer<int>& b) {
             for (int v = 100; v < 103; ++v) b.Push(v);
         }},
        {"clear and refill",
         [](CCycleBuffer<int>& b) {
             b.Clear();
             b.Push(-1);
         }},
        {"run over the top",
         [](CCycleBuffer<int>& b) {
             const int run[] = {7, 8, 9, 10, 11};
             b.PushRun(run, 5);
         }},
        {"reset",
         [](CCycleBuffer<int>& b) {
             b.Reset(2);
             b.Push(-2);
         }},
        {"grow",
         [](CCycleBuffer<int>& b) {
             b.Reserve(9);
             b.Push(-3);
         }},
    };
    for (const Change& change : changes) {
        CCycleBuffer<int> buffer;
        buffer.Reset(4);
        for (int v = 1; v <= 6; ++v) buffer.Push(v);
        const CCycleBuffer<int>::CView view = buffer.View();
        change.apply(buffer);
        EXPECT_EQ(ViewContents(view), (std::vector<int>{3, 4, 5, 6})) << change.name;
    }
}

// Adopted records become the contents without a copy and are never written:
// every change goes to copies of the pieces it touches. The records' keeper
// lives as long as a view or the buffer shows them.
TEST(CycleBuffer, AdoptedRecordsAreShownAndNeverWritten) {
    constexpr int kRecords = 150000;
    auto records = std::make_shared<std::vector<int>>(kRecords);
    for (int i = 0; i < kRecords; ++i) (*records)[static_cast<std::size_t>(i)] = i * 3;
    const std::vector<int> original = *records;
    std::weak_ptr<std::vector<int>> alive = records;

    CCycleBuffer<int> buffer;
    const std::uint64_t token = buffer.Adopt(records->data(), kRecords, 10, records);
    records.reset();
    EXPECT_EQ(buffer.GetCapacity(), kRecords);
    EXPECT_EQ(buffer.GetCount(), 10);
    EXPECT_TRUE(buffer.Reveal(token, 100000));
    EXPECT_TRUE(buffer.Reveal(token, 5));  // never shows fewer
    EXPECT_EQ(buffer.GetCount(), 100000);
    EXPECT_TRUE(buffer.Reveal(token, kRecords + 5));
    EXPECT_EQ(Contents(buffer), original);

    const CCycleBuffer<int>::CView view = buffer.View();
    buffer.Push(-1);  // full: drops the oldest, writes over record 0's place
    EXPECT_FALSE(buffer.Reveal(token, kRecords));
    const int run[] = {-2, -3};
    buffer.PushRun(run, 2);
    buffer.Reserve(kRecords + 70000);
    buffer.Clear();
    buffer.Push(-4);
    ASSERT_FALSE(alive.expired());
    EXPECT_EQ(*alive.lock(), original);
    EXPECT_EQ(ViewContents(view), original);

    buffer.Reset(0);
    EXPECT_FALSE(alive.expired());  // the view still shows them
}

TEST(CycleBuffer, AdoptedRecordsAreFreedWithTheirLastHolder) {
    auto records = std::make_shared<std::vector<int>>(3, 5);
    std::weak_ptr<std::vector<int>> alive = records;
    CCycleBuffer<int> buffer;
    buffer.Adopt(records->data(), 3, 3, records);
    records.reset();
    buffer.Reset(1);
    EXPECT_TRUE(alive.expired());
}

}  // namespace
