#include "core/frame/TimeText.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/FrameFactory.h"

namespace {

using korvex::FormatClockTime;
using korvex::FormatRelativeTime;
using korvex::test::MakeFrame;

OrigTimeEntry Entry(int h, int m, int s, std::uint32_t stamp) {
    OrigTimeEntry e{};
    e.hour = static_cast<std::uint8_t>(h);
    e.minute = static_cast<std::uint8_t>(m);
    e.second = static_cast<std::uint8_t>(s);
    e.timeStamp = stamp;
    return e;
}

TEST(TimeText, RelativeTime) {
    struct Case {
        std::uint8_t flag;
        std::uint32_t stamp;
        const char* text;
    };
    const Case cases[] = {
        {1, 36000000, "01:00:00.000.0"},
        {1, 1234567, "00:02:03.456.7"},
        {1, 0, "00:00:00.000.0"},
        {1, 900000000, "25:00:00.000.0"},     // hours are not wrapped
        {1, 0xFFFFFFFFu, "119:18:16.729.5"},  // the largest stamp
        {0, 1234567, ""},
        {2, 1234567, ""},
    };
    std::string text = "stale";
    for (const Case& c : cases) {
        _VCI_CAN_OBJ f = MakeFrame(1, c.stamp);
        f.TimeFlag = c.flag;
        FormatRelativeTime(f, text);
        EXPECT_EQ(text, c.text) << c.stamp;
    }
}

TEST(TimeText, ClockTimeWrapsAtMidnight) {
    const std::vector<OrigTimeEntry> list{Entry(23, 59, 59, 500000)};
    std::string text;
    FormatClockTime(MakeFrame(1, 500000), 0, list, text);
    EXPECT_EQ(text, "23:59:59.000.0");
    FormatClockTime(MakeFrame(1, 510000), 0, list, text);
    EXPECT_EQ(text, "00:00:00.000.0");
    FormatClockTime(MakeFrame(1, 510000 + 12345), 0, list, text);
    EXPECT_EQ(text, "00:00:01.234.5");
}

TEST(TimeText, ClockTimeBeforeTheReferenceWrapsLikeUnsignedArithmetic) {
    const std::vector<OrigTimeEntry> list{Entry(0, 0, 0, 1000)};
    std::string text;
    // 0 - 1000 wraps to 4294966296 units: 119 h 18 min 16.629.6 s, shown mod 24 h.
    FormatClockTime(MakeFrame(1, 0), 0, list, text);
    EXPECT_EQ(text, "23:18:16.629.6");
}

TEST(TimeText, ClockTimeWithoutUsableReferenceShowsTheBareStamp) {
    const std::vector<OrigTimeEntry> list{Entry(10, 0, 0, 0), Entry(12, 30, 0, 0)};
    std::string text;
    FormatClockTime(MakeFrame(1, 36000000 * 25u + 10), 0x80, list, text);  // signed: -128
    EXPECT_EQ(text, "01:00:00.001.0");
    FormatClockTime(MakeFrame(1, 10), 2, list, text);  // past the end of the list
    EXPECT_EQ(text, "00:00:00.001.0");
    FormatClockTime(MakeFrame(1, 10), 1, list, text);
    EXPECT_EQ(text, "12:30:00.001.0");
    FormatClockTime(MakeFrame(1, 36000000 * 30u), 0, {}, text);
    EXPECT_EQ(text, "06:00:00.000.0");
}

TEST(TimeText, OrigTimeEntryFromClockRecord) {
    _VCI_CAN_OBJ clock = MakeFrame(0, 0x01020304, 0, korvex::kEventClockRecord);
    const std::uint8_t data[8] = {20, 26, 12, 7, 22, 11, 3, 0};
    std::copy(std::begin(data), std::end(data), clock.Data);
    clock.Reserved[2] = 4;
    const OrigTimeEntry e = korvex::MakeOrigTimeEntry(clock);
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(&e);
    const unsigned char expected[12] = {20, 26, 12, 7, 22, 11, 3, 0x04, 0x03, 0x02, 0x01, 4};
    EXPECT_TRUE(std::equal(raw, raw + 12, expected));
}

}  // namespace

namespace {

// The texts are written by hand for speed; they are what "%02d:%02d:%02d.%03d.%01d"
// makes of the same numbers, for stamps all over the 32-bit range.
TEST(TimeText, RelativeTimeIsWhatPrintfWrites) {
    std::uint32_t t = 12345;
    std::string text;
    char expected[48];
    for (int i = 0; i < 200000; ++i) {
        t = t * 1664525u + 1013904223u;
        _VCI_CAN_OBJ f = korvex::test::MakeFrame(1, t);
        f.TimeFlag = 1;
        FormatRelativeTime(f, text);
        std::snprintf(expected, sizeof expected, "%02d:%02d:%02d.%03d.%01d",
                      static_cast<int>(t / 36000000), static_cast<int>(t % 36000000 / 600000),
                      static_cast<int>(t % 600000 / 10000), static_cast<int>(t % 10000 / 10),
                      static_cast<int>(t % 10));
        ASSERT_EQ(text, expected) << t;
    }
}

}  // namespace
