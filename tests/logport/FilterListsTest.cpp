#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "logport/FilterLists.h"
#include "logport/PacketCodec.h"

namespace logport {
namespace {

FilterRange Std(std::uint32_t start, std::uint32_t end) {
    return {0, start, end};
}
FilterRange Ext(std::uint32_t start, std::uint32_t end) {
    return {1, start, end};
}

std::uint32_t Word(const FilterInfo& info, std::uint32_t offset) {
    return ReadU32(info.bTable + offset);
}

TEST(FilterLists, ExplicitIdentifiersAreSortedWithoutDuplicates) {
    CFilterLists lists;
    EXPECT_TRUE(lists.Add(0, Std(0x100, 0x100)));
    EXPECT_TRUE(lists.Add(0, Std(0x050, 0x050)));
    EXPECT_TRUE(lists.Add(0, Std(0x100, 0x100)));
    EXPECT_EQ(lists.StdExplicit(0), (std::vector<std::uint32_t>{0x050, 0x100}));
    EXPECT_EQ(lists.BytesUsed(), 4u);
    EXPECT_TRUE(lists.StdExplicit(1).empty());
}

TEST(FilterLists, GroupsMergeWhenTheyTouchOrOverlap) {
    CFilterLists lists;
    ASSERT_TRUE(lists.Add(0, Std(0x10, 0x1F)));
    ASSERT_TRUE(lists.Add(0, Std(0x20, 0x2F)));
    EXPECT_EQ(lists.StdGroups(0), (std::vector<IdRange>{{0x10, 0x2F}}));
    ASSERT_TRUE(lists.Add(0, Std(0x30, 0x3F)));
    EXPECT_EQ(lists.StdGroups(0), (std::vector<IdRange>{{0x10, 0x3F}}));
    ASSERT_TRUE(lists.Add(0, Std(0x05, 0x35)));
    EXPECT_EQ(lists.StdGroups(0), (std::vector<IdRange>{{0x05, 0x3F}}));
    EXPECT_EQ(lists.BytesUsed(), 4u);
}

TEST(FilterLists, GroupInsertionKeepsOrderAndSwallowsCoveredRanges) {
    CFilterLists lists;
    ASSERT_TRUE(lists.Add(1, Ext(100, 200)));
    ASSERT_TRUE(lists.Add(1, Ext(400, 500)));
    ASSERT_TRUE(lists.Add(1, Ext(700, 800)));
    ASSERT_TRUE(lists.Add(1, Ext(10, 20)));
    EXPECT_EQ(lists.ExtGroups(1),
              (std::vector<IdRange>{{10, 20}, {100, 200}, {400, 500}, {700, 800}}));
    EXPECT_EQ(lists.BytesUsed(), 32u);
    // Starts below the second range and reaches into the fourth.
    ASSERT_TRUE(lists.Add(1, Ext(50, 750)));
    EXPECT_EQ(lists.ExtGroups(1), (std::vector<IdRange>{{10, 20}, {50, 800}}));
    EXPECT_EQ(lists.BytesUsed(), 16u);
    // A gap of one identifier keeps ranges apart; no gap joins them.
    ASSERT_TRUE(lists.Add(1, Ext(22, 30)));
    EXPECT_EQ(lists.ExtGroups(1).size(), 3u);
    ASSERT_TRUE(lists.Add(1, Ext(31, 49)));
    EXPECT_EQ(lists.ExtGroups(1), (std::vector<IdRange>{{10, 20}, {22, 800}}));
    ASSERT_TRUE(lists.Add(1, Ext(0, 5)));
    ASSERT_TRUE(lists.Add(1, Ext(6, 9)));
    EXPECT_EQ(lists.ExtGroups(1), (std::vector<IdRange>{{0, 20}, {22, 800}}));
    EXPECT_TRUE(lists.ExtGroups(0).empty());
}

TEST(FilterLists, RangesAtTheTopOfTheIdentifierSpaceDoNotWrap) {
    CFilterLists lists;
    ASSERT_TRUE(lists.Add(0, Ext(0xFFFFFF00, 0xFFFFFFFF)));
    ASSERT_TRUE(lists.Add(0, Ext(0xFFFFFF80, 0xFFFFFFF0)));
    EXPECT_EQ(lists.ExtGroups(0), (std::vector<IdRange>{{0xFFFFFF00, 0xFFFFFFFF}}));
    ASSERT_TRUE(lists.Add(0, Ext(1, 0xFFFFFEFF)));
    EXPECT_EQ(lists.ExtGroups(0), (std::vector<IdRange>{{1, 0xFFFFFFFF}}));
    EXPECT_EQ(lists.BytesUsed(), 8u);
}

TEST(FilterLists, RefusesBadChannelAndReversedRangeWithoutChange) {
    CFilterLists lists;
    EXPECT_FALSE(lists.Add(2, Std(1, 1)));
    EXPECT_FALSE(lists.Add(0, Std(5, 4)));
    EXPECT_EQ(lists.BytesUsed(), 0u);
    EXPECT_TRUE(lists.StdExplicit(0).empty());
    EXPECT_TRUE(lists.StdGroups(0).empty());
}

TEST(FilterLists, BudgetIs2048BytesTestedWithTheFullEntrySize) {
    CFilterLists lists;
    // 511 extended explicit identifiers (2044 bytes) plus one standard (2).
    for (std::uint32_t id = 0; id < 511; ++id) ASSERT_TRUE(lists.Add(0, Ext(id, id)));
    ASSERT_TRUE(lists.Add(0, Std(7, 7)));
    ASSERT_EQ(lists.BytesUsed(), 2046u);
    EXPECT_FALSE(lists.Add(1, Ext(0x1000, 0x1000)));
    EXPECT_EQ(lists.BytesUsed(), 2046u);
    EXPECT_TRUE(lists.Add(0, Ext(5, 5))) << "a duplicate needs no room";
    // A standard group needs 4 bytes.
    EXPECT_FALSE(lists.Add(1, Std(0x10, 0x20)));
    EXPECT_TRUE(lists.StdGroups(1).empty());
    EXPECT_TRUE(lists.Add(1, Std(8, 8)));
    EXPECT_EQ(lists.BytesUsed(), 2048u);
    EXPECT_FALSE(lists.Add(1, Std(9, 9)));

    lists.Clear();
    EXPECT_EQ(lists.BytesUsed(), 0u);
    EXPECT_TRUE(lists.ExtExplicit(0).empty());
    EXPECT_TRUE(lists.StdExplicit(0).empty());
    EXPECT_TRUE(lists.StdExplicit(1).empty());
}

TEST(FilterLists, MergingGroupAtFullBudgetStillNeedsRoomForTheEntry) {
    CFilterLists lists;
    ASSERT_TRUE(lists.Add(0, Ext(0x100, 0x200)));
    for (std::uint32_t id = 0; id < 510; ++id) ASSERT_TRUE(lists.Add(1, Ext(id, id)));
    ASSERT_EQ(lists.BytesUsed(), 2048u);
    EXPECT_FALSE(lists.Add(0, Ext(0x150, 0x300)));
    EXPECT_EQ(lists.ExtGroups(0), (std::vector<IdRange>{{0x100, 0x200}}));
}

TEST(FilterLists, TableOfTwoStandardIdentifiers) {
    CFilterLists lists;
    ASSERT_TRUE(lists.Add(0, Std(0x456, 0x456)));
    ASSERT_TRUE(lists.Add(0, Std(0x123, 0x123)));
    const FilterInfo info = lists.BuildTable();
    EXPECT_EQ(info.bEnable, 1);
    EXPECT_EQ(info.bTable[0], 0x56);
    EXPECT_EQ(info.bTable[1], 0x04);
    EXPECT_EQ(info.bTable[2], 0x23);
    EXPECT_EQ(info.bTable[3], 0x01);
    EXPECT_EQ(std::uint32_t{info.dwStdExplicitStart}, 0u);
    EXPECT_EQ(std::uint32_t{info.dwStdGroupStart}, 4u);
    EXPECT_EQ(std::uint32_t{info.dwExtExplicitStart}, 4u);
    EXPECT_EQ(std::uint32_t{info.dwExtGroupStart}, 4u);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 4u);
    for (std::size_t i = 4; i < sizeof info.bTable; ++i) ASSERT_EQ(info.bTable[i], 0) << i;
}

TEST(FilterLists, OddStandardSectionEndsWithPadding) {
    CFilterLists lists;
    for (std::uint32_t id : {3u, 1u, 2u}) ASSERT_TRUE(lists.Add(1, Std(id, id)));
    EXPECT_EQ(lists.BytesUsed(), 6u);
    const FilterInfo info = lists.BuildTable();
    EXPECT_EQ(Word(info, 0), 0x20012002u);
    EXPECT_EQ(Word(info, 4), 0x2003FFFFu);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 8u);
    EXPECT_EQ(lists.BytesUsed(), 8u) << "the total becomes the end of the table";
}

