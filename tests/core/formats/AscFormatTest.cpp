#include <gtest/gtest.h>

#include <string>

#include "core/formats/AscFormat.h"
#include "core/formats/SpanBuilder.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/EdgeFrameCorpus.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadStatus;
using korvex::formats::Ticks;

korvex::formats::ReadOptions Utc() {
    korvex::formats::ReadOptions o;
    o.utc = true;
    return o;
}

// A log as a measurement tool writes it, with everything our own writer
// leaves out.
const char kToolLog[] =
    "date Thu Sep 6 01:40:15.817 pm 2018\r\n"
    "base hex  timestamps absolute\r\n"
    "internal events logged\r\n"
    "// version 10.0.1\r\n"
    "Begin Triggerblock Thu Sep 6 01:40:15.817 pm 2018\r\n"
    "   0.000000 Start of measurement\r\n"
    "   0.001234 CAN 1 Status:chip status error active\r\n"
    "   0.002000 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%\r\n"
    "   0.015991 1  123             Rx   d 8 01 02 03 04 05 06 07 08  Length = 240015 "
    "BitCount = 124 ID = 291\r\n"
    "   0.020000 2  456x            Tx   d 2 AA BB  Length = 1 BitCount = 2 ID = 1110x\r\n"
    "   0.030000 1  7FF             Rx   r\r\n"
    "   0.031000 1  7FE             Rx   r 4\r\n"
    "   0.040000 1  ErrorFrame\r\n"
    "   0.050000 1  124             TxRq d 0\r\n"
    "   1.000000 1  EngineSpeed     Rx   d 1 00\r\n"
    "   1.500000 1  125             Rx   d 3 01 02\r\n"
    "   2.000000 Log trigger event\r\n"
    "   2.100000 CANFD   1 Rx 100 1 0 8 8 01 02 03 04 05 06 07 08\r\n"
    "   2.200000 CANFD   1 Tx 101x  Gear  0 0 3 3 0A 0B 0C   130000  130 1000 0 0 0 0 0\r\n"
    "   2.300000 CANFD   1 Rx 102 1 0 9 12 00 01 02 03 04 05 06 07 08 09 0A 0B\r\n"
    "   2.400000 CANFD   1 Rx 103 0 0 2 2 05 06   130000  130 0 0 0 0 0 0\r\n"
    "   2.500000 CANFD   1 Rx ErrorFrame\r\n"
    "   2.6000049 1  126             Rx   d 0\r\n"
    "End TriggerBlock\r\n";

