#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/device/rules/PresetFrameRules.h"
#include "core/CanSetting.h"
#include "core/KorvexGlobal.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/RecorderImageWriter.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::ReadBytes;
using korvex::test::RecorderImageContent;
using korvex::test::RunCli;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

constexpr std::uint8_t kSetBaseInfo = 0x11;
constexpr std::uint8_t kSetPreFrame = 0x12;
constexpr std::uint8_t kSetFilter = 0x13;
constexpr std::uint8_t kClearFrames = 0x18;
constexpr std::uint8_t kFactoryDefault = 0x19;

class DeviceCliTest : public korvex::test::CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        // A confirmation must never wait for a terminal here.
        ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
        PipeUsbSim_SetClock([](void*) -> std::uint64_t { return 1'000'000; }, nullptr);
    }
    void TearDown() override {
        PipeUsbSim_SetClock(nullptr, nullptr);
        CliTest::TearDown();
    }

    // Recorder image files in the test folder, attached as one run of the
    // program would find them; calling it again is the next run.
    void Attach(std::size_t count, const RecorderImageContent& content = {}) {
        images.clear();
        for (std::size_t i = 0; i < count; ++i) {
            images.push_back(dir.File("rec" + std::to_string(i) + ".img"));
            ASSERT_TRUE(korvex::test::WriteRecorderImage(images.back(), content));
        }
        Reattach();
    }
    void Reattach() {
        std::string list;
        for (const std::string& path : images) list += (list.empty() ? "" : ";") + path;
        ASSERT_EQ(PipeUsbSim_Configure(list.c_str()), 1u);
    }
    CANSetting Stored() {
        CKorvexGlobal global;
        global.iniPath = dir.File("DevCfg.ini");
        global.LoadSettings();
        return global.CANSetting;
    }
    korvex::device::PresetFrames StoredPresets() {
        return korvex::device::CPresetDialogRules(Stored()).frames;
    }
    static BaseInfo Base(std::uint32_t index) {
        BaseInfo base{};
        LGP_OpenDevice(LGP_DEVTYPE, index, 0);
        EXPECT_EQ(LGP_GetBaseInfo(LGP_DEVTYPE, index, &base), 1u);
        LGP_CloseDevice(LGP_DEVTYPE, index);
        return base;
    }
    static FilterInfo Filter(std::uint32_t index) {
        FilterInfo filter{};
        LGP_OpenDevice(LGP_DEVTYPE, index, 0);
        EXPECT_EQ(LGP_GetFilterInfo(LGP_DEVTYPE, index, &filter), 1u);
        LGP_CloseDevice(LGP_DEVTYPE, index);
        return filter;
    }

    TempFolder dir;
    std::vector<std::string> images;
};

TEST_F(DeviceCliTest, UsageErrorsNameTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char* named;
    };
    const Case cases[] = {
        {{"bittiming", "--rate", "abc"}, "--rate"},
        {{"bittiming", "--rate", "6000001"}, "--rate"},
        {{"bittiming", "--sjw", "4"}, "--sjw"},
        {{"bittiming", "--clock", "133.5"}, "--clock"},
        {{"bittiming", "--clock", "nan"}, "--clock"},
        {{"bittiming", "--clock"}, "--clock"},
        {{"configure", "--bitrate", "300K"}, "--bitrate"},
        {{"configure", "--register", "zz"}, "--register"},
        {{"configure", "--bitrate", "5K", "--register", "1"}, "--register"},
        {{"configure", "--mode", "loud"}, "--mode"},
        {{"configure", "--interval", "12g"}, "--interval"},
        {{"configure", "--clock", "2026-02-30 00:00:00"}, "--clock"},
        {{"configure", "--clock", "2026-12-06 24:00:00"}, "--clock"},
        {{"configure", "--clock", "yesterday"}, "--clock"},
        {{"configure", "--io", "2"}, "--io"},
        {{"configure", "--resistor", "yes"}, "--resistor"},
        {{"configure", "--filter", "std:200-100"}, "--filter"},
        {{"configure", "--filter", "std:100-100"}, "--filter"},
        {{"configure", "--filter", "std:800"}, "--filter"},
        {{"configure", "--filter", "ext:1,,std:1"}, "--filter"},
        {{"configure", "--filter", "fd:1"}, "--filter"},
        {{"configure", "-d", "x"}, "-d"},
        {{"configure", "--frobnicate"}, "--frobnicate"},
        {{"presets"}, "get or set"},
        {{"presets", "set"}, "FILE"},
        {{"presets", "get", "-d", "256"}, "-d"},
        {{"clear", "--force"}, "--force"},
        {{"default", "-d", "1", "--yes"}, "-d"},
        {{"kvset", "export"}, "export or import"},
        {{"kvset", "send", "a.kvset"}, "export or import"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args, dir.path);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Usage: korvex-cli " + c.args[0]), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    for (const char* verb : {"bittiming", "configure", "presets", "clear", "default", "kvset"}) {
        const CliRun run = RunCli({verb, "--help"});
        EXPECT_EQ(run.status, 0) << verb;
        EXPECT_EQ(run.out.rfind(std::string("Usage: korvex-cli ") + verb, 0), 0u) << run.out;
    }
}

