#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/formats/CandumpFormat.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/EdgeFrameCorpus.h"

namespace {

using korvex::formats::CandumpLine;
using korvex::formats::CRecording;
using korvex::formats::ReadStatus;
using korvex::test::EdgeFrame;

std::string LineOf(korvex::formats::Ticks time, const _VCI_CAN_OBJ& f,
                   std::string_view iface = "can0") {
    char buffer[128];
    char* end = korvex::formats::PutCandumpLine(buffer, time, f, iface);
    return std::string(buffer, end);
}

TEST(CandumpFormat, WritesEachKindOfFrameAsTheLinuxToolsDo) {
    struct Case {
        korvex::test::EdgeFrameShape shape;
        korvex::formats::Ticks time;
        const char* line;
    };
    const Case cases[] = {
        {{0x123, false, false, 2, 0, 0}, 17000000000001, "(1700000000.000100) can0 123#C3D4\n"},
        {{0x7, false, false, 0, 0, 0}, 0, "(0.000000) can0 007#\n"},
        {{0x1FFFFFFF, true, false, 8, 0, 0}, 10000, "(1.000000) can0 1FFFFFFF#9FB0C1D2E3F40516\n"},
        {{0x7FF, false, true, 5, 0, 0}, 9999, "(0.999900) can0 7FF#R5\n"},
        {{0x321, false, true, 0, 0, 0}, 1, "(0.000100) can0 321#R\n"},
        {{0x2, true, true, 8, 0, 0}, 1, "(0.000100) can0 00000002#R8\n"},
        // An 11-bit record with stray high bits is written as the bus carries it.
        {{0xF923, false, false, 1, 0, 0}, 1, "(0.000100) can0 123#C3\n"},
        {{0, false, false, 0, 0, 0, 0, 225, 0}, 1, "(0.000100) can0 20000004#0001000000000000\n"},
        {{0, false, false, 0, 0, 0, 0, 226, 9}, 1, "(0.000100) can0 20000004#000C000000090000\n"},
        {{0, false, false, 0, 0, 0, 0, 227, 0}, 1, "(0.000100) can0 20000004#0030000000000000\n"},
        {{0, false, false, 0, 0, 0, 0, 228, 0}, 1, "(0.000100) can0 20000002#0000000000000000\n"},
        {{0, false, false, 0, 0, 0, 0, 229, 0}, 1, "(0.000100) can0 20000088#0000000000000000\n"},
        {{0, false, false, 0, 0, 0, 0, 230, 0}, 1, "(0.000100) can0 20000040#0000000000000000\n"},
        {{0, false, false, 0, 0, 0, 0, 0xFE, 2}, 1, "(0.000100) can0 20000100#0000000000020000\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(LineOf(c.time, EdgeFrame(c.shape)), c.line);
    EXPECT_EQ(LineOf(1, EdgeFrame({0x5, false, false, 0, 0, 0}), "vcan12"),
              "(0.000100) vcan12 005#\n");
}

TEST(CandumpFormat, ReadsWhatOtherWritersWrite) {
    struct Case {
        const char* line;
        std::uint32_t id;
        int extended, remote, length;
        std::uint8_t event, sendType, firstByte;
        korvex::formats::Ticks time;
    };
    const Case cases[] = {
        {"(1436509052.249713) vcan0 123#0011223344556677", 0x123, 0, 0, 8, 0, 0, 0x00,
         14365090522497},
        {"(0.1) can0 1ABCDEF0#FF", 0x1ABCDEF0, 1, 0, 1, 0, 0, 0xFF, 1000},
        {"  (2.000000)\tcan1  7ff#r  ", 0x7FF, 0, 1, 0, 0, 0, 0, 20000},
        {"(2.0) can1 00000010#R3", 0x10, 1, 1, 3, 0, 0, 0, 20000},
        {"(2.0) can1 010#11.22.33", 0x10, 0, 0, 3, 0, 0, 0x11, 20000},
        {"(2.0) can1 010#1122334455667788_C", 0x10, 0, 0, 8, 0, 0, 0x11, 20000},
        {"(2.0) can0 100# T", 0x100, 0, 0, 0, 0, 0xFF, 0, 20000},
        {"(2.0) can0 100#01 R", 0x100, 0, 0, 1, 0, 0, 1, 20000},
        {"(2.0) can0 20000040#0000000000000000", 0, 0, 0, 0, 230, 0, 0, 20000},
        {"(2.0) can0 20000004#0010000000000000", 0, 0, 0, 0, 227, 0, 0, 20000},
        {"(2.0) can0 20000004#0008", 0, 0, 0, 0, 226, 0, 0, 20000},
        {"(2.0) can0 20000004#0002", 0, 0, 0, 0, 225, 0, 0, 20000},
        {"(2.0) can0 20000001#", 0, 0, 0, 0, 229, 0, 0, 20000},
        {"(2.0) can0 200000C4#0010000000000000", 0, 0, 0, 0, 230, 0, 0, 20000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CandumpLine parsed;
        std::string_view reason;
        ASSERT_TRUE(korvex::formats::ParseCandumpLine(c.line, parsed, reason)) << reason;
        EXPECT_EQ(parsed.frame.ID, c.id);
        EXPECT_EQ(parsed.frame.ExternFlag, c.extended);
        EXPECT_EQ(parsed.frame.RemoteFlag, c.remote);
        EXPECT_EQ(parsed.frame.DataLen, c.length);
        EXPECT_EQ(parsed.frame.Reserved[0], c.event);
        EXPECT_EQ(parsed.frame.SendType, c.sendType);
        EXPECT_EQ(parsed.frame.Data[0], c.firstByte);
        EXPECT_EQ(parsed.time, c.time);
    }
}

TEST(CandumpFormat, RefusesLinesThatAreNotFrames) {
    const std::string lines[] = {
        "1436509052.249713 vcan0 123#00",             // no parentheses
        "(1436509052.249713 vcan0 123#00",            // unclosed
        "(-1.0) can0 123#00",                         // negative time
        "(99999999999999999999.0) can0 123#00",       // huge time
        "(1.) can0 123#00",                           // no fraction digits
        "(1.0) can0",                                 // no frame
        "(1.0) can0 12#00",                           // 2-digit identifier
        "(1.0) can0 1234#00",                         // 4-digit identifier
        "(1.0) can0 800#00",                          // above 7FF
        "(1.0) can0 40000000#00",                     // above 29 bits, not an error frame
        "(1.0) can0 123#0",                           // odd digits
        "(1.0) can0 123#001122334455667788",          // 9 bytes
        "(1.0) can0 123#GG",                          // not hex
        "(1.0) can0 123#R9",                          // remote length above 8
        "(1.0) can0 123#R12",                         // two length digits
        "(1.0) can0 123##",                           // CAN FD without flags
        "(1.0) can0 123##G00",                        // flags not hex
        "(1.0) can0 20000004##100",                   // CAN FD error frame
        "(1.0) can0 123##1" + std::string(130, '0'),  // 65 CAN FD bytes
        "(1.0) can0 123#00 X",                        // unknown direction
        "(1.0) can0 123#00 T extra",                  // trailing text
        "(1.0) can0 123",                             // no '#'
        "(1.0) can0 010#1122334455667788_3",          // length code below 9
        "\x01\x02\xFF\xFE garbage",                   // binary
    };
    for (const std::string& line : lines) {
        CandumpLine parsed;
        std::string_view reason;
        EXPECT_FALSE(korvex::formats::ParseCandumpLine(line, parsed, reason)) << line;
        EXPECT_FALSE(reason.empty()) << line;
    }
}

// candump -l writes CAN FD frames as "ID##F" and data: up to 8 bytes they
// are read as classic frames, longer ones counted on the channel read.
TEST(CandumpFormat, ReadsShortCanFdFramesAndCountsLongOnes) {
    const std::string text =
        "(1.0) can0 123##1\n"
        "(1.1) can0 1FFFFFFF##311.22.33.44.55.66.77.88\n"
        "(1.2) can1 124##0112233445566778899AABB\n"
        "(1.3) can0 125##2" +
        std::string(128, 'F') +
        "\n"
        "(1.4) can1 126#01\n"
        "(1.5) can2 127##0000102030405060708\n";
    CRecording out;
    const auto all = korvex::test::ParseText(&korvex::formats::ReadCandump, text, out);
    ASSERT_EQ(all.status, ReadStatus::kOk);
    EXPECT_EQ(all.badLines, 0);
    EXPECT_EQ(all.tally.shortFdFrames, 2);
    EXPECT_EQ(all.longFdFrames, 3);
    ASSERT_EQ(out.frames.size(), 3u);
    EXPECT_EQ(out.frames[0].ID, 0x123u);
    EXPECT_EQ(out.frames[0].DataLen, 0);
    EXPECT_EQ(out.frames[1].ID, 0x1FFFFFFFu);
    EXPECT_EQ(out.frames[1].ExternFlag, 1);
    EXPECT_EQ(out.frames[1].DataLen, 8);
    EXPECT_EQ(out.frames[1].Data[0], 0x11);
    EXPECT_EQ(out.frames[1].Data[7], 0x88);
    EXPECT_EQ(out.frames[1].TimeStamp, 11000u);

    // Interfaces are numbered by name among those with frames: can1 is 2.
    // can2 carries only a long frame, so it is no channel to choose.
    for (const auto& [channel, shortFrames, longFrames] :
         {std::tuple{1, 2LL, 1LL}, std::tuple{2, 0LL, 1LL}}) {
        korvex::formats::ReadOptions one;
        one.channel = channel;
        CRecording kept;
        const auto result =
            korvex::test::ParseText(&korvex::formats::ReadCandump, text, kept, nullptr, one);
        EXPECT_EQ(result.tally.shortFdFrames, shortFrames) << channel;
        EXPECT_EQ(result.longFdFrames, longFrames) << channel;
    }
}

TEST(CandumpFormat, ReportsBadLinesByNumberAndStopsWhenStrict) {
    const std::string text =
        "(1.0) can0 123#00\n"
        "garbage\n"
        "\n"
        "(1.5) can0 124#01\r\n"
        "(2.0) can0 800#00\n"
        "(3.0) can0 125#";  // no line end at the end of the file
    CRecording out;
    std::vector<std::pair<long long, std::string>> bad;
    const auto result = korvex::test::ParseText(&korvex::formats::ReadCandump, text, out, &bad);
    EXPECT_EQ(result.status, ReadStatus::kOk);
    EXPECT_EQ(result.badLines, 2);
    ASSERT_EQ(bad.size(), 2u);
    EXPECT_EQ(bad[0].first, 2);
    EXPECT_EQ(bad[1].first, 5);
    EXPECT_EQ(bad[1].second, "identifier out of range");
    ASSERT_EQ(out.frames.size(), 3u);
    EXPECT_EQ(out.frames[2].ID, 0x125u);
    // Times below 2^32 ticks have no clock record.
    EXPECT_TRUE(out.origTimeList.empty());
    EXPECT_EQ(out.frames[1].Reserved[1], 0xFF);
    EXPECT_EQ(out.frames[1].TimeStamp, 15000u);

    korvex::formats::ReadOptions strict;
    strict.strict = true;
    CRecording partial;
    const auto stopped =
        korvex::test::ParseText(&korvex::formats::ReadCandump, text, partial, nullptr, strict);
    EXPECT_EQ(stopped.status, ReadStatus::kStrictStop);
    EXPECT_EQ(stopped.line, 2);
}

// An empty file holds no frames and says so, as one of only bad lines does.
TEST(CandumpFormat, AFileOfOnlyBadLinesOrNoneIsRefused) {
    struct Case {
        std::string text;
        ReadStatus status;
    };
    std::string garbage(5000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    const Case cases[] = {
        {"", ReadStatus::kHoldsNoFrames},
        {"\n\n   \n", ReadStatus::kHoldsNoFrames},
        {"nothing here\n(x) y z\n", ReadStatus::kNoFrames},
        {garbage, ReadStatus::kNoFrames},
        {std::string(200000, 'A') + "\n", ReadStatus::kNoFrames},  // one overlong line
    };
    for (const Case& c : cases) {
        CRecording out;
        EXPECT_EQ(korvex::test::ParseText(&korvex::formats::ReadCandump, c.text, out).status,
                  c.status)
            << c.text.substr(0, 20);
        EXPECT_TRUE(out.frames.empty());
    }
}

TEST(CandumpFormat, OpensASpanAfterAnHourOfSilenceAndWhenTheStampWouldWrap) {
    // 2023-11-14 22:13:20 UTC, then 59 min 59 s later, then 1 h 0.0001 s later,
    // then 5 days later.
    const std::string text =
        "(1700000000.500000) can0 001#\n"
        "(1700003599.500000) can0 002#\n"
        "(1700007199.500100) can0 003#\n"
        "(1700007199.400000) can0 004#\n"
        "(1700439199.400000) can0 005#\n";
    korvex::formats::ReadOptions utc;
    utc.utc = true;
    CRecording out;
    ASSERT_EQ(
        korvex::test::ParseText(&korvex::formats::ReadCandump, text, out, nullptr, utc).status,
        ReadStatus::kOk);
    ASSERT_EQ(out.origTimeList.size(), 3u);
    const int indices[] = {0, 0, 1, 1, 2};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(out.frames[i].Reserved[1], indices[i]) << i;
    EXPECT_EQ(out.origTimeList[1].hour, 0);
    EXPECT_EQ(out.origTimeList[1].minute, 13);
    EXPECT_EQ(out.origTimeList[1].second, 19);
    EXPECT_EQ(out.frames[2].TimeStamp, 5001u);
    EXPECT_EQ(out.frames[3].TimeStamp, 4000u);  // a step back stays in its span
    EXPECT_EQ(out.frames[0].TimeFlag, 1);

    // Frames 50 minutes apart for six days: the span ends where its stamp
    // would pass 2^32 ticks (429496.7296 s), at the 145th frame.
    std::string steady;
    for (int i = 0; i < 170; ++i)
        steady += "(" + std::to_string(1700000000LL + i * 3000LL) + ".0) can0 001#\n";
    CRecording wrapped;
    ASSERT_EQ(korvex::test::ParseText(&korvex::formats::ReadCandump, steady, wrapped, nullptr, utc)
                  .status,
              ReadStatus::kOk);
    ASSERT_EQ(wrapped.origTimeList.size(), 2u);
    EXPECT_EQ(wrapped.frames[143].Reserved[1], 0);
    EXPECT_EQ(wrapped.frames[143].TimeStamp, 4290000000u);
    EXPECT_EQ(wrapped.frames[144].Reserved[1], 1);
    EXPECT_EQ(wrapped.frames[144].TimeStamp, 0u);
    EXPECT_EQ(wrapped.frames[144].TimeFlag, 0);
}

TEST(CandumpFormat, RefusesMoreSpansThanClockIndices) {
    std::string text;
    for (int i = 0; i < 129; ++i)
        text += "(" + std::to_string(1700000000LL + i * 7200LL) + ".0) can0 001#\n";
    CRecording out;
    const auto result = korvex::test::ParseText(&korvex::formats::ReadCandump, text, out);
    EXPECT_EQ(result.status, ReadStatus::kTooManySpans);
    EXPECT_EQ(result.line, 129);
    text.resize(text.rfind('(', text.size() - 2));
    EXPECT_EQ(korvex::test::ParseText(&korvex::formats::ReadCandump, text, out).status,
              ReadStatus::kOk);
    EXPECT_EQ(out.origTimeList.size(), 128u);
}

}  // namespace
