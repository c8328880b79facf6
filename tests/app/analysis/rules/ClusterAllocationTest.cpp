// A classification takes no memory per frame or per group beyond its arrays
// and tables: the count of allocations stays the same, give or take the
// doublings of a few arrays, whether it groups thirty thousand frames or
// ten times as many, most of them groups of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/analysis/rules/ClusterResult.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// The replacements count the allocations and hand the memory to malloc.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace korvex {
namespace {

// The identifier column's text, the one column classified here.
void CellText(int, long long, const _VCI_CAN_OBJ& frame, std::string& text) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", frame.ID);
    text = buffer;
}

long AllocationsToClassify(int frames) {
    std::vector<_VCI_CAN_OBJ> records(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        _VCI_CAN_OBJ& f = records[static_cast<std::size_t>(i)];
        f.ID = static_cast<std::uint32_t>(i % (frames - 100));  // a hundred groups of two
        f.DataLen = 8;
        f.Data[0] = static_cast<std::uint8_t>(i);
    }
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(frames);
    store.PushRun(records.data(), frames);
    PassSplit split;
    split.threads = 2;
    split.blockItems = 4096;
    CClusterResult result;
    const long before = allocations.load();
    result.Run(store, {3}, CellText, split);
    const long used = allocations.load() - before;
    EXPECT_EQ(result.RowCount(), static_cast<std::size_t>(frames - 100));
    return used;
}

TEST(ClusterAllocation, AllocationsDoNotGrowWithFramesOrGroups) {
    const long small = AllocationsToClassify(30000);
    const long large = AllocationsToClassify(300000);
    EXPECT_LE(large, small + 6) << small;
    EXPECT_LT(small, 200);
}

}  // namespace
}  // namespace korvex