TEST_F(DeviceCliTest, BitTimingPrintsTheCalculatorsList) {
    const CliRun run = RunCli({"bittiming"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("位定时\tTSEG1/2\t采样点\t实际值\t误差\t\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\n0x001C0001\t12, 1\t87.5%\t500000\t0.00%\t\n"), std::string::npos);

    const CliRun triple = RunCli(
        {"bittiming", "--clock", "36", "--rate", "1000000", "--sjw", "1", "--no-rule", "--triple"});
    ASSERT_EQ(triple.status, 0);
    EXPECT_NE(triple.out.find("\n0x00864003\t6, 0\t88.9%\t1000000\t0.00%\t\n"), std::string::npos)
        << triple.out;

    const CliRun fast = RunCli({"bittiming", "--clock", "120", "--rate", "6000000"});
    EXPECT_NE(fast.out.find("\t6000000\t0.00%\t\n"), std::string::npos) << fast.out;
    const CliRun none = RunCli({"bittiming", "--rate", "0"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "位定时\tTSEG1/2\t采样点\t实际值\t误差\t\n");
}

TEST_F(DeviceCliTest, ConfigureWritesTheRecorderAndKeepsItAcrossRuns) {
    Attach(1);
    const CliRun run = RunCli({"configure", "--bitrate", "250K", "--mode", "normal", "--interval",
                               "1f4", "--clock", "2026-12-06 11:30:00", "--io", "1", "--resistor",
                               "on", "--filter", "std:123,std:100-1ff,ext:18FF0000"},
                              dir.path);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "操作成功\n");

    Reattach();  // the next run finds what the image file kept
    const BaseInfo base = Base(0);
    EXPECT_EQ(+base.dwTiming, 0x001C0008u);
    EXPECT_EQ(+base.dwCustomTiming, 0x001C0008u);
    EXPECT_EQ(+base.dwSendInterval, 0x1F4u);
    EXPECT_EQ(+base.bMode, 1);
    EXPECT_EQ(+base.bIoOutput, 1);
    EXPECT_EQ(+base.dwResistor, 1u);
    EXPECT_EQ(+base.bFilterEnable, 1);
    const FilterInfo filter = Filter(0);
    EXPECT_EQ(+filter.dwStdGroupStart, 4u);     // 0x123 and its padding
    EXPECT_EQ(+filter.dwExtExplicitStart, 8u);  // one standard group
    EXPECT_EQ(+filter.dwTableEnd, 12u);
    // DevCfg.ini holds what was written.
    const CANSetting stored = Stored();
    EXPECT_EQ(std::memcmp(&stored.baseInfo, &base, sizeof base), 0);
    EXPECT_EQ(+stored.filterInfo.dwTableEnd, 12u);

    // Starting from the recorder again keeps its filter; --filter off drops it.
    ASSERT_EQ(RunCli({"configure", "--bitrate", "1000K"}, dir.path).status, 0);
    Reattach();
    EXPECT_EQ(+Filter(0).dwTableEnd, 12u);
    EXPECT_EQ(+Base(0).dwTiming, 0x00060003u);
    EXPECT_EQ(+Base(0).dwSendInterval, 0x1F4u);
    const CliRun off = RunCli({"configure", "--filter", "off"}, dir.path);
    ASSERT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetFilter), 0u);
    EXPECT_EQ(+Base(0).bFilterEnable, 0);
    EXPECT_EQ(+Stored().baseInfo.bFilterEnable, 0);
}

