#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/resources/rules/BuiltInResources.h"
#include "cli/CliCommands.h"
#include "cli/DeviceInfoText.h"
#include "cli/PassProgress.h"
#include "cli/UploadWatcher.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::CliTest;
using korvex::test::Lines;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::ShownRecords;
using korvex::test::TempFolder;

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> bad{
        {},
        {"frobnicate"},
        {"upload"},
        {"upload", "-o"},
        {"upload", "-d", "x", "-o", "a.can"},
        {"upload", "-d", "256", "-o", "a.can"},
        {"dump"},
        {"dump", "a.can", "--time", "local"},
        {"dump", "a.can", "b.can"},
        {"devices", "-d", "1"},
        {"info", "--stream"},
    };
    for (const std::vector<std::string>& args : bad) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("Usage: korvex-cli"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    for (const char* verb : {"devices", "upload", "dump", "info"}) {
        const CliRun run = RunCli({verb, "--help"});
        EXPECT_EQ(run.status, 0) << verb;
        EXPECT_EQ(run.out.rfind(std::string("Usage: korvex-cli ") + verb, 0), 0u) << run.out;
    }
    EXPECT_EQ(RunCli({"--help"}).status, 0);
}

TEST_F(CliTest, DevicesListsEveryAttachedRecorder) {
    ASSERT_EQ(PipeUsbSim_Configure("demo;empty"), 1u);
    CliRun run = RunCli({"devices"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Recorders (device type 21): 2\n  0  virtual recorder demo\n"
              "  1  virtual recorder empty\n");
    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    run = RunCli({"devices"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Recorders (device type 21): 0\n");
}

TEST_F(CliTest, UploadWritesSnapshotAndTextThatDumpReproduces) {
    ASSERT_EQ(PipeUsbSim_Configure("empty;demo"), 1u);
    TempFolder dir;
    const std::uint32_t shown = ShownRecords(1);
    ASSERT_GT(shown, 1000u);

    const CliRun can = RunCli({"upload", "-d", "1", "-o", (dir / "rec.can").string()}, dir.path);
    ASSERT_EQ(can.status, 0) << can.err;
    const std::string prefix = "总帧数 ：" + std::to_string(shown) + " (Time: ";
    EXPECT_EQ(can.out.rfind(prefix, 0), 0u) << can.out;
    EXPECT_EQ(can.out.substr(can.out.size() - 4), " s)\n");
    const std::string bytes = ReadBytes(dir / "rec.can");
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 20), std::string("Quorvel CAN Data\0\0\0\0", 20));
    std::uint32_t clocks = 0;
    std::memcpy(&clocks, bytes.data() + 20, 4);
    EXPECT_GT(clocks, 0u);
    EXPECT_EQ(bytes.size(), 24u + 12u * clocks + 24u * shown);

    const CliRun text = RunCli({"upload", "-d", "1", "-o", (dir / "rec.txt").string()}, dir.path);
    ASSERT_EQ(text.status, 0) << text.err;
    const std::string exported = ReadBytes(dir / "rec.txt");
    EXPECT_EQ(Lines(exported), shown + 1);
    EXPECT_EQ(exported.rfind("序号\t时间标识\t别名\t帧ID\t格式\t类型\tDLC\t数据\t备注\t\r\n", 0),
              0u)
        << exported.substr(0, 200);
    // The plug-in's frame words are filled in.
    EXPECT_NE(exported.find("\t数据帧\t标准帧\t"), std::string::npos) << exported.substr(0, 400);

    const CliRun dump = RunCli({"dump", (dir / "rec.can").string()}, dir.path);
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_TRUE(dump.out == exported);

    const CliRun relative = RunCli({"dump", (dir / "rec.can").string(), "--time", "relative"});
    ASSERT_EQ(relative.status, 0);
    EXPECT_EQ(Lines(relative.out), shown + 1);
    EXPECT_NE(relative.out, dump.out);
}

TEST_F(CliTest, DumpOfAStreamFileAndOfBadFiles) {
    TempFolder dir;
    std::string stream("Quorvel CAN Data\0\0\0\0", 20);
    _VCI_CAN_OBJ f{};
    f.ID = 0x123;
    f.TimeStamp = 1234567;
    f.TimeFlag = 1;
    f.DataLen = 2;
    f.Data[0] = 0xAB;
    f.Reserved[1] = 0xFF;
    stream.append(reinterpret_cast<const char*>(&f), sizeof f);
    f.Reserved[0] = 229;
    stream.append(reinterpret_cast<const char*>(&f), sizeof f);
    korvex::test::WriteBytes(dir / "s.can", stream);

    const CliRun run = RunCli({"dump", (dir / "s.can").string(), "--stream", "--time", "relative"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Lines(run.out), 3u);
    const std::size_t second = run.out.find("\r\n") + 2;
    EXPECT_EQ(run.out.substr(second, 17), "0\t00:02:03.456.7\t");
    EXPECT_NE(run.out.find("CAN控制器总线错误\n\t\r\n"), std::string::npos);

    korvex::test::WriteBytes(dir / "bad.can", "Quorvel CAN Dat");
    EXPECT_EQ(RunCli({"dump", (dir / "bad.can").string()}).status, 1);
    const CliRun missing = RunCli({"dump", (dir / "none.can").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
}

TEST_F(CliTest, DeviceFailuresUseTheProgramsTexts) {
    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    TempFolder dir;
    CliRun run = RunCli({"upload", "-o", (dir / "x.can").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "打开设备失败!\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "x.can"));
    run = RunCli({"info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "打开设备失败!\n");

    // A recorder with no records: an empty upload is a success.
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    run = RunCli({"upload", "-o", (dir / "none.can").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("总帧数 ：0 (Time: ", 0), 0u) << run.out;
    EXPECT_EQ(ReadBytes(dir / "none.can").size(), 24u);

    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const PipeUsbSimFault unplug{PIPEUSB_SIM_UNPLUG, 0, 0x17, 3, 0, 0};
    ASSERT_EQ(PipeUsbSim_InjectFault(&unplug), 1u);
    run = RunCli({"upload", "-o", (dir / "x.can").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "上载报文失败!\n");
}

TEST_F(CliTest, InfoShowsTheConfiguration) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const CliRun run = RunCli({"info", "-d", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* label : {"Bit rate:", "Mode:", "Send interval:", "Clock:", "IO output:",
                              "Terminating resistor:", "Filter:", "Filter entries:"}) {
        EXPECT_NE(run.out.find(label), std::string::npos) << label << "\n" << run.out;
    }
}

TEST(DeviceInfoText, FilterTableIsListedAsTheDialogShowsIt) {
    FilterInfo info{};
    // Channel 0 explicit 0x123 and 0x456: one word, the second in the lower half.
    const std::uint8_t word[4] = {0x56, 0x04, 0x23, 0x01};
    std::memcpy(info.bTable, word, 4);
    // Channel 1 extended group 0x100-0x1FF at offset 4, extended explicit none.
    const std::uint32_t group[2] = {0x100u | 1u << 29, 0x1FFu | 1u << 29};
    std::memcpy(info.bTable + 4, group, 8);
    info.dwStdGroupStart = 4;
    info.dwExtExplicitStart = 4;
    info.dwExtGroupStart = 4;
    info.dwTableEnd = 12;
    const std::vector<korvex::cli::FilterEntry> entries = korvex::cli::DecodeFilterTable(info);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].kind, korvex::cli::FilterKind::kExtGroup);
    EXPECT_EQ(entries[0].channel, 1u);
    EXPECT_EQ(entries[0].start, 0x100u);
    EXPECT_EQ(entries[0].end, 0x1FFu);
    EXPECT_EQ(entries[1].start, 0x123u);
    EXPECT_EQ(entries[2].start, 0x456u);
    EXPECT_EQ(entries[2].end, 0x456u);

    // An end past the table, or an entry cut by the end, reads nothing beyond.
    info.dwTableEnd = 4000;
    EXPECT_TRUE(korvex::cli::DecodeFilterTable(info).empty());
    info.dwTableEnd = 10;
    EXPECT_EQ(korvex::cli::DecodeFilterTable(info).size(), 2u);
    info.dwStdGroupStart = info.dwExtExplicitStart = info.dwExtGroupStart = 0xFFFFFFFF;
    info.dwTableEnd = 2048;
    std::memset(info.bTable, 0xFF, sizeof info.bTable);
    // Each padding half-word is skipped and the next one read, as the dialog does.
    EXPECT_EQ(korvex::cli::DecodeFilterTable(info).size(), 512u);
}

TEST(DeviceInfoText, BitRateByTableNameOrRegister) {
    EXPECT_STREQ(korvex::cli::BitRateName(0x00060003), "1000K");
    EXPECT_STREQ(korvex::cli::BitRateName(0x001C01C1), "5K");
    EXPECT_EQ(korvex::cli::BitRateName(0x12345678), nullptr);
    // The mode and filter names are numbered texts.
    korvex::InstallBuiltInResources();
    BaseInfo base{};
    base.dwTiming = 0x00060007;
    base.bMode = 1;
    base.dwSendInterval = 10;
    base.bCentury = 20;
    base.bYear = 26;
    base.bMonth = 12;
    base.bDay = 7;
    base.bHour = 8;
    base.dwResistor = 1;
    const FilterInfo filter{};
    std::string text = korvex::cli::DeviceInfoText(base, filter);
    EXPECT_NE(text.find("Bit rate:             500K (register 0x00060007)\n"), std::string::npos);
    EXPECT_NE(text.find("Mode:                 正常模式\n"), std::string::npos);
    EXPECT_NE(text.find("Clock:                2026-12-07 08:00:00\n"), std::string::npos);
    EXPECT_NE(text.find("Terminating resistor: enabled\n"), std::string::npos);
    EXPECT_NE(text.find("Filter entries:       0\n"), std::string::npos);
    base.dwCustomFlag = 1;
    text = korvex::cli::DeviceInfoText(base, filter);
    EXPECT_NE(text.find("custom register 0x00060007"), std::string::npos);
}

// A pass over more than two million frames draws its bar (the last state
// always, whatever the time since the last drawing) and ends the line; a
// shorter pass, or one without a terminal, draws nothing.
TEST(PassProgress, DrawsLongPassesOnlyAndEndsTheLine) {
    struct Case {
        std::int64_t total;
        bool terminal;
        bool drawn;
    };
    for (const Case c : {Case{3'000'000, true, true}, Case{2'000'000, true, false},
                         Case{3'000'000, false, false}}) {
        std::ostringstream err;
        const korvex::cli::CliStreams io{stdout, err, c.terminal};
        {
            korvex::cli::CPassProgress progress(io, "searching");
            const korvex::PassSplit split = progress.Split();
            if (split.progress) {
                split.progress(c.total / 2, c.total);
                split.progress(c.total, c.total);
            }
        }
        const std::string text = err.str();
        if (!c.drawn) {
            EXPECT_EQ(text, "") << c.total;
            continue;
        }
        EXPECT_EQ(text.rfind("\rsearching [", 0), 0u) << text;
        const std::string last = std::to_string(c.total) + " / " + std::to_string(c.total) +
                                 " frames";
        EXPECT_NE(text.find(last), std::string::npos) << text;
        EXPECT_EQ(text.back(), '\n');
    }
}

TEST(UploadWatcher, ProgressLineShowsCountsAndRate) {
    EXPECT_EQ(korvex::cli::ProgressLine(50, 100, 2.0),
              "[###############               ] 50 / 100 records, 25 records/s");
    EXPECT_EQ(korvex::cli::ProgressLine(0, 0, 0.0),
              "[                              ] 0 / 0 records, 0 records/s");
}

}  // namespace
