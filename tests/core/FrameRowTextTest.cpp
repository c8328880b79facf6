#include "core/FrameRowText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DataFileWriter.h"
#include "core/FrameStoreSink.h"
#include "core/RealTimeSaveFile.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::MakeFrame;
using korvex::test::ReadBytes;
using korvex::test::TempFolder;

// Stands in for the plug-in: five texts from the frame's identifier, in
// buffers that the next call overwrites.
int FakeAnalyCANFrame(const _VCI_CAN_OBJ* frame, char*** texts, int* count) {
    static char buffers[6][80];
    static char* pointers[6] = {buffers[0], buffers[1], buffers[2],
                                buffers[3], buffers[4], buffers[5]};
    for (int i = 0; i < 5; ++i) std::snprintf(buffers[i], 80, "p%d:%X", i, frame->ID);
    *texts = pointers;
    *count = 5;
    return 1;
}

int TwoTexts(const _VCI_CAN_OBJ*, char*** texts, int* count) {
    static char a[] = "A";
    static char b[] = "B";
    static char* pointers[] = {a, b};
    *texts = pointers;
    *count = 2;
    return 1;
}

TEST(FrameRowText, EventTextsEndInALineFeed) {
    EXPECT_STREQ(korvex::EventText(0), "");
    EXPECT_STREQ(korvex::EventText(225), "CAN控制器内部FIFO溢出\n");
    EXPECT_STREQ(korvex::EventText(226), "CAN控制器错误报警\n");
    EXPECT_STREQ(korvex::EventText(227), "CAN控制器消极错误\n");
    EXPECT_STREQ(korvex::EventText(228), "CAN控制器仲裁丢失\n");
    EXPECT_STREQ(korvex::EventText(229), "CAN控制器总线错误\n");
    EXPECT_STREQ(korvex::EventText(230), "总线关闭错误\n");
    for (int code : {1, 224, 231, 0xFE, 0xFF}) {
        EXPECT_STREQ(korvex::EventText(static_cast<std::uint8_t>(code)), "\t没有错误\n") << code;
    }
}

TEST(FrameRowText, TimeColumnFollowsTheDisplayMode) {
    const std::vector<OrigTimeEntry> clocks{{{20, 26, 1, 1}, 23, 59, 59, 1000, 0}};
    std::string text;
    _VCI_CAN_OBJ f = MakeFrame(1, 11000, 0, 0, 0);
    korvex::FormatTimeColumn(f, 0, clocks, text);
    EXPECT_EQ(text, "00:00:00.000.0");
    korvex::FormatTimeColumn(f, 1, clocks, text);
    EXPECT_EQ(text, "00:00:01.100.0");
    f.Reserved[1] = korvex::kNoClockIndex;
    korvex::FormatTimeColumn(f, 0, clocks, text);
    EXPECT_EQ(text, "");
    korvex::FormatTimeColumn(f, 1, clocks, text);
    EXPECT_EQ(text, "00:00:01.100.0");
    f.TimeFlag = 0;
    korvex::FormatTimeColumn(f, 1, clocks, text);
    EXPECT_EQ(text, "");
}

TEST(FrameRowText, ExportLineCarriesEveryFieldWithATab) {
    const std::vector<OrigTimeEntry> clocks;
    korvex::ExportRowContext context{1, &clocks, &FakeAnalyCANFrame, {}};
    std::string line;
    korvex::AppendExportLine(line, 0, MakeFrame(0x1AB, 1234567), context);
    EXPECT_EQ(line, "0\t00:02:03.456.7\t\tp0:1AB\tp1:1AB\tp2:1AB\tp3:1AB\tp4:1AB\t\t\r\n");

    context.alias = [](const _VCI_CAN_OBJ& f, std::string& t) {
        if (f.ID == 0x7) t = "引擎";
    };
    line.clear();
    korvex::AppendExportLine(line, 41, MakeFrame(0x7, 0, 0, 227), context);
    EXPECT_EQ(line, "41\t\t引擎\tp0:7\tp1:7\tp2:7\tp3:7\tp4:7\tCAN控制器消极错误\n\t\r\n");

    context.analyCANFrame = &TwoTexts;
    line.clear();
    korvex::AppendExportLine(line, 2, MakeFrame(0x8, 0, 0, 9), context);
    EXPECT_EQ(line, "2\t\t\tA\tB\t\t\t\t\t没有错误\n\t\r\n");
}

int FakeAnalyPart(const _VCI_CAN_OBJ* frame, char** text, int column) {
    static char buffer[80];
    std::snprintf(buffer, sizeof buffer, "c%d:%X", column, frame->ID);
    *text = buffer;
    return 1;
}

