#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/frame/CanObj.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::CliTest;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

const std::filesystem::path kLanguageSource = std::filesystem::path(KORVEX_SOURCE_DIR) / "language";

// A settings folder with the shipped language files, the list's choice set to
// `chosen`, and a stream file of a standard data frame, a remote extended
// frame and a bus error event.
class CliLanguageTest : public CliTest {
  protected:
    void Choose(int chosen) {
        std::filesystem::create_directories(settings / "language");
        for (const char* name : {"English.xml", "ProtoLens_English.xml"})
            std::filesystem::copy_file(kLanguageSource / name, settings / "language" / name,
                                       std::filesystem::copy_options::overwrite_existing);
        std::string list = ReadBytes(kLanguageSource / "config.ini");
        const std::size_t sel = list.find("Sel=");
        ASSERT_NE(sel, std::string::npos);
        list.replace(sel + 4, 1, std::to_string(chosen));
        WriteBytes(settings / "language" / "config.ini", list);
    }
    void SetUp() override {
        CliTest::SetUp();
        std::string stream("Quorvel CAN Data\0\0\0\0", 20);
        _VCI_CAN_OBJ f{};
        f.ID = 0x123;
        f.TimeStamp = 1234567;
        f.DataLen = 2;
        f.Data[0] = 0xAB;
        f.Reserved[1] = 0xFF;
        stream.append(reinterpret_cast<const char*>(&f), sizeof f);
        f.ExternFlag = 1;
        f.RemoteFlag = 1;
        stream.append(reinterpret_cast<const char*>(&f), sizeof f);
        f.Reserved[0] = 229;  // a bus error event
        stream.append(reinterpret_cast<const char*>(&f), sizeof f);
        WriteBytes(dataFile, stream);
    }
    CliRun Dump(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"dump", dataFile.string(), "--stream"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args, settings.path);
    }

    TempFolder settings;
    TempFolder data;
    std::filesystem::path dataFile = data / "s.can";
};

TEST_F(CliLanguageTest, DumpSpeaksTheChosenLanguage) {
    const CliRun builtIn = Dump();  // no language list at all
    ASSERT_EQ(builtIn.status, 0) << builtIn.err;
    EXPECT_EQ(builtIn.out.rfind("序号\t时间标识\t", 0), 0u) << builtIn.out;
    EXPECT_NE(builtIn.out.find("\t数据帧\t标准帧\t"), std::string::npos) << builtIn.out;
    EXPECT_NE(builtIn.out.find("\tCAN控制器总线错误\n\t\r\n"), std::string::npos);

    Choose(0);
    const CliRun first = Dump();
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, builtIn.out);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"dump", dataFile.string(), "--stream", "--language", "1"},
          std::vector<std::string>{"--language", "1", "dump", dataFile.string(), "--stream"}}) {
        const CliRun english = RunCli(args, settings.path);
        ASSERT_EQ(english.status, 0) << english.err;
        EXPECT_EQ(
            english.out.rfind("No.\tTime stamp\tAlias\tFrame ID\tFormat\tType\tDLC\tData\t", 0), 0u)
            << english.out;
        EXPECT_NE(english.out.find("\tData\tStandard\t"), std::string::npos) << english.out;
        EXPECT_NE(english.out.find("\tRemote\tExtended\t"), std::string::npos) << english.out;
        EXPECT_NE(english.out.find("\tCAN controller: bus error\n\t\r\n"), std::string::npos);
        EXPECT_EQ(english.out.find("数据帧"), std::string::npos);
    }

    // The choice stored in the list holds until the command line overrides it.
    Choose(1);
    const CliRun chosen = Dump();
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(chosen.out.rfind("No.\t", 0), 0u);
    const CliRun overridden = Dump({"--language", "0"});
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    EXPECT_EQ(overridden.out, builtIn.out);
}

TEST_F(CliLanguageTest, MessagesFollowTheLanguage) {
    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    Choose(0);
    const std::string out = (data / "x.can").string();
    const CliRun chinese = RunCli({"upload", "-o", out}, settings.path);
    EXPECT_EQ(chinese.status, 1);
    EXPECT_EQ(chinese.err, "打开设备失败!\n");
    const CliRun english = RunCli({"upload", "-o", out, "--language", "1"}, settings.path);
    EXPECT_EQ(english.status, 1);
    EXPECT_EQ(english.err, "Failed to open the device!\n");
    const CliRun info = RunCli({"--language", "1", "info"}, settings.path);
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.err, "Failed to open the device!\n");
}

TEST_F(CliLanguageTest, DeviceInformationFollowsTheLanguage) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    Choose(1);
    const CliRun english = RunCli({"info"}, settings.path);
    ASSERT_EQ(english.status, 0) << english.err;
    EXPECT_NE(english.out.find("Mode:                 Normal mode\n"), std::string::npos)
        << english.out;
    const CliRun chinese = RunCli({"info", "--language", "0"}, settings.path);
    ASSERT_EQ(chinese.status, 0) << chinese.err;
    EXPECT_NE(chinese.out.find("Mode:                 正常模式\n"), std::string::npos);
}

TEST_F(CliLanguageTest, ALanguageOutsideTheListIsAUsageError) {
    Choose(0);
    for (const std::vector<std::string>& tail :
         {std::vector<std::string>{"--language", "2"}, std::vector<std::string>{"--language"},
          std::vector<std::string>{"--language", "x"},
          std::vector<std::string>{"--language", "-1"}}) {
        const CliRun run = Dump(tail);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(tail);
        EXPECT_NE(run.err.find("--language"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    // Without any list only the built-in texts exist.
    const CliRun none =
        RunCli({"dump", dataFile.string(), "--stream", "--language", "1"}, data.path);
    EXPECT_EQ(none.status, 2);
}

}  // namespace
