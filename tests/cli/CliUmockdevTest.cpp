// korvex-cli through libusb against recorders emulated at the usbdevfs ioctls:
// every device command gives what it gives against the sim back end, byte for
// byte, and every USB fault ends with the program's message, the recorder
// released and the settings untouched.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "cli/DeviceCommandSupport.h"
#include "core/CanSetting.h"
#include "pipeusb/include/pipeusb_diag.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "pipeusb/sim/DemoRecording.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/support/umockdev/RecorderTestbed.h"

namespace {

using korvex::test::CEmulatedRecorder;
using korvex::test::CliRun;
using korvex::test::DemoRecorderSetup;
using korvex::test::EmulatedRecorderSetup;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::TempFolder;
using korvex::test::Testbed;
using korvex::test::UsbFault;
using korvex::test::WriteBytes;
namespace fs = std::filesystem;

// Read once, on first use: set before any test runs.
const bool kUsbChosen = korvex::test::ChooseUsbBackend("1209:0001,1209:0002");

constexpr std::uint64_t kNowMs = 1'000'000;

// A run with its upload time blanked: the only text that differs between two
// runs of the same command.
CliRun Steady(CliRun run) {
    static const std::regex time(R"(\(Time: [0-9.]+ s\))");
    run.out = std::regex_replace(run.out, time, "(Time: - s)");
    return run;
}

struct StepResult {
    int status;
    std::string out, err, file, settings;
    bool operator==(const StepResult&) const = default;
};

std::ostream& operator<<(std::ostream& os, const StepResult& r) {
    return os << "status " << r.status << "\nout: " << r.out.substr(0, 600) << "\nerr: " << r.err
              << "\nfile: " << r.file.size() << " bytes";
}

// Runs each command line in `dir` (its settings folder); "@" in an argument
// is a file in `dir`, whose bytes after the run are part of the result.
std::vector<StepResult> RunSteps(const std::vector<std::vector<std::string>>& steps,
                                 const fs::path& dir) {
    std::vector<StepResult> results;
    for (std::vector<std::string> args : steps) {
        std::string file;
        for (std::string& a : args) {
            if (a.empty() || a[0] != '@') continue;
            file = (dir / a.substr(1)).string();
            a = file;
        }
        const CliRun run = Steady(RunCli(args, dir));
        results.push_back({run.status, run.out, run.err, file.empty() ? "" : ReadBytes(file),
                           ReadBytes(dir / "DevCfg.ini")});
    }
    return results;
}

class CliUmockdevTest : public korvex::test::CliTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(kUsbChosen);
        korvex::test::CliTest::SetUp();
        // A confirmation must never wait for a terminal here.
        ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
        PipeUsbSim_SetClock([](void*) -> std::uint64_t { return kNowMs; }, nullptr);
        Testbed().UnplugAll();
        ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);
    }
    void TearDown() override {
        Testbed().UnplugAll();
        PipeUsbSim_SetClock(nullptr, nullptr);
        korvex::test::CliTest::TearDown();
    }

    static CEmulatedRecorder& PlugDemo(EmulatedRecorderSetup setup = DemoRecorderSetup()) {
        CEmulatedRecorder& r = Testbed().Plug(setup);
        r.SetNowMs(kNowMs);
        return r;
    }

    // The index korvex-cli's -d takes for the recorder at `r`'s place.
    static std::string IndexOf(const CEmulatedRecorder& r) {
        EXPECT_EQ(GetDeviceList(), 1u);
        for (std::uint32_t i = 0; i < GetDevCount(); ++i) {
            PipeUsbDevInfo info{};
            if (PipeUsb_DescribeDev(i, &info) && info.address == r.Address())
                return std::to_string(i);
        }
        ADD_FAILURE() << "recorder " << r.Address() << " is not listed";
        return "99";
    }

    TempFolder dir;
};

