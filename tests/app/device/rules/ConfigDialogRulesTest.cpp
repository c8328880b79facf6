#include <gtest/gtest.h>

#include <cstring>

#include "app/device/rules/ClockText.h"
#include "app/device/rules/ConfigDialogRules.h"
#include "app/device/rules/DeviceTexts.h"
#include "tests/app/device/rules/DeviceSimFixture.h"

namespace {

using namespace korvex::device;
using korvex::test::DeviceSimTest;
using korvex::test::RecorderImageContent;
namespace wire = korvex::test::wire;

constexpr std::time_t kNoon = 1796558400;  // a fixed "now"; its fields are not asserted

// A recorder whose filter holds channel 0's standard identifiers 0x123 and
// 0x456 in one word (upper and lower half) and the extended group
// 0x1000-0x1FFF, with the filter enabled.
RecorderImageContent FilteredRecorder() {
    RecorderImageContent image;
    image.baseInfo[20] = 1;  // bFilterEnable
    const std::uint32_t header[5] = {0, 4, 4, 4, 12};
    std::memcpy(image.filterHeader.data(), header, sizeof header);
    image.filterHeader[20] = 1;
    const std::uint8_t table[12] = {0x56, 0x04, 0x23, 0x01, 0x00, 0x10, 0, 0, 0xFF, 0x1F, 0, 0};
    std::memcpy(image.filterTable.data(), table, sizeof table);
    return image;
}

class ConfigRulesTest : public DeviceSimTest {
  protected:
    CConfigDialogRules Opened(const BaseInfo& base = {}, const FilterInfo& filter = {}) {
        CConfigDialogRules rules(base, filter, kNoon);
        rules.Initialise();
        return rules;
    }
};

TEST_F(ConfigRulesTest, TableBitRateWritesBothRegisterFields) {
    Attach({RecorderImageContent{}});
    CConfigDialogRules rules = Opened();
    rules.controls.bitRateIndex = 3;  // 250K
    rules.controls.sendInterval = "1f4";
    rules.controls.modeIndex = 1;
    rules.controls.resistor = true;
    rules.controls.ioLevel = 1;
    rules.controls.clock = "2026-12-06 11:30:00";
    EXPECT_EQ(rules.Config().text, "操作成功");
    EXPECT_EQ(rules.controls.customRegister, "001c0008");
    const BaseInfo written = RecorderBase();
    EXPECT_EQ(+written.dwTiming, 0x001C0008u);
    EXPECT_EQ(+written.dwCustomTiming, 0x001C0008u);
    EXPECT_EQ(+written.dwCustomFlag, 0u);
    EXPECT_EQ(+written.dwSendInterval, 0x1F4u);
    EXPECT_EQ(+written.dwResistor, 1u);
    EXPECT_EQ(+written.bMode, 1);
    EXPECT_EQ(+written.bIoOutput, 1);
    const std::uint8_t clock[7] = {20, 26, 12, 6, 11, 30, 0};
    EXPECT_EQ(std::memcmp(&written.bCentury, clock, 7), 0);
    EXPECT_EQ(std::memcmp(&rules.Base(), &written, sizeof written), 0);
    // Filter box unchecked: no filter command went out.
    EXPECT_EQ(Sent(0, wire::kSetFilter), 0u);
}

TEST_F(ConfigRulesTest, ShowingTheBaseConfiguration) {
    BaseInfo stored{};
    stored.dwCustomFlag = 1;
    stored.dwCustomTiming = 0x001C0011;  // 125K
    stored.dwSendInterval = 0xABC;
    stored.bMode = 1;
    CConfigDialogRules rules = Opened(stored);
    EXPECT_EQ(rules.controls.bitRateIndex, 4);
    EXPECT_EQ(rules.controls.customRegister, "1c0011");
    EXPECT_EQ(rules.controls.sendInterval, "abc");
    EXPECT_EQ(rules.controls.modeIndex, 1);
    EXPECT_TRUE(rules.Enabling().customRegister);
    EXPECT_FALSE(rules.Enabling().bitRateList);

    // A custom register that is not in the table leaves the selection.
    stored.dwCustomTiming = 0x00123456;
    CConfigDialogRules custom(stored, {}, kNoon);
    custom.controls.bitRateIndex = 6;
    custom.ShowBase();
    EXPECT_EQ(custom.controls.bitRateIndex, 6);
    EXPECT_EQ(custom.controls.customRegister, "123456");

    custom.controls.bitRateIndex = 0;
    custom.BitRateChanged();
    EXPECT_EQ(custom.controls.customRegister, "00060003");
    custom.CalculatorResult(0x001c0001);
    EXPECT_EQ(custom.controls.customRegister, "001C0001");
}

// The dialog shows the rate the recorder runs at, whatever its custom
// register holds, and writes back only what the user changed.
TEST_F(ConfigRulesTest, ShowsTheRecorderRateAndWritesBackOnlyEdits) {
    const struct {
        std::uint32_t timing, customFlag, customTiming;
        bool custom;
        int index;
        const char* shownRegister;
    } cases[] = {
        {0x001C0008, 0, 0, false, 3, "1c0008"},           // 250K, custom register 0
        {0x001C0008, 0, 0x00060003, false, 3, "1c0008"},  // a stale custom register
        {0x00123456, 0, 0, true, 0, "123456"},            // no table entry: custom
        {0x00060003, 1, 0x001C0011, false, 4, "1c0011"},  // custom flag: its register
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shownRegister);
        RecorderImageContent image;
        std::memcpy(image.baseInfo.data(), &c.timing, 4);
        std::memcpy(image.baseInfo.data() + 4, &c.customFlag, 4);
        std::memcpy(image.baseInfo.data() + 8, &c.customTiming, 4);
        const std::uint8_t clock[7] = {20, 25, 1, 2, 3, 4, 5};
        std::memcpy(image.baseInfo.data() + 23, clock, 7);
        Attach({image});
        CConfigDialogRules rules = Opened();
        ASSERT_EQ(rules.Read().text, "操作成功");
        EXPECT_EQ(rules.controls.customBitRate, c.custom || c.customFlag != 0);
        if (!c.custom) {
            EXPECT_EQ(rules.controls.bitRateIndex, c.index);
        }
        EXPECT_EQ(rules.controls.customRegister, c.shownRegister);

        rules.controls.modeIndex = 1;
        ConfigChanges changes = rules.EditedChanges();
        EXPECT_FALSE(changes.bitTiming || changes.sendInterval || changes.filter);
        EXPECT_TRUE(changes.mode);
        changes.clock = false;  // as korvex-cli configure without --clock
        ASSERT_EQ(rules.Config(changes).text, "操作成功");
        const BaseInfo written = RecorderBase();
        EXPECT_EQ(+written.dwTiming, c.timing);
        EXPECT_EQ(+written.dwCustomFlag, c.customFlag);
        EXPECT_EQ(+written.dwCustomTiming, c.customTiming);
        EXPECT_EQ(+written.bMode, 1);
        EXPECT_EQ(std::memcmp(&written.bCentury, clock, 7), 0);
        EXPECT_FALSE(rules.EditedChanges().mode);
    }
}