TEST(FilterLists, TableSectionsInOrderWithChannelBits) {
    CFilterLists lists;
    ASSERT_TRUE(lists.Add(1, Std(0x7FF, 0x7FF)));
    ASSERT_TRUE(lists.Add(0, Std(0x001, 0x001)));
    ASSERT_TRUE(lists.Add(1, Std(0x100, 0x1FF)));
    ASSERT_TRUE(lists.Add(0, Std(0x300, 0x3FF)));
    ASSERT_TRUE(lists.Add(1, Ext(0x12345, 0x12345)));
    ASSERT_TRUE(lists.Add(0, Ext(0x1FFFFFFF, 0x1FFFFFFF)));
    ASSERT_TRUE(lists.Add(1, Ext(0x1000, 0x2000)));
    const FilterInfo info = lists.BuildTable();
    // Channel 0 first in every section; the pair spans the channels.
    EXPECT_EQ(Word(info, 0), 0x000127FFu);
    EXPECT_EQ(std::uint32_t{info.dwStdGroupStart}, 4u);
    EXPECT_EQ(Word(info, 4), 0x030003FFu);
    EXPECT_EQ(Word(info, 8), 0x210021FFu);
    EXPECT_EQ(std::uint32_t{info.dwExtExplicitStart}, 12u);
    EXPECT_EQ(Word(info, 12), 0x1FFFFFFFu);
    EXPECT_EQ(Word(info, 16), 0x12345u | 1u << 29);
    EXPECT_EQ(std::uint32_t{info.dwExtGroupStart}, 20u);
    EXPECT_EQ(Word(info, 20), 0x1000u | 1u << 29);
    EXPECT_EQ(Word(info, 24), 0x2000u | 1u << 29);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 28u);
}

