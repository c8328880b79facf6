#include <gtest/gtest.h>

#include <cstring>

#include "app/device/rules/ClearRules.h"
#include "app/device/rules/PresetFrameRules.h"
#include "tests/app/device/rules/DeviceSimFixture.h"

namespace {

using namespace korvex::device;
using korvex::test::DeviceSimTest;
using korvex::test::RecorderImageContent;
namespace wire = korvex::test::wire;

class PresetRulesTest : public DeviceSimTest {};

TEST_F(PresetRulesTest, WriteParsingRules) {
    struct Case {
        const char* id;
        const char* type;
        const char* data;
        std::uint32_t idAfter;
        const char* idCell;
        std::uint8_t length;
        const char* dataCell;
    };
    // Each row starts from a frame with identifier 0x55.
    const Case cases[] = {
        {"0x1234", "标准帧", "", 0x234, "0x00000234", 0, ""},
        {"0x1234", "扩展帧", "1", 0x1234, "0x00001234", 1, "01 "},
        {"1234", "扩展帧", " 1 2 3 ", 0x55, "0x00000055", 3, "01 02 03 "},
        {"0x", "标准帧", "1 2 3 4 5 6 7 8 9 a", 0x55, "0x00000055", 8, "01 02 03 04 05 06 07 08 "},
        {"0xabcdef12", "扩展帧", "ff  0x7", 0xABCDEF12, "0xABCDEF12", 2, "FF 07 "},
    };
    for (const Case& c : cases) {
        PresetRows rows = InitialPresetRows();
        PresetFrames frames{};
        for (_VCI_CAN_OBJ& f : frames) f.ID = 0x55;
        frames[0].TimeStamp = 777;
        rows[0][kPresetId] = c.id;
        rows[0][kPresetType] = c.type;
        rows[0][kPresetData] = c.data;
        rows[0][kPresetFormat] = "远程帧";
        rows[0][kPresetSendType] = "自发自收";
        ASSERT_FALSE(TakePresetRows(rows, frames)) << c.id;
        EXPECT_EQ(+frames[0].ID, c.idAfter) << c.id;
        EXPECT_EQ(rows[0][kPresetId], c.idCell) << c.id;
        EXPECT_EQ(+frames[0].DataLen, c.length) << c.data;
        EXPECT_EQ(rows[0][kPresetData], c.dataCell) << c.data;
        EXPECT_EQ(+frames[0].RemoteFlag, 1);
        EXPECT_EQ(+frames[0].SendType, 2);
        EXPECT_EQ(+frames[0].TimeStamp, 777u);
        EXPECT_EQ(+frames[1].ExternFlag, 0);
        EXPECT_EQ(+frames[1].SendType, 0);
        EXPECT_EQ(+frames[1].ID, 0u);  // "0x00000000"
    }
}

TEST_F(PresetRulesTest, ANonHexadecimalByteRefusesTheWholeWrite) {
    Attach({RecorderImageContent{}});
    CPresetDialogRules rules(CANSetting{});
    rules.Show();
    rules.rows[0][kPresetId] = "0x7";
    rules.rows[4][kPresetData] = "11 2g 33";
    const PresetRows before = rules.rows;
    EXPECT_EQ(rules.Write().text, "数据不是十六进制字节：2g");
    EXPECT_EQ(rules.rows, before);
    EXPECT_EQ(+rules.frames[0].ID, 0u);
    EXPECT_EQ(Sent(0, wire::kSetPreFrame), 0u);
    rules.rows[4][kPresetData] = "100";
    EXPECT_EQ(rules.Write().text, "数据不是十六进制字节：100");
}

TEST_F(PresetRulesTest, WriteThenReadRoundTripsThroughTheRecorder) {
    const std::string image = Attach({RecorderImageContent{}});
    CANSetting stored{};
    {
        CPresetDialogRules seed(stored);
        _VCI_CAN_OBJ& f = seed.frames[2];
        f.ID = 0x18FF0001;
        f.ExternFlag = 1;
        f.DataLen = 2;
        f.Data[0] = 0xAB;
        f.SendType = 0xFF;
        seed.StoreInto(stored);
    }
    CPresetDialogRules rules(stored);
    rules.Show();
    EXPECT_EQ(rules.rows[2],
              (PresetRow{"2", "0x18ff0001", "数据帧", "扩展帧", "自发自收", "ab 00 "}));
    rules.rows[5] = {"5", "0x7ff", "远程帧", "标准帧", "正常发送", "de ad"};
    EXPECT_EQ(rules.Write().text, "操作成功");

    // Another session, as if the program had been restarted, reads it back.
    ASSERT_EQ(PipeUsbSim_Configure(image.c_str()), 1u);
    CPresetDialogRules again(CANSetting{});
    EXPECT_EQ(again.Read().text, "操作成功");
    EXPECT_EQ(again.rows[5],
              (PresetRow{"5", "0x000007ff", "远程帧", "标准帧", "正常发送", "de ad "}));
    EXPECT_EQ(again.rows[2][kPresetId], "0x18ff0001");
    CANSetting back{};
    again.StoreInto(back);
    const PresetFrames kept = CPresetDialogRules(back).frames;
    EXPECT_EQ(kept[5].ID, 0x7FFu);
    EXPECT_EQ(kept[5].RemoteFlag, 1);

    PipeUsbSim_Configure("");
    EXPECT_EQ(again.Write().text, "操作失败");
    EXPECT_EQ(again.Read().text, "操作失败");
    EXPECT_EQ(again.rows[5][kPresetId], "0x000007ff");
}

TEST_F(PresetRulesTest, EditorsAndCaptions) {
    EXPECT_EQ(PresetCaptions()[5], "数据(HEX)");
    EXPECT_EQ(PresetChoices(kPresetSendType), (std::vector<std::string>{"正常发送", "自发自收"}));
    EXPECT_TRUE(PresetChoices(kPresetNumber).empty());
    EXPECT_EQ(PresetEditorText(kPresetId), "0x00000001");
    EXPECT_EQ(PresetEditorText(kPresetData), "11 22 33 44 55 66 77 88");
    _VCI_CAN_OBJ odd{};
    odd.DataLen = 200;  // a damaged stored record shows the eight bytes there are
    EXPECT_EQ(PresetRowOf(0, odd)[kPresetData], "00 00 00 00 00 00 00 00 ");
}

TEST_F(PresetRulesTest, ClearMessages) {
    EXPECT_EQ(ClearQuestionText(), "确认清空下位机缓存报文？");
    Attach({RecorderImageContent{}});
    DeviceMessage m = ClearOutcomeMessage(ClearRecorder(0), 0);
    EXPECT_EQ(m.text, "操作成功!");
    EXPECT_EQ(m.type, 0u);
    EXPECT_EQ(Sent(0, wire::kClearFrames), 1u);

    PipeUsbSimFault fault{PIPEUSB_SIM_STATUS_ERROR, 0, wire::kClearFrames, 0, 1, 0};
    ASSERT_EQ(PipeUsbSim_InjectFault(&fault), 1u);
    m = ClearOutcomeMessage(ClearRecorder(0), 0);
    EXPECT_EQ(m.text, "下位机没有确认清空缓存报文!");
    EXPECT_EQ(m.caption, "警告");
    EXPECT_EQ(m.type, 0x30u);

    PipeUsbSim_Configure("");
    m = ClearOutcomeMessage(ClearRecorder(0), 0);
    EXPECT_EQ(m.text, "打开设备失败!");
    EXPECT_EQ(m.caption, "警告");
}

}  // namespace
