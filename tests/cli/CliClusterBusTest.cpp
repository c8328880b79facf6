#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DataFileWriter.h"
#include "core/frame/CycleBuffer.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::RunCli;
using korvex::test::TempFolder;

std::vector<std::string> Split(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(end, at)) != std::string::npos; at = next + end.size())
        lines.push_back(text.substr(at, next - at));
    EXPECT_EQ(at, text.size()) << "text does not end with a line end";
    return lines;
}

std::string Field(const std::string& line, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) at = line.find('\t', at) + 1;
    return line.substr(at, line.find('\t', at) - at);
}

_VCI_CAN_OBJ Frame(std::uint32_t id, std::uint8_t d0, std::uint8_t clock, std::uint32_t stamp) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.TimeStamp = stamp;
    f.TimeFlag = 1;
    f.DataLen = 2;
    f.Data[0] = d0;
    f.Reserved[1] = clock;
    return f;
}

OrigTimeEntry Entry(int hour, std::uint32_t stamp, std::uint8_t bitRate) {
    OrigTimeEntry entry{};
    entry.date[2] = 3;
    entry.date[3] = 14;
    entry.hour = static_cast<std::uint8_t>(hour);
    entry.timeStamp = stamp;
    entry.bitRateIndex = bitRate;
    return entry;
}

class CliClassify : public ::testing::Test {
  protected:
    void SetUp() override {
        CCycleBuffer<_VCI_CAN_OBJ> store;
        for (const auto& [id, d0] : std::vector<std::pair<std::uint32_t, std::uint8_t>>{
                 {0x100, 1}, {0x200, 0}, {0x100, 2}, {0x300, 0}, {0x100, 1}})
            store.Push(Frame(id, d0, korvex::kNoClockIndex, 10));
        ASSERT_TRUE(korvex::WriteSnapshotFile(file(), {}, store));
    }
    std::string file() const { return dir.File("f.can"); }
    TempFolder dir;
};