TEST_F(ConfigRulesTest, NonHexadecimalTextsAreRefusedBeforeTheRecorderIsOpened) {
    Attach({RecorderImageContent{}});
    struct Case {
        bool custom;
        const char* customRegister;
        const char* interval;
        const char* message;
    };
    const Case cases[] = {
        {false, "", "12zz", "发送时间间隔不是十六进制数：12zz"},
        {false, "", "", "发送时间间隔不是十六进制数："},
        {false, "", "123456789", "发送时间间隔不是十六进制数：123456789"},
        {true, "0xg1", "10", "自定义寄存器不是十六进制数：0xg1"},
    };
    for (const Case& c : cases) {
        CConfigDialogRules rules = Opened();
        rules.controls.customBitRate = c.custom;
        rules.controls.customRegister = c.customRegister;
        rules.controls.sendInterval = c.interval;
        EXPECT_EQ(rules.Config().text, c.message);
    }
    EXPECT_EQ(Sent(0, wire::kGetBaseInfo), 0u);
    EXPECT_EQ(Sent(0, wire::kSetBaseInfo), 0u);

    CConfigDialogRules rules = Opened();
    rules.controls.filterEnable = true;
    rules.controls.startId = "0x12 3";
    EXPECT_EQ(rules.Add()->text, "起始帧ID不是十六进制数：0x12 3");
    rules.controls.filterFormat = 1;
    rules.controls.startId = " 0x10 ";
    rules.controls.endId = "twenty";
    EXPECT_EQ(rules.Add()->text, "结束帧ID不是十六进制数：twenty");
    EXPECT_TRUE(rules.controls.rows.empty());
}

