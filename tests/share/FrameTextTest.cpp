#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "share/CANGlobal.h"
#include "share/FrameText.h"

namespace {

using name_share::AppendData;
using name_share::FormatData;
using name_share::ToBinary;
using name_share::WriteData;

_VCI_CAN_OBJ DataFrame(std::uint8_t len, std::initializer_list<std::uint8_t> data) {
    _VCI_CAN_OBJ f{};
    f.DataLen = len;
    std::size_t i = 0;
    for (const std::uint8_t b : data) f.Data[i++] = b;
    return f;
}

// The text the formats describe, built with the C library one byte at a time.
std::string Reference(const _VCI_CAN_OBJ& f, int base) {
    if (f.RemoteFlag != 0) return {};
    const int n = (f.DataLen & 0x0F) < 8 ? (f.DataLen & 0x0F) : 8;
    std::string text;
    char group[16];
    for (int i = 0; i < n; ++i) {
        switch (base) {
            case 16:
                std::snprintf(group, sizeof group, "%02X ", f.Data[i]);
                text += group;
                break;
            case 10:
                std::snprintf(group, sizeof group, "%03d ", f.Data[i]);
                text += group;
                break;
            case 2:
                for (int b = 7; b >= 0; --b) text += ((f.Data[i] >> b) & 1) != 0 ? '1' : '0';
                text += ' ';
                break;
            case 0:
                text += static_cast<char>(f.Data[i]);
                break;
            default:
                break;
        }
    }
    return text;
}

TEST(FrameText, EveryByteValueInEveryBaseMatchesTheCLibrary) {
    for (int v = 0; v < 256; v += 8) {
        _VCI_CAN_OBJ f = DataFrame(8, {});
        for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(v + i);
        for (const int base : {16, 10, 2, 0}) {
            EXPECT_EQ(FormatData(f, base), Reference(f, base)) << "base " << base << " from " << v;
        }
    }
}

TEST(FrameText, LengthEdges) {
    const _VCI_CAN_OBJ none = DataFrame(0, {0xFF});
    for (const int base : {16, 10, 2, 0}) EXPECT_EQ(FormatData(none, base), "") << base;

    const _VCI_CAN_OBJ full = DataFrame(8, {0, 255, 0, 255, 0, 255, 0, 255});
    EXPECT_EQ(FormatData(full, 16), "00 FF 00 FF 00 FF 00 FF ");
    EXPECT_EQ(FormatData(full, 10), "000 255 000 255 000 255 000 255 ");
    EXPECT_EQ(FormatData(full, 2).size(), name_share::kMaxDataText);

    // A length above eight (or with high bits set) shows the eight bytes; the
    // high nibble never counts.
    for (const std::uint8_t len : {9, 15, 0x1F, 0xF8, 0xFF}) {
        _VCI_CAN_OBJ f = full;
        f.DataLen = len;
        const std::size_t bytes = (len & 0x0F) < 8 ? (len & 0x0F) : 8;
        EXPECT_EQ(FormatData(f, 16).size(), bytes * 3) << int(len);
        EXPECT_EQ(FormatData(f, 10), Reference(f, 10)) << int(len);
    }
    _VCI_CAN_OBJ high = full;
    high.DataLen = 0x10;  // low nibble 0: no bytes
    EXPECT_EQ(FormatData(high, 16), "");
}

TEST(FrameText, AppendKeepsWhatTheTextHeld) {
    std::string text = "ID ";
    AppendData(text, DataFrame(2, {0xAB, 0x01}), 16);
    AppendData(text, DataFrame(1, {9}), 10);
    EXPECT_EQ(text, "ID AB 01 009 ");

    char buf[name_share::kMaxDataText + 1];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(WriteData(buf, DataFrame(8, {1, 2, 3, 4, 5, 6, 7, 8}), 2), 72u);
    EXPECT_EQ(buf[72], '#');  // no terminating zero of its own
    _VCI_CAN_OBJ remote = DataFrame(8, {1});
    remote.RemoteFlag = 1;
    EXPECT_EQ(WriteData(buf, remote, 16), 0u);
    EXPECT_EQ(WriteData(buf, DataFrame(8, {1}), 8), 0u);  // unknown base
}

TEST(FrameText, SettingsObjectReplacesTheCallersText) {
    CCANGlobal global;
    std::string text = "old text";
    global.FormatData(text, nullptr, 16);
    EXPECT_EQ(text, "");
    text = "old";
    const _VCI_CAN_OBJ f = DataFrame(3, {0, 128, 255});
    global.FormatData(text, &f, 10);
    EXPECT_EQ(text, "000 128 255 ");
    global.FormatData(text, &f, 16);
    EXPECT_EQ(text, "00 80 FF ");
}

TEST(FrameText, BinaryDigitsOfEveryWidth) {
    const std::uint32_t value = 0xA5C3F00Fu;
    for (int width = 0; width <= 32; ++width) {
        std::string expected;
        for (int b = width - 1; b >= 0; --b) expected += ((value >> b) & 1u) != 0 ? '1' : '0';
        EXPECT_EQ(ToBinary(value, width), expected) << width;
    }
    EXPECT_EQ(ToBinary(7, -3), "");
    EXPECT_EQ(ToBinary(0, 29), std::string(29, '0'));
}

}  // namespace
