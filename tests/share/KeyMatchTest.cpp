#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "share/FrameText.h"
#include "share/KeyMatch.h"
#include "tests/support/FrameFactory.h"
#include "xtp/XTPResourceManager.h"

namespace {

using name_share::FormatData;
using name_share::IsOBJKeyEqual;
using name_share::ParseData;
using name_share::ToBinary;

_VCI_CAN_OBJ Frame(std::uint32_t id, std::uint8_t len, std::uint8_t remote = 0,
                   std::uint8_t ext = 0) {
    _VCI_CAN_OBJ f = korvex::test::MakeFrame(id, 0);
    f.DataLen = len;
    f.RemoteFlag = remote;
    f.ExternFlag = ext;
    for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(0x10 + i);
    return f;
}

OBJKEY Key(int kind, std::uint32_t data, std::uint32_t mask = 0) {
    OBJKEY k;
    k.icolInd = kind;
    k.dwData = data;
    k.dwMask = mask;
    return k;
}

TEST(KeyMatch, EachKindComparesItsField) {
    const OBJKEY masked = Key(kKeyIdentifier, 0x100, 0x700);
    EXPECT_EQ(IsOBJKeyEqual(masked, Frame(0x100, 8)), 1);
    EXPECT_EQ(IsOBJKeyEqual(masked, Frame(0x1FF, 8)), 1);
    EXPECT_EQ(IsOBJKeyEqual(masked, Frame(0x0FF, 8)), 0);
    EXPECT_EQ(IsOBJKeyEqual(masked, Frame(0x200, 8)), 0);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyIdentifier, 0x123, 0xFFFFFFFF), Frame(0x123, 0)), 1);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyIdentifier, 0x123, 0xFFFFFFFF), Frame(0x80000123, 0)), 0);

    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyRemote, 1), Frame(1, 0, 1)), 1);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyRemote, 1), Frame(1, 0, 0)), 0);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyRemote, 1), Frame(1, 0, 2)), 0);  // whole numbers
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyExtended, 0), Frame(1, 0, 0, 0)), 1);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyExtended, 0), Frame(1, 0, 0, 1)), 0);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyDataLength, 8), Frame(1, 8)), 1);
    EXPECT_EQ(IsOBJKeyEqual(Key(kKeyDataLength, 8), Frame(1, 0x18)), 0);

    for (const int kind : {0, 1, 2, 8, -1, 1000}) {
        EXPECT_EQ(IsOBJKeyEqual(Key(kind, 0), Frame(0, 0)), 0) << kind;
    }
}

TEST(KeyMatch, DataBytesCompareTheirRangeAndLength) {
    OBJKEY k = Key(kKeyDataBytes, 8);
    EXPECT_EQ(IsOBJKeyEqual(k, Frame(1, 8)), 1);     // empty range: length only
    EXPECT_EQ(IsOBJKeyEqual(k, Frame(1, 0x18)), 1);  // high nibble of DataLen ignored
    EXPECT_EQ(IsOBJKeyEqual(k, Frame(1, 7)), 0);

    k.dwData = 4;
    k.bStart = 1;
    k.bEnd = 3;
    k.bDataArr[1] = 0x11;
    k.bDataArr[2] = 0x12;
    k.bDataArr[0] = 0xEE;  // outside the range: not compared
    k.bDataArr[3] = 0xEE;
    EXPECT_EQ(IsOBJKeyEqual(k, Frame(1, 4)), 1);
    _VCI_CAN_OBJ f = Frame(1, 4);
    f.Data[2] = 0;
    EXPECT_EQ(IsOBJKeyEqual(k, f), 0);

    // Bounds past the data bytes are clamped; no byte beyond Data[7] is read.
    OBJKEY wide = Key(kKeyDataBytes, 8);
    for (int i = 0; i < 8; ++i) wide.bDataArr[i] = static_cast<std::uint8_t>(0x10 + i);
    wide.bEnd = 200;
    EXPECT_EQ(IsOBJKeyEqual(wide, Frame(1, 8)), 1);
    wide.bDataArr[7] = 0;
    EXPECT_EQ(IsOBJKeyEqual(wide, Frame(1, 8)), 0);
    OBJKEY reversed = Key(kKeyDataBytes, 8);
    reversed.bStart = 6;
    reversed.bEnd = 2;
    EXPECT_EQ(IsOBJKeyEqual(reversed, Frame(1, 8)), 1);
}

TEST(FrameText, DataTextInEachBase) {
    _VCI_CAN_OBJ f = Frame(1, 3);
    f.Data[0] = 1;
    f.Data[1] = 2;
    f.Data[2] = 255;
    EXPECT_EQ(FormatData(f, 16), "01 02 FF ");
    EXPECT_EQ(FormatData(f, 10), "001 002 255 ");
    EXPECT_EQ(FormatData(f, 2), "00000001 00000010 11111111 ");
    EXPECT_EQ(FormatData(f, 0), std::string("\x01\x02\xFF"));
    EXPECT_EQ(FormatData(f, 7), "");
    f.DataLen = 2;
    f.Data[0] = 7;
    f.Data[1] = 200;
    EXPECT_EQ(FormatData(f, 10), "007 200 ");
    f.DataLen = 0x0F;  // never more than the eight bytes
    EXPECT_EQ(FormatData(f, 16).size(), 24u);
    f.RemoteFlag = 1;
    EXPECT_EQ(FormatData(f, 16), "");

    EXPECT_EQ(ToBinary(5, 29), std::string(26, '0') + "101");
    EXPECT_EQ(ToBinary(0x1FF, 8), "11111111");
    EXPECT_EQ(ToBinary(0xFFFFFFFF, 40), std::string(32, '1'));
}