TEST_F(CliClassify, GroupHeadsAndUnfoldedMembers) {
    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> firstFields;
    };
    const Case cases[] = {
        {{"--columns", "3"}, {"0(3)", "1(1)", "3(1)"}},
        {{"--columns", "7,3,7"}, {"0(2)", "1(1)", "2(1)", "3(1)"}},
        {{"--columns", "3", "--unfold"}, {"0(3)", "2", "4", "1(1)", "3(1)"}},
        {{"--columns", "0,3"}, {"0(1)", "1(1)", "2(1)", "3(1)", "4(1)"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"classify", file()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> lines = Split(run.out, "\r\n");
        ASSERT_EQ(lines.size(), c.firstFields.size() + 1);
        EXPECT_EQ(lines[0], "序号\t时间标识\t别名\t帧ID\t格式\t类型\tDLC\t数据\t备注\t");
        for (std::size_t i = 0; i < c.firstFields.size(); ++i) {
            EXPECT_EQ(Field(lines[i + 1], 0), c.firstFields[i]);
            // Nine fields, each followed by a tab.
            EXPECT_EQ(std::count(lines[i + 1].begin(), lines[i + 1].end(), '\t'), 9);
        }
    }
    const CliRun run = RunCli({"classify", file(), "--columns", "3", "--time", "relative"});
    const std::vector<std::string> lines = Split(run.out, "\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Field(lines[1], 1), "00:00:00.001.0");
    EXPECT_EQ(Field(lines[1], 3), "0x00000100");
    EXPECT_EQ(Field(lines[2], 3), "0x00000200");
}

TEST_F(CliClassify, UsageAndFileErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"classify", file()}, 2, "korvex-cli classify: --columns is missing"},
        {{"classify", file(), "--columns", "3,9"}, 2, "korvex-cli classify: --columns needs"},
        {{"classify", file(), "--columns", ""}, 2, "korvex-cli classify: --columns needs"},
        {{"classify", file(), "--columns", "3", "--time", "x"}, 2, "korvex-cli classify: --time"},
        {{"classify", "--columns", "3"}, 2, "korvex-cli classify: no data file given"},
        {{"classify", dir.File("none.can"), "--columns", "3"}, 1, "korvex-cli: cannot open"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.err;
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
    }
    const CliRun help = RunCli({"classify", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: korvex-cli classify", 0), 0u);
}

class CliBusLoad : public ::testing::Test {
  protected:
    // Span 0 from 08:00:00 at 500 kbit/s: 40 frames in its first 0.4 s, one
    // at 08:00:01.5 and its last at 08:00:06; span 1 has no frames; span 2
    // has a bit rate without a full-load figure.
    void SetUp() override {
        CCycleBuffer<_VCI_CAN_OBJ> store;
        for (std::uint32_t i = 0; i < 40; ++i) store.Push(Frame(0x100, 0, 0, 1000 + i * 10));
        store.Push(Frame(0x100, 0, 0, 1000 + 15000));
        store.Push(Frame(0x100, 0, 0, 1000 + 60000));
        for (std::uint32_t i = 0; i < 5; ++i) store.Push(Frame(0x100, 0, 2, 100 + i * 5000));
        ASSERT_TRUE(korvex::WriteSnapshotFile(
            file(), {Entry(8, 1000, 2), Entry(9, 0, 3), Entry(10, 100, 200)}, store));
    }
    std::string file() const { return dir.File("f.can"); }
    TempFolder dir;
};

TEST_F(CliBusLoad, WholeSpanAndSubInterval) {
    CliRun run = RunCli({"busload", file()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = Split(run.out, "\n");
    ASSERT_EQ(lines.size(), 3u + 1u + 20u + 2u);
    EXPECT_EQ(lines[0], "03/14 08:00:00--03/14 08:00:06(count:42)");
    EXPECT_EQ(lines[1], "03/14 09:00:00(No Data)");
    EXPECT_EQ(lines[2], "03/14 10:00:00--03/14 10:00:02(count:5)");
    // 08:00:00 ... 08:00:06 and its last second: seven seconds in steps of 350 ms.
    EXPECT_EQ(lines[3], "precision: 350 ms");
    EXPECT_EQ(lines[4], "0\t40\t1%");
    EXPECT_EQ(lines[5], "1\t0\t0%");
    EXPECT_EQ(lines[8], "4\t1\t0%");
    EXPECT_EQ(lines[21], "17\t1\t0%");
    EXPECT_EQ(lines[24], "average flow: 6");
    EXPECT_EQ(lines[25], "average load: 0%");

    // One second and the next: steps of 100 ms; 08:00:01.5 ends step 14.
    run = RunCli({"busload", file(), "--from", "08:00:00", "--to", "08:00:01"});
    ASSERT_EQ(run.status, 0) << run.err;
    lines = Split(run.out, "\n");
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[3], "precision: 100 ms");
    EXPECT_EQ(lines[4], "0\t40\t1%");
    EXPECT_EQ(lines[18], "14\t1\t0%");
    EXPECT_EQ(lines[24], "average flow: 20");

    run = RunCli({"busload", file(), "--span", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    lines = Split(run.out, "\n");
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[3], "precision: 150 ms");
    EXPECT_EQ(lines[4], "0\t1\t-");
    EXPECT_EQ(lines[7], "3\t1\t-");
    EXPECT_EQ(lines[24], "average flow: 1");
    EXPECT_EQ(lines[25], "average load: -");
}

TEST_F(CliBusLoad, RefusalsKeepTheSpanList) {
    struct Case {
        std::vector<std::string> options;
        int status;
        std::string err;
        std::size_t lines;
    };
    const Case cases[] = {
        {{"--span", "1"}, 1, "该段区间没有数据\n", 3},
        {{"--from", "08:00:01", "--to", "08:00:01"}, 1, "设置范围不符合规则\n", 3},
        {{"--from", "07:59:59", "--to", "08:00:01"}, 1, "设置范围不符合规则\n", 3},
        // Frames on both sides but none inside: the steps are printed, then 119.
        {{"--from", "08:00:02", "--to", "08:00:04"}, 1, "该段区间没有数据\n", 26},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"busload", file()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(Split(run.out, "\n").size(), c.lines);
    }
    struct Usage {
        std::vector<std::string> args;
        const char* err;
    };
    const Usage usages[] = {
        {{"busload", file(), "--from", "08:00:00"}, "korvex-cli busload: --from and --to"},
        {{"busload", file(), "--span", "3"}, "korvex-cli busload: --span 3: the file has 3 spans"},
        {{"busload", file(), "--span", "x"}, "korvex-cli busload: --span needs"},
        {{"busload"}, "korvex-cli busload: no data file given"},
    };
    for (const Usage& u : usages) {
        const CliRun run = RunCli(u.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind(u.err, 0), 0u) << run.err;
    }
}

}  // namespace