TEST(FrameRowText, CellTextOfEveryColumn) {
    const std::vector<OrigTimeEntry> clocks;
    korvex::ExportRowContext context{1, &clocks, nullptr, {}, &FakeAnalyPart};
    context.alias = [](const _VCI_CAN_OBJ& f, std::string& t) { t = f.ID == 0x7 ? "引擎" : ""; };
    const _VCI_CAN_OBJ frame = MakeFrame(0x7, 1234567, 0, 228);
    const std::vector<std::string> expected = {
        "12",   "00:02:03.456.7",      "引擎", "c3:7", "c4:7", "c5:7", "c6:7",
        "c7:7", "CAN控制器仲裁丢失\n", ""};
    // A long text first: the next cell must replace it, not append to it.
    std::string text(200, 'x');
    for (int column = 0; column < 9; ++column) {
        korvex::FormatCellText(12, frame, column, context, text);
        EXPECT_EQ(text, expected[static_cast<std::size_t>(column)]) << "column " << column;
        // Appended, the same text follows what the line holds.
        std::string line = "a\t";
        korvex::AppendCellText(line, 12, frame, column, context);
        EXPECT_EQ(line, "a\t" + expected[static_cast<std::size_t>(column)]) << "column " << column;
    }
    context.analyPartofCANFrame = nullptr;
    korvex::FormatCellText(0, frame, 5, context, text);
    EXPECT_EQ(text, "");
}

TEST(DataFileWriter, BinaryFormIsChosenByTheLowerCaseExtension) {
    for (const char* name : {"a.can", "dir.x/b.can", ".can", "x.txt.can"}) {
        EXPECT_TRUE(korvex::IsBinaryDataFileName(name)) << name;
    }
    for (const char* name :
         {"a.CAN", "a.Can", "a.txt", "can", "a.can.", "a.cans", "dir.can/a", "a.ca"}) {
        EXPECT_FALSE(korvex::IsBinaryDataFileName(name)) << name;
    }
}

TEST(FrameRowText, TextExportAndRealTimeTextMatch) {
    TempFolder dir;
    CFrameStoreSink sink;
    sink.SetCapacity(10);
    for (std::uint32_t id : {0x100u, 0x200u, 0x300u}) {
        _VCI_CAN_OBJ f = MakeFrame(id, id * 10, 0, 0, 0xFF);
        sink.AddFrames(&f, 1, id != 0x200);
    }
    const std::vector<std::string> captions{"序号", "时间标识", "别名", "帧ID"};
    const std::vector<OrigTimeEntry> clocks;
    const korvex::ExportRowContext context{1, &clocks, &FakeAnalyCANFrame, {}};
    ASSERT_TRUE(korvex::WriteTextExportFile(dir / "x.txt", captions, sink.frameStore, context));
    const std::string expected =
        "序号\t时间标识\t别名\t帧ID\t\r\n"
        "0\t00:00:00.256.0\t\tp0:100\tp1:100\tp2:100\tp3:100\tp4:100\t\t\r\n"
        "1\t00:00:00.512.0\t\tp0:200\tp1:200\tp2:200\tp3:200\tp4:200\t\t\r\n"
        "2\t00:00:00.768.0\t\tp0:300\tp1:300\tp2:300\tp3:300\tp4:300\t\t\r\n";
    EXPECT_EQ(ReadBytes(dir / "x.txt"), expected);

    // Real-time save to "X.CAN" is text: only a lower-case "can" is binary.
    CRealTimeSaveFile rt;
    ASSERT_TRUE(rt.Open(dir / "X.CAN", captions));
    EXPECT_FALSE(rt.IsBinary());
    _VCI_CAN_OBJ f;
    for (int i = 0; i < 3; ++i) {
        sink.frameStore.Get(i, &f);
        rt.WriteRun(&f, 1, context);
    }
    EXPECT_EQ(rt.rtCount, 3);
    rt.Close();
    EXPECT_EQ(ReadBytes(dir / "X.CAN"), expected);

    // Reopening starts a new file numbered from 0 again.
    ASSERT_TRUE(rt.Open(dir / "X.CAN", captions));
    rt.WriteRun(&f, 1, context);
    rt.Close();
    EXPECT_EQ(ReadBytes(dir / "X.CAN"),
              "序号\t时间标识\t别名\t帧ID\t\r\n"
              "0\t00:00:00.768.0\t\tp0:300\tp1:300\tp2:300\tp3:300\tp4:300\t\t\r\n");
    EXPECT_FALSE(rt.Open(dir / "none" / "y.txt", captions));
    EXPECT_FALSE(rt.IsOpen());
    EXPECT_FALSE(
        korvex::WriteTextExportFile(dir / "none" / "y.txt", captions, sink.frameStore, context));
}

}  // namespace
