#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/protolens/PluginFixture.h"

namespace protolens::test {
namespace {

using Texts = std::array<std::string, 5>;

Texts Analy(const _VCI_CAN_OBJ& f) {
    char** texts = nullptr;
    int count = 0;
    EXPECT_EQ(AnalyCANFrame(&f, &texts, &count), 1);
    EXPECT_EQ(count, 5);
    Texts out;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = texts[i];
    return out;
}

std::string Part(const _VCI_CAN_OBJ& f, int column) {
    char* text = nullptr;
    EXPECT_EQ(AnalyPartofCANFrame(&f, &text, column), 1);
    return text;
}

_VCI_CAN_OBJ Protocol(const Texts& texts, _VCI_CAN_OBJ start = {}) {
    const char* raw[5];
    for (std::size_t i = 0; i < 5; ++i) raw[i] = texts[i].c_str();
    EXPECT_EQ(AnalyProtocolFrame(raw, &start), 1);
    return start;
}

std::string Zeros(int n) {
    return std::string(static_cast<std::size_t>(n), '0');
}

using FrameTextTest = PluginTest;

TEST_F(FrameTextTest, HexadecimalIsTheFormatOfUnloadedAndLoadedSettings) {
    const _VCI_CAN_OBJ f = Frame(0x123, {1, 2, 0xFF});
    const Texts expected = {"0x00000123", "数据帧", "标准帧", "0x03", "01 02 FF "};
    EXPECT_EQ(Analy(f), expected);  // bShowType 0: never loaded
    SetShowType(16);
    EXPECT_EQ(Analy(f), expected);
}

TEST_F(FrameTextTest, BinaryFormat) {
    SetShowType(2);
    const Texts t = Analy(Frame(5, {1, 2, 0xFF}, false, true));
    EXPECT_EQ(t[0], "0b" + Zeros(26) + "101");
    EXPECT_EQ(t[1], "数据帧");
    EXPECT_EQ(t[2], "扩展帧");
    EXPECT_EQ(t[3], "0b00000011");
    EXPECT_EQ(t[4], "00000001 00000010 11111111 ");

    // The longest text: eight binary groups, 72 characters, within one buffer.
    const Texts full = Analy(Frame(0x1FFFFFFF, {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0x81}));
    EXPECT_EQ(full[0], "0b" + std::string(29, '1'));
    EXPECT_EQ(full[4], "11111111 00000000 11111111 00000000 11111111 00000000 11111111 10000001 ");
}

TEST_F(FrameTextTest, DecimalFormat) {
    SetShowType(10);
    EXPECT_EQ(Analy(Frame(1234, {7, 200})), (Texts{"1234", "数据帧", "标准帧", "2", "007 200 "}));
    EXPECT_EQ(Analy(Frame(0xFFFFFFFF, {}))[0], "-1");
}

TEST_F(FrameTextTest, RemoteFrameHasNoDataText) {
    for (std::uint8_t type : {0, 2, 10}) {
        SetShowType(type);
        const Texts t = Analy(Frame(0x7FF, {1, 2, 3, 4, 5, 6, 7, 8}, true));
        EXPECT_EQ(t[1], "远程帧");
        EXPECT_EQ(t[4], "") << int(type);
    }
}

TEST_F(FrameTextTest, UnknownFormatKeepsTheTextsOfThePreviousCall) {
    Analy(Frame(0x123, {0xAB}));
    SetShowType(5);
    const Texts t = Analy(Frame(0x456, {}, true, true));
    EXPECT_EQ(t, (Texts{"0x00000123", "远程帧", "扩展帧", "0x01", "AB "}));
}

TEST_F(FrameTextTest, BuffersAreStableAndNullArgumentsAreHarmless) {
    char** first = nullptr;
    char** second = nullptr;
    int count = 0;
    const _VCI_CAN_OBJ f = Frame(1, {1});
    AnalyCANFrame(&f, &first, &count);
    AnalyCANFrame(&f, &second, &count);
    EXPECT_EQ(first, second);
    EXPECT_NE(first[5], nullptr);  // six buffers, five filled
    EXPECT_EQ(AnalyCANFrame(&f, nullptr, nullptr), 1);
    EXPECT_EQ(AnalyCANFrame(nullptr, &first, &count), 1);
    EXPECT_STREQ(first[0], "0x00000001");
    EXPECT_EQ(AnalyPartofCANFrame(&f, nullptr, 3), 1);
}

TEST_F(FrameTextTest, ColumnTextsOfAnOrdinaryFrame) {
    SetShowType(2);  // column texts are hexadecimal whatever the format
    const _VCI_CAN_OBJ f = Frame(0x123, {0x10, 0x20}, false, true);
    EXPECT_EQ(Part(f, 3), "0x00000123");
    EXPECT_EQ(Part(f, 4), "数据帧");
    EXPECT_EQ(Part(f, 5), "扩展帧");
    EXPECT_EQ(Part(f, 6), "0x02");
    EXPECT_EQ(Part(f, 7), "10 20 ");
}

TEST_F(FrameTextTest, ColumnTextsOfAnEventRecord) {
    _VCI_CAN_OBJ e = Frame(0x55, {1, 2, 3}, true);
    e.Reserved[0] = 227;
    EXPECT_EQ(Part(e, 3), "");
    EXPECT_EQ(Part(e, 4), "远程帧");
    EXPECT_EQ(Part(e, 5), "标准帧");
    EXPECT_EQ(Part(e, 6), "0x03");
    EXPECT_EQ(Part(e, 7), "");  // remote: no data text
    e.RemoteFlag = 0;
    e.Reserved[0] = korvex::kEventClockRecord;
    EXPECT_EQ(Part(e, 7), "01 02 03 ");
}

TEST_F(FrameTextTest, OtherColumnsLeaveTheBufferAsItWas) {
    const _VCI_CAN_OBJ f = Frame(0xABC, {1});
    EXPECT_EQ(Part(f, 3), "0x00000ABC");
    for (int column : {0, 1, 2, 8, 9, -1, 1000}) EXPECT_EQ(Part(f, column), "0x00000ABC");
    char* text = nullptr;
    EXPECT_EQ(AnalyPartofCANFrame(nullptr, &text, 3), 1);
    EXPECT_STREQ(text, "0x00000ABC");
}

TEST_F(FrameTextTest, LengthAboveEightShowsEightBytes) {
    _VCI_CAN_OBJ f = Frame(1, {1, 2, 3, 4, 5, 6, 7, 8});
    f.DataLen = 0x1F;
    EXPECT_EQ(Part(f, 6), "0x1F");
    EXPECT_EQ(Part(f, 7), "01 02 03 04 05 06 07 08 ");
}

// The texts as the C library prints them, for frames of every shape.
TEST_F(FrameTextTest, TextsMatchTheCLibraryForManyFrames) {
    std::uint32_t seed = 99;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    char expect[80];
    for (int n = 0; n < 2000; ++n) {
        _VCI_CAN_OBJ f{};
        f.ID =
            n < 4 ? std::array<std::uint32_t, 4>{0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF}[n] : next();
        f.DataLen = static_cast<std::uint8_t>(n % 3 == 0 ? next() : n % 9);
        f.RemoteFlag = next() % 5 == 0 ? 1 : 0;
        for (std::uint8_t& b : f.Data) b = static_cast<std::uint8_t>(next() >> 24);
        std::string data;
        for (int i = 0; i < std::min(f.DataLen & 0x0F, 8) && f.RemoteFlag == 0; ++i) {
            std::snprintf(expect, sizeof expect, "%02X ", f.Data[i]);
            data += expect;
        }
        SetShowType(16);
        const Texts hex = Analy(f);
        std::snprintf(expect, sizeof expect, "0x%08X", f.ID);
        EXPECT_EQ(hex[0], expect);
        EXPECT_EQ(Part(f, 3), expect);
        std::snprintf(expect, sizeof expect, "0x%02X", f.DataLen);
        EXPECT_EQ(hex[3], expect);
        EXPECT_EQ(Part(f, 6), expect);
        EXPECT_EQ(hex[4], data);
        EXPECT_EQ(Part(f, 7), data);

        SetShowType(10);
        const Texts dec = Analy(f);
        std::snprintf(expect, sizeof expect, "%d", static_cast<int>(f.ID));
        EXPECT_EQ(dec[0], expect);
        std::snprintf(expect, sizeof expect, "%d", f.DataLen);
        EXPECT_EQ(dec[3], expect);
    }
}

TEST_F(FrameTextTest, LongFrameWordsAreCutToTheBuffer) {
    InstallStrings(
        {{kStrRemoteFrame, std::string(100, 'R')}, {kStrDataFrame, std::string("ab\0cd", 5)}});
    IOCtl(kIoLanguage, &language_, 4, 0, 0);
    EXPECT_EQ(Part(Frame(1, {}, true), 4), std::string(79, 'R'));
    EXPECT_EQ(Analy(Frame(1, {}, false))[1], "ab");
}

// Frames whose every field survives texts and back.
std::vector<_VCI_CAN_OBJ> RoundTripFrames() {
    return {
        Frame(0x123, {1, 2, 0xFF}),
        Frame(0x1FFFFFFF, {0, 0x80, 0x7F, 1, 2, 3, 4, 0xFE}, false, true),
        Frame(0, {}),
        Frame(0x7FF, {}, true),
        Frame(0x18DA00F1, {0, 0, 0, 0, 0, 0, 0, 0}, true, true),
        Frame(0x100, {0xAA}, false, false),
    };
}

TEST_F(FrameTextTest, ProtocolFrameIsTheInverseInEveryFormat) {
    for (std::uint8_t type : {0, 16, 2, 10}) {
        SetShowType(type);
        for (const _VCI_CAN_OBJ& f : RoundTripFrames()) {
            const _VCI_CAN_OBJ back = Protocol(Analy(f));
            SCOPED_TRACE("format " + std::to_string(type) + " id " + std::to_string(f.ID));
            EXPECT_EQ(back.ID, f.ID);
            EXPECT_EQ(back.RemoteFlag, f.RemoteFlag);
            EXPECT_EQ(back.ExternFlag, f.ExternFlag);
            EXPECT_EQ(back.DataLen, f.DataLen);
            if (f.RemoteFlag == 0) {
                EXPECT_EQ(0, std::memcmp(back.Data, f.Data, f.DataLen));
            }
        }
    }
}

TEST_F(FrameTextTest, ProtocolFrameReadsTheTextsAUserTyped) {
    // Hexadecimal: "%x" after the two-character prefix; data groups are
    // limited by the length just read.
    _VCI_CAN_OBJ f = Protocol({"0x1a2", "数据帧", "扩展帧", "0x2", "11 22 33 "});
    EXPECT_EQ(f.ID, 0x1A2u);
    EXPECT_EQ(f.ExternFlag, 1);
    EXPECT_EQ(f.DataLen, 2);
    EXPECT_EQ(f.Data[0], 0x11);
    EXPECT_EQ(f.Data[1], 0x22);
    EXPECT_EQ(f.Data[2], 0);

    // Fewer groups than the length lower the length.
    f = Protocol({"0x10", "数据帧", "标准帧", "0x08", "AB CD"});
    EXPECT_EQ(f.DataLen, 2);
    EXPECT_EQ(f.Data[1], 0xCD);

    // Texts without a number keep the frame's identifier and length.
    _VCI_CAN_OBJ start = Frame(0x77, {5, 6});
    f = Protocol({"0", "x", "y", "", ""}, start);
    EXPECT_EQ(f.ID, 0x77u);
    EXPECT_EQ(f.RemoteFlag, 1);  // not the data word
    EXPECT_EQ(f.ExternFlag, 1);  // not the standard word
    EXPECT_EQ(f.DataLen, 2);     // remote: data not read

    SetShowType(10);
    f = Protocol({"300", "数据帧", "标准帧", "3", "1 2 255 999 "});
    EXPECT_EQ(f.ID, 300u);
    EXPECT_EQ(f.DataLen, 4);  // every number followed by a blank counts
    EXPECT_EQ(f.Data[2], 255);

    SetShowType(2);
    f = Protocol({"0b1010", "数据帧", "标准帧", "0b10", "11110000 00001111 "});
    EXPECT_EQ(f.ID, 10u);
    EXPECT_EQ(f.DataLen, 2);
    EXPECT_EQ(f.Data[0], 0xF0);
    EXPECT_EQ(f.Data[1], 0x0F);
}

TEST_F(FrameTextTest, ProtocolFrameInAnUnknownFormatSetsOnlyTheFlags) {
    SetShowType(7);
    const _VCI_CAN_OBJ start = Frame(0x55, {1, 2, 3});
    const _VCI_CAN_OBJ f = Protocol({"0x99", "远程帧", "扩展帧", "0x08", "FF FF "}, start);
    EXPECT_EQ(f.ID, 0x55u);
    EXPECT_EQ(f.DataLen, 3);
    EXPECT_EQ(f.Data[0], 1);
    EXPECT_EQ(f.RemoteFlag, 1);
    EXPECT_EQ(f.ExternFlag, 1);
}

TEST_F(FrameTextTest, ProtocolFrameTakesNullTextsAsEmpty) {
    const char* texts[5] = {nullptr, "数据帧", nullptr, nullptr, nullptr};
    _VCI_CAN_OBJ f = Frame(0x42, {1});
    EXPECT_EQ(AnalyProtocolFrame(texts, &f), 1);
    EXPECT_EQ(f.ID, 0x42u);
    EXPECT_EQ(f.RemoteFlag, 0);
    EXPECT_EQ(f.ExternFlag, 1);
    EXPECT_EQ(f.DataLen, 0);  // empty data text: no bytes
    EXPECT_EQ(AnalyProtocolFrame(nullptr, &f), 1);
    EXPECT_EQ(AnalyProtocolFrame(texts, nullptr), 1);
}

}  // namespace
}  // namespace protolens::test
