#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DataFileWriter.h"
#include "core/frame/CycleBuffer.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::TempFolder;

constexpr char kHeader[] = "序号\t时间标识\t别名\t帧ID\t格式\t类型\tDLC\t数据\t备注\t\r\n";

// softwareCfg.xml with a group of another window that the alias commands
// must leave alone.
constexpr char kOtherGroup[] = "<dlgSend0 dlgpos=\"7\"/>";

TEST(CliAlias, AddRenameListAndRemove) {
    TempFolder dir;
    korvex::test::WriteBytes(dir / "softwareCfg.xml", std::string(kOtherGroup) + "\n");
    const auto add = [&](const char* field, const char* value, const char* name) {
        return RunCli({"alias", "add", "--field", field, "--value", value, "--name", name},
                      dir.path);
    };
    EXPECT_EQ(add("id", "123", "Engine").status, 0);
    EXPECT_EQ(add("data", "** FF", "Lamp").status, 0);
    EXPECT_EQ(add("type", "1", "Ext").status, 0);
    EXPECT_EQ(add("id", "0x123", "Motor").status, 0);

    CliRun list = RunCli({"alias", "list"}, dir.path);
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "当帧ID为0x123时别名为Motor\n当帧类型为扩展帧时别名为Ext\n"
              "当数据(HEX)为** FF 时别名为Lamp\n");
    const std::string xml = ReadBytes(dir / "softwareCfg.xml");
    EXPECT_NE(xml.find(kOtherGroup), std::string::npos) << xml;
    EXPECT_NE(xml.find("strName=\"Motor\""), std::string::npos) << xml;

    EXPECT_EQ(RunCli({"alias", "remove", "当帧类型为扩展帧时别名为Ext"}, dir.path).status, 0);
    list = RunCli({"alias", "list"}, dir.path);
    EXPECT_EQ(list.out, "当帧ID为0x123时别名为Motor\n当数据(HEX)为** FF 时别名为Lamp\n");
    EXPECT_NE(ReadBytes(dir / "softwareCfg.xml").find(kOtherGroup), std::string::npos);
}

TEST(CliAlias, RefusalsAndUsageErrors) {
    TempFolder dir;
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;  // the start of stderr
    };
    const Case cases[] = {
        {{"alias", "add", "--field", "data", "--value", "** ** ** ** ** ** ** **", "--name", "X"},
         1,
         "数据格式错误"},
        {{"alias", "add", "--field", "id", "--value", "Motor", "--name", "X"},
         1,
         "帧ID和数据长度须以16进制数开头"},
        {{"alias", "add", "--field", "dlc", "--value", "", "--name", "X"}, 1, "帧ID和数据长度"},
        {{"alias", "remove", "当帧ID为0x1时别名为X"}, 1, "别名列表中没有这一行"},
        {{"alias", "add", "--field", "bits", "--value", "1", "--name", "X"},
         2,
         "korvex-cli alias: --field"},
        {{"alias", "add", "--field", "format", "--value", "2", "--name", "X"},
         2,
         "korvex-cli alias: --value"},
        {{"alias", "add", "--field", "id", "--value", "1"}, 2, "korvex-cli alias: --name"},
        {{"alias", "rename"}, 2, "korvex-cli alias: unknown"},
        {{"alias"}, 2, "korvex-cli alias: no subcommand"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args, dir.path);
        EXPECT_EQ(run.status, c.status) << c.args.back();
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
    }
    // Nothing refused reached the file.
    EXPECT_FALSE(std::filesystem::exists(dir / "softwareCfg.xml"));
    EXPECT_EQ(RunCli({"alias", "--help"}, dir.path).status, 0);
}

class CliSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        store.Reserve(16);
        Push(0x012, {0x12, 0x34, 0x56});
        Push(0x7FF, {0xAB});
        Push(0x800, {});
        Push(0x123, {0x01, 0x12});
        ASSERT_TRUE(korvex::WriteSnapshotFile(file(), {}, store));
    }
    void Push(std::uint32_t id, std::vector<std::uint8_t> data) {
        _VCI_CAN_OBJ f{};
        f.ID = id;
        f.DataLen = static_cast<std::uint8_t>(data.size());
        f.Reserved[1] = korvex::kNoClockIndex;
        for (std::size_t i = 0; i < data.size(); ++i) f.Data[i] = data[i];
        store.Push(f);
    }
    std::string file() const { return dir.File("f.can"); }
    CliRun Search(std::vector<std::string> args) {
        args.insert(args.begin(), {"search", file()});
        return RunCli(args, dir.path);
    }

    TempFolder dir;
    CCycleBuffer<_VCI_CAN_OBJ> store;
};

TEST_F(CliSearch, HitsAsTheResultListExportsThem) {
    const CliRun run = Search({"--column", "7", "--equal", "12"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              std::string(kHeader) + "0\t\t\t0x00000012\t数据帧\t标准帧\t0x03\t12 34 56 \t\t\r\n");

    const CliRun greater = Search({"--column", "3", "--greater", "7ff"});
    EXPECT_EQ(greater.status, 0);
    EXPECT_EQ(korvex::test::Lines(greater.out), 2u);
    EXPECT_NE(greater.out.find("\r\n2\t"), std::string::npos) << greater.out;

    // The alias column follows the settings folder's rules.
    ASSERT_EQ(
        RunCli({"alias", "add", "--field", "id", "--value", "800", "--name", "Brake"}, dir.path)
            .status,
        0);
    const CliRun alias = Search({"--column", "2", "--contains", "BRA", "--time", "relative"});
    EXPECT_EQ(alias.out,
              std::string(kHeader) + "2\t\tBrake\t0x00000800\t数据帧\t标准帧\t0x00\t\t\t\r\n");
}

TEST_F(CliSearch, NoHitNoConditionAndTheCheckBoxRules) {
    CliRun run = Search({"--column", "3", "--equal", "999"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kHeader);
    EXPECT_EQ(run.err, "找不到该项\n");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--column", "3"}, {"--column", "3", "--equal", " "}}) {
        run = Search(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "搜索字符不能为空\n");
        EXPECT_EQ(run.out, "");
    }
    struct Case {
        std::vector<std::string> args;
        const char* option;
    };
    const Case cases[] = {
        {{"--column", "7", "--greater", "1"}, "--greater"},
        {{"--column", "2", "--less", "1"}, "--less"},
        {{"--column", "3", "--equal", "1", "--not-equal", "2"}, "--not-equal"},
        {{"--column", "9", "--equal", "1"}, "--column"},
        {{"--equal", "1"}, "--column"},
        {{"--column", "3", "--equal"}, "--equal"},
        {{"--column", "3", "--equal", "1", "--time", "utc"}, "--time"},
    };
    for (const Case& c : cases) {
        run = Search(c.args);
        EXPECT_EQ(run.status, 2) << c.option;
        EXPECT_NE(run.err.find(std::string("search: ") + c.option), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunCli({"search", dir.File("none.can"), "--column", "3", "--equal", "1"}).status, 1);
}

}  // namespace