TEST_F(CliUmockdevTest, DeviceCommandsGiveWhatTheSimBackEndGives) {
    TempFolder simDir, usbDir;
    const std::string presets =
        "0\t0x123\t数据帧\t标准帧\t正常发送\t11 22 33\t\n"
        "3\t0x18fef100\t远程帧\t扩展帧\t自发自收\t\t\n";
    WriteBytes(simDir / "presets.txt", presets);
    WriteBytes(usbDir / "presets.txt", presets);
    const std::vector<std::vector<std::string>> steps = {
        {"info"},
        {"presets", "get"},
        {"configure", "--bitrate", "500K", "--mode", "listen", "--interval", "64", "--clock",
         "2024-05-06 07:08:09", "--io", "1", "--resistor", "on", "--filter",
         "std:100-1FF,std:7DF,ext:18FEF100-18FEF1FF"},
        {"info"},
        {"presets", "set", "@presets.txt"},
        {"presets", "get"},
        {"upload", "-o", "@demo.can"},
        {"upload", "-o", "@demo.txt"},
        {"clear", "--yes"},
        {"upload", "-o", "@cleared.can"},
        {"info", "-d", "0"},
    };

    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const std::vector<StepResult> sim = RunSteps(steps, simDir.path);
    ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);
    const CEmulatedRecorder& r = PlugDemo();
    const std::vector<StepResult> usb = RunSteps(steps, usbDir.path);

    ASSERT_EQ(sim.size(), usb.size());
    for (std::size_t i = 0; i < sim.size(); ++i) {
        EXPECT_EQ(usb[i].status, 0) << steps[i][0] << ": " << usb[i].err;
        EXPECT_EQ(usb[i], sim[i]) << "step " << i << ": " << steps[i][0];
    }
    // The whole demo recording went through: 200,010 records, of which the
    // frame list shows all but the clock and span-end records.
    EXPECT_EQ(pipeusb::DemoRecording().memory.RecordCount(), 200'010u);
    EXPECT_NE(usb[6].out.find("总帧数 ："), std::string::npos) << usb[6].out;
    EXPECT_GT(usb[6].file.size(), 200'000u * 24);
    EXPECT_EQ(r.RecordCount(), 0u) << "cleared";
    EXPECT_FALSE(r.Claimed());
}

TEST_F(CliUmockdevTest, TwoRecordersAtOnceAnswerByTheirOwnIndex) {
    EmulatedRecorderSetup second;
    second.image = pipeusb::EmptyRecording();
    second.id = {0x1209, 0x0002};
    second.highSpeed = false;
    second.serial = "KV-B";
    const CEmulatedRecorder& demo = PlugDemo();
    const CEmulatedRecorder& empty = PlugDemo(second);
    const std::string d = IndexOf(demo), e = IndexOf(empty);
    ASSERT_NE(d, e);

    TempFolder simDir;
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const CliRun simDemo = Steady(RunCli({"upload", "-o", (simDir / "demo.can").string()}));
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    const CliRun simEmptyInfo = RunCli({"info"});
    ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);

    const CliRun demoUpload =
        Steady(RunCli({"upload", "-d", d, "-o", (dir / "demo.can").string()}));
    ASSERT_EQ(demoUpload.status, 0) << demoUpload.err;
    EXPECT_EQ(demoUpload.out, simDemo.out);
    EXPECT_EQ(ReadBytes(dir / "demo.can"), ReadBytes(simDir / "demo.can"));
    const CliRun emptyInfo = RunCli({"info", "-d", e});
    EXPECT_EQ(emptyInfo.status, 0) << emptyInfo.err;
    EXPECT_EQ(emptyInfo.out, simEmptyInfo.out);
    const CliRun none = RunCli({"info", "-d", "2"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "打开设备失败!\n");
    EXPECT_FALSE(demo.Claimed());
    EXPECT_FALSE(empty.Claimed());
}

// A USB fault on the exchanges with one command code, what korvex-cli says,
// and what it leaves in DevCfg.ini: nothing for a command that only reads; a
// whole record for one that writes, as its dialog gives it back: the
// configuration the recorder holds, the preset frames as edited.
enum class Stored { kNothing, kRecorderConfig, kPreset123 };

struct FaultCase {
    const char* name;
    UsbFault fault;
    std::uint8_t command;
    std::uint32_t skip;
    bool lasting;
    std::vector<std::string> args;
    int status;
    const char* err;
    std::vector<std::uint8_t> clearedHalts;
    Stored stored;
};

TEST_F(CliUmockdevTest, UsbFaultsEndWithTheProgramsMessageAndNothingHalfWritten) {
    WriteBytes(dir / "presets.txt", "0\t0x123\t数据帧\t标准帧\t正常发送\t11 22 33\t\n");
    const std::string upload = (dir / "x.can").string();
    const std::string presets = (dir / "presets.txt").string();
    const FaultCase cases[] = {
        // The clock list is read once, and its read waits 2 s.
        {"time-out",
         UsbFault::kNoReply,
         0x1A,
         0,
         false,
         {"upload", "-o", upload},
         1,
         "GetOrigTimeList失败!\n",
         {},
         Stored::kNothing},
        // The filter table (the second 0x16 exchange) comes half.
        {"short reply",
         UsbFault::kShortReply,
         0x16,
         1,
         false,
         {"info"},
         1,
         "操作失败\n",
         {},
         Stored::kNothing},
        {"stalled write",
         UsbFault::kStallOut,
         0x11,
         0,
         true,
         {"configure", "--interval", "64"},
         1,
         "操作失败\n",
         {0x07},
         Stored::kRecorderConfig},
        // Three preset pairs, each tried three times.
        {"stalled reply",
         UsbFault::kStallIn,
         0x12,
         0,
         true,
         {"presets", "set", presets},
         1,
         "操作失败\n",
         std::vector<std::uint8_t>(9, 0x86),
         Stored::kPreset123},
        // Each block in two transfers: put together, the upload is whole.
        {"split replies",
         UsbFault::kSplitReply,
         0x17,
         0,
         true,
         {"upload", "-o", upload},
         0,
         "",
         {},
         Stored::kNothing},
        // A stalled block read is cleared and tried again.
        {"one stall",
         UsbFault::kStallIn,
         0x17,
         20,
         false,
         {"upload", "-o", upload},
         0,
         "",
         {0x82},
         Stored::kNothing},
    };
    TempFolder simDir;
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const CliRun whole = Steady(RunCli({"upload", "-o", (simDir / "x.can").string()}));
    ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);
    const std::string settings = "[Main]\r\nCANSetting=00\r\n";
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir / "DevCfg.ini", settings);
        std::remove(upload.c_str());
        CEmulatedRecorder& r = PlugDemo();
        const pipeusb::RecorderConfig config = r.Config();
        r.InjectFault(c.fault, c.command, c.skip, 1, c.lasting);
        const CliRun run = Steady(RunCli(c.args, dir.path));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(r.ClearedHalts(), c.clearedHalts);
        EXPECT_FALSE(r.Claimed()) << "released";
        const CANSetting stored = korvex::cli::LoadStoredSetting(dir.path);
        switch (c.stored) {
            case Stored::kNothing:
                EXPECT_EQ(ReadBytes(dir / "DevCfg.ini"), settings);
                break;
            case Stored::kRecorderConfig:
                EXPECT_EQ(std::memcmp(&stored.baseInfo, r.Config().baseInfo.data(),
                                      sizeof stored.baseInfo),
                          0);
                break;
            case Stored::kPreset123:
                EXPECT_EQ(+stored.preFrames[0].ID, 0x123u);
                break;
        }
        if (c.fault == UsbFault::kStallOut) {
            EXPECT_TRUE(r.Config() == config) << "a stalled write reaches nothing";
        }
        if (c.status == 0) {
            EXPECT_EQ(run.out, whole.out);
            EXPECT_EQ(ReadBytes(upload), ReadBytes(simDir / "x.can"));
        }
        Testbed().Unplug(r);
    }
}