TEST(FilterLists, FullTableFitsExactly) {
    CFilterLists lists;
    for (std::uint32_t id = 0; id < 1023; ++id) ASSERT_TRUE(lists.Add(id & 1, Std(id, id)));
    ASSERT_EQ(lists.BytesUsed(), 2046u);
    const FilterInfo info = lists.BuildTable();
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 2048u);
    EXPECT_EQ(Word(info, 2044) & 0xFFFF, 0xFFFFu);
    EXPECT_FALSE(lists.Add(0, Std(2000, 2000))) << "padding now counts";
}

// The lists as a plain walk from the front of each list: insert before the
// first entry that lies above, merge what the insertion touches. Identifiers
// stay far below 0xFFFFFFFF, so r.end + 1 cannot wrap here.
class CWalkModel {
  public:
    bool Add(std::uint32_t channel, const FilterRange& r) {
        if (channel > 1 || r.dwStart > r.dwEnd) return false;
        const bool ext = r.dwExtended != 0;
        if (r.dwStart == r.dwEnd) {
            std::vector<std::uint32_t>& list = (ext ? extExplicit : stdExplicit)[channel];
            const std::uint32_t size = ext ? 4 : 2;
            std::size_t i = 0;
            for (; i < list.size(); ++i) {
                if (list[i] == r.dwStart) return true;
                if (list[i] > r.dwStart) break;
            }
            if (total + size > 2048) return false;
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), r.dwStart);
            total += size;
            return true;
        }
        std::vector<IdRange>& list = (ext ? extGroups : stdGroups)[channel];
        const std::uint32_t size = ext ? 8 : 4;
        if (total + size > 2048) return false;
        total += size;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const IdRange at = list[i];
            if (at.dwStart > 0 && r.dwStart < at.dwStart - 1) {
                Insert(list, i, {r.dwStart, r.dwEnd}, size);
                return true;
            }
            if (r.dwStart <= at.dwEnd + 1) {
                Insert(list, i, {std::min(r.dwStart, at.dwStart), std::max(r.dwEnd, at.dwEnd)},
                       size);
                return true;
            }
        }
        list.push_back({r.dwStart, r.dwEnd});
        return true;
    }

    std::array<std::vector<std::uint32_t>, 2> stdExplicit, extExplicit;
    std::array<std::vector<IdRange>, 2> stdGroups, extGroups;
    std::uint32_t total = 0;

  private:
    void Insert(std::vector<IdRange>& list, std::size_t i, IdRange added, std::uint32_t size) {
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), added);
        IdRange& merged = list[i];
        while (i + 1 < list.size() &&
               !(list[i + 1].dwStart > 0 && merged.dwEnd < list[i + 1].dwStart - 1)) {
            merged.dwEnd = std::max(merged.dwEnd, list[i + 1].dwEnd);
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            total -= size;
        }
    }
};

TEST(FilterLists, RandomAdditionsUpToAFullTableAgreeWithAPlainWalk) {
    std::mt19937 rng(20261207);
    auto pick = [&rng](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
    for (int round = 0; round < 20; ++round) {
        CFilterLists lists;
        CWalkModel model;
        const std::uint32_t spread = round % 2 == 0 ? 300 : 5000;
        for (int step = 0; step < 3000; ++step) {
            const std::uint32_t channel = pick(20) == 0 ? 2 : pick(2);
            const std::uint32_t start = pick(spread);
            std::uint32_t end = start;
            if (pick(5) < 3) end += pick(pick(2) == 0 ? 4 : 40);
            const FilterRange r = pick(30) == 0 ? FilterRange{pick(2), end + 1, start}
                                                : FilterRange{pick(2), start, end};
            ASSERT_EQ(lists.Add(channel, r), model.Add(channel, r))
                << round << "/" << step << ": " << r.dwExtended << " " << r.dwStart << "-"
                << r.dwEnd;
            ASSERT_EQ(lists.BytesUsed(), model.total) << round << "/" << step;
        }
        EXPECT_EQ(model.total, 2048u) << "each round ends with a full table";
        for (std::uint32_t ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(lists.StdExplicit(ch), model.stdExplicit[ch]);
            EXPECT_EQ(lists.StdGroups(ch), model.stdGroups[ch]);
            EXPECT_EQ(lists.ExtExplicit(ch), model.extExplicit[ch]);
            EXPECT_EQ(lists.ExtGroups(ch), model.extGroups[ch]);
        }
    }
}

}  // namespace
}  // namespace logport