TEST_F(ConfigRulesTest, AddAndDeleteKeepRowsAndRangesTogether) {
    CConfigDialogRules rules = Opened();
    rules.controls.filterEnable = true;
    rules.controls.startId = "123";
    rules.controls.endId = "zz";  // explicit formats ignore the end edit
    EXPECT_FALSE(rules.Add());
    EXPECT_FALSE(rules.Add());
    ASSERT_EQ(rules.controls.rows.size(), 1u);
    EXPECT_EQ(FilterRowTexts(rules.controls.rows[0]),
              (std::array<std::string, 4>{"0", "标准帧明确ID格式", "0x00000123", "0x00000123"}));

    rules.controls.filterFormat = 1;
    rules.controls.startId = "100";
    rules.controls.endId = "100";
    EXPECT_EQ(rules.Add()->text, "起始ID必须小于结束ID");
    rules.controls.filterFormat = 3;
    rules.controls.endId = "1ff";
    EXPECT_FALSE(rules.Add());
    ASSERT_EQ(rules.controls.rows.size(), 2u);
    EXPECT_EQ(FilterRowTexts(rules.controls.rows[0])[1], "扩展帧组ID格式");
    ASSERT_EQ(rules.Ranges().size(), 2u);
    EXPECT_EQ(+rules.Ranges()[1].dwExtended, 1u);

    rules.controls.selectedRow = -1;
    EXPECT_EQ(rules.Delete()->text, "没有选择删除条目");
    rules.controls.selectedRow = 1;
    EXPECT_FALSE(rules.Delete());
    ASSERT_EQ(rules.controls.rows.size(), 1u);
    ASSERT_EQ(rules.Ranges().size(), 1u);
    EXPECT_EQ(+rules.Ranges()[0].dwStart, 0x100u);

    EXPECT_TRUE(rules.Enabling().endId);
    rules.controls.filterFormat = 2;
    EXPECT_FALSE(rules.Enabling().endId);
    rules.controls.filterEnable = false;
    EXPECT_FALSE(rules.Enabling().filterControls);
}

TEST_F(ConfigRulesTest, ReadShowsTheTableInReverseAndRebuildsTheRanges) {
    Attach({FilteredRecorder()});
    CConfigDialogRules rules = Opened();
    // Ranges of before the read (added, not on the recorder) must not survive.
    rules.controls.filterEnable = true;
    rules.controls.startId = "7ff";
    ASSERT_FALSE(rules.Add());
    EXPECT_EQ(rules.Read().text, "操作成功");
    ASSERT_EQ(rules.controls.rows.size(), 3u);
    EXPECT_EQ(FilterRowTexts(rules.controls.rows[0]),
              (std::array<std::string, 4>{"0", "扩展帧组ID格式", "0x00001000", "0x00001fff"}));
    EXPECT_EQ(FilterRowTexts(rules.controls.rows[1])[2], "0x00000123");
    EXPECT_EQ(FilterRowTexts(rules.controls.rows[2])[2], "0x00000456");
    ASSERT_EQ(rules.Ranges().size(), 3u);
    EXPECT_EQ(+rules.Ranges()[0].dwStart, 0x456u);
    EXPECT_EQ(+rules.Ranges()[2].dwEnd, 0x1FFFu);

    // Config writes back exactly what the rows show.
    EXPECT_EQ(rules.Config().text, "操作成功");
    EXPECT_EQ(Sent(0, wire::kSetFilter), 2u);  // header and table
    FilterInfo written{};
    LGP_OpenDevice(LGP_DEVTYPE, 0, 0);
    ASSERT_EQ(LGP_GetFilterInfo(LGP_DEVTYPE, 0, &written), 1u);
    LGP_CloseDevice(LGP_DEVTYPE, 0);
    const FilterInfo& recorded = rules.Filter();
    EXPECT_EQ(+written.dwTableEnd, 12u);
    EXPECT_EQ(std::memcmp(written.bTable, recorded.bTable, sizeof written.bTable), 0);
    EXPECT_EQ(written.bTable[0], 0x56);
    EXPECT_EQ(written.bTable[2], 0x23);
}