// A recorder at 250K set by table (custom register field 0), filter enabled,
// whose table holds entries of channel 0 and channel 1 as the library lays
// them out: standard 0x123 (channel 0) and 0x456 (channel 1) in one word, and
// the extended 0x18FF0001 of channel 1.
RecorderImageContent Recorder250K() {
    RecorderImageContent image;
    korvex::test::PutU32(&image.baseInfo[0], 0x001C0008);
    korvex::test::PutU32(&image.baseInfo[12], 0x64);
    korvex::test::PutU32(&image.baseInfo[16], 1);
    image.baseInfo[20] = 1;
    image.baseInfo[21] = 1;
    const std::uint8_t clock[7] = {20, 25, 3, 14, 9, 26, 53};
    std::memcpy(&image.baseInfo[23], clock, sizeof clock);
    const std::uint32_t header[5] = {0, 4, 4, 8, 8};
    std::memcpy(image.filterHeader.data(), header, sizeof header);
    image.filterHeader[20] = 1;
    const std::uint8_t table[8] = {0x56, 0x24, 0x23, 0x01, 0x01, 0x00, 0xFF, 0x38};
    std::memcpy(image.filterTable.data(), table, sizeof table);
    return image;
}

TEST_F(DeviceCliTest, ConfigureWritesBackWhatNoOptionNames) {
    Attach(1, Recorder250K());
    const BaseInfo before = Base(0);
    const FilterInfo filterBefore = Filter(0);
    ASSERT_EQ(+filterBefore.dwTableEnd, 8u);
    const CliRun run = RunCli({"configure", "--io", "1"}, dir.path);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetFilter), 0u);

    BaseInfo expected = before;
    expected.bIoOutput = 1;
    Reattach();
    const BaseInfo after = Base(0);
    EXPECT_EQ(+after.dwTiming, 0x001C0008u);
    EXPECT_EQ(+after.dwCustomTiming, 0u);
    EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
    const FilterInfo filterAfter = Filter(0);
    EXPECT_EQ(std::memcmp(&filterAfter, &filterBefore, sizeof filterBefore), 0);
    const CANSetting stored = Stored();
    EXPECT_EQ(std::memcmp(&stored.baseInfo, &expected, sizeof expected), 0);
    EXPECT_EQ(std::memcmp(&stored.filterInfo, &filterBefore, sizeof filterBefore), 0);

    // The stored configuration on a fresh recorder: the same timing fields and
    // the same table, channel 1 included.
    Attach(1);
    const CliRun fleet = RunCli({"configure", "--stored"}, dir.path);
    ASSERT_EQ(fleet.status, 0) << fleet.err;
    Reattach();
    const BaseInfo copied = Base(0);
    EXPECT_EQ(+copied.dwTiming, 0x001C0008u);
    EXPECT_EQ(+copied.dwCustomFlag, 0u);
    EXPECT_EQ(+copied.dwCustomTiming, 0u);
    EXPECT_EQ(+copied.bIoOutput, 1);
    // No --clock: the recorder keeps its own clock, not the PC's time.
    const std::uint8_t freshClock[7] = {};
    EXPECT_EQ(std::memcmp(&copied.bCentury, freshClock, sizeof freshClock), 0);
    const FilterInfo copiedFilter = Filter(0);
    EXPECT_EQ(std::memcmp(&copiedFilter.dwStdExplicitStart, &filterBefore.dwStdExplicitStart,
                          sizeof filterBefore - offsetof(FilterInfo, dwStdExplicitStart)),
              0);
}