TEST(AscFormat, ReadsALogAsMeasurementToolsWriteIt) {
    CRecording out;
    std::vector<std::pair<long long, std::string>> bad;
    const auto result =
        korvex::test::ParseText(&korvex::formats::ReadAsc, kToolLog, out, &bad, Utc());
    ASSERT_EQ(result.status, ReadStatus::kOk);
    ASSERT_EQ(bad.size(), 2u);
    EXPECT_EQ(bad[0].first, 15);  // a symbolic name instead of an identifier
    EXPECT_EQ(bad[1].first, 16);
    EXPECT_EQ(bad[1].second, "fewer data bytes than the length");
    // Status, statistic and trigger lines hold no frame; the transmit
    // request and the CAN FD frames of up to 8 bytes (one of them a classic
    // frame by its flags) are read, the one of 12 counted.
    EXPECT_EQ(result.tally.otherObjects, 3);
    EXPECT_EQ(result.tally.txRequests, 1);
    EXPECT_EQ(result.tally.shortFdFrames, 2);
    EXPECT_EQ(result.longFdFrames, 1);

    ASSERT_EQ(out.frames.size(), 11u);
    ASSERT_EQ(out.origTimeList.size(), 1u);
    // 2018-09-06 13:40:15 UTC opens the span; the log started 0.817 s later.
    EXPECT_EQ(out.origTimeList[0].hour, 13);
    EXPECT_EQ(out.origTimeList[0].second, 15);
    const _VCI_CAN_OBJ& a = out.frames[0];
    EXPECT_EQ(a.ID, 0x123u);
    EXPECT_EQ(a.DataLen, 8);
    EXPECT_EQ(a.Data[7], 8);
    // 0.015991 s rounds to 0.0160.
    EXPECT_EQ(a.TimeStamp, 8170u + 160u);
    const _VCI_CAN_OBJ& b = out.frames[1];
    EXPECT_EQ(b.ID, 0x456u);
    EXPECT_EQ(b.ExternFlag, 1);
    EXPECT_EQ(b.SendType, 0xFF);
    EXPECT_EQ(b.Data[1], 0xBB);
    EXPECT_EQ(out.frames[2].RemoteFlag, 1);
    EXPECT_EQ(out.frames[2].DataLen, 0);
    EXPECT_EQ(out.frames[3].DataLen, 4);
    EXPECT_EQ(out.frames[4].Reserved[0], 229);
    EXPECT_EQ(out.frames[4].ID, 0u);
    EXPECT_EQ(out.frames[5].ID, 0x124u);  // the transmit request
    EXPECT_EQ(out.frames[5].SendType, 0xFF);
    const _VCI_CAN_OBJ& fd = out.frames[6];
    EXPECT_EQ(fd.ID, 0x100u);
    EXPECT_EQ(fd.DataLen, 8);
    EXPECT_EQ(fd.Data[7], 8);
    const _VCI_CAN_OBJ& named = out.frames[7];
    EXPECT_EQ(named.ID, 0x101u);
    EXPECT_EQ(named.ExternFlag, 1);
    EXPECT_EQ(named.SendType, 0xFF);
    EXPECT_EQ(named.DataLen, 3);
    EXPECT_EQ(named.Data[2], 0x0C);
    EXPECT_EQ(out.frames[8].ID, 0x103u);
    EXPECT_EQ(out.frames[8].Data[1], 6);
    EXPECT_EQ(out.frames[9].Reserved[0], 229);
    // 2.6000049 s rounds down, 0.015991 above up.
    EXPECT_EQ(out.frames.back().TimeStamp, 8170u + 26000u);
}

TEST(AscFormat, PicksOneChannelWhenAsked) {
    korvex::formats::ReadOptions options = Utc();
    options.channel = 2;
    CRecording out;
    ASSERT_EQ(
        korvex::test::ParseText(&korvex::formats::ReadAsc, kToolLog, out, nullptr, options).status,
        ReadStatus::kOk);
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.frames[0].ID, 0x456u);
}

TEST(AscFormat, ReadsDecimalNumbersAndRelativeTimes) {
    const std::string text =
        "date Mon Jan 23 10:11:12 2017\n"
        "base dec  timestamps relative\n"
        "no internal events logged\n"
        "   1.000000 1  291             Rx   d 2 1 255\n"
        "   0.500000 1  291x            Rx   d 1 16\n"
        "   0.250000 1  2048            Rx   d 0\n";
    CRecording out;
    std::vector<std::pair<long long, std::string>> bad;
    ASSERT_EQ(korvex::test::ParseText(&korvex::formats::ReadAsc, text, out, &bad, Utc()).status,
              ReadStatus::kOk);
    ASSERT_EQ(out.frames.size(), 2u);
    EXPECT_EQ(out.frames[0].ID, 0x123u);
    EXPECT_EQ(out.frames[0].Data[1], 0xFF);
    // The span opens at the whole second of its first frame, 10:11:13.
    EXPECT_EQ(out.frames[0].TimeStamp, 0u);
    EXPECT_EQ(out.frames[1].ExternFlag, 1);
    EXPECT_EQ(out.frames[1].Data[0], 16);
    EXPECT_EQ(out.frames[1].TimeStamp, 5000u);
    ASSERT_EQ(bad.size(), 1u);  // 2048 is no 11-bit identifier
    EXPECT_EQ(bad[0].first, 6);
}