TEST_F(ConfigRulesTest, FilterBoxUncheckedSendsOnlyTheBaseAndKeepsTheRows) {
    Attach({FilteredRecorder()});
    CConfigDialogRules rules = Opened();
    ASSERT_EQ(rules.Read().text, "操作成功");
    rules.controls.filterEnable = false;
    EXPECT_EQ(rules.Config().text, "操作成功");
    EXPECT_EQ(Sent(0, wire::kSetBaseInfo), 1u);
    EXPECT_EQ(Sent(0, wire::kSetFilter), 0u);
    EXPECT_EQ(rules.controls.rows.size(), 3u);
    EXPECT_EQ(+RecorderBase().bFilterEnable, 0);
}

TEST_F(ConfigRulesTest, ARangeTheTableRefusesStopsConfigBeforeAnythingIsWritten) {
    Attach({RecorderImageContent{}});
    CConfigDialogRules rules = Opened();
    rules.controls.filterEnable = true;
    // 1024 standard identifiers fill the 2048-byte table; one more does not fit.
    for (std::uint32_t id = 0; id <= 1024; ++id) {
        rules.controls.startId = korvex::device::FormatU32("%x", id);
        ASSERT_FALSE(rules.Add());
    }
    rules.controls.sendInterval = "0";
    const DeviceMessage refusal = rules.Config();
    EXPECT_FALSE(refusal.ok);
    EXPECT_EQ(refusal.text,
              "滤波表容不下 标准帧明确ID格式 0x00000400（起始ID须小于结束ID，表长2048字节），"
              "没有写入任何配置");
    EXPECT_EQ(Sent(0, wire::kSetBaseInfo), 0u);
    EXPECT_EQ(Sent(0, wire::kSetFilter), 0u);
}

TEST_F(ConfigRulesTest, AStoredRangeTheTableRefusesCanBeDeletedAndConfigGoesThrough) {
    // Channel 0's standard group 0x300-0x100 (start above end), then the
    // extended identifier 0x1234.
    RecorderImageContent image;
    image.baseInfo[20] = 1;
    const std::uint32_t header[5] = {0, 0, 4, 8, 8};
    std::memcpy(image.filterHeader.data(), header, sizeof header);
    image.filterHeader[20] = 1;
    const std::uint8_t table[8] = {0x00, 0x01, 0x00, 0x03, 0x34, 0x12, 0x00, 0x00};
    std::memcpy(image.filterTable.data(), table, sizeof table);
    Attach({image});
    CConfigDialogRules rules = Opened();
    ASSERT_EQ(rules.Read().text, "操作成功");
    ASSERT_EQ(rules.controls.rows.size(), 2u);
    rules.controls.modeIndex = 1;
    EXPECT_EQ(rules.Config().text,
              "滤波表容不下 标准帧组ID格式 0x00000300-0x00000100（起始ID须小于结束ID，"
              "表长2048字节），没有写入任何配置");
    EXPECT_EQ(Sent(0, wire::kSetBaseInfo), 0u);
    EXPECT_EQ(+RecorderBase().bMode, 0);

    rules.controls.selectedRow = 1;  // the group: the walk's first entry is the bottom row
    ASSERT_EQ(rules.controls.rows[1].format, FilterFormat::kStdGroup);
    ASSERT_FALSE(rules.Delete());
    EXPECT_EQ(rules.Config().text, "操作成功");
    EXPECT_EQ(+RecorderBase().bMode, 1);
    EXPECT_EQ(+rules.Filter().dwExtExplicitStart, 0u);
    EXPECT_EQ(+rules.Filter().dwTableEnd, 4u);
}

