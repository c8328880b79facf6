#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/device/rules/BitTiming.h"

namespace {

using namespace korvex::device;

// An independent brute force: every register value of the layout is decoded
// and kept when its rate lies strictly inside 0.5 % (bounds in 64 bits), then
// put in TSEG2, TSEG1, BRP order.
std::vector<std::uint32_t> BruteForce(const BitTimingInput& in) {
    const std::uint64_t clock = static_cast<std::uint64_t>(in.clockMHz * 1000000.0);
    const std::uint64_t low = std::uint64_t{in.desiredRate} * 995 / 1000;
    const std::uint64_t high = std::uint64_t{in.desiredRate} * 1005 / 1000;
    std::vector<std::uint32_t> out;
    for (std::uint32_t code = 0; code < (1u << 17); ++code) {
        const std::uint32_t brp = (code & 0x3FF) + 1;
        const std::uint32_t t1 = ((code >> 10) & 0xF) + 1;
        const std::uint32_t t2 = ((code >> 14) & 7) + 1;
        if (t1 < t2 || (in.tseg2AtLeastSjw && t2 < in.sjwRegister + 1)) continue;
        const std::uint64_t rate = clock / (brp * (1 + t1 + t2));
        if (rate <= low || rate >= high) continue;
        out.push_back((brp - 1) | in.sjwRegister << 14 | (t1 - 1) << 16 | (t2 - 1) << 20 |
                      (in.tripleSampling ? 1u << 23 : 0u));
    }
    std::sort(out.begin(), out.end(), [](std::uint32_t a, std::uint32_t b) {
        const auto key = [](std::uint32_t v) {
            return (v >> 20 & 7) << 14 | (v >> 16 & 0xF) << 10 | (v & 0x3FF);
        };
        return key(a) < key(b);
    });
    return out;
}

TEST(BitTiming, MatchesBruteForceAcrossClocksAndRates) {
    struct Case {
        double mhz;
        std::uint32_t rate;
        std::uint32_t sjw;
        bool rule;
        bool triple;
    };
    const Case cases[] = {
        {16.0, 500000, 0, true, false},   {36.0, 1000000, 1, false, false},
        {36.0, 250000, 2, true, true},    {120.0, 6000000, 0, true, false},
        {120.0, 5000000, 3, true, false}, {72.0, 4500000, 0, false, true},
        {133.0, 1000000, 0, true, false}, {8.0, 125000, 0, true, false},
        {24.5, 33333, 1, true, false},
    };
    for (const Case& c : cases) {
        const BitTimingInput in{c.mhz, c.rate, c.sjw, c.rule, c.triple};
        const std::vector<std::uint32_t> got = CalculateBitTimings(in);
        EXPECT_EQ(got, BruteForce(in)) << c.mhz << " MHz " << c.rate;
        EXPECT_FALSE(got.empty()) << c.mhz << " MHz " << c.rate;
    }
}

TEST(BitTiming, SixMegabitsDoesNotWrapTheBounds) {
    // 6 000 000 x 1005 leaves 32 bits; wrapped bounds would give no rows or
    // rows far from the rate.
    const BitTimingInput in{120.0, 6000000, 0, true, false};
    const std::vector<std::uint32_t> got = CalculateBitTimings(in);
    ASSERT_FALSE(got.empty());
    for (std::uint32_t v : got) {
        const std::uint32_t rate = std::stoul(BitTimingRowTexts(v, 120000000, 6000000)[3]);
        EXPECT_GT(rate, 5970000u);
        EXPECT_LT(rate, 6030000u);
    }
}

TEST(BitTiming, ClockTypedWithSixDecimalsIsWholeHertz) {
    struct Case {
        double mhz;
        std::uint32_t hz;
    };
    const Case cases[] = {
        {14.7456, 14745600}, {11.0592, 11059200}, {7.3728, 7372800},      {0.000249, 249},
        {0.000251, 251},     {133.0, 133000000},  {16.0000004, 16000000}, {0.0, 0},
        {-2.5, 0},           {1e12, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(ClockHz(c.mhz), c.hz) << c.mhz;
    // Every clock the field can hold, sampled across its range, as typed.
    for (std::uint32_t hz = 0; hz <= 133000000; hz += 7919) {
        char text[32];
        std::snprintf(text, sizeof text, "%u.%06u", hz / 1000000, hz % 1000000);
        ASSERT_EQ(ClockHz(std::strtod(text, nullptr)), hz) << text;
    }
    // 14.7456 MHz over 32 quanta is 460800 bit/s exactly.
    CBitTimingRules rules;
    rules.input = {14.7456, 460800, 0, true, false};
    rules.Calculate();
    const auto& results = rules.Results();
    const auto at = std::find(results.begin(), results.end(), 0x001C0001u);
    ASSERT_NE(at, results.end());
    const auto texts = rules.RowTexts(static_cast<std::size_t>(at - results.begin()));
    EXPECT_EQ(texts[3], "460800");
    EXPECT_EQ(texts[4], "0.00%");
}

TEST(BitTiming, DefaultsListTheExactStandardRow) {
    CBitTimingRules rules;
    rules.Calculate();
    const auto& results = rules.Results();
    const auto at = std::find(results.begin(), results.end(), 0x001C0001u);
    ASSERT_NE(at, results.end());
    const std::size_t row = static_cast<std::size_t>(at - results.begin());
    const auto texts = rules.RowTexts(row);
    EXPECT_EQ(texts[0], "0x001C0001");
    EXPECT_EQ(texts[1], "12, 1");
    EXPECT_EQ(texts[2], "87.5%");
    EXPECT_EQ(texts[3], "500000");
    EXPECT_EQ(texts[4], "0.00%");
    EXPECT_EQ(rules.RowColour(row), BitTimingRowColour::kExactStandardSegments);
    EXPECT_EQ(BitTimingRowBackground(rules.RowColour(row)), 0x00DCFFE6u);
    // The defaults never try TSEG2 below SJW = 1: the first row has TSEG2 1.
    EXPECT_EQ((results.front() >> 20) & 7, 0u);
    for (std::size_t i = 1; i < results.size(); ++i) {
        const auto key = [](std::uint32_t v) {
            return ((v >> 20) & 7) << 20 | ((v >> 16) & 0xF) << 10 | (v & 0x3FF);
        };
        EXPECT_LT(key(results[i - 1]), key(results[i]));
    }
}

TEST(BitTiming, RowColoursAndStandardIcon) {
    struct Case {
        std::uint32_t value;
        std::uint32_t clock;
        std::uint32_t rate;
        BitTimingRowColour colour;
        bool standard;
    };
    const Case cases[] = {
        {0x001C0008, 36000000, 250000, BitTimingRowColour::kExactStandardSegments, true},
        // 87.5 % with TSEG1 6, TSEG2 1 (n 8): 16 MHz / (4 x 8) = 500000.
        {0x00050003, 16000000, 500000, BitTimingRowColour::kSamplePoint875, false},
        // TSEG1 13 / TSEG2 2 and 87.5 %, but 0.4 % off: neither colour.
        {0x001C0001, 16064000, 500000, BitTimingRowColour::kNormal, false},
        {0x00060007, 36000000, 500000, BitTimingRowColour::kNormal, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BitTimingRowColourOf(c.value, c.clock, c.rate), c.colour) << std::hex << c.value;
        EXPECT_EQ(IsStandardTiming(c.value), c.standard) << std::hex << c.value;
    }
    EXPECT_EQ(BitTimingRowBackground(BitTimingRowColour::kSamplePoint875), 0x00B8FFFFu);
}

TEST(BitTiming, SjwRuleAndTripleSampling) {
    BitTimingInput in{36.0, 1000000, 1, true, false};
    for (std::uint32_t v : CalculateBitTimings(in)) EXPECT_NE((v >> 20) & 7, 0u);
    in.tseg2AtLeastSjw = false;
    const auto unruled = CalculateBitTimings(in);
    EXPECT_NE(std::find(unruled.begin(), unruled.end(), 0x00064003u), unruled.end());

    const BitTimingInput triple{16.0, 500000, 0, true, true};
    const auto withSam = CalculateBitTimings(triple);
    EXPECT_NE(std::find(withSam.begin(), withSam.end(), 0x009C0001u), withSam.end());
    for (std::uint32_t v : withSam) EXPECT_NE(v & 0x800000, 0u);
}

TEST(BitTiming, StrictBoundsAndEmptyInputs) {
    // 100.5 MHz / (40 x 25) = 100500, exactly 0.5 % above 100000; 99.5 MHz
    // gives 99500, exactly 0.5 % below. One hertz of slack lets each in.
    constexpr std::uint32_t kBrp40Tseg16And8 = 39 | 15 << 16 | 7 << 20;
    struct Case {
        double mhz;
        std::uint32_t desired;
        bool listed;
    };
    const Case cases[] = {
        {100.5, 100000, false}, {100.5, 100001, true}, {99.5, 100000, false}, {99.5, 99999, true}};
    for (const Case& c : cases) {
        const auto results = CalculateBitTimings({c.mhz, c.desired, 0, false, false});
        const bool listed =
            std::find(results.begin(), results.end(), kBrp40Tseg16And8) != results.end();
        EXPECT_EQ(listed, c.listed) << c.mhz << " MHz " << c.desired;
    }
    EXPECT_TRUE(CalculateBitTimings({16.0, 0, 0, true, false}).empty());
    EXPECT_TRUE(CalculateBitTimings({0.0, 500000, 0, true, false}).empty());
    EXPECT_TRUE(CalculateBitTimings({16.0, 500000, 4, true, false}).empty());
}

TEST(BitTiming, SelectionIsARegisterValueAndSurvivesRecalculation) {
    CBitTimingRules rules;
    rules.Calculate();
    EXPECT_EQ(rules.Selected(), kNoTimingSelected);
    rules.ClickRow(rules.Results().size());  // past the end: ignored
    EXPECT_EQ(rules.Selected(), kNoTimingSelected);
    rules.ClickRow(2);
    const std::uint32_t picked = rules.Results()[2];
    rules.input.desiredRate = 250000;
    rules.Calculate();
    EXPECT_EQ(rules.Selected(), picked);
}

}  // namespace