TEST(FrameText, ParseDataReadsWhatFormatDataWrites) {
    _VCI_CAN_OBJ f = Frame(1, 0xA8);  // high nibble is kept
    EXPECT_EQ(ParseData("11 22 3F", f, 16), 3);
    EXPECT_EQ(f.DataLen, 0xA3);
    EXPECT_EQ(f.Data[0], 0x11);
    EXPECT_EQ(f.Data[2], 0x3F);

    // At most the frame's present length, and never beyond eight bytes.
    f = Frame(1, 2);
    EXPECT_EQ(ParseData("01 02 03 04 ", f, 16), 2);
    EXPECT_EQ(f.Data[2], 0x12);
    f = Frame(1, 0x0F);
    EXPECT_EQ(ParseData(std::string(60, 'A'), f, 16), 8);

    f = Frame(1, 8);
    EXPECT_EQ(ParseData("00000001 11111111", f, 2), 2);
    EXPECT_EQ(f.Data[0], 1);
    EXPECT_EQ(f.Data[1], 0xFF);
    EXPECT_EQ(f.DataLen, 2);

    f = Frame(1, 1);
    EXPECT_EQ(ParseData("007 200 12", f, 10), 2);  // 12 has no blank after it
    EXPECT_EQ(f.Data[0], 7);
    EXPECT_EQ(f.Data[1], 200);
    EXPECT_EQ(f.DataLen, 2);
    EXPECT_EQ(ParseData("1 2 3 4 5 6 7 8 9 10 ", f, 10), 8);

    for (const int base : {16, 10, 2}) {
        _VCI_CAN_OBJ a = Frame(1, 8);
        _VCI_CAN_OBJ b = Frame(2, 8);
        for (int i = 0; i < 8; ++i) b.Data[i] = 0;
        EXPECT_EQ(ParseData(FormatData(a, base), b, base), 8) << base;
        EXPECT_EQ(std::memcmp(a.Data, b.Data, 8), 0) << base;
    }
    EXPECT_EQ(ParseData("01", f, 3), -1);
}

class KeyTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        XTPResourceTable table;
        table.strings = {{61493, "帧ID"},
                         {61502, "数据帧"},
                         {61503, "远程帧"},
                         {50289, "标准帧"},
                         {50288, "扩展帧"}};
        XTPSetResourceManager(std::make_unique<CXTPResourceManager>(table));
    }
    void TearDown() override { XTPSetResourceManager(std::make_unique<CXTPResourceManager>()); }

    static std::string Text(const OBJKEY& key, bool plain = false, bool negate = false,
                            std::uint32_t* caption = nullptr) {
        std::string text = "stale";
        std::uint32_t c = 1;
        name_share::KeyToText(key, text, c, plain, negate);
        if (caption != nullptr) *caption = c;
        return text;
    }
};

TEST_F(KeyTextTest, EveryKindReads) {
    std::uint32_t caption = 0;
    EXPECT_EQ(Text(Key(3, 0x123, 0xFFFFFFFF), false, false, &caption), "0x123");
    EXPECT_EQ(caption, 61493u);
    EXPECT_EQ(Text(Key(3, 0x123, 0xFFFFFFFF), true), "123");
    EXPECT_EQ(Text(Key(3, 0x123, 0x7FF)), "((帧ID)&0x7FF)==0x123");
    EXPECT_EQ(Text(Key(3, 0x123, 0x7FF), false, true), "((帧ID)&0x7FF)!=0x123");
    EXPECT_EQ(Text(Key(4, 0), false, false, &caption), "数据帧");
    EXPECT_EQ(caption, 61494u);
    EXPECT_EQ(Text(Key(4, 1)), "远程帧");
    EXPECT_EQ(Text(Key(5, 0), false, false, &caption), "标准帧");
    EXPECT_EQ(caption, 61495u);
    EXPECT_EQ(Text(Key(5, 1)), "扩展帧");
    EXPECT_EQ(Text(Key(6, 8), false, false, &caption), "0x8");
    EXPECT_EQ(caption, 61496u);
    EXPECT_EQ(Text(Key(6, 0xC), true), "C");

    OBJKEY data = Key(7, 4);
    data.bStart = 1;
    data.bEnd = 3;
    data.bDataArr[1] = 0xAA;
    data.bDataArr[2] = 0xBB;
    EXPECT_EQ(Text(data, false, false, &caption), "** AA BB ** ");
    EXPECT_EQ(caption, 61497u);
    // One "** " for each byte before the range, whatever the length says.
    data.dwData = 0;
    EXPECT_EQ(Text(data), "** AA BB ");
    data.bStart = 3;
    data.bEnd = 5;
    data.dwData = 2;
    EXPECT_EQ(Text(data), "** ** ** 00 00 ");
    data.bStart = 1;
    data.bEnd = 3;
    data.dwData = 1000;  // never more than eight groups
    data.bEnd = 90;
    EXPECT_EQ(Text(data), "** AA BB 00 00 00 00 00 ");

    EXPECT_EQ(Text(Key(9, 1), false, false, &caption), "");
    EXPECT_EQ(caption, 0u);
}

}  // namespace