TEST_F(ConfigRulesTest, FailuresSayOperationFailed) {
    PipeUsbSim_Configure("");
    CConfigDialogRules rules = Opened();
    rules.controls.sendInterval = "0";
    EXPECT_EQ(rules.Read().text, "操作失败");
    EXPECT_EQ(rules.Config().text, "操作失败");
    EXPECT_EQ(CConfigDialogRules::Default().text, "操作失败");

    Attach({RecorderImageContent{}});
    PipeUsbSimFault fault{PIPEUSB_SIM_STATUS_ERROR, 0, wire::kGetFilter, 0, 1, 0};
    ASSERT_EQ(PipeUsbSim_InjectFault(&fault), 1u);
    BaseInfo stored{};
    stored.dwSendInterval = 0x77;
    CConfigDialogRules partial = Opened(stored);
    EXPECT_EQ(partial.Read().text, "操作失败");
    EXPECT_EQ(partial.controls.sendInterval, "0");  // the base read did succeed and is shown
}

TEST_F(ConfigRulesTest, DefaultAlwaysAddressesTheFirstRecorder) {
    Attach({RecorderImageContent{}, RecorderImageContent{}});
    CConfigDialogRules rules = Opened();
    rules.controls.deviceIndex = 1;
    EXPECT_EQ(CConfigDialogRules::DefaultQuestion().text, "确认恢复出厂默认配置?");
    EXPECT_EQ(CConfigDialogRules::Default().text, "操作成功");
    EXPECT_EQ(Sent(0, wire::kFactoryDefault), 1u);
    EXPECT_EQ(Sent(1, wire::kFactoryDefault), 0u);
}

TEST_F(ConfigRulesTest, RunningClockRollsOnTheCalendarAndSparesTypedText) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"2026-12-06 11:30:59", "2026-12-06 11:31:00"},
        {"2026-12-31 23:59:59", "2027-01-01 00:00:00"},
        {"2028-02-28 23:59:59", "2028-02-29 00:00:00"},
        {"2100-02-28 23:59:59", "2100-03-01 00:00:00"},
        {"2026-04-30 23:59:59", "2026-05-01 00:00:00"},
        {"garbage", "0000-00-00 00:00:01"},
    };
    for (const Case& c : cases) {
        CConfigDialogRules rules = Opened();
        rules.controls.clock = c.before;
        EXPECT_TRUE(rules.Tick());
        EXPECT_EQ(rules.controls.clock, c.after) << c.before;
    }
    CConfigDialogRules rules = Opened();
    rules.controls.clock = "2026-01-01 00:00:0";
    rules.ClockFocus(true);
    EXPECT_FALSE(rules.Tick());
    EXPECT_EQ(rules.controls.clock, "2026-01-01 00:00:0");
    rules.ClockFocus(false);
    EXPECT_TRUE(rules.Tick());
    EXPECT_EQ(rules.controls.clock, "2026-01-01 00:00:01");
    EXPECT_EQ(FormatClock(ClockFromTime(0)).size(), 19u);
}

TEST_F(ConfigRulesTest, RecordsGoBackIntoTheStoredSetting) {
    Attach({FilteredRecorder()});
    CConfigDialogRules rules = Opened();
    ASSERT_EQ(rules.Read().text, "操作成功");
    CANSetting setting{};
    rules.StoreInto(setting);
    EXPECT_EQ(+setting.baseInfo.bFilterEnable, 1);
    EXPECT_EQ(+setting.filterInfo.dwTableEnd, 12u);
    EXPECT_EQ(std::memcmp(&setting.filterInfo, &rules.Filter(), sizeof(FilterInfo)), 0);
}

TEST(FilterTableWalk, BoundsOfADamagedRecord) {
    FilterInfo info{};
    info.dwTableEnd = 2049;
    EXPECT_TRUE(WalkFilterTable(info).empty());
    // A padding half at the very end has nothing after it to read.
    info.dwTableEnd = 2048;
    info.dwStdGroupStart = info.dwExtExplicitStart = info.dwExtGroupStart = 2048;
    info.bTable[2046] = info.bTable[2047] = 0xFF;
    EXPECT_EQ(WalkFilterTable(info).size(), 1023u);
    // An extended group cut by the end is not read.
    info = {};
    info.dwTableEnd = 6;
    EXPECT_TRUE(WalkFilterTable(info).empty());
    info.dwTableEnd = 8;
    EXPECT_EQ(WalkFilterTable(info).size(), 1u);
}

}  // namespace