// A reply that comes after its time-out, or longer than the protocol's,
// once: the command ends exact or with its failure message, and the next
// commands give what they give on a healthy recorder, with no re-plug.
struct LinkFaultCase {
    const char* name;
    UsbFault fault;
    std::uint8_t command;
    std::uint32_t skip;
    std::uint32_t delayMs;
    std::vector<std::string> args;
    const char* failure;  // what it says when it does not end exact
};

TEST_F(CliUmockdevTest, LateAndLongRepliesEndExactOrFailedAndTheNextCommandsWork) {
    TempFolder simDir;
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const std::vector<StepResult> healthy =
        RunSteps({{"upload", "-o", "@x.can"}, {"info"}, {"presets", "get"}}, simDir.path);
    ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);
    const auto exact = [&](const StepResult& run, std::size_t step) {
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, healthy[step].out);
        EXPECT_TRUE(run.file == healthy[step].file) << "the file's bytes differ";
    };
    const LinkFaultCase cases[] = {
        // The count is the first 0x17 exchange: the 11th is block 10.
        {"block 10 late",
         UsbFault::kLateReply,
         0x17,
         10,
         2500,
         {"upload", "-o", "@x.can"},
         "上载报文失败!\n"},
        {"settings late", UsbFault::kLateReply, 0x14, 0, 4500, {"info"}, "操作失败\n"},
        {"clear confirmed late",
         UsbFault::kLateReply,
         0x18,
         0,
         5000,
         {"clear", "--yes"},
         "下位机没有确认清空缓存报文!\n"},
        {"settings too long", UsbFault::kLongReply, 0x14, 0, 0, {"info"}, "操作失败\n"},
    };
    for (const LinkFaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder runDir;
        CEmulatedRecorder& r = PlugDemo();
        r.InjectFault(c.fault, c.command, c.skip, 1, false, c.delayMs);
        const StepResult faulty = RunSteps({c.args}, runDir.path)[0];
        if (faulty.status != 0) {
            EXPECT_EQ(faulty.status, 1);
            EXPECT_EQ(faulty.err, c.failure);
        } else if (c.args[0] == "upload") {
            exact(faulty, 0);
        } else if (c.args[0] == "info") {
            exact(faulty, 1);
        }
        const std::vector<StepResult> next =
            RunSteps({{"info"}, {"presets", "get"}, {"upload", "-o", "@x.can"}}, runDir.path);
        exact(next[0], 1);
        exact(next[1], 2);
        if (c.command != 0x18) exact(next[2], 0);
        EXPECT_FALSE(r.Claimed());
        Testbed().Unplug(r);
    }
}