TEST_F(DeviceCliTest, StoredConfigurationGoesToAFleet) {
    Attach(1);
    ASSERT_EQ(
        RunCli({"configure", "--register", "1c0001", "--filter", "ext:100-1ff"}, dir.path).status,
        0);
    Attach(3);  // three fresh recorders
    for (const char* index : {"1", "2"}) {
        const CliRun run = RunCli({"configure", "--stored", "-d", index}, dir.path);
        ASSERT_EQ(run.status, 0) << run.err;
    }
    Reattach();
    for (std::uint32_t i : {1u, 2u}) {
        EXPECT_EQ(+Base(i).dwTiming, 0x001C0001u) << i;
        EXPECT_EQ(+Base(i).dwCustomFlag, 1u) << i;
        const FilterInfo filter = Filter(i);
        EXPECT_EQ(+filter.dwExtGroupStart, 0u) << i;
        EXPECT_EQ(+filter.dwTableEnd, 8u) << i;
    }
    EXPECT_EQ(+Base(0).dwTiming, 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetBaseInfo), 0u);
}

TEST_F(DeviceCliTest, ConfigureFailuresExitWithOne) {
    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    const CliRun run = RunCli({"configure", "--bitrate", "5K"}, dir.path);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "操作失败\n");
    EXPECT_EQ(RunCli({"configure", "--stored"}, dir.path).err, "操作失败\n");
}

TEST_F(DeviceCliTest, PresetsSetAndGetAcrossRuns) {
    Attach(1);
    WriteBytes(dir / "presets.txt",
               "0\t0x1234\t远程帧\t标准帧\t自发自收\t 1 2 3 \t\n"
               "1\t0x18ff0001\t数据帧\t扩展帧\t正常发送\t1 2 3 4 5 6 7 8 9 a\t\r\n");
    const CliRun set = RunCli({"presets", "set", (dir / "presets.txt").string()}, dir.path);
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "操作成功\n");
    EXPECT_EQ(+StoredPresets()[0].ID, 0x234u);

    Reattach();
    const CliRun get = RunCli({"presets", "get"}, dir.path);
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(get.out,
              "0\t0x00000234\t远程帧\t标准帧\t自发自收\t01 02 03 \t\n"
              "1\t0x18ff0001\t数据帧\t扩展帧\t正常发送\t01 02 03 04 05 06 07 08 \t\n"
              "2\t0x00000000\t数据帧\t标准帧\t正常发送\t\t\n"
              "3\t0x00000000\t数据帧\t标准帧\t正常发送\t\t\n"
              "4\t0x00000000\t数据帧\t标准帧\t正常发送\t\t\n"
              "5\t0x00000000\t数据帧\t标准帧\t正常发送\t\t\n");

    // The output of get is input for set; a bad byte is refused by name.
    WriteBytes(dir / "bad.txt", "0\t0x1\t数据帧\t标准帧\t正常发送\t11 xy\t\n");
    const std::uint32_t writes = PipeUsbSim_ExchangeCount(0, kSetPreFrame);
    const CliRun bad = RunCli({"presets", "set", (dir / "bad.txt").string()}, dir.path);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "数据不是十六进制字节：xy\n");
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetPreFrame), writes);

    // Each line goes to the preset its number names; a number out of place
    // or given twice refuses the file before anything is sent.
    WriteBytes(dir / "placed.txt", "4\t0x444\t数据帧\t标准帧\t正常发送\t44\t\n");
    ASSERT_EQ(RunCli({"presets", "set", (dir / "placed.txt").string()}, dir.path).status, 0);
    EXPECT_EQ(+StoredPresets()[4].ID, 0x444u);
    EXPECT_EQ(+StoredPresets()[0].ID, 0x234u) << "the others kept";
    const std::uint32_t placedWrites = PipeUsbSim_ExchangeCount(0, kSetPreFrame);
    struct Refused {
        const char* text;
        const char* error;
    };
    for (const Refused& r :
         {Refused{"6\t0x1\t数据帧\t标准帧\t正常发送\t\t\n", "the preset number is 0 to 5, not '6'"},
          Refused{"1\t0x1\t数据帧\t标准帧\t正常发送\t\t\n\n1\t0x2\t数据帧\t标准帧\t正常发送\t\t\n",
                  "preset 1 is given twice"}}) {
        WriteBytes(dir / "refused.txt", r.text);
        const CliRun refused = RunCli({"presets", "set", (dir / "refused.txt").string()}, dir.path);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(r.error), std::string::npos) << refused.err;
    }
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetPreFrame), placedWrites);

    WriteBytes(dir / "short.txt", "0\t0x1\t数据帧\n");
    EXPECT_EQ(RunCli({"presets", "set", (dir / "short.txt").string()}, dir.path).status, 1);
    EXPECT_EQ(RunCli({"presets", "set", (dir / "none.txt").string()}, dir.path).status, 1);
    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    EXPECT_EQ(RunCli({"presets", "get"}, dir.path).err, "操作失败\n");
    EXPECT_EQ(+StoredPresets()[1].ID, 0x18FF0001u);  // a failed read keeps them
}