TEST(AscFormat, ReadsTheDatesOfTheHeader) {
    struct Case {
        const char* text;
        Ticks expected;  // -1: not a date
    };
    // 2018-09-06 13:40:15 UTC is 1536241215.
    const Case cases[] = {
        {"Thu Sep 6 01:40:15.817 pm 2018", 15362412158170},
        {"Thu Sep  6 13:40:15 2018", 15362412150000},
        {"Do Sep 06 13:40:15.8 2018", 15362412158000},
        {"Thu Sep 6 12:00:00.000 am 2018", 15361920000000},
        {"Thu Sep 6 12:00:00.000 PM 2018", 15362352000000},
        {"Sep 6 13:40:15 2018", 15362412150000},
        {"Thu Foo 6 13:40:15 2018", -1},
        {"Thu Sep 31 13:40:15 2018", -1},
        {"Thu Sep 6 13:40:15 pm 2018", -1},
        {"Thu Sep 6 13:40 2018", -1},
        {"Thu Sep 6 13:40:15 2018 extra", -1},
        {"Thu Sep 6 13:40:15 1969", -1},
        {"", -1},
    };
    for (const Case& c : cases) {
        const auto t = korvex::formats::ParseAscDate(c.text, true);
        EXPECT_EQ(t.value_or(-1), c.expected) << c.text;
    }
}

TEST(AscFormat, WritesHeaderFramesEventsAndSpanComments) {
    const std::vector<OrigTimeEntry> clocks = {
        korvex::test::EdgeClock(2023, 11, 14, 22, 13, 20, 100, 2)};
    const std::vector<_VCI_CAN_OBJ> frames = {
        korvex::test::EdgeFrame({0x123, false, false, 2, 150, 0, 0xFF}),
        korvex::test::EdgeFrame({0x1ABCDEF0, true, true, 8, 151, 0}),
        korvex::test::EdgeFrame({0, false, false, 0, 152, 0, 0, 227, 1}),
    };
    korvex::test::TempFolder dir;
    korvex::formats::WriteOptions options;
    options.utc = true;
    ASSERT_TRUE(korvex::test::WriteFormat(korvex::formats::DataFormat::kAsc, dir / "a.asc", clocks,
                                          frames, options));
    EXPECT_EQ(korvex::test::ReadText(dir / "a.asc"),
              "date Tue Nov 14 10:13:20.000 pm 2023\n"
              "base hex  timestamps absolute\n"
              "internal events logged\n"
              "Begin TriggerBlock Tue Nov 14 10:13:20.000 pm 2023\n"
              "   0.000000 Start of measurement\n"
              "// recording span 1 at Tue Nov 14 10:13:20.000 pm 2023\n"
              "   0.005000 1  123             Tx   d 2 C3 D4\n"
              "   0.005100 1  1ABCDEF0x       Rx   r 8\n"
              "   0.005200 1  ErrorFrame\n"
              "End TriggerBlock\n");
}

TEST(AscFormat, RefusesAFileOfOnlyBadLines) {
    CRecording out;
    EXPECT_EQ(korvex::test::ParseText(&korvex::formats::ReadAsc, "hello\nworld\n", out).status,
              ReadStatus::kNoFrames);
    EXPECT_EQ(korvex::test::ParseText(&korvex::formats::ReadAsc,
                                      "date Mon Jan 23 10:11:12 2017\nbase hex\n", out)
                  .status,
              ReadStatus::kHoldsNoFrames);
    EXPECT_EQ(korvex::test::ParseText(&korvex::formats::ReadAsc,
                                      "   1.0 1  123 Rx d 9 00 01\n"
                                      "   99999999999999.0 1  123 Rx d 0\n"
                                      "   1.0 1  FFFFFFFFFFx Rx d 0\n",
                                      out)
                  .status,
              ReadStatus::kNoFrames);

    // Relative steps that add up beyond the year 9999.
    std::vector<std::pair<long long, std::string>> bad;
    EXPECT_EQ(korvex::test::ParseText(&korvex::formats::ReadAsc,
                                      "base hex  timestamps relative\n"
                                      "   150000000000.0 1  123 Rx d 0\n"
                                      "   150000000000.0 1  124 Rx d 0\n",
                                      out, &bad)
                  .status,
              ReadStatus::kOk);
    EXPECT_EQ(out.frames.size(), 1u);
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].second, "time beyond the year 9999");
}

}  // namespace