TEST_F(CliUmockdevTest, RemovalMidUploadKeepsTheFramesReceivedAndFails) {
    CEmulatedRecorder& r = PlugDemo();
    // The count and 30 blocks (12,000 records) come; block 31 finds it gone.
    r.InjectFault(UsbFault::kUnplug, 0x17, 31, 1, true);
    const std::string file = (dir / "cut.txt").string();
    const CliRun run = RunCli({"upload", "-o", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "上载报文失败!\n");
    EXPECT_EQ(run.out.rfind("总帧数 ：", 0), 0u) << run.out;
    EXPECT_FALSE(r.Claimed());
    Testbed().Unplug(r);

    // What was written is the first 12,000 records of the whole upload.
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const std::string whole = (dir / "whole.txt").string();
    ASSERT_EQ(RunCli({"upload", "-o", whole}).status, 0);
    const std::string cut = ReadBytes(file);
    const std::string all = ReadBytes(whole);
    ASSERT_GT(cut.size(), 12'000u * 40) << "at least one line per frame";
    EXPECT_LT(cut.size(), all.size());
    EXPECT_EQ(all.compare(0, cut.size(), cut), 0) << "a prefix of the whole upload";
    const std::size_t shown = korvex::test::Lines(cut) - 1;  // the header line
    EXPECT_EQ(run.out.rfind("总帧数 ：" + std::to_string(shown) + " (Time: ", 0), 0u) << run.out;
}

TEST_F(CliUmockdevTest, DevicesListsEveryRecorderWithItsPlaceAndWhatToDo) {
    EmulatedRecorderSetup named = DemoRecorderSetup();
    named.serial = "KV-0001";
    EmulatedRecorderSetup denied = DemoRecorderSetup();
    denied.accessDenied = true;
    EmulatedRecorderSetup held = DemoRecorderSetup();
    held.id = {0x1209, 0x0002};
    held.highSpeed = false;
    const CEmulatedRecorder& a = PlugDemo(named);
    const CEmulatedRecorder& b = PlugDemo(denied);
    CEmulatedRecorder& c = PlugDemo(held);
    c.SetBusy(true);

    const CliRun run = RunCli({"devices"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(a.Claims(), 1u) << "tried once";
    EXPECT_FALSE(a.Claimed()) << "and given back";
    const auto line = [&](const CEmulatedRecorder& r, const std::string& rest) {
        return IndexOf(r) + "  usb 1-" + std::to_string(r.Port()) + " (bus 1, device " +
               std::to_string(r.Address()) + ")" + rest + "\n";
    };
    std::vector<std::string> entries = {
        line(a, "  serial KV-0001"),
        line(b, "  present but not accessible") + "     总线 1、设备 " +
            std::to_string(b.Address()) +
            " 上的记录仪已连接，但没有权限打开。请安装 70-korvex-recorder.rules（KorvexPro "
            "软件包会安装它；或把 packaging/udev/ 中的这个文件复制到 /etc/udev/rules.d/），"
            "然后拔下记录仪再重新插上。这样本机座席上登录的用户即可使用；通过 SSH "
            "或在服务中使用时，请把该用户加入 plugdev 组（sudo usermod -aG plugdev "
            "用户名）并重新登录。\n",
        line(c, "  present but in use by another program") + "     总线 1、设备 " +
            std::to_string(c.Address()) +
            " 上的记录仪已连接，但正被另一个程序占用。请关闭那个程序后重试。\n",
    };
    std::sort(entries.begin(), entries.end());  // by index: one digit each
    std::string expected = "Recorders (device type 21): 3\n";
    for (const std::string& e : entries) expected += "  " + e;
    EXPECT_EQ(run.out, expected);
    EXPECT_FALSE(c.Claimed());

    // -d takes the index shown; the refused ones say what to do.
    EXPECT_EQ(RunCli({"info", "-d", IndexOf(a)}).status, 0);
    const CliRun refused = RunCli({"info", "-d", IndexOf(b)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("打开设备失败!\n总线 1、设备 " + std::to_string(b.Address()), 0),
              0u)
        << refused.err;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"upload", "-d", IndexOf(c), "-o", (dir / "x.can").string()},
          {"clear", "-d", IndexOf(c), "--yes"},
          {"configure", "-d", IndexOf(c), "--interval", "64"},
          {"presets", "get", "-d", IndexOf(c)}}) {
        const CliRun held = RunCli(args);
        EXPECT_EQ(held.status, 1) << args[0];
        EXPECT_NE(held.err.find("正被另一个程序占用"), std::string::npos) << args[0] << held.err;
    }
}

TEST_F(CliUmockdevTest, VerbosePrintsEveryTransferOnStderr) {
    const CEmulatedRecorder& r = PlugDemo();
    const CliRun run = RunCli({"info", "--verbose", "-d", IndexOf(r)});
    ASSERT_EQ(run.status, 0) << run.err;
    // 0x14, the 0x16 header and the 0x16 table: a write and a read each.
    const std::string index = IndexOf(r);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 6) << run.err;
    EXPECT_EQ(run.err.rfind("usb: recorder " + index +
                                " OUT PIPE07 64/64: 7e 14 01 00 00 6b 00 00 00 00 00 00 00 00 00 "
                                "00 ...\nusb: recorder " +
                                index + " IN PIPE06 64/64: 7e 14 00 1e ",
                            0),
              0u)
        << run.err;
    EXPECT_NE(run.err.find("usb: recorder " + index + " OUT PIPE03 64/64: 9e 16 01 00 01 88 "),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("usb: recorder " + index + " IN PIPE02 9605/9605: 9e 16 00 00 "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, RunCli({"info", "-d", index}).out) << "the output is the same";
    EXPECT_EQ(RunCli({"info", "-d", index}).err, "") << "and the trace ends with the run";
}

}  // namespace