TEST_F(DeviceCliTest, ClearAndDefaultNeedAConfirmation) {
    RecorderImageContent recorded;
    recorded.recordCount = 50;
    Attach(2, recorded);
    CliRun run = RunCli({"clear", "-d", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("确认清空下位机缓存报文？"), std::string::npos);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(1, kClearFrames), 0u);

    run = RunCli({"clear", "-d", "1", "--yes"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "操作成功!\n");
    Reattach();
    EXPECT_EQ(korvex::test::ShownRecords(1), 0u);
    EXPECT_EQ(korvex::test::ShownRecords(0), 50u);

    EXPECT_EQ(RunCli({"default"}).status, 1);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kFactoryDefault), 0u);
    run = RunCli({"default", "--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kFactoryDefault), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(1, kFactoryDefault), 0u);

    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    EXPECT_EQ(RunCli({"clear", "--yes"}).err, "打开设备失败!\n");
    EXPECT_EQ(RunCli({"default", "--yes"}).err, "操作失败\n");
}

TEST_F(DeviceCliTest, KvsetMovesDevCfgByteForByte) {
    Attach(1);
    ASSERT_EQ(RunCli({"configure", "--bitrate", "50K"}, dir.path).status, 0);
    const std::string kvset = (dir / "fleet.kvset").string();
    ASSERT_EQ(RunCli({"kvset", "export", kvset}, dir.path).status, 0);
    const std::string saved = ReadBytes(dir / "DevCfg.ini");
    const std::string file = ReadBytes(kvset);
    ASSERT_GT(file.size(), 24u);
    EXPECT_EQ(file.substr(0, 16), std::string("\x01\x0B\0\0\0DevCfg.ini\0", 16));

    TempFolder other;
    const CliRun imported = RunCli({"kvset", "import", kvset}, other.path);
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(ReadBytes(other / "DevCfg.ini"), saved);

    WriteBytes(dir / "cut.kvset", file.substr(0, 20));
    const CliRun cut = RunCli({"kvset", "import", (dir / "cut.kvset").string()}, other.path);
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find("ends inside an entry"), std::string::npos) << cut.err;
    EXPECT_EQ(ReadBytes(other / "DevCfg.ini"), saved);
    // What cannot be opened says why, and changes nothing.
    std::filesystem::create_directory(dir / "folder.kvset");
    for (const auto& [name, reason] :
         {std::pair{"missing.kvset", "No such file or directory"},
          std::pair{"folder.kvset", "Is a directory"}}) {
        const CliRun refused = RunCli({"kvset", "import", (dir / name).string()}, other.path);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, "korvex-cli: cannot open " + (dir / name).string() + ": " + reason +
                                   "\n");
    }
    EXPECT_EQ(ReadBytes(other / "DevCfg.ini"), saved);
    const CliRun cannot = RunCli({"kvset", "export", (dir / "no/such/x.kvset").string()}, dir.path);
    EXPECT_EQ(cannot.status, 1);
    EXPECT_EQ(cannot.err, "保存配置失败\n");
}

}  // namespace
