#include "core/PageVector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

namespace {

// Arrays past a huge page come from mappings of their own: they keep their
// elements through growth, shrinking and moves, and give their pages back.
TEST(PageVector, LargeArraysKeepTheirElements) {
    constexpr std::size_t kCount = (std::size_t{3} << 20) / sizeof(std::uint32_t) + 17;
    korvex::PageVector<std::uint32_t> numbers(kCount);
    std::iota(numbers.begin(), numbers.end(), 0u);
    numbers.resize(kCount * 2, 7u);
    EXPECT_EQ(numbers[kCount - 1], kCount - 1);
    EXPECT_EQ(numbers[kCount * 2 - 1], 7u);
    numbers.resize(1000);
    numbers.shrink_to_fit();
    EXPECT_EQ(numbers.capacity(), 1000u);
    const korvex::PageVector<std::uint32_t> moved = std::move(numbers);
    ASSERT_EQ(moved.size(), 1000u);
    for (std::uint32_t i = 0; i < 1000; ++i) ASSERT_EQ(moved[i], i);
    korvex::PageVector<std::uint64_t> zeros(kCount, 0);
    EXPECT_EQ(std::accumulate(zeros.begin(), zeros.end(), std::uint64_t{0}), 0u);
}

}  // namespace
